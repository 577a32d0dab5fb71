#include <QtTest>

#include <QAction>
#include <QButtonGroup>
#include <QClipboard>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <memory>
#include <vector>

#include "engine/core/dataset.h"
#include "engine/core/messenger.h"
#include "gui/editing/inversion_results_page.h"
#include "gui/editing/number_dialog.h"
#include "gui/editing/table_window.h"
#include "gui/export/converter_commands.h"
#include "gui/import/inversion_result_commands.h"
#include "gui/shell/main_window.h"
#include "gui/shell/open_dialog.h"

namespace {

// Answers the number dialog from a list, then with the value it shows.
class ScriptedNumbers final : public tarvo::NumberAsker {
public:
  std::vector<int> answers;
  std::vector<tarvo::NumberQuestion> questions;
  int AskNumber(const tarvo::NumberQuestion& q) override {
    questions.push_back(q);
    const std::size_t n = questions.size() - 1;
    return n < answers.size() ? answers[n] : q.value;
  }
};

QString Clipboard() { return QGuiApplication::clipboard()->text(); }

}  // namespace

class TestInversionResults : public QObject {
  Q_OBJECT

  tarvo::TDataset dataset_;
  std::unique_ptr<tarvo::gui::TMain> main_;
  std::unique_ptr<tarvo::gui::TTableForm> table_;
  tarvo::RecordingMessenger messages_;
  ScriptedNumbers numbers_;
  QTemporaryDir dir_;
  QString result_;       // a copy of the example result in the test's folder
  int fileDialogs_ = 0;  // times "INV result" asked for its file

  tarvo::gui::TInvResultsPage& Page() { return *table_->InvResults(); }
  QToolButton* PageButton(const char* name) { return Page().Button(name); }
  QList<QAbstractButton*> DepthItems() { return Page().DepthesGroup()->findChildren<QAbstractButton*>(); }

  void OpenResult() {
    main_->SetFileDialog([this](const tarvo::gui::OpenDialogSetup&) {
      return std::optional<tarvo::gui::OpenDialogChoice>(tarvo::gui::OpenDialogChoice{{result_}, 4, false});
    });
    main_->OpenBtnClick();
  }

