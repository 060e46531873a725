// DIB images: the draw modes against a per-pixel model, clipping, angles,
// streaming (raw, through a compressor, and mutated input) and regions.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "imaging/dib.h"
#include "tests/support/test_app.h"
#include "tests/support/test_bitmaps.h"

using namespace classlib;
using namespace lumicast;

namespace {

void Randomise(TAbstractSuperDIB& d, std::mt19937& rng) {
  for (int y = 0; y < d.Height(); ++y)
    for (int x = 0; x < d.Width(); ++x) d.Pixel(x, y) = rng();
}

uint32_t ModelMix(uint32_t s, uint32_t d, uint32_t a) {
  uint32_t out = 0;
  for (int sh = 0; sh < 24; sh += 8) {
    uint32_t v = (((s >> sh) & 255) * a + ((d >> sh) & 255) * (255 - a) + 255) / 256;
    out |= v << sh;
  }
  return out;
}

// The documented result of drawing source pixel s over destination pixel d.
uint32_t Model(const TAbstractSuperDIB& src, uint32_t s, uint32_t d) {
  const uint32_t op = src.Opacity();
  const uint32_t amax = std::max(s >> 24, d >> 24) << 24;
  if (src.Transparent()) {
    if ((s & 0xFFFFFF) == src.KeyPixel()) return d;
    return op == 255 ? (s & 0xFFFFFF) : (ModelMix(s, d, op) | (s & 0xFF000000u));
  }
  if (src.Masked()) return ModelMix(s, d, op == 255 ? s >> 24 : ((s >> 24) * op) / 256) | amax;
  return op == 255 ? s : (ModelMix(s, d, op) | amax);
}

}  // namespace

TEST(DibDraw, EveryModeMatchesThePerPixelModel) {
  std::mt19937 rng(7);
  for (int round = 0; round < 60; ++round) {
    TMemoryDIB src(1 + rng() % 9, 1 + rng() % 9), dst(12, 12);
    Randomise(src, rng);
    Randomise(dst, rng);
    // Make some source pixels carry the key exactly.
    const int mode = round % 3;
    if (mode == 1) src.SetMasked(true);
    if (mode == 2) {
      src.SetTransparent(true);
      src.SetTransparentMode(round % 2 ? tmAuto : tmFixed);
      src.SetTransparentColor(RGB(1, 2, 3));
      for (int i = 0; i < 5; ++i)
        src.Pixel(rng() % src.Width(), rng() % src.Height()) =
            (rng() & 0xFF000000u) | src.KeyPixel();
    }
    src.SetOpacity(round % 4 == 0 ? 255 : static_cast<int>(rng() % 256));
    TMemoryDIB before;
    before.Assign(&dst);
    const int X = static_cast<int>(rng() % 10) - 3, Y = static_cast<int>(rng() % 10) - 3;
    src.Draw(dst, X, Y);
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 12; ++x) {
        const int sx = x - X, sy = y - Y;
        uint32_t expect = before.Pixel(x, y);
        if (sx >= 0 && sy >= 0 && sx < src.Width() && sy < src.Height())
          expect = Model(src, src.Pixel(sx, sy), expect);
        ASSERT_EQ(dst.Pixel(x, y), expect) << "round " << round << " at " << x << "," << y;
      }
  }
}

TEST(DibDraw, OpaqueCopyIsExactAndNegativePositionsClip) {
  TMemoryDIB src(4, 3), dst(4, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) src.Pixel(x, y) = 0x01000000u * (x + 1) + 0x10101u * (y * 4 + x);
  src.Draw(dst, -2, -1);
  EXPECT_EQ(dst.Pixel(0, 0), src.Pixel(2, 1));
  EXPECT_EQ(dst.Pixel(1, 1), src.Pixel(3, 2));
  EXPECT_EQ(dst.Pixel(2, 0), 0u);  // outside the drawn part
  // Drawing far outside touches nothing and does not fail.
  src.Draw(dst, -100000, 2000000000);
  EXPECT_EQ(dst.Pixel(3, 2), 0u);
}

