#include "pdf/shading/VQPDFShadingDrawable.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "pdf/PdfFixture.h"
#include "pdf/VQPDFRenderState.h"
#include "pdf/images/VQPDFImageDecoder.h"
#include "pdf/shading/VQPDFConentDrawer.h"
#include "pdf/shading/VQPDFPatternDrawable.h"
#include "platform/graphics/VQDrawingContext.h"

namespace {

using vq::Color;
using vq::VQPDFDrawablePattern;
using vq::VQPDFDrawableShading;

std::array<int, 4> Rgba(const vq::Bitmap& b, int x, int y) {
  const uint8_t* p = b.row(y) + 4 * x;
  return {p[0], p[1], p[2], p[3]};
}

std::array<int, 3> Rgb(const Color& c) {
  const auto v = vq::ColorToRGBA(c);
  return {static_cast<int>(std::lround(v.r * 255)), static_cast<int>(std::lround(v.g * 255)),
          static_cast<int>(std::lround(v.b * 255))};
}

const char* kRedToBlue = "<< /FunctionType 2 /Domain [0 1] /C0 [1 0 0] /C1 [0 0 1] /N 1 >>";

TEST(Shading, FactoryKeepsOnlyUsableShadings) {
  vqtest::PdfFixture pdf;
  const std::string f = kRedToBlue;
  std::string forty = "[";
  for (int i = 0; i < 40; ++i) forty += "<< /FunctionType 2 /Domain [0 1] /C0 [0] /C1 [1] /N 1 >> ";
  forty += "]";
  struct Row {
    std::string dict;
    bool made;
    int type;
  } rows[] = {
      {"<< /ShadingType 2 /ColorSpace /DeviceRGB /Function " + f + " >>", true, 2},
      {"<< /ShadingType 3 /ColorSpace /DeviceRGB /Coords [0 0 0 0 0 10] /Function " + f + " >>", true, 3},
      {"<< /ShadingType 1 /ColorSpace /DeviceRGB /Function << /FunctionType 2 /Domain [0 1] /C0 [0 0 0] /C1 [1 1 1] /N "
       "1 >> >>",
       true, 1},
      {"<< /ShadingType 4 /ColorSpace /DeviceRGB >>", true, 4},
      {"<< /ShadingType 7 /ColorSpace /DeviceRGB >>", true, 7},
      {"<< /ShadingType 8 /ColorSpace /DeviceRGB /Function " + f + " >>", false, 0},
      {"<< /ShadingType 2 /Function " + f + " >>", false, 0},     // no colour space
      {"<< /ShadingType 2 /ColorSpace /DeviceRGB >>", false, 0},  // no function
      {"<< /ShadingType 2 /ColorSpace /DeviceGray /Function " + forty + " >>", false, 0},
      {"<< /ColorSpace /DeviceRGB /Function " + f + " >>", false, 0},  // no type
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.dict);
    auto shading = VQPDFDrawableShading::ShadingWithObject(pdf.object(row.dict), "Sh1");
    ASSERT_EQ(shading != nullptr, row.made);
    if (shading) {
      EXPECT_EQ(shading->type, row.type);
    }
  }
  auto cmyk = VQPDFDrawableShading::ShadingWithObject(
      pdf.object("<< /ShadingType 2 /ColorSpace /DeviceCMYK /Background [1 0 0] /Function << /FunctionType 2 "
                 "/Domain [0 1] /C0 [0 0 0 0] /C1 [0 0 0 1] /N 1 >> >>"),
      "Sh2");
  ASSERT_TRUE(cmyk);
  EXPECT_FALSE(cmyk->hasBackground);
}

