// The side channel: a panel docked to the left or right edge of its parent
// that shows only a narrow side bar and slides open to its full width when
// the mouse rests on the bar (or the bar is clicked), sliding shut when the
// mouse leaves unless it is pinned open.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "controls/sui_button.h"
#include "controls/sui_themes.h"
#include "platform/classlib/std_controls.h"
#include "platform/classlib/timer.h"

namespace controls {

enum TsuiSideChannelAlign : uint8_t { suiLeft, suiRight };
enum TsuiSideChannelPopupMode : uint8_t { suiMouseOn, suiMouseClick };

// Asked before a resize: clear Resize to refuse it.
using TCanResizeEvent =
    std::function<void(classlib::TObject* Sender, int& NewWidth, int& NewHeight, bool& Resize)>;

class TsuiSideChannel : public classlib::TPanel, public IsuiStyled {
 public:
  explicit TsuiSideChannel(classlib::TComponent* AOwner);
  ~TsuiSideChannel() override;
  std::string ClassName() const override { return "TsuiSideChannel"; }

  // The open width (the control's current width is the side bar's while closed).
  int OpenWidth() const { return open_width_; }
  void SetOpenWidth(int Value) { open_width_ = Value; }
  classlib::TColor SideBarColor() const { return side_bar_color_; }
  void SetSideBarColor(classlib::TColor Value);
  int SideBarWidth() const;
  void SetSideBarWidth(int Value);
  TsuiSideChannelAlign ChannelAlign() const { return channel_align_; }
  void SetChannelAlign(TsuiSideChannelAlign Value);
  bool StayOn() const { return stay_on_; }
  void SetStayOn(bool Value);
  TsuiSideChannelPopupMode PopupMode() const { return popup_mode_; }
  void SetPopupMode(TsuiSideChannelPopupMode Value) { popup_mode_ = Value; }
  bool QuickMove() const { return quick_move_; }
  void SetQuickMove(bool Value) { quick_move_ = Value; }
  void SetTitleAlignment(classlib::TAlignment Value);

  bool IsOpen() const { return SideBarWidth() < Width(); }
  bool Animating() const { return animating_; }
  void Pop();
  void Push();

  classlib::TPanel* TitleStrip() const { return title_; }
  classlib::TSpeedButton* PinButton() const { return pin_; }
  classlib::TPanel* SideBar() const { return side_bar_; }
  TsuiButton* SideBarButton() const { return bar_button_; }
  classlib::TTimer* WatchTimer() const { return watch_.get(); }

  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;

  classlib::TNotifyEvent OnPop;
  classlib::TNotifyEvent OnPush;
  TCanResizeEvent OnCanResize;

  uint8_t SuiStyleRows() const override { return srSideChannel; }
  void SuiSetColor(classlib::TColor Value) override { SetColor(Value); }
  void SuiSetSideBarColor(classlib::TColor Value) override { SetSideBarColor(Value); }

 protected:
  void Resize() override;
  void FontChanged() override;
  // The caption shows in the title strip only: the panel paints its colour.
  void Paint() override;

 private:
  void Slide(bool Open, bool Quick);
  void PinChanged();
  void Watch();
  void LoadPinGlyph();
  void BarMouseMove();
  void BarClick();

  classlib::TPanel* title_ = nullptr;
  classlib::TSpeedButton* pin_ = nullptr;
  classlib::TPanel* side_bar_ = nullptr;
  TsuiButton* bar_button_ = nullptr;
  std::unique_ptr<classlib::TTimer> watch_;
  int open_width_ = 0;
  classlib::TColor side_bar_color_ = classlib::clBtnFace;
  TsuiSideChannelAlign channel_align_ = suiLeft;
  bool stay_on_ = false;
  TsuiSideChannelPopupMode popup_mode_ = suiMouseOn;
  bool quick_move_ = false;
  bool animating_ = false;
  bool ready_ = false;
  // Cleared when the panel is destroyed, so that a slide running pending
  // messages between its steps can tell that it must stop.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace controls
