#pragma once
// Small operations the converters share: blank and full-width tests, word
// splitting, text measuring, string similarity and rectangle overlap.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/graphics/VQGeometry.h"

namespace vq {

class VQConverterUtilities {
 public:
  VQConverterUtilities() = delete;

  // True for nullopt or a string of only white space, line breaks and control characters.
  static bool isBlankString(const std::optional<std::string>& s);
  // Words (and the pieces between them) of a string, or its characters when
  // the string starts with a full-width character.
  static std::vector<std::string> ComponentsSeparatedByWords(const std::string& s);
  // True when the first character is outside ASCII.
  static bool IsFullWidthCharacter(const std::string& s);
  // How a line that ends with a hyphen joins the next, as one paragraph.
  enum class HyphenJoin {
    None,  // no hyphen on a word: the lines join as words do
    Drop,  // the hyphen breaks a word that the next line goes on with ("mate-" / "rial")
    Keep,  // the text's own hyphen: it stays, and the words either side of it join
  };
  // A hyphen after a letter breaks a word where the next line goes on in
  // lower case, unless the word before it or the next line's first word
  // holds a hyphen too ("right-" / "to-left": a compound's). One before a
  // capital or a digit, or after a digit, is the text's own; one standing
  // alone is no hyphen of a word.
  static HyphenJoin LineEndHyphenJoin(std::u32string_view lineEnd, std::u32string_view nextLine);
  // Width of a text set in an installed font at a size: its widest line, with
  // the characters the font lacks measured in an installed face that has
  // them (nothing for a character no face has). 0 for an empty text or an
  // unknown font; maxHeight is accepted for the callers' sake.
  static double TextWidth(const std::string& text, const std::string& fontName, double fontSize, double maxHeight);
  // Similarity of t to s in percent: 100 - distance * 100 / length of s. Two
  // empty strings are alike (100); an empty s against a non-empty t gives 0.
  static float String(const std::string& s, const std::string& t);
  static double PecentAreaOfIntersectRect(const Rect& a, const Rect& b);
  static double WidthOfNoneIntersectRect(const Rect& a, const Rect& b);
};

}  // namespace vq
