#pragma once
// The per-page parser of the DOCX converter: one is made for every page and
// dropped after it. It runs the page capture over the page with itself as
// delegate, records what the page paints as runs of a VQDocxPage, and has the
// page lay itself out; the document then writes that page as a part file.
//
// It sits above both the run classes and the page model, which is why it
// lives with the exporter rather than with the runs it makes.
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "exporter/VQPDFOptions.h"
#include "office/VQDocxTypes.h"
#include "pdf/VQPDFConentParserDelegate.h"
#include "pdf/VQPDFTransform.h"
#include "pdf/capture/VQPDFPageCapture.h"
#include "pdf/raster/VQPDFExporterRaster.h"
#include "pdf/raster/VQPDFRasterPictures.h"
#include "platform/graphics/VQGeometry.h"
#include "platform/pdf/PdfDocument.h"

namespace vq {

struct Bitmap;
class VQDocxDocument;
class VQDocxImageInfo;
class VQDocxPage;
class VQDocxRunImage;
class VQDocxRunPath;
class VQDocxRunText;

class VQDocxPDFPageParser : public VQPDFConentParserDelegate {
 public:
  using Glyph = VQPDFPageCapture::Glyph;

  // Keeps the document (the pages it makes register images with it) and the
  // conversion's options, which every page it makes reads.
  // `fontCache`, when given, holds fonts this thread built for earlier pages.
  VQDocxPDFPageParser(std::shared_ptr<VQDocxDocument> document, const VQPDFOptions& moreOptions,
                      std::shared_ptr<VQPDFFontCache> fontCache = nullptr);
  ~VQDocxPDFPageParser() override;
  VQDocxPDFPageParser(const VQDocxPDFPageParser&) = delete;
  VQDocxPDFPageParser& operator=(const VQDocxPDFPageParser&) = delete;

  // Captures the page as the page at 1-based position `toPageIndex` and lays
  // it out. An absent page gives false and leaves currentPage() as it was.
  // When the first capture shows the page turned, it is captured once more
  // turned upright, and only that capture is kept.
  bool convertPDFPage(const std::optional<pdf::Page>& page, int64_t toPageIndex, bool isFirstPage, bool isLastPage);

  // The page of the last capture pass, or nullptr.
  const std::shared_ptr<VQDocxPage>& currentPage() const { return currentPage_; }
  const std::shared_ptr<VQDocxDocument>& documentHandle() const { return documentHandle_; }
  const VQPDFOptions& moreOptions() const { return moreOptions_; }

  // Stops text handling early when the conversion is cancelled.
  const std::atomic<bool>* isShouldCancel = nullptr;

  // The page set-up of the running or last pass: the crop box (display size
  // after the size limits) and PDF user space to display space.
  const Rect& currentPageCropBox() const { return capture_.pageSetup().cropBox; }
  const AffineTransform& currentPageTransform() const { return capture_.pageSetup().transform; }

  // The run properties of the glyph being reported. Lowers the page's
  // smallest font size.
  VQDocx_RPr currentRProperty(const Glyph& glyph);

  // For tests: begin a page of this set-up without parsing, so the render
  // state can be set by hand and glyphs asked for.
  void beginPageForTesting(const VQPageSetup& setup, int64_t toPageIndex);

  // A glyph reported by the interpreter: filtered, then taken as main text
  // or set aside for a text box or a text path.
  void didScanTextTextOffset(VQPDFConentParser* parser, const std::string& text, const Size& offset) override;

  // The rotation a text box takes for a glyph turned `rotation` degrees:
  // below 5 (or rounding to 360) is 0, within 5 degrees of 90, 180 or 270 is
  // that angle, any other angle is kept (normalised into [0, 360)).
  static float snappedRotation(float rotation);
  // How far apart two directions are, in degrees 0..180 (359.9 and 0.1 are
  // 0.2 apart).
  static float angleDistance(float a, float b);
  // The blanks that stand for a gap on a text-box line: as many whole blank
  // widths as fit, none when the blank width is 0.01 points or less, and
  // never more than a page could hold.
  static std::string blanksForGap(double gap, double blank);

