#pragma once
// Annotation borders: the /Border array every annotation may carry, the
// border-style dictionary /BS of square, circle, ink, line and free-text
// annotations, and the border effect /BE (kept, never drawn).
#include <memory>
#include <optional>
#include <vector>

#include "platform/pdf/PdfObject.h"

namespace vq {

enum VQPDFBorderStyle {
  VQPDFBorderStyleSolid = 0,
  VQPDFBorderStyleDashed = 1,
  VQPDFBorderStyleBeveled = 2,
  VQPDFBorderStyleInset = 3,
  VQPDFBorderStyleUnderline = 4,
};

class VQPDFBorder {
 public:
  VQPDFBorder() = default;
  virtual ~VQPDFBorder() = default;
  virtual std::shared_ptr<VQPDFBorder> copy() const { return std::make_shared<VQPDFBorder>(*this); }

  // Reads at most ten dash lengths; a non-number repeats the previous value
  // (0 first). A negative length rejects the whole array: false, and neither
  // the pattern nor the style changes. Otherwise the border becomes dashed.
  bool parseDashArray(const pdf::Object& array);

  int type = 0;  // 1 when made from a /BS dictionary
  int style = VQPDFBorderStyleSolid;
  double lineWidth = 1.0;
  std::optional<std::vector<double>> dashPattern;
};

class VQPDFBorderArray : public VQPDFBorder {
 public:
  VQPDFBorderArray() = default;
  // /Border [hCorner vCorner width [dash]]; any malformed array gives width 0
  // (no border), which is what readers do with a border they cannot read.
  explicit VQPDFBorderArray(const pdf::Object& array);
  std::shared_ptr<VQPDFBorder> copy() const override { return std::make_shared<VQPDFBorderArray>(*this); }

  double horizontalCorner = 0;
  double verticalCorner = 0;
};

class VQPDFBorderBS : public VQPDFBorder {
 public:
  // The default border of an annotation without /BS: width 1, solid.
  VQPDFBorderBS() = default;
  explicit VQPDFBorderBS(const pdf::Object& dictionary);
  std::shared_ptr<VQPDFBorder> copy() const override { return std::make_shared<VQPDFBorderBS>(*this); }
};

class VQPDFBorderEffect {
 public:
  VQPDFBorderEffect() = default;
  explicit VQPDFBorderEffect(const pdf::Object& dictionary);

  int effectType = 0;  // 1 cloudy, 0 none
  double intensity = 0;
};

}  // namespace vq
