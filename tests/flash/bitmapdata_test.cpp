// Script bitmaps: each operation against a per-pixel model written out here, hostile sizes and
// rectangles, and bitmaps shown and drawn through the stage painter.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <set>

#include "platform/flash/player/bitmap_data.h"
#include "platform/flash/stage_painter.h"
#include "tests/flash/script_objects_support.h"

namespace {

using flash::BitmapData;
using flash::PixelRect;

// A bitmap whose straight pixels differ everywhere, made from a simple formula.
std::shared_ptr<BitmapData> Pattern(int w, int h, bool transparent, uint32_t salt = 0) {
  auto b = std::make_shared<BitmapData>(w, h, transparent, 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint32_t a = transparent ? 0x40 + ((x * 37 + y * 11 + salt) % 0xC0) : 0xFF;
      b->SetPixel32(x, y,
                    a << 24 | ((x * 29 + salt) & 0xFF) << 16 | ((y * 53) & 0xFF) << 8 |
                        ((x * y + salt) & 0xFF));
    }
  return b;
}

std::vector<uint32_t> Straight(const BitmapData& b) {
  std::vector<uint32_t> out;
  for (int y = 0; y < b.height(); ++y)
    for (int x = 0; x < b.width(); ++x) out.push_back(b.GetPixel32(x, y));
  return out;
}

TEST(BitmapDataPixels, StoredPremultipliedAsScriptsReadThemBack) {
  // Colours read back as the reference shows them after a premultiplied round trip.
  BitmapData t(2, 1, true, 0xAABBCCDD);
  EXPECT_EQ(t.GetPixel32(0, 0), 0xAABBCCDCu);
  t.SetPixel32(1, 0, 0x12345678);
  EXPECT_EQ(t.GetPixel32(1, 0), 0x12395571u);
  t.SetPixel32(1, 0, 0x80FFFFFF);
  EXPECT_EQ(t.GetPixel32(1, 0), 0x80FFFFFFu);
  t.SetPixel(1, 0, 0xBBBBBB);  // keeps the alpha
  EXPECT_EQ(t.GetPixel32(1, 0), 0x80BBBBBBu);
  t.SetPixel32(1, 0, 0x00FFFFFF);
  EXPECT_EQ(t.GetPixel32(1, 0), 0u);
  // Every straight colour at full alpha survives, and unpremultiplying never exceeds 255.
  for (uint32_t a = 0; a < 256; ++a)
    for (uint32_t c = 0; c < 256; ++c) {
      const uint32_t back = flash::Unpremultiply(flash::Premultiply(a << 24 | c));
      ASSERT_LE(back & 0xFF, 255u);
      if (a == 255) {
        ASSERT_EQ(back, a << 24 | c);
      }
    }
  // An opaque bitmap ignores alpha; outside pixels read 0 and writes there do nothing.
  BitmapData o(2, 2, false, 0x12345678);
  EXPECT_EQ(o.GetPixel32(0, 0), 0xFF345678u);
  o.SetPixel32(1, 1, 0x00ABCDEF);
  EXPECT_EQ(o.GetPixel32(1, 1), 0xFFABCDEFu);
  o.SetPixel32(-1, 0, 0);
  o.SetPixel32(2, 0, 0);
  EXPECT_EQ(o.GetPixel32(5, 5), 0u);
  EXPECT_EQ(o.GetPixel(1, 1), 0xABCDEFu);
}

TEST(BitmapDataPixels, SizeLimitsFollowTheMovieVersion) {
  EXPECT_TRUE(BitmapData::SizeAllowed(8, 2880, 2880));
  EXPECT_FALSE(BitmapData::SizeAllowed(9, 2881, 1));
  EXPECT_FALSE(BitmapData::SizeAllowed(9, 1, 2881));
  EXPECT_TRUE(BitmapData::SizeAllowed(10, 8191, 2048));
  EXPECT_FALSE(BitmapData::SizeAllowed(10, 8191, 8191));  // beyond the pixel count
  EXPECT_FALSE(BitmapData::SizeAllowed(10, 8192, 1));
  EXPECT_FALSE(BitmapData::SizeAllowed(10, 0, 5));
  EXPECT_FALSE(BitmapData::SizeAllowed(10, 5, -1));
}

TEST(BitmapDataPixels, RectanglesAreCutToTheBitmapWhateverTheirSize) {
  BitmapData b(5, 4, true, 0);
  b.FillRect({-100, -5, 2147483647, 7}, 0xFF0000FF);  // overflows if added in 32 bits
  b.FillRect({3, 2, 2147483647, 2147483647}, 0xFF00FF00);
  b.FillRect({1, 1, -3, 2}, 0xFFFF0000);  // negative width: reaches back to x = -2
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) {
      uint32_t want = 0;
      if (y < 2) want = 0xFF0000FF;
      if (x >= 3 && y >= 2) want = 0xFF00FF00;
      if (x == 0 && (y == 1 || y == 2)) want = 0xFFFF0000;
      ASSERT_EQ(b.GetPixel32(x, y), want) << x << "," << y;
    }
  b.Dispose();
  EXPECT_EQ(b.width(), 0);
  b.FillRect({0, 0, 5, 5}, 0xFFFFFFFF);  // a disposed bitmap has nothing to write
  EXPECT_EQ(b.GetPixel32(0, 0), 0u);
}

