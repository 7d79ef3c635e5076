#pragma once
// The page set-up of one PDF page (see VQPageSetup.h).
#include "pdf/capture/VQPageSetup.h"
#include "platform/pdf/PdfDocument.h"

namespace vq {

inline VQPageSetup VQPageSetupForPage(const pdf::Page& page, long long extraAngle = 0) {
  return VQPageSetupMake(page.box(pdf::PageBox::Media), page.box(pdf::PageBox::Crop), page.rotation(), extraAngle);
}

}  // namespace vq
