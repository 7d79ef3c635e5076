#include "helpers/VQCPDFRenderUtilities.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTemporaryFile>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "common/VQPDFPathUtilities.h"
#include "helpers/VQPDFColorSpaces.h"
#include "platform/graphics/VQPageRenderer.h"
#include "platform/imageio/VQImageIO.h"
#include "platform/imageio/VQSampleDecode.h"

namespace vq::app {

using vq::pdf::Object;
using vq::pdf::ObjectType;

namespace {

QImage toQImage(const vq::Bitmap& bitmap) {
  if (bitmap.empty()) return QImage();
  const vq::Bitmap rgba = vq::imageio::convertBitmap(bitmap, vq::PixelFormat::RGBA8);
  QImage image(rgba.width, rgba.height, QImage::Format_RGBA8888);
  for (int y = 0; y < rgba.height; ++y)
    std::copy_n(rgba.row(y), vq::Bitmap::rowBytes(rgba.width, vq::PixelFormat::RGBA8), image.scanLine(y));
  image.setDotsPerMeterX(int(std::lround(bitmap.dpiX / 0.0254)));
  image.setDotsPerMeterY(int(std::lround(bitmap.dpiY / 0.0254)));
  return image;
}

vq::Bitmap toBitmap(const QImage& image);

Object entry(const Object& dict, const char* key, const char* shortKey) {
  const Object value = dict.get(key);
  return value.isNull() ? dict.get(shortKey) : value;
}

std::optional<double> numberAt(const Object& array, size_t index) { return array.at(index).number(); }

uint32_t sampleAt(const uint8_t* row, int index, int bpc) {
  switch (bpc) {
    case 16:
      return (uint32_t(row[2 * index]) << 8) | row[2 * index + 1];
    case 8:
      return row[index];
    default: {
      const int bit = index * bpc;
      return (row[bit / 8] >> (8 - bpc - bit % 8)) & ((1u << bpc) - 1);
    }
  }
}

struct Samples {
  int width = 0, height = 0, bpc = 0, components = 0;
  size_t rowBytes = 0;
  const uint8_t* data = nullptr;
};

// Samples to a grey or RGB bitmap through the converter, with Decode; RGBA
// when a colour-key mask applies (its ranges compare the raw samples).
std::optional<vq::Bitmap> decodeSamples(const Samples& in, const VQPixelConverter& converter,
                                        const std::vector<double>& decode, const Object& colorKey) {
  const int n = converter.components();
  if (!converter.isValid() || n != in.components) return std::nullopt;
  const double maxSample = double((1u << in.bpc) - 1);
  std::vector<double> dmin(n, 0), dmax(n, 1);
  if (int(decode.size()) >= 2 * n)
    for (int c = 0; c < n; ++c) {
      dmin[c] = decode[2 * c];
      dmax[c] = decode[2 * c + 1];
    }
  std::vector<uint32_t> keyMin, keyMax;
  if (colorKey.type() == ObjectType::Array && int(colorKey.size()) >= 2 * n && colorKey.size() <= 64)
    for (int c = 0; c < n; ++c) {
      keyMin.push_back(uint32_t(std::max(0.0, numberAt(colorKey, 2 * c).value_or(0))));
      keyMax.push_back(uint32_t(std::max(0.0, numberAt(colorKey, 2 * c + 1).value_or(0))));
    }
  const bool masked = !keyMin.empty();
  const int channels = converter.isGray() ? 1 : 3;
  const vq::PixelFormat format = masked               ? vq::PixelFormat::RGBA8
                                 : converter.isGray() ? vq::PixelFormat::Gray8
                                                      : vq::PixelFormat::RGB8;
  vq::Bitmap out = vq::Bitmap::make(in.width, in.height, format);
  std::vector<double> values(size_t(in.width) * n);
  std::vector<uint8_t> pixels(size_t(in.width) * channels);
  for (int y = 0; y < in.height; ++y) {
    const uint8_t* row = in.data + size_t(y) * in.rowBytes;
    for (int x = 0; x < in.width; ++x)
      for (int c = 0; c < n; ++c) {
        const uint32_t raw = sampleAt(row, x * n + c, in.bpc);
        values[size_t(x) * n + c] = dmin[c] + raw * (dmax[c] - dmin[c]) / maxSample;
      }
    converter.convert(values.data(), size_t(in.width), pixels.data());
    uint8_t* dst = out.row(y);
    if (!masked) {
      std::copy(pixels.begin(), pixels.end(), dst);
      continue;
    }
    for (int x = 0; x < in.width; ++x) {
      bool keyed = true;
      for (int c = 0; c < n && keyed; ++c) {
        const uint32_t raw = sampleAt(row, x * n + c, in.bpc);
        keyed = raw >= keyMin[c] && raw <= keyMax[c];
      }
      for (int c = 0; c < 3; ++c) dst[x * 4 + c] = pixels[size_t(x) * channels + (channels == 1 ? 0 : c)];
      dst[x * 4 + 3] = keyed ? 0 : 255;
    }
  }
  return out;
}

bool writeBytes(const QString& path, const std::string& bytes) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  if (file.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size())) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}

