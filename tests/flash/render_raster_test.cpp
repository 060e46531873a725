// Rasteriser tests on hand-built shapes: coverage, winding, strokes, gradients, bitmap fills,
// colour transforms, masks, layers and morphs, checked at known pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <map>
#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "platform/flash/format/bitmap.h"
#include "platform/flash/format/filters.h"
#include "platform/flash/format/shape.h"
#include "platform/flash/renderer/renderer.h"

namespace {

using namespace flash;

constexpr int kW = 100, kH = 60;

// Straight (not premultiplied) colour of a premultiplied pixel.
struct Px {
  int r, g, b, a;
};

struct Canvas {
  explicit Canvas(Quality q = Quality::High, const CharacterLookup* lookup = nullptr, int w = kW,
                  int h = kH)
      : pixels(static_cast<size_t>(w) * h * 4),
        renderer({pixels.data(), w, h, w * 4}, q, lookup),
        width(w) {
    renderer.Clear({255, 255, 255, 255});
  }
  Px At(int x, int y) const {
    const uint8_t* p = &pixels[(static_cast<size_t>(y) * width + x) * 4];
    return {p[2], p[1], p[0], p[3]};
  }
  std::vector<uint8_t> pixels;
  Renderer renderer;
  int width;
};

// Pixel coordinates scaled to twips.
int32_t T(double px) { return static_cast<int32_t>(std::lround(px * 20)); }

Matrix Identity() {
  Matrix m;
  m.a = m.d = 1.0 / 20;
  return m;
}

ShapePath RectPath(double x0, double y0, double x1, double y1, uint32_t fill0, uint32_t fill1,
                   uint32_t line = 0) {
  ShapePath p;
  p.fill0 = fill0;
  p.fill1 = fill1;
  p.line = line;
  p.start_x = T(x0);
  p.start_y = T(y0);
  for (auto [x, y] :
       std::vector<std::pair<double, double>>{{x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}}) {
    ShapeEdge e;
    e.x = T(x);
    e.y = T(y);
    p.edges.push_back(e);
  }
  return p;
}

FillStyle SolidFill(Rgba c) {
  FillStyle f;
  f.color = c;
  return f;
}

ShapeDef RectShape(double x0, double y0, double x1, double y1, const FillStyle& fill) {
  ShapeDef s;
  ShapeGroup& g = s.groups.emplace_back();
  g.fill_styles.push_back(fill);
  g.paths.push_back(RectPath(x0, y0, x1, y1, 0, 1));
  return s;
}

const Rgba kRed{255, 0, 0, 255}, kBlue{0, 0, 255, 255}, kGreen{0, 255, 0, 255},
    kBlack{0, 0, 0, 255};

void ExpectColor(Px p, Rgba c, int tol = 0) {
  EXPECT_NEAR(p.r, c.r, tol);
  EXPECT_NEAR(p.g, c.g, tol);
  EXPECT_NEAR(p.b, c.b, tol);
  EXPECT_NEAR(p.a, c.a, tol);
}

TEST(RenderFill, SolidRectangleCoversExactlyItsPixelsOnEitherFillSide) {
  for (bool left_side : {false, true}) {
    Canvas c;
    ShapeDef s = RectShape(10, 10, 30, 20, SolidFill(kRed));
    if (left_side) std::swap(s.groups[0].paths[0].fill0, s.groups[0].paths[0].fill1);
    c.renderer.DrawShape(s, Identity(), {});
    ExpectColor(c.At(10, 10), kRed);
    ExpectColor(c.At(29, 19), kRed);
    ExpectColor(c.At(9, 10), {255, 255, 255, 255});
    ExpectColor(c.At(30, 15), {255, 255, 255, 255});
    ExpectColor(c.At(20, 20), {255, 255, 255, 255});
  }
}

TEST(RenderFill, RegionBoundedBySeparatePathsInAnyOrderIsFilled) {
  // The four sides of one square as separate paths, two with the fill on one side and two
  // (running the other way) with it on the other side, as shape records often store them.
  ShapeDef s;
  ShapeGroup& g = s.groups.emplace_back();
  g.fill_styles.push_back(SolidFill(kBlue));
  auto edge = [&](double x0, double y0, double x1, double y1, uint32_t f0, uint32_t f1) {
    ShapePath p;
    p.fill0 = f0;
    p.fill1 = f1;
    p.start_x = T(x0);
    p.start_y = T(y0);
    ShapeEdge e;
    e.x = T(x1);
    e.y = T(y1);
    p.edges.push_back(e);
    g.paths.push_back(p);
  };
  edge(40, 10, 40, 40, 1, 0);  // right side, travelling down
  edge(10, 10, 40, 10, 0, 1);  // top, travelling right
  edge(10, 40, 10, 10, 0, 1);  // left, travelling up
  edge(10, 40, 40, 40, 1, 0);  // bottom, travelling right
  Canvas c;
  c.renderer.DrawShape(s, Identity(), {});
  ExpectColor(c.At(11, 11), kBlue);
  ExpectColor(c.At(25, 25), kBlue);
  ExpectColor(c.At(39, 39), kBlue);
  ExpectColor(c.At(45, 25), {255, 255, 255, 255});
}

TEST(RenderFill, OverlapOfOnePathIsEmptyUnderEvenOddAndFilledUnderNonZero) {
  for (bool non_zero : {false, true}) {
    ShapeDef s;
    s.non_zero_winding = non_zero;
    ShapeGroup& g = s.groups.emplace_back();
    g.fill_styles.push_back(SolidFill(kRed));
    g.paths.push_back(RectPath(10, 10, 40, 40, 0, 1));
    g.paths.push_back(RectPath(25, 25, 55, 55, 0, 1));
    Canvas c;
    c.renderer.DrawShape(s, Identity(), {});
    ExpectColor(c.At(15, 15), kRed);
    ExpectColor(c.At(50, 50), kRed);
    ExpectColor(c.At(30, 30), non_zero ? kRed : Rgba{255, 255, 255, 255});
  }
}

TEST(RenderFill, LaterStyleGroupDrawsAboveEarlierOne) {
  ShapeDef s;
  ShapeGroup& g1 = s.groups.emplace_back();
  g1.fill_styles.push_back(SolidFill(kRed));
  g1.paths.push_back(RectPath(0, 0, 50, 50, 0, 1));
  ShapeGroup& g2 = s.groups.emplace_back();
  g2.fill_styles.push_back(SolidFill(kGreen));
  g2.paths.push_back(RectPath(20, 20, 70, 50, 0, 1));
  Canvas c;
  c.renderer.DrawShape(s, Identity(), {});
  ExpectColor(c.At(10, 10), kRed);
  ExpectColor(c.At(30, 30), kGreen);
  ExpectColor(c.At(60, 30), kGreen);
}

TEST(RenderFill, StyleNumbersBeyondTheTableDrawNothing) {
  ShapeDef s = RectShape(10, 10, 30, 30, SolidFill(kRed));
  s.groups[0].paths[0].fill1 = 7;
  s.groups[0].paths[0].line = 3;
  Canvas c;
  c.renderer.DrawShape(s, Identity(), {});
  ExpectColor(c.At(20, 20), {255, 255, 255, 255});
}

TEST(RenderFill, HighQualityBlendsPartialPixelsLowQualitySamplesCentres) {
  // Left edge at 10.5 passes through the centre of column 10; right edge at 20.4 leaves the
  // centre of column 20 outside.
  ShapeDef s = RectShape(10.5, 10, 20.4, 20, SolidFill(kBlack));
  Canvas high(Quality::High), low(Quality::Low);
  high.renderer.DrawShape(s, Identity(), {});
  low.renderer.DrawShape(s, Identity(), {});
  EXPECT_NEAR(high.At(10, 15).r, 128, 3);
  EXPECT_NEAR(high.At(20, 15).r, 153, 4);
  EXPECT_EQ(low.At(10, 15).r, 0);    // centre on the left edge: inside
  EXPECT_EQ(low.At(20, 15).r, 255);  // centre beyond the right edge: outside
  for (int x = 0; x < kW; ++x) {
    int v = low.At(x, 15).r;
    EXPECT_TRUE(v == 0 || v == 255) << "column " << x << " is " << v;
  }
}

TEST(RenderFill, LowQualityLeavesNoHoleWhereThreeFillsMeetInOnePixel) {
  // Three fills meet at (20.4, 20.4), inside pixel (20, 20): none covers half of that pixel
  // (0.4, 0.24 and 0.36 of it), the three together cover all of it.
  for (bool same_colour : {true, false}) {
    ShapeDef s;
    ShapeGroup& g = s.groups.emplace_back();
    g.fill_styles = {SolidFill(kBlack), SolidFill(same_colour ? kBlack : kRed),
                     SolidFill(same_colour ? kBlack : kBlue)};
    g.paths.push_back(RectPath(10, 10, 20.4, 30, 0, 1));
    g.paths.push_back(RectPath(20.4, 10, 30, 20.4, 0, 2));
    g.paths.push_back(RectPath(20.4, 20.4, 30, 30, 0, 3));
    Canvas c(Quality::Low);
    c.renderer.DrawShape(s, Identity(), {});
    Px p = c.At(20, 20);
    if (same_colour) {
      ExpectColor(p, kBlack);
    } else {
      // One of the three fills, unblended.
      EXPECT_EQ(p.a, 255);
      EXPECT_TRUE((p.r == 0 && p.g == 0 && p.b == 0) || (p.r == 255 && p.g == 0 && p.b == 0) ||
                  (p.r == 0 && p.g == 0 && p.b == 255))
          << p.r << "," << p.g << "," << p.b;
      ExpectColor(c.At(25, 15), kRed);
      ExpectColor(c.At(25, 25), kBlue);
      ExpectColor(c.At(15, 25), kBlack);
    }
    // Pixels the shape leaves uncovered stay untouched, and no pixel is partly drawn.
    ExpectColor(c.At(30, 20), {255, 255, 255, 255});
    ExpectColor(c.At(9, 20), {255, 255, 255, 255});
    for (int x = 0; x < kW; ++x) {
      int v = c.At(x, 20).g;
      EXPECT_TRUE(v == 0 || v == 255) << "column " << x << " is " << v;
    }
  }
}

TEST(RenderFill, CurvedCircleCoversItsArea) {
  // A circle of radius 20 from eight quadratic curves.
  ShapeDef s;
  ShapeGroup& g = s.groups.emplace_back();
  g.fill_styles.push_back(SolidFill(kBlack));
  ShapePath p;
  p.fill1 = 1;
  const double cx = 50, cy = 30, r = 20;
  p.start_x = T(cx + r);
  p.start_y = T(cy);
  for (int i = 1; i <= 8; ++i) {
    double a0 = (i - 1) * M_PI / 4, a1 = i * M_PI / 4, am = (a0 + a1) / 2;
    ShapeEdge e;
    e.curve = true;
    e.cx = T(cx + r * std::cos(am) / std::cos(M_PI / 8));
    e.cy = T(cy + r * std::sin(am) / std::cos(M_PI / 8));
    e.x = T(cx + r * std::cos(a1));
    e.y = T(cy + r * std::sin(a1));
    p.edges.push_back(e);
  }
  g.paths.push_back(p);
  Canvas c;
  c.renderer.DrawShape(s, Identity(), {});
  double covered = 0;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) covered += (255 - c.At(x, y).r) / 255.0;
  EXPECT_NEAR(covered, M_PI * r * r, M_PI * r * r * 0.01);
  ExpectColor(c.At(50, 30), kBlack);
  ExpectColor(c.At(50 + 15, 30 + 15), {255, 255, 255, 255});
}

