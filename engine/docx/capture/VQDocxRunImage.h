#pragma once
// The run of one picture on a page: an image file on disk (a decoded PDF
// image, or a PNG rendered from shadings, patterns, clipped or soft-masked
// pictures, merged pictures or shapes), the relationship id under which the
// document holds it, a title, and its placement. Written as a floating VML
// picture.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "docx/capture/VQDocxRunPict.h"
#include "docx/capture/VQDocxRunPictInfo.h"
#include "platform/graphics/VQGeometry.h"
#include "platform/imageio/VQBitmap.h"

namespace vq {

class DrawingContext;

class VQDocxRunImage : public VQDocxRunPict {
 public:
  using Array = std::vector<std::shared_ptr<VQDocxRunImage>>;

  VQDocxRunImage() = default;

  // A full copy: the copy has its own placement record.
  std::shared_ptr<VQDocxRunImage> clone() const { return std::static_pointer_cast<VQDocxRunImage>(cloneObject()); }

  std::shared_ptr<VQDocxImageInfo> pictInfo;
  std::optional<std::string> runImageTitle;  // "Untitled" is written without one
  std::optional<std::string> runImageID;     // given by the document for imagePath
  std::optional<std::string> imagePath;

  // The area the picture covers on the page: its frame, turned about its
  // centre by the record's rotation (a mirror keeps the box); the zero
  // rectangle without a record.
  Rect displayRect() const override;

  // True when a run of `images` (this one counts) shows the same file.
  bool isImagePathUsedInOtherImages(const Array& images) const;
  // The first member of `group` that overlaps this picture (IsIntersect),
  // provided some member that is no shading is this picture's neighbour in
  // paint order; shadings are never answered. nullptr otherwise.
  std::shared_ptr<VQDocxRunImage> isIntersectWithOtherImages(const Array& group) const;
  // Whether two pictures' frames overlap enough to be one picture: an overlap
  // of more than half of either frame or of their union; for pictures under
  // 64 points in some direction, also touching or lying within 20 points.
  static bool IsIntersect(const VQDocxRunImage& image1, const VQDocxRunImage& image2);
  // The picture with the largest box, the first of equals; nullptr for none.
  static std::shared_ptr<VQDocxRunImage> FindBigRectRunImage(const Array& images);

  // Draws the picture into a bitmap context whose user space is the page in
  // points with the origin at the bottom left (y up). The transform and the
  // flag are for path runs, which share the call; pictures ignore them.
  // False when there is no context or the file cannot be read.
  bool drawInContext(DrawingContext* context, const AffineTransform& pageTransform, bool needClip) const;
  // The same with the picture's file already read (null: it could not be).
  bool drawInContext(DrawingContext* context, const Bitmap* image) const;

  // One new picture showing all of `images` (later ones over earlier ones)
  // in a PNG file at `imageDPI` (72..600), cut to the area they cover; its
  // record is a copy of the first picture's with the new frame. The first
  // picture's scan index and z-index move up by one to make room for it; the
  // new run's runImageID is left for the caller, who collects the file.
  // nullptr for fewer than two pictures or when nothing could be made.
  static std::shared_ptr<VQDocxRunImage> MergeRunImageArray(const Array& images, Size contextSize, double imageDPI);
  // The pictures drawn over a page of `contextSize` points scaled by
  // `scaleTransform`, cut to the area they cover; *clipRect receives that
  // area in page display space. Nothing when no bitmap could be made.
  static std::optional<Bitmap> MergeRunImage(const Array& images, Size contextSize,
                                             const AffineTransform& scaleTransform, Rect* clipRect);
  // `image` shown through `mask`'s picture as a soft mask (grey levels as
  // coverage), both placed by their frames; a new PNG file of the picture's
  // pixel size, or nothing when a file cannot be read, a frame has no area
  // or the file cannot be written.
  static std::optional<std::string> RunImage(const VQDocxRunImage& image, const VQDocxRunImage& mask);

  // A floating VML picture in a run; nothing for a run without a
  // relationship id or record, which could only point at no image.
  void writeWithXMLWriter(XMLFileWriter& writer) override;
  // "<Class: 0x...:[runImageTitle:..][pdfScanIndex:N][pictZIndex:N][size:WxH][isShading:B]>"
  std::string description() const override;

  // `text` with every character outside A-Z, a-z, 0-9, '_' and '-' made
  // '_': PDF names go into file names, part names and relationship ids.
  static std::string SafeFileName(std::string_view text);
  // A record for a picture rendered into `bitmap` that stands by `frame`
  // alone: upright, unmirrored, its resolution in dots per inch measured
  // from the two. `frame` must have an area.
  static void PlaceRenderedBitmap(VQDocxImageInfo& info, const Rect& frame, const Bitmap& bitmap);
  static void PlaceRenderedBitmap(VQDocxImageInfo& info, const Rect& frame, int pixelWidth, int pixelHeight);
  // The image resolution of rendered pictures: `imageDPI` within 72..600.
  static double ClampImageDPI(double imageDPI);

 protected:
  VQDocxRunImage(const VQDocxRunImage&) = default;
  VQDocxRunImage& operator=(const VQDocxRunImage&) = default;
  std::shared_ptr<VQDocxObject> cloneObject() const override;
};

}  // namespace vq
