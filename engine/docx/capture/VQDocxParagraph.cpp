#include "docx/capture/VQDocxParagraph.h"
#include "docx/capture/VQDocxMeasures.h"

#include <fmt/format.h>
#include <unicode/uchar.h>

#include <algorithm>
#include <cmath>

#include "common/VQConverterUtilities.h"
#include "office/VQDocxEquality.h"
#include "office/VQDocxTokens.h"
#include "office/VQDocxUtilities.h"
#include "pdf/VQPDFTransform.h"
#include "platform/text/Utf8.h"

namespace vq {

namespace {

using docxmeasure::bottomOf;

// What the outline comparison sees of a text: lower case, without white
// space, line ends or invisible characters.
std::u32string normalisedText(const std::string& text) {
  std::u32string out;
  for (uint32_t cp : text::decodeUTF8(text)) {
    const auto c = static_cast<UChar32>(cp);
    const int8_t type = u_charType(c);
    if (u_isUWhiteSpace(c) || type == U_CONTROL_CHAR || type == U_FORMAT_CHAR || type == U_LINE_SEPARATOR ||
        type == U_PARAGRAPH_SEPARATOR)
      continue;
    out.push_back(static_cast<char32_t>(u_tolower(c)));
  }
  return out;
}

std::string utf8Of(const std::u32string& text) {
  std::string out;
  for (char32_t c : text) text::appendUTF8(out, c);
  return out;
}

// The width the page gives the line's first `word`: the runs that hold its
// characters, the last one in the share of its characters the word takes.
// Blank runs before it are no part of it.
double shownWidthOfFirstWord(const VQDocxRunTextLine& line, const std::string& word) {
  size_t wanted = text::utf8CharacterCount(word);
  double width = 0;
  for (const auto& run : line.runTextArray()) {
    if (!run || wanted == 0) break;
    const std::string& text = run->runText();
    const size_t count = text::utf8CharacterCount(text);
    if (count == 0 || (width == 0 && VQConverterUtilities::isBlankString(text))) continue;
    const double shown = std::max(run->ctmInfo.frame.size.width, 0.0);
    if (count >= wanted) return width + shown * static_cast<double>(wanted) / static_cast<double>(count);
    width += shown;
    wanted -= count;
  }
  return std::isfinite(width) ? width : 0;
}

// What a line break moves whole from the start of `text`, whose first word
// is `word`: the word with the punctuation either side of it, up to the
// first blank ("gravel." and not "gravel"). Full-width text breaks between
// any two characters: its first character is the word.
std::string firstUnbreakable(const std::string& text, const std::string& word) {
  if (VQConverterUtilities::IsFullWidthCharacter(text)) return word;
  const size_t at = text.find(word);
  if (at == std::string::npos) return word;
  size_t begin = at, end = at + word.size();
  auto blankAt = [&](size_t i) { return text[i] == ' ' || text[i] == '\t'; };
  while (begin > 0 && !blankAt(begin - 1)) --begin;
  while (end < text.size() && !blankAt(end)) ++end;
  return text.substr(begin, end - begin);
}

// Twentieths of a point are what an exact line is written in.
constexpr double kTwipsPerPoint = 20;

}  // namespace

VQDocxParagraph::VQDocxParagraph()
    : pProperty(VQDocxUtilities::defaultPProperty()),
      rProperty(VQDocxUtilities::defaultRProperty()),
      sectProperty(VQDocxUtilities::defaultSectPropertyHiden()) {}

VQDocxParagraph::VQDocxParagraph(LineArray lines, double yBefore, double yHeight, double yAfter, Rect columnFrame,
                                 int textAlign, const VQDocx_SectPr& sectProperty)
    : VQDocxParagraph() {
  this->sectProperty = sectProperty;
  this->sectProperty.shouldWrite = 0;
  lineArray = std::move(lines);
  convertToWriteRunArray(lineArray);
  setYBefore(yBefore, yHeight, yAfter);
  this->columnFrame = columnFrame;
  pProperty.jc = textAlign;
  resolvePProperty();
  updateContentFrame();
}

VQDocxParagraph::VQDocxParagraph(LineArray lines)
    : VQDocxParagraph(std::move(lines), 0, 0, 0, RectZero, 0, VQDocxUtilities::defaultSectPropertyHiden()) {}

std::shared_ptr<VQDocxObject> VQDocxParagraph::cloneObject() const {
  // The copy has arrays of its own that hold the same lines and runs, so
  // that anchoring a drawing in one paragraph does not anchor it in both.
  return std::shared_ptr<VQDocxParagraph>(new VQDocxParagraph(*this));
}

void VQDocxParagraph::setYBefore(double before, double height, double after) {
  yBefore_ = before;
  yHeight_ = height;
  yAfter_ = after;
}

void VQDocxParagraph::setSpaceLineBefore(double value) {
  if (std::isfinite(value)) pProperty.spacing.before = static_cast<float>(value);
}

void VQDocxParagraph::setSpaceLine(double value) {
  if (std::isfinite(value)) pProperty.spacing.line = static_cast<float>(value);
}

void VQDocxParagraph::setSpaceLineAfter(double value) {
  if (std::isfinite(value)) pProperty.spacing.after = static_cast<float>(value);
}

// ---- blank spacers ----

VQDocx_PPr VQDocxParagraph::ExactLinePProperty(double line, double indLeft, double indRight, int textAlign) {
  VQDocx_PPr pPr = VQDocxUtilities::defaultPProperty();
  pPr.spacing.before = 0;
  pPr.spacing.after = 0;
  pPr.spacing.line = static_cast<float>(line);
  VQDocxSetText(pPr.spacing.lineRule, "exact");
  pPr.ind.firstLine = 0;
  pPr.ind.left = static_cast<float>(indLeft);
  pPr.ind.right = static_cast<float>(indRight);
  pPr.jc = textAlign;
  return pPr;
}

VQDocxParagraph::Array VQDocxParagraph::BlankParagraph(double height, double spaceLine, double indLeft, double indRight,
                                                       int textAlign, const VQDocx_RPr& rProperty,
                                                       const VQDocx_SectPr& sectProperty, double originY,
                                                       Rect columnFrame) {
  if (!std::isfinite(height) || height <= 0) return {};
  if (!std::isfinite(indLeft)) indLeft = 0;
  if (!std::isfinite(indRight)) indRight = 0;
  const double size = std::isfinite(rProperty.sz) ? rProperty.sz : 0;
  const double s = std::max(size, std::isfinite(spaceLine) ? spaceLine : 0.0);
  // A spacer line is a whole point, and at least one, so that the count below
  // never divides by nothing.
  const double lineSize = std::max(std::ceil(static_cast<float>(s)), 1.0f);
  const bool single = s + 8 > height;
  const double fitting = std::floor(height / lineSize);
  const size_t count = single || fitting < 2 ? 1 : static_cast<size_t>(fitting);

  // The lines are written in whole twentieths of a point; the last spacer
  // takes what the others leave of the height as written, rounded down, so
  // the spacers never add up to more than the height.
  const double totalTwips = std::floor(height * kTwipsPerPoint + 1e-6);
  const double line = single ? totalTwips / kTwipsPerPoint : lineSize;
  const double lastLine = (totalTwips - static_cast<double>(count - 1) * line * kTwipsPerPoint) / kTwipsPerPoint;
  if (lastLine <= 0) return {};

  const VQDocx_PPr pPr = ExactLinePProperty(line, indLeft, indRight, textAlign);

  const double x = indLeft + columnFrame.origin.x;
  Array out;
  out.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    const bool last = i + 1 == count;
    const double h = last ? lastLine : line;
    auto p = std::make_shared<VQDocxParagraph>(LineArray{});
    p->pProperty = pPr;
    p->pProperty.spacing.line = static_cast<float>(h);
    p->rProperty = rProperty;
    p->sectProperty = sectProperty;
    p->columnFrame = columnFrame;
    p->contentFrame = RectMake(x, originY + static_cast<double>(i) * line, 2, h);
    // The room is what the spacer takes on the page, the last one included.
    p->setYBefore(0, h, 0);
    out.push_back(std::move(p));
  }
  return out;
}

