#include "docx/capture/VQDocxRunText.h"
#include "docx/capture/VQDocxMeasures.h"

#include <fmt/format.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <cmath>
#include <string_view>

#include "common/VQConverterUtilities.h"
#include "fonts/VQPDFFontUtilities.h"
#include "office/VQDocxEquality.h"
#include "office/VQDocxUtilities.h"
#include "office/VQOpenXMLNameSpace.h"
#include "office/docx/VQDocxManager.h"
#include "platform/text/Utf8.h"

namespace vq {

namespace {

using docxmeasure::finiteOr;

// White space and line ends: the Unicode White_Space characters.
bool isWhiteSpaceOrNewline(char32_t c) {
  return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

// Where the last character starts; a byte that starts no character is one.
size_t lastCharacterStart(std::string_view text) {
  size_t last = 0;
  for (size_t i = 0; i < text.size();) {
    last = i;
    const size_t n = text::decodeUTF8At(text, i);
    i += n == 0 ? 1 : n;
  }
  return last;
}

bool endsWithWhiteSpace(std::string_view text) {
  if (text.empty()) return false;
  char32_t c = 0;
  const size_t at = lastCharacterStart(text);
  return text::decodeUTF8At(text, at, &c) != 0 && isWhiteSpaceOrNewline(c);
}

double characterCount(std::string_view text) { return static_cast<double>(text::utf8CharacterCount(text)); }

std::string upperCased(const std::string& text) {
  icu::UnicodeString u = icu::UnicodeString::fromUTF8(text);
  u.toUpper(icu::Locale::getRoot());
  std::string out;
  u.toUTF8String(out);
  return out;
}

// Summed glyph advances in the installed font of exactly that name (never a
// substitute); the characters it lacks count in a face that has them. 0 when
// no font has the name.
double measure(const std::string& text, const std::string& fontName, double size) {
  return VQConverterUtilities::TextWidth(text, fontName, size, 0);
}

}  // namespace

void VQDocxRunText::setRunText(std::string text) {
  runText_ = std::move(text);
  if (runText_.empty()) {
    isSpaceFirst = false;
    isSpaceLast = false;
    return;
  }
  if (runText_.front() == ' ') isSpaceFirst = true;
  if (runText_.back() == ' ') isSpaceLast = true;
}

bool VQDocxRunText::isDuplicateRunText(const VQDocxRunText& other) const {
  return runText_ == other.runText_ && std::fabs(ctmInfo.xLeft - other.ctmInfo.xLeft) <= 1.5 &&
         std::fabs(ctmInfo.yBase - other.ctmInfo.yBase) <= 1 && IsEqualRPr(rProperty, other.rProperty);
}

bool VQDocxRunText::isBankSpaceRunText() const {
  if (rProperty.u != 0 || rProperty.strikethrough != 0) return false;
  return VQConverterUtilities::isBlankString(runText_);
}

Rect VQDocxRunText::trimBehindTextRect() const {
  Rect rect = ctmInfo.frame;
  const std::u32string chars = text::utf8ToCodePoints(runText_);
  for (auto it = chars.rbegin(); it != chars.rend() && isWhiteSpaceOrNewline(*it); ++it) rect.size.width -= spaceWidth;
  return rect;
}

double VQDocxRunText::updateToNewFontWidth(double width) {
  const double old = textWidth;
  textWidth = width;
  ctmInfo.frame.size.width = width;
  ctmInfo.xRight = ctmInfo.xLeft + width;
  return old - width;
}

std::shared_ptr<VQDocxRunText> VQDocxRunText::splitBlackSpaceRunTextBehind() {
  if (pdfScanLength < 2) return nullptr;
  if (endsWithWhiteSpace(runText_)) {
    insideSpacing -= insideSpacing / characterCount(runText_);
    std::string cut = runText_.substr(0, lastCharacterStart(runText_));
    setRunText(std::move(cut));
    updateToNewFontWidth(textWidth - spaceWidth);
    pdfScanLength -= 1;
  }

  auto blank = std::make_shared<VQDocxRunText>();
  blank->setRunText(" ");
  blank->spaceWidth = spaceWidth;
  blank->textWidth = spaceWidth;
  blank->isAnnotion = isAnnotion;
  blank->pdfScanIndex_BegainText = pdfScanIndex_BegainText;
  blank->pdfScanIndex_ShowText = pdfScanIndex_ShowText;
  blank->setPdfScanIndex(pdfScanIndex() + pdfScanLength);
  blank->pdfScanLength = 1;
  blank->rProperty = rProperty;
  blank->rProperty.spacing = 0;

  // The blank stands right of the text, over the text's full height.
  const Rect f = ctmInfo.frame;
  const double x = f.origin.x + f.size.width;
  VQPDF_CTMInfo placed = ctmInfo;
  placed.frame = RectMake(x, f.origin.y, spaceWidth, f.size.height);
  placed.xLeft = x;
  placed.xRight = x + spaceWidth;
  placed.yTop = f.origin.y;
  placed.yDescent = f.origin.y + f.size.height;
  placed.yBottom = f.origin.y + f.size.height;
  placed.topLeft = PointMake(x, f.origin.y);
  placed.bottomLeft = PointMake(x, f.origin.y + f.size.height);
  blank->ctmInfo = placed;

  ctmInfo.yAscent = ctmInfo.frame.origin.y;
  return blank;
}

double VQDocxRunText::addBlankSpaceTextBehind() {
  // The run's own spacing is spread over one more character; an empty text
  // has none to spread.
  const double count = characterCount(runText_);
  const double d = count > 0 ? insideSpacing / count : 0;
  insideSpacing += d;
  setRunText(runText_ + " ");
  textWidth += spaceWidth;
  ctmInfo = VQPDFCTMInfo_AddSpaceBehind(d + spaceWidth, ctmInfo);
  return spaceWidth;
}

double VQDocxRunText::doubleBottomLine() const {
  const double h = wordSingleLineHeight > 0 ? wordSingleLineHeight : ctmInfo.frame.size.height;
  return ctmInfo.frame.origin.y + 1.5 * h + 1;
}

void VQDocxRunText::optimizePropertyAtStart(bool fit) {
  // The page's own blank is kept from the first fitting: a run fitted again
  // (pieces merged after the fonts were fitted) would otherwise take the
  // installed font's blank for it, which knows nothing of the horizontal
  // scaling the page condenses its text by.
  if (!(spaceWidth_orignal > 0)) spaceWidth_orignal = spaceWidth;

  // Word sizes text in half points. A size of 0 (or one that is no number)
  // has nothing to scale by: the widths keep their values.
  const float sz = std::isfinite(rProperty.sz) ? rProperty.sz : 0.0f;
  const float n = std::round(2.0f * sz) / 2.0f;
  const float r = sz != 0 ? n / sz : 1.0f;
  const float scaledWidth = static_cast<float>(textWidth * r);
  const float scaledBlank = static_cast<float>(spaceWidth * r);
  double newInside = (textWidth - scaledWidth) + insideSpacing;

  std::string fontName(VQDocxText(rProperty.rFonts.ascii));

  if (!fit) {
    textWidth = scaledWidth;
    spaceWidth = scaledBlank;
  } else if (VQPDFFontUtilities::SystemFontNameIsExist(fontName)) {
    const double m = measure(runText_, fontName, n);
    if (m > 0) {
      newInside = textWidth - m + insideSpacing;
      textWidth = m;
    }
    const double blank = measure(" ", fontName, n);
    spaceWidth = blank > 0 ? blank : scaledBlank;
  } else if (const auto shown =
                 VQPDFFontUtilities::ShownFontNameForName(std::string(VQDocxText(rProperty.rFonts_replace.ascii)))) {
    // The stand-in is written under its own name; it is measured in the font
    // this machine shows that name in (its configured alias when the name
    // itself is not installed), so that the text keeps its width when shown.
    const std::string& measuring = *shown;
    // A caps font draws capitals whatever the text says; the font that
    // stands in for it needs the capitals in the text.
    if (rProperty.upperCase) setRunText(upperCased(runText_));
    const double limit = 2.0 * n * characterCount(runText_);
    double width = 0;
    if (rProperty.b) {
      static const char* const weights[] = {"Bold", "Medium", "Black", "Heavy", "Semibold", "Demibold", "Extrabold"};
      for (const char* weight : weights) {
        const double w = measure(runText_, measuring + " " + weight, n);
        if (w > 0 && w < limit) {
          width = w;
          break;
        }
      }
      if (width < 0.1) width = measure(runText_, measuring, n);
    } else {
      width = measure(runText_, measuring, n);
    }
    if (width >= 0.1 && width <= limit) {
      newInside = textWidth - width + insideSpacing;
      textWidth = width;
    }
    rProperty.rFonts = rProperty.rFonts_replace;
    const double blank = measure(" ", measuring, n);
    spaceWidth = blank > 0 ? blank : scaledBlank;
    fontName = measuring;
  } else {
    spaceWidth = scaledBlank;
  }

  // A width that is no number must not reach the written spacing.
  const float inside = static_cast<float>(finiteOr(newInside, 0));
  insideSpacing = inside;
  rProperty.sz = n;
  rProperty.szCs = n;
  rProperty.spacing = inside;

  if (spaceWidth_orignal < 0.1) spaceWidth_orignal = spaceWidth;

  if (VQPDFFontUtilities::SystemFontNameIsExist(fontName)) {
    const double f = VQDocxManager::WordLineHeight(fontName);
    if (f > 0) {
      wordSingleLineHeight = f * n;
      wordSingleLineBlankTop = std::max(0.0, f * n * VQDocxManager::WordLineAscentFactor(fontName) - n);
    } else {
      wordSingleLineHeight = 0;
      wordSingleLineBlankTop = 0;
    }
  }
}

void VQDocxRunText::writeWithXMLWriter(XMLFileWriter& writer) {
  writer.writeStartElementWithNamespace(gl_namespace_xmlns_w, "r");

  VQDocx_RPr rPr = rProperty;
  const double count = characterCount(runText_);
  // Condensed text is shared out over all but the last character: one
  // reader leaves the last character of a run uncondensed, and a run that
  // comes out a little narrower in another never pushes a full line over.
  double spacing = outsideSpacing;
  if (count >= 2) spacing = outsideSpacing / (outsideSpacing < 0 ? count - 1 : count);
  rPr.spacing = static_cast<float>(finiteOr(spacing, 0));
  if (markLanguage) {
    std::string lower = *markLanguage;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower != "en-us") VQDocxSetText(rPr.lang, text::utf8PrefixWithinBytes(*markLanguage, sizeof rPr.lang - 1));
  }
  VQDocxUtilities::WriteRProperty(rPr, writer);

