#include "front/VQConversionCore.h"

#include "front/VQPDFExporterChoice.h"

#include <fmt/format.h>

#include <malloc.h>
#include <unistd.h>
#include <algorithm>
#include <atomic>

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <utility>

#include "common/VQPDFPathUtilities.h"
#include "front/VQImagePDFExporter.h"
#include "platform/diagnostics/VQDiagnostics.h"
#include "platform/dispatch/VQMainQueue.h"
#include "platform/dispatch/VQWorkerPool.h"

namespace vq {

namespace {

using Clock = std::chrono::steady_clock;

// Pages the page lanes finish between two returns of freed memory. Each lane
// thread allocates from a heap of its own, where the room a page freed stays
// resident among what later pages keep (fonts, objects read); over a long
// document every heap grows to several times what it holds. Returning the
// free pages of every heap now and then keeps the whole near one lane's
// size; doing it after every page costs system time for little more.
constexpr uint64_t kPagesBetweenMemoryReturns = 16;

// One line for the diagnostics that says why a document did not open.
std::string OpenFailureReason(const std::string& path, pdf::OpenError error) {
  switch (error) {
    case pdf::OpenError::PasswordRequired:
      return fmt::format("Can't open \"{}\": it is encrypted and needs a password (none given, or not this one)", path);
    case pdf::OpenError::NotFound: {
      const int reason = ::access(path.c_str(), R_OK) == 0 ? EINVAL : errno;
      return fmt::format("Can't open \"{}\": {}", path,
                         reason == EINVAL ? "not a regular file" : std::strerror(reason));
    }
    case pdf::OpenError::Damaged:
    case pdf::OpenError::None:
      break;
  }
  return fmt::format("Can't open \"{}\": not a PDF, or damaged beyond repair", path);
}

VQError pageError(const char* reasonFormat, uint64_t pdfPageIndex) {
  // The page number prints signed, as the reason texts always have.
  return VQError::make(VQPapyrantErrorPage,
                       fmt::format(fmt::runtime(reasonFormat), static_cast<int64_t>(pdfPageIndex)));
}

}  // namespace

struct VQConversionCore::State : VQPDFExporterDelegate, std::enable_shared_from_this<State> {
  const VQFrontKind kind;

  // Held while a report runs; the front's destructor takes it to detach
  // `reports`, so a report never runs against a destroyed front.
  std::recursive_mutex reportMutex;
  VQConversionReports* reports = nullptr;

  std::atomic<bool> converting{false};
  std::atomic<bool> cancel{false};
  std::atomic<uint64_t> generation{0};
  // Pages the exporter accepted in the current conversion.
  std::atomic<uint64_t> pagesAccepted{0};

  mutable std::mutex mutex;  // guards the members below
  VQConversionRequest request;
  std::shared_ptr<VQPDFExporter> exporter;
  VQExporterFactory factory;
  std::optional<Clock::time_point> startDate;
  double spendTime = 0;

  // Wakes the page pool's job thread when a page finishes.
  std::mutex pageMutex;
  std::condition_variable pageFinished;

  State(VQFrontKind k, VQConversionReports* r) : kind(k), reports(r) {}

  void post(std::function<void(VQConversionReports&)> report) {
    MainQueue::shared().runOnMain([self = shared_from_this(), report = std::move(report)] {
      std::lock_guard lock(self->reportMutex);
      if (self->reports) report(*self->reports);
    });
  }
  void postPage(uint64_t done, uint64_t total) {
    post([=](VQConversionReports& r) { r.reportPage(done, total); });
  }
  void postFailure(uint64_t page, VQError error) {
    post([page, error = std::move(error)](VQConversionReports& r) { r.reportPageFailed(page, error); });
  }
  void postException(VQException exception) {
    VQDiagnose(VQDiagnosticCategory::Conversion, "Conversion exception: " + exception.description());
    post([exception](VQConversionReports& r) { r.reportException(exception); });
  }

  void pageIndexProgress(VQPDFExporter*, uint64_t pageIndex, uint64_t progress) override {
    post([=](VQConversionReports& r) { r.reportProgress(pageIndex, progress); });
  }

  // Runs an exporter step; an exception is reported and answers false.
  template <typename Step>
  bool guarded(Step&& step) {
    try {
      step();
      return true;
    } catch (...) {
      postException(VQException::current());
      return false;
    }
  }

  void skip(VQPDFExporter& exporter, int64_t position, int64_t count) {
    guarded([&] { exporter.skipPDFPage(position, count); });
  }

