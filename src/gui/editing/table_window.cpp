#include "gui/editing/table_window.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include <qcustomplot.h>

#include "engine/core/bad_points.h"
#include "gui/editing/inversion_results_page.h"
#include "gui/shell/main_window.h"
#include "gui/views/reciprocal_chart.h"

namespace tarvo::gui {

namespace {

QString Latin1(const std::string& s) { return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size())); }
QString Latin1(std::string_view s) { return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size())); }
std::string ToLatin1(const QString& s) { return s.toLatin1().toStdString(); }

constexpr ElectrodeColumn ElectrodeColumns[] = {ElectrodeColumn::N, ElectrodeColumn::X, ElectrodeColumn::Alt};

// A button of a copy command; a hint "short|long" gives the tool tip and the status text.
QToolButton* ClipboardButton(QWidget* parent, const char* name, const QString& caption, const QString& hint) {
  auto* b = new QToolButton(parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setText(caption);
  b->setToolTip(hint.section(QLatin1Char('|'), 0, 0).trimmed());
  b->setStatusTip(hint.contains(QLatin1Char('|')) ? hint.section(QLatin1Char('|'), 1).trimmed() : hint);
  b->setAutoRaise(true);
  return b;
}

// Axis labels of the relief chart: up to three decimals, no trailing zeros.
class ReliefTicker : public QCPAxisTicker {
protected:
  QString getTickLabel(double tick, const QLocale&, QChar, int) override {
    return Latin1(AltitudeWithThreeDecimals(tick));
  }
};

}  // namespace

// ---------------------------------------------------------------------------
// Data grid

void DataTableModel::Refill() {
  beginResetModel();
  kept_.clear();
  if (ds_.PointCount > 0 && IsLoaded(ds_.DataKind)) {
    columns_ = DataColumns(ds_);
    range_ = ShownRows(ds_);
    range_.first = std::max(range_.first, 1);
    range_.last = std::min(range_.last, ds_.PointCount);
  } else {
    columns_.clear();
    range_ = {1, 0};
  }
  shownFrame_.assign(static_cast<std::size_t>(rowCount()), 2);
  endResetModel();
}

bool DataTableModel::Framed(int point) const { return IsLoaded(ds_.DataKind) && IsBad(ds_, point); }

void DataTableModel::NotePainted(int row) const {
  if (row < 0 || static_cast<std::size_t>(row) >= shownFrame_.size()) return;
  shownFrame_[static_cast<std::size_t>(row)] = static_cast<std::uint8_t>(Framed(PointOfRow(row)));
}

std::vector<int> DataTableModel::RowsWithChangedFrame(int first, int last) const {
  std::vector<int> rows;
  first = std::max(first, 0);
  last = std::min({last, rowCount() - 1, static_cast<int>(shownFrame_.size()) - 1});
  for (int r = first; r <= last; ++r) {
    const std::uint8_t shown = shownFrame_[static_cast<std::size_t>(r)];
    if (shown != 2 && shown != static_cast<std::uint8_t>(Framed(PointOfRow(r)))) rows.push_back(r);
  }
  return rows;
}

int DataTableModel::RowOfPoint(int point) const {
  if (point < range_.first || point > range_.last) return -1;
  return point - range_.first;
}

void DataTableModel::RowChanged(int point) {
  const int row = RowOfPoint(point);
  if (row < 0 || columns_.empty()) return;
  for (int c = 0; c < columnCount(); ++c) kept_.remove({row, c});
  emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

int DataTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : std::max(0, range_.last - range_.first + 1);
}

int DataTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant DataTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount()) return {};
  const int point = PointOfRow(index.row());
  if (point < 1 || point > ds_.PointCount) return {};
  if (role == Qt::DisplayRole || role == Qt::EditRole) {
    const auto kept = kept_.constFind({index.row(), index.column()});
    if (kept != kept_.constEnd()) return *kept;
    return Latin1(DataCellText(ds_, point, columns_[static_cast<std::size_t>(index.column())], index.row() + 1));
  }
  if (role == BadRole) return index.column() >= 1 && Framed(point);
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
  return {};
}

