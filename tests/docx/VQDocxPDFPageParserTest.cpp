#include "docx/VQDocxPDFPageParser.h"
#include "docx/tables/VQDocxRuledTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "docx/CaptureOnlyParser.h"
#include "docx/capture/VQDocxRunText.h"
#include "docx/layout/VQDocxPage.h"
#include "fonts/VQPDFFont.h"
#include "office/OfficeTestSupport.h"
#include "office/docx/VQDocxDocument.h"
#include "pdf/VQPDFColorSpace.h"
#include "pdf/VQPDFRenderState.h"
#include "pdf/capture/VQPageSetup.h"
#include "platform/text/Utf8.h"
#include "support/TestSupport.h"

using vq::VQDocxPDFPageParser;

namespace {

std::string passwordFor(const std::string& file) {
  static const std::map<std::string, std::string> passwords = {
      {"encrypted-rc4-40-user.pdf", "user"},
      {"encrypted-aes128-user.pdf", "user"},
      {"encrypted-aes256-nonascii.pdf", "pässwörd"},
  };
  const auto found = passwords.find(file);
  return found == passwords.end() ? "" : found->second;
}

// Only the names and flags matter here; no code is ever decoded.
struct TestFont : vq::VQPDFFont {
  TestFont() = default;
  std::shared_ptr<vq::VQPDFFont> copy() const override { return std::make_shared<TestFont>(*this); }
  size_t getNextChar(const uint8_t*, size_t, uint32_t*, uint32_t*, int, int* uLen, float* dx, float* dy, float* ox,
                     float* oy) const override {
    *uLen = 0;
    *dx = *dy = *ox = *oy = 0;
    return 1;
  }
};

// Pages that ask to be turned on their first capture and register one image
// per capture, as a capture that finds pictures does.
class TurnedPage : public vq::VQDocxPage {
 public:
  TurnedPage(int pass, double w, double h, const vq::AffineTransform& t, int64_t pdf, int64_t word)
      : VQDocxPage(w, h, t, pdf, word, true, true), pass_(pass) {}
  int autoRotationOfPDFPage() const override { return pass_ == 1 ? 90 : 0; }

 private:
  int pass_;
};

class TurningParser : public VQDocxPDFPageParser {
 public:
  using VQDocxPDFPageParser::VQDocxPDFPageParser;
  std::vector<std::string> images;
  std::vector<vq::Size> sizes;

 protected:
  std::shared_ptr<vq::VQDocxPage> newPage(double w, double h, const vq::AffineTransform& t, int64_t pdf, int64_t word,
                                          bool, bool) override {
    const int pass = static_cast<int>(sizes.size()) + 1;
    auto page = std::make_shared<TurnedPage>(pass, w, h, t, pdf, word);
    page->setDocumentHandle(documentHandle());
    images.push_back(documentHandle()->savedWorkFolder() + "/pass" + std::to_string(pass) + ".png");
    page->collectImageWithPath(images.back());
    sizes.push_back({w, h});
    return page;
  }
};

using vqtest::CaptureOnlyParser;

}  // namespace

TEST(VQDocxPDFPageParserTest, OptionsComeThroughTheConstructorAndAnAbsentPageMakesNoPage) {
  vq::VQPDFOptions options;
  options.threadMax = 7;
  options.wordOptions.isNeedReplaceFont = false;
  VQDocxPDFPageParser parser(nullptr, options);
  EXPECT_EQ(parser.moreOptions(), options);
  EXPECT_FALSE(parser.convertPDFPage(std::nullopt, 1, true, true));
  EXPECT_FALSE(parser.currentPage());
}

