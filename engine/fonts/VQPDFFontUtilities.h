#pragma once
// Font names: cleaning, style tests, the font book of installed fonts (or the
// bundle's "FontBook.plist"), the replacement book ("FontBook_Replace.plist")
// and widths in installed or embedded fonts. The books are read once per
// process (and again after the installed-font provider changes).
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vq {

namespace text {
class FontFace;
}

struct VQFontBookRecord {
  std::string fullName;                                                                         // "Full name"
  std::string postScriptName;                                                                   // "PostScript name"
  std::string wordName;                                                                         // "Word name"
  std::string face;                                                                             // "face"
  float ascender = 0, descender = 0, leading = 0, capHeight = 0, italicAngle = 0, xHeight = 0;  // at size 10
};

// family -> PostScript name -> record
using VQFontBook = std::map<std::string, std::map<std::string, VQFontBookRecord>>;
// replacement font -> names or name fragments it replaces, in file order
using VQFontReplaceBook = std::vector<std::pair<std::string, std::vector<std::string>>>;

class VQPDFFontUtilities {
 public:
  VQPDFFontUtilities() = delete;

  static bool isBoldFontName(const std::string& name);
  static bool isItalicFontName(const std::string& name);
  static bool isSerifFontName(const std::string& name);
  static bool isAllCapFontName(const std::string& name);

  static std::shared_ptr<const VQFontBook> GetFontBookInThisDevice();
  static std::shared_ptr<const VQFontBook> GetFontBookInMyBundlePlist();
  static std::shared_ptr<const VQFontReplaceBook> GetFontBookInMyBundlePlist_Replace();
  static std::shared_ptr<const VQFontReplaceBook> GetFontBook_Replace() { return GetFontBookInMyBundlePlist_Replace(); }
  static std::shared_ptr<const VQFontBook> GetFontBook();

  static std::optional<std::string> FontNameExistInFontBook(const std::string& name);
  static std::optional<std::string> FontNameInComputer(const std::string& name) {
    return FontNameExistInFontBook(name);
  }
  static std::optional<std::string> FamilyNameExistInFontBook(const std::string& name);
  static std::optional<std::string> FamilyNameInComputer(const std::string& name) {
    return FamilyNameExistInFontBook(name);
  }
  static std::string FamilyNameCut(const std::string& name);
  static std::optional<std::string> ReplaceFontNameInFontBook(const std::string& name);

  static bool SystemFontNameIsExist(const std::string& name);
  // The installed font text asked for in `name` is shown in on this
  // machine: the name itself when installed, else the family the system
  // substitutes for it; nullopt when there is neither.
  static std::optional<std::string> ShownFontNameForName(const std::string& name);
  static std::optional<std::string> SystemFontFullNameForFontName(const std::string& name);
  static double SystemFontName(const std::string& name, double fontSize, const std::string& utf8);
  static double CGFontWidthOfGlyphCode(const text::FontFace& font, double fontSize, uint32_t glyph);
  static double CGFontWidthOfCharCode(const text::FontFace& font, double fontSize, uint32_t character);
  static double CGFontWidthOfString(const text::FontFace& font, double fontSize, const std::string& utf8);

  // "Word name" of an installed face: the display name, the family, or
  // "family face"; the name itself when no such font is installed.
  static std::string wordNameForFontName(const std::string& postScriptName);

  // Bytes of a PDF name or string as valid UTF-8: kept when they are UTF-8,
  // else read as GBK (the usual encoding of CJK font names), else Latin-1.
  static std::string NameBytesToUTF8(const std::string& bytes);

  // Parses a plist's top-level dictionary (for tests and the bundle readers).
  static std::optional<VQFontBook> ParseFontBookPlist(const std::string& xml);
  static std::optional<VQFontReplaceBook> ParseReplaceBookPlist(const std::string& xml);
};

}  // namespace vq
