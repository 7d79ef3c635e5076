#pragma once
#include "vqpapyrant/VQExport.h"
#include "vqpapyrant/VQPapyrantFront.h"

namespace vq {

class VQPapyrant;

class VQ_EXPORT VQPapyrantDelegate : public VQConversionDelegate<VQPapyrant> {};

// Converts one PDF document at a time, handing the selected pages one after
// another to the exporter of the destination type.
class VQ_EXPORT VQPapyrant : public VQPapyrantFront {
 public:
  VQPapyrant();
  // Stops a running conversion, waits for its job, and drops its reports.
  ~VQPapyrant();

  VQPapyrantDelegate* delegate() const { return delegate_; }
  void setDelegate(VQPapyrantDelegate* delegate) { delegate_ = delegate; }  // not owned

 private:
  VQPapyrantDelegate* delegate_ = nullptr;
};

}  // namespace vq