std::shared_ptr<VQDocxParagraph> VQDocxParagraph::FirstParagraph(
    const std::vector<std::shared_ptr<VQDocxObject>>& objects) {
  for (const auto& object : objects)
    if (auto p = std::dynamic_pointer_cast<VQDocxParagraph>(object)) return p;
  return nullptr;
}

// ---- properties and geometry ----

double VQDocxParagraph::resolvePProperty() {
  if (writeRunGroupArray.empty()) return 0;
  const std::shared_ptr<VQDocxRunTextLine> first = firstRunTextLine();
  const double total = yBefore_ + yHeight_;
  VQDocx_PPr p = pProperty;
  double before = 0, line = 0, after = 0;

  if (writeRunGroupArray.size() == 1) {
    if (writeRunGroupArray.front().empty()) return 0;
    const double w = static_cast<float>(first ? first->wordSingleLineHeight : 0);
    const double blankTop = first ? first->wordSingleLineBlankTop : 0;
    const double h = first ? first->lineFrame.size.height : 0;
    p.spacing.word1LineHeight = static_cast<float>(w);
    if (first) p.ind.left = static_cast<float>(first->lineFrame.origin.x - columnFrame.origin.x);
    if (total < 1) {
      line = 1;
    } else if (w > 0 && w <= total && yBefore_ > blankTop) {
      // The Word line is taller than the glyphs: its blank top comes out of
      // the room above, the rest of its height out of the room below.
      before = yBefore_ - blankTop;
      line = w;
      after = yAfter_ - (w - yHeight_) + blankTop;
    } else if (w > 0 || h > total) {
      before = yBefore_;
      line = yHeight_;
      after = yAfter_;
    } else {
      before = yBefore_;
      line = h;
      after = yAfter_ - (h - yHeight_);
    }
  } else {
    if (!first) return 0;
    const double n = static_cast<double>(lineArray.size());
    const double wordLine = first->wordSingleLineHeight;
    p.spacing.word1LineHeight = static_cast<float>(wordLine);
    double spaceBefore = yBefore_;
    const double fh = first->lineFrame.size.height;
    const double m = std::max(static_cast<float>(fh) / 12.0f, 1.0f);
    const double average = averageSpacingLineWithRunTextLines();

    bool accepted = false;
    if (wordLine > 0) {
      // Word's own line steps: whole and half multiples of the single line.
      const double k = std::round(average / wordLine * 2);
      line = wordLine * k / 2;
      const double rest = total - n * line;
      accepted = -m < rest && rest - yAfter_ < m;
    }
    if (!accepted) {
      // Even line counts: halves for two lines, quarters for three or four.
      const double q = n + std::fmod(n, 2);
      line = std::round(static_cast<float>(average * q)) / q;
      if (!(total - n * line > -m)) line = std::floor(total / n * q) / q;
    }
    if (line - fh > 0) spaceBefore = std::max(spaceBefore - (line - fh), 0.0);
    const double r = total - n * line - spaceBefore;
    before = -m < r && r < 0 && spaceBefore < -r ? spaceBefore : spaceBefore + r;
    after = yAfter_;
  }

  // A measure that is no number leaves the paragraph as it was rather than
  // reaching the written spacing.
  if (!std::isfinite(before) || !std::isfinite(line) || !std::isfinite(after) ||
      !std::isfinite(p.spacing.word1LineHeight) || !std::isfinite(p.ind.left))
    return 0;

  const float previousLine = pProperty.spacing.line;
  p.spacing.before = static_cast<float>(before);
  p.spacing.line = static_cast<float>(line);
  p.spacing.after = static_cast<float>(after);
  VQDocxSetText(p.spacing.lineRule, "exact");
  pProperty = p;
  resolvedHeight = static_cast<double>(pProperty.spacing.line) - static_cast<double>(previousLine);

  const RunGroup& group = writeRunGroupArray.front();
  for (auto it = group.rbegin(); it != group.rend(); ++it) {
    if (auto text = std::dynamic_pointer_cast<VQDocxRunText>(*it)) {
      rProperty = text->rProperty;
      break;
    }
  }
  return resolvedHeight;
}

