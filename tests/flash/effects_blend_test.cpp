// Blend modes against their formulas on premultiplied colours, and the layer rules of the
// renderer: what a blend mode blends onto, alpha and erase, limits on nesting.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/flash/format/filters.h"
#include "platform/flash/format/shape.h"
#include "platform/flash/renderer/blend.h"
#include "platform/flash/renderer/renderer.h"

namespace {

using namespace flash;

uint32_t Pm(int r, int g, int b, int a) {  // premultiplied pixel of a straight colour
  auto p = [a](int c) { return static_cast<uint32_t>(std::lround(c * a / 255.0)); };
  return p(b) | p(g) << 8 | p(r) << 16 | static_cast<uint32_t>(a) << 24;
}

int Ch(uint32_t p, int i) { return static_cast<int>((p >> (8 * i)) & 0xFF); }

// The modes written out on unit channels, straight from their definitions: where source and
// destination overlap the mode's mix, elsewhere whichever is there.
double Expected(int mode, double s, double sa, double d, double da, bool alpha_channel) {
  const double a = sa + da - sa * da;
  if (alpha_channel) {
    switch (mode) {
      case kBlendAdd: return std::min(1.0, sa + da);
      case kBlendInvert: return da;
      case kBlendAlpha: return da * sa;
      case kBlendErase: return da * (1 - sa);
      default: return a;
    }
  }
  // Straight colours of the two layers.
  const double sc = sa > 0 ? s / sa : 0, dc = da > 0 ? d / da : 0;
  double mix;
  switch (mode) {
    case kBlendMultiply: mix = sc * dc; break;
    case kBlendScreen: mix = sc + dc - sc * dc; break;
    case kBlendLighten: mix = std::max(sc, dc); break;
    case kBlendDarken: mix = std::min(sc, dc); break;
    case kBlendDifference: mix = std::fabs(sc - dc); break;
    case kBlendOverlay: mix = dc <= 0.5 ? 2 * sc * dc : 1 - 2 * (1 - dc) * (1 - sc); break;
    case kBlendHardlight: mix = sc <= 0.5 ? 2 * sc * dc : 1 - 2 * (1 - dc) * (1 - sc); break;
    case kBlendAdd: return std::min(1.0, s + d);
    case kBlendSubtract: return std::max(0.0, d - s);
    case kBlendInvert: return (da - d) * sa + d * (1 - sa);
    case kBlendAlpha: return d * sa;
    case kBlendErase: return d * (1 - sa);
    default: return s + d * (1 - sa);
  }
  return mix * sa * da + s * (1 - da) + d * (1 - sa);
}

TEST(EffectsBlend, EveryModeFollowsItsFormulaOnPremultipliedColours) {
  const std::vector<uint32_t> colours = {
      Pm(255, 0, 0, 255),     Pm(0, 128, 255, 255), Pm(200, 100, 50, 128),  Pm(30, 220, 90, 64),
      Pm(255, 255, 255, 255), Pm(0, 0, 0, 255),     Pm(120, 130, 140, 200), 0};
  for (int mode = kBlendNormal; mode <= kBlendHardlight; ++mode)
    for (uint32_t src : colours)
      for (uint32_t dst : colours) {
        const uint32_t got = BlendPixel(dst, src, mode);
        const double sa = Ch(src, 3) / 255.0, da = Ch(dst, 3) / 255.0;
        for (int i = 0; i < 4; ++i) {
          const double want =
              255 * Expected(mode, Ch(src, i) / 255.0, sa, Ch(dst, i) / 255.0, da, i == 3);
          EXPECT_NEAR(Ch(got, i), want, 1.01) << "mode " << mode << " channel " << i << " src "
                                              << std::hex << src << " dst " << dst;
        }
        // A blended pixel stays premultiplied.
        for (int i = 0; i < 3; ++i) EXPECT_LE(Ch(got, i), Ch(got, 3)) << "mode " << mode;
      }
}

TEST(EffectsBlend, KnownColoursOnAnOpaqueBackground) {
  const uint32_t grey = Pm(128, 128, 128, 255), red = Pm(255, 0, 0, 255);
  EXPECT_EQ(BlendPixel(grey, red, kBlendMultiply), Pm(128, 0, 0, 255));
  EXPECT_EQ(BlendPixel(grey, red, kBlendScreen), Pm(255, 128, 128, 255));
  EXPECT_EQ(BlendPixel(grey, red, kBlendAdd), Pm(255, 128, 128, 255));
  EXPECT_EQ(BlendPixel(grey, red, kBlendSubtract), Pm(0, 128, 128, 255));
  EXPECT_EQ(BlendPixel(grey, red, kBlendDifference), Pm(127, 128, 128, 255));
  EXPECT_EQ(BlendPixel(Pm(10, 20, 30, 255), red, kBlendInvert), Pm(245, 235, 225, 255));
  EXPECT_EQ(BlendPixel(grey, red, kBlendLighten), Pm(255, 128, 128, 255));
  EXPECT_EQ(BlendPixel(grey, red, kBlendDarken), Pm(128, 0, 0, 255));
  // Unknown numbers blend as normal.
  EXPECT_EQ(BlendPixel(grey, Pm(0, 0, 255, 255), 200), Pm(0, 0, 255, 255));
}

// A row blended in one mode gives each pixel what BlendPixel gives it, and a clear source pixel
// leaves the one below as it is in every mode but alpha, which takes its opacity away.
TEST(EffectsBlend, RowsBlendEveryPixelAsOnePixelBlends) {
  std::vector<uint32_t> src, dst;
  uint32_t seed = 12345;
  auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
  for (int i = 0; i < 600; ++i) {
    const uint32_t a = i % 5 == 0 ? 255 : next() >> 24;
    auto pm = [a, &next] { return static_cast<uint32_t>((next() >> 24) * a / 255); };
    src.push_back(i % 7 == 0 ? 0 : (pm() | pm() << 8 | pm() << 16 | a << 24));
    const uint32_t da = i % 3 == 0 ? 255 : next() >> 24;
    auto pd = [da, &next] { return static_cast<uint32_t>((next() >> 24) * da / 255); };
    dst.push_back(pd() | pd() << 8 | pd() << 16 | da << 24);
  }
  for (int mode = 0; mode <= kBlendHardlight + 1; ++mode) {
    std::vector<uint32_t> row = dst;
    BlendRow(row.data(), src.data(), static_cast<int>(row.size()), mode);
    for (size_t i = 0; i < row.size(); ++i) {
      const uint32_t want =
          src[i] == 0 && mode != kBlendAlpha ? dst[i] : BlendPixel(dst[i], src[i], mode);
      ASSERT_EQ(row[i], want) << "mode " << mode << " pixel " << i;
    }
  }
}

// --- layers in the renderer ---

constexpr int kW = 20, kH = 10;

// A rectangle in whole pixels.
ShapeDef Rect(int x0, int y0, int x1, int y1, Rgba c) {
  return SolidRectangle(x0 * 20, y0 * 20, x1 * 20, y1 * 20, c);
}

struct Canvas {
  Canvas() : pixels(kW * kH * 4), r({pixels.data(), kW, kH, kW * 4}, Quality::High, nullptr) {
    r.Clear({255, 255, 255, 255});
  }
  uint32_t At(int x, int y) const {
    const uint8_t* p = &pixels[(static_cast<size_t>(y) * kW + x) * 4];
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
  }
  void Fill(int x0, int y0, int x1, int y1, Rgba c) {
    Matrix m;
    m.a = m.d = 1.0 / 20;
    r.DrawShape(Rect(x0, y0, x1, y1, c), m, ColorTransform());
  }
  std::vector<uint8_t> pixels;
  Renderer r;
};

TEST(EffectsBlend, ModesBlendOntoTheStageAndOnlyWhereTheLayerDrew) {
  Canvas c;
  c.Fill(0, 0, 20, 10, {128, 128, 128, 255});
  c.r.PushLayer();
  c.Fill(0, 0, 10, 10, {255, 0, 0, 255});
  c.r.PopLayer(kBlendMultiply);
  EXPECT_EQ(c.At(5, 5), Pm(128, 0, 0, 255));
  EXPECT_EQ(c.At(15, 5), Pm(128, 128, 128, 255));  // outside the layer's drawing: untouched
}

TEST(EffectsBlend, AlphaAndEraseActInsideTheNearestLayerOnly) {
  {
    // Onto the stage (no layer) an erasing object draws nothing.
    Canvas c;
    c.Fill(0, 0, 20, 10, {0, 0, 255, 255});
    c.r.PushLayer();
    c.Fill(0, 0, 10, 10, {0, 0, 0, 255});
    c.r.PopLayer(kBlendErase);
    EXPECT_EQ(c.At(5, 5), Pm(0, 0, 255, 255));
  }
  {
    // Inside a layer it cuts a hole through the layer's own content, and the stage shows.
    Canvas c;
    c.Fill(0, 0, 20, 10, {0, 0, 255, 255});
    c.r.PushLayer();
    c.Fill(0, 0, 20, 10, {255, 0, 0, 255});
    c.r.PushLayer();
    c.Fill(0, 0, 10, 10, {0, 0, 0, 255});
    c.r.PopLayer(kBlendErase);
    c.r.PopLayer(kBlendLayer);
    EXPECT_EQ(c.At(5, 5), Pm(0, 0, 255, 255));
    EXPECT_EQ(c.At(15, 5), Pm(255, 0, 0, 255));
  }
  {
    // Alpha keeps the layer where the object is opaque, half where it is half transparent.
    Canvas c;
    c.Fill(0, 0, 20, 10, {255, 255, 255, 255});
    c.r.PushLayer();
    c.Fill(0, 0, 20, 10, {255, 0, 0, 255});
    c.r.PushLayer();
    c.Fill(0, 0, 10, 10, {0, 0, 0, 128});
    c.r.PopLayer(kBlendAlpha);
    c.r.PopLayer(kBlendLayer);
    EXPECT_EQ(c.At(5, 5), Pm(255, 127, 127, 255));
  }
}

TEST(EffectsBlend, LayersNestedBeyondTheLimitStillDrawAndBalance) {
  Canvas c;
  const int depth = Renderer::kMaxLayers * 3;
  for (int i = 0; i < depth; ++i) c.r.PushLayer();
  c.Fill(0, 0, 10, 10, {0, 255, 0, 255});
  for (int i = 0; i < depth; ++i) c.r.PopLayer(kBlendNormal);
  EXPECT_EQ(c.At(5, 5), Pm(0, 255, 0, 255));
  // Unbalanced pops are ignored.
  c.r.PopLayer(kBlendNormal);
  c.Fill(10, 0, 20, 10, {0, 0, 255, 255});
  EXPECT_EQ(c.At(15, 5), Pm(0, 0, 255, 255));
}

}  // namespace

