#include "pdf/VQPDFWordGaps.h"

#include <algorithm>
#include <cmath>

namespace vq {
namespace {

double known(double v) { return std::isfinite(v) && v > 0 ? v : 0; }

// Kerning and tracking move glyphs by a few hundredths of an em; the blank
// of the narrowest text faces is about a fifth of one.
constexpr double kLeastWordGapEm = 0.1;
constexpr double kMostLetterGapEm = 0.25;
// Without the font's blank: a tenth and a half of an em, the middle of the
// gaps that tracking leaves and those that justified lines shrink blanks to.
constexpr double kWordGapEm = 0.15;
// A blank is about half an average character.
constexpr double kWordGapOfGlyph = 0.25;
// A blank for the widest gap when the font has none to believe.
constexpr double kTypicalBlankEm = 0.3;
// Justified lines stretch their blanks to about three times their width;
// table columns are set at least an em apart.
constexpr double kMostStretch = 3;
constexpr double kMostWordGapEm = 1.0;
// Type sizes measured along the line differ by rounding (faces set at one
// size through different matrices): this close, they are one size.
constexpr double kSameSizeShare = 0.01;
// Without any size, a point: the tolerance the converters used alone before.
constexpr double kUnsizedWordGap = 1.0;

}  // namespace

VQPDFWordGapFont VQPDFWordGapFontBetween(const VQPDFWordGapFont& a, const VQPDFWordGapFont& b) {
  const double sa = known(a.fontSize), sb = known(b.fontSize);
  if (sa == 0) return b;
  if (sb == 0) return a;
  if (std::fabs(sa - sb) > kSameSizeShare * std::max(sa, sb)) return sa < sb ? a : b;
  // Between two faces of one size the narrower blank counts: a word of a
  // typewriter face in running text is set apart by the text's blank.
  VQPDFWordGapFont f = b;
  if (known(a.blankEm) > 0 && (known(f.blankEm) == 0 || a.blankEm < f.blankEm)) f.blankEm = a.blankEm;
  return f;
}

double VQPDFCredibleBlankWidth(const VQPDFWordGapFont& font) {
  const double em = known(font.fontSize);
  const double blank = known(font.blankEm);
  if (em == 0 || blank < kVQPDFLeastCredibleBlank || blank > kVQPDFMostCredibleBlank) return 0;
  return blank * em;
}

double VQPDFWordGapLeast(const VQPDFWordGapFont& font) {
  const double em = known(font.fontSize);
  if (const double blank = VQPDFCredibleBlankWidth(font); blank > 0) return std::max(blank / 2, kLeastWordGapEm * em);
  if (const double glyph = known(font.averageGlyphWidth); glyph > 0) {
    const double gap = glyph * kWordGapOfGlyph;
    return em > 0 ? std::clamp(gap, kLeastWordGapEm * em, kMostLetterGapEm * em) : gap;
  }
  return em > 0 ? kWordGapEm * em : kUnsizedWordGap;
}

double VQPDFWordGapMost(const VQPDFWordGapFont& font) {
  const double em = known(font.fontSize);
  const double least = VQPDFWordGapLeast(font);
  double blank = VQPDFCredibleBlankWidth(font);
  if (blank == 0) blank = em > 0 ? kTypicalBlankEm * em : least;
  double most = kMostStretch * blank;
  if (em > 0) most = std::min(most, kMostWordGapEm * em);
  return std::max(most, least);
}

VQPDFGapKind VQPDFClassifyGap(double gap, const VQPDFWordGapFont& font) {
  if (!(gap >= VQPDFWordGapLeast(font))) return VQPDFGapKind::Glued;
  return gap <= VQPDFWordGapMost(font) ? VQPDFGapKind::Word : VQPDFGapKind::Wide;
}

bool VQPDFIsWordGap(double gap, const VQPDFWordGapFont& font) { return gap >= VQPDFWordGapLeast(font); }

}  // namespace vq