QVariant DataTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return {};
  if (section < 0 || section >= columnCount()) return {};
  return Latin1(DataColumnHeader(columns_[static_cast<std::size_t>(section)]));
}

Qt::ItemFlags DataTableModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags f = QAbstractTableModel::flags(index);
  // The four first columns are fixed, as the point's place in the section.
  if (index.isValid() && index.column() >= 4) f |= Qt::ItemIsEditable;
  return f;
}

bool DataTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || !index.isValid() || index.row() >= rowCount() || index.column() >= columnCount()) {
    return false;
  }
  const int point = PointOfRow(index.row());
  const QString text = value.toString();
  const CellEdit outcome = EditDataCell(ds_, point, columns_[static_cast<std::size_t>(index.column())], ToLatin1(text));
  if (outcome == CellEdit::Ignored) {
    kept_.insert({index.row(), index.column()}, text);
    emit dataChanged(index, index);
    return true;
  }
  RowChanged(point);
  return outcome == CellEdit::Taken;
}

// ---------------------------------------------------------------------------
// Electrode grid

void ElectrodeTableModel::Refill() {
  beginResetModel();
  rows_ = std::clamp(ds_.ElectrodePosCount, 0, MaxElectrodePositions);
  endResetModel();
}

int ElectrodeTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }
int ElectrodeTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 3; }

QVariant ElectrodeTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rows_ || index.column() >= 3) return {};
  const int e = index.row() + 1;
  if (role == Qt::DisplayRole || role == Qt::EditRole) {
    return Latin1(ElectrodeCellText(ds_, e, ElectrodeColumns[index.column()], segmentLength));
  }
  if (role == BadRole) return ds_.ElectrodePosFlag[e] != 0;
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
  return {};
}

QVariant ElectrodeTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 || section >= 3) return {};
  return Latin1(ElectrodeColumnHeader(ElectrodeColumns[section]));
}

Qt::ItemFlags ElectrodeTableModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags f = QAbstractTableModel::flags(index);
  if (editing && index.isValid() && index.column() >= 1) f |= Qt::ItemIsEditable;
  return f;
}

bool ElectrodeTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || !index.isValid() || index.row() >= rows_ || index.column() >= 3) return false;
  const int e = index.row() + 1;
  const CellEdit outcome = EditElectrodeCell(ds_, e, ElectrodeColumns[index.column()], ToLatin1(value.toString()));
  emit dataChanged(index, index);
  if (outcome != CellEdit::Taken) return false;
  emit AltitudeTyped(e);
  return true;
}

// ---------------------------------------------------------------------------

void BadFrameDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QStyledItemDelegate::paint(painter, option, index);
  if (const auto* data = qobject_cast<const DataTableModel*>(index.model())) data->NotePainted(index.row());
  if (!index.data(BadRole).toBool()) return;
  painter->save();
  painter->setPen(QPen(Qt::red, 1));
  painter->setBrush(Qt::NoBrush);
  painter->drawRect(option.rect.adjusted(1, 1, -2, -2));
  painter->restore();
}

// ---------------------------------------------------------------------------
// The window

