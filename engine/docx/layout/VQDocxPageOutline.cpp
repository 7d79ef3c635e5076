// The outline stage of a page: paragraphs that carry the title of an outline
// entry pointing at this page get that entry's level, so the document's
// navigation shows them as headings.
#include <memory>

#include "docx/layout/VQDocxPage.h"
#include "office/docx/VQDocxDocument.h"
#include "pdf/docinfo/VQPDFOutLineManager.h"

namespace vq {

void VQDocxPage::creatOutlineIfNeed() {
  // Type 1 takes the headings from the PDF's own outline; no other source of
  // headings is offered, so other values mark nothing.
  if (moreOptions_.wordOptions.outlineType == 1) _creatOutline_PDF_Outline();
}

void VQDocxPage::_creatOutline_PDF_Outline() {
  // The document read the outline once before its pages started; pages of
  // other threads read the same table and never change it.
  const std::shared_ptr<const VQPDFOutLineManager> outline = documentHandle_ ? documentHandle_->outline() : nullptr;
  if (!outline) return;
  const bool likeDetect = moreOptions_.wordOptions.enablePDFOutline_LikeDetect;
  for (const auto& item : outline->outlineArrayForPDFPageIndex(static_cast<uint64_t>(pdfPageIndex_)))
    _findOutLines(item, likeDetect);
}

bool VQDocxPage::_findOutLines(const VQPDFOutlineItem& item, bool likeDetect) {
  const auto title = VQPDFOutLineManager::GetOutlineTitleWithItem(item);
  if (!title || title->empty()) return false;
  for (const auto& section : allPageSectionArray) {
    if (!section) continue;
    for (const auto& colum : section->paragraphGroupArray)
      for (const auto& object : colum) {
        const auto paragraph = std::dynamic_pointer_cast<VQDocxParagraph>(object);
        if (!paragraph || !paragraph->compareOutLine(*title, likeDetect)) continue;
        // Outline levels count from 1 for the top entries of the outline.
        paragraph->setupOutline(static_cast<int>(VQPDFOutLineManager::GetIndentPageWithItem(item)) + 1);
        return true;
      }
  }
  return false;
}

}  // namespace vq
