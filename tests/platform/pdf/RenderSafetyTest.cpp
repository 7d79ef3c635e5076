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
  return doc && vq::pdf::PageHasLoopingCMap(*doc->page(1));
}

}  // namespace

// Forms that name one another through direct resource dictionaries are
// walked once each: the walk ends without recursing deep, and still finds
// a CMap that uses itself.
TEST(RenderSafety, FormsNamingEachOtherAreWalkedOnce) {
  EXPECT_TRUE(loopingCMapFound("13 0 R"));
  EXPECT_FALSE(loopingCMapFound("14 0 R"));
}
