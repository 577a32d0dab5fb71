#pragma once

#include <QDialog>

#include <array>
#include <functional>
#include <vector>

#include "engine/core/dataset.h"
#include "engine/display/display_state.h"
#include "engine/filters/filter_set.h"
#include "engine/filters/median_filter.h"
#include "engine/filters/median_ip.h"

class QAction;
class QButtonGroup;
class QLabel;
class QPushButton;
class QSlider;
class QSplitter;
class QTabWidget;
class QToolBar;
class QVBoxLayout;

namespace tarvo::gui {

class TMain;
class TPseudoMForm;
class TSectionOptionDlg;

// Where the "P&C effects" and "Smoothed P&C" charts get their curves: one
// per component, and whether they are the smoothed ones. The chart window
// is the charts' own; until one is attached the curves go nowhere.
using EffectsChartHandOver = std::function<void(const std::vector<EffectSeries>& curves, bool smoothed)>;

// "Median": the resistivity of one set taken apart into the 1D part, the
// electrode effects and the residual, each smoothed, and the data put
// together again. The arithmetic is the engine's MedianFilter; the window
// shows its parts in six panels and passes on the operator's choices and
// segment breaks.
class TmedianXform : public QDialog {
  Q_OBJECT

public:
  TmedianXform(TDataset& ds, DisplayState& display, MedianSettings& settings, QWidget* parent = nullptr);
  ~TmedianXform() override;

  // The main window's "Filtering" in resistivity mode: nothing without
  // measured data or a set to filter; else the run is started and the
  // window shown maximised and modal.
  void RunResistivityFilter(const GridSettings& grid);
  // The start without showing the window (the run as the window begins it).
  bool Prepare(const GridSettings& grid);

  void SetSectionOptions(TSectionOptionDlg* dialog) { options_ = dialog; }
  void SetEffectsChart(EffectsChartHandOver handOver) { chart_ = std::move(handOver); }
  // After "Replace original data by smoothed ": the views redraw.
  void SetDataChanged(std::function<void()> changed) { dataChanged_ = std::move(changed); }

  // The buttons and actions.
  void GoClick();            // "Go"
  void FindEffectsClick();   // "Find P&&C again"
  void GraphClick();         // "P&C effects"
  void SmoothClick();        // "Smooth"
  void New1DClick();         // "New 1D"
  void SaveClick();          // "Replace original data by smoothed "
  void OptionClick();        // "&Options"
  void PanelClicked(int tag, int station);

  const MedianFilter& Filter() const { return filter_; }
  // Panels 1..6 (null until made); panels 1-3 sit in the left pane
  // ("Panel"), 4 and up in the right one ("Panel1"), where the effect charts
  // dock under them.
  TPseudoMForm* Panel(int number) const;
  QWidget* LeftPane() const { return left_; }
  QWidget* RightPane() const { return right_; }
  QAction* PanelAction(int number) const;
  QPushButton* Button(const char* name) const;
  QTabWidget* Pages() const { return pages_; }

protected:
  void closeEvent(QCloseEvent* event) override;

private:
  void BuildControls();
  void SettingsToControls();
  void UpdateLabels();
  // Every panel from the filter's parts; the smoothed ones alone after a
  // smoothing, which changes nothing else.
  void ShowParts();
  void ShowSmoothed();
  void ShowBreaks();
  void UnifyRanges();
  void HandEffectsToChart(bool effects, bool smoothed);
  void AddPanel(int number, const QString& title);
  TPseudoMForm* MakePanel(int number);
  void ShowGrid(int number, const FilterGrid& grid, bool logarithmic);

  TDataset& ds_;
  DisplayState& display_;
  MedianSettings& settings_;
  GridSettings grid_;
  double unitSpacing_ = 1;
  FilterSetGrid set_;
  MedianFilter filter_;
  TSectionOptionDlg* options_ = nullptr;
  EffectsChartHandOver chart_;
  // The smoothed curves the chart shows: a smoothing that leaves them as
  // they are (a residual window changed) does not draw the chart again.
  std::vector<EffectSeries> chartSmoothed_;
  std::function<void()> dataChanged_;
  bool filling_ = false;

