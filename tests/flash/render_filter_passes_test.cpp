// Shadows, glows and bevels on generated pictures against a plain per-pixel model of what they
// compute: the opacity blurred by whole-pixel box sums, moved, strengthened, coloured and put
// together with the picture one pixel at a time. Random sizes (one pixel to wider than the
// vector paths' strides), offsets reaching past the picture, every flag, and lists of filters
// run one after the other must all come out exactly alike.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "platform/flash/format/filters.h"
#include "platform/flash/renderer/filters.h"

namespace {

using namespace flash;

int Ch(uint32_t p, int i) { return static_cast<int>((p >> (8 * i)) & 0xFF); }
uint32_t Px(int b, int g, int r, int a) {
  return static_cast<uint32_t>(b) | static_cast<uint32_t>(g) << 8 | static_cast<uint32_t>(r) << 16 |
         static_cast<uint32_t>(a) << 24;
}
int Div255(int x, int y) { return (x * y + 128 + ((x * y + 128) >> 8)) >> 8; }
uint32_t Times(uint32_t p, int k) {
  return Px(Div255(Ch(p, 0), k), Div255(Ch(p, 1), k), Div255(Ch(p, 2), k), Div255(Ch(p, 3), k));
}
// `top` laid over `bottom`.
uint32_t Lay(uint32_t top, uint32_t bottom) {
  const int k = 255 - Ch(top, 3);
  return Px(std::min(255, Ch(top, 0) + Div255(Ch(bottom, 0), k)),
            std::min(255, Ch(top, 1) + Div255(Ch(bottom, 1), k)),
            std::min(255, Ch(top, 2) + Div255(Ch(bottom, 2), k)),
            std::min(255, Ch(top, 3) + Div255(Ch(bottom, 3), k)));
}
uint32_t Coloured(Rgba c, int k) {
  const int a = Div255(c.a, k);
  return Px(Div255(c.b, a), Div255(c.g, a), Div255(c.r, a), a);
}
int Stronger(int v, double s) {
  const double t = v * s;
  return !(t > 0) ? 0 : t >= 255 ? 255 : static_cast<int>(t + 0.5);
}

// A whole-pixel blur of `b` (b odd: b pixels; b even: b neighbouring pairs, halves at the ends),
// `edge` beyond the plane, the sum times 65536 / divisor rounded up, high half.
std::vector<int> Blurred(std::vector<int> v, int w, int h, int bx, int by, int passes, int edge) {
  auto at = [&](int x, int y) {
    return x >= 0 && y >= 0 && x < w && y < h ? v[static_cast<size_t>(y) * w + x] : edge;
  };
  auto pass = [&](int b, bool across) {
    if (b < 2) return;
    const bool pairs = b % 2 == 0;
    const int lo = b / 2, divisor = pairs ? 2 * b : b;
    const uint32_t inv = static_cast<uint32_t>((65536 + divisor - 1) / divisor);
    std::vector<int> out(v.size());
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        uint32_t sum = 0;
        for (int k = -lo; k < b - lo; ++k)
          for (int j = 0; j < (pairs ? 2 : 1); ++j)
            sum += static_cast<uint32_t>(across ? at(x + k + j, y) : at(x, y + k + j));
        out[static_cast<size_t>(y) * w + x] = static_cast<int>((sum * inv) >> 16);
      }
    v = out;
  };
  for (int p = 0; p < passes; ++p) {
    pass(bx, true);
    pass(by, false);
  }
  return v;
}

std::vector<uint32_t> ModelRamp(const Filter& f) {
  std::vector<uint32_t> ramp(256, 0);
  const size_t n = std::min(f.gradient_colors.size(), f.gradient_ratios.size());
  for (int i = 0; i < 256 && n > 0; ++i) {
    size_t k = 0;
    while (k < n && f.gradient_ratios[k] < i) ++k;
    Rgba c = f.gradient_colors[std::min(k, n - 1)];
    if (k > 0 && k < n) {
      const int r0 = f.gradient_ratios[k - 1], r1 = f.gradient_ratios[k];
      const double t = r1 > r0 ? static_cast<double>(i - r0) / (r1 - r0) : 1.0;
      const Rgba a = f.gradient_colors[k - 1], b = f.gradient_colors[k];
      auto mix = [t](uint8_t u, uint8_t v) { return static_cast<uint8_t>(std::lround(u + (v - u) * t)); };
      c = {mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b), mix(a.a, b.a)};
    }
    ramp[static_cast<size_t>(i)] = Coloured(c, 255);
  }
  return ramp;
}

