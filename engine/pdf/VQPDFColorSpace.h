#pragma once
// The colour-space family of the content interpreter: device, CIE-based,
// Indexed, Separation, DeviceN and Pattern spaces, their factory and the
// per-resource collection. Every colour reaching the exporters is device RGB
// through getRGB(). Colour spaces are immutable after parse() and shared.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "pdf/VQPDFColor.h"
#include "pdf/VQPDFFunction.h"
#include "platform/pdf/PdfObject.h"

namespace vq {

enum VQPDFColorSpaceMode {
  VQPDFColorSpaceModeUnknown = 0,
  VQPDFColorSpaceModeDeviceGray = 1,
  VQPDFColorSpaceModeCalGray = 2,
  VQPDFColorSpaceModeDeviceRGB = 3,
  VQPDFColorSpaceModeCalRGB = 4,
  VQPDFColorSpaceModeDeviceCMYK = 5,
  VQPDFColorSpaceModeLab = 6,
  VQPDFColorSpaceModeICCBased = 7,
  VQPDFColorSpaceModeIndexed = 8,
  VQPDFColorSpaceModeSeparation = 9,
  VQPDFColorSpaceModeDeviceN = 10,
  VQPDFColorSpaceModePattern = 11,
};

class VQPDFColorSpace {
 public:
  VQPDFColorSpace() = default;
  virtual ~VQPDFColorSpace() = default;

  std::string objectKey = "init";

  virtual std::shared_ptr<VQPDFColorSpace> copy() const { return std::make_shared<VQPDFColorSpace>(*this); }
  // Reads the space's parameters from its array form.
  virtual bool parse(const vq::pdf::Object& array);
  const char* getModeName() const { return colorSpaceModeName(getMode()); }
  virtual int getMode() const { return VQPDFColorSpaceModeUnknown; }
  virtual int getNComps() const { return 0; }
  virtual VQPDFColor getDefaultColor() const { return VQPDFColor{}; }
  virtual int16_t getGray(const VQPDFColor& color) const;
  virtual VQPDFRGB getRGB(const VQPDFColor& color) const;
  virtual VQPDFCMYK getCMYK(const VQPDFColor& color) const;
  virtual VQPDFColor getDeviceN(const VQPDFColor& color) const;

