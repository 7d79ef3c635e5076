#pragma once
// The ruled-table finder of one page. The page model drives it through these
// calls and knows nothing of how tables are found, so the table detection can
// sit above the layout and be handed to the page by whoever makes it. The base
// finds nothing: every call leaves the page as it is.
#include <memory>

namespace vq {

class VQDocxPage;
class VQDocxRunPict;

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
  // Offers a path of the page as a rule candidate.
  virtual void addRunPathIfNeed(const std::shared_ptr<VQDocxRunPict>& runPath) { (void)runPath; }
  // Gives back the table-rule mark of paths that ended in no table.
  virtual void clearTableLineInvalidRunPaths() {}

 private:
  VQDocxPage* superPage_ = nullptr;
};

}  // namespace vq
