#include <QtTest>

#include <QAction>
#include <QFileInfo>
#include <QProcess>
#include <QImage>
#include <QPainter>
#include <QLabel>
#include <QListWidget>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>

#include <memory>

#include "engine/core/bad_points.h"
#include "engine/core/dataset.h"
#include "drawing/configuration_picture.h"
#include "engine/core/messenger.h"
#include "gui/editing/table_window.h"
#include "gui/shell/main_window.h"
#include "gui/views/section_window.h"
#include "open_example.h"

using tarvo::TDataset;
using tarvo::gui::TMain;
using tarvo::gui::TSectForm;
using tarvo::gui::TTableForm;

namespace {

constexpr int SyscalDataFilter = 1;
constexpr int SyscalSequenceFilter = 2;
constexpr int ProsysFilter = 7;

// The windows of the program as its entry makes and connects them.
struct Windows {
  TDataset dataset;
  tarvo::DisplayState display;
  TMain main;
  TSectForm section;
  TTableForm table;
  tarvo::RecordingMessenger messages;

  explicit Windows(const QString& settingsDir)
      : main(dataset, TMain::Paths{QStringLiteral(TARVO_PROGRAM_DIR), settingsDir}), section(dataset, display), table(dataset) {
    tarvo::gui::AttachTableWindow(main, table);
    tarvo::gui::AttachSectionWindow(main, table, section);
    main.SetMessenger(&messages);
    section.resize(1000, 400);
  }

  void Open(const char* example, int filter) {
    tarvo::gui::test::OpenExample(main, example, filter);
    QCoreApplication::processEvents();
  }

  void Append(const char* example, int filter) {
    const QString file = QStringLiteral(TARVO_EXAMPLES_DIR "/") + QLatin1String(example);
    main.SetFileDialog([file, filter](const tarvo::gui::OpenDialogSetup&) {
      return std::optional<tarvo::gui::OpenDialogChoice>(tarvo::gui::OpenDialogChoice{{file}, filter, false});
    });
    main.OpenBtnClick(tarvo::OpenCaller::Append);
    QCoreApplication::processEvents();
  }

  // The paint-box pixel of point i's symbol, after a redraw.
  QPoint PixelOf(int i) {
    section.PaintBox()->repaint();
    int x = 0;
    int y = 0;
    if (!section.View().PointPixel(i, x, y)) return {-1, -1};
    return {x, y};
  }

  void Click(const QPoint& pos) { QTest::mouseClick(section.PaintBox(), Qt::LeftButton, {}, pos); }

  QAction* Command(const char* name) { return main.Command(QString::fromLatin1(name)); }
};

}  // namespace

class TestSectionWindow : public QObject {
  Q_OBJECT

  QTemporaryDir settingsDir_;

private slots:
  void readShowsTheWindowUnderTheMainWindow() {
    Windows w(settingsDir_.path());
    QVERIFY(!w.section.isVisible());
    w.Open("wenner32.001", SyscalDataFilter);
    QVERIFY(w.section.isVisible());
    QVERIFY(w.Command("aPano")->isChecked());
    w.section.PaintBox()->repaint();
    QCOMPARE(w.section.View().Scene().marks.size(), std::size_t{153});
    QCOMPARE(w.section.View().Scene().electrodes.size(), std::size_t{32});
    // "Section On/Off" closes it; closing it unchecks the command.
    w.Command("aPano")->trigger();
    QVERIFY(!w.section.isVisible());
    w.Command("aPano")->trigger();
    QVERIFY(w.section.isVisible());
    w.section.close();
    QVERIFY(!w.Command("aPano")->isChecked());
  }

