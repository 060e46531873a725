// The skinned combo box: style colours for its drop-down button, arrow and
// border, and the drawing of that button over the box.
#pragma once

#include <string>

#include "controls/sui_themes.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/std_controls.h"

namespace controls {

class TsuiCustomComboBox : public classlib::TComboBox, public IsuiStyled {
 public:
  explicit TsuiCustomComboBox(classlib::TComponent* AOwner);
  std::string ClassName() const override { return "TsuiCustomComboBox"; }

  TsuiUIStyle UIStyle() const { return ui_style_; }
  void SetUIStyle(TsuiUIStyle Value);
  classlib::TColor BorderColor() const { return border_color_; }
  void SetBorderColor(classlib::TColor Value);
  classlib::TColor ArrowColor() const { return arrow_color_; }
  void SetArrowColor(classlib::TColor Value);
  classlib::TColor ButtonColor() const { return button_color_; }
  void SetButtonColor(classlib::TColor Value);

  // Covers the drop-down button rectangle Button (a picture under MacOS, the
  // button colour otherwise), draws the arrow, then the box's border.
  void DrawButton(classlib::TCanvas* Canvas, const classlib::TRect& Button);

  uint8_t SuiStyleRows() const override { return srStyle; }
  TsuiUIStyle SuiUIStyle() const override { return ui_style_; }
  void SuiSetUIStyle(TsuiUIStyle Value) override { SetUIStyle(Value); }

  // After the native paint: the button, arrow and border.
  void PaintOver(classlib::TCanvas* Canvas, const classlib::TRect& Button) override {
    DrawButton(Canvas, Button);
  }

 private:
  TsuiUIStyle ui_style_ = TsuiUIStyle::Custom;
  classlib::TColor border_color_ = classlib::clBlack;
  classlib::TColor arrow_color_ = classlib::clBlack;
  classlib::TColor button_color_ = classlib::clBtnFace;
};

class TsuiComboBox : public TsuiCustomComboBox {
 public:
  explicit TsuiComboBox(classlib::TComponent* AOwner) : TsuiCustomComboBox(AOwner) {}
  std::string ClassName() const override { return "TsuiComboBox"; }
};

}  // namespace controls
