// The engine's two fronts behind the manager's engine interface. Both fronts
// report through delegates of the same shape, so one template serves both.
#include "core/VQConversionEngine.h"
#include "vqpapyrant/VQPapyrant.h"
#include "vqpapyrant/VQPapyrantMutliThread.h"

namespace vq::app {

namespace {
template <class Front, class Delegate>
class VQFrontEngine final : public VQConversionEngine, private Delegate {
 public:
  VQFrontEngine() { front_.setDelegate(this); }
  ~VQFrontEngine() override { front_.setDelegate(nullptr); }

  void convertPDFAtPath(const std::string& path, const std::string& password, const std::vector<uint64_t>& pages,
                        const std::string& destDocType, const std::string& destDocPath,
                        const VQPDFOptions& options) override {
    front_.convertPDFAtPath(path, password, pages, destDocType, destDocPath, options);
  }
  void stopConvertsionIfNeed() override { front_.stopConvertsionIfNeed(); }
  bool isConverting() const override { return front_.isConverting(); }

 private:
  void didStartConversion(Front*, const std::optional<VQError>& error) override {
    if (listener_) listener_->engineDidStart(this, error);
  }
  void toPageIndexToTotalPages(Front*, uint64_t done, uint64_t total) override {
    if (listener_) listener_->engineToPageIndex(this, done, total);
  }
  void pdfPageIndexFaildWithError(Front*, uint64_t page, const VQError& error) override {
    if (listener_) listener_->enginePageFaild(this, page, error);
  }
  void willSaveDoc(Front*, const std::optional<VQError>&) override {
    if (listener_) listener_->engineWillSaveDoc(this);
  }
  void catchException(Front*, const VQException& exception) override {
    if (listener_) listener_->engineCatchException(this, exception);
  }
  void didEndConversion(Front*, const std::optional<VQError>& error) override {
    if (listener_) listener_->engineDidEnd(this, error);
  }

  Front front_;
};
}  // namespace

std::unique_ptr<VQConversionEngine> makePapyrantEngine() {
  return std::make_unique<VQFrontEngine<VQPapyrant, VQPapyrantDelegate>>();
}

std::unique_ptr<VQConversionEngine> makePapyrantMutliThreadEngine() {
  return std::make_unique<VQFrontEngine<VQPapyrantMutliThread, VQPapyrantMutliThreadDelegate>>();
}

}  // namespace vq::app
