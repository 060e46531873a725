// Filters on generated pictures against plain reference computations, their flags, hostile
// parameters, and filter lists in placements.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <numbers>
#include <random>
#include <vector>

#include "platform/flash/format/filters.h"
#include "platform/flash/format/movie.h"
#include "platform/flash/format/reader.h"
#include "platform/flash/format/writer.h"
#include "platform/flash/renderer/blend.h"
#include "platform/flash/renderer/filters.h"

namespace {

using namespace flash;

int Ch(uint32_t p, int i) { return static_cast<int>((p >> (8 * i)) & 0xFF); }
uint32_t Px(int b, int g, int r, int a) {
  return static_cast<uint32_t>(b) | static_cast<uint32_t>(g) << 8 | static_cast<uint32_t>(r) << 16 |
         static_cast<uint32_t>(a) << 24;
}

FilterImage Blank(int w, int h) {
  FilterImage img;
  img.width = w;
  img.height = h;
  img.pixels.assign(static_cast<size_t>(w) * h, 0);
  return img;
}

// An opaque square of `colour` from (x0, y0), `size` pixels each way.
FilterImage Square(int w, int h, int x0, int y0, int size, uint32_t colour) {
  FilterImage img = Blank(w, h);
  for (int y = y0; y < y0 + size; ++y)
    for (int x = x0; x < x0 + size; ++x) img.At(x, y) = colour;
  return img;
}

// The box blur written out: each pass averages, across then down, what a box `b` pixels wide
// centred on the pixel's centre covers (end pixels by the part of them inside), zero outside,
// rounding down to bytes after each direction.
std::vector<int> NaiveBlur(const std::vector<int>& in, int w, int h, double bx, double by,
                           int passes) {
  auto weight = [](double b, int k) {
    return std::max(0.0, std::min(k + 0.5, b / 2) - std::max(k - 0.5, -b / 2));
  };
  auto pass = [&](std::vector<int> v, double b, bool across) {
    if (b < 2) return v;  // narrower boxes cover the pixel alone
    std::vector<int> out(v.size());
    const int reach = static_cast<int>(b / 2) + 1;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        double sum = 0;
        for (int k = -reach; k <= reach; ++k) {
          const int xx = across ? x + k : x, yy = across ? y : y + k;
          if (xx >= 0 && yy >= 0 && xx < w && yy < h) sum += weight(b, k) * v[yy * w + xx];
        }
        out[y * w + x] = static_cast<int>(std::floor(sum / b + 1e-9));
      }
    return out;
  };
  std::vector<int> v = in;
  for (int p = 0; p < passes; ++p) v = pass(pass(v, bx, true), by, false);
  return v;
}

TEST(EffectsFilter, BoxBlurMatchesAveragingPassByPass) {
  const int w = 23, h = 17;
  FilterImage img = Blank(w, h);
  std::vector<int> alpha(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int a = (x * 37 + y * 91) % 7 == 0             ? 255
                    : (x > 8 && x < 15 && y > 4 && y < 12) ? 200
                                                           : 0;
      img.At(x, y) = Px(0, 0, 0, a);
      alpha[static_cast<size_t>(y) * w + x] = a;
    }
  struct Case {
    double bx, by;
    int passes;
  };
  for (Case c : {Case{4, 4, 1}, Case{6, 2, 2}, Case{9, 0, 3}, Case{0, 5, 1}, Case{1, 1, 1},
                 Case{30, 7, 1}}) {
    FilterImage got = img;
    BoxBlur(got, c.bx, c.by, c.passes, 0xF);
    const auto want = NaiveBlur(alpha, w, h, c.bx, c.by, c.passes);
    for (int i = 0; i < w * h; ++i)
      ASSERT_NEAR(Ch(got.pixels[i], 3), want[i], 1) << "blur " << c.bx << "x" << c.by << " passes "
                                                    << c.passes << " at " << i % w << "," << i / w;
  }
}

