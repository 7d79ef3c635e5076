#include "xlsx/VQExcelSortUtilities.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_set>

#include "platform/text/Utf8.h"

namespace vq {

VQExcelRuns VQExcelSortUtilities::SortRunTextsByX(const VQExcelRuns& runs) {
  VQExcelRuns out = runs;
  std::stable_sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a->xLeft() < b->xLeft(); });
  return out;
}

VQExcelRuns VQExcelSortUtilities::SortRunTextsByY(const VQExcelRuns& runs) {
  VQExcelRuns out = runs;
  std::stable_sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a->yTop() < b->yTop(); });
  return out;
}

VQExcelRuns VQExcelSortUtilities::FindRunTextsCrossedInHeight(const VQExcelRuns& runs) {
  VQExcelRuns g;
  if (runs.empty()) return g;
  g.push_back(runs.front());
  double bottom = runs.front()->yBase();
  for (size_t i = 1; i < runs.size(); ++i) {
    if (runs[i]->yTop() < bottom) {
      g.push_back(runs[i]);
      bottom = std::max(bottom, runs[i]->yBase());
    }
  }
  return g;
}

VQExcelRuns VQExcelSortUtilities::FindRunTextsCrossedInWidth(const VQExcelRuns& runs) {
  VQExcelRuns g;
  if (runs.empty()) return g;
  g.push_back(runs.front());
  double right = runs.front()->xRight();
  for (size_t i = 1; i < runs.size(); ++i) {
    if (runs[i]->xLeft() < right) {
      g.push_back(runs[i]);
      right = std::max(right, runs[i]->xRight());
    }
  }
  return g;
}

namespace {
// The farthest a glyph is set back over the one before it (a logo's kerning).
constexpr double kMostKernEm = 0.5;
// The widest gap of a paragraph's line: a loosely justified line with a
// sentence gap. Column gaps of tables are told apart by the lines around,
// not by their width.
constexpr double kMostParagraphGapEm = 3;
// Lines farther apart than this (baseline to baseline) are not one
// paragraph's.
constexpr double kMostLineSpacingEm = 2;
// How far past the middle of a gap a neighbouring line's text must reach.
constexpr double kCrossingMargin = 0.5;
// Blanks of one justified line are one width, up to rounding: this close
// (points, and a share of the gap).
constexpr double kSameGapPoints = 0.1;
constexpr double kSameGapShare = 0.02;
// Type sizes this close (a share of the size) are one size, up to rounding.
constexpr double kSameSizeShare = 0.02;

// True when some text of `line` within `reach` of `base` runs across the
// middle of [left, right], in type of size `size` where that is given. Only
// the middle counts: a column's next paragraph, indented, leaves the line
// above reaching into the indent.
bool lineCrosses(const VQExcelRuns& line, double base, double reach, double left, double right, double size = 0) {
  const double middle = (left + right) / 2;
  for (const auto& r : line) {
    if (std::fabs(r->yBase() - base) > reach) continue;
    if (size > 0 && std::fabs(r->rPr.sz - size) > kSameSizeShare * size) continue;
    if (r->xLeft() <= middle - kCrossingMargin && r->xRight() >= middle + kCrossingMargin) return true;
  }
  return false;
}

bool sameGap(double a, double b) {
  return std::fabs(a - b) <= kSameGapPoints + kSameGapShare * std::max(std::fabs(a), std::fabs(b));
}
}  // namespace

bool VQExcelSortUtilities::IsMarkBefore(const VQExcelRunText& mark, const VQExcelRunText& text) {
  const double middle = (mark.yTop() + mark.yBottom()) / 2;
  return mark.rPr.sz < text.rPr.sz && mark.yBase() < text.yBase() - 1 && middle > text.yTop() &&
         middle < (text.yTop() + text.yBottom()) / 2 && mark.xLeft() < text.xLeft();
}

