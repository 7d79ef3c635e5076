#pragma once
// Splits CMap text (ToUnicode streams, CMap files) into PostScript tokens.
#include <cstddef>
#include <string>
#include <string_view>

namespace vq {

class VQPDFCMapTokenizer {
 public:
  static constexpr size_t kMaxTokenLength = 255;  // longer tokens are cut

  explicit VQPDFCMapTokenizer(std::string_view text) : text_(text) {}
  // The next token; false at the end of the text.
  bool getToken(std::string& token);

 private:
  std::string_view text_;
  size_t pos_ = 0;
};

}  // namespace vq
