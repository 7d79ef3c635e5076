#pragma once
// The command-line front over VQPapyrantMutliThread.
#include "vqpapyrant/VQAppMainCLIBase.h"
#include "vqpapyrant/VQExport.h"
#include "vqpapyrant/VQPapyrantMutliThread.h"

namespace vq {

class VQ_EXPORT VQAppMainCLIMutliThread : public VQAppMainCLIBase, private VQPapyrantMutliThreadDelegate {
 public:
  VQAppMainCLIMutliThread();
  VQPapyrantMutliThread& papyrant() { return papyrant_; }
  void leftButtonPress() override { papyrant_.stopConvertsionIfNeed(); }

 protected:
  const char* title() const override { return "VQPapyrantMutliThread v1.0.1"; }
  void startConversion(const std::string& path, const std::vector<uint64_t>& pages, const std::string& format,
                       const std::string& destination, const VQPDFOptions& options) override;

 private:
  void didStartConversion(VQPapyrantMutliThread* sender, const std::optional<VQError>& error) override;
  void didEndConversion(VQPapyrantMutliThread* sender, const std::optional<VQError>& error) override;
  void toPageIndexToTotalPages(VQPapyrantMutliThread* sender, uint64_t pageIndex, uint64_t totalPages) override;
  void willSaveDoc(VQPapyrantMutliThread* sender, const std::optional<VQError>& error) override;
  void catchException(VQPapyrantMutliThread* sender, const VQException& exception) override;
  void pdfPageIndexFaildWithError(VQPapyrantMutliThread* sender, uint64_t pdfPageIndex, const VQError& error) override;

  VQPapyrantMutliThread papyrant_;
};

}  // namespace vq