// One shadow, glow or bevel (blurs whole, scale 1) pixel by pixel.
FilterImage Model(const FilterImage& in, const Filter& f) {
  const int w = in.width, h = in.height;
  const bool bevel = f.kind == Filter::Kind::Bevel || f.kind == Filter::Kind::GradientBevel;
  const bool gradient =
      f.kind == Filter::Kind::GradientGlow || f.kind == Filter::Kind::GradientBevel;
  const bool inverted = f.inner && !bevel;
  std::vector<int> alpha;
  for (uint32_t p : in.pixels) alpha.push_back(inverted ? 255 - Ch(p, 3) : Ch(p, 3));
  alpha = Blurred(alpha, w, h, static_cast<int>(f.blur_x), static_cast<int>(f.blur_y), f.passes,
                  inverted ? 255 : 0);
  int dx = 0, dy = 0;
  if (f.kind != Filter::Kind::Glow) {  // plain glows lie around the object itself
    dx = static_cast<int>(std::lround(f.distance * std::cos(f.angle)));
    dy = static_cast<int>(std::lround(f.distance * std::sin(f.angle)));
  }
  auto sample = [&](int x, int y, int outside) {
    return x >= 0 && y >= 0 && x < w && y < h ? alpha[static_cast<size_t>(y) * w + x] : outside;
  };
  const std::vector<uint32_t> ramp = ModelRamp(f);
  // Where the effect shows, and where it is cut to the object or to what lies outside it.
  const bool full = bevel && f.on_top;
  const bool inner = bevel ? f.inner || full : f.inner;
  const bool outer = bevel ? !f.inner || full : !f.inner || (gradient && f.on_top);
  FilterImage out = in;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint32_t e;
      if (bevel) {
        const int diff = sample(x - dx, y - dy, 0) - sample(x + dx, y + dy, 0);
        if (gradient) {
          const double v = std::clamp(128 + diff * f.strength / 2, 0.0, 255.0);
          e = ramp[std::isnan(v) ? 128 : static_cast<size_t>(std::lround(v))];
        } else {
          e = diff > 0 ? Coloured(f.color, Stronger(diff, f.strength))
                       : Coloured(f.highlight, Stronger(-diff, f.strength));
        }
      } else {
        const int v = Stronger(sample(x - dx, y - dy, inverted ? 255 : 0), f.strength);
        e = gradient ? ramp[static_cast<size_t>(v)] : Coloured(f.color, v);
      }
      const uint32_t src = in.At(x, y);
      const int sa = Ch(src, 3);
      if (inner && !outer) e = Times(e, sa);
      if (outer && !inner && (bevel || f.knockout)) e = Times(e, 255 - sa);
      uint32_t o = e;
      if (!f.knockout && f.composite_source) {
        if (inner && !outer) o = Lay(e, src);
        else if (outer && !inner) o = Lay(src, e);
        else o = f.on_top ? Lay(e, src) : Lay(src, e);
      }
      out.At(x, y) = o;
    }
  return out;
}

Rgba RandomColour(std::mt19937& rng) {
  return {static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()),
          static_cast<uint8_t>(rng() % 3 == 0 ? 255 : rng())};
}

// A picture of translucent rectangles over a few random pixels, some rows left clear.
FilterImage RandomPicture(std::mt19937& rng, int w, int h) {
  FilterImage img;
  img.width = w;
  img.height = h;
  img.pixels.assign(static_cast<size_t>(w) * h, 0);
  auto premultiplied = [&](Rgba c) { return Coloured(c, 255); };
  for (int r = static_cast<int>(rng() % 4); r >= 0; --r) {
    const int x0 = static_cast<int>(rng() % w), y0 = static_cast<int>(rng() % h);
    const int x1 = x0 + 1 + static_cast<int>(rng() % (w - x0)),
              y1 = y0 + 1 + static_cast<int>(rng() % (h - y0));
    const uint32_t c = premultiplied(RandomColour(rng));
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) img.At(x, y) = Lay(c, img.At(x, y));
  }
  for (int i = static_cast<int>(rng() % 20); i > 0; --i)
    img.pixels[rng() % img.pixels.size()] = premultiplied(RandomColour(rng));
  return img;
}

