#pragma once
// Line annotations: the segment of /L with its two line endings (/LE), in
// one path stroked with the border and, when an ending is drawn, filled with
// the interior colour.
#include <optional>

#include "pdf/annots/VQPDFAnnotMarkup.h"

namespace vq {

enum VQPDFAnnotLineEndingStyle {
  VQPDFAnnotLineEndingStyleSquare = 0,
  VQPDFAnnotLineEndingStyleCircle = 1,
  VQPDFAnnotLineEndingStyleDiamond = 2,
  VQPDFAnnotLineEndingStyleOpenArrow = 3,
  VQPDFAnnotLineEndingStyleClosedArrow = 4,
  VQPDFAnnotLineEndingStyleNone = 5,
  VQPDFAnnotLineEndingStyleButt = 6,
  VQPDFAnnotLineEndingStyleROpenArrow = 7,
  VQPDFAnnotLineEndingStyleRClosedArrow = 8,
  VQPDFAnnotLineEndingStyleSlash = 9,
};

class VQPDFAnnotLine : public VQPDFAnnotMarkup {
 public:
  void initWithPDFDictionary(const pdf::Object& dictionary) override;
  std::shared_ptr<VQPDFAnnot> copy() const override { return std::make_shared<VQPDFAnnotLine>(*this); }
  void startParser() override;

  static int PDFAnnotLineEndingStyleForSubtype(const std::string& name);
  // The x axis along s -> e with unit scale, origin s (L is |e - s|).
  static AffineTransform GetTransformWithStart(Point s, Point e, double length);
  // (L - h, 0), (L - h/2, w/2), (L, 0), (L - h/2, -w/2).
  static void GetAxisAlignedDiamondPoints(Point points[4], double length, double headWidth, double headLength);
  // A head whose tip lies on `to`, pointing away from `from`; null when the
  // two points coincide (the direction is unknown).
  static std::optional<Path> EndingArrowFromPoint(Point from, Point to, double headWidth, double headLength,
                                                  bool closed);
  static std::optional<Path> EndingDiamondFromPoint(Point from, Point to, double headWidth, double headLength);
  // Head width and length both three times `lineWidth`.
  static std::optional<Path> ArrowPathFrom(Point start, Point end, double lineWidth, bool closed);
  static std::optional<Path> DiamondPathFrom(Point start, Point end, double lineWidth);
  // The ending of a style: 0 the rectangle `rect`, 1 its ellipse, 2 a diamond,
  // 3 an open and 4 a closed arrow from `start` to `end`; null for the rest.
  static std::optional<Path> VQDFFAnnotLineEndingPathForStyle(int style, const Rect& rect, Point start, Point end,
                                                              double lineWidth);

  Point startPoint;
  Point endPoint;
  int startLineStyle = VQPDFAnnotLineEndingStyleNone;
  int endLineStyle = VQPDFAnnotLineEndingStyleNone;
  VQPDFColor interiorColor = NullColor();
  double leaderLineLength = 0;            // /LL
  double leaderLineExtension = 0;         // /LLE
  bool caption = false;                   // /Cap
  std::optional<std::string> intent;      // /IT
  double leaderLineOffset = 0;            // /LLO
  std::optional<std::string> captionPos;  // /CP
  double captionTextHorizontal = 0;       // /CO
  double captionTextVertical = 0;
};

}  // namespace vq
