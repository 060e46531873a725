// The desktop's mouse settings that controls follow.
#pragma once

namespace classlib {

// Lines one wheel notch scrolls (the desktop's setting; 3 without one).
int WheelScrollLines();
// Replaces the desktop's setting (tests); 0 or less restores it.
void SetWheelScrollLinesOverride(int Lines);

}  // namespace classlib
