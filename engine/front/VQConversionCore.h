#pragma once
// The conversion job that both fronts share: request, flags, job thread,
// exporter, the page loops and the delivery of reports on the main thread.
// Each front wraps one VQConversionCore and turns its reports into its own
// delegate's operations.
#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "exporter/VQError.h"
#include "exporter/VQPDFExporter.h"
#include "exporter/VQPDFOptions.h"
#include "vqpapyrant/VQExporterFactory.h"

namespace vq {

// Which front drives the job: pages one at a time, or pages in parallel.
enum class VQFrontKind { SingleThread, PageParallel };

// One conversion request; the job works on its own copy.
struct VQConversionRequest {
  std::string pdfPath;
  std::string pdfPassword;  // empty: none
  std::vector<uint64_t> pdfPageIndexs;
  std::string destDocType;
  std::string destDocPath;
  VQPDFOptions moreOptions;
};

// Receives the reports of a job, on the main thread only.
class VQConversionReports {
 public:
  virtual ~VQConversionReports() = default;
  virtual void reportPage(uint64_t done, uint64_t total) = 0;
  virtual void reportPageFailed(uint64_t pdfPageIndex, const VQError& error) = 0;
  virtual void reportWillSave() = 0;
  virtual void reportException(const VQException& exception) = 0;
  virtual void reportProgress(uint64_t pageIndex, uint64_t progress) = 0;
  virtual void reportEnd(const std::optional<VQError>& error) = 0;
};

class VQConversionCore {
 public:
  VQConversionCore(VQFrontKind kind, VQConversionReports* reports);
  // Stops the running job (pages in flight finish), waits for it, and drops
  // every report still queued for this front.
  ~VQConversionCore();
  VQConversionCore(const VQConversionCore&) = delete;
  VQConversionCore& operator=(const VQConversionCore&) = delete;

  // Stores the request, marks the front converting, runs `reportStart`
  // synchronously, then starts the job and returns. A previous job (already
  // past its end report, or still running when the caller did not wait for
  // it) is waited for first, so two jobs of one front never overlap.
  void start(VQConversionRequest request, const std::function<void()>& reportStart);
  void stop();

  bool isConverting() const;
  double conversionSpendTime() const;
  VQConversionRequest request() const;
  std::shared_ptr<VQPDFExporter> currentExporter() const;
  void setExporterFactory(VQExporterFactory factory);

 private:
  struct State;
  std::shared_ptr<State> state_;
  std::thread job_;
};

}  // namespace vq
