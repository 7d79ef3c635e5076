#pragma once
// The three classes of PDF syntax characters: white space, delimiters and
// regular characters, for everything in the layer that reads PDF bytes.
#include <array>
#include <cstdint>

namespace vq::pdf {

enum class PDFCharClass : uint8_t { Regular, Space, Delimiter };

inline constexpr std::array<PDFCharClass, 256> kPDFCharClasses = [] {
  std::array<PDFCharClass, 256> t{};
  for (unsigned char c : {0, 9, 10, 12, 13, 32}) t[c] = PDFCharClass::Space;
  for (unsigned char c : {'(', ')', '<', '>', '[', ']', '{', '}', '/', '%'}) t[c] = PDFCharClass::Delimiter;
  return t;
}();

inline bool IsPDFSpace(unsigned char c) { return kPDFCharClasses[c] == PDFCharClass::Space; }
inline bool IsPDFRegular(unsigned char c) { return kPDFCharClasses[c] == PDFCharClass::Regular; }
// White space ends a token too, so it counts with the delimiters here.
inline bool IsPDFSpaceOrDelimiter(unsigned char c) { return !IsPDFRegular(c); }

}  // namespace vq::pdf
