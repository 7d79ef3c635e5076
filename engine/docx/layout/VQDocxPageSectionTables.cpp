#include <algorithm>
#include <cmath>
#include <utility>

#include "docx/capture/VQDocxRunPict.h"
#include "docx/layout/VQDocxPageSection.h"
#include "office/VQDocxUtilities.h"

namespace vq {
namespace {

using Objects = std::vector<std::shared_ptr<VQDocxObject>>;

// Overlaps smaller than this are rounding, not text the table covers. The
// layout's thresholds are single precision.
const double kOverlapTolerance = static_cast<double>(0.1f);
// Room above or below a table that is no more than this is kept as the
// table's own margin instead of blank lines.
constexpr double kMarginRoom = 3.1;

const VQDocxPageSection::ParagraphGroupArray kNoGroups;

const VQDocxPageSection::ParagraphGroupArray& groupsOrNone(const VQDocxPageSection::ParagraphGroupArray* groups) {
  return groups ? *groups : kNoGroups;
}

// Sorting key of tables: -1 when a goes first, 1 when b does, 0 when they
// are equal. Top to bottom, then left to right for tables beside each other.
int compareTables(const VQDocxTable& a, const VQDocxTable& b) {
  const Rect& ra = a.bounds;
  const Rect& rb = b.bounds;
  if (RectGetMaxY(ra) < RectGetMinY(rb)) return -1;
  if (RectGetMaxY(rb) < RectGetMinY(ra)) return 1;
  if (RectGetMaxX(ra) < RectGetMinX(rb)) return -1;
  if (RectGetMaxX(rb) < RectGetMinX(ra)) return 1;
  if (RectGetMinY(ra) < RectGetMinY(rb) - 1) return -1;
  if (RectGetMinY(ra) > RectGetMinY(rb) + 1) return 1;
  return 0;
}

// The order above is not transitive for tables that overlap in odd ways,
// which std::sort does not survive; an insertion sort stays within the
// array whatever the comparisons answer, and keeps equal tables in order.
void sortTables(VQDocxTable::Array& tables) {
  for (size_t i = 1; i < tables.size(); ++i)
    for (size_t j = i; j > 0 && compareTables(*tables[j], *tables[j - 1]) < 0; --j) std::swap(tables[j], tables[j - 1]);
}

// Paragraph properties of the paragraphs around an area, so that space lent
// to a table can be given back when the table is not placed after all.
using SpacingSnapshot = std::vector<std::pair<std::shared_ptr<VQDocxParagraph>, VQDocx_PPr>>;

SpacingSnapshot snapshotSpacing(const VQDocxPageSection::ParagraphGroupArray& before,
                                const VQDocxPageSection::ParagraphGroupArray& after) {
  SpacingSnapshot snapshot;
  for (const auto* groups : {&before, &after})
    for (const auto& colum : *groups)
      for (const auto& object : colum)
        if (auto paragraph = std::dynamic_pointer_cast<VQDocxParagraph>(object))
          snapshot.emplace_back(paragraph, paragraph->pProperty);
  return snapshot;
}

void restoreSpacing(const SpacingSnapshot& snapshot) {
  for (const auto& [paragraph, pProperty] : snapshot) paragraph->pProperty = pProperty;
}

// A paragraph that a table may replace: it shows no text and anchors no
// drawing, so nothing is lost with it.
bool isReplaceableBlank(const VQDocxParagraph& paragraph) {
  // Blanks and no-break spaces (UTF-8) show nothing.
  if (!paragraph.isParagraphBlankText() ||
      paragraph.paragraphText.find_first_not_of(" \t\r\n\xC2\xA0") != std::string::npos)
    return false;
  for (const auto& group : paragraph.writeRunGroupArray)
    for (const auto& run : group)
      if (std::dynamic_pointer_cast<VQDocxRunPict>(run) || std::dynamic_pointer_cast<VQDocxTable>(run)) return false;
  return true;
}

bool holdsObject(const Objects& objects, const std::shared_ptr<VQDocxObject>& object) {
  return std::find(objects.begin(), objects.end(), object) != objects.end();
}

// Puts the table among the paragraphs of the column that its outline covers;
// answers whether it went into the flow.
bool insertTableIntoColum(VQDocxPageSection::ParagraphColum& colum, const std::shared_ptr<VQDocxTable>& table) {
  using Section = VQDocxPageSection;
  const Rect reach = RectInset(table->bounds, -1000, -5);
  std::vector<size_t> covered;
  for (size_t k = 0; k < colum.size(); ++k) {
    const auto paragraph = std::dynamic_pointer_cast<VQDocxParagraph>(colum[k]);
    if (paragraph && RectContainsRect(reach, paragraph->contentFrame)) covered.push_back(k);
  }
  if (covered.empty()) return false;

  const size_t first = covered.front();
  const size_t last = covered.back();
  Section::ParagraphArray blanks;
  Section::ParagraphColum between;  // what lies among the covered paragraphs but is not covered stays
  for (size_t k = first; k <= last; ++k) {
    if (std::find(covered.begin(), covered.end(), k) != covered.end())
      blanks.push_back(std::static_pointer_cast<VQDocxParagraph>(colum[k]));
    else between.push_back(colum[k]);
  }
  Section::ParagraphGroupArray leading;
  Section::ParagraphGroupArray following;
  if (first > 0) leading.emplace_back(colum.begin(), colum.begin() + static_cast<std::ptrdiff_t>(first));
  if (last + 1 < colum.size())
    following.emplace_back(colum.begin() + static_cast<std::ptrdiff_t>(last + 1), colum.end());

  const Objects objects = Section::InsertTables({table}, blanks, leading.empty() ? nullptr : &leading,
                                                following.empty() ? nullptr : &following);
  Section::ParagraphColum rebuilt = leading.empty() ? Section::ParagraphColum{} : leading.front();
  rebuilt.insert(rebuilt.end(), objects.begin(), objects.end());
  rebuilt.insert(rebuilt.end(), between.begin(), between.end());
  if (!following.empty()) rebuilt.insert(rebuilt.end(), following.front().begin(), following.front().end());
  colum = std::move(rebuilt);
  return holdsObject(objects, table);
}

}  // namespace

Rect VQDocxPageSection::FrameOfParagraphArray(const ParagraphArray& paragraphs, bool isMaxWidth) {
  Rect frame = RectZero;
  bool any = false;
  for (const auto& paragraph : paragraphs) {
    if (!paragraph) continue;
    Rect content = paragraph->contentFrame;
    if (!(content.size.width > 0.5 && content.size.height > 0.5)) continue;
    if (!any && isMaxWidth) {
      // The area reaches across its column, not only across the blank
      // paragraphs' short content boxes.
      content.origin.x = paragraph->columnFrame.origin.x;
      content.size.width = paragraph->columnFrame.size.width;
    }
    frame = any ? RectUnion(frame, content) : content;
    any = true;
  }
  return frame;
}

VQDocxPageSection::TableArray VQDocxPageSection::FindBlankParagraphArray(const Rect& blankFrame,
                                                                         const TableArray& tables) {
  TableArray found;
  for (const auto& table : tables) {
    if (!table) continue;
    // The ruled outline may stick out of the blank area by its rules and a
    // little more; what counts is its inner part, as large an inset as the
    // table's size allows.
    Rect inner = table->bounds;
    for (double inset = 20; inset >= 2; inset -= 2) {
      if (inner.size.width - 2 * inset > 1 && inner.size.height - 2 * inset > 1) {
        inner = RectInset(inner, inset, inset);
        break;
      }
    }
    if (RectContainsRect(blankFrame, inner)) found.push_back(table);
  }
  return found;
}

std::vector<std::shared_ptr<VQDocxObject>> VQDocxPageSection::InsertTables(TableArray tables,
                                                                           const ParagraphArray& blankParagraphs,
                                                                           const ParagraphGroupArray* paragraphArray0,
                                                                           const ParagraphGroupArray* paragraphArrayN) {
  const Rect blankFrame = FrameOfParagraphArray(blankParagraphs, true);
  // The first and the last paragraph decide whether the area is blank; one
  // with text or a drawing anywhere in it keeps the area, so that a table
  // never takes text or pictures with the paragraphs it replaces.
  bool isBlank = !blankParagraphs.empty() && blankParagraphs.front() && blankParagraphs.back() &&
                 blankParagraphs.front()->isParagraphBlankText() && blankParagraphs.back()->isParagraphBlankText();
  for (const auto& paragraph : blankParagraphs)
    if (isBlank && paragraph && !isReplaceableBlank(*paragraph)) isBlank = false;
  const auto example = blankParagraphs.empty() ? nullptr : blankParagraphs.front();
  Objects objects = CreateParagraphsAndTables(tables, isBlank, blankFrame, example, paragraphArray0, paragraphArrayN);
  if (objects.empty() || !isBlank) objects.insert(objects.end(), blankParagraphs.begin(), blankParagraphs.end());
  return objects;
}

std::vector<std::shared_ptr<VQDocxObject>> VQDocxPageSection::CreateParagraphsAndTables(
    TableArray& tables, bool isTalbeAreaBlank, const Rect& blankFrame,
    const std::shared_ptr<VQDocxParagraph>& blankParagraphExample, const ParagraphGroupArray* paragraphArray0,
    const ParagraphGroupArray* paragraphArrayN) {
  std::erase(tables, nullptr);
  sortTables(tables);

  const ParagraphGroupArray& before = groupsOrNone(paragraphArray0);
  const ParagraphGroupArray& after = groupsOrNone(paragraphArrayN);
  const VQDocx_PPr pProperty = blankParagraphExample ? blankParagraphExample->pProperty : VQDocx_PPr{};
  const VQDocx_RPr rProperty = blankParagraphExample ? blankParagraphExample->rProperty : VQDocx_RPr{};
  const Rect columnFrame = blankParagraphExample ? blankParagraphExample->columnFrame : RectZero;
  // Blank lines of the area form one column of their own section part.
  VQDocx_SectPr blankSectProperty = blankParagraphExample ? blankParagraphExample->sectProperty : VQDocx_SectPr{};
  blankSectProperty.shouldWrite = 0;
  blankSectProperty.type = 1;
  blankSectProperty.cols = VQDocxUtilities::defaultColsProperty();

  Objects result;
  auto appendBlankParagraphs = [&](double height, double originY) {
    const auto blanks =
        VQDocxParagraph::BlankParagraph(height, pProperty.spacing.line, pProperty.ind.left, pProperty.ind.right,
                                        pProperty.jc, rProperty, blankSectProperty, originY, columnFrame);
    result.insert(result.end(), blanks.begin(), blanks.end());
  };

  const double eps = kOverlapTolerance;
  const double areaTop = blankFrame.origin.y;
  const double areaBottom = areaTop + blankFrame.size.height;
  double cursor = areaTop;
  bool placedAny = false;
  TableArray skipped;

  for (size_t i = 0; i < tables.size(); ++i) {
    const auto& table = tables[i];
    const bool isLast = i + 1 == tables.size();
    const double top = RectGetMinY(table->bounds);
    const double bottom = RectGetMaxY(table->bounds);

    double limit = areaBottom;
    if (!isLast) {
      const Rect& next = tables[i + 1]->bounds;
      const Rect a = RectInset(table->bounds, -3000, 0);
      const Rect b = RectInset(next, -3000, 0);
      const bool sideBySide = RectIntersectsRect(a, b) && RectGetHeight(RectIntersection(a, b)) >= 10;
      limit = sideBySide ? areaBottom : RectGetMinY(next);
    }
    double above = top - cursor;
    double below = limit - bottom;

    // Overlaps with the text around are settled by borrowing its spacing, or
    // by the room on the other side of the table.
    const SpacingSnapshot snapshot = snapshotSpacing(before, after);
    // A small overlap on one side: the paragraphs there lend the room, or
    // the other side gives it when it has more.
    auto settleSmallOverlap = [eps](double& side, double& other, const auto& borrow) {
      if (!(side > -10 && side < -eps)) return;
      if (borrow(side)) {
        side = eps;
      } else if (other > -side) {
        other = other + side - eps;
        side = eps;
      }
    };
    settleSmallOverlap(above, below, [&](double ySpace) { return BorrowParagraphArray0(before, ySpace); });
    settleSmallOverlap(below, above, [&](double ySpace) { return BorrowParagraphArrayN(after, ySpace); });
    bool settled = false;
    if (above < -eps && BorrowParagraphArrayN(after, above + below)) {
      above = eps;
      below = 0;
      settled = true;
    }
    if (!settled && below < -eps && BorrowParagraphArray0(before, above + below)) {
      below = eps;
      above = 0;
    }

    bool place = isTalbeAreaBlank;
    if (place && (above <= -eps || below <= -eps)) {
      // Still overlapping: only a table that starts left of the table it
      // overlaps goes into the flow.
      std::shared_ptr<VQDocxTable> neighbour;
      if (above < eps) {
        if (i > 0) neighbour = tables[i - 1];
      } else if (below < eps) {
        if (!isLast) neighbour = tables[i + 1];
      }
      place = neighbour && RectGetMinX(table->bounds) < RectGetMinX(neighbour->bounds);
    }
    if (!place) {
      // A table that stays out of the flow borrows nothing.
      restoreSpacing(snapshot);
      skipped.push_back(table);
      continue;
    }

    if (above > kMarginRoom) {
      if (!(!placedAny && rProperty.sz > above && GiveYSpace(above, false, before)))
        appendBlankParagraphs(above, cursor);
      above = 0;
    }
    result.push_back(table);
    table->changeXMLPropertyTextWrappingToNone();
    double bottomMargin = 0;
    if (!isLast) {
      cursor = std::max(cursor, bottom);
    } else {
      cursor = areaBottom;
      const double gap = areaBottom - bottom;
      if (gap > kMarginRoom) {
        if (!(rProperty.sz > gap && GiveYSpace(gap, true, after))) appendBlankParagraphs(gap, bottom);
      } else {
        bottomMargin = gap;
      }
    }
    if (above > 0) table->setTextWrappingToNoneMarginTop(above);
    if (bottomMargin > 0) table->setTextWrappingToNoneMarginBottom(bottomMargin);
    placedAny = true;
  }

  if (isTalbeAreaBlank && !skipped.empty()) {
    const double rest = areaBottom - cursor;
    if (rest > 5) appendBlankParagraphs(rest, cursor);
  }
  std::erase_if(tables,
                [&](const auto& table) { return std::find(skipped.begin(), skipped.end(), table) != skipped.end(); });

  // Tables that carry a position go before everything else.
  std::stable_partition(result.begin(), result.end(), [](const std::shared_ptr<VQDocxObject>& object) {
    const auto table = std::dynamic_pointer_cast<VQDocxTable>(object);
    return table && table->tblProperty.tblpPr.horzAnchor != 0;
  });
  return result;
}

void VQDocxPageSection::writeContentWithTableArray(TableArray& tables) {
  if (!paragraphGroupArray.empty() && !tables.empty()) {
    const VQDocx_SectPr& s = sectProperty();
    const Rect candidateArea = RectInset(columGroupFrame, -20, -20);
    const double lineWidth = static_cast<double>(s.pgSz.w) - s.pgMar.left - s.pgMar.right;
    const uint64_t columnCount = s.cols.num;
    TableArray placed;
    for (const auto& table : tables) {
      if (!table || !RectContainsRect(candidateArea, table->bounds)) continue;
      double x = s.pgMar.left;
      for (size_t c = 0; c < paragraphGroupArray.size(); ++c) {
        double width = lineWidth;
        double space = 0;
        if (columnCount > 1) {
          // The columns the record describes; groups beyond them have none.
          if (c >= columnCount) break;
          if (s.cols.col) {
            width = s.cols.col[c].w;
            space = s.cols.col[c].space;
          } else {
            space = s.cols.space;
            width = (lineWidth - static_cast<double>(columnCount - 1) * space) / static_cast<double>(columnCount);
          }
        }
        const Rect columnRect = RectMake(x, columGroupFrame.origin.y, width, columGroupFrame.size.height);
        if (RectContainsRect(RectInset(columnRect, -5, -5), table->bounds)) {
          table->setColumnFrame(columnRect);
          if (insertTableIntoColum(paragraphGroupArray[c], table)) {
            // One table stands in one column only.
            placed.push_back(table);
            break;
          }
        }
        if (columnCount >= 2) x += width + space;
      }
    }
    std::erase_if(tables,
                  [&](const auto& table) { return std::find(placed.begin(), placed.end(), table) != placed.end(); });
  }

  const bool isMultiColumn = paragraphGroupArray.size() >= 2;
  for (const auto& colum : paragraphGroupArray) {
    bool isFirst = true;
    for (const auto& object : colum) {
      if (!object) continue;
      if (auto paragraph = std::dynamic_pointer_cast<VQDocxParagraph>(object)) {
        // Word drops the space before the first paragraph of a column, so
        // that space is written as blank lines.
        if (isMultiColumn && isFirst && paragraph->pProperty.spacing.before > paragraph->rProperty.sz) {
          const size_t before = allWriteXMLObjects.size();
          writeBeforeBlankParagraphs(paragraph);
          paragraph->pProperty.spacing.before = 0;
          // The column break moves to the first blank line, if one was made.
          if (allWriteXMLObjects.size() > before) paragraph->breakColumn = false;
        }
        isFirst = false;
      }
      allWriteXMLObjects.push_back(object);
    }
  }
}

}  // namespace vq
