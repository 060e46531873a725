#include "controls/sui_tool_bar.h"

#include "controls/sui_public.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/image_list.h"

using namespace classlib;

namespace controls {

TsuiToolBar::TsuiToolBar(TComponent* AOwner) : TToolBar(AOwner) {
  SetFlat(true);
  OnCustomDrawButton = [this](TToolBar*, TToolButton* Button, TCustomDrawState State,
                              bool& DefaultDraw) { DrawStyledButton(Button, State, DefaultDraw); };
  SetUIStyle(FindFormUIStyle(dynamic_cast<TWinControl*>(AOwner)));
}

void TsuiToolBar::SetUIStyle(TsuiUIStyle Value) {
  ui_style_ = Value;
  if (Value != TsuiUIStyle::Custom) {
    button_border_color_ = GetThemeColor(Value, 80);
    button_color_ = GetThemeColor(Value, 81);
    button_down_color_ = GetThemeColor(Value, 82);
    SetColor(GetThemeColor(Value, 83));
    transparent_ = Value == TsuiUIStyle::MacOS;
    SetEdges(false);
  }
  Invalidate();
}

void TsuiToolBar::SetButtonColor(TColor Value) {
  button_color_ = Value;
  Invalidate();
}

void TsuiToolBar::SetButtonBorderColor(TColor Value) {
  button_border_color_ = Value;
  Invalidate();
}

void TsuiToolBar::SetButtonDownColor(TColor Value) {
  button_down_color_ = Value;
  Invalidate();
}

void TsuiToolBar::SetTransparent(bool Value) {
  transparent_ = Value;
  Invalidate();
}

void TsuiToolBar::PaintBackground(TCanvas* Canvas) {
  if (transparent_)
    PaintParentBackground(Canvas, this);
  else
    TToolBar::PaintBackground(Canvas);
}

void TsuiToolBar::DrawStyledButton(TToolButton* Button, TCustomDrawState State,
                                   bool& DefaultDraw) {
  if (Button->Style() == tbsSeparator) return;
  const bool hot = State & cdsHot, held = State & cdsSelected, checked = State & cdsChecked;
  if (!hot && !held && !checked) return;
  DefaultDraw = false;
  const bool down = hot && held;
  TCanvas* c = Button->Canvas();
  const TRect r = Button->ClientRect();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(down ? button_down_color_ : button_color_);
  c->FillRect(r);
  if (!down) {
    c->Brush()->SetColor(button_border_color_);
    c->FrameRect(r);
  }
  TImageList* list = HotImages() != nullptr ? HotImages() : Images();
  int image_h = 0;
  if (list != nullptr && Button->ImageIndex() >= 0 && Button->ImageIndex() < list->Count()) {
    image_h = list->Height();
    const int x = (r.Width() - list->Width()) / 2 - (down ? 0 : 1);
    list->Draw(c, x, down ? 3 : 2, Button->ImageIndex(), Button->Enabled());
  }
  if (ShowCaptions()) {
    const std::string text = Button->Caption();
    c->Brush()->SetStyle(bsClear);
    c->Font()->Assign(Font());
    const int y = image_h > 0 ? image_h + 4 : (down ? 5 : 4);
    c->TextOut((r.Width() - c->TextWidth(text)) / 2, y, text);
  }
}

}  // namespace controls
