// The median-filter windows: their panels and actions on the examples, and
// the filtered data they take back, which give the same file as
// tarvo-cli filter with the same choices.
#include <QtTest>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QProcess>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>

#include "engine/core/dataset.h"
#include "engine/display/display_state.h"
#include "gui/editing/median_windows.h"
#include "gui/export/converter_commands.h"
#include "gui/shell/main_window.h"
#include "gui/views/graph_window.h"
#include "gui/views/pseudo_form.h"
#include "open_example.h"

using tarvo::gui::SaveDialogSetup;

namespace {

QByteArray Bytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The Res2dInv file tarvo-cli filter writes from `example` with `options`.
QByteArray CliFiltered(const QString& example, const QStringList& options, const QString& target, const QString& out) {
  QStringList args{QStringLiteral("filter"), QStringLiteral(TARVO_EXAMPLES_DIR "/") + example, QStringLiteral("--median")};
  args << options << QStringLiteral("--to") << target << QStringLiteral("-o") << out;
  QProcess cli;
  cli.start(QStringLiteral(TARVO_PROGRAM_DIR "/tarvo-cli"), args);
  if (!cli.waitForFinished(60000) || cli.exitCode() != 0) {
    qWarning() << cli.readAllStandardError();
    return {};
  }
  return Bytes(out);
}

// The main window with both filter windows attached, as the program makes them.
struct FilterWindows {
  tarvo::TDataset dataset;
  tarvo::RecordingMessenger messages;
  tarvo::gui::TMain window{dataset};
  tarvo::DisplayState display;
  tarvo::MedianSettings settings;
  tarvo::MedianIPSettings ipSettings;
  tarvo::gui::TmedianXform median{dataset, display, settings};
  tarvo::gui::TmedianIPform medianIP{dataset, display, ipSettings};

  FilterWindows() {
    window.SetMessenger(&messages);
    tarvo::gui::AttachMedianFilters(window, median, medianIP);
  }
};

// Whether the panel's posted grid holds exactly the cells of `grid`.
bool PanelShows(const tarvo::gui::TPseudoMForm& form, const tarvo::FilterGrid& grid) {
  const tarvo::PseudoPanel& panel = form.Panel();
  if (!panel.Raw || panel.Descriptor.StationCount != grid.StationCount || panel.Descriptor.LevelCount != grid.LevelCount) {
    return false;
  }
  for (int s = 1; s <= grid.StationCount; ++s) {
    for (int l = 1; l <= grid.LevelCount; ++l) {
      const float shown = (*panel.Raw)(s, l);
      const float cell = grid.At(s, l);
      if (shown != cell && !(tarvo::IsEmptyCell(shown) && tarvo::IsEmptyCell(cell))) return false;
    }
  }
  return true;
}

// The pixel column of station k on a drawn panel.
int StationPixel(tarvo::gui::TPseudoMForm& form, int k) {
  return form.Picture().Layout().across.Pixel(form.Panel().Descriptor.Stations[k]);
}

}  // namespace

class TestMedianWindows : public QObject {
  Q_OBJECT

private slots:
  void filteringWaitsForMeasuredData() {
    tarvo::TDataset dataset;
    tarvo::RecordingMessenger messages;
    tarvo::gui::TMain window(dataset);
    window.SetMessenger(&messages);
    tarvo::DisplayState display;
    tarvo::MedianSettings settings;
    tarvo::MedianIPSettings ipSettings;
    tarvo::gui::TmedianXform median(dataset, display, settings);
    tarvo::gui::TmedianIPform medianIP(dataset, display, ipSettings);
    tarvo::gui::AttachMedianFilters(window, median, medianIP);
    QVERIFY(!window.Command(QStringLiteral("aMedian"))->isEnabled());
    QVERIFY(!median.Prepare({}));  // nothing loaded: nothing happens
    tarvo::gui::test::OpenExample(window, "wenner32_topo.dat", 4);
    QVERIFY(window.Command(QStringLiteral("aMedian"))->isEnabled());
  }

