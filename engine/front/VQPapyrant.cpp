#include "front/VQPapyrant.h"

#include "front/VQFrontImpl.h"

namespace vq {

VQPapyrant::VQPapyrant()
    : VQPapyrantFront(
          std::make_unique<Impl>(VQFrontKind::SingleThread, std::make_unique<VQFrontRelay<VQPapyrant>>(this))) {}

VQPapyrant::~VQPapyrant() { endJob(); }

}  // namespace vq
