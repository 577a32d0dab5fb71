#include <QtTest>

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>

#include <memory>

#include "engine/core/dataset.h"
#include "engine/core/messenger.h"
#include "gui/shell/array_picture.h"
#include "gui/editing/table_window.h"
#include "gui/export/converter_commands.h"
#include "gui/shell/main_window.h"
#include "engine/settings/program_settings.h"
#include "engine/shell/command_table.h"
#include "engine/shell/shell_state.h"
#include "engine/version.h"

using tarvo::OpenCaller;
using tarvo::gui::OpenDialogChoice;
using tarvo::gui::OpenDialogSetup;
using tarvo::gui::TMain;

namespace {

QString Example(const char* name) { return QStringLiteral(TARVO_EXAMPLES_DIR "/") + QLatin1String(name); }

// Four Wenner readings with chargeability in the general-array layout of
// Res2dInv files.
const char* const ChargeabilityFile =
    "Wenner with IP\n1.0\n11\n0\nType of measurement (0=app. resistivity,1=resistance)\n0\n4\n1\n1\n"
    "Chargeability\nmV/V\n0.12,1.0\n"
    "4 0 0 3 0 1 0 2 0 100 5.5\n"
    "4 1 0 4 0 2 0 3 0 110 6.5\n"
    "4 2 0 5 0 3 0 4 0 120 7.5\n"
    "4 0 0 6 0 2 0 4 0 130 8.5\n";

// Counts how often the settings file is written.
class CountingOwner final : public tarvo::SettingsOwner {
public:
  void ReadSettings(const tarvo::IniFile&) override {}
  void WriteSettings(tarvo::IniFile&) const override { ++writes; }
  mutable int writes = 0;
};

}  // namespace

class TestMainWindow : public QObject {
  Q_OBJECT

  QTemporaryDir settingsDir_;
  std::unique_ptr<tarvo::TDataset> dataset_;
  std::unique_ptr<TMain> window_;
  tarvo::RecordingMessenger messages_;
  std::optional<OpenDialogChoice> nextChoice_;
  OpenDialogSetup lastSetup_;

  TMain& NewWindow() {
    window_.reset();
    dataset_ = std::make_unique<tarvo::TDataset>();
    window_ = std::make_unique<TMain>(*dataset_, TMain::Paths{QCoreApplication::applicationDirPath(), settingsDir_.path()});
    window_->SetMessenger(&messages_);
    window_->SetFileDialog([this](const OpenDialogSetup& setup) {
      lastSetup_ = setup;
      return nextChoice_;
    });
    window_->LoadSettings();
    window_->show();
    window_->activateWindow();
    if (!QTest::qWaitForWindowActive(window_.get())) qWarning("the window did not become active");
    return *window_;
  }

  // The dialog of the next Open or Append answers with these files.
  void Read(OpenCaller caller, const QStringList& files, int filter, bool readOnly = false) {
    nextChoice_ = OpenDialogChoice{files, filter, readOnly};
    window_->OpenBtnClick(caller);
  }

  template <class W>
  W* Find(const char* name) {
    W* w = window_->findChild<W*>(QString::fromLatin1(name));
    if (w == nullptr) qFatal("no control %s", name);
    return w;
  }
  QString Text(const char* label) { return Find<QLabel>(label)->text(); }
  bool Enabled(const char* command) { return window_->Command(QString::fromLatin1(command))->isEnabled(); }

  // The codes of the array pictures on show.
  QList<int> VisiblePictures() {
    QList<int> codes;
    for (auto* picture : window_->findChildren<tarvo::gui::ArrayPicture*>()) {
      if (picture->isVisibleTo(window_.get())) codes << picture->ArrayCode();
    }
    return codes;
  }

private slots:
  void init() {
    QVERIFY(settingsDir_.isValid());
    messages_.entries.clear();
    NewWindow();
  }
  void cleanup() { window_.reset(); }

