#include "platform/imageio/VQImageIO.h"

#include <gtest/gtest.h>
#include <jpeglib.h>
#include <tiffio.h>

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace {

using vq::Bitmap;
using vq::PixelFormat;
using vq::imageio::ImageFileType;
namespace fs = std::filesystem;

// Odd sizes so that row padding (BMP, Mono1) and partial bytes are exercised.
constexpr int kW = 37;
constexpr int kH = 23;

Bitmap sample(PixelFormat f, bool translucent = true) {
  Bitmap b = Bitmap::make(kW, kH, f);
  for (int y = 0; y < kH; ++y) {
    uint8_t* p = b.row(y);
    for (int x = 0; x < kW; ++x) {
      const uint8_t r = static_cast<uint8_t>(x * 255 / (kW - 1)), g = static_cast<uint8_t>(y * 255 / (kH - 1)),
                    bl = static_cast<uint8_t>((x + y) * 4);
      switch (f) {
        case PixelFormat::Gray8:
          p[x] = static_cast<uint8_t>((x * 7 + y * 3) & 0xff);
          break;
        case PixelFormat::Mono1:
          if ((x + y) % 3 == 0) p[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
          break;
        case PixelFormat::RGB8:
          p[3 * x] = r;
          p[3 * x + 1] = g;
          p[3 * x + 2] = bl;
          break;
        case PixelFormat::RGBA8:
          p[4 * x] = r;
          p[4 * x + 1] = g;
          p[4 * x + 2] = bl;
          p[4 * x + 3] = translucent ? static_cast<uint8_t>(255 - x * 5) : 255;
          break;
      }
    }
  }
  return b;
}

// Largest channel difference between two images seen as RGBA.
int maxDifference(const Bitmap& a, const Bitmap& b) {
  if (a.width != b.width || a.height != b.height) return 1000;
  Bitmap ra = vq::imageio::convertBitmap(a, PixelFormat::RGBA8), rb = vq::imageio::convertBitmap(b, PixelFormat::RGBA8);
  int worst = 0;
  for (size_t i = 0; i < ra.pixels.size(); ++i)
    worst = std::max(worst, std::abs(int(ra.pixels[i]) - int(rb.pixels[i])));
  return worst;
}

std::vector<uint8_t> slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t be32(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}
uint32_t le32(const uint8_t* p) {
  return p[0] | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

size_t leftovers(const fs::path& dir) {
  size_t n = 0;
  for (const auto& e : fs::directory_iterator(dir)) n += e.path().extension() == ".part";
  return n;
}

struct FormatCase {
  ImageFileType type;
  const char* ext;
  bool lossless;  // pixels come back exactly
  bool keepsAlpha;
  int tolerance;  // when not lossless
  bool keepsDpi;
};

const FormatCase kFormats[] = {
    {ImageFileType::PNG, "png", true, true, 0, true},       {ImageFileType::BMP, "bmp", true, true, 0, true},
    {ImageFileType::TIFF, "tiff", true, true, 0, true},     {ImageFileType::TGA, "tga", true, true, 0, false},
    {ImageFileType::JPEG2000, "jp2", true, true, 0, false}, {ImageFileType::JPEG, "jpg", false, false, 40, true},
    {ImageFileType::GIF, "gif", false, false, 64, false},  // median cut over >256 colours
};
const PixelFormat kPixelFormats[] = {PixelFormat::Gray8, PixelFormat::Mono1, PixelFormat::RGB8, PixelFormat::RGBA8};

TEST(ImageIO, EveryFormatAndPixelFormatRoundTrips) {
  vqtest::ScratchDir dir;
  for (const auto& fc : kFormats) {
    for (PixelFormat pf : kPixelFormats) {
      SCOPED_TRACE(std::string(fc.ext) + " pixel format " + std::to_string(int(pf)));
      const Bitmap source = sample(pf);
      const fs::path file = dir / (std::string("img") + std::to_string(int(pf)) + "." + fc.ext);
      vq::imageio::WriteOptions opts;
      opts.dpiX = 144;
      opts.dpiY = 200;
      opts.quality = 0.95f;
      ASSERT_TRUE(vq::imageio::writeImageFile(source, file.string(), fc.type, opts));
      auto back = vq::imageio::readImageFile(file.string());
      ASSERT_TRUE(back.has_value());
      ASSERT_EQ(back->width, kW);
      ASSERT_EQ(back->height, kH);
      // Formats without alpha show the image as it would look on white.
      const Bitmap expected = fc.keepsAlpha ? source : vq::imageio::convertBitmap(source, PixelFormat::RGB8);
      const int diff = maxDifference(expected, *back);
      // Grey and 1-bit images have an exact palette in GIF.
      const bool exact =
          fc.lossless || (fc.type == ImageFileType::GIF && pf != PixelFormat::RGB8 && pf != PixelFormat::RGBA8);
      if (exact) {
        EXPECT_EQ(diff, 0);
      } else {
        EXPECT_LE(diff, fc.tolerance);
      }
      if (fc.keepsDpi) {
        EXPECT_NEAR(back->dpiX, 144, 0.05);
        EXPECT_NEAR(back->dpiY, 200, 0.05);
      }
    }
  }
}

TEST(ImageIO, ResolutionIsStoredInTheFormatsOwnFields) {
  vqtest::ScratchDir dir;
  const Bitmap img = sample(PixelFormat::RGB8);
  vq::imageio::WriteOptions opts;
  opts.dpiX = 144;
  opts.dpiY = 300;
  const uint32_t ppmX = 5669, ppmY = 11811;  // 144 and 300 dpi in pixels per metre

  ASSERT_TRUE(vq::imageio::writeImageFile(img, (dir / "a.jpg").string(), ImageFileType::JPEG, opts));
  auto jpg = slurp(dir / "a.jpg");
  ASSERT_GT(jpg.size(), 20u);
  ASSERT_EQ(std::string(jpg.begin() + 6, jpg.begin() + 11), std::string("JFIF\0", 5));
  EXPECT_EQ(jpg[13], 1);  // density unit: dots per inch
  EXPECT_EQ(jpg[14] * 256 + jpg[15], 144);
  EXPECT_EQ(jpg[16] * 256 + jpg[17], 300);

  ASSERT_TRUE(vq::imageio::writeImageFile(img, (dir / "a.png").string(), ImageFileType::PNG, opts));
  auto png = slurp(dir / "a.png");
  std::string text(png.begin(), png.end());
  size_t at = text.find("pHYs");
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(be32(&png[at + 4]), ppmX);
  EXPECT_EQ(be32(&png[at + 8]), ppmY);
  EXPECT_EQ(png[at + 12], 1);  // unit: metre

  ASSERT_TRUE(vq::imageio::writeImageFile(img, (dir / "a.bmp").string(), ImageFileType::BMP, opts));
  auto bmp = slurp(dir / "a.bmp");
  EXPECT_EQ(le32(&bmp[38]), ppmX);
  EXPECT_EQ(le32(&bmp[42]), ppmY);

  ASSERT_TRUE(vq::imageio::writeImageFile(img, (dir / "a.tif").string(), ImageFileType::TIFF, opts));
  TIFF* tif = TIFFOpen((dir / "a.tif").c_str(), "r");
  ASSERT_NE(tif, nullptr);
  float rx = 0, ry = 0;
  uint16_t unit = 0, compression = 0;
  TIFFGetField(tif, TIFFTAG_XRESOLUTION, &rx);
  TIFFGetField(tif, TIFFTAG_YRESOLUTION, &ry);
  TIFFGetField(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
  TIFFGetField(tif, TIFFTAG_COMPRESSION, &compression);
  TIFFClose(tif);
  EXPECT_FLOAT_EQ(rx, 144);
  EXPECT_FLOAT_EQ(ry, 300);
  EXPECT_EQ(unit, RESUNIT_INCH);
  EXPECT_EQ(compression, COMPRESSION_LZW);
}

TEST(ImageIO, TiffKeepsColourAndUsesGroup4OnlyForBilevel) {
  vqtest::ScratchDir dir;
  struct Row {
    PixelFormat format;
    uint16_t compression, bits, samples;
  } rows[] = {
      {PixelFormat::Mono1, COMPRESSION_CCITTFAX4, 1, 1},
      {PixelFormat::Gray8, COMPRESSION_LZW, 8, 1},
      {PixelFormat::RGB8, COMPRESSION_LZW, 8, 3},
      {PixelFormat::RGBA8, COMPRESSION_LZW, 8, 4},
  };
  for (const auto& r : rows) {
    const fs::path file = dir / ("t" + std::to_string(int(r.format)) + ".tif");
    ASSERT_TRUE(vq::imageio::writeImageFile(sample(r.format), file.string(), ImageFileType::TIFF));
    TIFF* tif = TIFFOpen(file.c_str(), "r");
    ASSERT_NE(tif, nullptr);
    uint16_t compression = 0, bits = 0, samples = 0;
    TIFFGetField(tif, TIFFTAG_COMPRESSION, &compression);
    TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetField(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFClose(tif);
    EXPECT_EQ(compression, r.compression);
    EXPECT_EQ(bits, r.bits);
    EXPECT_EQ(samples, r.samples);
  }
}

TEST(ImageIO, OpaqueRgbaIsWrittenWithoutAlpha) {
  vqtest::ScratchDir dir;
  const Bitmap opaque = sample(PixelFormat::RGBA8, false);
  ASSERT_TRUE(vq::imageio::writeImageFile(opaque, (dir / "o.png").string(), ImageFileType::PNG));
  auto png = slurp(dir / "o.png");
  EXPECT_EQ(png[25], 2);  // IHDR colour type: RGB
  ASSERT_TRUE(vq::imageio::writeImageFile(opaque, (dir / "o.bmp").string(), ImageFileType::BMP));
  EXPECT_EQ(slurp(dir / "o.bmp")[28], 24);
  auto back = vq::imageio::readImageFile((dir / "o.png").string());
  ASSERT_TRUE(back);
  EXPECT_EQ(back->format, PixelFormat::RGB8);
  EXPECT_EQ(maxDifference(*back, opaque), 0);
}

TEST(ImageIO, GifWithManyColoursIsQuantisedAndStillClose) {
  vqtest::ScratchDir dir;
  Bitmap img = Bitmap::make(64, 64, PixelFormat::RGB8);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      uint8_t* p = img.row(y) + 3 * x;
      p[0] = static_cast<uint8_t>(x * 4);
      p[1] = static_cast<uint8_t>(y * 4);
      p[2] = static_cast<uint8_t>((x ^ y) * 4);
    }
  ASSERT_TRUE(vq::imageio::writeImageFile(img, (dir / "q.gif").string(), ImageFileType::GIF));
  auto back = vq::imageio::readImageFile((dir / "q.gif").string());
  ASSERT_TRUE(back);
  EXPECT_LE(maxDifference(img, *back), 64);
  EXPECT_GT(maxDifference(img, *back), 0);  // 4096 colours cannot all survive
}

// Photoshop stores CMYK JPEG samples inverted and marks the file with an
// Adobe segment; libjpeg writes that segment for CMYK by itself.
TEST(ImageIO, ReadsAdobeInvertedCmykJpeg) {
  vqtest::ScratchDir dir;
  const fs::path file = dir / "cmyk.jpg";
  FILE* f = std::fopen(file.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  jpeg_stdio_dest(&c, f);
  c.image_width = 16;
  c.image_height = 8;
  c.input_components = 4;
  c.in_color_space = JCS_CMYK;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 100, TRUE);
  jpeg_start_compress(&c, TRUE);
  // Left half pure cyan, right half 50% black; stored inverted.
  std::vector<uint8_t> row(16 * 4);
  for (int x = 0; x < 16; ++x) {
    const uint8_t cmyk[4] = {uint8_t(x < 8 ? 255 : 0), 0, 0, uint8_t(x < 8 ? 0 : 128)};
    for (int k = 0; k < 4; ++k) row[4 * x + k] = static_cast<uint8_t>(255 - cmyk[k]);
  }
  for (int y = 0; y < 8; ++y) {
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  std::fclose(f);

  auto img = vq::imageio::readImageFile(file.string());
  ASSERT_TRUE(img);
  ASSERT_EQ(img->format, PixelFormat::RGB8);
  const uint8_t* p = img->row(4);
  EXPECT_NEAR(p[3 * 2], 0, 6);
  EXPECT_NEAR(p[3 * 2 + 1], 255, 6);
  EXPECT_NEAR(p[3 * 2 + 2], 255, 6);
  EXPECT_NEAR(p[3 * 12], 127, 6);
  EXPECT_NEAR(p[3 * 12 + 2], 127, 6);
}

TEST(ImageIO, FailedWritesLeaveNothingBehind) {
  vqtest::ScratchDir dir;
  // An existing file is kept intact when the new image cannot be written.
  const fs::path existing = dir / "keep.png";
  { std::ofstream(existing) << "old"; }
  Bitmap malformed = Bitmap::make(10, 10, PixelFormat::RGB8);
  malformed.pixels.resize(20);
  EXPECT_FALSE(vq::imageio::writeImageFile(malformed, existing.string(), ImageFileType::PNG));
  EXPECT_EQ(slurp(existing).size(), 3u);

  // Too wide for GIF's and TGA's 16-bit sizes.
  Bitmap wide = Bitmap::make(70000, 1, PixelFormat::Gray8);
  for (auto type : {ImageFileType::GIF, ImageFileType::TGA}) {
    EXPECT_FALSE(vq::imageio::writeImageFile(wide, (dir / "wide").string(), type));
  }
  // The destination is a folder: the rename fails.
  fs::create_directory(dir / "folder.png");
  EXPECT_FALSE(
      vq::imageio::writeImageFile(sample(PixelFormat::RGB8), (dir / "folder.png").string(), ImageFileType::PNG));
  // A missing parent folder.
  EXPECT_FALSE(
      vq::imageio::writeImageFile(sample(PixelFormat::RGB8), (dir / "no/such/x.png").string(), ImageFileType::PNG));

  // A destination name at the file system's limit still gets its temporary twin.
  const std::string longName = std::string(250, 'n') + ".png";
  EXPECT_TRUE(vq::imageio::writeImageFile(sample(PixelFormat::RGB8), (dir / longName).string(), ImageFileType::PNG));
  EXPECT_TRUE(fs::exists(dir / longName));

  EXPECT_FALSE(fs::exists(dir / "wide"));
  EXPECT_EQ(leftovers(dir.path()), 0u);
}

TEST(ImageIO, DamagedFilesFailCleanly) {
  vqtest::ScratchDir dir;
  for (const auto& fc : kFormats) {
    SCOPED_TRACE(fc.ext);
    const fs::path file = dir / (std::string("d.") + fc.ext);
    ASSERT_TRUE(vq::imageio::writeImageFile(sample(PixelFormat::RGB8), file.string(), fc.type));
    const auto bytes = slurp(file);
    // Cut short: either an error or an image of the declared size, never a crash.
    for (size_t keep : {size_t(20), bytes.size() / 2, bytes.size() - 1}) {
      auto img = vq::imageio::readImageData(bytes.data(), keep, file.string());
      if (img) {
        EXPECT_EQ(img->width, kW);
        EXPECT_EQ(img->height, kH);
      }
    }
    EXPECT_FALSE(vq::imageio::readImageData(bytes.data(), 20, file.string()).has_value());
    // Garbage after a valid signature.
    std::vector<uint8_t> junk(bytes.begin(), bytes.begin() + 12);
    junk.resize(400, 0xA5);
    auto img = vq::imageio::readImageData(junk.data(), junk.size(), file.string());
    if (img) {
      EXPECT_FALSE(img->empty());
    }
  }
  const uint8_t text[] = "plain text, no image";
  EXPECT_FALSE(vq::imageio::readImageData(text, sizeof text).has_value());
  EXPECT_FALSE(vq::imageio::readImageFile((dir / "missing.png").string()).has_value());
}

TEST(ImageIO, HugeDeclaredSizesAreRefusedBeforeAllocating) {
  // BMP header claiming 100000 x 100000 pixels, with no pixel data.
  std::vector<uint8_t> bmp(54, 0);
  bmp[0] = 'B';
  bmp[1] = 'M';
  bmp[10] = 54;
  bmp[14] = 40;
  const uint32_t big = 100000;
  for (int i = 0; i < 4; ++i) {
    bmp[18 + i] = static_cast<uint8_t>(big >> (8 * i));
    bmp[22 + i] = static_cast<uint8_t>(big >> (8 * i));
  }
  bmp[26] = 1;
  bmp[28] = 24;
  EXPECT_FALSE(vq::imageio::readImageData(bmp.data(), bmp.size()).has_value());
  // And a plausible size whose pixel data is missing.
  bmp[18] = 10;
  bmp[19] = bmp[20] = bmp[21] = 0;
  bmp[22] = 10;
  bmp[23] = bmp[24] = bmp[25] = 0;
  EXPECT_FALSE(vq::imageio::readImageData(bmp.data(), bmp.size()).has_value());
}

TEST(ImageIO, TypeKeys) {
  struct {
    const char* key;
    std::optional<ImageFileType> type;
  } rows[] = {
      {"JPG", ImageFileType::JPEG},
      {"jpeg", ImageFileType::JPEG},
      {"public.jpeg", ImageFileType::JPEG},
      {"Png", ImageFileType::PNG},
      {"tif", ImageFileType::TIFF},
      {"TIFF", ImageFileType::TIFF},
      {"com.microsoft.bmp", ImageFileType::BMP},
      {"com.compuserve.gif", ImageFileType::GIF},
      {"com.truevision.tga-image", ImageFileType::TGA},
      {"public.jpeg-2000", ImageFileType::JPEG2000},
      {"JP2", ImageFileType::JPEG2000},
      {"docx", std::nullopt},
      {"", std::nullopt},
      {"jpg ", std::nullopt},
  };
  for (const auto& r : rows) EXPECT_EQ(vq::imageio::imageFileTypeForKey(r.key), r.type) << r.key;
}

}  // namespace
