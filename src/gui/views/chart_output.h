#pragma once

#include <QByteArray>
#include <QString>

class QCustomPlot;
class QPushButton;
class QWidget;

// What every chart window does with its chart: the clipboard gets it as a
// bitmap and as SVG, a file gets it as PNG, SVG or PDF.
namespace tarvo::gui {

// The chart as an SVG picture of its size on screen.
QByteArray ChartSvg(QCustomPlot& chart);

// The chart to the clipboard: the bitmap only ("Copy BMP"), or the bitmap
// together with the SVG picture ("Copy EMF": the scalable picture that
// takes the place of a metafile).
void CopyChartBitmap(QCustomPlot& chart);
void CopyChartPicture(QCustomPlot& chart);

// Writes the chart as PNG, SVG or PDF by the file name's extension (PNG
// when it is none of them); false when the file could not be written.
bool SaveChartFile(QCustomPlot& chart, const QString& path);

// Asks for a file name and saves the chart; a failure is reported in a
// message box titled with the parent's caption.
void SaveChartAs(QCustomPlot& chart, QWidget* parent);

// The buttons every chart window carries: "Copy EMF" (bitmap and SVG),
// "Copy BMP" and "Save...", made in `parent` and wired to `chart`; the save
// dialog and its message belong to `window`.
struct ChartPictureButtons {
  QPushButton* copyPicture;
  QPushButton* copyBitmap;
  QPushButton* save;
};
ChartPictureButtons MakeChartPictureButtons(QCustomPlot& chart, QWidget* parent, QWidget* window);

}  // namespace tarvo::gui
