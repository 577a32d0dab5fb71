#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "engine/core/array_types.h"
#include "engine/core/bad_points.h"
#include "engine/core/dataset.h"
#include "engine/core/layout_analysis.h"
#include "engine/core/messenger.h"
#include "engine/export/export_options.h"
#include "engine/export/sondo_writer.h"
#include "test_files.h"

namespace tarvo {
namespace {

namespace fs = std::filesystem;

struct SoundingPoint {
  float x, spacing, mn, rho;
  std::uint8_t q = 0;
  float ip = 0;
};

struct PointSet {
  std::uint8_t type;  // Schlumberger or dipole-dipole
  const char* title;
  std::vector<SoundingPoint> points;
};

// A measured dataset of soundings, one set per entry, analysed as after a
// read. Electrodes are placed by the array's geometry around the point.
TDataset Survey(const std::vector<PointSet>& sets, int errorLimit = 1) {
  TDataset ds;
  ds.DataKind = DataKindResistivityOnly;
  ds.Thresholds.ErrorLimit = errorLimit;
  for (const PointSet& set : sets) {
    const int first = ds.PointCount + 1;
    for (const SoundingPoint& g : set.points) {
      TDataPoint p;
      p.PointType = set.type;
      p.ElectrodeCount = 4;
      p.X = g.x;
      p.Spacing = g.spacing;
      p.MN = g.mn;
      p.Rho = g.rho;
      p.Q = g.q;
      p.IP = g.ip;
      if (set.type == DipoleDipole) {
        p.XA = g.x - g.spacing - g.mn / 2;
        p.XB = g.x - g.spacing + g.mn / 2;
        p.XM = g.x + g.spacing - g.mn / 2;
        p.XN = g.x + g.spacing + g.mn / 2;
      } else {
        p.XA = g.x - g.spacing;
        p.XB = g.x + g.spacing;
        p.XM = g.x - g.mn / 2;
        p.XN = g.x + g.mn / 2;
      }
      ds.Points.Append(p);
      ds.PointCount = ds.Points.Size();
    }
    ds.SeqHeader.SetTitleText(set.title);
    ds.ArrayType = set.type;
    AddSet(ds, first, ds.PointCount, set.type);
  }
  RecordingMessenger messenger;
  AnalyseLayout(ds, messenger);
  return ds;
}

// Schlumberger soundings at 10, 20 and 30 m whose levels repeat AB/2 = 2
// with a second MN: the "dtg" format with one overlap at level 2.
TDataset OverlapSurvey() {
  TDataset ds = Survey({{Schlumberger, "AMNB",
                         {{10, 1, 0.5f, 100, 0}, {10, 1, 0.5f, 400, 2}, {10, 2, 0.5f, 120, 1},
                          {10, 2, 1, 130, 2}, {10, 4, 1, 200, 5},
                          {20, 2, 1, 150, 0},
                          {30, 1, 0.5f, 400, 3}, {30, 4, 1, 999, 50}}}},
                       5);
  ds.Memo = {"Line 1", "Schlumberger soundings"};
  // Relief rising to 102 m at 20 m and falling again.
  ds.ElectrodeXZ[1] = {0, 100};
  ds.ElectrodeXZ[2] = {20, 102};
  ds.ElectrodeXZ[3] = {40, 100};
  ds.ElectrodeXZCount = 3;
  ds.HasModel = true;
  return ds;
}

TInversionModel ThreeLayerModel(float first) {
  TInversionModel model;
  model.LayerCount = 3;
  model.LayerDepth = {7, 1.5f, 4};  // the surface entry is taken as 0 whatever it holds
  for (int st = 0; st < 3; ++st) {
    FixedTable<float, MaxModelLayers> rho;
    rho[1] = first + 10.0f * static_cast<float>(st);
    rho[2] = rho[1] / 2;
    rho[3] = 20.0f + 5.0f * static_cast<float>(st);
    model.Resistivity.Append(rho);
  }
  return model;
}

TEST(SondoWriter, OverlapsGapsAndPaddingInTheDtgGroup) {
  test::ScratchFolder folder;
  TDataset ds = OverlapSurvey();
  TInversionModels models;
  models.Current = ThreeLayerModel(100);
  const std::string main = folder.PathOf("line.dtg");
  folder.Write("line.dtn", "left from an earlier export");

  RecordingMessenger messenger;
  ASSERT_TRUE(WriteSondo(ds, ExportOptions{}, main, messenger, &models));
  EXPECT_TRUE(messenger.entries.empty());

  // Station 20 misses its two shallowest levels: level 1 takes the geometric
  // mean of its neighbours (200, the mean of two points on one cell, and
  // 400), level 2 its only neighbour's 120. Station 30 ends above the overlap.
  EXPECT_TRUE(test::SameBytes(test::ReadWhole(main), test::Crlf({
      "Line 1",
      "Schlumberger soundings",
      "3 0 3 1 0 _S nVES, KeyIP, nOverlab, Key_dU, KeyArray",
      " 2  nR with overlap",
      "0.5 1  MN",
      " 1 2 4 AB/2",
      "10",
      "3  nAB/2",
      " 200 120 130 200 {app. resistivity}",
      "20",
      "2  nAB/2",
      " 282.8 120 150 {app. resistivity}",
      "30",
      "1  nAB/2",
      " 400 10000 {app. resistivity}",
  })));
  // Filled cells have no error and weigh nothing.
  EXPECT_TRUE(test::SameBytes(test::ReadWhole(folder.PathOf("line.bag")), test::Crlf({
      " Errors Line 1",
      "Schlumberger soundings",
      "10",
      " 0.98 0.99 0.98 0.95 {1-epsion,%}",
      "20",
      " 0 0 1 {1-epsion,%}",
      "30",
      " 0.97 {1-epsion,%}",
  })));
  // Elevations between the electrodes next to each station: at 20 m the
  // electrodes at 19.5 and 20.5 m both stand at 101.95 m.
  EXPECT_TRUE(test::SameBytes(
      test::ReadWhole(folder.PathOf("line.dpr")),
      test::Crlf({"-1 1", "10", "20", "30", "+", "1 1", "101.000", "101.950", "101.000", "+"})));
  EXPECT_TRUE(test::SameBytes(test::ReadWhole(folder.PathOf("line.res")), test::Crlf({
      "Line 1",
      "Schlumberger soundings",
      "3",
      "10",
      "3 0 0",
      "100 50 20 20 Ro",
      "1.5 2.5  h",
      "20",
      "3 0 0",
      "110 55 25 25 Ro",
      "1.5 2.5  h",
      "30",
      "3 0 0",
      "120 60 30 30 Ro",
      "1.5 2.5  h",
  })));
  EXPECT_FALSE(fs::exists(folder.PathOf("line.dtn")));
  EXPECT_FALSE(fs::exists(folder.PathOf("line.bar")));
}

// The x shift moves every station of the main file, the error weights, the
// profile and the model once; the elevations follow the shifted electrodes.
TEST(SondoWriter, TheXShiftMovesTheStationsOfEveryFile) {
  test::ScratchFolder folder;
  TDataset ds = OverlapSurvey();
  ds.XShift = 100;
  TInversionModels models;
  models.Current = ThreeLayerModel(100);
  const std::string main = folder.PathOf("line.dtg");
  RecordingMessenger messenger;
  ASSERT_TRUE(WriteSondo(ds, ExportOptions{}, main, messenger, &models));
  EXPECT_EQ(ds.XShift, 0.0f);

  const auto stationLines = [](const std::string& text, std::size_t first, std::size_t step) {
    const auto lines = test::SplitCrlf(text);
    std::vector<std::string> stations;
    for (std::size_t i = first; i < lines.size(); i += step) stations.push_back(lines[i]);
    return stations;
  };
  const std::vector<std::string> shifted{"110", "120", "130"};
  EXPECT_EQ(stationLines(test::ReadWhole(main), 6, 3), shifted);
  EXPECT_EQ(stationLines(test::ReadWhole(folder.PathOf("line.bag")), 2, 2), shifted);
  EXPECT_EQ(stationLines(test::ReadWhole(folder.PathOf("line.res")), 3, 4), shifted);
  EXPECT_TRUE(test::SameBytes(
      test::ReadWhole(folder.PathOf("line.dpr")),
      test::Crlf({"-1 1", "110", "120", "130", "+", "1 1", "101.000", "101.950", "101.000", "+"})));
}

TEST(SondoWriter, DatGroupsWithChargeabilityOnePerArrayType) {
  test::ScratchFolder folder;
  TDataset ds = Survey({{Schlumberger, "AMNB",
                         {{0, 1.5f, 1, 10.5f, 0, 2.25f}, {0, 3, 1, 20, 1, 3},
                          {5, 1.5f, 1, 12, 0, 2.5f}, {5, 3, 1, 1234.5f, 1, 4}}},
                        {DipoleDipole, "ABMN", {{20, 2, 1, 50, 0, 7}}}});
  ds.HasIP = true;
  ds.Memo = {"M0", "M1"};
  const std::string main = folder.PathOf("survey.dat");

  RecordingMessenger messenger;
  ASSERT_TRUE(WriteSondo(ds, ExportOptions{}, main, messenger));
  EXPECT_TRUE(messenger.entries.empty());

  // Level AB/2 = 2 belongs to the dipole-dipole set only: without neighbours
  // station 0 interpolates it log-log between 1.5 and 3, and station 5 takes
  // the value just filled at station 0. The chargeability grid has no value
  // there; its weight is 0. Station 20 has no Schlumberger data.
  EXPECT_TRUE(test::SameBytes(test::ReadWhole(main), test::Crlf({
      "M0",
      "M1",
      "3 1 3 S nVES, KeyIP, nR",
      " 1.5 2 3 AB/2",
      "0",
      "3 3  nAB/2",
      " 10.5 13.72 20 {app. resistivity}",
      " 2.25 0 3 {app. chargeabilty}",
      "5",
      "3 3  nAB/2",
      " 12 13.72 1235 {app. resistivity}",
      " 2.5 0 4 {app. chargeabilty}",
      "20",
      "0 0  nAB/2",
      " {app. resistivity}",
      " {app. chargeabilty}",
  })));
  EXPECT_TRUE(test::SameBytes(test::ReadWhole(folder.PathOf("survey.bar")), test::Crlf({
      " Errors M0",
      "M1",
      "0",
      " 1 0 0.99 {1-epsion,%}",
      " 1  0 1  {1-epsion,%}",
      "5",
      " 1 0 0.99 {1-epsion,%}",
      " 1  0 1  {1-epsion,%}",
      "20",
      " {1-epsion,%}",
      " {1-epsion,%}",
  })));
  EXPECT_FALSE(fs::exists(folder.PathOf("survey.res"))) << "no model is loaded";

  // The dipole-dipole set makes a second group under its proposed name.
  const std::string second = test::ReadWhole(folder.PathOf("Sondo_ABMN.dat"));
  const auto lines = test::SplitCrlf(second);
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[2], "3 1 3 D nVES, KeyIP, nR");
  EXPECT_EQ(lines[3], " 1.5 2 3 OO'/2");
  EXPECT_EQ(ds.ArrayType, DipoleDipole);
}

TEST(SondoWriter, SetsOfOneTypeShareTheirGroup) {
  test::ScratchFolder folder;
  TDataset ds = Survey({{Schlumberger, "FIRST", {{0, 1, 1, 100}, {0, 2, 1, 300}}},
                        {Schlumberger, "SECOND", {{0, 1, 1, 400}, {10, 2, 1, 50}}}});
  RecordingMessenger messenger;
  ASSERT_TRUE(WriteSondo(ds, ExportOptions{}, folder.PathOf("both.dat"), messenger));

  const auto lines = test::SplitCrlf(test::ReadWhole(folder.PathOf("both.dat")));
  ASSERT_EQ(lines.size(), 10u);
  EXPECT_EQ(lines[2], "2 0 2 S nVES, KeyIP, nR");
  EXPECT_EQ(lines[6], " 200 300 {app. resistivity}");  // both sets on one cell: their geometric mean
  EXPECT_EQ(lines[9], " 200 50 {app. resistivity}");  // level 1 from the neighbour
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.PathOf("")), fs::directory_iterator{}), 3);
}

