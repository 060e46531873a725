#include "platform/flash/renderer/displacement.h"

#include <algorithm>
#include <cmath>

namespace flash {
namespace {

// The value of the channel `component` picks from a map pixel; 128 (no move) for no channel.
int Channel(uint32_t pixel, int component) {
  switch (component) {
    case 1: return (pixel >> 16) & 0xFF;
    case 2: return (pixel >> 8) & 0xFF;
    case 4: return pixel & 0xFF;
    case 8: return pixel >> 24;
    default: return 128;
  }
}

}  // namespace

void ApplyDisplacementMap(FilterImage& image, const DisplacementMap& d) {
  const int w = image.width, h = image.height;
  if (w <= 0 || h <= 0 || !d.map || d.map_width <= 0 || d.map_height <= 0) return;
  if (!std::isfinite(d.scale_x) || !std::isfinite(d.scale_y)) return;
  const std::vector<uint32_t> source = image.pixels;
  for (int y = 0; y < h; ++y) {
    const int64_t my = int64_t{y} - d.map_y;
    if (my < 0 || my >= d.map_height) continue;
    for (int x = 0; x < w; ++x) {
      const int64_t mx = int64_t{x} - d.map_x;
      if (mx < 0 || mx >= d.map_width) continue;
      const uint32_t m = d.map[static_cast<size_t>(my) * d.map_width + static_cast<size_t>(mx)];
      const double dx = (Channel(m, d.component_x) - 128) * d.scale_x / 256;
      const double dy = (Channel(m, d.component_y) - 128) * d.scale_y / 256;
      // Moves beyond any picture's size all land outside it alike.
      int64_t sx = x + static_cast<int64_t>(std::floor(std::clamp(dx, -1e9, 1e9)));
      int64_t sy = y + static_cast<int64_t>(std::floor(std::clamp(dy, -1e9, 1e9)));
      const bool outside = sx < 0 || sx >= w || sy < 0 || sy >= h;
      uint32_t& out = image.At(x, y);
      if (!outside) {
        out = source[static_cast<size_t>(sy) * w + static_cast<size_t>(sx)];
        continue;
      }
      switch (d.mode) {
        case DisplacementMap::Mode::Wrap:
          sx = ((sx % w) + w) % w;
          sy = ((sy % h) + h) % h;
          out = source[static_cast<size_t>(sy) * w + static_cast<size_t>(sx)];
          break;
        case DisplacementMap::Mode::Clamp:
          sx = std::clamp<int64_t>(sx, 0, w - 1);
          sy = std::clamp<int64_t>(sy, 0, h - 1);
          out = source[static_cast<size_t>(sy) * w + static_cast<size_t>(sx)];
          break;
        case DisplacementMap::Mode::Ignore: break;  // stays
        case DisplacementMap::Mode::Color: out = d.color; break;
      }
    }
  }
}

}  // namespace flash
