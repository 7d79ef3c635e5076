#pragma once
// Options of a page-image conversion.
#include <cstdint>
#include <string>

#include "vqpapyrant/VQExport.h"

namespace vq {

class VQ_EXPORT VQImageOptions {
 public:
  int64_t dpi() const { return dpi_; }
  // Stored within 12..2400.
  void setDpi(int64_t dpi);
  double quality() const { return quality_; }
  // Stored within 0.1..1.0.
  void setQuality(double quality);

  std::string imageName = "IMG";  // file-name prefix of page images

  friend bool operator==(const VQImageOptions&, const VQImageOptions&) = default;

 private:
  int64_t dpi_ = 144;
  // The single-precision 0.92 widened, as image writers take the quality in
  // single precision.
  double quality_ = static_cast<double>(0.92f);
};

}  // namespace vq
