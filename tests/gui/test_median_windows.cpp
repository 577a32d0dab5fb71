// The median-filter windows: their panels and actions on the examples, and
// the filtered data they take back, which give the same file as
// tarvo-cli filter with the same choices.
#include <QtTest>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>

#include "engine/core/dataset.h"
#include "engine/display/display_state.h"
#include "gui/editing/filter_panel.h"
#include "gui/editing/median_windows.h"
#include "gui/export/converter_commands.h"
#include "gui/shell/main_window.h"
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

  void resistivityWindowGivesTheCliNumbers() {
    QTemporaryDir dir;
    tarvo::TDataset dataset;
    tarvo::RecordingMessenger messages;
    tarvo::gui::TMain window(dataset);
    window.SetMessenger(&messages);
    const QString windowFile = dir.filePath(QStringLiteral("window.dat"));
    tarvo::gui::AttachConverterCommands(window, [&](const SaveDialogSetup&) { return std::optional(windowFile); });
    tarvo::DisplayState display;
    tarvo::MedianSettings settings;
    tarvo::MedianIPSettings ipSettings;
    tarvo::gui::TmedianXform median(dataset, display, settings);
    tarvo::gui::TmedianIPform medianIP(dataset, display, ipSettings);
    tarvo::gui::AttachMedianFilters(window, median, medianIP);
    tarvo::gui::test::OpenExample(window, "wenner32_topo.dat", 4);
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
    tarvo::gui::FilterPanel* data = median.Panel(1);
    data->repaint();
    const QPoint middle = data->rect().center();
    const int station = data->StationAt(middle.x());
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
    tarvo::TDataset dataset;
    tarvo::RecordingMessenger messages;
    tarvo::gui::TMain window(dataset);
    window.SetMessenger(&messages);
    const QString windowFile = dir.filePath(QStringLiteral("window.dat"));
    tarvo::gui::AttachConverterCommands(window, [&](const SaveDialogSetup&) { return std::optional(windowFile); });
    tarvo::DisplayState display;
    tarvo::MedianSettings settings;
    tarvo::MedianIPSettings ipSettings;
    tarvo::gui::TmedianXform median(dataset, display, settings);
    tarvo::gui::TmedianIPform medianIP(dataset, display, ipSettings);
    tarvo::gui::AttachMedianFilters(window, median, medianIP);
    tarvo::gui::test::OpenExample(window, "mixed32_ip.dat", 4);

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
