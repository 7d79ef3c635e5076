#include "docx/tables/VQDocxTableArea.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "docx/layout/VQDocxPage.h"
#include "docx/tables/VQDocxRuledTableParser.h"

namespace vq {
namespace {

// Rules shorter than this are strokes of text or marks, not table rules.
constexpr double kShortRule = 5.1;
// Points closer than this across share a row (or a column).
constexpr double kSameRow = 3.1;
// Excluded paths painted this close in the content stream belong to the
// same drawing.
constexpr uint64_t kScanNeighbourhood = 5;
constexpr double kChartReach = 0.45;
constexpr double kChartBarShare = 0.75;
// More columns than this do not fit Word's table grid.
constexpr size_t kMaxColumns = 63;

double overlapArea(const Rect& a, const Rect& b) {
  if (!RectIntersectsRect(a, b)) return 0;
  const Rect i = RectIntersection(a, b);
  return i.size.width * i.size.height;
}

}  // namespace

VQDocxTableArea::VQDocxTableArea(const VQDocxTableLine::Array& lines)
    : tableLines(lines), bounds(VQDocxTableLine::BoundsOfTableLines(lines)) {
  for (const auto& line : lines) {
    const VQDocxTableLine::Array parts = line->subLineArray.empty() ? VQDocxTableLine::Array{line} : line->subLineArray;
    for (const auto& part : parts)
      for (const auto& path : part->allRunPathArray)
        if (std::find(allRunPathArray.begin(), allRunPathArray.end(), path) == allRunPathArray.end())
          allRunPathArray.push_back(path);
  }
  for (size_t i = 0; i < allRunPathArray.size(); ++i) {
    const auto& path = allRunPathArray[i];
    const uint64_t end = path->pdfScanIndex() + path->pdfScanLength;
    minPDFScanIndex = i == 0 ? path->pdfScanIndex() : std::min(minPDFScanIndex, path->pdfScanIndex());
    maxPDFScanIndex = i == 0 ? end : std::max(maxPDFScanIndex, end);
  }
}

bool VQDocxTableArea::isValidTableLines() const {
  return tableLines.size() >= 5 && bounds.size.width >= 6 && bounds.size.height >= 6;
}

void VQDocxTableArea::setAllTableLinesInvalid() {
  for (const auto& line : tableLines) line->setIsInvalid(true);
  for (const auto& line : tableLines_removed) line->setIsInvalid(true);
  for (const auto& sub : allSubAreaArray) sub->setAllTableLinesInvalid();
}

bool VQDocxTableArea::addRunText(const std::shared_ptr<VQDocxRunText>& text) {
  if (std::find(allRunTextArray.begin(), allRunTextArray.end(), text) == allRunTextArray.end())
    allRunTextArray.push_back(text);
  for (size_t i = 0; i < allRunTextArray.size(); ++i) {
    const auto& t = allRunTextArray[i];
    const uint64_t end = t->pdfScanIndex() + t->pdfScanLength;
    minTextPDFScanIndex = i == 0 ? t->pdfScanIndex() : std::min(minTextPDFScanIndex, t->pdfScanIndex());
    maxTextPDFScanIndex = i == 0 ? end : std::max(maxTextPDFScanIndex, end);
  }
  return true;
}

VQDocxTableArea::Array VQDocxTableArea::FindTable(const VQDocxTableArea& area, const Array& areas) {
  Array inside;
  for (const auto& other : areas)
    if (other.get() != &area && RectContainsRect(area.bounds, other->bounds)) inside.push_back(other);
  return inside;
}

VQDocxTablePoint::Array VQDocxTableArea::FindSameXYTablePoints(const VQDocxTablePoint::Array& points, bool compareY) {
  if (points.size() <= 1) return points;
  VQDocxTablePoint::Array same{points.front()};
  const Point first = points.front()->point;
  for (size_t k = 1; k < points.size(); ++k) {
    const Point p = points[k]->point;
    if (std::fabs(compareY ? p.y - first.y : p.x - first.x) < kSameRow) same.push_back(points[k]);
  }
  return same;
}

std::vector<VQDocxTablePoint::Array> VQDocxTableArea::SortTablePointsGroup(const VQDocxTablePoint::Array& points) {
  VQDocxTablePoint::Array rest = points;
  std::stable_sort(rest.begin(), rest.end(), [](const auto& a, const auto& b) { return a->point.y < b->point.y; });
  std::vector<VQDocxTablePoint::Array> rows;
  while (!rest.empty()) {
    VQDocxTablePoint::Array row = FindSameXYTablePoints(rest, true);
    std::erase_if(rest, [&](const auto& p) { return std::find(row.begin(), row.end(), p) != row.end(); });
    std::stable_sort(row.begin(), row.end(), [](const auto& a, const auto& b) { return a->point.x < b->point.x; });
    rows.push_back(std::move(row));
  }
  return rows;
}

void VQDocxTableArea::caculateIntersectionPoints() {
  intersectPointArray.clear();
  if (tableLines.empty()) return;
  intersectPointArray = VQDocxRuledTableParser::KDFindIntersectionPoints(tableLines);
  // A point lies on a rule only within a point or two across it: each
  // point is matched against the rules whose cross coordinate is near, not
  // against every rule of a large grid.
  VQDocxTableLine::Array horizontal, vertical;
  std::unordered_map<const VQDocxTableLine*, size_t> order;
  for (size_t k = 0; k < tableLines.size(); ++k) order.emplace(tableLines[k].get(), k);
  double spread = 0;
  for (const auto& line : tableLines) {
    (line->isHorizontalLine ? horizontal : vertical).push_back(line);
    spread = std::max<double>(spread,
                              line->isHorizontalLine ? line->max_y() - line->min_y() : line->max_x() - line->min_x());
  }
  auto across = [](const VQDocxTableLine::Ptr& line) {
    return static_cast<double>(line->isHorizontalLine ? line->min_y() : line->min_x());
  };
  auto byAcross = [&](const auto& a, const auto& b) { return across(a) < across(b); };
  std::stable_sort(horizontal.begin(), horizontal.end(), byAcross);
  std::stable_sort(vertical.begin(), vertical.end(), byAcross);
  const double reach = spread + kSameRow;
  for (const auto& point : intersectPointArray) {
    VQDocxTableLine::Array near;
    for (const auto* list : {&horizontal, &vertical}) {
      const double v = list == &horizontal ? point->point.y : point->point.x;
      auto it = std::lower_bound(list->begin(), list->end(), v - reach,
                                 [&](const auto& line, double value) { return across(line) < value; });
      for (; it != list->end() && across(*it) <= v + reach; ++it) near.push_back(*it);
    }
    // In the area's own order, as the lines were given.
    std::sort(near.begin(), near.end(),
              [&](const auto& a, const auto& b) { return order.at(a.get()) < order.at(b.get()); });
    point->tableLines = VQDocxRuledTableParser::FindInterTableLines(near, point->point);
  }
}

bool VQDocxTableArea::isGraphChart() const {
  for (const auto& path : allRunPathArray_excluded) {
    const uint64_t index = path->pdfScanIndex();
    const bool near = (minPDFScanIndex < kScanNeighbourhood || index >= minPDFScanIndex - kScanNeighbourhood) &&
                      index <= maxPDFScanIndex + kScanNeighbourhood;
    if (!near || !(path->isHaveCurve() || path->runLineType() == VQDocxRunLineTypeNone)) continue;
    if (RectContainsRect(path->boundingBox(), bounds)) continue;
    if (!RectIntersectsRect(path->boundingBox(), bounds)) continue;
    const Rect i = RectIntersection(path->boundingBox(), bounds);
    if (i.size.width > kChartReach * bounds.size.width || i.size.height > kChartReach * bounds.size.height) return true;
  }
  VQDocxTableLine::Array strokedH, strokedV, filledH, filledV;
  for (const auto& line : tableLines) {
    if (!(line->lineLength > 15.1)) continue;
    if (line->isStroked()) (line->isHorizontalLine ? strokedH : strokedV).push_back(line);
    if (line->isFilled()) (line->isHorizontalLine ? filledH : filledV).push_back(line);
  }
  size_t excludedFilled = 0;
  for (const auto& path : allRunPathArray_excluded)
    if (path->pictInfo() && path->pictInfo()->filled) ++excludedFilled;
  // Bars drawn as filled rectangles are cut into rules like any box, so
  // the area's own filled boxes (not thin bars that draw a rule) count
  // as bars too.
  size_t bars = excludedFilled;
  for (const auto& path : allRunPathArray)
    if (path->pictInfo() && path->pictInfo()->filled && path->boundingBox().size.width > 3 &&
        path->boundingBox().size.height > 3)
      ++bars;
  if (bars <= 2) return false;
  const auto sH = static_cast<long>(strokedH.size() + allRunPathArray_excluded.size());
  const auto sV = static_cast<long>(strokedV.size() + allRunPathArray_excluded.size());
  const auto fH = static_cast<long>(filledH.size() + excludedFilled);
  const auto fV = static_cast<long>(filledV.size() + excludedFilled);
  if (sH - fH <= 2 && VQDocxTableLine::IsHaveSameStartLines(filledH))
    for (const auto& line : filledH)
      if (line->lineLength < kChartBarShare * bounds.size.width) return true;
  if (sV - fV > 2 || !VQDocxTableLine::IsHaveSameStartLines(filledV)) return false;
  for (const auto& line : filledV)
    if (line->lineLength < kChartBarShare * bounds.size.height) return true;
  return false;
}

bool VQDocxTableArea::isValidTableArea() {
  VQDocxTableLine::Array shortLines;
  for (const auto& line : tableLines)
    if (line->lineLength < kShortRule) shortLines.push_back(line);
  if (shortLines.size() > tableLines.size() / 2) return false;
  std::erase_if(tableLines,
                [&](const auto& l) { return std::find(shortLines.begin(), shortLines.end(), l) != shortLines.end(); });
  tableLines_removed.insert(tableLines_removed.end(), shortLines.begin(), shortLines.end());
  if (isGraphChart()) return false;
  caculateIntersectionPoints();
  // Four or five points are a box, perhaps with one divider: no table.
  if (intersectPointArray.size() <= 5) return false;
  tablePoints = SortTablePointsGroup(intersectPointArray);
  // A grid needs two rows of points (one row of cells) and two points in a
  // row; a row of one line of points alone would make a table without
  // cells, and lose the texts given to it.
  if (tablePoints.size() < 2 || tablePoints.front().size() < 2) return false;
  for (const auto& row : tablePoints)
    if (row.size() != tablePoints.front().size()) return false;
  if (tablePoints.front().size() - 1 > kMaxColumns) return false;
  if (allRunPathArray.size() == 2) {
    const auto& a = allRunPathArray[0];
    const auto& b = allRunPathArray[1];
    if (a->pictInfo() && b->pictInfo() && a->pictInfo()->filled && b->pictInfo()->filled) {
      if (!RectIntersectsRect(a->boundingBox(), b->boundingBox())) return false;
      const double w = std::max({3.0, a->pictInfo()->strokeweight, b->pictInfo()->strokeweight});
      // One filled panel inside another.
      if (RectContainsRect(a->boundingBox(), RectInset(b->boundingBox(), w, w)) ||
          RectContainsRect(b->boundingBox(), RectInset(a->boundingBox(), w, w)))
        return false;
    }
  }
  return true;
}

std::shared_ptr<VQDocxRuledTable> VQDocxTableArea::createTableWithPage(VQDocxPage* page) {
  if (tablePoints.size() < 2) return nullptr;
  auto table = std::make_shared<VQDocxRuledTable>();
  table->superPage = page;
  table->setPdfScanIndex(minPDFScanIndex);
  table->setPdfScanIndex_orignal(minPDFScanIndex);
  table->pdfScanLength = 1;
  table->bounds = bounds;
  table->minPDFScanIndex = minPDFScanIndex;
  table->maxPDFScanIndex = maxPDFScanIndex;
  table->minTextPDFScanIndex = minTextPDFScanIndex;
  table->maxTextPDFScanIndex = maxTextPDFScanIndex;

  const auto& P = tablePoints;
  const size_t C = P.front().size();
  for (size_t r = 0; r + 1 < P.size(); ++r) {
    auto row = std::make_shared<VQDocxTableRow>(P[r][0], P[r][C - 1], P[r + 1][0], P[r + 1][C - 1]);
    row->rowIndex = r;
    row->superTable = table.get();
    for (size_t c = 0; c + 1 < C; ++c) {
      auto cell = std::make_shared<VQDocxTableCell>(P[r][c], P[r][c + 1], P[r + 1][c], P[r + 1][c + 1]);
      cell->superTableRow = row.get();
      cell->rowRange = {r, 1};
      cell->columnRange = {c, 1};
      row->tableCellArray.push_back(cell);
    }
    table->tableRowArray.push_back(row);
  }
  auto removeShared = [](VQDocxTableBorder& from, const VQDocxTableBorder& shared) {
    std::erase_if(from.tableLines, [&](const auto& line) {
      return std::find(shared.tableLines.begin(), shared.tableLines.end(), line) != shared.tableLines.end();
    });
  };
  for (size_t r = 0; r < table->tableRowArray.size(); ++r) {
    const auto& cells = table->tableRowArray[r]->tableCellArray;
    for (size_t c = 0; c + 1 < cells.size(); ++c) removeShared(*cells[c]->borderRight, *cells[c + 1]->borderRight);
    if (r + 1 < table->tableRowArray.size()) {
      const auto& below = table->tableRowArray[r + 1]->tableCellArray;
      for (size_t c = 0; c < cells.size() && c < below.size(); ++c)
        removeShared(*cells[c]->borderBottom, *below[c]->borderBottom);
    }
  }
  std::vector<VQDocxTableCell*> cells;
  for (const auto& row : table->tableRowArray)
    for (const auto& cell : row->tableCellArray) {
      cell->initProcessBorders();
      cells.push_back(cell.get());
    }
  if (cells.empty()) return nullptr;

  // The cell a rectangle overlaps most; the nearest one when it overlaps
  // none, so that nothing inside the table is left out of it.
  auto bestCell = [&](const Rect& r) {
    VQDocxTableCell* best = nullptr;
    double bestArea = 0;
    for (VQDocxTableCell* cell : cells) {
      const double a = overlapArea(cell->bounds, r);
      if (a > bestArea) {
        bestArea = a;
        best = cell;
      }
    }
    if (best) return best;
    double bestDistance = INFINITY;
    for (VQDocxTableCell* cell : cells) {
      const double d =
          std::hypot(RectGetMidX(cell->bounds) - RectGetMidX(r), RectGetMidY(cell->bounds) - RectGetMidY(r));
      if (d < bestDistance) {
        bestDistance = d;
        best = cell;
      }
    }
    return best;
  };

  VQDocxRunText::Array texts = allRunTextArray;
  for (const auto& sub : allSubAreaArray) {
    std::shared_ptr<VQDocxRuledTable> subTable;
    // A nested candidate is checked like any table before it becomes one.
    if (sub->isValidTableArea()) subTable = sub->createTableWithPage(page);
    if (!subTable) {
      // It gives its rules back to the page and its texts to this table.
      sub->setAllTableLinesInvalid();
      texts.insert(texts.end(), sub->allRunTextArray.begin(), sub->allRunTextArray.end());
      continue;
    }
    subTable->superTable = table.get();
    table->subTables.push_back(subTable);
    const Point corner = PointMake(subTable->bounds.origin.x + 2, subTable->bounds.origin.y + 2);
    VQDocxTableCell* holder = nullptr;
    for (VQDocxTableCell* cell : cells)
      if (RectContainsPoint(cell->bounds, corner)) {
        holder = cell;
        break;
      }
    if (!holder) holder = bestCell(subTable->bounds);
    holder->allSubTableArray.push_back(subTable);
  }
  table->runTexts = texts;
  for (const auto& text : texts) bestCell(text->displayRect())->addRunTextIfNeed(text);

  for (const auto& path : allRunPathArray) {
    if (!path->pictInfo() || !path->pictInfo()->filled) continue;
    const Rect& box = path->boundingBox();
    if (!(box.size.width > 3 && box.size.height > 3)) continue;
    for (VQDocxTableCell* cell : cells) {
      const Rect inner = RectInset(cell->bounds, cell->bounds.size.width / 4, cell->bounds.size.height / 4);
      if (RectContainsRect(box, inner)) cell->addTableShadingRunPathIfNeed(path);
    }
  }
  return table;
}

}  // namespace vq
