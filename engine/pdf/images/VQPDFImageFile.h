#pragma once
// The engine's one image-file writer, and the readers that bring an image
// file back as pixels (masks, pictures that must be redrawn).
#include <optional>
#include <string>

#include "platform/imageio/VQBitmap.h"

namespace vq {

// Writes `image` to `path` as `imageType`: "jpg", "jpeg", "png", "bmp", "gif",
// "tiff", "tif", "tga", "jp2" in any letter case, or the uniform type
// identifiers "public.jpeg", "public.png", "public.tiff", "com.microsoft.bmp",
// "com.compuserve.gif", "com.truevision.tga-image", "public.jpeg-2000".
// `dpiX`/`dpiY` go where the format keeps a resolution; `quality` (0..1) is the
// JPEG compression quality. Prints "Couldn't create image destination!\n" for
// an empty image or an unknown type, "Couldn't write image to file!\n" when
// writing fails; on failure nothing is left at `path`.
bool VQPDFExportCGImageToFileWithDestination_VQLib(const Bitmap& image, const std::string& path,
                                                   const std::string& imageType, double dpiX, double dpiY,
                                                   float quality);

// The first image of the file at `path` (PNG, JPEG, TIFF, GIF, BMP, JPEG 2000,
// TGA), or nothing when the path is empty, no file is there or it cannot be
// decoded.
std::optional<Bitmap> CGImageWithContentsOfFile(const std::string& path);

// The same image as 8-bit grey (Gray8) of the same pixel size. Colour is
// reduced to luminance; transparent areas come out black, as when an image is
// drawn into a fresh (zeroed) grey bitmap, so a mask read this way hides
// whatever its transparent parts cover.
std::optional<Bitmap> CGImageWithContentsOfFile_DeviceGray(const std::string& path);

}  // namespace vq
