#pragma once
// One complete graphics and text state of the content interpreter, the
// save/restore stack behind q/Q, and the recorded clips. The parser and its
// delegate share the stack: every report is made while the top state
// describes what is being drawn.
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "pdf/VQPDFColor.h"
#include "pdf/VQPDFColorSpace.h"
#include "platform/graphics/VQColor.h"
#include "platform/graphics/VQGeometry.h"
#include "platform/graphics/VQPath.h"

namespace vq {

class VQPDFFont;
class VQPDFPattern;
class VQPDFExtGState;

enum VQPDFClipType {
  VQPDFClipTypeNone = 0,
  VQPDFClipTypeWinding = 1,  // W: nonzero winding
  VQPDFClipTypeEvenOdd = 2,  // W*
};

// One recorded clip: the clipping outline in page space and its fill rule.
struct VQPDFClipPath {
  Path path;
  int clipType = VQPDFClipTypeNone;
  static std::shared_ptr<VQPDFClipPath> NewClipPath(const Path& path, int clipType);
};

class VQPDFRenderState {
 public:
  VQPDFRenderState();
  // Copies share the font, colour spaces, patterns and clip records (all
  // immutable once made) and copy everything else.
  VQPDFRenderState(const VQPDFRenderState&) = default;
  VQPDFRenderState& operator=(const VQPDFRenderState&) = default;

  AffineTransform lineMatrix;  // Tlm
  AffineTransform textMatrix;  // Tm
  AffineTransform ctm;         // user space to page space
  double leading = 0;
  double wordSpacing = 0;
  double characterSpacing = 0;
  double horizontalScaling = 1.0;  // Tz / 100
  double textRise = 0;
  std::shared_ptr<VQPDFFont> font;
  double fontSize = 0;
  // The font's ascent and descent in text space, or a typical Latin pair
  // (0.95, -0.35) when there is no font or its metrics are unusable.
  void fontMetrics(double* ascent, double* descent) const;
  std::shared_ptr<VQPDFColorSpace> fillColorSpace;
  std::shared_ptr<VQPDFColorSpace> strokeColorSpace;
  VQPDFColor fillColor;
  VQPDFColor strokeColor;
  std::shared_ptr<VQPDFPattern> fillPattern;
  std::shared_ptr<VQPDFPattern> strokePattern;
  int blendMode = 0;
  bool fillOverprint = false;
  bool strokeOverprint = false;
  int16_t overprintMode = 0;
  bool strokeAdjust = false;
  int textRenderMode = 0;  // 0..7; 3 invisible; 4..7 add to the clip
  bool alphaFlag = true;
  double strokeAlpha = 1.0;
  double fillAlpha = 1.0;
  bool isParseringExtGState = false;  // a soft-mask group is being drawn
  bool haveSoftMask = false;
  int softMaskBlendMode = 0;  // 3 Alpha, 15 Luminosity
  double lineWidth = 1.0;
  int lineJoinStyle = 0;
  int lineCapStyle = 0;
  double lineFlatness = static_cast<double>(0.6f);
  double lineMiterLimit = 10.0;
  std::vector<double> lineDashPattern;
  int64_t lineDashPhase = 0;
  bool usesEvenOddFillRule = false;
  int64_t beginMarkedContent = 0;
  Path cgPath;                                                  // the path under construction, user space
  int clip = VQPDFClipTypeNone;                                 // pending clip kind
  std::vector<std::shared_ptr<VQPDFClipPath>> clipBezierPaths;  // oldest first, page space
  bool isAnnotionParsering = false;
  int64_t pdfAnnotionIndex = 0;
  bool isXObjectFormParsering = false;
  int64_t pdfXObjectFormIndex = 0;  // forms entered on the way to this state

  void setTextMatrix(const AffineTransform& m, bool replaceLineMatrix);
  // Tm := [1 0 0 1 tx ty] x Tm.
  void translateTextPosition(Size offset) {
    textMatrix = AffineTransformConcat(AffineTransformMakeTranslation(offset.width, offset.height), textMatrix);
  }
  // Tlm := [1 0 0 1 tx ty] x Tlm; Tm := Tlm; with `save`, leading := -ty.
  void newLineWithLeading(double ty, double tx, bool save);
  void newLineWithLeading(double ty, bool save) { newLineWithLeading(ty, 0, save); }
  void newLine() { newLineWithLeading(-leading, false); }  // T*
  // Records a page-space clip; nothing for an empty path or kind 0.
  void clipState(const Path& pagePath, int type);
  void setGraphicState(const VQPDFExtGState* state);
  bool isStateTextClip() const { return textRenderMode >= 4 && textRenderMode <= 7; }

  VQPDFRGB currentFillRGBColor() const;
  VQPDFRGB currentStrokeRGBColor() const;
  // Device RGB, alpha 1 (the state's alphas are not folded in).
  Color currentFillColor() const;
  Color currentStrokeColor() const;
  // The one colour the fill paints with over `area` (default user space),
  // for what takes a single colour (a stencil mask's picture): the fill
  // colour, or the average of a pattern fill there. Where no averager is
  // installed or the pattern paints nothing there, an uncoloured pattern
  // gives the colour it is painted in and any other pattern black.
  VQPDFRGB currentFillPaintRGB(const Rect& area) const;
  // The average colour the state's fill pattern paints over an area, or
  // nothing. Patterns are drawn by a layer above this one, which installs
  // its averager once per process before any page is parsed.
  using PatternAverager = std::optional<VQPDFRGB> (*)(const VQPDFRenderState& state, const Rect& area);
  static void setPatternAverager(PatternAverager averager);
  double currentFillAlpha() const { return fillAlpha; }
  double currentStrokeAlpha() const { return strokeAlpha; }
  // A bare colour (annotation colours) by its length: 1 gray, 3 RGB, 4 CMYK.
  static VQPDFRGB RGBColorForPDFColor(const VQPDFColor& color);
};

class VQPDFRenderStateStack {
 public:
  VQPDFRenderStateStack() { reset(); }

  // One default state.
  void reset();
  // The top state; on an empty stack a new default state is placed first.
  VQPDFRenderState& topRenderingState() {
    if (renderStateArray.empty()) placeDefaultState();
    return *renderStateArray.back();
  }
  // Pushes a copy of `state`, or of the top when null; returns the new top.
  VQPDFRenderState& pushRenderingState(const VQPDFRenderState* state = nullptr);
  // Removes the top (never below the floor); returns the new top.
  VQPDFRenderState& popRenderingState();
  size_t depth() const { return renderStateArray.size(); }

  // The q and Q operators. Past kMostSavedStates states a save is only
  // counted, and its restore only uncounted: a small stream of many q cannot
  // make the stack (and what each state holds) grow without bound.
  static constexpr size_t kMostSavedStates = 4096;
  VQPDFRenderState& saveState();
  VQPDFRenderState& restoreState();

  // Pops stop at the floor: a form XObject or an appearance stream runs with
  // the floor at its own first state, so an unbalanced Q inside it can never
  // reach or change its caller's states.
  size_t floor() const { return floor_; }
  void setFloor(size_t floor) { floor_ = floor; }
  // Drops states above `depth` (restoring the caller after a nested stream).
  void truncate(size_t depth);

  std::vector<std::unique_ptr<VQPDFRenderState>> renderStateArray;  // bottom first

 private:
  void placeDefaultState();
  size_t floor_ = 0;
  size_t uncountedSaves_ = 0;
};

}  // namespace vq
