#pragma once
// One captured item of page content (text, path, picture, text box, WordArt,
// detected table): its character properties, glyph placement, and where it
// stands in the page's content stream. The scan index is both the reading
// order and the paint order of the page: a later run paints over an earlier
// one, and every layout stage keeps runs in this order.
#include <algorithm>
#include <concepts>
#include <cstdint>
#include <memory>
#include <vector>

#include "docx/capture/VQDocxObject.h"
#include "office/VQDocxTypes.h"
#include "pdf/VQPDFTransform.h"
#include "platform/graphics/VQGeometry.h"

namespace vq {

class VQDocxRun : public VQDocxObject {
 public:
  // No second index: only runs the layout makes (tables, text boxes) get one.
  static constexpr uint64_t kNoScanIndex = UINT64_MAX;

  VQDocxRun();

  std::shared_ptr<VQDocxRun> clone() const { return std::static_pointer_cast<VQDocxRun>(cloneObject()); }

  VQDocx_RPr rProperty;
  VQPDF_CTMInfo ctmInfo{};        // zero for runs that carry no text
  uint64_t pdfScanLength = 1;     // scan positions this run stands for (more once merged)
  bool isExtGStateSMask = false;  // soft-mask content, not page content
  bool isAnnotion = false;        // from an annotation's appearance
  int64_t pdfAnnotionIndex = 0;   // which annotation of the page
  bool isShading = false;         // a picture made from a shading or a pattern

  uint64_t pdfScanIndex() const { return pdfScanIndex_; }
  // Once a run carries a second index, that index follows the first.
  void setPdfScanIndex(uint64_t index);
  uint64_t pdfScanIndex_orignal() const { return pdfScanIndex_orignal_; }
  void setPdfScanIndex_orignal(uint64_t index) { pdfScanIndex_orignal_ = index; }

  // The run's box in page display space; the zero rectangle for a bare run.
  virtual Rect displayRect() const { return RectZero; }

  // True when the two scan indexes are equal or neighbours.
  bool isPDFScanIndexContinue(const VQDocxRun& other) const;

  // The class operations take arrays of any kind of run.

  // Sorts into scan order, then numbers the runs 0, 1, 2, ... with length 1
  // each (lengths raised by merging are given up).
  template <class R>
  requires std::derived_from<R, VQDocxRun>
  static void UpdateRunArrayPDFScanIndex(std::vector<std::shared_ptr<R>>& runs) {
    SortByScanIndex(runs);
    uint64_t counter = 0;
    for (auto& run : runs) {
      run->setPdfScanIndex(counter);
      run->pdfScanLength = 1;
      counter += run->pdfScanLength;
    }
  }

  // Sorts into scan order and answers whether the indexes then run without
  // gap or repeat; true for an empty array.
  template <class R>
  requires std::derived_from<R, VQDocxRun>
  static bool IsPDFScanIndexContinue(std::vector<std::shared_ptr<R>>& runs) {
    SortByScanIndex(runs);
    if (runs.empty()) return true;
    uint64_t expected = runs.front()->pdfScanIndex();
    for (const auto& run : runs) {
      if (run->pdfScanIndex() != expected) return false;
      // The largest index has no successor: any run after it is a repeat.
      if (run->pdfScanIndex() == UINT64_MAX) return &run == &runs.back();
      expected = run->pdfScanIndex() + 1;
    }
    return true;
  }

  // The run with the largest scan index, the first of equals; nullptr for an
  // empty array.
  template <class R>
  requires std::derived_from<R, VQDocxRun>
  static std::shared_ptr<R> FindMaxPDFScanIndex(const std::vector<std::shared_ptr<R>>& runs) {
    std::shared_ptr<R> found;
    for (const auto& run : runs)
      if (!found || run->pdfScanIndex() > found->pdfScanIndex()) found = run;
    return found;
  }

  // Scan order: by index, runs with equal indexes keep their order.
  template <class R>
  requires std::derived_from<R, VQDocxRun>
  static void SortByScanIndex(std::vector<std::shared_ptr<R>>& runs) {
    std::stable_sort(runs.begin(), runs.end(),
                     [](const auto& a, const auto& b) { return a->pdfScanIndex() < b->pdfScanIndex(); });
  }

 protected:
  VQDocxRun(const VQDocxRun&) = default;
  VQDocxRun& operator=(const VQDocxRun&) = default;

  std::shared_ptr<VQDocxObject> cloneObject() const override;
  // Sets the run fields on a fresh copy in the order a copy takes them: the
  // second index first, so that the copy's second index follows its first
  // whenever the source had one.
  void copyRunFieldsTo(VQDocxRun& to) const;

 private:
  uint64_t pdfScanIndex_orignal_ = kNoScanIndex;
  uint64_t pdfScanIndex_ = 0;
};

}  // namespace vq
