#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/display/color_table.h"
#include "engine/display/contour_levels.h"
#include "engine/display/value_grid.h"
#include "test_files.h"

namespace tarvo {
namespace {

std::vector<float> BoundsOf(const ContourLevels& levels) {
  std::vector<float> b;
  for (int k = 1; k <= levels.Count; ++k) b.push_back(levels.Bound(k));
  return b;
}

void ExpectBounds(const ContourLevels& levels, const std::vector<float>& expected, float tolerance) {
  ASSERT_EQ(levels.Count, static_cast<int>(expected.size())) << ::testing::PrintToString(BoundsOf(levels));
  for (int k = 1; k <= levels.Count; ++k) {
    EXPECT_NEAR(levels.Bound(k), expected[static_cast<std::size_t>(k - 1)], tolerance) << "bound " << k;
  }
  EXPECT_EQ(levels.Bound(0), LowSentinel);
  EXPECT_EQ(levels.Bound(levels.Count + 1), HighSentinel);
}

TEST(ColorTableTest, IncreaseBlendsNeighboursAndDecreaseGivesTheSameColoursBack) {
  ColorTable t;
  const ColorTable original = t;
  ASSERT_EQ(t.Count, 11);
  ASSERT_TRUE(IncreaseColors(t));
  EXPECT_EQ(t.Count, 21);
  EXPECT_EQ(t.Colors[1], PaletteRGB(0, 0, 0));
  EXPECT_EQ(t.Colors[2], PaletteRGB(0, 0, 85));
  EXPECT_EQ(t.Colors[3], PaletteRGB(0, 0, 170));
  // (0, 0, 170) and (40, 40, 255): 212.5 rounds to the even 212.
  EXPECT_EQ(t.Colors[4], PaletteRGB(20, 20, 212));
  EXPECT_EQ(t.Colors[21], PaletteRGB(170, 0, 0));
  ASSERT_TRUE(DecreaseColors(t));
  EXPECT_EQ(t.Count, 11);
  for (int i = 1; i <= 11; ++i) EXPECT_EQ(t.Colors[i], original.Colors[i]) << "colour " << i;
}

TEST(ColorTableTest, IncreaseAndDecreaseStopAtTheirLimits) {
  ColorTable t;
  for (const int expected : {21, 41, 81}) {
    ASSERT_TRUE(IncreaseColors(t));
    EXPECT_EQ(t.Count, expected);
  }
  const ColorTable at81 = t;
  EXPECT_FALSE(IncreaseColors(t));  // more than 51 colours
  EXPECT_EQ(t, at81);
  for (const int expected : {41, 21, 11, 6, 3}) {
    ASSERT_TRUE(DecreaseColors(t));
    EXPECT_EQ(t.Count, expected);
  }
  EXPECT_FALSE(DecreaseColors(t));  // (3 - 1) div 2 = 1: needs at least 5 colours
  EXPECT_EQ(t.Count, 3);
}

TEST(ColorTableTest, PaleBlendsAThirdTowardsWhite) {
  ColorTable t;
  PaleColors(t);
  EXPECT_EQ(t.Colors[1], PaletteRGB(85, 85, 85));
  EXPECT_EQ(t.Colors[10], PaletteRGB(255, 85, 85));
  EXPECT_EQ(t.Colors[2], PaletteRGB(85, 85, 198));  // 170 + 85/3 = 198.33
  for (int i = 1; i <= 11; ++i) EXPECT_EQ(t.Colors[i] >> 24, 0x02u) << "palette-relative flag of " << i;
}

TEST(ColorTableTest, FirstMapsUseTwentyOnePaleColours) {
  ColorTable t;
  SetFirstMapColors(t);
  EXPECT_EQ(t.Count, 21);
  EXPECT_EQ(t.Colors[1], PaletteRGB(85, 85, 85));
  EXPECT_EQ(t.Colors[2], PaletteRGB(85, 85, 142));  // (0, 0, 85) made pale
  EXPECT_EQ(t.Colors[21], PaletteRGB(198, 85, 85));
}

TEST(ColorTableTest, GreyRampFromTheGradientColours) {
  ColorTable t;
  const PaletteColor lo = PaletteRGB(15, 15, 15);
  const PaletteColor hi = PaletteRGB(240, 240, 240);
  const PaletteColor mid = BlendColor(lo, hi, 1, 2);
  EXPECT_EQ(mid, PaletteRGB(128, 128, 128));  // 127.5 rounds to the even 128
  MakeColorRamp(t, lo, hi, mid, 12);
  EXPECT_EQ(t.Count, 12);
  EXPECT_EQ(t.Colors[1], lo);
  EXPECT_EQ(t.Colors[12], hi);
  for (int i = 2; i <= 12; ++i) EXPECT_GT(RedOf(t.Colors[i]), RedOf(t.Colors[i - 1])) << "ramp rises at " << i;
  MakeColorRamp(t, lo, hi, mid, 1);
  EXPECT_EQ(t.Count, 1);
  EXPECT_EQ(t.Colors[1], mid);
}

TEST(ColorTableTest, UniformColoursRunFromDarkToLight) {
  ColorTable t;
  MakeUniformColors(t, 21);
  EXPECT_EQ(t.Count, 21);
  EXPECT_EQ(t.Colors[1], PaletteRGB(0x44, 0x01, 0x54));
  EXPECT_EQ(t.Colors[21], PaletteRGB(0xfd, 0xe7, 0x25));
  // Lightness (Rec. 709 luma) rises from every colour to the next.
  const auto luma = [](PaletteColor c) { return 0.2126 * RedOf(c) + 0.7152 * GreenOf(c) + 0.0722 * BlueOf(c); };
  for (int i = 2; i <= 21; ++i) EXPECT_GT(luma(t.Colors[i]), luma(t.Colors[i - 1])) << "colour " << i;
}

TEST(ColorTableTest, ClassesBeyondTheColoursTakeTheLastColour) {
  ColorTable t;
  EXPECT_EQ(t.ClassColor(12), t.Colors[11]);
  EXPECT_EQ(t.ClassColor(0), t.Colors[1]);
}

TEST(ContourLevelsTest, LogLevelsOfTwoDecades) {
  ContourLevels levels;
  ASSERT_TRUE(LogLevels(levels, MapLevelsPerDecade, 10, 10, 1000));
  ExpectBounds(levels, {10, 16, 25, 40, 65, 100, 160, 250, 400, 650, 1000}, 1e-3f);
  // The ends in either order give the same levels.
  ContourLevels reversed;
  ASSERT_TRUE(LogLevels(reversed, MapLevelsPerDecade, 10, 1000, 10));
  EXPECT_EQ(BoundsOf(reversed), BoundsOf(levels));
}

TEST(ContourLevelsTest, LogLevelsOfEqualEndsWidenTheRange) {
  ContourLevels same;
  ASSERT_TRUE(LogLevels(same, MapLevelsPerDecade, 10, 50, 50));
  ContourLevels widened;
  ASSERT_TRUE(LogLevels(widened, MapLevelsPerDecade, 10, 45, 55));
  EXPECT_EQ(BoundsOf(same), BoundsOf(widened));
  // Less than a tenth of a decade: steps of 10^(1/100) from 10^1.66 while
  // they stay within 55.055.
  ASSERT_EQ(same.Count, 9);
  const float r = static_cast<float>(std::pow(10.0, 0.01));
  EXPECT_NEAR(same.Bound(1), 45, 45 * (r - 1));
  for (int k = 2; k <= same.Count; ++k) EXPECT_NEAR(same.Bound(k) / same.Bound(k - 1), r, 1e-5f);
}

TEST(ContourLevelsTest, LogLevelsWithManyLevelsPerDecade) {
  ContourLevels levels;
  ASSERT_TRUE(LogLevels(levels, MapLevelsPerDecade, 20, 10, 100));  // k = 20
  ASSERT_EQ(levels.Count, 20);
  EXPECT_NEAR(levels.Bound(1), 10, 1e-4f);
  EXPECT_NEAR(levels.Bound(20), std::pow(10.0, 1 + 19.0 / 20), 1e-3);
}

TEST(ContourLevelsTest, LogLevelsOverMoreDecadesThanBounds) {
  ContourLevels levels;
  ASSERT_TRUE(LogLevels(levels, MapLevelsPerDecade, 4, 1e-3f, 1e6f));  // 9 decades, 4 bounds
  ExpectBounds(levels, {1e-3f, 1e0f, 1e3f, 1e6f}, 1e-2f);
}

TEST(ContourLevelsTest, LinearLevelsOfRoundSteps) {
  ContourLevels levels;
  ASSERT_TRUE(LinearLevels(levels, 10, 3, 47));
  ExpectBounds(levels, {5, 10, 15, 20, 25, 30, 35, 40, 45}, 0);

  ASSERT_TRUE(LinearLevels(levels, 10, -0.3f, 0.3f));
  ExpectBounds(levels, {-0.3f, -0.2f, -0.1f, 0, 0.1f, 0.2f, 0.3f}, 1e-6f);
  EXPECT_EQ(levels.Bound(4), 0.0f);  // exactly zero, not a rounding residue

  // From -1 five 32-bit steps of 0.2 end just below -1e-8: one more step.
  ASSERT_TRUE(LinearLevels(levels, 10, 0, 1));
  ExpectBounds(levels, {0.2f, 0.4f, 0.6f, 0.8f, 1.0f}, 1e-6f);
}

TEST(ContourLevelsTest, LinearLevelsOfEqualEndsAndUnusableEnds) {
  ContourLevels levels;
  ASSERT_TRUE(LinearLevels(levels, 3, 5, 5));  // widened to 4..6, step 1
  ExpectBounds(levels, {4, 5, 6}, 0);
  const std::vector<float> before = BoundsOf(levels);
  EXPECT_FALSE(LinearLevels(levels, 10, 0, INFINITY));
  EXPECT_FALSE(LinearLevels(levels, 10, NAN, 1));
  EXPECT_EQ(BoundsOf(levels), before);
  // A step too small for the magnitude of the values ends the bounds rather
  // than repeating one for ever.
  ASSERT_TRUE(LinearLevels(levels, 10, 1e9f, 1e9f + 64));
  ExpectBounds(levels, {1e9f}, 0);
}

TEST(ContourLevelsTest, SymmetricLevelsNeverAskMoreBoundsThanWanted) {
  ContourLevels levels;
  ASSERT_TRUE(SymmetricLevels(levels, 10, -3, 2));
  ExpectBounds(levels, {-3, -2.25f, -1.5f, -0.75f, 0.75f, 1.5f, 2.25f, 3}, 1e-6f);
  ASSERT_TRUE(SymmetricLevels(levels, 4, 0, 0));  // all zero: a tiny range around zero
  ASSERT_GE(levels.Count, 2);
  EXPECT_LE(levels.Count, 4);
  EXPECT_EQ(levels.Count % 2, 0);
  EXPECT_EQ(levels.Bound(1), -levels.Bound(levels.Count));
  EXPECT_GT(levels.Bound(levels.Count / 2 + 1), 0);
}

TEST(ContourLevelsTest, AValueOnABoundTakesTheLowerClass) {
  ContourLevels levels;
  ASSERT_TRUE(LinearLevels(levels, 10, 3, 47));  // 5, 10, ..., 45
  struct Case {
    float value;
    int cls;
  };
  for (const Case c : {Case{-1e20f, 1}, {5, 1}, {5.0001f, 2}, {10, 2}, {44.9f, 9}, {45, 9}, {45.1f, 10},
                       {1e20f, 10}, {INFINITY, 10}, {NAN, 10}}) {
    EXPECT_EQ(ColorClass(c.value, levels), c.cls) << c.value;
  }
}

// A grid whose cells [1..n][1] hold the given values.
struct Filled {
  ValueGrid grid;
  GridDescriptor descriptor;
  explicit Filled(const std::vector<float>& values) {
    descriptor.StationCount = static_cast<int>(values.size());
    descriptor.LevelCount = 1;
    for (std::size_t i = 0; i < values.size(); ++i) grid(static_cast<int>(i) + 1, 1) = values[i];
  }
  GridView View() const { return ViewOf(grid, descriptor); }
};

TEST(AutoRangeTest, ConfigurationWindow) {
  // Five filled cells are not enough: 1 to 2.
  const Filled five({10, 20, 30, 40, 50});
  const ValueRange few = AutoRangeConfiguration(five.View(), false, {});
  EXPECT_EQ(few.Low, 1);
  EXPECT_EQ(few.High, 2);

  // Resistivity: e^(mean of ln) / e^(2s) .. e^mean * e^(2s), the zero and
  // the empty cell left out.
  const Filled rho({10, 100, 1000, 10, 100, 1000, 0, EmptyCellValue});
  const double s = std::sqrt((2 * std::pow(std::log(10.0), 2) * 2) / 5);  // ln values mean ln 100
  ValueRange r = AutoRangeConfiguration(rho.View(), false, {});
  EXPECT_NEAR(r.Low, 100 / std::exp(2 * s), 1e-3);
  EXPECT_NEAR(r.High, 100 * std::exp(2 * s), 0.5);
  RangeMultipliers widened;
  widened.WidenMin();
  widened.WidenMax();
  widened.WidenMax();
  EXPECT_FLOAT_EQ(widened.Max, 2.0f);
  EXPECT_TRUE(widened.Widened());
  r = AutoRangeConfiguration(rho.View(), false, widened);
  EXPECT_NEAR(r.Low, 100 / std::exp(2 * s) / std::sqrt(2.0), 1e-3);
  EXPECT_NEAR(r.High, 100 * std::exp(2 * s) * 2, 1);

  // Chargeability: mean -+ 2s times the multipliers, zeros and negatives counted.
  const Filled ip({-2, 0, 2, -2, 0, 2});
  const ValueRange c = AutoRangeConfiguration(ip.View(), true, widened);
  const double sd = std::sqrt(16.0 / 5);
  EXPECT_NEAR(c.Low, -2 * sd * std::sqrt(2.0), 1e-5);
  EXPECT_NEAR(c.High, 2 * sd * 2, 1e-5);
}

TEST(AutoRangeTest, PseudosectionPanel) {
  const Filled three({1, 2, 3});
  EXPECT_EQ(AutoRangePseudosection(three.View(), MapScale::Logarithmic).High, 1000);
  EXPECT_EQ(AutoRangePseudosection(three.View(), MapScale::Linear).High, 1);
  const Filled flat({7, 7, 7, 7, 7});  // no spread at all
  EXPECT_EQ(AutoRangePseudosection(flat.View(), MapScale::Linear).Low, 0);
  const Filled signed_({-4, 4, -4, 4});
  const ValueRange s = AutoRangePseudosection(signed_.View(), MapScale::Symmetric);
  // Absolute values are all 4: no spread, so the default range.
  EXPECT_EQ(s.High, 1);
  const Filled mixed({-2, 6, -2, 6});
  const ValueRange m = AutoRangePseudosection(mixed.View(), MapScale::Symmetric);
  const double sd = std::sqrt(16.0 / 3);
  EXPECT_NEAR(m.High, 4 + 2 * sd, 1e-5);
  EXPECT_EQ(m.Low, -m.High);
}

TEST(LevelsFileTest, WrittenInTheLongScientificFormAndReadBack) {
  EXPECT_EQ(RealText23(1000), " 1.00000000000000E+0003");
  EXPECT_EQ(RealText23(-0.00125), "-1.25000000000000E-0003");
  EXPECT_EQ(RealText23(0.5f).size(), 23u);
  EXPECT_EQ(LevelsFileText(10, 2000), "\r\n 1.00000000000000E+0001\r\n 2.00000000000000E+0003\r\n");

  test::ScratchFolder folder;
  const std::string path = folder.PathOf("range.lvl");
  ASSERT_TRUE(WriteLevelsFile(path, 12.5f, 3400).ok);
  const LevelsFileResult read = ReadLevelsFile(path);
  ASSERT_TRUE(read.ok) << read.error;
  EXPECT_EQ(read.Minimum, 12.5f);
  EXPECT_EQ(read.Maximum, 3400);
}

TEST(LevelsFileTest, ABrokenFileIsRefusedWithItsLine) {
  test::ScratchFolder folder;
  struct Case {
    const char* text;
    const char* line;
  };
  for (const Case c : {Case{"\r\n1\r\n", "line 3"}, {"\r\nabc\r\n5\r\n", "line 2"}, {"\r\n1\r\n-5\r\n", "line 3"},
                       {"", "line 2"}}) {
    const LevelsFileResult r = ReadLevelsFile(folder.Write("bad.lvl", c.text));
    EXPECT_FALSE(r.ok) << c.text;
    EXPECT_NE(r.error.find(c.line), std::string::npos) << r.error;
  }
  EXPECT_FALSE(ReadLevelsFile(folder.PathOf("missing.lvl")).ok);
  // A first line with text is skipped as the format says; numbers may carry
  // any spacing and form.
  const LevelsFileResult ok = ReadLevelsFile(folder.Write("ok.lvl", "levels\n  2.5\n1e4 more\n"));
  ASSERT_TRUE(ok.ok) << ok.error;
  EXPECT_EQ(ok.Minimum, 2.5f);
  EXPECT_EQ(ok.Maximum, 10000);
}

}  // namespace
}  // namespace tarvo
