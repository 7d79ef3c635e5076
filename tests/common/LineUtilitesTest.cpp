#include <gtest/gtest.h>

#include <numbers>

#include "common/VQLineUtilites.h"

using namespace vq;
using L = VQLineUtilites;

TEST(LineUtilites, LineTestsUseOnePointTolerance) {
  struct Case {
    Point p1, p2;
    bool vertical, horizontal, rightAngle;
  } cases[] = {
      {{10, 10}, {10.5, 200}, true, false, true},
      {{10, 10}, {10.5, 10.7}, false, false, true},  // too short to be either
      {{0, 0}, {100, 0.9}, false, true, true},
      {{0, 0}, {100, 1}, false, false, false},
      {{5, 5}, {5, 5}, false, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.p1.x << "," << c.p1.y << " - " << c.p2.x << "," << c.p2.y);
    EXPECT_EQ(c.vertical, L::IsVerticalLineP1(c.p1, c.p2));
    EXPECT_EQ(c.horizontal, L::IsHorizontalLineP1(c.p1, c.p2));
    EXPECT_EQ(c.rightAngle, L::IsRightAngleLineP1(c.p1, c.p2));
    EXPECT_EQ(c.rightAngle, isHVLine(c.p1, c.p2));
  }
}

TEST(LineUtilites, PathToPoints) {
  Path curved;
  curved.moveTo(0, 0);
  curved.lineTo(10, 0);
  curved.curveTo({10, 5}, {5, 10}, {0, 10});
  curved.closeSubpath();
  EXPECT_EQ(5u, L::NSArrayFromCGPath(curved).size());
  EXPECT_FALSE(L::NSArrayFromCGPath_NoCurve(curved));

  Path ell = L::CGPathFromLinePointArray({{0, 0}, {0, 50}, {30, 50.5}});
  ell.closeSubpath();
  auto points = L::NSArrayFromCGPath_NoCurve(ell);
  ASSERT_TRUE(points);
  EXPECT_EQ((std::vector<Point>{{0, 0}, {0, 50}, {30, 50.5}}), *points);

  Path diagonal = L::CGPathFromLinePointArray({{0, 0}, {10, 10}});
  Path single = L::CGPathFromLinePointArray({{3, 3}});
  EXPECT_FALSE(L::NSArrayFromCGPath_NoCurve(diagonal));
  EXPECT_FALSE(L::NSArrayFromCGPath_NoCurve(single));
  EXPECT_TRUE(L::CGPathFromLinePointArray({}).isEmpty());
}

TEST(LineUtilites, LineWidthThroughTransform) {
  struct Case {
    double width;
    AffineTransform t;
    double expected;
  } cases[] = {
      {1, AffineTransformIdentity, 1},
      {1, AffineTransformMakeScale(0.01, 0.01), static_cast<double>(0.1f)},
      {1, AffineTransformMakeScale(2, 4), 3},
      {2, AffineTransformMake(0, 1, -1, 0, 0, 0), 2},
      {0, AffineTransformIdentity, static_cast<double>(0.1f)},
  };
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(c.expected, L::LineWidthApplyTransform(c.width, c.t));
}

