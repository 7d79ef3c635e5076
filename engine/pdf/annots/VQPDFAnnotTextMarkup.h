#pragma once
// Highlight, underline, strike-out and squiggly annotations: drawn from their
// QuadPoints (never from an appearance stream, whose look varies from one
// writer to the next), one path for all the marked rectangles.
#include <optional>
#include <vector>

#include "pdf/annots/VQPDFAnnotMarkup.h"

namespace vq {

enum VQPDFAnnotTextMarkupType {
  VQPDFAnnotTextMarkupTypeHighlight = 0,
  VQPDFAnnotTextMarkupTypeStrikeOut = 1,
  VQPDFAnnotTextMarkupTypeUnderline = 2,
  VQPDFAnnotTextMarkupTypeSquiggly = 3,
};

class VQPDFAnnotTextMarkup : public VQPDFAnnotMarkup {
 public:
  void initWithPDFDictionary(const pdf::Object& dictionary) override;
  std::shared_ptr<VQPDFAnnot> copy() const override { return std::make_shared<VQPDFAnnotTextMarkup>(*this); }
  void startParser() override;

  static int PDFAnnotTextMarkupTypeForSubtype(const std::string& subtype);
  // The bounding box of each quadrilateral.
  std::vector<Rect> lineRects() const;

  // Four points per quadrilateral in /QuadPoints order; none when /QuadPoints
  // is absent, its length is not a multiple of 8 or a number is unreadable.
  std::optional<std::vector<Point>> quadrilateralPoints;
  int markupType = VQPDFAnnotTextMarkupTypeHighlight;
};

class VQPDFAnnotHighlight : public VQPDFAnnotTextMarkup {
 public:
  std::shared_ptr<VQPDFAnnot> copy() const override { return std::make_shared<VQPDFAnnotHighlight>(*this); }
};
class VQPDFAnnotUnderline : public VQPDFAnnotTextMarkup {
 public:
  std::shared_ptr<VQPDFAnnot> copy() const override { return std::make_shared<VQPDFAnnotUnderline>(*this); }
};
class VQPDFAnnotStrikeout : public VQPDFAnnotTextMarkup {
 public:
  std::shared_ptr<VQPDFAnnot> copy() const override { return std::make_shared<VQPDFAnnotStrikeout>(*this); }
};
class VQPDFAnnotSquiggly : public VQPDFAnnotTextMarkup {
 public:
  std::shared_ptr<VQPDFAnnot> copy() const override { return std::make_shared<VQPDFAnnotSquiggly>(*this); }
};

}  // namespace vq
