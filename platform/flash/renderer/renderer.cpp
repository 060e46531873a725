// The rasteriser. Fills go through AGG's compound rasteriser, which takes each edge with the
// fill styles on its two sides, exactly as shapes store them; strokes are widened by AGG's stroke
// converter and filled with the ordinary scan-line rasteriser. Colours are premultiplied B,G,R,A.
#include "platform/flash/renderer/renderer.h"

// First: it specialises the rasteriser's cell sort.
#include "platform/flash/renderer/internal/cell_order.h"

#include <agg_basics.h>
#include <agg_color_rgba.h>
#include <agg_conv_stroke.h>
#include <agg_path_storage.h>
#include <agg_rasterizer_compound_aa.h>
#include <agg_rasterizer_scanline_aa.h>
#include <agg_renderer_scanline.h>
#include <agg_scanline_p.h>
#include <agg_scanline_u.h>
#include <agg_span_allocator.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstring>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <utility>
#include <vector>

#include "platform/flash/format/bitmap.h"
#include "platform/flash/renderer/band_pool.h"
#include "platform/flash/renderer/filters.h"
#include "platform/flash/renderer/internal/blend_wide.h"
#include "platform/flash/renderer/internal/centre_sampler.h"
#include "platform/flash/renderer/internal/paint_styles.h"

namespace flash {
namespace {

using Color = agg::rgba8;

// Each byte of a packed B,G,R,A pixel times k / 255, rounded; two channels per multiply.
inline uint32_t ScalePixel(uint32_t p, uint32_t k) {
  uint32_t rb = (p & 0x00FF00FFu) * k + 0x00800080u;
  rb = ((rb + ((rb >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
  uint32_t ag = ((p >> 8) & 0x00FF00FFu) * k + 0x00800080u;
  ag = (ag + ((ag >> 8) & 0x00FF00FFu)) & 0xFF00FF00u;
  return rb | ag;
}

inline uint32_t Pack(const Color& c) {
  return static_cast<uint32_t>(c.b) | (static_cast<uint32_t>(c.g) << 8) |
         (static_cast<uint32_t>(c.r) << 16) | (static_cast<uint32_t>(c.a) << 24);
}

// Source-over of a premultiplied pixel. Premultiplied input keeps every channel within a byte.
inline void Over(uint32_t* d, uint32_t src) {
  uint32_t a = src >> 24;
  if (a == 255) {
    *d = src;
  } else if (src) {
    *d = src + ScalePixel(*d, 255 - a);
  }
}

#if defined(__SSE2__)
// Four pixels at a time, with exactly the rounding of ScalePixel/Over: every channel is widened
// to 16 bits, x * k / 255 is rounded as (t + (t >> 8)) >> 8 with t = x * k + 128.
inline __m128i MulDiv255(__m128i x, __m128i k) {
  __m128i t = _mm_add_epi16(_mm_mullo_epi16(x, k), _mm_set1_epi16(128));
  return _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8);
}

// Alpha (lanes 3 and 7) of two widened pixels, spread over their four lanes.
inline __m128i SpreadAlpha(__m128i x) {
  return _mm_shufflehi_epi16(_mm_shufflelo_epi16(x, _MM_SHUFFLE(3, 3, 3, 3)),
                             _MM_SHUFFLE(3, 3, 3, 3));
}

// Source-over of two widened premultiplied pixels onto two widened destination pixels.
inline __m128i Over2(__m128i d, __m128i s) {
  return _mm_add_epi16(s, MulDiv255(d, _mm_sub_epi16(_mm_set1_epi16(255), SpreadAlpha(s))));
}

// Four coverage bytes as two registers of widened per-pixel factors.
inline void WidenCovers(const uint8_t* covers, __m128i& lo, __m128i& hi) {
  uint32_t four;
  std::memcpy(&four, covers, 4);
  __m128i c = _mm_cvtsi32_si128(static_cast<int>(four));
  c = _mm_unpacklo_epi8(c, c);   // c0 c0 c1 c1 c2 c2 c3 c3
  c = _mm_unpacklo_epi16(c, c);  // each cover four times
  lo = _mm_unpacklo_epi8(c, _mm_setzero_si128());
  hi = _mm_unpackhi_epi8(c, _mm_setzero_si128());
}

// Four rgba8 colours (R,G,B,A bytes) as widened B,G,R,A pixels.
inline void WidenColors(const Color* colors, __m128i& lo, __m128i& hi) {
  __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(colors));
  lo = _mm_unpacklo_epi8(c, _mm_setzero_si128());
  hi = _mm_unpackhi_epi8(c, _mm_setzero_si128());
  lo = _mm_shufflehi_epi16(_mm_shufflelo_epi16(lo, _MM_SHUFFLE(3, 0, 1, 2)),
                           _MM_SHUFFLE(3, 0, 1, 2));
  hi = _mm_shufflehi_epi16(_mm_shufflelo_epi16(hi, _MM_SHUFFLE(3, 0, 1, 2)),
                           _MM_SHUFFLE(3, 0, 1, 2));
}

inline __m128i Load4(const uint32_t* d) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(d));
}
inline void Store4(uint32_t* d, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(d), v); }
#endif

// Adds `len` pixels of one fill to a row where several fills meet: each pixel takes what its
// cover adds within what `taken` leaves of a full cover, and its colour (from `colors`, or
// `solid` where that is null), scaled by that share, is added to `mix` with each channel held at
// 255. Colours are premultiplied and both rows hold their channels in the same order.
void MixCovers(uint32_t* mix, uint8_t* taken, const uint8_t* covers, int len,
               const uint32_t* colors, uint32_t solid) {
  int i = 0;
#if defined(__SSE2__)
  const __m128i ones = _mm_set1_epi8(-1), zero = _mm_setzero_si128();
  for (; i + 16 <= len; i += 16) {
    const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(taken + i));
    const __m128i share = _mm_min_epu8(
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(covers + i)), _mm_xor_si128(before, ones));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(share, zero)) == 0xFFFF) continue;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(taken + i), _mm_add_epi8(before, share));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(share, ones)) == 0xFFFF) {
      // Whole covers where nothing was taken before: the mix was clear and becomes the colour.
      for (int k = 0; k < 16; k += 4)
        Store4(mix + i + k,
               colors ? Load4(colors + i + k) : _mm_set1_epi32(static_cast<int>(solid)));
      continue;
    }
    alignas(16) uint8_t shares[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(shares), share);
    for (int k = 0; k < 16; k += 4) {
      __m128i klo, khi;
      WidenCovers(shares + k, klo, khi);
      const __m128i c = colors ? Load4(colors + i + k) : _mm_set1_epi32(static_cast<int>(solid));
      const __m128i lo = MulDiv255(_mm_unpacklo_epi8(c, zero), klo);
      const __m128i hi = MulDiv255(_mm_unpackhi_epi8(c, zero), khi);
      Store4(mix + i + k, _mm_adds_epu8(Load4(mix + i + k), _mm_packus_epi16(lo, hi)));
    }
  }
#endif
  for (; i < len; ++i) {
    const unsigned share = std::min<unsigned>(covers[i], 255u - taken[i]);
    if (share == 0) continue;
    taken[i] = static_cast<uint8_t>(taken[i] + share);
    const uint32_t add = ScalePixel(colors ? colors[i] : solid, share);
    uint32_t out = 0;
    for (int c = 0; c < 32; c += 8)
      out |= std::min(255u, ((mix[i] >> c) & 0xFFu) + ((add >> c) & 0xFFu)) << c;
    mix[i] = out;
  }
}

// Source-over of a row of premultiplied pixels, as BlendRow blends in the normal mode: runs of
// opaque or clear pixels are copied or skipped four at a time.
void OverRow(uint32_t* d, const uint32_t* s, int n) {
  int i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128(), opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  for (; i + 4 <= n; i += 4) {
    const __m128i src = Load4(s + i);
    const __m128i alpha = _mm_and_si128(src, opaque);
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(alpha, opaque)) == 0xFFFF) {
      Store4(d + i, src);
      continue;
    }
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(src, zero)) == 0xFFFF) continue;
    const __m128i dst = Load4(d + i);
    const __m128i lo = Over2(_mm_unpacklo_epi8(dst, zero), _mm_unpacklo_epi8(src, zero));
    const __m128i hi = Over2(_mm_unpackhi_epi8(dst, zero), _mm_unpackhi_epi8(src, zero));
    Store4(d + i, _mm_packus_epi16(lo, hi));
  }
#endif
  for (; i < n; ++i)
    if (s[i]) d[i] = BlendPixel(d[i], s[i], kBlendNormal);
}

// The part of a surface that drawing may have changed: [x0, x1) x [y0, y1), empty when x0 >= x1.
// Outside it a layer's pixels are still clear, so its bounds, mask and compositing need look no
// further, and only that part is cleared again before its storage is kept for the next layer.
struct DirtyArea {
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  bool Empty() const { return x0 >= x1 || y0 >= y1; }
  void Add(int ax0, int ay0, int ax1, int ay1) {
    if (ax0 >= ax1 || ay0 >= ay1) return;
    if (Empty()) {
      *this = {ax0, ay0, ax1, ay1};
      return;
    }
    x0 = std::min(x0, ax0);
    y0 = std::min(y0, ay0);
    x1 = std::max(x1, ax1);
    y1 = std::max(y1, ay1);
  }
};

// The span blender the scan-line renderers draw through: premultiplied B,G,R,A rows with
// source-over blending, clipped to the surface. Every span it draws is added to `dirty`.
class SurfaceBlender {
 public:
  using color_type = Color;
  using cover_type = agg::cover_type;

  // Rows [row0, row1) of the surface are there to draw on; `pixels` is where row 0 would be.
  SurfaceBlender(uint8_t* pixels, int width, int row0, int row1, int stride, DirtyArea* dirty)
      : pixels_(pixels), width_(width), row0_(row0), row1_(row1), stride_(stride), dirty_(dirty) {}

  void blend_hline(int x, int y, int x2, const Color& c, cover_type cover) {
    if (y < row0_ || y >= row1_) return;
    if (x > x2) std::swap(x, x2);
    x = std::max(x, 0);
    x2 = std::min(x2, width_ - 1);
    if (x > x2) return;
    uint32_t src = ScalePixel(Pack(c), cover);
    uint32_t* d = Row(y) + x;
    int len = x2 - x + 1;
    dirty_->Add(x, y, x2 + 1, y + 1);
    if ((src >> 24) == 255) {
      std::fill(d, d + len, src);
      return;
    }
    if (src == 0) return;
    int i = WideBlendAvailable() ? WideBlendRun(d, len, src) : 0;
#if defined(__SSE2__)
    __m128i s = _mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int>(src)), _mm_setzero_si128());
    __m128i inv = _mm_sub_epi16(_mm_set1_epi16(255), SpreadAlpha(s));
    for (; i + 4 <= len; i += 4) {
      __m128i v = Load4(d + i);
      __m128i lo = _mm_add_epi16(s, MulDiv255(_mm_unpacklo_epi8(v, _mm_setzero_si128()), inv));
      __m128i hi = _mm_add_epi16(s, MulDiv255(_mm_unpackhi_epi8(v, _mm_setzero_si128()), inv));
      Store4(d + i, _mm_packus_epi16(lo, hi));
    }
