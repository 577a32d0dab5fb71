#include "gui/views/reciprocal_chart.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include <qcustomplot.h>

#include "engine/core/numbers.h"
#include "engine/core/reciprocals.h"
#include "gui/views/chart_output.h"

namespace tarvo::gui {

namespace {

QString Num(double x) { return QString::fromStdString(FormatValue(x, 3)); }

}  // namespace

TReciprocalForm::TReciprocalForm(TDataset& ds, QWidget* parent) : QWidget(parent, Qt::Window), ds_(ds) {
  setWindowTitle(tr("Reciprocal errors"));
  setObjectName(QStringLiteral("ReciprocalForm"));
  resize(900, 460);

  pairs_ = new QCustomPlot(this);
  pairs_->setObjectName(QStringLiteral("ReciprocalPairs"));
  for (QCPAxis* axis : {pairs_->xAxis, pairs_->yAxis}) {
    axis->setScaleType(QCPAxis::stLogarithmic);
    axis->setTicker(QSharedPointer<QCPAxisTickerLog>(new QCPAxisTickerLog));
    axis->setNumberFormat(QStringLiteral("eb"));
    axis->setNumberPrecision(0);
  }
  pairs_->xAxis->setLabel(tr("Mean of the pair, R"));
  pairs_->yAxis->setLabel(tr("|dR|"));
  pairs_->addGraph();  // the pairs
  pairs_->graph(0)->setName(tr("Pairs"));
  pairs_->graph(0)->setLineStyle(QCPGraph::lsNone);
  pairs_->graph(0)->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, QColor(31, 119, 180), 4));
  pairs_->addGraph();  // power law
  pairs_->graph(1)->setName(tr("Power law"));
  pairs_->graph(1)->setPen(QPen(QColor(214, 39, 40), 2));
  pairs_->addGraph();  // linear
  pairs_->graph(2)->setName(tr("Linear"));
  pairs_->graph(2)->setPen(QPen(QColor(44, 160, 44), 2, Qt::DashLine));
  pairs_->legend->setVisible(true);

  histogram_ = new QCustomPlot(this);
  histogram_->setObjectName(QStringLiteral("ReciprocalHistogram"));
  histogram_->xAxis->setLabel(tr("Reciprocal error, %"));
  histogram_->yAxis->setLabel(tr("Pairs"));
  auto* bars = new QCPBars(histogram_->xAxis, histogram_->yAxis);
  bars->setBrush(QColor(31, 119, 180, 160));
  bars->setPen(QPen(QColor(31, 119, 180)));

  model_ = new QLabel(this);
  model_->setObjectName(QStringLiteral("ModelLabel"));
  model_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  auto* charts = new QHBoxLayout;
  const auto column = [this](QCustomPlot* chart) {
    auto* box = new QVBoxLayout;
    box->addWidget(chart, 1);
    auto* buttons = new QHBoxLayout;
    auto* save = new QPushButton(tr("Save picture..."), this);
    auto* copy = new QPushButton(tr("Copy"), this);
    connect(save, &QPushButton::clicked, this, [this, chart] { SaveChartAs(*chart, this); });
    connect(copy, &QPushButton::clicked, this, [chart] { CopyChartPicture(*chart); });
    buttons->addWidget(save);
    buttons->addWidget(copy);
    buttons->addStretch();
    box->addLayout(buttons);
    return box;
  };
  charts->addLayout(column(pairs_), 3);
  charts->addLayout(column(histogram_), 2);
  auto* actions = new QHBoxLayout;
  powerErrors_ = new QPushButton(tr("Errors from the power law"), this);
  powerErrors_->setObjectName(QStringLiteral("PowerLawErrorsButton"));
  powerErrors_->setToolTip(tr("Every reading gets the error the power law estimates; exports with an error column write it"));
  linearErrors_ = new QPushButton(tr("Errors from the linear model"), this);
  linearErrors_->setObjectName(QStringLiteral("LinearErrorsButton"));
  linearErrors_->setToolTip(tr("Every reading gets the error the linear model estimates; exports with an error column write it"));
  average_ = new QPushButton(tr("One reading per pair"), this);
  average_->setObjectName(QStringLiteral("AveragePairsButton"));
  average_->setToolTip(tr("The first reading of each good pair takes the mean of both and the pair's error; "
                          "the second is deleted"));
  connect(powerErrors_, &QPushButton::clicked, this, &TReciprocalForm::UsePowerLawErrorsClick);
  connect(linearErrors_, &QPushButton::clicked, this, &TReciprocalForm::UseLinearErrorsClick);
  connect(average_, &QPushButton::clicked, this, &TReciprocalForm::AveragePairsClick);
  actions->addWidget(powerErrors_);
  actions->addWidget(linearErrors_);
  actions->addWidget(average_);
  actions->addStretch();

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(charts, 1);
  layout->addWidget(model_);
  layout->addLayout(actions);
}

