#pragma once
// Converts the list's items one after another through the engine's fronts
// and relays every engine report, tagged with its item, to its delegate. The
// next item starts only from the previous one's end report, so at most one
// engine conversion exists at any time. The batch follows the list as it
// stands: each next item is the first one in the list that the batch has not
// started yet, and an item taken out of the list while it converts is
// stopped. Main thread only.
#include <memory>
#include <set>
#include <vector>

#include "core/VQConversionEngine.h"
#include "core/VQSourceFileItem.h"

namespace vq::app {

class VQPapyrantManager;

class VQPapyrantManagerDelegate {
 public:
  virtual ~VQPapyrantManagerDelegate() = default;
  virtual void willStartConversion(VQPapyrantManager*) {}
  virtual void didStartConversionWithError(VQPapyrantManager*, const VQSourceFileItemRef&,
                                           const std::optional<VQError>&) {}
  virtual void didConversionToPageIndexToTotalPages(VQPapyrantManager*, const VQSourceFileItemRef&, uint64_t done,
                                                    uint64_t total) {
    (void)done, (void)total;
  }
  virtual void didConversionPdfPageIndexFaildWithError(VQPapyrantManager*, const VQSourceFileItemRef&, uint64_t page,
                                                       const VQError&) {
    (void)page;
  }
  virtual void didConversionWillSaveDoc(VQPapyrantManager*, const VQSourceFileItemRef&, const QString& path) {
    (void)path;
  }
  virtual void didConversionCatchException(VQPapyrantManager*, const VQSourceFileItemRef&, const VQException&) {}
  virtual void didEndConversionWithError(VQPapyrantManager*, const VQSourceFileItemRef&,
                                         const std::optional<VQError>&) {}
  // The batch is over: the list is done, or it was stopped and the engine has ended.
  virtual void didEndConversion(VQPapyrantManager*) {}
};

class VQPapyrantManager : private VQConversionEngineListener {
 public:
  enum class State { Idle, Converting, Stopping };

  VQPapyrantManager();
  // Tests hand in scripted engines.
  VQPapyrantManager(std::unique_ptr<VQConversionEngine> papyrant,
                    std::unique_ptr<VQConversionEngine> papyrantMutliThread);
  ~VQPapyrantManager() override;

  void setDelegate(VQPapyrantManagerDelegate* delegate) { delegate_ = delegate; }  // not owned
  // The list as it stands; the window hands it over at every change, during
  // a batch too. Removing the item being converted stops its conversion;
  // the batch then goes on with the next item still listed.
  void setMa_sourceItems(std::vector<VQSourceFileItemRef> items);
  const std::vector<VQSourceFileItemRef>& ma_sourceItems() const { return sourceItems_; }
  // The listed items the running batch has not started yet, in list order.
  std::vector<VQSourceFileItemRef> ma_readyToConvertItems() const;

  // Starts a batch over the source items. Refused (false) while a batch runs
  // or is still stopping: the stopped conversion's engine is busy until its
  // end report.
  bool startConversion();
  // Stops the batch; it ends when the running conversion's end report arrives.
  void stopConversion();

  State state() const { return state_; }
  bool isConverting() const { return state_ == State::Converting; }
  bool isStopping() const { return state_ == State::Stopping; }
  const VQSourceFileItemRef& currentConvertItem() const { return currentItem_; }
  // The running batch's place: the item converting is the k-th of M, M
  // counting the items started so far and those still waiting in the list.
  struct BatchPosition {
    size_t k = 0, m = 0;
  };
  BatchPosition batchPosition() const;

  // The page-parallel front takes the formats whose exporters accept pages at once.
  static bool usesMutliThreadEngine(const QString& formatToken);

 private:
  void continueConversion();
  void startConvertPDFItem(const VQSourceFileItemRef& item);
  void endBatch();

  void engineDidStart(VQConversionEngine*, const std::optional<VQError>& error) override;
  void engineToPageIndex(VQConversionEngine*, uint64_t done, uint64_t total) override;
  void enginePageFaild(VQConversionEngine*, uint64_t page, const VQError& error) override;
  void engineWillSaveDoc(VQConversionEngine*) override;
  void engineCatchException(VQConversionEngine*, const VQException& exception) override;
  void engineDidEnd(VQConversionEngine*, const std::optional<VQError>& error) override;

  VQPapyrantManagerDelegate* delegate_ = nullptr;
  std::unique_ptr<VQConversionEngine> papyrant_;
  std::unique_ptr<VQConversionEngine> papyrantMutliThread_;
  VQSourceFileItemRef currentItem_;
  std::vector<VQSourceFileItemRef> sourceItems_;
  // The items this batch has started. Owning references: an item removed
  // from the list stays known as started, and no other item can take its place.
  std::set<VQSourceFileItemRef> started_;
  State state_ = State::Idle;
  bool outstanding_ = false;     // an engine conversion has started and not yet ended
  bool currentStopped_ = false;  // it was stopped since its item left the list
};

}  // namespace vq::app