  void carriesEveryCommandDisabledUntilItsWorkExists() {
    QVERIFY(window_->windowTitle().contains(QString::fromLatin1(tarvo::VersionText)));
    QVERIFY(window_->windowTitle().contains(QString::fromLatin1(tarvo::ReleaseDate)));

    struct Case {
      const char* name;
      const char* caption;
      const char* key;
      bool enabled;
    };
    const Case cases[] = {
        {"aNew_HS", "&New protocol", "Ctrl+N", false}, {"aOpen", "Open", "Ctrl+O", true},
        {"aAdd", "Append", "Ctrl+A", false},           {"InvResult", "INV result", "Ctrl+Alt+I", false},
        {"FileExit1", "E&xit", "Alt+X", true},         {"aSondo", "Sondo", "Ctrl+I", false},
        {"aRes2dInv", "Res2dInv", "Ctrl+R", false},    {"aRes2dInv_new", "Res2dInv (general)", "Ctrl+G", false},
        {"aSave", "Elecre", "Ctrl+S", false},          {"acIP", "Res/IP", "F9", false},
        {"Res2dModTXT", "Res2dmod(txt)", "", false},   {"Modelrefinement", "Model refinement", "", true},
        {"Mirrorprofile1", "Mirror profile", "", false}, {"Default1", "Default", "", false},
        {"DatapointsOnOff1", "Data points On/Off", "", true}, {"About", "&About", "", true},
    };
    for (const Case& c : cases) {
      QAction* action = window_->Command(QString::fromLatin1(c.name));
      QVERIFY2(action != nullptr, c.name);
      QCOMPARE(action->text(), QString::fromLatin1(c.caption));
      QCOMPARE(action->shortcut(), QKeySequence(QString::fromLatin1(c.key)));
      QVERIFY2(action->isEnabled() == c.enabled, c.name);
    }
    QVERIFY(window_->Command(QStringLiteral("aRes2dInv"))->statusTip().contains(QStringLiteral("not available yet")));
    QVERIFY(!window_->Command(QStringLiteral("InvResult"))->isVisible());

    // A command whose work arrives later is enabled by the data from then on.
    int runs = 0;
    window_->ProvideCommand(QStringLiteral("Res2dModTXT"), [&runs] { ++runs; });
    QVERIFY(Enabled("Res2dModTXT"));
    window_->Command(QStringLiteral("Res2dModTXT"))->trigger();
    QCOMPARE(runs, 1);
  }

  void everyCommandOfTheTableIsAnActionAndNoOtherTakesWork() {
    for (const tarvo::CommandEntry& entry : tarvo::CommandTable()) {
      const QString name = QString::fromLatin1(entry.name.data(), static_cast<qsizetype>(entry.name.size()));
      QAction* action = window_->Command(name);
      QVERIFY2(action != nullptr, qPrintable(name));
      if (entry.form == tarvo::CommandForm::Submenu) continue;
      QCOMPARE(action->text(), QString::fromLatin1(entry.caption.data(), static_cast<qsizetype>(entry.caption.size())));
      QCOMPARE(action->shortcut(), QKeySequence(QString::fromLatin1(entry.key.data(), static_cast<qsizetype>(entry.key.size()))));
      QCOMPARE(action->isCheckable(), entry.form == tarvo::CommandForm::Check);
      // Only the main window's own commands work before another window gives them work.
      const bool waiting = entry.owner != tarvo::CommandOwner::Main;
      QVERIFY2(action->statusTip().contains(QStringLiteral("not available yet")) == waiting, qPrintable(name));
      if (waiting) QVERIFY2(!action->isEnabled(), qPrintable(name));
    }
#ifdef QT_NO_DEBUG
    // A name the table does not carry is refused, loudly (a debug build stops at it).
    QTest::ignoreMessage(QtCriticalMsg, QRegularExpression(QStringLiteral("aNoSuchCommand.*not in the command table")));
    int runs = 0;
    QVERIFY(!window_->ProvideCommand(QStringLiteral("aNoSuchCommand"), [&runs] { ++runs; }));
    QCOMPARE(window_->Command(QStringLiteral("aNoSuchCommand")), nullptr);
#endif
  }

