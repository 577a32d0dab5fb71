#pragma once

#include <QDialog>

#include <vector>

#include "engine/core/dataset.h"
#include "engine/core/messenger.h"
#include "engine/sequences/multichannel_optimiser.h"
#include "gui/export/converter_commands.h"

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;

namespace tarvo::gui {

// "Optimize sequence for SysCal-Pro": the quadripoles of the loaded sequence
// grouped by current injection, one line per injection with every potential
// dipole measured with it, and the number of injections. "Optimize" turns
// the sequence into the readings of a multichannel instrument with the
// channel count and options of the window, lists them and counts them; the
// readings can then be saved as a Syscal sequence or as ElectreII text.
class TOptimizeForm : public QDialog {
  Q_OBJECT
public:
  // `dialog` asks where to save; `messenger` tells the operator what failed.
  TOptimizeForm(TDataset& ds, SaveDialog dialog, Messenger& messenger, QWidget* parent = nullptr);

  QString CountsText() const;
  QString ListText() const;

  // "Optimize": the readings for the options of the window.
  void OptiBtClick();
  // "Save SEQ" and "Save TXT": the readings, one after another, as a Syscal
  // sequence or as ElectreII text. False when nothing was written.
  bool SaveSeqBtClick();
  bool SaveTxtBtClick();

private:
  void Fill();
  OptimiserOptions Options() const;
  void OptionsChanged();
  bool Save(OptimisedFormat format);

  TDataset& ds_;
  SaveDialog dialog_;
  Messenger& messenger_;
  std::vector<TQuadripole> quads_;
  OptimisedSequence result_;

  QCheckBox* checkBox1_ = nullptr;
  QCheckBox* checkBox2_ = nullptr;
  QSpinBox* edit1_ = nullptr;
  QSpinBox* restE_ = nullptr;
  QProgressBar* progressBar1_ = nullptr;
  QLabel* nDataL_ = nullptr;
  QPlainTextEdit* richEdit_ = nullptr;
  QPushButton* optiBt_ = nullptr;
  QPushButton* saveSeqBt_ = nullptr;
  QPushButton* saveTxtBt_ = nullptr;
};

}  // namespace tarvo::gui
