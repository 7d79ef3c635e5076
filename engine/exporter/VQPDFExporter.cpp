#include "exporter/VQPDFExporter.h"

#include <filesystem>

#include <fmt/format.h>

#include "common/VQPDFPathUtilities.h"
#include "pdf/images/VQPDFImageFile.h"
#include "platform/graphics/VQPageRenderer.h"
#include "platform/pdf/PdfRenderSafety.h"

namespace vq {

VQPDFExporter::~VQPDFExporter() { delegate = nullptr; }

int64_t VQPDFExporter::numFinishedPages() { return 0; }
bool VQPDFExporter::writePagesInOrderIfReadyTemp() { return false; }
void VQPDFExporter::convertPDFBegin(const std::string&, const std::shared_ptr<const pdf::Document>&) {}
bool VQPDFExporter::convertPDFPage(const std::optional<pdf::Page>&, int64_t, int64_t) { return true; }
void VQPDFExporter::skipPDFPage(int64_t, int64_t) {}
void VQPDFExporter::convertPDFEnd(const std::shared_ptr<const pdf::Document>&) {}
void VQPDFExporter::cancelConvertPDF() { isShouldCancel = true; }
void VQPDFExporter::convertPDFClean() {}
bool VQPDFExporter::isOutputWritten(const std::string& destPath) const {
  std::error_code ec;
  return !destPath.empty() && std::filesystem::exists(std::filesystem::symlink_status(destPath, ec));
}
bool VQPDFExporter::isConcurrentPagesSupported() const { return false; }

std::optional<Bitmap> VQPDFExporter::CapturePDFPage(const pdf::Page& page, double dpiX, double dpiY, std::string* error,
                                                    const std::atomic<bool>* stop, Bitmap recycled) {
  const auto& document = page.document();
  if (!document) {
    if (error) *error = "page without a document";
    return std::nullopt;
  }
  // The renderer recurses without end through a CMap's /UseCMap chain that
  // loops, and once per level of a calculator function's procedures: its
  // process would die of a stack overflow, so such a page is not handed to
  // it; nor is a page that would keep it drawing for minutes.
  if (auto hazard = pdf::PageRendererHazard(page, dpiX, dpiY)) {
    if (error) *error = fmt::format("page {} is not drawn: {}", page.number(), *hazard);
    return std::nullopt;
  }
  const bool asRead = pdf::PageRefusedByRenderer(page);
  return RenderPDFPage(document->pathForRenderer(VQPDFPathUtilities::temporaryRoot(), asRead), document->password(),
                       page.number(), dpiX, dpiY, error, stop, std::move(recycled));
}

AffineTransform VQPDFExporter::CGAffineTransformFromRect(const Rect& from, const Rect& to) {
  // A degenerate source has no size to scale from; keep that axis unscaled
  // rather than produce infinities.
  double sx = from.size.width != 0 ? to.size.width / from.size.width : 1;
  double sy = from.size.height != 0 ? to.size.height / from.size.height : 1;
  return AffineTransformMake(sx, 0, 0, sy, to.origin.x - from.origin.x * sx, to.origin.y - from.origin.y * sy);
}

std::optional<std::string> VQPDFExporter::SaveTempCGImage(const Bitmap& image) {
  if (image.empty()) return std::nullopt;
  std::string path = VQPDFPathUtilities::getUUIDPathBy(VQPDFPathUtilities::tempIMG("SaveCGImage", "PNG"));
  if (path.empty()) return std::nullopt;
  if (!VQPDFExportCGImageToFileWithDestination_VQLib(image, path, "png", 72, 72, 1.0f)) return std::nullopt;
  return path;
}

}  // namespace vq
