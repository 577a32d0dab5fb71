#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/array_types.h"
#include "engine/core/bad_points.h"
#include "engine/core/layout_analysis.h"
#include "engine/core/numbers.h"
#include "engine/export/unified_writer.h"
#include "engine/import/syscal_template.h"
#include "engine/import/unified_reader.h"
#include "test_files.h"

namespace tarvo {
namespace {

// Six electrodes at 1 m on a slope; two Wenner data and one dipole-dipole
// datum with relative errors and chargeabilities.
constexpr const char* Survey =
    "6# Number of electrodes\r\n"
    "# x z\r\n"
    "0 0\r\n1 0.5\r\n2 1\r\n3 1.5 # loose ground\r\n4 2\r\n5 2.5\r\n"
    "3# Number of data\r\n"
    "# a b m n rhoa err ip\r\n"
    "1 4 2 3 120 0.025 7\r\n"
    "2 5 3 4 130 0.015 8\r\n"
    "1 2 5 6 140 0.01 9\r\n";

class UnifiedDataTest : public ::testing::Test {
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
    ReadIntoDataset(ds, ReadUnifiedData, {scratch.Write("line.dat", text), 0}, env);
  }
};

TEST_F(UnifiedDataTest, NamedColumnsGiveThePointsAndTheirValues) {
  Read(Survey);
  EXPECT_TRUE(messenger.entries.empty()) << messenger.entries.front().text;
  ASSERT_EQ(ds.DataKind, DataKindResistivityOnly);
  ASSERT_EQ(ds.PointCount, 3);
  ASSERT_EQ(ds.SetCount, 2);
  EXPECT_EQ(ds.Sets[1], (TSetEntry{1, 2, Wenner}));
  EXPECT_EQ(ds.Sets[2], (TSetEntry{3, 3, DipoleDipole}));
  const TDataPoint& p = ds.Points[2];
  EXPECT_FLOAT_EQ(p.XA, 1);
  EXPECT_FLOAT_EQ(p.XB, 4);
  EXPECT_FLOAT_EQ(p.XM, 2);
  EXPECT_FLOAT_EQ(p.XN, 3);
  EXPECT_FLOAT_EQ(p.ZA, 0.5f);
  EXPECT_FLOAT_EQ(p.ZN, 1.5f);
  EXPECT_FLOAT_EQ(p.Rho, 130);
  EXPECT_FLOAT_EQ(p.Err, 1.5f);
  EXPECT_FLOAT_EQ(p.IP, 8);
  EXPECT_TRUE(ds.HasErrors);
  EXPECT_TRUE(ds.HasIP);
  EXPECT_EQ(ds.ElectrodeXZCount, 6);
}

TEST_F(UnifiedDataTest, ValuesComeFromWhateverColumnsTheFileHas) {
  const std::string electrodes = "4\r\n# x y z\r\n0 0 0\r\n1 0 0\r\n2 0 0\r\n3 0 0\r\n";
  const double wennerK = TwoPi;  // a = 1
  const struct {
    std::string name;
    std::string text;
    float rho;
    float kind;
    float v, i;
    int q;
  } cases[] = {
      {"unnamed columns with the relative error", "4\r\n0\r\n1\r\n2\r\n3\r\n1\r\n1 4 2 3 55.5 0.02\r\n", 55.5f,
       DataKindResistivityOnly, 0, 0, 0},
      {"unnamed columns without the error", "4\r\n0\r\n1\r\n2\r\n3\r\n1\r\n1 4 2 3 55.5\r\n", 55.5f,
       DataKindResistivityOnly, 0, 0, 0},
      {"resistance and factor", electrodes + "1\r\n# a b m n r k\r\n1 4 2 3 2 10\r\n", 20, DataKindResistivityOnly, 0, 0,
       0},
      {"resistance alone", electrodes + "1\r\n# a b m n r\r\n1 4 2 3 2\r\n", static_cast<float>(2 * wennerK),
       DataKindResistivityOnly, 0, 0, 0},
      {"voltage and current in their units", electrodes + "1\r\n# a b m n u/mV i/mA\r\n1 4 2 3 30 10\r\n",
       static_cast<float>(3 * wennerK), DataKindTextWithVI, 30, 10, 0},
      {"voltage and current in volts and amperes", electrodes + "1\r\n# A B M N U I valid\r\n1 4 2 3 0.03 0.01 0\r\n",
       static_cast<float>(3 * wennerK), DataKindTextWithVI, 30, 10, 100},
      {"height as y", "4\r\n# x y\r\n0 5\r\n1 5\r\n2 5\r\n3 5\r\n1\r\n# a b m n rhoa\r\n1 4 2 3 80\r\n", 80,
       DataKindResistivityOnly, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Read(c.text);
    EXPECT_TRUE(messenger.entries.empty()) << messenger.entries.front().text;
    ASSERT_EQ(ds.PointCount, 1);
    EXPECT_EQ(ds.DataKind, c.kind);
    EXPECT_NEAR(ds.Points[1].Rho, c.rho, 1e-3);
    EXPECT_FLOAT_EQ(ds.Points[1].V, c.v);
    EXPECT_FLOAT_EQ(ds.Points[1].I, c.i);
    EXPECT_EQ(ds.Points[1].Q, c.q);
    EXPECT_EQ(ds.Points[1].PointType, Wenner);
  }
  EXPECT_FLOAT_EQ(ds.Points[1].ZA, 5);
}

TEST_F(UnifiedDataTest, ElectrodeZeroIsARemoteOne) {
  Read("4\r\n0\r\n1\r\n2\r\n3\r\n2\r\n# a b m n rhoa\r\n1 0 2 3 50\r\n0 4 0 2 60\r\n");
  EXPECT_TRUE(messenger.entries.empty()) << messenger.entries.front().text;
  ASSERT_EQ(ds.PointCount, 2);
  EXPECT_EQ(ds.Points[1].ElectrodeCount, 3);
  EXPECT_EQ(ds.Points[1].PointType, ForwardPoleDipole);
  EXPECT_EQ(ds.Points[2].ElectrodeCount, 2);
  EXPECT_EQ(ds.Points[2].PointType, PolePole);
  EXPECT_FLOAT_EQ(ds.Points[2].XA, 3);
  EXPECT_FLOAT_EQ(ds.Points[2].XM, 1);
}

TEST_F(UnifiedDataTest, MalformedFilesAreRefusedWithTheirMessage) {
  const struct {
    std::string name;
    std::string text;
    std::string message;
  } cases[] = {
      {"empty", "", "Error by reading unified data: the number of electrodes.\r\nLine 1"},
      {"missing electrode", "3\r\n0\r\n1\r\n", "Error by reading unified data: electrode 3.\r\nLine 3"},
      {"electrode not a number", "2\r\n0\r\none\r\n1\r\n1 2 1 2 5\r\n",
       "Error by reading unified data: electrode 2.\r\nLine 3"},
      {"off one line", "2\r\n# x y z\r\n0 1 2\r\n1 1 2\r\n1\r\n1 2 1 2 5\r\n",
       "The electrodes of this file are not on one line (they have x, y and z coordinates); Tarvo reads data of "
       "one line only."},
      {"electrode beyond the list", "2\r\n0\r\n1\r\n1\r\n1 3 1 2 5\r\n",
       "Error by reading unified data: the electrodes of datum 1.\r\nLine 5"},
      {"missing datum", "4\r\n0\r\n1\r\n2\r\n3\r\n2\r\n1 4 2 3 5\r\n",
       "Error by reading unified data: datum 2.\r\nLine 7"},
      {"bad value", "4\r\n0\r\n1\r\n2\r\n3\r\n1\r\n# a b m n rhoa\r\n1 4 2 3 high\r\n",
       "Error by reading unified data: column rhoa of datum 1.\r\nLine 8"},
      {"no value columns", "4\r\n0\r\n1\r\n2\r\n3\r\n1\r\n# a b m n ip\r\n1 4 2 3 5\r\n",
       "The data of this file give no apparent resistivity (rhoa), resistance (r) or voltage and current (u, i)."},
      {"coincident electrodes", "4\r\n0\r\n1\r\n2\r\n3\r\n1\r\n# a b m n r\r\n1 4 1 3 5\r\n",
       "Error by calculation of the geometric factor: electrodes at the same place.\r\nLine 8"},
      {"too many data", "2\r\n0\r\n1\r\n" + std::to_string(MaxPoints + 1) + "\r\n",
       "Too many data points\r\nMaximal data point number is " + std::to_string(MaxPoints)},
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

TEST_F(UnifiedDataTest, WrittenDataReadBackAsTheyWere) {
  Read(Survey);
  ASSERT_EQ(ds.PointCount, 3);
  AnalyseLayout(ds, messenger);
  CountBadPoints(ds);
  const std::string path = scratch.PathOf("out.dat");
  ASSERT_TRUE(WriteUnifiedData(ds, ExportOptions{}, path, messenger));
  EXPECT_TRUE(messenger.entries.empty());
  EXPECT_EQ(test::SplitCrlf(test::ReadWhole(path)),
            (std::vector<std::string>{"6", "# x z", "0 0", "1 0.5", "2 1", "3 1.5", "4 2", "5 2.5", "3",
                                      "# a b m n rhoa k err ip", "1 4 2 3 120 6.2832 0.025 7",
                                      "2 5 3 4 130 6.2832 0.015 8",
                                      "1 2 5 6 140 " + FormatValue(GeometricFactor(0, 1, 4, 5), 2) + " 0.01 9"}));

  const TDataset before = ds;
  Read(test::ReadWhole(path));
  ASSERT_EQ(ds.PointCount, before.PointCount);
  for (int i = 1; i <= ds.PointCount; ++i) {
    EXPECT_FLOAT_EQ(ds.Points[i].Rho, before.Points[i].Rho);
    EXPECT_FLOAT_EQ(ds.Points[i].XA, before.Points[i].XA);
    EXPECT_FLOAT_EQ(ds.Points[i].ZN, before.Points[i].ZN);
    EXPECT_FLOAT_EQ(ds.Points[i].Err, before.Points[i].Err);
  }
}

TEST_F(UnifiedDataTest, RemoteElectrodesAreWrittenWhereTheFileSaidTheyStand) {
  Read("3\r\n0\r\n1\r\n2\r\n1\r\n# a b m n rhoa\r\n1 0 2 3 50\r\n");
  ASSERT_EQ(ds.PointCount, 1);
  AnalyseLayout(ds, messenger);
  ds.RemoteElectrodes.HasB = true;
  ds.RemoteElectrodes.XB = -100;
  const UnifiedText placed = UnifiedDataText(ds, ExportOptions{});
  EXPECT_EQ(test::SplitCrlf(placed.Text),
            (std::vector<std::string>{"4", "# x z", "0 0", "1 0", "2 0", "-100 0", "1", "# a b m n rhoa k",
                                      "1 4 2 3 50 " + FormatValue(GeometricFactor(0, -100, 1, 2), 2)}));
  ds.RemoteElectrodes = TRemoteElectrodes{};
  EXPECT_EQ(test::SplitCrlf(UnifiedDataText(ds, ExportOptions{}).Text).back(),
            "1 0 2 3 50 " + FormatValue(GeometricFactor(0, 0, 1, 2, {true, false, true, true}), 2));
}

}  // namespace
}  // namespace tarvo
