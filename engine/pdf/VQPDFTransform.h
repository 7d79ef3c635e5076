#pragma once
// The glyph placement record every writer stores in its text runs, and the
// small transform and angle functions the writers share.
#include "platform/graphics/VQGeometry.h"

namespace vq {

struct VQPDF_CTMInfo {
  char flip = 0;  // 1 when the glyph transform mirrors (negative determinant)
  float rotation = 0;
  double yTop = 0, yAscent = 0, yBase = 0, yDescent = 0, yBottom = 0;
  double xTop = 0, xAscent = 0, xBase = 0, xDescent = 0, xBottom = 0;
  double xLeft = 0, xRight = 0;
  double yLeft = 0, yRight = 0;
  Rect frame;
  Point topLeft;
  Point bottomLeft;
  Size fontSize;
};

VQPDF_CTMInfo VQPDFTransformGetFontCTMInfo(double fontSize, double ascent, double descent, const AffineTransform& m);
Size VQPDFTransformGetFontSize(double fontSize, double ascent, double descent, const AffineTransform& m);
// Whole degrees in [0, 360); an angle that rounds up to 360 is 0.
float VQPDFTransformGetRotation(const AffineTransform& m);
Rect VQPDFTransformGetFontFrame(double fontSize, double ascent, double descent, const AffineTransform& m1,
                                const AffineTransform& m2);

}  // namespace vq
