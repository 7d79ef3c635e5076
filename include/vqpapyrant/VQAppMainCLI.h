#pragma once
// The command-line front over VQPapyrant.
#include "vqpapyrant/VQAppMainCLIBase.h"
#include "vqpapyrant/VQExport.h"
#include "vqpapyrant/VQPapyrant.h"

namespace vq {

class VQ_EXPORT VQAppMainCLI : public VQAppMainCLIOver<VQPapyrant, VQPapyrantDelegate> {
 protected:
  const char* title() const override;
};

}  // namespace vq
