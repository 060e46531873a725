// The renderer's speed paths must not change a pixel: the rasteriser's row sort must order cells
// exactly by x for every row shape (short and long rows, runs in either direction, repeated and
// negative x), and rows crossed many times must still fill exactly their pixels; the wide span
// blends must round every pixel like the one-pixel blend, over a background that differs from
// pixel to pixel (so pixels swapped between vector lanes show); gradient spans must not depend on
// how long the span is; shapes wholly inside the target (drawn without clipping) must come out as
// they do with clipping, and only shapes (and lines, with their width, caps and miters) wholly
// outside may be skipped; gradient tables keep
// their meaning for stops out of ratio order and for more stops than the format holds; bitmap
// fills read pixels inside the bitmap as they read them across its edges.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <random>
#include <vector>

#include "platform/flash/format/bitmap.h"
#include "platform/flash/format/shape.h"
#include "platform/flash/renderer/cell_sort.h"
#include "platform/flash/renderer/renderer.h"

namespace {

using namespace flash;

// Sorts cells built from `xs` and checks the result is the same set of cells in x order.
void ExpectSortedPermutation(const std::vector<int>& xs) {
  struct Cell {
    int x, id;
  };
  std::vector<Cell> cells(xs.size());
  std::vector<Cell*> ptrs;
  for (size_t i = 0; i < xs.size(); ++i) {
    cells[i] = {xs[i], static_cast<int>(i)};
    ptrs.push_back(&cells[i]);
  }
  SortCellsByX(ptrs.data(), static_cast<unsigned>(ptrs.size()));
  std::vector<int> seen;
  for (size_t i = 0; i < ptrs.size(); ++i) {
    if (i > 0) {
      ASSERT_LE(ptrs[i - 1]->x, ptrs[i]->x) << "at " << i << " of " << ptrs.size();
    }
    seen.push_back(ptrs[i]->id);
  }
  std::sort(seen.begin(), seen.end());
  for (size_t i = 0; i < seen.size(); ++i)
    ASSERT_EQ(seen[i], static_cast<int>(i)) << "cell lost or doubled";
}

TEST(RenderCellOrder, RowsOfEveryShapeAndLengthComeOutInXOrder) {
  ExpectSortedPermutation({});
  ExpectSortedPermutation({5});
  ExpectSortedPermutation({7, 3});
  ExpectSortedPermutation(
      {-1, -2147483647 - 1, 2147483647, 0, -5});  // signed order at the extremes
  std::mt19937 rng(7);
  for (unsigned n : {2u, 3u, 8u, 9u, 31u, 32u, 33u, 64u, 200u, 5000u}) {
    std::vector<int> ascending(n), descending(n), runs(n), repeats(n), random(n);
    for (unsigned i = 0; i < n; ++i) {
      ascending[i] = static_cast<int>(i) - 10;
      descending[i] = 100 - static_cast<int>(i);
      // An outline's row: the right edge running left, then the left edge running right.
      runs[i] = i < n / 2 ? 1000 - static_cast<int>(i) : static_cast<int>(i);
      repeats[i] = static_cast<int>(rng() % 4);
      random[i] = static_cast<int>(rng() % 2001) - 1000;
    }
    for (const auto& xs : {ascending, descending, runs, repeats, random})
      ExpectSortedPermutation(xs);
  }
}

constexpr int kW = 120, kH = 20;

std::vector<uint8_t> Draw(const ShapeDef& s, Quality q) {
  std::vector<uint8_t> px(static_cast<size_t>(kW) * kH * 4);
  Renderer r({px.data(), kW, kH, kW * 4}, q, nullptr);
  r.Clear({255, 255, 255, 255});
  Matrix m;
  m.a = m.d = 1.0 / 20;
  r.DrawShape(s, m, {});
  return px;
}

// A comb of `teeth` one-pixel-wide teeth on whole pixels, with one or two fill styles
// alternating (two styles go through the compound rasteriser).
ShapeDef Comb(int teeth, bool two_styles) {
  ShapeDef s;
  ShapeGroup& g = s.groups.emplace_back();
  FillStyle red, blue;
  red.color = {255, 0, 0, 255};
  blue.color = {0, 0, 255, 255};
  g.fill_styles = {red, blue};
  for (int i = 0; i < teeth; ++i) {
    ShapePath p;
    p.fill1 = two_styles && i % 2 ? 2 : 1;
    int32_t x0 = (2 * i + 1) * 20, x1 = x0 + 20, y0 = 20, y1 = 19 * 20;
    p.start_x = x0;
    p.start_y = y0;
    for (auto [x, y] : {std::pair{x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}}) {
      ShapeEdge e;
      e.x = x;
      e.y = y;
      p.edges.push_back(e);
    }
    s.groups[0].paths.push_back(p);
  }
  return s;
}

TEST(RenderCellOrder, RowsCrossedManyTimesFillExactlyTheirPixels) {
  for (bool two : {false, true}) {
    for (Quality q : {Quality::High, Quality::Low}) {
      std::vector<uint8_t> px = Draw(Comb(50, two), q);
      for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
          const uint8_t* p = &px[(static_cast<size_t>(y) * kW + x) * 4];
          int tooth = (x - 1) / 2;
          bool inside = y >= 1 && y < 19 && x >= 1 && x % 2 == 1 && tooth < 50;
          bool blue = two && tooth % 2 == 1;
          uint8_t want_b = inside ? (blue ? 255 : 0) : 255,
                  want_r = inside ? (blue ? 0 : 255) : 255;
          ASSERT_EQ(p[0], want_b) << "x " << x << " y " << y << " two styles " << two;
          ASSERT_EQ(p[2], want_r) << "x " << x << " y " << y << " two styles " << two;
          ASSERT_EQ(p[3], 255);
        }
      }
    }
  }
}