namespace {

TEST(EffectsColourTransform, MultipliersAreFixedPointWithTheProductFloored) {
  flash::ColorTransform cx;
  cx.r_mult = -1;  // 200 * -1 / 256 floors to -1, not 0
  cx.r_add = 10;
  cx.g_mult = 384;  // 1.5
  cx.b_mult = 255;
  cx.b_add = -1;
  cx.a_mult = 128;
  const flash::Rgba got = cx.Apply({200, 101, 255, 255});
  EXPECT_EQ(got.r, 9);
  EXPECT_EQ(got.g, 151);  // 151.5 floored
  EXPECT_EQ(got.b, 253);  // 254.0 floored, then the add
  EXPECT_EQ(got.a, 127);
}

}  // namespace

namespace {

TEST(EffectsBlend, AFilteredLayerTakesInWhatLiesJustOutsideTheTarget) {
  // A square left of the target casts its shadow onto it.
  Canvas c;
  flash::Filter shadow;
  shadow.kind = flash::Filter::Kind::DropShadow;
  shadow.color = {0, 0, 255, 255};
  shadow.blur_x = shadow.blur_y = 0;
  shadow.distance = 6;
  shadow.angle = 0;
  c.r.PushLayer({shadow}, 1.0);
  c.Fill(-10, 2, -2, 8, {255, 0, 0, 255});
  c.r.PopLayer(flash::kBlendNormal, {shadow}, 1.0);
  EXPECT_EQ(c.At(0, 5), Pm(0, 0, 255, 255));
  EXPECT_EQ(c.At(3, 5), Pm(0, 0, 255, 255));
  EXPECT_EQ(c.At(4, 5), Pm(255, 255, 255, 255));
  EXPECT_EQ(c.At(0, 1), Pm(255, 255, 255, 255));
  // Drawing after the layer is back on the target's own coordinates.
  c.Fill(10, 0, 12, 2, {0, 255, 0, 255});
  EXPECT_EQ(c.At(11, 1), Pm(0, 255, 0, 255));
}

}  // namespace
