// Canvas drawing: exact pixels, raster modes, text boxes, clipping.
#include <gtest/gtest.h>

#include <QImage>

#include <random>

#include "platform/classlib/bitmap.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/canvas_qt.h"
#include "platform/classlib/drawing_helpers.h"
#include "tests/support/test_bitmaps.h"

using namespace classlib;
using lumitest::FilledBitmap;

namespace {

void Randomize(TBitmap& b, unsigned seed) {
  std::mt19937 rng(seed);
  for (int y = 0; y < b.Height(); ++y)
    for (int i = 0; i < b.RowBytes(); ++i) b.ScanLine(y)[i] = static_cast<uint8_t>(rng());
}

std::vector<uint8_t> Snapshot(TBitmap& b) {
  return std::vector<uint8_t>(b.Bits(), b.Bits() + b.BitsSize());
}

// Pixels of the bitmap that differ from Color, as a bounding rectangle.
TRect Painted(TBitmap& b, TColor background) {
  TRect r{};
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x)
      if (b.PixelColor(x, y) != background) UnionRect(r, r, Bounds(x, y, 1, 1));
  return r;
}

}  // namespace

TEST(GraphicsCanvas, FillAndFrameHitExactPixels) {
  for (TPixelFormat f : {pf8bit, pf24bit, pf32bit}) {
    auto b = FilledBitmap(12, 10, clWhite, f);
    TCanvas* c = b->Canvas();
    c->Brush()->SetColor(clRed);
    c->FillRect(Rect(2, 3, 7, 9));
    c->Brush()->SetColor(clBlue);
    c->FrameRect(Rect(8, 1, 11, 5));
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 12; ++x) {
        TColor want = clWhite;
        if (x >= 2 && x < 7 && y >= 3 && y < 9) want = clRed;
        if (x >= 8 && x < 11 && y >= 1 && y < 5 && (x == 8 || x == 10 || y == 1 || y == 4))
          want = clBlue;
        ASSERT_EQ(b->PixelColor(x, y), want) << "format " << int(f) << " at " << x << "," << y;
      }
  }
}

TEST(GraphicsCanvas, RectangleOutlineInteriorAndClearPen) {
  auto b = FilledBitmap(10, 10, clWhite, pf24bit);
  TCanvas* c = b->Canvas();
  c->Pen()->SetColor(clBlack);
  c->Brush()->SetColor(clLime);
  c->Rectangle(1, 1, 6, 5);
  EXPECT_EQ(b->PixelColor(1, 1), clBlack);
  EXPECT_EQ(b->PixelColor(5, 4), clBlack);
  EXPECT_EQ(b->PixelColor(6, 4), clWhite);  // right edge exclusive
  EXPECT_EQ(b->PixelColor(2, 2), clLime);
  EXPECT_EQ(b->PixelColor(4, 3), clLime);
  // Without a pen the fill stops one pixel short.
  c->Pen()->SetStyle(psClear);
  c->Brush()->SetColor(clRed);
  c->Rectangle(0, 6, 4, 9);
  EXPECT_EQ(Painted(*b, clWhite), Rect(0, 1, 6, 8));
  EXPECT_EQ(b->PixelColor(2, 7), clRed);
  EXPECT_EQ(b->PixelColor(3, 7), clWhite);
}

TEST(GraphicsCanvas, LineLeavesOutEndPointAndPenPosMoves) {
  auto b = FilledBitmap(10, 5, clWhite, pf32bit);
  TCanvas* c = b->Canvas();
  c->MoveTo(1, 2);
  c->LineTo(6, 2);
  for (int x = 0; x < 10; ++x)
    EXPECT_EQ(b->PixelColor(x, 2), x >= 1 && x < 6 ? clBlack : clWhite) << x;
  EXPECT_EQ(c->PenPos(), Point(6, 2));
}

