// What scripts that draw into bitmaps (BitmapData.draw, applyFilter) ask of the painter. The
// player holds pixels but knows nothing of drawing: these are defined beside the stage painter,
// which knows both the player and the renderer.
#pragma once

#include "platform/flash/format/filters.h"
#include "platform/flash/format/types.h"
#include "platform/flash/player/player.h"

namespace flash {

class BitmapData;
class MovieClip;
struct PixelRect;

// Where BitmapData.draw paints: the bitmap, the part of it that may change (whole pixels inside
// it), the matrix from the source's pixels to the bitmap's, and how the source is coloured and
// blended (blend modes numbered as in placements, 1 being normal).
struct BitmapPainting {
  BitmapData* target = nullptr;
  int clip_x = 0, clip_y = 0, clip_width = 0, clip_height = 0;
  Matrix matrix;
  ColorTransform color_transform;
  int blend_mode = 1;
  bool smooth = false;
};

// Draws what `clip` shows (its drawing and children, not its own placement) into a bitmap.
void PaintClipInto(const MovieClip& clip, const BitmapPainting& p, Quality quality);
// Draws the pixels of `source` into a bitmap.
void PaintBitmapInto(const BitmapData& source, const BitmapPainting& p);

// Runs `filter` over `src_rect` of `src` and writes the result, with what the filter reaches
// beyond the rectangle, into `dst` at (dx, dy).
void ApplyFilterInto(const BitmapData& src, PixelRect src_rect, BitmapData& dst, int dx, int dy,
                     const Filter& filter);
// The rectangle `filter` draws into when applied to `rect` (BitmapData.generateFilterRect).
PixelRect FilterRectOf(PixelRect rect, const Filter& filter);

}  // namespace flash
