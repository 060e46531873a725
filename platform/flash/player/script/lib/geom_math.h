// The arithmetic of the flash.geom objects (Matrix, Point, Rectangle, ColorTransform) over plain
// numbers. NaN flows through as the script versions do (a missing argument is NaN); where a
// script comparison with NaN gives undefined, the result is std::nullopt.
#pragma once

#include <cstdint>
#include <optional>

namespace flash::scriptlib {

struct GeomMatrix {
  double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;
};

struct GeomPoint {
  double x = 0, y = 0;
};

struct GeomRect {
  double x = 0, y = 0, width = 0, height = 0;
};

// m.concat(n): m followed by n.
GeomMatrix MatrixConcat(const GeomMatrix& m, const GeomMatrix& n);
// m.invert(); a singular matrix divides by zero (infinities and NaN), as the script version does.
GeomMatrix MatrixInvert(const GeomMatrix& m);
// m.rotate(angle), m.scale(sx, sy), m.translate(dx, dy): m followed by that transformation.
GeomMatrix MatrixRotate(const GeomMatrix& m, double angle);
GeomMatrix MatrixScale(const GeomMatrix& m, double sx, double sy);
GeomMatrix MatrixTranslate(const GeomMatrix& m, double dx, double dy);
// createBox(scaleX, scaleY, rotation, tx, ty): scale, then rotate, then translate.
GeomMatrix MatrixCreateBox(double scaleX, double scaleY, double rotation, double tx, double ty);
// createGradientBox(width, height, rotation, tx, ty): the box that maps the 1638.4-unit gradient
// square onto width x height at (tx, ty).
GeomMatrix MatrixCreateGradientBox(double width, double height, double rotation, double tx,
                                   double ty);
GeomPoint MatrixTransformPoint(const GeomMatrix& m, const GeomPoint& p);
GeomPoint MatrixDeltaTransformPoint(const GeomMatrix& m, const GeomPoint& p);

double PointLength(const GeomPoint& p);
double PointDistance(const GeomPoint& p, const GeomPoint& q);
// Point.interpolate(p1, p2, f): p1 at f = 1, p2 at f = 0.
GeomPoint PointInterpolate(const GeomPoint& p1, const GeomPoint& p2, double f);
GeomPoint PointPolar(double length, double angle);
// p.normalize(length): p scaled to that length; a point at the origin stays.
GeomPoint PointNormalize(const GeomPoint& p, double length);

// isEmpty(): no positive width and height (NaN counts as empty).
bool RectIsEmpty(const GeomRect& r);
// union(): the smallest rectangle around both; NaN anywhere makes NaN edges.
GeomRect RectUnion(const GeomRect& r, const GeomRect& s);
// intersection(): the overlap, or (0, 0, 0, 0) when there is none (also for NaN).
GeomRect RectIntersection(const GeomRect& r, const GeomRect& s);
bool RectIntersects(const GeomRect& r, const GeomRect& s);
// contains(x, y): left and top edges inside, right and bottom outside. The four comparisons are
// made in order (x >= left, x < right, y >= top, y < bottom) and the first one that does not
// hold answers: false, or nullopt when it involved NaN.
std::optional<bool> RectContains(const GeomRect& r, double x, double y);
// containsRectangle(s): s.x >= left, s.y >= top, s.right <= right, s.bottom <= bottom, the same
// way.
std::optional<bool> RectContainsRect(const GeomRect& r, const GeomRect& s);
// inflate(dx, dy): each side moved out by dx or dy.
GeomRect RectInflate(const GeomRect& r, double dx, double dy);

struct GeomColorTransform {
  double redMultiplier = 1, greenMultiplier = 1, blueMultiplier = 1, alphaMultiplier = 1;
  double redOffset = 0, greenOffset = 0, blueOffset = 0, alphaOffset = 0;
};

// t.concat(second): applying the result equals applying t and then `second`.
GeomColorTransform ColorTransformConcat(const GeomColorTransform& t,
                                        const GeomColorTransform& second);
// The rgb property: the offsets as 0xRRGGBB (each truncated to 8 bits), and setting it makes a
// solid colour: offsets from the value, multipliers 0 (alpha untouched).
uint32_t ColorTransformRgb(const GeomColorTransform& t);
GeomColorTransform ColorTransformWithRgb(const GeomColorTransform& t, uint32_t rgb);

}  // namespace flash::scriptlib
