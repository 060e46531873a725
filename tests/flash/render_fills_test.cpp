// The fill painter's quick paths against the plain way of working out the same pixels: linear
// gradient spans (eight pixels at a time) against the one-pixel formula, for generated gradients
// with every spread mode, translucent stops, any span length and start; layer rows composited
// eight pixels at a time against the one-pixel blend; masked content composited through masks
// of every cover against the one-pixel formula, in any number of bands.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>
#include <random>
#include <vector>

#include "platform/flash/format/shape.h"
#include "platform/flash/renderer/blend.h"
#include "platform/flash/renderer/internal/gradient_ramp.h"
#include "platform/flash/renderer/renderer.h"

namespace {

using namespace flash;

// A linear gradient of 2..15 stops in random order of ratio, some translucent.
FillStyle RandomLinearGradient(std::mt19937& rng, SpreadMode spread) {
  FillStyle f;
  f.type = FillStyle::Type::LinearGradient;
  f.gradient.spread = spread;
  f.gradient.interpolation =
      rng() % 4 == 0 ? InterpolationMode::LinearRgb : InterpolationMode::Normal;
  const int stops = 2 + static_cast<int>(rng() % 14);
  for (int i = 0; i < stops; ++i) {
    const bool opaque = rng() % 2 == 0;
    f.gradient.stops.push_back(
        {static_cast<uint8_t>(rng()),
         {static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()),
          static_cast<uint8_t>(opaque ? 255 : rng())}});
  }
  // From a gradient a few pixels wide (every pixel a different entry) to one far wider than
  // the target (long runs in one entry), turned and skewed.
  std::uniform_real_distribution<double> scale(-0.4, 0.4), turn(-0.05, 0.05), at(-2000, 30000);
  const double s = std::pow(10.0, scale(rng) * 5);
  f.matrix.a = s * (rng() % 2 ? 1 : -1);
  f.matrix.b = turn(rng) * s;
  f.matrix.c = turn(rng) * s;
  f.matrix.d = s;
  f.matrix.tx = at(rng);
  f.matrix.ty = at(rng);
  return f;
}

// The premultiplied B,G,R,A colour of `ramp` at position t (already folded), one channel at a
// time: whole ratio r stands at (r + 0.5) / 256, a point between two takes its share of each in
// single precision, cut down with a small allowance.
uint32_t PlainRampColor(const GradientRamp& ramp, double t) {
  const double p = std::clamp(t * 256.0 - 0.5, 0.0, 255.0);
  const int i = std::min(static_cast<int>(p), 254);
  const float f = static_cast<float>(p - i);
  uint8_t c[4];
  for (int k = 0; k < 4; ++k) {
    const float a = ramp[static_cast<size_t>(i)][static_cast<size_t>(k)];
    const float b = ramp[static_cast<size_t>(i) + 1][static_cast<size_t>(k)];
    const float d = b - a;
    const float v = a + d * f;
    c[k] = static_cast<uint8_t>(static_cast<int>(v + 1.0f / 512));
  }
  auto pre = [&](int k) { return static_cast<uint32_t>((c[k] * c[3] + 127) / 255); };
  return pre(2) | pre(1) << 8 | pre(0) << 16 | static_cast<uint32_t>(c[3]) << 24;
}

// The gradient's pixels over `len` pixels from (x, y) on a clear target, one pixel at a time:
// the point moves along by adding the inverse matrix's step once a pixel.
std::vector<uint32_t> PlainRow(const FillStyle& f, const Matrix& m, int x, int y, int len) {
  Matrix inverse;
  EXPECT_TRUE((m * f.matrix).Invert(inverse, 1e-12));
  GradientRamp ramp;
  BuildGradientRamp(f.gradient, ColorTransform(), ramp);
  const double sx = x + 0.5, sy = y + 0.5;
  double gx = inverse.a * sx + inverse.c * sy + inverse.tx;
  std::vector<uint32_t> out;
  for (int i = 0; i < len; ++i, gx += inverse.a) {
    const double t = (gx + 16384.0) * (1.0 / 32768.0);
    out.push_back(PlainRampColor(
        ramp, f.gradient.spread == SpreadMode::Pad ? t : ApplySpread(f.gradient.spread, t)));
  }
  return out;
}

