// The pixels of a script-made bitmap (BitmapData) and the operations scripts run on them.
//
// Pixels are stored premultiplied, as the renderer draws them (B | G << 8 | R << 16 | A << 24,
// which is ARGB when read as one number); scripts read and write straight (unpremultiplied)
// ARGB colours, so a colour written with a partial alpha may read back a level off. An opaque
// bitmap keeps every alpha at 255.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/flash/format/bitmap.h"
#include "platform/flash/format/filters.h"
#include "platform/flash/player/player.h"

namespace flash {

// A rectangle of whole pixels.
struct PixelRect {
  int x = 0, y = 0, width = 0, height = 0;
  bool Empty() const { return width <= 0 || height <= 0; }
};

// A colour transform with the fractional multipliers scripts give (channel * mult + add).
struct PixelTransform {
  double r_mult = 1, g_mult = 1, b_mult = 1, a_mult = 1;
  double r_add = 0, g_add = 0, b_add = 0, a_add = 0;
};

// Channel bits of copyChannel, noise and perlinNoise.
enum PixelChannel : unsigned {
  kChannelRed = 1,
  kChannelGreen = 2,
  kChannelBlue = 4,
  kChannelAlpha = 8
};

// The straight colour of a premultiplied pixel and back. Premultiplying rounds to nearest;
// unpremultiplying rounds to nearest with halves going down.
uint32_t Unpremultiply(uint32_t p);
uint32_t Premultiply(uint32_t argb);

// The generator behind noise and pixelDissolve: a 31-bit multiplicative congruential sequence
// (the "minimal standard" one), seeded so that equal seeds give equal pictures.
class PixelRandom {
 public:
  explicit PixelRandom(int32_t seed);
  uint32_t Next();  // 1 .. 2^31 - 2
 private:
  uint32_t state_;
};

class BitmapData {
 public:
  // Largest sides and pixel count movies of a version may make: 2880 a side up to version 9,
  // then 8191 a side and 16777215 pixels.
  static bool SizeAllowed(int version, int width, int height);
  // Pixels of every bitmap alive in the process. Scripts make no bitmap that would take them
  // beyond kMaxLivePixels (a gigabyte of pixels): it is refused as one too large is.
  static constexpr int64_t kMaxLivePixels = int64_t{1} << 28;
  static int64_t LivePixels();
  static bool Affordable(int64_t pixels) { return pixels <= kMaxLivePixels - LivePixels(); }

  // A bitmap filled with `argb`; `width` and `height` must be positive and SizeAllowed.
  BitmapData(int width, int height, bool transparent, uint32_t argb);

  int width() const { return width_; }
  int height() const { return height_; }
  bool transparent() const { return transparent_; }
  bool disposed() const { return disposed_; }
  // Frees the pixels; the bitmap is 0x0 from then on.
  void Dispose();
  // Counts changes of the pixels, so that pictures made from them can be kept until they change.
  uint64_t version() const { return version_; }

  // Premultiplied pixels, rows of width() pixels.
  uint32_t* Row(int y) { return pixels_.data() + static_cast<size_t>(y) * width_; }
  const uint32_t* Row(int y) const { return pixels_.data() + static_cast<size_t>(y) * width_; }
  uint32_t& At(int x, int y) { return Row(y)[x]; }
  uint32_t At(int x, int y) const { return Row(y)[x]; }
  bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
  // Call after writing through Row/At.
  void Touch() { ++version_; }
  // An opaque bitmap written by the renderer: alpha set back to 255 in the rectangle (the
  // colours stay as premultiplied, as if drawn over black).
  void KeepOpaque(int x, int y, int width, int height);

  // `r` cut to the bitmap; empty when they do not overlap.
  PixelRect Clip(PixelRect r) const;

  // Straight ARGB of a pixel (RGB alone for GetPixel); 0 outside.
  uint32_t GetPixel32(int x, int y) const;
  uint32_t GetPixel(int x, int y) const;
  // Writes a straight colour; setPixel keeps the pixel's alpha. Outside: nothing.
  void SetPixel32(int x, int y, uint32_t argb);
  void SetPixel(int x, int y, uint32_t rgb);
  // A negative width or height reaches back from x or y.
  void FillRect(PixelRect r, uint32_t argb);

