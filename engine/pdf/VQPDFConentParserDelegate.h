#pragma once
// What the content interpreter tells a page exporter. Every operation is
// optional (empty by default); reports arrive synchronously, in content-stream
// order, on the parsing thread, while the parser's top render state
// describes what is drawn.
#include <cstdint>
#include <memory>
#include <string>

#include "pdf/VQPDFColor.h"
#include "platform/graphics/VQGeometry.h"
#include "platform/graphics/VQPath.h"

namespace vq {

class VQPDFConentParser;
class VQPDFShading;
class VQPDFImageXObject;

class VQPDFConentParserDelegate {
 public:
  virtual ~VQPDFConentParserDelegate() = default;

  // A text box of a free-text annotation, passed on unchanged.
  virtual void didScanTextBoxTextFontNameFontColorFontSizeAlignmentBorderStrokeBorderFill(
      VQPDFConentParser* /*parser*/, const Rect& /*box*/, const std::string& /*text*/, const std::string& /*fontName*/,
      const VQPDFColor& /*fontColor*/, double /*fontSize*/, int64_t /*alignment*/, bool /*borderStroke*/,
      bool /*borderFill*/) {}

  // One character code whose text is not empty, sent before the text position
  // moves. `offset` is the glyph displacement times the font size, without
  // character or word spacing and horizontal scaling.
  virtual void didScanTextTextOffset(VQPDFConentParser* /*parser*/, const std::string& /*text*/,
                                     const Size& /*offset*/) {}

  // A painted path in page space, painted without a Pattern colour space.
  // The fill rule is the top state's usesEvenOddFillRule. A receiver that
  // keeps the path copies it.
  virtual void didScanPathStrokeFill(VQPDFConentParser* /*parser*/, const Path& /*path*/, bool /*stroke*/,
                                     bool /*fill*/) {}

  // Instead of the report above when the stroke or the fill is painted with a
  // Pattern space; each flag is set only for a painted part whose space is
  // Pattern. The patterns are the top state's strokePattern / fillPattern.
  virtual void didScanPatternPathStrokeFill(VQPDFConentParser* /*parser*/, const Path& /*path*/, bool /*stroke*/,
                                            bool /*fill*/) {}

  // The sh operator; null when the name is not among the shadings.
  virtual void didScanPaintShading(VQPDFConentParser* /*parser*/, const std::shared_ptr<VQPDFShading>& /*shading*/) {}

  // An image placed by Do, an inline image or an annotation appearance; its
  // placement is the top state's CTM.
  virtual void didScanXObjectImage(VQPDFConentParser* /*parser*/, const std::shared_ptr<VQPDFImageXObject>& /*image*/) {
  }
};

}  // namespace vq