// Premultiplied B,G,R,A of a varied opaque or translucent background.
std::vector<uint8_t> Background(int w, int h) {
  std::vector<uint8_t> px(static_cast<size_t>(w) * h * 4);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &px[(static_cast<size_t>(y) * w + x) * 4];
      int a = x % 3 == 0 ? 255 : 40 + (x * 53 + y * 31) % 216;
      p[3] = static_cast<uint8_t>(a);
      p[0] = static_cast<uint8_t>((x * 7 + y * 13) % (a + 1));
      p[1] = static_cast<uint8_t>((x * 29 + y * 3) % (a + 1));
      p[2] = static_cast<uint8_t>((x * 11 + y * 17 + 100) % (a + 1));
    }
  return px;
}

// Drawing a translucent shape over `under` must give, at every pixel, the shape drawn alone (over
// nothing) put over `under` with one rounding per channel.
void ExpectExactOver(const ShapeDef& s, int w, int h) {
  std::vector<uint8_t> alone(static_cast<size_t>(w) * h * 4, 0), under = Background(w, h),
                                                                 both = under;
  Matrix m;
  m.a = m.d = 1.0 / 20;
  {
    Renderer r({alone.data(), w, h, w * 4}, Quality::High, nullptr);
    r.DrawShape(s, m, {});
  }
  {
    Renderer r({both.data(), w, h, w * 4}, Quality::High, nullptr);
    r.DrawShape(s, m, {});
  }
  int drawn = 0;
  for (size_t i = 0; i < both.size(); i += 4) {
    int a = alone[i + 3];
    drawn += a != 0;
    for (int c = 0; c < 4; ++c) {
      int t = under[i + c] * (255 - a) + 128;
      int want = alone[i + c] + ((t + (t >> 8)) >> 8);
      ASSERT_EQ(both[i + c], want)
          << "pixel " << (i / 4) % w << "," << (i / 4) / w << " channel " << c;
    }
  }
  EXPECT_GT(drawn, w * h / 4);
}