#endif
    for (; i < len; ++i) Over(d + i, src);
  }

  void blend_solid_hspan(int x, int y, int len, const Color& c, const cover_type* covers) {
    if (!Clip(x, y, len, covers)) return;
    dirty_->Add(x, y, x + len, y + 1);
    uint32_t src = Pack(c);
    uint32_t* d = Row(y) + x;
    int i = len >= 8 && WideBlendAvailable() ? WideBlendCovers(d, len, src, covers) : 0;
#if defined(__SSE2__)
    __m128i s = _mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int>(src)), _mm_setzero_si128());
    for (; i + 4 <= len; i += 4) {
      uint32_t four;
      std::memcpy(&four, covers + i, 4);
      if (four == 0) continue;
      if (four == 0xFFFFFFFFu && (src >> 24) == 255) {
        std::fill(d + i, d + i + 4, src);
        continue;
      }
      __m128i klo, khi;
      WidenCovers(covers + i, klo, khi);
      __m128i v = Load4(d + i);
      __m128i lo = Over2(_mm_unpacklo_epi8(v, _mm_setzero_si128()), MulDiv255(s, klo));
      __m128i hi = Over2(_mm_unpackhi_epi8(v, _mm_setzero_si128()), MulDiv255(s, khi));
      Store4(d + i, _mm_packus_epi16(lo, hi));
    }
    // The last one to three pixels (most spans of edge pixels are that short) in one go where the
    // row has room for four: the pixels past the span get cover 0, which blends to exactly the
    // pixel that was there.
    if (i < len && x + i + 4 <= width_) {
      uint8_t last[4] = {0, 0, 0, 0};
      // One to three bytes, copied one by one (a copy of variable length would be a call).
      last[0] = covers[i];
      if (len - i > 1) last[1] = covers[i + 1];
      if (len - i > 2) last[2] = covers[i + 2];
      __m128i klo, khi;
      WidenCovers(last, klo, khi);
      __m128i v = Load4(d + i);
      __m128i lo = Over2(_mm_unpacklo_epi8(v, _mm_setzero_si128()), MulDiv255(s, klo));
      __m128i hi = Over2(_mm_unpackhi_epi8(v, _mm_setzero_si128()), MulDiv255(s, khi));
      Store4(d + i, _mm_packus_epi16(lo, hi));
      return;
    }
#endif
    for (; i < len; ++i) {
      unsigned k = covers[i];
      if (k == 255)
        Over(d + i, src);
      else if (k)
        Over(d + i, ScalePixel(src, k));
    }
  }

  void blend_color_hspan(int x, int y, int len, const Color* colors, const cover_type* covers,
                         cover_type cover = agg::cover_full) {
    int skip = x < 0 ? -x : 0;
    const cover_type* c = covers;
    if (!Clip(x, y, len, c)) return;
    dirty_->Add(x, y, x + len, y + 1);
    colors += skip;
    uint32_t* d = Row(y) + x;
    int i = len >= 8 && WideBlendAvailable() ? WideBlendColors(d, len, colors, c, cover) : 0;
#if defined(__SSE2__)
    __m128i kconst = _mm_set1_epi16(static_cast<short>(cover));
    for (; i + 4 <= len; i += 4) {
      __m128i klo = kconst, khi = kconst;
      if (c) WidenCovers(c + i, klo, khi);
      __m128i slo, shi;
      WidenColors(colors + i, slo, shi);
      __m128i v = Load4(d + i);
      __m128i lo = Over2(_mm_unpacklo_epi8(v, _mm_setzero_si128()), MulDiv255(slo, klo));
      __m128i hi = Over2(_mm_unpackhi_epi8(v, _mm_setzero_si128()), MulDiv255(shi, khi));
      Store4(d + i, _mm_packus_epi16(lo, hi));
    }
#endif
    for (; i < len; ++i) {
      unsigned k = c ? c[i] : cover;
      uint32_t src = Pack(colors[i]);
      if (k == 255)
        Over(d + i, src);
      else if (k)
        Over(d + i, ScalePixel(src, k));
    }
  }

 private:
  uint32_t* Row(int y) {
    return reinterpret_cast<uint32_t*>(pixels_ + static_cast<size_t>(y) * stride_);
  }
  // Clips a span to the surface, moving `x` and the cover pointer (when given) along.
  bool Clip(int& x, int y, int& len, const cover_type*& covers) {
    if (y < row0_ || y >= row1_) return false;
    if (x < 0) {
      len += x;
      if (covers) covers -= x;
      x = 0;
    }
    if (x + len > width_) len = width_ - x;
    return len > 0;
  }

  uint8_t* pixels_;
  int width_, row0_, row1_, stride_;
  DirtyArea* dirty_;
};

using BaseRenderer = SurfaceBlender;

// Scan line for low quality: a pixel is either covered or not. A straight edge covers at least
// half of a pixel exactly when the pixel's centre lies inside, so thresholding the coverage at
// one half samples pixel centres. Low-quality drawing also moves the geometry up and left by one
// sub-pixel step, so that a centre lying exactly on an edge counts as inside for a left or top
// edge and outside for a right or bottom one: a one-pixel line on a pixel boundary covers one
// row, not two.
constexpr double kLowQualityNudge = 1.0 / 256;  // one sub-pixel step of the rasteriser

class BinaryScanline : public agg::scanline_u8 {
 public:
  // Uncovered pixels are left out altogether: they would blend nothing.
  void add_cell(int x, unsigned cover) {
    if (cover >= 128) agg::scanline_u8::add_cell(x, 255);
  }
  void add_cells(int x, unsigned len, const agg::int8u* covers) {
    for (unsigned i = 0; i < len; ++i) add_cell(x + static_cast<int>(i), covers[i]);
  }
  void add_span(int x, unsigned len, unsigned cover) {
    if (cover >= 128) agg::scanline_u8::add_span(x, len, 255);
  }
};

// The same for the ordinary rasteriser, packed: runs of covered pixels come as one span.
class BinaryPackedScanline : public agg::scanline_p8 {
 public:
  void add_cell(int x, unsigned cover) {
    if (cover >= 128) agg::scanline_p8::add_cell(x, 255);
  }
  void add_cells(int x, unsigned len, const agg::int8u* covers) {
    for (unsigned i = 0; i < len; ++i) add_cell(x + static_cast<int>(i), covers[i]);
  }
  void add_span(int x, unsigned len, unsigned cover) {
    if (cover >= 128) agg::scanline_p8::add_span(x, len, 255);
  }
};

// The compound rasteriser starting its sweep at row `row0` of what it holds: the rows above a
// band are skipped without being swept. The cells are those of the whole shape, so every row
// that is swept comes out as it would without bands.
template <typename Rasterizer>
struct RowsFrom {
  Rasterizer& ras;
  int row0;
  bool rewind_scanlines() {
    if (!ras.rewind_scanlines()) return false;
    return row0 <= ras.min_y() || ras.navigate_scanline(row0);
  }
  int min_x() const { return ras.min_x(); }
  int max_x() const { return ras.max_x(); }
  unsigned sweep_styles() { return ras.sweep_styles(); }
  template <typename Scanline>
  bool sweep_scanline(Scanline& sl, int style_idx) {
    return ras.sweep_scanline(sl, style_idx);
  }
  unsigned style(unsigned style_idx) const { return ras.style(style_idx); }
  int scanline_start() const { return ras.scanline_start(); }
  unsigned scanline_length() const { return ras.scanline_length(); }
  agg::cover_type* allocate_cover_buffer(unsigned len) { return ras.allocate_cover_buffer(len); }
};

// Sweeps rows [row0, row1) of what `ras` holds into `ren`, a scan-line renderer; like AGG's
// render_scanlines over those rows alone.
template <typename Rasterizer, typename Scanline, typename ScanlineRenderer>
void RenderRows(Rasterizer& ras, Scanline& sl, ScanlineRenderer& ren, int row0, int row1) {
  if (!ras.rewind_scanlines()) return;
  if (row0 > ras.min_y() && !ras.navigate_scanline(row0)) return;
  sl.reset(ras.min_x(), ras.max_x());
  ren.prepare();
  while (ras.sweep_scanline(sl)) {
    if (sl.y() >= row1) break;
    ren.render(sl);
  }
}

// Feeds a path to a rasteriser, leaving out the segments that lie wholly outside rows [y0, y1)
// (give a margin): they would make cells only in rows that are not drawn, so a band of the frame
// does not work out the rest of the frame's cells. The next segment that is fed starts with a
// move to its first point, which places the rasteriser and its clipper where the left-out
// segments would have. Segments with a coordinate that is not a number are always fed.
template <typename Rasterizer>
class RowFeed {
 public:
  RowFeed(Rasterizer& ras, double y0, double y1) : ras_(ras), y0_(y0), y1_(y1) {}
  void MoveTo(double x, double y) {
    x_ = x;
    y_ = y;
    placed_ = false;
  }
  void LineTo(double x, double y) {
    if (std::max(y_, y) < y0_ || std::min(y_, y) > y1_) {
      MoveTo(x, y);
      return;
    }
    if (!placed_) ras_.move_to_d(x_, y_);
    placed_ = true;
    ras_.line_to_d(x, y);
    x_ = x;
    y_ = y;
  }

 private:
  Rasterizer& ras_;
  double y0_, y1_, x_ = 0, y_ = 0;
  bool placed_ = false;
};

// The spans of paints whose colours are the same on every row (gradients that change along x
// alone), kept while one shape is drawn: a span that starts where a kept one of the same paint
// started is the start of it (its colours come from running sums from its first pixel). The
// paints must stay in place between Reset calls.
class RowSpanCache {
 public:
  void Reset() {
    for (Entry& e : entries_) e.paint = nullptr;
  }
  void Generate(const PaintStyle& paint, Color* span, int x, int y, unsigned len) {
    if (!paint.SameOnEveryRow() || len < kShortest) return paint.Generate(span, x, y, len);
    for (Entry& e : entries_) {
      if (e.paint == &paint && e.x == x && e.colors.size() >= len) {
        std::memcpy(span, e.colors.data(), len * sizeof(Color));
        return;
      }
    }
    paint.Generate(span, x, y, len);
    Entry& e = entries_[next_];
    next_ = (next_ + 1) % entries_.size();
    e.paint = &paint;
    e.x = x;
    e.colors.assign(span, span + len);
  }

 private:
  // Shorter spans (edge pixels) are quicker worked out again.
  static constexpr unsigned kShortest = 16;
  struct Entry {
    const PaintStyle* paint = nullptr;
    int x = 0;
    std::vector<Color> colors;
  };
  std::array<Entry, 8> entries_;
  size_t next_ = 0;
};

// Span generator over one paint style.
struct StyleSpanGenerator {
  const PaintStyle* style;
  RowSpanCache* cache;
  void prepare() {}
  void generate(Color* span, int x, int y, unsigned len) const {
    cache->Generate(*style, span, x, y, len);
  }
};

// Flattens a quadratic curve into `out` (end point included, start point excluded).
template <typename Sink>
void FlattenQuad(double x0, double y0, double cx, double cy, double x1, double y1, Sink&& line_to) {
  double dx = x0 - 2 * cx + x1, dy = y0 - 2 * cy + y1;
  double dev = std::sqrt(dx * dx + dy * dy);
  // n segments keep the chord within dev / (8 n^2) of the curve: a twentieth of a pixel.
  int n = static_cast<int>(std::ceil(std::sqrt(dev / (8 * 0.05))));
  n = std::clamp(n, 1, 256);
  for (int i = 1; i < n; ++i) {
    double t = static_cast<double>(i) / n, u = 1 - t;
    line_to(u * u * x0 + 2 * u * t * cx + t * t * x1, u * u * y0 + 2 * u * t * cy + t * t * y1);
  }
  line_to(x1, y1);
}

// Feeds the edges of `p` to `line_to` in target coordinates, curves flattened. (px, py) holds the
// path's transformed start point on entry and its end point on return.
template <typename Sink>
void TraceEdges(const ShapePath& p, const Matrix& m, double& px, double& py, Sink&& line_to) {
  for (const ShapeEdge& e : p.edges) {
    double ex, ey;
    m.Apply(e.x, e.y, ex, ey);
    if (e.curve) {
      double qx, qy;
      m.Apply(e.cx, e.cy, qx, qy);
      FlattenQuad(px, py, qx, qy, ex, ey, line_to);
    } else {
      line_to(ex, ey);
    }
    px = ex;
    py = ey;
  }
}

agg::line_cap_e AggCap(CapStyle c) {
  switch (c) {
    case CapStyle::None: return agg::butt_cap;
    case CapStyle::Square: return agg::square_cap;
    default: return agg::round_cap;
  }
}