QString extensionForFilter(const std::string& filter) {
  if (filter == "DCTDecode" || filter == "DCT") return "jpeg";
  if (filter == "JPXDecode") return "jp2";
  return "png";
}

}  // namespace

QRectF VQCPDFRenderUtilities::fitSizeInRect(QSizeF source, const QRectF& target, int scaling, int alignment) {
  QSizeF size;
  if (scaling == 1) return target;
  if (scaling == 2) {
    size = source;
  } else if (scaling == 0 && source.width() > 0 && source.height() > 0) {
    const float scale = std::min(float(target.width() / source.width()), float(target.height() / source.height()));
    size = QSizeF(source.width() * scale, source.height() * scale);
  } else {
    size = QSizeF(0, 0);
  }
  const double dx = target.width() - size.width(), dy = target.height() - size.height();
  static const double table[9][2] = {{0.5, 0.5}, {0.5, 1}, {0, 1}, {1, 1},  {0, 0.5},
                                     {0.5, 0},   {0, 0},   {1, 0}, {1, 0.5}};
  if (alignment < 0 || alignment > 8) return QRectF(QPointF(0, 0), size);
  return QRectF(target.x() + dx * table[alignment][0], target.y() + dy * table[alignment][1], size.width(),
                size.height());
}

QTransform VQCPDFRenderUtilities::CGAffineTransformFromRect(const QRectF& from, const QRectF& to) {
  if (from.width() == 0 || from.height() == 0) return QTransform();
  QTransform t;
  t.translate(to.x(), to.y());
  t.scale(to.width() / from.width(), to.height() / from.height());
  t.translate(-from.x(), -from.y());
  return t;
}

QRectF VQCPDFRenderUtilities::MediaBoxOfPDFPage(const vq::pdf::Page& page) {
  const vq::Rect box = page.box(vq::pdf::PageBox::Media);
  double w = std::abs(box.size.width), h = std::abs(box.size.height);
  if (!std::isfinite(w) || !std::isfinite(h) || w <= 0 || h <= 0) {
    w = 595;
    h = 842;
  }
  // The page's rotation comes as a quarter turn from 0 to 270.
  const int rotation = page.rotation();
  if (rotation == 90 || rotation == 270) std::swap(w, h);
  return QRectF(0, 0, w, h);
}

QImage VQCPDFRenderUtilities::capturePDFDocument(const QString& path, const QString& password, int page, double dpiX,
                                                 double dpiY) {
  if (dpiX <= 0 || dpiY <= 0) return QImage();
  const auto bitmap = vq::RenderPDFPage(path.toStdString(), password.toStdString(), page, dpiX, dpiY);
  return bitmap ? toQImage(*bitmap) : QImage();
}

namespace {

// Whether a bitmap of `size` may be made.
bool makeableSize(QSize size) {
  return size.width() > 0 && size.height() > 0 &&
         qint64(size.width()) * size.height() <= VQCPDFRenderUtilities::kMaxPixels;
}

// The fitted rectangle in top-down pixels: fitting works with y upwards.
QRectF placeInCanvas(QSizeF source, QSize canvas, int scaling, int alignment) {
  const QRectF fit =
      VQCPDFRenderUtilities::fitSizeInRect(source, QRectF(QPointF(0, 0), QSizeF(canvas)), scaling, alignment);
  return QRectF(fit.x(), canvas.height() - fit.y() - fit.height(), fit.width(), fit.height());
}

// Draws `drawn` into `placed` of a transparent canvas, white behind it when
// asked, and cuts the result to the drawn part when asked.
QImage composeCanvas(QSize canvasSize, const QRectF& placed, const QImage& drawn, bool sizeToFit, bool background,
                     bool smooth) {
  QImage canvas(canvasSize, QImage::Format_ARGB32_Premultiplied);
  canvas.fill(Qt::transparent);
  {
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    if (background) painter.fillRect(placed, Qt::white);
    painter.drawImage(placed, drawn);
  }
  if (!sizeToFit) return canvas;
  const QRect visible = placed.toAlignedRect().intersected(canvas.rect());
  return visible.isEmpty() ? QImage() : canvas.copy(visible);
}

}  // namespace

std::shared_ptr<vq::pdf::Document> VQCPDFRenderUtilities::initPDFDocumentAtPath(const QString& path,
                                                                                const QString& password) {
  if (!QFileInfo(path).isFile()) return nullptr;
  try {
    return vq::pdf::Document::open(QFile::encodeName(path).toStdString(), password.toStdString());
  } catch (const std::exception&) {
    return nullptr;
  }
}

