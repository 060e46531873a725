// Bitmaps: scan-line layout per pixel format, format conversion, and BMP
// streams (byte-exact round trips, hostile input).
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "platform/classlib/bitmap.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/stream.h"

using namespace classlib;

namespace {

std::vector<uint8_t> SaveBytes(TBitmap& b) {
  TMemoryStream ms;
  b.SaveToStream(&ms);
  return ms.Bytes();
}

void LoadBytes(TBitmap& b, const std::vector<uint8_t>& bytes) {
  TMemoryStream ms;
  if (!bytes.empty()) ms.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  ms.SetPosition(0);
  b.LoadFromStream(&ms);
}

uint32_t U32(const std::vector<uint8_t>& v, size_t at) {
  return v[at] | (v[at + 1] << 8) | (v[at + 2] << 16) | (static_cast<uint32_t>(v[at + 3]) << 24);
}
void SetU32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  for (int i = 0; i < 4; ++i) v[at + i] = static_cast<uint8_t>(x >> (8 * i));
}

std::unique_ptr<TBitmap> RandomBitmap(TPixelFormat f, int w, int h, unsigned seed) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(f);
  b->SetSize(w, h);
  std::mt19937 rng(seed);
  for (int y = 0; y < h; ++y)
    for (int i = 0; i < b->RowBytes(); ++i) b->ScanLine(y)[i] = static_cast<uint8_t>(rng());
  return b;
}

}  // namespace

TEST(GraphicsBitmap, ScanLinesAreBottomUpAndPadded) {
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(5, 3);
  EXPECT_EQ(b.RowBytes(), 16);  // 15 bytes padded to 16
  EXPECT_EQ(b.ScanLine(1), b.ScanLine(0) - 16);
  EXPECT_EQ(b.ScanLine(2), b.Bits());
  EXPECT_THROW(b.ScanLine(3), EInvalidGraphicOperation);
  EXPECT_THROW(b.ScanLine(-1), EInvalidGraphicOperation);
}

TEST(GraphicsBitmap, PixelLayoutPerFormat) {
  struct Case {
    TPixelFormat f;
    int w;
  };
  TBitmap b24;
  b24.SetPixelFormat(pf24bit);
  b24.SetSize(3, 2);
  b24.Canvas()->SetPixels(1, 0, RGB(1, 2, 3));
  const uint8_t* r = b24.ScanLine(0);
  EXPECT_EQ(r[3], 3);
  EXPECT_EQ(r[4], 2);
  EXPECT_EQ(r[5], 1);  // B, G, R

  TBitmap b32;
  b32.SetPixelFormat(pf32bit);
  b32.SetSize(2, 2);
  b32.Canvas()->SetPixels(1, 1, RGB(10, 20, 30));
  r = b32.ScanLine(1);
  EXPECT_EQ(r[4], 30);
  EXPECT_EQ(r[5], 20);
  EXPECT_EQ(r[6], 10);

  TBitmap b4;
  b4.SetPixelFormat(pf4bit);
  b4.SetSize(3, 1);
  b4.Canvas()->Brush()->SetColor(clBlack);
  b4.Canvas()->FillRect(Rect(0, 0, 3, 1));
  b4.Canvas()->SetPixels(0, 0, clRed);   // entry 9
  b4.Canvas()->SetPixels(1, 0, clBlue);  // entry 12
  EXPECT_EQ(b4.ScanLine(0)[0], 0x9C);    // high nibble first

  TBitmap b1;
  b1.SetMonochrome(true);
  b1.SetSize(10, 1);
  b1.Canvas()->Brush()->SetColor(clBlack);
  b1.Canvas()->FillRect(Rect(0, 0, 10, 1));
  b1.Canvas()->SetPixels(0, 0, clWhite);
  b1.Canvas()->SetPixels(9, 0, clWhite);
  EXPECT_EQ(b1.ScanLine(0)[0], 0x80);  // most significant bit first
  EXPECT_EQ(b1.ScanLine(0)[1], 0x40);
  EXPECT_EQ(b1.RowBytes(), 4);
}

