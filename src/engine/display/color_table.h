#pragma once

#include <cstdint>

#include "engine/core/capacities.h"
#include "engine/core/tables.h"

// The one colour table of the maps, shared by every window that draws one,
// and the commands that change it. Low values take the low indices.
namespace tarvo {

// A palette-relative RGB value: byte 0 red, byte 1 green, byte 2 blue, byte 3
// the palette-relative flag 02 (hex).
using PaletteColor = std::uint32_t;

inline constexpr PaletteColor PaletteRelativeFlag = 0x02000000u;

inline constexpr PaletteColor PaletteRGB(int red, int green, int blue) {
  return PaletteRelativeFlag | (static_cast<PaletteColor>(blue & 0xFF) << 16) |
         (static_cast<PaletteColor>(green & 0xFF) << 8) | static_cast<PaletteColor>(red & 0xFF);
}
inline constexpr int RedOf(PaletteColor c) { return static_cast<int>(c & 0xFF); }
inline constexpr int GreenOf(PaletteColor c) { return static_cast<int>((c >> 8) & 0xFF); }
inline constexpr int BlueOf(PaletteColor c) { return static_cast<int>((c >> 16) & 0xFF); }

inline constexpr int DefaultColorCount = 11;
// IncreaseColors is refused above this count, and the Contours menu disables
// "Increase" from the next count on.
inline constexpr int MaxIncreasableColors = 51;

struct ColorTable {
  int Count = DefaultColorCount;          // colours in use, 1..MaxColors
  FixedTable<PaletteColor, MaxColors> Colors;  // entries 1..Count are in use

  ColorTable();  // the default set of 11 colours

  // Colour k of the table, for colour class k of a map. A class beyond the
  // colours in use (a level set with more bounds than asked for) takes the
  // last colour, so that the highest values never show the colour of the
  // lowest ones.
  PaletteColor ClassColor(int k) const;

  bool operator==(const ColorTable&) const = default;
};

// Each of red, green and blue becomes c1 + (c2 - c1) * t / d, rounded to the
// nearest integer (halves to even); the result is palette-relative.
PaletteColor BlendColor(PaletteColor c1, PaletteColor c2, float t, float d);

// "11 colors": the default set.
void SetDefaultColors(ColorTable& table);

// "Increase": c colours become 2c - 1, every new colour the blend of its two
// neighbours. Refused (false, nothing changes) above 51 colours.
bool IncreaseColors(ColorTable& table);

// "Decrease": c colours become (c - 1) div 2 + 1, keeping every other colour
// from the first. Refused (false) unless (c - 1) div 2 lies in 2..100.
bool DecreaseColors(ColorTable& table);

// "Pale": every colour in use is blended a third of the way towards white.
void PaleColors(ColorTable& table);

// Colours 1..count (1..MaxColors) as a ramp from `minimum` through `middle`
// to `maximum`; the table then holds `count` colours.
void MakeColorRamp(ColorTable& table, PaletteColor minimum, PaletteColor maximum, PaletteColor middle, int count);

// Colours 1..count (1..MaxColors) evenly sampled from viridis, a perceptually
// uniform scale from dark blue-violet to yellow that readers with the common
// colour-vision deficiencies see in the same order.
void MakeUniformColors(ColorTable& table, int count);

// The colours of the first maps: the default set, increased to 21 and made
// pale.
void SetFirstMapColors(ColorTable& table);

}  // namespace tarvo