VQExcelRuns VQExcelSortUtilities::FindRunTextsMergedInWidth(const VQExcelRuns& runs, int option,
                                                            const VQExcelNeighbourLines& around) {
  VQExcelRuns g;
  if (runs.empty()) return g;
  const auto& first = runs.front();
  g.push_back(first);
  // The run whose base line and type the line is measured by: the first,
  // or the first word after a footnote's mark.
  const VQExcelRunText* lead = first.get();
  double right = first->xRight();
  const VQExcelRunText* rightmost = first.get();
  double lastGap = std::numeric_limits<double>::quiet_NaN();  // the gap before the last piece taken on the line
  auto take = [&](const VQExcelRunPtr& r, double gap) {
    g.push_back(r);
    if (r->xRight() > right) rightmost = r.get();
    right = std::max(right, r->xRight());
    lastGap = gap;
  };
  auto onLine = [&](const VQExcelRunText& r) { return std::fabs(r.yBase() - lead->yBase()) < 1; };
  // Where the next piece of the line after piece `i` starts; NaN when none follows.
  auto nextStart = [&](size_t i) {
    for (size_t k = i + 1; k < runs.size(); ++k)
      if (onLine(*runs[k])) return runs[k]->xLeft();
    return std::numeric_limits<double>::quiet_NaN();
  };
  for (size_t i = 1; i < runs.size(); ++i) {
    const auto& r = runs[i];
    const double gap = r->xLeft() - right;
    const VQPDFWordGapFont font = GapFontBetween(*rightmost, *r);
    // How far a glyph may be set back over the one before and still touch
    // it: up to half an em of the line's type (the raised letter of a logo
    // is smaller than what it tucks under).
    const double mostSetBack = kMostKernEm * std::max(font.fontSize, lead->rPr.sz);
    const bool touching = gap > -mostSetBack && !VQPDFIsWordGap(gap, font);
    // A footnote's mark, raised before the footnote's first word, goes
    // with it, touching or a blank apart; the line is measured by that word
    // from there on.
    if (g.size() == 1 && gap > -mostSetBack && VQPDFClassifyGap(gap, font) != VQPDFGapKind::Wide &&
        IsMarkBefore(*first, *r) && r->rPr.rgbColor == first->rPr.rgbColor) {
      take(r, std::numeric_limits<double>::quiet_NaN());
      lead = r.get();
      continue;
    }
    if (!onLine(*r)) {
      // A raised or lowered glyph set against the line (a footnote mark, the
      // letters of a logo) in the colour of the word it touches is part of
      // that word, whatever its size.
      // It is never larger than the line.
      const double middle = (r->yTop() + r->yBottom()) / 2;
      const bool againstLine = middle > lead->yTop() && middle < lead->yBottom() && r->rPr.sz <= lead->rPr.sz;
      if (againstLine && touching && r->rPr.rgbColor == rightmost->rPr.rgbColor) take(r, lastGap);
      continue;
    }
    // Words of one phrase belong to one cell whatever the overlap choice.
    const VQPDFGapKind kind = VQPDFClassifyGap(gap, font);
    bool word = kind == VQPDFGapKind::Word;
    // A wider gap inside a paragraph: a line next to it has text across
    // it, where a table's column gap runs down through its rows. (A line's
    // own gaps of a loosely set paragraph may fall under one of the other
    // line's, hardly under both.)
    if (kind == VQPDFGapKind::Wide && gap <= kMostParagraphGapEm * font.fontSize) {
      const double reach = kMostLineSpacingEm * font.fontSize;
      for (const VQExcelRuns* line : {around.above[0], around.below[0]})
        word = word || (line && lineCrosses(*line, lead->yBase(), reach, right, r->xLeft()));
      // As wide as the blank the line's last word was taken at: a blank of
      // a justified line, unless the lines two away leave it open too.
      auto openTwoAway = [&](double from, double to, double size) {
        for (const VQExcelRuns* line : {around.above[1], around.below[1]})
          if (line && lineCrosses(*line, lead->yBase(), 2 * reach, from, to, size)) return false;
        return true;
      };
      if (!word && sameGap(gap, lastGap)) word = !openTwoAway(right, r->xLeft(), 0);
      // As wide as the gap after the piece, where the line's first blanks
      // follow a label set apart by a blank of its own: both, where lines
      // two away in the line's own type run across both (column gaps of one
      // width do not, a heading over the columns may).
      if (!word) {
        const double next = nextStart(i);
        if (sameGap(gap, next - r->xRight()))
          word = !openTwoAway(right, r->xLeft(), lead->rPr.sz) && !openTwoAway(r->xRight(), next, lead->rPr.sz);
      }
    }
    bool near;
    switch (option) {
      case 2:
        near = std::fabs(gap) < 2;
        break;
      case 1:
        near = gap < 3;
        break;
      default:
        near = (gap >= 0 && gap < 2) || (gap > -3 && gap < 0);
        break;
    }
    // A word in another colour or face is still a word of the line: the
    // cell keeps its look in rich text. Type of another size is not.
    // The letter after a raised or lowered one of a logo (the X of TEX) is
    // set back under it like the raised letter itself.
    const bool afterOffLine = !onLine(*rightmost) && !word && gap > -mostSetBack;
    if ((near || word || afterOffLine) && r->rPr.sz == lead->rPr.sz) take(r, gap);
    // Text of the line that is not taken and stands after the group (type
    // of another size, a wider gap) ends it: joining what lies beyond would
    // leap over that text and put the line out of order.
    else if (r->xLeft() > right - 1) break;
  }
  return g;
}

