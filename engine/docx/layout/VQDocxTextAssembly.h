#pragma once
// Text runs made lines, bands and column sets: the steps that a page's text
// assembly (VQDocxPage::createTextColumSets) and the area layout of text
// boxes and table cells (VQDocxPageSection::CreatePageSection) share. Internal
// to the layout module.
//
// The two callers differ in which copy of repeated text stays, in the column
// mode of bands and column sets, in which joining steps run between bands and
// column sets, and in how the runs are renumbered after runs leave them: the
// mode record carries those differences.
#include <functional>
#include <memory>
#include <vector>

#include "docx/capture/VQDocxRunText.h"
#include "docx/capture/VQDocxRunTextColum.h"
#include "docx/capture/VQDocxRunTextLine.h"

namespace vq::docxtext {

struct TextAssemblyMode {
  // Of text painted several times at one place, the last copy stays (the
  // page) or the first one (an area).
  bool keepLastDuplicate = true;
  // The conversion's word option: blank runs at a line's ends leave it.
  bool trimBlanks = false;
  // Column mode of the bands and of the column sets merged from them.
  bool columnMode = true;
  // The page's joining: consecutive bands joined while their rivers agree,
  // runs of one-line sets merged, and rivers and groups optimised. Without
  // it, bands are only merged by FindMergeRunTextColumArray and cut into
  // column groups once.
  bool joinBandsByRivers = true;
  // Renumber after the duplicate and the blank steps even when no run left
  // (an area renumbers its own runs); otherwise only after a removal.
  bool renumberAlways = false;
};

// The runs as column sets cut into column groups, top to bottom. Repeated and
// blank runs leave `runs`; `renumber` is called after each such step (see
// TextAssemblyMode::renumberAlways). The runs of every drop capital found
// beside merged lines leave their lines and are appended to `dropCapitals`.
// Nothing happens for no runs but the renumbering the mode asks for.
VQDocxRunTextColum::Array AssembleColumSets(VQDocxRunText::Array& runs, const TextAssemblyMode& mode,
                                            const std::function<void()>& renumber,
                                            std::vector<VQDocxRunText::Array>& dropCapitals);

}  // namespace vq::docxtext
