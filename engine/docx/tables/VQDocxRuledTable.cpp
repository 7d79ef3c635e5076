#include "docx/tables/VQDocxRuledTable.h"

#include <fmt/format.h>

#include "docx/layout/VQDocxPage.h"
#include "office/VQDocxUtilities.h"
#include "office/VQNumberFormat.h"
#include "office/VQOpenXMLNameSpace.h"
#include "office/XMLFileWriter.h"

namespace vq {
namespace {

bool isRealLine(const VQDocx_Border& border) { return border.val >= 2; }

}  // namespace

VQDocxRuledTable::VQDocxRuledTable()
    : sectProperty(VQDocxUtilities::defaultSectPropertyHiden()),
      tblGridProperty(VQDocxUtilities::defaultTblGridProperty()) {
  tblProperty = VQDocxUtilities::defaultTblProperty();
}

VQDocxTable::Array VQDocxRuledTable::allSubTableArray() const {
  Array all;
  // Every level of nesting: the page drops the text of all of them.
  for (const auto& sub : subTables) {
    all.push_back(sub);
    const Array deeper = sub->allSubTableArray();
    all.insert(all.end(), deeper.begin(), deeper.end());
  }
  return all;
}

VQDocxTableCell* VQDocxRuledTable::firstTableCell() const {
  if (tableRowArray.empty() || tableRowArray.front()->tableCellArray.empty()) return nullptr;
  return tableRowArray.front()->tableCellArray.front().get();
}

VQDocxTableCell* VQDocxRuledTable::lastTableCell() const {
  if (tableRowArray.empty() || tableRowArray.back()->tableCellArray.empty()) return nullptr;
  return tableRowArray.back()->tableCellArray.back().get();
}

std::shared_ptr<VQDocxParagraph> VQDocxRuledTable::defaultParagraph() {
  if (defaultParagraph_) return defaultParagraph_;
  for (const auto& row : tableRowArray)
    if (auto paragraph = row->defaultParagraph()) return defaultParagraph_ = paragraph;
  return nullptr;
}

void VQDocxRuledTable::convertToXMLProperty() {
  changeXMLPropertyTextWrappingToAround();
  tblProperty.tblBorders = VQDocxUtilities::defaultTableBorders();
  tblProperty.rowCount = 0;
  tblProperty.columnCount = 0;
  if (!tableRowArray.empty()) {
    const auto& firstRow = tableRowArray.front()->tableCellArray;
    tblProperty.rowCount = static_cast<int>(tableRowArray.size());
    tblProperty.columnCount = static_cast<int>(firstRow.size());
    // The detection never builds more columns than the grid record holds.
    const size_t n = std::min<size_t>(firstRow.size(), VQDocx_TblGrid::kMaxColumns);
    tblGridProperty.gridCount = static_cast<int>(n);
    for (size_t i = 0; i < n; ++i) tblGridProperty.gridCol[i] = static_cast<float>(firstRow[i]->bounds.size.width);
  }
  for (const auto& row : tableRowArray) {
    for (const auto& cell : row->tableCellArray) cell->createXMLProperty();
    row->createXMLProperty();
  }
  optimizeXMLProperty();
}

void VQDocxRuledTable::optimizeXMLProperty() {
  createMergeCellsGroup();
  for (const auto& row : tableRowArray)
    for (const auto& cell : row->tableCellArray) cell->createParagraphArrayIfNeed();
  for (const auto& group : cellGroupArray) group->createParagraphArrayIfNeed();
  const VQDocxTableCell* first = firstTableCell();
  const VQDocxTableCell* last = lastTableCell();
  if (first) {
    tblProperty.tblBorders.top = first->tcProperty.tcBorders.top;
    tblProperty.tblBorders.left = first->tcProperty.tcBorders.left;
    tblProperty.tblBorders.right = last ? last->tcProperty.tcBorders.right : VQDocx_Border{};
    tblProperty.tblBorders.bottom = last ? last->tcProperty.tcBorders.bottom : VQDocx_Border{};
  }
  const VQDocx_Border single = VQDocxUtilities::defaultBorder_SingleLine();
  if (last && isRealLine(last->tcProperty.tcBorders.left))
    tblProperty.tblBorders.insideV = last->tcProperty.tcBorders.left;
  else if (first && isRealLine(first->tcProperty.tcBorders.right))
    tblProperty.tblBorders.insideV = first->tcProperty.tcBorders.right;
  else tblProperty.tblBorders.insideV = single;
  if (last && isRealLine(last->tcProperty.tcBorders.top))
    tblProperty.tblBorders.insideH = last->tcProperty.tcBorders.top;
  else if (first && isRealLine(first->tcProperty.tcBorders.bottom))
    tblProperty.tblBorders.insideH = first->tcProperty.tcBorders.bottom;
  else tblProperty.tblBorders.insideH = single;
}

void VQDocxRuledTable::createMergeCellsGroup() {
  std::vector<VQDocxTableCell::Array> rows;
  for (const auto& row : tableRowArray) {
    for (const auto& cell : row->tableCellArray) cell->superTableCellGroup = nullptr;
    rows.push_back(row->tableCellArray);
  }
  cellGroupArray.clear();
  for (const auto& group : VQDocxTableCellGroup::FindAllRowGroupCells(rows)) {
    auto made = std::make_shared<VQDocxTableCellGroup>(group);
    // The group writes its members' text: they write nothing of their own.
    for (const auto& row : group)
      for (const auto& cell : row)
        for (const auto& text : cell->allRunTextArray) made->addRunTextIfNeed(text);
    cellGroupArray.push_back(made);
  }
}

void VQDocxRuledTable::resetWrapping(int anchor, bool floating) {
  // Anchors: 0 none (no position written), 2 page.
  tblProperty.tblpPr = VQDocxUtilities::defaultTblpProperty();
  tblProperty.jc = 0;
  isWrappingToFloatTextBox = floating;
  tblProperty.tblpPr.vertAnchor = anchor;
  tblProperty.tblpPr.horzAnchor = anchor;
}

void VQDocxRuledTable::changeXMLPropertyTextWrappingToAround() {
  resetWrapping(2, false);
  if (superTable) {
    tblProperty.tblpPr.tblpX = static_cast<float>(bounds.origin.x - sectProperty.pgMar.left);
    tblProperty.tblpPr.tblpY = static_cast<float>(bounds.origin.y - sectProperty.pgMar.top);
  } else {
    tblProperty.tblpPr.tblpX = static_cast<float>(bounds.origin.x);
    tblProperty.tblpPr.tblpY = static_cast<float>(bounds.origin.y);
  }
  tblProperty.tblInd = VQDocx_Indentation{0, 2};
}

void VQDocxRuledTable::changeXMLPropertyTextWrappingToNone() {
  resetWrapping(0, false);
  const double x =
      columnFrame.origin.x > 0 ? bounds.origin.x - columnFrame.origin.x : bounds.origin.x - sectProperty.pgMar.left;
  tblProperty.tblInd = VQDocx_Indentation{static_cast<float>(x), 2};
}

void VQDocxRuledTable::changeXMLPropertyTextWrappingToFloatTextBox() {
  resetWrapping(0, true);
  tblProperty.tblInd = VQDocx_Indentation{tblProperty.tblBorders.left.sz, 2};
}

void VQDocxRuledTable::writeWithXMLWriter(XMLFileWriter& writer) {
  if (isWrappingToFloatTextBox) writeTextBoxStartWithXMLWriter(writer);
  writer.writeStartElementWithNamespace(gl_namespace_xmlns_w, "tbl");
  VQDocxUtilities::WriteTblProperty(tblProperty, writer);
  VQDocxUtilities::WriteTblGridProperty(tblGridProperty, writer);
  if (tblProperty.tblpPr.horzAnchor == 0 && !tableRowArray.empty()) {
    // The room the section left around an inline table is spread over its
    // rows.
    const double extra =
        (textWrappingToNoneMarginTop + textWrappingToNoneMarginBottom) / static_cast<double>(tableRowArray.size());
    if (extra != 0)
      for (const auto& row : tableRowArray) row->trProperty.trHeight.val += static_cast<float>(extra);
    textWrappingToNoneMarginTop = textWrappingToNoneMarginBottom = 0;
  }
  for (const auto& row : tableRowArray) row->writeWithXMLWriter(writer);
  writer.writeEndElement();
  if (isWrappingToFloatTextBox) writeTextBoxEndWithXMLWriter(writer);
}

void VQDocxRuledTable::writeTextBoxStartWithXMLWriter(XMLFileWriter& writer) {
  size_t id = 0;
  int64_t zIndex = 0;
  if (superPage) {
    const auto& tables = superPage->allTableArray;
    for (size_t k = 0; k < tables.size(); ++k)
      if (tables[k].get() == this) id = k + 1;
    zIndex = superPage->nextPictZIndex();
  }
  writer.writeStartElementWithNamespace(gl_namespace_xmlns_w, "r");
  writer.writeStartElementWithNamespace(gl_namespace_xmlns_w, "rPr");
  writer.writeEndElement();
  writer.writeStartElementWithNamespace(gl_namespace_xmlns_w, "pict");
  writer.writeStartElementWithNamespace(gl_namespace_xmlns_v, "shape");
  writer.writeAttribute("id", fmt::format("Table {}", id));
  writer.writeAttributeWithNamespace(gl_namespace_xmlns_o, "spid", "_x0000_t202");
  writer.writeAttribute("type", "#_x0000_t202");
  const double lr = tblProperty.tblBorders.left.sz;
  const double tb = tblProperty.tblBorders.top.sz;
  const Rect r = RectInset(bounds, -lr, -tb);
  std::string style = "position:absolute;left:0;text-align:left;";
  style += fmt::format("margin-left:{}pt;width:{}pt;height:{}pt;", VQFormatRounded(r.origin.x),
                       VQFormatRounded(r.size.width), VQFormatRounded(r.size.height));
  style += fmt::format("z-index:{};mso-position-horizontal-relative:page;", zIndex);
  if (const auto paragraph = textBoxRelativeParagraph.lock()) {
    const double m = paragraph->contentFrame.origin.y - paragraph->pProperty.spacing.before;
    style += fmt::format("margin-top:{}pt;mso-position-vertical-relative:paragraph;", VQFormatRounded(r.origin.y - m));
  } else {
    style += fmt::format("margin-top:{}pt;mso-position-vertical-relative:page;", VQFormatRounded(r.origin.y));
  }
  style += "v-text-anchor:top";
  writer.writeAttribute("style", style);
  writer.writeAttribute("filled", "false");
  writer.writeAttribute("stroked", "false");
  writer.writeStartElementWithNamespace(gl_namespace_xmlns_v, "textbox");
  writer.writeAttribute("inset", "0,0,0,0");
  writer.writeStartElementWithNamespace(gl_namespace_xmlns_w, "txbxContent");
}

void VQDocxRuledTable::writeTextBoxEndWithXMLWriter(XMLFileWriter& writer) {
  // Word ends the content of a text box with a paragraph, as it does a
  // table cell's.
  writer.writeStartElementWithNamespace(gl_namespace_xmlns_w, "p");
  writer.writeEndElement();
  writer.writeEndElement();  // txbxContent
  writer.writeEndElement();  // textbox
  writer.writeStartElementWithNamespace(gl_namespace_xmlns_w10, "wrap");
  writer.writeAttribute("type", "none");
  writer.writeEndElement();
  writer.writeEndElement();  // shape
  writer.writeEndElement();  // pict
  writer.writeEndElement();  // r
}

}  // namespace vq
