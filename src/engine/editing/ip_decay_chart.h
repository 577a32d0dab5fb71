#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/core/dataset.h"
#include "engine/core/ip_decay.h"

// What the IP decay chart shows and edits: the decay of one data point
// against the window times, the chargeability over a range of windows, the
// fitted power law, and the windows the operator drags to new values.
namespace tarvo {

struct TDecayCurvePoint {
  double T = 0;       // centre time of the window (ms)
  double M = 0;       // working value of the window
  std::string Label;  // "M1", "M2", ...
};

struct TAxisRange {
  double Min = 0;
  double Max = 0;
};

// Left axis of a decay: from the smallest value (or 0 when that is above
// 0) to the largest plus a tenth of the spread; a flat decay still gets a
// range of 1 above its minimum.
TAxisRange DecayAxisRange(const std::vector<TDecayCurvePoint>& curve);

// The items of the window range lists: "M<i>, <start>" and "M<i>, <end>"
// of windows 1..count.
std::vector<std::string> WindowStartItems(const TIPWindows& windows, int count);
std::vector<std::string> WindowEndItems(const TIPWindows& windows, int count);

class TDecayChartModel {
public:
  // ShowDecay(k): with k != 0 point k becomes current, its windows the
  // working and the initial values, the modified flag goes off and the left
  // axis is worked out again. With k = 0 the current point is drawn from
  // the working values and, when they were edited, stored in the point (its
  // M, its IP over the window range and its decay fit). `first` and `last`
  // are the window range (1-based).
  void ShowDecay(TDataset& ds, int k, int first, int last);

  // A dragged window: working value `window` becomes `value` and the
  // modified flag goes on. The caller then runs ShowDecay(0).
  void SetWorkingValue(int window, double value);

  // "UnDo": the initial values are stored back in the point (ShowDecay(0)
  // with the flag still on), then the flag goes off.
  void UnDo(TDataset& ds, int first, int last);

  // New data were read: no point is current and nothing is drawn.
  void Reset() { *this = TDecayChartModel{}; }

  int CurrentPoint() const { return point_; }
  bool Modified() const { return modified_; }
  const FixedTable<float, MaxIPWindows>& WorkingValues() const { return working_; }
  const FixedTable<float, MaxIPWindows>& InitialValues() const { return initial_; }

  // After ShowDecay: the curve, the window times it was drawn with, the
  // global chargeability line (start and end time and height; nothing when
  // the range spans no time), the left axis (set by ShowDecay(k != 0) only)
  // and the power law fitted to the working values.
  const std::vector<TDecayCurvePoint>& Curve() const { return curve_; }
  const TIPWindows& Windows() const { return windows_; }
  std::optional<double> Global() const { return global_; }
  double GlobalStart() const { return globalStart_; }
  double GlobalEnd() const { return globalEnd_; }
  const std::optional<TAxisRange>& Axis() const { return axis_; }
  const TDecayFit& Fit() const { return fit_; }

private:
  int point_ = 0;
  FixedTable<float, MaxIPWindows> working_{};
  FixedTable<float, MaxIPWindows> initial_{};
  bool modified_ = false;
  std::vector<TDecayCurvePoint> curve_;
  TIPWindows windows_;
  std::optional<double> global_;
  double globalStart_ = 0;
  double globalEnd_ = 0;
  std::optional<TAxisRange> axis_;
  TDecayFit fit_;
};

// The decay "Copy": the data grid's header row and the row of point
// `point`, every cell preceded by a tab, then one line "<time>\t<value>"
// per curve point. Lines end with CR LF and are cut at 255 characters; the
// text stops before the line that would take it past 32000 characters.
// Empty when no point is selected.
std::string DecayCopyText(const TDataset& ds, int point, const std::vector<TDecayCurvePoint>& curve);

}  // namespace tarvo
