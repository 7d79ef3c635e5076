#pragma once
// The run of one painted vector path of a page: its geometry in page display
// space (points, origin top left, y downwards), its box, a classification of
// its shape (line, rectangle, other), its sub-paths, the clip stack it was
// painted under (PDF page space), and its paint style. It writes itself as a
// floating VML shape (VQDocxRunPathVML.cpp); the class operations over path
// arrays that the layout's graphics clean-up uses are in
// VQDocxRunPathArrays.cpp, the painting into bitmaps and PNG files in
// VQDocxRunPathRaster.cpp.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "docx/capture/VQDocxRunPict.h"
#include "docx/capture/VQDocxRunPictInfo.h"
#include "office/VQDocxTypes.h"
#include "platform/graphics/VQGeometry.h"
#include "platform/graphics/VQPath.h"

namespace vq {

struct VQPDFClipPath;
class VQDocxRunImage;
class DrawingContext;

// The shape class of a path run (its runLineType).
enum VQDocxRunLineType : int32_t {
  VQDocxRunLineTypeNone = 0,
  VQDocxRunLineTypeHorizontal = 1,  // a horizontal line
  VQDocxRunLineTypeVertical = 2,    // a vertical line
  VQDocxRunLineTypeSmallRect = 3,   // an axis-parallel rectangle whose longer side is under 8.1
  VQDocxRunLineTypeRect = 4,        // an axis-parallel rectangle
};

class VQDocxRunPath : public VQDocxRunPict {
 public:
  using Array = std::vector<std::shared_ptr<VQDocxRunPath>>;
  using ClipStack = std::vector<std::shared_ptr<VQPDFClipPath>>;

  VQDocxRunPath() = default;

  // A full copy: every run field, the style record copied whole (flags,
  // colours, alphas, weight, dashes), the same clip records (immutable, so
  // shared), and its own path, sub-paths and point list.
  std::shared_ptr<VQDocxRunPath> clone() const { return std::static_pointer_cast<VQDocxRunPath>(cloneObject()); }

  // ---- Fields

  // Paint style and placement. Setting it recomputes the box.
  const std::shared_ptr<VQDocxPathInfo>& pictInfo() const { return pictInfo_; }
  void setPictInfo(std::shared_ptr<VQDocxPathInfo> info);

  // The path's box (control points included), widened to the stroke weight
  // for hairline strokes; the zero rectangle while the path is empty.
  const Rect& boundingBox() const { return boundingBox_; }
  void setBoundingBox(const Rect& box) { boundingBox_ = box; }
  // Recomputes boundingBox() from the path and the style record.
  void updateBoundingBox();

  // The path in page display space; empty at first. Setting it walks it
  // again: sub-paths, curve flag, point count and the working path.
  const Path& runCGPath() const { return runCGPath_; }
  void setRunCGPath(const Path& path);
  // The last sub-path when it was not closed (the walk leaves it here).
  const std::optional<Path>& tempCGPath() const { return tempCGPath_; }
  // The closed or interrupted sub-paths of the path.
  const std::vector<Path>& subCGPaths() const { return subCGPaths_; }
  // The path has a quadratic or cubic segment.
  bool isHaveCurve() const { return isHaveCurve_; }
  // Move, line and curve elements of the path (a close counts nothing).
  int64_t pathPointCount() const { return pathPointCount_; }

  // The clip stack in force when the path was painted (PDF page space).
  ClipStack clipBezierPaths;

  // The path's points as the capture made them; setting them classifies the
  // shape (runLineType). A list holds at least two points.
  const std::optional<std::vector<Point>>& runLinePointArray() const { return runLinePointArray_; }
  void setRunLinePointArray(std::optional<std::vector<Point>> points);
  // The shape class; the merging operations set it directly.
  int32_t runLineType() const { return runLineType_; }
  void setRunLineType(int32_t type) { runLineType_ = type; }

  // Set and cleared by the table detection for a ruled-line candidate.
  bool isTableLine = false;
  // Scratch state of the table detection's own path walker.
  bool pathApplyFunction_isMoveToPoint = false;
  Point pathApplyFunction_LastPoint;

  // ---- Queries

