#include "helpers/VQImageUtilities.h"

#include <QBuffer>
#include <QPainterPath>
#include <QSaveFile>
#include <QtEndian>
#include <algorithm>
#include <cmath>

namespace vq::app {

namespace {

QByteArray encoded(const QImage& image, const char* format, int quality) {
  QByteArray bytes;
  if (image.isNull()) return bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, format, quality)) return QByteArray();
  return bytes;
}

bool writeAtomically(const QString& path, const QByteArray& bytes) {
  if (bytes.isEmpty()) return false;
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  if (file.write(bytes) != bytes.size()) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}

QImage transparentCanvas(QSize size) {
  QImage canvas(size, QImage::Format_ARGB32_Premultiplied);
  canvas.fill(Qt::transparent);
  return canvas;
}

void appendBigEndian32(QByteArray& out, quint32 value) {
  char bytes[4];
  qToBigEndian(value, bytes);
  out.append(bytes, 4);
}

}  // namespace

QByteArray VQImageUtilities::jpegData(const QImage& image, double quality) {
  return encoded(image.convertToFormat(QImage::Format_RGB32), "JPEG",
                 int(std::lround(std::clamp(quality, 0.0, 1.0) * 100)));
}

QByteArray VQImageUtilities::pngData(const QImage& image) { return encoded(image, "PNG", -1); }

QImage VQImageUtilities::imageWithCGImage(const QImage& image) {
  if (image.isNull()) return QImage();
  QImage canvas = transparentCanvas(image.size());
  QPainter painter(&canvas);
  painter.drawImage(QPointF(0, 0), image);
  return canvas;
}

std::optional<QImage> VQImageUtilities::CGImage(const QImage& image) {
  if (image.isNull()) return std::nullopt;
  QImage copy = image;
  copy.detach();
  return copy;
}

double VQImageUtilities::clampedQuality(double quality) {
  if (quality <= 0) return 0.85;
  return std::min(quality, 1.0);
}

QSize VQImageUtilities::coveringSize(QSize image, QSize box) {
  const double w = image.width(), h = image.height(), W = box.width(), H = box.height();
  if (w <= W && h <= H) return image;
  if (w / W > h / H) return QSize(int(w / (h / H)), int(H));
  return QSize(int(W), int(h / (w / W)));
}

bool VQImageUtilities::scaleAndSaveAsJPEG(const QByteArray& data, int maxwidth, int maxheight, double quality,
                                          const QString& saveTo) {
  if (maxwidth <= 0 || maxheight <= 0) return false;
  const QImage image = QImage::fromData(data);
  if (image.isNull()) return false;
  const QSize size = coveringSize(image.size(), QSize(maxwidth, maxheight));
  const QImage scaled = image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  QImage result(maxwidth, maxheight, QImage::Format_RGB32);
  result.fill(Qt::white);
  QPainter painter(&result);
  painter.drawImage(QPointF(-(size.width() - maxwidth) / 2.0, -(size.height() - maxheight) / 2.0), scaled);
  painter.end();
  return writeAtomically(saveTo, jpegData(result, clampedQuality(quality)));
}

QImage VQImageUtilities::roundedCornersImage(const QImage& image, double radius) {
  if (image.isNull()) return QImage();
  QImage canvas = transparentCanvas(image.size());
  QPainter painter(&canvas);
  painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
  QPainterPath clip;
  clip.addRoundedRect(QRectF(QPointF(0, 0), image.size()), radius, radius);
  painter.setClipPath(clip);
  painter.drawImage(QPointF(0, 0), image);
  return canvas;
}

