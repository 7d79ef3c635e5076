#include "docx/VQDocxPDFPageParser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

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
    const vq::VQDocx_RPr plain = parser.currentRProperty(parser.capture().glyph({0, 0}), 0);
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
    const vq::VQDocx_RPr r = parser.currentRProperty(parser.capture().glyph({0.5, 0}), 0);
    for (auto name :
         {vq::VQDocxText(r.rFonts.ascii), vq::VQDocxText(r.rFonts.eastAsia), vq::VQDocxText(r.rFonts_backup)}) {
      EXPECT_EQ(name, c.expectName) << c.what;
      EXPECT_TRUE(vq::text::isValidUTF8(name)) << c.what;
    }
    EXPECT_EQ(vq::VQDocxText(r.rFonts_replace.cs), "Liberation Sans") << c.what;
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
