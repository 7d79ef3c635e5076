#include "pdf/VQPDFWordGaps.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace vq;

namespace {

const char* nameOf(VQPDFGapKind k) {
  switch (k) {
    case VQPDFGapKind::Glued:
      return "glued";
    case VQPDFGapKind::Word:
      return "word";
    case VQPDFGapKind::Wide:
      return "wide";
  }
  return "?";
}

}  // namespace

TEST(VQPDFWordGaps, CredibleBlank) {
  struct Case {
    const char* name;
    VQPDFWordGapFont font;
    double blank;
  };
  const Case cases[] = {
      {"a text face's blank", {10, 0.25, 0}, 2.5},
      {"a typewriter's blank", {10, 0.6, 0}, 6},
      {"a symbol font's glyph at the blank's code", {10, 0.9, 0}, 0},
      {"a blank of nothing", {10, 0.02, 0}, 0},
      {"no blank", {10, 0, 0}, 0},
      {"no size", {0, 0.25, 0}, 0},
      {"a size that is no number", {std::nan(""), 0.25, 0}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_NEAR(VQPDFCredibleBlankWidth(c.font), c.blank, 1e-9);
  }
}

TEST(VQPDFWordGaps, Classification) {
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    const char* name;
    VQPDFWordGapFont font;
    double gap;
    VQPDFGapKind kind;
  };
  const VQPDFWordGapFont times{10, 0.25, 0};
  const VQPDFWordGapFont courier{10, 0.6, 0};
  const VQPDFWordGapFont symbol{10, 0.9, 5};     // the blank cannot be believed: the glyphs tell
  const VQPDFWordGapFont noBlank{10, 0, 5};      // half an em per character
  const VQPDFWordGapFont ideographs{10, 0, 10};  // a full em per character
  const VQPDFWordGapFont sizeOnly{10, 0, 0};
  const VQPDFWordGapFont nothing{0, 0, 0};
  const Case cases[] = {
      {"touching glyphs", times, 0, VQPDFGapKind::Glued},
      {"kerning", times, 0.5, VQPDFGapKind::Glued},
      {"overlap", times, -2, VQPDFGapKind::Glued},
      {"just under half a blank", times, 1.2, VQPDFGapKind::Glued},
      {"a blank shrunk by justification", times, 1.6, VQPDFGapKind::Word},
      {"a blank", times, 2.5, VQPDFGapKind::Word},
      {"a blank stretched threefold", times, 7.4, VQPDFGapKind::Word},
      {"more than three blanks", times, 7.6, VQPDFGapKind::Wide},
      {"a table's column gap", times, 12, VQPDFGapKind::Wide},
      {"a typewriter's letters", courier, 0, VQPDFGapKind::Glued},
      {"a typewriter's half blank", courier, 2.9, VQPDFGapKind::Glued},
      {"a typewriter's blank", courier, 6, VQPDFGapKind::Word},
      {"a typewriter's two blanks", courier, 12, VQPDFGapKind::Wide},
      {"kerning, blank not believed", symbol, 1, VQPDFGapKind::Glued},
      {"a word gap, blank not believed", symbol, 2.5, VQPDFGapKind::Word},
      {"tracking without a blank", noBlank, 1, VQPDFGapKind::Glued},
      {"a word gap without a blank", noBlank, 2, VQPDFGapKind::Word},
      {"three typical blanks without a blank", noBlank, 8.9, VQPDFGapKind::Word},
      {"a column gap without a blank", noBlank, 9.5, VQPDFGapKind::Wide},
      {"ideographs set loosely", ideographs, 2, VQPDFGapKind::Glued},
      {"ideographs a quarter em apart", ideographs, 2.6, VQPDFGapKind::Word},
      {"size alone, tracking", sizeOnly, 1.4, VQPDFGapKind::Glued},
      {"size alone, a word gap", sizeOnly, 1.6, VQPDFGapKind::Word},
      {"size alone, a column gap", sizeOnly, 9.5, VQPDFGapKind::Wide},
      {"nothing known, under a point", nothing, 0.9, VQPDFGapKind::Glued},
      {"nothing known, a point and a half", nothing, 1.5, VQPDFGapKind::Word},
      {"nothing known, four points", nothing, 4, VQPDFGapKind::Wide},
      {"a gap that is no number", times, std::nan(""), VQPDFGapKind::Glued},
      {"an endless gap", times, inf, VQPDFGapKind::Wide},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const VQPDFGapKind kind = VQPDFClassifyGap(c.gap, c.font);
    EXPECT_STREQ(nameOf(kind), nameOf(c.kind));
    EXPECT_EQ(VQPDFIsWordGap(c.gap, c.font), c.kind != VQPDFGapKind::Glued);
  }
}

