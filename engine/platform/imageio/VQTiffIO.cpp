// TIFF through libtiff. Colour and grey stay as they are, LZW-compressed with
// horizontal differencing; only 1-bit images use CCITT Group 4, the bilevel
// code that fax and scanning software expect.
#include <unistd.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <tiffio.h>

#include "platform/diagnostics/VQDiagnostics.h"
#include "platform/imageio/VQImageIOInternal.h"

namespace vq::imageio::detail {

namespace {

struct TiffDiagnostics {
  bool failed = false;
};

int tiffError(TIFF*, void* user, const char* module, const char* fmt, va_list ap) {
  if (user) static_cast<TiffDiagnostics*>(user)->failed = true;
  char text[512];
  std::vsnprintf(text, sizeof text, fmt, ap);
  VQDiagnose(VQDiagnosticCategory::Image, std::string("TIFF: ") + (module ? module : "") + (module ? ": " : "") + text);
  return 1;
}
int tiffWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct OptionsDeleter {
  void operator()(TIFFOpenOptions* o) const { TIFFOpenOptionsFree(o); }
};
struct TiffDeleter {
  void operator()(TIFF* t) const { TIFFClose(t); }
};
using TiffPtr = std::unique_ptr<TIFF, TiffDeleter>;

std::unique_ptr<TIFFOpenOptions, OptionsDeleter> makeOptions(TiffDiagnostics* diag) {
  std::unique_ptr<TIFFOpenOptions, OptionsDeleter> o(TIFFOpenOptionsAlloc());
  if (o) {
    TIFFOpenOptionsSetErrorHandlerExtR(o.get(), tiffError, diag);
    TIFFOpenOptionsSetWarningHandlerExtR(o.get(), tiffWarning, diag);
    // A corrupt strip table must not make libtiff allocate without bound.
    TIFFOpenOptionsSetMaxSingleMemAlloc(o.get(), tmsize_t(1) << 30);
  }
  return o;
}

struct MemorySource {
  const uint8_t* data;
  toff_t size;
  toff_t pos;
};

tmsize_t memRead(thandle_t h, void* buf, tmsize_t n) {
  auto* m = static_cast<MemorySource*>(h);
  if (n <= 0 || m->pos >= m->size) return 0;
  toff_t avail = m->size - m->pos;
  toff_t take = static_cast<toff_t>(n) < avail ? static_cast<toff_t>(n) : avail;
  std::memcpy(buf, m->data + m->pos, static_cast<size_t>(take));
  m->pos += take;
  return static_cast<tmsize_t>(take);
}
tmsize_t memWrite(thandle_t, void*, tmsize_t) { return -1; }
toff_t memSeek(thandle_t h, toff_t off, int whence) {
  auto* m = static_cast<MemorySource*>(h);
  toff_t base = whence == SEEK_CUR ? m->pos : whence == SEEK_END ? m->size : 0;
  m->pos = base + off;
  return m->pos;
}
int memClose(thandle_t) { return 0; }
toff_t memSize(thandle_t h) { return static_cast<MemorySource*>(h)->size; }
int memMap(thandle_t h, void** base, toff_t* size) {
  auto* m = static_cast<MemorySource*>(h);
  *base = const_cast<uint8_t*>(m->data);
  *size = m->size;
  return 1;
}
void memUnmap(thandle_t, void*, toff_t) {}

void unpremultiply(Bitmap& b) {
  for (int y = 0; y < b.height; ++y) {
    uint8_t* p = b.row(y);
    for (int x = 0; x < b.width; ++x, p += 4) {
      const unsigned a = p[3];
      if (a == 0 || a == 255) continue;
      for (int c = 0; c < 3; ++c) p[c] = static_cast<uint8_t>(std::min(255u, (p[c] * 255u + a / 2) / a));
    }
  }
}

}  // namespace

bool writeTiff(const Bitmap& image, AtomicFile& file, const WriteOptions& options) {
  TiffDiagnostics diag;
  auto opts = makeOptions(&diag);
  const std::string name = file.tempPath();
  const int fd = file.releaseFd();
  if (fd < 0 || !opts) {
    VQDiagnose(VQDiagnosticCategory::Image, "TIFF: cannot open the output file");
    if (fd >= 0) ::close(fd);
    return false;
  }
  TiffPtr tif(TIFFFdOpenExt(fd, name.c_str(), "w", opts.get()));
  if (!tif) {
    ::close(fd);
    return false;
  }
  const bool mono = image.format == PixelFormat::Mono1;
  const bool grey = image.format == PixelFormat::Gray8;
  const bool alpha = !isOpaque(image);
  const PixelFormat rowFormat = mono ? PixelFormat::Mono1 : grey ? PixelFormat::Gray8
                                : alpha ? PixelFormat::RGBA8 : PixelFormat::RGB8;
  const uint16_t spp = mono || grey ? 1 : alpha ? 4 : 3;
  const size_t rowBytes = Bitmap::rowBytes(image.width, rowFormat);
  TIFF* t = tif.get();
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(image.width));
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(image.height));
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, static_cast<uint16_t>(mono ? 1 : 8));
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, spp);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(t, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
  if (mono) {
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, static_cast<uint32_t>(image.height));
  } else {
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, grey ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(t, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    const uint32_t rows = static_cast<uint32_t>(std::max<size_t>(1, (size_t(256) << 10) / rowBytes));
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, rows);
    if (alpha) {
      uint16_t extra = EXTRASAMPLE_UNASSALPHA;
      TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, &extra);
    }
  }
  TIFFSetField(t, TIFFTAG_XRESOLUTION, static_cast<float>(options.dpiX > 0 ? options.dpiX : 72));
  TIFFSetField(t, TIFFTAG_YRESOLUTION, static_cast<float>(options.dpiY > 0 ? options.dpiY : 72));
  TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
  // libtiff encodes in place (the predictor rewrites the row), so every row
  // goes through a scratch buffer and the caller's pixels stay untouched.
  std::vector<uint8_t> row(rowBytes);
  for (int y = 0; y < image.height; ++y) {
    convertRow(image, y, rowFormat, 255, row.data());
    if (mono) {
      for (uint8_t& byte : row) byte = static_cast<uint8_t>(~byte);  // min-is-white: 1 is black
    }
    if (TIFFWriteScanline(t, row.data(), static_cast<uint32_t>(y), 0) < 0) return false;
  }
  if (!TIFFWriteDirectory(t) || diag.failed) return false;
  tif.reset();
  return !diag.failed;
}

