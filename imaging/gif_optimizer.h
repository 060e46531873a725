// The lossless size passes that follow the optimisation steps of
// TGIFImageEx::Optimize: they change how frames are coded, never what the
// animation shows, how long it plays or how often it loops.
#pragma once

#include "imaging/gif_image_ex.h"

namespace lumicast {
namespace gifex {

void RunSizePasses(TGIFImageEx& Image);

// Adds Delay to a frame's delay (held at the field's largest value), making
// a graphic control extension when it has none: a frame that is deleted
// hands its time to the one before it.
void AddDelay(TGIFSubImage& Frame, uint32_t Delay);

}  // namespace gifex
}  // namespace lumicast
