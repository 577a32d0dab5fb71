#include "engine/editing/ip_decay_chart.h"

#include <algorithm>

#include "engine/core/numbers.h"
#include "engine/editing/clipboard_tables.h"
#include "engine/editing/data_table.h"

namespace tarvo {

namespace {
constexpr int ListDigits = 1;
constexpr std::size_t MaxCopyChars = 32000;
constexpr std::size_t MaxCopyLine = 255;

std::string WindowItem(int i, double time) { return "M" + std::to_string(i) + ", " + FormatValue(time, ListDigits); }
}  // namespace

TAxisRange DecayAxisRange(const std::vector<TDecayCurvePoint>& curve) {
  if (curve.empty()) return {0, 1};
  double lo = curve.front().M, hi = curve.front().M;
  for (const TDecayCurvePoint& p : curve) {
    lo = std::min(lo, p.M);
    hi = std::max(hi, p.M);
  }
  TAxisRange r{lo, hi + (hi - lo) * 0.1};
  if (r.Min > 0) r.Min = 0;
  if (!(r.Max > r.Min)) r.Max = r.Min + 1;
  return r;
}

std::vector<std::string> WindowStartItems(const TIPWindows& windows, int count) {
  std::vector<std::string> items;
  for (int i = 1; i <= std::min(count, MaxIPWindows); ++i) items.push_back(WindowItem(i, windows.Start(i)));
  return items;
}

std::vector<std::string> WindowEndItems(const TIPWindows& windows, int count) {
  std::vector<std::string> items;
  for (int i = 1; i <= std::min(count, MaxIPWindows); ++i) items.push_back(WindowItem(i, windows.End(i)));
  return items;
}

void TDecayChartModel::ShowDecay(TDataset& ds, int k, int first, int last) {
  if (k != 0) {
    if (k < 1 || k > ds.PointCount) return;
    point_ = k;
    working_ = ds.Points[k].M;
    initial_ = working_;
    modified_ = false;
  }
  windows_ = IPWindowsInUse(ds);
  const int count = std::clamp(ds.IPWindowCount, 0, MaxIPWindows);
  curve_.clear();
  for (int i = 1; i <= count; ++i) {
    curve_.push_back({windows_.IPWindowCentres[static_cast<std::size_t>(i)], working_[i], "M" + std::to_string(i)});
  }
  if (k != 0) axis_ = DecayAxisRange(curve_);
  global_ = GlobalChargeability(working_, windows_, first, last);
  if (global_) {
    globalStart_ = windows_.Start(first);
    globalEnd_ = windows_.End(last);
  }
  fit_ = FitDecay(working_, windows_, count);
  if (k == 0 && modified_ && point_ >= 1 && point_ <= ds.PointCount) {
    StoreDecayValues(ds, point_, working_, first, last);
    ds.Notify([p = point_](DatasetObserver& o) { o.PointChanged(p); });
  }
}

void TDecayChartModel::SetWorkingValue(int window, double value) {
  if (window < 1 || window > MaxIPWindows || point_ == 0) return;
  working_[window] = static_cast<float>(value);
  modified_ = true;
}

void TDecayChartModel::UnDo(TDataset& ds, int first, int last) {
  if (!modified_) return;
  working_ = initial_;
  ShowDecay(ds, 0, first, last);
  modified_ = false;
}

std::string DecayCopyText(const TDataset& ds, int point, const std::vector<TDecayCurvePoint>& curve) {
  if (point < 1 || point > ds.PointCount) return {};
  std::string text;
  const auto add = [&text](std::string line) {
    if (line.size() > MaxCopyLine) line.resize(MaxCopyLine);
    line += "\r\n";
    if (text.size() + line.size() > MaxCopyChars) return false;
    text += line;
    return true;
  };
  const std::vector<DataColumn> columns = DataColumns(ds);
  std::string header, row;
  const int rowNumber = point - ShownRows(ds).first + 1;
  for (const DataColumn c : columns) {
    header += "\t" + std::string(DataColumnHeader(c));
    row += "\t" + DataCellText(ds, point, c, rowNumber);
  }
  if (!add(header) || !add(row)) return text;
  for (const TDecayCurvePoint& p : curve) {
    if (!add(FormatValue(p.T, ClipboardExtraDigits) + "\t" + FormatValue(p.M, ClipboardExtraDigits))) break;
  }
  return text;
}

}  // namespace tarvo
