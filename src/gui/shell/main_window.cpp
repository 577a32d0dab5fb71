#include "gui/shell/main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFocusEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QIcon>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <span>

#include "engine/core/capacities.h"
#include "engine/shell/command_table.h"
#include "engine/shell/summary.h"
#include "engine/import/file_type.h"
#include "engine/import/syscal_template.h"
#include "gui/shell/array_picture.h"
#include "gui/shell/message_box_messenger.h"
#include "gui/shell/wait_cursor.h"
#include "engine/version.h"

// The icons are resources of the static GUI library: registered here, once,
// before the first window takes one.
static void RegisterIconResources() { Q_INIT_RESOURCE(tarvo_icons); }

namespace tarvo::gui {

namespace {

constexpr int MemoCapacity = 80;  // characters the comment box takes; the header keeps 47

QString Latin1(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToLatin1(const QString& text) { return text.toLatin1().toStdString(); }

QString WithoutMnemonic(QString caption) { return caption.remove(QLatin1Char('&')); }

QLabel* PanelLabel(const char* name, const QString& hint, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setFrameShape(QFrame::StyledPanel);
  label->setFrameShadow(QFrame::Sunken);
  label->setMargin(2);
  label->setStatusTip(hint);
  label->setToolTip(hint);
  return label;
}

QLabel* NamedLabel(const char* name, const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  return label;
}

// The icons of the tool-bar commands: the platform theme's where a standard
// one fits, else the program's own (bundled as resources).
struct CommandIconEntry {
  const char* command;
  const char* theme;    // freedesktop name, or null
  const char* bundled;  // ":/icons/NAME.svg"
};
constexpr CommandIconEntry CommandIcons[] = {
    {"aNew_HS", "document-new", "new-protocol"}, {"aOpen", "document-open", "open"},
    {"aAdd", "list-add", "append"},             {"FileExit", "application-exit", "exit"},
    {"aManySmall", nullptr, "section-small"},   {"aRedraw", "view-refresh", "redraw"},
    {"aMany", nullptr, "sections"},             {"aMedian", nullptr, "filtering"},
    {"acIP", nullptr, "res-ip"},                {"ToolButton1", nullptr, "sp"},
    {"aSondo", nullptr, "sondo"},               {"aRes2dInv", nullptr, "res2dinv"},
    {"aRes2dInv_new", nullptr, "res2dinv-general"}, {"aSens", nullptr, "sensinv"},
    {"aABEM_org", nullptr, "lund-protocol"},    {"aSave", "document-save", "elecre"},
    {"aElecreII", nullptr, "elecre-ii"},        {"aTimeLapse", nullptr, "time-lapse"},
};

QIcon CommandIcon(const char* theme, const char* bundled) {
  const QIcon own(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(bundled)));
  return theme != nullptr ? QIcon::fromTheme(QLatin1String(theme), own) : own;
}

}  // namespace

TMain::TMain(TDataset& dataset, Paths paths, QWidget* parent)
    : QMainWindow(parent),
      dataset_(dataset),
      paths_(std::move(paths)),
      readers_(DefaultReaders()),
      boxes_(std::make_unique<MessageBoxMessenger>(this)),
      chooser_(std::make_unique<DialogFileChooser>(this)) {
  setObjectName(QStringLiteral("Main"));
  setWindowTitle(CaptionText());
  setAcceptDrops(true);
  if (paths_.programDir.isEmpty()) paths_.programDir = QCoreApplication::applicationDirPath();
  // The open dialog starts in the program directory until the settings say otherwise.
  shell_.open.InitialDir = ToEnginePath(paths_.programDir);

  RegisterIconResources();
  setWindowIcon(QIcon(QStringLiteral(":/icons/tarvo.svg")));
  BuildCommands();
  for (const CommandIconEntry& entry : CommandIcons) {
    Command(QString::fromLatin1(entry.command))->setIcon(CommandIcon(entry.theme, entry.bundled));
  }
  BuildMenus();
  BuildToolBars();
  BuildPanel();
  auto* status = statusBar();
  status->setObjectName(QStringLiteral("StatusBar1"));

  RebuildRecentMenus(StartupRecentDirCaptions(shell_.open));
  SyncOptionActions();
  // Nothing read yet: nothing to append to.
  enabling_.Append = false;
  ShowSummary();
  ApplyEnabling(enabling_);

  dataset_.Observers.push_back(this);

  resize(900, 580);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) move(screen->availableGeometry().topLeft());
}

TMain::~TMain() {
  auto& observers = dataset_.Observers;
  observers.erase(std::remove(observers.begin(), observers.end(), static_cast<DatasetObserver*>(this)),
                  observers.end());
}

QString TMain::CaptionText() {
  return QStringLiteral("Tarvo %1 (%2)").arg(QString::fromLatin1(VersionText), QString::fromLatin1(ReleaseDate));
}

QAction* TMain::Command(const QString& name) const { return commands_.value(name, nullptr); }

void TMain::SetMessenger(Messenger* messenger) { messenger_ = messenger; }

Messenger& TMain::CurrentMessenger() { return messenger_ != nullptr ? *messenger_ : *boxes_; }

// ---------------------------------------------------------------------------
// Commands, menus and tool bars.