// The box passes against a per-channel model of their arithmetic: across then down, the window's
// sum (zero beyond the picture) times 65536 / n rounded up, high half; an even width sums the
// n = b neighbouring pairs v[i] + v[i + 1] from b / 2 before the pixel, divided by 2n.
// Pictures of odd heights, narrow and wide rows and boxes longer than the picture exercise every
// path (rows taken in pairs, the ring of rows the vertical pass keeps, the tails of the rows).
TEST(EffectsFilter, BoxPassesMatchTheirIntegerModelExactly) {
  auto model = [](std::vector<int> v, int w, int h, int bx, int by, int passes) {
    auto at = [&](int x, int y) {
      return x >= 0 && y >= 0 && x < w && y < h ? v[static_cast<size_t>(y) * w + x] : 0;
    };
    auto pass = [&](int b, bool across) {
      const bool pairs = b % 2 == 0;
      const int n = b, lo = b / 2, divisor = pairs ? 2 * b : b;
      const uint32_t inv = static_cast<uint32_t>((65536 + divisor - 1) / divisor);
      std::vector<int> out(v.size());
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          uint32_t sum = 0;
          for (int k = -lo; k < n - lo; ++k) {
            sum += static_cast<uint32_t>(across ? at(x + k, y) : at(x, y + k));
            if (pairs) sum += static_cast<uint32_t>(across ? at(x + k + 1, y) : at(x, y + k + 1));
          }
          out[static_cast<size_t>(y) * w + x] = static_cast<int>((sum * inv) >> 16);
        }
      v = out;
    };
    for (int p = 0; p < passes; ++p) {
      if (bx > 1) pass(bx, true);
      if (by > 1) pass(by, false);
    }
    return v;
  };
  struct Case {
    int w, h;
    double bx, by;
    int passes;
  };
  uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0xFF; };
  for (Case c : {Case{23, 17, 16, 16, 3}, Case{40, 9, 5, 30, 2}, Case{1, 7, 4, 4, 1},
                 Case{9, 1, 6, 6, 2}, Case{33, 20, 2, 9, 1}, Case{70, 11, 7, 3, 2}}) {
    FilterImage img = Blank(c.w, c.h);
    for (uint32_t& px : img.pixels) {
      const int a = static_cast<int>(next());
      px = Px(static_cast<int>(next()) * a / 255, static_cast<int>(next()) * a / 255,
              static_cast<int>(next()) * a / 255, a);
    }
    FilterImage got = img;
    BoxBlur(got, c.bx, c.by, c.passes, 0xF);
    for (int ch = 0; ch < 4; ++ch) {
      std::vector<int> plane;
      for (uint32_t px : img.pixels) plane.push_back(Ch(px, ch));
      const auto want = model(plane, c.w, c.h, static_cast<int>(c.bx), static_cast<int>(c.by),
                              c.passes);
      for (int i = 0; i < c.w * c.h; ++i)
        ASSERT_EQ(Ch(got.pixels[static_cast<size_t>(i)], ch), want[static_cast<size_t>(i)])
            << c.w << "x" << c.h << " channel " << ch << " at " << i % c.w << "," << i / c.w;
    }
  }
}

TEST(EffectsFilter, BlurredPixelsStayPremultiplied) {
  FilterImage img = Square(20, 20, 5, 5, 8, Px(255, 40, 0, 255));
  Filter f;
  f.kind = Filter::Kind::Blur;
  f.blur_x = f.blur_y = 7;
  f.passes = 3;
  ApplyFilter(img, f, 1.0);
  for (uint32_t p : img.pixels)
    for (int i = 0; i < 3; ++i) ASSERT_LE(Ch(p, i), Ch(p, 3));
  EXPECT_GT(Ch(img.At(3, 9), 3), 0);  // spread beyond the square
}

// The centre of the shadow's opaque part, from the pixels coloured like the shadow.
void ShadowCentre(const FilterImage& img, double& cx, double& cy) {
  double sx = 0, sy = 0, n = 0;
  for (int y = 0; y < img.height; ++y)
    for (int x = 0; x < img.width; ++x)
      if (img.At(x, y) == Px(255, 0, 0, 255)) {
        sx += x;
        sy += y;
        ++n;
      }
  cx = n ? sx / n : -1;
  cy = n ? sy / n : -1;
}

