#pragma once
// Shadings that draw themselves into a bitmap context: function-based
// (type 1), axial (2) and radial (3) shadings are rasterised here, sampling
// their colour functions per pixel of the context's clip area; mesh
// shadings (types 4 to 7) paint their triangles. A picture that would cost
// too much is painted coarser and scaled up.
//
// A shading is built from its PDF object (the interpreter's shading
// resources carry it), owns its colour space and functions, and is not
// shared between threads (function evaluation keeps scratch state).
#include <memory>
#include <string>
#include <vector>

#include "pdf/VQPDFColor.h"
#include "pdf/VQPDFColorSpace.h"
#include "pdf/VQPDFFunction.h"
#include "platform/graphics/VQColor.h"
#include "platform/graphics/VQDrawingContext.h"
#include "platform/graphics/VQGeometry.h"
#include "platform/imageio/VQBitmap.h"
#include "platform/pdf/PdfObject.h"

namespace vq {

class VQPDFShading;

class VQPDFDrawableShading {
 public:
  virtual ~VQPDFDrawableShading() = default;

  // The class chosen by /ShadingType; null for anything that is not a
  // dictionary or stream, an unknown type, no usable /ColorSpace, or a
  // function-driven type without a usable /Function.
  static std::shared_ptr<VQPDFDrawableShading> ShadingWithObject(const pdf::Object& object,
                                                                 const std::string& objectKey);
  // The drawable form of an interpreter shading resource, built once per
  // resource object and thread.
  static std::shared_ptr<VQPDFDrawableShading> ShadingForResource(const std::shared_ptr<VQPDFShading>& shading);

  // Paints the context's clip area in the context's current user space,
  // which the caller has set to the shading's space. `scaleTransform` is
  // not needed by the shadings themselves.
  virtual void drawInContext(DrawingContext& context, const AffineTransform& scaleTransform);

  // The colour at a point of shading space; false where the shading paints
  // nothing (outside its domain, beyond an end that is not extended).
  virtual bool colorAtPoint(const Point& point, Color* color) {
    (void)point, (void)color;
    return false;
  }

  std::string objectKey;
  int type = 0;
  std::shared_ptr<VQPDFColorSpace> colorSpace;
  VQPDFColor background;
  bool hasBackground = false;
  double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
  bool hasBBox = false;

 protected:
  virtual bool initWithDictionary(const pdf::Object& dictionary, const std::string& key);
  // Paints `picture` (RGBA8, transparent) whose pixel (col, row) covers the
  // square from (col, row) to (col + 1, row + 1) of picture space;
  // `toPicture` maps shading space there. The default samples colorAtPoint
  // at every pixel centre.
  virtual void paintPicture(Bitmap& picture, const AffineTransform& toPicture);
  // Pixels painting `device` (device pixels, under `toDevice` from
  // shading space) visits at full resolution; the picture is drawn coarser
  // where this is far beyond what one shading may cost.
  virtual double paintWork(const AffineTransform& toDevice, const Rect& device) const {
    (void)toDevice;
    return device.size.width * device.size.height;
  }
  // Device RGB of the colour-space components `values` (PDF values).
  Color colorFromComponents(const double* values, int count) const;
};

// Shadings whose colour comes from functions of one or two variables.
class VQPDFShadingUnivariate : public VQPDFDrawableShading {
 public:
  // One function with as many outputs as the colour space has components,
  // or one 1-output function per component (output j from function j).
  std::vector<std::shared_ptr<VQPDFFunction>> funcs;
  // Evaluates the functions at `input` (one or two values) into components.
  int evaluate(const double* input, double* components);

 protected:
  bool initWithDictionary(const pdf::Object& dictionary, const std::string& key) override;
};

class VQPDFShadingFunction : public VQPDFShadingUnivariate {
 public:
  double domain[4] = {0, 1, 0, 1};
  AffineTransform matrix;  // domain space to shading space
  bool colorAtPoint(const Point& point, Color* color) override;

 protected:
  bool initWithDictionary(const pdf::Object& dictionary, const std::string& key) override;

 private:
  AffineTransform inverse_;
};

// Axial and radial shadings share a parameter t along Domain with optional
// extension past either end; colours along t are tabulated once.
class VQPDFShadingParametric : public VQPDFShadingUnivariate {
 public:
  bool extendStart = false;
  bool extendEnd = false;
  double domainRange[2] = {0, 1};
  Color colorAtParameter(double s);  // s = 0..1 across the domain

 protected:
  bool initWithDictionary(const pdf::Object& dictionary, const std::string& key) override;

 private:
  std::vector<Color> table_;
};

class VQPDFShadingAxial : public VQPDFShadingParametric {
 public:
  Point coordsStart{0, 0};
  Point coordsEnd{100, 100};
  bool colorAtPoint(const Point& point, Color* color) override;

 protected:
  bool initWithDictionary(const pdf::Object& dictionary, const std::string& key) override;
};

class VQPDFShadingRadial : public VQPDFShadingParametric {
 public:
  Point centerStart{0, 0};
  double radiusStart = 0;
  Point centerEnd{0, 0};
  double radiusEnd = 0;
  bool colorAtPoint(const Point& point, Color* color) override;

 protected:
  bool initWithDictionary(const pdf::Object& dictionary, const std::string& key) override;
};

// Types 4 to 7: free-form and lattice triangle meshes with Gouraud
// colours, Coons and tensor-product patch meshes (patches are divided into
// small triangles). Colours are interpolated in device RGB, or as the
// parameter t of the shading's function when it has one.
class VQPDFShadingMesh : public VQPDFDrawableShading {
 public:
  struct Vertex {
    Point point;
    double color[32] = {};  // components, or t in color[0]
  };
  // A triangle's corner as it is painted: device RGB (0 to 255), or t in
  // value[0]. Kept small: a mesh may hold a million triangles.
  struct Corner {
    Point point;
    double value[3] = {};
  };
  struct Triangle {
    Corner v[3];
  };
  // Read from the stream: every triangle to paint, in paint order.
  std::vector<Triangle> triangles;
  std::vector<std::shared_ptr<VQPDFFunction>> funcs;

  // Reads the vertex or patch data of the shading's stream (after
  // initialisation); false when the format is unusable. Data that ends
  // early keeps what was complete; the triangle count is bounded.
  bool readStream(const pdf::Object& stream);
  // Pixels the triangles cover in all (their boxes within `area`), under
  // `toPicture`: what painting them costs.
  double coverage(const AffineTransform& toPicture, const Rect& area) const;

 protected:
  bool initWithDictionary(const pdf::Object& dictionary, const std::string& key) override;
  void paintPicture(Bitmap& picture, const AffineTransform& toPicture) override;
  double paintWork(const AffineTransform& toDevice, const Rect& device) const override {
    return coverage(toDevice, device);
  }
};

}  // namespace vq
