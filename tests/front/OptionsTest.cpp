#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "exporter/VQPDFOptions.h"
#include "front/VQPapyrant.h"

namespace {

using vq::VQImageOptions;
using vq::VQPDFOptions;

TEST(VQPDFOptions, DefaultsOfEveryRecord) {
  VQPDFOptions options;
  EXPECT_EQ(options.isParserAnnots, 1);
  EXPECT_EQ(options.imageDPI(), 144);
  EXPECT_EQ(options.threadMax, 0);
  EXPECT_EQ(options.imageOptions.dpi(), 144);
  EXPECT_EQ(options.imageOptions.quality(), static_cast<double>(0.92f));
  EXPECT_EQ(options.imageOptions.imageName, "IMG");
  EXPECT_TRUE(options.wordOptions.isMergeParagraphs);
  EXPECT_FALSE(options.wordOptions.enableShapToImage);
  EXPECT_EQ(options.wordOptions.outlineType, 1);
  EXPECT_EQ(options.excelOptions.excelFormatOption, 0);
  EXPECT_TRUE(options.excelOptions.recognizeNumber);
  EXPECT_FALSE(options.excelOptions.allInOneSheet);
  EXPECT_TRUE(options.excelOptions.aiosAddToRow);
}

TEST(VQPDFOptions, SettersClamp) {
  const std::pair<int32_t, int32_t> imageDPI[] = {{72, 72}, {73, 73}, {0, 72}, {-5, 72}, {601, 600}, {300, 300}};
  for (auto [in, out] : imageDPI) {
    VQPDFOptions o;
    o.setImageDPI(in);
    EXPECT_EQ(o.imageDPI(), out) << in;
  }
  const std::pair<int64_t, int64_t> dpi[] = {{12, 12}, {13, 13}, {0, 12}, {5000, 2400}, {2400, 2400}};
  for (auto [in, out] : dpi) {
    VQImageOptions o;
    o.setDpi(in);
    EXPECT_EQ(o.dpi(), out) << in;
  }
  const std::pair<double, double> quality[] = {
      {0, 0.1}, {2, 1.0}, {0.5, 0.5}, {std::numeric_limits<double>::quiet_NaN(), 0.1}};
  for (auto [in, out] : quality) {
    VQImageOptions o;
    o.setQuality(in);
    EXPECT_EQ(o.quality(), out) << in;
  }
}

TEST(VQPapyrant, SupportDocTypes) {
  auto types = vq::VQPapyrant::supportDocTypes();
  EXPECT_EQ(types.size(), 14u);
  EXPECT_EQ(types["docx"], "Microsoft Word(.docx)");
  EXPECT_EQ(types["pdf"], "Adobe PDF File(.pdf)");
  EXPECT_EQ(types["tga"], "Image TGA File(.tga)");
  EXPECT_EQ(types.count("jpg"), 0u);
}

}  // namespace
