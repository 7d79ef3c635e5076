#pragma once
// The PPTX package of one conversion: the work folder in which its parts are
// built, what the slides share (media collection, slide size, page counter)
// and, at the end, every part besides the slides, zipped into the
// destination. Pages may run on several threads: the media collection and
// the size and counter are guarded by the document's lock.
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "office/VQOutputWriter.h"
#include "platform/graphics/VQGeometry.h"

namespace vq {

class VQPPTXPage;

class VQPPTXDocument : public VQOutputWriter {
 public:
  // Makes the work folder; throws std::runtime_error when it cannot.
  VQPPTXDocument(const std::string& path, uint64_t toTotalPages);
  // Removes the work folder and the media files not yet packaged.
  ~VQPPTXDocument() override;
  VQPPTXDocument(const VQPPTXDocument&) = delete;
  VQPPTXDocument& operator=(const VQPPTXDocument&) = delete;

  void writeDocumentBegin();
  void updateDocumentPageSize(const Size& size);
  Size slideSize() const;
  int64_t writePagesCount() const;
  // The slide's relationship id for the image file (collected once per slide).
  std::string collectImageWithPath(const std::string& imagePath, VQPPTXPage& page);
  // Writes every remaining part and zips the package to the destination.
  // Throws std::runtime_error on any failure; then nothing is left at the
  // destination. The work folder is gone afterwards either way.
  void packetZipFileIfNeed();
  // Drops the work folder and collected media (after a cancellation).
  void convertPDFClean();

  const std::string& savedWorkFolder() const { return savedWorkFolder_; }
  uint64_t totalNumOfPages() const { return totalNumOfPages_; }

  // The W3CDTF text of the given moment in UTC.
  static std::string formatedDate(int64_t unixSeconds);

 private:
  struct Media {
    std::string sourcePath, destPath;
  };
  struct Rel {
    std::string type, target;
  };
  void removeWorkFiles();
  void writeRels();
  void writeContentTypes();
  void writeDocPropsApp();
  void writeDocPropsCore();
  void copyResource(const std::string& name, const std::string& dest);
  void writePPTRels();
  void writePPTMedia();
  void writePresentation();
  void writePresProps();
  void writeSlideLayouts();
  void writeSlideMasters();
  void writeTableStyles();
  void writeViewProps();
  void writeMissingSlides();

  std::string savedFilePath_, savedWorkFolder_, workRoot_;
  Size slideSize_{0, 0};
  int64_t writePagesCount_ = 0;
  uint64_t totalNumOfPages_ = 0;
  std::vector<Rel> pptRelationships_;
  std::vector<Media> pptxMediaCollection_;
  std::vector<std::string> slideIdsList_;
  mutable std::mutex mutex_;
};

}  // namespace vq
