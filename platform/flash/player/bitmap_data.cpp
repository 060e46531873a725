#include "platform/flash/player/bitmap_data.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>

namespace flash {

namespace {

uint32_t Channel(uint32_t p, int shift) { return (p >> shift) & 0xFF; }

uint32_t Pack(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
  return a << 24 | r << 16 | g << 8 | b;
}

int Clamp255(double v) {
  if (!(v > 0)) return 0;
  return v >= 255 ? 255 : static_cast<int>(v);
}

// The shift of a PixelChannel bit within an ARGB value; -1 for anything else.
int ChannelShift(unsigned channel) {
  switch (channel) {
    case kChannelRed: return 16;
    case kChannelGreen: return 8;
    case kChannelBlue: return 0;
    case kChannelAlpha: return 24;
    default: return -1;
  }
}

}  // namespace

namespace {

// The straight colours of a rectangle inside `src`, rows of its width: read whole before the
// destination is written, as the source may be the destination.
std::vector<uint32_t> StraightBlock(const BitmapData& src, PixelRect sr) {
  std::vector<uint32_t> block(static_cast<size_t>(sr.width) * sr.height);
  for (int j = 0; j < sr.height; ++j)
    for (int i = 0; i < sr.width; ++i)
      block[static_cast<size_t>(j) * sr.width + i] = src.GetPixel32(sr.x + i, sr.y + j);
  return block;
}

// The same as stored (premultiplied in a transparent bitmap).
std::vector<uint32_t> StoredBlock(const BitmapData& src, PixelRect sr) {
  std::vector<uint32_t> block(static_cast<size_t>(sr.width) * sr.height);
  for (int j = 0; j < sr.height; ++j)
    for (int i = 0; i < sr.width; ++i)
      block[static_cast<size_t>(j) * sr.width + i] = src.At(sr.x + i, sr.y + j);
  return block;
}

}  // namespace

uint32_t Premultiply(uint32_t argb) {
  const uint32_t a = argb >> 24;
  if (a == 255) return argb;
  if (a == 0) return 0;
  auto m = [a](uint32_t c) { return (c * a + 127) / 255; };
  return Pack(a, m(Channel(argb, 16)), m(Channel(argb, 8)), m(Channel(argb, 0)));
}

uint32_t Unpremultiply(uint32_t p) {
  const uint32_t a = p >> 24;
  if (a == 255) return p;
  if (a == 0) return 0;
  auto u = [a](uint32_t c) { return std::min<uint32_t>(255, (c * 255 + (a - 1) / 2) / a); };
  return Pack(a, u(Channel(p, 16)), u(Channel(p, 8)), u(Channel(p, 0)));
}

namespace {

// A source pixel (premultiplied) of copyPixels under an alpha bitmap's alpha `m`. An opaque
// source takes `m` as its alpha. A transparent one goes back to its straight colour (halves
// rounding up), has its alpha scaled in eight bits (m of 0..255 stretched to 0..256, product
// cut down) and is premultiplied again.
uint32_t MaskedSource(uint32_t s, uint32_t m, bool src_transparent) {
  if (!src_transparent) return Premultiply(m << 24 | (s & 0xFFFFFF));
  const uint32_t a = s >> 24;
  if (a == 0) return 0;
  auto straight = [a](uint32_t c) { return std::min<uint32_t>(255, (c * 255 + a / 2) / a); };
  const uint32_t scaled = (a * (m + (m >> 7))) >> 8;
  return Premultiply(
      Pack(scaled, straight(Channel(s, 16)), straight(Channel(s, 8)), straight(Channel(s, 0))));
}

}  // namespace

PixelRandom::PixelRandom(int32_t seed) {
  // Seeds below one count back up from one: 0 starts as 1, -1 as 2, -2 as 3.
  const int64_t s = seed > 0 ? int64_t{seed} : 1 - int64_t{seed};
  state_ = static_cast<uint32_t>(s % 0x7FFFFFFF);
  if (state_ == 0) state_ = 1;
}

uint32_t PixelRandom::Next() {
  state_ = static_cast<uint32_t>((uint64_t{state_} * 16807) % 0x7FFFFFFF);
  return state_;
}

bool BitmapData::SizeAllowed(int version, int width, int height) {
  if (width <= 0 || height <= 0) return false;
  if (version <= 9) return width <= 2880 && height <= 2880;
  return width <= 8191 && height <= 8191 && int64_t{width} * height <= kMaxBitmapPixels;
}

namespace {
std::atomic<int64_t> live_pixels{0};
}  // namespace

int64_t BitmapData::LivePixels() { return live_pixels.load(std::memory_order_relaxed); }

void BitmapData::LiveCount::Set(int64_t n) {
  live_pixels.fetch_add(n - n_, std::memory_order_relaxed);
  n_ = n;
}

BitmapData::BitmapData(int width, int height, bool transparent, uint32_t argb)
    : width_(std::max(width, 0)), height_(std::max(height, 0)), transparent_(transparent) {
  pixels_.assign(static_cast<size_t>(width_) * height_, Stored(argb));
  live_.Set(static_cast<int64_t>(pixels_.size()));
}

void BitmapData::Dispose() {
  disposed_ = true;
  width_ = height_ = 0;
  std::vector<uint32_t>().swap(pixels_);
  live_.Set(0);
  picture_.reset();
  Touch();
}

uint32_t BitmapData::Stored(uint32_t argb) const {
  return transparent_ ? Premultiply(argb) : (argb | 0xFF000000u);
}

PixelRect BitmapData::Clip(PixelRect r) const {
  const int64_t x0 = std::max<int64_t>(r.x, 0), y0 = std::max<int64_t>(r.y, 0);
  const int64_t x1 = std::min<int64_t>(int64_t{r.x} + std::max(r.width, 0), width_);
  const int64_t y1 = std::min<int64_t>(int64_t{r.y} + std::max(r.height, 0), height_);
  if (x1 <= x0 || y1 <= y0) return {};
  return {static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1 - x0),
          static_cast<int>(y1 - y0)};
}

