#pragma once
// One page parse, made the same way for every output format: the page's
// set-up, a render-state stack shared with the content interpreter, and the
// interpreter run with the conversion's settings, reporting to the page
// parser of the format. While a text report lasts, the capture also answers
// where the reported glyph lies in display space.
//
//   VQPDFPageCapture capture(settings);
//   capture.beginPage(page);         // set-up and a fresh stack
//   ... the format begins its page (capture.pageSetup())
//   capture.run(delegate);           // reports arrive on the delegate
//   ... the format ends its page
//   capture.endPage();               // the stack goes
//
// Inside didScanTextTextOffset the delegate asks capture.textGlyph(text,
// offset) once and works from that record; it also says whether a word gap
// comes before the glyph, by the one rule every format follows.
#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "pdf/VQPDFTransform.h"
#include "pdf/VQPDFWordGaps.h"
#include "pdf/capture/VQPageSetup.h"
#include "platform/graphics/VQGeometry.h"
#include "platform/pdf/PdfDocument.h"

namespace vq {

class VQPDFConentParserDelegate;
class VQPDFFontCache;
class VQPDFRenderState;
class VQPDFRenderStateStack;

// What every page parse of one conversion does alike.
struct VQPDFPageCaptureSettings {
  // Draw the page's annotations after its content.
  bool annotations = true;
  // Decode images into temporary files. Output that takes no pixels turns it
  // off: images are still reported, with the size their dictionary declares.
  bool decodeImages = true;
  // A flag that stops the parse once set (the conversion's cancel flag),
  // or null.
  const std::atomic<bool>* cancel = nullptr;
  // Fonts shared by the pages of one document, or null to build the fonts of
  // every page anew. A cache belongs to one thread: only pages parsed on the
  // thread of the capture's first parse use it.
  std::shared_ptr<VQPDFFontCache> fontCache;
};

class VQPDFPageCapture {
 public:
  explicit VQPDFPageCapture(VQPDFPageCaptureSettings settings = {});
  ~VQPDFPageCapture();
  VQPDFPageCapture(const VQPDFPageCapture&) = delete;
  VQPDFPageCapture& operator=(const VQPDFPageCapture&) = delete;

  const VQPDFPageCaptureSettings& settings() const { return settings_; }
  void setCancelFlag(const std::atomic<bool>* flag) { settings_.cancel = flag; }

  // Begins a page: its set-up and a fresh render-state stack. `extraAngle`
  // is taken off the page's /Rotate, for a page captured again turned.
  void beginPage(const pdf::Page& page, long long extraAngle = 0);
  // Begins a page of a given set-up that nothing is parsed on: the caller
  // feeds the delegate reports by hand and sets the stack's state itself.
  void beginPage(const VQPageSetup& setup);
  // Runs the interpreter over the page begun, reporting to `delegate`.
  // Decoded images that the delegate does not claim are removed before it
  // returns. Nothing runs on a page begun from a set-up alone.
  void run(VQPDFConentParserDelegate& delegate);
  // Ends the page: the stack and what its states hold go.
  void endPage();

  // Between beginPage and endPage.
  bool hasPage() const { return stack_ != nullptr; }
  const VQPageSetup& pageSetup() const { return setup_; }
  VQPDFRenderStateStack& renderingStateStack() const { return *stack_; }

