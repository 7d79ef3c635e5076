#pragma once
// Holder of one path with room for a scratch path and the path's sub-paths.
#include <memory>
#include <optional>
#include <vector>

#include "platform/graphics/VQPath.h"

namespace vq {

class VQCGPath {
 public:
  // A copy of `path`, or an empty path when there is none.
  explicit VQCGPath(const Path* path = nullptr) : CGPath(path ? *path : Path()) {}
  explicit VQCGPath(const Path& path) : CGPath(path) {}

  Path CGPath;
  std::optional<Path> tempCGPath;
  std::vector<std::shared_ptr<VQCGPath>> subCGPaths;
};

}  // namespace vq
