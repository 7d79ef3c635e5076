#pragma once
// The style sheet of one workbook: number formats, fonts, fills, borders and
// cell formats, de-duplicated as pages add to them from several threads, and
// written once as "xl/styles.xml".
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/graphics/VQGeometry.h"
#include "xlsx/VQExcelTypes.h"

namespace vq {

class VQExcelManager;
class VQExcelNumber;

struct VQExcelStyleFont {
  double sz = kVQExcelWorkbookFontSize;
  std::string name = kVQExcelDefaultFontName;
  std::string rgbColor = "000000";
  bool b = false, i = false;
  bool isEqualToFont(const VQExcelStyleFont& o) const {
    return sz == o.sz && name == o.name && rgbColor == o.rgbColor && b == o.b && i == o.i;
  }
};

struct VQExcelStyleFill {
  std::string patternType = "none";
  std::optional<std::string> fgRGBColor;
  Rect rect;  // the stretch of the page it was drawn over
  // Same pattern and colour over nearly the same stretch of the page.
  bool isEqualToFill(const VQExcelStyleFill& o) const;
  // Same pattern and colour: one record of the style sheet.
  bool looksLike(const VQExcelStyleFill& o) const { return patternType == o.patternType && fgRGBColor == o.fgRGBColor; }
};

struct VQExcelStyleXf {
  int numFmtId = 0, fontId = 0, fillId = 0, borderId = 0, xfId = 0;
  int applyNumberFormat = 0, applyFill = 0, applyBorder = 0, applyAlignment = 0, applyProtection = 0;
  std::string horizontal = "left", vertical = "center";
  int indent = 0;  // levels of indent from the left
  bool isEqualXf(const VQExcelStyleXf& o) const {
    return numFmtId == o.numFmtId && fontId == o.fontId && fillId == o.fillId && borderId == o.borderId &&
           xfId == o.xfId && applyNumberFormat == o.applyNumberFormat && applyFill == o.applyFill &&
           applyBorder == o.applyBorder && applyAlignment == o.applyAlignment && applyProtection == o.applyProtection &&
           horizontal == o.horizontal && vertical == o.vertical && indent == o.indent;
  }
};

class VQExcelStyle {
 public:
  VQExcelStyle();

  // Id of the custom number format with this code: 170 for the first, then the lowest free id from 20.
  int collectNumberFormat(const std::string& formatCode);
  bool existNumberFormat(int numFmtId) const;
  int collectFonts(const VQExcelStyleFont& font);
  // Notes a fill drawn over a stretch of the page; fills of one pattern and
  // colour are one record of the style sheet, however often they are drawn.
  void collectFills(const VQExcelStyleFill& fill);
  // Index of the fill first drawn under the cell; 0 when fills are off or none lies there.
  int getFillIdWithCellFrame(const Rect& cellFrame, const VQExcelManager& manager);

  // The font of a run under the options; the run's properties take the
  // name, size and colour used.
  int collectFontsWithRun(VQExcelRunText& run, const VQExcelManager& manager);
  // Cell format of a text cell whose column starts at `cellLeft` and whose
  // range ends at `cellRight` (0 when nothing lies right of it): a text set
  // well in from the left is centred when it stands in the middle of its
  // range, else indented.
  uint32_t getStyleIndex(const VQExcelStringItem& item, double cellLeft, double cellRight,
                         const VQExcelManager& manager);
  // Cell format of a numeric cell.
  uint32_t styleIndexFrom(VQExcelRunText& run, VQExcelNumber& number, int fillId, const VQExcelManager& manager);

  bool writeStyleTo(const std::string& workFolder, const VQExcelManager& manager);

  size_t fontCount() const;
  size_t cellXfCount() const;
  size_t fillCount() const;

 private:
  VQExcelStyleFont fontOf(const VQExcelRunTextProperty& rPr, const VQExcelManager& manager) const;
  int collectFontsLocked(const VQExcelStyleFont& font);
  uint32_t xfIndexLocked(const VQExcelStyleXf& xf);

  mutable std::mutex lock_;
  std::vector<std::pair<int, std::string>> numFmts_;
  std::vector<VQExcelStyleFont> fonts_;
  std::vector<VQExcelStyleFill> fills_;  // the records written, each pattern and colour once
  // Where fills were drawn, in drawing order, with their record's index.
  std::vector<std::pair<VQExcelStyleFill, int>> fillAreas_;
  std::vector<VQExcelStyleXf> cellStyleXfs_;
  std::vector<VQExcelStyleXf> cellXfs_;
};

}  // namespace vq