  // Hands page `d` at output place `position` to the exporter. Every place
  // that does not end accepted is reported (a failure or an exception) and
  // skipped, so exporters writing in order are never left waiting for it.
  bool convertOne(VQPDFExporter& exporter, const pdf::Document& document, uint64_t d, int64_t position, int64_t count,
                  std::optional<uint64_t> pageIndex) {
    const uint64_t pageCount = static_cast<uint64_t>(std::max(document.pageCount(), 0));
    if (d == 0 || d > pageCount) {
      postFailure(d, pageError("Out of PDF Page Range({})", d));
      skip(exporter, position, count);
      return false;
    }
    std::optional<pdf::Page> page;
    try {
      page = document.page(static_cast<int>(d));
      if (page && !page->dictionary().isDictionary()) page.reset();
    } catch (...) {
      page.reset();
    }
    if (!page) {
      // The page list names an object that is missing or not a dictionary
      // (a damaged file): every format fails it alike, so the reason is
      // said here, where it is known.
      VQDiagnose(VQDiagnosticCategory::PDF,
                 fmt::format("Can't read page {}: its page object is missing or is not a page", d));
      postFailure(d, pageError("Can't read the PDF Page.({})", d));
      skip(exporter, position, count);
      return false;
    }
    bool accepted = false;
    try {
      if (pageIndex) exporter.pageIndex = *pageIndex;
      accepted = exporter.convertPDFPage(page, position, count);
    } catch (...) {
      postException(VQException::current());
      skip(exporter, position, count);
      return false;
    }
    if (!accepted) {
      postFailure(d, pageError("Can't convert the PDF Page.({})", d));
      skip(exporter, position, count);
    } else ++pagesAccepted;
    return accepted;
  }

  // Asks the exporter to write pages in order; reports the pages written so
  // far (read here, on the job thread) when it did.
  bool poll(VQPDFExporter& exporter, uint64_t count, bool reportAlways) {
    bool wrote = false;
    int64_t finished = 0;
    guarded([&] {
      wrote = exporter.writePagesInOrderIfReadyTemp();
      finished = exporter.numFinishedPages();
    });
    if (wrote || reportAlways) postPage(static_cast<uint64_t>(std::max<int64_t>(finished, 0)), count);
    return wrote;
  }

  void singleThreadLoop(VQPDFExporter& exporter, const pdf::Document& document, const VQConversionRequest& req) {
    const auto& pages = req.pdfPageIndexs;
    const int64_t count = static_cast<int64_t>(pages.size());
    uint64_t accepted = 0;
    for (size_t i = 0; i < pages.size(); ++i) {
      if (cancel) break;
      const int64_t position = static_cast<int64_t>(i) + 1;
      if (!convertOne(exporter, document, pages[i], position, count, accepted)) continue;
      guarded([&] { exporter.writePagesInOrderIfReadyTemp(); });
      postPage(static_cast<uint64_t>(position), static_cast<uint64_t>(count));
      ++accepted;
    }
  }

  void sequentialLoop(VQPDFExporter& exporter, const pdf::Document& document, const VQConversionRequest& req) {
    const auto& pages = req.pdfPageIndexs;
    const int64_t count = static_cast<int64_t>(pages.size());
    for (size_t i = 0; i < pages.size(); ++i) {
      if (cancel) break;
      // One page at a time, so the output place can name files too.
      convertOne(exporter, document, pages[i], static_cast<int64_t>(i) + 1, count, static_cast<uint64_t>(i));
      poll(exporter, static_cast<uint64_t>(count), true);
    }
  }

