#pragma once
// One font program loaded with FreeType: an embedded font of a PDF (from
// memory; the face keeps its bytes alive) or an installed font file.
// FreeType faces are not thread-safe, so every call takes the face's lock.
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace vq::text {

struct FontTraits {
  bool bold = false;
  bool italic = false;
  bool monospace = false;
  bool serif = false;   // an OS/2 serif class (old style, transitional, modern, Clarendon, slab)
  bool script = false;  // the OS/2 scripts class
};

struct FontMetrics {  // in units of the font size (1 = size)
  double ascender = 0;
  double descender = 0;
  double leading = 0;
  double capHeight = 0;
  double xHeight = 0;
  double italicAngle = 0;
};

class FontFace {
 public:
  // nullptr when FreeType cannot read the data (or the file).
  static std::shared_ptr<FontFace> fromData(std::string data, int faceIndex = 0);
  static std::shared_ptr<FontFace> fromFile(const std::string& path, int faceIndex = 0);
  ~FontFace();
  FontFace(const FontFace&) = delete;
  FontFace& operator=(const FontFace&) = delete;

  std::string postScriptName() const;  // empty when the font has none
  std::string fullName() const;        // empty when the font has none
  std::string familyName() const;
  std::string styleName() const;
  FontTraits traits() const;
  FontMetrics metrics() const;

  // Advances at size 1 (the font's units divided by its units per em).
  double advanceOfGlyph(uint32_t glyph) const;
  // The glyph of a Unicode character through the font's character map, or of
  // a character code through its first map when it has no Unicode one.
  std::optional<uint32_t> glyphForChar(uint32_t character) const;
  double advanceOfChar(uint32_t character) const;  // 0 when it has no glyph
  // The glyph names of the codes 0-255 of a Type 1 or CFF font's own
  // encoding (empty names for codes it leaves undefined); empty when the font
  // has no such encoding or no glyph names.
  std::vector<std::string> builtinEncodingGlyphNames() const;
  // The character the font's Unicode map gives the glyph of that name;
  // nullopt when the font has no such glyph, no glyph names or no Unicode map
  // reaching it.
  std::optional<uint32_t> unicodeOfGlyphName(const std::string& name) const;
  // The lowest character outside the private-use area that the font's
  // Unicode map takes to the glyph; nullopt when none does.
  std::optional<uint32_t> unicodeOfGlyph(uint32_t glyph) const;
  // Sum of the advances of the characters of a UTF-8 string at a size; 0 when
  // any character has no glyph.
  double widthOfString(const std::string& utf8, double size) const;

 private:
  struct Impl;
  explicit FontFace(std::unique_ptr<Impl> impl);
  // The face `open` opens (given the FreeType library) into `impl`, with a
  // character map chosen when the font names none; nullptr when it fails.
  template <class Open>
  static std::shared_ptr<FontFace> openFace(std::unique_ptr<Impl> impl, Open&& open);
  std::unique_ptr<Impl> impl_;
};

}  // namespace vq::text
