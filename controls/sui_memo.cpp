#include "controls/sui_memo.h"

#include <cstdlib>

#include "controls/sui_track_bar.h"
#include "platform/classlib/control_frame.h"
#include "platform/classlib/messages.h"
#include "platform/classlib/scroll_state.h"

using namespace classlib;

namespace controls {

TsuiMemo::TsuiMemo(TComponent* AOwner) : TMemo(AOwner) {
  border_color_ = FindFormBorderColor(dynamic_cast<TWinControl*>(AOwner));
  SetControlFrame(this, border_color_, Color());
}

TsuiMemo::~TsuiMemo() { bar_.Attach(nullptr); }

void TsuiMemo::SetBorderColor(TColor Value) {
  border_color_ = Value;
  SetControlFrame(this, border_color_, Color());
  Invalidate();
}

void TsuiMemo::SetVScrollBar(TsuiScrollBar* Value) {
  if (Value == bar_.Bar()) return;
  bar_.Attach(Value);
  // The memo's own bar follows the attached one.
  SetScrollBars(Value != nullptr ? ssVertical : ssNone);
  if (Value == nullptr) return;
  PlaceScrollBar();
  SyncScrollBar();
}

void TsuiMemo::PlaceScrollBar() { bar_.Place(1); }

void TsuiMemo::SyncScrollBar() { bar_.Sync(false); }

void TsuiMemo::Notification(TComponent* AComponent, TOperation Operation) {
  TMemo::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove) bar_.Forget(AComponent);
}

void TsuiMemo::WndProc(TMessage& Message) {
  TMemo::WndProc(Message);
  // Whatever may have scrolled or changed the text brings the bar along.
  switch (Message.Msg) {
    case CM_ENABLEDCHANGED:
    case WM_CUT:
    case WM_PASTE:
    case WM_CLEAR:
    case WM_UNDO:
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

void TsuiMemo::BoundsChanged(bool Moved, bool Resized) {
  TMemo::BoundsChanged(Moved, Resized);
  PlaceScrollBar();
  SyncScrollBar();
}

void TsuiMemo::StoreText(const std::string& Value) {
  TMemo::StoreText(Value);
  SyncScrollBar();
}

void TsuiMemo::WMVScroll(TMessage& Message) {
  if ((Message.WParam & 0xFFFF) == SB_THUMBPOSITION) {
    SetControlScrollPos(this, SB_VERT, static_cast<int>((Message.WParam >> 16) & 0xFFFF));
    Message.Result = 0;
    return;
  }
  TMemo::WMVScroll(Message);
}

}  // namespace controls
