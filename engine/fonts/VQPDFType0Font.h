#pragma once
// Composite (Type 0) fonts: an encoding CMap cuts strings into CIDs; the
// descendant CIDFont gives advances, /ToUnicode or the collection's
// CID-to-Unicode map gives text.
#include <memory>
#include <string>
#include <vector>

#include "fonts/VQPDFFont.h"

namespace vq {

class VQPDFCodeToCIDMap;
class VQPDFCodeToCIDMapCache;

struct VQPDFCIDWidthException {
  uint32_t first = 0;
  uint32_t last = 0;
  double width = 0;
};

struct VQPDFCIDVerticalException {
  uint32_t first = 0;
  uint32_t last = 0;
  double height = 0;
  double vx = 0;
  double vy = 0;
};

struct VQPDFCIDWidths {
  double defaultWidth = 1.0;
  double defaultHeight = -1.0;
  double defaultVerticalOriginY = 0.88;
  std::vector<VQPDFCIDWidthException> exceptions;             // sorted by first CID
  std::vector<VQPDFCIDVerticalException> verticalExceptions;  // sorted by first CID
};

class VQPDFCIDTypeFont : public VQPDFFont {
 public:
  std::shared_ptr<VQPDFFont> copy() const override { return std::make_shared<VQPDFCIDTypeFont>(*this); }
  bool setUp(const pdf::Object& dictionary, const std::string& key) { return initWithDictionary(dictionary, key); }

  // The glyph of a CID in the embedded program.
  virtual uint32_t glyphForCID(uint32_t cid) const { return cid; }
  // Horizontal advance (wMode 0) or vertical advance and origin (wMode 1).
  void getCIDWidths(uint32_t cid, int wMode, float* dx, float* dy, float* ox, float* oy) const;

  std::shared_ptr<const VQPDFCharCodeToUnicode> extToUnicodeMap;
  VQPDFCIDWidths cidWidths;
  std::string cidSystemRegion;  // Registry-Ordering
  std::string cidSystemInfo;    // Registry-Ordering-Supplement

 protected:
  bool initWithDictionary(const pdf::Object& dictionary, const std::string& key) override;
  void setWidthsWithFontDictionary(const pdf::Object& dictionary) override;
};

class VQPDFCIDType0Font : public VQPDFCIDTypeFont {
 public:
  std::shared_ptr<VQPDFFont> copy() const override { return std::make_shared<VQPDFCIDType0Font>(*this); }
};

class VQPDFCIDType2Font : public VQPDFCIDTypeFont {
 public:
  std::shared_ptr<VQPDFFont> copy() const override { return std::make_shared<VQPDFCIDType2Font>(*this); }
  uint32_t glyphForCID(uint32_t cid) const override;

  std::vector<uint16_t> cidToGID;
  bool identity = false;

 protected:
  bool initWithDictionary(const pdf::Object& dictionary, const std::string& key) override;
};

class VQPDFType0Font : public VQPDFFont {
 public:
  std::shared_ptr<VQPDFFont> copy() const override;

  using VQPDFFont::getNextChar;
  size_t getNextChar(const uint8_t* bytes, size_t len, uint32_t* code, uint32_t* u, int uSize, int* uLen, float* dx,
                     float* dy, float* ox, float* oy) const override;
  double embFontWidthForCode(uint32_t code) const override;
  double widthOfSpace() const override;
  double ascent() const override;
  double descent() const override;
  Rect fontBBox() const override;
  void updateBankSpaceWidth() override;

  const VQPDFCIDTypeFont* cidTypeFont() const {
    return descendantFonts.empty() ? nullptr : descendantFonts.front().get();
  }

  std::shared_ptr<const VQPDFCharCodeToUnicode> extToUnicodeMap;
  std::shared_ptr<const VQPDFCodeToCIDMap> extToCIDMap;
  std::vector<std::shared_ptr<VQPDFCIDTypeFont>> descendantFonts;
  std::string cMapName;

 protected:
  bool initWithDictionary(const pdf::Object& dictionary, const std::string& key) override;

 private:
  void setDescendantFonts(const pdf::Object& dictionary);
  std::shared_ptr<const VQPDFCodeToCIDMap> embeddedCMap(VQPDFCodeToCIDMapCache& cache, const pdf::Object& stream,
                                                        int depth) const;
  void cidWidths(uint32_t cid, float* dx, float* dy, float* ox, float* oy) const;
};

}  // namespace vq
