#include <QtTest>

#include <QAction>
#include <QCheckBox>
#include <QProgressBar>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>

#include "engine/core/bad_points.h"
#include "engine/core/dataset.h"
#include "engine/import/electre_reader.h"
#include "engine/import/open_command.h"
#include "engine/import/syscal_reader.h"
#include "engine/sequences/multichannel_optimiser.h"
#include "gui/sequences/new_sequence_window.h"
#include "gui/sequences/optimize_form.h"
#include "gui/sequences/sequence_commands.h"
#include "open_example.h"
#include "gui/shell/main_window.h"
#include "gui/shell/open_dialog.h"

using tarvo::gui::SaveDialogSetup;

// The instrument-file commands write a loaded sequence that reads back to
// the same quadripoles.
class TestSequenceCommands : public QObject {
  Q_OBJECT

private:
  tarvo::TDataset dataset_;
  std::unique_ptr<tarvo::gui::TMain> window_;
  tarvo::RecordingMessenger messages_;
  QTemporaryDir dir_;
  std::optional<QString> target_;

  void Open(const char* example, int filter) { tarvo::gui::test::OpenExample(*window_, example, filter); }

  tarvo::TDataset ReadBack(const QString& path, bool electre) {
    tarvo::TDataset back;
    tarvo::RecordingMessenger m;
    tarvo::ReadEnvironment env{m, "", nullptr};
    if (electre) {
      tarvo::ReadIntoDataset(back, tarvo::ReadElectreIISequence, {path.toStdString(), 0}, env);
    } else {
      tarvo::ReadIntoDataset(back, tarvo::ReadInstrumentFile, {path.toStdString()}, env);
    }
    return back;
  }

  tarvo::CableLayout cable_ = tarvo::CableLayout::Long32;
  std::optional<tarvo::CableLayout> cablePreset_;

  tarvo::gui::TNew_PS* Generator() {
    window_->Command(QStringLiteral("aNew_HS"))->trigger();
    return window_->findChild<tarvo::gui::TNew_PS*>(QStringLiteral("New_PS"));
  }

  // Opens a menu as the operator does: its items work out their enabling.
  void OpenMenu(const char* name) {
    auto* menu = window_->findChild<QMenu*>(QString::fromLatin1(name));
    QVERIFY(menu != nullptr);
    emit menu->aboutToShow();
  }

  // Every message shown, for failure reports.
  QByteArray Shown() const {
    QByteArray all;
    for (const auto& text : messages_.Texts()) all += QByteArray::fromStdString(text) + " | ";
    return all;
  }

  static QString ReadText(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromLatin1(f.readAll());
  }

private slots:
  void init() {
    dataset_ = tarvo::TDataset{};
    messages_.entries.clear();
    window_ = std::make_unique<tarvo::gui::TMain>(
        dataset_, tarvo::gui::TMain::Paths{QStringLiteral(TARVO_PROGRAM_DIR), QString()});
    window_->SetMessenger(&messages_);
    tarvo::gui::AttachSequenceCommands(
        *window_, [this](const SaveDialogSetup&) { return target_; },
        [this](tarvo::CableLayout preset) {
          cablePreset_ = preset;
          return cable_;
        });
  }

  void cleanup() { window_.reset(); }

  void savedSequenceReadsBack() {
    Open("dipole32.seq", 2);
    QAction* save = window_->Command(QStringLiteral("aSave"));
    QVERIFY(save->isEnabled());
    target_ = dir_.filePath(QStringLiteral("line 3.seq"));
    save->trigger();
    QVERIFY2(messages_.entries.empty(), Shown().constData());
    const tarvo::TDataset back = ReadBack(*target_, false);
    QCOMPARE(back.PointCount, dataset_.PointCount);
    QCOMPARE(back.SeqHeader.TitleText(), std::string("LINE 3"));
    for (int i = 1; i <= back.PointCount; ++i) QVERIFY(back.Quads[i] == dataset_.Quads[i]);
  }

  void electreTextReadsBack() {
    Open("dipole32.seq", 2);
    target_ = dir_.filePath(QStringLiteral("line.txt"));
    window_->Command(QStringLiteral("aElecreII"))->trigger();
    QVERIFY2(messages_.entries.empty(), Shown().constData());
    const tarvo::TDataset back = ReadBack(*target_, true);
    QCOMPARE(back.PointCount, dataset_.PointCount);
    QCOMPARE(back.DataKind, tarvo::DataKindSequence);
  }

