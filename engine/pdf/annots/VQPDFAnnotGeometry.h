#pragma once
// Square and circle annotations: without an appearance stream they are drawn
// as the rectangle or the inscribed ellipse of their /Rect, stroked with the
// border and filled with the interior colour.
#include "pdf/annots/VQPDFAnnotMarkup.h"

namespace vq {

class VQPDFAnnotGeometry : public VQPDFAnnotMarkup {
 public:
  void initWithPDFDictionary(const pdf::Object& dictionary) override;
  std::shared_ptr<VQPDFAnnot> copy() const override { return std::make_shared<VQPDFAnnotGeometry>(*this); }
  void startParser() override;

  VQPDFColor displayInteriorColor() const { return interiorColor; }

  VQPDFColor interiorColor = NullColor();  // /IC
  VQPDFBorderEffect borderEffect;          // /BE
  std::optional<Rect> geometryRect;        // /RD
};

class VQPDFAnnotSquare : public VQPDFAnnotGeometry {
 public:
  std::shared_ptr<VQPDFAnnot> copy() const override { return std::make_shared<VQPDFAnnotSquare>(*this); }
};

class VQPDFAnnotCircel : public VQPDFAnnotGeometry {
 public:
  std::shared_ptr<VQPDFAnnot> copy() const override { return std::make_shared<VQPDFAnnotCircel>(*this); }
};

}  // namespace vq
