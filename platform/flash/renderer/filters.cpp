// Filters on premultiplied pictures. Shadows, glows and bevels work on the picture's opacity:
// it is blurred, moved by the filter's distance along its angle, strengthened, coloured, and
// then put behind, over or in place of the picture as the filter's flags say.
#include "platform/flash/renderer/filters.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <type_traits>

#include "platform/flash/renderer/displacement.h"
#include "platform/flash/renderer/internal/blend_wide.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#endif

namespace flash {
namespace {

inline int Channel(uint32_t p, int i) { return static_cast<int>((p >> (8 * i)) & 0xFF); }

inline int Mul(int x, int y) {
  int t = x * y + 128;
  return (t + (t >> 8)) >> 8;
}

inline uint32_t Pack(int b, int g, int r, int a) {
  return static_cast<uint32_t>(b) | static_cast<uint32_t>(g) << 8 | static_cast<uint32_t>(r) << 16 |
         static_cast<uint32_t>(a) << 24;
}

// Premultiplied pixel of a colour at opacity `k` (0..255) times its own alpha.
inline uint32_t Tint(Rgba c, int k) {
  const int a = Mul(c.a, k);
  return Pack(Mul(c.b, a), Mul(c.g, a), Mul(c.r, a), a);
}

inline uint32_t ScalePixel(uint32_t p, int k) {
  return Pack(Mul(Channel(p, 0), k), Mul(Channel(p, 1), k), Mul(Channel(p, 2), k),
              Mul(Channel(p, 3), k));
}

// Source-over of premultiplied pixels.
inline uint32_t Over(uint32_t dst, uint32_t src) {
  const int inv = 255 - Channel(src, 3);
  if (inv == 0) return src;
  return Pack(std::min(255, Channel(src, 0) + Mul(Channel(dst, 0), inv)),
              std::min(255, Channel(src, 1) + Mul(Channel(dst, 1), inv)),
              std::min(255, Channel(src, 2) + Mul(Channel(dst, 2), inv)),
              std::min(255, Channel(src, 3) + Mul(Channel(dst, 3), inv)));
}

// `src` on `dst` where `dst` is: the result keeps `dst`'s opacity.
inline uint32_t Atop(uint32_t dst, uint32_t src) {
  const int da = Channel(dst, 3), inv = 255 - Channel(src, 3);
  return Pack(std::min(255, Mul(Channel(src, 0), da) + Mul(Channel(dst, 0), inv)),
              std::min(255, Mul(Channel(src, 1), da) + Mul(Channel(dst, 1), inv)),
              std::min(255, Mul(Channel(src, 2), da) + Mul(Channel(dst, 2), inv)),
              std::min(255, Mul(Channel(src, 3), da) + Mul(Channel(dst, 3), inv)));
}

double Scaled(double blur, double scale) {
  double v = blur * scale;
  if (!std::isfinite(v) || v < 0) return 0;
  return std::min(v, kMaxFilterBlur);
}

int Passes(const Filter& f) { return std::clamp(f.passes, 0, kMaxFilterPasses); }

// Working planes and rows each thread keeps between calls: a filter run on every frame then
// allocates nothing and touches no fresh pages.
struct Scratch {
  std::vector<uint8_t> plane;         // the blurred opacity
  std::vector<uint8_t> ring;          // rows the pass down still has to take out of its sums
  std::vector<uint16_t> sums;         // the pass down's sums, one a byte of a row
  std::vector<uint16_t> running;      // running sums along one row
  std::vector<uint16_t> wide;         // the pass across pixels' entries
  std::vector<uint32_t> spare;        // a copy of a last odd row
  std::vector<uint32_t> kept;         // pixels whose channels a blur leaves alone
  std::vector<uint32_t> effect;       // one row of the effect
  std::vector<uint8_t> near, far;     // one row of opacity samples each way along the offset
  std::vector<uint32_t> colours;      // the effect's colour for each sample or difference
};

Scratch& ThreadScratch() {
  thread_local Scratch s;
  return s;
}

// Room for `n` values in `v`, which keeps its size (and contents) when that is enough.
template <typename T>
T* Room(std::vector<T>& v, size_t n) {
  if (v.size() < n) v.resize(n);
  return v.data();
}

// Gives back what a very large picture made the thread keep.
void TrimScratch(Scratch& s) {
  constexpr size_t kMaxKeptBytes = size_t{16} << 20;
  auto trim = [](auto& v) {
    if (v.capacity() * sizeof(v[0]) > kMaxKeptBytes) std::vector<std::decay_t<decltype(v[0])>>().swap(v);
  };
  trim(s.plane);
  trim(s.ring);
  trim(s.sums);
  trim(s.running);
  trim(s.wide);
  trim(s.spare);
  trim(s.kept);
  trim(s.effect);
  trim(s.near);
  trim(s.far);
}

// The filter's offset in whole pixels (shadows and bevels move their effect along the angle).
void Offset(const Filter& f, double scale, int& dx, int& dy) {
  dx = dy = 0;
  double d = f.distance * scale;
  if (!std::isfinite(d) || !std::isfinite(f.angle)) return;
  d = std::clamp(d, -4096.0, 4096.0);
  dx = static_cast<int>(std::lround(d * std::cos(f.angle)));
  dy = static_cast<int>(std::lround(d * std::sin(f.angle)));
}

// Box passes. A blur of b pixels averages a box b pixels wide centred on each pixel's centre:
// the pixels wholly inside count fully, the two the box cuts at its ends by the part inside.
// An odd whole width takes whole pixels; an even one takes half of each end pixel, which is
// summed as neighbouring pairs: the pairs v[i] + v[i + 1] of a window count its inner pixels
// twice and its two end pixels once. Other widths are taken as the nearest of these. Values
// beyond the picture count as `edge`; the sums are kept in 16-bit lanes and divided by
// multiplying with the reciprocal, the quotient rounded down.
struct BoxWindow {
  int n = 0;           // entries summed for one pixel (0: the pass changes nothing)
  int lo = 0;          // of which before the pixel's own; also how far the pass reaches
  bool pairs = false;  // entries are neighbouring pairs
  uint16_t inv = 0;    // 65536 / divisor, rounded up
};

// Division of a window's sum (at most 16 bits) by `n`: times 65536 / n rounded up, high half.
// Off by at most one level.
inline uint16_t Reciprocal16(int n) { return static_cast<uint16_t>((65536 + n - 1) / n); }

// The largest window of pairs whose sums stay within 16 bits.
constexpr int kMaxPairs = 128;

BoxWindow WindowOf(double blur) {
  BoxWindow w;
  if (!(blur > 0)) return w;
  const double half_width = std::min(blur, kMaxFilterBlur) / 2;
  const int whole = static_cast<int>(std::floor(half_width - 0.5));  // whole pixels each side
  const double part = half_width - 0.5 - whole;  // of the end pixels
  if (whole < 0) return w;
  if (part >= 0.25 && part < 0.75 && 2 * whole + 2 <= kMaxPairs) {
    w.pairs = true;
    w.n = 2 * whole + 2;
    w.lo = whole + 1;
    w.inv = Reciprocal16(2 * w.n);
    return w;
  }
  const int r = part >= 0.75 ? whole + 1 : whole;
  if (r == 0) return w;
  w.n = 2 * r + 1;
  w.lo = r;
  w.inv = Reciprocal16(w.n);
  return w;
}

// The entries of a window: a line's values in place, or each the sum of it and the next one.
template <typename T>
void PairUp(T* line, size_t len) {
  for (size_t k = 0; k + 1 < len; ++k) line[k] = static_cast<T>(line[k] + line[k + 1]);
}

// One pass across the rows of a one-byte-a-pixel plane. The entries of a row (its pixels from
// `lo` before the first, `edge` beyond the row) are summed up from the row's start in 16-bit
// values that wrap around; a window's sum fits in 16 bits, so it is the difference of the
// running sums at its ends (with pairs, the sum of two such differences).
void BoxAcrossPlane(uint8_t* plane, int w, int h, const BoxWindow& win, int edge,
                    std::vector<uint16_t>& running) {
  const int n = win.n, lo = win.lo;
  // run[k]: the sum of entries 0 .. k - 1; entry k stands for pixel k - lo.
  uint16_t* run = Room(running, static_cast<size_t>(w) + n + 1);
  const auto e = static_cast<uint16_t>(edge);
  for (int y = 0; y < h; ++y) {
    uint8_t* row = plane + static_cast<size_t>(y) * w;
    uint16_t acc = 0;
    run[0] = 0;
    for (int k = 0; k < lo; ++k) run[k + 1] = acc = static_cast<uint16_t>(acc + e);
    int i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    __m128i carry = _mm_set1_epi16(static_cast<short>(acc));
    for (; i + 8 <= w; i += 8) {
      __m128i v = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + i)), zero);
      v = _mm_add_epi16(v, _mm_slli_si128(v, 2));
      v = _mm_add_epi16(v, _mm_slli_si128(v, 4));
      v = _mm_add_epi16(v, _mm_slli_si128(v, 8));
      v = _mm_add_epi16(v, carry);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(run + lo + i + 1), v);
      const __m128i top = _mm_shufflehi_epi16(v, _MM_SHUFFLE(3, 3, 3, 3));
      carry = _mm_unpackhi_epi64(top, top);
    }
    if (i > 0) acc = run[lo + i];
