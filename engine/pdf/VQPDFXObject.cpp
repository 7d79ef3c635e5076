#include "pdf/VQPDFXObject.h"

#include <fmt/format.h>

#include <algorithm>

#include "pdf/VQPDFObjectValues.h"

namespace vq {

using pdf::Object;
using vqpdf_detail::ReadNumber;

std::shared_ptr<VQPDFXObject> VQPDFXObject::XObjectWithObject(const Object& stream, const std::string& objectKey) {
  if (!stream.isStream()) return nullptr;
  Object dict = stream.streamDictionary();
  auto subtype = dict.get("Subtype").name();
  if (!subtype) return nullptr;
  if (*subtype == "Image") return std::make_shared<VQPDFImageXObject>(stream, objectKey);
  if (*subtype == "Form") return std::make_shared<VQPDFFormXObject>(stream, objectKey);
  if (*subtype == "PS") return std::make_shared<VQPDFPostScriptXObject>(stream, objectKey);
  return nullptr;
}

// ---- images

namespace {
VQPDFImageXObject::Decoder& DecoderSlot() {
  static VQPDFImageXObject::Decoder decoder;
  return decoder;
}
}  // namespace

void VQPDFImageXObject::setDecoder(Decoder decoder) { DecoderSlot() = std::move(decoder); }
const VQPDFImageXObject::Decoder& VQPDFImageXObject::decoder() { return DecoderSlot(); }

VQPDFImageXObject::VQPDFImageXObject(const Object& stream, const std::string& key) {
  objectKey = key;
  xObjectStream = stream;
  xObjectDictionary = stream.isStream() ? stream.streamDictionary() : Object();
  if (auto w = xObjectDictionary.get("Width").integer()) width = static_cast<int>(*w);
  if (auto h = xObjectDictionary.get("Height").integer()) height = static_cast<int>(*h);
}

bool VQPDFImageXObject::isStencilMask() const {
  Object mask = xObjectDictionary.get("ImageMask");
  if (mask.isNull()) mask = xObjectDictionary.get("IM");  // inline images abbreviate
  return mask.boolean().value_or(false);
}

void VQPDFImageXObject::parseImage(const Object& colorSpaces) {
  decodeTried_ = true;
  if (const auto& d = decoder()) d(*this, colorSpaces);
}

void VQPDFImageXObject::prepareDecoding(const Object& colorSpaces, bool allowed,
                                        std::shared_ptr<VQPDFDecodedImages> page) {
  colorSpaces_ = colorSpaces;
  decodeAllowed_ = allowed;
  page_ = std::move(page);
}

namespace {

// Inline images larger than this are decoded where drawn: their content
// would make a large key, and a page does not repeat many of them.
constexpr size_t kMostSharedInlineBytes = 1 << 20;

// A direct value written out whole, dictionary keys in order, so that two
// equal values read alike.
void describe(const Object& value, std::string& out, int depth = 0) {
  if (depth > 8) return;
  if (value.isName()) {
    out += '/';
    out += value.name().value_or("");
  } else if (value.isNumber()) {
    out += fmt::format("{} ", value.number().value_or(0));
  } else if (value.isString()) {
    const std::string bytes = value.bytes().value_or("");
    out += fmt::format("({}:{})", bytes.size(), bytes);
  } else if (value.isBoolean()) {
    out += value.boolean().value_or(false) ? "T" : "F";
  } else if (value.isArray()) {
    out += "[";
    for (const Object& each : value.elements()) describe(each, out, depth + 1);
    out += "]";
  } else if (value.isDictionary()) {
    std::vector<std::string> keys = value.keys();
    std::sort(keys.begin(), keys.end());
    out += "<<";
    for (const auto& key : keys) {
      out += '/';
      out += key;
      describe(value.get(key), out, depth + 1);
    }
    out += ">>";
  } else {
    out += "N";
  }
}

}  // namespace

std::optional<std::string> VQPDFImageXObject::contentKey(int32_t paint) const {
  const auto data = xObjectStream.rawData();
  if (!data || data->size() > kMostSharedInlineBytes) return std::nullopt;
  std::string key = fmt::format("{} ", paint);
  describe(xObjectDictionary, key);
  // A named space means what the resources at the drawing say.
  Object space = xObjectDictionary.get("CS");
  if (space.isNull()) space = xObjectDictionary.get("ColorSpace");
  if (space.isName()) describe(colorSpaces_.get(space.name().value_or("")), key);
  key += *data;
  return key;
}

const std::string& VQPDFImageXObject::decodedImagePath() {
  if (decodeTried_ || !decodeAllowed_) return cachedImagePath;
  decodeTried_ = true;
  const pdf::ObjectId id = xObjectStream.id();
  const int32_t paint =
      stencilColor ? (int32_t{stencilColor->r} << 16) | (int32_t{stencilColor->g} << 8) | stencilColor->b : -1;
  if (!page_) {
    parseImage(colorSpaces_);
  } else if (id.isIndirect()) {
    const auto key = std::make_tuple(id.number, id.generation, paint);
    if (auto it = page_->pathByStream.find(key); it != page_->pathByStream.end()) cachedImagePath = it->second;
    else page_->pathByStream.emplace(key, (parseImage(colorSpaces_), cachedImagePath));
  } else if (auto key = contentKey(paint)) {
    if (auto it = page_->pathByContent.find(*key); it != page_->pathByContent.end()) cachedImagePath = it->second;
    else page_->pathByContent.emplace(std::move(*key), (parseImage(colorSpaces_), cachedImagePath));
  } else {
    parseImage(colorSpaces_);
  }
  return cachedImagePath;
}

// ---- forms

VQPDFFormXObject::VQPDFFormXObject(const Object& stream, const std::string& key) {
  objectKey = key;
  xObjectStream = stream;
  xObjectDictionary = stream.isStream() ? stream.streamDictionary() : Object();
  parse(stream);
}

bool VQPDFFormXObject::parse(const Object& stream) {
  Object dict = stream.isStream() ? stream.streamDictionary() : stream;
  formType = 0;
  Object typeObject = dict.get("FormType");
  if (!typeObject.isNull()) {
    auto t = typeObject.integer();
    formType = t ? static_cast<int>(*t) : 0;
    if (!t || *t != 1) return false;
  }
  bbox = Rect{};
  Object box = dict.get("BBox");
  if (!box.isArray() || box.size() != 4) return false;
  double v[4] = {};
  for (size_t i = 0; i < 4; ++i) {
    if (!ReadNumber(box.at(i), &v[i])) return false;
  }
  bbox = RectMake(v[0], v[1], v[2], v[3]);
  matrix = AffineTransformIdentity;
  Object m = dict.get("Matrix");
  if (m.isArray() && m.size() == 6) {
    double n[6];
    bool ok = true;
    for (size_t i = 0; i < 6 && ok; ++i) ok = ReadNumber(m.at(i), &n[i]);
    if (ok) matrix = AffineTransformMake(n[0], n[1], n[2], n[3], n[4], n[5]);
  }
  transpGroup = isolated = knockout = false;
  blendingColorSpace = nullptr;
  Object group = dict.get("Group");
  if (!group.isDictionary()) return true;
  Object s = group.get("S");
  if (s.isNull() || s.isName("Image")) return true;
  transpGroup = true;
  if (group.has("CS"))
    blendingColorSpace = VQPDFColorSpace::ColorSpaceWithObject(group.get("CS"), std::string("VQPDFFormXObject"));
  isolated = group.get("I").boolean().value_or(false);
  knockout = group.get("K").boolean().value_or(false);
  return true;
}

VQPDFPostScriptXObject::VQPDFPostScriptXObject(const Object& stream, const std::string& key) {
  objectKey = key;
  xObjectStream = stream;
  xObjectDictionary = stream.isStream() ? stream.streamDictionary() : Object();
}

// ---- collection

VQPDFXObjectCollection::VQPDFXObjectCollection(const Object& dictionary) {
  if (!dictionary.isDictionary()) return;
  for (const auto& key : dictionary.keys()) {
    if (xObjects.size() >= kMostXObjects) break;
    auto xobject = VQPDFXObject::XObjectWithObject(dictionary.get(key), key);
    if (!xobject) continue;
    xObjects[key] = std::move(xobject);
  }
}

std::shared_ptr<VQPDFXObject> VQPDFXObjectCollection::xObjectWithNamed(const std::string& name) const {
  auto it = xObjects.find(name);
  return it == xObjects.end() ? nullptr : it->second;
}

}  // namespace vq
