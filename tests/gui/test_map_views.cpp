#include <QtTest>

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QSvgRenderer>
#include <QTemporaryDir>

#include <cmath>

#include "drawing/markup_painter.h"
#include "drawing/picture_output.h"
#include "drawing/section_picture.h"
#include "engine/core/dataset.h"
#include "engine/display/display_state.h"
#include "gui/shell/main_window.h"
#include "gui/views/contour_commands.h"
#include "gui/views/section_option_dlg.h"
#include "open_example.h"

using tarvo::FillColors;
using tarvo::PaletteRGB;

class TestMapViews : public QObject {
  Q_OBJECT

private:
  tarvo::TDataset dataset_;
  tarvo::DisplayState display_;
  tarvo::RecordingMessenger messages_;
  std::unique_ptr<tarvo::gui::TMain> window_;
  std::unique_ptr<tarvo::gui::TSectionOptionDlg> dialog_;
  tarvo::gui::ContourCommands* commands_ = nullptr;
  QTemporaryDir dir_;

  void Trigger(const char* name) {
    QAction* a = window_->Command(QString::fromLatin1(name));
    QVERIFY2(a != nullptr, name);
    QVERIFY2(a->isEnabled(), name);
    a->trigger();
  }
  QString Caption(const char* name) { return window_->Command(QString::fromLatin1(name))->text(); }

  // Leaves a range edit after typing `text` into it, as the operator would.
  void TypeRange(const char* name, const QString& text) {
    QLineEdit* edit = dialog_->Edit(name);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
    emit edit->editingFinished();
  }

private slots:
  void init() {
    dataset_ = tarvo::TDataset{};
    display_ = tarvo::DisplayState{};
    tarvo::SetFirstMapColors(display_.Colors);
    window_ = std::make_unique<tarvo::gui::TMain>(dataset_);
    window_->SetMessenger(&messages_);
    dialog_ = std::make_unique<tarvo::gui::TSectionOptionDlg>(display_, messages_);
    commands_ = tarvo::gui::AttachContourCommands(*window_, display_, dialog_.get());
  }

  void cleanup() {
    dialog_.reset();
    window_.reset();
    messages_.entries.clear();
  }

  void colourCommandsChangeTheTableWithoutAMap() {
    QSignalSpy changed(commands_, &tarvo::gui::ContourCommands::ColorsChanged);
    QCOMPARE(display_.Colors.Count, 21);  // the first maps' pale colours
    commands_->UpdateMenu();
    QCOMPARE(Caption("Increase1"), QStringLiteral("Increase (41 colors)"));
    QCOMPARE(Caption("Decrease1"), QStringLiteral("Decrease (11 colors)"));
    Trigger("Increase1");
    QCOMPARE(display_.Colors.Count, 41);
    Trigger("Increase1");
    QCOMPARE(display_.Colors.Count, 81);
    // 81 colours: no further increase from the menu.
    QVERIFY(!window_->Command(QStringLiteral("Increase1"))->isEnabled());
    QCOMPARE(Caption("Decrease1"), QStringLiteral("Decrease (41 colors)"));
    Trigger("Decrease1");
    Trigger("Decrease1");
    Trigger("Decrease1");
    QCOMPARE(display_.Colors.Count, 11);
    QVERIFY(!window_->Command(QStringLiteral("Decrease1"))->isEnabled());  // never below 11 from the menu
    Trigger("Reset1");
    QCOMPARE(display_.Colors.Colors[1], PaletteRGB(0, 0, 0));
    Trigger("Pale1");
    QCOMPARE(display_.Colors.Colors[1], PaletteRGB(85, 85, 85));
    QCOMPARE(changed.count(), 7);
    // The commands have their work: no "not available yet" any longer.
    QVERIFY(!window_->Command(QStringLiteral("Reset1"))->toolTip().contains(QStringLiteral("not available")));
  }

