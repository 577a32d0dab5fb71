#include "engine/display/section_options.h"

#include <algorithm>
#include <cmath>

#include "engine/core/numbers.h"
#include "engine/core/text_tokens.h"

namespace tarvo {

PaletteColor AutoMiddleColor(const SectionOptions& o) { return BlendColor(o.GradientMin, o.GradientMax, 1, 2); }

void ApplyFillColors(ColorTable& table, const SectionOptions& o) {
  switch (o.Fill) {
    case FillColors::Rainbow: SetDefaultColors(table); return;
    case FillColors::Gradient:
      MakeColorRamp(table, o.GradientMin, o.GradientMax, o.AutoMiddle ? AutoMiddleColor(o) : o.GradientMid,
                    std::max(table.Count, MinDialogColors));
      return;
    case FillColors::Uniform: MakeUniformColors(table, std::max(table.Count, MinDialogColors)); return;
  }
}

int ChangeColorCount(ColorTable& table, const SectionOptions& o, int position) {
  position = std::clamp(position, MinDialogColors, MaxColors);
  if (position == table.Count) return table.Count;
  if (o.Fill != FillColors::Rainbow) {
    table.Count = position;
    ApplyFillColors(table, o);
    return table.Count;
  }
  if (position > table.Count) {
    IncreaseColors(table);
  } else if ((table.Count - 1) / 2 >= 10) {
    DecreaseColors(table);
  } else {
    table.Count = position;
  }
  return table.Count;
}

int PreviewColorIndex(int y, int height, int count) {
  if (height <= 0 || count <= 0) return 1;
  const double at = static_cast<double>(y) / height * count + 0.5;
  return std::clamp(count - static_cast<int>(std::nearbyint(at)) + 1, 1, count);
}

// Five significant digits, so that a range read back from the settings file
// is the one written.
std::string RangeText(float value) { return FormatValue(value, 2); }

std::string LeaveRangeEdit(std::string_view text, float& stored) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  const std::optional<double> v = ParseNumber(text);
  if (v && *v > MinRangeValue && *v <= 3.4e38) stored = static_cast<float>(*v);
  return RangeText(stored);
}

}  // namespace tarvo