  // Runs the pages on `threadMax` lanes of the worker pool, each taking the
  // next page as it finishes one, while this thread writes them in order.
  // A lane keeps to one worker thread, so the job's per-thread state (an
  // instance of the file, a font cache) exists once per lane, not once per
  // worker of the shared pool.
  void poolLoop(const std::shared_ptr<VQPDFExporter>& exporter, const std::shared_ptr<const pdf::Document>& document,
                const VQConversionRequest& req, int64_t threadMax) {
    const int64_t count = static_cast<int64_t>(req.pdfPageIndexs.size());
    const auto& pages = req.pdfPageIndexs;
    // Under `pageMutex`: the next page to take (an index in the request's
    // pages), the lanes still running and the pages ended so far. They live
    // on this stack: the group is waited for before it unwinds.
    size_t next = 0;
    int64_t lanesRunning = std::min(threadMax, count);
    uint64_t pagesDone = 0;
    DispatchGroup group;
    WorkerPool& pool = WorkerPool::global();
    auto self = shared_from_this();
    for (int64_t lane = lanesRunning; lane > 0; --lane) {
      pool.async(group, [self, exporter, document, &pages, &next, &lanesRunning, &pagesDone, count] {
        // The lane ends here whatever happens: the job thread always sees it.
        struct Finish {
          State& state;
          int64_t& lanesRunning;
          ~Finish() {
            {
              std::lock_guard lock(state.pageMutex);
              --lanesRunning;
            }
            state.pageFinished.notify_all();
          }
        } finish{*self, lanesRunning};
        for (;;) {
          size_t i = 0;
          {
            std::lock_guard lock(self->pageMutex);
            if (self->cancel || next >= pages.size()) return;
            i = next++;
          }
          try {
            self->convertOne(*exporter, *document, pages[i], static_cast<int64_t>(i) + 1, count, std::nullopt);
          } catch (...) {
            self->postException(VQException::current());
          }
          bool returnMemory = false;
          {
            std::lock_guard lock(self->pageMutex);
            ++pagesDone;
            returnMemory = pagesDone % kPagesBetweenMemoryReturns == 0;
          }
          self->pageFinished.notify_all();
          if (returnMemory) malloc_trim(0);
        }
      });
    }
    for (;;) {
      bool wrote = poll(*exporter, static_cast<uint64_t>(count), false);
      if (cancel) break;
      std::unique_lock lock(pageMutex);
      if (lanesRunning <= 0) {
        lock.unlock();
        // A page may have finished after this pass polled.
        poll(*exporter, static_cast<uint64_t>(count), false);
        break;
      }
      if (!wrote) {
        // At most a second, and less when a page finishes meanwhile.
        const uint64_t seen = pagesDone;
        pageFinished.wait_for(lock, std::chrono::seconds(1),
                              [&] { return pagesDone != seen || lanesRunning <= 0 || cancel; });
      }
    }
    group.wait();  // the lanes read the request's pages: none may outlive this call
  }

  void pageLoop(const VQConversionRequest& req, const std::shared_ptr<const pdf::Document>& document,
                std::optional<VQError>& endError) {
    std::shared_ptr<VQPDFExporter> exp;
    VQExporterFactory make;
    {
      std::lock_guard lock(mutex);
      make = factory;
    }
    if (make) {
      exp = make(req.destDocType, req.destDocPath, req.moreOptions);
    } else if (const auto unwritable = VQPDFPathUtilities::unwritableDestination(
                   req.destDocPath, VQImagePDFExporter::IsImageTypeSupport(req.destDocType))) {
      // A folder that cannot take the output is named before any page, not
      // found out by every page or after the whole document. (An exporter
      // given by the host writes where it knows.)
      VQDiagnose(VQDiagnosticCategory::Conversion, *unwritable);
      endError = VQError::make(VQPapyrantErrorUnknown, "Unknow error while converting.");
      return;
    } else {
      exp = VQNewExporter(req.destDocType, req.destDocPath, req.moreOptions);
    }
    {
      std::lock_guard lock(mutex);
      exporter = exp;
    }
    if (!exp) {
      VQDiagnose(VQDiagnosticCategory::Conversion,
                 fmt::format("No exporter for the destination type \"{}\"", req.destDocType));
      endError = VQError::make(VQPapyrantErrorUnknown, "Unknow error while converting.");
      return;
    }
    const int64_t count = static_cast<int64_t>(req.pdfPageIndexs.size());
    exp->toTotalPages = static_cast<uint64_t>(count);
    exp->delegate = this;
    pagesAccepted = 0;
    if (!guarded([&] { exp->convertPDFBegin(req.destDocPath, document); })) {
      endError = VQError::make(VQPapyrantErrorUnknown, "Unknow error while converting.");
      guarded([&] { exp->convertPDFClean(); });
      return;
    }
    const int64_t threadMax = req.moreOptions.threadMax;
    if (kind == VQFrontKind::SingleThread) singleThreadLoop(*exp, *document, req);
    // A single page gains nothing from the pool but its start-up.
    else if (threadMax > 1 && count > 1 && exp->isConcurrentPagesSupported()) poolLoop(exp, document, req, threadMax);
    else sequentialLoop(*exp, *document, req);

    if (cancel) {
      guarded([&] { exp->convertPDFClean(); });
      return;
    }
    post([](VQConversionReports& r) { r.reportWillSave(); });
    // The output is not saved when its last step throws: that is no success.
    if (!guarded([&] { exp->convertPDFEnd(document); })) {
      endError = VQError::make(VQPapyrantErrorUnknown, "Unknow error while converting.");
    } else if (pagesAccepted > 0 && !exp->isOutputWritten(req.destDocPath)) {
      // (With no page accepted, the page failures already say what went wrong.)
      VQDiagnose(VQDiagnosticCategory::Conversion, fmt::format("Nothing was written to \"{}\"", req.destDocPath));
      endError = VQError::make(VQPapyrantErrorUnknown, "Unknow error while converting.");
    }
  }

