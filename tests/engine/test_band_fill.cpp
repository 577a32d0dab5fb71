// The band fill against the plain row walk it replaced: the walk is kept
// here, as it was, and both must give the same spans, span for span, on
// busy fields, grids with holes and one-station runs, values on bounds,
// equal and unordered bounds, values that are not finite, mirrored and
// crowded columns. The colour-class table is checked against the search.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "engine/display/contour_levels.h"
#include "engine/display/contour_map.h"

namespace tarvo {
namespace {

// The previous band fill, step for step: every pixel row walks the samples
// and steps the class up or down until the value lies in it.
namespace walk {

int Round(double x) {
  constexpr double Shift = 6755399441055744.0;
  return static_cast<int>((x + Shift) - Shift);
}

int Crossing(int x0, float v0, int x1, float v1, float bound) {
  const double fraction = (static_cast<double>(bound) - v0) * (x1 - x0) / (static_cast<double>(v1) - v0);
  return x0 + Round(fraction);
}

void Emit(std::vector<MapSpan>& out, int row, int& from, int to, int colorClass) {
  if (to > from) out.push_back(MapSpan{row, from, to, colorClass});
  from = std::max(from, to);
}

int ClassOf(float v, const float* bounds, int n) {
  if (std::isnan(v)) return n + 1;
  const float* first = bounds + 1;
  return static_cast<int>(std::lower_bound(first, first + n, v) - first) + 1;
}

void FillBand(int upperRow, int lowerRow, const std::vector<BandSample>& samples, const float* bounds, int n,
              std::vector<MapSpan>& out) {
  const int h = lowerRow - upperRow;
  if (h <= 0 || samples.empty()) return;
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

std::vector<MapSpan> BuildMap(const FilledMapInput& input, const ContourLevels& levels) {
  std::vector<MapSpan> spans;
  const GridView& g = input.grid;
  const int last = input.lastStation > 0 ? std::min(input.lastStation, g.StationCount) : g.StationCount;
  const int first = std::max(input.firstStation, 1);
  if (g.LevelCount < 2 || last - first < 1) return spans;
  const int n = levels.Count;
  std::array<float, MaxContourBounds + 2> bounds = levels.Bounds;
  if (input.logarithmic) {
    for (int k = 1; k <= n; ++k) {
      float& b = bounds[static_cast<std::size_t>(k)];
      if (b < input.logBoundLimit) b = b > 0 ? std::log(b) : -HUGE_VALF;
    }
  }
  constexpr float Absent = -HUGE_VALF;
  const auto cell = [&](int s, int l) {
    const float v = g.At(s, l);
    if (IsEmptyCell(v)) return Absent;
    if (!input.logarithmic) return v;
    return v > 0 ? std::log(v) : Absent;
  };
  for (int k = 2; k <= g.LevelCount; ++k) {
    const int upperRow = input.levelRows[static_cast<std::size_t>(k - 2)];
    int lowerRow = input.levelRows[static_cast<std::size_t>(k - 1)];
    if (k == g.LevelCount) ++lowerRow;
    if (lowerRow <= upperRow) continue;
    const auto usable = [&](int s) { return cell(s, k - 1) != Absent && cell(s, k) != Absent; };
    int s = first;
    while (s <= last) {
      if (!usable(s)) {
        ++s;
        continue;
      }
      int end = s;
      while (end + 1 <= last && usable(end + 1)) ++end;
      if (end > s) {
        std::vector<BandSample> samples;
        for (int i = s; i <= end; ++i) {
          const int column = input.stationColumns[static_cast<std::size_t>(i - 1)];
          if (i > s && i < end && column == samples.back().Column) continue;
          samples.push_back(BandSample{column, cell(i, k - 1), cell(i, k)});
        }
        FillBand(upperRow, lowerRow, samples, bounds.data(), n, spans);
      }
      s = end + 1;
    }
  }
  return spans;
}

}  // namespace walk

// A reproducible stream of numbers, the same on every platform.
struct Numbers {
  std::mt19937 engine;
  explicit Numbers(std::uint32_t seed) : engine(seed) {}
  double Unit() { return static_cast<double>(engine()) / 4294967296.0; }  // [0, 1)
  int Below(int n) { return static_cast<int>(engine() % static_cast<std::uint32_t>(n)); }
};

struct Grid {
  int stations = 0;
  int levels = 0;
  std::vector<float> cells;  // [station][level]
  std::vector<int> columns;
  std::vector<int> rows;

