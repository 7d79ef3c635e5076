#pragma once
// Draws a whole PDF page into a bitmap.
#include <optional>
#include <string>

#include "platform/imageio/VQBitmap.h"

namespace vq {

// Renders page `pageNumber` (1-based) of the PDF at `path`, opened with
// `password` (empty for none), at dpiX x dpiY. The bitmap shows the page's
// crop box turned by the page's /Rotate; each pixel dimension is the rotated
// box size in points times dpi/72, truncated to a whole number, and the page
// is stretched to fill it exactly. The result is opaque RGB8 on a white
// background with dpiX/dpiY stored in it. On failure (no such file, wrong
// password, page out of range, a bitmap too large to make) it returns nothing
// and, when `error` is given, says why.
//
// Safe to call from several threads at once: each thread keeps its own
// opened copies of recently rendered documents and reuses them while the
// file is unchanged.
std::optional<Bitmap> RenderPDFPage(const std::string& path, const std::string& password, int pageNumber, double dpiX,
                                    double dpiY, std::string* error = nullptr);

// Forgets the calling thread's opened documents (for example before a file
// is rewritten in place with the same modification time).
void RenderPDFPageClearCache();

}  // namespace vq
