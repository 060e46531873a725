// Matrix, Point, Rectangle and ColorTransform arithmetic, with the values the reference prints.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "platform/flash/player/script/lib/geom_math.h"
#include "platform/flash/player/script/lib/number_text.h"

namespace sl = flash::scriptlib;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

std::string Show(const sl::GeomMatrix& m) {
  auto n = sl::NumberToString;
  return "(a=" + n(m.a) + ", b=" + n(m.b) + ", c=" + n(m.c) + ", d=" + n(m.d) + ", tx=" + n(m.tx) +
         ", ty=" + n(m.ty) + ")";
}

std::string Show(const sl::GeomRect& r) {
  auto n = sl::NumberToString;
  return "(x=" + n(r.x) + ", y=" + n(r.y) + ", w=" + n(r.width) + ", h=" + n(r.height) + ")";
}

std::string Show(std::optional<bool> b) { return b ? (*b ? "true" : "false") : "undefined"; }

TEST(ScriptGeom, MatrixOperations) {
  EXPECT_EQ(Show(sl::MatrixScale({2, 0, 0, 2, 100, 100}, 7, 11)),
            "(a=14, b=0, c=0, d=22, tx=700, ty=1100)");
  EXPECT_EQ(Show(sl::MatrixTranslate({2, 0, 0, 2, 0, 0}, 107, 111)),
            "(a=2, b=0, c=0, d=2, tx=107, ty=111)");
  EXPECT_EQ(Show(sl::MatrixRotate({1, 2, 3, 4, 5, 6}, 0)), "(a=1, b=2, c=3, d=4, tx=5, ty=6)");
  EXPECT_EQ(Show(sl::MatrixInvert({2, 3, 5, 7, 9, 11})), "(a=-7, b=3, c=5, d=-2, tx=8, ty=-5)");
  EXPECT_EQ(Show(sl::MatrixInvert({})), "(a=1, b=0, c=0, d=1, tx=0, ty=0)");
  EXPECT_EQ(Show(sl::MatrixCreateBox(2, 3, kNaN, 0, 0)),
            "(a=NaN, b=NaN, c=NaN, d=NaN, tx=0, ty=0)");
  EXPECT_EQ(Show(sl::MatrixCreateBox(2, 3, 0, 0, 0)), "(a=2, b=0, c=0, d=3, tx=0, ty=0)");
  EXPECT_EQ(Show(sl::MatrixCreateGradientBox(200, 300, 0, 0, 0)),
            "(a=0.1220703125, b=0, c=0, d=0.18310546875, tx=100, ty=150)");
  // Concatenation applies the left matrix first: a translation then a scale scales the offset.
  EXPECT_EQ(Show(sl::MatrixConcat({1, 0, 0, 1, 5, 6}, {2, 0, 0, 3, 1, 1})),
            "(a=2, b=0, c=0, d=3, tx=11, ty=19)");
  sl::GeomMatrix m{2, 3, 5, 7, 11, 13};
  sl::GeomPoint p = sl::MatrixTransformPoint(m, {1, 1});
  EXPECT_EQ(p.x, 18);
  EXPECT_EQ(p.y, 23);
  sl::GeomPoint d = sl::MatrixDeltaTransformPoint(m, {1, 1});
  EXPECT_EQ(d.x, 7);
  EXPECT_EQ(d.y, 10);
  sl::GeomPoint back = sl::MatrixTransformPoint(sl::MatrixInvert(m), p);
  EXPECT_NEAR(back.x, 1, 1e-12);
  EXPECT_NEAR(back.y, 1, 1e-12);
}

TEST(ScriptGeom, Points) {
  EXPECT_EQ(sl::PointDistance({0, 0}, {3, 4}), 5);
  sl::GeomPoint mid = sl::PointInterpolate({10, 20}, {0, 0}, 0.25);
  EXPECT_EQ(mid.x, 2.5);
  EXPECT_EQ(mid.y, 5);
  sl::GeomPoint polar = sl::PointPolar(2, M_PI / 2);
  EXPECT_NEAR(polar.x, 0, 1e-12);
  EXPECT_NEAR(polar.y, 2, 1e-12);
  EXPECT_NEAR(sl::PointLength(sl::PointNormalize({3, 4}, 10)), 10, 1e-12);
  EXPECT_EQ(sl::PointNormalize({0, 0}, 10).x, 0);
}