TEST(EffectsFilter, DropShadowFallsAlongItsAngleAndScalesWithTheView) {
  for (int step = 0; step < 8; ++step) {
    const double angle = step * std::numbers::pi / 4;
    for (double scale : {1.0, 2.0}) {
      // A white square; the blue shadow with the object hidden, so only the shadow is left.
      FilterImage img = Square(60, 60, 25, 25, 10, Px(255, 255, 255, 255));
      Filter f;
      f.kind = Filter::Kind::DropShadow;
      f.color = {0, 0, 255, 255};
      f.blur_x = f.blur_y = 0;
      f.distance = 6;
      f.angle = angle;
      f.composite_source = false;
      ApplyFilter(img, f, scale);
      double cx, cy;
      ShadowCentre(img, cx, cy);
      EXPECT_NEAR(cx, 29.5 + std::lround(6 * scale * std::cos(angle)), 0.01)
          << "angle step " << step;
      EXPECT_NEAR(cy, 29.5 + std::lround(6 * scale * std::sin(angle)), 0.01)
          << "angle step " << step;
    }
  }
}

TEST(EffectsFilter, ShadowFlagsPlaceTheEffectBehindInsideOrAlone) {
  const uint32_t white = Px(255, 255, 255, 255), red = Px(0, 0, 255, 255);
  Filter f;
  f.kind = Filter::Kind::Glow;
  f.color = {255, 0, 0, 255};
  f.blur_x = f.blur_y = 4;
  f.passes = 1;
  f.strength = 255;  // every pixel the blur reaches is fully coloured
  {
    FilterImage img = Square(20, 20, 6, 6, 8, white);
    ApplyFilter(img, f, 1.0);
    EXPECT_EQ(img.At(10, 10), white);  // the object over its glow
    EXPECT_EQ(img.At(5, 10), red);     // the glow around it
    EXPECT_EQ(img.At(0, 0), 0u);       // beyond the blur's reach
  }
  {
    Filter k = f;
    k.knockout = true;
    FilterImage img = Square(20, 20, 6, 6, 8, white);
    ApplyFilter(img, k, 1.0);
    EXPECT_EQ(img.At(10, 10), 0u);  // the object is knocked out of its glow
    EXPECT_EQ(img.At(5, 10), red);
  }
  {
    Filter in = f;
    in.inner = true;
    FilterImage img = Square(20, 20, 6, 6, 8, white);
    ApplyFilter(img, in, 1.0);
    EXPECT_EQ(img.At(6, 10), red);     // the inner glow along the edge
    EXPECT_EQ(img.At(5, 10), 0u);      // nothing outside
    EXPECT_EQ(img.At(10, 10), white);  // the blur does not reach the middle
  }
}

// An inner bevel lit from the top left, a little blurred.
Filter InnerBevel(Rgba highlight, Rgba shadow, double strength) {
  Filter f;
  f.kind = Filter::Kind::Bevel;
  f.highlight = highlight;
  f.color = shadow;
  f.blur_x = f.blur_y = 2;
  f.distance = 2;
  f.angle = std::numbers::pi / 4;
  f.strength = strength;
  f.inner = true;
  return f;
}

TEST(EffectsFilter, BevelLightsTheSideFacingAwayFromItsAngle) {
  FilterImage img = Square(30, 30, 10, 10, 10, Px(128, 128, 128, 255));
  ApplyFilter(img, InnerBevel({255, 255, 255, 255}, {0, 0, 0, 255}, 4), 1.0);
  EXPECT_EQ(img.At(10, 10), Px(255, 255, 255, 255));  // top left: lit
  EXPECT_EQ(img.At(19, 19), Px(0, 0, 0, 255));        // bottom right: in shadow
  EXPECT_EQ(img.At(15, 15), Px(128, 128, 128, 255));  // the middle is untouched
  EXPECT_EQ(img.At(8, 8), 0u);                        // an inner bevel stays inside
}

