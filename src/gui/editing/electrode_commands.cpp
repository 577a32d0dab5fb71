#include "gui/editing/electrode_commands.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

#include "engine/core/numbers.h"
#include "engine/editing/data_table.h"
#include "gui/editing/table_window.h"
#include "gui/shell/main_window.h"
#include "gui/shell/open_dialog.h"
#include "gui/views/section_window.h"

namespace tarvo::gui {

namespace {

QString Latin1(const std::string& s) { return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size())); }
std::string ToLatin1(const QString& s) { return s.toLatin1().toStdString(); }

constexpr int DataTab = 0;
constexpr int ElectrodeTab = 1;
constexpr int MultinodeTab = 2;

const char* const MultiplierItems[] = {"1",   "1.5", "2",   "2.5",  "3",         "4",   "5",   "10",
                                       "20",  "0.2", "0.25", "0.3333333", "0.4", "0.5", "0.6666667"};

QToolButton* ToolFor(QWidget* parent, QAction* action) {
  auto* b = new QToolButton(parent);
  b->setDefaultAction(action);
  b->setObjectName(action->objectName() + QStringLiteral("B"));
  b->setAutoRaise(true);
  return b;
}

QAction* NamedAction(QObject* parent, const char* name, const QString& caption, const QString& hint) {
  auto* a = new QAction(caption, parent);
  a->setObjectName(QString::fromLatin1(name));
  a->setToolTip(hint.section(QLatin1Char('|'), 0, 0).trimmed());
  a->setStatusTip(hint.contains(QLatin1Char('|')) ? hint.section(QLatin1Char('|'), 1).trimmed() : hint);
  return a;
}

}  // namespace

ElectrodeCommands::ElectrodeCommands(TMain& main, TTableForm& table, TSectForm* section)
    : QObject(&table), main_(main), table_(table), section_(section), ds_(main.Dataset()) {
  chooseFile_ = [this] {
    return QFileDialog::getOpenFileName(&table_, tr("Topography"), QString(),
                                        tr("Topography (*.csv *.txt *.dat);;All files (*)"));
  };
  BuildElectrodeTools();
  BuildMultinodePage();
  AfterRead();
  ds_.Observers.push_back(this);
}

ElectrodeCommands::~ElectrodeCommands() {
  auto& o = ds_.Observers;
  o.erase(std::remove(o.begin(), o.end(), static_cast<DatasetObserver*>(this)), o.end());
}

void ElectrodeCommands::PointChanged(int) {
  if (editing_ || rebuilding_) return;
  undoState_.Forget();
  undo_->setEnabled(false);
}

