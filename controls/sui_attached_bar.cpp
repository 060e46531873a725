#include "controls/sui_attached_bar.h"

#include <cstdlib>

#include "controls/sui_track_bar.h"
#include "platform/classlib/messages.h"
#include "platform/classlib/scroll_state.h"

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
  bar_->SetOrientation(suiVertical);
  bar_->SetOnChange([this](TObject*) {
    if (updating_ || bar_ == nullptr) return;
    host_->Perform(WM_VSCROLL,
                   static_cast<uintptr_t>(SB_THUMBPOSITION) |
                       (static_cast<uintptr_t>(static_cast<uint16_t>(bar_->Position())) << 16),
                   0);
    host_->Invalidate();
  });
  bar_->BringToFront();
}

void TsuiAttachedBar::Place(int BottomInset) {
  if (bar_ == nullptr) return;
  if (bar_->Parent() != host_->Parent()) bar_->SetParent(host_->Parent());
  bar_->SetBounds(host_->Left() + host_->Width() - bar_->Width() - 2, host_->Top() + 1,
                  bar_->Width(), host_->Height() - BottomInset);
}

void TsuiAttachedBar::Sync(bool HideWhole) {
  if (bar_ == nullptr || updating_) return;
  updating_ = true;
  TScrollBarState state;
  const bool have = GetControlScrollBar(host_, SB_VERT, state);
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

}  // namespace controls