  // ---- Paths (VQDocxPDFPageParserPaths.cpp)

  // A painted path (PDF page space): filtered, checked against its clip,
  // simplified (thin filled bars become lines) and recorded as a path run;
  // a near-white fill before any graphics removes the text it covers
  // instead, and a path under a soft mask masks the page's last picture.
  void didScanPathStrokeFill(VQPDFConentParser* parser, const Path& path, bool stroke, bool fill) override;
  // Drops the text runs, then the path runs, lying wholly inside `rect`
  // (display space).
  void removeObjectsHidenBehindInRect(const Rect& rect);
  void removeTextHidenBehindInRect(const Rect& rect);
  void removePathHidenBehindInRect(const Rect& rect);
  // The page has no text box, text path, picture or path yet (main text
  // does not count).
  bool isContentCurrentEmpty() const;
  // The path belongs to the appearance of a "Highlight" or "Widget"
  // annotation, which paints under the page's text.
  static bool isUnderTextAnnot(const VQPDFConentParser* parser, const VQPDFRenderState& state);
  // Above this many paths on a page no path is taken; above
  // kMostDetailedPaths, paths are neither clipped nor simplified.
  static constexpr size_t kMostPaths = 120000;
  static constexpr size_t kMostDetailedPaths = 1999;
  VQPDFRenderStateStack& renderingStateStack() const { return capture_.renderingStateStack(); }
  const VQPDFPageCapture& capture() const { return capture_; }

 protected:
  // A new page model for a capture pass (tests give their own).
  virtual std::shared_ptr<VQDocxPage> newPage(double width, double height, const AffineTransform& pageTransform,
                                              int64_t pdfPageIndex, int64_t toPageIndex, bool isFirstPage,
                                              bool isLastPage);

 private:
  // Page set-up with `angle` taken off the page's rotation.
  void setUpCurrentPageInfo(const pdf::Page& page, int angle);
  // One capture pass into a new page model.
  void reDoContentPDFParser(const pdf::Page& page, int64_t toPageIndex, bool isFirstPage, bool isLastPage);
  void beginPass(int64_t pdfPageIndex, int64_t toPageIndex, bool isFirstPage, bool isLastPage);
  // The part of the page the state's clip paths leave visible, in display
  // space: the crop box without clip paths, else the clip paths' bounds
  // within it (the zero rectangle when they leave nothing). Worked out once
  // per clip state, as glyphs of one state share it.
  const Rect& visibleArea(const VQPDFRenderState& state);
  // Closes a text box and a text path still open at the end of a pass.
  void endTextBoxWritingIfNeed();
  void endTextPathWritingIfNeed();
  // The routes of a glyph that passed the filters.
  void usingDocxMainText(VQPDFConentParser* parser, const std::string& text, const Glyph& glyph);
  // Text paths: open one at this glyph, add the glyph to the open one, and
  // decide whether the glyph continues the open one.
  void newDocxTextPath(VQPDFConentParser* parser, const std::string& text, const Glyph& glyph);
  void appendDocxTextPath(VQPDFConentParser* parser, const std::string& text, const Glyph& glyph);
  void usingDocxTextPath(VQPDFConentParser* parser, const std::string& text, const Glyph& glyph);
  // The next glyph is expected where this one leaves off.
  void takeNextPlacement(const Glyph& glyph);
  // The next glyph is expected where the main text left off.
  void resetNextPlacementToMainText();
  // A picture or a shape ends the text box or text path being filled; the
  // next glyph is then placed from the main text.
  void endOpenTextBoxOrPath();
  // A path painted under a soft mask: drawn through the page's last picture
  // used as its mask, that picture then shows the result instead of its own
  // image (nothing happens without a blend mode or a picture).
  void drawThroughSoftMask(const VQDocxRunPath& run, int softMaskBlendMode);
  // Text boxes: open one at this glyph, add the glyph to its last
  // paragraph, and decide whether the glyph continues the box (same line,
  // next line) or leaves it.
  void newDocxTextBox(VQPDFConentParser* parser, const std::string& text, const Glyph& glyph);
  // `gap` is the room the page leaves before the glyph on its line, which
  // the box holds as well.
  void appendDocxTextBox(VQPDFConentParser* parser, const std::string& text, const Glyph& glyph, double gap = 0);
  void usingDocxTextBox(VQPDFConentParser* parser, const std::string& text, const Glyph& glyph);
  // A new paragraph in the box being filled: exact lines of `line` points,
  // indented `indentLeft` from the box's edge.
  void startTextBoxParagraph(double line, double indentLeft);
  std::shared_ptr<VQDocxRunText> newRunText(VQPDFConentParser* parser, const std::string& text, const Glyph& glyph);

