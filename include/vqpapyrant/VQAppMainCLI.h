#pragma once
// The command-line front over VQPapyrant.
#include "vqpapyrant/VQAppMainCLIBase.h"
#include "vqpapyrant/VQExport.h"
#include "vqpapyrant/VQPapyrant.h"

namespace vq {

class VQ_EXPORT VQAppMainCLI : public VQAppMainCLIBase, private VQPapyrantDelegate {
 public:
  VQAppMainCLI();
  VQPapyrant& papyrant() { return papyrant_; }
  void leftButtonPress() override { papyrant_.stopConvertsionIfNeed(); }

 protected:
  const char* title() const override { return "VQPapyrant v1.0.1"; }
  void startConversion(const std::string& path, const std::vector<uint64_t>& pages, const std::string& format,
                       const std::string& destination, const VQPDFOptions& options) override;

 private:
  void didStartConversion(VQPapyrant* sender, const std::optional<VQError>& error) override;
  void didEndConversion(VQPapyrant* sender, const std::optional<VQError>& error) override;
  void toPageIndexToTotalPages(VQPapyrant* sender, uint64_t pageIndex, uint64_t totalPages) override;
  void willSaveDoc(VQPapyrant* sender, const std::optional<VQError>& error) override;
  void catchException(VQPapyrant* sender, const VQException& exception) override;
  void pdfPageIndexFaildWithError(VQPapyrant* sender, uint64_t pdfPageIndex, const VQError& error) override;

  VQPapyrant papyrant_;
};

}  // namespace vq