bool BitmapData::ClipCopy(const BitmapData& src, PixelRect& sr, int& dx, int& dy) const {
  // Work in 64 bits: scripts may pass any coordinates.
  int64_t sx = sr.x, sy = sr.y, w = std::max(sr.width, 0), h = std::max(sr.height, 0);
  int64_t tx = dx, ty = dy;
  auto cut = [](int64_t& s, int64_t& t, int64_t& len, int64_t s_limit, int64_t t_limit) {
    if (s < 0) {
      t -= s;
      len += s;
      s = 0;
    }
    if (t < 0) {
      s -= t;
      len += t;
      t = 0;
    }
    len = std::min({len, s_limit - s, t_limit - t});
  };
  cut(sx, tx, w, src.width_, width_);
  cut(sy, ty, h, src.height_, height_);
  if (w <= 0 || h <= 0) return false;
  sr = {static_cast<int>(sx), static_cast<int>(sy), static_cast<int>(w), static_cast<int>(h)};
  dx = static_cast<int>(tx);
  dy = static_cast<int>(ty);
  return true;
}

void BitmapData::KeepOpaque(int x, int y, int width, int height) {
  const PixelRect r = Clip({x, y, width, height});
  for (int j = r.y; j < r.y + r.height; ++j)
    for (int i = r.x; i < r.x + r.width; ++i) At(i, j) |= 0xFF000000u;
}

uint32_t BitmapData::GetPixel32(int x, int y) const {
  // An opaque bitmap's pixels are read as they stand.
  if (!Inside(x, y)) return 0;
  return transparent_ ? Unpremultiply(At(x, y)) : At(x, y);
}

uint32_t BitmapData::GetPixel(int x, int y) const { return GetPixel32(x, y) & 0xFFFFFF; }