#endif
    for (; i < w; ++i) run[lo + i + 1] = acc = static_cast<uint16_t>(acc + row[i]);
    for (int k = lo + w; k < w + n; ++k) run[k + 1] = acc = static_cast<uint16_t>(acc + e);
    int x = 0;
#if defined(__SSE2__)
    const __m128i inv = _mm_set1_epi16(static_cast<short>(win.inv));
    for (; x + 8 <= w; x += 8) {
      auto at = [&](int k) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(run + k)); };
      __m128i sum = _mm_sub_epi16(at(x + n), at(x));
      if (win.pairs) sum = _mm_add_epi16(sum, _mm_sub_epi16(at(x + n + 1), at(x + 1)));
      const __m128i avg = _mm_mulhi_epu16(sum, inv);
      _mm_storel_epi64(reinterpret_cast<__m128i*>(row + x), _mm_packus_epi16(avg, avg));
    }
#endif
    for (; x < w; ++x) {
      uint32_t sum = static_cast<uint16_t>(run[x + n] - run[x]);
      if (win.pairs) sum = static_cast<uint16_t>(sum + run[x + n + 1] - run[x + 1]);
      row[x] = static_cast<uint8_t>((sum * win.inv) >> 16);
    }
  }
}

#if defined(__SSE2__)
// One pass across the rows of a picture, two rows at a time: the four bytes of a pixel of each
// row side by side in one register, so one sliding sum serves both rows.
void BoxAcrossPixels(uint32_t* pixels, int w, int h, const BoxWindow& win,
                     std::vector<uint16_t>& line, std::vector<uint32_t>& spare) {
  const int n = win.n, lo = win.lo;
  const size_t len = static_cast<size_t>(w) + n + 1;
  const __m128i inv = _mm_set1_epi16(static_cast<short>(win.inv));
  const __m128i zero = _mm_setzero_si128();
  int y = 0;
  if (WideBlendAvailable()) {
    // Whole groups of four rows; the rows left over go two at a time below.
    line.assign(len * 16, 0);
    for (; y + 4 <= h; y += 4) {
      uint32_t* const rows[4] = {pixels + static_cast<size_t>(y) * w,
                                 pixels + static_cast<size_t>(y + 1) * w,
                                 pixels + static_cast<size_t>(y + 2) * w,
                                 pixels + static_cast<size_t>(y + 3) * w};
      WideBoxAcrossRows(rows, w, lo, n, win.pairs, line.data(), win.inv, 0);
    }
  }
  if (y >= h) return;
  // Eight values a pixel position: the four bytes of a pixel of each of the two rows.
  line.assign(len * 8, 0);
  auto at = [&](size_t k) { return reinterpret_cast<__m128i*>(line.data() + k * 8); };
  for (; y < h; y += 2) {
    uint32_t* a = pixels + static_cast<size_t>(y) * w;
    uint32_t* b;
    if (y + 1 < h) {
      b = a + w;
    } else {  // a last odd row pairs with a scratch copy of itself
      spare.assign(a, a + w);
      b = spare.data();
    }
    for (int x = 0; x < w; ++x) {
      const __m128i two = _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(a[x])),
                                             _mm_cvtsi32_si128(static_cast<int>(b[x])));
      _mm_storeu_si128(at(static_cast<size_t>(x + lo)), _mm_unpacklo_epi8(two, zero));
    }
    if (win.pairs)
      for (size_t k = 0; k + 1 < len; ++k)
        _mm_storeu_si128(at(k), _mm_add_epi16(_mm_loadu_si128(at(k)), _mm_loadu_si128(at(k + 1))));
    __m128i sum = zero;
    for (int k = 0; k < n; ++k) sum = _mm_add_epi16(sum, _mm_loadu_si128(at(static_cast<size_t>(k))));
    for (int x = 0; x < w; ++x) {
      const __m128i avg = _mm_mulhi_epu16(sum, inv);
      const __m128i packed = _mm_packus_epi16(avg, zero);
      a[x] = static_cast<uint32_t>(_mm_cvtsi128_si32(packed));
      b[x] = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(packed, 4)));
      if (x + 1 < w)
        sum = _mm_add_epi16(sum, _mm_sub_epi16(_mm_loadu_si128(at(static_cast<size_t>(x + n))),
                                               _mm_loadu_si128(at(static_cast<size_t>(x)))));
    }
    // Pairing gave the last position before the row the row's first value: zero it again.
    if (win.pairs && lo > 0) _mm_storeu_si128(at(static_cast<size_t>(lo - 1)), zero);
  }
}
#endif