  void clickPicksAPointAndDeleteTwiceRestoresIt() {
    Windows w(settingsDir_.path());
    w.Open("wenner32.001", SyscalDataFilter);
    TDataset& ds = w.dataset;
    int good = 0;
    for (int i = 1; i <= ds.PointCount && good == 0; ++i) {
      if (!tarvo::IsBad(ds, i)) good = i;
    }
    QVERIFY(good > 0);
    const std::uint8_t q = ds.Points[good].Q;
    const int bad = ds.BadCount;

    w.Click(w.PixelOf(good));
    QCOMPARE(w.section.View().SelectedPoint(), good);
    QVERIFY(w.section.View().Marker().visible);
    QVERIFY(w.section.DeleteSb()->isEnabled());
    QCOMPARE(w.section.nD_p()->text(), QStringLiteral("N=%1").arg(good));
    QVERIFY(w.section.El_P()->text().startsWith(QStringLiteral("nA=")));
    QVERIFY(w.section.Roa_P()->text().contains(QStringLiteral("(q=%1)").arg(q)));
    // The table window selects the point's row.
    QCOMPARE(w.table.PageControl()->currentIndex(), 0);
    QCOMPARE(w.table.StringGrid()->currentIndex().row(), w.table.DataModel().RowOfPoint(good));

    QTest::mouseClick(w.section.DeleteSb(), Qt::LeftButton);
    QCOMPARE(int{ds.Points[good].Q}, q ^ tarvo::DeletedMark);
    QCOMPARE(ds.BadCount, bad + 1);
    QVERIFY(!w.section.View().Marker().visible);
    QVERIFY(w.section.View().Dirty());
    const QModelIndex cell = w.table.DataModel().index(w.table.DataModel().RowOfPoint(good), 2);
    QVERIFY(cell.data(tarvo::gui::BadRole).toBool());
    w.section.PaintBox()->repaint();
    QVERIFY(!w.section.View().Dirty());

    w.section.DeleteM()->trigger();
    QCOMPARE(ds.Points[good].Q, q);
    QCOMPARE(ds.BadCount, bad);
    QVERIFY(!cell.data(tarvo::gui::BadRole).toBool());

    // Ctrl+Z takes the last Delete back.
    QVERIFY(w.section.UndoM()->isEnabled());
    w.section.UndoM()->trigger();
    QCOMPARE(int{ds.Points[good].Q}, q ^ tarvo::DeletedMark);
    QVERIFY(!w.section.UndoM()->isEnabled());
  }

  void tableSelectionAndDeleteKeyActHere() {
    Windows w(settingsDir_.path());
    w.Open("wenner32.001", SyscalDataFilter);
    TDataset& ds = w.dataset;
    w.section.PaintBox()->repaint();
    const int point = 40;
    const QModelIndex row = w.table.DataModel().index(w.table.DataModel().RowOfPoint(point), 0);
    w.table.StringGrid()->selectionModel()->setCurrentIndex(row, QItemSelectionModel::ClearAndSelect |
                                                                     QItemSelectionModel::Rows);
    QCOMPARE(w.section.View().SelectedPoint(), point);
    QVERIFY(w.section.View().Marker().visible);
    const std::uint8_t q = ds.Points[point].Q;
    QTest::keyClick(w.table.StringGrid(), Qt::Key_Delete);
    QCOMPARE(int{ds.Points[point].Q}, q ^ tarvo::DeletedMark);

    // The electrode grid's selection picks the electrode here.
    w.table.PageControl()->setCurrentIndex(1);
    QVERIFY(QTest::qWaitForWindowExposed(&w.table));
    QTableView* electrodes = w.table.Table2Grid();
    const QRect third = electrodes->visualRect(w.table.ElectrodeModel().index(2, 0));
    QTest::mousePress(electrodes->viewport(), Qt::LeftButton, {}, third.center());
    QTest::mouseRelease(electrodes->viewport(), Qt::LeftButton, {}, third.center());
    QCOMPARE(w.section.View().SelectedPoint(), 0);
    QVERIFY(w.section.View().Marker().visible);
    QCOMPARE(w.section.View().Marker().x, w.section.View().Layout().PixelX(ds.ElectrodePos[3]));

    // A click on the electrode strip here selects the electrode's row there.
    w.table.PageControl()->setCurrentIndex(0);
    w.Click({w.section.View().Layout().PixelX(ds.ElectrodePos[5]), 2});
    QCOMPARE(w.table.PageControl()->currentIndex(), 1);
    QCOMPARE(electrodes->currentIndex().row(), 4);
  }

  void setSelectionRestrictsPickingAndShowsTheSet() {
    Windows w(settingsDir_.path());
    w.Open("wenner32.seq", SyscalSequenceFilter);
    w.Append("dipole32.seq", SyscalSequenceFilter);
    TDataset& ds = w.dataset;
    QCOMPARE(ds.SetCount, 2);
    auto* list = w.main.findChild<QListWidget*>(QStringLiteral("ListBox"));
    list->setCurrentRow(1);
    QCOMPARE(ds.SelectedSetEntry, 1);
    w.section.PaintBox()->repaint();
    const auto& scene = w.section.View().Scene();
    QCOMPARE(static_cast<int>(scene.setSquares.size()), ds.Sets[2].Last - ds.Sets[2].First + 1);
    // A click at a point of the first set picks the nearest of the second.
    w.Click(w.PixelOf(1));
    const int picked = w.section.View().SelectedPoint();
    QVERIFY(picked >= ds.Sets[2].First && picked <= ds.Sets[2].Last);
    QCOMPARE(w.section.nD_p()->text(), QStringLiteral("N=%1").arg(picked - ds.Sets[2].First + 1));
    // Selecting another set forgets the pick.
    list->setCurrentRow(0);
    QCOMPARE(w.section.View().SelectedPoint(), 0);
    QCOMPARE(w.section.nD_p()->text(), QString());
  }

