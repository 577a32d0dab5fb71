#include "drawing/markup_painter.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <vector>

#include "engine/display/markup_text.h"

namespace tarvo::drawing {

namespace {

// The font `points` larger (or scaled by `factor`) than `base`, whether it
// is sized in points or in pixels.
QFont Sized(const QFont& base, double factor, double extraPoints) {
  QFont f = base;
  if (base.pointSizeF() > 0) {
    f.setPointSizeF(base.pointSizeF() * factor + extraPoints);
  } else {
    f.setPixelSize(std::max(1, static_cast<int>(base.pixelSize() * factor + extraPoints * 4 / 3 + 0.5)));
  }
  return f;
}

struct Piece {
  QString text;
  QFont font;
  double width = 0;
  double shift = 0;  // downward offset of the baseline
};

std::vector<Piece> Layout(QPainter& p, std::string_view text) {
  const QFont base = p.font();
  std::vector<Piece> pieces;
  for (const MarkupSegment& s : ParseMarkup(text)) {
    Piece piece;
    switch (s.Kind) {
      case MarkupKind::Plain:
        piece.text = Latin1(s.Text);
        piece.font = base;
        break;
      case MarkupKind::Greek:
        piece.text = QString::fromUcs4(&s.Symbol, 1);
        piece.font = Sized(base, 1, GreekExtraPoints);
        break;
      case MarkupKind::Subscript:
        piece.text = Latin1(s.Text);
        piece.font = Sized(base, SubscriptScale, 0);
        break;
    }
    const QFontMetricsF m(piece.font, p.device());
    piece.width = m.horizontalAdvance(piece.text);
    if (s.Kind == MarkupKind::Greek) piece.shift = -m.height() * GreekRise;
    if (s.Kind == MarkupKind::Subscript) piece.shift = m.height() * SubscriptDrop;
    pieces.push_back(std::move(piece));
  }
  return pieces;
}

// The top-left corner of a block of size `size` aligned at `at`.
QPointF Corner(QPointF at, QSizeF size, HAlign h, VAlign v) {
  const double x = h == HAlign::Left ? at.x() : h == HAlign::Centre ? at.x() - size.width() / 2 : at.x() - size.width();
  const double y = v == VAlign::Top ? at.y() : v == VAlign::Centre ? at.y() - size.height() / 2 : at.y() - size.height();
  return {x, y};
}

}  // namespace

QString Latin1(std::string_view text) { return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())); }

QColor ToQColor(PaletteColor c) { return QColor(RedOf(c), GreenOf(c), BlueOf(c)); }

void DrawAlignedText(QPainter& p, QPointF at, const QString& text, HAlign h, VAlign v) {
  const QFontMetricsF m(p.font(), p.device());
  const QPointF corner = Corner(at, QSizeF(m.horizontalAdvance(text), m.height()), h, v);
  p.drawText(QPointF(corner.x(), corner.y() + m.ascent()), text);
}

QSizeF MarkupTextSize(QPainter& p, std::string_view text) {
  double width = 0;
  for (const Piece& piece : Layout(p, text)) width += piece.width;
  return {width, QFontMetricsF(p.font(), p.device()).height()};
}

void DrawMarkupText(QPainter& p, QPointF at, std::string_view text, HAlign h, VAlign v) {
  const QFont base = p.font();
  const std::vector<Piece> pieces = Layout(p, text);
  double width = 0;
  for (const Piece& piece : pieces) width += piece.width;
  const QFontMetricsF m(base, p.device());
  const QPointF corner = Corner(at, QSizeF(width, m.height()), h, v);
  double x = corner.x();
  const double baseline = corner.y() + m.ascent();
  for (const Piece& piece : pieces) {
    p.setFont(piece.font);
    p.drawText(QPointF(x, baseline + piece.shift), piece.text);
    x += piece.width;
  }
  p.setFont(base);
}

}  // namespace tarvo::drawing