TTableForm::TTableForm(TDataset& ds, QWidget* parent)
    : QWidget(parent, Qt::Window), ds_(ds) {
  setObjectName(QStringLiteral("TTableForm"));
  setWindowTitle(tr("Table"));
  dataModel_ = new DataTableModel(ds_, this);
  electrodeModel_ = new ElectrodeTableModel(ds_, this);

  pages_ = new QTabWidget(this);
  pages_->setObjectName(QStringLiteral("PageControl"));
  pages_->setDocumentMode(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(pages_);

  BuildDataPage();
  BuildElectrodePage();
  multinodesPage_ = new QWidget(pages_);
  multinodesPage_->setObjectName(QStringLiteral("MultinodesPage"));
  pages_->addTab(multinodesPage_, tr("Multinodes"));
  pages_->setTabEnabled(2, false);
  spacings_ = new QListWidget(pages_);
  spacings_->setObjectName(QStringLiteral("CheckListBoxSp"));
  spacings_->setFlow(QListView::TopToBottom);
  spacings_->setWrapping(true);
  spacings_->setResizeMode(QListView::Adjust);
  connect(spacings_, &QListWidget::itemChanged, this, &TTableForm::SpacingItemChanged);
  auto* spacingPage = new QWidget(pages_);
  auto* spacingColumn = new QVBoxLayout(spacingPage);
  spacingColumn->setContentsMargins(2, 2, 2, 2);
  copySpacing_ = ClipboardButton(spacingPage, "CopySpacing", tr("Copy"), tr("result for selected depth"));
  spacingColumn->addWidget(copySpacing_);
  spacingColumn->addWidget(spacings_, 1);
  pages_->addTab(spacingPage, tr("Spacings"));
  invPage_ = new TInvResultsPage(ds_, [this]() -> Messenger& { return Operator(); }, pages_);
  pages_->addTab(invPage_, tr("INV results"));
  pages_->setTabVisible(4, false);
  connect(copySpacing_, &QToolButton::clicked, this, &TTableForm::CopySpacingClick);
  // "Copy VES" suits measured data; the Electrodes tab shows it by the data.
  connect(pages_, &QTabWidget::currentChanged, this, [this](int index) {
    if (index == 1) copyVES_->setVisible(ds_.DataKind > DataKindSequence);
  });

  pages_->setCurrentIndex(1);
  pages_->setVisible(false);
  ds_.Observers.push_back(this);
  ShowThresholds();
}

TTableForm::~TTableForm() {
  auto& o = ds_.Observers;
  o.erase(std::remove(o.begin(), o.end(), static_cast<DatasetObserver*>(this)), o.end());
}

void TTableForm::BuildDataPage() {
  auto* page = new QWidget(pages_);
  auto* column = new QVBoxLayout(page);
  column->setContentsMargins(2, 2, 2, 2);

  const auto addEdit = [](QHBoxLayout* bar, QWidget* parent, const QString& caption, const char* name,
                          const QString& hint) {
    bar->addWidget(new QLabel(caption, parent));
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setToolTip(hint);
    edit->setStatusTip(hint);
    edit->setMaximumWidth(70);
    bar->addWidget(edit);
    return edit;
  };

  firstBar_ = new QWidget(page);
  auto* bar1 = new QHBoxLayout(firstBar_);
  bar1->setContentsMargins(0, 0, 0, 0);
  bar1->addWidget(new QLabel(tr("Max. q (%)"), firstBar_));
  errE_ = new QSpinBox(firstBar_);
  errE_->setObjectName(QStringLiteral("ErrE"));
  errE_->setRange(0, AcceptanceThresholds::MaxErrorLimit);
  errE_->setToolTip(tr("Maximal acceptable date error"));
  errE_->setStatusTip(errE_->toolTip());
  bar1->addWidget(errE_);
  minEdit_ = addEdit(bar1, firstBar_, tr("Min. dU "), "MinEdit", tr("Minimal acceptable voltage"));
  minIEdit_ = addEdit(bar1, firstBar_, tr("Min. I "), "Min_I_Edit", tr("Minimal acceptable current (mA)"));
  bar1->addStretch();
  firstBar_->setVisible(false);

  secondBar_ = new QWidget(page);
  auto* secondBar = secondBar_;
  auto* bar2 = new QHBoxLayout(secondBar);
  bar2->setContentsMargins(0, 0, 0, 0);
  minIPEdit_ = addEdit(bar2, secondBar, tr("Min. IP "), "Min_IPEdit", tr("Minimal acceptable chargeability"));
  maxIPEdit_ = addEdit(bar2, secondBar, tr("Max. IP "), "Max_IPEdit", tr("Maximal acceptable chargeability"));
  maxDecayMisfitEdit_ = addEdit(bar2, secondBar, tr("Max decay misfit"), "MaxDecayMisfitEdit",
                                tr("A reading whose IP windows depart more (%) from a power-law decay, or change "
                                   "sign, is bad; 0 = off"));
  decayBox_ = new QCheckBox(tr("Decay chart"), secondBar);
  decayBox_->setObjectName(QStringLiteral("DecayBox"));
  decayBox_->setEnabled(false);
  bar2->addWidget(decayBox_);
  bar2->addStretch();

  reciprocalBar_ = new QWidget(page);
  auto* bar3 = new QHBoxLayout(reciprocalBar_);
  bar3->setContentsMargins(0, 0, 0, 0);
  maxReciprocalEdit_ = addEdit(bar3, reciprocalBar_, tr("Max reciprocal error, %"), "MaxReciprocalEdit",
                               tr("A normal and reciprocal pair that disagrees more is bad; 0 = off"));
  auto* reciprocalChart = new QPushButton(tr("Reciprocal errors..."), reciprocalBar_);
  reciprocalChart->setObjectName(QStringLiteral("ReciprocalChartButton"));
  reciprocalChart->setToolTip(tr("The pairs, their errors and the fitted error models"));
  bar3->addWidget(reciprocalChart);
  bar3->addStretch();
  reciprocalBar_->setVisible(false);
  reciprocalForm_ = new TReciprocalForm(ds_, this);
  connect(reciprocalChart, &QPushButton::clicked, this, [this] {
    reciprocalForm_->Refill();
    reciprocalForm_->show();
    reciprocalForm_->raise();
  });

  dataGrid_ = new QTableView(page);
  dataGrid_->setObjectName(QStringLiteral("StringGrid"));
  dataGrid_->setModel(dataModel_);
  dataGrid_->setItemDelegate(new BadFrameDelegate(dataGrid_));
  dataGrid_->verticalHeader()->setVisible(false);
  dataGrid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  dataGrid_->setSelectionMode(QAbstractItemView::SingleSelection);
  dataGrid_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                             QAbstractItemView::AnyKeyPressed);
  dataGrid_->installEventFilter(this);

  column->addWidget(firstBar_);
  column->addWidget(secondBar);
  column->addWidget(reciprocalBar_);
  column->addWidget(dataGrid_, 1);
  pages_->addTab(page, tr("Data"));

  connect(errE_, &QSpinBox::valueChanged, this, &TTableForm::ErrEChange);
  connect(minEdit_, &QLineEdit::textEdited, this, [this] { ThresholdEditChange(minEdit_, ThresholdEdit::MinVoltage); });
  connect(minIEdit_, &QLineEdit::textEdited, this, [this] { ThresholdEditChange(minIEdit_, ThresholdEdit::MinCurrent); });
  connect(minIPEdit_, &QLineEdit::textEdited, this, [this] { ThresholdEditChange(minIPEdit_, ThresholdEdit::MinIP); });
  connect(maxIPEdit_, &QLineEdit::textEdited, this, [this] { ThresholdEditChange(maxIPEdit_, ThresholdEdit::MaxIP); });
  connect(maxReciprocalEdit_, &QLineEdit::textEdited, this,
          [this] { ThresholdEditChange(maxReciprocalEdit_, ThresholdEdit::MaxReciprocalError); });
  connect(maxDecayMisfitEdit_, &QLineEdit::textEdited, this,
          [this] { ThresholdEditChange(maxDecayMisfitEdit_, ThresholdEdit::MaxDecayMisfit); });
  connect(decayBox_, &QCheckBox::toggled, this, &TTableForm::DecayChartToggled);
  connect(dataGrid_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) {
            if (filling_ || !current.isValid()) return;
            const int point = dataModel_->PointOfRow(current.row());
            if (point == selectedIndex_) return;
            selectedIndex_ = point;
            emit DataPointSelected(point);
          });
}

