// GIF through giflib. Colour is reduced to at most 256 colours: an exact
// palette when the image has no more than that, giflib's median-cut
// quantiser otherwise; grey images get a grey ramp palette.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <vector>

#include <gif_lib.h>

#include "platform/loader/VQSystemLibrary.h"

#include "platform/diagnostics/VQDiagnostics.h"
#include "platform/imageio/VQImageIOInternal.h"

namespace vq::imageio::detail {

namespace {

// giflib is opened on first use (see platform/loader/VQSystemLibrary.h).
// clang-format off
#define VQ_GIF_FUNCTIONS(F) \
  F(DGifCloseFile) F(DGifExtensionToGCB) F(DGifGetExtension) F(DGifGetExtensionNext) \
  F(DGifGetImageDesc) F(DGifGetLine) F(DGifGetRecordType) F(DGifOpen) F(EGifCloseFile) F(EGifOpen) \
  F(EGifPutImageDesc) F(EGifPutLine) F(EGifPutScreenDesc) F(GifErrorString) F(GifFreeMapObject) \
  F(GifMakeMapObject) F(GifQuantizeBuffer)
// clang-format on
VQ_SYSTEM_LIBRARY(GifLibrary, gifLibrary, VQ_GIF_SONAME, VQ_GIF_FUNCTIONS)

int gifWrite(GifFileType* gif, const GifByteType* bytes, int length) {
  auto* f = static_cast<FILE*>(gif->UserData);
  return static_cast<int>(std::fwrite(bytes, 1, static_cast<size_t>(length), f));
}

struct MemorySource {
  const uint8_t* data;
  size_t size;
  size_t pos;
};

int gifRead(GifFileType* gif, GifByteType* out, int length) {
  auto* m = static_cast<MemorySource*>(gif->UserData);
  size_t n = std::min(static_cast<size_t>(length < 0 ? 0 : length), m->size - m->pos);
  std::memcpy(out, m->data + m->pos, n);
  m->pos += n;
  return static_cast<int>(n);
}

// giflib has no text for codes it does not know.
std::string gifErrorText(int code) {
  const char* text = gifLibrary().GifErrorString(code);
  return std::string("GIF: ") + (text ? text : "");
}

struct EncoderCloser {
  void operator()(GifFileType* g) const {
    int err = 0;
    gifLibrary().EGifCloseFile(g, &err);
  }
};
struct DecoderCloser {
  void operator()(GifFileType* g) const {
    int err = 0;
    gifLibrary().DGifCloseFile(g, &err);
  }
};
struct MapDeleter {
  void operator()(ColorMapObject* m) const { gifLibrary().GifFreeMapObject(m); }
};

// Indexes `rgb` (w*h triples) against an exact palette; false when it has
// more than 256 colours.
bool exactPalette(const std::vector<uint8_t>& rgb, std::vector<GifColorType>& palette, std::vector<uint8_t>& indices) {
  std::unordered_map<uint32_t, uint8_t> seen;
  seen.reserve(512);
  const size_t n = rgb.size() / 3;
  indices.resize(n);
  uint32_t last = 0xffffffff;
  uint8_t lastIndex = 0;
  for (size_t i = 0; i < n; ++i) {
    const uint32_t key = (uint32_t(rgb[3 * i]) << 16) | (uint32_t(rgb[3 * i + 1]) << 8) | rgb[3 * i + 2];
    if (key != last) {
      auto it = seen.find(key);
      if (it == seen.end()) {
        if (seen.size() == 256) return false;
        it = seen.emplace(key, static_cast<uint8_t>(seen.size())).first;
        palette.push_back(GifColorType{rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]});
      }
      last = key;
      lastIndex = it->second;
    }
    indices[i] = lastIndex;
  }
  return true;
}

}  // namespace

