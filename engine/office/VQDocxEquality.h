#pragma once
// Tolerant equality tests over the property records: they decide when two
// runs share one WordprocessingML run, one paragraph format or one border.
#include "office/VQDocxTypes.h"
#include "platform/graphics/VQGeometry.h"

namespace vq {

bool IsEqualColor(VQDocx_Color a, VQDocx_Color b);  // each component within 2
bool IsAlmostEqualRect(double tolerance, Rect a, Rect b);
bool IsEqualRPr(const VQDocx_RPr& a, const VQDocx_RPr& b);
bool IsEqualRPr_InParagraph(const VQDocx_RPr& a, const VQDocx_RPr& b);
bool IsEqualPPr(const VQDocx_PPr& a, const VQDocx_PPr& b);
bool IsEqualBorder(const VQDocx_Border& a, const VQDocx_Border& b);
bool IsEqualShading(const VQDocx_Shading& a, const VQDocx_Shading& b);

// Width in points that a border occupies: its size rounded to a quarter
// point times the number of lines its style draws.
double DisplayBoarderSize(const VQDocx_Border& border);

}  // namespace vq
