#pragma once
// Collects every page's grid into one worksheet, each page below the previous
// one or to its right, and writes that worksheet once at saving.
#include <mutex>
#include <string>
#include <vector>

#include "xlsx/VQExcelTypes.h"

namespace vq {

class VQExcelManager;

// The worksheet records of one page, as the page built them.
struct VQExcelAIOSPage {
  std::vector<VQExcelColumnPtr> columns;
  std::vector<VQExcelRowPtr> sheetRows;
  std::vector<VQMergedCell> mergeCells;
};

class VQExcelAIOSWriter {
 public:
  // Writes the sheet into the workbook folder that the document prepared.
  explicit VQExcelAIOSWriter(const std::string& workFolder);
  // Takes over the page's records (built by creatSheet).
  void collectPageXMLToRow(VQExcelAIOSPage& page);
  void collectPageXMLToColumn(VQExcelAIOSPage& page);
  bool writeSheetXML(const VQExcelManager& manager);
  const std::string& sheetXMLPath() const { return sheetXMLPath_; }

  std::vector<VQExcelColumnPtr> columns;
  std::vector<VQExcelRowPtr> sheetRows;
  std::vector<VQMergedCell> mergeCells;

 private:
  std::mutex lock_;
  std::string sheetXMLPath_;
};

}  // namespace vq
