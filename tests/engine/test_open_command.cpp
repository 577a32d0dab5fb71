#include <gtest/gtest.h>

#include <map>

#include "engine/core/bad_points.h"
#include "engine/import/open_command.h"
#include "test_support.h"

namespace tarvo {
namespace {

// Fake readers: a file name maps to what reading it produces.
struct FakeFile {
  int points = 0;      // quadripoles or text points
  float offset = 0;    // abscissa of the first electrode
  bool fails = false;
  bool measured = false;
  std::string comments = {};  // the file header's comments the reader leaves
};

class OpenCommandTest : public ::testing::Test {
protected:
  TDataset ds;
  OpenCommandState state;
  RecordingMessenger messenger;
  ReadEnvironment env{messenger, "", nullptr};
  std::map<std::string, FakeFile> files;
  ReaderTable readers;
  int resultReads = 0;
  std::vector<InstrumentFormat> formats;  // what the instrument reader was asked to read each file as

  void SetUp() override {
    // A Wenner sequence a = 1 along the line, one quadripole per position
    // (50 positions, repeated as often as needed).
    const auto instrument = [this](const ReadSource& source, TDataset& d, ReadEnvironment& e) {
      formats.push_back(source.format);
      const FakeFile f = files.at(source.fileName);
      if (f.fails) {
        e.messenger.Error("Bad input SysCal file");
        return false;
      }
      test::MakeLine(d, MaxElectrodes, 1.0f);
      d.Quads.Resize(f.points);
      for (int i = 1; i <= f.points; ++i) {
        const auto a = static_cast<std::int16_t>(static_cast<int>(f.offset) + 1 + (i - 1) % 50);
        d.Quads[i] = TQuadripole{a, static_cast<std::int16_t>(a + 3), static_cast<std::int16_t>(a + 1),
                                 static_cast<std::int16_t>(a + 2), 1, 1.0f};
      }
      d.SeqHeader.QuadCount = f.points;
      d.FileHeader.SetCommentsText(f.comments);
      ClassifySequence(d, e.messenger);
      d.DataKind = f.measured ? DataKindInstrument : DataKindSequence;
      if (f.measured) {
        for (int i = 1; i <= d.PointCount; ++i) {
          d.Points[i].Q = 0;
          d.Points[i].Rho = 100;
          d.Points[i].V = d.Points[i].I = 1;
        }
      }
      return true;
    };
    const auto text = [this](const ReadSource& source, TDataset& d, ReadEnvironment& e) {
      const FakeFile f = files.at(source.fileName);
      if (f.fails) {
        e.messenger.Error("Error by reading X location. Line 7");
        return false;
      }
      d.DataKind = DataKindResistivityOnly;
      d.Memo = {"title of " + source.fileName};
      d.FileHeader.SetCommentsText(f.comments);
      d.Points.Release();
      d.PointCount = 0;
      for (int i = 1; i <= f.points; ++i) {
        const float x = f.offset + static_cast<float>(i % 40);
        const int k = test::AddTextPoint(d, {4, x, x + 3, x + 1, x + 2});
        ClassifyPoint(d, k, e.messenger);
        d.Points[k].Rho = 50;
      }
      return GroupTextPoints(d, source.firstSet, e.messenger);
    };
    for (int filter : {1, 2, 5, 6}) readers.byFilter[static_cast<std::size_t>(filter)] = instrument;
    for (int filter : {3, 4, 7, 8, 9}) readers.byFilter[static_cast<std::size_t>(filter)] = text;
    readers.inversionResults = [this](TDataset&, const std::string&, ReadEnvironment&) { ++resultReads; };
  }

