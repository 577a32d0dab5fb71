// The searches of the layout analysis answer what a scan of the lists from
// the top answers, on lines built to hit the tolerance's edges: abscissas on
// a 0.005 m grid, so that chains of values each within 0.01 of the next
// occur, the first entry of a chain decides, and one value can be within
// 0.01 of two entries.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <utility>
#include <random>
#include <vector>

#include "engine/core/bad_points.h"
#include "engine/core/layout_analysis.h"
#include "engine/core/numbers.h"
#include "engine/core/positions.h"
#include "engine/core/tolerance_index.h"
#include "test_support.h"

namespace tarvo {
namespace {

using test::AddTextPoint;

float OnGrid(std::mt19937& rng, int cells) {
  return 0.005f * static_cast<float>(std::uniform_int_distribution<int>(0, cells)(rng));
}

// Text points of two and four electrodes with abscissas on the 0.005 grid,
// in sets of mixed types, some of them repeating earlier points exactly.
TDataset TolerantLine(unsigned seed, int points, int sets) {
  std::mt19937 rng(seed);
  TDataset ds;
  RecordingMessenger messenger;
  ds.DataKind = DataKindResistivityOnly;
  for (int k = 1; k <= points; ++k) {
    if (k > 3 && rng() % 4 == 0) {
      const int from = std::uniform_int_distribution<int>(1, k - 1)(rng);
      ds.Points.Append(ds.Points[from]);
      ds.PointCount = ds.Points.Size();
    } else {
      const float a = OnGrid(rng, 60);
      const float m = a + 0.005f + OnGrid(rng, 40);
      const int i = rng() % 3 == 0 ? AddTextPoint(ds, {2, a, NoElectrode, m, NoElectrode})
                                   : AddTextPoint(ds, {4, a, a + 0.01f + OnGrid(rng, 4), m, m + OnGrid(rng, 6)});
      ClassifyPoint(ds, i, messenger);
    }
    TDataPoint& p = ds.Points[ds.PointCount];
    p.Q = static_cast<std::uint8_t>(rng() % 5 == 0 ? 50 : 0);  // one in five bad
    p.Rho = 10.0f + static_cast<float>(rng() % 90);
  }
  ds.SetCount = sets;
  for (int s = 1; s <= sets; ++s) {
    ds.Sets[s] = TSetEntry{(s - 1) * points / sets + 1, s * points / sets, static_cast<std::uint8_t>(1 + s % 2)};
  }
  AnalyseLayout(ds, messenger);
  return ds;
}

TEST(LayoutLookups, StationsLevelsAndElectrodesAsAScanFindsThem) {
  for (unsigned seed = 1; seed <= 20; ++seed) {
    SCOPED_TRACE(seed);
    TDataset ds = TolerantLine(seed, 400, 3);
    ASSERT_GT(ds.StationCount, 1);
    ASSERT_GT(ds.LevelCount, 1);
    // The lists are what inserting each new value after the last smaller
    // one, unless an ApproxEqual one is there, makes of them.
    std::vector<float> stations;
    std::vector<float> positions;
    const auto insert = [](std::vector<float>& list, double x) {
      for (const float v : list) {
        if (ApproxEqual(v, x)) return;
      }
      std::size_t after = list.size();
      while (after >= 1 && !(list[after - 1] < x)) --after;
      list.insert(list.begin() + static_cast<std::ptrdiff_t>(after), static_cast<float>(x));
    };
    for (int i = 1; i <= ds.PointCount; ++i) {
      const TDataPoint& p = ds.Points[i];
      insert(stations, p.X);
      for (const float x : {p.XA, p.XB, p.XM, p.XN}) insert(positions, x);
    }
    ASSERT_EQ(ds.StationCount, static_cast<int>(stations.size()));
    for (int s = 1; s <= ds.StationCount; ++s) EXPECT_EQ(ds.Stations[s], stations[static_cast<std::size_t>(s - 1)]);
    ASSERT_EQ(ds.ElectrodePosCount, static_cast<int>(positions.size()));
    for (int e = 1; e <= ds.ElectrodePosCount; ++e) {
      EXPECT_EQ(ds.ElectrodePos[e], positions[static_cast<std::size_t>(e - 1)]);
    }

    // Every point's station and level are those of the plain scan, and so
    // is every electrode index, also between the grid steps.
    TDataset scanned = ds;
    const StationLevelLookup lookup(ds);
    const ElectrodeIndex electrodes(ds);
    for (int i = 1; i <= ds.PointCount; ++i) {
      FindStationAndLevel(scanned, i);
      TDataPoint p = ds.Points[i];
      lookup.Find(p);
      EXPECT_EQ(p.Station, scanned.Points[i].Station) << i;
      EXPECT_EQ(p.Level, scanned.Points[i].Level) << i;
    }
    for (int k = -4; k <= 16000; ++k) {
      const double x = 0.0025 * k - 0.003;
      ASSERT_EQ(electrodes.Of(x), ElectrodeIndexOf(ds, x)) << x;
    }
    EXPECT_EQ(electrodes.Of(NoElectrode), 0);
  }
}

TEST(LayoutLookups, RepeatsAndMergesAsThePairwiseScanGivesThem) {
  for (unsigned seed = 1; seed <= 20; ++seed) {
    SCOPED_TRACE(seed);
    const TDataset line = TolerantLine(seed, 300, 3 + static_cast<int>(seed % 4));

    TDataset sequence = line;
    sequence.DataKind = DataKindSequence;
    for (int i = 1; i <= sequence.PointCount; ++i) sequence.Points[i].Q = QPlanned;
    TDataset sequenceScan = sequence;
    MarkRepeatedQuadripoles(sequence);
    MarkRepeatedQuadripolesByScan(sequenceScan);
    EXPECT_GT(sequence.MergedCount, 0);
    EXPECT_EQ(sequence.MergedCount, sequenceScan.MergedCount);
    for (int i = 1; i <= sequence.PointCount; ++i) EXPECT_EQ(sequence.Points[i].Q, sequenceScan.Points[i].Q) << i;

    // Merging changes resistivities in the scan's order: a point merged
    // into several, and several into one, give the same bits.
    TDataset data = line;
    TDataset dataScan = line;
    MergeRepeatedMeasurements(data);
    MergeRepeatedMeasurementsByScan(dataScan);
    CountBadPoints(dataScan);
    EXPECT_GT(data.MergedCount, 0);
    EXPECT_EQ(data.MergedCount, dataScan.MergedCount);
    EXPECT_EQ(data.BadCount, dataScan.BadCount);
    for (int i = 1; i <= data.PointCount; ++i) {
      EXPECT_EQ(data.Points[i].Q, dataScan.Points[i].Q) << i;
      EXPECT_EQ(std::bit_cast<std::uint32_t>(data.Points[i].Rho), std::bit_cast<std::uint32_t>(dataScan.Points[i].Rho))
          << i;
    }
  }
}

TEST(LayoutLookups, SetsOutOfOrderTakeThePairwiseScan) {
  TDataset ds = TolerantLine(7, 200, 3);
  // Set 3 covers set 1 again: the grouped search does not apply.
  ds.Sets[3] = TSetEntry{1, 40, ds.Sets[1].Type};
  TDataset scan = ds;
  MergeRepeatedMeasurements(ds);
  MergeRepeatedMeasurementsByScan(scan);
  CountBadPoints(scan);
  EXPECT_GT(ds.MergedCount, 0);
  EXPECT_EQ(ds.MergedCount, scan.MergedCount);
  for (int i = 1; i <= ds.PointCount; ++i) {
    EXPECT_EQ(ds.Points[i].Q, scan.Points[i].Q) << i;
    EXPECT_EQ(ds.Points[i].Rho, scan.Points[i].Rho) << i;
  }
}

TEST(ToleranceIndex, FirstPlaceOfTheRunAndNoNumber) {
  // Places 1..5; 10.0 and 10.016 are both within 0.01 of 10.008.
  struct OneBased {
    std::vector<double> v;
    double operator[](int i) const { return v[static_cast<std::size_t>(i - 1)]; }
  };
  const OneBased values{{10.016, 3.0, 10.0, std::nan(""), 10.03}};
  const ToleranceIndex index(values, 5);
  EXPECT_EQ(index.First(10.008), 1);  // the scan from the top meets 10.016 first
  EXPECT_EQ(index.First(10.0), 3);
  EXPECT_EQ(index.First(10.02), 1);
  EXPECT_EQ(index.First(10.04), 5);
  EXPECT_EQ(index.First(3.0101), 0);
  EXPECT_EQ(index.First(std::nan("")), 0);
}

TEST(ExactMemo, KeepsEveryAnswerThroughItsGrowth) {
  ExactMemo memo;
  EXPECT_EQ(memo.Find(ExactMemo::Key(1.0f)), nullptr);
  // Keys that differ only in one half, in the sign of zero or in a NaN's
  // payload are different questions; enough of them to double the table
  // several times.
  std::vector<std::uint64_t> keys;
  for (int i = 0; i < 3000; ++i) {
    keys.push_back(ExactMemo::Key(0.25f * static_cast<float>(i)));
    keys.push_back(ExactMemo::Key(0.5f, 0.25f * static_cast<float>(i)));
  }
  keys.push_back(ExactMemo::Key(-0.0f));
  keys.push_back(ExactMemo::Key(std::bit_cast<float>(0x7FC00001u)));
  for (std::size_t k = 0; k < keys.size(); ++k) memo.Put(keys[k], static_cast<int>(k));
  for (std::size_t k = 0; k < keys.size(); ++k) {
    const int* found = memo.Find(keys[k]);
    ASSERT_NE(found, nullptr) << k;
    EXPECT_EQ(*found, static_cast<int>(k));
  }
  EXPECT_NE(ExactMemo::Key(0.0f), ExactMemo::Key(-0.0f));
  EXPECT_EQ(memo.Find(ExactMemo::Key(std::bit_cast<float>(0x7FC00002u))), nullptr);
  memo.Put(keys[7], -3);  // a second answer replaces the first
  EXPECT_EQ(*memo.Find(keys[7]), -3);
  EXPECT_EQ(memo.Find(ExactMemo::Key(0.1f)), nullptr);
}

TEST(BoundedTable, HoldsWhatIsWrittenAndReadsTheFillBeyond) {
  BoundedTable<float, MaxStations> t;
  EXPECT_EQ(t.Allocated(), 0);
  EXPECT_EQ(std::as_const(t)[MaxStations], 0.0f);  // reading allocates nothing
  EXPECT_EQ(t.Allocated(), 0);
  t[3] = 7;
  const float& kept = t[3];
  t[5000] = 9;  // growing moves no entry
  EXPECT_EQ(&kept, &t[3]);
  EXPECT_GE(t.Allocated(), 5000);
  EXPECT_LT(t.Allocated(), MaxStations);
  BoundedTable<float, MaxStations> copy = t;
  EXPECT_EQ(copy, t);
  copy.Fill(2);
  EXPECT_EQ(copy.Allocated(), 0);
  EXPECT_EQ(copy[1], 2.0f);
  EXPECT_FALSE(copy == t);
}

}  // namespace
}  // namespace tarvo