// Resistivities of the first station's sounding after gap filling, for
// soundings at one station (no neighbours to lean on).
TEST(SondoWriter, GapsWithoutNeighboursFollowTheSounding) {
  struct Case {
    const char* name;
    std::vector<SoundingPoint> points;
    std::vector<float> expected;
  };
  const Case cases[] = {
      {"log-log between the measured levels",
       {{0, 1, 1, 10}, {0, 2, 1, 0, 50}, {0, 4, 1, 0, 50}, {0, 8, 1, 1000}},
       {10, 46.41589f, 215.4435f, 1000}},
      {"no shallower value: the first measured one",
       {{0, 1, 1, 0, 50}, {0, 2, 1, 0, 50}, {0, 4, 1, 70}},
       {70, 70, 70}},
      {"same spacing around the gap: the deeper value",
       {{0, 1, 1, 5}, {0, 2, 0.5f, 30}, {0, 2, 1, 0, 50}, {0, 2, 2, 60}},
       {5, 30, 60, 60}},
  };
  for (const Case& c : cases) {
    // Bad points (Q 50) only make their levels exist.
    const TDataset ds = Survey({{Schlumberger, "AMNB", c.points}});
    const SondoSoundings s = BuildSondoSoundings(ds, -1, GridSettings{});
    ASSERT_EQ(s.LastLevel[1], static_cast<int>(c.expected.size())) << c.name;
    for (std::size_t lev = 0; lev < c.expected.size(); ++lev) {
      EXPECT_NEAR(s.R(1, static_cast<int>(lev) + 1), c.expected[lev], 1e-3) << c.name << ", level " << lev + 1;
    }
  }
}