TEST(RenderFill, ColourTransformMultipliesAddsAndBlendsAlpha) {
  ShapeDef s = RectShape(0, 0, 50, 50, SolidFill({200, 100, 50, 255}));
  ColorTransform cx;
  cx.r_mult = 128;  // 200 -> 100
  cx.g_add = 50;    // 100 -> 150
  cx.b_add = 300;   // clamps to 255
  Canvas c;
  c.renderer.DrawShape(s, Identity(), cx);
  ExpectColor(c.At(25, 25), {100, 150, 255, 255});

  ColorTransform half;
  half.a_mult = 128;
  Canvas d;
  d.renderer.DrawShape(RectShape(0, 0, 50, 50, SolidFill(kBlack)), Identity(), half);
  EXPECT_NEAR(d.At(25, 25).r, 127, 2);
  EXPECT_EQ(d.At(25, 25).a, 255);
}

TEST(RenderFill, HugeCoordinatesAndDegenerateTransformsDoNotFail) {
  ShapeDef s;
  ShapeGroup& g = s.groups.emplace_back();
  g.fill_styles.push_back(SolidFill(kRed));
  g.line_styles.push_back(LineStyle{});
  ShapePath p;
  p.fill1 = 1;
  p.line = 1;
  p.start_x = INT32_MIN;
  p.start_y = INT32_MIN;
  for (auto [x, y] : std::vector<std::pair<int32_t, int32_t>>{{INT32_MAX, INT32_MIN},
                                                              {INT32_MAX, INT32_MAX},
                                                              {INT32_MIN, INT32_MAX},
                                                              {INT32_MIN, INT32_MIN}}) {
    ShapeEdge e;
    e.curve = true;
    e.x = x;
    e.y = y;
    p.edges.push_back(e);
  }
  g.paths.push_back(p);
  for (const Quality q : {Quality::High, Quality::Low}) {
    Canvas c(q);
    c.renderer.DrawShape(s, Identity(), {});
    Matrix zero;
    zero.a = zero.d = 0;
    c.renderer.DrawShape(s, zero, {});
    Matrix bad = Identity();
    bad.tx = NAN;
    c.renderer.DrawShape(s, bad, {});
    Matrix vast = Identity();
    vast.a = 1e300;
    vast.d = -1e300;
    c.renderer.DrawShape(s, vast, {});
    Canvas empty(q, nullptr, 0, 0);
    empty.renderer.DrawShape(s, Identity(), {});
  }
  SUCCEED();
}

