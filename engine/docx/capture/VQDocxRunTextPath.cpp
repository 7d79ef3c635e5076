#include "docx/capture/VQDocxRunTextPath.h"

#include <fmt/format.h>

#include <cmath>

#include "docx/capture/VQDocxMeasures.h"
#include "office/VQDocxUtilities.h"
#include "office/VQOpenXMLNameSpace.h"
#include "office/XMLFileWriter.h"

namespace vq {

Rect VQDocxRunTextPath::displayRect() const {
  if (!pictInfo) return RectZero;
  return RectMake(pictInfo->displayX, pictInfo->displayY, pictInfo->displayWidth, pictInfo->displayHeight);
}

std::shared_ptr<VQDocxObject> VQDocxRunTextPath::cloneObject() const {
  auto copy = std::make_shared<VQDocxRunTextPath>();
  copyPictFieldsTo(*copy);
  copy->runText = runText;
  if (pictInfo) {
    std::unique_ptr<VQDocxRunPictInfo> info = pictInfo->copy();
    copy->pictInfo = std::shared_ptr<VQDocxTextPathInfo>(static_cast<VQDocxTextPathInfo*>(info.release()));
  }
  return copy;
}

void VQDocxRunTextPath::writeWithXMLWriter(XMLFileWriter& writer) {
  const auto& v = gl_namespace_xmlns_v;
  const VQDocxTextPathInfo info = pictInfo ? *pictInfo : VQDocxTextPathInfo();
  // A measure that is no number is written as 0: Word refuses "nan".
  using docxmeasure::finiteOr;

  WriteShapeStart(writer, "TextPath 1", "_x0000_t136");
  std::string style = fmt::format("position:{};left:{:.2f};text-align:{};", "absolute", 0.0, "left");
  style += fmt::format("margin-left:{:.2f}pt;margin-top:{:.2f}pt;", finiteOr(info.displayX), finiteOr(info.displayY));
  style += fmt::format("width:{:.2f}pt;height:{:.2f}pt;", std::fabs(finiteOr(info.displayWidth)),
                       std::fabs(finiteOr(info.displayHeight)));
  style += fmt::format("mso-position-horizontal-relative:{};mso-position-vertical-relative:{};", "page", "page");
  if (info.rotation != 0 && std::isfinite(info.rotation)) style += fmt::format("rotation:{:.0f};", info.rotation);
  if (info.flipX && info.flipY) style += "flip:x y;";
  else if (info.flipX) style += "flip:x;";
  else if (info.flipY) style += "flip:y;";
  style += fmt::format("z-index:{}", pictZIndex);
  writer.writeAttribute("style", style);
  WriteShapeFillAndStroke(writer, info.filled, info.fillcolorString(), info.stroked, info.strokeweight,
                          info.strokecolorString());
  writer.writeStartElementWithNamespace(gl_namespace_xmlns_o, "extrusion");
  writer.writeAttributeWithNamespace(v, "ext", "view");
  writer.writeAttribute("autorotationcenter", "t");
  writer.writeEndElement();
  writer.writeStartElementWithNamespace(v, "textpath");
  writer.writeAttribute("style", VQDocxUtilities::TextPathStyleForRProperty(rProperty));
  writer.writeAttribute("string", runText);
  writer.writeEndElement();
  WritePageWrapAndEndShape(writer);
}

}  // namespace vq
