#pragma once
// Streams the shared-string table "xl/sharedStrings.xml". Each text cell gets
// an item of its own (no de-duplication); its index is its place in the order
// of hand-over, taken under the same lock as the append, so the place of an
// item in the file always equals the index its cell holds.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "xlsx/VQExcelManager.h"
#include "xlsx/VQExcelTypes.h"

namespace vq {

class VQExcelSharedStrings {
 public:
  // Opens the part inside the work folder of a workbook (`isExcel`); a CSV
  // conversion gets a table that writes nothing.
  VQExcelSharedStrings(const std::string& workFolder, const VQExcelManager& manager, bool isExcel);
  ~VQExcelSharedStrings();

  // Index of the first item; the i-th item gets that index + i.
  uint64_t collectStringItems(const std::vector<VQExcelSharedItem>& items);
  // Writes the items handed over since the last call; true when there were any.
  bool writeInOrderIfReady();
  // Writes what is pending and closes the table; false when the file could not be written.
  bool writeStringItemsEnd();
  uint64_t amountOfStringItems() const;
  bool isOpen() const { return xmlWriter_ != nullptr; }

 private:
  bool flushLocked();
  const VQExcelManager& manager_;
  mutable std::mutex lock_;
  uint64_t amount_ = 0;
  std::vector<VQExcelSharedItem> pending_;
  std::unique_ptr<class XMLFileWriter> xmlWriter_;
  bool failed_ = false;
};

}  // namespace vq
