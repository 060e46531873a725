// The mouse as the class library exposes it: the pointer's screen position.
// Tests can pin the position so that code reading it runs without a pointer.
#pragma once

#include "platform/classlib/geometry.h"

namespace classlib {

class TMouse {
 public:
  // The pointer in screen coordinates (the pinned position when one is set).
  TPoint CursorPos() const;
};

TMouse* Mouse();

// Pins CursorPos to *Pos (tests); null returns it to the real pointer.
void SetCursorPosOverride(const TPoint* Pos);

}  // namespace classlib
