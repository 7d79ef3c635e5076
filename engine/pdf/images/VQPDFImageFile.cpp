#include "pdf/images/VQPDFImageFile.h"

#include "platform/diagnostics/VQDiagnostics.h"
#include "platform/imageio/VQImageIO.h"

namespace vq {

bool VQPDFExportCGImageToFileWithDestination_VQLib(const Bitmap& image, const std::string& path,
                                                   const std::string& imageType, double dpiX, double dpiY,
                                                   float quality) {
  const auto type = vq::imageio::imageFileTypeForKey(imageType);
  if (image.empty() || path.empty() || !type) {
    vq::VQDiagnose(vq::VQDiagnosticCategory::Image, "Couldn't create image destination!");
    return false;
  }
  vq::imageio::WriteOptions options;
  options.dpiX = dpiX;
  options.dpiY = dpiY;
  options.quality = quality;
  if (!vq::imageio::writeImageFile(image, path, *type, options)) {
    vq::VQDiagnose(vq::VQDiagnosticCategory::Image, "Couldn't write image to file!");
    return false;
  }
  return true;
}

std::optional<Bitmap> CGImageWithContentsOfFile(const std::string& path) {
  if (path.empty()) return std::nullopt;
  return vq::imageio::readImageFile(path);
}

std::optional<Bitmap> CGImageWithContentsOfFile_DeviceGray(const std::string& path) {
  auto image = CGImageWithContentsOfFile(path);
  if (!image || image->format == vq::PixelFormat::Gray8) return image;
  // Drawn into a fresh grey bitmap, which starts black: transparency ends up black.
  return vq::imageio::convertBitmap(*image, vq::PixelFormat::Gray8, 0);
}

}  // namespace vq
