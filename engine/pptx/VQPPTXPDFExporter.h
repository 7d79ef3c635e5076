#pragma once
// The page exporter of "pptx": each page becomes one slide, written as soon
// as its page is converted; the package is completed and zipped at the end.
// Pages may be converted on several threads at once.
#include <atomic>
#include <memory>
#include <mutex>

#include "exporter/VQPDFExporter.h"
#include "pdf/VQPDFFontCache.h"

namespace vq {

class VQPPTXDocument;

class VQPPTXPDFExporter : public VQPDFExporter {
 public:
  VQPPTXPDFExporter();
  ~VQPPTXPDFExporter() override;

  int64_t numFinishedPages() override;
  bool writePagesInOrderIfReadyTemp() override;
  // Throws std::runtime_error when the work folder cannot be made.
  void convertPDFBegin(const std::string& destPath, const std::shared_ptr<const pdf::Document>& document) override;
  bool convertPDFPage(const std::optional<pdf::Page>& page, int64_t toPageIndex, int64_t toTotalPages) override;
  // Slides that never arrive are written empty when the package is made.
  void skipPDFPage(int64_t toPageIndex, int64_t toTotalPages) override;
  // Throws std::runtime_error when the package cannot be written; nothing is
  // left at the destination then.
  void convertPDFEnd(const std::shared_ptr<const pdf::Document>& document) override;
  void convertPDFClean() override;
  bool isConcurrentPagesSupported() const override { return true; }

  VQPPTXDocument* documentHandle() const { return documentHandle_.get(); }

 private:
  std::atomic<bool> isNewConvered_{false};
  std::shared_ptr<VQPPTXDocument> documentHandle_;
  std::unique_ptr<VQPDFThreadFontCaches> fontCaches_;
};

// The exporter for "pptx"; nullptr for any other key.
std::shared_ptr<VQPDFExporter> VQPPTXNewExporter(const std::string& destDocType, const std::string& destDocPath,
                                                 const VQPDFOptions& moreOptions);

}  // namespace vq
