// Filters on generated pictures against plain reference computations, their flags, hostile
// parameters, and filter lists in placements.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <numbers>
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

TEST(EffectsFilter, BevelLightsTheSideFacingAwayFromItsAngle) {
  FilterImage img = Square(30, 30, 10, 10, 10, Px(128, 128, 128, 255));
  Filter f;
  f.kind = Filter::Kind::Bevel;
  f.highlight = {255, 255, 255, 255};
  f.color = {0, 0, 0, 255};
  f.blur_x = f.blur_y = 2;
  f.distance = 2;
  f.angle = std::numbers::pi / 4;
  f.strength = 4;
  f.inner = true;
  ApplyFilter(img, f, 1.0);
  EXPECT_EQ(img.At(10, 10), Px(255, 255, 255, 255));  // top left: lit
  EXPECT_EQ(img.At(19, 19), Px(0, 0, 0, 255));        // bottom right: in shadow
  EXPECT_EQ(img.At(15, 15), Px(128, 128, 128, 255));  // the middle is untouched
  EXPECT_EQ(img.At(8, 8), 0u);                        // an inner bevel stays inside
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

}  // namespace