void BitmapData::SetPixel32(int x, int y, uint32_t argb) {
  if (!Inside(x, y)) return;
  At(x, y) = Stored(argb);
  Touch();
}

void BitmapData::SetPixel(int x, int y, uint32_t rgb) {
  if (!Inside(x, y)) return;
  const uint32_t alpha = At(x, y) & 0xFF000000u;
  At(x, y) = Stored(alpha | (rgb & 0xFFFFFF));
  Touch();
}

void BitmapData::FillRect(PixelRect r, uint32_t argb) {
  // A negative width or height reaches back from x or y: the rectangle runs the other way.
  // Worked out in 64 bits and cut to the bitmap, as any coordinates may come.
  auto span = [](int start, int size, int limit, int& from, int& length) {
    int64_t a = start, b = int64_t{start} + size;
    if (b < a) std::swap(a, b);
    a = std::max<int64_t>(a, 0);
    b = std::min<int64_t>(b, limit);
    from = static_cast<int>(std::min<int64_t>(a, limit));
    length = static_cast<int>(std::max<int64_t>(b - a, 0));
  };
  span(r.x, r.width, width_, r.x, r.width);
  span(r.y, r.height, height_, r.y, r.height);
  const uint32_t v = Stored(argb);
  for (int y = r.y; y < r.y + r.height; ++y) std::fill_n(Row(y) + r.x, r.width, v);
  Touch();
}

void BitmapData::CopyPixels(const BitmapData& src, PixelRect sr, int dx, int dy,
                            const BitmapData* alpha, int ax, int ay, bool merge) {
  // An opaque alpha bitmap changes nothing; a transparent one limits the copy to where it lies.
  if (alpha && (!alpha->transparent_ || alpha->disposed_)) alpha = nullptr;
  const int sx0 = sr.x, sy0 = sr.y;
  if (!ClipCopy(src, sr, dx, dy)) return;
  // The source is read whole first: it may be this bitmap, overlapping the destination.
  std::vector<uint32_t> block(static_cast<size_t>(sr.width) * sr.height);
  for (int j = 0; j < sr.height; ++j)
    std::memcpy(&block[static_cast<size_t>(j) * sr.width], src.Row(sr.y + j) + sr.x,
                sr.width * sizeof(uint32_t));
  // An opaque destination always takes the source over what it holds.
  const bool over = merge || !transparent_;
  for (int j = 0; j < sr.height; ++j) {
    uint32_t* out = Row(dy + j) + dx;
    const uint32_t* in = &block[static_cast<size_t>(j) * sr.width];
    for (int i = 0; i < sr.width; ++i) {
      uint32_t s = in[i];
      if (!src.transparent_) s |= 0xFF000000u;
      if (alpha) {
        // The alpha bitmap is read at the same offset into the rectangle as the source.
        const int64_t px = int64_t{ax} + (sr.x - sx0) + i, py = int64_t{ay} + (sr.y - sy0) + j;
        if (px < 0 || py < 0 || px >= alpha->width_ || py >= alpha->height_) continue;
        const uint32_t m = alpha->At(static_cast<int>(px), static_cast<int>(py)) >> 24;
        s = MaskedSource(s, m, src.transparent_);
      }
      if (over) {
        // Source over destination, premultiplied.
        const uint32_t inv = 255 - (s >> 24), d = out[i];
        auto blend = [inv](uint32_t sc, uint32_t dc) { return sc + dc * inv / 255; };
        s = Pack(blend(s >> 24, d >> 24), blend(Channel(s, 16), Channel(d, 16)),
                 blend(Channel(s, 8), Channel(d, 8)), blend(Channel(s, 0), Channel(d, 0)));
      }
      if (!transparent_) s |= 0xFF000000u;
      out[i] = s;
    }
  }
  Touch();
}

