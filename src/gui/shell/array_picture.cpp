#include "gui/shell/array_picture.h"

#include <QPainter>
#include <QPainterPath>

#include <array>

namespace tarvo::gui {

namespace {

// Electrode places along the picture, 0 at the left margin and 1 at the
// right one; below 0 an electrode is remote on the left, above 1 on the
// right.
struct Placement {
  double a, b, m, n;
};

constexpr double RemoteLeft = -1;
constexpr double RemoteRight = 2;

constexpr std::array<Placement, 9> Placements = {{
    {0, 0, 0, 0},                       // no array
    {0.22, RemoteLeft, 0.58, RemoteRight},  // pole-pole: B and N remote
    {0.02, 0.98, 0.42, 0.58},           // Schlumberger: MN small against AB
    {0.02, 0.98, 0.34, 0.66},           // Wenner: three equal gaps
    {0.14, RemoteLeft, 0.56, 0.80},     // forward pole-dipole: B remote
    {RemoteRight, 0.86, 0.20, 0.44},    // reverse pole-dipole: A remote
    {0.04, 0.22, 0.64, 0.82},           // dipole-dipole: n gaps between the dipoles
    {0.04, 0.34, 0.64, 0.94},           // Wenner-beta: dipoles of one gap, one gap apart
    {0.02, 0.98, 0.24, 0.40},           // asymmetrical: MN off the centre
}};

const QColor CurrentColour(0xc0, 0x39, 0x2b);
const QColor PotentialColour(0x1f, 0x61, 0x8d);
const QColor GroundColour(0x8a, 0x6d, 0x4b);

}  // namespace

ArrayPicture::ArrayPicture(int arrayCode, QWidget* parent) : QWidget(parent), code_(arrayCode) {
  setObjectName(QStringLiteral("ArrayPicture%1").arg(arrayCode));
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize ArrayPicture::sizeHint() const { return {240, 96}; }
QSize ArrayPicture::minimumSizeHint() const { return {180, 96}; }

void ArrayPicture::paintEvent(QPaintEvent*) {
  if (code_ < 1 || code_ >= static_cast<int>(Placements.size())) return;
  const Placement& place = Placements[static_cast<std::size_t>(code_)];

  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QFontMetrics metrics(font());
  const double margin = metrics.horizontalAdvance(QStringLiteral("∞")) + 10;
  const double left = margin;
  const double right = width() - margin;
  const double ground = height() * 0.62;
  const double currentY = 10 + metrics.height() / 2.0;
  const double potentialY = currentY + metrics.height() + 6;

  // The ground surface, hatched below.
  painter.setPen(QPen(GroundColour, 2));
  painter.drawLine(QPointF(4, ground), QPointF(width() - 4, ground));
  painter.setPen(QPen(GroundColour, 1));
  for (double x = 8; x < width() - 4; x += 9) painter.drawLine(QPointF(x, ground + 1), QPointF(x - 6, ground + 7));

  const auto xOf = [&](double at) {
    if (at < 0) return 6.0;
    if (at > 1) return width() - 6.0;
    return left + at * (right - left);
  };

  // A loop between two electrodes with its instrument in the middle; a
  // remote end is marked with the infinity sign.
  const auto drawLoop = [&](double from, double to, double y, const QColor& colour, const QString& meter) {
    const double x1 = xOf(from);
    const double x2 = xOf(to);
    painter.setPen(QPen(colour, 1.5));
    QPainterPath path;
    path.moveTo(x1, (from < 0 || from > 1) ? y : ground - 2);
    path.lineTo(x1, y);
    path.lineTo(x2, y);
    path.lineTo(x2, (to < 0 || to > 1) ? y : ground - 2);
    painter.drawPath(path);
    for (const double end : {from, to}) {
      if (end >= 0 && end <= 1) continue;
      const double x = xOf(end);
      const QRectF box(end < 0 ? 0 : x - margin + 6, y - metrics.height(), margin - 4, metrics.height() * 0.9);
      painter.drawText(box, (end < 0 ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignBottom, QStringLiteral("∞"));
    }
    // The meter sits in the middle of the loop's visible part.
    const double mid = (std::max(std::min(x1, x2), left) + std::min(std::max(x1, x2), right)) / 2;
    const double r = metrics.height() * 0.55;
    painter.setBrush(palette().base());
    painter.drawEllipse(QPointF(mid, y), r, r);
    painter.setBrush(Qt::NoBrush);
    painter.drawText(QRectF(mid - r, y - r, 2 * r, 2 * r), Qt::AlignCenter, meter);
  };

  drawLoop(place.a, place.b, currentY, CurrentColour, QStringLiteral("I"));
  drawLoop(place.m, place.n, potentialY, PotentialColour, QStringLiteral("V"));

  // Electrodes in the ground with their letters below.
  const std::array<std::pair<double, QChar>, 4> electrodes = {
      {{place.a, QLatin1Char('A')}, {place.b, QLatin1Char('B')}, {place.m, QLatin1Char('M')}, {place.n, QLatin1Char('N')}}};
  for (const auto& [at, letter] : electrodes) {
    if (at < 0 || at > 1) continue;
    const double x = xOf(at);
    const QColor colour = (letter == QLatin1Char('A') || letter == QLatin1Char('B')) ? CurrentColour : PotentialColour;
    painter.setPen(QPen(colour, 2.5));
    painter.drawLine(QPointF(x, ground - 3), QPointF(x, ground + 7));
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QRectF(x - 10, ground + 8, 20, metrics.height()), Qt::AlignCenter, QString(letter));
  }
}

}  // namespace tarvo::gui
