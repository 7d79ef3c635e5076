// The page parser's pictures: image XObjects, inline images and image
// appearances, shadings painted with sh, paths painted with a pattern, and
// the text boxes of free-text annotations that have no appearance.
#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "common/VQLineUtilites.h"
#include "common/VQPDFPathUtilities.h"
#include "docx/VQDocxPDFPageParser.h"
#include "docx/capture/VQDocxRunImage.h"
#include "docx/capture/VQDocxRunText.h"
#include "docx/capture/VQDocxRunTextBox.h"
#include "docx/layout/VQDocxPage.h"
#include "fonts/VQPDFFont.h"
#include "fonts/VQPDFFontDescriptor.h"
#include "fonts/VQPDFFontUtilities.h"
#include "office/VQDocxUtilities.h"
#include "office/docx/VQDocxDocument.h"
#include "pdf/VQPDFConentParser.h"
#include "pdf/VQPDFRenderState.h"
#include "pdf/VQPDFXObject.h"
#include "pdf/annots/VQPDFAnnot.h"
#include "pdf/annots/VQPDFAnnotCollection.h"
#include "pdf/images/VQPDFImageFile.h"
#include "pdf/images/VQPDFImageFileTracker.h"
#include "pdf/raster/VQPDFExporterRaster.h"
#include "platform/diagnostics/VQDiagnostics.h"

namespace fs = std::filesystem;