QImage VQCPDFRenderUtilities::capturePDFDocument(const QString& path, const QString& password, int page, QSize size) {
  return capturePDFDocument(path, password, page, size, 0, 0, true, true);
}

QImage VQCPDFRenderUtilities::capturePDFDocument(const QString& path, const QString& password, int page, QSize size,
                                                 int scaling, int alignment, bool sizeToFit, bool drawPDFBackground) {
  const auto document = initPDFDocumentAtPath(path, password);
  const auto p = document ? document->page(page) : std::nullopt;
  if (!p) return QImage();
  const QRectF box = MediaBoxOfPDFPage(*p);
  if (size.isEmpty()) size = QSize(int(box.width()), int(box.height()));
  if (!makeableSize(size)) return QImage();
  const QRectF placed = placeInCanvas(box.size(), size, scaling, alignment);
  if (placed.width() < 1 || placed.height() < 1 || !makeableSize(placed.size().toSize())) return QImage();
  const QImage drawn = capturePDFDocument(path, password, page, 72.0 * placed.width() / box.width(),
                                          72.0 * placed.height() / box.height());
  if (drawn.isNull()) return QImage();
  return composeCanvas(size, placed, drawn, sizeToFit, drawPDFBackground, true);
}

QImage VQCPDFRenderUtilities::captureImageDocument(const QString& path, QSize size, double dpiX, double dpiY,
                                                   int scaling, int alignment, bool autoSize, bool sizeToFit,
                                                   bool drawPDFBackground) {
  QImageReader reader(path);
  // Formats that do not tell their size before decoding are sized after it.
  if (reader.size().isValid() && !makeableSize(reader.size())) return QImage();
  const QImage image = reader.read();
  if (image.isNull()) return QImage();
  const QSize own = image.size();
  QSize canvas = own;
  if (!size.isEmpty()) {
    if (dpiX <= 0 || dpiY <= 0) return QImage();
    const QSize target(int(size.width() * dpiX / 72.0), int(size.height() * dpiY / 72.0));
    const bool smaller = own.width() <= target.width() && own.height() <= target.height();
    canvas = autoSize && smaller ? own : target;
  }
  if (!makeableSize(canvas)) return QImage();
  return composeCanvas(canvas, placeInCanvas(image.size(), canvas, scaling, alignment), image, sizeToFit,
                       drawPDFBackground, false);
}

bool VQCPDFRenderUtilities::DrawImageWithAutoSize(QPdfWriter& writer, QPainter& painter, const QRectF& drawRect,
                                                  const QImage& image, const QTransform& transform) {
  if (drawRect.width() <= 0 || drawRect.height() <= 0) return false;
  writer.setResolution(72);
  writer.setPageMargins(QMarginsF(0, 0, 0, 0));
  writer.setPageSize(QPageSize(drawRect.size(), QPageSize::Point, QString(), QPageSize::ExactMatch));
  if (painter.isActive() ? !writer.newPage() : !painter.begin(&writer)) return false;
  painter.save();
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.setTransform(transform);
  painter.drawImage(drawRect.toAlignedRect().translated(-drawRect.toAlignedRect().topLeft()), image);
  painter.restore();
  return true;
}

bool VQCPDFRenderUtilities::PrintImageWithPaths(const QStringList& imagePaths, const QString& toPath) {
  QSaveFile file(toPath);
  if (!file.open(QIODevice::WriteOnly)) return false;
  QPdfWriter writer(&file);
  writer.setPageSize(QPageSize(QSizeF(768, 1024), QPageSize::Point));
  QPainter painter;
  int pages = 0;
  for (const QString& path : imagePaths) {
    QImageReader reader(path);
    if (!makeableSize(reader.size()) || reader.size().width() <= 1) continue;
    const QImage image = reader.read();
    if (image.isNull()) continue;
    // Each page is the image's pixel size in points.
    if (!DrawImageWithAutoSize(writer, painter, QRectF(QPointF(0, 0), QSizeF(image.size())), image, QTransform())) {
      // A page the writer would not begin: no document that lacks it.
      if (painter.isActive()) painter.end();
      file.cancelWriting();
      return false;
    }
    ++pages;
  }
  if (pages == 0) {
    file.cancelWriting();
    return false;
  }
  painter.end();
  return file.commit();
}

std::optional<QImage> VQCPDFRenderUtilities::CreateARGBBitmapContextSize(int width, int height) {
  if (!makeableSize(QSize(width, height))) {
    std::fputs("Memory not allocated!\n", stderr);
    return std::nullopt;
  }
  QImage bitmap(width, height, QImage::Format_RGBA8888_Premultiplied);
  if (bitmap.isNull()) {
    std::fputs("Context not created!\n", stderr);
    return std::nullopt;
  }
  bitmap.fill(Qt::transparent);
  return bitmap;
}