agg::line_join_e AggJoin(JoinStyle j) {
  switch (j) {
    case JoinStyle::Bevel: return agg::bevel_join;
    case JoinStyle::Miter: return agg::miter_join_revert;
    default: return agg::round_join;
  }
}

// Pixel and mask storage that surfaces leave behind, kept for the next ones: a frame after the
// first allocates no surfaces, and their pages are not touched fresh. One store serves every
// thread, since a surface a band pushes on one thread of the pool may be popped on another (an
// alpha layer's bands meet before it is composited); stores of their own would let buffers drift
// to one thread while the others allocate afresh. At most kKeptBytes are kept. A buffer is kept
// only clear (its owner clears what it drew on) and whole, so taking one writes nothing.
class KeptBuffers {
 public:
  static KeptBuffers& Shared() {
    static KeptBuffers kept;
    return kept;
  }
  // At least `bytes` zero bytes, in the kept buffer that fits them best when there is one.
  std::vector<uint8_t> Take(size_t bytes) {
    std::vector<uint8_t> v;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      size_t best = list_.size();
      for (size_t i = 0; i < list_.size(); ++i)
        if (list_[i].size() >= bytes &&
            (best == list_.size() || list_[i].size() < list_[best].size()))
          best = i;
      if (best < list_.size()) {
        v = std::move(list_[best]);
        list_[best] = std::move(list_.back());
        list_.pop_back();
        kept_ -= v.size();
      }
    }
    if (v.size() < bytes) v.assign(bytes, 0);
    return v;
  }
  void Keep(std::vector<uint8_t>&& v) {
    // Clear up to its capacity, so that a later taker needs to write nothing.
    if (v.size() < v.capacity()) v.resize(v.capacity(), 0);
    if (v.empty() || v.size() > kKeptBytes) return;
    std::lock_guard<std::mutex> lock(mutex_);
    // The smallest go first to make room.
    while (kept_ + v.size() > kKeptBytes && !list_.empty()) {
      auto smallest =
          std::min_element(list_.begin(), list_.end(),
                           [](const auto& a, const auto& b) { return a.size() < b.size(); });
      if (smallest->size() >= v.size()) return;
      kept_ -= smallest->size();
      list_.erase(smallest);
    }
    kept_ += v.size();
    list_.push_back(std::move(v));
  }

 private:
  static constexpr size_t kKeptBytes = size_t{256} << 20;
  std::mutex mutex_;
  std::vector<std::vector<uint8_t>> list_;
  size_t kept_ = 0;
};

// One drawing surface: the target itself or a layer above it.
struct Surface {
  Surface() = default;
  Surface(const Surface&) = default;
  Surface(Surface&&) = default;
  Surface& operator=(Surface&&) = default;
  ~Surface() {
    KeptBuffers& kept = KeptBuffers::Shared();
    if (!storage.empty()) {
      ClearArea(storage.data(), stride, 4, dirty);
      kept.Keep(std::move(storage));
    }
    if (!mask.empty()) {
      ClearArea(mask.data(), width, 1, mask_area);
      kept.Keep(std::move(mask));
    }
  }
  // Clears `area` of rows beginning at row `row0` (the rows stored).
  void ClearArea(uint8_t* first_row, int row_bytes, int pixel_bytes, const DirtyArea& area) const {
    if (area.Empty()) return;
    for (int y = std::max(area.y0, row0); y < std::min(area.y1, row1); ++y)
      std::memset(first_row + static_cast<size_t>(y - row0) * row_bytes +
                      static_cast<size_t>(area.x0) * pixel_bytes,
                  0, static_cast<size_t>(area.x1 - area.x0) * pixel_bytes);
  }

  // The pixel bytes the surface's rows take (its storage may be larger).
  size_t Bytes() const { return static_cast<size_t>(stride) * static_cast<size_t>(row1 - row0); }
  size_t budget_bytes = 0;  // what a layer counts against the renderer's budget

  enum class Kind { Target, Layer, MaskContent, Masked } kind = Kind::Target;
  KeptLayer* keep = nullptr;  // a layer whose picture is kept when it is popped
  std::vector<uint8_t> storage;  // layers own their pixels
  std::vector<uint8_t> mask;     // Masked: coverage of the mask, one byte a pixel
  // Where row 0 of the surface would be; only rows [row0, row1) are there (a band of the frame
  // holds the rows of its band, and those a filter around it reaches).
  uint8_t* pixels = nullptr;
  int row0 = 0, row1 = 0;
  int stride = 0;
  // Where the surface lies on the target, and its size: a filtered layer reaches beyond the
  // surface below it, so that what lies just outside still casts its shadow or glow inside.
  int origin_x = 0, origin_y = 0, width = 0, height = 0;
  DirtyArea dirty;      // what drawing may have changed, in the surface's own pixels
  DirtyArea mask_area;  // Masked: where `mask` is not zero
};

// One drawing call kept for the bands to carry out, with the paints its fills and lines use made
// when it was called (they hold the bitmaps they draw).
struct Recorded {
  // FindPoppedBounds: each band notes the bounds PopLayer would composite in its rows.
  enum class Op {
    Clear,
    Shape,
    Coverage,
    BeginMask,
    EndMask,
    PopMask,
    PushLayer,
    PopLayer,
    FindPoppedBounds,
    DrawKept
  };
  Op op = Op::Clear;
  std::shared_ptr<const ShapeDef> shape;
  Matrix matrix;
  ColorTransform cx;
  bool mask_mode = false;
  std::vector<std::vector<PaintStyle>> fills, lines;  // for each group of the shape
  std::shared_ptr<const CoverageMask> mask;
  int x = 0, y = 0;
  Rgba color{};
  std::vector<Filter> filters;
  double filter_scale = 1;
  int blend_mode = 0;
  // PopLayer: the bounds of the layer's content over all bands, when found before.
  bool has_shared = false;
  DirtyArea shared;
  bool done_by_first = false;  // the first band carried it out when it was kept
  std::shared_ptr<KeptLayer> keep;             // PushLayer: the layer's picture is kept there
  std::shared_ptr<const KeptLayer> picture;    // DrawKept: the picture, moved by (x, y)
};

Recorded OpOnly(Recorded::Op op) {
  Recorded r;
  r.op = op;
  return r;
}

}  // namespace

struct Renderer::Impl {
  RenderTarget target;
  Quality quality;
  const CharacterLookup* lookup;
  std::vector<Surface> surfaces;
  agg::rasterizer_compound_aa<agg::rasterizer_sl_clip_dbl> compound;
  // Clips before fixed point. The gamma-free variant: the default gamma is the identity anyway.
  agg::rasterizer_scanline_aa_nogamma<agg::rasterizer_sl_clip_dbl> scan;
  agg::scanline_u8 sl_aa;
  agg::scanline_p8 sl_packed;  // solid runs of full cover come as one span
  BinaryScanline sl_bin;
  BinaryPackedScanline sl_bin_packed;
  CentreSampler centres;  // lines at low quality
  agg::path_storage line_path;
  std::vector<double> points;  // one flattened path, x and y interleaved
  agg::span_allocator<Color> alloc;
  std::vector<PaintStyle> fill_paints;
  // One scan line of the low-quality compound fill: total and largest cover and its fill.
  std::vector<uint16_t> row_total;
  std::vector<uint8_t> row_best;
  std::vector<int> row_style;
  // One scan line of the compound fill where several fills meet: the colour mixed so far
  // (premultiplied R,G,B,A bytes, as the paints make them) and the cover taken.
  std::vector<uint32_t> mix_row;
  std::vector<uint8_t> mix_cover;
  RowSpanCache row_spans;
  int row0 = 0, row1 = 0;  // the rows of the top surface that are there to draw on
  int layers = 0;          // layer surfaces on the stack
  size_t layer_bytes = 0;  // pixels they hold
  int skipped_layers = 0;  // layers beyond the limit, drawn straight onto the one below
  int keeping = 0;         // layers on the stack whose pictures are kept

  // Something drawn while pictures are kept reached past the edges of the surface it went to:
  // none of the kept pictures on the stack may be moved.
  void MarkCut() {
    for (Surface& s : surfaces)
      if (s.keep) s.keep->cut = true;
  }

  // Widens [x0, x1] x [y0, y1] by the points of `p` (ends and control points) under `m`.
  static void AddPathPoints(const ShapePath& p, const Matrix& m, double& x0, double& y0,
                            double& x1, double& y1) {
    auto add = [&](int32_t tx, int32_t ty) {
      double x, y;
      m.Apply(tx, ty, x, y);
      x0 = std::min(x0, x);
      x1 = std::max(x1, x);
      y0 = std::min(y0, y);
      y1 = std::max(y1, y);
    };
    add(p.start_x, p.start_y);
    for (const ShapeEdge& e : p.edges) {
      add(e.x, e.y);
      if (e.curve) add(e.cx, e.cy);
    }
  }

  // Marks the kept pictures cut when `shape` under `m` may reach past the top surface: its points,
  // with its lines' reach and a pixel for rounding around them. Mask content does not count (a
  // mask only shows where what it clips is drawn).
  void NoteShapeReach(const ShapeDef& shape, const Matrix& m) {
    if (keeping == 0 || MaskMode()) return;
    double x0 = HUGE_VAL, y0 = HUGE_VAL, x1 = -HUGE_VAL, y1 = -HUGE_VAL, reach = 1;
    for (const ShapeGroup& group : shape.groups) {
      for (const LineStyle& l : group.line_styles)
        reach = std::max(reach, StrokeWidth(l, m) / 2 * std::max(l.miter_limit, 1.5) + 2);
      for (const ShapePath& p : group.paths) AddPathPoints(p, m, x0, y0, x1, y1);
    }
    // Comparisons with a coordinate that is not a number fail: such a shape counts as cut.
    if (x0 > x1) return;  // no points
    if (!(x0 - reach >= 0 && y0 - reach >= 0 && x1 + reach <= target.width &&
          y1 + reach <= target.height))
      MarkCut();
  }

  // How a layer pushed now with `filters` would lie: the margin it takes around the surface
  // below, the rows its filters read and the bytes it counts against the budget. False when it
  // would be drawn straight onto the surface below (nested too deep, or beyond the budget).
  bool PlanLayer(const std::vector<Filter>& filters, double filter_scale, int& pad, int& rows_read,
                 size_t& bytes) const {
    if (layers >= kMaxLayers || skipped_layers > 0) return false;
    // A filtered layer takes in what lies within the filters' reach around the surface below.
    pad = 0;
    rows_read = 0;
    for (const Filter& f : filters) {
      const FilterReach r = ReachOf(f, filter_scale);
      pad += std::max({r.left, r.right, r.top, r.bottom});
      const int read = RowsRead(f, filter_scale);
      rows_read =
          read < 0 || rows_read == INT_MAX ? INT_MAX : std::min(rows_read + read, INT_MAX / 2);
    }
    pad = std::min(pad, kMaxLayerPad);
    // The budget counts whole layers, whatever rows a band holds, so that every band decides
    // alike.
    auto size = [this](int p) {
      return static_cast<size_t>(target.width + 2 * p) *
             static_cast<size_t>(target.height + 2 * p) * 4;
    };
    // Within the budget: without the margin if need be, else not at all.
    if (layer_bytes + size(pad) > kMaxLayerBytes) pad = 0;
    bytes = size(pad);
    return layer_bytes + bytes <= kMaxLayerBytes;
  }

  // The part of `layer` its kept picture covers when `filters` run over `area`, its content:
  // `area` grown by their reach as FilterLayer grows it, over all the layer's rows. True when the
  // layer's edges cut that reach off.
  static bool KeptArea(const Surface& layer, const std::vector<Filter>& filters, double scale,
                       DirtyArea& area) {
    bool cut = false;
    for (const Filter& f : filters) {
      const FilterReach r = ReachOf(f, scale);
      const int64_t x0 = int64_t{area.x0} - r.left, y0 = int64_t{area.y0} - r.top,
                    x1 = int64_t{area.x1} + r.right, y1 = int64_t{area.y1} + r.bottom;
      cut = cut || x0 < 0 || y0 < 0 || x1 > layer.width || y1 > layer.height;
      area = {static_cast<int>(std::max<int64_t>(0, x0)), static_cast<int>(std::max<int64_t>(0, y0)),
              static_cast<int>(std::min<int64_t>(layer.width, x1)),
              static_cast<int>(std::min<int64_t>(layer.height, y1))};
    }
    return cut;
  }