  void run(const VQConversionRequest& req, uint64_t jobGeneration) {
    std::optional<VQError> endError;
    try {
      // Chosen before any page: a run killed outright left its work files
      // there, and they go now.
      VQPDFPathUtilities::temporaryRoot();
      namespace fs = std::filesystem;
      std::error_code ec;
      fs::file_status status = fs::status(req.pdfPath, ec);
      if (req.pdfPath.empty() || ec || !fs::exists(status) || fs::is_directory(status)) {
        endError = VQError::make(VQPapyrantErrorSourceMissing, "Source File isn't exist.");
      } else if (!fs::is_regular_file(status)) {
        // A FIFO would block the open for ever, a device never end.
        VQDiagnose(VQDiagnosticCategory::Conversion,
                   fmt::format("The input is not a regular file: \"{}\"", req.pdfPath));
        endError = VQError::make(VQPapyrantErrorSourceMissing, "Source File isn't exist.");
      } else {
        pdf::OpenError openError = pdf::OpenError::None;
        std::shared_ptr<const pdf::Document> document = pdf::Document::open(req.pdfPath, req.pdfPassword, &openError);
        if (!document) {
          // The report keeps its code and text; the reason goes beside it.
          VQDiagnose(VQDiagnosticCategory::PDF, OpenFailureReason(req.pdfPath, openError));
          endError = VQError::make(VQPapyrantErrorLoad, "Can't load the PDF Document.");
        } else if (document->pageCount() <= 0) {
          // Nothing to convert, and nothing to write: said, not passed off
          // as an empty document.
          VQDiagnose(VQDiagnosticCategory::PDF, fmt::format("\"{}\" has no page (its page tree is missing, empty "
                                                            "or unreadable)",
                                                            req.pdfPath));
          endError = VQError::make(VQPapyrantErrorLoad, "Can't load the PDF Document.");
        } else if (req.pdfPageIndexs.empty()) {
          // A selection of no page converts nothing: it is out of range,
          // and no output is made for it.
          endError = pageError("Out of PDF Page Range({})", 0);
        } else pageLoop(req, document, endError);
      }
    } catch (...) {
      postException(VQException::current());
      endError = VQError::make(VQPapyrantErrorUnknown, "Unknow error while converting.");
    }
    if (cancel) endError = VQError::make(VQPapyrantErrorCanceled, "Conversion has been canceled.");
    // The last thing the job does: after this it touches no state of the front.
    MainQueue::shared().runOnMain([self = shared_from_this(), jobGeneration, endError] {
      std::lock_guard reportLock(self->reportMutex);
      {
        std::lock_guard lock(self->mutex);
        if (self->startDate) self->spendTime = std::chrono::duration<double>(Clock::now() - *self->startDate).count();
      }
      if (self->generation.load() == jobGeneration) self->converting = false;
      if (self->reports) self->reports->reportEnd(endError);
    });
  }
};

VQConversionCore::VQConversionCore(VQFrontKind kind, VQConversionReports* reports)
    : state_(std::make_shared<State>(kind, reports)) {}

VQConversionCore::~VQConversionCore() {
  {
    std::lock_guard lock(state_->reportMutex);
    state_->reports = nullptr;
  }
  stop();
  if (job_.joinable()) job_.join();
}

void VQConversionCore::start(VQConversionRequest request, const std::function<void()>& reportStart) {
  if (job_.joinable()) job_.join();
  {
    std::lock_guard lock(state_->mutex);
    state_->request = request;
  }
  const uint64_t jobGeneration = state_->generation.fetch_add(1) + 1;
  state_->cancel = false;
  state_->converting = true;
  if (reportStart) reportStart();
  {
    std::lock_guard lock(state_->mutex);
    state_->startDate = Clock::now();
  }
  job_ = std::thread(
      [state = state_, request = std::move(request), jobGeneration] { state->run(request, jobGeneration); });
}

void VQConversionCore::stop() {
  state_->cancel = true;
  state_->pageFinished.notify_all();
  if (auto exporter = currentExporter()) exporter->cancelConvertPDF();
}

bool VQConversionCore::isConverting() const { return state_->converting.load(); }

double VQConversionCore::conversionSpendTime() const {
  std::lock_guard lock(state_->mutex);
  return state_->spendTime;
}

VQConversionRequest VQConversionCore::request() const {
  std::lock_guard lock(state_->mutex);
  return state_->request;
}

std::shared_ptr<VQPDFExporter> VQConversionCore::currentExporter() const {
  std::lock_guard lock(state_->mutex);
  return state_->exporter;
}

void VQConversionCore::setExporterFactory(VQExporterFactory factory) {
  std::lock_guard lock(state_->mutex);
  state_->factory = std::move(factory);
}

}  // namespace vq
