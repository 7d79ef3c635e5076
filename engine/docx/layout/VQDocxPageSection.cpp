#include "docx/layout/VQDocxPageSection.h"

#include <fmt/format.h>

#include "office/VQDocxUtilities.h"
#include "pdf/VQPDFTransform.h"

namespace vq {
namespace {

// A column list of the section and the list it replaced.
struct ColumnList {
  std::vector<VQDocx_Col> columns;
  std::shared_ptr<const std::vector<VQDocx_Col>> replaced;
};

}  // namespace

std::shared_ptr<VQDocxParagraph> VQDocxPageSection::FlowParagraph(const std::shared_ptr<VQDocxObject>& object) {
  auto paragraph = std::dynamic_pointer_cast<VQDocxParagraph>(object);
  if (!paragraph || paragraph->sectProperty.shouldWrite) return nullptr;
  return paragraph;
}

VQDocxPageSection::VQDocxPageSection() : sectProperty_(VQDocxUtilities::defaultSectPropertyHiden()) {}

VQDocxPageSection::VQDocxPageSection(const VQDocx_SectPr& sectProperty) : VQDocxPageSection() {
  setSectProperty(sectProperty);
}

VQDocxPageSection::~VQDocxPageSection() = default;

void VQDocxPageSection::setSectProperty(const VQDocx_SectPr& sectProperty) {
  sectProperty_ = sectProperty;
  const VQDocx_Cols& cols = sectProperty.cols;
  if (cols.col != nullptr && cols.num > 0) {
    if (colsStorage_ && cols.col == colsStorage_->data() && cols.num == colsStorage_->size()) return;
    // A column list kept by someone else (the page, a table cell): the
    // section keeps a copy of its own, so that the record stays valid for as
    // long as the section lives.
    setCols(cols, std::vector<VQDocx_Col>(cols.col, cols.col + cols.num));
    return;
  }
  // The section's own column list stays with the record unless the record
  // brings another one.
  if (colsStorage_ && sectProperty_.cols.col == nullptr && sectProperty_.cols.num == colsStorage_->size())
    sectProperty_.cols.col = colsStorage_->data();
}

void VQDocxPageSection::setCols(VQDocx_Cols cols, std::vector<VQDocx_Col> columns) {
  // Records copied from the section before (paragraphs, section breaks)
  // point into the list they were copied with: the new list keeps the one it
  // replaces alive for as long as it lives itself.
  auto list = std::make_shared<ColumnList>(ColumnList{std::move(columns), std::move(colsStorage_)});
  std::shared_ptr<const std::vector<VQDocx_Col>> storage(list, &list->columns);
  cols.num = storage->size();
  cols.col = storage->empty() ? nullptr : storage->data();
  colsStorage_ = std::move(storage);
  sectProperty_.cols = cols;
}

std::shared_ptr<VQDocxObject> VQDocxPageSection::cloneObject() const {
  // Copies share the column list (it is never changed in place), the tables
  // and the write list, and have arrays of their own.
  return std::shared_ptr<VQDocxPageSection>(new VQDocxPageSection(*this));
}

std::shared_ptr<VQDocxParagraph> VQDocxPageSection::firstParagraph() const {
  for (const auto& colum : paragraphGroupArray)
    for (const auto& object : colum)
      if (auto paragraph = FlowParagraph(object)) return paragraph;
  return nullptr;
}

std::shared_ptr<VQDocxParagraph> VQDocxPageSection::firstTextParagraph() const {
  for (const auto& colum : paragraphGroupArray)
    for (const auto& object : colum)
      if (auto paragraph = FlowParagraph(object); paragraph && !paragraph->paragraphText.empty()) return paragraph;
  return nullptr;
}

std::shared_ptr<VQDocxParagraph> VQDocxPageSection::lastParagraph() const {
  if (paragraphGroupArray.empty()) return nullptr;
  const auto& colum = paragraphGroupArray.back();
  for (auto it = colum.rbegin(); it != colum.rend(); ++it)
    if (auto paragraph = FlowParagraph(*it)) return paragraph;
  return nullptr;
}

std::shared_ptr<VQDocxParagraph> VQDocxPageSection::insertParagraph(const Point& point) const {
  std::shared_ptr<VQDocxParagraph> found;
  for (const auto& colum : paragraphGroupArray) {
    Rect area = sectionFrame;
    if (paragraphGroupArray.size() > 1)
      if (const auto first = VQDocxParagraph::FirstParagraph(colum)) area = first->columnFrame;
    if (!RectContainsPoint(area, point)) continue;
    for (const auto& object : colum) {
      const auto paragraph = FlowParagraph(object);
      if (!paragraph || paragraph->paragraphText.empty()) continue;
      const Rect& frame = paragraph->contentFrame;
      const double above = point.y - (frame.origin.y + frame.size.height / 2);
      if (above > 1 && above < 99999) found = paragraph;
    }
  }
  return found;
}

std::shared_ptr<VQDocxParagraph> VQDocxPageSection::newAnchorParagraph() const {
  // Taller than the point below which a blank paragraph is left out when
  // written.
  constexpr double kAnchorParagraphHeight = 2;
  VQDocx_SectPr sectPr = sectProperty_;
  sectPr.shouldWrite = 0;
  sectPr.type = 1;
  const auto blanks =
      VQDocxParagraph::BlankParagraph(kAnchorParagraphHeight, 0, 0, 0, 0, VQDocxUtilities::defaultRProperty(), sectPr,
                                      sectionFrame.origin.y, sectionFrame);
  return blanks.empty() ? nullptr : blanks.front();
}

VQDocxRunText::Array VQDocxPageSection::allRunTextArray() const {
  VQDocxRunText::Array runs;
  for (const auto& group : columGroupArray_)
    for (const auto& line : group)
      if (line) runs.insert(runs.end(), line->runTextArray().begin(), line->runTextArray().end());
  return runs;
}

std::string VQDocxPageSection::description() const {
  return fmt::format(
      "<{}: {}:[columCount:{}][headBlankParagraphArray:{}][footBlankHeight:{:.2f}][isDocumentFirstPage:{}, "
      "isDocumentLastPage:{}, isPageHeadSection:{}, isPageFootSection:{}][tableCount:{}][sectionFrame:{}]"
      "[columGroupFrame:{}]>",
      className(), fmt::ptr(this), columGroupArray_.size(), headBlankParagraphArray.size(), footBlankHeight,
      isDocumentFirstPage ? 1 : 0, isDocumentLastPage ? 1 : 0, isPageHeadSection ? 1 : 0, isPageFootSection ? 1 : 0,
      allTableArray.size(), NSStringFromCGRect_VQLib(sectionFrame), NSStringFromCGRect_VQLib(columGroupFrame));
}

}  // namespace vq
