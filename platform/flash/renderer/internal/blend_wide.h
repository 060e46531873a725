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
// (step_x, step_y), the position (0..1) of each pixel along the gradient, computed with the
// arithmetic (and the order of the running additions) of the two-pixel loop. Returns the number
// of pixels done and leaves (gx, gy) at the first pixel not done.
int WideRadialPositions(double* pos, int len, double& gx, double& gy, double step_x, double step_y);

// Focal gradient: for `len` pixels from the gradient-square point (gx, gy) moving by (step_x,
// step_y), the position of each pixel along the gradient, with the arithmetic (and running
// additions) of the one-pixel loop; `focal` is the focal point already held within its range,
// `spread` as for linear gradients. Returns the pixels done (whole groups of four, fewer where a
// fold would leave the exact range) and leaves (gx, gy) at the first pixel not done.
int WideFocalPositions(double* pos, int len, double& gx, double& gy, double step_x, double step_y,
                       double focal, int spread);

// Linear gradient: for `len` pixels from the gradient-square x `gx` moving by `step`, each
// pixel's premultiplied colour from the ramp (`base`: 256 entries of four straight channels as
// floats; `slope`: each entry's difference to the next), with the arithmetic of the one-pixel
// loop: the same running additions of `step`, the same fold by `spread` (0 pad, 1 reflect,
// 2 repeat), the same single-precision mix. Returns the pixels done (whole groups of eight, fewer
// where a fold would leave the exact range) and leaves `gx` at the first pixel not done.
int WideLinearColors(agg::rgba8* span, int len, double& gx, double step, int spread,
                     const float* base, const float* slope);

// A row of a layer composited onto the row below in normal (and layer), alpha, erase or one of
// the separable modes (multiply to difference, overlay, hard light), pixel for pixel as the
// one-pixel blends: whole groups of eight from the start; returns how many were done (0 for the
// other modes).
int WideBlendLayerRow(uint32_t* dst, const uint32_t* src, int count, int mode);

// A layer's row composited onto the row below through a mask row (null: no mask), pixel for
// pixel as the one-pixel loop: where the mask is clear the pixel below stays; where it is full,
// source-over with each channel held at 255; in between, the source scaled by the mask, then
// source-over with each channel's sum kept to its low byte. Whole groups of eight from the
// start; returns how many were done.
int WideCompositeRow(uint32_t* dst, const uint32_t* src, const uint8_t* mask, int count);

// The alpha byte of each of `count` B,G,R,A pixels, for whole groups of eight from the start;
// returns how many were done.
int WideAlphaRow(uint8_t* out, const uint32_t* pixels, int count);

// Box blur steps (filters.cpp), with the arithmetic of the narrow ones: a window sum s of at
// most 16 bits becomes ((s + half) * inv) >> 16.
// One row of the pass down the columns: `out` from `sums`, then `sums` gains the first `rows`
// (1 or 2) of `add` and loses those of `sub`, for whole groups of 32 bytes from the start;
// returns the bytes done.
int WideBoxDownRow(uint8_t* out, const uint8_t* const add[2], const uint8_t* const sub[2], int rows,
                   uint16_t* sums, int len, uint16_t inv, uint16_t half);
// The pass across four rows of `w` pixels at once (`rows`), zero beyond the row: each pixel is
// the sum of `n` entries from `lo` before its own, an entry being a pixel's value or, with
// `pairs`, the sum of it and the next one. `line` is scratch room for (w + n + 1) * 16 values.
void WideBoxAcrossRows(uint32_t* const rows[4], int w, int lo, int n, bool pairs, uint16_t* line,
                       uint16_t inv, uint16_t half);

}  // namespace flash
