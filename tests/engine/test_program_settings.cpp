#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/core/text_file.h"
#include "engine/settings/program_settings.h"
#include "test_files.h"

namespace tarvo {
namespace {

namespace fs = std::filesystem;

// A window with a section of its own, as the filter windows will have.
struct MedianOwner final : SettingsOwner {
  int windowC = 7;
  void ReadSettings(const IniFile& ini) override { windowC = ini.ReadInteger("Median", "WindowC", 7); }
  void WriteSettings(IniFile& ini) const override { ini.WriteInteger("Median", "WindowC", windowC); }
};

class ProgramSettingsTest : public ::testing::Test {
protected:
  test::ScratchFolder scratch;
  const fs::path dir = scratch.Path();
  TDataset ds;
  ProgramSettings program;
  OpenCommandState open;
  RecordingMessenger messenger;

  // A settings file made read-only gets its write permission back before the folder goes.
  void TearDown() override {
    std::error_code ec;
    fs::permissions(dir / "tarvo.ini", fs::perms::owner_all, fs::perm_options::add, ec);
  }

  std::string IniPath() const { return (dir / "tarvo.ini").string(); }

  void WriteIni(const std::string& text) { scratch.Write("tarvo.ini", text); }

  std::string IniText() const { return test::ReadWhole(IniPath()); }

