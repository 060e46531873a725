// Eight-pixel span blends on 256-bit vectors, chosen at run time. Pixels are widened to 16 bits
// per channel and x * k / 255 is rounded as (t + (t >> 8)) >> 8 with t = x * k + 128, exactly as
// the narrower blends do. The 256-bit unpack and pack instructions work within each 128-bit half,
// so pixels 0,1,4,5 travel in the "low" register and 2,3,6,7 in the "high" one; covers and colours
// are arranged the same way.
#include "platform/flash/renderer/internal/blend_wide.h"

#include <cstring>
#include <initializer_list>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define FLASH_WIDE_BLEND 1
#include <immintrin.h>
#endif

namespace flash {

#if FLASH_WIDE_BLEND

#define WIDE __attribute__((target("avx2")))

namespace {

WIDE inline __m256i MulDiv255(__m256i x, __m256i k) {
  __m256i t = _mm256_add_epi16(_mm256_mullo_epi16(x, k), _mm256_set1_epi16(128));
  return _mm256_srli_epi16(_mm256_add_epi16(t, _mm256_srli_epi16(t, 8)), 8);
}

WIDE inline __m256i SpreadAlpha(__m256i x) {
  return _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(x, _MM_SHUFFLE(3, 3, 3, 3)),
                                _MM_SHUFFLE(3, 3, 3, 3));
}

WIDE inline __m256i Over(__m256i d, __m256i s) {
  return _mm256_add_epi16(s,
                          MulDiv255(d, _mm256_sub_epi16(_mm256_set1_epi16(255), SpreadAlpha(s))));
}

// Eight covers as factors for the low (pixels 0,1,4,5) and high (2,3,6,7) registers.
WIDE inline void WidenCovers(const uint8_t* covers, __m256i& lo, __m256i& hi) {
  uint64_t eight;
  std::memcpy(&eight, covers, 8);
  __m128i c = _mm_cvtsi64_si128(static_cast<long long>(eight));
  c = _mm_unpacklo_epi8(c, c);  // c0 c0 c1 c1 ... c7 c7
  __m128i first = _mm_unpacklo_epi16(c, c),
          second = _mm_unpackhi_epi16(c, c);  // each cover four times
  __m256i both = _mm256_set_m128i(second, first);
  lo = _mm256_unpacklo_epi8(both, _mm256_setzero_si256());
  hi = _mm256_unpackhi_epi8(both, _mm256_setzero_si256());
}

bool Detect() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
}

}  // namespace

const bool kWideBlendAvailable = Detect();

WIDE int WideBlendRun(uint32_t* d, int len, uint32_t src) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i s = _mm256_unpacklo_epi8(_mm256_set1_epi32(static_cast<int>(src)), zero);
  const __m256i inv = _mm256_sub_epi16(_mm256_set1_epi16(255), SpreadAlpha(s));
  int i = 0;
  for (; i + 8 <= len; i += 8) {
    __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + i));
    __m256i lo = _mm256_add_epi16(s, MulDiv255(_mm256_unpacklo_epi8(v, zero), inv));
    __m256i hi = _mm256_add_epi16(s, MulDiv255(_mm256_unpackhi_epi8(v, zero), inv));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), _mm256_packus_epi16(lo, hi));
  }
  return i;
}

WIDE int WideBlendCovers(uint32_t* d, int len, uint32_t src, const uint8_t* covers) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i s = _mm256_unpacklo_epi8(_mm256_set1_epi32(static_cast<int>(src)), zero);
  const __m256i solid = _mm256_set1_epi32(static_cast<int>(src));
  const bool opaque = (src >> 24) == 255;
  int i = 0;
  for (; i + 8 <= len; i += 8) {
    uint64_t eight;
    std::memcpy(&eight, covers + i, 8);
    if (eight == 0) continue;
    if (eight == ~uint64_t{0} && opaque) {
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), solid);
      continue;
    }
    __m256i klo, khi;
    WidenCovers(covers + i, klo, khi);
    __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + i));
    __m256i lo = Over(_mm256_unpacklo_epi8(v, zero), MulDiv255(s, klo));
    __m256i hi = Over(_mm256_unpackhi_epi8(v, zero), MulDiv255(s, khi));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), _mm256_packus_epi16(lo, hi));
  }
  return i;
}

