#pragma once
// XObjects of a content stream's resources: forms (run by the parser on the
// shared state stack), PostScript XObjects (recognised, never drawn) and
// images (placed by the delegate; decoding into a temporary image file is
// plugged in through VQPDFImageXObject::setDecoder).
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "pdf/VQPDFColorSpace.h"
#include "platform/graphics/VQGeometry.h"
#include "platform/pdf/PdfObject.h"

namespace vq {

class VQPDFAnnot;

enum VQPDFXObjectType {
  VQPDFXObjectTypeUnknown = 0,
  VQPDFXObjectTypeImage = 1,
  VQPDFXObjectTypeForm = 2,
  VQPDFXObjectTypePostScript = 3,
};

class VQPDFXObject {
 public:
  virtual ~VQPDFXObject() = default;
  // The kind named by the stream's /Subtype; nullptr for anything else.
  static std::shared_ptr<VQPDFXObject> XObjectWithObject(const pdf::Object& stream, const std::string& objectKey);

  virtual int getType() const { return VQPDFXObjectTypeUnknown; }

  std::string objectKey;
  pdf::Object xObjectStream;
  pdf::Object xObjectDictionary;
  std::shared_ptr<VQPDFAnnot> annot;  // set while an annotation appearance is drawn
};

class VQPDFImageXObject : public VQPDFXObject {
 public:
  // Decodes an image to its temporary file (fills cachedImagePath and the
  // pixel size). Installed once at start-up by the image-decoding module,
  // before any page is parsed; without one, images are reported with an
  // empty path.
  using Decoder = std::function<void(VQPDFImageXObject& image, const pdf::Object& colorSpaces)>;
  static void setDecoder(Decoder decoder);
  static const Decoder& decoder();

  VQPDFImageXObject(const pdf::Object& stream, const std::string& objectKey);
  int getType() const override { return VQPDFXObjectTypeImage; }
  // Runs the installed decoder; `colorSpaces` is the /ColorSpace resource
  // dictionary that names in an inline image refer to.
  void parseImage(const pdf::Object& colorSpaces);

  std::string cachedImagePath;  // empty when not decoded
  int width = 0;
  int height = 0;
};

class VQPDFFormXObject : public VQPDFXObject {
 public:
  explicit VQPDFFormXObject(const pdf::Object& stream, const std::string& objectKey = {});
  int getType() const override { return VQPDFXObjectTypeForm; }
  bool parse(const pdf::Object& stream);
  AffineTransform matrixTransform() const { return matrix; }

  int formType = 0;
  AffineTransform matrix;
  // The four BBox numbers in array order: origin, then the second corner.
  Rect bbox;
  bool transpGroup = false;
  bool isolated = false;
  bool knockout = false;
  std::shared_ptr<VQPDFColorSpace> blendingColorSpace;
  AffineTransform ctm;  // the CTM where the form is drawn
};

class VQPDFPostScriptXObject : public VQPDFXObject {
 public:
  explicit VQPDFPostScriptXObject(const pdf::Object& stream, const std::string& objectKey = {});
  int getType() const override { return VQPDFXObjectTypePostScript; }
  bool parse(const pdf::Object&) { return false; }
};

class VQPDFXObjectCollection {
 public:
  VQPDFXObjectCollection() = default;
  // The /XObject resource dictionary (null for none). Images are decoded
  // when the collection is built unless `decodeImages` is false.
  explicit VQPDFXObjectCollection(const pdf::Object& dictionary, const pdf::Object& colorSpaces = pdf::Object(),
                                  bool decodeImages = true);
  std::shared_ptr<VQPDFXObject> xObjectWithNamed(const std::string& name) const;

  std::map<std::string, std::shared_ptr<VQPDFXObject>> xObjects;
};

}  // namespace vq
