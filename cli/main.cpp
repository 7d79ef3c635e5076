// The command-line host: runs one conversion through the engine's
// command-line front and keeps the main queue running until its end report.
// The exit status is the front's result: 0 on success, 1 on failure.
#include <memory>

#include "front/VQAppMainCLI.h"
#include "front/VQAppMainCLIMutliThread.h"
#include "platform/dispatch/VQMainQueue.h"

int main(int argc, char* argv[]) {
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
