// Solid, gradient and bitmap paints.
#include "platform/flash/renderer/internal/paint_styles.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/flash/format/bitmap.h"
#include "platform/flash/renderer/internal/blend_wide.h"
#include "platform/flash/renderer/renderer.h"

namespace flash {
namespace {

agg::rgba8 Premultiply(Rgba c) {
  return agg::rgba8(static_cast<uint8_t>((c.r * c.a + 127) / 255),
                    static_cast<uint8_t>((c.g * c.a + 127) / 255),
                    static_cast<uint8_t>((c.b * c.a + 127) / 255), c.a);
}

double SrgbToLinear(double v) {
  v /= 255.0;
  return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

float LinearToSrgb(double v) {
  v = v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
  return static_cast<float>(std::clamp(v * 255.0, 0.0, 255.0));
}

// One channel of a ramp entry mixed in linear light. The mix is kept in whole linear levels (cut
// down), which darkens dark channels. A translucent entry then goes through linear light once more
// premultiplied by its coverage and comes back divided by it: its bright channels come out darker
// the more transparent it is.
float LinearRgbMix(uint8_t x, uint8_t y, double t, double alpha) {
  const double mixed = SrgbToLinear(x) + (SrgbToLinear(y) - SrgbToLinear(x)) * t;
  const double level = std::floor(std::clamp(mixed, 0.0, 1.0) * 255.0 + 1e-9) / 255.0;
  const float srgb = LinearToSrgb(level);
  if (alpha <= 0 || alpha >= 1) return srgb;
  return LinearToSrgb(SrgbToLinear(srgb * alpha) / alpha);
}

}  // namespace

void BuildGradientRamp(const Gradient& g, const ColorTransform& cx, GradientRamp& out) {
  if (g.stops.empty()) {
    out.fill({0, 0, 0, 0});
    return;
  }
  // Gradients have at most fifteen stops; longer lists (from other writers) go to the heap.
  std::array<GradientStop, 16> few;
  std::vector<GradientStop> many;
  GradientStop* stops_data = few.data();
  if (g.stops.size() > few.size()) {
    many = g.stops;
    stops_data = many.data();
  } else {
    std::copy(g.stops.begin(), g.stops.end(), few.begin());
  }
  const std::span<GradientStop> stops(stops_data, g.stops.size());
  for (GradientStop& s : stops) s.color = cx.Apply(s.color);
  bool linear = g.interpolation == InterpolationMode::LinearRgb;
  // The first stop whose ratio is not below r. It never moves back as r grows (the stops before
  // it all lie below r), so the search goes on from where it stopped, even when ratios are out of
  // order.
  size_t i = 0;
  for (int r = 0; r < 256; ++r) {
    while (i < stops.size() && stops[i].ratio < r) ++i;
    // Before the first stop and after the last the end colour holds; a linear-light ramp keeps
    // it in linear levels too.
    const GradientStop& a = stops[i == 0 ? 0 : i - 1];
    const GradientStop& b = stops[i == stops.size() ? i - 1 : i];
    double t = 0;
    if (&a != &b) t = b.ratio == a.ratio ? 1.0 : double(r - a.ratio) / (b.ratio - a.ratio);
    const float alpha = static_cast<float>(a.color.a + (b.color.a - a.color.a) * t);
    auto mix = [&](uint8_t x, uint8_t y) -> float {
      if (linear) return LinearRgbMix(x, y, t, alpha / 255.0);
      return static_cast<float>(x + (y - x) * t);
    };
    out[static_cast<size_t>(r)] = {mix(a.color.r, b.color.r), mix(a.color.g, b.color.g),
                                   mix(a.color.b, b.color.b), alpha};
  }
}

// The colour at position t; inlined into the gradient loops, which call it per pixel.
[[gnu::always_inline]] inline agg::rgba8 RampColorAt(const GradientRamp& ramp, double t) {
  // Whole ratio r stands at position (r + 0.5) / 256: the first and last stops own half a step
  // each at the ends, and a point between two entries takes its share of each.
  double p = std::clamp(t * 256.0 - 0.5, 0.0, 255.0);
  int i = std::min(static_cast<int>(p), 254);
  float f = static_cast<float>(p - i);
  const std::array<float, 4>& a = ramp[static_cast<size_t>(i)];
  const std::array<float, 4>& b = ramp[static_cast<size_t>(i) + 1];
  // Channels are cut down, not rounded; the small allowance keeps a whole value a float step
  // short of itself from losing a level.
#if defined(__SSE2__)
  // The same single-precision steps, four channels at once.
  const __m128 va = _mm_loadu_ps(a.data()), vb = _mm_loadu_ps(b.data());
  const __m128 v = _mm_add_ps(_mm_add_ps(va, _mm_mul_ps(_mm_sub_ps(vb, va), _mm_set1_ps(f))),
                              _mm_set1_ps(1.0f / 512));
  alignas(16) int32_t c[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(c), _mm_cvttps_epi32(v));
  const Rgba mixed{static_cast<uint8_t>(c[0]), static_cast<uint8_t>(c[1]),
                   static_cast<uint8_t>(c[2]), static_cast<uint8_t>(c[3])};
#else
  auto mix = [&](int k) { return static_cast<uint8_t>(a[k] + (b[k] - a[k]) * f + 1.0f / 512); };
  const Rgba mixed{mix(0), mix(1), mix(2), mix(3)};
#endif
  // An opaque colour is its own premultiplied form.
  if (mixed.a == 255) return agg::rgba8(mixed.r, mixed.g, mixed.b, 255);
  return Premultiply(mixed);
}

agg::rgba8 RampColor(const GradientRamp& ramp, double t) { return RampColorAt(ramp, t); }

double GradientPosition(FillStyle::Type type, double focal_point, double gx, double gy) {
  switch (type) {
    case FillStyle::Type::LinearGradient: return (gx + 16384.0) / 32768.0;
    case FillStyle::Type::RadialGradient: return std::sqrt(gx * gx + gy * gy) / 16384.0;
    default: {
      // The position is how far the point lies along the ray from the focal point to the
      // circle's edge.
      double f = std::clamp(focal_point, -0.98, 0.98);
      double px = gx / 16384.0, py = gy / 16384.0;
      double dx = px - f, dy = py;
      double dd = dx * dx + dy * dy;
      if (dd < 1e-18) return 0;
      double fd = f * dx;
      double s = (-fd + std::sqrt(fd * fd - dd * (f * f - 1))) / dd;
      return s > 0 ? 1.0 / s : 1.0;
    }
  }
}

// Inlined into the per-pixel loops.
[[gnu::always_inline]] static inline double Fold(SpreadMode mode, double t) {
  switch (mode) {
    case SpreadMode::Repeat: return t - std::floor(t);
    case SpreadMode::Reflect: {
      // |t| - 2 floor(|t| / 2) is exact (the same as fmod) below 2^52, and far cheaper.
      double a = std::fabs(t);
      double p = a < 4503599627370496.0 ? a - 2.0 * std::floor(a * 0.5) : std::fmod(a, 2.0);
      return p > 1 ? 2 - p : p;
    }
    default: return std::clamp(t, 0.0, 1.0);
  }
}

double ApplySpread(SpreadMode mode, double t) { return Fold(mode, t); }

PaintStyle PaintStyle::Solid(Rgba straight) {
  PaintStyle p;
  p.solid = Premultiply(straight);
  return p;
}

PaintStyle PaintStyle::FromFill(const FillStyle& fill, const Matrix& m, const ColorTransform& cx,
                                const CharacterLookup* lookup, bool low_quality) {
  if (fill.type == FillStyle::Type::Solid) return Solid(cx.Apply(fill.color));
  PaintStyle p;
  bool invertible = (m * fill.matrix).Invert(p.inverse_, 1e-12);
  if (fill.IsGradient()) {
    auto ramp = std::make_shared<GradientRamp>();
    BuildGradientRamp(fill.gradient, cx, *ramp);
    if (!invertible) {  // a gradient squeezed to nothing shows its last colour
      p.solid = RampColor(*ramp, 1.0);
      return p;
    }
    // Every kind reads the ramp between its entries.
    if (fill.type == FillStyle::Type::LinearGradient) {
      // The differences the linear mix works with, in single precision as the mix takes them.
      p.slopes_ = std::make_shared<GradientRamp>();
      for (size_t r = 0; r + 1 < ramp->size(); ++r)
        for (size_t k = 0; k < 4; ++k) (*p.slopes_)[r][k] = (*ramp)[r + 1][k] - (*ramp)[r][k];
      (*p.slopes_)[255] = {0, 0, 0, 0};
    }
    p.ramp_ = std::move(ramp);
    p.kind_ = fill.type == FillStyle::Type::LinearGradient   ? Kind::LinearGradient
              : fill.type == FillStyle::Type::RadialGradient ? Kind::RadialGradient
                                                             : Kind::FocalGradient;
    p.spread_ = fill.gradient.spread;
    p.focal_ = fill.type == FillStyle::Type::FocalGradient ? fill.gradient.focal_point : 0;
    return p;
  }
  const CharacterDef* def = lookup ? lookup->Find(fill.bitmap_id) : nullptr;
  const BitmapDef* bmp =
      def && def->kind == CharacterDef::Kind::Bitmap ? static_cast<const BitmapDef*>(def) : nullptr;
  if (!bmp || !invertible) return p;  // nothing to paint: transparent
  std::shared_ptr<const BitmapPixels> pixels = bmp->Pixels();
  if (pixels->width <= 0 || pixels->height <= 0 ||
      pixels->bgra_premultiplied.size() < static_cast<size_t>(pixels->width) * pixels->height * 4)
    return p;
  p.kind_ = Kind::Bitmap;
  p.bitmap_ = std::move(pixels);
  p.smooth_ = fill.IsSmoothedBitmap() && !low_quality;
  p.repeat_ = fill.IsRepeatingBitmap();
  p.cx_ = cx;
  return p;
}

void PaintStyle::Generate(agg::rgba8* span, int x, int y, unsigned len) const {
  switch (kind_) {
    case Kind::Solid: std::fill(span, span + len, solid); break;
    case Kind::Bitmap: GenerateBitmap(span, x, y, len); break;
    default: GenerateGradient(span, x, y, len); break;
  }
}

void PaintStyle::GenerateGradient(agg::rgba8* span, int x, int y, unsigned len) const {
  FillStyle::Type type = kind_ == Kind::LinearGradient   ? FillStyle::Type::LinearGradient
                         : kind_ == Kind::RadialGradient ? FillStyle::Type::RadialGradient
                                                         : FillStyle::Type::FocalGradient;
  double sx = x + 0.5, sy = y + 0.5;
  double gx = inverse_.a * sx + inverse_.c * sy + inverse_.tx;
  double gy = inverse_.b * sx + inverse_.d * sy + inverse_.ty;
  // The common kinds get their own loops; the focal one goes through the general formula.
  if (type == FillStyle::Type::LinearGradient) {
    const GradientRamp& ramp = *ramp_;
    if (inverse_.a == 0) {  // the same position all along the row
      const double t = (gx + 16384.0) * (1.0 / 32768.0);
      std::fill(span, span + len,
                RampColorAt(ramp, spread_ == SpreadMode::Pad ? t : Fold(spread_, t)));
      return;
    }
    unsigned i = 0;
    if (len >= 8 && WideBlendAvailable())
      i = static_cast<unsigned>(WideLinearColors(span, static_cast<int>(len), gx, inverse_.a,
                                                 static_cast<int>(spread_), ramp.front().data(),
                                                 slopes_->front().data()));
    for (; i < len; ++i, gx += inverse_.a) {
      double t = (gx + 16384.0) * (1.0 / 32768.0);
      span[i] = RampColorAt(ramp, spread_ == SpreadMode::Pad ? t : Fold(spread_, t));
    }
    return;
  }
  // Round gradients read the ramp between its entries, as linear ones do.
  const GradientRamp& ramp = *ramp_;
  auto color = [&](double t) {
    return RampColorAt(ramp, spread_ == SpreadMode::Pad ? t : Fold(spread_, t));
  };
  if (type == FillStyle::Type::RadialGradient) {
    unsigned i = 0;
    if (spread_ == SpreadMode::Pad) {
      // Padded radial gradients are the most common non-solid fill: two pixels per step, with
      // the same arithmetic as the general loop below.
      double step_x = inverse_.a, step_y = inverse_.b;
#if defined(__SSE2__)
      const __m128d scale = _mm_set1_pd(1.0 / 16384.0), one = _mm_set1_pd(1.0);
#endif
      if (len >= 4 && WideBlendAvailable()) {
        double pos[64];
        while (i + 4 <= len) {
          int n = WideRadialPositions(pos, static_cast<int>(std::min(len - i, 64u)), gx, gy, step_x,
                                      step_y);
          for (int k = 0; k < n; ++k) span[i + k] = RampColorAt(ramp, pos[k]);
          i += static_cast<unsigned>(n);
        }
      }
      for (; i + 2 <= len; i += 2) {
        double x1 = gx + step_x, y1 = gy + step_y;
        alignas(16) double pos[2];
#if defined(__SSE2__)
        __m128d vx = _mm_set_pd(x1, gx), vy = _mm_set_pd(y1, gy);
        __m128d r =
            _mm_mul_pd(_mm_sqrt_pd(_mm_add_pd(_mm_mul_pd(vx, vx), _mm_mul_pd(vy, vy))), scale);
        _mm_store_pd(pos, _mm_min_pd(r, one));
#else
        pos[0] = std::min(std::sqrt(gx * gx + gy * gy) * (1.0 / 16384.0), 1.0);
        pos[1] = std::min(std::sqrt(x1 * x1 + y1 * y1) * (1.0 / 16384.0), 1.0);
#endif
        span[i] = RampColorAt(ramp, pos[0]);
        span[i + 1] = RampColorAt(ramp, pos[1]);
        gx = x1 + step_x;
        gy = y1 + step_y;
      }
    }
    for (; i < len; ++i, gx += inverse_.a, gy += inverse_.b)
      span[i] = color(std::sqrt(gx * gx + gy * gy) * (1.0 / 16384.0));
  } else {
    unsigned i = 0;
    if (len >= 4 && WideBlendAvailable()) {
      double pos[64];
      while (i + 4 <= len) {
        const int n = WideFocalPositions(pos, static_cast<int>(std::min(len - i, 64u)), gx, gy,
                                         inverse_.a, inverse_.b, std::clamp(focal_, -0.98, 0.98),
                                         static_cast<int>(spread_));
        if (n == 0) break;
        for (int k = 0; k < n; ++k) span[i + k] = RampColorAt(ramp, pos[k]);
        i += static_cast<unsigned>(n);
      }
    }
    for (; i < len; ++i, gx += inverse_.a, gy += inverse_.b)
      span[i] = color(GradientPosition(type, focal_, gx, gy));
  }
}

void PaintStyle::GenerateBitmap(agg::rgba8* span, int x, int y, unsigned len) const {
  const int w = bitmap_->width, h = bitmap_->height;
  const uint8_t* pixels = bitmap_->bgra_premultiplied.data();
  auto wrap = [&](int v, int n) {
    if (repeat_) {
      v %= n;
      return v < 0 ? v + n : v;
    }
    return std::clamp(v, 0, n - 1);
  };
  auto fetch = [&](int px, int py) -> const uint8_t* {
    return pixels + (static_cast<size_t>(wrap(py, h)) * w + wrap(px, w)) * 4;
  };
  bool identity = cx_.IsIdentity();
  double sx = x + 0.5, sy = y + 0.5;
  double u = inverse_.a * sx + inverse_.c * sy + inverse_.tx;
  double v = inverse_.b * sx + inverse_.d * sy + inverse_.ty;
  for (unsigned i = 0; i < len; ++i, u += inverse_.a, v += inverse_.b) {
    uint8_t c[4];
    // Far-away coordinates (huge zoom-outs) are kept within int range before wrapping.
    double cu = std::clamp(u, -1e9, 1e9), cv = std::clamp(v, -1e9, 1e9);
    if (smooth_) {
      double fu = cu - 0.5, fv = cv - 0.5;
      int x0 = static_cast<int>(std::floor(fu)), y0 = static_cast<int>(std::floor(fv));
      unsigned wx = static_cast<unsigned>((fu - x0) * 256),
               wy = static_cast<unsigned>((fv - y0) * 256);
      const uint8_t *p00, *p10, *p01, *p11;
      if (x0 >= 0 && y0 >= 0 && x0 < w - 1 && y0 < h - 1) {
        // Inside: the four pixels need neither wrapping nor clamping.
        p00 = pixels + (static_cast<size_t>(y0) * w + x0) * 4;
        p10 = p00 + 4;
        p01 = p00 + static_cast<size_t>(w) * 4;
        p11 = p01 + 4;
      } else {
        p00 = fetch(x0, y0);
        p10 = fetch(x0 + 1, y0);
        p01 = fetch(x0, y0 + 1);
        p11 = fetch(x0 + 1, y0 + 1);
      }
      for (int k = 0; k < 4; ++k) {
        unsigned top = p00[k] * (256 - wx) + p10[k] * wx;
        unsigned bottom = p01[k] * (256 - wx) + p11[k] * wx;
        c[k] = static_cast<uint8_t>((top * (256 - wy) + bottom * wy + 32768) >> 16);
      }
    } else {
      const int px = static_cast<int>(std::floor(cu)), py = static_cast<int>(std::floor(cv));
      const uint8_t* p = px >= 0 && py >= 0 && px < w && py < h
                             ? pixels + (static_cast<size_t>(py) * w + px) * 4
                             : fetch(px, py);
      c[0] = p[0];
      c[1] = p[1];
      c[2] = p[2];
      c[3] = p[3];
    }
    if (!identity) {
      Rgba straight{0, 0, 0, c[3]};
      if (c[3]) {
        straight.b = static_cast<uint8_t>(std::min(255, c[0] * 255 / c[3]));
        straight.g = static_cast<uint8_t>(std::min(255, c[1] * 255 / c[3]));
        straight.r = static_cast<uint8_t>(std::min(255, c[2] * 255 / c[3]));
      }
      span[i] = Premultiply(cx_.Apply(straight));
    } else {
      span[i] = agg::rgba8(c[2], c[1], c[0], c[3]);
    }
  }
}

}  // namespace flash