// ---- strokes ----

ShapeDef LineShape(double x0, double y0, double x1, double y1, const LineStyle& style) {
  ShapeDef s;
  ShapeGroup& g = s.groups.emplace_back();
  g.line_styles.push_back(style);
  ShapePath p;
  p.line = 1;
  p.start_x = T(x0);
  p.start_y = T(y0);
  ShapeEdge e;
  e.x = T(x1);
  e.y = T(y1);
  p.edges.push_back(e);
  g.paths.push_back(p);
  return s;
}

// Rows of column `x` darker than the background.
int InkedRows(const Canvas& c, int x) {
  int n = 0;
  for (int y = 0; y < kH; ++y) n += c.At(x, y).r < 128;
  return n;
}

TEST(RenderStroke, WidthScalesWithTheTransformAndNeverDropsBelowOnePixel) {
  LineStyle style;
  style.color = kBlack;
  style.width = 0;  // hairline
  Canvas hair(Quality::Low);
  hair.renderer.DrawShape(LineShape(10, 30, 90, 30, style), Identity(), {});
  EXPECT_EQ(InkedRows(hair, 50), 1);

  style.width = 4 * 20;
  Canvas four(Quality::Low);
  four.renderer.DrawShape(LineShape(10, 30, 90, 30, style), Identity(), {});
  EXPECT_EQ(InkedRows(four, 50), 4);

  Matrix twice = Identity();
  twice.a = twice.d = 2.0 / 20;
  Canvas eight(Quality::Low);
  eight.renderer.DrawShape(LineShape(5, 15, 45, 15, style), twice, {});
  EXPECT_EQ(InkedRows(eight, 50), 8);

  style.no_hscale = style.no_vscale = true;
  Canvas fixed(Quality::Low);
  fixed.renderer.DrawShape(LineShape(5, 15, 45, 15, style), twice, {});
  EXPECT_EQ(InkedRows(fixed, 50), 4);

  // A thin line scaled far down still shows as a one-pixel hairline.
  style = LineStyle{};
  style.color = kBlack;
  style.width = 20;
  Matrix tiny = Identity();
  tiny.a = tiny.d = 0.1 / 20;
  Canvas small(Quality::Low);
  small.renderer.DrawShape(LineShape(0, 300, 900, 300, style), tiny, {});
  EXPECT_EQ(InkedRows(small, 50), 1);
}