void TTableForm::BuildElectrodePage() {
  auto* page = new QWidget(pages_);
  auto* row = new QHBoxLayout(page);
  row->setContentsMargins(2, 2, 2, 2);

  electrodeGrid_ = new QTableView(page);
  electrodeGrid_->setObjectName(QStringLiteral("Table2Grid"));
  electrodeGrid_->setModel(electrodeModel_);
  electrodeGrid_->setItemDelegate(new BadFrameDelegate(electrodeGrid_));
  electrodeGrid_->verticalHeader()->setVisible(false);
  electrodeGrid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  electrodeGrid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  electrodeGrid_->installEventFilter(this);
  electrodeGrid_->viewport()->installEventFilter(this);
  const QFontMetrics fm(font());
  electrodeGrid_->horizontalHeader()->setDefaultSectionSize(10 * fm.horizontalAdvance(QLatin1Char('0')));
  electrodeGrid_->verticalHeader()->setDefaultSectionSize(fm.height() + 2);
  const int width = 3 * electrodeGrid_->horizontalHeader()->defaultSectionSize() + 2 * electrodeGrid_->frameWidth() +
                    electrodeGrid_->verticalScrollBar()->sizeHint().width();
  electrodeGrid_->setFixedWidth(width);

  chart_ = new QCustomPlot(page);
  chart_->setObjectName(QStringLiteral("Chart1"));
  chart_->addGraph();
  chart_->graph(0)->setPen(QPen(Qt::black));
  chart_->graph(0)->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssCircle, 4));
  chart_->addGraph();
  chart_->graph(1)->setLineStyle(QCPGraph::lsNone);
  chart_->graph(1)->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, Qt::red, 5));
  chart_->xAxis->setTicker(QSharedPointer<QCPAxisTicker>(new ReliefTicker));
  chart_->yAxis->setTicker(QSharedPointer<QCPAxisTicker>(new ReliefTicker));
  chart_->setVisible(false);

  auto* tableColumn = new QVBoxLayout;
  electrodeColumn_ = tableColumn;
  auto* copies = new QHBoxLayout;
  copyElectrodeTable_ = ClipboardButton(page, "CopyElectrodeTable", tr("Copy"),
                                        tr("Copy electodes|Copy postions of all electodes"));
  copyVES_ = ClipboardButton(page, "tbVEScopy", tr("Copy VES"), tr("Copy VES curve| Copy VES curve for selected locations"));
  timeCopy_ = ClipboardButton(page, "bTimeCopy", tr("Model copy"),
                              tr("Model copy| Copy model parametrs for selected locations"));
  timeCopy_->setEnabled(false);
  for (QToolButton* b : {copyElectrodeTable_, copyVES_, timeCopy_}) copies->addWidget(b);
  copies->addStretch();
  tableColumn->addLayout(copies);
  tableColumn->addWidget(electrodeGrid_, 1);
  row->addLayout(tableColumn);
  row->addWidget(chart_, 1);
  pages_->addTab(page, tr("Electrodes"));
  connect(copyElectrodeTable_, &QToolButton::clicked, this, &TTableForm::CopyElectrodeTableClick);
  connect(copyVES_, &QToolButton::clicked, this, &TTableForm::CopyVESExecute);
  connect(timeCopy_, &QToolButton::clicked, this, &TTableForm::bTimeCopyClick);

  connect(electrodeModel_, &ElectrodeTableModel::AltitudeTyped, this, [this] { DrawRelief(); });
}