TEST(BitmapDataPixels, NegativeFillSizesReachBackFromTheCorner) {
  BitmapData b(10, 10, false, 0xFF0000BB);
  b.FillRect({15, 15, -8, -8}, 0xFFFF0000);            // 7..14 both ways, cut to 7..9
  b.FillRect({0, 0, 0, 0}, 0xFF00FF00);                // empty
  b.FillRect({3, 0, -2147483647 - 1, 1}, 0xFF00FF00);  // from far left up to x = 2
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) {
      uint32_t want = 0xFF0000BB;
      if (x >= 7 && y >= 7) want = 0xFFFF0000;
      if (y == 0 && x < 3) want = 0xFF00FF00;
      ASSERT_EQ(b.GetPixel32(x, y), want) << x << "," << y;
    }
}

TEST(BitmapDataPixels, AnAlphaMultiplierAloneNeverRaisesAlpha) {
  const uint32_t half = 0x80FF8040;
  auto alpha_after = [&](flash::PixelTransform t) {
    BitmapData b(1, 1, true, half);
    b.ColorTransform({0, 0, 1, 1}, t);
    return b.GetPixel32(0, 0) >> 24;
  };
  flash::PixelTransform t;
  t.a_mult = 2;
  EXPECT_EQ(alpha_after(t), 0x80u);  // alone: no change
  t.r_mult = 2;
  EXPECT_EQ(alpha_after(t), 0xFFu);  // with a colour term it doubles
  t = {};
  t.a_mult = 2;
  t.a_add = 1;
  EXPECT_EQ(alpha_after(t), 0xFFu);
  t = {};
  t.a_mult = 0.5;
  EXPECT_EQ(alpha_after(t), 0x40u);  // fading alone still works
}

TEST(BitmapDataCopies, AlphaBitmapScalesATransparentSourceInEightBits) {
  // Stored results: a transparent source is scaled through its straight colour with its alpha
  // times the mask over 256; an opaque source takes the mask's alpha.
  auto copied = [](uint32_t src_argb, bool src_transparent, uint32_t mask_alpha) {
    BitmapData src(1, 1, src_transparent, src_argb);
    BitmapData mask(1, 1, true, mask_alpha << 24 | 0x884422);
    BitmapData dst(1, 1, true, 0xBBFF0000);
    dst.CopyPixels(src, {0, 0, 1, 1}, 0, 0, &mask, 0, 0, false);
    return dst.At(0, 0);
  };
  EXPECT_EQ(copied(0xAA2288DD, true, 0xEE), 0x9E165589u);
  EXPECT_EQ(copied(0xAA2288DD, true, 0x66), 0x4309243Au);
  EXPECT_EQ(copied(0x44888888, true, 0xEE), 0x3F212121u);
  EXPECT_EQ(copied(0x44888888, true, 0x66), 0x1B0E0E0Eu);
  EXPECT_EQ(copied(0xAA2288DD, true, 0xFF), flash::Premultiply(0xAA2288DD));  // full mask
  EXPECT_EQ(copied(0xFF2288DD, false, 0x66), 0x660E3658u);
  EXPECT_EQ(copied(0xFF2288DD, false, 0xEE), 0xEE207FCEu);
  // Merging puts the scaled source over what the destination holds.
  BitmapData src(1, 1, true, 0xAA2288DD);
  BitmapData mask(1, 1, true, 0xEE000000);
  BitmapData dst(1, 1, true, 0xBBFF0000);
  dst.CopyPixels(src, {0, 0, 1, 1}, 0, 0, &mask, 0, 0, true);
  EXPECT_EQ(dst.At(0, 0), 0xE55D5589u);
}

TEST(BitmapDataCopies, CopyPixelsMatchesModelIncludingOverlapsAndMerging) {
  auto src = Pattern(7, 6, true, 3);
  auto dst = Pattern(6, 5, true, 9);
  const std::vector<uint32_t> before = Straight(*dst);
  dst->CopyPixels(*src, {2, 1, 10, 10}, -1, 2, nullptr, 0, 0, false);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x) {
      const int sx = x + 1 + 2, sy = y - 2 + 1;
      const bool inside = sx >= 2 && sx < 7 && sy >= 1 && sy < 6 && y >= 2;
      const uint32_t want = inside ? src->GetPixel32(sx, sy) : before[y * 6 + x];
      ASSERT_EQ(dst->GetPixel32(x, y), want) << x << "," << y;
    }
  // Copying a bitmap onto itself, overlapping, reads the pixels as they were.
  auto self = Pattern(6, 6, false);
  const std::vector<uint32_t> old = Straight(*self);
  self->Scroll(2, 1);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) {
      const uint32_t want = (x >= 2 && y >= 1) ? old[(y - 1) * 6 + x - 2] : old[y * 6 + x];
      ASSERT_EQ(self->GetPixel32(x, y), want);
    }
  // Merging: source over destination on premultiplied pixels.
  BitmapData under(1, 1, true, 0xFF0000FF);
  BitmapData over(1, 1, true, 0x80FF0000);
  under.CopyPixels(over, {0, 0, 1, 1}, 0, 0, nullptr, 0, 0, true);
  EXPECT_EQ(under.At(0, 0), 0xFF80007Fu);
  // The alpha bitmap scales the source's alpha.
  BitmapData target(1, 1, true, 0);
  BitmapData mask(1, 1, true, 0x80000000);
  BitmapData white(1, 1, false, 0xFFFFFFFF);
  target.CopyPixels(white, {0, 0, 1, 1}, 0, 0, &mask, 0, 0, false);
  EXPECT_EQ(target.GetPixel32(0, 0), 0x80FFFFFFu);
  // Outside a transparent alpha bitmap nothing is copied; an opaque one is no mask at all.
  BitmapData wide(2, 1, true, 0xFF0000FF);
  BitmapData white2(2, 1, false, 0xFFFFFFFF);
  wide.CopyPixels(white2, {0, 0, 2, 1}, 0, 0, &mask, 0, 0, false);
  EXPECT_EQ(wide.GetPixel32(1, 0), 0xFF0000FFu);
  BitmapData solid_mask(1, 1, false, 0);
  wide.CopyPixels(white2, {0, 0, 2, 1}, 0, 0, &solid_mask, 0, 0, false);
  EXPECT_EQ(wide.GetPixel32(1, 0), 0xFFFFFFFFu);
  // An opaque destination blends even without merging.
  BitmapData red(1, 1, false, 0xFFFF0000);
  BitmapData grey(1, 1, true, 0x44888888);
  red.CopyPixels(grey, {0, 0, 1, 1}, 0, 0, nullptr, 0, 0, false);
  EXPECT_EQ(red.GetPixel32(0, 0), 0xFFDF2424u);
}

