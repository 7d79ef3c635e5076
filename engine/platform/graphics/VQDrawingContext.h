#pragma once
// A bitmap drawing context over a cairo image surface (native-endian,
// premultiplied ARGB32). Its default user space is the one PDF drawing code
// expects: origin at the bottom-left corner of the bitmap, y upwards, one
// unit per pixel. Code that wants rows from the top turns it upside down
// itself (translate by the height, scale y by -1).
//
// Paths are added in the user space current at the time of adding, and a
// fill, stroke or clip consumes the current path.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/graphics/VQColor.h"
#include "platform/graphics/VQGeometry.h"
#include "platform/graphics/VQPath.h"
#include "platform/imageio/VQBitmap.h"

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

namespace vq {

enum class FillRule { Winding, EvenOdd };
enum class LineCap { Butt, Round, Square };
enum class LineJoin { Miter, Round, Bevel };
enum class InterpolationQuality { Default, None, Low, Medium, High };

// cairo's image surfaces take at most 32767 pixels a side; a 4-byte-a-pixel
// bitmap is also kept within 1 GiB so that one picture cannot exhaust memory.
inline constexpr int kMaxBitmapSide = 32767;
inline constexpr uint64_t kMaxBitmapBytes = uint64_t{1} << 30;

// True when a width x height bitmap of 4 bytes a pixel may be made; else
// false, with the reason in `error` when given. Checked before allocating.
bool BitmapSizeAllowed(int64_t width, int64_t height, std::string* error = nullptr);

// A tiling pattern whose cell is a picture: the bitmap is drawn at (0, 0)
// with its pixel width and height as its size in pattern space, cut to
// `bounds`, and repeated every xStep / yStep pattern units.
struct TilingPattern {
  Bitmap cell;
  Rect bounds;
  double xStep = 0;
  double yStep = 0;
  AffineTransform matrix;  // pattern space to the user space of the fill
  // For a pattern without colours of its own: the cell's coverage is
  // painted in this colour.
  std::optional<Color> stencilColor;
};

class DrawingContext {
 public:
  // A transparent width x height bitmap, or null (with the reason in
  // `error`) when the size is below 1, too large, or memory runs out.
  static std::unique_ptr<DrawingContext> create(int width, int height, std::string* error = nullptr);
  ~DrawingContext();
  DrawingContext(const DrawingContext&) = delete;
  DrawingContext& operator=(const DrawingContext&) = delete;

  int width() const { return width_; }
  int height() const { return height_; }

  // ---- Graphics state ----
  void saveGState();
  // Does nothing without a matching save.
  void restoreGState();
  // The transform from user space to the default (bottom-left, y-up) space.
  AffineTransform getCTM() const;
  // Prepends t: points are mapped by t first, then by the current CTM.
  void concatCTM(const AffineTransform& t);
  void translateCTM(double tx, double ty) { concatCTM(AffineTransformMakeTranslation(tx, ty)); }
  void scaleCTM(double sx, double sy) { concatCTM(AffineTransformMakeScale(sx, sy)); }
  void rotateCTM(double radians) { concatCTM(AffineTransformMakeRotation(radians)); }

  void setFillColor(const Color& c);
  void setStrokeColor(const Color& c);
  // Multiplies the alpha of everything drawn afterwards (0..1).
  void setAlpha(double alpha);
  void setLineWidth(double width);
  void setLineCap(LineCap cap);
  void setLineJoin(LineJoin join);
  void setMiterLimit(double limit);
  // An empty, negative or all-zero pattern draws solid lines.
  void setLineDash(double phase, const std::vector<double>& lengths);
  void setShouldAntialias(bool antialias);
  void setInterpolationQuality(InterpolationQuality q);

  // ---- Paths ----
  void beginPath();
  void addPath(const Path& path);
  void addRect(const Rect& rect);
  bool isPathEmpty() const;
  void fillPath(FillRule rule = FillRule::Winding);
  void strokePath();
  // Intersects the clip with the current path's inside.
  void clip(FillRule rule = FillRule::Winding);
  // Intersects the clip with a soft mask: `mask` is stretched over `rect`
  // (user space) like a drawn bitmap, its first row along the rectangle's
  // max-y edge, and each pixel's grey level is how much of what is painted
  // afterwards shows there (255 all, 0 nothing; colour counts by its
  // luminance, transparency as black). Nothing shows outside `rect`. Masks
  // set one after another multiply. The current path is kept. Painting done
  // straight through cairo() does not see the mask.
  void clipToMask(const Rect& rect, const Bitmap& mask);

  // One-call forms: replace the current path, then fill, stroke or clip.
  void fillPath(const Path& path, FillRule rule);
  void strokePath(const Path& path);
  void clipToPath(const Path& path, FillRule rule);
  void clipToRect(const Rect& rect);
  void fillRect(const Rect& rect, const Color& color);
  void fillRect(const Rect& rect);  // with the fill colour
  // Makes the rectangle fully transparent again.
  void clearRect(const Rect& rect);

  // Bounding box of the clip area in the current user space; the whole
  // bitmap when nothing is clipped, the null rectangle when nothing is left.
  Rect clipBoundingBox() const;

  // Draws a bitmap into `rect` of user space: its first row along the
  // rectangle's max-y edge, i.e. upright in the default y-up space.
  void drawBitmap(const Bitmap& bitmap, const Rect& rect);

  // Paints the clip area with an axial shading from `start` to `end` (user
  // space): colorAt(s) gives the colour at s = 0 (start) .. 1 (end), sampled
  // `samples` times; beyond an end the end colour continues only when that
  // end is extended. Coincident end points draw nothing.
  void drawAxialShading(Point start, Point end, const std::function<Color(double)>& colorAt, bool extendStart,
                        bool extendEnd, int samples = 256);
  // Fills `rect` (user space) with the pattern's tiles.
  void fillRectWithTilingPattern(const Rect& rect, const TilingPattern& pattern);

  // The pixels as RGBA8 with straight alpha, rows from the top.
  Bitmap toBitmap() const;

  // For drawing code of the platform layer that talks to cairo directly
  // (shadings, page rendering). Coordinates set there should go through
  // getCTM() and concatCTM() so that the bookkeeping here stays right.
  cairo_t* cairo() const { return cr_; }

 private:
  struct State;
  DrawingContext(int width, int height, cairo_surface_t* surface, cairo_t* cr);
  State& state();
  const State& state() const;
  void applyMatrix();
  void replayPath(const Path& path);
  void setSource(bool stroke);
  void consumePath();
  // Runs a painting operation so that it shows only through the state's
  // mask (directly when there is none).
  void paintThroughMask(const std::function<void()>& paint);
  // Leaves nothing visible, keeping the current path.
  void clipToNothing();

  int width_ = 0;
  int height_ = 0;
  cairo_surface_t* surface_ = nullptr;
  cairo_t* cr_ = nullptr;
  std::vector<State> states_;
  Rect pathDeviceBox_ = RectNull;  // tight box of the current path in device pixels
  bool pathHasPoints_ = false;
};

// The part of `bitmap` inside `rect` (pixel coordinates, origin at the top
// left), the rectangle made integral and cut to the bitmap first. Nothing
// when no pixel is left.
std::optional<Bitmap> BitmapCropToRect(const Bitmap& bitmap, const Rect& rect);

}  // namespace vq
