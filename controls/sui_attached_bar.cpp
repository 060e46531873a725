#include "controls/sui_attached_bar.h"

#include <cstdlib>

#include "controls/sui_track_bar.h"
#include "platform/classlib/messages.h"

using namespace classlib;

namespace controls {

void TsuiAttachedBar::Attach(TsuiScrollBar* Value) {
  if (Value == bar_) return;
  if (bar_ != nullptr) {
    bar_->RemoveFreeNotification(host_);
    bar_->SetOnChange(nullptr);
    bar_->SetLineButton(0);
    bar_->SetMax(100);
    bar_->SetEnabled(true);
  }
  bar_ = Value;
  if (bar_ == nullptr) return;
  bar_->FreeNotification(host_);
  bar_->SetOrientation(kind_ == SB_VERT ? suiVertical : suiHorizontal);
  bar_->SetOnChange([this](TObject*) {
    if (updating_ || bar_ == nullptr) return;
    host_->Perform(kind_ == SB_VERT ? WM_VSCROLL : WM_HSCROLL,
                   static_cast<uintptr_t>(SB_THUMBPOSITION) |
                       (static_cast<uintptr_t>(static_cast<uint16_t>(bar_->Position())) << 16),
                   0);
    host_->Invalidate();
  });
  bar_->BringToFront();
}

void TsuiAttachedBar::Place(int Inset) {
  if (bar_ == nullptr) return;
  if (bar_->Parent() != host_->Parent()) bar_->SetParent(host_->Parent());
  if (kind_ == SB_VERT)
    bar_->SetBounds(host_->Left() + host_->Width() - bar_->Width() - 2, host_->Top() + 1,
                    bar_->Width(), host_->Height() - Inset);
  else
    bar_->SetBounds(host_->Left() + 1, host_->Top() + host_->Height() - bar_->Height() - 2,
                    host_->Width() - Inset, bar_->Height());
}

int TsuiAttachedBar::Thickness() const {
  if (bar_ == nullptr) return 0;
  return kind_ == SB_VERT ? bar_->Width() : bar_->Height();
}

void TsuiAttachedBar::Sync(bool HideWhole) {
  if (bar_ == nullptr || updating_) return;
  updating_ = true;
  TScrollBarState state;
  const bool have = GetControlScrollBar(host_, kind_, state);
  const bool usable = have && state.Visible && state.Enabled;
  bar_->SetLineButton(usable ? std::abs(state.ThumbBottom - state.ThumbTop) : 0);
  bar_->SetEnabled(usable);
  if (HideWhole)
    bar_->SetVisible(usable);
  else
    bar_->SetThumbVisible(usable);
  if (have) {
    bar_->SetMax(state.Max - state.Page + 1);
    bar_->SetMin(state.Min);
    bar_->SetPosition(state.Position);
  }
  updating_ = false;
}

void TsuiAttachedBar::Forget(TComponent* AComponent) {
  if (bar_ != nullptr && AComponent == static_cast<TComponent*>(bar_)) bar_ = nullptr;
}

bool TsuiAttachedBar::ThumbPosition(TWinControl* Host, int Kind, TMessage& Message) {
  if ((Message.WParam & 0xFFFF) != SB_THUMBPOSITION) return false;
  SetControlScrollPos(Host, Kind, static_cast<int>((Message.WParam >> 16) & 0xFFFF));
  Message.Result = 0;
  return true;
}

}  // namespace controls
