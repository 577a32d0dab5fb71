#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QPair>
#include <QStyledItemDelegate>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

#include "engine/core/dataset.h"
#include "engine/core/messenger.h"
#include "engine/editing/data_table.h"
#include "engine/editing/electrode_altitudes.h"

class QCheckBox;
class QCustomPlot;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QSpinBox;
class QTabWidget;
class QTableView;
class QToolButton;
class QVBoxLayout;

namespace tarvo {
struct ShellState;
}

namespace tarvo::gui {

class TMain;
class TReciprocalForm;
class TInvResultsPage;

// Role of a cell that is framed in red: a bad data point, a deleted electrode.
inline constexpr int BadRole = Qt::UserRole + 1;

// The data grid: one row per shown data point, the columns the dataset has.
// The texts come from the dataset each time a cell is painted; only a typed
// text that the cell did not take is kept, so that the operator sees it.
class DataTableModel : public QAbstractTableModel {
  Q_OBJECT
public:
  explicit DataTableModel(TDataset& ds, QObject* parent = nullptr) : QAbstractTableModel(parent), ds_(ds) {}

  void Refill();                 // columns and row range from the dataset
  void RowChanged(int point);    // the point's values or marks changed
  int PointOfRow(int row) const { return range_.first + row; }
  int RowOfPoint(int point) const;  // -1 when the point is not shown
  // Of the rows first..last (clamped to the table), those whose red frame
  // a repaint would now change: the frame they were last painted with
  // differs from the point's state. Rows never painted are left out.
  std::vector<int> RowsWithChangedFrame(int first, int last) const;
  // A cell of `row` was painted, with the frame the point has now.
  void NotePainted(int row) const;
  const std::vector<DataColumn>& Columns() const { return columns_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

private:
  TDataset& ds_;
  std::vector<DataColumn> columns_;
  bool Framed(int point) const;

  RowRange range_{1, 0};
  QHash<QPair<int, int>, QString> kept_;  // typed texts the dataset did not take
  // The frame each row was last painted with: 0 none, 1 red, 2 not painted yet.
  mutable std::vector<std::uint8_t> shownFrame_;
};

// The electrode grid: "  N", "  X", " Alt", one row per electrode position.
class ElectrodeTableModel : public QAbstractTableModel {
  Q_OBJECT
public:
  explicit ElectrodeTableModel(TDataset& ds, QObject* parent = nullptr) : QAbstractTableModel(parent), ds_(ds) {}

  void Refill();
  bool editing = false;  // cells take typing only while editing is on
  int segmentLength = DefaultSegmentLength;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

signals:
  void AltitudeTyped(int electrode);

private:
  TDataset& ds_;
  int rows_ = 0;
};

// Frames the cells whose BadRole is true in red, one pixel inside the cell.
class BadFrameDelegate : public QStyledItemDelegate {
  Q_OBJECT
public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// The table window: the dataset as text grids, the acceptance thresholds,
// the electrodes with their relief and the list of spacings.
class TTableForm : public QWidget, private DatasetObserver {
  Q_OBJECT
public:
  explicit TTableForm(TDataset& ds, QWidget* parent = nullptr);
  ~TTableForm() override;

  // Lays out and fills the data grid; hides the pages while no point is loaded.
  void FormShow();
  // Rewrites the row of data point `index`.
  void FillDataRow(int index);
  // Selects point `index` in the data grid (from the configuration window).
  void SelectDataRow(int index);
  // Fills the electrode grid, the spacings list and the relief chart.
  void FillElectrodeGrid();
  // Makes the electrode tab current and selects electrode row n.
  void SelectElectrodeRow(int n);
  // After every read: grids refilled, the first threshold bar shown when the
  // data carry voltage and current, the second when they carry IP, the
  // decay chart box enabled by the IP windows.
  void AfterRead(bool thresholdControls);
  // Left edge at the right edge of `mainWindow`, same top and height, as
  // wide as the screen leaves.
  void PlaceBeside(const QWidget& mainWindow);
  // The thresholds as the dataset holds them (after the settings load).
  void ShowThresholds();
  // Altitude points pasted over the electrodes, drawn as a second series.
  void SetPastedPoints(const std::vector<ReliefPoint>& points);
  // The electrode grid and the relief drawn again from the dataset, the
  // working altitudes kept (after an electrode edit).
  void RefreshElectrodes();
  // The bar of the electrode commands, above the electrode grid.
  void AddElectrodeTools(QWidget* bar);
  // The page of the "Multinodes" tab, filled by the electrode commands.
  QWidget* MultinodesPage() const { return multinodesPage_; }

  // What the copy commands take from the main window: its options (the VES
  // curve is read from the grid the configuration view builds with them)
  // and the operator. Without them the defaults and message boxes serve.
  void SetMainContext(const ShellState* shell, std::function<Messenger&()> messenger);
  // A model was read by a command of its own: the "INV results" tab and
  // the model copy follow it.
  void ModelRead();

