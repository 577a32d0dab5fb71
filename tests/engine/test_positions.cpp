#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "engine/core/array_types.h"
#include "engine/core/positions.h"

namespace tarvo {
namespace {

struct Place {
  float x, spacing, mn;
};

TDataset DatasetAt(const std::vector<Place>& places) {
  TDataset ds;
  for (const Place& p : places) {
    TDataPoint point;
    point.X = p.x;
    point.Spacing = p.spacing;
    point.MN = p.mn;
    ds.Points.Append(point);
  }
  ds.PointCount = ds.Points.Size();
  return ds;
}

// What the layout analysis does for stations and levels.
void Rebuild(TDataset& ds, Messenger& messenger) {
  ds.StationCount = 0;
  ds.LevelCount = 0;
  BuildStationAndLevelLists(ds, messenger);
  for (int i = 1; i <= ds.PointCount; ++i) FindStationAndLevel(ds, i);
}

std::vector<float> StationList(const TDataset& ds) {
  std::vector<float> list;
  for (int i = 1; i <= ds.StationCount; ++i) list.push_back(ds.Stations[i]);
  return list;
}

std::vector<std::pair<float, float>> LevelList(const TDataset& ds) {
  std::vector<std::pair<float, float>> list;
  for (int i = 1; i <= ds.LevelCount; ++i) list.emplace_back(ds.LevelSpacing[i], ds.LevelMN[i]);
  return list;
}

TEST(Stations, DistinctAbscissasInAscendingOrder) {
  struct Case {
    std::vector<float> xs;
    std::vector<float> stations;
  };
  const Case cases[] = {
      {{10.0f, 10.005f}, {10.0f}},
      {{10.0f, 10.02f}, {10.0f, 10.02f}},
      {{5.0f, 1.0f, 3.0f, 1.004f, 7.0f, -2.0f}, {-2.0f, 1.0f, 3.0f, 5.0f, 7.0f}},
  };
  for (const Case& c : cases) {
    std::vector<Place> places;
    for (const float x : c.xs) places.push_back({x, 1.0f, 1.0f});
    TDataset ds = DatasetAt(places);
    RecordingMessenger messenger;
    Rebuild(ds, messenger);
    EXPECT_EQ(StationList(ds), c.stations);
    for (int i = 1; i <= ds.PointCount; ++i) {
      ASSERT_GE(ds.Points[i].Station, 1);
      EXPECT_NEAR(ds.Stations[ds.Points[i].Station], ds.Points[i].X, 0.01) << "point " << i;
    }
    EXPECT_TRUE(messenger.entries.empty());
  }
}

TEST(Levels, SchlumbergerLevelsAscendWithOverlapsOrderedByMN) {
  const std::vector<std::pair<float, float>> expected = {{1.5f, 1}, {2, 1}, {3, 1}, {3, 2}, {5, 2}};
  // The order of the points in the file does not matter.
  const std::vector<std::vector<int>> orders = {{0, 1, 2, 3, 4}, {4, 3, 2, 1, 0}, {3, 4, 0, 1, 2}, {2, 0, 4, 1, 3}};
  for (const auto& order : orders) {
    std::vector<Place> places;
    for (const int k : order) places.push_back({0.0f, expected[k].first, expected[k].second});
    TDataset ds = DatasetAt(places);
    ds.ArrayType = Schlumberger;
    RecordingMessenger messenger;
    Rebuild(ds, messenger);
    EXPECT_EQ(LevelList(ds), expected);
    EXPECT_EQ(ds.LevelDupCount, 1);
    for (int i = 1; i <= ds.PointCount; ++i) {
      const TDataPoint& p = ds.Points[i];
      EXPECT_EQ(LevelList(ds)[static_cast<std::size_t>(p.Level - 1)], std::make_pair(p.Spacing, p.MN));
    }
  }
}

TEST(Levels, ValuesAreKeptToTheThousandth) {
  TDataset ds = DatasetAt({{0, 2.0004f, 0.9996f}, {1, 2.0f, 1.0f}, {2, 2.0036f, 1.0f}});
  RecordingMessenger messenger;
  Rebuild(ds, messenger);
  ASSERT_EQ(ds.LevelCount, 1);  // all three lie within 0.01 of one another
  EXPECT_EQ(ds.LevelSpacing[1], 2.0f);
  EXPECT_EQ(ds.LevelMN[1], 1.0f);
  for (int i = 1; i <= 3; ++i) EXPECT_EQ(ds.Points[i].Level, 1);
}

// Spacings a few millimetres apart can be inserted out of order; a rebuild
// sorts them unless the previous one found overlapping levels.
TEST(Levels, NearEqualSpacingsAreSortedOnlyAfterARebuildWithoutOverlaps) {
  const std::vector<Place> places = {
      {0, 1.015f, 0.505f}, {0, 2.015f, 0.51f}, {0, 3.005f, 1.51f}, {0, 4.015f, 0.5f}, {0, 2.005f, 1.0f}};
  struct Case {
    int previousDupCount;
    std::vector<float> spacings;
  };
  const Case cases[] = {
      {0, {1.015f, 2.005f, 2.015f, 3.005f, 4.015f}},
      {1, {1.015f, 2.015f, 2.005f, 3.005f, 4.015f}},
  };
  for (const Case& c : cases) {
    TDataset ds = DatasetAt(places);
    ds.LevelDupCount = c.previousDupCount;
    RecordingMessenger messenger;
    Rebuild(ds, messenger);
    std::vector<float> spacings;
    for (const auto& level : LevelList(ds)) spacings.push_back(level.first);
    EXPECT_EQ(spacings, c.spacings) << "previous LevelDupCount " << c.previousDupCount;
    EXPECT_EQ(ds.LevelDupCount, 1);
  }
}

TEST(StationsAndLevels, FullListsAreReportedOncePerRebuild) {
  // More points than a dataset holds, to reach the capacity of the station
  // list as well as that of the level list.
  const int count = MaxStations + 5;
  std::vector<Place> places;
  for (int k = 1; k <= count; ++k) places.push_back({static_cast<float>(k), static_cast<float>(k), 1.0f});
  TDataset ds = DatasetAt(places);
  ds.ArrayType = Schlumberger;
  RecordingMessenger messenger;

  const std::vector<std::string> once = {
      "\tToo many AB/2 distances.\r\nMaximal number - " + std::to_string(MaxLevels),
      "Too many VES locations.\r\nMaximal number - " + std::to_string(MaxStations),
  };
  Rebuild(ds, messenger);
  EXPECT_EQ(messenger.Texts(), once);
  for (const auto& e : messenger.entries) EXPECT_EQ(e.kind, MessageKind::Error);

  EXPECT_EQ(ds.StationCount, MaxStations);
  EXPECT_EQ(ds.Stations[MaxStations], static_cast<float>(MaxStations));
  EXPECT_EQ(ds.LevelCount, MaxLevels);
  EXPECT_EQ(ds.LevelSpacing[MaxLevels], static_cast<float>(MaxLevels));
  // Points beyond the capacity fall on the last station and level.
  EXPECT_EQ(ds.Points[count].Station, MaxStations);
  EXPECT_EQ(ds.Points[count].Level, MaxLevels);
  EXPECT_EQ(ds.Points[MaxLevels + 1].Level, MaxLevels);
  EXPECT_EQ(ds.Points[MaxLevels + 1].Station, MaxLevels + 1);

  messenger.entries.clear();
  Rebuild(ds, messenger);
  EXPECT_EQ(messenger.Texts(), once);
}

TEST(UnitElectrodeSpacing, DistanceBetweenTheTwoMiddlePositions) {
  struct Case {
    std::vector<float> positions;
    double spacing;
  };
  const Case cases[] = {
      {{}, 0.0},
      {{4}, 0.0},
      {{0, 2}, 2.0},
      {{0, 1, 4}, 1.0},
      {{0, 1, 4, 9}, 3.0},
      {{0, 1, 4, 9, 16}, 3.0},
      {{0, 1, 4, 9, 16, 25}, 5.0},
  };
  for (const Case& c : cases) {
    TDataset ds;
    for (const float x : c.positions) ds.ElectrodePos[++ds.ElectrodePosCount] = x;
    EXPECT_DOUBLE_EQ(UnitElectrodeSpacing(ds), c.spacing) << c.positions.size() << " positions";
  }
}

}  // namespace
}  // namespace tarvo
