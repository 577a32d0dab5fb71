#pragma once

#include <string>
#include <vector>

#include "engine/core/dataset.h"

// The self-potential chart: one line per level of the loaded data along the
// profile, and the text export of one line beside the mean of the lines
// shown.
namespace tarvo {

struct TSPPoint {
  double X = 0;
  double Y = 0;
  bool operator==(const TSPPoint&) const = default;
};

struct TSPLine {
  std::string Title;  // "AM=<spacing>" for pole-pole, else "AB=<spacing> MN=<MN>"
  std::vector<TSPPoint> Points;
  bool Shown = true;
};

// One line per level 1..LevelCount; every point of the current array type
// goes to the line of its level at x = XM (pole-pole) or the MN midpoint,
// y = SP. Points whose level lies outside the level list are left out.
std::vector<TSPLine> BuildSPLines(const TDataset& ds);

// The export of line `selected` (0-based): "X", "SP<selected>", "SP_mean",
// then per point of the line its x, its SP and the mean of its SP with the
// SP of every other shown line at the same x (within 0.001 m; each point of
// another line counts for the first point of the line it matches). Lines
// end with CR LF; the text stops before the line that would take it past
// 32000 characters. Empty when `selected` names no line.
std::string SPCopyText(const std::vector<TSPLine>& lines, int selected);

}  // namespace tarvo
