#pragma once
// Placement records of floating drawing runs: where the object stands on the
// page (display space: points, origin top-left, y downwards) and how it is
// painted. One base record and four kinds: vector paths, pictures, text boxes
// and WordArt text paths.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "office/VQDocxTypes.h"
#include "platform/graphics/VQColor.h"
#include "platform/graphics/VQGeometry.h"

namespace vq {

// An inner margin of a box (points).
struct VQDocxInsets {
  double top = 0, left = 0, bottom = 0, right = 0;
};

class VQDocxRunPictInfo {
 public:
  VQDocxRunPictInfo() = default;
  virtual ~VQDocxRunPictInfo() = default;

  AffineTransform pdfTransform;  // what placed a picture in the PDF
  double displayWidth = 0;
  double displayHeight = 0;
  double displayX = 0;
  double displayY = 0;
  int32_t wrapType = 0;  // 1: top-and-bottom wrapping for pictures

  // A new record of the same kind carrying the fields the kind copies.
  virtual std::unique_ptr<VQDocxRunPictInfo> copy() const;
  // "\ndisplayX: %f\r\ndisplayY: %f\r\ndisplayWidth: %f\r\ndisplayHeight: %f"
  virtual std::string description() const;

  // "#RRGGBB" of an RGB or grey colour (components rounded, halves away from
  // zero), "#000000" for any other model, nothing for no colour.
  static std::optional<std::string> colorString(const std::optional<Color>& color);
  // Dash lengths truncated to whole numbers, separated by single blanks.
  static std::optional<std::string> dashPatternString(const std::optional<std::vector<double>>& pattern);
  // The record's colour as 0-255 components: RGB and grey rounded, alpha 255;
  // no colour or another model gives opaque black.
  static VQDocx_Color DocxColorFromColor(const std::optional<Color>& color);

 protected:
  void copyBaseInto(VQDocxRunPictInfo& to) const;
};

class VQDocxPathInfo : public VQDocxRunPictInfo {
 public:
  bool filled = false;
  bool stroked = false;
  double strokeweight = static_cast<double>(0.1f);
  std::optional<std::vector<double>> strokeDashPattern;
  int64_t strokeDashPhase = 0;

  const std::optional<Color>& fillcolor() const { return fillcolor_; }
  const std::optional<Color>& strokecolor() const { return strokecolor_; }
  float fillAlpha() const { return fillAlpha_; }
  float strokeAlpha() const { return strokeAlpha_; }
  VQDocx_Color strokeColorVQ() const { return strokeColorVQ_; }
  VQDocx_Color fillColorVQ() const { return fillColorVQ_; }
  // Colour setters keep the colour and its 0-255 record, with the record's
  // alpha taken from the matching opacity.
  void setFillcolor(std::optional<Color> color);
  void setStrokecolor(std::optional<Color> color);
  void setFillAlpha(float alpha);
  void setStrokeAlpha(float alpha);

  std::optional<std::string> fillcolorString() const { return colorString(fillcolor_); }
  std::optional<std::string> strokecolorString() const { return colorString(strokecolor_); }
  std::optional<std::string> strokeDashPatternString() const { return dashPatternString(strokeDashPattern); }
  std::string strokeDashPhaseString() const;

  // The border type a path would draw as a table rule on a background:
  // 1 none, 2 single, 4 dashed, 6 dot-dash, 7 dot-dot-dash, 8 dotted.
  static int32_t BorderStyleForPathInfo(const VQDocxPathInfo& info, VQDocx_Color backgroundColor);

  std::unique_ptr<VQDocxRunPictInfo> copy() const override;

 private:
  std::optional<Color> fillcolor_;
  std::optional<Color> strokecolor_;
  float fillAlpha_ = 1;
  float strokeAlpha_ = 1;
  VQDocx_Color strokeColorVQ_{};
  VQDocx_Color fillColorVQ_{};
};

class VQDocxImageInfo : public VQDocxRunPictInfo {
 public:
  std::optional<std::string> imageID;
  std::optional<std::string> imageTitle;
  int32_t pixelWidth = 0;
  int32_t pixelHeight = 0;
  float opacity = 0;
  float rotation = 0;
  bool flipX = false;
  bool flipY = false;
  Point center;
  double horizontalResolution = 0;
  double verticalResolution = 0;
  std::array<Point, 4> vertices{};  // the picture's corners on the page

  std::unique_ptr<VQDocxRunPictInfo> copy() const override;
};

class VQDocxTextBoxInfo : public VQDocxRunPictInfo {
 public:
  bool filled = false;
  bool stroked = false;
  std::optional<Color> fillcolor;
  std::optional<Color> strokecolor;
  double strokeweight = 0;
  std::optional<std::vector<double>> strokeDashPattern;
  int64_t strokeDashPhase = 0;
  VQDocxInsets textBoxMargin;
  double rotation = 0;  // 0, 90, 180 or 270

  Rect textBoxRect() const { return RectMake(displayX, displayY, displayWidth, displayHeight); }
  std::optional<std::string> fillcolorString() const { return colorString(fillcolor); }
  std::optional<std::string> strokecolorString() const { return colorString(strokecolor); }
  std::optional<std::string> strokeDashPatternString() const { return dashPatternString(strokeDashPattern); }
  std::string strokeDashPhaseString() const;
};

class VQDocxTextPathInfo : public VQDocxRunPictInfo {
 public:
  VQDocxTextPathInfo();

  bool filled = false;
  bool stroked = false;
  std::optional<Color> fillcolor;
  std::optional<Color> strokecolor;
  double strokeweight = 0;
  std::optional<std::vector<double>> strokeDashPattern;
  int64_t strokeDashPhase = 0;
  VQDocxInsets textBoxMargin;
  std::array<Point, 4> vertices{};  // the text's corners on the page
  float rotation = 0;
  bool flipX = false;
  bool flipY = false;
  Point center;
  bool trim = false;
  bool fitpath = false;
  VQDocx_RPr rProperty;

  std::optional<std::string> fillcolorString() const { return colorString(fillcolor); }
  std::optional<std::string> strokecolorString() const { return colorString(strokecolor); }
  std::optional<std::string> strokeDashPatternString() const { return dashPatternString(strokeDashPattern); }
  std::string strokeDashPhaseString() const;
  VQDocx_Color strokeColorVQ() const { return DocxColorFromColor(strokecolor); }
  VQDocx_Color fillColorVQ() const { return DocxColorFromColor(fillcolor); }
};

}  // namespace vq
