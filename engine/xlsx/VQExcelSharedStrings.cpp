#include "xlsx/VQExcelSharedStrings.h"

#include "common/VQPDFPathUtilities.h"
#include "office/VQOpenXMLNameSpace.h"
#include "office/XMLFileWriter.h"

namespace vq {

VQExcelSharedStrings::VQExcelSharedStrings(const std::string& workFolder, const VQExcelManager& manager, bool isExcel)
    : manager_(manager) {
  if (!isExcel) return;
  VQPDFPathUtilities::createFolderIfNeed(workFolder + "/xl");
  xmlWriter_ = XMLFileWriter::initWithPath(workFolder + "/xl/sharedStrings.xml");
  if (!xmlWriter_) {
    failed_ = true;
    return;
  }
  xmlWriter_->writeStartDocumentWithEncodingAndVersion("UTF-8", "1.0", "yes");
  xmlWriter_->setPrefix("", VQOpenXMLNameSpace::nameSpace_SpreadSheetml2006Main());
  xmlWriter_->writeStartElementWithNamespace(VQOpenXMLNameSpace::nameSpace_SpreadSheetml2006Main(), "sst");
}

VQExcelSharedStrings::~VQExcelSharedStrings() = default;

uint64_t VQExcelSharedStrings::collectStringItems(const std::vector<VQExcelSharedItem>& items) {
  std::lock_guard g(lock_);
  const uint64_t first = amount_;
  amount_ += items.size();
  pending_.insert(pending_.end(), items.begin(), items.end());
  return first;
}

uint64_t VQExcelSharedStrings::amountOfStringItems() const {
  std::lock_guard g(lock_);
  return amount_;
}

bool VQExcelSharedStrings::flushLocked() {
  if (pending_.empty()) return false;
  std::vector<VQExcelSharedItem> items;
  items.swap(pending_);
  if (xmlWriter_) {
    try {
      for (const auto& item : items) VQExcelWriteSharedItem(*xmlWriter_, item, manager_);
    } catch (const std::exception&) {
      failed_ = true;
    }
  }
  return true;
}

bool VQExcelSharedStrings::writeInOrderIfReady() {
  std::lock_guard g(lock_);
  return flushLocked();
}

bool VQExcelSharedStrings::writeStringItemsEnd() {
  std::lock_guard g(lock_);
  flushLocked();
  if (!xmlWriter_) return !failed_;
  try {
    xmlWriter_->writeEndDocument();
    xmlWriter_->closeFile();
  } catch (const std::exception&) {
    failed_ = true;
  }
  xmlWriter_.reset();
  return !failed_;
}

}  // namespace vq
