#pragma once

#include <QImage>
#include <QRect>

#include <span>
#include <string>
#include <vector>

#include "engine/display/color_table.h"
#include "engine/display/contour_levels.h"
#include "engine/display/contour_map.h"
#include "engine/display/section_options.h"

class QPainter;

// One gridded pseudosection drawn as a filled colour map with its frame:
// depth ticks and labels, the horizontal axis, the title line and the colour
// scale, laid out by the section options. The map itself is an off-screen
// image painted one fill per span of the engine's band fill, and drawn in
// one piece; the frame is drawn on the painter, so that on an
// SVG device lines stay lines and text stays text.
namespace tarvo::drawing {

struct SectionData {
  GridView grid;                      // the gap-filled values
  std::span<const float> stations;    // coordinates of stations 1..n at [0 .. n - 1]
  std::span<const float> spacing;     // spacing values of levels 1..m at [0 .. m - 1]
  MapScale scale = MapScale::Logarithmic;
  ValueRange range;                   // the colour range in use
  std::string caption;                // the panel's caption (the file name)
  bool logarithmicDepth = false;      // the section options' "Scale"
};

// The colours of the classes 1..MaxColors + 1 of a table.
std::vector<QRgb> ClassColors(const ColorTable& colors);

// Paints the spans into `image` (a 32-bit image; another format is
// converted), whose pixel (0, 0) is (origin.x, origin.y) of the spans'
// coordinates: one fill of its scan line per span, clipped to the image.
void PaintSpans(QImage& image, QPoint origin, const std::vector<MapSpan>& spans, const std::vector<QRgb>& classColors);

class SectionPicture {
public:
  // Paints the panel into `area` on a background of the window colour;
  // nothing but the background with fewer than 2 stations or levels, or an
  // area under 40 x 40 pixels. The painter's font is the panel's font.
  void Paint(QPainter& p, const QRect& area, const SectionData& data, const SectionOptions& options,
             const ColorTable& colors);

  // The last layout: the plot rectangle (in the area's coordinates), the
  // contour levels and the map image.
  const QRect& PlotRect() const { return plot_; }
  const ContourLevels& Levels() const { return levels_; }
  const QImage& MapImage() const { return image_; }

private:
  void DrawColorScale(QPainter& p, const SectionData& data, const ColorTable& colors, int x, int width);

  FilledMap map_;
  ContourLevels levels_;
  ContourLevels depthTicks_;
  ContourLevels stationTicks_;
  ContourLevels scaleLabels_;
  std::vector<int> columns_;
  std::vector<int> rows_;
  QImage image_;
  QRect plot_;
  int textHeight_ = 0;
};

}  // namespace tarvo::drawing