  // The factory: a device name, a colour-space array or a dictionary with a
  // device /ColorSpace; nil for anything else. Nesting (an Indexed base, an
  // alternate, a Pattern's underlying space) is bounded so that a space that
  // refers back to itself ends.
  static std::shared_ptr<VQPDFColorSpace> ColorSpaceWithObject(const vq::pdf::Object& object,
                                                               const std::string* objectKey = nullptr);
  static std::shared_ptr<VQPDFColorSpace> ColorSpaceWithObject(const vq::pdf::Object& object,
                                                               const std::string& objectKey) {
    return ColorSpaceWithObject(object, &objectKey);
  }
  static std::shared_ptr<VQPDFColorSpace> DefaultDeviceRGBColorSpace();
  static VQPDFColor defaultPDFColor();
  static const char* colorSpaceModeName(int mode);
  static int getNumColorSpaceModes() { return 12; }
};

// CMYK equivalent in components 0..3 of a colour record, the rest zero.
VQPDFColor VQPDFColorFromCMYK(const VQPDFCMYK& cmyk);

class VQPDFDeviceGrayColorSpace : public VQPDFColorSpace {
 public:
  std::shared_ptr<VQPDFColorSpace> copy() const override { return std::make_shared<VQPDFDeviceGrayColorSpace>(*this); }
  int getMode() const override { return VQPDFColorSpaceModeDeviceGray; }
  int getNComps() const override { return 1; }
  int16_t getGray(const VQPDFColor& color) const override;
  VQPDFRGB getRGB(const VQPDFColor& color) const override;
  VQPDFCMYK getCMYK(const VQPDFColor& color) const override;
  VQPDFColor getDeviceN(const VQPDFColor& color) const override;
};

class VQPDFCalGrayColorSpace : public VQPDFDeviceGrayColorSpace {
 public:
  double whiteX = 1.0, whiteY = 1.0, whiteZ = 1.0;
  double blackX = 0, blackY = 0, blackZ = 0;
  double gamma = 1.0;
  std::shared_ptr<VQPDFColorSpace> copy() const override { return std::make_shared<VQPDFCalGrayColorSpace>(*this); }
  bool parse(const vq::pdf::Object& array) override;
  int getMode() const override { return VQPDFColorSpaceModeCalGray; }
};

class VQPDFDeviceRGBColorSpace : public VQPDFColorSpace {
 public:
  std::shared_ptr<VQPDFColorSpace> copy() const override { return std::make_shared<VQPDFDeviceRGBColorSpace>(*this); }
  int getMode() const override { return VQPDFColorSpaceModeDeviceRGB; }
  int getNComps() const override { return 3; }
  int16_t getGray(const VQPDFColor& color) const override;
  VQPDFRGB getRGB(const VQPDFColor& color) const override;
  VQPDFCMYK getCMYK(const VQPDFColor& color) const override;
  VQPDFColor getDeviceN(const VQPDFColor& color) const override;
};

class VQPDFCalRGBColorSpace : public VQPDFDeviceRGBColorSpace {
 public:
  double whiteX = 1.0, whiteY = 1.0, whiteZ = 1.0;
  double blackX = 0, blackY = 0, blackZ = 0;
  double gammaR = 1.0, gammaG = 1.0, gammaB = 1.0;
  double mat[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  std::shared_ptr<VQPDFColorSpace> copy() const override { return std::make_shared<VQPDFCalRGBColorSpace>(*this); }
  bool parse(const vq::pdf::Object& array) override;
  int getMode() const override { return VQPDFColorSpaceModeCalRGB; }
  int16_t getGray(const VQPDFColor& color) const override;
};

class VQPDFDeviceCMYKColorSpace : public VQPDFColorSpace {
 public:
  std::shared_ptr<VQPDFColorSpace> copy() const override { return std::make_shared<VQPDFDeviceCMYKColorSpace>(*this); }
  int getMode() const override { return VQPDFColorSpaceModeDeviceCMYK; }
  int getNComps() const override { return 4; }
  int16_t getGray(const VQPDFColor& color) const override;
  VQPDFRGB getRGB(const VQPDFColor& color) const override;
  VQPDFCMYK getCMYK(const VQPDFColor& color) const override;
  VQPDFColor getDeviceN(const VQPDFColor& color) const override;
};

class VQPDFLabColorSpace : public VQPDFColorSpace {
 public:
  double whiteX = 1.0, whiteY = 1.0, whiteZ = 1.0;
  double blackX = 0, blackY = 0, blackZ = 0;
  double aMin = -100, aMax = 100, bMin = -100, bMax = 100;
  double kr = 1.0, kg = 1.0, kb = 1.0;
  std::shared_ptr<VQPDFColorSpace> copy() const override { return std::make_shared<VQPDFLabColorSpace>(*this); }
  bool parse(const vq::pdf::Object& array) override;
  int getMode() const override { return VQPDFColorSpaceModeLab; }
  int getNComps() const override { return 3; }
  VQPDFColor getDefaultColor() const override;
  int16_t getGray(const VQPDFColor& color) const override;
  VQPDFRGB getRGB(const VQPDFColor& color) const override;
  VQPDFCMYK getCMYK(const VQPDFColor& color) const override;
  VQPDFColor getDeviceN(const VQPDFColor& color) const override;
};

class VQPDFICCBasedColorSpace : public VQPDFColorSpace {
 public:
  int nComps = 0;
  std::shared_ptr<VQPDFColorSpace> alt;
  double rangeMin[32] = {};
  double rangeMax[32] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
                         1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
  vq::pdf::Object iccProfileStream;
  std::shared_ptr<VQPDFColorSpace> copy() const override;
  bool parse(const vq::pdf::Object& array) override;
  int getMode() const override { return VQPDFColorSpaceModeICCBased; }
  int getNComps() const override { return nComps; }
  VQPDFColor getDefaultColor() const override;
  int16_t getGray(const VQPDFColor& color) const override;
  VQPDFRGB getRGB(const VQPDFColor& color) const override;
  VQPDFCMYK getCMYK(const VQPDFColor& color) const override;
  VQPDFColor getDeviceN(const VQPDFColor& color) const override;
};

class VQPDFIndexedColorSpace : public VQPDFColorSpace {
 public:
  int indexHigh = 0;
  std::shared_ptr<VQPDFColorSpace> base;
  std::vector<uint8_t> lookup;  // (indexHigh + 1) x base components
  std::shared_ptr<VQPDFColorSpace> copy() const override;
  bool parse(const vq::pdf::Object& array) override;
  int getMode() const override { return VQPDFColorSpaceModeIndexed; }
  int getNComps() const override { return 1; }
  // The colour in the base space. An index outside 0..indexHigh is clamped
  // into the table.
  VQPDFColor mapColor(const VQPDFColor& color) const;
  int16_t getGray(const VQPDFColor& color) const override;
  VQPDFRGB getRGB(const VQPDFColor& color) const override;
  VQPDFCMYK getCMYK(const VQPDFColor& color) const override;
  VQPDFColor getDeviceN(const VQPDFColor& color) const override;
};

// Separation and DeviceN: tints through a function into an alternate space.
class VQPDFSeparationColorSpace : public VQPDFColorSpace {
 public:
  std::string name;
  std::shared_ptr<VQPDFColorSpace> alt;
  std::shared_ptr<VQPDFFunction> func;
  std::shared_ptr<VQPDFColorSpace> copy() const override;
  bool parse(const vq::pdf::Object& array) override;
  int getMode() const override { return VQPDFColorSpaceModeSeparation; }
  int getNComps() const override { return 1; }
  int16_t getGray(const VQPDFColor& color) const override;
  VQPDFRGB getRGB(const VQPDFColor& color) const override;
  VQPDFCMYK getCMYK(const VQPDFColor& color) const override;
  VQPDFColor getDeviceN(const VQPDFColor& color) const override;

