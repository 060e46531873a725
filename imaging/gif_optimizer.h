// The lossless size passes that follow the optimisation steps of
// TGIFImageEx::Optimize: they change how frames are coded, never what the
// animation shows, how long it plays or how often it loops.
#pragma once

#include "imaging/gif_image_ex.h"

namespace lumicast {
namespace gifex {

void RunSizePasses(TGIFImageEx& Image);

}  // namespace gifex
}  // namespace lumicast
