#include "controls/sui_list_box.h"

#include <cstdlib>

#include "controls/sui_track_bar.h"
#include "platform/classlib/control_frame.h"
#include "platform/classlib/messages.h"
#include "platform/classlib/scroll_state.h"

using namespace classlib;

namespace controls {

TsuiListBox::TsuiListBox(TComponent* AOwner) : TListBox(AOwner) {
  border_color_ = FindFormBorderColor(dynamic_cast<TWinControl*>(AOwner));
  SetControlFrame(this, border_color_, Color());
}

TsuiListBox::~TsuiListBox() { bar_.Attach(nullptr); }

void TsuiListBox::SetBorderColor(TColor Value) {
  border_color_ = Value;
  SetControlFrame(this, border_color_, Color());
  Invalidate();
}

void TsuiListBox::SetVScrollBar(TsuiScrollBar* Value) {
  if (Value == bar_.Bar()) return;
  bar_.Attach(Value);
  if (Value == nullptr) return;
  PlaceScrollBar();
  SyncScrollBar();
}

void TsuiListBox::PlaceScrollBar() { bar_.Place(2); }

void TsuiListBox::SyncScrollBar() { bar_.Sync(true); }

void TsuiListBox::Notification(TComponent* AComponent, TOperation Operation) {
  TListBox::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove) bar_.Forget(AComponent);
}

void TsuiListBox::WndProc(TMessage& Message) {
  TListBox::WndProc(Message);
  switch (Message.Msg) {
    case CM_ENABLEDCHANGED:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_KEYDOWN:
    case WM_MOUSEWHEEL:
    case WM_LBUTTONDOWN: SyncScrollBar(); break;
    case WM_MOUSEMOVE:
      if (Message.WParam & MK_LBUTTON) SyncScrollBar();
      break;
    default: break;
  }
}

void TsuiListBox::BoundsChanged(bool Moved, bool Resized) {
  TListBox::BoundsChanged(Moved, Resized);
  PlaceScrollBar();
  SyncScrollBar();
}

void TsuiListBox::WMVScroll(TMessage& Message) {
  if ((Message.WParam & 0xFFFF) == SB_THUMBPOSITION) {
    SetControlScrollPos(this, SB_VERT, static_cast<int>((Message.WParam >> 16) & 0xFFFF));
    Message.Result = 0;
    return;
  }
  TListBox::WMVScroll(Message);
}

}  // namespace controls