// A quadrilateral with long, nearly horizontal top and bottom edges (rows of partly covered
// pixels) and a translucent fill.
ShapeDef Slanted(const FillStyle& fill) {
  ShapeDef s;
  ShapeGroup& g = s.groups.emplace_back();
  g.fill_styles.push_back(fill);
  ShapePath p;
  p.fill1 = 1;
  p.start_x = 3 * 20 + 7;
  p.start_y = 2 * 20 + 3;
  for (auto [x, y] : {std::pair{97 * 20 + 11, 6 * 20 + 17},
                      {95 * 20, 37 * 20 + 5},
                      {2 * 20 + 9, 33 * 20},
                      {67, 43}}) {
    ShapeEdge e;
    e.x = x;
    e.y = y;
    p.edges.push_back(e);
  }
  g.paths.push_back(p);
  return s;
}

TEST(RenderWideBlend, TranslucentFillsOverAVariedBackgroundRoundLikeOnePixelBlends) {
  FillStyle solid;
  solid.color = {30, 200, 120, 150};
  ExpectExactOver(Slanted(solid), 101, 41);
  FillStyle opaque;
  opaque.color = {30, 200, 120, 255};  // full cover stores, partial cover blends
  ExpectExactOver(Slanted(opaque), 101, 41);
  FillStyle radial;
  radial.type = FillStyle::Type::RadialGradient;
  radial.gradient.stops = {
      {0, {255, 0, 0, 90}}, {128, {0, 255, 40, 255}}, {255, {0, 30, 255, 170}}};
  radial.matrix.a = radial.matrix.d = 900 / 16384.0;
  radial.matrix.tx = 50 * 20;
  radial.matrix.ty = 20 * 20;
  ExpectExactOver(Slanted(radial), 101, 41);
  radial.gradient.spread = SpreadMode::Reflect;
  ExpectExactOver(Slanted(radial), 101, 41);
}

TEST(RenderWideBlend, GradientSpansAgreeWhateverTheirLength) {
  // A gradient span is computed by running sums from its first pixel, so a shorter span from the
  // same start is exactly the start of a longer one, whichever loop (one, two or four pixels a
  // step) computed each pixel. Rectangles on whole pixels are drawn as one span per row.
  const int w = 160, h = 3;
  for (auto type : {FillStyle::Type::RadialGradient, FillStyle::Type::LinearGradient}) {
    FillStyle f;
    f.type = type;
    for (int i = 0; i < 8; ++i)
      f.gradient.stops.push_back({static_cast<uint8_t>(i * 36),
                                  {static_cast<uint8_t>(i * 30), static_cast<uint8_t>(255 - i * 20),
                                   static_cast<uint8_t>(i * 97 % 256), 255}});
    f.matrix.a = 0.013 * 20;
    f.matrix.b = 0.004 * 20;
    f.matrix.c = -0.005 * 20;
    f.matrix.d = 0.011 * 20;
    f.matrix.tx = 31.5 * 20;
    f.matrix.ty = 1.25 * 20;
    auto draw = [&](int width) {
      ShapeDef s;
      ShapeGroup& g = s.groups.emplace_back();
      g.fill_styles.push_back(f);
      ShapePath p;
      p.fill1 = 1;
      p.start_x = 20;
      p.start_y = 0;
      for (auto [x, y] :
           {std::pair{20 + width * 20, 0}, {20 + width * 20, h * 20}, {20, h * 20}, {20, 0}}) {
        ShapeEdge e;
        e.x = x;
        e.y = y;
        p.edges.push_back(e);
      }
      g.paths.push_back(p);
      std::vector<uint8_t> px(static_cast<size_t>(w) * h * 4, 0);
      Renderer r({px.data(), w, h, w * 4}, Quality::High, nullptr);
      Matrix m;
      m.a = m.d = 1.0 / 20;
      r.DrawShape(s, m, {});
      return px;
    };
    const int longest = w - 2;
    std::vector<uint8_t> full = draw(longest);
    for (int width = 1; width < longest; width += width < 20 ? 1 : 13) {
      std::vector<uint8_t> part = draw(width);
      for (int y = 0; y < h; ++y)
        for (int x = 1; x <= width; ++x)
          for (int c = 0; c < 4; ++c) {
            size_t i = (static_cast<size_t>(y) * w + x) * 4 + c;
            ASSERT_EQ(part[i], full[i]) << "width " << width << " pixel " << x << "," << y;
          }
    }
  }
}

