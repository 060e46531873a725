// Pixel access on a drawing surface, shared by the canvas, the bitmap and the
// block-transfer helpers. A "device value" is what a pixel stores: the palette
// index for 1, 4 and 8 bits, the 5-5-5 / 5-6-5 word for 15 and 16 bits, and
// 0x00RRGGBB for 24 and 32 bits (the byte order of the stored pixel).
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "platform/classlib/canvas.h"
#include "platform/classlib/colors.h"

namespace classlib::pixels {

inline uint32_t ReadDevice(const TPixelSurface& s, int x, int y) {
  const uint8_t* row = s.Row(y);
  switch (s.BitsPerPixel) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
    case 8: return row[x];
    case 15:
    case 16: return static_cast<uint32_t>(row[2 * x] | (row[2 * x + 1] << 8));
    case 24: {
      const uint8_t* p = row + 3 * x;
      return p[0] | (p[1] << 8) | (static_cast<uint32_t>(p[2]) << 16);
    }
    default: {
      const uint8_t* p = row + 4 * x;
      return p[0] | (p[1] << 8) | (static_cast<uint32_t>(p[2]) << 16);
    }
  }
}

inline void WriteDevice(const TPixelSurface& s, int x, int y, uint32_t v) {
  uint8_t* row = s.Row(y);
  switch (s.BitsPerPixel) {
    case 1: {
      uint8_t m = static_cast<uint8_t>(0x80 >> (x & 7));
      row[x >> 3] = (v & 1) ? (row[x >> 3] | m) : (row[x >> 3] & ~m);
      break;
    }
    case 4:
      if (x & 1)
        row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & 0xF0) | (v & 0x0F));
      else
        row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & 0x0F) | ((v & 0x0F) << 4));
      break;
    case 8: row[x] = static_cast<uint8_t>(v); break;
    case 15:
    case 16:
      row[2 * x] = static_cast<uint8_t>(v);
      row[2 * x + 1] = static_cast<uint8_t>(v >> 8);
      break;
    case 24: {
      uint8_t* p = row + 3 * x;
      p[0] = static_cast<uint8_t>(v);
      p[1] = static_cast<uint8_t>(v >> 8);
      p[2] = static_cast<uint8_t>(v >> 16);
      break;
    }
    default: {
      uint8_t* p = row + 4 * x;
      p[0] = static_cast<uint8_t>(v);
      p[1] = static_cast<uint8_t>(v >> 8);
      p[2] = static_cast<uint8_t>(v >> 16);
      p[3] = s.AlphaFill;
      break;
    }
  }
}

inline bool Indexed(const TPixelSurface& s) { return s.BitsPerPixel <= 8; }

// The bits a device value may use.
inline uint32_t DeviceMask(const TPixelSurface& s) {
  switch (s.BitsPerPixel) {
    case 1: return 1;
    case 4: return 0xF;
    case 8: return 0xFF;
    case 15: return 0x7FFF;
    case 16: return 0xFFFF;
    default: return 0xFFFFFF;
  }
}

// RGB (0x00BBGGRR, resolved) of a device value.
inline TColor DeviceToColor(const TPixelSurface& s, uint32_t v) {
  switch (s.BitsPerPixel) {
    case 1:
    case 4:
    case 8:
      if (s.Palette && static_cast<int>(v) < s.PaletteSize) return QuadToColor(s.Palette[v]);
      return 0;
    case 15: {
      int r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
      return RGB((r << 3) | (r >> 2), (g << 3) | (g >> 2), (b << 3) | (b >> 2));
    }
    case 16: {
      int r = (v >> 11) & 31, g = (v >> 5) & 63, b = v & 31;
      return RGB((r << 3) | (r >> 2), (g << 2) | (g >> 4), (b << 3) | (b >> 2));
    }
    default: return static_cast<TColor>(SwapRedBlue(v));
  }
}

