#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "dataset_dump.h"
#include "engine/core/bad_points.h"
#include "engine/core/syscal_records.h"
#include "engine/import/open_command.h"
#include "engine/import/read_result.h"
#include "engine/import/syscal_reader.h"
#include "engine/import/syscal_template.h"
#include "test_files.h"

// A reader fills a dataset of its own and the open command alone commits it:
// whatever a reader wrote before it refused its file never reaches the
// dataset. Each case reads a file that its reader refuses late, after it has
// put headers, a memo, electrodes or points into its result, and compares
// the dataset with the one a reader that refuses at once, writing nothing,
// leaves behind, and, for Append, with the dataset as it was before.
namespace tarvo {
namespace {

namespace fs = std::filesystem;

const fs::path ExamplesDir = fs::path(TARVO_EXAMPLES_DIR);

// Answers every "choose a file" question with one file.
class FixedChooser final : public FileChooser {
public:
  explicit FixedChooser(std::string answer) : answer_(std::move(answer)) {}
  std::optional<std::string> ChooseFileToOpen(std::string_view, std::string_view) override { return answer_; }

private:
  std::string answer_;
};

// A Wenner line without IP, errors, remote electrodes or topography, so that
// the state every read clears first is already clear.
constexpr const char* BaseLine =
    "Base line\r\n1\r\n1\r\n6\r\n0\r\n0\r\n"
    "0 1 100\r\n1 1 110\r\n2 1 120\r\n3 1 130\r\n0 2 105\r\n1 2 115\r\n";

// The text with the last number of its last non-empty line replaced by a
// word; or of the line `skip` lines above it.
std::string WithBadLastNumber(std::string text, int skip = 0) {
  std::size_t end = text.find_last_not_of("\r\n ");
  for (int i = 0; i < skip; ++i) end = text.find_last_not_of("\r\n ", text.find_last_of('\n', end));
  std::size_t start = text.find_last_of(" \t,;", end);
  start = start == std::string::npos ? 0 : start + 1;
  return text.replace(start, end + 1 - start, "x?");
}

// The Syscal data example cut `records` measurement records after its
// quadripoles (and then `extra` bytes into the next one).
std::string SyscalCutAfter(int records, std::size_t extra = 0) {
  const std::string whole = test::ReadWhole(ExamplesDir / "wenner32.001");
  const std::vector<std::uint8_t> bytes(whole.begin(), whole.end());
  TFileHeader fileHeader;
  TSeqHeader seqHeader;
  EXPECT_EQ(DecodeSyscalHeaders(bytes, fileHeader, seqHeader), SyscalHeaderStatus::Ok);
  const std::size_t measurements = SyscalHeadersSize + TElectrode::Size * static_cast<std::size_t>(seqHeader.ElectrodeTotal) +
                                   TQuadripole::Size * static_cast<std::size_t>(seqHeader.QuadCount);
  return whole.substr(0, measurements + TSyscalRecord::Size * static_cast<std::size_t>(records) + extra);
}

class ReadCommit : public ::testing::Test {
protected:
  test::ScratchFolder scratch;
  RecordingMessenger messenger;
  std::string templatePath;
  std::unique_ptr<FixedChooser> chooser;
  OpenCommandState state;

  void SetUp() override {
    const auto bytes = MakeTemplateBytes();
    templatePath = scratch.Write(TemplateFileName, std::string(bytes.begin(), bytes.end()));
    chooser = std::make_unique<FixedChooser>(
        scratch.Write("dipole32_seq.txt", test::ReadWhole(ExamplesDir / "dipole32_seq.txt")));
    for (const char* companion : {"poledipole32.gem", "poledipole32.sen"}) {
      scratch.Write(companion, test::ReadWhole(ExamplesDir / companion));
    }
  }

  OpenResult Run(TDataset& ds, OpenCaller caller, const std::string& file, int filter, const ReaderTable& readers) {
    ReadEnvironment env{messenger, templatePath, chooser.get()};
    OpenRequest request;
    request.caller = caller;
    request.files = {file};
    request.filterIndex = filter;
    return RunOpenCommand(ds, state, request, readers, env);
  }

  // The program's readers, with the reader of `filter` refusing every file
  // at once.
  static ReaderTable RefusingAtOnce(int filter) {
    ReaderTable readers = DefaultReaders();
    readers.byFilter[static_cast<std::size_t>(filter)] = [](const ReadSource&, TDataset&, ReadEnvironment& env) {
      env.messenger.Error("refused");
      return false;
    };
    return readers;
  }

