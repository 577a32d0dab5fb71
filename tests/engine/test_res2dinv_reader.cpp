#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "engine/core/array_types.h"
#include "engine/core/numbers.h"
#include "engine/import/res2dinv_reader.h"
#include "test_files.h"

namespace tarvo {
namespace {

namespace fs = std::filesystem;

// A file header of a standard array: title, unit spacing 1, array number,
// point count (the number of data lines given), x-location type, IP flag 0.
std::string StandardFile(int arrayNumber, int location, std::initializer_list<std::string> data,
                         const std::string& tail = "") {
  std::string text = "Survey line\r\n1\r\n" + std::to_string(arrayNumber) + "\r\n" + std::to_string(data.size()) +
                     "\r\n" + std::to_string(location) + "\r\n0\r\n";
  for (const auto& line : data) text += line + "\r\n";
  return text + tail;
}

// A general-array file with chargeability, x-location type 1. Its first data
// line is line 13.
std::string GeneralFile(std::initializer_list<std::string> data) {
  std::string text =
      "General array\n1.0\n11\n0\nType of measurement (0=app. resistivity,1=resistance)\n0\n" +
      std::to_string(data.size()) + "\n1\n1\nChargeability\nmV/V\n0.12,1.0\n";
  for (const auto& line : data) text += line + "\n";
  return text;
}

class Res2dInvReaderTest : public ::testing::Test {
protected:
  TDataset ds;
  RecordingMessenger messenger;
  ReadEnvironment env{messenger, "", nullptr};
  test::ScratchFolder scratch;
  const fs::path folder = scratch.Path();

  void SetUp() override { ds.Memo = {"previous comment"}; }

  void Read(const std::string& text, int firstSet = 0) {
    ReadIntoDataset(ds, ReadRes2dInv, {scratch.Write("line.dat", text), firstSet}, env);
  }

