#include "core/VQWorkspace.h"

namespace vq::app {

namespace {
VQWorkspace* installed = nullptr;
}

VQWorkspace* VQWorkspace::shared() { return installed; }

VQWorkspace* VQWorkspace::setShared(VQWorkspace* workspace) {
  VQWorkspace* previous = installed;
  installed = workspace;
  return previous;
}

}  // namespace vq::app
