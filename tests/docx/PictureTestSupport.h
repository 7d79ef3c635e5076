#pragma once
// Reading pixels of pictures in tests: bitmaps drawn in the test or read back
// from files, where opaque pictures come without alpha.
#include <array>
#include <cstdint>

#include "platform/imageio/VQBitmap.h"

namespace vqtest {

using RGBA8 = std::array<uint8_t, 4>;

inline RGBA8 pixel(const vq::Bitmap& b, int x, int y) {
  if (b.format == vq::PixelFormat::RGB8) {
    const uint8_t* p = b.row(y) + 3 * x;
    return {p[0], p[1], p[2], 255};
  }
  const uint8_t* p = b.row(y) + 4 * x;
  return {p[0], p[1], p[2], p[3]};
}

}  // namespace vqtest
