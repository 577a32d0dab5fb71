#pragma once

#include <QDialog>

#include <array>

#include "gui/export/converter_commands.h"
#include "engine/sequences/sequence_generator.h"

class QButtonGroup;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QSpinBox;
class QTabWidget;

namespace tarvo::gui {

class TMain;

// "New SEQ file": designs a new measurement sequence. The operator picks the
// electrode count, the array, the step between sounding positions and the
// (AM, MN) items to measure; "Show" generates the sequence and loads it as
// the current dataset, "Save" writes it as a Syscal sequence file. The
// window keeps its choices between uses and never closes the main window.
class TNew_PS : public QDialog {
  Q_OBJECT
public:
  TNew_PS(TMain& main, SaveDialog saveDialog, QWidget* parent = nullptr);

  // The choices the window shows; tests set them through the controls.
  const SequenceGeneratorState& State() const { return state_; }

  // The check list of an item list (an MN list by its index into
  // DipoleLengths, or the Wenner list).
  QListWidget* CheckList(CheckListRef list) const;

  // "aNew_HS": places the window over the main window and shows it.
  void New_HalfSExecute();

  void ShowBtnClick();    // generate and load
  void OKBtnClick();      // save, then close
  void BitBtn3Click();    // help

private:
  void BuildControls();
  void ArrayChanged(int index);
  void ItemChanged(QListWidgetItem* item);
  void ChoicesChanged();  // any change of the choices
  void RefreshTexts();

  TMain& main_;
  SaveDialog saveDialog_;
  SequenceGeneratorState state_;
  bool refreshing_ = false;

  QSpinBox* edit1_ = nullptr;
  QButtonGroup* arrayGroup_ = nullptr;
  QButtonGroup* stepGroup_ = nullptr;
  QTabWidget* pageControl_ = nullptr;
  std::array<QListWidget*, DipoleListCount> dipoleLists_{};
  QListWidget* checkListWenner_ = nullptr;
  QLabel* label1_ = nullptr;
  std::array<QLabel*, DipoleListCount> mnLabels_{};
  QLabel* nQuadrolb_ = nullptr;
  QPushButton* showBtn_ = nullptr;
  QPushButton* saveBtn_ = nullptr;
};

}  // namespace tarvo::gui
