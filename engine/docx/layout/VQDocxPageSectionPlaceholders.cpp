// Stand-ins for section operations that are built elsewhere, so that the
// layout links until they arrive: nothing is made, borrowed or given.
#include "docx/layout/VQDocxPageSection.h"

namespace vq {

bool VQDocxPageSection::BorrowParagraphArray0(const ParagraphGroupArray& groups, double yTopSpace) {
  (void)groups;
  (void)yTopSpace;
  return false;
}

bool VQDocxPageSection::BorrowParagraphArrayN(const ParagraphGroupArray& groups, double yBottomSpace) {
  (void)groups;
  (void)yBottomSpace;
  return false;
}

bool VQDocxPageSection::GiveYSpace(double space, bool beforeLine, const ParagraphGroupArray& groups) {
  (void)space;
  (void)beforeLine;
  (void)groups;
  return false;
}

void VQDocxPageSection::writeBeforeBlankParagraphs(const std::shared_ptr<VQDocxParagraph>& paragraph) {
  (void)paragraph;
}

}  // namespace vq
