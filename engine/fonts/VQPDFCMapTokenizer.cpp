#include "fonts/VQPDFCMapTokenizer.h"

namespace vq {

namespace {
bool isSpace(unsigned char c) { return c == 0 || c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' '; }
bool isDelimiter(unsigned char c) {
  return c == '%' || c == '(' || c == ')' || c == '/' || c == '<' || c == '>' || c == '[' || c == ']' || c == '{' ||
         c == '}';
}
}  // namespace

bool VQPDFCMapTokenizer::getToken(std::string& token) {
  token.clear();
  auto put = [&](char c) {
    if (token.size() < kMaxTokenLength) token += c;
  };
  // Skip white space and comments.
  while (pos_ < text_.size()) {
    unsigned char c = text_[pos_];
    if (isSpace(c)) {
      ++pos_;
    } else if (c == '%') {
      while (pos_ < text_.size() && text_[pos_] != '\n' && text_[pos_] != '\r') ++pos_;
    } else {
      break;
    }
  }
  if (pos_ >= text_.size()) return false;
  char c = text_[pos_++];
  put(c);
  if (c == '(') {
    while (pos_ < text_.size()) {
      char d = text_[pos_++];
      put(d);
      if (d == '\\' && pos_ < text_.size()) {
        put(text_[pos_++]);
      } else if (d == ')') {
        break;
      }
    }
  } else if (c == '<') {
    while (pos_ < text_.size()) {
      char d = text_[pos_++];
      if (isSpace(static_cast<unsigned char>(d))) continue;
      put(d);
      if (d == '>') break;
    }
  } else if (c == '[' || c == ']') {
    // a token by itself
  } else {
    while (pos_ < text_.size()) {
      unsigned char d = text_[pos_];
      if (isSpace(d) || isDelimiter(d)) break;
      put(static_cast<char>(d));
      ++pos_;
    }
  }
  return true;
}

}  // namespace vq
