#include "drawing/picture_output.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QPainter>
#include <QSvgGenerator>

#include <string>

#include "engine/core/text_file.h"

namespace tarvo::drawing {

namespace {

constexpr int DotsPerMetre = static_cast<int>(PictureDpi / 0.0254 + 0.5);

}  // namespace

std::optional<PictureFormat> PictureFormatOf(const QString& path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix == QLatin1String("png")) return PictureFormat::Png;
  if (suffix == QLatin1String("svg")) return PictureFormat::Svg;
  return std::nullopt;
}

QImage RenderImage(const QSize& size, const PaintFunction& paint) {
  QImage image(size, QImage::Format_RGB32);
  image.setDotsPerMeterX(DotsPerMetre);
  image.setDotsPerMeterY(DotsPerMetre);
  image.fill(Qt::white);
  QPainter p(&image);
  paint(p, size);
  return image;
}

QByteArray PngBytes(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes;
}

QByteArray RenderSvg(const QSize& size, const QString& title, const PaintFunction& paint) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QSvgGenerator svg;
  svg.setOutputDevice(&buffer);
  svg.setSize(size);
  svg.setViewBox(QRect(QPoint(0, 0), size));
  svg.setResolution(PictureDpi);
  svg.setTitle(title);
  svg.setDescription(QStringLiteral("Tarvo"));
  {
    QPainter p(&svg);
    paint(p, size);
  }
  return bytes;
}

bool SavePicture(const QString& path, const QSize& size, const QString& title, const PaintFunction& paint,
                 QString& error) {
  const std::optional<PictureFormat> format = PictureFormatOf(path);
  if (!format) {
    error = QStringLiteral("%1: not a picture name (.png or .svg)").arg(path);
    return false;
  }
  const QByteArray bytes = *format == PictureFormat::Png ? PngBytes(RenderImage(size, paint)) : RenderSvg(size, title, paint);
  const FileReadResult written =
      WriteFileWhole(QFile::encodeName(path).toStdString(), std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  if (!written.ok) {
    error = QString::fromLocal8Bit(written.error.c_str());
    return false;
  }
  return true;
}

QMimeData* PictureMimeData(const QSize& size, const QString& title, const PaintFunction& paint) {
  auto* data = new QMimeData;
  data->setImageData(RenderImage(size, paint));
  data->setData(QString::fromLatin1(SvgMimeType), RenderSvg(size, title, paint));
  return data;
}

}  // namespace tarvo::drawing
