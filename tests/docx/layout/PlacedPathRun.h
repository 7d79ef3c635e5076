#pragma once
// Path and picture runs placed by hand in display space, as the capture
// makes them, for the tests of the page's graphics stages.
#include <memory>
#include <vector>

#include "docx/capture/VQDocxRunImage.h"
#include "docx/capture/VQDocxRunPath.h"

namespace vqtest {

// A placement record of the kind given whose box is `frame`.
template <class Info>
std::shared_ptr<Info> PlacedInfo(const vq::Rect& frame) {
  auto info = std::make_shared<Info>();
  info->displayX = frame.origin.x;
  info->displayY = frame.origin.y;
  info->displayWidth = frame.size.width;
  info->displayHeight = frame.size.height;
  return info;
}

struct PathPaint {
  bool filled = false, stroked = true;
  vq::Color color = vq::ColorMakeRGB(0, 0, 0);
  double weight = 0.5;
};

// A path filling or stroking `box`: a two-point line through its middle
// when the box is at most a point high, else the box's outline.
inline std::shared_ptr<vq::VQDocxRunPath> PlacedPathRun(const vq::Rect& box, const PathPaint& paint = {}) {
  auto info = PlacedInfo<vq::VQDocxPathInfo>(box);
  info->filled = paint.filled;
  info->stroked = paint.stroked;
  if (paint.filled) info->setFillcolor(paint.color);
  if (paint.stroked) {
    info->setStrokecolor(paint.color);
    info->strokeweight = paint.weight;
  }
  auto path = std::make_shared<vq::VQDocxRunPath>();
  path->setPictInfo(info);
  const double x0 = box.origin.x, y0 = box.origin.y, x1 = x0 + box.size.width, y1 = y0 + box.size.height;
  std::vector<vq::Point> points;
  if (box.size.height <= 1) points = {{x0, (y0 + y1) / 2}, {x1, (y0 + y1) / 2}};
  else points = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
  vq::Path geometry;
  geometry.addLines(points);
  if (points.size() > 2) geometry.closeSubpath();
  path->setRunCGPath(geometry);
  path->setRunLinePointArray(points);
  return path;
}

inline std::shared_ptr<vq::VQDocxRunImage> PlacedImageRun(const vq::Rect& frame) {
  auto image = std::make_shared<vq::VQDocxRunImage>();
  image->pictInfo = PlacedInfo<vq::VQDocxImageInfo>(frame);
  return image;
}

}  // namespace vqtest
