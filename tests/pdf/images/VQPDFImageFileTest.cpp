#include "pdf/images/VQPDFImageFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

vq::Bitmap colourful(int w = 20, int h = 12) {
  vq::Bitmap b = vq::Bitmap::make(w, h, vq::PixelFormat::RGBA8);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = b.row(y) + 4 * x;
      p[0] = static_cast<uint8_t>(x * 12);
      p[1] = static_cast<uint8_t>(y * 20);
      p[2] = 200;
      p[3] = x < w / 2 ? 255 : 0;  // right half transparent
    }
  return b;
}

std::string head(const fs::path& p, size_t n) {
  std::ifstream in(p, std::ios::binary);
  std::string s(n, '\0');
  in.read(s.data(), static_cast<std::streamsize>(n));
  s.resize(static_cast<size_t>(in.gcount()));
  return s;
}

TEST(ImageFileWriter, EveryTypeKeyWritesItsFormat) {
  vqtest::ScratchDir dir;
  struct {
    const char* key;
    std::string magic;
  } rows[] = {
      {"jpg", "\xff\xd8\xff"},
      {"JPEG", "\xff\xd8\xff"},
      {"public.jpeg", "\xff\xd8\xff"},
      {"png", "\x89PNG"},
      {"public.png", "\x89PNG"},
      {"BMP", "BM"},
      {"com.microsoft.bmp", "BM"},
      {"gif", "GIF8"},
      {"com.compuserve.gif", "GIF8"},
      {"tiff", "II*"},
      {"Tif", "II*"},
      {"public.tiff", "II*"},
      {"jp2", std::string("\0\0\0\x0cjP", 6)},
      {"public.jpeg-2000", std::string("\0\0\0\x0cjP", 6)},
      {"tga", std::string("\0\0\x02", 3)},
      {"com.truevision.tga-image", std::string("\0\0\x02", 3)},
  };
  int i = 0;
  for (const auto& r : rows) {
    // The extension of the path does not decide the format: the type does.
    const fs::path file = dir / ("out" + std::to_string(i++) + ".png");
    ASSERT_TRUE(vq::VQPDFExportCGImageToFileWithDestination_VQLib(colourful(), file.string(), r.key, 144, 144, 0.9f))
        << r.key;
    EXPECT_EQ(head(file, r.magic.size()), r.magic) << r.key;
    auto back = vq::CGImageWithContentsOfFile(file.string());
    ASSERT_TRUE(back) << r.key;
    EXPECT_EQ(back->width, 20);
    EXPECT_EQ(back->height, 12);
  }
}

TEST(ImageFileWriter, FailuresPrintTheirDiagnostic) {
  vqtest::ScratchDir dir;
  struct {
    vq::Bitmap image;
    std::string path, type, message;
  } rows[] = {
      {colourful(), (dir / "a.xyz").string(), "xyz", "Couldn't create image destination!\n"},
      {colourful(), (dir / "a.png").string(), "", "Couldn't create image destination!\n"},
      {vq::Bitmap{}, (dir / "b.png").string(), "png", "Couldn't create image destination!\n"},
      {colourful(), (dir / "missing/c.png").string(), "png", "Couldn't write image to file!\n"},
  };
  for (const auto& r : rows) {
    CaptureStderr();
    EXPECT_FALSE(vq::VQPDFExportCGImageToFileWithDestination_VQLib(r.image, r.path, r.type, 72, 72, 1.0f));
    const std::string err = GetCapturedStderr();
    EXPECT_NE(err.find(r.message), std::string::npos) << r.type << ": " << err;
    EXPECT_FALSE(fs::exists(r.path));
  }
  EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(ImageFileReader, MissingFilesGiveNothing) {
  vqtest::ScratchDir dir;
  EXPECT_FALSE(vq::CGImageWithContentsOfFile(""));
  EXPECT_FALSE(vq::CGImageWithContentsOfFile((dir / "none.png").string()));
  EXPECT_FALSE(vq::CGImageWithContentsOfFile(dir.path().string()));  // a folder
  EXPECT_FALSE(vq::CGImageWithContentsOfFile_DeviceGray((dir / "none.png").string()));
}

TEST(ImageFileReader, DeviceGrayKeepsSizeAndTurnsTransparencyBlack) {
  vqtest::ScratchDir dir;
  const fs::path file = dir / "mask.png";
  ASSERT_TRUE(vq::VQPDFExportCGImageToFileWithDestination_VQLib(colourful(), file.string(), "png", 72, 72, 1.0f));
  auto grey = vq::CGImageWithContentsOfFile_DeviceGray(file.string());
  ASSERT_TRUE(grey);
  EXPECT_EQ(grey->format, vq::PixelFormat::Gray8);
  EXPECT_EQ(grey->width, 20);
  EXPECT_EQ(grey->height, 12);
  // Opaque pixel (0, 0): R 0, G 0, B 200 -> luminance about 23; transparent half -> 0.
  EXPECT_NEAR(grey->row(0)[0], 23, 2);
  EXPECT_EQ(grey->row(5)[15], 0);

  // A grey file comes back unchanged; a 1-bit image as 0/255 grey.
  vq::Bitmap mono = vq::Bitmap::make(9, 3, vq::PixelFormat::Mono1);
  mono.row(1)[0] = 0xA0;  // pixels 0 and 2 white
  const fs::path monoFile = dir / "mono.tif";
  ASSERT_TRUE(vq::VQPDFExportCGImageToFileWithDestination_VQLib(mono, monoFile.string(), "tiff", 72, 72, 1.0f));
  auto g = vq::CGImageWithContentsOfFile_DeviceGray(monoFile.string());
  ASSERT_TRUE(g);
  EXPECT_EQ(g->format, vq::PixelFormat::Gray8);
  const uint8_t expectedRow[9] = {255, 0, 255, 0, 0, 0, 0, 0, 0};
  for (int x = 0; x < 9; ++x) EXPECT_EQ(g->row(1)[x], expectedRow[x]) << x;
}

}  // namespace
