#include "xlsx/VQExcelNumber.h"

#include <fmt/format.h>

#include <charconv>

#include "common/VQNumberUtils.h"
#include "common/VQRegex.h"

namespace vq {

namespace {
std::string removeAll(std::string s, std::string_view what) {
  if (what.empty()) return s;
  for (size_t p; (p = s.find(what)) != std::string::npos;) s.erase(p, what.size());
  return s;
}
std::string replaceAll(std::string s, char from, char to) {
  for (char& c : s)
    if (c == from) c = to;
  return s;
}

// Stands for a space that only groups digits (no-break, thin and narrow
// no-break spaces): typesetters set those inside one number.
constexpr char kGroupingSpace = '\x1F';

// Full-width digits (U+FF10..U+FF19) read as the digits they show; grouping
// spaces read as kGroupingSpace.
std::string asciiDigits(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto b = [&](size_t k) { return static_cast<unsigned char>(text[i + k]); };
    if (i + 2 < text.size() && b(0) == 0xEF && b(1) == 0xBC && b(2) >= 0x90 && b(2) <= 0x99) {
      out += static_cast<char>('0' + (b(2) - 0x90));
      i += 2;
    } else if (i + 1 < text.size() && b(0) == 0xC2 && b(1) == 0xA0) {
      out += kGroupingSpace;
      i += 1;
    } else if (i + 2 < text.size() && b(0) == 0xE2 && b(1) == 0x80 && (b(2) == 0x89 || b(2) == 0xAF)) {
      out += kGroupingSpace;
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// A cell holds a double: more significant digits than it keeps would be lost.
constexpr int kMostSignificantDigits = 15;

// The value written into a numeric cell must be a plain number with no more
// digits than a cell keeps.
bool isStorableNumber(std::string_view v) {
  size_t i = v.empty() || v.front() != '-' ? 0 : 1;
  int significant = 0, digits = 0, dots = 0;
  for (; i < v.size(); ++i) {
    if (v[i] == '.') {
      ++dots;
      continue;
    }
    if (v[i] < '0' || v[i] > '9') return false;
    ++digits;
    if (significant > 0 || v[i] != '0') ++significant;
  }
  return digits > 0 && dots <= 1 && significant <= kMostSignificantDigits;
}

// Blanks inside a number only group its digits in threes ("1 234 567") or
// set a sign, symbol or parenthesis apart ("$ 12", "12 %"). A blank beside a
// separator or between other digits parts two numbers: "128, 139" is a list
// and "12 34" two values, never one number. An ordinary blank between
// digits is a word gap, which groups digits only among amounts: on an index
// page "133 135" and "134 132 140" are page numbers side by side.
bool blanksCanGo(std::string_view t, bool amountsAround) {
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  auto blank = [](char c) { return c == ' ' || c == kGroupingSpace; };
  for (size_t i = 0; i < t.size(); ++i) {
    if (!blank(t[i])) continue;
    size_t j = i;
    bool grouping = true;
    for (; j < t.size() && blank(t[j]); ++j) grouping = grouping && t[j] == kGroupingSpace;
    const char before = i > 0 ? t[i - 1] : '\0', after = j < t.size() ? t[j] : '\0';
    if (before == ',' || before == '.' || after == ',' || after == '.') return false;
    if (digit(before) && digit(after)) {
      if (!grouping && !amountsAround) return false;
      size_t k = j;
      while (k < t.size() && digit(t[k])) ++k;
      if (k - j != 3) return false;
    }
    i = j;
  }
  return true;
}

// A number written with a leading zero ("007", "0123") is a code: postal,
// account or part numbers keep their zeros as text.
bool hasLeadingZero(std::string_view t) {
  size_t i = 0;
  while (i < t.size() && (t[i] == '-' || t[i] == '+')) ++i;
  return i + 1 < t.size() && t[i] == '0' && t[i + 1] >= '0' && t[i + 1] <= '9';
}

// "0", "0.0", "0.00", ...: a plain number showing `decimals` decimals.
std::string plainCode(int decimals, std::string_view suffix = "") {
  std::string code = "0";
  if (decimals > 0) code += "." + std::string(static_cast<size_t>(decimals), '0');
  return code + std::string(suffix);
}
}  // namespace

VQExcelNumber::VQExcelNumber(std::string_view text, std::string_view thousandChoice, bool amountsAround) {
  // Blanks that only group digits go.
  const std::string digits = asciiDigits(text);
  if (!blanksCanGo(digits, amountsAround)) return;
  std::string clean;
  for (char c : digits)
    if (c != ' ' && c != kGroupingSpace) clean += c;
  // An amount in parentheses, as accounts write losses, is negative; only
  // among amounts, though.
  if (clean.size() > 2 && clean.front() == '(' && clean.back() == ')') {
    if (!amountsAround) return;
    clean = "-" + clean.substr(1, clean.size() - 2);
  }
  if (clean.find_first_of("()") != std::string::npos) return;
  if (hasLeadingZero(clean)) return;
  isNumber = thousandChoice == "," ? valideNumbersWithThousandSepartorComma(clean)
                                   : valideNumbersWithThousandSepartorDot(clean);
  if (!isNumber) return;
  if (isCurrency(type)) currencySymbol = VQNumberUtils::getSymbol(clean);
  decimals = VQNumberUtils::getDecimalLength(isPercentNumber(type) ? removeAll(clean, "%") : clean, currencySymbol,
                                             decimalSepartor);
  if (isCurrency(type) || isThousandSepartorNumber(type)) {
    formatCode = currencySymbol.empty()
                     ? VQNumberUtils::numberCodeWithDecimalLength(decimals)
                     : VQNumberUtils::currencyFormatWithDecimalLength(decimals, currencySymbol, type);
  } else if (decimals > 0 && isGeneralNumber(type)) {
    // The cell shows the decimals the page shows: 92.50, not 92.5.
    numID = -1;
    formatCode = plainCode(decimals);
  }
  readNumber = realNumber(clean, type);
  if (isPercentNumber(type)) {
    // The built-in per-cent formats show no decimals or two.
    numID = decimals == 0 ? 9 : decimals == 2 ? 10 : -1;
    if (numID == -1) formatCode = plainCode(decimals, "%");
  }
  // Anything else stays text, as written.
  if (!isStorableNumber(readNumber)) {
    isNumber = false;
    readNumber.clear();
  }
}

bool VQExcelNumber::LooksLikeAmount(std::string_view text, std::string_view thousandChoice) {
  const VQExcelNumber n(text, thousandChoice, true);
  if (!n.isNumber) return false;
  if (isThousandSepartorNumber(n.type) || isCurrency(n.type)) return true;
  return n.decimals > 0 && text.find('(') == std::string_view::npos;
}

bool VQExcelNumber::valideNumbersWithThousandSepartorComma(const std::string& t) {
  const auto& symbols = VQNumberUtils::supportCurrencySymbols();
  if (VQRegex::validateGeneralNumbersDecimalSepartorByDot(t)) {
    type = 0, numID = 0;
  } else if (VQRegex::validatePercentNumbersDecimalSepartorByDot(t)) {
    type = 9, numID = 9;
  } else if (VQRegex::validateNumbersWithThousandSepartorByComma(t)) {
    type = 2, thousandSepartor = ",";
  } else if (VQRegex::validateCurrencyNumberSBNSC(t, symbols)) {
    type = 4, thousandSepartor = ",";
  } else if (VQRegex::validateCurrencyNumberSANSC(t, symbols)) {
    type = 6, thousandSepartor = ",";
  } else {
    return false;
  }
  decimalSepartor = ".";
  return true;
}

bool VQExcelNumber::valideNumbersWithThousandSepartorDot(const std::string& t) {
  const auto& symbols = VQNumberUtils::supportCurrencySymbols();
  if (VQRegex::validateGeneralNumbersDecimalSepartorByComma(t)) {
    type = 1, numID = 0;
  } else if (VQRegex::validatePercentNumbersDecimalSepartorByComma(t)) {
    type = 8, numID = 9;
  } else if (VQRegex::validateNumbersWithThousandSepartorByDot(t)) {
    type = 3, thousandSepartor = ".";
  } else if (VQRegex::validateCurrencyNumberSBNSD(t, symbols)) {
    type = 5, thousandSepartor = ".";
  } else if (VQRegex::validateCurrencyNumberSANSD(t, symbols)) {
    type = 7, thousandSepartor = ".";
  } else {
    return false;
  }
  decimalSepartor = ",";
  return true;
}

std::string VQExcelNumber::realNumber(const std::string& text, int t) {
  if (t == 0) return text;
  if (t == 1) return replaceAll(text, ',', '.');
  if (isPercentNumber(t)) return realNumberFromPercent(text, VQNumberUtils::getDecimalSepartor(t));
  std::string s = text;
  if (isCurrency(t))
    for (const auto& sym : VQNumberUtils::supportCurrencySymbols()) s = removeAll(s, sym);
  s = removeAll(s, " ");
  const std::string sep = VQNumberUtils::getThousandSepartor(t);
  s = removeAll(s, sep);
  if (sep == ".") s = replaceAll(s, ',', '.');
  return s;
}

std::string VQExcelNumber::realNumberFromPercent(const std::string& text, const std::string& decimalSep) {
  std::string r = removeAll(text, "%");
  // One decimal point as written keeps the decimals visible (format 10).
  size_t dots = 0;
  for (char c : text) dots += c == '.';
  numID = dots == 1 ? 10 : 9;
  if (decimalSep == ",") r = replaceAll(r, ',', '.');
  // from_chars: the value must not depend on the process locale.
  if (!r.empty() && r.front() == '+') r.erase(0, 1);
  double parsed = 0;
  std::from_chars(r.data(), r.data() + r.size(), parsed);
  const double v = parsed * 0.01;
  std::string s = fmt::format("{:f}", v);
  const size_t p = s.find('.');
  if (p == std::string::npos) return s;
  std::string frac = s.substr(p + 1);
  while (!frac.empty() && frac.back() == '0') frac.pop_back();
  return frac.empty() ? s.substr(0, p) : s.substr(0, p) + "." + frac;
}

}  // namespace vq
