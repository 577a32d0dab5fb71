#include "gui/views/ip_chart_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include <qcustomplot.h>

#include "engine/core/bad_points.h"
#include "engine/core/numbers.h"
#include "gui/editing/ip_parameters_window.h"
#include "gui/editing/table_window.h"
#include "gui/shell/main_window.h"
#include "gui/views/chart_output.h"

namespace tarvo::gui {

namespace {

QString Latin1(const std::string& s) { return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size())); }

// Axis labels in the form "##0.###": up to three decimals, no trailing zeros.
class DecayTicker : public QCPAxisTicker {
protected:
  QString getTickLabel(double tick, const QLocale&, QChar, int) override {
    QString text = QString::number(std::round(tick * 1000) / 1000, 'f', 3);
    while (text.contains(QLatin1Char('.')) && (text.endsWith(QLatin1Char('0')) || text.endsWith(QLatin1Char('.')))) {
      text.chop(1);
    }
    return text == QStringLiteral("-0") ? QStringLiteral("0") : text;
  }
};

class DecayLogTicker : public QCPAxisTickerLog {
protected:
  QString getTickLabel(double tick, const QLocale&, QChar, int) override {
    return QString::number(tick, 'g', 6);
  }
};

QPushButton* Button(QWidget* parent, const char* name, const QString& caption, const QString& hint = {}) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(QString::fromLatin1(name));
  if (!hint.isEmpty()) {
    b->setToolTip(hint);
    b->setStatusTip(hint);
  }
  return b;
}

constexpr int DecayGraph = 0;
constexpr int GlobalGraph = 1;
constexpr int FitGraph = 2;

}  // namespace