VQExcelRuns VQExcelSortUtilities::FindRunTextsMergedInHeight(const VQExcelRuns& runs) {
  VQExcelRuns g;
  if (runs.empty()) return g;
  const auto& first = runs.front();
  g.push_back(first);
  double bottom = first->yBottom();
  for (size_t i = 1; i < runs.size(); ++i) {
    const auto& r = runs[i];
    if (first->xRight() - r->xLeft() > 1 && std::fabs(r->yTop() - bottom) < 2 && r->rPr.isSameToRPr(first->rPr)) {
      g.push_back(r);
      bottom = std::max(bottom, r->yBottom());
    }
  }
  return g;
}

namespace {
void unionBox(VQExcelRunText& first, const VQExcelRunText& r) {
  auto& c = first.ctmInfo;
  c.yTop = std::min(c.yTop, r.ctmInfo.yTop);
  c.yBase = std::max(c.yBase, r.ctmInfo.yBase);
  c.yBottom = std::max(c.yBottom, r.ctmInfo.yBottom);
  c.xLeft = std::min(c.xLeft, r.ctmInfo.xLeft);
  c.xRight = std::max(c.xRight, r.ctmInfo.xRight);
}
}  // namespace

VQExcelRunPtr VQExcelSortUtilities::MergeRunTextsInWidth(const VQExcelRuns& runs) {
  if (runs.empty()) return nullptr;
  auto& first = *runs.front();
  // Each gap is told from the pieces as they were, before the first grows.
  std::vector<bool> wordGaps(runs.size(), false);
  double right = first.xRight();
  for (size_t i = 1; i < runs.size(); ++i) {
    // A footnote's mark stands apart from the text it labels, as a list's label does.
    wordGaps[i] = VQPDFIsWordGap(runs[i]->xLeft() - right, GapFontBetween(*runs[i - 1], *runs[i])) ||
                  (i == 1 && IsMarkBefore(first, *runs[1]));
    right = std::max(right, runs[i]->xRight());
  }
  for (size_t i = 1; i < runs.size(); ++i) {
    AppendPiece(first, *runs[i], wordGaps[i]);
    unionBox(first, *runs[i]);
  }
  first.textWidth = first.xRight() - first.xLeft();
  return runs.front();
}

