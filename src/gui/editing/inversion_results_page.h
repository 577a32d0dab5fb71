#pragma once

#include <QDialog>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

#include "engine/core/cell_table.h"
#include "engine/core/dataset.h"
#include "engine/core/messenger.h"

#include <optional>

class QButtonGroup;
class QGridLayout;
class QGroupBox;
class QLabel;
class QProgressBar;
class QToolButton;

namespace tarvo::gui {

// The progress window of a workbook export: the file it writes and one step
// of the bar per sheet written.
class TExcellForm : public QDialog {
  Q_OBJECT
public:
  explicit TExcellForm(QWidget* parent = nullptr);
  void Start(const QString& file, int sheets);
  void SheetDone(int done);

  QLabel* Label2() const { return file_; }
  QProgressBar* ProgressBar1() const { return bar_; }

private:
  QLabel* file_ = nullptr;
  QProgressBar* bar_ = nullptr;
};

// The "INV results" tab of the table window: the list of the model's layers
// and the copies of the model (one layer, time-lapse differences, the mean
// model) to the clipboard and to workbooks next to the data file.
class TInvResultsPage : public QWidget {
  Q_OBJECT
public:
  using MessengerSource = std::function<Messenger&()>;

  TInvResultsPage(TDataset& ds, MessengerSource messenger, QWidget* parent = nullptr);

  // After a model was read: the depth list anew, no item selected.
  void FillDepthList();
  // After every read: the commands that suit a time-lapse line or one without time sets.
  void AfterRead();

  // Selected depth item (0-based), -1 none; selecting one enables CopyRes2.
  int SelectedDepthItem() const;
  void SelectDepthItem(int item);

  void CopyRes2Click();         // "result for selected depth"
  void ExcellBtClick();         // "Copy all to Excel"
  void CopyDiffClick();         // "Copy difference"
  void CopyDiffExcellClick();   // "Copy difference in Excel"
  void CopyAllExcelClick();     // "Copy all model in  clipboard"
  void CopyMeanModelClick();    // "Copy mean model"

  QGroupBox* DepthesGroup() const { return depths_; }
  QToolButton* Button(const char* name) const;

private:
  void DepthesGroupClick();
  void PutOnClipboard(const std::optional<TCellTable>& table);
  void WriteWorkbook(const std::vector<TCellTable>& sheets, const char* suffix);

  TDataset& ds_;
  MessengerSource messenger_;
  QGroupBox* depths_ = nullptr;
  QGridLayout* depthGrid_ = nullptr;
  QButtonGroup* depthItems_ = nullptr;
  QToolButton* copyRes2_ = nullptr;
  QToolButton* excellBt_ = nullptr;
  QToolButton* copyDiff_ = nullptr;
  QToolButton* copyDiffExcell_ = nullptr;
  QToolButton* copyAllExcel_ = nullptr;
  QToolButton* copyMeanModel_ = nullptr;
};

// The text of a cell table on the clipboard.
void PutTableOnClipboard(const TCellTable& table);

}  // namespace tarvo::gui
