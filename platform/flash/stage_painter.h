// Draws what a player shows: every level's display list, handed to the renderer with the stage
// placed in the target by StageToView. Lives beside the player and the renderer, so neither has
// to know the other.
#pragma once

#include "platform/flash/format/types.h"
#include "platform/flash/renderer/renderer.h"

namespace flash {

class BitmapData;
class MovieClip;
class Player;
struct PixelRect;

// Where BitmapData.draw paints: the bitmap, the part of it that may change (whole pixels inside
// it), the matrix from the source's pixels to the bitmap's, and how the source is coloured and
// blended.
struct BitmapPainting {
  BitmapData* target = nullptr;
  int clip_x = 0, clip_y = 0, clip_width = 0, clip_height = 0;
  Matrix matrix;
  ColorTransform color_transform;
  int blend_mode = kBlendNormal;
  bool smooth = false;
};

// Draws what `clip` shows (its drawing and children, not its own placement) into a bitmap.
void PaintClipInto(const MovieClip& clip, const BitmapPainting& p, Quality quality);
// Draws the pixels of `source` into a bitmap.
void PaintBitmapInto(const BitmapData& source, const BitmapPainting& p);

// Fills `target` with `background`, then draws every level of `player` over it, lowest level
// first, at the player's quality.
void PaintStage(const Player& player, const RenderTarget& target, Rgba background);

}  // namespace flash
