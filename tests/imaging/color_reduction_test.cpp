// Colour reduction: BMP output, the six methods on their edge cases.
#include <gtest/gtest.h>

#include <set>

#include "imaging/color_reduction.h"
#include "platform/classlib/exceptions.h"
#include "tests/imaging/gif_test_util.h"

using namespace lumicast;
using namespace classlib;

namespace {

struct Bmp {
  uint32_t off = 0, size_image = 0, clr_used = 0;
  int w = 0, h = 0, bits = 0;
  std::vector<TRGBQuad> palette;
  std::vector<uint8_t> bytes;
  uint8_t Index(int x, int y) const {  // y = 0 is the top row
    int64_t rb = ((int64_t(w) * bits + 31) / 32) * 4;
    return bytes[off + (h - 1 - y) * rb + x];
  }
};

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t(b[at + 3]) << 24);
}

Bmp Parse(TMemoryStream& s) {
  Bmp r;
  r.bytes = s.Bytes();
  EXPECT_EQ(s.Position(), 0);
  EXPECT_EQ(r.bytes[0], 'B');
  EXPECT_EQ(U32(r.bytes, 2), r.bytes.size());
  r.off = U32(r.bytes, 10);
  r.w = static_cast<int>(U32(r.bytes, 18));
  r.h = static_cast<int>(U32(r.bytes, 22));
  r.bits = r.bytes[28];
  r.size_image = U32(r.bytes, 34);
  r.clr_used = U32(r.bytes, 46);
  int n = r.bits <= 8 ? (r.clr_used ? int(r.clr_used) : 1 << r.bits) : 0;
  if (r.bits == 8) n = 256;
  for (int i = 0; i < n; ++i) {
    const uint8_t* q = &r.bytes[54 + 4 * i];
    r.palette.push_back({q[0], q[1], q[2], q[3]});
  }
  return r;
}

TColor PaletteColor(const Bmp& b, int x, int y) { return QuadToColor(b.palette[b.Index(x, y)]); }

}  // namespace

TEST(ColorReduction, HistogramKeepsUpTo256ColoursExactlyAndFillsGrey) {
  auto bmp =
      giftest::MakeBitmap24(20, 10, [](int x, int y) { return RGB(x * 12, y * 25, (x * y) % 7); });
  auto s = ReduceBitmapTo8Bit(bmp.get(), pf8bit, rmHistogram);
  Bmp b = Parse(*s);
  EXPECT_EQ(b.bits, 8);
  EXPECT_EQ(b.off, 14u + 40u + 1024u);
  EXPECT_EQ(b.size_image, 20u * 10u);
  EXPECT_EQ(b.clr_used, 200u);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 20; ++x) EXPECT_EQ(PaletteColor(b, x, y), bmp->PixelColor(x, y));
  for (int i = 200; i < 256; ++i) EXPECT_EQ(QuadToColor(b.palette[i]), RGB(128, 128, 128));

  // The most frequent colour comes first.
  auto two = giftest::MakeBitmap24(5, 1, [](int x, int) { return x == 0 ? clRed : clBlue; });
  Bmp t = Parse(*ReduceBitmapTo8Bit(two.get(), pf8bit, rmHistogram));
  EXPECT_EQ(QuadToColor(t.palette[0]), clBlue);
  EXPECT_EQ(QuadToColor(t.palette[1]), clRed);
  EXPECT_EQ(t.clr_used, 2u);
}

TEST(ColorReduction, HistogramDrops2050thColourByBlueBitFirst) {
  // 2050 distinct colours: 1025 red/green pairs, each with blue 0 and 1.
  auto bmp = giftest::MakeBitmap24(
      2050, 1, [](int x, int) { return RGB((x / 2) % 256, (x / 2) / 256, x & 1); });
  Bmp b = Parse(*ReduceBitmapTo8Bit(bmp.get(), pf8bit, rmHistogram));
  // Only the lowest blue bit went: blues are even, odd reds remain.
  bool odd_red = false;
  for (const TRGBQuad& q : b.palette) {
    EXPECT_EQ(q.rgbBlue & 1, 0);
    odd_red = odd_red || (q.rgbRed & 1);
  }
  EXPECT_TRUE(odd_red);
  EXPECT_EQ(b.clr_used, 0u);  // 256 chosen
  EXPECT_EQ(PaletteColor(b, 0, 0), RGB(0, 0, 0));
  EXPECT_EQ(PaletteColor(b, 1, 0), RGB(0, 0, 0));

  // Bits drop in the order blue, red, green: a picture with many colours
  // still yields a valid, in-range result.
  auto rich =
      giftest::MakeBitmap24(256, 64, [](int x, int y) { return RGB(x, y * 4, (x * 7 + y) & 255); });
  Bmp r = Parse(*ReduceBitmapTo8Bit(rich.get(), pf8bit, rmHistogram));
  EXPECT_EQ(r.w, 256);
  EXPECT_EQ(r.bytes.size(), r.off + 256u * 64u);
}

TEST(ColorReduction, MedianCutBoxesAndBlackFill) {
  auto bmp = giftest::MakeBitmap24(
      4, 1, [](int x, int) { return x < 2 ? RGB(255, 0, 0) : RGB(0, 0, 255); });
  Bmp b = Parse(*ReduceBitmapTo8Bit(bmp.get(), pf8bit, rmMedianCut));
  EXPECT_EQ(b.clr_used, 2u);
  EXPECT_NE(b.Index(0, 0), b.Index(3, 0));
  EXPECT_EQ(b.Index(0, 0), b.Index(1, 0));
  // Box colour = (16 * nibble sum + 15) / cells.
  EXPECT_EQ(PaletteColor(b, 0, 0), RGB(255, 15, 15));
  EXPECT_EQ(PaletteColor(b, 3, 0), RGB(15, 15, 255));
  for (int i = 2; i < 256; ++i) EXPECT_EQ(QuadToColor(b.palette[i]), clBlack);
  // A dark colour collapses to black.
  auto dark = giftest::MakeBitmap24(1, 1, [](int, int) { return RGB(3, 2, 1); });
  Bmp d = Parse(*ReduceBitmapTo8Bit(dark.get(), pf8bit, rmMedianCut));
  EXPECT_EQ(PaletteColor(d, 0, 0), clBlack);
}

