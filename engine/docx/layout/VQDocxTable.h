#pragma once
// A ruled table found on a page, as the page layout sees it: a run that
// stands among the paragraphs by its scan index, knows its outline on the
// page and its cell text, and writes itself either inline between paragraphs
// or floating in a text box anchored to a paragraph. The table detection
// provides the real tables; the layout only places them.
#include <memory>
#include <vector>

#include "docx/capture/VQDocxRun.h"
#include "docx/capture/VQDocxRunText.h"
#include "office/VQDocxTypes.h"
#include "platform/graphics/VQGeometry.h"

namespace vq {

class VQDocxParagraph;

class VQDocxTable : public VQDocxRun {
 public:
  using Array = std::vector<std::shared_ptr<VQDocxTable>>;

  // The table's outline on the page (display space, points).
  Rect bounds = RectZero;
  VQDocx_TblPr tblProperty{};

  Rect displayRect() const override { return bounds; }

  // The text runs of its cells, and the tables nested in them.
  virtual VQDocxRunText::Array allRunTextArray() const { return {}; }
  virtual Array allSubTableArray() const { return {}; }

  virtual void setIsPageWhiteBackground(bool white) { (void)white; }
  // Fills the WordprocessingML properties from the detected grid; called once
  // per table before it is placed.
  virtual void convertToXMLProperty() {}
  // The section properties of the section that holds the table.
  virtual void setSectProperty(const VQDocx_SectPr& sectProperty) { (void)sectProperty; }
  // The column in which the table stands.
  virtual void setColumnFrame(const Rect& columnFrame) { (void)columnFrame; }
  // Makes the table inline between paragraphs, indented from its left edge
  // on the page, with the given room above and below it.
  virtual void changeXMLPropertyTextWrappingToNone() {}
  virtual void setTextWrappingToNoneMarginTop(double top) { (void)top; }
  virtual void setTextWrappingToNoneMarginBottom(double bottom) { (void)bottom; }
  // Makes the table float in a text box positioned against a paragraph.
  // The paragraph carries the table in its runs, so the table refers to it
  // weakly: a strong reference both ways would keep both alive for ever.
  virtual void changeXMLPropertyTextWrappingToFloatTextBox() {}
  virtual void setTextBoxRelativeParagraph(const std::weak_ptr<VQDocxParagraph>& paragraph) { (void)paragraph; }
};

}  // namespace vq
