// Filter lists of placements: the filters a display object is drawn through (shadows, glows,
// bevels, blurs, colour and convolution matrices), as plain values.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/flash/format/types.h"

namespace flash {

// Largest blur (pixels) and number of passes a filter gets; larger values are cut to these.
constexpr double kMaxFilterBlur = 255;
constexpr int kMaxFilterPasses = 15;
// Convolution matrices larger than this each way are not applied.
constexpr int kMaxConvolutionSize = 15;

class Reader;
class BitWriter;

struct Filter {
  enum class Kind : uint8_t {
    DropShadow = 0,
    Blur = 1,
    Glow = 2,
    Bevel = 3,
    GradientGlow = 4,
    Convolution = 5,
    ColorMatrix = 6,
    GradientBevel = 7,
    // Made by scripts only: no movie stores one, and a filter list written out leaves it out.
    DisplacementMap = 8,
  };
  Kind kind = Kind::Blur;

  // Shadows, glows and bevels. `color` is the shadow or glow colour; a bevel's lit side is
  // `highlight`.
  Rgba color{0, 0, 0, 255};
  Rgba highlight{255, 255, 255, 255};
  double blur_x = 4, blur_y = 4;  // pixels
  double angle = 0;               // radians, clockwise from the x axis
  double distance = 0;            // pixels
  double strength = 1;
  bool inner = false, knockout = false;
  bool composite_source = true;  // false: the object itself is hidden, only its effect drawn
  bool on_top = false;           // bevels: drawn over the object as well as around it
  int passes = 1;                // blur passes (quality)

  // Gradient glows and bevels: colours at ratios 0..255.
  std::vector<Rgba> gradient_colors;
  std::vector<uint8_t> gradient_ratios;

  // Convolution.
  int matrix_x = 0, matrix_y = 0;
  float divisor = 1, bias = 0;
  std::vector<float> matrix;  // matrix_y rows of matrix_x; also the colour matrix's 20 entries
  Rgba default_color{0, 0, 0, 0};
  bool clamp = true, preserve_alpha = true;

  // Displacement maps: the map's pixels (straight 0xAARRGGBB, rows of `map_width`), shared by
  // every copy of the filter; where the map's corner lies on the picture; the channels (1 red,
  // 2 green, 4 blue, 8 alpha) and scales that move pixels; and what a pixel taken from outside
  // the picture shows (`map_mode`: 0 the picture wrapped, 1 its nearest edge, 2 the pixel left
  // as it is, 3 `color`).
  std::shared_ptr<const std::vector<uint32_t>> map_pixels;
  int map_width = 0, map_height = 0, map_x = 0, map_y = 0;
  int component_x = 0, component_y = 0;
  double scale_x = 0, scale_y = 0;
  uint8_t map_mode = 0;
};

// Reads a filter list (count byte, then the filters). Throws FormatError on an unknown filter
// or a list that runs past the data.
std::vector<Filter> ReadFilterList(Reader& r);
void WriteFilterList(BitWriter& w, const std::vector<Filter>& filters);

}  // namespace flash
