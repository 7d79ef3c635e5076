#include "front/VQAppMainCLIMutliThread.h"

namespace vq {

// Out of line, so that the front's vtable is the library's own.
const char* VQAppMainCLIMutliThread::title() const { return "VQPapyrantMutliThread v1.0.1"; }

}  // namespace vq