double VQDocxParagraph::averageSpacingLineWithRunTextLines() const {
  if (lineArray.empty()) return 0;
  if (lineArray.size() == 1) return yHeight_ > 0 ? yHeight_ : lineArray.front()->lineFrame.size.height;
  double sum = 0;
  for (size_t i = 0; i + 1 < lineArray.size(); ++i)
    sum += bottomOf(lineArray[i + 1]->lineFrame) - bottomOf(lineArray[i]->lineFrame);
  return sum / static_cast<double>(lineArray.size() - 1);
}

void VQDocxParagraph::updateContentFrame() {
  std::optional<Rect> frame;
  for (const auto& run : allRunTextArray()) {
    const Rect& f = run->ctmInfo.frame;
    if (!(f.size.width > 0)) continue;
    frame = frame ? RectUnion(*frame, f) : f;
  }
  contentFrame = frame.value_or(RectZero);

  const auto first = firstRunTextLine();
  if (!first) return;
  const auto words = VQConverterUtilities::ComponentsSeparatedByWords(first->lineText);
  if (words.empty()) return;
  firstWord = firstUnbreakable(first->lineText, words.front());
  firstWordWidth = first->getTextWidth(*firstWord);
  if (!(firstWordWidth > 0)) {
    // The document's face is not installed here and measures nothing: the
    // word is as wide as the page shows it, its spacing included.
    firstWordWidth = shownWidthOfFirstWord(*first, *firstWord);
    return;
  }
  if (first->runTextArray().empty()) return;
  // The run's own extra spacing, per character, widens the word too; a run
  // without text has none to give.
  const VQDocxRunText& run = *first->runTextArray().front();
  const size_t runLength = text::utf8CharacterCount(run.runText());
  if (runLength == 0) return;
  const double perCharacter = run.insideSpacing / static_cast<double>(runLength);
  if (std::isfinite(perCharacter))
    firstWordWidth += static_cast<double>(text::utf8CharacterCount(*firstWord)) * perCharacter;
}

