#pragma once
#include "core/VQWorkspace.h"

namespace vq::app {

// Opens files through the desktop's default applications (xdg-open).
class VQDesktopWorkspace : public VQWorkspace {
 public:
  bool openFile(const QString& path) override;
  bool revealFile(const QString& path) override;
};

}  // namespace vq::app