bool writeGif(const Bitmap& image, AtomicFile& file, const WriteOptions&) {
  if (image.width > 0xffff || image.height > 0xffff) {
    VQDiagnose(VQDiagnosticCategory::Image, "GIF: image too large for the format");
    return false;
  }
  const size_t w = static_cast<size_t>(image.width), h = static_cast<size_t>(image.height);
  std::vector<GifColorType> palette;
  std::vector<uint8_t> indices;
  if (image.format == PixelFormat::Mono1) {
    palette = {{0, 0, 0}, {255, 255, 255}};
    indices.resize(w * h);
    for (size_t y = 0; y < h; ++y) {
      const uint8_t* row = image.row(static_cast<int>(y));
      for (size_t x = 0; x < w; ++x) indices[y * w + x] = (row[x >> 3] >> (7 - (x & 7))) & 1;
    }
  } else if (image.format == PixelFormat::Gray8) {
    for (int i = 0; i < 256; ++i) {
      const auto v = static_cast<GifByteType>(i);
      palette.push_back(GifColorType{v, v, v});
    }
    indices.resize(w * h);
    for (size_t y = 0; y < h; ++y) std::memcpy(&indices[y * w], image.row(static_cast<int>(y)), w);
  } else {
    std::vector<uint8_t> rgb(w * h * 3);
    for (size_t y = 0; y < h; ++y) convertRow(image, static_cast<int>(y), PixelFormat::RGB8, 255, &rgb[y * w * 3]);
    if (!exactPalette(rgb, palette, indices)) {
      std::vector<GifByteType> r(w * h), g(w * h), b(w * h);
      for (size_t i = 0; i < w * h; ++i) {
        r[i] = rgb[3 * i];
        g[i] = rgb[3 * i + 1];
        b[i] = rgb[3 * i + 2];
      }
      rgb.clear();
      rgb.shrink_to_fit();
      palette.assign(256, GifColorType{0, 0, 0});
      indices.assign(w * h, 0);
      int mapSize = 256;
      if (gifLibrary().GifQuantizeBuffer(static_cast<unsigned>(w), static_cast<unsigned>(h), &mapSize, r.data(),
                                         g.data(), b.data(), indices.data(), palette.data()) == GIF_ERROR) {
        VQDiagnose(VQDiagnosticCategory::Image, "GIF: colour quantisation failed");
        return false;
      }
      palette.resize(static_cast<size_t>(mapSize > 0 ? mapSize : 256));
    }
  }
  // Colour tables hold a power of two entries.
  size_t tableSize = 2;
  while (tableSize < palette.size()) tableSize *= 2;
  palette.resize(tableSize, GifColorType{0, 0, 0});
  std::unique_ptr<ColorMapObject, MapDeleter> map(
      gifLibrary().GifMakeMapObject(static_cast<int>(tableSize), palette.data()));
  FILE* out = file.stream();
  if (!map || !out) {
    VQDiagnose(VQDiagnosticCategory::Image, "GIF: cannot prepare the file");
    return false;
  }
  int err = 0;
  std::unique_ptr<GifFileType, EncoderCloser> gif(gifLibrary().EGifOpen(out, gifWrite, &err));
  if (!gif) {
    VQDiagnose(VQDiagnosticCategory::Image, gifErrorText(err));
    return false;
  }
  auto failed = [&]() {
    VQDiagnose(VQDiagnosticCategory::Image, gifErrorText(gif->Error));
    return false;
  };
  if (gifLibrary().EGifPutScreenDesc(gif.get(), image.width, image.height, 8, 0, map.get()) == GIF_ERROR)
    return failed();
  if (gifLibrary().EGifPutImageDesc(gif.get(), 0, 0, image.width, image.height, false, nullptr) == GIF_ERROR)
    return failed();
  for (size_t y = 0; y < h; ++y) {
    if (gifLibrary().EGifPutLine(gif.get(), &indices[y * w], image.width) == GIF_ERROR) return failed();
  }
  GifFileType* raw = gif.release();
  if (gifLibrary().EGifCloseFile(raw, &err) == GIF_ERROR) {
    VQDiagnose(VQDiagnosticCategory::Image, gifErrorText(err));
    return false;
  }
  return std::ferror(out) == 0;
}

