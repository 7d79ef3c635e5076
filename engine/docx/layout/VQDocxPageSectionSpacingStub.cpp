// Temporary: paragraph spacing placeholder until it is built
// (VQDocxPageSectionSpacing.cpp). Removed when that file is merged.
#include "docx/layout/VQDocxPageSection.h"

namespace vq {

void VQDocxPageSection::optimizeParagraphs() {}

}  // namespace vq