TEST(BitmapDataCopies, ChannelsThresholdPaletteAndMergeFollowTheirModels) {
  auto src = Pattern(4, 4, true, 1);
  auto dst = Pattern(4, 4, true, 2);
  const std::vector<uint32_t> s = Straight(*src), d0 = Straight(*dst);
  dst->CopyChannel(*src, {0, 0, 4, 4}, 0, 0, flash::kChannelRed, flash::kChannelBlue);
  for (int i = 0; i < 16; ++i) {
    // The straight pixel with red copied into blue, then stored premultiplied again.
    const uint32_t want =
        flash::Unpremultiply(flash::Premultiply((d0[i] & ~0xFFu) | (s[i] >> 16 & 0xFF)));
    ASSERT_EQ(dst->GetPixel32(i % 4, i / 4), want) << i;
  }
  // An unknown destination channel changes nothing; an unknown source channel copies zeros.
  const std::vector<uint32_t> d1 = Straight(*dst);
  dst->CopyChannel(*src, {0, 0, 4, 4}, 0, 0, flash::kChannelRed, 3);
  EXPECT_EQ(Straight(*dst), d1);
  BitmapData opaque(2, 1, false, 0xFF123456);
  opaque.CopyChannel(*src, {0, 0, 2, 1}, 0, 0, 3, flash::kChannelRed);
  EXPECT_EQ(opaque.GetPixel32(1, 0), 0xFF003456u);

  BitmapData out(4, 4, true, 0x11223344);
  const uint32_t mask = 0x00FF0000, threshold = 0x00300000, color = 0xFF00FF00;
  const int n = out.Threshold(*src, {0, 0, 4, 4}, 0, 0, BitmapData::ThresholdOp::Less, threshold,
                              color, mask, true);
  // The test reads the source's premultiplied channels; a pixel that fails is copied as stored.
  int expected = 0;
  for (int i = 0; i < 16; ++i) {
    const bool pass = (src->At(i % 4, i / 4) & mask) < (threshold & mask);
    expected += pass;
    ASSERT_EQ(out.GetPixel32(i % 4, i / 4), pass ? color : s[i]) << i;
  }
  EXPECT_EQ(n, expected);
  EXPECT_GT(n, 0);
  EXPECT_LT(n, 16);

  std::array<std::array<uint32_t, 256>, 4> tables{};
  for (uint32_t v = 0; v < 256; ++v) {
    tables[0][v] = (255 - v) << 16;  // red inverted
    tables[1][v] = v << 8;
    tables[2][v] = 0;  // blue dropped
    tables[3][v] = 0xFF000000u;
  }
  BitmapData mapped(4, 4, true, 0);
  mapped.PaletteMap(*src, {0, 0, 4, 4}, 0, 0, tables);
  for (int i = 0; i < 16; ++i)
    ASSERT_EQ(mapped.GetPixel32(i % 4, i / 4),
              0xFF000000u | (255 - (s[i] >> 16 & 0xFF)) << 16 | (s[i] & 0xFF00));

  BitmapData a(1, 1, false, 0xFF204060), b(1, 1, false, 0xFFA0C0E0);
  a.Merge(b, {0, 0, 1, 1}, 0, 0, {256, 128, 0, 256});
  EXPECT_EQ(a.GetPixel32(0, 0), 0xFFA08060u);
}

TEST(BitmapDataFill, FloodFillReachesExactlyTheJoinedRegion) {
  // A ring of one colour splits the inside from the outside.
  BitmapData b(7, 7, false, 0xFFFFFFFF);
  for (int i = 1; i < 6; ++i) {
    b.SetPixel32(i, 1, 0xFF000000);
    b.SetPixel32(i, 5, 0xFF000000);
    b.SetPixel32(1, i, 0xFF000000);
    b.SetPixel32(5, i, 0xFF000000);
  }
  EXPECT_TRUE(b.FloodFill(0, 0, 0xFFFF0000));
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 7; ++x) {
      const bool ring =
          (x >= 1 && x <= 5 && (y == 1 || y == 5)) || (y >= 1 && y <= 5 && (x == 1 || x == 5));
      const bool inside = x > 1 && x < 5 && y > 1 && y < 5;
      const uint32_t want = ring ? 0xFF000000 : inside ? 0xFFFFFFFF : 0xFFFF0000;
      ASSERT_EQ(b.GetPixel32(x, y), want) << x << "," << y;
    }
  EXPECT_FALSE(b.FloodFill(7, 0, 0xFF00FF00));
  EXPECT_FALSE(b.FloodFill(0, 0, 0xFFFF0000));  // already that colour
  // A large region fills without deep recursion.
  BitmapData big(2000, 2000, false, 0xFF000000);
  EXPECT_TRUE(big.FloodFill(1000, 1000, 0xFF123456));
  EXPECT_EQ(big.GetPixel32(0, 1999), 0xFF123456u);
}

