// A line drawn under text and a box filled behind text come out of the DOCX
// conversion as underlined and shaded text, not as drawings.
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "docx/DocxConversionSupport.h"

namespace {

// The text of the runs that carry the property `mark` (an element of w:rPr,
// or one of several parted by "|"), in document order.
std::string MarkedText(const std::string& mainPart, const std::vector<std::string>& marks) {
  pugi::xml_document doc;
  if (!doc.load_string(mainPart.c_str())) return "<unreadable>";
  std::string text;
  for (const auto& r : doc.select_nodes("//w:r")) {
    const auto rPr = r.node().child("w:rPr");
    const bool marked =
        std::any_of(marks.begin(), marks.end(), [&](const std::string& m) { return rPr.child(m.c_str()); });
    if (marked) text += r.node().child("w:t").text().get();
  }
  return text;
}

}  // namespace

TEST(VQDocxPageUnderlinesEndToEnd, DrawnUnderlineAndShadingBecomeTextProperties) {
  // Helvetica 12: "Underlined words" is 93.36 points wide, "Shaded" 41.364.
  const std::string content =
      "BT /F1 12 Tf 72 700 Td (Underlined words) Tj ET "
      "0 0 0 RG 0.5 w 72 698.5 m 165.36 698.5 l S "
      "1 1 0 rg 71 646 43.4 16 re f "
      "0 g BT /F1 12 Tf 72 650 Td (Shaded) Tj ET "
      "BT /F1 12 Tf 72 600 Td (Plain text) Tj ET ";
  vqtest::ScratchDir dir;
  const std::string mainPart = vqtest::ConvertToMainPart(vqtest::OneHelveticaPagePDF(content), dir);
  ASSERT_FALSE(mainPart.empty());
  EXPECT_EQ(MarkedText(mainPart, {"w:u"}), "Underlined words");
  EXPECT_EQ(MarkedText(mainPart, {"w:highlight", "w:shd"}), "Shaded");
  EXPECT_EQ(mainPart.find("<w:pict"), std::string::npos) << "the line and the box are gone";
}
