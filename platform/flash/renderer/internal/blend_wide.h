// Eight-pixel versions of the span blends, for processors with 256-bit integer vectors. Each
// rounds exactly like the one-pixel source-over blend, so they change no pixel, only the speed.
// Each processes whole groups of eight from the start of the span and returns how many pixels it
// did; the caller blends the rest. Call them only where WideBlendAvailable() says so.
#pragma once

#include <agg_color_rgba.h>

#include <cstdint>

namespace flash {

extern const bool kWideBlendAvailable;

// True when the wide versions run on this processor.
inline bool WideBlendAvailable() { return kWideBlendAvailable; }

// `len` pixels of `d` under the premultiplied pixel `src` (B,G,R,A packed, alpha below 255).
int WideBlendRun(uint32_t* d, int len, uint32_t src);

// `len` pixels of `d` under `src` scaled by each pixel's cover.
int WideBlendCovers(uint32_t* d, int len, uint32_t src, const uint8_t* covers);

// `len` pixels of `d` under premultiplied colours, scaled by `covers` (or by `cover` where
// `covers` is null).
int WideBlendColors(uint32_t* d, int len, const agg::rgba8* colors, const uint8_t* covers,
                    unsigned cover);

// Padded radial gradient: for `len` pixels from the gradient-square point (gx, gy) moving by
// (step_x, step_y), the table index of each pixel, computed with the arithmetic (and the order of
// the running additions) of the two-pixel loop. Returns the number of pixels done and leaves
// (gx, gy) at the first pixel not done.
int WideRadialIndices(int* index, int len, double& gx, double& gy, double step_x, double step_y);

}  // namespace flash