TEST(Shading, ColoursAlongAxialRadialAndFunctionShadings) {
  vqtest::PdfFixture pdf;
  const std::string f = kRedToBlue;
  // Three 1-output functions, one per component: red ramps up, green stays
  // half, blue ramps down.
  const std::string perComponent =
      "[<< /FunctionType 2 /Domain [0 1] /C0 [0] /C1 [1] /N 1 >> << /FunctionType 2 /Domain [0 1] /C0 [0.5] /C1 "
      "[0.5] /N 1 >> << /FunctionType 2 /Domain [0 1] /C0 [1] /C1 [0] /N 1 >>]";
  struct Probe {
    double x, y;
    bool painted;
    std::array<int, 3> rgb;
  };
  struct Row {
    const char* name;
    std::string dict;
    std::vector<Probe> probes;
  } rows[] = {
      {"axial without extend",
       "<< /ShadingType 2 /ColorSpace /DeviceRGB /Coords [0 0 100 0] /Function " + f + " >>",
       {{0, 5, true, {255, 0, 0}},
        {100, -5, true, {0, 0, 255}},
        {50, 0, true, {128, 0, 128}},
        {-1, 0, false, {}},
        {101, 0, false, {}}}},
      {"axial extended at the start only",
       "<< /ShadingType 2 /ColorSpace /DeviceRGB /Coords [0 0 100 0] /Extend [true false] /Function " + f + " >>",
       {{-50, 0, true, {255, 0, 0}}, {150, 0, false, {}}}},
      {"axial default coords run to (100, 100)",
       "<< /ShadingType 2 /ColorSpace /DeviceRGB /Function " + f + " >>",
       {{100, 100, true, {0, 0, 255}}, {0, 0, true, {255, 0, 0}}}},
      {"one function per component",
       "<< /ShadingType 2 /ColorSpace /DeviceRGB /Coords [0 0 100 0] /Function " + perComponent + " >>",
       {{0, 0, true, {0, 128, 255}}, {100, 0, true, {255, 128, 0}}}},
      {"radial between two circles",
       "<< /ShadingType 3 /ColorSpace /DeviceRGB /Coords [0 0 10 0 0 50] /Function " + f + " >>",
       {{10, 0, true, {255, 0, 0}},
        {0, 50, true, {0, 0, 255}},
        {30, 0, true, {128, 0, 128}},
        {5, 0, false, {}},
        {60, 0, false, {}}}},
      {"radial extended both ways",
       "<< /ShadingType 3 /ColorSpace /DeviceRGB /Coords [0 0 10 0 0 50] /Extend [true true] /Function " + f + " >>",
       {{5, 0, true, {255, 0, 0}}, {60, 0, true, {0, 0, 255}}}},
      {"function-based over its domain",
       "<< /ShadingType 1 /ColorSpace /DeviceGray /Domain [0 1 0 1] /Matrix [100 0 0 100 0 0] /Function << "
       "/FunctionType 4 /Domain [0 1 0 1] /Range [0 1] /Length 10 >> >>",
       {{50, 50, true, {128, 128, 128}}, {150, 50, false, {}}}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    auto object = pdf.object(row.dict);
    if (std::string(row.name).rfind("function-based", 0) == 0) {
      // A type 4 function needs its program in a stream.
      auto fn = pdf.streamHandle("<< /FunctionType 4 /Domain [0 1 0 1] /Range [0 1] >>", "{ pop }");
      auto dict = pdf.handle(row.dict);
      dict.replaceKey("/Function", fn);
      object = pdf.wrap(dict);
    }
    auto shading = VQPDFDrawableShading::ShadingWithObject(object, "Sh");
    ASSERT_TRUE(shading);
    for (const auto& p : row.probes) {
      Color c;
      const bool painted = shading->colorAtPoint({p.x, p.y}, &c);
      EXPECT_EQ(painted, p.painted) << p.x << "," << p.y;
      if (painted && p.painted) {
        const auto rgb = Rgb(c);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(rgb[i], p.rgb[i], 2) << p.x << "," << p.y << " component " << i;
      }
    }
  }
}

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s.push_back(static_cast<char>(v));
  return s;
}

