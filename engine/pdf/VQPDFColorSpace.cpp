#include "pdf/VQPDFColorSpace.h"

#include <algorithm>
#include <cmath>

#include "pdf/VQPDFObjectValues.h"

namespace vq {

using vq::pdf::Object;
using vqpdf_detail::Clamp255;
using vqpdf_detail::ReadNumber;
using vqpdf_detail::SafeTrunc;
using vqpdf_detail::ScaleComponent;

namespace {

// Indexed bases, alternates and Pattern underlying spaces nest colour spaces;
// a space that refers back to itself must end.
constexpr int kMaxColorSpaceDepth = 8;
thread_local int gColorSpaceDepth = 0;

struct DepthGuard {
  DepthGuard() { ++gColorSpaceDepth; }
  ~DepthGuard() { --gColorSpaceDepth; }
};

const char* const kModeNames[] = {"unknown", "DeviceGray", "CalGray", "DeviceRGB",  "CalRGB",  "DeviceCMYK",
                                  "Lab",     "ICCBased",   "Indexed", "Separation", "DeviceN", "Pattern"};

std::shared_ptr<VQPDFColorSpace> DeviceSpaceNamed(const std::string& name) {
  if (name == "DeviceGray" || name == "G") return std::make_shared<VQPDFDeviceGrayColorSpace>();
  if (name == "DeviceRGB" || name == "RGB") return std::make_shared<VQPDFDeviceRGBColorSpace>();
  if (name == "DeviceCMYK" || name == "CMYK") return std::make_shared<VQPDFDeviceCMYKColorSpace>();
  return nullptr;
}

// Reads exactly three numbers (a white or black point, gammas); an entry that
// is not a number repeats the one before it, the first repeating `start`.
void ReadTriple(const Object& array, double start, double* x, double* y, double* z) {
  if (!array.isArray() || array.size() != 3) return;
  double scratch = start;
  double* out[3] = {x, y, z};
  for (size_t i = 0; i < 3; ++i) {
    ReadNumber(array.at(i), &scratch);
    *out[i] = scratch;
  }
}

bool CalibrationDictionary(const Object& array, const char* family, Object* dict) {
  if (!array.isArray() || !array.at(0).isName(family)) return false;
  Object d = array.at(1);
  if (d.type() != vq::pdf::ObjectType::Dictionary) return false;
  *dict = d;
  return true;
}

std::shared_ptr<VQPDFColorSpace> CopyOf(const std::shared_ptr<VQPDFColorSpace>& space) {
  return space ? space->copy() : nullptr;
}

}  // namespace

// ---- base

bool VQPDFColorSpace::parse(const Object&) { return true; }
int16_t VQPDFColorSpace::getGray(const VQPDFColor&) const { return 0; }
VQPDFRGB VQPDFColorSpace::getRGB(const VQPDFColor&) const { return {}; }
VQPDFCMYK VQPDFColorSpace::getCMYK(const VQPDFColor&) const { return {}; }
VQPDFColor VQPDFColorSpace::getDeviceN(const VQPDFColor&) const { return {}; }

const char* VQPDFColorSpace::colorSpaceModeName(int mode) {
  if (mode < 0 || mode >= getNumColorSpaceModes()) return "unknown";
  return kModeNames[mode];
}

VQPDFColor VQPDFColorSpace::defaultPDFColor() {
  VQPDFColor color;
  color.isNull = 1;
  return color;
}

std::shared_ptr<VQPDFColorSpace> VQPDFColorSpace::DefaultDeviceRGBColorSpace() {
  return std::make_shared<VQPDFDeviceRGBColorSpace>();
}

VQPDFColor VQPDFColorFromCMYK(const VQPDFCMYK& cmyk) {
  VQPDFColor color;
  color.c[0] = cmyk.c;
  color.c[1] = cmyk.m;
  color.c[2] = cmyk.y;
  color.c[3] = cmyk.k;
  return color;
}

std::shared_ptr<VQPDFColorSpace> VQPDFColorSpace::ColorSpaceWithObject(const Object& object,
                                                                       const std::string* objectKey) {
  if (gColorSpaceDepth >= kMaxColorSpaceDepth) return nullptr;
  DepthGuard guard;
  std::shared_ptr<VQPDFColorSpace> space;
  if (auto name = object.name()) {
    space = DeviceSpaceNamed(*name);
    if (!space && *name == "Pattern") space = std::make_shared<VQPDFPatternColorSpace>();
  } else if (object.isArray()) {
    auto family = object.at(0).name();
    if (!family) return nullptr;
    space = DeviceSpaceNamed(*family);
    if (!space) {
      const std::string& f = *family;
      if (f == "CalGray") space = std::make_shared<VQPDFCalGrayColorSpace>();
      else if (f == "CalRGB") space = std::make_shared<VQPDFCalRGBColorSpace>();
      else if (f == "Lab") space = std::make_shared<VQPDFLabColorSpace>();
      else if (f == "ICCBased") space = std::make_shared<VQPDFICCBasedColorSpace>();
      else if (f == "Indexed" || f == "I") space = std::make_shared<VQPDFIndexedColorSpace>();
      else if (f == "Separation") space = std::make_shared<VQPDFSeparationColorSpace>();
      else if (f == "DeviceN") space = std::make_shared<VQPDFDeviceNColorSpace>();
      else if (f == "Pattern") space = std::make_shared<VQPDFPatternColorSpace>();
      else return nullptr;
    }
    space->parse(object);
  } else if (object.isDictionary()) {
    auto name = object.get("ColorSpace").name();
    if (!name) return nullptr;
    space = DeviceSpaceNamed(*name);
  }
  if (space) space->objectKey = objectKey ? *objectKey : "unknown";
  return space;
}

// ---- gray

int16_t VQPDFDeviceGrayColorSpace::getGray(const VQPDFColor& color) const { return Clamp255(color.c[0]); }

VQPDFRGB VQPDFDeviceGrayColorSpace::getRGB(const VQPDFColor& color) const {
  int16_t g = Clamp255(color.c[0]);
  return {g, g, g};
}

VQPDFCMYK VQPDFDeviceGrayColorSpace::getCMYK(const VQPDFColor& color) const {
  return {0, 0, 0, Clamp255(255 - int64_t{color.c[0]})};
}

VQPDFColor VQPDFDeviceGrayColorSpace::getDeviceN(const VQPDFColor& color) const {
  return VQPDFColorFromCMYK(getCMYK(color));
}

bool VQPDFCalGrayColorSpace::parse(const Object& array) {
  Object dict;
  if (!CalibrationDictionary(array, "CalGray", &dict)) return false;
  ReadTriple(dict.get("WhitePoint"), 1.0, &whiteX, &whiteY, &whiteZ);
  ReadTriple(dict.get("BlackPoint"), 0.0, &blackX, &blackY, &blackZ);
  gamma = 1.0;
  ReadNumber(dict.get("Gamma"), &gamma);
  return true;
}

// ---- RGB

static VQPDFCMYK RGBToCMYK(const VQPDFRGB& rgb) {
  int16_t c = Clamp255(255 - int64_t{rgb.r});
  int16_t m = Clamp255(255 - int64_t{rgb.g});
  int16_t y = Clamp255(255 - int64_t{rgb.b});
  int16_t k = std::min({c, m, y});
  return {static_cast<int16_t>(c - k), static_cast<int16_t>(m - k), static_cast<int16_t>(y - k), k};
}

int16_t VQPDFDeviceRGBColorSpace::getGray(const VQPDFColor& color) const {
  return Clamp255(SafeTrunc(0.3 * color.c[0] + 0.59 * color.c[1] + 0.11 * color.c[2] + 0.5));
}

VQPDFRGB VQPDFDeviceRGBColorSpace::getRGB(const VQPDFColor& color) const {
  return {Clamp255(color.c[0]), Clamp255(color.c[1]), Clamp255(color.c[2])};
}

VQPDFCMYK VQPDFDeviceRGBColorSpace::getCMYK(const VQPDFColor& color) const { return RGBToCMYK(getRGB(color)); }

VQPDFColor VQPDFDeviceRGBColorSpace::getDeviceN(const VQPDFColor& color) const {
  return VQPDFColorFromCMYK(getCMYK(color));
}

int16_t VQPDFCalRGBColorSpace::getGray(const VQPDFColor& color) const {
  return Clamp255(SafeTrunc(0.299 * color.c[0] + 0.587 * color.c[1] + 0.114 * color.c[2] + 0.5));
}

bool VQPDFCalRGBColorSpace::parse(const Object& array) {
  Object dict;
  if (!CalibrationDictionary(array, "CalRGB", &dict)) return false;
  ReadTriple(dict.get("WhitePoint"), 1.0, &whiteX, &whiteY, &whiteZ);
  ReadTriple(dict.get("BlackPoint"), 0.0, &blackX, &blackY, &blackZ);
  ReadTriple(dict.get("Gamma"), 1.0, &gammaR, &gammaG, &gammaB);
  Object matrix = dict.get("Matrix");
  if (matrix.isArray() && matrix.size() == 9) {
    double scratch = 1.0;
    for (size_t i = 0; i < 9; ++i) {
      ReadNumber(matrix.at(i), &scratch);
      mat[i] = scratch;
    }
  }
  return true;
}

// ---- CMYK

int16_t VQPDFDeviceCMYKColorSpace::getGray(const VQPDFColor& color) const {
  return Clamp255(SafeTrunc(255.0 - color.c[3] - 0.3 * color.c[0] - 0.59 * color.c[1] - 0.11 * color.c[2] + 0.5));
}

VQPDFRGB VQPDFDeviceCMYKColorSpace::getRGB(const VQPDFColor& color) const {
  // A blend of the sixteen ink corners (each weighted by how much of each ink
  // is on or off) approximates a printed CMYK result better than 1 - c - k.
  static const double kCorners[16][3] = {
      {1, 1, 1},
      {0.1373, 0.1216, 0.1255},
      {1, 0.949, 0},
      {0.1098, 0.102, 0},
      {0.9255, 0, 0.549},
      {0.1412, 0, 0},
      {0.9294, 0.1098, 0.1412},
      {0.1333, 0, 0},
      {0, 0.6784, 0.9373},
      {0, 0.0588, 0.1412},
      {0, 0.651, 0.3137},
      {0, 0.0745, 0},
      {0.1804, 0.1922, 0.5725},
      {0, 0, 0.0078},
      {0.2118, 0.2119, 0.2235},
      {0, 0, 0},
  };
  double ink[4];
  for (int i = 0; i < 4; ++i) ink[i] = color.c[i] / 255.0;
  double rgb[3] = {0, 0, 0};
  for (int corner = 0; corner < 16; ++corner) {
    // Bit 3 is C, bit 2 M, bit 1 Y, bit 0 K, as the table is ordered.
    double weight = 1.0;
    for (int i = 0; i < 4; ++i) {
      bool on = (corner >> (3 - i)) & 1;
      weight *= on ? ink[i] : 1.0 - ink[i];
    }
    for (int ch = 0; ch < 3; ++ch) rgb[ch] += weight * kCorners[corner][ch];
  }
  return {Clamp255(SafeTrunc(rgb[0] * 255)), Clamp255(SafeTrunc(rgb[1] * 255)), Clamp255(SafeTrunc(rgb[2] * 255))};
}

VQPDFCMYK VQPDFDeviceCMYKColorSpace::getCMYK(const VQPDFColor& color) const {
  return {Clamp255(color.c[0]), Clamp255(color.c[1]), Clamp255(color.c[2]), Clamp255(color.c[3])};
}

VQPDFColor VQPDFDeviceCMYKColorSpace::getDeviceN(const VQPDFColor& color) const {
  return VQPDFColorFromCMYK(getCMYK(color));
}

// ---- Lab

bool VQPDFLabColorSpace::parse(const Object& array) {
  Object dict;
  if (!CalibrationDictionary(array, "Lab", &dict)) return false;
  ReadTriple(dict.get("WhitePoint"), 1.0, &whiteX, &whiteY, &whiteZ);
  ReadTriple(dict.get("BlackPoint"), 0.0, &blackX, &blackY, &blackZ);
  Object rangeArray = dict.get("Range");
  if (rangeArray.isArray() && rangeArray.size() == 4) {
    double scratch = 0;
    double* out[4] = {&aMin, &aMax, &bMin, &bMax};
    for (size_t i = 0; i < 4; ++i) {
      ReadNumber(rangeArray.at(i), &scratch);
      *out[i] = scratch;
    }
  }
  double X = whiteX, Y = whiteY, Z = whiteZ;
  kr = 1 / (3.240449 * X - 1.537136 * Y - 0.498531 * Z);
  kg = 1 / (-0.969265 * X + 1.876011 * Y + 0.041556 * Z);
  kb = 1 / (0.055643 * X - 0.204026 * Y + 1.057229 * Z);
  return true;
}

VQPDFColor VQPDFLabColorSpace::getDefaultColor() const {
  VQPDFColor color;
  color.c[1] = aMin > 0 ? ScaleComponent(aMin) : (aMax < 0 ? ScaleComponent(aMax) : 0);
  color.c[2] = bMin > 0 ? ScaleComponent(bMin) : (bMax < 0 ? ScaleComponent(bMax) : 0);
  return color;
}

VQPDFRGB VQPDFLabColorSpace::getRGB(const VQPDFColor& color) const {
  double L = color.c[0] / 255.0, a = color.c[1] / 255.0, b = color.c[2] / 255.0;
  double t1 = (L + 16) / 116;
  double t2 = t1 + a / 500;
  double t3 = t1 + b / -200;
  auto f = [](double t) { return t >= 6.0 / 29.0 ? t * t * t : 108.0 / 841.0 * (t - 4.0 / 29.0); };
  double X = f(t2) * whiteX, Y = f(t1) * whiteY, Z = f(t3) * whiteZ;
  double rgb[3] = {3.240449 * X - 1.537136 * Y - 0.498531 * Z, -0.969265 * X + 1.876011 * Y + 0.041556 * Z,
                   0.055643 * X - 0.204026 * Y + 1.057229 * Z};
  double k[3] = {kr, kg, kb};
  int16_t out[3];
  for (int i = 0; i < 3; ++i) {
    double v = rgb[i] * k[i];
    if (!(v > 0)) v = 0;  // NaN too
    if (v > 1) v = 1;
    out[i] = Clamp255(SafeTrunc(std::sqrt(v) * 255));
  }
  return {out[0], out[1], out[2]};
}

int16_t VQPDFLabColorSpace::getGray(const VQPDFColor& color) const {
  VQPDFRGB rgb = getRGB(color);
  return Clamp255(SafeTrunc(0.299 * rgb.r + 0.587 * rgb.g + 0.114 * rgb.b + 0.5));
}

VQPDFCMYK VQPDFLabColorSpace::getCMYK(const VQPDFColor& color) const { return RGBToCMYK(getRGB(color)); }

VQPDFColor VQPDFLabColorSpace::getDeviceN(const VQPDFColor& color) const { return VQPDFColorFromCMYK(getCMYK(color)); }

// ---- ICCBased

std::shared_ptr<VQPDFColorSpace> VQPDFICCBasedColorSpace::copy() const {
  auto result = std::make_shared<VQPDFICCBasedColorSpace>(*this);
  result->alt = CopyOf(alt);
  return result;
}

bool VQPDFICCBasedColorSpace::parse(const Object& array) {
  if (!array.isArray() || !array.at(0).isName("ICCBased")) return false;
  Object stream = array.at(1);
  if (!stream.isStream()) return false;
  iccProfileStream = stream;
  Object dict = stream.streamDictionary();
  auto n = dict.get("N").integer();
  if (!n) return false;
  // A negative or absurd count is read as none / the most we keep.
  nComps = static_cast<int>(std::clamp<int64_t>(*n, 0, 32));
  if (dict.has("Alternate")) alt = ColorSpaceWithObject(dict.get("Alternate"), std::string("VQPDFICCBasedColorSpace"));
  if (!alt) {
    if (nComps == 1) alt = std::make_shared<VQPDFDeviceGrayColorSpace>();
    else if (nComps == 3) alt = std::make_shared<VQPDFDeviceRGBColorSpace>();
    else if (nComps == 4) alt = std::make_shared<VQPDFDeviceCMYKColorSpace>();
    else return false;
    alt->objectKey = "VQPDFICCBasedColorSpace";
  }
  Object rangeArray = dict.get("Range");
  if (nComps > 0 && rangeArray.isArray() && rangeArray.size() == static_cast<size_t>(2 * nComps)) {
    for (int i = 0; i < nComps; ++i) {
      rangeMin[i] = 0;
      rangeMax[i] = 1.0;
      ReadNumber(rangeArray.at(static_cast<size_t>(2 * i)), &rangeMin[i]);
      ReadNumber(rangeArray.at(static_cast<size_t>(2 * i + 1)), &rangeMax[i]);
    }
  }
  return true;
}

VQPDFColor VQPDFICCBasedColorSpace::getDefaultColor() const {
  VQPDFColor color;
  for (int i = 0; i < nComps && i < 32; ++i) {
    color.c[i] = rangeMin[i] > 0 ? ScaleComponent(rangeMin[i]) : (rangeMax[i] < 0 ? ScaleComponent(rangeMax[i]) : 0);
  }
  return color;
}

int16_t VQPDFICCBasedColorSpace::getGray(const VQPDFColor& color) const { return alt ? alt->getGray(color) : 0; }
VQPDFRGB VQPDFICCBasedColorSpace::getRGB(const VQPDFColor& color) const {
  return alt ? alt->getRGB(color) : VQPDFRGB{};
}
VQPDFCMYK VQPDFICCBasedColorSpace::getCMYK(const VQPDFColor& color) const {
  return alt ? alt->getCMYK(color) : VQPDFCMYK{};
}
VQPDFColor VQPDFICCBasedColorSpace::getDeviceN(const VQPDFColor& color) const {
  return VQPDFColorFromCMYK(getCMYK(color));
}

// ---- Indexed

std::shared_ptr<VQPDFColorSpace> VQPDFIndexedColorSpace::copy() const {
  auto result = std::make_shared<VQPDFIndexedColorSpace>(*this);
  result->base = CopyOf(base);
  return result;
}

bool VQPDFIndexedColorSpace::parse(const Object& array) {
  if (!array.isArray() || array.size() != 4) return false;
  auto newBase = ColorSpaceWithObject(array.at(1), std::string("VQPDFIndexedColorSpace"));
  if (!newBase) return false;
  auto hival = array.at(2).integer();
  if (!hival || *hival < 0 || *hival > 255) return false;
  Object table = array.at(3);
  std::optional<std::string> bytes;
  if (table.isString()) bytes = table.bytes();
  else if (table.isStream()) bytes = table.decodedData();
  if (!bytes) return false;
  size_t n = static_cast<size_t>(std::max(newBase->getNComps(), 0));
  size_t needed = static_cast<size_t>(*hival + 1) * n;
  if (bytes->size() < needed) return false;
  indexHigh = static_cast<int>(*hival);
  base = std::move(newBase);
  lookup.assign(bytes->begin(), bytes->begin() + static_cast<std::ptrdiff_t>(needed));
  return true;
}

VQPDFColor VQPDFIndexedColorSpace::mapColor(const VQPDFColor& color) const {
  VQPDFColor out = color;
  if (!base) return out;
  size_t n = static_cast<size_t>(std::clamp(base->getNComps(), 0, 32));
  if (lookup.size() < static_cast<size_t>(indexHigh + 1) * n) return out;
  int64_t index = SafeTrunc(color.c[0] / 255.0 + 0.5);
  index = std::clamp<int64_t>(index, 0, indexHigh);
  for (size_t j = 0; j < n; ++j) out.c[j] = lookup[static_cast<size_t>(index) * n + j];
  return out;
}

static bool IndexedUsable(const VQPDFIndexedColorSpace& space) {
  return space.base && space.lookup.size() >= static_cast<size_t>(space.indexHigh + 1) *
                                                  static_cast<size_t>(std::max(space.base->getNComps(), 0));
}

int16_t VQPDFIndexedColorSpace::getGray(const VQPDFColor& color) const {
  return IndexedUsable(*this) ? base->getGray(mapColor(color)) : 0;
}
VQPDFRGB VQPDFIndexedColorSpace::getRGB(const VQPDFColor& color) const {
  return IndexedUsable(*this) ? base->getRGB(mapColor(color)) : VQPDFRGB{};
}
VQPDFCMYK VQPDFIndexedColorSpace::getCMYK(const VQPDFColor& color) const {
  return IndexedUsable(*this) ? base->getCMYK(mapColor(color)) : VQPDFCMYK{};
}
VQPDFColor VQPDFIndexedColorSpace::getDeviceN(const VQPDFColor& color) const {
  return IndexedUsable(*this) ? base->getDeviceN(mapColor(color)) : VQPDFColor{};
}

// ---- Separation and DeviceN

std::shared_ptr<VQPDFColorSpace> VQPDFSeparationColorSpace::copy() const {
  auto result = std::make_shared<VQPDFSeparationColorSpace>(*this);
  result->alt = CopyOf(alt);
  result->func = func ? func->copy() : nullptr;
  return result;
}

bool VQPDFSeparationColorSpace::parse(const Object& array) {
  if (!array.isArray() || array.size() != 4 || !array.at(0).isName("Separation")) return false;
  auto colorant = array.at(1).name();
  if (!colorant) return false;
  auto newAlt = ColorSpaceWithObject(array.at(2), std::string("VQPDFSeparationColorSpace"));
  if (!newAlt) return false;
  auto newFunc = VQPDFFunction::FuntionWithObject(array.at(3));
  if (!newFunc) return false;
  name = *colorant;
  alt = std::move(newAlt);
  func = std::move(newFunc);
  return true;
}

bool VQPDFSeparationColorSpace::altColor(const VQPDFColor& color, int inputs, VQPDFColor* out) const {
  if (!alt || !func) return false;
  double input[32] = {};
  double output[32] = {};
  for (int i = 0; i < inputs && i < 32; ++i) input[i] = color.c[i] / 255.0;
  func->transformInput(input, output);
  *out = VQPDFColor{};
  int n = std::clamp(alt->getNComps(), 0, 32);
  for (int j = 0; j < n; ++j) out->c[j] = ScaleComponent(output[j]);
  return true;
}

int16_t VQPDFSeparationColorSpace::getGray(const VQPDFColor& color) const {
  VQPDFColor a;
  return altColor(color, 1, &a) ? alt->getGray(a) : 0;
}
VQPDFRGB VQPDFSeparationColorSpace::getRGB(const VQPDFColor& color) const {
  VQPDFColor a;
  return altColor(color, 1, &a) ? alt->getRGB(a) : VQPDFRGB{};
}
VQPDFCMYK VQPDFSeparationColorSpace::getCMYK(const VQPDFColor& color) const {
  VQPDFColor a;
  return altColor(color, 1, &a) ? alt->getCMYK(a) : VQPDFCMYK{};
}
VQPDFColor VQPDFSeparationColorSpace::getDeviceN(const VQPDFColor& color) const {
  return VQPDFColorFromCMYK(getCMYK(color));
}

std::shared_ptr<VQPDFColorSpace> VQPDFDeviceNColorSpace::copy() const {
  auto result = std::make_shared<VQPDFDeviceNColorSpace>(*this);
  result->alt = CopyOf(alt);
  result->func = func ? func->copy() : nullptr;
  return result;
}

bool VQPDFDeviceNColorSpace::parse(const Object& array) {
  if (!array.isArray() || (array.size() != 4 && array.size() != 5) || !array.at(0).isName("DeviceN")) return false;
  Object names = array.at(1);
  if (!names.isArray()) return false;
  auto newAlt = ColorSpaceWithObject(array.at(2), std::string("VQPDFDeviceNColorSpace"));
  if (!newAlt) return false;
  auto newFunc = VQPDFFunction::FuntionWithObject(array.at(3));
  if (!newFunc) return false;
  nComps = static_cast<int>(std::min<size_t>(names.size(), 32));
  alt = std::move(newAlt);
  func = std::move(newFunc);
  return true;
}

int16_t VQPDFDeviceNColorSpace::getGray(const VQPDFColor& color) const {
  VQPDFColor a;
  return altColor(color, nComps, &a) ? alt->getGray(a) : 0;
}
VQPDFRGB VQPDFDeviceNColorSpace::getRGB(const VQPDFColor& color) const {
  VQPDFColor a;
  return altColor(color, nComps, &a) ? alt->getRGB(a) : VQPDFRGB{};
}
VQPDFCMYK VQPDFDeviceNColorSpace::getCMYK(const VQPDFColor& color) const {
  VQPDFColor a;
  return altColor(color, nComps, &a) ? alt->getCMYK(a) : VQPDFCMYK{};
}

// ---- Pattern

std::shared_ptr<VQPDFColorSpace> VQPDFPatternColorSpace::copy() const {
  auto result = std::make_shared<VQPDFPatternColorSpace>(*this);
  result->under = CopyOf(under);
  return result;
}

bool VQPDFPatternColorSpace::parse(const Object& array) {
  if (!array.isArray() || !array.at(0).isName("Pattern")) return false;
  if (array.size() == 1) return true;
  if (array.size() != 2) return false;
  under = ColorSpaceWithObject(array.at(1), std::string("VQPDFPatternColorSpace"));
  return under != nullptr;
}

VQPDFColor VQPDFPatternColorSpace::getDeviceN(const VQPDFColor&) const {
  VQPDFColor color;
  color.c[3] = 1;
  return color;
}

// ---- collection

VQPDFColorSpaceCollection::VQPDFColorSpaceCollection(const Object& colorSpaceDictionary) {
  if (!colorSpaceDictionary.isDictionary()) return;
  for (const auto& key : colorSpaceDictionary.keys()) {
    if (auto space = VQPDFColorSpace::ColorSpaceWithObject(colorSpaceDictionary.get(key), &key)) {
      colorSpaces[key] = std::move(space);
    }
  }
}

std::shared_ptr<VQPDFColorSpace> VQPDFColorSpaceCollection::colorSpaceNamed(const std::string& name) const {
  auto it = colorSpaces.find(name);
  return it == colorSpaces.end() ? nullptr : it->second;
}

}  // namespace vq