namespace {
// Joins the others into the first run as further lines, `between` telling
// what goes between the text so far and the next line.
template <typename Between>
VQExcelRunPtr joinLines(const VQExcelRuns& runs, Between between) {
  if (runs.empty()) return nullptr;
  auto& first = *runs.front();
  for (size_t i = 1; i < runs.size(); ++i) {
    const auto& r = *runs[i];
    VQExcelSortUtilities::AppendStyled(first, r, between(first, r));
    unionBox(first, r);
    first.lines += r.lines;
  }
  first.textWidth = first.xRight() - first.xLeft();
  return runs.front();
}
}  // namespace

VQExcelRunPtr VQExcelSortUtilities::MergeRunTextsInHeight(const VQExcelRuns& runs) {
  return joinLines(runs, [](const VQExcelRunText& first, const VQExcelRunText& r) {
    // Chinese lines run on without a blank between them.
    return !r.rPr.isSameToRPr(first.rPr) ? "\n" : HaveNoneEnglishString(first.text) ? "" : " ";
  });
}

VQExcelRunPtr VQExcelSortUtilities::MergeRunTextsAsLines(const VQExcelRuns& runs) {
  return joinLines(runs, [](const VQExcelRunText&, const VQExcelRunText&) { return "\n"; });
}

bool VQExcelSortUtilities::HaveNoneEnglishString(std::string_view text) {
  for (char32_t c : text::utf8ToCodePoints(text))
    if (c >= 0x4E01 && c <= 0x9FFE) return true;
  return false;
}

VQPDFWordGapFont VQExcelSortUtilities::GapFontBetween(const VQExcelRunText& a, const VQExcelRunText& b) {
  VQPDFWordGapFont f = VQPDFWordGapFontBetween(a.gapFont, b.gapFont);
  const size_t chars = a.tally.characters(a.text) + b.tally.characters(b.text);
  if (chars > 0) f.averageGlyphWidth = (a.textWidth + b.textWidth) / static_cast<double>(chars);
  return f;
}

namespace {
bool isBlank(char32_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == 0xA0 || c == 0x3000; }
// Scripts written without blanks between words.
bool isIdeograph(char32_t c) {
  return (c >= 0x3040 && c <= 0x30FF) || (c >= 0x3400 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFF00 && c <= 0xFFEF);
}
}  // namespace

bool VQExcelSortUtilities::NeedsBlankBetween(std::string_view before, std::string_view after) {
  if (before.empty() || after.empty()) return false;
  // Only the characters that meet matter; a cell's text grows by this
  // question once per piece, so it never reads the whole text.
  const char32_t b = text::utf8LastCodePoint(before), a = text::utf8FirstCodePoint(after);
  if (isBlank(b) || isBlank(a)) return false;
  return !(isIdeograph(b) && isIdeograph(a));
}

void VQExcelSortUtilities::AppendPiece(VQExcelRunText& into, const VQExcelRunText& piece, bool wordGap) {
  AppendStyled(into, piece, wordGap && NeedsBlankBetween(into.text, piece.text) ? " " : "");
}

void VQExcelSortUtilities::AppendStyled(VQExcelRunText& into, const VQExcelRunText& piece, std::string_view between) {
  into.text += between;
  const size_t at = into.text.size();
  // The piece keeps its own face and colour in the cell's rich text.
  if (!piece.rPr.looksLike(into.lastProperty())) into.restyles.push_back({at, piece.rPr});
  for (const auto& r : piece.restyles)
    if (!r.rPr.looksLike(into.lastProperty())) into.restyles.push_back({at + r.at, r.rPr});
  into.text += piece.text;
}

VQExcelRuns VQExcelSortUtilities::Without(const VQExcelRuns& runs, const VQExcelRuns& group) {
  std::unordered_set<const VQExcelRunText*> taken;
  for (const auto& r : group) taken.insert(r.get());
  VQExcelRuns out;
  for (const auto& r : runs)
    if (!taken.count(r.get())) out.push_back(r);
  return out;
}

}  // namespace vq
