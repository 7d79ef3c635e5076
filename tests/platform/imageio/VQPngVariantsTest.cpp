// PNG colour types and depths that other programs write and we read back.
#include <gtest/gtest.h>
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <vector>

#include "platform/imageio/VQImageIO.h"
#include "support/TestSupport.h"

namespace {

struct PngCase {
  const char* name;
  int colorType, bitDepth, interlace;
  std::vector<std::vector<uint8_t>> rows;  // packed as the PNG stores them
  std::vector<png_color> palette;
  std::vector<uint8_t> trns;
  std::vector<uint32_t> rgba;  // expected 0xRRGGBBAA, top row first
};

bool writePng(const std::string& path, const PngCase& s, int w, int h) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, w, h, s.bitDepth, s.colorType, s.interlace, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!s.palette.empty()) png_set_PLTE(png, info, s.palette.data(), static_cast<int>(s.palette.size()));
  if (!s.trns.empty()) png_set_tRNS(png, info, s.trns.data(), static_cast<int>(s.trns.size()), nullptr);
  png_write_info(png, info);
  std::vector<png_bytep> rows;
  for (const auto& r : s.rows) rows.push_back(const_cast<png_bytep>(r.data()));
  png_write_image(png, rows.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

TEST(PngVariants, DecodeToStraightRgbaValues) {
  vqtest::ScratchDir dir;
  const PngCase cases[] = {
      {"palette with tRNS",
       PNG_COLOR_TYPE_PALETTE,
       8,
       PNG_INTERLACE_NONE,
       {{0, 1, 2}, {2, 1, 0}},
       {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}},
       {255, 128, 0},
       {0xff0000ff, 0x00ff0080, 0x0000ff00, 0x0000ff00, 0x00ff0080, 0xff0000ff}},
      {"grey with alpha",
       PNG_COLOR_TYPE_GRAY_ALPHA,
       8,
       PNG_INTERLACE_NONE,
       {{10, 255, 20, 0, 30, 7}, {40, 1, 50, 2, 60, 3}},
       {},
       {},
       {0x0a0a0aff, 0x14141400, 0x1e1e1e07, 0x28282801, 0x32323202, 0x3c3c3c03}},
      {"2-bit grey",
       PNG_COLOR_TYPE_GRAY,
       2,
       PNG_INTERLACE_NONE,
       {{0x1b}, {0xe4}},  // 0 1 2 (3) / 3 2 1 (0)
       {},
       {},
       {0x000000ff, 0x555555ff, 0xaaaaaaff, 0xffffffff, 0xaaaaaaff, 0x555555ff}},
      {"16-bit RGB, interlaced",
       PNG_COLOR_TYPE_RGB,
       16,
       PNG_INTERLACE_ADAM7,
       {{0x12, 0x34, 0, 0, 0xff, 0xff, 0, 0, 0x80, 0x01, 0, 0, 1, 2, 3, 4, 5, 6},
        {0xab, 0, 0xcd, 0, 0xef, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff}},
       {},
       {},
       {0x1200ffff, 0x008000ff, 0x010305ff, 0xabcdefff, 0x000000ff, 0xffffffff}},
  };
  int i = 0;
  for (const auto& s : cases) {
    SCOPED_TRACE(s.name);
    const std::string path = (dir / ("v" + std::to_string(i++) + ".png")).string();
    ASSERT_TRUE(writePng(path, s, 3, 2));
    auto img = vq::imageio::readImageFile(path);
    ASSERT_TRUE(img);
    ASSERT_EQ(img->width, 3);
    ASSERT_EQ(img->height, 2);
    const vq::Bitmap rgba = vq::imageio::convertBitmap(*img, vq::PixelFormat::RGBA8);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x) {
        const uint8_t* p = rgba.row(y) + 4 * x;
        const uint32_t got = (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
        EXPECT_EQ(got, s.rgba[size_t(y * 3 + x)]) << "pixel " << x << "," << y;
      }
  }
}

}  // namespace
