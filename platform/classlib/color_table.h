// The ordered table of colour names that colour pickers list: the sixteen
// standard colours, the system colours and "no colour".
#pragma once

#include <span>

#include "platform/classlib/colors.h"

namespace classlib {

struct TColorName {
  TColor Color;
  const char* Name;
};

// 42 entries: indexes 0-15 the standard colours (clBlack .. clWhite), 16-40
// the system colours, 41 clNone.
std::span<const TColorName> ColorNameTable();

}  // namespace classlib
