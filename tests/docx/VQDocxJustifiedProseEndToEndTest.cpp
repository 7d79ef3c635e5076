// Justified prose as TeX sets it (each word its own string, the gaps as TJ
// numbers stretched to the measure) comes out as one justified paragraph of
// the document for each paragraph of the page, however the document's face
// is installed here, and words broken over a line end are whole again.
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <fmt/format.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "docx/DocxConversionSupport.h"

namespace {

constexpr double kSize = 10;
constexpr double kAdvance = 6;  // a Courier glyph at 10 points, the blank too
constexpr double kLeft = 72;
constexpr double kLeading = 12;
constexpr double kIndent = 18;

// A line drawn at (x, y), its words stretched to `width` (0: set with gaps of
// 1.6 blanks, as a paragraph's last line is), its glyphs scaled horizontally
// by `scaling` (Tz, which scales the TJ numbers too).
std::string TeXLine(const std::string& text, double x, double y, double width, double scaling = 1) {
  std::istringstream in(text);
  std::vector<std::string> words;
  size_t letters = 0;
  for (std::string w; in >> w;) words.push_back(w), letters += w.size();
  const double advance = kAdvance * scaling;
  const double gap = width > 0
                         ? (width - static_cast<double>(letters) * advance) / static_cast<double>(words.size() - 1)
                         : 1.6 * advance;
  std::string shown;
  for (size_t i = 0; i < words.size(); ++i) {
    if (i) shown += fmt::format(" {:.0f} ", -gap * 1000 / (kSize * scaling));
    shown += "(" + words[i] + ")";
  }
  return fmt::format("{} Tz 1 0 0 1 {} {} Tm [{}] TJ\n", scaling * 100, x, y, shown);
}

const std::vector<std::string> kFirst = {
    "Justified prose is set so that every line of the",   "paragraph fills the column from edge to edge, its",
    "word gaps growing a little where the line is mate-", "rial enough to need it, and shrinking where the",
    "words would not otherwise fit in the measure of",    "the column it stands in."};

// Two paragraphs: six lines justified (gaps of 1.4 to 1.8 blanks, about 1.6),
// one of them ending in a hyphen that breaks "material", the last line short,
// its lines from `condensedFrom` on condensed to 80 %; then a paragraph with
// a first-line indent whose first line ends in a hyphen the text keeps
// ("non-English").
std::string JustifiedPDF(size_t condensedFrom = kFirst.size()) {
  const std::vector<std::string> second = {"A second paragraph starts with an indent of non-",
                                           "English words kept whole, and it runs on over",
                                           "lines before it ends here."};
  const double measure = 40 * kAdvance + 9 * 1.6 * kAdvance;  // the first line at 1.6 blanks
  std::string content = fmt::format("BT /F1 {} Tf\n", kSize);
  double y = 700;
  for (size_t i = 0; i < kFirst.size(); ++i, y -= kLeading)
    content += TeXLine(kFirst[i], kLeft, y, i + 1 < kFirst.size() ? measure : 0, i >= condensedFrom ? 0.8 : 1);
  for (size_t i = 0; i < second.size(); ++i, y -= kLeading) {
    const double indent = i == 0 ? kIndent : 0;
    content += TeXLine(second[i], kLeft + indent, y, i + 1 < second.size() ? measure - indent : 0);
  }
  content += "ET";
  return vqtest::BuildPDF({
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 4 0 R >> >> "
      "/Contents 5 0 R >>",
      "<< /Type /Font /Subtype /Type1 /BaseFont /Courier /Encoding /WinAnsiEncoding >>",
      vqtest::PDFStream(content),
  });
}

struct WrittenParagraph {
  std::string text, jc;
  double firstLine = 0;
  size_t tabs = 0;
  double widening = 0;  // the runs' letter spacing that widens them, in twips
};

std::vector<WrittenParagraph> TextParagraphs(const std::string& mainPart) {
  pugi::xml_document doc;
  std::vector<WrittenParagraph> out;
  if (!doc.load_string(mainPart.c_str(), pugi::parse_default | pugi::parse_ws_pcdata)) return out;
  for (const auto& node : doc.select_nodes("/w:document/w:body/w:p")) {
    WrittenParagraph p;
    for (const auto& t : node.node().select_nodes(".//w:r/w:t")) p.text += t.node().text().get();
    if (p.text.find_first_not_of(' ') == std::string::npos) continue;
    p.tabs = node.node().select_nodes(".//w:r/w:tab").size();
    for (const auto& r : node.node().select_nodes(".//w:r/w:rPr/w:spacing"))
      p.widening += std::max(0.0, r.node().attribute("w:val").as_double());
    const pugi::xml_node pPr = node.node().child("w:pPr");
    p.jc = pPr.child("w:jc").attribute("w:val").value();
    p.firstLine = pPr.child("w:ind").attribute("w:firstLine").as_double();
    out.push_back(std::move(p));
  }
  return out;
}

TEST(VQDocxJustifiedProseEndToEnd, EachParagraphOfThePageIsOneJustifiedParagraph) {
  vqtest::ScratchDir dir;
  const auto paragraphs = TextParagraphs(vqtest::ConvertToMainPart(JustifiedPDF(), dir));
  ASSERT_EQ(paragraphs.size(), 2u);

  EXPECT_EQ(paragraphs[0].text,
            "Justified prose is set so that every line of the paragraph fills the column from edge to edge, its "
            "word gaps growing a little where the line is material enough to need it, and shrinking where the "
            "words would not otherwise fit in the measure of the column it stands in.");
  // The hyphen before a capital is the text's own: it stays, and the words
  // either side of it join.
  EXPECT_EQ(paragraphs[1].text,
            "A second paragraph starts with an indent of non-English words kept whole, and it runs on over lines "
            "before it ends here.");
  for (const auto& p : paragraphs) {
    EXPECT_EQ(p.jc, "both") << p.text;
    EXPECT_EQ(p.tabs, 0u) << p.text;
    // The word processor stretches the blanks of a justified line itself:
    // blanks that kept the page's stretch too would fit fewer words on a
    // line and make the paragraph longer than the page has it.
    EXPECT_LT(p.widening, kAdvance * 20) << p.text;
  }
  EXPECT_EQ(paragraphs[0].firstLine, 0);
  EXPECT_NEAR(paragraphs[1].firstLine, kIndent * 20, 20);
}

// Lines condensed by another horizontal scaling are set apart on purpose:
// they do not join the paragraph of the lines above them.
TEST(VQDocxJustifiedProseEndToEnd, LinesOfAnotherHorizontalScalingStayApart) {
  vqtest::ScratchDir dir;
  const auto paragraphs = TextParagraphs(vqtest::ConvertToMainPart(JustifiedPDF(2), dir));
  ASSERT_EQ(paragraphs.size(), 3u);
  EXPECT_EQ(paragraphs[0].text,
            "Justified prose is set so that every line of the paragraph fills the column from edge to edge, its");
  EXPECT_EQ(paragraphs[1].text.rfind("word gaps growing", 0), 0u) << paragraphs[1].text;
}

}  // namespace
