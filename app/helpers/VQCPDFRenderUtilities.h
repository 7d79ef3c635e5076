#pragma once
// Drawing PDF pages into images, fitting geometry, and taking the images
// out of a page's resources into files.
#include <QImage>
#include <QMap>
#include <QPoint>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QTransform>
#include <functional>
#include <memory>
#include <optional>

#include "platform/pdf/PdfDocument.h"
#include "platform/pdf/PdfObject.h"

class QPainter;
class QPdfWriter;

namespace vq::app {

// Image scaling: 0 proportional, 1 axes independently, 2 none.
// Alignment: 0 centre, 1 top, 2 top left, 3 top right, 4 left, 5 bottom,
// 6 bottom left, 7 bottom right, 8 right (y grows upwards).
class VQCPDFRenderUtilities {
 public:
  static QRectF fitSizeInRect(QSizeF source, const QRectF& target, int scaling, int alignment);
  static QTransform CGAffineTransformFromRect(const QRectF& from, const QRectF& to);

  // An integer point as "x,y", and back; nothing for a text that is not two
  // integers around a comma.
  static QString integerPointString(QPoint point);
  static std::optional<QPoint> integerPointFromString(const QString& text);
  // Texts for logs: "[x, y, w, h]", "[w, h]", "[x, y]", "[a, b, c, d, tx, ty]".
  static QString rectDescription(const QRectF& rect);
  static QString sizeDescription(QSizeF size);
  static QString pointDescription(QPointF point);
  static QString transformDescription(const QTransform& transform);

  // The document opened with `password` (empty: none); nothing when it does
  // not open.
  static std::shared_ptr<vq::pdf::Document> initPDFDocumentAtPath(const QString& path, const QString& password);
  // The media box turned by the page's rotation and moved to the origin;
  // 595 by 842 when the box is unusable.
  static QRectF MediaBoxOfPDFPage(const vq::pdf::Page& page);
  // The page (1-based) at dpi; a null image when the document or page
  // does not open.
  static QImage capturePDFDocument(const QString& path, const QString& password, int page, double dpiX, double dpiY);
  // The page drawn proportionally, centred, into `size` pixels (the page's
  // own size at 72 dpi when empty), on white and cut to the page.
  static QImage capturePDFDocument(const QString& path, const QString& password, int page, QSize size);
  // The page fitted into a bitmap of `size` pixels (the page's size at 72
  // dpi when empty) by scaling and alignment; `drawPDFBackground` fills the
  // page's rectangle white first (the page renderer draws on white, so a
  // page always has its white); `sizeToFit` cuts the result to the page's
  // rectangle. A null image when the document or page does not open or the
  // bitmap would be too large.
  static QImage capturePDFDocument(const QString& path, const QString& password, int page, QSize size, int scaling,
                                   int alignment, bool sizeToFit, bool drawPDFBackground);
  // The same for an image file. The bitmap is `size` times dpi / 72 (the
  // image's own size when `size` is empty). With `autoSize` an image smaller
  // than that in both directions keeps its own size; one larger in either
  // direction is fitted into it, so the result never exceeds the request.
  static QImage captureImageDocument(const QString& path, QSize size, double dpiX, double dpiY, int scaling,
                                     int alignment, bool autoSize, bool sizeToFit, bool drawPDFBackground);
  static QImage invertUIImage(const QImage& image);

  // Begins a page of `drawRect`'s size (points) in `writer`, the first one
  // starting `painter` on it, and draws `image` under `transform` into the
  // rectangle's whole-point bounds. False when the page could not be begun.
  static bool DrawImageWithAutoSize(QPdfWriter& writer, QPainter& painter, const QRectF& drawRect, const QImage& image,
                                    const QTransform& transform);
  // A PDF with one page per readable image wider than one pixel, each page
  // the image's pixel size in points. False, and nothing written, when no
  // image could be read or the file could not be written.
  static bool PrintImageWithPaths(const QStringList& imagePaths, const QString& toPath);

  // Bitmaps: transparent RGBA, premultiplied; nothing (with a message on
  // standard error) for a size that cannot be made.
  static std::optional<QImage> CreateARGBBitmapContextSize(int width, int height);
  static std::optional<QImage> CreateARGBBitmapContextFromImage(const QImage& image);
  // Grey and RGB images as they are; any other (indexed, one-bit) redrawn
  // as RGBA.
  static QImage ConvertToARGBImageIfNeed(const QImage& image);
  // `image` shown through `mask`: a bitmap of the larger of the two sizes in
  // each direction, where the mask's grey level (times its alpha) is the
  // coverage; both are drawn over the whole bitmap under `transform`.
  // A null image without an image.
  static QImage maskCGImage(const QImage& image, const QImage& mask, const QTransform& transform);
  // Writes `image` as the type a key names ("png", "jpeg", "public.tiff",
  // "jp2", ...) with its resolution; JPEG with `quality`. False, with a
  // message on standard error, when the type is unknown or writing fails.
  static bool saveCGImage(const QImage& image, const QString& toPath, double dpiX, double dpiY, const QString& type,
                          double quality);

  // Writes one image XObject stream to `toFile`; false when the stream is
  // not a usable image or the file cannot be written. A soft mask, a mask
  // image or a colour-key mask becomes the written image's alpha, and the
  // image is written as PNG. Otherwise JPEG data is kept as it is when its
  // colours need nothing done to them (else decoded and written as JPEG
  // with `jpegQuality`), JPEG 2000 stays JPEG 2000, anything else is
  // written as PNG. Colour-space names that are not device names are looked
  // up in `colorSpaces` (a ColorSpace resource dictionary, or null).
  static bool extractPDFStream(const vq::pdf::Object& stream, const QString& toFile, double jpegQuality);
  static bool extractPDFStream(const vq::pdf::Object& stream, const vq::pdf::Object& colorSpaces, const QString& toFile,
                               double jpegQuality);
  // The extension extraction writes a stream with: "png" for masked images
  // and decoded data, "jpeg" for JPEG data, "jp2" for JPEG 2000 data.
  static QString extractedExtension(const vq::pdf::Object& stream);
  // Writes a soft mask or mask image as a grey file in the temporary folder
  // ("SMask-XXXXXX.png", or ".jpeg" or ".jp2" by its data, at quality 1),
  // white where the masked image shows; its path, or nothing.
  static std::optional<QString> extractPDFMaskStream(const vq::pdf::Object& stream);
  // Every image of the page's XObject resources (forms included) into `folder`, named
  // "<page>-<name>.<ext>"; written path to resource name. Nothing when the
  // page has no XObject resources.
  static std::optional<QMap<QString, QString>> extractJPEGFromPDFPage(const vq::pdf::Page& page, double quality,
                                                                      const QString& folder);
  // Calls `visit` with the name and stream of every image XObject of
  // `resources` and of the forms it holds, each stream once.
  static void forEachImageXObject(const vq::pdf::Object& resources,
                                  const std::function<void(const std::string&, const vq::pdf::Object&)>& visit);
  // Largest image, in pixels, that extraction will decode.
  static constexpr qint64 kMaxPixels = qint64(1) << 28;
};

}  // namespace vq::app
