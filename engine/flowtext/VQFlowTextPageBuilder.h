#pragma once
// Rebuilds the reading order of one page from its run texts: lines of one
// baseline, line parts without gaps, blocks of vertically touching lines,
// side-by-side columns inside a block (a band of blocks cut into the same
// columns is read column by column), and paragraphs with blank paragraphs
// standing for vertical gaps.
#include <cstddef>
#include <vector>

#include "common/VQTextColumns.h"
#include "flowtext/VQFlowTextTypes.h"

namespace vq::flowtext {

struct VQFlowTextPageLayout {
  std::vector<VQFlowTextParagraph> paragraphs;
  VQFlowTextMargin textMargin;  // top of the top-most run, least left edge of the lines
};

// Tolerances, in points.
inline constexpr double kSameBaseline = 1.0;      // bottoms closer than this form one line
inline constexpr double kPartJoin = 1.0;          // a run this close to the previous run's end continues it
inline constexpr double kMostOverlapEm = 0.5;     // ... or set back over it by up to this many of its font sizes
inline constexpr double kColumnGap = 8.0;         // parts further apart than this start a new column
inline constexpr double kColumnLineBottom = 1.0;  // parts of one column line have bottoms closer than this
inline constexpr double kFirstBlockTop = 72.0;    // the page's own top margin
inline constexpr double kTextColumnWidth =
    kLeastColumnWidthEm;  // a column of running text is this many font sizes wide or more
inline constexpr double kColumnSeparation = kLeastColumnGapEm;  // text columns lie this many font sizes apart or more
inline constexpr size_t kMinColumnBand = 3;                     // blocks a band of text columns is made of at least

VQFlowTextPageLayout VQFlowTextCreatParagraphs(const std::vector<VQFlowTextRunText>& runs);
// The same, moving the runs out of `runs` (left in the vector, emptied of
// their text, for the caller to clear and fill again).
VQFlowTextPageLayout VQFlowTextCreatParagraphs(std::vector<VQFlowTextRunText>&& runs);

}  // namespace vq::flowtext
