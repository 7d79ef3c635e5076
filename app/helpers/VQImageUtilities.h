#pragma once
// Operations over images: JPEG and PNG encoding, scaled JPEG files, rounded
// corners, square thumbnails, one-size icns data, aspect-fitting draws, a few
// filters and saving.
#include <QByteArray>
#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QSize>
#include <QString>
#include <array>
#include <optional>

namespace vq::app {

class VQImageUtilities {
 public:
  // Quality is a compression factor from 0 to 1.
  static QByteArray jpegData(const QImage& image, double quality);
  static QByteArray pngData(const QImage& image);

  // An image of `image`'s pixel size with it drawn in (premultiplied RGBA).
  static QImage imageWithCGImage(const QImage& image);
  // The image as a bitmap of its own; nothing for a null image.
  static std::optional<QImage> CGImage(const QImage& image);

  // Decodes `data`, scales it to cover the maxwidth by maxheight box and
  // writes the centred box as JPEG. False for an empty box, undecodable
  // data or a failed write.
  static bool scaleAndSaveAsJPEG(const QByteArray& data, int maxwidth, int maxheight, double quality,
                                 const QString& saveTo);
  // The size an image of w by h takes before the box is cut out of it.
  static QSize coveringSize(QSize image, QSize box);
  // A quality of 0 or less becomes 0.85; more than 1 becomes 1.
  static double clampedQuality(double quality);

  static QImage roundedCornersImage(const QImage& image, double radius);
  static QImage thumbnailImage(const QImage& image, int edge);
  static QImage thumbnailImage(const QImage& image, int edge, double roundedCorners);
  // icns data with one ic07 (128), ic08 (256) or ic09 (512) element.
  static std::optional<QByteArray> icnsDataWithWidth(const QImage& image, int width);

  // The largest rectangle of the image's aspect ratio inside `rect`, sizes
  // rounded to whole points, centred in it.
  static QRectF aspectFitRect(QSizeF imageSize, const QRectF& rect);
  static void drawInRect(QPainter& painter, const QImage& image, const QRectF& rect,
                         QPainter::CompositionMode operation, double fraction);
  static QImage imageToFitSize(const QImage& image, QSize size);

  // "Original" gives the image itself, "CIVignetteEffect" darkens towards
  // the edges, "CIColorMatrix" with its defaults (the identity) copies it;
  // other names give nothing.
  static std::optional<QImage> filterImageWithFilterName(const QImage& image, const QString& filterName);
  // Each output channel is the dot product of its vector with the pixel's
  // (red, green, blue, alpha), plus its bias, all from 0 to 1, worked in
  // linear light on unpremultiplied colours, as a colour filter chain works.
  static QImage colorMatrix(const QImage& image, const std::array<double, 4>& r, const std::array<double, 4>& g,
                            const std::array<double, 4>& b, const std::array<double, 4>& a,
                            const std::array<double, 4>& bias = {0, 0, 0, 0});
  // Grey by the luminance weights (0.2125, 0.7154, 0.0721) through the colour matrix.
  static QImage filterGrayImage(const QImage& image);

  // Writes the image as PNG, atomically; false for a null image or a failed write.
  static bool saveAtPath(const QImage& image, const QString& path, double quality);
};

}  // namespace vq::app
