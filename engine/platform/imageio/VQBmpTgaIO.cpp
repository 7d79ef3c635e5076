// BMP and TGA: both simple enough to write and read by hand.
#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#include "platform/diagnostics/VQDiagnostics.h"
#include "platform/imageio/VQImageIOInternal.h"

namespace vq::imageio::detail {

namespace {

void put16(std::vector<uint8_t>& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(std::vector<uint8_t>& b, uint32_t v) {
  put16(b, v & 0xffff);
  put16(b, v >> 16);
}
uint32_t get16(const uint8_t* p) { return p[0] | (uint32_t(p[1]) << 8); }
uint32_t get32(const uint8_t* p) { return get16(p) | (get16(p + 2) << 16); }

bool writeAll(FILE* f, const std::vector<uint8_t>& bytes) {
  return f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
}

// Bytes of a pixel row as BGR or BGRA, from any format.
void bgrRow(const Bitmap& image, int y, bool alpha, uint8_t* out, std::vector<uint8_t>& scratch) {
  PixelFormat f = alpha ? PixelFormat::RGBA8 : PixelFormat::RGB8;
  const int n = alpha ? 4 : 3;
  scratch.resize(Bitmap::rowBytes(image.width, f));
  convertRow(image, y, f, 255, scratch.data());
  for (int x = 0; x < image.width; ++x) {
    const uint8_t* s = scratch.data() + n * x;
    uint8_t* d = out + n * x;
    d[0] = s[2];
    d[1] = s[1];
    d[2] = s[0];
    if (alpha) d[3] = s[3];
  }
}

struct Mask {
  uint32_t mask = 0;
  int shift = 0;
  uint32_t max = 0;
  explicit Mask(uint32_t m = 0) : mask(m) {
    if (m) {
      shift = std::countr_zero(m);
      max = m >> shift;
      // Masks with holes are not meaningful; treat the span as contiguous.
      max = (uint64_t(1) << std::bit_width(max)) - 1;
    }
  }
  uint8_t operator()(uint32_t px) const {
    if (!mask) return 0;
    uint32_t v = (px & mask) >> shift;
    return static_cast<uint8_t>((uint64_t(v) * 255 + max / 2) / max);
  }
};

// BI_RLE8 / BI_RLE4 pixel data into one palette index per pixel, rows in
// file order (bottom row first). Pixels the data skips keep index 0.
bool decodeRle(const uint8_t* p, size_t size, int width, int height, bool fourBit, std::vector<uint8_t>& out) {
  out.assign(size_t(width) * size_t(height), 0);
  size_t pos = 0;
  int x = 0, y = 0;
  auto put = [&](uint8_t index) {
    if (x < width && y < height) out[size_t(y) * size_t(width) + size_t(x)] = index;
    ++x;
  };
  while (pos + 1 < size) {
    const uint8_t count = p[pos], value = p[pos + 1];
    pos += 2;
    if (count > 0) {
      for (int i = 0; i < count; ++i) put(fourBit ? ((i & 1) ? value & 0x0f : value >> 4) : value);
    } else if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of bitmap
      return true;
    } else if (value == 2) {  // move right and up
      if (pos + 1 >= size) return false;
      x += p[pos];
      y += p[pos + 1];
      pos += 2;
    } else {  // a literal run of `value` pixels, padded to 16 bits
      const size_t bytes = fourBit ? (value + 1u) / 2 : value;
      if (bytes > size - pos) return false;
      for (int i = 0; i < value; ++i)
        put(fourBit ? ((i & 1) ? p[pos + i / 2] & 0x0f : p[pos + i / 2] >> 4) : p[pos + i]);
      pos += bytes + (bytes & 1);
    }
    if (y >= height) return true;
  }
  return true;  // data ended without its end marker: keep what was decoded
}

}  // namespace

bool writeBmp(const Bitmap& image, AtomicFile& file, const WriteOptions& options) {
  const bool alpha = !isOpaque(image);
  const uint32_t bpp = alpha ? 32 : 24;
  const uint32_t infoSize = alpha ? 108 : 40;  // BITMAPV4HEADER carries the alpha mask
  const uint64_t rowSize = (uint64_t(image.width) * bpp / 8 + 3) & ~uint64_t(3);
  const uint64_t dataSize = rowSize * uint64_t(image.height);
  const uint64_t offset = 14 + infoSize;
  if (offset + dataSize > 0xffffffffu) {
    VQDiagnose(VQDiagnosticCategory::Image, "BMP: image too large for the format");
    return false;
  }
  std::vector<uint8_t> h;
  h.reserve(offset);
  h.push_back('B');
  h.push_back('M');
  put32(h, static_cast<uint32_t>(offset + dataSize));
  put32(h, 0);
  put32(h, static_cast<uint32_t>(offset));
  put32(h, infoSize);
  put32(h, static_cast<uint32_t>(image.width));
  put32(h, static_cast<uint32_t>(image.height));  // positive: rows bottom-up
  put16(h, 1);
  put16(h, bpp);
  put32(h, alpha ? 3 : 0);  // BI_BITFIELDS : BI_RGB
  put32(h, static_cast<uint32_t>(dataSize));
  put32(h, pixelsPerMetre(options.dpiX));
  put32(h, pixelsPerMetre(options.dpiY));
  put32(h, 0);
  put32(h, 0);
  if (alpha) {
    put32(h, 0x00ff0000);
    put32(h, 0x0000ff00);
    put32(h, 0x000000ff);
    put32(h, 0xff000000);
    put32(h, 0x73524742);                      // 'sRGB'
    for (int i = 0; i < 12; ++i) put32(h, 0);  // endpoints and gamma, unused for sRGB
  }
  FILE* f = file.stream();
  if (!writeAll(f, h)) {
    VQDiagnose(VQDiagnosticCategory::Image, "BMP: cannot write the file");
    return false;
  }
  std::vector<uint8_t> row(static_cast<size_t>(rowSize), 0), scratch;
  for (int y = image.height - 1; y >= 0; --y) {
    bgrRow(image, y, alpha, row.data(), scratch);
    if (!writeAll(f, row)) {
      VQDiagnose(VQDiagnosticCategory::Image, "BMP: cannot write the file");
      return false;
    }
  }
  return true;
}

std::optional<Bitmap> readBmp(const uint8_t* data, size_t size) {
  auto fail = [](const char* why) -> std::optional<Bitmap> {
    VQDiagnose(VQDiagnosticCategory::Image, std::string("BMP: ") + why);
    return std::nullopt;
  };
  if (size < 14 + 12) return fail("file is truncated");
  const uint32_t offset = get32(data + 10);
  const uint32_t infoSize = get32(data + 14);
  if (infoSize < 12 || 14 + uint64_t(infoSize) > size) return fail("bad header");
  const uint8_t* info = data + 14;
  int64_t width, height;
  uint32_t bpp, compression = 0, colorsUsed = 0;
  double dpiX = 72, dpiY = 72;
  if (infoSize == 12) {  // OS/2 core header
    width = get16(info + 4);
    height = static_cast<int16_t>(get16(info + 6));
    bpp = get16(info + 10);
  } else {
    if (infoSize < 40) return fail("bad header");
    width = static_cast<int32_t>(get32(info + 4));
    height = static_cast<int32_t>(get32(info + 8));
    bpp = get16(info + 14);
    compression = get32(info + 16);
    uint32_t ppmX = get32(info + 24), ppmY = get32(info + 28);
    if (ppmX > 0 && ppmY > 0) {
      dpiX = dpiFromPixelsPerMetre(ppmX);
      dpiY = dpiFromPixelsPerMetre(ppmY);
    }
    colorsUsed = get32(info + 32);
  }
  const bool topDown = height < 0;
  if (topDown) height = -height;
  if (width <= 0 || !acceptableSize(uint64_t(width), uint64_t(height), "BMP")) return std::nullopt;
  uint32_t masks[4] = {0, 0, 0, 0};
  if (compression == 3 || compression == 6) {  // BI_BITFIELDS, BI_ALPHABITFIELDS
    // The masks sit right after the 40-byte part of the header, inside
    // the larger headers and just after the small one.
    const size_t n = (compression == 6 || infoSize >= 56) ? 4 : 3;
    if (14 + 40 + 4 * n > size) return fail("file is truncated");
    for (size_t i = 0; i < n; ++i) masks[i] = get32(info + 40 + 4 * i);
  } else if (compression == 0) {
    if (bpp == 16) {
      masks[0] = 0x7c00;
      masks[1] = 0x03e0;
      masks[2] = 0x001f;
    } else if (bpp == 32) {
      masks[0] = 0xff0000;
      masks[1] = 0xff00;
      masks[2] = 0xff;
      if (infoSize >= 56) masks[3] = get32(info + 52);
    }
  } else if (!((compression == 1 && bpp == 8) || (compression == 2 && bpp == 4))) {
    return fail("unsupported compression");
  }
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return fail("unsupported bit depth");
  std::vector<uint8_t> palette;  // RGB triples
  if (bpp <= 8) {
    const size_t entry = infoSize == 12 ? 3 : 4;
    size_t count = colorsUsed ? colorsUsed : (size_t(1) << bpp);
    count = std::min<size_t>(count, 256);
    const uint64_t start = 14 + uint64_t(infoSize) + (compression == 3 ? 12 : 0);
    if (start + count * entry > size) return fail("file is truncated");
    for (size_t i = 0; i < count; ++i) {
      const uint8_t* p = data + start + i * entry;
      palette.insert(palette.end(), {p[2], p[1], p[0]});
    }
  }
  if (compression == 1 || compression == 2) {
    if (topDown) return fail("run-length bitmaps must be stored bottom-up");
    if (offset > size) return fail("file is truncated");
    std::vector<uint8_t> indices;
    if (!decodeRle(data + offset, size - offset, static_cast<int>(width), static_cast<int>(height), compression == 2,
                   indices))
      return fail("damaged run-length data");
    Bitmap out = Bitmap::make(static_cast<int>(width), static_cast<int>(height), PixelFormat::RGB8);
    for (int64_t y = 0; y < height; ++y) {
      uint8_t* dst = out.row(static_cast<int>(height - 1 - y));  // decoded bottom row first
      for (int64_t x = 0; x < width; ++x, dst += 3) {
        const size_t index = indices[size_t(y) * size_t(width) + size_t(x)];
        if (3 * index + 2 < palette.size()) std::memcpy(dst, &palette[3 * index], 3);
      }
    }
    out.dpiX = dpiX;
    out.dpiY = dpiY;
    return out;
  }
  const uint64_t rowSize = ((uint64_t(width) * bpp + 31) / 32) * 4;
  if (offset > size || rowSize * uint64_t(height) > size - offset) return fail("file is truncated");
  const bool alpha = (bpp == 16 || bpp == 32) && masks[3] != 0;
  Bitmap out =
      Bitmap::make(static_cast<int>(width), static_cast<int>(height), alpha ? PixelFormat::RGBA8 : PixelFormat::RGB8);
  const Mask r(masks[0]), g(masks[1]), b(masks[2]), a(masks[3]);
  bool anyAlpha = false;
  const int n = alpha ? 4 : 3;
  for (int64_t y = 0; y < height; ++y) {
    const uint8_t* src = data + offset + rowSize * uint64_t(topDown ? y : height - 1 - y);
    uint8_t* dst = out.row(static_cast<int>(y));
    for (int64_t x = 0; x < width; ++x, dst += n) {
      if (bpp <= 8) {
        const uint32_t bitPos = static_cast<uint32_t>(x) * bpp;
        const uint32_t shift = 8 - bpp - (bitPos & 7);
        const uint32_t index = (src[bitPos >> 3] >> shift) & ((1u << bpp) - 1);
        if (3 * index + 2 < palette.size()) std::memcpy(dst, &palette[3 * index], 3);
      } else if (bpp == 24) {
        dst[0] = src[3 * x + 2];
        dst[1] = src[3 * x + 1];
        dst[2] = src[3 * x];
      } else {
        const uint32_t px = bpp == 16 ? get16(src + 2 * x) : get32(src + 4 * x);
        dst[0] = r(px);
        dst[1] = g(px);
        dst[2] = b(px);
        if (alpha) {
          dst[3] = a(px);
          anyAlpha = anyAlpha || dst[3] != 0;
        }
      }
    }
  }
  // Many writers declare an alpha mask but leave it zero: such files are opaque.
  if (alpha && !anyAlpha) out = convertBitmap(out, PixelFormat::RGB8);
  out.dpiX = dpiX;
  out.dpiY = dpiY;
  return out;
}

bool writeTga(const Bitmap& image, AtomicFile& file, const WriteOptions&) {
  if (image.width > 0xffff || image.height > 0xffff) {
    VQDiagnose(VQDiagnosticCategory::Image, "TGA: image too large for the format");
    return false;
  }
  const bool alpha = !isOpaque(image);
  std::vector<uint8_t> h;
  h.push_back(0);                              // no image id
  h.push_back(0);                              // no colour map
  h.push_back(2);                              // uncompressed true colour
  for (int i = 0; i < 5; ++i) h.push_back(0);  // colour map fields (none)
  put16(h, 0);
  put16(h, 0);
  put16(h, static_cast<uint32_t>(image.width));
  put16(h, static_cast<uint32_t>(image.height));
  h.push_back(alpha ? 32 : 24);
  h.push_back(static_cast<uint8_t>(0x20 | (alpha ? 8 : 0)));  // top-left origin, alpha bits
  FILE* f = file.stream();
  if (!writeAll(f, h)) {
    VQDiagnose(VQDiagnosticCategory::Image, "TGA: cannot write the file");
    return false;
  }
  std::vector<uint8_t> row(Bitmap::rowBytes(image.width, alpha ? PixelFormat::RGBA8 : PixelFormat::RGB8)), scratch;
  for (int y = 0; y < image.height; ++y) {
    bgrRow(image, y, alpha, row.data(), scratch);
    if (!writeAll(f, row)) {
      VQDiagnose(VQDiagnosticCategory::Image, "TGA: cannot write the file");
      return false;
    }
  }
  std::vector<uint8_t> footer(8, 0);
  const char sig[] = "TRUEVISION-XFILE.";
  footer.insert(footer.end(), sig, sig + sizeof sig);  // with its terminating NUL
  if (!writeAll(f, footer)) {
    VQDiagnose(VQDiagnosticCategory::Image, "TGA: cannot write the file");
    return false;
  }
  return true;
}

std::optional<Bitmap> readTga(const uint8_t* data, size_t size) {
  auto fail = [](const char* why) -> std::optional<Bitmap> {
    VQDiagnose(VQDiagnosticCategory::Image, std::string("TGA: ") + why);
    return std::nullopt;
  };
  if (size < 18) return fail("file is truncated");
  const uint32_t idLength = data[0], mapType = data[1], type = data[2];
  const uint32_t mapLength = get16(data + 5), mapEntryBits = data[7];
  const int width = static_cast<int>(get16(data + 12)), height = static_cast<int>(get16(data + 14));
  const uint32_t bpp = data[16], descriptor = data[17];
  const bool rle = type == 10 || type == 11;
  const bool grey = type == 3 || type == 11;
  if (!(type == 2 || type == 3 || type == 10 || type == 11)) return fail("unsupported image type");
  if (grey ? bpp != 8 : (bpp != 16 && bpp != 24 && bpp != 32)) return fail("unsupported bit depth");
  if (!acceptableSize(uint64_t(width), uint64_t(height), "TGA")) return std::nullopt;
  size_t pos = 18 + idLength + (mapType == 1 ? mapLength * ((mapEntryBits + 7) / 8) : 0);
  const bool alpha = bpp == 32 && (descriptor & 0x0f) != 0;
  const PixelFormat format = grey ? PixelFormat::Gray8 : alpha ? PixelFormat::RGBA8 : PixelFormat::RGB8;
  const size_t inBytes = bpp / 8, outBytes = grey ? 1 : alpha ? 4 : 3;
  Bitmap out = Bitmap::make(width, height, format);
  const size_t total = size_t(width) * size_t(height);
  auto store = [&](size_t i, const uint8_t* px) {
    const size_t x = i % size_t(width), yFile = i / size_t(width);
    const size_t y = (descriptor & 0x20) ? yFile : size_t(height) - 1 - yFile;
    const size_t xx = (descriptor & 0x10) ? size_t(width) - 1 - x : x;
    uint8_t* d = out.row(static_cast<int>(y)) + xx * outBytes;
    if (grey) {
      d[0] = px[0];
    } else if (bpp == 16) {
      const uint32_t v = get16(px);
      d[0] = static_cast<uint8_t>(((v >> 10) & 31) * 255 / 31);
      d[1] = static_cast<uint8_t>(((v >> 5) & 31) * 255 / 31);
      d[2] = static_cast<uint8_t>((v & 31) * 255 / 31);
    } else {
      d[0] = px[2];
      d[1] = px[1];
      d[2] = px[0];
      if (alpha) d[3] = px[3];
    }
  };
  size_t i = 0;
  while (i < total) {
    size_t count = 1;
    bool repeat = false;
    if (rle) {
      if (pos >= size) return fail("file is truncated");
      const uint8_t packet = data[pos++];
      count = (packet & 0x7f) + 1u;
      repeat = packet & 0x80;
      if (count > total - i) return fail("run-length packet overflows the image");
    } else {
      count = total;
    }
    const size_t need = repeat ? inBytes : inBytes * count;
    if (pos > size || need > size - pos) return fail("file is truncated");
    for (size_t k = 0; k < count; ++k) store(i + k, data + pos + (repeat ? 0 : k * inBytes));
    pos += need;
    i += count;
  }
  return out;
}

}  // namespace vq::imageio::detail