  // The style record's box; the zero rectangle without a record.
  Rect displayRect() const override;
  // "<VQDocxRunPath: 0x..:[pdfScanIndex:%zd][stroked:%d][filled:%d]
  // [isHaveCurve:%d][runLineType:%d][isTableLine:%d][displayRect:%f,%f,%f,%f]>"
  std::string description() const override;

  // Same fill and stroke flags and, when stroked, the same weight and
  // stroke colour (each component within 2).
  bool isBorderEqualToPath(const VQDocxRunPath& other) const;
  // The colour equals the fill colour (if filled) and the stroke colour (if
  // stroked); a path that is neither matches every colour.
  bool IsEqualColor(const VQDocx_Color& color) const;
  // Area of the sub-paths' boxes (or the whole path's box without sub-paths)
  // inside `rect`, counting only overlaps wider and higher than 1 point.
  double areaIntersectionRect(const Rect& rect) const;
  // The first path painted earlier whose box overlaps this one's by more
  // than 1 x 1 point; nullptr when none.
  std::shared_ptr<VQDocxRunPath> findHideRunPaths(const Array& paths) const;
  // The same against pictures (their displayRect).
  std::shared_ptr<VQDocxRunImage> findHideRunImages(const std::vector<std::shared_ptr<VQDocxRunImage>>& images) const;
  // This box meets the union of the paths' boxes in more than 1 x 1 point,
  // or, inset by (dx, dy) (negative grows it), meets one path's box so.
  bool isIntersectRunPaths(const Array& paths, Size insertSize) const;

  static Rect BoundsOfRunPaths(const Array& paths);
  static int64_t CountOfPoints(const Array& paths);
  // More points than (longer side of the union box) / 8.1 + 6: a group
  // crowded enough to be worth rendering into a picture.
  static bool IsVaildImageRunPaths(const Array& paths);

  // ---- VML output (VQDocxRunPathVML.cpp)

  // The run as a floating VML shape: w:r, its properties, w:pict with a
  // shape type carrying the geometry and a shape placing it on the page.
  // Writing may change the style record (thin fills become strokes; the box
  // grows to the stroke weight), so a run is written once, last.
  void writeWithXMLWriter(XMLFileWriter& writer) override;
  void _writePath2006(XMLFileWriter& writer);
  // The VML path string of a path: absolute coordinates x 20, "m", "l",
  // "c", "x" commands, ending in "e". Non-finite coordinates are written 0.
  // With `closeOpenSubpaths` every sub-path that drew something ends in "x".
  static std::string VMLPathString(const Path& path, bool closeOpenSubpaths = false);

  // ---- Path-array algorithms (VQDocxRunPathArrays.cpp)

  static std::shared_ptr<VQDocxRunPath> FindBigRectangeRunPath(const Array& paths);
  static Array FindDuplicateRunPath(const std::shared_ptr<VQDocxRunPath>& background, const Array& paths);
  static Array FindAnnotionlPaths(const Array& paths);
  static Array FindSmallRects(const Array& paths);
  static Array FindSmallShapes(const Array& paths, Size maxSize);
  static Array FindAloneRects(const Array& paths);
  static Array ConvertRect2LineIfNeed(const Array& paths);
  // Sorts `paths` by scan index in place.
  static Array MergeOverlapLinesIfNeed(Array& paths);
  static Array MergeOverlapRectangesIfNeed(const Array& paths);
  static Array FindOverlapLineRunPaths(const Array& paths);
  static std::shared_ptr<VQDocxRunPath> CreateWithOverlapLines(const Array& group);
  static Array FindOverlapRectangeRunPaths(const Array& paths);
  static std::shared_ptr<VQDocxRunPath> CreateWithOverlapRects(const Array& group);
  static std::shared_ptr<VQDocxRunPath> FindMaxAreaOverlapRectanges(const Array& paths);
  static bool IsRunPaths(const Array& group, uint64_t minPDFScanIndex, const Array& hideRunPaths);

  bool isLineExtentsRunPath(const VQDocxRunPath& other);
  bool isRectOverlapRunPath(const VQDocxRunPath& other, bool* isExtend);
  bool isAloneRectWithRunPaths(const Array& paths) const;

