#include "pdf/shading/VQPDFShadingDrawable.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "pdf/VQPDFObjectValues.h"
#include "pdf/VQPDFShading.h"
#include "pdf/shading/VQPDFDrawingStop.h"
#include "platform/imageio/VQBitmap.h"

namespace vq {

using pdf::Object;
using vqpdf_detail::ReadNumber;
using vqpdf_detail::ScaleComponent;

namespace {

Object DictionaryOf(const Object& object) { return object.isStream() ? object.streamDictionary() : object; }

// Colours along an axial or radial shading's parameter: enough steps that
// neighbouring entries differ by less than one 8-bit level on any sane
// function, few enough to build instantly.
constexpr int kParameterSteps = 1024;

// A picture larger than this many pixels is drawn at a lower resolution and
// scaled up by the context, so that a page-sized shading at a high scale
// stays affordable.
constexpr double kMaxShadingPixels = 4.0e6;
// Pixel visits one shading's picture may cost (a mesh visits the box of
// every triangle): a mesh of a million large triangles is drawn coarse in
// well under a second instead of for minutes.
constexpr double kMostShadingWork = 4.0e7;

}  // namespace

// ---- factory ---------------------------------------------------------------

std::shared_ptr<VQPDFDrawableShading> VQPDFDrawableShading::ShadingWithObject(const Object& object,
                                                                              const std::string& objectKey) {
  if (!object.isDictionary()) return nullptr;
  const Object dict = DictionaryOf(object);
  auto type = dict.get("ShadingType").integer();
  if (!type) return nullptr;
  std::shared_ptr<VQPDFDrawableShading> shading;
  switch (*type) {
    case 1:
      shading = std::make_shared<VQPDFShadingFunction>();
      break;
    case 2:
      shading = std::make_shared<VQPDFShadingAxial>();
      break;
    case 3:
      shading = std::make_shared<VQPDFShadingRadial>();
      break;
    case 4:
    case 5:
    case 6:
    case 7:
      shading = std::make_shared<VQPDFShadingMesh>();
      break;
    default:
      return nullptr;
  }
  shading->type = static_cast<int>(*type);
  if (!shading->initWithDictionary(dict, objectKey)) return nullptr;
  // A mesh whose data cannot be read stays a shading that paints nothing.
  if (auto* mesh = dynamic_cast<VQPDFShadingMesh*>(shading.get())) mesh->readStream(object);
  return shading;
}

std::shared_ptr<VQPDFDrawableShading> VQPDFDrawableShading::ShadingForResource(
    const std::shared_ptr<VQPDFShading>& resource) {
  if (!resource) return nullptr;
  // Built per thread: a drawable evaluates functions with scratch state.
  struct Entry {
    std::weak_ptr<VQPDFShading> owner;
    std::shared_ptr<VQPDFDrawableShading> shading;
  };
  thread_local std::map<const VQPDFShading*, Entry> cache;
  for (auto it = cache.begin(); it != cache.end();) it = it->second.owner.expired() ? cache.erase(it) : std::next(it);
  auto it = cache.find(resource.get());
  if (it != cache.end()) return it->second.shading;
  auto shading = ShadingWithObject(resource->object, resource->objectKey);
  cache[resource.get()] = Entry{resource, shading};
  return shading;
}

// ---- base ----------------------------------------------------------------

bool VQPDFDrawableShading::initWithDictionary(const Object& dict, const std::string& key) {
  objectKey = key;
  if (!dict.has("ColorSpace")) return false;
  colorSpace = VQPDFColorSpace::ColorSpaceWithObject(dict.get("ColorSpace"), std::string("VQPDFShading"));
  if (!colorSpace || colorSpace->getNComps() <= 0 || colorSpace->getMode() == VQPDFColorSpaceModePattern) return false;
  Object bg = dict.get("Background");
  if (bg.isArray() && static_cast<int>(bg.size()) == colorSpace->getNComps()) {
    hasBackground = true;
    for (size_t i = 0; i < bg.size() && i < 32; ++i) {
      double v = 0;
      ReadNumber(bg.at(i), &v);
      background.c[i] = ScaleComponent(v);
    }
  }
  Object box = dict.get("BBox");
  if (box.isArray() && box.size() == 4) {
    double* out[4] = {&xMin, &yMin, &xMax, &yMax};
    for (size_t i = 0; i < 4; ++i) ReadNumber(box.at(i), out[i]);
    hasBBox = true;
  }
  return true;
}

Color VQPDFDrawableShading::colorFromComponents(const double* values, int count) const {
  VQPDFColor color;
  for (int i = 0; i < count && i < 32; ++i) color.c[i] = ScaleComponent(values[i]);
  const VQPDFRGB rgb = colorSpace->getRGB(color);
  return ColorMakeRGB(rgb.r / 255.0, rgb.g / 255.0, rgb.b / 255.0);
}

void VQPDFDrawableShading::drawInContext(DrawingContext& context, const AffineTransform&) {
  const Rect clip = context.clipBoundingBox();
  if (RectIsNull(clip) || RectIsEmpty(clip)) return;
  const AffineTransform toDevice = context.getCTM();
  if (!AffineTransformIsInvertible(toDevice)) return;
  Rect device = RectIntersection(RectIntegral(RectApplyAffineTransform(clip, toDevice)),
                                 RectMake(0, 0, context.width(), context.height()));
  if (hasBBox) {
    const Rect bbox = RectApplyAffineTransform(RectFromPoints({xMin, yMin}, {xMax, yMax}), toDevice);
    device = RectIntersection(device, RectIntegral(bbox));
  }
  if (RectIsNull(device) || RectIsEmpty(device)) return;
  // Sampling step in device pixels (1 unless the area or the work is huge).
  const double area = device.size.width * device.size.height;
  const double work = paintWork(toDevice, device);
  const double step =
      std::max({1.0, area > kMaxShadingPixels ? std::sqrt(area / kMaxShadingPixels) : 1.0,
                std::isfinite(work) && work > kMostShadingWork ? std::sqrt(work / kMostShadingWork) : 1.0});
  const int w = std::max(1, static_cast<int>(std::ceil(device.size.width / step)));
  const int h = std::max(1, static_cast<int>(std::ceil(device.size.height / step)));
  Bitmap picture = Bitmap::make(w, h, PixelFormat::RGBA8);
  const AffineTransform toShading = AffineTransformInvert(toDevice);
  // Picture pixels: columns from the device box's left, rows from its top.
  const AffineTransform deviceToPicture =
      AffineTransformMake(1 / step, 0, 0, -1 / step, -device.origin.x / step, RectGetMaxY(device) / step);
  paintPicture(picture, AffineTransformConcat(toDevice, deviceToPicture));
  context.saveGState();
  context.concatCTM(toShading);  // user space = default device space
  context.setInterpolationQuality(step > 1 ? InterpolationQuality::Default : InterpolationQuality::None);
  context.drawBitmap(picture, RectMake(device.origin.x, device.origin.y, w * step, h * step));
  context.restoreGState();
}

void VQPDFDrawableShading::paintPicture(Bitmap& picture, const AffineTransform& toPicture) {
  const AffineTransform toShading = AffineTransformInvert(toPicture);
  Color color;
  for (int row = 0; row < picture.height && !VQPDFDrawingStop::requested(); ++row) {
    uint8_t* p = picture.row(row);
    for (int col = 0; col < picture.width; ++col, p += 4) {
      if (!colorAtPoint(PointApplyAffineTransform({col + 0.5, row + 0.5}, toShading), &color)) continue;
      const RGBA c = ColorToRGBA(color);
      p[0] = static_cast<uint8_t>(std::lround(c.r * 255));
      p[1] = static_cast<uint8_t>(std::lround(c.g * 255));
      p[2] = static_cast<uint8_t>(std::lround(c.b * 255));
      p[3] = 255;
    }
  }
}

// ---- functions -------------------------------------------------------------

bool VQPDFShadingUnivariate::initWithDictionary(const Object& dict, const std::string& key) {
  if (!VQPDFDrawableShading::initWithDictionary(dict, key)) return false;
  Object f = dict.get("Function");
  if (f.isArray()) {
    // An array holds one 1-output function per colour component.
    if (f.size() < 1 || f.size() > 32) return false;
    for (const Object& e : f.elements()) {
      auto fn = VQPDFFunction::FuntionWithObject(e);
      if (!fn) return false;
      funcs.push_back(std::move(fn));
    }
    if (static_cast<int>(funcs.size()) != colorSpace->getNComps()) return false;
  } else if (!f.isNull()) {
    auto fn = VQPDFFunction::FuntionWithObject(f);
    if (fn) funcs.push_back(std::move(fn));
  }
  return !funcs.empty();
}

int VQPDFShadingUnivariate::evaluate(const double* input, double* components) {
  const int n = colorSpace->getNComps();
  double out[32] = {};
  if (funcs.size() == 1) {
    funcs[0]->transformInput(input, out);
    for (int i = 0; i < n; ++i) components[i] = out[i];
  } else {
    for (int i = 0; i < n && i < static_cast<int>(funcs.size()); ++i) {
      double single[32] = {};
      funcs[static_cast<size_t>(i)]->transformInput(input, single);
      components[i] = single[0];
    }
  }
  return n;
}

// ---- type 1 ----------------------------------------------------------------

bool VQPDFShadingFunction::initWithDictionary(const Object& dict, const std::string& key) {
  if (!VQPDFShadingUnivariate::initWithDictionary(dict, key)) return false;
  Object d = dict.get("Domain");
  if (d.isArray() && d.size() == 4) {
    for (size_t i = 0; i < 4; ++i) ReadNumber(d.at(i), &domain[i]);
  }
  Object m = dict.get("Matrix");
  if (m.isArray() && m.size() == 6) {
    double v[6] = {1, 0, 0, 1, 0, 0};
    for (size_t i = 0; i < 6; ++i) ReadNumber(m.at(i), &v[i]);
    matrix = AffineTransformMake(v[0], v[1], v[2], v[3], v[4], v[5]);
  }
  inverse_ = AffineTransformInvert(matrix);
  return AffineTransformIsInvertible(matrix);
}

bool VQPDFShadingFunction::colorAtPoint(const Point& point, Color* color) {
  const Point p = PointApplyAffineTransform(point, inverse_);
  if (p.x < std::min(domain[0], domain[1]) || p.x > std::max(domain[0], domain[1]) ||
      p.y < std::min(domain[2], domain[3]) || p.y > std::max(domain[2], domain[3]))
    return false;
  double input[32] = {p.x, p.y};
  double comps[32] = {};
  const int n = evaluate(input, comps);
  *color = colorFromComponents(comps, n);
  return true;
}

// ---- axial and radial --------------------------------------------------------

bool VQPDFShadingParametric::initWithDictionary(const Object& dict, const std::string& key) {
  if (!VQPDFShadingUnivariate::initWithDictionary(dict, key)) return false;
  Object d = dict.get("Domain");
  if (d.isArray() && d.size() == 2) {
    ReadNumber(d.at(0), &domainRange[0]);
    ReadNumber(d.at(1), &domainRange[1]);
  }
  Object e = dict.get("Extend");
  if (e.isArray() && e.size() == 2) {
    extendStart = e.at(0).boolean().value_or(false);
    extendEnd = e.at(1).boolean().value_or(false);
  }
  return true;
}

Color VQPDFShadingParametric::colorAtParameter(double s) {
  if (table_.empty()) {
    table_.resize(kParameterSteps + 1);
    for (int i = 0; i <= kParameterSteps; ++i) {
      double input[32] = {domainRange[0] + (domainRange[1] - domainRange[0]) * i / kParameterSteps};
      double comps[32] = {};
      const int n = evaluate(input, comps);
      table_[static_cast<size_t>(i)] = colorFromComponents(comps, n);
    }
  }
  const double clamped = std::clamp(std::isfinite(s) ? s : 0.0, 0.0, 1.0);
  return table_[static_cast<size_t>(std::lround(clamped * kParameterSteps))];
}

static bool ReadPoint(const Object& array, size_t index, Point* p) {
  bool a = ReadNumber(array.at(index), &p->x);
  bool b = ReadNumber(array.at(index + 1), &p->y);
  return a && b;
}

bool VQPDFShadingAxial::initWithDictionary(const Object& dict, const std::string& key) {
  if (!VQPDFShadingParametric::initWithDictionary(dict, key)) return false;
  Object c = dict.get("Coords");
  if (c.isArray() && c.size() == 4) {
    ReadPoint(c, 0, &coordsStart);
    ReadPoint(c, 2, &coordsEnd);
  }
  return true;
}

bool VQPDFShadingAxial::colorAtPoint(const Point& p, Color* color) {
  const double dx = coordsEnd.x - coordsStart.x, dy = coordsEnd.y - coordsStart.y;
  const double len2 = dx * dx + dy * dy;
  if (!(len2 > 0) || !std::isfinite(len2)) return false;
  double s = ((p.x - coordsStart.x) * dx + (p.y - coordsStart.y) * dy) / len2;
  if (s < 0) {
    if (!extendStart) return false;
    s = 0;
  } else if (s > 1) {
    if (!extendEnd) return false;
    s = 1;
  }
  *color = colorAtParameter(s);
  return true;
}

bool VQPDFShadingRadial::initWithDictionary(const Object& dict, const std::string& key) {
  if (!VQPDFShadingParametric::initWithDictionary(dict, key)) return false;
  Object c = dict.get("Coords");
  if (!c.isArray() || c.size() != 6) return false;
  ReadPoint(c, 0, &centerStart);
  ReadNumber(c.at(2), &radiusStart);
  ReadPoint(c, 3, &centerEnd);
  ReadNumber(c.at(5), &radiusEnd);
  return radiusStart >= 0 && radiusEnd >= 0;
}

// The point lies on the circle of parameter s, centre c(s) = c0 + s (c1 - c0)
// and radius r(s) = r0 + s (r1 - r0): the larger s with r(s) >= 0 wins, as
// later circles paint over earlier ones.
bool VQPDFShadingRadial::colorAtPoint(const Point& p, Color* color) {
  const double cdx = centerEnd.x - centerStart.x, cdy = centerEnd.y - centerStart.y;
  const double dr = radiusEnd - radiusStart;
  const double pdx = p.x - centerStart.x, pdy = p.y - centerStart.y;
  const double a = cdx * cdx + cdy * cdy - dr * dr;
  const double b = pdx * cdx + pdy * cdy + radiusStart * dr;
  const double c = pdx * pdx + pdy * pdy - radiusStart * radiusStart;
  double roots[2];
  int count = 0;
  if (std::fabs(a) < 1e-12) {
    if (std::fabs(b) < 1e-12) return false;
    roots[count++] = c / (2 * b);
  } else {
    const double disc = b * b - a * c;
    if (disc < 0) return false;
    const double sq = std::sqrt(disc);
    const double s1 = (b + sq) / a, s2 = (b - sq) / a;
    roots[count++] = std::max(s1, s2);
    roots[count++] = std::min(s1, s2);
  }
  for (int i = 0; i < count; ++i) {
    double s = roots[i];
    if (!std::isfinite(s) || radiusStart + s * dr < 0) continue;
    if (s > 1) {
      if (!extendEnd) continue;
    } else if (s < 0) {
      if (!extendStart) continue;
    }
    *color = colorAtParameter(std::clamp(s, 0.0, 1.0));
    return true;
  }
  return false;
}

}  // namespace vq