// An inner effect lies on the object and keeps its opacity: a half-transparent object stays
// half transparent where its bevel or inner glow is strongest, the effect taking the place of
// its colour rather than being laid over it a second time.
TEST(EffectsFilter, InnerEffectsKeepTheObjectsOpacity) {
  const uint32_t grey = Px(64, 64, 64, 128);
  Filter glow;  // red, at full strength wherever the blur reaches
  glow.kind = Filter::Kind::Glow;
  glow.inner = true;
  glow.color = {255, 0, 0, 255};
  glow.blur_x = glow.blur_y = 3;
  glow.strength = 255;
  const Filter bevel = InnerBevel({255, 0, 0, 128}, {0, 0, 255, 255}, 255);
  {
    FilterImage img = Square(20, 20, 6, 6, 8, grey);
    ApplyFilter(img, glow, 1.0);
    EXPECT_EQ(img.At(6, 10), Px(0, 0, 128, 128));  // wholly red, at the object's opacity
    // The object's own transparency feeds the inner glow everywhere inside it.
    EXPECT_EQ(img.At(10, 10), Px(0, 0, 128, 128));
    EXPECT_EQ(img.At(5, 10), 0u);
  }
  {
    FilterImage img = Square(30, 30, 10, 10, 10, grey);
    ApplyFilter(img, bevel, 1.0);
    // Lit: half the object's colour under a half-opaque red cut to the object's half opacity.
    EXPECT_EQ(img.At(10, 10), Px(32, 32, 96, 128));
    EXPECT_EQ(img.At(19, 19), Px(128, 0, 0, 128));  // in full shadow
    EXPECT_EQ(img.At(15, 15), grey);
  }
}

TEST(EffectsFilter, ColourMatrixWorksOnStraightColoursAndClamps) {
  FilterImage img = Blank(2, 1);
  img.At(0, 0) = Px(50, 100, 200, 255);
  img.At(1, 0) = Px(25, 50, 100, 128);  // (200, 100, 50) at half alpha
  Filter f;
  f.kind = Filter::Kind::ColorMatrix;
  // Red doubled (clamps), green from blue, blue plus 300 (clamps), alpha unchanged.
  f.matrix = {2, 0, 0, 0, 0, /**/ 0, 0, 1, 0, 0, /**/ 0, 0, 1, 0, 300, /**/ 0, 0, 0, 1, 0};
  ApplyFilter(img, f, 1.0);
  EXPECT_EQ(img.At(0, 0), Px(255, 50, 255, 255));
  EXPECT_EQ(img.At(1, 0), Px(128, 25, 128, 128));  // straight (255, 50, 255), premultiplied
}

TEST(EffectsFilter, ConvolutionMatchesTheSumWithClampedEdges) {
  FilterImage img = Blank(5, 1);
  for (int x = 0; x < 5; ++x) img.At(x, 0) = Px(0, 0, x * 50, 255);
  Filter f;
  f.kind = Filter::Kind::Convolution;
  f.matrix_x = 3;
  f.matrix_y = 1;
  f.matrix = {1, 1, 1};
  f.divisor = 3;
  ApplyFilter(img, f, 1.0);
  const int want[5] = {17, 50, 100, 150, 183};  // edge pixels repeat beyond the picture
  for (int x = 0; x < 5; ++x) EXPECT_EQ(Ch(img.At(x, 0), 2), want[x]) << x;
  EXPECT_EQ(Ch(img.At(0, 0), 3), 255);
}

TEST(EffectsFilter, HostileParametersAreBoundedAndNeverCrash) {
  const double nan = std::numeric_limits<double>::quiet_NaN(),
               inf = std::numeric_limits<double>::infinity();
  std::vector<Filter> hostile;
  for (Filter::Kind k :
       {Filter::Kind::Blur, Filter::Kind::DropShadow, Filter::Kind::Glow, Filter::Kind::Bevel,
        Filter::Kind::GradientGlow, Filter::Kind::GradientBevel}) {
    for (double v : {nan, inf, -inf, 1e12, -5.0}) {
      Filter f;
      f.kind = k;
      f.blur_x = f.blur_y = v;
      f.distance = v;
      f.angle = v;
      f.strength = v;
      f.passes = 31;
      hostile.push_back(f);
    }
  }
  Filter conv;
  conv.kind = Filter::Kind::Convolution;
  conv.matrix_x = conv.matrix_y = 255;  // far larger than any allowed kernel
  conv.matrix.assign(255 * 255, 1.0f);
  hostile.push_back(conv);
  Filter short_matrix;
  short_matrix.kind = Filter::Kind::Convolution;
  short_matrix.matrix_x = short_matrix.matrix_y = 3;  // claims nine entries, holds one
  short_matrix.matrix = {1};
  hostile.push_back(short_matrix);
  Filter colour;
  colour.kind = Filter::Kind::ColorMatrix;  // no entries at all
  hostile.push_back(colour);
  for (const Filter& f : hostile) {
    FilterReach r = ReachOf(f, 1.0);
    EXPECT_LE(r.left, 8192);
    EXPECT_LE(r.bottom, 8192);
    FilterImage img = Square(16, 16, 4, 4, 8, Px(10, 20, 30, 255));
    ApplyFilter(img, f, 1.0);
    for (uint32_t p : img.pixels)
      for (int i = 0; i < 3; ++i) ASSERT_LE(Ch(p, i), Ch(p, 3));
  }
}

