#include <gtest/gtest.h>

#include <numbers>

#include "platform/graphics/VQGeometry.h"

using namespace vq;

namespace {

void expectRect(const Rect& expected, const Rect& actual, const char* what) {
  SCOPED_TRACE(what);
  if (RectIsNull(expected)) {
    EXPECT_TRUE(RectIsNull(actual));
    return;
  }
  EXPECT_NEAR(expected.origin.x, actual.origin.x, 1e-9);
  EXPECT_NEAR(expected.origin.y, actual.origin.y, 1e-9);
  EXPECT_NEAR(expected.size.width, actual.size.width, 1e-9);
  EXPECT_NEAR(expected.size.height, actual.size.height, 1e-9);
}

void expectPoint(const Point& expected, const Point& actual, const char* what) {
  SCOPED_TRACE(what);
  EXPECT_NEAR(expected.x, actual.x, 1e-9);
  EXPECT_NEAR(expected.y, actual.y, 1e-9);
}

}  // namespace

TEST(Geometry, NullAndInfiniteRectangles) {
  EXPECT_TRUE(RectIsNull(RectNull));
  EXPECT_FALSE(RectIsNull(RectZero));
  EXPECT_TRUE(RectIsEmpty(RectNull));
  EXPECT_TRUE(RectIsEmpty(RectMake(3, 3, 0, 5)));
  EXPECT_FALSE(RectIsEmpty(RectMake(3, 3, -1, 5)));
  EXPECT_TRUE(RectIsInfinite(RectInfinite));
  EXPECT_TRUE(RectContainsPoint(RectInfinite, {1e300, -1e300}));
  EXPECT_FALSE(RectContainsPoint(RectNull, {0, 0}));
  EXPECT_TRUE(RectEqualToRect(RectMake(10, 10, -5, -5), RectMake(5, 5, 5, 5)));
}

TEST(Geometry, StandardizeAndEdges) {
  const Rect r = RectMake(10, 20, -4, -6);
  expectRect(RectMake(6, 14, 4, 6), RectStandardize(r), "standardize");
  EXPECT_EQ(6, RectGetMinX(r));
  EXPECT_EQ(8, RectGetMidX(r));
  EXPECT_EQ(10, RectGetMaxX(r));
  EXPECT_EQ(14, RectGetMinY(r));
  EXPECT_EQ(17, RectGetMidY(r));
  EXPECT_EQ(20, RectGetMaxY(r));
  EXPECT_EQ(4, RectGetWidth(r));
  EXPECT_EQ(6, RectGetHeight(r));
  EXPECT_TRUE(RectIsNull(RectStandardize(RectNull)));
}

TEST(Geometry, RectangleOperations) {
  const Rect a = RectMake(0, 0, 10, 10);
  struct Case {
    const char* what;
    Rect expected;
    Rect actual;
  } cases[] = {
      {"integral", RectMake(0, 1, 3, 4), RectIntegral(RectMake(0.5, 1.2, 2.1, 3.3))},
      {"integral negative", RectMake(-1, -1, 2, 2), RectIntegral(RectMake(-0.5, -0.5, 1, 1))},
      {"integral of standardised", RectMake(1, 1, 3, 3), RectIntegral(RectMake(3.5, 3.5, -2.2, -2.2))},
      {"integral null", RectNull, RectIntegral(RectNull)},
      {"union null left", a, RectUnion(RectNull, a)},
      {"union null right", a, RectUnion(a, RectNull)},
      {"union", RectMake(-5, 0, 15, 20), RectUnion(a, RectMake(-5, 10, 2, 10))},
      {"union negative size", RectMake(0, 0, 20, 10), RectUnion(a, RectMake(20, 10, -5, -5))},
      {"intersection", RectMake(5, 5, 5, 5), RectIntersection(a, RectMake(5, 5, 10, 10))},
      {"touching gives zero width", RectMake(10, 2, 0, 3), RectIntersection(a, RectMake(10, 2, 5, 3))},
      {"disjoint gives null", RectNull, RectIntersection(a, RectMake(11, 0, 5, 5))},
      {"intersection with null", RectNull, RectIntersection(RectNull, a)},
      {"intersection with infinite", a, RectIntersection(RectInfinite, a)},
      {"inset", RectMake(2, 3, 6, 4), RectInset(a, 2, 3)},
      {"outset", RectMake(-1, -1, 12, 12), RectInset(a, -1, -1)},
      {"inset past zero", RectNull, RectInset(a, 6, 1)},
      {"offset", RectMake(3, -2, 10, 10), RectOffset(a, 3, -2)},
      {"offset null", RectNull, RectOffset(RectNull, 3, -2)},
  };
  for (const Case& c : cases) expectRect(c.expected, c.actual, c.what);
}

