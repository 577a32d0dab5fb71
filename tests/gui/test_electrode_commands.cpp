#include <QtTest>

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>

#include "engine/core/bad_points.h"
#include "engine/core/messenger.h"
#include "engine/display/display_state.h"
#include "gui/editing/electrode_commands.h"
#include "gui/editing/table_window.h"
#include "gui/shell/main_window.h"
#include "gui/views/section_window.h"
#include "open_example.h"

using tarvo::TDataset;
using tarvo::gui::ElectrodeCommands;
using tarvo::gui::TMain;
using tarvo::gui::TSectForm;
using tarvo::gui::TTableForm;

namespace {

constexpr int SyscalDataFilter = 1;
constexpr int SyscalSequenceFilter = 2;
constexpr int ElectrodeTab = 1;
constexpr int MultinodeTab = 2;

// The windows as the program's entry makes and connects them.
struct Windows {
  TDataset dataset;
  tarvo::DisplayState display;
  TMain main;
  TSectForm section;
  TTableForm table;
  ElectrodeCommands* commands = nullptr;
  tarvo::RecordingMessenger messages;

  Windows()
      : main(dataset, TMain::Paths{QStringLiteral(TARVO_PROGRAM_DIR), QString()}), section(dataset, display), table(dataset) {
    tarvo::gui::AttachTableWindow(main, table);
    tarvo::gui::AttachSectionWindow(main, table, section);
    commands = tarvo::gui::AttachElectrodeCommands(main, table, &section);
    main.SetMessenger(&messages);
  }

  void Open(const char* example, int filter) {
    tarvo::gui::test::OpenExample(main, example, filter);
    QCoreApplication::processEvents();
  }

  void SelectElectrodes(int first, int last) {
    QTableView* grid = table.Table2Grid();
    table.PageControl()->setCurrentIndex(ElectrodeTab);
    grid->clearSelection();
    QItemSelection rows(grid->model()->index(first - 1, 0), grid->model()->index(last - 1, 2));
    grid->selectionModel()->select(rows, QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }

  QString Modified() const { return main.findChild<QLabel*>(QStringLiteral("ModifiedP"))->text(); }
  QString ElectrodeCell(int row, int column) const {
    auto& m = const_cast<TTableForm&>(table).ElectrodeModel();
    return m.data(m.index(row - 1, column), Qt::DisplayRole).toString();
  }
};

}  // namespace

class TestElectrodeCommands : public QObject {
  Q_OBJECT

private slots:
  void deleteKeyDeletesTheSelectedElectrodesAndCtrlZRestoresThem() {
    Windows w;
    w.Open("wenner32.seq", SyscalSequenceFilter);
    TDataset& ds = w.dataset;
    QVERIFY(w.Modified().isEmpty());
    w.SelectElectrodes(5, 6);
    QTest::keyClick(w.table.Table2Grid(), Qt::Key_Delete);
    QVERIFY(ds.ElectrodePosFlag[5] != 0 && ds.ElectrodePosFlag[6] != 0);
    auto& m = w.table.ElectrodeModel();
    QVERIFY(m.data(m.index(4, 1), tarvo::gui::BadRole).toBool());
    QCOMPARE(w.Modified(), QStringLiteral("Modified"));
    int bad = 0;
    for (int i = 1; i <= ds.PointCount; ++i) bad += tarvo::IsBad(ds, i);
    QVERIFY(bad > 0);
    QCOMPARE(ds.BadCount, bad);
    // The configuration window draws the electrodes deleted.
    w.section.PaintBox()->repaint();
    const auto& electrodes = w.section.View().Scene().electrodes;
    QVERIFY(std::count_if(electrodes.begin(), electrodes.end(), [](const auto& e) { return e.deleted; }) == 2);

    QVERIFY(w.commands->UndoEdit()->isEnabled());
    w.commands->UndoEdit()->trigger();
    QCOMPARE(int(ds.ElectrodePosFlag[5]), 0);
    QCOMPARE(ds.BadCount, 0);
    QCOMPARE(w.table.PageControl()->currentIndex(), ElectrodeTab);
    QVERIFY(!w.commands->UndoEdit()->isEnabled());

    // The configuration window's "Delete electrode" deletes the grid's selection.
    w.SelectElectrodes(7, 7);
    QAction* item = w.section.findChild<QAction*>(QStringLiteral("DelElectrode"));
    QVERIFY(item != nullptr && item->isEnabled());
    item->trigger();
    QVERIFY(ds.ElectrodePosFlag[7] != 0);
  }

