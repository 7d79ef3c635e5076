// PDF text strings and dates.
#include <qpdf/QUtil.hh>

#include <cctype>

#include "platform/pdf/PdfObject.h"

namespace vq::pdf {

std::string TextStringToUTF8(const std::string& bytes) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE &&
      static_cast<unsigned char>(bytes[1]) == 0xFF) {
    return QUtil::utf16_to_utf8(bytes);  // converts a lone surrogate to U+FFFD
  }
  if (bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF &&
      static_cast<unsigned char>(bytes[1]) == 0xBB && static_cast<unsigned char>(bytes[2]) == 0xBF) {
    return bytes.substr(3);
  }
  return QUtil::pdf_doc_to_utf8(bytes);
}

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date.
int64_t daysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

bool isLeap(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

}  // namespace

std::optional<int64_t> ParsePDFDate(const std::string& text) {
  size_t i = 0;
  const size_t n = text.size();
  while (i < n && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  if (n - i >= 2 && text[i] == 'D' && text[i + 1] == ':') i += 2;
  // Reads exactly `digits` digits; false (position unchanged) otherwise.
  auto field = [&](int digits, int* value) {
    if (i + digits > n) return false;
    int v = 0;
    for (int k = 0; k < digits; ++k) {
      char c = text[i + k];
      if (c < '0' || c > '9') return false;
      v = v * 10 + (c - '0');
    }
    *value = v;
    i += digits;
    return true;
  };
  int year = 0, month = 1, day = 1, hour = 0, minute = 0, second = 0;
  if (!field(4, &year)) return std::nullopt;
  // Every later field is optional, but only in order.
  if (field(2, &month) && field(2, &day) && field(2, &hour) && field(2, &minute)) field(2, &second);
  static const int monthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return std::nullopt;
  int maxDay = monthDays[month - 1] + (month == 2 && isLeap(year) ? 1 : 0);
  if (day < 1 || day > maxDay || hour > 23 || minute > 59 || second > 60) return std::nullopt;
  int64_t offset = 0;
  if (i < n && (text[i] == '+' || text[i] == '-')) {
    int sign = text[i] == '-' ? -1 : 1;
    ++i;
    int oh = 0, om = 0;
    if (field(2, &oh)) {
      if (i < n && text[i] == '\'') ++i;
      field(2, &om);
    }
    if (oh > 23 || om > 59) return std::nullopt;
    offset = sign * (oh * 3600 + om * 60);
  }
  int64_t local = daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * 86400 + hour * 3600 +
                  minute * 60 + second;
  return local - offset;
}

}  // namespace vq::pdf
