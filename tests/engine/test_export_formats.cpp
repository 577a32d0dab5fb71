// The table of export formats: every format's producer is a pure function of
// the prepared data, and its bytes are what the command writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "engine/core/bad_points.h"
#include "engine/core/text_file.h"
#include "engine/import/file_type.h"
#include "engine/import/open_command.h"
#include "engine/shell/export_formats.h"
#include "engine/shell/shell_state.h"
#include "test_files.h"

namespace tarvo {
namespace {

namespace fs = std::filesystem;

std::string Example(const std::string& name) { return (fs::path(TARVO_EXAMPLES_DIR) / name).string(); }

void ReadExample(TDataset& ds, const std::string& name, CommandEnabling* enabling = nullptr) {
  RecordingMessenger messenger;
  ReadEnvironment env{messenger, ""};
  OpenCommandState state;
  OpenRequest request;
  request.files = {Example(name)};
  const OpenFilter* filter = FilterForFile(request.files.front());
  ASSERT_NE(filter, nullptr) << name;
  request.filterIndex = filter->index;
  const OpenResult result = RunOpenCommand(ds, state, request, DefaultReaders(), env);
  ASSERT_TRUE(result.loaded) << name;
  if (enabling != nullptr) *enabling = result.enabling;
}

// Everything of the dataset an export reads or a preparation changes, as
// bytes, so that two states compare whole.
std::string Snapshot(const TDataset& ds) {
  std::string s;
  const auto add = [&s](const void* p, std::size_t n) { s.append(static_cast<const char*>(p), n); };
  for (int i = 1; i <= ds.PointCount; ++i) {
    const TDataPoint& p = ds.Points[i];
    for (float v : {p.Rho, p.X, p.Spacing, p.MN, p.XA, p.XB, p.XM, p.XN, p.IP, p.Err}) add(&v, sizeof v);
    for (int v : {int{p.Q}, p.Level, p.Station, p.Number}) add(&v, sizeof v);
  }
  for (int e = 1; e <= ds.ElectrodePosCount; ++e) add(&ds.ElectrodePos[e], sizeof(float));
  for (int e = 1; e <= ds.SeqHeader.ElectrodeTotal; ++e) add(&ds.Electrodes[e].X, sizeof(float));
  for (int v : {ds.PointCount, ds.SetCount, int{ds.ArrayType}, ds.BadCount, ds.BaseSetCount, ds.PointsPerTime,
                ds.TimeSetCount, ds.SelectedSetEntry, int{ds.FileHeader.DocType}}) {
    add(&v, sizeof v);
  }
  add(&ds.XShift, sizeof ds.XShift);
  add(ds.SeqHeader.Title.data(), ds.SeqHeader.Title.size());
  for (const std::string& line : ds.Memo) s += line + '\n';
  s += ds.FileName;
  return s;
}

RecordingMessenger& Quiet() {
  static RecordingMessenger m;
  return m;
}

// The formats whose command is prepare, dialog, produce, keep and the write,
// each over an example it suits.
struct PureCase {
  const char* format;
  const char* example;
};

const PureCase PureCases[] = {
    {"res2dinv", "wenner32.001"},          {"res2dinv", "wenner32_topo.dat"},
    {"res2dinv", "poledipole32.ui"},      {"res2dinv-general", "mixed32_ip.dat"},
    {"res2dinv-general", "dipole32.001"},  {"res2dinv-timelapse", "dipole32_tl.dat"},
    {"sensinv2d", "poledipole32.ui"},     {"sensinv2d", "mixed32_ip.dat"},
    {"res2dmod", "dipole32.001"},          {"res2dmod", "wenner32_topo.dat"},
    {"unified", "mixed32_ip.dat"},         {"unified", "wenner32.001"},
};

class ExportProducerIsPure : public ::testing::TestWithParam<PureCase> {};

TEST_P(ExportProducerIsPure, LeavesTheDataAsTheyWereAndGivesWhatTheCommandWrites) {
  const PureCase c = GetParam();
  const ExportFormat* format = FindExportFormat(c.format);
  ASSERT_NE(format, nullptr);
  ASSERT_EQ(format->command, nullptr);
  ASSERT_NE(format->produce, nullptr);

  TDataset read;
  ReadExample(read, c.example);
  read.XShift = 2.5f;  // the preparation adds it once
  read.Memo.clear();   // the title then comes from the rules, and a written file keeps it
  const ExportSettings settings;

  TDataset prepared = read;
  ASSERT_TRUE(format->prepare(prepared, settings, Quiet()));
  EXPECT_EQ(prepared.XShift, 0.0f);

  test::ScratchFolder folder;
  const std::string target = folder.PathOf(std::string("out.") + std::string(format->defaultExt));
  const std::string before = Snapshot(prepared);
  const ExportBytes first = format->produce(prepared, settings, target);
  EXPECT_EQ(Snapshot(prepared), before) << "the producer changed the data";
  ASSERT_FALSE(first.files.empty());
  EXPECT_EQ(first.files.front().path, target);
  const ExportBytes again = format->produce(prepared, settings, target);
  ASSERT_EQ(again.files.size(), first.files.size());
  for (std::size_t k = 0; k < first.files.size(); ++k) EXPECT_EQ(again.files[k].bytes, first.files[k].bytes);

  // What a written file leaves in the data does not change the bytes.
  if (format->keep != nullptr) {
    TDataset kept = prepared;
    format->keep(kept, settings);
    const ExportBytes after = format->produce(kept, settings, target);
    for (std::size_t k = 0; k < first.files.size(); ++k) EXPECT_EQ(after.files[k].bytes, first.files[k].bytes);
  }

  // The command on the data as read writes exactly these files.
  TDataset commanded = read;
  RecordingMessenger messenger;
  const TargetChooser chooser = [&target](const SaveDialogDescription&) { return std::optional<std::string>(target); };
  const ExportResult result = RunExport(*format, commanded, settings, chooser, messenger);
  ASSERT_EQ(result.outcome, SaveOutcome::Written);
  EXPECT_EQ(result.files, std::vector<std::string>{target});
  EXPECT_EQ(result.points, ExportedPointCount(commanded));
  for (const FileToWrite& f : first.files) EXPECT_EQ(test::ReadWhole(f.path), f.bytes) << f.path;
  std::vector<std::string> told = first.errors;
  told.insert(told.end(), first.warnings.begin(), first.warnings.end());
  EXPECT_EQ(messenger.Texts(), told);
}

INSTANTIATE_TEST_SUITE_P(Formats, ExportProducerIsPure, ::testing::ValuesIn(PureCases),
                         [](const ::testing::TestParamInfo<PureCase>& param) {
                           std::string name = std::string(param.param.format) + "_" + param.param.example;
                           for (char& ch : name) {
                             if (std::isalnum(static_cast<unsigned char>(ch)) == 0) ch = '_';
                           }
                           return name;
                         });

// The Res2dInv producer gives an empty memo its default title and
// pole-dipole points the geometry of their level without writing either
// into the data; the keep step does, as the command always has.
TEST(ExportFormats, Res2dInvTitleAndPoleDipoleGeometryAreKeptOnlyByTheKeepStep) {
  const ExportFormat& format = *FindExportFormat("res2dinv");
  TDataset ds;
  ReadExample(ds, "poledipole32.ui");
  ds.Memo.clear();
  const ExportSettings settings;
  ASSERT_TRUE(format.prepare(ds, settings, Quiet()));
  // Spoil the spacing of a good pole-dipole point: the file takes its level's.
  int spoiled = 0;
  for (int i = 1; i <= ds.PointCount && spoiled == 0; ++i) {
    if (!IsBad(ds, i) && ds.Points[i].Level >= 1) spoiled = i;
  }
  ASSERT_NE(spoiled, 0);
  const float levelSpacing = ds.LevelSpacing[ds.Points[spoiled].Level];
  const ExportBytes clean = format.produce(ds, settings, "x.dat");
  ds.Points[spoiled].Spacing = levelSpacing + 7;

  const ExportBytes bytes = format.produce(ds, settings, "x.dat");
  EXPECT_EQ(bytes.files.front().bytes, clean.files.front().bytes);
  EXPECT_TRUE(ds.Memo.empty());
  EXPECT_EQ(ds.Points[spoiled].Spacing, levelSpacing + 7);

  format.keep(ds, settings);
  ASSERT_FALSE(ds.Memo.empty());
  const std::string& text = bytes.files.front().bytes;
  EXPECT_EQ(text.substr(0, text.find("\r\n")), ds.Memo[0]);
  EXPECT_EQ(ds.Points[spoiled].Spacing, levelSpacing);
}

// The instrument formats run their own commands (the title from the chosen
// name, the last set, the cable); their producer gives what was written
// from the data the command leaves.
struct SequenceCase {
  const char* format;
  const char* example;
  int written;  // files of the set
};

const SequenceCase SequenceCases[] = {
    {"syscal-seq", "wenner32.seq", 1},
    {"electre2-seq", "dipole32.seq", 1},
    {"abem-org", "wenner32.seq", 3},
};

TEST(ExportFormats, SequenceProducersGiveWhatTheirCommandsWrote) {
  for (const SequenceCase& c : SequenceCases) {
    SCOPED_TRACE(c.format);
    const ExportFormat& format = *FindExportFormat(c.format);
    ASSERT_NE(format.command, nullptr);
    TDataset ds;
    ReadExample(ds, c.example);
    test::ScratchFolder folder;
    const std::string target = folder.PathOf(std::string("line.") + std::string(format.defaultExt));
    const TargetChooser chooser = [&target](const SaveDialogDescription&) { return std::optional<std::string>(target); };
    RecordingMessenger messenger;
    const ExportSettings settings;
    const ExportResult result = RunExport(format, ds, settings, chooser, messenger);
    ASSERT_EQ(result.outcome, SaveOutcome::Written);
    EXPECT_TRUE(messenger.entries.empty());
    EXPECT_GT(result.points, 0);
    const std::string before = Snapshot(ds);
    const ExportBytes bytes = format.produce(ds, settings, target);
    EXPECT_EQ(Snapshot(ds), before);
    ASSERT_EQ(static_cast<int>(bytes.files.size()), c.written);
    for (const FileToWrite& f : bytes.files) EXPECT_EQ(test::ReadWhole(f.path), f.bytes) << f.path;
  }
}

TEST(ExportFormats, EveryFormatHasOneNameAndAWayToRun) {
  std::set<std::string_view> names, actions;
  for (const ExportFormat& f : ExportFormats()) {
    SCOPED_TRACE(std::string(f.name));
    EXPECT_TRUE(names.insert(f.name).second) << "repeated name";
    if (!f.action.empty()) {
      EXPECT_TRUE(actions.insert(f.action).second) << "repeated action";
    }
    EXPECT_FALSE(f.filter.empty());
    EXPECT_FALSE(f.defaultExt.empty());
    if (f.command == nullptr) {
      EXPECT_NE(f.dialog, nullptr);
      EXPECT_NE(f.produce, nullptr);
    }
    EXPECT_EQ(FindExportFormat(f.name), &f);
  }
  // The names scripts use with tarvo-cli convert --to.
  for (const char* name : {"res2dinv", "res2dinv-general", "res2dinv-panel", "res2dinv-timelapse", "sondo",
                           "sensinv2d", "res2dmod", "unified", "syscal-seq", "electre2-seq", "abem-org"}) {
    EXPECT_NE(FindExportFormat(name), nullptr) << name;
  }
  EXPECT_EQ(FindExportFormat("res2dinv2"), nullptr);
}

// The time-lapse checks refuse before any dialog, and a cancelled dialog
// writes nothing yet keeps the preparation (the shift is applied once).
TEST(ExportFormats, RefusedAndCancelledCommandsWriteNothing) {
  const ExportFormat& timeLapse = *FindExportFormat("res2dinv-timelapse");
  TDataset one;
  ReadExample(one, "wenner32.001");
  int asked = 0;
  const TargetChooser count = [&asked](const SaveDialogDescription&) {
    ++asked;
    return std::optional<std::string>();
  };
  RecordingMessenger messenger;
  EXPECT_EQ(RunExport(timeLapse, one, {}, count, messenger).outcome, SaveOutcome::Refused);
  EXPECT_EQ(asked, 0);

  const ExportFormat& sensInv = *FindExportFormat("sensinv2d");
  TDataset ds;
  ReadExample(ds, "poledipole32.ui");
  ds.XShift = 4;
  const float x = ds.ElectrodePos[1];
  EXPECT_EQ(RunExport(sensInv, ds, {}, count, messenger).outcome, SaveOutcome::Cancelled);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(ds.XShift, 0.0f);
  EXPECT_EQ(ds.ElectrodePos[1], x + 4);
  EXPECT_TRUE(messenger.entries.empty());
}

}  // namespace
}  // namespace tarvo
