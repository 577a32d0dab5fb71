#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <ostream>
#include <set>
#include <vector>

#include "engine/display/contour_map.h"
#include "engine/display/markup_text.h"

namespace tarvo {

void PrintTo(const MapSpan& s, std::ostream* os) {
  *os << "{row " << s.Row << ", " << s.Left << ".." << s.Right << ", class " << s.ColorClass << "}";
}

namespace {

// A small grid of its own, [station][level] from 1, every cell empty.
struct SmallGrid {
  int stations;
  int levels;
  std::vector<float> cells;
  SmallGrid(int s, int l) : stations(s), levels(l), cells(static_cast<std::size_t>(s * l), EmptyCellValue) {}
  float& operator()(int s, int l) { return cells[static_cast<std::size_t>((s - 1) * levels + (l - 1))]; }
  GridView View() const { return GridView{cells.data(), levels, stations, levels}; }
};

ContourLevels Bounds(std::initializer_list<float> bounds) {
  ContourLevels levels;
  int k = 0;
  for (const float b : bounds) levels.Bounds[static_cast<std::size_t>(++k)] = b;
  levels.Count = k;
  return levels;
}

std::vector<MapSpan> SpansOfRow(const std::vector<MapSpan>& spans, int row) {
  std::vector<MapSpan> out;
  std::copy_if(spans.begin(), spans.end(), std::back_inserter(out), [&](const MapSpan& s) { return s.Row == row; });
  return out;
}

struct MapCase {
  SmallGrid grid;
  std::vector<int> columns;
  std::vector<int> rows;
  FilledMap map;
  void Draw(const ContourLevels& levels, bool logarithmic = false) {
    FilledMapInput in;
    in.grid = grid.View();
    in.stationColumns = columns;
    in.levelRows = rows;
    in.logarithmic = logarithmic;
    BuildFilledMap(in, levels, map);
  }
};

TEST(ContourMapTest, ABandWithAGapIsDrawnInTwoPieces) {
  MapCase c{SmallGrid(10, 2), {0, 10, 20, 30, 40, 50, 60, 70, 80, 90}, {0, 10}, {}};
  for (int s : {1, 2, 3, 4, 5, 8, 9, 10}) c.grid(s, 1) = c.grid(s, 2) = 5;
  c.Draw(Bounds({1, 10}));
  // The last level's row is moved down by one: rows 0..10.
  for (int row = 0; row <= 10; ++row) {
    const std::vector<MapSpan> spans = SpansOfRow(c.map.Spans, row);
    ASSERT_EQ(spans.size(), 2u) << "row " << row;
    EXPECT_EQ(spans[0], (MapSpan{row, 0, 41, 2}));
    EXPECT_EQ(spans[1], (MapSpan{row, 70, 91, 2}));
  }
  EXPECT_TRUE(SpansOfRow(c.map.Spans, 11).empty());
}

TEST(ContourMapTest, ARunOfOneStationDrawsNothing) {
  MapCase c{SmallGrid(7, 2), {0, 10, 20, 30, 40, 50, 60}, {0, 4}, {}};
  // Station 4 is filled at both levels but alone: station 3 only at the
  // upper level, station 5 not at all.
  for (int s : {1, 2, 4, 6, 7}) c.grid(s, 1) = c.grid(s, 2) = 5;
  c.grid(3, 1) = 5;
  c.Draw(Bounds({10}));
  for (int row = 0; row <= 4; ++row) {
    const std::vector<MapSpan> spans = SpansOfRow(c.map.Spans, row);
    ASSERT_EQ(spans.size(), 2u);
    EXPECT_EQ(spans[0], (MapSpan{row, 0, 11, 1}));   // stations 1..2
    EXPECT_EQ(spans[1], (MapSpan{row, 50, 61, 1}));  // stations 6..7
  }
}

TEST(ContourMapTest, StationsOnOnePixelColumnGiveOneSample) {
  // Station 2 shares the column of station 1: it is left out, so its high
  // value does not show; the last station of a run is always kept.
  MapCase c{SmallGrid(3, 2), {0, 0, 10}, {0, 1}, {}};
  c.grid(1, 1) = c.grid(1, 2) = 1;
  c.grid(2, 1) = c.grid(2, 2) = 100;
  c.grid(3, 1) = c.grid(3, 2) = 1;
  c.Draw(Bounds({10}));
  EXPECT_EQ(SpansOfRow(c.map.Spans, 0), (std::vector<MapSpan>{{0, 0, 11, 1}}));
}

TEST(ContourMapTest, EqualRowsDrawNothingForThatBand) {
  std::vector<MapSpan> spans;
  const ContourLevels levels = Bounds({10});
  const std::vector<BandSample> samples = {{0, 1, 1}, {10, 1, 1}};
  FillBand(5, 5, samples, levels.Bounds.data(), levels.Count, spans);
  EXPECT_TRUE(spans.empty());

  MapCase c{SmallGrid(2, 3), {0, 10}, {0, 0, 3}, {}};
  for (int s : {1, 2}) c.grid(s, 1) = c.grid(s, 2) = c.grid(s, 3) = 1;
  c.Draw(levels);
  std::set<int> rows;
  for (const MapSpan& s : c.map.Spans) rows.insert(s.Row);
  EXPECT_EQ(rows, (std::set<int>{0, 1, 2, 3}));  // band 2-3 only, its bottom row included
  EXPECT_EQ(c.map.Spans.size(), 4u);
}

TEST(ContourMapTest, ClassBoundariesAtTheInterpolatedColumns) {
  const ContourLevels levels = Bounds({10, 20, 30, 40});
  struct Case {
    float from, to;
    std::vector<MapSpan> spans;
  };
  const std::vector<Case> cases = {
      // Class 2 to class 5: three boundaries at 40 * 5/30, 40 * 15/30, 40 * 25/30.
      {15, 45, {{0, 0, 7, 2}, {0, 7, 20, 3}, {0, 20, 33, 4}, {0, 33, 41, 5}}},
      {45, 15, {{0, 0, 7, 5}, {0, 7, 20, 4}, {0, 20, 33, 3}, {0, 33, 41, 2}}},
      // A value on a bound belongs to the lower class.
      {20, 20, {{0, 0, 41, 2}}},
      {20, 30, {{0, 0, 41, 3}}},
  };
  for (const Case& c : cases) {
    std::vector<MapSpan> spans;
    const std::vector<BandSample> samples = {{0, c.from, c.from}, {40, c.to, c.to}};
    FillBand(0, 1, samples, levels.Bounds.data(), levels.Count, spans);
    EXPECT_EQ(spans, c.spans) << c.from << " to " << c.to;
  }
}

TEST(ContourMapTest, RowsInterpolateBetweenTheUpperAndLowerLevel) {
  const ContourLevels levels = Bounds({10});
  std::vector<MapSpan> spans;
  // 0 at the top, 20 at the bottom of four rows: 0, 5, 10 (on the bound), 15.
  const std::vector<BandSample> samples = {{0, 0, 20}, {3, 0, 20}};
  FillBand(0, 4, samples, levels.Bounds.data(), levels.Count, spans);
  ASSERT_EQ(spans.size(), 4u);
  EXPECT_EQ(spans[2].ColorClass, 1);
  EXPECT_EQ(spans[3].ColorClass, 2);
}

TEST(ContourMapTest, ResistivityInterpolatesLogarithms) {
  // 10 and 1000 at columns 0 and 100: the bound 100 lies halfway in
  // logarithms, at column 50, not at column 9 as in values.
  MapCase c{SmallGrid(2, 2), {0, 100}, {0, 1}, {}};
  c.grid(1, 1) = c.grid(1, 2) = 10;
  c.grid(2, 1) = c.grid(2, 2) = 1000;
  c.Draw(Bounds({100}), true);
  EXPECT_EQ(SpansOfRow(c.map.Spans, 0), (std::vector<MapSpan>{{0, 0, 50, 1}, {0, 50, 101, 2}}));
  // A value that is not positive takes no part in a logarithmic map.
  c.grid(2, 1) = 0;
  c.Draw(Bounds({100}), true);
  EXPECT_TRUE(c.map.Spans.empty());
}

TEST(ContourMapTest, CoordinateMappingRoundsAndClamps) {
  const AxisMapping linear{0, 1, 0, false};
  EXPECT_EQ(linear.Pixel(0.5), 0);  // halves to even
  EXPECT_EQ(linear.Pixel(1.5), 2);
  const AxisMapping far{10, 1e6, 20, false};
  EXPECT_EQ(far.Pixel(11), 3000);
  EXPECT_EQ(far.Pixel(9), -3000);
  EXPECT_EQ(far.Pixel(10), 20);
  const AxisMapping depth{1, 100, 5, true};
  EXPECT_EQ(depth.Pixel(std::exp(1.0)), 105);
  EXPECT_EQ(depth.Pixel(1), 5);
  EXPECT_EQ(depth.Pixel(0), -3000);   // ln 0: as far up as drawable
  EXPECT_EQ(depth.Pixel(-1), 3000);   // no logarithm at all: off the bottom
  const AxisMapping mirrored{100, -2, 0, false};  // "Turn profile round"
  EXPECT_EQ(mirrored.Pixel(0), 200);
}

TEST(ContourMapTest, TicksNearZeroAreZero) {
  ContourLevels ticks;
  AxisTicks(ticks, -0.002f, 0.01f, 6, false, 0.005f);
  ASSERT_GE(ticks.Count, 3);
  EXPECT_EQ(ticks.Bound(1), 0.0f);
  EXPECT_EQ(ticks.Bound(2), 0.0f);  // 0.0025 is below 0.005
  // Three decades, 6 ticks: two per decade (3 and 10 times the decade).
  AxisTicks(ticks, 1, 1000, 6, true, 0);
  ASSERT_EQ(ticks.Count, 6);
  for (int k = 1; k <= 6; ++k) EXPECT_FLOAT_EQ(ticks.Bound(k), (std::array<float, 6>{3, 10, 30, 100, 300, 1000}[k - 1]));
  EXPECT_EQ(MapLabel(2.5), "2.5");
  EXPECT_EQ(MapLabel(0), "0");
}

TEST(MarkupTextTest, TheResistivityCaption) {
  const std::vector<MarkupSegment> s = ParseMarkup("Rho_a, [OHm m]");
  ASSERT_EQ(s.size(), 5u);
  EXPECT_EQ(s[0].Kind, MarkupKind::Greek);
  EXPECT_EQ(s[0].Symbol, U'\u03C1');
  EXPECT_EQ(s[1].Kind, MarkupKind::Subscript);
  EXPECT_EQ(s[1].Text, "a,");
  EXPECT_EQ(s[2].Kind, MarkupKind::Plain);
  EXPECT_EQ(s[2].Text, " [");
  EXPECT_EQ(s[3].Symbol, U'\u03A9');
  EXPECT_EQ(s[4].Kind, MarkupKind::Plain);
  EXPECT_EQ(s[4].Text, " m]");
}

TEST(MarkupTextTest, EveryTokenAndTheLimits) {
  struct Case {
    const char* text;
    std::vector<char32_t> symbols;  // 0 for plain, 1 for subscript
  };
  const std::vector<Case> cases = {
      {"Etta_a, [mV/V]", {U'\u03B7', 1, 0}},
      {"Phi Sqrt\xB1", {U'\u03C6', 0, U'\u221A', U'\u0394'}},
      {"Show", {0, U'\u03C9'}},         // the letter w is an omega
      {"rho OHM ETTA", {0}},            // tokens are case-sensitive
      {"x_", {0, 1}},                   // an empty subscript at the end
      {"", {}},
  };
  for (const Case& c : cases) {
    const std::vector<MarkupSegment> s = ParseMarkup(c.text);
    std::vector<char32_t> got;
    for (const MarkupSegment& m : s) {
      got.push_back(m.Kind == MarkupKind::Greek ? m.Symbol : m.Kind == MarkupKind::Subscript ? 1 : 0);
    }
    EXPECT_EQ(got, c.symbols) << c.text;
  }
  // Twenty segments from tokens; the rest stays plain text.
  const std::vector<MarkupSegment> many = ParseMarkup(std::string(30, 'w'));
  ASSERT_EQ(many.size(), 21u);
  EXPECT_EQ(many[19].Kind, MarkupKind::Greek);
  EXPECT_EQ(many[20].Text, std::string(10, 'w'));
}

}  // namespace
}  // namespace tarvo
