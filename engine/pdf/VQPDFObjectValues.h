#pragma once
// Small readers over PDF objects shared by the interpreter's own files: numbers
// the way the interpreter stores them (integers pass through single precision,
// reals as read) and safe scaling of colour components.
#include <cmath>
#include <cstdint>

#include "platform/pdf/PdfObject.h"

namespace vqpdf_detail {

inline bool ReadNumber(const vq::pdf::Object& o, double* value) {
  if (o.isInteger()) {
    *value = static_cast<double>(static_cast<float>(*o.integer()));
    return true;
  }
  if (o.isReal()) {
    *value = *o.number();
    return true;
  }
  return false;
}

inline bool ReadNumber(const vq::pdf::Object& dict, const char* key, double* value) {
  return ReadNumber(dict.get(key), value);
}

// A PDF value v stored as trunc(v x 255); values whose product leaves the
// 32-bit range (or are not numbers at all) store 0 rather than invoking an
// undefined conversion.
inline int32_t ScaleComponent(double v) {
  double p = std::trunc(v * 255.0);
  if (!std::isfinite(p) || p > 2147483647.0 || p < -2147483648.0) return 0;
  return static_cast<int32_t>(p);
}

// trunc() to int for values that may be out of range or NaN.
inline int64_t SafeTrunc(double v) {
  if (!std::isfinite(v)) return 0;
  if (v > 9.0e18) return INT64_C(9000000000000000000);
  if (v < -9.0e18) return -INT64_C(9000000000000000000);
  return static_cast<int64_t>(v);
}

// Colour results are 0..255: negative gives 0, anything above gives 255.
inline int16_t Clamp255(int64_t v) {
  if (v < 0) return 0;
  if (v > 255) return 255;
  return static_cast<int16_t>(v);
}

}  // namespace vqpdf_detail
