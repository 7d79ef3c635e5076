#include "pdf/capture/VQPageSetup.h"

#include <algorithm>
#include <cmath>

namespace vq {

int VQPageNormalizeAngle(long long angle) {
  long long r = angle % 360;
  if (r < 0) r += 360;
  return static_cast<int>(r);
}

Rect VQPageSanitizeBox(const Rect& box) {
  const Rect r = RectStandardize(box);
  const bool finite = std::isfinite(r.origin.x) && std::isfinite(r.origin.y) && std::isfinite(r.size.width) &&
                      std::isfinite(r.size.height);
  // Sizes beyond 1e7 points are the "infinite" rectangle of geometry libraries.
  if (!finite || r.size.width <= 0 || r.size.height <= 0 || r.size.width > 1e7 || r.size.height > 1e7)
    return RectMake(0, 0, 595, 842);
  return r;
}

double VQPageSizeLimitFactor(double width, double height) {
  const float w = static_cast<float>(width), h = static_cast<float>(height);
  const float longer = std::max(w, h), shorter = std::min(w, h);
  double factor = 1;
  if (longer > static_cast<float>(VQPageDisplaySizeMax)) factor = VQPageDisplaySizeMax / longer;
  else if (shorter < static_cast<float>(VQPageDisplaySizeMin) && shorter > 0) factor = VQPageDisplaySizeMin / shorter;
  return factor;
}

VQPageSetup VQPageSetupMake(const Rect& mediaBoxIn, const Rect& cropBoxIn, long long pageRotation,
                            long long extraAngle) {
  VQPageSetup s;
  s.rotationAngle = VQPageNormalizeAngle(pageRotation - extraAngle);
  const int r = s.rotationAngle;
  const bool quarter = (r == 90 || r == 270);

  const Rect media = VQPageSanitizeBox(mediaBoxIn);
  const Rect crop = VQPageSanitizeBox(cropBoxIn);
  const double cx = crop.origin.x, cy = crop.origin.y, cw = crop.size.width, ch = crop.size.height;

  auto exchanged = [quarter](const Rect& b) {
    return quarter ? RectMake(b.origin.y, b.origin.x, b.size.height, b.size.width) : b;
  };
  s.mediaBox = exchanged(media);
  const Rect rotatedCrop = exchanged(crop);

  // x' = a x + c y + tx, y' = b x + d y + ty: the crop box's origin goes to 0,
  // then the page is turned clockwise by r and y is flipped downwards.
  AffineTransform t;
  switch (r) {
    case 90:
      t = AffineTransformMake(0, 1, 1, 0, -cy, -cx);
      break;
    case 180:
      t = AffineTransformMake(-1, 0, 0, 1, cw + cx, -cy);
      break;
    case 270:
      t = AffineTransformMake(0, -1, -1, 0, ch + cy, cw + cx);
      break;
    default:
      t = AffineTransformMake(1, 0, 0, -1, -cx, ch + cy);
      break;
  }

  const double dw = rotatedCrop.size.width, dh = rotatedCrop.size.height;
  const double f = VQPageSizeLimitFactor(dw, dh);
  if (f != 1) {
    // Scaling after the turn, in display space, keeps the page's top-left
    // corner at the origin whatever the rotation and crop offset.
    t.a *= f, t.b *= f, t.c *= f, t.d *= f, t.tx *= f, t.ty *= f;
    s.scale = f;
  }
  s.transform = t;
  s.cropBox = RectMake(rotatedCrop.origin.x, rotatedCrop.origin.y, dw * f, dh * f);
  return s;
}

AffineTransform VQDisplayTextTransform(const AffineTransform& textMatrix, const AffineTransform& ctm,
                                       const AffineTransform& pageTransform) {
  return AffineTransformConcat(AffineTransformConcat(textMatrix, ctm), pageTransform);
}

AffineTransform VQDisplayTextTransform(const AffineTransform& textMatrix, const AffineTransform& ctm,
                                       const AffineTransform& pageTransform, const Size& offset) {
  return VQDisplayTextTransform(AffineTransformTranslate(textMatrix, offset.width, offset.height), ctm, pageTransform);
}

}  // namespace vq