void ElectrodeCommands::BuildElectrodeTools() {
  auto* bar = new QWidget(&table_);
  bar->setObjectName(QStringLiteral("ElectrodeToolBar"));
  auto* rows = new QVBoxLayout(bar);
  rows->setContentsMargins(0, 0, 0, 0);
  rows->setSpacing(0);
  auto* first = new QHBoxLayout;
  auto* second = new QHBoxLayout;
  rows->addLayout(first);
  rows->addLayout(second);

  delElectrode_ = NamedAction(this, "DelElectrode", tr("Delete"), tr("Delete selected electrodes"));
  brokenElectrode_ = NamedAction(this, "BrokenElectrode", tr("Broken"),
                                 tr("Brocken electrode| Remove broken electode and shift array"));
  aInverse_ = NamedAction(this, "AInverse", tr("Mirror profile"), tr("Mirror profile"));
  undo_ = NamedAction(this, "UndoElectrodeEdit", tr("Undo"), tr("Undo the last electrode edit"));
  undo_->setShortcut(QKeySequence::Undo);
  undo_->setShortcutContext(Qt::WindowShortcut);
  undo_->setEnabled(false);
  table_.addAction(undo_);

  delElB_ = ToolFor(bar, delElectrode_);
  delElB_->setObjectName(QStringLiteral("DelElB"));
  brokenB_ = ToolFor(bar, brokenElectrode_);
  const auto button = [bar](const char* name, const QString& caption, const QString& hint) {
    auto* b = new QToolButton(bar);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(caption);
    b->setToolTip(hint.section(QLatin1Char('|'), 0, 0).trimmed());
    b->setStatusTip(hint.contains(QLatin1Char('|')) ? hint.section(QLatin1Char('|'), 1).trimmed() : hint);
    b->setAutoRaise(true);
    return b;
  };
  pasteAltitudes_ = button("ToolButton3", tr("Paste altitudes"),
                           tr("Paste altitudes|Paste altitudes for all electrodes, the clipboard data have to be in "
                              "two columns"));
  linearPaste_ = button("LinearPaste", tr("Linear"), tr("Paste altitudes with linear interpolation"));
  squarePaste_ = button("SquarePaste", tr("Square"), tr("Paste altitudes with square interpolation"));
  topographyFile_ = button("TopographyFile", tr("Topography..."),
                           tr("Topography from a file|Altitudes of all electrodes from a topography file "
                              "(x, z or x, y, z columns, or a Res2dInv file)"));
  xxKbt_ = button("XxKbt", tr("X x 1"), tr("Miltiply all distances by coefficient"));
  xxKbt_->setEnabled(false);
  multiplier_ = new QComboBox(bar);
  multiplier_->setObjectName(QStringLiteral("ComboBox"));
  multiplier_->setEditable(true);
  multiplier_->setToolTip(tr("Multiplier"));
  for (const char* item : MultiplierItems) multiplier_->addItem(QString::fromLatin1(item));
  multiplier_->setEditText(QStringLiteral("1.0"));
  multiplier_->setMinimumContentsLength(6);
  inverseB_ = ToolFor(bar, aInverse_);
  auto* undoB = ToolFor(bar, undo_);

  for (QWidget* w : std::initializer_list<QWidget*>{delElB_, brokenB_, undoB}) first->addWidget(w);
  first->addStretch();
  for (QWidget* w : std::initializer_list<QWidget*>{pasteAltitudes_, linearPaste_, squarePaste_, topographyFile_}) {
    first->addWidget(w);
  }
  for (QWidget* w : std::initializer_list<QWidget*>{xxKbt_, multiplier_, inverseB_}) second->addWidget(w);
  second->addStretch();
  table_.AddElectrodeTools(bar);

  connect(delElectrode_, &QAction::triggered, this, &ElectrodeCommands::DelElectrodeExecute);
  connect(brokenElectrode_, &QAction::triggered, this, &ElectrodeCommands::BrokenElectrodeExecute);
  connect(aInverse_, &QAction::triggered, this, &ElectrodeCommands::AInverseExecute);
  connect(undo_, &QAction::triggered, this, &ElectrodeCommands::UndoExecute);
  connect(pasteAltitudes_, &QToolButton::clicked, this, &ElectrodeCommands::PasteAltitudesClick);
  connect(linearPaste_, &QToolButton::clicked, this, [this] { PasteTopographyClick(false); });
  connect(squarePaste_, &QToolButton::clicked, this, [this] { PasteTopographyClick(true); });
  connect(topographyFile_, &QToolButton::clicked, this, &ElectrodeCommands::TopographyFileClick);
  connect(xxKbt_, &QToolButton::clicked, this, &ElectrodeCommands::XxKbtClick);
  connect(multiplier_, &QComboBox::editTextChanged, this, &ElectrodeCommands::MultiplierChange);
  connect(&table_, &TTableForm::DeleteElectrodesRequested, this, &ElectrodeCommands::DelElectrodeExecute);
  connect(table_.PageControl(), &QTabWidget::currentChanged, this, [this](int index) {
    if (index == ElectrodeTab) {
      const bool geometry = GeometryEditAllowed(ds_);
      xxKbt_->setVisible(geometry);
      multiplier_->setVisible(geometry);
      aInverse_->setEnabled(geometry);
    } else if (index == MultinodeTab) {
      AnalyseMultinodesNow();
    }
  });
}