// An edge to (x, y) pixels, curved through (cx, cy) when `curve`.
ShapeEdge EdgeTo(double x, double y, bool curve = false, double cx = 0, double cy = 0) {
  ShapeEdge e;
  e.x = static_cast<int32_t>(x * 20);
  e.y = static_cast<int32_t>(y * 20);
  e.curve = curve;
  e.cx = static_cast<int32_t>(cx * 20);
  e.cy = static_cast<int32_t>(cy * 20);
  return e;
}

ShapePath LoopAt(double x, double y, std::initializer_list<ShapeEdge> edges, uint32_t fill1 = 1) {
  ShapePath p;
  p.fill1 = fill1;
  p.start_x = static_cast<int32_t>(x * 20);
  p.start_y = static_cast<int32_t>(y * 20);
  p.edges = edges;
  return p;
}

std::vector<uint8_t> DrawOn(const ShapeDef& s, int w, int h) {
  std::vector<uint8_t> px = Background(w, h);
  Renderer r({px.data(), w, h, w * 4}, Quality::High, nullptr);
  Matrix m;
  m.a = m.d = 1.0 / 20;
  r.DrawShape(s, m, {});
  return px;
}

TEST(RenderPlacement, ShapesInsideTheTargetDrawAsTheyDoWhenClipped) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> in(1.0, 59.0);
  for (int round = 0; round < 30; ++round) {
    bool two_styles = round % 2;
    ShapeDef s;
    ShapeGroup& g = s.groups.emplace_back();
    FillStyle a, b;
    a.color = {200, 40, 90, 170};
    b.color = {20, 240, 30, 255};
    g.fill_styles = {a, b};
    for (int k = 0; k < 3; ++k) {
      g.paths.push_back(
          LoopAt(in(rng), in(rng),
                 {EdgeTo(in(rng), in(rng), true, in(rng), in(rng)), EdgeTo(in(rng), in(rng)),
                  EdgeTo(in(rng), in(rng), true, in(rng), in(rng))},
                 two_styles && k == 1 ? 2 : 1));
      // Close the loop back to its start.
      ShapePath& p = g.paths.back();
      p.edges.push_back(EdgeTo(p.start_x / 20.0, p.start_y / 20.0));
    }
    std::vector<uint8_t> inside = DrawOn(s, 60, 60);
    // The same group with a closed loop far outside on the left: it adds nothing, but the group
    // now reaches outside the target and is clipped.
    g.paths.push_back(LoopAt(-50, 10, {EdgeTo(-40, 10), EdgeTo(-40, 30), EdgeTo(-50, 10)}));
    std::vector<uint8_t> clipped = DrawOn(s, 60, 60);
    ASSERT_EQ(inside, clipped) << "round " << round;
    ASSERT_NE(inside, Background(60, 60));
  }
}