TEST(SondoWriter, OverlapsFromRepeatedSpacings) {
  struct Case {
    std::vector<float> spacings;
    int dupCount;
    int width;
    std::vector<int> positions;
    bool fits;
  };
  const Case cases[] = {
      {{1, 2, 3}, 0, 0, {}, true},
      {{1, 2, 3, 4, 4, 5, 6, 7, 7, 8, 9, 10}, 2, 1, {4, 8}, true},
      {{1, 2, 2, 3, 3, 4}, 2, 2, {2}, true},
      {{1, 1, 2, 3, 3, 4, 5, 5, 6, 7, 7, 8, 9, 9, 10, 11, 11, 12, 13, 13, 14, 15, 15, 16, 17, 17, 18, 19, 19},
       10, 1, {}, false},
  };
  for (const Case& c : cases) {
    TDataset ds;
    ds.LevelCount = static_cast<int>(c.spacings.size());
    for (int i = 1; i <= ds.LevelCount; ++i) ds.LevelSpacing[i] = c.spacings[static_cast<std::size_t>(i - 1)];
    ds.LevelDupCount = c.dupCount;
    const SondoOverlaps o = FindSondoOverlaps(ds);
    EXPECT_EQ(o.Fits, c.fits) << ds.LevelCount << " levels";
    if (!c.fits) continue;
    EXPECT_EQ(o.Width, c.width) << ds.LevelCount << " levels";
    EXPECT_EQ(o.Positions, c.positions) << ds.LevelCount << " levels";
  }
}

