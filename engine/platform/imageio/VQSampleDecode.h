#pragma once
// Decoders for compressed image data that is not a file of its own: JPEG
// (DCT) data to its raw components, CCITT fax and JBIG2 data to 1-bit
// samples. They return the samples as the data holds them, with no colour
// conversion: what a sample means is the caller's business. Every failure
// returns nothing with the reason in `error` (when given), never a partial
// image, and nothing is printed.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vq::imageio {

// Rows of `rowBytes` bytes, each starting on a byte, samples packed most
// significant bit first; `data` holds exactly rowBytes * height bytes.
struct DecodedSamples {
  int width = 0;
  int height = 0;
  int components = 0;
  int bitsPerComponent = 0;
  size_t rowBytes = 0;
  std::vector<uint8_t> data;
};

// Sizes past which an image is refused before its pixels are decoded, so
// that a corrupt header cannot make us allocate without bound. The defaults
// are the image-file readers' own limits.
struct DecodeLimits {
  int64_t maxSide = int64_t{1} << 20;    // either side, in pixels
  int64_t maxPixels = int64_t{1} << 28;  // width * height
};

// JPEG data to 8-bit grey, RGB or CMYK components (one, three or four: the
// data's own count). `colorTransform`, when given, overrides the colour
// transform the data's markers imply: 0 takes three components as RGB and
// four as CMYK; any other value takes four components as YCCK (three keep
// the markers' choice). YCCK comes out as CMYK. The samples are not
// inverted, even where an Adobe marker says the data is: that is for the
// caller to decide. Data damaged or cut short past the header is decoded as
// far as libjpeg can carry on; an error it cannot carry on from gives
// nothing.
std::optional<DecodedSamples> decodeDct(const uint8_t* data, size_t size, std::optional<int64_t> colorTransform,
                                        const DecodeLimits& limits = {}, std::string* error = nullptr);

struct FaxParameters {
  int64_t k = 0;                  // < 0: two-dimensional (Group 4); 0: one-dimensional; > 0: mixed (Group 3 2-D)
  int64_t columns = 1728;         // pixels a row
  int64_t rows = 0;               // rows of the image
  bool encodedByteAlign = false;  // every coded row (Group 3: every line) starts on a byte
  bool blackIs1 = false;          // the result marks black with 1 (else with 0)
};

// CCITT fax data to a 1-bit, one-component image of columns x rows. Damaged
// or short data still yields the rows decoded before the damage; the rows it
// does not reach stay white. Fails only on a size outside `limits` or when
// the codec cannot start.
std::optional<DecodedSamples> decodeFax(const uint8_t* data, size_t size, const FaxParameters& parameters,
                                        const DecodeLimits& limits = {}, std::string* error = nullptr);

// The first page of embedded JBIG2 data (segments without the file header)
// as a 1-bit, one-component image with 0 for black. `globals` holds the
// segments shared between pages that the page may refer to; null when there
// are none (empty but not null counts as given). Only the sides are held to
// `limits.maxSide`: by the time its size is known jbig2dec has decoded the
// page already.
std::optional<DecodedSamples> decodeJbig2(const uint8_t* data, size_t size, const uint8_t* globals, size_t globalsSize,
                                          const DecodeLimits& limits = {}, std::string* error = nullptr);

}  // namespace vq::imageio