  void mapFillsTheBandsOfMeasuredData() {
    Windows w(settingsDir_.path());
    w.Open("wenner32.001", SyscalDataFilter);
    QVERIFY(w.Command("aIso")->isChecked());
    QVERIFY(w.Command("aIso")->isEnabled());
    QCOMPARE(w.section.windowTitle(), QStringLiteral("Data and quadripoles configuration"));
    const QImage image = w.section.PictureImage();
    // Just under the first level at the middle of the line, off every tick.
    const tarvo::SectionLayout& l = w.section.View().Layout();
    const TDataset& ds = w.dataset;
    const int y = l.PixelY(ds.LevelSpacing[1]) + 3;
    const int x = l.PixelX((ds.ElectrodePos[1] + ds.ElectrodePos[ds.ElectrodePosCount]) / 2) + 3;
    QVERIFY(image.pixelColor(x, y) != QColor(255, 255, 255));
    QVERIFY(!w.section.View().Map().Spans.empty());
    w.Command("aIso")->trigger();
    QCOMPARE(w.section.PictureImage().pixelColor(x, y), QColor(255, 255, 255));
    QCOMPARE(w.section.windowTitle(), QStringLiteral("Configuration of array"));
  }

  void viewSwitchesRedraw() {
    Windows w(settingsDir_.path());
    w.Open("wenner32.001", SyscalDataFilter);
    w.section.PaintBox()->repaint();
    const auto& scene = w.section.View().Scene();
    QVERIFY(!scene.marks.empty());
    w.Command("DatapointsOnOff1")->trigger();
    w.section.PaintBox()->repaint();
    QVERIFY(scene.marks.empty());
    QCOMPARE(scene.electrodes.size(), std::size_t{32});
    w.Command("DatapointsOnOff1")->trigger();

    // Hiding two last lines draws two lines and marks their points.
    auto* upDown = w.main.findChild<QSpinBox*>(QStringLiteral("UpDown"));
    upDown->setValue(2);
    w.section.PaintBox()->repaint();
    QCOMPARE(scene.hiddenLines.size(), std::size_t{2});
    const int levels = w.dataset.LevelCount;
    int marked = 0;
    for (int i = 1; i <= w.dataset.PointCount; ++i) {
      if (w.dataset.Points[i].Level >= levels - 1 && tarvo::IsBad(w.dataset, i)) ++marked;
    }
    QVERIFY(marked > 0);
    int squares = 0;
    for (const auto& m : scene.marks) squares += m.symbol == tarvo::SectionSymbol::BadSquare;
    QCOMPARE(squares, w.dataset.BadCount);
  }

  // The window paints the data points pixel by pixel into its picture; they
  // must be the pixels the painter's lines and rectangles give (a clip
  // makes it draw them itself): measured data over the map and without it,
  // a sequence of two sets with the second one selected (planned crosses,
  // removed squares and the outlined squares in their three fills).
  void picturePixelsAreThePaintersPixels_data() {
    QTest::addColumn<QString>("first");
    QTest::addColumn<int>("filter");
    QTest::addColumn<QString>("second");
    QTest::addColumn<bool>("mapOn");
    QTest::newRow("data over the map") << "wenner32.001" << SyscalDataFilter << QString() << true;
    QTest::newRow("data without map") << "wenner32.001" << SyscalDataFilter << QString() << false;
    QTest::newRow("sequence, second set") << "wenner32.seq" << SyscalSequenceFilter << "dipole32.seq" << false;
  }

