// Every mode works on premultiplied channels: s and d are a channel of the source and the
// destination, sa and da their alphas, all 0..255. The separable modes follow one pattern: where
// both are present the mode's own mix f(s, d) applies, where only one is present that one shows:
//   result = f + s * (1 - da) + d * (1 - sa),   alpha = sa + da - sa * da.
#include "platform/flash/renderer/blend.h"

#include <algorithm>

#include "platform/flash/renderer/internal/blend_wide.h"

namespace flash {
namespace {

// x * y / 255, rounded, for x and y in 0..255 (and products up to 255 * 510).
inline int Mul(int x, int y) {
  int t = x * y + 128;
  return (t + (t >> 8)) >> 8;
}

inline int Clamp(int v, int hi) { return v < 0 ? 0 : v > hi ? hi : v; }

inline int Channel(uint32_t p, int i) { return static_cast<int>((p >> (8 * i)) & 0xFF); }

// The mode's mix of two premultiplied channels where both layers are present, scaled by 255.
inline int Mix255(int mode, int s, int sa, int d, int da) {
  switch (mode) {
    case kBlendMultiply: return s * d;
    case kBlendScreen: return s * da + d * sa - s * d;
    case kBlendLighten: return std::max(s * da, d * sa);
    case kBlendDarken: return std::min(s * da, d * sa);
    case kBlendDifference: return std::abs(s * da - d * sa);
    case kBlendOverlay: return 2 * d <= da ? 2 * s * d : sa * da - 2 * (da - d) * (sa - s);
    case kBlendHardlight: return 2 * s <= sa ? 2 * s * d : sa * da - 2 * (da - d) * (sa - s);
    default: return s * da;  // normal: the source covers
  }
}

// One pixel in `mode`; inlined, so that a row blended in one mode works without a choice of mode
// per pixel.
[[gnu::always_inline]] inline uint32_t BlendOne(uint32_t dst, uint32_t src, int mode) {
  const int sa = Channel(src, 3), da = Channel(dst, 3);
  uint32_t out = 0;
  switch (mode) {
    case kBlendAdd:
      for (int i = 0; i < 4; ++i)
        out |= static_cast<uint32_t>(std::min(255, Channel(src, i) + Channel(dst, i))) << (8 * i);
      return out;
    case kBlendSubtract: {
      // The source's colour is taken off the destination's; the alpha adds as over.
      const int a = sa + da - Mul(sa, da);
      for (int i = 0; i < 3; ++i)
        out |= static_cast<uint32_t>(Clamp(Channel(dst, i) - Channel(src, i), a)) << (8 * i);
      return out | static_cast<uint32_t>(a) << 24;
    }
    case kBlendInvert: {
      // The destination's colours inverted where the source covers it; the source's colour
      // does not count.
      for (int i = 0; i < 3; ++i) {
        const int d = Channel(dst, i);
        out |= static_cast<uint32_t>(Clamp(Mul(da - d, sa) + Mul(d, 255 - sa), da)) << (8 * i);
      }
      return out | static_cast<uint32_t>(da) << 24;
    }
    case kBlendAlpha:  // the destination keeps the source's opacity
      for (int i = 0; i < 4; ++i) out |= static_cast<uint32_t>(Mul(Channel(dst, i), sa)) << (8 * i);
      return out;
    case kBlendErase:  // the destination loses the source's opacity
      for (int i = 0; i < 4; ++i)
        out |= static_cast<uint32_t>(Mul(Channel(dst, i), 255 - sa)) << (8 * i);
      return out;
    default: break;
  }
  if (mode < kBlendMultiply || mode > kBlendHardlight) {  // normal, layer and unknown modes
    if (sa == 255) return src;
    for (int i = 0; i < 4; ++i)
      out |= static_cast<uint32_t>(std::min(255, Channel(src, i) + Mul(Channel(dst, i), 255 - sa)))
             << (8 * i);
    return out;
  }
  const int a = sa + da - Mul(sa, da);
  for (int i = 0; i < 3; ++i) {
    const int s = Channel(src, i), d = Channel(dst, i);
    const int v = (Mix255(mode, s, sa, d, da) + s * (255 - da) + d * (255 - sa) + 127) / 255;
    out |= static_cast<uint32_t>(Clamp(v, a)) << (8 * i);
  }
  return out | static_cast<uint32_t>(a) << 24;
}

template <int Mode>
void BlendRowIn(uint32_t* dst, const uint32_t* src, int count) {
  int i = 0;
  if (Mode != kBlendAdd && Mode != kBlendSubtract && Mode != kBlendInvert && count >= 8 &&
      WideBlendAvailable())
    i = WideBlendLayerRow(dst, src, count, Mode);
  for (; i < count; ++i) {
    const uint32_t s = src[i];
    // A transparent source changes nothing, except where it takes opacity away.
    if (s == 0 && Mode != kBlendAlpha) continue;
    dst[i] = BlendOne(dst[i], s, Mode);
  }
}

}  // namespace

uint32_t BlendPixel(uint32_t dst, uint32_t src, int mode) { return BlendOne(dst, src, mode); }

void BlendRow(uint32_t* dst, const uint32_t* src, int count, int mode) {
  switch (mode) {
    case kBlendMultiply: return BlendRowIn<kBlendMultiply>(dst, src, count);
    case kBlendScreen: return BlendRowIn<kBlendScreen>(dst, src, count);
    case kBlendLighten: return BlendRowIn<kBlendLighten>(dst, src, count);
    case kBlendDarken: return BlendRowIn<kBlendDarken>(dst, src, count);
    case kBlendDifference: return BlendRowIn<kBlendDifference>(dst, src, count);
    case kBlendAdd: return BlendRowIn<kBlendAdd>(dst, src, count);
    case kBlendSubtract: return BlendRowIn<kBlendSubtract>(dst, src, count);
    case kBlendInvert: return BlendRowIn<kBlendInvert>(dst, src, count);
    case kBlendAlpha: return BlendRowIn<kBlendAlpha>(dst, src, count);
    case kBlendErase: return BlendRowIn<kBlendErase>(dst, src, count);
    case kBlendOverlay: return BlendRowIn<kBlendOverlay>(dst, src, count);
    case kBlendHardlight: return BlendRowIn<kBlendHardlight>(dst, src, count);
    default: return BlendRowIn<kBlendNormal>(dst, src, count);  // normal, layer and unknown
  }
}

}  // namespace flash