WIDE int WideBlendColors(uint32_t* d, int len, const agg::rgba8* colors, const uint8_t* covers,
                         unsigned cover) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i kconst = _mm256_set1_epi16(static_cast<short>(cover));
  const __m256i alpha = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
  // R,G,B,A bytes to B,G,R,A.
  const __m256i swap = _mm256_setr_epi8(2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15, 2, 1,
                                        0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15);
  int i = 0;
  for (; i + 8 <= len; i += 8) {
    __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(colors + i));
    // Clear colours blend to the pixel that was there; opaque ones under full cover replace it.
    if (_mm256_testz_si256(c, c)) continue;
    bool whole = !covers && cover == 255;
    if (covers) {
      uint64_t eight;
      std::memcpy(&eight, covers + i, 8);
      if (eight == 0) continue;
      whole = eight == ~uint64_t{0};
    }
    if (whole &&
        _mm256_movemask_epi8(_mm256_cmpeq_epi32(_mm256_and_si256(c, alpha), alpha)) == -1) {
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), _mm256_shuffle_epi8(c, swap));
      continue;
    }
    __m256i klo = kconst, khi = kconst;
    if (covers) WidenCovers(covers + i, klo, khi);
    // R,G,B,A bytes become B,G,R,A 16-bit lanes.
    __m256i slo = _mm256_unpacklo_epi8(c, zero), shi = _mm256_unpackhi_epi8(c, zero);
    slo = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(slo, _MM_SHUFFLE(3, 0, 1, 2)),
                                 _MM_SHUFFLE(3, 0, 1, 2));
    shi = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(shi, _MM_SHUFFLE(3, 0, 1, 2)),
                                 _MM_SHUFFLE(3, 0, 1, 2));
    __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + i));
    __m256i lo = Over(_mm256_unpacklo_epi8(v, zero), MulDiv255(slo, klo));
    __m256i hi = Over(_mm256_unpackhi_epi8(v, zero), MulDiv255(shi, khi));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), _mm256_packus_epi16(lo, hi));
  }
  return i;
}

// No fused multiply-add here (the target does not enable it), so every product and sum rounds
// as in the two-pixel loop.
WIDE int WideRadialPositions(double* pos, int len, double& gx, double& gy, double step_x,
                             double step_y) {
  const __m256d scale = _mm256_set1_pd(1.0 / 16384.0), one = _mm256_set1_pd(1.0);
  double x = gx, y = gy;
  int i = 0;
  for (; i + 4 <= len; i += 4) {
    double x1 = x + step_x, y1 = y + step_y;
    double x2 = x1 + step_x, y2 = y1 + step_y;
    double x3 = x2 + step_x, y3 = y2 + step_y;
    __m256d vx = _mm256_set_pd(x3, x2, x1, x), vy = _mm256_set_pd(y3, y2, y1, y);
    __m256d r = _mm256_mul_pd(
        _mm256_sqrt_pd(_mm256_add_pd(_mm256_mul_pd(vx, vx), _mm256_mul_pd(vy, vy))), scale);
    _mm256_storeu_pd(pos + i, _mm256_min_pd(r, one));
    x = x3 + step_x;
    y = y3 + step_y;
  }
  gx = x;
  gy = y;
  return i;
}

// Folds four positions by the spread mode as the one-pixel fold does; `inexact` is set where a
// reflected position lies beyond 2^52 (or is not a number), which the one-pixel fold takes
// another way.
WIDE inline __m256d FoldWide(__m256d t, int spread, bool& inexact) {
  const __m256d one = _mm256_set1_pd(1.0), two = _mm256_set1_pd(2.0);
  if (spread == 1) {
    const __m256d a = _mm256_andnot_pd(_mm256_set1_pd(-0.0), t);
    if (_mm256_movemask_pd(_mm256_cmp_pd(a, _mm256_set1_pd(4503599627370496.0), _CMP_LT_OQ)) != 0xF)
      inexact = true;
    const __m256d p = _mm256_sub_pd(
        a, _mm256_mul_pd(two, _mm256_floor_pd(_mm256_mul_pd(a, _mm256_set1_pd(0.5)))));
    return _mm256_blendv_pd(p, _mm256_sub_pd(two, p), _mm256_cmp_pd(p, one, _CMP_GT_OQ));
  }
  if (spread == 2) return _mm256_sub_pd(t, _mm256_floor_pd(t));
  return t;
}