// Run properties: names cut between characters, the stand-in name for a
// nameless font, size from the display transform, bold from the rendering
// mode, italic from a slanted text matrix, the fill colour made opaque.
TEST(VQDocxPDFPageParserTest, RunPropertiesOfTheGlyph) {
  const vq::Rect box = vq::RectMake(0, 0, 612, 792);
  std::string accented;
  for (int i = 0; i < 80; ++i) accented += "é";  // 160 bytes, 2 per character
  struct Case {
    const char* what;
    std::string fontName;
    int renderMode;
    vq::AffineTransform textMatrix;
    std::string expectName;
    bool bold, italic;
    float size;
  };
  const Case cases[] = {
      {"plain", "Helvetica", 0, {10, 0, 0, 10, 0, 0}, "Helvetica", false, false, 10},
      {"no name", "", 0, {10, 0, 0, 10, 0, 0}, "Unknow Font", false, false, 10},
      {"long name", accented, 0, {10, 0, 0, 10, 0, 0}, accented.substr(0, 126), false, false, 10},
      {"fill and stroke", "Helvetica", 2, {10, 0, 0, 10, 0, 0}, "Helvetica", true, false, 10},
      {"slanted", "Helvetica", 0, {10, 0, 2.5, 10, 0, 0}, "Helvetica", false, true, 10},
      {"tiny", "Helvetica", 0, {1, 0, 0, 1, 0, 0}, "Helvetica", false, false, 3},
  };
  for (const auto& c : cases) {
    VQDocxPDFPageParser parser(nullptr, {});
    parser.beginPageForTesting(vq::VQPageSetupMake(box, box, 0), 1);
    auto& state = parser.renderingStateStack().topRenderingState();
    const vq::VQDocx_RPr plain = parser.currentRProperty(parser.capture().glyph({0, 0}));
    EXPECT_EQ(vq::VQDocxText(plain.rFonts.ascii), "Times New Roman") << c.what << ": no font, default properties";
    auto font = std::make_shared<TestFont>();
    font->fontName = c.fontName;
    font->fontSystemReplaceName = "Liberation Sans";
    state.font = font;
    state.fontSize = 1;
    state.textRenderMode = c.renderMode;
    state.textMatrix = c.textMatrix;
    state.fillColorSpace = vq::VQPDFColorSpace::DefaultDeviceRGBColorSpace();
    state.fillColor.c[0] = 255;
    const vq::VQDocx_RPr r = parser.currentRProperty(parser.capture().glyph({0.5, 0}));
    for (auto name : {vq::VQDocxText(r.rFonts.ascii), vq::VQDocxText(r.rFonts_backup)}) {
      EXPECT_EQ(name, c.expectName) << c.what;
      EXPECT_TRUE(vq::text::isValidUTF8(name)) << c.what;
    }
    EXPECT_EQ(vq::VQDocxText(r.rFonts_replace.ascii), "Liberation Sans") << c.what;
    EXPECT_EQ(r.b, c.bold) << c.what;
    EXPECT_EQ(r.i, c.italic) << c.what;
    EXPECT_NEAR(r.sz, c.size, 0.01) << c.what;
    EXPECT_EQ(r.color.red, 255) << c.what;
    EXPECT_EQ(r.color.alpha, 255) << c.what;
    EXPECT_EQ(r.w, 100) << c.what;
    EXPECT_EQ(r.noProof, 1) << c.what;
    EXPECT_NEAR(parser.currentPage()->pg_minFontSize, std::min(12.0f, c.size), 0.01) << c.what;
  }
}

// A page captured a second time, turned: the kept page is the second
// capture, set up turned by the angle the first asked for, and the document
// holds only what the second capture registered.
TEST(VQDocxPDFPageParserCorpus, SecondCaptureReplacesTheFirstWithoutLeftovers) {
  auto pdf = vq::pdf::Document::open(vqtest::corpusFile("minimal-jspdf.pdf").string(), "");
  ASSERT_TRUE(pdf);
  vqtest::ScratchDir dir;
  auto document = vq::VQDocxDocument::initWithPath((dir / "out.docx").string(), 1);
  document->writeDocumentBegin();
  TurningParser parser(document, {});
  ASSERT_TRUE(parser.convertPDFPage(pdf->page(1), 1, true, true));
  ASSERT_EQ(parser.sizes.size(), 2u);
  EXPECT_EQ(parser.sizes[1].width, parser.sizes[0].height) << "the second capture is turned";
  EXPECT_EQ(parser.sizes[1].height, parser.sizes[0].width);
  EXPECT_EQ(parser.currentPage()->pageWidth(), static_cast<float>(parser.sizes[1].width));
  EXPECT_EQ(document->docxMediaCollection(), std::vector<std::string>{parser.images[1]});
  EXPECT_EQ(parser.currentPage()->collectedImagePaths(), std::vector<std::string>{parser.images[1]});
}