std::optional<QImage> VQCPDFRenderUtilities::CreateARGBBitmapContextFromImage(const QImage& image) {
  if (image.isNull()) return std::nullopt;
  return CreateARGBBitmapContextSize(image.width(), image.height());
}

QImage VQCPDFRenderUtilities::ConvertToARGBImageIfNeed(const QImage& image) {
  switch (image.format()) {
    case QImage::Format_Invalid:
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
    case QImage::Format_Indexed8:
    case QImage::Format_Alpha8:
      return image.isNull() ? image : image.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    default:
      return image;
  }
}

namespace {
// `image` stretched over a transparent bitmap of `size` under `transform`.
QImage drawnOver(QSize size, const QImage& image, const QTransform& transform) {
  QImage canvas(size, QImage::Format_ARGB32_Premultiplied);
  canvas.fill(Qt::transparent);
  QPainter painter(&canvas);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.setTransform(transform);
  painter.drawImage(QRectF(QPointF(0, 0), QSizeF(size)), image);
  return canvas;
}
}  // namespace

QImage VQCPDFRenderUtilities::maskCGImage(const QImage& image, const QImage& mask, const QTransform& transform) {
  if (image.isNull()) return QImage();
  const QSize size = mask.isNull() ? image.size() : image.size().expandedTo(mask.size());
  if (!makeableSize(size)) return QImage();
  QImage canvas = drawnOver(size, image, transform);
  if (mask.isNull()) return canvas;
  // The mask's grey level times its alpha becomes an alpha layer over the
  // whole bitmap; outside the drawn mask nothing shows.
  const QImage source = mask.convertToFormat(QImage::Format_ARGB32);
  QImage alpha(source.size(), QImage::Format_ARGB32_Premultiplied);
  for (int y = 0; y < source.height(); ++y) {
    const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
    auto* out = reinterpret_cast<QRgb*>(alpha.scanLine(y));
    for (int x = 0; x < source.width(); ++x) {
      const int a = qGray(in[x]) * qAlpha(in[x]) / 255;
      out[x] = qPremultiply(qRgba(0, 0, 0, a));
    }
  }
  QPainter combine(&canvas);
  combine.setCompositionMode(QPainter::CompositionMode_DestinationIn);
  combine.drawImage(0, 0, drawnOver(size, alpha, transform));
  combine.end();
  return canvas;
}

bool VQCPDFRenderUtilities::saveCGImage(const QImage& image, const QString& toPath, double dpiX, double dpiY,
                                        const QString& type, double quality) {
  const auto fileType = vq::imageio::imageFileTypeForKey(type.toStdString());
  if (image.isNull() || !fileType || toPath.isEmpty()) {
    std::fputs("Couldn't create image destination!\n", stderr);
    return false;
  }
  vq::Bitmap bitmap = toBitmap(image);
  if (*fileType == vq::imageio::ImageFileType::TIFF && image.format() == QImage::Format_Mono)
    bitmap = vq::imageio::convertBitmap(bitmap, vq::PixelFormat::Mono1);
  vq::imageio::WriteOptions options;
  options.dpiX = dpiX > 0 ? dpiX : 72;
  options.dpiY = dpiY > 0 ? dpiY : 72;
  options.quality = float(std::clamp(quality, 0.0, 1.0));
  if (!vq::imageio::writeImageFile(bitmap, toPath.toStdString(), *fileType, options)) {
    std::fputs("Couldn't write image to file!\n", stderr);
    return false;
  }
  return true;
}

QString VQCPDFRenderUtilities::integerPointString(QPoint point) {
  return QString("%1,%2").arg(point.x()).arg(point.y());
}

std::optional<QPoint> VQCPDFRenderUtilities::integerPointFromString(const QString& text) {
  static const QRegularExpression pattern("^\\s*([-+]?\\d+)\\s*,\\s*([-+]?\\d+)");
  const auto match = pattern.match(text);
  if (!match.hasMatch()) return std::nullopt;
  bool okX = false, okY = false;
  const int x = match.captured(1).toInt(&okX), y = match.captured(2).toInt(&okY);
  if (!okX || !okY) return std::nullopt;
  return QPoint(x, y);
}

namespace {
QString numbers(std::initializer_list<double> values) {
  QStringList parts;
  for (double v : values) parts << QString::asprintf("%f", v);
  return "[" + parts.join(", ") + "]";
}
}  // namespace

