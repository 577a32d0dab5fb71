#include <gtest/gtest.h>

#include "engine/core/bad_points.h"
#include "engine/core/layout_analysis.h"
#include "engine/core/numbers.h"
#include "test_support.h"

namespace tarvo {
namespace {

using test::AddTextPoint;

// Dipole-dipole points over a line of `count` electrodes, a = spacing, n = 1..3,
// listed from the deepest level down so the positions arrive out of order.
void AddDipoleDipoleLine(TDataset& ds, int count, float spacing, Messenger& messenger) {
  for (int n = 3; n >= 1; --n) {
    for (int first = count - n - 3; first >= 0; --first) {
      const float xA = static_cast<float>(first) * spacing;
      const int i = AddTextPoint(ds, {4, xA, xA + spacing, xA + static_cast<float>(n + 1) * spacing,
                                      xA + static_cast<float>(n + 2) * spacing});
      ClassifyPoint(ds, i, messenger);
    }
  }
}

TEST(AnalyseLayout, FindsEveryElectrodePositionInOrder) {
  TDataset ds;
  RecordingMessenger messenger;
  ds.DataKind = DataKindResistivityOnly;
  AddDipoleDipoleLine(ds, 48, 2.0f, messenger);
  AnalyseLayout(ds, messenger);
  ASSERT_EQ(ds.ElectrodePosCount, 48);
  for (int i = 1; i <= 48; ++i) EXPECT_FLOAT_EQ(ds.ElectrodePos[i], 2.0f * static_cast<float>(i - 1));
  EXPECT_EQ(ElectrodeIndexOf(ds, 10.004), 6);
  EXPECT_EQ(ElectrodeIndexOf(ds, 11.0), 0);
  EXPECT_EQ(ElectrodeIndexOf(ds, NoElectrode), 0);
  for (int i = 1; i <= ds.PointCount; ++i) {
    const TDataPoint& p = ds.Points[i];
    ASSERT_GE(p.Station, 1);
    ASSERT_GE(p.Level, 1);
    EXPECT_TRUE(ApproxEqual(ds.Stations[p.Station], p.X));
    EXPECT_TRUE(ApproxEqual(ds.LevelSpacing[p.Level], p.Spacing));
  }
  EXPECT_FALSE(ds.ElectrodeNumbersAvailable);  // a text file has no cable numbers
  EXPECT_TRUE(messenger.entries.empty());
}

TEST(AnalyseLayout, NearbyAbscissasAreOneElectrode) {
  TDataset ds;
  RecordingMessenger messenger;
  AddTextPoint(ds, {2, 10.0f, NoElectrode, 10.008f, NoElectrode});
  AddTextPoint(ds, {2, 10.0f, NoElectrode, 10.02f, NoElectrode});
  for (int i = 1; i <= 2; ++i) ClassifyPoint(ds, i, messenger);
  AnalyseLayout(ds, messenger);
  EXPECT_EQ(ds.ElectrodePosCount, 2);  // 10.000 = 10.008, 10.02 apart
}

TEST(AnalyseLayout, StopsAtTheElectrodeCapacity) {
  TDataset ds;
  RecordingMessenger messenger;
  // Pole-pole points of one spacing moving along more positions than the
  // capacity: the position after the last that fits overflows.
  const int count = MaxElectrodePositions + 9;
  for (int k = 1; k <= count; ++k) {
    const int i =
        AddTextPoint(ds, {2, static_cast<float>(k - 1), NoElectrode, static_cast<float>(k), NoElectrode});
    ClassifyPoint(ds, i, messenger);
  }
  AnalyseLayout(ds, messenger);
  EXPECT_EQ(ds.ElectrodePosCount, MaxElectrodePositions);
  ASSERT_EQ(messenger.entries.size(), 1u);
  EXPECT_EQ(messenger.entries[0].text, "Too many electrodes in data.\r\nMaximal number - " + std::to_string(MaxElectrodePositions));
  // Points past the overflow still have a place on the pseudosection.
  EXPECT_EQ(ds.LevelCount, 1);
  EXPECT_EQ(ds.StationCount, count);
  EXPECT_EQ(ds.Points[count].Station, count);
  EXPECT_EQ(ds.Points[count].Level, 1);
}

TEST(AssignElectrodeNumbers, CableNumbersOfAnInstrumentSequence) {
  TDataset ds;
  RecordingMessenger messenger;
  test::MakeLine(ds, 10, 5.0f);
  test::SetQuads(ds, {{3, 6, 4, 5}, {4, 7, 5, 6}});
  ds.DataKind = DataKindSequence;
  ds.SetCount = 1;
  ASSERT_TRUE(ClassifySequence(ds, messenger));
  AnalyseLayout(ds, messenger);  // as the open command does once the set is recorded
  ASSERT_TRUE(ds.ElectrodeNumbersAvailable);
  ASSERT_EQ(ds.ElectrodePosCount, 5);
  for (int i = 1; i <= 5; ++i) EXPECT_EQ(ds.ElectrodePosNumber[i], i + 2);
}

TEST(GroupTextPoints, OneSetPerTypeInOrderOfFirstAppearance) {
  TDataset ds;
  RecordingMessenger messenger;
  // Schlumberger, dipole-dipole, Wenner, dipole-dipole, Schlumberger.
  AddTextPoint(ds, {4, 0, 6, 2.5f, 3.5f});
  AddTextPoint(ds, {4, 0, 1, 3, 4});
  AddTextPoint(ds, {4, 0, 6, 2, 4});
  AddTextPoint(ds, {4, 1, 2, 4, 5});
  AddTextPoint(ds, {4, 2, 8, 4.5f, 5.5f});
  for (int i = 1; i <= 5; ++i) ClassifyPoint(ds, i, messenger);
  ds.Points[1].ZA = 12.5f;

  ASSERT_TRUE(GroupTextPoints(ds, 2, messenger));
  EXPECT_EQ(ds.SetCount, 2);
  EXPECT_EQ(ds.TypeGroupCount, 2);
  EXPECT_EQ(ds.Sets[3], (TSetEntry{1, 3, Schlumberger}));
  EXPECT_EQ(ds.Sets[4], (TSetEntry{4, 5, DipoleDipole}));
  for (int i = 1; i <= 3; ++i) EXPECT_EQ(ds.Points[i].PointType, Schlumberger);
  EXPECT_EQ(ds.SetSeqHeaders[3].QuadCount, 3);
  EXPECT_EQ(ds.SetSeqHeaders[4].TitleText(), "ABMN");
  ASSERT_EQ(ds.SetNames.size(), 4u);
  EXPECT_EQ(ds.SetNames[2], "Schlumberger (AMNB)");
  EXPECT_EQ(ds.SetNames[3], "dipole-dipole (ABMN)");
  EXPECT_EQ(ds.ElectrodeXZ[1], (ElectrodeXZEntry{0, 12.5f}));
}

TEST(GroupTextPoints, CutsThePointThatBringsOneElectrodeTooMany) {
  TDataset ds;
  RecordingMessenger messenger;
  for (int k = 1; k <= MaxElectrodePositions + 4; ++k) {
    const int i = AddTextPoint(ds, {2, 0.0f, NoElectrode, static_cast<float>(k), NoElectrode});
    ClassifyPoint(ds, i, messenger);
  }
  ASSERT_TRUE(GroupTextPoints(ds, 0, messenger));
  // Point k brings electrode k + 1: the last that fits is point Max - 1.
  const int kept = MaxElectrodePositions - 1;
  EXPECT_EQ(ds.PointCount, kept);
  EXPECT_EQ(ds.ElectrodeXZCount, MaxElectrodePositions);
  ASSERT_EQ(messenger.entries.size(), 1u);
  EXPECT_EQ(messenger.entries[0].text,
            "Too many electrodes in data.\r\nMaximal number - " + std::to_string(MaxElectrodePositions) +
                "\r\nOnly first " + std::to_string(kept) + " data points taked in account");
  EXPECT_EQ(ds.Sets[1].Last, kept);
}

TEST(GroupTextPoints, RefusesMoreSetsThanTheCapacity) {
  TDataset ds;
  RecordingMessenger messenger;
  const int i = AddTextPoint(ds, {2, 0, NoElectrode, 1, NoElectrode});
  ClassifyPoint(ds, i, messenger);
  EXPECT_FALSE(GroupTextPoints(ds, MaxSets, messenger));
  EXPECT_EQ(ds.PointCount, 0);
  EXPECT_EQ(messenger.entries.size(), 1u);
}

// Three sequence files of one array type, one set each; file 3 repeats two
// quadripoles of file 1.
TDataset ThreeSequenceSets() {
  TDataset ds;
  RecordingMessenger messenger;
  ds.DataKind = DataKindSequence;
  const float sets[3][3] = {{0, 1, 2}, {5, 6, 7}, {0, 2, 9}};
  for (int s = 0; s < 3; ++s) {
    const int first = ds.PointCount + 1;
    for (float x : sets[s]) {
      const int i = AddTextPoint(ds, {4, x, x + 3, x + 1, x + 2});
      ClassifyPoint(ds, i, messenger);
      ds.Points[i].Q = QPlanned;
    }
    AddSet(ds, first, ds.PointCount, Wenner);
  }
  AnalyseLayout(ds, messenger);
  return ds;
}

TEST(MarkRepeatedQuadripoles, MarksRepeatsOfEarlierFiles) {
  TDataset ds = ThreeSequenceSets();
  MarkRepeatedQuadripoles(ds);
  EXPECT_EQ(ds.MergedCount, 2);
  EXPECT_EQ(ds.Points[7].Q, QRepeated);
  EXPECT_EQ(ds.Points[8].Q, QRepeated);
  EXPECT_EQ(ds.Points[9].Q, QPlanned);

  TDataset one = ThreeSequenceSets();
  one.SequenceSetCount = one.SetCount;  // one sequence read as several sets
  MarkRepeatedQuadripoles(one);
  EXPECT_EQ(one.MergedCount, 0);
}

TEST(MergeRepeatedMeasurements, LaterPointTakesTheGeometricMean) {
  TDataset ds = ThreeSequenceSets();
  ds.DataKind = DataKindResistivityOnly;
  for (int i = 1; i <= ds.PointCount; ++i) {
    ds.Points[i].Q = 0;
    ds.Points[i].Rho = 100;
  }
  ds.Points[7].Rho = 400;
  ds.Points[8].Q = 50;  // bad: takes no part
  MergeRepeatedMeasurements(ds);
  EXPECT_FLOAT_EQ(ds.Points[7].Rho, 200.0f);
  EXPECT_EQ(ds.Points[1].Q, QRejected);
  EXPECT_EQ(ds.Points[3].Q, 0);
  EXPECT_FLOAT_EQ(ds.Points[8].Rho, 100.0f);
  EXPECT_EQ(ds.MergedCount, 1);
  EXPECT_EQ(ds.BadCount, 2);  // the merged point and the bad one
}

}  // namespace
}  // namespace tarvo
