// Colour conversion of B, G, R, x pixels into planar Y, Cb, Cr: with chroma halved both ways
// (4:2:0), the format every YUV codec of the library takes, or at full size (4:4:4), as still
// JPEG images take it. BT.601 weights; full-range samples (0..255, as JPEG takes them) or studio
// range (Y 16..235, chroma 16..240). A 4:2:0 chroma sample is the mean of the two by two pixels
// it covers (of the one or two there are at an odd edge). Written for speed: the encoder
// converts every frame, and a general-purpose scaler spends several times as long on the same
// frame.
#pragma once

#include <cstdint>

namespace mcl {

struct YuvPlanes {
  uint8_t* y;
  uint8_t* cb;
  uint8_t* cr;
  int yStride;
  int cbStride;
  int crStride;
};

// Converts a width x height picture whose rows are `stride` bytes apart; the alpha bytes are not
// read. The chroma planes hold (width + 1) / 2 by (height + 1) / 2 samples.
void BgrxToYuv420(const uint8_t* bgrx, int stride, int width, int height, const YuvPlanes& out,
                  bool fullRange);
// The same with chroma planes of width x height samples.
void BgrxToYuv444(const uint8_t* bgrx, int stride, int width, int height, const YuvPlanes& out,
                  bool fullRange);

}  // namespace mcl