  QToolBar* toolBar_ = nullptr;
  QSplitter* splitter_ = nullptr;
  QWidget* left_ = nullptr;           // Panel
  QWidget* right_ = nullptr;          // Panel1
  QVBoxLayout* leftPane_ = nullptr;
  QVBoxLayout* rightPane_ = nullptr;
  std::array<TPseudoMForm*, 6> panels_{};
  std::array<QAction*, 6> panelActions_{};
  QAction* actionGraph_ = nullptr;
  QAction* actionGraphS_ = nullptr;
  QAction* actionPeff_ = nullptr;
  QTabWidget* pages_ = nullptr;
  QTabWidget* smoothingPages_ = nullptr;
  QWidget* cPage_ = nullptr;
  QWidget* pPage_ = nullptr;
  QButtonGroup* radioGroupAvr_ = nullptr;
  QButtonGroup* methodGroupC_ = nullptr;
  QButtonGroup* methodGroupP_ = nullptr;
  QButtonGroup* methodGroupR_ = nullptr;
  QButtonGroup* areaGroupR_ = nullptr;
  QSlider* trackBarAvr_ = nullptr;
  QSlider* trackBarC_ = nullptr;
  QSlider* trackBarP_ = nullptr;
  QSlider* trackBarX_ = nullptr;
  QSlider* trackBarY_ = nullptr;
  QLabel* labelAvr_ = nullptr;
  QLabel* labelWC_ = nullptr;
  QLabel* labelWP_ = nullptr;
  QLabel* labelRw_ = nullptr;
  QPushButton* go_ = nullptr;
  QPushButton* findAgain_ = nullptr;
  QPushButton* smooth_ = nullptr;
  QPushButton* go1D_ = nullptr;
  QPushButton* save_ = nullptr;
};

// "Median filtering for IP data": the chargeability of one set smoothed by
// a moving median or mean, with what was removed.
class TmedianIPform : public QDialog {
  Q_OBJECT

public:
  TmedianIPform(TDataset& ds, DisplayState& display, MedianIPSettings& settings, QWidget* parent = nullptr);
  ~TmedianIPform() override;

  void RunIPFilter(const GridSettings& grid);
  bool Prepare(const GridSettings& grid);
  void SetSectionOptions(TSectionOptionDlg* dialog) { options_ = dialog; }
  void SetDataChanged(std::function<void()> changed) { dataChanged_ = std::move(changed); }

  void SmoothClick();  // "Smooth"
  void SaveClick();    // "Replace original data"
  void OptionClick();  // "&Options"

  TPseudoMForm* Panel(int number) const;
  QAction* PanelAction(int number) const;
  QPushButton* Button(const char* name) const;
  const IPFilterParts& Parts() const { return parts_; }

protected:
  void closeEvent(QCloseEvent* event) override;

private:
  void UpdateLabel();
  void ShowGrid(int number, const FilterGrid& grid, const FilterGrid* raw);

  TDataset& ds_;
  DisplayState& display_;
  MedianIPSettings& settings_;
  GridSettings grid_;
  double unitSpacing_ = 1;
  FilterSetGrid set_;
  IPFilterParts parts_;
  bool smoothedOnce_ = false;
  TSectionOptionDlg* options_ = nullptr;
  std::function<void()> dataChanged_;

  QVBoxLayout* pane_ = nullptr;
  std::array<TPseudoMForm*, 3> panels_{};
  std::array<QAction*, 3> panelActions_{};
  QButtonGroup* methodGroupR_ = nullptr;
  QButtonGroup* areaGroupR_ = nullptr;
  QSlider* trackBarX_ = nullptr;
  QSlider* trackBarY_ = nullptr;
  QLabel* labelRw_ = nullptr;
  QPushButton* smooth_ = nullptr;
  QPushButton* save_ = nullptr;
};

// The main window's "Filtering" (aMedian) opens one or the other by the
// Res/IP switch.
void AttachMedianFilters(TMain& main, TmedianXform& resistivity, TmedianIPform& chargeability);

// "P&C effects" and its smoothed twin: the effect curves of the median
// window, docked under its left and right panels and owned by them.
void AttachEffectsCharts(TmedianXform& median);

}  // namespace tarvo::gui
