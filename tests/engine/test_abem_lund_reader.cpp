#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/array_types.h"
#include "engine/core/numbers.h"
#include "engine/import/abem_lund_reader.h"
#include "engine/import/syscal_template.h"
#include "test_files.h"

namespace tarvo {
namespace {

// A LUND data file: two protocols at stations 0 and 20, the first of
// resistances (Wenner a = 5, K = 10 pi), the second of apparent
// resistivities (Schlumberger), with comments after "{".
std::string LundFile(const std::string& firstName = "Survey line 3 {a comment}",
                     const std::string& secondCode = "7") {
  return firstName + "\r\n"
         "0.0 {first station}\r\n"
         "2022-05-03 10:00 SAS4000 2.1\r\n"
         "5.0 {electrode spacing}\r\n"
         "2 {protocols}\r\n"
         "WEN64XL 1\r\n"
         "WEN64XL.ORG\r\n"
         "2 1 {readings, resistances}\r\n"
         "0\r\n"
         "2022-05-03\r\n"
         "-7.5 7.5 -2.5 2.5 1.0 0.5 4 4\r\n"
         "-2.5 12.5 2.5 7.5 2.0 150 4 4\r\n"
         "SCHL " + secondCode + "\r\n"
         "SCHL.UP\r\n"
         "1 0\r\n"
         "20\r\n"
         "2022-05-03\r\n"
         "-10 10 -2.5 2.5 150 3.4 2 2\r\n";
}

class AbemLundReaderTest : public ::testing::Test {
protected:
  test::ScratchFolder scratch;
  TDataset ds;
  RecordingMessenger messenger;
  ReadEnvironment env{messenger, "", nullptr};

  void SetUp() override {
    const auto bytes = MakeTemplateBytes();
    env.templatePath = scratch.Write(TemplateFileName, std::string(bytes.begin(), bytes.end()));
  }

  void Read(const std::string& text) {
    ds = TDataset{};
    messenger.entries.clear();
    ReadIntoDataset(ds, ReadAbemLund, {scratch.Write("line.ohm", text), 0}, env);
  }
};

TEST_F(AbemLundReaderTest, ReadingsOfEveryProtocolArePlacedFromTheirStation) {
  Read(LundFile());
  EXPECT_TRUE(messenger.entries.empty()) << messenger.entries.front().text;
  ASSERT_EQ(ds.DataKind, DataKindResistivityOnly);
  ASSERT_EQ(ds.PointCount, 3);
  EXPECT_TRUE(ds.ReadOnlyData);
  EXPECT_EQ(ds.FileHeader.CommentsText(), "Survey line 3");
  EXPECT_EQ(ds.FileHeader.OperatorText(), "ABEM");
  // Wenner and Schlumberger points are one Schlumberger set.
  ASSERT_EQ(ds.SetCount, 1);
  EXPECT_EQ(ds.Sets[1], (TSetEntry{1, 3, Schlumberger}));

  const TDataPoint& first = ds.Points[1];
  EXPECT_FLOAT_EQ(first.XA, -7.5f);
  EXPECT_FLOAT_EQ(first.XB, 7.5f);
  EXPECT_FLOAT_EQ(first.XM, -2.5f);
  EXPECT_FLOAT_EQ(first.XN, 2.5f);
  EXPECT_NEAR(first.Rho, TwoPi * 5 * 1.0, 1e-3);
  EXPECT_FLOAT_EQ(first.R, 1.0f);
  EXPECT_FLOAT_EQ(first.Dev, 0.5f);
  EXPECT_EQ(first.Q, 1);
  EXPECT_EQ(first.LineNo, 11);
  EXPECT_EQ(ds.Points[2].Q, 100);  // variation coefficient beyond 100 %

  const TDataPoint& third = ds.Points[3];
  EXPECT_FLOAT_EQ(third.XA, 10.0f);
  EXPECT_FLOAT_EQ(third.XB, 30.0f);
  EXPECT_FLOAT_EQ(third.XM, 17.5f);
  EXPECT_FLOAT_EQ(third.Rho, 150.0f);
  EXPECT_FLOAT_EQ(third.R, 0.0f);
  EXPECT_EQ(third.Q, 3);
}

TEST_F(AbemLundReaderTest, FilesOfAGridOfCablesAreRefused) {
  const std::string refusal =
      "This ABEM LUND file holds 3D data (a grid of cables); Tarvo reads data of one line only.";
  for (const std::string& text : {LundFile("Grid 3D b dist= 5.0"), LundFile("Survey", "12")}) {
    Read(text);
    EXPECT_EQ(ds.DataKind, DataKindNone);
    EXPECT_EQ(ds.PointCount, 0);
    EXPECT_EQ(messenger.Texts(), std::vector<std::string>{refusal});
  }
}

TEST_F(AbemLundReaderTest, MalformedFilesAreRefusedWithTheirLine) {
  std::string tooMany = "Many\r\n0\r\nd\r\n1\r\n1\r\nWEN 1\r\nW.ORG\r\n" + std::to_string(MaxPoints + 1) + " 0\r\n0\r\nd\r\n";
  for (int i = 0; i <= MaxPoints; ++i) tooMany += "0 3 1 2 100 0.1 1 1\r\n";
  const struct {
    std::string name;
    std::string text;
    std::string message;
  } cases[] = {
      {"empty", "", "Error by reading ABEM LUND data: the survey name.\r\nLine 1"},
      {"no protocol count", "S\r\n0\r\nd\r\n5\r\nmany\r\n",
       "Error by reading ABEM LUND data: the number of protocols.\r\nLine 5"},
      {"bad reading flag", "S\r\n0\r\nd\r\n5\r\n1\r\nW 1\r\nW.ORG\r\n1 3\r\n0\r\nd\r\n0 3 1 2 1 0.1 1 1\r\n",
       "Error by reading ABEM LUND data: the reading count and value flag of protocol 1.\r\nLine 8"},
      {"short reading", "S\r\n0\r\nd\r\n5\r\n1\r\nW 1\r\nW.ORG\r\n2 1\r\n0\r\nd\r\n0 3 1 2 1 0.1 1 1\r\n0 3 1\r\n",
       "Error by reading ABEM LUND data: the position of P2.\r\nLine 12"},
      {"missing reading", "S\r\n0\r\nd\r\n5\r\n1\r\nW 1\r\nW.ORG\r\n2 1\r\n0\r\nd\r\n0 3 1 2 1 0.1 1 1\r\n",
       "Error by reading ABEM LUND data: the reading 2 of protocol 1.\r\nLine 12"},
      {"coincident electrodes", "S\r\n0\r\nd\r\n5\r\n1\r\nW 1\r\nW.ORG\r\n1 1\r\n0\r\nd\r\n0 3 0 2 1 0.1 1 1\r\n",
       "Error by calculation of the geometric factor: electrodes at the same place.\r\nLine 11"},
      {"too many readings", tooMany, "Too many data points\r\nMaximal data point number is " + std::to_string(MaxPoints)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Read(c.text);
    EXPECT_EQ(ds.DataKind, DataKindNone);
    EXPECT_EQ(ds.PointCount, 0);
    EXPECT_TRUE(ds.Points.Empty());
    EXPECT_EQ(messenger.Texts(), std::vector<std::string>{c.message});
  }
}

}  // namespace
}  // namespace tarvo
