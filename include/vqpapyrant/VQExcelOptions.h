#pragma once
// Options of a spreadsheet (XLSX or CSV) conversion.
#include <cstdint>

#include "vqpapyrant/VQExport.h"

namespace vq {

struct VQ_EXPORT VQExcelOptions {
  bool allInOneSheet = false;   // every page into one worksheet
  bool aiosAddToRow = true;     // with allInOneSheet: each page below the previous one (else to its right)
  bool recognizeNumber = true;  // single-run cell texts that read as numbers become numeric cells
  bool collectCGPaths = false;  // the page parser handles filled paths at all
  bool collectFills = false;    // filled rectangles become cell fills (with collectCGPaths)
  // 0: the page's own fonts, sizes, row heights and column widths; 1: default
  // font size, row height and column width; 2: as 1 plus the default font name
  // and no number recognition.
  int32_t excelFormatOption = 0;
  int32_t thousandSepartor = 0;  // 0: "," thousands and "." decimals; 1: the reverse
  int32_t overlapText = 0;       // tolerance choice 0, 1 or 2 for joining runs of one line

  friend bool operator==(const VQExcelOptions&, const VQExcelOptions&) = default;
};

}  // namespace vq
