#include "pdf/utilities/VQPDFUtilities.h"

#include <algorithm>
#include <cmath>

namespace vq {

using pdf::Object;
using Model = VQPDFPlatformColorSpace::Model;

namespace {

std::shared_ptr<VQPDFPlatformColorSpace> make(Model model, int components) {
  auto cs = std::make_shared<VQPDFPlatformColorSpace>();
  cs->model = model;
  cs->componentCount = components;
  return cs;
}

// Exactly `n` numbers, or nothing.
template <size_t N>
bool readNumbers(const Object& array, std::array<double, N>* out) {
  if (!array.isArray() || array.size() != N) return false;
  std::array<double, N> values{};
  for (size_t i = 0; i < N; ++i) {
    auto v = array.at(i).number();
    if (!v) return false;
    values[i] = *v;
  }
  *out = values;
  return true;
}

// The component count an ICC profile's header declares for its data colour
// space; 0 when the bytes are not a usable profile. A profile whose header
// does not hold up is one the platform would refuse too.
int iccChannels(const std::string& profile) {
  if (profile.size() < 128) return 0;
  auto be32 = [&](size_t at) {
    return static_cast<uint32_t>(static_cast<unsigned char>(profile[at])) << 24 |
           static_cast<uint32_t>(static_cast<unsigned char>(profile[at + 1])) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(profile[at + 2])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(profile[at + 3]));
  };
  if (profile.compare(36, 4, "acsp") != 0) return 0;
  uint32_t declared = be32(0);
  if (declared < 128 || declared > profile.size()) return 0;
  const std::string space = profile.substr(16, 4);
  if (space == "GRAY") return 1;
  if (space == "CMYK") return 4;
  if (space == "RGB " || space == "Lab " || space == "XYZ " || space == "YCbr" || space == "Luv " ||
      space == "Yxy " || space == "HSV " || space == "HLS " || space == "CMY ") {
    return 3;
  }
  // "2CLR" .. "FCLR": 2 to 15 colourants.
  if (space.compare(1, 3, "CLR") == 0) {
    char c = space[0];
    if (c >= '2' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  }
  return 0;
}

}  // namespace

VQPDFPlatformColorSpaceRef VQPDFPlatformColorSpace::DeviceGray() {
  static const VQPDFPlatformColorSpaceRef cs = make(Model::Gray, 1);
  return cs;
}
VQPDFPlatformColorSpaceRef VQPDFPlatformColorSpace::DeviceRGB() {
  static const VQPDFPlatformColorSpaceRef cs = make(Model::RGB, 3);
  return cs;
}
VQPDFPlatformColorSpaceRef VQPDFPlatformColorSpace::DeviceCMYK() {
  static const VQPDFPlatformColorSpaceRef cs = make(Model::CMYK, 4);
  return cs;
}

VQPDFPlatformColorSpaceRef VQPDFUtilities::ColorSpaceWithPDFObject(const Object& object) {
  if (object.isArray()) return object.at(0).isName() ? ColorSpaceFromPDFArray(object) : nullptr;
  if (object.isName()) return ColorSpaceFromName(*object.name());
  return nullptr;
}

VQPDFPlatformColorSpaceRef VQPDFUtilities::ColorSpaceFromName(const std::string& name) {
  if (name == "DeviceGray" || name == "G") return VQPDFPlatformColorSpace::DeviceGray();
  if (name == "DeviceRGB" || name == "RGB") return VQPDFPlatformColorSpace::DeviceRGB();
  if (name == "DeviceCMYK" || name == "CMYK") return VQPDFPlatformColorSpace::DeviceCMYK();
  return nullptr;
}

VQPDFPlatformColorSpaceRef VQPDFUtilities::ColorSpaceFromPDFArray(const Object& array) {
  auto family = array.at(0).name();
  if (!family) return nullptr;
  const std::string& f = *family;
  if (f == "DeviceGray" || f == "G" || f == "DeviceRGB" || f == "RGB" || f == "DeviceCMYK" || f == "CMYK") {
    return ColorSpaceFromName(f);
  }
  if (f == "CalGray") return ParserCalGray(array);
  if (f == "CalRGB") return ParserCalRGB(array);
  if (f == "ICCBased") return ParserICCBased(array);
  if (f == "Indexed" || f == "I") return ParserIndexed(array);
  if (f == "Lab") return ParserLab(array);
  if (f == "DeviceN") {
    Object alternate = array.at(2);
    return alternate.isArray() ? ColorSpaceFromPDFArray(alternate) : nullptr;
  }
  if (f == "Separation" || f == "Pattern") {
    auto cs = make(Model::Pattern, 0);
    Object base = array.at(2);
    if (base.isArray()) cs->base = ColorSpaceFromPDFArray(base);
    return cs;
  }
  return nullptr;
}

VQPDFPlatformColorSpaceRef VQPDFUtilities::ParserCalGray(const Object& array) {
  Object dict = array.at(1);
  if (!dict.isDictionary()) return nullptr;
  auto cs = make(Model::CalGray, 1);
  cs->whitePoint = {1, 1, 1};
  readNumbers(dict.get("WhitePoint"), &cs->whitePoint);
  readNumbers(dict.get("BlackPoint"), &cs->blackPoint);
  cs->gamma = {dict.get("Gamma").number().value_or(1), 1, 1};
  return cs;
}

VQPDFPlatformColorSpaceRef VQPDFUtilities::ParserCalRGB(const Object& array) {
  Object dict = array.at(1);
  if (!dict.isDictionary()) return nullptr;
  auto cs = make(Model::CalRGB, 3);
  cs->whitePoint = {1, 1, 1};
  readNumbers(dict.get("WhitePoint"), &cs->whitePoint);
  readNumbers(dict.get("BlackPoint"), &cs->blackPoint);
  cs->gamma = {1, 1, 1};
  readNumbers(dict.get("Gamma"), &cs->gamma);
  cs->matrix = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  readNumbers(dict.get("Matrix"), &cs->matrix);
  return cs;
}

VQPDFPlatformColorSpaceRef VQPDFUtilities::ParserLab(const Object& array) {
  Object dict = array.at(1);
  if (!dict.isDictionary()) return nullptr;
  auto cs = make(Model::Lab, 3);
  readNumbers(dict.get("WhitePoint"), &cs->whitePoint);
  readNumbers(dict.get("BlackPoint"), &cs->blackPoint);
  std::array<double, 4> range{};
  readNumbers(dict.get("Range"), &range);
  cs->range.assign(range.begin(), range.end());
  return cs;
}

VQPDFPlatformColorSpaceRef VQPDFUtilities::ParserICCBased(const Object& array) {
  Object stream = array.at(1);
  if (!stream.isStream()) return nullptr;
  auto profile = stream.decodedData();
  if (!profile) return nullptr;
  VQPDFPlatformColorSpaceRef alternate = nullptr;
  Object alternateName = stream.get("Alternate");
  if (alternateName.isName("DeviceRGB") || alternateName.isName("DeviceGray") || alternateName.isName("DeviceCMYK")) {
    alternate = ColorSpaceFromName(*alternateName.name());
  }
  auto n = stream.get("N").integer();
  int components = 0;
  if (!n) {
    if (!alternate) alternate = VQPDFPlatformColorSpace::DeviceGray();
    components = alternate->componentCount;
  } else {
    components = static_cast<int>(std::clamp<int64_t>(*n, -1, 64));
    if (!alternate) {
      if (components == 4) alternate = VQPDFPlatformColorSpace::DeviceCMYK();
      else if (components == 3 || components <= 0) alternate = VQPDFPlatformColorSpace::DeviceRGB();
      else if (components == 1) alternate = VQPDFPlatformColorSpace::DeviceGray();
    }
  }
  const int channels = iccChannels(*profile);
  if (channels == 0) return alternate;  // not a profile at all: the alternate stands in
  auto cs = make(Model::ICC, channels);
  cs->iccProfile = std::move(*profile);
  if (channels == components) {
    // The full description: the declared count, range and alternate.
    cs->base = alternate;
    std::vector<double> range;
    Object r = stream.get("Range");
    for (size_t i = 0; i < r.size(); ++i) range.push_back(r.at(i).number().value_or(0));
    if (range.size() != static_cast<size_t>(2 * components)) {
      range.clear();
      for (int i = 0; i < components; ++i) range.insert(range.end(), {0.0, 1.0});
    }
    cs->range = std::move(range);
  } else {
    // N disagrees with the profile: the profile alone decides.
    for (int i = 0; i < channels; ++i) cs->range.insert(cs->range.end(), {0.0, 1.0});
  }
  return cs;
}

VQPDFPlatformColorSpaceRef VQPDFUtilities::ParserIndexed(const Object& array) {
  Object baseObject = array.at(1);
  VQPDFPlatformColorSpaceRef base;
  if (baseObject.isArray()) {
    base = ColorSpaceFromPDFArray(baseObject);
  } else if (baseObject.isName()) {
    const std::string name = *baseObject.name();
    if (name == "DeviceGray") base = VQPDFPlatformColorSpace::DeviceGray();
    else if (name == "DeviceCMYK") base = VQPDFPlatformColorSpace::DeviceCMYK();
    else if (name == "DeviceRGB") base = VQPDFPlatformColorSpace::DeviceRGB();
  } else {
    base = VQPDFPlatformColorSpace::DeviceRGB();
  }
  if (!base || base->componentCount <= 0) return nullptr;
  auto hival = array.at(2).integer();
  if (!hival || *hival < 0) return nullptr;
  Object table = array.at(3);
  std::optional<std::string> bytes = table.isStream() ? table.decodedData() : table.bytes();
  if (!bytes) return nullptr;
  auto cs = make(Model::Indexed, 1);
  cs->base = base;
  // An index space has at most 256 entries; a short table is padded with
  // zeros so that no lookup can read past it.
  cs->hival = static_cast<int>(std::min<int64_t>(*hival, 255));
  cs->lookupTable = std::move(*bytes);
  cs->lookupTable.resize(static_cast<size_t>(cs->hival + 1) * static_cast<size_t>(base->componentCount), '\0');
  return cs;
}

Rect VQPDFUtilities::GetPDFPageRect(const pdf::Page& page, pdf::PageBox pdfBox, int rotationAngle) {
  Rect box = page.box(pdfBox);
  if (RectIsNull(box) || RectIsInfinite(box) || RectIsEmpty(box)) box = RectMake(0, 0, 595, 842);
  int angle = ((rotationAngle % 360) + 360) % 360;
  if (angle == 90 || angle == 270) {
    std::swap(box.origin.x, box.origin.y);
    std::swap(box.size.width, box.size.height);
  }
  return box;
}

Rect VQPDFUtilities::MediaBoxOfPDFPage(const pdf::Page& page) {
  return GetPDFPageRect(page, pdf::PageBox::Media, page.rotation());
}

Rect VQPDFUtilities::CropBoxOfPDFPage(const pdf::Page& page) {
  return GetPDFPageRect(page, pdf::PageBox::Crop, page.rotation());
}

bool VQPDFUtilities::GetNumberWithPDFDictionary(const Object& dictionary, const std::string& key, double* value) {
  Object v = dictionary.get(key);
  if (auto i = v.integer()) {
    *value = static_cast<double>(static_cast<float>(*i));
    return true;
  }
  if (v.isReal()) {
    *value = *v.number();
    return true;
  }
  return false;
}

bool VQPDFUtilities::GetNumberWithPDFArray(const Object& array, size_t index, double* value) {
  Object v = array.at(index);
  if (auto i = v.integer()) {
    *value = static_cast<double>(static_cast<float>(*i));
    return true;
  }
  if (v.isReal()) {
    *value = *v.number();
    return true;
  }
  return false;
}

namespace {

std::optional<std::string> stringOf(const Object& v) {
  std::optional<std::string> s = v.isName() ? v.name() : v.text();
  if (s && s->empty()) return std::nullopt;
  return s;
}

}  // namespace

std::optional<std::string> VQPDFUtilities::GetStringWithPDFDictionary(const Object& dictionary,
                                                                      const std::string& key) {
  return stringOf(dictionary.get(key));
}

std::optional<std::string> VQPDFUtilities::GetStringWithPDFArray(const Object& array, size_t index) {
  return stringOf(array.at(index));
}

AffineTransform VQPDFUtilitiesGetTransfromForRotatedPage(int angle, double width, double height) {
  AffineTransform t = AffineTransformMakeTranslation(0, height);
  t = AffineTransformScale(t, 1, -1);
  switch (((angle % 360) + 360) % 360) {
    case 270:
      t = AffineTransformTranslate(t, width, 0);
      t = AffineTransformRotate(t, M_PI / 2);
      break;
    case 180:
      t = AffineTransformTranslate(t, width, height);
      t = AffineTransformRotate(t, M_PI);
      break;
    case 90:
      t = AffineTransformTranslate(t, 0, height);
      t = AffineTransformRotate(t, -M_PI / 2);
      break;
    default: break;
  }
  return t;
}

std::vector<double> VQPDFUtilitiesPopNumber(pdf::Scanner& scanner, size_t count) {
  std::vector<double> values(count, 0.0);
  size_t popped = 0;
  while (popped < count && scanner.popNumber(&values[popped])) ++popped;
  if (popped < 2) {
    double first = popped == 1 ? values[0] : 0.0;
    std::fill(values.begin(), values.end(), first);
  }
  return values;
}

}  // namespace vq