void BitmapData::CopyChannel(const BitmapData& src, PixelRect sr, int dx, int dy, unsigned from,
                             unsigned to) {
  // An unknown source channel reads as 0; an unknown destination channel takes nothing.
  const int fs = ChannelShift(from), ts = ChannelShift(to);
  if (ts < 0) return;
  if (ts == 24 && !transparent_) return;
  if (!ClipCopy(src, sr, dx, dy)) return;
  const std::vector<uint32_t> block = StraightBlock(src, sr);
  for (int j = 0; j < sr.height; ++j)
    for (int i = 0; i < sr.width; ++i) {
      uint32_t d = GetPixel32(dx + i, dy + j);
      const uint32_t v = fs < 0 ? 0 : Channel(block[static_cast<size_t>(j) * sr.width + i], fs);
      d = (d & ~(0xFFu << ts)) | v << ts;
      At(dx + i, dy + j) = Stored(d);
    }
  Touch();
}

void BitmapData::ColorTransform(PixelRect r, const PixelTransform& t_in) {
  r = Clip(r);
  // A transform that only multiplies alpha can fade pixels but never raise their alpha: a
  // multiplier above 1 counts as 1 unless some other term changes the colours too.
  PixelTransform t = t_in;
  const bool alpha_only = t.r_mult == 1 && t.g_mult == 1 && t.b_mult == 1 && t.r_add == 0 &&
                          t.g_add == 0 && t.b_add == 0 && t.a_add == 0;
  if (alpha_only && t.a_mult > 1) t.a_mult = 1;
  for (int y = r.y; y < r.y + r.height; ++y)
    for (int x = r.x; x < r.x + r.width; ++x) {
      const uint32_t c = Unpremultiply(At(x, y));
      auto ch = [](uint32_t v, double m, double a) { return Clamp255(v * m + a); };
      const uint32_t a = transparent_ ? ch(c >> 24, t.a_mult, t.a_add) : 255;
      At(x, y) =
          Stored(Pack(a, ch(Channel(c, 16), t.r_mult, t.r_add),
                      ch(Channel(c, 8), t.g_mult, t.g_add), ch(Channel(c, 0), t.b_mult, t.b_add)));
    }
  Touch();
}

int BitmapData::Threshold(const BitmapData& src, PixelRect sr, int dx, int dy, ThresholdOp op,
                          uint32_t threshold, uint32_t color, uint32_t mask, bool copy_source) {
  if (!ClipCopy(src, sr, dx, dy)) return 0;
  // The test and the copy work on the pixels as stored: a transparent source compares its
  // premultiplied channels, and a copied pixel keeps them even in an opaque destination.
  const std::vector<uint32_t> block = StoredBlock(src, sr);
  const uint32_t t = threshold & mask;
  int count = 0;
  for (int j = 0; j < sr.height; ++j)
    for (int i = 0; i < sr.width; ++i) {
      const uint32_t s = block[static_cast<size_t>(j) * sr.width + i];
      const uint32_t v = s & mask;
      bool pass = false;
      switch (op) {
        case ThresholdOp::Less: pass = v < t; break;
        case ThresholdOp::LessEqual: pass = v <= t; break;
        case ThresholdOp::Greater: pass = v > t; break;
        case ThresholdOp::GreaterEqual: pass = v >= t; break;
        case ThresholdOp::Equal: pass = v == t; break;
        case ThresholdOp::NotEqual: pass = v != t; break;
      }
      if (pass) {
        // The colour is premultiplied even into an opaque bitmap.
        At(dx + i, dy + j) = Premultiply(color);
        ++count;
      } else if (copy_source) {
        At(dx + i, dy + j) = s;
      }
    }
  Touch();
  return count;
}

bool BitmapData::FloodFill(int x, int y, uint32_t argb) {
  if (!Inside(x, y)) return false;
  const uint32_t from = At(x, y), to = Stored(argb);
  if (from == to) return false;
  std::vector<std::pair<int, int>> stack{{x, y}};
  while (!stack.empty()) {
    auto [px, py] = stack.back();
    stack.pop_back();
    if (!Inside(px, py) || At(px, py) != from) continue;
    // Fill the run along the row, then look above and below it.
    int l = px, r = px;
    while (l > 0 && At(l - 1, py) == from) --l;
    while (r + 1 < width_ && At(r + 1, py) == from) ++r;
    for (int i = l; i <= r; ++i) {
      At(i, py) = to;
      if (py > 0 && At(i, py - 1) == from) stack.emplace_back(i, py - 1);
      if (py + 1 < height_ && At(i, py + 1) == from) stack.emplace_back(i, py + 1);
    }
  }
  Touch();
  return true;
}

