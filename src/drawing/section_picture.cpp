#include "drawing/section_picture.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "drawing/markup_painter.h"

namespace tarvo::drawing {

namespace {

const QColor WindowColor = Qt::white;

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

QFont PanelFont() {
  QFont f(QStringLiteral("Arial"));
  f.setPixelSize(11);
  return f;
}

PanelMetrics MetricsOf(QPainter& p) {
  const QFontMetricsF fm(p.font(), p.device());
  PanelMetrics m;
  m.textHeight = static_cast<int>(std::ceil(fm.height()));
  m.sixZerosWidth = static_cast<int>(std::ceil(fm.horizontalAdvance(QStringLiteral("000000"))));
  m.threeZerosWidth = static_cast<int>(std::ceil(fm.horizontalAdvance(QStringLiteral("000"))));
  return m;
}

QRect PanelPicture::PlotRect() const {
  return QRect(QPoint(layout_.left, layout_.top), QPoint(layout_.right - 1, layout_.bottom - 1));
}

void PanelPicture::Paint(QPainter& p, const QRect& area, const PseudoPanel& panel, const SectionOptions& o,
                         const ColorTable& colors) {
  p.save();
  p.translate(area.topLeft());
  const int width = area.width();
  const int height = area.height();
  p.fillRect(QRect(0, 0, width, height), WindowColor);
  if (area.size() != size_) dirty_ = true;
  const PanelMetrics metrics = MetricsOf(p);
  textHeight_ = metrics.textHeight;
  if (dirty_) {
    layout_ = LayOutPanel(panel, width, height, metrics, o, colors.Count);
    size_ = area.size();
  }
  if (!layout_.drawn) {
    p.restore();
    return;
  }
  const PanelLayout& l = layout_;
  const GridDescriptor& d = panel.Descriptor;
  if (panel.Mode != PanelMode::Post) {
    if (dirty_ || image_.isNull()) {
      columns_.resize(static_cast<std::size_t>(d.StationCount));
      for (int s = 1; s <= d.StationCount; ++s) columns_[static_cast<std::size_t>(s - 1)] = l.across.Pixel(d.Stations[s]);
      rows_.resize(static_cast<std::size_t>(d.LevelCount));
      for (int k = 1; k <= d.LevelCount; ++k) rows_[static_cast<std::size_t>(k - 1)] = l.down.Pixel(d.Spacing[k]);
      image_ = QImage(l.right - l.left, l.bottom - l.top, QImage::Format_RGB32);
      image_.fill(WindowColor);
      FilledMapInput in;
      in.grid = panel.ValueView();
      in.stationColumns = columns_;
      in.levelRows = rows_;
      in.logarithmic = panel.Scale == MapScale::Logarithmic;
      BuildFilledMap(in, l.levels, map_);
      PaintSpans(image_, QPoint(l.left, l.top), map_.Spans, ClassColors(colors));
    }
    p.drawImage(QPoint(l.left, l.top), image_);
  }
  dirty_ = false;
  DrawFrame(p, panel, o, colors, width);
  if (panel.Mode != PanelMode::Map) DrawPostedValues(p, panel);
  p.restore();
}

void PanelPicture::DrawPostedValues(QPainter& p, const PseudoPanel& panel) {
  p.save();
  QFont font = p.font();
  font.setPointSize(7);
  p.setFont(font);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(Qt::black, 0));
  for (const PostedValue& v : PostedValues(panel, layout_)) {
    p.drawLine(v.x - 1, v.y, v.x + 1, v.y);
    p.drawLine(v.x, v.y - 1, v.x, v.y + 1);
    DrawAlignedText(p, QPointF(v.x, v.y), Latin1(v.text), HAlign::Left, VAlign::Top);
  }
  p.restore();
}

void PanelPicture::DrawFrame(QPainter& p, const PseudoPanel& panel, const SectionOptions& o, const ColorTable& colors,
                             int width) {
  const PanelLayout& l = layout_;
  const int left = l.left;
  const int right = l.right;
  const int top = l.top;
  const int bottom = l.bottom;
  const int h = l.h;
  const int w = l.w;
  p.setPen(QPen(Qt::black, 0));
  p.setBrush(Qt::NoBrush);
  p.drawRect(QRect(left - 1, top - 1, right - left + 1, bottom - top + 1));
  const int tick = std::max(2, h / 2 + 1);
  const float shallow = std::min(panel.VFirst, panel.VLast);
  const float deep = std::max(panel.VFirst, panel.VLast);
  for (int k = 1; k <= l.depthTicks.Count; ++k) {
    const float t = l.depthTicks.Bound(k);
    if (t < shallow || t > deep) continue;
    const int y = l.down.Pixel(t);
    p.drawLine(left - 1 - tick, y, left - 1, y);
    p.drawLine(right, y, right + tick, y);
    const QString label = Latin1(MapLabel(t));
    if (o.LeftAxis) DrawAlignedText(p, QPointF(left - 2 - tick, y), label, HAlign::Right, VAlign::Centre);
    if (l.rightLabels) DrawAlignedText(p, QPointF(right + tick + 1, y), label, HAlign::Left, VAlign::Centre);
  }

  if (l.titleLine) DrawAlignedText(p, QPointF((left + right) / 2.0, 0), Latin1(l.title), HAlign::Centre, VAlign::Top);
  if (o.Titles) {
    DrawMarkupText(p, QPointF(1, 0), o.DepthTitle, HAlign::Left, VAlign::Top);
    if (l.rightLabels) DrawMarkupText(p, QPointF(width - 2, 0), o.DepthTitle, HAlign::Right, VAlign::Top);
  }

  if (l.scaleShown) {
    const int x = (l.rightLabels ? right + w : right) + h;
    DrawColorScale(p, panel, colors, x, 2 * w - h);
    if (o.Titles) {
      const std::string caption = panel.Scale == MapScale::Logarithmic ? o.ResistivityCaption
                                  : panel.Scale == MapScale::Linear    ? o.ChargeabilityCaption
                                                                       : std::string("%");
      // Above the scale, kept within the picture.
      const double room = width - 2 - MarkupTextSize(p, caption).width();
      DrawMarkupText(p, QPointF(std::min<double>(x, room), top - 1), caption, HAlign::Left, VAlign::Bottom);
    }
  }

  if (l.bottomAxis) {
    double lastLabelEnd = -1e9;
    double lastLabelStart = 1e9;
    const QFontMetricsF m(p.font(), p.device());
    for (int k = 1; k <= l.stationTicks.Count; ++k) {
      const float t = l.stationTicks.Bound(k);
      if (t < l.hLow - 1e-3f || t > l.hHigh + 1e-3f) continue;
      const int x = l.across.Pixel(t);
      p.drawLine(x, bottom, x, bottom + tick);
      const QString label = Latin1(MapLabel(t));
      const double half = m.horizontalAdvance(label) / 2;
      // A label that would overlap the one before is left out; its tick stays.
      const bool overlaps = l.across.Scale > 0 ? x - half < lastLabelEnd : x + half > lastLabelStart;
      if (overlaps) continue;
      DrawAlignedText(p, QPointF(x, bottom + tick), label, HAlign::Centre, VAlign::Top);
      lastLabelEnd = x + half + 2;
      lastLabelStart = x - half - 2;
    }
  }
}

void PanelPicture::DrawColorScale(QPainter& p, const PseudoPanel& panel, const ColorTable& colors, int x, int width) {
  const ContourLevels& levels = layout_.levels;
  const int n = levels.Count;
  const ColorScaleLayout s = LayOutColorScale(levels, panel.Scale, layout_.top, layout_.bottom, textHeight_);
  const int boxWidth = std::max(4, width / 3);
  const auto edge = [&](int k) { return s.edges[static_cast<std::size_t>(k)]; };  // top of class k
  for (int k = 1; k <= n + 1; ++k) {
    const QRect r(QPoint(x, edge(k)), QPoint(x + boxWidth - 1, edge(k - 1) - 1));
    p.fillRect(r, ToQColor(colors.ClassColor(k)));
  }
  p.setPen(QPen(Qt::black, 0));
  p.drawRect(QRect(x, edge(n + 1), boxWidth - 1, edge(0) - edge(n + 1) - 1));
  const int labelX = x + boxWidth + 2;
  for (const ScaleLabel& label : s.labels) {
    if (s.edgeLabels) {
      p.drawLine(x, label.y, x + boxWidth - 1, label.y);
    } else {
      p.drawLine(x + boxWidth - 3, label.y, x + boxWidth - 1, label.y);
    }
    DrawAlignedText(p, QPointF(labelX, label.y), Latin1(MapLabel(label.value)), HAlign::Left, VAlign::Centre);
  }
}

void SectionPicture::Paint(QPainter& p, const QRect& area, const SectionData& data, const SectionOptions& options,
                           const ColorTable& colors) {
  GridDescriptor d;
  d.StationCount = std::clamp(std::min(data.grid.StationCount, static_cast<int>(data.stations.size())), 0, MaxStations);
  d.LevelCount = std::clamp(std::min(data.grid.LevelCount, static_cast<int>(data.spacing.size())), 0, MaxLevels);
  auto values = std::make_unique<ValueGrid>();
  for (int s = 1; s <= d.StationCount; ++s) {
    d.Stations[s] = data.stations[static_cast<std::size_t>(s - 1)];
    for (int k = 1; k <= d.LevelCount; ++k) (*values)(s, k) = data.grid.At(s, k);
  }
  for (int k = 1; k <= d.LevelCount; ++k) d.Spacing[k] = data.spacing[static_cast<std::size_t>(k - 1)];
  const int type = data.scale == MapScale::Linear      ? ScaleTypeLinear
                   : data.scale == MapScale::Symmetric ? ScaleTypeSymmetric
                                                       : ScaleTypeLogarithmic;
  auto raw = std::make_unique<ValueGrid>();
  raw->CopyFrom(*values);
  SetData(panel_, std::move(values), std::move(raw), NoPanelOwner, type, d);
  panel_.Title = data.caption;
  panel_.UsedRange = data.range;
  panel_.LogDepth = data.logarithmicDepth;
  picture_.MarkDirty();
  picture_.Paint(p, area, panel_, options, colors);
}

}  // namespace tarvo::drawing
