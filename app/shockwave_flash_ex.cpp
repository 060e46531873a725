#include "app/shockwave_flash_ex.h"

using namespace classlib;

namespace lumicast {

// A withheld message never reaches the player, so the movie does not advance. A passed one goes
// to the default handler, where the player ticks once.
void TShockwaveFlashEx::WMTimer(TMessage& Message) {
  if (SkipTimer) {
    Raise(OnSkipTimer);
    return;
  }
  Raise(OnBeforeTimer);
  DefaultHandler(Message);
  Raise(OnAfterTimer);
}

// Mouse messages: with PreviewMsg the class library's own handler runs (the control's mouse
// events, then the player); without it only this class's event is raised, or nothing at all.

void TShockwaveFlashEx::WMLButtonDown(TMessage& Message) {
  if (PreviewMsg)
    TShockwaveFlash::WMLButtonDown(Message);
  else
    Raise(OnMouseDown);
}

void TShockwaveFlashEx::WMLButtonDblClk(TMessage& Message) {
  if (PreviewMsg)
    TShockwaveFlash::WMLButtonDblClk(Message);
  else
    Raise(OnMouseDown);
}

void TShockwaveFlashEx::WMRButtonDown(TMessage& Message) {
  if (PreviewMsg)
    TShockwaveFlash::WMRButtonDown(Message);
  else
    Raise(OnMouseDown);
}

void TShockwaveFlashEx::WMRButtonDblClk(TMessage& Message) {
  if (PreviewMsg)
    TShockwaveFlash::WMRButtonDblClk(Message);
  else
    Raise(OnMouseDown);
}

void TShockwaveFlashEx::WMLButtonUp(TMessage& Message) {
  if (PreviewMsg)
    TShockwaveFlash::WMLButtonUp(Message);
  else
    Raise(OnMouseUp);
}

void TShockwaveFlashEx::WMRButtonUp(TMessage& Message) {
  if (PreviewMsg)
    TShockwaveFlash::WMRButtonUp(Message);
  else
    Raise(OnMouseUp);
}

void TShockwaveFlashEx::WMMouseMove(TMessage& Message) {
  if (PreviewMsg)
    TShockwaveFlash::WMMouseMove(Message);
  else
    Raise(OnMouseMove);
}

void TShockwaveFlashEx::CMMouseEnter(TMessage& Message) {
  if (PreviewMsg)
    TShockwaveFlash::CMMouseEnter(Message);
  else
    Raise(OnMouseEnter);
}

void TShockwaveFlashEx::CMMouseLeave(TMessage& Message) {
  if (PreviewMsg)
    TShockwaveFlash::CMMouseLeave(Message);
  else
    Raise(OnMouseLeave);
}

}  // namespace lumicast
