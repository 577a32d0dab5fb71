// Interactive timings at full capacity, as the operator meets them: start-up
// until the main window is shown, "Open" of a 500-point file until every
// window has refreshed and repainted, and a threshold change until the table
// window and the counts of the main window are repainted. Run offscreen
// (QT_QPA_PLATFORM=offscreen); each figure is QtTest's wall time.
#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>
#include <QImage>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>

#include "drawing/section_picture.h"
#include "engine/display/pseudo_panels.h"
#include <QPainter>
#include "engine/core/dataset.h"
#include "engine/display/color_table.h"
#include "engine/display/contour_map.h"
#include "engine/display/display_state.h"
#include "map_grid.h"
#include "gui/editing/table_window.h"
#include "gui/export/converter_commands.h"
#include "full_capacity_files.h"
#include "gui/sequences/sequence_commands.h"
#include "gui/shell/main_window.h"
#include "gui/shell/open_dialog.h"
#include "gui/views/section_window.h"
#include "gui/editing/median_windows.h"
#include "median_line.h"
#include <QSlider>
#include <QPushButton>

namespace tarvo::gui {
namespace {


// The windows of the program, made as the program's entry makes them.
struct Windows {
  TDataset dataset;
  TMain main;
  DisplayState display;
  TSectForm section;
  TTableForm table;
  bench::NullMessenger messenger;

  explicit Windows(const TMain::Paths& paths) : main(dataset, paths), section(dataset, display), table(dataset) {
    AttachTableWindow(main, table);
    AttachSectionWindow(main, table, section, nullptr);
    AttachConverterCommands(main);
    AttachSequenceCommands(main);
    main.SetMessenger(&messenger);
    main.LoadSettings();
    main.show();
  }

  // Paints every shown window now, then lets the queued events run.
  void Repaint() {
    main.repaint();
    if (table.isVisible()) table.repaint();
    if (section.isVisible()) section.PaintBox()->repaint();
    QCoreApplication::processEvents();
  }

  // Paints what the windows marked for repainting, as the event loop does
  // after an operator's action: only the widgets (and their parts) that
  // asked for it.
  void PaintPending() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
  }

  void Open(const bench::ReaderCase& c) {
    const QString file = FromEnginePath(c.file);
    const int filter = c.filterIndex;
    main.SetFileDialog([file, filter](const OpenDialogSetup&) {
      return std::optional<OpenDialogChoice>(OpenDialogChoice{{file}, filter, false});
    });
    main.OpenBtnClick();
    QCoreApplication::processEvents();
    Repaint();
  }
};

// A 20 000-point Prosys file on 256 electrodes open, the table window shown.
void OpenScaled(Windows& w) {
  const std::string file = bench::ScaledProsysFile(20000, 256);
  w.Open(bench::ReaderCase{"scaled", file, 7, {file}, ""});
  w.table.show();
  const bool exposed = QTest::qWaitForWindowExposed(&w.table);
  Q_UNUSED(exposed);
  QCoreApplication::processEvents();
}

}  // namespace

class BenchWindows : public QObject {
  Q_OBJECT

private:
  QTemporaryDir settingsDir_;
  TMain::Paths Paths() const { return {QCoreApplication::applicationDirPath(), settingsDir_.path()}; }

private slots:
  void initTestCase() {
    QVERIFY(settingsDir_.isValid());
    bench::Files();  // every file written before the first timing
  }

  // A track bar of the "Median" window moved after "Smooth" on a
  // 2 000-point Wenner set: the smoothing again, the smoothed panels with
  // their common colour scale, and the "Smoothed P&C" chart, until the
  // window has repainted.
  void medianTrackBar_data() {
    QTest::addColumn<QString>("bar");
    QTest::addColumn<int>("low");
    QTest::addColumn<int>("high");
    QTest::newRow("residual window") << QStringLiteral("TrackBarX") << 5 << 7;
    QTest::newRow("C-effect window") << QStringLiteral("TrackBarC") << 7 << 9;
  }
  void medianTrackBar() {
    QFETCH(QString, bar);
    QFETCH(int, low);
    QFETCH(int, high);
    Windows w(Paths());
    const std::string file = bench::WennerLineFile(2000);
    w.Open(bench::ReaderCase{"wenner", file, 4, {file}, ""});
    QCOMPARE(w.dataset.PointCount, 2000);
    MedianSettings settings;
    TmedianXform median(w.dataset, w.display, settings);
    AttachEffectsCharts(median);
    QVERIFY(median.Prepare(w.main.Shell().grid));
    median.resize(1600, 1000);
    median.show();
    QVERIFY(QTest::qWaitForWindowExposed(&median));
    median.Button("BitBtn2")->click();  // "Smooth"
    QVERIFY(median.Filter().Smoothed());
    QCoreApplication::processEvents();
    median.repaint();
    auto* slider = median.findChild<QSlider*>(bar);
    QVERIFY(slider != nullptr);
    bool up = false;
    QBENCHMARK {
      up = !up;
      slider->setValue(up ? high : low);
      QCoreApplication::processEvents();
      median.repaint();
    }
    QCOMPARE(bar == QStringLiteral("TrackBarX") ? median.Filter().Settings().WindowX : median.Filter().Settings().WindowC,
             slider->value());
  }