  // Sets where the picture kept of `layer` lies, its content lying within `content` (empty for
  // none), and makes room for its pixels.
  static void SizeKept(KeptLayer& keep, const Surface& layer, const std::vector<Filter>& filters,
                       double scale, DirtyArea content) {
    keep.sized = keep.made = true;
    if (content.Empty()) return;
    if (KeptArea(layer, filters, scale, content)) keep.cut = true;
    if (content.Empty()) return;
    keep.left = layer.origin_x + content.x0;
    keep.top = layer.origin_y + content.y0;
    keep.width = content.x1 - content.x0;
    keep.height = content.y1 - content.y0;
    keep.pixels.assign(static_cast<size_t>(keep.width) * static_cast<size_t>(keep.height), 0);
  }

  // Copies the part [x0, x1) x [y0, y1) of `layer`, as it is composited, into its kept picture:
  // of the rows there, those this band answers for (its own rows of the frame, and those beyond
  // the frame's edge next to them), so that the bands together fill in every row once.
  // A filtered layer's pixels are those of `filtered`, whose rows begin at (fx, fy).
  void CopyKept(KeptLayer& keep, const Surface& layer, const FilterImage* filtered, int fx, int fy,
                int x0, int y0, int x1, int y1) const {
    const Surface& base = surfaces.front();
    const int px = keep.left - layer.origin_x, py = keep.top - layer.origin_y;
    x0 = std::max(x0, px);
    x1 = std::min(x1, px + keep.width);
    y0 = std::max(y0, py);
    y1 = std::min(y1, py + keep.height);
    if (base.row0 > 0) y0 = std::max(y0, base.row0 - layer.origin_y);
    if (base.row1 < base.height) y1 = std::min(y1, base.row1 - layer.origin_y);
    for (int y = y0; y < y1 && x0 < x1; ++y)
      std::memcpy(&keep.pixels[static_cast<size_t>(y - py) * keep.width + (x0 - px)],
                  filtered ? filtered->pixels.data() + static_cast<size_t>(y - fy) * filtered->width +
                                 (x0 - fx)
                           : reinterpret_cast<const uint32_t*>(
                                 layer.pixels + static_cast<size_t>(y) * layer.stride) +
                                 x0,
                  static_cast<size_t>(x1 - x0) * 4);
  }

  // The smallest rectangle [x0, x1) x [y0, y1) holding every pixel of `s` that is not clear;
  // false when there is none.
  bool ContentBounds(const Surface& s, int& x0, int& y0, int& x1, int& y1) const {
    x0 = target.width;
    y0 = target.height;
    x1 = y1 = 0;
    // Outside the area drawn on the surface is clear.
    const DirtyArea& a = s.dirty;
    if (a.Empty()) return false;
    const int from = std::max(a.x0, 0), to = std::min(a.x1, target.width);
    for (int y = std::max(s.row0, a.y0); y < std::min(s.row1, a.y1); ++y) {
      const auto* row =
          reinterpret_cast<const uint32_t*>(s.pixels + static_cast<size_t>(y) * s.stride);
      int first = from;
      while (first < to && row[first] == 0) ++first;
      if (first == to) continue;
      int last = to - 1;
      while (row[last] == 0) --last;
      x0 = std::min(x0, first);
      x1 = std::max(x1, last + 1);
      y0 = std::min(y0, y);
      y1 = y + 1;
    }
    return x0 < x1 && y0 < y1;
  }

  // Runs `filters` over the part of `layer` from (x0, y0) to (x1, y1), growing that part by
  // what the filters reach (within the target). The result is left in Filtered(), whose rows
  // are those from y0 and columns those from x0; the layer is left as drawn. False when none of
  // that part lies in the rows this band holds.
  bool FilterLayer(const Surface& layer, const std::vector<Filter>& filters, double scale,
                   int& x0, int& y0, int& x1, int& y1) {
    for (const Filter& f : filters) {
      const FilterReach reach = ReachOf(f, scale);
      x0 = std::max(0, x0 - reach.left);
      y0 = std::max(layer.row0, y0 - reach.top);
      x1 = std::min(target.width, x1 + reach.right);
      y1 = std::min(layer.row1, y1 + reach.bottom);
    }
    if (x0 >= x1 || y0 >= y1) return false;
    FilterImage& image = Filtered();
    image.width = x1 - x0;
    image.height = y1 - y0;
    image.pixels.resize(static_cast<size_t>(image.width) * image.height);
    for (int y = y0; y < y1; ++y)
      std::memcpy(&image.At(0, y - y0),
                  layer.pixels + static_cast<size_t>(y) * layer.stride + x0 * 4,
                  static_cast<size_t>(image.width) * 4);
    for (const Filter& f : filters) ApplyFilter(image, f, scale);
    return true;
  }
  // The picture filtered layers are filtered in, kept by the thread for its next one: fresh
  // pages for every layer, and their return, cost as much as copying the picture. One much
  // larger than usual goes once it has been composited.
  static FilterImage& Filtered() {
    thread_local FilterImage image;
    return image;
  }
  static void TrimFiltered() {
    constexpr size_t kMaxKeptPixels = size_t{2} << 20;  // 8 MB a thread
    if (Filtered().pixels.capacity() > kMaxKeptPixels) Filtered() = FilterImage();
  }

  // Mask content is drawn as coverage only: every fill paints opaque white, lines are left out.
  bool MaskMode() const {
    for (auto it = surfaces.rbegin(); it != surfaces.rend(); ++it) {
      if (it->kind == Surface::Kind::MaskContent) return true;
      if (it->kind == Surface::Kind::Masked) return false;
    }
    return false;
  }

  Surface& Top() { return surfaces.back(); }

  // `target` describes the top surface: its size is what drawing clips to.
  // A layer reaches `pad` pixels beyond the surface below on every side. In a band of the frame
  // it holds the rows within `rows_read` of the band's rows (a filter reads that far to work out
  // the band's pixels), so that the band's pixels come out as in one band.
  void PushSurface(Surface::Kind kind, int pad = 0, int rows_read = 0) {
    const Surface& below = surfaces.back();
    Surface s;
    s.kind = kind;
    s.origin_x = below.origin_x - pad;
    s.origin_y = below.origin_y - pad;
    s.width = below.width + 2 * pad;
    s.height = below.height + 2 * pad;
    s.stride = s.width * 4;
    // The rows below's rows reach, and those a filter reads around them; where below's rows
    // reach its edge, the layer's margin beyond it as well (its content counts in the bounds a
    // filter works within).
    s.row0 = below.row0 <= 0
                 ? 0
                 : static_cast<int>(std::max<int64_t>(0, int64_t{below.row0} + pad - rows_read));
    s.row1 =
        below.row1 >= below.height
            ? s.height
            : static_cast<int>(std::min<int64_t>(s.height, int64_t{below.row1} + pad + rows_read));
    if (s.row1 < s.row0) s.row1 = s.row0;
    s.storage = KeptBuffers::Shared().Take(s.Bytes());
    s.pixels = RowZero(s.storage.data(), s.row0, s.stride);
    surfaces.push_back(std::move(s));
    UseTop();
  }

  // Where row 0 lies for storage that begins at row `row0`. The rows before `row0` are never
  // touched; the address is worked out as a number so that it is not formed from the storage.
  static uint8_t* RowZero(uint8_t* first_row, int row0, int stride) {
    return reinterpret_cast<uint8_t*>(reinterpret_cast<uintptr_t>(first_row) -
                                      static_cast<uintptr_t>(row0) *
                                          static_cast<uintptr_t>(stride));
  }

  void UseTop() {
    target.width = surfaces.back().width;
    target.height = surfaces.back().height;
    row0 = surfaces.back().row0;
    row1 = surfaces.back().row1;
  }

  BaseRenderer Blender(Surface& s) const {
    return BaseRenderer(s.pixels, target.width, row0, row1, s.stride, &s.dirty);
  }

  // Composites `src` onto the surface below it, through `mask` when given.
  // A clear source pixel, or one the mask hides, leaves the pixel below as it is: only the area
  // drawn on (and, with a mask, where the mask is not zero) is gone over.
  void CompositeDown(const Surface& src, const std::vector<uint8_t>* mask) {
    Surface& dst = surfaces[surfaces.size() - 2];
    DirtyArea a = src.dirty;
    if (mask) {
      a.x0 = std::max(a.x0, src.mask_area.x0);
      a.y0 = std::max(a.y0, src.mask_area.y0);
      a.x1 = std::min(a.x1, src.mask_area.x1);
      a.y1 = std::min(a.y1, src.mask_area.y1);
    }
    a.x0 = std::max(a.x0, 0);
    a.x1 = std::min(a.x1, target.width);
    if (a.Empty()) return;
    const int first_row = std::max({src.row0, dst.row0, a.y0});
    const int end_row = std::min({src.row1, dst.row1, a.y1});
    dst.dirty.Add(a.x0, first_row, a.x1, end_row);
    for (int y = first_row; y < end_row; ++y) {
      const uint8_t* s = src.pixels + static_cast<size_t>(y) * src.stride + a.x0 * 4;
      uint8_t* d = dst.pixels + static_cast<size_t>(y) * dst.stride + a.x0 * 4;
      const uint8_t* m =
          mask ? mask->data() + static_cast<size_t>(y - src.row0) * target.width : nullptr;
      int x = a.x0;
      if (WideBlendAvailable()) {
        const int done =
            WideCompositeRow(reinterpret_cast<uint32_t*>(d), reinterpret_cast<const uint32_t*>(s),
                             m ? m + a.x0 : nullptr, a.x1 - a.x0);
        x += done;
        s += static_cast<size_t>(done) * 4;
        d += static_cast<size_t>(done) * 4;
      }
      for (; x < a.x1; ++x, s += 4, d += 4) {
        unsigned a = s[3];
        if (m) {
          unsigned k = m[x];
          if (k == 0) continue;
          if (k != 255) {
            uint8_t t[4];
            for (int c = 0; c < 4; ++c) t[c] = static_cast<uint8_t>((s[c] * k + 127) / 255);
            unsigned inv = 255 - t[3];
            for (int c = 0; c < 4; ++c)
              d[c] = static_cast<uint8_t>(t[c] + (d[c] * inv + 127) / 255);
            continue;
          }
        }
        if (a == 0) {
          if ((s[0] | s[1] | s[2]) == 0) continue;
        }
        if (a == 255) {
          std::memcpy(d, s, 4);
          continue;
        }
        unsigned inv = 255 - a;
        for (int c = 0; c < 4; ++c)
          d[c] = static_cast<uint8_t>(std::min(255u, s[c] + (d[c] * inv + 127) / 255));
      }
    }
  }

  // Where a group's fills lie against the target, from their end and control points (a curve
  // stays within the triangle of its ends and control point). Fills wholly outside draw nothing;
  // fills wholly inside need no clipping, and the rasteriser then sees exactly the lines the
  // clipper would have passed on. A small margin covers rounding in the flattened curve points.
  enum class Placement { Outside, Inside, Straddling };

  template <typename StyleOf>
  Placement PlaceFills(const ShapeGroup& group, const Matrix& m, StyleOf style_of,
                       bool rows = true) const {
    double x0 = HUGE_VAL, y0 = HUGE_VAL, x1 = -HUGE_VAL, y1 = -HUGE_VAL;
    for (const ShapePath& p : group.paths)
      if (style_of(p.fill0) >= 0 || style_of(p.fill1) >= 0) AddPathPoints(p, m, x0, y0, x1, y1);
    return Place(x0, y0, x1, y1, rows);
  }

