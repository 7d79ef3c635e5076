#pragma once
// A page font: the entry of a /Font resource dictionary that turns string
// bytes into character codes, Unicode text and advances, and carries the
// names, metrics and style the writers use for text runs.
//
// A font is built once by the thread that reads its page and is read-only
// afterwards. Kinds: VQPDFSimple8BitFont (Type1, MMType1, TrueType, Type3;
// VQPDFSimple8BitFont.h) and VQPDFType0Font with its CID descendants
// (VQPDFType0Font.h).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "fonts/VQPDFFontDescriptor.h"
#include "platform/graphics/VQGeometry.h"
#include "platform/pdf/PdfObject.h"

namespace vq {

class VQPDFCharCodeToUnicode;
class BuiltinFont;
struct VQPDFFontCharProc;

// One character code cut from a string by VQPDFFont::getNextChar.
struct VQPDFFontChar {
  static constexpr int kMaxUnits = 16;
  size_t bytesUsed = 1;  // always at least 1
  uint32_t code = 0;     // the byte for simple fonts, the CID for Type 0 fonts
  // The code's Unicode text as UTF-16 code units (each in a 32-bit slot), as
  // the font's maps give them; uLen of them are valid.
  uint32_t units[kMaxUnits] = {};
  int uLen = 0;
  // The units as UTF-8: surrogate pairs joined into one character, unpaired
  // surrogates (and units that are no character) dropped. Empty when the code
  // has no text.
  std::string text;
  // Advance in text-space units before font size, character and word spacing
  // and horizontal scaling are applied; (ox, oy) is the vertical-writing origin.
  float dx = 0, dy = 0, ox = 0, oy = 0;
  // A single-byte code 32: the one code that word spacing (Tw) applies to.
  bool isSpace = false;
};

// UTF-16 units (one per 32-bit slot) to UTF-8, joining surrogate pairs and
// dropping unpaired surrogates.
std::string VQUnicodeUnitsToUTF8(const uint32_t* units, int count);

class VQPDFFont {
 public:
  virtual ~VQPDFFont();

  // A font for one entry of a /Font resource dictionary, or nullptr when the
  // dictionary is not /Type /Font, has an unknown /Subtype, or its kind's
  // set-up fails.
  static std::shared_ptr<VQPDFFont> NewFontWithDictionary(const pdf::Object& dictionary, const std::string& objectKey);

  // A deep copy of the same kind.
  virtual std::shared_ptr<VQPDFFont> copy() const = 0;

  // Cuts one character code from `bytes` (len bytes remain). Writes the code,
  // at most uSize UTF-16 units into u (count in *uLen) and the advances.
  // Returns the bytes consumed, at least 1 (also for len 0, writing nothing).
  virtual size_t getNextChar(const uint8_t* bytes, size_t len, uint32_t* code, uint32_t* u, int uSize, int* uLen,
                             float* dx, float* dy, float* ox, float* oy) const;
  // The same as one record, with the text in UTF-8. Kinds add
  // `using VQPDFFont::getNextChar;` so both overloads stay visible.
  VQPDFFontChar getNextChar(const uint8_t* bytes, size_t len) const;
  VQPDFFontChar getNextChar(std::string_view bytes) const {
    return getNextChar(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }

  // Metrics in text-space units (1 = font size).
  virtual double embFontWidthForCode(uint32_t code) const;
  virtual double widthOfSpace() const;
  virtual double ascent() const;
  virtual double descent() const;
  double height() const { return ascent() - descent(); }
  virtual Rect fontBBox() const;
  virtual void updateBankSpaceWidth();
  // The font keeps objects of the file instance it was read through (a
  // Type 3 font's glyph procedures): only that instance's thread may use it.
  virtual bool holdsDocumentObjects() const { return false; }

  std::string objectKey;              // resource name (F1)
  std::string subtype;                // /Subtype
  std::string baseFontName;           // /BaseFont as written, valid UTF-8
  std::string baseFontName_New;       // cleaned base name
  std::string fontName;               // name used for output
  std::string fontFamilyName;         // family of the installed match, or the name cut at its first separator
  std::string fontSystemReplaceName;  // installed font named in the output
  int wMode = 0;
  double bankSpaceCharWidth = 0;                                  // width of the space character; 0 until known
  std::shared_ptr<const VQPDFCharCodeToUnicode> embToUnicodeMap;  // from /ToUnicode
  std::shared_ptr<VQPDFFontDescriptor> fontDescriptor;
  const BuiltinFont* builtinFont = nullptr;  // into the process-wide standard-14 table
  std::string extFontFile;                   // never filled
  int stringEncoding = 0;                    // how a one-byte code becomes text without a map (VQStringEncoding)
  // Where the glyphs' own x and y axes point in text space, each of unit
  // length, without offset: the identity, but for a Type 3 font whose matrix
  // turns, slants or mirrors its glyphs (dvips and Distiller write bitmap
  // fonts upside down and draw them under a text matrix that turns them back).
  // The ascent and descent lie along its y axis.
  AffineTransform glyphOrientation;

 protected:
  VQPDFFont() = default;
  VQPDFFont(const VQPDFFont&) = default;
  VQPDFFont& operator=(const VQPDFFont&) = default;

  virtual bool initWithDictionary(const pdf::Object& dictionary, const std::string& key);
  virtual void setWidthsWithFontDictionary(const pdf::Object& dictionary);

  // Set-up steps shared by every kind.
  void setFontDescriptorWithFontDictionary(const pdf::Object& dictionary);
  void setSubtypeBaseFontName(const pdf::Object& dictionary);
  void setBuiltinFontWithFontDictionary(const pdf::Object& dictionary);
  void setToUnicodeWithFontDictionary(const pdf::Object& dictionary, int nBits);
  void setExtendFontFileWithFontDictionary(const pdf::Object& dictionary);
  void updateFontSystemReplaceName();
  void findReplaceNameByKeyword();
  // The fall-backs of widthOfSpace when the font's own space width r is not in (0, 1).
  double widthOfSpaceFromDescriptor(double r) const;
};

// The platform string encodings a one-byte code can be read with.
enum VQStringEncoding : int {
  kVQStringEncodingNone = 0,
  kVQStringEncodingASCII = 1,
  kVQStringEncodingUTF16 = 10,
  kVQStringEncodingWindowsCP1252 = 12,
  kVQStringEncodingMacRoman = 30,
};

}  // namespace vq
