#pragma once
// Writes one zip archive: file entries (deflated) and empty-folder entries.
// Entries carry UTF-8 names (general-purpose flag 0x0800), are made by a
// Unix host, never use zip64 and have a fixed date, so that the same input
// always gives the same archive.
#include <memory>
#include <optional>
#include <string>

namespace vq {

class ZipArchive {
 public:
  explicit ZipArchive(std::string path);  // nothing is opened yet
  ~ZipArchive();
  ZipArchive(const ZipArchive&) = delete;
  ZipArchive& operator=(const ZipArchive&) = delete;

  static std::unique_ptr<ZipArchive> initWithPath(std::string path) {
    return std::make_unique<ZipArchive>(std::move(path));
  }

  const std::string& path() const { return path_; }

  // Creates the archive (replacing a file at the path).
  bool open();
  // Adds the file under `entryName` (its last path component when absent).
  // False when the file cannot be read whole, is too large for an archive
  // without zip64, or the archive refuses the entry or its data. Encryption
  // is not supported: a password or AES makes the entry fail.
  bool writeFileAtPath(const std::string& filePath, const std::optional<std::string>& entryName, int compressionLevel,
                       const std::optional<std::string>& password = std::nullopt, bool aes = false, bool zip64 = false);
  // Adds "folderName/" with no data.
  bool writeFolderAtPath(const std::string& folderPath, const std::string& folderName,
                         const std::optional<std::string>& password = std::nullopt);
  // Writes the central directory and closes; false when that fails or the
  // archive was not open.
  bool close();

 private:
  struct Handle;
  bool addEntry(const std::string& name, bool folder, int compressionLevel, const std::string& dataPath);

  std::string path_;
  std::unique_ptr<Handle> zip_;
};

}  // namespace vq
