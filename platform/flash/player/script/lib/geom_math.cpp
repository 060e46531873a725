#include "platform/flash/player/script/lib/geom_math.h"

#include <cmath>

#include "platform/flash/player/script/lib/number_text.h"

namespace flash::scriptlib {

namespace {

// The first comparison of a chain that does not hold, as script `&&` over comparisons answers.
// Each pair is (left, right) of a "left <= right" or "left < right" test.
struct Test {
  double left, right;
  bool strict;
};

std::optional<bool> Chain(std::initializer_list<Test> tests) {
  for (const Test& t : tests) {
    if (std::isnan(t.left) || std::isnan(t.right)) return std::nullopt;
    if (t.strict ? !(t.left < t.right) : !(t.left <= t.right)) return false;
  }
  return true;
}

}  // namespace

GeomMatrix MatrixConcat(const GeomMatrix& m, const GeomMatrix& n) {
  return {m.a * n.a + m.b * n.c, m.a * n.b + m.b * n.d,          m.c * n.a + m.d * n.c,
          m.c * n.b + m.d * n.d, m.tx * n.a + m.ty * n.c + n.tx, m.tx * n.b + m.ty * n.d + n.ty};
}

GeomMatrix MatrixInvert(const GeomMatrix& m) {
  double det = m.a * m.d - m.b * m.c;
  return {m.d / det,
          -m.b / det,
          -m.c / det,
          m.a / det,
          (m.c * m.ty - m.d * m.tx) / det,
          (m.b * m.tx - m.a * m.ty) / det};
}

GeomMatrix MatrixRotate(const GeomMatrix& m, double angle) {
  double cs = std::cos(angle), sn = std::sin(angle);
  return MatrixConcat(m, {cs, sn, -sn, cs, 0, 0});
}

GeomMatrix MatrixScale(const GeomMatrix& m, double sx, double sy) {
  return MatrixConcat(m, {sx, 0, 0, sy, 0, 0});
}

GeomMatrix MatrixTranslate(const GeomMatrix& m, double dx, double dy) {
  GeomMatrix r = m;
  r.tx += dx;
  r.ty += dy;
  return r;
}

GeomMatrix MatrixCreateBox(double scaleX, double scaleY, double rotation, double tx, double ty) {
  double cs = std::cos(rotation), sn = std::sin(rotation);
  return {scaleX * cs, scaleY * sn, -scaleX * sn, scaleY * cs, tx, ty};
}

GeomMatrix MatrixCreateGradientBox(double width, double height, double rotation, double tx,
                                   double ty) {
  return MatrixCreateBox(width / 1638.4, height / 1638.4, rotation, tx + width / 2,
                         ty + height / 2);
}

GeomPoint MatrixTransformPoint(const GeomMatrix& m, const GeomPoint& p) {
  return {m.a * p.x + m.c * p.y + m.tx, m.b * p.x + m.d * p.y + m.ty};
}

GeomPoint MatrixDeltaTransformPoint(const GeomMatrix& m, const GeomPoint& p) {
  return {m.a * p.x + m.c * p.y, m.b * p.x + m.d * p.y};
}

double PointLength(const GeomPoint& p) { return std::sqrt(p.x * p.x + p.y * p.y); }

double PointDistance(const GeomPoint& p, const GeomPoint& q) {
  return PointLength({p.x - q.x, p.y - q.y});
}

GeomPoint PointInterpolate(const GeomPoint& p1, const GeomPoint& p2, double f) {
  return {p2.x + f * (p1.x - p2.x), p2.y + f * (p1.y - p2.y)};
}

GeomPoint PointPolar(double length, double angle) {
  return {length * std::cos(angle), length * std::sin(angle)};
}

GeomPoint PointNormalize(const GeomPoint& p, double length) {
  double current = PointLength(p);
  if (current == 0) return p;
  return {p.x * length / current, p.y * length / current};
}

bool RectIsEmpty(const GeomRect& r) { return !(r.width > 0 && r.height > 0); }

GeomRect RectUnion(const GeomRect& r, const GeomRect& s) {
  auto lower = [](double a, double b) {
    return std::isnan(a) || std::isnan(b) ? NAN : std::fmin(a, b);
  };
  auto upper = [](double a, double b) {
    return std::isnan(a) || std::isnan(b) ? NAN : std::fmax(a, b);
  };
  double left = lower(r.x, s.x), top = lower(r.y, s.y);
  double right = upper(r.x + r.width, s.x + s.width),
         bottom = upper(r.y + r.height, s.y + s.height);
  return {left, top, right - left, bottom - top};
}

GeomRect RectIntersection(const GeomRect& r, const GeomRect& s) {
  double left = std::fmax(r.x, s.x), top = std::fmax(r.y, s.y);
  double right = std::fmin(r.x + r.width, s.x + s.width),
         bottom = std::fmin(r.y + r.height, s.y + s.height);
  bool any = !std::isnan(r.x + r.y + r.width + r.height + s.x + s.y + s.width + s.height);
  if (!any || !(right > left && bottom > top)) return {};
  return {left, top, right - left, bottom - top};
}

bool RectIntersects(const GeomRect& r, const GeomRect& s) {
  return !RectIsEmpty(RectIntersection(r, s));
}

std::optional<bool> RectContains(const GeomRect& r, double x, double y) {
  return Chain(
      {{r.x, x, false}, {x, r.x + r.width, true}, {r.y, y, false}, {y, r.y + r.height, true}});
}

std::optional<bool> RectContainsRect(const GeomRect& r, const GeomRect& s) {
  return Chain({{r.x, s.x, false},
                {r.y, s.y, false},
                {s.x + s.width, r.x + r.width, false},
                {s.y + s.height, r.y + r.height, false}});
}

GeomRect RectInflate(const GeomRect& r, double dx, double dy) {
  return {r.x - dx, r.y - dy, r.width + 2 * dx, r.height + 2 * dy};
}

GeomColorTransform ColorTransformConcat(const GeomColorTransform& t,
                                        const GeomColorTransform& second) {
  GeomColorTransform r;
  r.redMultiplier = t.redMultiplier * second.redMultiplier;
  r.greenMultiplier = t.greenMultiplier * second.greenMultiplier;
  r.blueMultiplier = t.blueMultiplier * second.blueMultiplier;
  r.alphaMultiplier = t.alphaMultiplier * second.alphaMultiplier;
  r.redOffset = t.redOffset * second.redMultiplier + second.redOffset;
  r.greenOffset = t.greenOffset * second.greenMultiplier + second.greenOffset;
  r.blueOffset = t.blueOffset * second.blueMultiplier + second.blueOffset;
  r.alphaOffset = t.alphaOffset * second.alphaMultiplier + second.alphaOffset;
  return r;
}

uint32_t ColorTransformRgb(const GeomColorTransform& t) {
  auto channel = [](double v) { return ToUint32(v) & 0xFF; };
  return (channel(t.redOffset) << 16) | (channel(t.greenOffset) << 8) | channel(t.blueOffset);
}

GeomColorTransform ColorTransformWithRgb(const GeomColorTransform& t, uint32_t rgb) {
  GeomColorTransform r = t;
  r.redMultiplier = r.greenMultiplier = r.blueMultiplier = 0;
  r.redOffset = (rgb >> 16) & 0xFF;
  r.greenOffset = (rgb >> 8) & 0xFF;
  r.blueOffset = rgb & 0xFF;
  return r;
}

}  // namespace flash::scriptlib
