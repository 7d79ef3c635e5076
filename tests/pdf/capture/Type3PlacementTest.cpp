// Where the glyphs of Type 3 fonts land on the page: their widths are in the
// glyph space of the font's own matrix, not in thousandths of text space.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "pdf/VQPDFConentParserDelegate.h"
#include "pdf/capture/VQPDFPageCapture.h"
#include "platform/pdf/PdfDocument.h"
#include "support/TestSupport.h"

namespace {

using vq::VQPDFPageCapture;

// Each reported glyph: its text, where its origin lies on the display page
// and where the next glyph's origin lies.
class Placements : public vq::VQPDFConentParserDelegate {
 public:
  explicit Placements(const VQPDFPageCapture& capture) : capture_(capture) {}
  struct Glyph {
    std::string text;
    double x, y, nextX, nextY;
  };
  std::vector<Glyph> glyphs;

  void didScanTextTextOffset(vq::VQPDFConentParser*, const std::string& text, const vq::Size& offset) override {
    const auto glyph = capture_.glyph(offset);
    glyphs.push_back(
        {text, glyph.transform().tx, glyph.transform().ty, glyph.nextTransform().tx, glyph.nextTransform().ty});
  }

 private:
  const VQPDFPageCapture& capture_;
};

std::vector<Placements::Glyph> PlacePage(const vq::pdf::Document& document, int number) {
  VQPDFPageCapture capture;
  Placements placements(capture);
  capture.beginPage(*document.page(number));
  capture.run(placements);
  capture.endPage();
  return placements.glyphs;
}

struct MatrixCase {
  const char* name;
  const char* matrix;
  const char* widths;  // of a, b and c, in the matrix's glyph units
  // Display positions of the three origins and of the point after c, from
  // 10-point text started at (100, 700) on a page 792 points high.
  double x[4], y[4];
};

TEST(Type3Placement, WidthsGoThroughTheFontMatrix) {
  const MatrixCase cases[] = {
      {"hundredths", "[0.01 0 0 0.01 0 0]", "[50 70 40]", {100, 105, 112, 116}, {92, 92, 92, 92}},
      {"thousandths", "[0.001 0 0 0.001 0 0]", "[500 700 400]", {100, 105, 112, 116}, {92, 92, 92, 92}},
      // Only the matrix's scale along the baseline sets the advance.
      {"stretched", "[0.02 0 0 0.005 0 0]", "[25 35 20]", {100, 105, 112, 116}, {92, 92, 92, 92}},
      // The matrix's offset moves the glyph shapes, never the advance.
      {"offset", "[0.01 0 0 0.01 7 9]", "[50 70 40]", {100, 105, 112, 116}, {92, 92, 92, 92}},
      // Glyphs whose baseline the matrix turns upwards advance upwards.
      {"turned", "[0 0.01 -0.01 0 0 0]", "[50 70 40]", {100, 100, 100, 100}, {92, 87, 80, 76}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    vqtest::ScratchDir dir;
    const std::string proc = vqtest::PDFStream("0 0 d0");
    const std::string pdf = vqtest::BuildPDF({
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /T3 4 0 R >> >> "
        "/Contents 5 0 R >>",
        std::string("<< /Type /Font /Subtype /Type3 /FontMatrix ") + c.matrix +
            " /FontBBox [0 0 100 100] /CharProcs << /a 6 0 R /b 6 0 R /c 6 0 R >> "
            "/Encoding << /Type /Encoding /Differences [97 /a /b /c] >> /FirstChar 97 /LastChar 99 /Widths " +
            c.widths + " /Resources << >> >>",
        vqtest::PDFStream("BT /T3 10 Tf 100 700 Td (abc) Tj ET"),
        proc,
    });
    std::ofstream(dir / "type3.pdf", std::ios::binary) << pdf;
    auto document = vq::pdf::Document::open((dir / "type3.pdf").string(), "");
    ASSERT_TRUE(document);
    const auto glyphs = PlacePage(*document, 1);
    ASSERT_EQ(glyphs.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
      SCOPED_TRACE(glyphs[i].text);
      EXPECT_NEAR(glyphs[i].x, c.x[i], 1e-4);
      EXPECT_NEAR(glyphs[i].y, c.y[i], 1e-4);
      EXPECT_NEAR(glyphs[i].nextX, c.x[i + 1], 1e-4);
      EXPECT_NEAR(glyphs[i].nextY, c.y[i + 1], 1e-4);
    }
  }
}

// The words of pdftotext's -bbox listing of one page, in its order.
struct Word {
  std::string text;
  double xMin, yMin, xMax, yMax;
};

std::vector<Word> ReferenceWords(const std::filesystem::path& file, int page, const std::filesystem::path& dest) {
  const std::string command = "pdftotext -bbox -f " + std::to_string(page) + " -l " + std::to_string(page) + " '" +
                              file.string() + "' '" + dest.string() + "' 2> /dev/null";
  if (vqtest::runCommand(command) != 0) return {};
  std::ifstream in(dest, std::ios::binary);
  std::stringstream html;
  html << in.rdbuf();
  static const std::regex kWord(
      R"re(<word xMin="([-0-9.]+)" yMin="([-0-9.]+)" xMax="([-0-9.]+)" yMax="([-0-9.]+)">([^<]*)</word>)re");
  std::vector<Word> words;
  const std::string text = html.str();
  for (auto it = std::sregex_iterator(text.begin(), text.end(), kWord); it != std::sregex_iterator(); ++it) {
    const auto& m = *it;
    words.push_back({m[5], std::stod(m[1]), std::stod(m[2]), std::stod(m[3]), std::stod(m[4])});
  }
  return words;
}

// The title and the opening paragraph of the page are set in Type 3 fonts
// of various matrices: every word that both sides find once on the page
// starts and ends where pdftotext puts it, and its baseline lies inside
// pdftotext's box.
TEST(Type3PlacementCorpus, WordsLandWherePdftotextPutsThem) {
  if (vqtest::runCommand("command -v pdftotext > /dev/null") != 0) GTEST_SKIP() << "pdftotext is not installed";
  const auto file = vqtest::corpusFile("fonts-type3.pdf");
  vqtest::ScratchDir dir;
  const std::vector<Word> words = ReferenceWords(file, 1, dir / "page.html");
  ASSERT_GT(words.size(), 50u);
  auto document = vq::pdf::Document::open(file.string(), "");
  ASSERT_TRUE(document);
  const auto glyphs = PlacePage(*document, 1);
  ASSERT_FALSE(glyphs.empty());

  // The page's glyphs as one string, with each character's glyph.
  std::string stream;
  std::vector<size_t> owner;
  for (size_t i = 0; i < glyphs.size(); ++i) {
    stream += glyphs[i].text;
    owner.resize(stream.size(), i);
  }
  std::map<std::string, int> referenceCount;
  for (const auto& w : words) ++referenceCount[w.text];

  int compared = 0;
  for (const auto& w : words) {
    if (w.text.size() < 3 || referenceCount[w.text] != 1) continue;
    const size_t at = stream.find(w.text);
    if (at == std::string::npos || stream.find(w.text, at + 1) != std::string::npos) continue;
    SCOPED_TRACE(w.text);
    const auto& first = glyphs[owner[at]];
    const auto& last = glyphs[owner[at + w.text.size() - 1]];
    EXPECT_NEAR(first.x, w.xMin, 1.0);
    EXPECT_NEAR(last.nextX, w.xMax, 1.0);
    EXPECT_GT(first.y, w.yMin);
    EXPECT_LT(first.y, w.yMax);
    ++compared;
  }
  // The title's words and most of the paragraph's.
  EXPECT_GE(compared, 20);

  // The title's L (of the LaTeX logo) is the page's first, on both sides.
  const auto reference = std::find_if(words.begin(), words.end(), [](const Word& w) { return w.text == "L"; });
  const auto ours = std::find_if(glyphs.begin(), glyphs.end(), [](const auto& g) { return g.text == "L"; });
  ASSERT_NE(reference, words.end());
  ASSERT_NE(ours, glyphs.end());
  EXPECT_NEAR(ours->x, reference->xMin, 1.0);
}

}  // namespace
