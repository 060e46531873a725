// The rasteriser's fast paths against the general one: groups with a single fill style (drawn by
// the ordinary rasteriser with fill1 paths fed backwards) must give the same pixels as the
// compound rasteriser, and the four-pixel blending must round exactly like the one-pixel blend at
// every span length and offset, also where spans are clipped at the left edge.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "platform/flash/format/bitmap.h"
#include "platform/flash/format/shape.h"
#include "platform/flash/renderer/renderer.h"

namespace {

using namespace flash;

constexpr int kW = 67, kH = 53;  // odd sizes: rows end off the four-pixel grid

std::vector<uint8_t> Draw(const ShapeDef& s, Quality q, Rgba bg = {255, 255, 255, 255},
                          const CharacterLookup* lookup = nullptr) {
  std::vector<uint8_t> px(static_cast<size_t>(kW) * kH * 4);
  Renderer r({px.data(), kW, kH, kW * 4}, q, lookup);
  r.Clear(bg);
  Matrix m;
  m.a = m.d = 1.0 / 20;
  r.DrawShape(s, m, {});
  return px;
}

int MaxDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  int worst = 0;
  for (size_t i = 0; i < a.size(); ++i) worst = std::max(worst, std::abs(a[i] - b[i]));
  return worst;
}

// A closed path of random straight and curved edges around (cx, cy), in twips.
ShapePath RandomLoop(std::mt19937& rng, double cx, double cy, double radius) {
  std::uniform_real_distribution<double> jitter(0.4, 1.0);
  ShapePath p;
  const int n = 3 + static_cast<int>(rng() % 6);
  auto point = [&](int i, double r) {
    double a = 2 * M_PI * i / n;
    return std::pair<int32_t, int32_t>{static_cast<int32_t>(cx + r * std::cos(a)),
                                       static_cast<int32_t>(cy + r * std::sin(a))};
  };
  auto start = point(0, radius);
  p.start_x = start.first;
  p.start_y = start.second;
  for (int i = 1; i <= n; ++i) {
    ShapeEdge e;
    auto end = i == n ? start : point(i, radius * jitter(rng));
    e.x = end.first;
    e.y = end.second;
    if (rng() % 2) {
      e.curve = true;
      double a = 2 * M_PI * (i - 0.5) / n, r = radius * 1.6 * jitter(rng);
      e.cx = static_cast<int32_t>(cx + r * std::cos(a));
      e.cy = static_cast<int32_t>(cy + r * std::sin(a));
    }
    p.edges.push_back(e);
  }
  return p;
}

// The same loop running the other way round.
ShapePath Reversed(const ShapePath& p) {
  ShapePath r = p;
  r.edges.clear();
  int32_t x = p.start_x, y = p.start_y;
  std::vector<std::pair<int32_t, int32_t>> points{{x, y}};
  for (const ShapeEdge& e : p.edges) points.push_back({e.x, e.y});
  r.start_x = points.back().first;
  r.start_y = points.back().second;
  for (size_t i = p.edges.size(); i-- > 0;) {
    ShapeEdge e = p.edges[i];
    e.x = points[i].first;
    e.y = points[i].second;
    r.edges.push_back(e);
  }
  return r;
}

FillStyle Solid(Rgba c) {
  FillStyle f;
  f.color = c;
  return f;
}

}  // namespace

TEST(RenderFastPath, SingleFillGroupsMatchTheCompoundRasteriser) {
  std::mt19937 rng(2024);
  FillStyle radial;
  radial.type = FillStyle::Type::RadialGradient;
  radial.gradient.stops = {{0, {255, 0, 0, 255}}, {255, {0, 0, 255, 120}}};
  radial.matrix.a = radial.matrix.d = 500 / 16384.0;
  radial.matrix.tx = 600;
  radial.matrix.ty = 500;
  for (int round = 0; round < 24; ++round) {
    SCOPED_TRACE(round);
    ShapeDef single;
    single.non_zero_winding = round % 2 == 1;
    ShapeGroup& g = single.groups.emplace_back();
    g.fill_styles.push_back(
        round % 3 == 2 ? radial
                       : Solid({40, 160, 90, static_cast<uint8_t>(round % 4 ? 200 : 255)}));
    // Loops with the fill on their right (fill1) or left (fill0) side, overlapping, some
    // reaching past the target's edges, and one with the fill on both sides (adds nothing).
    for (int k = 0; k < 4; ++k) {
      ShapePath loop = RandomLoop(rng, 200 + rng() % 1000, 200 + rng() % 800, 150 + rng() % 500);
      switch ((round + k) % 3) {
        case 0: loop.fill1 = 1; break;
        case 1:
          loop = Reversed(loop);
          loop.fill0 = 1;
          break;
        default: loop.fill0 = 1; break;  // same direction, other side: winds the other way
      }
      g.paths.push_back(loop);
    }
    ShapePath both = RandomLoop(rng, 700, 500, 300);
    both.fill0 = both.fill1 = 1;
    g.paths.push_back(both);

    // The same group with a second style on a tiny loop far off the target goes through the
    // compound rasteriser.
    ShapeDef compound = single;
    compound.groups[0].fill_styles.push_back(Solid({0, 0, 0, 255}));
    ShapePath far = RandomLoop(rng, -40000, -40000, 100);
    far.fill1 = 2;
    compound.groups[0].paths.push_back(far);

    for (Quality q : {Quality::High, Quality::Low}) {
      auto fast = Draw(single, q, {30, 60, 90, 255});
      auto general = Draw(compound, q, {30, 60, 90, 255});
      // Coverage is the same integer sum either way; only clipping at the target's edges may
      // round a hair differently.
      EXPECT_LE(MaxDifference(fast, general), 2) << (q == Quality::High ? "high" : "low");
    }
  }
}

