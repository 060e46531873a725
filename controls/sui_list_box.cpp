#include "controls/sui_list_box.h"

#include "controls/sui_track_bar.h"
#include "platform/classlib/control_frame.h"
#include "platform/classlib/messages.h"

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
  if (!TsuiAttachedBar::ThumbPosition(this, SB_VERT, Message)) TListBox::WMVScroll(Message);
}

}  // namespace controls
