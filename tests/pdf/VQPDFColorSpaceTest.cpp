#include "pdf/VQPDFColorSpace.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PdfFixture.h"

using vq::VQPDFColor;
using vq::VQPDFColorSpace;
using vq::VQPDFRGB;

namespace {

VQPDFColor Components(std::vector<int> values) {
  VQPDFColor c;
  for (size_t i = 0; i < values.size(); ++i) c.c[i] = values[i];
  return c;
}

}  // namespace

TEST(VQPDFColorSpace, ConvertsToRGB) {
  struct Case {
    const char* name;
    const char* space;       // PDF syntax of the colour space (streams added below)
    std::vector<int> color;  // scaled components
    VQPDFRGB rgb;
    int tolerance;
  };
  const Case cases[] = {
      {"gray", "/DeviceGray", {127}, {127, 127, 127}, 0},
      {"gray above range", "/G", {300}, {255, 255, 255}, 0},
      {"gray negative", "/DeviceGray", {-5}, {0, 0, 0}, 0},
      {"rgb", "/RGB", {10, 20, 30}, {10, 20, 30}, 0},
      {"cmyk white", "/DeviceCMYK", {0, 0, 0, 0}, {255, 255, 255}, 0},
      {"cmyk black ink is rich black", "/CMYK", {0, 0, 0, 255}, {35, 31, 32}, 0},
      {"cmyk all inks", "/CMYK", {255, 255, 255, 255}, {0, 0, 0}, 0},
      {"cmyk cyan", "/DeviceCMYK", {255, 0, 0, 0}, {0, 172, 239}, 0},
      {"lab white", "[/Lab << /WhitePoint [0.9505 1 1.089] >>]", {25500, 0, 0}, {255, 255, 255}, 1},
      {"lab black", "[/Lab << /WhitePoint [0.9505 1 1.089] >>]", {0, 0, 0}, {0, 0, 0}, 0},
      {"calrgb without dictionary", "[/CalRGB]", {1, 2, 3}, {1, 2, 3}, 0},
      {"indexed 0", "[/Indexed /DeviceRGB 1 <FF000000FF00>]", {0}, {255, 0, 0}, 0},
      {"indexed 1", "[/Indexed /DeviceRGB 1 <FF000000FF00>]", {255}, {0, 255, 0}, 0},
      {"indexed out of table clamps", "[/Indexed /DeviceRGB 1 <FF000000FF00>]", {255 * 9}, {0, 255, 0}, 0},
      {"indexed hival 256 is black", "[/Indexed /DeviceRGB 256 <FF000000FF00>]", {0}, {0, 0, 0}, 0},
      {"indexed short table is black", "[/Indexed /DeviceRGB 2 <FF000000FF00>]", {0}, {0, 0, 0}, 0},
      {"separation tint 1",
       "[/Separation /Spot /DeviceRGB << /FunctionType 2 /Domain [0 1] /C0 [1 1 1] /C1 [0 0 0] /N 1 >>]",
       {255},
       {0, 0, 0},
       0},
      {"separation tint 0",
       "[/Separation /Spot /DeviceRGB << /FunctionType 2 /Domain [0 1] /C0 [1 1 1] /C1 [0 0 0] /N 1 >>]",
       {0},
       {255, 255, 255},
       0},
      {"separation tint half",
       "[/Separation /Spot /DeviceRGB << /FunctionType 2 /Domain [0 1] /C0 [1 1 1] /C1 [0 0 0] /N 1 >>]",
       {127},
       {128, 128, 128},
       0},
      {"devicen without function is black", "[/DeviceN [/A /B] /DeviceCMYK /Nothing]", {255, 255}, {0, 0, 0}, 0},
      {"pattern is black", "[/Pattern /DeviceRGB]", {255, 255, 255}, {0, 0, 0}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    vqtest::PdfFixture fx;
    auto space = VQPDFColorSpace::ColorSpaceWithObject(fx.object(c.space));
    ASSERT_NE(space, nullptr);
    VQPDFRGB rgb = space->getRGB(Components(c.color));
    EXPECT_NEAR(rgb.r, c.rgb.r, c.tolerance);
    EXPECT_NEAR(rgb.g, c.rgb.g, c.tolerance);
    EXPECT_NEAR(rgb.b, c.rgb.b, c.tolerance);
  }
}

// An 8-bit index times 255 exceeds 16 bits above index 128: the colour must
// still come from the right table entry.
TEST(VQPDFColorSpace, IndexedHighIndexesDoNotWrap) {
  std::string table;
  for (int i = 0; i < 256; ++i) table += {static_cast<char>(i), static_cast<char>(255 - i), '\x07'};
  vqtest::PdfFixture fx;
  QPDFObjectHandle array = fx.handle("[/Indexed /DeviceRGB 255 ()]");
  array.setArrayItem(3, QPDFObjectHandle::newString(table));
  auto space = VQPDFColorSpace::ColorSpaceWithObject(fx.wrap(array));
  ASSERT_EQ(space->getMode(), vq::VQPDFColorSpaceModeIndexed);
  for (int index : {0, 128, 129, 200, 255}) {
    VQPDFRGB rgb = space->getRGB(Components({index * 255}));
    EXPECT_EQ(rgb, (VQPDFRGB{static_cast<int16_t>(index), static_cast<int16_t>(255 - index), 7})) << index;
  }
}

TEST(VQPDFColorSpace, FactoryAndParameters) {
  vqtest::PdfFixture fx;
  EXPECT_EQ(VQPDFColorSpace::ColorSpaceWithObject(fx.object("/CS1")), nullptr);
  EXPECT_EQ(VQPDFColorSpace::ColorSpaceWithObject(fx.object("[/Foo]")), nullptr);
  EXPECT_EQ(VQPDFColorSpace::ColorSpaceWithObject(fx.object("<< /ColorSpace [/DeviceRGB] >>")), nullptr);
  auto dictRGB = VQPDFColorSpace::ColorSpaceWithObject(fx.object("<< /ColorSpace /DeviceRGB >>"));
  ASSERT_NE(dictRGB, nullptr);
  EXPECT_STREQ(dictRGB->getModeName(), "DeviceRGB");
  EXPECT_EQ(dictRGB->objectKey, "unknown");
  EXPECT_STREQ(VQPDFColorSpace().getModeName(), "unknown");

  auto lab = std::static_pointer_cast<vq::VQPDFLabColorSpace>(VQPDFColorSpace::ColorSpaceWithObject(
      fx.object("[/Lab << /WhitePoint [0.9505 1 1.089] /Range [-128 127 -128 127] >>]")));
  EXPECT_EQ(lab->aMin, -128);
  EXPECT_EQ(lab->bMax, 127);
  auto cal = std::static_pointer_cast<vq::VQPDFCalRGBColorSpace>(
      VQPDFColorSpace::ColorSpaceWithObject(fx.object("[/CalRGB << /WhitePoint [0.9 /Foo 1.1] >>]")));
  EXPECT_NEAR(cal->whiteY, 0.9, 1e-6);
  EXPECT_NEAR(cal->whiteZ, 1.1, 1e-6);

  struct NComps {
    const char* name;
    vq::pdf::Object object;
    int mode;
    int nComps;
  };
  const NComps counts[] = {
      {"icc N 3", fx.wrap(QPDFObjectHandle::newArray({fx.handle("/ICCBased"), fx.streamHandle("<< /N 3 >>", "")})), 7,
       3},
      {"icc N 40", fx.wrap(QPDFObjectHandle::newArray({fx.handle("/ICCBased"), fx.streamHandle("<< /N 40 >>", "")})), 7,
       32},
      {"icc N -4", fx.wrap(QPDFObjectHandle::newArray({fx.handle("/ICCBased"), fx.streamHandle("<< /N -4 >>", "")})), 7,
       0},
      {"devicen 40 names",
       fx.object("[/DeviceN [/a /b /c /d /e /f /g /h /i /j /k /l /m /n /o /p /q /r /s /t /u /v /w /x "
                 "/y /z /A /B /C /D /E /F /G /H /I /J /K /L /M /N] /DeviceCMYK /Identity]"),
       10, 32},
      {"devicen 6 elements", fx.object("[/DeviceN [/A /B] /DeviceCMYK /Identity << >> 1]"), 10, 0},
  };
  for (const auto& c : counts) {
    SCOPED_TRACE(c.name);
    auto space = VQPDFColorSpace::ColorSpaceWithObject(c.object);
    ASSERT_NE(space, nullptr);
    EXPECT_EQ(space->getMode(), c.mode);
    EXPECT_EQ(space->getNComps(), c.nComps);
  }
  auto iccNoAlt = VQPDFColorSpace::ColorSpaceWithObject(
      fx.wrap(QPDFObjectHandle::newArray({fx.handle("/ICCBased"), fx.streamHandle("<< /N 2 >>", "")})));
  EXPECT_EQ(iccNoAlt->getRGB(Components({255, 255})), (VQPDFRGB{0, 0, 0}));
}

TEST(VQPDFColorSpace, SelfReferenceEnds) {
  vqtest::PdfFixture fx;
  // [/Indexed <this very array> 0 <000000>]
  QPDFObjectHandle self = fx.indirect(fx.handle("[/Indexed null 0 <000000>]"));
  self.setArrayItem(1, self);
  auto space = VQPDFColorSpace::ColorSpaceWithObject(fx.wrap(self));
  ASSERT_NE(space, nullptr);
  EXPECT_EQ(space->getRGB(Components({0})), (VQPDFRGB{0, 0, 0}));
}
