// The paragraph builder of a page section: every text line of the column
// groups becomes a paragraph whose room (space before, line height, space
// after) reproduces the line's place on the PDF page; large gaps become blank
// spacer paragraphs, the room above the text head blank paragraphs and the
// room below it the foot height. Every paragraph gets the alignment its line
// shows in its column.
#include <algorithm>
#include <array>
#include <cmath>
#include <unordered_set>

#include "common/VQConverterUtilities.h"
#include "docx/capture/VQDocxMeasures.h"
#include "docx/layout/VQDocxPageSection.h"
#include "office/VQDocxUtilities.h"

namespace vq {
namespace {

using docxmeasure::bottomOf;
using docxmeasure::rightOf;

using Line = VQDocxRunTextLine;

// A line whose room exceeds this much more than twice its height below it
// gives the rest to blank paragraphs.
constexpr double kBlankGapSlack = 8;

// Thresholds of the alignment recognition: 3, 8, 13, ..., 1023.
constexpr int kAlignThresholdCount = 205;
constexpr double AlignThreshold(int k) { return 3.0 + 5.0 * k; }

template <class Objects>
void appendAll(Objects& to, const VQDocxParagraph::Array& paragraphs) {
  to.insert(to.end(), paragraphs.begin(), paragraphs.end());
}

}  // namespace

void VQDocxPageSection::setColumGroupArray(ColumGroupArray groups) {
  if (groups.empty()) {
    columGroupArray_ = std::move(groups);
    return;
  }
  // Lines are read below without asking: no group keeps a missing line.
  for (auto& group : groups) std::erase(group, nullptr);
  groups = MergeRunTextLineWithColumGroupArray(groups);
  RemoveScriptIfNeed(groups);
  columGroupArray_ = std::move(groups);
  if (columGroupArray_.empty()) return;

  updateColumGroupFrame();
  createSectProperty_Cols();
  const VQDocx_SectPr S = sectProperty_;
  VQDocx_SectPr S0 = S;
  S0.shouldWrite = 0;
  const size_t groupCount = columGroupArray_.size();

  // The text area reaches up to the section top, or up to a first line's
  // height above the text, the rest becoming head blank paragraphs.
  double h0 = 0;
  for (const auto& group : columGroupArray_)
    if (!group.empty()) h0 = std::max(h0, group.front()->lineFrame.size.height);
  const double m = std::max(h0, 5.0);
  const double topGap = columGroupFrame.origin.y - sectionFrame.origin.y;
  double headGap = 0;
  if (topGap < m + 8) {
    columGroupFrame.origin.y -= topGap;
    columGroupFrame.size.height += topGap;
  } else {
    columGroupFrame.origin.y -= m;
    columGroupFrame.size.height += m;
    headGap = topGap - m;
  }
  const double footSpace = bottomOf(sectionFrame) - bottomOf(columGroupFrame);
  const double areaBottom = bottomOf(columGroupFrame);
  const double areaTop = columGroupFrame.origin.y;
  const bool columns = S.cols.num >= 2 && S.cols.col != nullptr;

  double x = S.pgMar.left;
  for (size_t k = 0; k < groupCount; ++k) {
    const LineArray& lines = columGroupArray_[k];
    const bool hasCol = columns && k < S.cols.num;
    const double width =
        hasCol ? static_cast<double>(S.cols.col[k].w) : static_cast<double>(S.pgSz.w) - S.pgMar.left - S.pgMar.right;
    const Rect C = RectMake(x, areaTop, width, columGroupFrame.size.height);
    const Rect E = Line::FrameOfLineArray(lines);
    const Rect R = groupCount >= 2 ? E : C;
    const int trend = RecognizeTextAlignTrend(lines, E, C);

    ParagraphColum colum;
    if (lines.empty()) {
      appendAll(colum, VQDocxParagraph::BlankParagraph(24, 24, 0, 0, trend, VQDocxUtilities::defaultRProperty(), S0,
                                                       sectionFrame.origin.y, C));
    }
    size_t i = 0;
    while (i < lines.size()) {
      const auto& L = lines[i];
      const int align = RecognizeTextAlign(L, i > 0 ? lines[i - 1] : nullptr, 0, trend, R, C);
      LineArray chain;
      if (lines.size() - i >= 2)
        chain = Line::FindOverlapRunTextLineY(LineArray(lines.begin() + static_cast<std::ptrdiff_t>(i), lines.end()));

      if (chain.size() < 2) {
        // One paragraph for the line, and blank paragraphs for a gap much
        // larger than the line below it.
        const Rect& f = L->lineFrame;
        const double h = f.size.height;
        const double yBefore = i == 0 ? f.origin.y - areaTop : 0;
        const bool last = i + 1 == lines.size();
        const double limit = last ? areaBottom : lines[i + 1]->lineFrame.origin.y;
        const double gap = limit - (f.origin.y + h);
        double yAfter = gap;
        double extra = 0;
        if (gap - kBlankGapSlack > 2 * h) {
          yAfter = 2 * h;
          extra = gap - 2 * h;
        }
        auto paragraph = std::make_shared<VQDocxParagraph>(LineArray{L}, yBefore, h, yAfter, C, align, S);
        colum.push_back(paragraph);
        if (extra > 0 && !(last && groupCount >= 2))
          appendAll(colum,
                    VQDocxParagraph::BlankParagraph(extra, h, paragraph->pProperty.ind.left, rightOf(C) - rightOf(f),
                                                    trend, paragraph->rProperty, S0, f.origin.y + h + yAfter, C));
        ++i;
        continue;
      }

      // Lines overlapping each other share the height of their union.
      const size_t count = chain.size();
      const Rect U = Line::GetRunTextLineUnionFrame(chain);
      const bool same = Line::IsRunTextLineSameDistanceY(chain);
      const double top0 = chain.front()->lineFrame.origin.y;
      double Y = top0;
      for (size_t c = 0; c < count; ++c) {
        const auto& Lk = chain[c];
        const Rect& f = Lk->lineFrame;
        double hk = 0;
        if (same) {
          hk = U.size.height / static_cast<double>(count);
        } else {
          const double above = Lk->yBaseLine - f.origin.y;
          const double ratio = f.size.height > 0 ? above / f.size.height : 1;
          hk = (2 - ratio) * (Lk->yBaseLine - Y);
        }
        if (!std::isfinite(hk)) hk = std::max(f.size.height, 0.0);
        const int alignK = c == 0 ? align : RecognizeTextAlign(Lk, chain[c - 1], 0, trend, R, C);
        const double yBefore = c == 0 && i == 0 ? top0 - areaTop : 0;
        double yAfter = 0;
        if (c + 1 == count) {
          const double limit = i + count < lines.size() ? lines[i + count]->lineFrame.origin.y : areaBottom;
          const double gap = limit - (f.origin.y + f.size.height);
          const double rest = U.size.height - (Y + hk - top0);
          if (rest < 0) hk += rest;
          yAfter = gap + std::max(rest, 0.0);
        }
        colum.push_back(std::make_shared<VQDocxParagraph>(LineArray{Lk}, yBefore, hk, yAfter, C, alignK, S));
        Y += hk + yAfter;
      }
      i += count;
    }

    if (k > 0 && !colum.empty())
      if (auto first = std::dynamic_pointer_cast<VQDocxParagraph>(colum.front())) first->breakColumn = true;
    if (hasCol) x += static_cast<double>(S.cols.col[k].w) + S.cols.col[k].space;
    paragraphGroupArray.push_back(std::move(colum));
  }

  const double indLeft = columGroupFrame.origin.x - sectionFrame.origin.x;
  if (headGap > 0) {
    const auto first = firstParagraph();
    appendAll(headBlankParagraphArray,
              VQDocxParagraph::BlankParagraph(headGap, first ? first->pProperty.spacing.line : 0, indLeft, 0, 0,
                                              first ? first->rProperty : VQDocx_RPr{}, S0, sectionFrame.origin.y,
                                              sectionFrame));
  }

  // At the head of a page after the document's first, Word drops the space
  // before the first paragraph: it becomes line height or blank paragraphs.
  if (!isDocumentFirstPage && isPageHeadSection) {
    const auto first = headBlankParagraphArray.empty() ? firstParagraph() : headBlankParagraphArray.front();
    if (first && first->pProperty.spacing.before > 0) {
      const double before = first->pProperty.spacing.before;
      if (before < 5) {
        first->setSpaceLine(static_cast<double>(first->pProperty.spacing.line) + before);
      } else {
        appendAll(headBlankParagraphArray,
                  VQDocxParagraph::BlankParagraph(before, first->pProperty.spacing.line, indLeft, 0, 0,
                                                  first->rProperty, S0, sectionFrame.origin.y, sectionFrame));
      }
      first->setSpaceLineBefore(0);
    }
  }

  if (footSpace > 0) footBlankHeight = footSpace;
}

void VQDocxPageSection::createFootBlankParagraphArray() {
  if (!(footBlankHeight > 1) || !std::isfinite(footBlankHeight)) return;
  VQDocx_SectPr S0 = sectProperty_;
  S0.shouldWrite = 0;
  const auto first = firstParagraph();
  appendAll(footBlankParagraphArray,
            VQDocxParagraph::BlankParagraph(footBlankHeight, first ? first->pProperty.spacing.line : 0,
                                            columGroupFrame.origin.x - sectionFrame.origin.x, 0, 0,
                                            first ? first->rProperty : VQDocx_RPr{}, S0,
                                            bottomOf(sectionFrame) - footBlankHeight, sectionFrame));
}

VQDocxPageSection::ColumGroupArray VQDocxPageSection::MergeRunTextLineWithColumGroupArray(
    const ColumGroupArray& groups) {
  ColumGroupArray merged;
  merged.reserve(groups.size());
  for (const auto& group : groups) {
    LineArray working;
    for (const auto& line : group)
      if (line) working.push_back(line);
    LineArray lines;
    while (!working.empty()) {
      if (working.size() >= 2) {
        const LineArray one = Line::FindRunTextLineArrayAs1Line(working);
        if (one.size() >= 2) {
          std::unordered_set<const Line*> gone;
          for (const auto& line : one) gone.insert(line.get());
          std::erase_if(working, [&](const auto& line) { return gone.count(line.get()) != 0; });
          lines.push_back(Line::MergeRunTextLineArray(one));
          continue;
        }
      }
      lines.push_back(working.front());
      working.erase(working.begin());
    }
    merged.push_back(Line::SortRunTextLineArrayByBaseY(lines));
  }
  return merged;
}

void VQDocxPageSection::RemoveScriptIfNeed(const ColumGroupArray& groups) {
  for (const auto& group : groups)
    for (const auto& line : group)
      if (line && Line::IsScriptLine(*line)) line->removeScript();
}

size_t VQDocxPageSection::NumberOf(const LineArray& lines, int textAlign) {
  // The edge (or edges) each line is measured by.
  std::vector<std::array<double, 2>> values;
  values.reserve(lines.size());
  for (const auto& line : lines) {
    if (!line) continue;
    const Rect& f = line->lineFrame;
    switch (textAlign) {
      case 0:
        values.push_back({f.origin.x, 0});
        break;
      case 1:
        values.push_back({rightOf(f), 0});
        break;
      case 2:
        values.push_back({f.origin.x + f.size.width / 2, 0});
        break;
      default:
        values.push_back({f.origin.x, rightOf(f)});
        break;
    }
  }
  size_t best = 0;
  for (const auto& v : values) {
    size_t count = 0;
    for (const auto& w : values)
      if (std::fabs(w[0] - v[0]) < 3 && std::fabs(w[1] - v[1]) < 3) ++count;
    best = std::max(best, count);
  }
  return best;
}

int VQDocxPageSection::RecognizeTextAlignTrend(const LineArray& lines, const Rect& columnContentFrame,
                                               const Rect& columnFrame) {
  if (lines.size() < 2) return 0;
  const LineArray rest(lines.begin() + 1, lines.end());
  const auto n = static_cast<float>(rest.size());
  const float l = static_cast<float>(NumberOf(rest, 0)) / n;
  const float r = static_cast<float>(NumberOf(rest, 1)) / n;
  const float c = static_cast<float>(NumberOf(rest, 2)) / n;
  const float j = static_cast<float>(NumberOf(rest, 3)) / n;
  if (rest.size() > 2) {
    if (l >= r) {
      if (c > l) return 2;
      return j >= 0.5f ? 3 : 0;
    }
    if (c > r) return 2;
    return l > c ? 3 : 1;
  }
  const double midE = columnContentFrame.origin.x + columnContentFrame.size.width / 2;
  const double midC = columnFrame.origin.x + columnFrame.size.width / 2;
  if (std::fabs(midE - midC) < 3) return l <= c ? 2 : 0;
  return 0;
}

int VQDocxPageSection::RecognizeTextAlign(const std::shared_ptr<VQDocxRunTextLine>& line,
                                          const std::shared_ptr<VQDocxRunTextLine>& runTextLineLast, int textAlignLast,
                                          int textAlignTrend, const Rect& columnContentFrame, const Rect& columnFrame) {
  (void)textAlignLast;  // always 0 from the builder
  const int T = textAlignTrend;
  if (!line) return T;
  const Rect& L = line->lineFrame;
  if (!(L.size.width > 2)) return T;
  if (runTextLineLast && std::fabs(L.origin.x - runTextLineLast->lineFrame.origin.x) < 1) return 0;

  // A line as wide as its column shows no alignment of its own.
  const double uncovered = VQConverterUtilities::WidthOfNoneIntersectRect(columnFrame, L);
  if (std::max(L.size.height, 10.0) > uncovered) return T;

  const Rect& R = columnContentFrame;
  const double mid = columnFrame.origin.x + columnFrame.size.width / 2;
  if (mid > rightOf(R)) return 0;
  if (R.origin.x > mid) return 1;

  const double dl = std::fabs(L.origin.x - R.origin.x);
  const double dr = std::fabs(rightOf(L) - rightOf(R));
  const double dc = std::fabs((L.origin.x + L.size.width / 2) - (R.origin.x + R.size.width / 2));

  switch (T) {
    case 0:
    case 3:
      for (int k = 0; k < kAlignThresholdCount; ++k) {
        const double t = AlignThreshold(k);
        if (dl < t) return dr < t ? 3 : 0;
        if (dr < t) return 1;
        if (dc < 3) return 2;
      }
      return T;
    case 1:
      for (int k = 0; k < kAlignThresholdCount; ++k) {
        const double t = AlignThreshold(k);
        if (dr < t) return dl < t ? 3 : 1;
        if (dl < t) return 0;
        if (dc < 3) return 2;
      }
      return 1;
    case 2: {
      if (dc < 3) return dl < 3 && dr < 3 ? 3 : 2;
      // The first threshold each distance falls under.
      int underLeft = kAlignThresholdCount;
      int underRight = kAlignThresholdCount;
      for (int k = kAlignThresholdCount - 1; k >= 0; --k) {
        if (dl < AlignThreshold(k)) underLeft = k;
        if (dr < AlignThreshold(k)) underRight = k;
      }
      if (underRight < underLeft) return 1;
      if (underLeft < kAlignThresholdCount) return dr < AlignThreshold(kAlignThresholdCount - 1) ? 3 : 0;
      return 2;
    }
    default:
      return T;
  }
}

double VQDocxPageSection::Ind_MinLeftOfParagraphs(const ParagraphArray& paragraphs) {
  bool found = false;
  double least = 0;
  for (const auto& paragraph : paragraphs) {
    if (!paragraph) continue;
    const double left = paragraph->pProperty.ind.left;
    if (!found || left < least) least = left;
    found = true;
  }
  return least;
}

double VQDocxPageSection::Ind_SubMinLeftOfParagraphs(const ParagraphArray& paragraphs) {
  if (paragraphs.empty()) return 0;
  if (paragraphs.size() == 1) return paragraphs.front() ? paragraphs.front()->pProperty.ind.left : 0;
  double least = 9999.9;
  for (size_t k = 1; k < paragraphs.size(); ++k)
    if (paragraphs[k]) least = std::min(least, static_cast<double>(paragraphs[k]->pProperty.ind.left));
  return least;
}

}  // namespace vq