  // ---- Border styles of table rules (VQDocxRunPathBorders.cpp)
  //
  // The WordprocessingML border type (an index of the 27 border names; below
  // 2 draws nothing) that paths lying along a table segment p1-p2 draw on a
  // background. `grapDistance` receives the gap of the wide-gap styles.

  int32_t borderStyleForLinePoint1(Point p1, Point p2, VQDocx_Color backgroundColor);
  static int32_t RunPathBorderStyle(VQDocxRunPath& path, Point p1, Point p2, VQDocx_Color backgroundColor);
  static int32_t BorderStyleForRunPaths(const Array& paths, Point p1, Point p2, VQDocx_Color backgroundColor,
                                        double* grapDistance);
  static int32_t BorderStyleFor2RunPaths(const Array& paths, Point p1, Point p2, VQDocx_Color backgroundColor,
                                         double* grapDistance, double tableLineDistance);
  static int32_t BorderStyleFor3RunPaths(const Array& paths, Point p1, Point p2, VQDocx_Color backgroundColor,
                                         double* grapDistance);
  static int32_t BorderStyleFor2TableLineDistance(double distance, double maxWeight, double* grapDistance);
  // The visible paths along the segment, one per parallel position.
  static Array FindBorderRunPathArray(const Array& paths, Point p1, Point p2, VQDocx_Color backgroundColor);
  static Array FilterStrokePaths(const Array& paths, Point p1, Point p2, VQDocx_Color backgroundColor);
  static Array FilterParallelPaths(const Array& paths);
  static bool IsHaveSameXYPath(const VQDocxRunPath& path, const Array& paths);
  // The largest positive stroke weight of the paths; 0 for none.
  static double MaxBorderWidthForRunPaths(const Array& paths);

  // ---- Rasterising (VQDocxRunPathRaster.cpp)

  // Paints the path into a context whose user space is page display space
  // (y downwards); `pageTransform` maps the clip records (PDF page space)
  // into it. False without a context or a path.
  bool drawInContext(DrawingContext* context, const AffineTransform& pageTransform, bool needClip) const;
  // Paints the paths into one PNG file (at `imageDPI`, scaled down on crowded
  // large pages, see the .cpp) and gives its path, or nothing. With
  // `needClip`, *clipRect receives the painted area in page display space.
  static std::optional<std::string> CreateImageFromRunPaths(const Array& paths, Size contextSize,
                                                            const AffineTransform& pageTransform, double imageDPI,
                                                            bool needClip, Rect* clipRect);
  // The largest bitmap CreateImageFromRunPaths makes, in pixels.
  static constexpr double kMaxRasterPixels = 25e6;
  // The resolution CreateImageFromRunPaths paints a page of `contextSize`
  // points at when asked for `imageDPI`: lowered so that the page bitmap
  // holds at most kMaxRasterPixels.
  static double RasterDPIForContextSize(Size contextSize, double imageDPI);

  // The path drawn through the picture's image used as a mask, as a new PNG
  // file; nothing when it cannot be made. With `applyRunImage` the picture
  // takes the masked file's placement.
  static std::optional<std::string> RunPathSmaskWithRunImage(const VQDocxRunPath& path, VQDocxRunImage& image,
                                                             const AffineTransform& transform, bool applyRunImage);

 protected:
  VQDocxRunPath(const VQDocxRunPath&) = default;
  VQDocxRunPath& operator=(const VQDocxRunPath&) = default;
  std::shared_ptr<VQDocxObject> cloneObject() const override;

  // The last border style worked out for this path as a table rule (Part
  // 5.125); 0 at first.
  int32_t borderStyle_ = 0;

 private:
  // Takes the union box of `group` as this path's box and frame (the path
  // that stands for a merged group); answers its record.
  VQDocxPathInfo& spreadOver(const Array& group);

  std::shared_ptr<VQDocxPathInfo> pictInfo_;
  Rect boundingBox_ = RectZero;
  Path runCGPath_;
  std::optional<Path> tempCGPath_;
  std::vector<Path> subCGPaths_;
  bool isHaveCurve_ = false;
  int64_t pathPointCount_ = 0;
  std::optional<std::vector<Point>> runLinePointArray_;
  int32_t runLineType_ = VQDocxRunLineTypeNone;
};

}  // namespace vq
