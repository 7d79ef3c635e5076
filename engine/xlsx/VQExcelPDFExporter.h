#pragma once
// The page exporter of "xlsx" and "csv". It owns one spreadsheet document
// for the length of a conversion and runs one page parser
// (VQExcelPDFPageParser) per page; pages may be converted on several
// threads at once.
#include <atomic>
#include <memory>
#include <string>

#include "exporter/VQPDFExporter.h"
#include "pdf/VQPDFFontCache.h"
#include "xlsx/VQExcelDocument.h"

namespace vq {

class VQExcelPDFExporter : public VQPDFExporter {
 public:
  ~VQExcelPDFExporter() override;

  bool isConcurrentPagesSupported() const override { return true; }
  void convertPDFBegin(const std::string& destPath, const std::shared_ptr<const pdf::Document>& document) override;
  bool convertPDFPage(const std::optional<pdf::Page>& page, int64_t toPageIndex, int64_t toTotalPages) override;
  // Only the all-in-one sheet waits for pages in order; an empty place
  // lets the pages after it in.
  void skipPDFPage(int64_t toPageIndex, int64_t toTotalPages) override;
  bool writePagesInOrderIfReadyTemp() override;
  int64_t numFinishedPages() override;
  // Throws std::runtime_error when the output cannot be saved; nothing is
  // left at the destination then.
  void convertPDFEnd(const std::shared_ptr<const pdf::Document>& document) override;
  // Removes the work folder; nothing is saved.
  void convertPDFClean() override;

  VQExcelDocument* documentHandle() const { return documentHandle_.get(); }

 private:
  std::unique_ptr<VQExcelDocument> documentHandle_;
  std::unique_ptr<VQPDFThreadFontCaches> fontCaches_;
};

// The exporter for "xlsx" or "csv"; nullptr for any other type.
std::shared_ptr<VQPDFExporter> VQExcelNewExporter(const std::string& destDocType, const std::string& destDocPath,
                                                  const VQPDFOptions& moreOptions);

}  // namespace vq
