#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <vector>

#include "engine/core/dataset.h"
#include "engine/editing/data_table.h"
#include "engine/editing/electrode_edits.h"
#include "engine/editing/multinodes.h"

class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTabBar;
class QToolButton;
class QWidget;

namespace tarvo::gui {

class TMain;
class TSectForm;
class TTableForm;

// The commands of the table window's "Electrodes" and "Multinodes" tabs:
// deleting electrodes, the broken electrode, pasted altitudes and
// topography (also from a file), "X x k", "Mirror profile" (also the main
// window's Exchange menu) and the multinodes, each undone by Ctrl+Z in the
// table window. After every edit the electrode grid, the configuration
// window and the main window's summary follow; edits that change the
// geometry rebuild the dataset as after a read.
class ElectrodeCommands : public QObject, private DatasetObserver {
  Q_OBJECT
public:
  ElectrodeCommands(TMain& main, TTableForm& table, TSectForm* section);
  ~ElectrodeCommands() override;

  // The file of "Topography from file..."; tests put their own in.
  void SetTopographyFileChooser(std::function<QString()> chooser) { chooseFile_ = std::move(chooser); }

  void DelElectrodeExecute();       // the selected rows of the electrode grid
  void BrokenElectrodeExecute();    // the first selected row
  void PasteAltitudesClick();
  void PasteTopographyClick(bool square);
  void TopographyFileClick();
  void MultiplierChange(const QString& text);
  void XxKbtClick();
  void AInverseExecute();
  void SegmentLengthClick(int item);
  void RenumberClick();             // "Make SEQ for ..."
  bool UndoExecute();               // Ctrl+Z: the dataset as before the last edit

  QAction* DelElectrode() const { return delElectrode_; }
  QAction* BrokenElectrode() const { return brokenElectrode_; }
  QAction* AInverse() const { return aInverse_; }
  QAction* UndoEdit() const { return undo_; }
  QToolButton* DelElB() const { return delElB_; }
  QToolButton* PasteAltitudes() const { return pasteAltitudes_; }
  QToolButton* LinearPaste() const { return linearPaste_; }
  QToolButton* SquarePaste() const { return squarePaste_; }
  QToolButton* TopographyFile() const { return topographyFile_; }
  QToolButton* XxKbt() const { return xxKbt_; }
  QComboBox* Multiplier() const { return multiplier_; }
  QButtonGroup* RadioGroup2() const { return segmentGroup_; }
  QTabBar* TabControl() const { return tabs_; }
  QButtonGroup* RadioGroup() const { return numberGroup_; }
  QCheckBox* Reverse() const { return reverse_; }
  QPushButton* Label4() const { return renumber_; }
  QLabel* UsedElectrodesLabel() const { return usedElectrodes_; }
  QLabel* MultinodeCountLabel() const { return multinodeCount_; }
  QLabel* UsedMultinodesLabel() const { return usedMultinodes_; }
  const TMultinodeList& Multinodes() const { return list_; }
  const TMultinodeList& NewMultinodes() const { return newList_; }
  int SegmentLength() const { return segmentLength_; }

  // After every read and rebuild: the commands by the data, the multinodes
  // analysed again; a read that is not our own rebuild forgets the undo.
  void AfterRead();

private:
  // A point changed by another command (a quadripole deleted, a level
  // unchecked): the undo would take that back too, so it is forgotten.
  void PointChanged(int point) override;

  void BuildElectrodeTools();
  void BuildMultinodePage();
  void ShowElectrodeTab();
  void AnalyseMultinodesNow();
  void ShowCurrentMultinode();
  void UpdateRenumberButton();
  std::vector<int> SelectedRows() const;
  Messenger& Operator();
  // The dataset as it is before an edit, kept for Ctrl+Z when the edit
  // changed it.
  TDataset Snapshot() const;
  void Keep(TDataset&& before, const ElectrodeEditOutcome& outcome);
  // After an edit that kept the points: the grid, the views and the summary.
  void AfterEdit(const ElectrodeEditOutcome& outcome);

  TMain& main_;
  TTableForm& table_;
  TSectForm* section_;
  TDataset& ds_;
  ElectrodeEditUndo undoState_;
  bool rebuilding_ = false;  // our own rebuild is being shown: the undo stays
  bool editing_ = false;     // one of our edits is running
  std::function<QString()> chooseFile_;

  QAction* delElectrode_ = nullptr;
  QAction* brokenElectrode_ = nullptr;
  QAction* aInverse_ = nullptr;
  QAction* undo_ = nullptr;
  QToolButton* delElB_ = nullptr;
  QToolButton* brokenB_ = nullptr;
  QToolButton* pasteAltitudes_ = nullptr;
  QToolButton* linearPaste_ = nullptr;
  QToolButton* squarePaste_ = nullptr;
  QToolButton* topographyFile_ = nullptr;
  QToolButton* xxKbt_ = nullptr;
  QComboBox* multiplier_ = nullptr;
  QToolButton* inverseB_ = nullptr;

  int segmentLength_ = DefaultSegmentLength;
  TMultinodeList list_;
  TMultinodeList newList_;
  QButtonGroup* segmentGroup_ = nullptr;
  QLabel* usedElectrodes_ = nullptr;
  QLabel* multinodeCount_ = nullptr;
  QLabel* usedMultinodes_ = nullptr;
  QTabBar* tabs_ = nullptr;
  QWidget* numberBox_ = nullptr;
  QButtonGroup* numberGroup_ = nullptr;
  QCheckBox* reverse_ = nullptr;
  QPushButton* renumber_ = nullptr;
  bool showing_ = false;  // the tab's controls are being set from the lists
};

// Creates the commands on the table window and connects them to the main
// window (reads, "Mirror profile" of the Exchange menu, "Modified", the
// summary) and to the configuration window (its "Delete electrode" item,
// its repaint).
ElectrodeCommands* AttachElectrodeCommands(TMain& main, TTableForm& table, TSectForm* section);

}  // namespace tarvo::gui
