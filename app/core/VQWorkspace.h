#pragma once
// Opening a file in its default application and showing it in the file
// manager. The desktop's services sit behind this so that tests can watch
// what would be opened instead of opening it.
#include <QString>
#include <memory>

namespace vq::app {

class VQWorkspace {
 public:
  virtual ~VQWorkspace() = default;
  virtual bool openFile(const QString& path) = 0;
  // Shows the file's folder; false when nothing could be shown.
  virtual bool revealFile(const QString& path) = 0;

  // The workspace the application uses; none until one is installed.
  static VQWorkspace* shared();
  // Installs `workspace` (not owned) and returns the previous one.
  static VQWorkspace* setShared(VQWorkspace* workspace);
};

}  // namespace vq::app
