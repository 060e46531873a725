// Moving a window with the mouse through the window system, for windows without a title bar:
// a press on the window's background releases the mouse capture and sends the window
// WM_SYSCOMMAND with SC_DRAGMOVE, which asks the window system to move the window with the
// pointer until the button is released.
#pragma once

#include <cstdint>

#include "platform/classlib/messages.h"

namespace classlib {

class TWinControl;

// Ends any mouse capture, the class library's and the toolkit's.
void ReleaseCapture();

// Handles WM_SYSCOMMAND for a windowed control: SC_DRAGMOVE (and SC_MOVE) start the window
// system's move of the control's top-level window (nothing happens on a platform without
// windows, such as the offscreen one). True when the command was handled.
bool HandleSystemCommand(TWinControl* Control, TMessage& Message);

// How many window moves have been asked for since the program started (for tests).
int SystemMoveCount();

// Asks the window system to resize Control's top-level window with the pointer from the edge
// or corner HitZone (HTLEFT..HTBOTTOMRIGHT) until the button is released. False when it
// refuses (no such zone, no window, or a platform without windows, such as the offscreen
// one): the caller then resizes the window itself.
bool StartSystemResize(TWinControl* Control, int HitZone);

}  // namespace classlib
