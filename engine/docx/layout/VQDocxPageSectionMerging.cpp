// Paragraph merging: consecutive one-line paragraphs that look like the
// lines of one wrapped paragraph become a single paragraph, so that Word can
// re-flow the text. Lists, contents lines with leaders, label lines and lines
// in other fonts, sizes or spacing are left as they are.
#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <string_view>
#include <unordered_set>

#include "common/VQConverterUtilities.h"
#include "docx/capture/VQDocxMeasures.h"
#include "docx/layout/VQDocxPageSection.h"
#include "platform/text/Utf8.h"

namespace vq {
namespace {

using docxmeasure::rightOf;

using ParagraphArray = VQDocxPageSection::ParagraphArray;
using LinePtr = std::shared_ptr<VQDocxRunTextLine>;

// How much wider than the page's a merged paragraph's lines may come out
// in the word processor's face and still hold the same words.
constexpr double kMergedLineSlack = 0.05;

// A gap between words of more blanks than this sets cells apart: justified
// lines stretch their blanks to twice their width, seldom more.
constexpr double kWideGapBlanks = 4;
// ... and of more than twice the line's height, whatever a face's blank says;
// the line's other gaps are narrower by this factor.
constexpr double kWideGapLines = 2;
constexpr double kUnevenGaps = 2;

// Lines that end within a point of each other, this many or more, make an
// edge of justified text.
constexpr size_t kSharedEdgeLines = 3;
// How many paragraphs either side of a line tell its column's edge.
constexpr size_t kEdgeNeighbours = 60;

// Marks that set a line apart as a list item, wherever they stand in it.
constexpr std::u32string_view kBullets = U"·•●○■▪►▶➢✓★☆♦◆◊◇‣⇒□√◼";

// Two edges, or two centres, are aligned when they are less than a point apart.
bool aligned(double a, double b) { return std::fabs(a - b) < 1; }

double leftOf(const Rect& r) { return r.origin.x; }
double centerOf(const Rect& r) { return r.origin.x + r.size.width / 2; }

bool containsAny(const std::u32string& text, std::u32string_view characters) {
  return text.find_first_of(characters) != std::u32string::npos;
}

bool contains(const std::string& text, std::string_view part) { return text.find(part) != std::string::npos; }

bool isBlankCharacter(char32_t c) {
  std::string s;
  text::appendUTF8(s, c);
  return !s.empty() && VQConverterUtilities::isBlankString(s);
}

std::string characterString(char32_t c) {
  std::string s;
  text::appendUTF8(s, c);
  return s;
}

bool endsWithColon(const std::u32string& text) {
  return !text.empty() && (text.back() == U':' || text.back() == U'：');
}

// A line that starts with an "o" bullet: the "o" stands alone, before a blank
// or a tab, or as a run of its own. Words such as "of", "or", "on" or "over"
// are no bullet.
bool startsWithOBullet(const VQDocxRunTextLine& line, const std::u32string& text) {
  if (text.empty() || text.front() != U'o') return false;
  if (text.size() < 2 || isBlankCharacter(text[1])) return true;
  const auto& runs = line.runTextArray();
  if (runs.empty() || !runs.front()) return false;
  std::u32string first = text::utf8ToCodePoints(runs.front()->runText());
  while (!first.empty() && isBlankCharacter(first.back())) first.pop_back();
  return first == U"o" && runs.size() > 1;
}

// A line that starts with a list label: a number of up to three digits, a
// letter or a small roman numeral, closed by "." or ")" (or in brackets), and
// a blank or the end of the line after it. A year ending a sentence ("2019.")
// or an abbreviation ("e.g.") is no label.
bool startsWithListLabel(const std::u32string& text) {
  size_t i = 0;
  const bool bracket = !text.empty() && text.front() == U'(';
  if (bracket) ++i;
  const size_t start = i;
  auto isDigit = [](char32_t c) { return c >= U'0' && c <= U'9'; };
  auto isLetter = [](char32_t c) { return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z'); };
  auto isRoman = [](char32_t c) { return std::u32string_view(U"ivxlIVXL").find(c) != std::u32string_view::npos; };
  if (i < text.size() && isDigit(text[i])) {
    while (i < text.size() && isDigit(text[i]) && i - start < 3) ++i;
  } else if (i < text.size() && isLetter(text[i])) {
    ++i;
    if (isRoman(text[i - 1]))
      while (i < text.size() && isRoman(text[i]) && i - start < 4) ++i;
  }
  if (i == start || i >= text.size()) return false;
  if (!(text[i] == U')' || (!bracket && text[i] == U'.'))) return false;
  ++i;
  return i == text.size() || isBlankCharacter(text[i]);
}

// The blank that stands between two words of the line, as wide as the
// line's own, or a quarter of its type size where it tells none.
double blankWidthOf(const VQDocxRunTextLine& line) {
  const double own = line.behindTextSpaceWidth();
  if (own > 0 && std::isfinite(own)) return own;
  const auto& runs = line.runTextArray();
  if (runs.empty() || !runs.front()) return 0;
  const double size = static_cast<double>(runs.front()->rProperty.sz) / 4;
  return size > 0 && std::isfinite(size) ? size : 0;
}

// A line with a gap between two of its words much wider than the others:
// the cells of a table row, a label and its value set apart. Its gaps say it
// is no line of running text, and it merges with no other line. A justified
// line stretches all its gaps alike, however wide; the gap after a list
// item's bullet or number is the item's indent.
bool hasWideGap(const VQDocxRunTextLine& line) {
  const double blank = blankWidthOf(line);
  if (!(blank > 0)) return false;
  const Rect* previous = nullptr;
  bool afterLabel = false, afterSentence = false;
  double widest = 0, narrowest = std::numeric_limits<double>::infinity();
  for (const auto& run : line.runTextArray()) {
    if (!run || run->runText().empty() || VQConverterUtilities::isBlankString(run->runText())) continue;
    const Rect& frame = run->ctmInfo.frame;
    if (!(frame.size.width > 0)) continue;
    std::u32string text = text::utf8ToCodePoints(run->runText());
    while (!text.empty() && isBlankCharacter(text.back())) text.pop_back();
    text.erase(text.begin(), std::find_if_not(text.begin(), text.end(), isBlankCharacter));
    // Words a blank apart inside the run.
    if (std::any_of(text.begin(), text.end(), isBlankCharacter)) narrowest = std::min(narrowest, blank);
    if (previous && !afterLabel) {
      const double gap = frame.origin.x - rightOf(*previous);
      if (gap > kWideGapBlanks * blank && gap > kWideGapLines * frame.size.height) {
        // Justified text stretches the blank after a sentence the most.
        if (!afterSentence) widest = std::max(widest, gap);
      } else {
        narrowest = std::min(narrowest, std::max(gap, 0.0));
      }
    }
    afterSentence = !text.empty() && std::u32string_view(U".!?:;").find(text.back()) != std::u32string_view::npos;
    afterLabel = !previous && ((text.size() == 1 && containsAny(text, kBullets)) || startsWithListLabel(text));
    previous = &frame;
  }
  return widest > 0 && std::isfinite(narrowest) && widest > kUnevenGaps * narrowest;
}

// Where the lines of a column end on the right, seen from the lines of
// `paragraphs` near `at` that stand below or above its first line (a column
// beside it ends elsewhere): the edge most of them reach (justified text,
// whose every full line ends there, and where a wider line such as a heading
// says nothing), or else the widest one's (ragged text, whose lines each end
// where the next word would not fit).
double textRightEdge(const VQDocxPageSection::ParagraphArray& paragraphs, size_t at) {
  const LinePtr own = paragraphs[at]->firstRunTextLine();
  if (!own) return std::numeric_limits<double>::quiet_NaN();
  const Rect& frame = own->lineFrame;
  std::vector<double> rights;
  const size_t from = at > kEdgeNeighbours ? at - kEdgeNeighbours : 0;
  const size_t to = std::min(paragraphs.size(), at + kEdgeNeighbours);
  for (size_t k = from; k < to; ++k)
    for (const auto& line : paragraphs[k]->lineArray) {
      if (!line) continue;
      const Rect& f = line->lineFrame;
      if (std::isfinite(rightOf(f)) && f.origin.x < rightOf(frame) && rightOf(f) > frame.origin.x)
        rights.push_back(rightOf(f));
    }
  if (rights.empty()) return std::numeric_limits<double>::quiet_NaN();
  std::sort(rights.begin(), rights.end());
  size_t best = 0;
  double edge = rights.back();
  for (size_t i = 0, j = 0; j < rights.size(); ++j) {
    while (rights[j] - rights[i] >= 1) ++i;
    if (j - i + 1 >= kSharedEdgeLines && j - i + 1 > best) best = j - i + 1, edge = rights[j];
  }
  return edge;
}

// The text a line ends its last run with, or its plain text without runs.
std::u32string endTextOf(const VQDocxRunTextLine& line) {
  const auto& runs = line.runTextArray();
  if (!runs.empty() && runs.back() && !runs.back()->runText().empty())
    return text::utf8ToCodePoints(runs.back()->runText());
  return text::utf8ToCodePoints(line.lineText);
}

std::u32string startTextOf(const VQDocxRunTextLine& line) {
  const auto& runs = line.runTextArray();
  if (!runs.empty() && runs.front() && !runs.front()->runText().empty())
    return text::utf8ToCodePoints(runs.front()->runText());
  return text::utf8ToCodePoints(line.lineText);
}

// The horizontal scaling the most characters of the line are set with.
double horizontalScalingOf(const VQDocxRunTextLine& line) {
  double scaling = 1;
  size_t most = 0;
  for (const auto& run : line.runTextArray()) {
    if (!run) continue;
    const size_t count = text::utf8CharacterCount(run->runText());
    if (count > most) most = count, scaling = run->horizontalScaling;
  }
  return scaling;
}

// Lines condensed or widened by different amounts are set apart on purpose
// (a line squeezed to fit a box, a heading): they stay paragraphs of their own.
bool sameHorizontalScaling(const VQDocxRunTextLine& a, const VQDocxRunTextLine& b) {
  return std::fabs(horizontalScalingOf(a) - horizontalScalingOf(b)) < 0.01;
}

double roomOf(const VQDocxParagraph& p) {
  return docxmeasure::finiteOr(p.yBefore()) + docxmeasure::finiteOr(p.yHeight()) + docxmeasure::finiteOr(p.yAfter());
}

// Down to a whole twentieth of a point, in single precision.
double twentiethsDown(double x) { return std::floor(static_cast<float>(x) * 20.0f) / 20.0f; }

// The line with one more blank behind its last run, made on copies: the line
// and its runs are shared with the page and the section's column groups, and
// a line merged twice must not grow two blanks.
LinePtr lineWithBlankBehind(const VQDocxRunTextLine& line) {
  auto copy = std::make_shared<VQDocxRunTextLine>(line);
  VQDocxRunText::Array runs = line.runTextArray();
  runs.back() = runs.back()->clone();
  copy->setRunTextArray(std::move(runs));
  copy->addBlankSpaceTextBehind();
  return copy;
}

// The text without its last character (a whole UTF-8 sequence).
std::string withoutLastCharacter(std::string text) {
  while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xC0) == 0x80) text.pop_back();
  if (!text.empty()) text.pop_back();
  return text;
}

// The line without the hyphen its last run ends with, made on copies as
// lineWithBlankBehind is: the word goes on whole on the next line.
LinePtr lineWithoutHyphenBehind(const VQDocxRunTextLine& line) {
  auto copy = std::make_shared<VQDocxRunTextLine>(line);
  VQDocxRunText::Array runs = line.runTextArray();
  const std::string text = withoutLastCharacter(runs.back()->runText());
  if (text.empty() && runs.size() > 1) {
    runs.pop_back();
  } else {
    runs.back() = runs.back()->clone();
    runs.back()->setRunText(text);
  }
  copy->setRunTextArray(std::move(runs));
  const std::string& hyphenRun = line.runTextArray().back()->runText();
  const std::string hyphen = hyphenRun.substr(withoutLastCharacter(hyphenRun).size());
  if (copy->lineText.ends_with(hyphen)) copy->lineText = withoutLastCharacter(copy->lineText);
  return copy;
}

}  // namespace

