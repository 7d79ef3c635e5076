#include "pdf/images/VQPDFImageFileTracker.h"

#include <algorithm>
#include <filesystem>
#include <set>

namespace vq {

namespace {

struct Scope {
  std::set<std::string> files;
};

// Parsing happens on one thread per page, so scopes are per thread.
thread_local std::vector<Scope> tScopes;

}  // namespace

void VQPDFImageFileTracker::registerFile(const std::string& path) {
  if (path.empty() || tScopes.empty()) return;
  tScopes.back().files.insert(path);
}

void VQPDFImageFileTracker::claim(const std::string& path) {
  if (path.empty()) return;
  for (auto& scope : tScopes) scope.files.erase(path);
}

std::vector<std::string> VQPDFImageFileTracker::unclaimedFiles() {
  if (tScopes.empty()) return {};
  return {tScopes.back().files.begin(), tScopes.back().files.end()};
}

VQPDFImageFileScope::VQPDFImageFileScope() { tScopes.emplace_back(); }

VQPDFImageFileScope::~VQPDFImageFileScope() {
  if (tScopes.empty()) return;
  Scope scope = std::move(tScopes.back());
  tScopes.pop_back();
  for (const auto& path : scope.files) {
    std::error_code ec;
    std::filesystem::remove(path, ec);
  }
}

}  // namespace vq
