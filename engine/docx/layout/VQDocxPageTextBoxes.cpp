// Text that stands apart from the page's flow, laid out as a small page of
// its own inside a text box: annotation text and drop capitals.
#include <algorithm>
#include <cmath>

#include "docx/layout/VQDocxPage.h"
#include "docx/layout/VQDocxPageSection.h"
#include "office/VQDocxUtilities.h"
#include "pdf/VQPDFOverprint.h"

namespace vq {

std::shared_ptr<VQDocxRunTextBox> VQDocxPage::NewTextBoxWithRunTextArray(VQDocxRunText::Array runs,
                                                                         VQDocxPage& superPage) {
  if (runs.empty()) return nullptr;
  const Rect frame = VQDocxRunText::FrameOfRunTextArray(runs);
  auto box = std::make_shared<VQDocxRunTextBox>();
  box->isAnnotion = runs.front()->isAnnotion;
  box->setPdfScanIndex(runs.front()->pdfScanIndex());
  box->setPdfScanIndex_orignal(runs.front()->pdfScanIndex_orignal());
  auto info = std::make_shared<VQDocxTextBoxInfo>();
  info->displayX = frame.origin.x;
  info->displayY = frame.origin.y;
  info->displayWidth = frame.size.width + 2;
  info->displayHeight = frame.size.height + 2;
  info->stroked = false;
  info->filled = false;
  info->strokeweight = 1;
  info->strokeDashPhase = 0;
  info->rotation = 0;
  box->pictInfo = info;

  // The area is described as a page whose margins leave exactly the runs'
  // frame free.
  VQDocx_SectPr area = VQDocxUtilities::defaultSectPropertyHiden();
  area.type = 6;
  area.pgSz.w = static_cast<float>(superPage.pageWidth());
  area.pgSz.h = static_cast<float>(superPage.pageHeight());
  area.pgMar = VQDocxUtilities::defaultPageMarginProperty();
  area.pgMar.top = static_cast<float>(frame.origin.y);
  area.pgMar.left = static_cast<float>(frame.origin.x);
  area.pgMar.right = static_cast<float>(superPage.pageWidth() - (frame.origin.x + frame.size.width));
  area.pgMar.bottom = static_cast<float>(superPage.pageHeight() - (frame.origin.y + frame.size.height));
  for (const auto& section : VQDocxPageSection::CreatePageSection(runs, area, 0, false, &superPage)) {
    section->superPage = &superPage;
    section->createXMLObjects();
    box->allPageSectionArray.push_back(section);
  }
  box->pictZIndex = superPage.nextTextBoxZIndex();
  return box;
}

void VQDocxPage::convertAnnotion2TextBox() {
  VQDocxRunText::Array annotations;
  // An annotation's text over the same text of the page (a filled-in form
  // flattened into the page with its fields left on it) or of an earlier
  // annotation (a field listed twice) is the page's text once: the repeat
  // goes. Runs come in drawing order, as the filter asks.
  VQPDFOverprintFilter drawn;
  for (const auto& run : allRunTextArray) {
    const VQPDF_CTMInfo& at = run->ctmInfo;
    const double size = std::max(std::fabs(at.fontSize.width), std::fabs(at.fontSize.height));
    const bool repeats =
        drawn.repeats(run->runText(), at.topLeft.x, at.topLeft.y, VQPDFOverprintFilter::ReachForType(size));
    if (run->isAnnotion && !repeats) annotations.push_back(run);
  }
  std::erase_if(allRunTextArray, [](const auto& run) { return run->isAnnotion; });
  if (annotations.empty()) return;
  for (auto& group : VQDocxRunText::FindGroupSameAnnotionRunText(annotations))
    if (auto box = NewTextBoxWithRunTextArray(std::move(group), *this)) allRunTextBoxArray.push_back(std::move(box));
}

void VQDocxPage::convertDropCapitals2TextBox() {
  // Boxes made here may find drop capitals of their own in their area; those
  // come back on the list and are made boxes in turn.
  while (!pendingDropCapitalRuns.empty()) {
    VQDocxRunText::Array runs = std::move(pendingDropCapitalRuns.front());
    pendingDropCapitalRuns.erase(pendingDropCapitalRuns.begin());
    if (auto box = NewTextBoxWithRunTextArray(std::move(runs), *this)) allRunTextBoxArray.push_back(std::move(box));
  }
}

}  // namespace vq
