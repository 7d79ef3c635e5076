#pragma once
// Rasterising of clipped content for the page exporters that place pictures:
// a clipped image, a shading or a pattern-filled path becomes a bitmap cut to
// its visible box; and two questions about the clip stack: which rectangle
// it leaves visible, and whether a path shows through it at all.
//
// Spaces:
//   - page space: PDF user space of the page, where the render state keeps
//     its clip records (VQPDFClipPath: a path and its rule);
//   - output space: the exporter's page, top-left origin, in output units;
//     `pageTransform` maps page space into it;
//   - bitmap pixels: `scaleTransform` maps output space into them.
// Every clip test is made in output space, so answers hold on rotated pages,
// scaled pages and crop boxes that do not start at the origin.
//
// Every operation makes its own bitmap; they share nothing and may run on
// several threads at once, but for the drawing of large bitmaps, which takes
// turns between threads so that their memory is needed once at a time.
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/graphics/VQColor.h"
#include "platform/graphics/VQGeometry.h"
#include "platform/graphics/VQPath.h"
#include "platform/imageio/VQBitmap.h"

namespace vq {

struct VQPDFClipPath;
class VQPDFRenderState;
class VQPDFShading;
class VQPDFPattern;
class VQPDFDrawableShading;
class VQPDFDrawablePattern;
class DrawingContext;

using VQPDFClipStack = std::vector<std::shared_ptr<VQPDFClipPath>>;

class VQPDFExporterRaster {
 public:
  VQPDFExporterRaster() = delete;

  // Pixels per point to draw again through its clip a picture of
  // `pixelWidth` x `pixelHeight` shown `displayWidth` x `displayHeight`
  // points large on a page of size `page`: the picture keeps its own
  // resolution, at least `minScale` (2 is 144 dpi) and at most 300 dpi, and
  // the page-sized bitmap the clip is drawn into stays within a memory budget.
  static double ClippedPictureScale(int pixelWidth, int pixelHeight, double displayWidth, double displayHeight,
                                    const Size& page, double minScale = 2);

  // The clipped image, cut to the visible box, or nothing. `size` is the
  // output area (each side rounded up); `imageTransform` maps the image's
  // unit square into output space and `imageRect` is the image's box there.
  // When the clip leaves the whole image visible nothing is drawn,
  // *noClippingNeeded is set and the caller uses the image as it is.
  // Otherwise the image is cut to its visible part: the clip box (origin
  // rounded, size rounded up) within `imageRect`, which *clipRect receives.
  // Nothing with *noClippingNeeded false means nothing of the image shows
  // (or no bitmap could be made).
  static std::optional<Bitmap> ClipImageInContextSize(Size size, const Bitmap& image,
                                                      const AffineTransform& scaleTransform,
                                                      const AffineTransform& pageTransform,
                                                      const AffineTransform& imageTransform, const Rect& imageRect,
                                                      const VQPDFClipStack& clipBezierPaths, Rect* clipRect,
                                                      bool* noClippingNeeded = nullptr);
  // The same, with the image read only once the clip proves to cut it:
  // `loadImage` answers the image, or nullptr when it cannot be read (then
  // nothing is answered, with *noClippingNeeded false).
  static std::optional<Bitmap> ClipImageInContextSize(Size size, const std::function<const Bitmap*()>& loadImage,
                                                      const AffineTransform& scaleTransform,
                                                      const AffineTransform& pageTransform,
                                                      const AffineTransform& imageTransform, const Rect& imageRect,
                                                      const VQPDFClipStack& clipBezierPaths, Rect* clipRect,
                                                      bool* noClippingNeeded = nullptr);

  // The shading painted over the visible area, cut to it. `transform` maps
  // the shading's space into output space. *clipRect: the visible box in
  // output units.
  static std::optional<Bitmap> DrawShadingInContextSize(Size size, const AffineTransform& transform,
                                                        const AffineTransform& scaleTransform,
                                                        const AffineTransform& pageTransform,
                                                        const VQPDFClipStack& clipBezierPaths, Rect* clipRect,
                                                        VQPDFDrawableShading& shading);
  static std::optional<Bitmap> DrawShadingInContextSize(Size size, const AffineTransform& transform,
                                                        const AffineTransform& scaleTransform,
                                                        const AffineTransform& pageTransform,
                                                        const VQPDFClipStack& clipBezierPaths, Rect* clipRect,
                                                        const std::shared_ptr<VQPDFShading>& shading);

  // The path (page space) filled and/or stroked with its patterns, inside the
  // clip stack, cut to the painted box. `transform` maps the patterns' base
  // space (where a pattern's Matrix leads) into output space. Uncoloured
  // tiling patterns paint in `fillColor` / `strokeColor` (see
  // VQPDFPatternStencilColor). `lineWidth` is in output units.
  struct PatternPaint {
    std::shared_ptr<VQPDFDrawablePattern> fillPattern;
    std::shared_ptr<VQPDFDrawablePattern> strokePattern;
    bool fill = false;
    bool stroke = false;
    bool evenOdd = false;
    double lineWidth = 1;
    std::optional<Color> fillColor;
    std::optional<Color> strokeColor;
  };
  // The paint of a path reported with a pattern colour: the state's fill and
  // stroke patterns for the parts painted (`fill`, `stroke`), its fill rule
  // and stencil colours, and `lineWidth` (output units). Neither part is set
  // when the state has no usable pattern for it.
  static PatternPaint PatternPaintForState(const VQPDFRenderState& state, bool stroke, bool fill, double lineWidth);
  static std::optional<Bitmap> DrawPatternInContextSize(Size size, const AffineTransform& transform,
                                                        const AffineTransform& scaleTransform,
                                                        const AffineTransform& pageTransform,
                                                        const VQPDFClipStack& clipBezierPaths, Rect* clipRect,
                                                        const Path& cgPath, const PatternPaint& paint);

  // A transparent bitmap of the output area `size` at `scaleTransform`'s
  // resolution whose user space is output space (top-left origin); null
  // when the area is empty or too large for one bitmap.
  static std::unique_ptr<DrawingContext> OutputContext(Size size, const AffineTransform& scaleTransform);

  // The box the clip stack leaves visible within (0, 0, size), in output
  // space; the zero rectangle when nothing is visible or the size is below 1.
  static Rect ClipRectInContextSize(Size size, const AffineTransform& pageTransform,
                                    const VQPDFClipStack& clipBezierPaths);

  // `path` (page space) when it shows through the clip stack within the
  // output area, else nothing. Its box is widened to `lineWidth` (page
  // units) where narrower, so hairlines count. *clipBound: the visible box in
  // output space.
  static std::optional<Path> ClipPathInContextSize(Size size, const Path& orginalCGPath, double lineWidth,
                                                   const AffineTransform& pageTransform,
                                                   const VQPDFClipStack& clipBezierPaths, Rect* clipBound);
};

}  // namespace vq
