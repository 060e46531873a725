// Skin drawing helpers: nine- and three-part stretching, tiling from the
// canvas origin, quarter turns, the control border and inclusive edges.
#include <gtest/gtest.h>

#include "controls/sui_public.h"
#include "platform/classlib/control.h"
#include "tests/support/test_bitmaps.h"

using namespace classlib;
using namespace controls;
using lumitest::FilledBitmap;

namespace {

constexpr TColor kBack = 0x00404040;

TColor RowColor(int r) { return RGB(10 * r, 100, 200 - 5 * r); }

// A bitmap whose every row has its own colour.
std::unique_ptr<TBitmap> RowBitmap(int w, int h) {
  auto b = FilledBitmap(w, h, 0);
  for (int y = 0; y < h; ++y) {
    b->Canvas()->Brush()->SetColor(RowColor(y));
    b->Canvas()->FillRect(Rect(0, y, w, y + 1));
  }
  return b;
}

TEST(SuiPublic, NinePartTakesEachPieceFromItsRows) {
  auto src = RowBitmap(74, 21);
  auto dst = FilledBitmap(200, 60, kBack);
  DrawNinePartBitmap(src.get(), dst->Canvas(), Rect(0, 0, 200, 60), true);
  TCanvas* c = dst->Canvas();
  EXPECT_EQ(c->Pixels(0, 0), RowColor(0));
  EXPECT_EQ(c->Pixels(36, 9), RowColor(9));
  EXPECT_EQ(c->Pixels(0, 10), RowColor(10));  // left edge: row 10 stretched
  EXPECT_EQ(c->Pixels(20, 50), RowColor(10));
  EXPECT_EQ(c->Pixels(0, 51), RowColor(12));  // bottom corners: rows 12-20
  EXPECT_EQ(c->Pixels(0, 59), RowColor(20));
  EXPECT_EQ(c->Pixels(199, 0), RowColor(0));
  EXPECT_EQ(c->Pixels(199, 30), RowColor(11));  // right edge: row 11
  EXPECT_EQ(c->Pixels(199, 59), RowColor(20));
  EXPECT_EQ(c->Pixels(100, 0), RowColor(0));    // top edge
  EXPECT_EQ(c->Pixels(100, 59), RowColor(20));  // bottom edge
  EXPECT_NE(c->Pixels(100, 30), kBack);         // centre covered
}

TEST(SuiPublic, NinePartSmallTargetsAndEmptySources) {
  auto src = RowBitmap(74, 21);
  auto dst = FilledBitmap(10, 6, kBack);
  DrawNinePartBitmap(src.get(), dst->Canvas(), Rect(0, 0, 10, 6), false);
  EXPECT_EQ(dst->Canvas()->Pixels(0, 0), RowColor(0));
  EXPECT_EQ(dst->Canvas()->Pixels(4, 2), RowColor(2));  // corner cut to half the target

  // An even height leaves the left edge's source empty: nothing is drawn
  // there rather than the whole bitmap.
  auto even = RowBitmap(74, 20);
  auto dst2 = FilledBitmap(200, 60, kBack);
  DrawNinePartBitmap(even.get(), dst2->Canvas(), Rect(0, 0, 200, 60), true);
  EXPECT_EQ(dst2->Canvas()->Pixels(0, 30), kBack);
  EXPECT_EQ(dst2->Canvas()->Pixels(0, 0), RowColor(0));

  TBitmap empty;
  auto dst3 = FilledBitmap(20, 20, kBack);
  DrawNinePartBitmap(&empty, dst3->Canvas(), Rect(0, 0, 20, 20), true);
  DrawNinePartBitmap(src.get(), dst3->Canvas(), Rect(0, 0, 0, 0), true);
  EXPECT_EQ(dst3->Canvas()->Pixels(0, 0), kBack);
}

TEST(SuiPublic, NinePartLeavesFuchsiaOut) {
  auto src = FilledBitmap(74, 21, clFuchsia);
  auto dst = FilledBitmap(100, 30, kBack);
  DrawNinePartBitmap(src.get(), dst->Canvas(), Rect(0, 0, 100, 30), true);
  EXPECT_EQ(dst->Canvas()->Pixels(0, 0), kBack);
  EXPECT_EQ(dst->Canvas()->Pixels(50, 15), kBack);
}

TEST(SuiPublic, ThreePartCells) {
  auto src = FilledBitmap(30, 4, clRed);
  src->Canvas()->Brush()->SetColor(clLime);
  src->Canvas()->FillRect(Rect(10, 0, 20, 4));
  src->Canvas()->Brush()->SetColor(clBlue);
  src->Canvas()->FillRect(Rect(20, 0, 30, 4));
  auto dst = FilledBitmap(100, 4, kBack);
  DrawThreePartBitmap(src.get(), dst->Canvas(), Rect(0, 0, 100, 4), false);
  EXPECT_EQ(dst->Canvas()->Pixels(9, 2), clRed);
  EXPECT_EQ(dst->Canvas()->Pixels(10, 2), clLime);
  EXPECT_EQ(dst->Canvas()->Pixels(89, 2), clLime);
  EXPECT_EQ(dst->Canvas()->Pixels(90, 2), clBlue);
  // Transparent: the top-left colour stays out.
  auto dst2 = FilledBitmap(100, 4, kBack);
  DrawThreePartBitmap(src.get(), dst2->Canvas(), Rect(0, 0, 100, 4), true);
  EXPECT_EQ(dst2->Canvas()->Pixels(0, 0), kBack);
  EXPECT_EQ(dst2->Canvas()->Pixels(50, 0), clLime);
}

// A strip wider and taller than the bitmap it is drawn into, in every pixel
// format: the pieces are cut to the target and nothing around them changes.
TEST(SuiPublic, ThreePartIntoSmallerTargets) {
  for (TPixelFormat sf : {pf24bit, pf32bit}) {
    auto src = RowBitmap(90, 20);
    src->SetPixelFormat(sf);
    for (TPixelFormat df : {pf8bit, pf24bit, pf32bit}) {
      for (bool transparent : {false, true}) {
        for (int w : {4, 25, 59, 61}) {
          auto small = FilledBitmap(w, 7, kBack, df);
          DrawThreePartBitmap(src.get(), small->Canvas(), Rect(0, 0, w, 7), transparent);
          DrawThreePartBitmap(src.get(), small->Canvas(), Rect(-9, -4, w + 9, 30), transparent);
          if (!transparent && df != pf8bit) {
            EXPECT_EQ(small->Canvas()->Pixels(0, 0), RowColor(4)) << w;
            EXPECT_EQ(small->Canvas()->Pixels(w - 1, 6), RowColor(10)) << w;
          }
          small.reset();  // the heap is checked when the bitmap goes
        }
      }
    }
  }
}

TEST(SuiPublic, RotationsUndoEachOther) {
  auto b = FilledBitmap(3, 2, 0);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) b->Canvas()->SetPixels(x, y, RGB(x * 40, y * 40, 7));
  RotateBitmapLeft(b.get());
  ASSERT_EQ(b->Width(), 2);
  ASSERT_EQ(b->Height(), 3);
  EXPECT_EQ(b->Canvas()->Pixels(0, 0), RGB(80, 0, 7));  // the source's top right
  RotateBitmapRight(b.get());
  ASSERT_EQ(b->Width(), 3);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(b->Canvas()->Pixels(x, y), RGB(x * 40, y * 40, 7));
  RotateBitmapRight(b.get());
  EXPECT_EQ(b->Canvas()->Pixels(0, 0), RGB(0, 40, 7));  // the source's bottom left
  RotateBitmapLeft(b.get());
  EXPECT_EQ(b->Canvas()->Pixels(2, 1), RGB(80, 40, 7));
}

