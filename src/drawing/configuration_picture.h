#pragma once

#include <QColor>
#include <QFont>
#include <QImage>

#include <cstdint>
#include <vector>

#include "engine/display/section_view.h"

class QPainter;

// The picture of the array configuration window from its window-free view:
// the colour map, the frame with its ticks, the electrodes, the data points,
// the selected set and the hidden last lines. The window adds its markers on
// top; a saved picture, from the window or from tarvo-cli, is this alone.
namespace tarvo::drawing {

inline const QColor SectionFrameColor(128, 128, 128);
inline const QColor SectionElectrodeColor(0, 0, 128);
inline const QColor SectionMarkerColor(255, 0, 255);        // fuchsia
inline const QColor SectionCurrentMarkerColor(0, 255, 255); // aqua: A and B
inline const QColor SectionPotentialMarkerColor(166, 202, 240);  // sky blue: M and N
inline const QColor SectionBackground(255, 255, 255);

// Text metrics of `font` for the layout.
SectionMetrics MetricsOf(const QFont& font);

// The view's colour map over its plot rectangle, on the window colour; a
// null image when the view draws no map. `image` is reused when its size fits.
void PaintConfigurationMap(const SectionView& view, QImage& image);

// The colour map image of a view, kept from paint to paint: painted again
// only when the view made new spans, or the colours or the plot size
// changed. The window's picture and its saved copies take it from here.
class ConfigurationMapImage {
public:
  // The image for the view as it is now (null when the view draws no map).
  const QImage& Update(const SectionView& view);
  // The next Update paints the image again (the colours changed in place).
  void Invalidate() { valid_ = false; }
  // Grows whenever Update paints the image again or drops it.
  std::uint64_t Generation() const { return generation_; }

private:
  QImage image_;
  bool valid_ = false;
  bool shown_ = false;
  std::uint64_t mapGeneration_ = 0;
  std::vector<QRgb> colors_;
  std::uint64_t generation_ = 0;
};

// The whole picture at the view's size, labels in `font`; `map` is the image
// PaintConfigurationMap made (or null). Into a 32-bit image without scaling
// the data points are set pixel by pixel, the same pixels the painter's
// lines and rectangles give elsewhere.
void PaintConfigurationPicture(QPainter& painter, const SectionView& view, const QFont& font, const QImage* map);

}  // namespace tarvo::drawing
