#pragma once
// Colour spaces read from PDF colour-space objects, with LittleCMS profiles
// for the calibrated and ICC-based families, and the default Decode arrays
// of image extraction.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/pdf/PdfObject.h"

namespace vq {
class VQPDFFunction;
}

namespace vq::app {

enum class VQColorModel { gray, rgb, cmyk, lab, indexed, deviceN, pattern };

struct VQColorSpace {
  VQColorModel model = VQColorModel::rgb;
  int components = 3;
  std::array<double, 3> whitePoint{1, 1, 1};
  std::array<double, 3> blackPoint{0, 0, 0};
  std::array<double, 3> gamma{1, 1, 1};
  std::array<double, 9> matrix{1, 0, 0, 0, 1, 0, 0, 0, 1};
  std::vector<double> range;  // Lab: a min, a max, b min, b max; ICC: a pair a component
  // A LittleCMS profile (cmsHPROFILE) for the calibrated, Lab and ICC spaces
  // that could make one; null otherwise.
  std::shared_ptr<void> profile;
  std::shared_ptr<const VQColorSpace> base;  // of indexed and pattern spaces
  int hival = 0;                             // clamped to 0..255
  std::vector<uint8_t> lookup;               // (hival + 1) * base components bytes
};

class VQPDFColorSpaces {
 public:
  static std::optional<VQColorSpace> ParserCalGray(const vq::pdf::Object& array);
  static std::optional<VQColorSpace> ParserCalRGB(const vq::pdf::Object& array);
  static std::optional<VQColorSpace> ParserICCBased(const vq::pdf::Object& array);
  static std::optional<VQColorSpace> ParserIndexed(const vq::pdf::Object& array);
  static std::optional<VQColorSpace> ParserLab(const vq::pdf::Object& array);
  static std::optional<VQColorSpace> ColorSpaceFromName(const std::string& name);
  static std::optional<VQColorSpace> ColorSpaceFromPDFArray(const vq::pdf::Object& array);
  static std::optional<VQColorSpace> ColorSpaceWithPDFObject(const vq::pdf::Object& object);
  // The image's own Decode (or D) array, else the default for the model
  // (for Lab: L from 0 to 100, then the space's a and b ranges).
  static std::vector<double> decodeArray(const vq::pdf::Object& imageDictionary, const VQColorSpace& space, int bpc);
};

// Turns colour values of one space into 8-bit pixels: one grey byte for the
// grey families (and indexed spaces over them), red, green and blue bytes
// for the rest. Calibrated, Lab and ICC-based values go through LittleCMS to
// sRGB (grey: sRGB's tone curve); device values by the usual formulas.
enum class VQRenderingIntent {
  none = 0,
  absoluteColorimetric = 1,
  relativeColorimetric = 2,
  perceptual = 3,
  saturation = 4
};

class VQPixelConverter {
 public:
  // The intent of an image's "Intent" name; none (relative colorimetric,
  // the default) for anything else.
  static VQRenderingIntent intentNamed(const std::string& name);
  explicit VQPixelConverter(const VQColorSpace& space, VQRenderingIntent intent = VQRenderingIntent::none);
  // For a Separation or DeviceN array: the colorants' tints through the
  // space's tint transform into its alternate space. Without a usable
  // transform a single colorant shows as grey ink (1 - tint). Nothing for
  // other objects.
  static std::optional<VQPixelConverter> forColorants(const vq::pdf::Object& array,
                                                      VQRenderingIntent intent = VQRenderingIntent::none);
  // False for spaces whose values make no pixel (pattern spaces).
  bool isValid() const { return valid_; }
  bool isGray() const { return gray_; }
  // Values a pixel.
  int components() const { return components_; }
  // `pixels` pixels of components() values each, in the space's own units:
  // 0 to 1 for device, calibrated and ICC components, L from 0 to 100 and
  // a, b for Lab, the index for indexed spaces.
  void convert(const double* values, size_t pixels, uint8_t* out) const;

 private:
  bool valid_ = false;
  bool gray_ = false;
  int components_ = 0;
  VQColorModel model_ = VQColorModel::rgb;
  std::shared_ptr<void> transform_;  // cmsHTRANSFORM
  double inputScale_ = 1;            // LittleCMS reads CMYK from 0 to 100
  int hival_ = 0;
  std::vector<uint8_t> palette_;  // indexed: (hival + 1) pixels
  // Separation and DeviceN: the tint transform and the alternate's converter.
  std::shared_ptr<vq::VQPDFFunction> tint_;
  std::shared_ptr<const VQPixelConverter> alternate_;
  bool invisible_ = false;  // the colorant "None" paints nothing: shown white
};

}  // namespace vq::app
