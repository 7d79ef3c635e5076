#include "xlsx/VQExcelAIOSWriter.h"

#include <algorithm>

#include "xlsx/VQExcelPage.h"

namespace vq {

VQExcelAIOSWriter::VQExcelAIOSWriter(const std::string& workFolder)
    : sheetXMLPath_(workFolder + "/xl/worksheets/sheet1.xml") {}

void VQExcelAIOSWriter::collectPageXMLToRow(VQExcelAIOSPage& page) {
  std::lock_guard g(lock_);
  for (const auto& pc : page.columns) {
    auto it = std::find_if(columns.begin(), columns.end(),
                           [&](const VQExcelColumnPtr& c) { return c->columnIndex == pc->columnIndex; });
    if (it == columns.end()) {
      columns.push_back(pc);
    } else {
      (*it)->setWidth(std::max((*it)->frame.size.width, pc->frame.size.width));
    }
  }
  // The offset is the highest row collected so far: rows without cells are
  // left out of a page, so counting rows could make two pages share a row.
  uint64_t offset = 0;
  for (const auto& r : sheetRows) offset = std::max(offset, r->rowIndex);
  for (const auto& m : mergeCells) offset = std::max(offset, m.end.r);
  for (const auto& r : page.sheetRows) {
    if (offset) r->setRowIndex(r->rowIndex + offset);
    sheetRows.push_back(r);
  }
  for (auto m : page.mergeCells) {
    m.start.r += offset;
    m.end.r += offset;
    mergeCells.push_back(m);
  }
}

void VQExcelAIOSWriter::collectPageXMLToColumn(VQExcelAIOSPage& page) {
  std::lock_guard g(lock_);
  // Highest column so far, for the same reason as the rows below.
  uint64_t offset = 0;
  for (const auto& c : columns) offset = std::max(offset, c->columnIndex);
  for (const auto& m : mergeCells) offset = std::max(offset, m.end.c);
  for (const auto& c : page.columns) {
    if (offset) c->setColumnIndex(c->columnIndex + offset);
    columns.push_back(c);
  }
  for (const auto& pr : page.sheetRows) {
    auto it = std::find_if(sheetRows.begin(), sheetRows.end(),
                           [&](const VQExcelRowPtr& r) { return r->rowIndex == pr->rowIndex; });
    if (it == sheetRows.end()) {
      sheetRows.push_back(pr);
    } else {
      (*it)->setHeight(std::max((*it)->frame.size.height, pr->frame.size.height));
      (*it)->cells.insert((*it)->cells.end(), pr->cells.begin(), pr->cells.end());
    }
  }
  for (auto m : page.mergeCells) {
    m.start.c += offset;
    m.end.c += offset;
    mergeCells.push_back(m);
  }
}

bool VQExcelAIOSWriter::writeSheetXML(const VQExcelManager& manager) {
  std::lock_guard g(lock_);
  // Rows must appear in ascending order in a worksheet.
  std::stable_sort(sheetRows.begin(), sheetRows.end(),
                   [](const VQExcelRowPtr& a, const VQExcelRowPtr& b) { return a->rowIndex < b->rowIndex; });
  std::stable_sort(columns.begin(), columns.end(), [](const VQExcelColumnPtr& a, const VQExcelColumnPtr& b) {
    return a->columnIndex < b->columnIndex;
  });
  for (auto& r : sheetRows) r->sortCellsByColumnIndex();
  return VQExcelPage::WriteWorksheet(sheetXMLPath_, columns, sheetRows, mergeCells, manager);
}

}  // namespace vq