TEST(GraphicsCanvas, XorDrawingTwiceRestoresThePicture) {
  for (TPixelFormat f : {pf4bit, pf8bit, pf24bit, pf32bit}) {
    auto b = FilledBitmap(40, 30, clWhite, f);
    Randomize(*b, 7);
    auto before = Snapshot(*b);
    TCanvas* c = b->Canvas();
    c->Pen()->SetMode(pmXor);
    c->Pen()->SetColor(clWhite);
    c->Brush()->SetStyle(bsClear);
    for (int pass = 0; pass < 2; ++pass) {
      c->Pen()->SetStyle(psSolid);
      c->Pen()->SetWidth(1);
      c->MoveTo(2, 3);
      c->LineTo(37, 25);
      c->LineTo(5, 28);
      c->Pen()->SetStyle(psDot);
      c->Rectangle(4, 4, 30, 20);
      c->Pen()->SetStyle(psSolid);
      c->Pen()->SetWidth(2);
      c->Rectangle(6, 6, 25, 18);
      c->Ellipse(1, 1, 33, 21);
      c->Pen()->SetWidth(3);
      c->MoveTo(0, 29);
      c->LineTo(39, 0);
    }
    EXPECT_EQ(Snapshot(*b), before) << "format " << int(f);
    // DrawFocusRect is its own inverse too.
    DrawFocusRect(c, Rect(3, 3, 21, 17));
    EXPECT_NE(Snapshot(*b), before);
    DrawFocusRect(c, Rect(3, 3, 21, 17));
    EXPECT_EQ(Snapshot(*b), before);
  }
}

TEST(GraphicsCanvas, EllipseStaysInsideItsBoxAndIsSymmetric) {
  auto b = FilledBitmap(30, 20, clWhite, pf24bit);
  b->Canvas()->Brush()->SetColor(clRed);
  b->Canvas()->Ellipse(3, 2, 24, 17);
  EXPECT_EQ(Painted(*b, clWhite), Rect(3, 2, 24, 17));
  for (int y = 2; y < 17; ++y)
    for (int x = 3; x < 24; ++x) {
      ASSERT_EQ(b->PixelColor(x, y), b->PixelColor(3 + 23 - x, y)) << x << "," << y;
      ASSERT_EQ(b->PixelColor(x, y), b->PixelColor(x, 2 + 16 - y)) << x << "," << y;
    }
  EXPECT_EQ(b->PixelColor(13, 9), clRed);
  EXPECT_EQ(b->PixelColor(3, 2), clWhite);
}

TEST(GraphicsCanvas, TextDrawsInsideItsBox) {
  auto b = FilledBitmap(200, 40, clWhite, pf24bit);
  TCanvas* c = b->Canvas();
  c->Font()->SetName("Arial");
  c->Font()->SetSize(8);
  EXPECT_EQ(c->Font()->Height(), -11);
  c->Font()->SetColor(clBlack);
  c->Brush()->SetStyle(bsClear);
  TSize ext = c->TextExtent("Hello World");
  EXPECT_GT(ext.cx, 30);
  EXPECT_GE(ext.cy, 11);
  EXPECT_LE(ext.cy, 16);
  c->TextOut(5, 4, "Hello World");
  TRect painted = Painted(*b, clWhite);
  EXPECT_FALSE(IsRectEmpty(painted));
  TRect cell = Bounds(5, 4, ext.cx, ext.cy);
  InflateRect(cell, 1, 0);
  TRect both;
  IntersectRect(both, painted, cell);
  EXPECT_EQ(both, painted) << "text outside its cell";

  // TextRect clips to its rectangle.
  auto t = FilledBitmap(200, 40, clWhite, pf32bit);
  t->Canvas()->Font()->SetSize(20);
  t->Canvas()->Brush()->SetStyle(bsClear);
  t->Canvas()->TextRect(Rect(10, 5, 40, 15), 0, 0, "WWWWWWWW");
  TRect p2 = Painted(*t, clWhite);
  EXPECT_FALSE(IsRectEmpty(p2));
  IntersectRect(both, p2, Rect(10, 5, 40, 15));
  EXPECT_EQ(both, p2);
}