TEST(GraphicsBitmap, DefaultPaletteAndNearestColour) {
  const TPalette& p = DefaultPalette8();
  ASSERT_EQ(p.size(), 256u);
  EXPECT_EQ(QuadToColor(p[36 * 1 + 6 * 4 + 5]), RGB(51, 204, 255));
  EXPECT_EQ(QuadToColor(p[216]), RGB(6, 6, 6));        // Round(255 / 41)
  EXPECT_EQ(QuadToColor(p[235]), RGB(124, 124, 124));  // Round(255 * 20 / 41) = 124.39
  EXPECT_EQ(QuadToColor(p[255]), RGB(249, 249, 249));
  // Ties go to the lowest index.
  TPalette two = {RGBQuad(RGB(0, 0, 0)), RGBQuad(RGB(10, 0, 0)), RGBQuad(RGB(0, 0, 0))};
  EXPECT_EQ(NearestColorIndex(two, RGB(5, 0, 0)), 0);
  EXPECT_EQ(NearestColorIndex(two, RGB(9, 0, 0)), 1);
  TBitmap b;
  b.SetPixelFormat(pf8bit);
  EXPECT_EQ(b.Palette(), p);
}

TEST(GraphicsBitmap, FormatConversionKeepsThePicture) {
  auto b = RandomBitmap(pf8bit, 7, 5, 3);
  std::vector<TColor> colours;
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) colours.push_back(b->PixelColor(x, y));
  b->SetPixelFormat(pf24bit);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) ASSERT_EQ(b->PixelColor(x, y), colours[y * 7 + x]);
  b->SetPixelFormat(pf8bit);  // every colour is a palette entry: exact again
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) ASSERT_EQ(b->PixelColor(x, y), colours[y * 7 + x]);
  // Growing keeps the old pixels and fills the rest white.
  b->SetSize(9, 6);
  EXPECT_EQ(b->PixelColor(6, 4), colours[4 * 7 + 6]);
  EXPECT_EQ(b->PixelColor(8, 5), clWhite);
}

TEST(GraphicsBitmap, BmpStreamsRoundTripByteForByte) {
  for (TPixelFormat f : {pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit}) {
    for (int w : {1, 3, 7, 13}) {
      auto b = RandomBitmap(f, w, 5, w * 31 + f);
      std::vector<uint8_t> first = SaveBytes(*b);
      int bits = f == pf15bit ? 16 : PixelFormatBits(f);
      int palette = bits <= 8 ? (4 << bits) : 0;
      uint32_t off = 14 + 40 + (f == pf16bit ? 12 : 0) + palette;
      uint32_t image = static_cast<uint32_t>(BytesPerScanLine(w, bits) * 5);
      ASSERT_EQ(first.size(), off + image);
      EXPECT_EQ(U32(first, 2), off + image);
      EXPECT_EQ(U32(first, 10), off);
      EXPECT_EQ(U32(first, 34), image);
      TBitmap c;
      LoadBytes(c, first);
      EXPECT_EQ(c.PixelFormat(), f);
      EXPECT_EQ(c.Width(), w);
      EXPECT_EQ(SaveBytes(c), first) << "format " << int(f) << " width " << w;
    }
  }
  // Header fields of a loaded file are written back: a short palette stays short.
  auto b = RandomBitmap(pf8bit, 3, 2, 1);
  std::vector<uint8_t> v = SaveBytes(*b);
  std::vector<uint8_t> shortPal(v.begin(), v.begin() + 54);
  SetU32(shortPal, 46, 2);  // two colours used
  SetU32(shortPal, 10, 54 + 8);
  shortPal.insert(shortPal.end(), v.begin() + 54, v.begin() + 62);
  shortPal.insert(shortPal.end(), v.end() - 8, v.end());
  SetU32(shortPal, 2, static_cast<uint32_t>(shortPal.size()));
  for (size_t i = shortPal.size() - 8; i < shortPal.size(); ++i) shortPal[i] &= 1;
  TBitmap c;
  LoadBytes(c, shortPal);
  EXPECT_EQ(c.Palette().size(), 2u);
  EXPECT_EQ(SaveBytes(c), shortPal);
}

