#include "imaging/color_reduction.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <vector>

#include "imaging/bitmap_utils.h"
#include "imaging/gif_lzw.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/little_endian.h"

namespace lumicast {

using namespace classlib;

TReductionMethod DefaultReductionMethod = rmHistogram;

namespace {

constexpr uint8_t kLevels4[4] = {0x00, 0x55, 0xAA, 0xFF};
constexpr uint8_t kLevels6[6] = {0x00, 0x33, 0x66, 0x99, 0xCC, 0xFF};
constexpr uint8_t kLevels7[7] = {0x00, 0x2B, 0x55, 0x80, 0xAA, 0xD5, 0xFF};
constexpr uint8_t kLevels8[8] = {0x00, 0x24, 0x49, 0x6D, 0x92, 0xB6, 0xDB, 0xFF};

std::array<uint8_t, 256> BuildNearest(const uint8_t* Levels, int Count) {
  std::array<uint8_t, 256> t{};
  for (int v = 0; v < 256; ++v) {
    int best = 0, best_d = 1 << 30;
    for (int i = 0; i < Count; ++i) {
      int d = std::abs(v - Levels[i]);
      if (d < best_d) {
        best_d = d;
        best = i;
      }
    }
    t[v] = static_cast<uint8_t>(best);
  }
  return t;
}

const std::array<uint8_t, 256> kNearest4 = BuildNearest(kLevels4, 4);
const std::array<uint8_t, 256> kNearest6 = BuildNearest(kLevels6, 6);
const std::array<uint8_t, 256> kNearest7 = BuildNearest(kLevels7, 7);
const std::array<uint8_t, 256> kNearest8 = BuildNearest(kLevels8, 8);

inline TRGBQuad Quad(int r, int g, int b) {
  return {static_cast<uint8_t>(b), static_cast<uint8_t>(g), static_cast<uint8_t>(r), 0};
}

// ---------------------------------------------------------------------------
// Method 0: popularity histogram over at most 2049 masked colours.

constexpr int kMaxColors = 2049;
constexpr uint32_t kHistSlots = 5191;
constexpr uint16_t kEmpty = 0xFFFF;

struct THistEntry {
  uint32_t count;
  uint8_t b, g, r;
  uint8_t index;
};

class THistogram {
 public:
  THistogram() : slots_(kHistSlots, kEmpty) { entries_.reserve(kMaxColors); }

  static uint32_t Hash(uint32_t r, uint32_t g, uint32_t b) {
    return ((r + g) * (g + b) * (r + b)) % kHistSlots;
  }

  // The entry of a masked colour, or -1 when it is not in the table; Slot
  // receives where it is or would go.
  int Find(uint8_t r, uint8_t g, uint8_t b, uint32_t& Slot) const {
    uint32_t s = Hash(r, g, b);
    for (;;) {
      uint16_t e = slots_[s];
      if (e == kEmpty) {
        Slot = s;
        return -1;
      }
      const THistEntry& h = entries_[e];
      if (h.r == r && h.g == g && h.b == b) {
        Slot = s;
        return e;
      }
      if (++s == kHistSlots) s = 0;
    }
  }

  // Adds Count pixels of a masked colour; false when the colour is new and
  // the table is full.
  bool Add(uint8_t r, uint8_t g, uint8_t b, uint32_t Count) {
    uint32_t slot;
    int e = Find(r, g, b, slot);
    if (e >= 0) {
      entries_[e].count += Count;
      return true;
    }
    if (static_cast<int>(entries_.size()) >= kMaxColors) return false;
    slots_[slot] = static_cast<uint16_t>(entries_.size());
    entries_.push_back({Count, b, g, r, 0});
    return true;
  }

  void Clear() {
    std::fill(slots_.begin(), slots_.end(), kEmpty);
    entries_.clear();
  }

  std::vector<THistEntry> entries_;