TEST(LineUtilites, QuadrilateralShapes) {
  using Pts = std::vector<Point>;
  const Pts bar = {{0, 0}, {100, 0}, {100, 2}, {0, 2}};
  const Pts tallBar = {{0, 0}, {0, 100}, {7, 100}, {7, 0}, {0, 0}};
  const Pts diamond = {{0, 5}, {5, 0}, {10, 5}, {5, 10}};
  const Pts trapezoid = {{0, 0}, {10, 0}, {8, 5}, {2, 5}};
  const Pts repeated = {{0, 0}, {0, 0}, {100, 2}, {0, 2}};
  const Pts three = {{0, 0}, {100, 0}, {100, 2}};
  const Pts square = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  struct Case {
    const char* what;
    const Pts& pts;
    bool rect, horizontalRect, parallel, likeLineDefault;
  } cases[] = {
      {"thin bar", bar, true, true, true, true},
      {"tall bar closed", tallBar, true, true, true, false},  // 7 wide: not below 6
      {"diamond", diamond, true, false, false, false},
      {"trapezoid", trapezoid, false, false, true, false},
      {"repeated corner", repeated, false, false, true, true},
      {"three points", three, false, false, false, false},
      {"square", square, true, true, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(c.rect, L::IsRectange(c.pts));
    EXPECT_EQ(c.horizontalRect, L::IsHorizontalRectange(c.pts));
    EXPECT_EQ(c.parallel, L::IsQuadrilateral2LinesParallel(c.pts));
    EXPECT_EQ(c.likeLineDefault, L::IsQuadrilateralLikeLine(c.pts, 0));
  }
  EXPECT_TRUE(L::IsQuadrilateralLikeLine(tallBar, 8));
}

TEST(LineUtilites, ThinRectangleToCentreLine) {
  struct Case {
    std::vector<Point> pts;
    std::vector<Point> line;
    double width;
  } cases[] = {
      {{{0, 0}, {100, 0}, {100, 2}, {0, 2}}, {{0, 1}, {100, 1}}, 2},
      {{{0, 0}, {2, 0}, {2, 100}, {0, 100}, {0, 0}}, {{1, 0}, {1, 100}}, 2},
  };
  for (const Case& c : cases) {
    double width = -1;
    auto line = L::ConvertRectangeToLine(c.pts, &width);
    ASSERT_TRUE(line);
    EXPECT_EQ(c.line, *line);
    EXPECT_EQ(c.width, width);
  }
  double width = -1;
  EXPECT_FALSE(L::ConvertRectangeToLine({{0, 0}, {1, 0}, {1, 1}}, &width));
  EXPECT_EQ(-1, width);
}

TEST(LineUtilites, RightAngleJudgement) {
  struct Case {
    Point p1, p2, p3;
    int expected;
  } cases[] = {
      {{0, 0}, {3, 0}, {0, 4}, 1},
      {{3, 0}, {0, 0}, {0, 4}, 2},
      {{3, 0}, {0, 4}, {0, 0}, 3},
      {{0, 0}, {3, 1}, {0, 4}, 0},
  };
  int counter = 0;
  for (const Case& c : cases) EXPECT_EQ(c.expected, JudgeIsRightAngle(c.p1, c.p2, c.p3, &counter));
  EXPECT_EQ(3, counter);
  EXPECT_EQ(1, JudgeIsRightAngle({0, 0}, {3, 0}, {0, 4}, nullptr));
  EXPECT_FLOAT_EQ(5.0f, PointsDistance({0, 0}, {3, 4}));
}

TEST(LineUtilites, PointOnSegmentWithTolerance) {
  const Point a{0, 0}, b{100, 0};
  struct Case {
    const char* what;
    Point p;
    double tolerance;
    bool expected;
  } cases[] = {
      {"inside", {50, 0}, 0, true},
      {"just off the line", {50, 0.5}, 0, true},
      {"beyond a within tolerance", {-10, 0}, 15.1, true},
      {"beyond b within tolerance", {112, 0}, 15.1, true},
      {"beyond b too far", {120, 0}, 15.1, false},
      {"far off the line", {50, 20}, 15.1, false},
  };
  for (const Case& c : cases) EXPECT_EQ(c.expected, IsAlmostPointOnRange(c.p, a, b, c.tolerance)) << c.what;
  EXPECT_TRUE(IsEqualRect(0.5, RectMake(0, 0, 10, 10), RectMake(0.5, -0.5, 10.5, 9.5)));
  EXPECT_FALSE(IsEqualRect(RectMake(0, 0, 10, 10), RectMake(0, 0, 10, 10.6), 0.5));
}

TEST(LineUtilites, ParallelOverlap) {
  struct Case {
    const char* what;
    Point p1, p2, p3, p4;
    double distance;
    float expected;
  } cases[] = {
      {"vertical neighbours", {10, 0}, {10, 100}, {12, 50}, {12, 150}, 3, 50},
      {"reversed ends", {10, 100}, {10, 0}, {12, 150}, {12, 50}, 3, 50},
      {"horizontal", {0, 5}, {40, 5}, {30, 6}, {90, 6}, 3, 10},
      {"too far apart", {10, 0}, {10, 100}, {14, 50}, {14, 150}, 3, 0},
      {"no overlap", {10, 0}, {10, 40}, {11, 50}, {11, 150}, 3, 0},
      {"not parallel", {10, 0}, {10, 100}, {0, 50}, {20, 50}, 30, 0},
  };
  for (const Case& c : cases)
    EXPECT_FLOAT_EQ(c.expected, ParallelLineOverlapLength(c.p1, c.p2, c.p3, c.p4, c.distance)) << c.what;
  EXPECT_FLOAT_EQ(3, OverlapeOfLine(5, 0, 2, 9));
  EXPECT_FLOAT_EQ(0, OverlapeOfLine(0, 1, 2, 3));
}