std::optional<Bitmap> readGif(const uint8_t* data, size_t size) {
  MemorySource src{data, size, 0};
  int err = 0;
  std::unique_ptr<GifFileType, DecoderCloser> gif(gifLibrary().DGifOpen(&src, gifRead, &err));
  auto fail = [](const char* why) -> std::optional<Bitmap> {
    VQDiagnose(VQDiagnosticCategory::Image, std::string("GIF: ") + (why ? why : "cannot decode"));
    return std::nullopt;
  };
  if (!gif) return fail(gifLibrary().GifErrorString(err));
  GifFileType* g = gif.get();
  int transparent = -1;
  GifRecordType record = UNDEFINED_RECORD_TYPE;
  do {
    if (gifLibrary().DGifGetRecordType(g, &record) == GIF_ERROR) return fail(gifLibrary().GifErrorString(g->Error));
    if (record == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* ext = nullptr;
      if (gifLibrary().DGifGetExtension(g, &code, &ext) == GIF_ERROR)
        return fail(gifLibrary().GifErrorString(g->Error));
      if (code == GRAPHICS_EXT_FUNC_CODE && ext && ext[0] >= 4) {
        GraphicsControlBlock gcb;
        if (gifLibrary().DGifExtensionToGCB(ext[0], ext + 1, &gcb) == GIF_OK) transparent = gcb.TransparentColor;
      }
      while (ext) {
        if (gifLibrary().DGifGetExtensionNext(g, &ext) == GIF_ERROR) return fail(gifLibrary().GifErrorString(g->Error));
      }
    } else if (record == IMAGE_DESC_RECORD_TYPE) {
      if (gifLibrary().DGifGetImageDesc(g) == GIF_ERROR) return fail(gifLibrary().GifErrorString(g->Error));
      const GifImageDesc& d = g->Image;
      const ColorMapObject* map = d.ColorMap ? d.ColorMap : g->SColorMap;
      if (!map) return fail("no colour table");
      if (d.Left < 0 || d.Top < 0 || !acceptableSize(uint64_t(d.Width), uint64_t(d.Height), "GIF")) return std::nullopt;
      const int canvasW = std::max(g->SWidth, d.Left + d.Width);
      const int canvasH = std::max(g->SHeight, d.Top + d.Height);
      if (!acceptableSize(uint64_t(canvasW), uint64_t(canvasH), "GIF")) return std::nullopt;
      std::vector<GifPixelType> frame(size_t(d.Width) * size_t(d.Height));
      static const int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
      const int passes = d.Interlace ? 4 : 1;
      for (int p = 0; p < passes; ++p) {
        for (int y = d.Interlace ? kStart[p] : 0; y < d.Height; y += d.Interlace ? kStep[p] : 1) {
          if (gifLibrary().DGifGetLine(g, &frame[size_t(y) * size_t(d.Width)], d.Width) == GIF_ERROR)
            return fail(gifLibrary().GifErrorString(g->Error));
        }
      }
      const bool covers = d.Left == 0 && d.Top == 0 && d.Width == canvasW && d.Height == canvasH;
      const bool alpha = transparent >= 0 || !covers;
      Bitmap out = Bitmap::make(canvasW, canvasH, alpha ? PixelFormat::RGBA8 : PixelFormat::RGB8);
      const int n = alpha ? 4 : 3;
      for (int y = 0; y < d.Height; ++y) {
        uint8_t* row = out.row(d.Top + y) + size_t(d.Left) * n;
        for (int x = 0; x < d.Width; ++x, row += n) {
          const int index = frame[size_t(y) * size_t(d.Width) + size_t(x)];
          if (index == transparent) continue;  // stays transparent black
          if (index < map->ColorCount) {
            row[0] = map->Colors[index].Red;
            row[1] = map->Colors[index].Green;
            row[2] = map->Colors[index].Blue;
          }
          if (alpha) row[3] = 255;
        }
      }
      return out;
    }
  } while (record != TERMINATE_RECORD_TYPE);
  return fail("no image in the file");
}

}  // namespace vq::imageio::detail