// One pass down the columns of `h` rows of `row_bytes` bytes: every byte is a column of its
// own, so the rows are worked through whole and the inner loops run over contiguous bytes. Rows
// are written in place; the originals of the rows the window still has to take out of its sums
// wait in a small ring.
void BoxDown(uint8_t* data, int row_bytes, int h, const BoxWindow& win, int edge,
             std::vector<uint8_t>& ring, std::vector<uint16_t>& sums) {
  const int n = win.n, lo = win.lo;
  const uint16_t inv = win.inv;
  const size_t rb = static_cast<size_t>(row_bytes);
  const size_t slots = static_cast<size_t>(lo) + 1;  // the originals of rows y - lo .. y
  ring.resize(rb * (slots + 2));
  uint8_t* edge_row = ring.data() + rb * slots;
  uint8_t* zero_row = edge_row + rb;
  std::fill(edge_row, edge_row + rb, static_cast<uint8_t>(edge));
  std::fill(zero_row, zero_row + rb, 0);
  // Row i as it was before this pass, while row `done` is the last one written.
  auto original = [&](int i, int done) -> const uint8_t* {
    if (i < 0 || i >= h) return edge_row;
    return i <= done ? ring.data() + rb * (static_cast<size_t>(i) % slots) : data + rb * i;
  };
  sums.assign(rb, 0);
  for (int k = -lo; k < n - lo; ++k)
    for (int j = 0; j < (win.pairs ? 2 : 1); ++j) {
      const uint8_t* s = original(k + j, -1);
      for (size_t i = 0; i < rb; ++i) sums[i] = static_cast<uint16_t>(sums[i] + s[i]);
    }
#if defined(__SSE2__)
  const __m128i vinv = _mm_set1_epi16(static_cast<short>(inv));
  const __m128i zero = _mm_setzero_si128();
#endif
  for (int y = 0; y < h; ++y) {
    uint8_t* out = data + rb * y;
    std::copy(out, out + rb, ring.data() + rb * (static_cast<size_t>(y) % slots));
    // The entry coming in and the one going out, each one row or a pair of rows.
    const int in = y - lo + n, gone = y - lo;
    const uint8_t* const add[2] = {original(in, y), win.pairs ? original(in + 1, y) : zero_row};
    const uint8_t* const sub[2] = {original(gone, y),
                                   win.pairs ? original(gone + 1, y) : zero_row};
    const int rows = win.pairs ? 2 : 1;
    size_t i = 0;
    if (WideBlendAvailable())
      i = static_cast<size_t>(
          WideBoxDownRow(out, add, sub, rows, sums.data(), row_bytes, inv, 0));
#if defined(__SSE2__)
    for (; i + 16 <= rb; i += 16) {
      __m128i* sp = reinterpret_cast<__m128i*>(&sums[i]);
      __m128i s0 = _mm_loadu_si128(sp), s1 = _mm_loadu_si128(sp + 1);
      const __m128i avg0 = _mm_mulhi_epu16(s0, vinv);
      const __m128i avg1 = _mm_mulhi_epu16(s1, vinv);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(avg0, avg1));
      for (int k = 0; k < rows; ++k) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(add[k] + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sub[k] + i));
        s0 = _mm_add_epi16(s0,
                           _mm_sub_epi16(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero)));
        s1 = _mm_add_epi16(s1,
                           _mm_sub_epi16(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero)));
      }
      _mm_storeu_si128(sp, s0);
      _mm_storeu_si128(sp + 1, s1);
    }