// --- filter lists in placements ---

std::vector<Filter> OneOfEach() {
  std::vector<Filter> list;
  Filter shadow;
  shadow.kind = Filter::Kind::DropShadow;
  shadow.color = {1, 2, 3, 4};
  shadow.blur_x = 5.5;
  shadow.blur_y = 2;
  shadow.angle = 0.785;
  shadow.distance = 4;
  shadow.strength = 1.5;
  shadow.inner = true;
  shadow.passes = 3;
  list.push_back(shadow);
  Filter blur;
  blur.kind = Filter::Kind::Blur;
  blur.blur_x = 16;
  blur.blur_y = 8;
  blur.passes = 2;
  list.push_back(blur);
  Filter bevel;
  bevel.kind = Filter::Kind::Bevel;
  bevel.color = {0, 0, 0, 255};
  bevel.highlight = {255, 255, 255, 128};
  bevel.on_top = true;
  bevel.knockout = true;
  bevel.passes = 15;
  list.push_back(bevel);
  Filter grad;
  grad.kind = Filter::Kind::GradientBevel;
  grad.gradient_colors = {{255, 0, 0, 255}, {0, 0, 0, 0}, {0, 0, 255, 255}};
  grad.gradient_ratios = {0, 128, 255};
  list.push_back(grad);
  Filter conv;
  conv.kind = Filter::Kind::Convolution;
  conv.matrix_x = 2;
  conv.matrix_y = 1;
  conv.matrix = {0.5f, -1.25f};
  conv.divisor = 2;
  conv.bias = 3;
  conv.default_color = {9, 8, 7, 6};
  conv.clamp = false;
  conv.preserve_alpha = true;
  list.push_back(conv);
  Filter cm;
  cm.kind = Filter::Kind::ColorMatrix;
  for (int i = 0; i < 20; ++i) cm.matrix.push_back(i * 0.5f);
  list.push_back(cm);
  return list;
}

TEST(EffectsFilter, PlacementsKeepFiltersBlendModeCachingAndClipEvents) {
  // A filter list used to end the reading of a placement: what followed it (blend mode, caching,
  // clip events) was lost.
  SwfWriter w(8, 100, 100, 12);
  ShapeBuilder sb;
  sb.Rectangle(0, 0, 200, 200, sb.AddFill(FillStyleSpec::Solid({255, 0, 0, 255})));
  w.DefineShape(1, sb);
  PlaceSpec p;
  p.depth = 1;
  p.character_id = 1;
  p.filters = OneOfEach();
  p.blend_mode = kBlendMultiply;
  p.cache_as_bitmap = 1;
  w.Place(p);
  w.ShowFrame();
  auto movie = ParseMovie(w.Finish(false));
  ASSERT_EQ(movie->timeline.frames.size(), 1u);
  const PlaceObjectTag& got = movie->timeline.frames[0].tags.at(0).place;
  EXPECT_EQ(got.version, 3);
  EXPECT_EQ(got.blend_mode, 3);
  EXPECT_TRUE(got.has_cache_as_bitmap && got.cache_as_bitmap);
  ASSERT_EQ(got.filters.size(), p.filters.size());
  for (size_t i = 0; i < got.filters.size(); ++i) {
    const Filter &a = got.filters[i], &b = p.filters[i];
    EXPECT_EQ(a.kind, b.kind) << i;
    EXPECT_NEAR(a.blur_x, b.blur_x, 1e-4) << i;
    EXPECT_NEAR(a.angle, b.angle, 1e-4) << i;
    EXPECT_NEAR(a.strength, b.strength, 1e-2) << i;
    EXPECT_EQ(a.passes, b.passes) << i;
    EXPECT_EQ(a.inner, b.inner) << i;
    EXPECT_EQ(a.knockout, b.knockout) << i;
    EXPECT_EQ(a.on_top, b.on_top) << i;
    EXPECT_EQ(a.color, b.color) << i;
    EXPECT_EQ(a.highlight, b.highlight) << i;
    EXPECT_EQ(a.gradient_colors, b.gradient_colors) << i;
    EXPECT_EQ(a.gradient_ratios, b.gradient_ratios) << i;
    EXPECT_EQ(a.matrix, b.matrix) << i;
    EXPECT_EQ(a.default_color, b.default_color) << i;
    EXPECT_EQ(a.clamp, b.clamp) << i;
  }
}