TEST(BitmapDataFill, ColorBoundsFindAndAvoid) {
  BitmapData b(6, 5, true, 0);
  b.SetPixel32(1, 3, 0xFFFF0000);
  b.SetPixel32(4, 1, 0xFFFF0000);
  const PixelRect found = b.ColorBounds(0xFFFFFFFF, 0xFFFF0000, true);
  EXPECT_EQ(found.x, 1);
  EXPECT_EQ(found.y, 1);
  EXPECT_EQ(found.width, 4);
  EXPECT_EQ(found.height, 3);
  const PixelRect none = b.ColorBounds(0xFFFFFFFF, 0xFF00FF00, true);
  EXPECT_TRUE(none.Empty());
  const PixelRect other = b.ColorBounds(0xFF000000, 0, false);  // opaque pixels
  EXPECT_EQ(other.x, 1);
  EXPECT_EQ(other.width, 4);
}

// Bounds that end at the top-left pixel count as none; any other pixel found with it, or a
// single pixel elsewhere (in the first row or column too), gives the usual bounds.
TEST(BitmapDataFill, ColorBoundsOfTheTopLeftPixelAloneAreEmpty) {
  BitmapData b(3, 3, true, 0xFFFFFFFF);
  b.SetPixel32(0, 0, 0xFF00FF00);
  EXPECT_TRUE(b.ColorBounds(0xFFFFFFFF, 0xFFFFFFFF, false).Empty());
  EXPECT_EQ(b.ColorBounds(0xFFFFFFFF, 0xFFFFFFFF, true).width, 3);
  struct Case {
    int x, y;
    PixelRect want;
  };
  for (Case c : {Case{1, 1, {0, 0, 2, 2}}, Case{0, 2, {0, 0, 1, 3}}, Case{2, 0, {0, 0, 3, 1}}}) {
    BitmapData two(3, 3, true, 0xFFFFFFFF);
    two.SetPixel32(0, 0, 0xFF00FF00);
    two.SetPixel32(c.x, c.y, 0xFF00FF00);
    const PixelRect r = two.ColorBounds(0xFFFFFFFF, 0xFFFFFFFF, false);
    EXPECT_EQ(r.x, c.want.x);
    EXPECT_EQ(r.y, c.want.y);
    EXPECT_EQ(r.width, c.want.width) << c.x << "," << c.y;
    EXPECT_EQ(r.height, c.want.height) << c.x << "," << c.y;
  }
  BitmapData one(3, 3, true, 0xFFFFFFFF);
  one.SetPixel32(1, 0, 0xFF00FF00);
  const PixelRect r = one.ColorBounds(0xFFFFFFFF, 0xFFFFFFFF, false);
  EXPECT_EQ(r.x, 1);
  EXPECT_EQ(r.width, 1);
  EXPECT_EQ(r.height, 1);
}

TEST(BitmapDataCopies, ThresholdComparesStoredPixelsAndKeepsThemInAnOpaqueBitmap) {
  // 0x12345678 is kept premultiplied: red 0x04, below 0x33 though its straight red is 0x34.
  BitmapData src(2, 1, true, 0);
  src.SetPixel32(0, 0, 0x12345678);
  src.SetPixel32(1, 0, 0xFFFFFFFF);
  const uint32_t stored = src.At(0, 0);
  ASSERT_EQ(stored >> 16 & 0xFF, 0x04u);
  BitmapData glass(2, 1, true, 0);
  EXPECT_EQ(glass.Threshold(src, {0, 0, 2, 1}, 0, 0, BitmapData::ThresholdOp::GreaterEqual,
                            0x00330000, 0xFF0000FF, 0x00FF0000, true),
            1);
  EXPECT_EQ(glass.GetPixel32(0, 0), src.GetPixel32(0, 0));  // failed: copied
  EXPECT_EQ(glass.GetPixel32(1, 0), 0xFF0000FFu);           // passed: the colour
  // Into an opaque bitmap the copied pixel keeps its stored alpha and channels, and the colour
  // goes in premultiplied; reading an opaque bitmap gives the pixels as they stand.
  BitmapData opaque(2, 1, false, 0xFFBBCCDD);
  EXPECT_EQ(opaque.Threshold(src, {0, 0, 2, 1}, 0, 0, BitmapData::ThresholdOp::Less, 0x00330000,
                             0xAAAAAAAA, 0x00FF0000, true),
            1);
  EXPECT_EQ(opaque.GetPixel32(0, 0), 0xAA717171u);
  EXPECT_EQ(opaque.GetPixel32(1, 0), 0xFFFFFFFFu);
  BitmapData copied(1, 1, false, 0xFF000000);
  copied.Threshold(src, {0, 0, 1, 1}, 0, 0, BitmapData::ThresholdOp::Equal, 0, 0, 0x00FF0000, true);
  EXPECT_EQ(copied.GetPixel32(0, 0), stored);
}

TEST(BitmapDataFill, ColorBoundsMasksTheColourOnlyInATransparentBitmap) {
  BitmapData glass(3, 2, true, 0xAABBCCDD), opaque(3, 2, false, 0xFFBBCCDD);
  // Mask 0: every transparent pixel matches any colour; no opaque pixel matches a colour with
  // bits outside the mask.
  EXPECT_TRUE(glass.ColorBounds(0, 0x00FF0000, false).Empty());
  EXPECT_EQ(glass.ColorBounds(0, 0x00FF0000, true).width, 3);
  EXPECT_EQ(opaque.ColorBounds(0, 0x00FF0000, false).width, 3);
  EXPECT_TRUE(opaque.ColorBounds(0, 0x00FF0000, true).Empty());
  // An opaque bitmap leaves alpha out; a transparent one compares premultiplied channels.
  EXPECT_EQ(opaque.ColorBounds(0xFF000000, 0xAA000000, true).height, 2);
  EXPECT_EQ(opaque.ColorBounds(0x000000FF, 0x000000DD, true).height, 2);
  EXPECT_EQ(glass.ColorBounds(0xFF000000, 0xAA000000, true).height, 2);
  EXPECT_TRUE(glass.ColorBounds(0x000000FF, 0x000000DD, true).Empty());
}

