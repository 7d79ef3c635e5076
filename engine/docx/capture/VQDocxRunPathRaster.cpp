// Path runs painted into bitmaps: one path into a context whose user space is
// page display space, a group of paths into a PNG file (shapes rendered into
// pictures), and a path drawn through a picture used as its soft mask.
//
// Orientation: DrawingContext's default user space has its origin at the
// bottom left with y upwards (as PDF drawing code expects); page display
// space has y downwards. Every bitmap made here is first turned upside down
// (translate by the pixel height, scale y by -1), so that display-space
// coordinates land on the rows counted from the top, as the PNG holds them.
#include <fmt/format.h>

#include <algorithm>
#include <chrono>
#include <cmath>

#include "common/VQPDFPathUtilities.h"
#include "common/VQRandomString.h"
#include "docx/capture/VQDocxRunImage.h"
#include "docx/capture/VQDocxRunPath.h"
#include "pdf/VQPDFRenderState.h"
#include "platform/diagnostics/VQDiagnostics.h"
#include "platform/graphics/VQDrawingContext.h"
#include "platform/imageio/VQImageIO.h"

namespace vq {

namespace {

bool IsFinite(const Rect& r) {
  return std::isfinite(r.origin.x) && std::isfinite(r.origin.y) && std::isfinite(r.size.width) &&
         std::isfinite(r.size.height);
}

// A context of `width` x `height` pixels whose user space has its origin at
// the top-left pixel, y downwards, one unit per pixel.
std::unique_ptr<DrawingContext> MakeTopDownContext(int width, int height) {
  std::string error;
  auto context = DrawingContext::create(width, height, &error);
  if (!context) {
    VQDiagnose(VQDiagnosticCategory::Render, "Context not created!" + (error.empty() ? "" : " " + error));
    return nullptr;
  }
  context->translateCTM(0, height);
  context->scaleCTM(1, -1);
  return context;
}

Color ColorOrBlack(const std::optional<Color>& color) { return color ? *color : ColorMakeGray(0); }

}  // namespace

bool VQDocxRunPath::drawInContext(DrawingContext* context, const AffineTransform& pageTransform, bool needClip) const {
  if (!context || runCGPath_.isEmpty() || !pictInfo_) return false;
  const VQDocxPathInfo& info = *pictInfo_;
  context->saveGState();
  if (needClip) {
    // The clip records are in PDF page space; the page transform takes them
    // into display space, the context's user space. The clips intersect.
    for (const auto& clip : clipBezierPaths) {
      if (!clip) continue;
      context->clipToPath(clip->path.transformed(pageTransform),
                          clip->clipType == VQPDFClipTypeEvenOdd ? FillRule::EvenOdd : FillRule::Winding);
    }
  }
  if (info.filled && info.fillAlpha() > 0) {
    context->setFillColor(ColorOrBlack(info.fillcolor()));
    context->setAlpha(info.fillAlpha());
    context->fillPath(runCGPath_, FillRule::Winding);
  }
  if (info.stroked && info.strokeAlpha() > 0) {
    context->setStrokeColor(ColorOrBlack(info.strokecolor()));
    // The stroke is painted with its own opacity, not with the fill's left
    // in force by a fill just before.
    context->setAlpha(info.strokeAlpha());
    context->setLineCap(LineCap::Round);
    context->setLineJoin(LineJoin::Round);
    context->setLineWidth(std::isfinite(info.strokeweight) ? info.strokeweight : 0);
    if (info.strokeDashPattern && !info.strokeDashPattern->empty())
      context->setLineDash(static_cast<double>(info.strokeDashPhase), *info.strokeDashPattern);
    context->strokePath(runCGPath_);
  }
  context->restoreGState();
  return true;
}

double VQDocxRunPath::RasterDPIForContextSize(Size contextSize, double imageDPI) {
  if (!std::isfinite(imageDPI) || imageDPI <= 0) imageDPI = 72;
  const double w = std::fabs(contextSize.width), h = std::fabs(contextSize.height);
  if (!std::isfinite(w) || !std::isfinite(h)) return imageDPI;
  const double scale = imageDPI / 72;
  const double pixels = (w * scale) * (h * scale);
  // Memory cap: a crowded large page at 600 dpi would take several hundred
  // MB of bitmap (a 1583-point square page is 13192 x 13192 pixels, 700 MB at
  // 4 bytes a pixel), and pages run on several threads at once. The page
  // bitmap is held to kMaxRasterPixels (25 million pixels, 100 MB) by
  // lowering the resolution; the picture keeps its size on the page.
  if (pixels <= kMaxRasterPixels) return imageDPI;
  return imageDPI * std::sqrt(kMaxRasterPixels / pixels);
}

std::optional<std::string> VQDocxRunPath::CreateImageFromRunPaths(const Array& paths, Size contextSize,
                                                                  const AffineTransform& pageTransform, double imageDPI,
                                                                  bool needClip, Rect* clipRect) {
  const Rect bounds = BoundsOfRunPaths(paths);
  if (!IsFinite(bounds) || !(static_cast<float>(bounds.size.width) >= 0.01f) ||
      !(static_cast<float>(bounds.size.height) >= 0.01f)) {
    VQDiagnose(VQDiagnosticCategory::Render, "Error, Context Size Zero!");
    return std::nullopt;
  }
  const double dpi = RasterDPIForContextSize(contextSize, imageDPI);
  const double s = static_cast<float>(dpi / 72);
  const double pageW = std::ceil(static_cast<float>(contextSize.width * s));
  const double pageH = std::ceil(static_cast<float>(contextSize.height * s));
  if (!(pageW >= 1) || !(pageH >= 1) || !std::isfinite(pageW) || !std::isfinite(pageH)) {
    VQDiagnose(VQDiagnosticCategory::Render, "Context Size Zero!");
    return std::nullopt;
  }

  // The pixels painted: with the clip flag only those of the group's box on
  // the page (the page bitmap cut to it, without ever making the whole page
  // bitmap), else the whole page.
  Rect pixelRect = RectMake(0, 0, pageW, pageH);
  Rect painted = RectZero;
  if (needClip) {
    painted = RectIntersection(RectMake(0, 0, contextSize.width, contextSize.height), bounds);
    if (RectIsNull(painted) || RectIsEmpty(painted)) {
      VQDiagnose(VQDiagnosticCategory::Render, "Context Size Zero!");
      return std::nullopt;
    }
    pixelRect = RectIntersection(RectIntegral(RectApplyAffineTransform(painted, AffineTransformMakeScale(s, s))),
                                 RectMake(0, 0, pageW, pageH));
    if (RectIsNull(pixelRect) || !(pixelRect.size.width >= 1) || !(pixelRect.size.height >= 1)) {
      VQDiagnose(VQDiagnosticCategory::Render, "Context Size Zero!");
      return std::nullopt;
    }
  }
  if (!BitmapSizeAllowed(static_cast<int64_t>(pixelRect.size.width), static_cast<int64_t>(pixelRect.size.height))) {
    VQDiagnose(VQDiagnosticCategory::Render, "Context not created!");
    return std::nullopt;
  }
  auto context = MakeTopDownContext(static_cast<int>(pixelRect.size.width), static_cast<int>(pixelRect.size.height));
  if (!context) return std::nullopt;
  context->translateCTM(-pixelRect.origin.x, -pixelRect.origin.y);
  context->scaleCTM(s, s);
  for (const auto& path : paths)
    if (path) path->drawInContext(context.get(), pageTransform, needClip);

  Bitmap image = context->toBitmap();
  context.reset();
  image.dpiX = image.dpiY = dpi;
  const auto seconds =
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
  const std::string name = fmt::format("ShapesImage-{}-{}", seconds, VQRandomString::Random4BigLetter());
  const std::string file = VQPDFPathUtilities::getUUIDPathBy(VQPDFPathUtilities::tempIMG(name, "PNG"));
  imageio::WriteOptions options;
  options.dpiX = options.dpiY = dpi;
  if (!imageio::writeImageFile(image, file, imageio::ImageFileType::PNG, options)) return std::nullopt;
  // The picture's frame is the area its pixels cover (the painted box
  // widened to whole pixels), so that it lands where the paths were.
  if (needClip && clipRect)
    *clipRect =
        RectMake(pixelRect.origin.x / s, pixelRect.origin.y / s, pixelRect.size.width / s, pixelRect.size.height / s);
  return file;
}

std::optional<std::string> VQDocxRunPath::RunPathSmaskWithRunImage(const VQDocxRunPath& path, VQDocxRunImage& image,
                                                                   const AffineTransform& transform,
                                                                   bool applyRunImage) {
  (void)transform;  // the placement records alone place both
  if (!image.pictInfo || !image.imagePath || !path.pictInfo_) return std::nullopt;
  std::optional<Bitmap> decoded = imageio::readImageFile(*image.imagePath);
  if (!decoded || decoded->empty()) return std::nullopt;
  const Bitmap mask = imageio::convertBitmap(*decoded, PixelFormat::Gray8);
  decoded.reset();
  if (mask.empty()) return std::nullopt;

  // The picture's pixels fill its frame as placed, before any turn.
  const Rect imageRect = RectMake(image.pictInfo->displayX, image.pictInfo->displayY, image.pictInfo->displayWidth,
                                  image.pictInfo->displayHeight);
  const Rect r = RectIntersection(path.displayRect(), imageRect);
  if (RectIsNull(r) || !IsFinite(r) || !(r.size.width >= 0.1) || !(r.size.height >= 0.1)) return std::nullopt;
  if (!(imageRect.size.width > 0) || !(imageRect.size.height > 0)) return std::nullopt;
  // Pixels per point of the mask picture; the masked picture keeps them,
  // unless that would make a bitmap above the cap.
  double sx = mask.width / imageRect.size.width, sy = mask.height / imageRect.size.height;
  const double cells = (r.size.width * sx) * (r.size.height * sy);
  if (cells > kMaxRasterPixels) {
    const double k = std::sqrt(kMaxRasterPixels / cells);
    sx *= k;
    sy *= k;
  }
  const long pw = std::lround(r.size.width * sx), ph = std::lround(r.size.height * sy);
  if (pw < 1 || ph < 1 || !BitmapSizeAllowed(pw, ph)) return std::nullopt;

  auto context = MakeTopDownContext(static_cast<int>(pw), static_cast<int>(ph));
  if (!context) return std::nullopt;
  context->scaleCTM(pw / r.size.width, ph / r.size.height);
  context->translateCTM(-r.origin.x, -r.origin.y);
  path.drawInContext(context.get(), AffineTransformIdentity, false);
  Bitmap out = context->toBitmap();
  context.reset();

  // The mask picture's grey level is the painted path's opacity (white shows
  // it, black hides it), read at each pixel's centre on the page.
  const double mx = mask.width / imageRect.size.width, my = mask.height / imageRect.size.height;
  for (int y = 0; y < out.height; ++y) {
    uint8_t* row = out.row(y);
    const double pageY = r.origin.y + (y + 0.5) * r.size.height / ph;
    const long iy = static_cast<long>(std::floor((pageY - imageRect.origin.y) * my));
    for (int x = 0; x < out.width; ++x) {
      const double pageX = r.origin.x + (x + 0.5) * r.size.width / pw;
      const long ix = static_cast<long>(std::floor((pageX - imageRect.origin.x) * mx));
      const int level = (ix >= 0 && iy >= 0 && ix < mask.width && iy < mask.height) ? mask.row(iy)[ix] : 0;
      uint8_t& alpha = row[x * 4 + 3];
      alpha = static_cast<uint8_t>((alpha * level + 127) / 255);
    }
  }

  const std::string name = fmt::format("IMG_PathSmaskImage_{}.png", image.runImageID.value_or(""));
  const std::string file = VQPDFPathUtilities::getUUIDPathBy(VQPDFPathUtilities::temporaryRoot() + "/" + name);
  imageio::WriteOptions options;  // 72 x 72 dots per inch
  if (!imageio::writeImageFile(out, file, imageio::ImageFileType::PNG, options)) return std::nullopt;

  if (applyRunImage) {
    VQDocxImageInfo& info = *image.pictInfo;
    info.displayX = r.origin.x;
    info.displayY = r.origin.y;
    info.displayWidth = r.size.width;
    info.displayHeight = r.size.height;
    info.pixelWidth = static_cast<int32_t>(pw);
    info.pixelHeight = static_cast<int32_t>(ph);
    info.horizontalResolution = std::round(pw * 72 / r.size.width);
    info.verticalResolution = std::round(ph * 72 / r.size.height);
    info.flipX = false;
    info.flipY = false;
    info.rotation = 0;
    info.pdfTransform = AffineTransformIdentity;
  }
  return file;
}

}  // namespace vq
