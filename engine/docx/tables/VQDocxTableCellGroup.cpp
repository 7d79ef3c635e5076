#include <algorithm>

#include "docx/tables/VQDocxRuledTable.h"
#include "docx/tables/VQDocxTableCell.h"
#include "office/VQDocxEquality.h"
#include "office/VQDocxUtilities.h"
#include "office/VQOpenXMLNameSpace.h"
#include "office/XMLFileWriter.h"

namespace vq {
namespace {

using Cells = VQDocxTableCell::Array;
using Runs = std::vector<Cells>;

bool isRealLine(const VQDocx_Border& border) { return border.val >= 2; }

// One row's run of cells from the first one, as long as no rule parts them
// and the run's ends share their shading.
Cells findColumGroupCells(const Cells& cells) {
  Cells run;
  if (cells.empty()) return run;
  run.push_back(cells.front());
  size_t nextColumn = cells.front()->columnRange.location + 1;
  const size_t row = cells.front()->rowRange.location;
  for (size_t k = 1; k < cells.size(); ++k) {
    const auto& cell = cells[k];
    if (cell->rowRange.location != row || cell->columnRange.location != nextColumn) continue;
    run.push_back(cell);
    if (!VQDocxTableCellGroup::ValidateBorderInsideForXGroupCellArray(run)) {
      run.pop_back();
      break;
    }
    ++nextColumn;
  }
  return run;
}

Runs findAllColumGroupCells(const std::vector<Cells>& rows) {
  Runs runs;
  for (const auto& row : rows) {
    Cells rest = row;
    while (!rest.empty()) {
      const Cells run = findColumGroupCells(rest);
      if (run.empty()) break;
      runs.push_back(run);
      std::erase_if(rest, [&](const auto& c) { return std::find(run.begin(), run.end(), c) != run.end(); });
    }
  }
  return runs;
}

Runs findRowGroupCells(const Runs& runs) {
  Runs stack;
  if (runs.empty()) return stack;
  stack.push_back(runs.front());
  size_t nextRow = runs.front().front()->rowRange.location + 1;
  const size_t column = runs.front().front()->columnRange.location;
  for (size_t k = 1; k < runs.size(); ++k) {
    const Cells& run = runs[k];
    if (run.size() != stack.front().size() || run.front()->rowRange.location != nextRow ||
        run.front()->columnRange.location != column)
      continue;
    stack.push_back(run);
    if (VQDocxTableCellGroup::ValidateBorderInsideForYGroupCellArray(stack)) ++nextRow;
    else stack.pop_back();
  }
  return stack;
}

}  // namespace

bool VQDocxTableCellGroup::ValidateBorderInsideForXGroupCellArray(const Cells& cells) {
  if (cells.size() < 2) return false;
  for (size_t k = 0; k < cells.size(); ++k) {
    const VQDocx_Borders& b = cells[k]->tcProperty.tcBorders;
    if (k + 1 < cells.size() && isRealLine(b.right)) return false;
    if (k > 0 && isRealLine(b.left)) return false;
  }
  return IsEqualShading(cells.front()->tcProperty.shd, cells.back()->tcProperty.shd);
}

bool VQDocxTableCellGroup::ValidateBorderInsideForYGroupCellArray(const std::vector<Cells>& runs) {
  if (runs.size() < 2) return false;
  for (size_t k = 0; k < runs.size(); ++k)
    for (const auto& cell : runs[k]) {
      const VQDocx_Borders& b = cell->tcProperty.tcBorders;
      if (k + 1 < runs.size() && isRealLine(b.bottom)) return false;
      if (k > 0 && isRealLine(b.top)) return false;
    }
  return IsEqualShading(runs.front().front()->tcProperty.shd, runs.back().back()->tcProperty.shd);
}

std::vector<VQDocxTableCellGroup::RowArray> VQDocxTableCellGroup::FindAllRowGroupCells(const std::vector<Cells>& rows) {
  Runs runs = findAllColumGroupCells(rows);
  std::vector<RowArray> groups;
  while (!runs.empty()) {
    const Runs stack = findRowGroupCells(runs);
    if (stack.empty()) break;
    std::erase_if(runs, [&](const Cells& run) { return std::find(stack.begin(), stack.end(), run) != stack.end(); });
    if (stack.size() == 1 && stack.front().size() == 1) continue;
    Cells cells;
    for (const auto& run : stack) cells.insert(cells.end(), run.begin(), run.end());
    std::stable_sort(cells.begin(), cells.end(), [](const auto& a, const auto& b) {
      if (a->rowRange.location != b->rowRange.location) return a->rowRange.location < b->rowRange.location;
      return a->columnRange.location < b->columnRange.location;
    });
    RowArray group;
    for (const auto& cell : cells) {
      if (group.empty() || group.back().front()->rowRange.location != cell->rowRange.location) group.emplace_back();
      group.back().push_back(cell);
    }
    groups.push_back(std::move(group));
  }
  return groups;
}

VQDocx_Borders VQDocxTableCellGroup::BordersWithRowArray(const RowArray& rows) {
  VQDocx_Borders borders = VQDocxUtilities::defaultCellBorders();
  if (rows.empty() || rows.front().empty()) return borders;
  const auto& first = rows.front().front();
  const auto& last = rows.back().back();
  const VQDocxRuledTable* table = first->superTable();
  const size_t rowCount = table ? static_cast<size_t>(std::max(table->tblProperty.rowCount, 0)) : 0;
  const size_t columnCount = table ? static_cast<size_t>(std::max(table->tblProperty.columnCount, 0)) : 0;
  // Inside the table one open segment opens the whole merged edge; at the
  // table's edge one drawn segment closes it.
  auto side = [](VQDocx_Border start, const Cells& cells, bool atTableEdge, auto pick) {
    if (!atTableEdge) {
      for (const auto& cell : cells)
        if (!isRealLine(pick(*cell))) return pick(*cell);
      return start;
    }
    if (!isRealLine(start))
      for (const auto& cell : cells)
        if (isRealLine(pick(*cell))) return pick(*cell);
    return start;
  };
  Cells firstColumn, lastColumn;
  for (const auto& row : rows) {
    firstColumn.push_back(row.front());
    lastColumn.push_back(row.back());
  }
  borders.top = side(first->tcProperty.tcBorders.top, rows.front(), first->rowRange.location == 0,
                     [](const VQDocxTableCell& c) { return c.tcProperty.tcBorders.top; });
  borders.left = side(first->tcProperty.tcBorders.left, firstColumn, first->columnRange.location == 0,
                      [](const VQDocxTableCell& c) { return c.tcProperty.tcBorders.left; });
  borders.bottom = side(last->tcProperty.tcBorders.bottom, rows.back(), last->rowRange.location + 1 == rowCount,
                        [](const VQDocxTableCell& c) { return c.tcProperty.tcBorders.bottom; });
  borders.right = side(last->tcProperty.tcBorders.right, lastColumn, last->columnRange.location + 1 == columnCount,
                       [](const VQDocxTableCell& c) { return c.tcProperty.tcBorders.right; });
  return borders;
}

VQDocxTableCellGroup::VQDocxTableCellGroup(const RowArray& rows) : tableRowArray(rows) {
  if (rows.empty() || rows.front().empty()) return;
  const auto& first = rows.front().front();
  const auto& firstRowLast = rows.front().back();
  const auto& lastRowFirst = rows.back().front();
  const auto& last = rows.back().back();
  pointTopLeft = first->pointTopLeft;
  pointTopRight = firstRowLast->pointTopRight;
  pointBottomLeft = lastRowFirst->pointBottomLeft;
  pointBottomRight = last->pointBottomRight;
  if (pointTopLeft && pointTopRight && pointBottomLeft)
    bounds = RectMake(pointTopLeft->point.x, pointTopLeft->point.y, pointTopRight->point.x - pointTopLeft->point.x,
                      pointBottomLeft->point.y - pointTopLeft->point.y);
  borderTop = first->borderTop;
  borderLeft = first->borderLeft;
  borderBottom = last->borderBottom;
  borderRight = last->borderRight;
  columnRange = {first->columnRange.location, rows.front().size()};
  rowRange = {first->rowRange.location, rows.size()};
  superTableRow = first->superTableRow;
  for (const auto& row : rows)
    for (const auto& cell : row) {
      cell->superTableCellGroup = this;
      allSubTableArray.insert(allSubTableArray.end(), cell->allSubTableArray.begin(), cell->allSubTableArray.end());
      cell->tcProperty.vMerge = 0;
    }
  tcProperty = first->tcProperty;
  tcProperty.tcBorders = BordersWithRowArray(rows);
  float width = 0;
  for (const auto& cell : rows.front()) width += cell->tcProperty.tcW.w;
  tcProperty.tcW = VQDocx_Width{width, 2};
  if (rows.front().size() >= 2) {
    tcProperty.gridSpan = static_cast<int>(rows.front().size());
    for (const auto& row : rows)
      for (size_t k = 1; k < row.size(); ++k) row[k]->tcProperty.tcBorders.left = VQDocxUtilities::defaultBorder_None();
  }
  if (rows.size() >= 2) {
    tcProperty.vMerge = 2;
    for (size_t r = 1; r < rows.size(); ++r)
      for (const auto& cell : rows[r]) cell->tcProperty.tcBorders.top = VQDocxUtilities::defaultBorder_None();
  }
}

void VQDocxTableCellGroup::writeRowMergeEndWithXMLWriter(XMLFileWriter& writer) {
  writer.writeStartElementWithNamespace(gl_namespace_xmlns_w, "tc");
  VQDocx_TcPr tc = tcProperty;
  tc.vMerge = 3;
  tc.tcBorders.top = VQDocxUtilities::defaultBorder_None();
  const VQDocxRuledTable* table = superTable();
  VQDocxUtilities::WriteTcProperty(tc, columnRange, rowRange, table ? table->tblProperty : VQDocx_TblPr{}, writer);
  // A 2.5-point paragraph mark, so that the continuation row does not grow.
  VQDocxUtilities::WriteEmptyParagraph("5", writer);
  writer.writeEndElement();
}

}  // namespace vq
