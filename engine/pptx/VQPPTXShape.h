#pragma once
// The model of one slide's content: paragraphs and runs of text, the
// placement records of text boxes, freeforms and pictures, and the shapes
// that write themselves as PresentationML elements.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pdf/VQPDFWordGaps.h"
#include "platform/graphics/VQColor.h"
#include "platform/graphics/VQGeometry.h"
#include "platform/graphics/VQPath.h"
#include "pptx/VQPPTXUtilities.h"

namespace vq {

class XMLFileWriter;

struct VQPPTXRun {
  int64_t pdfScanIndex = 0;
  double textWidth = 0, spaceWidth = 0;  // points
  std::string text;
  mutable VQPDFTextTally tally;  // of `text`
  VQPPTX_RunPr rProperty = VQPPTXUtilities::defaultRunProperty();

  void writeRunWithXMLWriter(XMLFileWriter& w) const;
};

struct VQPPTXParagraph {
  std::vector<VQPPTXRun> runArray;
  VQPPTX_PPr pProperty = VQPPTXUtilities::defaultPProperty();

  VQPPTXRun* lastRunText() { return runArray.empty() ? nullptr : &runArray.back(); }
  double textWidth() const;
  // Nothing for a paragraph without runs.
  void writeParagraphWithXMLWriter(XMLFileWriter& w) const;
};

struct VQPPTXTextBoxInfo {
  bool filled = false, stroked = false;
  std::optional<Color> fillcolor, strokecolor;
  double strokeweight = 1;
  std::vector<double> strokeDashPattern;
  int64_t strokeDashPhase = 0;
  double displayWidth = 0, displayHeight = 0, displayX = 0, displayY = 0;  // slide points
  VQPPTXEdgeInsets textBoxMargin;
  double rotation = 0;  // degrees
};

struct VQPPTXFreeformInfo {
  bool filled = false, stroked = false;
  std::optional<Color> fillcolor, strokecolor;
  float fillAlpha_ = 1, strokeAlpha_ = 1;
  double strokeweight = 1;
  std::vector<double> strokeDashPattern;
  int64_t strokeDashPhase = 0;
  int lineCap = 0;  // 0 butt, 1 round, 2 square
  double displayWidth = 0, displayHeight = 0, displayX = 0, displayY = 0;

  Rect displayRect() const { return RectMake(displayX, displayY, displayWidth, displayHeight); }
  void setDisplayRect(const Rect& r);
  Point displayOrigin() const { return PointMake(displayX, displayY); }
  // 0 for a part that is not painted.
  float fillAlpha() const { return filled ? fillAlpha_ : 0.f; }
  float strokeAlpha() const { return stroked ? strokeAlpha_ : 0.f; }
  // Six hex digits; white for a part that is not painted.
  std::string fillcolorString() const;
  std::string strokecolorString() const;
  // "flat", "rnd", "sq", or empty for an unknown cap.
  std::string lineCapString() const;
};

struct VQPPTXImageInfo {
  std::string imageID, imageTitle;
  int32_t pixelWidth = 0, pixelHeight = 0;
  float opacity = 1;
  float rotation = 0;  // degrees, 0 <= r < 360
  bool flipX = false, flipY = false;
  double displayWidth = 0, displayHeight = 0;
  double horizontalResolution = 72, verticalResolution = 72;
  double displayX = 0, displayY = 0;
  std::array<Point, 4> vertices{};

  // T maps the unit image square onto slide points; `fillAlpha` is the
  // drawing state's.
  static VQPPTXImageInfo initWithTransform(const AffineTransform& T, double fillAlpha);
  Rect displayRect() const { return RectMake(displayX, displayY, displayWidth, displayHeight); }
  void setDisplayRect(const Rect& r);
};

enum class VQPPTXShapeType { TextBox = 0, Freeform = 1, Picture = 2 };

class VQPPTXShape {
 public:
  explicit VQPPTXShape(VQPPTXShapeType type);
  virtual ~VQPPTXShape() = default;

  VQPPTXShapeType spType;
  std::vector<VQPPTXParagraph> paragraphs;
  VQPPTX_TxBodyPr bodyPr;
  // The shape's id within its slide (unique there; 1 is the slide's group).
  int64_t shapeId = 2;

  virtual void writeShapeWith(XMLFileWriter& w);

 protected:
  virtual void write_nvSpPr(XMLFileWriter&) {}
  virtual void write_spPr(XMLFileWriter&) {}
  virtual void write_style(XMLFileWriter&) {}
  virtual void write_txBody(XMLFileWriter&) {}
};

class VQPPTXTextbox : public VQPPTXShape {
 public:
  VQPPTXTextbox() : VQPPTXShape(VQPPTXShapeType::TextBox) {}
  VQPPTXTextBoxInfo spInfo;

 protected:
  void write_nvSpPr(XMLFileWriter& w) override;
  void write_spPr(XMLFileWriter& w) override;
  void write_txBody(XMLFileWriter& w) override;
};

struct VQPPTXPathElement {
  int type = 0;  // 0 move, 1 line, 2 quadratic, 3 cubic, 4 close
  std::vector<Point> points;
  int64_t numberOfPoints() const { return static_cast<int64_t>(points.size()); }
};

class VQPPTXFreeform : public VQPPTXShape {
 public:
  VQPPTXFreeform() : VQPPTXShape(VQPPTXShapeType::Freeform) {}
  Path runCGPath;  // slide points
  VQPPTXFreeformInfo spInfo;

  static std::vector<VQPPTXPathElement> pointsWithCGPath(const Path& path);

 protected:
  void write_nvSpPr(XMLFileWriter& w) override;
  void write_spPr(XMLFileWriter& w) override;
  void write_style(XMLFileWriter& w) override;
  void write_txBody(XMLFileWriter& w) override;
  void write_SpPr_custGeom(XMLFileWriter& w);
};

class VQPPTXPicture : public VQPPTXShape {
 public:
  VQPPTXPicture() : VQPPTXShape(VQPPTXShapeType::Picture) {}
  std::string runImageID;
  VQPPTXImageInfo pictInfo;

  void writeShapeWith(XMLFileWriter& w) override;

 protected:
  void write_nvPicPr(XMLFileWriter& w);
  void write_blipFill(XMLFileWriter& w);
  void write_spPr(XMLFileWriter& w) override;
};

}  // namespace vq
