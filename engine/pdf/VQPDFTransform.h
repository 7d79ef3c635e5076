#pragma once
// The glyph placement record every writer stores in its text runs, and the
// small transform and angle functions the writers share.
#include <string>

#include "platform/graphics/VQGeometry.h"

namespace vq {

struct VQPDF_CTMInfo {
  // 1 when the reader sees the glyph mirrored. The transforms are in display
  // space (y downwards), where an upright glyph has a negative determinant.
  char flip = 0;
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

// m maps glyph space to display space (y downwards).
VQPDF_CTMInfo VQPDFTransformGetFontCTMInfo(double fontSize, double ascent, double descent, const AffineTransform& m);
// The top-left corner alone of that placement, as it computes it (for the
// position after a glyph, where nothing else is needed).
Point VQPDFTransformGetFontTopLeft(double fontSize, double ascent, double descent, const AffineTransform& m);
Size VQPDFTransformGetFontSize(double fontSize, double ascent, double descent, const AffineTransform& m);
// Whole degrees in [0, 360); an angle that rounds up to 360 is 0.
float VQPDFTransformGetRotation(const AffineTransform& m);
float VQPDFTransformGetShear(float rotation, const AffineTransform& m);
float VQPDFTwoPointDirectionAngle(double x1, double y1, double x2, double y2);
Rect VQPDFTransformGetFontFrame(double fontSize, double ascent, double descent, const AffineTransform& m1,
                                const AffineTransform& m2);
VQPDF_CTMInfo VQPDFCTMInfo_UpdateWithNewTextWidthFront(double width, VQPDF_CTMInfo info);
VQPDF_CTMInfo VQPDFCTMInfo_AddSpaceBehind(double width, VQPDF_CTMInfo info);
AffineTransform VQPDFTransformGetTransfromForRotatedPage(int angle, double width, double height);

std::string NSStringFromCGRect_VQLib(const Rect& r);
std::string NSStringFromCGPoint_VQLib(const Point& p);
std::string NSStringFromCGSize_VQLib(const Size& s);
Point CGPointFromString_VQLib(const std::string& text);
Rect CGRectFromString_VQLib(const std::string& text);

}  // namespace vq
