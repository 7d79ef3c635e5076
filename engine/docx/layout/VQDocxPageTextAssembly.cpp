// The first half of a page's text layout: its one-glyph text runs become
// text lines, lines standing side by side become bands, and consecutive bands
// whose white rivers agree become column sets cut into column groups.
#include "docx/layout/VQDocxPage.h"
#include "docx/layout/VQDocxTextAssembly.h"

namespace vq {

void VQDocxPage::createTextColumSets() {
  allColumSetArray.clear();
  docxtext::TextAssemblyMode mode;
  mode.keepLastDuplicate = true;
  mode.trimBlanks = moreOptions_.wordOptions.isTrimmingBlankSpaceCharacters;
  mode.columnMode = true;
  mode.joinBandsByRivers = true;
  mode.renumberAlways = false;
  allColumSetArray = docxtext::AssembleColumSets(
      allRunTextArray, mode, [this] { updateAllPDFScanIndex(); }, pendingDropCapitalRuns);
}

}  // namespace vq