TEST(BitmapDataRandom, NoiseAndDissolveAreSeededAndBounded) {
  BitmapData a(16, 16, true, 0), b(16, 16, true, 0);
  a.Noise(42, 10, 20, flash::kChannelRed | flash::kChannelAlpha, false);
  b.Noise(42, 10, 20, flash::kChannelRed | flash::kChannelAlpha, false);
  EXPECT_EQ(Straight(a), Straight(b));
  std::set<uint32_t> reds;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const uint32_t p = a.At(x, y);  // premultiplied: red never exceeds alpha
      ASSERT_GE(p >> 24, 10u);
      ASSERT_LE(p >> 24, 20u);
      ASSERT_LE(p >> 16 & 0xFF, p >> 24);
      ASSERT_EQ(p & 0xFFFF, 0u);
    }
  BitmapData red(16, 16, false, 0);
  red.Noise(42, 10, 20, flash::kChannelRed, false);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const uint32_t p = red.GetPixel32(x, y);
      ASSERT_EQ(p & 0xFF00FFFF, 0xFF000000u);
      ASSERT_GE(p >> 16 & 0xFF, 10u);
      ASSERT_LE(p >> 16 & 0xFF, 20u);
      reds.insert(p >> 16 & 0xFF);
    }
  EXPECT_GT(reds.size(), 8u);
  b.Noise(43, 10, 20, flash::kChannelRed | flash::kChannelAlpha, false);
  EXPECT_NE(Straight(a), Straight(b));

  // Dissolving k pixels changes the pixel the seed stands on and k more distinct ones; the
  // returned seed stands on the last one, so the next call adds exactly k.
  BitmapData from(10, 10, false, 0xFF00FF00);
  BitmapData to(10, 10, false, 0xFF000000);
  int32_t seed = 7;
  for (int step = 1; step <= 4; ++step) {
    seed = to.PixelDissolve(from, {0, 0, 10, 10}, 0, 0, seed, 25, 0);
    int green = 0;
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 10; ++x) green += to.GetPixel32(x, y) == 0xFF00FF00;
    ASSERT_EQ(green, std::min(25 * step + 1, 100));
  }
  // Perlin noise: seeded, and each channel stays within range.
  BitmapData p1(20, 10, false, 0), p2(20, 10, false, 0);
  p1.PerlinNoise(8, 8, 3, 5, false, true, 7, false, {});
  p2.PerlinNoise(8, 8, 3, 5, false, true, 7, false, {});
  EXPECT_EQ(Straight(p1), Straight(p2));
  const std::vector<uint32_t> perlin = Straight(p1);
  std::set<uint32_t> colours(perlin.begin(), perlin.end());
  EXPECT_GT(colours.size(), 20u);
}

TEST(BitmapDataRandom, DissolvingNoPixelsStillTakesTheSeedsOwnAndAFullAreaStops) {
  BitmapData bmp(7, 9, false, 0xFFCCCCCC);
  int32_t seed = 0;
  auto red = [&bmp] {
    int n = 0;
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 7; ++x) n += bmp.GetPixel32(x, y) == 0xFFFF0000;
    return n;
  };
  seed = bmp.PixelDissolve(bmp, {0, 0, 7, 9}, 0, 0, seed, 0, 0xFFFF0000);
  EXPECT_EQ(seed, 0);
  EXPECT_EQ(red(), 1);
  bmp.PixelDissolve(bmp, {0, 0, 7, 9}, 0, 0, seed, -5, 0xFFFF0000);
  EXPECT_EQ(red(), 1);
  // One a call: the count grows by one until every pixel of the area is taken.
  for (int round = 1; round <= 70; ++round) {
    seed = bmp.PixelDissolve(bmp, {0, 0, 7, 9}, 0, 0, seed, 1, 0xFFFF0000);
    ASSERT_EQ(red(), std::min(round + 1, 63)) << round;
  }
}

