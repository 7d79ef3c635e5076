#pragma once
// Extended graphics states: the /ExtGState resources read once per content
// stream, and applied by the gs operator.
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/pdf/PdfObject.h"

namespace vq {

class VQPDFXObject;

// The blend mode of a name (Normal 0 ... Luminosity 15); nullopt when unknown.
std::optional<int> VQPDFBlendModeForName(const std::string& name);

class VQPDFExtGState {
 public:
  VQPDFExtGState() = default;
  VQPDFExtGState(const pdf::Object& dictionary, const std::string& objectKey);

  // A name, or an array whose first known name counts (0 when none is known);
  // false for an unknown name, a non-name element or another object.
  static bool parseBlendMode(const pdf::Object& object, int* mode);

  std::string objectKey;
  // The entries the dictionary had, each present only when read.
  std::optional<double> LW, ML, CA, ca;
  std::optional<int> LC, LJ, OPM, BM;
  std::optional<bool> AIS, op, OP, SA;
  std::optional<std::string> RI;
  bool hasDash = false;
  std::vector<double> dashArray;  // integer elements of the dash array
  int64_t dashPhase = 0;
  std::optional<std::string> smaskName;        // SMask given as a name (/None)
  std::shared_ptr<VQPDFXObject> smaskXObject;  // the group form of a soft mask
  std::optional<std::string> smaskS;           // Alpha or Luminosity
  std::vector<double> smaskBC;
  std::optional<bool> smaskHaveSoftMask;
  std::optional<double> fontSize;  // the Font entry: [font size]
  std::optional<std::string> fontName;
};

class VQPDFExtGStateCollection {
 public:
  VQPDFExtGStateCollection() = default;
  explicit VQPDFExtGStateCollection(const pdf::Object& dictionary);
  std::shared_ptr<VQPDFExtGState> objectNamed(const std::string& name) const;
  const std::map<std::string, std::shared_ptr<VQPDFExtGState>>& collectObjectsByName() const { return collectObjects; }

  std::map<std::string, std::shared_ptr<VQPDFExtGState>> collectObjects;
};

}  // namespace vq
