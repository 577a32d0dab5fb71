#include "engine/display/contour_map.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

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
inline int Crossing(int x0, float v0, int x1, float v1, float bound) {
  const double fraction = (static_cast<double>(bound) - v0) * (x1 - x0) / (static_cast<double>(v1) - v0);
  return x0 + RoundToPixel(fraction);
}

inline void Emit(std::vector<MapSpan>& out, int row, int& from, int to, int colorClass) {
  if (to > from) out.push_back(MapSpan{row, from, to, colorClass});
  from = std::max(from, to);
}

int ClassOf(float v, const float* bounds, int n) {
  // The smallest class whose bound is not below the value.
  if (std::isnan(v)) return n + 1;
  const float* first = bounds + 1;
  return static_cast<int>(std::lower_bound(first, first + n, v) - first) + 1;
}

// The row-by-row walk from class to class, for bounds out of order and
// values that are not finite: every sample steps the class up or down
// until the value lies in it.
void StepBand(int upperRow, int h, std::span<const BandSample> samples, const float* bounds, int n,
              std::vector<MapSpan>& out) {
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

}  // namespace

bool ClassTable::Build(const float* bounds, int n) {
  bounds_ = bounds;
  count_ = n;
  search_ = true;
  for (int k = 1; k <= n; ++k) {
    if (std::isnan(bounds[k]) || (k > 1 && bounds[k] < bounds[k - 1])) return false;
  }
  // Bounds of -inf lie below every finite value, bounds of +inf above it.
  int a = 1;
  while (a <= n && bounds[a] == -HUGE_VALF) ++a;
  int b = n;
  while (b >= a && bounds[b] == HUGE_VALF) --b;
  const int base = a;  // the class of a finite value below every finite bound
  if (a > b) {
    // No finite bound: one bucket.
    low_ = 0;
    high_ = 0;
    scale_ = 0;
    bound_.assign(1, HUGE_VALF);
    below_.assign(1, base);
    step_.assign(1, 0);
    distinct_ = true;
    search_ = false;
    return true;
  }
  low_ = bounds[a];
  high_ = std::nextafter(bounds[b], HUGE_VALF);
  // Twice as many buckets as the narrowest gap between bounds asks for,
  // more if rounding still puts two different bounds into one bucket.
  double gap = HUGE_VAL;
  for (int k = a; k < b; ++k) {
    if (bounds[k] < bounds[k + 1]) gap = std::min(gap, static_cast<double>(bounds[k + 1]) - bounds[k]);
  }
  const double width = static_cast<double>(high_) - low_;
  scale_ = gap == HUGE_VAL ? 1.0f : static_cast<float>(2 / gap);
  for (int attempt = 0; attempt < 4; ++attempt, scale_ *= 2) {
    if (!(width * scale_ < MaxEntries - 1)) return true;  // searched
    const View view = Lookup();
    const int last = view.Bucket(high_);
    bool apart = last >= 0 && last < MaxEntries;
    for (int k = a; apart && k < b; ++k) {
      if (bounds[k] < bounds[k + 1]) apart = view.Bucket(bounds[k]) < view.Bucket(bounds[k + 1]);
    }
    if (!apart) continue;
    const auto size = static_cast<std::size_t>(last) + 1;
    bound_.assign(size, HUGE_VALF);
    below_.assign(size, base);
    step_.assign(size, 0);
    int below = base;
    std::size_t bucket = 0;
    for (int k = a; k <= b; ++k) {
      const auto j = static_cast<std::size_t>(view.Bucket(bounds[k]));
      for (; bucket < j; ++bucket) below_[bucket] = below;
      if (bucket == j) {  // the first of equal bounds
        bound_[j] = bounds[k];
        below_[j] = below;
        bucket = j + 1;
      }
      ++step_[j];
      ++below;
    }
    for (; bucket < size; ++bucket) below_[bucket] = below;
    distinct_ = std::all_of(step_.begin(), step_.end(), [](int st) { return st <= 1; });
    search_ = false;
    return true;
  }
  return true;  // searched
}

