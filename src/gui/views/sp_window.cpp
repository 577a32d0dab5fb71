#include "gui/views/sp_window.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

#include <qcustomplot.h>

#include "engine/core/numbers.h"
#include "gui/shell/main_window.h"
#include "gui/views/chart_output.h"

namespace tarvo::gui {

namespace {

QString Latin1(const std::string& s) { return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size())); }

QPushButton* Button(QWidget* parent, const char* name, const QString& caption, const QString& hint = {}) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(QString::fromLatin1(name));
  if (!hint.isEmpty()) {
    b->setToolTip(hint);
    b->setStatusTip(hint);
  }
  return b;
}

// Line colours, one after the other.
QColor LineColour(int k) {
  static const QColor colours[] = {QColor(31, 119, 180), QColor(214, 39, 40), QColor(44, 160, 44),
                                   QColor(148, 103, 189), QColor(255, 127, 14), QColor(140, 86, 75),
                                   QColor(227, 119, 194), QColor(127, 127, 127), QColor(188, 189, 34),
                                   QColor(23, 190, 207)};
  return colours[k % 10];
}

}  // namespace

TSPform::TSPform(TDataset& ds, QWidget* parent) : QDialog(parent), ds_(ds) {
  setObjectName(QStringLiteral("TSPform"));
  setWindowTitle(tr("SP"));
  resize(760, 520);

  chart_ = new QCustomPlot(this);
  chart_->setObjectName(QStringLiteral("Chart"));
  chart_->setBackground(Qt::white);
  chart_->xAxis->setLabel(tr("X, m"));
  chart_->yAxis->setLabel(tr("Self potential, mV"));
  chart_->legend->setVisible(true);
  chart_->legend->setFont(QFont(font().family(), 8));
  connect(chart_, &QCustomPlot::plottableClick, this,
          [this](QCPAbstractPlottable* p, int dataIndex, QMouseEvent*) { PlottableClick(p, dataIndex); });

  auto* panel = new QWidget(this);
  panel->setObjectName(QStringLiteral("Panel1"));
  panel->setMinimumHeight(86);
  label_ = new QLabel(panel);
  label_->setObjectName(QStringLiteral("Label1"));
  auto* close = Button(panel, "CloseBtn", tr("&Close"));
  copy_ = Button(panel, "CopyBtn", tr("Copy"), tr("Copy data for selected line"));
  auto* help = Button(panel, "HelpBtn", tr("Help"));
  help->setEnabled(false);
  const auto [copyEmf, copyBmp, save] = MakeChartPictureButtons(*chart_, panel, this);
  combo_ = new QComboBox(panel);
  combo_->setObjectName(QStringLiteral("ComboBox"));
  combo_->setToolTip(tr("Select line to copy"));
  delete_ = Button(panel, "DeleteBtn", tr("Delete"), tr("Delete selected data point"));
  delete_->setEnabled(false);
  undo_ = Button(panel, "UndoBtn", tr("Undo"));
  undo_->setEnabled(false);
  auto* show = new QGroupBox(tr("Show"), panel);
  auto* showColumn = new QVBoxLayout(show);
  checks_ = new QListWidget(show);
  checks_->setObjectName(QStringLiteral("CheckListBox"));
  checks_->setToolTip(tr("DblClick to clear chart"));
  checks_->setFlow(QListView::TopToBottom);
  checks_->setWrapping(true);
  checks_->setResizeMode(QListView::Adjust);
  checks_->setMaximumHeight(80);
  showColumn->addWidget(checks_);

  auto* buttons = new QGridLayout;
  int column = 0;
  for (QWidget* w : std::initializer_list<QWidget*>{close, copy_, help, copyEmf}) buttons->addWidget(w, 0, column++);
  column = 0;
  for (QWidget* w : std::initializer_list<QWidget*>{copyBmp, save, delete_, undo_}) buttons->addWidget(w, 1, column++);
  buttons->addWidget(combo_, 2, 0, 1, 2);
  buttons->addWidget(label_, 2, 2, 1, 2);
  auto* row = new QHBoxLayout(panel);
  row->setContentsMargins(4, 2, 4, 2);
  row->addLayout(buttons);
  row->addWidget(show, 1);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(chart_, 1);
  layout->addWidget(panel);

  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  connect(copy_, &QPushButton::clicked, this, &TSPform::CopyClick);
  connect(delete_, &QPushButton::clicked, this, &TSPform::DeleteClick);
  connect(undo_, &QPushButton::clicked, this, &TSPform::UndoClick);
  connect(checks_, &QListWidget::itemChanged, this, [this] {
    if (!filling_) CheckListClick();
  });
  connect(checks_, &QListWidget::itemDoubleClicked, this, [this] { CheckListDblClick(); });
  connect(combo_, &QComboBox::currentIndexChanged, this, [this] {
    if (!filling_) CheckListClick();
  });
}

void TSPform::showEvent(QShowEvent* event) {
  FormShow();
  QDialog::showEvent(event);
}

