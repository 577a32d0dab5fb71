#pragma once

#include <QFont>
#include <QImage>
#include <QRect>

#include <span>
#include <string>
#include <vector>

#include "engine/display/color_table.h"
#include "engine/display/contour_levels.h"
#include "engine/display/contour_map.h"
#include "engine/display/pseudo_panel.h"
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

// The pseudosection panel: the map (unless the panel posts only), the
// posted values (unless it maps only) and the frame, laid out by the
// engine's panel layout. The map image is kept and drawn again as long as
// the layout is not marked dirty, so that a repaint of an unchanged panel
// costs one image copy and the frame.
class PanelPicture {
public:
  // Paints the panel into `area` on a background of the window colour;
  // nothing but the background when the panel cannot be drawn (fewer than 2
  // stations or levels, an area under 40 x 40 pixels). The painter's font is
  // the panel's font.
  void Paint(QPainter& p, const QRect& area, const PseudoPanel& panel, const SectionOptions& options,
             const ColorTable& colors);

  // The next paint lays the panel out and draws its map again.
  void MarkDirty() { dirty_ = true; }
  bool Dirty() const { return dirty_; }

  const PanelLayout& Layout() const { return layout_; }
  // The plot rectangle of the last layout, in the area's coordinates.
  QRect PlotRect() const;
  const ContourLevels& Levels() const { return layout_.levels; }
  const QImage& MapImage() const { return image_; }

private:
  void DrawFrame(QPainter& p, const PseudoPanel& panel, const SectionOptions& o, const ColorTable& colors, int width);
  void DrawColorScale(QPainter& p, const PseudoPanel& panel, const ColorTable& colors, int x, int width);
  void DrawPostedValues(QPainter& p, const PseudoPanel& panel);

  PanelLayout layout_;
  FilledMap map_;
  std::vector<int> columns_;
  std::vector<int> rows_;
  QImage image_;
  QSize size_;
  int textHeight_ = 0;
  bool dirty_ = true;
};

// Metrics of the painter's font that the panel layout needs.
PanelMetrics MetricsOf(QPainter& p);

// The font of the pseudo-section panels window (Arial, 11 pixels high),
// which tarvo-cli plot draws its panels in too.
QFont PanelFont();

// A pseudosection of a grid that is not a panel of a window: the panel is
// made of the data and painted as one.
class SectionPicture {
public:
  void Paint(QPainter& p, const QRect& area, const SectionData& data, const SectionOptions& options,
             const ColorTable& colors);

  QRect PlotRect() const { return picture_.PlotRect(); }
  const ContourLevels& Levels() const { return picture_.Levels(); }
  const QImage& MapImage() const { return picture_.MapImage(); }

private:
  PanelPicture picture_;
  PseudoPanel panel_;
};

}  // namespace tarvo::drawing