  void picturePixelsAreThePaintersPixels() {
    QFETCH(QString, first);
    QFETCH(int, filter);
    QFETCH(QString, second);
    QFETCH(bool, mapOn);
    Windows w(settingsDir_.path());
    w.Open(first.toLatin1().constData(), filter);
    if (!second.isEmpty()) {
      w.Append(second.toLatin1().constData(), filter);
      auto* list = w.main.findChild<QListWidget*>(QStringLiteral("ListBox"));
      list->setCurrentRow(1);
    }
    // A few removed or deleted points among the rest.
    TDataset& ds = w.dataset;
    for (int i = 3; i <= ds.PointCount; i += 17) tarvo::ToggleDeletedMark(ds.Points[i]);
    tarvo::CountBadPoints(ds);
    w.section.SetMapOn(mapOn);
    w.section.PaintBox()->repaint();
    const tarvo::SectionView& view = w.section.View();
    const tarvo::SectionScene& scene = view.Scene();
    QVERIFY(!scene.marks.empty());
    QCOMPARE(view.ShowsMap(), mapOn);
    if (!second.isEmpty()) QVERIFY(!scene.setSquares.empty());

    QImage map;
    tarvo::drawing::PaintConfigurationMap(view, map);
    const QSize size(view.Width(), view.Height());
    const auto render = [&](bool clipped) {
      QImage image(size, QImage::Format_RGB32);
      image.fill(Qt::black);
      QPainter p(&image);
      if (clipped) p.setClipRect(QRect(QPoint(0, 0), size));
      tarvo::drawing::PaintConfigurationPicture(p, view, w.section.PaintBox()->font(), &map);
      return image;
    };
    const QImage direct = render(false);
    const QImage painted = render(true);
    QCOMPARE(direct.size(), painted.size());
    int differing = 0;
    for (int y = 0; y < size.height(); ++y) {
      for (int x = 0; x < size.width(); ++x) differing += direct.pixel(x, y) != painted.pixel(x, y);
    }
    QCOMPARE(differing, 0);
    // And the symbols are there: the first good point's cross is blue, a
    // removed or deleted point's square red.
    const auto colorAt = [&](int i) {
      int x = 0;
      int y = 0;
      return view.PointPixel(i, x, y) ? direct.pixelColor(x, y) : QColor();
    };
    const bool sequence = ds.IsSequence();
    if (!sequence) QCOMPARE(colorAt(3), QColor(255, 0, 0));
  }

  // What the window shows follows a Delete and its restore, though it keeps
  // its picture and its map image between paints.
  void shownPictureFollowsDelete() {
    Windows w(settingsDir_.path());
    w.Open("wenner32.001", SyscalDataFilter);
    TDataset& ds = w.dataset;
    int good = 0;
    for (int i = 1; i <= ds.PointCount && good == 0; ++i) {
      if (!tarvo::IsBad(ds, i)) good = i;
    }
    QVERIFY(good > 0);
    const QPoint at = w.PixelOf(good);
    const auto shown = [&] { return w.section.PaintBox()->grab().toImage().pixelColor(at); };
    QCOMPARE(shown(), QColor(0, 0, 255));
    const QImage before = w.section.PictureImage();
    w.section.ShowDataPoint(good);
    w.section.DeleteMClick();
    QCOMPARE(shown(), QColor(255, 0, 0));
    // The map was drawn again without the point, as a fresh picture is.
    const QImage deleted = w.section.PictureImage();
    QVERIFY(deleted != before);
    QCOMPARE(w.section.PaintBox()->grab().toImage().convertToFormat(QImage::Format_RGB32).pixelColor(at),
             deleted.pixelColor(at));
    w.section.DeleteMClick();
    QCOMPARE(shown(), QColor(0, 0, 255));
    QVERIFY(w.section.PictureImage() == before);
  }

  void removeDoublePointsSelectsTheLastSet() {
    Windows w(settingsDir_.path());
    w.Open("wenner32.seq", SyscalSequenceFilter);
    w.Append("wenner32.seq", SyscalSequenceFilter);
    TDataset& ds = w.dataset;
    QVERIFY(ds.MergedCount > 0);
    QVERIFY(w.section.DoubleSB()->isEnabled());
    QVERIFY(w.section.RemoveDoubleM()->isEnabled());
    QVERIFY(!w.section.Putinoder1()->isEnabled());
    w.section.RemoveDoubleM()->trigger();
    QCOMPARE(ds.MergedCount, 0);
    QCOMPARE(ds.SelectedSetEntry, 1);
    for (int i = ds.Sets[2].First; i <= ds.Sets[2].Last; ++i) QVERIFY(ds.Points[i].Q < tarvo::QRepeated);
    QCOMPARE(ds.BadCount, ds.Sets[2].Last - ds.Sets[2].First + 1);
    QVERIFY(!w.section.DoubleSB()->isEnabled());
  }