TEST(DibSettings, AnglesReduceScalesStayPositiveAndRotationMapsPixels) {
  TMemoryDIB d(4, 4);
  d.SetAngle(370);
  EXPECT_EQ(d.Angle(), 10);
  d.SetAngle(720);
  EXPECT_EQ(d.Angle(), 0);
  d.SetScale(0);
  EXPECT_EQ(d.Scale(), 1);
  d.SetScale(100);
  d.SetMasked(true);
  EXPECT_FALSE(d.Transparent());
  d.SetTransparent(true);
  EXPECT_FALSE(d.Masked());
  d.SetTransparent(false);

  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) d.Pixel(x, y) = 0xFF000000u | static_cast<uint32_t>(y * 4 + x);
  TMemoryDIB out(4, 4);
  d.SetAngle(180);
  d.Draw(out, 0, 0);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(out.Pixel(x, y), d.Pixel(3 - x, 3 - y));
  // A scale of 1 % no longer divides by zero.
  d.SetScale(0);
  d.Draw(out, 0, 0);
}

TEST(DibStream, RawDataRoundTripsWithTheDocumentedSize) {
  std::mt19937 rng(3);
  TMemoryDIB d(5, 3);
  Randomise(d, rng);
  TMemoryStream s;
  d.WriteData(&s);
  EXPECT_EQ(s.Size(), 4 + 5 * 3 * 4);
  EXPECT_EQ(s.Memory()[0], 5);
  EXPECT_EQ(s.Memory()[2], 3);
  s.SetPosition(0);
  TWinDIB back;
  back.ReadData(&s);
  ASSERT_EQ(back.Width(), 5);
  ASSERT_EQ(back.Height(), 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(back.Pixel(x, y), d.Pixel(x, y));
}

TEST(DibStream, CompressedDataNeedsAMatchingDecompressor) {
  TDIBCompressor c;
  c.ID.fill(0x5A);
  c.Compress = [](const std::vector<uint8_t>& raw) {
    std::vector<uint8_t> out(raw);
    for (auto& b : out) b ^= 0xFF;
    return out;
  };
  c.Decompress = [](const std::array<uint8_t, 16>& id, const uint8_t* data, size_t size, size_t,
                    std::vector<uint8_t>& raw) {
    if (id[0] != 0x5A) return false;
    raw.assign(data, data + size);
    for (auto& b : raw) b ^= 0xFF;
    return true;
  };
  RegisterDIBCompressor(c);
  TMemoryDIB d(2, 2);
  d.Fill(RGB(10, 20, 30));
  TMemoryStream s;
  d.WriteData(&s);
  ASSERT_EQ(std::string(reinterpret_cast<char*>(s.Memory()), 6), "DIBCMP");
  s.SetPosition(0);
  TMemoryDIB back;
  back.ReadData(&s);
  EXPECT_EQ(back.Pixel(1, 1), d.Pixel(1, 1));
  UnregisterDIBCompressors();
  s.SetPosition(0);
  try {
    back.ReadData(&s);
    FAIL() << "no decompressor";
  } catch (const EDIBCompressError& e) {
    EXPECT_STREQ(e.what(), "Could not find a suitable decompressor.");
  }
}

TEST(DibStream, HugeTruncatedAndMutatedDataGiveErrorsNotAllocations) {
  // 65535 x 65535 promised in ten bytes.
  const uint8_t huge[10] = {0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3, 4, 5, 6};
  TMemoryStream s;
  s.WriteBuffer(huge, 10);
  s.SetPosition(0);
  TMemoryDIB d;
  EXPECT_THROW(d.ReadData(&s), EDIBError);
  EXPECT_TRUE(d.Empty());

  std::mt19937 rng(11);
  TMemoryDIB good(3, 2);
  Randomise(good, rng);
  TMemoryStream g;
  good.WriteData(&g);
  for (int i = 0; i < 400; ++i) {
    std::vector<uint8_t> bytes(g.Memory(), g.Memory() + g.Size());
    const int edits = 1 + static_cast<int>(rng() % 4);
    for (int e = 0; e < edits; ++e) bytes[rng() % bytes.size()] = static_cast<uint8_t>(rng());
    bytes.resize(rng() % (bytes.size() + 8));
    TMemoryStream m;
    if (!bytes.empty()) m.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    m.SetPosition(0);
    TMemoryDIB r;
    try {
      r.ReadData(&m);
      EXPECT_LE(4 + static_cast<int64_t>(r.Width()) * r.Height() * 4,
                static_cast<int64_t>(bytes.size()));
    } catch (const Exception&) {
    }
  }
}

TEST(DibErrors, EightBitRenderingAndForeignAssignmentAreRefused) {
  TMemoryDIB d(1, 1);
  EXPECT_THROW(d.Render8Bit(), EDIBError);
  TBitmap b;
  try {
    b.Assign(&d);
    FAIL();
  } catch (const EDIBError& e) {
    EXPECT_STREQ(e.what(), "Cannot assign a TAbstractDIB to a TBitmap");
  }
  EXPECT_THROW(d.EndUpdate(), EDIBError);
}

TEST(DibRegion, RegionHoldsExactlyTheNonKeyPixels) {
  const TColor key = clYellow;
  const uint32_t k = 0x00FFFF00;  // yellow as a pixel value (R, G high)
  // The three-pixel case.
  TMemoryDIB three(3, 1);
  three.Pixel(0, 0) = 0xAA000001;
  three.Pixel(1, 0) = 0x77000000 | k;  // the fourth byte does not count
  three.Pixel(2, 0) = 1;
  std::vector<TRect> runs = three.RegionRects(key);
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0], Rect(0, 0, 1, 1));
  EXPECT_EQ(runs[1], Rect(2, 0, 3, 1));

  // A picture entirely of the key gives no region.
  TMemoryDIB all(4, 4);
  all.Fill(key);
  TRegion none;
  EXPECT_FALSE(all.MakeRegion(key, none));

  // 401 runs in one row, random pictures with holes: point by point.
  std::mt19937 rng(5);
  for (int round = 0; round < 20; ++round) {
    const int w = round == 0 ? 802 : 1 + static_cast<int>(rng() % 40);
    const int h = round == 0 ? 1 : 1 + static_cast<int>(rng() % 30);
    TMemoryDIB d(w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        d.Pixel(x, y) =
            round == 0 ? (x % 2 ? k : 0x123456) : ((rng() % 3) ? (rng() & 0xFF000000u) | k : rng());
    TRegion r;
    d.MakeRegion(key, r);
    if (round == 0) {
      EXPECT_EQ(d.RegionRects(key).size(), 401u);
    }
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        ASSERT_EQ(r.Contains(x, y), (d.Pixel(x, y) & 0xFFFFFF) != k) << x << "," << y;
  }
}

