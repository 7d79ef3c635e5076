#pragma once
// One-byte fonts: Type1, MMType1, TrueType and Type3. Text comes from the
// /ToUnicode map, the /Differences glyph names or the base encoding; widths
// from /Widths, the standard-14 metrics or a substitute standard font.
#include <array>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "fonts/VQPDFFont.h"
#include "platform/graphics/VQGeometry.h"

namespace vq {

// One Type 3 glyph procedure (or, for /CharProcs entries that are strings or
// names, their text).
struct VQPDFFontCharProc {
  AffineTransform ctm{0, 0, 0, 0, 0, 0};
  pdf::Object xObjectStream;
  pdf::Object xObjectDictionary;
  std::string text;  // set for string and name entries; the stream fields stay null
  AffineTransform matrixTransform() const { return AffineTransform{}; }
};

class VQPDFSimple8BitFont : public VQPDFFont {
 public:
  static constexpr int kWidthCount = 320;

  VQPDFSimple8BitFont() : charWidths(kWidthCount, 0.0) {}
  std::shared_ptr<VQPDFFont> copy() const override { return std::make_shared<VQPDFSimple8BitFont>(*this); }

  using VQPDFFont::getNextChar;
  size_t getNextChar(const uint8_t* bytes, size_t len, uint32_t* code, uint32_t* u, int uSize, int* uLen, float* dx,
                     float* dy, float* ox, float* oy) const override;
  double embFontWidthForCode(uint32_t code) const override;
  double widthOfSpace() const override;
  double ascent() const override;
  double descent() const override;
  Rect fontBBox() const override;
  void updateBankSpaceWidth() override;
  bool holdsDocumentObjects() const override { return !type3_charProcs.empty() || !type3_resources.isNull(); }

  std::vector<double> charWidths;  // 320 advances in text-space units
  // The code of the font's blank: 32, unless 32 reads as something else
  // and another code reads as the blank (a /Differences /space or a
  // ToUnicode U+0020 at that code).
  int blankCode = 32;
  // Advances across the baseline, in text-space units: empty unless a Type 3
  // font matrix turns or slants the glyphs' baseline.
  std::vector<double> charRises;
  // Glyph space to text space for Type 3 fonts (their /FontMatrix); null for
  // the other kinds, whose glyph units are thousandths of text space.
  std::optional<AffineTransform> glyphMatrix;
  // A Type 3 font's /FontBBox in text space (corners, as in
  // VQPDFFontDescriptor::fontBBox); null when it has none that encloses anything.
  // Ascent and descent do not come from it: the box encloses every glyph,
  // accents and tall symbols included, and lines of text measured by it are
  // told apart worse than with the usual ascent and descent.
  std::optional<Rect> type3BBox;
  std::string fontEncodingName;  // the encoding in force (WinAnsiEncoding ...)
  // Code -> UTF-8 text from /Differences or the program's encoding, empty
  // where neither gives one: a table, as every glyph shown looks its code up.
  std::array<std::string, 256> differences;
  std::set<int> textlessCodes;  // codes whose /Differences name stands for no character
  // The code-to-character table of a symbol font known by name (Symbol,
  // Wingdings), null for other fonts: what its private-use text stands for.
  uint32_t (*symbolCharacters)(uint8_t code) = nullptr;
  std::map<std::string, VQPDFFontCharProc> type3_charProcs;
  pdf::Object type3_resources;  // stays null after set-up

  // The Unicode value of a byte in a one-byte string encoding, 0 when it has none.
  static uint32_t DecodeByte(int stringEncoding, uint8_t byte);

 protected:
  bool initWithDictionary(const pdf::Object& dictionary, const std::string& key) override;
  void setWidthsWithFontDictionary(const pdf::Object& dictionary) override;
  virtual int defaultStringEncoding() const { return kVQStringEncodingWindowsCP1252; }
  void setEncodingWithEncodingObject(const pdf::Object& encoding);
  void setEncodingName(const std::string& name);
  void readDifferences(const pdf::Object& array);
  // A width in glyph units as a text-space advance (x along the baseline).
  Point glyphAdvance(double width) const;
  // Rewrites the descriptor's metrics, read as thousandths, in the units of
  // the Type 3 font matrix, and reads the font's own /FontBBox.
  void applyGlyphMatrix(const pdf::Object& dictionary);
  // Adds the text of the embedded program's own encoding for the codes that
  // /Differences leaves open, when /Encoding calls for that encoding.
  void addBuiltinEncoding(const pdf::Object& encoding);
};

class VQPDFType1Font : public VQPDFSimple8BitFont {
 public:
  std::shared_ptr<VQPDFFont> copy() const override { return std::make_shared<VQPDFType1Font>(*this); }
};
class VQPDFMMType1Font : public VQPDFSimple8BitFont {
 public:
  std::shared_ptr<VQPDFFont> copy() const override { return std::make_shared<VQPDFMMType1Font>(*this); }
};
class VQPDFTrueTypeFont : public VQPDFSimple8BitFont {
 public:
  std::shared_ptr<VQPDFFont> copy() const override { return std::make_shared<VQPDFTrueTypeFont>(*this); }
};
class VQPDFType1CFont : public VQPDFSimple8BitFont {
 public:
  std::shared_ptr<VQPDFFont> copy() const override { return std::make_shared<VQPDFType1CFont>(*this); }
};
class VQPDFType3Font : public VQPDFSimple8BitFont {
 public:
  std::shared_ptr<VQPDFFont> copy() const override { return std::make_shared<VQPDFType3Font>(*this); }

 protected:
  int defaultStringEncoding() const override { return kVQStringEncodingASCII; }
};

}  // namespace vq