Filter RandomFilter(std::mt19937& rng) {
  static const Filter::Kind kinds[] = {Filter::Kind::DropShadow, Filter::Kind::Glow,
                                       Filter::Kind::GradientGlow, Filter::Kind::Bevel,
                                       Filter::Kind::GradientBevel};
  Filter f;
  f.kind = kinds[rng() % 5];
  f.color = RandomColour(rng);
  f.highlight = RandomColour(rng);
  f.blur_x = static_cast<double>(rng() % 14);
  f.blur_y = static_cast<double>(rng() % 14);
  f.passes = 1 + static_cast<int>(rng() % 3);
  f.distance = static_cast<double>(rng() % 13) - 4;
  f.angle = static_cast<double>(rng() % 628) / 100;
  const double strengths[] = {0, 0.5, 1, 1.37, 2, 6, 255};
  f.strength = strengths[rng() % 7];
  f.inner = rng() % 2;
  f.knockout = rng() % 4 == 0;
  f.composite_source = rng() % 5 != 0;
  f.on_top = rng() % 3 == 0;
  for (int i = 1 + static_cast<int>(rng() % 4); i > 0; --i) {
    f.gradient_colors.push_back(RandomColour(rng));
    f.gradient_ratios.push_back(static_cast<uint8_t>(rng()));
  }
  std::sort(f.gradient_ratios.begin(), f.gradient_ratios.end());
  return f;
}

TEST(RenderFilterPasses, ShadowsGlowsAndBevelsMatchThePlainModelOnRandomPictures) {
  std::mt19937 rng(2024);
  for (int round = 0; round < 400; ++round) {
    const int w = 1 + static_cast<int>(rng() % (round % 4 == 0 ? 90 : 24)),
              h = 1 + static_cast<int>(rng() % 30);
    const FilterImage img = RandomPicture(rng, w, h);
    const Filter f = RandomFilter(rng);
    FilterImage got = img;
    ApplyFilter(got, f, 1.0);
    const FilterImage want = Model(img, f);
    for (int i = 0; i < w * h; ++i)
      ASSERT_EQ(got.pixels[static_cast<size_t>(i)], want.pixels[static_cast<size_t>(i)])
          << "round " << round << " kind " << static_cast<int>(f.kind) << " " << w << "x" << h
          << " at " << i % w << "," << i / w << " inner " << f.inner << " knockout "
          << f.knockout << " composite " << f.composite_source << " on top " << f.on_top;
  }
}

// Boxes as long as the sums allow (255 whole pixels, 128 pairs) over opaque pictures: the sums
// of a window reach the top of their 16-bit lanes, inner effects count everything beyond the
// picture as opaque, and the boxes reach far past rows shorter than themselves.
TEST(RenderFilterPasses, TheLongestBoxesSumWithoutOverflowing) {
  std::mt19937 rng(5);
  for (const double blur : {255.0, 201.0, 128.0}) {
    for (const bool inner : {false, true}) {
      const int w = 40 + static_cast<int>(rng() % 140), h = 3 + static_cast<int>(rng() % 20);
      FilterImage img = RandomPicture(rng, w, h);
      for (size_t i = 0; i < img.pixels.size(); i += 1 + rng() % 3) img.pixels[i] = Px(9, 8, 7, 255);
      Filter f;
      f.kind = Filter::Kind::Glow;
      f.color = {200, 100, 50, 255};
      f.blur_x = blur;
      f.blur_y = std::floor(blur / 8);
      f.passes = 2;
      f.strength = 1.5;
      f.inner = inner;
      FilterImage got = img;
      ApplyFilter(got, f, 1.0);
      ASSERT_EQ(got.pixels, Model(img, f).pixels) << "blur " << blur << " inner " << inner;
    }
  }
}

// Filters run one after another in a list reuse the working rows and planes the first left
// behind: a second picture, smaller or larger, comes out as when filtered alone.
TEST(RenderFilterPasses, PicturesOfChangingSizesComeOutAsWhenFilteredAlone) {
  std::mt19937 rng(77);
  for (int round = 0; round < 60; ++round) {
    const int w = 1 + static_cast<int>(rng() % 70), h = 1 + static_cast<int>(rng() % 40);
    const FilterImage img = RandomPicture(rng, w, h);
    const Filter a = RandomFilter(rng), b = RandomFilter(rng);
    FilterImage got = img;
    ApplyFilter(got, a, 1.0);
    ApplyFilter(got, b, 1.0);
    const FilterImage want = Model(Model(img, a), b);
    ASSERT_EQ(got.pixels, want.pixels) << "round " << round;
  }
}

}  // namespace
