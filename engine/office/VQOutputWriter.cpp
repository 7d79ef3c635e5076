#include "office/VQOutputWriter.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "common/VQPDFPathUtilities.h"
#include "office/ZipArchive.h"
#include "platform/diagnostics/VQDiagnostics.h"

namespace vq {

namespace fs = std::filesystem;

namespace {

struct Entry {
  std::string fullPath;
  std::string name;
  bool folder = false;
};

bool samePath(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  return fs::weakly_canonical(a, ec) == fs::weakly_canonical(b, ec);
}

// Lists a folder's items sorted by relative path: the order does not depend
// on the file system, and a folder comes before its contents.
bool listFolder(const fs::path& folder, bool keepParentDirectory, const std::vector<fs::path>& skip,
                std::vector<Entry>& entries) {
  std::error_code ec;
  std::vector<fs::path> relatives;
  for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    relatives.push_back(it->path().lexically_relative(folder));
  }
  if (ec) return false;
  std::sort(relatives.begin(), relatives.end(),
            [](const fs::path& a, const fs::path& b) { return a.generic_string() < b.generic_string(); });
  if (relatives.empty() && keepParentDirectory) relatives.emplace_back();

  const std::string parentName =
      folder.filename().empty() ? folder.parent_path().filename().string() : folder.filename().string();
  for (const auto& rel : relatives) {
    const fs::path full = rel.empty() ? folder : folder / rel;
    if (std::any_of(skip.begin(), skip.end(), [&](const fs::path& s) { return samePath(full, s); })) continue;
    std::string name = rel.generic_string();
    if (keepParentDirectory) name = name.empty() ? parentName : parentName + "/" + name;
    if (fs::is_directory(full, ec)) {
      // A folder with items needs no entry: their names carry it.
      if (fs::is_empty(full, ec) && !ec) entries.push_back({full.string(), name, true});
    } else {
      entries.push_back({full.string(), name, false});
    }
  }
  return true;
}

}  // namespace

bool VQOutputWriter::CreateZipFileAtPath(const std::string& path, const std::vector<std::string>& paths) {
  return CreateZipFileAtPath(path, paths, true, Z_DEFAULT_COMPRESSION, std::nullopt, false, nullptr);
}

bool VQOutputWriter::CreateZipFileAtPath(const std::string& path, const std::vector<std::string>& paths,
                                         bool keepParentDirectory, int compressionLevel,
                                         const std::optional<std::string>& password, bool AES,
                                         const std::function<void(size_t, size_t)>& progressHandler) {
  if (path.empty()) return false;
  {
    // The archive is renamed over the destination at the end: a device, FIFO
    // or folder there is refused instead of being replaced.
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(path, ec);
    if (!ec && fs::exists(status) && !fs::is_regular_file(status) && !fs::is_symlink(status)) {
      VQDiagnose(VQDiagnosticCategory::Output, "The destination is not a regular file: " + path);
      LastFailureSlot() = "not a regular file";
      return false;
    }
  }
  LastFailureSlot().clear();
  const std::optional<std::string> temporary = VQPDFPathUtilities::makeTemporarySibling(path);
  if (!temporary) {
    LastFailureSlot() = std::strerror(errno);
    return false;
  }
  // Says why, from the error of the step that failed (errno when it is a
  // system call's), then removes the partial archive.
  auto fail = [&](std::string reason = std::strerror(errno)) {
    if (LastFailureSlot().empty()) LastFailureSlot() = std::move(reason);
    std::error_code ec;
    fs::remove(*temporary, ec);
    return false;
  };

  // An archive written into a listed folder must not enter itself.
  const std::vector<fs::path> skip = {fs::path(path), fs::path(*temporary)};
  std::vector<Entry> entries;
  for (const auto& listed : paths) {
    std::error_code ec;
    const fs::path p(listed);
    if (fs::is_directory(p, ec)) {
      if (!listFolder(p, keepParentDirectory, skip, entries)) return fail("a part of the package cannot be read");
    } else if (fs::exists(p, ec)) {
      entries.push_back({listed, p.filename().string(), false});
    } else {
      return fail("a part of the package is missing");
    }
  }

  ZipArchive archive(*temporary);
  if (!archive.open()) return fail();
  size_t done = 0;
  for (const auto& e : entries) {
    const bool ok = e.folder ? archive.writeFolderAtPath(e.fullPath, e.name, password)
                             : archive.writeFileAtPath(e.fullPath, e.name, compressionLevel, password, AES, false);
    if (!ok) {
      archive.close();
      return fail();
    }
    if (progressHandler) progressHandler(++done, entries.size());
  }
  if (!archive.close()) return fail();

  std::error_code ec;
  fs::rename(*temporary, path, ec);
  if (ec) return fail(ec.message());
  return true;
}

std::string& VQOutputWriter::LastFailureSlot() {
  thread_local std::string reason;
  return reason;
}

}  // namespace vq
