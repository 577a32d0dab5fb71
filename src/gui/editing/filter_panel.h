#pragma once

// One small pseudosection panel of the median-filter windows: a grid drawn
// by the drawing library's section picture, with the segment breaks as
// vertical lines, reporting left clicks as (station, level). The windows
// talk to it only through SetGrid, SetRange, SetBreaks and Clicked, so that
// another panel widget with the same four can take its place.

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWidget>

#include <algorithm>
#include <string>
#include <vector>

#include "drawing/section_picture.h"
#include "engine/display/contour_levels.h"
#include "engine/display/display_state.h"
#include "engine/filters/filter_grid.h"

namespace tarvo::gui {

class FilterPanel : public QWidget {
  Q_OBJECT

public:
  FilterPanel(const DisplayState& display, int tag, QWidget* parent = nullptr) : QWidget(parent), display_(display), tag_(tag) {
    setMinimumSize(120, 80);
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

  int Tag() const { return tag_; }
  const QString& Title() const { return title_; }

  // The grid to show (kept as a copy), its scale kind and title; the colour
  // range becomes the grid's automatic range.
  void SetGrid(const FilterGrid& grid, MapScale scale, const QString& title) {
    grid_ = grid;
    scale_ = scale;
    SetTitle(title);
    range_ = AutoRangePseudosection(grid_.View(), scale_);
    update();
  }
  void SetTitle(const QString& title) {
    title_ = title;
    setToolTip(title);
    update();
  }
  ValueRange Range() const { return range_; }
  void SetRange(ValueRange range) {
    range_ = range;
    update();
  }
  MapScale Scale() const { return scale_; }

  // Stations (1-based) drawn as black vertical lines.
  void SetBreaks(std::vector<int> stations) {
    breaks_ = std::move(stations);
    update();
  }

  // The station of a pixel column: the first k >= 2 whose coordinate lies
  // at or beyond the click, so that a click between stations k - 1 and k
  // gives k; 0 outside the plot or without a grid.
  int StationAt(int x) const {
    const QRect plot = picture_.PlotRect();
    if (grid_.StationCount < 2 || plot.width() < 2 || x < plot.left() || x > plot.right()) return 0;
    double t = static_cast<double>(x - plot.left()) / (plot.width() - 1);
    if (display_.Options.Reverse) t = 1 - t;
    const double first = grid_.Stations.front();
    const double coordinate = first + t * (grid_.Stations.back() - first);
    for (int k = 2; k <= grid_.StationCount; ++k) {
      if (coordinate <= grid_.Stations[static_cast<std::size_t>(k - 1)]) return k;
    }
    return grid_.StationCount;
  }

  int LevelAt(int y) const {
    const QRect plot = picture_.PlotRect();
    if (grid_.LevelCount < 1 || plot.height() < 2 || y < plot.top() || y > plot.bottom()) return 0;
    const double t = static_cast<double>(y - plot.top()) / (plot.height() - 1);
    return std::clamp(1 + static_cast<int>(std::lround(t * (grid_.LevelCount - 1))), 1, grid_.LevelCount);
  }

signals:
  void Clicked(int station, int level);

protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setFont(font());
    drawing::SectionData section;
    section.grid = grid_.View();
    section.stations = std::span<const float>(grid_.Stations.data(), grid_.Stations.size());
    section.spacing = std::span<const float>(grid_.Spacing.data(), grid_.Spacing.size());
    section.scale = scale_;
    section.range = range_;
    section.caption = title_.toStdString();
    section.logarithmicDepth = display_.Options.Scale == DepthScale::Logarithmic;
    SectionOptions options = display_.Options;
    // The title line always names the panel.
    options.FileNames = true;
    picture_.Paint(p, rect(), section, options, display_.Colors);
    const QRect plot = picture_.PlotRect();
    if (grid_.StationCount < 2 || plot.width() < 2) return;
    p.setPen(QPen(Qt::black, 1));
    const double first = grid_.Stations.front();
    const double span = grid_.Stations.back() - first;
    for (const int b : breaks_) {
      if (b < 1 || b > grid_.StationCount || !(span > 0)) continue;
      double t = (grid_.Stations[static_cast<std::size_t>(b - 1)] - first) / span;
      if (display_.Options.Reverse) t = 1 - t;
      const int x = plot.left() + static_cast<int>(std::lround(t * (plot.width() - 1)));
      p.drawLine(x, 0, x, height());
    }
  }

  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() != Qt::LeftButton) return;
    const QPoint at = event->position().toPoint();
    const int station = StationAt(at.x());
    if (station > 0) emit Clicked(station, LevelAt(at.y()));
  }

private:
  const DisplayState& display_;
  int tag_;
  FilterGrid grid_;
  MapScale scale_ = MapScale::Logarithmic;
  ValueRange range_;
  QString title_;
  std::vector<int> breaks_;
  drawing::SectionPicture picture_;
};

}  // namespace tarvo::gui
