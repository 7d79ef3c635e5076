#include "pdf/VQPDFShading.h"

#include "pdf/VQPDFObjectValues.h"

namespace vq {

using pdf::Object;

static Object DictionaryOf(const Object& object) { return object.isStream() ? object.streamDictionary() : object; }

VQPDFShading::VQPDFShading(const Object& o, const std::string& key) : objectKey(key), object(o) {
  if (auto t = DictionaryOf(o).get("ShadingType").integer()) shadingType = static_cast<int>(*t);
}

VQPDFPattern::VQPDFPattern(const Object& o, const std::string& key) : objectKey(key), object(o) {
  Object dict = DictionaryOf(o);
  if (auto t = dict.get("PatternType").integer()) patternType = static_cast<int>(*t);
  Object m = dict.get("Matrix");
  if (m.isArray() && m.size() == 6) {
    double n[6];
    bool ok = true;
    for (size_t i = 0; i < 6 && ok; ++i) ok = vqpdf_detail::ReadNumber(m.at(i), &n[i]);
    if (ok) matrix = AffineTransformMake(n[0], n[1], n[2], n[3], n[4], n[5]);
  }
}

VQPDFShadingCollection::VQPDFShadingCollection(const Object& dictionary) {
  if (!dictionary.isDictionary()) return;
  for (const auto& key : dictionary.keys()) {
    Object value = dictionary.get(key);
    if (value.isDictionary()) collectObjects[key] = std::make_shared<VQPDFShading>(value, key);
  }
}

std::shared_ptr<VQPDFShading> VQPDFShadingCollection::objectNamed(const std::string& name) const {
  auto it = collectObjects.find(name);
  return it == collectObjects.end() ? nullptr : it->second;
}

VQPDFPatternCollection::VQPDFPatternCollection(const Object& dictionary) {
  if (!dictionary.isDictionary()) return;
  for (const auto& key : dictionary.keys()) {
    Object value = dictionary.get(key);
    if (value.isDictionary()) collectObjects[key] = std::make_shared<VQPDFPattern>(value, key);
  }
}

std::shared_ptr<VQPDFPattern> VQPDFPatternCollection::objectNamed(const std::string& name) const {
  auto it = collectObjects.find(name);
  return it == collectObjects.end() ? nullptr : it->second;
}

}  // namespace vq
