#pragma once
// A recording exporter and recording delegates for the conversion fronts.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <fmt/format.h>

#include "exporter/VQPDFExporter.h"
#include "front/VQPapyrant.h"
#include "front/VQPapyrantMutliThread.h"
#include "platform/dispatch/VQMainQueue.h"

namespace vqtest {

// Records every call as one line and writes pages in place order the way the
// document exporters do: a place is finished when its page was accepted or
// skipped, and the next places are written as soon as they are all finished.
class RecordingExporter : public vq::VQPDFExporter {
 public:
  std::set<int64_t> refusePositions;  // answer false for these places
  std::set<int64_t> throwPositions;   // throw from these places
  bool throwInEnd = false;
  bool concurrent = false;
  std::chrono::milliseconds pageTime{0};
  std::function<void(int64_t position)> onPage;  // runs inside convertPDFPage
  std::function<void()> onBegin;                 // runs inside convertPDFBegin

  std::vector<std::string> calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
  }
  // The page-conversion lines only ("page <pdf page> <position>/<total> index <pageIndex>").
  std::vector<std::string> pageCalls() const {
    std::vector<std::string> pages;
    for (auto& c : calls())
      if (c.rfind("page ", 0) == 0) pages.push_back(c);
    return pages;
  }
  int peakConcurrency() const { return peak_.load(); }
  int64_t written() const {
    std::lock_guard lock(mutex_);
    return written_;
  }

  int64_t numFinishedPages() override {
    std::lock_guard lock(mutex_);
    return written_;
  }
  bool writePagesInOrderIfReadyTemp() override {
    std::lock_guard lock(mutex_);
    bool wrote = false;
    while (finished_.count(written_ + 1)) {
      ++written_;
      wrote = true;
    }
    return wrote;
  }
  void convertPDFBegin(const std::string& destPath, const std::shared_ptr<const vq::pdf::Document>&) override {
    record("begin " + destPath);
    if (onBegin) onBegin();
  }
  bool convertPDFPage(const std::optional<vq::pdf::Page>& page, int64_t position, int64_t total) override {
    int now = ++running_;
    int seen = peak_.load();
    while (now > seen && !peak_.compare_exchange_weak(seen, now)) {
    }
    record(
        fmt::format("page {} {}/{} index {}", page ? page->number() : 0, position, total, concurrent ? 0 : pageIndex));
    if (onPage) onPage(position);
    if (pageTime.count()) std::this_thread::sleep_for(pageTime);
    --running_;
    if (throwPositions.count(position)) throw std::runtime_error(fmt::format("page {} broke", position));
    if (refusePositions.count(position)) return false;
    std::lock_guard lock(mutex_);
    finished_.insert(position);
    return true;
  }
  void skipPDFPage(int64_t position, int64_t) override {
    record(fmt::format("skip {}", position));
    std::lock_guard lock(mutex_);
    finished_.insert(position);
  }
  void convertPDFEnd(const std::shared_ptr<const vq::pdf::Document>&) override {
    record("end");
    if (throwInEnd) throw std::runtime_error("disk full");
    writePagesInOrderIfReadyTemp();
  }
  void cancelConvertPDF() override { record("cancel"); }
  void convertPDFClean() override { record("clean"); }
  bool isConcurrentPagesSupported() const override { return concurrent; }
  // Writes no file: its output is the calls it records.
  bool isOutputWritten(const std::string&) const override { return true; }

 private:
  void record(std::string line) {
    std::lock_guard lock(mutex_);
    calls_.push_back(std::move(line));
  }
  mutable std::mutex mutex_;
  std::vector<std::string> calls_;
  std::set<int64_t> finished_;
  int64_t written_ = 0;
  std::atomic<int> running_{0};
  std::atomic<int> peak_{0};
};

// One delegate for both fronts: every report becomes one line, and each
// report notes whether it ran on the main thread.
template <typename Front, typename Delegate>
class Recorder : public Delegate {
 public:
  std::vector<std::string> lines;
  bool offMainThread = false;
  bool ended = false;
  std::function<void(Front*)> onEnd;

  void didStartConversion(Front*, const std::optional<vq::VQError>&) override { lines.push_back("start"); }
  void didEndConversion(Front* sender, const std::optional<vq::VQError>& error) override {
    check();
    lines.push_back(error ? fmt::format("end {} {}", error->code, error->reason) : "end ok");
    ended = true;
    if (onEnd) onEnd(sender);
  }
  void toPageIndexToTotalPages(Front*, uint64_t done, uint64_t total) override {
    check();
    lines.push_back(fmt::format("progress {}/{}", done, total));
  }
  void pdfPageIndexFaildWithError(Front*, uint64_t page, const vq::VQError& error) override {
    check();
    lines.push_back(fmt::format("fail {} {} {}", page, error.code, error.reason));
  }
  void willSaveDoc(Front*, const std::optional<vq::VQError>&) override {
    check();
    lines.push_back("willSave");
  }
  void catchException(Front*, const vq::VQException& e) override {
    check();
    lines.push_back("exception " + e.description());
  }

  // Drains the main queue until the end report (or a generous deadline).
  void waitForEnd(std::chrono::seconds limit = std::chrono::seconds(60)) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    vq::MainQueue::shared().drainUntil([&] { return ended || std::chrono::steady_clock::now() > deadline; });
  }

 private:
  void check() {
    if (!vq::MainQueue::shared().isMainThread()) offMainThread = true;
  }
};

using SingleRecorder = Recorder<vq::VQPapyrant, vq::VQPapyrantDelegate>;
using ParallelRecorder = Recorder<vq::VQPapyrantMutliThread, vq::VQPapyrantMutliThreadDelegate>;

}  // namespace vqtest
