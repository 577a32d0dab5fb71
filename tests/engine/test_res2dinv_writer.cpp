#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "engine/core/array_types.h"
#include "engine/core/bad_points.h"
#include "engine/core/text_file.h"
#include "engine/export/res2dinv_writer.h"
#include "engine/import/open_command.h"
#include "engine/import/res2dinv_reader.h"
#include "test_files.h"
#include "test_support.h"

namespace tarvo {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Lines(std::initializer_list<std::string> head, std::initializer_list<std::string> tail = {}) {
  std::vector<std::string> lines(head);
  lines.insert(lines.end(), tail);
  for (int k = 0; k < 6; ++k) lines.push_back("0");
  return lines;
}

class Res2dInvWriterTest : public ::testing::Test {
protected:
  TDataset ds;
  RecordingMessenger messenger;
  ReadEnvironment env{messenger, "", nullptr};
  OpenCommandState state;
  ExportOptions options;  // model refinement, IP unit "msec"
  test::ScratchFolder scratch;
  const fs::path folder = scratch.Path();

  // Opens Res2dInv files as the Open command does.
  void Open(const std::vector<std::string>& files) {
    OpenRequest request;
    request.files = files;
    request.filterIndex = Res2dInvFilterIndex;
    const OpenResult result = RunOpenCommand(ds, state, request, DefaultReaders(), env);
    ASSERT_TRUE(result.loaded) << (messenger.entries.empty() ? "" : messenger.Texts().front());
  }

  // Runs a command that writes to `target` and returns the bytes written.
  std::string Export(Res2dInvSender sender, SaveDialogDescription* dialog = nullptr) {
    const std::string target = (folder / "out.dat").string();
    const auto chooser = [&](const SaveDialogDescription& d) -> std::optional<std::string> {
      if (dialog) *dialog = d;
      return target;
    };
    const SaveOutcome outcome =
        sender == Res2dInvSender::aTimeLapse ? ExportTimeLapse(ds, options, state.Res2dInvExt, chooser, messenger)
                                             : ExportRes2dInv(ds, sender, options, state.Res2dInvExt, chooser, messenger);
    EXPECT_EQ(outcome, SaveOutcome::Written) << (messenger.entries.empty() ? "" : messenger.Texts().front());
    std::vector<std::uint8_t> bytes;
    ReadFileBytes(target, bytes);
    return std::string(bytes.begin(), bytes.end());
  }