QAction* TMain::AddCommand(const CommandEntry& entry) {
  const QString caption = Latin1(entry.caption);
  auto* action = new QAction(caption, this);
  const QString id = Latin1(entry.name);
  action->setObjectName(id);
  // The keys of the commands work from every window of the program, above
  // all the table window where the operator works.
  action->setShortcutContext(Qt::ApplicationShortcut);
  if (!entry.key.empty()) action->setShortcut(QKeySequence(Latin1(entry.key)));
  action->setCheckable(entry.form == CommandForm::Check);
  action->setVisible(entry.form != CommandForm::Hidden);
  // A hint "short|long" gives the tool tip and the status-bar text.
  const QString full = entry.hint.empty() ? WithoutMnemonic(caption) : Latin1(entry.hint);
  const QString tip = full.section(QLatin1Char('|'), 0, 0).trimmed();
  const QString status = full.contains(QLatin1Char('|')) ? full.section(QLatin1Char('|'), 1).trimmed() : tip;
  // The main window does its own commands; every other one waits for the
  // window that will do it (ProvideCommand).
  const bool own = entry.owner == CommandOwner::Main;
  const QString notYet = own ? QString() : tr(" (not available yet)");
  if (own) provided_.insert(id);
  action->setStatusTip(status + notYet);
  action->setToolTip(tip + notYet);
  action->setEnabled(false);
  commands_.insert(id, action);
  return action;
}

void TMain::RefreshCommandStates() {
  const CommandContext context{dataset_, shell_, enabling_, recentMenuEntries_};
  for (const CommandEntry& entry : CommandTable()) {
    const QString name = Latin1(entry.name);
    if (QAction* action = Command(name)) action->setEnabled(provided_.contains(name) && entry.enabled(context));
  }
}

bool TMain::ProvideCommand(const QString& name, std::function<void()> work) {
  QAction* action = Command(name);
  if (action == nullptr || FindCommand(ToLatin1(name)) == nullptr) {
    // A window gives work to a command the table does not carry: a name
    // misspelt, or a command added without its entry in the table.
    qCritical("TMain::ProvideCommand: \"%s\" is not in the command table", qPrintable(name));
    Q_ASSERT_X(false, "TMain::ProvideCommand", "the command is not in the command table");
    return false;
  }
  provided_.insert(name);
  action->setStatusTip(action->statusTip().remove(tr(" (not available yet)")));
  action->setToolTip(action->toolTip().remove(tr(" (not available yet)")));
  connect(action, &QAction::triggered, this, [work = std::move(work)] { work(); });
  RefreshCommandStates();
  return true;
}

void TMain::BuildCommands() {
  for (const CommandEntry& entry : CommandTable()) {
    if (entry.form != CommandForm::Submenu) AddCommand(entry);  // "MRUD" is made with its menu
  }
  const auto on = [this](const char* name) { return Command(QString::fromLatin1(name)); };

  // File
  connect(on("aOpen"), &QAction::triggered, this, [this] { OpenBtnClick(OpenCaller::Open); });
  connect(on("aAdd"), &QAction::triggered, this, [this] { OpenBtnClick(OpenCaller::Append); });
  for (const char* name : {"FileExit1", "FileExit"}) connect(on(name), &QAction::triggered, this, &QWidget::close);

  // Converter
  connect(on("WithoutIP"), &QAction::toggled, this, [this](bool checked) { shell_.SaveWithoutIP = checked; });

  // Tool bar
  connect(on("DatapointsOnOff1"), &QAction::triggered, this, [this](bool checked) {
    shell_.program.DataPointsOnOff = checked;
    emit RedrawRequested();
  });
  connect(on("acIP"), &QAction::triggered, this, [this] {
    const bool changed = ToggleIPMode(dataset_, shell_);
    Command(QStringLiteral("acIP"))->setChecked(shell_.IPMode);
    if (changed) emit IPModeChanged(shell_.IPMode);
  });

  // Options
  interpolationGroup_ = new QActionGroup(this);
  for (const auto& [name, width] : {std::pair{"N11", 1}, {"N21", 2}, {"N31", 3}}) {
    interpolationGroup_->addAction(on(name));
    connect(on(name), &QAction::triggered, this, [this, w = width] { shell_.grid.InterpolationWidth = w; });
  }
  connect(on("Modelrefinement"), &QAction::triggered, this,
          [this](bool checked) { shell_.program.ModelRefinement = checked; });
  topoGroup_ = new QActionGroup(this);
  for (const auto& [name, key] : {std::pair{"N12", 1}, {"N22", 2}}) {
    topoGroup_->addAction(on(name));
    connect(on(name), &QAction::triggered, this, [this, k = key] { dataset_.TopoDistanceType = k; });
  }
  ipUnitGroup_ = new QActionGroup(this);
  for (const char* name : {"msec1", "mVV1"}) ipUnitGroup_->addAction(on(name));
  connect(on("msec1"), &QAction::triggered, this, [this] { shell_.program.MsecUnit = true; });
  connect(on("mVV1"), &QAction::triggered, this, [this] { shell_.program.MsecUnit = false; });

  // About
  connect(on("About"), &QAction::triggered, this, [this] {
    QMessageBox::about(this, tr("About Tarvo"),
                       tr("<b>Tarvo</b> %1<br>%2<br><br>Processing of multi-electrode resistivity and "
                          "induced-polarisation survey data.")
                           .arg(QString::fromLatin1(VersionText), QString::fromLatin1(ReleaseDate)));
  });
}

