// Window regions: the part of a window that is shown and receives the mouse.
// On X11 the window is cut to the region; on Wayland only input is masked, so
// shaped controls paint their cut-away pixels in the colour behind them.
#pragma once

#include "platform/classlib/region.h"

namespace classlib {

class TWinControl;

// Gives Control's window the region (in its own coordinates); nullptr removes
// it and the whole rectangle shows again. Redraw repaints the window at once.
// Returns false without a control.
bool SetWindowRgn(TWinControl* Control, const TRegion* Region, bool Redraw);
// The window's current region: SIMPLEREGION or COMPLEXREGION with Region set,
// RGN_ERROR (0) when the window has none.
int GetWindowRgn(TWinControl* Control, TRegion& Region);

}  // namespace classlib