  // The clipboard commands of the "Electrodes" and "Spacings" tabs.
  void CopyElectrodeTableClick();  // x and altitude of every electrode
  void CopyVESExecute();           // the sounding at the selected electrodes
  void bTimeCopyClick();           // the model under the selected electrodes
  void CopySpacingClick();         // the points of the selected level, or the level list

  int SelectedDataIndex() const { return selectedIndex_; }
  TInvResultsPage* InvResults() const { return invPage_; }
  QToolButton* CopyElectrodeTable() const { return copyElectrodeTable_; }
  QToolButton* CopyVES() const { return copyVES_; }
  QToolButton* bTimeCopy() const { return timeCopy_; }
  QToolButton* CopySpacing() const { return copySpacing_; }
  DataTableModel& DataModel() { return *dataModel_; }
  ElectrodeTableModel& ElectrodeModel() { return *electrodeModel_; }
  QTabWidget* PageControl() const { return pages_; }
  QTableView* StringGrid() const { return dataGrid_; }
  QTableView* Table2Grid() const { return electrodeGrid_; }
  QCustomPlot* Chart1() const { return chart_; }
  QListWidget* CheckListBoxSp() const { return spacings_; }
  QSpinBox* ErrE() const { return errE_; }
  QLineEdit* MinEdit() const { return minEdit_; }
  QLineEdit* Min_I_Edit() const { return minIEdit_; }
  QLineEdit* Min_IPEdit() const { return minIPEdit_; }
  QLineEdit* Max_IPEdit() const { return maxIPEdit_; }
  QLineEdit* MaxDecayMisfitEdit() const { return maxDecayMisfitEdit_; }
  QCheckBox* DecayBox() const { return decayBox_; }
  QWidget* FirstThresholdBar() const { return firstBar_; }
  QWidget* ReciprocalBar() const { return reciprocalBar_; }
  QLineEdit* MaxReciprocalEdit() const { return maxReciprocalEdit_; }
  TReciprocalForm* ReciprocalForm() const { return reciprocalForm_; }

signals:
  void Closed();                        // the operator closed the window
  void DataPointSelected(int index);    // a data row was selected
  void ElectrodeSelected(int n);        // an electrode row was picked
  void DecayChartToggled(bool on);
  void DeleteQuadripoleRequested();     // Delete in the data grid
  void DeleteElectrodesRequested();     // Delete in the electrode grid

protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void BadCountChanged() override;
  void PointChanged(int point) override;

  void BuildDataPage();
  void BuildElectrodePage();
  // Width that shows the header and the values of data-grid column `column`.
  int ContentWidth(int column) const;
  void ErrEChange(int value);
  void ThresholdEditChange(QLineEdit* edit, ThresholdEdit field);
  void DrawRelief();
  void FillSpacings();
  void SpacingItemChanged(QListWidgetItem* item);
  void SetElectrodeEditing(bool on);
  void UpdateModelControls();
  double SelectedElectrodeLocation(bool& any) const;
  Messenger& Operator();

  TDataset& ds_;
  DataTableModel* dataModel_ = nullptr;
  ElectrodeTableModel* electrodeModel_ = nullptr;
  QTabWidget* pages_ = nullptr;
  QTableView* dataGrid_ = nullptr;
  QTableView* electrodeGrid_ = nullptr;
  QCustomPlot* chart_ = nullptr;
  QListWidget* spacings_ = nullptr;
  QWidget* multinodesPage_ = nullptr;
  QVBoxLayout* electrodeColumn_ = nullptr;
  QWidget* firstBar_ = nullptr;   // "Max. q (%)", "Min. dU ", "Min. I ": data with voltage and current
  QWidget* secondBar_ = nullptr;  // "Min. IP ", "Max. IP ", "Decay chart": data with IP
  QSpinBox* errE_ = nullptr;
  QLineEdit* minEdit_ = nullptr;
  QLineEdit* minIEdit_ = nullptr;
  QLineEdit* minIPEdit_ = nullptr;
  QLineEdit* maxIPEdit_ = nullptr;
  QLineEdit* maxDecayMisfitEdit_ = nullptr;  // "Max decay misfit": IP data with windows
  QCheckBox* decayBox_ = nullptr;
  QWidget* reciprocalBar_ = nullptr;  // "Max reciprocal error, %" and the chart: data with reciprocal pairs
  QLineEdit* maxReciprocalEdit_ = nullptr;
  TReciprocalForm* reciprocalForm_ = nullptr;
  int selectedIndex_ = 0;
  bool filling_ = false;

  QToolButton* copyElectrodeTable_ = nullptr;
  QToolButton* copyVES_ = nullptr;
  QToolButton* timeCopy_ = nullptr;
  QToolButton* copySpacing_ = nullptr;
  TInvResultsPage* invPage_ = nullptr;
  const ShellState* shell_ = nullptr;
  std::function<Messenger&()> messenger_;
  std::unique_ptr<Messenger> boxes_;  // the operator when no main window tells another
};

// Connects the table window to the main window: "Table On/Off" shows and
// hides it, every read refills, places and shows it, a set selection and an
// X shift refill its grids, and closing it unchecks the command.
void AttachTableWindow(TMain& main, TTableForm& table);

}  // namespace tarvo::gui
