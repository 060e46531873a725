// A video frame as the renderer draws it: a rectangle of the stream's declared size filled with
// the frame's picture.
#pragma once

#include "platform/flash/format/bitmap.h"
#include "platform/flash/format/shape.h"
#include "platform/flash/format/video.h"

namespace flash {

// The rectangle (0, 0)-(width, height) pixels, filled with bitmap `picture_id` (of that
// picture's size) stretched over it; `smooth` filters the picture when it is scaled.
ShapeDef PictureRectangle(int width, int height, const BitmapPixels& picture, uint16_t picture_id,
                          bool smooth);

// The rectangle of `stream`'s declared size showing a frame's picture.
ShapeDef VideoFrameShape(const VideoDef& stream, const BitmapPixels& picture, uint16_t picture_id,
                         bool smooth);

}  // namespace flash
