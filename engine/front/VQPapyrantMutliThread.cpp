#include "front/VQPapyrantMutliThread.h"

#include "front/VQFrontImpl.h"

namespace vq {

VQPapyrantMutliThread::VQPapyrantMutliThread()
    : VQPapyrantFront(std::make_unique<Impl>(VQFrontKind::PageParallel,
                                             std::make_unique<VQFrontRelay<VQPapyrantMutliThread>>(this))) {}

VQPapyrantMutliThread::~VQPapyrantMutliThread() { endJob(); }

}  // namespace vq