void VQDocxParagraph::setBlankParagraphSpaceLine(double h) {
  if (!std::isfinite(h)) return;
  pProperty.spacing.line = static_cast<float>(h);
  if (h < rProperty.sz) {
    rProperty.sz = static_cast<float>(h);
    rProperty.szCs = static_cast<float>(h);
  }
  contentFrame.size = SizeMake(2, h);
}

// ---- lines and runs ----

void VQDocxParagraph::addRunTextArray(const VQDocxRunText::Array& runs) {
  if (!lineArray.empty()) {
    lineArray.front()->addRunTextArray(runs);
    return;
  }
  lineArray = {std::make_shared<VQDocxRunTextLine>(runs)};
}

VQDocxRunText::Array VQDocxParagraph::allRunTextArray() const {
  VQDocxRunText::Array out;
  for (const auto& line : lineArray) out.insert(out.end(), line->runTextArray().begin(), line->runTextArray().end());
  return out;
}

std::shared_ptr<VQDocxRunTextLine> VQDocxParagraph::firstRunTextLine() const {
  return lineArray.empty() ? nullptr : lineArray.front();
}

double VQDocxParagraph::allTextWidthAtLine(size_t index) const {
  if (index >= lineArray.size()) return 0;
  double width = 0;
  for (const auto& run : lineArray[index]->runTextArray()) width += run->textWidth;
  return width;
}

void VQDocxParagraph::resetRunTextTextSpacing() {
  for (const auto& run : allRunTextArray()) run->outsideSpacing = 0;
}

bool VQDocxParagraph::isParagraphBlankText() const {
  const auto first = firstRunTextLine();
  return !first || VQConverterUtilities::isBlankString(first->lineText);
}

bool VQDocxParagraph::isHaveSameFontNameParagraph(const VQDocxParagraph& other) const {
  const auto mine = allRunTextArray();
  for (const auto& theirs : other.allRunTextArray())
    for (const auto& run : mine)
      if (IsEqualRPr_InParagraph(theirs->rProperty, run->rProperty)) return true;
  return false;
}

bool VQDocxParagraph::compareOutLine(const std::string& title, bool likeDetect) const {
  if (pProperty.outlineLvl > 0) return false;
  const std::u32string wanted = normalisedText(title);
  // Every text contains the empty title; a title of nothing names no line.
  if (wanted.empty()) return false;

  std::vector<std::u32string> texts;
  for (const auto& line : lineArray) {
    std::u32string t = normalisedText(line->lineText);
    if (!t.empty()) texts.push_back(std::move(t));
  }
  for (const auto& t : texts)
    if (t.find(wanted) != std::u32string::npos) return true;
  for (const auto& t : texts) {
    if (t.size() > 2 && t.size() > wanted.size() / 3 && wanted.find(t) != std::u32string::npos) return true;
    if (likeDetect && VQConverterUtilities::String(utf8Of(t), utf8Of(wanted)) > 60) return true;
  }
  return false;
}

std::string VQDocxParagraph::description() const {
  const char* align = TextAlignString(pProperty.jc);
  return fmt::format(
      "<{}: {}:[Align:{}][paragraphText:{}][contentFrame:{}][yBefore:{:.2f}][yHeight:{:.2f}][yAfter:{:.2f}]"
      "[pProperty.spacing:{:2.0f}, {:.2f}, {:.2f}]>",
      className(), fmt::ptr(this), align ? align : "(null)", paragraphText, NSStringFromCGRect_VQLib(contentFrame),
      yBefore_, yHeight_, yAfter_, pProperty.spacing.before, pProperty.spacing.line, pProperty.spacing.after);
}

}  // namespace vq
