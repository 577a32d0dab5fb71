#include <QtTest>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolButton>

#include <qcustomplot.h>

#include "engine/core/bad_points.h"
#include "engine/core/ip_decay.h"
#include "engine/core/numbers.h"
#include "gui/editing/ip_parameters_window.h"
#include "gui/editing/table_window.h"
#include "gui/shell/main_window.h"
#include "gui/views/chart_output.h"
#include "gui/views/graph_window.h"
#include "gui/views/ip_chart_window.h"
#include "gui/views/sp_window.h"
#include "open_example.h"

using tarvo::TDataset;

namespace {

constexpr int ProsysFilter = 7;

// The windows of the program that the charts work with.
struct Windows {
  TDataset ds;
  tarvo::gui::TMain main{ds};
  tarvo::gui::TTableForm table{ds};
  tarvo::gui::TIPform ipForm{ds, &main};
  tarvo::gui::TIPchartForm chart{ds, ipForm, &main};
  tarvo::gui::TSPform sp{ds, &main};

  Windows() {
    tarvo::gui::AttachTableWindow(main, table);
    tarvo::gui::AttachIPChart(main, table, chart, nullptr);
    tarvo::gui::AttachSPWindow(main, sp);
  }
  void Open(const char* example) { tarvo::gui::test::OpenExample(main, example, ProsysFilter); }
  void SelectRow(int point) {
    table.StringGrid()->selectionModel()->setCurrentIndex(
        table.DataModel().index(table.DataModel().RowOfPoint(point), 1),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  }
  // The pixel of window i's value v on the chart.
  QPoint Pixel(double t, double v) const {
    return QPoint(static_cast<int>(chart.Chart()->xAxis->coordToPixel(t)),
                  static_cast<int>(chart.Chart()->yAxis->coordToPixel(v)));
  }
};

}  // namespace

class TestCharts : public QObject {
  Q_OBJECT

private slots:
  void decayChartFollowsTheSelectedRow() {
    Windows w;
    w.Open("dipole32_ip.txt");
    QVERIFY(w.ds.IPWindowCount == 20);
    QCOMPARE(static_cast<int>(w.ds.DecayFits.Misfit.size()), w.ds.PointCount + 1);  // fitted by the read
    QVERIFY(w.table.DecayBox()->isEnabled());
    w.SelectRow(3);
    w.table.DecayBox()->setChecked(true);
    QVERIFY(w.chart.isVisible());
    QCOMPARE(w.chart.Model().CurrentPoint(), 3);
    QCOMPARE(w.chart.Chart()->graph(0)->dataCount(), 20);
    QCOMPARE(w.chart.Chart()->graph(0)->data()->at(0)->value, static_cast<double>(w.ds.Points[3].M[1]));
    // The file has no window times: the schedule serves, and the window says so.
    QVERIFY(w.chart.SourceLabel()->text().contains(QStringLiteral("schedule 2 s, Arithmetic")));
    QCOMPARE(w.chart.ComboBoxFrom()->count(), 20);
    QCOMPARE(w.chart.ComboBoxFrom()->itemText(0), QStringLiteral("M1, 240"));
    QCOMPARE(w.chart.ComboBoxTo()->currentText(), QStringLiteral("M20, 1840"));
    QVERIFY(!w.chart.FitLabel()->text().isEmpty());

    w.SelectRow(9);
    QCOMPARE(w.chart.Model().CurrentPoint(), 9);
    QCOMPARE(w.chart.Chart()->graph(0)->data()->at(4)->value, static_cast<double>(w.ds.Points[9].M[5]));
    // The global chargeability line spans the window range at its height.
    QCOMPARE(w.chart.Chart()->graph(1)->dataCount(), 2);
    const double g = *tarvo::GlobalChargeability(w.ds.Points[9].M, w.ds.IPParameters.Windows, 1, 20);
    QCOMPARE(w.chart.Chart()->graph(1)->data()->at(0)->value, g);

    // Closing the chart unchecks the box; unchecking hides the chart.
    w.chart.close();
    QVERIFY(!w.table.DecayBox()->isChecked());
    w.table.DecayBox()->setChecked(true);
    QVERIFY(w.chart.isVisible());
    w.table.DecayBox()->setChecked(false);
    QVERIFY(!w.chart.isVisible());
  }