TEST(GraphicsCanvas, OpaqueTextFillsItsCellWithTheBrush) {
  auto b = FilledBitmap(100, 30, clWhite, pf24bit);
  TCanvas* c = b->Canvas();
  c->Brush()->SetColor(clYellow);
  c->TextOut(2, 2, "ab");
  TSize ext = c->TextExtent("ab");
  EXPECT_EQ(b->PixelColor(2, 2), clYellow);
  EXPECT_EQ(b->PixelColor(2 + ext.cx - 1, 2 + ext.cy - 1), clYellow);
  EXPECT_EQ(b->PixelColor(2 + ext.cx, 2), clWhite);
}

TEST(GraphicsCanvas, DrawTextLayout) {
  auto b = FilledBitmap(300, 200, clWhite, pf24bit);
  TCanvas* c = b->Canvas();
  c->Brush()->SetStyle(bsClear);
  int line = c->TextHeight("Ag");
  TRect r = Rect(0, 0, 60, 0);
  int h = c->DrawText("one two three four five six", r, DT_WORDBREAK | DT_CALCRECT);
  EXPECT_GT(h, line);
  EXPECT_EQ(h % line, 0);
  EXPECT_EQ(r.Bottom, h);
  EXPECT_LE(r.Right, 60 + c->TextWidth("three"));

  r = Rect(0, 0, 10, 0);
  c->DrawText("a&&b", r, DT_SINGLELINE | DT_CALCRECT);
  EXPECT_EQ(r.Width(), c->TextWidth("a&b"));
  r = Rect(0, 0, 10, 0);
  c->DrawText("a&&b", r, DT_SINGLELINE | DT_CALCRECT | DT_NOPREFIX);
  EXPECT_EQ(r.Width(), c->TextWidth("a&&b"));

  // The ellipsis keeps a long line inside its rectangle.
  TRect box = Rect(10, 10, 70, 30);
  c->DrawText("a very long line of text that does not fit", box,
              DT_SINGLELINE | DT_END_ELLIPSIS | DT_VCENTER);
  TRect p = Painted(*b, clWhite), both;
  EXPECT_FALSE(IsRectEmpty(p));
  IntersectRect(both, p, box);
  EXPECT_EQ(both, p);
}

TEST(GraphicsCanvas, ClipRegionAndOrigin) {
  auto b = FilledBitmap(20, 20, clWhite, pf32bit);
  TCanvas* c = b->Canvas();
  TRegion clip = CreateRectRgn(0, 0, 5, 5).Combined(CreateRectRgn(10, 10, 15, 15), RGN_OR);
  c->SetClipRegion(&clip);
  EXPECT_EQ(c->ClipRect(), Rect(0, 0, 15, 15));
  c->Brush()->SetColor(clRed);
  c->FillRect(Rect(0, 0, 20, 20));
  EXPECT_EQ(b->PixelColor(4, 4), clRed);
  EXPECT_EQ(b->PixelColor(7, 7), clWhite);
  EXPECT_EQ(b->PixelColor(14, 14), clRed);
  EXPECT_EQ(b->PixelColor(15, 15), clWhite);
  c->SetClipRegion(nullptr);
  c->SetOrigin({3, 2});
  c->SetPixels(0, 0, clBlue);
  EXPECT_EQ(b->PixelColor(3, 2), clBlue);
  EXPECT_EQ(c->Pixels(0, 0), clBlue);
  EXPECT_EQ(c->Pixels(-4, 0), -1);
}

TEST(GraphicsCanvas, IndexedBitmapsTakeTheNearestPaletteEntry) {
  auto b = FilledBitmap(4, 4, clWhite, pf8bit);
  b->Canvas()->SetPixels(0, 0, RGB(250, 110, 40));
  EXPECT_EQ(b->ScanLine(0)[0], 36 * 5 + 6 * 2 + 1);
  EXPECT_EQ(b->PixelColor(0, 0), RGB(255, 102, 51));
  // Grey between cube levels goes to the grey ramp.
  b->Canvas()->SetPixels(1, 0, RGB(7, 7, 7));
  EXPECT_EQ(b->ScanLine(0)[1], 216);
  b->Canvas()->SetPixels(2, 0, clBtnFace);  // system colours resolve first
  EXPECT_EQ(
      b->PixelColor(2, 0),
      QuadToColor(DefaultPalette8()[NearestColorIndex(DefaultPalette8(), RGB(212, 208, 200))]));
}