  // Copies `src_rect` of `src` to (dx, dy). With a transparent `alpha` bitmap, only pixels it
  // covers are copied, their alpha multiplied by its alpha at the same place from (ax, ay).
  // `merge` blends source over destination instead of replacing it; an opaque bitmap always
  // blends.
  void CopyPixels(const BitmapData& src, PixelRect src_rect, int dx, int dy,
                  const BitmapData* alpha, int ax, int ay, bool merge);
  // Copies one channel (PixelChannel bit) of the source into another of this bitmap; a source
  // that names no single channel copies zeros, a destination that names none changes nothing.
  void CopyChannel(const BitmapData& src, PixelRect src_rect, int dx, int dy, unsigned from,
                   unsigned to);
  // Each channel is channel * mult + add, cut to 0..255. An alpha multiplier above 1 with every
  // other term at its default changes nothing.
  void ColorTransform(PixelRect r, const PixelTransform& t);
  // Sets pixels whose source colour under `mask` passes `op` against threshold & mask to
  // `color` (others take the source colour when `copy_source`); returns how many passed. `op` is
  // one of "<", "<=", ">", ">=", "==", "!=".
  enum class ThresholdOp { Less, LessEqual, Greater, GreaterEqual, Equal, NotEqual };
  int Threshold(const BitmapData& src, PixelRect src_rect, int dx, int dy, ThresholdOp op,
                uint32_t threshold, uint32_t color, uint32_t mask, bool copy_source);
  // Fills the pixels joined to (x, y) across edges that have its colour; false outside.
  bool FloodFill(int x, int y, uint32_t argb);
  // The box around the pixels whose stored (premultiplied) colour under `mask` is (or with
  // !find, is not) `color`.
  PixelRect ColorBounds(uint32_t mask, uint32_t color, bool find) const;
  void Noise(int32_t seed, int low, int high, unsigned channels, bool gray);
  void PerlinNoise(double base_x, double base_y, int octaves, int32_t seed, bool stitch,
                   bool fractal, unsigned channels, bool gray,
                   const std::vector<std::pair<double, double>>& offsets);
  // Copies a seeded choice of `count` pixels of the rectangle from `src` (or, when `src` is
  // this bitmap, fills them with `fill`); returns the seed that continues the dissolve.
  int32_t PixelDissolve(const BitmapData& src, PixelRect src_rect, int dx, int dy, int32_t seed,
                        int count, uint32_t fill);
  // Each destination pixel is the sum of the four tables at the source's channel values.
  void PaletteMap(const BitmapData& src, PixelRect src_rect, int dx, int dy,
                  const std::array<std::array<uint32_t, 256>, 4>& tables);
  // Blends the source in per channel: (src * m + dst * (256 - m)) / 256, multipliers 0..256
  // in R, G, B, A order.
  void Merge(const BitmapData& src, PixelRect src_rect, int dx, int dy,
             const std::array<int, 4>& mult);
  void Scroll(int dx, int dy);
  std::shared_ptr<BitmapData> Clone() const;
  // The picture as a bitmap character for the renderer; kept until the pixels change.
  std::shared_ptr<const BitmapDef> Picture(uint16_t id) const;

 private:
  // Clips a copy from `src` so that both rectangles lie inside their bitmaps.
  bool ClipCopy(const BitmapData& src, PixelRect& sr, int& dx, int& dy) const;
  uint32_t Stored(uint32_t argb) const;  // a straight colour as this bitmap keeps it

  int width_ = 0, height_ = 0;
  bool transparent_ = true;
  bool disposed_ = false;
  uint64_t version_ = 1;
  std::vector<uint32_t> pixels_;
  // Keeps the process's count of live pixels in step with pixels_ (copies count again).
  class LiveCount {
   public:
    LiveCount() = default;
    LiveCount(const LiveCount& o) { Set(o.n_); }
    LiveCount& operator=(const LiveCount& o) {
      Set(o.n_);
      return *this;
    }
    ~LiveCount() { Set(0); }
    void Set(int64_t n);

   private:
    int64_t n_ = 0;
  };
  LiveCount live_;
  mutable std::shared_ptr<BitmapDef> picture_;
  mutable uint64_t picture_version_ = 0;
};

// A bitmap shown on the display list (MovieClip.attachBitmap): it shows the pixels as they are
// when drawn.
class BitmapObject : public DisplayObject {
 public:
  BitmapObject(std::shared_ptr<BitmapData> data, bool smoothing)
      : DisplayObject(Type::Other, nullptr), data(std::move(data)), smoothing(smoothing) {}
  std::shared_ptr<BitmapData> data;
  bool smoothing = false;
};

}  // namespace flash
