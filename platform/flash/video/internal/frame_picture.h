// Turning a decoded frame into a picture the renderer draws (inside the video folder only).
#pragma once

extern "C" {
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

#include <memory>

#include "platform/flash/format/bitmap.h"

namespace flash {

// The frame as premultiplied B,G,R,A, cut to `max_width` x `max_height` (a smaller frame keeps
// its own size). `scaler` is kept between calls. Null for a frame beyond the video size limits.
std::shared_ptr<BitmapDef> FramePicture(const AVFrame& frame, SwsContext*& scaler, int max_width,
                                        int max_height, uint16_t id);

}  // namespace flash