TEST(RenderFastPath, TranslucentSpansBlendExactlyAtEveryLengthAndOffset) {
  const Rgba bg{200, 100, 50, 255};
  const Rgba paint{10, 220, 130, 77};
  auto mul = [](int c, int k) { return (c * k + 127) / 255; };
  // Premultiplied source over an opaque destination, rounded per channel like the renderer.
  auto over = [&](int s, int d, int a) {
    int t = d * (255 - a) + 128;
    return s + ((t + (t >> 8)) >> 8);
  };
  const int sa = paint.a, sr = mul(paint.r, sa), sg = mul(paint.g, sa), sb = mul(paint.b, sa);
  for (int x0 = -3; x0 < 6; ++x0) {
    for (int len = 1; len <= 11; ++len) {
      ShapeDef s;
      ShapeGroup& g = s.groups.emplace_back();
      g.fill_styles.push_back(Solid(paint));
      ShapePath p;
      p.fill1 = 1;
      p.start_x = x0 * 20;
      p.start_y = 40;
      for (auto [x, y] :
           std::vector<std::pair<int, int>>{{x0 + len, 2}, {x0 + len, 5}, {x0, 5}, {x0, 2}}) {
        ShapeEdge e;
        e.x = x * 20;
        e.y = y * 20;
        p.edges.push_back(e);
      }
      g.paths.push_back(p);
      auto px = Draw(s, Quality::High, bg);
      for (int x = 0; x < 16; ++x) {
        const uint8_t* q = &px[(static_cast<size_t>(3) * kW + x) * 4];
        bool inside = x >= x0 && x < x0 + len;
        SCOPED_TRACE(testing::Message() << "x0 " << x0 << " len " << len << " x " << x);
        EXPECT_EQ(q[2], inside ? over(sr, bg.r, sa) : bg.r);
        EXPECT_EQ(q[1], inside ? over(sg, bg.g, sa) : bg.g);
        EXPECT_EQ(q[0], inside ? over(sb, bg.b, sa) : bg.b);
        EXPECT_EQ(q[3], 255);
      }
    }
  }
}

TEST(RenderFastPath, PerPixelColoursBlendExactlyIncludingLeftClipping) {
  // A bitmap of varied translucent pixels drawn one to one, shifted partly off the left edge.
  struct Lookup : CharacterLookup {
    std::shared_ptr<BitmapDef> bmp;
    const CharacterDef* Find(uint16_t id) const override { return id == 9 ? bmp.get() : nullptr; }
  } lib;
  lib.bmp = std::make_shared<BitmapDef>(9);
  const int bw = 13;
  lib.bmp->width = bw;
  lib.bmp->height = 1;
  for (int i = 0; i < bw; ++i) {
    int a = (i * 37 + 20) % 256;
    lib.bmp->bgra_premultiplied.insert(
        lib.bmp->bgra_premultiplied.end(),
        {static_cast<uint8_t>(a * 3 / 4), static_cast<uint8_t>(a / 2), static_cast<uint8_t>(a),
         static_cast<uint8_t>(a)});
  }
  const Rgba bg{17, 130, 240, 255};
  for (int shift : {0, -1, -2, -5, 3}) {
    SCOPED_TRACE(shift);
    ShapeDef s;
    ShapeGroup& g = s.groups.emplace_back();
    FillStyle f;
    f.type = FillStyle::Type::NonSmoothedClippedBitmap;
    f.bitmap_id = 9;
    f.matrix.a = f.matrix.d = 20;
    f.matrix.tx = shift * 20;
    g.fill_styles.push_back(f);
    ShapePath p;
    p.fill1 = 1;
    p.start_x = shift * 20;
    p.start_y = 0;
    for (auto [x, y] : std::vector<std::pair<int, int>>{
             {shift + bw, 0}, {shift + bw, 1}, {shift, 1}, {shift, 0}}) {
      ShapeEdge e;
      e.x = x * 20;
      e.y = y * 20;
      p.edges.push_back(e);
    }
    g.paths.push_back(p);
    auto px = Draw(s, Quality::High, bg, &lib);
    for (int x = 0; x < 20; ++x) {
      int i = x - shift;
      const uint8_t* q = &px[static_cast<size_t>(x) * 4];
      if (i < 0 || i >= bw) {
        EXPECT_EQ(q[2], bg.r) << x;
        continue;
      }
      const uint8_t* src = &lib.bmp->bgra_premultiplied[static_cast<size_t>(i) * 4];
      int a = src[3];
      for (int c = 0; c < 3; ++c) {
        int d = c == 0 ? bg.b : c == 1 ? bg.g : bg.r;
        int t = d * (255 - a) + 128;
        EXPECT_EQ(q[c], src[c] + ((t + (t >> 8)) >> 8)) << "x " << x << " channel " << c;
      }
    }
  }
}
