// Shapes beyond rectangles: polygons, wide pens, brushes, rotated text, clip exclusion.
#include <gtest/gtest.h>

#include "platform/classlib/bitmap.h"
#include "platform/classlib/drawing_helpers.h"
#include "tests/support/test_bitmaps.h"

using namespace classlib;
using lumitest::FilledBitmap;

namespace {

int Count(TBitmap& b, TColor c, const TRect& r) {
  int n = 0;
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x) n += b.PixelColor(x, y) == c;
  return n;
}

}  // namespace

TEST(GraphicsShapes, PolygonFillsPixelCentresInside) {
  auto b = FilledBitmap(12, 12, clWhite);
  TCanvas* c = b->Canvas();
  c->Pen()->SetStyle(psClear);
  c->Brush()->SetColor(clRed);
  TPoint square[] = {{2, 2}, {8, 2}, {8, 8}, {2, 8}};
  c->Polygon(square, 4);
  EXPECT_EQ(Count(*b, clRed, Rect(0, 0, 12, 12)), 36);
  EXPECT_EQ(Count(*b, clRed, Rect(2, 2, 8, 8)), 36);
  // A triangle's rows shrink toward its apex.
  auto t = FilledBitmap(12, 12, clWhite);
  t->Canvas()->Pen()->SetStyle(psClear);
  t->Canvas()->Brush()->SetColor(clRed);
  t->Canvas()->Polygon(std::vector<TPoint>{{0, 0}, {10, 0}, {0, 10}});
  EXPECT_EQ(Count(*t, clRed, Rect(0, 0, 12, 1)), 9);  // centres 0.5 .. 8.5 lie left of 9.5
  EXPECT_EQ(Count(*t, clRed, Rect(0, 8, 12, 9)), 1);
  EXPECT_EQ(Count(*t, clRed, Rect(0, 9, 12, 10)), 0);
}

TEST(GraphicsShapes, WidePenRectangleIsCentredOnTheOutline) {
  auto b = FilledBitmap(20, 20, clWhite);
  TCanvas* c = b->Canvas();
  c->Pen()->SetWidth(3);
  c->Brush()->SetStyle(bsClear);
  c->Rectangle(5, 5, 15, 15);
  // Three pixels deep: one outside the rectangle, two inside.
  EXPECT_EQ(b->PixelColor(4, 10), clBlack);
  EXPECT_EQ(b->PixelColor(6, 10), clBlack);
  EXPECT_EQ(b->PixelColor(7, 10), clWhite);
  EXPECT_EQ(b->PixelColor(3, 10), clWhite);
  EXPECT_EQ(b->PixelColor(15, 10), clBlack);
  EXPECT_EQ(b->PixelColor(16, 10), clWhite);
}

TEST(GraphicsShapes, HatchAndPatternBrushes) {
  auto b = FilledBitmap(16, 16, clWhite);
  TCanvas* c = b->Canvas();
  c->Brush()->SetColor(clBlue);
  c->Brush()->SetStyle(bsHorizontal);
  c->FillRect(Rect(0, 0, 16, 16));
  int blue = Count(*b, clBlue, Rect(0, 0, 16, 16));
  EXPECT_EQ(blue, 32);  // one row in eight, background left alone
  TBitmap pattern;
  pattern.SetPixelFormat(pf24bit);
  pattern.SetSize(2, 2);
  pattern.Canvas()->SetPixels(0, 0, clRed);
  c->Brush()->SetBitmap(&pattern);
  c->FillRect(Rect(0, 0, 4, 4));
  EXPECT_EQ(b->PixelColor(2, 2), clRed);
  EXPECT_EQ(b->PixelColor(3, 2), clWhite);
  c->Brush()->SetBitmap(nullptr);
}

TEST(GraphicsShapes, EscapementTurnsTheText) {
  auto flat = FilledBitmap(120, 120, clWhite);
  auto turned = FilledBitmap(120, 120, clWhite);
  for (TBitmap* b : {flat.get(), turned.get()}) {
    b->Canvas()->Brush()->SetStyle(bsClear);
    b->Canvas()->Font()->SetSize(14);
  }
  turned->Canvas()->Font()->SetOrientation(900);  // base line going up
  flat->Canvas()->TextOut(50, 60, "MMMMM");
  turned->Canvas()->TextOut(50, 60, "MMMMM");
  // Upright text lies to the right of its origin, turned text above it.
  EXPECT_GT(Count(*flat, clBlack, Rect(60, 55, 120, 90)) + 1, 1);
  EXPECT_EQ(Count(*turned, clBlack, Rect(70, 62, 120, 120)), 0);
  EXPECT_GT(Count(*turned, clBlack, Rect(45, 0, 80, 58)), 10);
}

TEST(GraphicsShapes, ExcludedRectanglesAreNotPainted) {
  auto b = FilledBitmap(10, 10, clWhite);
  TCanvas* c = b->Canvas();
  ExcludeClipRect(c, 2, 2, 5, 5);
  TRect box;
  EXPECT_EQ(GetClipBox(c, box), COMPLEXREGION);
  EXPECT_EQ(box, Rect(0, 0, 10, 10));
  c->Brush()->SetColor(clGreen);
  c->FillRect(Rect(0, 0, 10, 10));
  EXPECT_EQ(Count(*b, clGreen, Rect(0, 0, 10, 10)), 91);
  EXPECT_EQ(b->PixelColor(3, 3), clWhite);
  SelectClipRgn(c, nullptr);
  EXPECT_FALSE(c->HasClipRegion());
}
