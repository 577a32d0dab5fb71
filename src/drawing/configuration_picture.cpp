#include "drawing/configuration_picture.h"

#include <QFontMetrics>
#include <QLine>
#include <QPainter>
#include <QPolygon>
#include <QRect>
#include <QVector>

#include <limits>

#include "drawing/section_picture.h"

namespace tarvo::drawing {

namespace {

QRect Square(int x, int y, int size) { return QRect(x - size / 2, y - size / 2, size, size); }

void Crosses(QPainter& painter, const QVector<QLine>& lines, const QColor& color) {
  if (lines.isEmpty()) return;
  painter.setPen(QPen(color, 0));
  painter.drawLines(lines);
}

void Squares(QPainter& painter, const QVector<QRect>& squares, const QColor& fill, const QColor& outline) {
  if (squares.isEmpty()) return;
  painter.setBrush(fill);
  if (outline.isValid()) {
    painter.setPen(QPen(outline, 0));
    // A rectangle outline covers its width + 1 pixels: draw it one smaller.
    for (const QRect& r : squares) painter.drawRect(r.adjusted(0, 0, -1, -1));
  } else {
    painter.setPen(Qt::NoPen);
    painter.drawRects(squares);
  }
  painter.setBrush(Qt::NoBrush);
}

}  // namespace

SectionMetrics MetricsOf(const QFont& font) {
  const QFontMetrics fm(font);
  return {fm.height(), fm.horizontalAdvance(QStringLiteral("00000"))};
}

void PaintConfigurationMap(const SectionView& view, QImage& image) {
  const SectionPlot& plot = view.Layout().plot;
  const QSize size(plot.right - plot.left, plot.bottom - plot.top);
  if (!view.ShowsMap() || size.isEmpty()) {
    image = QImage();
    return;
  }
  if (image.size() != size || image.format() != QImage::Format_RGB32) image = QImage(size, QImage::Format_RGB32);
  image.fill(SectionBackground);
  PaintSpans(image, QPoint(plot.left, plot.top), view.Map().Spans, ClassColors(view.Colors()));
}

void PaintConfigurationPicture(QPainter& painter, const SectionView& view, const QFont& font, const QImage* map) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.fillRect(QRect(0, 0, view.Width(), view.Height()), SectionBackground);
  const TDataset& ds = view.Dataset();
  if (ds.DataKind < DataKindSequence) {
    painter.restore();
    return;
  }
  const SectionLayout& l = view.Layout();
  const SectionScene& s = view.Scene();
  const SectionPlot& plot = l.plot;

  if (map != nullptr && !map->isNull() && view.ShowsMap()) painter.drawImage(QPoint(plot.left, plot.top), *map);

  // Frame.
  painter.setPen(QPen(SectionFrameColor, 0));
  painter.drawRect(QRect(QPoint(plot.left, plot.top), QPoint(plot.right, plot.bottom)).adjusted(0, 0, -1, -1));

  // Ticks: short marks on both sides over a map, grid lines without one.
  const bool shortTicks = view.ShowsMap();
  QVector<QLine> ticks;
  for (const SectionTick& t : s.verticalTicks) {
    if (shortTicks) {
      ticks.append(QLine(plot.left, t.pixel, plot.left + 5, t.pixel));
      ticks.append(QLine(plot.right - 5, t.pixel, plot.right, t.pixel));
    } else {
      ticks.append(QLine(plot.left, t.pixel, plot.right, t.pixel));
    }
  }
  for (const SectionTick& t : s.horizontalTicks) {
    if (shortTicks) {
      ticks.append(QLine(t.pixel, plot.top, t.pixel, plot.top + 5));
      ticks.append(QLine(t.pixel, plot.bottom - 5, t.pixel, plot.bottom));
    } else {
      ticks.append(QLine(t.pixel, plot.top, t.pixel, plot.bottom));
    }
  }
  painter.setPen(QPen(SectionFrameColor, 0));
  painter.drawLines(ticks);

  // Labels: the spacings right-aligned left of the plot, the coordinates
  // centred under it, each one left out where it would run into the one
  // before or past the right edge.
  painter.setFont(font);
  painter.setPen(Qt::black);
  const QFontMetrics fm(font);
  for (const SectionTick& t : s.verticalTicks) {
    const QString text = QString::fromLatin1(t.label.c_str());
    const int w = fm.horizontalAdvance(text);
    painter.drawText(QRect(plot.left - 2 - w, t.pixel - fm.height() / 2, w, fm.height()),
                     Qt::AlignRight | Qt::AlignVCenter, text);
  }
  int lastRight = std::numeric_limits<int>::min();
  for (const SectionTick& t : s.horizontalTicks) {
    const QString text = QString::fromLatin1(t.label.c_str());
    const int w = fm.horizontalAdvance(text);
    const int left = t.pixel - w / 2;
    if (left <= lastRight || left + w > view.Width()) continue;
    painter.drawText(QRect(left, plot.bottom + 1, w, fm.height()), Qt::AlignHCenter | Qt::AlignTop, text);
    lastRight = left + w;
  }

  // Electrodes: small triangles pointing down to the top edge of the plot.
  const int y0 = s.electrodeRow;
  for (const SectionElectrode& e : s.electrodes) {
    const QColor color = e.deleted ? QColor(Qt::red) : SectionElectrodeColor;
    painter.setPen(QPen(color, 0));
    painter.setBrush(color);
    const QPoint corners[3] = {{e.x - 2, y0 - 4}, {e.x + 2, y0 - 4}, {e.x, y0 + 1}};
    painter.drawPolygon(corners, 3);
  }
  painter.setBrush(Qt::NoBrush);

  // Data points.
  QVector<QLine> blue;
  QVector<QLine> black;
  QVector<QRect> red;
  blue.reserve(static_cast<qsizetype>(2 * s.marks.size()));
  for (const SectionMark& m : s.marks) {
    switch (m.symbol) {
      case SectionSymbol::GoodCross:
      case SectionSymbol::PlannedCross: {
        QVector<QLine>& lines = m.symbol == SectionSymbol::GoodCross ? blue : black;
        lines.append(QLine(m.x - 2, m.y, m.x + 2, m.y));
        lines.append(QLine(m.x, m.y - 2, m.x, m.y + 2));
        break;
      }
      case SectionSymbol::BadSquare:
      case SectionSymbol::RemovedSquare:
        red.append(Square(m.x, m.y, SectionView::MarkerSize));
        break;
    }
  }
  Crosses(painter, blue, QColor(0, 0, 255));
  Crosses(painter, black, QColor(0, 0, 0));
  Squares(painter, red, QColor(255, 0, 0), QColor());

  // The selected set, outlined in green.
  QVector<QRect> fills[3];
  for (const SectionSetSquare& q : s.setSquares) {
    fills[static_cast<int>(q.fill)].append(Square(q.x, q.y, SectionView::MarkerSize));
  }
  const QColor green(0, 255, 0);
  Squares(painter, fills[static_cast<int>(SetSquareFill::Green)], green, green);
  Squares(painter, fills[static_cast<int>(SetSquareFill::Blue)], QColor(0, 0, 255), green);
  Squares(painter, fills[static_cast<int>(SetSquareFill::Red)], QColor(255, 0, 0), green);

  // Hidden last lines.
  painter.setPen(QPen(Qt::black, 0));
  for (int y : s.hiddenLines) painter.drawLine(plot.left, y, plot.right, y);

  painter.restore();
}

}  // namespace tarvo::drawing
