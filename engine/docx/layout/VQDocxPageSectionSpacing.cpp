// Paragraph spacing of a page section: the rounding correction of exact
// lines, the moving of space between neighbouring paragraphs, and the order
// in which a freshly built section is optimised.
#include <algorithm>
#include <cmath>

#include "docx/layout/VQDocxPage.h"
#include "docx/layout/VQDocxPageSection.h"
#include "exporter/VQWordOptions.h"

namespace vq {
namespace {

// The least exact line the writer gives a paragraph with text.
constexpr double kLeastTextLine = 5;
// Below this a spacer that carries nothing is left out when written.
constexpr double kLeastSpacerLine = 1.05;

VQDocxPageSection::ParagraphArray paragraphsOf(const VQDocxPageSection::ParagraphColum& colum) {
  VQDocxPageSection::ParagraphArray out;
  for (const auto& object : colum)
    if (auto paragraph = VQDocxPageSection::FlowParagraph(object)) out.push_back(std::move(paragraph));
  return out;
}

// The column with every stretch of paragraphs between other objects merged;
// the other objects keep their places.
VQDocxPageSection::ParagraphColum mergedColum(VQDocxPageSection& section,
                                              const VQDocxPageSection::ParagraphColum& colum) {
  VQDocxPageSection::ParagraphColum out;
  VQDocxPageSection::ParagraphArray stretch;
  auto flush = [&] {
    if (stretch.empty()) return;
    for (auto& paragraph : section.mergeParagraphsIfNeed(stretch)) out.push_back(std::move(paragraph));
    stretch.clear();
  };
  for (const auto& object : colum) {
    if (!object) continue;
    if (auto paragraph = VQDocxPageSection::FlowParagraph(object)) {
      stretch.push_back(std::move(paragraph));
      continue;
    }
    flush();
    out.push_back(object);
  }
  flush();
  return out;
}

double lineHeightOf(const VQDocxParagraph& paragraph) {
  const auto line = paragraph.firstRunTextLine();
  return line ? line->lineFrame.size.height : 0;
}

}  // namespace

void VQDocxPageSection::optimizeParagraphs() {
  if (headBlankParagraphArray.size() >= 2) fixErrorHeightSpacingInParagraphs(headBlankParagraphArray);
  for (const auto& colum : paragraphGroupArray) {
    const ParagraphArray paragraphs = paragraphsOf(colum);
    if (paragraphs.size() >= 2) fixErrorHeightSpacingInParagraphs(paragraphs);
  }
  if (!paragraphGroupArray.empty()) paragraphGroupArray = autoFitParagraphSpacing(3);

  // A section that belongs to no page runs with the product's defaults.
  const VQWordOptions options = superPage ? superPage->moreOptions().wordOptions : VQWordOptions{};
  if (!options.isMergeParagraphs) return;
  ParagraphGroupArray merged;
  merged.reserve(paragraphGroupArray.size());
  for (const auto& colum : paragraphGroupArray) merged.push_back(mergedColum(*this, colum));
  for (size_t i = 0; i < merged.size(); ++i) paragraphGroupArray[i] = std::move(merged[i]);
}

double VQDocxPageSection::settleNegativeSpacing(const ParagraphColum& colum, double debt) {
  auto give = [&debt](float& room, double least) {
    if (!(debt > 0) || !(room > least)) return;
    const double taken = std::min(debt, static_cast<double>(room) - least);
    room = static_cast<float>(room - taken);
    debt -= taken;
  };
  auto owe = [&debt](float& room) {
    if (room < 0) debt -= room;
    if (!(room >= 0)) room = 0;
  };
  for (const auto& object : colum) {
    const auto paragraph = FlowParagraph(object);
    if (!paragraph) continue;
    VQDocx_Spacing& s = paragraph->pProperty.spacing;
    owe(s.before);
    give(s.before, 0);
    // The writer raises a text line below this to it.
    if (!paragraph->paragraphText.empty() && s.line < kLeastTextLine) debt += kLeastTextLine - s.line;
    // A spacer's line is room of its own; it keeps a point so that it is
    // still written and keeps its place.
    if (paragraph->isParagraphBlankText() && paragraph->paragraphText.empty()) give(s.line, kLeastSpacerLine);
    owe(s.after);
    give(s.after, 0);
  }
  return debt;
}

void VQDocxPageSection::fixErrorHeightSpacingInParagraphs(const ParagraphArray& paragraphs) {
  std::shared_ptr<VQDocxParagraph> last;
  double twips = 0;  // the lines as written, in twentieths of a point
  double exact = 0;  // the lines as measured
  for (const auto& paragraph : paragraphs) {
    if (!paragraph) continue;
    const float line = paragraph->pProperty.spacing.line;
    twips += std::round(20.0f * line);
    exact += line;
    last = paragraph;
  }
  // A line that is no number makes the sums none either, and the setter then
  // leaves the last line alone.
  if (last) last->setSpaceLine(static_cast<double>(last->pProperty.spacing.line) + exact - twips / 20);
}

VQDocxPageSection::ParagraphGroupArray VQDocxPageSection::autoFitParagraphSpacing(int /*mode*/) {
  ParagraphGroupArray result;
  result.reserve(paragraphGroupArray.size());
  for (const auto& colum : paragraphGroupArray) {
    ParagraphColum out;
    out.reserve(colum.size());
    std::shared_ptr<VQDocxParagraph> prev;
    for (const auto& object : colum) {
      if (!object) continue;
      out.push_back(object);
      const auto cur = VQDocxPageSection::FlowParagraph(object);
      if (!cur) {
        // Space never moves across a table or a section break.
        prev = nullptr;
        continue;
      }
      if (!prev) {
        prev = cur;
        continue;
      }
      if (prev->isParagraphBlankText()) {
        prev = cur;
        continue;
      }
      if (cur->isParagraphBlankText()) {
        const double h = lineHeightOf(*prev);
        const VQDocx_Spacing& ps = prev->pProperty.spacing;
        const VQDocx_Spacing& cs = cur->pProperty.spacing;
        if (!(h > ps.after)) {
          prev = cur;
          continue;
        }
        const double oldAfter = ps.after;
        const double shrunk = cs.line - (h - oldAfter);
        if (cs.line - 8 > h && shrunk > 0) {
          // The space after the text grows to a line; the blank gives as much.
          prev->setSpaceLineAfter(h);
          cur->setBlankParagraphSpaceLine(shrunk);
          prev = cur;
        } else if (const double folded = oldAfter + cs.before + cs.line + cs.after;
                   std::isfinite(folded) && !cur->breakColumn) {
          // The blank is folded into the space after the text above it; a
          // blank that starts a column keeps its place and its break.
          prev->setSpaceLineAfter(folded);
          out.pop_back();
        } else {
          prev = cur;
        }
        continue;
      }
      // Two text paragraphs: the space between them goes before the second.
      const double t = static_cast<double>(prev->pProperty.spacing.after) + cur->pProperty.spacing.before;
      if (t > 0 && std::isfinite(t)) {
        prev->setSpaceLineAfter(0);
        prev->setYBefore(prev->yBefore(), prev->yHeight(), 0);
        cur->setSpaceLineBefore(t);
        cur->setYBefore(t, cur->yHeight(), cur->yAfter());
      }
      prev = cur;
    }
    result.push_back(std::move(out));
  }
  return result;
}

}  // namespace vq
