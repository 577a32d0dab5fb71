// The pseudo-section panels windows offscreen: the panels of appended files
// and of chargeability data, their actions, D-transf and the mean with its
// file, the clicks that select a set, the median variant's break lines and
// clicks, and the panels drawn pixel for pixel as tarvo-cli plot draws them.
#include <QAction>
#include <QCheckBox>
#include <QDockWidget>
#include <QListWidget>
#include <QMenu>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <memory>

#include "drawing/picture_output.h"
#include "engine/core/dataset.h"
#include "engine/display/display_state.h"
#include "engine/display/pseudo_panels.h"
#include "engine/export/section_panel_writer.h"
#include "gui/editing/table_window.h"
#include "gui/shell/main_window.h"
#include "gui/views/pseudo_form.h"
#include "gui/views/pseudo_panels_window.h"
#include "gui/views/section_window.h"
#include "open_example.h"

namespace tarvo::gui {
namespace {

QByteArray Bytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The windows as the program makes them, with the panels windows attached.
struct Windows {
  TDataset dataset;
  RecordingMessenger messenger;
  TMain main;
  DisplayState display;
  TSectForm section;
  TTableForm table;
  TSectXform panels;
  TSmallSectXform small;

  Windows()
      : main(dataset, {QStringLiteral(TARVO_PROGRAM_DIR), {}}),
        section(dataset, display),
        table(dataset),
        panels(dataset, display),
        small(dataset, display) {
    main.SetMessenger(&messenger);
    AttachTableWindow(main, table);
    AttachSectionWindow(main, table, section);
    AttachPanelsWindows(main, panels, small, section, nullptr);
    panels.SetMessenger(&messenger);
    SetFirstMapColors(display.Colors);
    display.Options.Titles = true;
  }

