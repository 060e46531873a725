// The skinned tool bar: the class library's tool bar with style colours for
// its buttons, drawn flat in those colours under the pointer, while held and
// when checked, and optionally showing its parent through the background.
#pragma once

#include <string>

#include "controls/sui_themes.h"
#include "platform/classlib/tool_bar.h"

namespace controls {

class TsuiToolBar : public classlib::TToolBar, public IsuiStyled {
 public:
  explicit TsuiToolBar(classlib::TComponent* AOwner);
  std::string ClassName() const override { return "TsuiToolBar"; }

  TsuiUIStyle UIStyle() const { return ui_style_; }
  void SetUIStyle(TsuiUIStyle Value);
  classlib::TColor ButtonColor() const { return button_color_; }
  void SetButtonColor(classlib::TColor Value);
  classlib::TColor ButtonBorderColor() const { return button_border_color_; }
  void SetButtonBorderColor(classlib::TColor Value);
  classlib::TColor ButtonDownColor() const { return button_down_color_; }
  void SetButtonDownColor(classlib::TColor Value);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool Value);

  uint8_t SuiStyleRows() const override { return srStyle; }
  TsuiUIStyle SuiUIStyle() const override { return ui_style_; }
  void SuiSetUIStyle(TsuiUIStyle Value) override { SetUIStyle(Value); }

 protected:
  void PaintBackground(classlib::TCanvas* Canvas) override;

 private:
  // Draws a hot, held or checked button in the style colours ("down" when
  // both hot and held, else "up"); others are left to the bar's own drawing.
  void DrawStyledButton(classlib::TToolButton* Button, classlib::TCustomDrawState State,
                        bool& DefaultDraw);
  TsuiUIStyle ui_style_ = TsuiUIStyle::Custom;
  classlib::TColor button_color_ = classlib::clBtnFace;
  classlib::TColor button_border_color_ = classlib::clBtnShadow;
  classlib::TColor button_down_color_ = classlib::clBtnShadow;
  bool transparent_ = false;
};

}  // namespace controls
