// The font families installed, with what pickers filter on: outline or
// bitmap, fixed pitch, symbol character set.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/classlib/canvas.h"  // the character set numbers

namespace classlib {

// Font types as pickers store them.
inline constexpr int RASTER_FONTTYPE = 1;
inline constexpr int DEVICE_FONTTYPE = 2;
inline constexpr int TRUETYPE_FONTTYPE = 4;

struct TFontFamily {
  std::string Name;
  int FontType = TRUETYPE_FONTTYPE;  // scalable fonts count as outline fonts
  bool FixedPitch = false;
  uint8_t CharSet = ANSI_CHARSET;  // SYMBOL_CHARSET for symbol fonts
};

// The screen's families in the window system's order.
std::vector<TFontFamily> ScreenFontFamilies();

// The sizes in points a bitmap family comes in (empty for outline fonts).
std::vector<int> BitmapFontSizes(const std::string& Family);

}  // namespace classlib