// Without anti-aliasing a line inks exactly the pixels whose centres lie within half its width
// of its path. Where both sides of a thin slanting line cross a pixel, the covered area and the
// centre disagree: a pixel whose centre lies outside may be half covered.
TEST(RenderStroke, LowQualityInksThePixelsWhoseCentresLieWithinTheLine) {
  LineStyle style;
  style.color = kBlack;
  std::mt19937 rng(11);
  auto twips = [&](int lo, int hi) { return (lo * 20 + static_cast<int>(rng() % ((hi - lo) * 20))) / 20.0; };
  for (int round = 0; round < 100; ++round) {
    const double width = 1 + (rng() % 12) / 20.0;
    style.width = static_cast<uint16_t>(std::lround(width * 20));
    const double x0 = twips(5, 95), y0 = twips(5, 55), x1 = twips(5, 95), y1 = twips(5, 55);
    const double dx = x1 - x0, dy = y1 - y0;
    if (dx * dx + dy * dy < 4) continue;
    Canvas c(Quality::Low);
    c.renderer.DrawShape(LineShape(x0, y0, x1, y1, style), Identity(), {});
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        const double px = x + 0.5, py = y + 0.5;
        const double t = ((px - x0) * dx + (py - y0) * dy) / (dx * dx + dy * dy);
        const double d = std::hypot(px - (x0 + t * dx), py - (y0 + t * dy));
        // Beside the round caps (drawn as polygons), or too close to call: not checked.
        if (t <= 0 || t >= 1 || std::fabs(d - width / 2) < 0.0005) continue;
        const int v = c.At(x, y).r;
        ASSERT_TRUE(v == 0 || v == 255) << x << "," << y << " is " << v;
        ASSERT_EQ(v == 0, d < width / 2) << "width " << width << ", pixel " << x << "," << y
                                         << " at " << d << " from the line of round " << round;
      }
  }
}

// Rows of column `x` darker than the background, as first and last (-1, -1 for none).
std::pair<int, int> InkedSpan(const Canvas& c, int x) {
  int first = -1, last = -1;
  for (int y = 0; y < kH; ++y)
    if (c.At(x, y).r < 128) {
      if (first < 0) first = y;
      last = y;
    }
  return {first, last};
}

// A colour matrix filter that changes nothing: makes a layer filtered without changing its look.
Filter IdentityColorMatrix() {
  Filter identity;
  identity.kind = Filter::Kind::ColorMatrix;
  identity.matrix.assign(20, 0.0f);
  for (int i = 0; i < 4; ++i) identity.matrix[static_cast<size_t>(i) * 6] = 1;
  return identity;
}

// Columns of row `y` darker than the background, as first and last (-1, -1 for none).
std::pair<int, int> InkedColumns(const Canvas& c, int y) {
  int first = -1, last = -1;
  for (int x = 0; x < kW; ++x)
    if (c.At(x, y).r < 128) {
      if (first < 0) first = x;
      last = x;
    }
  return {first, last};
}

TEST(RenderStroke, LowQualityStrokesKeepTheirPathAsFillsDo) {
  LineStyle style;
  style.color = kBlack;
  style.width = 5 * 20;
  // A 5-pixel line along y = 43 reaches from 40.5 to 45.5: the pixel whose centre lies on its
  // top edge is inked, the one on its bottom edge is not, as with a fill's edges. The same
  // across, and in a layer, filtered or not.
  const Filter identity = IdentityColorMatrix();
  for (int layer = 0; layer < 3; ++layer) {
    SCOPED_TRACE(layer == 0 ? "no layer" : layer == 1 ? "plain layer" : "filtered layer");
    auto draw = [&](Canvas& c, const ShapeDef& shape) {
      if (layer == 1) c.renderer.PushLayer();
      if (layer == 2) c.renderer.PushLayer({identity}, 1.0);
      c.renderer.DrawShape(shape, Identity(), {});
      if (layer == 1) c.renderer.PopLayer(0);
      if (layer == 2) c.renderer.PopLayer(0, {identity}, 1.0);
    };
    Canvas row(Quality::Low);
    draw(row, LineShape(10, 43, 90, 43, style));
    EXPECT_EQ(InkedSpan(row, 30), std::make_pair(40, 44));
    Canvas column(Quality::Low);
    draw(column, LineShape(50, 5, 50, 55, style));
    EXPECT_EQ(InkedColumns(column, 30), std::make_pair(47, 51));
    // Off the pixel grid no centre lies on an edge: the five centres within reach.
    Canvas between(Quality::Low);
    draw(between, LineShape(10, 43.3, 90, 43.3, style));
    EXPECT_EQ(InkedSpan(between, 30), std::make_pair(41, 45));
  }

  // A line one pixel wide or thinner keeps its place too: the pixel above or left of its path
  // holds a hair more than half of it.
  for (uint16_t width : {20, 10, 0}) {
    style.width = width;
    Canvas thin(Quality::Low);
    thin.renderer.DrawShape(LineShape(10, 43, 90, 43, style), Identity(), {});
    thin.renderer.DrawShape(LineShape(50, 5, 50, 30, style), Identity(), {});
    EXPECT_EQ(InkedSpan(thin, 30), std::make_pair(42, 42)) << width;
    EXPECT_LT(thin.At(49, 20).r, 128) << width;
    EXPECT_GE(thin.At(50, 20).r, 128) << width;
    EXPECT_GE(thin.At(48, 20).r, 128) << width;
  }
  style.width = 5 * 20;

  // High quality draws the line where its path is: half-covered rows at both edges.
  Canvas high(Quality::High);
  high.renderer.DrawShape(LineShape(10, 43, 90, 43, style), Identity(), {});
  EXPECT_NEAR(high.At(30, 40).r, 128, 4);
  EXPECT_NEAR(high.At(30, 45).r, 128, 4);
}

