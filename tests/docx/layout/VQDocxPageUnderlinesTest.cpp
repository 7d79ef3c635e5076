// Underlines, strike-through lines and shading drawn as paths become
// character properties of the text they mark, and the paths go.
#include <gtest/gtest.h>

#include "PlacedPathRun.h"
#include "docx/capture/PlacedTextRun.h"
#include "docx/layout/VQDocxPage.h"

namespace {

const vq::VQDocx_Color kBlack{0, 0, 0, 255};

// A word on the page: glyphs from x to x + width, top 100, base 110,
// bottom 112, in `color`.
std::shared_ptr<vq::VQDocxRunText> Word(const std::string& text, double x, double width,
                                        vq::VQDocx_Color color = kBlack) {
  auto run = vqtest::PlacedTextRun({.text = text, .x = x, .width = width, .top = 100, .height = 12, .base = 110});
  run->rProperty.color = color;
  return run;
}

struct Marks {
  std::string underlined, struck, shaded;
  bool pathKept = false;
  friend bool operator==(const Marks&, const Marks&) = default;
  friend std::ostream& operator<<(std::ostream& out, const Marks& m) {
    return out << "u[" << m.underlined << "] strike[" << m.struck << "] shd[" << m.shaded << "] kept:" << m.pathKept;
  }
};

// Processes a page holding the words and the one path, and tells which words
// it marked and whether the path is still a path.
Marks Process(const std::vector<std::shared_ptr<vq::VQDocxRunText>>& words,
              const std::shared_ptr<vq::VQDocxRunPath>& path) {
  vq::VQDocxPage page(612, 792, vq::AffineTransformIdentity, 1, 1, true, true);
  vq::VQPDFOptions options;
  options.wordOptions.isNeedReplaceFont = false;
  page.setMoreOptions(options);
  uint64_t index = 0;
  path->setPdfScanIndex(index++);
  page.allRunPathArray = {path};
  for (const auto& word : words) {
    word->setPdfScanIndex(index), word->textScanIndex = index++;
    page.allRunTextArray.push_back(word);
  }
  page.processPDFPage();
  Marks marks;
  for (const auto& word : words) {
    if (word->rProperty.u == 1) marks.underlined += word->runText();
    if (word->rProperty.strikethrough == 1) marks.struck += word->runText();
    if (word->rProperty.background) {
      const auto c = word->rProperty.backgroundcolor;
      marks.shaded += word->runText() + "=" + std::to_string(c.red) + "," + std::to_string(c.green) + "," +
                      std::to_string(c.blue) + "," + std::to_string(c.alpha);
    }
  }
  marks.pathKept =
      std::find(page.allRunPathArray.begin(), page.allRunPathArray.end(), path) != page.allRunPathArray.end();
  return marks;
}

}  // namespace

TEST(VQDocxPageUnderlines, LinesUnderAndThroughText) {
  struct Case {
    const char* what;
    vq::Rect line;
    vq::VQDocx_Color textColor;
    Marks expected;
  };
  const vq::VQDocx_Color red{255, 0, 0, 255};
  const Case cases[] = {
      {"a line half a point under the descent", vq::RectMake(100, 112.5, 50, 0.5), kBlack, {"Hello", "", "", false}},
      {"colours must match exactly", vq::RectMake(100, 112.5, 50, 0.5), red, {"", "", "", true}},
      {"a line above the base line strikes through", vq::RectMake(100, 105, 50, 0.5), kBlack, {"", "Hello", "", false}},
      {"a line 5 points under the descent", vq::RectMake(100, 117, 50, 0.5), kBlack, {"", "", "", true}},
      {"a line much longer than the text", vq::RectMake(60, 112.5, 130, 0.5), kBlack, {"", "", "", true}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Process({Word("Hello", 100, 50, c.textColor)}, vqtest::PlacedPathRun(c.line)), c.expected);
  }
}

// A rule under spaced words is a rule: the words' own widths make up less
// than 80 % of it.
TEST(VQDocxPageUnderlines, RuleUnderSpacedWordsStaysALine) {
  const auto words = {Word("ab", 100, 10), Word("cd", 130, 10), Word("ef", 160, 10)};
  EXPECT_EQ(Process(words, vqtest::PlacedPathRun(vq::RectMake(100, 112.5, 70, 0.5))), (Marks{"", "", "", true}));
  const auto close = {Word("ab", 100, 20), Word("cd", 122, 20), Word("ef", 144, 26)};
  EXPECT_EQ(Process(close, vqtest::PlacedPathRun(vq::RectMake(100, 112.5, 70, 0.5))), (Marks{"abcdef", "", "", false}));
}

TEST(VQDocxPageUnderlines, FilledBoxesBehindText) {
  struct Case {
    const char* what;
    vq::Rect box;
    vqtest::PathPaint paint;
    Marks expected;
  };
  const vq::Color yellow = vq::ColorMakeRGB(1, 1, 0);
  const Case cases[] = {
      {"a box hugging the word",
       vq::RectMake(99, 99, 52, 14),
       {true, false, yellow},
       {"", "", "Hello=255,255,0,255", false}},
      {"a stroked box stays", vq::RectMake(99, 99, 52, 14), {true, true, yellow}, {"", "", "", true}},
      {"a box much wider than the word", vq::RectMake(90, 99, 70, 14), {true, false, yellow}, {"", "", "", true}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Process({Word("Hello", 100, 50)}, vqtest::PlacedPathRun(c.box, c.paint)), c.expected);
  }
}
