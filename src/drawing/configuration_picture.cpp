#include "drawing/configuration_picture.h"

#include <QFontMetrics>
#include <QLine>
#include <QPainter>
#include <QPolygon>
#include <QRect>
#include <QVector>

#include <algorithm>
#include <cmath>
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

// The pixels of a 32-bit image that the painter paints straight into, when
// it does so without any transformation but a whole-pixel shift, without a
// clip and without antialiasing: there the symbols are set pixel by pixel,
// the very pixels the painter's one-pixel lines and filled rectangles set,
// at a small part of their cost. Null elsewhere (SVG, printers, scaled
// devices), where the painter draws them.
struct PixelTarget {
  QRgb* bits = nullptr;  // pixel (0, 0) of the image
  qsizetype stride = 0;  // pixels from one scan line to the next
  int width = 0;
  int height = 0;
  int dx = 0;
  int dy = 0;

  // The rectangle of inclusive corners (x0, y0) and (x1, y1), clipped to the image.
  void Fill(int x0, int y0, int x1, int y1, QRgb color) const {
    x0 = std::max(x0 + dx, 0);
    x1 = std::min(x1 + dx, width - 1);
    y0 = std::max(y0 + dy, 0);
    y1 = std::min(y1 + dy, height - 1);
    for (int y = y0; y <= y1; ++y) {
      QRgb* line = bits + y * stride;
      for (int x = x0; x <= x1; ++x) line[x] = color;
    }
  }

  // A "+" of arms two pixels long centred on (x, y).
  void Cross(int x, int y, QRgb color) const {
    const int cx = x + dx;
    const int cy = y + dy;
    if (cx >= 2 && cy >= 2 && cx < width - 2 && cy < height - 2) {
      QRgb* centre = bits + cy * stride + cx;
      centre[-2] = centre[-1] = centre[0] = centre[1] = centre[2] = color;
      centre[-2 * stride] = centre[-stride] = centre[stride] = centre[2 * stride] = color;
      return;
    }
    Fill(x - 2, y, x + 2, y, color);
    Fill(x, y - 2, x, y + 2, color);
  }
};

PixelTarget PixelTargetOf(QPainter& painter) {
  PixelTarget t;
  QPaintDevice* device = painter.device();
  if (device == nullptr || device->devType() != QInternal::Image) return t;
  auto* image = static_cast<QImage*>(device);
  const QImage::Format f = image->format();
  if (f != QImage::Format_RGB32 && f != QImage::Format_ARGB32 && f != QImage::Format_ARGB32_Premultiplied) return t;
  if (image->devicePixelRatio() != 1.0 || painter.hasClipping()) return t;
  if (painter.renderHints().testFlag(QPainter::Antialiasing)) return t;
  if (painter.compositionMode() != QPainter::CompositionMode_SourceOver || painter.opacity() != 1.0) return t;
  const QTransform m = painter.deviceTransform();
  if (m.type() > QTransform::TxTranslate) return t;
  if (m.dx() != std::floor(m.dx()) || m.dy() != std::floor(m.dy())) return t;
  t.bits = reinterpret_cast<QRgb*>(image->bits());
  t.stride = image->bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb));
  t.width = image->width();
  t.height = image->height();
  t.dx = static_cast<int>(m.dx());
  t.dy = static_cast<int>(m.dy());
  return t;
}

// The colour as the image stores it (the colours here are opaque).
QRgb Opaque(const QColor& c) { return qRgb(c.red(), c.green(), c.blue()); }