  writer.writeStartElementWithNamespace(gl_namespace_xmlns_w, "t");
  // Word trims the blanks at the ends of a text and folds repeated ones
  // unless told to keep them; the blanks between the runs of a line are
  // often a run's first or last character, or a run of their own.
  const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
  if (!runText_.empty() &&
      (isBlank(runText_.front()) || isBlank(runText_.back()) || runText_.find("  ") != std::string::npos))
    writer.writeAttribute("xml:space", "preserve");
  writer.writeCharacters(runText_);
  writer.writeEndElement();
  writer.writeEndElement();
}

std::string VQDocxRunText::description() const {
  const auto i = [](uint64_t v) { return static_cast<int64_t>(v); };
  return fmt::format(
      "<{}: {}:[pdfScanIndex:{}~{}][textScanIndex:{}~{}][pdfAnnotionIndex:{}][ShowTextIndex:{}][yBase:{:.2f}]"
      "[bottomLeft:{}][xRight:{:f}][frame:{}][fontSize:{}][textWidth={:f}][spaceWidth={:f}][insideSpacing={:f}]"
      "[Text={}][rProperty.sz={:f}][rProperty.scrpit={}][rProperty.strikethrough={}][rProperty.spacing:{:f}]>",
      className(), fmt::ptr(this), i(pdfScanIndex()), i(pdfScanIndex() + pdfScanLength - 1), i(textScanIndex),
      i(textScanIndex + textScanLength - 1), pdfAnnotionIndex, i(pdfScanIndex_ShowText), ctmInfo.yBase,
      NSStringFromCGPoint_VQLib(ctmInfo.bottomLeft), ctmInfo.xRight, NSStringFromCGRect_VQLib(ctmInfo.frame),
      NSStringFromCGSize_VQLib(ctmInfo.fontSize), textWidth, spaceWidth, insideSpacing, runText_, rProperty.sz,
      rProperty.scrpit, rProperty.strikethrough, rProperty.spacing);
}

std::optional<VQPDFGapKind> VQDocxRunText::GapKindBetween(const VQDocxRunText& left, const VQDocxRunText& right,
                                                          double gap) {
  const VQPDFWordGapFont font = VQPDFWordGapFontBetween(left.gapFont, right.gapFont);
  if (!(font.fontSize > 0)) return std::nullopt;
  return VQPDFClassifyGap(gap, font);
}

bool VQDocxRunText::IsWordGapBetween(const VQDocxRunText& left, const VQDocxRunText& right, double gap) {
  return right.wordGapBefore || GapKindBetween(left, right, gap).value_or(VQPDFGapKind::Glued) != VQPDFGapKind::Glued;
}

std::shared_ptr<VQDocxObject> VQDocxRunText::cloneObject() const {
  auto copy = std::make_shared<VQDocxRunText>();
  copyRunFieldsTo(*copy);
  copy->rProperty = rProperty;
  copy->setRunText(runText_);
  copy->markLanguage = markLanguage;
  copy->textWidth = textWidth;
  copy->spaceWidth = spaceWidth;
  copy->spaceWidth_orignal = spaceWidth_orignal;
  copy->insideSpacing = insideSpacing;
  copy->outsideSpacing = outsideSpacing;
  copy->isSpaceFirst = isSpaceFirst;
  copy->isSpaceLast = isSpaceLast;
  copy->wordGapBefore = wordGapBefore;
  copy->gapFont = gapFont;
  copy->horizontalScaling = horizontalScaling;
  copy->pdfScanIndex_BegainText = pdfScanIndex_BegainText;
  copy->pdfScanIndex_ShowText = pdfScanIndex_ShowText;
  copy->wordSingleLineHeight = wordSingleLineHeight;
  copy->wordSingleLineBlankTop = wordSingleLineBlankTop;
  copy->textScanIndex = textScanIndex;
  copy->textScanLength = textScanLength;
  return copy;
}

void VQDocxRunText::UpdateRunTextArrayPDFScanIndex(Array& runs) {
  SortByScanIndex(runs);
  uint64_t index = 0;
  for (auto& run : runs) {
    run->textScanIndex = index++;
    run->textScanLength = 1;
  }
}

Rect VQDocxRunText::FrameOfRunTextArray(const Array& runs) {
  if (runs.empty()) return RectZero;
  Rect frame = runs.front()->ctmInfo.frame;
  for (size_t k = 1; k < runs.size(); ++k) frame = RectUnion(frame, runs[k]->ctmInfo.frame);
  return frame;
}

std::shared_ptr<VQDocxRunText> VQDocxRunText::FindBottomAfterRunText(const Array& runs) {
  std::shared_ptr<VQDocxRunText> found;
  for (const auto& run : runs)
    if (!found || run->doubleBottomLine() > found->doubleBottomLine()) found = run;
  return found;
}

std::shared_ptr<VQDocxRunText> VQDocxRunText::FindMinBaseLineRunText(const Array& runs) {
  std::shared_ptr<VQDocxRunText> found;
  for (const auto& run : runs)
    if (!found || run->ctmInfo.yBase < found->ctmInfo.yBase) found = run;
  return found;
}

VQDocxRunText::Array VQDocxRunText::CollectSameBaseLineRunTexts(const Array& runs) {
  Array same;
  if (runs.empty()) return same;
  const double base = runs.front()->ctmInfo.yBase;
  same.push_back(runs.front());
  for (size_t k = 1; k < runs.size(); ++k)
    if (std::fabs(runs[k]->ctmInfo.yBase - base) < 1) same.push_back(runs[k]);
  return same;
}

VQDocxRunText::Array VQDocxRunText::FindSameAnnotionRunText(const Array& runs) {
  Array same;
  if (runs.empty()) return same;
  const int64_t annotation = runs.front()->pdfAnnotionIndex;
  same.push_back(runs.front());
  for (size_t k = 1; k < runs.size(); ++k)
    if (runs[k]->isAnnotion && runs[k]->pdfAnnotionIndex == annotation) same.push_back(runs[k]);
  return same;
}

std::vector<VQDocxRunText::Array> VQDocxRunText::FindGroupSameAnnotionRunText(Array& runs) {
  std::vector<Array> groups;
  while (!runs.empty()) {
    Array group = FindSameAnnotionRunText(runs);
    std::erase_if(runs, [&](const auto& run) { return std::find(group.begin(), group.end(), run) != group.end(); });
    groups.push_back(std::move(group));
  }
  return groups;
}

}  // namespace vq