 private:
  std::vector<uint16_t> slots_;
};

TReducedImage ReduceHistogram(const uint8_t* Rows, int64_t Stride, int Width, int Height,
                              uint8_t* Out, int64_t OutStride) {
  TReducedImage result;
  uint8_t mr = 0xFF, mg = 0xFF, mb = 0xFF;
  THistogram hist;

  // Count in memory order. When a colour beyond the table's capacity turns
  // up, one mask loses a bit and the counts so far are merged under the new
  // masks: this gives exactly the table a recount from the first pixel would
  // (same counts, same first-seen order), without reading the pixels again.
  for (int y = 0; y < Height; ++y) {
    const uint8_t* p = Rows + y * Stride;
    for (int x = 0; x < Width; ++x, p += 3) {
      for (;;) {
        if (hist.Add(p[2] & mr, p[1] & mg, p[0] & mb, 1)) break;
        if (mr < mg)
          mg = static_cast<uint8_t>(mg << 1);
        else if (mr > mb)
          mr = static_cast<uint8_t>(mr << 1);
        else
          mb = static_cast<uint8_t>(mb << 1);
        std::vector<THistEntry> old;
        old.swap(hist.entries_);
        hist.Clear();
        for (const THistEntry& e : old) hist.Add(e.r & mr, e.g & mg, e.b & mb, e.count);
      }
    }
  }

  // The palette: the most frequent colours, the first seen on ties.
  std::vector<THistEntry>& entries = hist.entries_;
  const int n = static_cast<int>(entries.size());
  std::vector<int> order(n);
  std::iota(order.begin(), order.end(), 0);
  const int chosen = std::min(n, 256);
  std::partial_sort(order.begin(), order.begin() + chosen, order.end(), [&](int a, int b) {
    if (entries[a].count != entries[b].count) return entries[a].count > entries[b].count;
    return a < b;
  });
  std::vector<bool> is_chosen(n, false);
  for (int i = 0; i < chosen; ++i) {
    THistEntry& e = entries[order[i]];
    e.index = static_cast<uint8_t>(i);
    is_chosen[order[i]] = true;
    result.Palette[i] = {e.b, e.g, e.r, 0};
  }
  for (int i = chosen; i < 256; ++i) result.Palette[i] = Quad(128, 128, 128);
  result.ColorsUsed = chosen >= 256 ? 0 : static_cast<uint32_t>(chosen);

  // Colours left out take the nearest chosen entry.
  for (int i = 0; i < n; ++i) {
    if (is_chosen[i]) continue;
    THistEntry& e = entries[i];
    int best = 0;
    int best_d = 1 << 30;
    for (int k = 0; k < chosen; ++k) {
      const TRGBQuad& q = result.Palette[k];
      int dr = e.r - q.rgbRed, dg = e.g - q.rgbGreen, db = e.b - q.rgbBlue;
      int d = dr * dr + dg * dg + db * db;
      if (d < best_d) {
        best_d = d;
        best = k;
      }
    }
    e.index = static_cast<uint8_t>(best);
  }

  // Map every pixel; runs of one colour reuse the last look-up.
  uint32_t last_key = 0xFFFFFFFFu;
  uint8_t last_index = 0;
  for (int y = 0; y < Height; ++y) {
    const uint8_t* p = Rows + y * Stride;
    uint8_t* o = Out + y * OutStride;
    for (int x = 0; x < Width; ++x, p += 3) {
      uint8_t r = p[2] & mr, g = p[1] & mg, b = p[0] & mb;
      uint32_t key = (uint32_t(r) << 16) | (uint32_t(g) << 8) | b;
      if (key != last_key) {
        uint32_t slot;
        int e = hist.Find(r, g, b, slot);
        last_index = e >= 0 ? entries[e].index : 0;
        last_key = key;
      }
      o[x] = last_index;
    }
  }
  return result;
}

// ---------------------------------------------------------------------------
// Method 1: median cut over 4096 cells (top four bits of each channel).

struct TCell {
  uint32_t count = 0;
  uint8_t nib[3] = {0, 0, 0};  // red, green, blue nibbles
  uint16_t box = 0;
};

struct TBox {
  int lower[3] = {0, 0, 0};
  int extent[3] = {255, 255, 255};
  uint64_t total = 0;
  std::vector<uint16_t> cells;
};

TReducedImage ReduceMedianCut(const uint8_t* Rows, int64_t Stride, int Width, int Height,
                              uint8_t* Out, int64_t OutStride) {
  constexpr int kWanted = 256;
  TReducedImage result;
  std::vector<TCell> cells(4096);
  for (int i = 0; i < 4096; ++i) {
    cells[i].nib[0] = static_cast<uint8_t>(i >> 8);
    cells[i].nib[1] = static_cast<uint8_t>((i >> 4) & 15);
    cells[i].nib[2] = static_cast<uint8_t>(i & 15);
  }
  std::vector<uint16_t> cell_of(static_cast<size_t>(Width) * Height);
  size_t k = 0;
  for (int y = 0; y < Height; ++y) {
    const uint8_t* p = Rows + y * Stride;
    for (int x = 0; x < Width; ++x, p += 3) {
      uint16_t c = static_cast<uint16_t>(((p[2] >> 4) << 8) | ((p[1] >> 4) << 4) | (p[0] >> 4));
      cell_of[k++] = c;
      ++cells[c].count;
    }
  }
  std::vector<TBox> boxes(1);
  for (int i = 0; i < 4096; ++i)
    if (cells[i].count) boxes[0].cells.push_back(static_cast<uint16_t>(i));
  boxes[0].total = static_cast<uint64_t>(Width) * Height;

  while (static_cast<int>(boxes.size()) < kWanted) {
    int best_box = -1, best_ch = 0, best_ext = -1;
    for (size_t b = 0; b < boxes.size(); ++b) {
      if (boxes[b].cells.size() <= 1) continue;
      for (int ch = 0; ch < 3; ++ch) {
        if (boxes[b].extent[ch] > best_ext) {
          best_ext = boxes[b].extent[ch];
          best_box = static_cast<int>(b);
          best_ch = ch;
        }
      }
    }
    if (best_box < 0) break;
    TBox& box = boxes[best_box];
    std::stable_sort(box.cells.begin(), box.cells.end(), [&](uint16_t a, uint16_t b) {
      return cells[a].nib[best_ch] < cells[b].nib[best_ch];
    });
    const uint64_t half = box.total / 2;
    const size_t m = box.cells.size();
    size_t keep = m - 1;
    uint64_t sum = cells[box.cells[0]].count;
    for (size_t i = 1; i < m; ++i) {
      sum += cells[box.cells[i]].count;  // first i + 1 cells
      if (sum > half) {
        keep = i;
        break;
      }
    }
    TBox nb;
    nb.cells.assign(box.cells.begin() + static_cast<std::ptrdiff_t>(keep), box.cells.end());
    box.cells.resize(keep);
    box.total = 0;
    for (uint16_t c : box.cells) box.total += cells[c].count;
    for (uint16_t c : nb.cells) nb.total += cells[c].count;
    for (int ch = 0; ch < 3; ++ch) {
      nb.lower[ch] = box.lower[ch];
      nb.extent[ch] = box.extent[ch];
    }
    const int old_lower = box.lower[best_ch], old_extent = box.extent[best_ch];
    nb.lower[best_ch] = 16 * cells[nb.cells.front()].nib[best_ch];
    nb.extent[best_ch] = static_cast<uint8_t>((old_lower + old_extent) - nb.lower[best_ch]);
    box.extent[best_ch] =
        static_cast<uint8_t>(16 * cells[box.cells.back()].nib[best_ch] - old_lower);
    boxes.push_back(std::move(nb));
  }

  for (size_t b = 0; b < boxes.size(); ++b) {
    const TBox& box = boxes[b];
    uint32_t sums[3] = {0, 0, 0};
    for (uint16_t c : box.cells) {
      for (int ch = 0; ch < 3; ++ch) sums[ch] += cells[c].nib[ch];
      cells[c].box = static_cast<uint16_t>(b);
    }
    const uint32_t m = static_cast<uint32_t>(std::max<size_t>(box.cells.size(), 1));
    int rgb[3];
    for (int ch = 0; ch < 3; ++ch)
      rgb[ch] = static_cast<int>(std::min<uint32_t>((16 * sums[ch] + 15) / m, 255));
    if (rgb[0] <= 16 && rgb[1] <= 16 && rgb[2] <= 16) rgb[0] = rgb[1] = rgb[2] = 0;
    result.Palette[b] = Quad(rgb[0], rgb[1], rgb[2]);
  }
  for (size_t b = boxes.size(); b < 256; ++b) result.Palette[b] = Quad(0, 0, 0);
  result.ColorsUsed = static_cast<uint32_t>(boxes.size());

  k = 0;
  for (int y = 0; y < Height; ++y) {
    uint8_t* o = Out + y * OutStride;
    for (int x = 0; x < Width; ++x) o[x] = static_cast<uint8_t>(cells[cell_of[k++]].box);
  }
  return result;
}

}  // namespace

const std::array<uint8_t, 256>& NearestLevelIndex(int Levels) {
  switch (Levels) {
    case 4: return kNearest4;
    case 6: return kNearest6;
    case 7: return kNearest7;
    default: return kNearest8;
  }
}

const uint8_t* LevelTable(int Levels) {
  switch (Levels) {
    case 4: return kLevels4;
    case 6: return kLevels6;
    case 7: return kLevels7;
    default: return kLevels8;
  }
}

TReducedImage ReduceRows24(const uint8_t* Rows24, int64_t Stride24, int Width, int Height,
                           TReductionMethod Method, uint8_t* Out, int64_t Stride8) {
  TReducedImage result;
  switch (Method) {
    case rmHistogram: return ReduceHistogram(Rows24, Stride24, Width, Height, Out, Stride8);
    case rmMedianCut: return ReduceMedianCut(Rows24, Stride24, Width, Height, Out, Stride8);
    case rm7R8G4B: {
      for (int r = 0; r < 7; ++r)
        for (int g = 0; g < 8; ++g)
          for (int b = 0; b < 4; ++b)
            result.Palette[r * 32 + g * 4 + b] = Quad(kLevels7[r], kLevels8[g], kLevels4[b]);
      for (int i = 224; i < 256; ++i) result.Palette[i] = Quad(128, 128, 128);
      result.ColorsUsed = 224;
      for (int y = 0; y < Height; ++y) {
        const uint8_t* p = Rows24 + y * Stride24;
        uint8_t* o = Out + y * Stride8;
        for (int x = 0; x < Width; ++x, p += 3)
          o[x] = static_cast<uint8_t>(32 * kNearest7[p[2]] + 4 * kNearest8[p[1]] + kNearest4[p[0]]);
      }
      return result;
    }
    case rm6R6G6B: {
      for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
          for (int b = 0; b < 6; ++b)
            result.Palette[r * 36 + g * 6 + b] = Quad(kLevels6[r], kLevels6[g], kLevels6[b]);
      for (int i = 216; i < 256; ++i) result.Palette[i] = Quad(128, 128, 128);
      result.ColorsUsed = 216;
      for (int y = 0; y < Height; ++y) {
        const uint8_t* p = Rows24 + y * Stride24;
        uint8_t* o = Out + y * Stride8;
        for (int x = 0; x < Width; ++x, p += 3)
          o[x] = static_cast<uint8_t>(36 * kNearest6[p[2]] + 6 * kNearest6[p[1]] + kNearest6[p[0]]);
      }
      return result;
    }
    case rmRamps: {
      for (int i = 0; i < 64; ++i) {
        result.Palette[i] = Quad(4 * i, 0, 0);
        result.Palette[64 + i] = Quad(0, 4 * i, 0);
        result.Palette[128 + i] = Quad(0, 0, 4 * i);
        result.Palette[192 + i] = Quad(0, 0, 0);
      }
      result.ColorsUsed = 0;
      for (int y = 0; y < Height; ++y) {
        const uint8_t* p = Rows24 + y * Stride24;
        uint8_t* o = Out + y * Stride8;
        for (int x = 0; x < Width; ++x, p += 3) {
          switch ((x + y) % 3) {
            case 0: o[x] = static_cast<uint8_t>(p[2] / 4); break;
            case 1: o[x] = static_cast<uint8_t>(64 + p[1] / 4); break;
            default: o[x] = static_cast<uint8_t>(128 + p[0] / 4); break;
          }
        }
      }
      return result;
    }
    case rmGrayscale:
    default: {
      for (int i = 0; i < 256; ++i) result.Palette[i] = Quad(i, i, i);
      result.ColorsUsed = 0;
      for (int y = 0; y < Height; ++y) {
        const uint8_t* p = Rows24 + y * Stride24;
        uint8_t* o = Out + y * Stride8;
        for (int x = 0; x < Width; ++x, p += 3)
          o[x] = static_cast<uint8_t>((77 * p[2] + 150 * p[1] + 29 * p[0]) >> 8);
      }
      return result;
    }
  }
}

TPixelFormat GetBitmapPixelFormat(TBitmap* Bitmap) { return Bitmap->PixelFormat(); }

int BytesPerScanline(int PixelsPerScanline, int BitsPerPixel) {
  return static_cast<int>(DIBRowBytes(PixelsPerScanline, BitsPerPixel));
}

namespace {

// The bitmap's pixels as bottom-up 24-bit rows (B, G, R), padded to 4 bytes.
std::vector<uint8_t> Fetch24(TBitmap* Bitmap, int64_t& Stride) {
  const int w = Bitmap->Width(), h = Bitmap->Height();
  Stride = DIBRowBytes(w, 24);
  std::vector<uint8_t> rows(static_cast<size_t>(Stride * h), 0);
  const int bits = Bitmap->BitsPerPixel();
  TPalette pal = Bitmap->Palette();
  for (int y = 0; y < h; ++y) {
    const uint8_t* src = Bitmap->ScanLine(h - 1 - y);  // memory row y
    uint8_t* dst = rows.data() + y * Stride;
    switch (bits) {
      case 24: std::memcpy(dst, src, static_cast<size_t>(w) * 3); break;
      case 32:
        for (int x = 0; x < w; ++x) {
          dst[3 * x] = src[4 * x];
          dst[3 * x + 1] = src[4 * x + 1];
          dst[3 * x + 2] = src[4 * x + 2];
        }
        break;
      case 1:
      case 4:
      case 8:
        for (int x = 0; x < w; ++x) {
          unsigned idx = bits == 8   ? src[x]
                         : bits == 4 ? ((x & 1) ? (src[x >> 1] & 15u) : (src[x >> 1] >> 4u))
                                     : ((src[x >> 3] >> (7 - (x & 7))) & 1u);
          TRGBQuad q = idx < pal.size() ? pal[idx] : TRGBQuad{};
          dst[3 * x] = q.rgbBlue;
          dst[3 * x + 1] = q.rgbGreen;
          dst[3 * x + 2] = q.rgbRed;
        }
        break;
      default:
        for (int x = 0; x < w; ++x) {
          TColor c = Bitmap->PixelColor(x, h - 1 - y);
          dst[3 * x] = static_cast<uint8_t>(GetBValue(c));
          dst[3 * x + 1] = static_cast<uint8_t>(GetGValue(c));
          dst[3 * x + 2] = static_cast<uint8_t>(GetRValue(c));
        }
        break;
    }
  }
  return rows;
}

}  // namespace

std::unique_ptr<TMemoryStream> ReduceBitmapTo8Bit(TBitmap* Bitmap, TPixelFormat WantedFormat,
                                                  TReductionMethod Method) {
  if (!Bitmap || Bitmap->Empty() || Bitmap->BitsPerPixel() == 0)
    throw EInvalidGraphic("Bitmap image is not valid");
  auto out = std::make_unique<TMemoryStream>();
  if (Bitmap->PixelFormat() == WantedFormat && Method != rmGrayscale) {
    Bitmap->SaveToStream(out.get());
    out->SetPosition(0);
    return out;
  }
  switch (WantedFormat) {
    case pf1bit:
    case pf4bit:
    case pf24bit: {
      // The bitmap's own conversion (colours map to the nearest entry of the
      // new format's palette).
      TBitmap copy;
      copy.Assign(Bitmap);
      copy.SetPixelFormat(WantedFormat);
      copy.SaveToStream(out.get());
      out->SetPosition(0);
      return out;
    }
    case pf8bit: break;
    default: RaiseNotImplemented();
  }

  const int w = Bitmap->Width(), h = Bitmap->Height();
  int64_t stride24 = 0;
  std::vector<uint8_t> rows24 = Fetch24(Bitmap, stride24);
  const int64_t stride8 = DIBRowBytes(w, 8);
  const uint32_t header_size = 14 + 40 + 256 * 4;
  const uint64_t image_size = static_cast<uint64_t>(stride8) * h;
  std::vector<uint8_t>& bmp = out->Bytes();
  bmp.assign(header_size + image_size, 0);
  TReducedImage reduced =
      ReduceRows24(rows24.data(), stride24, w, h, Method, bmp.data() + header_size, stride8);
  bmp[0] = 'B';
  bmp[1] = 'M';
  PutLE32(&bmp[2], static_cast<uint32_t>(bmp.size()));
  PutLE32(&bmp[10], header_size);
  PutLE32(&bmp[14], 40);
  PutLE32(&bmp[18], static_cast<uint32_t>(w));
  PutLE32(&bmp[22], static_cast<uint32_t>(h));
  PutLE16(&bmp[26], 1);
  PutLE16(&bmp[28], 8);
  PutLE32(&bmp[30], 0);
  PutLE32(&bmp[34], static_cast<uint32_t>(image_size));
  PutLE32(&bmp[46], reduced.ColorsUsed);
  for (int i = 0; i < 256; ++i) {
    const TRGBQuad& q = reduced.Palette[i];
    bmp[54 + 4 * i] = q.rgbBlue;
    bmp[54 + 4 * i + 1] = q.rgbGreen;
    bmp[54 + 4 * i + 2] = q.rgbRed;
    bmp[54 + 4 * i + 3] = 0;
  }
  out->SetPosition(0);
  return out;
}

std::unique_ptr<TMemoryStream> ReduceBitmapToColors(TBitmap* Bitmap, int Colors) {
  TPixelFormat f = Colors <= 2 ? pf1bit : Colors <= 16 ? pf4bit : Colors <= 256 ? pf8bit : pf24bit;
  return ReduceBitmapTo8Bit(Bitmap, f, DefaultReductionMethod);
}

}  // namespace lumicast