QString VQCPDFRenderUtilities::rectDescription(const QRectF& r) {
  return numbers({r.x(), r.y(), r.width(), r.height()});
}
QString VQCPDFRenderUtilities::sizeDescription(QSizeF s) { return numbers({s.width(), s.height()}); }
QString VQCPDFRenderUtilities::pointDescription(QPointF p) { return numbers({p.x(), p.y()}); }
QString VQCPDFRenderUtilities::transformDescription(const QTransform& t) {
  return numbers({t.m11(), t.m12(), t.m21(), t.m22(), t.dx(), t.dy()});
}

QImage VQCPDFRenderUtilities::invertUIImage(const QImage& image) { return image.mirrored(false, true); }

namespace {

constexpr int kMaxColorSpaceDepth = 8;

std::optional<VQColorSpace> deviceSpace(int components) {
  return VQPDFColorSpaces::ColorSpaceFromName(components == 1   ? "DeviceGray"
                                              : components == 4 ? "DeviceCMYK"
                                                                : "DeviceRGB");
}

// The image's colour space: a name through the resources when it is not a
// device name; nothing when the entry is missing.
std::optional<VQColorSpace> imageSpace(const Object& cs, const Object& colorSpaces, int bpc) {
  if (cs.isNull()) return std::nullopt;
  std::optional<VQColorSpace> space = VQPDFColorSpaces::ColorSpaceWithPDFObject(cs);
  if (!space && cs.name() && colorSpaces.isDictionary())
    space = VQPDFColorSpaces::ColorSpaceWithPDFObject(colorSpaces.get(*cs.name()));
  if (!space || !VQPixelConverter(*space).isValid()) space = deviceSpace(bpc == 1 ? 1 : 3);
  return space;
}

// The colorants of a Separation or DeviceN space, named directly or through
// the resources.
std::optional<VQPixelConverter> colorants(const Object& cs, const Object& colorSpaces, VQRenderingIntent intent) {
  if (auto converter = VQPixelConverter::forColorants(cs, intent)) return converter;
  if (cs.name() && colorSpaces.isDictionary())
    return VQPixelConverter::forColorants(colorSpaces.get(*cs.name()), intent);
  return std::nullopt;
}

// JPEG data marked by an Adobe segment keeps CMYK inverted.
bool hasAdobeMarker(const std::string& jpeg) {
  for (size_t i = 2; i + 4 <= jpeg.size();) {
    if (uint8_t(jpeg[i]) != 0xff) return false;
    const uint8_t marker = uint8_t(jpeg[i + 1]);
    if (marker == 0xda) return false;  // the scan: no more header segments
    const size_t length = (size_t(uint8_t(jpeg[i + 2])) << 8) | uint8_t(jpeg[i + 3]);
    if (marker == 0xee && length >= 7 && i + 9 <= jpeg.size() && jpeg.compare(i + 4, 5, "Adobe") == 0) return true;
    i += 2 + length;
  }
  return false;
}

bool isJpx(const std::string& d) {
  const bool jp2Box = d.size() > 12 && d.compare(0, 12, std::string("\0\0\0\x0cjP  \r\n\x87\n", 12)) == 0;
  const bool codestream = d.size() > 4 && d.compare(0, 4, "\xff\x4f\xff\x51") == 0;
  return jp2Box || codestream;
}

std::optional<vq::imageio::DecodedSamples> decodeFax(const Object::ImageFilterData& filtered, int height) {
  const Object& parms = filtered.parms;
  vq::imageio::FaxParameters fax;
  fax.k = int64_t(parms.get("K").number().value_or(0));
  fax.columns = int64_t(parms.get("Columns").number().value_or(1728));
  fax.rows = int64_t(parms.get("Rows").number().value_or(height));
  fax.encodedByteAlign = parms.get("EncodedByteAlign").boolean().value_or(false);
  fax.blackIs1 = parms.get("BlackIs1").boolean().value_or(false);
  return vq::imageio::decodeFax(reinterpret_cast<const uint8_t*>(filtered.data.data()), filtered.data.size(), fax);
}

std::optional<vq::imageio::DecodedSamples> decodeJbig2(const Object::ImageFilterData& filtered) {
  const Object globals = filtered.parms.get("JBIG2Globals");
  const std::string g = globals.type() == ObjectType::Stream ? globals.decodedData().value_or("") : std::string();
  return vq::imageio::decodeJbig2(reinterpret_cast<const uint8_t*>(filtered.data.data()), filtered.data.size(),
                                  reinterpret_cast<const uint8_t*>(g.data()), g.size());
}

// One image stream decoded to a grey, RGB or RGBA bitmap, with its filter.
struct DecodedImage {
  vq::Bitmap bitmap;
  std::string filter;
  std::string data;        // the encoded data of a JPEG or JPEG 2000 image
  bool plainJpeg = false;  // JPEG data whose colours need nothing done to them
};

std::optional<DecodedImage> decodeImage(const Object& stream, const Object& colorSpaces, bool asMask) {
  if (stream.type() != ObjectType::Stream) return std::nullopt;
  const Object dict = stream.streamDictionary();
  int width = int(entry(dict, "Width", "W").number().value_or(0));
  int height = int(entry(dict, "Height", "H").number().value_or(0));
  const bool stencil = entry(dict, "ImageMask", "IM").boolean().value_or(false);
  int bpc = stencil ? 1 : int(entry(dict, "BitsPerComponent", "BPC").number().value_or(0));
  if (width <= 0 || height <= 0 || qint64(width) * height > VQCPDFRenderUtilities::kMaxPixels) return std::nullopt;
  auto filtered = stream.dataForImageFilter();
  if (!filtered) return std::nullopt;
  DecodedImage out;
  out.filter = filtered->filter;
  const Object cs = entry(dict, "ColorSpace", "CS");
  if (out.filter == "JPXDecode") {
    // JPEG 2000 data carries its own colours; its decoder gives them as RGB.
    if (!isJpx(filtered->data)) return std::nullopt;
    auto bitmap = vq::imageio::readImageData(reinterpret_cast<const uint8_t*>(filtered->data.data()),
                                             filtered->data.size(), "image.jp2");
    // Coded data knows its own size better than the dictionary does.
    if (!bitmap) return std::nullopt;
    out.bitmap = std::move(*bitmap);
    out.data = std::move(filtered->data);
    return out;
  }
  if (bpc != 1 && bpc != 2 && bpc != 4 && bpc != 8 && bpc != 16) return std::nullopt;
  const VQRenderingIntent intent = VQPixelConverter::intentNamed(dict.get("Intent").name().value_or(""));
  std::optional<VQColorSpace> space;
  std::optional<VQPixelConverter> inks;
  if (stencil || asMask) {
    space = deviceSpace(1);
  } else if ((inks = colorants(cs, colorSpaces, intent))) {
    space = VQColorSpace();
    space->model = VQColorModel::deviceN;
    space->components = inks->components();
  } else {
    space = imageSpace(cs, colorSpaces, bpc);
    if (!space) return std::nullopt;
  }
  vq::imageio::DecodedSamples decoded;
  bool invert = false;
  if (out.filter == "DCTDecode") {
    if (filtered->data.compare(0, 2, "\xff\xd8") != 0) return std::nullopt;
    const auto transform = filtered->parms.get("ColorTransform").integer();
    auto d = vq::imageio::decodeDct(reinterpret_cast<const uint8_t*>(filtered->data.data()), filtered->data.size(),
                                    transform ? std::optional<int64_t>(*transform) : std::nullopt);
    if (!d) return std::nullopt;
    width = d->width;
    height = d->height;
    // The data's own component count wins over a space that disagrees.
    if (d->components != space->components) {
      space = deviceSpace(d->components);
      inks.reset();
    }
    invert = d->components == 4 && hasAdobeMarker(filtered->data);
    out.plainJpeg = !asMask && !invert && d->components != 4 && dict.get("Decode").isNull() && dict.get("D").isNull() &&
                    !dict.get("Mask").isArray() &&
                    (space->model == VQColorModel::gray || space->model == VQColorModel::rgb) && !space->profile;
    decoded = std::move(*d);
    bpc = 8;
    out.data = std::move(filtered->data);
  } else if (out.filter == "CCITTFaxDecode" || out.filter == "CCF" || out.filter == "JBIG2Decode") {
    auto d = out.filter == "JBIG2Decode" ? decodeJbig2(*filtered) : decodeFax(*filtered, height);
    // Fax and JBIG2 data are one-bit grey, whatever the dictionary says.
    if (!d || d->width < width || d->height < height) return std::nullopt;
    decoded = std::move(*d);
    bpc = 1;
    space = deviceSpace(1);
    inks.reset();
  } else if (!out.filter.empty()) {
    return std::nullopt;
  } else {
    decoded.rowBytes = (size_t(bpc) * space->components * width + 7) / 8;
    // Data shorter than its rows is refused rather than read past its end.
    if (filtered->data.size() < decoded.rowBytes * size_t(height)) return std::nullopt;
    decoded.data.assign(filtered->data.begin(), filtered->data.end());
  }
  if (invert)
    for (uint8_t& b : decoded.data) b = uint8_t(255 - b);
  std::vector<double> decode = VQPDFColorSpaces::decodeArray(dict, *space, bpc);
  // A stencil mask paints where its samples are 0: as a coverage that is
  // white, so its Decode is turned round. Extracted as a picture of its own
  // it stays black paint on white.
  if (stencil && asMask) decode = {decode.size() >= 2 ? decode[1] : 1.0, decode.size() >= 2 ? decode[0] : 0.0};
  const Samples samples{width, height, bpc, space->components, decoded.rowBytes, decoded.data.data()};
  const Object colorKey = stencil || asMask ? Object() : dict.get("Mask");
  auto bitmap = decodeSamples(samples, inks ? *inks : VQPixelConverter(*space, intent), decode,
                              colorKey.isArray() ? colorKey : Object());
  if (!bitmap) return std::nullopt;
  out.bitmap = std::move(*bitmap);
  return out;
}

QImage toGrayImage(const vq::Bitmap& bitmap) {
  const vq::Bitmap gray = vq::imageio::convertBitmap(bitmap, vq::PixelFormat::Gray8, 0);
  QImage image(gray.width, gray.height, QImage::Format_Grayscale8);
  for (int y = 0; y < gray.height; ++y) std::copy_n(gray.row(y), size_t(gray.width), image.scanLine(y));
  return image;
}

vq::Bitmap toBitmap(const QImage& image) {
  const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
  vq::Bitmap out = vq::Bitmap::make(rgba.width(), rgba.height(), vq::PixelFormat::RGBA8);
  for (int y = 0; y < rgba.height(); ++y) std::copy_n(rgba.constScanLine(y), out.stride, out.row(y));
  return out;
}

// Pre-blended colours (an SMask with a Matte colour) back to plain ones.
void unblendMatte(vq::Bitmap& image, const QImage& alpha, const Object& matte) {
  if (!matte.isArray() || alpha.size() != QSize(image.width, image.height)) return;
  const vq::Bitmap rgb = vq::imageio::convertBitmap(image, vq::PixelFormat::RGB8);
  vq::Bitmap out = rgb;
  const int n = int(matte.size());
  double m[3];
  for (int c = 0; c < 3; ++c) m[c] = 255 * std::clamp(numberAt(matte, n == 1 ? 0 : size_t(c)).value_or(0), 0.0, 1.0);
  for (int y = 0; y < out.height; ++y)
    for (int x = 0; x < out.width; ++x) {
      const double a = alpha.constScanLine(y)[x] / 255.0;
      if (a <= 0) continue;
      uint8_t* p = out.row(y) + x * 3;
      for (int c = 0; c < 3; ++c) p[c] = uint8_t(std::lround(std::clamp((p[c] - m[c]) / a + m[c], 0.0, 255.0)));
    }
  image = std::move(out);
}

// The grey coverage of a soft mask or mask image: white where the image shows.
std::optional<QImage> maskCoverage(const Object& mask) {
  const auto decoded = decodeImage(mask, Object(), true);
  if (!decoded) return std::nullopt;
  return toGrayImage(decoded->bitmap);
}

bool writeBitmap(const vq::Bitmap& bitmap, const QString& path, vq::imageio::ImageFileType type, double quality) {
  vq::imageio::WriteOptions options;
  options.quality = float(std::clamp(quality, 0.0, 1.0));
  return vq::imageio::writeImageFile(bitmap, path.toStdString(), type, options);
}

bool hasMask(const Object& dict) {
  if (entry(dict, "ImageMask", "IM").boolean().value_or(false)) return false;
  const Object mask = dict.get("Mask");
  return dict.get("SMask").isStream() || mask.isStream() || mask.isArray();
}

// Writes an image stream already decoded (`dict` its dictionary) as
// extractPDFStream describes.
bool writeExtracted(DecodedImage& decoded, const Object& dict, const QString& toFile, double jpegQuality) {
  if (hasMask(dict)) {
    // A mask that does not decode leaves the image whole rather than lost.
    const Object smask = dict.get("SMask");
    const Object mask = dict.get("Mask");
    std::optional<QImage> coverage = smask.isStream()  ? maskCoverage(smask)
                                     : mask.isStream() ? maskCoverage(mask)
                                                       : std::nullopt;
    vq::Bitmap image = std::move(decoded.bitmap);
    if (coverage) {
      if (smask.isStream()) unblendMatte(image, *coverage, smask.streamDictionary().get("Matte"));
      const QImage masked =
          VQCPDFRenderUtilities::maskCGImage(QImage(image.pixels.data(), image.width, image.height, int(image.stride),
                                                    image.format == vq::PixelFormat::Gray8  ? QImage::Format_Grayscale8
                                                    : image.format == vq::PixelFormat::RGB8 ? QImage::Format_RGB888
                                                                                            : QImage::Format_RGBA8888),
                                             *coverage, QTransform());
      if (masked.isNull()) return false;
      image = toBitmap(masked);
    }
    return writeBitmap(image, toFile, vq::imageio::ImageFileType::PNG, 1);
  }
  if (decoded.filter == "JPXDecode") return writeBytes(toFile, decoded.data);
  if (decoded.filter == "DCTDecode") {
    if (decoded.plainJpeg) return writeBytes(toFile, decoded.data);
    return writeBitmap(decoded.bitmap, toFile, vq::imageio::ImageFileType::JPEG, jpegQuality);
  }
  return writeBitmap(decoded.bitmap, toFile, vq::imageio::ImageFileType::PNG, 1);
}

}  // namespace

