#pragma once
// Patterns that paint themselves into a bitmap context: tiling patterns
// (their cell rendered from the pattern's content stream and repeated) and
// shading patterns.
//
// Coloured tiling patterns (PaintType 1) paint their cell as drawn;
// uncoloured ones (PaintType 2) are stencils painted in the colour the
// content stream gave with the pattern name (scn / SCN), black when it gave
// none.
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "pdf/VQPDFColor.h"
#include "pdf/shading/VQPDFShadingDrawable.h"
#include "platform/graphics/VQColor.h"
#include "platform/graphics/VQDrawingContext.h"
#include "platform/graphics/VQGeometry.h"
#include "platform/pdf/PdfObject.h"

namespace vq {

class VQPDFPattern;
class VQPDFRenderState;

class VQPDFDrawablePattern {
 public:
  virtual ~VQPDFDrawablePattern() = default;

  // The class chosen by /PatternType; null for objects of the wrong kind,
  // other pattern types, a tiling pattern that is not a stream, or a shading
  // pattern without a usable shading.
  static std::shared_ptr<VQPDFDrawablePattern> PatternWithObject(const pdf::Object& object,
                                                                 const std::string& objectKey);
  // The drawable form of an interpreter pattern resource, built once per
  // resource object and thread.
  static std::shared_ptr<VQPDFDrawablePattern> PatternForResource(const std::shared_ptr<VQPDFPattern>& pattern);

  // Fills the context's clip area with the pattern. The context's user
  // space is the pattern's base space (where its Matrix leads: the page's or
  // form's default space); `scaleTransform` is unused and kept for callers
  // that pass the output scale. `color` is the stencil colour of an
  // uncoloured tiling pattern.
  virtual void drawInContext(DrawingContext& context, const AffineTransform& scaleTransform,
                             const std::optional<Color>& color = std::nullopt) = 0;

  std::string objectKey;
  int type = 0;
  AffineTransform matrix;  // pattern space to the base space
};

class VQPDFPatternTiling : public VQPDFDrawablePattern {
 public:
  int paintType = 1;
  int tilingType = 1;
  double bbox[4] = {0, 0, 1, 1};  // two opposite corners
  double xStep = 1.0;
  double yStep = 1.0;
  pdf::Object resDict;
  pdf::Object contentStream;

  bool initWithObject(const pdf::Object& object, const std::string& key);
  void drawInContext(DrawingContext& context, const AffineTransform& scaleTransform,
                     const std::optional<Color>& color = std::nullopt) override;

  // The cell drawn at `scale` pixels per pattern unit: the bounding box,
  // rows from the top; nothing when the content draws nothing or fails.
  std::optional<Bitmap> cellImage(double scale);

 private:
  std::map<int, std::optional<Bitmap>> cells_;  // by scale bucket
};

class VQPDFPatternShading : public VQPDFDrawablePattern {
 public:
  std::shared_ptr<VQPDFDrawableShading> shading;
  bool initWithObject(const pdf::Object& object, const std::string& key);
  void drawInContext(DrawingContext& context, const AffineTransform& scaleTransform,
                     const std::optional<Color>& color = std::nullopt) override;
};

// The stencil colour an uncoloured pattern of the state's fill (or stroke)
// paints with: the components given with the pattern name, in the Pattern
// space's underlying space; nothing when the state's space is not a
// Pattern space with one.
std::optional<Color> VQPDFPatternStencilColor(const VQPDFRenderState& state, bool stroke);

// The average colour the state's fill pattern paints over `area` (the
// page's default space, on which patterns are based), each pixel counted by
// how much it covers; nothing where the pattern paints nothing there. The
// render state's pattern averager: VQPDFPageCapture installs it.
std::optional<VQPDFRGB> VQPDFPatternAverageFillColor(const VQPDFRenderState& state, const Rect& area);

}  // namespace vq