ParagraphArray VQDocxPageSection::mergeParagraphsIfNeed(const ParagraphArray& paragraphs) {
  ParagraphArray work;
  work.reserve(paragraphs.size());
  for (const auto& paragraph : paragraphs)
    if (paragraph) work.push_back(paragraph);

  ParagraphArray result;
  size_t at = 0;
  while (at < work.size()) {
    // What is left, seen in place: copying it for every step would cost a
    // page quadratic time in its paragraphs.
    const std::span<const ParagraphArray::value_type> rest(work.begin() + static_cast<std::ptrdiff_t>(at), work.end());
    int textAlign = 0;
    const ParagraphArray run = findMergeParagraphsIn(rest, &textAlign, textRightEdge(work, at));
    // The run is a leading part of what is left, and never empty.
    const size_t count = std::clamp<size_t>(run.size(), 1, rest.size());
    if (count < 2) {
      result.push_back(rest.front());
    } else {
      const ParagraphArray taken(rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(count));
      auto merged = mergeParagraphs(taken, textAlign);
      result.push_back(merged ? merged : rest.front());
    }
    at += count;
  }
  return result;
}

ParagraphArray VQDocxPageSection::findMergeParagraphsIn(std::span<const ParagraphArray::value_type> paragraphs,
                                                        int* textAlign, double columnRight) {
  if (paragraphs.size() < 2) return ParagraphArray(paragraphs.begin(), paragraphs.end());
  ParagraphArray run{paragraphs.front()};
  const auto& first = paragraphs.front();
  if (!first) return run;
  const LinePtr firstLine = first->firstRunTextLine();
  if (!firstLine) return run;
  {
    const std::u32string t = text::utf8ToCodePoints(firstLine->lineText);
    if (t.size() <= 1 || contains(firstLine->lineText, "....") || contains(firstLine->lineText, "····") ||
        endsWithColon(t) || hasWideGap(*firstLine))
      return run;
  }

  // A list item's lines go on at its label or at the text after it, never
  // left of the label: a line further left is the paragraph after the list.
  const bool firstIsListItem = startsWithListLabel(text::utf8ToCodePoints(firstLine->lineText)) ||
                               containsAny(text::utf8ToCodePoints(firstLine->lineText), kBullets);
  int a = first->pProperty.jc;
  double distance = 0;
  for (size_t i = 1; i < paragraphs.size(); ++i) {
    const auto& pi = paragraphs[i];
    const auto& pp = paragraphs[i - 1];
    if (!pi || !pp) break;
    const LinePtr li = pi->firstRunTextLine();
    const LinePtr lp = pp->firstRunTextLine();
    if (!li || !lp) break;
    const std::string& raw = li->lineText;
    const std::u32string t = text::utf8ToCodePoints(raw);
    if (t.size() <= 1) break;
    // List marks and bullets.
    if (containsAny(t, kBullets)) break;
    if (t.front() == U'.' || startsWithOBullet(*li, t) || startsWithListLabel(t)) break;
    // Leaders of a contents line.
    if (contains(raw, "....") || contains(raw, "····") || contains(raw, "…")) break;
    if (hasWideGap(*li)) break;
    if (!pp->isHaveSameFontNameParagraph(*pi)) break;
    if (!sameHorizontalScaling(*lp, *li)) break;

    const Rect& fi = li->lineFrame;
    const Rect& fp = lp->lineFrame;
    if (firstIsListItem && leftOf(fi) < leftOf(firstLine->lineFrame) - 1) break;
    if (!(std::fabs(fi.size.height - fp.size.height) <= static_cast<double>(0.2f) * fp.size.height)) break;

    const double d = std::fabs(li->yBaseLine - lp->yBaseLine);
    if (!std::isfinite(d)) break;
    if (i == 1) distance = d;
    else if (std::fabs(d - distance) > 2) break;

    ParagraphArray candidate = run;
    candidate.push_back(pi);
    if (distance > 0 && !testAllHeightEnough(candidate, distance)) break;

    if (i == 1) a = Recognize2LineTextAlignForMerger(candidate);
    else if (i == 2) a = Recognize3LineTextAlignForMerger(candidate);

    if (!canBeExtendWidth(candidate, a, columnRight)) break;

    if (a == 1) {
      // Right aligned: the right edges line up, though the second line may
      // reach further right than the first.
      const bool ok = aligned(rightOf(fi), rightOf(fp)) || (i == 1 && rightOf(fi) > rightOf(fp));
      if (!ok) break;
    } else if (a == 2) {
      if (!aligned(centerOf(fi), centerOf(fp))) break;
    } else if (i >= 2 && !aligned(leftOf(fi), leftOf(fp))) {
      break;
    }

    run = std::move(candidate);
    if (endsWithColon(t)) break;
  }
  if (run.size() >= 2 && textAlign) *textAlign = a;
  return run;
}

