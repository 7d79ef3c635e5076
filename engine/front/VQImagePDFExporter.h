#pragma once
// Writes every converted page as one image file in the folder destDocPath.
#include <string>
#include <vector>

#include "exporter/VQPDFExporter.h"

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
  // A regular file at destDocPath is replaced by the folder of images only
  // here, once the pages are written.
  void convertPDFEnd(const std::shared_ptr<const pdf::Document>& document) override;
  // Removes the images this conversion wrote (and the folder it made).
  void convertPDFClean() override;
  // True when at least one page image was written.
  bool isOutputWritten(const std::string& destPath) const override;

 private:
  // Where the images go: destDocPath, or a folder beside it while a file
  // there waits to be replaced.
  std::string imageFolder_;
  bool folderMade_ = false;
  std::vector<std::string> written_;
  bool saved_ = false;
  // The last page's bitmap, whose room the next page is drawn in.
  Bitmap pageBitmap_;
  // The drawing key of the page last drawn (written_.back()); empty when
  // that page had none.
  std::string lastDrawingKey_;

  // The file name of the page at pageIndex, its folder made.
  std::string nextPagePath();
  // Writes the last page's file again for a page of the same drawing key;
  // false when the page is to be drawn.
  bool repeatLastPage(const std::string& drawingKey);
};

// The exporter for an image key (any case); nullptr for any other key.
std::shared_ptr<VQPDFExporter> VQImageNewExporter(const std::string& destDocType, const std::string& destDocPath,
                                                  const VQPDFOptions& moreOptions);

}  // namespace vq
