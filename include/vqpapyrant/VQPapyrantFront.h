#pragma once
// What the two conversion fronts (VQPapyrant, VQPapyrantMutliThread) share:
// the shape of their delegates and the members that start, stop and describe
// a conversion. Each front is made and destroyed as itself; the job behind it
// lives in the library.
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

// Reports of a conversion, each naming the front that made it. All are
// optional. didStartConversion arrives on the caller's thread inside the
// start call; every other report arrives on the main queue, in the order the
// job made it, with didEndConversion last. A host derives from the named
// delegate of its front (VQPapyrantDelegate, VQPapyrantMutliThreadDelegate).
template <class Sender>
class VQ_EXPORT VQConversionDelegate {
 public:
  virtual ~VQConversionDelegate() = default;
  virtual void didStartConversion(Sender* sender, const std::optional<VQError>& error) { (void)sender, (void)error; }
  // Once per conversion. The error is 404, 405, 406, 400 (no exporter for the
  // type, or the output could not be written) or none.
  virtual void didEndConversion(Sender* sender, const std::optional<VQError>& error) { (void)sender, (void)error; }
  virtual void pageIndexProgress(Sender* sender, uint64_t pageIndex, uint64_t progress) {
    (void)sender, (void)pageIndex, (void)progress;
  }
  virtual void toPageIndexToTotalPages(Sender* sender, uint64_t pageIndex, uint64_t totalPages) {
    (void)sender, (void)pageIndex, (void)totalPages;
  }
  // 401 for a page out of range, unreadable or refused.
  virtual void pdfPageIndexFaildWithError(Sender* sender, uint64_t pdfPageIndex, const VQError& error) {
    (void)sender, (void)pdfPageIndex, (void)error;
  }
  virtual void willSaveDoc(Sender* sender, const std::optional<VQError>& error) { (void)sender, (void)error; }
  virtual void catchException(Sender* sender, const VQException& exception) { (void)sender, (void)exception; }
};

// The members both fronts share: one conversion at a time, on a thread of its
// own, checking the source, opening it with the password and handing the
// selected pages to the exporter of the destination type.
class VQ_EXPORT VQPapyrantFront {
 public:
  VQPapyrantFront(const VQPapyrantFront&) = delete;
  VQPapyrantFront& operator=(const VQPapyrantFront&) = delete;

  // Starts converting and returns at once. `pdfPageIndexs` are 1-based page
  // numbers in any order, duplicates allowed; an empty password is none.
  // Another conversion may be started once didEndConversion has arrived,
  // also from inside that report.
  void convertPDFAtPath(const std::string& pdfPath, const std::string& pdfPassword,
                        const std::vector<uint64_t>& pdfPageIndexs, const std::string& destDocType,
                        const std::string& destDocPath, const VQPDFOptions& moreOptions);
  // No further page starts (pages in flight finish before the exporter
  // cleans up); harmless when nothing runs.
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

  // Destination type key -> display name.
  static std::map<std::string, std::string> supportDocTypes();

 protected:
  // The job and the relay of its reports to the front's delegate.
  struct Impl;
  explicit VQPapyrantFront(std::unique_ptr<Impl> impl);
  ~VQPapyrantFront();
  // Stops a running conversion, waits for its job and drops the reports
  // still queued. A front's destructor calls it first, while the front is
  // whole, so that no report reaches a front half destroyed.
  void endJob();

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace vq
