// Block copies with raster operations, stretching, transparency, masks,
// edges and frame controls.
#include <gtest/gtest.h>

#include <random>

#include "platform/classlib/bitmap.h"
#include "platform/classlib/drawing_helpers.h"
#include "tests/support/test_bitmaps.h"

using namespace classlib;
using lumitest::FilledBitmap;

namespace {

uint32_t Bits(TColor c) { return static_cast<uint32_t>(c) & 0xFFFFFF; }

}  // namespace

TEST(GraphicsCopy, CopyModesCombineSourceAndDestination) {
  const TColor S = RGB(0xF0, 0x0F, 0x55), D = RGB(0xCC, 0x33, 0xAA), P = RGB(0x12, 0x34, 0x56);
  struct Mode {
    TCopyMode mode;
    uint32_t want;
  };
  uint32_t s = Bits(S), d = Bits(D), p = Bits(P);
  const Mode modes[] = {
      {cmSrcCopy, s},
      {cmSrcAnd, s & d},
      {cmSrcPaint, s | d},
      {cmSrcInvert, s ^ d},
      {cmSrcErase, s & ~d & 0xFFFFFF},
      {cmNotSrcCopy, ~s & 0xFFFFFF},
      {cmNotSrcErase, ~(s | d) & 0xFFFFFF},
      {cmMergeCopy, p & s},
      {cmMergePaint, (~s | d) & 0xFFFFFF},
      {cmPatCopy, p},
      {cmPatInvert, p ^ d},
      {cmDstInvert, ~d & 0xFFFFFF},
      {cmBlackness, 0},
      {cmWhiteness, 0xFFFFFF},
  };
  auto src = FilledBitmap(4, 4, S);
  for (const Mode& m : modes) {
    auto dst = FilledBitmap(4, 4, D);
    dst->Canvas()->Brush()->SetColor(P);
    dst->Canvas()->SetCopyMode(m.mode);
    dst->Canvas()->CopyRect(Rect(1, 1, 3, 3), src->Canvas(), Rect(0, 0, 2, 2));
    EXPECT_EQ(Bits(dst->PixelColor(1, 1)), m.want) << std::hex << m.mode;
    EXPECT_EQ(Bits(dst->PixelColor(2, 2)), m.want) << std::hex << m.mode;
    EXPECT_EQ(dst->PixelColor(0, 0), D);
    EXPECT_EQ(dst->PixelColor(3, 3), D);
  }
  // A ternary operation without a name: the pattern where the source is set, else the destination.
  auto dst = FilledBitmap(2, 2, D);
  dst->Canvas()->Brush()->SetColor(P);
  BitBlt(dst->Canvas(), 0, 0, 2, 2, src->Canvas(), 0, 0, 0x00E20746);
  EXPECT_EQ(Bits(dst->PixelColor(0, 0)), ((s & p) | (d & ~s)) & 0xFFFFFF);
}

TEST(GraphicsCopy, StretchMirrorAndOverlap) {
  auto src = FilledBitmap(2, 1, clBlack);
  src->Canvas()->SetPixels(1, 0, clWhite);
  auto dst = FilledBitmap(4, 2, clRed);
  dst->Canvas()->StretchDraw(Rect(0, 0, 4, 2), src.get());
  EXPECT_EQ(dst->PixelColor(0, 0), clBlack);
  EXPECT_EQ(dst->PixelColor(1, 1), clBlack);
  EXPECT_EQ(dst->PixelColor(2, 0), clWhite);
  EXPECT_EQ(dst->PixelColor(3, 1), clWhite);
  StretchBlt(dst->Canvas(), 3, 0, -4, 1, src->Canvas(), 0, 0, 2, 1, SRCCOPY);  // mirrored
  EXPECT_EQ(dst->PixelColor(0, 0), clWhite);
  EXPECT_EQ(dst->PixelColor(3, 0), clBlack);

  // Scrolling within one bitmap reads the source before writing.
  auto b = FilledBitmap(6, 1, clWhite);
  for (int x = 0; x < 6; ++x) b->Canvas()->SetPixels(x, 0, RGB(x * 10, 0, 0));
  b->Canvas()->CopyRect(Rect(1, 0, 6, 1), b->Canvas(), Rect(0, 0, 5, 1));
  for (int x = 1; x < 6; ++x) EXPECT_EQ(b->PixelColor(x, 0), RGB((x - 1) * 10, 0, 0));
}

