// The second half of a page's text layout: text hidden under pictures is
// dropped, the page margins are measured from the column sets and snapped to
// a few values, and each column set becomes one page section.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>
#include <unordered_set>

#include "docx/capture/VQDocxMeasures.h"
#include "docx/layout/VQDocxPage.h"
#include "docx/layout/VQDocxPageSection.h"
#include "office/VQDocxUtilities.h"

namespace vq {
namespace {

using docxmeasure::bottomOf;

bool endsWithPng(std::string path) {
  std::transform(path.begin(), path.end(), path.begin(), [](unsigned char c) { return std::tolower(c); });
  return path.size() >= 3 && path.compare(path.size() - 3, 3, "png") == 0;
}

// Lowers the margins so that a table, grown by a point at top and bottom,
// stands inside them; left and right never below half an inch.
void lowerMarginsForTable(VQDocx_PgMar& m, const Rect& tableBounds, double pageWidth, double pageHeight) {
  const Rect b = RectInset(tableBounds, 0, -1);
  const double x = b.origin.x, y = b.origin.y, w = b.size.width, h = b.size.height;
  m.top = static_cast<float>(std::min<double>(m.top, std::max(y - 5, 0.0)));
  m.right = static_cast<float>(std::min<double>(m.right, std::max(pageWidth - x - w, 36.0)));
  m.bottom = static_cast<float>(std::min<double>(m.bottom, std::max(pageHeight - y - h, 0.0)));
  m.left = static_cast<float>(std::min<double>(m.left, std::max(x, 36.0)));
}

bool isFiniteMargins(const VQDocx_PgMar& m) {
  return std::isfinite(m.top) && std::isfinite(m.right) && std::isfinite(m.bottom) && std::isfinite(m.left);
}

}  // namespace

void VQDocxPage::filterAllRunTextArray() {
  std::unordered_set<const VQDocxRunText*> hidden;
  for (const auto& image : allRunImageArray) {
    if (!image->imagePath || endsWithPng(*image->imagePath)) continue;
    const Rect box = image->displayRect();
    for (const auto& run : allRunTextArray) {
      if (hidden.count(run.get()) || run->pdfScanIndex() >= image->pdfScanIndex()) continue;
      if (RectContainsRect(box, run->ctmInfo.frame)) hidden.insert(run.get());
    }
  }
  if (hidden.empty()) return;
  std::erase_if(allRunTextArray, [&](const auto& run) { return hidden.count(run.get()) != 0; });
  updateAllPDFScanIndex();
}

double VQDocxPage::PageMarginStepValue(double x) {
  if (x < 35.75) return std::ceil(static_cast<float>(x));
  if (x < 71.75) return 36;
  if (x < 143.75) return 72;
  return 144;
}

VQDocx_PgMar VQDocxPage::bestPgMarWithMaxPGMar(const VQDocx_PgMar& m) {
  VQDocx_PgMar r = VQDocxUtilities::defaultPageMarginProperty();
  r.left = static_cast<float>(PageMarginStepValue(m.left));
  r.right = static_cast<float>(PageMarginStepValue(m.right));
  r.top = static_cast<float>(PageMarginStepValue(m.top));
  r.bottom = static_cast<float>(PageMarginStepValue(m.bottom));
  if (const float s = std::min(r.left, r.right); s > 35.75f) r.left = r.right = s;
  if (const float s = std::min(r.top, r.bottom); s > 71.75f) r.top = r.bottom = s;
  // Snapping never gives more room than the content leaves.
  if (r.top > m.top) r.top = m.top;
  if (r.left > m.left) {
    r.left = m.left;
    if (r.right > m.left) r.right = m.left;
  }
  if (r.right > m.right) {
    r.right = m.right;
    if (r.left > m.right) r.left = m.right;
  }
  if (r.bottom > m.bottom) r.bottom = m.bottom;
  r.header = r.top >= 36 ? 35.4f : 0;
  r.footer = r.bottom >= 36 ? 35.4f : 0;
  r.gutter = 0;
  return r;
}

void VQDocxPage::createPageSections() {
  const double pageW = pageWidth(), pageH = pageHeight();
  VQDocx_PgMar measured{};
  if (!allColumSetArray.empty()) {
    measured.top = measured.right = measured.bottom = measured.left = 999999;
    for (const auto& set : allColumSetArray) {
      const Rect& f = set->columGroupFrame;
      measured.top = static_cast<float>(std::min<double>(measured.top, std::max(f.origin.y - 5, 0.0)));
      measured.left = static_cast<float>(std::min<double>(measured.left, std::max(f.origin.x, 0.0)));
      measured.right =
          static_cast<float>(std::min<double>(measured.right, std::max(pageW - f.origin.x - f.size.width - 1, 0.0)));
    }
    if (const auto bottomRun = VQDocxRunText::FindBottomAfterRunText(allRunTextArray))
      measured.bottom = static_cast<float>(
          std::min<double>(measured.bottom, std::max(pageH - bottomRun->doubleBottomLine() - 1, 0.0)));
    for (const auto& table : allTableArray) lowerMarginsForTable(measured, table->bounds, pageW, pageH);
    sectProperty.pgMar = bestPgMarWithMaxPGMar(measured);
  } else {
    VQDocx_PgMar m{};
    m.top = m.right = m.bottom = m.left = m.header = m.footer = 72;
    if (!allTableArray.empty()) {
      VQDocx_PgMar lowered{};
      lowered.top = lowered.right = lowered.bottom = lowered.left = 72;
      for (const auto& table : allTableArray) lowerMarginsForTable(lowered, table->bounds, pageW, pageH);
      m = bestPgMarWithMaxPGMar(lowered);
    }
    sectProperty.pgMar = m;
  }
  // Margins that are no numbers (a page of degenerate geometry) would be
  // written as such; Word's default page margins stand in for them.
  if (!isFiniteMargins(sectProperty.pgMar)) {
    VQDocx_PgMar m{};
    m.top = m.right = m.bottom = m.left = m.header = m.footer = 72;
    sectProperty.pgMar = m;
  }

  if (pgBorders_offsetFrom != 0) {
    sectProperty.offsetFrom = pgBorders_offsetFrom;
    // The border's spaces are measured from the page's edges, as the
    // border is written (offsetFrom "page"); the margins do not add to them.
    sectProperty.pgBorders = pgBorders;
  }

  allPageSectionArray.clear();
  // The sections are laid out in the text area the content measures, but
  // the margin written below it is half as high: a word processor sets the
  // lines a few points taller than the PDF does, and without that room a
  // page's last line (often its page number) would spill onto a page of its
  // own. Every page starts with a new-page break, so the room never pulls
  // the next page's text up. Bottom- and centre-aligned pages keep their
  // margin, since it places their content.
  const VQDocx_PgMar mar = sectProperty.pgMar;
  const size_t n = allColumSetArray.size();
  if (n > 0 && sectProperty.vAlign == 0) sectProperty.pgMar.bottom = std::floor(mar.bottom / 2);
  std::shared_ptr<VQDocxPageSection> previous;
  for (size_t j = 0; j < n; ++j) {
    const auto& set = allColumSetArray[j];
    Rect frame;
    frame.origin.x = mar.left;
    frame.size.width = pageW - mar.left - mar.right;
    const double setBottom = bottomOf(set->columGroupFrame);
    // The sections tile the text area from the top margin to the bottom
    // margin without gaps.
    frame.origin.y = j == 0 ? mar.top : bottomOf(previous->sectionFrame);
    const double bottom = j + 1 == n ? pageH - mar.bottom : setBottom;
    frame.size.height = bottom - frame.origin.y;

    auto section = std::make_shared<VQDocxPageSection>(sectProperty);
    section->superPage = this;
    section->sectionFrame = frame;
    section->columGroupFrame = set->columGroupFrame;
    section->previousPageSection = previous;
    section->isPageHeadSection = j == 0;
    section->isPageFootSection = j + 1 == n;
    section->isDocumentFirstPage = isFirstPage_;
    section->isDocumentLastPage = isLastPage_;
    section->setColumGroupArray(set->columGroupArray);
    section->optimizeParagraphs();
    allPageSectionArray.push_back(section);
    previous = std::move(section);
  }
}

void VQDocxPage::addBlankSectionIfNeed() {
  if (!allPageSectionArray.empty()) return;
  auto section = VQDocxPageSection::BankPageSectionWithSectProperty(sectProperty, 0);
  section->superPage = this;
  section->isDocumentFirstPage = isFirstPage_;
  section->isDocumentLastPage = isLastPage_;
  section->isPageHeadSection = true;
  section->isPageFootSection = true;
  allPageSectionArray.push_back(std::move(section));
}

void VQDocxPage::createXMLObjects() {
  for (const auto& table : allTableArray) {
    if (allPageSectionArray.empty()) break;
    std::shared_ptr<VQDocxPageSection> home = allPageSectionArray.front();
    for (const auto& section : allPageSectionArray) {
      const Rect& f = section->sectionFrame;
      if (RectContainsRect(f, table->bounds) || RectContainsRect(table->bounds, f) ||
          RectIntersectsRect(f, table->bounds)) {
        home = section;
        break;
      }
    }
    home->allTableArray.push_back(table);
  }
  isWriteSectionBreakPage = false;
  // What one section writes beyond its slice is taken out of the sections
  // below it, so that the page's text keeps to the page.
  double overflow = 0;
  for (const auto& section : allPageSectionArray) {
    section->overflowHeight = overflow;
    section->createXMLObjects();
    overflow = section->overflowHeight;
  }
}

}  // namespace vq
