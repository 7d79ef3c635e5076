// Outline headings: paragraphs that carry the title of an outline entry of
// their page get the entry's level.
#include <gtest/gtest.h>

#include "docx/DocxConversionSupport.h"

namespace {

using vqtest::ParagraphOutline;

// Three headings with a line of text under each; the outline names the
// headings (one of them a level down) and an entry whose title is on no page.
std::string OutlinedPDF() {
  const std::string content =
      "BT /F1 18 Tf 72 720 Td (Introduction) Tj ET "
      "BT /F1 11 Tf 72 690 Td (This report looks at the numbers of the last year.) Tj ET "
      "BT /F1 14 Tf 72 640 Td (Scope of work) Tj ET "
      "BT /F1 11 Tf 72 610 Td (The work covered three sites and two seasons.) Tj ET "
      "BT /F1 18 Tf 72 560 Td (Findings) Tj ET "
      "BT /F1 11 Tf 72 530 Td (Most sites did better than planned.) Tj ET ";
  return vqtest::OneHelveticaPagePDF(
      content, "/Outlines 6 0 R",
      {
          "<< /Type /Outlines /First 7 0 R /Last 10 0 R /Count 4 >>",
          "<< /Title (Introduction) /Parent 6 0 R /Next 8 0 R /First 9 0 R /Last 9 0 R /Count 1 "
          "/Dest [3 0 R /XYZ 0 792 0] >>",
          "<< /Title (Findings) /Parent 6 0 R /Prev 7 0 R /Next 10 0 R /A << /S /GoTo /D [3 0 R /Fit] >> >>",
          "<< /Title (Scope of  work) /Parent 7 0 R /Dest [3 0 R /Fit] >>",
          "<< /Title (Appendix) /Parent 6 0 R /Prev 8 0 R /Dest [3 0 R /Fit] >>",
      });
}

}  // namespace

TEST(VQDocxPageOutline, HeadingsOfTheOutlineGetItsLevels) {
  struct Case {
    int outlineType;
    const char *intro, *scope, *findings;
  };
  // An entry of depth 0 gives level 1; type 2 marks nothing.
  for (const Case c : {Case{1, "1", "2", "1"}, Case{2, "", "", ""}}) {
    SCOPED_TRACE(c.outlineType);
    vqtest::ScratchDir dir;
    vq::VQPDFOptions options;
    options.wordOptions.outlineType = c.outlineType;
    const std::string mainPart = vqtest::ConvertToMainPart(OutlinedPDF(), dir, options);
    ASSERT_FALSE(mainPart.empty());
    const std::vector<ParagraphOutline> expected = {
        {"Introduction", c.intro},  {"This report looks at the numbers of the last year.", ""},
        {"Scope of work", c.scope}, {"The work covered three sites and two seasons.", ""},
        {"Findings", c.findings},   {"Most sites did better than planned.", ""},
    };
    EXPECT_EQ(vqtest::ParagraphOutlines(mainPart), expected);
  }
}
