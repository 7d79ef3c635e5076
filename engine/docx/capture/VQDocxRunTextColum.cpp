#include "docx/capture/VQDocxRunTextColum.h"
#include "docx/capture/VQDocxMeasures.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "common/VQTextColumns.h"
#include "pdf/VQPDFTransform.h"

namespace vq {

namespace {

using docxmeasure::bottomOf;
using docxmeasure::isFiniteRect;
using docxmeasure::middleX;
using docxmeasure::rightOf;

using Band = VQDocxRunTextColum;
using Line = VQDocxRunTextLine;

// The column a horizontal position falls into, given the cuts between the
// columns from the left. A position on a cut belongs to the column on its
// right; a position that is no number goes to the first column, so that
// nothing is lost.
size_t columnOf(double x, const std::vector<double>& cuts) {
  size_t column = 0;
  for (double cut : cuts)
    if (x >= cut) ++column;
  return column;
}

// The cuts between the columns that n rivers make: the middles of the inner
// rivers.
std::vector<double> innerRiverMiddles(const std::vector<Rect>& rivers) {
  std::vector<double> cuts;
  for (size_t k = 1; k + 1 < rivers.size(); ++k) cuts.push_back(middleX(rivers[k]));
  return cuts;
}

Line::RunArray runsOf(const Band::LineArray& lines) {
  Line::RunArray runs;
  for (const auto& line : lines) runs.insert(runs.end(), line->runTextArray().begin(), line->runTextArray().end());
  return runs;
}

// The smaller of the two touching line heights, as a single-precision
// number, and the largest gap two stacked bands may have.
double stackLimit(const Band& upper, const Band& lower) {
  const float h = std::min(static_cast<float>(upper.lineArray().back()->lineFrame.size.height),
                           static_cast<float>(lower.lineArray().front()->lineFrame.size.height));
  return std::max(2.0 * static_cast<double>(h), 5.0);
}

double gapBetween(const Band& upper, const Band& lower) {
  return lower.columGroupFrame.origin.y - bottomOf(upper.columGroupFrame);
}

// The type size most of the lines' text is set in, measured by the width it
// covers (a heading or a footnote mark among running text does not set it);
// 0 when no run tells.
double bodyTypeSize(const Band::LineArray& lines) {
  std::map<double, double> widthBySize;  // sizes to the half point
  for (const auto& line : lines)
    for (const auto& run : line->runTextArray()) {
      const double size = std::round(2 * std::fabs(run->ctmInfo.fontSize.width)) / 2;
      const double width = run->ctmInfo.frame.size.width;
      if (std::isfinite(size) && size > 0 && std::isfinite(width) && width > 0) widthBySize[size] += width;
    }
  double body = 0, most = 0;
  for (const auto& [size, width] : widthBySize)
    if (width > most) body = size, most = width;
  return body;
}

// White narrower than a column gap of the type parts no columns: word gaps
// that line up by chance. A river of no white at all stays: there text set
// elsewhere in the page runs into the line (a margin note against its
// column), which words of one line never do. The outer rivers, left and
// right of all text, stay too.
void dropRiversNarrowerThanAColumnGap(std::vector<Rect>& rivers, double typeSize) {
  if (!(typeSize > 0) || rivers.size() < 3) return;
  const double least = kLeastColumnGapEm * typeSize;
  // A sliver as wide as the touching runs' gap, give or take the rounding
  // of the intersections that narrowed it.
  const double touching = VQDocxRunTextLineSpace::kTouchingWidth + 1e-9;
  rivers.erase(
      std::remove_if(rivers.begin() + 1, rivers.end() - 1,
                     [&](const Rect& river) { return river.size.width > touching && river.size.width < least; }),
      rivers.end() - 1);
}

}  // namespace

std::shared_ptr<Band> Band::CreateRunTextColum(const LineArray& lines, bool columnMode) {
  auto band = std::make_shared<Band>();
  band->isColumnMode = columnMode;
  band->setLineArray(lines);
  return band;
}

void Band::_updateColumInfo(const LineArray& lines) {
  if (lines.empty()) return;
  bool haveFrame = false;
  for (const auto& line : lines) {
    // A frame that is no number would spread into every measure of the page.
    if (!isFiniteRect(line->lineFrame)) continue;
    columGroupFrame = haveFrame ? RectUnion(columGroupFrame, line->lineFrame) : line->lineFrame;
    haveFrame = true;
  }
  minPDFScanIndex = lines.front()->minPDFScanIndex;
  maxPDFScanIndex = lines.front()->maxPDFScanIndex;
  for (const auto& line : lines) {
    minPDFScanIndex = std::min(minPDFScanIndex, line->minPDFScanIndex);
    maxPDFScanIndex = std::max(maxPDFScanIndex, line->maxPDFScanIndex);
  }
}

void Band::setLineArray(LineArray lines) {
  lineArray_ = std::move(lines);
  if (lineArray_.empty()) return;
  _updateColumInfo(lineArray_);
  spaceColumArray.clear();
  if (!isColumnMode) return;

  const double top = columGroupFrame.origin.y;
  const double height = columGroupFrame.size.height;
  for (const auto& gap : lineArray_.front()->spaceRowArray) {
    const Rect& r = gap.spaceRect;
    if (isFiniteRect(r) && r.size.width > 0) spaceColumArray.push_back(RectMake(r.origin.x, top, r.size.width, height));
  }
  // A river is what stays white in every line: each further line narrows,
  // splits or closes the rivers found so far.
  for (size_t k = 1; k < lineArray_.size(); ++k) {
    std::vector<Rect> narrowed;
    for (const auto& river : spaceColumArray) {
      for (const auto& gap : lineArray_[k]->spaceRowArray) {
        if (!isFiniteRect(gap.spaceRect) || !RectIntersectsRect(river, gap.spaceRect)) continue;
        const Rect common = RectIntersection(river, gap.spaceRect);
        if (!RectIsNull(common) && common.size.width > 0)
          narrowed.push_back(RectMake(common.origin.x, top, common.size.width, height));
      }
    }
    spaceColumArray = std::move(narrowed);
  }
  dropRiversNarrowerThanAColumnGap(spaceColumArray, bodyTypeSize(lineArray_));
}

void Band::createColumGroup() {
  // A band without lines has no columns, not one empty column.
  if (!columGroupArray.empty() || lineArray_.empty()) return;
  if (spaceColumArray.size() <= 2) {
    columGroupArray.push_back(lineArray_);
    return;
  }
  // Each run goes to the column that holds its middle, so a run that crosses
  // a cut still lands in one column and no text is lost.
  const std::vector<double> cuts = innerRiverMiddles(spaceColumArray);
  columGroupArray.assign(spaceColumArray.size() - 1, {});
  for (const auto& line : lineArray_) {
    const auto& runs = line->runTextArray();
    if (runs.empty()) {
      columGroupArray[columnOf(middleX(line->lineFrame), cuts)].push_back(line);
      continue;
    }
    std::vector<Line::RunArray> parts(columGroupArray.size());
    for (const auto& run : runs) parts[columnOf(middleX(run->displayRect()), cuts)].push_back(run);
    for (size_t c = 0; c < parts.size(); ++c) {
      if (parts[c].empty()) continue;
      if (parts[c].size() == runs.size()) columGroupArray[c].push_back(line);
      else columGroupArray[c].push_back(std::make_shared<Line>(parts[c]));
    }
  }
}

void Band::removeSpaces(const std::vector<Rect>& marked) {
  if (marked.empty()) return;
  std::erase_if(spaceColumArray, [&](const Rect& river) {
    return std::any_of(marked.begin(), marked.end(), [&](const Rect& m) { return RectEqualToRect(m, river); });
  });
  updateColumGroupArrayWhileSpaceUpdated();
}

void Band::optimizeColumnSpaces() {
  const size_t riverCount = spaceColumArray.size();
  if (lineArray_.size() < 2) {
    spaceColumArray.clear();
    updateColumGroupArrayWhileSpaceUpdated();
  }

  // Two columns that never share a height are one column read in turn.
  if (columGroupArray.size() > 1) {
    std::vector<Rect> marked;
    for (size_t k = 0; k + 1 < columGroupArray.size(); ++k)
      if (!ColumYIntersectLineArrayA(columGroupArray[k], columGroupArray[k + 1]) && k + 1 < spaceColumArray.size())
        marked.push_back(spaceColumArray[k + 1]);
    removeSpaces(marked);
  }

  // A lone line beside exactly one line of its neighbour is one wide line.
  if (columGroupArray.size() > 1) {
    std::vector<Rect> marked;
    for (size_t k = 0; k + 1 < columGroupArray.size(); ++k)
      if (IsSingleColumLineArrayA(columGroupArray[k], columGroupArray[k + 1]) && k + 1 < spaceColumArray.size())
        marked.push_back(spaceColumArray[k + 1]);
    removeSpaces(marked);
  }

  {
    std::vector<Rect> marked;
    const GroupArray narrow = findSmallWidthColumns();
    for (const auto& group : narrow) {
      const auto at = std::find(columGroupArray.begin(), columGroupArray.end(), group);
      const auto c = static_cast<size_t>(at - columGroupArray.begin());
      if (at != columGroupArray.end() && c < spaceColumArray.size()) marked.push_back(spaceColumArray[c]);
    }
    removeSpaces(marked);
  }

  // A column too narrow for running text (a list's numbers, a word or two of
  // labels, short lines cut at word gaps that line up) joins a neighbour: it
  // gives up the narrower of its rivers, the first and the last column the
  // only inner one they have, until every column is wide enough. Only the
  // whole band tells: a band of one line may hold the short end of a column.
  const double leastWidth = kLeastColumnWidthEm * bodyTypeSize(lineArray_);
  while (spaceColumArray.size() >= 3 && columGroupArray.size() + 1 == spaceColumArray.size()) {
    size_t narrowest = 0;
    double narrowestWidth = 0;
    for (size_t c = 0; c < columGroupArray.size(); ++c) {
      const double width = Line::GetRunTextLineUnionFrame(columGroupArray[c]).size.width;
      if (c == 0 || width < narrowestWidth) narrowest = c, narrowestWidth = width;
    }
    if (!(narrowestWidth < leastWidth)) break;
    // Column c lies between rivers c and c + 1.
    size_t gone = narrowest + 1;
    if (narrowest + 2 == spaceColumArray.size() ||
        (narrowest > 0 && spaceColumArray[narrowest].size.width < spaceColumArray[narrowest + 1].size.width))
      gone = narrowest;
    removeSpaces({spaceColumArray[gone]});
  }

  // The first river reaches the page's edge: everything left of the text is margin.
  if (!spaceColumArray.empty() && spaceColumArray.front().origin.x > 0) {
    Rect& first = spaceColumArray.front();
    first.size.width += first.origin.x;
    first.origin.x = 0;
  }

  if (spaceColumArray.size() != riverCount) columGroupArray.clear();
}

void Band::updateColumGroupArrayWhileSpaceUpdated() {
  const GroupArray old = std::move(columGroupArray);
  columGroupArray.clear();
  if (spaceColumArray.size() < 2) {
    LineArray all;
    for (const auto& group : old) all.insert(all.end(), group.begin(), group.end());
    columGroupArray.push_back(std::move(all));
    return;
  }
  // Each old group moves whole to the stretch between two rivers that holds
  // its middle: a group that reaches into a river is kept rather than lost.
  const std::vector<double> cuts = innerRiverMiddles(spaceColumArray);
  columGroupArray.assign(spaceColumArray.size() - 1, {});
  for (const auto& group : old) {
    if (group.empty()) continue;
    auto& into = columGroupArray[columnOf(middleX(Line::GetRunTextLineUnionFrame(group)), cuts)];
    into.insert(into.end(), group.begin(), group.end());
  }
}

void Band::optimizeColumnGroups() {
  const GroupArray blank = findBankSpaceColumns();
  std::erase_if(columGroupArray,
                [&](const LineArray& group) { return std::find(blank.begin(), blank.end(), group) != blank.end(); });
}

Band::GroupArray Band::findSmallWidthColumns() const {
  GroupArray found;
  if (columGroupArray.size() < 3) return found;
  for (size_t k = 1; k + 1 < columGroupArray.size(); ++k)
    if (Line::GetRunTextLineUnionFrame(columGroupArray[k]).size.width < kMinInnerColumnWidth)
      found.push_back(columGroupArray[k]);
  return found;
}

Band::GroupArray Band::findBankSpaceColumns() const {
  GroupArray found;
  if (columGroupArray.size() < 2) return found;
  for (const auto& group : columGroupArray)
    if (std::all_of(group.begin(), group.end(),
                    [](const auto& line) { return Line::IsBankSpaceRunTextArray(line->runTextArray()); }))
      found.push_back(group);
  return found;
}

double Band::bottomNeedSpace() const {
  LineArray all;
  for (const auto& group : columGroupArray) all.insert(all.end(), group.begin(), group.end());
  if (all.empty()) return 0;

  double need = 0;
  if (all.size() == 1) {
    const Line& line = *all.front();
    if (line.lineFrame.size.height < line.wordSingleLineHeight)
      need = line.wordSingleLineHeight - line.lineFrame.size.height;
  } else {
    const auto lowest = Line::FindBottomRunTextLine(all);
    std::shared_ptr<Line> above;
    for (const auto& group : columGroupArray) {
      const auto at = std::find(group.begin(), group.end(), lowest);
      if (at != group.end() && at != group.begin()) above = *(at - 1);
    }
    if (!above) return 0;
    const Rect& b = lowest->lineFrame;
    const Rect& p = above->lineFrame;
    if (std::fabs(b.size.height - p.size.height) < 2) need = std::max(b.origin.y - bottomOf(p), 0.0);
  }
  // The room becomes paragraph spacing: a frame that is no number asks for none.
  return std::isfinite(need) ? need : 0;
}

bool Band::isPDFScanIndexContinuousRunTextInEveryColum() {
  if (columGroupArray.empty()) createColumGroup();
  // Two runs follow each other when no scan position lies between them, or
  // no text does: the paths and pictures a page paints between its text (a
  // column rule, say) hold scan positions of their own and must not make a
  // column read as broken.
  for (const auto& group : columGroupArray) {
    Line::RunArray runs = runsOf(group);
    VQDocxRun::SortByScanIndex(runs);
    for (size_t k = 0; k + 1 < runs.size(); ++k) {
      const auto& a = *runs[k];
      const auto& b = *runs[k + 1];
      if (a.pdfScanIndex() + a.pdfScanLength != b.pdfScanIndex() &&
          a.textScanIndex + a.textScanLength != b.textScanIndex)
        return false;
    }
  }
  return true;
}

std::string Band::description() const {
  std::string rects;
  for (const auto& river : spaceColumArray) {
    if (!rects.empty()) rects += ", ";
    rects += fmt::format("({:f}-{:f})", river.origin.x, river.size.width);
  }
  const std::string first = lineArray_.empty() ? "(null)" : lineArray_.front()->lineText;
  const std::string last = lineArray_.empty() ? "(null)" : lineArray_.back()->lineText;
  return fmt::format(
      "<VQDocxRunTextColum: {}:[columGroupFrame:{}][spaceColumArray.count:{}][lineArray.count:{}][lineText0:{}]"
      "[lineTextN:{}][pdfScanIndex:{}~{}][spaceRects:{}]>",
      fmt::ptr(this), NSStringFromCGRect_VQLib(columGroupFrame), spaceColumArray.size(), lineArray_.size(), first, last,
      static_cast<int64_t>(minPDFScanIndex), static_cast<int64_t>(maxPDFScanIndex), rects);
}

bool Band::ColumYIntersectLineArrayA(const LineArray& a, const LineArray& b) {
  for (const auto& other : b) {
    const Rect strip = RectMake(0, other->lineFrame.origin.y, 5000, other->lineFrame.size.height);
    for (const auto& line : a)
      if (RectIntersectsRect(line->lineFrame, strip)) return true;
  }
  return false;
}

bool Band::IsSingleColumLineArrayA(const LineArray& a, const LineArray& b) {
  std::shared_ptr<Line> single;
  const LineArray* other = nullptr;
  if (a.size() == 1) {
    single = a.front();
    other = &b;
  } else if (b.size() == 1) {
    single = b.front();
    other = &a;
  } else {
    return false;
  }
  const Rect& s = single->lineFrame;
  const auto matches = std::count_if(other->begin(), other->end(), [&](const auto& line) {
    const Rect& l = line->lineFrame;
    return RectIntersectsRect(s, l) && std::fabs(s.origin.y - l.origin.y) < 2 &&
           std::fabs(s.size.height - l.size.height) < 2;
  });
  return matches == 1;
}

Band::Array Band::FindMergeRunTextColumArray(const Array& bands) {
  Array found;
  if (bands.empty()) return found;
  found.push_back(bands.front());
  std::shared_ptr<Band> joined = bands.front();
  for (size_t k = 1; k < bands.size(); ++k) {
    const auto& next = bands[k];
    if (joined->lineArray().empty() || next->lineArray().empty()) break;
    if (gapBetween(*joined, *next) > stackLimit(*joined, *next)) break;

    LineArray lines = joined->lineArray();
    lines.insert(lines.end(), next->lineArray().begin(), next->lineArray().end());
    auto merged = CreateRunTextColum(lines, joined->isColumnMode);
    // Joining must keep the columns: no river may appear or vanish, unless the
    // two bands' text is interleaved in the content stream and each column
    // of the joined band still reads as one stretch.
    const bool sameRivers =
        merged->spaceColumArray.size() == std::max(joined->spaceColumArray.size(), next->spaceColumArray.size());
    const bool interleaved =
        joined->minPDFScanIndex < next->maxPDFScanIndex && next->minPDFScanIndex < joined->maxPDFScanIndex;
    const bool accepted = sameRivers || (interleaved && merged->isPDFScanIndexContinuousRunTextInEveryColum());
    if (!accepted) break;
    found.push_back(next);
    joined = merged;
  }
  return found;
}

Band::Array Band::FindSingleRunTextColumArray(const Array& bands) {
  Array found;
  if (bands.empty()) return found;
  found.push_back(bands.front());
  if (bands.front()->lineArray().size() >= 2 || bands.size() == 1) return found;
  for (size_t k = 1; k < bands.size(); ++k) {
    const auto& last = found.back();
    const auto& next = bands[k];
    if (last->lineArray().empty() || next->lineArray().empty()) break;
    if (gapBetween(*last, *next) > stackLimit(*last, *next)) break;
    if (next->lineArray().size() > 1) break;
    found.push_back(next);
  }
  return found;
}

}  // namespace vq
