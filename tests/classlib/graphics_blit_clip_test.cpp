// Block transfers whose source or target rectangles reach past either
// bitmap: every write stays inside the target rectangle and the bitmap.
#include <gtest/gtest.h>

#include "platform/classlib/drawing_helpers.h"
#include "tests/support/test_bitmaps.h"

using namespace classlib;
using lumitest::FilledBitmap;

namespace {

constexpr TColor kBack = 0x00123456;

// Pixels of B outside R that no longer hold the background (as the bitmap's
// format stores it: a palette keeps only the nearest entry).
int ChangedOutside(TBitmap* B, const TRect& R) {
  auto fresh = FilledBitmap(B->Width(), B->Height(), kBack, B->PixelFormat());
  int n = 0;
  for (int y = 0; y < B->Height(); ++y)
    for (int x = 0; x < B->Width(); ++x)
      if ((x < R.Left || x >= R.Right || y < R.Top || y >= R.Bottom) &&
          B->Canvas()->Pixels(x, y) != fresh->Canvas()->Pixels(x, y))
        ++n;
  return n;
}

std::unique_ptr<TBitmap> Stripes(int w, int h, TPixelFormat f) {
  auto b = FilledBitmap(w, h, clRed, f);
  for (int x = 0; x < w; x += 2) {
    b->Canvas()->Brush()->SetColor(RGB(x * 3 % 256, 200, 40));
    b->Canvas()->FillRect(Rect(x, 0, x + 1, h));
  }
  return b;
}

// Source rectangles partly or wholly outside the source, at target places
// inside a larger bitmap: nothing outside the target rectangle changes.
TEST(BlitClipping, WritesStayInsideTheTargetRectangle) {
  const TPixelFormat formats[] = {pf8bit, pf16bit, pf24bit, pf32bit};
  const int offsets[] = {-40, -12, -3, 0, 5, 18, 30, 60};
  for (TPixelFormat sf : formats) {
    auto src = Stripes(24, 10, sf);
    for (TPixelFormat df : formats) {
      for (int sx : offsets) {
        for (int sy : {-15, -4, 0, 6, 20}) {
          SCOPED_TRACE(testing::Message()
                       << "src " << int(sf) << " dst " << int(df) << " at " << sx << "," << sy);
          TRect r = Rect(20, 8, 36, 16);
          auto dst = FilledBitmap(60, 24, kBack, df);
          BitBlt(dst->Canvas(), r.Left, r.Top, r.Width(), r.Height(), src->Canvas(), sx, sy,
                 SRCCOPY);
          EXPECT_EQ(ChangedOutside(dst.get(), r), 0);
          auto dst2 = FilledBitmap(60, 24, kBack, df);
          StretchBlt(dst2->Canvas(), r.Left, r.Top, r.Width(), r.Height(), src->Canvas(), sx, sy,
                     30, 7, SRCCOPY);
          EXPECT_EQ(ChangedOutside(dst2.get(), r), 0);
          auto dst3 = FilledBitmap(60, 24, kBack, df);
          TransparentBlt(dst3->Canvas(), r.Left, r.Top, r.Width(), r.Height(), src.get(), sx, sy,
                         30, 7, clRed);
          EXPECT_EQ(ChangedOutside(dst3.get(), r), 0);
        }
      }
    }
  }
}

// Targets smaller than the source, and rectangles hanging off every side of
// the target: the copy is cut to the target, and what lands is right.
TEST(BlitClipping, SmallTargetsTakeTheRightPixels) {
  for (TPixelFormat df : {pf24bit, pf32bit}) {
    auto src = Stripes(90, 20, pf32bit);
    for (int x : {-50, -7, 0, 3, 11}) {
      for (int y : {-25, -3, 0, 4}) {
        auto dst = FilledBitmap(12, 6, kBack, df);
        BitBlt(dst->Canvas(), x, y, 90, 20, src->Canvas(), 0, 0, SRCCOPY);
        for (int ty = 0; ty < 6; ++ty)
          for (int tx = 0; tx < 12; ++tx) {
            int fx = tx - x, fy = ty - y;
            TColor want =
                fx >= 0 && fx < 90 && fy >= 0 && fy < 20 ? src->Canvas()->Pixels(fx, fy) : kBack;
            ASSERT_EQ(dst->Canvas()->Pixels(tx, ty), want)
                << x << "," << y << " at " << tx << "," << ty;
          }
        auto dst2 = FilledBitmap(12, 6, kBack, df);
        TransparentBlt(dst2->Canvas(), x, y, 90, 20, src.get(), 0, 0, 90, 20, clRed);
        auto dst3 = FilledBitmap(12, 6, kBack, df);
        StretchBlt(dst3->Canvas(), x, y, 45, 10, src->Canvas(), 0, 0, 90, 20, SRCCOPY);
      }
    }
  }
}

// Copying a bitmap onto itself with overlapping rectangles that reach past
// its edges.
TEST(BlitClipping, OverlappingCopyWithinOneBitmap) {
  auto b = Stripes(30, 12, pf24bit);
  auto ref = Stripes(30, 12, pf24bit);
  BitBlt(b->Canvas(), 4, 2, 40, 20, b->Canvas(), -3, -1, SRCCOPY);
  EXPECT_EQ(b->Canvas()->Pixels(10, 5), ref->Canvas()->Pixels(3, 2));
  EXPECT_EQ(b->Canvas()->Pixels(0, 0), ref->Canvas()->Pixels(0, 0));
  TransparentBlt(b->Canvas(), -5, -5, 40, 20, b.get(), 2, 2, 40, 20, clRed);
}

}  // namespace