TEST(GraphicsCopy, TransparentDrawAndMaskBlt) {
  auto src = FilledBitmap(3, 1, clFuchsia);
  src->Canvas()->SetPixels(1, 0, clBlue);
  src->SetTransparent(true);  // bottom-left pixel (fuchsia) is the key
  auto dst = FilledBitmap(3, 1, clLime);
  dst->Canvas()->Draw(0, 0, src.get());
  EXPECT_EQ(dst->PixelColor(0, 0), clLime);
  EXPECT_EQ(dst->PixelColor(1, 0), clBlue);
  EXPECT_EQ(dst->PixelColor(2, 0), clLime);

  TBitmap mask;
  mask.SetMonochrome(true);
  mask.SetSize(3, 1);
  mask.Canvas()->Brush()->SetColor(clBlack);
  mask.Canvas()->FillRect(Rect(0, 0, 3, 1));
  mask.Canvas()->SetPixels(2, 0, clWhite);
  auto d2 = FilledBitmap(3, 1, clLime);
  MaskBlt(d2->Canvas(), 0, 0, 3, 1, src->Canvas(), 0, 0, &mask, 0, 0,
          MAKEROP4(SRCCOPY, 0x00AA0029));
  EXPECT_EQ(d2->PixelColor(0, 0), clLime);
  EXPECT_EQ(d2->PixelColor(2, 0), clFuchsia);
}

TEST(GraphicsCopy, IndexedDestinationsMapColours) {
  auto src = FilledBitmap(2, 2, RGB(200, 10, 10));
  auto dst = FilledBitmap(2, 2, clWhite, pf8bit);
  dst->Canvas()->CopyRect(Rect(0, 0, 2, 2), src->Canvas(), Rect(0, 0, 2, 2));
  EXPECT_EQ(dst->PixelColor(0, 0), RGB(204, 0, 0));
  // Between bitmaps of one palette the indices are copied.
  auto d2 = FilledBitmap(2, 2, clBlack, pf8bit);
  dst->ScanLine(1)[1] = 250;
  d2->Canvas()->CopyRect(Rect(0, 0, 2, 2), dst->Canvas(), Rect(0, 0, 2, 2));
  EXPECT_EQ(d2->ScanLine(1)[1], 250);
}

TEST(GraphicsCopy, EdgesAndFrameControls) {
  auto b = FilledBitmap(20, 20, clWhite);
  TRect r = Rect(2, 2, 12, 10);
  DrawEdge(b->Canvas(), r, EDGE_RAISED, BF_RECT | BF_ADJUST | BF_MIDDLE);
  EXPECT_EQ(r, Rect(4, 4, 10, 8));
  EXPECT_EQ(b->PixelColor(2, 2), ColorToRGB(cl3DLight));
  EXPECT_EQ(b->PixelColor(11, 9), ColorToRGB(cl3DDkShadow));
  EXPECT_EQ(b->PixelColor(3, 3), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(b->PixelColor(10, 8), ColorToRGB(clBtnShadow));
  EXPECT_EQ(b->PixelColor(5, 5), ColorToRGB(clBtnFace));
  EXPECT_EQ(b->PixelColor(12, 10), clWhite);

  auto c = FilledBitmap(20, 20, clLime);
  TRect box = Rect(0, 0, 20, 20);
  DrawFrameControl(c->Canvas(), box, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED);
  TRect painted{};
  int ink = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) {
      if (c->PixelColor(x, y) != clLime) UnionRect(painted, painted, Bounds(x, y, 1, 1));
      if (c->PixelColor(x, y) == ColorToRGB(clBtnText)) ++ink;
    }
  EXPECT_EQ(painted, Bounds(3, 3, 13, 13));
  EXPECT_GT(ink, 10);  // the tick
}

