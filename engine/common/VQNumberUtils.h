#pragma once
// Separators, currency symbols and number-format codes for the spreadsheet
// converter's number recognition. Number types: 0..9 as the recogniser
// numbers them (3, 5 and 7 use "." for thousands and "," for decimals).
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vq {

class VQNumberUtils {
 public:
  // "￥" (fullwidth yen), "¥", "$", "€", in that order.
  static const std::vector<std::string>& supportCurrencySymbols();
  // The first supported symbol, in that order, found in the text; "" if none.
  static std::string getSymbol(std::string_view text);
  static std::string getThousandSepartor(int numberType);
  static std::string getDecimalSepartor(int numberType);
  // Characters after the decimal separator once the symbol and every space
  // are removed: the length of the second part when the text splits into
  // exactly two parts, else 0.
  static int getDecimalLength(std::string_view text, const std::optional<std::string>& currencySymbol,
                              std::string_view decimalSepartor);
  // "#,##0" for n < 1, else "#,##0." followed by n zeros.
  static std::string numberCodeWithDecimalLength(int n);
  // Symbol then number code; code then symbol for number types 6 and 7.
  static std::string currencyFormatWithDecimalLength(int n, std::string_view symbol, int numberType);
};

}  // namespace vq