void TTableForm::FormShow() {
  filling_ = true;
  const bool any = ds_.PointCount > 0 && IsLoaded(ds_.DataKind);
  pages_->setVisible(any);
  if (any) {
    dataModel_->Refill();
    const QFontMetrics fm(dataGrid_->font());
    const int w = fm.horizontalAdvance(QLatin1Char('0'));
    dataGrid_->verticalHeader()->setDefaultSectionSize(3 * fm.height() / 2);
    QHeaderView* header = dataGrid_->horizontalHeader();
    header->setDefaultSectionSize(7 * w);
    for (int c = 0; c < dataModel_->columnCount(); ++c) {
      int width = 7 * w;
      if (c == 0 || c == 3) width = 5 * w;
      if (c == 4) width = 8 * w;
      if (c == 5) width = 4 * w;
      header->resizeSection(c, std::max(width, ContentWidth(c)));
    }
  }
  filling_ = false;
}

int TTableForm::ContentWidth(int column) const {
  // The rows measured: every row of a short table; of a long one the first
  // and last rows and rows spread evenly between, so that sizing costs the
  // same whatever the length (the numbers of a column have much the same
  // width all along).
  constexpr int WholeTable = 256;
  constexpr int Ends = 64;
  const int rows = dataModel_->rowCount();
  std::vector<int> sample;
  if (rows <= WholeTable) {
    for (int r = 0; r < rows; ++r) sample.push_back(r);
  } else {
    for (int r = 0; r < Ends; ++r) sample.push_back(r);
    const int spread = WholeTable - 2 * Ends;
    for (int k = 1; k <= spread; ++k) sample.push_back(Ends + static_cast<int>(static_cast<long long>(rows - 2 * Ends) * k / (spread + 1)));
    for (int r = rows - Ends; r < rows; ++r) sample.push_back(r);
  }
  const QFontMetrics cells(dataGrid_->font());
  const int cellPad = 2 * (dataGrid_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, dataGrid_) + 1) +
                      cells.horizontalAdvance(QLatin1Char('0')) / 2 + 2;  // the red frame and the grid line
  int widest = 0;
  for (int r : sample) {
    widest = std::max(widest, cells.horizontalAdvance(dataModel_->data(dataModel_->index(r, column), Qt::DisplayRole).toString()));
  }
  const QHeaderView* header = dataGrid_->horizontalHeader();
  const QFontMetrics heads(header->font());
  const int headerPad = 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header) + 4;
  const int headerWidth =
      heads.horizontalAdvance(dataModel_->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString()) + headerPad;
  return std::max(widest + cellPad, headerWidth);
}

