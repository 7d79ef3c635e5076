#include "xlsx/VQExcelPDFExporter.h"

#include <stdexcept>

#include "xlsx/VQExcelPDFPageParser.h"

namespace vq {

std::shared_ptr<VQPDFExporter> VQExcelNewExporter(const std::string& destDocType, const std::string& destDocPath,
                                                  const VQPDFOptions& moreOptions) {
  if (destDocType == "xlsx" || destDocType == "csv")
    return VQSetUpExporter(std::make_shared<VQExcelPDFExporter>(), destDocType, destDocPath, moreOptions);
  return nullptr;
}

VQExcelPDFExporter::~VQExcelPDFExporter() {
  if (documentHandle_) documentHandle_->removeWorkFolder();
}

void VQExcelPDFExporter::convertPDFBegin(const std::string& destPath, const std::shared_ptr<const pdf::Document>&) {
  if (documentHandle_) documentHandle_->removeWorkFolder();
  documentHandle_ =
      std::make_unique<VQExcelDocument>(destPath, toTotalPages, moreOptions.excelOptions, destDocType == "xlsx");
  documentHandle_->writeDocumentBegin();
  fontCaches_ = std::make_unique<VQPDFThreadFontCaches>();
  isShouldCancel = false;
}

bool VQExcelPDFExporter::convertPDFPage(const std::optional<pdf::Page>& page, int64_t toPageIndex, int64_t) {
  if (!page || !documentHandle_) return false;
  VQExcelPDFPageParser parser(*documentHandle_, isShouldCancel, fontCaches_ ? fontCaches_->forPage(*page) : nullptr);
  parser.convertPDFPage(page, toPageIndex);
  return true;
}

void VQExcelPDFExporter::skipPDFPage(int64_t toPageIndex, int64_t) {
  if (documentHandle_ && toPageIndex > 0) documentHandle_->skipPage(static_cast<uint64_t>(toPageIndex));
}

bool VQExcelPDFExporter::writePagesInOrderIfReadyTemp() {
  return documentHandle_ && documentHandle_->writeDocumentPageTempInOrderIfReady();
}

int64_t VQExcelPDFExporter::numFinishedPages() {
  if (!documentHandle_) return 0;
  const int64_t n = documentHandle_->writePagesCount();
  return n == 0 ? 0 : n - 1;
}

void VQExcelPDFExporter::convertPDFEnd(const std::shared_ptr<const pdf::Document>& document) {
  if (!documentHandle_) throw std::runtime_error("The conversion has no document");
  std::string error;
  const bool ok = documentHandle_->packetZipFileIfNeed(document, &error);
  documentHandle_.reset();
  if (!ok) throw std::runtime_error(error.empty() ? "Can't write the file " + destDocPath : error);
}

void VQExcelPDFExporter::convertPDFClean() {
  if (documentHandle_) documentHandle_->removeWorkFolder();
  documentHandle_.reset();
}

}  // namespace vq