TIPchartForm::TIPchartForm(TDataset& ds, TIPform& ipForm, QWidget* parent)
    : QWidget(parent, Qt::Tool), ds_(ds), ipForm_(ipForm) {
  setObjectName(QStringLiteral("TIPchartForm"));
  setWindowTitle(tr("IP decay curve"));
  resize(579, 470);

  chart_ = new QCustomPlot(this);
  chart_->setObjectName(QStringLiteral("Chart"));
  chart_->setBackground(Qt::white);
  chart_->xAxis->setLabel(tr("Relaxation time, ms"));
  chart_->yAxis->setLabel(tr("Partial chargeabilty, (mV ms)/V"));
  for (QCPAxis* axis : {chart_->xAxis, chart_->yAxis}) {
    axis->grid()->setPen(QPen(QColor(0, 0, 0, 90), 0, Qt::DotLine));
    axis->setTicker(QSharedPointer<QCPAxisTicker>(new DecayTicker));
  }
  chart_->yAxis->ticker()->setTickCount(5);
  chart_->yAxis->setRange(0, 5);
  chart_->addGraph();  // the decay, filled in silver down to zero
  chart_->graph(DecayGraph)->setPen(QPen(Qt::blue, 3));
  chart_->graph(DecayGraph)->setBrush(QColor(192, 192, 192));
  chart_->addGraph();  // the global chargeability
  chart_->graph(GlobalGraph)->setPen(QPen(QColor(255, 128, 128), 3));
  chart_->addGraph();  // the fitted power law
  chart_->graph(FitGraph)->setPen(QPen(QColor(0, 128, 0), 2, Qt::DashLine));
  chart_->installEventFilter(this);
  chart_->setMouseTracking(true);

  auto* panel = new QWidget(this);
  panel->setObjectName(QStringLiteral("Panel1"));
  undo_ = Button(panel, "bUnDo", tr("UnDo"), tr("UnDo IP changes"));
  undo_->setEnabled(false);
  auto* close = Button(panel, "CloseBtn", tr("&Close"));
  auto* copy = Button(panel, "CopyBtn", tr("Copy"), tr("Copy decay curve"));
  auto* help = Button(panel, "HelpBtn", tr("Help"));
  help->setEnabled(false);
  const auto [copyEmf, copyBmp, save] = MakeChartPictureButtons(*chart_, panel, this);
  auto* times = Button(panel, "IPTimesBtn", tr("&IP times"), tr("Select times"));

  auto* options = new QGroupBox(tr("Options"), panel);
  auto* optionsRow = new QHBoxLayout(options);
  log_ = new QCheckBox(tr("Log"), options);
  log_->setObjectName(QStringLiteral("LogBox"));
  labels_ = new QCheckBox(tr("Labels"), options);
  labels_->setObjectName(QStringLiteral("LabelsBox"));
  optionsRow->addWidget(log_);
  optionsRow->addWidget(labels_);

  auto* range = new QGroupBox(tr("IP window"), panel);
  auto* rangeRow = new QHBoxLayout(range);
  from_ = new QComboBox(range);
  from_->setObjectName(QStringLiteral("ComboBoxFrom"));
  from_->setToolTip(tr("Starting time"));
  to_ = new QComboBox(range);
  to_->setObjectName(QStringLiteral("ComboBoxTo"));
  to_->setToolTip(tr("The last time"));
  recalc_ = new QToolButton(range);
  recalc_->setObjectName(QStringLiteral("SpeedButton1"));
  recalc_->setText(QStringLiteral("\u03A3"));
  recalc_->setToolTip(tr("Recalculate global chargeabilty"));
  rangeRow->addWidget(new QLabel(tr("From"), range));
  rangeRow->addWidget(from_);
  rangeRow->addWidget(new QLabel(tr("To"), range));
  rangeRow->addWidget(to_);
  rangeRow->addWidget(recalc_);

  source_ = new QLabel(panel);
  source_->setObjectName(QStringLiteral("SourceLabel"));
  fitLabel_ = new QLabel(panel);
  fitLabel_->setObjectName(QStringLiteral("FitLabel"));

  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {undo_, close, copy, help, copyEmf, copyBmp, save, times}) buttons->addWidget(b);
  buttons->addStretch();
  auto* groups = new QHBoxLayout;
  groups->addWidget(options);
  groups->addWidget(range);
  groups->addStretch();
  auto* texts = new QHBoxLayout;
  texts->addWidget(source_);
  texts->addStretch();
  texts->addWidget(fitLabel_);
  auto* panelColumn = new QVBoxLayout(panel);
  panelColumn->setContentsMargins(4, 2, 4, 2);
  panelColumn->addLayout(buttons);
  panelColumn->addLayout(groups);
  panelColumn->addLayout(texts);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(chart_, 1);
  layout->addWidget(panel);

  connect(undo_, &QPushButton::clicked, this, &TIPchartForm::bUnDoClick);
  connect(close, &QPushButton::clicked, this, &QWidget::close);
  connect(copy, &QPushButton::clicked, this, &TIPchartForm::CopyClick);
  connect(times, &QPushButton::clicked, this, [this] {
    ipForm_.exec();
    FillWindowLists();
    if (SelectedIndex() >= 1) ShowDecay(SelectedIndex());
  });
  connect(log_, &QCheckBox::toggled, this, [this] {
    ApplyLog();
    chart_->replot();
  });
  connect(labels_, &QCheckBox::toggled, this, [this] { Redraw(); });
  const auto rangeChanged = [this] {
    if (!filling_ && SelectedIndex() > 0) ShowDecay(SelectedIndex());
  };
  connect(from_, &QComboBox::currentIndexChanged, this, rangeChanged);
  connect(to_, &QComboBox::currentIndexChanged, this, rangeChanged);
  connect(recalc_, &QToolButton::clicked, this, &TIPchartForm::SpeedButton1Click);
  connect(&ipForm_, &TIPform::ScheduleChanged, this, [this] { FillWindowLists(); });

  ds_.Observers.push_back(this);
}

TIPchartForm::~TIPchartForm() {
  auto& o = ds_.Observers;
  o.erase(std::remove(o.begin(), o.end(), static_cast<DatasetObserver*>(this)), o.end());
}

int TIPchartForm::FromWindow() const { return from_->currentIndex() + 1; }
int TIPchartForm::ToWindow() const { return to_->currentIndex() + 1; }

void TIPchartForm::FillWindowLists() {
  filling_ = true;
  const TIPWindows windows = IPWindowsInUse(ds_);
  const int count = std::clamp(ds_.IPWindowCount, 0, MaxIPWindows);
  from_->clear();
  to_->clear();
  for (const std::string& item : WindowStartItems(windows, count)) from_->addItem(Latin1(item));
  for (const std::string& item : WindowEndItems(windows, count)) to_->addItem(Latin1(item));
  from_->setCurrentIndex(count > 0 ? 0 : -1);
  to_->setCurrentIndex(count - 1);
  filling_ = false;
  if (windows.Source == IPTimesSource::File) {
    source_->setText(tr("Window times from the file"));
  } else {
    source_->setText(tr("Window times of the schedule %1 s, %2")
                         .arg(QString::fromLatin1(IPPulseTimeNames[static_cast<std::size_t>(ds_.IPParameters.TimeIndex)].data()),
                              QString::fromLatin1(IPWindowTypeNames[static_cast<std::size_t>(ds_.IPParameters.TypeIndex)].data())));
  }
}