void TTableForm::FillDataRow(int index) { dataModel_->RowChanged(index); }

void TTableForm::SelectDataRow(int index) {
  SetElectrodeEditing(false);
  pages_->setCurrentIndex(0);
  const int row = dataModel_->RowOfPoint(index);
  if (row < 0) return;
  filling_ = true;
  const QModelIndex cell = dataModel_->index(row, 0);
  dataGrid_->selectionModel()->setCurrentIndex(cell, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  dataGrid_->scrollTo(cell);
  filling_ = false;
  selectedIndex_ = index;
  if (decayBox_->isChecked()) emit DecayChartToggled(true);
}

void TTableForm::FillElectrodeGrid() {
  ResetWorkingAltitudes(ds_);
  electrodeModel_->Refill();
  const bool withData = ds_.DataKind >= DataKindSequence;
  chart_->setVisible(withData);
  if (withData) {
    FillSpacings();
    DrawRelief();
  }
}

void TTableForm::SelectElectrodeRow(int n) {
  if (n < 1 || n > electrodeModel_->rowCount()) return;
  pages_->setCurrentIndex(1);
  const QModelIndex cell = electrodeModel_->index(n - 1, 0);
  electrodeGrid_->selectionModel()->setCurrentIndex(cell, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  electrodeGrid_->scrollTo(cell);
}

void TTableForm::AfterRead(bool thresholdControls) {
  firstBar_->setVisible(thresholdControls);
  secondBar_->setVisible(ds_.HasIP);
  reciprocalBar_->setVisible(ds_.Reciprocals.PairCount > 0);
  if (reciprocalForm_->isVisible()) reciprocalForm_->Refill();
  decayBox_->setEnabled(ds_.IPWindowCount > 0);
  if (ds_.IPWindowCount == 0) decayBox_->setChecked(false);
  selectedIndex_ = 0;
  FormShow();
  FillElectrodeGrid();
  // A new file is shown from its first row.
  for (QTableView* grid : {dataGrid_, electrodeGrid_}) {
    grid->scrollToTop();
    grid->horizontalScrollBar()->setValue(0);
  }
  copyVES_->setVisible(ds_.DataKind > DataKindSequence);
  invPage_->AfterRead();
  UpdateModelControls();
}

void TTableForm::PlaceBeside(const QWidget& mainWindow) {
  const QRect main = mainWindow.frameGeometry();
  const QScreen* screen = mainWindow.screen() != nullptr ? mainWindow.screen() : QGuiApplication::primaryScreen();
  const QRect area = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1280, 1024);
  const int left = main.left() + main.width();
  const int width = std::max(area.right() + 1 - left, minimumSizeHint().width());
  setGeometry(left, main.top(), width, main.height());
}

void TTableForm::ShowThresholds() {
  const QSignalBlocker block(errE_);
  errE_->setValue(ds_.Thresholds.ErrorLimit);
  errE_->setSingleStep(ErrorLimitStep(ds_.Thresholds.ErrorLimit));
  minEdit_->setText(Latin1(ThresholdText(ds_, ThresholdEdit::MinVoltage)));
  minIEdit_->setText(Latin1(ThresholdText(ds_, ThresholdEdit::MinCurrent)));
  minIPEdit_->setText(Latin1(ThresholdText(ds_, ThresholdEdit::MinIP)));
  maxIPEdit_->setText(Latin1(ThresholdText(ds_, ThresholdEdit::MaxIP)));
  maxReciprocalEdit_->setText(Latin1(ThresholdText(ds_, ThresholdEdit::MaxReciprocalError)));
  maxDecayMisfitEdit_->setText(Latin1(ThresholdText(ds_, ThresholdEdit::MaxDecayMisfit)));
}

void TTableForm::SetPastedPoints(const std::vector<ReliefPoint>& points) {
  QVector<double> x, z;
  for (const ReliefPoint& p : points) {
    x.push_back(p.x);
    z.push_back(p.z);
  }
  chart_->graph(1)->setData(x, z, true);
  chart_->rescaleAxes();
  chart_->replot();
}

void TTableForm::RefreshElectrodes() {
  electrodeModel_->Refill();
  if (chart_->isVisible()) DrawRelief();
}

void TTableForm::AddElectrodeTools(QWidget* bar) { electrodeColumn_->insertWidget(0, bar); }

// A threshold taken is followed by the recount, whose BadCountChanged
// repaints the rows whose frames change.
void TTableForm::ErrEChange(int value) {
  if (EditErrorLimit(ds_, std::to_string(value))) errE_->setSingleStep(ErrorLimitStep(value));
}

void TTableForm::ThresholdEditChange(QLineEdit* edit, ThresholdEdit field) {
  EditThreshold(ds_, field, ToLatin1(edit->text()));
}

void TTableForm::DrawRelief() {
  QVector<double> x, z;
  for (const ReliefPoint& p : ReliefProfile(ds_)) {
    x.push_back(p.x);
    z.push_back(p.z);
  }
  chart_->graph(0)->setData(x, z, true);
  chart_->rescaleAxes();
  // A flat relief still gets a visible altitude range.
  const QCPRange range = chart_->yAxis->range();
  if (range.size() < 1e-6) chart_->yAxis->setRange(range.lower - 1, range.upper + 1);
  chart_->replot();
}

void TTableForm::FillSpacings() {
  const QSignalBlocker block(spacings_);
  spacings_->clear();
  for (int k = 1; k <= std::min(ds_.LevelCount, MaxLevels); ++k) {
    auto* item = new QListWidgetItem(Latin1(SpacingItemText(ds_, k)), spacings_);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Checked);
    item->setData(Qt::UserRole, k);
  }
}

