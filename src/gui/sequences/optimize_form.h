#pragma once

#include <QDialog>

#include "engine/core/dataset.h"

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace tarvo::gui {

// "Optimize sequence for SysCal-Pro": the quadripoles of the loaded sequence
// grouped by current injection, one line per injection with every potential
// dipole measured with it, and the number of injections a multichannel
// instrument needs.
class TOptimizeForm : public QDialog {
  Q_OBJECT
public:
  explicit TOptimizeForm(const TDataset& ds, QWidget* parent = nullptr);

  QString CountsText() const;
  QString ListText() const;

private:
  void Fill(const TDataset& ds);

  QProgressBar* progressBar1_ = nullptr;
  QLabel* nDataL_ = nullptr;
  QPlainTextEdit* richEdit_ = nullptr;
  QPushButton* optiBt_ = nullptr;
};

}  // namespace tarvo::gui
