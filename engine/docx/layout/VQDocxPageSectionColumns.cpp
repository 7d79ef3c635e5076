// The blank section, the column list of w:cols worked out from the white
// gaps between the column groups, and the growth of the text area below its
// last line.
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "docx/capture/VQDocxMeasures.h"
#include "docx/layout/VQDocxPageSection.h"
#include "office/VQDocxUtilities.h"

namespace vq {
namespace {

using docxmeasure::bottomOf;

// Column spaces Word is given: the largest, the smallest, and the smallest
// that still reads as a gap (single-precision constants).
constexpr float kMaxColumnSpace = 35.45f;
constexpr float kMinColumnSpace = 0.2836f;
constexpr float kNormalColumnSpace = 2.836f;

double floorHundredths(double x) { return std::floor(x * 100) / 100; }

// A value written into a record: what is no number becomes 0.
float finiteOrZero(double x) { return static_cast<float>(docxmeasure::finiteOr(x)); }

// Column widths are unsigned in WordprocessingML: a column squeezed out by
// its neighbours' text is written as having no width rather than a negative one.
float widthOrZero(double x) { return std::max(0.0f, finiteOrZero(x)); }

}  // namespace

std::shared_ptr<VQDocxPageSection> VQDocxPageSection::BankPageSectionWithSectProperty(const VQDocx_SectPr& sectProperty,
                                                                                      int32_t sectionArea) {
  auto section = std::make_shared<VQDocxPageSection>(sectProperty);
  section->sectionArea = sectionArea;
  const VQDocx_SectPr& s = section->sectProperty();

  auto paragraph = std::make_shared<VQDocxParagraph>();
  paragraph->pProperty = VQDocxUtilities::defaultPProperty();
  paragraph->rProperty = VQDocxUtilities::defaultRProperty();
  paragraph->sectProperty = s;
  paragraph->sectProperty.shouldWrite = 0;
  paragraph->sectProperty.type = 1;
  paragraph->sectProperty.cols = VQDocxUtilities::defaultColsProperty();
  const VQDocx_Spacing& spacing = paragraph->pProperty.spacing;
  paragraph->contentFrame = RectMake(s.pgMar.left, s.pgMar.top, 1, spacing.line);
  paragraph->setYBefore(spacing.before, spacing.line, spacing.after);

  section->paragraphGroupArray.push_back(ParagraphColum{paragraph});
  // The blank section's one column holds its paragraph rather than lines.
  section->columGroupArray_.assign(1, LineArray{});

  const double left = s.pgMar.left;
  const double top = s.pgMar.top;
  section->sectionFrame = RectMake(left, top, static_cast<double>(s.pgSz.w) - left - s.pgMar.right,
                                   static_cast<double>(s.pgSz.h) - top - s.pgMar.bottom);
  section->columGroupFrame = paragraph->contentFrame;
  const double foot = section->sectionFrame.size.height - spacing.line - 1;
  section->footBlankHeight = std::isfinite(foot) ? foot : 0;
  return section;
}

double VQDocxPageSection::_minLeftXOfLineArrayA(const LineArray& lines) {
  bool found = false;
  float least = 0;
  for (const auto& line : lines) {
    if (!line) continue;
    const auto x = static_cast<float>(line->lineFrame.origin.x);
    if (!std::isfinite(x)) continue;
    if (!found || x < least) least = x;
    found = true;
  }
  return least;
}

double VQDocxPageSection::_maxRightXOfLineArrayA_SpaceBehind(const LineArray& lines) {
  bool found = false;
  float most = 0;
  for (const auto& line : lines) {
    if (!line) continue;
    const Rect& frame = line->lineFrame;
    const auto x = static_cast<float>(frame.origin.x + frame.size.width + line->behindTextSpaceWidth());
    if (!std::isfinite(x)) continue;
    if (!found || x > most) most = x;
    found = true;
  }
  return most;
}

double VQDocxPageSection::minSeparatedColumSpace() const {
  const ColumGroupArray& groups = columGroupArray_;
  double gap = 0;
  bool found = false;
  for (size_t i = 0; i + 1 < groups.size(); ++i) {
    const double g = _minLeftXOfLineArrayA(groups[i + 1]) - _maxRightXOfLineArrayA_SpaceBehind(groups[i]);
    if (!(g > 0)) continue;
    if (!found || g < gap) gap = g;
    found = true;
  }
  const double x = gap - static_cast<double>(kNormalColumnSpace);
  if (x > kMaxColumnSpace) return kMaxColumnSpace;
  return std::max(static_cast<double>(kMinColumnSpace), floorHundredths(x));
}

bool VQDocxPageSection::IsPageSectionEquallySeparatedColums(double* space) const {
  const ColumGroupArray& groups = columGroupArray_;
  const size_t n = groups.size();
  if (n < 2) return true;
  if (space == nullptr || !std::isfinite(*space)) return false;
  const double s = *space;
  const VQDocx_SectPr& sect = sectProperty_;
  const double column =
      (static_cast<double>(sect.pgSz.w) - sect.pgMar.left - sect.pgMar.right - static_cast<double>(n - 1) * s) /
      static_cast<double>(n);
  float m = static_cast<float>(s);
  for (size_t i = 0; i + 1 < n; ++i) {
    // The middle of the gap after equal column i.
    const double b = sect.pgMar.left + static_cast<double>(i + 1) * column + (static_cast<double>(i) + 0.5) * s;
    const double r = _maxRightXOfLineArrayA_SpaceBehind(groups[i]);
    const double l = _minLeftXOfLineArrayA(groups[i + 1]);
    if (!(r < b && b < l)) return false;
    m = std::min({m, static_cast<float>(b - r), static_cast<float>(l - b)});
    if (m < kMinColumnSpace) return false;
  }
  double result = m;
  if (m > 1) {
    if (m < kNormalColumnSpace) result = floorHundredths(m);
    else if (m < 4) result = kNormalColumnSpace;
    else if (m < 6) result = floorHundredths(static_cast<double>(m) - 1);
    else if (m < kMaxColumnSpace) result = floorHundredths(static_cast<double>(m) - 2);
    else result = kMaxColumnSpace;
  }
  if (!std::isfinite(result)) return false;
  *space = result;
  return true;
}

void VQDocxPageSection::createSectProperty_Cols() {
  const ColumGroupArray& groups = columGroupArray_;
  const size_t n = groups.size();
  if (n < 2) return;
  const VQDocx_SectPr& sect = sectProperty_;

  VQDocx_Cols cols = VQDocxUtilities::defaultColsProperty();
  cols.space = 0;
  cols.equalWidth = 0;
  cols.sep = 1;
  cols.num = n;
  std::vector<VQDocx_Col> list(n);

  double s = minSeparatedColumSpace();
  if (IsPageSectionEquallySeparatedColums(&s)) {
    const auto c = static_cast<float>(
        (static_cast<double>(sect.pgSz.w) - sect.pgMar.left - sect.pgMar.right - static_cast<double>(n - 1) * s) /
        static_cast<double>(n));
    for (auto& col : list) {
      col.w = widthOrZero(c);
      col.space = finiteOrZero(s);
    }
    cols.space = finiteOrZero(s);
    cols.equalWidth = finiteOrZero(c);
  } else {
    double x = sect.pgMar.left;
    for (size_t i = 0; i + 1 < n; ++i) {
      const double r = _maxRightXOfLineArrayA_SpaceBehind(groups[i]);
      const double l = _minLeftXOfLineArrayA(groups[i + 1]);
      const double gap = l - r;
      double space = kMaxColumnSpace;
      if (gap < kMaxColumnSpace) space = std::max(gap, static_cast<double>(kMinColumnSpace));
      const double width = std::ceil(static_cast<float>(l - space - x));
      list[i].space = finiteOrZero(space);
      list[i].w = widthOrZero(width);
      x += static_cast<double>(list[i].space) + list[i].w;
    }
    list.back().space = 0;
    list.back().w = widthOrZero(static_cast<double>(sect.pgSz.w) - sect.pgMar.right - x);
  }
  setCols(cols, std::move(list));
}

void VQDocxPageSection::updateColumGroupFrame() {
  const Rect kept = columGroupFrame;
  const double room = bottomOf(sectionFrame) - bottomOf(columGroupFrame);
  if (!(room > 0)) return;

  LineArray lines;
  for (const auto& group : columGroupArray_)
    for (const auto& line : group)
      if (line) lines.push_back(line);
  if (lines.empty()) return;

  double d = 0;
  bool grow = false;
  if (lines.size() == 1) {
    const double h = lines.front()->lineFrame.size.height;
    const double single = lines.front()->wordSingleLineHeight;
    if (single > h) {
      d = single - h;
      grow = room > d;
    }
  } else {
    const auto bottom = VQDocxRunTextLine::FindBottomRunTextLine(lines);
    std::shared_ptr<VQDocxRunTextLine> before;
    for (const auto& group : columGroupArray_) {
      const auto at = std::find(group.begin(), group.end(), bottom);
      if (at == group.end()) continue;
      if (at != group.begin()) before = *(at - 1);
      break;
    }
    if (!bottom || !before) return;
    const Rect& b = bottom->lineFrame;
    const Rect& p = before->lineFrame;
    if (std::fabs(b.size.height - p.size.height) < 2) {
      d = b.origin.y - bottomOf(p);
      grow = d > 0 && room > d - 1;
    }
  }
  if (!grow || !std::isfinite(d)) return;

  double growth = d;
  if (sectProperty_.vAlign != 0) {
    columGroupFrame.origin.y -= d;
    growth = 2 * d;
  }
  columGroupFrame.size.height += growth;

  // A text area that would reach a table of the section stays as it was.
  for (const auto& table : allTableArray)
    if (table && RectIntersectsRect(table->bounds, columGroupFrame)) {
      columGroupFrame = kept;
      break;
    }
}

}  // namespace vq
