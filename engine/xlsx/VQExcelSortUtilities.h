#pragma once
// Sorting, grouping and joining of runs, from which a page's grid is built.
// A group always starts with the first run of the list and keeps its order.
#include <string_view>

#include "pdf/VQPDFWordGaps.h"
#include "xlsx/VQExcelTypes.h"

namespace vq {

// The lines around a line, nearest first on each side (null where the page
// has none).
struct VQExcelNeighbourLines {
  const VQExcelRuns* above[2] = {nullptr, nullptr};
  const VQExcelRuns* below[2] = {nullptr, nullptr};
};

class VQExcelSortUtilities {
 public:
  // Stable ascending sorts by xLeft / yTop.
  static VQExcelRuns SortRunTextsByX(const VQExcelRuns& runs);
  static VQExcelRuns SortRunTextsByY(const VQExcelRuns& runs);
  // Runs that overlap the first one vertically (a band) / horizontally (a block).
  static VQExcelRuns FindRunTextsCrossedInHeight(const VQExcelRuns& runs);
  static VQExcelRuns FindRunTextsCrossedInWidth(const VQExcelRuns& runs);
  // Pieces of the first run's line that may be joined to it, by overlap choice 0, 1 or 2.
  // A gap too wide for a word gap still parts words of one paragraph (a
  // justified line stretched, a sentence gap) when the text of the lines
  // next to it runs across it, or, where it is as wide as the blank the
  // line's last word was taken at (a justified line's blanks are all one
  // width, or as the gap after it where a label with a blank of its own
  // starts the line), when a line two away runs across it: a column gap runs
  // down the page through them all.
  static VQExcelRuns FindRunTextsMergedInWidth(const VQExcelRuns& runs, int option,
                                               const VQExcelNeighbourLines& around = {});
  // True when `mark` is a mark raised against the start of `text` (a
  // footnote's mark before its first word): smaller type, standing in the
  // upper part of the line.
  static bool IsMarkBefore(const VQExcelRunText& mark, const VQExcelRunText& text);
  // Lines of the first run's cell that may be joined to it.
  static VQExcelRuns FindRunTextsMergedInHeight(const VQExcelRuns& runs);
  // Joins the others into the first run and answers it.
  static VQExcelRunPtr MergeRunTextsInWidth(const VQExcelRuns& runs);
  static VQExcelRunPtr MergeRunTextsInHeight(const VQExcelRuns& runs);
  // Joins the others into the first run as lines of their own, a line break
  // between each two.
  static VQExcelRunPtr MergeRunTextsAsLines(const VQExcelRuns& runs);
  static bool HaveNoneEnglishString(std::string_view text);
  // What two neighbouring runs of a line show of their type, for telling
  // their gap: the smaller run's size and blank (the narrower blank of two
  // runs of one size), the pair's glyph advance.
  static VQPDFWordGapFont GapFontBetween(const VQExcelRunText& a, const VQExcelRunText& b);
  // Whether words of `before` and `after` written one after the other need a
  // blank between them: neither brings one, and they are not both ideographs.
  static bool NeedsBlankBetween(std::string_view before, std::string_view after);
  // Appends `piece`'s text to `into`'s, after a blank when a word gap
  // separated them.
  static void AppendPiece(VQExcelRunText& into, const VQExcelRunText& piece, bool wordGap);
  // Appends `between` and then the piece, noting where the piece's styles
  // start.
  static void AppendStyled(VQExcelRunText& into, const VQExcelRunText& piece, std::string_view between);
  // `runs` without the members of `group`.
  static VQExcelRuns Without(const VQExcelRuns& runs, const VQExcelRuns& group);
};

}  // namespace vq