  void mirrorAndMultiplierRebuildTheSequence() {
    Windows w;
    w.Open("wenner32.seq", SyscalSequenceFilter);
    TDataset& ds = w.dataset;
    const TDataset before = ds;
    w.table.PageControl()->setCurrentIndex(ElectrodeTab);
    QVERIFY(w.commands->AInverse()->isEnabled());
    QVERIFY(w.commands->XxKbt()->isVisible() || !w.table.isVisible());
    QVERIFY(w.commands->BrokenElectrode()->isVisible());

    w.commands->AInverse()->trigger();
    const double first = before.ElectrodePos[1], last = before.ElectrodePos[before.ElectrodePosCount];
    QCOMPARE(ds.Electrodes[1].X, float(last - before.Electrodes[1].X + first));
    QCOMPARE(w.Modified(), QStringLiteral("Modified"));
    QCOMPARE(w.table.PageControl()->currentIndex(), ElectrodeTab);
    // The Exchange menu's "Mirror profile" has its work: mirrored back.
    QAction* menu = w.main.Command(QStringLiteral("Mirrorprofile1"));
    menu->setEnabled(true);
    menu->trigger();
    QCOMPARE(ds.Electrodes[1].X, before.Electrodes[1].X);

    QComboBox* box = w.commands->Multiplier();
    QVERIFY(!w.commands->XxKbt()->isEnabled());
    box->setEditText(QStringLiteral("abc"));
    QVERIFY(!w.commands->XxKbt()->isEnabled());
    box->setEditText(QStringLiteral("2"));
    QVERIFY(w.commands->XxKbt()->isEnabled());
    QCOMPARE(w.commands->XxKbt()->text(), QStringLiteral("X x 2"));
    w.commands->XxKbt()->click();
    // "K arr." shows the doubled factors.
    auto& data = w.table.DataModel();
    QCOMPARE(data.headerData(4, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("K arr."));
    QCOMPARE(ds.Points[1].Rho, 2 * before.Points[1].Rho);
    QCOMPARE(ds.ElectrodePos[2], 2 * before.ElectrodePos[2]);
    QVERIFY(!w.commands->XxKbt()->isEnabled());
    QCOMPARE(w.commands->XxKbt()->text(), QStringLiteral("X x 1"));

    w.commands->UndoEdit()->trigger();
    QCOMPARE(ds.Points[1].Rho, before.Points[1].Rho);
  }

  void pastedTopographyGivesTheAltitudes() {
    Windows w;
    w.Open("wenner32.001", SyscalDataFilter);
    QVERIFY(!w.commands->BrokenElectrode()->isVisible());
    const double x2 = w.dataset.ElectrodePos[2];
    QGuiApplication::clipboard()->setText(QStringLiteral("x\tz\r\n0\t100\r\n%1\t104,5\r\n200\t110\r\n").arg(2 * x2));
    w.commands->LinearPaste()->click();
    QCOMPARE(w.dataset.ElectrodeXZCount, 3);
    QCOMPARE(w.ElectrodeCell(2, 2), QStringLiteral("102.25"));
    QCOMPARE(w.Modified(), QStringLiteral("Modified"));

    // "Topography...": the block of a Res2dInv file.
    w.commands->SetTopographyFileChooser([] { return QStringLiteral(TARVO_EXAMPLES_DIR "/wenner32_topo.dat"); });
    w.commands->TopographyFile()->click();
    QCOMPARE(w.dataset.ElectrodeXZCount, 32);
    QCOMPARE(w.ElectrodeCell(1, 2), QStringLiteral("110"));
    w.commands->UndoEdit()->trigger();
    QCOMPARE(w.dataset.ElectrodeXZCount, 3);

    QGuiApplication::clipboard()->setText(QStringLiteral("1\t50\n2\t51.5\n"));
    w.commands->PasteAltitudes()->click();
    QCOMPARE(w.ElectrodeCell(2, 2), QStringLiteral("51.5"));
    w.commands->UndoEdit()->trigger();
    QCOMPARE(w.ElectrodeCell(2, 2), QStringLiteral("102.25"));
  }

  void multinodeTabRenumbersTheSequence() {
    Windows w;
    w.Open("wenner32.seq", SyscalSequenceFilter);
    TDataset& ds = w.dataset;
    QTabWidget* pages = w.table.PageControl();
    QVERIFY(pages->isTabVisible(MultinodeTab));
    pages->setCurrentIndex(MultinodeTab);
    QCOMPARE(w.commands->UsedMultinodesLabel()->text(), QStringLiteral("Used multinodes: 1-2"));
    QCOMPARE(w.commands->TabControl()->count(), 2);
    QCOMPARE(w.commands->TabControl()->tabText(1), QStringLiteral("17-32"));
    QCOMPARE(w.commands->RadioGroup()->buttons().size(), 16);

    w.commands->TabControl()->setCurrentIndex(1);
    w.commands->Reverse()->setChecked(true);
    QCOMPARE(w.commands->Label4()->text(), QStringLiteral("Make SEQ for \"1-2R\""));
    QVERIFY(w.commands->Label4()->isEnabled());
    const int at17 = ds.ElectrodePosNumber[17];
    QCOMPARE(at17, 17);
    w.commands->Label4()->click();
    QCOMPARE(ds.ElectrodePosNumber[17], 32);
    QCOMPARE(w.commands->UsedMultinodesLabel()->text(), QStringLiteral("Used multinodes: \"1-2R\""));
    QCOMPARE(pages->currentIndex(), ElectrodeTab);
    QCOMPARE(w.ElectrodeCell(17, 0), QStringLiteral(" 2 - 32"));
    QCOMPARE(w.Modified(), QStringLiteral("Modified"));

    // Segments of 8: four multinodes, 32 new numbers to choose from.
    pages->setCurrentIndex(MultinodeTab);
    w.commands->RadioGroup2()->button(2)->click();
    QCOMPARE(w.commands->SegmentLength(), 8);
    QCOMPARE(w.commands->RadioGroup()->buttons().size(), 32);
    QCOMPARE(w.commands->MultinodeCountLabel()->text(), QStringLiteral("Number of multinodes: 4"));

    // Measured data show the analysis without the renumbering.
    w.Open("wenner32.001", SyscalDataFilter);
    QVERIFY(pages->isTabVisible(MultinodeTab));
    QVERIFY(!w.commands->Label4()->isEnabled());
  }

  void brokenElectrodeAsksAndShifts() {
    Windows w;
    w.Open("wenner32.seq", SyscalSequenceFilter);
    TDataset& ds = w.dataset;
    w.messages.replies = {tarvo::Reply::Yes};
    w.SelectElectrodes(4, 4);
    w.commands->BrokenElectrode()->trigger();
    QVERIFY(w.messages.entries.back().text == "Remove electrode n 4 and shift all next electrodes ?");
    QCOMPARE(ds.ElectrodePosCount, 31);
    QCOMPARE(ds.ElectrodePosNumber[4], 5);
    QCOMPARE(w.table.ElectrodeModel().rowCount(), 31);
    QCOMPARE(w.Modified(), QStringLiteral("Modified"));
  }
};

QTEST_MAIN(TestElectrodeCommands)
#include "test_electrode_commands.moc"
