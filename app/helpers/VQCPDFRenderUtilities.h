#pragma once
// Drawing PDF pages into images, fitting geometry, and taking the images
// out of a page's resources into files.
#include <QImage>
#include <QMap>
#include <QRectF>
#include <QString>
#include <QTransform>
#include <functional>
#include <memory>
#include <optional>

#include "platform/pdf/PdfDocument.h"
#include "platform/pdf/PdfObject.h"

namespace vq::app {

// Image scaling: 0 proportional, 1 axes independently, 2 none.
// Alignment: 0 centre, 1 top, 2 top left, 3 top right, 4 left, 5 bottom,
// 6 bottom left, 7 bottom right, 8 right (y grows upwards).
class VQCPDFRenderUtilities {
 public:
  static QRectF fitSizeInRect(QSizeF source, const QRectF& target, int scaling, int alignment);
  static QTransform CGAffineTransformFromRect(const QRectF& from, const QRectF& to);

  // The media box turned by the page's rotation and moved to the origin;
  // 595 by 842 when the box is unusable.
  static QRectF MediaBoxOfPDFPage(const vq::pdf::Page& page);
  // The page (1-based) at dpi; a null image when the document or page
  // does not open.
  static QImage capturePDFDocument(const QString& path, const QString& password, int page, double dpiX, double dpiY);
  // The page drawn proportionally, centred, into `size` pixels (the page's
  // own size at 72 dpi when empty).
  static QImage capturePDFDocument(const QString& path, const QString& password, int page, QSize size);
  static QImage invertUIImage(const QImage& image);

  // Writes one image XObject stream to `toFile`; false when the stream is
  // not a usable image or the file cannot be written. JPEG data is kept as
  // JPEG, JPEG 2000 as JPEG 2000, anything else written as PNG.
  static bool extractPDFStream(const vq::pdf::Object& stream, const QString& toFile, double jpegQuality);
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
