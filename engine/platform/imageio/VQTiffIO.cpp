// TIFF through libtiff. Colour and grey stay as they are, LZW-compressed with
// horizontal differencing; only 1-bit images use CCITT Group 4, the bilevel
// code that fax and scanning software expect. libtiff's fax codec also
// decodes bare CCITT data, wrapped in a little TIFF file in memory.
#include <unistd.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <tiffio.h>

#include "platform/loader/VQSystemLibrary.h"

#include "platform/diagnostics/VQDiagnostics.h"
#include "platform/imageio/VQImageIOInternal.h"
#include "platform/imageio/VQSampleDecode.h"

namespace vq::imageio::detail {

namespace {

// libtiff is opened on first use (see platform/loader/VQSystemLibrary.h).
// clang-format off
#define VQ_TIFF_FUNCTIONS(F) \
  F(TIFFClientOpenExt) F(TIFFClose) F(TIFFFdOpenExt) F(TIFFGetField) F(TIFFGetFieldDefaulted) \
  F(TIFFIsTiled) F(TIFFOpenOptionsAlloc) F(TIFFOpenOptionsFree) \
  F(TIFFOpenOptionsSetErrorHandlerExtR) F(TIFFOpenOptionsSetMaxSingleMemAlloc) \
  F(TIFFOpenOptionsSetWarningHandlerExtR) F(TIFFRGBAImageOK) F(TIFFReadEncodedStrip) \
  F(TIFFReadRGBAImageOriented) F(TIFFReadScanline) F(TIFFScanlineSize) F(TIFFSetField) \
  F(TIFFStripSize) F(TIFFWriteDirectory) F(TIFFWriteScanline)
// clang-format on
VQ_SYSTEM_LIBRARY(TiffLibrary, tiffLibrary, VQ_TIFF_SONAME, VQ_TIFF_FUNCTIONS)

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
int tiffQuiet(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct OptionsDeleter {
  void operator()(TIFFOpenOptions* o) const { tiffLibrary().TIFFOpenOptionsFree(o); }
};
struct TiffDeleter {
  void operator()(TIFF* t) const { tiffLibrary().TIFFClose(t); }
};
using TiffPtr = std::unique_ptr<TIFF, TiffDeleter>;

std::unique_ptr<TIFFOpenOptions, OptionsDeleter> makeOptions(TiffDiagnostics* diag) {
  std::unique_ptr<TIFFOpenOptions, OptionsDeleter> o(tiffLibrary().TIFFOpenOptionsAlloc());
  if (o) {
    tiffLibrary().TIFFOpenOptionsSetErrorHandlerExtR(o.get(), tiffError, diag);
    tiffLibrary().TIFFOpenOptionsSetWarningHandlerExtR(o.get(), tiffQuiet, diag);
    // A corrupt strip table must not make libtiff allocate without bound.
    tiffLibrary().TIFFOpenOptionsSetMaxSingleMemAlloc(o.get(), tmsize_t(1) << 30);
  }
  return o;
}

// For fax data: the codec's complaints about damage are expected, since the
// rows decoded before it are still used.
std::unique_ptr<TIFFOpenOptions, OptionsDeleter> quietOptions() {
  std::unique_ptr<TIFFOpenOptions, OptionsDeleter> o(tiffLibrary().TIFFOpenOptionsAlloc());
  if (o) {
    tiffLibrary().TIFFOpenOptionsSetErrorHandlerExtR(o.get(), tiffQuiet, nullptr);
    tiffLibrary().TIFFOpenOptionsSetWarningHandlerExtR(o.get(), tiffQuiet, nullptr);
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
  TiffPtr tif(tiffLibrary().TIFFFdOpenExt(fd, name.c_str(), "w", opts.get()));
  if (!tif) {
    ::close(fd);
    return false;
  }
  const bool mono = image.format == PixelFormat::Mono1;
  const bool grey = image.format == PixelFormat::Gray8;
  const bool alpha = !isOpaque(image);
  const PixelFormat rowFormat = mono    ? PixelFormat::Mono1
                                : grey  ? PixelFormat::Gray8
                                : alpha ? PixelFormat::RGBA8
                                        : PixelFormat::RGB8;
  const uint16_t spp = mono || grey ? 1 : alpha ? 4 : 3;
  const size_t rowBytes = Bitmap::rowBytes(image.width, rowFormat);
  TIFF* t = tif.get();
  tiffLibrary().TIFFSetField(t, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(image.width));
  tiffLibrary().TIFFSetField(t, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(image.height));
  tiffLibrary().TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, static_cast<uint16_t>(mono ? 1 : 8));
  tiffLibrary().TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, spp);
  tiffLibrary().TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  tiffLibrary().TIFFSetField(t, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
  if (mono) {
    tiffLibrary().TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    tiffLibrary().TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
    tiffLibrary().TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, static_cast<uint32_t>(image.height));
  } else {
    tiffLibrary().TIFFSetField(t, TIFFTAG_PHOTOMETRIC, grey ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB);
    tiffLibrary().TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    tiffLibrary().TIFFSetField(t, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    const uint32_t rows = static_cast<uint32_t>(std::max<size_t>(1, (size_t(256) << 10) / rowBytes));
    tiffLibrary().TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, rows);
    if (alpha) {
      uint16_t extra = EXTRASAMPLE_UNASSALPHA;
      tiffLibrary().TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, &extra);
    }
  }
  tiffLibrary().TIFFSetField(t, TIFFTAG_XRESOLUTION, static_cast<float>(options.dpiX > 0 ? options.dpiX : 72));
  tiffLibrary().TIFFSetField(t, TIFFTAG_YRESOLUTION, static_cast<float>(options.dpiY > 0 ? options.dpiY : 72));
  tiffLibrary().TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
  // libtiff encodes in place (the predictor rewrites the row), so every row
  // goes through a scratch buffer and the caller's pixels stay untouched.
  std::vector<uint8_t> row(rowBytes);
  for (int y = 0; y < image.height; ++y) {
    convertRow(image, y, rowFormat, 255, row.data());
    if (mono) {
      for (uint8_t& byte : row) byte = static_cast<uint8_t>(~byte);  // min-is-white: 1 is black
    }
    if (tiffLibrary().TIFFWriteScanline(t, row.data(), static_cast<uint32_t>(y), 0) < 0) return false;
  }
  if (!tiffLibrary().TIFFWriteDirectory(t) || diag.failed) return false;
  tif.reset();
  return !diag.failed;
}

std::optional<Bitmap> readTiff(const uint8_t* data, size_t size) {
  TiffDiagnostics diag;
  auto opts = makeOptions(&diag);
  MemorySource src{data, static_cast<toff_t>(size), 0};
  TiffPtr tif(tiffLibrary().TIFFClientOpenExt("TIFF data", "r", &src, memRead, memWrite, memSeek, memClose, memSize,
                                              memMap, memUnmap, opts.get()));
  if (!tif) return std::nullopt;
  TIFF* t = tif.get();
  uint32_t w = 0, h = 0;
  uint16_t spp = 1, bps = 1, photometric = PHOTOMETRIC_MINISWHITE, planar = PLANARCONFIG_CONTIG, unit = RESUNIT_INCH;
  uint16_t extraCount = 0;
  uint16_t* extra = nullptr;
  tiffLibrary().TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &w);
  tiffLibrary().TIFFGetField(t, TIFFTAG_IMAGELENGTH, &h);
  tiffLibrary().TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLESPERPIXEL, &spp);
  tiffLibrary().TIFFGetFieldDefaulted(t, TIFFTAG_BITSPERSAMPLE, &bps);
  tiffLibrary().TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &photometric);
  tiffLibrary().TIFFGetFieldDefaulted(t, TIFFTAG_PLANARCONFIG, &planar);
  tiffLibrary().TIFFGetFieldDefaulted(t, TIFFTAG_EXTRASAMPLES, &extraCount, &extra);
  tiffLibrary().TIFFGetFieldDefaulted(t, TIFFTAG_RESOLUTIONUNIT, &unit);
  if (!acceptableSize(w, h, "TIFF")) return std::nullopt;
  double dpiX = 72, dpiY = 72;
  float rx = 0, ry = 0;
  if (unit != RESUNIT_NONE && tiffLibrary().TIFFGetField(t, TIFFTAG_XRESOLUTION, &rx) &&
      tiffLibrary().TIFFGetField(t, TIFFTAG_YRESOLUTION, &ry) && rx > 0 && ry > 0) {
    const double scale = unit == RESUNIT_CENTIMETER ? 2.54 : 1.0;
    dpiX = rx * scale;
    dpiY = ry * scale;
  }
  const bool alphaExtra =
      extraCount == 1 && extra && (extra[0] == EXTRASAMPLE_UNASSALPHA || extra[0] == EXTRASAMPLE_ASSOCALPHA);
  const bool grey = photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE;

  // Plain 8-bit strips are read as they are: exact samples, straight alpha kept.
  const bool direct = bps == 8 && planar == PLANARCONFIG_CONTIG && !tiffLibrary().TIFFIsTiled(t) &&
                      ((photometric == PHOTOMETRIC_MINISBLACK && spp == 1) ||
                       (photometric == PHOTOMETRIC_RGB && (spp == 3 || (spp == 4 && alphaExtra))));
  if (direct) {
    const PixelFormat format = spp == 1 ? PixelFormat::Gray8 : spp == 3 ? PixelFormat::RGB8 : PixelFormat::RGBA8;
    Bitmap out = Bitmap::make(static_cast<int>(w), static_cast<int>(h), format);
    if (static_cast<size_t>(tiffLibrary().TIFFScanlineSize(t)) == out.stride) {
      bool ok = true;
      for (uint32_t y = 0; y < h && ok; ++y)
        ok = tiffLibrary().TIFFReadScanline(t, out.row(static_cast<int>(y)), y, 0) >= 0;
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
  if (!tiffLibrary().TIFFRGBAImageOK(t, message)) {
    VQDiagnose(VQDiagnosticCategory::Image, std::string("TIFF: ") + message);
    return std::nullopt;
  }
  std::vector<uint32_t> raster(size_t(w) * size_t(h));
  if (!tiffLibrary().TIFFReadRGBAImageOriented(t, w, h, raster.data(), ORIENTATION_TOPLEFT, 0)) return std::nullopt;
  const PixelFormat format = alphaExtra         ? PixelFormat::RGBA8
                             : grey && spp == 1 ? PixelFormat::Gray8
                                                : PixelFormat::RGB8;
  Bitmap out = Bitmap::make(static_cast<int>(w), static_cast<int>(h), format);
  const uint32_t* p = raster.data();
  for (uint32_t y = 0; y < h; ++y) {
    uint8_t* d = out.row(static_cast<int>(y));
    for (uint32_t x = 0; x < w; ++x, ++p) {
      switch (format) {
        case PixelFormat::Gray8:
          d[x] = static_cast<uint8_t>(TIFFGetR(*p));
          break;
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

namespace vq::imageio {

namespace {

void put16(std::string& s, uint16_t v) {
  s.push_back(static_cast<char>(v & 0xff)), s.push_back(static_cast<char>(v >> 8));
}
void put32(std::string& s, uint32_t v) {
  for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}

// A little-endian TIFF file whose single strip is the fax data, described
// by the tags libtiff's fax codec reads: min-is-white, so black comes out 1.
std::string faxAsTiff(const uint8_t* data, size_t size, const FaxParameters& p) {
  std::string b = "II*";
  b.push_back('\0');
  const uint32_t ifdOffset = static_cast<uint32_t>(8 + size + (size & 1));
  put32(b, ifdOffset);
  b.append(reinterpret_cast<const char*>(data), size);
  if (size & 1) b.push_back('\0');
  struct Tag {
    uint16_t tag, type;  // type 3: SHORT, 4: LONG
    uint32_t value;
  };
  const bool g4 = p.k < 0;
  std::vector<Tag> tags = {{256, 4, static_cast<uint32_t>(p.columns)},  // ImageWidth
                           {257, 4, static_cast<uint32_t>(p.rows)},     // ImageLength
                           {258, 3, 1},                                 // BitsPerSample
                           {259, 3, g4 ? 4u : 3u},                      // Compression: Group 4 or Group 3
                           {262, 3, 0},                                 // Photometric: min-is-white
                           {273, 4, 8},                                 // StripOffsets
                           {277, 3, 1},                                 // SamplesPerPixel
                           {278, 4, static_cast<uint32_t>(p.rows)},     // RowsPerStrip
                           {279, 4, static_cast<uint32_t>(size)}};      // StripByteCounts
  // T6Options for Group 4; T4Options for Group 3: 2-D coding, fill bits.
  if (g4) tags.push_back({293, 4, 0});
  else tags.push_back({292, 4, (p.k > 0 ? 1u : 0u) | (p.encodedByteAlign ? 4u : 0u)});
  put16(b, static_cast<uint16_t>(tags.size()));
  for (const Tag& t : tags) {
    put16(b, t.tag);
    put16(b, t.type);
    put32(b, 1);
    if (t.type == 3) {
      put16(b, static_cast<uint16_t>(t.value));
      put16(b, 0);
    } else {
      put32(b, t.value);
    }
  }
  put32(b, 0);
  return b;
}

}  // namespace

std::optional<DecodedSamples> decodeFax(const uint8_t* data, size_t size, const FaxParameters& parameters,
                                        const DecodeLimits& limits, std::string* error) {
  const int64_t columns = parameters.columns, rows = parameters.rows;
  if (columns <= 0 || rows <= 0 || columns > limits.maxSide || rows > limits.maxSide ||
      columns * rows > limits.maxPixels) {
    if (error) *error = "CCITT: bad size";
    return std::nullopt;
  }
  const std::string file = faxAsTiff(data, size, parameters);
  detail::MemorySource source{reinterpret_cast<const uint8_t*>(file.data()), static_cast<toff_t>(file.size()), 0};
  auto options = detail::quietOptions();
  // "m": libtiff reads through memRead rather than mapping the data.
  detail::TiffPtr tif(detail::tiffLibrary().TIFFClientOpenExt(
      "fax data", "rm", &source, detail::memRead, detail::memWrite, detail::memSeek, detail::memClose, detail::memSize,
      detail::memMap, detail::memUnmap, options.get()));
  if (!tif) {
    if (error) *error = "CCITT: cannot open the fax data";
    return std::nullopt;
  }
  // Group 4 keeps byte alignment in a mode of the codec, not in a tag.
  if (parameters.encodedByteAlign && parameters.k < 0)
    detail::tiffLibrary().TIFFSetField(tif.get(), TIFFTAG_FAXMODE, FAXMODE_BYTEALIGN);
  DecodedSamples out;
  out.width = static_cast<int>(columns);
  out.height = static_cast<int>(rows);
  out.components = 1;
  out.bitsPerComponent = 1;
  out.rowBytes = static_cast<size_t>((columns + 7) / 8);
  const tmsize_t stripSize = detail::tiffLibrary().TIFFStripSize(tif.get());
  std::vector<uint8_t> buffer(
      std::max<size_t>(static_cast<size_t>(std::max<tmsize_t>(stripSize, 0)), out.rowBytes * static_cast<size_t>(rows)),
      0);
  // A damaged stream still yields the rows decoded before the damage.
  detail::tiffLibrary().TIFFReadEncodedStrip(tif.get(), 0, buffer.data(), static_cast<tmsize_t>(buffer.size()));
  buffer.resize(out.rowBytes * static_cast<size_t>(rows));
  if (!parameters.blackIs1) {
    for (auto& byte : buffer) byte = static_cast<uint8_t>(~byte);
  }
  out.data = std::move(buffer);
  return out;
}

}  // namespace vq::imageio
