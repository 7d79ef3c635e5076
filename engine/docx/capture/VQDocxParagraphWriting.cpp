// The paragraph's write groups and its w:p output.
#include <algorithm>
#include <cmath>
#include <string_view>

#include "docx/capture/VQDocxParagraph.h"
#include "docx/capture/VQDocxRunTab.h"
#include "office/VQDocxEquality.h"
#include "office/VQDocxUtilities.h"
#include "office/VQOpenXMLNameSpace.h"
#include "platform/text/Utf8.h"

namespace vq {

namespace {

using RunGroup = VQDocxParagraph::RunGroup;

std::shared_ptr<VQDocxRunText> asText(const std::shared_ptr<VQDocxRun>& run) {
  return std::dynamic_pointer_cast<VQDocxRunText>(run);
}

bool isTab(const std::shared_ptr<VQDocxRun>& run) { return std::dynamic_pointer_cast<VQDocxRunTab>(run) != nullptr; }

// A lone letter a little apart from the next run is letter-spaced text when
// the gap is under half a blank. Where the blank comes out wider than this
// (a face whose own blank is not known, measured in a stand-in with a wide
// one), the width of a usual blank is taken instead: a one-syllable Hangul
// word would otherwise lose the blank after it.
constexpr double kMostLetterSpacingBlankEm = 0.35;

// After the punctuation that ends a sentence or a clause, typesetters
// widen the blank; up to this many blanks it is still one blank, not a tab.
constexpr double kMostPunctuationGapBlanks = 2.5;

bool endsWithPunctuation(const std::string& text) {
  return !text.empty() && std::string_view(".,;:!?").find(text.back()) != std::string_view::npos;
}

// True when the group's last run comes after text of its line: a run that
// starts the line or follows a tab ("1.", "A.") is a label, whose gap is
// kept as a tab.
bool followsText(const RunGroup& group) { return group.size() >= 2 && !isTab(group[group.size() - 2]); }

// A label ("1.", "A.", a bullet) starting the line keeps its gap as a tab
// even where the gap is no wider than words of a phrase are set apart.
bool isLineLabel(const RunGroup& group, const std::string& text) {
  return !followsText(group) && (endsWithPunctuation(text) || text::utf8CharacterCount(text) == 1);
}

bool endsWithBlank(const std::string& text) {
  return !text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\n' || text.back() == '\r');
}

// The groups with every text run copied: leader repair and slack change the
// text runs, and those changes belong to one write, not to the paragraph.
std::vector<RunGroup> copiedGroups(const std::vector<RunGroup>& groups) {
  std::vector<RunGroup> out;
  out.reserve(groups.size());
  for (const auto& group : groups) {
    RunGroup copy;
    copy.reserve(group.size());
    for (const auto& run : group) {
      if (auto text = asText(run)) copy.push_back(text->clone());
      else copy.push_back(run);
    }
    out.push_back(std::move(copy));
  }
  return out;
}

// The leader kind a run's text draws, as an underline code; 0 for none.
int leaderKind(const std::string& text) {
  if (text.find("__") != std::string::npos) return 1;
  if (text.find("==") != std::string::npos) return 2;
  if (text.find("..") != std::string::npos) return 4;
  if (text.find("._") != std::string::npos) return 6;
  return 0;
}

// Dots, rules and underscores that the PDF draws over (or through) other
// text make a leader: the drawn leader text goes and the text it covers is
// underlined in the leader's kind instead.
void fixLeaders(std::vector<RunGroup>& groups) {
  std::vector<std::shared_ptr<VQDocxRunText>> leaders, tight;
  int kind = 0;
  for (const auto& group : groups) {
    for (const auto& run : group) {
      auto text = asText(run);
      if (!text) continue;
      if (const int k = leaderKind(text->runText())) {
        leaders.push_back(text);
        kind = k;
      } else if (text->outsideSpacing < 0.6f * text->textWidth) {
        tight.push_back(text);
      }
    }
  }
  if (leaders.empty()) return;
  for (const auto& run : tight) {
    const double limit = std::min(run->textWidth - 0.1, 5.0);
    double total = 0;
    bool hit = false;
    for (const auto& leader : leaders) {
      if (!RectIntersectsRect(leader->ctmInfo.frame, run->ctmInfo.frame)) continue;
      if (!(RectIntersection(leader->ctmInfo.frame, run->ctmInfo.frame).size.width > limit)) continue;
      leader->setRunText(" ");
      total += leader->textWidth;
      hit = true;
    }
    if (!hit) continue;
    run->rProperty.u = kind;
    run->outsideSpacing += total;
    if (run->outsideSpacing > 0) run->outsideSpacing = 0;
  }
}

// The line's left edge against the content's for right-aligned text (its
// slack lies on the left), the lines' widths for centred text, and the right
// edges for everything else.
double lineSlack(int jc, const Rect& line, const Rect& content) {
  if (jc == 2) return line.size.width - content.size.width;
  if (jc == 1) return RectGetMinX(content) - RectGetMinX(line);
  return RectGetMaxX(line) - RectGetMaxX(content);
}

// What a blank between words is widened by beyond its own width. Lines that
// wrap are set again by the word processor, which stretches a justified
// line's blanks by itself: a blank that kept the page's stretch would be
// stretched twice, fewer words would fit on a line and the paragraph would
// run longer than the page has it. Such a blank is only ever narrowed (where
// the page sets words closer than the face's blank), so that each line of
// the page still fits in the measure.
double wrappedBlankExtra(double extra, bool wrapped) { return wrapped ? std::min(extra, 0.0) : extra; }

// One left stop per tab run, measured from the column's left edge.
std::vector<VQDocx_Tab> tabStops(const std::vector<RunGroup>& groups, double originX) {
  std::vector<VQDocx_Tab> stops;
  for (const auto& group : groups) {
    for (const auto& run : group) {
      auto tab = std::dynamic_pointer_cast<VQDocxRunTab>(run);
      if (!tab) continue;
      VQDocx_Tab stop{};
      VQDocxSetText(stop.leader, "none");
      VQDocxSetText(stop.val, "left");
      const double pos = tab->tabPostion - originX;
      stop.pos = static_cast<float>(std::isfinite(pos) ? pos : 0);
      stops.push_back(stop);
    }
  }
  return stops;
}

}  // namespace

// ---- write groups ----

void VQDocxParagraph::convertToWriteRunArray(const LineArray& lines) {
  writeRunGroupArray.clear();
  std::string text;
  const bool multiLine = lines.size() >= 2;

  for (const auto& source : lines) {
    if (!source || source->runTextArray().empty()) continue;
    // Copies: joining, splitting off blanks and spacing change the runs,
    // and the line's own runs stay as the page captured them.
    VQDocxRunText::Array work;
    for (const auto& run : source->runTextArray()) {
      work.push_back(run->clone());
      work.back()->outsideSpacing = 0;
    }

    RunGroup group;
    std::shared_ptr<VQDocxRunText> prev = work.front();
    std::string lineText = prev->runText();
    group.push_back(prev);
    prev->outsideSpacing += prev->insideSpacing;

    for (size_t j = 1; j < work.size(); ++j) {
      const std::shared_ptr<VQDocxRunText> cur = work[j];
      double gap = cur->ctmInfo.xLeft - prev->ctmInfo.xRight;
      if (!std::isfinite(gap)) gap = 0;
      const double sw = prev->spaceWidth_orignal;
      cur->outsideSpacing += cur->insideSpacing;
      const bool tabAllowed =
          !(prev->insideSpacing > gap && prev->spaceWidth_orignal > gap + 0.1 && cur->spaceWidth_orignal > gap + 0.1);

      enum class Step { Join, Space, Tab } step = Step::Join;
      if (gap < -0.75 * prev->textWidth) {
        // The runs overlap: one painted over the other.
        lineText += cur->runText();
        if (IsEqualRPr(prev->rProperty, cur->rProperty)) {
          auto merged = VQDocxRunTextLine::MergeLeft2RightRunTextArray({prev, cur});
          group.back() = merged;
          merged->outsideSpacing += gap;
          prev = merged;
        } else {
          cur->outsideSpacing += gap;
          group.push_back(cur);
          prev = cur;
        }
        continue;
      }
      // A word gap (one the capture saw: a blank glyph, however narrow; or
      // a gap wide enough for the displayed type beside it, small or
      // condensed type's under a point) is never joined away.
      const bool parted = VQDocxRunText::IsWordGapBetween(*prev, *cur, gap) && !endsWithBlank(prev->runText()) &&
                          !(!cur->runText().empty() && cur->runText().front() == ' ');
      if (gap < std::max(static_cast<float>(sw) / 3.0f, 1.0f) && !parted) {
        lineText += cur->runText();
        prev->outsideSpacing += gap / 2;
        cur->outsideSpacing += gap / 2;
        group.push_back(cur);
        prev = cur;
        continue;
      }
      const double size = std::isfinite(prev->rProperty.sz) && prev->rProperty.sz > 0 ? prev->rProperty.sz : sw;
      if (text::utf8CharacterCount(prev->runText()) == 1 &&
          gap < std::min(sw, kMostLetterSpacingBlankEm * size) * 0.5) {
        step = Step::Join;
      } else if (gap < 3.1f || gap < 1.5 * sw || multiLine ||
                 // Words of one phrase stay a blank apart however far a
                 // justified line stretches them.
                 (VQDocxRunText::GapKindBetween(*prev, *cur, gap) == VQPDFGapKind::Word &&
                  !isLineLabel(group, prev->runText())) ||
                 (endsWithPunctuation(prev->runText()) && gap < kMostPunctuationGapBlanks * sw && followsText(group))) {
        if (!tabAllowed) step = Step::Join;
        else if (gap < 1.5 * sw && (prev->isSpaceLast || cur->isSpaceFirst)) step = Step::Join;
        else step = Step::Space;
      } else {
        step = tabAllowed ? Step::Tab : Step::Join;
      }

      if (step == Step::Join && parted) step = Step::Space;
      switch (step) {
        case Step::Join:
          lineText += cur->runText();
          prev->outsideSpacing += gap;
          group.push_back(cur);
          break;
        case Step::Space: {
          // A run that already ends in a blank has it in the text; cutting
          // it off into a run of its own adds none.
          if (!endsWithBlank(prev->runText())) lineText += " ";
          lineText += cur->runText();
          if (auto blank = prev->splitBlackSpaceRunTextBehind()) {
            gap = wrappedBlankExtra(gap - blank->textWidth, multiLine);
            // A gap narrower than the blank is taken up by the word before
            // it, whose characters share it out: one reader condenses a
            // single character by only so much, and a blank squeezed alone
            // would come out wider than the gap.
            if (gap < 0 && text::utf8CharacterCount(prev->runText()) >= 2) prev->outsideSpacing += gap;
            else blank->outsideSpacing += gap;
            work.insert(work.begin() + static_cast<std::ptrdiff_t>(j), blank);
            group.push_back(blank);
            group.push_back(cur);
            ++j;
          } else {
            gap = wrappedBlankExtra(gap - prev->addBlankSpaceTextBehind(), multiLine);
            prev->outsideSpacing += gap;
            group.push_back(cur);
          }
          break;
        }
        case Step::Tab: {
          lineText += "\t";
          lineText += cur->runText();
          auto tab = VQDocxRunTab::RunTapWithTabPostion(cur->ctmInfo.xLeft, gap);
          tab->rProperty = prev->rProperty;
          group.push_back(tab);
          group.push_back(cur);
          break;
        }
      }
      prev = cur;
    }
    text += lineText;
    writeRunGroupArray.push_back(std::move(group));
  }
  paragraphText = std::move(text);
}

void VQDocxParagraph::convertToWriteRunArrayFloatRunPict() {
  RunGroup group;
  for (const auto& run : allRunTextArray()) group.push_back(run);
  writeRunGroupArray = {std::move(group)};
}

void VQDocxParagraph::insertRunPictArray(const std::vector<std::shared_ptr<VQDocxRunPict>>& picts) {
  if (writeRunGroupArray.empty()) writeRunGroupArray.emplace_back();
  RunGroup& first = writeRunGroupArray.front();
  first.insert(first.begin(), picts.begin(), picts.end());
}

std::shared_ptr<VQDocxRunText> VQDocxParagraph::lastRunText() const {
  if (writeRunGroupArray.empty()) return nullptr;
  const RunGroup& group = writeRunGroupArray.front();
  for (auto it = group.rbegin(); it != group.rend(); ++it)
    if (auto text = asText(*it)) return text;
  return nullptr;
}

bool VQDocxParagraph::haveRunTab() const {
  return std::any_of(writeRunGroupArray.begin(), writeRunGroupArray.end(),
                     [](const RunGroup& group) { return std::any_of(group.begin(), group.end(), isTab); });
}

std::vector<VQDocx_Tab> VQDocxParagraph::createTabsPropertyInParagraph() const {
  return tabStops(writeRunGroupArray, columnFrame.origin.x);
}

void VQDocxParagraph::fixOutsideSpacingError() {
  writeRunGroupArray = copiedGroups(writeRunGroupArray);
  fixLeaders(writeRunGroupArray);
}

// ---- writing ----

void VQDocxParagraph::writeWithXMLWriter(XMLFileWriter& writer) {
  std::vector<RunGroup> groups = copiedGroups(writeRunGroupArray);
  fixLeaders(groups);
  writer.writeStartElementWithNamespace(gl_namespace_xmlns_w, "p");

  VQDocx_PPr pPr = pProperty;
  VQDocx_RPr rPr = rProperty;
  const VQDocx_SectPr sectPr = sectProperty;

  // A mark taller than the exact line would make Word grow the line.
  if (groups.empty() && rPr.sz > pPr.spacing.line) {
    rPr.sz = std::floor(pPr.spacing.line);
    rPr.szCs = rPr.sz;
  }
  // A tab stop is measured from the left: a line with a tab is left-aligned.
  if (groups.size() == 1 && std::any_of(groups.front().begin(), groups.front().end(), isTab)) {
    pPr.jc = 0;
    pProperty.jc = 0;
  }
  if (groups.size() >= 2) {
    // Wrapped lines keep no tabs; what each line lacks (or has too much)
    // against the content width is spread as spacing over its first runs.
    for (auto& group : groups) std::erase_if(group, isTab);
    size_t l = 0;
    for (const auto& line : lineArray) {
      if (line->runTextArray().empty()) continue;
      if (l >= groups.size()) break;
      RunGroup& group = groups[l++];
      const double d = lineSlack(pPr.jc, line->lineFrame, contentFrame);
      const double h = line->lineHeightMin;
      double a;
      if (d < -h) a = std::min(0.25f * static_cast<float>(h), 4.0f);
      else if (d < -0.25 * h) a = d;
      else a = -std::min(0.5f * static_cast<float>(d), 4.0f);
      const size_t n = std::max<size_t>(group.size(), 5);
      const double per = a / static_cast<double>(n);
      if (per == 0 || !std::isfinite(per)) continue;
      size_t given = 0;
      for (const auto& run : group) {
        if (given == n) break;
        if (auto text = asText(run)) {
          text->outsideSpacing += per;
          ++given;
        }
      }
    }
  }

  const double columnMaxX = RectGetMaxX(columnFrame);
  if ((pPr.jc == 3 || pPr.jc == 4) && groups.size() <= 1) pPr.jc = 0;
  if (pPr.jc == 1 && groups.size() <= 1) {
    pPr.ind.left = 0;
    if (groups.size() == 1) pPr.ind.right = static_cast<float>(std::floor(columnMaxX - RectGetMaxX(contentFrame)) - 1);
  } else if (pPr.jc == 2 && groups.size() <= 1) {
    pPr.ind.left = 0;
    pPr.ind.right = 0;
    if (groups.size() == 1) {
      // Centred on the content's middle: the indent moves the column's
      // middle there.
      const double c = contentFrame.origin.x + contentFrame.size.width / 2;
      pPr.ind.left = static_cast<float>(std::floor((c - (columnMaxX - c)) - columnFrame.origin.x));
    }
  }

  // A left-aligned paragraph of one line stands for one line of the PDF.
  // The word processor's face may set it a little wider than the PDF's
  // font, and a line that then wraps pushes everything below it down, often
  // past the page's end. A tenth of its width (at most half an inch) past
  // the column's right edge lets it stay one line.
  if (pPr.jc == 0 && groups.size() == 1 && !paragraphText.empty() && pPr.ind.right <= 0) {
    const double room = std::min(36.0, 0.1 * contentFrame.size.width);
    if (room >= 1 && std::isfinite(room)) pPr.ind.right = -static_cast<float>(std::floor(room));
  }

  if (!paragraphText.empty()) {
    if (pPr.spacing.line < 5) pPr.spacing.line = 5;
  } else if (pPr.spacing.line < 5 && rPr.sz > pPr.spacing.line) {
    rPr.sz = 5;
    rPr.szCs = 5;
  }

  // Nothing that is no number reaches the document.
  for (float* v : {&pPr.spacing.before, &pPr.spacing.after, &pPr.ind.left, &pPr.ind.right, &pPr.ind.firstLine})
    if (!std::isfinite(*v)) *v = 0;
  if (!std::isfinite(pPr.spacing.line)) pPr.spacing.line = 12;

  // The stops are those of the groups as written: wrapped lines have none.
  const std::vector<VQDocx_Tab> stops = tabStops(groups, columnFrame.origin.x);
  VQDocxUtilities::WritePProperty(pPr, rPr, sectPr, VQDocx_Tabs{static_cast<int64_t>(stops.size()), stops.data()},
                                  writer);

  if (breakColumn) {
    writer.writeStartElementWithNamespace(gl_namespace_xmlns_w, "r");
    writer.writeStartElementWithNamespace(gl_namespace_xmlns_w, "rPr");
    writer.writeEndElement();
    writer.writeStartElementWithNamespace(gl_namespace_xmlns_w, "br");
    writer.writeAttributeWithNamespace(gl_namespace_xmlns_w, "type", "column");
    writer.writeEndElement();
    writer.writeEndElement();
  }
  for (const auto& group : groups)
    for (const auto& run : group) run->writeWithXMLWriter(writer);
  writer.writeEndElement();
}

bool VQDocxParagraph::isCanIgnore() const {
  if (pProperty.spacing.line > 1 || sectProperty.shouldWrite) return false;
  for (const auto& line : lineArray)
    if (!line->runTextArray().empty()) return false;
  for (const auto& group : writeRunGroupArray)
    for (const auto& run : group)
      if (std::dynamic_pointer_cast<VQDocxRunPict>(run)) return false;
  return true;
}

}  // namespace vq
