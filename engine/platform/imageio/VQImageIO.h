#pragma once
// Reading and writing image files: JPEG, PNG, BMP, TIFF, GIF, TGA and JPEG 2000.
// Writers never leave a half-written file at the destination: they write to a
// temporary name in the same folder and rename it on success. Every failure
// returns false / nothing with a message on standard error.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/imageio/VQBitmap.h"

namespace vq::imageio {

enum class ImageFileType { JPEG, PNG, BMP, TIFF, GIF, TGA, JPEG2000 };

struct WriteOptions {
  double dpiX = 72;
  double dpiY = 72;
  float quality = 0.92f;  // JPEG quality, 0..1
};

// A type key ("jpg", "JPEG", "tif", "jp2", "public.png", "com.microsoft.bmp",
// ...) to its file type; nothing for keys that name no supported type.
std::optional<ImageFileType> imageFileTypeForKey(const std::string& key);

// Writes `image` as `type`. Alpha is dropped onto white for formats without it
// (JPEG, GIF); an opaque RGBA image is written without its alpha channel.
bool writeImageFile(const Bitmap& image, const std::string& path, ImageFileType type, const WriteOptions& options = {});

// Decodes the first image of a file in memory; the format is recognised from
// its signature (TGA, which has none, from its footer or `nameHint`'s
// extension). Results are Gray8, RGB8 or RGBA8 (straight alpha) with the
// file's resolution in dpiX/dpiY (72 when it keeps none).
std::optional<Bitmap> readImageData(const uint8_t* data, size_t size, const std::string& nameHint = {});
std::optional<Bitmap> readImageFile(const std::string& path);

// Pixel-format conversion. Dropping alpha composites onto the grey level
// `background` (255 white, 0 black). Grey from colour is the luminance
// 0.299 R + 0.587 G + 0.114 B. Mono1 takes values below 128 as black.
Bitmap convertBitmap(const Bitmap& source, PixelFormat to, uint8_t background = 255);

// True when every pixel of an RGBA8 bitmap has alpha 255 (true for the
// formats without alpha).
bool isOpaque(const Bitmap& image);

}  // namespace vq::imageio
