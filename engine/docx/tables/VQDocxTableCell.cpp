#include "docx/tables/VQDocxTableCell.h"

#include <fmt/format.h>
#include <algorithm>
#include <cmath>

#include "common/VQConverterUtilities.h"
#include "docx/layout/VQDocxPage.h"
#include "docx/tables/VQDocxRuledTable.h"
#include "office/VQDocxEquality.h"
#include "office/VQDocxUtilities.h"
#include "office/VQOpenXMLNameSpace.h"
#include "office/XMLFileWriter.h"

namespace vq {
namespace {

constexpr int32_t kTableCellArea = 1;
const VQDocx_Color kWhite{255, 255, 255, 255};

template <class T>
void appendOnce(std::vector<T>& v, const T& x) {
  if (x && std::find(v.begin(), v.end(), x) == v.end()) v.push_back(x);
}

Rect unionOfTexts(const VQDocxRunText::Array& texts, Rect result) {
  for (const auto& text : texts)
    result = result.size.width > 0 ? RectUnion(result, text->displayRect()) : text->displayRect();
  return result;
}

bool isRealLine(const VQDocx_Border& border) { return border.val >= 2; }

}  // namespace

VQDocxTableRect::VQDocxTableRect(std::shared_ptr<VQDocxTablePoint> tl, std::shared_ptr<VQDocxTablePoint> tr,
                                 std::shared_ptr<VQDocxTablePoint> bl, std::shared_ptr<VQDocxTablePoint> br)
    : pointTopLeft(std::move(tl)),
      pointTopRight(std::move(tr)),
      pointBottomLeft(std::move(bl)),
      pointBottomRight(std::move(br)) {
  if (pointTopLeft && pointTopRight && pointBottomLeft)
    bounds = RectMake(pointTopLeft->point.x, pointTopLeft->point.y, pointTopRight->point.x - pointTopLeft->point.x,
                      pointBottomLeft->point.y - pointTopLeft->point.y);
}

// ---- cell

VQDocxTableCell::VQDocxTableCell(std::shared_ptr<VQDocxTablePoint> tl, std::shared_ptr<VQDocxTablePoint> tr,
                                 std::shared_ptr<VQDocxTablePoint> bl, std::shared_ptr<VQDocxTablePoint> br)
    : VQDocxTableRect(tl, tr, bl, br), tcProperty(VQDocxUtilities::defaultTcProperty()) {
  borderTop = std::make_shared<VQDocxTableBorder>(tl, tr, true);
  borderBottom = std::make_shared<VQDocxTableBorder>(bl, br, true);
  borderLeft = std::make_shared<VQDocxTableBorder>(tl, bl, false);
  borderRight = std::make_shared<VQDocxTableBorder>(tr, br, false);
  // A rule found on both opposite edges counts for the bottom or right one.
  std::erase_if(borderTop->tableLines, [&](const auto& line) {
    return std::find(borderBottom->tableLines.begin(), borderBottom->tableLines.end(), line) !=
           borderBottom->tableLines.end();
  });
  std::erase_if(borderLeft->tableLines, [&](const auto& line) {
    return std::find(borderRight->tableLines.begin(), borderRight->tableLines.end(), line) !=
           borderRight->tableLines.end();
  });
}

void VQDocxTableCell::initProcessBorders() {
  for (const auto& border : {borderTop, borderBottom, borderLeft, borderRight})
    if (border) border->initProcessTableLines();
}

bool VQDocxTableCell::addRunTextIfNeed(const std::shared_ptr<VQDocxRunText>& text) {
  appendOnce(allRunTextArray, text);
  return true;
}

bool VQDocxTableCell::addTableShadingRunPathIfNeed(const std::shared_ptr<VQDocxRunPath>& path) {
  appendOnce(tableShadingRunPaths, path);
  return true;
}

VQDocxTableCell* VQDocxTableCell::displayTableCell() {
  return superTableCellGroup ? static_cast<VQDocxTableCell*>(superTableCellGroup) : this;
}

double VQDocxTableCell::displayBoarderSizeTop() const { return DisplayBoarderSize(tcProperty.tcBorders.top); }
double VQDocxTableCell::displayBoarderSizeLeft() const { return DisplayBoarderSize(tcProperty.tcBorders.left); }
double VQDocxTableCell::displayBoarderSizeRight() const { return DisplayBoarderSize(tcProperty.tcBorders.right); }
double VQDocxTableCell::displayBoarderSizeBottom() const { return DisplayBoarderSize(tcProperty.tcBorders.bottom); }

Rect VQDocxTableCell::allRunTextBounds() const { return unionOfTexts(allRunTextArray, RectZero); }

std::string VQDocxTableCell::cellText() const {
  std::string text;
  for (const auto& run : allRunTextArray) text += run->runText();
  return text;
}

VQDocxRunPath::Array VQDocxTableCell::allBorderRunPaths() const {
  VQDocxRunPath::Array paths;
  auto both = [&](const std::shared_ptr<VQDocxTableBorder>& a, const std::shared_ptr<VQDocxTableBorder>& b) {
    if (!a || !b) return;
    for (const auto& path : a->allRunPaths)
      if (std::find(b->allRunPaths.begin(), b->allRunPaths.end(), path) != b->allRunPaths.end())
        appendOnce(paths, path);
  };
  both(borderTop, borderBottom);
  both(borderLeft, borderRight);
  both(borderBottom, borderRight);
  // A background drawn as one filled box is also found on the top and
  // left edges together.
  both(borderTop, borderLeft);
  return paths;
}

VQDocx_Shading VQDocxTableCell::cellShading() const {
  const VQDocx_Shading none = VQDocxUtilities::defaultShading();
  VQDocxRunPath::Array candidates = allBorderRunPaths();
  for (const auto& path : tableShadingRunPaths) appendOnce(candidates, path);
  VQDocxRunPath::Array filled;
  for (const auto& path : candidates) {
    const auto& info = path->pictInfo();
    if (!info || !info->filled) continue;
    if (info->stroked && !IsEqualColor(info->strokeColorVQ(), info->fillColorVQ())) {
      if (path->runLineType() != VQDocxRunLineTypeRect ||
          !(VQConverterUtilities::PecentAreaOfIntersectRect(bounds, path->boundingBox()) > 0.65))
        continue;
    }
    appendOnce(filled, path);
  }
  if (filled.empty()) return none;
  bool anyStroked = false;
  std::shared_ptr<VQDocxRunPath> winner;
  const double half = bounds.size.width * bounds.size.height / 2;
  for (const auto& path : filled) {
    anyStroked = anyStroked || path->pictInfo()->stroked;
    if (path->areaIntersectionRect(bounds) > half && (!winner || path->pdfScanIndex() > winner->pdfScanIndex()))
      winner = path;
  }
  if (!winner) return none;
  if (!anyStroked && winner->runLineType() != VQDocxRunLineTypeRect) return none;
  const auto& info = *winner->pictInfo();
  const VQDocxRuledTable* table = superTable();
  if ((!table || table->isPageWhiteBackground) && IsEqualColor(info.fillColorVQ(), kWhite)) return none;
  if (!(info.fillAlpha() > 0.45f)) return none;
  VQDocx_Shading shading = none;
  shading.fill = info.fillColorVQ();
  shading.alpha = static_cast<int>(info.fillAlpha() * 255);
  shading.val = 1;
  return shading;
}

VQDocxRuledTable* VQDocxTableCell::superTable() const { return superTableRow ? superTableRow->superTable : nullptr; }

void VQDocxTableCell::createXMLProperty() {
  tcProperty.tcW = VQDocx_Width{static_cast<float>(bounds.size.width), 2};
  if (borderTop) tcProperty.tcBorders.top = borderTop->borderProperty();
  if (borderLeft) tcProperty.tcBorders.left = borderLeft->borderProperty();
  if (borderBottom) tcProperty.tcBorders.bottom = borderBottom->borderProperty();
  if (borderRight) tcProperty.tcBorders.right = borderRight->borderProperty();
  tcProperty.shd = cellShading();
  tcProperty.gridSpan = 0;
}

void VQDocxTableCell::createParagraphArrayIfNeed() {
  if (superTableCellGroup) return;
  if (allRunTextArray.empty()) {
    allPageSectionArray.clear();
    return;
  }
  VQDocxRuledTable* table = superTable();
  VQDocxPage* page = table ? table->superPage : nullptr;
  VQDocx_SectPr s = VQDocxUtilities::defaultSectPropertyHiden();
  s.pgSz.w = page ? page->sectProperty.pgSz.w : 0;
  s.pgSz.h = page ? page->sectProperty.pgSz.h : 0;
  const double left = displayBoarderSizeLeft(), top = displayBoarderSizeTop();
  const Rect a =
      RectMake(bounds.origin.x + left, bounds.origin.y + top, bounds.size.width - left - displayBoarderSizeRight(),
               bounds.size.height - top - displayBoarderSizeBottom());
  VQDocx_PgMar m = VQDocxUtilities::defaultPageMarginProperty();
  m.left = static_cast<float>(a.origin.x);
  m.top = static_cast<float>(a.origin.y);
  m.right = static_cast<float>(s.pgSz.w - (a.origin.x + a.size.width));
  m.bottom = static_cast<float>(s.pgSz.h - (a.origin.y + a.size.height) - 1);
  s.pgMar = m;
  s.type = 6;
  VQDocxRunText::Array texts = allRunTextArray;
  auto sections = VQDocxPageSection::CreatePageSection(texts, s, kTableCellArea, false, page);
  if (!sections.empty()) {
    tcProperty.vAlign = sections.front()->sectProperty().vAlign;
    for (const auto& section : sections) section->superPage = page;
    const double d = RectGetMaxY(allRunTextBounds()) - RectGetMaxY(a);
    if (d > 0) sections.front()->moveUpParagraphIfNeed(d);
  }
  allPageSectionArray = std::move(sections);
  for (const auto& section : allPageSectionArray) section->createXMLObjects();
}

std::shared_ptr<VQDocxParagraph> VQDocxTableCell::sampleParagraph() {
  if (sampleParagraph_) return sampleParagraph_;
  if (superTableCellGroup) return superTableCellGroup->sampleParagraph();
  for (const auto& section : allPageSectionArray)
    if (auto paragraph = section->firstParagraph()) return sampleParagraph_ = paragraph;
  return nullptr;
}

void VQDocxTableCell::writeWithXMLWriter(XMLFileWriter& writer) {
  if (superTableCellGroup) {
    VQDocxTableCellGroup& group = *superTableCellGroup;
    if (columnRange.location != group.columnRange.location) return;
    if (rowRange.location == group.rowRange.location) group.writeWithXMLWriter(writer);
    else group.writeRowMergeEndWithXMLWriter(writer);
    return;
  }
  writeCell(writer);
}

void VQDocxTableCell::writeCell(XMLFileWriter& writer) {
  writer.writeStartElementWithNamespace(gl_namespace_xmlns_w, "tc");
  VQDocx_TcPr tc = tcProperty;
  VQDocxRuledTable* table = superTable();
  const VQDocx_TblPr tbl = table ? table->tblProperty : VQDocx_TblPr{};
  if (allPageSectionArray.empty() && superTableRow)
    if (VQDocxTableCell* sample = superTableRow->sampleDisplayTableCell(this)) tc.vAlign = sample->tcProperty.vAlign;
  VQDocxUtilities::WriteTcProperty(tc, columnRange, rowRange, tbl, writer);

  if (!allSubTableArray.empty() && table) {
    VQDocx_SectPr s = table->sectProperty;
    s.pgMar.top = static_cast<float>(bounds.origin.y);
    s.pgMar.left = static_cast<float>(bounds.origin.x);
    s.pgMar.right = static_cast<float>(s.pgSz.w - (bounds.origin.x + bounds.size.width));
    s.pgMar.bottom = static_cast<float>(s.pgSz.h - (bounds.origin.y + bounds.size.height));
    for (const auto& sub : allSubTableArray) {
      sub->setSectProperty(s);
      sub->convertToXMLProperty();
      sub->writeWithXMLWriter(writer);
    }
  }
  for (const auto& section : allPageSectionArray) section->writeWithXMLWriter(writer);
  // A cell ends in a paragraph: one without text, or one after a nested
  // table (Word requires a paragraph as the cell's last element).
  if (allPageSectionArray.empty() || !allSubTableArray.empty()) {
    writer.writeStartElementWithNamespace(gl_namespace_xmlns_w, "p");
    std::shared_ptr<VQDocxParagraph> sample = superTableRow ? superTableRow->defaultParagraph() : nullptr;
    if (!sample && table) sample = table->defaultParagraph();
    VQDocx_PPr p = sample ? sample->pProperty : VQDocxUtilities::defaultPProperty();
    VQDocx_RPr r = sample ? sample->rProperty : VQDocxUtilities::defaultRProperty();
    if (sample && p.jc == 2) p.ind = VQDocx_Ind{};
    r.spacing = 0;
    r.u = 0;
    r.strikethrough = 0;
    const double h = superTableRow ? superTableRow->bounds.size.height : 0;
    if (p.spacing.line > h || p.spacing.line + p.spacing.before + p.spacing.after > h) {
      const auto fit = static_cast<float>(std::max(1.0, h - 1));
      p.spacing.line = fit;
      r.sz = fit;
      r.szCs = fit;
    }
    VQDocxUtilities::WritePProperty(p, r, VQDocxUtilities::defaultSectPropertyHiden(),
                                    VQDocxUtilities::defaultTabsProperty(), writer);
    writer.writeEndElement();
  }
  writer.writeEndElement();  // tc
}

// ---- row

VQDocxTableRow::VQDocxTableRow(std::shared_ptr<VQDocxTablePoint> tl, std::shared_ptr<VQDocxTablePoint> tr,
                               std::shared_ptr<VQDocxTablePoint> bl, std::shared_ptr<VQDocxTablePoint> br)
    : VQDocxTableRect(std::move(tl), std::move(tr), std::move(bl), std::move(br)),
      trProperty(VQDocxUtilities::defaultTrProperty()) {}

Rect VQDocxTableRow::allRunTextBounds() const {
  Rect result = RectZero;
  for (const auto& cell : tableCellArray) result = unionOfTexts(cell->allRunTextArray, result);
  return result;
}

std::shared_ptr<VQDocxParagraph> VQDocxTableRow::defaultParagraph() {
  if (defaultParagraph_) return defaultParagraph_;
  for (const auto& cell : tableCellArray)
    if (auto paragraph = cell->sampleParagraph()) return defaultParagraph_ = paragraph;
  return nullptr;
}

VQDocxTableCell* VQDocxTableRow::sampleDisplayTableCell(const VQDocxTableCell* cell) {
  std::vector<VQDocxTableCell*> order;
  const auto at =
      std::find_if(tableCellArray.begin(), tableCellArray.end(), [&](const auto& c) { return c.get() == cell; });
  if (at == tableCellArray.end()) {
    for (const auto& c : tableCellArray) order.push_back(c.get());
  } else {
    for (auto it = at; it != tableCellArray.begin();) order.push_back((--it)->get());
    for (auto it = at + 1; it != tableCellArray.end(); ++it) order.push_back(it->get());
  }
  for (VQDocxTableCell* c : order) {
    VQDocxTableCell* shown = c->displayTableCell();
    if (!shown->allPageSectionArray.empty()) return shown;
  }
  return nullptr;
}

void VQDocxTableRow::createXMLProperty() {
  if (!tableCellArray.empty()) {
    const VQDocx_Borders& first = tableCellArray.front()->tcProperty.tcBorders;
    trProperty.top = first.top;
    trProperty.bottom = first.bottom;
    trProperty.left = first.left;
    for (const auto& cell : tableCellArray) {
      const VQDocx_Borders& b = cell->tcProperty.tcBorders;
      if (isRealLine(b.top) && b.top.sz > trProperty.top.sz) trProperty.top = b.top;
      if (isRealLine(b.bottom) && b.bottom.sz > trProperty.bottom.sz) trProperty.bottom = b.bottom;
    }
    trProperty.right = tableCellArray.back()->tcProperty.tcBorders.right;
  }
  trProperty.trHeight.val = static_cast<float>(bounds.size.height);
  Rect textBox = allRunTextBounds();
  textBox.size.height += 2;
  const double t = DisplayBoarderSize(trProperty.top);
  const double b = DisplayBoarderSize(trProperty.bottom);
  const Rect inner =
      RectMake(bounds.origin.x - 10, bounds.origin.y + t, bounds.size.width + 20, bounds.size.height - t - b);
  // A row whose text fits may grow; a row whose text overflows keeps its
  // height.
  trProperty.trHeight.hRule = RectContainsRect(inner, textBox) ? 1 : 2;
  trProperty.cantSplit = 0;
  trProperty.hidden = 0;
}

void VQDocxTableRow::writeWithXMLWriter(XMLFileWriter& writer) {
  writer.writeStartElementWithNamespace(gl_namespace_xmlns_w, "tr");
  VQDocx_TrPr tr = trProperty;
  if (tr.trHeight.hRule == 1) {
    const double t = DisplayBoarderSize(tr.top);
    tr.trHeight.val = static_cast<float>(tr.trHeight.val - 5 > t ? tr.trHeight.val - t : 5);
  }
  VQDocxUtilities::WriteTrProperty(tr, writer);
  for (const auto& cell : tableCellArray) cell->writeWithXMLWriter(writer);
  writer.writeEndElement();
}

}  // namespace vq
