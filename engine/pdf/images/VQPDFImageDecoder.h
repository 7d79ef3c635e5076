#pragma once
// Decoding of image XObjects and inline images into pixels and into
// temporary image files. Raw samples (1, 2, 4, 8 and 16 bits) are unpacked
// here; DCT, CCITT fax and JBIG2 data go through the sample decoders of the
// image layer, JPX through its image reader. Every colour space of
// the interpreter is honoured through its conversion to device RGB, with the
// Decode array, ImageMask stencils, SMask soft masks and both kinds of Mask
// (colour-key ranges and stencil streams).
//
// File contents always match their names: a DCT image without any mask is
// written as JPEG ("IMG_<uuid>-<uuid>.jpeg"), everything else as PNG
// ("IMG_<uuid>-<uuid>.png", "IMG_After_SMask_<uuid>-<uuid>.png" when masked).
// An image that cannot be decoded leaves no file.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "pdf/VQPDFColor.h"
#include "platform/imageio/VQBitmap.h"
#include "platform/pdf/PdfObject.h"
#include "platform/pdf/PdfRenderSafety.h"

namespace vq {

class VQPDFImageXObject;

// Limits that keep a hostile image from exhausting memory.
inline constexpr int64_t kVQMaxImageSide = pdf::kMostImageSide;
inline constexpr int64_t kVQMaxImagePixels = pdf::kMostImagePixels;  // 134M pixels

struct VQPDFDecodedImage {
  Bitmap bitmap;         // RGB8, RGBA8 (masked) or Gray8 (masks)
  bool hasMask = false;  // transparency from ImageMask, SMask or Mask
  // For an unmasked DCT image that needs no colour work, the original JPEG
  // stream, written unchanged.
  std::string jpegData;
  bool fromDCT = false;
};

class VQPDFImageDecoder {
 public:
  VQPDFImageDecoder() = delete;

  // Decodes an image stream (XObject or inline). `colorSpaces` is the
  // resources' /ColorSpace dictionary that a named colour space refers to (or
  // null). With `isMaskStream` the result is a Gray8 coverage map: a stencil
  // (ImageMask) gives 255 where it paints, any other image its grey level.
  // Otherwise a stencil is an RGBA8 picture in `stencilColor` (black when
  // none is given) where it paints and transparent elsewhere.
  // Nothing (with the reason in `error`) when the image cannot be decoded.
  static std::optional<VQPDFDecodedImage> decodeImageStream(const pdf::Object& stream, const pdf::Object& colorSpaces,
                                                            bool isMaskStream, std::string* error = nullptr,
                                                            const std::optional<VQPDFRGB>& stencilColor = std::nullopt);

  // Decodes and writes the image to a new file in the temporary root; the
  // path, or nothing (and no file) when it cannot be decoded or written.
  static std::optional<std::string> extractPDFStream(const pdf::Object& stream, const pdf::Object& colorSpaces,
                                                     float jpegQuality = 0.92f,
                                                     const std::optional<VQPDFRGB>& stencilColor = std::nullopt);

  // The Decode array of an image dictionary, or the default for a colour
  // space with `components` components (an Indexed space: 0 and
  // 2^bpc - 1). Always two entries per component.
  static std::vector<double> DecodeValuesFromImageDictionary(const pdf::Object& dictionary, int components,
                                                             int bitsPerComponent, bool indexed);

  // The image with `mask` (Gray8 coverage, any size: scaled to the image's
  // size) as its alpha channel, multiplied into any alpha it has.
  static Bitmap MaskSourceImage(const Bitmap& source, const Bitmap& mask);

  // Makes VQPDFImageXObject::parseImage use this decoder. Done once per
  // process, whoever calls it; the page capture calls it before any page.
  static void install();

  // The decoder installed by install(): fills the image's cachedImagePath
  // (empty when undecodable) and pixel size, and registers the file with
  // VQPDFImageFileTracker. A stencil mask is painted in its stencilColor.
  static void parseImage(VQPDFImageXObject& image, const pdf::Object& colorSpaces);
};

}  // namespace vq