#endif
    for (; i < rb; ++i) {
      out[i] = static_cast<uint8_t>((sums[i] * static_cast<uint32_t>(inv)) >> 16);
      sums[i] = static_cast<uint16_t>(sums[i] + add[0][i] + add[1][i] - sub[0][i] - sub[1][i]);
    }
  }
}

void BlurPlane(uint8_t* plane, int w, int h, double blur_x, double blur_y, int passes, int edge,
               Scratch& s) {
  const BoxWindow wx = WindowOf(blur_x), wy = WindowOf(blur_y);
  for (int p = 0; p < passes; ++p) {
    if (wx.n > 0) BoxAcrossPlane(plane, w, h, wx, edge, s.running);
    if (wy.n > 0) BoxDown(plane, w, h, wy, edge, s.ring, s.sums);
  }
}

// The picture's opacity, or its transparency for inner effects, blurred into `s.plane`.
const uint8_t* BlurredAlpha(const FilterImage& image, const Filter& f, double scale,
                            bool inverted, Scratch& s) {
  const size_t count = image.pixels.size();
  uint8_t* a = Room(s.plane, count);
  const uint32_t* px = image.pixels.data();
  const uint8_t flip = inverted ? 0xFF : 0;
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i vflip = _mm_set1_epi8(static_cast<char>(flip));
  for (; i + 16 <= count; i += 16) {
    auto alpha = [&](size_t k) {
      return _mm_srli_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(px + i + k)), 24);
    };
    const __m128i lo = _mm_packs_epi32(alpha(0), alpha(4)), hi = _mm_packs_epi32(alpha(8), alpha(12));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(a + i),
                     _mm_xor_si128(_mm_packus_epi16(lo, hi), vflip));
  }
#endif
  for (; i < count; ++i) a[i] = static_cast<uint8_t>((px[i] >> 24) ^ flip);
  BlurPlane(a, image.width, image.height, Scaled(f.blur_x, scale), Scaled(f.blur_y, scale),
            Passes(f), inverted ? 255 : 0, s);
  return a;
}

// Row y - dy of `plane` moved dx to the right: `w` values, `outside` where that falls beyond
// the plane. Points into the plane when the whole row lies in it unmoved, else into `room`.
const uint8_t* ShiftedRow(const uint8_t* plane, int w, int h, int y, int dx, int dy, int outside,
                          std::vector<uint8_t>& room) {
  const int sy = y - dy;
  const bool row_in = sy >= 0 && sy < h;
  const uint8_t* src = plane + static_cast<size_t>(row_in ? sy : 0) * w;
  if (row_in && dx == 0) return src;
  uint8_t* out = Room(room, static_cast<size_t>(w));
  // Pixels x with x - dx in [0, w) take the plane's.
  const int x0 = row_in ? std::clamp(dx, 0, w) : w, x1 = row_in ? std::clamp(w + dx, x0, w) : w;
  std::memset(out, outside, static_cast<size_t>(x0));
  if (x1 > x0) std::memcpy(out + x0, src + (x0 - dx), static_cast<size_t>(x1 - x0));
  std::memset(out + x1, outside, static_cast<size_t>(w - x1));
  return out;
}

inline int Strengthen(int v, double strength) {
  const double s = v * strength;
  if (!(s > 0)) return 0;  // NaN too
  return s >= 255 ? 255 : static_cast<int>(s + 0.5);
}

// How an effect is put together with the picture: cut to the object (inner effects), to what
// lies outside it, or whole; and then alone, over the picture, or under it.
enum class Cut { Whole, Inside, Outside };
enum class Put { Alone, Over, Under };