TEST(ScriptGeom, RectanglesWithOddValues) {
  const sl::GeomRect r{1, 3, 5, 7};
  EXPECT_TRUE(sl::RectIsEmpty({}));
  EXPECT_TRUE(sl::RectIsEmpty({1, 2, 3, 0}));
  EXPECT_FALSE(sl::RectIsEmpty({1, 2, kInf, kInf}));
  EXPECT_TRUE(sl::RectIsEmpty({1, 2, kNaN, kNaN}));
  EXPECT_TRUE(sl::RectIsEmpty({1, 2, -1, -2}));

  EXPECT_EQ(Show(sl::RectContains(r, 1, 2)), "false");
  EXPECT_EQ(Show(sl::RectContains(r, 1, 3)), "true");
  EXPECT_EQ(Show(sl::RectContains(r, 6, 10)), "false");
  EXPECT_EQ(Show(sl::RectContains(r, 5.9, 9.9)), "true");
  EXPECT_EQ(Show(sl::RectContains(r, 4, kNaN)), "undefined");
  EXPECT_EQ(Show(sl::RectContains(r, kNaN, 5)), "undefined");
  EXPECT_EQ(Show(sl::RectContains(r, 0, kNaN)), "false");
  EXPECT_EQ(Show(sl::RectContains(r, 5, kInf)), "false");
  EXPECT_EQ(Show(sl::RectContainsRect(r, {1, 3, 5, 7})), "true");
  EXPECT_EQ(Show(sl::RectContainsRect(r, {0.9, 2.9, 5, 7})), "false");
  EXPECT_EQ(Show(sl::RectContainsRect(r, {1, 3, 5.1, 7.1})), "false");
  EXPECT_EQ(Show(sl::RectContainsRect(r, {2, kNaN, 1, 1})), "undefined");
  EXPECT_EQ(Show(sl::RectContainsRect(r, {5, 5, kNaN, 1})), "undefined");

  EXPECT_EQ(Show(sl::RectIntersection(r, {3, 5, 7, 9})), "(x=3, y=5, w=3, h=5)");
  EXPECT_EQ(Show(sl::RectIntersection(r, {-1, -3, 5, 7})), "(x=1, y=3, w=3, h=1)");
  EXPECT_EQ(Show(sl::RectIntersection(r, {30, 50, 1, 1})), "(x=0, y=0, w=0, h=0)");
  EXPECT_EQ(Show(sl::RectIntersection(r, {kNaN, kNaN, kNaN, kNaN})), "(x=0, y=0, w=0, h=0)");
  EXPECT_TRUE(sl::RectIntersects(r, {-1, -3, 5, 7}));
  EXPECT_FALSE(sl::RectIntersects(r, {6, 3, 1, 1}));  // touching edges do not overlap

  EXPECT_EQ(Show(sl::RectUnion(r, {3, 5, 7, 9})), "(x=1, y=3, w=9, h=11)");
  EXPECT_EQ(Show(sl::RectUnion(r, {-1, -3, 5, 7})), "(x=-1, y=-3, w=7, h=13)");
  EXPECT_EQ(Show(sl::RectUnion(r, {kNaN, kNaN, kNaN, kNaN})), "(x=NaN, y=NaN, w=NaN, h=NaN)");
  EXPECT_EQ(Show(sl::RectUnion(r, {1, 3, 5, kNaN})), "(x=1, y=3, w=5, h=NaN)");
  EXPECT_EQ(Show(sl::RectInflate(r, 1, 2)), "(x=0, y=1, w=7, h=11)");
}

TEST(ScriptGeom, ColorTransforms) {
  sl::GeomColorTransform halve;
  halve.redMultiplier = 0.5;
  halve.redOffset = 10;
  sl::GeomColorTransform shift;
  shift.redMultiplier = 2;
  shift.redOffset = 100;
  // Applying the result to a red of 40 equals applying `halve` (30) and then `shift` (160).
  sl::GeomColorTransform both = sl::ColorTransformConcat(halve, shift);
  EXPECT_EQ(40 * both.redMultiplier + both.redOffset, 160);

  sl::GeomColorTransform solid = sl::ColorTransformWithRgb({}, 0x123456);
  EXPECT_EQ(solid.redMultiplier, 0);
  EXPECT_EQ(solid.alphaMultiplier, 1);
  EXPECT_EQ(solid.greenOffset, 0x34);
  EXPECT_EQ(sl::ColorTransformRgb(solid), 0x123456u);
  sl::GeomColorTransform odd;
  odd.redOffset = 300.7;
  odd.blueOffset = -1;
  EXPECT_EQ(sl::ColorTransformRgb(odd), 0x2C00FFu);
}

}  // namespace
