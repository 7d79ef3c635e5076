#include "common/VQNumberUtils.h"

#include "platform/text/Utf8.h"

namespace vq {

namespace {
void removeAll(std::string& s, std::string_view what) {
  if (what.empty()) return;
  for (size_t pos = s.find(what); pos != std::string::npos; pos = s.find(what, pos)) s.erase(pos, what.size());
}
}  // namespace

const std::vector<std::string>& VQNumberUtils::supportCurrencySymbols() {
  static const std::vector<std::string> symbols = {"\uFFE5", "\u00A5", "$", "\u20AC"};
  return symbols;
}

std::string VQNumberUtils::getSymbol(std::string_view text) {
  for (const std::string& s : supportCurrencySymbols())
    if (text.find(s) != std::string_view::npos) return s;
  return "";
}

std::string VQNumberUtils::getThousandSepartor(int numberType) {
  return numberType == 3 || numberType == 5 || numberType == 7 ? "." : ",";
}

std::string VQNumberUtils::getDecimalSepartor(int numberType) {
  return numberType == 0 || numberType == 2 || numberType == 4 || numberType == 6 || numberType == 9 ? "." : ",";
}

int VQNumberUtils::getDecimalLength(std::string_view text, const std::optional<std::string>& currencySymbol,
                                    std::string_view decimalSepartor) {
  if (decimalSepartor.empty()) return 0;
  std::string s(text);
  if (currencySymbol) removeAll(s, *currencySymbol);
  removeAll(s, " ");
  const size_t first = s.find(decimalSepartor);
  if (first == std::string::npos) return 0;
  const std::string_view rest = std::string_view(s).substr(first + decimalSepartor.size());
  if (rest.find(decimalSepartor) != std::string_view::npos) return 0;
  return static_cast<int>(text::utf8CharacterCount(rest));
}

std::string VQNumberUtils::numberCodeWithDecimalLength(int n) {
  if (n < 1) return "#,##0";
  return "#,##0." + std::string(static_cast<size_t>(n), '0');
}

std::string VQNumberUtils::currencyFormatWithDecimalLength(int n, std::string_view symbol, int numberType) {
  const std::string code = numberCodeWithDecimalLength(n);
  if (numberType == 6 || numberType == 7) return code + std::string(symbol);
  return std::string(symbol) + code;
}

}  // namespace vq