// Every page of every corpus file is captured and laid out into a page of its
// position, within the display size limits.
TEST(VQDocxPDFPageParserCorpus, EveryPageOfEveryFile) {
  // With no document to take them, the pictures the pages draw stay where
  // the parser writes them: in a temporary folder of this test's own.
  vqtest::ScratchDir temporary;
  vqtest::EnvVar privateTemporary("TMPDIR", temporary.path().string());
  for (const auto& file : vqtest::corpusFiles()) {
    const std::string name = file.filename().string();
    auto pdf = vq::pdf::Document::open(file.string(), passwordFor(name));
    ASSERT_TRUE(pdf) << name;
    for (int n = 1; n <= pdf->pageCount(); ++n) {
      VQDocxPDFPageParser parser(nullptr, {});
      ASSERT_TRUE(parser.convertPDFPage(pdf->page(n), n + 1, false, n == pdf->pageCount())) << name << " " << n;
      const auto& page = parser.currentPage();
      ASSERT_TRUE(page) << name << " " << n;
      EXPECT_EQ(page->wordPageIndex(), n + 1);
      EXPECT_EQ(page->pdfPageIndex(), n);
      EXPECT_EQ(page->isLastPage(), n == pdf->pageCount());
      const double w = page->pageWidth(), h = page->pageHeight();
      EXPECT_LE(std::max(w, h), 1583.0 + 1e-3) << name << " " << n;
      EXPECT_GT(std::min(w, h), 0) << name << " " << n;
      EXPECT_FLOAT_EQ(w, parser.currentPageCropBox().size.width) << name << " " << n;
      const std::string xml =
          vqtest::writeXML([&](vq::XMLFileWriter& writer) { page->writePageWithXMLWriter(writer); });
      EXPECT_NE(xml.find("w:name=\"" + std::to_string(n + 1) + "\""), std::string::npos) << name << " " << n;
    }
  }
}

namespace {

using Counts = std::map<uint32_t, long>;

void AddText(Counts& counts, const std::string& utf8) {
  for (const uint32_t c : vq::text::decodeUTF8(utf8)) {
    const bool blank = c <= 0x20 || (c >= 0x7F && c <= 0xA0) || (c >= 0x2000 && c <= 0x200B) || c == 0x1680 ||
                       c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000 || c == 0xFEFF;
    if (!blank) ++counts[c];
  }
}

std::string Texts(const std::vector<std::shared_ptr<vq::VQDocxRunText>>& runs) {
  std::string out;
  for (const auto& run : runs) out += run->runText();
  return out;
}

// The page of a one-page 200 x 200 PDF written to `path` with Helvetica as
// /F1, a fill alpha of 0.005 as /G1, and the given content stream.
std::shared_ptr<vq::pdf::Document> OneHelveticaPage(const std::filesystem::path& path, const std::string& content) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << vqtest::BuildPDF({
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Resources << /Font << /F1 4 0 R >> "
      "/ExtGState << /G1 << /ca 0.005 >> >> >> /Contents 5 0 R >>",
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>",
      vqtest::PDFStream(content),
  });
  return vq::pdf::Document::open(path.string(), "");
}

// The texts of the page's text boxes, each box in brackets and its
// paragraphs parted by "/" when `marked`.
// The text a table writes: its cells' laid-out lines (the layout joins
// pieces of a word into one run), or its runs while it is not laid out,
// and its nested tables'.
std::string TableTexts(const vq::VQDocxTable& table) {
  const auto* ruled = dynamic_cast<const vq::VQDocxRuledTable*>(&table);
  if (!ruled) return Texts(table.allRunTextArray());
  std::string text;
  bool laidOut = false;
  auto add = [&](const vq::VQDocxTableCell& cell) {
    for (const auto& section : cell.allPageSectionArray) {
      text += Texts(section->allRunTextArray());
      laidOut = true;
    }
  };
  for (const auto& row : ruled->tableRowArray)
    for (const auto& cell : row->tableCellArray)
      if (!cell->superTableCellGroup) add(*cell);
  for (const auto& group : ruled->cellGroupArray) add(*group);
  if (!laidOut) text = Texts(table.allRunTextArray());
  for (const auto& nested : ruled->subTables) text += TableTexts(*nested);
  return text;
}

std::string BoxTexts(const vq::VQDocxPage& page, bool marked = true) {
  std::string out;
  for (const auto& box : page.allRunTextBoxArray) {
    if (marked) out += "[";
    for (size_t k = 0; k < box->paragraphArray.size(); ++k)
      out += (k && marked ? "/" : "") + Texts(box->paragraphArray[k]->allRunTextArray());
    if (marked) out += "]";
  }
  return out;
}

// The texts of the page's text paths, each path's text in brackets when `marked`.
std::string PathTexts(const vq::VQDocxPage& page, bool marked = true) {
  std::string out;
  for (const auto& path : page.allRunTextPathArray) out += marked ? "[" + path->runText + "]" : path->runText;
  return out;
}

}  // namespace