void TSPform::FormShow() {
  filling_ = true;
  delete_->setEnabled(false);
  undo_->setEnabled(false);
  label_->clear();
  selection_ = {};
  lines_ = BuildSPLines(ds_);
  combo_->clear();
  checks_->clear();
  for (const TSPLine& line : lines_) {
    combo_->addItem(Latin1(line.Title));
    auto* item = new QListWidgetItem(Latin1(line.Title), checks_);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Checked);
  }
  combo_->setCurrentIndex(lines_.empty() ? -1 : 0);
  copy_->setEnabled(!lines_.empty());
  filling_ = false;

  chart_->clearGraphs();
  for (std::size_t k = 0; k < lines_.size(); ++k) {
    QCPGraph* graph = chart_->addGraph();
    graph->setName(Latin1(lines_[k].Title));
    graph->setPen(QPen(LineColour(static_cast<int>(k)), 2));
    graph->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, 5));
    graph->setSelectable(QCP::stSingleData);
  }
  QCPGraph* marker = chart_->addGraph();  // the selected point
  marker->setLineStyle(QCPGraph::lsNone);
  marker->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssSquare, Qt::red, Qt::red, 10));
  marker->removeFromLegend();
  marker->setSelectable(QCP::stNone);
  Redraw();
  chart_->rescaleAxes();
  chart_->xAxis->scaleRange(1.05);
  chart_->yAxis->scaleRange(1.1);
  chart_->replot();
}

void TSPform::Redraw() {
  for (std::size_t k = 0; k < lines_.size() && static_cast<int>(k) < chart_->graphCount(); ++k) {
    QVector<double> x, y;
    for (const TSPPoint& p : lines_[k].Points) {
      x.push_back(p.X);
      y.push_back(p.Y);
    }
    QCPGraph* graph = chart_->graph(static_cast<int>(k));
    graph->setData(x, y);
    graph->setVisible(lines_[k].Shown);
    if (lines_[k].Shown) graph->addToLegend();
    else graph->removeFromLegend();
  }
  if (chart_->graphCount() > static_cast<int>(lines_.size())) {
    QCPGraph* marker = chart_->graph(chart_->graphCount() - 1);
    QVector<double> mx, my;
    if (delete_->isEnabled() && selection_.line >= 0) {
      mx.push_back(selection_.point.X);
      my.push_back(selection_.point.Y);
    }
    marker->setData(mx, my);
  }
  chart_->replot();
}

void TSPform::PlottableClick(QCPAbstractPlottable* plottable, int dataIndex) {
  for (int k = 0; k < static_cast<int>(lines_.size()) && k < chart_->graphCount(); ++k) {
    if (chart_->graph(k) != plottable) continue;
    // The graph keeps its points in x order; find the line's point by x and y.
    auto* graph = chart_->graph(k);
    if (dataIndex < 0 || dataIndex >= graph->dataCount()) break;
    const double x = graph->data()->at(dataIndex)->key, y = graph->data()->at(dataIndex)->value;
    const auto& points = lines_[static_cast<std::size_t>(k)].Points;
    for (std::size_t i = 0; i < points.size(); ++i) {
      if (points[i].X == x && points[i].Y == y) {
        SelectPoint(k, static_cast<int>(i));
        return;
      }
    }
    break;
  }
  label_->setText(tr("Not found"));
}

void TSPform::SelectPoint(int line, int index) {
  if (line < 0 || line >= static_cast<int>(lines_.size())) {
    label_->setText(tr("Not found"));
    return;
  }
  const auto& points = lines_[static_cast<std::size_t>(line)].Points;
  if (index < 0 || index >= static_cast<int>(points.size())) return;
  selection_ = {line, index, points[static_cast<std::size_t>(index)]};
  ShowSelectionLabel();
  delete_->setEnabled(true);
  undo_->setEnabled(false);
  Redraw();
}

void TSPform::ShowSelectionLabel() {
  label_->setText(Latin1(lines_[static_cast<std::size_t>(selection_.line)].Title) + QStringLiteral(",  X=") +
                  Latin1(FormatValue(selection_.point.X, 2)));
}

void TSPform::DeleteClick() {
  if (selection_.line < 0) return;
  auto& points = lines_[static_cast<std::size_t>(selection_.line)].Points;
  if (selection_.index >= 0 && selection_.index < static_cast<int>(points.size())) {
    points.erase(points.begin() + selection_.index);
  }
  delete_->setEnabled(false);
  undo_->setEnabled(true);
  label_->clear();
  Redraw();
}

void TSPform::UndoClick() {
  if (selection_.line < 0) return;
  auto& points = lines_[static_cast<std::size_t>(selection_.line)].Points;
  const auto at = std::min<std::size_t>(static_cast<std::size_t>(selection_.index), points.size());
  points.insert(points.begin() + static_cast<std::ptrdiff_t>(at), selection_.point);
  ShowSelectionLabel();
  delete_->setEnabled(true);
  undo_->setEnabled(false);
  Redraw();
}

void TSPform::CheckListClick() {
  delete_->setEnabled(false);
  undo_->setEnabled(false);
  label_->clear();
  for (int k = 0; k < checks_->count() && k < static_cast<int>(lines_.size()); ++k) {
    lines_[static_cast<std::size_t>(k)].Shown = checks_->item(k)->checkState() == Qt::Checked;
  }
  const int chosen = combo_->currentIndex();
  copy_->setEnabled(chosen >= 0 && chosen < static_cast<int>(lines_.size()) &&
                    lines_[static_cast<std::size_t>(chosen)].Shown);
  Redraw();
}

void TSPform::CheckListDblClick() {
  filling_ = true;
  for (int k = 0; k < checks_->count(); ++k) {
    QListWidgetItem* item = checks_->item(k);
    item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
  }
  filling_ = false;
  CheckListClick();
}

void TSPform::CopyClick() {
  const std::string text = SPCopyText(lines_, combo_->currentIndex());
  if (!text.empty()) QApplication::clipboard()->setText(Latin1(text));
}

void AttachSPWindow(TMain& main, TSPform& sp) {
  main.ProvideCommand(QStringLiteral("ToolButton1"), [&main, &sp] {
    if (main.Dataset().HasSP) sp.exec();
  });
}

}  // namespace tarvo::gui
