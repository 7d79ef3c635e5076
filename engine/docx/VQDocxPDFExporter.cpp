#include "docx/VQDocxPDFExporter.h"

#include "docx/VQDocxPDFPageParser.h"
#include "docx/layout/VQDocxPage.h"
#include "office/docx/VQDocxDocument.h"
#include "office/docx/VQDocxManager.h"
#include "pdf/docinfo/VQPDFOutLineManager.h"

namespace vq {

VQDocxPDFExporter::~VQDocxPDFExporter() {
  delegate = nullptr;
  documentHandle_.reset();
}

std::shared_ptr<VQPDFExporter> VQDocxNewExporter(const std::string& destDocType, const std::string& destDocPath,
                                                 const VQPDFOptions& moreOptions) {
  if (destDocType != "docx") return nullptr;
  return VQSetUpExporter(std::make_shared<VQDocxPDFExporter>(), destDocType, destDocPath, moreOptions);
}

void VQDocxPDFExporter::convertPDFBegin(const std::string& destPath,
                                        const std::shared_ptr<const pdf::Document>& pdfDocument) {
  documentHandle_.reset();
  auto document = VQDocxDocument::initWithPath(destPath, static_cast<int64_t>(toTotalPages));
  document->writeDocumentBegin();
  // The outline is read once here, on the job's thread, before any page
  // starts: the pages look their headings up in it from their own threads.
  if (pdfDocument) {
    auto outline = std::make_shared<VQPDFOutLineManager>();
    outline->loadOutlineFromDocument(*pdfDocument);
    document->setOutline(std::move(outline));
  }
  documentHandle_ = std::move(document);
  fontCaches_ = std::make_unique<VQPDFThreadFontCaches>();
  isShouldCancel = false;
}

bool VQDocxPDFExporter::convertPDFPage(const std::optional<pdf::Page>& page, int64_t toPageIndex,
                                       int64_t toTotalPages) {
  if (!page) return false;
  std::shared_ptr<VQDocxDocument> document = documentHandle_;
  if (!document) return false;
  VQDocxPDFPageParser parser(document, moreOptions, fontCaches_ ? fontCaches_->forPage(*page) : nullptr);
  parser.isShouldCancel = &isShouldCancel;
  if (!parser.convertPDFPage(page, toPageIndex, toPageIndex < 2, toPageIndex >= toTotalPages)) return false;
  return document->writeDocumentPageTemp(parser.currentPage());
}

void VQDocxPDFExporter::skipPDFPage(int64_t toPageIndex, int64_t) {
  if (documentHandle_) documentHandle_->skipDocumentPage(toPageIndex);
}

bool VQDocxPDFExporter::writePagesInOrderIfReadyTemp() {
  return documentHandle_ ? documentHandle_->writeDocumentPageTempInOrderIfReady() : false;
}

int64_t VQDocxPDFExporter::numFinishedPages() {
  if (!documentHandle_) return 0;
  const int64_t count = documentHandle_->writePagesCount();
  return count > 0 ? count - 1 : 0;
}

void VQDocxPDFExporter::convertPDFEnd(const std::shared_ptr<const pdf::Document>&) {
  // Released whatever happens; its destructor removes what is left of the
  // work folder.
  std::shared_ptr<VQDocxDocument> document = std::move(documentHandle_);
  if (!document) return;
  document->writeDocumentEnd();
  document->packetZipFileIfNeed();
}

void VQDocxPDFExporter::convertPDFClean() { documentHandle_.reset(); }

}  // namespace vq
