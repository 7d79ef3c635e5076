#include "pdf/utilities/VQPDFCGPathUtilities.h"

namespace vq {

std::optional<VQPDFPathElementList> VQPDFCGPathUtilities::NSArrayWithCGPath(const Path& path) {
  VQPDFPathElementList list;
  list.elements.reserve(path.elementCount());
  for (const PathElement& e : path) {
    const int type = static_cast<int>(e.type);
    if (type < 0 || type > 4) return std::nullopt;
    VQPDFPathListElement out;
    out.type = type;
    for (int i = 0; i < e.pointCount(); ++i) {
      out.points.push_back(e.points[static_cast<size_t>(i)].x);
      out.points.push_back(e.points[static_cast<size_t>(i)].y);
    }
    list.elements.push_back(std::move(out));
  }
  return list;
}

std::optional<Path> VQPDFCGPathUtilities::CGPathWithNSArray(const VQPDFPathElementList& list) {
  Path path;
  for (const VQPDFPathListElement& e : list.elements) {
    if (e.type < 0 || e.type > 4) return std::nullopt;
    PathElement element;
    element.type = static_cast<PathElementType>(e.type);
    const size_t needed = 2 * static_cast<size_t>(element.pointCount());
    if (e.points.size() < needed) return std::nullopt;
    for (size_t i = 0; i < needed / 2; ++i) element.points[i] = Point{e.points[2 * i], e.points[2 * i + 1]};
    path.appendElement(element);
  }
  return path;
}

}  // namespace vq