PixelRect BitmapData::ColorBounds(uint32_t mask, uint32_t color, bool find) const {
  int x0 = width_, y0 = height_, x1 = -1, y1 = -1;
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) {
      // Compared as stored (premultiplied). A transparent bitmap compares the masked colour;
      // an opaque one leaves alpha out and compares the colour unmasked, so that colour bits
      // outside the mask match no pixel.
      const bool match = transparent_ ? (At(x, y) & mask) == (color & mask)
                                      : ((At(x, y) & mask) & 0xFFFFFFu) == (color & 0xFFFFFFu);
      if (match != find) continue;
      x0 = std::min(x0, x);
      x1 = std::max(x1, x);
      y0 = std::min(y0, y);
      y1 = std::max(y1, y);
    }
  // As the reference player does, bounds ending at the top-left pixel (only that pixel found)
  // count as none: its far corner starts there as its mark of nothing found.
  if (x1 <= 0 && y1 <= 0) return {};
  return {x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

void BitmapData::Noise(int32_t seed, int low, int high, unsigned channels, bool gray) {
  low = std::clamp(low, 0, 255);
  high = std::clamp(high, 0, 255);
  if (high < low) high = low;  // an empty range gives the low value everywhere
  const uint32_t span = static_cast<uint32_t>(high - low + 1);
  PixelRandom random(seed);
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) {
      auto next = [&] { return low + random.Next() % span; };
      uint32_t r = 0, g = 0, b = 0, a = 255;
      if (gray) {
        r = g = b = next();
      } else {
        if (channels & kChannelRed) r = next();
        if (channels & kChannelGreen) g = next();
        if (channels & kChannelBlue) b = next();
      }
      if ((channels & kChannelAlpha) && transparent_) a = next();  // opaque: none drawn
      if (a == 255) {
        At(x, y) = Stored(Pack(a, r, g, b));
      } else {
        // Noise premultiplies in 8 bits (times alpha, rounded, over 256), not over 255.
        auto m = [a](uint32_t c) { return (c * a + 128) >> 8; };
        At(x, y) = Pack(a, m(r), m(g), m(b));
      }
    }
  Touch();
}

namespace {

// Gradient noise on a lattice: a permutation made from the seed picks one of the gradients
// at each lattice point; `wrap_x`/`wrap_y` (> 0) make it repeat after that many cells.
class GradientNoise {
 public:
  explicit GradientNoise(int32_t seed) {
    PixelRandom random(seed);
    for (int i = 0; i < 256; ++i) perm_[i] = static_cast<uint8_t>(i);
    for (int i = 255; i > 0; --i) std::swap(perm_[i], perm_[random.Next() % (i + 1)]);
  }
  double At(double x, double y, int wrap_x, int wrap_y) const {
    const double fx = std::floor(x), fy = std::floor(y);
    const double u = x - fx, v = y - fy;
    const int64_t ix = static_cast<int64_t>(fx), iy = static_cast<int64_t>(fy);
    auto grad = [&](int64_t gx, int64_t gy, double dx, double dy) {
      if (wrap_x > 0) gx = ((gx % wrap_x) + wrap_x) % wrap_x;
      if (wrap_y > 0) gy = ((gy % wrap_y) + wrap_y) % wrap_y;
      const int h = perm_[(perm_[gx & 255] + gy) & 255] & 7;
      static constexpr double kGx[8] = {1, -1, 1, -1, 1, -1, 0, 0};
      static constexpr double kGy[8] = {1, 1, -1, -1, 0, 0, 1, -1};
      return kGx[h] * dx + kGy[h] * dy;
    };
    auto fade = [](double t) { return t * t * t * (t * (t * 6 - 15) + 10); };
    const double n00 = grad(ix, iy, u, v), n10 = grad(ix + 1, iy, u - 1, v);
    const double n01 = grad(ix, iy + 1, u, v - 1), n11 = grad(ix + 1, iy + 1, u - 1, v - 1);
    const double su = fade(u), sv = fade(v);
    const double top = n00 + su * (n10 - n00), bottom = n01 + su * (n11 - n01);
    return top + sv * (bottom - top);  // about -1 .. 1
  }

