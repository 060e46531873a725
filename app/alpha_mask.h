// Alpha masks derived from a captured frame: an 8-bit bitmap of the frame's size whose bytes are
// alpha values (0 transparent to 255 opaque), taken from each pixel's intensity or from a key
// colour.
#pragma once

#include <cstdint>

#include "platform/classlib/bitmap.h"

namespace lumicast {

// Intensity of a pixel given as its blue, green and red bytes (in that order, as in a 24-bit scan
// line): (B * 21 + G * 174 + R * 61) >> 8. The weights sum to 256, so the result is 0..255.
inline uint8_t PixelIntensity(const uint8_t* Pixel) {
  return static_cast<uint8_t>((Pixel[0] * 21u + Pixel[1] * 174u + Pixel[2] * 61u) >> 8);
}

// 256 entries, entry i = Trunc(sqrt(i / 255) * 255): brightens the dark end of the intensity
// scale. Computed once, on first use.
const uint8_t* SqrtAlphaTable();

// Makes Mask an 8-bit bitmap of Frame's size holding each pixel's intensity, or the square-root
// table's entry for it when UseSqrt is set.
void IntensityToAlpha(classlib::TBitmap* Mask, classlib::TBitmap* Frame, bool UseSqrt);

// Makes Mask an 8-bit bitmap of Frame's size holding 0 where the pixel's blue, green and red bytes
// equal the key colour's bytes 0, 1 and 2, and 255 everywhere else. KeyColor is 0x00RRGGBB (blue
// in the low byte); there is no tolerance.
void ColorKeyToAlpha(classlib::TBitmap* Mask, classlib::TBitmap* Frame, uint32_t KeyColor);

}  // namespace lumicast