  // A save that worked tells in the status bar which file it wrote and how
  // many quadripoles it holds (a deleted one is left out, except by the Lund
  // protocol, which writes every quadripole); a cancelled one tells nothing.
  void sequenceSavesSayWhatTheyWrote() {
    struct Case {
      const char* command;
      const char* file;
      bool keepsDeleted;
    };
    const Case cases[] = {
        {"aSave", "saved.seq", false},
        {"aElecreII", "saved.txt", false},
        {"aABEM_org", "saved.org", true},
    };
    for (const Case& c : cases) {
      Open("dipole32.seq", 2);
      dataset_.Points[2].Q ^= 253;  // deleted
      tarvo::CountBadPoints(dataset_);
      messages_.entries.clear();
      window_->statusBar()->clearMessage();
      target_ = dir_.filePath(QString::fromLatin1(c.file));
      window_->Command(QString::fromLatin1(c.command))->trigger();
      QVERIFY2(messages_.entries.empty(), Shown().constData());

      // What the file holds, read back independently of the writer.
      int written = 0;
      if (QByteArray(c.command) == "aABEM_org") {
        written = static_cast<int>(ReadText(*target_).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts).size()) - 2;
      } else {
        written = ReadBack(*target_, QByteArray(c.command) == "aElecreII").PointCount;
      }
      QCOMPARE(written, dataset_.PointCount - (c.keepsDeleted ? 0 : 1));
      QCOMPARE(window_->statusBar()->currentMessage(),
               QStringLiteral("Written %1: %2 points").arg(QString::fromLatin1(c.file)).arg(written));

      window_->statusBar()->clearMessage();
      target_.reset();
      window_->Command(QString::fromLatin1(c.command))->trigger();
      QCOMPARE(window_->statusBar()->currentMessage(), QString());
    }
  }

  void cancelledSaveLeavesTheSourceAlone() {
    // A sequence is saved only where the dialog says: cancelling it must not
    // rewrite the file it came from.
    const QString source = QStringLiteral(TARVO_EXAMPLES_DIR "/dipole32.seq");
    QFile before(source);
    QVERIFY(before.open(QIODevice::ReadOnly));
    const QByteArray bytes = before.readAll();
    Open("dipole32.seq", 2);
    target_.reset();
    window_->Command(QStringLiteral("aSave"))->trigger();
    QFile after(source);
    QVERIFY(after.open(QIODevice::ReadOnly));
    QCOMPARE(after.readAll(), bytes);
    QVERIFY2(messages_.entries.empty(), Shown().constData());
  }

  void generatorShowsLoadsAndSaves() {
    tarvo::gui::TNew_PS* generator = Generator();
    QVERIFY(generator != nullptr);
    QVERIFY(generator->isVisible());
    auto* show = generator->findChild<QPushButton*>(QStringLiteral("ShowBtn"));
    auto* save = generator->findChild<QPushButton*>(QStringLiteral("SaveBtn"));
    QListWidget* mn1 = generator->CheckList({false, 0});
    // Only AM 1 / MN 1 checked: 31 pole-dipole quadripoles on 64 electrodes.
    for (int i = 1; i < tarvo::CheckListItemCount; ++i) mn1->item(i)->setCheckState(Qt::Unchecked);
    QCOMPARE(generator->findChild<QLabel*>(QStringLiteral("nQuadrolb"))->text(), QStringLiteral("nQuadropoles=31"));
    QCOMPARE(generator->findChild<QLabel*>(QStringLiteral("MNlb1"))->text(), QStringLiteral("MN=1 x a    nLines=1"));
    QVERIFY(mn1->item(0)->text().endsWith(QStringLiteral(" 31")));
    QVERIFY(show->isEnabled());
    QVERIFY(!save->isEnabled());

    show->click();
    QCOMPARE(dataset_.DataKind, tarvo::DataKindSequence);
    QCOMPARE(dataset_.PointCount, 31);
    // 63 electrodes in use: every position fits, the operator hears nothing.
    QCOMPARE(messages_.Texts(), std::vector<std::string>{});
    QCOMPARE(dataset_.ElectrodePosCount, 63);
    QCOMPARE(dataset_.SeqHeader.TitleText(), std::string("new_amn"));
    QVERIFY(!show->isEnabled());
    QVERIFY(save->isEnabled());

    // A change of the choices asks for a new generation before a save.
    mn1->item(1)->setCheckState(Qt::Checked);
    QVERIFY(!save->isEnabled());
    QVERIFY(show->isEnabled());
    mn1->item(1)->setCheckState(Qt::Unchecked);
    show->click();
    messages_.entries.clear();

    target_ = dir_.filePath(QStringLiteral("new_amn.seq"));
    save->click();
    QVERIFY(!generator->isVisible());
    const tarvo::TDataset back = ReadBack(*target_, false);
    QCOMPARE(back.PointCount, 31);
    for (int i = 1; i <= back.PointCount; ++i) QVERIFY(back.Quads[i] == dataset_.Quads[i]);
    QVERIFY2(messages_.entries.empty(), Shown().constData());
  }

  // The longest line the window offers with every item of the first MN list
  // checked stays within the point capacity: it is generated whole and
  // without a message.
  void generatorTakesEveryItemOnTheLongestLine() {
    tarvo::gui::TNew_PS* generator = Generator();
    generator->findChild<QSpinBox*>(QStringLiteral("Edit1"))->setValue(tarvo::MaxGeneratorElectrodes);
    QListWidget* mn1 = generator->CheckList({false, 0});
    for (int i = 0; i < tarvo::CheckListItemCount; ++i) mn1->item(i)->setCheckState(Qt::Checked);
    const int total = tarvo::TotalQuadripoles(generator->State());
    QVERIFY(total > 0 && total <= tarvo::MaxPoints);
    auto* show = generator->findChild<QPushButton*>(QStringLiteral("ShowBtn"));
    QVERIFY(show->isEnabled());
    show->click();
    QCOMPARE(dataset_.PointCount, total);
    QVERIFY2(messages_.entries.empty(), Shown().constData());
  }

  void reversedPoleDipoleIsWrittenAndLoaded() {
    // Generate a forward pole-dipole sequence, save it, then Amn2mnB opens
    // it, mirrors it and loads the reverse sequence it wrote.
    tarvo::gui::TNew_PS* generator = Generator();
    generator->findChild<QSpinBox*>(QStringLiteral("Edit1"))->setValue(48);
    generator->findChild<QPushButton*>(QStringLiteral("ShowBtn"))->click();
    target_ = dir_.filePath(QStringLiteral("forward.seq"));
    generator->findChild<QPushButton*>(QStringLiteral("SaveBtn"))->click();
    const int count = dataset_.PointCount;

    window_->SetFileDialog([this](const tarvo::gui::OpenDialogSetup&) {
      return std::optional<tarvo::gui::OpenDialogChoice>(
          tarvo::gui::OpenDialogChoice{{dir_.filePath(QStringLiteral("forward.seq"))}, 2, false});
    });
    target_ = dir_.filePath(QStringLiteral("reverse.seq"));
    OpenMenu("ExchangeMenu");
    window_->Command(QStringLiteral("A1"))->trigger();
    QVERIFY2(messages_.entries.empty(), Shown().constData());
    QCOMPARE(QString::fromStdString(dataset_.FileName), *target_);
    QCOMPARE(dataset_.PointCount, count);
    QCOMPARE(dataset_.ArrayType, 5);
  }

  void exchangeTwiceRestoresTheSequence() {
    Open("dipole32.seq", 2);
    const auto quads = dataset_.Quads.Storage();
    OpenMenu("ExchangeMenu");
    for (const char* name : {"MandN", "AandB"}) {
      QAction* action = window_->Command(QString::fromLatin1(name));
      QVERIFY(action->isEnabled());
      action->trigger();
      QVERIFY(!(dataset_.Quads[1] == quads[0]));
      action->trigger();
      QVERIFY(dataset_.Quads.Storage() == quads);
    }
  }

  void lundProtocolWritesThreeFiles() {
    Open("dipole32.seq", 2);
    target_ = dir_.filePath(QStringLiteral("line.org"));
    cable_ = tarvo::CableLayout::Long32;
    window_->Command(QStringLiteral("aABEM_org"))->trigger();
    QVERIFY2(messages_.entries.empty(), Shown().constData());
    QVERIFY(cablePreset_.has_value());
    const QString org = ReadText(*target_);
    QVERIFY(org.startsWith(QStringLiteral("5 ")));
    QVERIFY(org.contains(QStringLiteral("\r\nLong32\r\n")));
    for (const char* ext : {"line.up", "line.dwn"}) {
      QVERIFY(ReadText(dir_.filePath(QString::fromLatin1(ext))).contains(QStringLiteral("Long32")));
    }
  }

  void mergedSequenceHoldsEveryGoodPoint() {
    Open("wenner32.seq", 2);
    window_->SetFileDialog([](const tarvo::gui::OpenDialogSetup&) {
      return std::optional<tarvo::gui::OpenDialogChoice>(
          tarvo::gui::OpenDialogChoice{{QStringLiteral(TARVO_EXAMPLES_DIR "/dipole32.seq")}, 2, false});
    });
    window_->OpenBtnClick(tarvo::OpenCaller::Append);
    QCOMPARE(dataset_.SetCount, 2);
    const int expected = dataset_.PointCount - dataset_.BadCount - dataset_.MergedCount;
    const auto quads = dataset_.Quads.Storage();
    target_ = dir_.filePath(QStringLiteral("merged.seq"));
    OpenMenu("FileMenu");
    QAction* merge = window_->Command(QStringLiteral("MergeSEQ"));
    QVERIFY(merge->isEnabled());
    merge->trigger();
    QVERIFY2(messages_.entries.empty(), Shown().constData());
    QCOMPARE(ReadBack(*target_, false).PointCount, expected);
    QVERIFY(dataset_.Quads.Storage() == quads);  // the loaded sequence is put back
  }

  void reciprocalSequenceSwapsCurrentAndPotential() {
    Open("dipole32.seq", 2);
    OpenMenu("ReciprocalSEQ1");
    QVERIFY(window_->Command(QStringLiteral("Electre1"))->isEnabled());
    QVERIFY(window_->Command(QStringLiteral("ElecreII"))->isEnabled());
    target_ = dir_.filePath(QStringLiteral("reciprocal.seq"));
    window_->Command(QStringLiteral("Electre1"))->trigger();
    QVERIFY2(messages_.entries.empty(), Shown().constData());
    const tarvo::TDataset back = ReadBack(*target_, false);
    QCOMPARE(back.PointCount, dataset_.PointCount);
    QCOMPARE(back.Quads[1].A, dataset_.Quads[1].M);
    QCOMPARE(back.Quads[1].M, dataset_.Quads[1].A);
    QCOMPARE(back.Quads[1].B, dataset_.Quads[1].N);
  }

  void extractWritesTheSelectedSetAndKeepsBoth() {
    Open("mixed32_ip.dat", 4);
    QCOMPARE(dataset_.SetCount, 2);
    const int points = dataset_.PointCount;
    tarvo::SelectSet(dataset_, 2);
    OpenMenu("FileMenu");
    QAction* extract = window_->Command(QStringLiteral("Extract"));
    QVERIFY(extract->isEnabled());
    target_ = dir_.filePath(QStringLiteral("dipole.dat"));
    extract->trigger();
    QVERIFY2(messages_.entries.empty(), Shown().constData());
    QCOMPARE(dataset_.SetCount, 2);
    QCOMPARE(dataset_.PointCount, points);

    tarvo::TDataset back;
    tarvo::RecordingMessenger m;
    tarvo::OpenCommandState state;
    tarvo::OpenRequest request;
    request.files = {target_->toStdString()};
    request.filterIndex = 4;
    tarvo::ReadEnvironment env{m, "", nullptr};
    QVERIFY(tarvo::RunOpenCommand(back, state, request, tarvo::DefaultReaders(), env).loaded);
    QCOMPARE(back.SetCount, 1);
    QCOMPARE(back.Sets[1].Type, dataset_.Sets[2].Type);
    QCOMPARE(back.PointCount, dataset_.Sets[2].Last - dataset_.Sets[2].First + 1);
  }

  tarvo::gui::SaveDialog Target() {
    return [this](const SaveDialogSetup&) { return target_; };
  }

  void injectionListOfTheSequence() {
    Open("dipole32.seq", 2);
    tarvo::gui::TOptimizeForm form(dataset_, Target(), messages_);
    QCOMPARE(form.CountsText(), QStringLiteral("The number of quadripoles - 159 The number of injection - 29"));
    QVERIFY(form.ListText().startsWith(QStringLiteral("nA  nB  nM   nN\nA ")));
    // Nothing to save before "Optimize".
    QVERIFY(!form.findChild<QPushButton*>(QStringLiteral("SaveSeqBt"))->isEnabled());
    QVERIFY(form.findChild<QPushButton*>(QStringLiteral("OptiBt"))->isEnabled());
  }

  void optimizeReadsTheWindowAndSavesWhatTheCommandLineWrites() {
    Open("dipole32.seq", 2);
    tarvo::gui::TOptimizeForm form(dataset_, Target(), messages_);
    form.findChild<QSpinBox*>(QStringLiteral("Edit1"))->setValue(4);
    form.findChild<QCheckBox*>(QStringLiteral("CheckBox2"))->setChecked(false);
    auto* optimize = form.findChild<QPushButton*>(QStringLiteral("OptiBt"));
    QTest::mouseClick(optimize, Qt::LeftButton);
    QCOMPARE(form.CountsText(),
             QStringLiteral("Quadripoles - 159  Injections - 54  Dummy dipoles - 0  Conflicts - 0  Lower bound - 54"));
    const QStringList lines = form.ListText().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 1 + 54);
    auto* bar = form.findChild<QProgressBar*>(QStringLiteral("ProgressBar1"));
    QVERIFY(bar->maximum() > 0);
    QCOMPARE(bar->value(), bar->maximum());

    // What the engine writes for the same options, as tarvo-cli does.
    tarvo::OptimiserOptions options;
    options.channels = 4;
    options.allowDummies = false;
    const std::vector<tarvo::TQuadripole> quads = tarvo::OptimiserQuadripoles(dataset_);
    const tarvo::OptimisedSequence expected = tarvo::OptimiseReadings(quads, options);
    QCOMPARE(static_cast<int>(expected.readings.size()), 54);
    tarvo::TDataset copy = dataset_;
    const auto records = tarvo::OptimisedRecords(
        expected, quads, [&copy](const tarvo::TQuadripole& q) { return tarvo::LayoutGeometricFactor(copy, q); });
    // The same file name in another folder: the same title.
    QVERIFY(QDir(dir_.path()).mkpath(QStringLiteral("reference")));
    const QString reference = dir_.filePath(QStringLiteral("reference/window_opt.seq"));
    QVERIFY(tarvo::WriteOptimisedSequence(copy, records, tarvo::OptimisedFormat::Syscal, reference.toStdString(), 2,
                                          messages_));

    target_ = dir_.filePath(QStringLiteral("window_opt.seq"));
    auto* save = form.findChild<QPushButton*>(QStringLiteral("SaveSeqBt"));
    QVERIFY(save->isEnabled());
    QVERIFY(form.SaveSeqBtClick());
    QVERIFY2(messages_.entries.empty(), Shown().constData());
    QFile written(*target_);
    QFile wanted(reference);
    QVERIFY(written.open(QIODevice::ReadOnly) && wanted.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), wanted.readAll());
    const tarvo::TDataset back = ReadBack(*target_, false);
    QCOMPARE(back.Quads.Size(), static_cast<int>(records.size()));
    for (int i = 1; i <= back.Quads.Size(); ++i) QVERIFY(back.Quads[i] == records[static_cast<std::size_t>(i - 1)]);
    QCOMPARE(back.SeqHeader.TitleText(), std::string("WINDOW_OP"));
    // The loaded sequence is as it was.
    QCOMPARE(dataset_.Quads.Size(), 159);

    target_ = dir_.filePath(QStringLiteral("window_opt.txt"));
    QVERIFY(form.SaveTxtBtClick());
    QCOMPARE(ReadBack(*target_, true).PointCount, static_cast<int>(records.size()));

    // Another channel count: the readings shown are no longer those to save.
    form.findChild<QSpinBox*>(QStringLiteral("Edit1"))->setValue(10);
    QVERIFY(!save->isEnabled());
  }
};

QTEST_MAIN(TestSequenceCommands)
#include "test_sequence_commands.moc"
