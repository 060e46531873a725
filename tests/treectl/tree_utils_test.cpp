#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/classlib/bitmap.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/stream.h"
#include "treectl/tree_utils.h"

using namespace lumicast;
using classlib::TColor;

TEST(TreeUtils, CountedStringsRoundTripAndRefuseBadHeaders) {
  classlib::TMemoryStream stream;
  ASSERT_TRUE(WriteCountedString(&stream, "Source Video"));
  ASSERT_TRUE(WriteCountedString(&stream, ""));
  ASSERT_TRUE(WriteCountedString(&stream, "caf\xC3\xA9"));
  EXPECT_EQ(stream.Size(), 4 + 12 + 4 + 4 + 5);

  stream.SetPosition(0);
  std::string text = "old";
  ASSERT_TRUE(ReadCountedString(&stream, text));
  EXPECT_EQ(text, "Source Video");
  ASSERT_TRUE(ReadCountedString(&stream, text));
  EXPECT_EQ(text, "");
  EXPECT_EQ(stream.Position(), 20);  // an empty text takes only its count
  ASSERT_TRUE(ReadCountedString(&stream, text));
  EXPECT_EQ(text, "caf\xC3\xA9");

  // Negative count, a count past the end, a truncated count: false, text kept.
  for (int32_t bad : {-1, 1000}) {
    classlib::TMemoryStream s;
    s.WriteValue<int32_t>(bad);
    s.WriteBuffer("abc", 3);
    s.SetPosition(0);
    text = "kept";
    EXPECT_FALSE(ReadCountedString(&s, text)) << bad;
    EXPECT_EQ(text, "kept");
  }
  classlib::TMemoryStream truncated;
  truncated.WriteBuffer("\x02\x00", 2);
  truncated.SetPosition(0);
  EXPECT_FALSE(ReadCountedString(&truncated, text));
  EXPECT_EQ(text, "kept");
}

TEST(TreeUtils, ParseCurrency) {
  EXPECT_EQ(ParseCurrency(""), 0);
  EXPECT_EQ(ParseCurrency("(1234.50)"), -12345000);
  EXPECT_EQ(ParseCurrency("1,5"), 15000);
  EXPECT_EQ(ParseCurrency("1,234.50"), 12340);  // the point ends the walk
  EXPECT_EQ(ParseCurrency("12a3"), 120000);
  EXPECT_EQ(ParseCurrency(" $ 7.25"), 72500);
  EXPECT_EQ(ParseCurrency("3-4"), -30000);            // a sign after a digit ends the walk
  EXPECT_EQ(ParseCurrency("0.00017"), 2);             // fifth digit adds its rounded share
  EXPECT_EQ(ParseCurrency("0.00015"), 1);             // half rounds to even
  EXPECT_GT(ParseCurrency(std::string(40, '9')), 0);  // no overflow into negatives

  TElCurrencyFormat euro{"EUR", ',', ' '};
  EXPECT_EQ(ParseCurrency("1 234,5 EUR", euro), 12345000);
  TElCurrencyFormat swiss{"CHF", '.', '\''};
  EXPECT_EQ(ParseCurrency("CHF 1'000.10", swiss), 10001000);
}

TEST(TreeUtils, SmallHelpers) {
  EXPECT_TRUE(InRange(1, 3, 3));
  EXPECT_FALSE(InRange(1, 3, 0));
  EXPECT_EQ(MaxInt2(-2, 5), 5);
  EXPECT_EQ(MinInt2(-2, 5), -2);
  EXPECT_EQ(CenterBox(10, 20, 10, 14), classlib::Rect(5, 2, 15, 12));
  EXPECT_EQ(CenterBox(30, 20, 4, 4), classlib::Rect(0, 0, 20, 4));  // clipped
  EXPECT_EQ(KeyRepeatTiming(krSpeed, {31, 1}), 31);
  EXPECT_EQ(KeyRepeatTiming(krSpeed, {0, 1}), 1000);
  EXPECT_EQ(KeyRepeatTiming(krDelay, {31, 3}), 1000);
  EXPECT_EQ(KeyRepeatTiming(krDelay), 500);
  EXPECT_TRUE(TextEqualsIgnoreCase("Export", "eXPORT"));
  EXPECT_FALSE(TextEqualsIgnoreCase("Export", "Exports"));
}