  void Open(const char* example, int filter) { test::OpenExample(main, example, filter); }
  void Append(const char* example, int filter) {
    const QString file = QStringLiteral(TARVO_EXAMPLES_DIR "/") + QLatin1String(example);
    main.SetFileDialog([file, filter](const OpenDialogSetup&) {
      return std::optional<OpenDialogChoice>(OpenDialogChoice{{file}, filter, false});
    });
    main.OpenBtnClick(OpenCaller::Append);
  }
};

// A panel drawn by the window's form at a given size.
QImage FormPicture(TPseudoForm& form, const QSize& size) {
  return drawing::RenderImage(size, [&](QPainter& p, const QSize& s) { form.PaintPanel(p, s); })
      .convertToFormat(QImage::Format_RGB32);
}

class TestPseudoPanels : public QObject {
  Q_OBJECT

private slots:
  void panelsOfAppendedFilesWithTheirActionsAndTheDifference() {
    Windows w;
    w.Open("wenner32.001", 1);
    w.Append("dipole32.001", 1);
    QCOMPARE(w.dataset.SetCount, 2);
    // Two sets: the small window shows beside the configuration window.
    QVERIFY(w.small.isVisible());
    QCOMPARE(w.small.PanelCount(), 2);
    QVERIFY(w.main.Command(QStringLiteral("aManySmall"))->isChecked());

    QAction* many = w.main.Command(QStringLiteral("aMany"));
    QVERIFY(many->isEnabled());
    many->trigger();
    TSectXform& x = w.panels;
    QVERIFY(x.isVisible());
    QCOMPARE(x.windowTitle(), QStringLiteral("Pseudo-sections"));
    QCOMPARE(x.PanelCount(), 2);
    // Wenner and dipole-dipole: no mean is offered, the difference is.
    QVERIFY(!x.MeanOffered());
    QVERIFY(x.Command("ActionDif")->isVisible());
    QCOMPARE(x.PanelAction(1)->text(), QStringLiteral("WennerA"));  // the sequence title of the Wenner set
    QVERIFY(x.PanelAction(1)->isChecked());
    QVERIFY(!x.PanelAction(3)->isVisible());
    const ValueRange r1 = x.PanelForm(1)->Panel().UsedRange;
    const ValueRange r2 = x.PanelForm(2)->Panel().UsedRange;
    QCOMPARE(r1.Low, r2.Low);
    QCOMPARE(r1.High, r2.High);
    QCOMPARE(x.dockWidgetArea(x.PanelDock(2)), Qt::LeftDockWidgetArea);

    x.Command("ActionDif")->trigger();
    QCOMPARE(x.PanelCount(), 3);
    QVERIFY(!x.Command("ActionDif")->isVisible());
    QCOMPARE(x.PanelAction(3)->text(), QStringLiteral("D-transf"));
    QCOMPARE(x.PanelForm(3)->Panel().Scale, MapScale::Symmetric);
    QCOMPARE(x.PanelForm(3)->Panel().Owner, NoPanelOwner);

    // "Close all" hides the panels; their actions show them again.
    x.sbCloseAllClick();
    for (int k = 1; k <= 3; ++k) {
      QVERIFY(!x.PanelDock(k)->isVisible());
      QVERIFY(!x.PanelAction(k)->isChecked());
    }
    x.PanelAction(2)->trigger();
    QVERIFY(x.PanelDock(2)->isVisible());
    QVERIFY(x.PanelAction(2)->isChecked());
    x.PanelAction(2)->trigger();
    QVERIFY(!x.PanelDock(2)->isVisible());

    // A dock can float and dock again.
    x.PanelAction(1)->trigger();
    x.PanelDock(1)->setFloating(true);
    QVERIFY(x.PanelDock(1)->isFloating());
    x.PanelAction(1)->trigger();  // hidden
    x.PanelAction(1)->trigger();  // shown, docked
    QVERIFY(!x.PanelDock(1)->isFloating());

    // The read selected the last set. A click on panel 1 selects set 1 in
    // the main window; again, or on D-transf, nothing happens.
    auto* list = w.main.findChild<QListWidget*>(QStringLiteral("ListBox"));
    QVERIFY(list != nullptr);
    QCOMPARE(list->currentRow(), 1);
    QSignalSpy selected(&w.main, &TMain::SetSelectionChanged);
    QTest::mouseClick(x.PanelForm(1), Qt::LeftButton, {}, QPoint(20, 20));
    QCOMPARE(list->currentRow(), 0);
    QCOMPARE(w.dataset.SelectedSetEntry, 0);
    QCOMPARE(selected.count(), 1);
    QTest::mouseDClick(x.PanelForm(1), Qt::LeftButton, {}, QPoint(20, 20));
    QTest::mouseClick(x.PanelForm(3), Qt::LeftButton, {}, QPoint(20, 20));
    QCOMPARE(selected.count(), 1);
    QTest::mouseClick(x.PanelForm(2), Qt::LeftButton, {}, QPoint(20, 20));
    QCOMPARE(w.dataset.SelectedSetEntry, 1);
    QCOMPARE(selected.count(), 2);

    QVERIFY(!x.PanelsImage().isNull());
    x.close();
    QCOMPARE(x.PanelCount(), 0);
    QVERIFY(!x.PanelAction(1)->isVisible());
  }

  void meanOfTwoSetsAndItsFileAsTarvoCliWritesIt() {
    Windows w;
    w.Open("wenner32.001", 1);
    w.Append("wenner32.001", 1);
    QCOMPARE(w.dataset.SetCount, 2);
    w.main.Command(QStringLiteral("aMany"))->trigger();
    TSectXform& x = w.panels;
    QVERIFY(x.MeanOffered());
    QAction* amnb = x.Command("ActionAmnB");
    QCOMPARE(amnb->text(), QStringLiteral("&Mean"));
    QCOMPARE(x.MeanBox()->text(), QStringLiteral("Geom. mean &only"));
    QVERIFY(x.MeanBox()->isChecked());
    amnb->trigger();
    QCOMPARE(x.PanelCount(), 3);
    QCOMPARE(x.MeanPanelIndex(), 3);
    QCOMPARE(x.PanelAction(3)->text(), QStringLiteral("Mean"));
    QCOMPARE(amnb->text(), QStringLiteral("&Save"));
    // The check box computes the mean again into the same panel.
    x.MeanBox()->click();
    QCOMPARE(x.PanelCount(), 3);

    QTemporaryDir dir;
    QString proposed;
    QString dialogTitle;
    x.SetPanelFileChooser([&](const QString& name, const QString& title) -> std::optional<QString> {
      proposed = name;
      dialogTitle = title;
      return dir.filePath(QStringLiteral("window.dat"));
    });
    x.MeanBox()->click();  // back to "Mean only"
    amnb->trigger();       // "&Save"
    QCOMPARE(dialogTitle, QStringLiteral("Old Res2dInv format"));
    QVERIFY2(proposed.endsWith(QStringLiteral("/WennerA.dat")), qPrintable(proposed));
    const QByteArray written = Bytes(dir.filePath(QStringLiteral("window.dat")));
    QVERIFY(!written.isEmpty());

    QProcess cli;
    cli.start(QStringLiteral(TARVO_PROGRAM_DIR "/tarvo-cli"),
              {QStringLiteral("convert"), QStringLiteral(TARVO_EXAMPLES_DIR "/wenner32.001"), QStringLiteral("--append"),
               QStringLiteral(TARVO_EXAMPLES_DIR "/wenner32.001"), QStringLiteral("--to"),
               QStringLiteral("res2dinv-panel"), QStringLiteral("-o"), dir.filePath(QStringLiteral("cli.dat"))});
    QVERIFY2(cli.waitForFinished(60000), "tarvo-cli did not run");
    QCOMPARE(cli.exitCode(), 0);
    QCOMPARE(Bytes(dir.filePath(QStringLiteral("cli.dat"))), written);
  }

