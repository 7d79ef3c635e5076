#include <gtest/gtest.h>

#include "platform/graphics/VQPath.h"

using namespace vq;

TEST(Path, ElementsCarryTheirPoints) {
  Path p;
  p.moveTo(1, 2);
  p.lineTo(3, 4);
  p.quadCurveTo({5, 6}, {7, 8});
  p.curveTo({9, 10}, {11, 12}, {13, 14});
  p.closeSubpath();
  ASSERT_EQ(5u, p.elementCount());
  const PathElementType types[] = {PathElementType::MoveToPoint, PathElementType::AddLineToPoint,
                                   PathElementType::AddQuadCurveToPoint, PathElementType::AddCurveToPoint,
                                   PathElementType::CloseSubpath};
  const int counts[] = {1, 1, 2, 3, 0};
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(types[i], p.elements()[i].type);
    EXPECT_EQ(counts[i], p.elements()[i].pointCount());
  }
  EXPECT_EQ((Point{13, 14}), p.elements()[3].endPoint());
  EXPECT_EQ((Point{1, 2}), p.currentPoint()) << "close returns to the subpath's start";
  EXPECT_FALSE(p.isEmpty());
  EXPECT_TRUE(p.containsCurves());
}

TEST(Path, LineWithoutCurrentPointStartsASubpath) {
  Path p;
  p.closeSubpath();
  EXPECT_TRUE(p.isEmpty());
  p.lineTo(5, 5);
  ASSERT_EQ(2u, p.elementCount());
  EXPECT_EQ(PathElementType::MoveToPoint, p.elements()[0].type);
}

TEST(Path, BoundingBoxesTightAndWithControlPoints) {
  struct Case {
    const char* what;
    Path path;
    Rect tight;
    Rect control;
  };
  Path cubic;
  cubic.moveTo(0, 0);
  cubic.curveTo({0, 100}, {100, 100}, {100, 0});
  Path quad;
  quad.moveTo(0, 0);
  quad.quadCurveTo({50, 100}, {100, 0});
  Path ellipse;
  ellipse.addEllipseInRect(RectMake(10, 20, 40, 60));
  Path lines;
  lines.addLines({{5, 5}, {-5, 15}, {20, 0}});
  const Case cases[] = {
      {"cubic arch", cubic, RectMake(0, 0, 100, 75), RectMake(0, 0, 100, 100)},
      {"quadratic arch", quad, RectMake(0, 0, 100, 50), RectMake(0, 0, 100, 100)},
      {"ellipse", ellipse, RectMake(10, 20, 40, 60), RectMake(10, 20, 40, 60)},
      {"polyline", lines, RectMake(-5, 0, 25, 15), RectMake(-5, 0, 25, 15)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Rect t = c.path.boundingBox(), b = c.path.boundingBoxOfPath();
    EXPECT_NEAR(c.tight.origin.x, t.origin.x, 1e-9);
    EXPECT_NEAR(c.tight.origin.y, t.origin.y, 1e-9);
    EXPECT_NEAR(c.tight.size.width, t.size.width, 1e-9);
    EXPECT_NEAR(c.tight.size.height, t.size.height, 1e-9);
    EXPECT_EQ(c.control, b);
  }
  EXPECT_TRUE(RectIsNull(Path().boundingBox()));
  EXPECT_TRUE(RectIsNull(Path().boundingBoxOfPath()));
}

TEST(Path, EllipseIsFourCubics) {
  Path p;
  p.addEllipseInRect(RectMake(0, 0, 20, 10));
  ASSERT_EQ(6u, p.elementCount());
  EXPECT_EQ((Point{20, 5}), p.elements()[0].points[0]);
  for (int i = 1; i <= 4; ++i) EXPECT_EQ(PathElementType::AddCurveToPoint, p.elements()[i].type);
  EXPECT_EQ(PathElementType::CloseSubpath, p.elements()[5].type);
}

TEST(Path, IsRect) {
  Path fromRect;
  fromRect.addRect(RectMake(10, 20, 30, 40));
  Path backToStart;
  backToStart.addLines({{0, 0}, {0, 5}, {8, 5}, {8, 0}, {0, 0}});
  Path open;
  open.addLines({{0, 0}, {8, 0}, {8, 5}, {0, 5}});
  Path diamond;
  diamond.addLines({{0, 5}, {5, 0}, {10, 5}, {5, 10}});
  diamond.closeSubpath();
  Path triangle;
  triangle.addLines({{0, 0}, {8, 0}, {8, 5}});
  triangle.closeSubpath();
  Path twoRects = fromRect;
  twoRects.addRect(RectMake(0, 0, 1, 1));
  struct Case {
    const char* what;
    const Path& path;
    bool expected;
    Rect rect;
  } cases[] = {
      {"addRect", fromRect, true, RectMake(10, 20, 30, 40)},
      {"four lines back to start", backToStart, true, RectMake(0, 0, 8, 5)},
      {"three lines unclosed", open, true, RectMake(0, 0, 8, 5)},
      {"diamond", diamond, false, {}},
      {"triangle", triangle, false, {}},
      {"two rectangles", twoRects, false, {}},
  };
  for (const Case& c : cases) {
    Rect r;
    EXPECT_EQ(c.expected, c.path.isRect(&r)) << c.what;
    if (c.expected) {
      EXPECT_EQ(c.rect, r) << c.what;
    }
  }
}

TEST(Path, TransformedCopyAndEquality) {
  Path p;
  p.moveTo(1, 1);
  p.quadCurveTo({2, 2}, {3, 1});
  p.closeSubpath();
  const Path q = p.transformed(AffineTransformMakeScale(2, -1));
  EXPECT_EQ((Point{4, -2}), q.elements()[1].points[0]);
  EXPECT_EQ((Point{6, -1}), q.elements()[1].points[1]);
  EXPECT_FALSE(p == q);
  EXPECT_TRUE(p == p.transformed(AffineTransformIdentity));
  Path combined;
  combined.addPath(p, AffineTransformMakeTranslation(1, 0));
  EXPECT_EQ((Point{2, 1}), combined.currentPoint());
}
