#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/array_types.h"
#include "engine/core/bad_points.h"
#include "engine/core/dataset.h"
#include "engine/core/messenger.h"
#include "engine/core/numbers.h"
#include "engine/import/read_environment.h"
#include "engine/import/sensinv_reader.h"
#include "test_files.h"

namespace tarvo {
namespace {

// Four electrodes 1 m apart, sloping down by 0.5 m each.
constexpr const char* Geometry = "1 0 100.5\n2 1 100\n3 2 99.5\n4 3 99\n";
// A Wenner quadripole A M N B, then a forward pole-dipole A M N.
constexpr const char* Configuration = "4 1 -4 2 3\n3 1 2 3\n";
// Their geometric factors: 2 pi a for Wenner, 2 pi / (1/AM - 1/AN) for the pole-dipole.
constexpr double WennerK = TwoPi;
constexpr double PoleDipoleK = 2 * TwoPi;

struct Reading {
  TDataset ds;
  RecordingMessenger messenger;
};

void Read(Reading& r, const std::string& dataFile, int firstSet = 0) {
  ReadEnvironment env{r.messenger, {}, nullptr};
  ReadIntoDataset(r.ds, ReadSensInv, {dataFile, firstSet}, env);
}

void ExpectNothingLoaded(const Reading& r) {
  EXPECT_EQ(r.ds.DataKind, DataKindNone);
  EXPECT_EQ(r.ds.PointCount, 0);
  EXPECT_EQ(r.ds.SetCount, 0);
}

TEST(ReadSensInv, DataFileExtensionDecidesTheValues) {
  struct Case {
    const char* extension;
    const char* data;
    float kind;
    double rho1, rho2;  // expected apparent resistivities of the two lines
  };
  const Case cases[] = {
      {".ui", "10 2\n4 2\n", DataKindTextWithVI, 5 * WennerK, 2 * PoleDipoleK},
      {".ars", "120\n80\n", DataKindResistivityOnly, 120, 80},
      {".imp", "3\n0.5\n", DataKindResistivityOnly, 3 * WennerK, 0.5 * PoleDipoleK},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.extension);
    test::ScratchFolder folder;
    folder.Write("line.gem", Geometry);
    folder.Write("line.sen", Configuration);
    Reading r;
    const std::string dataFile = folder.Write(std::string("line") + c.extension, c.data);
    Read(r, dataFile, 2);

    EXPECT_TRUE(r.messenger.entries.empty());
    ASSERT_EQ(r.ds.DataKind, c.kind);
    ASSERT_EQ(r.ds.PointCount, 2);
    EXPECT_NEAR(r.ds.Points[1].Rho, c.rho1, 1e-4);
    EXPECT_NEAR(r.ds.Points[2].Rho, c.rho2, 1e-4);

    // One set per array type, numbered behind the two existing sets.
    ASSERT_EQ(r.ds.SetCount, 2);
    EXPECT_EQ(r.ds.Sets[3], (TSetEntry{1, 1, Wenner}));
    EXPECT_EQ(r.ds.Sets[4], (TSetEntry{2, 2, ForwardPoleDipole}));
    EXPECT_TRUE(r.ds.ReadOnlyData);
    EXPECT_EQ(r.ds.SetFileHeaders[3].OperatorText(), "Sen2dInv");
    EXPECT_EQ(r.ds.SetFileHeaders[3].CommentsText(), "");
    EXPECT_EQ(r.ds.Memo, std::vector<std::string>{dataFile});

    const TDataPoint& wenner = r.ds.Points[1];
    EXPECT_EQ(wenner.ElectrodeCount, 4);
    EXPECT_FLOAT_EQ(wenner.XB, 3.0f);
    EXPECT_FLOAT_EQ(wenner.ZA, 100.5f);
    EXPECT_FLOAT_EQ(wenner.ZB, 99.0f);
    const TDataPoint& poleDipole = r.ds.Points[2];
    EXPECT_EQ(poleDipole.ElectrodeCount, 3);
    EXPECT_EQ(poleDipole.XB, poleDipole.XA);  // the remote B follows A
    EXPECT_FLOAT_EQ(r.ds.Electrodes[4].X, 3.0f);
    EXPECT_FLOAT_EQ(r.ds.Electrodes[4].Z, 99.0f);
  }
}

TEST(ReadSensInv, VoltageAndCurrentAreKept) {
  test::ScratchFolder folder;
  folder.Write("line.gem", Geometry);
  folder.Write("line.sen", Configuration);
  Reading r;
  Read(r, folder.Write("line.ui", "10 2\n3 0\n"));
  ASSERT_EQ(r.ds.PointCount, 2);
  EXPECT_FLOAT_EQ(r.ds.Points[1].V, 10.0f);
  EXPECT_FLOAT_EQ(r.ds.Points[1].I, 2.0f);
  EXPECT_EQ(r.ds.Points[1].Q, 0);
  // No current: kept as a rejected measurement rather than an infinite value.
  EXPECT_EQ(r.ds.Points[2].Q, QRejected);
  EXPECT_EQ(r.ds.Points[2].Rho, -1.0f);
}

TEST(ReadSensInv, AcceptsTheLayoutsOfRealFiles) {
  // CR LF, tabs and commas, trailing blank lines, no end on the last line and
  // companions with upper-case extensions.
  test::ScratchFolder folder;
  folder.Write("LINE.GEM", "1\t0\t100.5\r\n2,1,100\r\n3 2 99.5\r\n4  3  99\r\n\r\n  \r\n");
  folder.Write("LINE.SEN", "4\t1\t-4\t2\t3\r\n3, 1, 2, 3");
  Reading r;
  Read(r, folder.Write("LINE.IMP", "3\t\r\n0.5\r\n\r\n"));
  EXPECT_TRUE(r.messenger.entries.empty());
  ASSERT_EQ(r.ds.PointCount, 2);
  EXPECT_NEAR(r.ds.Points[1].Rho, 3 * WennerK, 1e-4);
  EXPECT_NEAR(r.ds.Points[2].Rho, 0.5 * PoleDipoleK, 1e-4);
}

TEST(ReadSensInv, MissingCompanionIsNamed) {
  for (const char* missing : {".gem", ".sen"}) {
    SCOPED_TRACE(missing);
    test::ScratchFolder folder;
    if (std::string(missing) != ".gem") folder.Write("line.gem", Geometry);
    if (std::string(missing) != ".sen") folder.Write("line.sen", Configuration);
    Reading r;
    Read(r, folder.Write("line.ars", "120\n80\n"));
    EXPECT_EQ(r.messenger.Texts(),
              std::vector<std::string>{"File is not found\n\r" + folder.PathOf(std::string("line") + missing)});
    ExpectNothingLoaded(r);
  }
}

TEST(ReadSensInv, MalformedInputIsRefused) {
  std::string manyLines;
  for (int i = 0; i <= MaxPoints; ++i) manyLines += "1\n";
  struct Case {
    const char* name;
    std::string gem, sen, extension, data;
    std::string message;
  };
  const Case cases[] = {
      // A M N with M and N symmetric about A: both halves of K vanish.
      {"zero factor", Geometry, "4 1 -4 2 3\n3 2 1 3\n", ".imp", "3\n1\n",
       "Error by calcualtion of app. resistivity\r\nLine number - 2"},
      {"current on potential electrode", Geometry, "4 1 -4 1 3\n", ".imp", "3\n",
       "Error by calcualtion of app. resistivity\r\nLine number - 1"},
      {"bad value", Geometry, Configuration, ".imp", "3\n2;5\n", "Error by reading data\r\nLine number - 2"},
      {"no current", Geometry, Configuration, ".ui", "10\n", "Error by reading data current\r\nLine number - 1"},
      {"bad electrode number", "1 0 0\nx 1 0\n", Configuration, ".ars", "1\n",
       "Error by reading the number of electrode coordinate\r\nLine number - 1"},
      {"electrode beyond capacity", std::to_string(MaxElectrodes + 1) + " 0 0\n", Configuration, ".ars", "1\n",
       "Bad number of electrode " + std::to_string(MaxElectrodes + 1) + "\r\nLine number - 0\r\nMaximal number is " +
           std::to_string(MaxElectrodes)},
      {"bad x", "1 0 0\n2 one 0\n", Configuration, ".ars", "1\n",
       "Error by reading X coordinate\r\nElectrode number - 1"},
      {"missing z", "1 0\n", Configuration, ".ars", "1\n", "Error by reading Z coordinate\r\nElectrode number - 0"},
      {"bad electrode count token", Geometry, "four 1 -4 2 3\n", ".ars", "1\n",
       "Error by reading the number of electrodes\r\nLine number - 1"},
      {"five electrodes", Geometry, "5 1 -4 2 3\n", ".ars", "1\n", "Bad number of electrodes 5\r\nLine number - 1"},
      {"bad electrode", Geometry, "4 1 -4 M 3\n", ".ars", "1\n",
       "Error by reading electrodes\r\nLine number - 1 Electrode - M"},
      {"absent A", Geometry, "4 0 -4 2 3\n", ".ars", "1\n",
       "Error by reading electrodes\r\nLine number - 1 Electrode - A"},
      {"electrode not in geometry", Geometry, "4 1 -9 2 3\n", ".ars", "1\n",
       "Electrode 9 is not in the geometry file\r\nLine number - 1"},
      {"configuration shorter than data", Geometry, "4 1 -4 2 3\n", ".ars", "1\n2\n",
       "Error by reading the number of electrodes\r\nLine number - 2"},
      {"too many data", Geometry, Configuration, ".ars", manyLines,
       "Too many data points\r\nMaximal data point number is " + std::to_string(MaxPoints)},
      {"binary garbage", Geometry, Configuration, ".ars", std::string("\x01\xff\0\x7f", 4),
       "Error by reading data\r\nLine number - 1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::ScratchFolder folder;
    folder.Write("line.gem", c.gem);
    folder.Write("line.sen", c.sen);
    Reading r;
    Read(r, folder.Write("line" + c.extension, c.data));
    EXPECT_EQ(r.messenger.Texts(), std::vector<std::string>{c.message});
    ExpectNothingLoaded(r);
  }
}

TEST(ReadSensInv, EmptyOrUnreadableDataFileLoadsNothing) {
  test::ScratchFolder folder;
  folder.Write("line.gem", Geometry);
  folder.Write("line.sen", Configuration);
  {
    Reading r;
    const std::string empty = folder.Write("line.ars", "\n\n");
    Read(r, empty);
    EXPECT_EQ(r.messenger.Texts(), std::vector<std::string>{"No data in file\r\n" + empty});
    ExpectNothingLoaded(r);
  }
  {
    // The data file itself is missing: the platform's message.
    Reading r;
    Read(r, folder.PathOf("line.imp"));
    ASSERT_EQ(r.messenger.entries.size(), 1u);
    EXPECT_FALSE(r.messenger.entries[0].text.empty());
    ExpectNothingLoaded(r);
  }
}

}  // namespace
}  // namespace tarvo
