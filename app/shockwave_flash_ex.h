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
  TNotifyEvent OnMouseDown;
  TNotifyEvent OnMouseMove;
  TNotifyEvent OnMouseUp;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;
  // Around a timer message that is passed on to the player.
  TNotifyEvent OnBeforeTimer;
  TNotifyEvent OnAfterTimer;
  // For a timer message that is withheld.
  TNotifyEvent OnSkipTimer;

 protected:
  void WMTimer(TMessage& Message) override;
  void WMLButtonDown(TMessage& Message) override;
  void WMLButtonDblClk(TMessage& Message) override;
  void WMRButtonDown(TMessage& Message) override;
  void WMRButtonDblClk(TMessage& Message) override;
  void WMLButtonUp(TMessage& Message) override;
  void WMRButtonUp(TMessage& Message) override;
  void WMMouseMove(TMessage& Message) override;
  void CMMouseEnter(TMessage& Message) override;
  void CMMouseLeave(TMessage& Message) override;

 private:
  void Raise(const TNotifyEvent& Event) {
    if (Event) Event(this);
  }
};

}  // namespace lumicast
