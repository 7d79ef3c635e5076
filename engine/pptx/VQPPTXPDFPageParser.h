#pragma once
// Turns one PDF page into one slide: runs the page capture with itself as
// delegate and turns what the page paints into shapes in painting order:
// text into text boxes, paths into freeforms, images, shadings and
// pattern-painted paths into pictures.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

#include "pdf/VQPDFConentParserDelegate.h"
#include "pdf/VQPDFTransform.h"
#include "pdf/VQPDFWordGaps.h"
#include "pdf/capture/VQPDFPageCapture.h"
#include "pdf/raster/VQPDFRasterPictures.h"
#include "platform/pdf/PdfDocument.h"
#include "pptx/VQPPTXShape.h"

namespace vq {

class VQPPTXDocument;
class VQPPTXPage;

// Snaps a glyph direction to the box rotations a slide uses: below 5 is 0,
// about 90 and about 270 snap to those; anything else stays.
double VQPPTXSnapRotation(double rotation);

// The combining form of a spacing accent (U+00A8 dieresis gives U+0308),
// or 0 for any other character.
uint32_t VQPPTXCombiningAccent(uint32_t c);

class VQPPTXPDFPageParser : public VQPDFConentParserDelegate {
 public:
  // Pages are parsed with the conversion's `settings`.
  explicit VQPPTXPDFPageParser(VQPPTXDocument& document, VQPDFPageCaptureSettings settings = {});
  ~VQPPTXPDFPageParser() override;

  // false for a missing page. Throws std::runtime_error when the slide
  // cannot be written.
  bool convertPDFPage(const std::optional<pdf::Page>& page, int64_t pageIndex);
  // The crop box after the size limits (display size).
  const Rect& currentPageCropBox() const { return capture_.pageSetup().cropBox; }

  // Stops text handling early when the conversion is cancelled.
  const std::atomic<bool>* isShouldCancel = nullptr;

  void didScanTextTextOffset(VQPDFConentParser* parser, const std::string& text, const Size& offset) override;
  void didScanPathStrokeFill(VQPDFConentParser* parser, const Path& path, bool stroke, bool fill) override;
  void didScanPatternPathStrokeFill(VQPDFConentParser* parser, const Path& path, bool stroke, bool fill) override;
  void didScanPaintShading(VQPDFConentParser* parser, const std::shared_ptr<VQPDFShading>& shading) override;
  void didScanXObjectImage(VQPDFConentParser* parser, const std::shared_ptr<VQPDFImageXObject>& image) override;

  void endTextBoxWritingIfNeed();

  // For tests: set up the geometry of a page of this crop box without
  // parsing, so the delegate reports can be fed by hand.
  void beginPageForTesting(const VQPageSetup& setup, int64_t pageIndex);
  VQPPTXPage* currentPage() const { return page_.get(); }
  VQPDFRenderStateStack& renderingStateStack() const { return capture_.renderingStateStack(); }
  void finishPage();

 private:
  using Glyph = VQPDFPageCapture::Glyph;
  void beginPage(int64_t pageIndex);
  VQPPTX_RunPr currentRProperty(const Glyph& glyph);
  void newPPTXTextBox(const Glyph& glyph, const std::string& text);
  void usingPPTXTextBox(const Glyph& glyph, const std::string& text);
  void appendPPTXTextBox(const Glyph& glyph, const std::string& text, double blankWidth);
  // What the shared word-gap rule needs of the glyph and the open box's
  // text, in slide points along the glyph's base line.
  VQPDFWordGapFont wordGapFont(const Glyph& glyph);
  // Joins a lone letter and a spacing accent drawn over each other (in
  // either order; `along` is the gap before the glyph) into the letter with
  // its combining accent; false when the text and the open run's last
  // character are no such pair.
  bool joinAccent(const Glyph& glyph, const std::string& text, double along);
  void resetNextChar();
  // True when `box` repeats a text box of the page at nearly its place
  // (the earlier one is made bold); else remembers it.
  bool isOverprint(VQPPTXTextbox& box);
  void addPicture(const std::string& imagePath, VQPPTXImageInfo info);

  VQPPTXDocument& document_;
  VQPDFPageCapture capture_;
  std::unique_ptr<VQPPTXPage> page_;
  double nextCharFontSize_ = 1;
  AffineTransform nextCharTransform_ = AffineTransformIdentity;
  VQPDF_CTMInfo nextCharCTMInfo_{};
  // The slide y of the open paragraph's base line (upright text): raised and
  // lowered glyphs are measured from it.
  double lineBase_ = 0;
  // The last text appended to the open box: where it stands and how far
  // along its line it advanced.
  struct LastGlyph {
    std::string text;
    Point at;
    double advance = 0;
  };
  LastGlyph lastGlyph_;
  std::map<std::string, bool> installedFonts_;
  struct PlacedText {
    double x, y, rotation, size;
    VQPPTXTextbox* box;  // owned by the slide
  };
  std::unordered_multimap<std::string, PlacedText> placedTexts_;
  // Shadings and pattern fills rasterised on the slide.
  VQPDFRasterPictures rasterPictures_;
  void addRasterPicture(const VQPDFRasterPictures::Picture* picture);
};

}  // namespace vq