int ClassTable::SearchedClass(float v) const { return ClassOf(v, bounds_, count_); }

namespace {

// The rows of one run of a band whose values are all finite, for bounds in
// ascending order: each row's values and classes first, then the crossings
// where the class changes between two samples, so that the walk along the
// row has no branch that depends on the data.
// The bucket of a value and its class in it, for the table and for the
// search.
inline int Bucket(const ClassTable::View& table, float v) { return table.Bucket(v); }
inline int Bucket(const ClassTable&, float) { return 0; }
inline int ClassIn(const ClassTable::View& table, float v, int bucket) { return table.Of(v, bucket); }
// Without equal bounds a bucket's bound counts once.
struct DistinctView : ClassTable::View {};
inline int Bucket(const DistinctView& table, float v) { return table.Bucket(v); }
inline int ClassIn(const DistinctView& table, float v, int bucket) {
  const auto i = static_cast<std::size_t>(bucket);
  return table.Below[i] + static_cast<int>(v > table.Bound[i]);
}
inline int ClassIn(const ClassTable& table, float v, int) { return table.Of(v); }

template <class Classes>
void FillOrderedRows(int upperRow, int h, int count, const int* column, FilledMap& w, const Classes table,
                     const float* bounds, std::vector<MapSpan>& out) {
  const float* upper = w.Upper.data();
  const float* delta = w.Delta.data();
  float* v = w.RowValues.data();
  int* classes = w.RowClasses.data();
  int* buckets = w.RowBuckets.data();
  int* changes = w.RowChanges.data();
  for (int r = 0; r < h; ++r) {
    const int y = upperRow + r;
    const float t = static_cast<float>(r) / static_cast<float>(h);
    for (int j = 0; j < count; ++j) {
      const float value = upper[j] + delta[j] * t;
      v[j] = value;
      buckets[j] = Bucket(table, value);
    }
    int previous = ClassIn(table, v[0], buckets[0]);
    classes[0] = previous;
    int changeCount = 0;
    for (int j = 1; j < count; ++j) {
      const int c = ClassIn(table, v[j], buckets[j]);
      classes[j] = c;
      changes[changeCount] = j;
      changeCount += c != previous ? 1 : 0;
      previous = c;
    }
    int x = column[0];
    for (int k = 0; k < changeCount; ++k) {
      const int j = changes[k];
      const int from = classes[j - 1];
      const int to = classes[j];
      const int x0 = column[j - 1];
      const int x1 = column[j];
      const float v0 = v[j - 1];
      const float v1 = v[j];
      // Upward the bounds from, from + 1 .. are crossed, leaving classes
      // from, from + 1 ..; downward the bounds from - 1, from - 2 ..,
      // leaving classes from, from - 1 ..
      const int down = to < from ? 1 : 0;
      const int step = 1 - 2 * down;
      const int steps = (to - from) * step;
      // Neighbouring samples mostly differ by one class.
      Emit(out, y, x, Crossing(x0, v0, x1, v1, bounds[from - down]), from);
      for (int i = 1, c = from + step; i < steps; ++i, c += step) {
        Emit(out, y, x, Crossing(x0, v0, x1, v1, bounds[c - down]), c);
      }
    }
    Emit(out, y, x, column[count - 1] + 1, previous);
  }
}

// The samples are the first `count` of w.Upper and w.Delta, at `columns`.
void FillOrderedBand(int upperRow, int h, int count, const int* columns, FilledMap& w, const float* bounds,
                     std::vector<MapSpan>& out) {
  if (w.Classes.Searched()) {
    FillOrderedRows<const ClassTable&>(upperRow, h, count, columns, w, w.Classes, bounds, out);
  } else if (w.Classes.Distinct()) {
    FillOrderedRows(upperRow, h, count, columns, w, DistinctView{w.Classes.Lookup()}, bounds, out);
  } else {
    FillOrderedRows(upperRow, h, count, columns, w, w.Classes.Lookup(), bounds, out);
  }
}

inline bool Finite(float v) { return (std::bit_cast<std::uint32_t>(v) & 0x7f800000u) != 0x7f800000u; }

}  // namespace

