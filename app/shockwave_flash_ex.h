// The player control every player window of the program uses: TShockwaveFlash with two switches.
// SkipTimer freezes the movie between frames by withholding the frame timer's WM_TIMER messages
// (the conversion window's frame lock); PreviewMsg false keeps the user's mouse away from the
// movie, reporting the mouse messages as events instead of passing them on.
#pragma once

#include "app/shockwave_flash.h"

namespace lumicast {

class TShockwaveFlashEx : public TShockwaveFlash {
 public:
  using TShockwaveFlash::TShockwaveFlash;
  std::string ClassName() const override { return "TShockwaveFlashEx"; }

  // true: mouse messages take the inherited path to the player; false: they are swallowed and
  // reported through the events below.
  bool PreviewMsg = false;
  // true: WM_TIMER messages are withheld from the player, which then stays on its frame.
  bool SkipTimer = false;

  // Raised instead of passing a mouse message on (PreviewMsg false). They take only the sender
  // and stand in for the control's own mouse events of the same names, which are raised only on
  // the inherited path.
  classlib::TNotifyEvent OnMouseDown;
  classlib::TNotifyEvent OnMouseMove;
  classlib::TNotifyEvent OnMouseUp;
  classlib::TNotifyEvent OnMouseEnter;
  classlib::TNotifyEvent OnMouseLeave;
  // Around a timer message that is passed on to the player.
  classlib::TNotifyEvent OnBeforeTimer;
  classlib::TNotifyEvent OnAfterTimer;
  // For a timer message that is withheld.
  classlib::TNotifyEvent OnSkipTimer;

 protected:
  void WMTimer(classlib::TMessage& Message) override;
  void WMLButtonDown(classlib::TMessage& Message) override;
  void WMLButtonDblClk(classlib::TMessage& Message) override;
  void WMRButtonDown(classlib::TMessage& Message) override;
  void WMRButtonDblClk(classlib::TMessage& Message) override;
  void WMLButtonUp(classlib::TMessage& Message) override;
  void WMRButtonUp(classlib::TMessage& Message) override;
  void WMMouseMove(classlib::TMessage& Message) override;
  void CMMouseEnter(classlib::TMessage& Message) override;
  void CMMouseLeave(classlib::TMessage& Message) override;

 private:
  void Raise(const classlib::TNotifyEvent& Event) {
    if (Event) Event(this);
  }
};

}  // namespace lumicast
