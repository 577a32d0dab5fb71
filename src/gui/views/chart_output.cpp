#include "gui/views/chart_output.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSaveFile>
#include <QSvgGenerator>

#include <qcustomplot.h>

namespace tarvo::gui {

QByteArray ChartSvg(QCustomPlot& chart) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QSvgGenerator svg;
  svg.setOutputDevice(&buffer);
  svg.setSize(chart.size());
  svg.setViewBox(QRect(QPoint(0, 0), chart.size()));
  svg.setTitle(chart.window() != nullptr ? chart.window()->windowTitle() : chart.objectName());
  QCPPainter painter(&svg);
  chart.toPainter(&painter, chart.width(), chart.height());
  painter.end();
  return bytes;
}

void CopyChartBitmap(QCustomPlot& chart) {
  QApplication::clipboard()->setImage(chart.toPixmap().toImage());
}

void CopyChartPicture(QCustomPlot& chart) {
  auto* mime = new QMimeData;
  mime->setImageData(chart.toPixmap().toImage());
  mime->setData(QStringLiteral("image/svg+xml"), ChartSvg(chart));
  QApplication::clipboard()->setMimeData(mime);
}

bool SaveChartFile(QCustomPlot& chart, const QString& path) {
  if (path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive)) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    const QByteArray bytes = ChartSvg(chart);
    if (file.write(bytes) != bytes.size()) return false;
    return file.commit();
  }
  if (path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) {
    return chart.savePdf(path, chart.width(), chart.height());
  }
  return chart.savePng(path, chart.width(), chart.height());
}

void SaveChartAs(QCustomPlot& chart, QWidget* parent) {
  const QString path = QFileDialog::getSaveFileName(
      parent, QObject::tr("Save picture"), QString(),
      QObject::tr("PNG picture (*.png);;SVG picture (*.svg);;PDF document (*.pdf)"));
  if (path.isEmpty()) return;
  if (!SaveChartFile(chart, path)) {
    QMessageBox::critical(parent, parent != nullptr ? parent->windowTitle() : QString(),
                          QObject::tr("Cannot write %1").arg(path));
  }
}

ChartPictureButtons MakeChartPictureButtons(QCustomPlot& chart, QWidget* parent, QWidget* window) {
  const auto button = [parent](const char* name, const QString& caption, const QString& hint) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(hint);
    b->setStatusTip(hint);
    return b;
  };
  const ChartPictureButtons b{button("CopyEMF", QObject::tr("Copy EMF"), QObject::tr("Copy EMF image")),
                              button("CopyBMP", QObject::tr("Copy BMP"), QObject::tr("Copy BMP picture")),
                              button("SaveBtn", QObject::tr("Save..."), QObject::tr("Save the chart as PNG, SVG or PDF"))};
  QObject::connect(b.copyPicture, &QPushButton::clicked, window, [&chart] { CopyChartPicture(chart); });
  QObject::connect(b.copyBitmap, &QPushButton::clicked, window, [&chart] { CopyChartBitmap(chart); });
  QObject::connect(b.save, &QPushButton::clicked, window, [&chart, window] { SaveChartAs(chart, window); });
  return b;
}

}  // namespace tarvo::gui
