#include "drawing/section_picture.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "drawing/markup_painter.h"

namespace tarvo::drawing {

namespace {

constexpr int MinPanelSize = 40;
constexpr int MaxDepthTicks = 15;
const QColor WindowColor = Qt::white;

// Below this the boxes of the colour scale are too low for a label each.
constexpr double MinLabelledBox = 5;

}  // namespace

std::vector<QRgb> ClassColors(const ColorTable& colors) {
  std::vector<QRgb> out(static_cast<std::size_t>(MaxContourBounds) + 2);
  for (std::size_t k = 0; k < out.size(); ++k) {
    const PaletteColor c = colors.ClassColor(static_cast<int>(k));
    out[k] = qRgb(RedOf(c), GreenOf(c), BlueOf(c));
  }
  return out;
}

void PaintSpans(QImage& image, QPoint origin, const std::vector<MapSpan>& spans, const std::vector<QRgb>& classColors) {
  // Each span is one run of pixels of one colour, filled straight into its
  // scan line of the 32-bit image: a painter's fillRect per span costs some
  // hundred times as much for the one-pixel-high rectangles of a map.
  if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32) {
    image = image.convertToFormat(QImage::Format_RGB32);
  }
  const int width = image.width();
  const int height = image.height();
  const std::size_t last = classColors.size() - 1;
  for (const MapSpan& s : spans) {
    const int y = s.Row - origin.y();
    if (y < 0 || y >= height) continue;
    const int from = std::max(s.Left - origin.x(), 0);
    const int to = std::min(s.Right - origin.x(), width);
    if (from >= to) continue;
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    std::fill(line + from, line + to, classColors[std::min(static_cast<std::size_t>(std::max(s.ColorClass, 0)), last)]);
  }
}

