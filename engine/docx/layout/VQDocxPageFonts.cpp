// The font stage of a page: on Chinese pages the stand-in fonts are replaced
// by the usual Chinese faces, and every text run is fitted to the font Word
// will show it in (half-point sizes, widths, blank widths, line heights).
#include <map>
#include <string>

#include "common/VQRegex.h"
#include "docx/capture/VQDocxMeasures.h"
#include "docx/layout/VQDocxPage.h"
#include "fonts/VQPDFFontUtilities.h"
#include "office/VQDocxUtilities.h"
#include "platform/text/Utf8.h"

namespace vq {
namespace {

// The run's text without white space, line breaks and control characters.
std::string visibleText(const VQDocxRunText& run) {
  std::string out;
  for (const char32_t c : text::utf8ToCodePoints(run.runText()))
    if (!docxmeasure::isBlankOrControl(c)) text::appendUTF8(out, c);
  return out;
}

// Visible text of runs[from], runs[from + step], ... until it is longer than
// `length` characters or `count` runs were read.
std::string sampleOf(const VQDocxRunText::Array& runs, long from, long step, long count, size_t length) {
  std::string sample;
  size_t characters = 0;
  for (long k = from, taken = 0; k >= 0 && k < static_cast<long>(runs.size()) && taken < count; k += step, ++taken) {
    const std::string piece = visibleText(*runs[static_cast<size_t>(k)]);
    sample += piece;
    characters += text::utf8CharacterCount(piece);
    if (characters > length) break;
  }
  return sample;
}

// Whether the text has a Han ideograph: text without one is no Chinese, and
// the language guess (which loads every language's profile) is not needed.
bool hasHan(const std::string& text) {
  for (const char32_t c : text::utf8ToCodePoints(text))
    if ((c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF) || (c >= 0xF900 && c <= 0xFAFF) ||
        (c >= 0x20000 && c <= 0x2EBEF))
      return true;
  return false;
}

bool isChinese(const std::string& sample) { return hasHan(sample) && VQRegex::IsLanguageForString_Chinese(sample); }

}  // namespace

void VQDocxPage::optimizeAllRunTextPropertyIfNeed(bool isNeedReplaceFont) {
  if (isNeedReplaceFont) _localizedReplaceFontNameIfNeed();
  for (const auto& run : allRunTextArray) {
    run->markLanguage = localizedLanguage;
    run->optimizePropertyAtStart(isNeedReplaceFont);
  }
}

bool VQDocxPage::_localizedReplaceFontNameIfNeed() {
  const auto& runs = allRunTextArray;
  const long count = static_cast<long>(runs.size());
  const std::string head = sampleOf(runs, 0, 1, count, 20);
  const std::string middle = sampleOf(runs, count / 3, 1, count / 2, 50);
  const std::string tail = sampleOf(runs, count - 1, -1, count, 20);
  if (isChinese(head) || isChinese(middle) || isChinese(tail)) {
    static const std::map<std::string, std::string> kChineseFaces = {
        {"Courier", "Simsun"}, {"Consolas", "SimHei"}, {"Times", "STSong"}, {"Arial Unicode MS", "Microsoft YaHei"}};
    _localizedReplaceFontNameWithDictionary(kChineseFaces);
    localizedLanguage = "zh-CN";
  } else if (localizedLanguage != "en-US" &&
             (VQRegex::IsLanguageForString_English(middle) || VQRegex::IsLanguageForString_English(tail))) {
    // (A page already marked English needs no guess to stay English.)
    localizedLanguage = "en-US";
  }
  return true;
}

void VQDocxPage::_localizedReplaceFontNameWithDictionary(const std::map<std::string, std::string>& faces) {
  for (const auto& run : allRunTextArray) {
    VQDocx_RPr& r = run->rProperty;
    const std::string replacement(VQDocxText(r.rFonts_replace.ascii));
    if (r.rFonts_replace.ascii == r.rFonts.ascii) continue;
    const auto found = faces.find(replacement);
    if (found == faces.end()) continue;
    const std::string name =
        VQPDFFontUtilities::SystemFontNameIsExist(found->second) ? found->second : std::string("Arial Unicode MS");
    VQDocxSetText(r.rFonts_replace.ascii, name);
  }
}

}  // namespace vq
