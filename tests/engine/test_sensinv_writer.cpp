#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/core/array_types.h"
#include "engine/core/bad_points.h"
#include "engine/core/dataset.h"
#include "engine/core/layout_analysis.h"
#include "engine/core/messenger.h"
#include "engine/core/numbers.h"
#include "engine/export/export_options.h"
#include "engine/export/sensinv_writer.h"
#include "engine/import/read_environment.h"
#include "engine/import/sensinv_reader.h"
#include "test_files.h"
#include "test_support.h"

namespace tarvo {
namespace {

struct TextPoint {
  test::PointGeometry geometry;
  float rho;
};

// A text dataset on electrodes 7..13 m whose ground falls 0.5 m per metre
// from 100 m, classified, grouped and analysed as after a read: a
// dipole-dipole point with A right of B, one with A left of B, a forward
// pole-dipole, a pole-pole and an asymmetrical point.
TDataset Survey() {
  const TextPoint points[] = {
      {{4, 10, 9, 12, 13}, 100},
      {{4, 7, 8, 10, 11}, 50},
      {{4, 7, 8, 10, 11}, 60},  // marked deleted below
      {{3, 7, NoElectrode, 8, 9}, 30},
      {{2, 7, NoElectrode, 9, NoElectrode}, 40},
      {{4, 7, 13, 8, 9}, 70},
  };
  TDataset ds;
  RecordingMessenger messenger;
  for (const TextPoint& t : points) {
    const int i = test::AddTextPoint(ds, t.geometry);
    TDataPoint& p = ds.Points[i];
    ClassifyPoint(ds, i, messenger);  // absent electrodes take their partner's place
    p.Rho = t.rho;
    p.ZA = 100 - (p.XA - 7) / 2;
    p.ZB = 100 - (p.XB - 7) / 2;
    p.ZM = 100 - (p.XM - 7) / 2;
    p.ZN = 100 - (p.XN - 7) / 2;
  }
  GroupTextPoints(ds, 0, messenger);
  ds.DataKind = DataKindResistivityOnly;
  AnalyseLayout(ds, messenger);
  ToggleDeletedMark(ds.Points[3]);
  return ds;
}

TEST(SensInvWriter, ThreeFilesNumberElectrodesByPosition) {
  test::ScratchFolder folder;
  TDataset ds = Survey();
  ASSERT_EQ(ds.SetCount, 4);  // dipole-dipole, pole-dipole, pole-pole, asymmetrical
  ds.SeqHeader.SetTitleText("Asymmetr");
  EXPECT_EQ(SensInvDialog(ds).proposedName, "_symmetr");

  RecordingMessenger messenger;
  const std::string gem = folder.PathOf("line.gem");
  ASSERT_TRUE(WriteSensInv2D(ds, ExportOptions{}, gem, messenger));
  EXPECT_EQ(messenger.Texts(), std::vector<std::string>{"Error 1."});

  EXPECT_TRUE(test::SameBytes(test::ReadWhole(gem), test::Crlf({"1 7 100", "2 8 99.5", "3 9 99", "4 10 98.5", "5 11 98",
                                                                "6 12 97.5", "7 13 97"})));
  // B first when it lies left of A, with the factor's sign changed: the
  // first point's K is -24 pi, the second's -24 pi from its geometry, the
  // pole-dipole's and pole-pole's 4 pi.
  EXPECT_TRUE(test::SameBytes(test::ReadWhole(folder.PathOf("line.sen")),
                              test::Crlf({"4 3 -4 6 7", "4 1 -2 4 5", "3 1 2 3", "4 1 0 3 0"})));
  EXPECT_TRUE(test::SameBytes(test::ReadWhole(folder.PathOf("line.imp")),
                              test::Crlf({"-1.3263", "-0.66315", "2.3873", "3.1831"})));
}

// The x shift of the main window moves the electrode positions once; the
// configurations and resistances do not change.
TEST(SensInvWriter, TheXShiftMovesTheGeometry) {
  test::ScratchFolder folder;
  TDataset ds = Survey();
  ds.XShift = -1.5f;
  RecordingMessenger messenger;
  const std::string gem = folder.PathOf("line.gem");
  ASSERT_TRUE(WriteSensInv2D(ds, ExportOptions{}, gem, messenger));
  EXPECT_TRUE(test::SameBytes(test::ReadWhole(gem), test::Crlf({"1 5.5 100", "2 6.5 99.5", "3 7.5 99", "4 8.5 98.5",
                                                                "5 9.5 98", "6 10.5 97.5", "7 11.5 97"})));
  EXPECT_TRUE(test::SameBytes(test::ReadWhole(folder.PathOf("line.sen")),
                              test::Crlf({"4 3 -4 6 7", "4 1 -2 4 5", "3 1 2 3", "4 1 0 3 0"})));
  EXPECT_TRUE(test::SameBytes(test::ReadWhole(folder.PathOf("line.imp")),
                              test::Crlf({"-1.3263", "-0.66315", "2.3873", "3.1831"})));
  EXPECT_EQ(ds.XShift, 0.0f);  // applied once: a second export writes the same positions
  ASSERT_TRUE(WriteSensInv2D(ds, ExportOptions{}, gem, messenger));
  EXPECT_EQ(test::SplitCrlf(test::ReadWhole(gem)).front(), "1 5.5 100");
}

TEST(SensInvWriter, ReadsBackAsTheGoodPoints) {
  test::ScratchFolder folder;
  TDataset ds = Survey();
  // The project's reader takes no pole-pole line ("4 a 0 m 0": N is 0), so
  // the pole-pole point stays out of the round trip.
  ASSERT_EQ(ds.Sets[3].Type, PolePole);
  ToggleDeletedMark(ds.Points[ds.Sets[3].First]);
  RecordingMessenger messenger;
  ASSERT_TRUE(WriteSensInv2D(ds, ExportOptions{}, folder.PathOf("line.gem"), messenger));

  TDataset back;
  RecordingMessenger readMessages;
  ReadEnvironment env{readMessages, {}, nullptr};
  ReadIntoDataset(back, ReadSensInv, {folder.PathOf("line.imp"), 0}, env);
  ASSERT_EQ(back.DataKind, DataKindResistivityOnly) << ::testing::PrintToString(readMessages.Texts());

  // The written points in order: the good points of the sets of types 1..7.
  std::vector<int> written;
  for (int s = 1; s <= ds.SetCount; ++s) {
    if (ds.Sets[s].Type == Asymmetrical) continue;
    for (int k = ds.Sets[s].First; k <= ds.Sets[s].Last; ++k) {
      if (!IsBad(ds, k)) written.push_back(k);
    }
  }
  ASSERT_EQ(back.PointCount, static_cast<int>(written.size()));
  for (int i = 1; i <= back.PointCount; ++i) {
    const TDataPoint& want = ds.Points[written[static_cast<std::size_t>(i - 1)]];
    const TDataPoint& got = back.Points[i];
    EXPECT_NEAR(got.Rho, want.Rho, 1e-3 * want.Rho) << "point " << i;
    EXPECT_EQ(got.PointType, want.PointType) << "point " << i;
    EXPECT_FLOAT_EQ(got.X, want.X) << "point " << i;
    EXPECT_FLOAT_EQ(got.Spacing, want.Spacing) << "point " << i;
    EXPECT_FLOAT_EQ(got.MN, want.MN) << "point " << i;
    EXPECT_FLOAT_EQ(got.ZM, want.ZM) << "point " << i;
  }
}

TEST(SensInvWriter, PointsOffTheElectrodeListLeaveBothFilesTogether) {
  test::ScratchFolder folder;
  TDataset ds = Survey();
  // The electrode at 13 m is beyond the list, as after an electrode overflow:
  // the first dipole-dipole point (N at 13 m) cannot be written.
  ds.ElectrodePosCount = 6;
  RecordingMessenger messenger;
  ASSERT_TRUE(WriteSensInv2D(ds, ExportOptions{}, folder.PathOf("line.gem"), messenger));
  EXPECT_EQ(test::SplitCrlf(test::ReadWhole(folder.PathOf("line.sen"))),
            (std::vector<std::string>{"4 1 -2 4 5", "3 1 2 3", "4 1 0 3 0"}));
  EXPECT_EQ(test::SplitCrlf(test::ReadWhole(folder.PathOf("line.imp"))).size(), 3u);
  ASSERT_EQ(messenger.entries.size(), 2u);
  EXPECT_EQ(messenger.entries[1].kind, MessageKind::Warning);
  EXPECT_NE(messenger.entries[1].text.find("Number of points - 1"), std::string::npos);
}

}  // namespace
}  // namespace tarvo
