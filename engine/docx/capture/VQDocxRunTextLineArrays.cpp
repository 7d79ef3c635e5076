// The class operations of the text line that work on arrays of lines and of
// text runs: picks, sorts, bands of lines, text-order chains, scripts and drop
// capitals.
#include <algorithm>
#include <cmath>

#include "docx/capture/VQDocxRunTextLine.h"
#include "platform/text/Utf8.h"

namespace vq {

namespace {

using Line = VQDocxRunTextLine;
using LinePtr = std::shared_ptr<VQDocxRunTextLine>;

// The first member with the smallest key; nullptr for none.
template <class T, class Key>
std::shared_ptr<T> pickMin(const std::vector<std::shared_ptr<T>>& items, Key key) {
  std::shared_ptr<T> found;
  for (const auto& item : items)
    if (!found || key(*item) < key(*found)) found = item;
  return found;
}

template <class T, class Key>
std::shared_ptr<T> pickMax(const std::vector<std::shared_ptr<T>>& items, Key key) {
  std::shared_ptr<T> found;
  for (const auto& item : items)
    if (!found || key(*item) > key(*found)) found = item;
  return found;
}

// Repeated picks: stable, and safe with keys that are no number.
template <class T, class Pick>
std::vector<std::shared_ptr<T>> sortByPicks(std::vector<std::shared_ptr<T>> items, Pick pick) {
  std::vector<std::shared_ptr<T>> sorted;
  sorted.reserve(items.size());
  while (!items.empty()) {
    auto item = pick(items);
    items.erase(std::find(items.begin(), items.end(), item));
    sorted.push_back(std::move(item));
  }
  return sorted;
}

template <class T>
bool contains(const std::vector<std::shared_ptr<T>>& items, const std::shared_ptr<T>& item) {
  return std::find(items.begin(), items.end(), item) != items.end();
}

double top(const Line& line) { return line.lineFrame.origin.y; }
double height(const Line& line) { return line.lineFrame.size.height; }
double bottom(const Line& line) { return line.lineFrame.origin.y + line.lineFrame.size.height; }

Line::RunArray runsOf(const Line::Array& lines) {
  Line::RunArray runs;
  for (const auto& line : lines) runs.insert(runs.end(), line->runTextArray().begin(), line->runTextArray().end());
  return runs;
}

// A frame stretched far to both sides, so that only its vertical extent counts.
Rect verticalExtent(const Rect& frame) {
  return RectMake(frame.origin.x - 1000, frame.origin.y, frame.size.width + 2000, frame.size.height);
}

Rect horizontalExtent(const Rect& frame) {
  return RectMake(frame.origin.x, frame.origin.y - 1000, frame.size.width, frame.size.height + 2000);
}

}  // namespace

LinePtr Line::FindMinWidthtRunTextLine(const Array& lines) {
  return pickMin(lines, [](const Line& l) { return l.lineFrame.size.width; });
}

LinePtr Line::FindMaxHeightRunTextLine(const Array& lines) { return pickMax(lines, height); }

LinePtr Line::FindBottomRunTextLine(const Array& lines) { return pickMax(lines, bottom); }

LinePtr Line::FindTopYRunTextLine(const Array& lines) { return pickMin(lines, top); }

LinePtr Line::FindBaseYRunTextLine(const Array& lines) {
  return pickMin(lines, [](const Line& l) { return l.yBaseLine; });
}

LinePtr Line::FindMinIndexRunTextLine(const Array& lines) {
  return pickMin(lines, [](const Line& l) { return l.minPDFScanIndex; });
}

std::shared_ptr<VQDocxRunText> Line::FindMinIndexRunText(const RunArray& runs) {
  return pickMin(runs, [](const VQDocxRunText& r) { return r.pdfScanIndex(); });
}

Line::Array Line::SortRunTextLineArrayByBaseY(const Array& lines) { return sortByPicks(lines, FindBaseYRunTextLine); }

Line::Array Line::SortRunTextLineArrayByTopY(const Array& lines) { return sortByPicks(lines, FindTopYRunTextLine); }

Line::Array Line::SortRunTextLineArrayByIndex(const Array& lines) {
  return sortByPicks(lines, FindMinIndexRunTextLine);
}

Line::RunArray Line::SortRunTextArrayByIndex(const RunArray& runs) { return sortByPicks(runs, FindMinIndexRunText); }

Rect Line::FrameOfLineArray(const Array& lines) {
  if (lines.empty()) return RectZero;
  Rect frame = lines.front()->lineFrame;
  for (size_t k = 1; k < lines.size(); ++k) frame = RectUnion(frame, lines[k]->lineFrame);
  return frame;
}

Rect Line::GetRunTextLineUnionFrame(const Array& lines) { return FrameOfLineArray(lines); }

Line::RunArray Line::FindBankSpaceRunTextArray(const RunArray& runs) {
  RunArray blanks;
  for (const auto& run : runs)
    if (run->isBankSpaceRunText()) blanks.push_back(run);
  return blanks;
}

bool Line::IsBankSpaceRunTextArray(const RunArray& runs) {
  return std::all_of(runs.begin(), runs.end(), [](const auto& run) { return run->isBankSpaceRunText(); });
}

Line::RunArray Line::FindDuplicateRunTexts(const RunArray& runs) {
  RunArray same;
  if (runs.empty()) return same;
  same.push_back(runs.front());
  for (size_t k = 1; k < runs.size(); ++k)
    if (runs.front()->isDuplicateRunText(*runs[k])) same.push_back(runs[k]);
  return same;
}

LinePtr Line::MergeRunTextLineArray(const Array& lines) {
  if (lines.empty()) return nullptr;
  if (lines.size() == 1) return lines.front();
  return std::make_shared<Line>(runsOf(lines));
}

bool Line::IsAllScriptRunTextArray(const RunArray& runs) {
  if (runs.empty() || runs.front()->rProperty.scrpit == 0) return false;
  const int script = runs.front()->rProperty.scrpit;
  return std::all_of(runs.begin(), runs.end(), [&](const auto& run) { return run->rProperty.scrpit == script; });
}

bool Line::IsScriptLine(const VQDocxRunTextLine& line) { return IsAllScriptRunTextArray(line.runTextArray()); }

bool Line::IsRunTextArrayPDFTextIndexContinuous(RunArray& runs) {
  if (runs.empty()) return false;
  runs = sortByPicks(std::move(runs), FindNewScanRunText);
  for (size_t k = 1; k < runs.size(); ++k)
    if (runs[k - 1]->textScanIndex + runs[k - 1]->textScanLength != runs[k]->textScanIndex) return false;
  return true;
}

bool Line::IsRunLineArrayPDFTextIndexContinuous(const Array& lines) {
  if (lines.empty()) return false;
  RunArray runs = runsOf(lines);
  return IsRunTextArrayPDFTextIndexContinuous(runs);
}

Line::Array Line::FindIntersectRunTextLineArrayY(const Array& lines) {
  if (lines.size() < 2) return lines;
  const Array sorted = SortRunTextLineArrayByTopY(lines);
  Array band{sorted.front()};
  LinePtr reference = sorted.front();
  for (size_t k = 1; k < sorted.size(); ++k) {
    const LinePtr& next = sorted[k];
    // The smaller line belongs to the band when its middle lies inside the
    // taller one; the tallest line so far is what later lines must meet.
    const bool nextIsTaller = height(*next) >= height(*reference);
    const Line& frame = nextIsTaller ? *next : *reference;
    const Line& middle = nextIsTaller ? *reference : *next;
    if (nextIsTaller) reference = next;
    const double mid = top(middle) + height(middle) / 2;
    if (!(mid > top(frame) && mid < bottom(frame))) break;
    band.push_back(next);
  }
  return SortRunTextLineArrayByBaseY(band);
}

Line::Array Line::SplitRunTextLineForContinuous(const VQDocxRunTextLine& line) {
  const RunArray& runs = line.runTextArray();
  if (runs.empty()) return {};
  if (runs.size() == 1) return {std::make_shared<Line>(runs)};

  Array lines;
  RunArray remaining = SortRunTextArrayByIndex(runs);
  while (!remaining.empty()) {
    // Every run ends in some chain: a chain starts with the first run left.
    RunArray chain{remaining.front()};
    for (size_t k = 1; k < remaining.size(); ++k) {
      chain.push_back(remaining[k]);
      if (!IsRunTextArrayPDFTextIndexContinuous(chain))
        chain.erase(std::find(chain.begin(), chain.end(), remaining[k]));
    }
    std::erase_if(remaining, [&](const auto& run) { return contains(chain, run); });
    lines.push_back(std::make_shared<Line>(std::move(chain)));
  }
  return SortRunTextLineArrayByBaseY(lines);
}

Line::Array Line::SplitRunTextLineArrayContinuous(const Array& lines) {
  if (lines.size() < 2) return lines;
  Array split;
  for (const auto& line : lines) {
    Array parts = SplitRunTextLineForContinuous(*line);
    split.insert(split.end(), parts.begin(), parts.end());
  }
  return SortRunTextLineArrayByBaseY(split);
}

Line::Array Line::FindRunTextLineArrayIndexContinuous(const Array& lines) {
  if (lines.size() < 2) return lines;
  const Array sorted = SortRunTextLineArrayByIndex(lines);
  Array chain{sorted.front()};
  for (size_t k = 1; k < sorted.size(); ++k) {
    Array longer = chain;
    longer.push_back(sorted[k]);
    if (IsRunLineArrayPDFTextIndexContinuous(longer)) chain = std::move(longer);
  }
  return chain;
}

Line::Array Line::FindRunTextLineArrayAs1Line(const Array& lines) {
  if (lines.size() < 2) return lines;
  Array sorted = SortRunTextLineArrayByBaseY(lines);
  const LinePtr tallest = FindMaxHeightRunTextLine(sorted);
  sorted.erase(std::find(sorted.begin(), sorted.end(), tallest));
  Array result{tallest};
  Rect united = tallest->lineFrame;
  for (const auto& line : sorted) {
    const Rect grown = RectUnion(united, line->lineFrame);
    const double growth = std::fabs(RectGetHeight(grown) - RectGetHeight(united));
    if (!(growth < std::max(height(*line) * 0.5, 5.0))) continue;
    Array candidate = result;
    candidate.push_back(line);
    if (IsRunLineArrayMergeWidthEnough(candidate) && IsRunLineArrayMergeHeightEnough(candidate)) {
      result = std::move(candidate);
      united = grown;
    }
  }
  return result;
}

bool Line::IsRunLineArrayMergeWidthEnough(const Array& lines) {
  if (lines.empty()) return false;
  Rect span = horizontalExtent(lines.front()->lineFrame);
  double ratio = 1;
  double textWidth = 0;
  for (const auto& line : lines) {
    span = RectUnion(span, horizontalExtent(line->lineFrame));
    const double width = line->allRunTextWidth();
    // A line without measured text (blanks only) says nothing about how
    // tightly its text is set.
    if (width > 0) ratio = std::min(ratio, line->lineFrame.size.width / width);
    textWidth += width;
  }
  return RectGetWidth(span) > (std::max(ratio, 0.5) - static_cast<double>(0.1f)) * textWidth;
}

bool Line::IsRunLineArrayMergeHeightEnough(const Array& lines) {
  if (lines.empty()) return false;
  const LinePtr tallest = FindMaxHeightRunTextLine(lines);
  Rect united = verticalExtent(tallest->lineFrame);
  Rect shared = united;
  double smallest = height(*tallest);
  double total = 0;
  for (const auto& line : lines) {
    const Rect extent = verticalExtent(line->lineFrame);
    united = RectUnion(united, extent);
    shared = RectIntersection(shared, extent);
    smallest = std::min(smallest, height(*line));
    total += height(*line);
  }
  // Disjoint lines share nothing: the null rectangle has no height.
  const double sharedHeight = RectIsNull(shared) ? 0 : RectGetHeight(shared);
  return RectGetHeight(united) < total - 5 || sharedHeight > smallest * 0.5;
}

bool Line::IsScriptRunTextLineArray(const Array& lines) {
  if (lines.size() < 2) return false;
  const LinePtr tallest = FindMaxHeightRunTextLine(lines);
  if (tallest == FindMinWidthtRunTextLine(lines)) return false;
  const double tolerance = std::max(height(*tallest) * 0.1, 1.0);
  bool shifted = false;
  for (const auto& line : lines) {
    if (line == tallest) continue;
    const Rect shared = RectIntersection(tallest->lineFrame, line->lineFrame);
    const double sharedHeight = RectIsNull(shared) ? 0 : RectGetHeight(shared);
    if (!(sharedHeight > height(*line) * 0.5)) return false;
    if (std::fabs(line->yBaseLine - tallest->yBaseLine) > tolerance) shifted = true;
  }
  // Runs painted over each other are overprinting, not scripts.
  if (HaveXOverlapRunTextArray(runsOf(lines))) return false;
  return shifted;
}

bool Line::HaveXOverlapRunTextArray(const RunArray& runs) {
  if (runs.size() < 2) return false;
  const RunArray ordered = sortByPicks(runs, FindXLeftRunText);
  double smallestGap = 0;
  double fontWidth = ordered.front()->ctmInfo.fontSize.width;
  for (size_t k = 1; k < ordered.size(); ++k) {
    const double gap = ordered[k]->ctmInfo.xLeft - ordered[k - 1]->ctmInfo.xRight;
    if (gap < smallestGap) {
      smallestGap = gap;
      fontWidth = std::min(ordered[k - 1]->ctmInfo.fontSize.width, ordered[k]->ctmInfo.fontSize.width);
    }
  }
  return smallestGap < -fontWidth;
}

void Line::SetupScriptRunTextLineArray(const Array& lines) {
  if (lines.size() < 2) return;
  const LinePtr tallest = FindMaxHeightRunTextLine(lines);
  // The tallest line's first run gives the size; a line without runs has none.
  if (tallest->runTextArray().empty()) return;
  const float fullSize = tallest->runTextArray().front()->rProperty.sz;
  const double tallHeight = height(*tallest);
  for (const auto& line : lines) {
    if (line == tallest) continue;
    const double h = height(*line);
    if (!(h < tallHeight - 2 && std::fabs(line->yBaseLine - tallest->yBaseLine) > 0.99)) continue;
    // Much smaller text keeps its own size; text nearly as tall is set at
    // the full size and only raised or lowered.
    float size = fullSize;
    if (h < tallHeight / static_cast<double>(1.9f))
      size = std::ceil(fullSize * static_cast<float>(h) / static_cast<float>(tallHeight));
    const int script = line->yBaseLine > tallest->yBaseLine ? 2 : 1;
    for (const auto& run : line->runTextArray()) {
      // A line without height gives no size: its text keeps the size it
      // has rather than shrinking out of sight.
      if (size >= 1) {
        run->rProperty.sz = size;
        run->rProperty.szCs = size;
      }
      run->rProperty.scrpit = script;
      run->ctmInfo.yBase = tallest->yBaseLine;
    }
  }
}

Line::RunArray Line::FindFirstBigFontRunTextLine(const Array& lines) {
  const RunArray runs = runsOf(lines);
  if (runs.size() < 2) return {};
  auto big = runs.front();
  for (const auto& run : runs)
    if (run->rProperty.sz > big->rProperty.sz + 1) big = run;
  if (text::utf8CharacterCount(big->runText()) != 1) return {};
  for (const auto& run : runs)
    if (run != big && run->rProperty.sz + 5 > big->rProperty.sz) return {};
  return {big};
}

bool Line::IsRunTextLineSameDistanceY(const Array& lines) {
  if (lines.empty()) return false;
  if (lines.size() <= 2) return true;
  const double distance = top(*lines[1]) - top(*lines[0]);
  for (size_t k = 2; k < lines.size(); ++k)
    if (!(std::fabs(top(*lines[k]) - top(*lines[k - 1]) - distance) <= 1.5)) return false;
  return true;
}

Line::Array Line::FindOverlapRunTextLineY(const Array& lines) {
  if (lines.size() < 2) return {};
  Array chain{lines.front()};
  double lastBottom = bottom(*lines.front());
  for (size_t k = 1; k < lines.size(); ++k) {
    if (!(top(*lines[k]) - lastBottom < -1)) break;
    chain.push_back(lines[k]);
    lastBottom = bottom(*lines[k]);
  }
  return chain.size() >= 2 ? chain : Array{};
}

}  // namespace vq
