#pragma once

#include "engine/core/dataset.h"

// Geometry of the array configuration window: the plot rectangle inside the
// paint box, the ranges it shows (the electrode line across, the spacing
// down) and the mapping between coordinates and pixels.
namespace tarvo {

// Text metrics of the window's font, the only thing the layout needs from
// the toolkit.
struct SectionMetrics {
  int textHeight = 13;       // height of the text "0"
  int fiveZerosWidth = 35;   // width of the text "00000"
};

struct SectionPlot {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

// Pixels are clamped to this distance from the origin so that far-away
// coordinates (an electrode at infinity) stay drawable.
inline constexpr double SectionPixelLimit = 3000;

class SectionLayout {
public:
  int width = 0;   // paint box
  int height = 0;
  SectionPlot plot;
  float xFirst = 0;   // horizontal range: the first and last electrode position
  float xLast = 1;
  float sMax = 1;     // vertical range: 0 at the top, the largest spacing at the bottom
  float hScale = 1;   // pixels per metre across
  float vScale = -1;  // pixels per metre of spacing; negative, the spacing grows downward

  // Pixel column of coordinate x and pixel row of spacing s.
  int PixelX(double x) const;
  int PixelY(double s) const;
  // Coordinate and spacing of a pixel, clamped to the ranges.
  double CoordinateAt(double px) const;
  double SpacingAt(double py) const;
};

// The layout of a full redraw for a paint box of width x height pixels.
// With fewer than two distinct electrode positions the horizontal range is
// widened by 1 m on either side of the one position (of the stations when
// no position is known), and without a positive largest spacing the vertical
// range is 0..1, so that the scales stay finite and the points drawable.
SectionLayout LayOutSection(const TDataset& ds, int width, int height, const SectionMetrics& metrics);

// True when level k lies on the same row as level k - 1 (an overlapping MN
// segment: exactly the same spacing); such a level is drawn one pixel right
// and one pixel down.
bool SharesRowWithPreviousLevel(const TDataset& ds, int level);

}  // namespace tarvo
