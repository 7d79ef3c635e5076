#pragma once
// Whole-text pattern tests for number recognition, and a language guess.
// Patterns are ICU regular expressions applied to characters (not bytes),
// so a currency class such as [$￥¥€] matches one symbol of any length in
// UTF-8.
#include <string>
#include <string_view>
#include <vector>

namespace vq {

class VQRegex {
 public:
  // True when the pattern matches the whole text; false for a pattern that
  // does not compile. Bytes that are not UTF-8 read as U+FFFD.
  static bool evaluateWithRegex(std::string_view pattern, std::string_view text);

  static bool validateGeneralNumbersDecimalSepartorByDot(std::string_view text);
  static bool validateGeneralNumbersDecimalSepartorByComma(std::string_view text);
  static bool validatePercentNumbersDecimalSepartorByDot(std::string_view text);
  static bool validatePercentNumbersDecimalSepartorByComma(std::string_view text);
  static bool validateNumbersWithThousandSepartorByComma(std::string_view text);
  static bool validateNumbersWithThousandSepartorByDot(std::string_view text);
  // Currency amounts: symbol Before or After the Number, thousands Separated
  // by Commas (decimal point) or by Dots (decimal comma).
  static bool validateCurrencyNumberSBNSC(std::string_view text, const std::vector<std::string>& supportSymbols);
  static bool validateCurrencyNumberSBNSD(std::string_view text, const std::vector<std::string>& supportSymbols);
  static bool validateCurrencyNumberSANSC(std::string_view text, const std::vector<std::string>& supportSymbols);
  static bool validateCurrencyNumberSANSD(std::string_view text, const std::vector<std::string>& supportSymbols);
  // The symbols joined with nothing between them; "$￥¥€" for an empty list.
  static std::string currencySymbols(const std::vector<std::string>& symbols);

  // Best guess of the language of the first 100 characters, as a BCP 47
  // tag ("en", "zh-Hans", "zh-Hant", "ja", "fr", ...); "" for empty text or
  // when no guess can be made.
  static std::string LanguageForString(std::string_view text);
  static bool IsLanguageForString_English(std::string_view text);
  static bool IsLanguageForString_Chinese(std::string_view text);
};

}  // namespace vq