  TDataset LoadedBase() {
    TDataset ds;
    EXPECT_TRUE(Run(ds, OpenCaller::Open, scratch.Write("base.dat", BaseLine), Res2dInvFilterIndex, DefaultReaders()).loaded);
    return ds;
  }
};

// A file each reader refuses only after it has filled part of its result.
struct RefusedFile {
  const char* what;
  int filter;
  const char* name;
  std::string bytes;
};

std::vector<RefusedFile> RefusedFiles() {
  const auto example = [](const char* name) { return test::ReadWhole(ExamplesDir / name); };
  return {
      {"Res2dInv, bad last data line", 4, "line.dat",
       WithBadLastNumber("Refused line\r\n1\r\n1\r\n3\r\n0\r\n0\r\n0 1 100\r\n1 1 110\r\n2 1 120\r\n")},
      {"Res2dInv general array with IP, bad last data line", 4, "mixed.dat", WithBadLastNumber(example("mixed32_ip.dat"), 4)},
      {"Prosys, bad last reading", 7, "dipole32_ip.txt", WithBadLastNumber(example("dipole32_ip.txt"))},
      {"Syscal-Pro with its sequence, bad last reading", 9, "dipole32_ip.txt",
       WithBadLastNumber(example("dipole32_ip.txt"))},
      {"ElectreII, bad last quadripole", 8, "seq.txt", WithBadLastNumber(example("dipole32_seq.txt"))},
      {"SensInv2D, bad last value", 3, "poledipole32.ui", WithBadLastNumber(example("poledipole32.ui"))},
      {"unified data, bad datum", 12, "line.dat",
       "4\r\n# x z\r\n0 0\r\n1 0\r\n2 0\r\n3 0\r\n1\r\n# a b m n rhoa\r\n1 4 2 3 x?\r\n"},
      {"Syscal data without a complete measurement", 1, "line.001", SyscalCutAfter(0, 5)},
      {"ABEM protocol without a quadripole", 6, "plan.org", "ABEM protocol\r\nWen32\r\n"},
  };
}

TEST_F(ReadCommit, ARefusedFileLeavesWhatARefusalWithoutReadingLeaves) {
  for (const OpenCaller caller : {OpenCaller::Open, OpenCaller::Append}) {
    for (const RefusedFile& c : RefusedFiles()) {
      SCOPED_TRACE(std::string(c.what) + (caller == OpenCaller::Append ? ", appended" : ", opened"));
      const std::string path = scratch.Write(c.name, c.bytes);
      const TDataset base = LoadedBase();

      TDataset refusedAtOnce = base;
      Run(refusedAtOnce, caller, path, c.filter, RefusingAtOnce(c.filter));

      messenger.entries.clear();
      TDataset ds = base;
      const OpenResult r = Run(ds, caller, path, c.filter, DefaultReaders());
      ASSERT_FALSE(messenger.entries.empty()) << "the file was not refused";
      EXPECT_EQ(r.loaded, caller == OpenCaller::Append && !OpenFilters[static_cast<std::size_t>(c.filter - 1)].instrument);
      EXPECT_EQ(test::DatasetDifferences(refusedAtOnce, ds), std::vector<std::string>{});
    }
  }
}

// The rules for a text file that fails on Append: the data already loaded
// stay as they were. Only what every read sets first differs: the dialog's
// read-only box decides ReadOnlyData, FileName names the file chosen, the
// array types met so far are forgotten before each file, and releasing the
// data before the read clears the last set's quadripole count.
TEST_F(ReadCommit, AFailedAppendOfATextFileKeepsTheDataAsTheyWere) {
  for (const RefusedFile& c : RefusedFiles()) {
    if (OpenFilters[static_cast<std::size_t>(c.filter - 1)].instrument) continue;
    SCOPED_TRACE(c.what);
    const std::string path = scratch.Write(c.name, c.bytes);
    TDataset ds = LoadedBase();
    TDataset before = ds;
    before.ReadOnlyData = false;
    before.FileName = path;
    before.TypesPresent.reset();
    // Every read releases the loaded data first, which clears the last set's
    // quadripole count in its header.
    before.SetSeqHeaders[before.SetCount].QuadCount = 0;

    const OpenResult r = Run(ds, OpenCaller::Append, path, c.filter, DefaultReaders());
    EXPECT_TRUE(r.loaded);
    EXPECT_EQ(test::DatasetDifferences(before, ds), std::vector<std::string>{});
  }
}

// An instrument file that fails on Append releases everything: nothing is
// loaded afterwards, whatever the reader had read of it.
TEST_F(ReadCommit, AFailedAppendOfAnInstrumentFileLeavesNothingLoaded) {
  TDataset ds;
  const std::string whole = scratch.Write("whole.001", test::ReadWhole(ExamplesDir / "wenner32.001"));
  ASSERT_TRUE(Run(ds, OpenCaller::Open, whole, 1, DefaultReaders()).loaded);
  const OpenResult r = Run(ds, OpenCaller::Append, scratch.Write("cut.001", SyscalCutAfter(0, 5)), 1, DefaultReaders());
  EXPECT_FALSE(r.loaded);
  EXPECT_EQ(ds.DataKind, DataKindNone);
  EXPECT_EQ(ds.PointCount, 0);
  EXPECT_EQ(ds.SetCount, 0);
  EXPECT_TRUE(ds.Points.Empty());
  EXPECT_TRUE(ds.Quads.Empty());
  EXPECT_TRUE(ds.SyscalRaw.Empty());
}

// A data file cut inside its measurements is an error that keeps the
// measurements before the cut, opened and appended alike.
TEST_F(ReadCommit, ADataFileCutShortKeepsTheMeasurementsBeforeTheCut) {
  const std::string whole = scratch.Write("whole.001", test::ReadWhole(ExamplesDir / "wenner32.001"));
  TDataset complete;
  ASSERT_TRUE(Run(complete, OpenCaller::Open, whole, 1, DefaultReaders()).loaded);
  const int quadCount = complete.SeqHeader.QuadCount;
  const std::string cut = scratch.Write("cut.001", SyscalCutAfter(9, 7));

  messenger.entries.clear();
  TDataset opened;
  ASSERT_TRUE(Run(opened, OpenCaller::Open, cut, 1, DefaultReaders()).loaded);
  EXPECT_EQ(messenger.Texts(), std::vector<std::string>{"Short file 9 (" + std::to_string(quadCount) + ")"});
  ASSERT_EQ(opened.PointCount, 9);
  for (int i = 1; i <= 9; ++i) {
    EXPECT_EQ(opened.Points[i].Rho, complete.Points[i].Rho) << "point " << i;
    EXPECT_EQ(opened.SyscalRaw[i], complete.SyscalRaw[i]) << "record " << i;
  }

  TDataset appended = complete;
  ASSERT_TRUE(Run(appended, OpenCaller::Append, cut, 1, DefaultReaders()).loaded);
  ASSERT_EQ(appended.SetCount, 2);
  EXPECT_EQ(appended.Sets[1], complete.Sets[1]);
  EXPECT_EQ(appended.Sets[2], (TSetEntry{complete.PointCount + 1, complete.PointCount + 9, complete.Sets[1].Type}));
  for (int i = 1; i <= complete.PointCount; ++i) {
    EXPECT_EQ(appended.Points[i].Rho, complete.Points[i].Rho) << "point " << i;
  }
}

// A reader's result reaches the dataset only through the commit: the
// observers of the live dataset stay, and hear nothing while it is read.
TEST_F(ReadCommit, TheReaderNeverSeesTheLiveDataset) {
  struct Counting : DatasetObserver {
    int badCounts = 0;
    void BadCountChanged() override { ++badCounts; }
  } observer;
  TDataset ds;
  ds.Memo = {"kept"};
  ds.Observers = {&observer};
  int badCountsDuringRead = -1;
  const FileReader reader = [&](const ReadSource& source, TDataset& into, ReadEnvironment& env) {
    EXPECT_EQ(source.fileName, "/d/line.001");
    EXPECT_EQ(into.Memo, std::vector<std::string>{"kept"});  // seeded from the live dataset
    EXPECT_TRUE(into.Observers.empty());
    into.Memo = {"read"};
    CountBadPoints(into);
    env.messenger.Warning("a warning");
    badCountsDuringRead = observer.badCounts;
    return true;
  };
  ReadEnvironment env{messenger, "", nullptr};
  const ReadResult result = RunReader(reader, {"/d/line.001"}, ds, env);
  EXPECT_TRUE(result.read);
  EXPECT_EQ(result.messages, std::vector<std::string>{"a warning"});
  EXPECT_EQ(messenger.Texts(), std::vector<std::string>{"a warning"});
  EXPECT_EQ(ds.Memo, std::vector<std::string>{"kept"});
  EXPECT_EQ(badCountsDuringRead, 0);

  ASSERT_TRUE(ReadIntoDataset(ds, reader, {"/d/line.001"}, env));
  EXPECT_EQ(ds.Memo, std::vector<std::string>{"read"});
  EXPECT_EQ(ds.Observers, std::vector<DatasetObserver*>{&observer});
}

}  // namespace
}  // namespace tarvo
