#pragma once
// The ruled-table finder of a page: it keeps the paths whose segments all
// run along the axes, cuts them into rules, recognises a frame drawn round
// the page (which becomes the page border), groups crossing rules into
// candidate tables, validates them, gives them their texts and builds the
// tables.
#include <memory>
#include <mutex>
#include <vector>

#include "docx/layout/VQDocxTableParser.h"
#include "docx/tables/VQDocxTableArea.h"
#include "docx/tables/VQDocxTableLine.h"
#include "office/VQDocxTypes.h"

namespace vq {

class VQDocxRuledTableParser : public VQDocxTableParser {
 public:
  VQDocxRuledTableParser();

  void setPageSize(double width, double height) override;
  void begainPage() override;
  void endPage() override;
  bool addRunPathIfNeed(const std::shared_ptr<VQDocxRunPath>& runPath) override;
  void clearTableLineInvalidRunPaths() override;
  VQDocxTable::Array createTablesWithPage(VQDocxPage& page) override;
  int32_t pgBorders_offsetFrom() const override { return pgBorders_offsetFrom_; }
  VQDocx_Borders pgBorders() const override { return pgBorders_; }

  VQDocxTableLine::Array creatTableLines();
  VQDocxTableArea::Array createAllTableAreas();

  const VQDocxRunPath::Array& allSampleRunPaths() const { return allSampleRunPaths_; }
  const VQDocxTableLine::Array& allTableLines() const { return allTableLines_; }

  static VQDocxTableLine::Array FindInterTableLines(const VQDocxTableLine::Array& lines, Point point);
  static float LineStartPoint(Point start, Point end, Point point1, Point point2);
  static VQDocxTableLine::Array FindTableLines(const VQDocxTableLine::Array& lines, const VQDocxTablePoint& point1,
                                               const VQDocxTablePoint& point2, double miniLength);
  static VQDocxTablePoint::Array KDFindIntersectionPoints(const VQDocxTableLine::Array& lines);

 private:
  void takeFrame(VQDocxTableLine::Array& working, VQDocxTableLine::Array frame);

  float pageWidth_ = 0, pageHeight_ = 0;
  VQDocxRunPath::Array allSampleRunPaths_;
  VQDocxTableLine::Array allTableLines_;
  int32_t pgBorders_offsetFrom_ = 0;
  VQDocx_Borders pgBorders_;
};

}  // namespace vq
