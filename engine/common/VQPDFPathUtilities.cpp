#include "common/VQPDFPathUtilities.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <vector>

#include "common/VQRandomString.h"
#include "platform/diagnostics/VQDiagnostics.h"

namespace vq {

namespace {

std::mutex gRootLock;
std::string gRoot;  // guarded by gRootLock
// The private folders made for this process alone because the shared name
// was not safe; guarded by gRootLock. No later run reuses them, so they are
// removed, when empty, as the process ends.
std::vector<std::string> gOwnRoots;

bool somethingAt(const std::string& p) {
  struct stat st {};
  return ::lstat(p.c_str(), &st) == 0;
}

bool isDirectory(const std::string& p) {
  struct stat st {};
  return !p.empty() && ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A folder that only this user controls: a real directory (not a symlink),
// ours, and not writable by group or others, so nobody can plant or swap
// files in it.
// `st` receives what the folder is, for a caller that keeps it.
bool isPrivateFolder(const std::string& p, struct stat* found = nullptr) {
  struct stat own {};
  struct stat& st = found ? *found : own;
  if (::lstat(p.c_str(), &st) != 0) return false;
  return S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

std::string trimTrailingSlashes(std::string p) {
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  return p;
}

std::vector<std::string> temporaryBases() {
  std::vector<std::string> bases;
  if (const char* env = std::getenv("TMPDIR"); env && env[0] == '/') bases.push_back(trimTrailingSlashes(env));
  if (bases.empty() || bases.front() != "/tmp") bases.push_back("/tmp");
  return bases;
}

// A run that is killed outright (SIGKILL, the memory killer, a power cut)
// cannot remove its work files; the next run does. Each process that works in
// a root holds a shared lock on the root folder itself for as long as it
// lives, and the kernel lets the lock go with the process: a process that can
// take the lock exclusively knows that no run is alive there, whatever became
// of their process numbers, and nothing is left behind on any exit. Guarded by
// gRootLock.
int gLiveFd = -1;
std::string gLiveRoot;
dev_t gLiveDevice = 0;
ino_t gLiveInode = 0;

void removeOwnRoots() {
  std::lock_guard<std::mutex> guard(gRootLock);
  if (gLiveFd >= 0) ::close(gLiveFd);
  gLiveFd = -1;
  for (const auto& root : gOwnRoots) ::rmdir(root.c_str());
}

void removeAtExit() {
  static std::once_flag registered;
  std::call_once(registered, [] { std::atexit(removeOwnRoots); });
}

// Everything in `root`: with the root locked exclusively, what runs that are
// gone left there. remove_all takes links away, never what they name.
void removeLeftovers(const std::string& root) {
  std::error_code ec;
  std::vector<std::filesystem::path> entries;
  for (std::filesystem::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec))
    entries.push_back(it->path());
  for (const auto& entry : entries) std::filesystem::remove_all(entry, ec);
}

// Marks this process alive in `root`, the private folder `st` tells of (with
// gRootLock held); the first time, when no other run is alive there, clears
// what the dead ones left.
void markAlive(const std::string& root, const struct stat& st) {
  if (gLiveFd >= 0 && gLiveRoot == root && gLiveDevice == st.st_dev && gLiveInode == st.st_ino) return;
  const bool firstUse = gLiveRoot != root;
  const int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return;
  struct stat opened {};
  if (::fstat(fd, &opened) != 0 || opened.st_dev != st.st_dev || opened.st_ino != st.st_ino) {
    ::close(fd);
    return;
  }
  // Made again after a cleaner of temporary files took it, a root holds
  // nothing of the dead, and perhaps something of this process already.
  if (firstUse && ::flock(fd, LOCK_EX | LOCK_NB) == 0) removeLeftovers(root);
  // Turning the exclusive lock into a shared one lets it go for a moment:
  // another run that takes it then finds nothing of this one yet.
  if (::flock(fd, LOCK_SH) != 0) {
    ::close(fd);
    return;
  }
  if (gLiveFd >= 0) ::close(gLiveFd);
  gLiveFd = fd;
  gLiveRoot = root;
  gLiveDevice = opened.st_dev;
  gLiveInode = opened.st_ino;
  removeAtExit();
}

std::string chooseRoot() {
  const std::string name = "vqpapyrant-" + std::to_string(::geteuid());
  const auto bases = temporaryBases();
  const std::string preferred = bases.front() + "/" + name;
  if ((::mkdir(preferred.c_str(), 0700) == 0 || errno == EEXIST) && isPrivateFolder(preferred)) return preferred;
  for (const auto& base : bases) {
    std::string pattern = base + "/" + name + "-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data())) {  // made with mode 0700
      removeAtExit();
      gOwnRoots.emplace_back(buffer.data());
      vq::VQDiagnose(vq::VQDiagnosticCategory::Output,
                     "Temporary folder " + preferred + " is not private; using " + buffer.data());
      return std::string(buffer.data());
    }
  }
  vq::VQDiagnose(vq::VQDiagnosticCategory::Output,
                 "Cannot create a private temporary folder in " + bases.front() + ": " + std::strerror(errno));
  return preferred;
}

// A new file beside `destination` that no one else holds, open for writing, or -1.
int openTemporarySibling(const std::string& destination, std::string& name) {
  for (int attempt = 0; attempt < 16; ++attempt) {
    name = VQPDFPathUtilities::temporarySiblingName(destination);
    // 0666 before the umask, like any file the process creates.
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

bool writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

bool splitExtension(const std::string& path, std::string& stem, std::string& ext) {
  const size_t slash = path.rfind('/');
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const size_t dot = path.rfind('.');
  // A leading dot (hidden file) or a trailing one is no extension.
  if (dot == std::string::npos || dot <= nameStart || dot + 1 == path.size()) {
    stem = path;
    ext.clear();
    return false;
  }
  stem = path.substr(0, dot);
  ext = path.substr(dot + 1);
  return true;
}

}  // namespace

std::string VQPDFPathUtilities::temporaryRoot() {
  std::lock_guard<std::mutex> guard(gRootLock);
  struct stat st {};
  // Removed meanwhile (a cleaner of temporary files): made again.
  const bool kept =
      !gRoot.empty() && (isPrivateFolder(gRoot, &st) ||
                         (!somethingAt(gRoot) && ::mkdir(gRoot.c_str(), 0700) == 0 && isPrivateFolder(gRoot, &st)));
  if (!kept) gRoot = chooseRoot();
  if (kept || isPrivateFolder(gRoot, &st)) markAlive(gRoot, st);
  return gRoot;
}

std::string VQPDFPathUtilities::tempFolder() { return temporaryRoot() + "/Temp-" + VQRandomString::UUIDString(); }

std::string VQPDFPathUtilities::tempIMG(const std::string& name, const std::string& pathExtension) {
  const std::string ext = pathExtension.empty() ? "PNG" : pathExtension;
  if (name.empty()) return temporaryRoot() + "/IMG_" + VQRandomString::UUIDString() + "." + ext;
  return temporaryRoot() + "/IMG_" + name + "_" + VQRandomString::UUIDString() + "." + ext;
}

std::string VQPDFPathUtilities::getUUIDPathBy(const std::string& path) {
  std::string stem, ext;
  if (splitExtension(path, stem, ext)) return stem + "-" + VQRandomString::UUIDString() + "." + ext;
  return path + "-" + VQRandomString::UUIDString();
}

std::string VQPDFPathUtilities::getNewPathby(const std::string& path) {
  if (!somethingAt(path)) return path;
  std::string stem, ext;
  const bool hasExt = splitExtension(path, stem, ext);
  constexpr long kLastTry = 99999999;
  std::string candidate;
  for (long i = 2; i <= kLastTry; ++i) {
    candidate = hasExt ? stem + std::to_string(i) + "." + ext : path + std::to_string(i);
    if (!somethingAt(candidate)) break;
  }
  return candidate;
}

bool VQPDFPathUtilities::createFolderIfNeed(const std::string& path) {
  if (path.empty()) return false;
  if (isDirectory(path)) return true;
  temporaryRoot();  // (re)makes the private root first, should the path lie inside it
  // The outermost folder this call makes: when a deeper one cannot be made
  // (a full disk lets the first be made and not the next, a name is too
  // long), the ones made go again, so a failure leaves nothing behind.
  std::filesystem::path outermost;
  for (std::filesystem::path p = path; !p.empty() && !somethingAt(p.string()); p = p.parent_path()) outermost = p;
  std::error_code ec;
  std::filesystem::create_directories(path, ec);
  if (!ec && isDirectory(path)) return true;
  if (!outermost.empty()) std::filesystem::remove_all(outermost, ec);
  return false;
}

std::optional<std::string> VQPDFPathUtilities::makeTemporarySibling(const std::string& destination) {
  std::string name;
  const int fd = openTemporarySibling(destination, name);
  if (fd < 0) return std::nullopt;
  ::close(fd);
  return name;
}

bool VQPDFPathUtilities::writeFileAtomically(const std::string& path, std::string_view bytes) {
  std::string name;
  const int fd = openTemporarySibling(path, name);
  if (fd < 0) return false;
  bool ok = writeAll(fd, bytes);
  ok = ::close(fd) == 0 && ok;
  ok = ok && ::rename(name.c_str(), path.c_str()) == 0;
  if (!ok) ::unlink(name.c_str());
  return ok;
}

std::string VQPDFPathUtilities::temporarySiblingName(const std::string& destination) {
  const size_t slash = destination.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : destination.substr(0, slash + 1);
  return folder + ".vqpapyrant-" + VQRandomString::UUIDString() + ".tmp";
}

bool VQPDFPathUtilities::replaceWith(const std::string& fresh, const std::string& destination) {
  std::error_code ec;
  if (!somethingAt(destination)) {
    if (::rename(fresh.c_str(), destination.c_str()) == 0) return true;
    std::filesystem::remove_all(fresh, ec);
    return false;
  }
  // Exchanged, the old content is left at the fresh one's name.
  if (::renameat2(AT_FDCWD, fresh.c_str(), AT_FDCWD, destination.c_str(), RENAME_EXCHANGE) == 0) {
    std::filesystem::remove_all(fresh, ec);
    return true;
  }
  // A file system without exchange: the old content steps aside first,
  // under a name of its own (a file or a folder may have to take it).
  const std::string aside = temporarySiblingName(destination);
  if (::rename(destination.c_str(), aside.c_str()) != 0) {
    std::filesystem::remove_all(fresh, ec);
    return false;
  }
  if (::rename(fresh.c_str(), destination.c_str()) != 0) {
    ::rename(aside.c_str(), destination.c_str());
    std::filesystem::remove_all(fresh, ec);
    return false;
  }
  std::filesystem::remove_all(aside, ec);
  return true;
}

std::optional<std::string> VQPDFPathUtilities::unwritableDestination(const std::string& destination, bool intoFolder) {
  namespace fs = std::filesystem;
  auto refused = [](const std::string& folder, int reason) {
    return "The output folder \"" + folder + "\" cannot be written: " + std::strerror(reason);
  };
  struct stat st {};
  const bool present = ::lstat(destination.c_str(), &st) == 0;
  // A document is written into a device or FIFO as it is, whatever its
  // folder allows; files go neither into one nor over it.
  if (present && !S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode))
    return intoFolder ? std::optional(refused(destination, ENOTDIR)) : std::nullopt;
  fs::path folder = fs::path(destination).lexically_normal();
  if (!intoFolder || !isDirectory(destination)) {
    folder = fs::path(trimTrailingSlashes(destination)).parent_path();
    // Page images make the folders missing above them.
    while (intoFolder && !folder.empty() && !somethingAt(folder.string()) && folder.parent_path() != folder)
      folder = folder.parent_path();
    if (folder.empty()) folder = ".";
  }
  if (somethingAt(folder.string()) && !isDirectory(folder.string())) return refused(folder.string(), ENOTDIR);
  // Effective ids: those the files are created with.
  if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0) return refused(folder.string(), errno);
  // A name longer than the folder's file system holds, or a path past the
  // system's limit, would fail only as the output is put in place.
  const std::string name = fs::path(trimTrailingSlashes(destination)).filename().string();
  const long nameMax = ::pathconf(folder.c_str(), _PC_NAME_MAX);
  if (destination.size() >= PATH_MAX || (nameMax > 0 && name.size() > static_cast<size_t>(nameMax)))
    return "The output path \"" + destination + "\" cannot be written: " + std::strerror(ENAMETOOLONG);
  return std::nullopt;
}

}  // namespace vq