  Grid(int s, int l, int width, int height) : stations(s), levels(l), cells(static_cast<std::size_t>(s * l)) {
    for (int i = 0; i < s; ++i) columns.push_back(static_cast<int>(std::lround(i * (width - 1.0) / (s - 1))));
    for (int k = 0; k < l; ++k) rows.push_back(static_cast<int>(std::lround(k * (height - 1.0) / (l - 1))));
  }
  float& At(int s, int l) { return cells[static_cast<std::size_t>((s - 1) * levels + (l - 1))]; }
  FilledMapInput Input(bool logarithmic) const {
    FilledMapInput in;
    in.grid = GridView{cells.data(), levels, stations, levels};
    in.stationColumns = columns;
    in.levelRows = rows;
    in.logarithmic = logarithmic;
    return in;
  }
};

// A smooth field over three decades with ripples that cross several
// classes between neighbouring stations, as a resistivity section gives.
Grid BusyField(int stations, int levels, int width, int height, std::uint32_t seed) {
  Grid g(stations, levels, width, height);
  Numbers r(seed);
  const double a = 20 + 200 * r.Unit();
  const double b = 3 + 10 * r.Unit();
  for (int s = 1; s <= stations; ++s) {
    for (int l = 1; l <= levels; ++l) {
      const double field = 1.5 * std::sin(s / a) * std::cos(l / 9.0) + 0.6 * std::sin(s / b + l / 4.0) + 0.2 * r.Unit();
      g.At(s, l) = static_cast<float>(100 * std::exp(field * 2.3));
    }
  }
  return g;
}

std::string Describe(const std::vector<MapSpan>& spans, std::size_t at) {
  if (at >= spans.size()) return "(none)";
  const MapSpan& s = spans[at];
  return "row " + std::to_string(s.Row) + ", " + std::to_string(s.Left) + ".." + std::to_string(s.Right) +
         ", class " + std::to_string(s.ColorClass);
}

// The first span where the two fills part, or -1.
long FirstDifference(const std::vector<MapSpan>& a, const std::vector<MapSpan>& b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    if (!(a[i] == b[i])) return static_cast<long>(i);
  }
  return a.size() == b.size() ? -1 : static_cast<long>(n);
}

void ExpectSameAsWalk(const FilledMapInput& in, const ContourLevels& levels, const std::string& what,
                      bool expectSpans = true) {
  const std::vector<MapSpan> expected = walk::BuildMap(in, levels);
  FilledMap map;
  BuildFilledMap(in, levels, map);
  if (expectSpans) {
    EXPECT_FALSE(expected.empty()) << what << ": the case draws nothing";
  }
  const long at = FirstDifference(expected, map.Spans);
  EXPECT_EQ(at, -1) << what << ": " << expected.size() << " spans against " << map.Spans.size()
                    << "; first difference at " << at << ": " << Describe(expected, static_cast<std::size_t>(at))
                    << " against " << Describe(map.Spans, static_cast<std::size_t>(at));
  // Drawing again into the same map gives the same again.
  BuildFilledMap(in, levels, map);
  EXPECT_EQ(FirstDifference(expected, map.Spans), -1) << what << ", drawn a second time";
}

ContourLevels Bounds(std::initializer_list<float> bounds) {
  ContourLevels levels;
  int k = 0;
  for (const float b : bounds) levels.Bounds[static_cast<std::size_t>(++k)] = b;
  levels.Count = k;
  return levels;
}

TEST(BandFillTest, BusyFieldsAsTheWalk) {
  for (std::uint32_t seed = 1; seed <= 4; ++seed) {
    // More stations than columns (crowded) and fewer (spread out).
    for (const int width : {150, 700}) {
      const Grid g = BusyField(240, 30, width, 97, seed);
      ContourLevels log;
      ASSERT_TRUE(LogLevels(log, MapLevelsPerDecade, 20, 3, 3000));
      ExpectSameAsWalk(g.Input(true), log, "log levels, seed " + std::to_string(seed) + ", width " +
                                               std::to_string(width));
      ContourLevels linear;
      ASSERT_TRUE(LinearLevels(linear, 20, 3, 3000));
      ExpectSameAsWalk(g.Input(false), linear, "linear levels, seed " + std::to_string(seed));
      ContourLevels many;
      ASSERT_TRUE(LogLevels(many, MapLevelsPerDecade, 100, 1, 10000));
      ExpectSameAsWalk(g.Input(true), many, "100 log levels, seed " + std::to_string(seed));
    }
  }
}

TEST(BandFillTest, HolesAndOneStationRunsAsTheWalk) {
  for (std::uint32_t seed = 11; seed <= 14; ++seed) {
    Grid g = BusyField(120, 16, 400, 60, seed);
    Numbers r(seed);
    for (float& c : g.cells) {
      const int pick = r.Below(12);
      if (pick == 0) c = EmptyCellValue;
      if (pick == 1) c = 0;  // no logarithm: a hole on a logarithmic map only
      if (pick == 2) c = -c;
    }
    // A lone station between two holes at every level.
    for (int l = 1; l <= g.levels; ++l) {
      g.At(50, l) = g.At(52, l) = EmptyCellValue;
      g.At(51, l) = 77;
    }
    ContourLevels log;
    ASSERT_TRUE(LogLevels(log, MapLevelsPerDecade, 20, 3, 3000));
    ExpectSameAsWalk(g.Input(true), log, "holes, log, seed " + std::to_string(seed));
    ContourLevels symmetric;
    ASSERT_TRUE(SymmetricLevels(symmetric, 20, -3000, 3000));
    ExpectSameAsWalk(g.Input(false), symmetric, "holes, symmetric, seed " + std::to_string(seed));
    // Only some of the stations shown.
    FilledMapInput part = g.Input(false);
    part.firstStation = 17;
    part.lastStation = 90;
    ExpectSameAsWalk(part, symmetric, "stations 17..90, seed " + std::to_string(seed));
  }
}

TEST(BandFillTest, FilledLevelsBesideLevelsWithHolesAsTheWalk) {
  // Stations crowded onto fewer columns, every other level with holes: a
  // band between a filled level and one with holes needs the values of
  // stations a filled band leaves out.
  for (std::uint32_t seed = 15; seed <= 17; ++seed) {
    Grid g = BusyField(240, 12, 150, 60, seed);
    Numbers r(seed);
    for (int l = 2; l <= g.levels; l += 2) {
      for (int s = 1; s <= g.stations; ++s) {
        if (r.Below(9) == 0) g.At(s, l) = EmptyCellValue;
      }
    }
    ContourLevels log;
    ASSERT_TRUE(LogLevels(log, MapLevelsPerDecade, 20, 3, 3000));
    ExpectSameAsWalk(g.Input(true), log, "every other level with holes, seed " + std::to_string(seed));
  }
}

TEST(BandFillTest, ValuesOnBoundsAsTheWalk) {
  // Every cell is a bound or its neighbour float, so that rows and
  // crossings land on bounds, on a linear and a logarithmic map.
  Grid g(90, 12, 300, 48);
  Numbers r(5);
  ContourLevels linear;
  ASSERT_TRUE(LinearLevels(linear, 10, 10, 1000));
  for (float& c : g.cells) {
    const float b = linear.Bound(1 + r.Below(linear.Count));
    const int pick = r.Below(3);
    c = pick == 0 ? b : pick == 1 ? std::nextafter(b, 0.0f) : std::nextafter(b, 1e9f);
  }
  ExpectSameAsWalk(g.Input(false), linear, "linear values on bounds");
  ExpectSameAsWalk(g.Input(true), linear, "logarithms on bounds");
  // Two neighbouring cells on the same bound: a row flat on it.
  for (int s = 1; s <= g.stations; ++s) {
    for (int l = 1; l <= g.levels; ++l) g.At(s, l) = linear.Bound((s / 7) % 2 ? 3 : 4);
  }
  ExpectSameAsWalk(g.Input(false), linear, "flat on bounds");
}

TEST(BandFillTest, OddBoundsAsTheWalk) {
  Grid g = BusyField(160, 14, 500, 70, 21);
  struct Case {
    const char* what;
    ContourLevels levels;
    bool logarithmic;
  };
  const std::vector<Case> cases = {
      {"equal bounds", Bounds({30, 100, 100, 100, 300, 1000, 1000}), false},
      {"bounds not above zero on a logarithmic map", Bounds({-5, 0, 30, 300, 3000}), true},
      {"minus and plus zero", Bounds({-0.0f, 0.0f, 100}), false},
      {"bounds out of order", Bounds({300, 30, 1000, 100}), false},
      {"bounds far apart against their narrowest gap", Bounds({1, 1.0001f, 50, 200, 1e7f}), false},
      {"a bound kept above the logarithms' limit", Bounds({10, 100, 1000, 2e12f}), true},
      {"one bound", Bounds({150}), false},
      {"no bound", Bounds({}), false},
      {"infinite bounds", Bounds({-HUGE_VALF, 50, 500, HUGE_VALF}), false},
  };
  for (const Case& c : cases) ExpectSameAsWalk(g.Input(c.logarithmic), c.levels, c.what);
}

TEST(BandFillTest, ValuesThatAreNotFiniteAsTheWalk) {
  // An infinite cell makes the rows' values not a number at the band's
  // top: the walk's rules still hold there.
  Grid g = BusyField(60, 6, 200, 30, 31);
  g.At(20, 3) = HUGE_VALF;
  g.At(40, 1) = std::numeric_limits<float>::max();
  g.At(41, 2) = -9e13f;
  ContourLevels linear;
  ASSERT_TRUE(LinearLevels(linear, 20, 3, 3000));
  ExpectSameAsWalk(g.Input(false), linear, "infinite and huge cells, linear");
  ExpectSameAsWalk(g.Input(true), linear, "infinite and huge cells, logarithms");
}

TEST(BandFillTest, ColumnsAndRowsAsTheWalk) {
  Grid g = BusyField(80, 10, 300, 40, 41);
  ContourLevels log;
  ASSERT_TRUE(LogLevels(log, MapLevelsPerDecade, 20, 3, 3000));
  struct Case {
    const char* what;
    std::vector<int> columns;
    std::vector<int> rows;
    bool draws = true;
  };
  std::vector<Case> cases;
  // Columns that fall from station to station leave every span empty.
  Case mirrored{"columns right to left", g.columns, g.rows, false};
  std::reverse(mirrored.columns.begin(), mirrored.columns.end());
  cases.push_back(mirrored);
  Case crowded{"stations sharing columns", g.columns, g.rows};
  for (std::size_t i = 0; i < crowded.columns.size(); ++i) crowded.columns[i] = static_cast<int>(i / 3) * 5;
  cases.push_back(crowded);
  Case clamped{"columns clamped far out", g.columns, g.rows};
  for (std::size_t i = 60; i < clamped.columns.size(); ++i) clamped.columns[i] = 3000;
  clamped.columns[0] = -3000;
  cases.push_back(clamped);
  Case flat{"levels on one row", g.columns, {0, 0, 4, 4, 4, 9, 20, 20, 21, 21}};
  cases.push_back(flat);
  for (const Case& c : cases) {
    FilledMapInput in = g.Input(true);
    in.stationColumns = c.columns;
    in.levelRows = c.rows;
    ExpectSameAsWalk(in, log, c.what, c.draws);
  }
}

TEST(BandFillTest, FillBandAsTheWalk) {
  // The band of a few samples on its own, rising and falling over many
  // classes between two samples, with one sample alone.
  const ContourLevels levels = Bounds({-10, 0, 10, 20, 20, 30, 40});
  const std::vector<std::vector<BandSample>> bands = {
      {{0, -50, 50}, {9, 50, -50}, {30, 25, 25}, {31, 20, 0}, {80, -0.0f, 45}},
      {{5, 10, 10}},
      {{0, 20, 20}, {1, 20, 20}, {2, 19.999f, 20.001f}},
  };
  for (std::size_t i = 0; i < bands.size(); ++i) {
    std::vector<MapSpan> expected;
    walk::FillBand(3, 17, bands[i], levels.Bounds.data(), levels.Count, expected);
    std::vector<MapSpan> spans;
    FillBand(3, 17, bands[i], levels.Bounds.data(), levels.Count, spans);
    EXPECT_EQ(FirstDifference(expected, spans), -1) << "band " << i;
    EXPECT_FALSE(spans.empty());
  }
}

TEST(BandFillTest, ClassTableAsTheSearch) {
  struct Case {
    const char* what;
    std::vector<float> bounds;
    bool searched;  // too uneven for the table
  };
  const std::vector<Case> cases = {
      {"log levels", {}, false},
      {"equal bounds", {1, 2, 2, 2, 3, 7, 7}, false},
      {"signed", {-1000, -10, -0.0f, 0.0f, 10, 1000}, false},
      {"infinite ends", {-HUGE_VALF, -HUGE_VALF, 3, 4, HUGE_VALF}, false},
      {"neighbouring floats", {1, std::nextafter(1.0f, 2.0f), std::nextafter(std::nextafter(1.0f, 2.0f), 2.0f)}, false},
      {"uneven", {0, 1e-7f, 5000}, true},
      {"largest floats", {-std::numeric_limits<float>::max(), std::numeric_limits<float>::max()}, true},
      {"top float", {1, 2, std::numeric_limits<float>::max()}, true},
  };
  for (const Case& c : cases) {
    std::vector<float> b = c.bounds;
    if (b.empty()) {
      ContourLevels log;
      ASSERT_TRUE(LogLevels(log, MapLevelsPerDecade, 40, 0.1f, 5000));
      for (int k = 1; k <= log.Count; ++k) b.push_back(std::log(log.Bound(k)));
    }
    std::vector<float> bounds = {LowSentinel};
    bounds.insert(bounds.end(), b.begin(), b.end());
    bounds.push_back(HighSentinel);
    const int n = static_cast<int>(b.size());
    ClassTable table;
    ASSERT_TRUE(table.Build(bounds.data(), n)) << c.what;
    EXPECT_EQ(table.Searched(), c.searched) << c.what;
    // Every bound, its neighbour floats, and values between and beyond.
    std::vector<float> values = {0.0f, -0.0f, -1e30f, 1e30f, -HUGE_VALF, HUGE_VALF};
    for (const float x : b) {
      if (!std::isfinite(x)) continue;
      values.insert(values.end(), {x, std::nextafter(x, -HUGE_VALF), std::nextafter(x, HUGE_VALF), x / 2, x * 2});
    }
    Numbers r(7);
    for (int i = 0; i < 2000; ++i) values.push_back(static_cast<float>((r.Unit() - 0.3) * 3 * (b.back() == HUGE_VALF ? 10 : std::fabs(b.back()) + 1)));
    for (const float v : values) {
      if (!std::isfinite(v) && !c.searched) continue;  // the table classifies finite values
      const int expected = static_cast<int>(std::lower_bound(b.begin(), b.end(), v) - b.begin()) + 1;
      EXPECT_EQ(table.Of(v), expected) << c.what << ", value " << v;
    }
  }
  // Bounds out of order or not a number have no table.
  std::vector<float> unordered = {LowSentinel, 3, 1, 2, HighSentinel};
  ClassTable table;
  EXPECT_FALSE(table.Build(unordered.data(), 3));
  std::vector<float> nan = {LowSentinel, 1, std::nanf(""), 2, HighSentinel};
  EXPECT_FALSE(table.Build(nan.data(), 3));
}

}  // namespace
}  // namespace tarvo
