// Which glyphs the reader sees mirrored, where their tops are, and how far
// condensed (Tz) glyphs reach: the placement every format builds its lines
// from. Bitmap Type 3 fonts of dvips and Distiller draw their glyphs upside
// down and turn them back with the text matrix; only the whole chain from
// glyph to page tells such text from mirrored text.
#include <fmt/format.h>
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "pdf/VQPDFConentParserDelegate.h"
#include "pdf/capture/VQPDFPageCapture.h"
#include "platform/pdf/PdfDocument.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using vq::VQPDFPageCapture;

// A Type 3 font whose glyphs (a to z and the blank) are drawn in a y-down
// glyph space: each letter is a box hanging from the baseline in glyph
// units, so it stands upright on the page only under a text matrix that
// turns y over again.
std::string UpsideDownType3Font(const std::string& procObject, const std::string& blankObject) {
  std::string names, procs, widths;
  for (char c = 'a'; c <= 'z'; ++c) {
    names += std::string(" /") + c;
    procs += std::string(" /") + c + " " + procObject;
  }
  for (int code = 32; code <= 122; ++code) widths += code == 32 ? " 25" : code >= 97 ? " 50" : " 0";
  return "<< /Type /Font /Subtype /Type3 /FontMatrix [0.01 0 0 -0.01 0 0] /FontBBox [0 -80 50 10] "
         "/CharProcs <<" +
         procs + " /space " + blankObject + " >> /Encoding << /Type /Encoding /Differences [32 /space 97" + names +
         "] >> /FirstChar 32 /LastChar 122 /Widths [" + widths + "] /Resources << >> >>";
}

// One page with Helvetica as /F1 and that Type 3 font as /T3, showing
// `content`.
std::string PageWithFonts(const std::string& content) {
  return vqtest::BuildPDF({
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 4 0 R /T3 5 0 R >> >> "
      "/Contents 6 0 R >>",
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>",
      UpsideDownType3Font("7 0 R", "8 0 R"),
      vqtest::PDFStream(content),
      vqtest::PDFStream("50 0 d0 5 -70 40 70 re f"),
      vqtest::PDFStream("25 0 d0"),
  });
}

// The first glyph's placement and measures.
class FirstGlyph : public vq::VQPDFConentParserDelegate {
 public:
  explicit FirstGlyph(const VQPDFPageCapture& capture) : capture_(capture) {}
  bool seen = false;
  vq::VQPDF_CTMInfo placement;
  double advance = 0;     // display distance from this glyph's origin to its end
  double blank = 0;       // displayWidth of a 2-unit frame
  double blankAlong = 0;  // displayAdvance of 2 units

  void didScanTextTextOffset(vq::VQPDFConentParser*, const std::string&, const vq::Size& offset) override {
    if (seen) return;
    seen = true;
    const auto glyph = capture_.glyph(offset);
    placement = glyph.placement();
    advance = glyph.nextTransform().tx - glyph.transform().tx;
    blank = glyph.displayWidth(2);
    blankAlong = glyph.displayAdvance(2);
  }

 private:
  const VQPDFPageCapture& capture_;
};

FirstGlyph CaptureFirstGlyph(const std::string& content, const vqtest::ScratchDir& dir) {
  std::ofstream(dir / "page.pdf", std::ios::binary | std::ios::trunc) << PageWithFonts(content);
  auto document = vq::pdf::Document::open((dir / "page.pdf").string(), "");
  VQPDFPageCapture capture;
  FirstGlyph first(capture);
  if (!document) return first;
  capture.beginPage(*document->page(1));
  capture.run(first);
  capture.endPage();
  return first;
}