WIDE int WideFocalPositions(double* pos, int len, double& gx, double& gy, double step_x,
                            double step_y, double focal, int spread) {
  const __m256d scale = _mm256_set1_pd(16384.0), f = _mm256_set1_pd(focal),
                f2 = _mm256_set1_pd(focal * focal - 1), tiny = _mm256_set1_pd(1e-18),
                zero = _mm256_setzero_pd(), one = _mm256_set1_pd(1.0),
                negate = _mm256_set1_pd(-0.0);
  double x = gx, y = gy;
  int i = 0;
  for (; i + 4 <= len; i += 4) {
    alignas(32) double xs[4], ys[4];
    double nx = x, ny = y;
    for (int k = 0; k < 4; ++k) {
      xs[k] = nx;
      ys[k] = ny;
      nx += step_x;
      ny += step_y;
    }
    const __m256d px = _mm256_div_pd(_mm256_load_pd(xs), scale);
    const __m256d py = _mm256_div_pd(_mm256_load_pd(ys), scale);
    const __m256d dx = _mm256_sub_pd(px, f);
    const __m256d dd = _mm256_add_pd(_mm256_mul_pd(dx, dx), _mm256_mul_pd(py, py));
    const __m256d fd = _mm256_mul_pd(f, dx);
    const __m256d root =
        _mm256_sqrt_pd(_mm256_sub_pd(_mm256_mul_pd(fd, fd), _mm256_mul_pd(dd, f2)));
    const __m256d s = _mm256_div_pd(_mm256_add_pd(_mm256_xor_pd(fd, negate), root), dd);
    __m256d t = _mm256_blendv_pd(one, _mm256_div_pd(one, s), _mm256_cmp_pd(s, zero, _CMP_GT_OQ));
    t = _mm256_blendv_pd(t, zero, _mm256_cmp_pd(dd, tiny, _CMP_LT_OQ));
    bool inexact = false;
    t = FoldWide(t, spread, inexact);
    if (inexact) break;
    _mm256_storeu_pd(pos + i, t);
    x = nx;
    y = ny;
  }
  gx = x;
  gy = y;
  return i;
}