#if defined(__SSE2__)
// Two pixels widened to 16 bits a channel: x * k / 255, rounded as the one-pixel Mul.
inline __m128i MulDiv255(__m128i x, __m128i k) {
  const __m128i t = _mm_add_epi16(_mm_mullo_epi16(x, k), _mm_set1_epi16(128));
  return _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8);
}
inline __m128i SpreadAlpha(__m128i x) {
  return _mm_shufflehi_epi16(_mm_shufflelo_epi16(x, _MM_SHUFFLE(3, 3, 3, 3)),
                             _MM_SHUFFLE(3, 3, 3, 3));
}
// `top` over `bottom`, unsaturated (the pack that follows saturates as Over does).
inline __m128i OverWide(__m128i top, __m128i bottom) {
  return _mm_add_epi16(top,
                       MulDiv255(bottom, _mm_sub_epi16(_mm_set1_epi16(255), SpreadAlpha(top))));
}
template <Cut C, Put P>
inline __m128i ComposeWide(__m128i src, __m128i e) {
  if constexpr (C == Cut::Inside && P == Put::Over)
    return _mm_add_epi16(MulDiv255(e, SpreadAlpha(src)),
                         MulDiv255(src, _mm_sub_epi16(_mm_set1_epi16(255), SpreadAlpha(e))));
  if constexpr (C == Cut::Inside) e = MulDiv255(e, SpreadAlpha(src));
  if constexpr (C == Cut::Outside)
    e = MulDiv255(e, _mm_sub_epi16(_mm_set1_epi16(255), SpreadAlpha(src)));
  if constexpr (P == Put::Over) return OverWide(e, src);
  if constexpr (P == Put::Under) return OverWide(src, e);
  return e;
}
#endif

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define FLASH_FILTER_WIDE 1
#define FILTER_WIDE __attribute__((target("avx2")))
// The same on eight pixels, four in each 128-bit half (unpack and pack work within halves, so
// the pixels come back in their order).
FILTER_WIDE inline __m256i MulDiv255x8(__m256i x, __m256i k) {
  const __m256i t = _mm256_add_epi16(_mm256_mullo_epi16(x, k), _mm256_set1_epi16(128));
  return _mm256_srli_epi16(_mm256_add_epi16(t, _mm256_srli_epi16(t, 8)), 8);
}
FILTER_WIDE inline __m256i SpreadAlphax8(__m256i x) {
  return _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(x, _MM_SHUFFLE(3, 3, 3, 3)),
                                _MM_SHUFFLE(3, 3, 3, 3));
}
FILTER_WIDE inline __m256i OverWidex8(__m256i top, __m256i bottom) {
  return _mm256_add_epi16(
      top, MulDiv255x8(bottom, _mm256_sub_epi16(_mm256_set1_epi16(255), SpreadAlphax8(top))));
}
template <Cut C, Put P>
FILTER_WIDE inline __m256i ComposeWidex8(__m256i src, __m256i e) {
  if constexpr (C == Cut::Inside && P == Put::Over)
    return _mm256_add_epi16(
        MulDiv255x8(e, SpreadAlphax8(src)),
        MulDiv255x8(src, _mm256_sub_epi16(_mm256_set1_epi16(255), SpreadAlphax8(e))));
  if constexpr (C == Cut::Inside) e = MulDiv255x8(e, SpreadAlphax8(src));
  if constexpr (C == Cut::Outside)
    e = MulDiv255x8(e, _mm256_sub_epi16(_mm256_set1_epi16(255), SpreadAlphax8(src)));
  if constexpr (P == Put::Over) return OverWidex8(e, src);
  if constexpr (P == Put::Under) return OverWidex8(src, e);
  return e;
}
// Whole groups of eight pixels from the start of the row; returns how many it did.
template <Cut C, Put P>
FILTER_WIDE int ComposeRowx8(uint32_t* pixels, const uint32_t* effect, int n) {
  const __m256i zero = _mm256_setzero_si256();
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pixels + i));
    const __m256i e = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(effect + i));
    const __m256i lo =
        ComposeWidex8<C, P>(_mm256_unpacklo_epi8(s, zero), _mm256_unpacklo_epi8(e, zero));
    const __m256i hi =
        ComposeWidex8<C, P>(_mm256_unpackhi_epi8(s, zero), _mm256_unpackhi_epi8(e, zero));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(pixels + i), _mm256_packus_epi16(lo, hi));
  }
  return i;
}
#endif

template <Cut C, Put P>
void ComposeRow(uint32_t* pixels, const uint32_t* effect, int n) {
  int i = 0;
#if FLASH_FILTER_WIDE
  if (WideBlendAvailable()) i = ComposeRowx8<C, P>(pixels, effect, n);
#endif
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  for (; i + 4 <= n; i += 4) {
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + i));
    const __m128i e = _mm_loadu_si128(reinterpret_cast<const __m128i*>(effect + i));
    const __m128i lo = ComposeWide<C, P>(_mm_unpacklo_epi8(s, zero), _mm_unpacklo_epi8(e, zero));
    const __m128i hi = ComposeWide<C, P>(_mm_unpackhi_epi8(s, zero), _mm_unpackhi_epi8(e, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(pixels + i), _mm_packus_epi16(lo, hi));
  }
#endif
  for (; i < n; ++i) {
    const uint32_t src = pixels[i];
    uint32_t e = effect[i];
    if constexpr (C == Cut::Inside && P == Put::Over) {
      pixels[i] = Atop(src, e);
      continue;
    }
    if constexpr (C == Cut::Inside) e = ScalePixel(e, Channel(src, 3));
    if constexpr (C == Cut::Outside) e = ScalePixel(e, 255 - Channel(src, 3));
    if constexpr (P == Put::Over) e = Over(src, e);
    if constexpr (P == Put::Under) e = Over(e, src);
    pixels[i] = e;
  }
}

using ComposeFn = void (*)(uint32_t*, const uint32_t*, int);

template <Cut C>
ComposeFn ComposeFor(Put p) {
  switch (p) {
    case Put::Over: return ComposeRow<C, Put::Over>;
    case Put::Under: return ComposeRow<C, Put::Under>;
    default: return ComposeRow<C, Put::Alone>;
  }
}

