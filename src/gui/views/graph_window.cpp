#include "gui/views/graph_window.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include <qcustomplot.h>

#include "gui/views/chart_output.h"

namespace tarvo::gui {

namespace {
QColor DefaultColour(int k) {
  static const QColor colours[] = {Qt::red,         Qt::blue,       Qt::darkGreen, Qt::magenta,      QColor(255, 128, 0),
                                   Qt::darkCyan,    Qt::darkYellow, Qt::black,     QColor(128, 0, 128), Qt::gray};
  return colours[(k - 1) % TGraphForm::SeriesCount];
}
}  // namespace

TGraphForm::TGraphForm(QWidget* parent) : QDockWidget(tr("P&C effects"), parent) {
  setObjectName(QStringLiteral("TGraphForm"));
  setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
  resize(399, 363);

  auto* body = new QWidget(this);
  chart_ = new QCustomPlot(body);
  chart_->setObjectName(QStringLiteral("Chart"));
  chart_->setBackground(Qt::white);
  chart_->axisRect()->setMargins(QMargins(1, 2, 1, 1));
  chart_->axisRect()->setAutoMargins(QCP::msAll);
  // The 2-pixel curves drawn as polylines: a smoothing redraws them on
  // every move of a track bar.
  chart_->setPlottingHint(QCP::phFastPolylines, true);
  chart_->legend->setVisible(true);
  chart_->legend->setIconSize(20, 10);
  for (int k = 1; k <= SeriesCount; ++k) {
    auto* g = new QCPCurve(chart_->xAxis, chart_->yAxis);
    series_.push_back(g);
    g->setPen(QPen(DefaultColour(k), 2));
    g->setVisible(false);
    g->removeFromLegend();
  }

  const ChartPictureButtons picture = MakeChartPictureButtons(*chart_, body, this);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(picture.copyPicture);
  buttons->addWidget(picture.copyBitmap);
  buttons->addWidget(picture.save);
  buttons->addStretch();
  auto* column = new QVBoxLayout(body);
  column->setContentsMargins(1, 1, 1, 1);
  column->addWidget(chart_, 1);
  column->addLayout(buttons);
  setWidget(body);
  SetTitle(windowTitle());
}

QCPCurve* TGraphForm::Series(int index) const {
  if (index < 1 || index > SeriesCount) return nullptr;
  return series_[index - 1];
}

void TGraphForm::SetSeries(int index, const QVector<double>& x, const QVector<double>& y, const QString& name,
                           const QColor& colour) {
  QCPCurve* g = Series(index);
  if (g == nullptr) return;
  g->setData(x, y);  // a curve keeps its points in the order given
  g->setName(name);
  if (colour.isValid()) g->setPen(QPen(colour, 2));
  const bool any = !x.isEmpty();
  g->setVisible(any);
  if (any) g->addToLegend();
  else g->removeFromLegend();
  chart_->rescaleAxes(true);
  // One replot in the next pass of the event loop, however many series
  // were set before it.
  chart_->replot(QCustomPlot::rpQueuedReplot);
}

void TGraphForm::ClearSeries() {
  for (int k = 1; k <= SeriesCount; ++k) {
    QCPCurve* g = Series(k);
    g->data()->clear();
    g->setVisible(false);
    g->removeFromLegend();
  }
  chart_->replot(QCustomPlot::rpQueuedReplot);
}

int TGraphForm::PointCount(int index) const {
  const QCPCurve* g = Series(index);
  return g != nullptr ? g->dataCount() : 0;
}

void TGraphForm::SetTitle(const QString& title) { chart_->setWindowTitle(title); }

void TGraphForm::DockInto(QWidget* pane) {
  if (pane == nullptr) return;
  setFloating(false);
  setParent(pane);
  if (pane->layout() == nullptr) new QVBoxLayout(pane);
  pane->layout()->addWidget(this);
  show();
}

void TGraphForm::FloatOver(const QRect& rect) {
  setFloating(true);
  setGeometry(rect);
  show();
}

void TGraphForm::closeEvent(QCloseEvent* event) {
  event->ignore();
  hide();
  emit Closed();
}

}  // namespace tarvo::gui
