#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/array_types.h"
#include "engine/core/positions.h"
#include "engine/display/value_grid.h"

namespace tarvo {
namespace {

constexpr float E = EmptyCellValue;

struct GridPoint {
  float x, spacing, mn;
  float value;          // Rho and IP alike
  std::uint8_t q = 0;   // above the error limit of 1: a bad point
};

struct SetOfPoints {
  std::uint8_t type;
  std::vector<GridPoint> points;
};

// A measured dataset with one set per entry, its stations and levels built,
// and electrode positions 0 and `unitSpacing`.
TDataset Survey(const std::vector<SetOfPoints>& sets, float unitSpacing = 1.0f) {
  TDataset ds;
  ds.DataKind = DataKindResistivityOnly;
  ds.HasIP = true;
  ds.Thresholds.MinIP = -1000;
  ds.Thresholds.MaxIP = 1000;
  for (const SetOfPoints& set : sets) {
    const int first = ds.PointCount + 1;
    for (const GridPoint& g : set.points) {
      TDataPoint p;
      p.X = g.x;
      p.Spacing = g.spacing;
      p.MN = g.mn;
      p.Rho = g.value;
      p.IP = g.value;
      p.Q = g.q;
      ds.Points.Append(p);
      ds.PointCount = ds.Points.Size();
    }
    ds.Sets[++ds.SetCount] = TSetEntry{first, ds.PointCount, set.type};
  }
  RecordingMessenger messenger;
  BuildStationAndLevelLists(ds, messenger);
  for (int i = 1; i <= ds.PointCount; ++i) FindStationAndLevel(ds, i);
  ds.ElectrodePos[1] = 0;
  ds.ElectrodePos[2] = unitSpacing;
  ds.ElectrodePosCount = 2;
  return ds;
}

struct Grids {
  ValueGrid grid;
  ValueGrid raw;
  GridDescriptor descriptor;
  PointIndexMap map;
};

void ExpectCell(float actual, float expected, const std::string& where) {
  if (IsEmptyCell(expected)) {
    EXPECT_TRUE(IsEmptyCell(actual)) << where << " holds " << actual;
  } else {
    EXPECT_NEAR(actual, expected, 1e-5 * std::fabs(expected) + 1e-6) << where;
  }
}

// Descriptor of a hand-made grid with these station coordinates and spacing values.
GridDescriptor Descriptor(const std::vector<float>& stations, const std::vector<float>& spacings) {
  GridDescriptor d;
  d.StationCount = static_cast<int>(stations.size());
  d.LevelCount = static_cast<int>(spacings.size());
  for (int i = 1; i <= d.StationCount; ++i) d.Stations[i] = stations[static_cast<std::size_t>(i - 1)];
  for (int j = 1; j <= d.LevelCount; ++j) {
    d.Spacing[j] = spacings[static_cast<std::size_t>(j - 1)];
    d.MN[j] = 1;
  }
  return d;
}

TEST(BuildGrid, PointsSharingACellArePairedInPointOrder) {
  struct Case {
    bool chargeability;
    std::vector<float> values;
    float cell;
  };
  const Case cases[] = {
      {false, {10, 1000}, 100},
      {true, {10, 20}, 15},
      {false, {10, 1000, 10}, std::sqrt(1000.0f)},  // sqrt(100 * 10)
      {true, {10, 20, 40}, 27.5f},                  // (15 + 40) / 2
  };
  for (const Case& c : cases) {
    std::vector<GridPoint> points;
    for (const float v : c.values) points.push_back({3, 2, 1, v});
    const TDataset ds = Survey({{Wenner, points}});
    Grids g;
    BuildGrid(ds, {}, g.grid, g.raw, Wenner, -1, g.descriptor, c.chargeability, &g.map);
    ASSERT_EQ(g.descriptor.StationCount, 1);
    ASSERT_EQ(g.descriptor.LevelCount, 1);
    ExpectCell(g.grid(1, 1), c.cell, c.chargeability ? "chargeability" : "resistivity");
    EXPECT_EQ(g.map(1, 1), 1);  // the first point keeps the cell
  }
}

TEST(BuildGrid, BadPointsNeverEnter) {
  for (const bool chargeability : {false, true}) {
    // Point 1 is bad and shares the cell of point 2; point 4, alone on the
    // last station, is bad too.
    const TDataset ds = Survey({{Wenner,
                                 {{0, 1, 1, 1000, 50},
                                  {0, 1, 1, 10},
                                  {5, 1, 1, 20},
                                  {10, 1, 1, 30, 2}}}});
    Grids g;
    BuildGrid(ds, {}, g.grid, g.raw, Wenner, -1, g.descriptor, chargeability, &g.map);
    ASSERT_EQ(g.descriptor.StationCount, 3);
    ExpectCell(g.grid(1, 1), 10, "shared cell");
    EXPECT_EQ(g.map(1, 1), 2);
    ExpectCell(g.grid(3, 1), E, "cell of a bad point");
    EXPECT_EQ(g.map(3, 1), 0);
  }
}

TEST(BuildGrid, ChargeabilityOutsideTheLimitsIsBad) {
  TDataset ds = Survey({{Wenner, {{0, 1, 1, 10}, {0, 1, 1, 20}}}});
  ds.Points[2].IP = 500;
  ds.Thresholds.MaxIP = 100;
  Grids g;
  BuildGrid(ds, {}, g.grid, g.raw, Wenner, -1, g.descriptor, true, nullptr);
  ExpectCell(g.grid(1, 1), 10, "cell");
}

TEST(BuildGrid, SetSelection) {
  // Three sets on one cell: Schlumberger 10, dipole-dipole 50, Schlumberger 1000.
  const TDataset ds = Survey({{Schlumberger, {{0, 1, 1, 10}}},
                              {DipoleDipole, {{0, 1, 1, 50}}},
                              {Schlumberger, {{0, 1, 1, 1000}}}});
  struct Case {
    int arrayType;
    int selector;
    float cell;  // E: nothing selected
  };
  const Case cases[] = {
      {Schlumberger, -1, 100},  // both Schlumberger sets
      {DipoleDipole, -1, 50},
      {Wenner, -1, E},
      {DipoleDipole, 0, 10},  // set 1 alone, whatever its type
      {Schlumberger, 1, 50},
      {Schlumberger, 3, E},   // there is no set 4
  };
  for (const Case& c : cases) {
    Grids g;
    BuildGrid(ds, {}, g.grid, g.raw, c.arrayType, c.selector, g.descriptor, false, nullptr);
    const std::string where = "type " + std::to_string(c.arrayType) + " selector " + std::to_string(c.selector);
    if (IsEmptyCell(c.cell)) {
      // Several sets: the empty grid loses every level and station.
      EXPECT_EQ(g.descriptor.LevelCount, 0) << where;
      EXPECT_EQ(g.descriptor.StationCount, 0) << where;
    } else {
      ASSERT_EQ(g.descriptor.LevelCount, 1) << where;
      ExpectCell(g.grid(1, 1), c.cell, where);
    }
  }
}

TEST(BuildGrid, LevelsAndStationsOfOtherSetsAreRemoved) {
  const TDataset ds = Survey({{Schlumberger, {{0, 1, 1, 10}, {20, 3, 1, 30}}},
                              {DipoleDipole, {{10, 2, 1, 99}, {30, 4, 2, 99}}}});
  ASSERT_EQ(ds.StationCount, 4);
  ASSERT_EQ(ds.LevelCount, 4);
  struct Case {
    int arrayType;
    std::vector<float> stations, spacings, mns;
    int firstPoint;
    float first, second;
  };
  const Case cases[] = {
      {Schlumberger, {0, 20}, {1, 3}, {1, 1}, 1, 10, 30},
      {DipoleDipole, {10, 30}, {2, 4}, {1, 2}, 3, 99, 99},
  };
  for (const Case& c : cases) {
    Grids g;
    g.grid.Fill(7);  // left over from an earlier use
    BuildGrid(ds, {}, g.grid, g.raw, c.arrayType, -1, g.descriptor, false, &g.map);
    const GridDescriptor& d = g.descriptor;
    ASSERT_EQ(d.StationCount, 2);
    ASSERT_EQ(d.LevelCount, 2);
    for (int k = 1; k <= 2; ++k) {
      EXPECT_EQ(d.Stations[k], c.stations[static_cast<std::size_t>(k - 1)]);
      EXPECT_EQ(d.Spacing[k], c.spacings[static_cast<std::size_t>(k - 1)]);
      EXPECT_EQ(d.MN[k], c.mns[static_cast<std::size_t>(k - 1)]);
    }
    // Each point moved with its cell; the other two cells and every freed
    // cell are empty.
    ExpectCell(g.grid(1, 1), c.first, "first point");
    ExpectCell(g.grid(2, 2), c.second, "second point");
    EXPECT_EQ(g.map(1, 1), c.firstPoint);
    EXPECT_EQ(g.map(2, 2), c.firstPoint + 1);
    for (const auto& [i, j] : {std::pair{1, 2}, {2, 1}, {3, 1}, {3, 3}, {4, 4}, {1, 3}, {2, 4}}) {
      ExpectCell(g.grid(i, j), E, "cell " + std::to_string(i) + "," + std::to_string(j));
      EXPECT_EQ(g.map(i, j), 0);
    }
  }
}

TEST(BuildGrid, ASingleSetIsNeverCompacted) {
  // Level 2 holds only a bad point.
  const std::vector<GridPoint> points = {
      {0, 1, 1, 10}, {10, 1, 1, 20}, {0, 2, 1, 500, 50}, {0, 3, 1, 40}, {10, 3, 1, 80}};
  struct Case {
    int setCount;
    int levelCount;
    float topSpacing;  // spacing of the top level
  };
  for (const Case& c : {Case{1, 3, 3}, Case{2, 2, 3}}) {
    std::vector<SetOfPoints> sets;
    if (c.setCount == 1) {
      sets = {{Wenner, points}};
    } else {
      sets = {{Wenner, {points.begin(), points.begin() + 2}}, {Wenner, {points.begin() + 2, points.end()}}};
    }
    const TDataset ds = Survey(sets);
    Grids g;
    BuildGrid(ds, {}, g.grid, g.raw, Wenner, -1, g.descriptor, false, nullptr);
    EXPECT_EQ(g.descriptor.StationCount, 2) << c.setCount << " sets";
    ASSERT_EQ(g.descriptor.LevelCount, c.levelCount) << c.setCount << " sets";
    EXPECT_EQ(g.descriptor.Spacing[c.levelCount], c.topSpacing);
  }
}

// Stations at 0, 5, 10 and 15 m with a = 5, values at the two ends: a
// window of one spacing stops at the empty cell next to each gap, a window of
// two reaches across.
TEST(BuildGrid, InterpolationWidthWidensTheFirstPassAlongALevel) {
  struct Case {
    int width;
    bool chargeability;
    float at5, at10;
  };
  const Case cases[] = {
      {1, false, E, E},
      {2, false, static_cast<float>(std::pow(10.0, 1 + 2.0 / 3)), static_cast<float>(std::pow(10.0, 1 + 4.0 / 3))},
      {1, true, E, E},
      {2, true, 340, 670},
  };
  for (const Case& c : cases) {
    // The points at 5 and 10 m are bad: they give their stations, not values.
    const TDataset ds =
        Survey({{PolePole, {{0, 1, 1, 10}, {5, 1, 1, 1, 60}, {10, 1, 1, 1, 60}, {15, 1, 1, 1000}}}}, 5.0f);
    Grids g;
    g.map.Fill(77);  // left over from an earlier use
    BuildGrid(ds, GridSettings{c.width}, g.grid, g.raw, PolePole, -1, g.descriptor, c.chargeability, &g.map);
    const std::string where = "W " + std::to_string(c.width) + (c.chargeability ? " IP" : " Rho");
    ASSERT_EQ(g.descriptor.StationCount, 4) << where;
    ExpectCell(g.grid(2, 1), c.at5, where + " at 5 m");
    ExpectCell(g.grid(3, 1), c.at10, where + " at 10 m");
    ExpectCell(g.raw(2, 1), E, where + " raw at 5 m");
    ExpectCell(g.raw(1, 1), 10, where + " raw at 0 m");
    // Interpolated cells name no point.
    EXPECT_EQ(g.map(1, 1), 1) << where;
    EXPECT_EQ(g.map(2, 1), 0) << where;
    EXPECT_EQ(g.map(4, 1), 4) << where;
  }
}

struct LineCase {
  const char* name;
  bool resistivity;
  std::vector<float> coords;  // station coordinates, or spacing values
  double a;
  int width;
  std::vector<float> cells;
  std::vector<float> filled;
};

void Fill(bool resistivity, ValueGrid& grid, ValueGrid& raw, const GridDescriptor& d, double a, int width) {
  if (resistivity) {
    FillGapsLog(grid, raw, d, a, GridSettings{width});
  } else {
    FillGapsLinear(grid, raw, d, a, GridSettings{width});
  }
}

TEST(FillGaps, AlongALevel) {
  const float r15 = static_cast<float>(std::pow(10.0, 1.5));
  const float r25 = static_cast<float>(std::pow(10.0, 2.5));
  const LineCase cases[] = {
      {"a single gap between distant stations", true, {0, 100, 200}, 1, 1, {10, E, 1000}, {10, 100, 1000}},
      {"zero and negative values are bridged and overwritten", true, {0, 1, 2, 3, 4}, 3, 1,
       {10, -5, E, 0, 1000}, {10, r15, 100, r25, 1000}},
      {"an unusable cell at the window's distance stops the search", true, {0, 1, 2, 3}, 1, 1,
       {10, 0, E, 1000}, {10, 0, E, 1000}},
      {"chargeability uses zero and negative values", false, {0, 1, 2, 3, 4}, 1, 1,
       {10, E, 0, E, -20}, {10, 5, 0, -10, -20}},
      {"chargeability interpolates in the station coordinate", false, {0, 1, 4}, 1, 1,
       {10, E, 50}, {10, 20, 50}},
      {"another window's empty marker is a gap", false, {0, 1, 2}, 1, 1, {10, -1e15f, 20}, {10, 15, 20}},
      {"the end stations are never gaps", true, {0, 1, 2, 3}, 1, 3, {E, 10, 20, E}, {E, 10, 20, E}},
  };
  for (const LineCase& c : cases) {
    const GridDescriptor d = Descriptor(c.coords, {1});
    ValueGrid grid, raw;
    for (int i = 1; i <= d.StationCount; ++i) grid(i, 1) = c.cells[static_cast<std::size_t>(i - 1)];
    Fill(c.resistivity, grid, raw, d, c.a, c.width);
    for (int i = 1; i <= d.StationCount; ++i) {
      const std::string where = std::string(c.name) + ", station " + std::to_string(i);
      ExpectCell(grid(i, 1), c.filled[static_cast<std::size_t>(i - 1)], where);
      ExpectCell(raw(i, 1), c.cells[static_cast<std::size_t>(i - 1)], where + " (raw)");
    }
  }
}

TEST(FillGaps, AlongAStation) {
  const LineCase cases[] = {
      {"resistivity is a power of the spacing", true, {1, 2, 4}, 1, 1, {10, E, 1000}, {10, 100, 1000}},
      {"chargeability is linear in the spacing", false, {1, 2, 4}, 1, 1, {10, E, 1000}, {10, 340, 1000}},
      {"the window is two unit spacings", false, {1, 2, 3, 4}, 1, 1, {10, E, E, 40}, {10, 20, 30, 40}},
      {"a narrower window stops at the empty cell", false, {1, 2, 3, 4}, 0.5, 3, {10, E, E, 40},
       {10, E, E, 40}},
      {"zero spacing has no logarithm", true, {0, 1, 2}, 1, 1, {10, E, 1000}, {10, E, 1000}},
      {"negative spacing has no logarithm", true, {-1, 1, 2}, 1, 1, {10, E, 1000}, {10, E, 1000}},
      {"equal spacings give no slope (resistivity)", true, {2, 2, 2.005f}, 1, 1, {10, E, 1000}, {10, E, 1000}},
      {"equal spacings give no slope (chargeability)", false, {2, 2, 2.005f}, 1, 1, {10, E, 1000},
       {10, E, 1000}},
  };
  for (const LineCase& c : cases) {
    const GridDescriptor d = Descriptor({0}, c.coords);
    ValueGrid grid, raw;
    for (int j = 1; j <= d.LevelCount; ++j) grid(1, j) = c.cells[static_cast<std::size_t>(j - 1)];
    Fill(c.resistivity, grid, raw, d, c.a, c.width);
    for (int j = 1; j <= d.LevelCount; ++j) {
      const std::string where = std::string(c.name) + ", level " + std::to_string(j);
      ExpectCell(grid(1, j), c.filled[static_cast<std::size_t>(j - 1)], where);
      EXPECT_FALSE(std::isnan(grid(1, j))) << where;
    }
  }
}

// A gap that neither the first pass along its level nor the pass along its
// station can fill is filled by the last pass along the level, from a
// neighbour the station pass supplied.
TEST(FillGaps, TheLastPassUsesCellsFilledAlongStations) {
  const GridDescriptor d = Descriptor({0, 1, 2, 3}, {1, 2, 3});
  const std::vector<std::vector<float>> levels = {
      {E, E, 10, 0},
      {0, E, E, 0},
      {E, E, 30, 0},
  };
  const std::vector<std::vector<float>> filled = {
      {E, E, 10, 0},
      {0, 10, 20, 0},
      {E, E, 30, 0},
  };
  ValueGrid grid, raw;
  for (int j = 1; j <= 3; ++j) {
    const auto& row = levels[static_cast<std::size_t>(j - 1)];
    for (int i = 1; i <= 4; ++i) grid(i, j) = row[static_cast<std::size_t>(i - 1)];
  }
  FillGapsLinear(grid, raw, d, 1.0, GridSettings{1});
  for (int j = 1; j <= 3; ++j) {
    for (int i = 1; i <= 4; ++i) {
      ExpectCell(grid(i, j), filled[static_cast<std::size_t>(j - 1)][static_cast<std::size_t>(i - 1)],
                 "cell " + std::to_string(i) + "," + std::to_string(j));
    }
  }
}

// A line of more stations or levels than one storage block of the
// descriptor's tables holds (a line of 1 024 electrodes has 2 041
// stations): the gaps far along it are filled from the coordinates there,
// as near its start.
TEST(FillGaps, LongLinesUseTheirOwnCoordinatesThroughout) {
  constexpr int Long = 1900;
  std::vector<float> coords(Long);
  for (int k = 0; k < Long; ++k) coords[static_cast<std::size_t>(k)] = 0.5f * static_cast<float>(k + 1);
  const std::vector<int> gaps = {10, 1030, 1500, 1899};
  for (const bool alongLevel : {true, false}) {
    const GridDescriptor d = alongLevel ? Descriptor(coords, {1}) : Descriptor({0}, coords);
    ValueGrid grid, raw;
    const auto cell = [&grid, alongLevel](int k) -> float& { return alongLevel ? grid(k, 1) : grid(1, k); };
    // Chargeability linear in the coordinate, one cell missing at each gap.
    for (int k = 1; k <= Long; ++k) cell(k) = 3.0f * coords[static_cast<std::size_t>(k - 1)] + 1.0f;
    for (const int k : gaps) cell(k) = E;
    FillGapsLinear(grid, raw, d, 0.5, GridSettings{1});
    for (const int k : gaps) {
      ExpectCell(cell(k), 3.0f * coords[static_cast<std::size_t>(k - 1)] + 1.0f,
                 std::string(alongLevel ? "station " : "level ") + std::to_string(k));
    }
  }
}

}  // namespace
}  // namespace tarvo