WIDE int WideLinearColors(agg::rgba8* span, int len, double& gx, double step, int spread,
                          const float* base, const float* slope) {
  const __m256d offset = _mm256_set1_pd(16384.0), scale = _mm256_set1_pd(1.0 / 32768.0),
                n256 = _mm256_set1_pd(256.0), half = _mm256_set1_pd(0.5),
                zero = _mm256_setzero_pd(), n255 = _mm256_set1_pd(255.0);
  const __m128i last = _mm_set1_epi32(254);
  const __m256 tiny = _mm256_set1_ps(1.0f / 512);
  // Which pixel's fraction each half of a register of two pixels takes.
  const __m256i pick[4] = {
      _mm256_setr_epi32(0, 0, 0, 0, 1, 1, 1, 1), _mm256_setr_epi32(2, 2, 2, 2, 3, 3, 3, 3),
      _mm256_setr_epi32(4, 4, 4, 4, 5, 5, 5, 5), _mm256_setr_epi32(6, 6, 6, 6, 7, 7, 7, 7)};
  const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
  double x = gx;
  int i = 0;
  for (; i + 8 <= len; i += 8) {
    alignas(32) double xs[8];
    double next = x;
    for (int k = 0; k < 8; ++k) {
      xs[k] = next;
      next += step;
    }
    alignas(32) int32_t index[8];
    __m128 fractions[2];
    bool inexact = false;
    for (int h = 0; h < 2; ++h) {
      const __m256d t = FoldWide(
          _mm256_mul_pd(_mm256_add_pd(_mm256_load_pd(xs + 4 * h), offset), scale), spread, inexact);
      const __m256d p =
          _mm256_min_pd(_mm256_max_pd(_mm256_sub_pd(_mm256_mul_pd(t, n256), half), zero), n255);
      const __m128i whole = _mm_min_epi32(_mm256_cvttpd_epi32(p), last);
      _mm_store_si128(reinterpret_cast<__m128i*>(index + 4 * h), whole);
      fractions[h] = _mm256_cvtpd_ps(_mm256_sub_pd(p, _mm256_cvtepi32_pd(whole)));
    }
    if (inexact) break;
    x = next;
    const __m256 f = _mm256_set_m128(fractions[1], fractions[0]);
    __m256i channels[4];
    for (int k = 0; k < 4; ++k) {
      const float* a0 = base + 4 * index[2 * k];
      const float* a1 = base + 4 * index[2 * k + 1];
      const float* d0 = slope + 4 * index[2 * k];
      const float* d1 = slope + 4 * index[2 * k + 1];
      const __m256 a = _mm256_set_m128(_mm_loadu_ps(a1), _mm_loadu_ps(a0));
      const __m256 d = _mm256_set_m128(_mm_loadu_ps(d1), _mm_loadu_ps(d0));
      const __m256 fk = _mm256_permutevar8x32_ps(f, pick[k]);
      channels[k] =
          _mm256_cvttps_epi32(_mm256_add_ps(_mm256_add_ps(a, _mm256_mul_ps(d, fk)), tiny));
    }
    // Two pixels' straight channels a register; then premultiplied, (c * a + 127) / 255 with
    // the division as a multiply and shift (exact for these values; an opaque pixel keeps its
    // channels).
    __m256i p02 = _mm256_packus_epi32(channels[0], channels[1]);  // 0 2 | 1 3
    __m256i p46 = _mm256_packus_epi32(channels[2], channels[3]);  // 4 6 | 5 7
    for (__m256i* v : {&p02, &p46}) {
      const __m256i alpha = SpreadAlpha(*v);
      const __m256i t = _mm256_add_epi16(_mm256_mullo_epi16(*v, alpha), _mm256_set1_epi16(127));
      const __m256i q = _mm256_srli_epi16(_mm256_mulhi_epu16(t, _mm256_set1_epi16(-32639)), 7);
      *v = _mm256_blend_epi16(q, *v, 0x88);
    }
    const __m256i bytes = _mm256_packus_epi16(p02, p46);  // 0 2 4 6 | 1 3 5 7
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(span + i),
                        _mm256_permutevar8x32_epi32(bytes, order));
  }
  gx = x;
  return i;
}