TEST(Shading, MeshesPaintTheirTrianglesAndPatches) {
  vqtest::PdfFixture pdf;
  const std::string format =
      "/ColorSpace /DeviceRGB /BitsPerCoordinate 8 /BitsPerComponent 8 /Decode [0 255 0 255 0 1 0 1 0 1]";
  const int R = 255;
  // Coons boundary of the square (0, 0)-(99, 99): red along x = 0, blue along x = 99.
  const std::string boundary =
      Bytes({0, 0, 0, 33, 0, 66, 0, 99, 33, 99, 66, 99, 99, 99, 99, 66, 99, 33, 99, 0, 66, 0, 33, 0});
  const std::string corners = Bytes({R, 0, 0, R, 0, 0, 0, 0, R, 0, 0, R});
  struct Probe {
    int x, y;
    std::array<int, 4> rgba;
  };
  struct Row {
    const char* name;
    std::string dict;
    std::string data;
    std::vector<Probe> probes;
  } rows[] = {
      {"free-form triangles",
       "<< /ShadingType 4 /BitsPerFlag 8 " + format + " >>",
       Bytes({0, 0, 0, R, 0, 0, 0, 99, 0, 0, 0, R, 0, 0, 99, R, 0, 0}),
       {{2, 2, {R, 0, 0, 255}}, {95, 2, {10, 0, 245, 255}}, {80, 80, {0, 0, 0, 0}}}},
      {"lattice",
       "<< /ShadingType 5 /VerticesPerRow 2 " + format + " >>",
       Bytes({0, 0, R, 0, 0, 99, 0, 0, 0, R, 0, 99, R, 0, 0, 99, 99, 0, 0, R}),
       {{2, 50, {R, 0, 0, 255}}, {97, 50, {8, 0, 247, 255}}, {50, 50, {128, 0, 127, 255}}}},
      {"Coons patch",
       "<< /ShadingType 6 /BitsPerFlag 8 " + format + " >>",
       Bytes({0}) + boundary + corners,
       {{1, 50, {R, 0, 0, 255}}, {97, 50, {5, 0, 250, 255}}, {49, 10, {128, 0, 127, 255}}}},
      {"tensor patch",
       "<< /ShadingType 7 /BitsPerFlag 8 " + format + " >>",
       Bytes({0}) + boundary + Bytes({33, 33, 33, 66, 66, 66, 66, 33}) + corners,
       {{1, 50, {R, 0, 0, 255}}, {97, 50, {5, 0, 250, 255}}, {49, 90, {128, 0, 127, 255}}}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    auto shading = VQPDFDrawableShading::ShadingWithObject(pdf.stream(row.dict, row.data), "Sh");
    ASSERT_TRUE(shading);
    auto context = vq::DrawingContext::create(100, 100);
    shading->drawInContext(*context, vq::AffineTransformIdentity);
    const vq::Bitmap b = context->toBitmap();
    for (const auto& p : row.probes) {
      const auto got = Rgba(b, p.x, 99 - p.y);
      for (int i = 0; i < 4; ++i) EXPECT_NEAR(got[i], p.rgba[i], 8) << p.x << "," << p.y << " channel " << i;
    }
  }
}

TEST(Shading, DamagedMeshDataPaintsWhatIsComplete) {
  vqtest::PdfFixture pdf;
  const std::string format = "/ColorSpace /DeviceGray /BitsPerComponent 8 /Decode [0 255 0 255 0 1]";
  struct Row {
    const char* name;
    std::string dict;
    std::string data;
    size_t triangles;
  } rows[] = {
      {"truncated triangle", "<< /ShadingType 4 /BitsPerFlag 8 /BitsPerCoordinate 8 " + format + " >>",
       Bytes({0, 0, 0, 255, 0, 99, 0, 255}), 0},
      {"edge flag before any triangle", "<< /ShadingType 4 /BitsPerFlag 8 /BitsPerCoordinate 8 " + format + " >>",
       Bytes({1, 0, 0, 255, 1, 99, 0, 255, 1, 0, 99, 255}), 1},
      {"odd coordinate size", "<< /ShadingType 4 /BitsPerFlag 8 /BitsPerCoordinate 3 " + format + " >>",
       Bytes({0, 0, 0, 255}), 0},
      {"lattice rows of one vertex", "<< /ShadingType 5 /VerticesPerRow 1 /BitsPerCoordinate 8 " + format + " >>",
       Bytes({0, 0, 255, 9, 9, 255}), 0},
      {"patch continuing a missing patch", "<< /ShadingType 6 /BitsPerFlag 8 /BitsPerCoordinate 8 " + format + " >>",
       Bytes({2, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18}), 0},
      {"truncated patch", "<< /ShadingType 7 /BitsPerFlag 8 /BitsPerCoordinate 8 " + format + " >>",
       Bytes({0, 1, 2, 3, 4, 5, 6, 7, 8}), 0},
      {"no Decode",
       "<< /ShadingType 4 /BitsPerFlag 8 /BitsPerCoordinate 8 /ColorSpace /DeviceGray /BitsPerComponent 8 >>",
       Bytes({0, 0, 0, 255, 0, 99, 0, 255, 0, 0, 99, 255}), 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    auto shading = VQPDFDrawableShading::ShadingWithObject(pdf.stream(row.dict, row.data), "Sh");
    ASSERT_TRUE(shading);
    auto* mesh = dynamic_cast<vq::VQPDFShadingMesh*>(shading.get());
    ASSERT_TRUE(mesh);
    EXPECT_EQ(mesh->triangles.size(), row.triangles);
    auto context = vq::DrawingContext::create(50, 50);
    shading->drawInContext(*context, vq::AffineTransformIdentity);
  }
}

// A small stream of many patches or triangles stays within the mesh's
// bounds: patches are divided more coarsely the more the stream holds, and
// a mesh whose triangles cover the picture many times over is painted at a
// coarser resolution, so that its work stays bounded (coverage counts it).
TEST(Shading, LargeMeshesAreBounded) {
  vqtest::PdfFixture pdf;
  const std::string format =
      "/ColorSpace /DeviceGray /BitsPerFlag 8 /BitsPerCoordinate 8 /BitsPerComponent 8 /Decode [0 100 0 100 0 1]";
  // 20,000 Coons patches over the whole square (12 points, 4 colours each).
  std::string patches;
  for (int i = 0; i < 20000; ++i) {
    patches += '\0';
    for (const int v :
         {0, 0, 0, 85, 0, 170, 0, 255, 85, 255, 170, 255, 255, 255, 255, 170, 255, 85, 255, 0, 170, 0, 85, 0})
      patches += static_cast<char>(v);
    patches += std::string(4, static_cast<char>(i % 256));
  }
  auto coons = VQPDFDrawableShading::ShadingWithObject(pdf.stream("<< /ShadingType 6 " + format + " >>", patches), "");
  auto* mesh = dynamic_cast<vq::VQPDFShadingMesh*>(coons.get());
  ASSERT_TRUE(mesh);
  EXPECT_GE(mesh->triangles.size(), 20000u * 8) << "every patch is painted";
  EXPECT_LE(mesh->triangles.size(), 1'000'000u + 288);

  // 5,000 triangles, each over the whole picture.
  std::string triangles;
  for (int i = 0; i < 5000; ++i)
    for (const int v : {0, 0, 0, 0, 0, 255, 255, 0, 255, 0, 255, 128}) triangles += static_cast<char>(v);
  auto flat = VQPDFDrawableShading::ShadingWithObject(pdf.stream("<< /ShadingType 4 " + format + " >>", triangles), "");
  auto* covering = dynamic_cast<vq::VQPDFShadingMesh*>(flat.get());
  ASSERT_TRUE(covering);
  ASSERT_EQ(covering->triangles.size(), 5000u);
  const auto toPicture = vq::AffineTransformMakeScale(10, 10);  // 1000 x 1000 pixels
  const vq::Rect area = vq::RectMake(0, 0, 1000, 1000);
  EXPECT_GT(covering->coverage(toPicture, area), 4.0e9) << "at full resolution";
  auto context = vq::DrawingContext::create(1000, 1000);
  context->scaleCTM(10, 10);
  flat->drawInContext(*context, vq::AffineTransformIdentity);
  const vq::Bitmap drawn = context->toBitmap();
  EXPECT_GT(drawn.row(500)[4 * 100 + 3], 0) << "the mesh is still painted, coarse";
}

TEST(Pattern, FactoryKeepsOnlyUsablePatterns) {
  vqtest::PdfFixture pdf;
  struct Row {
    vq::pdf::Object object;
    bool made;
  } rows[] = {
      {pdf.stream("<< /PatternType 1 /PaintType 1 /TilingType 1 /BBox [0 0 10 10] /XStep 10 /YStep 10 >>", ""), true},
      {pdf.object("<< /PatternType 1 /PaintType 1 /BBox [0 0 10 10] /XStep 10 /YStep 10 >>"), false},  // not a stream
      {pdf.object("<< /PatternType 2 /Shading << /ShadingType 3 /ColorSpace /DeviceRGB /Coords [0 0 0 0 0 1] "
                  "/Function << /FunctionType 2 /Domain [0 1] /C0 [0 0 0] /C1 [1 1 1] /N 1 >> >> >>"),
       true},
      {pdf.object("<< /PatternType 2 /Shading << /ShadingType 9 >> >>"), false},
      {pdf.object("<< /PatternType 3 >>"), false},
      {pdf.object("[1 2 3]"), false},
  };
  for (size_t i = 0; i < std::size(rows); ++i) {
    EXPECT_EQ(VQPDFDrawablePattern::PatternWithObject(rows[i].object, "P") != nullptr, rows[i].made) << i;
  }
}

// Fills a 40 x 40 bitmap (user space = pattern base space, 1 unit a pixel).
vq::Bitmap Fill(VQPDFDrawablePattern& pattern, const std::optional<Color>& color = std::nullopt) {
  auto context = vq::DrawingContext::create(40, 40);
  pattern.drawInContext(*context, vq::AffineTransformIdentity, color);
  return context->toBitmap();
}

TEST(Pattern, TilingCellsRepeatInTheirColours) {
  vqtest::PdfFixture pdf;
  // A 10 x 10 cell whose lower-left 5 x 5 square is painted.
  const char* dict =
      "<< /PatternType 1 /PaintType %d /TilingType 1 /BBox [0 0 10 10] /XStep 10 /YStep 10 "
      "/Resources << >> >>";
  char coloured[200], uncoloured[200];
  std::snprintf(coloured, sizeof coloured, dict, 1);
  std::snprintf(uncoloured, sizeof uncoloured, dict, 2);
  auto colouredPattern = VQPDFDrawablePattern::PatternWithObject(pdf.stream(coloured, "0 1 0 rg 0 0 5 5 re f"), "P1");
  auto stencilPattern = VQPDFDrawablePattern::PatternWithObject(pdf.stream(uncoloured, "0 0 5 5 re f"), "P2");
  ASSERT_TRUE(colouredPattern && stencilPattern);

  struct Row {
    const char* name;
    VQPDFDrawablePattern* pattern;
    std::optional<Color> color;
    std::array<int, 4> painted;
  } rows[] = {
      {"coloured", colouredPattern.get(), std::nullopt, {0, 255, 0, 255}},
      {"uncoloured in the given colour", stencilPattern.get(), vq::ColorMakeRGB(0, 0, 1), {0, 0, 255, 255}},
      {"uncoloured without a colour paints black", stencilPattern.get(), std::nullopt, {0, 0, 0, 255}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const vq::Bitmap b = Fill(*row.pattern, row.color);
    // Rows run from the top: user y 2 is bitmap row 37.
    for (int cell = 0; cell < 4; ++cell) {
      EXPECT_EQ(Rgba(b, 2 + 10 * cell, 37), row.painted) << cell;
      EXPECT_EQ(Rgba(b, 2 + 10 * cell, 37 - 10 * cell), row.painted) << cell;
      EXPECT_EQ(Rgba(b, 7 + 10 * cell, 37)[3], 0) << cell;  // right half of each cell is empty
    }
  }
}

TEST(Pattern, SelfReferencingCellsEnd) {
  vqtest::PdfFixture pdf;
  auto pattern =
      pdf.streamHandle("<< /PatternType 1 /PaintType 1 /TilingType 1 /BBox [0 0 10 10] /XStep 10 /YStep 10 >>",
                       "1 0 0 rg 0 0 5 5 re f /Pattern cs /P0 scn 5 5 5 5 re f");
  auto resources = pdf.handle("<< /Pattern << >> >>");
  resources.getKey("/Pattern").replaceKey("/P0", pattern);
  pattern.getDict().replaceKey("/Resources", resources);
  auto drawable = VQPDFDrawablePattern::PatternWithObject(pdf.wrap(pattern), "P0");
  ASSERT_TRUE(drawable);
  const vq::Bitmap b = Fill(*drawable);
  // The cell draws its own square; the nesting stops a few levels down.
  EXPECT_EQ(Rgba(b, 2, 37), (std::array<int, 4>{255, 0, 0, 255}));
  EXPECT_EQ(Rgba(b, 12, 37), (std::array<int, 4>{255, 0, 0, 255}));
}

TEST(Pattern, StencilColourComesFromTheUnderlyingSpace) {
  vqtest::PdfFixture pdf;
  vq::VQPDFRenderState state;
  state.fillColorSpace = vq::VQPDFColorSpace::ColorSpaceWithObject(pdf.object("[/Pattern /DeviceRGB]"));
  ASSERT_TRUE(state.fillColorSpace);
  state.fillColor.c[0] = 0, state.fillColor.c[1] = 255, state.fillColor.c[2] = 0;
  auto color = vq::VQPDFPatternStencilColor(state, false);
  ASSERT_TRUE(color);
  EXPECT_EQ(Rgb(*color), (std::array<int, 3>{0, 255, 0}));
  state.fillColorSpace = vq::VQPDFColorSpace::ColorSpaceWithObject(pdf.object("/Pattern"));
  EXPECT_FALSE(vq::VQPDFPatternStencilColor(state, false));
}

}  // namespace
