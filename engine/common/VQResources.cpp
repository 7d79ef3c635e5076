#include "common/VQResources.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "platform/diagnostics/VQDiagnostics.h"

namespace vq {

namespace {

bool isDirectory(const std::string& p) {
  struct stat st {};
  return !p.empty() && ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isRegularFile(const std::string& p) {
  struct stat st {};
  return !p.empty() && ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string join(const std::string& a, const std::string& b) {
  if (a.empty()) return b;
  return a.back() == '/' ? a + b : a + "/" + b;
}

// A relative path that stays inside the folder it is joined to.
bool isSafeRelativePath(const std::string& p) {
  if (p.empty() || p.front() == '/') return false;
  size_t start = 0;
  while (start <= p.size()) {
    size_t end = p.find('/', start);
    if (end == std::string::npos) end = p.size();
    const std::string part = p.substr(start, end - start);
    if (part == "." || part == "..") return false;
    if (part.empty() && end != p.size()) return false;  // "a//b"
    start = end + 1;
  }
  return p.find('\0') == std::string::npos;
}

// The resource roots that exist, in search order, each once.
std::vector<std::string> resourceRoots() {
  std::vector<std::string> roots;
  auto add = [&](const std::string& r) {
    if (isDirectory(r)) {
      for (const auto& have : roots) {
        if (have == r) return;
      }
      roots.push_back(r);
    }
  };
  // An installed tree carries its own resources beside its programs, wherever
  // it was moved to: they come before any other.
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error && program.has_parent_path())
    add((program.parent_path().parent_path() / "share" / "vqpapyrant").lexically_normal().string());
#ifdef VQ_INSTALL_RESOURCES_DIR
  add(VQ_INSTALL_RESOURCES_DIR);
#endif
  if (const char* env = std::getenv("VQPAPYRANT_RESOURCES"); env && *env) {
    std::string list = env;
    size_t start = 0;
    while (start <= list.size()) {
      size_t end = list.find(':', start);
      if (end == std::string::npos) end = list.size();
      add(list.substr(start, end - start));
      start = end + 1;
    }
  }
#ifdef VQ_SOURCE_RESOURCES_DIR
  add(VQ_SOURCE_RESOURCES_DIR);
#endif
  return roots;
}

}  // namespace

std::optional<std::string> VQResourcePath(const std::string& bundle, const std::string& relativePath) {
  if (!isSafeRelativePath(relativePath) || !isSafeRelativePath(bundle) || bundle.find('/') != std::string::npos)
    return std::nullopt;
  // Every root's copy of the bundle is asked in turn, so a file missing from
  // an installed bundle can still come from a later root.
  bool anyBundle = false;
  for (const auto& root : resourceRoots()) {
    for (const auto& folder : {bundle, bundle + ".bundle"}) {
      const std::string dir = join(root, folder);
      if (!isDirectory(dir)) continue;
      anyBundle = true;
      const std::string p = join(dir, relativePath);
      if (isRegularFile(p)) return p;
    }
  }
  // A missing file may be normal (a CMap the bundle does not carry); a
  // missing bundle means a broken installation.
  if (!anyBundle) VQDiagnose(VQDiagnosticCategory::Resources, "Error: can't load lib Bundle: " + bundle);
  return std::nullopt;
}

}  // namespace vq