void ElectrodeCommands::BuildMultinodePage() {
  QWidget* page = table_.MultinodesPage();
  auto* column = new QVBoxLayout(page);
  column->setContentsMargins(4, 4, 4, 4);

  auto* segments = new QGroupBox(tr("Segments length "), page);
  segments->setObjectName(QStringLiteral("RadioGroup2"));
  auto* segmentRow = new QHBoxLayout(segments);
  segmentGroup_ = new QButtonGroup(segments);
  for (int item = 0; item < 3; ++item) {
    auto* r = new QRadioButton(QString::number(SegmentLengths[item]), segments);
    segmentGroup_->addButton(r, item);
    segmentRow->addWidget(r);
  }
  segmentGroup_->button(0)->setChecked(true);
  column->addWidget(segments);

  usedElectrodes_ = new QLabel(page);
  usedElectrodes_->setObjectName(QStringLiteral("Label1"));
  multinodeCount_ = new QLabel(page);
  multinodeCount_->setObjectName(QStringLiteral("Label2"));
  usedMultinodes_ = new QLabel(page);
  usedMultinodes_->setObjectName(QStringLiteral("Label3"));
  for (QLabel* l : {usedElectrodes_, multinodeCount_, usedMultinodes_}) column->addWidget(l);

  tabs_ = new QTabBar(page);
  tabs_->setObjectName(QStringLiteral("TabControl"));
  tabs_->setExpanding(false);
  column->addWidget(tabs_);

  numberBox_ = new QGroupBox(tr(" New multinode number "), page);
  numberBox_->setObjectName(QStringLiteral("RadioGroup"));
  new QGridLayout(numberBox_);
  numberGroup_ = new QButtonGroup(numberBox_);
  column->addWidget(numberBox_);

  reverse_ = new QCheckBox(tr("&Reverse"), page);
  reverse_->setObjectName(QStringLiteral("CheckBox"));
  column->addWidget(reverse_);
  renumber_ = new QPushButton(page);
  renumber_->setObjectName(QStringLiteral("Label4"));
  column->addWidget(renumber_);
  column->addStretch();

  connect(segmentGroup_, &QButtonGroup::idClicked, this, &ElectrodeCommands::SegmentLengthClick);
  connect(tabs_, &QTabBar::currentChanged, this, [this] { ShowCurrentMultinode(); });
  connect(numberGroup_, &QButtonGroup::idClicked, this, [this](int p) {
    const int t = tabs_->currentIndex();
    if (showing_ || t < 0 || t >= static_cast<int>(newList_.size())) return;
    newList_[static_cast<std::size_t>(t)].Number = p;
    UpdateRenumberButton();
  });
  connect(reverse_, &QCheckBox::toggled, this, [this](bool on) {
    const int t = tabs_->currentIndex();
    if (showing_ || t < 0 || t >= static_cast<int>(newList_.size())) return;
    newList_[static_cast<std::size_t>(t)].Reversed = on;
    UpdateRenumberButton();
  });
  connect(renumber_, &QPushButton::clicked, this, &ElectrodeCommands::RenumberClick);
}

Messenger& ElectrodeCommands::Operator() { return main_.OperatorMessenger(); }