  void SelectElectrodes(int first, int last) {
    QTableView* grid = table_->Table2Grid();
    grid->selectionModel()->select(QItemSelection(grid->model()->index(first - 1, 0), grid->model()->index(last - 1, 2)),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  }

private slots:
  void init() {
    QVERIFY(dir_.isValid());
    result_ = dir_.filePath(QStringLiteral("wenner32.inv"));
    QFile::remove(result_);
    QVERIFY(QFile::copy(QStringLiteral(TARVO_EXAMPLES_DIR "/wenner32.inv"), result_));
    QFile::remove(dir_.filePath(QStringLiteral("wenner32_inv.xlsx")));
    dataset_ = tarvo::TDataset{};
    messages_.entries.clear();
    numbers_ = ScriptedNumbers{};
    fileDialogs_ = 0;
    main_ = std::make_unique<tarvo::gui::TMain>(dataset_);
    main_->SetMessenger(&messages_);
    table_ = std::make_unique<tarvo::gui::TTableForm>(dataset_);
    tarvo::gui::AttachTableWindow(*main_, *table_);
    tarvo::gui::AttachInversionResultCommands(*main_, *table_, numbers_, [this](const QString&) {
      ++fileDialogs_;
      return std::optional<QString>(result_);
    });
  }

  void cleanup() {
    table_.reset();
    main_.reset();
  }

  void numberDialogAnswersItsPositionOrZero() {
    tarvo::gui::TOKBottomDlg dialog;
    dialog.Memo1()->setPlainText(QStringLiteral("Iteration  Time for this iteration  Total Time   RMS Error"));
    const auto answer = [&dialog](const std::function<void()>& act) {
      QTimer::singleShot(0, &dialog, act);
      return dialog.AskNumber(5, 5, true, QStringLiteral("Select the number of iteration or 0"), 1);
    };
    QCOMPARE(answer([&] { dialog.OKBtn()->click(); }), 5);
    QVERIFY(!dialog.Memo1()->isHidden());
    QCOMPARE(dialog.Label1()->text(), QStringLiteral("Select the number of iteration or 0"));
    QCOMPARE(answer([&] { dialog.CancelBtn()->click(); }), 0);
    QCOMPARE(answer([&] { QTest::keyClick(&dialog, Qt::Key_Escape); }), 0);
    QCOMPARE(answer([&] {
               QTest::keyClick(dialog.UpDown(), Qt::Key_A, Qt::ControlModifier);
               QTest::keyClicks(dialog.UpDown(), QStringLiteral("3"));
               dialog.OKBtn()->click();
             }),
             3);
    // A number beyond the maximum is not taken: the answer stays the position.
    QCOMPARE(answer([&] {
               QTest::keyClick(dialog.UpDown(), Qt::Key_A, Qt::ControlModifier);
               QTest::keyClicks(dialog.UpDown(), QStringLiteral("9"));
               dialog.OKBtn()->click();
             }),
             5);
    QCOMPARE(answer([&] {
               QTest::keyClick(dialog.UpDown(), Qt::Key_Up);
               dialog.OKBtn()->click();
             }),
             5);
    QTimer::singleShot(0, &dialog, [&] {
      QTest::keyClick(dialog.UpDown(), Qt::Key_Up);
      dialog.OKBtn()->click();
    });
    QCOMPARE(dialog.AskNumber(0, 12, false, QStringLiteral("Select level of noice (%)"), 2), 2);
    QVERIFY(dialog.Memo1()->isHidden());
  }

  void openingAResultOffersTheInvResultsTab() {
    numbers_.answers = {3};
    OpenResult();
    QVERIFY2(messages_.entries.empty(), messages_.entries.empty() ? "" : messages_.entries[0].text.c_str());
    QCOMPARE(numbers_.questions.size(), std::size_t{1});
    QCOMPARE(numbers_.questions[0].maximum, 4);
    QVERIFY(dataset_.HasModel);
    QTabWidget* pages = table_->PageControl();
    QVERIFY(pages->isTabVisible(4));
    QCOMPARE(pages->tabText(4), QStringLiteral("INV results"));
    QCOMPARE(Page().DepthesGroup()->title(), QStringLiteral("Depthes form INV file"));
    QStringList items;
    for (QAbstractButton* b : DepthItems()) items << b->text();
    QCOMPARE(items, (QStringList{"0-1.5", "1.5-3.2", "3.2-5", "5-7", "7-9.5", "9.5-inf"}));
    QVERIFY(table_->bTimeCopy()->isEnabled());
    QVERIFY(!PageButton("CopyDiff")->isEnabled());
    QVERIFY(!PageButton("CopyDiffExcell")->isEnabled());
    QVERIFY(PageButton("CopyMeanModel")->isEnabled());
    QVERIFY(!PageButton("CopyAllExcel")->isHidden());

    // A layer is copied once one is chosen.
    QToolButton* copyRes2 = PageButton("CopyRes2");
    QVERIFY(!copyRes2->isEnabled());
    QTest::mouseClick(DepthItems()[1], Qt::LeftButton);
    QVERIFY(copyRes2->isEnabled());
    QGuiApplication::clipboard()->clear();
    copyRes2->click();
    QVERIFY2(Clipboard().startsWith(QStringLiteral("1.5-3.2\r\nX  Ro\r\n6\t")), qPrintable(Clipboard()));
    QCOMPARE(Clipboard().count(QStringLiteral("\r\n")), 2 + dataset_.StationCount);
    PageButton("CopyAllExcel")->click();
    QVERIFY(Clipboard().startsWith(QStringLiteral("1.5-3.2\r\nX  Ro\r\n")));

    PageButton("CopyMeanModel")->click();
    const QStringList mean = Clipboard().split(QStringLiteral("\r\n"));
    QCOMPARE(mean[0], result_);
    QCOMPARE(mean[1], QStringLiteral("H\tRo_mean\tRo_Min\tRo_max\tDisp"));
    QCOMPARE(mean.size(), 2 + 6 + 1);
  }

  void workbookOfAllLayersIsWrittenNextToTheData() {
    numbers_.answers = {4};
    OpenResult();
    const QString workbook = dir_.filePath(QStringLiteral("wenner32_inv.xlsx"));
    PageButton("ExcellBt")->click();
    QVERIFY(QFileInfo::exists(workbook));
    QCOMPARE(messages_.Texts().back(), "The workbook is written:\r\n" + workbook.toStdString());
    QCOMPARE(Page().SelectedDepthItem(), 0);  // the list is left at its first item
    QVERIFY(main_->findChild<tarvo::gui::TExcellForm*>() == nullptr || !main_->findChild<tarvo::gui::TExcellForm*>()->isVisible());

    // An existing workbook is replaced only when the operator agrees.
    const qint64 size = QFileInfo(workbook).size();
    QFile(workbook).resize(10);
    messages_.replies = {tarvo::Reply::No};
    PageButton("ExcellBt")->click();
    QCOMPARE(QFileInfo(workbook).size(), qint64{10});
    messages_.replies = {tarvo::Reply::No, tarvo::Reply::Yes};
    PageButton("ExcellBt")->click();
    QCOMPARE(QFileInfo(workbook).size(), size);
  }

  void electrodeAndSpacingTabsCopyTheirTables() {
    OpenResult();
    table_->CopyElectrodeTable()->click();
    QStringList lines = Clipboard().split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 32 + 1);
    QCOMPARE(lines[1], QStringLiteral("4\t0"));

    SelectElectrodes(7, 9);  // 24 to 32 m: the station at 28 m
    table_->bTimeCopy()->click();
    QVERIFY2(Clipboard().startsWith(QStringLiteral("\"28\"\r\nH\tRo\r\n0.75\t")), qPrintable(Clipboard()));
    table_->PageControl()->setCurrentIndex(1);
    QVERIFY(!table_->CopyVES()->isHidden());
    table_->CopyVES()->click();
    QVERIFY2(Clipboard().startsWith(QStringLiteral("\"28\"\r\n")), qPrintable(Clipboard()));

    table_->CopySpacing()->click();
    QCOMPARE(Clipboard(), QStringLiteral("AB\tMN\r\n4\t4\r\n8\t8\r\n12\t12\r\n16\t16\r\n"));
    table_->CheckListBoxSp()->item(0)->setSelected(true);
    table_->CopySpacing()->click();
    QVERIFY2(Clipboard().startsWith(QStringLiteral("4-4\tWenner (AMNB)\r\nX\tRo_app\r\n6\t")), qPrintable(Clipboard()));
  }

