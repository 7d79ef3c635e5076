#pragma once
// What each front keeps behind its public declaration: the job core and the
// relay of the core's reports to the front's delegate, with the front as the
// sender. The two fronts differ only in the kind of job and the delegate type.
#include <map>
#include <string>
#include <utility>

#include "front/VQConversionCore.h"

namespace vq {

std::map<std::string, std::string> VQPapyrantSupportDocTypes();

template <class Front, class Delegate>
struct VQFrontImpl : VQConversionReports {
  VQFrontImpl(Front* front, VQFrontKind kind) : front_(front), core(kind, this) {}

  void reportPage(uint64_t done, uint64_t total) override {
    if (delegate) delegate->toPageIndexToTotalPages(front_, done, total);
  }
  void reportPageFailed(uint64_t pdfPageIndex, const VQError& error) override {
    if (delegate) delegate->pdfPageIndexFaildWithError(front_, pdfPageIndex, error);
  }
  void reportWillSave() override {
    if (delegate) delegate->willSaveDoc(front_, std::nullopt);
  }
  void reportException(const VQException& exception) override {
    if (delegate) delegate->catchException(front_, exception);
  }
  void reportProgress(uint64_t pageIndex, uint64_t progress) override {
    if (delegate) delegate->pageIndexProgress(front_, pageIndex, progress);
  }
  void reportEnd(const std::optional<VQError>& error) override {
    if (delegate) delegate->didEndConversion(front_, error);
  }

  Front* front_;
  Delegate* delegate = nullptr;
  // Declared last, so destroyed first: its end drops the reports still
  // queued, before the delegate pointer goes.
  VQConversionCore core;
};

}  // namespace vq

// The member functions both fronts define the same way over their Impl.
#define VQ_DEFINE_FRONT_MEMBERS(Front, Kind)                                                                           \
  struct Front::Impl : VQFrontImpl<Front, Front##Delegate> {                                                           \
    using VQFrontImpl::VQFrontImpl;                                                                                    \
  };                                                                                                                   \
  Front::Front() : impl_(std::make_unique<Impl>(this, Kind)) {}                                                        \
  Front::~Front() = default;                                                                                           \
  Front##Delegate* Front::delegate() const { return impl_->delegate; }                                                 \
  void Front::setDelegate(Front##Delegate* delegate) { impl_->delegate = delegate; }                                   \
  void Front::convertPDFAtPath(const std::string& pdfPath, const std::string& pdfPassword,                             \
                               const std::vector<uint64_t>& pdfPageIndexs, const std::string& destDocType,             \
                               const std::string& destDocPath, const VQPDFOptions& moreOptions) {                      \
    impl_->core.start(VQConversionRequest{pdfPath, pdfPassword, pdfPageIndexs, destDocType, destDocPath, moreOptions}, \
                      [this] {                                                                                         \
                        if (impl_->delegate) impl_->delegate->didStartConversion(this, std::nullopt);                  \
                      });                                                                                              \
  }                                                                                                                    \
  void Front::stopConvertsionIfNeed() { impl_->core.stop(); }                                                          \
  bool Front::isConverting() const { return impl_->core.isConverting(); }                                              \
  double Front::conversionSpendTime() const { return impl_->core.conversionSpendTime(); }                              \
  std::string Front::pdfPath() const { return impl_->core.request().pdfPath; }                                         \
  std::string Front::pdfPassword() const { return impl_->core.request().pdfPassword; }                                 \
  std::vector<uint64_t> Front::pdfPageIndexs() const { return impl_->core.request().pdfPageIndexs; }                   \
  std::string Front::destDocType() const { return impl_->core.request().destDocType; }                                 \
  std::string Front::destDocPath() const { return impl_->core.request().destDocPath; }                                 \
  VQPDFOptions Front::moreOptions() const { return impl_->core.request().moreOptions; }                                \
  std::shared_ptr<VQPDFExporter> Front::currentExporter() const { return impl_->core.currentExporter(); }              \
  void Front::setExporterFactory(VQExporterFactory factory) { impl_->core.setExporterFactory(std::move(factory)); }    \
  std::map<std::string, std::string> Front::supportDocTypes() { return VQPapyrantSupportDocTypes(); }