// The separable modes (blend.h's numbers): where both layers are present the mode's own mix
// f(s, d) scaled by 255, where one is, that one:
//   channel = clamp((f + s (255 - da) + d (255 - sa) + 127) / 255, 0, alpha),
//   alpha = sa + da - sa da / 255 (rounded),
// in 32-bit lanes, one channel of eight pixels a register. The numerator stays within 2^24, so
// dividing in single precision and cutting towards zero gives the integer quotient exactly.
template <int Mode>
WIDE int WideSeparableRow(uint32_t* dst, const uint32_t* src, int count) {
  const __m256i byte = _mm256_set1_epi32(0xFF), n255 = _mm256_set1_epi32(255),
                n128 = _mm256_set1_epi32(128), n127 = _mm256_set1_epi32(127),
                zero = _mm256_setzero_si256();
  const __m256 d255 = _mm256_set1_ps(255.0f);
  int i = 0;
  for (; i + 8 <= count; i += 8) {
    const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
    if (_mm256_testz_si256(s, s)) continue;  // a clear source changes nothing
    __m256i* dp = reinterpret_cast<__m256i*>(dst + i);
    const __m256i d = _mm256_loadu_si256(dp);
    const __m256i sa = _mm256_srli_epi32(s, 24), da = _mm256_srli_epi32(d, 24);
    __m256i t = _mm256_add_epi32(_mm256_mullo_epi32(sa, da), n128);
    t = _mm256_srli_epi32(_mm256_add_epi32(t, _mm256_srli_epi32(t, 8)), 8);
    const __m256i a = _mm256_sub_epi32(_mm256_add_epi32(sa, da), t);
    const __m256i not_sa = _mm256_sub_epi32(n255, sa), not_da = _mm256_sub_epi32(n255, da);
    __m256i out = _mm256_slli_epi32(a, 24);
    for (int c = 0; c < 3; ++c) {
      const __m256i sc = _mm256_and_si256(_mm256_srli_epi32(s, 8 * c), byte);
      const __m256i dc = _mm256_and_si256(_mm256_srli_epi32(d, 8 * c), byte);
      const __m256i s_da = _mm256_mullo_epi32(sc, da), d_sa = _mm256_mullo_epi32(dc, sa);
      __m256i f;
      if constexpr (Mode == 3) {
        f = _mm256_mullo_epi32(sc, dc);
      } else if constexpr (Mode == 4) {
        f = _mm256_sub_epi32(_mm256_add_epi32(s_da, d_sa), _mm256_mullo_epi32(sc, dc));
      } else if constexpr (Mode == 5) {
        f = _mm256_max_epi32(s_da, d_sa);
      } else if constexpr (Mode == 6) {
        f = _mm256_min_epi32(s_da, d_sa);
      } else if constexpr (Mode == 7) {
        f = _mm256_abs_epi32(_mm256_sub_epi32(s_da, d_sa));
      } else {
        // Overlay looks at the destination, hard light at the source: at or below half, twice
        // the product; above, the screen-like form.
        const __m256i low = _mm256_slli_epi32(_mm256_mullo_epi32(sc, dc), 1);
        const __m256i high = _mm256_sub_epi32(
            _mm256_mullo_epi32(sa, da),
            _mm256_slli_epi32(
                _mm256_mullo_epi32(_mm256_sub_epi32(da, dc), _mm256_sub_epi32(sa, sc)), 1));
        const __m256i above = Mode == 13 ? _mm256_cmpgt_epi32(_mm256_slli_epi32(dc, 1), da)
                                         : _mm256_cmpgt_epi32(_mm256_slli_epi32(sc, 1), sa);
        f = _mm256_blendv_epi8(low, high, above);
      }
      const __m256i sum = _mm256_add_epi32(_mm256_add_epi32(f, _mm256_mullo_epi32(sc, not_da)),
                                           _mm256_add_epi32(_mm256_mullo_epi32(dc, not_sa), n127));
      __m256i v = _mm256_cvttps_epi32(_mm256_div_ps(_mm256_cvtepi32_ps(sum), d255));
      v = _mm256_min_epi32(_mm256_max_epi32(v, zero), a);
      out = _mm256_or_si256(out, _mm256_slli_epi32(v, 8 * c));
    }
    // Clear source pixels keep what lies below.
    out = _mm256_blendv_epi8(out, d, _mm256_cmpeq_epi32(s, zero));
    _mm256_storeu_si256(dp, out);
  }
  return i;
}

WIDE int WideBlendLayerRow(uint32_t* dst, const uint32_t* src, int count, int mode) {
  switch (mode) {
    case 3: return WideSeparableRow<3>(dst, src, count);
    case 4: return WideSeparableRow<4>(dst, src, count);
    case 5: return WideSeparableRow<5>(dst, src, count);
    case 6: return WideSeparableRow<6>(dst, src, count);
    case 7: return WideSeparableRow<7>(dst, src, count);
    case 13: return WideSeparableRow<13>(dst, src, count);
    case 14: return WideSeparableRow<14>(dst, src, count);
    default: break;
  }
  // Mode numbers as blend.h has them: 0..2 normal and layer, 11 alpha, 12 erase.
  const bool normal = mode <= 2, alpha = mode == 11, erase = mode == 12;
  if (!normal && !alpha && !erase) return 0;
  const __m256i zero = _mm256_setzero_si256(), full = _mm256_set1_epi16(255);
  int i = 0;
  for (; i + 8 <= count; i += 8) {
    const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
    // A clear source changes nothing in these modes but alpha.
    if (!alpha && _mm256_testz_si256(s, s)) continue;
    __m256i* dp = reinterpret_cast<__m256i*>(dst + i);
    const __m256i d = _mm256_loadu_si256(dp);
    const __m256i slo = _mm256_unpacklo_epi8(s, zero), shi = _mm256_unpackhi_epi8(s, zero);
    const __m256i dlo = _mm256_unpacklo_epi8(d, zero), dhi = _mm256_unpackhi_epi8(d, zero);
    __m256i lo, hi;
    if (normal) {
      lo = Over(dlo, slo);
      hi = Over(dhi, shi);
    } else if (alpha) {
      lo = MulDiv255(dlo, SpreadAlpha(slo));
      hi = MulDiv255(dhi, SpreadAlpha(shi));
    } else {
      lo = MulDiv255(dlo, _mm256_sub_epi16(full, SpreadAlpha(slo)));
      hi = MulDiv255(dhi, _mm256_sub_epi16(full, SpreadAlpha(shi)));
    }
    _mm256_storeu_si256(dp, _mm256_packus_epi16(lo, hi));
  }
  return i;
}

