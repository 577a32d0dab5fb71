#pragma once

#include <QDialog>

#include <vector>

#include "engine/core/dataset.h"
#include "engine/display/sp_chart.h"

class QComboBox;
class QCPAbstractPlottable;
class QCustomPlot;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace tarvo::gui {

class TMain;

// "SP": the self-potential along the profile, one line per level. A click
// on a point selects it; "Delete" takes it off its line (the dataset is not
// changed) and "Undo" puts the last deleted point back; every show starts
// again from the data. "Copy" gives the line chosen in the list with the
// mean of the lines shown.
class TSPform : public QDialog {
  Q_OBJECT
public:
  explicit TSPform(TDataset& ds, QWidget* parent = nullptr);

  // FormShow: the lines built again from the dataset.
  void FormShow();
  // A click on point `index` of line `line` (0-based).
  void SelectPoint(int line, int index);
  void DeleteClick();
  void UndoClick();
  void CheckListClick();
  void CheckListDblClick();
  void CopyClick();

  const std::vector<TSPLine>& Lines() const { return lines_; }
  QCustomPlot* Chart() const { return chart_; }
  QLabel* Label1() const { return label_; }
  QComboBox* ComboBox() const { return combo_; }
  QListWidget* CheckListBox() const { return checks_; }
  QPushButton* DeleteBtn() const { return delete_; }
  QPushButton* UndoBtn() const { return undo_; }
  QPushButton* CopyBtn() const { return copy_; }

protected:
  void showEvent(QShowEvent* event) override;

private:
  void Redraw();
  void ShowSelectionLabel();
  void PlottableClick(QCPAbstractPlottable* plottable, int dataIndex);

  TDataset& ds_;
  std::vector<TSPLine> lines_;
  struct Selection {
    int line = -1;
    int index = -1;
    TSPPoint point;
  } selection_;
  QCustomPlot* chart_ = nullptr;
  QLabel* label_ = nullptr;
  QComboBox* combo_ = nullptr;
  QListWidget* checks_ = nullptr;
  QPushButton* copy_ = nullptr;
  QPushButton* delete_ = nullptr;
  QPushButton* undo_ = nullptr;
  bool filling_ = false;
};

// "sp" shows the SP window modally; it is enabled whenever the data have SP.
void AttachSPWindow(TMain& main, TSPform& sp);

}  // namespace tarvo::gui
