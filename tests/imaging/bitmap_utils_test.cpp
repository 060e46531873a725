// Bitmap, rectangle and memory helpers.
#include <gtest/gtest.h>

#include "imaging/bitmap_utils.h"
#include "platform/classlib/dialogs.h"
#include "platform/classlib/exceptions.h"
#include "tests/imaging/gif_test_util.h"

using namespace lumicast;
using namespace classlib;

TEST(BitmapUtils, RectanglesAndMemory) {
  TRect r = Rect(2, 3, 10, 8);
  EXPECT_EQ(RectSpanX(r), 8);
  EXPECT_EQ(RectSpanY(r), 5);
  EXPECT_TRUE(IsPointInsideRect(Point(10, 8), r));
  EXPECT_TRUE(IsPointInsideRect(Point(2, 3), r));
  EXPECT_FALSE(IsPointInsideRect(Point(11, 8), r));
  EXPECT_EQ(IntMax(-3, 2), 2);
  EXPECT_EQ(IntMin(-3, 2), -3);
  EXPECT_EQ(AllocGlobalBlock(0), nullptr);
  EXPECT_EQ(AllocGlobalBlock(-5), nullptr);
  void* none = nullptr;
  FreeGlobalBlock(none);
  void* p = AllocGlobalBlock(7);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(static_cast<uint8_t*>(p)[6], 0);
  char a[] = "abcdefg";
  CopyBytes(a + 1, a, 5);  // overlapping
  EXPECT_STREQ(a, "aabcdeg");
  EXPECT_TRUE(SameBytes("abcdefg", "abcdefg", 7));
  EXPECT_FALSE(SameBytes("abcdefg", "abcdefh", 7));
  FreeGlobalBlock(p);
  EXPECT_EQ(p, nullptr);
}

TEST(BitmapUtils, ShortenTextToWidth) {
  TBitmap b;
  b.SetSize(10, 10);
  TCanvas* c = b.Canvas();
  EXPECT_EQ(ShortenTextToWidth("abcdef", c, 1000), "abcdef");
  EXPECT_EQ(ShortenTextToWidth("abcdef", c, 0), "...");
  std::string s = ShortenTextToWidth("abcdefghijklmnop", c, c->TextWidth("abcdefg..."));
  EXPECT_EQ(s.substr(s.size() - 3), "...");
  EXPECT_LE(c->TextWidth(s), c->TextWidth("abcdefg..."));
}

TEST(BitmapUtils, KeyedDrawingLeavesOutTheKeyColour) {
  auto src = giftest::MakeBitmap24(4, 2, [](int x, int) { return x % 2 ? clRed : clLime; });
  TBitmap dest;
  dest.SetPixelFormat(pf24bit);
  dest.SetSize(8, 4);
  dest.Canvas()->Brush()->SetColor(clBlue);
  dest.Canvas()->FillRect(Rect(0, 0, 8, 4));
  BlitBitmapKeyed(dest.Canvas(), 1, 1, clRed, src.get());
  EXPECT_EQ(dest.PixelColor(1, 1), clLime);
  EXPECT_EQ(dest.PixelColor(2, 1), clBlue);  // red left out
  EXPECT_EQ(dest.PixelColor(0, 0), clBlue);
  // clNone draws opaque; clDefault takes the bottom-left pixel (lime).
  BlitBitmapKeyed(dest.Canvas(), 4, 0, clNone, src.get());
  EXPECT_EQ(dest.PixelColor(5, 0), clRed);
  dest.Canvas()->FillRect(Rect(0, 0, 8, 4));
  BlitBitmapKeyed(dest.Canvas(), 0, 0, clDefault, src.get());
  EXPECT_EQ(dest.PixelColor(0, 0), clBlue);
  EXPECT_EQ(dest.PixelColor(1, 0), clRed);
  // Stretched to twice the size.
  dest.Canvas()->FillRect(Rect(0, 0, 8, 4));
  StretchBitmapKeyed(dest.Canvas(), 0, 0, 8, 4, src.get(), 0, 0, 0, 0, clLime);
  EXPECT_EQ(dest.PixelColor(0, 0), clBlue);
  EXPECT_EQ(dest.PixelColor(2, 3), clRed);
  EXPECT_EQ(dest.PixelColor(3, 3), clRed);
}

TEST(BitmapUtils, EmbossedAndGrayedBitmaps) {
  auto src = giftest::MakeBitmap24(3, 3, [](int x, int y) { return x == 1 && y == 1 ? clBlack : clWhite; });
  std::unique_ptr<TBitmap> e(MakeEmbossedBitmap(src.get(), clWhite, clSilver, true, clGray, clYellow));
  EXPECT_EQ(e->PixelColor(1, 1), clGray);
  EXPECT_EQ(e->PixelColor(2, 2), clYellow);
  EXPECT_EQ(e->PixelColor(0, 0), clSilver);
  std::unique_ptr<TBitmap> g(MakeGrayedBitmap(src.get(), clWhite));
  EXPECT_EQ(g->PixelColor(0, 0), ColorToRGB(clBtnFace));
  EXPECT_EQ(g->PixelColor(1, 1), ColorToRGB(clBtnShadow));
}

TEST(BitmapUtils, NotImplementedShowsItsMessageAndAbortsSilently) {
  TScriptedDialogService dialogs;
  TDialogServiceGuard guard(&dialogs);
  EXPECT_THROW(RaiseNotImplemented(), EAbort);
  EXPECT_EQ(dialogs.Messages(), std::vector<std::string>{"Function not yet implemented"});
}
