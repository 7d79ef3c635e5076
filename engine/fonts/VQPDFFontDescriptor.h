#pragma once
// The values of a /FontDescriptor dictionary, the style flags the writers test
// and the embedded font program (loaded with FreeType from the PDF's bytes).
#include <cstdint>
#include <memory>
#include <string>

#include "platform/graphics/VQGeometry.h"
#include "platform/pdf/PdfObject.h"

namespace vq {

namespace text {
class FontFace;
}

class VQPDFFontDescriptor {
 public:
  // Font flag bits (PDF 32000-1, table 123).
  enum : uint32_t {
    kFixedPitch = 1u << 0,
    kSerif = 1u << 1,
    kSymbolic = 1u << 2,
    kScript = 1u << 3,
    kNonsymbolic = 1u << 5,
    kItalic = 1u << 6,
    kAllCap = 1u << 16,
    kSmallCap = 1u << 17,
    kForceBold = 1u << 18,
  };

  // nullptr unless the dictionary is /Type /FontDescriptor.
  static std::shared_ptr<VQPDFFontDescriptor> initWithPDFDictionary(const pdf::Object& dictionary);

  VQPDFFontDescriptor();
  ~VQPDFFontDescriptor();
  VQPDFFontDescriptor(const VQPDFFontDescriptor&);
  VQPDFFontDescriptor& operator=(const VQPDFFontDescriptor&);

  // Metrics: text-space units where the dictionary gives thousandths, as
  // written for the others (leading, capHeight, xHeight, stems, angle).
  double descent = -0.35;
  double ascent = 0.95;
  double leading = 0;
  double capHeight = 0;
  double xHeight = 0;
  double averageWidth = 0;
  double maxWidth = 0;
  double missingWidth = 0;
  double verticalStemWidth = 0;
  double horizontalStemHeigth = 0;
  double italicAngle = 0;
  // origin = (llx, lly) / 1000, size = (urx, ury) / 1000 (corners, not extents)
  Rect fontBBox;
  uint32_t flags = 2;
  std::string fontName;
  std::string fontFamily;

  std::shared_ptr<text::FontFace> embFont;  // shared with copies; the face locks itself
  int embFontNum = 0;                       // 0 none, 1 FontFile, 2 FontFile2, 3 FontFile3
  std::string embFontSubType = "Unknown embedded font type";
  std::string embFullName = "Unknown embedded font full name";
  std::string embPostScriptName = "Unknown embedded font postscript name";

  bool isFixedWidth() const { return flags & kFixedPitch; }
  bool isSerif() const { return flags & kSerif; }
  bool isSymbolic() const { return flags & kSymbolic; }
  bool isScriptor() const { return flags & kScript; }
  bool isNonSymbolic() const { return flags & kNonsymbolic; }
  bool isItalic() const { return flags & kItalic; }
  bool isAllCap() const { return flags & kAllCap; }
  bool isSmallCap() const { return flags & kSmallCap; }
  bool isBold() const { return flags & kForceBold; }
  void setFontSerif(bool on) { setFlag(kSerif, on); }
  void setFontItalic(bool on) { setFlag(kItalic, on); }
  void setFontAllCap(bool on) { setFlag(kAllCap, on); }
  void setFontBold(bool on) { setFlag(kForceBold, on); }

  // Widths of the embedded program at size 1; 0 without one.
  double embFontWidthForGlyphCode(uint32_t glyph) const;
  double embFontWidthForCharCode(uint16_t character) const;
  double embFontWidthForBankSpace() const;
  void setEmbFont(std::shared_ptr<text::FontFace> face);

 private:
  void setFlag(uint32_t bit, bool on) { flags = on ? (flags | bit) : (flags & ~bit); }
};

}  // namespace vq
