// The skinned form frame: takes away a form's system caption and border,
// covers the form with a panel in the style's colour inside a coloured border,
// and lets the user move, resize and maximise the frameless window itself.
#pragma once

#include <string>

#include "controls/sui_themes.h"
#include "controls/sui_title_bar.h"

namespace classlib {
class TMenu;
}  // namespace classlib
#include "platform/classlib/form.h"
#include "platform/classlib/std_controls.h"

namespace controls {

class TsuiMenuBar;
class TsuiMainMenu;

class TsuiForm : public classlib::TPanel, public IsuiStyled, public IsuiFormFrame {
 public:
  // The band along the edges that resizes the window.
  static constexpr int kResizeBand = 5;

  // AOwner must be the form to skin; a form takes one frame only.
  explicit TsuiForm(classlib::TComponent* AOwner);
  ~TsuiForm() override;
  std::string ClassName() const override { return "TsuiForm"; }

  classlib::TForm* Form() const { return form_; }
  TsuiUIStyle UIStyle() const { return ui_style_; }
  void SetUIStyle(TsuiUIStyle Value);
  classlib::TColor BorderColor() const { return border_color_; }
  void SetBorderColor(classlib::TColor Value);
  int FrameBorderWidth() const { return border_width_; }
  void SetFrameBorderWidth(int Value);
  bool TitleBarVisible() const { return title_bar_visible_; }
  void SetTitleBarVisible(bool Value);
  // The title bar across the top of the panel.
  TsuiTitleBar* TitleBar() const { return title_bar_; }
  // The title bar's caption, copied to the form too.
  const std::string& FormCaption() const { return title_bar_->TitleCaption(); }
  void SetFormCaption(const std::string& Value);
  // Radius of the rounded top corners (0: a plain rectangle).
  int RegionRadius() const { return radius_; }

  // Size the form so that the area inside the border is Value wide / high.
  void SetWidth(int Value);
  void SetHeight(int Value);

  // Places the panel inside the border and cuts the window to its region.
  void Relayout();
  // The window-system answer for a point of the form (form coordinates): a
  // resize zone within the band of a form that was sizeable, else HTCLIENT.
  int HitTest(int X, int Y) const;
  // Resizes the form by a drag of (DX, DY) from the zone HitTest gave.
  void ResizeFrom(int Zone, int DX, int DY);
  // A press at (X, Y) (form coordinates) in the resize band starts the
  // window system's resize from that zone, or, where the window system
  // refuses, a resize by hand that follows the pointer until the button is
  // released. False outside the band.
  bool BandMouseDown(int X, int Y);
  // True while a resize by hand is under way (and the move is taken).
  bool BandMouseMove(int X, int Y);
  bool BandMouseUp();
  bool ResizingByHand() const { return hand_zone_ != 0; }
  // Starts the window system's move of the form (nothing while maximised).
  void StartMove();
  bool Maximized() const { return maximized_; }
  // Fills the work area / returns to the bounds from before.
  void ToggleMaximized();

  // The main menu shown on the frame's menu bar under the title bar (null:
  // no bar). Key-downs on the form reach its shortcuts.
  TsuiMainMenu* Menu() const { return menu_; }
  void SetMenu(TsuiMainMenu* Value);
  TsuiMenuBar* MenuBar() const { return menu_bar_; }
  classlib::TColor MenuBarColor() const { return menu_bar_color_; }
  void SetMenuBarColor(classlib::TColor Value);
  int MenuBarHeight() const { return menu_bar_height_; }
  void SetMenuBarHeight(int Value);

  TsuiUIStyle FrameUIStyle() const override { return ui_style_; }
  classlib::TColor FrameColor() const override { return Color(); }
  void SetFrameMenu(classlib::TComponent* Menu) override;
  void RebuildMenuBar() override;
  void RefreshMenuBar() override;
  void RefreshMenuBarFont() override;
  void Notification(classlib::TComponent* AComponent, classlib::TOperation Operation) override;

  uint8_t SuiStyleRows() const override { return 0; }
  TsuiUIStyle SuiUIStyle() const override { return ui_style_; }
  void SuiSetUIStyle(TsuiUIStyle Value) override { SetUIStyle(Value); }

 private:
  void ApplyRegion();
  classlib::TForm* form_ = nullptr;
  TsuiTitleBar* title_bar_ = nullptr;
  TsuiUIStyle ui_style_ = TsuiUIStyle::DeepBlue;
  classlib::TColor border_color_ = classlib::clBlack;
  int border_width_ = 0;
  int old_border_width_ = 0;  // the border the form's size was last set for
  bool title_bar_visible_ = true;
  int radius_ = 0;
  bool was_sizeable_ = false;
  bool maximized_ = false;
  classlib::TRect restore_bounds_;
  classlib::TNotifyEvent previous_on_resize_;
  classlib::TMouseEvent previous_on_mouse_down_, previous_on_mouse_up_;
  classlib::TMouseMoveEvent previous_on_mouse_move_;
  TsuiMainMenu* menu_ = nullptr;
  TsuiMenuBar* menu_bar_ = nullptr;
  classlib::TColor menu_bar_color_ = classlib::clBtnFace;
  int menu_bar_height_ = 22;
  classlib::TKeyEvent previous_on_key_down_;
  bool previous_key_preview_ = false;
  int hand_zone_ = 0;  // the zone being resized by hand, 0 for none
  classlib::TPoint hand_last_;
};

}  // namespace controls
