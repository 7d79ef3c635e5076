#pragma once
// The records a page's cell grid is made of: captured runs of text, the cell
// texts grouped from them, and the worksheet rows, cells, columns and merged
// ranges written from those.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pdf/VQPDFTransform.h"
#include "pdf/VQPDFWordGaps.h"
#include "platform/graphics/VQGeometry.h"

namespace vq {

class XMLFileWriter;
class VQExcelManager;

inline constexpr const char* kVQExcelDefaultFontName = "Arial Unicode MS";
inline constexpr double kVQExcelDefaultFontSize = 10;
// The workbook's own type (its first font), whose digit is the unit of
// column widths.
inline constexpr double kVQExcelWorkbookFontSize = 12;
// Column frames are in points; a width of one character is written for
// every this many.
inline constexpr double kVQExcelPointsPerCharacter = 5;

// Font properties of a run. Colours are six hex digits without alpha.
struct VQExcelRunTextProperty {
  bool i = false, b = false, strike = false;
  int charset = 0;
  double sz = 12;
  std::string rFont = kVQExcelDefaultFontName;
  std::string rFont_replace = kVQExcelDefaultFontName;
  std::string family = kVQExcelDefaultFontName;
  std::string scheme;
  std::string rgbColor = "2f2b20";

  bool isEqualToRPr(const VQExcelRunTextProperty& o) const {
    return sz == o.sz && rFont == o.rFont && rgbColor == o.rgbColor && family == o.family;
  }
  bool isSameToRPr(const VQExcelRunTextProperty& o) const { return sz == o.sz && rgbColor == o.rgbColor; }
  // What a cell's rich text keeps apart.
  bool looksLike(const VQExcelRunTextProperty& o) const { return isEqualToRPr(o) && b == o.b && i == o.i; }
};

// One captured run of text in display space (y grows downwards).
struct VQExcelRunText {
  VQPDF_CTMInfo ctmInfo;
  uint64_t pdfScanIndex = 0;
  std::string text;
  mutable VQPDFTextTally tally;  // of `text`
  VQExcelRunTextProperty rPr;
  double textWidth = 0;
  // What word gaps beside the run are measured by: its type along the line
  // as displayed (horizontal scaling included) and the font's own blank
  // (0 when it has none), as the capture gives them.
  VQPDFWordGapFont gapFont;
  // The capture saw a word gap before the run's first glyph (a blank glyph,
  // however narrow, or a gap wide enough for its type).
  bool wordGapBefore = false;
  // Lines of the page joined into the run: a run of several lines is never
  // one number, whatever digits its lines hold.
  uint32_t lines = 1;
  uint64_t columnIndex = 0, rowIndex = 0, columnLength = 0, rowLength = 0;
  // Where pieces joined from runs in another face or colour start in `text`
  // (byte offsets, rising): the text before the first is in `rPr`.
  struct Restyle {
    size_t at = 0;
    VQExcelRunTextProperty rPr;
  };
  std::vector<Restyle> restyles;

  const VQExcelRunTextProperty& lastProperty() const { return restyles.empty() ? rPr : restyles.back().rPr; }
  // The text cut where its style changes, each piece with its style.
  std::vector<std::pair<std::string, VQExcelRunTextProperty>> styledPieces() const;

  double xLeft() const { return ctmInfo.xLeft; }
  double xRight() const { return ctmInfo.xRight; }
  double yTop() const { return ctmInfo.yTop; }
  double yBase() const { return ctmInfo.yBase; }
  double yBottom() const { return ctmInfo.yBottom; }
  Rect frame() const { return Rect{{ctmInfo.xLeft, ctmInfo.yTop}, {textWidth, ctmInfo.yBottom - ctmInfo.yTop}}; }
};
using VQExcelRunPtr = std::shared_ptr<VQExcelRunText>;
using VQExcelRuns = std::vector<VQExcelRunPtr>;

struct VQExcelStringItemInfo {
  double displayWidth = 0, displayHeight = 0, displayX = 0, displayY = 0;
  double rotation = 0;
  Rect textBoxRect() const;
};

// The text of one cell: the runs that share one grid position.
struct VQExcelStringItem {
  int64_t index = 0;
  uint64_t rowIndex = 0, columnIndex = 0, rowLength = 0, columnLength = 0;
  VQExcelRuns runArray;
  VQExcelStringItemInfo itemInfo;

