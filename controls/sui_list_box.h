// The skinned list box: a list box with a two-colour border in the form's
// border colour and, when one is attached, a skinned vertical scroll bar laid
// over its right edge, shown only while the list's own bar is.
#pragma once

#include <string>

#include "controls/sui_attached_bar.h"
#include "controls/sui_themes.h"
#include "platform/classlib/list_box.h"

namespace controls {

class TsuiScrollBar;

class TsuiListBox : public classlib::TListBox, public IsuiStyled {
 public:
  explicit TsuiListBox(classlib::TComponent* AOwner);
  ~TsuiListBox() override;
  std::string ClassName() const override { return "TsuiListBox"; }

  classlib::TColor BorderColor() const { return border_color_; }
  void SetBorderColor(classlib::TColor Value);

  // Attaching takes over the bar's OnChange, turns it vertical, brings it to
  // the front and lays it over the right edge. Detaching (or replacing) gives
  // the old bar back enabled, with Max 100 and LineButton 0.
  TsuiScrollBar* VScrollBar() const { return bar_.Bar(); }
  void SetVScrollBar(TsuiScrollBar* Value);
  void PlaceScrollBar();
  // Takes the list's own bar's state into the attached bar.
  void SyncScrollBar();

  void ItemsChanged() override { SyncScrollBar(); }
  void Notification(classlib::TComponent* AComponent, classlib::TOperation Operation) override;
  void WndProc(classlib::TMessage& Message) override;

  uint8_t SuiStyleRows() const override { return srBorderColor; }
  void SuiSetBorderColor(classlib::TColor Value) override { SetBorderColor(Value); }

 protected:
  void BoundsChanged(bool Moved, bool Resized) override;
  void WMVScroll(classlib::TMessage& Message) override;

 private:
  classlib::TColor border_color_ = classlib::clBlack;
  TsuiAttachedBar bar_{this};
};

}  // namespace controls
