#pragma once
// Draws a content stream (a tiling pattern's cell) into a bitmap: filled and
// stroked paths in their colours or patterns, and images; text and shading
// operators are left out. Runs the content interpreter with itself as
// the delegate.
#include <memory>
#include <optional>

#include "pdf/VQPDFConentParser.h"
#include "pdf/VQPDFConentParserDelegate.h"
#include "platform/graphics/VQDrawingContext.h"
#include "platform/graphics/VQGeometry.h"
#include "platform/imageio/VQBitmap.h"
#include "platform/pdf/PdfObject.h"

namespace vq {

class VQPDFConentDrawer : public VQPDFConentParserDelegate {
 public:
  // `mediaBox` is the area of stream space drawn; `scale` pixels per unit.
  // The bitmap is ceil(width x scale) by ceil(height x scale) pixels (at
  // least 1 x 1); no bitmap when that is too large.
  VQPDFConentDrawer(const pdf::Object& contentDictionary, std::shared_ptr<const pdf::ContentStream> contentStream,
                    const Rect& mediaBox, double scale = 1.0);
  ~VQPDFConentDrawer() override;

  // Runs the stream once.
  void draw();
  // The bitmap's current contents, rows from the top; nothing without a bitmap.
  std::optional<Bitmap> CGImage() const;

  void didScanPathStrokeFill(VQPDFConentParser* parser, const Path& path, bool stroke, bool fill) override;
  // Pattern fills inside the stream draw their own patterns (nesting bounded
  // by DrawStream).
  void didScanPatternPathStrokeFill(VQPDFConentParser* parser, const Path& path, bool stroke, bool fill) override;
  void didScanXObjectImage(VQPDFConentParser* parser, const std::shared_ptr<VQPDFImageXObject>& image) override;

  std::unique_ptr<DrawingContext> bitmapContext;

 private:
  std::unique_ptr<VQPDFConentParser> parser_;
};

// Draws `stream` (with `resources`, or its own /Resources when null) over
// `mediaBox` at `scale` pixels per unit. Nesting of drawn streams is bounded:
// beyond a few levels (a pattern whose cell uses itself) nothing is drawn.
// Image files decoded on the way are removed again.
std::optional<Bitmap> DrawStream(const pdf::Object& stream, const pdf::Object& resources, const Rect& mediaBox,
                                 double scale = 1.0);

}  // namespace vq
