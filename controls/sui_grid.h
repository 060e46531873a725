// Skinned grids: a draw grid and a string grid with a flat two-colour border,
// style colours, and cells filled by state (focused over selected over plain).
#pragma once

#include <string>

#include "controls/sui_public.h"
#include "controls/sui_themes.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/grids.h"

namespace controls {

// The fill of a non-fixed cell in State: the focused colour wins over the
// selected one, which wins over the grid's colour.
classlib::TColor GridCellFill(classlib::TGridDrawState State, classlib::TColor Focused,
                              classlib::TColor Selected, classlib::TColor Plain);

// What the two skinned grids share, over either grid class.
template <class Base>
class TsuiGridOf : public Base, public IsuiStyled {
 public:
  explicit TsuiGridOf(classlib::TComponent* AOwner) : Base(AOwner) {
    SetUIStyle(FindFormUIStyle(dynamic_cast<classlib::TWinControl*>(AOwner)));
  }

  TsuiUIStyle UIStyle() const { return ui_style_; }
  void SetUIStyle(TsuiUIStyle Value) {
    ui_style_ = Value;
    if (Value != TsuiUIStyle::Custom) {
      border_color_ = GetThemeColor(Value, 8);
      this->SetFixedColor(GetThemeColor(Value, 12));
      this->SetColor(GetThemeColor(Value, 9));
      fixed_font_color_ = GetThemeColor(Value, 13);
      this->Font()->SetColor(GetThemeColor(Value, 16));
    }
    this->Invalidate();
  }
  classlib::TColor BorderColor() const { return border_color_; }
  void SetBorderColor(classlib::TColor Value) { Set(border_color_, Value); }
  classlib::TColor FocusedColor() const { return focused_color_; }
  void SetFocusedColor(classlib::TColor Value) { Set(focused_color_, Value); }
  classlib::TColor SelectedColor() const { return selected_color_; }
  void SetSelectedColor(classlib::TColor Value) { Set(selected_color_, Value); }
  classlib::TColor FixedFontColor() const { return fixed_font_color_; }
  void SetFixedFontColor(classlib::TColor Value) { Set(fixed_font_color_, Value); }
  classlib::TColor FontColor() const { return const_cast<TsuiGridOf*>(this)->Font()->Color(); }
  void SetFontColor(classlib::TColor Value) { this->Font()->SetColor(Value); }
  bool Ctl3D() const { return false; }

  uint8_t SuiStyleRows() const override { return srStyle; }
  TsuiUIStyle SuiUIStyle() const override { return ui_style_; }
  void SuiSetUIStyle(TsuiUIStyle Value) override { SetUIStyle(Value); }

 protected:
  void Paint() override {
    Base::Paint();
    DrawControlBorder(this, this->Canvas(), border_color_, this->Color());
  }
  void DrawCell(int ACol, int ARow, const classlib::TRect& ARect,
                classlib::TGridDrawState AState) override {
    classlib::TCanvas* c = this->Canvas();
    if (!(AState & classlib::gdFixed)) {
      c->Brush()->SetStyle(classlib::bsSolid);
      c->Brush()->SetColor(GridCellFill(AState, focused_color_, selected_color_, this->Color()));
      c->FillRect(ARect);
    }
    c->Font()->SetColor((AState & classlib::gdFixed) ? fixed_font_color_ : FontColor());
    Base::DrawCell(ACol, ARow, ARect, AState);
  }

 private:
  void Set(classlib::TColor& Field, classlib::TColor Value) {
    Field = Value;
    this->Invalidate();
  }
  TsuiUIStyle ui_style_ = TsuiUIStyle::Custom;
  classlib::TColor border_color_ = classlib::clBlack;
  classlib::TColor focused_color_ = static_cast<classlib::TColor>(0x00008000);
  classlib::TColor selected_color_ = static_cast<classlib::TColor>(0x0000FFFF);
  classlib::TColor fixed_font_color_ = classlib::clBlack;
};

class TsuiDrawGrid : public TsuiGridOf<classlib::TDrawGrid> {
 public:
  explicit TsuiDrawGrid(classlib::TComponent* AOwner) : TsuiGridOf(AOwner) {}
  std::string ClassName() const override { return "TsuiDrawGrid"; }
};

class TsuiStringGrid : public TsuiGridOf<classlib::TStringGrid> {
 public:
  explicit TsuiStringGrid(classlib::TComponent* AOwner) : TsuiGridOf(AOwner) {}
  std::string ClassName() const override { return "TsuiStringGrid"; }
};

}  // namespace controls