  // Reads a written file back into a fresh dataset.
  TDataset ReadBack(const std::string& text) {
    TDataset back;
    ReadIntoDataset(back, ReadRes2dInv, {scratch.Write("back.dat", text), 0}, env);
    return back;
  }
};

// Pole-dipole with n = 1, 2 forward and n = -1, -2 reverse (x of the array
// middle, a = 1): two sets, forward then reverse.
const char* const PoleDipoleFile =
    "PD line\r\n1\r\n6\r\n4\r\n1\r\n0\r\n3 1 1 100\r\n4 1 2 110\r\n6 1 -1 120\r\n5 1 -2 130\r\n";

TEST_F(Res2dInvWriterTest, ForwardAndReversePoleDipoleStayInTheUsualFormat) {
  Open({scratch.Write("pd.dat", PoleDipoleFile)});
  ASSERT_EQ(ds.SetCount, 2);
  ASSERT_EQ(ds.Sets[1].Type, ForwardPoleDipole);
  ASSERT_EQ(ds.Sets[2].Type, ReversePoleDipole);

  SaveDialogDescription dialog;
  EXPECT_TRUE(test::SameBytes(Export(Res2dInvSender::aRes2dInv, &dialog),
                              test::Crlf(Lines({"PD line", "0.500", "6", "4", "1", "0", "    3     1 1 100",
                                                "    4     1 2 110", "    6     1 -1 120", "    5     1 -2 130"}))));
  EXPECT_EQ(dialog.title, "Usual Res2dInv format");
  EXPECT_EQ(dialog.proposedName, (folder / "pd.dat").string());
  EXPECT_EQ(dialog.filter, "Res2Dinv files|*.dat||_*.dat");
  EXPECT_EQ(dialog.defaultExt, "DAT");
}

TEST_F(Res2dInvWriterTest, ErrorEstimatesAreWrittenBackInTheUnitOfTheValue) {
  Open({scratch.Write("err.dat", "Errors\r\n1\r\n1\r\n2\r\n1\r\n0\r\nError estimate for data present\r\n"
                                 "Type of error estimate (0=same unit as data)\r\n0\r\n1.5 1 100 2\r\n"
                                 "2.5 1 120 6\r\n")});
  ASSERT_TRUE(ds.HasErrors);
  const TDataset read = ds;
  const std::vector<std::string> block = {"Error estimate for data present",
                                          "Type of error estimate (0=same unit as data)", "0"};
  std::vector<std::string> usual = {"Errors", "0.500", "1", "2", "1", "0"};
  usual.insert(usual.end(), block.begin(), block.end());
  usual.insert(usual.end(), {"1.5 1 100 2", "2.5 1 120 6"});
  usual.insert(usual.end(), 6, "0");
  EXPECT_TRUE(test::SameBytes(Export(Res2dInvSender::aRes2dInv), test::Crlf(usual)));
  EXPECT_TRUE(messenger.entries.empty());

  ds = read;
  std::vector<std::string> general = {"Errors", "0.500", "11", "1", "Type of measurement (0=app.resistivity,1=resistance)",
                                      "0", "2", "1", "0"};
  general.insert(general.end(), block.begin(), block.end());
  general.insert(general.end(), {"4 0 0 3 0 1 0 2 0 100 2", "4 1 0 4 0 2 0 3 0 120 6"});
  general.insert(general.end(), 6, "0");
  const std::string text = Export(Res2dInvSender::aRes2dInv_new);
  EXPECT_TRUE(test::SameBytes(text, test::Crlf(general)));
  const TDataset back = ReadBack(text);
  ASSERT_EQ(back.PointCount, 2);
  EXPECT_TRUE(back.HasErrors);
  EXPECT_FLOAT_EQ(back.Points[2].Err, 5.0f);
}

// A pole-pole set and a dipole-dipole set on electrodes 2 m apart with
// relief and chargeability.
const char* const MixedGeneralFile =
    "Mixed\r\n2\r\n11\r\n0\r\nType of measurement (0=app.resistivity,1=resistance)\r\n0\r\n4\r\n1\r\n1\r\n"
    "Chargeability\r\nmsec\r\n0.020000,5.000000\r\n"
    "2 0 10 2 10.5 50 1.5\r\n"
    "2 0 10 4 11 55 2\r\n"
    "4 0 10 2 10.5 6 11.25 8 11 60 2.5\r\n"
    "4 2 10.5 4 11 8 11 10 10 70 3\r\n";

TEST_F(Res2dInvWriterTest, MixedArraysAreWrittenInTheGeneralFormatAndReadBack) {
  Open({scratch.Write("mixed.dat", MixedGeneralFile)});
  ASSERT_EQ(ds.SetCount, 2);
  const std::vector<std::string> data = {"2 0 10 2 10.5 50", "2 0 10 4 11 55", "4 0 10 2 10.5 6 11.25 8 11 60",
                                         "4 2 10.5 4 11 8 11 10 10 70"};
  const std::vector<std::string> charge = {" 1.5", " 2", " 2.5", " 3"};
  const TDataset read = ds;

  struct Case {
    bool withoutIP;
    std::vector<std::string> ipLines;
  };
  for (const Case& c : {Case{false, {"1", "Chargeability", "msec", "0.020000,5.000000"}}, Case{true, {"0"}}}) {
    SCOPED_TRACE(c.withoutIP ? "without IP" : "with IP");
    ds = read;
    options.WithoutIP = c.withoutIP;
    std::vector<std::string> expected = {
        "Mixed", "1.000", "11", "0", "Type of measurement (0=app.resistivity,1=resistance)", "0", "4", "1"};
    expected.insert(expected.end(), c.ipLines.begin(), c.ipLines.end());
    for (std::size_t k = 0; k < data.size(); ++k) expected.push_back(data[k] + (c.withoutIP ? "" : charge[k]));
    expected.insert(expected.end(), 6, "0");

    SaveDialogDescription dialog;
    const std::string text = Export(Res2dInvSender::aRes2dInv, &dialog);
    EXPECT_TRUE(test::SameBytes(text, test::Crlf(expected)));
    EXPECT_EQ(dialog.title, "General Res2dInv format");

    const TDataset back = ReadBack(text);
    ASSERT_EQ(back.PointCount, read.PointCount);
    EXPECT_EQ(back.HasIP, !c.withoutIP);
    for (int i = 1; i <= back.PointCount; ++i) {
      const TDataPoint &p = back.Points[i], &q = read.Points[i];
      EXPECT_EQ(p.PointType, q.PointType) << i;
      EXPECT_EQ((std::array{p.XA, p.XB, p.XM, p.XN, p.ZA, p.ZB, p.ZM, p.ZN, p.Rho}),
                (std::array{q.XA, q.XB, q.XM, q.XN, q.ZA, q.ZB, q.ZM, q.ZN, q.Rho}))
          << i;
      if (!c.withoutIP) {
        EXPECT_EQ(p.IP, q.IP) << i;
      }
    }
  }
}

TEST_F(Res2dInvWriterTest, GeneralCommandWritesOneArrayWithItsNumber) {
  Open({scratch.Write("pd.dat", PoleDipoleFile)});
  // Electrodes on a flat line: every elevation is 0.
  EXPECT_TRUE(test::SameBytes(
      Export(Res2dInvSender::aRes2dInv_new),
      test::Crlf(Lines({"PD line", "0.500", "11", "0", "Type of measurement (0=app.resistivity,1=resistance)", "0", "4",
                        "1", "0", "3 2 0 3 0 4 0 100", "3 2.5 0 4.5 0 5.5 0 110", "3 7 0 6 0 5 0 120",
                        "3 6.5 0 4.5 0 3.5 0 130"}))));
}

TEST_F(Res2dInvWriterTest, AsymmetricalArrayHasOnlyTheGeneralFormat) {
  // The usual format has no array number for it: "Res2dInv" writes the
  // general format rather than a file without data lines.
  Open({scratch.Write("asym.dat",
                      "Asym\r\n1\r\n11\r\n0\r\nType of measurement (0=app.resistivity,1=resistance)\r\n0\r\n1\r\n1\r\n"
                      "0\r\n4 0 0 12 0 4 0 6 0 50\r\n")});
  ASSERT_EQ(ds.ArrayType, Asymmetrical);
  SaveDialogDescription dialog;
  EXPECT_TRUE(test::SameBytes(
      Export(Res2dInvSender::aRes2dInv, &dialog),
      test::Crlf(Lines({"Asym", "1.000", "11", "0", "Type of measurement (0=app.resistivity,1=resistance)", "0", "1",
                        "1", "0", "4 0 0 12 0 4 0 6 0 50"}))));
  EXPECT_EQ(dialog.title, "General Res2dInv format");
  EXPECT_TRUE(messenger.entries.empty());
}

// A Wenner line (x of the middle) with a topography block of four points.
std::string WennerFile(const std::string& topography) {
  return "Wenner line\r\n2\r\n1\r\n3\r\n1\r\n0\r\n3 2 100\r\n5 2 110\r\n6 4 120\r\n" + topography;
}

TEST_F(Res2dInvWriterTest, TopographyIsWrittenOnlyWhenElectrodesDifferInAltitude) {
  const std::vector<std::string> head = {"Wenner line", "1.000", "1", "3", "1", "0", "3 2 100", "5 2 110", "6 4 120"};
  struct Case {
    const char* name;
    std::string topography;
    std::vector<std::string> block;
  };
  const Case cases[] = {
      {"relief", "2\r\n4\r\n0 100\r\n4 101\r\n8 102\r\n12 100\r\n",
       {"2", "6", "0 100", "2 100.5", "4 101", "6 101.5", "8 102", "12 100", "1"}},
      {"flat profile", "1\r\n2\r\n0 100\r\n12 100\r\n", {}},
      {"no profile", "0\r\n", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ds = TDataset{};
    Open({scratch.Write("wenner.dat", WennerFile(c.topography))});
    std::vector<std::string> expected = head;
    expected.insert(expected.end(), c.block.begin(), c.block.end());
    expected.insert(expected.end(), 6, "0");
    const std::string text = Export(Res2dInvSender::aRes2dInv);
    EXPECT_TRUE(test::SameBytes(text, test::Crlf(expected)));

    const TDataset back = ReadBack(text);
    ASSERT_EQ(back.PointCount, 3);
    for (int i = 1; i <= 3; ++i) {
      EXPECT_EQ((std::array{back.Points[i].X, back.Points[i].Spacing, back.Points[i].Rho, back.Points[i].XA,
                            back.Points[i].XB}),
                (std::array{ds.Points[i].X, ds.Points[i].Spacing, ds.Points[i].Rho, ds.Points[i].XA, ds.Points[i].XB}))
          << i;
    }
    EXPECT_EQ(back.ElectrodeXZCount, c.block.empty() ? 0 : 6);
  }
}

TEST_F(Res2dInvWriterTest, RepeatedPointIsWrittenOnceWithTheGeometricMean) {
  Open({scratch.Write("a.dat", "A\r\n2\r\n1\r\n2\r\n1\r\n0\r\n3 2 100\r\n5 2 110\r\n"),
        scratch.Write("b.dat", "B\r\n2\r\n1\r\n2\r\n1\r\n0\r\n5 2 440\r\n7 2 130\r\n")});
  ASSERT_EQ(ds.SetCount, 2);
  ds.Memo = {"Two runs"};
  EXPECT_TRUE(test::SameBytes(Export(Res2dInvSender::aRes2dInv),
                              test::Crlf(Lines({"Two runs", "1.000", "1", "3", "1", "0", "3 2 100", "5 2 220",
                                                "7 2 130"}))));
  EXPECT_EQ(ds.Points[2].Q, QRejected);
  EXPECT_EQ(ds.MergedCount, 1);
}

TEST_F(Res2dInvWriterTest, TimeLapseWritesOneColumnPerTimeStep) {
  const auto run = [](const std::string& title, int r1, int r2, int r3) {
    return title + "\r\n2\r\n1\r\n3\r\n1\r\n0\r\n3 2 " + std::to_string(r1) + "\r\n5 2 " + std::to_string(r2) +
           "\r\n6 4 " + std::to_string(r3) + "\r\n";
  };
  Open({scratch.Write("t1.dat", run("T1", 100, 110, 120)), scratch.Write("t2.dat", run("T2", 200, 210, 220)),
        scratch.Write("t3.dat", run("T3", 300, 310, 320))});
  ds.Memo = {"Monitoring"};
  SaveDialogDescription dialog;
  const std::string text = Export(Res2dInvSender::aTimeLapse, &dialog);
  EXPECT_TRUE(test::SameBytes(
      text, test::Crlf(Lines({"Monitoring", "1.000", "1", "3", "1", "0", "Time sequence data",
                              "Number of time sections", "3", "Time unit", "Hours", "Second time section interval",
                              "1.0", "Second time section interval", "2.0", "3 2 100 200 300", "5 2 110 210 310",
                              "6 4 120 220 320"}))));
  EXPECT_EQ(dialog.title, "Usual Res2dInv format (time-lapse data)");
  EXPECT_EQ((std::array{ds.BaseSetCount, ds.TimeSetCount, ds.PointsPerTime}), (std::array{1, 3, 3}));

  const TDataset back = ReadBack(text);
  ASSERT_EQ(back.TimeSetCount, 3);
  ASSERT_EQ(back.PointCount, 9);
  for (int i = 1; i <= 9; ++i) EXPECT_EQ(back.Points[i].Rho, ds.Points[i].Rho) << i;
}

TEST_F(Res2dInvWriterTest, TimeLapseTitleNamesTheFilesOfEachTime) {
  // Two times of a pole-pole and a dipole-dipole file: the title is made of
  // the stems of the first file and of the last file of the second time.
  const std::string file = std::string(MixedGeneralFile);
  Open({scratch.Write("day1.dat", file), scratch.Write("day2.dat", file)});
  ASSERT_EQ(ds.SetCount, 4);
  const std::string text = Export(Res2dInvSender::aTimeLapse);
  EXPECT_EQ(text.substr(0, text.find("\r\n")), "day1 + day2");
  EXPECT_EQ(ds.BaseSetCount, 2);
}

TEST_F(Res2dInvWriterTest, TimeLapseRefusesSetsThatDoNotFormEqualTimeSteps) {
  struct Case {
    const char* name;
    std::vector<TSetEntry> sets;
    int badCount;
    std::vector<std::string> messages;
  };
  const auto sets = [](std::initializer_list<std::pair<int, std::uint8_t>> sizes) {
    std::vector<TSetEntry> out;
    int first = 1;
    for (const auto& [size, type] : sizes) {
      out.push_back({first, first + size - 1, type});
      first += size;
    }
    return out;
  };
  std::vector<TSetEntry> tooMany;
  for (int k = 1; k <= MaxTimeSteps + 1; ++k) tooMany.push_back({k, k, Wenner});
  const Case cases[] = {
      {"single set", sets({{40, Wenner}}), 0, {}},
      {"bad point", sets({{40, Wenner}, {40, Wenner}}), 1, {"The data have to be without BAD point"}},
      {"40, 40, 39", sets({{40, Wenner}, {40, Wenner}, {39, Wenner}}), 0,
       {"The data for different files have to be the same length"}},
      {"order", sets({{10, Schlumberger}, {10, DipoleDipole}, {10, Schlumberger}, {10, Schlumberger}}), 0,
       {"The data for different arrays have to be in the same oder for all files"}},
      {"lengths", sets({{10, Schlumberger}, {10, DipoleDipole}, {12, Schlumberger}, {8, DipoleDipole}}), 0,
       {"The data for different files have to be the same length and type"}},
      {"one time too many", tooMany, 0, {"Too many time steps.\r\nMaximal number - " + std::to_string(MaxTimeSteps)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TDataset d;
    d.DataKind = DataKindResistivityOnly;
    for (const TSetEntry& s : c.sets) d.Sets[++d.SetCount] = s;
    d.PointCount = c.sets.back().Last;
    d.Points.Resize(d.PointCount);
    d.BadCount = c.badCount;
    RecordingMessenger m;
    bool asked = false;
    const SaveOutcome outcome = ExportTimeLapse(
        d, options, ".dat", [&](const SaveDialogDescription&) -> std::optional<std::string> {
          asked = true;
          return std::nullopt;
        },
        m);
    EXPECT_EQ(outcome, SaveOutcome::Refused);
    EXPECT_FALSE(asked);
    EXPECT_EQ(m.Texts(), c.messages);
  }
}

TEST_F(Res2dInvWriterTest, TitleLineFollowsTheDataKindAndTheMemo) {
  struct Case {
    const char* name;
    float kind;
    std::vector<std::uint8_t> types;
    std::vector<std::string> memo;
    std::string title;
    std::string memoAfter;
  };
  const Case cases[] = {
      {"one set, empty memo", DataKindResistivityOnly, {Wenner}, {}, ".", "."},
      {"two sets, empty memo", DataKindResistivityOnly, {PolePole, Schlumberger}, {""}, "AM + AMNB", "AM + AMNB"},
      {"two sets, memo", DataKindResistivityOnly, {PolePole, Schlumberger}, {"Line 4", "north"}, "Line 4", "Line 4"},
      {"instrument, empty memo", DataKindInstrument, {Wenner}, {"", "north"}, "/data/line.001 north", "/data/line.001"},
      {"instrument, memo", DataKindInstrument, {Wenner}, {"Line 4"}, "Line 4", "Line 4"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TDataset d;
    d.DataKind = c.kind;
    d.FileName = "/data/line.001";
    d.Memo = c.memo;
    d.PointCount = static_cast<int>(c.types.size());
    d.Points.Resize(d.PointCount);
    for (int k = 1; k <= d.PointCount; ++k) {
      d.Points[k].Rho = 10;
      d.Points[k].MN = 1;
      d.Sets[++d.SetCount] = {k, k, c.types[static_cast<std::size_t>(k - 1)]};
    }
    d.ArrayType = c.types.front();
    const Res2dInvPlan plan = PrepareRes2dInv(d, Res2dInvSender::aRes2dInv, options, ".dat");
    const std::string text = Res2dInvFileText(d, plan, options, messenger);
    EXPECT_EQ(text.substr(0, text.find("\r\n")), c.title);
    EXPECT_EQ(d.Memo, c.memo);  // the text alone leaves the memo as it was
    KeepRes2dInvWrite(d, plan);
    ASSERT_FALSE(d.Memo.empty());
    EXPECT_EQ(d.Memo.front(), c.memoAfter);
  }
}

TEST_F(Res2dInvWriterTest, ShiftStaysWhenTheDialogIsCancelled) {
  Open({scratch.Write("wenner.dat", WennerFile("0\r\n"))});
  ds.XShift = 10;
  SaveDialogDescription dialog;
  const SaveOutcome outcome = ExportRes2dInv(
      ds, Res2dInvSender::aRes2dInv, options, state.Res2dInvExt,
      [&](const SaveDialogDescription& d) -> std::optional<std::string> {
        dialog = d;
        return std::nullopt;
      },
      messenger);
  EXPECT_EQ(outcome, SaveOutcome::Cancelled);
  EXPECT_EQ(ds.XShift, 0.0f);
  EXPECT_EQ((std::array{ds.Points[1].X, ds.Points[1].XA, ds.ElectrodePos[1], ds.Stations[1]}),
            (std::array{13.0f, 10.0f, 10.0f, 13.0f}));
  EXPECT_EQ(ds.Memo, std::vector<std::string>{"Wenner line"});
  EXPECT_FALSE(fs::exists(folder / "out.dat"));

  // Written afterwards, the shifted positions are the ones in the file.
  EXPECT_TRUE(test::SameBytes(Export(Res2dInvSender::aRes2dInv),
                              test::Crlf(Lines({"Wenner line", "1.000", "1", "3", "1", "0", "13 2 100", "15 2 110",
                                                "16 4 120"}))));
}

TEST_F(Res2dInvWriterTest, PolePoleSequenceDataTakeTheElectrodeSpacingAsUnit) {
  // An instrument pole-pole sequence keeps MN 0: the unit spacing comes from
  // the electrodes (2 m, halved for model refinement), never 0.
  test::MakeLine(ds, 3, 2.0f);
  test::SetQuads(ds, {{1, 0, 2, 0}, {1, 0, 3, 0}, {2, 0, 3, 0}});
  ASSERT_TRUE(ClassifySequence(ds, messenger));
  ASSERT_TRUE(AddSet(ds, 1, 3, ds.ArrayType));
  ds.DataKind = DataKindInstrument;
  for (int i = 1; i <= 3; ++i) {
    ds.Points[i].Q = 0;
    ds.Points[i].Rho = 100;
    ds.Points[i].V = ds.Points[i].I = 1;
  }
  ds.Memo = {"PP"};
  EXPECT_TRUE(test::SameBytes(Export(Res2dInvSender::aRes2dInv),
                              test::Crlf(Lines({"PP", "1.000", "2", "3", "1", "0", "1 2 100", "2 4 100", "3 2 100"}))));
}

TEST_F(Res2dInvWriterTest, ProposedNameAndFilterFollowTheData) {
  TDataset d;
  d.DataKind = DataKindInstrument;
  d.SeqHeader.SetTitleText("Wenner32A");
  EXPECT_EQ(PrepareRes2dInv(d, Res2dInvSender::aRes2dInv, options, ".dat").dialog.proposedName, "_enner32A");
  d.SeqHeader.SetTitleText("WennerA");
  EXPECT_EQ(PrepareRes2dInv(d, Res2dInvSender::aRes2dInv, options, ".dat").dialog.proposedName, "_WennerA");

  d.DataKind = DataKindResistivityOnly;
  d.FileName = "/data/line.txt";
  const SaveDialogDescription dialog = PrepareRes2dInv(d, Res2dInvSender::aRes2dInv, options, ".txt").dialog;
  EXPECT_EQ(dialog.proposedName, "/data/line.txt");
  EXPECT_EQ(dialog.filter, "Res2dinv (*.txt)|*.txt");
  EXPECT_EQ(dialog.defaultExt, "txt");
}

TEST_F(Res2dInvWriterTest, WriteFailureIsReported) {
  Open({scratch.Write("wenner.dat", WennerFile("0\r\n"))});
  const std::string target = (folder / "missing" / "out.dat").string();
  const SaveOutcome outcome =
      ExportRes2dInv(ds, Res2dInvSender::aRes2dInv, options, ".dat",
                      [&](const SaveDialogDescription&) -> std::optional<std::string> { return target; }, messenger);
  EXPECT_EQ(outcome, SaveOutcome::Failed);
  ASSERT_EQ(messenger.entries.size(), 1u);
  EXPECT_EQ(messenger.entries.front().kind, MessageKind::Error);
  EXPECT_FALSE(fs::exists(target));
}

}  // namespace
}  // namespace tarvo
