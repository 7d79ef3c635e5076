#pragma once
// An uncompressed image in memory: the form in which rendered pages, decoded
// PDF images and clipped pictures travel to the image-file writers.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vq {

enum class PixelFormat {
  Gray8,  // 1 byte a pixel
  RGB8,   // 3 bytes a pixel, R G B
  RGBA8,  // 4 bytes a pixel, R G B A, straight (not premultiplied) alpha
  Mono1,  // 1 bit a pixel, most significant bit first, 0 = black, 1 = white
};

struct Bitmap {
  int width = 0;
  int height = 0;
  PixelFormat format = PixelFormat::RGBA8;
  size_t stride = 0;            // bytes per row
  std::vector<uint8_t> pixels;  // height * stride bytes
  double dpiX = 72;             // resolution stored in files that have a place for it
  double dpiY = 72;

  bool empty() const { return width <= 0 || height <= 0 || pixels.empty(); }

  // Bytes a row of `w` pixels needs, without padding.
  static size_t rowBytes(int w, PixelFormat f) {
    if (w <= 0) return 0;
    switch (f) {
      case PixelFormat::Gray8:
        return static_cast<size_t>(w);
      case PixelFormat::RGB8:
        return static_cast<size_t>(w) * 3;
      case PixelFormat::RGBA8:
        return static_cast<size_t>(w) * 4;
      case PixelFormat::Mono1:
        return (static_cast<size_t>(w) + 7) / 8;
    }
    return 0;
  }
  // A zero-filled bitmap with unpadded rows.
  static Bitmap make(int w, int h, PixelFormat f) {
    Bitmap b;
    b.width = w > 0 ? w : 0;
    b.height = h > 0 ? h : 0;
    b.format = f;
    b.stride = rowBytes(b.width, f);
    b.pixels.assign(b.stride * static_cast<size_t>(b.height), 0);
    return b;
  }
  uint8_t* row(int y) { return pixels.data() + static_cast<size_t>(y) * stride; }
  const uint8_t* row(int y) const { return pixels.data() + static_cast<size_t>(y) * stride; }
};

}  // namespace vq