std::shared_ptr<VQDocxParagraph> VQDocxPageSection::mergeParagraphs(const ParagraphArray& run, int textAlign) {
  if (run.empty()) return nullptr;
  if (run.size() < 2) return run.front();
  for (const auto& paragraph : run)
    if (!paragraph) return run.front();
  const auto& first = run.front();
  const auto& last = run.back();

  // Every line once, in order: a line that two paragraphs share is one line
  // of text, not two.
  VQDocxRunTextLine::Array lines;
  std::unordered_set<const VQDocxRunTextLine*> seen;
  bool breakColumn = false;
  double total = 0;
  for (const auto& paragraph : run) {
    for (const auto& line : paragraph->lineArray)
      if (line && seen.insert(line.get()).second) lines.push_back(line);
    breakColumn = breakColumn || paragraph->breakColumn;
    total += roomOf(*paragraph);
  }

  // Words at the end of one line and the start of the next stay apart, except
  // between full-width characters, which Word sets without a blank.
  for (size_t i = 0; i + 1 < lines.size(); ++i) {
    const VQDocxRunTextLine& line = *lines[i];
    if (line.runTextArray().empty() || !line.runTextArray().back()) continue;
    const std::u32string end = endTextOf(line);
    const std::u32string start = startTextOf(*lines[i + 1]);
    if (end.empty() || start.empty()) continue;
    // The whole of both lines where they end and start as their runs do: a
    // hyphen drawn as a run of its own follows the letter of the run before,
    // and the words on either side are whole.
    const std::u32string lineText = text::utf8ToCodePoints(line.lineText);
    const std::u32string nextText = text::utf8ToCodePoints(lines[i + 1]->lineText);
    const auto hyphen = VQConverterUtilities::LineEndHyphenJoin(
        !lineText.empty() && lineText.back() == end.back() ? lineText : end,
        !nextText.empty() && nextText.front() == start.front() ? nextText : start);
    if (hyphen == VQConverterUtilities::HyphenJoin::Drop) lines[i] = lineWithoutHyphenBehind(line);
    if (hyphen != VQConverterUtilities::HyphenJoin::None) continue;
    if (isBlankCharacter(end.back()) || isBlankCharacter(start.front())) continue;
    if (VQConverterUtilities::IsFullWidthCharacter(characterString(end.back())) &&
        VQConverterUtilities::IsFullWidthCharacter(characterString(start.front())))
      continue;
    lines[i] = lineWithBlankBehind(line);
  }

  const double before = docxmeasure::finiteOr(first->yBefore());
  const double after = docxmeasure::finiteOr(last->yAfter());
  auto merged = std::make_shared<VQDocxParagraph>(std::move(lines), before, total - before - after, after,
                                                  first->columnFrame, textAlign, first->sectProperty);
  merged->breakColumn = breakColumn;
  merged->rProperty = first->rProperty;

  VQDocx_PPr p = merged->pProperty;
  p.jc = textAlign;
  if (textAlign >= 0 && textAlign <= 4) {
    if (textAlign == 2) {
      const double left = std::max(0.0, VQDocxPageSection::Ind_MinLeftOfParagraphs(run));
      if (std::isfinite(left)) p.ind.left = static_cast<float>(left);
    } else {
      const double left = std::max(0.0, twentiethsDown(VQDocxPageSection::Ind_SubMinLeftOfParagraphs(run)));
      if (std::isfinite(left)) p.ind.left = static_cast<float>(left);
      const double firstLine = twentiethsDown(first->pProperty.ind.left - p.ind.left);
      if (std::isfinite(firstLine)) p.ind.firstLine = static_cast<float>(firstLine);
    }
    // The lines are set again in the word processor's face, which may come
    // out a little wider than the page's: a line that no longer fits pushes
    // a word on and the paragraph grows a line. A share of the measure more
    // (where the column has it) keeps the page's lines whole.
    const double slack = kMergedLineSlack * merged->contentFrame.size.width;
    const double room = rightOf(merged->columnFrame) - rightOf(merged->contentFrame) - std::max(slack, 0.0);
    if (room > 3 && std::isfinite(room)) p.ind.right = static_cast<float>(std::max(0.0, twentiethsDown(room - 3)));
  }
  merged->pProperty = p;
  merged->sectProperty = first->sectProperty;
  return merged;
}

