#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/core/messenger.h"
#include "engine/core/numbers.h"
#include "engine/core/text_file.h"
#include "engine/display/pseudo_panel.h"
#include "engine/display/pseudo_panels.h"
#include "engine/export/section_panel_writer.h"
#include "engine/import/open_command.h"
#include "test_files.h"

// The pseudosection panels: their layout and posted values, "Save data",
// the panels of a dataset with their common ranges, the difference and mean
// panels, and the section-panel Res2dInv file.
namespace tarvo {
namespace {

namespace fs = std::filesystem;

// A dataset of resistivities on given stations and levels; each point names
// its set, station, level and value.
struct CellPoint {
  int set;
  int station;
  int level;
  float rho;
};

TDataset GridDataset(const std::vector<float>& stations, const std::vector<std::pair<float, float>>& levels,
                     const std::vector<int>& setTypes, const std::vector<CellPoint>& points) {
  TDataset ds;
  ds.DataKind = DataKindResistivityOnly;
  ds.StationCount = static_cast<int>(stations.size());
  for (int s = 1; s <= ds.StationCount; ++s) ds.Stations[s] = stations[static_cast<std::size_t>(s - 1)];
  ds.LevelCount = static_cast<int>(levels.size());
  for (int k = 1; k <= ds.LevelCount; ++k) {
    ds.LevelSpacing[k] = levels[static_cast<std::size_t>(k - 1)].first;
    ds.LevelMN[k] = levels[static_cast<std::size_t>(k - 1)].second;
  }
  ds.SetCount = static_cast<int>(setTypes.size());
  for (int p = 1; p <= ds.SetCount; ++p) {
    ds.Sets[p].Type = static_cast<std::uint8_t>(setTypes[static_cast<std::size_t>(p - 1)]);
    ds.Sets[p].First = 1;
    ds.Sets[p].Last = 0;
    ds.SetNames.push_back("set" + std::to_string(p) + ".dat");
  }
  // Points grouped by set, in the order given within a set.
  for (int p = 1; p <= ds.SetCount; ++p) {
    ds.Sets[p].First = ds.Points.Size() + 1;
    for (const CellPoint& c : points) {
      if (c.set != p) continue;
      ds.Points.Append(TDataPoint{});
      TDataPoint& pt = ds.Points[ds.Points.Size()];
      pt.Station = c.station;
      pt.Level = c.level;
      pt.Rho = c.rho;
      pt.PointType = ds.Sets[p].Type;
    }
    ds.Sets[p].Last = ds.Points.Size();
  }
  ds.PointCount = ds.Points.Size();
  return ds;
}

// A panel over a hand-filled grid.
PseudoPanel Panel(const std::vector<float>& stations, const std::vector<float>& spacing,
                  const std::vector<std::vector<float>>& cells, int scaleType, const std::vector<float>& mn = {}) {
  GridDescriptor d;
  d.StationCount = static_cast<int>(stations.size());
  d.LevelCount = static_cast<int>(spacing.size());
  auto values = std::make_unique<ValueGrid>();
  auto raw = std::make_unique<ValueGrid>();
  for (int s = 1; s <= d.StationCount; ++s) {
    d.Stations[s] = stations[static_cast<std::size_t>(s - 1)];
    for (int k = 1; k <= d.LevelCount; ++k) {
      const float v = cells[static_cast<std::size_t>(s - 1)][static_cast<std::size_t>(k - 1)];
      (*values)(s, k) = v;
      (*raw)(s, k) = v;
    }
  }
  for (int k = 1; k <= d.LevelCount; ++k) {
    d.Spacing[k] = spacing[static_cast<std::size_t>(k - 1)];
    d.MN[k] = mn.empty() ? 1.0f : mn[static_cast<std::size_t>(k - 1)];
  }
  PseudoPanel p;
  p.Title = "panel";
  SetData(p, std::move(values), std::move(raw), 1, scaleType, d);
  return p;
}

const PanelMetrics Metrics{13, 36, 18};

TEST(PseudoPanel, PostedValuesWithTwoAndOneDigits) {
  const struct {
    float value;
    const char* automatic;
    const char* two;
    const char* one;
  } cases[] = {
      {123.45f, "123.4", "120", "100"},  // 123.45f is 123.4499...
      {0.0456f, "0.0456", "0.046", "0.05"},
      {-123.45f, "-123.4", "-120", "-100"},
      {250.0f, "250", "250", "200"},  // the mantissa 2.5 goes to the even 2
      {350.0f, "350", "350", "400"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PostedValueText(c.value, PostDigits::Auto), c.automatic) << c.value;
    EXPECT_EQ(PostedValueText(c.value, PostDigits::Two), c.two) << c.value;
    EXPECT_EQ(PostedValueText(c.value, PostDigits::One), c.one) << c.value;
  }
}

TEST(PseudoPanel, LayoutMirrorsWithTurnProfileRoundAndWidensWhenPosting) {
  PseudoPanel p = Panel({0, 50, 100}, {1, 2, 4}, {{10, 20, 30}, {10, 20, 30}, {10, 20, 30}}, ScaleTypeLogarithmic);
  SectionOptions o;
  PanelLayout l = LayOutPanel(p, 400, 200, Metrics, o, 11);
  ASSERT_TRUE(l.drawn);
  EXPECT_EQ(l.left, 6 - 1 + 36);      // h - 1 + the left axis
  EXPECT_EQ(l.right, 400 - 6 - 72);   // the colour scale
  EXPECT_EQ(l.top, 2 * 6 + 1);        // file names shown
  EXPECT_TRUE(l.scaleShown);
  EXPECT_EQ(l.across.Pixel(0), l.left);
  EXPECT_EQ(l.across.Pixel(100), l.right - 1);
  EXPECT_EQ(l.down.Pixel(1), l.top);
  EXPECT_EQ(l.down.Pixel(4), l.bottom - 1);
  EXPECT_EQ(l.title, "(panel)");

  o.Reverse = true;
  l = LayOutPanel(p, 400, 200, Metrics, o, 11);
  EXPECT_EQ(l.across.Pixel(0), l.right - 1);  // the first station at the right edge
  EXPECT_EQ(l.across.Pixel(100), l.left);

  o.Reverse = false;
  p.Mode = PanelMode::Post;
  l = LayOutPanel(p, 400, 200, Metrics, o, 11);
  EXPECT_EQ(l.across.Pixel(100), l.right - 1 - Metrics.threeZerosWidth);
  EXPECT_EQ(l.down.Pixel(4), l.bottom - 1 - (Metrics.textHeight - 2));
  const std::vector<PostedValue> posted = PostedValues(p, l);
  ASSERT_EQ(posted.size(), 9u);
  EXPECT_EQ(posted.front().x, l.left);
  EXPECT_EQ(posted.front().text, "10");

  // Too small, or too few stations: nothing is laid out.
  EXPECT_FALSE(LayOutPanel(p, 39, 200, Metrics, o, 11).drawn);
  PseudoPanel narrow = Panel({0}, {1, 2}, {{10, 20}}, ScaleTypeLogarithmic);
  EXPECT_FALSE(LayOutPanel(narrow, 400, 200, Metrics, o, 11).drawn);
}

TEST(PseudoPanel, ColorScaleOfLowBoxesGetsRoundNumberedLabels) {
  ContourLevels levels;
  ASSERT_TRUE(LogLevels(levels, MapLevelsPerDecade, 40, 10, 1000));
  ASSERT_GE(levels.Count, 30);
  const ColorScaleLayout many = LayOutColorScale(levels, MapScale::Logarithmic, 20, 169, 13);  // 150 pixels
  EXPECT_FALSE(many.edgeLabels);
  ASSERT_FALSE(many.labels.empty());
  EXPECT_LT(many.labels.size(), static_cast<std::size_t>(levels.Count));
  for (const ScaleLabel& label : many.labels) {
    EXPECT_GE(label.y, 20);
    EXPECT_LE(label.y, 169);
    // Round numbers: two significant digits at most.
    const double digits = label.value / std::pow(10.0, std::floor(std::log10(label.value)) - 1);
    EXPECT_NEAR(digits, std::round(digits), 1e-2) << label.value;
  }
  // Labels go up the scale as the values grow.
  for (std::size_t k = 1; k < many.labels.size(); ++k) {
    if (many.labels[k].value > many.labels[k - 1].value) {
      EXPECT_LT(many.labels[k].y, many.labels[k - 1].y);
    }
  }

  ContourLevels few;
  ASSERT_TRUE(LogLevels(few, MapLevelsPerDecade, 10, 10, 1000));
  const ColorScaleLayout edges = LayOutColorScale(few, MapScale::Logarithmic, 20, 169, 13);
  EXPECT_TRUE(edges.edgeLabels);
  ASSERT_FALSE(edges.labels.empty());
  EXPECT_EQ(edges.labels.front().value, few.Bound(few.Count));
  EXPECT_EQ(edges.labels.front().y, edges.edges[static_cast<std::size_t>(few.Count)]);
  for (std::size_t k = 1; k < edges.labels.size(); ++k) {
    EXPECT_GE(edges.labels[k].y - edges.labels[k - 1].y, 13 - 1);
  }
}

TEST(PseudoPanel, SaveDataOfResistivityAndDifferencePanels) {
  TDataset ds;
  ds.ElectrodePosCount = 2;
  ds.ElectrodePos[1] = 0;
  ds.ElectrodePos[2] = 20;
  ds.ElectrodePosZ[1] = 100;
  ds.ElectrodePosZ[2] = 110;
  PseudoPanel res = Panel({0, 10}, {1, 2}, {{100, EmptyCellValue}, {200, 300}}, ScaleTypeLogarithmic);
  (*res.Values)(1, 2) = 150;  // filled by interpolation: not a measured cell
  EXPECT_EQ(PanelDataTable(res, ds),
            "X\tPs.Z\tAlti\tP\tLog(P)\r\n"
            "0\t1\t99\t100\t2\r\n"
            "10\t1\t104\t200\t2.301\r\n"
            "10\t2\t103\t300\t2.4771\r\n");

  PseudoPanel dif = Panel({0, 10}, {1, 2}, {{10, EmptyCellValue}, {-20, 30}}, ScaleTypeSymmetric);
  (*dif.Values)(1, 2) = 5;  // the gap-filled grid is what a difference panel saves
  EXPECT_EQ(PanelDataTable(dif, ds),
            "X\tPs.Z\tAlti\tP\r\n"
            "0\t1\t99\t10\r\n"
            "0\t2\t98\t5\r\n"
            "10\t1\t104\t-20\r\n"
            "10\t2\t103\t30\r\n");

  test::ScratchFolder folder;
  const std::string path = folder.PathOf("panel.dat");
  ASSERT_TRUE(SavePanelData(res, ds, path).ok);
  EXPECT_EQ(test::ReadWhole(path), PanelDataTable(res, ds));
  EXPECT_FALSE(SavePanelData(res, ds, folder.PathOf("missing/panel.dat")).ok);
}

TEST(PseudoPanels, DifferenceMatchesStationsAndLevelsWithinTheTolerance) {
  TDataset ds;
  ds.SetCount = 2;
  // Panel 2's second station is 10.005 (matches 10) and its third 20.02 (does not match 20).
  PseudoPanel a = Panel({0, 10, 20}, {1, 2}, {{100, 100}, {100, 100}, {100, 100}}, ScaleTypeLogarithmic, {1, 1});
  PseudoPanel b = Panel({0, 10.005f, 20.02f}, {1, 2}, {{50, 50}, {25, -1}, {50, 50}}, ScaleTypeLogarithmic, {1, 2});
  a.Title = "first";
  b.Title = "second";
  const PseudoPanel d = DifferencePanel(ds, a, b, SectionOptions{});
  EXPECT_EQ(d.Title, "D-transf");
  EXPECT_EQ(d.Hint, "first-second");
  EXPECT_EQ(d.Owner, NoPanelOwner);
  EXPECT_EQ(d.Scale, MapScale::Symmetric);
  // Level 2 has MN 1 in panel 1 but 2 in panel 2: no partner. Station 3 has none.
  ASSERT_EQ(d.Descriptor.StationCount, 2);
  ASSERT_EQ(d.Descriptor.LevelCount, 1);
  EXPECT_NEAR((*d.Values)(1, 1), 69.3147, 1e-3);  // 100 ln 2
  EXPECT_NEAR((*d.Values)(2, 1), 138.629, 1e-3);
  EXPECT_EQ((*d.Raw)(2, 1), (*d.Values)(2, 1));
  EXPECT_EQ(d.HFirst, a.HFirst);
  EXPECT_EQ(d.HLast, a.HLast);
}

TEST(PseudoPanels, MeanIsGeometricForOneTypeAndArithmeticForForwardAndReverse) {
  const std::vector<float> stations = {0, 10};
  const std::vector<std::pair<float, float>> levels = {{1, 1}, {2, 1}};
  // Cell (1,1) in both sets; (2,1) only in set 1; (2,2) only in set 2.
  const std::vector<CellPoint> points = {{1, 1, 1, 100}, {1, 2, 1, 80}, {2, 1, 1, 400}, {2, 2, 2, 60}};
  const struct {
    std::vector<int> types;
    float both;
    int groups;
    const char* caption;
    const char* name;
    int code;
  } cases[] = {
      {{3, 3}, 200, 1, "&Mean", "LINE1", 3},
      {{4, 5}, 250, 2, "A&MNB", "AMNB", 2},
  };
  for (const auto& c : cases) {
    TDataset ds = GridDataset(stations, levels, c.types, points);
    ds.SeqHeader.SetTitleText("LINE1");
    EXPECT_EQ(MeanCommandCaptions(ds).button, c.caption);
    MeanResult open = ComputeMean(ds, GridSettings{}, false);
    EXPECT_EQ(open.typeGroups, c.groups);
    ASSERT_EQ(open.descriptor.StationCount, 2);
    EXPECT_NEAR((*open.raw)(1, 1), c.both, 1e-3);
    EXPECT_EQ((*open.raw)(2, 1), 80);  // one pass only: its value stays
    EXPECT_EQ((*open.raw)(2, 2), 60);
    const MeanSaveName save = MeanPanelSaveName(ds, open);
    EXPECT_EQ(save.name, c.name);
    EXPECT_EQ(save.code, c.code);

    MeanResult only = ComputeMean(ds, GridSettings{}, true);
    // Only the cell of both passes stays: the compaction leaves one station and one level.
    EXPECT_EQ(only.descriptor.StationCount, 1);
    EXPECT_EQ(only.descriptor.LevelCount, 1);
    EXPECT_NEAR((*only.raw)(1, 1), c.both, 1e-3);
  }
  TDataset other = GridDataset(stations, levels, {3, 6}, points);
  EXPECT_FALSE(MeanCommandCaptions(other).offered);
}

TEST(PseudoPanels, ThreeSetsOfTwoTypesGivePanelsPerTypeAndTheMeanOfBothDirections) {
  const std::vector<CellPoint> points = {{1, 1, 1, 100}, {2, 1, 1, 300}, {3, 2, 2, 50}, {1, 2, 1, 10}, {2, 2, 1, 30}};
  TDataset ds = GridDataset({0, 10}, {{1, 1}, {2, 1}}, {4, 5, 4}, points);
  ds.SeqHeader.SetTitleText("PD");
  for (int p = 1; p <= 3; ++p) ds.SetSeqHeaders[p].SetTitleText("TYPE" + std::to_string(ds.Sets[p].Type));
  SectionOptions options;
  std::vector<PseudoPanel> panels;
  ASSERT_EQ(BuildPanels(ds, GridSettings{}, options, false, panels), 2);
  EXPECT_EQ(panels[0].Title, "TYPE4");
  EXPECT_EQ(panels[1].Title, "TYPE5");
  EXPECT_EQ(panels[0].Owner, 1);
  EXPECT_EQ(panels[1].Owner, 2);
  const MeanResult mean = ComputeMean(ds, GridSettings{}, false);
  EXPECT_EQ(mean.typeGroups, 3);
  EXPECT_EQ(mean.arrayCode, 5);
  EXPECT_NEAR((*mean.raw)(1, 1), 200, 1e-3);  // (100 + 300) / 2
  const MeanSaveName save = MeanPanelSaveName(ds, mean);
  EXPECT_EQ(save.name, "PD");
  EXPECT_EQ(save.code, 5);
}

// Reads example files as the open command does, the later ones appended.
void OpenExamples(TDataset& ds, const std::vector<std::string>& names, int filter) {
  RecordingMessenger messenger;
  ReadEnvironment env{messenger, "", nullptr};
  OpenCommandState state;
  for (std::size_t k = 0; k < names.size(); ++k) {
    OpenRequest request;
    request.caller = k == 0 ? OpenCaller::Open : OpenCaller::Append;
    request.files = {(fs::path(TARVO_EXAMPLES_DIR) / names[k]).string()};
    request.filterIndex = filter;
    ASSERT_TRUE(RunOpenCommand(ds, state, request, DefaultReaders(), env).loaded) << names[k];
  }
}

TEST(PseudoPanels, PanelsOfAppendedFilesShareTheirRanges) {
  TDataset ds;
  OpenExamples(ds, {"wenner32.001", "dipole32.001"}, 1);
  ASSERT_EQ(ds.SetCount, 2);
  SectionOptions options;
  options.ManualMin = 1;
  options.ManualMax = 2;
  std::vector<PseudoPanel> panels;
  ASSERT_EQ(BuildPanels(ds, GridSettings{}, options, true, panels), 2);
  EXPECT_EQ(panels[0].Owner, 1);
  EXPECT_EQ(panels[1].Owner, 2);
  EXPECT_EQ(panels[0].UsedRange.Low, panels[1].UsedRange.Low);
  EXPECT_EQ(panels[0].UsedRange.High, panels[1].UsedRange.High);
  EXPECT_EQ(panels[0].UsedRange.Low, std::min(panels[0].AutoRange.Low, panels[1].AutoRange.Low));
  EXPECT_EQ(panels[0].UsedRange.High, std::max(panels[0].AutoRange.High, panels[1].AutoRange.High));
  EXPECT_EQ(panels[0].HFirst, panels[1].HFirst);
  EXPECT_EQ(panels[0].HLast, panels[1].HLast);
  // The modal window keeps the range in the options.
  EXPECT_EQ(options.ManualMin, panels[0].UsedRange.Low);
  EXPECT_EQ(options.ManualMax, panels[0].UsedRange.High);

  // "Levels from file" puts the manual range on every resistivity panel.
  options.LevelsFromFile = true;
  options.ManualMin = 5;
  options.ManualMax = 500;
  options.Scale = DepthScale::Logarithmic;
  BuildPanels(ds, GridSettings{}, options, true, panels);
  for (const PseudoPanel& p : panels) {
    EXPECT_EQ(p.UsedRange.Low, 5);
    EXPECT_EQ(p.UsedRange.High, 500);
    EXPECT_TRUE(p.LogDepth);
  }
  // The small window leaves the options and the depth axes alone.
  BuildPanels(ds, GridSettings{}, options, false, panels);
  EXPECT_FALSE(panels[0].LogDepth);
  EXPECT_NE(panels[0].UsedRange.High, 500);
}

TEST(PseudoPanels, ChargeabilityPanelsFollowTheirSetOnTheirOwnRange) {
  TDataset ds;
  OpenExamples(ds, {"dipole32_ip.txt"}, 7);
  ASSERT_TRUE(ds.HasIP);
  SectionOptions options;
  std::vector<PseudoPanel> panels;
  const int n = BuildPanels(ds, GridSettings{}, options, false, panels);
  ASSERT_EQ(n, 2 * ds.SetCount);
  EXPECT_EQ(panels[1].Scale, MapScale::Linear);
  EXPECT_EQ(panels[1].Owner, -1);
  EXPECT_EQ(panels[1].Title, panels[0].Title + "-IP");
  EXPECT_EQ(panels[1].UsedRange.Low, panels[1].AutoRange.Low);
  EXPECT_NE(panels[1].UsedRange.High, panels[0].UsedRange.High);

  TDataset nothing;
  EXPECT_EQ(BuildPanels(nothing, GridSettings{}, options, false, panels), 0);
}

TEST(PseudoPanels, TimeStepsGiveOnePanelEachTitledWithItsTime) {
  TDataset ds;
  OpenExamples(ds, {"dipole32_tl.dat"}, 4);
  ASSERT_GT(ds.TimeSetCount, 0);
  ASSERT_EQ(ds.SetCount, 3);
  ASSERT_GE(ds.BaseSetCount, 1);
  SectionOptions options;
  std::vector<PseudoPanel> panels;
  ASSERT_EQ(BuildPanels(ds, GridSettings{}, options, false, panels), 3);
  EXPECT_EQ(panels[1].Title, "dipole-dipole " + FormatValue(ds.TimeSetTimes[1 / ds.BaseSetCount + 1], 2));
  for (int p = 1; p <= 3; ++p) {
    EXPECT_EQ(panels[static_cast<std::size_t>(p - 1)].Owner, p);
    EXPECT_EQ(panels[static_cast<std::size_t>(p - 1)].Descriptor.LevelCount, 3) << p;  // each step alone
  }
}

TEST(PseudoPanels, AtMostTwentyPanels) {
  std::vector<int> types(25, 3);
  std::vector<CellPoint> points;
  for (int p = 1; p <= 25; ++p) points.push_back({p, 1, 1, 100});
  TDataset ds = GridDataset({0, 10}, {{1, 1}, {2, 1}}, types, points);
  SectionOptions options;
  std::vector<PseudoPanel> panels;
  EXPECT_EQ(BuildPanels(ds, GridSettings{}, options, false, panels), MaxPanels);
  EXPECT_EQ(SetListTitle(ds, 3), "set3");
  ds.SetNames[2] = ".hidden name";
  EXPECT_EQ(SetListTitle(ds, 3), ".hidden ");
}

// The section-panel writer.

struct PanelFile {
  ValueGrid grid;
  GridDescriptor d;
};

TEST(SectionPanelWriter, AmnbFileByteForByte) {
  TDataset ds;
  ds.Memo = {"Line 7", "mean"};
  ds.ElectrodePosCount = 4;
  const float xs[] = {0, 5, 10, 15};
  const float zs[] = {100, 101, 101, 102};
  for (int e = 1; e <= 4; ++e) {
    ds.ElectrodePos[e] = xs[e - 1];
    ds.ElectrodePosZ[e] = zs[e - 1];
  }
  PanelFile f;
  f.d.StationCount = 2;
  f.d.LevelCount = 2;
  f.d.Stations[1] = 20;
  f.d.Stations[2] = 25;
  f.d.Spacing[1] = 15;
  f.d.MN[1] = 10;
  f.d.Spacing[2] = 25;
  f.d.MN[2] = 10;
  f.grid(1, 1) = 123.456f;
  f.grid(1, 2) = 0;  // empty
  f.grid(2, 1) = 99.5f;
  f.grid(2, 2) = 1234.5f;
  const SectionPanelInput in{&f.grid, &f.d, "AMNB", 2};
  EXPECT_EQ(SectionPanelFileText(ds, in),
            "Line 7 mean\r\n"
            "5\r\n"
            "7\r\n"
            "3\r\n"
            "1\r\n"
            "0\r\n"
            "20 10 1 123.46\r\n"
            "25 10 1 99.5\r\n"
            "25 10 2 1234.5\r\n"
            "2\r\n"
            "4\r\n"
            "0 100\r\n"
            "5 101\r\n"
            "10 101\r\n"
            "15 102\r\n"
            "1\r\n"
            "0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n");

  test::ScratchFolder folder;
  ds.FileName = folder.PathOf("line.001");
  RecordingMessenger messenger;
  std::string proposed;
  const auto chooser = [&](const SaveDialogDescription& d) -> std::optional<std::string> {
    proposed = d.proposedName;
    EXPECT_EQ(d.title, "Old Res2dInv format");
    return d.proposedName;
  };
  ASSERT_EQ(WriteSectionPanel(ds, in, chooser, messenger), SaveOutcome::Written);
  EXPECT_EQ(proposed, folder.PathOf("AMNB.dat"));
  EXPECT_EQ(test::ReadWhole(proposed), SectionPanelFileText(ds, in));
  EXPECT_TRUE(messenger.entries.empty());
  const auto cancel = [](const SaveDialogDescription&) -> std::optional<std::string> { return std::nullopt; };
  EXPECT_EQ(WriteSectionPanel(ds, in, cancel, messenger), SaveOutcome::Cancelled);
  const auto broken = [&](const SaveDialogDescription&) -> std::optional<std::string> {
    return folder.PathOf("missing/AMNB.dat");
  };
  EXPECT_EQ(WriteSectionPanel(ds, in, broken, messenger), SaveOutcome::Failed);
  EXPECT_EQ(messenger.entries.size(), 1u);
}

TEST(SectionPanelWriter, LinesOfEachArrayAndTheEmptyPanel) {
  TDataset ds;  // flat: no topography block
  ds.ElectrodePosCount = 3;
  for (int e = 1; e <= 3; ++e) ds.ElectrodePos[e] = 2.0f * static_cast<float>(e - 1);
  PanelFile f;
  f.d.StationCount = 1;
  f.d.LevelCount = 1;
  f.d.Stations[1] = 10;
  f.d.Spacing[1] = 5;
  f.d.MN[1] = 2;
  f.grid(1, 1) = 50;
  const struct {
    int code;
    const char* line;
  } cases[] = {
      {1, "10 5 50"},          {3, "10 5 50"},        {4, "    8     2 2 50"}, {5, "   12     2 -2 50"},
      {6, "   10     2  4 50"}, {7, "10 2 50"},
  };
  for (const auto& c : cases) {
    const std::string text = SectionPanelFileText(ds, {&f.grid, &f.d, "x", c.code});
    const std::vector<std::string> lines = SplitLines(text);
    ASSERT_GE(lines.size(), 13u) << c.code;
    EXPECT_EQ(lines[2], std::to_string(SectionPanelArrayNumber(c.code)));
    EXPECT_EQ(lines[6], c.line) << c.code;
    EXPECT_EQ(lines.size(), 13u) << c.code;  // six header lines, one cell, six "0"
  }

  // Codes without a panel form: "Error 2.", the header and the closing lines.
  RecordingMessenger messenger;
  test::ScratchFolder folder;
  const auto chooser = [&](const SaveDialogDescription&) -> std::optional<std::string> { return folder.PathOf("x.dat"); };
  EXPECT_EQ(WriteSectionPanel(ds, {&f.grid, &f.d, "x", 8}, chooser, messenger), SaveOutcome::Written);
  ASSERT_EQ(messenger.entries.size(), 1u);
  EXPECT_EQ(messenger.entries[0].text, "Error 2.");
  EXPECT_EQ(test::ReadWhole(folder.PathOf("x.dat")), " \r\n2\r\n0\r\n1\r\n1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n");

  f.grid(1, 1) = EmptyCellValue;
  EXPECT_EQ(SectionPanelFileText(ds, {&f.grid, &f.d, "x", 2}), " \r\n2\r\n7\r\n0\r\n1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n");
}

}  // namespace
}  // namespace tarvo