TEST(VQPDFWordGaps, LimitsStayOrdered) {
  for (double size : {0.0, 1.0, 3.0, 10.0, 72.0})
    for (double blank : {0.0, 0.05, 0.1, 0.25, 0.6, 0.9})
      for (double glyph : {0.0, 0.5, 5.0, 20.0}) {
        const VQPDFWordGapFont f{size, blank, glyph};
        EXPECT_GT(VQPDFWordGapLeast(f), 0);
        EXPECT_GE(VQPDFWordGapMost(f), VQPDFWordGapLeast(f));
      }
}

TEST(VQPDFWordGaps, MeasureBetweenTwoSides) {
  struct Case {
    const char* name;
    VQPDFWordGapFont a, b;
    double size, blank;  // of the measure
  } cases[] = {
      {"the smaller type", {10, 0.25}, {20, 0.3}, 10, 0.25},
      {"the smaller type second", {20, 0.25}, {10, 0.3}, 10, 0.3},
      {"a side of unknown size gives way", {0, 0.25}, {12, 0.3}, 12, 0.3},
      // One size through two matrices differs by rounding; of two faces of
      // one size the narrower blank counts (typewriter beside roman).
      {"one size, the narrower blank", {9.96264, 0.277}, {9.9626, 0.525}, 9.9626, 0.277},
      {"one size, a face without a blank", {10, 0}, {10, 0.525}, 10, 0.525},
      {"sizes a tenth apart stay apart", {10, 0.525}, {11, 0.277}, 10, 0.525},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const VQPDFWordGapFont f = VQPDFWordGapFontBetween(c.a, c.b);
    EXPECT_DOUBLE_EQ(f.fontSize, c.size);
    EXPECT_DOUBLE_EQ(f.blankEm, c.blank);
  }
}

// A run's characters counted as it grows, and as its text changes in ways
// nobody tells the tally of (cut back, its end or its start rewritten,
// another text given): the counts are those of the text at each step,
// multi-byte characters once, where a tally that counted only what was added
// would answer those of a text that is no more.
TEST(VQPDFWordGaps, TextTallyFollowsTheTextItIsGiven) {
  const std::string line = "0123456789 0123456789 0123456789";  // 32 characters, 2 blanks
  struct Step {
    const char* what;
    std::string text;
    size_t characters, blanks;
  } steps[] = {
      {"grown", "ab", 2, 0},
      {"grown by a blank and a letter of two bytes", "ab \xc3\xa9", 4, 1},
      {"grown again", "ab \xc3\xa9x y", 7, 2},
      {"cut back", "ab", 2, 0},
      {"grown by a letter of three bytes", "ab\xe4\xb8\xad ", 4, 1},
      {"its last character rewritten", "ab\xe4\xb8\xad_", 4, 0},
      {"another text, longer", line, 32, 2},
      {"its end rewritten into a longer letter", line.substr(0, 30) + "\xc3\xa9", 31, 2},
      {"its start rewritten as it grows", " " + line.substr(1, 29) + "\xc3\xa9 x", 33, 4},
      {"grown by an accent over its last letter", " " + line.substr(1, 29) + "\xc3\xa9 x\xcc\x81", 34, 4},
  };
  VQPDFTextTally tally;
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    EXPECT_EQ(tally.characters(s.text), s.characters);
    EXPECT_EQ(tally.blanks(s.text), s.blanks);
  }
}
