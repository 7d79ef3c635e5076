#include "docx/capture/VQDocxRunImage.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

#include "common/VQPDFPathUtilities.h"
#include "office/VQDocxUtilities.h"
#include "office/VQOpenXMLNameSpace.h"
#include "office/XMLFileWriter.h"
#include "pdf/images/VQPDFImageFile.h"
#include "pdf/raster/VQPDFRasterPictures.h"
#include "platform/diagnostics/VQDiagnostics.h"
#include "platform/graphics/VQDrawingContext.h"

namespace vq {
namespace {

constexpr double kPi = 3.14159265358979323846;

Rect frameOf(const VQDocxRunPictInfo& info) {
  return RectMake(info.displayX, info.displayY, info.displayWidth, info.displayHeight);
}

double areaOf(const Rect& r) {
  if (RectIsNull(r)) return 0;
  const Rect s = RectStandardize(r);
  return s.size.width * s.size.height;
}

bool finiteRect(const Rect& r) {
  return std::isfinite(r.origin.x) && std::isfinite(r.origin.y) && std::isfinite(r.size.width) &&
         std::isfinite(r.size.height);
}

std::shared_ptr<VQDocxImageInfo> copyOf(const VQDocxImageInfo& info) {
  return std::shared_ptr<VQDocxImageInfo>(static_cast<VQDocxImageInfo*>(info.copy().release()));
}

// A number for a VML length or angle: Word refuses "nan" and "inf".
double finiteOrZero(double v) { return std::isfinite(v) ? v : 0.0; }

}  // namespace

std::shared_ptr<VQDocxObject> VQDocxRunImage::cloneObject() const {
  auto copy = std::make_shared<VQDocxRunImage>();
  copyPictFieldsTo(*copy);
  copy->runImageID = runImageID;
  copy->runImageTitle = runImageTitle;
  copy->imagePath = imagePath;
  // The copy gets a record of its own: moving it must not move the source.
  if (pictInfo)
    copy->pictInfo = std::shared_ptr<VQDocxImageInfo>(static_cast<VQDocxImageInfo*>(pictInfo->copy().release()));
  return copy;
}

std::string VQDocxRunImage::description() const {
  return fmt::format("<{}: {}:[runImageTitle:{}][pdfScanIndex:{}][pictZIndex:{}][size:{}x{}][isShading:{}]>",
                     className(), fmt::ptr(this), runImageTitle.value_or("(null)"),
                     static_cast<int64_t>(pdfScanIndex()), pictZIndex, pictInfo ? pictInfo->pixelWidth : 0,
                     pictInfo ? pictInfo->pixelHeight : 0, isShading ? 1 : 0);
}

Rect VQDocxRunImage::displayRect() const {
  if (!pictInfo) return RectZero;
  const Rect frame = frameOf(*pictInfo);
  const double turn = std::fmod(static_cast<double>(pictInfo->rotation), 360.0);
  if (turn == 0 || !std::isfinite(turn)) return frame;
  // The frame turned about its centre; a mirror about the centre leaves the
  // covered box as it is.
  const double radians = turn * kPi / 180;
  const double c = std::fabs(std::cos(radians)), s = std::fabs(std::sin(radians));
  const double w = frame.size.width * c + frame.size.height * s;
  const double h = frame.size.width * s + frame.size.height * c;
  const double cx = RectGetMidX(frame), cy = RectGetMidY(frame);
  return RectMake(cx - w / 2, cy - h / 2, w, h);
}

bool VQDocxRunImage::isImagePathUsedInOtherImages(const Array& images) const {
  if (!imagePath) return false;
  for (const auto& image : images)
    if (image && image->imagePath == imagePath) return true;
  return false;
}

std::shared_ptr<VQDocxRunImage> VQDocxRunImage::isIntersectWithOtherImages(const Array& group) const {
  bool neighbour = false;
  for (const auto& member : group)
    if (member && !member->isShading && isPDFScanIndexContinue(*member)) neighbour = true;
  if (!neighbour) return nullptr;
  for (const auto& member : group)
    if (member && !member->isShading && IsIntersect(*this, *member)) return member;
  return nullptr;
}

bool VQDocxRunImage::IsIntersect(const VQDocxRunImage& image1, const VQDocxRunImage& image2) {
  if (!image1.pictInfo || !image2.pictInfo) return false;
  const Rect a = frameOf(*image1.pictInfo), b = frameOf(*image2.pictInfo);
  const double overlap = areaOf(RectIntersection(a, b));
  if (overlap > areaOf(RectUnion(a, b)) / 2 || overlap > areaOf(a) / 2 || overlap > areaOf(b) / 2) return true;
  // Large pictures are one picture only when they overlap that much.
  auto large = [](const Rect& r) { return r.size.width >= 64 && r.size.height >= 64; };
  if (large(a) || large(b)) return false;
  if (RectContainsRect(a, b) || RectContainsRect(b, a) || RectIntersectsRect(a, b)) return true;
  // Small pieces close to each other are usually cut from one picture.
  return RectIntersectsRect(RectInset(a, -20, -20), b);
}

std::shared_ptr<VQDocxRunImage> VQDocxRunImage::FindBigRectRunImage(const Array& images) {
  std::shared_ptr<VQDocxRunImage> found;
  double largest = -1;
  for (const auto& image : images) {
    if (!image) continue;
    const double area = areaOf(image->displayRect());
    if (area > largest) {
      largest = area;
      found = image;
    }
  }
  return found;
}

bool VQDocxRunImage::drawInContext(DrawingContext* context, const AffineTransform&, bool) const {
  if (!context || !imagePath) return false;
  const auto image = CGImageWithContentsOfFile(*imagePath);
  return drawInContext(context, image ? &*image : nullptr);
}

bool VQDocxRunImage::drawInContext(DrawingContext* context, const Bitmap* image) const {
  if (!context || !imagePath || !image) return false;
  if (image->width <= 0) {
    VQDiagnose(VQDiagnosticCategory::Render, "runImage.imagePath: image with path is null:" + *imagePath + "!");
    return false;
  }
  const Rect clip = context->clipBoundingBox();
  if (RectIsNull(clip)) return false;
  const double H = clip.size.height;  // the page's height in the context's units
  context->saveGState();
  if (!pictInfo || AffineTransformIsIdentity(pictInfo->pdfTransform)) {
    const Rect frame = pictInfo ? frameOf(*pictInfo) : RectZero;
    context->drawBitmap(
        *image, RectMake(frame.origin.x, H - frame.origin.y - frame.size.height, frame.size.width, frame.size.height));
  } else {
    // Page display space runs downwards: the context is turned to it, and
    // the image fills the unit square its transform places, its first row
    // at the square's top as in a PDF.
    context->translateCTM(0, H);
    context->scaleCTM(1, -1);
    context->concatCTM(pictInfo->pdfTransform);
    context->drawBitmap(*image, RectMake(0, 0, 1, 1));
  }
  context->restoreGState();
  return true;
}

std::optional<Bitmap> VQDocxRunImage::MergeRunImage(const Array& images, Size contextSize,
                                                    const AffineTransform& scaleTransform, Rect* clipRect) {
  const double W = std::ceil(static_cast<float>(contextSize.width));
  const double Hp = std::ceil(static_cast<float>(contextSize.height));
  const double cw = std::ceil(W * scaleTransform.a + Hp * scaleTransform.c);
  const double ch = std::ceil(W * scaleTransform.b + Hp * scaleTransform.d);
  if (!(cw >= 1) || !(ch >= 1)) {
    VQDiagnose(VQDiagnosticCategory::Render, "Context Size Zero!");
    return std::nullopt;
  }
  auto context = cw <= kMaxBitmapSide && ch <= kMaxBitmapSide
                     ? DrawingContext::create(static_cast<int>(cw), static_cast<int>(ch))
                     : nullptr;
  if (!context) {
    VQDiagnose(VQDiagnosticCategory::Render, "Context not created!");
    return std::nullopt;
  }
  context->concatCTM(scaleTransform);
  // The page height in the context's user space, the same one each picture
  // flips its frame by.
  const double H = context->clipBoundingBox().size.height;

  Rect covered = RectZero;
  bool first = true;
  // A page that draws one picture many times reads its file once.
  VQPDFRasterPictures files;
  for (const auto& run : images) {
    if (!run) continue;
    Rect box = run->pictInfo && !AffineTransformIsIdentity(run->pictInfo->pdfTransform)
                   ? RectApplyAffineTransform(RectMake(0, 0, 1, 1), run->pictInfo->pdfTransform)
                   : run->displayRect();
    box.origin.y = H - box.origin.y - box.size.height;
    if (first || covered.size.width == 0) covered = box;
    else covered = RectUnion(covered, box);
    first = false;
    if (!run->imagePath) continue;
    run->drawInContext(context.get(), files.image(*run->imagePath).get());
  }
  Bitmap image = context->toBitmap();
  covered.origin.y = H - covered.origin.y - covered.size.height;
  if (clipRect) *clipRect = covered;

  const Rect pixels = RectApplyAffineTransform(covered, scaleTransform);
  if (pixels.size.width > 0 && finiteRect(pixels) && !RectEqualToRect(RectIntegral(pixels), RectMake(0, 0, cw, ch))) {
    auto cut = BitmapCropToRect(image, pixels);
    if (!cut) return std::nullopt;
    return cut;
  }
  return image;
}

std::shared_ptr<VQDocxRunImage> VQDocxRunImage::MergeRunImageArray(const Array& images, Size contextSize,
                                                                   double imageDPI) {
  if (images.size() < 2 || !images.front()) return nullptr;
  const auto& firstRun = images.front();
  const double dpi = ClampImageDPI(imageDPI);
  const AffineTransform scale = AffineTransformMakeScale(dpi / 72, dpi / 72);
  Rect clip = RectMake(0, 0, contextSize.width, contextSize.height);
  const auto bitmap = MergeRunImage(images, contextSize, scale, &clip);
  if (!bitmap || !(clip.size.width > 0) || !(clip.size.height > 0) || !finiteRect(clip)) return nullptr;

  const std::string path = VQPDFPathUtilities::tempIMG(fmt::format("Merge_{}_Images", images.size()), "PNG");
  if (!VQPDFExportCGImageToFileWithDestination_VQLib(*bitmap, path, "png", dpi, dpi, 1.0f)) return nullptr;

  std::shared_ptr<VQDocxImageInfo> info =
      firstRun->pictInfo ? copyOf(*firstRun->pictInfo) : std::make_shared<VQDocxImageInfo>();
  PlaceRenderedBitmap(*info, clip, *bitmap);

  auto merged = std::make_shared<VQDocxRunImage>();
  merged->isAnnotion = firstRun->isAnnotion;
  merged->setPdfScanIndex(firstRun->pdfScanIndex());
  firstRun->setPdfScanIndex(firstRun->pdfScanIndex() + 1);
  merged->pdfScanLength = images.size();
  merged->pictZIndex = firstRun->pictZIndex;
  firstRun->pictZIndex += 1;
  merged->runImageTitle = info->imageID;
  merged->imagePath = path;
  merged->rProperty = firstRun->rProperty;
  merged->pictInfo = std::move(info);
  return merged;
}

std::optional<std::string> VQDocxRunImage::RunImage(const VQDocxRunImage& image, const VQDocxRunImage& mask) {
  if (!image.pictInfo || !mask.pictInfo || !image.imagePath || !mask.imagePath) return std::nullopt;
  const VQDocxImageInfo& I = *image.pictInfo;
  const VQDocxImageInfo& M = *mask.pictInfo;
  // Frames that round to nothing have no place to put a mask or a picture.
  const double w = std::round(I.displayWidth), h = std::round(I.displayHeight);
  const double mw = std::round(M.displayWidth), mh = std::round(M.displayHeight);
  if (!(w >= 1) || !(h >= 1) || !(mw >= 1) || !(mh >= 1) || !std::isfinite(w + h + mw + mh)) return std::nullopt;
  const double dx = M.displayX - I.displayX, dy = M.displayY - I.displayY;
  if (!std::isfinite(dx) || !std::isfinite(dy)) return std::nullopt;

  const auto picture = CGImageWithContentsOfFile(*image.imagePath);
  const auto grey = CGImageWithContentsOfFile_DeviceGray(*mask.imagePath);
  if (!picture || !grey) return std::nullopt;
  auto context = DrawingContext::create(picture->width, picture->height);
  if (!context) return std::nullopt;
  context->scaleCTM(picture->width / w, picture->height / h);
  // The bitmap's user space runs upwards from the picture's bottom edge,
  // while the frames' offsets run downwards from the top.
  context->clipToMask(RectMake(dx, h - dy - mh, mw, mh), *grey);
  context->drawBitmap(*picture, RectMake(0, 0, w, h));
  const Bitmap masked = context->toBitmap();

  const std::string name = "IMG_ImageSmaskImage_" + SafeFileName(image.runImageID.value_or("")) + ".png";
  const std::string path = VQPDFPathUtilities::getUUIDPathBy(VQPDFPathUtilities::temporaryRoot() + "/" + name);
  const double dpiX = picture->width * 72.0 / I.displayWidth, dpiY = picture->height * 72.0 / I.displayHeight;
  if (!VQPDFExportCGImageToFileWithDestination_VQLib(masked, path, "png", dpiX, dpiY, 1.0f)) return std::nullopt;
  return path;
}

void VQDocxRunImage::writeWithXMLWriter(XMLFileWriter& writer) {
  if (!pictInfo || !runImageID || runImageID->empty()) return;
  const VQDocxImageInfo& info = *pictInfo;
  writer.writeStartElementWithNamespace(gl_namespace_xmlns_w, "r");
  VQDocxUtilities::WriteRProperty(rProperty, writer);
  writer.writeStartElementWithNamespace(gl_namespace_xmlns_w, "pict");
  writer.writeStartElementWithNamespace(gl_namespace_xmlns_v, "shape");
  writer.writeAttribute("type", "#_x0000_t75");
  // The picture-frame shape type is not defined in the part, and a shape
  // of an unknown type is filled white and outlined by default: a picture
  // has neither, and its transparent parts must show what lies behind.
  writer.writeAttribute("filled", "f");
  writer.writeAttribute("stroked", "f");

  std::string style = fmt::format("position:{};", "absolute");
  style += fmt::format("margin-left:{:.2f}pt;", finiteOrZero(info.displayX));
  style += fmt::format("margin-top:{:.2f}pt;", finiteOrZero(info.displayY));
  style += fmt::format("width:{:.2f}pt;", finiteOrZero(info.displayWidth));
  style += fmt::format("height:{:.2f}pt;", finiteOrZero(info.displayHeight));
  if (info.rotation != 0 && std::isfinite(info.rotation)) style += fmt::format("rotation:{:.0f};", info.rotation);
  if (info.flipX && info.flipY) style += "flip:x y;";
  else if (info.flipX) style += "flip:x;";
  else if (info.flipY) style += "flip:y;";
  style += fmt::format("z-index:{};", pictZIndex);
  style += fmt::format("mso-position-horizontal-relative:{};", "page");
  style += fmt::format("mso-position-vertical-relative:{}", "page");
  writer.writeAttribute("style", style);

  writer.writeStartElementWithNamespace(gl_namespace_xmlns_v, "imagedata");
  writer.writeAttributeWithNamespace(gl_namespace_xmlns_r, "id", *runImageID);
  const bool titled = runImageTitle && !runImageTitle->empty();
  writer.writeAttributeWithNamespace(gl_namespace_xmlns_o, "title", titled ? *runImageTitle : "Untitled");
  writer.writeEndElement();  // imagedata

  if (info.opacity < 1 && std::isfinite(info.opacity)) {
    writer.writeStartElementWithNamespace(gl_namespace_xmlns_v, "fill");
    // VML opacity in 1/65536ths, scaled by 65792 (= 65536 x 257 / 256).
    writer.writeAttribute("opacity", fmt::format("{:.0f}f", static_cast<float>(std::max(0.0f, info.opacity) * 65792)));
    writer.writeEndElement();
  }
  writer.writeEndElement();  // shape
  writer.writeEndElement();  // pict
  writer.writeEndElement();  // r
}

std::string VQDocxRunImage::SafeFileName(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
    if (!ok) c = '_';
  }
  return out;
}

void VQDocxRunImage::PlaceRenderedBitmap(VQDocxImageInfo& info, const Rect& frame, const Bitmap& bitmap) {
  PlaceRenderedBitmap(info, frame, bitmap.width, bitmap.height);
}

void VQDocxRunImage::PlaceRenderedBitmap(VQDocxImageInfo& info, const Rect& frame, int pixelWidth, int pixelHeight) {
  info.displayX = frame.origin.x;
  info.displayY = frame.origin.y;
  info.displayWidth = frame.size.width;
  info.displayHeight = frame.size.height;
  info.pixelWidth = pixelWidth;
  info.pixelHeight = pixelHeight;
  info.horizontalResolution = std::round(pixelWidth * 72.0 / frame.size.width);
  info.verticalResolution = std::round(pixelHeight * 72.0 / frame.size.height);
  info.flipX = info.flipY = false;
  info.rotation = 0;
  // A transform left from before would place the new picture where the
  // old one stood.
  info.pdfTransform = AffineTransformIdentity;
}

double VQDocxRunImage::ClampImageDPI(double imageDPI) {
  if (!(imageDPI >= 73)) return 72;
  return imageDPI > 600 ? 600 : imageDPI;
}

}  // namespace vq
