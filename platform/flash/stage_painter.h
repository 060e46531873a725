// Draws what a player shows: every level's display list, handed to the renderer with the stage
// placed in the target by StageToView. Lives beside the player and the renderer, so neither has
// to know the other.
#pragma once

#include "platform/flash/format/types.h"
#include "platform/flash/player/bitmap_painting.h"
#include "platform/flash/renderer/renderer.h"

namespace flash {

class Player;

// Fills `target` with `background`, then draws every level of `player` over it, lowest level
// first, at the player's quality. Large frames are drawn in bands on several threads, at most
// `max_bands` when that is above 0; frames with filters in fewer, as the rows their filters
// read around each row make worth.
void PaintStage(const Player& player, const RenderTarget& target, Rgba background,
                int max_bands = 0);

}  // namespace flash
