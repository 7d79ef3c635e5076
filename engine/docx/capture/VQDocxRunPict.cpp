#include "docx/capture/VQDocxRunPict.h"

#include <fmt/format.h>

#include <cmath>

#include "office/VQDocxUtilities.h"
#include "office/VQOpenXMLNameSpace.h"
#include "office/XMLFileWriter.h"

namespace vq {

std::string VQDocxRunPict::description() const {
  return fmt::format("<{}: {}:[pdfScanIndex:{}]>", className(), fmt::ptr(this), static_cast<int64_t>(pdfScanIndex()));
}

std::shared_ptr<VQDocxObject> VQDocxRunPict::cloneObject() const {
  auto copy = std::make_shared<VQDocxRunPict>();
  copyPictFieldsTo(*copy);
  return copy;
}

void VQDocxRunPict::copyPictFieldsTo(VQDocxRunPict& to) const {
  copyRunFieldsTo(to);
  to.pictZIndex = pictZIndex;
}

void VQDocxRunPict::WriteShapeFillAndStroke(XMLFileWriter& writer, bool filled,
                                            const std::optional<std::string>& fillcolor, bool stroked,
                                            double strokeweight, const std::optional<std::string>& strokecolor) {
  writer.writeAttribute("filled", filled ? "t" : "f");
  if (filled && fillcolor) writer.writeAttribute("fillcolor", *fillcolor);
  writer.writeAttribute("stroked", stroked ? "t" : "f");
  if (!stroked) return;
  // A weight that is no number is written as 0: Word refuses "nan".
  writer.writeAttribute("strokeweight", fmt::format("{:.0f}pt", std::isfinite(strokeweight) ? strokeweight : 0.0));
  if (strokecolor) writer.writeAttribute("strokecolor", *strokecolor);
}

void VQDocxRunPict::WriteShapeStart(XMLFileWriter& writer, const char* id, const char* shapeType) const {
  writer.writeStartElementWithNamespace(gl_namespace_xmlns_w, "r");
  VQDocxUtilities::WriteRProperty(rProperty, writer);
  writer.writeStartElementWithNamespace(gl_namespace_xmlns_w, "pict");
  writer.writeStartElementWithNamespace(gl_namespace_xmlns_v, "shape");
  writer.writeAttribute("id", id);
  writer.writeAttributeWithNamespace(gl_namespace_xmlns_o, "spid", shapeType);
  writer.writeAttribute("type", std::string("#") + shapeType);
}

void VQDocxRunPict::WritePageWrapAndEndShape(XMLFileWriter& writer) {
  writer.writeStartElementWithNamespace(gl_namespace_xmlns_w10, "wrap");
  writer.writeAttribute("anchorx", "page");
  writer.writeAttribute("anchory", "page");
  writer.writeEndElement();
  writer.writeEndElement();  // shape
  writer.writeEndElement();  // pict
  writer.writeEndElement();  // r
}

}  // namespace vq