bool VQDocxPageSection::canBeExtendWidth(const ParagraphArray& run, int textAlign, double columnRight) {
  Rect united = RectNull;
  double ratio = 0;
  for (const auto& paragraph : run) {
    if (!paragraph) return false;
    const Rect& frame = paragraph->contentFrame;
    united = RectUnion(united, frame);
    // A box without height says nothing about how long the line is.
    if (frame.size.height > 0 && std::isfinite(frame.size.width / frame.size.height))
      ratio += frame.size.width / frame.size.height;
  }
  if (RectIsNull(united)) united = RectZero;
  if (!(ratio >= 3) || !(united.size.width >= 15)) return false;
  if (run.size() == 1) return true;
  const double right = std::isfinite(columnRight) ? std::max(rightOf(united), columnRight) : rightOf(united);

  for (size_t j = 1; j < run.size(); ++j) {
    const LinePtr lp = run[j - 1]->firstRunTextLine();
    if (!lp) return false;
    const double w = run[j]->firstWordWidth;
    const Rect& fp = lp->lineFrame;
    switch (textAlign) {
      case 1:
        // The word would have fitted on the left of the line before it.
        if (j >= 2 && fp.origin.x - w > united.origin.x - 0.5) return false;
        break;
      case 2:
        if (fp.size.width + w < united.size.width + 0.5) return false;
        break;
      case 0:
      case 3:
      case 4:
        // The word, and the blank before it, would have fitted at the end of
        // the line before it: that line ended its paragraph.
        if (rightOf(fp) + blankWidthOf(*lp) + w <= right) return false;
        break;
      default:
        break;
    }
  }
  return true;
}