  void rubberBandDeletesInOneStep() {
    Windows w(settingsDir_.path());
    w.Open("dipole32_ip.txt", ProsysFilter);
    TDataset& ds = w.dataset;
    w.section.PaintBox()->repaint();
    const QPoint a = w.PixelOf(1);
    QTest::mousePress(w.section.PaintBox(), Qt::LeftButton, {}, a - QPoint(30, 30));
    QTest::mouseMove(w.section.PaintBox(), a + QPoint(30, 30));
    QTest::mouseRelease(w.section.PaintBox(), Qt::LeftButton, {}, a + QPoint(30, 30));
    const std::vector<int> band = w.section.View().Band();
    QVERIFY(band.size() > 1);
    std::vector<std::uint8_t> before;
    for (int i = 1; i <= ds.PointCount; ++i) before.push_back(ds.Points[i].Q);
    w.section.DeleteMClick();
    for (int i : band) QVERIFY(tarvo::IsBad(ds, i));
    w.section.DeleteMClick();
    for (int i = 1; i <= ds.PointCount; ++i) QCOMPARE(ds.Points[i].Q, before[static_cast<std::size_t>(i - 1)]);
  }

  void pictureIsSavedAsPngAndSvg() {
    Windows w(settingsDir_.path());
    w.Open("wenner32.001", SyscalDataFilter);
    // The symbols alone, on the window colour.
    w.Command("aIso")->trigger();
    QVERIFY(!w.section.MapOn());
    QTemporaryDir dir;
    const QString png = dir.filePath(QStringLiteral("section.png"));
    const QString svg = dir.filePath(QStringLiteral("section.svg"));
    QVERIFY(w.section.SavePicture(png));
    QVERIFY(w.section.SavePicture(svg));
    const QImage image(png);
    QCOMPARE(image.size(), w.section.PaintBox()->size());
    // A bad point is a red square, a good one a blue cross.
    TDataset& ds = w.dataset;
    int bad = 0;
    int good = 0;
    for (int i = 1; i <= ds.PointCount; ++i) {
      if (tarvo::IsBad(ds, i)) bad = i;
      if (!tarvo::IsBad(ds, i) && ds.Points[i].Level == 1 && good == 0) good = i;
    }
    QVERIFY(bad > 0 && good > 0);
    const QPoint b = w.PixelOf(bad);
    const QPoint g = w.PixelOf(good);
    QCOMPARE(image.pixelColor(b + QPoint(3, 3)), QColor(255, 0, 0));
    QCOMPARE(image.pixelColor(g + QPoint(2, 0)), QColor(0, 0, 255));
    QCOMPARE(image.pixelColor(g + QPoint(1, 1)), QColor(255, 255, 255));
    QFile file(svg);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("<svg"));
  }

#ifdef TARVO_CLI
  // "Save picture" of the window and tarvo-cli configuration at the same
  // size give the same bytes.
  void pictureIsTheCommandLinesPicture() {
    Windows w(settingsDir_.path());
    w.Open("wenner32.001", SyscalDataFilter);
    const QSize size = w.section.PaintBox()->size();
    QTemporaryDir dir;
    for (const char* name : {"window.png", "window.svg"}) {
      const QString own = dir.filePath(QLatin1String(name));
      const QString other = dir.filePath(QStringLiteral("cli.") + QFileInfo(own).suffix());
      QVERIFY(w.section.SavePicture(own));
      QProcess cli;
      cli.start(QStringLiteral(TARVO_CLI),
                {QStringLiteral("configuration"), QStringLiteral(TARVO_EXAMPLES_DIR "/wenner32.001"),
                 QStringLiteral("--size"), QStringLiteral("%1x%2").arg(size.width()).arg(size.height()),
                 QStringLiteral("-o"), other});
      QVERIFY(cli.waitForFinished(60000));
      QCOMPARE(cli.exitCode(), 0);
      QFile a(own);
      QFile b(other);
      QVERIFY(a.open(QIODevice::ReadOnly));
      QVERIFY(b.open(QIODevice::ReadOnly));
      const QByteArray mine = a.readAll();
      QVERIFY(mine.size() > 1000);
      QVERIFY2(mine == b.readAll(), name);
    }
  }
#endif
};

QTEST_MAIN(TestSectionWindow)
#include "test_section_window.moc"
