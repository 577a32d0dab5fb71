#pragma once

#include <QColor>
#include <QFont>
#include <QImage>

#include "engine/display/section_view.h"

class QPainter;

// Paints the array configuration window's picture from its window-free view:
// the colour map, the frame with its ticks, the electrodes, the data points,
// the selected set and the hidden last lines. The window adds its markers on
// top; a saved picture is this alone.
namespace tarvo::gui {

inline const QColor SectionFrameColor(128, 128, 128);
inline const QColor SectionElectrodeColor(0, 0, 128);
inline const QColor SectionMarkerColor(255, 0, 255);        // fuchsia
inline const QColor SectionCurrentMarkerColor(0, 255, 255); // aqua: A and B
inline const QColor SectionPotentialMarkerColor(166, 202, 240);  // sky blue: M and N
inline const QColor SectionBackground(255, 255, 255);

struct SectionPictureInput {
  QFont font;
  const QImage* map = nullptr;  // the colour map over the plot rectangle, or none
};

void PaintSectionPicture(QPainter& painter, const SectionView& view, const SectionPictureInput& input);

// Text metrics of `font` for the layout.
SectionMetrics MetricsOf(const QFont& font);

}  // namespace tarvo::gui