TEST(RenderStroke, LowQualityThinLinesKeepTheirPathInEveryLayer) {
  for (double width : {0.0, 20.0}) {  // a hairline and a one-pixel line
    LineStyle style;
    style.color = kBlack;
    style.width = width;
    // On a pixel boundary the line fills the pixel left of or above it, as a fill's edge would;
    // on a pixel's middle, that pixel.
    Canvas column(Quality::Low);
    column.renderer.DrawShape(LineShape(50, 5, 50, 55, style), Identity(), {});
    EXPECT_EQ(InkedColumns(column, 30), std::make_pair(49, 49)) << width;
    Canvas row(Quality::Low);
    row.renderer.DrawShape(LineShape(10, 30, 90, 30, style), Identity(), {});
    EXPECT_EQ(InkedSpan(row, 40), std::make_pair(29, 29)) << width;
    Canvas middle(Quality::Low);
    middle.renderer.DrawShape(LineShape(10, 30.5, 90, 30.5, style), Identity(), {});
    EXPECT_EQ(InkedSpan(middle, 40), std::make_pair(30, 30)) << width;

    // Within a filtered layer alike.
    const Filter identity = IdentityColorMatrix();
    Canvas filtered(Quality::Low);
    filtered.renderer.PushLayer({identity}, 1.0);
    filtered.renderer.DrawShape(LineShape(10, 30.5, 90, 30.5, style), Identity(), {});
    filtered.renderer.DrawShape(LineShape(50, 5, 50, 25, style), Identity(), {});
    filtered.renderer.PopLayer(0, {identity}, 1.0);
    EXPECT_EQ(InkedSpan(filtered, 40), std::make_pair(30, 30)) << width;
    EXPECT_EQ(InkedColumns(filtered, 15), std::make_pair(49, 49)) << width;
  }
}

TEST(RenderStroke, CapsEndTheLineAsTheirStyleSays) {
  LineStyle style;
  style.color = kBlack;
  style.width = 10 * 20;
  auto ends_at = [&](CapStyle cap) {
    style.start_cap = style.end_cap = cap;
    Canvas c(Quality::Low);
    c.renderer.DrawShape(LineShape(20, 30, 60, 30, style), Identity(), {});
    int last = -1;
    for (int x = 0; x < kW; ++x)
      if (c.At(x, 30).r < 128) last = x;
    return last;
  };
  EXPECT_EQ(ends_at(CapStyle::None), 59);
  EXPECT_EQ(ends_at(CapStyle::Square), 64);
  EXPECT_EQ(ends_at(CapStyle::Round), 64);
}

TEST(RenderStroke, StrokesDrawOverFillsAndTakeTheColourTransform) {
  ShapeDef s = RectShape(10, 10, 50, 50, SolidFill(kRed));
  LineStyle style;
  style.color = {0, 0, 200, 255};
  style.width = 40;
  s.groups[0].line_styles.push_back(style);
  s.groups[0].paths[0].line = 1;
  ColorTransform cx;
  cx.g_add = 100;
  Canvas c(Quality::Low);
  c.renderer.DrawShape(s, Identity(), cx);
  ExpectColor(c.At(30, 10), {0, 100, 200, 255});
  ExpectColor(c.At(30, 30), {255, 100, 0, 255});
}

// ---- gradients ----

FillStyle LinearGradient(SpreadMode spread, Rgba a, Rgba b, double x0, double x1) {
  FillStyle f;
  f.type = FillStyle::Type::LinearGradient;
  f.gradient.spread = spread;
  f.gradient.stops = {{0, a}, {255, b}};
  // The gradient square (-16384..16384) onto x0..x1 pixels (in twips).
  f.matrix.a = (x1 - x0) * 20 / 32768.0;
  f.matrix.d = 1;
  f.matrix.tx = (x0 + x1) / 2 * 20;
  return f;
}

