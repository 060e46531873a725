// The effect bitmap helpers: blend numbers, row layout, region data bytes and
// keyed drawing with the key taken from the source part.
#include <gtest/gtest.h>

#include <random>

#include "controls/effect_controls.h"
#include "platform/classlib/exceptions.h"
#include "tests/support/test_bitmaps.h"

using namespace classlib;
using namespace controls;

namespace {

int32_t Get32(const std::vector<uint8_t>& d, size_t at) {
  return static_cast<int32_t>(d[at] | (d[at + 1] << 8) | (d[at + 2] << 16) |
                              (uint32_t(d[at + 3]) << 24));
}

}  // namespace

TEST(EffectBmp, RowsArePaddedAndBlendRoundsToTheNearestEven) {
  auto black = lumitest::FilledBitmap(3, 2, clBlack);
  auto white = lumitest::FilledBitmap(3, 2, clWhite);
  TEffectBmp a(black.get()), b(white.get());
  EXPECT_EQ(a.RowBytes(), 12);
  EXPECT_EQ(a.Size(), 24u);
  a.Blend(b, 0.35);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(a.GetRow(1)[i], 89);
  a.Blend(b, 1.1);
  EXPECT_EQ(a.GetRow(0)[0], 255);
  // 0.5 between 0 and 1 is 0.5: half to even gives 0; between 0 and 3, 1.5 gives 2.
  auto one = lumitest::FilledBitmap(1, 1, RGB(1, 3, 0));
  auto zero = lumitest::FilledBitmap(1, 1, clBlack);
  TEffectBmp z(zero.get()), o(one.get());
  z.Blend(o, 0.5);
  EXPECT_EQ(z.GetRow(0)[2], 0);  // red: 0.5
  EXPECT_EQ(z.GetRow(0)[1], 2);  // green: 1.5
  // Different sizes: nothing happens.
  TEffectBmp small(one.get());
  a.Blend(small, 0.0);
  EXPECT_EQ(a.GetRow(0)[0], 255);
  EXPECT_THROW(a.GetRow(2), Exception);
}

TEST(RegionData, HeaderAndRunsAreWrittenByteForByte) {
  // Key row is the second-to-last; the last row differs to prove it.
  auto b = lumitest::FilledBitmap(4, 3, clFuchsia);
  b->Canvas()->SetPixels(1, 0, clRed);
  b->Canvas()->SetPixels(2, 0, clRed);
  for (int x = 0; x < 4; ++x) b->Canvas()->SetPixels(x, 2, clBlue);
  std::vector<uint8_t> d;
  ASSERT_EQ(BitmapRegionData(b.get(), d), 32u + 2 * 16);
  EXPECT_EQ(Get32(d, 0), 32);
  EXPECT_EQ(Get32(d, 4), 1);
  EXPECT_EQ(Get32(d, 8), 2);
  EXPECT_EQ(Get32(d, 12), 0);
  EXPECT_EQ(Get32(d, 24), 4);
  EXPECT_EQ(Get32(d, 28), 3);
  EXPECT_EQ(Get32(d, 32), 1);  // (1, 0, 3, 1)
  EXPECT_EQ(Get32(d, 40), 3);
  EXPECT_EQ(Get32(d, 48), 0);  // the whole blue last row (0, 2, 4, 3)
  EXPECT_EQ(Get32(d, 52), 2);
  EXPECT_EQ(Get32(d, 56), 4);
  TRegion r = RegionFromData(d);
  EXPECT_TRUE(r.Contains(3, 2));
  EXPECT_FALSE(r.Contains(0, 1));

  // A one-row bitmap keys on its only row.
  auto row = lumitest::FilledBitmap(3, 1, clWhite);
  row->Canvas()->SetPixels(2, 0, clBlack);
  ASSERT_EQ(BitmapRegionData(row.get(), d), 48u);
  EXPECT_EQ(Get32(d, 32), 2);

  TBitmap empty;
  EXPECT_EQ(BitmapRegionData(&empty, d), 0u);
}

TEST(RegionData, StopsAtTheMostRectanglesItHolds) {
  auto b = lumitest::FilledBitmap(2 * 120, 90, clWhite);
  for (int y = 0; y < 90; ++y)
    for (int x = 0; x < 240; x += 2) b->Canvas()->SetPixels(x, y, clBlack);
  // The key (0, h - 2) is black here: every white pixel is a run of its own.
  std::vector<uint8_t> d;
  ASSERT_EQ(BitmapRegionData(b.get(), d), 32u + 16u * kMaxRegionRects);
  EXPECT_EQ(Get32(d, 8), kMaxRegionRects);
}

TEST(KeyedDrawing, TheBottomLeftKeyIsTakenFromTheSourcePart) {
  // Two frames side by side with different backgrounds.
  auto strip = lumitest::FilledBitmap(4, 2, clRed);
  strip->Canvas()->SetPixels(2, 1, clLime);
  strip->Canvas()->SetPixels(3, 1, clLime);
  strip->Canvas()->SetPixels(2, 0, clLime);
  strip->Canvas()->SetPixels(3, 0, clBlue);
  auto target = lumitest::FilledBitmap(2, 2, clBlack);
  DrawBitmapFrame(target->Canvas(), 0, 0, 2, 2, strip.get());
  EXPECT_EQ(target->PixelColor(0, 0), clBlack);  // lime is this frame's key
  EXPECT_EQ(target->PixelColor(1, 0), clBlue);
  DrawKeyedBitmap(target->Canvas(), 0, 0, clNone, strip.get());
  EXPECT_EQ(target->PixelColor(0, 0), clRed);
}
