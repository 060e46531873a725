// Filter lists of placements: the filters a display object is drawn through (shadows, glows,
// bevels, blurs, colour and convolution matrices), as plain values.
#pragma once

#include <cstdint>
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
};

// Reads a filter list (count byte, then the filters). Throws FormatError on an unknown filter
// or a list that runs past the data.
std::vector<Filter> ReadFilterList(Reader& r);
void WriteFilterList(BitWriter& w, const std::vector<Filter>& filters);

}  // namespace flash
