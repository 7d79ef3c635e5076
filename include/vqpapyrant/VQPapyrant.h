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

class VQPapyrant;

// Reports of a conversion. All are optional. didStartConversion arrives on
// the caller's thread inside the start call; every other report arrives on
// the main queue, in the order the job made it, with didEndConversion last.
class VQ_EXPORT VQPapyrantDelegate {
 public:
  virtual ~VQPapyrantDelegate() = default;
  virtual void didStartConversion(VQPapyrant* sender, const std::optional<VQError>& error) {
    (void)sender, (void)error;
  }
  // Once per conversion. The error is 404, 405, 406, 400 (no exporter for the
  // type, or the output could not be written) or none.
  virtual void didEndConversion(VQPapyrant* sender, const std::optional<VQError>& error) { (void)sender, (void)error; }
  virtual void pageIndexProgress(VQPapyrant* sender, uint64_t pageIndex, uint64_t progress) {
    (void)sender, (void)pageIndex, (void)progress;
  }
  virtual void toPageIndexToTotalPages(VQPapyrant* sender, uint64_t pageIndex, uint64_t totalPages) {
    (void)sender, (void)pageIndex, (void)totalPages;
  }
  // 401 for a page out of range, unreadable or refused.
  virtual void pdfPageIndexFaildWithError(VQPapyrant* sender, uint64_t pdfPageIndex, const VQError& error) {
    (void)sender, (void)pdfPageIndex, (void)error;
  }
  virtual void willSaveDoc(VQPapyrant* sender, const std::optional<VQError>& error) { (void)sender, (void)error; }
  virtual void catchException(VQPapyrant* sender, const VQException& exception) { (void)sender, (void)exception; }
};

// Converts one PDF document at a time: checks the source, opens it with the
// password, and hands the selected pages one after another to the exporter of
// the destination type, on a thread of its own.
class VQ_EXPORT VQPapyrant {
 public:
  VQPapyrant();
  // Stops a running conversion, waits for its job, and drops its reports.
  ~VQPapyrant();
  VQPapyrant(const VQPapyrant&) = delete;
  VQPapyrant& operator=(const VQPapyrant&) = delete;

  VQPapyrantDelegate* delegate() const;
  void setDelegate(VQPapyrantDelegate* delegate);  // not owned

  // Starts converting and returns at once. `pdfPageIndexs` are 1-based page
  // numbers in any order, duplicates allowed; an empty password is none.
  // Another conversion may be started once didEndConversion has arrived,
  // also from inside that report.
  void convertPDFAtPath(const std::string& pdfPath, const std::string& pdfPassword,
                        const std::vector<uint64_t>& pdfPageIndexs, const std::string& destDocType,
                        const std::string& destDocPath, const VQPDFOptions& moreOptions);
  // Stops before the next page; harmless when nothing runs.
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

 private:
  // The job behind the front lives in the library.
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace vq
