#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "vqpapyrant/VQError.h"
#include "vqpapyrant/VQExport.h"
#include "vqpapyrant/VQExporterFactory.h"
#include "vqpapyrant/VQPDFOptions.h"

namespace vq {

class VQPapyrantMutliThread;

// Reports of a conversion. All are optional. didStartConversion arrives on
// the caller's thread inside the start call; every other report arrives on
// the main queue, in the order the job made it, with didEndConversion last.
class VQ_EXPORT VQPapyrantMutliThreadDelegate {
 public:
  virtual ~VQPapyrantMutliThreadDelegate() = default;
  virtual void didStartConversion(VQPapyrantMutliThread* sender, const std::optional<VQError>& error) {
    (void)sender, (void)error;
  }
  // Once per conversion. The error is 404, 405, 406, 400 (no exporter for the
  // type, or the output could not be written) or none.
  virtual void didEndConversion(VQPapyrantMutliThread* sender, const std::optional<VQError>& error) {
    (void)sender, (void)error;
  }
  virtual void pageIndexProgress(VQPapyrantMutliThread* sender, uint64_t pageIndex, uint64_t progress) {
    (void)sender, (void)pageIndex, (void)progress;
  }
  virtual void toPageIndexToTotalPages(VQPapyrantMutliThread* sender, uint64_t pageIndex, uint64_t totalPages) {
    (void)sender, (void)pageIndex, (void)totalPages;
  }
  // 401 for a page out of range, unreadable or refused.
  virtual void pdfPageIndexFaildWithError(VQPapyrantMutliThread* sender, uint64_t pdfPageIndex, const VQError& error) {
    (void)sender, (void)pdfPageIndex, (void)error;
  }
  virtual void willSaveDoc(VQPapyrantMutliThread* sender, const std::optional<VQError>& error) {
    (void)sender, (void)error;
  }
  virtual void catchException(VQPapyrantMutliThread* sender, const VQException& exception) {
    (void)sender, (void)exception;
  }
};

// The twin of VQPapyrant that converts several pages of one document at once
// (at most moreOptions.threadMax) when the exporter accepts concurrent pages;
// otherwise it converts one page after another. Its progress counts the pages
// the exporter has written in page order.
class VQ_EXPORT VQPapyrantMutliThread {
 public:
  VQPapyrantMutliThread();
  ~VQPapyrantMutliThread();
  VQPapyrantMutliThread(const VQPapyrantMutliThread&) = delete;
  VQPapyrantMutliThread& operator=(const VQPapyrantMutliThread&) = delete;

  VQPapyrantMutliThreadDelegate* delegate() const;
  void setDelegate(VQPapyrantMutliThreadDelegate* delegate);  // not owned

  void convertPDFAtPath(const std::string& pdfPath, const std::string& pdfPassword,
                        const std::vector<uint64_t>& pdfPageIndexs, const std::string& destDocType,
                        const std::string& destDocPath, const VQPDFOptions& moreOptions);
  // No further page starts; pages in flight finish before the exporter cleans up.
  void stopConvertsionIfNeed();

  bool isConverting() const;
  double conversionSpendTime() const;
  std::string pdfPath() const;
  std::string pdfPassword() const;
  std::vector<uint64_t> pdfPageIndexs() const;
  std::string destDocType() const;
  std::string destDocPath() const;
  VQPDFOptions moreOptions() const;
  std::shared_ptr<VQPDFExporter> currentExporter() const;
  void setExporterFactory(VQExporterFactory factory);

  static std::map<std::string, std::string> supportDocTypes();

 private:
  // The job behind the front lives in the library.
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace vq
