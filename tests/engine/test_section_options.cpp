#include <gtest/gtest.h>

#include <string>

#include "engine/display/section_options.h"
#include "engine/settings/section_options_settings.h"

namespace tarvo {
namespace {

TEST(SectionOptionsTest, ARangeEditTakesOnlyPositiveNumbers) {
  float stored = 25;
  struct Case {
    const char* typed;
    float stored;
    const char* shown;
  };
  for (const Case c : {Case{"0", 25, "25"}, {"-3", 25, "25"}, {"abc", 25, "25"}, {"", 25, "25"},
                       {"1e-9", 25, "25"}, {" \t250", 250, "250"}, {"12.345", 12.345f, "12.345"},
                       {"1e40", 12.345f, "12.345"}}) {
    EXPECT_EQ(LeaveRangeEdit(c.typed, stored), c.shown) << c.typed;
    EXPECT_EQ(stored, c.stored) << c.typed;
  }
}

TEST(SectionOptionsTest, RainbowCountStepsIncreaseDecreaseOrDrop) {
  SectionOptions o;
  ColorTable t;
  EXPECT_EQ(ChangeColorCount(t, o, 12), 21);  // a step up increases
  EXPECT_EQ(ChangeColorCount(t, o, 20), 11);  // down from 21: decrease
  EXPECT_EQ(ChangeColorCount(t, o, 12), 21);
  ColorTable twelve;
  twelve.Count = 12;
  twelve.Colors[12] = PaletteRGB(1, 2, 3);
  const ColorTable before = twelve;
  EXPECT_EQ(ChangeColorCount(twelve, o, 11), 11);  // (12 - 1) div 2 < 10: the last colour goes
  for (int i = 1; i <= 11; ++i) EXPECT_EQ(twelve.Colors[i], before.Colors[i]);
  ColorTable many;
  for (int i = 0; i < 3; ++i) IncreaseColors(many);  // 81
  EXPECT_EQ(ChangeColorCount(many, o, 82), 81);      // refused above 51
  EXPECT_EQ(ChangeColorCount(many, o, 3), 41);       // below 4 is 4, a step down
}

TEST(SectionOptionsTest, GradientAndUniformTakeTheCountAsItIs) {
  SectionOptions o;
  o.Fill = FillColors::Gradient;
  ColorTable t;
  t.Count = 12;
  ApplyFillColors(t, o);
  EXPECT_EQ(t.Count, 12);
  EXPECT_EQ(t.Colors[1], PaletteRGB(15, 15, 15));
  EXPECT_EQ(t.Colors[12], PaletteRGB(240, 240, 240));
  EXPECT_EQ(AutoMiddleColor(o), PaletteRGB(128, 128, 128));
  EXPECT_EQ(ChangeColorCount(t, o, 13), 13);
  EXPECT_EQ(t.Colors[13], PaletteRGB(240, 240, 240));
  EXPECT_EQ(t.Colors[7], PaletteRGB(128, 128, 128));  // odd count: the middle colour itself

  o.AutoMiddle = false;
  o.GradientMid = PaletteRGB(200, 0, 0);
  ApplyFillColors(t, o);
  EXPECT_EQ(t.Colors[7], PaletteRGB(200, 0, 0));

  o.Fill = FillColors::Uniform;
  EXPECT_EQ(ChangeColorCount(t, o, 30), 30);
  EXPECT_EQ(t.Colors[1], PaletteRGB(0x44, 0x01, 0x54));

  o.Fill = FillColors::Rainbow;
  ApplyFillColors(t, o);
  const ColorTable defaults;
  ASSERT_EQ(t.Count, 11);
  for (int i = 1; i <= 11; ++i) EXPECT_EQ(t.Colors[i], defaults.Colors[i]);
}

TEST(SectionOptionsTest, PreviewClickPicksTheColourUnderIt) {
  // 10 colours in 100 pixels, the highest at the top.
  EXPECT_EQ(PreviewColorIndex(0, 100, 10), 10);
  EXPECT_EQ(PreviewColorIndex(4, 100, 10), 10);
  EXPECT_EQ(PreviewColorIndex(16, 100, 10), 9);  // 1.6 + 0.5 rounds to 2
  EXPECT_EQ(PreviewColorIndex(99, 100, 10), 1);
  EXPECT_EQ(PreviewColorIndex(150, 100, 10), 1);
}

TEST(SectionOptionsTest, SettingsDefaultsWithoutAFile) {
  IniFile ini;
  SectionOptions o;
  o.Scale = DepthScale::Logarithmic;  // as the dialog was designed
  ReadSectionOptions(ini, o);
  EXPECT_EQ(o.Scale, DepthScale::Linear);
  EXPECT_FALSE(o.FileNames);  // the settings default, not the dialog's
  EXPECT_TRUE(o.LeftAxis);
  EXPECT_TRUE(o.BottomAxis);
  EXPECT_EQ(o.ResistivityCaption, "Rho_a, [OHm m]");
  EXPECT_EQ(o.ChargeabilityCaption, "Etta_a, [mV/V]");
  EXPECT_EQ(o.LevelsFileName, "No file");
  EXPECT_EQ(o.ManualMin, 1);
  EXPECT_EQ(o.ManualMax, 1000);
}

TEST(SectionOptionsTest, SettingsReadBackAsWritten) {
  SectionOptions o;
  o.RightAxis = true;
  o.LeftAxis = false;
  o.Titles = true;
  o.FileNames = true;
  o.DepthTitle = "Depth, m";
  o.Title = "Line 7";
  o.ResistivityCaption = "Rho, OHm m";
  o.Scale = DepthScale::Logarithmic;
  o.ManualMin = 12.5f;
  o.ManualMax = 4321.5f;
  o.LevelsFileName = "/data/line7.lvl";
  o.LevelsFromFile = true;
  o.ColorScale = false;  // not kept
  o.Reverse = true;      // not kept
  IniFile ini;
  WriteSectionOptions(ini, o);
  EXPECT_EQ(ini.ReadString("SectionOptions", "Ro_Max", ""), "4321.5");
  EXPECT_EQ(ini.ReadInteger("sectionoptions", "ScaleIndex", -1), 1);
  SectionOptions back;
  ReadSectionOptions(ini, back);
  o.ColorScale = true;
  o.Reverse = false;
  EXPECT_EQ(back, o);
}

TEST(SectionOptionsTest, SettingsThatDoNotFitAreCutOrIgnored) {
  IniFile ini;
  ini.Parse("[SectionOptions]\r\nRo_Min=-5\r\nRo_Max=abc\r\nScaleIndex=7\r\nAB_2=" + std::string(30, 'x') +
            "\r\nRokStr=\"  Rho \"\r\n");
  SectionOptions o;
  o.ManualMin = 3;
  o.ManualMax = 300;
  ReadSectionOptions(ini, o);
  EXPECT_EQ(o.ManualMin, 3);  // the range limits stay as they were
  EXPECT_EQ(o.ManualMax, 300);
  EXPECT_EQ(o.Scale, DepthScale::Linear);
  EXPECT_EQ(o.DepthTitle, std::string(20, 'x'));
  EXPECT_EQ(o.ResistivityCaption, "  Rho ");
}

}  // namespace
}  // namespace tarvo