  // "Filtering" suits apparent resistivities (DataKind 5) and nothing else:
  // instrument data, text data with V and I and sequences leave it disabled.
  void filteringIsEnabledForApparentResistivitiesOnly_data() {
    QTest::addColumn<QString>("example");
    QTest::addColumn<int>("filter");
    QTest::addColumn<float>("kind");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("Res2dInv resistivities") << QStringLiteral("wenner32_topo.dat") << 4 << 5.0f << true;
    QTest::newRow("Res2dInv with IP") << QStringLiteral("mixed32_ip.dat") << 4 << 5.0f << true;
    QTest::newRow("Syscal data") << QStringLiteral("dipole32.001") << 1 << 3.0f << false;
    QTest::newRow("Prosys text with V and I") << QStringLiteral("dipole32_ip.txt") << 7 << 3.5f << false;
    QTest::newRow("Syscal sequence") << QStringLiteral("dipole32.seq") << 2 << 2.0f << false;
  }
  void filteringIsEnabledForApparentResistivitiesOnly() {
    QFETCH(QString, example);
    QFETCH(int, filter);
    QFETCH(float, kind);
    QFETCH(bool, enabled);
    FilterWindows w;
    // A file of another kind first, so that the state is set by the read.
    tarvo::gui::test::OpenExample(w.window, enabled ? "dipole32.001" : "wenner32_topo.dat", enabled ? 1 : 4);
    QCOMPARE(w.window.Command(QStringLiteral("aMedian"))->isEnabled(), !enabled);
    tarvo::gui::test::OpenExample(w.window, example.toLatin1().constData(), filter);
    QCOMPARE(w.dataset.DataKind, kind);
    QCOMPARE(w.window.Command(QStringLiteral("aMedian"))->isEnabled(), enabled);
    QCOMPARE(w.window.Command(QStringLiteral("aMedian"))->toolTip(), QStringLiteral("Filtering field data"));
  }