bool VQCPDFRenderUtilities::extractPDFStream(const Object& stream, const QString& toFile, double jpegQuality) {
  return extractPDFStream(stream, Object(), toFile, jpegQuality);
}

bool VQCPDFRenderUtilities::extractPDFStream(const Object& stream, const Object& colorSpaces, const QString& toFile,
                                             double jpegQuality) {
  if (toFile.isEmpty()) return false;
  auto decoded = decodeImage(stream, colorSpaces, false);
  return decoded && writeExtracted(*decoded, stream.streamDictionary(), toFile, jpegQuality);
}

QString VQCPDFRenderUtilities::extractedExtension(const Object& stream) {
  if (stream.type() != ObjectType::Stream || hasMask(stream.streamDictionary())) return "png";
  const auto filtered = stream.dataForImageFilter();
  return extensionForFilter(filtered ? filtered->filter : std::string());
}

std::optional<QString> VQCPDFRenderUtilities::extractPDFMaskStream(const Object& stream) {
  const auto decoded = decodeImage(stream, Object(), true);
  if (!decoded) return std::nullopt;
  const QString ext = extensionForFilter(decoded->filter);
  const auto type = *vq::imageio::imageFileTypeForKey(ext.toStdString());
  const QString folder = QString::fromStdString(vq::VQPDFPathUtilities::temporaryRoot());
  QTemporaryFile file(QDir(folder).filePath("SMask-XXXXXX." + ext));
  file.setAutoRemove(false);
  if (!file.open()) return std::nullopt;
  const QString path = file.fileName();
  file.close();
  const vq::Bitmap gray = vq::imageio::convertBitmap(decoded->bitmap, vq::PixelFormat::Gray8, 0);
  if (!writeBitmap(gray, path, type, 1)) {
    QFile::remove(path);
    return std::nullopt;
  }
  return path;
}

