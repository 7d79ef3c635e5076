#pragma once
// Draws a whole PDF page into a bitmap.
#include <atomic>
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
// The page is drawn by a renderer program of the calling thread's own,
// which keeps recently rendered documents open while the file is unchanged;
// several threads may render at once. A page not drawn within the page time
// limit (60 s, or VQPAPYRANT_PAGE_TIME_LIMIT seconds), or not drawn because
// `stop` was set, ends that program and fails; so does a page that crashes
// it. The next page starts a new one.
//
// The bitmap is made in the room of `recycled` when that fits: a caller
// drawing page after page hands back the last page's bitmap, so that
// pages are not each given fresh memory.
std::optional<Bitmap> RenderPDFPage(const std::string& path, const std::string& password, int pageNumber, double dpiX,
                                    double dpiY, std::string* error = nullptr, const std::atomic<bool>* stop = nullptr,
                                    Bitmap recycled = {});

// Forgets the calling thread's opened documents (for example before a file
// is rewritten in place with the same modification time).
void RenderPDFPageClearCache();

}  // namespace vq