  void invResultReadsAModelForTheLoadedLine() {
    // The shortcut works in the active main window, whose menu hides the item.
    main_->show();
    main_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(main_.get()));
    QVERIFY(!main_->Command(QStringLiteral("InvResult"))->isVisible());
    // Nothing loaded: the command tells so and asks for no file.
    QTest::keyClick(main_.get(), Qt::Key_I, Qt::ControlModifier | Qt::AltModifier);
    QCOMPARE(fileDialogs_, 0);
    QCOMPARE(messages_.entries.size(), std::size_t{1});

    numbers_.answers = {0};  // the Open's iteration dialog cancelled: data only
    OpenResult();
    QVERIFY(!dataset_.HasModel);
    QVERIFY(!table_->PageControl()->isTabVisible(4));
    numbers_.answers = {0, 2};
    QTest::keyClick(main_.get(), Qt::Key_I, Qt::ControlModifier | Qt::AltModifier);
    QCOMPARE(fileDialogs_, 1);
    QVERIFY(dataset_.HasModel);
    QCOMPARE(dataset_.Models.Current.LayerCount, 6);
    QCOMPARE(table_->PageControl()->currentIndex(), 4);
    QCOMPARE(DepthItems().size(), 6);
    // A model read this way gives no synthetic curves.
    QCOMPARE(dataset_.Models.ChosenIteration, 0);
    QMenu* file = main_->findChild<QMenu*>(QStringLiteral("FileMenu"));
    QVERIFY(file != nullptr);
    emit file->aboutToShow();
    QVERIFY(!main_->Command(QStringLiteral("InvData"))->isEnabled());
  }

  void sondoWritesTheModelFileOfTheModelRead() {
    const QString target = dir_.filePath(QStringLiteral("sondo.dat"));
    tarvo::gui::AttachConverterCommands(*main_, [&target](const tarvo::gui::SaveDialogSetup&) {
      return std::optional<QString>(target);
    });
    numbers_.answers = {4};
    OpenResult();
    main_->Command(QStringLiteral("aSondo"))->trigger();
    QFile model(dir_.filePath(QStringLiteral("sondo.res")));
    QVERIFY(model.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = model.readAll().split('\n');
    QCOMPARE(lines[2].trimmed(), QByteArray("55"));       // the stations
    QCOMPARE(lines[4].trimmed(), QByteArray("6 0 0"));    // layers of the first station
    QVERIFY(lines[6].startsWith("1.5 1.7 1.8 2 2.5  h"));  // their thicknesses
  }

  void syntheticCurvesReplaceTheMeasuredData() {
    numbers_.answers = {4};
    OpenResult();
    QMenu* file = main_->findChild<QMenu*>(QStringLiteral("FileMenu"));
    emit file->aboutToShow();
    QAction* invData = main_->Command(QStringLiteral("InvData"));
    QVERIFY(invData->isEnabled());
    QCOMPARE(dataset_.Points[1].Rho, 90.733f);  // measured
    numbers_.answers = {0};                      // no noise
    invData->trigger();
    QCOMPARE(numbers_.questions.size(), std::size_t{2});
    QCOMPARE(numbers_.questions[1].text, std::string("Select level of noice (%)"));
    QCOMPARE(dataset_.Points[1].Rho, 88.266f);  // calculated by iteration 4
    QCOMPARE(dataset_.Memo.back(), std::string("2D Syntetic data from Res2Dinv"));
    QVERIFY(messages_.entries.empty());
  }
};

QTEST_MAIN(TestInversionResults)
#include "test_inversion_results.moc"