TEST(TreeUtils, HlsConversion) {
  uint32_t red = RGBToHLS(classlib::clRed);
  EXPECT_EQ(HueOf(red), 0);
  EXPECT_EQ(LuminanceOf(red), 126);
  EXPECT_EQ(SaturationOf(red), 252);
  EXPECT_EQ(HueOf(RGBToHLS(classlib::clLime)), 84);
  EXPECT_EQ(HueOf(RGBToHLS(classlib::clBlue)), 168);
  uint32_t grey = RGBToHLS(classlib::RGB(128, 128, 128));
  EXPECT_EQ(SaturationOf(grey), 0);
  EXPECT_EQ(HLSToRGB(PackHLS(0, 252, 0)), classlib::clWhite);
  EXPECT_EQ(HLSToRGB(PackHLS(0, 0, 0)), classlib::clBlack);
  // Round trips stay within one step of each channel.
  for (TColor c :
       {classlib::RGB(10, 200, 30), classlib::RGB(250, 128, 7), classlib::RGB(64, 64, 200),
        classlib::clRed, classlib::clYellow, classlib::clTeal}) {
    TColor back = HLSToRGB(RGBToHLS(c));
    EXPECT_NEAR(classlib::GetRValue(back), classlib::GetRValue(c), 2);
    EXPECT_NEAR(classlib::GetGValue(back), classlib::GetGValue(c), 2);
    EXPECT_NEAR(classlib::GetBValue(back), classlib::GetBValue(c), 2);
  }
}

namespace {

// A white 32-bit bitmap to draw on.
struct Sheet {
  classlib::TBitmap bmp;
  Sheet(int w, int h) {
    bmp.SetPixelFormat(classlib::pf32bit);
    bmp.SetSize(w, h);
    bmp.Canvas()->Brush()->SetColor(classlib::clWhite);
    bmp.Canvas()->FillRect(classlib::Rect(0, 0, w, h));
  }
  int Count(TColor c) {
    int n = 0;
    for (int y = 0; y < bmp.Height(); ++y)
      for (int x = 0; x < bmp.Width(); ++x) n += bmp.PixelColor(x, y) == c ? 1 : 0;
    return n;
  }
};

}  // namespace

TEST(TreeUtils, ArrowsAreCentredTrianglesOrNothing) {
  Sheet s(12, 12);
  DrawArrow(s.bmp.Canvas(), eadLeft, classlib::Rect(0, 0, 12, 11), true, classlib::clBlack);
  EXPECT_EQ(s.Count(classlib::clBlack), 1 + 3 + 5 + 7);
  // Tip at the left, middle row; base column four pixels to the right.
  EXPECT_EQ(s.bmp.PixelColor(4, 5), classlib::clBlack);
  EXPECT_EQ(s.bmp.PixelColor(4, 4), classlib::clWhite);
  EXPECT_EQ(s.bmp.PixelColor(7, 2), classlib::clBlack);
  EXPECT_EQ(s.bmp.PixelColor(7, 8), classlib::clBlack);

  Sheet narrow(12, 12);
  DrawArrow(narrow.bmp.Canvas(), eadRight, classlib::Rect(0, 0, 2, 12), true, classlib::clBlack);
  DrawArrow(narrow.bmp.Canvas(), eadDown, classlib::Rect(0, 0, 12, 2), true, classlib::clBlack);
  EXPECT_EQ(narrow.Count(classlib::clBlack), 0);

  Sheet off(12, 12);
  DrawArrow(off.bmp.Canvas(), eadDown, classlib::Rect(0, 0, 12, 12), false, classlib::clBlack);
  EXPECT_EQ(off.Count(classlib::clBlack), 0);
  EXPECT_EQ(off.Count(classlib::ColorToRGB(classlib::clBtnShadow)), 16);
  EXPECT_GT(off.Count(classlib::ColorToRGB(classlib::clBtnHighlight)), 0);
}

