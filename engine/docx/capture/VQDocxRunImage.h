#pragma once
// The run of one picture on a page: an image file on disk, the relationship
// id under which the document holds it, a title, and its placement.
#include <memory>
#include <optional>
#include <string>

#include "docx/capture/VQDocxRunPict.h"
#include "docx/capture/VQDocxRunPictInfo.h"

namespace vq {

class VQDocxRunImage : public VQDocxRunPict {
 public:
  VQDocxRunImage() = default;

  std::shared_ptr<VQDocxRunImage> clone() const { return std::static_pointer_cast<VQDocxRunImage>(cloneObject()); }

  std::shared_ptr<VQDocxImageInfo> pictInfo;
  std::optional<std::string> runImageTitle;
  std::optional<std::string> runImageID;
  std::optional<std::string> imagePath;

  // The picture's frame on the page; the zero rectangle without a record.
  Rect displayRect() const override;

 protected:
  VQDocxRunImage(const VQDocxRunImage&) = default;
  VQDocxRunImage& operator=(const VQDocxRunImage&) = default;
  std::shared_ptr<VQDocxObject> cloneObject() const override;
};

}  // namespace vq