void TMain::BuildMenus() {
  const auto add = [this](QMenu* menu, const char* name) { menu->addAction(Command(QString::fromLatin1(name))); };

  QMenu* file = menuBar()->addMenu(tr("&File"));
  file->setObjectName(QStringLiteral("FileMenu"));
  add(file, "aNew_HS");
  add(file, "aOpen");
  reopenMenu_ = file->addMenu(tr("MRUD"));
  reopenMenu_->setObjectName(QStringLiteral("Reopen"));
  QAction* reopen = reopenMenu_->menuAction();
  reopen->setObjectName(QStringLiteral("Reopen"));
  reopen->setStatusTip(Latin1(FindCommand("Reopen")->hint));
  commands_.insert(QStringLiteral("Reopen"), reopen);
  provided_.insert(QStringLiteral("Reopen"));
  add(file, "aAdd");
  add(file, "ReadOnlyOpen");
  file->addSeparator();
  add(file, "InvResult");
  add(file, "InvData");
  add(file, "Extract");
  QMenu* merge = file->addMenu(tr("Merge SEQ"));
  merge->setObjectName(QStringLiteral("MergeSEQMenu"));
  add(merge, "MergeSEQ");
  add(merge, "MergeTXT1");
  QMenu* reciprocal = file->addMenu(tr("Reciprocal SEQ"));
  reciprocal->setObjectName(QStringLiteral("ReciprocalSEQ1"));
  add(reciprocal, "Electre1");
  add(reciprocal, "ElecreII");
  connect(reciprocal, &QMenu::aboutToShow, this, &TMain::RefreshCommandStates);
  add(file, "aSyscalPro");
  file->addSeparator();
  add(file, "FileExit1");
  connect(file, &QMenu::aboutToShow, this, &TMain::RefreshCommandStates);

  QMenu* converter = menuBar()->addMenu(tr("&Converter"));
  converter->setObjectName(QStringLiteral("ConverterMenu"));
  for (const char* name : {"aSondo", "aRes2dInv", "aRes2dInv_new", "aSens", "aABEM_org", "aSave", "aElecreII",
                           "Res2dModTXT", "aUnified"}) {
    add(converter, name);
  }
  converter->addSeparator();
  add(converter, "WithoutIP");
  connect(converter, &QMenu::aboutToShow, this,
          [this] { Command(QStringLiteral("WithoutIP"))->setVisible(dataset_.HasIP); });

  QMenu* exchange = menuBar()->addMenu(tr("&Exchange"));
  exchange->setObjectName(QStringLiteral("ExchangeMenu"));
  for (const char* name : {"AandB", "MandN", "Shift641", "A1", "Mirrorprofile1"}) add(exchange, name);
  connect(exchange, &QMenu::aboutToShow, this, &TMain::RefreshCommandStates);

  QMenu* options = menuBar()->addMenu(tr("&Options"));
  options->setObjectName(QStringLiteral("OptionsMenu"));
  QMenu* interpolation = options->addMenu(tr("Interpolation"));
  for (const char* name : {"N11", "N21", "N31"}) add(interpolation, name);
  add(options, "Modelrefinement");
  QMenu* topo = options->addMenu(tr("Topography key"));
  for (const char* name : {"N12", "N22"}) add(topo, name);
  QMenu* ipCaption = options->addMenu(tr("IP caption"));
  for (const char* name : {"msec1", "mVV1"}) add(ipCaption, name);

  QMenu* contours = menuBar()->addMenu(tr("Con&tours"));
  contours->setObjectName(QStringLiteral("ContoursMenu"));
  for (const char* name : {"Reset1", "Increase1", "Decrease1", "Pale1", "Max1", "Min1", "Default1"}) add(contours, name);

  QMenu* about = menuBar()->addMenu(tr("&About"));
  about->setObjectName(QStringLiteral("AboutMenu"));
  add(about, "About");
}

void TMain::BuildToolBars() {
  const auto add = [this](QWidget* bar, const char* name) { bar->addAction(Command(QString::fromLatin1(name))); };

  QToolBar* files = addToolBar(tr("Files"));
  files->setObjectName(QStringLiteral("FileToolBar"));
  files->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  files->setMovable(false);
  add(files, "aNew_HS");
  // "Open", with the recent directories in its drop-down.
  recentMenu_ = new QMenu(this);
  recentMenu_->setObjectName(QStringLiteral("RecentDirsMenu"));
  auto* openButton = new QToolButton(files);
  openButton->setObjectName(QStringLiteral("OpenButton"));
  openButton->setDefaultAction(Command(QStringLiteral("aOpen")));
  openButton->setMenu(recentMenu_);
  openButton->setPopupMode(QToolButton::MenuButtonPopup);
  openButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  files->addWidget(openButton);
  add(files, "aAdd");
  add(files, "FileExit");

  QToolBar* views = addToolBar(tr("Views"));
  views->setObjectName(QStringLiteral("ViewToolBar"));
  views->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  views->setMovable(false);
  add(views, "aManySmall");
  // "Redraw" and the view switches in one drop-down.
  auto* redrawMenu = new QMenu(this);
  redrawMenu->setObjectName(QStringLiteral("RedrawMenu"));
  for (const char* name : {"aRedraw", "aIso", "aPano", "aTable", "DatapointsOnOff1"}) add(redrawMenu, name);
  redrawMenu->insertSeparator(Command(QStringLiteral("aIso")));
  auto* redrawButton = new QToolButton(views);
  redrawButton->setObjectName(QStringLiteral("RedrawButton"));
  redrawButton->setText(tr("Redraw"));
  redrawButton->setIcon(Command(QStringLiteral("aRedraw"))->icon());
  redrawButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  redrawButton->setToolTip(tr("Redraw and the view switches"));
  redrawButton->setMenu(redrawMenu);
  redrawButton->setPopupMode(QToolButton::InstantPopup);
  views->addWidget(redrawButton);
  for (const char* name : {"aMany", "aMedian", "acIP", "ToolButton1"}) add(views, name);

  addToolBarBreak();
  QToolBar* exports = addToolBar(tr("Converter"));
  exports->setObjectName(QStringLiteral("ConverterToolBar"));
  exports->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  exports->setMovable(false);
  for (const char* name : {"aSondo", "aRes2dInv", "aRes2dInv_new", "aSens", "aABEM_org", "aSave", "aElecreII",
                           "aTimeLapse"}) {
    add(exports, name);
  }
}