QImage VQImageUtilities::thumbnailImage(const QImage& image, int edge) {
  if (image.isNull() || edge <= 0) return QImage();
  return image.scaled(edge, edge, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QImage VQImageUtilities::thumbnailImage(const QImage& image, int edge, double roundedCorners) {
  return roundedCornersImage(thumbnailImage(image, edge), roundedCorners);
}

std::optional<QByteArray> VQImageUtilities::icnsDataWithWidth(const QImage& image, int width) {
  const char* type = width == 128 ? "ic07" : width == 256 ? "ic08" : width == 512 ? "ic09" : nullptr;
  if (!type || image.isNull()) return std::nullopt;
  const QImage drawn = image.scaled(width, width, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                           .convertToFormat(QImage::Format_RGBA8888);
  const QByteArray png = pngData(drawn);
  if (png.isEmpty()) return std::nullopt;
  QByteArray out("icns");
  appendBigEndian32(out, quint32(8 + 8 + png.size()));
  out.append(type, 4);
  appendBigEndian32(out, quint32(8 + png.size()));
  out.append(png);
  return out;
}

QRectF VQImageUtilities::aspectFitRect(QSizeF imageSize, const QRectF& rect) {
  if (imageSize.isEmpty() || rect.isEmpty()) return QRectF(rect.topLeft(), QSizeF(0, 0));
  const double scale = std::min(rect.width() / imageSize.width(), rect.height() / imageSize.height());
  const double w = std::round(imageSize.width() * scale), h = std::round(imageSize.height() * scale);
  return QRectF(rect.x() + (rect.width() - w) / 2, rect.y() + (rect.height() - h) / 2, w, h);
}

void VQImageUtilities::drawInRect(QPainter& painter, const QImage& image, const QRectF& rect,
                                  QPainter::CompositionMode operation, double fraction) {
  painter.save();
  painter.setCompositionMode(operation);
  painter.setOpacity(fraction);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(aspectFitRect(image.size(), rect), image);
  painter.restore();
}

QImage VQImageUtilities::imageToFitSize(const QImage& image, QSize size) {
  if (image.isNull() || size.isEmpty()) return QImage();
  QImage canvas = transparentCanvas(size);
  QPainter painter(&canvas);
  drawInRect(painter, image, QRectF(QPointF(0, 0), size), QPainter::CompositionMode_Source, 1.0);
  return canvas;
}

namespace {

double toLinear(double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); }
double fromLinear(double v) { return v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1 / 2.4) - 0.055; }

}  // namespace

QImage VQImageUtilities::colorMatrix(const QImage& image, const std::array<double, 4>& r,
                                     const std::array<double, 4>& g, const std::array<double, 4>& b,
                                     const std::array<double, 4>& a, const std::array<double, 4>& bias) {
  if (image.isNull()) return QImage();
  static const std::array<double, 256> linear = [] {
    std::array<double, 256> table{};
    for (int i = 0; i < 256; ++i) table[i] = toLinear(i / 255.0);
    return table;
  }();
  QImage out = image.convertToFormat(QImage::Format_ARGB32);
  const std::array<const std::array<double, 4>*, 4> rows = {&r, &g, &b, &a};
  for (int y = 0; y < out.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x) {
      const QRgb p = line[x];
      const double in[4] = {linear[qRed(p)], linear[qGreen(p)], linear[qBlue(p)], qAlpha(p) / 255.0};
      int channel[4];
      for (int c = 0; c < 4; ++c) {
        const auto& v = *rows[c];
        double value = v[0] * in[0] + v[1] * in[1] + v[2] * in[2] + v[3] * in[3] + bias[c];
        value = std::clamp(value, 0.0, 1.0);
        channel[c] = int(std::lround(255 * (c == 3 ? value : fromLinear(value))));
      }
      line[x] = qRgba(channel[0], channel[1], channel[2], channel[3]);
    }
  }
  return out;
}

QImage VQImageUtilities::filterGrayImage(const QImage& image) {
  const std::array<double, 4> luminance = {0.2125, 0.7154, 0.0721, 0};
  return colorMatrix(image, luminance, luminance, luminance, {0, 0, 0, 1});
}

std::optional<QImage> VQImageUtilities::filterImageWithFilterName(const QImage& image, const QString& filterName) {
  if (filterName == "Original") return image;
  if (image.isNull()) return std::nullopt;
  if (filterName == "CIColorMatrix") return colorMatrix(image, {1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1});
  if (filterName != "CIVignetteEffect") return std::nullopt;
  QImage out = image.convertToFormat(QImage::Format_ARGB32);
  const double cx = out.width() / 2.0, cy = out.height() / 2.0;
  const double radius = std::min(out.width(), out.height()) / 2.0;
  const double intensity = 0.9;
  for (int y = 0; y < out.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x) {
      const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy) / std::max(radius, 1.0);
      const double f = std::clamp(1.0 - intensity * std::clamp(d - 0.5, 0.0, 1.0), 0.0, 1.0);
      const QRgb p = line[x];
      line[x] = qRgba(int(qRed(p) * f), int(qGreen(p) * f), int(qBlue(p) * f), qAlpha(p));
    }
  }
  return out;
}

bool VQImageUtilities::saveAtPath(const QImage& image, const QString& path, double quality) {
  if (image.isNull()) return false;
  return writeAtomically(path, encoded(image, "PNG", int(std::lround(std::clamp(quality, 0.0, 1.0) * 100))));
}

}  // namespace vq::app