WIDE int WideCompositeRow(uint32_t* dst, const uint32_t* src, const uint8_t* mask, int count) {
  const __m256i zero = _mm256_setzero_si256(), full = _mm256_set1_epi16(255);
  int i = 0;
  for (; i + 8 <= count; i += 8) {
    uint64_t eight = ~uint64_t{0};
    if (mask) {
      std::memcpy(&eight, mask + i, 8);
      if (eight == 0) continue;
    }
    const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
    if (_mm256_testz_si256(s, s)) continue;
    __m256i* dp = reinterpret_cast<__m256i*>(dst + i);
    const __m256i d = _mm256_loadu_si256(dp);
    __m256i slo = _mm256_unpacklo_epi8(s, zero), shi = _mm256_unpackhi_epi8(s, zero);
    if (eight != ~uint64_t{0}) {
      __m256i klo, khi;
      WidenCovers(mask + i, klo, khi);
      slo = MulDiv255(slo, klo);
      shi = MulDiv255(shi, khi);
    }
    const __m256i t = _mm256_packus_epi16(slo, shi);
    const __m256i below = _mm256_packus_epi16(
        MulDiv255(_mm256_unpacklo_epi8(d, zero), _mm256_sub_epi16(full, SpreadAlpha(slo))),
        MulDiv255(_mm256_unpackhi_epi8(d, zero), _mm256_sub_epi16(full, SpreadAlpha(shi))));
    __m256i out = _mm256_adds_epu8(t, below);
    if (eight != ~uint64_t{0}) {
      // Partly masked pixels keep the low byte of each sum; clear mask pixels keep the pixel.
      const __m256i m = _mm256_cvtepu8_epi32(_mm_cvtsi64_si128(static_cast<long long>(eight)));
      const __m256i whole = _mm256_cmpeq_epi32(m, _mm256_set1_epi32(255));
      out = _mm256_blendv_epi8(_mm256_add_epi8(t, below), out, whole);
      out = _mm256_blendv_epi8(out, d, _mm256_cmpeq_epi32(m, _mm256_setzero_si256()));
    }
    _mm256_storeu_si256(dp, out);
  }
  return i;
}

WIDE int WideAlphaRow(uint8_t* out, const uint32_t* pixels, int count) {
  int i = 0;
  for (; i + 8 <= count; i += 8) {
    const __m256i a =
        _mm256_srli_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(pixels + i)), 24);
    const __m128i words =
        _mm_packus_epi32(_mm256_castsi256_si128(a), _mm256_extracti128_si256(a, 1));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(words, words));
  }
  return i;
}

WIDE int WideBoxDownRow(uint8_t* out, const uint8_t* const add[2], const uint8_t* const sub[2],
                        int rows, uint16_t* sums, int len, uint16_t inv, uint16_t half) {
  const __m256i vinv = _mm256_set1_epi16(static_cast<short>(inv)),
                vhalf = _mm256_set1_epi16(static_cast<short>(half));
  int i = 0;
  for (; i + 32 <= len; i += 32) {
    __m256i* sp = reinterpret_cast<__m256i*>(sums + i);
    __m256i s0 = _mm256_loadu_si256(sp), s1 = _mm256_loadu_si256(sp + 1);
    const __m256i avg0 = _mm256_mulhi_epu16(_mm256_add_epi16(s0, vhalf), vinv);
    const __m256i avg1 = _mm256_mulhi_epu16(_mm256_add_epi16(s1, vhalf), vinv);
    // packus works within 128-bit halves: put the four quarters back in order.
    const __m256i packed =
        _mm256_permute4x64_epi64(_mm256_packus_epi16(avg0, avg1), _MM_SHUFFLE(3, 1, 2, 0));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), packed);
    for (int k = 0; k < rows; ++k) {
      const __m128i* a = reinterpret_cast<const __m128i*>(add[k] + i);
      const __m128i* b = reinterpret_cast<const __m128i*>(sub[k] + i);
      s0 = _mm256_add_epi16(s0, _mm256_sub_epi16(_mm256_cvtepu8_epi16(_mm_loadu_si128(a)),
                                                 _mm256_cvtepu8_epi16(_mm_loadu_si128(b))));
      s1 = _mm256_add_epi16(s1, _mm256_sub_epi16(_mm256_cvtepu8_epi16(_mm_loadu_si128(a + 1)),
                                                 _mm256_cvtepu8_epi16(_mm_loadu_si128(b + 1))));
    }
    _mm256_storeu_si256(sp, s0);
    _mm256_storeu_si256(sp + 1, s1);
  }
  return i;
}