void TMain::SyncOptionActions() {
  const int width = std::clamp(shell_.grid.InterpolationWidth, 1, 3);
  Command(QStringLiteral("N%1").arg(width) + QLatin1Char('1'))->setChecked(true);
  Command(QStringLiteral("Modelrefinement"))->setChecked(shell_.program.ModelRefinement);
  Command(dataset_.TopoDistanceType == 1 ? QStringLiteral("N12") : QStringLiteral("N22"))->setChecked(true);
  QAction* second = Command(QStringLiteral("mVV1"));
  second->setText(Latin1(shell_.program.SecondIPUnit).replace(QLatin1Char('&'), QStringLiteral("&&")));
  (shell_.program.MsecUnit ? Command(QStringLiteral("msec1")) : second)->setChecked(true);
  Command(QStringLiteral("WithoutIP"))->setChecked(shell_.SaveWithoutIP);
  Command(QStringLiteral("DatapointsOnOff1"))->setChecked(shell_.program.DataPointsOnOff);
  Command(QStringLiteral("acIP"))->setChecked(shell_.IPMode);
}

void TMain::RebuildRecentMenus(const std::vector<std::string>& captions) {
  recentMenu_->clear();
  reopenMenu_->clear();
  for (const std::string& caption : captions) {
    // "&1 dir": the prefix gives the mnemonic; ampersands of the directory are shown as they are.
    const QString raw = FromEnginePath(caption);
    const QString text = raw.left(3) + raw.mid(3).replace(QLatin1Char('&'), QStringLiteral("&&"));
    for (QMenu* menu : {recentMenu_, reopenMenu_}) {
      QAction* item = menu->addAction(text);
      item->setStatusTip(tr("Open file in selected catalog"));
      connect(item, &QAction::triggered, this, [this, caption] { ReopenClick(Latin1(caption)); });
    }
  }
  recentMenuEntries_ = static_cast<int>(captions.size());
  RefreshCommandStates();
}

void TMain::ReopenClick(const QString& caption) {
  shell_.open.InitialDir = DirectoryOfRecentCaption(ToLatin1(caption));
  OpenBtnClick(OpenCaller::Open);
}

// ---------------------------------------------------------------------------
// The information panel.