// Upright glyphs become one main-text run each, in content order, placed
// where they are drawn; turned and mirrored glyphs are set aside for the
// text boxes and text paths.
TEST(VQDocxPDFPageParserTest, GlyphsAreRoutedByTheirTurnAndMirroring) {
  vqtest::ScratchDir dir;
  const auto path = dir / "routes.pdf";
  auto pdf = OneHelveticaPage(path,
                              "BT /F1 12 Tf 1 0 0 1 20 150 Tm (Up) Tj ET "
                              "BT /F1 12 Tf 0 1 -1 0 100 40 Tm (Turn) Tj ET "
                              "BT /F1 12 Tf -1 0 0 1 180 100 Tm (Mir) Tj ET "
                              "BT /F1 12 Tf 1 0 0 1 20 20 Tm (ok) Tj ET");
  ASSERT_TRUE(pdf);
  CaptureOnlyParser parser(nullptr, {});
  ASSERT_TRUE(parser.convertPDFPage(pdf->page(1), 1, true, true));
  const auto& page = *parser.currentPage();
  EXPECT_EQ(BoxTexts(page), "[Turn]");
  EXPECT_EQ(PathTexts(page), "[Mir]");
  ASSERT_EQ(page.allRunTextArray.size(), 4u);
  struct Expected {
    const char* text;
    double xLeft, width, yBase;
  };
  // Helvetica advances: U 722, p 556, o 556, k 500 thousandths.
  const Expected expected[] = {
      {"U", 20, 8.664, 50}, {"p", 28.664, 6.672, 50}, {"o", 20, 6.672, 180}, {"k", 26.672, 6.0, 180}};
  for (size_t i = 0; i < 4; ++i) {
    const auto& run = *page.allRunTextArray[i];
    SCOPED_TRACE(expected[i].text);
    EXPECT_EQ(run.runText(), expected[i].text);
    EXPECT_NEAR(run.ctmInfo.xLeft, expected[i].xLeft, 0.01);
    EXPECT_NEAR(run.textWidth, expected[i].width, 0.01);
    EXPECT_NEAR(run.ctmInfo.frame.size.width, expected[i].width, 0.01);
    EXPECT_NEAR(run.ctmInfo.xRight, expected[i].xLeft + expected[i].width, 0.01);
    EXPECT_NEAR(run.ctmInfo.yBase, expected[i].yBase, 0.01);
    EXPECT_EQ(run.ctmInfo.flip, 0);
    EXPECT_EQ(run.textScanIndex, run.pdfScanIndex());
    EXPECT_NEAR(run.rProperty.sz, 12, 0.01);
  }
  // Scan positions are taken in content order across all three routes (the
  // layout renumbers the main-text runs among themselves afterwards); a text
  // box or path takes one when it is closed, by the first glyph that leaves it.
  std::vector<uint64_t> setAside;
  for (const auto& run : page.allRunTextBoxArray.at(0)->allRunTextArray()) setAside.push_back(run->pdfScanIndex());
  setAside.push_back(page.allRunTextBoxArray.at(0)->pdfScanIndex());
  setAside.push_back(page.allRunTextPathArray.at(0)->pdfScanIndex());
  EXPECT_EQ(setAside, (std::vector<uint64_t>{2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(page.allRunTextBoxArray[0]->pictZIndex, vq::VQDocxTextBoxZIndexStart);
  EXPECT_EQ(page.allRunTextPathArray[0]->pictZIndex, vq::VQDocxTextBoxZIndexStart + 1);
}

// Office suites draw each table cell and text frame as its own clip: q x y w
// h re W n BT ... ET Q. Each glyph is judged by the clip it is drawn under,
// never by one a Q has let go, however the clip records are allocated:
// siblings, siblings under a clip of the whole page, and a glyph outside
// the clip it is drawn under.
TEST(VQDocxPDFPageParserTest, GlyphsAreJudgedByTheirOwnClip) {
  std::string siblings, nested, expected;
  for (int k = 0; k < 20; ++k) {
    const int x = 5 + (k % 4) * 48, y = 160 - (k / 4) * 38;
    const std::string word = "w" + std::to_string(10 + k);
    const std::string cell = "q " + std::to_string(x) + " " + std::to_string(y) + " 44 34 re W n BT /F1 8 Tf " +
                             std::to_string(x + 2) + " " + std::to_string(y + 12) + " Td (" + word + ") Tj ET Q ";
    siblings += cell;
    nested += "q 0 0 200 200 re W n " + cell + "Q ";
    expected += word;
  }
  // Drawn far from the clip it is under: the clip hides it.
  const std::string stray = "q 5 5 20 20 re W n BT /F1 8 Tf 120 10 Td (hidden) Tj ET Q";
  for (const std::string& content : {siblings + stray, nested + stray}) {
    vqtest::ScratchDir dir;
    auto pdf = OneHelveticaPage(dir / "cells.pdf", content);
    ASSERT_TRUE(pdf);
    CaptureOnlyParser parser(nullptr, {});
    ASSERT_TRUE(parser.convertPDFPage(pdf->page(1), 1, true, true));
    std::string text;
    for (const auto& run : parser.currentPage()->allRunTextArray) text += run->runText();
    EXPECT_EQ(text, expected);
  }
}

// Which glyphs are taken, and where they go: (main text | text boxes | text
// paths) for one text object on a 200 x 200 page.
TEST(VQDocxPDFPageParserTest, GlyphFiltersAndRoutes) {
  const struct {
    const char* what;
    std::string content;
    std::string routed;
    std::string clip = "";  // clip paths set before the text object
  } cases[] = {
      {"upright", "/F1 12 Tf 1 0 0 1 20 100 Tm (A) Tj", "A||"},
      {"blanks before the first glyph", "/F1 12 Tf 1 0 0 1 20 100 Tm ( ) Tj (A) Tj", "A||"},
      {"a blank after it is kept", "/F1 12 Tf 1 0 0 1 20 100 Tm (A) Tj ( ) Tj (B) Tj", "A B||"},
      {"invisible", "/F1 12 Tf 3 Tr 1 0 0 1 20 100 Tm (A) Tj", "||"},
      {"too small", "/F1 2.9 Tf 1 0 0 1 20 100 Tm (A) Tj", "||"},
      {"transparent", "/G1 gs /F1 12 Tf 1 0 0 1 20 100 Tm (A) Tj", "||"},
      {"left edge outside", "/F1 12 Tf 1 0 0 1 -0.5 100 Tm (A) Tj", "||"},
      {"left edge inside", "/F1 12 Tf 1 0 0 1 0.5 100 Tm (A) Tj", "A||"},
      // Display space runs downwards: a rotation of 3 is a clockwise tilt.
      {"rotation 3", "/F1 12 Tf 0.99863 -0.05234 0.05234 0.99863 20 100 Tm (A) Tj", "A||"},
      {"rotation 357", "/F1 12 Tf 0.99863 0.05234 -0.05234 0.99863 20 100 Tm (A) Tj", "||[A]"},
      {"tilted 45 degrees", "/F1 12 Tf 0.7071 0.7071 -0.7071 0.7071 50 100 Tm (A) Tj", "||[A]"},
      {"turned 180 degrees", "/F1 12 Tf -1 0 0 -1 150 100 Tm (A) Tj", "|[A]|"},
      {"turned 270 degrees", "/F1 12 Tf 0 -1 1 0 100 150 Tm (A) Tj", "|[A]|"},
      {"mirrored and turned", "/F1 12 Tf 0 1 1 0 100 50 Tm (A) Tj", "||[A]"},
      {"a tilted word is one text path", "/F1 12 Tf 0.7071 0.7071 -0.7071 0.7071 50 100 Tm (AB) Tj", "||[AB]"},
      {"a path ends where the tilt does",
       "/F1 12 Tf 0.7071 0.7071 -0.7071 0.7071 50 100 Tm (AB) Tj 1 0 0 1 20 20 Tm (C) Tj "
       "0.7071 -0.7071 0.7071 0.7071 100 150 Tm (D) Tj",
       "C||[AB][D]"},
      {"mirrored text is one text path", "/F1 12 Tf -1 0 0 1 180 100 Tm (AB) Tj", "||[AB]"},
      {"clip around it", "/F1 12 Tf 1 0 0 1 20 100 Tm (A) Tj", "A||", "10 90 40 30 re W n "},
      {"clip half a point wide over it", "/F1 12 Tf 1 0 0 1 20 100 Tm (A) Tj", "||", "22 90 0.5 30 re W n "},
      {"clip beside it", "/F1 12 Tf 1 0 0 1 20 100 Tm (A) Tj", "||", "100 90 50 30 re W n "},
      {"clip restored before it", "/F1 12 Tf 1 0 0 1 20 100 Tm (A) Tj", "A||", "q 100 90 50 30 re W n Q "},
  };
  vqtest::ScratchDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto path = dir / "case.pdf";
    auto pdf = OneHelveticaPage(path, c.clip + "BT " + c.content + " ET");
    ASSERT_TRUE(pdf);
    CaptureOnlyParser parser(nullptr, {});
    ASSERT_TRUE(parser.convertPDFPage(pdf->page(1), 1, true, true));
    const auto& page = *parser.currentPage();
    EXPECT_EQ(Texts(page.allRunTextArray) + "|" + BoxTexts(page) + "|" + PathTexts(page), c.routed);
    for (const auto& run : page.allRunTextArray) {
      EXPECT_TRUE(std::isfinite(run->textWidth) && std::isfinite(run->ctmInfo.frame.size.width));
      EXPECT_GE(run->textWidth, 0);
    }
  }
}

TEST(VQDocxPDFPageParserTest, RotationsSnapAndCompareAcrossZero) {
  const struct {
    float rotation, snapped;
  } cases[] = {{0, 0},   {3, 0},     {359.6f, 0}, {360, 0},   {357, 357}, {45, 45},
               {88, 90}, {182, 180}, {271, 270},  {-90, 270}, {96, 96},   {NAN, 0}};
  for (const auto& c : cases) EXPECT_EQ(VQDocxPDFPageParser::snappedRotation(c.rotation), c.snapped) << c.rotation;
  EXPECT_NEAR(VQDocxPDFPageParser::angleDistance(359.9f, 0.1f), 0.2f, 1e-3);
  EXPECT_NEAR(VQDocxPDFPageParser::angleDistance(10, 350), 20, 1e-3);
  EXPECT_NEAR(VQDocxPDFPageParser::angleDistance(90, 270), 180, 1e-3);
}

// The text of every page's lines, with what was set aside for text boxes,
// text paths, drop capitals and table cells, agrees with pdftotext's as multisets of
// non-blank characters.
TEST(VQDocxPDFPageParserCorpus, LineTextAgreesWithPdftotext) {
  // With no document to take them, the pictures the pages draw stay where
  // the parser writes them: in a temporary folder of this test's own.
  vqtest::ScratchDir temporary;
  vqtest::EnvVar privateTemporary("TMPDIR", temporary.path().string());
  if (vqtest::runCommand("command -v pdftotext > /dev/null") != 0) GTEST_SKIP() << "pdftotext is not installed";
  vqtest::ScratchDir dir;
  std::printf("  %-32s %9s %9s %9s %8s\n", "file", "reference", "ours", "shared", "agree");
  for (const auto& file : vqtest::corpusFiles()) {
    const std::string name = file.filename().string();
    const std::string password = passwordFor(name);
    SCOPED_TRACE(name);
    const auto dest = dir / (name + ".txt");
    ASSERT_EQ(
        vqtest::runCommand("pdftotext -enc UTF-8 " + (password.empty() ? std::string() : "-upw '" + password + "' ") +
                           "'" + file.string() + "' '" + dest.string() + "' 2> /dev/null"),
        0);
    Counts theirs, ours;
    std::ifstream in(dest, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    AddText(theirs, text.str());
    auto pdf = vq::pdf::Document::open(file.string(), password);
    ASSERT_TRUE(pdf);
    for (int n = 1; n <= pdf->pageCount(); ++n) {
      VQDocxPDFPageParser parser(nullptr, {});
      ASSERT_TRUE(parser.convertPDFPage(pdf->page(n), n, n == 1, n == pdf->pageCount()));
      const auto& page = *parser.currentPage();
      std::string lines;
      std::set<const vq::VQDocxRunText*> seen;
      for (const auto& set : page.allColumSetArray)
        for (const auto& group : set->columGroupArray)
          for (const auto& line : group) {
            lines += Texts(line->runTextArray());
            for (const auto& run : line->runTextArray())
              EXPECT_TRUE(seen.insert(run.get()).second) << "page " << n << ": a run in two lines";
          }
      for (const auto& capital : page.pendingDropCapitalRuns) lines += Texts(capital);
      // Text that went into ruled tables is written in their cells.
      for (const auto& table : page.allTableArray) lines += TableTexts(*table);
      AddText(ours, lines + BoxTexts(page, false) + PathTexts(page, false));
    }
    long shared = 0, reference = 0, mine = 0;
    for (const auto& [c, k] : theirs) {
      reference += k;
      if (auto it = ours.find(c); it != ours.end()) shared += std::min(k, it->second);
    }
    for (const auto& [c, k] : ours) mine += k;
    const long larger = std::max(reference, mine);
    if (larger == 0) continue;
    const double agreement = 100.0 * static_cast<double>(shared) / static_cast<double>(larger);
    std::printf("  %-32s %9ld %9ld %9ld %7.2f%%\n", name.c_str(), reference, mine, shared, agreement);
    EXPECT_GE(agreement, vqtest::leastTextAgreementWithPdftotext(name));
  }
}

// Pages set in columns are read as one column set of that many column
// groups side by side, each holding the lines of its column.
TEST(VQDocxPDFPageParserCorpus, ColumnPagesGiveOneGroupPerColumn) {
  auto pdf = vq::pdf::Document::open(vqtest::corpusFile("columns-multicol.pdf").string(), "");
  ASSERT_TRUE(pdf);
  struct Case {
    int page;
    size_t columns;
    const char* firstLine;  // how each column starts, left to right
    const char* secondColumn;
  };
  for (const Case& c : {Case{5, 3, "2.2", "the column short"}, Case{11, 2, "(i.e.", "When"}}) {
    SCOPED_TRACE(c.page);
    VQDocxPDFPageParser parser(nullptr, {});
    ASSERT_TRUE(parser.convertPDFPage(pdf->page(c.page), c.page, false, false));
    const auto& sets = parser.currentPage()->allColumSetArray;
    ASSERT_GE(sets.size(), 1u);
    const auto& body = *sets.front();
    ASSERT_EQ(body.columGroupArray.size(), c.columns);
    EXPECT_EQ(body.columGroupArray[0].front()->lineText.rfind(c.firstLine, 0), 0u)
        << body.columGroupArray[0].front()->lineText;
    EXPECT_EQ(body.columGroupArray[1].front()->lineText.rfind(c.secondColumn, 0), 0u)
        << body.columGroupArray[1].front()->lineText;
    double right = 0;
    for (const auto& group : body.columGroupArray) {
      const vq::Rect frame = vq::VQDocxRunTextLine::FrameOfLineArray(group);
      EXPECT_GE(frame.origin.x, right) << "columns stand side by side";
      EXPECT_GT(group.size(), 30u) << "a column holds the lines of a page's height";
      right = frame.origin.x + frame.size.width;
    }
  }
}

// A closed text path reaches from its first glyph to the position after its
// last, and its frame is centred on the middle of that stretch.
TEST(VQDocxPDFPageParserTest, TextPathFrameSpansItsGlyphs) {
  vqtest::ScratchDir dir;
  const auto path = dir / "path.pdf";
  // 36.87 degrees (a 3-4-5 triangle): "AB" advances 16.008 points along it.
  auto pdf = OneHelveticaPage(path, "BT /F1 12 Tf 0.8 0.6 -0.6 0.8 50 100 Tm (AB) Tj ET");
  ASSERT_TRUE(pdf);
  CaptureOnlyParser parser(nullptr, {});
  ASSERT_TRUE(parser.convertPDFPage(pdf->page(1), 1, true, true));
  const auto& paths = parser.currentPage()->allRunTextPathArray;
  ASSERT_EQ(paths.size(), 1u);
  const auto& info = *paths[0]->pictInfo;
  EXPECT_NEAR(info.displayWidth, 16.008, 0.01);
  EXPECT_NEAR(info.displayHeight, 12, 0.5) << "the first glyph's font height";
  EXPECT_NEAR(info.rotation, 323, 1) << "display space turns the other way";
  EXPECT_FALSE(info.flipY);
  // The glyph's top-left corner lies a font height up the tilted upright from
  // the base point (50, 100) in PDF space, (50, 100) in display space.
  const double top = 12 * 0.718;  // Helvetica's ascent
  const double startX = 50 - 0.6 * top, startY = 100 - 0.8 * top;
  const double midX = startX + 0.8 * 16.008 / 2, midY = startY - 0.6 * 16.008 / 2;
  EXPECT_NEAR(info.displayX + info.displayWidth / 2, midX, 0.6);
  EXPECT_NEAR(info.displayY, midY, 0.6);
  EXPECT_EQ(paths[0]->pictZIndex, vq::VQDocxTextBoxZIndexStart);
  EXPECT_EQ(paths[0]->rProperty.sz, 12);
}

// Text turned a quarter turn fills a text box line by line: a glyph on the
// same line continues the run of paragraphs, with blanks standing for a gap,
// a glyph one line step on starts a paragraph with that exact line height,
// and a glyph much further on closes the box and opens another.
TEST(VQDocxPDFPageParserTest, TurnedTextFillsTextBoxesLineByLine) {
  // Helvetica: A 667, B 667, blank 278 thousandths; "C" stands 2.5 blanks
  // (8.34 points) after "AB" (16.008 points).
  const struct {
    const char* what;
    std::string content;
    float rotation;  // display space turns clockwise
  } cases[] = {
      {"reading downwards, lines right to left",
       "0 -1 1 0 160 190 Tm (AB) Tj 0 -1 1 0 160 165.652 Tm (C) Tj "
       "0 -1 1 0 146 190 Tm (DE) Tj 0 -1 1 0 26 190 Tm (FG) Tj",
       90},
      {"reading upwards, lines left to right",
       "0 1 -1 0 40 10 Tm (AB) Tj 0 1 -1 0 40 34.348 Tm (C) Tj "
       "0 1 -1 0 54 10 Tm (DE) Tj 0 1 -1 0 174 10 Tm (FG) Tj",
       270},
  };
  vqtest::ScratchDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto pdf = OneHelveticaPage(dir / "box.pdf", "BT /F1 12 Tf " + c.content + " ET");
    ASSERT_TRUE(pdf);
    CaptureOnlyParser parser(nullptr, {});
    ASSERT_TRUE(parser.convertPDFPage(pdf->page(1), 1, true, true));
    const auto& page = *parser.currentPage();
    EXPECT_EQ(BoxTexts(page), "[AB  C/DE][FG]");
    EXPECT_TRUE(page.allRunTextArray.empty());
    ASSERT_EQ(page.allRunTextBoxArray.size(), 2u);
    const auto& box = *page.allRunTextBoxArray[0];
    EXPECT_EQ(box.pictInfo->rotation, c.rotation);
    ASSERT_EQ(box.paragraphArray.size(), 2u);
    const auto& second = *box.paragraphArray[1];
    EXPECT_NEAR(second.pProperty.spacing.line, 14, 0.01) << "the line step";
    EXPECT_STREQ(second.pProperty.spacing.lineRule, "exact");
    EXPECT_NEAR(second.pProperty.ind.left, 0, 0.01) << "both lines start alike";
    // Each glyph is a run of its own, as long as its advance.
    const auto runs = box.paragraphArray[0]->allRunTextArray();
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_NEAR(runs[0]->textWidth, 8.004, 0.01);
    EXPECT_NEAR(runs[1]->textWidth, 8.004, 0.01);
    EXPECT_NEAR(runs[2]->textWidth, 8.34 + 8.664, 0.01) << "the gap before C is the line's too";
    EXPECT_EQ(runs[0]->rProperty.sz, 12);
    // Turned boxes take the height of their lines as width and their widest
    // line, gaps and all (plus room), as height.
    EXPECT_NEAR(box.pictInfo->displayWidth, 12 + 14, 0.5);
    EXPECT_NEAR(box.pictInfo->displayHeight, 16.008 + 8.34 + 8.664 + 10, 0.05);
  }
}

TEST(VQDocxPDFPageParserTest, BlanksForAGapOnATextBoxLine) {
  const double nan = std::nan("");
  const struct {
    double gap, blank;
    size_t blanks;
  } cases[] = {
      {25, 10, 2}, {9.9, 10, 0}, {10, 10, 1},  {-3, 10, 0},      {5, 0.01, 0},   {5, 0, 0},
      {5, -2, 0},  {nan, 10, 0}, {25, nan, 0}, {1e9, 0.02, 200}, {5, 1e-300, 0}, {HUGE_VAL, 10, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.gap) + " / " + std::to_string(c.blank));
    EXPECT_EQ(VQDocxPDFPageParser::blanksForGap(c.gap, c.blank), std::string(c.blanks, ' '));
  }
}

// A page whose text is mostly turned is captured a second time turned
// upright: its text then flows as main text, on a page of the turned size.
TEST(VQDocxPDFPageParserTest, MostlyTurnedPageIsCapturedAgainUpright) {
  vqtest::ScratchDir dir;
  auto pdf = OneHelveticaPage(dir / "turned.pdf",
                              "BT /F1 12 Tf 0 -1 1 0 160 190 Tm (Turned text) Tj 0 -1 1 0 146 190 Tm (reads down) Tj "
                              "1 0 0 1 20 20 Tm (x) Tj ET");
  ASSERT_TRUE(pdf);
  VQDocxPDFPageParser parser(nullptr, {});
  ASSERT_TRUE(parser.convertPDFPage(pdf->page(1), 1, true, true));
  const auto& page = *parser.currentPage();
  EXPECT_EQ(page.pageWidth(), 200);
  std::string text;
  for (const auto& set : page.allColumSetArray)
    for (const auto& line : set->lineArray()) text += line->lineText + "\n";
  EXPECT_NE(text.find("Turned"), std::string::npos) << text;
  EXPECT_NE(text.find("reads"), std::string::npos) << text;
  // The one upright glyph is now the turned one: it went to a text box.
  EXPECT_EQ(BoxTexts(page), "[x]");
}
