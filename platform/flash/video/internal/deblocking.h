// The block-edge smoothing filter that Sorenson H.263 pictures are shown through when the stream
// or the frame asks for it (inside the video folder only).
#pragma once

#include <cstddef>
#include <cstdint>

namespace flash {

// Smooths the edges of the 8x8 blocks of one plane in place (`width` x `height` samples, rows
// `stride` bytes apart): horizontal edges first, then vertical ones, each through the four
// samples across it, by as much as `quantizer` (1-31; other values are clamped) allows.
void DeblockPlane(uint8_t* plane, ptrdiff_t stride, int width, int height, int quantizer);

// The fields of a Sorenson H.263 frame header the player uses.
struct H263Header {
  bool complete = false;  // false: the header is cut short, and the fields below are zero
  int picture_type = 0;   // 0: key frame, 1: predicted, 2: disposable predicted
  bool deblocking = false;
  int quantizer = 0;
};
H263Header ReadH263Header(const uint8_t* data, size_t size);

// The quantizer to smooth the block edges of a Sorenson H.263 frame by; 0: not smoothed.
// `setting` is the stream's: off (1), on (2 and up), or left to each frame's header (0).
int H263SmoothingQuantizer(const uint8_t* data, size_t size, uint8_t setting);

}  // namespace flash
