// The state of a windowed control's own scroll bars (a memo's, a list's):
// whether the bar is shown and usable, its range, page and position, and
// where the window system draws its thumb; and moving the bar's position as
// a thumb drag would.
#pragma once

#include "platform/classlib/messages.h"

namespace classlib {

class TWinControl;

enum : int { SB_HORZ = 0, SB_VERT = 1 };

struct TScrollBarState {
  bool Visible = false;
  bool Enabled = false;
  int Min = 0;
  int Max = 0;   // the last position the top of the page can reach plus the page, less one
  int Page = 0;  // positions shown at once
  int Position = 0;
  int ThumbTop = 0;  // the thumb along the bar, in pixels from the bar's start
  int ThumbBottom = 0;
};

// False when Control has no scroll bar of that kind (Bar: SB_HORZ or SB_VERT).
bool GetControlScrollBar(TWinControl* Control, int Bar, TScrollBarState& State);
// Moves the control's own bar (and so its contents) to Position, clamped to
// the range; false when the control has no such bar.
bool SetControlScrollPos(TWinControl* Control, int Bar, int Position);

}  // namespace classlib