namespace {

// Every image XObject of `resources` and of its forms, each stream once,
// with the resources it was found in.
void walkImages(const Object& resources,
                const std::function<void(const std::string&, const Object&, const Object&)>& visit) {
  std::vector<Object> seen;
  std::function<void(const Object&, int)> walk = [&](const Object& res, int depth) {
    const Object xobjects = res.get("XObject");
    if (depth > 8 || xobjects.type() != ObjectType::Dictionary) return;
    for (const std::string& key : xobjects.keys()) {
      const Object stream = xobjects.get(key);
      if (stream.type() != ObjectType::Stream) continue;
      if (std::any_of(seen.begin(), seen.end(), [&](const Object& o) { return o.sameObject(stream); })) continue;
      seen.push_back(stream);
      const Object dict = stream.streamDictionary();
      const auto subtype = dict.get("Subtype").name();
      if (subtype == "Image") visit(key, stream, res);
      if (subtype == "Form") walk(dict.get("Resources"), depth + 1);
    }
  };
  walk(resources, 0);
}

}  // namespace

void VQCPDFRenderUtilities::forEachImageXObject(const Object& resources,
                                                const std::function<void(const std::string&, const Object&)>& visit) {
  walkImages(resources, [&](const std::string& key, const Object& stream, const Object&) { visit(key, stream); });
}

