#pragma once
// Shading and pattern resources as the parser hands them to its delegate
// (sh, and paths painted with a Pattern colour space). They carry the
// resource object and its kind; drawing them is the consumers' work.
#include <map>
#include <memory>
#include <string>

#include "platform/graphics/VQGeometry.h"
#include "platform/pdf/PdfObject.h"

namespace vq {

class VQPDFShading {
 public:
  VQPDFShading(const pdf::Object& object, const std::string& objectKey);
  virtual ~VQPDFShading() = default;
  std::string objectKey;
  pdf::Object object;   // the shading dictionary or stream
  int shadingType = 0;  // /ShadingType, 0 when missing
};

class VQPDFPattern {
 public:
  VQPDFPattern(const pdf::Object& object, const std::string& objectKey);
  virtual ~VQPDFPattern() = default;
  std::string objectKey;
  pdf::Object object;      // the pattern dictionary or stream
  int patternType = 0;     // 1 tiling, 2 shading; 0 when missing
  AffineTransform matrix;  // /Matrix, identity when absent or malformed
};

class VQPDFShadingCollection {
 public:
  VQPDFShadingCollection() = default;
  explicit VQPDFShadingCollection(const pdf::Object& dictionary);
  std::shared_ptr<VQPDFShading> objectNamed(const std::string& name) const;
  std::map<std::string, std::shared_ptr<VQPDFShading>> collectObjects;
};

class VQPDFPatternCollection {
 public:
  VQPDFPatternCollection() = default;
  explicit VQPDFPatternCollection(const pdf::Object& dictionary);
  std::shared_ptr<VQPDFPattern> objectNamed(const std::string& name) const;
  std::map<std::string, std::shared_ptr<VQPDFPattern>> collectObjects;
};

}  // namespace vq