TEST(ColorReduction, FixedLevelMethodsRoundTiesToTheLowerLevel) {
  EXPECT_EQ(NearestLevelIndex(6)[25], 0);
  EXPECT_EQ(NearestLevelIndex(6)[26], 1);
  EXPECT_EQ(NearestLevelIndex(8)[18], 0);
  auto bmp = giftest::MakeBitmap24(3, 1, [](int x, int) {
    return x == 0 ? RGB(25, 18, 0) : x == 1 ? RGB(26, 255, 200) : RGB(255, 255, 255);
  });
  Bmp m3 = Parse(*ReduceBitmapTo8Bit(bmp.get(), pf8bit, rm6R6G6B));
  EXPECT_EQ(m3.clr_used, 216u);
  EXPECT_EQ(PaletteColor(m3, 0, 0), RGB(0, 0, 0));
  EXPECT_EQ(PaletteColor(m3, 1, 0), RGB(51, 255, 204));
  EXPECT_EQ(m3.Index(2, 0), 215);
  EXPECT_EQ(QuadToColor(m3.palette[216]), RGB(128, 128, 128));
  Bmp m2 = Parse(*ReduceBitmapTo8Bit(bmp.get(), pf8bit, rm7R8G4B));
  EXPECT_EQ(m2.clr_used, 224u);
  EXPECT_EQ(m2.palette[m2.Index(0, 0)].rgbGreen, 0);  // green 18 -> level 0
  EXPECT_EQ(m2.palette[m2.Index(0, 0)].rgbRed, 43);
  EXPECT_EQ(m2.Index(2, 0), 6 * 32 + 7 * 4 + 3);
}

TEST(ColorReduction, RampsAndGreyFormulas) {
  auto bmp = giftest::MakeBitmap24(3, 2, [](int, int) { return RGB(200, 100, 40); });
  Bmp r = Parse(*ReduceBitmapTo8Bit(bmp.get(), pf8bit, rmRamps));
  // Memory row 0 is the bottom row (y = 1 from the top).
  EXPECT_EQ(r.Index(0, 1), 200 / 4);
  EXPECT_EQ(r.Index(1, 1), 64 + 100 / 4);
  EXPECT_EQ(r.Index(2, 1), 128 + 40 / 4);
  EXPECT_EQ(r.Index(0, 0), 64 + 100 / 4);
  EXPECT_EQ(QuadToColor(r.palette[64 + 25]), RGB(0, 100, 0));
  Bmp g = Parse(*ReduceBitmapTo8Bit(bmp.get(), pf8bit, rmGrayscale));
  EXPECT_EQ(g.Index(0, 0), (77 * 200 + 150 * 100 + 29 * 40) >> 8);
  EXPECT_EQ(QuadToColor(g.palette[77]), RGB(77, 77, 77));
}

TEST(ColorReduction, EightBitBitmapIsSavedAsItIsUnlessGrey) {
  TBitmap b8;
  b8.SetPixelFormat(pf8bit);
  b8.SetSize(4, 2);
  TPalette pal(256);
  for (int i = 0; i < 256; ++i)
    pal[i] = {static_cast<uint8_t>(i), 0, static_cast<uint8_t>(255 - i), 0};
  b8.SetPalette(pal);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) b8.ScanLine(y)[x] = static_cast<uint8_t>(x * 60 + y);
  TMemoryStream direct;
  b8.SaveToStream(&direct);
  auto kept = ReduceBitmapTo8Bit(&b8, pf8bit, rmHistogram);
  EXPECT_EQ(kept->Bytes(), direct.Bytes());
  Bmp grey = Parse(*ReduceBitmapTo8Bit(&b8, pf8bit, rmGrayscale));
  TRGBQuad q = pal[60];
  EXPECT_EQ(grey.Index(1, 0), (77 * q.rgbRed + 150 * q.rgbGreen + 29 * q.rgbBlue) >> 8);
}

TEST(ColorReduction, OtherFormatsAndInvalidBitmaps) {
  auto bmp = giftest::MakeBitmap24(5, 3, [](int x, int) { return x ? clWhite : clBlack; });
  Bmp one = Parse(*ReduceBitmapTo8Bit(bmp.get(), pf1bit, rmHistogram));
  EXPECT_EQ(one.bits, 1);
  Bmp four = Parse(*ReduceBitmapToColors(bmp.get(), 16));
  EXPECT_EQ(four.bits, 4);
  Bmp eight = Parse(*ReduceBitmapToColors(bmp.get(), 200));
  EXPECT_EQ(eight.bits, 8);
  // A 32-bit bitmap asked for 24 bits gives a 24-bit BMP.
  TBitmap b32;
  b32.SetPixelFormat(pf32bit);
  b32.SetSize(2, 2);
  auto s24 = ReduceBitmapTo8Bit(&b32, pf24bit, rmHistogram);
  EXPECT_EQ(s24->Bytes()[28], 24);
  TBitmap empty;
  EXPECT_THROW(ReduceBitmapTo8Bit(&empty, pf8bit, rmHistogram), EInvalidGraphic);
}
