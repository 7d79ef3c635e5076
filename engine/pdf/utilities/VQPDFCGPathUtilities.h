#pragma once
// Paths as element lists: the form in which clip paths are stored in the
// render state and replayed by the rasteriser.
#include <optional>
#include <vector>

#include "platform/graphics/VQPath.h"

namespace vq {

// One element: its type (0 move, 1 line, 2 quadratic, 3 cubic, 4 close)
// and its points as x, y pairs (1, 1, 2, 3 and 0 points).
struct VQPDFPathListElement {
  int type = 0;
  std::vector<double> points;
  friend bool operator==(const VQPDFPathListElement&, const VQPDFPathListElement&) = default;
};

struct VQPDFPathElementList {
  bool valid = true;  // the list's leading validity flag
  std::vector<VQPDFPathListElement> elements;
  friend bool operator==(const VQPDFPathElementList&, const VQPDFPathElementList&) = default;
};

class VQPDFCGPathUtilities {
 public:
  // nullopt when the path holds an element type outside 0..4.
  static std::optional<VQPDFPathElementList> NSArrayWithCGPath(const Path& path);
  // Replays the elements in order; nullopt for a type outside 0..4 or an
  // element with fewer coordinates than its type needs.
  static std::optional<Path> CGPathWithNSArray(const VQPDFPathElementList& list);
};

}  // namespace vq