void TTableForm::SpacingItemChanged(QListWidgetItem* item) {
  SetLevelChecked(ds_, item->data(Qt::UserRole).toInt(), item->checkState() == Qt::Checked);
}

void TTableForm::SetElectrodeEditing(bool on) {
  if (electrodeModel_->editing == on) return;
  electrodeModel_->editing = on;
  electrodeGrid_->setEditTriggers(on ? QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                           QAbstractItemView::AnyKeyPressed
                                     : QAbstractItemView::NoEditTriggers);
}

void TTableForm::BadCountChanged() {
  // Only rows in view are painted, and of those only the ones whose red
  // frame changes need it; rows scrolled into view later are painted from
  // the data then.
  QWidget* viewport = dataGrid_->viewport();
  if (!dataGrid_->isVisible() || dataModel_->rowCount() == 0) {
    viewport->update();
    return;
  }
  const int first = std::max(dataGrid_->rowAt(0), 0);
  int last = dataGrid_->rowAt(viewport->height() - 1);
  if (last < 0) last = dataModel_->rowCount() - 1;
  for (int row : dataModel_->RowsWithChangedFrame(first, last)) {
    viewport->update(QRect(0, dataGrid_->rowViewportPosition(row), viewport->width(), dataGrid_->rowHeight(row)));
  }
}