bool VQDocxPageSection::testAllHeightEnough(const ParagraphArray& run, double lineDistanceY) {
  double total = 0;
  for (const auto& paragraph : run)
    if (paragraph) total += paragraph->yBefore() + paragraph->yHeight() + paragraph->yAfter();
  const double n = static_cast<double>(run.size());
  const double slack = std::min(static_cast<double>(static_cast<float>(-lineDistanceY) / 5.0f), -1.0);
  return total - n * lineDistanceY > slack;
}

int VQDocxPageSection::Recognize2LineTextAlignForMerger(const ParagraphArray& paragraphs) {
  const int fallback = !paragraphs.empty() && paragraphs.front() ? paragraphs.front()->pProperty.jc : 0;
  if (paragraphs.size() != 2 || !paragraphs[1]) return fallback;
  const LinePtr la = paragraphs[0]->firstRunTextLine();
  const LinePtr lb = paragraphs[1]->firstRunTextLine();
  if (!la || !lb) return fallback;
  const Rect& a = la->lineFrame;
  const Rect& b = lb->lineFrame;
  if (aligned(leftOf(a), leftOf(b))) return aligned(rightOf(a), rightOf(b)) ? 3 : 0;
  if (aligned(rightOf(a), rightOf(b))) {
    const bool startsLeft = leftOf(b) < leftOf(a);
    return startsLeft && centerOf(paragraphs[0]->columnFrame) > leftOf(a) ? 0 : 1;
  }
  return aligned(centerOf(a), centerOf(b)) ? 2 : 0;
}

