// The skinned memo: a memo with a two-colour border in the form's border
// colour and, when one is attached, a skinned vertical scroll bar laid over
// its right edge that mirrors the memo's own bar and scrolls the text.
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

  // Attaching takes over the bar's OnChange, turns it vertical, brings it to
  // the front and lays it over the memo's right edge; the memo's own bar is
  // then kept on. Detaching (or replacing) gives the old bar back enabled,
  // with Max 100 and LineButton 0.
  TsuiScrollBar* VScrollBar() const { return bar_.Bar(); }
  void SetVScrollBar(TsuiScrollBar* Value);
  // Places the attached bar over the right edge.
  void PlaceScrollBar();
  // Takes the memo's own bar's state into the attached bar.
  void SyncScrollBar();

  void Notification(classlib::TComponent* AComponent, classlib::TOperation Operation) override;
  void WndProc(classlib::TMessage& Message) override;

  uint8_t SuiStyleRows() const override { return srBorderColor; }
  void SuiSetBorderColor(classlib::TColor Value) override { SetBorderColor(Value); }

 protected:
  void BoundsChanged(bool Moved, bool Resized) override;
  void StoreText(const std::string& Value) override;
  void WMVScroll(classlib::TMessage& Message) override;

 private:
  classlib::TColor border_color_ = classlib::clBlack;
  TsuiAttachedBar bar_{this};
};

}  // namespace controls
