#pragma once
// An engine for the manager's tests: it reports its start inside the call,
// like the real fronts, and sends its other reports when the test says.
#include <QFileInfo>
#include <string>
#include <vector>

#include "core/AppTestSupport.h"
#include "core/VQConversionEngine.h"
#include "core/VQPapyrantManager.h"

namespace vqtest {

// One log for the manager's reports and the engines' calls, in the order they happen.
using Log = std::vector<std::string>;

// An engine that reports its start inside the call, like the real fronts,
// and whose other reports the test sends when it likes.
class ScriptedEngine : public vq::app::VQConversionEngine {
 public:
  ScriptedEngine(std::string name, Log& log) : name_(std::move(name)), log_(log) {}

  void convertPDFAtPath(const std::string& path, const std::string&, const std::vector<uint64_t>& pages,
                        const std::string& type, const std::string&, const vq::VQPDFOptions& options) override {
    log_.push_back(name_ + " convert " + QFileInfo(QString::fromStdString(path)).fileName().toStdString() + " " + type);
    lastPages = pages;
    lastOptions = options;
    converting_ = true;
    listener_->engineDidStart(this, std::nullopt);
  }
  void stopConvertsionIfNeed() override {
    log_.push_back(name_ + " stop");
    stopAsked = true;
  }
  bool isConverting() const override { return converting_; }

  void page(uint64_t done, uint64_t total) { listener_->engineToPageIndex(this, done, total); }
  void fail(uint64_t page) { listener_->enginePageFaild(this, page, vq::VQError::make(401, "page")); }
  void exception() { listener_->engineCatchException(this, vq::VQException{"std::runtime_error", "boom"}); }
  void save() { listener_->engineWillSaveDoc(this); }
  void end(std::optional<vq::VQError> error = std::nullopt) {
    converting_ = false;
    stopAsked = false;
    listener_->engineDidEnd(this, error);
  }

  std::vector<uint64_t> lastPages;
  vq::VQPDFOptions lastOptions;
  bool stopAsked = false;

 private:
  std::string name_;
  Log& log_;
  bool converting_ = false;
};

// Tests of what sits on the manager, with scripted engines under it.
class ScriptedEnginesTest : public AppTest {
 protected:
  // A manager over two scripted engines, both logging to `log`.
  std::unique_ptr<vq::app::VQPapyrantManager> makeManager() {
    auto single = std::make_unique<ScriptedEngine>("single", log);
    auto multi = std::make_unique<ScriptedEngine>("multi", log);
    papyrant = single.get();
    mutliThread = multi.get();
    return std::make_unique<vq::app::VQPapyrantManager>(std::move(single), std::move(multi));
  }

  Log log;
  ScriptedEngine* papyrant = nullptr;
  ScriptedEngine* mutliThread = nullptr;
};

}  // namespace vqtest
