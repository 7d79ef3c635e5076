#pragma once
// The options of one spreadsheet conversion and the switches derived from
// them. The document owns one manager for the length of a conversion; page
// threads only read it.
#include <string>
#include <string_view>

#include "exporter/VQExcelOptions.h"

namespace vq {

class VQExcelManager {
 public:
  VQExcelManager() = default;
  explicit VQExcelManager(const VQExcelOptions& options) { setOptions(options); }

  void setOptions(const VQExcelOptions& options) {
    excelOptions = options;
    thousandSepartor = options.thousandSepartor == 1 ? "." : ",";
  }

  VQExcelOptions excelOptions;
  std::string thousandSepartor = ",";

  int OverlapTextOption() const { return excelOptions.overlapText; }
  bool isNeedCollectCGPaths() const { return excelOptions.collectCGPaths; }
  bool isNeedCollectFills() const { return excelOptions.collectCGPaths && excelOptions.collectFills; }
  bool isNeedValidNumbers() const { return excelOptions.excelFormatOption != 2 && excelOptions.recognizeNumber; }
  bool isNeedDefaultFontName() const { return excelOptions.excelFormatOption == 2; }
  bool isNeedDefaultFontSize() const { return excelOptions.excelFormatOption != 0; }
  bool isNeedDefaultColumnWidth() const { return excelOptions.excelFormatOption != 0; }
  bool isNeedDefaultRowHeight() const { return excelOptions.excelFormatOption != 0; }
  bool isNeedWrapText() const { return excelOptions.excelFormatOption == 0; }
  bool isNeedMergeCells() const { return true; }
  bool isSpecialVersion() const { return excelOptions.excelFormatOption == 2; }
  bool isAllInOneSheetEnabled() const { return excelOptions.allInOneSheet; }
  bool isAllInOneSheetAddToRow() const { return excelOptions.aiosAddToRow; }

  // True for "" and for text made of U+0020 only; other white space is text.
  static bool isBlankSpace(std::string_view text) { return text.find_first_not_of(' ') == std::string_view::npos; }
};

}  // namespace vq