void SectionPicture::Paint(QPainter& p, const QRect& area, const SectionData& data, const SectionOptions& o,
                           const ColorTable& colors) {
  p.save();
  p.translate(area.topLeft());
  const int width = area.width();
  const int height = area.height();
  p.fillRect(QRect(0, 0, width, height), WindowColor);
  const int stations = data.grid.StationCount;
  const int levels = data.grid.LevelCount;
  if (stations < 2 || levels < 2 || width < MinPanelSize || height < MinPanelSize ||
      static_cast<int>(data.stations.size()) < stations || static_cast<int>(data.spacing.size()) < levels) {
    p.restore();
    return;
  }

  // Layout.
  const QFontMetricsF fm(p.font(), p.device());
  textHeight_ = static_cast<int>(std::ceil(fm.height()));
  const int h = (textHeight_ - 1) / 2;
  const int w = static_cast<int>(std::ceil(fm.horizontalAdvance(QStringLiteral("000000"))));
  int left = h - 1;
  int right = width - h;
  int top = h;
  int bottom = height - h;
  if (o.LeftAxis && w < right - 50 - left) left += w;
  const bool scaleShown = o.ColorScale && 2 * w < right - 50 - left;
  if (scaleShown) right -= 2 * w;
  const bool rightLabels = o.RightAxis && w < right - 50 - left;
  if (rightLabels) right -= w;
  if (o.Titles || o.FileNames) top = 2 * h + 1;
  // Captions of markup text raise their Greek letters above the line: half
  // a line more keeps them within the picture.
  if (o.Titles) top += textHeight_ / 2;
  const bool bottomAxis = o.BottomAxis && 2 * h < bottom - top - 50;
  if (bottomAxis) bottom -= h + h / 2 + 1;
  plot_ = QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));

  float first = data.stations[0];
  float last = data.stations[static_cast<std::size_t>(stations - 1)];
  double hScale = (right - left - 1) / (last != first ? static_cast<double>(last) - first : 1.0);
  if (o.Reverse) {
    std::swap(first, last);
    hScale = -hScale;
  }
  const AxisMapping across{first, hScale, left, false};

  const float shallow = data.spacing[0];
  const float deep = data.spacing[static_cast<std::size_t>(levels - 1)];
  const bool logDepth = data.logarithmicDepth && shallow > 0 && deep > 0 && deep != shallow;
  const double depthSpan = logDepth ? std::log(static_cast<double>(deep) / shallow)
                                    : (deep != shallow ? static_cast<double>(deep) - shallow : 1.0);
  const AxisMapping down{shallow, (bottom - top - 1) / depthSpan, top, logDepth};

  columns_.resize(static_cast<std::size_t>(stations));
  for (int s = 0; s < stations; ++s) columns_[static_cast<std::size_t>(s)] = across.Pixel(data.stations[static_cast<std::size_t>(s)]);
  rows_.resize(static_cast<std::size_t>(levels));
  for (int l = 0; l < levels; ++l) rows_[static_cast<std::size_t>(l)] = down.Pixel(data.spacing[static_cast<std::size_t>(l)]);

  const int depthCount = std::min((bottom - top - 1) / std::max(2 * h, 1) + 1, MaxDepthTicks);
  AxisTicks(depthTicks_, shallow, deep, depthCount, logDepth, 0);
  AxisTicks(stationTicks_, std::min(first, last), std::max(first, last), (right - left - 1) / std::max(w, 1) + 1,
            false, 0.005f);
  // Levels that cannot be made (ends that are not numbers) leave the last ones in use.
  MapLevels(levels_, data.scale, colors.Count, data.range);

  // The map.
  image_ = QImage(right - left, bottom - top, QImage::Format_RGB32);
  image_.fill(WindowColor);
  FilledMapInput in;
  in.grid = data.grid;
  in.stationColumns = columns_;
  in.levelRows = rows_;
  in.logarithmic = data.scale == MapScale::Logarithmic;
  BuildFilledMap(in, levels_, map_);
  PaintSpans(image_, QPoint(left, top), map_.Spans, ClassColors(colors));
  p.drawImage(QPoint(left, top), image_);

  // The frame.
  p.setPen(QPen(Qt::black, 0));
  p.setBrush(Qt::NoBrush);
  p.drawRect(QRect(left - 1, top - 1, right - left + 1, bottom - top + 1));
  const int tick = std::max(2, h / 2 + 1);
  for (int k = 1; k <= depthTicks_.Count; ++k) {
    const float t = depthTicks_.Bound(k);
    if (t < std::min(shallow, deep) || t > std::max(shallow, deep)) continue;
    const int y = down.Pixel(t);
    p.drawLine(left - 1 - tick, y, left - 1, y);
    p.drawLine(right, y, right + tick, y);
    const QString label = Latin1(MapLabel(t));
    if (o.LeftAxis) DrawAlignedText(p, QPointF(left - 2 - tick, y), label, HAlign::Right, VAlign::Centre);
    if (rightLabels) DrawAlignedText(p, QPointF(right + tick + 1, y), label, HAlign::Left, VAlign::Centre);
  }

  std::string title;
  if (data.scale == MapScale::Symmetric) {
    title = data.caption;
  } else {
    if (o.Titles) title = o.Title;
    if (o.FileNames && !data.caption.empty()) title += (title.empty() ? "(" : " (") + data.caption + ")";
  }
  if (o.Titles || o.FileNames) {
    DrawAlignedText(p, QPointF((left + right) / 2.0, 0), Latin1(title), HAlign::Centre, VAlign::Top);
  }
  if (o.Titles) {
    DrawMarkupText(p, QPointF(1, 0), o.DepthTitle, HAlign::Left, VAlign::Top);
    if (rightLabels) DrawMarkupText(p, QPointF(width - 2, 0), o.DepthTitle, HAlign::Right, VAlign::Top);
  }

  if (scaleShown) {
    const int x = (rightLabels ? right + w : right) + h;
    DrawColorScale(p, data, colors, x, 2 * w - h);
    if (o.Titles) {
      const std::string caption = data.scale == MapScale::Logarithmic ? o.ResistivityCaption
                                  : data.scale == MapScale::Linear    ? o.ChargeabilityCaption
                                                                      : std::string("%");
      // Above the scale, kept within the picture.
      const double room = width - 2 - MarkupTextSize(p, caption).width();
      DrawMarkupText(p, QPointF(std::min<double>(x, room), top - 1), caption, HAlign::Left, VAlign::Bottom);
    }
  }

  if (bottomAxis) {
    double lastLabelEnd = -1e9;
    double lastLabelStart = 1e9;
    const QFontMetricsF m(p.font(), p.device());
    for (int k = 1; k <= stationTicks_.Count; ++k) {
      const float t = stationTicks_.Bound(k);
      if (t < std::min(first, last) - 1e-3f || t > std::max(first, last) + 1e-3f) continue;
      const int x = across.Pixel(t);
      p.drawLine(x, bottom, x, bottom + tick);
      const QString label = Latin1(MapLabel(t));
      const double half = m.horizontalAdvance(label) / 2;
      // A label that would overlap the one before is left out; its tick stays.
      const bool overlaps = hScale > 0 ? x - half < lastLabelEnd : x + half > lastLabelStart;
      if (overlaps) continue;
      DrawAlignedText(p, QPointF(x, bottom + tick), label, HAlign::Centre, VAlign::Top);
      lastLabelEnd = x + half + 2;
      lastLabelStart = x - half - 2;
    }
  }
  p.restore();
}