  // The display geometry of the glyph being reported, read from the top
  // render state when it is made. Each value is worked out at most once, on
  // first use. Valid while the report lasts.
  class Glyph {
   public:
    const VQPDFRenderState& state() const { return state_; }
    // The font's ascent and descent in text space (see fontMetrics).
    double ascent() const { return ascent_; }
    double descent() const { return descent_; }
    // The glyph's orientation (the font's glyph orientation, its x axis
    // reversed under a negative horizontal scaling) x text matrix (raised by
    // the text rise) x CTM x page transform. Its determinant says whether the reader sees the
    // glyph mirrored, and its y axis points to where the glyph's top is.
    const AffineTransform& transform() const { return transform_; }
    // The same after the glyph's advance (the report's offset, horizontally
    // scaled as the text position moves).
    const AffineTransform& nextTransform() const;
    // Where the glyph and the position after it lie on the display page.
    const VQPDF_CTMInfo& placement() const;
    const VQPDF_CTMInfo& nextPlacement() const;
    // nextPlacement().topLeft without the rest of the placement.
    Point nextTopLeft() const;
    // The font size in display space.
    Size fontSize() const;
    // The display size of a glyph frame `width` text-space units long along
    // the line (widths and heights as magnitudes). Widths here are those of
    // the font, before horizontal scaling, which these measures apply.
    Size displaySize(double width) const;
    double displayWidth(double width) const { return displaySize(width).width; }
    // How long an advance of `width` (text space) is along the glyph's base
    // line on the display page, whichever way the glyph is turned.
    double displayAdvance(double width) const;
    // The glyph leans, as oblique and synthesised italic type does: its up
    // direction stands more than two degrees off the perpendicular to its
    // base line. Measured from the base line, a turned, mirrored or unevenly
    // scaled glyph that does not lean is upright.
    bool isSlanted() const;

    // The glyph is a blank: its code's text is white space, whatever the
    // code and however wide the font or the spacing make it.
    bool isBlank() const { return blank_; }
    // A word gap parts the glyph from the glyph before it on its line: a
    // blank glyph drawn between them (even one narrowed to nothing), or a
    // gap the word-gap rule reads as one. Known for textGlyph only.
    bool wordGapBefore() const { return wordGapBefore_; }
    // The glyph's type as the word-gap rule measures it: the size along the
    // line and the font's own blank.
    VQPDFWordGapFont gapFont() const;

   private:
    friend class VQPDFPageCapture;
    Glyph(const VQPDFRenderState& state, const AffineTransform& pageTransform, const Size& offset);
    // transform() with the text position moved by `advance` (text space,
    // before horizontal scaling).
    AffineTransform advancedTransform(const Size& advance) const;

    const VQPDFRenderState& state_;
    AffineTransform pageTransform_;
    Size offset_;
    AffineTransform textMatrix_;  // the state's, with its rise
    double ascent_ = 0, descent_ = 0;
    AffineTransform orientation_;
    AffineTransform transform_;
    // The linear parts of the chain with the text position moved (without
    // and with the orientation), shared by every advance.
    AffineTransform movedLinear_, advancedLinear_;
    mutable std::optional<AffineTransform> nextTransform_;
    mutable std::optional<VQPDF_CTMInfo> placement_, nextPlacement_;
    // Asked by the capture's word-gap rule and again by the format.
    mutable std::optional<VQPDFWordGapFont> gapFont_;
    bool blank_ = false;
    bool wordGapBefore_ = false;
  };
  // The glyph of a didScanTextTextOffset report with its `offset`; only
  // while a page is begun.
  Glyph glyph(const Size& offset) const;
  // The glyph of a didScanTextTextOffset report with its `text` and
  // `offset`, with wordGapBefore known. Each report is asked once, in order:
  // the capture follows the glyphs along their lines.
  Glyph textGlyph(const std::string& text, const Size& offset);

 private:
  // Where the last glyph other than a blank left its line, and whether a
  // blank glyph has been drawn on the line since.
  struct LineTrail {
    Point end;        // display position after the glyph's own advance
    Point direction;  // unit vector along the base line
    VQPDFWordGapFont font;
    bool blankSince = false;
  };

  VQPDFPageCaptureSettings settings_;
  std::optional<pdf::Page> page_;
  VQPageSetup setup_;
  std::shared_ptr<VQPDFRenderStateStack> stack_;
  std::optional<std::thread::id> fontCacheThread_;
  std::optional<LineTrail> trail_;
};

}  // namespace vq