TEST(GraphicsBitmap, ReadsTopDownBmp) {
  auto b = RandomBitmap(pf24bit, 3, 4, 9);
  std::vector<uint8_t> v = SaveBytes(*b);
  // Same picture stored top row first with a negative height.
  std::vector<uint8_t> td(v.begin(), v.begin() + 54);
  SetU32(td, 22, static_cast<uint32_t>(-4));
  for (int y = 0; y < 4; ++y) td.insert(td.end(), b->ScanLine(y), b->ScanLine(y) + 12);
  TBitmap c;
  LoadBytes(c, td);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 3; ++x) ASSERT_EQ(c.PixelColor(x, y), b->PixelColor(x, y));
}

TEST(GraphicsBitmap, HostileBmpsRaiseInvalidGraphic) {
  auto b = RandomBitmap(pf8bit, 5, 4, 11);
  std::vector<uint8_t> good = SaveBytes(*b);
  TBitmap target;
  target.SetSize(2, 2);
  auto expectInvalid = [&](const std::vector<uint8_t>& bytes, const char* what) {
    EXPECT_THROW(LoadBytes(target, bytes), EInvalidGraphic) << what;
    EXPECT_EQ(target.Width(), 2) << what << ": a failed load must leave the bitmap alone";
  };
  for (size_t n = 0; n < good.size(); n += 7)
    expectInvalid({good.begin(), good.begin() + n}, "truncated");
  auto bad = good;
  bad[0] = 'X';
  expectInvalid(bad, "magic");
  bad = good;
  SetU32(bad, 18, 100000);
  expectInvalid(bad, "huge width");
  bad = good;
  SetU32(bad, 22, 0x80000000u);
  expectInvalid(bad, "minimum height");
  bad = good;
  SetU32(bad, 18, 30000);
  SetU32(bad, 22, 30000);
  expectInvalid(bad, "large, data missing");
  bad = good;
  SetU32(bad, 10, 0xFFFFFFF0u);
  expectInvalid(bad, "offset past the end");
  bad = good;
  SetU32(bad, 10, 20);
  expectInvalid(bad, "offset inside the header");
  bad = good;
  SetU32(bad, 14, 0xFFFFFFFFu);
  expectInvalid(bad, "info size");
  bad = good;
  SetU32(bad, 46, 300);
  expectInvalid(bad, "palette count");
  bad = good;
  bad[28] = 7;
  expectInvalid(bad, "bit count");
  bad = good;
  SetU32(bad, 30, 1);
  expectInvalid(bad, "compression");

  // Random mutations: a clean load or EInvalidGraphic, never anything else.
  std::mt19937 rng(1234);
  for (int i = 0; i < 400; ++i) {
    std::vector<uint8_t> m = good;
    int edits = 1 + static_cast<int>(rng() % 4);
    for (int e = 0; e < edits; ++e) m[rng() % 60] = static_cast<uint8_t>(rng());
    if (rng() % 3 == 0) m.resize(rng() % m.size());
    TBitmap t;
    try {
      LoadBytes(t, m);
      if (!t.Empty()) {
        EXPECT_GE(t.BitsSize(), static_cast<size_t>(t.RowBytes()) * t.Height());
      }
    } catch (const EInvalidGraphic&) {
    }
  }
}

TEST(GraphicsBitmap, AssignCopiesEverything) {
  auto b = RandomBitmap(pf4bit, 6, 3, 5);
  b->SetTransparentColor(clRed);
  TBitmap c;
  c.Assign(b.get());
  EXPECT_EQ(SaveBytes(c), SaveBytes(*b));
  EXPECT_EQ(c.TransparentColor(), clRed);
  EXPECT_EQ(c.TransparentMode(), tmFixed);
  // The automatic transparent colour is the bottom-left pixel's.
  TBitmap d;
  d.SetPixelFormat(pf24bit);
  d.SetSize(3, 3);
  d.Canvas()->SetPixels(0, 2, clAqua);
  EXPECT_EQ(d.TransparentColor(), clAqua);
}
