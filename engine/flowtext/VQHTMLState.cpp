#include "flowtext/VQHTMLState.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>

namespace vq::flowtext {

const char* VQHTMLUtilities::cssFontWeight(int index) {
  static const char* const k[] = {"normal", "bold", "bolder", "lighter", "100", "200", "300",
                                  "400",    "500",  "600",    "700",     "800", "900", "inherit"};
  return (index >= 0 && index < 14) ? k[index] : k[0];
}
const char* VQHTMLUtilities::cssFontStyle(int index) {
  static const char* const k[] = {"normal", "italic", "oblique", "inherit"};
  return (index >= 0 && index < 4) ? k[index] : k[0];
}
const char* VQHTMLUtilities::cssTextDecoration(int index) {
  static const char* const k[] = {"none", "underline", "line-through", "blink", "inherit"};
  return (index >= 0 && index < 5) ? k[index] : k[0];
}

VQHTML_CSS_Color VQHTMLUtilities::fixedCssColor(VQHTML_CSS_Color c) {
  auto fix = [](int v) { return std::clamp(v, 0, 255); };
  return {fix(c.red), fix(c.green), fix(c.blue), fix(c.alpha)};
}

std::string VQHTMLUtilities::cssSafeFontName(const std::string& name) {
  // Font family names come from the PDF. Inside `font: 12px '...'` within a
  // <style> element, quotes, backslashes, angle brackets, braces and
  // semicolons could end the string, the rule or the element; they are dropped
  // with every control character. Other letters (any script) stay.
  std::string out;
  for (size_t i = 0; i < name.size();) {
    const char32_t cp = VQFlowTextNextCodePoint(name, i);
    if (cp < 0x20 || cp == 0x7F || cp == 0xFFFD) continue;
    if (cp < 0x80 && std::strchr("'\"\\<>{};/*@", static_cast<char>(cp))) continue;
    std::string one;
    VQFlowTextAppendUTF8(one, cp);
    if (out.size() + one.size() > 217) break;  // whole characters only
    out += one;
  }
  const auto first = out.find_first_not_of(' ');
  if (first == std::string::npos) return kDefaultFontName;
  out.erase(0, first);
  out.erase(out.find_last_not_of(' ') + 1);
  return out;
}

bool VQHTMLUtilities::isCSSColorEqual(const VQHTML_CSS_Color& a, const VQHTML_CSS_Color& b) {
  return a.red == b.red && a.green == b.green && a.blue == b.blue && a.alpha == b.alpha;
}
bool VQHTMLUtilities::isCSSFontEqual(const VQHTML_CSS_Font& a, const VQHTML_CSS_Font& b) {
  return a.fontSize == b.fontSize && a.fontName == b.fontName;
}
bool VQHTMLUtilities::isCSSParagraphEqual(const VQHTML_CSS_Paragraph& a, const VQHTML_CSS_Paragraph& b) {
  return a.textIndent == b.textIndent && a.margin.top == b.margin.top && a.margin.right == b.margin.right &&
         a.margin.bottom == b.margin.bottom && a.margin.left == b.margin.left && isCSSColorEqual(a.color, b.color) &&
         isCSSFontEqual(a.font, b.font);
}
bool VQHTMLUtilities::isCSSSpanEqual(const VQHTML_CSS_Span& a, const VQHTML_CSS_Span& b) {
  return a.textDecoration == b.textDecoration && isCSSColorEqual(a.color, b.color) && isCSSFontEqual(a.font, b.font);
}

std::string VQHTMLUtilities::cssStringFormat(const VQHTML_CSS_Paragraph& p) {
  return fmt::format(
      "{{margin: {:.0f}px {:.0f}px {:.0f}px {:.0f}px; text-indent: {:.0f}px; font: {:.0f}px '{}'; "
      "color: #{:02x}{:02x}{:02x}}}",
      p.margin.top, p.margin.right, p.margin.bottom, p.margin.left, p.textIndent, p.font.fontSize, p.font.fontName,
      p.color.red, p.color.green, p.color.blue);
}

std::string VQHTMLUtilities::cssStringFormat(const VQHTML_CSS_Span& s) {
  std::string decoration;
  if (s.textDecoration != 0) decoration = fmt::format(" text-decoration: {};", cssTextDecoration(s.textDecoration));
  return fmt::format("{{ font: {:.0f}px '{}';{} color: #{:02x}{:02x}{:02x}}}", s.font.fontSize, s.font.fontName,
                     decoration, s.color.red, s.color.green, s.color.blue);
}

void VQHTMLState::resetToDefault() { *this = VQHTMLState(); }

namespace {

size_t mixHash(size_t h, size_t v) { return h ^ (v + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2)); }
// Equal numbers hash alike: both zeros as one.
size_t floatHash(float f) {
  if (f == 0) f = 0;
  uint32_t bits = 0;
  std::memcpy(&bits, &f, sizeof bits);
  return bits;
}
size_t colorFontHash(size_t h, const VQHTML_CSS_Color& c, const VQHTML_CSS_Font& f) {
  for (int v : {c.red, c.green, c.blue, c.alpha}) h = mixHash(h, static_cast<size_t>(static_cast<unsigned>(v)));
  h = mixHash(h, floatHash(f.fontSize));
  return mixHash(h, std::hash<std::string>()(f.fontName));
}

// The first of `styles` equal to `s`, found through its hash, or a new one.
template <class Style, class Equal>
int indexOfStyle(std::vector<Style>& styles, std::unordered_map<size_t, std::vector<int>>& byHash, const Style& s,
                 Equal equal) {
  std::vector<int>& same = byHash[VQHTMLUtilities::cssHash(s)];
  for (int i : same)
    if (equal(styles[static_cast<size_t>(i)], s)) return i;
  styles.push_back(s);
  same.push_back(static_cast<int>(styles.size() - 1));
  return same.back();
}

}  // namespace