  Placement Place(double x0, double y0, double x1, double y1, bool rows = true) const {
    if (!std::isfinite(x0) || !std::isfinite(x1) || !std::isfinite(y0) || !std::isfinite(y1))
      return Placement::Straddling;
    const double margin = 1.0 / 1024, w = target.width, h = target.height;
    if (x1 < -margin || y1 < -margin || x0 > w + margin || y0 > h + margin)
      return Placement::Outside;
    // Nothing to draw in the rows at hand; whether it is clipped is still decided against the
    // whole surface, so that the rows drawn come out the same with bands and without.
    if (rows && (y1 < row0 - margin - 1 || y0 > row1 + margin + 1)) return Placement::Outside;
    if (x0 >= margin && y0 >= margin && x1 <= w - margin && y1 <= h - margin)
      return Placement::Inside;
    return Placement::Straddling;
  }

  // Where the outline of a line along `path` lies, with `reach` pixels around its points.
  Placement PlaceStroke(agg::path_storage& path, double reach) const {
    double x0 = HUGE_VAL, y0 = HUGE_VAL, x1 = -HUGE_VAL, y1 = -HUGE_VAL;
    for (unsigned v = 0; v < path.total_vertices(); ++v) {
      double x, y;
      if (!agg::is_vertex(path.vertex(v, &x, &y))) continue;
      x0 = std::min(x0, x);
      x1 = std::max(x1, x);
      y0 = std::min(y0, y);
      y1 = std::max(y1, y);
    }
    return Place(x0 - reach, y0 - reach, x1 + reach, y1 + reach);
  }

  // `m` (from PixelMatrix) with the low-quality nudge taken back. The nudge only settles which
  // pixels a fill's outline covers: paints read their bitmaps and gradients at the pixels' true
  // centres, and the centre sampler that draws lines settles centres on an edge itself.
  Matrix WithoutNudge(const Matrix& m) const {
    if (quality != Quality::Low) return m;
    Matrix out = m;
    out.tx += kLowQualityNudge;
    out.ty += kLowQualityNudge;
    return out;
  }

  void MakeFillPaints(const ShapeGroup& group, const Matrix& m, const ColorTransform& cx,
                      bool mask_mode, std::vector<PaintStyle>& out) const {
    out.clear();
    out.reserve(group.fill_styles.size());
    const Matrix pm = WithoutNudge(m);
    for (const FillStyle& f : group.fill_styles) {
      if (mask_mode) {
        out.push_back(PaintStyle::Solid({255, 255, 255, 255}));
      } else {
        out.push_back(PaintStyle::FromFill(f, pm, cx, lookup, quality == Quality::Low));
      }
    }
  }

  PaintStyle LinePaint(const LineStyle& style, const Matrix& m, const ColorTransform& cx) const {
    if (!style.has_fill) return PaintStyle::Solid(cx.Apply(style.color));
    return PaintStyle::FromFill(style.fill, WithoutNudge(m), cx, lookup, quality == Quality::Low);
  }

  // `prepared`, when given, holds the group's fill paints, made when the drawing was recorded.
  void DrawFills(const ShapeGroup& group, const Matrix& m, const ColorTransform& cx, bool even_odd,
                 BaseRenderer& ren, bool mask_mode,
                 const std::vector<PaintStyle>* prepared = nullptr) {
    // Style numbers beyond the group's table count as none.
    const uint32_t count = static_cast<uint32_t>(group.fill_styles.size());
    auto style_of = [count](uint32_t fill) {
      return fill <= count ? static_cast<int>(fill) - 1 : -1;
    };
    bool any = false;
    for (const ShapePath& p : group.paths)
      any = any || style_of(p.fill0) >= 0 || style_of(p.fill1) >= 0;
    if (!any) return;
    const Placement place = PlaceFills(group, m, style_of);
    if (place == Placement::Outside) return;
    if (prepared) {
      if (prepared->size() != group.fill_styles.size()) return;
    } else {
      MakeFillPaints(group, m, cx, mask_mode, fill_paints);
    }
    const std::vector<PaintStyle>& paints = prepared ? *prepared : fill_paints;
    // A group that paints with one fill style (the common case) needs no style bookkeeping: its
    // edges go to the ordinary rasteriser.
    int single = -1;
    for (const ShapePath& p : group.paths) {
      for (int st : {style_of(p.fill0), style_of(p.fill1)}) {
        if (st < 0) continue;
        if (single < 0)
          single = st;
        else if (st != single)
          single = -2;
      }
      if (single == -2) break;
    }
    if (single >= 0) {
      DrawSingleFill(group, m, even_odd, ren, single, paints[static_cast<size_t>(single)], style_of,
                     place);
      return;
    }
    if (place == Placement::Inside)
      compound.reset_clipping();
    else
      compound.clip_box(0, 0, target.width, target.height);
    compound.reset();
    compound.filling_rule(even_odd ? agg::fill_even_odd : agg::fill_non_zero);
    compound.layer_order(agg::layer_direct);
    RowFeed<decltype(compound)> feed(compound, row0 - 2, row1 + 2);
    for (const ShapePath& p : group.paths) {
      int left = style_of(p.fill0), right = style_of(p.fill1);
      if (left < 0 && right < 0) continue;
      compound.styles(left, right);
      double px, py;
      m.Apply(p.start_x, p.start_y, px, py);
      feed.MoveTo(px, py);
      TraceEdges(p, m, px, py, [&](double x, double y) { feed.LineTo(x, y); });
    }
    if (quality == Quality::Low)
      RenderCompoundBinary(ren, paints, row0, row1);
    else
      RenderCompoundLayered(ren, paints);
  }

  // Starts sweeping what the compound rasteriser holds from row `from`, the kept spans let go:
  // the length of its rows with room to spare, 0 when there is nothing to sweep.
  size_t BeginCompoundSweep(int from) {
    RowsFrom<decltype(compound)> rows{compound, from};
    if (!rows.rewind_scanlines()) return 0;
    row_spans.Reset();
    sl_aa.reset(compound.min_x(), compound.max_x());
    return static_cast<size_t>(compound.max_x() - compound.min_x() + 2);
  }

  // What the compound rasteriser holds, the fills layered: at each pixel the fills, in style
  // order, each take what they cover of the cover the ones before left, and the mix of their
  // colours is blended onto the surface. Rows where one fill alone shows are drawn straight.
  // Only the rows of the band are swept.
  void RenderCompoundLayered(BaseRenderer& ren, const std::vector<PaintStyle>& paints) {
    const size_t len = BeginCompoundSweep(row0);
    if (len == 0) return;
    const int min_x = compound.min_x();
    if (mix_row.size() < len) {
      mix_row.resize(len);
      mix_cover.resize(len);
    }
    Color* colors = alloc.allocate(static_cast<unsigned>(len));
    unsigned styles;
    while ((styles = compound.sweep_styles()) > 0) {
      if (styles == 1) {
        if (!compound.sweep_scanline(sl_aa, 0)) continue;
        if (sl_aa.y() >= row1) break;
        const PaintStyle& paint = paints[compound.style(0)];
        if (paint.IsSolid()) {
          agg::render_scanline_aa_solid(sl_aa, ren, paint.solid);
          continue;
        }
        auto span = sl_aa.begin();
        for (unsigned n = sl_aa.num_spans(); n > 0; --n, ++span) {
          row_spans.Generate(paint, colors, span->x, sl_aa.y(), static_cast<unsigned>(span->len));
          ren.blend_color_hspan(span->x, sl_aa.y(), span->len, colors, span->covers);
        }
        continue;
      }
      const int start = compound.scanline_start();
      const unsigned length = compound.scanline_length();
      if (length == 0) continue;
      uint32_t* mix = mix_row.data() + (start - min_x);
      uint8_t* taken = mix_cover.data() + (start - min_x);
      int y = INT_MIN;
      for (unsigned i = 0; i < styles; ++i) {
        if (!compound.sweep_scanline(sl_aa, static_cast<int>(i))) continue;
        if (y == INT_MIN) {
          y = sl_aa.y();
          if (y >= row1) return;
          std::memset(mix, 0, length * sizeof(uint32_t));
          std::memset(taken, 0, length);
        }
        const PaintStyle& paint = paints[compound.style(i)];
        uint32_t solid;
        std::memcpy(&solid, &paint.solid, 4);
        auto span = sl_aa.begin();
        for (unsigned n = sl_aa.num_spans(); n > 0; --n, ++span) {
          const size_t at = static_cast<size_t>(span->x - start);
          if (!paint.IsSolid())
            row_spans.Generate(paint, colors, span->x, y, static_cast<unsigned>(span->len));
          MixCovers(mix + at, taken + at, span->covers, span->len,
                    paint.IsSolid() ? nullptr : reinterpret_cast<const uint32_t*>(colors), solid);
        }
      }
      if (y != INT_MIN)
        ren.blend_color_hspan(start, y, static_cast<int>(length), reinterpret_cast<Color*>(mix),
                              nullptr, agg::cover_full);
    }
  }

  // Low-quality drawing of what the compound rasteriser holds: each pixel whose centre the
  // shape covers takes the one fill that covers the most of it. A pixel where three or more
  // fills meet may have no fill over half of it while the shape as a whole covers it; judging
  // each fill on its own would leave such a pixel empty, a hole inside the shape.
  // Only rows [Row0, Row1) are drawn (one band of the frame).
  void RenderCompoundBinary(BaseRenderer& ren, const std::vector<PaintStyle>& Paints, int Row0,
                            int Row1) {
    const size_t len = BeginCompoundSweep(Row0);
    if (len == 0) return;
    const int min_x = compound.min_x();
    if (row_total.size() < len) {
      row_total.resize(len, 0);
      row_best.resize(len, 0);
      row_style.resize(len);
    }
    unsigned styles;
    while ((styles = compound.sweep_styles()) > 0) {
      int y = 0, lo = INT_MAX, hi = INT_MIN;
      for (unsigned i = 0; i < styles; ++i) {
        const int style = static_cast<int>(compound.style(i));
        if (!compound.sweep_scanline(sl_aa, static_cast<int>(i))) continue;
        y = sl_aa.y();
        auto span = sl_aa.begin();
        for (unsigned n = sl_aa.num_spans(); n > 0; --n, ++span) {
          const int x0 = span->x - min_x;
          lo = std::min(lo, x0);
          hi = std::max(hi, x0 + span->len - 1);
          for (int k = 0; k < span->len; ++k) {
            const unsigned c = span->covers[k];
            const int x = x0 + k;
            row_total[x] = static_cast<uint16_t>(row_total[x] + c);
            if (c > row_best[x]) {
              row_best[x] = static_cast<uint8_t>(c);
              row_style[x] = style;
            }
          }
        }
      }
      const bool in_band = y >= Row0 && y < Row1;
      for (int x = lo; in_band && x <= hi;) {
        if (row_total[x] < 128) {
          ++x;
          continue;
        }
        const int style = row_style[x];
        int end = x + 1;
        while (end <= hi && row_total[end] >= 128 && row_style[end] == style) ++end;
        const PaintStyle& paint = Paints[static_cast<size_t>(style)];
        const int run = end - x;
        if (paint.IsSolid()) {
          ren.blend_hline(x + min_x, y, end - 1 + min_x, paint.solid, agg::cover_full);
        } else {
          Color* colors = alloc.allocate(static_cast<unsigned>(run));
          row_spans.Generate(paint, colors, x + min_x, y, static_cast<unsigned>(run));
          ren.blend_color_hspan(x + min_x, y, run, colors, nullptr, agg::cover_full);
        }
        x = end;
      }
      // The row buffers stay zero between scan lines.
      for (int x = lo; x <= hi; ++x) row_total[x] = row_best[x] = 0;
      if (y >= Row1 - 1) break;  // the band's last row is done
    }
  }

