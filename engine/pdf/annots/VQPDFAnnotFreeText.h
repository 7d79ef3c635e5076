#pragma once
// Free-text annotations: without an appearance stream they are reported as
// a text box (text, font, size, colour, alignment and border) so that an
// exporter can write an editable text frame.
#include <array>
#include <optional>
#include <string>

#include "pdf/annots/VQPDFAnnotMarkup.h"

namespace vq {

struct VQPDFAnnotCalloutLine {
  std::array<float, 6> points{};
  int count = 0;  // 4 or 6 numbers in /CL
};

class VQPDFAnnotFreeText : public VQPDFAnnotMarkup {
 public:
  void initWithPDFDictionary(const pdf::Object& dictionary) override;
  std::shared_ptr<VQPDFAnnot> copy() const override { return std::make_shared<VQPDFAnnotFreeText>(*this); }
  void startParser() override;

  // The font of a default-appearance string such as "0 0 1 rg /Helv 12 Tf":
  // the last Tf with a positive size and the last colour operator win.
  // Returns the name (nullopt when none), sets the size (0 when none) and the
  // colour (the null colour when none).
  static std::optional<std::string> ParseAppearanceString(const std::string& da, double* fontsize,
                                                          VQPDFColor* fontcolor);
  // /Q 1 (centred) gives 2, /Q 2 (right) gives 1, anything else 0 (left).
  static int64_t TextAlignmentForQuadding(int64_t quadding);

  std::optional<std::string> appearanceString;  // /DA
  int64_t quadding = 0;                         // /Q
  std::optional<std::string> styleString;       // /DS
  VQPDFAnnotCalloutLine calloutLine;            // /CL
  std::optional<std::string> intent;            // /IT
  VQPDFBorderEffect borderEffect;               // /BE
  std::optional<Rect> rectangle;                // /RD
  std::optional<std::string> endStyle;          // /LE
  VQPDFColor interiorColor = NullColor();       // /IC
  int64_t textAlignment = 0;
  std::string fontName = "Helvetica";
  double fontSize = 10.0;
  VQPDFColor fontColor = NullColor();
};

}  // namespace vq