TEST(GraphicsCopy, ThirtyTwoBitSourceOntoTwentyFourBitsKeepsEveryColourByte) {
  // Each source pixel has its own colour and a varying fourth byte; a plain draw onto a 24-bit
  // bitmap must carry every colour byte over, clip at the target's edge and leave the rest.
  TBitmap src;
  src.SetPixelFormat(pf32bit);
  src.SetSize(13, 7);
  for (int y = 0; y < 7; ++y) {
    uint8_t* row = src.ScanLine(y);
    for (int x = 0; x < 13; ++x) {
      row[4 * x + 0] = static_cast<uint8_t>(17 * x + y);
      row[4 * x + 1] = static_cast<uint8_t>(3 * y + 40);
      row[4 * x + 2] = static_cast<uint8_t>(200 - x * y);
      row[4 * x + 3] = static_cast<uint8_t>(x * 19);
    }
  }
  auto dst = FilledBitmap(20, 10, clWhite);
  dst->Canvas()->Draw(5, 2, &src);  // reaches past the right edge: clipped
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 20; ++x) {
      int sx = x - 5, sy = y - 2;
      uint32_t expect = 0xFFFFFF;
      if (sx >= 0 && sy >= 0 && sx < 13 && sy < 7) {
        const uint8_t* p = src.ScanLine(sy) + 4 * sx;
        expect = static_cast<uint32_t>(p[0]) << 16 | p[1] << 8 | p[2];  // TColor is 0x00BBGGRR
      }
      ASSERT_EQ(Bits(dst->Canvas()->Pixels(x, y)), expect) << x << "," << y;
    }
  }
}

TEST(GraphicsCopy, KeyedStretchCopiesMatchAPixelModelForEveryTrueColourPair) {
  // Random pictures with key pixels, stretched, shrunk, mirrored and placed
  // partly outside the source: a pixel is copied from the nearest source pixel
  // unless that is the key colour or lies beside the source.
  std::mt19937 rng(7);
  const TColor key = clFuchsia;
  for (TPixelFormat sf : {pf24bit, pf32bit})
    for (TPixelFormat df : {pf24bit, pf32bit})
      for (int round = 0; round < 40; ++round) {
        const int sw = 1 + static_cast<int>(rng() % 9), sh = 1 + static_cast<int>(rng() % 7);
        auto src = FilledBitmap(sw, sh, clBlack, sf);
        for (int y = 0; y < sh; ++y)
          for (int x = 0; x < sw; ++x)
            src->Canvas()->SetPixels(x, y,
                                     rng() % 3 == 0 ? key : static_cast<TColor>(rng() & 0xFFFFFF));
        auto dst = FilledBitmap(16, 12, RGB(1, 2, 3), df);
        auto before = FilledBitmap(16, 12, RGB(1, 2, 3), df);
        const int x = static_cast<int>(rng() % 8) - 2, y = static_cast<int>(rng() % 6) - 2;
        int w = 1 + static_cast<int>(rng() % 14), h = 1 + static_cast<int>(rng() % 10);
        if (rng() % 4 == 0) w = -w;
        const int xs = static_cast<int>(rng() % 4) - 1, ys = static_cast<int>(rng() % 3) - 1;
        TransparentBlt(dst->Canvas(), x, y, w, h, src.get(), xs, ys, sw, sh, key);
        const int aw = std::abs(w);
        const int left = w < 0 ? x + w + 1 : x;
        for (int py = 0; py < 12; ++py)
          for (int px = 0; px < 16; ++px) {
            TColor want = before->PixelColor(px, py);
            if (px >= left && px < left + aw && py >= y && py < y + h) {
              int i = px - left;
              int k = static_cast<int>((2LL * i + 1) * sw / (2LL * aw));
              if (w < 0) k = sw - 1 - k;
              const int sx = xs + k;
              const int sy = ys + static_cast<int>((2LL * (py - y) + 1) * sh / (2LL * h));
              if (sx >= 0 && sy >= 0 && sx < sw && sy < sh && src->PixelColor(sx, sy) != key)
                want = src->PixelColor(sx, sy);
            }
            ASSERT_EQ(dst->PixelColor(px, py), want)
                << "round " << round << " at " << px << "," << py << " formats " << sf << df;
          }
      }
}
