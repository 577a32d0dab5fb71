#pragma once

#include <QColor>
#include <QFont>
#include <QPointF>
#include <QSizeF>
#include <QString>

#include <string_view>

#include "engine/display/color_table.h"

class QPainter;
class QPaintDevice;

// Text of the maps on a Qt painter: engine text (single-byte) as Qt text,
// palette colours as Qt colours, and the markup of titles and captions. The
// "Symbol" font of the markup does not exist on every system, so its Greek
// letters are drawn as their Unicode characters in the painter's own font, at
// the sizes and shifts of the markup.
namespace tarvo::drawing {

QString Latin1(std::string_view text);
QColor ToQColor(PaletteColor c);

enum class HAlign { Left = 0, Centre = 1, Right = 2 };
enum class VAlign { Bottom = 0, Centre = 1, Top = 2 };

// Plain text placed by its block: left, centre or right of `at`, its bottom,
// centre or top at at.y().
void DrawAlignedText(QPainter& p, QPointF at, const QString& text, HAlign h, VAlign v);

// Width of a markup line and the height of its plain text, in the painter's
// font on its device.
QSizeF MarkupTextSize(QPainter& p, std::string_view text);

// Draws a markup line aligned as one block; the painter's font is left as it was.
void DrawMarkupText(QPainter& p, QPointF at, std::string_view text, HAlign h, VAlign v);

}  // namespace tarvo::drawing
