// For windows that show a moving picture: painting straight from a pixel buffer during the
// window's paint event, and how often the screen shows a new picture.
#pragma once

#include <cstdint>

namespace classlib {

class TWinControl;

// During Control's own paint event: draws Width x Height opaque pixels (B, G, R, 255 rows Stride
// bytes apart, top row first) at its client area's top-left corner, straight from Pixels and only
// where the window system asks for paint. False outside a paint event (nothing drawn).
bool PaintPixels(TWinControl* Control, const uint8_t* Pixels, int Width, int Height, int Stride);

// Pictures the screen shows per second (60 where the window system does not tell).
int ScreenRefreshRate();

}  // namespace classlib