// Adds to `g` the pixels [x, x + len) x [y, y + 1) filled with its first fill.
void AddRowRect(ShapeGroup& g, int x, int y, int len) {
  ShapePath p;
  p.fill1 = 1;
  p.start_x = x * 20;
  p.start_y = y * 20;
  for (auto [ex, ey] : {std::pair{x + len, y}, {x + len, y + 1}, {x, y + 1}, {x, y}}) {
    ShapeEdge e;
    e.x = ex * 20;
    e.y = ey * 20;
    p.edges.push_back(e);
  }
  g.paths.push_back(p);
}

// `s` drawn in pixels onto a clear target `w` by `h`.
std::vector<uint32_t> DrawOnClear(const ShapeDef& s, int w, int h) {
  std::vector<uint32_t> px(static_cast<size_t>(w) * h, 0);
  Renderer r({reinterpret_cast<uint8_t*>(px.data()), w, h, w * 4}, Quality::High, nullptr);
  Matrix m;
  m.a = m.d = 1.0 / 20;
  r.DrawShape(s, m, {});
  r.Finish();
  return px;
}

// Row y of a target `w` wide on which a rectangle of pixels [x, x + len) x [y, y + 1) was
// filled with `f`: one span from x.
std::vector<uint32_t> DrawnRow(const FillStyle& f, int x, int y, int len, int w) {
  ShapeDef s;
  ShapeGroup& g = s.groups.emplace_back();
  g.fill_styles = {f};
  AddRowRect(g, x, y, len);
  const std::vector<uint32_t> px = DrawOnClear(s, w, y + 1);
  return std::vector<uint32_t>(px.begin() + static_cast<ptrdiff_t>(y) * w + x,
                               px.begin() + static_cast<ptrdiff_t>(y) * w + x + len);
}

TEST(RenderFills, LinearGradientSpansMatchTheOnePixelFormulaExactly) {
  std::mt19937 rng(33);
  Matrix m;
  m.a = m.d = 1.0 / 20;
  int compared = 0;
  for (SpreadMode spread : {SpreadMode::Pad, SpreadMode::Reflect, SpreadMode::Repeat}) {
    for (int g = 0; g < 40; ++g) {
      const FillStyle f = RandomLinearGradient(rng, spread);
      for (int span = 0; span < 10; ++span) {
        // Lengths around the group of eight, and long rows.
        const int len = span < 7 ? span + 1 + (span > 3 ? 7 * span : 0) : 300 + span * 211;
        const int x = static_cast<int>(rng() % 300), y = static_cast<int>(rng() % 40);
        const std::vector<uint32_t> drawn = DrawnRow(f, x, y, len, x + len + 3);
        const std::vector<uint32_t> plain = PlainRow(f, m, x, y, len);
        for (int i = 0; i < len; ++i) {
          ASSERT_EQ(drawn[static_cast<size_t>(i)], plain[static_cast<size_t>(i)])
              << "gradient " << g << " spread " << static_cast<int>(spread) << " pixel " << i
              << " of " << len << " from " << x << "," << y;
          ++compared;
        }
      }
    }
  }
  EXPECT_GT(compared, 50000);
}

TEST(RenderFills, RoundGradientSpansMatchTheOnePixelFormulaExactly) {
  // Each pixel reads the ramp between its entries, as linear gradients do, at its distance from
  // the centre (radial) or its position along the ray from the focal point, the point moving by
  // running additions as for linear gradients.
  std::mt19937 rng(71);
  Matrix m;
  m.a = m.d = 1.0 / 20;
  for (FillStyle::Type type : {FillStyle::Type::RadialGradient, FillStyle::Type::FocalGradient})
    for (SpreadMode spread : {SpreadMode::Pad, SpreadMode::Reflect, SpreadMode::Repeat}) {
      for (int g = 0; g < 30; ++g) {
        FillStyle f = RandomLinearGradient(rng, spread);
        f.type = type;
        f.gradient.focal_point = std::uniform_real_distribution<double>(-1.2, 1.2)(rng);
        Matrix inverse;
        ASSERT_TRUE((m * f.matrix).Invert(inverse, 1e-12));
        GradientRamp ramp;
        BuildGradientRamp(f.gradient, ColorTransform(), ramp);
        for (int span = 0; span < 6; ++span) {
          const int len = span < 4 ? 1 + span * 3 : 200 + span * 97;
          const int x = static_cast<int>(rng() % 300), y = static_cast<int>(rng() % 40);
          const std::vector<uint32_t> drawn = DrawnRow(f, x, y, len, x + len + 1);
          double gx = inverse.a * (x + 0.5) + inverse.c * (y + 0.5) + inverse.tx;
          double gy = inverse.b * (x + 0.5) + inverse.d * (y + 0.5) + inverse.ty;
          for (int i = 0; i < len; ++i, gx += inverse.a, gy += inverse.b) {
            double t = GradientPosition(f.type, f.gradient.focal_point, gx, gy);
            if (spread != SpreadMode::Pad) t = ApplySpread(spread, t);
            const uint32_t expected = PlainRampColor(ramp, t);
            ASSERT_EQ(drawn[static_cast<size_t>(i)], expected)
                << "gradient " << g << " spread " << static_cast<int>(spread) << " pixel " << i;
          }
        }
      }
    }
}

