#include "engine/display/pseudo_panel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "engine/core/electrode_altitude.h"
#include "engine/core/numbers.h"

namespace tarvo {

namespace {

constexpr int MaxDepthTicks = 15;
// Numbers of the "Save data" table.
constexpr int TableExtraDigits = 2;
// Tick values of the station axis this close to zero are zero.
constexpr float StationTickZero = 0.005f;

}  // namespace

MapScale ScaleOfType(int scaleType) {
  switch (scaleType) {
    case ScaleTypeSymmetric: return MapScale::Symmetric;
    case ScaleTypeLinear: return MapScale::Linear;
    default: return MapScale::Logarithmic;
  }
}

void SetData(PseudoPanel& panel, std::unique_ptr<ValueGrid> values, std::unique_ptr<ValueGrid> raw, int owner,
             int scaleType, const GridDescriptor& descriptor) {
  panel.Values = values ? std::move(values) : std::make_unique<ValueGrid>();
  panel.Raw = raw ? std::move(raw) : std::make_unique<ValueGrid>();
  panel.Descriptor = descriptor;
  panel.Descriptor.StationCount = std::clamp(descriptor.StationCount, 0, MaxStations);
  panel.Descriptor.LevelCount = std::clamp(descriptor.LevelCount, 0, MaxLevels);
  panel.Owner = owner;
  panel.Scale = ScaleOfType(scaleType);
  const GridDescriptor& d = panel.Descriptor;
  if (d.LevelCount >= 1 && d.StationCount >= 1) {
    panel.AutoRange = AutoRangePseudosection(panel.ValueView(), panel.Scale);
    panel.UsedRange = panel.AutoRange;
    panel.HFirst = d.Stations[1];
    panel.HLast = d.Stations[d.StationCount];
    panel.VFirst = d.Spacing[1];
    panel.VLast = d.Spacing[d.LevelCount];
  }
}

bool PanelDrawable(const PseudoPanel& panel) {
  return panel.Values && panel.Raw && panel.Descriptor.StationCount >= 2 && panel.Descriptor.LevelCount >= 2;
}

std::string PanelTitle(const PseudoPanel& panel, const SectionOptions& o) {
  if (panel.Scale == MapScale::Symmetric) return panel.Title;
  std::string title;
  if (o.Titles) title = o.Title;
  if (o.FileNames && !panel.Title.empty()) title += (title.empty() ? "(" : " (") + panel.Title + ")";
  return title;
}

PanelLayout LayOutPanel(const PseudoPanel& panel, int width, int height, const PanelMetrics& m,
                        const SectionOptions& o, int colorCount) {
  PanelLayout l;
  if (!PanelDrawable(panel) || width < MinPanelSide || height < MinPanelSide) return l;
  l.drawn = true;
  l.h = (m.textHeight - 1) / 2;
  l.w = m.sixZerosWidth;
  const int h = l.h;
  const int w = l.w;
  int left = h - 1;
  int right = width - h;
  int top = h;
  int bottom = height - h;
  if (o.LeftAxis && w < right - 50 - left) left += w;
  l.scaleShown = o.ColorScale && 2 * w < right - 50 - left;
  if (l.scaleShown) right -= 2 * w;
  l.rightLabels = o.RightAxis && w < right - 50 - left;
  if (l.rightLabels) right -= w;
  l.titleLine = o.Titles || o.FileNames;
  if (l.titleLine) top = 2 * h + 1;
  // Captions of markup text raise their Greek letters above the line: half
  // a line more keeps them within the picture.
  if (o.Titles) top += m.textHeight / 2;
  l.bottomAxis = o.BottomAxis && 2 * h < bottom - top - 50;
  if (l.bottomAxis) bottom -= h + h / 2 + 1;
  l.left = left;
  l.top = top;
  l.right = right;
  l.bottom = bottom;
  l.title = PanelTitle(panel, o);

  const bool posting = panel.Mode != PanelMode::Map;
  float first = panel.HFirst;
  float last = panel.HLast;
  const double hSpan = last != first ? static_cast<double>(last) - first : 1.0;
  // Posting widens the range on the right by the width of "000".
  const double hPixels = std::max(right - left - 1 - (posting ? m.threeZerosWidth : 0), 1);
  double hScale = hPixels / hSpan;
  l.hLow = std::min(first, last);
  l.hHigh = std::max(first, last);
  if (o.Reverse) {
    std::swap(first, last);
    hScale = -hScale;
  }
  l.across = AxisMapping{first, hScale, left, false};

  const float shallow = panel.VFirst;
  const float deep = panel.VLast;
  const bool logDepth = panel.LogDepth && shallow > 0 && deep > 0 && deep != shallow;
  const double depthSpan = logDepth ? std::log(static_cast<double>(deep) / shallow)
                                    : (deep != shallow ? static_cast<double>(deep) - shallow : 1.0);
  const int vWiden = posting && !logDepth ? m.textHeight - 2 : 0;
  const double vPixels = std::max(bottom - top - 1 - vWiden, 1);
  l.down = AxisMapping{shallow, vPixels / depthSpan, top, logDepth};

  const int depthCount = std::min((bottom - top - 1) / std::max(2 * h, 1) + 1, MaxDepthTicks);
  AxisTicks(l.depthTicks, shallow, deep, depthCount, logDepth, 0);
  AxisTicks(l.stationTicks, l.hLow, l.hHigh, (right - left - 1) / std::max(w, 1) + 1, false, StationTickZero);
  if (!MapLevels(l.levels, panel.Scale, colorCount, panel.UsedRange)) l.levels.Count = 0;
  return l;
}

ColorScaleLayout LayOutColorScale(const ContourLevels& levels, MapScale scale, int plotTop, int plotBottom,
                                  int textHeight) {
  ColorScaleLayout s;
  const int n = std::max(levels.Count, 0);
  const int top = plotTop;
  const int bottom = plotBottom;
  const double box = static_cast<double>(bottom - top + 1) / (n + 1);
  s.edges.resize(static_cast<std::size_t>(n) + 2);
  for (int k = 0; k <= n + 1; ++k) s.edges[static_cast<std::size_t>(k)] = static_cast<int>(std::lround(bottom - k * box));
  s.edgeLabels = box >= MinLabelledBox;
  if (s.edgeLabels) {
    int previous = -1000000;
    for (int k = n; k >= 1; --k) {
      const int y = s.edges[static_cast<std::size_t>(k)];
      if (y - previous < textHeight - 1) continue;
      s.labels.push_back({y, levels.Bound(k)});
      previous = y;
    }
    return s;
  }
  if (n < 2) return s;
  const bool logarithmic = scale == MapScale::Logarithmic;
  const double lo = levels.Bound(1);
  const double hi = levels.Bound(n);
  const int lines = std::max((bottom - top) / std::max(textHeight, 1), 2);
  ContourLevels roundLabels;
  const bool made = logarithmic ? LogLevels(roundLabels, MapLevelsPerDecade, lines, static_cast<float>(lo), static_cast<float>(hi))
                                : SymmetricLevels(roundLabels, lines, static_cast<float>(lo), static_cast<float>(hi));
  if (!made || !(hi > lo)) return s;
  const double yLo = bottom - box;      // the edge above class 1
  const double yHi = bottom - n * box;  // the edge above class n
  for (int k = 1; k <= roundLabels.Count; ++k) {
    const double v = roundLabels.Bound(k);
    if (v < lo || v > hi) continue;
    if (logarithmic && !(v > 1e-5)) continue;
    const double f = logarithmic ? std::log(v / lo) / std::log(hi / lo) : (v - lo) / (hi - lo);
    s.labels.push_back({static_cast<int>(std::lround(yLo + (yHi - yLo) * f)), static_cast<float>(v)});
  }
  return s;
}

std::string PostedValueText(float value, PostDigits digits) {
  if (digits == PostDigits::Auto) return FormatValue(value, MapLabelExtraDigits);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1e", static_cast<double>(value));
  double rounded = std::strtod(buf, nullptr);
  if (digits == PostDigits::One) {
    // The mantissa of the two-digit form, to one digit.
    std::string text(buf);
    const std::size_t e = text.find_first_of("eE");
    const int exponent = e != std::string::npos ? std::atoi(text.c_str() + e + 1) : 0;
    if (e != std::string::npos) text.resize(e);
    const double mantissa = std::strtod(text.c_str(), nullptr);
    rounded = std::nearbyint(mantissa) * std::pow(10.0, exponent);
  }
  return FormatValue(rounded, MapLabelExtraDigits);
}

std::vector<PostedValue> PostedValues(const PseudoPanel& panel, const PanelLayout& layout) {
  std::vector<PostedValue> out;
  if (!layout.drawn) return out;
  const GridDescriptor& d = panel.Descriptor;
  for (int s = 1; s <= d.StationCount; ++s) {
    const int x = layout.across.Pixel(d.Stations[s]);
    for (int k = 1; k <= d.LevelCount; ++k) {
      const float v = (*panel.Raw)(s, k);
      if (IsEmptyCell(v)) continue;
      out.push_back({x, layout.down.Pixel(d.Spacing[k]), PostedValueText(v, panel.Digits)});
    }
  }
  return out;
}

double LineAltitudeAt(const TDataset& ds, double x) {
  const int n = std::clamp(ds.ElectrodePosCount, 0, MaxElectrodePositions);
  if (n == 0) return 0;
  if (n == 1 || x <= ds.ElectrodePos[1]) return ShownAltitude(ds, 1);
  for (int e = 2; e <= n; ++e) {
    if (x <= ds.ElectrodePos[e]) {
      const double x0 = ds.ElectrodePos[e - 1];
      const double x1 = ds.ElectrodePos[e];
      const double z0 = ShownAltitude(ds, e - 1);
      const double z1 = ShownAltitude(ds, e);
      return x1 > x0 ? z0 + (z1 - z0) * (x - x0) / (x1 - x0) : z1;
    }
  }
  return ShownAltitude(ds, n);
}

std::string PanelDataTable(const PseudoPanel& panel, const TDataset& ds) {
  const bool logarithmic = panel.Scale == MapScale::Logarithmic;
  std::vector<std::string> lines;
  lines.push_back(logarithmic ? "X\tPs.Z\tAlti\tP\tLog(P)" : "X\tPs.Z\tAlti\tP");
  if (!panel.Values || !panel.Raw) return JoinCrLf(lines);
  const ValueGrid& grid = panel.Scale == MapScale::Symmetric ? *panel.Values : *panel.Raw;
  const GridDescriptor& d = panel.Descriptor;
  const auto num = [](double v) { return FormatValue(v, TableExtraDigits); };
  for (int s = 1; s <= d.StationCount; ++s) {
    const double x = d.Stations[s];
    const double altitude = LineAltitudeAt(ds, x);
    for (int k = 1; k <= d.LevelCount; ++k) {
      const float v = grid(s, k);
      if (IsEmptyCell(v)) continue;
      std::string line = num(x) + "\t" + num(d.Spacing[k]) + "\t" + num(altitude - d.Spacing[k]) + "\t" + num(v);
      // The logarithm of a value that is not positive is not a number; the
      // column then stays empty rather than carrying a made-up figure.
      if (logarithmic) line += "\t" + (v > 0 ? num(Log10(v)) : std::string());
      lines.push_back(std::move(line));
    }
  }
  return JoinCrLf(lines);
}

FileReadResult SavePanelData(const PseudoPanel& panel, const TDataset& ds, const std::string& path) {
  return WriteFileWhole(path, PanelDataTable(panel, ds));
}

}  // namespace tarvo