TEST(RenderPlacement, OnlyShapesWhollyOutsideAreLeftOut) {
  const int w = 40, h = 30;
  const std::vector<uint8_t> untouched = Background(w, h);
  auto shape = [](ShapePath p) {
    ShapeDef s;
    ShapeGroup& g = s.groups.emplace_back();
    FillStyle f;
    f.color = {0, 0, 0, 255};
    g.fill_styles = {f};
    g.paths = {p};
    return s;
  };
  // Wholly outside on every side, also just past the edge.
  for (auto [x, y] :
       {std::pair{-12.0, 5.0}, {w + 0.5, 5.0}, {5.0, -10.5}, {5.0, h + 0.25}, {-20.0, -20.0}}) {
    ShapeDef s = shape(LoopAt(x, y, {EdgeTo(x + 10, y), EdgeTo(x + 10, y + 10), EdgeTo(x, y)}));
    if (x == -12.0)
      s.groups[0].paths[0].edges = {EdgeTo(-2.5, y), EdgeTo(-2.5, y + 10), EdgeTo(x, y)};
    EXPECT_EQ(DrawOn(s, w, h), untouched) << x << "," << y;
  }
  // Ends outside on the left, but the curve bulges through its control point into the target.
  ShapeDef bulge = shape(LoopAt(-1, 5, {EdgeTo(-1, 25, true, 20, 15), EdgeTo(-1, 5)}));
  std::vector<uint8_t> px = DrawOn(bulge, w, h);
  const uint8_t* centre = &px[(static_cast<size_t>(15) * w + 4) * 4];
  EXPECT_EQ(centre[0], 0);
  EXPECT_EQ(centre[1], 0);
  EXPECT_EQ(centre[2], 0);
  EXPECT_EQ(centre[3], 255);
  // Touching the target's edge from outside covers nothing; a quarter pixel in darkens the first
  // column and nothing else.
  EXPECT_EQ(DrawOn(shape(LoopAt(-5, 0, {EdgeTo(0, 0), EdgeTo(0, h), EdgeTo(-5, h), EdgeTo(-5, 0)})),
                   w, h),
            untouched);
  px = DrawOn(
      shape(LoopAt(-5, 0, {EdgeTo(0.25, 0), EdgeTo(0.25, h), EdgeTo(-5, h), EdgeTo(-5, 0)})), w, h);
  for (int y = 0; y < h; ++y) {
    const size_t row = static_cast<size_t>(y) * w * 4;
    EXPECT_NE(0, std::memcmp(&px[row], &untouched[row], 4)) << y;
    EXPECT_EQ(0, std::memcmp(&px[(static_cast<size_t>(y) * w + 1) * 4],
                             &untouched[(static_cast<size_t>(y) * w + 1) * 4],
                             static_cast<size_t>(w - 1) * 4))
        << y;
  }
}

// A line of `width` pixels along the points, in black.
ShapeDef Line(std::initializer_list<std::pair<double, double>> points, double width, CapStyle cap,
              JoinStyle join, double miter_limit = 3) {
  ShapeDef s;
  ShapeGroup& g = s.groups.emplace_back();
  LineStyle l;
  l.width = static_cast<uint16_t>(width * 20);
  l.color = {0, 0, 0, 255};
  l.start_cap = l.end_cap = cap;
  l.join = join;
  l.miter_limit = miter_limit;
  g.line_styles = {l};
  ShapePath p;
  p.line = 1;
  p.start_x = static_cast<int32_t>(points.begin()->first * 20);
  p.start_y = static_cast<int32_t>(points.begin()->second * 20);
  for (auto it = points.begin() + 1; it != points.end(); ++it)
    p.edges.push_back(EdgeTo(it->first, it->second));
  g.paths = {p};
  return s;
}

TEST(RenderPlacement, LinesCentredOutsideStillDrawWhatReachesIn) {
  const int w = 40, h = 30;
  const std::vector<uint8_t> untouched = Background(w, h);
  auto pixel_changed = [&](const std::vector<uint8_t>& px, int x, int y) {
    size_t i = (static_cast<size_t>(y) * w + x) * 4;
    return std::memcmp(&px[i], &untouched[i], 4) != 0;
  };
  // Half of a four-pixel line above the top edge reaches a pixel into the first row.
  std::vector<uint8_t> px =
      DrawOn(Line({{5, -1}, {30, -1}}, 4, CapStyle::Round, JoinStyle::Round), w, h);
  EXPECT_TRUE(pixel_changed(px, 15, 0));
  EXPECT_FALSE(pixel_changed(px, 15, 2));
  // A square cap reaches past the end of a line that stops left of the target.
  px = DrawOn(Line({{-30, 15}, {-1.2, 15}}, 4, CapStyle::Square, JoinStyle::Round), w, h);
  EXPECT_TRUE(pixel_changed(px, 0, 15));
  EXPECT_EQ(DrawOn(Line({{-30, 15}, {-1.2, 15}}, 4, CapStyle::None, JoinStyle::Round), w, h),
            untouched);
  // The miter of a sharp corner just left of the target reaches several pixels in.
  px = DrawOn(Line({{-20, 11.5}, {-3.5, 15}, {-20, 18.5}}, 2, CapStyle::None, JoinStyle::Miter, 10),
              w, h);
  EXPECT_TRUE(pixel_changed(px, 0, 15));
  EXPECT_TRUE(pixel_changed(px, 1, 15));
  EXPECT_FALSE(pixel_changed(px, 10, 15));
  // Wholly outside, width and all.
  EXPECT_EQ(DrawOn(Line({{-30, 5}, {-3, 25}}, 4, CapStyle::Square, JoinStyle::Miter), w, h),
            untouched);
}

