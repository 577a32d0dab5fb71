#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/core/array_types.h"
#include "engine/core/bad_points.h"
#include "engine/shell/command_table.h"
#include "engine/shell/shell_state.h"
#include "engine/import/file_type.h"
#include "engine/import/syscal_reader.h"
#include "test_files.h"

namespace tarvo {
namespace {

// Measured data with `levels` levels of two points each; point 2k-1 and 2k
// lie on level k.
TDataset LeveledData(int levels, float kind = DataKindInstrument) {
  TDataset ds;
  ds.DataKind = kind;
  ds.LevelCount = levels;
  ds.PointCount = 2 * levels;
  ds.Points.Resize(ds.PointCount);
  for (int i = 1; i <= ds.PointCount; ++i) {
    TDataPoint& p = ds.Points[i];
    p.Level = (i + 1) / 2;
    p.Q = kind == DataKindSequence ? QPlanned : 0;
    p.Rho = p.V = p.I = 10;
  }
  ds.SetCount = 1;
  ds.Sets[1] = {1, ds.PointCount, 3};
  CountBadPoints(ds);
  return ds;
}

std::vector<int> BadLevels(const TDataset& ds) {
  std::vector<int> levels;
  for (int i = 1; i <= ds.PointCount; ++i) {
    if (IsBad(ds, i) && (levels.empty() || levels.back() != ds.Points[i].Level)) levels.push_back(ds.Points[i].Level);
  }
  return levels;
}

TEST(LineHiding, LastAndFirstLinesMarkTheirLevelsWithinTheLevelsLeft) {
  TDataset ds = LeveledData(5);
  ShellState s;
  EXPECT_TRUE(SetHiddenLastLines(ds, s, 2));
  EXPECT_EQ(BadLevels(ds), (std::vector<int>{4, 5}));
  EXPECT_EQ(ds.BadCount, 4);

  // With 2 levels hidden at the bottom, at most 3 can go at the top.
  EXPECT_FALSE(SetHiddenFirstLines(ds, s, 4));
  EXPECT_EQ(s.HiddenFirstLines, 0);
  EXPECT_TRUE(SetHiddenFirstLines(ds, s, 3));
  EXPECT_EQ(BadLevels(ds), (std::vector<int>{1, 2, 3, 4, 5}));
  EXPECT_FALSE(SetHiddenLastLines(ds, s, 3));
  EXPECT_FALSE(SetHiddenLastLines(ds, s, -1));

  EXPECT_TRUE(SetHiddenFirstLines(ds, s, 1));
  EXPECT_TRUE(SetHiddenLastLines(ds, s, 0));
  EXPECT_EQ(BadLevels(ds), (std::vector<int>{1}));
  EXPECT_EQ(ds.BadCount, 2);
}

TEST(LineHiding, ShowingALevelAgainRestoresEveryQualityCode) {
  struct Case {
    const char* name;
    float kind;
    std::uint8_t q;  // code of point 3 (level 2) before hiding
  };
  const Case cases[] = {
      {"good measured point", DataKindInstrument, 0},
      {"point failing the error limit", DataKindInstrument, 5},
      {"rejected point", DataKindResistivityOnly, QRejected},
      {"planned quadripole", DataKindSequence, QPlanned},
      {"repeated quadripole", DataKindSequence, QRepeated},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TDataset ds = LeveledData(3, c.kind);
    ds.Points[3].Q = c.q;
    ShellState s;
    ASSERT_TRUE(SetHiddenFirstLines(ds, s, 2));
    EXPECT_TRUE(IsBad(ds, 3));
    EXPECT_TRUE(IsBad(ds, 4));
    ASSERT_TRUE(SetHiddenFirstLines(ds, s, 0));
    EXPECT_EQ(ds.Points[3].Q, c.q);
    EXPECT_FALSE(IsBad(ds, 4));
  }
}

TEST(LineHiding, RefusedWithoutPointsAndClearsASelectedSet) {
  TDataset empty;
  empty.LevelCount = 3;
  ShellState s;
  EXPECT_FALSE(SetHiddenLastLines(empty, s, 1));
  EXPECT_EQ(s.HiddenLastLines, 0);

  TDataset ds = LeveledData(3);
  ds.SetCount = 2;
  ds.Sets[1] = {1, 3, 3};
  ds.Sets[2] = {4, 6, 3};
  ds.SelectedSetEntry = 1;
  ASSERT_TRUE(SetHiddenLastLines(ds, s, 1));
  EXPECT_EQ(ds.SelectedSetEntry, -1);
}

TEST(ResIPMode, SwitchesOnlyForDataWithIP) {
  TDataset ds = LeveledData(2);
  ShellState s;
  EXPECT_FALSE(ToggleIPMode(ds, s));
  EXPECT_FALSE(s.IPMode);
  ds.HasIP = true;
  EXPECT_TRUE(ToggleIPMode(ds, s));
  EXPECT_TRUE(s.IPMode);
  PrepareShellForRead(s, OpenCaller::RebuildAfterEdits);
  EXPECT_TRUE(s.IPMode);
  PrepareShellForRead(s, OpenCaller::Append);
  EXPECT_FALSE(s.IPMode);
}

TEST(HeaderEdits, KeepTheFieldLimitsAndFollowTheSelectedSet) {
  TDataset ds = LeveledData(2);
  ds.SelectedSetEntry = 0;
  ShellState s;

  EditComments(ds, s, std::string(50, 'a') + std::string(10, 'b'));
  EXPECT_EQ(ds.FileHeader.CommentsText(), std::string(47, 'a'));
  EXPECT_EQ(ds.FileHeader.Comments[47], 0);
  EXPECT_TRUE(s.Modified);

  EditComments(ds, s, "first\nsecond");
  EXPECT_EQ(ds.FileHeader.CommentsText(), "first\r\nsecond");
  EXPECT_EQ(ds.Memo, (std::vector<std::string>{"first", "second"}));

  EditOperator(ds, s, std::string(40, 'x'));
  EXPECT_EQ(ds.FileHeader.OperatorText(), std::string(32, 'x'));
  EXPECT_EQ(ds.SetFileHeaders[1], ds.FileHeader);
}

TEST(HeaderEdits, NumbersTakeParsableTextOnlyAndAlwaysSetModified) {
  struct Case {
    HeaderNumber field;
    const char* text;
    bool taken;
    float expected;
  };
  const Case cases[] = {
      {HeaderNumber::Line, " 12.5 ", true, 12.5f},
      {HeaderNumber::Line, "12,5", false, 3.0f},
      {HeaderNumber::Area, "-4e1", true, -40.0f},
      {HeaderNumber::Area, "", false, 3.0f},
      {HeaderNumber::XShift, "\t7", true, 7.0f},
      {HeaderNumber::XShift, "1e99", false, 3.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    TDataset ds = LeveledData(1);
    ds.SeqHeader.Line = ds.SeqHeader.Area = ds.XShift = 3.0f;
    ShellState s;
    EXPECT_EQ(EditHeaderNumber(ds, s, c.field, c.text), c.taken);
    const float value = c.field == HeaderNumber::Line   ? ds.SeqHeader.Line
                        : c.field == HeaderNumber::Area ? ds.SeqHeader.Area
                                                        : ds.XShift;
    EXPECT_FLOAT_EQ(value, c.expected);
    EXPECT_TRUE(s.Modified);
    EXPECT_EQ(ModifiedPanelText(ds, s), "Modified");
  }
}

TEST(ModifiedState, RefreshEndsItUnlessTheTableWindowAsksOnWritableData) {
  struct Case {
    float kind;
    bool readOnly;
    bool fromTable;
    const char* panel;
  };
  const Case cases[] = {
      {DataKindInstrument, false, false, ""},
      {DataKindInstrument, false, true, "Modified"},
      {DataKindSequence, true, true, "Read Only"},
      {DataKindInstrument, true, false, ""},
  };
  for (const Case& c : cases) {
    TDataset ds = LeveledData(1, c.kind);
    ds.ReadOnlyData = c.readOnly;
    ShellState s;
    s.Modified = true;
    RefreshShellAfterSummary(ds, s, c.fromTable);
    EXPECT_EQ(ModifiedPanelText(ds, s), c.panel);
  }
}

TEST(ModifiedState, LeavingAsksOnlyWhileThePanelShowsModified) {
  struct Case {
    bool modified;
    bool readOnly;
    Reply answer;
    bool asked;
    bool leaves;
  };
  const Case cases[] = {
      {false, false, Reply::No, false, true},
      {false, true, Reply::No, false, true},  // "Read Only" is not an edit
      {true, false, Reply::Yes, true, true},
      {true, false, Reply::No, true, false},
  };
  for (const Case& c : cases) {
    TDataset ds = LeveledData(1, DataKindSequence);
    ds.ReadOnlyData = c.readOnly;
    ShellState s;
    s.Modified = c.modified;
    RecordingMessenger messenger;
    messenger.replies = {c.answer};
    EXPECT_EQ(ConfirmLeaving(ds, s, messenger), c.leaves);
    ASSERT_EQ(messenger.entries.size(), c.asked ? 1u : 0u);
    if (c.asked) {
      EXPECT_EQ(messenger.entries[0].text, LeaveModifiedQuestion);
      EXPECT_EQ(messenger.entries[0].buttons, Buttons::YesNo);
    }
  }
}

TEST(ExportReport, CountsTheGoodPointsAndNamesTheFile) {
  TDataset ds = LeveledData(3);
  ToggleDeletedMark(ds.Points[2]);
  CountBadPoints(ds);
  EXPECT_EQ(ExportedPointCount(ds), 5);
  EXPECT_EQ(ExportWrittenText("/data/line 1/out.dat", 5), "Written out.dat: 5 points");
  EXPECT_EQ(ExportWrittenText("out.dat", 1), "Written out.dat: 1 point");
}

TEST(CommandTable, OneEntryPerNameEachWithARule) {
  std::vector<std::string_view> names;
  for (const CommandEntry& entry : CommandTable()) {
    EXPECT_NE(entry.enabled, nullptr) << entry.name;
    EXPECT_EQ(FindCommand(entry.name), &entry);
    names.push_back(entry.name);
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(std::adjacent_find(names.begin(), names.end()), names.end());
  EXPECT_EQ(FindCommand("aNoSuchCommand"), nullptr);
}

TEST(CommandTable, RulesFollowTheReadAndTheData) {
  TDataset ds = LeveledData(2, DataKindSequence);
  ShellState shell;
  CommandEnabling read;
  read.Res2dInvUsual = true;
  read.Append = false;
  const auto enabled = [&](std::string_view name) {
    return FindCommand(name)->enabled(CommandContext{ds, shell, read, 0});
  };
  EXPECT_TRUE(enabled("aRes2dInv"));
  EXPECT_FALSE(enabled("aRes2dInv_new"));
  EXPECT_FALSE(enabled("aAdd"));
  EXPECT_FALSE(enabled("Reopen"));
  EXPECT_TRUE(enabled("aSave"));
  EXPECT_TRUE(enabled("Electre1"));
  EXPECT_TRUE(enabled("AandB"));  // one sequence set
  EXPECT_FALSE(enabled("InvResult"));
  ds.ReadOnlyData = true;
  EXPECT_FALSE(enabled("aSave"));
  EXPECT_FALSE(enabled("Electre1"));
  EXPECT_TRUE(enabled("aOpen"));
}

TEST(ModifiedState, MemoFollowsTheCommentsExceptForResistivities) {
  TDataset ds = LeveledData(1);
  ds.FileHeader.SetCommentsText("line one\r\nline two");
  ds.Memo = {"title"};
  ShellState s;
  RefreshShellAfterSummary(ds, s, false);
  EXPECT_EQ(ds.Memo, (std::vector<std::string>{"line one", "line two"}));

  ds.DataKind = DataKindResistivityOnly;
  ds.Memo = {"title"};
  RefreshShellAfterSummary(ds, s, false);
  EXPECT_EQ(ds.Memo, std::vector<std::string>{"title"});
}

TEST(AbsValues, RecomputesInstrumentDataAndKeepsMarks) {
  TDataset ds;
  ds.DataKind = DataKindInstrument;
  ds.SetCount = 1;
  ds.PointCount = 3;
  ds.Points.Resize(3);
  ds.Quads.Resize(3);
  ds.SyscalRaw.Resize(3);
  const float volts[] = {-10, 20, -30};
  for (int i = 1; i <= 3; ++i) {
    ds.Quads[i].K = 2;
    ds.SyscalRaw[i].V = volts[i - 1];
    ds.SyscalRaw[i].I = 10;
  }
  SyscalToValues(ds);
  ToggleDeletedMark(ds.Points[2]);
  ToggleDeletedMark(ds.Points[3]);  // rejected for its negative value, then marked

  SetAbsValues(ds, true);
  EXPECT_EQ(ds.FileHeader.AbsValues, 1);
  EXPECT_EQ(ds.SetFileHeaders[1].AbsValues, 1);
  EXPECT_FLOAT_EQ(ds.Points[1].Rho, 2.0f);
  EXPECT_EQ(ds.Points[1].Q, 0);
  EXPECT_EQ(ds.Points[2].Q, DeletedMark);  // code 0, marked
  EXPECT_EQ(ds.BadCount, 2);

  SetAbsValues(ds, false);
  EXPECT_FLOAT_EQ(ds.Points[1].Rho, -2.0f);
  EXPECT_EQ(ds.Points[2].Q, DeletedMark);
  EXPECT_EQ(ds.FileHeader.AbsValues, 0);
}

TEST(AbsValues, OnlyTheFlagForDataWithoutOwnRecords) {
  TDataset ds = LeveledData(1, DataKindResistivityOnly);
  ds.Points[1].Rho = -5;
  SetAbsValues(ds, true);
  EXPECT_EQ(ds.FileHeader.AbsValues, 1);
  EXPECT_FLOAT_EQ(ds.Points[1].Rho, -5.0f);

  TDataset none;
  SetAbsValues(none, true);
  EXPECT_EQ(none.FileHeader.AbsValues, 0);
}

TEST(MenuEnabling, FollowsKindSetsAndArrayType) {
  struct Case {
    const char* name;
    float kind;
    int sets;
    int sequenceSets;
    std::uint8_t type;
    MenuEnabling expected;  // Extract, MergeSEQ, ExchangeElectrodes, Amn2mnB, MirrorProfile
  };
  const Case cases[] = {
      {"one sequence", DataKindSequence, 1, 1, Wenner, {false, false, true, false, true}},
      {"one pole-dipole sequence", DataKindSequence, 1, 1, ReversePoleDipole, {false, false, true, true, true}},
      {"sequence of two sets from one file", DataKindSequence, 2, 2, Wenner, {true, true, false, false, false}},
      {"two sequence files", DataKindSequence, 2, 0, Wenner, {false, true, false, false, false}},
      {"one instrument data file", DataKindInstrument, 1, 0, Wenner, {false, false, false, false, true}},
      {"one text data file with V and I", DataKindTextWithVI, 1, 0, Wenner, {false, false, false, false, true}},
      {"text data of two types", DataKindTextWithVI, 2, 0, Wenner, {true, false, false, false, false}},
      {"two instrument data files", DataKindInstrument, 2, 0, Wenner, {false, false, false, false, false}},
      {"nothing loaded", DataKindNone, 0, 0, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TDataset ds;
    ds.DataKind = c.kind;
    ds.SetCount = c.sets;
    ds.SequenceSetCount = c.sequenceSets;
    ds.ArrayType = c.type;
    const MenuEnabling e = WorkOutMenuEnabling(ds);
    EXPECT_EQ(e.Extract, c.expected.Extract);
    EXPECT_EQ(e.MergeSEQ, c.expected.MergeSEQ);
    EXPECT_EQ(e.ExchangeElectrodes, c.expected.ExchangeElectrodes);
    EXPECT_EQ(e.Amn2mnB, c.expected.Amn2mnB);
    EXPECT_EQ(e.MirrorProfile, c.expected.MirrorProfile);
  }
}

TEST(MenuEnabling, SyntheticCurvesNeedAnOpenedResultAndAnIteration) {
  TDataset ds;
  ds.DataKind = DataKindResistivityOnly;
  ds.FileName = "/data/LINE.INV";
  ds.Models.ChosenIteration = 3;
  EXPECT_TRUE(WorkOutMenuEnabling(ds).InvData);
  ds.Models.ChosenIteration = 0;  // "INV result" read a model of its own
  EXPECT_FALSE(WorkOutMenuEnabling(ds).InvData);
  ds.Models.ChosenIteration = 3;
  ds.FileName = "/data/line.dat";
  EXPECT_FALSE(WorkOutMenuEnabling(ds).InvData);
  ds.FileName = "/data/line.inv";
  ds.DataKind = DataKindInstrument;
  EXPECT_FALSE(WorkOutMenuEnabling(ds).InvData);
}

TEST(RecentDirectories, StartupMenusListEveryStoredDirectory) {
  OpenCommandState state;
  EXPECT_TRUE(StartupRecentDirCaptions(state).empty());
  state.RecentDirs = {"/data/a", "/data/b"};
  EXPECT_EQ(StartupRecentDirCaptions(state), (std::vector<std::string>{"&1 /data/a", "&2 /data/b"}));
}

TEST(FileType, ExtensionFirstThenTheFirstLineOfTextExports) {
  const test::ScratchFolder scratch;
  struct Case {
    const char* name;
    const char* firstLine;
    bool syscalPro;
    const char* type;  // nullptr: unknown
  };
  const Case cases[] = {
      {"line.seq", "#not looked at", false, "syscal-seq"},
      {"export.txt", "El-array\tSpa.1\tSpa.2\tSpa.3\tSpa.4\tRho\r\n1 2 3", false, "prosys"},
      {"export.csv", "  Spa.1,Spa.2,Spa.3,Spa.4,Rho", true, "syscal-pro"},
      {"sequence.txt", "#\tX\tY\tZ", false, "electre2"},
      {"notes.txt", "survey notes", false, nullptr},
      {"prosys3.csv", ",El-array,xA (m),xB (m),xM (m),xN (m),Rho (Ohm.m),Dev. Rho (%)", false, "prosys"},
      // The reader then names the column it lacks.
      {"partial.txt", "Spa.1 Spa.2 Rho Dev.", false, "prosys"},
      {"noposition.txt", "Rho Dev. Vp In", false, nullptr},
      {"rhoa.txt", "72 \t # Number of sensors\n# x z", false, "unified"},
      {"line.dat", "6# Number of electrodes\n0 0", false, "unified"},
      {"line2.dat", "6\n# x z", false, "unified"},
      {"wenner.dat", "Wenner line\n1.0", false, "res2dinv"},
      {"numbered.dat", "72\n2.0", false, "res2dinv"},
      {"lund.ohm", "Survey line 3\n0.0", false, "abem-lund"},
      {"bert.ohm", "24\n# x y z", false, "unified"},
      {"data.bin", "\x02\x00\x00\x80\x08", false, "syscal-pro-bin"},
      {"data.binx", "\x06\x00\x00\x00\x0e", false, "syscal-pro-bin"},
      {"old.bin", "_DOC_ Syscal", false, "syscal"},
      {"empty.txt", "", false, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string file = scratch.Write(c.name, std::string(c.firstLine) + "\n");
    const OpenFilter* f = FilterForFile(file, c.syscalPro);
    if (c.type == nullptr) {
      EXPECT_EQ(f, nullptr);
    } else {
      ASSERT_NE(f, nullptr);
      EXPECT_EQ(f->typeName, c.type);
    }
  }
  EXPECT_EQ(FilterForFile(scratch.PathOf("missing.txt")), nullptr);
}

}  // namespace
}  // namespace tarvo