std::optional<QMap<QString, QString>> VQCPDFRenderUtilities::extractJPEGFromPDFPage(const vq::pdf::Page& page,
                                                                                    double quality,
                                                                                    const QString& folder) {
  const Object pageResources = page.resources();
  if (pageResources.get("XObject").type() != ObjectType::Dictionary) return std::nullopt;
  QMap<QString, QString> written;
  walkImages(pageResources, [&](const std::string& key, const Object& stream, const Object& resources) {
    // Decoded once: the extension comes from the filter the decoding found,
    // as extractedExtension would name it.
    auto decoded = decodeImage(stream, resources.get("ColorSpace"), false);
    if (!decoded) return;
    const Object dict = stream.streamDictionary();
    const QString ext = hasMask(dict) ? QString("png") : extensionForFilter(decoded->filter);
    const QString name = QString::fromStdString(key);
    QString path = QDir(folder).filePath(QString("%1-%2.%3").arg(page.number()).arg(name, ext));
    for (int n = 2; QFile::exists(path); ++n)
      path = QDir(folder).filePath(QString("%1-%2 %3.%4").arg(page.number()).arg(name).arg(n).arg(ext));
    if (writeExtracted(*decoded, dict, path, quality)) written.insert(path, name);
  });
  return written;
}

}  // namespace vq::app
