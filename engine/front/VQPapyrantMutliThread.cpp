#include "front/VQPapyrantMutliThread.h"

#include "front/VQFrontImpl.h"

namespace vq {

VQ_DEFINE_FRONT_MEMBERS(VQPapyrantMutliThread, VQFrontKind::PageParallel)

}  // namespace vq