void TTableForm::PointChanged(int point) { FillDataRow(point); }

void TTableForm::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  emit Closed();
}

bool TTableForm::eventFilter(QObject* watched, QEvent* event) {
  if (dataGrid_ == nullptr || electrodeGrid_ == nullptr) return QWidget::eventFilter(watched, event);  // still being built
  const auto plainKey = [](QEvent* e, std::initializer_list<int> keys) {
    auto* key = static_cast<QKeyEvent*>(e);
    const auto mods = key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    if (mods != Qt::NoModifier) return false;
    for (int k : keys) {
      if (key->key() == k) return true;
    }
    return false;
  };
  if (watched == dataGrid_ && event->type() == QEvent::KeyPress && plainKey(event, {Qt::Key_Delete})) {
    emit DeleteQuadripoleRequested();
    dataGrid_->setFocus();
    return true;
  }
  // Keys reach the grids themselves only while no cell editor is open.
  if (watched == electrodeGrid_ && event->type() == QEvent::KeyPress) {
    if (plainKey(event, {Qt::Key_F2, Qt::Key_Return, Qt::Key_Enter})) {
      SetElectrodeEditing(!electrodeModel_->editing);
      return true;
    }
    if (plainKey(event, {Qt::Key_Delete})) {
      emit DeleteElectrodesRequested();
      return true;
    }
  }
  if (watched == electrodeGrid_->viewport()) {
    if (event->type() == QEvent::MouseButtonDblClick) {
      const QModelIndex cell = electrodeGrid_->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint());
      if (cell.isValid()) {
        SetElectrodeEditing(true);
        electrodeGrid_->setCurrentIndex(cell);
        electrodeGrid_->edit(cell);
        return true;
      }
    } else if (event->type() == QEvent::MouseButtonPress) {
      SetElectrodeEditing(false);
      const QModelIndex cell = electrodeGrid_->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint());
      if (cell.isValid()) emit ElectrodeSelected(cell.row() + 1);
    } else if (event->type() == QEvent::MouseMove &&
               (static_cast<QMouseEvent*>(event)->buttons() & Qt::LeftButton) != 0) {
      SetElectrodeEditing(false);
    }
  }
  return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------

void AttachTableWindow(TMain& main, TTableForm& table) {
  table.SetMainContext(&main.Shell(), [&main]() -> Messenger& { return main.OperatorMessenger(); });
  QAction* command = main.Command(QStringLiteral("aTable"));
  main.ProvideCommand(QStringLiteral("aTable"), [&table, command] {
    if (command->isChecked()) {
      table.show();
      table.FormShow();
    } else {
      table.hide();
    }
  });
  QObject::connect(&table, &TTableForm::Closed, command, [command] { command->setChecked(false); });
  QObject::connect(&main, &TMain::DatasetRead, &table, [&main, &table, command] {
    table.AfterRead(main.LastOpenResult().enabling.ThresholdControls);
    // A read shows its data points first, bad ones framed.
    table.PageControl()->setCurrentIndex(0);
    table.PlaceBeside(main);
    table.show();
    command->setChecked(true);
  });
  // Selecting a set shows its points on the "Data" tab; clearing the
  // selection only refills.
  QObject::connect(&main, &TMain::SetSelectionChanged, &table, [&main, &table] {
    if (main.Dataset().SelectedSetEntry >= 0) table.PageControl()->setCurrentIndex(0);
    table.FormShow();
  });
  QObject::connect(&main, &TMain::XShiftChanged, &table, [&table] { table.FillElectrodeGrid(); });
  QObject::connect(&main, &TMain::HiddenLinesChanged, &table, [&table] { table.FormShow(); });
  QObject::connect(&main, &TMain::SettingsLoaded, &table, [&table] { table.ShowThresholds(); });
  QObject::connect(table.ReciprocalForm(), &TReciprocalForm::DataEdited, &table, [&main, &table] {
    main.MarkModified();
    table.FormShow();
  });
}

}  // namespace tarvo::gui
