#include "helpers/VQCPDFRenderUtilities.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <algorithm>
#include <cmath>
#include <vector>

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

Object entry(const Object& dict, const char* key, const char* shortKey) {
  const Object value = dict.get(key);
  return value.isNull() ? dict.get(shortKey) : value;
}

std::optional<double> numberAt(const Object& array, size_t index) { return array.at(index).number(); }

// How a colour space turns samples into RGB.
struct Space {
  enum Kind { Gray, RGB, CMYK, Indexed } kind = Gray;
  int components = 1;
  Kind base = RGB;              // of an indexed space
  int baseComponents = 3;       //
  int hival = 0;                // clamped to 0..255
  std::vector<uint8_t> lookup;  // (hival + 1) * baseComponents bytes
};

Space simpleSpace(Space::Kind kind, int components) {
  Space s;
  s.kind = kind;
  s.components = components;
  return s;
}

std::optional<Space::Kind> kindOf(VQColorModel model) {
  switch (model) {
    case VQColorModel::gray:
      return Space::Gray;
    case VQColorModel::rgb:
    case VQColorModel::lab:
      return Space::RGB;
    case VQColorModel::cmyk:
      return Space::CMYK;
    default:
      return std::nullopt;
  }
}

// The parsed colour space in the terms the sample decoder works with.
std::optional<Space> spaceOf(const Object& cs) {
  const auto parsed = VQPDFColorSpaces::ColorSpaceWithPDFObject(cs);
  if (!parsed) return std::nullopt;
  if (parsed->model == VQColorModel::indexed && parsed->base) {
    const auto base = kindOf(parsed->base->model);
    if (!base) return std::nullopt;
    Space s = simpleSpace(Space::Indexed, 1);
    s.base = *base;
    s.baseComponents = parsed->base->components;
    s.hival = parsed->hival;
    s.lookup = parsed->lookup;
    return s;
  }
  const auto kind = kindOf(parsed->model);
  if (!kind) return std::nullopt;
  return simpleSpace(*kind, parsed->components);
}

void cmykToRgb(const double* c, uint8_t* out) {
  for (int i = 0; i < 3; ++i) out[i] = uint8_t(std::lround(255 * (1 - c[i]) * (1 - c[3])));
}

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
  int width = 0, height = 0, bpc = 0;
  size_t rowBytes = 0;
  const uint8_t* data = nullptr;
};

