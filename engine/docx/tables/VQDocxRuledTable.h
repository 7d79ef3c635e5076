#pragma once
// A ruled table found on a page: rows of cells (with merged-cell groups and
// nested tables) and the WordprocessingML table, grid and section properties
// it is written with. The section that receives it places it on the page,
// inline between paragraphs, or floating in a VML text box.
#include <memory>
#include <vector>

#include "docx/layout/VQDocxTable.h"
#include "docx/tables/VQDocxTableCell.h"

namespace vq {

class VQDocxPage;

class VQDocxRuledTable : public VQDocxTable {
 public:
  using Ptr = std::shared_ptr<VQDocxRuledTable>;

  VQDocxRuledTable();

  VQDocxRuledTable* superTable = nullptr;
  std::vector<Ptr> subTables;
  VQDocx_SectPr sectProperty;
  VQDocx_TblGrid tblGridProperty;
  VQDocxTableRow::Array tableRowArray;
  std::vector<VQDocxTableCellGroup::Ptr> cellGroupArray;
  VQDocxRunText::Array runTexts;
  uint64_t minPDFScanIndex = 0, maxPDFScanIndex = 0;
  uint64_t minTextPDFScanIndex = 0, maxTextPDFScanIndex = 0;
  bool isWrappingToFloatTextBox = false;
  std::weak_ptr<VQDocxParagraph> textBoxRelativeParagraph;
  double textWrappingToNoneMarginTop = 0;
  double textWrappingToNoneMarginBottom = 0;
  bool isPageWhiteBackground = true;
  VQDocxPage* superPage = nullptr;
  Rect columnFrame = RectZero;

  // ---- what the page layout asks of a table
  VQDocxRunText::Array allRunTextArray() const override { return runTexts; }
  Array allSubTableArray() const override;
  void setIsPageWhiteBackground(bool white) override { isPageWhiteBackground = white; }
  void convertToXMLProperty() override;
  void setSectProperty(const VQDocx_SectPr& s) override { sectProperty = s; }
  void setColumnFrame(const Rect& frame) override { columnFrame = frame; }
  void changeXMLPropertyTextWrappingToNone() override;
  void setTextWrappingToNoneMarginTop(double top) override { textWrappingToNoneMarginTop = top; }
  void setTextWrappingToNoneMarginBottom(double bottom) override { textWrappingToNoneMarginBottom = bottom; }
  void changeXMLPropertyTextWrappingToFloatTextBox() override;
  void setTextBoxRelativeParagraph(const std::weak_ptr<VQDocxParagraph>& paragraph) override {
    textBoxRelativeParagraph = paragraph;
  }
  void writeWithXMLWriter(XMLFileWriter& writer) override;

  void changeXMLPropertyTextWrappingToAround();
  void optimizeXMLProperty();
  void createMergeCellsGroup();
  void writeTextBoxStartWithXMLWriter(XMLFileWriter& writer);
  void writeTextBoxEndWithXMLWriter(XMLFileWriter& writer);
  VQDocxTableCell* firstTableCell() const;
  VQDocxTableCell* lastTableCell() const;
  std::shared_ptr<VQDocxParagraph> defaultParagraph();

 private:
  void resetWrapping(int anchor, bool floating);

  std::shared_ptr<VQDocxParagraph> defaultParagraph_;
};

}  // namespace vq