TEST(BitmapDataRandom, NoiseSeedsRangesAndChannelsFollowTheGeneratorRules) {
  // The generator multiplies by 16807 modulo 2^31 - 1; a pixel's value is low + draw % span.
  auto first_grey = [](int32_t seed) {
    BitmapData bmp(1, 1, false, 0);
    bmp.Noise(seed, 0, 255, flash::kChannelRed, true);
    return bmp.GetPixel32(0, 0) & 0xFF;
  };
  EXPECT_EQ(first_grey(1), 16807u % 256);
  EXPECT_EQ(first_grey(2), 33614u % 256);
  // Seeds below one count back up from one.
  EXPECT_EQ(first_grey(0), first_grey(1));
  EXPECT_EQ(first_grey(-1), first_grey(2));
  EXPECT_EQ(first_grey(-2), first_grey(3));
  EXPECT_NE(first_grey(-1), first_grey(1));
  (void)first_grey(INT32_MIN);  // no overflow
  // A range whose high end is under its low end gives the low end everywhere.
  BitmapData empty(4, 4, false, 0);
  empty.Noise(128, 10, 2, flash::kChannelBlue, false);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) ASSERT_EQ(empty.GetPixel32(x, y), 0xFF00000Au);
  // An opaque bitmap draws no alpha value: its second pixel takes the second draw, as in a
  // bitmap asked for grey only.
  BitmapData opaque(3, 1, false, 0), grey(3, 1, false, 0);
  opaque.Noise(128, 0, 255, flash::kChannelRed | flash::kChannelAlpha, true);
  grey.Noise(128, 0, 255, flash::kChannelRed, true);
  EXPECT_EQ(Straight(opaque), Straight(grey));
  BitmapData glass(3, 1, true, 0);
  glass.Noise(128, 0, 255, flash::kChannelRed | flash::kChannelAlpha, true);
  EXPECT_NE(glass.GetPixel32(1, 0) & 0xFF, grey.GetPixel32(1, 0) & 0xFF);
  // Noise premultiplies over 256: grey 0xD6 at alpha 0xF7 is kept as 206 (not 207), and reads
  // back as 0xD5.
  BitmapData square(3, 3, true, 0);
  square.Noise(128, 0, 255, flash::kChannelRed | flash::kChannelAlpha, true);
  EXPECT_EQ(square.At(1, 1), 0xF7CECECEu);
  EXPECT_EQ(square.GetPixel32(1, 1), 0xF7D5D5D5u);
  EXPECT_EQ(square.GetPixel32(0, 0), 0x907F7F7Fu);
}

TEST(BitmapDataFilter, ApplyFilterWritesTheBlurredRectangleWithItsReach) {
  BitmapData src(9, 9, true, 0);
  src.FillRect({4, 4, 1, 1}, 0xFFFFFFFF);
  BitmapData dst(9, 9, true, 0);
  flash::Filter blur;
  blur.kind = flash::Filter::Kind::Blur;
  blur.blur_x = blur.blur_y = 3;
  blur.passes = 1;
  flash::ApplyFilterInto(src, {4, 4, 1, 1}, dst, 4, 4, blur);
  // A 3x3 box spreads the dot over its neighbours, evenly.
  const uint32_t centre = dst.At(4, 4) >> 24;
  EXPECT_GT(centre, 0u);
  EXPECT_EQ(dst.At(3, 3) >> 24, centre);
  EXPECT_EQ(dst.At(5, 5) >> 24, centre);
  EXPECT_EQ(dst.At(2, 2), 0u);
}

// --- through scripts ---

using flashtest::Script;

TEST(BitmapDataScript, ConstructionLimitsAndDisposal) {
  Script s(8);
  s.Var("ok", [](Script& c) {
    c.NewIn("flash.display", "BitmapData", {Script::Num(3), Script::Num(2)});
  });
  s.TraceMember("ok.width").TraceMember("ok.transparent");
  s.TraceExpr([](Script& c) { c.Call("ok", "getPixel32", {Script::Num(0), Script::Num(0)}); });
  s.TraceExpr([](Script& c) {
    c.NewIn("flash.display", "BitmapData", {Script::Num(2881), Script::Num(1)});
  });
  s.TraceExpr([](Script& c) { c.NewIn("flash.display", "BitmapData", {Script::Num(3)}); });
  s.Call("ok", "dispose").Drop();
  s.TraceMember("ok.width");
  s.TraceExpr([](Script& c) { c.Call("ok", "getPixel", {Script::Num(0), Script::Num(0)}); });
  EXPECT_EQ(s.Run(), "3\ntrue\n-1\nundefined\nundefined\n-1\n-1\n");
}

TEST(BitmapDataScript, PixelLoopsRunIntoTheActionBudget) {
  auto bitmap = [](int w, int h) {
    return [w, h](Script& c) {
      c.NewIn(
          "flash.display", "BitmapData",
          {Script::Num(w), Script::Num(h), [](Script& d) { d.a.PushBool(false); }, Script::Num(0)});
    };
  };
  // Filling the whole of a large bitmap over and over ends the script long before the loop does.
  Script big(8);
  big.Var("b", bitmap(2880, 2880));
  big.Loop("i", 2000, [](Script& c) {
    c.Call("b", "fillRect", {Script::Member("b", "rectangle"), Script::Num(0xFF)}).Drop();
    c.TraceExpr(Script::VarRef("i"));
  });
  big.TraceExpr(Script::Str("loop finished"));
  const std::string out = big.Run();
  const auto lines = std::count(out.begin(), out.end(), '\n');
  EXPECT_GT(lines, 100);
  EXPECT_LT(lines, 2000);
  EXPECT_EQ(out.find("loop finished"), std::string::npos);

  // What counts is the rectangle a method works on, not the bitmap: small fills of the same
  // large bitmap run to the end.
  Script small(8);
  small.Var("b", bitmap(2880, 2880));
  small.Var("r", [](Script& c) {
    c.NewIn("flash.geom", "Rectangle",
            {Script::Num(5), Script::Num(5), Script::Num(10), Script::Num(10)});
  });
  small.Loop("i", 2000, [](Script& c) {
    c.Call("b", "fillRect", {Script::VarRef("r"), Script::Num(0xFF)}).Drop();
  });
  small.TraceExpr(Script::Str("loop finished"));
  small.TraceExpr([](Script& c) { c.Call("b", "getPixel", {Script::Num(5), Script::Num(5)}); });
  EXPECT_EQ(small.Run(), "loop finished\n255\n");

  // One call whose work alone exceeds the budget (every octave of noise over the largest bitmap
  // a version 10 movie may make) is refused and ends the script.
  Script noise(10);
  noise.TraceExpr(Script::Str("before"));
  noise.Var("b", bitmap(8191, 2048));
  noise
      .Call("b", "perlinNoise",
            {Script::Num(100), Script::Num(100), Script::Num(32), Script::Num(1), Script::Num(0),
             Script::Num(1), Script::Num(7), Script::Num(0)})
      .Drop();
  noise.TraceExpr(Script::Str("after"));
  EXPECT_EQ(noise.Run(), "before\n");
}

