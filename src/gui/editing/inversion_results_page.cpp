#include "gui/editing/inversion_results_page.h"

#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <optional>

#include "engine/editing/clipboard_tables.h"
#include "workbook/xlsx_workbook.h"

namespace tarvo::gui {

namespace {

QString Latin1(const std::string& s) { return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size())); }

constexpr int DepthColumns = 3;

}  // namespace

void PutTableOnClipboard(const TCellTable& table) {
  QGuiApplication::clipboard()->setText(Latin1(ClipboardText(table)));
}

// ---------------------------------------------------------------------------

TExcellForm::TExcellForm(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("TExcellForm"));
  setWindowTitle(tr("ExcelForm"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(tr("Copy to  Excell all results.."), this));
  file_ = new QLabel(this);
  file_->setObjectName(QStringLiteral("Label2"));
  layout->addWidget(file_);
  bar_ = new QProgressBar(this);
  bar_->setObjectName(QStringLiteral("ProgressBar1"));
  bar_->setTextVisible(false);
  layout->addWidget(bar_);
  resize(360, sizeHint().height());
}

void TExcellForm::Start(const QString& file, int sheets) {
  file_->setText(tr("File: ") + file);
  bar_->setRange(0, sheets);
  bar_->setValue(0);
  show();
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TExcellForm::SheetDone(int done) {
  bar_->setValue(done);
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

// ---------------------------------------------------------------------------

TInvResultsPage::TInvResultsPage(TDataset& ds, MessengerSource messenger, QWidget* parent)
    : QWidget(parent), ds_(ds), messenger_(std::move(messenger)) {
  setObjectName(QStringLiteral("INVresult"));
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(2, 2, 2, 2);

  auto* bar = new QHBoxLayout;
  const auto button = [this, bar](const char* name, const QString& caption, const QString& hint) {
    auto* b = new QToolButton(this);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(caption);
    b->setToolTip(hint);
    b->setStatusTip(hint);
    b->setAutoRaise(true);
    bar->addWidget(b);
    return b;
  };
  copyRes2_ = button("CopyRes2", tr("Copy layer"), tr("result for selected depth"));
  copyAllExcel_ = button("CopyAllExcel", tr("Copy all"), tr("Copy all model in  clipboard"));
  excellBt_ = button("ExcellBt", tr("Workbook"), tr("Copy all to Excel"));
  copyDiff_ = button("CopyDiff", tr("Copy difference"), tr("Copy difference"));
  copyDiffExcell_ = button("CopyDiffExcell", tr("Difference workbook"), tr("Copy difference in Excel"));
  copyMeanModel_ = button("CopyMeanModel", tr("Mean model"), tr("Copy mean model"));
  bar->addStretch();
  copyRes2_->setEnabled(false);
  copyAllExcel_->setVisible(false);

  depths_ = new QGroupBox(tr("Depthes form INV file"), this);
  depths_->setObjectName(QStringLiteral("DepthesGroup"));
  depthGrid_ = new QGridLayout(depths_);
  depthItems_ = new QButtonGroup(this);
  depthItems_->setExclusive(true);

  column->addLayout(bar);
  column->addWidget(depths_);
  column->addStretch();

  connect(depthItems_, &QButtonGroup::idClicked, this, [this] { DepthesGroupClick(); });
  connect(copyRes2_, &QToolButton::clicked, this, &TInvResultsPage::CopyRes2Click);
  connect(excellBt_, &QToolButton::clicked, this, &TInvResultsPage::ExcellBtClick);
  connect(copyDiff_, &QToolButton::clicked, this, &TInvResultsPage::CopyDiffClick);
  connect(copyDiffExcell_, &QToolButton::clicked, this, &TInvResultsPage::CopyDiffExcellClick);
  connect(copyAllExcel_, &QToolButton::clicked, this, &TInvResultsPage::CopyAllExcelClick);
  connect(copyMeanModel_, &QToolButton::clicked, this, &TInvResultsPage::CopyMeanModelClick);
  AfterRead();
}

QToolButton* TInvResultsPage::Button(const char* name) const {
  return findChild<QToolButton*>(QString::fromLatin1(name));
}

void TInvResultsPage::FillDepthList() {
  copyRes2_->setEnabled(false);
  for (QAbstractButton* b : depthItems_->buttons()) {
    depthItems_->removeButton(b);
    delete b;
  }
  const std::vector<std::string> items = ds_.HasModel ? DepthItems(ds_.Models.Current) : std::vector<std::string>{};
  const int rows = (static_cast<int>(items.size()) + DepthColumns - 1) / DepthColumns;
  for (int i = 0; i < static_cast<int>(items.size()); ++i) {
    auto* item = new QRadioButton(Latin1(items[static_cast<std::size_t>(i)]), depths_);
    depthItems_->addButton(item, i);
    // Items fill the first column, then the next.
    depthGrid_->addWidget(item, i % rows, i / rows);
  }
}

void TInvResultsPage::AfterRead() {
  const bool timeSets = ds_.TimeSetCount > 0;
  copyDiff_->setEnabled(timeSets);
  copyDiffExcell_->setEnabled(timeSets);
  copyAllExcel_->setVisible(!timeSets);
  copyMeanModel_->setEnabled(!timeSets);
  FillDepthList();
}

int TInvResultsPage::SelectedDepthItem() const { return depthItems_->checkedId(); }

void TInvResultsPage::SelectDepthItem(int item) {
  if (QAbstractButton* b = depthItems_->button(item)) b->setChecked(true);
  DepthesGroupClick();
}

void TInvResultsPage::DepthesGroupClick() { copyRes2_->setEnabled(SelectedDepthItem() >= 0); }

void TInvResultsPage::PutOnClipboard(const std::optional<TCellTable>& table) {
  if (table) PutTableOnClipboard(*table);
}

void TInvResultsPage::CopyRes2Click() { PutOnClipboard(LayerCells(ds_, SelectedDepthItem() + 1)); }

void TInvResultsPage::CopyAllExcelClick() { PutOnClipboard(LayerCells(ds_, SelectedDepthItem() + 1)); }

void TInvResultsPage::CopyDiffClick() { PutOnClipboard(DifferenceCells(ds_, SelectedDepthItem() + 1)); }

void TInvResultsPage::CopyMeanModelClick() { PutOnClipboard(MeanModelCells(ds_, ds_.FileName)); }

void TInvResultsPage::ExcellBtClick() {
  if (!ds_.HasModel) return;
  WriteWorkbook(LayerWorkbook(ds_), LayerWorkbookSuffix);
}

void TInvResultsPage::CopyDiffExcellClick() {
  const auto sheets = DifferenceWorkbook(ds_);
  if (!sheets) {
    if (ds_.HasModel) messenger_().Information("The line has no time sets: there are no differences to write.");
    return;
  }
  WriteWorkbook(*sheets, DifferenceWorkbookSuffix);
}

void TInvResultsPage::WriteWorkbook(const std::vector<TCellTable>& sheets, const char* suffix) {
  const std::string path = WorkbookFileName(ds_.FileName, suffix);
  Messenger& messenger = messenger_();
  if (QFileInfo::exists(Latin1(path)) &&
      !messenger.AskYesNo(MessageKind::Warning, path + " already exists.\r\nDo you want to replace it?")) {
    return;
  }
  TExcellForm progress(window());
  progress.Start(Latin1(path), static_cast<int>(sheets.size()));
  const std::string error = WriteXlsxWorkbook(path, sheets, [&progress](int done, int) { progress.SheetDone(done); });
  progress.close();
  SelectDepthItem(0);
  if (!error.empty()) {
    messenger.Error(error);
    return;
  }
  messenger.Information("The workbook is written:\r\n" + path);
}

}  // namespace tarvo::gui