void TIPchartForm::ResetDecay() {
  model_.Reset();
  selectedWindow_ = 0;
  undo_->setEnabled(false);
  Redraw();
}

void TIPchartForm::ShowDecay(int k) {
  if (k != 0) selectedWindow_ = 0;
  model_.ShowDecay(ds_, k, FromWindow(), ToWindow());
  undo_->setEnabled(model_.Modified());
  Redraw();
}

void TIPchartForm::Redraw() {
  QVector<double> t, m;
  for (const TDecayCurvePoint& p : model_.Curve()) {
    t.push_back(p.T);
    m.push_back(p.M);
  }
  chart_->graph(DecayGraph)->setData(t, m, true);
  QVector<double> gt, gm;
  if (const auto g = model_.Global()) {
    gt = {model_.GlobalStart(), model_.GlobalEnd()};
    gm = {*g, *g};
  }
  chart_->graph(GlobalGraph)->setData(gt, gm, true);

  QVector<double> ft, fm;
  const TDecayFit& fit = model_.Fit();
  if (fit.Fitted() && !t.isEmpty()) {
    const double lo = std::max(t.front(), 1e-3), hi = std::max(t.back(), lo * 1.0001);
    for (int s = 0; s <= 60; ++s) {
      const double x = lo * std::pow(hi / lo, s / 60.0);
      ft.push_back(x);
      fm.push_back(fit.At(x));
    }
    fitLabel_->setText(tr("m = %1 t^-%2, misfit %3 %")
                           .arg(Latin1(FormatValue(fit.A, 2)), Latin1(FormatValue(fit.B, 2)),
                                Latin1(FormatValue(fit.Misfit, 1))));
  } else if (fit.Misfit == TDecayFits::SignChange) {
    fitLabel_->setText(tr("The windows change sign: no decay to fit"));
  } else {
    fitLabel_->clear();
  }
  chart_->graph(FitGraph)->setData(ft, fm, true);

  chart_->clearItems();
  if (labels_->isChecked()) {
    for (const TDecayCurvePoint& p : model_.Curve()) {
      auto* label = new QCPItemText(chart_);
      label->position->setCoords(p.T, p.M);
      label->setPositionAlignment(Qt::AlignHCenter | Qt::AlignBottom);
      label->setText(Latin1(p.Label));
      label->setClipToAxisRect(false);
    }
  }
  if (const auto& axis = model_.Axis()) chart_->yAxis->setRange(axis->Min, axis->Max);
  if (!t.isEmpty()) {
    const double first = std::min(t.front(), gt.isEmpty() ? t.front() : gt.front());
    const double last = std::max(t.back(), gt.isEmpty() ? t.back() : gt.back());
    const double margin = (last - first) * 0.03 + 1;
    chart_->xAxis->setRange(log_->isChecked() ? first * 0.9 : first - margin, log_->isChecked() ? last * 1.1 : last + margin);
  }
  ApplyLog();
  chart_->replot();
}

void TIPchartForm::ApplyLog() {
  const bool on = log_->isChecked();
  if (on == (chart_->xAxis->scaleType() == QCPAxis::stLogarithmic)) return;
  chart_->xAxis->setScaleType(on ? QCPAxis::stLogarithmic : QCPAxis::stLinear);
  chart_->xAxis->setTicker(on ? QSharedPointer<QCPAxisTicker>(new DecayLogTicker)
                              : QSharedPointer<QCPAxisTicker>(new DecayTicker));
  if (on && chart_->xAxis->range().lower <= 0) {
    const double upper = std::max(chart_->xAxis->range().upper, 10.0);
    chart_->xAxis->setRange(1, upper);
  }
}

void TIPchartForm::SpeedButton1Click() {
  if (!RecomputeIP(ds_, FromWindow(), ToWindow())) return;
  CountBadPoints(ds_);
  if (afterRecompute_) afterRecompute_();
  if (SelectedIndex() >= 1) ShowDecay(SelectedIndex());
  activateWindow();
  setFocus();
}

