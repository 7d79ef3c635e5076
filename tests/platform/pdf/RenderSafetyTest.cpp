#include <gtest/gtest.h>

#include <fstream>

#include <fmt/format.h>

#include "platform/pdf/PdfDocument.h"
#include "platform/pdf/PdfRenderSafety.h"
#include "support/TestSupport.h"

using vq::pdf::Document;

namespace {

// A page whose seven forms each name all seven in a direct resource
// dictionary; the last one also names a Type 0 font encoded by `cmap`
// (object 13 uses itself, object 14 is plain).
bool loopingCMapFound(const std::string& cmap) {
  std::string forms;
  for (int i = 0; i < 7; ++i) forms += fmt::format("/F{} {} 0 R ", i, 5 + i);
  const std::string resources = "<< /XObject << " + forms + ">> /Font << /T0 12 0 R >> >>";
  std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 4 0 R /Resources << /XObject << " + forms +
          ">> >> >>",
      vqtest::PDFStream("/F0 Do"),
  };
  for (int i = 0; i < 7; ++i)
    objects.push_back("<< /Type /XObject /Subtype /Form /BBox [0 0 1 1] /Resources " + resources +
                      " /Length 0 >>\nstream\n\nendstream");
  objects.push_back("<< /Type /Font /Subtype /Type0 /BaseFont /Foo /Encoding " + cmap + " /DescendantFonts [] >>");
  objects.push_back("<< /Type /CMap /UseCMap 13 0 R /Length 0 >>\nstream\n\nendstream");
  objects.push_back("<< /Type /CMap /Length 0 >>\nstream\n\nendstream");
  vqtest::ScratchDir dir;
  const auto path = (dir / "forms.pdf").string();
  std::ofstream(path, std::ios::binary) << vqtest::BuildPDF(objects);
  auto doc = Document::open(path, "");
  EXPECT_TRUE(doc);
  return doc && vq::pdf::PageRendererHazard(*doc->page(1)) == "a font's CMap uses itself";
}

}  // namespace

// Forms that name one another through direct resource dictionaries are
// walked once each: the walk ends without recursing deep, and still finds
// a CMap that uses itself.
TEST(RenderSafety, FormsNamingEachOtherAreWalkedOnce) {
  EXPECT_TRUE(loopingCMapFound("13 0 R"));
  EXPECT_FALSE(loopingCMapFound("14 0 R"));
}

// A calculator function nested one level too deep is found wherever a page
// can paint with it; one at the deepest allowed nesting is no hazard.
TEST(RenderSafety, DeepCalculatorFunctionIsFoundWhereverItPaints) {
  struct Case {
    const char* where;
    const char* resources;  // object 5 is the function, 6 a form painting with it
  };
  const Case cases[] = {
      {"shading",
       "<< /Shading << /S << /ShadingType 2 /ColorSpace /DeviceGray /Coords [0 0 1 0] /Function 5 0 R >> >> >>"},
      {"shading pattern",
       "<< /Pattern << /P << /PatternType 2 /Shading << /ShadingType 2 /ColorSpace /DeviceGray /Coords [0 0 1 0] "
       "/Function [5 0 R] >> >> >> >>"},
      {"separation space", "<< /ColorSpace << /C [/Separation /Spot /DeviceGray 5 0 R] >> >>"},
      {"indexed on separation", "<< /ColorSpace << /C [/Indexed [/Separation /S /DeviceGray 5 0 R] 0 <00>] >> >>"},
      {"transfer function", "<< /ExtGState << /G << /TR 5 0 R >> >> >>"},
      {"stitching function",
       "<< /Shading << /S << /ShadingType 1 /ColorSpace /DeviceGray /Function << /FunctionType 3 /Domain [0 1] "
       "/Bounds [] /Encode [0 1] /Functions [5 0 R] >> >> >> >>"},
      {"form", "<< /XObject << /X 6 0 R >> >>"},
  };
  const auto program = [](int levels) {
    std::string text;
    for (int i = 0; i < levels; ++i) text += "{ ";
    for (int i = 0; i < levels; ++i) text += i + 1 < levels ? "} if " : "}";
    return text;
  };
  for (const Case& c : cases) {
    for (int levels : {vq::pdf::kMostPostScriptNesting, vq::pdf::kMostPostScriptNesting + 1}) {
      SCOPED_TRACE(fmt::format("{}, {} levels", c.where, levels));
      const std::string text = program(levels);
      vqtest::ScratchDir dir;
      const auto path = (dir / "deep.pdf").string();
      std::ofstream(path, std::ios::binary) << vqtest::BuildPDF({
          "<< /Type /Catalog /Pages 2 0 R >>",
          "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
          fmt::format("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 10 10] /Contents 4 0 R /Resources {} >>",
                      c.resources),
          vqtest::PDFStream("0 0 1 1 re f"),
          fmt::format("<< /FunctionType 4 /Domain [0 1] /Range [0 1] /Length {} >>\nstream\n{}\nendstream", text.size(),
                      text),
          "<< /Type /XObject /Subtype /Form /BBox [0 0 1 1] /Resources << /ColorSpace << /C [/DeviceN [/A] "
          "/DeviceGray 5 0 R] >> >> /Length 0 >>\nstream\n\nendstream",
      });
      auto doc = Document::open(path, "");
      ASSERT_TRUE(doc);
      EXPECT_EQ(vq::pdf::PageRendererHazard(*doc->page(1)).has_value(), levels > vq::pdf::kMostPostScriptNesting);
    }
  }
}