  void chargeabilityPanelsStandBesideAndSelectTheMode() {
    Windows w;
    w.Open("dipole32_ip.txt", 7);
    QVERIFY(w.dataset.HasIP);
    TSectXform& s = w.small;
    QVERIFY(s.isVisible());
    QCOMPARE(s.PanelCount(), 2 * w.dataset.SetCount);
    QCOMPARE(s.PanelForm(2)->Panel().Scale, MapScale::Linear);
    QVERIFY(!s.ToolBar()->isVisible());
    QVERIFY(!w.main.Shell().IPMode);
    QTest::mouseClick(s.PanelForm(2), Qt::LeftButton, {}, QPoint(20, 20));
    QVERIFY(w.main.Shell().IPMode);
    QTest::mouseClick(s.PanelForm(1), Qt::LeftButton, {}, QPoint(20, 20));
    QVERIFY(!w.main.Shell().IPMode);

    // "Section" hides the small window and brings it back.
    QAction* section = w.main.Command(QStringLiteral("aManySmall"));
    section->trigger();
    QVERIFY(!s.isVisible());
    QVERIFY(!section->isChecked());
    section->trigger();
    QVERIFY(s.isVisible());
    QVERIFY(section->isChecked());
    // Closed by the operator: "Section" is unchecked.
    s.close();
    QVERIFY(!section->isChecked());
  }

  void panelsArePaintedAsTarvoCliPaintsThem() {
    Windows w;
    w.Open("wenner32.001", 1);
    w.Append("dipole32.001", 1);
    w.main.Command(QStringLiteral("aMany"))->trigger();
    TSectXform& x = w.panels;
    QCOMPARE(x.PanelCount(), 2);
    const QSize size(640, 300);
    QTemporaryDir dir;
    const struct {
      const char* mode;
      PanelMode panelMode;
    } modes[] = {{"map", PanelMode::Map}, {"both", PanelMode::MapAndPost}};
    for (const auto& m : modes) {
      const QString out = dir.filePath(QStringLiteral("line-%1.png").arg(QLatin1String(m.mode)));
      QProcess cli;
      cli.start(QStringLiteral(TARVO_PROGRAM_DIR "/tarvo-cli"),
                {QStringLiteral("plot"), QStringLiteral(TARVO_EXAMPLES_DIR "/wenner32.001"), QStringLiteral("--append"),
                 QStringLiteral(TARVO_EXAMPLES_DIR "/dipole32.001"), QStringLiteral("--size"), QStringLiteral("640x300"),
                 QStringLiteral("--mode"), QLatin1String(m.mode), QStringLiteral("-o"), out});
      QVERIFY2(cli.waitForFinished(60000), "tarvo-cli did not run");
      QCOMPARE(cli.exitCode(), 0);
      for (int k = 1; k <= 2; ++k) {
        x.PanelForm(k)->SetMode(m.panelMode);
        const QString file = dir.filePath(QStringLiteral("line-%1-%2.png").arg(QLatin1String(m.mode)).arg(k));
        const QImage fromCli = QImage(file).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(fromCli.size(), size);
        QVERIFY2(FormPicture(*x.PanelForm(k), size) == fromCli, qPrintable(file + " differs from the window"));
      }
    }
  }

