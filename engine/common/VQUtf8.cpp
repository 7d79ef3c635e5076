#include "common/VQUtf8.h"

#include "platform/text/Utf8.h"

namespace vq {

std::string_view Utf8PrefixWithinBytes(std::string_view text, size_t maxBytes) {
  return text::utf8PrefixWithinBytes(text, maxBytes);
}

std::string_view Utf8PrefixCharacters(std::string_view text, size_t maxCharacters) {
  return text::utf8PrefixCharacters(text, maxCharacters);
}

size_t Utf8CharacterCount(std::string_view text) { return text::utf8CharacterCount(text); }

std::u32string Utf8ToCodePoints(std::string_view text) { return text::utf8ToCodePoints(text); }

}  // namespace vq
