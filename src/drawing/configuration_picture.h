#pragma once

#include <QColor>
#include <QFont>
#include <QImage>

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

// The whole picture at the view's size, labels in `font`; `map` is the image
// PaintConfigurationMap made (or null).
void PaintConfigurationPicture(QPainter& painter, const SectionView& view, const QFont& font, const QImage* map);

}  // namespace tarvo::drawing