std::optional<Bitmap> readTiff(const uint8_t* data, size_t size) {
  TiffDiagnostics diag;
  auto opts = makeOptions(&diag);
  MemorySource src{data, static_cast<toff_t>(size), 0};
  TiffPtr tif(TIFFClientOpenExt("TIFF data", "r", &src, memRead, memWrite, memSeek, memClose, memSize, memMap,
                                memUnmap, opts.get()));
  if (!tif) return std::nullopt;
  TIFF* t = tif.get();
  uint32_t w = 0, h = 0;
  uint16_t spp = 1, bps = 1, photometric = PHOTOMETRIC_MINISWHITE, planar = PLANARCONFIG_CONTIG, unit = RESUNIT_INCH;
  uint16_t extraCount = 0;
  uint16_t* extra = nullptr;
  TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &w);
  TIFFGetField(t, TIFFTAG_IMAGELENGTH, &h);
  TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLESPERPIXEL, &spp);
  TIFFGetFieldDefaulted(t, TIFFTAG_BITSPERSAMPLE, &bps);
  TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &photometric);
  TIFFGetFieldDefaulted(t, TIFFTAG_PLANARCONFIG, &planar);
  TIFFGetFieldDefaulted(t, TIFFTAG_EXTRASAMPLES, &extraCount, &extra);
  TIFFGetFieldDefaulted(t, TIFFTAG_RESOLUTIONUNIT, &unit);
  if (!acceptableSize(w, h, "TIFF")) return std::nullopt;
  double dpiX = 72, dpiY = 72;
  float rx = 0, ry = 0;
  if (unit != RESUNIT_NONE && TIFFGetField(t, TIFFTAG_XRESOLUTION, &rx) && TIFFGetField(t, TIFFTAG_YRESOLUTION, &ry) &&
      rx > 0 && ry > 0) {
    const double scale = unit == RESUNIT_CENTIMETER ? 2.54 : 1.0;
    dpiX = rx * scale;
    dpiY = ry * scale;
  }
  const bool alphaExtra = extraCount == 1 && extra &&
                          (extra[0] == EXTRASAMPLE_UNASSALPHA || extra[0] == EXTRASAMPLE_ASSOCALPHA);
  const bool grey = photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE;

  // Plain 8-bit strips are read as they are: exact samples, straight alpha kept.
  const bool direct = bps == 8 && planar == PLANARCONFIG_CONTIG && !TIFFIsTiled(t) &&
                      ((photometric == PHOTOMETRIC_MINISBLACK && spp == 1) ||
                       (photometric == PHOTOMETRIC_RGB && (spp == 3 || (spp == 4 && alphaExtra))));
  if (direct) {
    const PixelFormat format = spp == 1 ? PixelFormat::Gray8 : spp == 3 ? PixelFormat::RGB8 : PixelFormat::RGBA8;
    Bitmap out = Bitmap::make(static_cast<int>(w), static_cast<int>(h), format);
    if (static_cast<size_t>(TIFFScanlineSize(t)) == out.stride) {
      bool ok = true;
      for (uint32_t y = 0; y < h && ok; ++y) ok = TIFFReadScanline(t, out.row(static_cast<int>(y)), y, 0) >= 0;
      if (ok) {
        if (format == PixelFormat::RGBA8 && extra[0] == EXTRASAMPLE_ASSOCALPHA) unpremultiply(out);
        out.dpiX = dpiX;
        out.dpiY = dpiY;
        return out;
      }
      return std::nullopt;
    }
  }

  char message[1024] = {0};
  if (!TIFFRGBAImageOK(t, message)) {
    VQDiagnose(VQDiagnosticCategory::Image, std::string("TIFF: ") + message);
    return std::nullopt;
  }
  std::vector<uint32_t> raster(size_t(w) * size_t(h));
  if (!TIFFReadRGBAImageOriented(t, w, h, raster.data(), ORIENTATION_TOPLEFT, 0)) return std::nullopt;
  const PixelFormat format = alphaExtra ? PixelFormat::RGBA8 : grey && spp == 1 ? PixelFormat::Gray8 : PixelFormat::RGB8;
  Bitmap out = Bitmap::make(static_cast<int>(w), static_cast<int>(h), format);
  const uint32_t* p = raster.data();
  for (uint32_t y = 0; y < h; ++y) {
    uint8_t* d = out.row(static_cast<int>(y));
    for (uint32_t x = 0; x < w; ++x, ++p) {
      switch (format) {
        case PixelFormat::Gray8: d[x] = static_cast<uint8_t>(TIFFGetR(*p)); break;
        case PixelFormat::RGB8:
          d[3 * x] = static_cast<uint8_t>(TIFFGetR(*p));
          d[3 * x + 1] = static_cast<uint8_t>(TIFFGetG(*p));
          d[3 * x + 2] = static_cast<uint8_t>(TIFFGetB(*p));
          break;
        default:
          d[4 * x] = static_cast<uint8_t>(TIFFGetR(*p));
          d[4 * x + 1] = static_cast<uint8_t>(TIFFGetG(*p));
          d[4 * x + 2] = static_cast<uint8_t>(TIFFGetB(*p));
          d[4 * x + 3] = static_cast<uint8_t>(TIFFGetA(*p));
          break;
      }
    }
  }
  // libtiff hands alpha images out premultiplied.
  if (format == PixelFormat::RGBA8) unpremultiply(out);
  out.dpiX = dpiX;
  out.dpiY = dpiY;
  return out;
}

}  // namespace vq::imageio::detail
