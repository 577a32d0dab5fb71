#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "engine/core/array_types.h"
#include "engine/core/numbers.h"
#include "engine/import/prosys_reader.h"
#include "engine/import/syscal_template.h"
#include "test_files.h"

namespace tarvo {
namespace {

namespace fs = std::filesystem;

// Answers the request for a second file from a script and remembers the titles asked.
class ScriptedChooser final : public FileChooser {
public:
  std::optional<std::string> answer;
  std::vector<std::string> titles;

  std::optional<std::string> ChooseFileToOpen(std::string_view title, std::string_view) override {
    titles.emplace_back(title);
    return answer;
  }
};

// ElectreII sequence over 12 electrodes at 2 m: three dipole-dipole quadripoles.
constexpr const char* SequenceText =
    "# X Y Z\r\n"
    "1 0 0 0\r\n2 2 0 0\r\n3 4 0 0\r\n4 6 0 0\r\n5 8 0 0\r\n6 10 0 0\r\n"
    "7 12 0 0\r\n8 14 0 0\r\n9 16 0 0\r\n10 18 0 0\r\n11 20 0 0\r\n12 22 0 0\r\n"
    "# A B M N\r\n"
    "1 1 2 3 4\r\n"
    "2 2 3 4 5\r\n"
    "3 1 2 4 5\r\n";

// Electrode abscissas of those quadripoles.
constexpr float SequenceX[4][4] = {{}, {0, 2, 4, 6}, {2, 4, 6, 8}, {0, 2, 6, 8}};

class ProsysReaderTest : public ::testing::Test {
protected:
  test::ScratchFolder scratch;
  const fs::path dir = scratch.Path();
  TDataset ds;
  RecordingMessenger messenger;
  ScriptedChooser chooser;
  ReadEnvironment env{messenger, "", nullptr};

  void SetUp() override {
    const auto bytes = MakeTemplateBytes();
    env.templatePath = scratch.Write(TemplateFileName, std::string(bytes.begin(), bytes.end()));
  }

  void Read(const std::string& text, ProsysMode mode = ProsysMode::Plain, int firstSet = 0) {
    const auto reader = [mode](const ReadSource& s, TDataset& d, ReadEnvironment& e) {
      return ReadProsys(s, d, e, mode);
    };
    ReadIntoDataset(ds, reader, {scratch.Write("data.txt", text), firstSet}, env);
  }

  // Syscal-Pro mode with the sequence above chosen in the second dialog.
  void ReadMatched(const std::string& text) {
    chooser.answer = scratch.Write("sequence.txt", SequenceText);
    env.chooser = &chooser;
    Read(text, ProsysMode::SyscalPro);
  }