WIDE void WideBoxAcrossRows(uint32_t* const rows[4], int w, int lo, int n, bool pairs,
                            uint16_t* line, uint16_t inv, uint16_t half) {
  const __m256i vinv = _mm256_set1_epi16(static_cast<short>(inv)),
                vhalf = _mm256_set1_epi16(static_cast<short>(half));
  const __m256i zero = _mm256_setzero_si256();
  __m256i* l = reinterpret_cast<__m256i*>(line);
  const int len = w + n + 1;
  for (int k = 0; k < lo; ++k) _mm256_storeu_si256(l + k, zero);
  for (int k = lo + w; k < len; ++k) _mm256_storeu_si256(l + k, zero);
  uint32_t* const a = rows[0];
  uint32_t* const b = rows[1];
  uint32_t* const c = rows[2];
  uint32_t* const d = rows[3];
  for (int x = 0; x < w; ++x) {
    const __m128i four = _mm_set_epi32(static_cast<int>(d[x]), static_cast<int>(c[x]),
                                       static_cast<int>(b[x]), static_cast<int>(a[x]));
    _mm256_storeu_si256(l + x + lo, _mm256_cvtepu8_epi16(four));
  }
  if (pairs)
    for (int k = 0; k + 1 < len; ++k)
      _mm256_storeu_si256(
          l + k, _mm256_add_epi16(_mm256_loadu_si256(l + k), _mm256_loadu_si256(l + k + 1)));
  __m256i sum = zero;
  for (int k = 0; k < n; ++k) sum = _mm256_add_epi16(sum, _mm256_loadu_si256(l + k));
  for (int x = 0; x < w; ++x) {
    const __m256i avg = _mm256_mulhi_epu16(_mm256_add_epi16(sum, vhalf), vinv);
    const __m256i packed = _mm256_packus_epi16(avg, zero);  // a b 0 0 | c d 0 0
    a[x] = static_cast<uint32_t>(_mm256_extract_epi32(packed, 0));
    b[x] = static_cast<uint32_t>(_mm256_extract_epi32(packed, 1));
    c[x] = static_cast<uint32_t>(_mm256_extract_epi32(packed, 4));
    d[x] = static_cast<uint32_t>(_mm256_extract_epi32(packed, 5));
    if (x + 1 < w)
      sum = _mm256_add_epi16(
          sum, _mm256_sub_epi16(_mm256_loadu_si256(l + x + n), _mm256_loadu_si256(l + x)));
  }
}

#else  // no wide vectors on this platform

const bool kWideBlendAvailable = false;
int WideBlendRun(uint32_t*, int, uint32_t) { return 0; }
int WideBlendCovers(uint32_t*, int, uint32_t, const uint8_t*) { return 0; }
int WideBlendColors(uint32_t*, int, const agg::rgba8*, const uint8_t*, unsigned) { return 0; }
int WideRadialPositions(double*, int, double&, double&, double, double) { return 0; }
int WideLinearColors(agg::rgba8*, int, double&, double, int, const float*, const float*) {
  return 0;
}
int WideFocalPositions(double*, int, double&, double&, double, double, double, int) { return 0; }
int WideBlendLayerRow(uint32_t*, const uint32_t*, int, int) { return 0; }
int WideCompositeRow(uint32_t*, const uint32_t*, const uint8_t*, int) { return 0; }
int WideAlphaRow(uint8_t*, const uint32_t*, int) { return 0; }
int WideBoxDownRow(uint8_t*, const uint8_t* const*, const uint8_t* const*, int, uint16_t*, int,
                   uint16_t, uint16_t) {
  return 0;
}
void WideBoxAcrossRows(uint32_t* const*, int, int, int, bool, uint16_t*, uint16_t, uint16_t) {}

#endif

}  // namespace flash
