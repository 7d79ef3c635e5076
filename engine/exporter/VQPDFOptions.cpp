#include "exporter/VQPDFOptions.h"

namespace vq {

void VQPDFOptions::setImageDPI(int32_t dpi) {
  if (dpi < 73) dpi = 72;
  if (dpi > 600) dpi = 600;
  imageDPI_ = dpi;
}

void VQImageOptions::setDpi(int64_t dpi) {
  if (dpi > 2400) dpi = 2400;
  if (dpi < 13) dpi = 12;
  dpi_ = dpi;
}

void VQImageOptions::setQuality(double quality) {
  if (quality > 1.0) quality = 1.0;
  if (!(quality >= 0.1)) quality = 0.1;  // NaN too
  quality_ = quality;
}

}  // namespace vq
