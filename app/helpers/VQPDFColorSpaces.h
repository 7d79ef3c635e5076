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
  // The image's own Decode (or D) array, else the default for the model.
  static std::vector<double> decodeArray(const vq::pdf::Object& imageDictionary, const VQColorSpace& space, int bpc);
};

}  // namespace vq::app
