#include "docx/capture/VQDocxPDFPageParser.h"

#include "docx/layout/VQDocxPage.h"

namespace vq {

VQDocxPDFPageParser::VQDocxPDFPageParser(std::shared_ptr<VQDocxDocument> document, const VQPDFOptions& moreOptions)
    : documentHandle_(std::move(document)), moreOptions_(moreOptions) {}

VQDocxPDFPageParser::~VQDocxPDFPageParser() = default;

bool VQDocxPDFPageParser::convertPDFPage(const std::optional<pdf::Page>& page, int64_t toPageIndex, bool isFirstPage,
                                         bool isLastPage) {
  (void)isFirstPage, (void)isLastPage;
  if (!page) return false;
  currentPage_ = std::make_shared<VQDocxPage>(toPageIndex, page->number());
  return true;
}

}  // namespace vq
