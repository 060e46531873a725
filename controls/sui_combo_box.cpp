#include "controls/sui_combo_box.h"

#include "controls/sui_public.h"
#include "controls/sui_skin_bitmap.h"
#include "platform/classlib/bitmap.h"

using namespace classlib;

namespace controls {

TsuiCustomComboBox::TsuiCustomComboBox(TComponent* AOwner) : TComboBox(AOwner) {
  SetUIStyle(FindFormUIStyle(dynamic_cast<TWinControl*>(AOwner)));
}

void TsuiCustomComboBox::SetUIStyle(TsuiUIStyle Value) {
  ui_style_ = Value;
  button_color_ = GetThemeColor(Value, 74);
  arrow_color_ = GetThemeColor(Value, 8);
  border_color_ = GetThemeColor(Value, 8);
  Invalidate();
}

void TsuiCustomComboBox::SetBorderColor(TColor Value) {
  border_color_ = Value;
  Invalidate();
}

void TsuiCustomComboBox::SetArrowColor(TColor Value) {
  arrow_color_ = Value;
  Invalidate();
}

void TsuiCustomComboBox::SetButtonColor(TColor Value) {
  button_color_ = Value;
  Invalidate();
}

void TsuiCustomComboBox::DrawButton(TCanvas* Canvas, const TRect& Button) {
  if (Canvas == nullptr) return;
  TBitmap picture;
  if (ui_style_ == TsuiUIStyle::MacOS && LoadSkinBitmap(&picture, "MACOS_COMBOBOX_BUTTON")) {
    Canvas->StretchDraw(Button, &picture);
  } else {
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(button_color_);
    Canvas->FillRect(Button);
  }
  const int x = Button.Left + Button.Width() / 2 - 4, y = Button.Height() / 2;
  auto arrow = [&](int dx, int dy, TColor c) {
    Canvas->Pen()->SetColor(c);
    Canvas->Brush()->SetColor(c);
    Canvas->Polygon(
        {Point(x + dx, y + dy), Point(x + 6 + dx, y + dy), Point(x + 3 + dx, y + 3 + dy)});
  };
  if (Enabled()) {
    arrow(0, 0, arrow_color_);
  } else {
    arrow(1, 1, clWhite);
    arrow(0, 0, static_cast<TColor>(0x00808080));
  }
  DrawControlBorder(this, Canvas, border_color_, Color());
}

}  // namespace controls
