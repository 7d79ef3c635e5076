#include "front/VQAppMainCLI.h"

namespace vq {

// Out of line, so that the front's vtable is the library's own.
const char* VQAppMainCLI::title() const { return "VQPapyrant v1.0.1"; }

}  // namespace vq
