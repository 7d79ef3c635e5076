#pragma once
// WordprocessingML and VML tokens for the enumeration values of the property
// records, and the classification of PDF dash patterns into VML dash styles.
#include <optional>
#include <span>

namespace vq {

// nullptr where the value has no token (noted per function).
const char* TextAlignString(int value);                   // left right center both distribute; else nullptr
const char* BOOLValueTypeString(int value);               // "false" for 0, "true" otherwise
const char* TableWidthTypeString(int value);              // nil auto dxa pct; else "auto"
const char* TableMergeTypeString(int value);              // nil continue restart end; else "continue"
const char* TableHeightTypeString(int value);             // auto atLeast exact; else "auto"
const char* TableVerticalAlignmentTypeString(int value);  // top center bottom; else "top"
const char* TableTextAlignmentTypeString(int value);      // left right center; else "left"
const char* TableShadingTypeString(int value);            // nil clear pct10 ... solid; else "nil"
const char* TableLayoutTypeString(int value);             // fixed autofit; else "fixed"
const char* TableAnchorTypeString(int value);             // none margin page text; else "none"
const char* TableBorderTypeString(int value);             // 27 border styles; else "none"
const char* LineDashTypeString(int value);                // solid ... custom; else nullptr

// Index into LineDashTypeString for a dash pattern (points) stroked with the
// given line width, or -1 for an empty pattern.
int LineDashTypeForDashPattern(std::span<const double> pattern, double lineWidth);
const char* LineDashTypeStringForDashPattern(std::span<const double> pattern, double lineWidth);

}  // namespace vq
