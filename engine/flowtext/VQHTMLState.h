#pragma once
// The HTML style registry of one document: every distinct paragraph and span
// style gets a class number (its position), written into the style sheet at
// the end; the registry also tracks the open paragraph, span, bold and italic
// tags of the body.
#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "flowtext/VQFlowTextFileWriter.h"
#include "flowtext/VQFlowTextTypes.h"

namespace vq::flowtext {

struct VQHTML_CSS_Color {
  int red = 0, green = 0, blue = 0, alpha = 1;
};
struct VQHTML_CSS_Font {
  float fontSize = 12;  // CSS pixels
  std::string fontName = kDefaultFontName;
};
struct VQHTML_CSS_Margin {
  float top = 0, right = 0, bottom = 0, left = 0;
};
struct VQHTML_CSS_Paragraph {
  float textIndent = 0;
  VQHTML_CSS_Margin margin;
  VQHTML_CSS_Font font;
  VQHTML_CSS_Color color;
};
struct VQHTML_CSS_Span {
  int textDecoration = 0;  // 0 none, 1 underline
  int fontWeight = 0;      // 0 normal, 1 bold
  int fontStyle = 0;       // 0 normal, 1 italic
  VQHTML_CSS_Font font;
  VQHTML_CSS_Color color;
};

struct VQHTMLUtilities {
  static const char* cssFontWeight(int index);
  static const char* cssFontStyle(int index);
  static const char* cssTextDecoration(int index);
  static VQHTML_CSS_Paragraph defaultCssParagraphProperty() { return {}; }
  static VQHTML_CSS_Span defaultCssSpanProperty() { return {}; }
  static VQHTML_CSS_Color fixedCssColor(VQHTML_CSS_Color c);
  static std::string cssSafeFontName(const std::string& name);
  static bool isCSSColorEqual(const VQHTML_CSS_Color& a, const VQHTML_CSS_Color& b);
  static bool isCSSFontEqual(const VQHTML_CSS_Font& a, const VQHTML_CSS_Font& b);
  static bool isCSSParagraphEqual(const VQHTML_CSS_Paragraph& a, const VQHTML_CSS_Paragraph& b);
  // Bold and italic are tags inside the span, not part of its class.
  static bool isCSSSpanEqual(const VQHTML_CSS_Span& a, const VQHTML_CSS_Span& b);
  // Hashes that agree wherever the comparisons above find two styles equal.
  static size_t cssHash(const VQHTML_CSS_Paragraph& p);
  static size_t cssHash(const VQHTML_CSS_Span& s);
  static std::string cssStringFormat(const VQHTML_CSS_Paragraph& p);
  static std::string cssStringFormat(const VQHTML_CSS_Span& s);
};

class VQHTMLState {
 public:
  void resetToDefault();
  void writeCSSParagraphBegain(VQHTML_CSS_Paragraph style, VQFlowTextFileWriter& w);
  void writeCSSParagraphEnd(VQFlowTextFileWriter& w);
  void writeCSSCSSSpanBegain(VQHTML_CSS_Span style, VQFlowTextFileWriter& w);
  void endWriteSpanTagsIfNeed(VQFlowTextFileWriter& w);
  void endWriteParagraphTagsIfNeed(VQFlowTextFileWriter& w);
  void writeRegistedCSSParagraph(VQFlowTextFileWriter& w) const;
  void writeRegistedCSSSpan(VQFlowTextFileWriter& w) const;
  size_t paragraphStyleCount() const { return paragraphs_.size(); }
  size_t spanStyleCount() const { return spans_.size(); }

 private:
  int indexOf(const VQHTML_CSS_Paragraph& s);
  int indexOf(const VQHTML_CSS_Span& s);
  // The font with its size within 8..288 px (not a number: 288) and its name
  // made safe inside a quoted CSS string in a style element (empty: "Times
  // New Roman"); the last name asked for is kept, as a page's runs mostly
  // share one.
  VQHTML_CSS_Font fixedFont(VQHTML_CSS_Font f);

  std::vector<VQHTML_CSS_Paragraph> paragraphs_;
  std::vector<VQHTML_CSS_Span> spans_;
  // Each style's class numbers by hash, lowest first: a document of a
  // thousand paragraph styles is not searched style by style.
  std::unordered_map<size_t, std::vector<int>> paragraphsByHash_;
  std::unordered_map<size_t, std::vector<int>> spansByHash_;
  std::string lastFontName_, lastSafeFontName_ = VQHTMLUtilities::cssSafeFontName("");
  bool isParagraphWrited_ = false;
  VQHTML_CSS_Paragraph cssParagraphUsed_;
  bool isSpanWrited_ = false;
  VQHTML_CSS_Span cssSpanUsed_;
};

}  // namespace vq::flowtext
