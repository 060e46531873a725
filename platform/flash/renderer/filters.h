// Filters applied to a picture of premultiplied pixels (B | G << 8 | R << 16 | A << 24).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/flash/format/filters.h"

namespace flash {

struct FilterImage {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;  // rows of `width`
  uint32_t& At(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// How far (pixels) the filter's result may reach beyond the picture it is given, each way.
struct FilterReach {
  int left = 0, top = 0, right = 0, bottom = 0;
};
FilterReach ReachOf(const Filter& f, double scale);

// How many rows above and below a pixel the filter reads to work out that pixel of its result
// (with blurs and distances times `scale`); -1 when the result also depends on where the picture
// begins (a displacement map is placed from the picture's corner and may wrap around it).
int RowsRead(const Filter& f, double scale);

// Applies `f` to `image` in place. The picture must already have room for the filter's reach
// (what falls outside it is lost). Blurs and distances are multiplied by `scale`.
void ApplyFilter(FilterImage& image, const Filter& f, double scale);

// The box blur under every blurring filter: `passes` passes of a box `blur` pixels wide centred
// on each pixel (end pixels it cuts count by the part inside), across then down, on the
// channels in `channel_mask` (bit i: byte i of a pixel).
void BoxBlur(FilterImage& image, double blur_x, double blur_y, int passes, unsigned channel_mask);

}  // namespace flash
