#pragma once
// Crossing points of ruled segments: every segment is lengthened by a
// tolerance at both ends, so rules that stop short of meeting still cross;
// the crossings, the end points of the segments that cross something, and a
// point at every combination of the x and y values found (the corners a
// grid needs where a crossing is missing) are reported with type bits:
// bit 0 shown, bit 1 crossing or end, bit 2 added by the grid.
#include <cstddef>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

namespace vq {

struct KDLine {
  uint8_t startFlag = 0;
  float startX = 0, startY = 0;
  uint8_t endFlag = 0;
  float endX = 0, endY = 0;
  float reserved1 = -1, reserved2 = -1;
};

struct KDPoint {
  uint8_t type = 0;
  float x = 0, y = 0;
};

class KDScanLine {
 public:
  // `wucha` (at least 0) is the lengthening of every segment, in points.
  KDScanLine(const std::vector<KDLine>& lines, int wucha);

  bool FindIntersection();
  const std::vector<KDPoint>& GetAllPoint() const { return points_; }

  // Two points are one when closer than 15 (a crossing against an end) or
  // 4 (otherwise).
  static bool isPointMaxEqual(const KDPoint& a, const KDPoint& b);

 private:
  struct Segment {
    KDLine line;
    bool horizontal = false;
    bool vertical = false;
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // lengthened, x1 <= x2 and y1 <= y2 on the axis
  };
  struct Crossing {
    size_t a = 0, b = 0;
    float x = 0, y = 0;
  };

  void InsertPoint(const KDPoint& point);
  void OperateInterPoint();

  int m_wucha = 0;
  std::vector<Segment> segments_;
  std::vector<Crossing> crossings_;
  std::vector<KDPoint> points_;
  std::map<std::pair<long, long>, std::vector<size_t>> pointCells_;  // indexes of points_ by cell
};

}  // namespace vq