  void ExpectNothingLoaded(const std::string& message) {
    EXPECT_EQ(ds.DataKind, DataKindNone);
    EXPECT_EQ(ds.PointCount, 0);
    EXPECT_EQ(ds.SetCount, 0);
    EXPECT_TRUE(ds.Points.Empty());
    EXPECT_EQ(ds.TimeSetCount, 0);
    EXPECT_EQ(ds.Memo, std::vector<std::string>{"previous comment"});
    EXPECT_EQ(messenger.Texts(), std::vector<std::string>{message});
  }
};

TEST_F(Res2dInvReaderTest, ReadsWennerLineWithTopography) {
  const std::string title(60, 'W');
  Read(title + "\r\n2\r\n1\r\n3\r\n0\r\n0\r\n10 2 100\r\n12\t2\t110\t\r\n10, 4, 120\r\n"
               "1\r\n3\r\n10 5.5\r\n12 5.0\r\n14 4.5");
  ASSERT_TRUE(messenger.entries.empty()) << messenger.Texts().front();
  EXPECT_EQ(ds.DataKind, DataKindResistivityOnly);
  ASSERT_EQ(ds.PointCount, 3);
  EXPECT_EQ(ds.Memo, std::vector<std::string>{title});
  EXPECT_EQ(ds.FileHeader.CommentsText(), title.substr(0, 47));
  EXPECT_EQ(ds.FileHeader.OperatorText(), "Res2Dinv");
  EXPECT_EQ(ds.FileHeader.DocType, DocTypeCurrent);
  EXPECT_FLOAT_EQ(ds.Electrodes[1].X, 2.0f);
  EXPECT_FALSE(ds.HasIP);
  EXPECT_TRUE(ds.ReadOnlyData);

  // x = 10 is the first electrode: A 10, M 12, N 14, B 16.
  const TDataPoint& p = ds.Points[1];
  EXPECT_FLOAT_EQ(p.X, 13.0f);
  EXPECT_FLOAT_EQ(p.Spacing, 2.0f);
  EXPECT_FLOAT_EQ(p.XA, 10.0f);
  EXPECT_FLOAT_EQ(p.XM, 12.0f);
  EXPECT_FLOAT_EQ(p.XN, 14.0f);
  EXPECT_FLOAT_EQ(p.XB, 16.0f);
  EXPECT_FLOAT_EQ(ds.Points[3].XB, 22.0f);
  for (int i = 1; i <= 3; ++i) {
    EXPECT_EQ(ds.Points[i].Number, i);
    EXPECT_EQ(ds.Points[i].LineNo, i + 6);
    EXPECT_EQ(ds.Points[i].Q, 0);
    EXPECT_EQ(ds.Points[i].PointType, Wenner);
    EXPECT_FLOAT_EQ(ds.Points[i].Rho, 90.0f + 10.0f * static_cast<float>(i));
  }

  ASSERT_EQ(ds.SetCount, 1);
  EXPECT_EQ(ds.Sets[1], (TSetEntry{1, 3, Wenner}));
  EXPECT_EQ(ds.SetNames, std::vector<std::string>{"Wenner (AMNB)"});
  EXPECT_EQ(ds.SetSeqHeaders[1].TitleText(), "WennerA");
  EXPECT_EQ(ds.SetSeqHeaders[1].QuadCount, 3);
  EXPECT_EQ(ds.SetFileHeaders[1], ds.FileHeader);
  EXPECT_EQ(ds.ArrayType, Wenner);

  EXPECT_EQ(ds.TopoDistanceType, 1);
  ASSERT_EQ(ds.ElectrodeXZCount, 3);
  EXPECT_EQ(ds.ElectrodeXZ[1], (ElectrodeXZEntry{10.0f, 5.5f}));
  EXPECT_EQ(ds.ElectrodeXZ[3], (ElectrodeXZEntry{14.0f, 4.5f}));
}

// One data line of each standard array and location convention, with the
// electrodes it stands for.
struct GeometryCase {
  const char* name;
  int arrayNumber;
  int location;  // 0 first electrode, 1 middle of the array
  const char* line;
  std::uint8_t type;
  const char* title;
  std::uint8_t electrodes;
  float x, spacing, mn, xa, xb, xm, xn;
};

TEST_F(Res2dInvReaderTest, PlacesTheElectrodesOfEveryStandardArray) {
  const GeometryCase cases[] = {
      {"Wenner, middle", 1, 1, "13 2 100", Wenner, "WennerA", 4, 13, 2, 2, 10, 16, 12, 14},
      {"pole-pole", 2, 0, "10 2 50", PolePole, "AM", 2, 11, 2, 2, 10, 10, 12, 12},
      {"dipole-dipole n = 2", 3, 0, "0 1 2 50", DipoleDipole, "ABMN", 4, 2, 1.5f, 1, 1, 0, 3, 4},
      {"dipole-dipole n = 1 only", 3, 1, "5 1 1 50", WennerBeta, "WennerB", 4, 5, 1, 1, 4.5f, 3.5f, 5.5f, 6.5f},
      {"Wenner-beta", 4, 0, "0 1 40", WennerBeta, "WennerB", 4, 1.5f, 1, 1, 1, 0, 2, 3},
      {"Wenner-Schlumberger", 7, 0, "0 1 2 80", Schlumberger, "AMNB", 4, 2.5f, 2.5f, 1, 0, 5, 2, 3},
      {"pole-dipole forward", 6, 0, "0 1 2 30", ForwardPoleDipole, "AMN", 3, 2.5f, 2.5f, 1, 0, 0, 2, 3},
      {"pole-dipole reverse", 6, 0, "0 1 -2 30", ReversePoleDipole, "MNB", 3, 0.5f, 2.5f, 1, 3, 3, 1, 0},
      {"pole-dipole forward, middle", 6, 1, "10 1 2 30", ForwardPoleDipole, "AMN", 3, 11, 2.5f, 1, 8.5f, 8.5f,
       10.5f, 11.5f},
      {"pole-dipole reverse, middle", 6, 1, "10 1 -2 30", ReversePoleDipole, "MNB", 3, 9, 2.5f, 1, 11.5f, 11.5f,
       9.5f, 8.5f},
      {"pole-dipole rounds a and x", 6, 0, "10.0004 1.004 1 30", ForwardPoleDipole, "AMN", 3, 11.5f, 1.5f, 1, 10,
       10, 11, 12},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ds = TDataset{};
    messenger.entries.clear();
    Read(StandardFile(c.arrayNumber, c.location, {c.line}));
    ASSERT_EQ(ds.PointCount, 1);
    EXPECT_TRUE(messenger.entries.empty());
    const TDataPoint& p = ds.Points[1];
    EXPECT_EQ(p.PointType, c.type);
    EXPECT_EQ(ds.Sets[1].Type, c.type);
    EXPECT_EQ(ds.SetSeqHeaders[1].TitleText(), c.title);
    EXPECT_EQ(p.ElectrodeCount, c.electrodes);
    EXPECT_NEAR(p.X, c.x, 1e-5);
    EXPECT_NEAR(p.Spacing, c.spacing, 1e-5);
    EXPECT_NEAR(p.MN, c.mn, 1e-5);
    EXPECT_NEAR(p.XA, c.xa, 1e-5);
    EXPECT_NEAR(p.XB, c.xb, 1e-5);
    EXPECT_NEAR(p.XM, c.xm, 1e-5);
    EXPECT_NEAR(p.XN, c.xn, 1e-5);
  }
}

TEST_F(Res2dInvReaderTest, SplitsForwardAndReversePoleDipoleIntoTwoSets) {
  Read("Pole-dipole\r\n1\r\n6\r\n4\r\n0\r\n0\r\n0,1,-1,40\r\n0,1,1,10\r\n0,1,-2,50\r\n1,1,2,20\r\n0\r\n", 2);
  ASSERT_TRUE(messenger.entries.empty());
  ASSERT_EQ(ds.PointCount, 4);
  ASSERT_EQ(ds.SetCount, 2);
  EXPECT_EQ(ds.Sets[3], (TSetEntry{1, 2, ForwardPoleDipole}));
  EXPECT_EQ(ds.Sets[4], (TSetEntry{3, 4, ReversePoleDipole}));
  ASSERT_EQ(ds.SetNames.size(), 4u);
  EXPECT_EQ(ds.SetNames[2], "forward pole-dipole (AMN)");
  EXPECT_EQ(ds.SetNames[3], "reverse pole-dipole (MNB)");
  EXPECT_EQ(ds.SetSeqHeaders[3].TitleText(), "AMN");
  EXPECT_EQ(ds.SetSeqHeaders[4].TitleText(), "MNB");
  EXPECT_EQ(ds.SetSeqHeaders[3].QuadCount, 2);
  EXPECT_EQ(ds.SetSeqHeaders[4].QuadCount, 2);
  EXPECT_EQ(ds.ArrayType, ReversePoleDipole);

  // Forward points first; every spacing ends positive.
  const float rho[] = {10, 20, 50, 40};
  const float spacing[] = {1.5f, 2.5f, 2.5f, 1.5f};
  for (int i = 1; i <= 4; ++i) {
    EXPECT_FLOAT_EQ(ds.Points[i].Rho, rho[i - 1]) << i;
    EXPECT_FLOAT_EQ(ds.Points[i].Spacing, spacing[i - 1]) << i;
    EXPECT_EQ(ds.Points[i].PointType, i <= 2 ? ForwardPoleDipole : ReversePoleDipole);
  }
  // The reverse point of n = -1 read at x = 0: N 0, M 1, A 2.
  EXPECT_FLOAT_EQ(ds.Points[4].XA, 2.0f);
  EXPECT_FLOAT_EQ(ds.Points[4].XM, 1.0f);
  EXPECT_FLOAT_EQ(ds.Points[4].XN, 0.0f);
}

TEST_F(Res2dInvReaderTest, ReadsGeneralArrayWithChargeability) {
  Read(GeneralFile({
      "4 0 1.5  3 1.2  1 1.4  2 1.3  100 5.5",  // Wenner A M N B
      "4 1 0  0 0  3 0  4 0  200 6.5",          // dipole-dipole B A M N, n = 2
      "2 0 1.5  2 1.3  300 7.5",                // pole-pole
      "3 10 0  11 0  12 0  400 8.5",            // forward pole-dipole
      "4,1,0,4,0,2,0,3,0,500,9.5",              // Wenner, comma separated
  }));
  ASSERT_TRUE(messenger.entries.empty()) << messenger.Texts().front();
  EXPECT_EQ(ds.DataKind, DataKindResistivityOnly);
  EXPECT_TRUE(ds.HasIP);
  EXPECT_TRUE(ds.ReadOnlyData);
  EXPECT_EQ(ds.TopoDistanceType, 1);
  ASSERT_EQ(ds.PointCount, 5);

  // One set per type, in the order the types first appear.
  struct Expected {
    TSetEntry set;
    std::vector<float> rho;
  };
  const Expected expected[] = {
      {{1, 2, Wenner}, {100, 500}},
      {{3, 3, PolePole}, {300}},
      {{4, 4, ForwardPoleDipole}, {400}},
      {{5, 5, DipoleDipole}, {200}},
  };
  ASSERT_EQ(ds.SetCount, 4);
  for (int k = 1; k <= 4; ++k) {
    const Expected& e = expected[k - 1];
    EXPECT_EQ(ds.Sets[k], e.set);
    EXPECT_EQ(ds.SetNames[static_cast<std::size_t>(k - 1)], ArrayTypeNames[e.set.Type]);
    for (int i = e.set.First; i <= e.set.Last; ++i) {
      const TDataPoint& p = ds.Points[i];
      EXPECT_FLOAT_EQ(p.Rho, e.rho[static_cast<std::size_t>(i - e.set.First)]);
      EXPECT_FLOAT_EQ(p.IP, p.Rho / 100.0f + 4.5f);  // chargeability travels with its point
    }
  }

  const TDataPoint& wenner = ds.Points[1];
  EXPECT_EQ(wenner.LineNo, 13);
  EXPECT_FLOAT_EQ(wenner.ZA, 1.5f);
  EXPECT_FLOAT_EQ(wenner.ZB, 1.2f);
  EXPECT_FLOAT_EQ(wenner.ZM, 1.4f);
  EXPECT_FLOAT_EQ(wenner.ZN, 1.3f);
  const TDataPoint& polePole = ds.Points[3];
  EXPECT_EQ(polePole.ElectrodeCount, 2);
  EXPECT_FLOAT_EQ(polePole.XB, 0.0f);
  EXPECT_FLOAT_EQ(polePole.XN, 2.0f);
  EXPECT_FLOAT_EQ(polePole.ZN, 1.3f);
  EXPECT_FLOAT_EQ(ds.Points[4].XB, 10.0f);
}

// Two points of a Wenner line measured at three times.
std::string TimeLapseFile(const std::string& secondPointTimes, const std::string& steps = "3",
                          const std::string& secondTime = "2.5") {
  return "Monitoring\r\n1\r\n1\r\n2\r\n0\r\n0\r\n"
         "Time-lapse data\r\nNumber of time sets\r\n" +
         steps + "\r\nTimes\r\nTime of set 1 is 0\r\nSet 2\r\n" + secondTime +
         "\r\nSet 3\r\n5\r\n"
         "0 1 100 110 120\r\n0 2 200 " +
         secondPointTimes + "\r\n0\r\n";
}

TEST_F(Res2dInvReaderTest, ExpandsTimeLapseDataIntoOneCopyPerTimeStep) {
  Read(TimeLapseFile("220 240"), 1);
  ASSERT_TRUE(messenger.entries.empty()) << messenger.Texts().front();
  EXPECT_EQ(ds.TimeSetCount, 3);
  EXPECT_EQ(ds.BaseSetCount, 1);
  EXPECT_FLOAT_EQ(ds.TimeSetTimes[1], 0.0f);
  EXPECT_FLOAT_EQ(ds.TimeSetTimes[2], 2.5f);
  EXPECT_FLOAT_EQ(ds.TimeSetTimes[3], 5.0f);

  ASSERT_EQ(ds.PointCount, 6);
  const float rho[] = {100, 200, 110, 220, 120, 240};
  for (int i = 1; i <= 6; ++i) {
    EXPECT_FLOAT_EQ(ds.Points[i].Rho, rho[i - 1]) << i;
    EXPECT_FLOAT_EQ(ds.Points[i].XA, ds.Points[(i - 1) % 2 + 1].XA) << i;
  }

  // Sets after the one that existed before the read.
  ASSERT_EQ(ds.SetCount, 3);
  EXPECT_EQ(ds.Sets[2], (TSetEntry{1, 2, Wenner}));
  EXPECT_EQ(ds.Sets[3], (TSetEntry{3, 4, Wenner}));
  EXPECT_EQ(ds.Sets[4], (TSetEntry{5, 6, Wenner}));
  ASSERT_EQ(ds.SetNames.size(), 4u);
  EXPECT_EQ(ds.SetNames[1], "Wenner (AMNB)");
  EXPECT_EQ(ds.SetNames[2], "Wenner (AMNB) Time set 2");
  EXPECT_EQ(ds.SetNames[3], "Wenner (AMNB) Time set 3");
  EXPECT_EQ(ds.SetSeqHeaders[4], ds.SetSeqHeaders[2]);
}

TEST_F(Res2dInvReaderTest, AnUnreadableTimeOnlyTellsTheOperator) {
  Read(TimeLapseFile("220 240", "3", "soon"));
  EXPECT_EQ(messenger.Texts(), std::vector<std::string>{"Error by reading Time-lapse parameters.1"});
  EXPECT_EQ(ds.PointCount, 6);
  EXPECT_EQ(ds.TimeSetTimes[2], 0.0f);
  EXPECT_EQ(ds.TimeSetTimes[3], 5.0f);
}

TEST_F(Res2dInvReaderTest, KeepsOneTimeStepWhenTheCopiesWouldNotFit) {
  // Just over a third of the capacity x 3 time steps exceed the point capacity.
  const int count = MaxPoints / 3 + 1;
  std::string text = "Monitoring\n1\n1\n" + std::to_string(count) + "\n0\n0\nT\n-\n3\n-\n-\n-\n1\n-\n2\n";
  for (int i = 1; i <= count; ++i) text += std::to_string(i) + " 1 " + std::to_string(i) + " 2 3\n";
  Read(text);
  EXPECT_EQ(messenger.Texts(), std::vector<std::string>{"Too many time-lapse data.\r\nMaximal data point number is " +
                                                         std::to_string(MaxPoints) +
                                                         "\r\nOnly the first time set is read."});
  EXPECT_EQ(messenger.entries.front().kind, MessageKind::Warning);
  EXPECT_EQ(ds.DataKind, DataKindResistivityOnly);
  EXPECT_EQ(ds.TimeSetCount, 0);
  ASSERT_EQ(ds.PointCount, count);
  EXPECT_EQ(ds.SetCount, 1);
  EXPECT_FLOAT_EQ(ds.Points[count].Rho, static_cast<float>(count));
}

TEST_F(Res2dInvReaderTest, RefusesBadHeaders) {
  const std::string general = "G\n1\n11\n0\nType of measurement\n";
  const struct {
    std::string text;
    std::string message;
  } cases[] = {
      {StandardFile(5, 0, {"0 1 1 10"}), "Unknown array type N 5"},
      {"T\n1\nWenner\n", "Unknown array type N Wenner"},
      {"T\n1\n1\n" + std::to_string(MaxPoints + 1) + "\n0\n0\n", "Too many data points\r\nMaximal data point number is " + std::to_string(MaxPoints)},
      {StandardFile(1, 2, {"0 1 10"}), "Unknown type of x-location 2"},
      {general + "0\n1\n0\n0\n4 0 0 3 0 1 0 2 0 10\n", "Unknown type of x-location 0"},
      {general + "2\n1\n1\n0\n4 0 0 3 0 1 0 2 0 10\n", "Unknown type of measurement 2"},
      {"T\nabc\n1\n", "Bad file format. 2-nd line."},
      {"", "Bad file format. Line 1"},
      {"T\n1\n1\n", "Bad file format. Line 4"},
      {"T\n1\n1\n0\n0\n0\n", "Bad file format. Line 4"},
      {std::string("\x7f\x00\x01\xff\n\x80\x81", 7), "Bad file format. 2-nd line."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    ds = TDataset{};
    ds.Memo = {"previous comment"};
    messenger.entries.clear();
    Read(c.text);
    ExpectNothingLoaded(c.message);
  }
}

TEST_F(Res2dInvReaderTest, RefusesBadDataLinesWithTheirNumber) {
  const std::string withIP = "IP\n1\n1\n2\n0\n1\nChargeability\nmsec\n0 1\n";
  const struct {
    std::string text;
    std::string message;
    int firstSet;
  } cases[] = {
      {StandardFile(1, 0, {"10 2 100", "12 2 1O0"}), "Error by reading app. resistivity. Line 8", 0},
      {StandardFile(1, 0, {"10 two 100"}), "Error by reading MN length. Line 7", 0},
      {StandardFile(1, 0, {"x 2 100"}), "Error by reading X location. Line 7", 0},
      {StandardFile(3, 0, {"0 1 1 50", "0 1 n 50"}), "Error by reading spacing. Line 8", 0},
      {StandardFile(6, 0, {"0 1 0 50"}), "Error by reading spacing. Line 7", 0},
      {withIP + "0 1 100 2.5\n2 1 100\n", "Error by reading app. chargeability. Line 11", 0},
      {"Cut\n1\n1\n3\n0\n0\n0 1 100\n1 1 100\n", "Error by reading X location. Line 9", 0},
      {TimeLapseFile("0 240"),
       "Error by reading app. resistivity for time-lapse data.\r\nData number - 2  Time set - 2", 0},
      {TimeLapseFile("220"),
       "Error by reading app. resistivity for time-lapse data.\r\nData number - 2  Time set - 3", 0},
      {TimeLapseFile("220 240", "three"), "Error by reading Time-lapse parameters.1", 0},
      {TimeLapseFile("220 240", std::to_string(MaxTimeSteps + 1)), "Too many time sets.\r\nMaximal number - " + std::to_string(MaxTimeSteps), 0},
      {GeneralFile({"5 0 0 3 0 1 0 2 0 10 1"}), "Error by reading a number of electrodes for Data N 1", 0},
      {GeneralFile({"4 0 0 3 0 1 0 2 0 10 1", "4 0 0 3 0 1 z 2 0 10 1"}),
       "Error by reading Y location for M electrode. Data N 14", 0},
      {GeneralFile({"3 0 0 1 0 n1 0 10 1"}), "Error by reading X location for N electrode. Data N 13", 0},
      {GeneralFile({"2 0 0 1 0 10"}), "Error by reading app. chargeability. Line 13", 0},
      // Numbers that are no values: not a number, infinities, beyond the float range.
      {StandardFile(1, 0, {"1e308 2 100"}), "Error by reading X location. Line 7", 0},
      {StandardFile(1, 0, {"10 1e308 100"}), "Error by reading MN length. Line 7", 0},
      {StandardFile(3, 0, {"0 1 1e308 50"}), "Error by reading spacing. Line 7", 0},
      {StandardFile(1, 0, {"10 2 nan"}), "Error by reading app. resistivity. Line 7", 0},
      {StandardFile(1, 0, {"10 2 100", "inf 2 100"}), "Error by reading X location. Line 8", 0},
      // Each fits a float, the electrodes they place do not.
      {StandardFile(1, 0, {"3e38 3e38 100"}), "Error by reading X location. Line 7", 0},
      {GeneralFile({"3 0 0 1 nan 2 0 10 1"}), "Error by reading Y location for M electrode. Data N 13", 0},
      {GeneralFile({"4 -3e38 0 3e38 0 -3e38 0 3e38 0 10 1"}),
       "Error by reading electrode coordinates.\r\nLine number - 13", 0},
      {StandardFile(1, 0, {"10 2 100"}), "Too many sets.\r\nMaximal number - " + std::to_string(MaxSets), MaxSets},
      {GeneralFile({"2 0 0 1 0 10 1"}), "Too many sets.\r\nMaximal number - " + std::to_string(MaxSets), MaxSets},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    ds = TDataset{};
    ds.Memo = {"previous comment"};
    messenger.entries.clear();
    Read(c.text, c.firstSet);
    ExpectNothingLoaded(c.message);
  }
}

TEST_F(Res2dInvReaderTest, ReadsTheTopographyBlock) {
  // More topography points than the capacity.
  const int beyond = MaxElectrodePositions + 9;
  std::string seventy = "2\n" + std::to_string(beyond) + "\n";
  for (int k = 1; k <= beyond; ++k) seventy += std::to_string(k) + " 100\n";
  const struct {
    const char* name;
    std::string tail;
    int count;
    int key;
    std::vector<std::string> messages;
  } cases[] = {
      {"none", "", 0, 2, {}},
      {"flag 0", "0\n0\n", 0, 2, {}},
      {"after a marker", "Topography\nTOPOGRAPHICAL DATA\n1\n2\n0 5\n4 6\n", 2, 1, {}},
      {"text without a marker", "Topography\n1\n2\n0 5\n4 6\n", 0, 2, {}},
      {"bad elevation", "1\n2\n0 5\n4 high\n", 0, 1, {"Error by reading Z coord. topography. N 2"}},
      {"missing entry", "1\n3\n0 5\n4 6\n", 0, 1, {"Error by reading X coord. topography. N 3"}},
      {"beyond capacity", seventy, MaxElectrodePositions, 2,
       {"Too many topo data.\r\nMaximal number - " + std::to_string(MaxElectrodePositions)}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ds = TDataset{};
    messenger.entries.clear();
    Read(StandardFile(1, 1, {"2 1 100", "3 1 100"}, c.tail));
    EXPECT_EQ(ds.DataKind, DataKindResistivityOnly);  // the data stay whatever the topography
    EXPECT_EQ(ds.PointCount, 2);
    EXPECT_EQ(ds.SetCount, 1);
    EXPECT_EQ(messenger.Texts(), c.messages);
    EXPECT_EQ(ds.TopoDistanceType, c.key);
    ASSERT_EQ(ds.ElectrodeXZCount, c.count);
    if (c.count > 0) {
      EXPECT_EQ(ds.ElectrodeXZ[c.count].X, c.count == 2 ? 4.0f : static_cast<float>(c.count));
    }
  }
}

TEST_F(Res2dInvReaderTest, MeasuredResistancesBecomeApparentResistivities) {
  // Wenner a = 1 (K = 2 pi) and dipole-dipole B A M N a = 2, n = 2
  // (K = 2 pi / (1/4 - 1/6 - 1/6 + 1/8) = 48 pi), in a file of an instrument
  // with label lines in front of its values.
  Read("Resistances\n1\n11\n0\nType of measurement (0=app.resistivity,1=resistance)\n1\n"
       "Number of data points\n2\nType of x-location\n1\nIP flag\n0\n"
       "4 0 0 3 0 1 0 2 0 10\n"
       "4 2 0 0 0 6 0 8 0 0.5\n");
  EXPECT_TRUE(messenger.entries.empty());
  ASSERT_EQ(ds.DataKind, DataKindResistivityOnly);
  ASSERT_EQ(ds.PointCount, 2);
  EXPECT_EQ(ds.SetCount, 2);
  const TDataPoint* wenner = &ds.Points[1];
  const TDataPoint* dipole = &ds.Points[2];
  if (wenner->PointType != Wenner) std::swap(wenner, dipole);
  EXPECT_EQ(wenner->PointType, Wenner);
  EXPECT_NEAR(wenner->Rho, TwoPi * 10, 1e-3);
  EXPECT_FLOAT_EQ(wenner->R, 10);
  EXPECT_EQ(dipole->PointType, DipoleDipole);
  EXPECT_NEAR(dipole->Rho, 48 * 3.14159265358979 * 0.5, 1e-3);
  EXPECT_FLOAT_EQ(dipole->R, 0.5f);
}

TEST_F(Res2dInvReaderTest, ResistancesOfCoincidentElectrodesAreRefusedWithTheirLine) {
  const std::string header = "R\n1\n11\n0\nType of measurement (0=app.resistivity,1=resistance)\n1\n2\n1\n0\n";
  Read(header + "4 0 0 3 0 1 0 2 0 10\n4 0 0 3 0 0 0 2 0 10\n");
  ExpectNothingLoaded("Error by calculation of the geometric factor: electrodes at the same place.\r\nLine 11");
}

TEST_F(Res2dInvReaderTest, ErrorEstimatesAreKeptInPercentOfTheValue) {
  const std::string block = "Error estimate for data present\nType of error estimate (0=same unit as data)\n0\n";
  const std::string generalIP =
      "G\n1.0\n11\n0\nType of measurement (0=app. resistivity,1=resistance)\n0\n1\n1\n1\nChargeability\nmV/V\n0.12,1.0\n";
  const struct {
    std::string name;
    std::string text;
    float err;  // percent
    float ip;
  } cases[] = {
      {"standard array", "S\n1\n1\n2\n1\n0\n" + block + "1.5 1 100 2\n2.5 1 100 2\n", 2, 0},
      {"block without its type lines", "S\n1\n1\n1\n1\n0\nError estimate for data present\n1.5 1 100 2\n", 2, 0},
      {"general array", generalIP + block + "4 0 0 3 0 1 0 2 0 50 5 7.5 0.2\n", 10, 7.5f},
      {"general array, no error of the chargeability", generalIP + block + "4 0 0 3 0 1 0 2 0 50 5 7.5\n", 10, 7.5f},
      {"resistances", "R\n1\n11\n0\nType of measurement\n1\n1\n1\n0\n" + block + "4 0 0 3 0 1 0 2 0 10 0.3\n",
       3, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ds = TDataset{};
    messenger.entries.clear();
    Read(c.text);
    EXPECT_TRUE(messenger.entries.empty()) << (messenger.entries.empty() ? "" : messenger.entries[0].text);
    ASSERT_GE(ds.PointCount, 1);
    EXPECT_TRUE(ds.HasErrors);
    EXPECT_NEAR(ds.Points[1].Err, c.err, 1e-4);
    EXPECT_FLOAT_EQ(ds.Points[1].IP, c.ip);
  }
}

TEST_F(Res2dInvReaderTest, RefusesBadErrorEstimates) {
  const struct {
    std::string text;
    std::string message;
  } cases[] = {
      {"S\n1\n1\n1\n1\n0\nError estimate for data present\nType of error estimate\n2\n1.5 1 100 2\n",
       "Unknown type of error estimate 2"},
      {"S\n1\n1\n1\n1\n0\nError estimate for data present\nType of error estimate\n0\n1.5 1 100\n",
       "Error by reading error estimate. Line 10"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    ds = TDataset{};
    ds.Memo = {"previous comment"};
    messenger.entries.clear();
    Read(c.text);
    ExpectNothingLoaded(c.message);
    EXPECT_FALSE(ds.HasErrors);
  }
}

TEST_F(Res2dInvReaderTest, RemoteElectrodesAreKeptWhereTheFileSays) {
  const struct {
    std::string name;
    std::string text;
    bool hasN;
    int points;
  } cases[] = {
      {"pole-dipole", "PD\n1\n6\nRemote electrodes included\nC2 electrode location\n-1000.0,0.0,2.5\n"
                      "Exact Geometric factor used\n2\n1\n0\n3 1 1 10\n3 1 -1 12\n", false, 2},
      {"pole-pole", "PP\n1\n2\nRemote electrodes included\nC2\n-500, 0, 0\nP2\n900,0,1\n"
                    "Exact Geometric factor used\n1\n1\n0\n2.5 1 10\n", true, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ds = TDataset{};
    messenger.entries.clear();
    Read(c.text);
    EXPECT_TRUE(messenger.entries.empty()) << (messenger.entries.empty() ? "" : messenger.entries[0].text);
    ASSERT_EQ(ds.PointCount, c.points);
    ASSERT_TRUE(ds.RemoteElectrodes.HasB);
    EXPECT_EQ(ds.RemoteElectrodes.HasN, c.hasN);
    EXPECT_FLOAT_EQ(ds.RemoteElectrodes.XB, c.hasN ? -500.0f : -1000.0f);
    EXPECT_FLOAT_EQ(ds.RemoteElectrodes.ZB, c.hasN ? 0.0f : 2.5f);
    if (c.hasN) {
      EXPECT_FLOAT_EQ(ds.RemoteElectrodes.XN, 900.0f);
      EXPECT_FLOAT_EQ(ds.RemoteElectrodes.ZN, 1.0f);
    }
    // The points stay pole arrays.
    EXPECT_FLOAT_EQ(ds.Points[1].XB, ds.Points[1].XA);
  }

  ds = TDataset{};
  ds.Memo = {"previous comment"};
  messenger.entries.clear();
  Read("PD\n1\n6\nRemote electrodes included\nC2 electrode location\nfar\n2\n1\n0\n3 1 1 10\n");
  ExpectNothingLoaded("Error by reading the position of remote electrode C2. Line 6");
  EXPECT_FALSE(ds.RemoteElectrodes.HasB);
}

TEST_F(Res2dInvReaderTest, WhatFollowsTheDataEndsTheReadWithWhatWasRead) {
  const std::string topography = "2\n3\n0 5\n1 6\n2 7\n1\n";
  const struct {
    std::string name;
    std::string text;
    int points;
    int topo;
    std::size_t messages;
  } cases[] = {
      {"global coordinates after the topography",
       StandardFile(1, 1, {"1.5 1 100", "2.5 1 110"},
                    topography + "Global Coordinates present\nNumber of coordinate points\n2\n0 0 500000 4000000\n"
                                 "3 0 500003 4000000\n0\n0\n"),
       2, 3, 0},
      {"additional measurements and a second section",
       StandardFile(1, 1, {"1.5 1 100", "2.5 1 110"},
                    topography + "Additional measurements\n0\nGeneral array format\n11\n0\n"),
       2, 3, 0},
      {"a program footer", StandardFile(1, 1, {"1.5 1 100", "2.5 1 110"}, "0\n0\n0\n0\nRES2DINV version 4.10\n"), 2, 0,
       0},
      {"general array data followed by sections",
       GeneralFile({"4 0 0 3 0 1 0 2 0 50 5", "4 1 0 4 0 2 0 3 0 55 6"}) +
           "Topography in separate list\n0\nGlobal Coordinates present\n1\n0 0 0\n0\n0\n",
       2, 5, 0},
      {"a section where data were announced",
       "S\n1\n1\n4\n1\n0\n1.5 1 100\n2.5 1 110\nGlobal Coordinates present\n1\n0 0 0\n", 2, 0, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ds = TDataset{};
    messenger.entries.clear();
    Read(c.text);
    EXPECT_EQ(messenger.entries.size(), c.messages);
    ASSERT_EQ(ds.DataKind, DataKindResistivityOnly);
    EXPECT_EQ(ds.PointCount, c.points);
    EXPECT_EQ(static_cast<int>(ds.Points.Storage().size()), c.points);
    EXPECT_EQ(ds.ElectrodeXZCount, c.topo);
  }
  EXPECT_EQ(messenger.entries.front().kind, MessageKind::Warning);
}

TEST_F(Res2dInvReaderTest, ReportsAFileThatCannotBeOpened) {
  ReadIntoDataset(ds, ReadRes2dInv, {(folder / "missing.dat").string(), 0}, env);
  EXPECT_EQ(ds.DataKind, DataKindNone);
  EXPECT_EQ(ds.PointCount, 0);
  ASSERT_EQ(messenger.entries.size(), 1u);
  EXPECT_FALSE(messenger.entries.front().text.empty());
}

}  // namespace
}  // namespace tarvo
