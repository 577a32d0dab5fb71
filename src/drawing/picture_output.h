#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <functional>
#include <optional>

class QMimeData;
class QPainter;

// Pictures of the maps: PNG (a bitmap) and SVG (lines, areas and text as
// vectors, the map itself as an embedded bitmap), written to files or put
// on the clipboard. Every picture comes from one paint function, so the
// window, the file and the clipboard show the same thing.
namespace tarvo::drawing {

// Paints a picture of the given size with its top-left corner at (0, 0).
using PaintFunction = std::function<void(QPainter&, const QSize&)>;

enum class PictureFormat { Png, Svg };

// The format a file name asks for by its extension (any case); none for
// other names.
std::optional<PictureFormat> PictureFormatOf(const QString& path);

// Resolution of every picture, so that text has the same size in both forms.
inline constexpr int PictureDpi = 96;

QImage RenderImage(const QSize& size, const PaintFunction& paint);
QByteArray PngBytes(const QImage& image);
QByteArray RenderSvg(const QSize& size, const QString& title, const PaintFunction& paint);

// Writes the picture whole (a temporary file renamed over the target).
// False with the platform's message in `error` when it fails, or when the
// name has no picture extension.
bool SavePicture(const QString& path, const QSize& size, const QString& title, const PaintFunction& paint,
                 QString& error);

// The picture for the clipboard: the bitmap and its SVG ("image/svg+xml").
QMimeData* PictureMimeData(const QSize& size, const QString& title, const PaintFunction& paint);

inline constexpr const char* SvgMimeType = "image/svg+xml";

}  // namespace tarvo::drawing