void SectionPicture::DrawColorScale(QPainter& p, const SectionData& data, const ColorTable& colors, int x, int width) {
  const int n = levels_.Count;
  const int top = plot_.top();
  const int bottom = plot_.bottom() + 1;
  const double box = static_cast<double>(bottom - top + 1) / (n + 1);
  const int boxWidth = std::max(4, width / 3);
  const auto edge = [&](int k) { return static_cast<int>(std::lround(bottom - k * box)); };  // top of class k
  for (int k = 1; k <= n + 1; ++k) {
    const QRect r(QPoint(x, edge(k)), QPoint(x + boxWidth - 1, edge(k - 1) - 1));
    p.fillRect(r, ToQColor(colors.ClassColor(k)));
  }
  p.setPen(QPen(Qt::black, 0));
  p.drawRect(QRect(x, edge(n + 1), boxWidth - 1, edge(0) - edge(n + 1) - 1));
  const int labelX = x + boxWidth + 2;
  const bool logarithmic = data.scale == MapScale::Logarithmic;

  if (box >= MinLabelledBox) {
    int previous = -1000000;
    for (int k = n; k >= 1; --k) {
      const int y = edge(k);
      if (y - previous < textHeight_ - 1) continue;
      p.drawLine(x, y, x + boxWidth - 1, y);
      DrawAlignedText(p, QPointF(labelX, y), Latin1(MapLabel(levels_.Bound(k))), HAlign::Left, VAlign::Centre);
      previous = y;
    }
    return;
  }
  // Too many classes for a label each: round numbers at their place
  // between the lowest and the highest bound.
  if (n < 2) return;
  const double lo = levels_.Bound(1);
  const double hi = levels_.Bound(n);
  const int lines = std::max((bottom - top) / std::max(textHeight_, 1), 2);
  const bool made = logarithmic ? LogLevels(scaleLabels_, MapLevelsPerDecade, lines, static_cast<float>(lo), static_cast<float>(hi))
                                : SymmetricLevels(scaleLabels_, lines, static_cast<float>(lo), static_cast<float>(hi));
  if (!made) return;
  const double yLo = bottom - box;      // the edge above class 1
  const double yHi = bottom - n * box;  // the edge above class n
  for (int k = 1; k <= scaleLabels_.Count; ++k) {
    const double v = scaleLabels_.Bound(k);
    if (v < lo || v > hi) continue;
    if (logarithmic && !(v > 1e-5)) continue;
    const double f = logarithmic ? std::log(v / lo) / std::log(hi / lo) : (v - lo) / (hi - lo);
    const int y = static_cast<int>(std::lround(yLo + (yHi - yLo) * f));
    p.drawLine(x + boxWidth - 3, y, x + boxWidth - 1, y);
    DrawAlignedText(p, QPointF(labelX, y), Latin1(MapLabel(v)), HAlign::Left, VAlign::Centre);
  }
}

}  // namespace tarvo::drawing
