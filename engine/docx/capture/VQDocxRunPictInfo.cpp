#include "docx/capture/VQDocxRunPictInfo.h"

#include <fmt/format.h>

#include <cmath>

#include "office/VQDocxEquality.h"
#include "office/VQDocxUtilities.h"

namespace vq {

void VQDocxRunPictInfo::copyBaseInto(VQDocxRunPictInfo& to) const {
  to.pdfTransform = pdfTransform;
  to.displayX = displayX;
  to.displayY = displayY;
  to.displayWidth = displayWidth;
  to.displayHeight = displayHeight;
  to.wrapType = wrapType;
}

std::unique_ptr<VQDocxRunPictInfo> VQDocxRunPictInfo::copy() const {
  // Every kind of record is copied whole: a copy keeps its paint (flags,
  // colours, opacities, dashes) and its turn as well as its place and size.
  if (const auto* box = dynamic_cast<const VQDocxTextBoxInfo*>(this)) return std::make_unique<VQDocxTextBoxInfo>(*box);
  if (const auto* path = dynamic_cast<const VQDocxTextPathInfo*>(this))
    return std::make_unique<VQDocxTextPathInfo>(*path);
  auto c = std::make_unique<VQDocxRunPictInfo>();
  copyBaseInto(*c);
  return c;
}

std::string VQDocxRunPictInfo::description() const {
  return fmt::format("\ndisplayX: {:f}\r\ndisplayY: {:f}\r\ndisplayWidth: {:f}\r\ndisplayHeight: {:f}", displayX,
                     displayY, displayWidth, displayHeight);
}

namespace {
long component255(double v) { return std::lround(v * 255); }  // halves away from zero
}  // namespace

std::optional<std::string> VQDocxRunPictInfo::colorString(const std::optional<Color>& color) {
  if (!color) return std::nullopt;
  const auto& c = color->components;
  if (color->model == ColorModel::RGB && c.size() >= 3)
    return fmt::format("#{:02X}{:02X}{:02X}", component255(c[0]), component255(c[1]), component255(c[2]));
  if (color->model == ColorModel::Gray && !c.empty()) {
    const long g = component255(c[0]);
    return fmt::format("#{:02X}{:02X}{:02X}", g, g, g);
  }
  return std::string("#000000");
}

std::optional<std::string> VQDocxRunPictInfo::dashPatternString(const std::optional<std::vector<double>>& pattern) {
  if (!pattern) return std::nullopt;
  std::string out;
  for (size_t i = 0; i < pattern->size(); ++i) {
    const double v = (*pattern)[i];
    const long n = std::isfinite(v) ? static_cast<long>(std::trunc(v)) : 0;
    if (i > 0) out += ' ';
    out += fmt::format("{}", n);
  }
  return out;
}

VQDocx_Color VQDocxRunPictInfo::DocxColorFromColor(const std::optional<Color>& color) {
  return VQDocxUtilities::VQDocxColorFromCGColor(color ? &*color : nullptr);
}

// ---- Paths

void VQDocxPathInfo::setFillcolor(std::optional<Color> color) {
  fillcolor_ = std::move(color);
  fillColorVQ_ = DocxColorFromColor(fillcolor_);
  fillColorVQ_.alpha = static_cast<int>(fillAlpha_ * 255);
}

void VQDocxPathInfo::setStrokecolor(std::optional<Color> color) {
  strokecolor_ = std::move(color);
  strokeColorVQ_ = DocxColorFromColor(strokecolor_);
  strokeColorVQ_.alpha = static_cast<int>(strokeAlpha_ * 255);
}

void VQDocxPathInfo::setFillAlpha(float alpha) {
  fillAlpha_ = alpha;
  fillColorVQ_.alpha = static_cast<int>(alpha * 255);
}

void VQDocxPathInfo::setStrokeAlpha(float alpha) {
  strokeAlpha_ = alpha;
  strokeColorVQ_.alpha = static_cast<int>(alpha * 255);
}

std::string VQDocxPathInfo::strokeDashPhaseString() const { return fmt::format("{}", strokeDashPhase); }
std::string VQDocxTextBoxInfo::strokeDashPhaseString() const { return fmt::format("{}", strokeDashPhase); }
std::string VQDocxTextPathInfo::strokeDashPhaseString() const { return fmt::format("{}", strokeDashPhase); }

int32_t VQDocxPathInfo::BorderStyleForPathInfo(const VQDocxPathInfo& info, VQDocx_Color background) {
  if (info.stroked) {
    const size_t dashes = info.strokeDashPattern ? info.strokeDashPattern->size() : 0;
    if (dashes > 1) {
      if (dashes == 2) return 4;
      if (dashes == 3) return 8;
      if (dashes == 4) return 6;
      return 7;
    }
    return IsEqualColor(info.strokeColorVQ_, background) ? 1 : 2;
  }
  if (info.filled) {
    // A bar thinner than 4 points in one direction only draws a rule.
    const bool thinW = info.displayWidth < 4, thinH = info.displayHeight < 4;
    if (thinW == thinH) return 1;
    return IsEqualColor(info.fillColorVQ_, background) ? 1 : 2;
  }
  return 1;
}

std::unique_ptr<VQDocxRunPictInfo> VQDocxPathInfo::copy() const {
  // The whole record: fill and stroke flags, colours (held by value) with
  // their 0-255 records, opacities, weight and dashes.
  return std::make_unique<VQDocxPathInfo>(*this);
}

// ---- Pictures

std::unique_ptr<VQDocxRunPictInfo> VQDocxImageInfo::copy() const {
  auto c = std::make_unique<VQDocxImageInfo>();
  copyBaseInto(*c);
  c->imageID = imageID;
  c->imageTitle = imageTitle;
  c->pixelWidth = pixelWidth;
  c->pixelHeight = pixelHeight;
  c->horizontalResolution = horizontalResolution;
  c->verticalResolution = verticalResolution;
  c->rotation = rotation;
  c->center = center;
  c->flipX = flipX;
  c->flipY = flipY;
  c->opacity = opacity;
  c->vertices = vertices;
  return c;
}

// ---- Text paths

VQDocxTextPathInfo::VQDocxTextPathInfo() : rProperty(VQDocxUtilities::defaultRProperty()) {}

}  // namespace vq