TEST(Geometry, ContainmentAndIntersectionTests) {
  const Rect a = RectMake(0, 0, 10, 10);
  struct Case {
    const char* what;
    bool expected;
    bool actual;
  } cases[] = {
      {"min corner inside", true, RectContainsPoint(a, {0, 0})},
      {"max x edge outside", false, RectContainsPoint(a, {10, 5})},
      {"max y edge outside", false, RectContainsPoint(a, {5, 10})},
      {"negative size rect", true, RectContainsPoint(RectMake(10, 10, -10, -10), {0, 0})},
      {"contains itself", true, RectContainsRect(a, a)},
      {"contains inner", true, RectContainsRect(a, RectMake(2, 2, 8, 8))},
      {"does not contain overlapping", false, RectContainsRect(a, RectMake(2, 2, 9, 8))},
      {"null contains nothing", false, RectContainsRect(RectNull, RectZero)},
      {"contains null", true, RectContainsRect(a, RectNull)},
      {"touching intersects", true, RectIntersectsRect(a, RectMake(10, 0, 5, 5))},
      {"disjoint does not", false, RectIntersectsRect(a, RectMake(10.5, 0, 5, 5))},
      {"null intersects nothing", false, RectIntersectsRect(RectNull, a)},
  };
  for (const Case& c : cases) EXPECT_EQ(c.expected, c.actual) << c.what;
}

TEST(Geometry, TransformsPrependAndConcatInOrder) {
  const double halfPi = std::numbers::pi / 2;
  const AffineTransform translate = AffineTransformMakeTranslation(10, 0);
  struct Case {
    const char* what;
    AffineTransform t;
    Point in;
    Point out;
  } cases[] = {
      {"translation", translate, {1, 1}, {11, 1}},
      {"scale", AffineTransformMakeScale(2, 3), {1, 1}, {2, 3}},
      {"rotation is counter-clockwise", AffineTransformMakeRotation(halfPi), {1, 0}, {0, 1}},
      // The new operation acts first: scale, then the existing translation.
      {"scale prepends", AffineTransformScale(translate, 2, 2), {1, 1}, {12, 2}},
      {"rotate prepends", AffineTransformRotate(translate, halfPi), {1, 0}, {10, 1}},
      {"translate prepends", AffineTransformTranslate(AffineTransformMakeScale(2, 2), 1, 0), {0, 0}, {2, 0}},
      // Concat(t1, t2) applies t1 first.
      {"concat order", AffineTransformConcat(translate, AffineTransformMakeScale(2, 2)), {1, 1}, {22, 2}},
      {"invert",
       AffineTransformInvert(AffineTransformMake(2, 1, -1, 3, 5, -7)),
       PointApplyAffineTransform({4, 9}, AffineTransformMake(2, 1, -1, 3, 5, -7)),
       {4, 9}},
  };
  for (const Case& c : cases) expectPoint(c.out, PointApplyAffineTransform(c.in, c.t), c.what);

  const AffineTransform singular = AffineTransformMake(1, 2, 2, 4, 3, 3);
  EXPECT_EQ(singular, AffineTransformInvert(singular));
  EXPECT_TRUE(AffineTransformIsIdentity(AffineTransformIdentity));
  EXPECT_FALSE(AffineTransformIsIdentity(translate));
  // Sizes are vectors: no translation.
  const Size s = SizeApplyAffineTransform({2, 3}, AffineTransformMake(1, 0, 1, -1, 50, 50));
  EXPECT_EQ(5, s.width);
  EXPECT_EQ(-3, s.height);
}

TEST(Geometry, RectThroughTransformIsBoundingBoxOfCorners) {
  struct Case {
    const char* what;
    Rect in;
    AffineTransform t;
    Rect out;
  } cases[] = {
      {"quarter turn", RectMake(0, 0, 10, 20), AffineTransformMakeRotation(std::numbers::pi / 2),
       RectMake(-20, 0, 20, 10)},
      {"eighth turn", RectMake(0, 0, 1, 1), AffineTransformMakeRotation(std::numbers::pi / 4),
       RectMake(-std::sqrt(0.5), 0, 2 * std::sqrt(0.5), 2 * std::sqrt(0.5))},
      {"flip", RectMake(0, 10, 5, 5), AffineTransformMake(1, 0, 0, -1, 0, 100), RectMake(0, 85, 5, 5)},
      {"null stays null", RectNull, AffineTransformMakeScale(2, 2), RectNull},
  };
  for (const Case& c : cases) expectRect(c.out, RectApplyAffineTransform(c.in, c.t), c.what);
}
