#include "helpers/VQPDFColorSpaces.h"

#include <lcms2.h>

#include "pdf/VQPDFFunction.h"

#include <algorithm>
#include <cmath>

namespace vq::app {

using vq::pdf::Object;
using vq::pdf::ObjectType;

namespace {

constexpr int kMaxDepth = 8;

VQColorSpace device(VQColorModel model, int components) {
  VQColorSpace s;
  s.model = model;
  s.components = components;
  return s;
}

std::string familyOf(const Object& array) {
  if (array.type() != ObjectType::Array || array.size() == 0) return {};
  return array.at(0).name().value_or("");
}

template <size_t N>
void readNumbers(const Object& from, std::array<double, N>& into) {
  if (from.type() != ObjectType::Array || from.size() != N) return;
  for (size_t i = 0; i < N; ++i) into[i] = from.at(i).number().value_or(into[i]);
}

std::shared_ptr<void> ownProfile(cmsHPROFILE profile) {
  if (!profile) return nullptr;
  return std::shared_ptr<void>(profile, [](void* p) { cmsCloseProfile(static_cast<cmsHPROFILE>(p)); });
}

cmsCIExyY whiteXYY(const std::array<double, 3>& white) {
  cmsCIEXYZ xyz{white[0], white[1], white[2]};
  cmsCIExyY out;
  cmsXYZ2xyY(&out, &xyz);
  return out;
}

// The parameter dictionary of a calibrated family, or null.
Object calibration(const Object& array, const char* family) {
  if (familyOf(array) != family || array.size() < 2) return Object();
  const Object dict = array.at(1);
  return dict.type() == ObjectType::Dictionary ? dict : Object();
}

VQColorSpace calibrated(const Object& dict, VQColorModel model, int components) {
  VQColorSpace s = device(model, components);
  readNumbers(dict.get("WhitePoint"), s.whitePoint);
  readNumbers(dict.get("BlackPoint"), s.blackPoint);
  return s;
}

std::optional<VQColorSpace> fromArray(const Object& array, int depth);

std::optional<VQColorSpace> fromObject(const Object& object, int depth) {
  if (depth > kMaxDepth) return std::nullopt;
  if (object.type() == ObjectType::Array) return fromArray(object, depth);
  if (const auto name = object.name()) return VQPDFColorSpaces::ColorSpaceFromName(*name);
  return std::nullopt;
}

std::optional<VQColorSpace> indexed(const Object& array, int depth) {
  const std::string family = familyOf(array);
  if ((family != "Indexed" && family != "I") || array.size() < 4) return std::nullopt;
  const auto base = fromObject(array.at(1), depth + 1);
  if (!base || base->model == VQColorModel::indexed || base->model == VQColorModel::pattern) return std::nullopt;
  VQColorSpace s = device(VQColorModel::indexed, 1);
  s.hival = std::clamp(int(array.at(2).number().value_or(0)), 0, 255);
  const Object table = array.at(3);
  std::string bytes =
      table.type() == ObjectType::Stream ? table.decodedData().value_or("") : table.bytes().value_or("");
  // A short table is padded so that every index up to hival reads inside it.
  bytes.resize(size_t(s.hival + 1) * size_t(base->components), '\0');
  s.lookup.assign(bytes.begin(), bytes.end());
  s.base = std::make_shared<const VQColorSpace>(*base);
  return s;
}

std::optional<VQColorSpace> fromArray(const Object& array, int depth) {
  const std::string family = familyOf(array);
  if (family.empty()) return std::nullopt;
  if (family == "CalGray") return VQPDFColorSpaces::ParserCalGray(array);
  if (family == "CalRGB") return VQPDFColorSpaces::ParserCalRGB(array);
  if (family == "ICCBased") return VQPDFColorSpaces::ParserICCBased(array);
  if (family == "Lab") return VQPDFColorSpaces::ParserLab(array);
  if (family == "Indexed" || family == "I") return indexed(array, depth);
  // The alternate of DeviceN and Separation and the base of Pattern may be
  // named or given as an array.
  if (family == "DeviceN") return array.size() > 2 ? fromObject(array.at(2), depth + 1) : std::nullopt;
  if (family == "Separation" || family == "Pattern") {
    VQColorSpace s = device(VQColorModel::pattern, 0);
    const size_t baseIndex = family == "Pattern" ? 1 : 2;
    if (array.size() > baseIndex)
      if (auto base = fromObject(array.at(baseIndex), depth + 1)) s.base = std::make_shared<const VQColorSpace>(*base);
    return s;
  }
  return VQPDFColorSpaces::ColorSpaceFromName(family);
}

}  // namespace

std::optional<VQColorSpace> VQPDFColorSpaces::ColorSpaceFromName(const std::string& name) {
  if (name == "DeviceGray" || name == "G" || name == "Cs1") return device(VQColorModel::gray, 1);
  if (name == "DeviceRGB" || name == "RGB" || name == "Cs2") return device(VQColorModel::rgb, 3);
  if (name == "DeviceCMYK" || name == "CMYK") return device(VQColorModel::cmyk, 4);
  return std::nullopt;
}

std::optional<VQColorSpace> VQPDFColorSpaces::ParserCalGray(const Object& array) {
  const Object dict = calibration(array, "CalGray");
  if (dict.isNull()) return std::nullopt;
  VQColorSpace s = calibrated(dict, VQColorModel::gray, 1);
  const double gamma = dict.get("Gamma").number().value_or(1);
  s.gamma = {gamma, gamma, gamma};
  const cmsCIExyY white = whiteXYY(s.whitePoint);
  cmsToneCurve* curve = cmsBuildGamma(nullptr, gamma);
  s.profile = ownProfile(cmsCreateGrayProfile(&white, curve));
  cmsFreeToneCurve(curve);
  return s;
}

std::optional<VQColorSpace> VQPDFColorSpaces::ParserCalRGB(const Object& array) {
  const Object dict = calibration(array, "CalRGB");
  if (dict.isNull()) return std::nullopt;
  VQColorSpace s = calibrated(dict, VQColorModel::rgb, 3);
  readNumbers(dict.get("Gamma"), s.gamma);
  readNumbers(dict.get("Matrix"), s.matrix);
  // The matrix's columns are the primaries in XYZ.
  cmsCIExyYTRIPLE primaries;
  cmsCIExyY* p[3] = {&primaries.Red, &primaries.Green, &primaries.Blue};
  for (int i = 0; i < 3; ++i) {
    cmsCIEXYZ xyz{s.matrix[3 * i], s.matrix[3 * i + 1], s.matrix[3 * i + 2]};
    cmsXYZ2xyY(p[i], &xyz);
  }
  const cmsCIExyY white = whiteXYY(s.whitePoint);
  cmsToneCurve* curves[3];
  for (int i = 0; i < 3; ++i) curves[i] = cmsBuildGamma(nullptr, s.gamma[i]);
  s.profile = ownProfile(cmsCreateRGBProfile(&white, &primaries, curves));
  cmsFreeToneCurveTriple(curves);
  return s;
}

std::optional<VQColorSpace> VQPDFColorSpaces::ParserLab(const Object& array) {
  const Object dict = calibration(array, "Lab");
  if (dict.isNull()) return std::nullopt;
  VQColorSpace s = calibrated(dict, VQColorModel::lab, 3);
  std::array<double, 4> range{-100, 100, -100, 100};
  readNumbers(dict.get("Range"), range);
  s.range.assign(range.begin(), range.end());
  const cmsCIExyY white = whiteXYY(s.whitePoint);
  s.profile = ownProfile(cmsCreateLab4Profile(&white));
  return s;
}

std::optional<VQColorSpace> VQPDFColorSpaces::ParserICCBased(const Object& array) {
  if (familyOf(array) != "ICCBased" || array.size() < 2 || array.at(1).type() != ObjectType::Stream)
    return std::nullopt;
  const Object stream = array.at(1);
  const Object dict = stream.streamDictionary();
  const auto data = stream.decodedData();
  if (!data) return std::nullopt;
  const int n = int(dict.get("N").number().value_or(0));
  std::optional<VQColorSpace> alternate;
  if (const auto name = dict.get("Alternate").name()) alternate = ColorSpaceFromName(*name);
  if (!alternate)
    alternate = n == 4   ? device(VQColorModel::cmyk, 4)
                : n == 1 ? device(VQColorModel::gray, 1)
                         : device(VQColorModel::rgb, 3);
  VQColorSpace s = *alternate;
  const Object range = dict.get("Range");
  if (range.type() == ObjectType::Array) {
    for (const Object& v : range.elements()) s.range.push_back(v.number().value_or(0));
  } else {
    for (int i = 0; i < s.components; ++i) s.range.insert(s.range.end(), {0, 1});
  }
  cmsHPROFILE profile = cmsOpenProfileFromMem(data->data(), cmsUInt32Number(data->size()));
  // A profile whose channels do not match the alternate is not used.
  if (profile && int(cmsChannelsOf(cmsGetColorSpace(profile))) == s.components) {
    s.profile = ownProfile(profile);
  } else if (profile) {
    cmsCloseProfile(profile);
  }
  return s;
}

std::optional<VQColorSpace> VQPDFColorSpaces::ParserIndexed(const Object& array) { return indexed(array, 0); }

std::optional<VQColorSpace> VQPDFColorSpaces::ColorSpaceFromPDFArray(const Object& array) {
  return fromArray(array, 0);
}

std::optional<VQColorSpace> VQPDFColorSpaces::ColorSpaceWithPDFObject(const Object& object) {
  return fromObject(object, 0);
}

std::vector<double> VQPDFColorSpaces::decodeArray(const Object& imageDictionary, const VQColorSpace& space, int bpc) {
  Object decode = imageDictionary.get("Decode");
  if (decode.isNull()) decode = imageDictionary.get("D");
  if (decode.type() == ObjectType::Array) {
    std::vector<double> out;
    for (const Object& v : decode.elements()) out.push_back(v.number().value_or(0));
    return out;
  }
  const auto pairs = [](int n, double a, double b) {
    std::vector<double> out;
    for (int i = 0; i < n; ++i) out.insert(out.end(), {a, b});
    return out;
  };
  switch (space.model) {
    case VQColorModel::gray:
      return pairs(1, 0, 1);
    case VQColorModel::rgb:
      return pairs(3, 0, 1);
    case VQColorModel::lab: {
      std::vector<double> out = {0, 100};
      for (size_t i = 0; i < 4; ++i) out.push_back(i < space.range.size() ? space.range[i] : (i % 2 ? 100 : -100));
      return out;
    }
    case VQColorModel::cmyk:
      return pairs(4, 0, 1);
    case VQColorModel::deviceN:
      return pairs(space.components, 0, 1);
    case VQColorModel::indexed:
      return {0, double((1 << std::clamp(bpc, 1, 16)) - 1)};
    case VQColorModel::pattern:
      return pairs(3, 1, 0);
  }
  return {};
}

namespace {

cmsHPROFILE srgbGrayProfile() {
  // sRGB's tone curve over a D65 white.
  const cmsFloat64Number parameters[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
  cmsToneCurve* curve = cmsBuildParametricToneCurve(nullptr, 4, parameters);
  cmsCIExyY white;
  cmsWhitePointFromTemp(&white, 6504);
  cmsHPROFILE profile = curve ? cmsCreateGrayProfile(&white, curve) : nullptr;
  if (curve) cmsFreeToneCurve(curve);
  return profile;
}

cmsUInt32Number lcmsIntent(VQRenderingIntent intent) {
  switch (intent) {
    case VQRenderingIntent::absoluteColorimetric:
      return INTENT_ABSOLUTE_COLORIMETRIC;
    case VQRenderingIntent::perceptual:
      return INTENT_PERCEPTUAL;
    case VQRenderingIntent::saturation:
      return INTENT_SATURATION;
    default:
      return INTENT_RELATIVE_COLORIMETRIC;
  }
}

std::shared_ptr<void> makeTransform(const VQColorSpace& space, bool gray, VQRenderingIntent intent,
                                    double* inputScale) {
  const auto source = static_cast<cmsHPROFILE>(space.profile.get());
  if (!source) return nullptr;
  cmsUInt32Number input = 0;
  switch (cmsGetColorSpace(source)) {
    case cmsSigGrayData:
      input = TYPE_GRAY_DBL;
      break;
    case cmsSigRgbData:
      input = TYPE_RGB_DBL;
      break;
    case cmsSigCmykData:
      input = TYPE_CMYK_DBL;
      *inputScale = 100;
      break;
    case cmsSigLabData:
      if (space.model != VQColorModel::lab) return nullptr;  // an ICC Lab profile: its alternate serves
      input = TYPE_Lab_DBL;
      break;
    default:
      return nullptr;
  }
  if (int(T_CHANNELS(input)) != space.components) return nullptr;
  cmsHPROFILE target = gray ? srgbGrayProfile() : cmsCreate_sRGBProfile();
  if (!target) return nullptr;
  cmsHTRANSFORM transform =
      cmsCreateTransform(source, input, target, gray ? TYPE_GRAY_8 : TYPE_RGB_8, lcmsIntent(intent), cmsFLAGS_NOCACHE);
  cmsCloseProfile(target);
  if (!transform) return nullptr;
  return std::shared_ptr<void>(transform, [](void* t) { cmsDeleteTransform(static_cast<cmsHTRANSFORM>(t)); });
}

uint8_t byteOf(double v) { return uint8_t(std::lround(255 * std::clamp(v, 0.0, 1.0))); }

}  // namespace

VQRenderingIntent VQPixelConverter::intentNamed(const std::string& name) {
  if (name == "AbsoluteColorimetric") return VQRenderingIntent::absoluteColorimetric;
  if (name == "RelativeColorimetric") return VQRenderingIntent::relativeColorimetric;
  if (name == "Perceptual") return VQRenderingIntent::perceptual;
  if (name == "Saturation") return VQRenderingIntent::saturation;
  return VQRenderingIntent::none;
}

VQPixelConverter::VQPixelConverter(const VQColorSpace& space, VQRenderingIntent intent) : model_(space.model) {
  if (space.model == VQColorModel::pattern || space.components <= 0) return;
  components_ = space.components;
  if (space.model == VQColorModel::indexed) {
    if (!space.base) return;
    const VQPixelConverter base(*space.base, intent);
    if (!base.isValid()) return;
    gray_ = base.isGray();
    hival_ = space.hival;
    // Table bytes run from 0 to 255 over each base component's range: 0 to 1,
    // or L 0 to 100 and the a, b ranges of a Lab base.
    const int n = base.components();
    std::vector<double> values(size_t(hival_ + 1) * n);
    const std::vector<double> lab = VQPDFColorSpaces::decodeArray(vq::pdf::Object(), *space.base, 8);
    for (size_t i = 0; i < values.size() && i < space.lookup.size(); ++i) {
      const double t = space.lookup[i] / 255.0;
      const size_t c = i % n;
      values[i] = space.base->model == VQColorModel::lab ? lab[2 * c] + t * (lab[2 * c + 1] - lab[2 * c]) : t;
    }
    palette_.resize(size_t(hival_ + 1) * (gray_ ? 1 : 3));
    base.convert(values.data(), size_t(hival_ + 1), palette_.data());
    valid_ = true;
    return;
  }
  gray_ = space.components == 1;
  if (space.model == VQColorModel::lab && space.components != 3) return;
  transform_ = makeTransform(space, gray_, intent, &inputScale_);
  // Lab values mean nothing without their profile.
  valid_ = transform_ != nullptr || space.model != VQColorModel::lab;
  if (!transform_) inputScale_ = 1;
}

std::optional<VQPixelConverter> VQPixelConverter::forColorants(const Object& array, VQRenderingIntent intent) {
  const std::string family = familyOf(array);
  if ((family != "Separation" && family != "DeviceN") || array.size() < 4) return std::nullopt;
  const Object names = array.at(1);
  const int n = family == "Separation" ? 1 : int(names.size());
  if (n < 1 || n > 32) return std::nullopt;
  VQPixelConverter converter(device(VQColorModel::gray, 1));
  converter.components_ = n;
  converter.model_ = VQColorModel::deviceN;
  const auto alternate = fromObject(array.at(2), 1);
  auto tint = vq::VQPDFFunction::FuntionWithObject(array.at(3));
  if (alternate && tint && tint->m_input <= n) {
    VQPixelConverter base(*alternate, intent);
    if (base.isValid() && base.model_ != VQColorModel::indexed) {
      converter.gray_ = base.isGray();
      converter.tint_ = std::move(tint);
      converter.alternate_ = std::make_shared<const VQPixelConverter>(std::move(base));
      return converter;
    }
  }
  if (n != 1) return std::nullopt;
  // One colorant with no way to its alternate: its ink as grey.
  converter.invisible_ = names.isName("None");
  return converter;
}

void VQPixelConverter::convert(const double* values, size_t pixels, uint8_t* out) const {
  if (!valid_) return;
  const int n = components_;
  if (model_ == VQColorModel::deviceN) {
    if (!tint_) {
      for (size_t i = 0; i < pixels; ++i) out[i] = invisible_ ? 255 : byteOf(1 - std::clamp(values[i], 0.0, 1.0));
      return;
    }
    const int m = alternate_->components();
    std::vector<double> converted(pixels * size_t(m));
    double input[32] = {}, output[32] = {};
    for (size_t i = 0; i < pixels; ++i) {
      std::copy_n(values + i * n, n, input);
      tint_->transformInput(input, output);
      std::copy_n(output, m, converted.data() + i * m);
    }
    alternate_->convert(converted.data(), pixels, out);
    return;
  }
  if (model_ == VQColorModel::indexed) {
    const int stride = gray_ ? 1 : 3;
    for (size_t i = 0; i < pixels; ++i) {
      const int index = std::clamp(int(std::lround(values[i])), 0, hival_);
      std::copy_n(palette_.data() + size_t(index) * stride, stride, out + i * stride);
    }
    return;
  }
  if (transform_) {
    std::vector<double> input(values, values + pixels * n);
    if (model_ != VQColorModel::lab)
      for (double& v : input) v = std::clamp(v, 0.0, 1.0) * inputScale_;
    cmsDoTransform(static_cast<cmsHTRANSFORM>(transform_.get()), input.data(), out, cmsUInt32Number(pixels));
    return;
  }
  for (size_t i = 0; i < pixels; ++i) {
    const double* v = values + i * n;
    if (n == 1) {
      out[i] = byteOf(v[0]);
    } else if (n == 4) {
      const double k = std::clamp(v[3], 0.0, 1.0);
      for (int c = 0; c < 3; ++c) out[i * 3 + c] = byteOf((1 - std::clamp(v[c], 0.0, 1.0)) * (1 - k));
    } else {
      for (int c = 0; c < 3; ++c) out[i * 3 + c] = byteOf(v[std::min(c, n - 1)]);
    }
  }
}

}  // namespace vq::app