TEST(GraphicsCanvas, DrawsIntoQImage) {
  QImage img(8, 6, QImage::Format_ARGB32);
  img.fill(Qt::black);
  TCanvas c;
  AttachCanvasToImage(c, img);
  c.Brush()->SetColor(RGB(10, 20, 30));
  c.FillRect(Rect(1, 1, 3, 4));
  EXPECT_EQ(img.pixel(1, 1), qRgba(10, 20, 30, 255));
  EXPECT_EQ(img.pixel(2, 3), qRgba(10, 20, 30, 255));
  EXPECT_EQ(img.pixel(3, 1), qRgba(0, 0, 0, 255));
  EXPECT_EQ(c.Pixels(1, 1), RGB(10, 20, 30));
  c.DetachSurface();
  c.FillRect(Rect(0, 0, 8, 6));  // no surface: nothing happens
  EXPECT_EQ(img.pixel(0, 0), qRgba(0, 0, 0, 255));
}

TEST(GraphicsCanvas, RepeatedTextDrawsTheSamePixelsWhateverWasDrawnBefore) {
  // Masks of drawn runs are kept: a clipped first draw, another colour, a
  // 16-bit surface or a rotated run must not change what a later draw gives.
  auto draw = [](TPixelFormat Format, TColor Color, const TRect* Clip, int Angle) {
    auto b = FilledBitmap(120, 40, clWhite, Format);
    TCanvas* c = b->Canvas();
    c->Font()->SetName("Arial");
    c->Font()->SetHeight(-13);
    c->Font()->SetColor(Color);
    c->Font()->SetEscapement(Angle);
    c->Brush()->SetStyle(bsClear);
    if (Clip != nullptr)
      c->TextRect(*Clip, 6, 10, "Cached &caption");
    else
      c->TextOut(6, 10, "Cached &caption");
    return b;
  };
  const TRect clip = Rect(20, 12, 60, 20);
  auto clipped_first = draw(pf32bit, clBlack, &clip, 0);
  auto whole = draw(pf32bit, clBlack, nullptr, 0);
  auto clipped_again = draw(pf32bit, clBlack, &clip, 0);
  EXPECT_EQ(Snapshot(*clipped_first), Snapshot(*clipped_again));
  int inside_same = 0, outside_white = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 120; ++x) {
      const bool in = x >= clip.Left && x < clip.Right && y >= clip.Top && y < clip.Bottom;
      if (in)
        inside_same += clipped_first->PixelColor(x, y) == whole->PixelColor(x, y);
      else
        outside_white += clipped_first->PixelColor(x, y) == clWhite;
    }
  EXPECT_EQ(inside_same, clip.Width() * clip.Height());
  EXPECT_EQ(outside_white, 120 * 40 - clip.Width() * clip.Height());

  // The 24-bit and 16-bit roads blend alike: grey levels agree within the
  // 16-bit surface's precision.
  auto on24 = draw(pf24bit, clNavy, nullptr, 0);
  auto on16 = draw(pf16bit, clNavy, nullptr, 0);
  auto red = draw(pf24bit, clRed, nullptr, 0);
  int inked = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 120; ++x) {
      const TColor a = on24->PixelColor(x, y), b = on16->PixelColor(x, y);
      EXPECT_NEAR(GetBValue(a), GetBValue(b), 8) << x << "," << y;
      inked += a != clWhite;
      // Same coverage, other colour: ink exactly where the navy run has ink.
      EXPECT_EQ(a != clWhite, red->PixelColor(x, y) != clWhite) << x << "," << y;
    }
  EXPECT_GT(inked, 40);
  // A rotated run is drawn (not served from the unrotated masks).
  auto turned = draw(pf24bit, clNavy, nullptr, 900);
  EXPECT_NE(Snapshot(*turned), Snapshot(*on24));
}