  void openShowsTheSummaryOfTheData() {
    Read(OpenCaller::Open, {Example("wenner32.001")}, 1);
    QCOMPARE(lastSetup_.filters.size(), static_cast<qsizetype>(tarvo::OpenFilters.size()) + 1);
    QCOMPARE(lastSetup_.filters.at(1), QStringLiteral("SysCal sequences (*.seq)"));
    QCOMPARE(lastSetup_.filterIndex, tarvo::DefaultFilterIndex);
    QCOMPARE(lastSetup_.directory, QCoreApplication::applicationDirPath());
    QVERIFY(messages_.entries.empty());

    QCOMPARE(window_->windowTitle(), QStringLiteral("Convert from Electre format"));
    QCOMPARE(Text("ProfP"), Example("wenner32.001"));
    QCOMPARE(Text("ElectrodesL"), QStringLiteral("32"));
    QCOMPARE(Text("aL"), QStringLiteral("4, m"));
    QCOMPARE(Text("QuadripolesL"), QStringLiteral("153"));
    QCOMPARE(Text("ArrayL"), QStringLiteral("Wenner (AMNB)"));
    QCOMPARE(Text("R_L"), QStringLiteral("R=AB/3"));
    QCOMPARE(Text("LengthL"), QStringLiteral("(9) from 4 to 36"));
    QCOMPARE(Text("DataL"), QStringLiteral("Data points - 153"));
    QCOMPARE(Text("NbadL"), QStringLiteral("7"));
    QCOMPARE(Text("ModifiedP"), QString());
    QCOMPARE(Find<QLineEdit>("AuthorT")->text(), QStringLiteral("Tarvo example"));
    QCOMPARE(VisiblePictures(), QList<int>{3});
    QVERIFY(!Find<QLabel>("nOverlapL")->isVisibleTo(window_.get()));
    QVERIFY(!Find<QLabel>("TypeDocP")->isVisibleTo(window_.get()));

    auto* list = Find<QListWidget>("ListBox");
    QCOMPARE(list->count(), 1);
    QCOMPARE(list->item(0)->text(), QStringLiteral("wenner32.001 - ") + Example("wenner32.001"));
    QVERIFY(Enabled("aAdd"));
    QVERIFY(!Enabled("acIP"));

    // The directory read from opens the dialog next time and heads the recent directories.
    Read(OpenCaller::Open, {}, 1);
    QCOMPARE(lastSetup_.directory, QStringLiteral(TARVO_EXAMPLES_DIR));
    QCOMPARE(lastSetup_.filterIndex, 1);
  }

  void appendAddsASetAndTheListSelectsSets() {
    Read(OpenCaller::Open, {Example("wenner32.seq")}, 2);
    Read(OpenCaller::Append, {Example("dipole32.seq")}, 2);
    auto* list = Find<QListWidget>("ListBox");
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->currentRow(), 1);
    QCOMPARE(Text("QuadripolesL"), QStringLiteral("159"));
    QCOMPARE(VisiblePictures(), QList<int>{6});

    QSignalSpy selections(window_.get(), &TMain::SetSelectionChanged);
    list->setCurrentRow(0);
    QCOMPARE(selections.count(), 1);
    QCOMPARE(Text("QuadripolesL"), QStringLiteral("153"));
    QCOMPARE(Text("ArrayL"), QStringLiteral("Wenner (AMNB)"));
    QCOMPARE(VisiblePictures(), QList<int>{3});