size_t VQHTMLUtilities::cssHash(const VQHTML_CSS_Paragraph& p) {
  size_t h = floatHash(p.textIndent);
  for (float v : {p.margin.top, p.margin.right, p.margin.bottom, p.margin.left}) h = mixHash(h, floatHash(v));
  return colorFontHash(h, p.color, p.font);
}

size_t VQHTMLUtilities::cssHash(const VQHTML_CSS_Span& s) {
  return colorFontHash(static_cast<size_t>(static_cast<unsigned>(s.textDecoration)), s.color, s.font);
}

int VQHTMLState::indexOf(const VQHTML_CSS_Paragraph& s) {
  return indexOfStyle(paragraphs_, paragraphsByHash_, s, VQHTMLUtilities::isCSSParagraphEqual);
}

int VQHTMLState::indexOf(const VQHTML_CSS_Span& s) {
  return indexOfStyle(spans_, spansByHash_, s, VQHTMLUtilities::isCSSSpanEqual);
}

VQHTML_CSS_Font VQHTMLState::fixedFont(VQHTML_CSS_Font f) {
  if (f.fontName != lastFontName_) {
    lastFontName_ = f.fontName;
    lastSafeFontName_ = VQHTMLUtilities::cssSafeFontName(f.fontName);
  }
  f.fontSize = std::isnan(f.fontSize) ? 288 : std::clamp(f.fontSize, 8.0f, 288.0f);
  f.fontName = lastSafeFontName_;
  return f;
}

void VQHTMLState::writeCSSParagraphBegain(VQHTML_CSS_Paragraph style, VQFlowTextFileWriter& w) {
  style.color = VQHTMLUtilities::fixedCssColor(style.color);
  style.font = fixedFont(std::move(style.font));
  endWriteParagraphTagsIfNeed(w);
  w.write(fmt::format("\n<p class=\"p{}\">", indexOf(style)));
  isParagraphWrited_ = true;
  cssParagraphUsed_ = style;
}

void VQHTMLState::writeCSSParagraphEnd(VQFlowTextFileWriter& w) {
  if (!isParagraphWrited_) return;
  w.write("</p>");
  isParagraphWrited_ = false;
}

void VQHTMLState::writeCSSCSSSpanBegain(VQHTML_CSS_Span style, VQFlowTextFileWriter& w) {
  style.color = VQHTMLUtilities::fixedCssColor(style.color);
  style.font = fixedFont(std::move(style.font));
  if (isSpanWrited_ && VQHTMLUtilities::isCSSSpanEqual(style, cssSpanUsed_)) {
    // Toggle bold and italic inside the span, keeping <b> outside <i> so the
    // tags always nest.
    const bool boldChanges = style.fontWeight != cssSpanUsed_.fontWeight;
    const bool italicChanges = style.fontStyle != cssSpanUsed_.fontStyle;
    if (boldChanges || italicChanges) {
      if (cssSpanUsed_.fontStyle) w.write("</i>");
      if (boldChanges) w.write(cssSpanUsed_.fontWeight ? "</b>" : "<b>");
      if (style.fontStyle) w.write("<i>");
    }
    cssSpanUsed_ = style;
    return;
  }
  endWriteSpanTagsIfNeed(w);
  w.write(fmt::format("<span class=\"s{}\">", indexOf(style)));
  if (style.fontWeight) w.write("<b>");
  if (style.fontStyle) w.write("<i>");
  isSpanWrited_ = true;
  cssSpanUsed_ = style;
}

void VQHTMLState::endWriteSpanTagsIfNeed(VQFlowTextFileWriter& w) {
  if (!isSpanWrited_) return;
  // Close in the reverse order of opening so the tags nest.
  if (cssSpanUsed_.fontStyle) w.write("</i>");
  if (cssSpanUsed_.fontWeight) w.write("</b>");
  w.write("</span>");
  isSpanWrited_ = false;
}

void VQHTMLState::endWriteParagraphTagsIfNeed(VQFlowTextFileWriter& w) {
  endWriteSpanTagsIfNeed(w);
  writeCSSParagraphEnd(w);
}

void VQHTMLState::writeRegistedCSSParagraph(VQFlowTextFileWriter& w) const {
  for (size_t i = 0; i < paragraphs_.size(); ++i)
    w.write(fmt::format("    p.p{} {}\n", i, VQHTMLUtilities::cssStringFormat(paragraphs_[i])));
}

void VQHTMLState::writeRegistedCSSSpan(VQFlowTextFileWriter& w) const {
  for (size_t i = 0; i < spans_.size(); ++i)
    w.write(fmt::format("    span.s{} {}\n", i, VQHTMLUtilities::cssStringFormat(spans_[i])));
}

}  // namespace vq::flowtext
