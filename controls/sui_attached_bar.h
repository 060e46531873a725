// A skinned vertical scroll bar attached to a scrolling control (memo, list
// box): laid over the control's right edge, following the control's own bar
// and scrolling the control when moved.
#pragma once

#include "platform/classlib/control.h"

namespace controls {

class TsuiScrollBar;

// The attachment a host control keeps; the host forwards its free
// notifications and scroll-changing messages here.
class TsuiAttachedBar {
 public:
  explicit TsuiAttachedBar(classlib::TWinControl* Host) : host_(Host) {}
  TsuiScrollBar* Bar() const { return bar_; }
  // Attaching takes over the bar's OnChange, turns it vertical, brings it to
  // the front and places it. Detaching (or replacing) gives the old bar back
  // enabled, with Max 100 and LineButton 0.
  void Attach(TsuiScrollBar* Value);
  // Over the right edge, BottomInset pixels short of the host's bottom.
  void Place(int BottomInset);
  // Takes the host's own bar's state: without a usable own bar the skinned
  // bar is disabled and either hidden whole (HideWhole) or shows no thumb.
  void Sync(bool HideWhole);
  // The bar is being freed.
  void Forget(classlib::TComponent* AComponent);

 private:
  classlib::TWinControl* host_;
  TsuiScrollBar* bar_ = nullptr;
  bool updating_ = false;
};

}  // namespace controls
