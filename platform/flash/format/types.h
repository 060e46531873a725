// Plain value types of the movie format, shared by the reader, the player and the renderer.
// Coordinates are in twips (1/20 pixel) unless a name says otherwise.
#pragma once

#include <cmath>
#include <cstdint>
#include <memory>

namespace flash {

// Drawing quality: High draws anti-aliased, Low covers a pixel when its centre is inside.
enum class Quality { Low, High };

struct Rgba {
  uint8_t r = 0, g = 0, b = 0, a = 255;
  bool operator==(const Rgba&) const = default;
};

struct RectTwips {
  int32_t xmin = 0, xmax = 0, ymin = 0, ymax = 0;
  bool operator==(const RectTwips&) const = default;
};

// 2-D affine transform: x' = a*x + c*y + tx, y' = b*x + d*y + ty.
struct Matrix {
  double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;

  Matrix operator*(const Matrix& rhs) const {  // apply rhs first, then this
    return {a * rhs.a + c * rhs.b, b * rhs.a + d * rhs.b,        a * rhs.c + c * rhs.d,
            b * rhs.c + d * rhs.d, a * rhs.tx + c * rhs.ty + tx, b * rhs.tx + d * rhs.ty + ty};
  }
  void Apply(double x, double y, double& ox, double& oy) const {
    ox = a * x + c * y + tx;
    oy = b * x + d * y + ty;
  }
  bool operator==(const Matrix&) const = default;
  // The inverse into `out`; false when the determinant's size is at most `min_det` or not finite.
  bool Invert(Matrix& out, double min_det = 0) const {
    const double det = a * d - b * c;
    if (!(std::fabs(det) > min_det) || !std::isfinite(det)) return false;
    out.a = d / det;
    out.b = -b / det;
    out.c = -c / det;
    out.d = a / det;
    out.tx = -(out.a * tx + out.c * ty);
    out.ty = -(out.b * tx + out.d * ty);
    return true;
  }
};

// Colour transform: channel' = (channel * mult) >> 8 + add, clamped to 0..255 (the multiplier is
// 8.8 fixed point; the product is floored, negative ones too).
struct ColorTransform {
  int16_t r_mult = 256, g_mult = 256, b_mult = 256, a_mult = 256;
  int16_t r_add = 0, g_add = 0, b_add = 0, a_add = 0;

  ColorTransform operator*(const ColorTransform& inner) const;  // this applied after inner
  Rgba Apply(Rgba c) const;
  bool IsIdentity() const {
    return r_mult == 256 && g_mult == 256 && b_mult == 256 && a_mult == 256 && r_add == 0 &&
           g_add == 0 && b_add == 0 && a_add == 0;
  }
  bool operator==(const ColorTransform&) const = default;
};

inline uint8_t ClampChannel(int v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

inline Rgba ColorTransform::Apply(Rgba c) const {
  return {ClampChannel(((c.r * r_mult) >> 8) + r_add), ClampChannel(((c.g * g_mult) >> 8) + g_add),
          ClampChannel(((c.b * b_mult) >> 8) + b_add), ClampChannel(((c.a * a_mult) >> 8) + a_add)};
}

inline ColorTransform ColorTransform::operator*(const ColorTransform& in) const {
  auto clamp16 = [](int v) {
    return static_cast<int16_t>(v < -32768 ? -32768 : v > 32767 ? 32767 : v);
  };
  ColorTransform o;
  o.r_mult = clamp16(r_mult * in.r_mult / 256);
  o.g_mult = clamp16(g_mult * in.g_mult / 256);
  o.b_mult = clamp16(b_mult * in.b_mult / 256);
  o.a_mult = clamp16(a_mult * in.a_mult / 256);
  o.r_add = clamp16(in.r_add * r_mult / 256 + r_add);
  o.g_add = clamp16(in.g_add * g_mult / 256 + g_add);
  o.b_add = clamp16(in.b_add * b_mult / 256 + b_add);
  o.a_add = clamp16(in.a_add * a_mult / 256 + a_add);
  return o;
}

// Base of every character a movie defines (shapes, sprites, bitmaps, morph shapes, fonts, texts,
// buttons, sounds...). The dictionary maps character ids to these.
struct CharacterDef {
  enum class Kind {
    Shape,
    MorphShape,
    Bitmap,
    Sprite,
    Font,
    Text,
    EditText,
    Button,
    Sound,
    Video,
    Other
  };
  explicit CharacterDef(Kind k, uint16_t character_id = 0) : kind(k), id(character_id) {}
  virtual ~CharacterDef() = default;
  Kind kind;
  uint16_t id;
};
using CharacterPtr = std::shared_ptr<const CharacterDef>;

}  // namespace flash
