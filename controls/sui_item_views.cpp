#include "controls/sui_item_views.h"

#include "platform/classlib/control_frame.h"

using namespace classlib;

namespace controls {

template <class Base>
TsuiFramed<Base>::TsuiFramed(TComponent* AOwner) : Base(AOwner) {
  border_color_ = FindFormBorderColor(dynamic_cast<TWinControl*>(AOwner));
  SetControlFrame(this, border_color_, this->Color());
}

template <class Base>
void TsuiFramed<Base>::SetBorderColor(TColor Value) {
  border_color_ = Value;
  SetControlFrame(this, border_color_, this->Color());
  this->Invalidate();
}

template class TsuiFramed<TListView>;
template class TsuiFramed<TTreeView>;
template class TsuiFramed<TCheckListBox>;

}  // namespace controls