void TMain::BuildPanel() {
  auto* central = new QWidget(this);
  central->setObjectName(QStringLiteral("MainPanel"));
  auto* outer = new QVBoxLayout(central);
  outer->setContentsMargins(8, 6, 8, 4);
  outer->setSpacing(6);

  // Top bar: file name, state and the Syscal header numbers.
  auto* speedBar = new QFrame(central);
  speedBar->setObjectName(QStringLiteral("SpeedBar"));
  auto* top = new QHBoxLayout(speedBar);
  top->setContentsMargins(0, 0, 0, 0);
  profP_ = PanelLabel("ProfP", tr("Input file"), speedBar);
  profP_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  profP_->setMinimumWidth(160);
  profP_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  modifiedP_ = PanelLabel("ModifiedP", tr("Modified or read-only data"), speedBar);
  QFont bold = modifiedP_->font();
  bold.setBold(true);
  modifiedP_->setFont(bold);
  modifiedP_->setAlignment(Qt::AlignCenter);
  modifiedP_->setMinimumWidth(QFontMetrics(bold).horizontalAdvance(QStringLiteral("Read Only")) + 16);
  typeDocP_ = PanelLabel("TypeDocP", tr("Type of document"), speedBar);
  typeVueP_ = PanelLabel("TypeVueP", tr("Type of vue"), speedBar);
  statusP_ = PanelLabel("StatusP", tr("Status of file"), speedBar);
  alphaP_ = PanelLabel("AlphaP", tr("Alpha coefficient"), speedBar);
  absCheck_ = new QCheckBox(tr("Abs. values"), speedBar);
  absCheck_->setObjectName(QStringLiteral("AbsCheck"));
  absCheck_->setStatusTip(tr("Absolute value of app. resistivity"));
  absCheck_->setToolTip(absCheck_->statusTip());
  top->addWidget(profP_, 1);
  top->addWidget(modifiedP_);
  for (QLabel* panel : {typeDocP_, typeVueP_, statusP_, alphaP_}) {
    panel->setAlignment(Qt::AlignCenter);
    panel->setMinimumWidth(QFontMetrics(panel->font()).horizontalAdvance(QStringLiteral("00000")) + 8);
    top->addWidget(panel);
  }
  top->addWidget(absCheck_);
  outer->addWidget(speedBar);

  placeholder_ = new QLabel(tr("No data loaded.\nFile > Open (Ctrl+O) reads survey files; files can also be "
                               "dropped on this window."),
                            central);
  placeholder_->setObjectName(QStringLiteral("Placeholder"));
  placeholder_->setAlignment(Qt::AlignCenter);
  placeholder_->setEnabled(false);
  placeholder_->setMinimumHeight(140);
  outer->addWidget(placeholder_, 1);

  dataPanel_ = new QWidget(central);
  dataPanel_->setObjectName(QStringLiteral("DataPanel"));
  auto* row = new QHBoxLayout(dataPanel_);
  row->setContentsMargins(0, 0, 0, 0);

  // Header fields the operator edits.
  auto* headerBox = new QGroupBox(tr("Header"), dataPanel_);
  auto* header = new QGridLayout(headerBox);
  authorL_ = NamedLabel("AuthorL", tr("Operator"), headerBox);
  authorT_ = new QLineEdit(headerBox);
  authorT_->setObjectName(QStringLiteral("AuthorT"));
  authorT_->setMaxLength(32);
  lineL_ = NamedLabel("LineL", tr("Line"), headerBox);
  lineT_ = new QLineEdit(headerBox);
  lineT_->setObjectName(QStringLiteral("LineT"));
  areaL_ = NamedLabel("AreaL", tr("Area"), headerBox);
  areaT_ = new QLineEdit(headerBox);
  areaT_->setObjectName(QStringLiteral("AreaT"));
  memo_ = new QPlainTextEdit(headerBox);
  memo_->setObjectName(QStringLiteral("Memo"));
  memo_->setStatusTip(tr("Comments"));
  memo_->setPlaceholderText(tr("Comments"));
  memo_->setTabChangesFocus(true);
  memo_->setFixedHeight(QFontMetrics(memo_->font()).lineSpacing() * 3 + 14);
  header->addWidget(authorL_, 0, 0);
  header->addWidget(authorT_, 0, 1, 1, 3);
  header->addWidget(lineL_, 1, 0);
  header->addWidget(lineT_, 1, 1);
  header->addWidget(areaL_, 1, 2);
  header->addWidget(areaT_, 1, 3);
  header->addWidget(memo_, 2, 0, 1, 4);
  header->setRowStretch(3, 1);
  row->addWidget(headerBox, 3);

  // Counts of the dataset.
  auto* countBox = new QGroupBox(tr("Data"), dataPanel_);
  auto* counts = new QGridLayout(countBox);
  counts->setColumnStretch(1, 1);
  const auto addPair = [&](int r, const char* captionName, const QString& caption, const char* valueName) {
    counts->addWidget(NamedLabel(captionName, caption, countBox), r, 0);
    QLabel* value = NamedLabel(valueName, {}, countBox);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    counts->addWidget(value, r, 1);
    return value;
  };
  electrodesL_ = addPair(0, "Electr_L", tr("Electrodes - "), "ElectrodesL");
  aL_ = addPair(1, "Distance", tr("Spacing a - "), "aL");
  quadripolesL_ = addPair(2, "QardroL", tr("Quadripoles "), "QuadripolesL");
  sequenceL_ = addPair(3, "SeqL", tr("SEQ - "), "SequenceL");
  nbadL_ = addPair(4, "BadPointsL", tr("Bad points"), "NbadL");
  badPointsL_ = countBox->findChild<QLabel*>(QStringLiteral("BadPointsL"));
  badPointsL_->setStatusTip(tr("Number of bad meassurements (q >q_max)"));
  nbadL_->setStatusTip(badPointsL_->statusTip());
  dataL_ = NamedLabel("DataL", {}, countBox);
  counts->addWidget(dataL_, 5, 0, 1, 2);
  counts->setRowStretch(6, 1);
  row->addWidget(countBox, 2);

  // The array type with its picture.
  auto* arrayBox = new QGroupBox(tr("Array"), dataPanel_);
  auto* array = new QGridLayout(arrayBox);
  array->setColumnStretch(1, 1);
  auto* pictures = new QVBoxLayout;
  pictures->setContentsMargins(0, 0, 0, 0);
  for (int code = 1; code <= ArrayTypeCount; ++code) {
    auto* picture = new ArrayPicture(code, arrayBox);
    picture->hide();
    pictures_.push_back(picture);
    pictures->addWidget(picture);
  }
  array->addLayout(pictures, 0, 0, 1, 2);
  array->addWidget(NamedLabel("type_arrayL", tr("Type of array  - "), arrayBox), 1, 0);
  arrayL_ = NamedLabel("ArrayL", {}, arrayBox);
  QFont strong = arrayL_->font();
  strong.setBold(true);
  arrayL_->setFont(strong);
  array->addWidget(arrayL_, 1, 1);
  rL_ = NamedLabel("R_L", {}, arrayBox);
  array->addWidget(rL_, 2, 0, 1, 2);
  abL_ = NamedLabel("AB_L", {}, arrayBox);
  lengthL_ = NamedLabel("LengthL", {}, arrayBox);
  array->addWidget(abL_, 3, 0);
  array->addWidget(lengthL_, 3, 1);
  overlappingL_ = NamedLabel("OverlappingL", tr("Overlapping"), arrayBox);
  nOverlapL_ = NamedLabel("nOverlapL", {}, arrayBox);
  array->addWidget(overlappingL_, 4, 0);
  array->addWidget(nOverlapL_, 4, 1);
  array->setRowStretch(5, 1);
  row->addWidget(arrayBox, 3);
  outer->addWidget(dataPanel_);

  // The sets of the dataset.
  auto* setsBox = new QGroupBox(tr("Sets"), central);
  auto* sets = new QVBoxLayout(setsBox);
  listBox_ = new QListWidget(setsBox);
  listBox_->setObjectName(QStringLiteral("ListBox"));
  listBox_->setStatusTip(tr("List of selected files of arrays"));
  listBox_->setSelectionMode(QAbstractItemView::SingleSelection);
  listBox_->setMinimumHeight(QFontMetrics(listBox_->font()).lineSpacing() * 4 + 8);
  listBox_->installEventFilter(this);
  connect(listBox_, &QListWidget::itemSelectionChanged, this, &TMain::SetListChanged);
  sets->addWidget(listBox_);
  outer->addWidget(setsBox, 1);

  // X shift and line hiding.
  hidingRow_ = new QWidget(central);
  hidingRow_->setObjectName(QStringLiteral("HidingRow"));
  auto* hiding = new QHBoxLayout(hidingRow_);
  hiding->setContentsMargins(0, 0, 0, 0);
  hiding->addWidget(NamedLabel("ShiftL", tr("Shift (m)"), hidingRow_));
  shiftE_ = new QLineEdit(QStringLiteral("0"), hidingRow_);
  shiftE_->setObjectName(QStringLiteral("ShiftE"));
  shiftE_->setMaxLength(8);
  shiftE_->setStatusTip(tr("Shift X coordinate"));
  shiftE_->setFixedWidth(QFontMetrics(shiftE_->font()).horizontalAdvance(QStringLiteral("-0000.000")) + 16);
  hiding->addWidget(shiftE_);
  hiding->addSpacing(24);
  hiding->addWidget(NamedLabel("DeleteL", tr("Delete"), hidingRow_));
  const auto spin = [&](const char* name, const char* editName, const QString& hint) {
    auto* box = new QSpinBox(hidingRow_);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(0, MaxLevels);
    box->setKeyboardTracking(false);
    box->setStatusTip(hint);
    if (auto* edit = box->findChild<QLineEdit*>()) edit->setObjectName(QString::fromLatin1(editName));
    return box;
  };
  upDown_ = spin("UpDown", "Edit1", tr("Hide the last levels of the pseudosection"));
  upDown2_ = spin("UpDown2", "Edit2", tr("Hide the first levels of the pseudosection"));
  hiding->addWidget(upDown_);
  hiding->addWidget(NamedLabel("LastLinesL", tr("last lines"), hidingRow_));
  hiding->addSpacing(12);
  hiding->addWidget(upDown2_);
  hiding->addWidget(NamedLabel("FirstLinesL", tr("first lines"), hidingRow_));
  hiding->addStretch(1);
  outer->addWidget(hidingRow_);
  setCentralWidget(central);

  // Edits of the operator.
  connect(authorT_, &QLineEdit::textEdited, this, [this](const QString& text) {
    EditOperator(dataset_, shell_, ToLatin1(text));
    UpdateModifiedPanel();
  });
  connect(memo_, &QPlainTextEdit::textChanged, this, [this] {
    if (filling_) return;
    QString text = memo_->toPlainText();
    if (text.size() > MemoCapacity) {
      text.truncate(MemoCapacity);
      filling_ = true;
      memo_->setPlainText(text);
      memo_->moveCursor(QTextCursor::End);
      filling_ = false;
    }
    EditComments(dataset_, shell_, ToLatin1(text));
    UpdateModifiedPanel();
  });
  connect(lineT_, &QLineEdit::textEdited, this, [this](const QString& text) {
    EditHeaderNumber(dataset_, shell_, HeaderNumber::Line, ToLatin1(text));
    UpdateModifiedPanel();
  });
  connect(areaT_, &QLineEdit::textEdited, this, [this](const QString& text) {
    EditHeaderNumber(dataset_, shell_, HeaderNumber::Area, ToLatin1(text));
    UpdateModifiedPanel();
  });
  connect(shiftE_, &QLineEdit::textEdited, this, [this](const QString& text) {
    if (EditHeaderNumber(dataset_, shell_, HeaderNumber::XShift, ToLatin1(text))) {
      emit XShiftChanged();
      ShowSummary();
    }
    shell_.Modified = true;
    UpdateModifiedPanel();
  });
  connect(absCheck_, &QCheckBox::clicked, this, [this](bool on) {
    SetAbsValues(dataset_, on);
    emit RedrawRequested();
  });
  connect(upDown_, &QSpinBox::valueChanged, this, [this](int position) { HiddenLinesMoved(true, position); });
  connect(upDown2_, &QSpinBox::valueChanged, this, [this](int position) { HiddenLinesMoved(false, position); });
}