TEST(SondoWriter, TooManyOverlapsWriteNothing) {
  test::ScratchFolder folder;
  std::vector<SoundingPoint> points;
  // Ten spacings measured with two MN, each followed by a spacing with one.
  for (int k = 1; k <= 10; ++k) {
    points.push_back({0, static_cast<float>(k), 0.5f, 100});
    points.push_back({0, static_cast<float>(k), 1, 100});
    points.push_back({0, static_cast<float>(k) + 0.5f, 1, 100});
  }
  TDataset ds = Survey({{Schlumberger, "AMNB", points}});
  ASSERT_EQ(ds.LevelDupCount, 10);
  RecordingMessenger messenger;
  EXPECT_FALSE(WriteSondo(ds, ExportOptions{}, folder.PathOf("many.dtg"), messenger));
  EXPECT_EQ(messenger.Texts(),
            std::vector<std::string>{"Too many overlaps for the Sondo \"dtg\" format.\r\nMaximal number - 9"});
  EXPECT_FALSE(fs::exists(folder.PathOf("many.dtg")));
}

// Answers every dialog with its proposed name in one folder, or cancels the
// dialogs listed.
struct RecordingTargets {
  const test::ScratchFolder& folder;
  std::vector<std::string> offers;
  std::set<std::string> cancel;

