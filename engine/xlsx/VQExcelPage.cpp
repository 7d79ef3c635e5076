#include "xlsx/VQExcelPage.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <set>

#include "office/VQOpenXMLNameSpace.h"
#include "office/XMLFileWriter.h"
#include "platform/text/Utf8.h"
#include "xlsx/VQExcelManager.h"
#include "xlsx/VQExcelNumber.h"
#include "xlsx/VQExcelSharedStrings.h"
#include "xlsx/VQExcelSortUtilities.h"
#include "xlsx/VQExcelStyle.h"

namespace vq {

using S = VQExcelSortUtilities;

namespace {
// Glyphs of turned text whose left edges are this close stand in one column.
constexpr double kSameColumnEm = 0.3;
// The room a cell's margins take, in characters of the workbook's type.
constexpr double kCellMarginCharacters = 1.5;
// Base lines this close are one line.
constexpr double kSameLine = 1;
// Lines a column region of a band holds when the band is columns set side
// by side rather than a row of a table.
constexpr size_t kColumnLines = 2;
// How far apart two lines may start and still stand in one column: a third
// of an em of the smaller type, at least two points.
double SameStartTolerance(const VQExcelRunText& a, const VQExcelRunText& b) {
  return std::max(2.0, std::min(a.rPr.sz, b.rPr.sz) / 3);
}
}  // namespace

VQExcelPage::VQExcelPage(uint64_t pageNumber, const std::string& rootFolder, const VQExcelManager& manager,
                         VQExcelStyle& style, VQExcelSharedStrings& sharedStrings)
    : pageNumber_(pageNumber), manager_(manager), style_(style), sharedStrings_(sharedStrings) {
  sheetXMLPath_ = fmt::format("{}/xl/worksheets/sheet{}.xml", rootFolder, pageNumber);
}

void VQExcelPage::addToAllRunTextArray(const VQExcelRunPtr& run) {
  const double em = std::max(run->rPr.sz, 1.0);
  // The same glyph drawn again over itself (type made bold by printing it
  // twice, a little apart; a line drawn once stroked and once filled) is
  // text once.
  if (overprints_.repeats(run->text, run->xLeft(), run->yTop(), VQPDFOverprintFilter::ReachForType(run->rPr.sz)))
    return;
  if (!allRunTextArray.empty()) {
    VQExcelRunText& last = *allRunTextArray.back();
    // Joins the run to the last one when `gap`, along their line, leaves
    // them one word (a blank between when it is a word gap). A show that
    // starts well back over the last one is not its continuation.
    auto join = [&](double gap) {
      VQPDFGapKind kind = VQPDFClassifyGap(gap, S::GapFontBetween(last, *run));
      // A word gap the capture saw (a blank glyph, however narrow) parts
      // the words wherever the glyph after it starts.
      if (run->wordGapBefore && kind == VQPDFGapKind::Glued) kind = VQPDFGapKind::Word;
      if (!((kind == VQPDFGapKind::Glued && gap > -1) || kind == VQPDFGapKind::Word)) return false;
      const bool word = kind == VQPDFGapKind::Word;
      S::AppendPiece(last, *run, word);
      last.textWidth += run->textWidth + (word ? gap : 0);
      return true;
    };
    const float turn = run->ctmInfo.rotation;
    // Text running up (270) or down (90) the page: the next glyph lies above
    // or below the last one. (Punctuation of turned CJK text often comes
    // from another face: only size and colour must agree.)
    if ((turn == 90 || turn == 270) && turn == last.ctmInfo.rotation && run->rPr.isSameToRPr(last.rPr) &&
        std::fabs(run->xLeft() - last.xLeft()) < kSameColumnEm * em &&
        join(turn == 270 ? last.yTop() - run->yBottom() : run->yTop() - last.yBottom())) {
      last.ctmInfo.yTop = std::min(last.ctmInfo.yTop, run->yTop());
      last.ctmInfo.yBottom = std::max(last.ctmInfo.yBottom, run->yBottom());
      last.ctmInfo.yBase = last.ctmInfo.yBottom;
      last.ctmInfo.xRight = std::max(last.ctmInfo.xRight, run->xRight());
      return;
    }
    if (std::fabs(run->yBase() - last.yBase()) < 1 && run->rPr.isEqualToRPr(last.rPr) &&
        join(run->xLeft() - last.xRight())) {
      last.ctmInfo.xRight = run->xRight();
      return;
    }
  }
  allRunTextArray.push_back(run);
}

namespace {
// A segment this far from level (or upright) still counts as a rule; a bar
// this thin or thinner is a rule, not an area.
constexpr double kRuleSlant = 0.5;
constexpr double kThickestRule = 3;
// Rules this close meet.
constexpr double kRuleReach = 1.5;
}  // namespace

void VQExcelPage::collectRules(const Path& path, bool stroke, bool fill) {
  auto segment = [&](Point a, Point b) {
    if (std::fabs(a.y - b.y) <= kRuleSlant && std::fabs(a.x - b.x) > kThickestRule)
      rules.push_back({true, (a.y + b.y) / 2, std::min(a.x, b.x), std::max(a.x, b.x)});
    else if (std::fabs(a.x - b.x) <= kRuleSlant && std::fabs(a.y - b.y) > kThickestRule)
      rules.push_back({false, (a.x + b.x) / 2, std::min(a.y, b.y), std::max(a.y, b.y)});
  };
  Point start, current;
  bool curved = false;
  std::vector<Point> subpath;
  auto endSubpath = [&]() {
    // A filled bar: a rule along its middle.
    if (fill && !curved && subpath.size() >= 3) {
      double l = subpath[0].x, r = l, t = subpath[0].y, b = t;
      for (const auto& p : subpath)
        l = std::min(l, p.x), r = std::max(r, p.x), t = std::min(t, p.y), b = std::max(b, p.y);
      if (b - t <= kThickestRule && r - l > 2 * kThickestRule) rules.push_back({true, (t + b) / 2, l, r});
      if (r - l <= kThickestRule && b - t > 2 * kThickestRule) rules.push_back({false, (l + r) / 2, t, b});
    }
    subpath.clear();
    curved = false;
  };
  for (const auto& e : path) {
    switch (e.type) {
      case PathElementType::MoveToPoint:
        endSubpath();
        start = current = e.endPoint();
        subpath.push_back(current);
        break;
      case PathElementType::AddLineToPoint:
        if (stroke) segment(current, e.endPoint());
        current = e.endPoint();
        subpath.push_back(current);
        break;
      case PathElementType::CloseSubpath:
        if (stroke) segment(current, start);
        current = start;
        break;
      default:
        curved = true;
        current = e.endPoint();
        break;
    }
  }
  endSubpath();
}

namespace {
// The box of rules around `r`: the nearest rule on each side that reaches
// past the run's middle, where the four meet at the corners (each side runs
// the box's whole length). None when a side is open: rules between a page's
// columns and one under its footnotes close no cell.
std::optional<Rect> ruledBox(const VQExcelRunText& r, const std::vector<VQExcelRule>& rules) {
  const double midX = (r.xLeft() + r.xRight()) / 2, midY = (r.yTop() + r.yBottom()) / 2;
  const VQExcelRule *left = nullptr, *right = nullptr, *top = nullptr, *bottom = nullptr;
  for (const auto& rule : rules) {
    const double along = rule.across ? midX : midY;
    if (along < rule.from - kRuleReach || along > rule.to + kRuleReach) continue;
    if (rule.across) {
      if (rule.at <= midY && (!top || rule.at > top->at)) top = &rule;
      if (rule.at >= midY && (!bottom || rule.at < bottom->at)) bottom = &rule;
    } else {
      if (rule.at <= r.xLeft() + kRuleReach && (!left || rule.at > left->at)) left = &rule;
      if (rule.at >= r.xRight() - kRuleReach && (!right || rule.at < right->at)) right = &rule;
    }
  }
  if (!left || !right || !top || !bottom) return std::nullopt;
  auto spans = [](const VQExcelRule& rule, double from, double to) {
    return rule.from <= from + kRuleReach && rule.to >= to - kRuleReach;
  };
  if (!spans(*top, left->at, right->at) || !spans(*bottom, left->at, right->at) || !spans(*left, top->at, bottom->at) ||
      !spans(*right, top->at, bottom->at))
    return std::nullopt;
  return Rect{{left->at, top->at}, {right->at - left->at, bottom->at - top->at}};
}

bool sameBox(const Rect& a, const Rect& b) {
  return std::fabs(a.origin.x - b.origin.x) <= kRuleReach && std::fabs(a.origin.y - b.origin.y) <= kRuleReach &&
         std::fabs(RectGetMaxX(a) - RectGetMaxX(b)) <= kRuleReach &&
         std::fabs(RectGetMaxY(a) - RectGetMaxY(b)) <= kRuleReach;
}
}  // namespace

void VQExcelPage::joinRuledCells() {
  if (rules.empty()) return;
  // Runs by the ruled box they stand in; runs of no box stay as they are.
  std::vector<std::pair<Rect, VQExcelRuns>> boxes;
  VQExcelRuns kept;
  for (const auto& r : allRunTextArray) {
    const auto box = r->ctmInfo.rotation == 0 ? ruledBox(*r, rules) : std::nullopt;
    if (!box) {
      kept.push_back(r);
      continue;
    }
    auto it = std::find_if(boxes.begin(), boxes.end(), [&](const auto& b) { return sameBox(b.first, *box); });
    if (it == boxes.end()) {
      boxes.emplace_back(*box, VQExcelRuns{});
      it = std::prev(boxes.end());
    }
    it->second.push_back(r);
  }
  for (auto& [box, runs] : boxes) {
    // The box's lines, top down, each joined along its line first (raised
    // and lowered letters of a line are of that line).
    runs = S::SortRunTextsByY(S::SortRunTextsByX(runs));
    VQExcelRuns lines;
    while (!runs.empty()) {
      VQExcelRuns line = S::FindRunTextsCrossedInHeight(runs);
      runs = S::Without(runs, line);
      line = S::SortRunTextsByX(line);
      lines.push_back(line.size() > 1 ? S::MergeRunTextsInWidth(line) : line.front());
    }
    kept.push_back(lines.size() > 1 ? S::MergeRunTextsAsLines(lines) : lines.front());
  }
  allRunTextArray = std::move(kept);
}

namespace {

std::vector<VQExcelTempGroup> cutBands(VQExcelRuns runs) {
  std::vector<VQExcelTempGroup> out;
  while (!runs.empty()) {
    VQExcelRuns g = S::FindRunTextsCrossedInHeight(runs);
    runs = S::Without(runs, g);
    out.push_back(VQExcelTempGroup{std::move(g), {}});
  }
  return out;
}

std::vector<VQExcelTempGroup> cutBlocks(VQExcelRuns runs) {
  std::vector<VQExcelTempGroup> out;
  while (!runs.empty()) {
    VQExcelRuns g = S::FindRunTextsCrossedInWidth(runs);
    runs = S::Without(runs, g);
    out.push_back(VQExcelTempGroup{std::move(g), {}});
  }
  return out;
}

VQExcelRuns mergeRunTextsStringByX(VQExcelRuns runs, int option, const VQExcelNeighbourLines& around) {
  VQExcelRuns out;
  while (!runs.empty()) {
    VQExcelRuns g = S::FindRunTextsMergedInWidth(runs, option, around);
    runs = S::Without(runs, g);
    out.push_back(g.size() >= 2 ? S::MergeRunTextsInWidth(g) : g.front());
  }
  return out;
}

VQExcelRuns mergeRunTextsStringByY(VQExcelRuns runs) {
  VQExcelRuns out;
  while (!runs.empty()) {
    VQExcelRuns g = S::FindRunTextsMergedInHeight(runs);
    runs = S::Without(runs, g);
    out.push_back(g.size() >= 2 ? S::MergeRunTextsInHeight(g) : g.front());
  }
  return out;
}

void collectLeaves(const VQExcelTempGroup& g, VQExcelRuns& out) {
  if (g.isLeaf()) {
    out.insert(out.end(), g.runTexts.begin(), g.runTexts.end());
    return;
  }
  for (const auto& s : g.subGroups) collectLeaves(s, out);
}

// Row numbers. A stacking level places its children one below the other; a
// side-by-side level starts all its children on the same row. `m` is the
// next free row.
void rowSide(const VQExcelTempGroup& g, uint64_t& m, uint64_t a);
void rowStack(const VQExcelTempGroup& g, uint64_t& m, uint64_t a) {
  if (g.isLeaf()) {
    // The leaf's lines take consecutive rows from the top down; the runs of
    // one line share its row.
    VQExcelRuns runs = g.runTexts;
    std::stable_sort(runs.begin(), runs.end(), [](const auto& x, const auto& y) { return x->yBase() < y->yBase(); });
    double lineBase = 0;
    for (size_t k = 0; k < runs.size(); ++k) {
      if (k > 0 && runs[k]->yBase() - lineBase > kSameLine) ++a;
      if (k == 0 || runs[k]->yBase() - lineBase > kSameLine) lineBase = runs[k]->yBase();
      runs[k]->rowIndex = a;
      m = std::max(m, a + 1);
    }
    return;
  }
  for (const auto& child : g.subGroups) {
    rowSide(child, m, a);
    a = m;
  }
}
void rowSide(const VQExcelTempGroup& g, uint64_t& m, uint64_t a) {
  if (g.isLeaf()) return rowStack(g, m, a);
  const uint64_t base = m;
  uint64_t most = m;
  for (const auto& child : g.subGroups) {
    uint64_t mc = base;
    rowStack(child, mc, a);
    most = std::max(most, mc);
  }
  m = most;
}

// Column numbers, the same walk across: runs of a leaf take consecutive columns.
void colSide(const VQExcelTempGroup& g, uint64_t& m, uint64_t a);
void colStack(const VQExcelTempGroup& g, uint64_t& m, uint64_t a) {
  if (g.isLeaf()) {
    // Runs of the leaf take consecutive columns, except that lines starting
    // at the same x (a label column, the lines of an address) are one
    // column: each line has a row of its own.
    std::vector<std::pair<const VQExcelRunText*, uint64_t>> starts;
    for (const auto& r : g.runTexts) {
      auto same = std::find_if(starts.begin(), starts.end(), [&](const auto& s) {
        return std::fabs(s.first->yBase() - r->yBase()) > kSameLine &&
               std::fabs(s.first->xLeft() - r->xLeft()) <= SameStartTolerance(*s.first, *r);
      });
      if (same != starts.end()) {
        r->columnIndex = same->second;
        continue;
      }
      r->columnIndex = a;
      starts.emplace_back(r.get(), a);
      ++a;
      m = std::max(m, a);
    }
    return;
  }
  for (const auto& child : g.subGroups) {
    colSide(child, m, a);
    a = m;
  }
}
void colSide(const VQExcelTempGroup& g, uint64_t& m, uint64_t a) {
  if (g.isLeaf()) return colStack(g, m, a);
  const uint64_t base = m;
  uint64_t most = m;
  for (const auto& child : g.subGroups) {
    uint64_t mc = base;
    colStack(child, mc, a);
    most = std::max(most, mc);
  }
  m = most;
}

}  // namespace

namespace {
// True when a line of `left` runs on into `right`: its nearest pieces on
// either side of the gap between the two blocks are a word gap apart or
// closer. Such a gap is a blank between words that no other line of the
// band happens to cross, not the gap between two columns.
bool lineRunsOn(const VQExcelRuns& left, const VQExcelRuns& right) {
  for (const auto& b : right) {
    const VQExcelRunText* a = nullptr;
    for (const auto& r : left)
      if (std::fabs(r->yBase() - b->yBase()) <= kSameLine && (!a || r->xRight() > a->xRight())) a = r.get();
    if (a && VQPDFClassifyGap(b->xLeft() - a->xRight(), S::GapFontBetween(*a, *b)) != VQPDFGapKind::Wide) return true;
  }
  return false;
}

// The columns of a band that is columns of text set side by side with their
// base lines offset, so that each line of one overlaps two of the next and
// the band chains down the page: the band's blocks, those that a line runs
// on across joined, when two or more of them hold several lines each; each
// column's runs sorted by y, ties by x, and cut into its bands (its
// `subGroups`). Nothing for a row of a table, whose lines (a cell's two
// lines beside a one-line cell) chain only within the row.
std::optional<std::vector<VQExcelTempGroup>> sideBySideColumns(const VQExcelRuns& band) {
  std::vector<VQExcelTempGroup> regions;
  for (auto& block : cutBlocks(S::SortRunTextsByX(band))) {
    if (!regions.empty() && lineRunsOn(regions.back().runTexts, block.runTexts)) {
      auto& last = regions.back().runTexts;
      last.insert(last.end(), block.runTexts.begin(), block.runTexts.end());
    } else {
      regions.push_back(std::move(block));
    }
  }
  if (regions.size() < 2) return std::nullopt;
  size_t tall = 0;
  for (auto& region : regions) {
    region.runTexts = S::SortRunTextsByY(S::SortRunTextsByX(region.runTexts));
    region.subGroups = cutBands(region.runTexts);
    if (region.subGroups.size() >= kColumnLines) ++tall;
  }
  if (tall < 2) return std::nullopt;
  return regions;
}

// The row pass over one region of the page (the page itself, or one column
// of side-by-side columns), given as its bands (`cutBands` of its runs
// sorted by y, ties by x): blocks
// in each band (after joining pieces of one line), bands in each block
// (after joining lines of one cell), blocks again. A band of side-by-side
// columns is cut into its columns first, each cut again as a region of its
// own, so that a line is read against the lines of its own column;
// `outside` are the lines next to the region, for its first and last lines.
std::vector<VQExcelTempGroup> rowPassOf(std::vector<VQExcelTempGroup> bands, int option,
                                        const VQExcelNeighbourLines& outside = {}) {
  // The bands' runs as they were cut, for telling a paragraph's gaps from a
  // table's by the lines above and below. They are copies: joining grows a
  // line's first run in place, and a line joined across a column gap would
  // then seem to run across the gap for the next line, and so on down the
  // page.
  std::vector<VQExcelRuns> lines;
  for (const auto& band : bands) {
    VQExcelRuns& line = lines.emplace_back();
    for (const auto& r : band.runTexts) line.push_back(std::make_shared<VQExcelRunText>(*r));
  }
  // The lines from the two above the region to the two below it, top down.
  std::vector<const VQExcelRuns*> down = {outside.above[1], outside.above[0]};
  for (const auto& line : lines) down.push_back(&line);
  down.push_back(outside.below[0]);
  down.push_back(outside.below[1]);
  for (size_t b = 0; b < bands.size(); ++b) {
    auto& band = bands[b];
    VQExcelNeighbourLines around;
    for (size_t k = 0; k < 2; ++k) {
      around.above[k] = down[b + 1 - k];
      around.below[k] = down[b + 3 + k];
    }
    if (auto columns = sideBySideColumns(band.runTexts)) {
      band.subGroups = std::move(*columns);
      for (auto& column : band.subGroups) column.subGroups = rowPassOf(std::move(column.subGroups), option, around);
      continue;
    }
    band.runTexts = mergeRunTextsStringByX(S::SortRunTextsByX(band.runTexts), option, around);
    band.subGroups = cutBlocks(band.runTexts);
    for (auto& block : band.subGroups) {
      block.runTexts = mergeRunTextsStringByY(S::SortRunTextsByY(block.runTexts));
      block.subGroups = cutBands(block.runTexts);
      for (auto& inner : block.subGroups) {
        inner.runTexts = S::SortRunTextsByX(inner.runTexts);
        inner.subGroups = cutBlocks(inner.runTexts);
      }
    }
  }
  return bands;
}
}  // namespace

void VQExcelPage::typesetRunTexts() {
  const int option = manager_.OverlapTextOption();
  joinRuledCells();
  VQExcelRuns runs = S::SortRunTextsByY(S::SortRunTextsByX(allRunTextArray));
  std::vector<VQExcelTempGroup> rowPass = rowPassOf(cutBands(runs), option);
  allRunTextArray.clear();
  for (const auto& band : rowPass) collectLeaves(band, allRunTextArray);

  // Column pass over the joined runs, starting with blocks; no joining.
  runs = S::SortRunTextsByX(S::SortRunTextsByY(allRunTextArray));
  std::vector<VQExcelTempGroup> colPass = cutBlocks(runs);
  for (auto& block : colPass) {
    block.runTexts = S::SortRunTextsByY(block.runTexts);
    block.subGroups = cutBands(block.runTexts);
    for (auto& band : block.subGroups) {
      band.runTexts = S::SortRunTextsByX(band.runTexts);
      band.subGroups = cutBlocks(band.runTexts);
      for (auto& inner : band.subGroups) {
        inner.runTexts = S::SortRunTextsByY(inner.runTexts);
        inner.subGroups = cutBands(inner.runTexts);
      }
    }
  }

  uint64_t m = 0, a = 1;
  for (const auto& band : rowPass) {
    rowSide(band, m, a);
    a = m;
  }
  m = 0, a = 1;
  for (const auto& block : colPass) {
    colSide(block, m, a);
    a = m;
  }
  correctColumnNumber(0);
  caculateRunTextMergeLength();
}

VQExcelRunPtr VQExcelPage::runTextAtRow(uint64_t row, uint64_t column) const {
  for (const auto& r : allRunTextArray)
    if (r->rowIndex == row && r->columnIndex == column) return r;
  return nullptr;
}

std::vector<VQExcelRuns> VQExcelPage::creatRowArray() const {
  VQExcelRuns runs = S::SortRunTextsByY(S::SortRunTextsByX(allRunTextArray));
  std::vector<VQExcelRuns> out;
  while (!runs.empty()) {
    VQExcelRuns g;
    for (const auto& r : runs)
      if (r->rowIndex == runs.front()->rowIndex) g.push_back(r);
    runs = S::Without(runs, g);
    out.push_back(std::move(g));
  }
  return out;
}

std::vector<VQExcelRuns> VQExcelPage::creatColumnArray() const {
  VQExcelRuns runs = S::SortRunTextsByX(S::SortRunTextsByY(allRunTextArray));
  std::vector<VQExcelRuns> out;
  while (!runs.empty()) {
    VQExcelRuns g;
    for (const auto& r : runs)
      if (r->columnIndex == runs.front()->columnIndex) g.push_back(r);
    runs = S::Without(runs, g);
    out.push_back(std::move(g));
  }
  return out;
}

void VQExcelPage::correctColumnNumber(int level) {
  // A run that starts right of everything else in its column and whose
  // centre lies past the next column's start belongs to a later column, but
  // only where that cell is free: two texts never share a cell by moving.
  std::set<std::pair<uint64_t, uint64_t>> occupied;
  for (const auto& r : allRunTextArray) occupied.emplace(r->rowIndex, r->columnIndex);
  for (; level <= 20; ++level) {
    const auto cols = creatColumnArray();
    if (cols.size() < 2) return;
    bool changed = false;
    for (size_t k = 0; k + 1 < cols.size(); ++k) {
      double minRight = std::numeric_limits<double>::max(), maxLeft = std::numeric_limits<double>::lowest();
      double nextLeft = std::numeric_limits<double>::max();
      for (const auto& r : cols[k]) minRight = std::min(minRight, r->xRight()), maxLeft = std::max(maxLeft, r->xLeft());
      for (const auto& r : cols[k + 1]) nextLeft = std::min(nextLeft, r->xLeft());
      for (const auto& r : cols[k]) {
        if (r->xLeft() >= maxLeft && r->xLeft() > minRight && r->xLeft() + r->textWidth / 2 > nextLeft &&
            !occupied.count({r->rowIndex, r->columnIndex + 1})) {
          occupied.erase({r->rowIndex, r->columnIndex});
          r->columnIndex += 1;
          occupied.emplace(r->rowIndex, r->columnIndex);
          changed = true;
        }
      }
    }
    if (!changed) return;
  }
}

void VQExcelPage::caculateRunTextMergeLength() {
  std::vector<double> rowTops, colLefts;
  for (const auto& g : creatRowArray()) {
    double t = std::numeric_limits<double>::max();
    for (const auto& r : g) t = std::min(t, r->yTop());
    rowTops.push_back(static_cast<float>(t));
  }
  for (const auto& g : creatColumnArray()) {
    double l = std::numeric_limits<double>::max();
    for (const auto& r : g) l = std::min(l, r->xLeft());
    colLefts.push_back(static_cast<float>(l));
  }
  // Positions do not move while spans grow, so the occupied cells are indexed
  // once. A span grows only over empty cells: a merged range hides every
  // value but its first.
  std::set<std::pair<uint64_t, uint64_t>> occupied;
  for (const auto& r : allRunTextArray) occupied.emplace(r->rowIndex, r->columnIndex);
  auto isFree = [&](uint64_t row, uint64_t rows, uint64_t col, uint64_t cols) {
    for (uint64_t i = row; i <= row + rows; ++i)
      for (uint64_t k = col; k <= col + cols; ++k)
        if (occupied.count({i, k})) return false;
    return true;
  };
  for (const auto& run : allRunTextArray) {
    for (uint64_t j = run->rowIndex; j < rowTops.size(); ++j) {
      if (!(run->yBottom() > rowTops[j])) break;
      if (isFree(run->rowIndex + run->rowLength + 1, 0, run->columnIndex, run->columnLength)) run->rowLength += 1;
    }
    for (uint64_t k = run->columnIndex; k < colLefts.size(); ++k) {
      if (!(run->xRight() > colLefts[k])) break;
      if (isFree(run->rowIndex, run->rowLength, run->columnIndex + run->columnLength + 1, 0)) run->columnLength += 1;
    }
  }
}

std::vector<VQExcelStringItemPtr> VQExcelPage::getStringItemsFromRuns(const VQExcelRuns& runs) const {
  std::vector<VQExcelStringItemPtr> items;
  for (const auto& r : runs) {
    auto it = std::find_if(items.begin(), items.end(), [&](const auto& i) { return i->containRunText(*r); });
    if (it != items.end()) {
      (*it)->runArray.push_back(r);
      continue;
    }
    auto item = std::make_shared<VQExcelStringItem>();
    item->rowIndex = r->rowIndex;
    item->columnIndex = r->columnIndex;
    item->runArray.push_back(r);
    items.push_back(std::move(item));
  }
  std::vector<VQExcelStringItemPtr> out;
  for (auto& i : items) {
    bool text = false;
    for (const auto& r : i->runArray) text = text || !VQExcelManager::isBlankSpace(r->text);
    if (text) out.push_back(std::move(i));
  }
  return out;
}

VQExcelCellPtr VQExcelPage::createCellWithStringItem(const VQExcelStringItemPtr& item, bool amountsAround) {
  if (!item) return nullptr;
  auto cell = std::make_shared<VQExcelCell>();
  cell->stringItem = item;
  // Only what one line of the page sets as one number is a number: digits of
  // lines joined into one cell (page numbers down an index) are not.
  if (manager_.isNeedValidNumbers() && item->runArray.size() == 1 && item->runArray.front()->lines == 1) {
    VQExcelRunText& run = *item->runArray.front();
    VQExcelNumber number(run.text, manager_.thousandSepartor, amountsAround);
    if (number.isNumber) {
      const int fill = style_.getFillIdWithCellFrame(item->itemInfo.textBoxRect(), manager_);
      cell->cellValue = number.readNumber;
      cell->dataType.assign(1, 'n');  // assigning the literal trips a false -Wrestrict in GCC 12
      cell->styleIndex = style_.styleIndexFrom(run, number, fill, manager_);
      cell->isCompleted = true;
      return cell;
    }
  }
  VQExcelSharedItem shared;
  const std::vector<std::string> texts = item->runTexts();
  for (size_t i = 0; i < texts.size(); ++i) {
    const VQExcelRunText& run = *item->runArray[i];
    auto pieces = run.styledPieces();
    // The blank put between two runs of the cell goes before the first piece.
    pieces.front().first.insert(0, texts[i], 0, texts[i].size() - run.text.size());
    for (auto& [text, property] : pieces) shared.push_back(VQExcelSharedRun{std::move(text), std::move(property)});
  }
  cell->cellValue = fmt::format("{}", sharedStrings_.collectStringItems({shared}));
  cell->isText = true;
  return cell;
}

namespace {
// Items whose column is one of amounts: the nearest text above or below in
// the same column reads as an amount (grouped digits, a currency symbol, or
// decimals outside parentheses). Equation and list numbers down a margin,
// "(1)", "(2)", "(2.1)", stand among no amounts.
std::vector<bool> itemsAmongAmounts(const std::vector<VQExcelStringItemPtr>& items, const std::string& thousands) {
  // Per column, the items' positions in `items` by row.
  std::map<uint64_t, std::map<uint64_t, size_t>> byColumn;
  for (size_t k = 0; k < items.size(); ++k) byColumn[items[k]->columnIndex][items[k]->rowIndex] = k;
  auto isAmount = [&](size_t k) {
    const auto& runs = items[k]->runArray;
    return runs.size() == 1 && runs.front()->lines == 1 &&
           VQExcelNumber::LooksLikeAmount(runs.front()->text, thousands);
  };
  std::vector<bool> out(items.size(), false);
  for (const auto& [column, rows] : byColumn) {
    for (auto it = rows.begin(); it != rows.end(); ++it) {
      const bool above = it != rows.begin() && isAmount(std::prev(it)->second);
      const bool below = std::next(it) != rows.end() && isAmount(std::next(it)->second);
      out[it->second] = above || below;
    }
  }
  return out;
}

// The width (points, as the column frames count them) that the number of a
// single-run item needs in its cell: its characters set in the cell's type
// (its size against the workbook's default, bold wider) and the cell's
// margins. Measured in characters, not in the page's points: the cell's face
// may be replaced by a wider one, which the workbook's character unit
// follows too.
double NumberWidth(const VQExcelStringItem& item, const VQExcelManager& manager) {
  const VQExcelRunText& run = *item.runArray.front();
  const double size = manager.isNeedDefaultFontSize() ? kVQExcelDefaultFontSize : run.rPr.sz;
  const double weight = run.rPr.b && !manager.isSpecialVersion() ? 1.15 : 1;
  const double characters = static_cast<double>(text::utf8CharacterCount(run.text));
  return (characters * size / kVQExcelWorkbookFontSize * weight + kCellMarginCharacters) * kVQExcelPointsPerCharacter;
}

// New numbers of kept rows (or columns): an old number maps to the count of
// kept numbers up to it, so ranges follow the renumbered sheet.
uint64_t renumbered(const std::vector<uint64_t>& kept, uint64_t old) {
  return static_cast<uint64_t>(std::upper_bound(kept.begin(), kept.end(), old) - kept.begin());
}
}  // namespace

void VQExcelPage::creatSheet() {
  typesetRunTexts();
  const bool needMerge = manager_.isNeedMergeCells();
  const bool defaultWidth = manager_.isNeedDefaultColumnWidth();
  const auto items = getStringItemsFromRuns(allRunTextArray);
  uint64_t maxRow = 0, maxCol = 0;
  std::vector<VQMergedCell> merges;
  std::vector<VQExcelCellPtr> cells;
  const auto amongAmounts = itemsAmongAmounts(items, manager_.thousandSepartor);
  for (size_t k = 0; k < items.size(); ++k) {
    const auto& item = items[k];
    item->calculatStringItemInfo();
    maxRow = std::max(maxRow, item->rowIndex);
    maxCol = std::max(maxCol, item->columnIndex);
    if (needMerge && (item->rowLength != 0 || item->columnLength != 0))
      merges.push_back(VQMergedCell{{item->rowIndex, item->columnIndex},
                                    {item->rowIndex + item->rowLength, item->columnIndex + item->columnLength}});
    cells.push_back(createCellWithStringItem(item, amongAmounts[k]));
  }
  merges = VQExcelFixedCrossMergedCells(merges);
  if (maxRow == 0 && maxCol == 0) return;

  std::map<uint64_t, std::vector<VQExcelCellPtr>> byRow, byCol;
  for (const auto& c : cells) {
    byRow[c->stringItem->rowIndex].push_back(c);
    byCol[c->stringItem->columnIndex].push_back(c);
  }
  std::vector<VQExcelRowPtr> rows;
  for (auto& [r, rowCells] : byRow) {
    auto row = std::make_shared<VQExcelRow>();
    row->numberOfColumns = static_cast<int64_t>(maxCol);
    row->rowIndex = r;
    row->cells = rowCells;
    double top = std::numeric_limits<double>::max(), bottom = 0;
    for (const auto& c : rowCells) {
      const auto& info = c->stringItem->itemInfo;
      top = std::min(top, info.displayY);
      if (c->stringItem->rowLength == 0) bottom = std::max(bottom, info.displayY + info.displayHeight);
    }
    row->frame = Rect{{0, top}, {0, std::max(13.5, bottom - top)}};
    row->sortCellsByColumnIndex();
    rows.push_back(row);
  }
  std::vector<VQExcelColumnPtr> cols;
  for (auto& [c, colCells] : byCol) {
    auto col = std::make_shared<VQExcelColumn>();
    col->columnIndex = c;
    col->cells = colCells;
    double left = std::numeric_limits<double>::max(), right = 0, fitted = 0, values = 0;
    for (const auto& cell : colCells) {
      const auto& item = *cell->stringItem;
      left = std::min(left, item.itemInfo.displayX);
      if (item.columnLength == 0) {
        right = std::max(right, item.itemInfo.displayX + item.itemInfo.displayWidth);
        fitted = std::max(fitted, item.itemInfo.displayWidth / item.maxFontSize() * 10);
        if (!cell->isText) values = std::max(values, NumberWidth(item, manager_));
      }
    }
    // A number does not wrap or run on into the next cell: its column is at
    // least as wide as the number set in the cell's type.
    const double width = std::max(defaultWidth ? fitted : right - left, values);
    col->frame = Rect{{left, 0}, {std::max(20.0, width), 0}};
    cols.push_back(col);
  }
  for (const auto& c : cells) {
    if (!c->isText) continue;
    // The cell's range runs from its column's left edge to where the column
    // after its last one starts.
    const uint64_t first = c->stringItem->columnIndex, last = first + c->stringItem->columnLength;
    double cellLeft = 0, cellRight = 0;
    for (const auto& col : cols) {
      if (col->columnIndex == first) cellLeft = RectGetMinX(col->frame);
      if (col->columnIndex > last && cellRight == 0) cellRight = RectGetMinX(col->frame);
    }
    c->styleIndex = style_.getStyleIndex(*c->stringItem, cellLeft, cellRight, manager_);
  }
  if (defaultWidth) {
    std::vector<uint64_t> keptRows, keptCols;
    for (const auto& r : rows) keptRows.push_back(r->rowIndex);
    for (const auto& c : cols) keptCols.push_back(c->columnIndex);
    for (size_t i = 0; i < rows.size(); ++i) rows[i]->setRowIndex(i + 1);
    for (size_t i = 0; i < cols.size(); ++i) cols[i]->setColumnIndex(i + 1);
    std::vector<VQMergedCell> moved;
    for (const auto& mc : merges) {
      VQMergedCell n{{renumbered(keptRows, mc.start.r), renumbered(keptCols, mc.start.c)},
                     {renumbered(keptRows, mc.end.r), renumbered(keptCols, mc.end.c)}};
      if (!(n.start == n.end)) moved.push_back(n);
    }
    merges = std::move(moved);
  }
  sheetRows = std::move(rows);
  columns = std::move(cols);
  mergeCells = std::move(merges);
}

bool VQExcelPage::WriteWorksheet(const std::string& path, const std::vector<VQExcelColumnPtr>& cols,
                                 const std::vector<VQExcelRowPtr>& rows, const std::vector<VQMergedCell>& merges,
                                 const VQExcelManager& manager) {
  auto w = XMLFileWriter::initWithPath(path);
  if (!w) return false;
  try {
    w->setPrefix("r", VQOpenXMLNameSpace::nameSpace_r());
    w->writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes");
    w->setPrefix("", VQOpenXMLNameSpace::nameSpace_SpreadSheetml2006Main());
    w->writeStartElementWithNamespace(VQOpenXMLNameSpace::nameSpace_SpreadSheetml2006Main(), "worksheet");
    w->writeStartElement("sheetViews");
    w->writeStartElement("sheetView");
    w->writeAttribute("tabSelected", "1");
    w->writeAttribute("workbookViewId", "0");
    w->writeStartElement("selection");
    w->writeAttribute("activeCell", "A1");
    w->writeAttribute("sqref", "A1");
    w->writeEndElement();
    w->writeEndElement();
    w->writeEndElement();
    w->writeStartElement("sheetFormatPr");
    w->writeAttribute("defaultRowHeight", "18.000000");
    w->writeAttribute("defaultColWidth", "15.000000");
    w->writeEndElement();
    if (!cols.empty()) {
      w->writeStartElement("cols");
      for (const auto& c : cols) c->writeXML(*w, manager);
      w->writeEndElement();
    }
    w->writeStartElement("sheetData");
    for (const auto& r : rows) r->writeXML(*w, manager);
    w->writeEndElement();
    if (!merges.empty()) {
      w->writeStartElement("mergeCells");
      for (const auto& m : merges) {
        w->writeStartElement("mergeCell");
        w->writeAttribute("ref", m.mergerCellInfo());
        w->writeEndElement();
      }
      w->writeEndElement();
    }
    w->writeStartElement("pageMargins");
    for (const char* k : {"left", "right", "top", "bottom", "header", "footer"}) w->writeAttribute(k, "0");
    w->writeEndElement();
    w->writeEndDocument();
    w->closeFile();
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

bool VQExcelPage::writeSheetXML() const {
  return WriteWorksheet(sheetXMLPath_, columns, sheetRows, mergeCells, manager_);
}

namespace {
// Fields holding a separator, a line break or a quotation mark are quoted,
// with inner quotation marks doubled, so every field reads back as written.
std::string csvField(const std::string& v) {
  if (v.find_first_of("\n\r\t;,\"") == std::string::npos) return v;
  std::string s = "\"";
  for (char c : v) {
    if (c == '"') s += '"';
    s += c;
  }
  return s + "\"";
}
}  // namespace

std::optional<std::string> VQExcelPage::creatCSV() {
  typesetRunTexts();
  const auto items = getStringItemsFromRuns(allRunTextArray);
  uint64_t maxRow = 0;
  for (const auto& i : items) maxRow = std::max(maxRow, i->rowIndex);
  if (maxRow == 0) return std::nullopt;
  std::map<uint64_t, std::vector<VQExcelStringItemPtr>> byRow;
  for (const auto& i : items) byRow[i->rowIndex].push_back(i);
  std::string text;
  for (uint64_t r = 1; r <= maxRow; ++r) {
    auto& row = byRow[r];
    std::stable_sort(row.begin(), row.end(),
                     [](const auto& a, const auto& b) { return a->columnIndex < b->columnIndex; });
    uint64_t prev = 1;
    for (const auto& i : row) {
      if (i->columnIndex > prev) text.append(i->columnIndex - prev, '\t');
      prev = i->columnIndex;
      text += csvField(i->content());
    }
    text += '\n';
  }
  return text;
}

}  // namespace vq