// How an effect is put together with the picture, a row at a time.
struct Composition {
  ComposeFn row = nullptr;
  // Cut to the object: a clear pixel of the picture stays clear, so only the span of a row
  // from its first pixel that is not clear to its last needs the effect.
  bool inside = false;
  // The part [from, to) of a row of the picture the effect changes.
  void Span(const uint32_t* pixels, int w, int& from, int& to) const {
    from = 0;
    to = w;
    if (!inside) return;
    while (from < to && pixels[from] == 0) ++from;
    while (to > from && pixels[to - 1] == 0) --to;
  }
};

// How `effect` is put together with the picture. Inner effects are cut to the object; outer
// ones are cut to its outside when `cut_outer` is set (bevels) or the object is knocked out,
// and otherwise lie whole behind it (shadows and glows, which show whole when the object is
// hidden).
Composition ComposeOf(const Filter& f, bool inner, bool outer, bool cut_outer) {
  const Cut cut = inner && !outer                                  ? Cut::Inside
                  : outer && !inner && (cut_outer || f.knockout) ? Cut::Outside
                                                                   : Cut::Whole;
  Put put;
  if (f.knockout || !f.composite_source)
    put = Put::Alone;
  else if (inner && !outer)
    put = Put::Over;  // inner effects lie on the object
  else if (!inner && outer)
    put = Put::Under;  // outer effects lie behind it
  else
    put = f.on_top ? Put::Over : Put::Under;
  switch (cut) {
    case Cut::Inside: return {ComposeFor<Cut::Inside>(put), true};
    case Cut::Outside: return {ComposeFor<Cut::Outside>(put), false};
    default: return {ComposeFor<Cut::Whole>(put), false};
  }
}

// The 256 colours of a gradient filter's ramp, premultiplied.
void Ramp(const Filter& f, uint32_t* ramp) {
  std::fill(ramp, ramp + 256, 0u);
  const size_t n = std::min(f.gradient_colors.size(), f.gradient_ratios.size());
  if (n == 0) return;
  for (int i = 0; i < 256; ++i) {
    size_t k = 0;
    while (k < n && f.gradient_ratios[k] < i) ++k;
    Rgba c;
    if (k == 0) {
      c = f.gradient_colors[0];
    } else if (k == n) {
      c = f.gradient_colors[n - 1];
    } else {
      const int r0 = f.gradient_ratios[k - 1], r1 = f.gradient_ratios[k];
      const double t = r1 > r0 ? static_cast<double>(i - r0) / (r1 - r0) : 1.0;
      const Rgba a = f.gradient_colors[k - 1], b = f.gradient_colors[k];
      auto lerp = [t](uint8_t u, uint8_t v) {
        return static_cast<uint8_t>(std::lround(u + (v - u) * t));
      };
      c = {lerp(a.r, b.r), lerp(a.g, b.g), lerp(a.b, b.b), lerp(a.a, b.a)};
    }
    ramp[i] = Tint(c, 255);
  }
}

// Shadows and glows, plain (one colour at the strengthened opacity) or gradient (the opacity
// picks the colour from the ramp). The effect's colour depends on the blurred opacity alone, so
// it is looked up in a table made once for the filter.
void ShadowOrGlow(FilterImage& image, const Filter& f, double scale) {
  Scratch& s = ThreadScratch();
  int dx = 0, dy = 0;
  if (f.kind != Filter::Kind::Glow) Offset(f, scale, dx, dy);
  const int w = image.width, h = image.height;
  const uint8_t* a = BlurredAlpha(image, f, scale, f.inner, s);
  const bool gradient = f.kind == Filter::Kind::GradientGlow;
  uint32_t* colours = Room(s.colours, 512);
  if (gradient) Ramp(f, colours + 256);
  for (int v = 0; v < 256; ++v) {
    const int k = Strengthen(v, f.strength);
    colours[v] = gradient ? colours[256 + k] : Tint(f.color, k);
  }
  uint32_t* effect = Room(s.effect, static_cast<size_t>(w));
  const Composition compose = ComposeOf(f, f.inner, !f.inner || (gradient && f.on_top), false);
  for (int y = 0; y < h; ++y) {
    uint32_t* row = &image.At(0, y);
    int from, to;
    compose.Span(row, w, from, to);
    if (from >= to) continue;
    const uint8_t* v = ShiftedRow(a, w, h, y, dx, dy, f.inner ? 255 : 0, s.near);
    for (int x = from; x < to; ++x) effect[x] = colours[v[x]];
    compose.row(row + from, effect + from, to - from);
  }
}

// Bevels: the blurred opacity seen from both sides of the light. Where the object's edge faces
// away from the angle its shadow shows, where it faces towards it its highlight. The colour
// depends on the difference of the two sides alone, looked up in a table of every difference.
void Bevel(FilterImage& image, const Filter& f, double scale) {
  Scratch& s = ThreadScratch();
  int dx = 0, dy = 0;
  Offset(f, scale, dx, dy);
  const int w = image.width, h = image.height;
  const uint8_t* a = BlurredAlpha(image, f, scale, false, s);
  const bool gradient = f.kind == Filter::Kind::GradientBevel;
  uint32_t ramp[256];
  if (gradient) Ramp(f, ramp);
  uint32_t* colours = Room(s.colours, 512) + 255;  // colours[diff], diff in -255 .. 255
  for (int diff = -255; diff <= 255; ++diff) {
    uint32_t e;
    if (gradient) {
      const double v = std::clamp(128 + diff * f.strength / 2, 0.0, 255.0);
      e = ramp[std::isnan(v) ? 128 : static_cast<size_t>(std::lround(v))];
    } else if (diff > 0) {
      e = Tint(f.color, Strengthen(diff, f.strength));
    } else {
      e = Tint(f.highlight, Strengthen(-diff, f.strength));
    }
    colours[diff] = e;
  }
  uint32_t* effect = Room(s.effect, static_cast<size_t>(w));
  const bool full = f.on_top;
  const Composition compose = ComposeOf(f, f.inner || full, !f.inner || full, true);
  for (int y = 0; y < h; ++y) {
    uint32_t* row = &image.At(0, y);
    int from, to;
    compose.Span(row, w, from, to);
    if (from >= to) continue;
    const uint8_t* lit = ShiftedRow(a, w, h, y, dx, dy, 0, s.near);
    const uint8_t* shaded = ShiftedRow(a, w, h, y, -dx, -dy, 0, s.far);
    for (int x = from; x < to; ++x) effect[x] = colours[lit[x] - shaded[x]];
    compose.row(row + from, effect + from, to - from);
  }
}