void TIPchartForm::bUnDoClick() {
  model_.UnDo(ds_, FromWindow(), ToWindow());
  CountBadPoints(ds_);
  undo_->setEnabled(false);
  Redraw();
}

void TIPchartForm::CopyClick() {
  const int point = SelectedIndex();
  if (point < 1) return;
  const std::string text = DecayCopyText(ds_, point, model_.Curve());
  QApplication::clipboard()->setText(Latin1(text));
}

void TIPchartForm::ChartMouseDown(QPointF pos) {
  if (model_.CurrentPoint() == 0) return;
  const double t = chart_->xAxis->pixelToCoord(pos.x());
  selectedWindow_ = NearestWindow(model_.Windows(), std::clamp(ds_.IPWindowCount, 0, MaxIPWindows), t);
  firstMove_ = true;
  dragged_ = false;
}

void TIPchartForm::ChartMouseMove(QPointF pos, bool leftButton) {
  if (!leftButton) {
    chart_->setCursor(Qt::ArrowCursor);
    return;
  }
  if (selectedWindow_ == 0) return;
  if (firstMove_) {
    firstMove_ = false;
    return;
  }
  chart_->setCursor(Qt::SplitVCursor);
  model_.SetWorkingValue(selectedWindow_, chart_->yAxis->pixelToCoord(pos.y()));
  dragged_ = true;
  ShowDecay(0);
}

void TIPchartForm::ChartMouseUp() {
  // The stored windows may change the point's bad state (its IP, its misfit).
  if (dragged_) CountBadPoints(ds_);
  dragged_ = false;
}

bool TIPchartForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == chart_) {
    if (event->type() == QEvent::MouseButtonPress) {
      auto* e = static_cast<QMouseEvent*>(event);
      if (e->button() == Qt::LeftButton) ChartMouseDown(e->position());
    } else if (event->type() == QEvent::MouseMove) {
      auto* e = static_cast<QMouseEvent*>(event);
      ChartMouseMove(e->position(), (e->buttons() & Qt::LeftButton) != 0);
    } else if (event->type() == QEvent::MouseButtonRelease) {
      ChartMouseUp();
    }
  }
  return QWidget::eventFilter(watched, event);
}

void TIPchartForm::showEvent(QShowEvent* event) {
  FillWindowLists();
  ApplyLog();
  QWidget::showEvent(event);
}

void TIPchartForm::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  emit Closed();
}

// ---------------------------------------------------------------------------

void AttachIPChart(TMain& main, TTableForm& table, TIPchartForm& chart, QWidget* sectionWindow) {
  chart.SetSelectedIndex([&table] { return table.SelectedDataIndex(); });
  chart.SetAfterRecompute([&main, &table] {
    if (QAction* redraw = main.Command(QStringLiteral("aRedraw")); redraw != nullptr && redraw->isEnabled()) {
      redraw->trigger();
    }
    table.FormShow();
  });
  // Beside the configuration window: a third of the screen at its right edge.
  const auto place = [&chart, sectionWindow] {
    if (sectionWindow == nullptr || !sectionWindow->isVisible()) return;
    const QScreen* screen = sectionWindow->screen() != nullptr ? sectionWindow->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    const QRect area = screen->availableGeometry();
    const QRect section = sectionWindow->frameGeometry();
    const int width = area.width() / 3;
    sectionWindow->resize(std::max(area.width() - width - (section.left() - area.left()), 200), sectionWindow->height());
    chart.setGeometry(sectionWindow->frameGeometry().right() + 1, section.top(), width, section.height());
  };
  QObject::connect(&table, &TTableForm::DecayChartToggled, &chart, [&chart, &table, place](bool on) {
    if (!on) {
      chart.hide();
      return;
    }
    if (!chart.isVisible()) {
      place();
      chart.show();
    }
    chart.raise();
    if (table.SelectedDataIndex() >= 1) chart.ShowDecay(table.SelectedDataIndex());
  });
  QObject::connect(&table, &TTableForm::DataPointSelected, &chart, [&chart, &table](int index) {
    if (table.DecayBox()->isChecked() && index >= 1) chart.ShowDecay(index);
  });
  QObject::connect(&chart, &TIPchartForm::Closed, &table, [&table] { table.DecayBox()->setChecked(false); });
  QObject::connect(&main, &TMain::DatasetRead, &chart, [&chart] {
    chart.FillWindowLists();
    chart.ResetDecay();
  });
}

}  // namespace tarvo::gui
