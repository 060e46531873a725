#include "app/alpha_mask.h"

#include <array>
#include <cmath>

using namespace classlib;

namespace lumicast {

namespace {

std::array<uint8_t, 256> MakeSqrtTable() {
  std::array<uint8_t, 256> t{};
  for (int i = 0; i < 256; ++i)
    t[i] =
        static_cast<uint8_t>(std::trunc(std::sqrt(static_cast<long double>(i) / 255.0L) * 255.0L));
  return t;
}

// Sizes the mask to the frame as an 8-bit bitmap; false when there is nothing to work on.
bool PrepareMask(TBitmap* Mask, TBitmap* Frame) {
  if (Mask == nullptr || Frame == nullptr || Mask == Frame) return false;
  Mask->SetPixelFormat(pf8bit);
  Mask->SetSize(Frame->Width(), Frame->Height());
  return true;
}

// Calls Fn(mask byte, B, G, R bytes) for every pixel of the frame, row by row through the scan
// lines. 24- and 32-bit frames are read in place; other formats through their colours.
template <typename Fn>
void ForEachPixel(TBitmap* Mask, TBitmap* Frame, Fn fn) {
  const int w = Frame->Width(), h = Frame->Height();
  const int bits = Frame->BitsPerPixel();
  const int step = bits == 24 ? 3 : bits == 32 ? 4 : 0;
  for (int y = 0; y < h; ++y) {
    uint8_t* dst = Mask->ScanLine(y);
    if (step != 0) {
      const uint8_t* src = Frame->ScanLine(y);
      for (int x = 0; x < w; ++x, src += step) dst[x] = fn(src);
    } else {
      for (int x = 0; x < w; ++x) {
        uint32_t c = static_cast<uint32_t>(Frame->PixelColor(x, y));  // 0x00BBGGRR
        const uint8_t bgr[3] = {static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8),
                                static_cast<uint8_t>(c)};
        dst[x] = fn(bgr);
      }
    }
  }
}

}  // namespace

const uint8_t* SqrtAlphaTable() {
  static const std::array<uint8_t, 256> table = MakeSqrtTable();
  return table.data();
}

void IntensityToAlpha(TBitmap* Mask, TBitmap* Frame, bool UseSqrt) {
  if (!PrepareMask(Mask, Frame)) return;
  if (UseSqrt) {
    const uint8_t* table = SqrtAlphaTable();
    ForEachPixel(Mask, Frame, [table](const uint8_t* p) { return table[PixelIntensity(p)]; });
  } else {
    ForEachPixel(Mask, Frame, [](const uint8_t* p) { return PixelIntensity(p); });
  }
}

void ColorKeyToAlpha(TBitmap* Mask, TBitmap* Frame, uint32_t KeyColor) {
  if (!PrepareMask(Mask, Frame)) return;
  const uint8_t kb = static_cast<uint8_t>(KeyColor), kg = static_cast<uint8_t>(KeyColor >> 8),
                kr = static_cast<uint8_t>(KeyColor >> 16);
  ForEachPixel(Mask, Frame, [=](const uint8_t* p) -> uint8_t {
    return p[0] == kb && p[1] == kg && p[2] == kr ? 0 : 255;
  });
}

}  // namespace lumicast