  // The runs' texts, a blank between two runs that do not bring one.
  std::string content() const;
  std::vector<std::string> runTexts() const;
  double textWidth() const;
  bool containRunText(const VQExcelRunText& run) const {
    return run.columnIndex == columnIndex && run.rowIndex == rowIndex;
  }
  const VQExcelRunTextProperty& runProperty() const;
  double maxFontSize() const;
  bool isAttributeRunText() const;
  void calculatStringItemInfo();
};
using VQExcelStringItemPtr = std::shared_ptr<VQExcelStringItem>;

// What a shared string keeps of its runs once handed over: the page may go
// on changing its own records while the table is flushed on another thread.
struct VQExcelSharedRun {
  std::string text;
  VQExcelRunTextProperty rPr;
};
using VQExcelSharedItem = std::vector<VQExcelSharedRun>;
// Writes one "si" element.
void VQExcelWriteSharedItem(XMLFileWriter& writer, const VQExcelSharedItem& item, const VQExcelManager& manager);

struct VQExcelCell {
  bool isCompleted = false;
  bool isText = false;
  uint32_t styleIndex = 0xFFFFFFFFu;  // all bits: no style
  VQExcelStringItemPtr stringItem;
  std::string dataType = "s";
  std::string cellValue = "-1";  // "-1": no value
  void writeXML(XMLFileWriter& writer) const;
};
using VQExcelCellPtr = std::shared_ptr<VQExcelCell>;

struct VQExcelRow {
  bool isComplete = false;
  bool customHeight = true;
  uint32_t styleIndex = 0;
  std::vector<VQExcelCellPtr> cells;
  int64_t numberOfColumns = 0;
  uint64_t rowIndex = 1;
  std::string spans = "1:1";
  Rect frame;

  void setRowIndex(uint64_t index);
  void setHeight(double h) { frame.size.height = h; }
  void sortCellsByColumnIndex();
  void writeXML(XMLFileWriter& writer, const VQExcelManager& manager) const;
};
using VQExcelRowPtr = std::shared_ptr<VQExcelRow>;

struct VQExcelColumn {
  bool customWidth = true;
  uint64_t columnIndex = 0;
  std::vector<VQExcelCellPtr> cells;
  Rect frame;

  void setColumnIndex(uint64_t index);
  void setWidth(double w) { frame.size.width = w; }
  void writeXML(XMLFileWriter& writer, const VQExcelManager& manager) const;
};
using VQExcelColumnPtr = std::shared_ptr<VQExcelColumn>;

struct VQExcelCellPoint {
  uint64_t r = 0, c = 0;
  friend bool operator==(const VQExcelCellPoint&, const VQExcelCellPoint&) = default;
};

// One merged range; start is its top-left cell, end its bottom-right cell.
struct VQMergedCell {
  VQExcelCellPoint start, end;
  std::string mergerCellInfo() const;
  bool isCross(const VQMergedCell& other) const;
  int64_t numbOfCrossCells(const std::vector<VQMergedCell>& list) const;
  friend bool operator==(const VQMergedCell&, const VQMergedCell&) = default;
};
bool VQExcelIsHaveCrossMergedCells(const std::vector<VQMergedCell>& list);
// The range crossing the most others (the first among equals); none when no range crosses another.
std::optional<size_t> VQExcelFindTopOneMergedCells(const std::vector<VQMergedCell>& list);
// The list without crossings: the most crossing range is removed until none cross.
std::vector<VQMergedCell> VQExcelFixedCrossMergedCells(const std::vector<VQMergedCell>& list);

class VQExcelUtilities {
 public:
  // 1 -> "A", 27 -> "AA"; nothing below 1.
  static std::optional<std::string> getColumnName(int64_t n);
  static uint64_t getColumnNumber(const std::string& name);
  static std::string cellReference(uint64_t column, uint64_t row);
};

}  // namespace vq
