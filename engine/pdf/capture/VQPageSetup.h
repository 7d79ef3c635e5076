#pragma once
// The page set-up every page converter shares: which box is the page, how it
// is turned, and the transform from PDF user space (after the CTM) into
// display space: the upright page, origin at its top-left corner, y growing
// downwards, in points.
//
// The transform moves the crop box's true origin (negative ones included) to
// 0, turns the page upright for its /Rotate, and only then scales in display
// space when the page is too large or too small. So every point of the crop
// box lands inside (0, 0, cropBox.size) whatever the box's offset, rotation or
// size.
#include "platform/graphics/VQGeometry.h"

namespace vq {

// Display pages are kept between these sizes (points): a longer side above the
// maximum is scaled down to it, else a shorter side below the minimum is
// scaled up to it. Office applications refuse pages outside roughly this range.
inline constexpr double VQPageDisplaySizeMax = 1583.0;
inline constexpr double VQPageDisplaySizeMin = 7.0;

struct VQPageSetup {
  int rotationAngle = 0;  // 0..359, the page's /Rotate minus the extra angle
  Rect mediaBox;          // media box with origin and size exchanged for 90/270
  // Crop box: origin as the page gives it (exchanged for 90/270), size = the
  // display page size after the size limits.
  Rect cropBox;
  AffineTransform transform;  // PDF user space -> display space
  double scale = 1;           // the size-limit factor (1 when none applies)
};

// Brings an angle into 0..359 (-90 gives 270, 450 gives 90).
int VQPageNormalizeAngle(long long angle);

// A box that is infinite, null, empty or not finite counts as (0, 0, 595, 842);
// a negative size is standardised.
Rect VQPageSanitizeBox(const Rect& box);

// The factor that brings a (width, height) page within the size limits; 1 when
// it already is. Compared in single precision, as page sizes are stored.
double VQPageSizeLimitFactor(double width, double height);

// Builds the set-up from the raw media and crop boxes (PDF user space, not
// rotated), the page's /Rotate and an extra angle subtracted from it.
VQPageSetup VQPageSetupMake(const Rect& mediaBox, const Rect& cropBox, long long pageRotation,
                            long long extraAngle = 0);

// The display-space transform of the current text position: the text matrix,
// then the CTM, then the page's transform (VQPageSetup::transform).
AffineTransform VQDisplayTextTransform(const AffineTransform& textMatrix, const AffineTransform& ctm,
                                       const AffineTransform& pageTransform);
// The same after moving the text matrix by `offset` in text space (e.g. the
// advance of the glyphs shown so far).
AffineTransform VQDisplayTextTransform(const AffineTransform& textMatrix, const AffineTransform& ctm,
                                       const AffineTransform& pageTransform, const Size& offset);

}  // namespace vq