void TMain::ShowSummary(bool fromTableWindow) {
  filling_ = true;
  const DatasetSummary s = BuildSummary(dataset_);
  RefreshShellAfterSummary(dataset_, shell_, fromTableWindow);
  for (ArrayPicture* picture : pictures_) picture->hide();
  ShowDataControls(s.loaded);

  const bool editable = s.loaded && !dataset_.ReadOnlyData;
  for (QWidget* w : std::initializer_list<QWidget*>{authorT_, areaT_, lineT_, memo_, absCheck_}) w->setEnabled(editable);
  shiftE_->setEnabled(s.loaded);
  // An export adds the shift to the coordinates and sets it back to 0.
  if (dataset_.XShift == 0 && shiftE_->text().trimmed().toDouble() != 0) shiftE_->setText(QStringLiteral("0"));
  RefreshCommandStates();  // the Syscal writers follow the read-only state

  if (s.loaded) {
    authorT_->setText(Latin1(s.operatorName));
    if (dataset_.DataKind != DataKindResistivityOnly) {
      memo_->setPlainText(Latin1(s.comments).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    } else {
      QStringList lines;
      for (const std::string& line : dataset_.Memo) lines << Latin1(line);
      memo_->setPlainText(lines.join(QLatin1Char('\n')));
    }
    typeDocP_->setText(QString::number(s.docType));
    typeVueP_->setText(QString::number(s.vueType));
    statusP_->setText(QString::number(s.fileStatus));
    alphaP_->setText(QString::number(s.alpha));
    absCheck_->setChecked(s.absValues);
    electrodesL_->setText(QString::number(s.electrodes));
    quadripolesL_->setText(Latin1(s.quadripoles));
    sequenceL_->setText(Latin1(s.sequence));
    lineT_->setText(Latin1(s.line));
    areaT_->setText(Latin1(s.area));
    aL_->setText(Latin1(s.unitSpacing));

    for (QWidget* w : std::initializer_list<QWidget*>{arrayL_, rL_, abL_, lengthL_}) w->setVisible(s.hasArray);
    arrayL_->setText(Latin1(s.arrayName));
    rL_->setText(Latin1(s.spacingLabel));
    abL_->setText(Latin1(s.lengthLabel));
    lengthL_->setText(Latin1(s.levelRange));
    if (s.hasArray) pictures_[static_cast<std::size_t>(dataset_.ArrayType - 1)]->show();
    overlappingL_->setVisible(s.hasArray && s.showOverlapping);
    nOverlapL_->setVisible(s.hasArray && s.showOverlapping);
    nOverlapL_->setText(QString::number(s.overlapping));
    dataL_->setText(Latin1(s.dataPoints));
    nbadL_->setText(QString::number(s.badPoints));
  }
  UpdateModifiedPanel();
  filling_ = false;
}

void TMain::ShowDataControls(bool on) {
  placeholder_->setVisible(!on);
  dataPanel_->setVisible(on);
  hidingRow_->setVisible(on);
  if (!on) {
    for (QLabel* panel : {profP_, typeDocP_, typeVueP_, statusP_, alphaP_}) panel->clear();
    for (QLabel* panel : {typeDocP_, typeVueP_, statusP_, alphaP_}) panel->hide();
    absCheck_->setChecked(false);
  }
}

void TMain::UpdateModifiedPanel() {
  modifiedP_->setText(Latin1(ModifiedPanelText(dataset_, shell_)));
  modifiedP_->setVisible(!modifiedP_->text().isEmpty());
}

void TMain::UpdateQuadripoles() { quadripolesL_->setText(Latin1(BuildSummary(dataset_).quadripoles)); }

void TMain::ExportWritten(const std::string& path, int points) {
  shell_.open.ExportDir = ToEnginePath(QFileInfo(FromEnginePath(path)).absolutePath());
  statusBar()->showMessage(Latin1(ExportWrittenText(path, points)));
}

QString TMain::ExportDirectory() const {
  return FromEnginePath(shell_.open.ExportDir.empty() ? shell_.open.InitialDir : shell_.open.ExportDir);
}

void TMain::MarkModified() {
  shell_.Modified = true;
  UpdateModifiedPanel();
}

void TMain::BadCountChanged() {
  if (IsLoaded(dataset_.DataKind)) nbadL_->setText(QString::number(BuildSummary(dataset_).badPoints));
}

// ---------------------------------------------------------------------------
// The set list and the line hiding.

void TMain::FillSetList() {
  const QSignalBlocker block(listBox_);
  listBox_->clear();
  for (const std::string& name : dataset_.SetNames) {
    auto* item = new QListWidgetItem(FromEnginePath(name), listBox_);
    item->setToolTip(item->text());
  }
  const int entry = dataset_.SelectedSetEntry;
  if (entry >= 0 && entry < listBox_->count()) listBox_->setCurrentRow(entry);
}

void TMain::SetListChanged() {
  const auto selected = listBox_->selectedItems();
  if (selected.isEmpty()) return;
  const int before = dataset_.SelectedSetEntry;
  SelectSet(dataset_, listBox_->row(selected.front()) + 1);
  if (dataset_.SelectedSetEntry == before) return;
  if (dataset_.SelectedSetEntry != listBox_->currentRow()) {
    const QSignalBlocker block(listBox_);
    listBox_->setCurrentRow(dataset_.SelectedSetEntry);
  }
  ShowSummary();
  emit SetSelectionChanged();
}

void TMain::ClearSetSelection() {
  if (dataset_.SelectedSetEntry < 0 && listBox_->selectedItems().isEmpty()) return;
  dataset_.SelectedSetEntry = -1;
  {
    const QSignalBlocker block(listBox_);
    listBox_->clearSelection();
    listBox_->setCurrentRow(-1);
  }
  UpdateQuadripoles();
  emit SetSelectionChanged();
}

void TMain::HiddenLinesMoved(bool last, int position) {
  QSpinBox* box = last ? upDown_ : upDown2_;
  const bool hadSelection = dataset_.SelectedSetEntry >= 0;
  const bool taken = last ? SetHiddenLastLines(dataset_, shell_, position)
                          : SetHiddenFirstLines(dataset_, shell_, position);
  if (!taken) {
    const QSignalBlocker block(box);
    box->setValue(last ? shell_.HiddenLastLines : shell_.HiddenFirstLines);
    return;
  }
  if (hadSelection && dataset_.SelectedSetEntry < 0) ClearSetSelection();
  emit HiddenLinesChanged();
}

bool TMain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == listBox_ && event->type() == QEvent::FocusOut) {
    // Moving on to another control ends the choice of one set; a message
    // box or another window taking the focus does not.
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason == Qt::MouseFocusReason || reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason) {
      ClearSetSelection();
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void TMain::mousePressEvent(QMouseEvent* event) {
  if (dataset_.SelectedSetEntry >= 0) ClearSetSelection();
  QMainWindow::mousePressEvent(event);
}

// ---------------------------------------------------------------------------
// Reading.

void TMain::OpenBtnClick(OpenCaller caller) {
  OpenDialogSetup setup;
  setup.title = caller == OpenCaller::Append ? tr("Append") : tr("Open");
  setup.directory = FromEnginePath(shell_.open.InitialDir);
  setup.filters = OpenFilterTexts(shell_.open);
  setup.filters << AllFilesFilterText();
  setup.filterIndex = shell_.open.FilterIndex;
  QAction* readOnly = Command(QStringLiteral("ReadOnlyOpen"));
  setup.readOnly = readOnly->isChecked();
  const std::optional<OpenDialogChoice> choice = fileDialog_ ? fileDialog_(setup) : RunOpenDialog(this, setup);
  if (!choice || choice->files.isEmpty()) return;

  // "All files" keeps the reader of the type chosen before.
  const int filterIndex = ReaderFilterIndex(choice->filterIndex, setup.filterIndex);
  shell_.open.FilterIndex = filterIndex;
  readOnly->setChecked(choice->readOnly);
  OpenRequest request;
  request.caller = caller;
  for (const QString& file : choice->files) request.files.push_back(ToEnginePath(file));
  request.filterIndex = filterIndex;
  request.readOnly = choice->readOnly;
  RunRead(request);
}

void TMain::OpenFiles(const QStringList& files) {
  struct Group {
    const OpenFilter* filter;
    std::vector<std::string> files;
  };
  std::vector<Group> groups;
  for (const QString& file : files) {
    const std::string path = ToEnginePath(QFileInfo(file).absoluteFilePath());
    const OpenFilter* filter = FilterForFile(path);
    if (filter == nullptr) {
      CurrentMessenger().Error("Cannot tell the type of " + ToLatin1(QFileInfo(file).fileName()) +
                               "\r\nOpen it with File > Open and choose its type.");
      continue;
    }
    if (groups.empty() || groups.back().filter != filter) groups.push_back({filter, {}});
    groups.back().files.push_back(path);
  }
  bool first = true;
  for (const Group& group : groups) {
    OpenRequest request;
    const bool append = !first && IsLoaded(dataset_.DataKind) && enabling_.Append;
    request.caller = append ? OpenCaller::Append : OpenCaller::Open;
    request.files = group.files;
    request.filterIndex = group.filter->index;
    RunRead(request);
    first = false;
  }
}

std::string TMain::TemplatePath() const { return ToEnginePath(paths_.programDir) + "/" + TemplateFileName; }

void TMain::ReadWithoutDialog(const OpenRequest& request) { RunRead(request); }

void TMain::RunRead(const OpenRequest& request) {
  const bool rebuild =
      request.caller == OpenCaller::RebuildGenerated || request.caller == OpenCaller::RebuildAfterEdits;
  if (!rebuild && request.files.empty()) return;
  const WaitCursor wait;
  PrepareShellForRead(shell_, request.caller);
  OpenRequest withCaption = request;
  withCaption.showCaption = [this](std::string_view text) {
    setWindowTitle(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
  };
  ReadEnvironment env{CurrentMessenger(), TemplatePath(), chooser_.get(), numberAsker_};
  chooser_->directory = FromEnginePath(shell_.open.InitialDir);
  const OpenResult result = RunOpenCommand(dataset_, shell_.open, withCaption, readers_, env);
  if (!result.cancelled) ApplyRead(result, request.caller);
}

void TMain::ApplyRead(const OpenResult& result, OpenCaller caller) {
  lastResult_ = result;
  if (caller == OpenCaller::Open) {
    const QSignalBlocker blockLast(upDown_);
    const QSignalBlocker blockFirst(upDown2_);
    upDown_->setValue(shell_.HiddenLastLines);
    upDown2_->setValue(shell_.HiddenFirstLines);
  }
  const bool rebuild = caller == OpenCaller::RebuildGenerated || caller == OpenCaller::RebuildAfterEdits;
  if (!rebuild) shiftE_->setText(QStringLiteral("0"));
  FillSetList();

  if (!result.loaded) {
    // Nothing is loaded: the views are reset; the set list shows the file that failed.
    setWindowTitle(CaptionText());
    CommandEnabling none;
    none.Append = false;
    ApplyEnabling(none);
    ShowSummary();
  } else {
    if (!result.caption.empty()) setWindowTitle(Latin1(result.caption));
    profP_->setText(FromEnginePath(result.fileNamePanel));
    profP_->setToolTip(profP_->text());
    ShowSummary(caller == OpenCaller::RebuildAfterEdits);
    ApplyEnabling(result.enabling);
  }
  SyncOptionActions();
  RebuildRecentMenus(RecentDirCaptions(shell_.open));
  emit DatasetRead();
}

void TMain::ApplyEnabling(const CommandEnabling& e) {
  enabling_ = e;
  RefreshCommandStates();

  const bool loaded = IsLoaded(dataset_.DataKind);
  const bool badPoints = loaded && (e.ThresholdControls || dataset_.HasIP);
  badPointsL_->setVisible(badPoints);
  nbadL_->setVisible(badPoints);
  for (QLabel* panel : {typeDocP_, typeVueP_, statusP_, alphaP_}) panel->setVisible(loaded && !e.HideSyscalHeaderPanels);
  for (QWidget* w : std::initializer_list<QWidget*>{authorL_, authorT_, areaL_, areaT_, lineL_, lineT_}) {
    w->setVisible(!e.HideOperatorFields);
  }
}

// ---------------------------------------------------------------------------
// Settings, closing and dropped files.

void TMain::LoadSettings() {
  if (paths_.settingsDir.isEmpty()) return;
  tarvo::LoadSettings(ToEnginePath(paths_.settingsDir), shell_.program, shell_.open, dataset_, CurrentMessenger(),
                      std::span<SettingsOwner* const>(settingsOwners_));
  RebuildRecentMenus(StartupRecentDirCaptions(shell_.open));
  SyncOptionActions();
  emit SettingsLoaded();
}

bool TMain::SaveSettings() {
  if (paths_.settingsDir.isEmpty()) return false;
  return tarvo::SaveSettings(ToEnginePath(paths_.settingsDir), shell_.program, shell_.open, dataset_,
                             CurrentMessenger(), std::span<SettingsOwner* const>(settingsOwners_));
}

void TMain::closeEvent(QCloseEvent* event) {
  if (closed_) {
    event->accept();
    return;
  }
  // Edits the operator has not saved are lost only when he says so.
  if (!ConfirmLeaving(dataset_, shell_, CurrentMessenger())) {
    event->ignore();
    return;
  }
  closed_ = true;
  SaveSettings();
  event->accept();
  // The program ends with its main window: every tool window closes with it.
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (window != this && window->isVisible()) window->close();
  }
  emit ProgramEnding();
}

void TMain::dragEnterEvent(QDragEnterEvent* event) {
  const QMimeData* mime = event->mimeData();
  if (mime->hasUrls()) {
    for (const QUrl& url : mime->urls()) {
      if (url.isLocalFile()) {
        event->acceptProposedAction();
        return;
      }
    }
  }
  event->ignore();
}

void TMain::dropEvent(QDropEvent* event) {
  QStringList files;
  for (const QUrl& url : event->mimeData()->urls()) {
    if (url.isLocalFile()) files << url.toLocalFile();
  }
  if (files.isEmpty()) return;
  event->acceptProposedAction();
  OpenFiles(files);
}

}  // namespace tarvo::gui
