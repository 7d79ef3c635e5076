#pragma once
// What each front keeps behind its public declaration: the job core and the
// relay of the core's reports to the front's delegate, with the front as the
// sender. The two fronts differ only in the kind of job and the delegate type.
#include <memory>
#include <optional>
#include <utility>

#include "front/VQConversionCore.h"
#include "front/VQPapyrantFront.h"

namespace vq {

// The core's reports and the start report, which the front makes itself.
class VQFrontReports : public VQConversionReports {
 public:
  virtual void reportStart() = 0;
};

struct VQPapyrantFront::Impl {
  Impl(VQFrontKind kind, std::unique_ptr<VQFrontReports> relay)
      : reports(std::move(relay)), core(kind, reports.get()) {}

  std::unique_ptr<VQFrontReports> reports;
  // Declared last, so destroyed first: its end drops the reports still
  // queued, before the relay goes.
  VQConversionCore core;
};

// Hands each report to the delegate the front has at that moment.
template <class Front>
class VQFrontRelay final : public VQFrontReports {
 public:
  explicit VQFrontRelay(Front* front) : front_(front) {}

  void reportStart() override {
    if (auto* delegate = front_->delegate()) delegate->didStartConversion(front_, std::nullopt);
  }
  void reportPage(uint64_t done, uint64_t total) override {
    if (auto* delegate = front_->delegate()) delegate->toPageIndexToTotalPages(front_, done, total);
  }
  void reportPageFailed(uint64_t pdfPageIndex, const VQError& error) override {
    if (auto* delegate = front_->delegate()) delegate->pdfPageIndexFaildWithError(front_, pdfPageIndex, error);
  }
  void reportWillSave() override {
    if (auto* delegate = front_->delegate()) delegate->willSaveDoc(front_, std::nullopt);
  }
  void reportException(const VQException& exception) override {
    if (auto* delegate = front_->delegate()) delegate->catchException(front_, exception);
  }
  void reportProgress(uint64_t pageIndex, uint64_t progress) override {
    if (auto* delegate = front_->delegate()) delegate->pageIndexProgress(front_, pageIndex, progress);
  }
  void reportEnd(const std::optional<VQError>& error) override {
    if (auto* delegate = front_->delegate()) delegate->didEndConversion(front_, error);
  }

 private:
  Front* front_;
};

}  // namespace vq
