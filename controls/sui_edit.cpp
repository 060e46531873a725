#include "controls/sui_edit.h"

#include "platform/classlib/control_frame.h"

using namespace classlib;

namespace controls {

TsuiEdit::TsuiEdit(TComponent* AOwner) : TEdit(AOwner) {
  border_color_ = FindFormBorderColor(dynamic_cast<TWinControl*>(AOwner));
  SetControlFrame(this, border_color_, Color());
}

void TsuiEdit::SetBorderColor(TColor Value) {
  border_color_ = Value;
  SetControlFrame(this, border_color_, Color());
  Invalidate();
}

}  // namespace controls