 protected:
  // The alternate colour for the tints, false without function or alternate.
  bool altColor(const VQPDFColor& color, int inputs, VQPDFColor* out) const;
};

class VQPDFDeviceNColorSpace : public VQPDFSeparationColorSpace {
 public:
  int nComps = 0;
  std::shared_ptr<VQPDFColorSpace> copy() const override;
  bool parse(const vq::pdf::Object& array) override;
  int getMode() const override { return VQPDFColorSpaceModeDeviceN; }
  int getNComps() const override { return nComps; }
  int16_t getGray(const VQPDFColor& color) const override;
  VQPDFRGB getRGB(const VQPDFColor& color) const override;
  VQPDFCMYK getCMYK(const VQPDFColor& color) const override;
};

class VQPDFPatternColorSpace : public VQPDFColorSpace {
 public:
  std::shared_ptr<VQPDFColorSpace> under;
  std::shared_ptr<VQPDFColorSpace> copy() const override;
  bool parse(const vq::pdf::Object& array) override;
  int getMode() const override { return VQPDFColorSpaceModePattern; }
  int getNComps() const override { return 0; }
  int16_t getGray(const VQPDFColor&) const override { return 0; }
  VQPDFRGB getRGB(const VQPDFColor&) const override { return {}; }
  VQPDFCMYK getCMYK(const VQPDFColor&) const override { return {0, 0, 0, 1}; }
  VQPDFColor getDeviceN(const VQPDFColor&) const override;
};

class VQPDFColorSpaceCollection {
 public:
  VQPDFColorSpaceCollection() = default;
  // The /ColorSpace resource dictionary (null for none).
  explicit VQPDFColorSpaceCollection(const vq::pdf::Object& colorSpaceDictionary);
  std::shared_ptr<VQPDFColorSpace> colorSpaceNamed(const std::string& name) const;
  const std::map<std::string, std::shared_ptr<VQPDFColorSpace>>& colorSpacesByName() const { return colorSpaces; }

  std::map<std::string, std::shared_ptr<VQPDFColorSpace>> colorSpaces;
};

}  // namespace vq
