#pragma once
// The content parser in the role of an annotation's drawer: state pushes and
// pops on the parser's stack, path and text-box reports forwarded to the
// parser's delegate, and appearance streams run as forms on the parser.
#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

#include "pdf/VQPDFConentParser.h"
#include "pdf/annots/VQPDFAnnotDelegate.h"

namespace vq {

class VQPDFAnnotParserDelegate : public VQPDFAnnotDelegate {
 public:
  explicit VQPDFAnnotParserDelegate(VQPDFConentParser& parser) : parser_(parser) {}

  VQPDFRenderState* currentRenderingState() override;
  // Each pop returns the stack to exactly the depth (and floor) it had
  // before the matching push, whatever was left on it in between.
  VQPDFRenderState* pushRenderingState(const VQPDFRenderState* state) override;
  using VQPDFAnnotDelegate::pushRenderingState;
  void popRenderingState() override;
  // Makes the annotation the parser's content annotation, so that reports
  // made while it draws (its own and its appearance form's) lead back to it.
  void willDrawAnnot(VQPDFAnnot* annot) override;

  void didScanTextBoxTextFontNameFontColorFontSizeAlignmentBorderStrokeBorderFill(
      VQPDFAnnot* annot, const Rect& box, const std::string& text, const std::string& fontName,
      const VQPDFColor& fontColor, double fontSize, int64_t alignment, bool borderStroke, bool borderFill) override;
  void didScanStreamStreamKey(VQPDFAnnot* annot, const pdf::Object& stream, const std::string& streamKey) override;
  void didScanPathStrokeFill(VQPDFAnnot* annot, const Path& path, bool stroke, bool fill) override;

  // The transform that places an appearance form: its /BBox, transformed by
  // its /Matrix, mapped onto the annotation's rectangle. Degenerate axes keep
  // scale 1; without a usable /BBox the form is only moved to the rectangle.
  static AffineTransform AppearanceTransform(const std::optional<Rect>& bbox, const AffineTransform& matrix,
                                             const Rect& rect);

 private:
  VQPDFConentParser& parser_;
  std::vector<std::pair<size_t, size_t>> saved_;  // (depth, floor) per push
};

}  // namespace vq