    // A click on the window's background brings every set back.
    QTest::mouseClick(window_->centralWidget(), Qt::LeftButton, {}, QPoint(2, 2));
    QCOMPARE(dataset_->SelectedSetEntry, -1);
    QCOMPARE(Text("QuadripolesL"), QStringLiteral("312 (all)"));
    QVERIFY(list->selectedItems().isEmpty());
  }

  void failedReadLeavesNothingShown() {
    Read(OpenCaller::Open, {Example("wenner32.001")}, 1);
    Read(OpenCaller::Open, {QStringLiteral(TARVO_EXAMPLES_DIR "/../CMakeLists.txt")}, 1);
    QVERIFY(!messages_.entries.empty());
    QCOMPARE(dataset_->DataKind, tarvo::DataKindNone);
    QVERIFY(Find<QLabel>("Placeholder")->isVisibleTo(window_.get()));
    QVERIFY(VisiblePictures().isEmpty());
    QVERIFY(!Enabled("aAdd"));
    QVERIFY(!Find<QLineEdit>("AuthorT")->isEnabled());
  }

  void resIPSwitchesOnlyForDataWithIP() {
    QSignalSpy switches(window_.get(), &TMain::IPModeChanged);
    Read(OpenCaller::Open, {Example("wenner32.001")}, 1);
    QTest::keyClick(window_.get(), Qt::Key_F9);
    window_->Command(QStringLiteral("acIP"))->trigger();
    QVERIFY(!window_->Shell().IPMode);
    QCOMPARE(switches.count(), 0);
    QVERIFY(!Find<QLabel>("NbadL")->isHidden());

    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("ip.dat"));
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(ChargeabilityFile);
    out.close();
    Read(OpenCaller::Open, {file}, 4);
    QVERIFY(messages_.entries.empty());
    QVERIFY(dataset_->HasIP);
    QVERIFY(Enabled("acIP"));
    QTest::keyClick(window_.get(), Qt::Key_F9);
    QVERIFY(window_->Shell().IPMode);
    QVERIFY(window_->Command(QStringLiteral("acIP"))->isChecked());
    QCOMPARE(switches.count(), 1);
    QVERIFY(!Find<QLabel>("NbadL")->isHidden());

    // A new read starts in resistivity again.
    Read(OpenCaller::Open, {file}, 4);
    QVERIFY(!window_->Shell().IPMode);
    QVERIFY(!window_->Command(QStringLiteral("acIP"))->isChecked());
  }

  void lineHidingKeepsWithinTheLevels() {
    Read(OpenCaller::Open, {Example("wenner32.001")}, 1);
    auto* last = Find<QSpinBox>("UpDown");
    auto* first = Find<QSpinBox>("UpDown2");
    const int levels = dataset_->LevelCount;
    QCOMPARE(levels, 9);
    const int badBefore = dataset_->BadCount;

    last->setValue(2);
    QVERIFY(dataset_->BadCount > badBefore);
    QCOMPARE(Text("NbadL"), QString::number(dataset_->BadCount - dataset_->MergedCount));
    first->setValue(levels - 1);
    QCOMPARE(first->value(), 0);
    first->setValue(levels - 2);
    QCOMPARE(first->value(), levels - 2);
    last->setValue(3);
    QCOMPARE(last->value(), 2);

    first->setValue(0);
    last->setValue(0);
    QCOMPARE(dataset_->BadCount, badBefore);

    // A new dataset starts with nothing hidden.
    last->setValue(1);
    Read(OpenCaller::Open, {Example("wenner32.001")}, 1);
    QCOMPARE(last->value(), 0);
  }

  void headerEditsReachTheDataAndSetModified() {
    Read(OpenCaller::Open, {Example("wenner32.seq")}, 2);
    auto* author = Find<QLineEdit>("AuthorT");
    author->selectAll();
    QTest::keyClicks(author, QStringLiteral("Field crew"));
    QCOMPARE(dataset_->FileHeader.OperatorText(), std::string("Field crew"));
    QCOMPARE(Text("ModifiedP"), QStringLiteral("Modified"));

    Find<QPlainTextEdit>("Memo")->setPlainText(QString(60, QLatin1Char('c')));
    QCOMPARE(dataset_->FileHeader.CommentsText(), std::string(47, 'c'));

    auto* line = Find<QLineEdit>("LineT");
    const float lineBefore = dataset_->SeqHeader.Line;
    line->selectAll();
    QTest::keyClicks(line, QStringLiteral("x"));
    QCOMPARE(dataset_->SeqHeader.Line, lineBefore);

    QSignalSpy shifts(window_.get(), &TMain::XShiftChanged);
    auto* shift = Find<QLineEdit>("ShiftE");
    shift->selectAll();
    QTest::keyClicks(shift, QStringLiteral("12.5"));
    QCOMPARE(dataset_->XShift, 12.5f);
    QVERIFY(shifts.count() >= 1);
    QCOMPARE(Text("ModifiedP"), QStringLiteral("Modified"));

    // Read-only data: the header cannot be edited and the panel says so.
    Read(OpenCaller::Open, {Example("wenner32.seq")}, 2, true);
    QCOMPARE(Text("ModifiedP"), QStringLiteral("Read Only"));
    QCOMPARE(Find<QLineEdit>("ShiftE")->text(), QStringLiteral("0"));
    QVERIFY(!author->isEnabled());
    QVERIFY(Find<QLineEdit>("ShiftE")->isEnabled());
  }

  void settingsWrittenAtCloseAreReadAtTheNextStart() {
    Read(OpenCaller::Open, {Example("wenner32.seq")}, 2);
    window_->Command(QStringLiteral("N31"))->trigger();
    window_->Command(QStringLiteral("Modelrefinement"))->trigger();
    window_->Command(QStringLiteral("N12"))->trigger();
    window_->Command(QStringLiteral("mVV1"))->trigger();
    window_->close();

    NewWindow();
    QCOMPARE(window_->Shell().grid.InterpolationWidth, 1);  // not kept in the settings file
    QVERIFY(window_->Command(QStringLiteral("mVV1"))->isChecked());
    QVERIFY(!window_->Command(QStringLiteral("Modelrefinement"))->isChecked());
    QVERIFY(!window_->Shell().program.ModelRefinement);
    QVERIFY(window_->Command(QStringLiteral("N12"))->isChecked());
    QCOMPARE(dataset_->TopoDistanceType, 1);

    // The recent directory is offered at start-up and opens the dialog there.
    QVERIFY(Enabled("Reopen"));
    auto* reopen = Find<QMenu>("Reopen");
    QCOMPARE(reopen->actions().size(), 1);
    QCOMPARE(reopen->actions().front()->text(), QStringLiteral("&1 " TARVO_EXAMPLES_DIR));
    nextChoice_.reset();
    reopen->actions().front()->trigger();
    QCOMPARE(lastSetup_.directory, QStringLiteral(TARVO_EXAMPLES_DIR));
    QCOMPARE(lastSetup_.filterIndex, 2);
  }

  void closingEndsTheProgramWithEveryToolWindow() {
    tarvo::gui::TTableForm table(*dataset_);
    tarvo::gui::AttachTableWindow(*window_, table);
    CountingOwner counter;
    window_->AddSettingsOwner(&counter);
    Read(OpenCaller::Open, {Example("wenner32.001")}, 1);
    QVERIFY(table.isVisible());
    QSignalSpy ending(window_.get(), &TMain::ProgramEnding);

    window_->Command(QStringLiteral("FileExit1"))->trigger();
    QVERIFY(!window_->isVisible());
    QVERIFY(!table.isVisible());
    QCOMPARE(ending.count(), 1);
    QCOMPARE(counter.writes, 1);
    // Quitting closes the windows once more; the settings are not written again.
    window_->close();
    QCOMPARE(counter.writes, 1);
    QVERIFY(messages_.entries.empty());
  }

  void leavingModifiedDataAsksFirst() {
    CountingOwner counter;
    window_->AddSettingsOwner(&counter);
    Read(OpenCaller::Open, {Example("wenner32.seq")}, 2);
    auto* author = Find<QLineEdit>("AuthorT");
    QTest::keyClicks(author, QStringLiteral("x"));
    QCOMPARE(Text("ModifiedP"), QStringLiteral("Modified"));

    // No: the operator stays, with his edits.
    messages_.replies = {tarvo::Reply::No};
    window_->Command(QStringLiteral("FileExit1"))->trigger();
    QVERIFY(window_->isVisible());
    QCOMPARE(messages_.Texts(), std::vector<std::string>{std::string(tarvo::LeaveModifiedQuestion)});
    QCOMPARE(messages_.entries.front().buttons, tarvo::Buttons::YesNo);
    QCOMPARE(counter.writes, 0);

    // Yes: the program ends.
    messages_.entries.clear();
    messages_.replies = {tarvo::Reply::Yes};
    window_->close();
    QVERIFY(!window_->isVisible());
    QCOMPARE(messages_.entries.size(), std::size_t{1});
    QCOMPARE(counter.writes, 1);
  }

  void commandKeysWorkFromTheTableWindow() {
    tarvo::gui::TTableForm table(*dataset_);
    tarvo::gui::AttachTableWindow(*window_, table);
    Read(OpenCaller::Open, {Example("wenner32.001")}, 1);
    table.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&table));
    table.StringGrid()->setFocus();

    int dialogs = 0;
    window_->SetFileDialog([&dialogs](const OpenDialogSetup&) {
      ++dialogs;
      return std::optional<OpenDialogChoice>();
    });
    QTest::keyClick(table.StringGrid(), Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(dialogs, 1);
    int exports = 0;
    window_->ProvideCommand(QStringLiteral("aRes2dInv"), [&exports] { ++exports; });
    QTest::keyClick(table.StringGrid(), Qt::Key_R, Qt::ControlModifier);
    QCOMPARE(exports, 1);
  }

  void openDialogShowsCsvExportsAndEveryFile() {
    Read(OpenCaller::Open, {Example("wenner32.001")}, 1);
    const QStringList filters = lastSetup_.filters;
    QCOMPARE(filters.size(), static_cast<qsizetype>(tarvo::OpenFilters.size()) + 1);
    QCOMPARE(filters.last(), QStringLiteral("All files (*)"));
    QCOMPARE(filters.at(6), QStringLiteral("Data from Prosys (Iris Instruments) (*.txt *.csv)"));
    QCOMPARE(filters.at(8), QStringLiteral("Data from Syscal-Pro  (Prosys)  (*.txt *.csv)"));

    // "All files" reads with the type chosen before, and the dialog keeps that type.
    Read(OpenCaller::Open, {Example("wenner32.001")}, static_cast<int>(filters.size()));
    QVERIFY(messages_.entries.empty());
    QCOMPARE(dataset_->DataKind, tarvo::DataKindInstrument);
    Read(OpenCaller::Open, {}, 1);
    QCOMPARE(lastSetup_.filterIndex, 1);

    // The read-only box of the last open is offered again (a native dialog has none).
    Read(OpenCaller::Open, {Example("wenner32.seq")}, 2, true);
    Read(OpenCaller::Open, {}, 2);
    QVERIFY(lastSetup_.readOnly);
    QVERIFY(window_->Command(QStringLiteral("ReadOnlyOpen"))->isChecked());
  }

  void exportsSayWhatTheyWroteUnderTheWaitCursor() {
    QTemporaryDir folder;
    QString target = folder.filePath(QStringLiteral("line.dat"));
    QList<int> cursors;
    QStringList proposed;
    tarvo::gui::AttachConverterCommands(*window_, [&](const tarvo::gui::SaveDialogSetup& s) {
      const QCursor* cursor = QApplication::overrideCursor();
      cursors << (cursor != nullptr ? static_cast<int>(cursor->shape()) : -1);
      proposed << s.proposedFile;
      return std::optional<QString>(target);
    });
    Read(OpenCaller::Open, {Example("wenner32.001")}, 1);
    window_->Command(QStringLiteral("aRes2dInv"))->trigger();
    QVERIFY(QFileInfo::exists(target));
    QCOMPARE(cursors, QList<int>{Qt::WaitCursor});
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    const int points = tarvo::ExportedPointCount(*dataset_);
    QVERIFY(points > 0);
    QCOMPARE(window_->statusBar()->currentMessage(), QStringLiteral("Written line.dat: %1 points").arg(points));
    QCOMPARE(QFileInfo(proposed.front()).absolutePath(), QStringLiteral(TARVO_EXAMPLES_DIR));

    // The next save dialog starts in the folder of that export.
    window_->Command(QStringLiteral("aRes2dInv"))->trigger();
    QCOMPARE(QFileInfo(proposed.last()).absolutePath(), folder.path());

    // A write that fails says so, restores the cursor and reports nothing written.
    window_->statusBar()->clearMessage();
    target = folder.filePath(QStringLiteral("missing/line.dat"));
    window_->Command(QStringLiteral("aRes2dInv"))->trigger();
    QVERIFY(!messages_.entries.empty());
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QCOMPARE(window_->statusBar()->currentMessage(), QString());

    // The folder is kept in the settings file.
    window_->close();
    NewWindow();
    QCOMPARE(window_->ExportDirectory(), folder.path());
  }

  void everyToolBarCommandHasAnIcon() {
    QVERIFY(!window_->windowIcon().isNull());
    int buttons = 0;
    for (QToolBar* bar : window_->findChildren<QToolBar*>()) {
      for (QAction* action : bar->actions()) {
        if (action->isSeparator()) continue;
        QIcon icon = action->icon();
        if (auto* widget = bar->widgetForAction(action)) {
          if (auto* button = qobject_cast<QToolButton*>(widget)) icon = button->icon();
        }
        QVERIFY2(!icon.isNull(), qPrintable(action->text() + action->objectName()));
        QVERIFY2(!icon.pixmap(16, 16).isNull(), qPrintable(action->objectName()));
        ++buttons;
      }
    }
    QVERIFY(buttons >= 18);
  }

  void filesNamedWithoutTheDialogOpenByTheirType() {
    window_->OpenFiles({Example("wenner32.001"), Example("dipole32.seq"), Example("../CMakeLists.txt")});
    QCOMPARE(dataset_->SetCount, 2);
    QCOMPARE(Find<QListWidget>("ListBox")->count(), 2);
    QCOMPARE(messages_.Texts(),
             std::vector<std::string>{"Cannot tell the type of CMakeLists.txt\r\nOpen it with File > Open and choose its type."});
  }
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
