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

TsuiMemo::~TsuiMemo() {
  if (vbar_ != nullptr) {
    vbar_->RemoveFreeNotification(this);
    ResetBar(vbar_);
  }
}

void TsuiMemo::SetBorderColor(TColor Value) {
  border_color_ = Value;
  SetControlFrame(this, border_color_, Color());
  Invalidate();
}

void TsuiMemo::ResetBar(TsuiScrollBar* Bar) {
  Bar->SetOnChange(nullptr);
  Bar->SetLineButton(0);
  Bar->SetMax(100);
  Bar->SetEnabled(true);
}

void TsuiMemo::SetVScrollBar(TsuiScrollBar* Value) {
  if (Value == vbar_) return;
  if (vbar_ != nullptr) {
    vbar_->RemoveFreeNotification(this);
    ResetBar(vbar_);
  }
  vbar_ = Value;
  // The memo's own bar follows the attached one.
  SetScrollBars(vbar_ != nullptr ? ssVertical : ssNone);
  if (vbar_ == nullptr) return;
  vbar_->FreeNotification(this);
  vbar_->SetOrientation(suiVertical);
  vbar_->SetOnChange([this](TObject*) {
    if (updating_ || vbar_ == nullptr) return;
    Perform(WM_VSCROLL,
            static_cast<uintptr_t>(SB_THUMBPOSITION) |
                (static_cast<uintptr_t>(static_cast<uint16_t>(vbar_->Position())) << 16),
            0);
    Invalidate();
  });
  vbar_->BringToFront();
  PlaceScrollBar();
  SyncScrollBar();
}

void TsuiMemo::PlaceScrollBar() {
  if (vbar_ == nullptr) return;
  if (vbar_->Parent() != Parent()) vbar_->SetParent(Parent());
  vbar_->SetBounds(Left() + Width() - vbar_->Width() - 2, Top() + 1, vbar_->Width(), Height() - 1);
}

void TsuiMemo::SyncScrollBar() {
  if (vbar_ == nullptr || updating_) return;
  updating_ = true;
  TScrollBarState state;
  const bool have = GetControlScrollBar(this, SB_VERT, state);
  if (!have || !state.Visible || !state.Enabled) {
    vbar_->SetLineButton(0);
    vbar_->SetEnabled(false);
    vbar_->SetThumbVisible(false);
  } else {
    vbar_->SetLineButton(std::abs(state.ThumbBottom - state.ThumbTop));
    vbar_->SetEnabled(true);
    vbar_->SetThumbVisible(true);
  }
  if (have) {
    vbar_->SetMax(state.Max - state.Page + 1);
    vbar_->SetMin(state.Min);
    vbar_->SetPosition(state.Position);
  }
  updating_ = false;
}

void TsuiMemo::Notification(TComponent* AComponent, TOperation Operation) {
  TMemo::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == vbar_) vbar_ = nullptr;
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