  void saveDataAndTheModesOfTheForm() {
    DisplayState display;
    TDataset ds;
    TPseudoForm form(display);
    GridDescriptor d;
    d.StationCount = 3;
    d.LevelCount = 2;
    auto values = std::make_unique<ValueGrid>();
    auto raw = std::make_unique<ValueGrid>();
    for (int s = 1; s <= 3; ++s) {
      d.Stations[s] = 10.0f * static_cast<float>(s);
      for (int k = 1; k <= 2; ++k) (*values)(s, k) = (*raw)(s, k) = 100.0f * static_cast<float>(s + k);
    }
    d.Spacing[1] = 1;
    d.Spacing[2] = 2;
    form.SetData(std::move(values), std::move(raw), 1, ScaleTypeLogarithmic, d);
    form.SetDataset(&ds);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("panel.dat"));
    form.SetSaveChooser([&](const QString&) { return std::optional<QString>(path); });
    form.Savedata1Click();
    QCOMPARE(Bytes(path), QByteArray::fromStdString(PanelDataTable(form.Panel(), ds)));

    QMenu* popup = form.PopupMenu();
    auto* values1 = popup->findChild<QMenu*>(QStringLiteral("Values1"));
    QVERIFY(values1 != nullptr);
    emit popup->aboutToShow();
    QVERIFY(!values1->isEnabled());
    popup->findChild<QAction*>(QStringLiteral("Post1"))->trigger();
    QCOMPARE(form.Panel().Mode, PanelMode::Post);
    emit popup->aboutToShow();
    QVERIFY(values1->isEnabled());
    values1->findChild<QAction*>(QStringLiteral("N11"))->trigger();
    QCOMPARE(form.Panel().Digits, PostDigits::One);

    // Posting only: the plot keeps the background where the map was.
    const QImage post = FormPicture(form, QSize(300, 200));
    const PanelLayout& l = form.Picture().Layout();
    QVERIFY(l.drawn);
    QCOMPARE(post.pixelColor(l.right - 5, l.bottom - 5), QColor(Qt::white));
    popup->findChild<QAction*>(QStringLiteral("Map1"))->trigger();
    const QImage map = FormPicture(form, QSize(300, 200));
    QVERIFY(map.pixelColor(l.right - 5, l.bottom - 5) != QColor(Qt::white));
  }

  void medianFormDrawsBreaksAndTellsTheStationClicked() {
    DisplayState display;
    TPseudoMForm form(display);
    GridDescriptor d;
    d.StationCount = 4;
    d.LevelCount = 2;
    auto values = std::make_unique<ValueGrid>();
    auto raw = std::make_unique<ValueGrid>();
    for (int s = 1; s <= 4; ++s) {
      d.Stations[s] = 10.0f * static_cast<float>(s - 1);
      for (int k = 1; k <= 2; ++k) (*values)(s, k) = (*raw)(s, k) = 50.0f * static_cast<float>(s + k);
    }
    d.Spacing[1] = 1;
    d.Spacing[2] = 2;
    form.SetData(std::move(values), std::move(raw), 7, true, false, d);
    form.resize(400, 200);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.SetBreaks({3});
    const QImage image = form.grab().toImage();
    const PanelLayout& l = form.Picture().Layout();
    const int x = l.across.Pixel(20);
    QCOMPARE(image.pixelColor(x, l.top + 3), QColor(Qt::black));

    QSignalSpy stations(&form, &TPseudoMForm::StationClicked);
    QSignalSpy owners(&form, &TPseudoForm::Clicked);
    const int between = (l.across.Pixel(10) + l.across.Pixel(20)) / 2;
    QTest::mouseClick(&form, Qt::LeftButton, {}, QPoint(between, l.down.Pixel(2)));
    QCOMPARE(stations.count(), 1);
    QCOMPARE(stations.at(0).at(0).toInt(), 3);
    QCOMPARE(stations.at(0).at(1).toInt(), 2);
    QCOMPARE(owners.count(), 0);
    // Without breaks the click selects the owner's set.
    form.SetBreaksActive(false);
    QTest::mouseClick(&form, Qt::LeftButton, {}, QPoint(between, l.down.Pixel(2)));
    QCOMPARE(stations.count(), 1);
    QCOMPARE(owners.count(), 1);
    QCOMPARE(owners.at(0).at(0).toInt(), 7);
  }
};

}  // namespace
}  // namespace tarvo::gui

QTEST_MAIN(tarvo::gui::TestPseudoPanels)
#include "test_pseudo_panels.moc"