TEST(TreeUtils, FramesAndBorders) {
  Sheet s(10, 8);
  DrawFrameColors(s.bmp.Canvas(), 1, 1, classlib::clBlack, classlib::clRed, 6, 8);
  EXPECT_EQ(s.bmp.PixelColor(1, 1), classlib::clRed);
  EXPECT_EQ(s.bmp.PixelColor(8, 6), classlib::clBlack);
  EXPECT_EQ(s.bmp.PixelColor(8, 1), classlib::clBlack);  // shared corner: bottom-right colour
  EXPECT_EQ(s.bmp.PixelColor(2, 2), classlib::clWhite);
  EXPECT_EQ(s.Count(classlib::clRed) + s.Count(classlib::clBlack), 2 * 8 + 2 * 6 - 4);

  Sheet b(20, 20);
  PaintFlatBorder(b.bmp.Canvas(), classlib::Rect(0, 0, 20, 20), classlib::clWhite, fbtLineBorder,
                  true, false);
  TColor frame = classlib::ColorToRGB(classlib::clWindowFrame);
  EXPECT_EQ(b.bmp.PixelColor(0, 0), frame);
  EXPECT_EQ(b.bmp.PixelColor(19, 10), frame);
  EXPECT_EQ(b.bmp.PixelColor(1, 1), classlib::clWhite);

  Sheet f(20, 20);
  PaintFlatBorder(f.bmp.Canvas(), classlib::Rect(0, 0, 20, 20), classlib::clWhite, fbtFlat, true,
                  true);
  EXPECT_EQ(f.bmp.PixelColor(0, 0), classlib::ColorToRGB(classlib::clBtnShadow));
  EXPECT_EQ(f.bmp.PixelColor(1, 1), classlib::ColorToRGB(classlib::cl3DDkShadow));
  EXPECT_EQ(f.bmp.PixelColor(2, 2), classlib::clWhite);

  // A raised frame of a plain colour: lighter top-left, darker bottom-right.
  Sheet p(10, 10);
  PaintButtonFrame(p.bmp.Canvas(), classlib::Rect(0, 0, 10, 10), true, false,
                   classlib::RGB(100, 100, 160), false);
  auto lum = [](TColor c) { return LuminanceOf(RGBToHLS(c)); };
  EXPECT_GT(lum(p.bmp.PixelColor(0, 0)), lum(classlib::RGB(100, 100, 160)));
  EXPECT_LT(lum(p.bmp.PixelColor(9, 9)), lum(classlib::RGB(100, 100, 160)));
  EXPECT_EQ(p.bmp.PixelColor(1, 1), classlib::RGB(100, 100, 160));
}

TEST(TreeUtils, TransparentBlitLeavesKeyedPixels) {
  classlib::TBitmap glyph;
  glyph.SetPixelFormat(classlib::pf32bit);
  glyph.SetSize(3, 3);
  glyph.Canvas()->Brush()->SetColor(classlib::clFuchsia);
  glyph.Canvas()->FillRect(classlib::Rect(0, 0, 3, 3));
  glyph.Canvas()->SetPixels(1, 1, classlib::clBlue);
  Sheet s(6, 6);
  TransparentBlit(s.bmp.Canvas(), &glyph, 2, 2, classlib::Rect(0, 0, 5, 5), classlib::clFuchsia);
  EXPECT_EQ(s.Count(classlib::clBlue), 1);
  EXPECT_EQ(s.bmp.PixelColor(3, 3), classlib::clBlue);
  EXPECT_EQ(s.Count(classlib::clWhite), 35);
}
