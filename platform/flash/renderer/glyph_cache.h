// Coverage masks of glyph outlines, made once per outline, scale and quarter-pixel position and
// kept for the frames that follow, so that upright text costs a copy a glyph instead of a fill.
#pragma once

#include <memory>

#include "platform/flash/format/shape.h"
#include "platform/flash/format/types.h"
#include "platform/flash/renderer/renderer.h"

namespace flash {

// The mask of `outline` (filled with its own styles, of which only the coverage counts) drawn
// at `scale` pixels a unit with its origin at (quarter_x / 4, quarter_y / 4) pixels from the
// mask's reference point. `owner` keeps the outline alive while the mask is cached: an entry
// whose owner has gone is never handed out again (null for outlines that live as long as the
// process). Masks are dropped when the cache outgrows its budget.
std::shared_ptr<const CoverageMask> GlyphCoverage(const ShapeDef& outline,
                                                  const std::shared_ptr<const void>& owner,
                                                  double scale, int quarter_x, int quarter_y,
                                                  Quality quality);

// Draws `outline` at `scale` with its origin at pixel position (x, y) through the cache.
void DrawCachedGlyph(Renderer& r, const ShapeDef& outline, const std::shared_ptr<const void>& owner,
                     double scale, double x, double y, Rgba color);

}  // namespace flash