TEST(RenderGradient, LinearRunsBetweenItsStopsAndSpreadsBeyond) {
  auto row = [](SpreadMode mode) {
    auto c = std::make_unique<Canvas>();
    c->renderer.DrawShape(RectShape(0, 0, 100, 10, LinearGradient(mode, kRed, kBlue, 20, 40)),
                          Identity(), {});
    return c;
  };
  auto pad_canvas = row(SpreadMode::Pad);
  Canvas& pad = *pad_canvas;
  ExpectColor(pad.At(20, 5), kRed, 8);
  EXPECT_NEAR(pad.At(30, 5).r, 128, 8);
  EXPECT_NEAR(pad.At(30, 5).b, 128, 8);
  ExpectColor(pad.At(39, 5), kBlue, 8);
  ExpectColor(pad.At(5, 5), kRed);
  ExpectColor(pad.At(90, 5), kBlue);

  auto repeat_canvas = row(SpreadMode::Repeat);
  Canvas& repeat = *repeat_canvas;
  ExpectColor(repeat.At(41, 5), kRed, 20);  // starts again
  ExpectColor(repeat.At(59, 5), kBlue, 20);

  auto reflect_canvas = row(SpreadMode::Reflect);
  Canvas& reflect = *reflect_canvas;
  ExpectColor(reflect.At(41, 5), kBlue, 20);  // runs back
  ExpectColor(reflect.At(59, 5), kRed, 20);
}

TEST(RenderGradient, RadialAndFocalStartAtTheirCentreAndFocus) {
  FillStyle f;
  f.type = FillStyle::Type::RadialGradient;
  f.gradient.stops = {{0, kRed}, {255, kBlue}};
  // Radius 20 pixels around (50, 30).
  f.matrix.a = f.matrix.d = 20 * 20 / 16384.0;
  f.matrix.tx = 50 * 20;
  f.matrix.ty = 30 * 20;
  Canvas radial;
  radial.renderer.DrawShape(RectShape(0, 0, 100, 60, f), Identity(), {});
  ExpectColor(radial.At(50, 30), kRed, 10);
  EXPECT_NEAR(radial.At(60, 30).r, 128, 12);
  EXPECT_NEAR(radial.At(50, 40).r, 128, 12);  // round, not square
  ExpectColor(radial.At(80, 30), kBlue);

  f.type = FillStyle::Type::FocalGradient;
  f.gradient.focal_point = 0.5;  // focus at (60, 30)
  Canvas focal;
  focal.renderer.DrawShape(RectShape(0, 0, 100, 60, f), Identity(), {});
  ExpectColor(focal.At(60, 30), kRed, 20);
  EXPECT_GT(focal.At(50, 30).b, 64);  // the old centre is well into the gradient
  ExpectColor(focal.At(80, 30), kBlue);
}

TEST(RenderGradient, LinearRgbInterpolationIsBrighterInTheMiddle) {
  FillStyle f = LinearGradient(SpreadMode::Pad, kBlack, {255, 255, 255, 255}, 0, 100);
  Canvas normal;
  normal.renderer.DrawShape(RectShape(0, 0, 100, 10, f), Identity(), {});
  f.gradient.interpolation = InterpolationMode::LinearRgb;
  Canvas linear;
  linear.renderer.DrawShape(RectShape(0, 0, 100, 10, f), Identity(), {});
  EXPECT_NEAR(normal.At(50, 5).r, 128, 4);
  EXPECT_NEAR(linear.At(50, 5).r, 188, 6);
  EXPECT_LT(linear.At(0, 5).r, 20);  // the ends keep the stop colours
  EXPECT_GT(linear.At(99, 5).r, 250);
}

TEST(RenderGradient, LinearRgbKeepsWholeLinearLevelsAndDarkensTranslucentColours) {
  // Opaque: dark channels fall to the sRGB value of the linear level below them, at the stops,
  // beyond them and between them; a channel that stays the same along the ramp stays level.
  FillStyle f = LinearGradient(SpreadMode::Pad, {255, 20, 25, 255}, {14, 20, 255, 255}, 20, 80);
  f.gradient.interpolation = InterpolationMode::LinearRgb;
  Canvas opaque;
  opaque.renderer.DrawShape(RectShape(0, 0, 100, 10, f), Identity(), {});
  ExpectColor(opaque.At(5, 5), {255, 13, 22, 255}, 1);
  ExpectColor(opaque.At(95, 5), {13, 13, 255, 255}, 1);
  EXPECT_NEAR(opaque.At(50, 5).g, 13, 1);
  EXPECT_NEAR(opaque.At(50, 5).r, 188, 4);
  EXPECT_NEAR(opaque.At(50, 5).b, 188, 4);

  // Translucent: bright channels come out darker the more transparent the colour is, dark ones
  // hardly change. Over white.
  f.gradient.stops = {{0, {255, 20, 25, 196}}, {200, {14, 20, 255, 140}}};
  Canvas translucent;
  translucent.renderer.DrawShape(RectShape(0, 0, 100, 10, f), Identity(), {});
  ExpectColor(translucent.At(95, 5), {121, 121, 215, 255}, 2);
  ExpectColor(translucent.At(2, 5), {228, 69, 75, 255}, 2);
}

TEST(RenderGradient, ColourTransformAppliesToStops) {
  FillStyle f = LinearGradient(SpreadMode::Pad, kRed, kBlue, 0, 100);
  ColorTransform cx;
  cx.g_add = 255;
  Canvas c;
  c.renderer.DrawShape(RectShape(0, 0, 100, 10, f), Identity(), cx);
  ExpectColor(c.At(1, 5), {255, 255, 0, 255}, 6);
  ExpectColor(c.At(98, 5), {0, 255, 255, 255}, 6);
}

// ---- bitmaps ----

