#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "engine/core/bad_points.h"
#include "engine/core/messenger.h"
#include "engine/core/numbers.h"
#include "engine/core/positions.h"
#include "engine/display/point_index.h"
#include "engine/display/section_view.h"

namespace tarvo {
namespace {

struct P {
  float x, spacing, mn;
  std::uint8_t q = 0;
  float rho = 100;
};

// Measured data (apparent resistivities) on electrodes 0, 1, ..., electrodes - 1
// with one set per entry of `sets`, stations and levels built.
TDataset Survey(const std::vector<std::vector<P>>& sets, int electrodes = 11, float kind = DataKindResistivityOnly) {
  TDataset ds;
  ds.DataKind = kind;
  for (const auto& set : sets) {
    const int first = ds.PointCount + 1;
    for (const P& g : set) {
      TDataPoint p;
      p.X = g.x;
      p.Spacing = g.spacing;
      p.MN = g.mn;
      p.Q = g.q;
      p.Rho = g.rho;
      p.XA = g.x - g.spacing;
      p.XB = g.x + g.spacing;
      p.XM = g.x - g.mn / 2;
      p.XN = g.x + g.mn / 2;
      ds.Points.Append(p);
      ds.PointCount = ds.Points.Size();
    }
    AddSet(ds, first, ds.PointCount, 3);
  }
  ds.ArrayType = 3;
  RecordingMessenger messenger;
  BuildStationAndLevelLists(ds, messenger);
  for (int i = 1; i <= ds.PointCount; ++i) FindStationAndLevel(ds, i);
  for (int e = 1; e <= electrodes; ++e) ds.ElectrodePos[e] = static_cast<float>(e - 1);
  ds.ElectrodePosCount = electrodes;
  return ds;
}

// A view of 500 x 300 pixels with text 13 high and "00000" 35 wide.
SectionView View(TDataset& ds) {
  SectionView v(ds);
  v.SetMetrics({13, 35});
  v.Resize(500, 300);
  v.Refresh();
  return v;
}

class CountingObserver : public DatasetObserver {
public:
  void BadCountChanged() override { ++recounts; }
  void PointChanged(int point) override { changed.push_back(point); }
  int recounts = 0;
  std::vector<int> changed;
};

// ---------------------------------------------------------------------------
// Layout

TEST(SectionLayout, PlotRangesScalesAndPixels) {
  TDataset ds = Survey({{{2, 1, 1}, {5, 4, 1}}}, 11);
  const SectionLayout l = LayOutSection(ds, 500, 300, {13, 35});
  // Half text height 6: left 6 - 1 + 35, bottom 300 - 12 - 1.
  EXPECT_EQ(l.plot.left, 40);
  EXPECT_EQ(l.plot.right, 498);
  EXPECT_EQ(l.plot.top, 5);
  EXPECT_EQ(l.plot.bottom, 287);
  EXPECT_EQ(l.xFirst, 0);
  EXPECT_EQ(l.xLast, 10);
  EXPECT_EQ(l.sMax, 4);
  EXPECT_FLOAT_EQ(l.hScale, 457.0f / 10);
  EXPECT_FLOAT_EQ(l.vScale, 281.0f / -4);

  EXPECT_EQ(l.PixelX(0), 40);
  EXPECT_EQ(l.PixelX(10), 497);
  EXPECT_EQ(l.PixelY(0), 5);
  EXPECT_EQ(l.PixelY(4), 286);
  EXPECT_EQ(l.PixelX(NoElectrode), -3000);  // an electrode at infinity stays drawable
  EXPECT_EQ(l.PixelX(1e9), 3000);
  // Clicks map back inside the ranges.
  EXPECT_DOUBLE_EQ(l.CoordinateAt(0), 0);
  EXPECT_DOUBLE_EQ(l.CoordinateAt(2000), 10);
  EXPECT_DOUBLE_EQ(l.SpacingAt(0), 0);
  EXPECT_DOUBLE_EQ(l.SpacingAt(299), 4);
  EXPECT_NEAR(l.CoordinateAt(l.PixelX(5)), 5, 0.02);
}

TEST(SectionLayout, SmallBoxesAndDegenerateRanges) {
  TDataset ds = Survey({{{3, 0, 1}}}, 1);
  ds.ElectrodePos[1] = 3;
  const SectionLayout l = LayOutSection(ds, 10, 10, {13, 35});
  EXPECT_EQ(l.plot.right, l.plot.left + 2);
  EXPECT_EQ(l.plot.bottom, l.plot.top + 2);
  // One electrode position and a zero spacing still give finite scales.
  EXPECT_EQ(l.xFirst, 2);
  EXPECT_EQ(l.xLast, 4);
  EXPECT_EQ(l.sMax, 1);
  EXPECT_TRUE(std::isfinite(l.hScale));
  EXPECT_TRUE(std::isfinite(l.vScale));
}

TEST(SectionLayout, TicksAndTheirLabels) {
  TDataset ds = Survey({{{2, 1, 1}, {5, 4, 1}}}, 11);
  ds.XShift = 100;
  SectionView v = View(ds);
  const SectionScene& s = v.Scene();
  // Across: the shifted coordinates 100..110, at the pixels of 0..10.
  ASSERT_FALSE(s.horizontalTicks.empty());
  EXPECT_EQ(s.horizontalTicks.front().label, "100");
  EXPECT_EQ(s.horizontalTicks.front().pixel, v.Layout().PixelX(0));
  EXPECT_EQ(s.horizontalTicks.back().label, "110");
  EXPECT_EQ(s.horizontalTicks.back().pixel, v.Layout().PixelX(10));
  EXPECT_LE(static_cast<int>(s.horizontalTicks.size()), (498 - 40) / 35 + 1);
  // Down: round spacings from 0.01 to the largest, about one per text
  // height: 21 rows of text make steps of 0.2.
  ASSERT_FALSE(s.verticalTicks.empty());
  EXPECT_EQ(s.verticalTicks.front().label, "0.2");
  EXPECT_EQ(s.verticalTicks.front().pixel, v.Layout().PixelY(0.2));
  EXPECT_EQ(s.verticalTicks[4].label, "1");
  EXPECT_EQ(s.verticalTicks[4].pixel, v.Layout().PixelY(1));
  EXPECT_LE(static_cast<int>(s.verticalTicks.size()), (287 - 5) / 13 + 1);
}

// ---------------------------------------------------------------------------
// Scene

TEST(SectionScene, SymbolsOffsetsSetsAndHiddenLines) {
  // Levels (1, 1), (3, 1), (3, 2): the last shares its row with the one before.
  TDataset ds = Survey({{{2, 1, 1}, {4, 3, 1}}, {{4, 3, 2}, {6, 1, 1, 5}}});
  ds.Thresholds.ErrorLimit = 1;
  SectionView v = View(ds);
  const SectionScene& s = v.Scene();
  ASSERT_EQ(s.marks.size(), 4u);
  EXPECT_EQ(s.marks[0].symbol, SectionSymbol::GoodCross);
  EXPECT_EQ(s.marks[3].symbol, SectionSymbol::BadSquare);
  EXPECT_EQ(s.marks[2].x, s.marks[1].x + 1);
  EXPECT_EQ(s.marks[2].y, s.marks[1].y + 1);
  EXPECT_EQ(s.electrodes.size(), 11u);
  EXPECT_EQ(s.electrodeRow, 5);
  EXPECT_TRUE(s.setSquares.empty());  // no set selected

  ds.ElectrodePosFlag[3] = 1;
  ds.SelectedSetEntry = 1;
  SectionViewOptions o;
  o.mapOn = false;
  o.hiddenLastLines = 2;
  v.SetOptions(o);
  v.Refresh();
  EXPECT_TRUE(s.electrodes[2].deleted);
  ASSERT_EQ(s.setSquares.size(), 2u);
  EXPECT_EQ(s.setSquares[0].fill, SetSquareFill::Green);
  EXPECT_EQ(s.setSquares[0].x, s.marks[2].x);
  ASSERT_EQ(s.hiddenLines.size(), 2u);
  EXPECT_EQ(s.hiddenLines[0], v.Layout().PixelY(3));  // level 3, then level 2 of the same spacing
  EXPECT_EQ(s.hiddenLines[1], v.Layout().PixelY(3));

  // With the colour map on, measured data show no set squares; without
  // "Data points" no symbol at all, but the electrodes.
  o.mapOn = true;
  o.dataPoints = false;
  v.SetOptions(o);
  v.Refresh();
  EXPECT_TRUE(s.setSquares.empty());
  EXPECT_TRUE(s.marks.empty());
  EXPECT_EQ(s.electrodes.size(), 11u);
}

TEST(SectionScene, SequenceSymbolsAndSetFills) {
  TDataset ds = Survey({{{2, 1, 1, QPlanned}}, {{2, 1, 1, QRepeated}, {4, 1, 1, 3}, {6, 1, 1, QPlanned}}}, 11,
                       DataKindSequence);
  SectionViewOptions o;
  o.dataPoints = false;  // has no say over a sequence
  SectionView v(ds);
  v.SetMetrics({13, 35});
  v.SetOptions(o);
  v.Resize(500, 300);
  ds.SelectedSetEntry = 1;
  v.Refresh();
  const SectionScene& s = v.Scene();
  ASSERT_EQ(s.marks.size(), 4u);
  EXPECT_EQ(s.marks[1].symbol, SectionSymbol::PlannedCross);
  EXPECT_EQ(s.marks[2].symbol, SectionSymbol::RemovedSquare);
  ASSERT_EQ(s.setSquares.size(), 3u);
  EXPECT_EQ(s.setSquares[0].fill, SetSquareFill::Blue);
  EXPECT_EQ(s.setSquares[1].fill, SetSquareFill::Red);
  EXPECT_EQ(s.setSquares[2].fill, SetSquareFill::Green);

  ds.SelectedSetEntry = 0;  // the first set stays green whatever its codes
  v.MarkDirty();
  v.Refresh();
  ASSERT_EQ(s.setSquares.size(), 1u);
  EXPECT_EQ(s.setSquares[0].fill, SetSquareFill::Green);
}

TEST(SectionMap, MeasuredDataGetTheirOwnGridAndLevels) {
  // Three levels under every second station, resistivities 10..1000.
  std::vector<P> points;
  for (int st = 0; st < 10; ++st) {
    for (int lv = 1; lv <= 3; ++lv) {
      points.push_back({static_cast<float>(st), static_cast<float>(lv), 1, 0, static_cast<float>(10 * (st + 1) * lv)});
    }
  }
  TDataset ds = Survey({points});
  ColorTable colors;
  SetFirstMapColors(colors);
  RangeMultipliers multipliers;
  SectionView v(ds);
  v.SetMetrics({13, 35});
  v.SetColors(&colors, &multipliers);
  v.Resize(500, 300);
  v.Refresh();
  EXPECT_TRUE(v.ShowsMap());
  EXPECT_EQ(v.Caption(), "Data and quadripoles configuration");
  EXPECT_EQ(v.GridDescription().StationCount, 10);
  EXPECT_EQ(v.GridDescription().LevelCount, 3);
  ASSERT_FALSE(v.Map().Spans.empty());
  EXPECT_GE(v.Levels().Count, 2);
  EXPECT_LE(v.Levels().Count, colors.Count - 1);
  for (const MapSpan& span : v.Map().Spans) {
    EXPECT_GE(span.Row, v.Layout().PixelY(1));
    EXPECT_LE(span.Row, v.Layout().PixelY(3) + 1);
    EXPECT_GE(span.Left, v.Layout().PixelX(0));
    EXPECT_LE(span.Right, v.Layout().PixelX(9) + 1);
  }
  // A wider maximum raises the upper end of the range.
  const ValueRange before = v.Range();
  multipliers.WidenMax();
  v.MarkDirty();
  v.Refresh();
  EXPECT_FLOAT_EQ(v.Range().Low, before.Low);
  EXPECT_GT(v.Range().High, before.High);

  // Chargeability is mapped linearly; without the map, or for a sequence,
  // nothing is mapped.
  SectionViewOptions o;
  o.mapOn = false;
  v.SetOptions(o);
  v.Refresh();
  EXPECT_TRUE(v.Map().Spans.empty());
  EXPECT_EQ(v.Caption(), "Configuration of array");
  o.mapOn = true;
  v.SetOptions(o);
  ds.DataKind = DataKindSequence;
  v.MarkDirty();
  v.Refresh();
  EXPECT_TRUE(v.Map().Spans.empty());
}

// The spans a view keeps from one layout to the next are those a view
// laid out afresh on the same data draws: kept while the grid, the range
// and the layout stay, made again when a deletion, the multipliers or the
// size change them.
TEST(SectionMap, KeptSpansAreTheSpansOfAFreshLayout) {
  std::vector<P> points;
  for (int st = 0; st < 10; ++st) {
    for (int lv = 1; lv <= 3; ++lv) {
      points.push_back({static_cast<float>(st), static_cast<float>(lv), 1, 0, static_cast<float>(10 * (st + 1) * lv)});
    }
  }
  TDataset ds = Survey({points});
  ColorTable colors;
  SetFirstMapColors(colors);
  RangeMultipliers multipliers;
  const auto laidOut = [&](SectionView& v, int width) {
    v.SetMetrics({13, 35});
    v.SetColors(&colors, &multipliers);
    v.Resize(width, 300);
    v.Refresh();
  };
  const auto spansOfAFreshView = [&](int width) {
    SectionView fresh(ds);
    laidOut(fresh, width);
    return fresh.Map().Spans;
  };
  const auto same = [](const std::vector<MapSpan>& a, const std::vector<MapSpan>& b) { return a == b; };
  SectionView v(ds);
  laidOut(v, 500);
  ASSERT_FALSE(v.Map().Spans.empty());

  // A redraw of the same data keeps the spans.
  std::uint64_t generation = v.MapGeneration();
  const std::uint64_t scene = v.SceneGeneration();
  v.MarkDirty();
  ASSERT_TRUE(v.Refresh());
  EXPECT_EQ(v.MapGeneration(), generation);
  EXPECT_GT(v.SceneGeneration(), scene);
  EXPECT_TRUE(same(v.Map().Spans, spansOfAFreshView(500)));

  // A deleted point leaves the grid: the map is made again, as afresh.
  v.ShowDataPoint(14);
  v.Delete();
  v.Refresh();
  EXPECT_NE(v.MapGeneration(), generation);
  EXPECT_TRUE(same(v.Map().Spans, spansOfAFreshView(500)));
  generation = v.MapGeneration();
  v.Delete();  // restored
  v.Refresh();
  EXPECT_NE(v.MapGeneration(), generation);
  EXPECT_TRUE(same(v.Map().Spans, spansOfAFreshView(500)));

  // A wider range and another size change the spans too.
  const ValueRange before = v.Range();
  multipliers.WidenMax();
  v.MarkDirty();
  v.Refresh();
  EXPECT_GT(v.Range().High, before.High);
  EXPECT_TRUE(same(v.Map().Spans, spansOfAFreshView(500)));
  v.Resize(431, 300);
  v.Refresh();
  EXPECT_TRUE(same(v.Map().Spans, spansOfAFreshView(431)));

  // Off and on again: drawn anew.
  generation = v.MapGeneration();
  SectionViewOptions o = v.Options();
  o.mapOn = false;
  v.SetOptions(o);
  v.Refresh();
  EXPECT_TRUE(v.Map().Spans.empty());
  EXPECT_NE(v.MapGeneration(), generation);
  o.mapOn = true;
  v.SetOptions(o);
  v.Refresh();
  EXPECT_TRUE(same(v.Map().Spans, spansOfAFreshView(431)));
}

// ---------------------------------------------------------------------------
// Picking

TEST(SectionPicking, MidwayPicksTheLowerIndexWhicheverSideItIs) {
  for (const bool leftFirst : {true, false}) {
    TDataset ds = leftFirst ? Survey({{{2, 1, 1}, {4, 1, 1}}}) : Survey({{{4, 1, 1}, {2, 1, 1}}});
    SectionView v = View(ds);
    const PickOutcome o = v.PickAt(3, 1);
    EXPECT_EQ(v.SelectedPoint(), 1) << leftFirst;
    EXPECT_EQ(o.dataRow, 1);
    EXPECT_EQ(o.electrodeRow, 0);
    EXPECT_TRUE(v.DeleteEnabled());
  }
}

TEST(SectionPicking, FarBelowEveryPointStillPicksTheNearest) {
  TDataset ds = Survey({{{2, 1, 1}, {5, 2, 1}, {8, 1, 1}}});
  SectionView v = View(ds);
  v.MouseDown(v.Layout().PixelX(5.5), 299);
  EXPECT_EQ(v.SelectedPoint(), 2);
  // Bad points are picked like any other.
  ds.Points[3].Q = 50;
  v.MarkDirty();
  v.MouseDown(v.Layout().PixelX(9), 299);
  EXPECT_EQ(v.SelectedPoint(), 3);
}

TEST(SectionPicking, ElectrodeStrip) {
  TDataset ds = Survey({{{2, 2, 1}, {5, 4, 1}}});
  SectionView v = View(ds);
  // Just above half the first spacing (1) near electrode 4 (x = 3).
  PickOutcome o = v.PickAt(3.2, 0.99);
  EXPECT_EQ(v.SelectedPoint(), 0);
  EXPECT_EQ(o.electrodeRow, 4);
  EXPECT_EQ(o.dataRow, 0);
  EXPECT_TRUE(v.Marker().visible);
  EXPECT_EQ(v.Marker().x, v.Layout().PixelX(3));
  EXPECT_EQ(v.Marker().y, v.Layout().plot.top);
  EXPECT_FALSE(v.DeleteEnabled());
  EXPECT_EQ(v.Status().nD_p, "---");

  // At half the first spacing the points begin.
  v.PickAt(3.2, 1.0);
  EXPECT_EQ(v.SelectedPoint(), 1);
  // Half the mean electrode spacing (0.5) or farther from every electrode: nothing.
  TDataset wide = Survey({{{2, 2, 1}}}, 3);
  wide.ElectrodePos[2] = 2;
  wide.ElectrodePos[3] = 4;
  SectionView w = View(wide);
  o = w.PickAt(1.0, 0.2);  // mean spacing 2, tolerance 1: exactly 1 from both neighbours
  EXPECT_EQ(o.electrodeRow, 0);
  EXPECT_FALSE(w.Marker().visible);
  EXPECT_EQ(w.SelectedPoint(), 0);
  o = w.PickAt(1.1, 0.2);
  EXPECT_EQ(o.electrodeRow, 2);
  // The electrode grid's own pick does not select its row again.
  w.ShowElectrode(3);
  EXPECT_TRUE(w.Marker().visible);
  EXPECT_EQ(w.Marker().x, w.Layout().PixelX(4));
}

TEST(SectionPicking, OverlappingMNSegments) {
  // Spacing 3 with MN 1 and 2 on one row; the MN-2 point comes first.
  TDataset ds = Survey({{{4, 3, 2}, {4, 3, 1}, {6, 3, 1}, {2, 1, 1}}});
  ASSERT_EQ(ds.Points[2].Level + 1, ds.Points[1].Level);
  SectionView v = View(ds);
  v.PickAt(4, 3.4);  // below the row: the second level
  EXPECT_EQ(v.SelectedPoint(), 1);
  int x = 0;
  int y = 0;
  ASSERT_TRUE(v.PointPixel(1, x, y));
  EXPECT_EQ(v.Marker().x, x);
  EXPECT_EQ(v.Marker().y, y);
  EXPECT_EQ(x, v.Layout().PixelX(4) + 1);
  v.PickAt(4, 2.6);  // above it: the first
  EXPECT_EQ(v.SelectedPoint(), 2);
  EXPECT_EQ(v.Marker().x, v.Layout().PixelX(4));
  // No point on the other level at that station: the first pick stays.
  v.PickAt(6, 3.4);
  EXPECT_EQ(v.SelectedPoint(), 3);
  // From the table the point is the table's own, with its offset.
  v.ShowDataPoint(1);
  EXPECT_EQ(v.SelectedPoint(), 1);
  EXPECT_EQ(v.Marker().x, v.Layout().PixelX(4) + 1);
  EXPECT_EQ(v.Status().RX_P, "X=4 Ps.Z=3");
}

TEST(SectionPicking, SelectedSetIsSearchedAndNumbered) {
  TDataset ds = Survey({{{2, 1, 1}, {3, 1, 1}}, {{6, 1, 1}, {8, 1, 1}}});
  SectionView v = View(ds);
  ds.SelectedSetEntry = 1;
  v.Reset(false);
  v.PickAt(2, 1);
  EXPECT_EQ(v.SelectedPoint(), 3);
  EXPECT_EQ(v.Status().nD_p, "N=1");
  ds.SelectedSetEntry = -1;
  v.Reset(false);
  v.PickAt(8, 1);
  EXPECT_EQ(v.Status().nD_p, "N=4");
  // An entry beyond the last set selects nothing.
  ds.SelectedSetEntry = 5;
  EXPECT_EQ(v.SetSelector(), -1);
  EXPECT_EQ(v.PickSet(), 0);
}

TEST(SectionPicking, ClicksOutsideOrWithoutDataAreIgnored) {
  TDataset ds = Survey({{{2, 1, 1}}});
  SectionView v = View(ds);
  v.MouseDown(-1, 100);
  v.MouseDown(100, 300);
  EXPECT_EQ(v.SelectedPoint(), 0);
  ds.DataKind = DataKindHeaderOnly;
  v.MouseDown(100, 100);
  EXPECT_EQ(v.SelectedPoint(), 0);
}

TEST(SectionPicking, ElectrodeMarkersHideFarPoles) {
  TDataset ds = Survey({{{5, 2, 1}}});
  ds.Points[1].XB = NoElectrode;
  ds.Points[1].XA = 300;  // far beyond the line
  SectionView v = View(ds);
  v.PickAt(5, 2);
  const auto& m = v.ElectrodeMarkers();
  EXPECT_FALSE(m[SectionView::MarkerA].visible);
  EXPECT_FALSE(m[SectionView::MarkerB].visible);
  EXPECT_TRUE(m[SectionView::MarkerM].visible);
  EXPECT_EQ(m[SectionView::MarkerM].x, v.Layout().PixelX(4.5));
  EXPECT_EQ(m[SectionView::MarkerM].y, SectionView::ElectrodeMarkerSize / 2);
  // A resize forgets the pick.
  v.Resize(400, 300);
  EXPECT_EQ(v.SelectedPoint(), 0);
  EXPECT_FALSE(m[SectionView::MarkerM].visible);
  EXPECT_EQ(v.Status(), SectionStatus{});
}

// ---------------------------------------------------------------------------
// Status texts

TEST(SectionStatusTexts, SyscalSingleSetAndOtherData) {
  TDataset ds = Survey({{{2, 1, 1, 3}, {4, 1, 1}}}, 11, DataKindInstrument);
  ds.Quads.Resize(2);
  ds.Quads[1] = TQuadripole{1, 4, 2, 3, 1, 25.0f};
  ds.Quads[2] = TQuadripole{2, 5, 3, 4, 1, 25.0f};
  ds.SyscalRaw.Resize(2);
  ds.SyscalRaw[1].V = 40;
  ds.SyscalRaw[1].I = 8;
  ds.SyscalRaw[2].I = 0;
  ds.FileHeader.DocType = DocTypeCurrent;
  SectionStatus s = PickStatus(ds, 1, 0, 12, 4.25);
  EXPECT_EQ(s.RX_P, "X=12 Ps.Z=4.25");
  EXPECT_EQ(s.nD_p, "N=1");
  EXPECT_EQ(s.El_P, "nA=1 nB=4 nM=2 nN=3");
  EXPECT_EQ(s.Roa_P, "125 (q=3)");
  EXPECT_EQ(PickStatus(ds, 2, 0, 0, 0).Roa_P, "---");  // no current

  ds.DataKind = DataKindResistivityOnly;
  ds.Points[2].Rho = 12.5f;
  s = PickStatus(ds, 2, 0, 0, 0);
  EXPECT_EQ(s.El_P, "- - - -");
  EXPECT_EQ(s.Roa_P, "12.5 (q=0)");

  // A sequence of several sets shows neither numbers nor a value.
  TDataset seq = Survey({{{2, 1, 1, QPlanned}}, {{2, 1, 1, QPlanned}}}, 11, DataKindSequence);
  s = PickStatus(seq, 2, 2, 0, 0);
  EXPECT_EQ(s.nD_p, "N=1");
  EXPECT_EQ(s.El_P, "- - - -");
  EXPECT_EQ(s.Roa_P, "---");
}

TEST(SectionStatusTexts, BadReasonsFollowTheBadPointTest) {
  TDataset ds = Survey({{{2, 1, 1}}}, 11, DataKindTextWithVI);
  ds.HasIP = true;
  ds.Thresholds.MinVoltage = 1;
  ds.Thresholds.MinCurrent = 1;
  TDataPoint& p = ds.Points[1];
  struct Case {
    std::uint8_t q;
    float rho, v, i, ip;
    const char* reason;
  };
  const Case cases[] = {
      {0, 100, 5, 5, 0, ""},
      {5, 100, 5, 5, 0, "q 5 > 1 %"},
      {QRejected, 100, 5, 5, 0, "rejected (q 100)"},
      {0 ^ DeletedMark, 100, 5, 5, 0, "marked deleted"},
      {0, 0, 5, 5, 0, "app. resistivity not positive"},
      {0, 100, 0.5f, 5, 0, "|V| < Min. dU 1"},
      {0, 100, 5, -0.5f, 0, "|I| < Min. I 1"},
      {0, 100, 5, 5, -101, "IP < Min. IP -100"},
      {0, 100, 5, 5, 101, "IP > Max. IP 100"},
  };
  for (const Case& c : cases) {
    p.Q = c.q;
    p.Rho = c.rho;
    p.V = c.v;
    p.I = c.i;
    p.IP = c.ip;
    EXPECT_EQ(BadPointReason(ds, 1), c.reason);
    EXPECT_EQ(IsBad(ds, 1), *c.reason != 0) << c.reason;
    const std::string tip = PointDescription(ds, 1, true);
    EXPECT_EQ(tip.find("Bad: ") != std::string::npos, *c.reason != 0) << tip;
  }
  p.Q = 0;
  p.IP = 7.5f;
  EXPECT_NE(PointDescription(ds, 1, true).find("IP=7.5"), std::string::npos);
  EXPECT_NE(PointDescription(ds, 1, false).find("V=5 mV  I=5 mA"), std::string::npos);
}

// ---------------------------------------------------------------------------
// Marking

TEST(SectionDelete, TwiceRestoresTheQualityCodeAndTellsTheViews) {
  TDataset ds = Survey({{{2, 1, 1, 0}, {4, 1, 1, 7}}});
  ds.Thresholds.ErrorLimit = 10;
  CountingObserver views;
  ds.Observers.push_back(&views);
  SectionView v = View(ds);
  EXPECT_TRUE(v.Delete().changed.empty());  // nothing picked
  v.PickAt(4, 1);
  SectionEdit e = v.Delete();
  EXPECT_EQ(e.changed, std::vector<int>{2});
  EXPECT_FALSE(e.modified);
  EXPECT_EQ(ds.Points[2].Q, 7 ^ DeletedMark);
  EXPECT_EQ(ds.BadCount, 1);
  EXPECT_FALSE(v.Marker().visible);
  EXPECT_EQ(v.SelectedPoint(), 2);
  EXPECT_EQ(v.Status().Roa_P, "100 (q=250)");
  v.Delete();
  EXPECT_EQ(ds.Points[2].Q, 7);
  EXPECT_EQ(ds.BadCount, 0);
  EXPECT_EQ(views.changed, (std::vector<int>{2, 2}));
  EXPECT_EQ(views.recounts, 2);
  // Undo takes back the last Delete, once.
  v.Undo();
  EXPECT_EQ(ds.Points[2].Q, 7 ^ DeletedMark);
  EXPECT_FALSE(v.CanUndo());
  EXPECT_TRUE(v.Undo().changed.empty());
}

TEST(SectionDelete, SequenceOfOneSetIsModified) {
  TDataset ds = Survey({{{2, 1, 1, QPlanned}, {4, 1, 1, QRepeated}}}, 11, DataKindSequence);
  SectionView v = View(ds);
  v.PickAt(4, 1);
  EXPECT_TRUE(v.Delete().modified);
  EXPECT_EQ(ds.Points[2].Q, 3);
  v.Delete();
  EXPECT_EQ(ds.Points[2].Q, QRepeated);
}

TEST(SectionDelete, BandMarksItsGoodPointsAndASecondDeleteRestoresThem) {
  TDataset ds = Survey({{{2, 1, 1, 0}, {3, 1, 1, 5}, {4, 1, 1, 0 ^ DeletedMark}, {8, 1, 1, 0}}});
  ds.Thresholds.ErrorLimit = 1;
  SectionView v = View(ds);
  const SectionLayout& l = v.Layout();
  v.SelectBand(l.PixelX(1.5), 0, l.PixelX(4.5), 299);
  EXPECT_EQ(v.Band(), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(v.Status().nD_p, "3 points");
  EXPECT_TRUE(v.DeleteEnabled());
  EXPECT_EQ(v.Delete().changed, std::vector<int>{1});  // the only good one
  EXPECT_EQ(ds.BadCount, 3);
  v.Delete();
  EXPECT_EQ(ds.Points[1].Q, 0);
  EXPECT_EQ(ds.Points[2].Q, 5);
  EXPECT_EQ(ds.Points[3].Q, 0 ^ DeletedMark);
  // Now every point of the band is bad: Delete takes the marks away.
  v.SelectBand(l.PixelX(2.5), 0, l.PixelX(4.5), 299);
  v.Delete();  // no good point in this band: the mark of point 3 comes off
  EXPECT_EQ(ds.Points[3].Q, 0);
  EXPECT_EQ(ds.Points[2].Q, 5);
  v.Undo();
  EXPECT_EQ(ds.Points[3].Q, 0 ^ DeletedMark);
}

TEST(SectionDelete, RemoveDoublePoints) {
  TDataset ds = Survey({{{2, 1, 1, QPlanned}, {4, 1, 1, QPlanned}},
                        {{2, 1, 1, QRepeated}, {6, 1, 1, QPlanned}},
                        {{4, 1, 1, QRepeated}}},
                       11, DataKindSequence);
  ds.SequenceSetCount = 1;
  ds.MergedCount = 2;
  SectionView v = View(ds);
  v.Reset(true);
  EXPECT_TRUE(v.DoubleEnabled());
  EXPECT_EQ(v.RemoveDoublePoints(), (std::vector<int>{3, 5}));
  EXPECT_EQ(ds.Points[3].Q, 3);
  EXPECT_EQ(ds.Points[5].Q, 3);
  EXPECT_EQ(ds.MergedCount, 0);
  EXPECT_EQ(ds.BadCount, 2);
  EXPECT_FALSE(v.DoubleEnabled());
  // A sequence already merged into its sets has nothing to remove.
  ds.SequenceSetCount = 3;
  ds.Points[4].Q = QRepeated;
  EXPECT_FALSE(v.RemoveDoublePoints().has_value());
}

// ---------------------------------------------------------------------------
// The index against a plain scan

int Scan(const std::vector<IndexSite>& sites, const PointIndex& index, double x, double s) {
  int best = 0;
  double d = std::numeric_limits<double>::infinity();
  for (const IndexSite& site : sites) {
    const double e = index.Distance(site, x, s);
    if (e < d) {
      d = e;
      best = site.id;
    }
  }
  return best;
}

TEST(PointIndex, AgreesWithAScanIncludingTies) {
  std::mt19937 random(7);
  for (const int count : {1, 2, 30, 2000}) {
    // Points on a coarse lattice, many on the same place, in shuffled
    // positions but ascending ids.
    std::uniform_int_distribution<int> column(0, 40);
    std::uniform_int_distribution<int> row(1, 12);
    std::vector<IndexSite> sites;
    for (int id = 1; id <= count; ++id) {
      sites.push_back({static_cast<float>(column(random)) * 0.5f, static_cast<float>(row(random)), id});
    }
    PointIndex index;
    index.Build(sites, 11.7, -23.3);
    std::uniform_real_distribution<double> qx(-10, 30);
    std::uniform_real_distribution<double> qs(-3, 16);
    for (int k = 0; k < 3000; ++k) {
      // Half of the queries on lattice midpoints, where ties are common.
      const bool lattice = k % 2 == 0;
      const double x = lattice ? std::round(qx(random) * 4) / 4 : qx(random);
      const double s = lattice ? std::round(qs(random) * 2) / 2 : qs(random);
      ASSERT_EQ(index.Nearest(x, s), Scan(sites, index, x, s)) << count << " at " << x << ", " << s;
    }
    const int near = index.NearestWithin(sites[0].x, sites[0].s, 0.5);
    EXPECT_NE(near, 0);
    EXPECT_EQ(index.NearestWithin(100, 100, 5), 0);
  }
  PointIndex empty;
  empty.Build({}, 1, -1);
  EXPECT_EQ(empty.Nearest(0, 0), 0);
}

}  // namespace
}  // namespace tarvo
