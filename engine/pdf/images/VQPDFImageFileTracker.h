#pragma once
// Keeps the temporary root clean of image files that were decoded but never
// used. An image is decoded when a delegate asks for its file, which it may
// then drop (an image clipped away, a copy made instead); an exporter opens
// a scope around the parsing of a page and claims the files it takes (in its
// image report). When the scope ends, every file decoded inside it on this
// thread and not claimed is deleted.
//
//   VQPDFImageFileScope scope;      // before the parser runs
//   ... didScanXObjectImage(...)  { VQPDFImageFileTracker::claim(image->decodedImagePath()); ... }
//   // scope ends: unpainted images are removed
//
// Scopes nest (an inner scope hands its claimed files to nobody: a claim is
// final). Outside any scope nothing is tracked.
#include <string>
#include <vector>

namespace vq {

class VQPDFImageFileTracker {
 public:
  VQPDFImageFileTracker() = delete;
  // A file just written by the decoder on this thread.
  static void registerFile(const std::string& path);
  // The file is handed on; it stays when the scope ends.
  static void claim(const std::string& path);
  // Files registered in the innermost open scope and not claimed yet.
  static std::vector<std::string> unclaimedFiles();
};

class VQPDFImageFileScope {
 public:
  VQPDFImageFileScope();
  ~VQPDFImageFileScope();
  VQPDFImageFileScope(const VQPDFImageFileScope&) = delete;
  VQPDFImageFileScope& operator=(const VQPDFImageFileScope&) = delete;
};

}  // namespace vq
