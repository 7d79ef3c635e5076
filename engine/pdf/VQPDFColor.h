#pragma once
// Colour values of the content interpreter. A component holds the PDF value
// multiplied by 255 and truncated toward zero. Components are 32 bits wide:
// an Indexed colour stores its index times 255 (up to 65025) and a Lab
// component up to +-25500, which must not wrap.
#include <cstdint>

namespace vq {

struct VQPDFColor {
  int32_t length = 0;  // meaningful components (annotation colours); 0 from the colour operators
  int32_t isNull = 0;  // 1 in a value made by defaultPDFColor
  int32_t c[32] = {};
};

struct VQPDFRGB {
  int16_t r = 0;
  int16_t g = 0;
  int16_t b = 0;
  friend bool operator==(const VQPDFRGB&, const VQPDFRGB&) = default;
};

struct VQPDFCMYK {
  int16_t c = 0;
  int16_t m = 0;
  int16_t y = 0;
  int16_t k = 0;
  friend bool operator==(const VQPDFCMYK&, const VQPDFCMYK&) = default;
};

}  // namespace vq
