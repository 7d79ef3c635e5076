#pragma once
// The ruled-table finder of one page. The page model drives it through these
// calls and knows nothing of how tables are found, so the table detection can
// sit above the layout and be handed to the page by whoever makes it. The base
// finds nothing: every call leaves the page as it is.
#include <cstdint>
#include <memory>

#include "docx/layout/VQDocxTable.h"
#include "office/VQDocxTypes.h"
#include "office/VQDocxUtilities.h"

namespace vq {

class VQDocxPage;
class VQDocxRunPath;

class VQDocxTableParser {
 public:
  virtual ~VQDocxTableParser() = default;

  // The page whose font size and counters the finder reads; nullptr detaches.
  virtual void setSuperPage(VQDocxPage* page) { superPage_ = page; }
  VQDocxPage* superPage() const { return superPage_; }
  virtual void setPageSize(double width, double height) { (void)width, (void)height; }

  // Clears the per-page state before and after a search.
  virtual void begainPage() {}
  virtual void endPage() {}
  // Offers a path of the page as a rule candidate; false when refused.
  virtual bool addRunPathIfNeed(const std::shared_ptr<VQDocxRunPath>& runPath) {
    (void)runPath;
    return false;
  }
  // Finds the tables among the candidates and gives them the page's texts
  // that fall inside them. Paths that became rules keep their table-rule
  // mark; the caller takes them and the tables' texts off the page.
  virtual VQDocxTable::Array createTablesWithPage(VQDocxPage& page) {
    (void)page;
    return {};
  }
  // The page border found by the last search (offsetFrom 0: none); read
  // before endPage, which forgets it.
  virtual int32_t pgBorders_offsetFrom() const { return 0; }
  virtual VQDocx_Borders pgBorders() const { return VQDocxUtilities::defaultPageBordersNone(); }
  // Gives back the table-rule mark of paths that ended in no table.
  virtual void clearTableLineInvalidRunPaths() {}

 private:
  VQDocxPage* superPage_ = nullptr;
};

}  // namespace vq
