// The command-line host: runs one conversion through the engine's
// command-line front and keeps the main queue running until its end report.
// The exit status is the front's result: 0 on success, 1 on failure, and
// 128 plus the signal's number when SIGINT, SIGTERM, SIGHUP or SIGQUIT
// stopped it.
#include <malloc.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <memory>
#include <thread>

#include "vqpapyrant/VQAppMainCLI.h"
#include "vqpapyrant/VQAppMainCLIMutliThread.h"
#include "vqpapyrant/VQMainQueue.h"

int main(int argc, char* argv[]) {
  // SIGINT, SIGTERM, SIGHUP (the terminal closed) and SIGQUIT stop the
  // conversion the way the front's stop does: the page in hand ends at its
  // next operator, the work folders and the partial output are removed and
  // the destination is left as it was. They are blocked here, before any
  // other thread exists, so that every thread inherits the mask and only the
  // waiting thread below receives them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  for (int stop : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&stopSignals, stop);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  static std::atomic<int> stoppedBy{0};
  static std::atomic<vq::VQAppMainCLIBase*> running{nullptr};
  // Pages decode and draw buffers of megabytes. Past a fixed size they get
  // pages of their own, given back when freed: left to its moving threshold,
  // the allocator soon keeps them in its per-thread heaps, where freed room
  // stays resident and a long document with several threads grows to
  // several times what it uses.
  mallopt(M_MMAP_THRESHOLD, 128 * 1024);
  // Fixing that threshold also fixes the one for giving the free top of a
  // heap back at its default of 128 KiB. A page frees the room its runs and
  // lines took just before the next page takes it again, so each page's
  // work was given back and then faulted in anew, page after page (some
  // 50 faults a page on dense text, a tenth of its time where faults are
  // dear, as in virtual machines). Up to 1 MiB per heap is kept instead.
  mallopt(M_TRIM_THRESHOLD, 1024 * 1024);
  vq::MainQueue& mainQueue = vq::MainQueue::shared();
  mainQueue.bindToCurrentThread();
  // The waiting thread ends before main returns: the main queue it posts to
  // is a static, destroyed on the way out.
  static std::atomic<bool> quitting{false};
  std::thread waiter([stopSignals, &mainQueue] {
    int signal = 0;
    std::chrono::steady_clock::time_point firstStop;
    while (sigwait(&stopSignals, &signal) == 0) {
      if (quitting.load()) return;
      const auto now = std::chrono::steady_clock::now();
      // A second signal while the first one's stop runs ends the process.
      // One sent to the process group arrives here more than once (`timeout`
      // signals its child, then the group): what comes within a moment of
      // the first stop is that same stop.
      if (stoppedBy.load() != 0) {
        if (now - firstStop < std::chrono::seconds(1)) continue;
        _exit(128 + signal);
      }
      stoppedBy = signal;
      firstStop = now;
      mainQueue.runOnMain([] {
        if (auto* front = running.load()) front->leftButtonPress();
      });
    }
  });
  auto endWaiter = [&waiter] {
    quitting = true;
    pthread_kill(waiter.native_handle(), SIGTERM);
    waiter.join();
  };
  // More than one thread asks for the page-parallel front.
  const bool pageParallel = vq::VQCLIArguments::parse(argc, argv).threadMax() > 1;
  // With one page thread, its allocations share the main heap: no other
  // thread allocates beside it, and a heap of its own is a fresh mapping
  // faulted in page by page at every start (some 4 % of a one-page file).
  if (!pageParallel) mallopt(M_ARENA_MAX, 1);
  std::unique_ptr<vq::VQAppMainCLIBase> front;
  if (pageParallel) front = std::make_unique<vq::VQAppMainCLIMutliThread>();
  else front = std::make_unique<vq::VQAppMainCLI>();
  running = front.get();
  front->runMain(argc, argv);
  mainQueue.drainUntil([&] { return front->isFinished(); });
  running = nullptr;
  endWaiter();
  if (const int signal = stoppedBy.load()) return 128 + signal;
  return front->pdfResult();
}
