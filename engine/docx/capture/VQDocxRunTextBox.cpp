#include "docx/capture/VQDocxRunTextBox.h"
#include "docx/capture/VQDocxMeasures.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "office/VQDocxTokens.h"
#include "office/VQDocxUtilities.h"
#include "office/VQOpenXMLNameSpace.h"
#include "office/XMLFileWriter.h"

namespace vq {

Rect VQDocxRunTextBox::displayRect() const {
  if (!pictInfo) return RectZero;
  return pictInfo->textBoxRect();
}

VQDocxRunText::Array VQDocxRunTextBox::allRunTextArray() const {
  VQDocxRunText::Array runs;
  for (const auto& paragraph : paragraphArray) {
    if (!paragraph) continue;
    const auto own = paragraph->allRunTextArray();
    runs.insert(runs.end(), own.begin(), own.end());
  }
  return runs;
}

int32_t VQDocxRunTextBox::RotationOfRunTextBoxArray(const Array& boxes) {
  // Counts of the groups 0, 90, 180 and 270, in that order.
  std::array<size_t, 4> counts{};
  for (const auto& box : boxes) {
    const double r = box && box->pictInfo ? box->pictInfo->rotation : 0;
    if (r > 85 && r < 95) ++counts[1];
    else if (r > 175 && r < 185) ++counts[2];
    else if (r > 265 && r < 275) ++counts[3];
    else ++counts[0];
  }
  // The largest group; on a tie the earlier group wins, so that an even split
  // leaves the page as it is rather than turning it.
  const auto largest = std::max_element(counts.begin(), counts.end());
  if (*largest == 0) return 0;
  return static_cast<int32_t>(90 * (largest - counts.begin()));
}

std::shared_ptr<VQDocxObject> VQDocxRunTextBox::cloneObject() const {
  auto copy = std::make_shared<VQDocxRunTextBox>();
  copyPictFieldsTo(*copy);
  copy->paragraphArray = paragraphArray;
  copy->allPageSectionArray = allPageSectionArray;
  if (pictInfo) {
    std::unique_ptr<VQDocxRunPictInfo> info = pictInfo->copy();
    copy->pictInfo = std::shared_ptr<VQDocxTextBoxInfo>(static_cast<VQDocxTextBoxInfo*>(info.release()));
  }
  return copy;
}

void VQDocxRunTextBox::writeWithXMLWriter(XMLFileWriter& writer) {
  const auto& w = gl_namespace_xmlns_w;
  const auto& v = gl_namespace_xmlns_v;
  const VQDocxTextBoxInfo info = pictInfo ? *pictInfo : VQDocxTextBoxInfo();
  const double r = info.rotation;
  const double x = docxmeasure::finiteOr(info.displayX), y = docxmeasure::finiteOr(info.displayY);
  const double width = docxmeasure::finiteOr(info.displayWidth), height = docxmeasure::finiteOr(info.displayHeight);

  WriteShapeStart(writer, "TextBox 1", "_x0000_t202");

  // A turned box is placed by its unturned corner.
  double left = x, top = y;
  if (r == 90 || r == 180) left = x - width;
  else if (r == 270) top = y - height;
  std::string style = fmt::format("position:{};left:{:.0f};text-align:{};", "absolute", 0.0, "left");
  style += fmt::format("margin-left:{:.0f}pt;margin-top:{:.0f}pt;", left, top);
  style += fmt::format("width:{:.0f}pt;height:{:.0f}pt;z-index:{};", width, height, pictZIndex);
  if (r == 180) style += fmt::format("rotation:{};mso-wrap-edited:f;", "180");
  style += fmt::format("mso-wrap-style:{};", "square");
  style += fmt::format("mso-wrap-distance-left:{:.0f}pt;mso-wrap-distance-top:{:.0f}pt;",
                       docxmeasure::finiteOr(info.textBoxMargin.left), docxmeasure::finiteOr(info.textBoxMargin.top));
  style +=
      fmt::format("mso-wrap-distance-right:{:.0f}pt;mso-wrap-distance-bottom:{:.0f}pt;",
                  docxmeasure::finiteOr(info.textBoxMargin.right), docxmeasure::finiteOr(info.textBoxMargin.bottom));
  style += fmt::format("mso-position-horizontal:{};mso-position-horizontal-relative:{};", "absolute", "page");
  style += fmt::format("mso-position-vertical:{};mso-position-vertical-relative:{};", "absolute", "page");
  style += fmt::format("v-text-anchor:{}", "top");
  writer.writeAttribute("style", style);
  WriteShapeFillAndStroke(writer, info.filled, info.fillcolorString(), info.stroked, info.strokeweight,
                          info.strokecolorString());
  if (info.stroked && info.strokeDashPattern && !info.strokeDashPattern->empty()) {
    writer.writeStartElementWithNamespace(v, "stroke");
    writer.writeAttribute("dashstyle", LineDashTypeStringForDashPattern(*info.strokeDashPattern, info.strokeweight));
    if (info.strokeDashPhase > 0) writer.writeAttribute("dashPhase", info.strokeDashPhaseString());
    writer.writeEndElement();
  }

  writer.writeStartElementWithNamespace(v, "textbox");
  const char* flow = "mso-fit-shape-to-text:t";
  if (r == 90) flow = "layout-flow:vertical;mso-layout-flow-alt:right-to-left";
  else if (r == 180) flow = "layout-flow:horizontal;mso-layout-flow-alt:left-to-right";
  else if (r == 270) flow = "layout-flow:vertical;mso-layout-flow-alt:bottom-to-top";
  writer.writeAttribute("style", flow);
  writer.writeAttribute("inset", "0pt,0pt,0pt,0pt");
  writer.writeStartElementWithNamespace(w, "txbxContent");
  writeContent(writer);
  writer.writeEndElement();  // txbxContent
  writer.writeEndElement();  // textbox

  WritePageWrapAndEndShape(writer);
}

void VQDocxRunTextBox::writeContent(XMLFileWriter& writer) {
  bool wrote = false;
  for (const auto& section : allPageSectionArray) {
    if (!section) continue;
    section->writeWithXMLWriter(writer);
    wrote = true;
  }
  if (!wrote) {
    for (const auto& paragraph : paragraphArray) {
      if (!paragraph) continue;
      paragraph->convertToWriteRunArrayFloatRunPict();
      paragraph->writeWithXMLWriter(writer);
      wrote = true;
    }
  }
  if (wrote) return;
  // Word refuses a text box without a paragraph: a small empty one stands in.
  VQDocxUtilities::WriteEmptyParagraph("12", writer);
}

}  // namespace vq