  // From nothing to the shown, painted main window with every window made.
  void startUp() {
    std::unique_ptr<Windows> w;
    QBENCHMARK {
      w.reset();
      w = std::make_unique<Windows>(Paths());
      QCoreApplication::processEvents();
      w->Repaint();
    }
    QVERIFY(w->main.isVisible());
  }

  // "Open" of the Prosys file (500 points with IP windows and SP, the
  // widest table) until every window has refreshed.
  void openFullFile() {
    Windows w(Paths());
    const bench::ReaderCase& c = bench::Files().Reader("Open/Prosys");
    w.Open(c);
    w.table.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.table));
    QBENCHMARK { w.Open(c); }
    QCOMPARE(w.dataset.PointCount, bench::FixturePoints);
  }

  // The deviation threshold stepped up and down: the recount, the red frames
  // of the table window and the counts of the main window repainted.
  void thresholdChange() {
    Windows w(Paths());
    w.Open(bench::Files().Reader("Open/Prosys"));
    w.table.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.table));
    QSpinBox* errE = w.table.ErrE();
    // Readings of 6.5 % deviation are bad at 1 % and good at 9 %.
    constexpr int strict = 1;
    constexpr int loose = 9;
    errE->setValue(loose);
    const int badLoose = w.dataset.BadCount;
    errE->setValue(strict);
    QVERIFY(w.dataset.BadCount > badLoose);
    bool loosen = false;
    QBENCHMARK {
      loosen = !loosen;
      errE->setValue(loosen ? loose : strict);
      w.Repaint();
    }
    QCOMPARE(w.dataset.Thresholds.ErrorLimit, errE->value());
  }

  // The configuration window at 1600 x 420 with its colour map, on a
  // 20 000-point line: "Redraw" lays the picture out anew (grid, map,
  // symbols) and paints it.
  void configurationRedraw() {
    Windows w(Paths());
    OpenScaled(w);
    w.section.resize(1600, 420);
    w.section.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.section));
    QVERIFY(w.section.MapOn());
    QBENCHMARK {
      w.section.Redraw();
      w.section.PaintBox()->repaint();
    }
    QCOMPARE(w.dataset.PointCount, 20000);
  }

  // Delete of a picked point and Delete again on the 20 000-point line: the
  // mark, the recount, the configuration window laid out and painted anew,
  // the table row and the main window's counts, each painted as the windows
  // ask for it.
  void configurationDelete() {
    Windows w(Paths());
    OpenScaled(w);
    w.section.resize(1600, 420);
    w.section.show();
    w.table.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.section));
    const int point = w.dataset.PointCount / 2;
    w.section.ShowDataPoint(point);
    w.PaintPending();
    const int before = w.dataset.BadCount;
    const std::uint64_t layouts = w.section.View().SceneGeneration();
    std::uint64_t runs = 0;
    QBENCHMARK {
      w.section.DeleteMClick();
      w.PaintPending();
      ++runs;
    }
    QVERIFY(w.dataset.BadCount == before || w.dataset.BadCount == before + 1);
    // Every Delete was laid out and painted within its timing.
    QCOMPARE(w.section.View().SceneGeneration() - layouts, runs);
  }

  // A resize of the configuration window by one pixel on the 20 000-point
  // line: everything laid out and drawn again, the map's band fill and
  // image included (a Redraw of unchanged data keeps those).
  void configurationResize() {
    Windows w(Paths());
    OpenScaled(w);
    w.section.resize(1600, 420);
    w.section.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.section));
    QVERIFY(w.section.MapOn());
    bool wide = false;
    QBENCHMARK {
      wide = !wide;
      w.section.resize(wide ? 1601 : 1600, 420);
      w.section.PaintBox()->repaint();
    }
    QVERIFY(!w.section.View().Map().Spans.empty());
  }

  // The table window on long lines: it shows every reading of a
  // 100 000-point file through its model, without a widget per row, and
  // scrolling, a threshold change with its red frames and a column resize
  // of a 20 000-point file stay within one frame.
  void tableHundredThousandRows() {
    Windows w(Paths());
    const std::string file = bench::ScaledProsysFile(100000, 1024);
    const bench::ReaderCase c{"scaled", file, 7, {file}, ""};
    QBENCHMARK_ONCE { w.Open(c); }
    QCOMPARE(w.dataset.PointCount, 100000);
    w.table.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.table));
    auto* grid = w.table.findChild<QTableView*>(QStringLiteral("StringGrid"));
    QVERIFY(grid != nullptr);
    QVERIFY(grid->model()->rowCount() >= 100000);
    QVERIFY(grid->indexWidget(grid->model()->index(50000, 1)) == nullptr);
  }

  void tableScroll() {
    Windows w(Paths());
    OpenScaled(w);
    auto* grid = w.table.findChild<QTableView*>(QStringLiteral("StringGrid"));
    QVERIFY(grid != nullptr);
    QScrollBar* bar = grid->verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    int step = 0;
    QBENCHMARK {
      step = (step + 1) % 20;
      bar->setValue(bar->maximum() * step / 20);
      grid->viewport()->repaint();
    }
  }

  // The threshold stepped on the 20 000-point line, each window painting
  // what it asks for: the table its rows whose frames change, the
  // configuration window anew, the main window its counts.
  void tableThreshold() {
    Windows w(Paths());
    OpenScaled(w);
    QSpinBox* errE = w.table.ErrE();
    w.PaintPending();
    QVERIFY(w.section.isVisible());
    const std::uint64_t layouts = w.section.View().SceneGeneration();
    std::uint64_t runs = 0;
    bool loosen = false;
    QBENCHMARK {
      loosen = !loosen;
      errE->setValue(loosen ? 9 : 1);
      w.PaintPending();
      ++runs;
    }
    QCOMPARE(w.dataset.Thresholds.ErrorLimit, errE->value());
    // Every change was laid out and painted in the configuration window within its timing.
    QCOMPARE(w.section.View().SceneGeneration() - layouts, runs);
  }

  void tableColumnResize() {
    Windows w(Paths());
    OpenScaled(w);
    auto* grid = w.table.findChild<QTableView*>(QStringLiteral("StringGrid"));
    QVERIFY(grid != nullptr);
    bool wide = false;
    QBENCHMARK {
      wide = !wide;
      grid->horizontalHeader()->resizeSection(2, wide ? 140 : 70);
      grid->viewport()->repaint();
    }
    QCOMPARE(grid->horizontalHeader()->sectionSize(2), wide ? 140 : 70);
  }

  // The spans of a 2000-station x 200-level map painted into its 1600 x 600
  // off-screen image, one filled rectangle each, in the 21 first colours.
  void paintMap() {
    const bench::MapBenchGrid g;
    FilledMap map;
    BuildFilledMap(g.Input(), g.levels, map);
    ColorTable colors;
    SetFirstMapColors(colors);
    const std::vector<QRgb> classColors = drawing::ClassColors(colors);
    QImage image(bench::MapBenchGrid::Width, bench::MapBenchGrid::Height, QImage::Format_RGB32);
    QBENCHMARK {
      image.fill(Qt::white);
      drawing::PaintSpans(image, QPoint(0, 0), map.Spans, classColors);
    }
    QVERIFY(!map.Spans.empty());
    QVERIFY(image.pixel(800, 300) != qRgb(255, 255, 255));
  }

  // The same map from the grid: the band fill and the painting.
  void drawFilledMap() {
    const bench::MapBenchGrid g;
    FilledMap map;
    ColorTable colors;
    SetFirstMapColors(colors);
    const std::vector<QRgb> classColors = drawing::ClassColors(colors);
    QImage image(bench::MapBenchGrid::Width, bench::MapBenchGrid::Height, QImage::Format_RGB32);
    QBENCHMARK {
      BuildFilledMap(g.Input(), g.levels, map);
      image.fill(Qt::white);
      drawing::PaintSpans(image, QPoint(0, 0), map.Spans, classColors);
    }
    QVERIFY(!map.Spans.empty());
  }

  // One panel of the panels window at full capacity, 900 x 400 pixels with
  // its values posted over the map: the whole paint after a resize (layout,
  // band fill, map image, frame, posted values), and the repaint of an
  // unchanged panel from its kept map image.
  void paintPanel_data() {
    QTest::addColumn<bool>("layoutDirty");
    QTest::newRow("after resize") << true;
    QTest::newRow("repaint") << false;
  }
  void paintPanel() {
    QFETCH(bool, layoutDirty);
    const TDataset ds = bench::LoadedDataset("Open/Prosys");
    SectionOptions options;
    options.Titles = true;
    std::vector<PseudoPanel> panels;
    BuildPanels(ds, GridSettings{}, options, true, panels);
    QVERIFY(!panels.empty());
    panels.front().Mode = PanelMode::MapAndPost;
    ColorTable colors;
    SetFirstMapColors(colors);
    QImage image(900, 400, QImage::Format_RGB32);
    drawing::PanelPicture picture;
    QBENCHMARK {
      if (layoutDirty) picture.MarkDirty();
      QPainter p(&image);
      p.setFont(drawing::PanelFont());
      picture.Paint(p, image.rect(), panels.front(), options, colors);
    }
    QVERIFY(picture.Layout().drawn);
  }
};

}  // namespace tarvo::gui

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  tarvo::gui::BenchWindows bench;
  return QTest::qExec(&bench, argc, argv);
}

#include "bench_windows.moc"