TEST(SuiPublic, TileDrawStartsAtTheCanvasOrigin) {
  auto tile = FilledBitmap(8, 8, clYellow);
  tile->Canvas()->SetPixels(0, 0, clRed);
  auto dst = FilledBitmap(40, 40, kBack);
  TileDraw(dst->Canvas(), tile.get(), Rect(5, 5, 20, 20));
  EXPECT_EQ(dst->Canvas()->Pixels(0, 0), clRed);
  EXPECT_EQ(dst->Canvas()->Pixels(16, 16), clRed);
  EXPECT_EQ(dst->Canvas()->Pixels(23, 23), clYellow);
  EXPECT_EQ(dst->Canvas()->Pixels(24, 0), kBack);
  TBitmap empty;
  TileDraw(dst->Canvas(), &empty, Rect(0, 0, 10, 10));  // must return
}

TEST(SuiPublic, BorderAndInclusiveEdges) {
  TWinControl control(nullptr);
  control.SetBounds(0, 0, 20, 10);
  auto dst = FilledBitmap(20, 10, kBack);
  DrawControlBorder(&control, dst->Canvas(), clRed, clBlue);
  EXPECT_EQ(dst->Canvas()->Pixels(0, 0), clRed);
  EXPECT_EQ(dst->Canvas()->Pixels(19, 9), clRed);
  EXPECT_EQ(dst->Canvas()->Pixels(1, 1), clBlue);
  EXPECT_EQ(dst->Canvas()->Pixels(18, 8), clBlue);
  EXPECT_EQ(dst->Canvas()->Pixels(2, 2), kBack);

  EXPECT_TRUE(PointInRectInclusive(Point(10, 20), Rect(0, 0, 10, 20)));
  EXPECT_FALSE(PointInRectInclusive(Point(11, 20), Rect(0, 0, 10, 20)));
  EXPECT_FALSE(PointInRectInclusive(Point(-1, 0), Rect(0, 0, 10, 20)));

  auto canvas = FilledBitmap(4, 4, kBack);
  PaintParentBackground(canvas->Canvas(), &control);  // no parent: nothing
  EXPECT_EQ(canvas->Canvas()->Pixels(0, 0), kBack);
}

}  // namespace
