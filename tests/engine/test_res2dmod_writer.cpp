#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/core/array_types.h"
#include "engine/core/bad_points.h"
#include "engine/core/dataset.h"
#include "engine/core/layout_analysis.h"
#include "engine/core/messenger.h"
#include "engine/core/numbers.h"
#include "engine/export/export_options.h"
#include "engine/export/res2dmod_writer.h"
#include "test_files.h"
#include "test_support.h"

namespace tarvo {
namespace {

namespace fs = std::filesystem;

// A text dataset on electrodes from 0 to 47 m, classified, grouped and
// analysed as after a read: two Schlumberger points (the second marked
// deleted), a forward pole-dipole and a pole-pole point.
TDataset Survey(float dataKind) {
  const test::PointGeometry points[] = {
      {4, 0, 30, 14, 16},
      {4, 10, 20, 14.5f, 15.5f},
      {3, 40, NoElectrode, 46, 47},
      {2, 0, NoElectrode, 1, NoElectrode},
  };
  TDataset ds;
  RecordingMessenger messenger;
  for (const auto& g : points) {
    const int i = test::AddTextPoint(ds, g);
    ClassifyPoint(ds, i, messenger);
    ds.Points[i].Rho = 100;
  }
  GroupTextPoints(ds, 0, messenger);
  ds.DataKind = dataKind;
  AnalyseLayout(ds, messenger);
  ToggleDeletedMark(ds.Points[2]);
  ds.Memo = {"Test line", "Res2dMod"};
  ds.FileName = "/survey/line1.dat";
  return ds;
}

TEST(Res2dModWriter, ListsEachGoodPointByItsElectrodes) {
  test::ScratchFolder folder;
  TDataset ds = Survey(DataKindResistivityOnly);
  ASSERT_EQ(ds.SetCount, 3);  // Schlumberger, forward pole-dipole, pole-pole

  EXPECT_EQ(PrepareRes2dMod(ds).Dialog.proposedName, fs::path("/survey/line1.txt").string());
  RecordingMessenger messenger;
  const std::string path = folder.PathOf("model.txt");
  ASSERT_TRUE(WriteRes2dMod(ds, ExportOptions{}, path, messenger));
  EXPECT_EQ(messenger.Texts(), std::vector<std::string>{"Error 12."});

  // The count gives the arrays listed: the deleted point and the pole-pole
  // set are left out.
  EXPECT_TRUE(test::SameBytes(test::ReadWhole(path), test::Crlf({
      "AMNB + AMN + AM",
      "Number of arrays",
      "2",
      "Unit electrode spacing",
      "1",
      "Coordinates of electrodes (xc1,zc1,xc2,zc2,xp1,zp1,xp2,zp2)",
      "array 1 = Schlumberger (AMNB)",
      "0 0",
      "30 0",
      "14 0",
      "16 0",
      "array 3 = forward pole-dipole (AMN)",
      "40 0",
      "-10000 0",
      "46 0",
      "47 0",
      "Starting and ending x-location to calculate sensitivity values, spacing",
      "-10 57 0.25",
      "Starting and ending z-location to calculate sensitivity values, spacing",
      "0.1 18 0.59667",
      "Material resistivity (ohm.m)",
      "1",
      "Maximum current (Amp)",
      "1",
      "Minimum potential (mV)",
      "0.1",
  })));
}

TEST(Res2dModWriter, ShiftIsAddedOnceAndReset) {
  test::ScratchFolder folder;
  TDataset ds = Survey(DataKindTextWithVI);
  ds.XShift = 100;
  const auto xz = ds.ElectrodeXZ[1];

  RecordingMessenger messenger;
  const Res2dModPreparation prep = PrepareRes2dMod(ds);
  ASSERT_TRUE(prep.Ready);
  EXPECT_EQ(prep.Dialog.proposedName, "_AM.txt");
  EXPECT_EQ(ds.XShift, 0);
  EXPECT_FLOAT_EQ(ds.ElectrodePos[1], 100);
  EXPECT_FLOAT_EQ(ds.ElectrodeXZ[1].X, xz.X + 100) << "the profile moves with its electrodes";
  EXPECT_FLOAT_EQ(ds.Points[1].X, 115);

  const std::string path = folder.PathOf("model.txt");
  ASSERT_TRUE(WriteRes2dModFile(ds, prep.UnitSpacing, path, messenger));
  const auto lines = test::SplitCrlf(test::ReadWhole(path));
  ASSERT_EQ(lines.size(), 26u);
  EXPECT_EQ(lines[0], "Res2Dmod (txt). Test line Res2dMod");
  EXPECT_EQ(lines[7], "100 0");
  EXPECT_EQ(lines[17], "90 157 0.25");
}

TEST(Res2dModWriter, NothingWithoutData) {
  test::ScratchFolder folder;
  TDataset ds;
  RecordingMessenger messenger;
  EXPECT_FALSE(WriteRes2dMod(ds, ExportOptions{}, folder.PathOf("none.txt"), messenger));
  EXPECT_FALSE(fs::exists(folder.PathOf("none.txt")));
}

}  // namespace
}  // namespace tarvo
