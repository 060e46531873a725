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

TsuiListBox::~TsuiListBox() { SetVScrollBar(nullptr); }

void TsuiListBox::SetBorderColor(TColor Value) {
  border_color_ = Value;
  SetControlFrame(this, border_color_, Color());
  Invalidate();
}

void TsuiListBox::SetVScrollBar(TsuiScrollBar* Value) {
  if (Value == vbar_) return;
  if (vbar_ != nullptr) {
    vbar_->RemoveFreeNotification(this);
    vbar_->SetOnChange(nullptr);
    vbar_->SetLineButton(0);
    vbar_->SetMax(100);
    vbar_->SetEnabled(true);
  }
  vbar_ = Value;
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

void TsuiListBox::PlaceScrollBar() {
  if (vbar_ == nullptr) return;
  if (vbar_->Parent() != Parent()) vbar_->SetParent(Parent());
  vbar_->SetBounds(Left() + Width() - vbar_->Width() - 2, Top() + 1, vbar_->Width(), Height() - 2);
}

void TsuiListBox::SyncScrollBar() {
  if (vbar_ == nullptr || updating_) return;
  updating_ = true;
  TScrollBarState state;
  const bool have = GetControlScrollBar(this, SB_VERT, state);
  // The whole skinned bar shows only while the list's own bar is needed.
  if (!have || !state.Visible || !state.Enabled) {
    vbar_->SetLineButton(0);
    vbar_->SetEnabled(false);
    vbar_->SetVisible(false);
  } else {
    vbar_->SetLineButton(std::abs(state.ThumbBottom - state.ThumbTop));
    vbar_->SetEnabled(true);
    vbar_->SetVisible(true);
  }
  if (have) {
    vbar_->SetMax(state.Max - state.Page + 1);
    vbar_->SetMin(state.Min);
    vbar_->SetPosition(state.Position);
  }
  updating_ = false;
}

void TsuiListBox::Notification(TComponent* AComponent, TOperation Operation) {
  TListBox::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == vbar_) vbar_ = nullptr;
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
