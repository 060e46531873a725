// Colour tools of the GIF object model: look-ups, the octree, the ditherers
// keeping a region's average, reduction by method, and bitmaps made frames.
#include <gtest/gtest.h>

#include <set>

#include "imaging/color_dither.h"
#include "imaging/gif_image.h"
#include "imaging/gif_image_ex.h"
#include "tests/imaging/gif_test_util.h"

using namespace lumicast;

TEST(ColorDither, LookupsAndFixedPalettes) {
  uint8_t r, g, b;
  TNetscapeColorLookup web;
  EXPECT_EQ(web.Lookup(128, 128, 128, r, g, b), 86);
  EXPECT_EQ(r, 102);
  TMonochromeLookup mono;
  EXPECT_EQ(mono.Lookup(127, 127, 127, r, g, b), 0);
  EXPECT_EQ(mono.Lookup(128, 128, 128, r, g, b), 1);
  TFastColorLookup fast(FourGrayPalette());
  EXPECT_EQ(fast.Lookup(200, 190, 185, r, g, b), 2);
  EXPECT_EQ(SystemPalette20().size(), 20u);
  EXPECT_EQ(SystemPalette20()[8].rgbRed, 0xC0);
  EXPECT_EQ(SystemPalette20()[11].rgbBlue, 0xA4);
  EXPECT_EQ(HalftonePalette().size(), 256u);
}

TEST(ColorDither, OctreeKeepsTwoColoursExactly) {
  TColorQuantizer q(2, 8);
  for (int i = 0; i < 50; ++i) {
    q.AddColor(10, 200, 30);
    q.AddColor(250, 5, 99);
  }
  auto pal = q.Palette();
  ASSERT_EQ(pal.size(), 2u);
  std::set<uint32_t> got;
  for (auto& p : pal) got.insert((uint32_t(p.rgbRed) << 16) | (p.rgbGreen << 8) | p.rgbBlue);
  EXPECT_EQ(got, (std::set<uint32_t>{0x0AC81E, 0xFA0563}));
  // Many colours fold into at most the asked number.
  TColorQuantizer many(16, 8);
  for (int i = 0; i < 4096; ++i) many.AddColor(uint8_t(i * 7), uint8_t(i * 13), uint8_t(i));
  EXPECT_LE(many.Palette().size(), 16u);
}

TEST(ColorDither, EveryDithererKeepsTheAverageOfAFlatGrey) {
  auto grey = giftest::MakeBitmap24(64, 64, [](int, int) { return classlib::TColor(0x606060); });
  for (int mode = 1; mode <= 6; ++mode) {
    auto out = ReduceColourDepth(*grey, 4, mode, 8, {});
    ASSERT_EQ(out->BitsPerPixel(), 8);
    int white = 0;
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 64; ++x) white += out->ScanLine(y)[x];
    // 0x60 is 37.6 % of white.
    EXPECT_NEAR(white / 4096.0, 0x60 / 255.0, 0.03) << "mode " << mode;
  }
  // Without dithering every pixel takes the nearest colour.
  auto plain = ReduceColourDepth(*grey, 4, 0, 8, {});
  EXPECT_EQ(plain->ScanLine(10)[10], 0);
}

TEST(ColorDither, ReductionByMethod) {
  auto pic = giftest::MakeBitmap24(
      8, 8, [](int x, int) { return classlib::TColor(x < 4 ? 0x0000FF : 0x00FF00); });
  EXPECT_TRUE(ReduceColourDepth(*pic, 9, 0, 8, {})->Empty());
  EXPECT_TRUE(ReduceColourDepth(*pic, 10, 0, 8, {})->Empty());
  EXPECT_EQ(ReduceColourDepth(*pic, 0, 0, 8, {})->BitsPerPixel(), 24);
  auto oct = ReduceColourDepth(*pic, 7, 0, 1, {});
  ASSERT_EQ(oct->BitsPerPixel(), 8);
  EXPECT_NE(oct->ScanLine(0)[0], oct->ScanLine(0)[7]);
}

TEST(ColorDither, BitmapsBecomeFrames) {
  auto pic = giftest::MakeBitmap24(6, 2, [](int x, int) {
    return classlib::TColor(x < 2 ? 0x0000FF : x < 4 ? 0x00FF00 : 0xFFFFFF);
  });
  TGIFImageEx g;
  g.ColorReduction = 0;  // exact colours
  g.Add(pic.get());
  ASSERT_EQ(g.FrameCount(), 1);
  const auto& f = *g.Frame(0);
  EXPECT_EQ(f.ColorMap().Count(), 3);
  EXPECT_EQ(f.ColorMap()[f.Pixel(0, 0)], (gifex::TGIFRGB{255, 0, 0}));
  // A transparent bitmap's key colour becomes the frame's transparent index.
  pic->SetTransparent(true);
  pic->SetTransparentColor(0xFFFFFF);
  g.Add(pic.get());
  const auto& t = *g.Frame(1);
  ASSERT_TRUE(t.Transparent());
  EXPECT_EQ(t.Pixel(5, 1), t.TransparentIndex());
  EXPECT_NE(t.Pixel(0, 0), t.TransparentIndex());
  EXPECT_THROW(g.Add(static_cast<classlib::TGraphic*>(nullptr)), GIFException);
  // A bitmap takes the first frame; the clipboard carries both forms, and
  // the bitmap form reads back as a one-frame picture.
  classlib::TBitmap shown;
  shown.Assign(&g);
  ASSERT_EQ(shown.Width(), 6);
  EXPECT_EQ(giftest::ToRgb(shown.PixelColor(0, 0)), 0xFF0000u);
  classlib::TClipboardData data;
  g.SaveToClipboardFormat(classlib::CF_BITMAP, data);
  TGIFImageEx back;
  back.LoadFromClipboardFormat(CF_GIF(), data);
  EXPECT_EQ(back.FrameCount(), 2);
  TGIFImageEx from_bitmap;
  from_bitmap.ColorReduction = 0;
  from_bitmap.LoadFromClipboardFormat(classlib::CF_BITMAP, data);
  EXPECT_EQ(from_bitmap.FrameCount(), 1);
  EXPECT_THROW(from_bitmap.LoadFromClipboardFormat(classlib::CF_TEXT, data), GIFException);
}