  void ExpectNothingLoaded() const {
    EXPECT_EQ(ds.DataKind, DataKindNone);
    EXPECT_EQ(ds.PointCount, 0);
    EXPECT_TRUE(ds.Points.Empty());
    EXPECT_TRUE(ds.Quads.Empty());
    EXPECT_FALSE(ds.HasIP);
    EXPECT_EQ(ds.IPWindowCount, 0);
  }
};

TEST_F(ProsysReaderTest, VoltageAndCurrentColumnsDecideTheDataKind) {
  const struct {
    std::string title;
    std::string line;
    float kind;
    float v, i;
  } cases[] = {
      {"Spa.1,Spa.2,Spa.3,Spa.4,Rho,Dev.,Vp,In", "0,2,6,8,120.5,0.4,35.2,80", DataKindTextWithVI, 35.2f, 80},
      {"Spa.1,Spa.2,Spa.3,Spa.4,Rho,Dev.", "0,2,6,8,120.5,0.4", DataKindResistivityOnly, 0, 0},
      {"Spa.1,Spa.2,Spa.3,Spa.4,Rho,Dev.,Vp", "0,2,6,8,120.5,0.4,35.2", DataKindResistivityOnly, 35.2f, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.title);
    ds = TDataset{};
    Read(c.title + "\r\n" + c.line + "\r\n");
    EXPECT_EQ(ds.DataKind, c.kind);
    ASSERT_EQ(ds.PointCount, 1);
    const TDataPoint& p = ds.Points[1];
    EXPECT_FLOAT_EQ(p.Rho, 120.5f);
    EXPECT_EQ(p.PointType, DipoleDipole);
    EXPECT_FLOAT_EQ(p.V, c.v);
    EXPECT_FLOAT_EQ(p.I, c.i);
    EXPECT_TRUE(ds.ReadOnlyData);
    EXPECT_EQ(ds.FileHeader.OperatorText(), "Prosys");
    EXPECT_FALSE(ds.HasIP);
  }
  EXPECT_TRUE(messenger.entries.empty());
}

TEST_F(ProsysReaderTest, SeparatorsAndTitleStylesGiveTheSamePoints) {
  const struct {
    std::string name;
    std::string text;
  } files[] = {
      {"comma, blank-padded titles, array-name column",
       ",El-array,Spa.1,Spa.2,Spa.3,Spa.4,Rho ,Dev., M  ,Sp  ,Vp  ,In  \r\n"
       ",Mixed / non conventional,0.00,0.50,0.75,1.25,45.68,0.04,0.00,7.68,-2400.061,154.750\r\n"
       ",Dipole-dipole,0.00,0.50,1.25,1.75,41.82,2.6,0.00,-15.61,-313.865,154.750\r\n"},
      {"tab, decimal commas, LF, no end on the last line",
       "Spa.1\tSpa.2\tSpa.3\tSpa.4\tRho \tDev.\t M  \tSp  \tVp  \tIn  \n"
       "0\t0,5\t0,75\t1,25\t45,68\t0,04\t0\t7,68\t-2400,061\t154,75\n"
       "0\t0,5\t1,25\t1,75\t41,82\t2,6\t0\t-15,61\t-313,865\t154,75"},
      {"blanks, Spa. with a blank, # column, empty last line",
       "# Spa. 1 Spa. 2 Spa. 3 Spa. 4 Rho Dev. M Sp Vp In\r\n"
       "1 0 0.5 0.75 1.25 45.68 0.04 0 7.68 -2400.061 154.75\r\n"
       "2 0 0.5 1.25 1.75 41.82 2.6 0 -15.61 -313.865 154.75\r\n"
       "\r\n"},
  };
  for (const auto& f : files) {
    SCOPED_TRACE(f.name);
    ds = TDataset{};
    messenger.entries.clear();
    Read(f.text);
    EXPECT_TRUE(messenger.entries.empty());
    ASSERT_EQ(ds.DataKind, DataKindTextWithVI);
    ASSERT_EQ(ds.PointCount, 2);
    const TDataPoint& first = ds.Points[1];
    const TDataPoint& second = ds.Points[2];
    EXPECT_FLOAT_EQ(first.XA, 0.0f);
    EXPECT_FLOAT_EQ(first.XB, 0.5f);
    EXPECT_FLOAT_EQ(first.XM, 0.75f);
    EXPECT_FLOAT_EQ(first.XN, 1.25f);
    EXPECT_FLOAT_EQ(first.Rho, 45.68f);
    EXPECT_FLOAT_EQ(first.V, -2400.061f);
    EXPECT_FLOAT_EQ(first.I, 154.75f);
    EXPECT_EQ(first.Q, 0);
    EXPECT_FLOAT_EQ(second.XM, 1.25f);
    EXPECT_FLOAT_EQ(second.SP, -15.61f);
    EXPECT_FLOAT_EQ(second.Dev, 2.6f);
    EXPECT_EQ(second.Q, 3);
    EXPECT_EQ(second.LineNo, 2);
    EXPECT_TRUE(ds.HasSP);
    EXPECT_FALSE(ds.HasIP);  // the M column holds only zeros
  }
}

TEST_F(ProsysReaderTest, ColumnsAreFoundByTitleWithOrWithoutUnits) {
  // The same two readings in the spellings of several Prosys versions; the
  // Prosys III titles carry units and blanks, some titles are in
  // Windows-1252 ("N\xB0 electrode A").
  const struct {
    std::string name;
    std::string text;
  } files[] = {
      {"Prosys III, comma-separated, units, electrode numbers",
       ",El-array,xA (m),xB (m),xM (m),xN (m),Rho (Ohm.m),Dev. Rho (%),SP (mV),VMN (mV),IAB (mA),Time (ms),"
       "Coef. k (m),zA (m),zB (m),zM (m),zN (m),N\xB0 electrode A,N\xB0 electrode B,Name,Date\r\n"
       ",Mixed / non conventional,0.00,3.00,1.00,2.00,18.43,5.68,4.75,122.950,41.906,500,6.28,1.5,1.5,1.5,1.5,1,4,"
       "22080202,8/2/2022 10:19:18 AM\r\n"
       ",Mixed / non conventional,1.00,4.00,2.00,3.00,16.56,4.86,-153.67,115.721,43.919,500,6.28,2.5,2.5,2.5,2.5,2,"
       "5,22080202,8/2/2022 10:19:23 AM\r\n"},
      {"tab-separated, units, columns in another order",
       "Rho (Ohm.m)\tVp (mV)\tIn (mA)\txA (m)\txB (m)\txM (m)\txN (m)\tzA (m)\tzB (m)\tzM (m)\tzN (m)\t"
       "Dev. (%)\tSp (mV)\tM (mV/V)\r\n"
       "18.43\t122.950\t41.906\t0\t3\t1\t2\t1.5\t1.5\t1.5\t1.5\t5.68\t4.75\t0\r\n"
       "16.56\t115.721\t43.919\t1\t4\t2\t3\t2.5\t2.5\t2.5\t2.5\t4.86\t-153.67\t0\r\n"},
      {"blank-separated, units in brackets, volts and amperes",
       "Spa.1 Spa.2 Spa.3 Spa.4 zA zB zM zN Rho (Ohm.m) Dev. Sp Vp (V) In (A)\r\n"
       "0 3 1 2 1.5 1.5 1.5 1.5 18.43 5.68 4.75 0.122950 0.041906\r\n"
       "1 4 2 3 2.5 2.5 2.5 2.5 16.56 4.86 -153.67 0.115721 0.043919\r\n"},
  };
  for (const auto& f : files) {
    SCOPED_TRACE(f.name);
    ds = TDataset{};
    messenger.entries.clear();
    Read(f.text);
    EXPECT_TRUE(messenger.entries.empty()) << (messenger.entries.empty() ? "" : messenger.entries[0].text);
    ASSERT_EQ(ds.DataKind, DataKindTextWithVI);
    ASSERT_EQ(ds.PointCount, 2);
    ASSERT_EQ(ds.ElectrodeXZCount, 5);
    const TDataPoint& first = ds.Points[1];
    EXPECT_FLOAT_EQ(first.XA, 0.0f);
    EXPECT_FLOAT_EQ(first.XB, 3.0f);
    EXPECT_FLOAT_EQ(first.XM, 1.0f);
    EXPECT_FLOAT_EQ(first.XN, 2.0f);
    EXPECT_FLOAT_EQ(first.ZA, 1.5f);
    EXPECT_FLOAT_EQ(first.Rho, 18.43f);
    EXPECT_FLOAT_EQ(first.Dev, 5.68f);
    EXPECT_EQ(first.Q, 6);
    EXPECT_FLOAT_EQ(first.SP, 4.75f);
    EXPECT_NEAR(first.V, 122.95, 1e-3);
    EXPECT_NEAR(first.I, 41.906, 1e-3);
    EXPECT_EQ(first.PointType, Wenner);
    const TDataPoint& second = ds.Points[2];
    EXPECT_FLOAT_EQ(second.XA, 1.0f);
    EXPECT_FLOAT_EQ(second.SP, -153.67f);
    EXPECT_NEAR(second.I, 43.919, 1e-3);
    EXPECT_FALSE(ds.HasIP);
    EXPECT_TRUE(ds.HasSP);
  }
}

TEST_F(ProsysReaderTest, WindowTimesComeFromTheScheduleColumns) {
  std::string title = "Spa.1,Spa.2,Spa.3,Spa.4,Rho,M,Mdly";
  std::string line = "0,2,4,6,50,12.5,120";
  for (int w = 1; w <= MaxIPWindows; ++w) {
    title += ",M" + std::to_string(w) + ",TM" + std::to_string(w);
    line += "," + std::to_string(30 - w) + "," + std::to_string(w <= 3 ? 40 * w : 0);
  }
  Read(title + "\r\n" + line + "\r\n" + line + "\r\n");
  ASSERT_EQ(ds.PointCount, 2);
  EXPECT_EQ(ds.IPWindowCount, MaxIPWindows);
  EXPECT_FLOAT_EQ(ds.Points[2].M[4], 26.0f);
  ASSERT_TRUE(ds.IPWindowTimes.Known);
  EXPECT_FLOAT_EQ(ds.IPWindowTimes.Delay, 120.0f);
  EXPECT_FLOAT_EQ(ds.IPWindowTimes.Widths[1], 40.0f);
  EXPECT_FLOAT_EQ(ds.IPWindowTimes.Widths[3], 120.0f);
  EXPECT_FLOAT_EQ(ds.IPWindowTimes.Widths[4], 0.0f);
}

TEST_F(ProsysReaderTest, UnidentifiedColumnsAreNeverRead) {
  // Titles with blanks inside ("Cole M", "Dev. M") in a comma-separated file,
  // and text columns, must not shift the columns after them.
  Read("Spa.1,Spa.2,Spa.3,Spa.4,Cole M,Dev. M,Name,Rho,Date,Sp\r\n"
       "0,2,4,6,99,98,line one,50,03/04/2017 13:02:48,-7\r\n");
  EXPECT_TRUE(messenger.entries.empty());
  ASSERT_EQ(ds.PointCount, 1);
  EXPECT_FLOAT_EQ(ds.Points[1].Rho, 50.0f);
  EXPECT_FLOAT_EQ(ds.Points[1].SP, -7.0f);
  EXPECT_FLOAT_EQ(ds.Points[1].IP, 0.0f);
  EXPECT_FALSE(ds.HasIP);
  EXPECT_EQ(ds.DataKind, DataKindResistivityOnly);
}

TEST_F(ProsysReaderTest, RefusesTitlesThatDoNotNameWhatAPointNeeds) {
  const struct {
    std::string title;
    std::string message;
  } cases[] = {
      {"Spa.1,Spa.2,Spa.3,Rho,Dev.", "Bad ProSys TXT format. No column \"Spa.4\" found."},
      {"xA (m),xB (m),xM (m),xN (m),Dev.,Vp", "Bad ProSys TXT format. No column \"Rho\" found."},
      {"Spa.1,Spa.2,Spa.3,Spa.4,Rho,Vp,VMN (mV)",
       "Bad ProSys TXT format. Columns 6 \"Vp\" and 7 \"VMN (mV)\" both give Vp."},
      {"Spa.1,xA (m),Spa.2,Spa.3,Spa.4,Rho",
       "Bad ProSys TXT format. Columns 1 \"Spa.1\" and 2 \"xA (m)\" both give Spa.1."},
      {"Spa.1,Spa.2,Spa.3,Spa.4,Rho,In (kA)", "Bad ProSys TXT format. Column 6 \"In (kA)\": unknown unit \"kA\"."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.title);
    ds = TDataset{};
    messenger.entries.clear();
    Read(c.title + "\r\n0,2,4,6,50,1,2\r\n");
    ExpectNothingLoaded();
    ASSERT_EQ(messenger.entries.size(), 1u);
    EXPECT_EQ(messenger.entries[0].text, c.message);
    EXPECT_EQ(messenger.entries[0].kind, MessageKind::Error);
  }
}

TEST_F(ProsysReaderTest, QualityFollowsDeviationAndResistivity) {
  const struct {
    const char* dev;
    const char* rho;
    int q;
  } cases[] = {{"150", "10", 100}, {"2.6", "10", 3}, {"2.4", "10", 2}, {"-3.2", "10", 3},
               {"0.3", "0.0005", 100}, {"0.3", "-12", 100}};
  std::string text = "Spa.1 Spa.2 Spa.3 Spa.4 Rho Dev.\r\n";
  for (const auto& c : cases) text += std::string("0 2 4 6 ") + c.rho + " " + c.dev + "\r\n";
  Read(text);
  ASSERT_EQ(ds.PointCount, static_cast<int>(std::size(cases)));
  for (int i = 1; i <= ds.PointCount; ++i) {
    EXPECT_EQ(ds.Points[i].Q, cases[i - 1].q) << "line " << i + 1;
  }
}

TEST_F(ProsysReaderTest, FarAwayElectrodesAreRemote) {
  const struct {
    std::string line;  // Spa.1 Spa.2 Spa.3 Spa.4 Sp
    int count;
    std::uint8_t type;
    float xA, xM, sp;
  } cases[] = {
      {"0 99999 4 6 5", 3, ForwardPoleDipole, 0, 4, 5},
      {"99999 10 4 6 5", 3, ReversePoleDipole, 10, 4, 5},
      {"0 -99999 4 99999 5", 2, PolePole, 0, 4, 5},
      {"0 99999 99999 6 5", 2, PolePole, 0, 6, -5},  // SP is then measured from the other electrode
      {"0 2 6 8 5", 4, DipoleDipole, 0, 6, 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    ds = TDataset{};
    Read("Spa.1 Spa.2 Spa.3 Spa.4 Sp Rho\r\n" + c.line + " 100\r\n");
    ASSERT_EQ(ds.PointCount, 1);
    const TDataPoint& p = ds.Points[1];
    EXPECT_EQ(p.ElectrodeCount, c.count);
    EXPECT_EQ(p.PointType, c.type);
    EXPECT_FLOAT_EQ(p.XA, c.xA);
    EXPECT_FLOAT_EQ(p.XM, c.xM);
    EXPECT_FLOAT_EQ(p.SP, c.sp);
    if (c.count < 4) {
      EXPECT_FLOAT_EQ(p.XB, p.XA);
    }
    if (c.count == 2) {
      EXPECT_FLOAT_EQ(p.XN, p.XM);
    }
  }
}

TEST_F(ProsysReaderTest, AllDecayWindowsAreRead) {
  std::string title = "Spa.1,Spa.2,Spa.3,Spa.4,Rho,Dev.,M,Time";
  std::string line = "0,2,4,6,50,0.1,12.5,1000";
  for (int w = 1; w <= MaxIPWindows; ++w) {
    title += ",M" + std::to_string(w);
    line += "," + std::to_string(30 - w);
  }
  title += ",Date";
  line += ",03/04/2017 13:02:48";
  Read(title + "\r\n" + line + "\r\n");
  ASSERT_EQ(ds.PointCount, 1);
  EXPECT_TRUE(ds.HasIP);
  EXPECT_EQ(ds.IPWindowCount, MaxIPWindows);
  EXPECT_FLOAT_EQ(ds.Points[1].IP, 12.5f);
  for (int w = 1; w <= MaxIPWindows; ++w) EXPECT_FLOAT_EQ(ds.Points[1].M[w], static_cast<float>(30 - w));
}

TEST_F(ProsysReaderTest, WindowsWithoutTheLastColumnCannotBeRead) {
  Read("Spa.1 Spa.2 Spa.3 Spa.4 Rho M M1 M2 M3 M4 M5\r\n0 2 4 6 50 12 9 8 7 6 5\r\n");
  ExpectNothingLoaded();
  ASSERT_EQ(messenger.entries.size(), 1u);
  EXPECT_EQ(messenger.entries[0].text, "Error by reading data.\r\nLine 2, \r\n");
}

TEST_F(ProsysReaderTest, MixedArraysGiveOneSetPerUnifiedType) {
  Read("Spa.1 Spa.2 Spa.3 Spa.4 Rho\r\n"
       "0 6 2 4 10\r\n"     // Wenner a = 2
       "0 2 4 6 20\r\n"     // Wenner-beta, joins the dipole-dipole points
       "0 10 4 6 30\r\n"    // Schlumberger
       "2 4 8 10 40\r\n",   // dipole-dipole
       ProsysMode::Plain, 2);
  ASSERT_EQ(ds.DataKind, DataKindResistivityOnly);
  ASSERT_EQ(ds.SetCount, 2);
  EXPECT_EQ(ds.Sets[3], (TSetEntry{1, 2, Schlumberger}));
  EXPECT_EQ(ds.Sets[4], (TSetEntry{3, 4, DipoleDipole}));
  EXPECT_EQ(ds.SetNames[2], "Schlumberger (AMNB)");
  EXPECT_EQ(ds.SetNames[3], "dipole-dipole (ABMN)");
  const TDataPoint& formerWenner = ds.Points[1];
  EXPECT_FLOAT_EQ(formerWenner.Rho, 10.0f);
  EXPECT_FLOAT_EQ(formerWenner.Spacing, 3.0f);  // AB/2
}

TEST_F(ProsysReaderTest, SyscalProPutsReadingsInSequenceOrder) {
  ReadMatched("Spa.1 Spa.2 Spa.3 Spa.4 Rho\r\n"
              "0 2 6 8 30\r\n"       // quadripole 3
              "2 0 4 6 10\r\n"       // quadripole 1, current electrodes reversed
              "10 12 14 16 99\r\n"   // not in the sequence
              "2 4 8 6 20\r\n");     // quadripole 2, potential electrodes reversed
  EXPECT_TRUE(messenger.entries.empty());
  EXPECT_EQ(chooser.titles, (std::vector<std::string>{"Read original sequence"}));
  ASSERT_EQ(ds.DataKind, DataKindResistivityOnly);
  ASSERT_EQ(ds.PointCount, 3);
  EXPECT_EQ(ds.SetCount, 1);
  for (int i = 1; i <= 3; ++i) {
    EXPECT_FLOAT_EQ(ds.Points[i].Rho, 10.0f * static_cast<float>(i));
    EXPECT_EQ(ds.Points[i].PointType, DipoleDipole);
  }
  EXPECT_TRUE(ds.Quads.Empty());  // the data keep no sequence
}

TEST_F(ProsysReaderTest, SyscalProAsksAboutQuadripolesWithoutData) {
  const std::string text = "Spa.1 Spa.2 Spa.3 Spa.4 Rho\r\n0 2 4 6 10\r\n0 2 6 8 30\r\n";
  for (const Reply reply : {Reply::Abort, Reply::Ignore}) {
    SCOPED_TRACE(reply == Reply::Abort ? "Abort" : "Ignore");
    ds = TDataset{};
    messenger = RecordingMessenger{};
    messenger.replies = {reply};
    ReadMatched(text);

    ASSERT_EQ(messenger.entries.size(), 1u);
    EXPECT_EQ(messenger.entries[0].text, "Not all data found\r\nQuadro N 2");
    EXPECT_EQ(messenger.entries[0].buttons, Buttons::AbortIgnore);
    if (reply == Reply::Abort) {
      ExpectNothingLoaded();
      continue;
    }
    ASSERT_EQ(ds.PointCount, 3);
    ASSERT_EQ(ds.SetCount, 1);  // the placeholder keeps the sequence's array
    const TDataPoint& missing = ds.Points[2];
    EXPECT_EQ(missing.Q, 100);
    EXPECT_FLOAT_EQ(missing.Rho, 0.0f);
    EXPECT_FLOAT_EQ(missing.Dev, 100.0f);
    EXPECT_EQ(missing.PointType, DipoleDipole);
    EXPECT_FLOAT_EQ(missing.XA, SequenceX[2][0]);
    EXPECT_FLOAT_EQ(missing.XB, SequenceX[2][1]);
    EXPECT_FLOAT_EQ(missing.XM, SequenceX[2][2]);
    EXPECT_FLOAT_EQ(missing.XN, SequenceX[2][3]);
    EXPECT_FLOAT_EQ(ds.Points[3].Rho, 30.0f);
  }
}

TEST_F(ProsysReaderTest, SyscalProWithoutASequenceReadsThePlainFile) {
  const std::string text = "Spa.1 Spa.2 Spa.3 Spa.4 Rho\r\n0 2 6 8 30\r\n2 0 4 6 10\r\n";
  const struct {
    const char* name;
    bool withChooser;
    std::optional<std::string> answer;
    std::vector<std::string> messages;
  } cases[] = {
      {"no chooser", false, std::nullopt, {}},
      {"cancelled", true, std::nullopt, {}},
      {"sequence without quadripoles", true, "empty.txt", {"Bad ElectreII TXT format. Data are not found."}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ds = TDataset{};
    messenger.entries.clear();
    chooser.answer = c.answer ? std::optional(scratch.Write(*c.answer, "# X Y Z\r\n1 0 0 0\r\n")) : std::nullopt;
    env.chooser = c.withChooser ? &chooser : nullptr;
    Read(text, ProsysMode::SyscalPro);
    EXPECT_EQ(messenger.Texts(), c.messages);
    ASSERT_EQ(ds.PointCount, 2);
    EXPECT_FLOAT_EQ(ds.Points[1].Rho, 30.0f);  // file order
    EXPECT_FLOAT_EQ(ds.Points[2].Rho, 10.0f);
    EXPECT_TRUE(ds.Quads.Empty());
  }
}

TEST_F(ProsysReaderTest, MalformedFilesAreRefusedWithTheirMessage) {
  std::string tooMany = "Spa.1 Spa.2 Spa.3 Spa.4 Rho\r\n";
  for (int i = 0; i <= MaxPoints; ++i) tooMany += "0 2 4 6 10\r\n";

  const struct {
    std::string name;
    std::string text;
    std::string message;
  } cases[] = {
      {"empty", "", "Bad ProSys TXT format. No data found."},
      {"title only", "Spa.1 Spa.2 Spa.3 Spa.4 Rho\r\n", "Bad ProSys TXT format. No data found."},
      {"two known columns", "Spa.1 Rho Foo Bar\r\n0 1 2 3\r\n", "Bad ProSys TXT format. No data found."},
      {"bad number", "Spa.1 Spa.2 Spa.3 Spa.4 Rho Dev.\r\n0 2 4 6 10 1\r\n0 2 4 6 1O.5 1\r\n",
       "Error by reading data.\r\nLine 3, Rho\r\n1O.5 1"},
      {"value beyond any field", "Spa.1 Spa.2 Spa.3 Spa.4 Rho Dev.\r\n0 2 4 6 1e40 1\r\n",
       "Error by reading data.\r\nLine 2, Rho\r\n1e40 1"},
      {"truncated line", "Spa.1 Spa.2 Spa.3 Spa.4 Rho Dev.\r\n0 2 4 6 10 1\r\n0 2 4",
       "Error by reading data.\r\nLine 3, Spa.4\r\n"},
      {"too many lines", tooMany, "Too many data points\r\nMaximal data point number is " + std::to_string(MaxPoints)},
      {"current dipole with one potential electrode", "Spa.1 Spa.2 Spa.3 Spa.4 Rho\r\n0 2 4 99999 10\r\n",
       "Unsupported array: current dipole with one potential electrode.\r\nLine number - 1"},
      {"binary garbage", std::string("\x00\xff\x01Spa.1\x00\r\n\x80\x81,\x00\x02", 16),
       "Bad ProSys TXT format. No data found."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ds = TDataset{};
    messenger.entries.clear();
    Read(c.text);
    ExpectNothingLoaded();
    ASSERT_EQ(messenger.entries.size(), 1u);
    EXPECT_EQ(messenger.entries[0].text, c.message);
  }
}

TEST_F(ProsysReaderTest, MissingFileGivesThePlatformMessage) {
  ReadIntoDataset(ds, ReadProsysText, {(dir / "absent.txt").string(), 0}, env);
  ExpectNothingLoaded();
  ASSERT_EQ(messenger.entries.size(), 1u);
  EXPECT_FALSE(messenger.entries[0].text.empty());
}

}  // namespace
}  // namespace tarvo
