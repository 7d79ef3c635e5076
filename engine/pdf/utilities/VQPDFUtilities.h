#pragma once
// Stateless helpers shared by the interpreter and the exporters: colour
// spaces built from PDF colour-space objects (for image decoding), page
// boxes with the page rotation, the transform of a rotated page, operand
// popping, and number/string reads from dictionaries and arrays.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/graphics/VQGeometry.h"
#include "platform/pdf/PdfContentScanner.h"
#include "platform/pdf/PdfDocument.h"
#include "platform/pdf/PdfObject.h"

namespace vq {

// A colour space as the platform would build it from a PDF description: the
// model, its component count and everything needed to turn samples into
// colour. Immutable once made; shared by whoever holds it.
struct VQPDFPlatformColorSpace {
  enum class Model { Gray, RGB, CMYK, CalGray, CalRGB, Lab, ICC, Indexed, Pattern };

  Model model = Model::Gray;
  int componentCount = 0;  // 0 for a pattern space
  // ICC: the alternate (may be null); Indexed and Pattern: the base (a
  // pattern space may have none).
  std::shared_ptr<const VQPDFPlatformColorSpace> base;
  // Indexed: (hival + 1) * base components bytes; hival is 0..255.
  std::string lookupTable;
  int hival = 0;
  // CalGray, CalRGB, Lab.
  std::array<double, 3> whitePoint{};
  std::array<double, 3> blackPoint{};
  std::array<double, 3> gamma{};     // CalGray uses gamma[0]
  std::array<double, 9> matrix{};    // CalRGB
  // Lab: a min, a max, b min, b max; ICC: a min/max pair per component.
  std::vector<double> range;
  std::string iccProfile;  // ICC: the profile bytes

  static std::shared_ptr<const VQPDFPlatformColorSpace> DeviceGray();
  static std::shared_ptr<const VQPDFPlatformColorSpace> DeviceRGB();
  static std::shared_ptr<const VQPDFPlatformColorSpace> DeviceCMYK();
};

using VQPDFPlatformColorSpaceRef = std::shared_ptr<const VQPDFPlatformColorSpace>;

class VQPDFUtilities {
 public:
  // An array whose first element is a name, or a name; nullptr otherwise.
  static VQPDFPlatformColorSpaceRef ColorSpaceWithPDFObject(const pdf::Object& object);
  // DeviceGray/G, DeviceRGB/RGB, DeviceCMYK/CMYK; nullptr for any other.
  static VQPDFPlatformColorSpaceRef ColorSpaceFromName(const std::string& name);
  static VQPDFPlatformColorSpaceRef ColorSpaceFromPDFArray(const pdf::Object& array);
  static VQPDFPlatformColorSpaceRef ParserCalGray(const pdf::Object& array);
  static VQPDFPlatformColorSpaceRef ParserCalRGB(const pdf::Object& array);
  static VQPDFPlatformColorSpaceRef ParserLab(const pdf::Object& array);
  static VQPDFPlatformColorSpaceRef ParserICCBased(const pdf::Object& array);
  static VQPDFPlatformColorSpaceRef ParserIndexed(const pdf::Object& array);

  // The page's box turned by `rotationAngle` degrees: width and height (and
  // x and y) exchange at 90 and 270. A null, empty or infinite box reads as
  // (0, 0, 595, 842).
  static Rect GetPDFPageRect(const pdf::Page& page, pdf::PageBox pdfBox, int rotationAngle);
  static Rect MediaBoxOfPDFPage(const pdf::Page& page);
  static Rect CropBoxOfPDFPage(const pdf::Page& page);

  // Numbers read from dictionaries and arrays: an integer passes through
  // single precision (as the platform's integer-to-float read did), a real
  // is taken as it is; false (value untouched) for anything else.
  static bool GetNumberWithPDFDictionary(const pdf::Object& dictionary, const std::string& key, double* value);
  static bool GetNumberWithPDFArray(const pdf::Object& array, size_t index, double* value);
  // A name as UTF-8, or a string as a text string; nullopt when absent,
  // of another type, or empty.
  static std::optional<std::string> GetStringWithPDFDictionary(const pdf::Object& dictionary, const std::string& key);
  static std::optional<std::string> GetStringWithPDFArray(const pdf::Object& array, size_t index);
};

// The transform that maps page space into a top-left-origin, y-down space
// turned by `angle` degrees (the page's Rotate). `width` and `height` are
// those of the turned page, as GetPDFPageRect gives them.
AffineTransform VQPDFUtilitiesGetTransfromForRotatedPage(int angle, double width, double height);

// Pops up to `count` numbers; entry 0 holds the last operand. When fewer
// than two could be popped every entry is entry 0 (0 when none was);
// otherwise entries that were not popped stay 0.
std::vector<double> VQPDFUtilitiesPopNumber(pdf::Scanner& scanner, size_t count);

}  // namespace vq