inline void Unpremultiply(uint32_t p, double out[4]) {
  const int a = Channel(p, 3);
  out[3] = a;
  for (int i = 0; i < 3; ++i) out[i] = a ? std::min(255.0, Channel(p, i) * 255.0 / a) : 0;
}

inline uint32_t Premultiply(const double c[4]) {
  auto clamp = [](double v) { return v <= 0 ? 0 : v >= 255 ? 255 : static_cast<int>(v + 0.5); };
  const int a = clamp(c[3]);
  return Pack(Mul(clamp(c[0]), a), Mul(clamp(c[1]), a), Mul(clamp(c[2]), a), a);
}

void ColorMatrix(FilterImage& image, const Filter& f) {
  if (f.matrix.size() < 20) return;
  const float* m = f.matrix.data();  // rows R, G, B, A of (r, g, b, a, offset)
  for (uint32_t& p : image.pixels) {
    double c[4];
    Unpremultiply(p, c);
    const double r = c[2], g = c[1], b = c[0], a = c[3];
    double o[4];
    o[2] = m[0] * r + m[1] * g + m[2] * b + m[3] * a + m[4];
    o[1] = m[5] * r + m[6] * g + m[7] * b + m[8] * a + m[9];
    o[0] = m[10] * r + m[11] * g + m[12] * b + m[13] * a + m[14];
    o[3] = m[15] * r + m[16] * g + m[17] * b + m[18] * a + m[19];
    p = Premultiply(o);
  }
}

void Convolution(FilterImage& image, const Filter& f) {
  const int mx = f.matrix_x, my = f.matrix_y;
  if (mx <= 0 || my <= 0 || mx > kMaxConvolutionSize || my > kMaxConvolutionSize ||
      f.matrix.size() < static_cast<size_t>(mx) * my)
    return;
  const double divisor = f.divisor != 0 && std::isfinite(f.divisor) ? f.divisor : 1.0;
  const double bias = std::isfinite(f.bias) ? f.bias : 0.0;
  const int w = image.width, h = image.height;
  std::vector<double> plain(image.pixels.size() * 4);
  for (size_t i = 0; i < image.pixels.size(); ++i) Unpremultiply(image.pixels[i], &plain[i * 4]);
  const double fallback[4] = {
      static_cast<double>(f.default_color.b), static_cast<double>(f.default_color.g),
      static_cast<double>(f.default_color.r), static_cast<double>(f.default_color.a)};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      double sum[4] = {0, 0, 0, 0};
      for (int j = 0; j < my; ++j)
        for (int i = 0; i < mx; ++i) {
          const double k = f.matrix[static_cast<size_t>(j) * mx + i];
          if (k == 0 || !std::isfinite(k)) continue;
          int sx = x + i - mx / 2, sy = y + j - my / 2;
          const double* c;
          if (sx < 0 || sy < 0 || sx >= w || sy >= h) {
            if (!f.clamp) {
              c = fallback;
            } else {
              sx = std::clamp(sx, 0, w - 1);
              sy = std::clamp(sy, 0, h - 1);
              c = &plain[(static_cast<size_t>(sy) * w + sx) * 4];
            }
          } else {
            c = &plain[(static_cast<size_t>(sy) * w + sx) * 4];
          }
          for (int ch = 0; ch < 4; ++ch) sum[ch] += k * c[ch];
        }
      double o[4];
      for (int ch = 0; ch < 4; ++ch) o[ch] = sum[ch] / divisor + bias;
      if (f.preserve_alpha) o[3] = plain[(static_cast<size_t>(y) * w + x) * 4 + 3];
      image.At(x, y) = Premultiply(o);
    }
}

// A displacement map filter: the map's pixels must cover what its size claims.
void Displace(FilterImage& image, const Filter& f) {
  if (!f.map_pixels || f.map_width <= 0 || f.map_height <= 0 ||
      f.map_pixels->size() < static_cast<size_t>(f.map_width) * f.map_height)
    return;
  DisplacementMap d;
  d.map = f.map_pixels->data();
  d.map_width = f.map_width;
  d.map_height = f.map_height;
  d.map_x = f.map_x;
  d.map_y = f.map_y;
  d.component_x = f.component_x;
  d.component_y = f.component_y;
  d.scale_x = f.scale_x;
  d.scale_y = f.scale_y;
  d.mode = f.map_mode <= 3 ? static_cast<DisplacementMap::Mode>(f.map_mode)
                           : DisplacementMap::Mode::Wrap;
  d.color = Tint(f.color, 255);
  ApplyDisplacementMap(image, d);
}

}  // namespace

