#pragma once
// The grid of a detected table: rectangles between four grid points, rows
// of cells, cells with four ruled edges, and merged-cell groups that stand
// for a rectangle of cells without inner rules.
#include <memory>
#include <string>
#include <vector>

#include "docx/capture/VQDocxObject.h"
#include "docx/capture/VQDocxParagraph.h"
#include "docx/capture/VQDocxRunPath.h"
#include "docx/capture/VQDocxRunText.h"
#include "docx/layout/VQDocxPageSection.h"
#include "docx/tables/VQDocxTableBorder.h"
#include "docx/tables/VQDocxTablePoint.h"
#include "office/VQDocxTypes.h"

namespace vq {

class VQDocxRuledTable;
class VQDocxTableRow;
class VQDocxTableCellGroup;

class VQDocxTableRect : public VQDocxObject {
 public:
  VQDocxTableRect(std::shared_ptr<VQDocxTablePoint> topLeft, std::shared_ptr<VQDocxTablePoint> topRight,
                  std::shared_ptr<VQDocxTablePoint> bottomLeft, std::shared_ptr<VQDocxTablePoint> bottomRight);

  Rect displayRect() const { return bounds; }

  Rect bounds = RectZero;
  std::shared_ptr<VQDocxTablePoint> pointTopLeft, pointTopRight, pointBottomLeft, pointBottomRight;
};

class VQDocxTableCell : public VQDocxTableRect {
 public:
  using Ptr = std::shared_ptr<VQDocxTableCell>;
  using Array = std::vector<Ptr>;

  VQDocxTableCell(std::shared_ptr<VQDocxTablePoint> topLeft, std::shared_ptr<VQDocxTablePoint> topRight,
                  std::shared_ptr<VQDocxTablePoint> bottomLeft, std::shared_ptr<VQDocxTablePoint> bottomRight);

  VQDocxTableRow* superTableRow = nullptr;
  VQDocxTableCellGroup* superTableCellGroup = nullptr;
  std::vector<std::shared_ptr<VQDocxRuledTable>> allSubTableArray;
  VQDocx_TcPr tcProperty;
  VQDocxRunPath::Array tableShadingRunPaths;
  VQDocxRunText::Array allRunTextArray;
  VQDocxPageSection::Array allPageSectionArray;
  std::shared_ptr<VQDocxTableBorder> borderTop, borderBottom, borderLeft, borderRight;
  VQDocxRange columnRange;
  VQDocxRange rowRange;

  void initProcessBorders();
  bool addRunTextIfNeed(const std::shared_ptr<VQDocxRunText>& text);
  bool addTableShadingRunPathIfNeed(const std::shared_ptr<VQDocxRunPath>& path);
  VQDocxTableCell* displayTableCell();
  double displayBoarderSizeTop() const;
  double displayBoarderSizeLeft() const;
  double displayBoarderSizeRight() const;
  double displayBoarderSizeBottom() const;
  Rect allRunTextBounds() const;
  std::string cellText() const;
  VQDocxRunPath::Array allBorderRunPaths() const;
  VQDocx_Shading cellShading() const;

  virtual void createXMLProperty();
  virtual void createParagraphArrayIfNeed();
  std::shared_ptr<VQDocxParagraph> sampleParagraph();
  void writeWithXMLWriter(XMLFileWriter& writer) override;

  // The table the cell belongs to; nullptr when detached.
  VQDocxRuledTable* superTable() const;

 protected:
  VQDocxTableCell() : VQDocxTableRect(nullptr, nullptr, nullptr, nullptr) {}
  void writeCell(XMLFileWriter& writer);

 private:
  std::shared_ptr<VQDocxParagraph> sampleParagraph_;
};

class VQDocxTableRow : public VQDocxTableRect {
 public:
  using Ptr = std::shared_ptr<VQDocxTableRow>;
  using Array = std::vector<Ptr>;

  VQDocxTableRow(std::shared_ptr<VQDocxTablePoint> topLeft, std::shared_ptr<VQDocxTablePoint> topRight,
                 std::shared_ptr<VQDocxTablePoint> bottomLeft, std::shared_ptr<VQDocxTablePoint> bottomRight);

  VQDocxRuledTable* superTable = nullptr;
  VQDocx_TrPr trProperty;
  VQDocxTableCell::Array tableCellArray;
  size_t rowIndex = 0;

  Rect allRunTextBounds() const;
  std::shared_ptr<VQDocxParagraph> defaultParagraph();
  VQDocxTableCell* sampleDisplayTableCell(const VQDocxTableCell* cell);
  void createXMLProperty();
  void writeWithXMLWriter(XMLFileWriter& writer) override;

 private:
  std::shared_ptr<VQDocxParagraph> defaultParagraph_;
};

class VQDocxTableCellGroup : public VQDocxTableCell {
 public:
  using Ptr = std::shared_ptr<VQDocxTableCellGroup>;
  using RowArray = std::vector<VQDocxTableCell::Array>;

  // The member cells row by row (at least one row, each not empty).
  explicit VQDocxTableCellGroup(const RowArray& rows);

  RowArray tableRowArray;

  // The rectangles of cells to merge, each as its rows; empty for none.
  static std::vector<RowArray> FindAllRowGroupCells(const std::vector<VQDocxTableCell::Array>& rows);
  static bool ValidateBorderInsideForXGroupCellArray(const VQDocxTableCell::Array& cells);
  static bool ValidateBorderInsideForYGroupCellArray(const std::vector<VQDocxTableCell::Array>& runs);
  static VQDocx_Borders BordersWithRowArray(const RowArray& rows);

  void createXMLProperty() override {}
  void writeRowMergeEndWithXMLWriter(XMLFileWriter& writer);
};

}  // namespace vq