  void rangeCommandsWidenAndReadsRestore() {
    QSignalSpy changed(commands_, &tarvo::gui::ContourCommands::RangeChanged);
    commands_->UpdateMenu();
    // Without data and without the configuration window's map the range
    // commands are hidden, but they still act when run.
    QVERIFY(!window_->Command(QStringLiteral("Max1"))->isVisible());
    QVERIFY(!window_->Command(QStringLiteral("Default1"))->isVisible());
    window_->Command(QStringLiteral("Max1"))->trigger();
    window_->Command(QStringLiteral("Max1"))->trigger();
    window_->Command(QStringLiteral("Min1"))->trigger();
    QCOMPARE(display_.Multipliers.Max, 2.0f);
    QVERIFY(std::fabs(display_.Multipliers.Min - std::sqrt(2.0f)) < 1e-6f);
    QCOMPARE(changed.count(), 3);
    window_->Command(QStringLiteral("Default1"))->trigger();
    QCOMPARE(display_.Multipliers.Max, 1.0f);
    window_->Command(QStringLiteral("Max1"))->trigger();
    tarvo::gui::test::OpenExample(*window_, "wenner32.001", 1);
    QCOMPARE(display_.Multipliers.Max, 1.0f);  // every file opened restores them

    // With measured data and the map on, "Min" and "Max" show, "Default" only once widened.
    window_->Command(QStringLiteral("aIso"))->setChecked(true);
    commands_->UpdateMenu();
    QVERIFY(window_->Command(QStringLiteral("Max1"))->isVisible());
    QVERIFY(!window_->Command(QStringLiteral("Default1"))->isVisible());
    window_->Command(QStringLiteral("Min1"))->trigger();
    QVERIFY(window_->Command(QStringLiteral("Default1"))->isVisible());
    tarvo::ContourLevels levels;
    tarvo::LogLevels(levels, tarvo::MapLevelsPerDecade, 10, 10, 1000);
    commands_->SetConfigurationLevels(&levels);
    commands_->UpdateMenu();
    QCOMPARE(Caption("Min1"), QStringLiteral("Decrease min (10 Ohm.m)"));
    QCOMPARE(Caption("Max1"), QStringLiteral("Increase max (1000 Ohm.m)"));
  }

  void contoursMenuOpensTheSectionOptions() {
    auto* menu = window_->findChild<QMenu*>(QStringLiteral("ContoursMenu"));
    QVERIFY(menu != nullptr);
    QAction* options = nullptr;
    for (QAction* a : menu->actions()) {
      if (a->objectName() == QLatin1String("SectionOptions1")) options = a;
    }
    QVERIFY(options != nullptr);
    QTimer::singleShot(0, dialog_.get(), [this] { dialog_->reject(); });
    options->trigger();
    QVERIFY(!dialog_->isVisible());
  }

  void dialogShowsTheOptionsAndKeepsFlagsForOk() {
    display_.Options.Titles = true;
    display_.Options.Title = "Line 7";
    display_.Options.ManualMin = 12.5f;
    dialog_->show();
    QVERIFY(dialog_->Box("TitleBox")->isChecked());
    QCOMPARE(dialog_->Edit("Pseudo")->text(), QStringLiteral("Line 7"));
    QCOMPARE(dialog_->Edit("EditMin1")->text(), QStringLiteral("12.5"));
    QCOMPARE(dialog_->Edit("AB_2")->maxLength(), 20);
    QCOMPARE(dialog_->windowTitle(), QStringLiteral("Section options"));

    dialog_->Box("RightAxisB")->setChecked(true);
    dialog_->reject();
    QVERIFY(!display_.Options.RightAxis);  // flags wait for OK
    dialog_->show();
    dialog_->Box("RightAxisB")->setChecked(true);
    dialog_->Box("ReverseB")->setChecked(true);
    QSignalSpy accepted(dialog_.get(), &tarvo::gui::TSectionOptionDlg::OptionsAccepted);
    dialog_->accept();
    QVERIFY(display_.Options.RightAxis);
    QVERIFY(display_.Options.Reverse);
    QCOMPARE(accepted.count(), 1);
  }