void FillBand(int upperRow, int lowerRow, std::span<const BandSample> samples, const float* bounds, int boundCount,
              std::vector<MapSpan>& out) {
  const int h = lowerRow - upperRow;
  if (h <= 0 || samples.empty()) return;
  FilledMap w;
  bool finite = w.Classes.Build(bounds, boundCount);
  for (const BandSample& s : samples) {
    const float d = s.Lower - s.Upper;
    finite &= Finite(s.Upper) & Finite(d);
    w.Columns.push_back(s.Column);
    w.Upper.push_back(s.Upper);
    w.Delta.push_back(d);
  }
  if (!finite) {
    StepBand(upperRow, h, samples, bounds, boundCount, out);
    return;
  }
  w.RowValues.resize(samples.size());
  w.RowClasses.resize(samples.size());
  w.RowBuckets.resize(samples.size());
  w.RowChanges.resize(samples.size());
  FillOrderedBand(upperRow, h, static_cast<int>(samples.size()), w.Columns.data(), w, bounds, out);
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
  const bool ordered = map.Classes.Build(bounds, n);

  const std::size_t stations = static_cast<std::size_t>(last) + 1;
  map.UpperValues.resize(stations);
  map.LowerValues.resize(stations);
  for (std::vector<float>* v : {&map.Upper, &map.Delta, &map.RowValues}) v->resize(stations);
  for (std::vector<int>* v : {&map.Columns, &map.RowClasses, &map.RowBuckets, &map.RowChanges}) v->resize(stations);

  // The samples of a band filled at every station shown: the first and the
  // last station, and every station not on the pixel column of the one
  // before. (A run that starts or ends elsewhere keeps its own ends.)
  const int* columns = input.stationColumns.data();  // station s at [s - 1]
  map.Kept.clear();
  map.KeptColumns.clear();
  map.KeptMask.assign(stations, 0);
  for (int s = first; s <= last; ++s) {
    if (s == first || s == last || columns[s - 1] != columns[s - 2]) {
      map.Kept.push_back(s);
      map.KeptColumns.push_back(columns[s - 1]);
      map.KeptMask[static_cast<std::size_t>(s)] = 1;
    }
  }
  const int keptCount = static_cast<int>(map.Kept.size());

  // The cells of one level as sample values, once each; Absent where a cell
  // takes no part in a band (empty, or not positive on a logarithmic map).
  // On a logarithmic level filled everywhere only the kept stations get
  // their logarithm at once; the others keep their cell until a band with
  // holes asks for them.
  constexpr float Absent = -HUGE_VALF;  // never a sample
  struct Level {
    bool everywhere = false;  // every station shown takes part
    bool complete = false;    // every station holds its sample value
    bool modest = false;      // every value is finite and far from overflow
  };
  const std::size_t stride = static_cast<std::size_t>(g.LevelStride);
  const unsigned char* keptMask = map.KeptMask.data();
  const auto load = [&](int level, std::vector<float>& values) {
    const float* cell = g.Cells + static_cast<std::size_t>(first - 1) * stride + static_cast<std::size_t>(level - 1);
    float* out = values.data();
    Level l;
    bool everywhere = true;
    bool modest = true;
    if (!input.logarithmic) {
      for (int s = first; s <= last; ++s, cell += stride) {
        const float v = *cell;
        const bool usable = !IsEmptyCell(v);
        everywhere &= usable;
        modest &= !usable || std::fabs(v) < 1e38f;
        out[s] = usable ? v : Absent;
      }
      l.complete = true;
    } else {
      for (int s = first; s <= last; ++s, cell += stride) {
        const float v = *cell;
        const bool usable = !IsEmptyCell(v) && v > 0;
        everywhere &= usable;
        modest &= !usable || v < HUGE_VALF;
        out[s] = usable ? v : Absent;
      }
      // The logarithms of the kept stations by their list: which stations
      // share a column follows no pattern a branch could learn.
      if (everywhere) {
        for (const int s : map.Kept) out[s] = std::log(out[s]);
        l.complete = keptCount == last - first + 1;
      } else {
        for (int s = first; s <= last; ++s) {
          if (out[s] != Absent) out[s] = std::log(out[s]);
        }
        l.complete = true;
      }
    }
    l.everywhere = everywhere;
    l.modest = modest;
    return l;
  };
  const auto complete = [&](Level& l, std::vector<float>& values) {
    if (l.complete) return;
    for (int s = first; s <= last; ++s) {
      float& v = values[static_cast<std::size_t>(s)];
      if (!keptMask[s] && v != Absent) v = std::log(v);
    }
    l.complete = true;
  };

  Level upperLevel = load(1, map.UpperValues);
  for (int k = 2; k <= g.LevelCount; ++k) {
    Level lowerLevel = load(k, map.LowerValues);
    const int upperRow = input.levelRows[static_cast<std::size_t>(k - 2)];
    int lowerRow = input.levelRows[static_cast<std::size_t>(k - 1)];
    if (k == g.LevelCount) ++lowerRow;
    const int h = lowerRow - upperRow;
    if (h > 0 && upperLevel.everywhere && lowerLevel.everywhere && ordered && upperLevel.modest &&
        lowerLevel.modest) {
      // One run over every station shown, all of it finite.
      const float* up = map.UpperValues.data();
      const float* lo = map.LowerValues.data();
      const int* kept = map.Kept.data();
      float* upper = map.Upper.data();
      float* delta = map.Delta.data();
      for (int j = 0; j < keptCount; ++j) {
        const auto s = static_cast<std::size_t>(kept[j]);
        upper[j] = up[s];
        delta[j] = lo[s] - up[s];
      }
      FillOrderedBand(upperRow, h, keptCount, map.KeptColumns.data(), map, bounds, map.Spans);
    } else if (h > 0) {
      complete(upperLevel, map.UpperValues);
      complete(lowerLevel, map.LowerValues);
      const float* up = map.UpperValues.data();
      const float* lo = map.LowerValues.data();
      int s = first;
      while (s <= last) {
        if (up[s] == Absent || lo[s] == Absent) {
          ++s;
          continue;
        }
        int end = s;
        while (end < last && up[end + 1] != Absent && lo[end + 1] != Absent) ++end;
        if (end > s) {
          // The samples of the run: a station on the pixel column of the one
          // before is left out, the last station is kept.
          int count = 0;
          bool finite = ordered;
          for (int i = s; i <= end; ++i) {
            const int column = columns[i - 1];
            const float d = lo[i] - up[i];
            map.Columns[static_cast<std::size_t>(count)] = column;
            map.Upper[static_cast<std::size_t>(count)] = up[i];
            map.Delta[static_cast<std::size_t>(count)] = d;
            finite &= Finite(up[i]) & Finite(d);
            count += (i == s || i == end || column != columns[i - 2]) ? 1 : 0;
          }
          if (finite) {
            FillOrderedBand(upperRow, h, count, map.Columns.data(), map, bounds, map.Spans);
          } else {
            map.Samples.clear();
            for (int i = s; i <= end; ++i) {
              const int column = columns[i - 1];
              if (i > s && i < end && column == map.Samples.back().Column) continue;
              map.Samples.push_back(BandSample{column, up[i], lo[i]});
            }
            StepBand(upperRow, h, map.Samples, bounds, n, map.Spans);
          }
        }
        s = end + 1;
      }
    }
    std::swap(map.UpperValues, map.LowerValues);
    upperLevel = lowerLevel;
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