TEST(BitmapDataScript, LiveBitmapsStayWithinTheirMemoryAndDroppedOnesAreFreed) {
  auto large = [](Script& c) {
    c.NewIn("flash.display", "BitmapData", {Script::Num(2880), Script::Num(2880)});
  };
  // Bitmaps kept in an array: those beyond the limit of live pixels are refused, not made.
  {
    Script s(8);
    s.Var("a", [](Script& c) { c.New("Array"); });
    s.Loop("i", 40, [&](Script& c) { c.Call("a", "push", {large}).Drop(); });
    s.TraceMember("a.length");
    s.TraceExpr([](Script& c) { c.Get("a").a.PushInt(0).Op(0x4E).PushString("width").Op(0x4E); });
    s.TraceExpr([](Script& c) { c.Get("a").a.PushInt(39).Op(0x4E); });
    EXPECT_EQ(s.Run(), "40\n2880\nundefined\n");
    EXPECT_LE(flash::BitmapData::LivePixels(), flash::BitmapData::kMaxLivePixels);
  }
  EXPECT_LT(flash::BitmapData::LivePixels(), int64_t{2880} * 2880);

  // A large bitmap made and dropped on every frame is freed after a few: it never runs into the
  // limit.
  Script body;
  body.Var("b", large);
  body.TraceMember("b.width");
  Script s(8);
  s.SetMember("_root", "onEnterFrame", [&](Script& c) { c.Function({}, body); });
  s.Run();
  for (int i = 0; i < 60; ++i) s.player.Tick();
  const std::string out = flashtest::Joined(s.player.trace_log);
  size_t made = 0;
  for (size_t at = out.find("2880"); at != std::string::npos; at = out.find("2880", at + 1)) ++made;
  EXPECT_EQ(made, 60u);
  EXPECT_EQ(out.find("undefined"), std::string::npos);
  EXPECT_LT(flash::BitmapData::LivePixels(), int64_t{4} * 2880 * 2880);
}

TEST(BitmapDataScript, HitTestThresholdsAndArguments) {
  auto geom = [](const char* cls, std::vector<Script::Emit> args) {
    return [cls, args](Script& c) { c.NewIn("flash.geom", cls, args); };
  };
  auto point = [&](double x, double y) { return geom("Point", {Script::Num(x), Script::Num(y)}); };
  Script s(8);
  s.Var("b", [](Script& c) {
    c.NewIn(
        "flash.display", "BitmapData",
        {Script::Num(3), Script::Num(3), [](Script& d) { d.a.PushBool(true); }, Script::Num(0)});
  });
  s.Call("b", "setPixel32", {Script::Num(1), Script::Num(1), Script::Num(0xA0FFFFFF)}).Drop();
  auto hit = [&](std::vector<Script::Emit> args) {
    s.TraceExpr([args](Script& c) { c.Call("b", "hitTest", args); });
  };
  hit({point(0, 0), Script::Num(0), point(0, 0)});  // no alpha at all: no hit
  hit({point(0, 0), Script::Num(0),
       geom("Rectangle", {Script::Num(0), Script::Num(0), Script::Num(1), Script::Num(1)})});
  hit({point(0, 0), Script::Num(0xA1), point(1, 1)});
  hit({point(0, 0), Script::Num(0xA0), point(1, 1)});
  hit({point(-1, -1), Script::Num(0xA0), point(0, 0)});  // the first point moves the bitmap
  hit({Script::Num(0), Script::Num(0), point(1, 1)});    // not a point
  hit({point(0, 0), Script::Num(0), Script::Num(5)});    // neither point, rectangle nor bitmap
  EXPECT_EQ(s.Run(), "false\ntrue\nfalse\ntrue\ntrue\n-2\n-3\n");
}

TEST(BitmapDataScript, AttachedAndDrawnBitmapsShowOnStage) {
  Script s(8);
  s.Var("b", [](Script& c) {
    c.NewIn("flash.display", "BitmapData",
            {Script::Num(10), Script::Num(10), [](Script& d) { d.a.PushBool(false); },
             Script::Num(0xFF0000)});
  });
  s.Call("_root", "attachBitmap", {Script::VarRef("b"), Script::Num(5)}).Drop();
  // A second bitmap drawn into the first: blue over its top-left quarter.
  s.Var("q", [](Script& c) {
    c.NewIn("flash.display", "BitmapData",
            {Script::Num(5), Script::Num(5), [](Script& d) { d.a.PushBool(false); },
             Script::Num(0x0000FF)});
  });
  s.Call("b", "draw", {Script::VarRef("q")}).Drop();
  s.TraceExpr([](Script& c) { c.Call("b", "getPixel", {Script::Num(2), Script::Num(2)}); });
  s.TraceExpr([](Script& c) { c.Call("b", "getPixel", {Script::Num(7), Script::Num(7)}); });
  EXPECT_EQ(s.Run(), "255\n16711680\n");
  std::vector<uint8_t> px(100 * 100 * 4);
  flash::PaintStage(s.player, {px.data(), 100, 100, 400}, {255, 255, 255, 255});
  auto at = [&](int x, int y) {
    const uint8_t* p = &px[(y * 100 + x) * 4];
    return uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
  };
  EXPECT_EQ(at(2, 2), 0x0000FFu);
  EXPECT_EQ(at(8, 8), 0xFF0000u);
  EXPECT_EQ(at(12, 12), 0xFFFFFFu);
}

