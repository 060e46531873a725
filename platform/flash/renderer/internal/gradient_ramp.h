// Gradient ramps and positions: the part of the gradient paints that needs no pixel types.
#pragma once

#include <array>

#include "platform/flash/format/shape.h"
#include "platform/flash/format/types.h"

namespace flash {

// Straight colour of the gradient at each whole ratio, unrounded. Between two whole ratios the
// colour runs in a straight line, so a point between them is read by interpolating.
using GradientRamp = std::array<std::array<float, 4>, 256>;

// Builds the ramp of a gradient whose stop colours are first passed through `cx`.
void BuildGradientRamp(const Gradient& g, const ColorTransform& cx, GradientRamp& out);

// Position 0..1 along a gradient for a point of the gradient square (-16384..16384 twips).
double GradientPosition(FillStyle::Type type, double focal_point, double gx, double gy);

// Folds a position into 0..1 by the spread mode.
double ApplySpread(SpreadMode mode, double t);

}  // namespace flash