TEST(RenderFills, FarReflectedPositionsFallBackToTheExactFold) {
  // Positions beyond 2^52 gradient widths fold by the remainder; spans that reach them give the
  // one-pixel result whichever way each pixel was worked out.
  Matrix m;
  m.a = m.d = 1.0 / 20;
  FillStyle f;
  f.type = FillStyle::Type::LinearGradient;
  f.gradient.spread = SpreadMode::Reflect;
  f.gradient.stops = {{0, {255, 0, 0, 255}}, {255, {0, 0, 255, 128}}};
  // Squeezed along x to a gradient far narrower than a pixel (and stretched along y to stay
  // invertible): a few pixels in, positions pass 2^52 gradient widths.
  f.matrix.a = 1e-18;
  f.matrix.d = 1e9;
  for (int x : {0, 5, 100}) {
    EXPECT_EQ(DrawnRow(f, x, 3, 64, 200), PlainRow(f, m, x, 3, 64)) << x;
  }
}

TEST(RenderFills, GradientsAlongOneAxisComeOutAsOnEachRowAlone) {
  // A gradient that changes along x alone gives every row the colours of its start, and one
  // that changes along y alone one colour a row; a shape of rows starting at varied and repeated
  // places, drawn at once, shows each row as that row drawn alone.
  std::mt19937 rng(9);
  const int w = 700, rows = 24;
  for (int kind = 0; kind < 4; ++kind) {
    FillStyle f = RandomLinearGradient(rng, kind == 1 ? SpreadMode::Reflect : SpreadMode::Pad);
    f.matrix.b = f.matrix.c = 0;
    if (kind >= 2) {  // turned a quarter: it changes downwards
      f.matrix.b = f.matrix.a;
      f.matrix.c = -f.matrix.d;
      f.matrix.a = f.matrix.d = 0;
    }
    std::vector<int> xs, lens;
    ShapeDef s;
    ShapeGroup& g = s.groups.emplace_back();
    g.fill_styles = {f};
    for (int y = 0; y < rows; ++y) {
      xs.push_back(y % 3 == 0 ? 40 : static_cast<int>(rng() % 200));
      lens.push_back(y % 2 == 0 ? 500 : 20 + static_cast<int>(rng() % 480));
      AddRowRect(g, xs.back(), y, lens.back());
    }
    const std::vector<uint32_t> px = DrawOnClear(s, w, rows);
    for (int y = 0; y < rows; ++y) {
      const auto from = px.begin() + static_cast<ptrdiff_t>(y) * w + xs[static_cast<size_t>(y)];
      const std::vector<uint32_t> row(from, from + lens[static_cast<size_t>(y)]);
      ASSERT_EQ(row, DrawnRow(f, xs[static_cast<size_t>(y)], y, lens[static_cast<size_t>(y)], w))
          << "kind " << kind << " row " << y;
    }
  }
}