std::vector<int> ElectrodeCommands::SelectedRows() const {
  std::vector<int> rows;
  const QItemSelectionModel* selection = table_.Table2Grid()->selectionModel();
  for (const QModelIndex& index : selection->selectedRows()) rows.push_back(index.row() + 1);
  if (rows.empty() && selection->currentIndex().isValid() && selection->isSelected(selection->currentIndex())) {
    rows.push_back(selection->currentIndex().row() + 1);
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

namespace {

// Marks one of the window's own edits while it runs.
class Editing {
public:
  explicit Editing(bool& flag) : flag_(flag) { flag_ = true; }
  ~Editing() { flag_ = false; }
  Editing(const Editing&) = delete;
  Editing& operator=(const Editing&) = delete;

private:
  bool& flag_;
};

}  // namespace

TDataset ElectrodeCommands::Snapshot() const {
  TDataset copy = ds_;
  copy.Observers.clear();
  return copy;
}

void ElectrodeCommands::Keep(TDataset&& before, const ElectrodeEditOutcome& outcome) {
  if (!outcome.changed) return;
  undoState_.Remember(std::move(before));
  undo_->setEnabled(true);
}

void ElectrodeCommands::AfterRead() {
  if (!rebuilding_) {
    undoState_.Forget();
    undo_->setEnabled(false);
  }
  brokenElectrode_->setVisible(main_.LastOpenResult().enabling.BrokenElectrodeVisible);
  const bool geometry = GeometryEditAllowed(ds_);
  xxKbt_->setVisible(geometry);
  multiplier_->setVisible(geometry);
  aInverse_->setEnabled(geometry);
  {
    const QSignalBlocker block(multiplier_);
    multiplier_->setCurrentIndex(0);
    multiplier_->setEditText(QStringLiteral("1.0"));
  }
  xxKbt_->setText(tr("X x 1"));
  xxKbt_->setEnabled(false);
  AnalyseMultinodesNow();
}

void ElectrodeCommands::ShowElectrodeTab() { table_.PageControl()->setCurrentIndex(ElectrodeTab); }

void ElectrodeCommands::AfterEdit(const ElectrodeEditOutcome& outcome) {
  if (!outcome.changed) return;
  main_.MarkModified();
  if (outcome.rebuild) {
    rebuilding_ = true;
    main_.ApplyRebuild(*outcome.rebuild);
    rebuilding_ = false;
    ShowElectrodeTab();
    return;
  }
  table_.RefreshElectrodes();
  if (section_ != nullptr) section_->Redraw();
  main_.ShowSummary(true);
}

void ElectrodeCommands::DelElectrodeExecute() {
  const std::vector<int> rows = SelectedRows();
  if (rows.empty() || !IsLoaded(ds_.DataKind)) return;
  const Editing editing(editing_);
  TDataset before = Snapshot();
  const ElectrodeEditOutcome outcome = ToggleElectrodes(ds_, rows);
  Keep(std::move(before), outcome);
  AfterEdit(outcome);
}

void ElectrodeCommands::BrokenElectrodeExecute() {
  const std::vector<int> rows = SelectedRows();
  if (rows.empty() || !BrokenElectrodeAllowed(ds_)) return;
  const Editing editing(editing_);
  TDataset before = Snapshot();
  const ElectrodeEditOutcome outcome = RemoveBrokenElectrode(ds_, rows.front(), Operator());
  if (!outcome.changed) return;
  Keep(std::move(before), outcome);
  AfterEdit(outcome);
  AnalyseMultinodesNow();
}

void ElectrodeCommands::PasteAltitudesClick() {
  const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
  if (mime == nullptr || !mime->hasText() || !IsLoaded(ds_.DataKind)) return;
  const Editing editing(editing_);
  TDataset before = Snapshot();
  const AltitudePaste paste = tarvo::PasteAltitudes(ds_, ToLatin1(mime->text()));
  Keep(std::move(before), paste.outcome);
  AfterEdit(paste.outcome);
}

void ElectrodeCommands::PasteTopographyClick(bool square) {
  const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
  if (mime == nullptr || !mime->hasText() || !IsLoaded(ds_.DataKind)) return;
  const Editing editing(editing_);
  TDataset before = Snapshot();
  const ElectrodeEditOutcome outcome = PasteTopography(ds_, ToLatin1(mime->text()), square);
  Keep(std::move(before), outcome);
  AfterEdit(outcome);
  if (!outcome.changed) return;
  std::vector<ReliefPoint> points;
  for (int k = 1; k <= ds_.ElectrodeXZCount; ++k) points.push_back({ds_.ElectrodeXZ[k].X + ds_.XShift, ds_.ElectrodeXZ[k].Z});
  table_.SetPastedPoints(points);
}

void ElectrodeCommands::TopographyFileClick() {
  if (!IsLoaded(ds_.DataKind)) return;
  const QString file = chooseFile_ ? chooseFile_() : QString();
  if (file.isEmpty()) return;
  const Editing editing(editing_);
  TDataset before = Snapshot();
  const ElectrodeEditOutcome outcome = LoadTopographyFile(ds_, ToEnginePath(file), false, Operator());
  Keep(std::move(before), outcome);
  AfterEdit(outcome);
  if (!outcome.changed) return;
  std::vector<ReliefPoint> points;
  for (int k = 1; k <= ds_.ElectrodeXZCount; ++k) points.push_back({ds_.ElectrodeXZ[k].X + ds_.XShift, ds_.ElectrodeXZ[k].Z});
  table_.SetPastedPoints(points);
}

void ElectrodeCommands::MultiplierChange(const QString& text) {
  const int whole = static_cast<int>(ds_.DataKind);
  if (!((whole == 2 || whole == 3) && ds_.SetCount == ds_.SequenceSetCount)) return;
  const auto k = ParseMultiplier(ToLatin1(text));
  xxKbt_->setEnabled(k.has_value() && GeometryEditAllowed(ds_));
  if (k) xxKbt_->setText(QStringLiteral("X x ") + Latin1(FormatValue(*k, 2)));
}

void ElectrodeCommands::XxKbtClick() {
  const auto k = ParseMultiplier(ToLatin1(multiplier_->currentText()));
  if (!k || !GeometryEditAllowed(ds_)) return;
  const Editing editing(editing_);
  TDataset before = Snapshot();
  const ElectrodeEditOutcome outcome = MultiplyDistances(ds_, *k, Operator());
  Keep(std::move(before), outcome);
  AfterEdit(outcome);
  const QSignalBlocker block(multiplier_);
  multiplier_->setCurrentIndex(0);
  xxKbt_->setText(tr("X x 1"));
  xxKbt_->setEnabled(false);
}

void ElectrodeCommands::AInverseExecute() {
  if (!GeometryEditAllowed(ds_)) return;
  const Editing editing(editing_);
  TDataset before = Snapshot();
  const ElectrodeEditOutcome outcome = MirrorProfile(ds_, Operator());
  Keep(std::move(before), outcome);
  AfterEdit(outcome);
}

bool ElectrodeCommands::UndoExecute() {
  const Editing editing(editing_);
  if (!undoState_.Undo(ds_)) return false;
  undo_->setEnabled(false);
  rebuilding_ = true;
  main_.ApplyRebuild(main_.LastOpenResult());
  rebuilding_ = false;
  undo_->setEnabled(false);
  ShowElectrodeTab();
  return true;
}

void ElectrodeCommands::SegmentLengthClick(int item) {
  if (item < 0 || item > 2) return;
  segmentLength_ = SegmentLengths[item];
  table_.ElectrodeModel().segmentLength = segmentLength_;
  AnalyseMultinodesNow();
}

void ElectrodeCommands::AnalyseMultinodesNow() {
  const bool shown = MultinodesShown(ds_);
  QTabWidget* pages = table_.PageControl();
  pages->setTabEnabled(MultinodeTab, shown);
  pages->setTabVisible(MultinodeTab, shown);
  if (!shown) {
    if (pages->currentIndex() == MultinodeTab) pages->setCurrentIndex(DataTab);
    return;
  }
  list_ = AnalyseMultinodes(ds_, segmentLength_);
  newList_ = list_;
  const MultinodeLabels labels = MultinodeLabelTexts(ds_, list_);
  usedElectrodes_->setText(Latin1(labels.usedElectrodes));
  multinodeCount_->setText(Latin1(labels.multinodeCount));
  usedMultinodes_->setText(Latin1(labels.usedMultinodes));

  showing_ = true;
  for (QAbstractButton* b : numberGroup_->buttons()) {
    numberGroup_->removeButton(b);
    delete b;
  }
  auto* grid = static_cast<QGridLayout*>(numberBox_->layout());
  const std::vector<std::string> items = NewMultinodeItems(segmentLength_);
  for (std::size_t p = 0; p < items.size(); ++p) {
    auto* r = new QRadioButton(Latin1(items[p]), numberBox_);
    numberGroup_->addButton(r, static_cast<int>(p) + 1);
    grid->addWidget(r, static_cast<int>(p % 8), static_cast<int>(p / 8));
  }
  while (tabs_->count() > 0) tabs_->removeTab(0);
  for (const TMultinode& m : list_) tabs_->addTab(Latin1(MultinodeTabText(m.Number, segmentLength_)));
  showing_ = false;
  tabs_->setVisible(ds_.IsSequence());
  numberBox_->setVisible(ds_.IsSequence());
  reverse_->setVisible(ds_.IsSequence());
  renumber_->setEnabled(RenumberAllowed(ds_));
  if (tabs_->count() > 0) tabs_->setCurrentIndex(0);
  ShowCurrentMultinode();
  UpdateRenumberButton();
  table_.ElectrodeModel().segmentLength = segmentLength_;
  table_.RefreshElectrodes();
}

void ElectrodeCommands::ShowCurrentMultinode() {
  const int t = tabs_->currentIndex();
  if (t < 0 || t >= static_cast<int>(newList_.size())) return;
  showing_ = true;
  const TMultinode& m = newList_[static_cast<std::size_t>(t)];
  if (QAbstractButton* b = numberGroup_->button(m.Number)) b->setChecked(true);
  reverse_->setChecked(m.Reversed);
  showing_ = false;
}

void ElectrodeCommands::UpdateRenumberButton() { renumber_->setText(Latin1(RenumberButtonText(newList_))); }

void ElectrodeCommands::RenumberClick() {
  if (!RenumberAllowed(ds_)) return;
  const Editing editing(editing_);
  TDataset before = Snapshot();
  const TMultinodeList wanted = newList_;
  if (!RenumberMultinodes(ds_, segmentLength_, list_, wanted, Operator())) return;
  ElectrodeEditOutcome renumbered;
  renumbered.changed = true;
  Keep(std::move(before), renumbered);
  main_.MarkModified();
  main_.ShowSummary(true);
  AnalyseMultinodesNow();
  usedMultinodes_->setText(QStringLiteral("Used multinodes: \"") + Latin1(MultinodeListText(wanted)) +
                           QStringLiteral("\""));
  if (section_ != nullptr) section_->Redraw();
  ShowElectrodeTab();
}

ElectrodeCommands* AttachElectrodeCommands(TMain& main, TTableForm& table, TSectForm* section) {
  auto* commands = new ElectrodeCommands(main, table, section);
  QObject::connect(&main, &TMain::DatasetRead, commands, [commands] { commands->AfterRead(); });
  // "Mirror profile" of the Exchange menu.
  main.ProvideCommand(QStringLiteral("Mirrorprofile1"), [commands] { commands->AInverseExecute(); });
  if (section != nullptr) {
    // The configuration window's "Delete electrode" deletes the electrodes
    // selected in the electrode grid.
    if (auto* item = section->findChild<QAction*>(QStringLiteral("DelElectrode"))) {
      item->setStatusTip(QObject::tr("Delete selected electrodes"));
      item->setEnabled(true);
      QObject::connect(item, &QAction::triggered, commands, &ElectrodeCommands::DelElectrodeExecute);
    }
  }
  return commands;
}

}  // namespace tarvo::gui
