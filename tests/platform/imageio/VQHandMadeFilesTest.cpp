// Files made byte by byte, for the reader paths our own writers never produce
// (palettes, bit fields, bottom-up and run-length data).
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/imageio/VQImageIO.h"

namespace {

using vq::PixelFormat;
using Bytes = std::vector<uint8_t>;

void le(Bytes& b, uint32_t v, int n) {
  for (int i = 0; i < n; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A BMP with a 40-byte header; `extra` (palette or masks) sits between the
// header and the pixel rows, which are given in file order, already padded.
Bytes bmp(int32_t w, int32_t h, uint16_t bpp, uint32_t compression, uint32_t colours, const Bytes& extra,
          const Bytes& rows) {
  Bytes b = {'B', 'M'};
  const uint32_t offset = 14 + 40 + static_cast<uint32_t>(extra.size());
  le(b, offset + static_cast<uint32_t>(rows.size()), 4);
  le(b, 0, 4);
  le(b, offset, 4);
  le(b, 40, 4);
  le(b, static_cast<uint32_t>(w), 4);
  le(b, static_cast<uint32_t>(h), 4);
  le(b, 1, 2);
  le(b, bpp, 2);
  le(b, compression, 4);
  le(b, static_cast<uint32_t>(rows.size()), 4);
  le(b, 3780, 4);  // 96 dpi
  le(b, 3780, 4);
  le(b, colours, 4);
  le(b, 0, 4);
  b.insert(b.end(), extra.begin(), extra.end());
  b.insert(b.end(), rows.begin(), rows.end());
  return b;
}

struct Case {
  const char* name;
  Bytes file;
  int width, height;
  std::vector<uint32_t> rgb;  // expected 0xRRGGBB, top row first
};

std::vector<Case> cases() {
  const Bytes bwPalette = {0, 0, 0, 0, 255, 255, 255, 0};
  const Bytes redBluePalette = {0, 0, 255, 0, 255, 0, 0, 0};  // index 0 red, 1 blue (BGRX)
  std::vector<Case> c;
  // 8-bit palette, top-down (negative height), 3 pixels padded to 4 bytes.
  c.push_back({"bmp 8-bit top-down",
               bmp(3, -2, 8, 0, 2, redBluePalette, {0, 1, 0, 0, 1, 1, 0, 0}),
               3,
               2,
               {0xff0000, 0x0000ff, 0xff0000, 0x0000ff, 0x0000ff, 0xff0000}});
  // 1-bit, bottom-up: the first row in the file is the bottom row.
  c.push_back({"bmp 1-bit bottom-up",
               bmp(10, 2, 1, 0, 0, bwPalette, {0xff, 0xc0, 0, 0, 0xa0, 0x40, 0, 0}),
               10,
               2,
               {0xffffff, 0,        0xffffff, 0,        0,        0,        0,        0,        0,        0xffffff,
                0xffffff, 0xffffff, 0xffffff, 0xffffff, 0xffffff, 0xffffff, 0xffffff, 0xffffff, 0xffffff, 0xffffff}});
  // 4-bit palette.
  c.push_back(
      {"bmp 4-bit", bmp(3, 1, 4, 0, 2, redBluePalette, {0x01, 0x00, 0, 0}), 3, 1, {0xff0000, 0x0000ff, 0xff0000}});
  // Run-length 8-bit: bottom row "2 x index 1, then literal 0 1 0", top row
  // moved to by end-of-line, "1 x index 0", then end of bitmap.
  c.push_back({"bmp rle8",
               bmp(5, 2, 8, 1, 2, redBluePalette, {2, 1, 0, 3, 0, 1, 0, 0, 0, 0, 1, 0, 0, 1}),
               5,
               2,
               {0xff0000, 0xff0000, 0xff0000, 0xff0000, 0xff0000, 0x0000ff, 0x0000ff, 0xff0000, 0x0000ff, 0xff0000}});
  // Run-length 4-bit: a run of alternating nibbles "1 0", then a literal "1 0 1".
  c.push_back({"bmp rle4",
               bmp(5, 1, 4, 2, 2, redBluePalette, {2, 0x10, 0, 3, 0x10, 0x10, 0, 1}),
               5,
               1,
               {0x0000ff, 0xff0000, 0x0000ff, 0xff0000, 0x0000ff}});
  // 16-bit 5-6-5 bit fields (masks after the header).
  Bytes masks;
  le(masks, 0xf800, 4);
  le(masks, 0x07e0, 4);
  le(masks, 0x001f, 4);
  Bytes px16;
  le(px16, 0xf800, 2);
  le(px16, 0x07e0, 2);
  c.push_back({"bmp 16-bit 565", bmp(2, 1, 16, 3, 0, masks, px16), 2, 1, {0xff0000, 0x00ff00}});
  // 16-bit without masks: 5-5-5.
  Bytes px555;
  le(px555, 0x7c00, 2);
  le(px555, 0x001f, 2);
  c.push_back({"bmp 16-bit 555", bmp(2, 1, 16, 0, 0, {}, px555), 2, 1, {0xff0000, 0x0000ff}});
  // 32-bit BI_RGB: the fourth byte is unused.
  c.push_back({"bmp 32-bit", bmp(1, 1, 32, 0, 0, {}, {0x10, 0x20, 0x30, 0x00}), 1, 1, {0x302010}});

  // TGA: run-length true colour, bottom-left origin.
  Bytes tga = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 2, 0, 24, 0};
  tga.insert(tga.end(), {0x83, 0, 0, 255});                            // bottom row: 4 x red
  tga.insert(tga.end(), {0x01, 255, 0, 0, 0, 255, 0, 0x81, 1, 2, 3});  // top row: blue, green, 2 x (3,2,1)
  c.push_back({"tga rle bottom-up",
               tga,
               4,
               2,
               {0x0000ff, 0x00ff00, 0x030201, 0x030201, 0xff0000, 0xff0000, 0xff0000, 0xff0000}});
  // TGA: uncompressed grey, top-left origin.
  Bytes grey = {0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 1, 0, 8, 0x20, 0x40, 0x80};
  c.push_back({"tga grey", grey, 2, 1, {0x404040, 0x808080}});
  return c;
}

TEST(HandMadeFiles, DecodeToTheExpectedPixels) {
  for (const auto& c : cases()) {
    SCOPED_TRACE(c.name);
    const std::string hint = c.name[0] == 't' ? "x.tga" : "x.bmp";
    auto img = vq::imageio::readImageData(c.file.data(), c.file.size(), hint);
    ASSERT_TRUE(img.has_value());
    ASSERT_EQ(img->width, c.width);
    ASSERT_EQ(img->height, c.height);
    const vq::Bitmap rgb = vq::imageio::convertBitmap(*img, PixelFormat::RGB8);
    for (int y = 0; y < c.height; ++y)
      for (int x = 0; x < c.width; ++x) {
        const uint8_t* p = rgb.row(y) + 3 * x;
        const uint32_t got = (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
        EXPECT_EQ(got, c.rgb[size_t(y * c.width + x)]) << "pixel " << x << "," << y;
      }
  }
}

TEST(HandMadeFiles, BrokenRunLengthDataIsRefused) {
  // A run that would write past the image, and a raw packet cut short.
  const Bytes overflow = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 1, 0, 24, 0, 0x85, 1, 2, 3};
  const Bytes cut = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 1, 0, 24, 0, 0x01, 1, 2, 3, 4};
  for (const auto& f : {overflow, cut}) EXPECT_FALSE(vq::imageio::readImageData(f.data(), f.size(), "x.tga"));
}

}  // namespace