void BoxBlur(FilterImage& image, double blur_x, double blur_y, int passes, unsigned channel_mask) {
  const BoxWindow wx = WindowOf(blur_x), wy = WindowOf(blur_y);
  passes = std::clamp(passes, 0, kMaxFilterPasses);
  if (image.pixels.empty() || (wx.n == 0 && wy.n == 0) || (channel_mask & 0xF) == 0) return;
  const int w = image.width, h = image.height;
  Scratch& s = ThreadScratch();
  // Channels left out keep their values.
  const uint32_t keep_bits = ((channel_mask & 1) ? 0 : 0xFFu) | ((channel_mask & 2) ? 0 : 0xFF00u) |
                             ((channel_mask & 4) ? 0 : 0xFF0000u) |
                             ((channel_mask & 8) ? 0 : 0xFF000000u);
  const uint32_t* kept = nullptr;
  if (keep_bits) {
    uint32_t* copy = Room(s.kept, image.pixels.size());
    std::copy(image.pixels.begin(), image.pixels.end(), copy);
    kept = copy;
  }
#if !defined(__SSE2__)
  uint8_t* plane = Room(s.plane, image.pixels.size());
#endif
  for (int p = 0; p < passes; ++p) {
    if (wx.n > 0) {
#if defined(__SSE2__)
      BoxAcrossPixels(image.pixels.data(), w, h, wx, s.wide, s.spare);
#else
      auto* bytes = reinterpret_cast<uint8_t*>(image.pixels.data());
      const size_t count = image.pixels.size();
      for (int ch = 0; ch < 4; ++ch) {
        for (size_t i = 0; i < count; ++i) plane[i] = bytes[i * 4 + ch];
        BoxAcrossPlane(plane, w, h, wx, 0, s.running);
        for (size_t i = 0; i < count; ++i) bytes[i * 4 + ch] = plane[i];
      }
#endif
    }
    if (wy.n > 0)
      BoxDown(reinterpret_cast<uint8_t*>(image.pixels.data()), w * 4, h, wy, 0, s.ring, s.sums);
  }
  // Blurring every channel alike keeps colours within their alpha (the same rounding applies
  // to sums that keep that order); with some channels kept that must be restored.
  if (!keep_bits) return;
  for (size_t i = 0; i < image.pixels.size(); ++i) {
    const uint32_t px = (image.pixels[i] & ~keep_bits) | (kept[i] & keep_bits);
    const int a = Channel(px, 3);
    image.pixels[i] = Pack(std::min(Channel(px, 0), a), std::min(Channel(px, 1), a),
                           std::min(Channel(px, 2), a), a);
  }
}

FilterReach ReachOf(const Filter& f, double scale) {
  FilterReach r;
  switch (f.kind) {
    case Filter::Kind::ColorMatrix:
    case Filter::Kind::Convolution:
    case Filter::Kind::DisplacementMap: return r;
    default: break;
  }
  const int passes = Passes(f);
  const int bx = WindowOf(Scaled(f.blur_x, scale)).lo * passes,
            by = WindowOf(Scaled(f.blur_y, scale)).lo * passes;
  int dx = 0, dy = 0;
  if (f.kind != Filter::Kind::Blur && f.kind != Filter::Kind::Glow) Offset(f, scale, dx, dy);
  if (f.inner && f.kind != Filter::Kind::Bevel && f.kind != Filter::Kind::GradientBevel) return r;
  // Bevels reach both ways along their angle.
  const bool both = f.kind == Filter::Kind::Bevel || f.kind == Filter::Kind::GradientBevel;
  r.left = bx + std::max(0, both ? std::abs(dx) : -dx);
  r.right = bx + std::max(0, both ? std::abs(dx) : dx);
  r.top = by + std::max(0, both ? std::abs(dy) : -dy);
  r.bottom = by + std::max(0, both ? std::abs(dy) : dy);
  return r;
}

int RowsRead(const Filter& f, double scale) {
  switch (f.kind) {
    case Filter::Kind::ColorMatrix: return 0;
    case Filter::Kind::Convolution: return std::clamp(f.matrix_y, 0, kMaxConvolutionSize);
    case Filter::Kind::DisplacementMap: return -1;
    default: break;
  }
  // Each pass of the blur reads its radius down and up; shadows and bevels then take the blur
  // from their distance away (bevels from both sides).
  int dx = 0, dy = 0;
  if (f.kind != Filter::Kind::Blur && f.kind != Filter::Kind::Glow) Offset(f, scale, dx, dy);
  return WindowOf(Scaled(f.blur_y, scale)).lo * Passes(f) + std::abs(dy);
}

void ApplyFilter(FilterImage& image, const Filter& f, double scale) {
  if (image.pixels.empty() || image.width <= 0 || image.height <= 0) return;
  switch (f.kind) {
    case Filter::Kind::Blur:
      BoxBlur(image, Scaled(f.blur_x, scale), Scaled(f.blur_y, scale), Passes(f), 0xF);
      break;
    case Filter::Kind::DropShadow:
    case Filter::Kind::Glow:
    case Filter::Kind::GradientGlow: ShadowOrGlow(image, f, scale); break;
    case Filter::Kind::Bevel:
    case Filter::Kind::GradientBevel: Bevel(image, f, scale); break;
    case Filter::Kind::ColorMatrix: ColorMatrix(image, f); break;
    case Filter::Kind::Convolution: Convolution(image, f); break;
    case Filter::Kind::DisplacementMap: Displace(image, f); break;
  }
  TrimScratch(ThreadScratch());
}

}  // namespace flash
