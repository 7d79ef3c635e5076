#include "core/VQPapyrantManager.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <algorithm>

#include "core/VQUserDefaults.h"

namespace vq::app {

namespace {
// Whether a file can be made in `folder`. Permission bits do not tell for
// every user (root) or file system, so one is made and removed.
bool canMakeFileIn(const QString& folder) {
  QTemporaryFile probe(QDir(folder).filePath(".vellumate-XXXXXX"));
  return probe.open();
}
}  // namespace

VQPapyrantManager::VQPapyrantManager() : VQPapyrantManager(makePapyrantEngine(), makePapyrantMutliThreadEngine()) {}

VQPapyrantManager::VQPapyrantManager(std::unique_ptr<VQConversionEngine> papyrant,
                                     std::unique_ptr<VQConversionEngine> papyrantMutliThread)
    : papyrant_(std::move(papyrant)), papyrantMutliThread_(std::move(papyrantMutliThread)) {
  papyrant_->setListener(this);
  papyrantMutliThread_->setListener(this);
}

VQPapyrantManager::~VQPapyrantManager() {
  // The engines stop and drop their reports as they go; none may reach a
  // delegate that is going away too.
  delegate_ = nullptr;
  papyrant_->setListener(nullptr);
  papyrantMutliThread_->setListener(nullptr);
}

bool VQPapyrantManager::usesMutliThreadEngine(const QString& token) {
  return token == "docx" || token == "xlsx" || token == "csv" || token == "pptx";
}

void VQPapyrantManager::setMa_sourceItems(std::vector<VQSourceFileItemRef> items) {
  sourceItems_ = std::move(items);
  if (state_ != State::Converting || !outstanding_ || !currentItem_) return;
  if (currentStopped_ || std::find(sourceItems_.begin(), sourceItems_.end(), currentItem_) != sourceItems_.end())
    return;
  // The end report of the stopped conversion moves the batch on.
  currentStopped_ = true;
  papyrant_->stopConvertsionIfNeed();
  papyrantMutliThread_->stopConvertsionIfNeed();
}

std::vector<VQSourceFileItemRef> VQPapyrantManager::ma_readyToConvertItems() const {
  std::vector<VQSourceFileItemRef> ready;
  if (state_ != State::Converting) return ready;
  for (const auto& item : sourceItems_)
    if (!started_.count(item)) ready.push_back(item);
  return ready;
}

VQPapyrantManager::BatchPosition VQPapyrantManager::batchPosition() const {
  if (state_ == State::Idle) return {};
  return {started_.size(), started_.size() + ma_readyToConvertItems().size()};
}

bool VQPapyrantManager::startConversion() {
  if (state_ != State::Idle) return false;
  started_.clear();
  if (delegate_) delegate_->willStartConversion(this);
  state_ = State::Converting;
  continueConversion();
  return true;
}

void VQPapyrantManager::stopConversion() {
  if (state_ != State::Converting) return;
  if (!outstanding_) {
    endBatch();
    return;
  }
  state_ = State::Stopping;
  papyrant_->stopConvertsionIfNeed();
  papyrantMutliThread_->stopConvertsionIfNeed();
}

void VQPapyrantManager::continueConversion() {
  if (state_ == State::Converting) {
    const auto ready = ma_readyToConvertItems();
    if (!ready.empty()) {
      started_.insert(ready.front());
      startConvertPDFItem(ready.front());
      return;
    }
  }
  endBatch();
}

void VQPapyrantManager::endBatch() {
  state_ = State::Idle;
  started_.clear();
  if (delegate_) delegate_->didEndConversion(this);
}

void VQPapyrantManager::startConvertPDFItem(const VQSourceFileItemRef& item) {
  // Set before the engine is called: the start report comes from inside the call.
  currentItem_ = item;
  const QString token = item->outputFileFormat();
  // Preferences are read per item, so a change during a batch applies to the
  // items that start afterwards.
  item->convertOpts.isParserAnnots = VQPreferences::parserPDFAnnots() ? 1 : 0;
  item->convertOpts.setImageDPI(static_cast<int32_t>(std::clamp<qint64>(VQPreferences::imageDPI(), 0, 100000)));
  item->convertOpts.threadMax = 5;
  const std::vector<uint64_t> pages = item->outputPDFPageIndexs();
  const QString destination = item->newOutputPath();
  item->conversionDidStart();
  VQConversionEngine* engine =
      item->convertOpts.threadMax > 0 && usesMutliThreadEngine(token) ? papyrantMutliThread_.get() : papyrant_.get();
  if (!destination.isEmpty() && !canMakeFileIn(QFileInfo(destination).absolutePath())) {
    // Said before the engine has spent its time on the pages.
    engineDidEnd(engine, VQError::make(VQPapyrantErrorUnknown, kOutputNotWritable));
    return;
  }
  if (pages.empty() && item->sourcePages() > 0) {
    // A range that names none of the document's pages would give an empty
    // output that looks like a success.
    engineDidEnd(engine, VQError::make(VQPapyrantErrorPage, kNoPagesInRange));
    return;
  }
  if (destination.isEmpty() || engine->isConverting()) {
    // Nothing will report for this item: end it here rather than leave the
    // batch waiting.
    item->setOutputPath(QString());
    engineDidEnd(engine, VQError::make(VQPapyrantErrorUnknown, "Unknow error while converting."));
    return;
  }
  outstanding_ = true;
  currentStopped_ = false;
  // Paths as the file system spells them, whatever bytes their names hold.
  engine->convertPDFAtPath(QFile::encodeName(item->sourcePath()).toStdString(), item->sourcePassword().toStdString(),
                           pages, token.toStdString(), QFile::encodeName(destination).toStdString(), item->convertOpts);
}

void VQPapyrantManager::engineDidStart(VQConversionEngine*, const std::optional<VQError>& error) {
  if (delegate_) delegate_->didStartConversionWithError(this, currentItem_, error);
}

void VQPapyrantManager::engineToPageIndex(VQConversionEngine*, uint64_t done, uint64_t total) {
  if (delegate_) delegate_->didConversionToPageIndexToTotalPages(this, currentItem_, done, total);
}

void VQPapyrantManager::enginePageFaild(VQConversionEngine*, uint64_t page, const VQError& error) {
  currentItem_->conversionDidFailPage();
  if (delegate_) delegate_->didConversionPdfPageIndexFaildWithError(this, currentItem_, page, error);
}

void VQPapyrantManager::engineWillSaveDoc(VQConversionEngine*) {
  if (delegate_) delegate_->didConversionWillSaveDoc(this, currentItem_, currentItem_->outputPath());
}

void VQPapyrantManager::engineCatchException(VQConversionEngine*, const VQException& exception) {
  currentItem_->conversionDidCatchException(QString::fromStdString(exception.reason));
  if (delegate_) delegate_->didConversionCatchException(this, currentItem_, exception);
}

void VQPapyrantManager::engineDidEnd(VQConversionEngine*, const std::optional<VQError>& error) {
  outstanding_ = false;
  VQSourceFileItemRef item = currentItem_;
  item->conversionDidEnd(error);
  if (delegate_) delegate_->didEndConversionWithError(this, item, error);
  if (state_ == State::Stopping) {
    endBatch();
    return;
  }
  continueConversion();
}

}  // namespace vq::app
