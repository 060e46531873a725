// Test helper: what a viewer shows, frame by frame, for GIF bytes decoded by
// the independent decoder: disposal 0 and 1 keep the frame, 2 clears its
// rectangle, 3 brings back what was there before it. Pixels never painted
// are 0xFF000000 (see-through).
#pragma once

#include <cstdint>
#include <vector>

#include "tests/imaging/gif_test_util.h"

namespace giftest {

struct Composed {
  std::vector<std::vector<uint32_t>> Screens;  // one per frame, after drawing it
  std::vector<int> Delays;
  int TotalDelay = 0;
  int LoopCount = -1;
};

inline Composed Compose(const DecodedGif& G) {
  Composed out;
  const uint32_t kNone = 0xFF000000u;
  std::vector<uint32_t> screen(static_cast<size_t>(G.ScreenWidth) * G.ScreenHeight, kNone);
  for (const DecodedFrame& f : G.Frames) {
    const std::vector<uint32_t> before = screen;
    for (int y = 0; y < f.Height; ++y)
      for (int x = 0; x < f.Width; ++x) {
        const int sx = f.Left + x, sy = f.Top + y;
        if (sx >= G.ScreenWidth || sy >= G.ScreenHeight) continue;
        const size_t i = static_cast<size_t>(y) * f.Width + x;
        if (f.TransparentIndex >= 0 && f.Indices[i] == f.TransparentIndex) continue;
        screen[static_cast<size_t>(sy) * G.ScreenWidth + sx] = f.Rgb[i];
      }
    out.Screens.push_back(screen);
    const int delay = f.DelayCs < 0 ? 0 : f.DelayCs;
    out.Delays.push_back(delay);
    out.TotalDelay += delay;
    if (f.Disposal == 2) {
      for (int y = 0; y < f.Height; ++y)
        for (int x = 0; x < f.Width; ++x) {
          const int sx = f.Left + x, sy = f.Top + y;
          if (sx < G.ScreenWidth && sy < G.ScreenHeight)
            screen[static_cast<size_t>(sy) * G.ScreenWidth + sx] = kNone;
        }
    } else if (f.Disposal == 3) {
      screen = before;
    }
  }
  out.LoopCount = G.LoopCount;
  return out;
}

// The screens shown over time, one per hundredth of a second, so that two
// files that split the same animation differently into frames compare
// equal. Frames with delay 0 are shown together with the next one.
inline std::vector<std::vector<uint32_t>> Timeline(const Composed& C) {
  std::vector<std::vector<uint32_t>> t;
  for (size_t i = 0; i < C.Screens.size(); ++i)
    for (int k = 0; k < C.Delays[i]; ++k) t.push_back(C.Screens[i]);
  if (!C.Screens.empty()) t.push_back(C.Screens.back());
  return t;
}

}  // namespace giftest
