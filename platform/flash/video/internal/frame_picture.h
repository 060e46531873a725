// Turning a decoded frame into a picture the renderer draws (inside the video folder only).
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

#include <memory>

#include "platform/flash/format/bitmap.h"

namespace flash {

// The settings every decoder of pictures is opened with, for streams in movies and in video
// files alike: one thread, and Sorenson H.263 through the exact (floating-point) inverse
// transform, as the integer transforms round some columns of a block a level away from it.
void SetUpDecoder(AVCodecContext& context);

// One pixel of limited-range BT.601 video as B, G, R: 16.16 fixed-point factors, rounded once
// at the end, clamped.
void YuvToBgr(int y, int u, int v, uint8_t bgr[3]);

// The frame as premultiplied B,G,R,A, cut to `max_width` x `max_height` (a smaller frame keeps
// its own size). Planar 4:2:0 frames (the codecs of movies) are converted by YuvToBgr, each
// chroma sample colouring its 2x2 pixels; the colour of a frame with alpha is taken as already
// premultiplied (capped at the alpha). Other formats go through `scaler`, kept between calls.
// When `smoothing` (a quantizer, 1-31) is not 0, the block edges of a planar frame are smoothed
// first, in a copy (the decoder predicts the next frames from the frame as it is).
// Null for a frame beyond the video size limits.
std::shared_ptr<BitmapDef> FramePicture(const AVFrame& frame, SwsContext*& scaler, int max_width,
                                        int max_height, uint16_t id, int smoothing = 0);

}  // namespace flash