void TReciprocalForm::UseModelErrors(TErrorModel::Kind form) {
  const auto model = FitErrorModel(ds_, form);
  if (!model) return;  // the button is disabled without a model
  ApplyErrorModel(ds_, *model);
  ds_.Notify([](DatasetObserver& o) { o.BadCountChanged(); });
  emit DataEdited();
  Refill();
}

void TReciprocalForm::UsePowerLawErrorsClick() { UseModelErrors(TErrorModel::Kind::PowerLaw); }

void TReciprocalForm::UseLinearErrorsClick() { UseModelErrors(TErrorModel::Kind::Linear); }

void TReciprocalForm::AveragePairsClick() {
  if (AverageReciprocalPairs(ds_) == 0) return;
  emit DataEdited();
  Refill();
}

QString TReciprocalForm::ModelText() const { return model_->text(); }

void TReciprocalForm::Refill() {
  const TReciprocalChart chart = ReciprocalChartData(ds_);
  QVector<double> x, y;
  double lo = 0, hi = 0;
  for (std::size_t k = 0; k < chart.MeanValue.size(); ++k) {
    // Log axes: pairs that agree exactly or have no value cannot be shown.
    if (chart.MeanValue[k] <= 0 || chart.Difference[k] <= 0) continue;
    x.push_back(chart.MeanValue[k]);
    y.push_back(chart.Difference[k]);
    lo = x.size() == 1 ? chart.MeanValue[k] : std::min(lo, chart.MeanValue[k]);
    hi = std::max(hi, chart.MeanValue[k]);
  }
  pairs_->graph(0)->setData(x, y);

  const auto power = FitErrorModel(ds_, TErrorModel::Kind::PowerLaw);
  const auto linear = FitErrorModel(ds_, TErrorModel::Kind::Linear);
  const auto curve = [&](QCPGraph* graph, const std::optional<TErrorModel>& model) {
    QVector<double> cx, cy;
    if (model && hi > lo && lo > 0) {
      for (int k = 0; k <= 40; ++k) {
        const double r = lo * std::pow(hi / lo, k / 40.0);
        const double d = model->At(r);
        if (d > 0) {
          cx.push_back(r);
          cy.push_back(d);
        }
      }
    }
    graph->setData(cx, cy, true);
  };
  curve(pairs_->graph(1), power);
  curve(pairs_->graph(2), linear);
  pairs_->rescaleAxes();
  pairs_->replot();

  auto* bars = qobject_cast<QCPBars*>(histogram_->plottable(0));
  QVector<double> bx, by;
  for (std::size_t k = 0; k < chart.Bins.size(); ++k) {
    bx.push_back((static_cast<double>(k) + 0.5) * chart.BinWidth);
    by.push_back(chart.Bins[k]);
  }
  bars->setWidth(chart.BinWidth * 0.9);
  bars->setData(bx, by, true);
  histogram_->rescaleAxes();
  histogram_->yAxis->setRangeLower(0);
  histogram_->xAxis->setRangeLower(0);
  histogram_->replot();

  const TReciprocalStatistics s = ReciprocalStatistics(ds_);
  QString text = tr("%1 pairs").arg(s.Pairs);
  if (s.Pairs > 0) {
    text += tr("; error %: mean %1, median %2, max %3").arg(Num(s.Mean), Num(s.Median), Num(s.Maximum));
  }
  if (power) text += tr("; |dR| = %1 * R^%2").arg(Num(power->A), Num(power->B));
  if (linear) text += tr("; |dR| = %1 + %2 * R").arg(Num(linear->A), Num(linear->B));
  model_->setText(text);
  powerErrors_->setEnabled(power.has_value());
  linearErrors_->setEnabled(linear.has_value());
  average_->setEnabled(s.Pairs > 0);
}

}  // namespace tarvo::gui
