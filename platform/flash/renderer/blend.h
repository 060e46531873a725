// Blend modes: how a layer's premultiplied pixels combine with what lies below them.
#pragma once

#include <cstdint>

namespace flash {

// Blend modes of display objects, numbered as placements store them (0 counts as normal).
enum BlendMode : int {
  kBlendNormal = 1,
  kBlendLayer = 2,
  kBlendMultiply = 3,
  kBlendScreen = 4,
  kBlendLighten = 5,
  kBlendDarken = 6,
  kBlendDifference = 7,
  kBlendAdd = 8,
  kBlendSubtract = 9,
  kBlendInvert = 10,
  kBlendAlpha = 11,
  kBlendErase = 12,
  kBlendOverlay = 13,
  kBlendHardlight = 14,
};

// Blends one premultiplied pixel (B | G << 8 | R << 16 | A << 24) onto another; unknown modes
// blend as normal.
uint32_t BlendPixel(uint32_t dst, uint32_t src, int mode);

// Blends `count` pixels of `src` onto `dst`.
void BlendRow(uint32_t* dst, const uint32_t* src, int count, int mode);

}  // namespace flash