  OpenResult Run(OpenCaller caller, std::vector<std::string> names, int filter) {
    OpenRequest request;
    request.caller = caller;
    request.files = std::move(names);
    request.filterIndex = filter;
    return RunOpenCommand(ds, state, request, readers, env);
  }
};

TEST_F(OpenCommandTest, ATypeTheOperatorNamedIsNeverOverruledByTheFileName) {
  files["/d/line.ohm"] = {10, 0, false, true};
  const struct {
    int filter;
    bool named;
    InstrumentFormat format;
  } cases[] = {
      {5, false, InstrumentFormat::ByName},      {5, true, InstrumentFormat::AbemAmp},
      {6, true, InstrumentFormat::AbemProtocol}, {1, true, InstrumentFormat::Syscal},
      {2, true, InstrumentFormat::Syscal},       {1, false, InstrumentFormat::ByName},
  };
  for (const auto& c : cases) {
    formats.clear();
    OpenRequest request;
    request.files = {"/d/line.ohm"};
    request.filterIndex = c.filter;
    request.typeNamed = c.named;
    EXPECT_TRUE(RunOpenCommand(ds, state, request, readers, env).loaded);
    EXPECT_EQ(formats, std::vector<InstrumentFormat>{c.format}) << "filter " << c.filter;
  }
}

// Three fifths of the capacity: two such files do not fit.
constexpr int MostOfTheCapacity = MaxPoints * 3 / 5;

TEST_F(OpenCommandTest, AppendingInstrumentDataCutsAtCapacity) {
  files["/d/a.001"] = {MostOfTheCapacity, 0, false, true};
  files["/d/b.001"] = {MostOfTheCapacity, 0, false, true};
  ASSERT_TRUE(Run(OpenCaller::Open, {"/d/a.001"}, 1).loaded);
  ASSERT_EQ(ds.PointCount, MostOfTheCapacity);

  const OpenResult r = Run(OpenCaller::Append, {"/d/b.001"}, 1);
  EXPECT_TRUE(r.loaded);
  EXPECT_EQ(ds.PointCount, MaxPoints);
  EXPECT_EQ(ds.SetCount, 2);
  EXPECT_EQ(ds.Sets[2].First, MostOfTheCapacity + 1);
  EXPECT_EQ(ds.Sets[2].Last, MaxPoints);
  EXPECT_EQ(ds.SetNames, (std::vector<std::string>{"a.001 - /d/a.001", "b.001 - /d/b.001"}));
  ASSERT_FALSE(messenger.entries.empty());
  EXPECT_EQ(messenger.entries.back().text, "Too many data points\r\nMaximal data point number is " + std::to_string(MaxPoints));
  EXPECT_EQ(ds.SelectedSetEntry, 1);
}

TEST_F(OpenCommandTest, AppendingATextFileThatDoesNotFitDropsItWhole) {
  files["/d/a.dat"] = {MostOfTheCapacity, 0};
  files["/d/b.dat"] = {MostOfTheCapacity, 100};
  ASSERT_TRUE(Run(OpenCaller::Open, {"/d/a.dat"}, 4).loaded);
  const OpenResult r = Run(OpenCaller::Append, {"/d/b.dat"}, 4);
  EXPECT_TRUE(r.loaded);
  EXPECT_EQ(ds.PointCount, MostOfTheCapacity);
  EXPECT_EQ(ds.SetCount, 1);
  EXPECT_EQ(ds.DataKind, DataKindResistivityOnly);
  ASSERT_FALSE(messenger.entries.empty());
  EXPECT_NE(messenger.entries.back().text.find("Maximal data point number is " + std::to_string(MaxPoints)), std::string::npos);
}

TEST_F(OpenCommandTest, ThreeSequenceFilesMarkRepeatedQuadripoles) {
  files["/s/1.seq"] = {10, 0};
  files["/s/2.seq"] = {10, 20};
  files["/s/3.seq"] = {10, 8};  // its first two quadripoles repeat file 1's last two
  const OpenResult r = Run(OpenCaller::Open, {"/s/1.seq", "/s/2.seq", "/s/3.seq"}, 2);
  ASSERT_TRUE(r.loaded);
  EXPECT_EQ(ds.SetCount, 3);
  EXPECT_EQ(ds.PointCount, 30);
  EXPECT_FALSE(ds.ReadOnlyData);
  EXPECT_EQ(ds.MergedCount, 2);
  EXPECT_EQ(ds.Points[21].Q, QRepeated);
  EXPECT_EQ(ds.Points[22].Q, QRepeated);
  EXPECT_EQ(ds.Points[23].Q, QPlanned);
  EXPECT_TRUE(ds.PointsMerged);
}

TEST_F(OpenCommandTest, SeveralDataFilesAreReadOnlyForTheInstrumentWriters) {
  files["/d/a.001"] = {5, 0, false, true};
  files["/d/b.001"] = {5, 10, false, true};
  ASSERT_TRUE(Run(OpenCaller::Open, {"/d/a.001", "/d/b.001"}, 1).loaded);
  EXPECT_TRUE(ds.ReadOnlyData);
  EXPECT_TRUE(Run(OpenCaller::Open, {"/d/a.001"}, 1).loaded);
  EXPECT_FALSE(ds.ReadOnlyData);
}

TEST_F(OpenCommandTest, CancelledDialogLeavesTheDatasetUntouched) {
  files["/d/a.dat"] = {20, 0};
  ASSERT_TRUE(Run(OpenCaller::Open, {"/d/a.dat"}, 4).loaded);
  const OpenResult r = Run(OpenCaller::Open, {}, 4);
  EXPECT_TRUE(r.cancelled);
  EXPECT_EQ(ds.PointCount, 20);
  EXPECT_EQ(ds.DataKind, DataKindResistivityOnly);
}

TEST_F(OpenCommandTest, FailedInstrumentReadLeavesNothingLoaded) {
  files["/d/bad.001"] = {0, 0, true};
  const OpenResult r = Run(OpenCaller::Open, {"/d/bad.001"}, 1);
  EXPECT_FALSE(r.loaded);
  EXPECT_EQ(ds.DataKind, DataKindNone);
  EXPECT_EQ(ds.PointCount, 0);
}

TEST_F(OpenCommandTest, AFailedLaterTextFileKeepsTheFilesReadBeforeIt) {
  files["/d/a.txt"] = {20, 0};
  files["/d/b.txt"] = {0, 0, true};
  const OpenResult r = Run(OpenCaller::Open, {"/d/a.txt", "/d/b.txt"}, 7);
  EXPECT_TRUE(r.loaded);
  EXPECT_EQ(ds.PointCount, 20);
  EXPECT_EQ(ds.DataKind, DataKindResistivityOnly);
  EXPECT_EQ(r.caption, "Read SysCal ProSys TXT format");
}

TEST_F(OpenCommandTest, Res2dInvExtensionAndInversionResults) {
  files["/d/line.txt"] = {20, 0};
  files["/d/line.inv"] = {20, 0};
  files["/d/line.dat"] = {20, 0};
  Run(OpenCaller::Open, {"/d/line.txt"}, 4);
  EXPECT_EQ(state.Res2dInvExt, ".txt");
  EXPECT_EQ(OpenFilterPatterns(state)[3], "*.txt;*.inv");

  Run(OpenCaller::Open, {"/d/line.inv"}, 4);
  EXPECT_EQ(resultReads, 1);
  EXPECT_EQ(state.Res2dInvExt, ".txt");
  Run(OpenCaller::Open, {"/d/line.dat"}, 4);
  EXPECT_EQ(resultReads, 1);
  EXPECT_EQ(state.Res2dInvExt, ".dat");
}

TEST_F(OpenCommandTest, EnablingFollowsTheData) {
  files["/d/a.dat"] = {20, 0};
  OpenResult r = Run(OpenCaller::Open, {"/d/a.dat"}, 4);
  EXPECT_TRUE(r.enabling.Res2dInvUsual);
  EXPECT_TRUE(r.enabling.Median);
  EXPECT_FALSE(r.enabling.ThresholdControls);
  files["/s/1.seq"] = {10, 0};
  r = Run(OpenCaller::Open, {"/s/1.seq"}, 2);
  EXPECT_FALSE(r.enabling.Res2dInvGeneral);
  EXPECT_TRUE(r.enabling.BrokenElectrodeVisible);
  EXPECT_EQ(r.caption, "");
}

// The memo the writers take their titles from is filled by the read itself,
// so that tarvo-cli, which has no information panel, writes what the window
// writes: the comments of instrument data, the title of apparent resistivities.
TEST_F(OpenCommandTest, TheMemoShowsTheCommentsOfInstrumentData) {
  files["/d/a.001"] = {40, 0, false, true, "Quarry line 3\r\nafter rain"};
  ASSERT_TRUE(Run(OpenCaller::Open, {"/d/a.001"}, 1).loaded);
  EXPECT_EQ(ds.Memo, (std::vector<std::string>{"Quarry line 3", "after rain"}));

  files["/d/a.seq"] = {40, 0, false, false, "planned"};
  ASSERT_TRUE(Run(OpenCaller::Open, {"/d/a.seq"}, 2).loaded);
  EXPECT_EQ(ds.Memo, std::vector<std::string>{"planned"});

  files["/d/r.dat"] = {40, 0, false, false, "not the title"};
  ASSERT_TRUE(Run(OpenCaller::Open, {"/d/r.dat"}, 4).loaded);
  EXPECT_EQ(ds.Memo, std::vector<std::string>{"title of /d/r.dat"});
}

TEST(RecentDirs, MostRecentFirstWithoutRepeatsAndAtMostEight) {
  OpenCommandState state;
  for (int i = 0; i < 10; ++i) UpdateRecentDirs(state, "/data/d" + std::to_string(i) + "/f.seq");
  UpdateRecentDirs(state, "/data/d5/g.seq");
  ASSERT_EQ(state.RecentDirs.size(), OpenCommandState::MaxRecentDirs);
  EXPECT_EQ(state.RecentDirs[0], "/data/d5");
  EXPECT_EQ(state.RecentDirs[1], "/data/d9");
  EXPECT_EQ(std::count(state.RecentDirs.begin(), state.RecentDirs.end(), "/data/d5"), 1);
  const auto captions = RecentDirCaptions(state);
  ASSERT_EQ(captions.size(), 7u);
  EXPECT_EQ(captions[0], "&1 /data/d9");
  EXPECT_EQ(DirectoryOfRecentCaption(captions[0]), "/data/d9");
}

}  // namespace
}  // namespace tarvo
