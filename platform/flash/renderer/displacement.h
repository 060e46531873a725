// The displacement map filter: every pixel of a picture is taken from another place of the
// picture, moved by the values a map picture holds at that pixel.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/flash/renderer/filters.h"

namespace flash {

struct DisplacementMap {
  // The map: rows of `map_width` pixels, 0xAARRGGBB with straight (not premultiplied) colour.
  int map_width = 0, map_height = 0;
  const uint32_t* map = nullptr;
  int map_x = 0, map_y = 0;  // where the map's top-left corner lies on the picture
  // The channel of the map that moves pixels along x and along y: 1 red, 2 green, 4 blue, 8
  // alpha (any other value moves nothing that way).
  int component_x = 0, component_y = 0;
  double scale_x = 0, scale_y = 0;
  // What a pixel taken from outside the picture shows: the picture wrapped around, its nearest
  // edge, the pixel left where it is, or `color` (premultiplied, as the picture's pixels).
  enum class Mode : uint8_t { Wrap, Clamp, Ignore, Color };
  Mode mode = Mode::Wrap;
  uint32_t color = 0;
};

// Moves the pixels of `image` (premultiplied B | G << 8 | R << 16 | A << 24): the pixel at
// (x, y) becomes the one at (x + (cx - 128) * scale_x / 256, y + (cy - 128) * scale_y / 256),
// where cx and cy are the map's chosen channels at (x - map_x, y - map_y). Pixels outside the
// map stay as they are.
void ApplyDisplacementMap(FilterImage& image, const DisplacementMap& d);

}  // namespace flash
