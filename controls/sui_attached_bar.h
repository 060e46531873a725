// A skinned scroll bar attached to a scrolling control (memo, list box): laid
// over one of the control's edges, following the control's own bar of that
// kind and scrolling the control when moved.
#pragma once

#include "platform/classlib/control.h"
#include "platform/classlib/scroll_state.h"

namespace controls {

class TsuiScrollBar;

// The attachment a host control keeps, one per kind of bar; the host forwards
// its free notifications and scroll-changing messages here.
class TsuiAttachedBar {
 public:
  // Kind: classlib::SB_VERT (over the right edge) or SB_HORZ (over the bottom).
  explicit TsuiAttachedBar(classlib::TWinControl* Host, int Kind = classlib::SB_VERT)
      : host_(Host), kind_(Kind) {}
  TsuiScrollBar* Bar() const { return bar_; }
  // Attaching takes over the bar's OnChange, turns it to the orientation of
  // its kind, brings it to the front. Detaching (or replacing) gives the old
  // bar back enabled, with Max 100 and LineButton 0.
  void Attach(TsuiScrollBar* Value);
  // A vertical bar over the right edge, Inset pixels shorter than the host;
  // a horizontal one over the bottom edge, Inset pixels narrower.
  void Place(int Inset);
  // The bar's thickness across its length (0 without a bar).
  int Thickness() const;
  // Takes the host's own bar's state: without a usable own bar the skinned
  // bar is disabled and either hidden whole (HideWhole) or shows no thumb.
  void Sync(bool HideWhole);
  // The bar is being freed.
  void Forget(classlib::TComponent* AComponent);
  // A thumb-position scroll message (as the attached bar sends) moves the
  // host's own bar there; true when Message was one.
  static bool ThumbPosition(classlib::TWinControl* Host, int Kind, classlib::TMessage& Message);

 private:
  classlib::TWinControl* host_;
  int kind_;
  TsuiScrollBar* bar_ = nullptr;
  bool updating_ = false;
};

}  // namespace controls
