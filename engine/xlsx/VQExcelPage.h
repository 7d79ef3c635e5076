#pragma once
// One page of a spreadsheet conversion: the runs its parser collected, the
// grid they are numbered into (rows, columns and spans from nested grouping
// by overlap), and the worksheet records or CSV table made from that grid.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "pdf/VQPDFOverprint.h"
#include "platform/graphics/VQPath.h"
#include "xlsx/VQExcelTypes.h"

namespace vq {

class VQExcelManager;
class VQExcelStyle;
class VQExcelSharedStrings;

// A rule the page draws, in display space: a line across (at y, from x
// `from` to `to`) or down (at x, from y `from` to `to`).
struct VQExcelRule {
  bool across = true;
  double at = 0, from = 0, to = 0;
};

// A group of runs from the grid's nested grouping; a group without
// sub-groups is a leaf.
struct VQExcelTempGroup {
  VQExcelRuns runTexts;
  std::vector<VQExcelTempGroup> subGroups;
  bool isLeaf() const { return subGroups.empty(); }
};

class VQExcelPage {
 public:
  VQExcelPage(uint64_t pageNumber, const std::string& rootFolder, const VQExcelManager& manager, VQExcelStyle& style,
              VQExcelSharedStrings& sharedStrings);

  uint64_t pageNumber() const { return pageNumber_; }
  const std::string& sheetXMLPath() const { return sheetXMLPath_; }
  bool isCollectingRunText = true;

  VQExcelRuns allRunTextArray;
  // The rules drawn on the page: where a table's cells are ruled.
  std::vector<VQExcelRule> rules;
  std::vector<VQExcelColumnPtr> columns;
  std::vector<VQExcelRowPtr> sheetRows;
  std::vector<VQMergedCell> mergeCells;

  // Adds a newly captured run, joining it to the last run when it continues
  // it on the same base line (or, for text turned a quarter, up or down the
  // same column): touching, or a word gap apart (with a blank). A glyph
  // drawn again over an earlier one with the same text is dropped.
  void addToAllRunTextArray(const VQExcelRunPtr& run);

  // Notes the straight rules that `path` (in display space) draws: its
  // level or upright segments when stroked, a thin bar when filled.
  void collectRules(const Path& path, bool stroke, bool fill);
  // Joins the lines of text that one ruled cell of the page holds (a box
  // closed by rules on all four sides) into one run, a line break between
  // lines.
  void joinRuledCells();

  // Numbers every run's row, column and spans.
  void typesetRunTexts();
  VQExcelRunPtr runTextAtRow(uint64_t row, uint64_t column) const;
  // Runs grouped by equal row / column number.
  std::vector<VQExcelRuns> creatRowArray() const;
  std::vector<VQExcelRuns> creatColumnArray() const;

  // The cell texts: runs sharing a grid position, without all-blank ones.
  std::vector<VQExcelStringItemPtr> getStringItemsFromRuns(const VQExcelRuns& runs) const;
  // `amountsAround`: the item stands in a column of amounts, where a number
  // in parentheses is negative.
  VQExcelCellPtr createCellWithStringItem(const VQExcelStringItemPtr& item, bool amountsAround = false);

  // Fills sheetRows, columns and mergeCells.
  void creatSheet();
  // Writes the worksheet part; false when it could not be written.
  bool writeSheetXML() const;
  // The CSV table; nothing when the page has no cell.
  std::optional<std::string> creatCSV();

  // Writes a worksheet of the given records (shared with the all-in-one sheet).
  static bool WriteWorksheet(const std::string& path, const std::vector<VQExcelColumnPtr>& columns,
                             const std::vector<VQExcelRowPtr>& rows, const std::vector<VQMergedCell>& merges,
                             const VQExcelManager& manager);

  // Moves runs that belong to a later column there, where that cell is
  // free; `level` counts the passes made (at most 21).
  void correctColumnNumber(int level);

 private:
  void caculateRunTextMergeLength();

  uint64_t pageNumber_;
  std::string sheetXMLPath_;
  // Where the glyphs added so far were drawn.
  VQPDFOverprintFilter overprints_;
  const VQExcelManager& manager_;
  VQExcelStyle& style_;
  VQExcelSharedStrings& sharedStrings_;
};

}  // namespace vq