  std::shared_ptr<VQDocxDocument> documentHandle_;
  VQPDFOptions moreOptions_;
  VQPDFPageCapture capture_;
  std::shared_ptr<VQDocxPage> currentPage_;

  // Where the last main-text glyph left off, and where the next glyph is
  // expected; text boxes and text paths compare each glyph with the latter.
  VQPDF_CTMInfo mainTextCTMInfo_{};
  VQPDF_CTMInfo nextCharCTMInfo_{};
  // Where the first glyph of the text box being filled stands on its base line.
  Point textBoxOrigin_;
  // The clip paths visibleArea() was last worked out for, and its answer.
  // The key holds the clip records themselves: a clip that a Q has freed
  // could otherwise be followed by a new one at the same address, which
  // would then be given the old one's area.
  VQPDFClipStack visibleAreaClips_;
  Rect visibleArea_;
  bool haveVisibleArea_ = false;

  // The face names the last glyph's record took, by their text: glyphs of one
  // font follow each other, and their records then share the names.
  VQDocxFontName lastFontName_;
  VQDocxFontName lastReplaceFontName_;

  // No main-text glyph taken on this page yet; set once per page, so a second
  // pass starts with what the first left.
  bool isNotScanTextYet_ = true;

  // ---- Pictures: images, shadings, pattern-painted paths and the text boxes
  // of free-text annotations (VQDocxPDFPageParserImages.cpp).
 public:
  void didScanXObjectImage(VQPDFConentParser* parser, const std::shared_ptr<VQPDFImageXObject>& image) override;
  void didScanPaintShading(VQPDFConentParser* parser, const std::shared_ptr<VQPDFShading>& shading) override;
  void didScanPatternPathStrokeFill(VQPDFConentParser* parser, const Path& path, bool stroke, bool fill) override;
  void didScanTextBoxTextFontNameFontColorFontSizeAlignmentBorderStrokeBorderFill(
      VQPDFConentParser* parser, const Rect& box, const std::string& text, const std::string& fontName,
      const VQPDFColor& fontColor, double fontSize, int64_t alignment, bool borderStroke, bool borderFill) override;

 private:
  // The resolution pictures are rendered at: the options' within 72..600.
  double renderedImageDPI() const;
  // A picture run of the top render state for a registered file.
  std::shared_ptr<VQDocxRunImage> newRunImage(std::shared_ptr<VQDocxImageInfo> info, const std::string& path,
                                              std::optional<std::string> title, bool isShading);
  // A shading or pattern rasterised by the page's pictures becomes a
  // picture run (the file may be another run's too).
  void addRenderedPicture(const VQPDFRasterPictures::Picture* picture);
  // Begins the pass's rasterised pictures, and places what they drew past
  // their bound.
  void beginRasterPictures();
  void endRasterPictures();
  // A picture painted under a soft mask shows through the mask group's
  // picture, which the page drew just before it.
  void applySoftMaskIfNeed(VQPDFRenderState& state, VQDocxRunImage& run);
  // Unregisters the files of pictures that leave the page, unless another
  // picture shows them; they are removed from disk after the pass.
  void forgetImageFiles(const std::vector<std::string>& leaving);
  bool isImageFileShown(const std::string& path) const;
  // Forgets the files of every picture of the page, for a capture that is
  // dropped whole.
  void forgetAllImageFiles();
  // Removes the files forgotten during the pass that no picture shows, and
  // every picture file of a page without a document.
  void removeForgottenImageFiles();
  std::vector<std::string> forgottenImageFiles_;
  VQPDFRasterPictures rasterPictures_;
};

}  // namespace vq
