#pragma once
// What an annotation asks of whoever draws it (the page's content parser,
// through VQPDFAnnotParserDelegate). Every operation is optional: the state
// operations return null when not provided, the reports do nothing.
#include <cstdint>
#include <memory>
#include <string>

#include "pdf/VQPDFColor.h"
#include "platform/graphics/VQGeometry.h"
#include "platform/graphics/VQPath.h"
#include "platform/pdf/PdfObject.h"

namespace vq {

class VQPDFAnnot;
class VQPDFRenderState;
class VQPDFShading;
class VQPDFImageXObject;

class VQPDFAnnotDelegate {
 public:
  virtual ~VQPDFAnnotDelegate() = default;

  // The drawer's current (top) render state.
  virtual VQPDFRenderState* currentRenderingState() { return nullptr; }
  // Pushes a copy of `state` (of the current one when null); returns the new top.
  virtual VQPDFRenderState* pushRenderingState(const VQPDFRenderState* /*state*/) { return nullptr; }
  virtual VQPDFRenderState* pushRenderingState() { return pushRenderingState(nullptr); }
  virtual void popRenderingState() {}
  // Called on the annotation's own pushed state, just before it draws.
  virtual void willDrawAnnot(VQPDFAnnot* /*annot*/) {}

  // A free-text annotation's text box, in page space.
  virtual void didScanTextBoxTextFontNameFontColorFontSizeAlignmentBorderStrokeBorderFill(
      VQPDFAnnot* /*annot*/, const Rect& /*box*/, const std::string& /*text*/, const std::string& /*fontName*/,
      const VQPDFColor& /*fontColor*/, double /*fontSize*/, int64_t /*alignment*/, bool /*borderStroke*/,
      bool /*borderFill*/) {}
  // An appearance stream to run (a null object draws nothing); `streamKey`
  // names it in the generated identifiers.
  virtual void didScanStreamStreamKey(VQPDFAnnot* /*annot*/, const pdf::Object& /*stream*/,
                                      const std::string& /*streamKey*/) {}
  virtual void didScanTextTextOffset(VQPDFAnnot* /*annot*/, const std::string& /*text*/, const Size& /*offset*/) {}
  // A path in page space, stroked and filled with the attributes the
  // annotation has just set in the current render state.
  virtual void didScanPathStrokeFill(VQPDFAnnot* /*annot*/, const Path& /*path*/, bool /*stroke*/, bool /*fill*/) {}
  virtual void didScanPatternPathStrokeFill(VQPDFAnnot* /*annot*/, const Path& /*path*/, bool /*stroke*/,
                                            bool /*fill*/) {}
  virtual void didScanPaintShading(VQPDFAnnot* /*annot*/, const std::shared_ptr<VQPDFShading>& /*shading*/) {}
  virtual void didScanXObjectImage(VQPDFAnnot* /*annot*/, const std::shared_ptr<VQPDFImageXObject>& /*image*/) {}
};

}  // namespace vq