  // Fills a group whose every filled side uses `style`. The compound rasteriser counts an edge
  // positively where the style lies on its left (fill0) and negatively where it lies on its right
  // (fill1); feeding the fill1 paths backwards gives the ordinary rasteriser the same signed
  // coverage. A path with the style on both sides adds nothing.
  template <typename StyleOf>
  void DrawSingleFill(const ShapeGroup& group, const Matrix& m, bool even_odd, BaseRenderer& ren,
                      int style, const PaintStyle& paint, StyleOf style_of, Placement place) {
    if (place == Placement::Inside)
      scan.reset_clipping();
    else
      scan.clip_box(0, 0, target.width, target.height);
    scan.filling_rule(even_odd ? agg::fill_even_odd : agg::fill_non_zero);
    scan.auto_close(false);
    RowFeed<decltype(scan)> feed(scan, row0 - 2, row1 + 2);
    for (const ShapePath& p : group.paths) {
      bool left = style_of(p.fill0) == style, right = style_of(p.fill1) == style;
      if (left == right) continue;
      points.clear();
      double px, py;
      m.Apply(p.start_x, p.start_y, px, py);
      points.push_back(px);
      points.push_back(py);
      TraceEdges(p, m, px, py, [&](double x, double y) {
        points.push_back(x);
        points.push_back(y);
      });
      size_t n = points.size() / 2;
      if (left) {
        feed.MoveTo(points[0], points[1]);
        for (size_t i = 1; i < n; ++i) feed.LineTo(points[2 * i], points[2 * i + 1]);
      } else {
        feed.MoveTo(points[2 * n - 2], points[2 * n - 1]);
        for (size_t i = n - 1; i-- > 0;) feed.LineTo(points[2 * i], points[2 * i + 1]);
      }
    }
    RenderScan(paint, ren);
    scan.auto_close(true);
  }

  // Paints what the ordinary rasteriser (or, for lines at low quality, the centre sampler)
  // holds with `paint`.
  void RenderScan(const PaintStyle& paint, BaseRenderer& ren) { RenderScan(paint, ren, scan); }
  template <typename Rasterizer>
  void RenderScan(const PaintStyle& paint, BaseRenderer& ren, Rasterizer& ras) {
    if (paint.IsSolid()) {
      agg::renderer_scanline_aa_solid<BaseRenderer> solid(ren);
      solid.color(paint.solid);
      if (quality == Quality::Low)
        RenderRows(ras, sl_bin_packed, solid, row0, row1);
      else
        RenderRows(ras, sl_packed, solid, row0, row1);
    } else {
      row_spans.Reset();
      StyleSpanGenerator gen{&paint, &row_spans};
      agg::renderer_scanline_aa<BaseRenderer, agg::span_allocator<Color>, StyleSpanGenerator> spans(
          ren, alloc, gen);
      if (quality == Quality::Low)
        RenderRows(ras, sl_bin_packed, spans, row0, row1);
      else
        RenderRows(ras, sl_packed, spans, row0, row1);
    }
  }

  double StrokeWidth(const LineStyle& l, const Matrix& m) const {
    double hscale = std::sqrt(m.a * m.a + m.b * m.b);
    double vscale = std::sqrt(m.c * m.c + m.d * m.d);
    double scale;
    if (l.no_hscale && l.no_vscale)
      scale = 1.0 / 20;
    else if (l.no_hscale)
      scale = vscale;
    else if (l.no_vscale)
      scale = hscale;
    else
      scale = (hscale + vscale) / 2;
    // Lines are never thinner than one pixel (width 0 is such a hairline).
    return std::max(1.0, l.width * scale);
  }

  // Strokes keep their path in either quality, as fills do: at low quality a pixel is inked when
  // its centre lies within half the width of the path. `prepared`, when given, holds a paint for
  // each of the group's line styles.
  void DrawLines(const ShapeGroup& group, const Matrix& m, const ColorTransform& cx,
                 BaseRenderer& ren, const std::vector<PaintStyle>* prepared = nullptr) {
    if (prepared && prepared->size() != group.line_styles.size()) return;
    // Nudged, centres a hair outside a slanting line would count as inside.
    const Matrix path_m = WithoutNudge(m);
    for (size_t li = 0; li < group.line_styles.size(); ++li) {
      const LineStyle& style = group.line_styles[li];
      agg::path_storage& path = line_path;
      path.remove_all();
      bool open = false;
      double cur_x = 0, cur_y = 0, sub_x = 0, sub_y = 0;
      auto close_if_loop = [&]() {
        if (open && !style.no_close && std::fabs(cur_x - sub_x) < 1e-9 &&
            std::fabs(cur_y - sub_y) < 1e-9)
          path.close_polygon();
      };
      for (const ShapePath& p : group.paths) {
        if (p.line != li + 1) continue;
        double px, py;
        path_m.Apply(p.start_x, p.start_y, px, py);
        // A path that continues where the last one ended stays one line, so joins are drawn.
        if (!open || px != cur_x || py != cur_y) {
          close_if_loop();
          path.move_to(px, py);
          sub_x = px;
          sub_y = py;
          open = true;
        }
        TraceEdges(p, path_m, px, py, [&](double x, double y) { path.line_to(x, y); });
        cur_x = px;
        cur_y = py;
      }
      if (!open) continue;
      close_if_loop();
      const double width = StrokeWidth(style, m), miter_limit = std::max(1.0, style.miter_limit);
      // The outline keeps within half the width of the line (a square cap's corner within
      // 1.5 times that, a miter within the miter limit times that), plus a pixel for rounding.
      const Placement place = PlaceStroke(path, width / 2 * std::max(miter_limit, 1.5) + 1);
      if (place == Placement::Outside) continue;
      agg::conv_stroke<agg::path_storage> stroke(path);
      stroke.width(width);
      stroke.line_cap(AggCap(style.start_cap));
      stroke.line_join(AggJoin(style.join));
      stroke.miter_limit(miter_limit);
      if (place == Placement::Inside)
        scan.reset_clipping();
      else
        scan.clip_box(0, 0, target.width, target.height);
      if (quality == Quality::Low) {
        // Inked where the pixel's centre lies within the line, however thin the line.
        centres.Reset(target.width, target.height);
        centres.AddPath(stroke);
      } else {
        scan.filling_rule(agg::fill_non_zero);
        scan.add_path(stroke);
      }
      auto paint_with = [&](const PaintStyle& paint) {
        if (quality == Quality::Low)
          RenderScan(paint, ren, centres);
        else
          RenderScan(paint, ren, scan);
      };
      if (prepared) {
        paint_with((*prepared)[li]);
      } else {
        paint_with(LinePaint(style, m, cx));  // as the bands make it
      }
    }
  }
  // The drawing calls, on this surface stack.
  void Clear(Rgba background);
  void DrawShape(const ShapeDef& shape, const Matrix& twips_to_pixels, const ColorTransform& cx,
                 const Recorded* prepared = nullptr);
  void DrawCoverage(const CoverageMask& mask, int x, int y, Rgba color);
  void BeginMask();
  void EndMask();
  void PopMask();
  void PushLayer(const std::vector<Filter>& filters, double filter_scale,
                 KeptLayer* keep = nullptr);
  bool NextLayerBox(const std::vector<Filter>& filters, double filter_scale, LayerBox& box) const;
  void DrawKept(const KeptLayer& picture, int dx, int dy, int blend_mode);
  // With `shared`, the layer's content bounds are taken from there instead of its own pixels
  // (the union over the bands of an unfiltered layer; empty for none).
  void PopLayer(int blend_mode, const std::vector<Filter>& filters, double filter_scale,
                const DirtyArea* shared = nullptr);
  // The content bounds PopLayer would composite for the top layer, in this band's rows; false
  // when it would composite nothing.
  bool PoppedBounds(int blend_mode, DirtyArea& out) const;
  void Replay(const Recorded& r);

  // `twips_to_pixels` onto the top surface, as shapes are drawn.
  Matrix PixelMatrix(const Matrix& twips_to_pixels) const {
    Matrix m = twips_to_pixels;
    m.tx -= surfaces.back().origin_x;
    m.ty -= surfaces.back().origin_y;
    if (quality == Quality::Low) {
      m.tx -= kLowQualityNudge;
      m.ty -= kLowQualityNudge;
    }
    return m;
  }

  // Drawing in bands: each band draws the whole frame's calls into its own rows. The calls are
  // kept until Flush; `kinds` follows the bands' surface stack as the calls are kept.
  std::vector<std::unique_ptr<Impl>> bands;
  std::vector<Recorded> recorded;
  std::vector<Surface::Kind> kinds;
  std::function<void(int)> run_band;
  DirtyArea popped;  // a band's: what FindPoppedBounds found

  bool KeptMaskMode() const {
    for (auto it = kinds.rbegin(); it != kinds.rend(); ++it) {
      if (*it == Surface::Kind::MaskContent) return true;
      if (*it == Surface::Kind::Masked) return false;
    }
    return false;
  }
  void KeepKindsOfBands() {
    kinds.clear();
    for (const Surface& s : bands.front()->surfaces) kinds.push_back(s.kind);
  }
  void Flush() {
    if (recorded.empty()) return;
    try {
      RunBands(static_cast<int>(bands.size()), run_band);
    } catch (...) {
      recorded.clear();
      throw;
    }
    recorded.clear();
  }

  // Renderer state left by earlier frames, with the rasterisers' cell, span and row storage it
  // grew: a frame after the first allocates none of that again (each band has a state of its
  // own, so a frame in bands would otherwise allocate and free it for every band).
  static std::mutex& KeptMutex() {
    static std::mutex m;
    return m;
  }
  static std::vector<std::unique_ptr<Impl>>& Kept() {
    static std::vector<std::unique_ptr<Impl>> kept;
    return kept;
  }
  static std::unique_ptr<Impl> Make() {
    {
      std::lock_guard<std::mutex> lock(KeptMutex());
      if (!Kept().empty()) {
        std::unique_ptr<Impl> d = std::move(Kept().back());
        Kept().pop_back();
        return d;
      }
    }
    return std::make_unique<Impl>();
  }
  // Gives back `d` and the bands it holds, cleared of the frame they drew.
  static void Keep(std::unique_ptr<Impl> d) {
    for (auto& band : d->bands) Keep(std::move(band));
    d->bands.clear();
    d->recorded.clear();
    d->kinds.clear();
    d->run_band = nullptr;
    d->surfaces.clear();  // layers left by an unbalanced frame keep their storage as usual
    d->layers = d->skipped_layers = d->keeping = 0;
    d->layer_bytes = 0;
    d->row0 = d->row1 = 0;
    d->lookup = nullptr;
    d->compound.reset();
    d->scan.reset();
    constexpr size_t kMaxKept = 160;  // every band of the largest pool, with some to spare
    std::lock_guard<std::mutex> lock(KeptMutex());
    if (Kept().size() < kMaxKept) Kept().push_back(std::move(d));
  }
};

void Renderer::Impl::Replay(const Recorded& r) {
  switch (r.op) {
    case Recorded::Op::Clear: Clear(r.color); break;
    case Recorded::Op::Shape: DrawShape(*r.shape, r.matrix, r.cx, &r); break;
    case Recorded::Op::Coverage: DrawCoverage(*r.mask, r.x, r.y, r.color); break;
    case Recorded::Op::BeginMask: BeginMask(); break;
    case Recorded::Op::EndMask: EndMask(); break;
    case Recorded::Op::PopMask: PopMask(); break;
    case Recorded::Op::PushLayer: PushLayer(r.filters, r.filter_scale, r.keep.get()); break;
    case Recorded::Op::PopLayer:
      PopLayer(r.blend_mode, r.filters, r.filter_scale, r.has_shared ? &r.shared : nullptr);
      break;
    case Recorded::Op::FindPoppedBounds:
      if (!PoppedBounds(r.blend_mode, popped)) popped = {};
      break;
    case Recorded::Op::DrawKept: DrawKept(*r.picture, r.x, r.y, r.blend_mode); break;
  }
}

