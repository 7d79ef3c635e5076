#pragma once
// The pictures one page's parse rasterises for an exporter that places
// pictures (shadings, pattern-filled paths), kept by what they show so
// that a page's work is bounded by what it draws, not by how often a small
// content stream repeats it:
//   - a shading drawn again under the same transform and clip is the same
//     picture: it is rasterised and saved once, and placed again only when
//     something was placed since (painted over itself it changes nothing);
//   - a page places at most kMostPlacements such pictures; whatever it
//     draws after that is drawn into one page-sized picture while the
//     content is read, which the exporter places last (endPage);
//   - an image drawn through a clip is read from its decoded file once per
//     page, and drawn again under the same transform and clip it is cut and
//     saved once: every use places the same cut picture, within the same
//     placements.
//
//   VQPDFRasterPictures pictures;
//   pictures.beginPage(pageSize, scale, save);
//   if (const auto* p = pictures.shading(..., placedSoFar)) place(*p);
//   if (auto rest = pictures.endPage()) place(*rest);
//
// Keys are built from the content (object numbers, or the values of a
// direct dictionary, and the numbers of the transform and the clip paths),
// never from where anything lies in memory.
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

#include "pdf/raster/VQPDFExporterRaster.h"
#include "platform/graphics/VQGeometry.h"
#include "platform/imageio/VQBitmap.h"

namespace vq {

class DrawingContext;

class VQPDFRasterPictures {
 public:
  // Pictures a page places before the rest of its drawing goes into one.
  static constexpr size_t kMostPlacements = 500;

  struct Picture {
    std::string path;  // the saved file
    Rect clipRect;     // where it lies, output units
    int pixelWidth = 0, pixelHeight = 0;
  };
  // Saves a rasterised picture the exporter's way, `kind` naming what it
  // shows ("Shading", "Pattern", "Drawing"); its path, or nothing.
  using Save = std::function<std::optional<std::string>(const Bitmap&, const std::string& kind)>;
  // Rasterises a drawing: the bitmap and the box it covers (output units),
  // or nothing when nothing shows.
  using Draw = std::function<std::optional<Bitmap>(Rect* clipRect)>;

  VQPDFRasterPictures();
  ~VQPDFRasterPictures();
  VQPDFRasterPictures(const VQPDFRasterPictures&) = delete;
  VQPDFRasterPictures& operator=(const VQPDFRasterPictures&) = delete;

  // Forgets the last page. `size` is the output page, `scaleTransform` the
  // resolution the exporter rasterises at.
  void beginPage(Size size, const AffineTransform& scaleTransform, Save save);

  // The picture to place for `shading` drawn as DrawShadingInContextSize
  // draws it, or null when there is nothing to place: nothing shows, it
  // repeats the last placement with nothing placed since, or the page is
  // past its placements. `placedSoFar` counts what the exporter has placed
  // on the page, pictures and everything else.
  const Picture* shading(const AffineTransform& transform, const AffineTransform& pageTransform,
                         const VQPDFClipStack& clipBezierPaths, const std::shared_ptr<VQPDFShading>& shading,
                         long long placedSoFar);
  // Any other drawing, rasterised by `draw`: it is never the same as
  // another, but is bounded with them.
  const Picture* drawing(const Draw& draw, const std::string& kind, long long placedSoFar);

  // An image drawn through a clip, as ClipImageInContextSize draws it.
  struct ClippedImage {
    enum class Show {
      Whole,   // the clip holds all of it (or its cut could not be saved): place it as it is
      Hidden,  // nothing to place: the clip leaves nothing, or it went into the page's one picture
      Cut,     // place `picture` instead of the image
    };
    Show show = Show::Whole;
    bool unreadable = false;  // the decoded file could not be read (placed as it is)
    Picture picture;
  };
  // Saves the cut of an image covering `clipRect` (output units) the
  // exporter's way; its path, or nothing to place the image as it is.
  using SaveCut = std::function<std::optional<std::string>(const Bitmap&, const Rect& clipRect)>;

  // The image decoded to `path` drawn through `clipBezierPaths`, with the
  // arguments of ClipImageInContextSize; the answer is remembered by the
  // file, the transforms, the box and the clip for the rest of the page.
  // `name` is what the page calls the image (cuts are saved under it).
  ClippedImage clippedImage(const std::string& path, const std::string& name, const AffineTransform& scaleTransform,
                            const AffineTransform& pageTransform, const AffineTransform& imageTransform,
                            const Rect& imageRect, const VQPDFClipStack& clipBezierPaths, const SaveCut& save);
  // The image decoded to `path`, read once per page while within the
  // memory budget (the last one read is always kept); null when unreadable.
  std::shared_ptr<const Bitmap> image(const std::string& path);

  // The picture of everything drawn past the page's placements, saved, or
  // nothing; the page's pictures are forgotten.
  std::optional<Picture> endPage();

  // Bitmaps rasterised since beginPage, for the tests' bounds.
  size_t rasterisations() const { return rasterisations_; }
  // Images read from their decoded files since beginPage.
  size_t imageReads() const { return imageReads_; }
  // Pictures handed out to be placed since beginPage.
  size_t placements() const { return placements_; }

  // The content key of a shading drawn so (exposed for tests).
  static std::string ShadingKey(const VQPDFShading& shading, const AffineTransform& transform,
                                const AffineTransform& pageTransform, const VQPDFClipStack& clipBezierPaths);

 private:
  struct Entry {
    std::optional<Picture> picture;        // nothing: the drawing shows nothing
    std::shared_ptr<const Bitmap> bitmap;  // kept while within the budget
  };
  const Picture* place(const std::string& key, const Draw& draw, const std::string& kind, long long placedSoFar);
  void drawIntoRest(const Entry* known, const std::string& key, const Draw& draw);
  // Draws `bitmap`, covering `box` (output units) at any resolution, into
  // the page's one picture.
  void drawBitmapIntoRest(const Bitmap& bitmap, const Rect& box, bool atPageScale);
  struct ImageCut {
    ClippedImage answer;
    std::shared_ptr<const Bitmap> bitmap;  // the cut, kept while within the budget
  };

  Size size_{};
  AffineTransform scale_;
  Save save_;
  std::unordered_map<std::string, Entry> entries_;
  size_t keptBytes_ = 0;
  std::unordered_map<std::string, ImageCut> cuts_;
  std::unordered_map<std::string, std::shared_ptr<const Bitmap>> images_;
  std::string lastImagePath_;
  std::shared_ptr<const Bitmap> lastImage_;
  size_t imageReads_ = 0;
  size_t rasterisations_ = 0;
  size_t placements_ = 0;
  Picture loose_;
  std::string lastKey_;
  long long lastMark_ = -1;
  std::string lastRestKey_;
  std::unique_ptr<DrawingContext> rest_;
  Rect restBox_ = RectNull;
};

}  // namespace vq
