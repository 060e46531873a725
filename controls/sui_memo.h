// The skinned memo: a memo with a two-colour border in the form's border
// colour and, when attached, skinned scroll bars laid over its right and
// bottom edges that mirror the memo's own bars and scroll the text.
#pragma once

#include <string>

#include "controls/sui_attached_bar.h"
#include "controls/sui_themes.h"
#include "platform/classlib/std_controls.h"

namespace controls {

class TsuiScrollBar;

class TsuiMemo : public classlib::TMemo, public IsuiStyled {
 public:
  explicit TsuiMemo(classlib::TComponent* AOwner);
  ~TsuiMemo() override;
  std::string ClassName() const override { return "TsuiMemo"; }

  classlib::TColor BorderColor() const { return border_color_; }
  void SetBorderColor(classlib::TColor Value);

  // Attaching takes over the bar's OnChange, turns it to its role's
  // orientation, brings it to the front and lays it over the memo's right
  // (vertical) or bottom (horizontal) edge; the memo's own bars follow the
  // attached ones (both, one or none). Detaching (or replacing) gives the old
  // bar back enabled, with Max 100 and LineButton 0.
  TsuiScrollBar* VScrollBar() const { return bar_.Bar(); }
  void SetVScrollBar(TsuiScrollBar* Value);
  TsuiScrollBar* HScrollBar() const { return hbar_.Bar(); }
  void SetHScrollBar(TsuiScrollBar* Value);
  // Places the attached bars over the edges, each short of the other.
  void PlaceScrollBar();
  // Takes the memo's own bars' state into the attached ones.
  void SyncScrollBar();

  void Notification(classlib::TComponent* AComponent, classlib::TOperation Operation) override;
  void WndProc(classlib::TMessage& Message) override;

  uint8_t SuiStyleRows() const override { return srBorderColor; }
  void SuiSetBorderColor(classlib::TColor Value) override { SetBorderColor(Value); }

 protected:
  void BoundsChanged(bool Moved, bool Resized) override;
  void StoreText(const std::string& Value) override;
  void WMVScroll(classlib::TMessage& Message) override;
  void WMHScroll(classlib::TMessage& Message) override;

 private:
  void Attach(TsuiAttachedBar& Role, TsuiScrollBar* Value);
  classlib::TColor border_color_ = classlib::clBlack;
  TsuiAttachedBar bar_{this, classlib::SB_VERT};
  TsuiAttachedBar hbar_{this, classlib::SB_HORZ};
};

}  // namespace controls
