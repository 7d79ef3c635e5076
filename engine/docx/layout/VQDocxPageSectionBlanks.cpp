// Blank paragraphs and space borrowing: small amounts of vertical space move
// between a table and the paragraphs around it, and a large space before the
// first paragraph of a column becomes blank paragraphs.
#include <cmath>
#include <limits>

#include "docx/layout/VQDocxPageSection.h"

namespace vq {
namespace {

// What a borrower needs beyond the overlap itself, so that the table and the
// text no longer touch: 0.1 in single precision.
constexpr double kBorrowEpsilon = static_cast<double>(0.1f);

bool allFinite(const VQDocx_Spacing& s) {
  return std::isfinite(s.before) && std::isfinite(s.line) && std::isfinite(s.after);
}

// Spacing is kept in single precision; a value beyond it would be written as
// no number.
bool fitsSpacing(double v) { return std::isfinite(v) && std::fabs(v) <= std::numeric_limits<float>::max(); }

}  // namespace

bool VQDocxPageSection::BorrowParagraph(const std::shared_ptr<VQDocxParagraph>& paragraph, double ySpace,
                                        bool afterFirst, bool isSave) {
  if (!paragraph || !fitsSpacing(ySpace)) return false;
  const double need = -ySpace + kBorrowEpsilon;
  // Nothing to borrow: the paragraph keeps its spacing (a space that is not
  // an overlap is given with GiveYSpace, never by borrowing).
  if (need <= 0) return true;

  VQDocx_PPr p = paragraph->pProperty;
  if (!allFinite(p.spacing)) return false;
  float& own = afterFirst ? p.spacing.after : p.spacing.before;
  float& other = afterFirst ? p.spacing.before : p.spacing.after;
  const double before = p.spacing.before;
  const double after = p.spacing.after;
  const double line = p.spacing.line;

  bool can = false;
  if (own >= need) {
    can = true;
    own = static_cast<float>(own - need);
  } else if (before + after >= need) {
    can = true;
    own = static_cast<float>(before + after - need);
    other = 0;
  } else if (paragraph->paragraphText.empty() && line >= need) {
    can = true;
    p.spacing.line = static_cast<float>(line - need);
  } else if (!paragraph->lineArray.empty()) {
    // Each line gives what it has above the glyphs of its font.
    const float n = static_cast<float>(paragraph->lineArray.size());
    const float spare = (p.spacing.before + p.spacing.line + p.spacing.after - 0.9f * paragraph->rProperty.sz) * n;
    const double newLine = line + (before + after - need) / static_cast<double>(n);
    // An exact line of no height would hide the text.
    if (spare >= need && newLine > 0) {
      can = true;
      p.spacing.before = 0;
      p.spacing.after = 0;
      p.spacing.line = static_cast<float>(newLine);
    }
  }
  if (!can || !allFinite(p.spacing)) return false;
  if (isSave) paragraph->pProperty = p;
  return true;
}

bool VQDocxPageSection::BorrowParagraphColum(const ParagraphColum& colum, double ySpace, bool afterFirst, bool isSave) {
  // The paragraphs nearest the area lend first: before an area, the column's
  // last; after it, its first.
  auto tryOne = [&](const std::shared_ptr<VQDocxObject>& object) {
    const auto paragraph = VQDocxPageSection::FlowParagraph(object);
    return paragraph && BorrowParagraph(paragraph, ySpace, afterFirst, isSave);
  };
  if (afterFirst) {
    for (auto it = colum.rbegin(); it != colum.rend(); ++it)
      if (tryOne(*it)) return true;
  } else {
    for (const auto& object : colum)
      if (tryOne(object)) return true;
  }
  return false;
}

namespace {

// Every column lends, or none does.
bool borrowFromEvery(const VQDocxPageSection::ParagraphGroupArray& groups, double ySpace, bool afterFirst) {
  if (groups.empty()) return false;
  for (const auto& colum : groups)
    if (!VQDocxPageSection::BorrowParagraphColum(colum, ySpace, afterFirst, false)) return false;
  for (const auto& colum : groups) VQDocxPageSection::BorrowParagraphColum(colum, ySpace, afterFirst, true);
  return true;
}

}  // namespace

bool VQDocxPageSection::BorrowParagraphArray0(const ParagraphGroupArray& groups, double yTopSpace) {
  return borrowFromEvery(groups, yTopSpace, true);
}

bool VQDocxPageSection::BorrowParagraphArrayN(const ParagraphGroupArray& groups, double yBottomSpace) {
  return borrowFromEvery(groups, yBottomSpace, false);
}

bool VQDocxPageSection::GiveYSpace(double space, bool beforeLine, const ParagraphColum& colum) {
  if (!(space >= 0) || !fitsSpacing(space)) return false;
  std::shared_ptr<VQDocxParagraph> taker;
  if (beforeLine) {
    for (const auto& object : colum)
      if ((taker = VQDocxPageSection::FlowParagraph(object))) break;
  } else {
    for (auto it = colum.rbegin(); it != colum.rend(); ++it)
      if ((taker = FlowParagraph(*it))) break;
  }
  if (!taker) return false;
  float& field = beforeLine ? taker->pProperty.spacing.before : taker->pProperty.spacing.after;
  const double value = static_cast<double>(field) + space;
  if (!fitsSpacing(value)) return false;
  field = static_cast<float>(value);
  return true;
}

bool VQDocxPageSection::GiveYSpace(double space, bool beforeLine, const ParagraphGroupArray& groups) {
  if (!(space >= 0) || !fitsSpacing(space)) return false;
  bool taken = false;
  for (const auto& colum : groups) taken = GiveYSpace(space, beforeLine, colum) || taken;
  return taken;
}

void VQDocxPageSection::writeBeforeBlankParagraphs(const std::shared_ptr<VQDocxParagraph>& paragraph) {
  if (!paragraph) return;
  const VQDocx_PPr& p = paragraph->pProperty;
  const double height = p.spacing.before;
  double originY = paragraph->contentFrame.origin.y - height;
  if (!std::isfinite(originY)) originY = paragraph->contentFrame.origin.y;
  if (!std::isfinite(originY)) originY = 0;
  // The blanks stand before the paragraph; a section break it carries is
  // written once, with the paragraph.
  VQDocx_SectPr sectProperty = paragraph->sectProperty;
  sectProperty.shouldWrite = 0;
  auto blanks = VQDocxParagraph::BlankParagraph(height, p.spacing.line, p.ind.left, p.ind.right, p.jc,
                                                paragraph->rProperty, sectProperty, originY, paragraph->columnFrame);
  if (blanks.empty()) return;
  if (paragraph->breakColumn) blanks.front()->breakColumn = true;
  for (auto& blank : blanks) allWriteXMLObjects.push_back(std::move(blank));
}

}  // namespace vq