Renderer::Renderer(RenderTarget target, Quality quality, const CharacterLookup* lookup, int bands)
    : impl_(Impl::Make()), quality_(quality) {
  if (target.width < 0 || target.height < 0 ||
      (target.width > 0 && target.height > 0 && !target.pixels) ||
      (target.height > 0 && target.stride < target.width * 4))
    throw std::invalid_argument("render target is not valid");
  impl_->target = target;
  impl_->quality = quality;
  impl_->lookup = lookup;
  Surface base;
  base.pixels = target.pixels;
  base.stride = target.stride;
  base.width = target.width;
  base.height = target.height;
  base.row1 = target.height;
  impl_->surfaces.push_back(base);
  impl_->UseTop();
  // Bands of at least 16 rows, handed out to the pool's threads as they come free.
  bands = std::min(bands, target.height / 16);
  if (bands <= 1 || target.width <= 0) return;
  for (int i = 0; i < bands; ++i) {
    std::unique_ptr<Impl> band = Impl::Make();
    band->target = target;
    band->quality = quality;
    band->lookup = lookup;
    base.row0 = static_cast<int>(int64_t{target.height} * i / bands);
    base.row1 = static_cast<int>(int64_t{target.height} * (i + 1) / bands);
    band->surfaces.push_back(base);
    band->UseTop();
    impl_->bands.push_back(std::move(band));
  }
  impl_->KeepKindsOfBands();
  Impl* d = impl_.get();
  d->run_band = [d](int i) {
    Impl& band = *d->bands[static_cast<size_t>(i)];
    for (const Recorded& r : d->recorded)
      if (i > 0 || !r.done_by_first) band.Replay(r);
  };
}

Renderer::~Renderer() {
  try {
    Finish();
  } catch (...) {
    // Nothing to tell from here: the frame is left as far as it came.
  }
  Impl::Keep(std::move(impl_));
}

int Renderer::BandsFor(int width, int height) {
  // Below about a quarter of a million pixels one thread is as fast as handing out bands.
  if (static_cast<int64_t>(width) * height < 250000) return 1;
  // Two bands a thread: the pool hands them out as threads come free, so one that the machine
  // keeps waiting holds up fewer rows.
  const int threads = RenderThreads();
  return threads <= 1 ? 1 : 2 * threads;
}

int Renderer::BandsFor(int width, int height, int rows_read) {
  const int most = BandsFor(width, height);
  if (rows_read == 0 || most <= 1) return most;
  if (rows_read < 0 || height <= 0) return 1;
  // Each band's rows and twice the rows read around them are worked on, the bands shared out
  // over the threads: the count that gets through the frame soonest, the smaller one on a tie.
  const double threads = RenderThreads();
  int best = 1;
  double best_time = 1.0;
  for (int b = 2; b <= most; ++b) {
    const double time = (1.0 + 2.0 * rows_read * b / height) / std::min<double>(b, threads);
    if (time < best_time) {
      best = b;
      best_time = time;
    }
  }
  return best;
}

int Renderer::bands() const {
  return impl_->bands.empty() ? 1 : static_cast<int>(impl_->bands.size());
}

void Renderer::Finish() {
  if (!impl_->bands.empty()) impl_->Flush();
}

void Renderer::Clear(Rgba background) {
  Impl& d = *impl_;
  if (d.bands.empty()) return d.Clear(background);
  Recorded r;
  r.op = Recorded::Op::Clear;
  r.color = background;
  d.recorded.push_back(std::move(r));
}

void Renderer::DrawShape(const ShapeDef& shape, const Matrix& twips_to_pixels,
                         const ColorTransform& cx) {
  Impl& d = *impl_;
  if (d.bands.empty()) return d.DrawShape(shape, twips_to_pixels, cx);
  const Impl& first = *d.bands.front();
  if (first.target.width <= 0 || first.target.height <= 0) return;
  Recorded r;
  r.op = Recorded::Op::Shape;
  r.shape = std::make_shared<ShapeDef>(shape);
  r.matrix = twips_to_pixels;
  r.cx = cx;
  r.mask_mode = d.KeptMaskMode();
  // The paints are made now, while what the lookup lends is there; a fill that lies wholly
  // outside the surface gets none (it draws nothing and its bitmap need not be decoded).
  const Matrix m = first.PixelMatrix(twips_to_pixels);
  bool borrowed = false;
  r.fills.resize(shape.groups.size());
  r.lines.resize(shape.groups.size());
  for (size_t g = 0; g < shape.groups.size(); ++g) {
    const ShapeGroup& group = shape.groups[g];
    const uint32_t count = static_cast<uint32_t>(group.fill_styles.size());
    auto style_of = [count](uint32_t fill) {
      return fill <= count ? static_cast<int>(fill) - 1 : -1;
    };
    if (first.PlaceFills(group, m, style_of, false) != Impl::Placement::Outside)
      first.MakeFillPaints(group, m, cx, r.mask_mode, r.fills[g]);
    if (!r.mask_mode)
      for (const LineStyle& l : group.line_styles) r.lines[g].push_back(first.LinePaint(l, m, cx));
    for (const auto* paints : {&r.fills[g], &r.lines[g]})
      for (const PaintStyle& p : *paints) borrowed = borrowed || p.BorrowsPixels();
  }
  d.recorded.push_back(std::move(r));
  // Pixels only lent for the call are drawn before it returns.
  if (borrowed) d.Flush();
}

void Renderer::DrawMorphShape(const MorphShapeDef& morph, double ratio,
                              const Matrix& twips_to_pixels, const ColorTransform& cx) {
  DrawShape(morph.Interpolate(ratio), twips_to_pixels, cx);
}

void Renderer::DrawCoverage(const CoverageMask& mask, int x, int y, Rgba color) {
  Impl& d = *impl_;
  if (d.bands.empty()) return d.DrawCoverage(mask, x, y, color);
  Recorded r;
  r.op = Recorded::Op::Coverage;
  r.mask = std::make_shared<CoverageMask>(mask);
  r.x = x;
  r.y = y;
  r.color = color;
  d.recorded.push_back(std::move(r));
}

void Renderer::BeginMask() {
  Impl& d = *impl_;
  if (d.bands.empty()) return d.BeginMask();
  d.recorded.push_back(OpOnly(Recorded::Op::BeginMask));
  d.kinds.push_back(Surface::Kind::MaskContent);
}

void Renderer::EndMask() {
  Impl& d = *impl_;
  if (d.bands.empty()) return d.EndMask();
  d.recorded.push_back(OpOnly(Recorded::Op::EndMask));
  if (d.kinds.back() == Surface::Kind::MaskContent) d.kinds.back() = Surface::Kind::Masked;
}

void Renderer::PopMask() {
  Impl& d = *impl_;
  if (d.bands.empty()) return d.PopMask();
  d.recorded.push_back(OpOnly(Recorded::Op::PopMask));
  if (d.kinds.back() == Surface::Kind::MaskContent) d.kinds.back() = Surface::Kind::Masked;
  if (d.kinds.back() == Surface::Kind::Masked) d.kinds.pop_back();
}

void Renderer::PushLayer() { PushLayer({}, 1.0); }

void Renderer::PopLayer(int blend_mode) { PopLayer(blend_mode, {}, 1.0); }

// Layers in bands: each band holds the layer's rows over its own, and those its filters reach
// or read around them. An unfiltered layer lies where the surface below lies, so the paints that
// follow are made as before and the bands go on without meeting. Popped, its clear pixels change
// nothing below it except in alpha mode, where its bounds do. An alpha or filtered layer is
// composited (and filtered) within the bounds of its content over all bands, as one band would:
// a band's filter then sees what one band's would over every row it works out for its own rows.
// A filtered layer's margin moves the surfaces' origins: the bands meet at its push and pop.
void Renderer::PushLayer(const std::vector<Filter>& filters, double filter_scale) {
  PushLayer(filters, filter_scale, nullptr);
}

void Renderer::PushLayer(const std::vector<Filter>& filters, double filter_scale,
                         const std::shared_ptr<KeptLayer>& keep) {
  Impl& d = *impl_;
  if (d.bands.empty()) return d.PushLayer(filters, filter_scale, keep.get());
  Recorded r;
  r.op = Recorded::Op::PushLayer;
  r.filters = filters;
  r.filter_scale = filter_scale;
  r.keep = keep;
  d.recorded.push_back(std::move(r));
  if (filters.empty()) {
    d.kinds.push_back(Surface::Kind::Layer);  // no mask: mask mode stays as it is
    return;
  }
  d.Flush();  // the surfaces' origins are known again for the paints that follow
  d.KeepKindsOfBands();
}

void Renderer::PopLayer(int blend_mode, const std::vector<Filter>& filters, double filter_scale) {
  PopLayer(blend_mode, filters, filter_scale, nullptr);
}

// A layer whose picture is kept is popped as a filtered one is: the picture is placed where the
// bands' bounds met, and each band fills in its rows.
void Renderer::PopLayer(int blend_mode, const std::vector<Filter>& filters, double filter_scale,
                        const std::shared_ptr<KeptLayer>& keep) {
  Impl& d = *impl_;
  if (d.bands.empty()) return d.PopLayer(blend_mode, filters, filter_scale);
  if (!keep && filters.empty() && blend_mode != kBlendAlpha) {
    Recorded r;
    r.op = Recorded::Op::PopLayer;
    r.blend_mode = blend_mode;
    d.recorded.push_back(std::move(r));
    // A layer the kinds show since the bands last drew is gone, so that a mask's kind is on top
    // again for EndMask and PopMask.
    if (d.kinds.size() > 1 && d.kinds.back() == Surface::Kind::Layer) d.kinds.pop_back();
    return;
  }
  // Alpha and filters act within the bounds of the layer's content over all bands, as in one:
  // the bands draw what lies in the layer and find its bounds in their rows, then the first band
  // pops the layer at once, so that the paints that follow are made for the surface below; the
  // others pop it when they next draw.
  Recorded find;
  find.op = Recorded::Op::FindPoppedBounds;
  find.blend_mode = blend_mode;
  d.recorded.push_back(std::move(find));
  d.Flush();
  Recorded r;
  r.op = Recorded::Op::PopLayer;
  r.blend_mode = blend_mode;
  r.filters = filters;
  r.filter_scale = filter_scale;
  r.has_shared = true;
  for (const auto& band : d.bands)
    r.shared.Add(band->popped.x0, band->popped.y0, band->popped.x1, band->popped.y1);
  r.done_by_first = true;
  Impl& first = *d.bands.front();
  if (keep && first.skipped_layers == 0 && first.Top().keep == keep.get()) {
    // As PopLayer decides, with the layer still counted.
    const bool acts =
        !((blend_mode == kBlendAlpha || blend_mode == kBlendErase) && first.layers == 1);
    if (acts) Impl::SizeKept(*keep, first.Top(), filters, filter_scale, r.shared);
  }
  first.Replay(r);
  d.recorded.push_back(std::move(r));
  d.KeepKindsOfBands();
}

bool Renderer::NextLayerBox(const std::vector<Filter>& filters, double filter_scale,
                            LayerBox& box) {
  Impl& d = *impl_;
  if (d.bands.empty()) return d.NextLayerBox(filters, filter_scale, box);
  // The first band decides from its stack of surfaces, which must be the one the calls kept so
  // far leave: layers pushed since it last drew count against the budget.
  Impl& first = *d.bands.front();
  bool current = first.surfaces.size() == d.kinds.size();
  for (size_t i = 0; current && i < d.kinds.size(); ++i)
    current = first.surfaces[i].kind == d.kinds[i];
  if (!current) {
    d.Flush();
    d.KeepKindsOfBands();
  }
  return first.NextLayerBox(filters, filter_scale, box);
}

void Renderer::DrawKeptLayer(const std::shared_ptr<const KeptLayer>& picture, int dx, int dy,
                             int blend_mode) {
  Impl& d = *impl_;
  if (!picture) return;
  if (d.bands.empty()) return d.DrawKept(*picture, dx, dy, blend_mode);
  Recorded r;
  r.op = Recorded::Op::DrawKept;
  r.picture = picture;
  r.x = dx;
  r.y = dy;
  r.blend_mode = blend_mode;
  d.recorded.push_back(std::move(r));
}

