#pragma once

#include <string>
#include <string_view>

#include "engine/display/color_table.h"

// The presentation options of the pseudosection panels, edited in the
// section options dialog: axis labels, titles and captions, the colour scale
// and its colours, the manual colour range with its levels file, the depth
// scale and the mirrored profile. The dialog is a form over this record and
// the rules below.
namespace tarvo {

enum class DepthScale { Linear = 0, Logarithmic = 1 };

// "&Fill colors": the default rainbow, a ramp through three chosen colours,
// or viridis (perceptually uniform and safe for colour-blind readers).
enum class FillColors { Rainbow = 0, Gradient = 1, Uniform = 2 };

inline constexpr std::size_t MaxDepthTitle = 20;
inline constexpr std::size_t MaxTitle = 100;
inline constexpr std::size_t MaxCaption = 20;
inline constexpr std::size_t MaxRangeText = 10;
inline constexpr int MinDialogColors = 4;
inline constexpr std::string_view NoLevelsFile = "No file";

// Manual range values must be above this.
inline constexpr float MinRangeValue = 1e-8f;

struct SectionOptions {
  // The check boxes, as the dialog creates them.
  bool RightAxis = false;   // "&Right Axis"
  bool LeftAxis = true;     // "&Left Axis"
  bool BottomAxis = true;   // "&Bottom Axis"
  bool ColorScale = true;   // "Show &Color Scale" (not kept in the settings file)
  bool Titles = false;      // "&Show titles"
  bool FileNames = true;    // "Show &file names"
  bool Reverse = false;     // "Turn profile round" (not kept)

  std::string DepthTitle = "R, m";                      // AB_2
  std::string Title = "Pseudo cross-section";           // Pseudo
  std::string ResistivityCaption = "Rho_a, [OHm m]";    // RokStr, markup text
  std::string ChargeabilityCaption = "Etta_a, [mV/V]";  // IPname, markup text
  DepthScale Scale = DepthScale::Linear;                // "Scale"

  // The stored manual colour range ("Contour levels "), always positive.
  float ManualMin = 1;
  float ManualMax = 1000;
  std::string LevelsFileName = std::string(NoLevelsFile);  // lbFile
  bool LevelsFromFile = false;                              // "Levels from file"

  FillColors Fill = FillColors::Rainbow;
  PaletteColor GradientMin = PaletteRGB(15, 15, 15);
  PaletteColor GradientMax = PaletteRGB(240, 240, 240);
  PaletteColor GradientMid = PaletteRGB(128, 128, 128);
  bool AutoMiddle = true;  // "Auto middle color"

  bool operator==(const SectionOptions&) const = default;
};

// The middle colour when "Auto middle color" is checked: halfway between the
// minimum and the maximum.
PaletteColor AutoMiddleColor(const SectionOptions& o);

// The colour table for the fill mode: Rainbow gives the default 11 colours;
// Gradient the ramp through the three colours at the table's count;
// Uniform viridis at the table's count.
void ApplyFillColors(ColorTable& table, const SectionOptions& o);

// The colour-count up-down moved to `position` (MinDialogColors..MaxColors):
// a ramp takes the count as it is; the rainbow increases on a step up
// (refused above 51 colours) and on a step down decreases while the half of
// the count is at least 10, else drops its last colour. Returns the count
// the up-down then shows.
int ChangeColorCount(ColorTable& table, const SectionOptions& o, int position);

// The colour picked by a click at height y of a preview `height` pixels high
// showing `count` colours, the highest at the top.
int PreviewColorIndex(int y, int height, int count);

// Leaving a manual range edit: the text, without its leading blanks and
// tabs, is taken when it reads as a number above 1e-8, which becomes the
// stored value; anything else keeps the stored value. Returns the text the
// edit then shows (the stored value, formatted).
std::string LeaveRangeEdit(std::string_view text, float& stored);

// The text of a stored range value in its edit and in the settings file.
std::string RangeText(float value);

}  // namespace tarvo