TEST(RenderFills, LayerRowsBlendLikeOnePixelAtATime) {
  std::mt19937 rng(5);
  // Premultiplied pixels, with clear, opaque and translucent ones in runs and alone.
  auto pixel = [&]() -> uint32_t {
    const int kind = static_cast<int>(rng() % 5);
    if (kind == 0) return 0;
    const uint32_t a = kind == 1 ? 255 : rng() % 256;
    uint32_t p = a << 24;
    for (int c = 0; c < 3; ++c) p |= (rng() % (a + 1)) << (8 * c);
    return p;
  };
  for (int mode = 0; mode <= 15; ++mode) {
    for (int len : {1, 7, 8, 9, 16, 31, 64, 257, 40000}) {
      std::vector<uint32_t> src(static_cast<size_t>(len)), dst(static_cast<size_t>(len));
      for (auto& p : src) p = pixel();
      for (auto& p : dst) p = pixel();
      // A clear stretch of eight in the source, where most modes leave the row alone.
      if (len >= 16) std::fill(src.begin() + 8, src.begin() + 16, 0u);
      std::vector<uint32_t> expected = dst;
      for (int i = 0; i < len; ++i) {
        const uint32_t s = src[static_cast<size_t>(i)];
        if (s == 0 && mode != kBlendAlpha) continue;
        expected[static_cast<size_t>(i)] = BlendPixel(expected[static_cast<size_t>(i)], s, mode);
      }
      BlendRow(dst.data(), src.data(), len, mode);
      for (int i = 0; i < len; ++i)
        ASSERT_EQ(dst[static_cast<size_t>(i)], expected[static_cast<size_t>(i)])
            << "mode " << mode << " length " << len << " pixel " << i;
    }
  }
}

TEST(RenderFills, MaskedContentCompositesLikeThePixelFormulaInAnyBands) {
  std::mt19937 rng(17);
  const int w = 203, h = 190;
  // Coverage in runs of clear, full and partial cover, with single pixels between them.
  auto coverage = [&](int cw, int ch) {
    CoverageMask m;
    m.width = cw;
    m.height = ch;
    for (int i = 0; i < cw * ch;) {
      const int kind = static_cast<int>(rng() % 3), run = 1 + static_cast<int>(rng() % 20);
      for (int k = 0; k < run && i < cw * ch; ++k, ++i)
        m.coverage.push_back(kind == 0 ? 0 : kind == 1 ? 255 : static_cast<uint8_t>(rng()));
    }
    return m;
  };
  auto scale = [](uint32_t v, uint32_t k) { return (v * k + 127) / 255; };
  for (int bands : {1, 2, 5, 11}) {
    std::vector<uint32_t> px(static_cast<size_t>(w) * h);
    for (uint32_t& p : px) {
      const uint32_t a = rng() % 3 == 0 ? 255 : rng() % 256;
      p = a << 24 | (rng() % (a + 1)) | (rng() % (a + 1)) << 8 | (rng() % (a + 1)) << 16;
    }
    const std::vector<uint32_t> before = px;
    const CoverageMask mask = coverage(150, 170), content = coverage(170, 150);
    const int mx = 20, my = 5, cx = 9, cy = 30;
    const Rgba color{static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()),
                     static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng() % 2 ? 255 : rng())};
    {
      Renderer r({reinterpret_cast<uint8_t*>(px.data()), w, h, w * 4}, Quality::High, nullptr,
                 bands);
      r.BeginMask();
      r.DrawCoverage(mask, mx, my, {10, 20, 30, 255});
      r.EndMask();
      r.DrawCoverage(content, cx, cy, color);
      r.PopMask();
      r.Finish();
    }
    const uint32_t pre[4] = {scale(color.b, color.a), scale(color.g, color.a),
                             scale(color.r, color.a), color.a};
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        auto at = [](const CoverageMask& m, int px, int py) -> uint32_t {
          if (px < 0 || py < 0 || px >= m.width || py >= m.height) return 0;
          return m.coverage[static_cast<size_t>(py) * m.width + px];
        };
        const uint32_t k = at(mask, x - mx, y - my), c = at(content, x - cx, y - cy);
        const uint32_t d = before[static_cast<size_t>(y) * w + x];
        uint32_t s[4], out = d;
        for (int i = 0; i < 4; ++i) s[i] = scale(pre[i], c);
        if (k != 0) {
          out = 0;
          if (k != 255) {
            for (uint32_t& v : s) v = scale(v, k);
            for (int i = 0; i < 4; ++i)
              out |= ((s[i] + scale((d >> (8 * i)) & 0xFF, 255 - s[3])) & 0xFF) << (8 * i);
          } else {
            for (int i = 0; i < 4; ++i)
              out |= std::min(255u, s[i] + scale((d >> (8 * i)) & 0xFF, 255 - s[3])) << (8 * i);
          }
        }
        ASSERT_EQ(px[static_cast<size_t>(y) * w + x], out)
            << bands << " bands, pixel " << x << "," << y << " mask " << k << " cover " << c;
      }
  }
}

}  // namespace