// The colours of a linear gradient drawn over a row of `w` pixels. Over 256 pixels the centre of
// pixel x lies at position (x + 0.5) / 256, which is where whole ratio x stands: pixel x shows
// ratio x.
std::vector<Rgba> GradientRow(const std::vector<GradientStop>& stops, int w = 256) {
  ShapeDef s;
  ShapeGroup& g = s.groups.emplace_back();
  FillStyle f;
  f.type = FillStyle::Type::LinearGradient;
  f.gradient.stops = stops;
  f.matrix.a = f.matrix.d = w * 20 / 32768.0;
  f.matrix.tx = w * 10;
  g.fill_styles = {f};
  g.paths = {LoopAt(0, 0, {EdgeTo(w, 0), EdgeTo(w, 1), EdgeTo(0, 1), EdgeTo(0, 0)})};
  std::vector<uint8_t> px(w * 4, 0);
  Renderer r({px.data(), w, 1, w * 4}, Quality::High, nullptr);
  Matrix m;
  m.a = m.d = 1.0 / 20;
  r.DrawShape(s, m, {});
  std::vector<Rgba> out;
  for (int x = 0; x < w; ++x)
    out.push_back({px[x * 4 + 2], px[x * 4 + 1], px[x * 4], px[x * 4 + 3]});
  return out;
}

TEST(RenderGradientTable, StopsOutOfOrderAndLongStopListsKeepTheirMeaning) {
  // An entry takes the first stop, in list order, whose ratio is not below it: up to 200 that is
  // the red stop, above it the blue one, reached from the green stop listed before it.
  std::vector<Rgba> row =
      GradientRow({{200, {255, 0, 0, 255}}, {50, {0, 255, 0, 255}}, {255, {0, 0, 255, 255}}});
  for (int entry : {0, 49, 50, 120, 200}) {
    Rgba c = row[entry];
    EXPECT_EQ(c.r, 255) << entry;
    EXPECT_EQ(c.g, 0) << entry;
  }
  Rgba mid = row[230];  // 180/205 of the way from green to blue, cut down
  EXPECT_EQ(mid.g, static_cast<int>(255 - 255.0 * 180 / 205));
  EXPECT_EQ(mid.b, static_cast<int>(255.0 * 180 / 205));
  EXPECT_EQ(row[255].b, 255);

  // Twenty stops: each stop's own entry shows its colour.
  std::vector<GradientStop> many;
  for (int k = 0; k < 20; ++k)
    many.push_back({static_cast<uint8_t>(k * 13),
                    {static_cast<uint8_t>(k * 12), static_cast<uint8_t>(250 - k * 11),
                     static_cast<uint8_t>(k * 7 % 256), 255}});
  row = GradientRow(many);
  for (int k = 0; k < 20; ++k) {
    int x = k * 13;
    EXPECT_EQ(row[x].r, k * 12) << k;
    EXPECT_EQ(row[x].g, 250 - k * 11) << k;
  }
}

