#pragma once
// Base of the package documents (DOCX, XLSX, PPTX), which build their parts
// as a folder tree and zip it into the destination file.
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vq {

class VQOutputWriter {
 public:
  VQOutputWriter() = default;
  virtual ~VQOutputWriter() = default;

  // Zips the listed files and folders. A folder's items enter under the
  // folder's name joined with their relative path, in sorted order; an empty
  // folder becomes a folder entry. The archive is written under a temporary
  // name beside the destination and renamed only when every entry and the
  // close succeeded: on failure nothing is left at (or replaced at) the path.
  static bool CreateZipFileAtPath(const std::string& path, const std::vector<std::string>& paths);

  // Why the calling thread's last CreateZipFileAtPath failed (the system's
  // reason where a system call failed); empty after a success.
  static const std::string& LastFailure() { return LastFailureSlot(); }

  // `progressHandler` gets (entries written, entries in all).
  static bool CreateZipFileAtPath(const std::string& path, const std::vector<std::string>& paths,
                                  bool keepParentDirectory, int compressionLevel,
                                  const std::optional<std::string>& password, bool AES,
                                  const std::function<void(size_t, size_t)>& progressHandler);

 private:
  static std::string& LastFailureSlot();
};

}  // namespace vq
