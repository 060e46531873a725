#include "platform/flash/player/clip_transform.h"

#include <cmath>
#include <limits>

#include "platform/flash/player/action_runner.h"

namespace flash {

namespace {

constexpr double kDegree = M_PI / 180.0;

// Equal, taking NaN as equal to NaN (a scale of infinity leaves NaN in the matrix).
bool Same(double x, double y) { return x == y || (std::isnan(x) && std::isnan(y)); }

// A scale times a cosine or sine that is exactly 0 gives 0, even for an infinite scale.
double Times(double scale, double trig) { return trig == 0 ? 0.0 : scale * trig; }

}  // namespace

ScaleRotation ScaleRotationOfMatrix(const Matrix& m) {
  ScaleRotation sr;
  sr.x_scale = std::hypot(m.a, m.b) * 100.0;
  sr.y_scale = std::hypot(m.c, m.d) * 100.0;
  sr.rotation = std::atan2(m.b, m.a) / kDegree;
  sr.skew = std::atan2(-m.c, m.d) / kDegree - sr.rotation;
  return sr;
}

ScaleRotation ScaleRotationOf(const DisplayObject& obj) {
  const auto& kept = obj.script_scale;
  const Matrix& m = obj.matrix;
  if (kept && Same(kept->a, m.a) && Same(kept->b, m.b) && Same(kept->c, m.c) &&
      Same(kept->d, m.d))
    return {kept->x_scale, kept->y_scale, kept->rotation, kept->skew};
  return ScaleRotationOfMatrix(m);
}

void SetScaleRotation(DisplayObject& obj, const ScaleRotation& sr) {
  const double rx = sr.rotation * kDegree, ry = (sr.rotation + sr.skew) * kDegree;
  const double sx = sr.x_scale / 100.0, sy = sr.y_scale / 100.0;
  Matrix& m = obj.matrix;
  m.a = Times(sx, std::cos(rx));
  m.b = Times(sx, std::sin(rx));
  m.c = -Times(sy, std::sin(ry));
  m.d = Times(sy, std::cos(ry));
  obj.script_scale = DisplayObject::ScriptScale{sr.x_scale, sr.y_scale, sr.rotation, sr.skew,
                                                m.a, m.b, m.c, m.d};
}

double NormalRotation(double degrees) {
  if (!std::isfinite(degrees)) return std::numeric_limits<double>::quiet_NaN();
  double r = std::fmod(degrees, 360.0);
  if (r > 180) r -= 360;
  else if (r < -180) r += 360;
  return r;
}

int32_t StoredInt(double v) {
  if (!(v > -2147483649.0 && v < 2147483648.0)) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

double ParentSize(const DisplayObject& obj, bool width) {
  double x0, y0, x1, y1;
  if (!ParentBounds(obj, x0, y0, x1, y1)) return 0;
  const double twips = width ? x1 - x0 : y1 - y0;
  // Whole twips, cut down; the allowance keeps products such as 0.858 * 4000 from losing one.
  return std::floor(twips + 1e-6) / 20.0;
}

void SetParentSize(DisplayObject& obj, bool width, double pixels) {
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  ClipBounds(obj, x0, y0, x1, y1);
  ScaleRotation sr = ScaleRotationOf(obj);
  const double cos = std::fabs(std::cos(sr.rotation * kDegree));
  const double sin = std::fabs(std::sin(sr.rotation * kDegree));
  const double w = x1 - x0, h = y1 - y0;
  const double turned_w = cos * w + sin * h, turned_h = sin * w + cos * h;
  const double other = ParentSize(obj, !width) * 20.0;
  const double want_w = width ? pixels * 20.0 : other, want_h = width ? other : pixels * 20.0;
  // A flipped side stays flipped. A side with nothing to measure (an empty clip) cannot be
  // scaled to a size: its scale collapses to 0, and what the clip shows later stays flat.
  sr.x_scale = turned_w > 0 ? std::copysign(want_w / turned_w * 100.0, sr.x_scale)
                            : std::copysign(0.0, sr.x_scale);
  sr.y_scale = turned_h > 0 ? std::copysign(want_h / turned_h * 100.0, sr.y_scale)
                            : std::copysign(0.0, sr.y_scale);
  SetScaleRotation(obj, sr);
}

}  // namespace flash