void Renderer::Impl::Clear(Rgba background) {
  Surface& s = Top();
  uint8_t px[4] = {static_cast<uint8_t>((background.b * background.a + 127) / 255),
                   static_cast<uint8_t>((background.g * background.a + 127) / 255),
                   static_cast<uint8_t>((background.r * background.a + 127) / 255), background.a};
  // The first row pixel by pixel, the others copied from it.
  const size_t row_bytes = static_cast<size_t>(target.width) * 4;
  const uint8_t* first = s.pixels + static_cast<size_t>(s.row0) * s.stride;
  s.dirty.Add(0, s.row0, target.width, s.row1);
  for (int y = s.row0; y < s.row1; ++y) {
    uint8_t* row = s.pixels + static_cast<size_t>(y) * s.stride;
    if (y == s.row0) {
      for (int x = 0; x < target.width; ++x) std::memcpy(row + x * 4, px, 4);
    } else {
      std::memcpy(row, first, row_bytes);
    }
  }
}

void Renderer::Impl::DrawShape(const ShapeDef& shape, const Matrix& twips_to_pixels,
                               const ColorTransform& cx, const Recorded* prepared) {
  Impl& d = *this;
  if (d.target.width <= 0 || d.target.height <= 0) return;
  const Matrix& t = twips_to_pixels;
  if (!std::isfinite(t.a) || !std::isfinite(t.b) || !std::isfinite(t.c) || !std::isfinite(t.d) ||
      !std::isfinite(t.tx) || !std::isfinite(t.ty))
    return;
  Surface& s = d.Top();
  BaseRenderer ren = d.Blender(s);
  bool mask_mode = d.MaskMode();
  const Matrix m = d.PixelMatrix(twips_to_pixels);
  if (prepared && prepared->mask_mode != mask_mode) return;  // not the surface it was made for
  d.NoteShapeReach(shape, m);
  for (size_t g = 0; g < shape.groups.size(); ++g) {
    const ShapeGroup& group = shape.groups[g];
    d.DrawFills(group, m, cx, !shape.non_zero_winding, ren, mask_mode,
                prepared ? &prepared->fills[g] : nullptr);
    if (!mask_mode) d.DrawLines(group, m, cx, ren, prepared ? &prepared->lines[g] : nullptr);
  }
}

void Renderer::Impl::DrawCoverage(const CoverageMask& mask, int x, int y, Rgba color) {
  Impl& d = *this;
  if (d.target.width <= 0 || d.target.height <= 0 || mask.width <= 0) return;
  Surface& s = d.Top();
  BaseRenderer ren = d.Blender(s);
  Color c = PaintStyle::Solid(d.MaskMode() ? Rgba{255, 255, 255, 255} : color).solid;
  // (x, y) is on the target; a layer reaching beyond the surface below starts further out.
  const int left = x + mask.left - s.origin_x, top = y + mask.top - s.origin_y;
  // A kept picture is cut when the glyph reaches past the target, as shapes are measured.
  if (d.keeping > 0 && !d.MaskMode() &&
      (x + mask.left < 0 || y + mask.top < 0 || x + mask.left + mask.width > d.target.width ||
       y + mask.top + mask.height > d.target.height))
    d.MarkCut();
  for (int row = 0; row < mask.height; ++row)
    ren.blend_solid_hspan(left, top + row, mask.width, c,
                          mask.coverage.data() + static_cast<size_t>(row) * mask.width);
}

void Renderer::Impl::BeginMask() { PushSurface(Surface::Kind::MaskContent); }

void Renderer::Impl::EndMask() {
  Impl& d = *this;
  if (d.Top().kind != Surface::Kind::MaskContent) return;  // unbalanced call: ignored
  const Surface& content = d.Top();
  // The mask is clear where its content was not drawn on.
  std::vector<uint8_t> mask = KeptBuffers::Shared().Take(static_cast<size_t>(d.target.width) *
                                                         (content.row1 - content.row0));
  DirtyArea area = content.dirty;
  area.x0 = std::max(area.x0, 0);
  area.x1 = std::min(area.x1, d.target.width);
  area.y0 = std::max(area.y0, content.row0);
  area.y1 = std::min(area.y1, content.row1);
  if (area.Empty()) area = {};
  for (int y = area.y0; y < area.y1; ++y) {
    const uint8_t* row = content.pixels + static_cast<size_t>(y) * content.stride;
    uint8_t* out = mask.data() + static_cast<size_t>(y - content.row0) * d.target.width;
    int x = area.x0;
    if (WideBlendAvailable())
      x += WideAlphaRow(out + x, reinterpret_cast<const uint32_t*>(row) + x, area.x1 - area.x0);
    for (; x < area.x1; ++x) out[x] = row[x * 4 + 3];
  }
  d.surfaces.pop_back();
  d.UseTop();
  d.PushSurface(Surface::Kind::Masked);
  d.Top().mask = std::move(mask);
  d.Top().mask_area = area;
}

void Renderer::Impl::PopMask() {
  Impl& d = *this;
  if (d.Top().kind == Surface::Kind::MaskContent) EndMask();  // a mask with nothing clipped
  if (d.Top().kind != Surface::Kind::Masked) return;
  d.CompositeDown(d.Top(), &d.Top().mask);
  d.surfaces.pop_back();
  d.UseTop();
}

void Renderer::Impl::PushLayer(const std::vector<Filter>& filters, double filter_scale,
                               KeptLayer* keep) {
  Impl& d = *this;
  int pad = 0, rows_read = 0;
  size_t bytes = 0;
  if (!d.PlanLayer(filters, filter_scale, pad, rows_read, bytes)) {
    ++d.skipped_layers;
    return;
  }
  d.PushSurface(Surface::Kind::Layer, pad, rows_read);
  Surface& s = d.Top();
  s.budget_bytes = bytes;
  d.layer_bytes += bytes;
  ++d.layers;
  if (keep) {
    s.keep = keep;
    ++d.keeping;
    // Written by one band only: every band's layer lies alike.
    if (d.surfaces.front().row0 == 0) keep->layer = {s.origin_x, s.origin_y, s.width, s.height};
  }
}

bool Renderer::Impl::NextLayerBox(const std::vector<Filter>& filters, double filter_scale,
                                  LayerBox& box) const {
  int pad = 0, rows_read = 0;
  size_t bytes = 0;
  if (!PlanLayer(filters, filter_scale, pad, rows_read, bytes)) return false;
  const Surface& below = surfaces.back();
  box = {below.origin_x - pad, below.origin_y - pad, below.width + 2 * pad,
         below.height + 2 * pad};
  return true;
}

void Renderer::Impl::DrawKept(const KeptLayer& picture, int dx, int dy, int blend_mode) {
  Impl& d = *this;
  // Alpha and erase act on the layer they are drawn into; the stage itself is no layer.
  if ((blend_mode == kBlendAlpha || blend_mode == kBlendErase) && d.layers == 0) return;
  Surface& dst = d.Top();
  // The picture's corner on the surface.
  const int64_t ox = int64_t{picture.left} + dx - dst.origin_x,
                oy = int64_t{picture.top} + dy - dst.origin_y;
  if (d.keeping > 0 && (picture.cut || ox < 0 || oy < 0 || ox + picture.width > dst.width ||
                        oy + picture.height > dst.height))
    d.MarkCut();
  const int x0 = static_cast<int>(std::max<int64_t>(ox, 0)),
            x1 = static_cast<int>(std::min<int64_t>(ox + picture.width, dst.width));
  const int y0 = static_cast<int>(std::max<int64_t>({oy, 0, dst.row0})),
            y1 = static_cast<int>(std::min<int64_t>({oy + picture.height, dst.height, dst.row1}));
  if (x0 >= x1 || y0 >= y1) return;
  dst.dirty.Add(x0, y0, x1, y1);
  // The normal mode (and those that blend as it does) in a quicker way with the same rounding.
  const bool over = blend_mode < kBlendMultiply || blend_mode > kBlendHardlight;
  for (int y = y0; y < y1; ++y) {
    uint32_t* d = reinterpret_cast<uint32_t*>(dst.pixels + static_cast<size_t>(y) * dst.stride) + x0;
    const uint32_t* s = &picture.pixels[static_cast<size_t>(y - oy) * picture.width + (x0 - ox)];
    if (over)
      OverRow(d, s, x1 - x0);
    else
      BlendRow(d, s, x1 - x0, blend_mode);
  }
}

bool Renderer::Impl::PoppedBounds(int blend_mode, DirtyArea& out) const {
  if (skipped_layers > 0 || surfaces.back().kind != Surface::Kind::Layer) return false;
  // As PopLayer decides, with this layer still counted.
  const bool acts = !((blend_mode == kBlendAlpha || blend_mode == kBlendErase) && layers == 1);
  if (!acts || !ContentBounds(surfaces.back(), out.x0, out.y0, out.x1, out.y1)) return false;
  return true;
}

void Renderer::Impl::PopLayer(int blend_mode, const std::vector<Filter>& filters,
                              double filter_scale, const DirtyArea* shared) {
  Impl& d = *this;
  if (d.skipped_layers > 0) {
    --d.skipped_layers;
    return;
  }
  if (d.Top().kind != Surface::Kind::Layer) return;
  Surface layer = std::move(d.Top());
  d.surfaces.pop_back();
  --d.layers;
  d.layer_bytes -= layer.budget_bytes;
  KeptLayer* keep = std::exchange(layer.keep, nullptr);
  if (keep) --d.keeping;
  // Alpha and erase change the layer they are drawn into; the stage itself is no layer.
  const bool acts = !((blend_mode == kBlendAlpha || blend_mode == kBlendErase) && d.layers == 0);
  int x0, y0, x1, y1;
  // Bounds and filters work in the layer's own size, `target` still describing it.
  bool any;
  if (shared) {
    any = acts && !shared->Empty();
    x0 = shared->x0;
    y0 = shared->y0;
    x1 = shared->x1;
    y1 = shared->y1;
  } else {
    any = acts && d.ContentBounds(layer, x0, y0, x1, y1);
  }
  // In one band the picture kept is placed here; in several, where the bands' bounds were met.
  if (keep && acts && !keep->sized)
    SizeKept(*keep, layer, filters, filter_scale,
             any ? DirtyArea{x0, y0, x1, y1} : DirtyArea{});
  // A filtered layer is composited from its filters' result, where the rows begin at (fx, fy).
  const FilterImage* filtered = nullptr;
  int fx = 0, fy = 0;
  if (any && !filters.empty()) {
    any = d.FilterLayer(layer, filters, filter_scale, x0, y0, x1, y1);
    filtered = &Impl::Filtered();
    fx = x0;
    fy = y0;
  }
  d.UseTop();
  if (keep && acts && any) d.CopyKept(*keep, layer, filtered, fx, fy, x0, y0, x1, y1);
  if (keep && keep->cut && d.keeping > 0) d.MarkCut();
  if (!any) return;
  // Onto the surface below, where the two overlap.
  Surface& dst = d.Top();
  const int dx = layer.origin_x - dst.origin_x, dy = layer.origin_y - dst.origin_y;
  // A filtered layer reaches past the surface below: what lies beyond it is cut off.
  if (d.keeping > 0 &&
      (x0 < -dx || y0 < -dy || x1 > dst.width - dx || y1 > dst.height - dy))
    d.MarkCut();
  x0 = std::max(x0, -dx);
  y0 = std::max(y0, -dy);
  x1 = std::min(x1, dst.width - dx);
  y0 = std::max({y0, -dy, dst.row0 - dy});
  y1 = std::min({y1, dst.height - dy, dst.row1 - dy});
  if (x0 < x1) dst.dirty.Add(x0 + dx, y0 + dy, x1 + dx, y1 + dy);
  for (int y = y0; y < y1; ++y)
    BlendRow(
        reinterpret_cast<uint32_t*>(dst.pixels + static_cast<size_t>(y + dy) * dst.stride) + x0 +
            dx,
        filtered ? filtered->pixels.data() + static_cast<size_t>(y - fy) * filtered->width +
                       (x0 - fx)
                 : reinterpret_cast<const uint32_t*>(layer.pixels +
                                                     static_cast<size_t>(y) * layer.stride) +
                       x0,
        x1 - x0, blend_mode);
  if (filtered) Impl::TrimFiltered();
}

}  // namespace flash
