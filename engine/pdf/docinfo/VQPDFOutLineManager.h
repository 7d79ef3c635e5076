#pragma once
// The outline (bookmark) items of the document being converted, as a flat
// table in reading order (an item, its children, then its next sibling),
// and the lookup of the items that point at a page.
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/pdf/PdfDocument.h"

namespace vq {

struct VQPDFOutlineAction {
  std::string S;           // "GoTo" for a destination, else the action's type ("Named", "URI" ...)
  std::vector<int64_t> D;  // the destination: first element the 1-based page; empty when none
};

struct VQPDFOutlineItem {
  std::optional<std::string> Title;
  int64_t Indent = 0;  // 0 for top-level items
  int64_t Count = 0;   // absolute value of the PDF Count entry
  std::optional<VQPDFOutlineAction> Action;
};

class VQPDFOutLineManager {
 public:
  static std::shared_ptr<VQPDFOutLineManager> sharedInstance();
  static void destory();

  // Replaces the table with the outline of the document (the catalog's
  // Outlines tree; destinations given directly, through a GoTo action, or by
  // name through the Dests dictionary or the Dests name tree). A damaged
  // tree (loops, deep nesting) is read as far as it is sound.
  void loadOutlineFromDocument(const pdf::Document& document);
  void setTableArray(std::vector<VQPDFOutlineItem> items);
  std::vector<VQPDFOutlineItem> tableArray() const;

  // The items whose destination page is `pageIndex` (1-based), in table order.
  std::vector<VQPDFOutlineItem> outlineArrayForPDFPageIndex(uint64_t pageIndex) const;

  static int64_t GetGoToPageWithItem(const VQPDFOutlineItem& item);  // -1 without a destination
  static int64_t GetIndentPageWithItem(const VQPDFOutlineItem& item);
  // The title without white space, line breaks, control or format characters;
  // nullopt when that leaves nothing.
  static std::optional<std::string> GetOutlineTitleWithItem(const VQPDFOutlineItem& item);

  // Reads an outline without touching the shared table.
  static std::vector<VQPDFOutlineItem> ReadOutline(const pdf::Document& document);

 private:
  mutable std::mutex mutex_;
  std::vector<VQPDFOutlineItem> tableArray_;
};

}  // namespace vq
