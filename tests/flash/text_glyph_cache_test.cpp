// The glyph cache: masks draw the pixels a fill of the outline draws, and a cached mask is never
// handed out for an outline whose owner has gone.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/flash/format/filters.h"
#include "platform/flash/renderer/glyph_cache.h"
#include "platform/flash/renderer/renderer.h"
#include "platform/flash/text/font_face.h"

namespace {

using namespace flash;

struct Canvas {
  std::vector<uint8_t> px = std::vector<uint8_t>(64 * 64 * 4);
  RenderTarget Target() { return {px.data(), 64, 64, 64 * 4}; }
};

// A white square outline from (0, -s) to (s, 0).
ShapeDef Square(int32_t s) {
  ShapeDef d;
  d.groups.emplace_back();
  FillStyle white;
  white.color = {255, 255, 255, 255};
  d.groups[0].fill_styles.push_back(white);
  ShapePath p;
  p.fill1 = 1;
  p.start_x = 0;
  p.start_y = -s;
  p.edges = {{false, 0, 0, s, -s}, {false, 0, 0, s, 0}, {false, 0, 0, 0, 0}, {false, 0, 0, 0, -s}};
  d.groups[0].paths.push_back(p);
  d.bounds = d.edge_bounds = {0, s, -s, 0};
  return d;
}

TEST(TextGlyphCache, MasksDrawWhatTheOutlineFills) {
  const text::Face* face = text::DeviceFace("_sans", false, false);
  if (!face) GTEST_SKIP() << "no device font files installed";
  const ShapeDef* g = face->Outline(face->GlyphOf('g'));
  ASSERT_NE(g, nullptr);
  // A scale that puts every point of the outline on a whole twentieth of a pixel already.
  const double scale = 1 / 20.0;
  for (Quality q : {Quality::High, Quality::Low}) {
    for (double fx : {0.0, 0.25, 0.5, 0.75}) {
      Canvas direct, cached;
      Renderer a(direct.Target(), q, nullptr), b(cached.Target(), q, nullptr);
      a.Clear({255, 255, 255, 255});
      b.Clear({255, 255, 255, 255});
      ColorTransform tint;
      tint.r_mult = tint.g_mult = tint.b_mult = tint.a_mult = 0;
      tint.b_add = 200;
      tint.a_add = 255;
      a.DrawShape(*g, Matrix{scale, 0, 0, scale, 10 + fx, 40.5}, tint);
      DrawCachedGlyph(b, *g, nullptr, scale, 10 + fx, 40.5, {0, 0, 200, 255});
      DrawCachedGlyph(b, *g, nullptr, scale, 10 + fx, 40.5,
                      {0, 0, 200, 0});  // transparent: no change
      EXPECT_EQ(direct.px, cached.px) << fx;
    }
  }
}

// Masks are made from the outline at its size with its points moved to whole twentieths of a
// pixel: a square a hair under 24 pixels fills 24 rows and columns whole, and nothing beside.
TEST(TextGlyphCache, MaskPointsLandOnWholeTwentiethsOfAPixel) {
  auto square = std::make_shared<ShapeDef>(Square(16380));
  auto mask = GlyphCoverage(*square, square, 30.0 / 20480, 0, 0, Quality::High);
  Canvas c;
  Renderer r(c.Target(), Quality::High, nullptr);
  r.Clear({0, 0, 0, 255});
  r.DrawCoverage(*mask, 2, 26, {255, 255, 255, 255});  // covers x 2..26, y 2..26
  auto at = [&](int x, int y) { return c.px[static_cast<size_t>((y * 64 + x) * 4)]; };
  for (int i = 2; i < 26; ++i) {
    EXPECT_EQ(at(i, 2), 255) << i;   // top row
    EXPECT_EQ(at(i, 25), 255) << i;  // bottom row
    EXPECT_EQ(at(25, i), 255) << i;  // right column
    EXPECT_EQ(at(i, 1), 0) << i;
    EXPECT_EQ(at(i, 26), 0) << i;
    EXPECT_EQ(at(26, i), 0) << i;
  }
}

TEST(TextGlyphCache, AnOutlineWhoseOwnerWentIsMadeAgain) {
  auto outline = std::make_shared<ShapeDef>(Square(10));
  auto owner = std::make_shared<int>(1);
  auto first = GlyphCoverage(*outline, owner, 1.0, 0, 0, Quality::High);
  EXPECT_EQ(GlyphCoverage(*outline, owner, 1.0, 0, 0, Quality::High), first);  // cached
  // The owner goes; the same address now holds a larger outline of another owner.
  owner.reset();
  *outline = Square(20);
  auto other = std::make_shared<int>(2);
  auto second = GlyphCoverage(*outline, other, 1.0, 0, 0, Quality::High);
  EXPECT_NE(second, first);
  EXPECT_GT(second->width, first->width);
  // A mask drawn partly off the target is clipped, not written outside it.
  Canvas c;
  Renderer r(c.Target(), Quality::High, nullptr);
  r.Clear({0, 0, 0, 255});
  r.DrawCoverage(*second, -5, 70, {255, 0, 0, 255});
  r.DrawCoverage(*second, 60, 25, {255, 0, 0, 255});  // the square covers x 60..80, y 5..25
  EXPECT_EQ(c.px[(10 * 64 + 62) * 4 + 2], 255);       // red, inside
  EXPECT_EQ(c.px[(10 * 64 + 30) * 4 + 2], 0);
}

// A filtered layer reaches beyond the target on every side; a glyph's mask drawn into it still
// lands where the same outline drawn as a shape lands.
TEST(TextGlyphCache, MasksInAFilteredLayerLandWhereShapesDo) {
  auto outline = std::make_shared<ShapeDef>(Square(12));
  Filter blur;
  blur.kind = Filter::Kind::Blur;
  blur.blur_x = blur.blur_y = 4;
  blur.passes = 1;
  Canvas as_shape, as_mask;
  for (Canvas* c : {&as_shape, &as_mask}) {
    Renderer r(c->Target(), Quality::High, nullptr);
    r.Clear({0, 0, 0, 255});
    r.PushLayer({blur}, 1.0);
    if (c == &as_shape) {
      ColorTransform tint;
      tint.r_mult = tint.g_mult = tint.b_mult = tint.a_mult = 0;
      tint.g_add = tint.a_add = 255;
      r.DrawShape(*outline, Matrix{1, 0, 0, 1, 20, 30}, tint);
    } else {
      DrawCachedGlyph(r, *outline, outline, 1.0, 20, 30, {0, 255, 0, 255});
    }
    r.PopLayer(0, {blur}, 1.0);
  }
  EXPECT_GT(as_shape.px[(24 * 64 + 26) * 4 + 1], 200);  // inside the square: green
  EXPECT_EQ(as_shape.px, as_mask.px);
}

}  // namespace