  void draggingAWindowStoresItAndUnDoRestores() {
    Windows w;
    w.Open("dipole32_ip.txt");
    w.SelectRow(7);
    w.table.DecayBox()->setChecked(true);
    w.chart.resize(579, 470);
    w.chart.Chart()->replot();
    const auto before = w.ds.Points[7].M;
    const float ipBefore = w.ds.Points[7].IP;
    const double t3 = w.ds.IPParameters.Windows.IPWindowCentres[3];
    const double target = before[3] * 0.5;
    QWidget* chart = w.chart.Chart();
    QTest::mousePress(chart, Qt::LeftButton, {}, w.Pixel(t3, before[3]));
    QMouseEvent first(QEvent::MouseMove, w.Pixel(t3, target), chart->mapToGlobal(w.Pixel(t3, target)), Qt::NoButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(chart, &first);  // the first move only arms the drag
    QCOMPARE(w.ds.Points[7].M[3], before[3]);
    QMouseEvent second(QEvent::MouseMove, w.Pixel(t3, target), chart->mapToGlobal(w.Pixel(t3, target)), Qt::NoButton,
                       Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(chart, &second);
    QTest::mouseRelease(chart, Qt::LeftButton, {}, w.Pixel(t3, target));
    QVERIFY(std::fabs(w.ds.Points[7].M[3] - target) < std::fabs(before[3]) * 0.05);
    for (int i = 1; i <= 20; ++i) {
      if (i != 3) QCOMPARE(w.ds.Points[7].M[i], before[i]);
    }
    QVERIFY(w.ds.Points[7].IP != ipBefore);
    QVERIFY(w.chart.bUnDo()->isEnabled());
    // The table row shows the new IP.
    const auto columns = w.table.DataModel().Columns();
    const int ipColumn = static_cast<int>(std::find(columns.begin(), columns.end(), tarvo::DataColumn::IP) - columns.begin());
    const QString shown = w.table.DataModel().data(w.table.DataModel().index(w.table.DataModel().RowOfPoint(7), ipColumn), Qt::DisplayRole).toString();
    QCOMPARE(shown, QString::fromStdString(tarvo::FormatValue(w.ds.Points[7].IP, 1)));

    w.chart.bUnDo()->click();
    QCOMPARE(w.ds.Points[7].M, before);
    QVERIFY(!w.chart.bUnDo()->isEnabled());
  }

  void recalculatingEveryIPAndTheMisfitThreshold() {
    Windows w;
    w.Open("dipole32_ip.txt");
    w.SelectRow(1);
    w.table.DecayBox()->setChecked(true);
    w.chart.ComboBoxFrom()->setCurrentIndex(4);
    w.chart.ComboBoxTo()->setCurrentIndex(9);
    w.chart.SpeedButton1()->click();
    for (int i = 1; i <= w.ds.PointCount; ++i) {
      QCOMPARE(w.ds.Points[i].IP, static_cast<float>(*tarvo::GlobalChargeability(w.ds.Points[i].M, w.ds.IPParameters.Windows, 5, 10)));
    }
    // "Max decay misfit" sits by the IP thresholds and rejects poor decays.
    const int bad = w.ds.BadCount;
    int good = 1;
    while (good < w.ds.PointCount && tarvo::IsBad(w.ds, good)) ++good;
    w.ds.Points[good].M[6] *= 3;  // one spiked window
    tarvo::FitDecays(w.ds);
    QVERIFY(!tarvo::IsBad(w.ds, good));  // off until it is set
    QTest::keyClicks(w.table.MaxDecayMisfitEdit(), QStringLiteral("5"));
    QCOMPARE(w.ds.Thresholds.MaxDecayMisfit, 5.0f);
    QVERIFY(tarvo::IsBad(w.ds, good));
    QVERIFY(w.ds.BadCount > bad);
  }

  void ipParametersChangeTheTimesAtOnce() {
    Windows w;
    w.Open("dipole32_ip.txt");
    QCOMPARE(w.ipForm.ValueListEditor1()->item(0, 1)->text(), QStringLiteral("240"));
    QCOMPARE(w.ipForm.ValueListEditor1()->item(20, 0)->text(), QStringLiteral("TM 20"));
    QVERIFY(!w.ipForm.BitBtn2()->isEnabled());
    w.ipForm.TypeGroup()->button(3)->click();  // "Cole-cole"
    QCOMPARE(w.ds.IPParameters.TypeIndex, 3);
    QCOMPARE(w.ipForm.ValueListEditor1()->item(0, 1)->text(), QStringLiteral("20"));
    QCOMPARE(w.chart.ComboBoxFrom()->itemText(0), QStringLiteral("M1, 20"));
  }

  void spWindowDeletesUndoesAndCopies() {
    Windows w;
    QVERIFY(!w.main.Command(QStringLiteral("ToolButton1"))->isEnabled());
    w.Open("dipole32_ip.txt");
    QVERIFY(w.ds.HasSP);
    QVERIFY(w.main.Command(QStringLiteral("ToolButton1"))->isEnabled());
    w.sp.FormShow();
    QCOMPARE(static_cast<int>(w.sp.Lines().size()), w.ds.LevelCount);
    QCOMPARE(w.sp.CheckListBox()->count(), w.ds.LevelCount);
    QCOMPARE(w.sp.ComboBox()->itemText(0), QString::fromStdString(w.sp.Lines()[0].Title));
    const std::size_t count = w.sp.Lines()[0].Points.size();
    QVERIFY(count > 2);

    w.sp.SelectPoint(0, 1);
    QVERIFY(w.sp.Label1()->text().startsWith(QString::fromStdString(w.sp.Lines()[0].Title) + QStringLiteral(",  X=")));
    QVERIFY(w.sp.DeleteBtn()->isEnabled());
    w.sp.DeleteBtn()->click();
    QCOMPARE(w.sp.Lines()[0].Points.size(), count - 1);
    QVERIFY(w.sp.UndoBtn()->isEnabled());
    QVERIFY(w.sp.Label1()->text().isEmpty());
    w.sp.UndoBtn()->click();
    QCOMPARE(w.sp.Lines()[0].Points.size(), count);
    QVERIFY(!w.sp.UndoBtn()->isEnabled());

    // Hiding the chosen line disables "Copy"; the export holds its points.
    w.sp.CheckListBox()->item(0)->setCheckState(Qt::Unchecked);
    QVERIFY(!w.sp.CopyBtn()->isEnabled());
    w.sp.CheckListBox()->item(0)->setCheckState(Qt::Checked);
    QVERIFY(w.sp.CopyBtn()->isEnabled());
    w.sp.CopyBtn()->click();
    const QStringList lines = QApplication::clipboard()->text().split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QCOMPARE(lines.first(), QStringLiteral("X\tSP0\tSP_mean"));
    QCOMPARE(lines.size(), static_cast<int>(count) + 1);
  }

  // The copies of the SP window and the decay chart are the texts of
  // tarvo-cli table --sp and --decay.
  void copiesAreTheCliTexts() {
    Windows w;
    w.Open("dipole32_ip.txt");
    const auto cli = [](const QStringList& what) {
      QProcess p;
      p.start(QStringLiteral(TARVO_PROGRAM_DIR "/tarvo-cli"),
              QStringList{QStringLiteral("table"), QStringLiteral(TARVO_EXAMPLES_DIR "/dipole32_ip.txt"),
                          QStringLiteral("--type"), QStringLiteral("prosys"), QStringLiteral("-o"), QStringLiteral("-")} +
                  what);
      return p.waitForFinished(60000) && p.exitCode() == 0 ? QString::fromLatin1(p.readAllStandardOutput()) : QString();
    };
    w.sp.FormShow();
    w.sp.ComboBox()->setCurrentIndex(1);
    w.sp.CopyBtn()->click();
    const QString sp = QApplication::clipboard()->text();
    QVERIFY(!sp.isEmpty());
    QCOMPARE(sp, cli({QStringLiteral("--sp"), QStringLiteral("2")}));

    w.SelectRow(30);
    w.table.DecayBox()->setChecked(true);
    w.chart.CopyClick();
    const QString decay = QApplication::clipboard()->text();
    QVERIFY(decay.startsWith(QStringLiteral("\tN\t")));
    QCOMPARE(decay, cli({QStringLiteral("--decay"), QStringLiteral("30")}));
  }

  void graphWindowSeriesKeepTheirOrder() {
    tarvo::gui::TGraphForm graph;
    graph.SetSeries(1, {0, 2, 1}, {1, 2, 3}, QStringLiteral("P effect"));
    graph.SetSeries(11, {1}, {1}, QStringLiteral("ignored"));
    QCOMPARE(graph.PointCount(1), 3);
    QCOMPARE(graph.PointCount(11), 0);
    QVERIFY(graph.Series(1)->visible());
    QVERIFY(!graph.Series(2)->visible());
    graph.ClearSeries();
    QCOMPARE(graph.PointCount(1), 0);
  }

  void chartsCopyAndSave() {
    tarvo::gui::TGraphForm graph;
    graph.resize(399, 363);
    graph.SetSeries(1, {0, 1, 2}, {1, 3, 2}, QStringLiteral("C effect"));
    tarvo::gui::CopyChartPicture(*graph.Chart());
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    QVERIFY(mime->hasImage());
    QVERIFY(mime->data(QStringLiteral("image/svg+xml")).startsWith("<?xml"));
    QTemporaryDir dir;
    for (const char* name : {"c.png", "c.svg", "c.pdf"}) {
      const QString path = dir.filePath(QLatin1String(name));
      QVERIFY(tarvo::gui::SaveChartFile(*graph.Chart(), path));
      QVERIFY(QFileInfo(path).size() > 100);
    }
    QVERIFY(!tarvo::gui::SaveChartFile(*graph.Chart(), dir.filePath(QStringLiteral("missing/c.svg"))));
  }
};

QTEST_MAIN(TestCharts)
#include "test_charts.moc"
