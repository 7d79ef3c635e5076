#pragma once
#include <cstdint>
#include <exception>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "front/VQConversionCore.h"
#include "front/exporter/VQError.h"
#include "front/exporter/VQPDFExporter.h"
#include "front/exporter/VQPDFOptions.h"

namespace vq {

class VQPapyrant;

// Reports of a conversion. All are optional. didStartConversion arrives on
// the caller's thread inside the start call; every other report arrives on
// the main queue, in the order the job made it, with didEndConversion last.
class VQPapyrantDelegate {
 public:
  virtual ~VQPapyrantDelegate() = default;
  virtual void didStartConversion(VQPapyrant* sender, const std::optional<VQError>& error) { (void)sender, (void)error; }
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
class VQPapyrant : private VQConversionReports {
 public:
  VQPapyrant();
  // Stops a running conversion, waits for its job, and drops its reports.
  ~VQPapyrant() override;
  VQPapyrant(const VQPapyrant&) = delete;
  VQPapyrant& operator=(const VQPapyrant&) = delete;

  VQPapyrantDelegate* delegate() const { return delegate_; }
  void setDelegate(VQPapyrantDelegate* delegate) { delegate_ = delegate; }  // not owned

  // Starts converting and returns at once. `pdfPageIndexs` are 1-based page
  // numbers in any order, duplicates allowed; an empty password is none.
  // Another conversion may be started once didEndConversion has arrived,
  // also from inside that report.
  void convertPDFAtPath(const std::string& pdfPath, const std::string& pdfPassword,
                        const std::vector<uint64_t>& pdfPageIndexs, const std::string& destDocType,
                        const std::string& destDocPath, const VQPDFOptions& moreOptions);
  // Stops before the next page; harmless when nothing runs.
  void stopConvertsionIfNeed();

  bool isConverting() const { return core_.isConverting(); }
  double conversionSpendTime() const { return core_.conversionSpendTime(); }
  std::string pdfPath() const { return core_.request().pdfPath; }
  std::string pdfPassword() const { return core_.request().pdfPassword; }
  std::vector<uint64_t> pdfPageIndexs() const { return core_.request().pdfPageIndexs; }
  std::string destDocType() const { return core_.request().destDocType; }
  std::string destDocPath() const { return core_.request().destDocPath; }
  VQPDFOptions moreOptions() const { return core_.request().moreOptions; }
  std::shared_ptr<VQPDFExporter> currentExporter() const { return core_.currentExporter(); }
  void setExporterFactory(VQExporterFactory factory) { core_.setExporterFactory(std::move(factory)); }

  // Destination type key -> display name.
  static std::map<std::string, std::string> supportDocTypes();

 private:
  void reportPage(uint64_t done, uint64_t total) override;
  void reportPageFailed(uint64_t pdfPageIndex, const VQError& error) override;
  void reportWillSave() override;
  void reportException(const VQException& exception) override;
  void reportProgress(uint64_t pageIndex, uint64_t progress) override;
  void reportEnd(const std::optional<VQError>& error) override;

  VQPapyrantDelegate* delegate_ = nullptr;
  VQConversionCore core_;
};

}  // namespace vq
