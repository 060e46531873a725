// A flat two-colour frame drawn over the outer two pixels of a native
// control (an edit, a memo, a list), above whatever the control draws itself;
// the control's own border gives way to it.
#pragma once

#include "platform/classlib/colors.h"

namespace classlib {

class TWinControl;

// Frames Control's outer pixel in Outer and the next in Inner from now on
// (calling again changes the colours).
void SetControlFrame(TWinControl* Control, TColor Outer, TColor Inner);

}  // namespace classlib
