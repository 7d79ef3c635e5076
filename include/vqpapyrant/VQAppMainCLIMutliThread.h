#pragma once
// The command-line front over VQPapyrantMutliThread.
#include "vqpapyrant/VQAppMainCLIBase.h"
#include "vqpapyrant/VQExport.h"
#include "vqpapyrant/VQPapyrantMutliThread.h"

namespace vq {

class VQ_EXPORT VQAppMainCLIMutliThread
    : public VQAppMainCLIOver<VQPapyrantMutliThread, VQPapyrantMutliThreadDelegate> {
 protected:
  const char* title() const override;
};

}  // namespace vq