int VQDocxPageSection::Recognize3LineTextAlignForMerger(const ParagraphArray& paragraphs) {
  if (paragraphs.size() != 3) return 0;
  for (const auto& paragraph : paragraphs)
    if (!paragraph || !paragraph->firstRunTextLine()) return 0;
  const Rect& a = paragraphs[0]->firstRunTextLine()->lineFrame;
  const Rect& b = paragraphs[1]->firstRunTextLine()->lineFrame;
  const Rect& c = paragraphs[2]->firstRunTextLine()->lineFrame;
  const bool leftAB = aligned(leftOf(a), leftOf(b)), leftBC = aligned(leftOf(b), leftOf(c));
  const bool leftAC = aligned(leftOf(a), leftOf(c));
  const bool rightAB = aligned(rightOf(a), rightOf(b)), rightBC = aligned(rightOf(b), rightOf(c));
  const bool rightAC = aligned(rightOf(a), rightOf(c));
  // Centres tell centred lines only where the left edges differ: lines of
  // nearly one length that start alike are a ragged left-aligned paragraph.
  const bool centerAB = aligned(centerOf(a), centerOf(b)) && !leftAB;
  const bool centerBC = aligned(centerOf(b), centerOf(c)) && !leftBC;
  const bool centerAC = aligned(centerOf(a), centerOf(c)) && !leftAC;
  const bool anyRight = rightAB || rightBC || rightAC;

  if (leftAB) {
    if (leftBC && anyRight) return 3;
    if (rightAB && rightBC) return 1;
    return centerAB || centerAC ? 2 : 0;
  }
  if (leftBC) {
    if (anyRight) return 3;
    return centerAB || centerAC ? 2 : 0;
  }
  if (rightAB) {
    if (rightBC) return 1;
    return centerBC || centerAC ? 2 : 0;
  }
  if (centerAB) return centerBC || centerAC ? 2 : 0;
  if (rightBC) return leftAC ? 3 : 1;
  if (centerBC) return 2;
  if (centerAC) return paragraphs[1]->pProperty.jc;
  return 0;
}

}  // namespace vq
