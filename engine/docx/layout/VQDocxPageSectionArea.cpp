// Text laid out inside an area (a text box, a table cell) with the machinery
// of a page: the area is described as a page whose margins leave exactly the
// area free, and the sections get the vertical alignment the text shows in
// it. A table cell pulls overflowing content up with moveUpParagraphIfNeed.
#include <algorithm>
#include <cmath>

#include "docx/capture/VQDocxMeasures.h"
#include "docx/layout/VQDocxPage.h"
#include "docx/layout/VQDocxPageSection.h"
#include "docx/layout/VQDocxTextAssembly.h"

namespace vq {
namespace {

using docxmeasure::bottomOf;

// Where the text stands in the area: 0 top, 1 centre, 2 bottom.
int verticalAlignment(const VQDocxRunTextColum::Array& sets, const VQDocx_SectPr& area) {
  Rect u = sets.front()->columGroupFrame;
  for (size_t k = 1; k < sets.size(); ++k) u = RectUnion(u, sets[k]->columGroupFrame);
  const double top = u.origin.y - area.pgMar.top;
  const double bottom = (static_cast<double>(area.pgSz.h) - area.pgMar.bottom) - bottomOf(u);
  const double m = std::min(top, bottom);
  const double tolerance = m > 0.1 ? 0.2 * m + 3 : 0;
  if (tolerance > std::fabs(top - bottom)) return top >= 0.1 * m + 2 ? 1 : 0;
  return top > bottom + 5 ? 2 : 0;
}

}  // namespace

VQDocxPageSection::Array VQDocxPageSection::CreatePageSection(VQDocxRunText::Array& runs, VQDocx_SectPr sectProperty,
                                                              int32_t sectionArea, bool isColumnMode,
                                                              VQDocxPage* superPage) {
  docxtext::TextAssemblyMode mode;
  mode.keepLastDuplicate = false;  // of repeated text in an area the first copy stays
  mode.trimBlanks = superPage != nullptr && superPage->moreOptions().wordOptions.isTrimmingBlankSpaceCharacters;
  mode.columnMode = isColumnMode;
  mode.joinBandsByRivers = false;
  mode.renumberAlways = true;
  const auto renumber = [&runs] {
    VQDocxRun::UpdateRunArrayPDFScanIndex(runs);
    VQDocxRunText::UpdateRunTextArrayPDFScanIndex(runs);
  };
  std::vector<VQDocxRunText::Array> dropCapitals;
  const VQDocxRunTextColum::Array sets = docxtext::AssembleColumSets(runs, mode, renumber, dropCapitals);
  // Drop capitals wait on the page for the text boxes later work makes of them.
  if (superPage != nullptr)
    superPage->pendingDropCapitalRuns.insert(superPage->pendingDropCapitalRuns.end(), dropCapitals.begin(),
                                             dropCapitals.end());

  Array sections;
  if (sets.empty()) return sections;

  sectProperty.vAlign = verticalAlignment(sets, sectProperty);
  const double left = sectProperty.pgMar.left;
  const double width = static_cast<double>(sectProperty.pgSz.w) - left - sectProperty.pgMar.right;
  const double areaBottom = static_cast<double>(sectProperty.pgSz.h) - sectProperty.pgMar.bottom;

  std::shared_ptr<VQDocxPageSection> previous;
  for (size_t j = 0; j < sets.size(); ++j) {
    const auto& set = sets[j];
    const Rect& frame = set->columGroupFrame;
    const bool first = j == 0;
    const bool last = j + 1 == sets.size();
    double top = 0;
    if (!first) {
      top = bottomOf(previous->sectionFrame);
    } else if (sectProperty.vAlign == 0) {
      top = sectProperty.pgMar.top;
    } else {
      // Just above the text: by at most 8 points and half the room the set
      // needs below its last line, never above the area's top.
      const double a = frame.origin.y - sectProperty.pgMar.top;
      top = frame.origin.y;
      if (!(a < 0)) top -= std::min({a, set->bottomNeedSpace() / 2, 8.0});
    }
    const double bottom = last ? areaBottom : bottomOf(frame);

    auto section = std::make_shared<VQDocxPageSection>(sectProperty);
    section->sectionArea = sectionArea;
    section->sectionFrame = RectMake(left, top, width, bottom - top);
    section->columGroupFrame = frame;
    section->previousPageSection = previous;
    section->isPageHeadSection = first;
    section->isPageFootSection = last;
    // An area is never the head of a page after the document's first.
    section->isDocumentFirstPage = true;
    section->isDocumentLastPage = true;
    section->setColumGroupArray(set->columGroupArray);
    section->optimizeParagraphs();
    sections.push_back(section);
    previous = std::move(section);
  }
  return sections;
}

double VQDocxPageSection::moveUpParagraphIfNeed(double d) {
  if (!(d >= 0) || !std::isfinite(d)) return 0;
  if (paragraphGroupArray.empty()) return d;
  double left = d;
  for (const auto& colum : paragraphGroupArray) {
    left = d;
    if (const auto first = VQDocxParagraph::FirstParagraph(colum)) {
      const double before = first->pProperty.spacing.before;
      if (before > 0) {
        if (before > left) {
          first->pProperty.spacing.before = static_cast<float>(before - left);
          left = 0;
        } else {
          first->pProperty.spacing.before = 0;
          left -= before;
        }
      }
    }
    if (!(left > 0)) continue;
    std::shared_ptr<VQDocxParagraph> lastParagraph;
    for (auto it = colum.rbegin(); it != colum.rend() && !lastParagraph; ++it)
      lastParagraph = std::dynamic_pointer_cast<VQDocxParagraph>(*it);
    if (!lastParagraph) continue;
    const double after = lastParagraph->pProperty.spacing.after;
    if (after > 0) {
      if (after > left) {
        lastParagraph->pProperty.spacing.after = static_cast<float>(after - left);
        left = 0;
      } else {
        lastParagraph->pProperty.spacing.after = 0;
        left -= after;
      }
    }
  }
  return left;
}

}  // namespace vq