// The data points in the order the painter would draw them: the blue
// crosses, the black ones, then the red squares over them.
void PaintMarks(QPainter& painter, const std::vector<SectionMark>& marks) {
  const QColor blueColor(0, 0, 255);
  const QColor blackColor(0, 0, 0);
  const QColor redColor(255, 0, 0);
  const int half = SectionView::MarkerSize / 2;
  if (const PixelTarget t = PixelTargetOf(painter); t.bits != nullptr) {
    const QRgb colors[2] = {Opaque(blueColor), Opaque(blackColor)};
    const SectionSymbol crosses[2] = {SectionSymbol::GoodCross, SectionSymbol::PlannedCross};
    bool planned = false;
    for (const SectionMark& m : marks) {
      if (m.symbol == crosses[0]) t.Cross(m.x, m.y, colors[0]);
      planned = planned || m.symbol == crosses[1];
    }
    if (planned) {
      for (const SectionMark& m : marks) {
        if (m.symbol == crosses[1]) t.Cross(m.x, m.y, colors[1]);
      }
    }
    const QRgb red = Opaque(redColor);
    for (const SectionMark& m : marks) {
      if (m.symbol == SectionSymbol::BadSquare || m.symbol == SectionSymbol::RemovedSquare) {
        t.Fill(m.x - half, m.y - half, m.x - half + SectionView::MarkerSize - 1, m.y - half + SectionView::MarkerSize - 1,
               red);
      }
    }
    return;
  }
  QVector<QLine> blue;
  QVector<QLine> black;
  QVector<QRect> red;
  blue.reserve(static_cast<qsizetype>(2 * marks.size()));
  for (const SectionMark& m : marks) {
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
  Crosses(painter, blue, blueColor);
  Crosses(painter, black, blackColor);
  Squares(painter, red, redColor, QColor());
}

// The points of the selected set: squares outlined in green, filled green,
// blue or red, each fill in turn.
void PaintSetSquares(QPainter& painter, const std::vector<SectionSetSquare>& squares) {
  const QColor green(0, 255, 0);
  const QColor fillColors[3] = {green, QColor(0, 0, 255), QColor(255, 0, 0)};
  const int size = SectionView::MarkerSize;
  if (const PixelTarget t = PixelTargetOf(painter); t.bits != nullptr) {
    for (int f = 0; f < 3; ++f) {
      for (const SectionSetSquare& q : squares) {
        if (static_cast<int>(q.fill) != f) continue;
        const int x0 = q.x - size / 2;
        const int y0 = q.y - size / 2;
        const int x1 = x0 + size - 1;
        const int y1 = y0 + size - 1;
        t.Fill(x0, y0, x1, y1, Opaque(green));
        t.Fill(x0 + 1, y0 + 1, x1 - 1, y1 - 1, Opaque(fillColors[f]));
      }
    }
    return;
  }
  QVector<QRect> fills[3];
  for (const SectionSetSquare& q : squares) fills[static_cast<int>(q.fill)].append(Square(q.x, q.y, size));
  for (int f = 0; f < 3; ++f) Squares(painter, fills[f], fillColors[f], green);
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

const QImage& ConfigurationMapImage::Update(const SectionView& view) {
  std::vector<QRgb> colors = ClassColors(view.Colors());
  const SectionPlot& plot = view.Layout().plot;
  const QSize size(plot.right - plot.left, plot.bottom - plot.top);
  const bool shown = view.ShowsMap() && !size.isEmpty();
  if (valid_ && shown == shown_ && view.MapGeneration() == mapGeneration_ && colors == colors_ &&
      (!shown || image_.size() == size)) {
    return image_;
  }
  PaintConfigurationMap(view, image_);
  valid_ = true;
  shown_ = shown;
  mapGeneration_ = view.MapGeneration();
  colors_ = std::move(colors);
  ++generation_;
  return image_;
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
  // In their order, the pen and brush set again only where the colour changes.
  const int y0 = s.electrodeRow;
  int lastColor = -1;
  for (const SectionElectrode& e : s.electrodes) {
    if (static_cast<int>(e.deleted) != lastColor) {
      const QColor color = e.deleted ? QColor(Qt::red) : SectionElectrodeColor;
      painter.setPen(QPen(color, 0));
      painter.setBrush(color);
      lastColor = static_cast<int>(e.deleted);
    }
    const QPoint corners[3] = {{e.x - 2, y0 - 4}, {e.x + 2, y0 - 4}, {e.x, y0 + 1}};
    painter.drawPolygon(corners, 3);
  }
  painter.setBrush(Qt::NoBrush);

  // Data points, then the selected set over them.
  PaintMarks(painter, s.marks);
  PaintSetSquares(painter, s.setSquares);

  // Hidden last lines.
  painter.setPen(QPen(Qt::black, 0));
  for (int y : s.hiddenLines) painter.drawLine(plot.left, y, plot.right, y);

  painter.restore();
}

}  // namespace tarvo::drawing
