#pragma once

#include <QWidget>

#include <functional>

#include "engine/core/dataset.h"
#include "engine/editing/ip_decay_chart.h"

class QCheckBox;
class QComboBox;
class QCustomPlot;
class QLabel;
class QPushButton;
class QToolButton;

namespace tarvo::gui {

class TIPform;
class TMain;
class TTableForm;

// "IP decay curve": the IP windows of one data point against their times
// with the fitted power law, the global chargeability over a range of
// windows, and the windows edited by dragging them. The times are the
// file's own where the data carry them, otherwise the schedule of the IP
// parameters window; the window says which.
class TIPchartForm : public QWidget, private DatasetObserver {
  Q_OBJECT
public:
  TIPchartForm(TDataset& ds, TIPform& ipForm, QWidget* parent = nullptr);
  ~TIPchartForm() override;

  // ShowDecay(k): point k (k != 0), or the current point redrawn from the
  // working values, which are stored in it when they were edited (k = 0).
  void ShowDecay(int k);
  // Refills the window range lists from the times in use (first window in
  // "From", last in "To").
  void FillWindowLists();
  // New data were read: the chart forgets its point and shows nothing.
  void ResetDecay();
  // "Recalculate global chargeabilty": IP of every point from its windows
  // over the range; then `AfterRecompute` (the views and the table) runs.
  void SpeedButton1Click();
  void bUnDoClick();
  void CopyClick();  // the data row and the curve as text

  // Where the table's selected data index comes from, and what follows a
  // recomputation of every IP.
  void SetSelectedIndex(std::function<int()> selected) { selected_ = std::move(selected); }
  void SetAfterRecompute(std::function<void()> after) { afterRecompute_ = std::move(after); }

  const TDecayChartModel& Model() const { return model_; }
  QCustomPlot* Chart() const { return chart_; }
  QPushButton* bUnDo() const { return undo_; }
  QComboBox* ComboBoxFrom() const { return from_; }
  QComboBox* ComboBoxTo() const { return to_; }
  QToolButton* SpeedButton1() const { return recalc_; }
  QCheckBox* LogBox() const { return log_; }
  QCheckBox* LabelsBox() const { return labels_; }
  QLabel* SourceLabel() const { return source_; }
  QLabel* FitLabel() const { return fitLabel_; }
  int FromWindow() const;  // 1-based
  int ToWindow() const;

  // The mouse on the chart, in widget pixels: a press picks the window
  // nearest in time; moves with the button held drag its value.
  void ChartMouseDown(QPointF pos);
  void ChartMouseMove(QPointF pos, bool leftButton);
  void ChartMouseUp();

signals:
  void Closed();

protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void Redraw();
  void ApplyLog();
  int SelectedIndex() const { return selected_ ? selected_() : model_.CurrentPoint(); }

  TDataset& ds_;
  TIPform& ipForm_;
  TDecayChartModel model_;
  QCustomPlot* chart_ = nullptr;
  QPushButton* undo_ = nullptr;
  QComboBox* from_ = nullptr;
  QComboBox* to_ = nullptr;
  QToolButton* recalc_ = nullptr;
  QCheckBox* log_ = nullptr;
  QCheckBox* labels_ = nullptr;
  QLabel* source_ = nullptr;
  QLabel* fitLabel_ = nullptr;
  int selectedWindow_ = 0;
  bool firstMove_ = false;
  bool dragged_ = false;
  bool filling_ = false;
  std::function<int()> selected_;
  std::function<void()> afterRecompute_;
};

// The table window's "Decay chart" box shows and hides the chart, which
// follows the selected data row; closing the chart unchecks the box. A
// recomputation of IP redraws the configuration window ("Redraw") and
// rewrites the table.
void AttachIPChart(TMain& main, TTableForm& table, TIPchartForm& chart, QWidget* sectionWindow);

}  // namespace tarvo::gui