TEST(EffectsFilter, MalformedFilterListsAreErrors) {
  // Unknown filter id.
  {
    const std::vector<uint8_t> bytes = {1, 9};
    Reader r(bytes.data(), bytes.size());
    EXPECT_THROW(ReadFilterList(r), FormatError);
  }
  // A convolution whose matrix runs past the data.
  {
    const std::vector<uint8_t> bytes = {1, 5, 200, 200, 0, 0, 128, 63, 0, 0, 0, 0, 1, 2, 3};
    Reader r(bytes.data(), bytes.size());
    EXPECT_THROW(ReadFilterList(r), FormatError);
  }
  // A count larger than the filters present.
  {
    const std::vector<uint8_t> bytes = {3, 1, 0, 0, 4, 0, 0, 0, 4, 0, 8};
    Reader r(bytes.data(), bytes.size());
    EXPECT_THROW(ReadFilterList(r), FormatError);
  }
}

// Displacement maps come from scripts only: a list written out leaves them out (a movie has no
// record for them), and one whose map holds fewer pixels than it claims moves nothing.
TEST(EffectsFilter, DisplacementMapsStayOutOfFilesAndCheckTheirMap) {
  Filter map;
  map.kind = Filter::Kind::DisplacementMap;
  map.map_width = map.map_height = 2;
  map.component_x = 1;
  map.scale_x = 256;
  map.map_pixels = std::make_shared<std::vector<uint32_t>>(4, 0xFFFF0000u);
  std::vector<Filter> list = {map, OneOfEach().front(), map};
  BitWriter w;
  WriteFilterList(w, list);
  const std::vector<uint8_t> bytes = w.Data();
  Reader r(bytes.data(), bytes.size());
  const std::vector<Filter> back = ReadFilterList(r);
  ASSERT_EQ(back.size(), 1u);
  EXPECT_EQ(back[0].kind, OneOfEach().front().kind);

  FilterImage img = Blank(2, 1);
  img.pixels = {Px(1, 0, 0, 255), Px(2, 0, 0, 255)};
  FilterImage moved = img;
  ApplyFilter(moved, map, 1);  // red 255 moves by 127 * 256 / 256 = 127: wraps to the other pixel
  EXPECT_EQ(moved.pixels, (std::vector<uint32_t>{Px(2, 0, 0, 255), Px(1, 0, 0, 255)}));
  map.map_width = 3;  // claims 6 pixels, holds 4
  FilterImage kept = img;
  ApplyFilter(kept, map, 1);
  EXPECT_EQ(kept.pixels, img.pixels);
  EXPECT_EQ(ReachOf(map, 1).left + ReachOf(map, 1).right, 0);
}

// --- shadows, glows and bevels against a plain per-pixel model ---
// The opacity blurred by whole-pixel box sums, moved, strengthened, coloured and put together
// with the picture one pixel at a time. Random sizes (one pixel to wider than the vector paths'
// strides), offsets reaching past the picture, every flag, and lists of filters run one after
// the other must all come out exactly alike.

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
      if (inner && !outer && !f.knockout && f.composite_source) {
        // On the object only: its opacity is kept, the effect covering its colour.
        const int k = 255 - Ch(e, 3);
        const uint32_t cut = Times(e, sa);
        out.At(x, y) = Px(std::min(255, Ch(cut, 0) + Div255(Ch(src, 0), k)),
                          std::min(255, Ch(cut, 1) + Div255(Ch(src, 1), k)),
                          std::min(255, Ch(cut, 2) + Div255(Ch(src, 2), k)),
                          std::min(255, Ch(cut, 3) + Div255(Ch(src, 3), k)));
        continue;
      }
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
