#include "common/VQRegex.h"

#include <fmt/format.h>
#include <libexttextcat/textcat.h>
#include <unicode/regex.h>
#include <unicode/translit.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/uscript.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

#include "platform/text/Utf8.h"

namespace vq {

namespace {

// Compiled patterns per thread: number recognition runs the same dozen
// patterns over every cell of a sheet.
const icu::RegexPattern* compiled(std::string_view pattern) {
  thread_local std::unordered_map<std::string, std::unique_ptr<icu::RegexPattern>> cache;
  const std::string key(pattern);
  auto it = cache.find(key);
  if (it != cache.end()) return it->second.get();
  if (cache.size() > 64) cache.clear();
  UErrorCode status = U_ZERO_ERROR;
  UParseError parseError;
  std::unique_ptr<icu::RegexPattern> p(icu::RegexPattern::compile(
      icu::UnicodeString::fromUTF8(icu::StringPiece(pattern.data(), static_cast<int32_t>(pattern.size()))), 0,
      parseError, status));
  if (U_FAILURE(status)) p.reset();
  return cache.emplace(key, std::move(p)).first->second.get();
}

// The symbols as a character-class body; every code point is escaped so
// that no symbol can change the meaning of the class.
std::string symbolClass(const std::vector<std::string>& symbols) {
  std::string out;
  for (char32_t cp : text::utf8ToCodePoints(VQRegex::currencySymbols(symbols)))
    out += fmt::format("\\x{{{:X}}}", static_cast<uint32_t>(cp));
  return out;
}

bool currencyMatch(std::string_view text, const std::vector<std::string>& symbols, const char* before,
                   const char* after) {
  return VQRegex::evaluateWithRegex(fmt::format("{}{}{}", before, symbolClass(symbols), after), text);
}

// ---- Language guess ----

struct TextcatDeleter {
  void operator()(void* h) const { textcat_Done(h); }
};

std::mutex textcatMutex;

void* textcatHandle() {
  static std::unique_ptr<void, TextcatDeleter> handle = [] {
    const std::string dir = VQ_TEXTCAT_DATA_DIR;
    return std::unique_ptr<void, TextcatDeleter>(
        special_textcat_Init((dir + "/fpdb.conf").c_str(), (dir + "/").c_str()));
  }();
  return handle.get();
}

// Category names of the models ("en--utf8", "zh-CN-utf8") as language tags.
std::string tagForCategory(std::string name) {
  const std::string suffix = "-utf8";
  if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
    name.resize(name.size() - suffix.size());
  if (name == "zh-CN") return "zh-Hans";
  if (name == "zh-TW") return "zh-Hant";
  return name.substr(0, name.find('-'));
}

// Ranked candidates of the n-gram classifier (best first); empty when it
// has no models.
std::vector<std::string> textcatCandidates(std::string_view text) {
  std::lock_guard<std::mutex> lock(textcatMutex);
  void* h = textcatHandle();
  if (!h) return {};
  candidate_t* c = textcat_GetClassifyFullOutput(h);
  if (!c) return {};
  const int n = textcat_ClassifyFull(h, text.data(), text.size(), c);
  std::vector<std::string> out;
  for (int i = 0; i < n; ++i)
    if (c[i].name) out.push_back(tagForCategory(c[i].name));
  textcat_ReleaseClassifyFullOutput(h, c);
  return out;
}

// Short English texts fool n-gram statistics, and page samples often come
// with their spaces removed. Two signs of English in ASCII text: frequent
// function words, or a high share of the most frequent English letter
// trigrams (about a fifth of the trigrams of English prose, under a tenth
// in French, German, Spanish or Dutch).
bool looksEnglish(std::string_view text) {
  static const std::unordered_set<std::string> common = {
      "the",   "of",  "and",  "to",  "in",   "is",  "for",  "with", "on",    "that", "by",
      "this",  "are", "be",   "as",  "from", "it",  "or",   "an",   "at",    "not",  "was",
      "which", "you", "your", "can", "have", "has", "will", "we",   "their", "these"};
  static const std::unordered_set<std::string> trigrams = {
      "the", "and", "ing", "ion", "tio", "ent", "ati", "for", "her", "ter", "hat", "tha", "ere",
      "ate", "his", "con", "res", "ver", "all", "ons", "nce", "men", "ith", "ted", "ers", "pro",
      "thi", "wit", "are", "ess", "not", "ive", "was", "ect", "rea", "com", "eve", "per", "int",
      "est", "sta", "cti", "ica", "ist", "ear", "ain", "one", "our", "iti", "rat"};
  int words = 0, hits = 0;
  std::string word, letters;
  auto flush = [&] {
    if (word.empty()) return;
    ++words;
    hits += common.count(word) ? 1 : 0;
    word.clear();
  };
  for (char ch : text) {
    const auto u = static_cast<unsigned char>(ch);
    if (u >= 0x80) return false;
    if (std::isalpha(u)) {
      word += static_cast<char>(std::tolower(u));
      letters += static_cast<char>(std::tolower(u));
    } else {
      flush();
    }
  }
  flush();
  if (words > 1 && hits * 5 >= words) return true;
  if (letters.size() < 12) return false;
  size_t frequent = 0;
  for (size_t i = 0; i + 3 <= letters.size(); ++i) frequent += trigrams.count(letters.substr(i, 3));
  return frequent * 100 >= (letters.size() - 2) * 12;
}

// Traditional or Simplified: the text is Traditional when simplifying it
// changes more characters than making it traditional does.
std::string chineseVariant(std::string_view text) {
  thread_local std::unique_ptr<icu::Transliterator> toSimplified, toTraditional;
  thread_local bool tried = false;
  if (!tried) {
    tried = true;
    UErrorCode s1 = U_ZERO_ERROR, s2 = U_ZERO_ERROR;
    toSimplified.reset(icu::Transliterator::createInstance("Hant-Hans", UTRANS_FORWARD, s1));
    toTraditional.reset(icu::Transliterator::createInstance("Hans-Hant", UTRANS_FORWARD, s2));
    if (U_FAILURE(s1)) toSimplified.reset();
    if (U_FAILURE(s2)) toTraditional.reset();
  }
  if (!toSimplified || !toTraditional) {
    for (const std::string& tag : textcatCandidates(text))
      if (tag == "zh-Hant" || tag == "zh-Hans") return tag;
    return "zh-Hans";
  }
  const icu::UnicodeString original =
      icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
  auto changes = [&](const icu::Transliterator& t) {
    icu::UnicodeString s = original;
    t.transliterate(s);
    if (s.length() != original.length()) return s == original ? 0 : 1;
    int n = 0;
    for (int32_t i = 0; i < s.length(); ++i) n += s.charAt(i) != original.charAt(i);
    return n;
  };
  return changes(*toSimplified) > changes(*toTraditional) ? "zh-Hant" : "zh-Hans";
}

}  // namespace

bool VQRegex::evaluateWithRegex(std::string_view pattern, std::string_view text) {
  const icu::RegexPattern* p = compiled(pattern);
  if (!p) return false;
  UErrorCode status = U_ZERO_ERROR;
  const icu::UnicodeString input =
      icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
  std::unique_ptr<icu::RegexMatcher> m(p->matcher(input, status));
  if (U_FAILURE(status) || !m) return false;
  const bool whole = m->matches(status);
  return U_SUCCESS(status) && whole;
}

bool VQRegex::validateGeneralNumbersDecimalSepartorByDot(std::string_view text) {
  return evaluateWithRegex("^(-?\\d+)(\\.\\d+)?$", text);
}
bool VQRegex::validateGeneralNumbersDecimalSepartorByComma(std::string_view text) {
  return evaluateWithRegex("^(-?\\d+)(,\\d+)?$", text);
}
bool VQRegex::validatePercentNumbersDecimalSepartorByDot(std::string_view text) {
  return evaluateWithRegex("^(-?\\d+)(\\.\\d+)?[%]", text);
}
bool VQRegex::validatePercentNumbersDecimalSepartorByComma(std::string_view text) {
  return evaluateWithRegex("^(-?\\d+)(,\\d+)?[%]", text);
}
bool VQRegex::validateNumbersWithThousandSepartorByComma(std::string_view text) {
  return evaluateWithRegex("^-?\\d{1,3}(,\\d{3})+(\\.\\d+)?$", text);
}
bool VQRegex::validateNumbersWithThousandSepartorByDot(std::string_view text) {
  return evaluateWithRegex("^-?\\d{1,3}(\\.\\d{3})+(,\\d+)?$", text);
}
bool VQRegex::validateCurrencyNumberSBNSC(std::string_view text, const std::vector<std::string>& symbols) {
  return currencyMatch(text, symbols, "^-?[", "][ ]*\\d{1,3}(,\\d{3})*(\\.\\d+)?$");
}
bool VQRegex::validateCurrencyNumberSBNSD(std::string_view text, const std::vector<std::string>& symbols) {
  return currencyMatch(text, symbols, "^-?[", "][ ]*\\d{1,3}(\\.\\d{3})*(,\\d+)?$");
}
bool VQRegex::validateCurrencyNumberSANSC(std::string_view text, const std::vector<std::string>& symbols) {
  return currencyMatch(text, symbols, "^-?\\d{1,3}(,\\d{3})*(\\.\\d+)?[ ]*[", "]$");
}
bool VQRegex::validateCurrencyNumberSANSD(std::string_view text, const std::vector<std::string>& symbols) {
  return currencyMatch(text, symbols, "^-?\\d{1,3}(\\.\\d{3})*(,\\d+)?[ ]*[", "]$");
}

std::string VQRegex::currencySymbols(const std::vector<std::string>& symbols) {
  std::string joined;
  for (const std::string& s : symbols) joined += s;
  return joined.empty() ? "$\uFFE5\u00A5\u20AC" : joined;
}

std::string VQRegex::LanguageForString(std::string_view text) {
  const std::string_view head = text::utf8PrefixCharacters(text, 100);
  if (head.empty()) return "";
  int letters = 0, han = 0, kana = 0, hangul = 0;
  for (char32_t cp : text::utf8ToCodePoints(head)) {
    if (!u_hasBinaryProperty(static_cast<UChar32>(cp), UCHAR_ALPHABETIC)) continue;
    ++letters;
    UErrorCode status = U_ZERO_ERROR;
    switch (uscript_getScript(static_cast<UChar32>(cp), &status)) {
      case USCRIPT_HAN:
        ++han;
        break;
      case USCRIPT_HIRAGANA:
      case USCRIPT_KATAKANA:
        ++kana;
        break;
      case USCRIPT_HANGUL:
        ++hangul;
        break;
      default:
        break;
    }
  }
  if (letters == 0) return "";
  // Writing systems settle the East Asian languages more surely than
  // n-gram statistics over a few characters can.
  if (kana > 0 && (kana + han) * 2 >= letters) return "ja";
  if (hangul * 2 >= letters) return "ko";
  if (han * 2 >= letters) return chineseVariant(head);

  const std::vector<std::string> candidates = textcatCandidates(head);
  const bool englishCandidate = std::find(candidates.begin(), candidates.end(), "en") != candidates.end();
  if (englishCandidate || looksEnglish(head)) return "en";
  return candidates.empty() ? "" : candidates.front();
}

bool VQRegex::IsLanguageForString_English(std::string_view text) { return LanguageForString(text) == "en"; }

bool VQRegex::IsLanguageForString_Chinese(std::string_view text) {
  const std::string tag = LanguageForString(text);
  return tag == "zh-Hans" || tag == "zh-Hant";
}

}  // namespace vq
