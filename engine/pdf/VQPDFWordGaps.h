#pragma once
// Whether a horizontal gap between two glyphs or runs of one line separates
// words. Every converter that rebuilds text from positioned glyphs asks the
// same question, so they share one answer.
//
// The font's blank is the best measure when it can be believed; otherwise
// the text itself tells the scale: the average advance of its characters, or
// at least its size.

#include <algorithm>
#include <cstddef>
#include <string_view>

namespace vq {

// What the text beside a gap shows of its type, in display points along the
// line. When the two sides differ, pass the smaller side's values.
struct VQPDFWordGapFont {
  double fontSize = 0;           // one em
  double blankEm = 0;            // the font's blank, in ems; 0 when the font has none
  double averageGlyphWidth = 0;  // advance per character of the text beside the gap; 0 when unknown
};

// The characters of a run's text as it grows at its end, for the average
// advance beside a gap: each byte is counted once, so a line of 100,000
// glyphs joined one by one costs as many steps, not their square. The tally
// keeps the first and the last bytes it counted, and a text that is shorter
// than what was counted or differs from it there (its end rewritten, or
// another text given) is counted afresh, so whoever changes a run's text
// need not tell the tally. Only a change well inside the text, leaving its
// length and both ends as they were, would go unseen: runs are rewritten at
// their end or given anew.
class VQPDFTextTally {
 public:
  // UTF-8 characters of `text`, and of them the blanks (U+0020).
  size_t characters(std::string_view text) { return update(text), characters_; }
  size_t blanks(std::string_view text) { return update(text), blanks_; }

 private:
  static constexpr size_t kKept = 16;  // bytes kept of each end

  bool stillCounted(std::string_view text) const {
    const size_t kept = std::min(counted_, kKept);
    return text.size() >= counted_ && text.substr(0, kept) == std::string_view(head_, kept) &&
           text.substr(counted_ - kept, kept) == std::string_view(tail_, kept);
  }
  void update(std::string_view text) {
    if (!stillCounted(text)) counted_ = characters_ = blanks_ = 0;
    if (counted_ == text.size()) return;
    for (; counted_ < text.size(); ++counted_) {
      const auto c = static_cast<unsigned char>(text[counted_]);
      if ((c & 0xC0) != 0x80) ++characters_;
      if (c == ' ') ++blanks_;
    }
    const size_t kept = std::min(counted_, kKept);
    text.copy(head_, kept, 0);
    text.copy(tail_, kept, counted_ - kept);
  }
  size_t counted_ = 0, characters_ = 0, blanks_ = 0;
  char head_[kKept] = {}, tail_[kKept] = {};
};

// The measure of a gap between text of `a` and text of `b`: the smaller type
// of the two sides (a side of unknown size gives way to the other); of two
// faces of one size, the narrower blank of the two.
VQPDFWordGapFont VQPDFWordGapFontBetween(const VQPDFWordGapFont& a, const VQPDFWordGapFont& b);

// A blank wider than a typewriter's is some other glyph at the blank's code
// (symbol fonts have them); one narrower than a hair space is no word gap.
inline constexpr double kVQPDFMostCredibleBlank = 0.6;
inline constexpr double kVQPDFLeastCredibleBlank = 0.1;

enum class VQPDFGapKind {
  Glued,  // the glyphs belong to one word (kerning, tracking, overlap)
  Word,   // a word gap of running text
  Wide,   // wider than words of one phrase are set apart: a tab or a column gap
};

// The blank in display points when it can be believed, else 0.
double VQPDFCredibleBlankWidth(const VQPDFWordGapFont& font);
// The narrowest gap that separates words.
double VQPDFWordGapLeast(const VQPDFWordGapFont& font);
// The widest gap that still separates words of one phrase (never below the
// narrowest word gap).
double VQPDFWordGapMost(const VQPDFWordGapFont& font);
VQPDFGapKind VQPDFClassifyGap(double gap, const VQPDFWordGapFont& font);
// True when the gap separates words: a word gap or a wider one.
bool VQPDFIsWordGap(double gap, const VQPDFWordGapFont& font);

}  // namespace vq
