#include "office/ZipArchive.h"

#include <fcntl.h>
#include <minizip/zip.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <vector>

namespace vq {

namespace {

// 1980-01-01 00:00:00, the first date an MS-DOS timestamp can hold.
constexpr uLong kFixedDosDate = ((0u << 9 | 1u << 5 | 1u) << 16) | 0u;
// Host system 3 (Unix) in the high byte; zip format version 2.0 (APPNOTE).
constexpr uLong kVersionMadeBy = (3u << 8) | 20u;
// General-purpose bit 11: entry names are UTF-8.
constexpr uLong kFlagUTF8Names = 0x0800;
constexpr uLong kMaxClassicSize = 0xFFFFFFFFul;
constexpr size_t kBufferSize = 16384;

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

struct ZipArchive::Handle {
  zipFile zip = nullptr;
};

ZipArchive::ZipArchive(std::string path) : path_(std::move(path)) {}

ZipArchive::~ZipArchive() {
  if (zip_ && zip_->zip) zipClose(zip_->zip, nullptr);
}

bool ZipArchive::open() {
  if (zip_) return false;
  zipFile zip = zipOpen64(path_.c_str(), APPEND_STATUS_CREATE);
  if (!zip) return false;
  zip_ = std::make_unique<Handle>();
  zip_->zip = zip;
  return true;
}

bool ZipArchive::addEntry(const std::string& name, bool folder, int compressionLevel, const std::string& dataPath) {
  if (!zip_ || name.empty()) return false;
  std::unique_ptr<std::FILE, FileCloser> file;
  if (!folder) {
    // Non-blocking open: a FIFO or device among the items must fail the
    // entry, not hang the conversion waiting for a writer.
    const int fd = ::open(dataPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      ::close(fd);
      return false;
    }
    file.reset(fdopen(fd, "rb"));
    if (!file) {
      ::close(fd);
      return false;
    }
    // Without zip64 an entry cannot describe 4 GiB or more.
    if (static_cast<unsigned long long>(st.st_size) >= kMaxClassicSize) return false;
  }

  zip_fileinfo info{};
  info.dosDate = kFixedDosDate;
  info.internal_fa = 0;
  // Unix mode in the high half; a folder also sets the MS-DOS directory bit.
  info.external_fa =
      folder ? ((static_cast<uLong>(S_IFDIR | 0755) << 16) | 0x10) : (static_cast<uLong>(S_IFREG | 0644) << 16);

  if (zipOpenNewFileInZip4_64(zip_->zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, folder ? 0 : Z_DEFLATED,
                              folder ? 0 : compressionLevel, 0, -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, nullptr,
                              0, kVersionMadeBy, kFlagUTF8Names, 0) != ZIP_OK) {
    return false;
  }
  bool ok = true;
  if (file) {
    std::vector<char> buffer(kBufferSize);
    for (;;) {
      const size_t n = std::fread(buffer.data(), 1, buffer.size(), file.get());
      if (n > 0 && zipWriteInFileInZip(zip_->zip, buffer.data(), static_cast<unsigned>(n)) != ZIP_OK) {
        ok = false;
        break;
      }
      if (n < buffer.size()) {
        if (std::ferror(file.get())) ok = false;
        break;
      }
    }
  }
  if (zipCloseFileInZip(zip_->zip) != ZIP_OK) ok = false;
  return ok;
}

bool ZipArchive::writeFileAtPath(const std::string& filePath, const std::optional<std::string>& entryName,
                                 int compressionLevel, const std::optional<std::string>& password, bool aes,
                                 bool zip64) {
  if ((password && !password->empty()) || aes || zip64) return false;
  const std::string name = entryName ? *entryName : std::filesystem::path(filePath).filename().string();
  return addEntry(name, false, compressionLevel, filePath);
}

bool ZipArchive::writeFolderAtPath(const std::string& folderPath, const std::string& folderName,
                                   const std::optional<std::string>& password) {
  if (password && !password->empty()) return false;
  std::error_code ec;
  if (!std::filesystem::is_directory(folderPath, ec)) return false;
  return addEntry(folderName + "/", true, 0, folderPath);
}

bool ZipArchive::close() {
  if (!zip_) return false;
  const int rc = zipClose(zip_->zip, nullptr);
  zip_.reset();
  return rc == ZIP_OK;
}

}  // namespace vq
