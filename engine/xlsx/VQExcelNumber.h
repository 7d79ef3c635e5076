#pragma once
// Recognises a cell text as a plain number, a number with thousands
// separators, a currency amount or a percentage, in the chosen decimal
// convention, and gives the value to store and the number format to show it.
#include <string>
#include <string_view>

namespace vq {

enum VQExcelNumberType : int {
  VQExcelNumberGeneralDot = 0,
  VQExcelNumberGeneralComma = 1,
  VQExcelNumberThousandComma = 2,
  VQExcelNumberThousandDot = 3,
  VQExcelNumberCurrencyBeforeComma = 4,
  VQExcelNumberCurrencyBeforeDot = 5,
  VQExcelNumberCurrencyAfterComma = 6,
  VQExcelNumberCurrencyAfterDot = 7,
  VQExcelNumberPercentComma = 8,
  VQExcelNumberPercentDot = 9,
};

class VQExcelNumber {
 public:
  // `thousandSepartor` is the user's choice: "," (decimal point) or "." (decimal comma).
  // `amountsAround` says the text stands among amounts (a table of figures),
  // where a number in parentheses is negative; elsewhere "(2)" is a list or
  // equation number and stays text.
  VQExcelNumber(std::string_view text, std::string_view thousandSepartor, bool amountsAround = false);

  // Whether `text` reads as an amount of a table of figures: a number with
  // thousands separators or a currency symbol, in parentheses or not, or one
  // with decimals outside parentheses.
  static bool LooksLikeAmount(std::string_view text, std::string_view thousandSepartor);

  bool isNumber = false;
  int numID = -1;  // a built-in number-format id, or -1: use formatCode
  int type = 0;
  std::string formatCode;
  std::string thousandSepartor = ",";
  std::string decimalSepartor = ".";
  std::string currencySymbol;
  std::string readNumber;  // the value written into the cell
  int decimals = 0;        // decimals the text shows, which the number format keeps

  static bool isGeneralNumber(int t) { return t == 0 || t == 1; }
  static bool isThousandSepartorNumber(int t) { return t == 2 || t == 3; }
  static bool isCurrency(int t) { return t >= 4 && t <= 7; }
  static bool isPercentNumber(int t) { return t == 8 || t == 9; }

 private:
  bool valideNumbersWithThousandSepartorComma(const std::string& text);
  bool valideNumbersWithThousandSepartorDot(const std::string& text);
  std::string realNumber(const std::string& text, int forType);
  std::string realNumberFromPercent(const std::string& text, const std::string& decimalSep);
};

}  // namespace vq
