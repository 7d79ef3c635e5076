// The command-line host: runs one conversion through the engine's
// command-line front and keeps the main queue running until its end report.
// The exit status is the front's result: 0 on success, 1 on failure.
#include <malloc.h>

#include <memory>

#include "front/VQAppMainCLI.h"
#include "front/VQAppMainCLIMutliThread.h"
#include "platform/dispatch/VQMainQueue.h"

int main(int argc, char* argv[]) {
  // Pages decode and draw buffers of megabytes. Past a fixed size they get
  // pages of their own, given back when freed: left to its moving threshold,
  // the allocator soon keeps them in its per-thread heaps, where freed room
  // stays resident and a long document with several threads grows to
  // several times what it uses.
  mallopt(M_MMAP_THRESHOLD, 128 * 1024);
  vq::MainQueue& mainQueue = vq::MainQueue::shared();
  mainQueue.bindToCurrentThread();
  // More than one thread asks for the page-parallel front.
  const bool pageParallel = vq::VQCLIArguments::parse(argc, argv).threadMax() > 1;
  std::unique_ptr<vq::VQAppMainCLIBase> front;
  if (pageParallel) front = std::make_unique<vq::VQAppMainCLIMutliThread>();
  else front = std::make_unique<vq::VQAppMainCLI>();
  front->runMain(argc, argv);
  mainQueue.drainUntil([&] { return front->isFinished(); });
  return front->pdfResult();
}