// Maps colours to device values of one surface; nearest palette entries are
// cached because indexed drawing asks for the same few colours again and again.
class ColorMapper {
 public:
  void Reset() {
    owner_ = nullptr;
    version_ = 0;
    size_ = 0;
    bits_ = 0;
    cache_.fill(Slot{});
  }

  uint32_t ToDevice(const TPixelSurface& s, TColor c) {
    c = ColorToRGB(c) & 0xFFFFFF;
    int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
    switch (s.BitsPerPixel) {
      case 15: return static_cast<uint32_t>(((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
      case 16: return static_cast<uint32_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
      case 24:
      case 32: return SwapRedBlue(static_cast<uint32_t>(c));
      default: break;
    }
    if (s.Palette != owner_ || s.PaletteVersion != version_ || s.PaletteSize != size_ ||
        s.BitsPerPixel != bits_) {
      cache_.fill(Slot{});
      owner_ = s.Palette;
      version_ = s.PaletteVersion;
      size_ = s.PaletteSize;
      bits_ = s.BitsPerPixel;
    }
    uint32_t key = static_cast<uint32_t>(c);
    Slot& slot = cache_[(key ^ (key >> 11) ^ (key >> 19)) & (kSlots - 1)];
    if (slot.Key == key + 1) return slot.Index;
    int n = std::min(s.PaletteSize, 1 << s.BitsPerPixel);
    int idx = NearestColorIndex(s.Palette, n, c);
    slot.Key = key + 1;
    slot.Index = idx < 0 ? 0 : static_cast<uint32_t>(idx);
    return slot.Index;
  }

 private:
  static constexpr size_t kSlots = 4096;
  struct Slot {
    uint32_t Key = 0;
    uint32_t Index = 0;
  };
  const TRGBQuad* owner_ = nullptr;
  uint32_t version_ = 0;
  int size_ = 0;
  int bits_ = 0;
  std::array<Slot, kSlots> cache_{};
};

// Binary raster operation (1..16, the pen modes' codes) on pen and destination.
inline uint32_t Rop2(int code, uint32_t p, uint32_t d) {
  switch (code) {
    case 1: return 0;             // black
    case 2: return ~(p | d);      // not merge pen
    case 3: return ~p & d;        // mask not pen
    case 4: return ~p;            // not copy pen
    case 5: return p & ~d;        // mask pen not
    case 6: return ~d;            // not
    case 7: return p ^ d;         // xor pen
    case 8: return ~(p & d);      // not mask pen
    case 9: return p & d;         // mask pen
    case 10: return ~(p ^ d);     // not xor pen
    case 11: return d;            // nop
    case 12: return ~p | d;       // merge not pen
    case 13: return p;            // copy pen
    case 14: return p | ~d;       // merge pen not
    case 15: return p | d;        // merge pen
    default: return 0xFFFFFFFFu;  // white
  }
}

// Ternary raster operation: Code is the truth table, bit (P*4 + S*2 + D).
inline uint32_t Rop3(uint8_t code, uint32_t p, uint32_t s, uint32_t d) {
  switch (code) {
    case 0x00: return 0;
    case 0xFF: return 0xFFFFFFFFu;
    case 0xCC: return s;
    case 0xAA: return d;
    case 0xF0: return p;
    case 0x66: return s ^ d;
    case 0x88: return s & d;
    case 0xEE: return s | d;
    case 0x44: return s & ~d;
    case 0x33: return ~s;
    case 0x11: return ~(s | d);
    case 0xC0: return p & s;
    case 0xBB: return ~s | d;
    case 0x5A: return p ^ d;
    case 0x55: return ~d;
    default: break;
  }
  uint32_t r = 0;
  for (int i = 0; i < 8; ++i) {
    if (!((code >> i) & 1)) continue;
    r |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
  }
  return r;
}

// The pen-mode code of a TPenMode.
inline int PenModeRop2(TPenMode m) {
  static const int codes[] = {1, 16, 11, 6, 13, 4, 14, 5, 12, 3, 15, 2, 9, 8, 7, 10};
  return codes[m];
}

}  // namespace classlib::pixels
