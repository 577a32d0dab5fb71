#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "engine/core/bad_points.h"
#include "engine/core/electrode_altitude.h"
#include "engine/core/numbers.h"
#include "engine/core/layout_analysis.h"
#include "engine/editing/electrode_edits.h"
#include "engine/editing/multinodes.h"
#include "engine/editing/topography_text.h"
#include "engine/import/open_command.h"
#include "test_support.h"

namespace tarvo {
namespace {

namespace fs = std::filesystem;
const fs::path ExamplesDir = fs::path(TARVO_EXAMPLES_DIR);

// A Wenner sequence over `count` electrodes 1 m apart, numbered 1..count
// along the line, read as the open command leaves it.
void MakeWennerSequence(TDataset& ds, int count) {
  test::MakeLine(ds, count, 1.0f);
  std::vector<TQuadripole> quads;
  for (int a = 1; a <= 3; ++a) {
    for (int first = 1; first + 3 * a <= count; ++first) {
      quads.push_back(TQuadripole{static_cast<std::int16_t>(first), static_cast<std::int16_t>(first + 3 * a),
                                  static_cast<std::int16_t>(first + a), static_cast<std::int16_t>(first + 2 * a), 1,
                                  static_cast<float>(TwoPi * a)});
    }
  }
  ds.Quads.Storage() = quads;
  ds.SeqHeader.QuadCount = static_cast<std::int16_t>(quads.size());
  RecordingMessenger m;
  ASSERT_TRUE(ClassifySequence(ds, m));
  ds.DataKind = DataKindSequence;
  ds.PointCount = ds.SeqHeader.QuadCount;
  RebuildAfterElectrodeEdit(ds, m);
  ASSERT_TRUE(m.entries.empty());
  ASSERT_EQ(ds.ElectrodePosCount, count);
}

void OpenExample(TDataset& ds, const char* name, int filter) {
  RecordingMessenger messenger;
  ReadEnvironment env{messenger, "", nullptr};
  OpenCommandState state;
  OpenRequest request;
  request.files = {(ExamplesDir / name).string()};
  request.filterIndex = filter;
  ASSERT_TRUE(RunOpenCommand(ds, state, request, DefaultReaders(), env).loaded) << name;
}

bool UsesX(const TDataPoint& p, double x) {
  return ApproxEqual(p.XA, x) || ApproxEqual(p.XB, x) || ApproxEqual(p.XM, x) || ApproxEqual(p.XN, x);
}

TEST(ToggleElectrodes, DeletingMarksItsPointsAndDeletingAgainRestoresThem) {
  TDataset ds;
  MakeWennerSequence(ds, 12);
  const double x5 = ds.ElectrodePos[5], x6 = ds.ElectrodePos[6];

  auto outcome = ToggleElectrodes(ds, {5});
  EXPECT_TRUE(outcome.changed);
  EXPECT_NE(ds.ElectrodePosFlag[5], 0);
  int marked = 0;
  for (int i = 1; i <= ds.PointCount; ++i) {
    const bool uses = UsesX(ds.Points[i], x5);
    EXPECT_EQ(ds.Points[i].Q, uses ? 2 : 255) << i;
    marked += uses;
  }
  EXPECT_EQ(ds.BadCount, marked);
  EXPECT_EQ(static_cast<int>(outcome.changedPoints.size()), marked);

  // With electrode 6 deleted as well, restoring 5 leaves the points of 6 marked.
  ToggleElectrodes(ds, {6});
  ToggleElectrodes(ds, {5});
  EXPECT_EQ(ds.ElectrodePosFlag[5], 0);
  for (int i = 1; i <= ds.PointCount; ++i) {
    EXPECT_EQ(ds.Points[i].Q, UsesX(ds.Points[i], x6) ? 2 : 255) << i;
  }
  ToggleElectrodes(ds, {6});
  for (int i = 1; i <= ds.PointCount; ++i) EXPECT_EQ(ds.Points[i].Q, 255) << i;
  EXPECT_EQ(ds.BadCount, 0);

  // No row of the list: nothing happens.
  EXPECT_FALSE(ToggleElectrodes(ds, {0, 13}).changed);
}

TEST(ToggleElectrodes, SelectionOfDeletedAndKeptElectrodesLeavesNoPointOnADeletedOne) {
  TDataset ds;
  MakeWennerSequence(ds, 12);
  ToggleElectrodes(ds, {4});
  // Row 4 is restored and row 5 deleted in one step: every point on 5 is bad.
  ToggleElectrodes(ds, {4, 5});
  for (int i = 1; i <= ds.PointCount; ++i) {
    EXPECT_EQ(IsBad(ds, i), UsesX(ds.Points[i], ds.ElectrodePos[5])) << i;
  }
}

TEST(ToggleElectrodes, APointBadOnlyByAThresholdKeepsItsQualityCode) {
  TDataset ds;
  MakeWennerSequence(ds, 12);
  ds.DataKind = DataKindResistivityOnly;
  for (int i = 1; i <= ds.PointCount; ++i) {
    ds.Points[i].Q = 0;
    ds.Points[i].Rho = 100;
  }
  int noisy = 0;
  for (int i = 1; i <= ds.PointCount && noisy == 0; ++i) {
    if (UsesX(ds.Points[i], ds.ElectrodePos[5])) noisy = i;
  }
  ASSERT_GT(noisy, 0);
  ds.Points[noisy].Q = 5;  // above the error limit of 1 %
  ToggleElectrodes(ds, {5});
  EXPECT_EQ(ds.Points[noisy].Q, 5);
  ToggleElectrodes(ds, {5});
  EXPECT_EQ(ds.Points[noisy].Q, 5) << "restoring the electrode marked a point it had not marked";
  for (int i = 1; i <= ds.PointCount; ++i) {
    if (i != noisy) {
      EXPECT_EQ(ds.Points[i].Q, 0) << i;
    }
  }
}

TEST(RemoveBrokenElectrode, ShiftsTheCableNumbersAndDropsTheLastElectrode) {
  TDataset ds;
  MakeWennerSequence(ds, 8);
  const TDataset before = ds;
  RecordingMessenger no;
  no.replies = {Reply::No};
  EXPECT_FALSE(RemoveBrokenElectrode(ds, 3, no).changed);
  ASSERT_EQ(no.entries.size(), 1u);
  EXPECT_EQ(no.entries[0].text, "Remove electrode n 3 and shift all next electrodes ?");
  EXPECT_EQ(ds.Quads.Storage().size(), before.Quads.Storage().size());
  EXPECT_EQ(ds.ElectrodePosCount, 8);

  RecordingMessenger yes;
  ASSERT_TRUE(RemoveBrokenElectrode(ds, 3, yes).changed);
  EXPECT_EQ(ds.ElectrodePosCount, 7);
  // Numbers 3..7 moved one up: position 3 is served by cable 4, and so on.
  for (int i = 1; i <= 7; ++i) EXPECT_EQ(ds.ElectrodePosNumber[i], i < 3 ? i : i + 1) << i;
  EXPECT_EQ(ds.Electrodes[3].X, 0);
  EXPECT_EQ(ds.Electrodes[3].Y, -5);
  const double last = before.ElectrodePos[8];
  for (int q = 1; q <= ds.Quads.Size(); ++q) {
    const TQuadripole& now = ds.Quads[q];
    const TQuadripole& was = before.Quads[q];
    for (auto [n, o] : {std::pair{now.A, was.A}, {now.B, was.B}, {now.M, was.M}, {now.N, was.N}}) {
      EXPECT_EQ(n, o >= 3 && o <= 7 ? o + 1 : o) << "quadripole " << q;
    }
    // The quadripoles keep their places unless they used the last electrode.
    if (!UsesX(before.Points[q], last)) {
      EXPECT_FLOAT_EQ(ds.Electrodes[now.A].X, before.Electrodes[was.A].X) << q;
      EXPECT_FLOAT_EQ(ds.Electrodes[now.N].X, before.Electrodes[was.N].X) << q;
      EXPECT_EQ(ds.Points[q].Q, 255);
    } else {
      EXPECT_EQ(ds.Points[q].Q, 1) << q;
      EXPECT_TRUE(IsBad(ds, q));
    }
  }

  // Data with measurements have no broken-electrode command.
  ds.DataKind = DataKindInstrument;
  EXPECT_FALSE(RemoveBrokenElectrode(ds, 2, yes).changed);
}

TEST(TopographyText, SeparatorsDecimalCommasAndHeaders) {
  struct Case {
    const char* line;
    std::vector<double> numbers;
  };
  const Case cases[] = {
      {"0\t10", {0, 10}},          {"12,5\t100,25", {12.5, 100.25}}, {"12.5,100.25", {12.5, 100.25}},
      {"1, 2, 3", {1, 2, 3}},      {"12,5 100,25", {12.5, 100.25}},  {"4;5,5", {4, 5.5}},
      {"  7   8  ", {7, 8}},       {"x\tz", {}},                     {"3 abc 4", {3}},
      {"1,2,3", {1, 2, 3}},
  };
  for (const Case& c : cases) EXPECT_EQ(TableNumbers(c.line), c.numbers) << c.line;
}

TEST(PasteTopography, DropsPositionsThatDoNotIncreaseAndInterpolates) {
  TDataset ds;
  MakeWennerSequence(ds, 12);
  const std::string text = "x\tz\r\n0\t10\r\n5\t12\r\n3\t11\r\n10\t13\r\n";
  const TopographyTable t = ParsePastedTopography(text, MaxElectrodePositions);
  ASSERT_EQ(t.points.size(), 3u);
  EXPECT_EQ(t.dropped, 1);

  ASSERT_TRUE(PasteTopography(ds, text, true).changed);
  ASSERT_EQ(ds.ElectrodeXZCount, 3);
  // The quadratic through (0, 10), (5, 12), (10, 13).
  const auto quadratic = [](double x) {
    return 10 * (x - 5) * (x - 10) / 50 + 12 * x * (x - 10) / -25 + 13 * x * (x - 5) / 50;
  };
  EXPECT_NEAR(SquareProfileAltitude(ds, 2.5), quadratic(2.5), 1e-9);
  EXPECT_NEAR(ds.TypedAltitude[3].value(), quadratic(ds.ElectrodePos[3]), 5e-4);
  // The grid shows the same altitudes when it is filled again.
  ds.TypedAltitude[3].reset();
  EXPECT_NEAR(ShownAltitude(ds, 3), quadratic(2), 5e-4);

  ASSERT_TRUE(PasteTopography(ds, text, false).changed);
  EXPECT_NEAR(ProfileAltitude(ds, 2.5), 11.0, 1e-9);
  EXPECT_NEAR(ProfileAltitude(ds, 7.5), 12.5, 1e-9);
  // Beyond the ends the end segments go on.
  EXPECT_NEAR(ProfileAltitude(ds, 11), 13.2, 1e-6);
  EXPECT_NEAR(ProfileAltitude(ds, -5), 8.0, 1e-6);
}

TEST(PasteTopography, HoldsTheProfileWithoutTheShiftAndKeepsItForTooFewPoints) {
  TDataset ds;
  MakeWennerSequence(ds, 12);
  ds.XShift = 100;
  ASSERT_TRUE(PasteTopography(ds, "100,0;20\n110,0;30\n", false).changed);
  ASSERT_EQ(ds.ElectrodeXZCount, 2);
  EXPECT_FLOAT_EQ(ds.ElectrodeXZ[1].X, 0);
  EXPECT_FLOAT_EQ(ds.ElectrodeXZ[2].X, 10);
  EXPECT_NEAR(ds.TypedAltitude[6].value(), 25, 1e-9);  // electrode 6 stands at x 5

  EXPECT_FALSE(PasteTopography(ds, "garbage\n1 2\n", false).changed);
  EXPECT_EQ(ds.ElectrodeXZCount, 2);
}

TEST(TopographyFile, Res2dInvBlockAndColumnTables) {
  std::string error;
  std::ifstream in(ExamplesDir / "wenner32_topo.dat", std::ios::binary);
  const std::string res2dinv((std::istreambuf_iterator<char>(in)), {});
  const auto block = ParseTopographyFile(res2dinv, 64, error);
  ASSERT_TRUE(block) << error;
  ASSERT_EQ(block->points.size(), 32u);
  EXPECT_DOUBLE_EQ(block->points[0].z, 110.0);
  EXPECT_DOUBLE_EQ(block->points[31].x, 124.0);

  const auto xyz = ParseTopographyFile("name,east,alt\nx,y,z\n0,3.5,100\n2,3.5,101.5\n4,3.6,103\n", 64, error);
  ASSERT_TRUE(xyz) << error;
  ASSERT_EQ(xyz->points.size(), 3u);
  EXPECT_DOUBLE_EQ(xyz->points[1].z, 101.5);

  const auto cut = ParseTopographyFile("0 1\n1 2\n2 3\n3 4\n", 3, error);
  ASSERT_TRUE(cut);
  EXPECT_TRUE(cut->cut);
  EXPECT_EQ(cut->points.size(), 3u);

  EXPECT_FALSE(ParseTopographyFile("Line\n1.0\n1\n3\n0 1 10\n1 1 11\n2 1 12\n0\n0\n", 64, error));
  EXPECT_FALSE(error.empty());
}

TEST(PasteAltitudes, SecondFieldOfEachLineGoesToItsRow) {
  TDataset ds;
  MakeWennerSequence(ds, 6);
  const AltitudePaste paste = PasteAltitudes(ds, "N\tAlt\n1\t100,5\n2\tx\n3\t102.25\n\n5\t9\n");
  EXPECT_EQ(paste.rows, 2);
  EXPECT_DOUBLE_EQ(ds.TypedAltitude[1].value(), 100.5);
  EXPECT_FALSE(ds.TypedAltitude[2].has_value());
  EXPECT_DOUBLE_EQ(ds.TypedAltitude[3].value(), 102.25);
  EXPECT_FALSE(ds.TypedAltitude[5].has_value()) << "a blank line ends the paste";
  EXPECT_FLOAT_EQ(ds.ElectrodePosZ[3], 102.25f);
}

TEST(MultiplyDistances, DoublesTheLayoutAndTheFactorsOfASequence) {
  TDataset ds;
  OpenExample(ds, "wenner32.seq", 2);
  const TDataset before = ds;
  ToggleElectrodes(ds, {5});
  RecordingMessenger m;
  EXPECT_EQ(ParseMultiplier("2"), 2.0);
  EXPECT_FALSE(ParseMultiplier("1.0"));
  EXPECT_FALSE(ParseMultiplier("abc"));
  EXPECT_FALSE(ParseMultiplier("-2"));
  const auto outcome = MultiplyDistances(ds, 2, m);
  ASSERT_TRUE(outcome.changed);
  ASSERT_TRUE(outcome.rebuild.has_value());
  EXPECT_TRUE(outcome.rebuild->loaded);
  ASSERT_EQ(ds.PointCount, before.PointCount);
  for (int n = 1; n <= ds.SeqHeader.ElectrodeTotal; ++n) EXPECT_FLOAT_EQ(ds.Electrodes[n].X, 2 * before.Electrodes[n].X);
  for (int i = 1; i <= ds.PointCount; ++i) {
    EXPECT_FLOAT_EQ(ds.Points[i].Rho, 2 * before.Points[i].Rho) << i;  // "K arr."
    EXPECT_FLOAT_EQ(ds.Points[i].XA, 2 * before.Points[i].XA) << i;
  }
  // The deleted electrode stays deleted with its points marked.
  EXPECT_NE(ds.ElectrodePosFlag[5], 0);
  EXPECT_FLOAT_EQ(ds.ElectrodePos[5], 2 * before.ElectrodePos[5]);
  for (int i = 1; i <= ds.PointCount; ++i) EXPECT_EQ(IsBad(ds, i), UsesX(ds.Points[i], ds.ElectrodePos[5])) << i;
}

TEST(MultiplyDistances, RecomputesMeasuredResistivitiesAndKeepsQualityCodes) {
  TDataset ds;
  OpenExample(ds, "wenner32.001", 1);
  const TDataset before = ds;
  RecordingMessenger m;
  ASSERT_TRUE(MultiplyDistances(ds, 0.5, m).changed);
  ASSERT_EQ(ds.PointCount, before.PointCount);
  for (int i = 1; i <= ds.PointCount; ++i) {
    EXPECT_EQ(ds.Points[i].Q, before.Points[i].Q) << i;
    EXPECT_FLOAT_EQ(ds.Points[i].V, before.Points[i].V) << i;
    if (before.Points[i].Rho > 0) {
      EXPECT_NEAR(ds.Points[i].Rho, 0.5 * before.Points[i].Rho, 1e-4 * before.Points[i].Rho);
    }
  }
  EXPECT_EQ(ds.BadCount, before.BadCount);
}

TEST(MirrorProfile, MapsXToTheOtherEndAndTwiceGivesTheOriginal) {
  TDataset ds;
  MakeWennerSequence(ds, 48);
  ASSERT_FLOAT_EQ(ds.ElectrodePos[48], 47);
  const TDataset before = ds;
  ToggleElectrodes(ds, {6});  // the electrode at x 5
  RecordingMessenger m;
  ASSERT_TRUE(MirrorProfile(ds, m).changed);
  EXPECT_FLOAT_EQ(ds.Electrodes[6].X, 42);
  const int at42 = ElectrodeIndexOf(ds, 42);
  ASSERT_GT(at42, 0);
  EXPECT_NE(ds.ElectrodePosFlag[at42], 0) << "the deleted electrode moved with its cable number";
  EXPECT_EQ(ds.ElectrodePosFlag[ElectrodeIndexOf(ds, 5)], 0);

  ASSERT_TRUE(MirrorProfile(ds, m).changed);
  for (int n = 1; n <= 48; ++n) EXPECT_FLOAT_EQ(ds.Electrodes[n].X, before.Electrodes[n].X) << n;
  ASSERT_EQ(ds.PointCount, before.PointCount);
  for (int i = 1; i <= ds.PointCount; ++i) {
    const TDataPoint& p = ds.Points[i];
    const TDataPoint& o = before.Points[i];
    EXPECT_FLOAT_EQ(std::min(p.XA, p.XB), std::min(o.XA, o.XB)) << i;
    EXPECT_FLOAT_EQ(p.X, o.X) << i;
    EXPECT_FLOAT_EQ(p.Spacing, o.Spacing) << i;
  }
  EXPECT_NE(ds.ElectrodePosFlag[6], 0);
  EXPECT_TRUE(m.entries.empty());
}

TEST(GeometryEdits, NeedOneSetOfAnInstrumentSequence) {
  TDataset ds;
  MakeWennerSequence(ds, 12);
  EXPECT_TRUE(GeometryEditAllowed(ds));
  ds.DataKind = DataKindResistivityOnly;
  EXPECT_FALSE(GeometryEditAllowed(ds));
  RecordingMessenger m;
  EXPECT_FALSE(MirrorProfile(ds, m).changed);
  ds.DataKind = DataKindSequence;
  ds.SetCount = 2;
  EXPECT_FALSE(GeometryEditAllowed(ds));
}

TEST(Multinodes, AnalysisFindsTheUnitsAndTheirDirection) {
  TDataset ds;
  MakeWennerSequence(ds, 48);
  ASSERT_TRUE(ds.ElectrodeNumbersAvailable);
  const TMultinodeList list = AnalyseMultinodes(ds, 16);
  EXPECT_EQ(MultinodeListText(list), "1-2-3");
  EXPECT_EQ(MultinodeListText(AnalyseMultinodes(ds, 24)), "1-2");
  EXPECT_EQ(AnalyseMultinodes(ds, 8).size(), 6u);
  const MultinodeLabels labels = MultinodeLabelTexts(ds, list);
  EXPECT_EQ(labels.usedElectrodes, "Number of used electrodes: 48");
  EXPECT_EQ(labels.multinodeCount, "Number of multinodes: 3");
  EXPECT_EQ(labels.usedMultinodes, "Used multinodes: 1-2-3");
  EXPECT_EQ(NewMultinodeItems(16)[1], "2 | 17-32");
  EXPECT_EQ(NewMultinodeItems(8).size(), 32u);
  EXPECT_EQ(MultinodeTabText(3, 24), "49-72");

  // Cable 17..32 laid the other way round.
  for (int i = 17; i <= 32; ++i) ds.ElectrodePosNumber[i] = 49 - i;
  EXPECT_EQ(MultinodeListText(AnalyseMultinodes(ds, 16)), "1-2R-3");
}

TEST(Multinodes, ReversingAndMovingRenumberTheSequence) {
  TDataset ds;
  MakeWennerSequence(ds, 48);
  const TDataset before = ds;
  const TMultinodeList list = AnalyseMultinodes(ds, 16);
  RecordingMessenger m;

  TMultinodeList reversed = list;
  reversed[1].Reversed = true;
  EXPECT_EQ(RenumberButtonText(reversed), "Make SEQ for \"1-2R-3\"");
  ASSERT_TRUE(RenumberMultinodes(ds, 16, list, reversed, m));
  EXPECT_EQ(ds.ElectrodePosNumber[17], 32);
  EXPECT_EQ(ds.ElectrodePosNumber[20], 29);
  EXPECT_EQ(ds.ElectrodePosNumber[33], 33);
  for (int q = 1; q <= ds.Quads.Size(); ++q) {
    const auto mapped = [](int c) { return c >= 17 && c <= 32 ? 49 - c : c; };
    EXPECT_EQ(ds.Quads[q].A, mapped(before.Quads[q].A)) << q;
    EXPECT_EQ(ds.Quads[q].M, mapped(before.Quads[q].M)) << q;
    // Every quadripole stays where it was.
    EXPECT_FLOAT_EQ(ds.Electrodes[ds.Quads[q].A].X, before.Electrodes[before.Quads[q].A].X) << q;
    EXPECT_FLOAT_EQ(ds.Electrodes[ds.Quads[q].N].X, before.Electrodes[before.Quads[q].N].X) << q;
  }
  EXPECT_EQ(MultinodeListText(AnalyseMultinodes(ds, 16)), "1-2R-3");

  // Nothing changes for the same list or two units on one number.
  EXPECT_FALSE(RenumberMultinodes(ds, 16, reversed, reversed, m));
  TMultinodeList twice = reversed;
  twice[2].Number = 1;
  EXPECT_FALSE(RenumberMultinodes(ds, 16, reversed, twice, m));
}

TEST(Multinodes, MovingAUnitLeavesItsOldNumbersOutOfTheLine) {
  TDataset ds;
  MakeWennerSequence(ds, 32);
  const TMultinodeList list = AnalyseMultinodes(ds, 16);
  ASSERT_EQ(MultinodeListText(list), "1-2");
  TMultinodeList moved = list;
  moved[1].Number = 3;
  RecordingMessenger m;
  ASSERT_TRUE(RenumberMultinodes(ds, 16, list, moved, m));
  EXPECT_EQ(ds.ElectrodePosNumber[17], 33);
  EXPECT_EQ(ds.SeqHeader.ElectrodeTotal, 48);
  EXPECT_FLOAT_EQ(ds.Electrodes[33].X, 16);
  EXPECT_FLOAT_EQ(ds.Electrodes[20].X, 0);
  EXPECT_FLOAT_EQ(ds.Electrodes[20].Y, 20);
  EXPECT_FLOAT_EQ(ds.Electrodes[1].X, 0);

  // A unit moved past the layout's capacity is refused with a message.
  const TMultinodeList now = AnalyseMultinodes(ds, 16);
  TMultinodeList far = now;
  far[1].Number = MaxElectrodes / 16 + 2;
  EXPECT_FALSE(RenumberMultinodes(ds, 16, now, far, m));
  EXPECT_EQ(m.entries.size(), 1u);
  EXPECT_EQ(ds.ElectrodePosNumber[17], 33);
}

TEST(ElectrodeEditUndo, OneStepRestoresTheDatasetAsBeforeTheEdit) {
  TDataset ds;
  MakeWennerSequence(ds, 12);
  const TDataset before = ds;
  ElectrodeEditUndo undo;
  EXPECT_FALSE(undo.Undo(ds));

  undo.Remember(ds);
  ToggleElectrodes(ds, {3});
  // The operator's thresholds set after the edit are not taken back.
  ds.Thresholds.ErrorLimit = 7;
  RecordingMessenger m;
  EXPECT_TRUE(undo.Undo(ds));
  EXPECT_EQ(ds.Thresholds.ErrorLimit, 7);
  EXPECT_EQ(ds.ElectrodePosFlag[3], 0);
  for (int i = 1; i <= ds.PointCount; ++i) EXPECT_EQ(ds.Points[i].Q, 255);
  EXPECT_FALSE(undo.CanUndo());

  undo.Remember(ds);
  ASSERT_TRUE(MirrorProfile(ds, m).changed);
  ASSERT_TRUE(undo.Undo(ds));
  for (int n = 1; n <= 12; ++n) EXPECT_FLOAT_EQ(ds.Electrodes[n].X, before.Electrodes[n].X);
  for (int i = 1; i <= ds.PointCount; ++i) EXPECT_FLOAT_EQ(ds.Points[i].XA, before.Points[i].XA);
}

}  // namespace
}  // namespace tarvo