  TargetChooser Chooser() {
    return [this](const SaveDialogDescription& dialog) -> std::optional<std::string> {
      offers.push_back(dialog.proposedName);
      if (cancel.count(dialog.proposedName) != 0) return std::nullopt;
      return folder.PathOf(dialog.proposedName + "." + dialog.defaultExt);
    };
  }
};

TEST(SondoWriter, TimeStepsWriteEachSetWithItsModel) {
  test::ScratchFolder folder;
  // Two time steps of one Schlumberger set.
  TDataset ds = Survey({{Schlumberger, "AMNB", {{10, 1, 1, 100}, {20, 1, 1, 100}, {30, 1, 1, 100}}},
                        {Schlumberger, "AMNB", {{10, 1, 1, 200}, {20, 1, 1, 200}, {30, 1, 1, 200}}}});
  ds.TimeSetCount = 2;
  ds.BaseSetCount = 1;
  ds.TimeSetTimes[1] = 0;
  ds.TimeSetTimes[2] = 1.5f;
  ds.HasModel = true;
  TInversionModels models;
  models.TimeSets[1] = ThreeLayerModel(100);
  models.TimeSets[2] = ThreeLayerModel(300);

  RecordingTargets targets{folder, {}, {}};
  RecordingMessenger messenger;
  const SondoRun run = ExportSondo(ds, GridSettings{}, &models, targets.Chooser(), messenger);
  ASSERT_TRUE(run.Ok);
  EXPECT_EQ(targets.offers, (std::vector<std::string>{"Sondo_AMNB_time_0", "Sondo_AMNB_time_1.5"}));

  const auto first = test::SplitCrlf(test::ReadWhole(folder.PathOf("Sondo_AMNB_time_0.dat")));
  const auto second = test::SplitCrlf(test::ReadWhole(folder.PathOf("Sondo_AMNB_time_1.5.dat")));
  ASSERT_EQ(first.size(), 13u);
  ASSERT_EQ(second.size(), 13u);
  EXPECT_EQ(first[6], " 100 {app. resistivity}");
  EXPECT_EQ(second[6], " 200 {app. resistivity}");
  EXPECT_EQ(test::SplitCrlf(test::ReadWhole(folder.PathOf("Sondo_AMNB_time_0.res")))[5], "100 50 20 20 Ro");
  EXPECT_EQ(test::SplitCrlf(test::ReadWhole(folder.PathOf("Sondo_AMNB_time_1.5.res")))[5], "300 150 20 20 Ro");
  EXPECT_EQ(models.Current.Resistivity[1][1], 300) << "the last time step's model stays current";
}

TEST(SondoWriter, CancelledGroupIsSkipped) {
  test::ScratchFolder folder;
  TDataset ds = Survey({{Schlumberger, "AMNB", {{0, 1, 1, 100}}}, {DipoleDipole, "ABMN", {{5, 1, 1, 100}}}});
  RecordingTargets targets{folder, {}, {}};
  targets.cancel = {"Sondo_AMNB"};
  RecordingMessenger messenger;
  const SondoRun run = ExportSondo(ds, GridSettings{}, nullptr, targets.Chooser(), messenger);
  EXPECT_TRUE(run.Ok);
  EXPECT_EQ(run.MainFiles, std::vector<std::string>{folder.PathOf("Sondo_ABMN.dat")});
  EXPECT_FALSE(fs::exists(folder.PathOf("Sondo_AMNB.dat")));
}

TEST(SondoWriter, UnwritableTargetStopsTheCommand) {
  test::ScratchFolder folder;
  TDataset ds = Survey({{Schlumberger, "AMNB", {{0, 1, 1, 100}}}, {DipoleDipole, "ABMN", {{5, 1, 1, 100}}}});
  RecordingMessenger messenger;
  EXPECT_FALSE(WriteSondo(ds, ExportOptions{}, folder.PathOf("missing/x.dat"), messenger));
  ASSERT_EQ(messenger.entries.size(), 1u);
  EXPECT_EQ(messenger.entries[0].kind, MessageKind::Error);
  EXPECT_FALSE(fs::exists(folder.PathOf("Sondo_ABMN.dat"))) << "the command stops at the first failure";
}

}  // namespace
}  // namespace tarvo
