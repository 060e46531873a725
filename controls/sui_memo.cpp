#include "controls/sui_memo.h"

#include "controls/sui_track_bar.h"
#include "platform/classlib/control_frame.h"
#include "platform/classlib/messages.h"

using namespace classlib;

namespace controls {

TsuiMemo::TsuiMemo(TComponent* AOwner) : TMemo(AOwner) {
  border_color_ = FindFormBorderColor(dynamic_cast<TWinControl*>(AOwner));
  SetControlFrame(this, border_color_, Color());
}

TsuiMemo::~TsuiMemo() {
  bar_.Attach(nullptr);
  hbar_.Attach(nullptr);
}

void TsuiMemo::SetBorderColor(TColor Value) {
  border_color_ = Value;
  SetControlFrame(this, border_color_, Color());
  Invalidate();
}

void TsuiMemo::SetVScrollBar(TsuiScrollBar* Value) { Attach(bar_, Value); }

void TsuiMemo::SetHScrollBar(TsuiScrollBar* Value) { Attach(hbar_, Value); }

void TsuiMemo::Attach(TsuiAttachedBar& Role, TsuiScrollBar* Value) {
  if (Value == Role.Bar()) return;
  // A bar in the other role changes roles.
  TsuiAttachedBar& other = &Role == &bar_ ? hbar_ : bar_;
  if (Value != nullptr && other.Bar() == Value) other.Attach(nullptr);
  Role.Attach(Value);
  // The memo's own bars follow the attached ones.
  const bool v = bar_.Bar() != nullptr, h = hbar_.Bar() != nullptr;
  SetScrollBars(v && h ? ssBoth : v ? ssVertical : h ? ssHorizontal : ssNone);
  PlaceScrollBar();
  SyncScrollBar();
}

void TsuiMemo::PlaceScrollBar() {
  bar_.Place(hbar_.Thickness() + 1);
  hbar_.Place(bar_.Thickness() + 1);
}

void TsuiMemo::SyncScrollBar() {
  bar_.Sync(false);
  hbar_.Sync(false);
}

void TsuiMemo::Notification(TComponent* AComponent, TOperation Operation) {
  TMemo::Notification(AComponent, Operation);
  if (Operation != TOperation::opRemove) return;
  bar_.Forget(AComponent);
  hbar_.Forget(AComponent);
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
  if (!TsuiAttachedBar::ThumbPosition(this, SB_VERT, Message)) TMemo::WMVScroll(Message);
}

void TsuiMemo::WMHScroll(TMessage& Message) {
  if (!TsuiAttachedBar::ThumbPosition(this, SB_HORZ, Message)) TMemo::WMHScroll(Message);
}

}  // namespace controls