TEST(DibImport, PicturesAndMasksComeFromFiles) {
  const std::string dir = lumitest::MakeTempDir();
  auto pic = lumitest::FilledBitmap(3, 2, RGB(10, 20, 30));
  pic->Canvas()->SetPixels(0, 0, RGB(200, 0, 0));
  pic->SaveToFile(dir + "/pic.bmp");
  TMemoryDIB d;
  try {
    d.ImportMask(dir + "/pic.bmp");
    FAIL();
  } catch (const EDIBError& e) {
    EXPECT_STREQ(e.what(), "You cannot import a mask until you have an image.");
  }
  d.ImportPicture(dir + "/pic.bmp");
  ASSERT_EQ(d.Width(), 3);
  EXPECT_EQ(d.Pixel(0, 0), 0xFFC80000u);  // opaque: a 24-bit picture sets every alpha byte
  EXPECT_EQ(d.Pixel(2, 1), 0xFF0A141Eu);
  EXPECT_FALSE(d.Masked());
  EXPECT_EQ(d.ImageFilename, dir + "/pic.bmp");
  auto mask = lumitest::FilledBitmap(6, 4, RGB(0, 0, 77));  // the first byte (blue) is the mask
  mask->SaveToFile(dir + "/mask.bmp");
  d.ImportMask(dir + "/mask.bmp");
  EXPECT_TRUE(d.Masked());
  EXPECT_EQ(d.Pixel(1, 1) >> 24, 77u);
}
