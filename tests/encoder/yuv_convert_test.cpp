// The 4:2:0 colour conversion every YUV codec's frames go through.
#include "platform/encoder/internal/yuv_convert.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

struct Picture {
  int w, h;
  std::vector<uint8_t> bgrx;
  Picture(int W, int H) : w(W), h(H), bgrx(size_t(W) * H * 4) {}
  uint8_t* At(int x, int y) { return &bgrx[(size_t(y) * w + x) * 4]; }
  void Set(int x, int y, int r, int g, int b, int a = 255) {
    uint8_t* p = At(x, y);
    p[0] = uint8_t(b);
    p[1] = uint8_t(g);
    p[2] = uint8_t(r);
    p[3] = uint8_t(a);
  }
  void Fill(int r, int g, int b) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) Set(x, y, r, g, b);
  }
};

struct Planes {
  int cw, ch, yStride, cStride;
  std::vector<uint8_t> y, cb, cr;
  // Strides wider than the rows, as encoder frames have them.
  Planes(int w, int h, bool halved = true)
      : cw(halved ? (w + 1) / 2 : w),
        ch(halved ? (h + 1) / 2 : h),
        yStride(w + 13),
        cStride(cw + 7),
        y(size_t(yStride) * h, 0xEE),
        cb(size_t(cStride) * ch, 0xEE),
        cr(size_t(cStride) * ch, 0xEE) {}
  mcl::YuvPlanes Out() { return {y.data(), cb.data(), cr.data(), yStride, cStride, cStride}; }
  int Y(int x, int yy) const { return y[size_t(yy) * yStride + x]; }
  int Cb(int x, int yy) const { return cb[size_t(yy) * cStride + x]; }
  int Cr(int x, int yy) const { return cr[size_t(yy) * cStride + x]; }
};

Planes Convert(const Picture& p, bool full, bool halved = true) {
  Planes out(p.w, p.h, halved);
  if (halved)
    mcl::BgrxToYuv420(p.bgrx.data(), p.w * 4, p.w, p.h, out.Out(), full);
  else
    mcl::BgrxToYuv444(p.bgrx.data(), p.w * 4, p.w, p.h, out.Out(), full);
  return out;
}

// The BT.601 conversion in floating point, for the mean R, G, B of a block.
struct Yuv {
  double y, cb, cr;
};
Yuv Reference(double r, double g, double b, bool full) {
  const double ys = full ? 1 : 219.0 / 255, cs = full ? 1 : 224.0 / 255;
  return {(full ? 0 : 16) + ys * (0.299 * r + 0.587 * g + 0.114 * b),
          128 + cs * (-0.168736 * r - 0.331264 * g + 0.5 * b),
          128 + cs * (0.5 * r - 0.418688 * g - 0.081312 * b)};
}

TEST(YuvConvert, KnownColoursInBothRanges) {
  struct Case {
    int r, g, b;
    bool full;
    int y, cb, cr;
  } cases[] = {
      {255, 255, 255, true, 255, 128, 128}, {0, 0, 0, true, 0, 128, 128},
      {128, 128, 128, true, 128, 128, 128}, {255, 0, 0, true, 76, 85, 255},
      {0, 0, 255, true, 29, 255, 107},      {255, 255, 255, false, 235, 128, 128},
      {0, 0, 0, false, 16, 128, 128},       {255, 0, 0, false, 81, 90, 240},
      {0, 255, 0, false, 145, 54, 34},      {0, 0, 255, false, 41, 240, 110},
  };
  for (bool halved : {true, false})
    for (const Case& c : cases) {
      Picture p(6, 4);
      p.Fill(c.r, c.g, c.b);
      const Planes out = Convert(p, c.full, halved);
      SCOPED_TRACE(::testing::Message() << c.r << "," << c.g << "," << c.b << " full " << c.full
                                        << " halved " << halved);
      for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(out.Y(x, y), c.y);
      for (int y = 0; y < out.ch; ++y)
        for (int x = 0; x < out.cw; ++x) {
          EXPECT_EQ(out.Cb(x, y), c.cb);
          EXPECT_EQ(out.Cr(x, y), c.cr);
        }
    }
}

// Every sample of a noisy picture of odd size lies within one step of the exact conversion; a
// halved chroma sample is the mean of the pixels its block holds (two or one at the odd edges).
// The alpha bytes do not count, and nothing past a row's samples is written.
TEST(YuvConvert, NoisyOddPictureMatchesTheExactConversion) {
  for (int mode = 0; mode < 4; ++mode) {
    const bool full = mode % 2 == 0, halved = mode < 2;
    for (int w : {1, 2, 37, 64}) {
      for (int h : {1, 3, 20}) {
        Picture p(w, h);
        uint32_t seed = 12345u + uint32_t(w * 31 + h);
        for (int y = 0; y < h; ++y)
          for (int x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            p.Set(x, y, seed >> 24, seed >> 16 & 255, seed >> 8 & 255, seed & 255);
          }
        const Planes out = Convert(p, full, halved);
        SCOPED_TRACE(::testing::Message()
                     << w << "x" << h << " full " << full << " halved " << halved);
        const int block = halved ? 2 : 1;
        for (int y = 0; y < h; ++y) {
          for (int x = 0; x < w; ++x) {
            const uint8_t* s = p.At(x, y);
            EXPECT_NEAR(out.Y(x, y), Reference(s[2], s[1], s[0], full).y, 1.0) << x << "," << y;
          }
          for (int x = w; x < out.yStride; ++x) ASSERT_EQ(out.Y(x, y), 0xEE);
        }
        for (int cy = 0; cy < out.ch; ++cy) {
          for (int cx = 0; cx < out.cw; ++cx) {
            double r = 0, g = 0, b = 0;
            int n = 0;
            for (int y = block * cy; y < std::min(h, block * cy + block); ++y)
              for (int x = block * cx; x < std::min(w, block * cx + block); ++x, ++n) {
                b += p.At(x, y)[0];
                g += p.At(x, y)[1];
                r += p.At(x, y)[2];
              }
            const Yuv e = Reference(r / n, g / n, b / n, full);
            EXPECT_NEAR(out.Cb(cx, cy), std::clamp(e.cb, 0.0, 255.0), 1.0) << cx << "," << cy;
            EXPECT_NEAR(out.Cr(cx, cy), std::clamp(e.cr, 0.0, 255.0), 1.0) << cx << "," << cy;
          }
          for (int cx = out.cw; cx < out.cStride; ++cx) {
            ASSERT_EQ(out.Cb(cx, cy), 0xEE);
            ASSERT_EQ(out.Cr(cx, cy), 0xEE);
          }
        }
      }
    }
  }
}

}  // namespace