struct Library : CharacterLookup {
  std::map<uint16_t, std::shared_ptr<CharacterDef>> chars;
  const CharacterDef* Find(uint16_t id) const override {
    auto it = chars.find(id);
    return it == chars.end() ? nullptr : it->second.get();
  }
};

// A 2x2 bitmap: red, green / blue, half-transparent black (premultiplied).
std::shared_ptr<BitmapDef> Checker(uint16_t id) {
  auto b = std::make_shared<BitmapDef>(id);
  b->width = b->height = 2;
  b->bgra_premultiplied = {0, 0, 255, 255, 0, 255, 0, 255, 255, 0, 0, 255, 0, 0, 0, 128};
  return b;
}

FillStyle BitmapFill(FillStyle::Type type, uint16_t id, double scale, double x, double y) {
  FillStyle f;
  f.type = type;
  f.bitmap_id = id;
  f.matrix.a = f.matrix.d = scale * 20;  // bitmap pixels -> twips
  f.matrix.tx = x * 20;
  f.matrix.ty = y * 20;
  return f;
}

// Fills a 100x60 rectangle with the checker (id 5) unsmoothed, ten times its size, its corner at
// (`origin`, `origin`).
void DrawChecker(Canvas& c, double origin) {
  c.renderer.DrawShape(
      RectShape(0, 0, 100, 60,
                BitmapFill(FillStyle::Type::NonSmoothedClippedBitmap, 5, 10, origin, origin)),
      Identity(), {});
}

TEST(RenderBitmap, ClippedFillShowsPixelsAndExtendsItsEdges) {
  Library lib;
  lib.chars[5] = Checker(5);
  Canvas c(Quality::High, &lib);
  DrawChecker(c, 20);
  ExpectColor(c.At(25, 25), kRed);
  ExpectColor(c.At(35, 25), kGreen);
  ExpectColor(c.At(25, 35), kBlue);
  EXPECT_NEAR(c.At(35, 35).r, 127, 2);  // half-transparent black over white
  ExpectColor(c.At(5, 5), kRed);        // beyond the corner: the corner pixel
  ExpectColor(c.At(90, 25), kGreen);
}

TEST(RenderBitmap, RepeatingFillTilesAndSmoothingBlends) {
  Library lib;
  lib.chars[5] = Checker(5);
  Canvas c(Quality::High, &lib);
  c.renderer.DrawShape(
      RectShape(0, 0, 100, 60,
                BitmapFill(FillStyle::Type::NonSmoothedRepeatingBitmap, 5, 10, 20, 20)),
      Identity(), {});
  ExpectColor(c.At(45, 25), kRed);  // one tile to the right
  ExpectColor(c.At(5, 25), kRed);   // one tile to the left
  ExpectColor(c.At(15, 25), kGreen);

  Canvas smooth(Quality::High, &lib);
  smooth.renderer.DrawShape(
      RectShape(0, 0, 100, 60, BitmapFill(FillStyle::Type::ClippedBitmap, 5, 10, 20, 20)),
      Identity(), {});
  Px mid = smooth.At(30, 22);  // between the red and the green pixel
  EXPECT_NEAR(mid.r, 128, 30);
  EXPECT_NEAR(mid.g, 128, 30);
  ExpectColor(smooth.At(22, 22), kRed, 2);

  // Low quality never smooths.
  Canvas low(Quality::Low, &lib);
  low.renderer.DrawShape(
      RectShape(0, 0, 100, 60, BitmapFill(FillStyle::Type::ClippedBitmap, 5, 10, 20, 20)),
      Identity(), {});
  ExpectColor(low.At(29, 22), kRed);
  ExpectColor(low.At(30, 22), kGreen);
}

TEST(RenderBitmap, LowQualityReadsBitmapsAtTheTruePixelCentres) {
  // The edge between the bitmap's first and second pixels lies 1/500 of a pixel beyond the
  // centres of stage column and row 30: those centres still read the first pixels (the outline's
  // own sub-pixel shift at low quality must not move what is painted).
  Library lib;
  lib.chars[5] = Checker(5);
  for (Quality q : {Quality::Low, Quality::High}) {
    Canvas c(q, &lib);
    DrawChecker(c, 20.502);
    ExpectColor(c.At(30, 25), kRed);
    ExpectColor(c.At(31, 25), kGreen);
    ExpectColor(c.At(25, 30), kRed);
    ExpectColor(c.At(25, 31), kBlue);
  }
}

TEST(RenderBitmap, ColourTransformAppliesPerPixelAndMissingBitmapsDrawNothing) {
  Library lib;
  lib.chars[5] = Checker(5);
  lib.chars[6] = std::make_shared<ShapeDef>(6);  // not a bitmap
  ColorTransform cx;
  cx.b_add = 255;
  Canvas c(Quality::High, &lib);
  c.renderer.DrawShape(
      RectShape(0, 0, 100, 60,
                BitmapFill(FillStyle::Type::NonSmoothedClippedBitmap, 5, 10, 20, 20)),
      Identity(), cx);
  ExpectColor(c.At(25, 25), {255, 0, 255, 255});
  for (uint16_t id : {6, 99}) {
    Canvas d(Quality::High, &lib);
    d.renderer.DrawShape(
        RectShape(0, 0, 100, 60, BitmapFill(FillStyle::Type::RepeatingBitmap, id, 10, 0, 0)),
        Identity(), {});
    ExpectColor(d.At(25, 25), {255, 255, 255, 255});
  }
  Canvas none(Quality::High, nullptr);
  none.renderer.DrawShape(
      RectShape(0, 0, 100, 60, BitmapFill(FillStyle::Type::RepeatingBitmap, 5, 10, 0, 0)),
      Identity(), {});
  ExpectColor(none.At(25, 25), {255, 255, 255, 255});
}