  void Read(const std::string& text) {
    IniFile ini;
    ini.Parse(text);
    ReadMainSettings(ini, program, open, ds);
  }
};

TEST_F(ProgramSettingsTest, LoadsEveryMainWindowValue) {
  WriteIni(
      "[version]\r\nnVersion=5\r\n"
      "[OpenDialog]\r\nInitialDir=/data/survey\r\nFilterIdex=4\r\nRes2dInvExt=.TXT\r\n"
      "[IP]\r\nMin_IP=0x10\r\nMax_IP=80\r\n"
      "[Options]\r\nModel refinement=0\r\nDatapoints On/Off=0\r\n"
      "[HistoryList]\r\nHistoryCount=3\r\nH0=/a\r\nH1=/b b\r\nH2=/c\r\n"
      "[Res2dInv]\r\nKeyTopo=1\r\nIPcaption=&mV/V\r\n"
      "[median]\r\n WindowC = 9 \r\n");
  MedianOwner median;
  SettingsOwner* owners[] = {&median};
  LoadSettings(dir.string(), program, open, ds, messenger, owners);

  EXPECT_TRUE(messenger.entries.empty());
  EXPECT_EQ(program.Version, 5);
  EXPECT_EQ(open.InitialDir, "/data/survey");
  EXPECT_EQ(open.FilterIndex, 4);
  EXPECT_EQ(open.Res2dInvExt, ".txt");
  EXPECT_EQ(OpenFilterPatterns(open)[3], "*.txt;*.inv");
  EXPECT_EQ(ds.Thresholds.MinIP, 16.0f);
  EXPECT_EQ(ds.Thresholds.MaxIP, 80.0f);
  EXPECT_FALSE(program.ModelRefinement);
  EXPECT_FALSE(program.DataPointsOnOff);
  EXPECT_EQ(open.RecentDirs, (std::vector<std::string>{"/a", "/b b", "/c"}));
  EXPECT_EQ(ds.TopoDistanceType, 1);
  EXPECT_FALSE(program.MsecUnit);
  EXPECT_EQ(program.IPUnitCaption(), "mV/V");
  EXPECT_EQ(median.windowC, 9);
}

TEST_F(ProgramSettingsTest, MissingFileLeavesTheDefaults) {
  open.InitialDir = "/opt/tarvo";
  ds.Thresholds.MinIP = -5;
  MedianOwner median;
  median.windowC = 1;
  SettingsOwner* owners[] = {&median};
  LoadSettings(dir.string(), program, open, ds, messenger, owners);

  EXPECT_TRUE(messenger.entries.empty());
  EXPECT_EQ(open.InitialDir, "/opt/tarvo");
  EXPECT_EQ(open.FilterIndex, DefaultFilterIndex);
  EXPECT_EQ(open.Res2dInvExt, ".dat");
  EXPECT_EQ(ds.Thresholds.MinIP, -100.0f);
  EXPECT_EQ(ds.Thresholds.MaxIP, 100.0f);
  EXPECT_TRUE(program.ModelRefinement);
  EXPECT_TRUE(program.DataPointsOnOff);
  EXPECT_TRUE(open.RecentDirs.empty());
  EXPECT_EQ(ds.TopoDistanceType, 2);
  EXPECT_EQ(program.IPUnitCaption(), "msec");
  EXPECT_EQ(median.windowC, 7);
}

TEST_F(ProgramSettingsTest, IPCaptionRule) {
  struct Case {
    const char* stored;
    bool msec;
    const char* caption;
  };
  const std::vector<Case> cases = {
      {"&mV/V", false, "mV/V"}, {"ms", false, "ms"},   {"msec", true, "msec"},
      {"&msec", true, "msec"},  {"m&&V", false, "m&V"}, {"", true, "msec"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    program = ProgramSettings{};
    Read(std::string("[Res2dInv]\nIPcaption=") + c.stored + "\n");
    EXPECT_EQ(program.MsecUnit, c.msec);
    EXPECT_EQ(program.IPUnitCaption(), c.caption);
  }
}

TEST_F(ProgramSettingsTest, UnusableValuesKeepTheCurrentOnes) {
  struct Case {
    const char* what;
    std::string text;
    int topoKey;  // a missing key gives 2, an unusable one keeps 1
  };
  const std::vector<Case> cases = {
      {"filter index outside the list", "[OpenDialog]\nFilterIdex=" + std::to_string(OpenFilters.size() + 1) + "\n", 2},
      {"filter index zero", "[OpenDialog]\nFilterIdex=0\n", 2},
      {"topography key 3", "[Res2dInv]\nKeyTopo=3\n", 1},
      {"extension without a dot", "[OpenDialog]\nRes2dInvExt=txt\n", 2},
      {"extension with a wildcard", "[OpenDialog]\nRes2dInvExt=.t*t\n", 2},
      {"extension of inversion results", "[OpenDialog]\nRes2dInvExt=.inv\n", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    open = OpenCommandState{};
    open.FilterIndex = 7;
    ds.TopoDistanceType = 1;
    Read(c.text);
    EXPECT_EQ(open.FilterIndex, 7);
    EXPECT_EQ(ds.TopoDistanceType, c.topoKey);
    EXPECT_EQ(open.Res2dInvExt, ".dat");
  }
}

TEST_F(ProgramSettingsTest, HistoryIsCappedAndSkipsEmptyEntries) {
  std::string text = "[HistoryList]\nHistoryCount=20\n";
  for (int i = 0; i < 20; ++i) text += "H" + std::to_string(i) + "=" + (i == 2 ? "" : "/d" + std::to_string(i)) + "\n";
  Read(text);
  EXPECT_EQ(open.RecentDirs, (std::vector<std::string>{"/d0", "/d1", "/d3", "/d4", "/d5", "/d6", "/d7"}));

  Read("[HistoryList]\nHistoryCount=-2\nH0=/x\n");
  EXPECT_TRUE(open.RecentDirs.empty());
}

TEST_F(ProgramSettingsTest, SavesTheFileInItsLayout) {
  open.InitialDir = "/x";
  open.RecentDirs = {"/a", "/b", "/c"};
  ds.Thresholds.MinIP = -12.6f;
  ds.Thresholds.MaxIP = 55.5f;
  ds.TopoDistanceType = 1;
  program.DataPointsOnOff = false;
  program.SetIPUnitCaption("&mV/V");

  ASSERT_TRUE(SaveSettings(dir.string(), program, open, ds, messenger));
  EXPECT_TRUE(messenger.entries.empty());
  EXPECT_EQ(IniText(),
            "[Version]\r\nnVersion=5\r\n\r\n"
            "[OpenDialog]\r\nInitialDir=/x\r\nFilterIdex=2\r\nRes2dInvExt=.dat\r\n\r\n"
            "[IP]\r\nMin_IP=-13\r\nMax_IP=56\r\nMax_decay_misfit=0\r\n\r\n"
            "[Options]\r\nModel refinement=1\r\nDatapoints On/Off=0\r\n\r\n"
            "[HistoryList]\r\nHistoryCount=3\r\nH0=/a\r\nH1=/b\r\nH2=/c\r\n\r\n"
            "[Res2dInv]\r\nKeyTopo=1\r\nIPcaption=mV/V\r\n\r\n");
}

TEST_F(ProgramSettingsTest, SaveAndLoadRoundTripKeepsForeignSections) {
  WriteIni("[Elsewhere]\r\nkept=yes\r\n[IP]\r\nMin_IP=1\r\nstale=2\r\n");
  open.InitialDir = "/survey/2024";
  open.FilterIndex = 9;
  RememberRes2dInvExtension(open, "line.txt");
  open.RecentDirs = {"/survey/2024", "/old dir"};
  open.ExportDir = "/survey/exports";
  ds.Thresholds.MinIP = -40;
  ds.Thresholds.MaxIP = 250;
  ds.Thresholds.MaxDecayMisfit = 7.5f;
  ds.TopoDistanceType = 1;
  program.ModelRefinement = false;
  program.SetIPUnitCaption("ms");
  MedianOwner median;
  median.windowC = 11;
  SettingsOwner* owners[] = {&median};
  ASSERT_TRUE(SaveSettings(dir.string(), program, open, ds, messenger, owners));

  TDataset ds2;
  ProgramSettings program2;
  OpenCommandState open2;
  MedianOwner median2;
  SettingsOwner* owners2[] = {&median2};
  LoadSettings(dir.string(), program2, open2, ds2, messenger, owners2);

  EXPECT_TRUE(messenger.entries.empty());
  EXPECT_EQ(program2.Version, SettingsVersion);
  EXPECT_EQ(open2.InitialDir, open.InitialDir);
  EXPECT_EQ(open2.FilterIndex, 9);
  EXPECT_EQ(open2.Res2dInvExt, ".txt");
  EXPECT_EQ(open2.RecentDirs, open.RecentDirs);
  EXPECT_EQ(open2.ExportDir, "/survey/exports");
  EXPECT_EQ(ds2.Thresholds.MinIP, -40.0f);
  EXPECT_EQ(ds2.Thresholds.MaxIP, 250.0f);
  EXPECT_EQ(ds2.Thresholds.MaxDecayMisfit, 7.5f);
  EXPECT_EQ(ds2.TopoDistanceType, 1);
  EXPECT_FALSE(program2.ModelRefinement);
  EXPECT_TRUE(program2.DataPointsOnOff);
  EXPECT_EQ(program2.IPUnitCaption(), "ms");
  EXPECT_EQ(median2.windowC, 11);

  IniFile file(IniPath());
  ASSERT_TRUE(file.Load().ok);
  EXPECT_EQ(file.ReadString("Elsewhere", "kept", ""), "yes");
  EXPECT_EQ(file.ReadInteger("IP", "stale", 0), 2);
}

TEST_F(ProgramSettingsTest, ReadOnlyFileIsNotWrittenAndLoadingClearsTheAttribute) {
  const std::string text = "[IP]\r\nMin_IP=-7\r\n";
  WriteIni(text);
  fs::permissions(IniPath(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);

  ds.Thresholds.MinIP = 3;
  EXPECT_FALSE(SaveSettings(dir.string(), program, open, ds, messenger));
  ASSERT_EQ(messenger.entries.size(), 1u);
  EXPECT_EQ(messenger.entries[0].kind, MessageKind::Information);
  EXPECT_EQ(messenger.entries[0].text, IniPath() + " is Read-Only file");
  EXPECT_EQ(IniText(), text);

  messenger.entries.clear();
  LoadSettings(dir.string(), program, open, ds, messenger);
  EXPECT_EQ(ds.Thresholds.MinIP, -7.0f);
  EXPECT_FALSE(IsReadOnlyFile(IniPath()));
  EXPECT_TRUE(messenger.entries.empty());
}

TEST_F(ProgramSettingsTest, DirectoryInPlaceOfTheFileIsReportedAndLeftAlone) {
  fs::create_directory(IniPath());
  ds.Thresholds.MaxIP = 30;
  LoadSettings(dir.string(), program, open, ds, messenger);
  EXPECT_EQ(messenger.Texts(), std::vector<std::string>{"Cannot open file " + IniPath()});
  EXPECT_EQ(ds.Thresholds.MaxIP, 100.0f);

  messenger.entries.clear();
  EXPECT_FALSE(SaveSettings(dir.string(), program, open, ds, messenger));
  EXPECT_EQ(messenger.Texts(), std::vector<std::string>{"Cannot open file " + IniPath()});
  EXPECT_TRUE(fs::is_directory(IniPath()));
}

TEST_F(ProgramSettingsTest, SavingCreatesAMissingDirectoryAndReportsOneThatCannotBe) {
  const fs::path fresh = dir / "new" / "place";
  ASSERT_TRUE(SaveSettings(fresh.string(), program, open, ds, messenger));
  EXPECT_TRUE(fs::is_regular_file(fresh / "tarvo.ini"));
  EXPECT_TRUE(messenger.entries.empty());

  scratch.Write("plain", "x");
  const fs::path blocked = dir / "plain" / "sub";
  EXPECT_FALSE(SaveSettings(blocked.string(), program, open, ds, messenger));
  ASSERT_EQ(messenger.entries.size(), 1u);
  EXPECT_EQ(messenger.entries[0].kind, MessageKind::Error);
  const std::string head = "Cannot write " + (blocked / "tarvo.ini").string() + "\r\n";
  EXPECT_EQ(messenger.entries[0].text.substr(0, head.size()), head);
  EXPECT_GT(messenger.entries[0].text.size(), head.size());
}

TEST_F(ProgramSettingsTest, ChoosesWhereTheFileLives) {
  scratch.Write("plain", "x");
  const std::string unusable = (dir / "plain" / "bin").string();
  const fs::path withDirectoryAsFile = dir / "odd";
  fs::create_directories(withDirectoryAsFile / "tarvo.ini");

  struct Case {
    const char* what;
    std::string programDir, xdg, home, expected;
  };
  const std::vector<Case> cases = {
      {"writable program directory", dir.string(), "/cfg", "/home/u", dir.string()},
      {"tarvo.ini is a directory", withDirectoryAsFile.string(), "/cfg", "/home/u", "/cfg/tarvo"},
      {"configuration home", unusable, "/cfg", "/home/u", "/cfg/tarvo"},
      {"no configuration home", unusable, "", "/home/u", "/home/u/.config/tarvo"},
      {"relative configuration home", unusable, "cfg", "/home/u", "/home/u/.config/tarvo"},
      {"nothing known", unusable, "", "", unusable},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ChooseSettingsDirectory(c.programDir, c.xdg, c.home), c.expected);
  }

  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(dir)) left.push_back(entry.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"odd", "plain"}));
}

}  // namespace
}  // namespace tarvo
