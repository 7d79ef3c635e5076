#pragma once
// The output of one spreadsheet conversion: a work folder in the temporary
// area holding the package tree (XLSX) or the CSV tables, the style sheet,
// the shared strings and the all-in-one sheet. Pages are handed to it from
// several threads; at the end it zips the folder into the destination file
// (XLSX) or moves the folder of tables to the destination path (CSV).
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "exporter/VQExcelOptions.h"
#include "platform/pdf/PdfDocument.h"
#include "xlsx/VQExcelAIOSWriter.h"
#include "xlsx/VQExcelManager.h"
#include "xlsx/VQExcelSharedStrings.h"
#include "xlsx/VQExcelStyle.h"

namespace vq {

class VQExcelPage;
class VQPDFInfo;

class VQExcelDocument {
 public:
  // A workbook when `isExcel`, else a folder of CSV tables: the requested
  // type decides, never the destination's name.
  VQExcelDocument(const std::string& destPath, uint64_t totalPages, const VQExcelOptions& options, bool isExcel);
  ~VQExcelDocument();
  VQExcelDocument(const VQExcelDocument&) = delete;
  VQExcelDocument& operator=(const VQExcelDocument&) = delete;

  bool isExcelConvert() const;
  void writeDocumentBegin();
  // Builds and writes the page's worksheet (or collects it into the single
  // sheet) or its CSV table. Any thread.
  void writePage(VQExcelPage& page);
  bool writeDocumentPageTempInOrderIfReady();
  // The place `pageNumber` stays empty: pages after it need not wait for it.
  void skipPage(uint64_t pageNumber);
  // Writes the remaining parts and saves the destination; on failure a
  // message in `error`, nothing at the destination. The work folder is
  // removed either way.
  bool packetZipFileIfNeed(const std::shared_ptr<const pdf::Document>& document, std::string* error);
  // Removes the work folder (cancelled conversions).
  void removeWorkFolder();

  const std::string& savedWorkFolder() const { return savedWorkFolder_; }
  uint64_t totalSheetPages() const { return totalSheetPages_; }
  int64_t writePagesCount() const;
  const VQExcelManager& manager() const { return manager_; }
  VQExcelStyle& excelStyle() { return excelStyle_; }
  VQExcelSharedStrings& sharedStrings() { return *sharedStrings_; }
  VQExcelAIOSWriter& aiosWriter() { return *aiosWriter_; }

  // Whether the tables of a CSV conversion may be saved at `path`: nothing
  // is there, a regular file, or a folder of "Table N.csv" files only (an
  // earlier conversion's tables).
  static bool IsReplaceableTablesDestination(const std::string& path);

  // "2026-03-01T14:05:09Z" of a moment in seconds since the epoch.
  static std::string formatedDate(int64_t seconds);

 private:
  bool writePackageParts(const std::shared_ptr<const pdf::Document>& document);
  // The parts of writePackageParts, each into the work folder `root`.
  bool writeContentTypes(const std::string& root, bool hasTheme) const;
  bool writeAppProperties(const std::string& root, const VQPDFInfo* info) const;
  // Lists the worksheets' relationship ids for the workbook.
  bool writeWorkbookRelationships(const std::string& root);
  bool writeWorkbook(const std::string& root) const;
  // Hands the single sheet every waiting page that comes next in page order;
  // with `all`, every waiting page whatever the gaps.
  void collectAIOSPagesInOrder(bool all);

  VQExcelManager manager_;
  std::string savedFilePath_;
  std::string savedWorkFolder_;
  std::string tempRoot_;
  uint64_t totalSheetPages_ = 0;
  int64_t writePagesCount_ = 0;
  int64_t reportedPagesCount_ = 0;  // writePagesCount_ when progress was last asked for
  bool isExcel_ = true;
  VQExcelStyle excelStyle_;
  std::unique_ptr<VQExcelSharedStrings> sharedStrings_;
  std::unique_ptr<VQExcelAIOSWriter> aiosWriter_;
  std::vector<std::pair<std::string, std::string>> excelRelationships_;  // Type, Target
  std::vector<std::string> sheetIdsList_;
  std::string pageWriteError_;
  // All-in-one pages land in page order, whichever thread finishes first.
  std::mutex aiosLock_;
  std::map<uint64_t, VQExcelAIOSPage> aiosPending_;
  uint64_t aiosNext_ = 1;  // the last page part that could not be written
  mutable std::mutex lock_;
};

}  // namespace vq
