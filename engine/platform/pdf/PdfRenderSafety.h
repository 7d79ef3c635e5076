#pragma once
// Checks a page for structures that make the page renderer recurse without
// end (and crash with a stack overflow) before the page is handed to it.
#include "platform/pdf/PdfDocument.h"

namespace vq::pdf {

// True when a font the page can use (through its resources, the forms,
// patterns, soft masks and Type 3 fonts they name, and its annotations'
// appearances) has a CMap whose /UseCMap chain comes back to itself.
bool PageHasLoopingCMap(const Page& page);

}  // namespace vq::pdf
