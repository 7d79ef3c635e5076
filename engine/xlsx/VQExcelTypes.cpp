#include "xlsx/VQExcelTypes.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "office/XMLFileWriter.h"
#include "xlsx/VQExcelManager.h"
#include "xlsx/VQExcelSortUtilities.h"

namespace vq {

Rect VQExcelStringItemInfo::textBoxRect() const {
  return Rect{{std::round(displayX), std::round(displayY)}, {displayWidth, displayHeight}};
}

std::vector<std::pair<std::string, VQExcelRunTextProperty>> VQExcelRunText::styledPieces() const {
  std::vector<std::pair<std::string, VQExcelRunTextProperty>> out;
  size_t from = 0;
  const VQExcelRunTextProperty* style = &rPr;
  for (const auto& r : restyles) {
    const size_t at = std::min(r.at, text.size());
    if (at > from) out.emplace_back(text.substr(from, at - from), *style);
    from = std::max(from, at);
    style = &r.rPr;
  }
  if (from < text.size() || out.empty()) out.emplace_back(text.substr(from), *style);
  return out;
}

std::vector<std::string> VQExcelStringItem::runTexts() const {
  // Runs that share a cell were apart on the page: their words stay apart.
  std::vector<std::string> out;
  std::string joined;
  for (const auto& r : runArray) {
    std::string t = r->text;
    if (VQExcelSortUtilities::NeedsBlankBetween(joined, t)) t.insert(t.begin(), ' ');
    joined += t;
    out.push_back(std::move(t));
  }
  return out;
}

std::string VQExcelStringItem::content() const {
  std::string s;
  for (const auto& t : runTexts()) s += t;
  return s;
}

double VQExcelStringItem::textWidth() const {
  double w = 0;
  for (const auto& r : runArray) w += r->textWidth;
  return w;
}

const VQExcelRunTextProperty& VQExcelStringItem::runProperty() const {
  static const VQExcelRunTextProperty kDefault;
  return runArray.empty() ? kDefault : runArray.front()->rPr;
}

double VQExcelStringItem::maxFontSize() const {
  double m = 5;
  for (const auto& r : runArray) m = std::max(m, r->rPr.sz);
  return m;
}

bool VQExcelStringItem::isAttributeRunText() const {
  if (runArray.size() < 2) return false;
  for (const auto& r : runArray)
    if (!r->rPr.isEqualToRPr(runArray.front()->rPr)) return true;
  return false;
}

void VQExcelStringItem::calculatStringItemInfo() {
  double minX = std::numeric_limits<double>::max(), minY = minX;
  double maxX = std::numeric_limits<double>::lowest(), maxY = maxX;
  for (const auto& r : runArray) {
    minX = std::min(minX, r->xLeft());
    minY = std::min(minY, r->yTop());
    maxX = std::max(maxX, r->xRight());
    maxY = std::max(maxY, r->yBottom());
    rowLength = std::max(rowLength, r->rowLength);
    columnLength = std::max(columnLength, r->columnLength);
  }
  if (runArray.empty()) return;
  // The box is inset by 2 points on every side.
  itemInfo.displayX = minX + 2;
  itemInfo.displayY = minY + 2;
  itemInfo.displayWidth = (maxX - 2) - itemInfo.displayX;
  itemInfo.displayHeight = (maxY - 2) - itemInfo.displayY;
}

void VQExcelWriteSharedItem(XMLFileWriter& w, const VQExcelSharedItem& item, const VQExcelManager& manager) {
  w.writeStartElement("si");
  for (const auto& run : item) {
    w.writeStartElement("r");
    w.writeStartElement("rPr");
    const double sz = manager.isNeedDefaultFontSize() ? kVQExcelDefaultFontSize : run.rPr.sz;
    w.writeStartElement("sz");
    w.writeAttribute("val", fmt::format("{:.0f}", sz));
    w.writeEndElement();
    w.writeStartElement("color");
    w.writeAttribute("rgb", "FF" + run.rPr.rgbColor);
    w.writeEndElement();
    w.writeStartElement("rFont");
    w.writeAttribute("val", manager.isNeedDefaultFontName() ? std::string(kVQExcelDefaultFontName) : run.rPr.rFont);
    w.writeEndElement();
    w.writeStartElement("b");
    w.writeAttribute("val", run.rPr.b ? "1" : "0");
    w.writeEndElement();
    w.writeStartElement("i");
    w.writeAttribute("val", run.rPr.i ? "1" : "0");
    w.writeEndElement();
    w.writeEndElement();  // rPr
    w.writeStartElement("t");
    w.writeAttributeWithNamespace("http://www.w3.org/XML/1998/namespace", "space", "preserve");
    w.writeCharacters(run.text);
    w.writeEndElement();
    w.writeEndElement();  // r
  }
  w.writeEndElement();  // si
}

void VQExcelCell::writeXML(XMLFileWriter& w) const {
  w.writeStartElement("c");
  const uint64_t col = stringItem ? stringItem->columnIndex : 1;
  const uint64_t row = stringItem ? stringItem->rowIndex : 1;
  w.writeAttribute("r", VQExcelUtilities::cellReference(col, row));
  if (styleIndex != 0xFFFFFFFFu) w.writeAttribute("s", fmt::format("{}", styleIndex));
  w.writeAttribute("t", dataType);
  if (cellValue != "-1") {
    w.writeStartElement("v");
    w.writeCharacters(cellValue);
    w.writeEndElement();
  }
  w.writeEndElement();
}

void VQExcelRow::setRowIndex(uint64_t index) {
  rowIndex = index;
  for (auto& c : cells)
    if (c->stringItem) c->stringItem->rowIndex = index;
}

void VQExcelRow::sortCellsByColumnIndex() {
  std::stable_sort(cells.begin(), cells.end(), [](const VQExcelCellPtr& a, const VQExcelCellPtr& b) {
    return (a->stringItem ? a->stringItem->columnIndex : 0) < (b->stringItem ? b->stringItem->columnIndex : 0);
  });
}

void VQExcelRow::writeXML(XMLFileWriter& w, const VQExcelManager& manager) const {
  w.writeStartElement("row");
  w.writeAttribute("r", fmt::format("{}", rowIndex));
  w.writeAttribute("spans", spans);
  // Row heights are stored in points scaled up to the line height office
  // applications give a font of that size.
  w.writeAttribute(
      "ht", manager.isNeedDefaultRowHeight() ? std::string("13.5") : fmt::format("{:.2f}", frame.size.height * 1.3));
  w.writeAttribute("customHeight", customHeight ? "1" : "0");
  for (const auto& c : cells) c->writeXML(w);
  w.writeEndElement();
}

void VQExcelColumn::setColumnIndex(uint64_t index) {
  columnIndex = index;
  for (auto& c : cells)
    if (c->stringItem) c->stringItem->columnIndex = index;
}

void VQExcelColumn::writeXML(XMLFileWriter& w, const VQExcelManager& manager) const {
  w.writeStartElement("col");
  const std::string idx = fmt::format("{}", columnIndex);
  w.writeAttribute("min", idx);
  w.writeAttribute("max", idx);
  if (manager.isNeedDefaultColumnWidth()) {
    w.writeAttribute("customWidth", "0");
    w.writeAttribute("bestFit", "1");
  } else {
    w.writeAttribute("customWidth", customWidth ? "1" : "0");
  }
  // Column widths count characters of the workbook's font. Rounded up: a
  // column rounded narrower than its widest number would show "###".
  w.writeAttribute("width", fmt::format("{:.0f}", std::ceil(frame.size.width / kVQExcelPointsPerCharacter)));
  w.writeEndElement();
}

std::string VQMergedCell::mergerCellInfo() const {
  return VQExcelUtilities::cellReference(start.c, start.r) + ":" + VQExcelUtilities::cellReference(end.c, end.r);
}

bool VQMergedCell::isCross(const VQMergedCell& o) const {
  // Inclusive cell ranges share a cell when they overlap on both axes.
  return start.c <= o.end.c && o.start.c <= end.c && start.r <= o.end.r && o.start.r <= end.r;
}

int64_t VQMergedCell::numbOfCrossCells(const std::vector<VQMergedCell>& list) const {
  int64_t n = 0;
  for (const auto& m : list)
    if (!(m == *this) && isCross(m)) ++n;
  return n;
}

bool VQExcelIsHaveCrossMergedCells(const std::vector<VQMergedCell>& list) {
  for (const auto& m : list)
    if (m.numbOfCrossCells(list) > 0) return true;
  return false;
}

std::optional<size_t> VQExcelFindTopOneMergedCells(const std::vector<VQMergedCell>& list) {
  std::optional<size_t> best;
  int64_t most = 0;
  for (size_t i = 0; i < list.size(); ++i) {
    const int64_t n = list[i].numbOfCrossCells(list);
    if (n > most) most = n, best = i;
  }
  return best;
}

std::vector<VQMergedCell> VQExcelFixedCrossMergedCells(const std::vector<VQMergedCell>& list) {
  std::vector<VQMergedCell> out = list;
  while (VQExcelIsHaveCrossMergedCells(out)) {
    const auto top = VQExcelFindTopOneMergedCells(out);
    if (!top) break;
    out.erase(out.begin() + static_cast<std::ptrdiff_t>(*top));
  }
  return out;
}

std::optional<std::string> VQExcelUtilities::getColumnName(int64_t n) {
  if (n < 1) return std::nullopt;
  std::string s;
  int64_t a;
  do {
    a = n - 1;
    s.insert(s.begin(), static_cast<char>('A' + a % 26));
    n = a / 26;
  } while (a > 25);
  return s;
}

uint64_t VQExcelUtilities::getColumnNumber(const std::string& name) {
  uint64_t v = 0;
  for (unsigned char c : name) v = v * 26 + (static_cast<uint64_t>(c) - 64);
  return v;
}

std::string VQExcelUtilities::cellReference(uint64_t column, uint64_t row) {
  return getColumnName(static_cast<int64_t>(column)).value_or("A") + fmt::format("{}", row);
}

}  // namespace vq
