#pragma once

#include "engine/display/color_table.h"
#include "engine/display/contour_levels.h"
#include "engine/display/section_options.h"

// What every map window shares: the colour table, the range multipliers of
// the configuration window and the section options. The program keeps one.
namespace tarvo {

struct DisplayState {
  ColorTable Colors;
  RangeMultipliers Multipliers;
  SectionOptions Options;
};

}  // namespace tarvo