// Pixels of the stage as 0xRRGGBB.
std::vector<uint32_t> Stage(flash::Player& player, int w, int h) {
  std::vector<uint8_t> px(static_cast<size_t>(w) * h * 4);
  flash::PaintStage(player, {px.data(), w, h, w * 4}, {255, 255, 255, 255});
  std::vector<uint32_t> out;
  for (size_t i = 0; i < px.size(); i += 4)
    out.push_back(uint32_t{px[i + 2]} << 16 | uint32_t{px[i + 1]} << 8 | px[i]);
  return out;
}

Script::Emit Geom(const char* cls, std::vector<double> values) {
  std::vector<Script::Emit> args;
  for (double v : values) args.push_back(Script::Num(v));
  return [cls, args](Script& c) { c.NewIn("flash.geom", cls, args); };
}

Script::Emit Bool(bool b) {
  return [b](Script& c) { c.a.PushBool(b); };
}

TEST(BitmapDataScript, DrawPlacesAClipByMatrixInsideTheClipRectangle) {
  Script s(8);
  // A clip holding a 4x4 red square drawn with the pen.
  s.Call("_root", "createEmptyMovieClip", {Script::Str("sq"), Script::Num(1)}).Drop();
  s.Call("_root.sq", "beginFill", {Script::Num(0xFF0000)}).Drop();
  s.Call("_root.sq", "moveTo", {Script::Num(0), Script::Num(0)}).Drop();
  for (auto [x, y] : {std::pair{4, 0}, {4, 4}, {0, 4}, {0, 0}})
    s.Call("_root.sq", "lineTo", {Script::Num(x), Script::Num(y)}).Drop();
  s.Call("_root.sq", "endFill").Drop();
  s.Var("b", [](Script& c) {
    c.NewIn("flash.display", "BitmapData",
            {Script::Num(10), Script::Num(10), Bool(false), Script::Num(0x000000)});
  });
  // Moved 3 right and 2 down, clipped to the rectangle (0, 0)-(5, 10).
  s.Call("b", "draw",
         {Script::Member("_root", "sq"), Geom("Matrix", {1, 0, 0, 1, 3, 2}),
          [](Script& c) { c.a.PushNull(); }, [](Script& c) { c.a.PushNull(); },
          Geom("Rectangle", {0, 0, 5, 10})})
      .Drop();
  for (auto [x, y] : {std::pair{3, 2}, {4, 5}, {5, 2}, {2, 2}, {3, 6}, {9, 9}})
    s.TraceExpr([x = x, y = y](Script& c) {
      c.Call("b", "getPixel", {Script::Num(x), Script::Num(y)});
    });
  // Absurd matrices break nothing: a square grown past any size covers the whole bitmap, one
  // squeezed to nothing draws nothing.
  s.Call("b", "draw", {Script::Member("_root", "sq"), Geom("Matrix", {1e300, 0, 0, 1e300, 0, 0})})
      .Drop();
  s.Call("b", "draw", {Script::VarRef("b"), Geom("Matrix", {0, 0, 0, 0, 0, 0})}).Drop();
  s.TraceExpr([](Script& c) { c.Call("b", "getPixel", {Script::Num(0), Script::Num(0)}); });
  EXPECT_EQ(s.Run(), "16711680\n16711680\n0\n0\n0\n0\n16711680\n");
}

TEST(BitmapDataScript, BitmapFillsRepeatTheBitmapUnderTheirMatrix) {
  Script s(8);
  // A 2x1 bitmap, blue then green, scaled twice across and repeated over a 10x2 rectangle.
  s.Var("b", [](Script& c) {
    c.NewIn("flash.display", "BitmapData",
            {Script::Num(2), Script::Num(1), Bool(false), Script::Num(0x0000FF)});
  });
  s.Call("b", "setPixel", {Script::Num(1), Script::Num(0), Script::Num(0x00FF00)}).Drop();
  s.Call("_root", "beginBitmapFill",
         {Script::VarRef("b"), Geom("Matrix", {2, 0, 0, 2, 0, 0}), Bool(true), Bool(false)})
      .Drop();
  s.Call("_root", "moveTo", {Script::Num(0), Script::Num(0)}).Drop();
  for (auto [x, y] : {std::pair{10, 0}, {10, 2}, {0, 2}, {0, 0}})
    s.Call("_root", "lineTo", {Script::Num(x), Script::Num(y)}).Drop();
  s.Call("_root", "endFill").Drop();
  s.Run();
  const std::vector<uint32_t> px = Stage(s.player, 100, 100);
  for (int x = 0; x < 10; ++x) {
    const uint32_t want = (x / 2) % 2 == 0 ? 0x0000FFu : 0x00FF00u;
    EXPECT_EQ(px[x], want) << x;
    EXPECT_EQ(px[100 + x], want) << x;
  }
  EXPECT_EQ(px[2 * 100 + 3], 0xFFFFFFu);  // below the rectangle
}

TEST(BitmapDataScript, DisposedBitmapsShowNothing) {
  Script s(8);
  s.Var("b", [](Script& c) {
    c.NewIn("flash.display", "BitmapData",
            {Script::Num(4), Script::Num(4), Bool(false), Script::Num(0xFF0000)});
  });
  s.Call("_root", "attachBitmap", {Script::VarRef("b"), Script::Num(1)}).Drop();
  s.Call("b", "dispose").Drop();
  s.Run();
  EXPECT_EQ(Stage(s.player, 100, 100)[0], 0xFFFFFFu);
}

}  // namespace