// Samples to an RGB or grey bitmap (RGBA when a colour-key mask applies).
std::optional<vq::Bitmap> decodeSamples(const Samples& in, const Space& space, const Object& decode,
                                        const Object& colorKey) {
  const int n = space.components;
  const double maxSample = double((1u << in.bpc) - 1);
  std::vector<double> dmin(n, 0), dmax(n, 1);
  if (space.kind == Space::Indexed) dmax[0] = maxSample;
  if (decode.type() == ObjectType::Array && int(decode.size()) >= 2 * n)
    for (int c = 0; c < n; ++c) {
      dmin[c] = numberAt(decode, 2 * c).value_or(dmin[c]);
      dmax[c] = numberAt(decode, 2 * c + 1).value_or(dmax[c]);
    }
  // Colour-key ranges compare the raw samples, before Decode.
  std::vector<uint32_t> keyMin, keyMax;
  if (colorKey.type() == ObjectType::Array && int(colorKey.size()) >= 2 * n && colorKey.size() <= 64)
    for (int c = 0; c < n; ++c) {
      keyMin.push_back(uint32_t(std::max(0.0, numberAt(colorKey, 2 * c).value_or(0))));
      keyMax.push_back(uint32_t(std::max(0.0, numberAt(colorKey, 2 * c + 1).value_or(0))));
    }
  const bool masked = !keyMin.empty();
  const bool gray = space.kind == Space::Gray || (space.kind == Space::Indexed && space.base == Space::Gray);
  const vq::PixelFormat format = masked ? vq::PixelFormat::RGBA8
                                 : gray ? vq::PixelFormat::Gray8
                                        : vq::PixelFormat::RGB8;
  vq::Bitmap out = vq::Bitmap::make(in.width, in.height, format);
  std::vector<uint32_t> raw(n);
  std::vector<double> value(n);
  for (int y = 0; y < in.height; ++y) {
    const uint8_t* row = in.data + size_t(y) * in.rowBytes;
    uint8_t* dst = out.row(y);
    for (int x = 0; x < in.width; ++x) {
      bool keyed = masked;
      for (int c = 0; c < n; ++c) {
        raw[c] = sampleAt(row, x * n + c, in.bpc);
        value[c] = dmin[c] + raw[c] * (dmax[c] - dmin[c]) / maxSample;
        if (masked && (raw[c] < keyMin[c] || raw[c] > keyMax[c])) keyed = false;
      }
      uint8_t rgb[3] = {0, 0, 0};
      if (space.kind == Space::Indexed) {
        const int index = std::clamp(int(std::lround(value[0])), 0, space.hival);
        const uint8_t* entry = space.lookup.data() + size_t(index) * space.baseComponents;
        if (space.base == Space::CMYK) {
          const double c4[4] = {entry[0] / 255.0, entry[1] / 255.0, entry[2] / 255.0, entry[3] / 255.0};
          cmykToRgb(c4, rgb);
        } else {
          for (int i = 0; i < 3; ++i) rgb[i] = entry[space.base == Space::Gray ? 0 : i];
        }
      } else if (space.kind == Space::CMYK) {
        double c4[4];
        for (int i = 0; i < 4; ++i) c4[i] = std::clamp(value[i], 0.0, 1.0);
        cmykToRgb(c4, rgb);
      } else {
        for (int i = 0; i < 3; ++i)
          rgb[i] = uint8_t(std::lround(255 * std::clamp(value[space.kind == Space::Gray ? 0 : i], 0.0, 1.0)));
      }
      if (format == vq::PixelFormat::Gray8) {
        dst[x] = rgb[0];
      } else {
        const int stride = masked ? 4 : 3;
        std::copy_n(rgb, 3, dst + x * stride);
        if (masked) dst[x * 4 + 3] = keyed ? 0 : 255;
      }
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
  const int rotation = ((page.rotation() % 360) + 360) % 360;
  if (rotation == 90 || rotation == 270) std::swap(w, h);
  return QRectF(0, 0, w, h);
}

QImage VQCPDFRenderUtilities::capturePDFDocument(const QString& path, const QString& password, int page, double dpiX,
                                                 double dpiY) {
  if (dpiX <= 0 || dpiY <= 0) return QImage();
  const auto bitmap = vq::RenderPDFPage(path.toStdString(), password.toStdString(), page, dpiX, dpiY);
  return bitmap ? toQImage(*bitmap) : QImage();
}

QImage VQCPDFRenderUtilities::capturePDFDocument(const QString& path, const QString& password, int page, QSize size) {
  const auto document = vq::pdf::Document::open(path.toStdString(), password.toStdString());
  const auto p = document ? document->page(page) : std::nullopt;
  if (!p) return QImage();
  const QRectF box = MediaBoxOfPDFPage(*p);
  if (size.isEmpty()) size = QSize(int(box.width()), int(box.height()));
  const QRectF fit = fitSizeInRect(box.size(), QRectF(QPointF(0, 0), size), 0, 0);
  const double dpi = 72.0 * fit.width() / box.width();
  const QImage drawn = capturePDFDocument(path, password, page, dpi, dpi);
  if (drawn.isNull()) return QImage();
  QImage canvas(size, QImage::Format_RGBA8888);
  canvas.fill(Qt::white);
  for (int y = 0; y < drawn.height() && y + int(fit.y()) < size.height(); ++y)
    for (int x = 0; x < drawn.width() && x + int(fit.x()) < size.width(); ++x)
      canvas.setPixel(x + int(fit.x()), y + int(fit.y()), drawn.pixel(x, y));
  return canvas;
}

QImage VQCPDFRenderUtilities::invertUIImage(const QImage& image) { return image.mirrored(false, true); }

bool VQCPDFRenderUtilities::extractPDFStream(const Object& stream, const QString& toFile, double jpegQuality) {
  (void)jpegQuality;  // JPEG data is copied as it is; decoded samples go out lossless as PNG
  if (stream.type() != ObjectType::Stream) return false;
  const Object dict = stream.streamDictionary();
  const int width = int(entry(dict, "Width", "W").number().value_or(0));
  const int height = int(entry(dict, "Height", "H").number().value_or(0));
  const bool stencil = entry(dict, "ImageMask", "IM").boolean().value_or(false);
  int bpc = stencil ? 1 : int(entry(dict, "BitsPerComponent", "BPC").number().value_or(0));
  if (width <= 0 || height <= 0 || qint64(width) * height > kMaxPixels) return false;
  if (bpc != 1 && bpc != 2 && bpc != 4 && bpc != 8 && bpc != 16) return false;
  const auto filtered = stream.dataForImageFilter();
  if (!filtered) return false;
  if (filtered->filter == "DCTDecode" || filtered->filter == "JPXDecode") {
    // Kept in its own coding; written only when it really decodes as such.
    const bool jpx = filtered->filter == "JPXDecode";
    const std::string& d = filtered->data;
    const bool jp2Box = d.size() > 12 && d.compare(0, 12, std::string("\0\0\0\x0cjP  \r\n\x87\n", 12)) == 0;
    const bool codestream = d.size() > 4 && d.compare(0, 4, "\xff\x4f\xff\x51") == 0;
    if (jpx && !jp2Box && !codestream) return false;
    if (!jpx && d.compare(0, 2, "\xff\xd8") != 0) return false;
    const std::string hint = jpx ? "image.jp2" : "image.jpg";
    const auto check = vq::imageio::readImageData(reinterpret_cast<const uint8_t*>(filtered->data.data()),
                                                  filtered->data.size(), hint);
    return check && writeBytes(toFile, filtered->data);
  }
  std::optional<Space> space;
  if (stencil) {
    space = simpleSpace(Space::Gray, 1);
  } else {
    const Object cs = entry(dict, "ColorSpace", "CS");
    space = spaceOf(cs);
    if (!space) space = bpc == 1 ? simpleSpace(Space::Gray, 1) : simpleSpace(Space::RGB, 3);
  }
  vq::imageio::DecodedSamples decoded;
  Samples samples{width, height, bpc};
  if (filtered->filter == "CCITTFaxDecode" || filtered->filter == "CCF") {
    const Object& parms = filtered->parms;
    vq::imageio::FaxParameters fax;
    fax.k = int64_t(parms.get("K").number().value_or(0));
    fax.columns = int64_t(parms.get("Columns").number().value_or(1728));
    fax.rows = int64_t(parms.get("Rows").number().value_or(height));
    fax.encodedByteAlign = parms.get("EncodedByteAlign").boolean().value_or(false);
    fax.blackIs1 = parms.get("BlackIs1").boolean().value_or(false);
    auto d =
        vq::imageio::decodeFax(reinterpret_cast<const uint8_t*>(filtered->data.data()), filtered->data.size(), fax);
    if (!d || d->width < width || d->height < height) return false;
    decoded = std::move(*d);
    samples.bpc = bpc = 1;
    space = simpleSpace(Space::Gray, 1);
  } else if (filtered->filter == "JBIG2Decode") {
    const Object globals = filtered->parms.get("JBIG2Globals");
    const std::string g = globals.type() == ObjectType::Stream ? globals.decodedData().value_or("") : std::string();
    auto d = vq::imageio::decodeJbig2(reinterpret_cast<const uint8_t*>(filtered->data.data()), filtered->data.size(),
                                      reinterpret_cast<const uint8_t*>(g.data()), g.size());
    if (!d || d->width < width || d->height < height) return false;
    decoded = std::move(*d);
    samples.bpc = bpc = 1;
    space = simpleSpace(Space::Gray, 1);
  } else if (!filtered->filter.empty()) {
    return false;
  } else {
    decoded.rowBytes = (size_t(bpc) * space->components * width + 7) / 8;
    // Data shorter than its rows is refused rather than read past its end.
    if (filtered->data.size() < decoded.rowBytes * size_t(height)) return false;
    decoded.data.assign(filtered->data.begin(), filtered->data.end());
  }
  samples.rowBytes = decoded.rowBytes;
  samples.data = decoded.data.data();
  const Object mask = dict.get("Mask");
  const auto bitmap = decodeSamples(samples, *space, entry(dict, "Decode", "D"),
                                    stencil || mask.type() != ObjectType::Array ? Object() : mask);
  return bitmap && vq::imageio::writeImageFile(*bitmap, toFile.toStdString(), vq::imageio::ImageFileType::PNG);
}

void VQCPDFRenderUtilities::forEachImageXObject(const Object& resources,
                                                const std::function<void(const std::string&, const Object&)>& visit) {
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
      if (subtype == "Image") visit(key, stream);
      if (subtype == "Form") walk(dict.get("Resources"), depth + 1);
    }
  };
  walk(resources, 0);
}

std::optional<QMap<QString, QString>> VQCPDFRenderUtilities::extractJPEGFromPDFPage(const vq::pdf::Page& page,
                                                                                    double quality,
                                                                                    const QString& folder) {
  const Object xobjects = page.resources().get("XObject");
  if (xobjects.type() != ObjectType::Dictionary) return std::nullopt;
  QMap<QString, QString> written;
  forEachImageXObject(page.resources(), [&](const std::string& key, const Object& stream) {
    const auto filtered = stream.dataForImageFilter();
    const QString ext = extensionForFilter(filtered ? filtered->filter : std::string());
    const QString name = QString::fromStdString(key);
    QString path = QDir(folder).filePath(QString("%1-%2.%3").arg(page.number()).arg(name, ext));
    for (int n = 2; QFile::exists(path); ++n)
      path = QDir(folder).filePath(QString("%1-%2 %3.%4").arg(page.number()).arg(name).arg(n).arg(ext));
    if (extractPDFStream(stream, path, quality)) written.insert(path, name);
  });
  return written;
}

}  // namespace vq::app