 private:
  uint8_t perm_[256];
};

}  // namespace

void BitmapData::PerlinNoise(double base_x, double base_y, int octaves, int32_t seed, bool stitch,
                             bool fractal, unsigned channels, bool gray,
                             const std::vector<std::pair<double, double>>& offsets) {
  octaves = std::clamp(octaves, 0, 32);
  std::vector<GradientNoise> noise;
  const int planes = gray ? 2 : 4;  // colour channels in order R, G, B, A (or gray and alpha)
  for (int p = 0; p < planes; ++p) noise.emplace_back(seed + p * 977);
  const double bx = std::fabs(base_x) >= 1e-9 ? std::fabs(base_x) : 1e-9;
  const double by = std::fabs(base_y) >= 1e-9 ? std::fabs(base_y) : 1e-9;
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) {
      double sum[4] = {0, 0, 0, 0};
      double freq = 1, amp = 1, total = 0;
      for (int o = 0; o < octaves; ++o) {
        const double ox = o < static_cast<int>(offsets.size()) ? offsets[o].first : 0;
        const double oy = o < static_cast<int>(offsets.size()) ? offsets[o].second : 0;
        const double nx = (x + ox) * freq / bx, ny = (y + oy) * freq / by;
        const int wx = stitch ? std::max(1, static_cast<int>(std::lround(width_ * freq / bx))) : 0;
        const int wy = stitch ? std::max(1, static_cast<int>(std::lround(height_ * freq / by))) : 0;
        for (int p = 0; p < planes; ++p) {
          double n = noise[p].At(nx, ny, wx, wy);
          sum[p] += (fractal ? n : std::fabs(n)) * amp;
        }
        total += amp;
        freq *= 2;
        amp /= 2;
      }
      auto level = [&](int p) {
        if (total <= 0) return 0;
        const double v = sum[p] / total;
        return Clamp255(fractal ? (v + 1) * 127.5 : v * 255);
      };
      uint32_t r = 0, g = 0, b = 0, a = 255;
      if (gray) {
        r = g = b = level(0);
        if (channels & kChannelAlpha) a = level(1);
      } else {
        if (channels & kChannelRed) r = level(0);
        if (channels & kChannelGreen) g = level(1);
        if (channels & kChannelBlue) b = level(2);
        if (channels & kChannelAlpha) a = level(3);
      }
      At(x, y) = Stored(Pack(a, r, g, b));
    }
  Touch();
}

int32_t BitmapData::PixelDissolve(const BitmapData& src, PixelRect sr, int dx, int dy, int32_t seed,
                                  int count, uint32_t fill) {
  const bool self = &src == this;
  if (!ClipCopy(src, sr, dx, dy)) return seed;
  const int64_t area = int64_t{sr.width} * sr.height;
  count = static_cast<int>(std::clamp<int64_t>(count, 0, area));
  // Walks the rectangle's pixels in a seeded order without repeating one: a linear
  // congruential step over the next power of two, skipping indices beyond the area.
  uint64_t size = 1;
  while (size < static_cast<uint64_t>(area)) size <<= 1;
  uint64_t index = static_cast<uint64_t>(static_cast<uint32_t>(seed)) & (size - 1);
  const uint32_t stored_fill = Stored(fill);
  auto dissolve = [&] {
    const int i = static_cast<int>(index % sr.width), j = static_cast<int>(index / sr.width);
    uint32_t& out = At(dx + i, dy + j);
    out = self ? stored_fill : Stored(src.GetPixel32(sr.x + i, sr.y + j));
  };
  // The pixel the seed stands on goes first (a seed returned by the last call stands on the
  // pixel it dissolved last), then `count` more.
  if (index < static_cast<uint64_t>(area)) dissolve();
  for (int done = 0; done < count;) {
    index = (index * 5 + 1) & (size - 1);
    if (index >= static_cast<uint64_t>(area)) continue;
    dissolve();
    ++done;
  }
  Touch();
  return static_cast<int32_t>(index);
}

