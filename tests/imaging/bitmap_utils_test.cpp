// Bitmap, rectangle and memory helpers.
#include <gtest/gtest.h>

#include "imaging/bitmap_utils.h"
#include "platform/classlib/dialogs.h"
#include "platform/classlib/control.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/image_list.h"
#include "platform/classlib/message_queue.h"
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
  auto src = giftest::MakeBitmap24(
      3, 3, [](int x, int y) { return x == 1 && y == 1 ? clBlack : clWhite; });
  std::unique_ptr<TBitmap> e(
      MakeEmbossedBitmap(src.get(), clWhite, clSilver, true, clGray, clYellow));
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

TEST(BitmapUtils, DropPendingMessageTakesOneAndKeepsTheQuitRequest) {
  TWinControl window(nullptr);
  ASSERT_TRUE(PostMessage(&window, WM_USER + 1, 1));
  ASSERT_TRUE(PostMessage(&window, WM_USER + 1, 2));
  ASSERT_TRUE(PostMessage(&window, WM_USER + 2));
  DropPendingMessage(&window, WM_USER + 1);
  EXPECT_EQ(PendingMessageCount(&window, WM_USER + 1), 1);
  EXPECT_EQ(PendingMessageCount(&window, WM_USER + 2), 1);
  TMessage left;
  ASSERT_TRUE(RemovePendingMessage(&window, WM_USER + 1, &left));
  EXPECT_EQ(left.WParam, 2u);                // the oldest went first
  DropPendingMessage(&window, WM_USER + 5);  // nothing pending: nothing happens
  EXPECT_EQ(PendingMessageCount(&window, WM_USER + 2), 1);

  // Dropping the quit message posts it again, exit code and all.
  PostQuitMessage(7);
  DropPendingMessage(&window, WM_QUIT);
  EXPECT_EQ(PendingMessageCount(nullptr, WM_QUIT), 1);
  TMessage quit;
  ASSERT_TRUE(RemovePendingMessage(nullptr, WM_QUIT, &quit));  // the test's loop must not end
  EXPECT_EQ(quit.WParam, 7u);
  EXPECT_EQ(PendingMessageCount(nullptr, WM_QUIT), 0);
}

TEST(BitmapUtils, GrayedImageListItemPaintsTheShapeTwice) {
  TImageList list(nullptr, 4, 4);
  auto img = giftest::MakeBitmap24(4, 4, [](int x, int y) {
    if (x == 1 && y == 1) return clBlack;
    if (x == 2 && y == 1) return clWhite;  // white in the image is left out too
    if (x == 1 && y == 2) return clRed;
    return clFuchsia;
  });
  ASSERT_EQ(list.AddMasked(img.get(), clFuchsia), 0);
  TBitmap dest;
  dest.SetPixelFormat(pf24bit);
  dest.SetSize(8, 8);
  dest.Canvas()->Brush()->SetColor(clBlue);
  dest.Canvas()->FillRect(Rect(0, 0, 8, 8));
  dest.Canvas()->Brush()->SetColor(clGreen);
  DrawImageListItemGrayed(&list, dest.Canvas(), 2, 2, 0, clGray, clYellow, true);
  EXPECT_EQ(dest.PixelColor(3, 3), clGray);    // black pixel, shadow on top
  EXPECT_EQ(dest.PixelColor(3, 4), clGray);    // red pixel
  EXPECT_EQ(dest.PixelColor(4, 4), clYellow);  // highlight one right and down
  EXPECT_EQ(dest.PixelColor(4, 5), clYellow);
  EXPECT_EQ(dest.PixelColor(4, 3), clBlue);  // the white pixel is not painted
  EXPECT_EQ(dest.PixelColor(2, 2), clBlue);  // transparent pixels are not painted
  EXPECT_EQ(dest.Canvas()->Brush()->Color(), clGreen);
  // Without the highlight, and for an index outside the list, less or nothing.
  dest.Canvas()->Brush()->SetColor(clBlue);
  dest.Canvas()->FillRect(Rect(0, 0, 8, 8));
  DrawImageListItemGrayed(&list, dest.Canvas(), 2, 2, 0, clGray, clYellow, false);
  EXPECT_EQ(dest.PixelColor(4, 4), clBlue);
  EXPECT_EQ(dest.PixelColor(3, 3), clGray);
  DrawImageListItemGrayed(&list, dest.Canvas(), 0, 0, 3, clGray, clYellow, true);
  EXPECT_EQ(dest.PixelColor(1, 1), clBlue);
}
