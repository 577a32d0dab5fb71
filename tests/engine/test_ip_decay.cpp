#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

#include "engine/core/bad_points.h"
#include "engine/core/ip_decay.h"
#include "engine/core/ip_windows.h"
#include "engine/core/numbers.h"
#include "engine/display/sp_chart.h"
#include "engine/editing/data_table.h"
#include "engine/editing/ip_decay_chart.h"
#include "engine/settings/ini_file.h"
#include "engine/settings/ip_parameter_settings.h"

namespace tarvo {
namespace {

// ---------------------------------------------------------------------------
// The schedule table and the window times.

TEST(IPSchedule, EveryRowEndsWhereTheTableSays) {
  struct Case {
    int time, type, windows;
    float end;
  };
  const Case cases[] = {
      {0, 0, 3, 180},   {0, 1, 3, 320},   {0, 2, 2, 420},   {0, 3, 2, 420},   {1, 0, 20, 920},
      {1, 1, 20, 920},  {1, 2, 3, 920},   {1, 3, 20, 850},  {2, 0, 20, 1840}, {2, 1, 20, 1960},
      {2, 2, 4, 1740},  {2, 3, 20, 1850}, {3, 0, 20, 3680}, {3, 1, 20, 3680}, {3, 2, 5, 3360},
      {3, 3, 20, 3850}, {4, 0, 20, 7360}, {4, 1, 20, 7360}, {4, 2, 6, 6580}, {4, 3, 20, 7850},
  };
  for (const Case& c : cases) {
    const TIPTimeRow& row = IPScheduleRow(c.time, c.type);
    int listed = 0;
    for (int i = 1; i <= MaxIPWindows; ++i) {
      if (row[static_cast<std::size_t>(i)] > 0) {
        EXPECT_EQ(listed, i - 1) << "a gap in row " << c.time << "/" << c.type;
        listed = i;
      }
    }
    EXPECT_EQ(listed, c.windows) << c.time << "/" << c.type;
    EXPECT_FLOAT_EQ(std::accumulate(row.begin(), row.end(), 0.0f), c.end) << c.time << "/" << c.type;
    // The last window ends there; the windows of width 0 stand there.
    const TIPWindows w = WindowsFromWidths(row);
    EXPECT_FLOAT_EQ(w.End(c.windows), c.end);
    if (c.windows < MaxIPWindows) {
      EXPECT_FLOAT_EQ(w.IPWindowCentres[MaxIPWindows], c.end);
    }
  }
  EXPECT_EQ(IPScheduleRow(0, 2), IPScheduleRow(0, 3));
}

TEST(IPSchedule, CentresFollowTheWidthsWithoutGaps) {
  TIPParameters defaults;
  EXPECT_EQ(defaults.TimeIndex, 2);
  EXPECT_EQ(defaults.TypeIndex, 0);
  EXPECT_FLOAT_EQ(defaults.Windows.IPWindowCentres[0], 240);
  EXPECT_FLOAT_EQ(defaults.Windows.IPWindowCentres[1], 280);
  EXPECT_FLOAT_EQ(defaults.Windows.IPWindowCentres[20], 1800);
  for (int i = 2; i <= MaxIPWindows; ++i) EXPECT_FLOAT_EQ(defaults.Windows.Start(i), defaults.Windows.End(i - 1));

  TIPParameters p;
  ASSERT_TRUE(p.ComputeIPWindows(4, 3));  // "8" / "Cole-cole"
  EXPECT_FLOAT_EQ(p.Windows.IPWindowCentres[1], 40);
  EXPECT_FLOAT_EQ(p.Windows.IPWindowCentres[20], 7260);

  ASSERT_TRUE(p.ComputeIPWindows(2, 2));  // "2" / "Logarithmic"
  const float expected[] = {220, 390, 710, 1330};
  for (int i = 1; i <= 4; ++i) EXPECT_FLOAT_EQ(p.Windows.IPWindowCentres[static_cast<std::size_t>(i)], expected[i - 1]);
  for (int i = 5; i <= 20; ++i) EXPECT_FLOAT_EQ(p.Windows.IPWindowCentres[static_cast<std::size_t>(i)], 1740);

  // Indices outside the table keep the schedule held.
  const TIPParameters before = p;
  for (const auto& [time, type] : {std::pair{-1, 0}, {5, 0}, {0, -1}, {0, 4}}) {
    EXPECT_FALSE(p.ComputeIPWindows(time, type));
    EXPECT_EQ(p, before);
  }
}

TEST(IPSchedule, GlobalChargeabilityIsTheWidthWeightedMean) {
  TIPTimeRow widths{};
  widths[0] = 100;
  widths[1] = 20;
  widths[2] = 40;
  widths[3] = 80;
  const TIPWindows w = WindowsFromWidths(widths);
  FixedTable<float, MaxIPWindows> m{};
  m[1] = 10;
  m[2] = 8;
  m[3] = 4;
  ASSERT_TRUE(GlobalChargeability(m, w, 1, 3));
  EXPECT_DOUBLE_EQ(*GlobalChargeability(m, w, 1, 3), 6.0);  // (200 + 320 + 320) / 140
  EXPECT_DOUBLE_EQ(*GlobalChargeability(m, w, 2, 3), 640.0 / 120.0);
  EXPECT_DOUBLE_EQ(*GlobalChargeability(m, w, 2, 2), 8.0);
  // A range that spans no time has no chargeability.
  EXPECT_FALSE(GlobalChargeability(m, w, 3, 2));
  EXPECT_FALSE(GlobalChargeability(m, w, 5, 20));  // windows of width 0 only
  EXPECT_FALSE(GlobalChargeability(m, w, 0, 3));
  EXPECT_FALSE(GlobalChargeability(m, w, 1, 21));
}

TEST(IPSchedule, NearestWindowByCentreFirstOnTies) {
  TIPParameters p;  // centres 280, 360, ...
  EXPECT_EQ(NearestWindow(p.Windows, 20, 0), 1);
  EXPECT_EQ(NearestWindow(p.Windows, 20, 330), 2);
  EXPECT_EQ(NearestWindow(p.Windows, 20, 320), 1);  // halfway: the first
  EXPECT_EQ(NearestWindow(p.Windows, 5, 1e6), 5);
  EXPECT_EQ(NearestWindow(p.Windows, 0, 300), 0);
}

// ---------------------------------------------------------------------------
// Decay fits.

TDataset IPData(int points, int windows) {
  TDataset ds;
  ds.DataKind = DataKindTextWithVI;
  ds.HasIP = true;
  ds.IPWindowCount = windows;
  ds.Points.Resize(points);
  ds.PointCount = points;
  const TIPWindows w = ds.IPParameters.Windows;
  for (int i = 1; i <= points; ++i) {
    TDataPoint& p = ds.Points[i];
    p.Rho = 100;
    p.V = 50;
    p.I = 100;
    for (int k = 1; k <= windows; ++k) {
      p.M[k] = static_cast<float>(2000.0 * std::pow(w.IPWindowCentres[static_cast<std::size_t>(k)], -0.5));
    }
    p.IP = 5;
  }
  return ds;
}

TEST(DecayFit, ExactPowerLawHasNoMisfitAndASpikeIsFlagged) {
  TDataset ds = IPData(3, 20);
  ds.Points[2].M[7] *= 1.5f;                     // one noisy window
  for (int k = 1; k <= 20; ++k) ds.Points[3].M[k] = -ds.Points[3].M[k];  // a negative decay
  FitDecays(ds);
  ASSERT_EQ(ds.DecayFits.Misfit.size(), 4u);

  const TDecayFit exact = FitDecay(ds.Points[1].M, ds.IPParameters.Windows, 20);
  ASSERT_TRUE(exact.Fitted());
  EXPECT_NEAR(exact.Misfit, 0, 1e-3);
  EXPECT_NEAR(exact.A, 2000, 0.1);
  EXPECT_NEAR(exact.B, 0.5, 1e-5);
  EXPECT_NEAR(exact.At(400), 100, 1e-3);
  EXPECT_NEAR(ds.DecayFits.Of(1), 0, 1e-3);
  EXPECT_NEAR(ds.DecayFits.Of(3), 0, 1e-3);  // fitted on its magnitude
  EXPECT_LT(FitDecay(ds.Points[3].M, ds.IPParameters.Windows, 20).A, 0);
  EXPECT_GT(ds.DecayFits.Of(2), 5);  // ln 1.5 over 20 windows: about 9 %

  // Off by default: nothing changes until the threshold is set.
  CountBadPoints(ds);
  EXPECT_EQ(ds.BadCount, 0);
  ds.Thresholds.MaxDecayMisfit = 5;
  CountBadPoints(ds);
  EXPECT_EQ(ds.BadCount, 1);
  EXPECT_TRUE(IsBad(ds, 2));
  EXPECT_EQ(BadPointReason(ds, 2).rfind("decay misfit ", 0), 0u) << BadPointReason(ds, 2);
  EXPECT_TRUE(BadPointReason(ds, 1).empty());
  // Without IP the threshold does not apply.
  ds.HasIP = false;
  EXPECT_FALSE(IsBad(ds, 2));
}

TEST(DecayFit, WindowsThatCannotBeFitted) {
  TDataset ds = IPData(3, 20);
  ds.Points[1].M[4] = -0.2f;  // changes sign
  ds.Points[2].M[9] = 0;      // reaches zero
  FitDecays(ds);
  EXPECT_EQ(ds.DecayFits.Of(1), TDecayFits::SignChange);
  EXPECT_EQ(ds.DecayFits.Of(2), TDecayFits::SignChange);
  ds.Thresholds.MaxDecayMisfit = 50;
  EXPECT_TRUE(IsBad(ds, 1));
  EXPECT_EQ(BadPointReason(ds, 1), "IP decay changes sign");
  EXPECT_FALSE(IsBad(ds, 3));

  // Two windows give no fit, and no judgement.
  TDataset two = IPData(1, 2);
  FitDecays(two);
  EXPECT_EQ(two.DecayFits.Of(1), TDecayFits::NoFit);
  two.Thresholds.MaxDecayMisfit = 1;
  EXPECT_FALSE(IsBad(two, 1));
  // Windows of width 0 take no part: "2"/"Logarithmic" has four windows.
  TDataset ds4 = IPData(1, 20);
  ASSERT_TRUE(SetIPSchedule(ds4, 2, 2));
  for (int k = 5; k <= 20; ++k) ds4.Points[1].M[k] = 99;  // beyond the schedule
  for (int k = 1; k <= 4; ++k) {
    ds4.Points[1].M[k] = static_cast<float>(2000.0 * std::pow(ds4.IPParameters.Windows.IPWindowCentres[static_cast<std::size_t>(k)], -0.5));
  }
  FitDecays(ds4);
  EXPECT_NEAR(ds4.DecayFits.Of(1), 0, 1e-3);
  // No IP windows: an empty list, every point unjudged.
  TDataset none = IPData(2, 0);
  FitDecays(none);
  EXPECT_TRUE(none.DecayFits.Misfit.empty());
  EXPECT_EQ(none.DecayFits.Of(1), TDecayFits::NoFit);
}

TEST(DecayFit, FileTimesComeFirstAndTheScheduleIsTheFallback) {
  TDataset ds = IPData(1, 3);
  EXPECT_EQ(IPWindowsInUse(ds).Source, IPTimesSource::Schedule);
  EXPECT_EQ(IPWindowsInUse(ds), ds.IPParameters.Windows);

  ds.IPWindowTimes.Known = true;
  ds.IPWindowTimes.Delay = 120;
  ds.IPWindowTimes.Widths[1] = 40;
  ds.IPWindowTimes.Widths[2] = 40;
  ds.IPWindowTimes.Widths[3] = 120;
  const TIPWindows file = IPWindowsInUse(ds);
  EXPECT_EQ(file.Source, IPTimesSource::File);
  EXPECT_FLOAT_EQ(file.IPWindowCentres[1], 140);
  EXPECT_FLOAT_EQ(file.IPWindowCentres[3], 260);
  EXPECT_FLOAT_EQ(file.End(3), 320);

  // A file that leaves a window of the points without a width gives no usable times.
  ds.IPWindowTimes.Widths[3] = 0;
  EXPECT_EQ(IPWindowsInUse(ds).Source, IPTimesSource::Schedule);
}

TEST(DecayFit, RecomputingIPAndStoringEditedWindows) {
  TDataset ds = IPData(4, 20);
  ds.Points[3].M[1] = 400;
  FitDecays(ds);
  ASSERT_TRUE(RecomputeIP(ds, 1, 20));
  const double expected = *GlobalChargeability(ds.Points[2].M, ds.IPParameters.Windows, 1, 20);
  EXPECT_FLOAT_EQ(ds.Points[2].IP, static_cast<float>(expected));
  EXPECT_GT(ds.Points[3].IP, ds.Points[2].IP);

  // A range that spans no time changes nothing.
  for (int i = 1; i <= 4; ++i) ds.Points[i].IP = 5;
  EXPECT_FALSE(RecomputeIP(ds, 10, 2));
  for (int i = 1; i <= 4; ++i) EXPECT_EQ(ds.Points[i].IP, 5);

  FixedTable<float, MaxIPWindows> edited = ds.Points[1].M;
  edited[3] *= 2;
  StoreDecayValues(ds, 1, edited, 1, 3);
  EXPECT_EQ(ds.Points[1].M, edited);
  EXPECT_FLOAT_EQ(ds.Points[1].IP, static_cast<float>(*GlobalChargeability(edited, ds.IPParameters.Windows, 1, 3)));
  EXPECT_GT(ds.DecayFits.Of(1), 5);  // refitted
}

// ---------------------------------------------------------------------------
// The data grid and the thresholds.

TEST(DecayFit, MisfitColumnAndItsThreshold) {
  TDataset ds = IPData(3, 20);
  ds.Points[2].M[5] = -1;
  ds.Points[3].M[7] *= 1.5f;
  FitDecays(ds);
  const auto columns = DataColumns(ds);
  ASSERT_NE(std::find(columns.begin(), columns.end(), DataColumn::DecayMisfit), columns.end());
  EXPECT_EQ(DataColumnHeader(DataColumn::DecayMisfit), "Misfit %");
  EXPECT_EQ(DataCellText(ds, 1, DataColumn::DecayMisfit, 1), "0");
  EXPECT_EQ(DataCellText(ds, 2, DataColumn::DecayMisfit, 2), "sign");
  EXPECT_EQ(DataCellText(ds, 3, DataColumn::DecayMisfit, 3), FormatValue(std::round(ds.DecayFits.Of(3) * 100.0) / 100, 1));

  // Two windows: nothing to fit, no column.
  TDataset two = IPData(1, 2);
  const auto fewer = DataColumns(two);
  EXPECT_EQ(std::find(fewer.begin(), fewer.end(), DataColumn::DecayMisfit), fewer.end());

  EXPECT_EQ(ThresholdText(ds, ThresholdEdit::MaxDecayMisfit), "0");
  EXPECT_FALSE(EditThreshold(ds, ThresholdEdit::MaxDecayMisfit, "-1"));
  EXPECT_FALSE(EditThreshold(ds, ThresholdEdit::MaxDecayMisfit, "abc"));
  EXPECT_TRUE(EditThreshold(ds, ThresholdEdit::MaxDecayMisfit, "5"));
  EXPECT_EQ(ds.BadCount, 2);  // the sign change and the spike
  EXPECT_TRUE(EditThreshold(ds, ThresholdEdit::MaxDecayMisfit, "0"));
  EXPECT_EQ(ds.BadCount, 0);
}

TEST(DecayFit, ScheduleInTheSettingsFile) {
  TDataset ds = IPData(1, 20);
  FitDecays(ds);
  IniFile ini;
  ini.Parse("[IPProOptions]\r\nTimeIndex=4\r\nTypeIndex=3\r\n");
  ReadIPParameters(ini, ds);
  EXPECT_EQ(ds.IPParameters.TimeIndex, 4);
  EXPECT_EQ(ds.IPParameters.TypeIndex, 3);
  EXPECT_FLOAT_EQ(ds.IPParameters.Windows.IPWindowCentres[1], 40);
  EXPECT_GT(ds.DecayFits.Of(1), 0.1);  // refitted with the new times: no longer the exact law

  IniFile out;
  WriteIPParameters(out, ds);
  EXPECT_EQ(out.ReadInteger("IPProOptions", "TimeIndex", -9), 4);
  EXPECT_EQ(out.ReadInteger("IPProOptions", "TypeIndex", -9), 3);

  // Stored indices outside the table keep what was held; missing keys give the defaults.
  for (const char* text : {"[IPProOptions]\r\nTimeIndex=-1\r\nTypeIndex=0\r\n", "[IPProOptions]\r\nTimeIndex=1\r\nTypeIndex=7\r\n"}) {
    IniFile bad;
    bad.Parse(text);
    ReadIPParameters(bad, ds);
    EXPECT_EQ(ds.IPParameters.TimeIndex, 4) << text;
    EXPECT_EQ(ds.IPParameters.TypeIndex, 3) << text;
  }
  IniFile empty;
  ReadIPParameters(empty, ds);
  EXPECT_EQ(ds.IPParameters, TIPParameters{});
}

// ---------------------------------------------------------------------------
// The decay chart.

TEST(DecayChart, DragStoresTheWindowAndUnDoPutsItBack) {
  TDataset ds = IPData(8, 20);
  FitDecays(ds);
  TDecayChartModel chart;
  chart.ShowDecay(ds, 7, 1, 20);
  ASSERT_EQ(chart.Curve().size(), 20u);
  EXPECT_EQ(chart.Curve()[2].Label, "M3");
  EXPECT_FLOAT_EQ(static_cast<float>(chart.Curve()[0].T), 280);
  ASSERT_TRUE(chart.Global());
  EXPECT_DOUBLE_EQ(chart.GlobalStart(), 240);
  EXPECT_DOUBLE_EQ(chart.GlobalEnd(), 1840);
  EXPECT_FALSE(chart.Modified());
  const FixedTable<float, MaxIPWindows> before = ds.Points[7].M;
  const float ipBefore = ds.Points[7].IP;

  chart.SetWorkingValue(3, 250);
  EXPECT_TRUE(chart.Modified());
  const TAxisRange axis = *chart.Axis();
  chart.ShowDecay(ds, 0, 1, 20);
  EXPECT_EQ(ds.Points[7].M[3], 250);
  EXPECT_FLOAT_EQ(ds.Points[7].IP, static_cast<float>(*GlobalChargeability(ds.Points[7].M, ds.IPParameters.Windows, 1, 20)));
  EXPECT_NE(ds.Points[7].IP, ipBefore);
  EXPECT_GT(ds.DecayFits.Of(7), 5);
  EXPECT_EQ(chart.Axis()->Max, axis.Max);  // the axis stays while dragging
  EXPECT_EQ(ds.Points[6].M, before);       // other points untouched

  chart.UnDo(ds, 1, 20);
  EXPECT_FALSE(chart.Modified());
  EXPECT_EQ(ds.Points[7].M, before);
  EXPECT_FLOAT_EQ(ds.Points[7].IP, static_cast<float>(*GlobalChargeability(before, ds.IPParameters.Windows, 1, 20)));
  EXPECT_NEAR(ds.DecayFits.Of(7), 0, 1e-3);

  // Changing the window range reloads the stored values as the new initial ones.
  chart.SetWorkingValue(2, 111);
  chart.ShowDecay(ds, 0, 1, 20);
  chart.ShowDecay(ds, 7, 2, 20);
  EXPECT_FALSE(chart.Modified());
  EXPECT_EQ(chart.InitialValues()[2], 111);
  EXPECT_EQ(chart.InitialValues(), ds.Points[7].M);
  EXPECT_DOUBLE_EQ(chart.GlobalStart(), 320);  // the start of M2

  // A reversed range draws no chargeability line.
  chart.ShowDecay(ds, 7, 5, 2);
  EXPECT_FALSE(chart.Global());
}

TEST(DecayChart, LeftAxisAndCopyText) {
  const auto curve = [](std::initializer_list<double> values) {
    std::vector<TDecayCurvePoint> c;
    for (double v : values) c.push_back({0, v, ""});
    return c;
  };
  const TAxisRange positive = DecayAxisRange(curve({10, 8, 4}));
  EXPECT_DOUBLE_EQ(positive.Min, 0);
  EXPECT_DOUBLE_EQ(positive.Max, 10.6);
  const TAxisRange negative = DecayAxisRange(curve({3, -2, 1}));
  EXPECT_DOUBLE_EQ(negative.Min, -2);
  EXPECT_DOUBLE_EQ(negative.Max, 3.5);
  const TAxisRange flat = DecayAxisRange(curve({0, 0}));
  EXPECT_LT(flat.Min, flat.Max);

  TDataset ds = IPData(2, 3);
  TDecayChartModel chart;
  chart.ShowDecay(ds, 2, 1, 3);
  EXPECT_EQ(DecayCopyText(ds, 0, chart.Curve()), "");
  const std::string text = DecayCopyText(ds, 2, chart.Curve());
  std::string header;
  for (DataColumn c : DataColumns(ds)) header += "\t" + std::string(DataColumnHeader(c));
  ASSERT_EQ(text.rfind(header + "\r\n\t2\t", 0), 0u) << text;
  EXPECT_NE(text.find("\r\n280\t" + FormatValue(ds.Points[2].M[1], 2) + "\r\n"), std::string::npos) << text;
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");

  const TIPWindows w = ds.IPParameters.Windows;
  EXPECT_EQ(WindowStartItems(w, 2), (std::vector<std::string>{"M1, 240", "M2, 320"}));
  EXPECT_EQ(WindowEndItems(w, 2), (std::vector<std::string>{"M1, 320", "M2, 400"}));
}

// ---------------------------------------------------------------------------
// The SP chart.

TEST(SPChart, ExportAveragesTheShownLinesAtTheSameX) {
  std::vector<TSPLine> lines(3);
  lines[0].Points = {{0, 10}, {5, 20}, {10, 30}};
  lines[1].Points = {{5, 40}, {10.0005, 50}};
  lines[2].Points = {{0, 1000}, {5, 1000}};
  lines[2].Shown = false;  // hidden lines take no part
  EXPECT_EQ(SPCopyText(lines, 0), "X\tSP0\tSP_mean\r\n0\t10\t10\r\n5\t20\t30\r\n10\t30\t40\r\n");
  EXPECT_EQ(SPCopyText(lines, 1), "X\tSP1\tSP_mean\r\n5\t40\t30\r\n10.001\t50\t40\r\n");
  EXPECT_EQ(SPCopyText(lines, 3), "");
  EXPECT_EQ(SPCopyText(lines, -1), "");

  // More points than the original export could hold still export whole,
  // up to the 32000 characters.
  std::vector<TSPLine> many(1);
  for (int i = 0; i < 5000; ++i) many[0].Points.push_back({i * 1.5, 1.25});
  const std::string text = SPCopyText(many, 0);
  EXPECT_LE(text.size(), 32000u);
  EXPECT_GT(text.size(), 31000u);
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

TEST(SPChart, OneLinePerLevelAtTheArraysPosition) {
  for (const int type : {1, 6}) {
    TDataset ds;
    ds.DataKind = DataKindTextWithVI;
    ds.HasSP = true;
    ds.ArrayType = static_cast<std::uint8_t>(type);
    ds.LevelCount = 2;
    ds.LevelSpacing[1] = 2;
    ds.LevelMN[1] = 1;
    ds.LevelSpacing[2] = 4;
    ds.LevelMN[2] = 1;
    ds.Points.Resize(3);
    ds.PointCount = 3;
    const int levels[] = {1, 2, 2};
    for (int i = 1; i <= 3; ++i) {
      TDataPoint& p = ds.Points[i];
      p.PointType = static_cast<std::uint8_t>(i == 3 ? 3 : type);  // the third is of another type
      p.Level = levels[i - 1];
      p.XM = static_cast<float>(10 * i);
      p.XN = static_cast<float>(10 * i + 2);
      p.SP = static_cast<float>(i);
    }
    const auto lines = BuildSPLines(ds);
    ASSERT_EQ(lines.size(), 2u);
    if (type == 1) {
      EXPECT_EQ(lines[0].Title, "AM=2");
      EXPECT_EQ(lines[0].Points, (std::vector<TSPPoint>{{10, 1}}));
    } else {
      EXPECT_EQ(lines[1].Title, "AB=4 MN=1");
      EXPECT_EQ(lines[0].Points, (std::vector<TSPPoint>{{11, 1}}));
    }
    EXPECT_EQ(lines[1].Points.size(), 1u);
  }
}

}  // namespace
}  // namespace tarvo
