#pragma once

#include <QDockWidget>
#include <QColor>
#include <QVector>

class QCustomPlot;
class QCPCurve;

namespace tarvo::gui {

// "P&C effects": up to ten line series that the median-filter windows fill
// (what filtering changed along the line), in a window the operator can
// dock into a filter window or let float. The series keep their x values in
// the order they were added (no sorting), so a curve may run back.
//
// The filter windows use it through SetSeries / ClearSeries / DockInto /
// FloatOver; closing the window only hides it and tells Closed().
class TGraphForm : public QDockWidget {
  Q_OBJECT
public:
  static constexpr int SeriesCount = 10;

  explicit TGraphForm(QWidget* parent = nullptr);

  // Series 1..10: its points, its legend title and (when valid) its colour.
  // An index outside 1..10 is ignored; an empty series is hidden.
  void SetSeries(int index, const QVector<double>& x, const QVector<double>& y, const QString& name,
                 const QColor& colour = {});
  void ClearSeries();           // every series emptied and hidden
  int PointCount(int index) const;  // points of series index; 0 outside 1..10
  void SetTitle(const QString& title);  // the chart's title text (not shown)

  // Docks the window into `pane` (filling its layout), or floats it over
  // the screen rectangle `rect`.
  void DockInto(QWidget* pane);
  void FloatOver(const QRect& rect);

  // Which pane it floats over when a drag ends without a dock target: the
  // smoothed graph (tag above 20) docks on the right.
  int Tag() const { return tag_; }
  void SetTag(int tag) { tag_ = tag; }

  QCustomPlot* Chart() const { return chart_; }
  QCPCurve* Series(int index) const;

signals:
  void Closed();

protected:
  void closeEvent(QCloseEvent* event) override;

private:
  QCustomPlot* chart_ = nullptr;
  QVector<QCPCurve*> series_;
  int tag_ = 0;
};

}  // namespace tarvo::gui
