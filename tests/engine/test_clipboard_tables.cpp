#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/array_types.h"
#include "engine/core/bad_points.h"
#include "engine/core/numbers.h"
#include "engine/editing/clipboard_tables.h"

namespace tarvo {
namespace {

// Three stations 0, 10 and 20 m with a three-layer model (bottoms 1 and 3 m):
// layer 1 10 | 100 | 1000, layer 2 20 | 200 | 2000, layer 3 5 everywhere.
// A time-lapse line has a second time set, 7 days later, with every
// resistivity doubled.
TDataset ModelLine(bool timeLapse = false) {
  TDataset ds;
  ds.DataKind = DataKindResistivityOnly;
  ds.StationCount = 3;
  for (int s = 1; s <= 3; ++s) ds.Stations[s] = 10.0f * static_cast<float>(s - 1);
  TInversionModel m;
  m.LayerCount = 3;
  m.LayerDepth[1] = 1;
  m.LayerDepth[2] = 3;
  m.Resistivity.Resize(3);
  const float layers[3][3] = {{10, 100, 1000}, {20, 200, 2000}, {5, 5, 5}};
  for (int s = 1; s <= 3; ++s) {
    for (int l = 1; l <= 3; ++l) m.Resistivity[s][l] = layers[l - 1][s - 1];
  }
  ds.HasModel = true;
  ds.Models.Current = m;
  if (timeLapse) {
    ds.TimeSetCount = 2;
    ds.TimeSetTimes[1] = 0;
    ds.TimeSetTimes[2] = 7;
    ds.Models.TimeSets[1] = m;
    for (int s = 1; s <= 3; ++s) {
      for (int l = 1; l <= 3; ++l) m.Resistivity[s][l] *= 2;
    }
    ds.Models.TimeSets[2] = m;
  }
  return ds;
}

std::string Text(const std::optional<TCellTable>& table) {
  EXPECT_TRUE(table.has_value());
  return table ? ClipboardText(*table) : std::string();
}

TEST(ClipboardTables, ElectrodeTableIsXAndAltitudeAsTheGridShowsThem) {
  TDataset ds;
  ds.DataKind = DataKindResistivityOnly;
  ds.ElectrodePosCount = 3;
  const float x[] = {0, 5, 10.25f}, z[] = {100, 101.5f, 1234.5678f};
  for (int e = 1; e <= 3; ++e) {
    ds.ElectrodePos[e] = x[e - 1];
    ds.ElectrodePosZ[e] = z[e - 1];
  }
  ds.XShift = 100;
  const TCellTable table = ElectrodeTableCells(ds);
  EXPECT_EQ(ClipboardText(table), "100\t100\r\n105\t101.5\r\n110.25\t1234.6\r\n");
  // A sheet takes the numbers behind the texts.
  EXPECT_EQ(table.Rows[2][0], TCell(TShownNumber{110.25, "110.25"}));

  // A typed altitude reads with up to three decimals.
  ds.TypedAltitude[3] = 1234.5678;
  EXPECT_EQ(ClipboardText(ElectrodeTableCells(ds)), "100\t100\r\n105\t101.5\r\n110.25\t1234.568\r\n");
  EXPECT_DOUBLE_EQ(SelectedLocation(ds, 1, 3), 5.125);
  EXPECT_DOUBLE_EQ(SelectedLocation(ds, 2, 2), 5);
}

TEST(ClipboardTables, VesCurveOfTheNearestStationSkipsEmptyCells) {
  TDataset ds;
  ds.DataKind = DataKindResistivityOnly;
  ds.ArrayType = Wenner;
  ValueGrid grid;
  GridDescriptor d;
  d.StationCount = 2;
  d.Stations[1] = 0;
  d.Stations[2] = 10;
  d.LevelCount = 3;
  for (int k = 1; k <= 3; ++k) {
    d.Spacing[k] = static_cast<float>(k);
    d.MN[k] = 0.5f;
  }
  grid(2, 1) = 50;
  grid(2, 3) = 70;  // level 2 stays empty
  grid(1, 1) = 40;
  EXPECT_EQ(Text(VesCurveCells(ds, grid, d, 10)), "\"10\"\r\n1\t50\r\n3\t70\r\n");
  EXPECT_EQ(Text(VesCurveCells(ds, grid, d, 4.9)), "\"0\"\r\n1\t40\r\n");
  ds.ArrayType = Schlumberger;
  EXPECT_EQ(Text(VesCurveCells(ds, grid, d, 9)), "\"10\"\r\n1\t0.5\t50\r\n3\t0.5\t70\r\n");
  ds.DataKind = DataKindSequence;
  EXPECT_FALSE(VesCurveCells(ds, grid, d, 9));
}

TEST(ClipboardTables, ModelUnderAStationGivesMiddleDepths) {
  TDataset ds = ModelLine();
  EXPECT_EQ(DepthItems(ds.Models.Current), (std::vector<std::string>{"0-1", "1-3", "3-inf"}));
  // The last layer takes the thickness of the one above it: middle at 4.
  EXPECT_EQ(Text(StationModelCells(ds, 11)), "\"10\"\r\nH\tRo\r\n0.5\t100\r\n2\t200\r\n4\t5\r\n");
  EXPECT_EQ(Text(StationModelCells(ModelLine(true), 19)),
            "\"20\"\r\nH\tRo_0\tRo_7\r\n0.5\t1000\t2000\r\n2\t2000\t4000\r\n4\t5\t10\r\n");
  ds.HasModel = false;
  EXPECT_FALSE(StationModelCells(ds, 11));
}

TEST(ClipboardTables, OneLayerForTheClipboardAndAsASheet) {
  const TDataset ds = ModelLine();
  EXPECT_EQ(Text(LayerCells(ds, 2)), "1-3\r\nX  Ro\r\n0\t20\r\n10\t200\r\n20\t2000\r\n");
  const auto sheet = LayerSheet(ds, 1);
  EXPECT_EQ(Text(sheet), "X\tRo\tLog10(Ro)\r\n0\t10\t1\r\n10\t100\t2\r\n20\t1000\t3\r\n");
  EXPECT_EQ(sheet->Name, "0-1");
  EXPECT_FALSE(LayerCells(ds, 0));
  EXPECT_FALSE(LayerCells(ds, 4));

  const TDataset tl = ModelLine(true);
  EXPECT_EQ(Text(LayerCells(tl, 3)), "3-inf\r\nX\tRo_0\tRo_7\r\n0\t5\t10\r\n10\t5\t10\r\n20\t5\t10\r\n");
  EXPECT_EQ(Text(LayerSheet(tl, 3)), "X\tRo_0\tRo_7\r\n0\t5\t10\r\n10\t5\t10\r\n20\t5\t10\r\n");
}

TEST(ClipboardTables, DifferencesAreInPercentOfTheFirstTimeSet) {
  TDataset ds = ModelLine(true);
  ds.Models.TimeSets[2].Resistivity[3][1] = 500;  // halved against the first time set
  EXPECT_EQ(Text(DifferenceCells(ds, 1)), "0-1\r\nX\tDif_7\r\n0\t100\r\n10\t100\r\n20\t-50\r\n");
  const auto sheet = DifferenceSheet(ds, 1);
  EXPECT_EQ(Text(sheet), "0-1\t\r\nX\tDif_7\r\n0\t100\r\n10\t100\r\n20\t-50\r\n");
  EXPECT_FALSE(DifferenceCells(ModelLine(), 1));
}

TEST(ClipboardTables, MeanModelIsTheGeometricMeanWithItsSpread) {
  // 10, 100 and 1000: mean 100, spread factor exp(sqrt(2/3) ln 10) = 6.5539.
  EXPECT_EQ(Text(MeanModelCells(ModelLine(), "/data/line.inv")),
            "/data/line.inv\r\nH\tRo_mean\tRo_Min\tRo_max\tDisp\r\n"
            "0.5\t100\t15.258\t655.39\t555.39\r\n2\t200\t30.516\t1310.8\t1110.8\r\n4\t5\t5\t5\t0\r\n");
  EXPECT_FALSE(MeanModelCells(ModelLine(true), "/data/line.inv"));
}

TEST(ClipboardTables, LevelPointsOrTheLevelList) {
  TDataset ds;
  ds.DataKind = DataKindResistivityOnly;
  ds.ArrayType = Wenner;
  ds.LevelCount = 2;
  ds.LevelSpacing[1] = 1;
  ds.LevelMN[1] = 1;
  ds.LevelSpacing[2] = 2;
  ds.LevelMN[2] = 2;
  ds.Points.Resize(4);
  ds.PointCount = 4;
  const float rho[] = {100, 110, 120, 130};
  for (int i = 1; i <= 4; ++i) {
    ds.Points[i].X = static_cast<float>(i) + 0.5f;
    ds.Points[i].Rho = rho[i - 1];
    ds.Points[i].Level = i == 4 ? 2 : 1;
  }
  ds.Points[2].Q = 50;  // bad
  ds.SetCount = 1;
  ds.Sets[1] = TSetEntry{1, 4, Wenner};
  EXPECT_EQ(Text(LevelPointsCells(ds, 1)), "1-1\tWenner (AMNB)\r\nX\tRo_app\r\n1.5\t100\r\n3.5\t120\r\n");
  EXPECT_EQ(Text(LevelPointsCells(ds, 0)), "AB\tMN\r\n1\t1\r\n2\t2\r\n");
  ds.TimeSetCount = 2;
  EXPECT_EQ(Text(LevelPointsCells(ds, 2)), "2-2\tWenner (AMNB)\r\n");
  ds.DataKind = DataKindNone;
  EXPECT_FALSE(LevelPointsCells(ds, 1));
}

TEST(ClipboardTables, WorkbooksHaveOneSheetPerLayerThenEmpty) {
  const auto names = [](const std::vector<TCellTable>& sheets) {
    std::vector<std::string> n;
    for (const auto& s : sheets) n.push_back(s.Name);
    return n;
  };
  EXPECT_EQ(names(LayerWorkbook(ModelLine())), (std::vector<std::string>{"0-1", "1-3", "3-inf", "Empty"}));
  EXPECT_EQ(names(*DifferenceWorkbook(ModelLine(true))), (std::vector<std::string>{"0-1", "1-3", "3-inf", "Empty"}));
  EXPECT_FALSE(DifferenceWorkbook(ModelLine()));

  // Layers of equal depths still give sheets of their own.
  TDataset flat = ModelLine();
  flat.Models.Current.LayerDepth[2] = 1;
  EXPECT_EQ(names(LayerWorkbook(flat)), (std::vector<std::string>{"0-1", "1-1", "1-inf", "Empty"}));
  EXPECT_EQ(WorkbookFileName("/data/line.inv", LayerWorkbookSuffix), "/data/line_inv.xlsx");
  EXPECT_EQ(WorkbookFileName("/data/line.v1.inv", DifferenceWorkbookSuffix), "/data/line.v1_dif2.xlsx");
}

TEST(ClipboardTables, TextsGrowWithTheTable) {
  // Far beyond a clipboard buffer of 32000 bytes and lines of 255 characters.
  TCellTable table{"Long", {}};
  std::vector<TCell> wide(100);
  for (int c = 0; c < 100; ++c) wide[static_cast<std::size_t>(c)] = 12345.5 + c;
  table.Rows.push_back(wide);
  for (int r = 0; r < 5000; ++r) {
    std::vector<TCell> row(3);  // the last cell stays empty
    row[0] = static_cast<double>(r);
    row[1] = std::string("text");
    table.Rows.push_back(std::move(row));
  }
  const std::string text = ClipboardText(table);
  EXPECT_EQ(text.substr(0, 16), "12346\t12347\t1234");  // 12345.5, 12346.5 with five digits
  std::size_t expected = 0;
  for (int c = 0; c < 100; ++c) expected += FormatValue(12345.5 + c, ClipboardExtraDigits).size() + 1;
  for (int r = 0; r < 5000; ++r) expected += std::to_string(r).size() + std::string("\ttext\t\r\n").size();
  EXPECT_EQ(text.size(), expected + 1);  // the wide row's last TAB is its CR LF's first byte
  EXPECT_EQ(text.substr(text.size() - 12), "4999\ttext\t\r\n");
}

}  // namespace
}  // namespace tarvo
