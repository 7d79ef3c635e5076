#pragma once
#include "vqpapyrant/VQExport.h"
#include "vqpapyrant/VQPapyrantFront.h"

namespace vq {

class VQPapyrantMutliThread;

class VQ_EXPORT VQPapyrantMutliThreadDelegate : public VQConversionDelegate<VQPapyrantMutliThread> {};

// The twin of VQPapyrant that converts several pages of one document at once
// (at most moreOptions.threadMax) when the exporter accepts concurrent pages;
// otherwise it converts one page after another. Its progress counts the pages
// the exporter has written in page order.
class VQ_EXPORT VQPapyrantMutliThread : public VQPapyrantFront {
 public:
  VQPapyrantMutliThread();
  // Stops a running conversion, waits for its job, and drops its reports.
  ~VQPapyrantMutliThread();

  VQPapyrantMutliThreadDelegate* delegate() const { return delegate_; }
  void setDelegate(VQPapyrantMutliThreadDelegate* delegate) { delegate_ = delegate; }  // not owned

 private:
  VQPapyrantMutliThreadDelegate* delegate_ = nullptr;
};

}  // namespace vq
