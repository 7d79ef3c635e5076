#pragma once
// What a host may ask of a PDF file before it converts it: whether it opens
// (and with which password), whether it may be printed, how many pages it
// has, and a picture of a page for a preview. The answers come from the same
// document layer the conversion opens files with, so a file a host accepts
// is one a conversion can open.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "vqpapyrant/VQExport.h"

namespace vq {

enum class VQPDFOpenStatus {
  Opened,
  NotFound,          // no regular file at the path
  Damaged,           // not a PDF, or damaged beyond repair
  PasswordRequired,  // encrypted, and the password given (or none) does not open it
};

struct VQPDFDocumentInfo {
  VQPDFOpenStatus status = VQPDFOpenStatus::NotFound;
  bool allowsPrinting = false;  // with the password given; false when it does not open
  uint64_t pageCount = 0;       // 0 when it does not open
};

// Opens the PDF at `path` with `password` (empty for none) and says what it
// found. Never throws.
VQ_EXPORT VQPDFDocumentInfo VQInspectPDFDocument(const std::string& path, const std::string& password);

// A drawn page: opaque RGB, three bytes a pixel, rows `stride` bytes apart.
struct VQPageImage {
  int width = 0;
  int height = 0;
  size_t stride = 0;
  std::vector<uint8_t> rgb;
};

// Draws page `pageNumber` (1-based) of the PDF at `path`, opened with
// `password`, at `dpi` dots per inch; nothing when the file does not open,
// the page does not exist or the drawing fails.
VQ_EXPORT std::optional<VQPageImage> VQRenderPDFPageImage(const std::string& path, const std::string& password,
                                                          int pageNumber, double dpi);

}  // namespace vq