namespace vq {
namespace {

constexpr double kPi = 3.14159265358979323846;

bool isFiniteRect(const Rect& r) {
  return std::isfinite(r.origin.x) && std::isfinite(r.origin.y) && std::isfinite(r.size.width) &&
         std::isfinite(r.size.height);
}

void setFrame(VQDocxRunPictInfo& info, const Rect& frame) {
  info.displayX = frame.origin.x;
  info.displayY = frame.origin.y;
  info.displayWidth = frame.size.width;
  info.displayHeight = frame.size.height;
}

// Places an image whose unit square `T` maps onto the page: its corners, the
// unturned frame centred on it, its turn and whether it is mirrored.
void placeImage(VQDocxImageInfo& info, const AffineTransform& T) {
  const Point p0 = PointApplyAffineTransform({0, 0}, T), p1 = PointApplyAffineTransform({1, 0}, T);
  const Point p2 = PointApplyAffineTransform({1, 1}, T), p3 = PointApplyAffineTransform({0, 1}, T);
  info.vertices = {p0, p1, p2, p3};
  info.displayWidth = std::hypot(p0.x - p1.x, p0.y - p1.y);
  info.displayHeight = std::hypot(p1.x - p2.x, p1.y - p2.y);
  const Point centre{p0.x + (p2.x - p0.x) / 2, p0.y + (p2.y - p0.y) / 2};
  info.displayX = centre.x - info.displayWidth / 2;
  info.displayY = centre.y - info.displayHeight / 2;
  double angle = std::atan2(p1.y - p0.y, p1.x - p0.x) * 180 / kPi;
  // The image's up direction turned the other way round from its right
  // direction than an upright picture's: the picture is mirrored.
  const auto cross = static_cast<float>((p2.y - p1.y) * (p1.x - p0.x) - (p1.y - p0.y) * (p2.x - p1.x));
  info.flipX = false;
  info.flipY = cross > 0;
  if (info.flipY) angle = 360 - angle;
  if (!std::isfinite(angle)) angle = 0;
  angle = std::fmod(angle, 360.0);
  if (angle < 0) angle += 360;
  info.rotation = static_cast<float>(angle);
  if (info.rotation >= 360.0f) info.rotation = 0;
}

bool hasArea(const Rect& r) { return isFiniteRect(r) && r.size.width > 0 && r.size.height > 0; }

}  // namespace

double VQDocxPDFPageParser::renderedImageDPI() const { return VQDocxRunImage::ClampImageDPI(moreOptions_.imageDPI()); }

std::shared_ptr<VQDocxRunImage> VQDocxPDFPageParser::newRunImage(std::shared_ptr<VQDocxImageInfo> info,
                                                                 const std::string& path,
                                                                 std::optional<std::string> title, bool isShading) {
  const VQPDFRenderState& s = renderingStateStack().topRenderingState();
  auto run = std::make_shared<VQDocxRunImage>();
  run->isExtGStateSMask = s.isParseringExtGState;
  run->isAnnotion = s.isAnnotionParsering;
  run->pdfAnnotionIndex = s.pdfAnnotionIndex;
  run->isShading = isShading;
  run->setPdfScanIndex(static_cast<uint64_t>(currentPage_->nextRunScanIndex()));
  run->pictZIndex = currentPage_->nextPictZIndex();
  run->runImageID = currentPage_->collectImageWithPath(path);
  run->runImageTitle = std::move(title);
  run->imagePath = path;
  run->pictInfo = std::move(info);
  run->rProperty = currentRProperty(capture_.glyph(Size{0, 0}));
  return run;
}

void VQDocxPDFPageParser::didScanXObjectImage(VQPDFConentParser* parser,
                                              const std::shared_ptr<VQPDFImageXObject>& image) {
  if (!currentPage_ || !image) return;
  VQPDFRenderState& s = renderingStateStack().topRenderingState();
  if (!s.clipBezierPaths.empty()) {
    const Rect visible = visibleArea(s);
    if (!(visible.size.width >= 1 && visible.size.height >= 1)) return;
  }
  std::string path = image->decodedImagePath();
  std::error_code ec;
  if (path.empty() || !fs::is_regular_file(path, ec)) {
    VQDiagnose(VQDiagnosticCategory::Image, "didScanXObjectImage: Image isn't exists:" + path);
    return;
  }

  const AffineTransform& pageTransform = currentPageTransform();
  const AffineTransform T = AffineTransformConcat(s.ctm, pageTransform);
  auto info = std::make_shared<VQDocxImageInfo>();
  info->pdfTransform = T;
  info->imageID = image->objectKey;
  info->imageTitle = fs::path(path).filename().string();
  info->opacity = static_cast<float>(s.currentFillAlpha());
  info->pixelWidth = image->width;
  info->pixelHeight = image->height;
  placeImage(*info, T);
  // An annotation's appearance is stretched over the annotation's rectangle.
  std::shared_ptr<VQPDFAnnot> annot = image->annot;
  if (!annot && parser) annot = VQPDFAnnotCollection::AnnotBeingDrawn(*parser);
  if (annot) setFrame(*info, RectApplyAffineTransform(annot->bounds, pageTransform));
  // A picture without area has nothing to show, and its numbers would be no
  // numbers in the document.
  if (!hasArea(RectMake(info->displayX, info->displayY, info->displayWidth, info->displayHeight))) return;
  info->horizontalResolution = 72;
  info->verticalResolution = 72;

  endOpenTextBoxOrPath();

  if (!s.clipBezierPaths.empty()) {
    const Rect frame = RectMake(info->displayX, info->displayY, info->displayWidth, info->displayHeight);
    // Drawn again through its clip, the picture keeps its own resolution
    // (up to 300 dpi) where that is finer than the rendering resolution: a
    // scanned page stays readable.
    const double perPoint =
        VQPDFExporterRaster::ClippedPictureScale(image->width, image->height, frame.size.width, frame.size.height,
                                                 currentPageCropBox().size, renderedImageDPI() / 72);
    const double dpi = perPoint * 72;
    const AffineTransform scale = AffineTransformMakeScale(perPoint, perPoint);
    const auto save = [&](const Bitmap& cut, const Rect& clipRect) -> std::optional<std::string> {
      if (!hasArea(clipRect)) return std::nullopt;
      const std::string clipPath =
          VQPDFPathUtilities::tempIMG(VQDocxRunImage::SafeFileName(image->objectKey) + "-Clip", "PNG");
      if (!VQPDFExportCGImageToFileWithDestination_VQLib(cut, clipPath, "png", dpi, dpi, 1.0f)) return std::nullopt;
      return clipPath;
    };
    // The picture is read only when its clip cuts it: most clips (the
    // page's, a form's box) hold the whole picture.
    const auto clipped =
        rasterPictures_.clippedImage(path, image->objectKey, scale, pageTransform, T, frame, s.clipBezierPaths, save);
    if (clipped.unreadable)
      VQDiagnose(VQDiagnosticCategory::Image, "didScanXObjectImage: image with path is null:" + path + "!");
    if (clipped.show == VQPDFRasterPictures::ClippedImage::Show::Hidden) return;
    if (clipped.show == VQPDFRasterPictures::ClippedImage::Show::Cut) {
      VQDocxRunImage::PlaceRenderedBitmap(*info, clipped.picture.clipRect, clipped.picture.pixelWidth,
                                          clipped.picture.pixelHeight);
      path = clipped.picture.path;
    }
  }

  const std::optional<std::string> title = info->imageID;
  auto run = newRunImage(std::move(info), path, title, false);
  applySoftMaskIfNeed(s, *run);
  // The picture keeps the decoded file: the package takes it at the end.
  if (run->imagePath == image->cachedImagePath) VQPDFImageFileTracker::claim(image->cachedImagePath);
  currentPage_->allRunImageArray.push_back(std::move(run));
}

void VQDocxPDFPageParser::applySoftMaskIfNeed(VQPDFRenderState& state, VQDocxRunImage& run) {
  if (state.isParseringExtGState || !state.haveSoftMask) return;
  state.haveSoftMask = false;
  auto& images = currentPage_->allRunImageArray;
  if (state.softMaskBlendMode == 0 || images.empty()) return;
  // Only the mask group's own picture is a mask; any other picture is page
  // content and stays as it is.
  const std::shared_ptr<VQDocxRunImage> mask = images.back();
  if (!mask->isExtGStateSMask) return;
  const auto masked = VQDocxRunImage::RunImage(run, *mask);
  if (!masked) return;
  images.pop_back();
  forgetImageFiles({mask->imagePath.value_or(""), run.imagePath.value_or("")});
  run.runImageID = currentPage_->collectImageWithPath(*masked);
  run.imagePath = *masked;
  run.isExtGStateSMask = false;
}

bool VQDocxPDFPageParser::isImageFileShown(const std::string& path) const {
  const auto& images = currentPage_->allRunImageArray;
  return std::any_of(images.begin(), images.end(), [&](const auto& run) { return run->imagePath == path; });
}

void VQDocxPDFPageParser::forgetImageFiles(const std::vector<std::string>& leaving) {
  std::vector<std::string> paths;
  for (const auto& path : leaving)
    if (!path.empty() && !isImageFileShown(path) && std::find(paths.begin(), paths.end(), path) == paths.end())
      paths.push_back(path);
  if (paths.empty()) return;
  if (const auto& document = currentPage_->documentHandle()) document->removeCollectedImageWithRunImages(paths);
  forgottenImageFiles_.insert(forgottenImageFiles_.end(), paths.begin(), paths.end());
}

void VQDocxPDFPageParser::forgetAllImageFiles() {
  if (!currentPage_) return;
  for (const auto& run : currentPage_->allRunImageArray)
    if (run->imagePath) forgottenImageFiles_.push_back(*run->imagePath);
}

void VQDocxPDFPageParser::removeForgottenImageFiles() {
  // Without a document nothing would ever package the pictures' files or
  // remove them: they go with the pass.
  const bool owned = currentPage_ && currentPage_->documentHandle();
  if (!owned) forgetAllImageFiles();
  // Only after the pass: the page's decoded images are handed out again for
  // each drawing of the same image, until the pass ends.
  for (const auto& path : forgottenImageFiles_) {
    std::error_code ec;
    if (!owned || !isImageFileShown(path)) fs::remove(path, ec);
  }
  forgottenImageFiles_.clear();
}

void VQDocxPDFPageParser::beginRasterPictures() {
  const double dpi = renderedImageDPI();
  rasterPictures_.beginPage(currentPageCropBox().size, AffineTransformMakeScale(dpi / 72, dpi / 72),
                            [dpi](const Bitmap& bitmap, const std::string& kind) -> std::optional<std::string> {
                              const std::string path = VQPDFPathUtilities::tempIMG(kind, "PNG");
                              if (!VQPDFExportCGImageToFileWithDestination_VQLib(bitmap, path, "png", dpi, dpi, 1.0f))
                                return std::nullopt;
                              return path;
                            });
}

void VQDocxPDFPageParser::endRasterPictures() {
  const auto rest = rasterPictures_.endPage();
  if (currentPage_ && rest) addRenderedPicture(&*rest);
}

void VQDocxPDFPageParser::addRenderedPicture(const VQPDFRasterPictures::Picture* picture) {
  // An empty clip leaves nothing to show, and no size to measure pixels by.
  if (!picture || !hasArea(picture->clipRect)) return;
  auto info = std::make_shared<VQDocxImageInfo>();
  VQDocxRunImage::PlaceRenderedBitmap(*info, picture->clipRect, picture->pixelWidth, picture->pixelHeight);
  info->opacity = 1.0f;
  auto run = newRunImage(info, picture->path, std::nullopt, true);
  info->imageID = run->runImageID;
  currentPage_->allRunImageArray.push_back(std::move(run));
}

void VQDocxPDFPageParser::didScanPaintShading(VQPDFConentParser*, const std::shared_ptr<VQPDFShading>& shading) {
  if (!currentPage_ || !shading) return;
  const VQPDFRenderState& s = renderingStateStack().topRenderingState();
  addRenderedPicture(rasterPictures_.shading(AffineTransformConcat(s.ctm, currentPageTransform()),
                                             currentPageTransform(), s.clipBezierPaths, shading,
                                             currentPage_->runScanCount()));
}

void VQDocxPDFPageParser::didScanPatternPathStrokeFill(VQPDFConentParser*, const Path& path, bool stroke, bool fill) {
  if (!currentPage_ || path.isEmpty()) return;
  const VQPDFRenderState& s = renderingStateStack().topRenderingState();
  const double lineWidth =
      VQLineUtilites::LineWidthApplyTransform(s.lineWidth, AffineTransformConcat(s.ctm, currentPageTransform()));
  const auto paint = VQPDFExporterRaster::PatternPaintForState(s, stroke, fill, lineWidth);
  if (!paint.fill && !paint.stroke) return;
  const double dpi = renderedImageDPI();
  // A pattern's matrix leads from the page's default space, not from the
  // space the path was drawn in.
  const auto draw = [&](Rect* clipRect) {
    return VQPDFExporterRaster::DrawPatternInContextSize(
        currentPageCropBox().size, currentPageTransform(), AffineTransformMakeScale(dpi / 72, dpi / 72),
        currentPageTransform(), s.clipBezierPaths, clipRect, path, paint);
  };
  addRenderedPicture(rasterPictures_.drawing(draw, "Pattern", currentPage_->runScanCount()));
}

void VQDocxPDFPageParser::didScanTextBoxTextFontNameFontColorFontSizeAlignmentBorderStrokeBorderFill(
    VQPDFConentParser*, const Rect& box, const std::string& text, const std::string& fontName,
    const VQPDFColor& fontColor, double fontSize, int64_t alignment, bool borderStroke, bool borderFill) {
  if (!currentPage_) return;
  const VQPDFRenderState& s = renderingStateStack().topRenderingState();
  if (s.textRenderMode == 3 || (isShouldCancel && isShouldCancel->load())) return;
  const Rect frame = RectApplyAffineTransform(box, AffineTransformConcat(s.ctm, currentPageTransform()));
  if (!isFiniteRect(frame) || RectIsNull(frame)) return;
  // A size that is no positive number would be written as such.
  const double size = std::isfinite(fontSize) && fontSize > 0 ? fontSize : VQDocxPageMinFontSizeStart;

  auto info = std::make_shared<VQDocxTextBoxInfo>();
  setFrame(*info, frame);
  info->stroked = borderStroke;
  info->filled = borderFill;
  info->strokeweight = s.lineWidth;
  info->strokeDashPattern = s.lineDashPattern;
  info->strokeDashPhase = s.lineDashPhase;
  info->strokecolor = s.currentStrokeColor();
  info->fillcolor = s.currentFillColor();
  info->rotation = 0;

  const std::string name = fontName.empty() ? "Arial Unicode MS" : fontName;
  VQDocx_RPr r = VQDocxUtilities::defaultRProperty();
  r.scrpit = 0;
  VQDocxSetText(r.rFonts.ascii, name);
  r.rFonts_backup = r.rFonts.ascii;
  r.b = VQPDFFontUtilities::isBoldFontName(name) ? 1 : 0;
  const bool italicFace = s.font && s.font->fontDescriptor && s.font->fontDescriptor->isItalic();
  r.i = VQPDFFontUtilities::isItalicFontName(name) || italicFace ? 1 : 0;
  const VQPDFRGB rgb = VQPDFRenderState::RGBColorForPDFColor(fontColor);
  r.color = VQDocx_Color{rgb.r, rgb.g, rgb.b, 255};
  r.sz = static_cast<float>(size);
  r.spacing = 0;
  r.w = 100;
  r.u = 0;
  r.noProof = 1;

  auto run = std::make_shared<VQDocxRunText>();
  run->isAnnotion = s.isAnnotionParsering;
  run->pdfAnnotionIndex = s.pdfAnnotionIndex;
  const auto index = static_cast<uint64_t>(currentPage_->nextRunScanIndex());
  run->setPdfScanIndex(index);
  run->pdfScanIndex_BegainText = UINT64_MAX;  // drawn by no text object
  run->pdfScanIndex_ShowText = UINT64_MAX;
  run->textScanIndex = index;
  run->rProperty = r;
  run->textWidth = 0;
  run->spaceWidth = 0;
  run->setRunText(text.empty() ? " " : text);

  auto paragraph = std::make_shared<VQDocxParagraph>();
  paragraph->pProperty = VQDocxParagraph::ExactLinePProperty(
      size, 0, 0, alignment == 1 || alignment == 2 ? static_cast<int>(alignment) : 0);
  paragraph->addRunTextArray({run});

  auto textBox = std::make_shared<VQDocxRunTextBox>();
  textBox->isAnnotion = s.isAnnotionParsering;
  textBox->pdfAnnotionIndex = s.pdfAnnotionIndex;
  textBox->setPdfScanIndex(static_cast<uint64_t>(currentPage_->nextRunScanIndex()));
  textBox->pictZIndex = currentPage_->nextTextBoxZIndex();
  textBox->paragraphArray = {paragraph};
  textBox->pictInfo = std::move(info);
  currentPage_->allRunTextBoxArray.push_back(std::move(textBox));
}

}  // namespace vq
