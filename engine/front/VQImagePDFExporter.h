#pragma once
// Writes every converted page as one image file in the folder destDocPath.
#include <string>

#include "front/exporter/VQPDFExporter.h"

namespace vq {

class VQImagePDFExporter : public VQPDFExporter {
 public:
  // "jpg", "jpeg", "png", "bmp", "gif", "tiff", "tga" or "jp2", in any case.
  static bool IsImageTypeSupport(const std::string& type);
  // The file name of the page at 0-based output place `pageIndex`:
  // "<imageName>_<pageIndex + 1, at least 5 digits>.<lower-case type>", with the
  // characters / \ ? % * | " < > removed.
  static std::string ImageFileName(const std::string& imageName, uint64_t pageIndex, const std::string& type);

  void convertPDFBegin(const std::string& destPath, const std::shared_ptr<const pdf::Document>& document) override;
  // Renders the page and writes its file under a name no existing file has;
  // false when the page is absent or the image could not be rendered or written.
  bool convertPDFPage(const std::optional<pdf::Page>& page, int64_t toPageIndex, int64_t toTotalPages) override;
};

// The exporter for an image key (any case); nullptr for any other key.
std::shared_ptr<VQPDFExporter> VQImageNewExporter(const std::string& destDocType, const std::string& destDocPath,
                                                  const VQPDFOptions& moreOptions);

}  // namespace vq
