#include "controls/sui_grid.h"

namespace controls {

classlib::TColor GridCellFill(classlib::TGridDrawState State, classlib::TColor Focused,
                              classlib::TColor Selected, classlib::TColor Plain) {
  if (State & classlib::gdFocused) return Focused;
  if (State & classlib::gdSelected) return Selected;
  return Plain;
}

}  // namespace controls
