#include "xlsx/VQExcelStyle.h"

#include <fmt/format.h>

#include <cmath>

#include "office/VQOpenXMLNameSpace.h"
#include "office/XMLFileWriter.h"
#include "platform/text/Utf8.h"
#include "xlsx/VQExcelManager.h"
#include "xlsx/VQExcelNumber.h"

namespace vq {

bool VQExcelStyleFill::isEqualToFill(const VQExcelStyleFill& o) const {
  return patternType == o.patternType && fgRGBColor == o.fgRGBColor &&
         std::fabs(RectGetMinX(rect) - RectGetMinX(o.rect)) <= 2 &&
         std::fabs(RectGetMaxX(rect) - RectGetMaxX(o.rect)) <= 4 &&
         std::fabs(RectGetMaxY(rect) - RectGetMaxY(o.rect)) <= 4;
}

VQExcelStyle::VQExcelStyle() {
  fonts_.push_back(VQExcelStyleFont{});
  fills_.push_back(VQExcelStyleFill{});
  VQExcelStyleFill gray;
  gray.patternType = "gray125";
  fills_.push_back(gray);
  cellStyleXfs_.push_back(VQExcelStyleXf{});
  VQExcelStyleXf xf;
  xf.applyAlignment = 1;
  cellXfs_.push_back(xf);
}

namespace {
constexpr int kFirstCustomNumberFormat = 164;
}  // namespace

bool VQExcelStyle::existNumberFormat(int id) const {
  for (const auto& f : numFmts_)
    if (f.first == id) return true;
  return false;
}

int VQExcelStyle::collectNumberFormat(const std::string& code) {
  std::lock_guard g(lock_);
  for (const auto& f : numFmts_)
    if (f.second == code && f.first != -1) return f.first;
  // Ids below 164 are the built-in formats, which a workbook cannot redefine.
  int id = kFirstCustomNumberFormat;
  while (existNumberFormat(id)) ++id;
  numFmts_.emplace_back(id, code);
  return id;
}

int VQExcelStyle::collectFontsLocked(const VQExcelStyleFont& font) {
  for (size_t i = 0; i < fonts_.size(); ++i)
    if (fonts_[i].isEqualToFont(font)) return static_cast<int>(i);
  fonts_.push_back(font);
  return static_cast<int>(fonts_.size() - 1);
}

int VQExcelStyle::collectFonts(const VQExcelStyleFont& font) {
  std::lock_guard g(lock_);
  return collectFontsLocked(font);
}

void VQExcelStyle::collectFills(const VQExcelStyleFill& fill) {
  std::lock_guard g(lock_);
  for (const auto& [area, index] : fillAreas_)
    if (area.isEqualToFill(fill)) return;
  size_t index = 0;
  while (index < fills_.size() && !fills_[index].looksLike(fill)) ++index;
  if (index == fills_.size()) fills_.push_back(fill);
  fillAreas_.emplace_back(fill, static_cast<int>(index));
}

int VQExcelStyle::getFillIdWithCellFrame(const Rect& cell, const VQExcelManager& manager) {
  if (!manager.isNeedCollectFills()) return 0;
  std::lock_guard g(lock_);
  for (const auto& [area, index] : fillAreas_) {
    const Rect& r = area.rect;
    if (r.size.width > 0 && r.size.height > 0 && RectIntersectsRect(r, cell)) return index;
  }
  return 0;
}

VQExcelStyleFont VQExcelStyle::fontOf(const VQExcelRunTextProperty& rPr, const VQExcelManager& m) const {
  VQExcelStyleFont f;
  f.name = m.isNeedDefaultFontName() ? std::string(kVQExcelDefaultFontName)
                                     : std::string(text::utf8PrefixWithinBytes(rPr.rFont, 255));
  f.sz = m.isNeedDefaultFontSize() ? kVQExcelDefaultFontSize : rPr.sz;
  f.rgbColor = rPr.rgbColor;
  // White text on an unfilled sheet would be invisible.
  if (!m.isNeedCollectFills() && (f.rgbColor.empty() || f.rgbColor == "ffffff")) f.rgbColor = "000000";
  f.b = m.isSpecialVersion() ? false : rPr.b;
  f.i = m.isSpecialVersion() ? false : rPr.i;
  return f;
}

int VQExcelStyle::collectFontsWithRun(VQExcelRunText& run, const VQExcelManager& m) {
  const VQExcelStyleFont f = fontOf(run.rPr, m);
  run.rPr.rFont = f.name;
  run.rPr.sz = f.sz;
  run.rPr.rgbColor = f.rgbColor;
  return collectFonts(f);
}

uint32_t VQExcelStyle::xfIndexLocked(const VQExcelStyleXf& xf) {
  for (size_t i = 0; i < cellXfs_.size(); ++i)
    if (cellXfs_[i].isEqualXf(xf)) return static_cast<uint32_t>(i);
  cellXfs_.push_back(xf);
  return static_cast<uint32_t>(cellXfs_.size() - 1);
}

namespace {
// One level of indent: three blanks of the workbook's default type.
constexpr double kIndentPoints = 10;
// A text this far or less from its column's left edge is set flush left.
constexpr double kFlushLeft = 3;
}  // namespace

uint32_t VQExcelStyle::getStyleIndex(const VQExcelStringItem& item, double cellLeft, double cellRight,
                                     const VQExcelManager& m) {
  std::lock_guard g(lock_);
  VQExcelStyleXf xf;
  xf.fontId = item.isAttributeRunText() ? 0 : collectFontsLocked(fontOf(item.runProperty(), m));
  xf.applyAlignment = 1;
  const auto& info = item.itemInfo;
  const double inset = info.displayX - cellLeft;
  if (inset >= kFlushLeft) {
    // Centred on the page: about as far in from the range's right edge as
    // from its left (wrapped text is always set from the left). Anything
    // else set in from the left (the first line of a paragraph, a
    // sub-heading) is indented, so that its start still shows.
    const double outset = cellRight - (info.displayX + info.displayWidth);
    const bool centred = !m.isNeedWrapText() && item.columnLength != 0 && cellRight > 0 && outset > 0 &&
                         std::fabs(inset - outset) <= std::max(6.0, 0.25 * std::max(inset, outset));
    if (centred) xf.horizontal = "center";
    else xf.indent = std::max(1, static_cast<int>(std::lround(inset / kIndentPoints)));
  }
  return xfIndexLocked(xf);
}

uint32_t VQExcelStyle::styleIndexFrom(VQExcelRunText& run, VQExcelNumber& number, int fillId, const VQExcelManager& m) {
  if (number.numID == -1) number.numID = collectNumberFormat(number.formatCode);
  const int fontId = collectFontsWithRun(run, m);
  std::lock_guard g(lock_);
  VQExcelStyleXf xf;
  xf.numFmtId = number.numID;
  xf.fontId = fontId;
  xf.fillId = fillId;
  xf.applyNumberFormat = 1;
  xf.applyAlignment = 1;
  return xfIndexLocked(xf);
}

size_t VQExcelStyle::fontCount() const {
  std::lock_guard g(lock_);
  return fonts_.size();
}

size_t VQExcelStyle::fillCount() const {
  std::lock_guard g(lock_);
  return fills_.size();
}

size_t VQExcelStyle::cellXfCount() const {
  std::lock_guard g(lock_);
  return cellXfs_.size();
}

namespace {
std::string num(long long v) { return fmt::format("{}", v); }

void writeXfFlags(XMLFileWriter& w, const VQExcelStyleXf& x) {
  if (x.applyNumberFormat) w.writeAttribute("applyNumberFormat", num(x.applyNumberFormat));
  if (x.applyFill) w.writeAttribute("applyFill", num(x.applyFill));
  if (x.applyBorder) w.writeAttribute("applyBorder", num(x.applyBorder));
  if (x.applyAlignment) w.writeAttribute("applyAlignment", num(x.applyAlignment));
  if (x.applyProtection) w.writeAttribute("applyProtection", num(x.applyProtection));
}
}  // namespace

bool VQExcelStyle::writeStyleTo(const std::string& workFolder, const VQExcelManager& m) {
  std::lock_guard g(lock_);
  auto w = XMLFileWriter::initWithPath(workFolder + "/xl/styles.xml");
  if (!w) return false;
  w->writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes");
  w->setPrefix("", VQOpenXMLNameSpace::nameSpace_SpreadSheetml2006Main());
  w->writeStartElementWithNamespace(VQOpenXMLNameSpace::nameSpace_SpreadSheetml2006Main(), "styleSheet");
  if (!numFmts_.empty()) {
    w->writeStartElement("numFmts");
    w->writeAttribute("count", num(static_cast<long long>(numFmts_.size())));
    for (const auto& [id, code] : numFmts_) {
      w->writeStartElement("numFmt");
      w->writeAttribute("numFmtId", num(id));
      w->writeAttribute("formatCode", code);
      w->writeEndElement();
    }
    w->writeEndElement();
  }
  w->writeStartElement("fonts");
  w->writeAttribute("count", num(static_cast<long long>(fonts_.size())));
  for (const auto& f : fonts_) {
    w->writeStartElement("font");
    w->writeStartElement("sz");
    w->writeAttribute("val", fmt::format("{:.0f}", f.sz));
    w->writeEndElement();
    w->writeStartElement("color");
    w->writeAttribute("rgb", "FF" + f.rgbColor);
    w->writeEndElement();
    w->writeStartElement("name");
    w->writeAttribute("val", f.name.empty() ? std::string(kVQExcelDefaultFontName) : f.name);
    w->writeEndElement();
    w->writeStartElement("b");
    w->writeAttribute("val", f.b ? "1" : "0");
    w->writeEndElement();
    w->writeStartElement("i");
    w->writeAttribute("val", f.i ? "1" : "0");
    w->writeEndElement();
    w->writeEndElement();
  }
  w->writeEndElement();
  w->writeStartElement("fills");
  w->writeAttribute("count", num(static_cast<long long>(fills_.size())));
  for (const auto& f : fills_) {
    w->writeStartElement("fill");
    w->writeStartElement("patternFill");
    w->writeAttribute("patternType", f.patternType);
    if (f.fgRGBColor) {
      w->writeStartElement("fgColor");
      w->writeAttribute("rgb", "FF" + *f.fgRGBColor);
      w->writeEndElement();
    }
    w->writeEndElement();
    w->writeEndElement();
  }
  w->writeEndElement();
  w->writeStartElement("borders");
  w->writeAttribute("count", "1");
  w->writeStartElement("border");
  for (const char* side : {"left", "right", "top", "bottom", "diagonal"}) {
    w->writeStartElement(side);
    w->writeEndElement();
  }
  w->writeEndElement();
  w->writeEndElement();
  w->writeStartElement("cellStyleXfs");
  w->writeAttribute("count", num(static_cast<long long>(cellStyleXfs_.size())));
  for (const auto& x : cellStyleXfs_) {
    w->writeStartElement("xf");
    w->writeAttribute("numFmtId", num(x.numFmtId));
    w->writeAttribute("fontId", num(x.fontId));
    w->writeAttribute("fillId", num(x.fillId));
    w->writeAttribute("borderId", num(x.borderId));
    writeXfFlags(*w, x);
    w->writeStartElement("alignment");
    if (!x.vertical.empty()) w->writeAttribute("vertical", x.vertical);
    if (!x.horizontal.empty()) w->writeAttribute("horizontal", x.horizontal);
    w->writeEndElement();
    w->writeEndElement();
  }
  w->writeEndElement();
  w->writeStartElement("cellXfs");
  w->writeAttribute("count", num(static_cast<long long>(cellXfs_.size())));
  for (const auto& x : cellXfs_) {
    w->writeStartElement("xf");
    w->writeAttribute("numFmtId", num(x.numFmtId));
    w->writeAttribute("fontId", num(x.fontId));
    w->writeAttribute("fillId", num(x.fillId));
    w->writeAttribute("borderId", num(x.borderId));
    w->writeAttribute("xfId", num(x.xfId));
    writeXfFlags(*w, x);
    w->writeStartElement("alignment");
    if (!x.horizontal.empty()) w->writeAttribute("horizontal", x.horizontal);
    if (!x.vertical.empty()) w->writeAttribute("vertical", x.vertical);
    if (x.indent > 0) w->writeAttribute("indent", num(x.indent));
    w->writeAttribute("wrapText", m.isNeedWrapText() ? "1" : "0");
    w->writeEndElement();
    w->writeEndElement();
  }
  w->writeEndElement();
  w->writeStartElement("dxfs");
  w->writeAttribute("count", "0");
  w->writeEndElement();
  w->writeStartElement("tableStyles");
  w->writeAttribute("count", "0");
  w->writeAttribute("defaultTableStyle", "TableStyleMedium9");
  w->writeAttribute("defaultPivotStyle", "PivotStyleLight16");
  w->writeEndElement();
  w->writeEndDocument();
  try {
    w->closeFile();
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

}  // namespace vq
