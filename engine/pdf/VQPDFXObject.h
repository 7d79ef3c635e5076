#pragma once
// XObjects of a content stream's resources: forms (run by the parser on the
// shared state stack), PostScript XObjects (recognised, never drawn) and
// images (placed by the delegate; decoding into a temporary image file is
// plugged in through VQPDFImageXObject::setDecoder and happens when a
// delegate first asks for the file).
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>

#include "pdf/VQPDFColor.h"
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

// The files a page's images were decoded to, by image stream (object and
// generation numbers) and paint: an image drawn again on the page, through
// a form used many times for instance, is decoded once. The paint is the
// colour a stencil mask was painted in (0xRRGGBB), -1 for any other image:
// a stencil drawn in two colours makes two files. Inline images, which
// are no objects, are known by their content (dictionary, data, paint and
// the colour space they name in the resources): a small image repeated thousands
// of times by a page is one file. Lives as long as one page's parsing.
struct VQPDFDecodedImages {
  std::map<std::tuple<int, int, int32_t>, std::string> pathByStream;  // empty path: decoding failed
  std::map<std::string, std::string> pathByContent;
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
  // Runs the installed decoder now; `colorSpaces` is the /ColorSpace
  // resource dictionary that names in an inline image refer to.
  void parseImage(const pdf::Object& colorSpaces);

  // Prepares decoding on demand: the parser sets where the image is drawn
  // what decoding needs, and nothing is decoded until decodedImagePath().
  void prepareDecoding(const pdf::Object& colorSpaces, bool allowed, std::shared_ptr<VQPDFDecodedImages> page);
  // The decoded file, decoding the image on the first call (once per page
  // for an image stream drawn again); empty when decoding is off for this
  // parse or fails.
  const std::string& decodedImagePath();

  // A stencil mask (/ImageMask true) says only where to paint: it is painted
  // in the fill colour where it is drawn.
  bool isStencilMask() const;
  // The colour a stencil mask is painted in, set by the parser where it is
  // drawn; unset for other images, and for a stencil decoded on its own
  // (painted black).
  std::optional<VQPDFRGB> stencilColor;

  std::string cachedImagePath;  // empty when not decoded
  int width = 0;
  int height = 0;

 private:
  // What tells an inline image drawn in `paint` apart from any other, or
  // nothing for one that is not shared.
  std::optional<std::string> contentKey(int32_t paint) const;

  pdf::Object colorSpaces_;
  std::shared_ptr<VQPDFDecodedImages> page_;
  bool decodeAllowed_ = false;
  bool decodeTried_ = false;
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
  // The /XObject resource dictionary (null for none), at most
  // kMostXObjects of its entries: a page's work is bounded by what it
  // draws, not by how many objects its resources name. Nothing is decoded
  // here.
  static constexpr size_t kMostXObjects = 2401;
  explicit VQPDFXObjectCollection(const pdf::Object& dictionary);
  std::shared_ptr<VQPDFXObject> xObjectWithNamed(const std::string& name) const;

  std::map<std::string, std::shared_ptr<VQPDFXObject>> xObjects;
};

}  // namespace vq
