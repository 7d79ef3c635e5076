#include "pdf/VQPDFExtGState.h"

#include <array>
#include <cmath>
#include <utility>

#include "pdf/VQPDFObjectValues.h"
#include "pdf/VQPDFXObject.h"

namespace vq {

using pdf::Object;
using vqpdf_detail::ReadNumber;

std::optional<int> VQPDFBlendModeForName(const std::string& name) {
  static const std::array<std::pair<const char*, int>, 17> kVQPDFBlendModeNames = {{
      {"Normal", 0},
      {"Compatible", 0},
      {"Multiply", 1},
      {"Screen", 2},
      {"Overlay", 3},
      {"Darken", 4},
      {"Lighten", 5},
      {"ColorDodge", 6},
      {"ColorBurn", 7},
      {"HardLight", 8},
      {"SoftLight", 9},
      {"Difference", 10},
      {"Exclusion", 11},
      {"Hue", 12},
      {"Saturation", 13},
      {"Color", 14},
      {"Luminosity", 15},
  }};
  for (const auto& [n, v] : kVQPDFBlendModeNames) {
    if (name == n) return v;
  }
  return std::nullopt;
}

bool VQPDFExtGState::parseBlendMode(const Object& object, int* mode) {
  if (auto name = object.name()) {
    auto v = VQPDFBlendModeForName(*name);
    if (!v) return false;
    *mode = *v;
    return true;
  }
  if (object.isArray()) {
    std::optional<int> found;
    for (const auto& element : object.elements()) {
      auto name = element.name();
      if (!name) return false;
      if (!found) found = VQPDFBlendModeForName(*name);
    }
    *mode = found.value_or(0);
    return true;
  }
  return false;
}

static std::optional<double> SingleNumber(const Object& dict, const char* key) {
  double v = 0;
  if (!ReadNumber(dict.get(key), &v)) return std::nullopt;
  return static_cast<double>(static_cast<float>(v));
}

static std::optional<int> Integer(const Object& dict, const char* key) {
  auto v = dict.get(key).integer();
  if (!v) return std::nullopt;
  return static_cast<int>(*v);
}

VQPDFExtGState::VQPDFExtGState(const Object& dict, const std::string& key) : objectKey(key) {
  LW = SingleNumber(dict, "LW");
  LC = Integer(dict, "LC");
  LJ = Integer(dict, "LJ");
  ML = SingleNumber(dict, "ML");
  Object dash = dict.get("D");
  if (dash.isArray() && dash.size() >= 2 && dash.at(0).isArray()) {
    if (auto phase = dash.at(1).integer()) {
      hasDash = true;
      dashPhase = *phase;
      for (const auto& e : dash.at(0).elements()) {
        if (auto i = e.integer()) dashArray.push_back(static_cast<double>(*i));
      }
    }
  }
  if (auto ri = dict.get("RI").name()) RI = *ri;
  if (dict.has("BM")) {
    int mode = 0;
    if (parseBlendMode(dict.get("BM"), &mode)) BM = mode;
  }
  CA = SingleNumber(dict, "CA");
  ca = SingleNumber(dict, "ca");
  AIS = dict.get("AIS").boolean();
  op = dict.get("op").boolean();
  OP = dict.get("OP").boolean();
  OPM = Integer(dict, "OPM");
  SA = dict.get("SA").boolean();
  if (dict.has("SMask")) {
    Object smask = dict.get("SMask");
    if (auto name = smask.name()) {
      smaskName = *name;
      smaskHaveSoftMask = false;
    } else if (smask.isStream()) {
      smaskXObject = VQPDFXObject::XObjectWithObject(smask, "SMask-XObject-" + key);
      smaskHaveSoftMask = true;
    } else if (smask.isDictionary()) {
      Object group = smask.get("G");
      if (group.isStream()) smaskXObject = VQPDFXObject::XObjectWithObject(group, "SMask-XObject-" + key);
      if (auto s = smask.get("S").name()) smaskS = *s;
      Object bc = smask.get("BC");
      if (bc.isArray()) {
        for (const auto& e : bc.elements()) {
          double v = 0;
          if (ReadNumber(e, &v)) smaskBC.push_back(v);
        }
      }
      smaskHaveSoftMask = true;
    } else {
      smaskHaveSoftMask = false;
    }
  }
  Object font = dict.get("Font");
  if (font.isArray()) {
    double size = 0;
    if (ReadNumber(font.at(1), &size)) fontSize = static_cast<double>(static_cast<float>(size));
    if (auto name = font.at(0).name()) fontName = *name;
  }
}

VQPDFExtGStateCollection::VQPDFExtGStateCollection(const Object& dictionary) {
  if (!dictionary.isDictionary()) return;
  for (const auto& key : dictionary.keys()) {
    Object value = dictionary.get(key);
    if (value.type() != pdf::ObjectType::Dictionary) continue;
    collectObjects[key] = std::make_shared<VQPDFExtGState>(value, key);
  }
}

std::shared_ptr<VQPDFExtGState> VQPDFExtGStateCollection::objectNamed(const std::string& name) const {
  auto it = collectObjects.find(name);
  return it == collectObjects.end() ? nullptr : it->second;
}

}  // namespace vq