  // Breaks are clicks on the data, the 1D part and the residual, drawn as
  // black lines there; not on the smoothed panels, and not while the 1D
  // part is the mean in a moving window.
  void breakClicksOnThePanels_data() {
    QTest::addColumn<int>("panel");
    QTest::addColumn<int>("oneD");
    QTest::addColumn<bool>("toggles");
    QTest::newRow("data, median") << 1 << int(tarvo::MedianSettings::OneDMedian) << true;
    QTest::newRow("1D part, mean") << 2 << int(tarvo::MedianSettings::OneDMean) << true;
    QTest::newRow("residual, median") << 3 << int(tarvo::MedianSettings::OneDMedian) << true;
    QTest::newRow("data, mean in window") << 1 << int(tarvo::MedianSettings::OneDMeanInWindow) << false;
    QTest::newRow("smoothed") << 4 << int(tarvo::MedianSettings::OneDMedian) << false;
    QTest::newRow("removed part") << 6 << int(tarvo::MedianSettings::OneDMedian) << false;
  }
  void breakClicksOnThePanels() {
    QFETCH(int, panel);
    QFETCH(int, oneD);
    QFETCH(bool, toggles);
    FilterWindows w;
    w.settings.TypeWindow1d = oneD;
    tarvo::gui::test::OpenExample(w.window, "wenner32_topo.dat", 4);
    QVERIFY(w.median.Prepare(w.window.Shell().grid));
    w.median.resize(1200, 900);
    w.median.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.median));
    w.median.Button("BitBtn2")->click();  // "Smooth": the panels 4 to 6
    QVERIFY(w.median.Filter().Smoothed());
    tarvo::gui::TPseudoMForm* form = w.median.Panel(panel);
    QVERIFY(form != nullptr && form->isVisible());
    const QImage before = form->grab().toImage();
    const tarvo::PanelLayout layout = form->Picture().Layout();
    QVERIFY(layout.drawn);
    // Between the stations of the middle of the line.
    const int stations = w.median.Filter().Data().StationCount;
    const int k = stations / 2;
    const QPoint at((StationPixel(*form, k - 1) + StationPixel(*form, k)) / 2, (layout.top + layout.bottom) / 2);
    QTest::mouseClick(form, Qt::LeftButton, {}, at);
    if (!toggles) {
      QVERIFY(w.median.Filter().Breaks().empty());
      QVERIFY(!form->BreaksActive());
      return;
    }
    QCOMPARE(w.median.Filter().Breaks(), std::vector<int>{k});
    // Every panel of the decomposition draws the new break, none of the
    // smoothed ones does.
    for (int n = 1; n <= 6; ++n) {
      tarvo::gui::TPseudoMForm* p = w.median.Panel(n);
      QVERIFY(p != nullptr);
      const QImage image = p->grab().toImage();
      const tarvo::PanelLayout& l = p->Picture().Layout();
      const bool black = image.pixelColor(StationPixel(*p, k), l.top + (l.bottom - l.top) / 3) == QColor(Qt::black);
      QCOMPARE(black, n <= 3);
    }
    QVERIFY(form->grab().toImage() != before);
    // The break splits the 1D part: the panel shows the filter's new one.
    QVERIFY(PanelShows(*w.median.Panel(2), w.median.Filter().OneD()));
    QVERIFY(PanelShows(*w.median.Panel(3), w.median.Filter().Residual()));
    QTest::mouseClick(form, Qt::LeftButton, {}, at);
    QVERIFY(w.median.Filter().Breaks().empty());
  }

  // A track bar moved after "Smooth" smooths again at once: the smoothed
  // panels show the new parts and are drawn anew; the decomposition panels
  // keep theirs.
  void trackBarMoveUpdatesThePanels() {
    FilterWindows w;
    tarvo::gui::test::OpenExample(w.window, "wenner32_topo.dat", 4);
    QVERIFY(w.median.Prepare(w.window.Shell().grid));
    w.median.resize(1200, 900);
    w.median.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.median));
    auto* trackBarX = w.median.findChild<QSlider*>(QStringLiteral("TrackBarX"));
    QVERIFY(trackBarX != nullptr);
    trackBarX->setValue(3);
    QVERIFY(!w.median.Filter().Smoothed());  // nothing to smooth again yet
    w.median.Button("BitBtn2")->click();
    const tarvo::FilterGrid narrow = w.median.Filter().SmoothedResidual();
    const QImage narrowPicture = w.median.Panel(5)->grab().toImage();
    const QImage dataPicture = w.median.Panel(1)->grab().toImage();

    trackBarX->setValue(11);
    QCOMPARE(w.median.Filter().Settings().WindowX, 11);
    QCOMPARE(w.median.findChild<QLabel*>(QStringLiteral("LabelRw"))->text(), QStringLiteral("dX=11;  dY=1"));
    QVERIFY(w.median.Filter().SmoothedResidual().Cells != narrow.Cells);
    QVERIFY(PanelShows(*w.median.Panel(4), w.median.Filter().SmoothedData()));
    QVERIFY(PanelShows(*w.median.Panel(5), w.median.Filter().SmoothedResidual()));
    QVERIFY(PanelShows(*w.median.Panel(6), w.median.Filter().Removed()));
    QVERIFY(PanelShows(*w.median.Panel(2), w.median.Filter().OneD()));
    QVERIFY(w.median.Panel(5)->grab().toImage() != narrowPicture);
    QCOMPARE(w.median.Panel(1)->grab().toImage(), dataPicture);
    // The resistivity panels keep one colour scale.
    const tarvo::ValueRange one = w.median.Panel(1)->Panel().UsedRange;
    for (int n : {2, 4}) {
      QCOMPARE(w.median.Panel(n)->Panel().UsedRange.Low, one.Low);
      QCOMPARE(w.median.Panel(n)->Panel().UsedRange.High, one.High);
    }
    // A panel's action closes it and shows it again.
    QAction* action = w.median.PanelAction(5);
    QVERIFY(action->isChecked());
    action->trigger();
    QVERIFY(!w.median.Panel(5)->isVisible());
    QVERIFY(!action->isChecked());
    action->trigger();
    QVERIFY(w.median.Panel(5)->isVisible());
    QVERIFY(action->isChecked());
  }

  // "P&C effects" docks under the panels of the left pane, "Smoothed P&C"
  // under those of the right one, each with the curves of its components.
  void effectChartsDockUnderTheirPanels() {
    FilterWindows w;
    tarvo::gui::AttachEffectsCharts(w.median);
    tarvo::gui::test::OpenExample(w.window, "wenner32_topo.dat", 4);
    QVERIFY(w.median.Prepare(w.window.Shell().grid));
    w.median.resize(1200, 900);
    w.median.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.median));
    w.median.Button("BitBtn2")->click();
    const struct {
      QWidget* pane;
      QString title;
      int firstPanel;
    } panes[] = {{w.median.LeftPane(), QStringLiteral("P&C effects"), 1},
                 {w.median.RightPane(), QStringLiteral("Smoothed P&C"), 4}};
    for (const auto& p : panes) {
      const auto charts = p.pane->findChildren<tarvo::gui::TGraphForm*>(QString(), Qt::FindDirectChildrenOnly);
      QCOMPARE(charts.size(), 1);
      tarvo::gui::TGraphForm* chart = charts.front();
      QCOMPARE(chart->windowTitle(), p.title);
      QVERIFY(chart->isVisible());
      QVERIFY(chart->PointCount(1) > 0);  // "A"
      // Below the three panels of the pane.
      QLayout* layout = p.pane->layout();
      QCOMPARE(layout->indexOf(chart), 3);
      for (int k = 0; k < 3; ++k) QCOMPARE(layout->indexOf(w.median.Panel(p.firstPanel + k)), k);
    }
  }

  void resistivityWindowGivesTheCliNumbers() {
    QTemporaryDir dir;
    FilterWindows w;
    tarvo::gui::TMain& window = w.window;
    const QString windowFile = dir.filePath(QStringLiteral("window.dat"));
    tarvo::gui::AttachConverterCommands(window, [&](const SaveDialogSetup&) { return std::optional(windowFile); });
    tarvo::gui::test::OpenExample(window, "wenner32_topo.dat", 4);
    tarvo::gui::TmedianXform& median = w.median;
    const QByteArray unfiltered = [&] {
      window.Command(QStringLiteral("aRes2dInv"))->trigger();
      return Bytes(windowFile);
    }();
    QVERIFY(!unfiltered.isEmpty());

    QVERIFY(median.Prepare(window.Shell().grid));
    QCOMPARE(median.windowTitle(), QStringLiteral("Median"));
    // Three panels after the start; Wenner has pole components only.
    for (int k = 1; k <= 3; ++k) {
      QVERIFY(median.Panel(k) != nullptr);
      QVERIFY(median.PanelAction(k)->isVisible());
    }
    QCOMPARE(median.Panel(2)->Title(), QStringLiteral("1D-part"));
    QVERIFY(median.Panel(3)->Title().endsWith(QStringLiteral(" - 1D-part - P&C effects")));
    QVERIFY(median.PanelAction(4) == nullptr || !median.PanelAction(4)->isVisible());
    QCOMPARE(median.Filter().Components().size(), std::size_t{4});
    QVERIFY(!median.Button("Go_1D")->isEnabled());
    QVERIFY(!median.Button("SaveBitBtn")->isEnabled());

    // A click in the middle of the shown data panel sets a break there; a
    // second click on it takes it away again.
    median.resize(1200, 900);
    median.show();
    QVERIFY(QTest::qWaitForWindowExposed(&median));
    tarvo::gui::TPseudoMForm* data = median.Panel(1);
    data->repaint();
    const QPoint middle = data->rect().center();
    const auto at = data->StationAt(middle);
    QVERIFY(at.has_value());
    const int station = at->first;
    QVERIFY(station > 2 && station < median.Filter().Data().StationCount - 1);
    QTest::mouseClick(data, Qt::LeftButton, {}, middle);
    QCOMPARE(median.Filter().Breaks(), std::vector<int>{station});
    QTest::mouseClick(data, Qt::LeftButton, {}, middle);
    QVERIFY(median.Filter().Breaks().empty());
    // The break the operator keeps; then a wider C-effect window.
    median.PanelClicked(1, 20);
    QCOMPARE(median.Filter().Breaks(), std::vector<int>{20});
    median.findChild<QSlider*>(QStringLiteral("TrackBarC"))->setValue(9);
    QCOMPARE(median.findChild<QLabel*>(QStringLiteral("LabelWC"))->text(), QStringLiteral(" Window with =  9"));
    median.Button("BitBtn2")->click();  // "Smooth"
    for (int k = 4; k <= 6; ++k) QVERIFY(median.PanelAction(k)->isVisible());
    QCOMPARE(median.Panel(6)->Title(), QStringLiteral("Removed part"));
    QVERIFY(median.Button("Go_1D")->isEnabled());
    median.Button("SaveBitBtn")->click();  // "Replace original data by smoothed "
    QVERIFY(!median.Button("SaveBitBtn")->isEnabled());
    median.close();

    window.Command(QStringLiteral("aRes2dInv"))->trigger();
    const QByteArray fromWindow = Bytes(windowFile);
    QVERIFY(fromWindow != unfiltered);
    const QByteArray fromCli = CliFiltered(QStringLiteral("wenner32_topo.dat"),
                                           {QStringLiteral("--break"), QStringLiteral("20"), QStringLiteral("--window-c"),
                                            QStringLiteral("9")},
                                           QStringLiteral("res2dinv"), dir.filePath(QStringLiteral("cli.dat")));
    QVERIFY(!fromCli.isEmpty());
    QCOMPARE(fromWindow, fromCli);
  }

  void chargeabilityWindowGivesTheCliNumbers() {
    QTemporaryDir dir;
    FilterWindows w;
    tarvo::gui::TMain& window = w.window;
    const QString windowFile = dir.filePath(QStringLiteral("window.dat"));
    tarvo::gui::AttachConverterCommands(window, [&](const SaveDialogSetup&) { return std::optional(windowFile); });
    tarvo::gui::test::OpenExample(window, "mixed32_ip.dat", 4);
    tarvo::gui::TmedianIPform& medianIP = w.medianIP;

    QVERIFY(medianIP.Prepare(window.Shell().grid));
    QCOMPARE(medianIP.windowTitle(), QStringLiteral("Median filtering for IP data"));
    QVERIFY(medianIP.PanelAction(1)->isVisible());
    QVERIFY(!medianIP.PanelAction(2)->isVisible());
    QVERIFY(!medianIP.Button("SaveBitBtn")->isEnabled());
    medianIP.findChild<QSlider*>(QStringLiteral("TrackBarX"))->setValue(3);
    QCOMPARE(medianIP.findChild<QLabel*>(QStringLiteral("LabelRw"))->text(), QStringLiteral("dX=3;  dY=3"));
    medianIP.Button("BitBtn2")->click();
    QVERIFY(medianIP.PanelAction(2)->isVisible() && medianIP.PanelAction(3)->isVisible());
    QCOMPARE(medianIP.Panel(3)->Title(), QStringLiteral("Removed part"));
    medianIP.Button("SaveBitBtn")->click();
    // Two array types: the general format.
    window.Command(QStringLiteral("aRes2dInv_new"))->trigger();
    const QByteArray fromWindow = Bytes(windowFile);
    QVERIFY(!fromWindow.isEmpty());
    const QByteArray fromCli = CliFiltered(QStringLiteral("mixed32_ip.dat"),
                                           {QStringLiteral("--ip"), QStringLiteral("--window-x"), QStringLiteral("3")},
                                           QStringLiteral("res2dinv-general"), dir.filePath(QStringLiteral("cli.dat")));
    QVERIFY(!fromCli.isEmpty());
    QCOMPARE(fromWindow, fromCli);
  }
};

QTEST_MAIN(TestMedianWindows)
#include "test_median_windows.moc"