// ---- masks and layers ----

TEST(RenderMask, ObjectsBetweenEndAndPopAreClippedToTheMaskShape) {
  Canvas c;
  c.renderer.BeginMask();
  // The mask's own colour and alpha do not matter, only its shape.
  c.renderer.DrawShape(RectShape(0, 0, 50, 60, SolidFill({10, 20, 30, 0})), Identity(), {});
  c.renderer.EndMask();
  c.renderer.DrawShape(RectShape(0, 0, 100, 60, SolidFill(kRed)), Identity(), {});
  c.renderer.PopMask();
  c.renderer.DrawShape(RectShape(0, 50, 100, 60, SolidFill(kBlue)), Identity(), {});
  ExpectColor(c.At(25, 25), kRed);
  ExpectColor(c.At(75, 25), {255, 255, 255, 255});
  ExpectColor(c.At(75, 55), kBlue);  // after PopMask nothing is clipped
}

TEST(RenderMask, NestedMasksIntersect) {
  Canvas c;
  c.renderer.BeginMask();
  c.renderer.DrawShape(RectShape(0, 0, 50, 60, SolidFill(kBlack)), Identity(), {});
  c.renderer.EndMask();
  c.renderer.BeginMask();
  c.renderer.DrawShape(RectShape(0, 0, 100, 30, SolidFill(kBlack)), Identity(), {});
  c.renderer.EndMask();
  c.renderer.DrawShape(RectShape(0, 0, 100, 60, SolidFill(kGreen)), Identity(), {});
  c.renderer.PopMask();
  c.renderer.PopMask();
  ExpectColor(c.At(25, 15), kGreen);
  ExpectColor(c.At(75, 15), {255, 255, 255, 255});
  ExpectColor(c.At(25, 45), {255, 255, 255, 255});
}

TEST(RenderMask, UnbalancedCallsAreHarmless) {
  Canvas c;
  c.renderer.PopMask();
  c.renderer.EndMask();
  c.renderer.PopLayer(kBlendNormal);
  c.renderer.BeginMask();
  c.renderer.DrawShape(RectShape(0, 0, 50, 60, SolidFill(kBlack)), Identity(), {});
  c.renderer.PopMask();  // mask with nothing clipped: dropped
  c.renderer.DrawShape(RectShape(60, 0, 100, 60, SolidFill(kRed)), Identity(), {});
  ExpectColor(c.At(25, 25), {255, 255, 255, 255});
  ExpectColor(c.At(80, 25), kRed);
}

TEST(RenderLayer, LayerCompositesOverWhatLiesBelow) {
  Canvas c;
  c.renderer.DrawShape(RectShape(0, 0, 50, 60, SolidFill(kBlue)), Identity(), {});
  c.renderer.PushLayer();
  c.renderer.DrawShape(RectShape(25, 0, 75, 60, SolidFill({255, 0, 0, 128})), Identity(), {});
  c.renderer.PopLayer(kBlendNormal);
  Px over_blue = c.At(40, 30), over_white = c.At(60, 30);
  EXPECT_NEAR(over_blue.r, 128, 2);
  EXPECT_NEAR(over_blue.b, 127, 2);
  EXPECT_NEAR(over_white.r, 255, 1);
  EXPECT_NEAR(over_white.g, 127, 2);
  ExpectColor(c.At(10, 30), kBlue);
}

// ---- morphs ----

TEST(RenderMorph, RatioMovesEdgesAndBlendsStyles) {
  MorphShapeDef m(1);
  MorphFillStyle f;
  f.start = SolidFill(kRed);
  f.end = SolidFill(kBlue);
  m.fill_styles.push_back(f);
  m.start_paths.push_back(RectPath(0, 0, 20, 20, 0, 1));
  m.end_paths.push_back(RectPath(60, 20, 100, 60, 0, 1));
  auto draw = [&](double ratio) {
    auto c = std::make_unique<Canvas>();
    c->renderer.DrawMorphShape(m, ratio, Identity(), {});
    return c;
  };
  auto start = draw(0), mid = draw(0.5), end = draw(1);
  ExpectColor(start->At(10, 10), kRed);
  ExpectColor(start->At(70, 30), {255, 255, 255, 255});
  ExpectColor(end->At(70, 30), kBlue);
  ExpectColor(end->At(10, 10), {255, 255, 255, 255});
  // Halfway: (30,10)-(60,40), purple.
  Px p = mid->At(45, 25);
  EXPECT_NEAR(p.r, 127, 1);
  EXPECT_NEAR(p.b, 127, 1);
  ExpectColor(mid->At(25, 25), {255, 255, 255, 255});
  ExpectColor(mid->At(65, 25), {255, 255, 255, 255});
  // Ratios outside 0..1 are held at the ends.
  ExpectColor(draw(-3)->At(10, 10), kRed);
  ExpectColor(draw(7)->At(70, 30), kBlue);
}

}  // namespace