TEST(RenderGradientTable, LinearGradientsReadTheRampBetweenWholeRatios) {
  // Black to green by ratio 42 over 103 pixels: 2.49 ratios, 15.1 levels, a pixel. Each pixel
  // takes its own share of the ramp rather than the nearest whole ratio's entry, so the steps
  // stay even instead of going 12, 18, 12.
  std::vector<Rgba> row = GradientRow({{0, {0, 0, 0, 255}}, {42, {0, 255, 0, 255}}}, 103);
  for (int x = 1; x < 17; ++x) {
    int step = row[x].g - row[x - 1].g;
    EXPECT_TRUE(step == 15 || step == 16) << x << ": " << step;
  }
  // Pixel 0 sits at ratio 256 * 0.5 / 103 - 0.5 = 0.74: 4.5 levels, cut down to 4.
  EXPECT_EQ(row[0].g, 4);
  EXPECT_EQ(row[17].g, 255);

  // Over 1024 pixels four pixels share a whole ratio; the half ratio at each end holds the end
  // stops' colours, and every level shows on four pixels in between.
  row = GradientRow({{0, {0, 0, 0, 255}}, {255, {255, 255, 255, 255}}}, 1024);
  EXPECT_EQ(row[0].r, 0);
  EXPECT_EQ(row[1].r, 0);
  EXPECT_EQ(row[1023].r, 255);
  std::array<int, 256> count{};
  for (const Rgba& c : row) ++count[c.r];
  for (int level = 1; level < 255; ++level) EXPECT_EQ(count[level], 4) << level;
}

// A repeating bitmap drawn one whole period further along shows the same pixels: where one draw
// reads inside the bitmap the other wraps around its edges. Scaled up, smoothed samples fall
// between the bitmap's pixels; the scales keep the arithmetic exact, so the shift is one of
// whole pixels.
TEST(RenderBitmapSampling, PixelsInsideTheBitmapReadAsTheyDoAcrossItsEdges) {
  struct OneBitmap : CharacterLookup {
    std::shared_ptr<BitmapDef> bitmap = std::make_shared<BitmapDef>(3);
    const CharacterDef* Find(uint16_t id) const override {
      return id == 3 ? bitmap.get() : nullptr;
    }
  } lookup;
  const int bw = 7, bh = 5;
  lookup.bitmap->width = bw;
  lookup.bitmap->height = bh;
  for (int i = 0; i < bw * bh; ++i) {
    const uint8_t a = static_cast<uint8_t>(i % 4 == 0 ? 90 : 255);
    lookup.bitmap->bgra_premultiplied.insert(
        lookup.bitmap->bgra_premultiplied.end(),
        {static_cast<uint8_t>(i * 53 % (a + 1)), static_cast<uint8_t>(i * 29 % (a + 1)),
         static_cast<uint8_t>(i * 71 % (a + 1)), a});
  }
  const int w = 64, h = 48;
  for (auto type : {FillStyle::Type::RepeatingBitmap, FillStyle::Type::NonSmoothedRepeatingBitmap})
    for (double scale : {2.0, 4.0, 0.5}) {
      auto draw = [&](int periods_x, int periods_y) {
        ShapeDef s = SolidRectangle(0, 0, w * 20, h * 20, {0, 0, 0, 255});
        FillStyle& f = s.groups[0].fill_styles[0];
        f.type = type;
        f.bitmap_id = 3;
        f.matrix.a = f.matrix.d = 20 * scale;
        f.matrix.tx = 20 * (3 + periods_x * bw * scale);
        f.matrix.ty = 20 * (2 + periods_y * bh * scale);
        std::vector<uint8_t> px(static_cast<size_t>(w) * h * 4, 0);
        Renderer r({px.data(), w, h, w * 4}, Quality::High, &lookup);
        Matrix m;
        m.a = m.d = 1.0 / 20;
        r.DrawShape(s, m, {});
        return px;
      };
      const std::vector<uint8_t> near = draw(0, 0);
      EXPECT_EQ(near, draw(-2, 0)) << "scale " << scale;
      EXPECT_EQ(near, draw(2, -4)) << "scale " << scale;
      EXPECT_NE(near, std::vector<uint8_t>(near.size(), 0));
    }
}

}  // namespace