  void rangeEditsTakeOnlyPositiveNumbers() {
    display_.Options.ManualMin = 20;
    dialog_->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog_.get()));
    QVERIFY(dialog_->Box("MinBox1")->isChecked());
    TypeRange("EditMin1", QStringLiteral("0"));
    QVERIFY(!dialog_->Box("MinBox1")->isChecked());  // typing unchecks "Auto"
    QCOMPARE(dialog_->Edit("EditMin1")->text(), QStringLiteral("20"));
    QCOMPARE(display_.Options.ManualMin, 20.0f);
    TypeRange("EditMin1", QStringLiteral("-4"));
    QCOMPARE(display_.Options.ManualMin, 20.0f);
    TypeRange("EditMin1", QStringLiteral("  35.5"));
    QCOMPARE(display_.Options.ManualMin, 35.5f);
    QCOMPARE(dialog_->Edit("EditMin1")->text(), QStringLiteral("35.5"));
    // An edit still being typed in when the dialog closes is taken.
    QLineEdit* max = dialog_->Edit("EditMax1");
    max->setFocus();
    max->selectAll();
    QTest::keyClicks(max, QStringLiteral("777"));
    dialog_->accept();
    QCOMPARE(display_.Options.ManualMax, 777.0f);
  }

  void colourControlsActOnTheSharedTable() {
    dialog_->show();
    QSignalSpy changed(dialog_.get(), &tarvo::gui::TSectionOptionDlg::ColorsChanged);
    QSpinBox* count = dialog_->ColorCount();
    QCOMPARE(count->value(), 21);
    count->stepDown();  // Rainbow at 21: decrease
    QCOMPARE(display_.Colors.Count, 11);
    QCOMPARE(count->value(), 11);
    count->stepUp();
    QCOMPARE(display_.Colors.Count, 21);

    dialog_->FillButton(FillColors::Gradient)->click();
    QVERIFY(dialog_->Button("MinButton")->isEnabled());
    QCOMPARE(display_.Colors.Colors[1], PaletteRGB(15, 15, 15));
    QCOMPARE(display_.Colors.Colors[11], PaletteRGB(128, 128, 128));
    count->setValue(12);  // a ramp takes any count
    QCOMPARE(display_.Colors.Count, 12);
    QCOMPARE(display_.Colors.Colors[12], PaletteRGB(240, 240, 240));

    // Minimum, then a colour clicked in the preview.
    dialog_->SetColorChooser([](const QColor&) { return std::optional<QColor>(QColor(0, 0, 255)); });
    dialog_->Button("MinButton")->click();
    QCOMPARE(display_.Colors.Colors[1], PaletteRGB(0, 0, 255));
    QCOMPARE(display_.Options.GradientMid, tarvo::BlendColor(PaletteRGB(0, 0, 255), PaletteRGB(240, 240, 240), 1, 2));
    dialog_->SetColorChooser([](const QColor&) { return std::optional<QColor>(QColor(1, 2, 3)); });
    dialog_->PreviewClicked(0);  // the top: the highest colour
    QCOMPARE(display_.Colors.Colors[12], PaletteRGB(1, 2, 3));

    dialog_->FillButton(FillColors::Uniform)->click();
    QVERIFY(!dialog_->Button("MinButton")->isEnabled());
    QCOMPARE(display_.Colors.Count, 12);
    QCOMPARE(display_.Colors.Colors[1], PaletteRGB(0x44, 0x01, 0x54));

    dialog_->Button("ResetBtn")->click();
    QVERIFY(dialog_->FillButton(FillColors::Rainbow)->isChecked());
    QCOMPARE(display_.Colors.Count, 11);
    dialog_->Button("PaleBtn")->click();
    QCOMPARE(display_.Colors.Colors[1], PaletteRGB(85, 85, 85));
    QVERIFY(changed.count() >= 8);
    dialog_->reject();
  }

  void levelsFileSavedAndLoaded() {
    const QString path = dir_.filePath(QStringLiteral("range.lvl"));
    dialog_->SetFileChooser([path](bool, const QString&) { return std::optional<QString>(path); });
    display_.Options.ManualMin = 5;
    display_.Options.ManualMax = 5000;
    dialog_->show();
    dialog_->Button("SaveBt")->click();
    QVERIFY(QFileInfo::exists(path));
    QCOMPARE(dialog_->FileLabel()->text(), path);
    QVERIFY(dialog_->Box("FileBox")->isChecked());
    QVERIFY(display_.Options.LevelsFromFile);

    display_.Options.ManualMin = 1;
    display_.Options.ManualMax = 2;
    dialog_->Button("LoadBt")->click();
    QCOMPARE(display_.Options.ManualMin, 5.0f);
    QCOMPARE(display_.Options.ManualMax, 5000.0f);
    QCOMPARE(dialog_->Edit("EditMax1")->text(), QStringLiteral("5000"));

    QFile broken(path);
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("\r\nnot a number\r\n");
    broken.close();
    dialog_->Button("LoadBt")->click();
    QCOMPARE(messages_.entries.size(), std::size_t{1});
    QCOMPARE(display_.Options.ManualMax, 5000.0f);  // the range stays
    dialog_->reject();
  }

  void picturesAsPngSvgAndOnTheClipboard() {
    // A 3 x 2 grid drawn by the drawing library into both forms.
    std::vector<float> cells = {10, 20, 100, 200, 1000, 2000};
    const std::vector<float> stations = {0, 10, 20};
    const std::vector<float> spacing = {1, 2};
    tarvo::drawing::SectionData data;
    data.grid = tarvo::GridView{cells.data(), 2, 3, 2};
    data.stations = stations;
    data.spacing = spacing;
    data.range = {10, 2000};
    data.caption = "grid.dat";
    tarvo::SectionOptions options;
    options.Titles = true;
    tarvo::drawing::SectionPicture picture;
    const auto paint = [&](QPainter& p, const QSize& size) {
      picture.Paint(p, QRect(QPoint(0, 0), size), data, options, display_.Colors);
    };
    const QSize size(400, 200);
    QString error;
    const QString png = dir_.filePath(QStringLiteral("map.png"));
    const QString svg = dir_.filePath(QStringLiteral("map.svg"));
    QVERIFY2(tarvo::drawing::SavePicture(png, size, QStringLiteral("map"), paint, error), qPrintable(error));
    QVERIFY2(tarvo::drawing::SavePicture(svg, size, QStringLiteral("map"), paint, error), qPrintable(error));
    QCOMPARE(QImage(png).size(), size);
    QFile svgFile(svg);
    QVERIFY(svgFile.open(QIODevice::ReadOnly));
    const QByteArray svgText = svgFile.readAll();
    QVERIFY(svgText.contains("<text"));
    QVERIFY(svgText.contains("Pseudo cross-section (grid.dat)"));
    QVERIFY(QSvgRenderer(svgText).isValid());
    QVERIFY(!tarvo::drawing::SavePicture(dir_.filePath(QStringLiteral("map.bmp")), size, {}, paint, error));

    // The map's own pixels show the colours of the classes, low values at the left.
    const QImage image(png);
    const QRect plot = picture.PlotRect();
    const QColor leftEdge = image.pixelColor(plot.left() + 1, plot.center().y());
    const QColor rightEdge = image.pixelColor(plot.right() - 1, plot.center().y());
    QCOMPARE(leftEdge, tarvo::drawing::ToQColor(display_.Colors.ClassColor(tarvo::ColorClass(15, picture.Levels()))));
    QVERIFY(leftEdge != rightEdge);

    std::unique_ptr<QMimeData> mime(tarvo::drawing::PictureMimeData(size, QStringLiteral("map"), paint));
    QVERIFY(mime->hasImage());
    QCOMPARE(qvariant_cast<QImage>(mime->imageData()).size(), size);
    QVERIFY(mime->data(QString::fromLatin1(tarvo::drawing::SvgMimeType)).contains("<svg"));
  }
};

QTEST_MAIN(TestMapViews)
#include "test_map_views.moc"