void BitmapData::PaletteMap(const BitmapData& src, PixelRect sr, int dx, int dy,
                            const std::array<std::array<uint32_t, 256>, 4>& tables) {
  if (!ClipCopy(src, sr, dx, dy)) return;
  const std::vector<uint32_t> block = StraightBlock(src, sr);
  for (int j = 0; j < sr.height; ++j)
    for (int i = 0; i < sr.width; ++i) {
      const uint32_t s = block[static_cast<size_t>(j) * sr.width + i];
      const uint32_t v = tables[0][Channel(s, 16)] + tables[1][Channel(s, 8)] +
                         tables[2][Channel(s, 0)] + tables[3][Channel(s, 24)];
      At(dx + i, dy + j) = Stored(v);
    }
  Touch();
}

void BitmapData::Merge(const BitmapData& src, PixelRect sr, int dx, int dy,
                       const std::array<int, 4>& mult) {
  if (!ClipCopy(src, sr, dx, dy)) return;
  const std::vector<uint32_t> block = StraightBlock(src, sr);
  static constexpr int kShift[4] = {16, 8, 0, 24};
  for (int j = 0; j < sr.height; ++j)
    for (int i = 0; i < sr.width; ++i) {
      const uint32_t s = block[static_cast<size_t>(j) * sr.width + i];
      const uint32_t d = GetPixel32(dx + i, dy + j);
      uint32_t out = 0;
      for (int k = 0; k < 4; ++k) {
        const int m = std::clamp(mult[k], 0, 256);
        const uint32_t v = (Channel(s, kShift[k]) * m + Channel(d, kShift[k]) * (256 - m)) / 256;
        out |= v << kShift[k];
      }
      At(dx + i, dy + j) = Stored(out);
    }
  Touch();
}

void BitmapData::Scroll(int dx, int dy) {
  PixelRect all{0, 0, width_, height_};
  // Pixels the scroll leaves uncovered keep what they held.
  CopyPixels(*this, all, dx, dy, nullptr, 0, 0, false);
}

std::shared_ptr<BitmapData> BitmapData::Clone() const {
  auto copy = std::make_shared<BitmapData>(0, 0, transparent_, 0);
  copy->width_ = width_;
  copy->height_ = height_;
  copy->pixels_ = pixels_;
  copy->live_.Set(static_cast<int64_t>(copy->pixels_.size()));
  copy->disposed_ = disposed_;
  return copy;
}

std::shared_ptr<const BitmapDef> BitmapData::Picture(uint16_t id) const {
  if (picture_ && picture_version_ == version_ && picture_->id == id) return picture_;
  auto def = std::make_shared<BitmapDef>(id);
  def->width = width_;
  def->height = height_;
  def->bgra_premultiplied.resize(pixels_.size() * 4);
  for (size_t i = 0; i < pixels_.size(); ++i) {
    const uint32_t p = pixels_[i];
    uint8_t* o = &def->bgra_premultiplied[i * 4];
    o[0] = static_cast<uint8_t>(p);
    o[1] = static_cast<uint8_t>(p >> 8);
    o[2] = static_cast<uint8_t>(p >> 16);
    o[3] = static_cast<uint8_t>(p >> 24);
  }
  picture_ = def;
  picture_version_ = version_;
  return def;
}

}  // namespace flash
