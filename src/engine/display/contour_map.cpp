#include "engine/display/contour_map.h"

#include <algorithm>
#include <cmath>

#include "engine/core/numbers.h"

namespace tarvo {

namespace {

// Rounds to the nearest integer, halves to the even one, as nearbyint does in
// the default rounding mode, without a library call: adding and removing
// 1.5 * 2^52 leaves no bits below the units. Valid for |x| < 2^51, which
// pixel columns and crossings are far within. (Strict floating-point
// semantics keep the compiler from folding the two steps away.)
inline int RoundToPixel(double x) {
  constexpr double Shift = 6755399441055744.0;  // 1.5 * 2^52
  return static_cast<int>((x + Shift) - Shift);
}

}  // namespace

int AxisMapping::Pixel(double coordinate) const {
  const double offset = Logarithmic ? std::log(coordinate / First) : coordinate - First;
  double p = offset * Scale + Edge;
  if (std::isnan(p)) p = PixelClamp;  // the logarithm of a spacing that is not positive
  return RoundToPixel(std::clamp(p, -PixelClamp, PixelClamp));
}

namespace {

// Column where the straight line from (x0, v0) to (x1, v1) crosses `bound`.
int Crossing(int x0, float v0, int x1, float v1, float bound) {
  const double fraction = (static_cast<double>(bound) - v0) * (x1 - x0) / (static_cast<double>(v1) - v0);
  return x0 + RoundToPixel(fraction);
}

void Emit(std::vector<MapSpan>& out, int row, int& from, int to, int colorClass) {
  if (to > from) out.push_back(MapSpan{row, from, to, colorClass});
  from = std::max(from, to);
}

int ClassOf(float v, const float* bounds, int n) {
  // The smallest class whose bound is not below the value.
  if (std::isnan(v)) return n + 1;
  const float* first = bounds + 1;
  return static_cast<int>(std::lower_bound(first, first + n, v) - first) + 1;
}

}  // namespace

void FillBand(int upperRow, int lowerRow, std::span<const BandSample> samples, const float* bounds, int boundCount,
              std::vector<MapSpan>& out) {
  const int h = lowerRow - upperRow;
  if (h <= 0 || samples.empty()) return;
  const int n = boundCount;
  for (int r = 0; r < h; ++r) {
    const int y = upperRow + r;
    const float t = static_cast<float>(r) / static_cast<float>(h);
    const auto value = [&](const BandSample& s) { return s.Upper + (s.Lower - s.Upper) * t; };
    int x = samples[0].Column;
    float previous = value(samples[0]);
    int c = ClassOf(previous, bounds, n);
    int previousColumn = x;
    for (std::size_t i = 1; i < samples.size(); ++i) {
      const float v = value(samples[i]);
      const int column = samples[i].Column;
      while (c <= n && v > bounds[c]) {
        Emit(out, y, x, Crossing(previousColumn, previous, column, v, bounds[c]), c);
        ++c;
      }
      while (c > 1 && !(v > bounds[c - 1])) {
        --c;
        Emit(out, y, x, Crossing(previousColumn, previous, column, v, bounds[c]), c + 1);
      }
      previous = v;
      previousColumn = column;
    }
    Emit(out, y, x, samples.back().Column + 1, c);
  }
}

void BuildFilledMap(const FilledMapInput& input, const ContourLevels& levels, FilledMap& map) {
  map.Spans.clear();
  const GridView& g = input.grid;
  const int last = input.lastStation > 0 ? std::min(input.lastStation, g.StationCount) : g.StationCount;
  const int first = std::max(input.firstStation, 1);
  if (g.LevelCount < 2 || last - first < 1) return;
  if (static_cast<int>(input.stationColumns.size()) < last ||
      static_cast<int>(input.levelRows.size()) < g.LevelCount) {
    return;
  }

  // The bounds in the units of the samples.
  const int n = levels.Count;
  map.Bounds = levels.Bounds;
  if (input.logarithmic) {
    for (int k = 1; k <= n; ++k) {
      float& b = map.Bounds[static_cast<std::size_t>(k)];
      if (b < input.logBoundLimit) b = b > 0 ? std::log(b) : -HUGE_VALF;
    }
  }
  const float* bounds = map.Bounds.data();

  // The cell of one level as a sample value; false when it takes no part in a band.
  const auto cell = [&](int s, int l, float& out) {
    const float v = g.At(s, l);
    if (IsEmptyCell(v)) return false;
    if (input.logarithmic) {
      if (!(v > 0)) return false;
      out = std::log(v);
    } else {
      out = v;
    }
    return true;
  };
  const std::size_t stations = static_cast<std::size_t>(last) + 1;
  map.UpperValues.resize(stations);
  map.LowerValues.resize(stations);
  constexpr float Absent = -HUGE_VALF;  // no usable value (never a sample)
  for (int s = first; s <= last; ++s) {
    float v = 0;
    map.UpperValues[static_cast<std::size_t>(s)] = cell(s, 1, v) ? v : Absent;
  }

  for (int k = 2; k <= g.LevelCount; ++k) {
    for (int s = first; s <= last; ++s) {
      float v = 0;
      map.LowerValues[static_cast<std::size_t>(s)] = cell(s, k, v) ? v : Absent;
    }
    const int upperRow = input.levelRows[static_cast<std::size_t>(k - 2)];
    int lowerRow = input.levelRows[static_cast<std::size_t>(k - 1)];
    if (k == g.LevelCount) ++lowerRow;
    if (lowerRow > upperRow) {
      int s = first;
      while (s <= last) {
        const auto usable = [&](int at) {
          return map.UpperValues[static_cast<std::size_t>(at)] != Absent &&
                 map.LowerValues[static_cast<std::size_t>(at)] != Absent;
        };
        if (!usable(s)) {
          ++s;
          continue;
        }
        int end = s;
        while (end + 1 <= last && usable(end + 1)) ++end;
        if (end > s) {
          map.Samples.clear();
          for (int i = s; i <= end; ++i) {
            const int column = input.stationColumns[static_cast<std::size_t>(i - 1)];
            if (i > s && i < end && column == map.Samples.back().Column) continue;
            map.Samples.push_back(BandSample{column, map.UpperValues[static_cast<std::size_t>(i)],
                                             map.LowerValues[static_cast<std::size_t>(i)]});
          }
          FillBand(upperRow, lowerRow, map.Samples, bounds, n, map.Spans);
        }
        s = end + 1;
      }
    }
    std::swap(map.UpperValues, map.LowerValues);
  }
}

void AxisTicks(ContourLevels& ticks, float lo, float hi, int count, bool logarithmic, float zeroBelow) {
  const bool made = logarithmic ? LogLevels(ticks, TickLevelsPerDecade, count, lo, hi)
                                : LinearLevels(ticks, count, lo, hi);
  if (!made) {
    ticks.Count = 0;
    return;
  }
  for (int k = 1; k <= ticks.Count; ++k) {
    float& t = ticks.Bounds[static_cast<std::size_t>(k)];
    if (std::fabs(t) < zeroBelow) t = 0;
  }
}

std::string MapLabel(double value) { return FormatValue(value, MapLabelExtraDigits); }

}  // namespace tarvo
