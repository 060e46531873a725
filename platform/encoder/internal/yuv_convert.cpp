#include "platform/encoder/internal/yuv_convert.h"

#include <algorithm>
#include <cstddef>

namespace mcl {

namespace {

// Weights in 16-bit fixed point. Rounded so that each set sums exactly as its real weights do:
// white gives the top luma and grey gives chroma 128 with no rounding drift.
struct Weights {
  int yr, yg, yb, yOffset;  // luma: (yr R + yg G + yb B + yOffset) >> 16
  int br, bg, bb;           // Cb and Cr, on sums of four pixels: >> 18
  int rr, rg, rb;
  int cOffset;  // 128 and the rounding, for sums of four
};

constexpr int Fixed(double v) { return int(v * 65536.0 + (v < 0 ? -0.5 : 0.5)); }

Weights MakeWeights(bool fullRange) {
  const double ys = fullRange ? 1.0 : 219.0 / 255.0;
  const double cs = fullRange ? 1.0 : 224.0 / 255.0;
  Weights w{};
  w.yr = Fixed(0.299 * ys);
  w.yb = Fixed(0.114 * ys);
  w.yg = Fixed(ys) - w.yr - w.yb;
  w.yOffset = ((fullRange ? 0 : 16) << 16) + (1 << 15);
  w.bb = Fixed(0.5 * cs);
  w.br = Fixed(-0.168736 * cs);
  w.bg = -w.bb - w.br;
  w.rr = Fixed(0.5 * cs);
  w.rb = Fixed(-0.081312 * cs);
  w.rg = -w.rr - w.rb;
  w.cOffset = (128 << 18) + (1 << 17);
  return w;
}

inline uint8_t Clamp255(int v) { return uint8_t(std::clamp(v, 0, 255)); }

// Cb and Cr of the sums of four pixels' B, G and R.
inline void Chroma(int b, int g, int r, const Weights& w, uint8_t& cb, uint8_t& cr) {
  cb = Clamp255((w.br * r + w.bg * g + w.bb * b + w.cOffset) >> 18);
  cr = Clamp255((w.rr * r + w.rg * g + w.rb * b + w.cOffset) >> 18);
}

// The row loops are built for AVX2 as well as the base instruction set; the processor picks
// at load time. Kept free of branches so that the compiler can vectorise them.
#define LUMICAST_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))

// One row of luma.
LUMICAST_VECTOR_CLONES void LumaRow(const uint8_t* __restrict s, uint8_t* __restrict y, int width,
                                    const Weights& w) {
  for (int x = 0; x < width; ++x) {
    const int b = s[4 * x], g = s[4 * x + 1], r = s[4 * x + 2];
    y[x] = uint8_t((w.yr * r + w.yg * g + w.yb * b + w.yOffset) >> 16);
  }
}

// One row of chroma from rows s0 and s1 (the same row at the picture's odd last row): each
// sample is the mean of a two by two block.
LUMICAST_VECTOR_CLONES void ChromaRow(const uint8_t* __restrict s0, const uint8_t* __restrict s1,
                                      uint8_t* __restrict cb, uint8_t* __restrict cr, int width,
                                      const Weights& w) {
  const int pairs = width / 2;
  for (int x = 0; x < pairs; ++x) {
    const uint8_t* a = s0 + 8 * x;
    const uint8_t* c = s1 + 8 * x;
    const int b = a[0] + a[4] + c[0] + c[4];
    const int g = a[1] + a[5] + c[1] + c[5];
    const int r = a[2] + a[6] + c[2] + c[6];
    Chroma(b, g, r, w, cb[x], cr[x]);
  }
  if (width % 2 != 0) {
    // The last column alone: its two pixels count twice.
    const uint8_t* a = s0 + 8 * pairs;
    const uint8_t* c = s1 + 8 * pairs;
    Chroma(2 * (a[0] + c[0]), 2 * (a[1] + c[1]), 2 * (a[2] + c[2]), w, cb[pairs], cr[pairs]);
  }
}

// One row of full-size chroma.
LUMICAST_VECTOR_CLONES void ChromaRow444(const uint8_t* __restrict s, uint8_t* __restrict cb,
                                         uint8_t* __restrict cr, int width, const Weights& w) {
  for (int x = 0; x < width; ++x) {
    // A pixel counts as a block of four of itself, so the weights of the means serve.
    Chroma(4 * s[4 * x], 4 * s[4 * x + 1], 4 * s[4 * x + 2], w, cb[x], cr[x]);
  }
}

}  // namespace

void BgrxToYuv444(const uint8_t* bgrx, int stride, int width, int height, const YuvPlanes& out,
                  bool fullRange) {
  if (width <= 0 || height <= 0) return;
  const Weights w = MakeWeights(fullRange);
  for (int y = 0; y < height; ++y) {
    const uint8_t* s = bgrx + ptrdiff_t(y) * stride;
    LumaRow(s, out.y + ptrdiff_t(y) * out.yStride, width, w);
    ChromaRow444(s, out.cb + ptrdiff_t(y) * out.cbStride, out.cr + ptrdiff_t(y) * out.crStride,
                 width, w);
  }
}

void BgrxToYuv420(const uint8_t* bgrx, int stride, int width, int height, const YuvPlanes& out,
                  bool fullRange) {
  if (width <= 0 || height <= 0) return;
  const Weights w = MakeWeights(fullRange);
  for (int y = 0; y < height; y += 2) {
    const uint8_t* s0 = bgrx + ptrdiff_t(y) * stride;
    // An odd last row pairs with itself.
    const uint8_t* s1 = y + 1 < height ? s0 + stride : s0;
    LumaRow(s0, out.y + ptrdiff_t(y) * out.yStride, width, w);
    if (y + 1 < height) LumaRow(s1, out.y + ptrdiff_t(y + 1) * out.yStride, width, w);
    ChromaRow(s0, s1, out.cb + ptrdiff_t(y / 2) * out.cbStride,
              out.cr + ptrdiff_t(y / 2) * out.crStride, width, w);
  }
}

}  // namespace mcl