TEST(GlyphOrientation, MirroredOnlyAsTheReaderSeesIt) {
  struct Case {
    const char* name;
    const char* content;
    bool mirrored;
  };
  const Case cases[] = {
      {"upright text", "BT /F1 10 Tf 100 700 Td (a) Tj ET", false},
      {"upside-down glyphs turned back by the text matrix", "BT /T3 10 Tf 1 0 0 -1 100 700 Tm (a) Tj ET", false},
      {"upside-down glyphs under an upright text matrix", "BT /T3 10 Tf 100 700 Td (a) Tj ET", true},
      {"upright glyphs under a flipping text matrix", "BT /F1 10 Tf 1 0 0 -1 100 700 Tm (a) Tj ET", true},
      {"text mirrored left to right", "BT /F1 10 Tf -1 0 0 1 100 700 Tm (a) Tj ET", true},
      {"upright glyphs under a flipping CTM", "1 0 0 -1 0 792 cm BT /F1 10 Tf 100 92 Td (a) Tj ET", true},
      {"negative horizontal scaling", "BT /F1 10 Tf -100 Tz 100 700 Td (a) Tj ET", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    vqtest::ScratchDir dir;
    const FirstGlyph first = CaptureFirstGlyph(c.content, dir);
    ASSERT_TRUE(first.seen);
    const vq::VQPDF_CTMInfo& p = first.placement;
    EXPECT_EQ(p.flip != 0, c.mirrored);
    // Every case puts the origin at (100, 92) on the display page.
    EXPECT_NEAR(p.xBase, 100, 1e-9);
    EXPECT_NEAR(p.yBase, 92, 1e-9);
    if (c.mirrored) continue;
    // Upright on the display page (y downwards): the top above the base,
    // the bottom below it, the frame as high as the type, and the line
    // running to the right.
    EXPECT_EQ(p.rotation, 0);
    EXPECT_LT(p.yTop, p.yBase);
    EXPECT_GT(p.yBottom, p.yBase);
    EXPECT_NEAR(p.frame.size.height, 10, 1e-9);
    EXPECT_GT(p.xRight, p.xLeft);
  }
}

// Helvetica's "a" is 0.556 em wide: 10-point text under Tz ends where the
// next glyph begins, and widths along the line are scaled alike.
TEST(GlyphOrientation, HorizontalScalingScalesAdvancesAndWidths) {
  const std::pair<int, double> scalings[] = {{100, 1}, {50, 0.5}, {30, 0.3}};
  for (const auto& [tz, factor] : scalings) {
    SCOPED_TRACE(tz);
    vqtest::ScratchDir dir;
    const FirstGlyph first = CaptureFirstGlyph("BT /F1 10 Tf " + std::to_string(tz) + " Tz 100 700 Td (a) Tj ET", dir);
    ASSERT_TRUE(first.seen);
    EXPECT_NEAR(first.advance, 5.56 * factor, 1e-4);
    EXPECT_NEAR(first.blank, 2 * factor, 1e-9);
    EXPECT_NEAR(first.blankAlong, 2 * factor, 1e-9);
    // The type keeps its size: only its advances are condensed.
    EXPECT_NEAR(first.placement.fontSize.width, 10, 1e-9);
  }
}

// ---- every format over one page

std::string Quoted(const fs::path& p) { return "'" + p.string() + "'"; }

// The host program's output of `pdf` as `type`; for a package, the named
// member. Empty when the conversion failed.
std::string Convert(const fs::path& pdf, const std::string& type, const std::string& member = "") {
  const fs::path program = vqtest::binaryDir() / "cli" / "vqpapyrant";
  const fs::path dest = pdf.parent_path() / ("out." + type);
  if (vqtest::runCommand("timeout 300 " + Quoted(program) + " -i " + Quoted(pdf) + " -f " + type + " -o " +
                         Quoted(dest) + " > /dev/null 2>&1") != 0)
    return {};
  std::string out;
  if (member.empty()) {
    std::ifstream in(dest, std::ios::binary);
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  } else {
    vqtest::runCommand("unzip -p " + Quoted(dest) + " " + member, &out);
  }
  return out;
}

// Where each line stands in `text`, npos when it is missing.
std::vector<size_t> Positions(const std::string& text, const std::vector<std::string>& lines) {
  std::vector<size_t> at;
  for (const auto& line : lines) at.push_back(text.find(line));
  return at;
}

const char* const kBefore = "First upright line before.";
const char* const kFlipped = "flipped font words here";
const char* const kAfter = "Second upright line after.";
const char* const kMirrored = "mirrored control";
const char* const kHalf = "horizontal scaling fifty percent";
const char* const kThird = "condensed thirty percent words";
const char* const kLast = "Last upright line.";

// Writes the page into `dir` and returns its path: upright lines around the
// turned-back Type 3 line, a mirrored line, and lines condensed to a half
// and to three tenths.
fs::path WriteMixedPage(const vqtest::ScratchDir& dir) {
  const fs::path pdf = dir / "page.pdf";
  std::ofstream(pdf, std::ios::binary) << PageWithFonts(
      fmt::format("BT /F1 12 Tf 72 720 Td ({}) Tj ET\n"
                  "BT /T3 12 Tf 1 0 0 -1 72 700 Tm ({}) Tj ET\n"
                  "BT /F1 12 Tf 72 680 Td ({}) Tj ET\n"
                  "BT /F1 12 Tf -1 0 0 1 300 660 Tm ({}) Tj ET\n"
                  "BT /F1 12 Tf 50 Tz 72 620 Td ({}) Tj ET\n"
                  "BT /F1 12 Tf 30 Tz 72 600 Td ({}) Tj ET\n"
                  "BT /F1 12 Tf 100 Tz 72 580 Td ({}) Tj ET\n",
                  kBefore, kFlipped, kAfter, kMirrored, kHalf, kThird, kLast));
  return pdf;
}

// The texts of the `pieces` below `node`, joined.
std::string TextOf(const pugi::xml_node& node, const char* pieces) {
  std::string text;
  for (const auto& t : node.select_nodes(pieces)) text += t.node().text().get();
  return text;
}

// The package member `member` of the page converted to `type`, parsed.
bool LoadMixedPagePart(const std::string& type, const std::string& member, pugi::xml_document* doc) {
  vqtest::ScratchDir dir;
  const std::string part = Convert(WriteMixedPage(dir), type, member);
  return static_cast<bool>(doc->load_string(part.c_str(), pugi::parse_default | pugi::parse_ws_pcdata));
}

// The flow formats keep upright text in reading order and gather mirrored
// text after it.
TEST(GlyphOrientationEndToEnd, FlowTextReadsTurnedBackType3InPlace) {
  vqtest::ScratchDir dir;
  const fs::path pdf = WriteMixedPage(dir);
  for (const char* type : {"txt", "html", "rtf"}) {
    SCOPED_TRACE(type);
    const std::string out = Convert(pdf, type);
    ASSERT_FALSE(out.empty());
    const auto at = Positions(out, {kBefore, kFlipped, kAfter, kHalf, kThird, kLast, "mirrored"});
    for (size_t i = 0; i < at.size(); ++i) ASSERT_NE(at[i], std::string::npos) << i;
    for (size_t i = 1; i < at.size(); ++i) EXPECT_LT(at[i - 1], at[i]) << i;
  }
}

TEST(GlyphOrientationEndToEnd, DocxWritesTurnedBackType3AsBodyText) {
  pugi::xml_document doc;
  ASSERT_TRUE(LoadMixedPagePart("docx", "word/document.xml", &doc));
  std::vector<std::string> paragraphs, paths;
  for (const auto& p : doc.select_nodes("/w:document/w:body/w:p")) {
    if (const std::string text = TextOf(p.node(), ".//w:r/w:t"); !text.empty()) paragraphs.push_back(text);
    for (const auto& path : p.node().select_nodes(".//v:textpath"))
      paths.push_back(path.node().attribute("string").value());
  }
  // The mirrored line alone is a text path.
  EXPECT_EQ(paths, std::vector<std::string>{kMirrored});
  const std::vector<std::string> body = {kBefore, kFlipped, kAfter, kHalf};
  ASSERT_GE(paragraphs.size(), body.size());
  EXPECT_EQ(std::vector<std::string>(paragraphs.begin(), paragraphs.begin() + 4), body);
}

// Each text line is a row of its own, in page order, its words in order.
TEST(GlyphOrientationEndToEnd, XlsxKeepsTurnedBackType3AndCondensedLinesInTheirRows) {
  pugi::xml_document s, w;
  ASSERT_TRUE(LoadMixedPagePart("xlsx", "xl/sharedStrings.xml", &s));
  ASSERT_TRUE(LoadMixedPagePart("xlsx", "xl/worksheets/sheet1.xml", &w));
  std::vector<std::string> shared;
  for (const auto& si : s.select_nodes("//*[local-name()='si']"))
    shared.push_back(TextOf(si.node(), ".//*[local-name()='t']"));
  std::map<int, std::string> rows;
  for (const auto& c : w.select_nodes("//*[local-name()='c'][@t='s']")) {
    const int row = c.node().parent().attribute("r").as_int();
    const size_t index = std::stoul(c.node().child("v").text().get());
    ASSERT_LT(index, shared.size());
    rows[row] += shared[index];
  }
  std::vector<std::string> lines;
  for (const auto& [row, text] : rows) lines.push_back(text);
  EXPECT_EQ(lines, (std::vector<std::string>{kBefore, kFlipped, kAfter, kMirrored, kHalf, kThird, kLast}));
}

// The slide keeps the lines where the page has them: the turned-back line
// in the paragraph between its neighbours.
TEST(GlyphOrientationEndToEnd, PptxPlacesTurnedBackType3InItsBox) {
  pugi::xml_document doc;
  ASSERT_TRUE(LoadMixedPagePart("pptx", "ppt/slides/slide1.xml", &doc));
  std::vector<std::string> paragraphs;
  for (const auto& p : doc.select_nodes("//a:p"))
    if (const std::string text = TextOf(p.node(), ".//a:t"); !text.empty()) paragraphs.push_back(text);
  const auto at = [&](const std::string& line) {
    return std::find(paragraphs.begin(), paragraphs.end(), line) - paragraphs.begin();
  };
  EXPECT_EQ(at(kFlipped), at(kBefore) + 1);
  EXPECT_EQ(at(kAfter), at(kFlipped) + 1);
  EXPECT_EQ(at(kThird), at(kHalf) + 1);
  EXPECT_LT(at(kLast), static_cast<long>(paragraphs.size()));
}

}  // namespace
