#include "controls/sui_menu_bar.h"

#include <algorithm>

#include "platform/classlib/canvas.h"
#include "platform/classlib/menus.h"

using namespace classlib;

namespace controls {

namespace {
// Space left and right of a caption inside its button.
constexpr int kCaptionPad = 8;
}  // namespace

TsuiMenuBar::TsuiMenuBar(TComponent* AOwner) : TCustomControl(AOwner) {
  SetAlign(alTop);
  SetHeight(button_height_);
}

void TsuiMenuBar::SetMenu(TMenu* Menu) {
  menu_ = Menu;
  Refresh();
}

void TsuiMenuBar::SetButtonHeight(int Value) {
  button_height_ = std::max(0, Value);
  SetHeight(button_height_);
  Layout();
}

void TsuiMenuBar::Refresh() {
  buttons_.clear();
  hot_ = down_ = -1;
  if (menu_ != nullptr) {
    TMenuItem* root = menu_->Items();
    for (int i = 0; i < root->Count(); ++i) {
      TMenuItem* item = root->Items(i);
      if (!item->Visible()) continue;
      Button b;
      b.Item = item;
      b.Caption = StripHotkey(item->Caption());
      b.Enabled = item->Enabled();
      buttons_.push_back(b);
    }
  }
  Layout();
}

void TsuiMenuBar::Layout() {
  TCanvas* c = Canvas();
  c->Font()->Assign(Font());
  int x = 0;
  for (Button& b : buttons_) {
    const int w = c->TextWidth(b.Caption) + 2 * kCaptionPad;
    b.Rect = Rect(x, 0, x + w, button_height_);
    x += w;
  }
  Invalidate();
}

int TsuiMenuBar::ButtonAt(int X, int Y) const {
  for (size_t i = 0; i < buttons_.size(); ++i)
    if (PtInRect(buttons_[i].Rect, Point(X, Y))) return static_cast<int>(i);
  return -1;
}

void TsuiMenuBar::Paint() {
  TCanvas* c = Canvas();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(Color());
  c->FillRect(ClientRect());
  c->Font()->Assign(Font());
  for (size_t i = 0; i < buttons_.size(); ++i) {
    const Button& b = buttons_[i];
    const TRect& r = b.Rect;
    // A flat button shows an edge only while the mouse is over it.
    if (static_cast<int>(i) == hot_ && b.Enabled) {
      const bool down = static_cast<int>(i) == down_;
      c->Pen()->SetColor(down ? clBtnShadow : clBtnHighlight);
      c->MoveTo(r.Left, r.Bottom - 1);
      c->LineTo(r.Left, r.Top);
      c->LineTo(r.Right - 1, r.Top);
      c->Pen()->SetColor(down ? clBtnHighlight : clBtnShadow);
      c->LineTo(r.Right - 1, r.Bottom - 1);
      c->LineTo(r.Left, r.Bottom - 1);
    }
    c->Brush()->SetStyle(bsClear);
    c->Font()->SetColor(b.Enabled ? Font()->Color() : clGrayText);
    c->TextOut(r.Left + kCaptionPad, r.Top + (r.Height() - c->TextHeight(b.Caption)) / 2,
               b.Caption);
    c->Brush()->SetStyle(bsSolid);
  }
}

void TsuiMenuBar::MouseMove(TShiftState Shift, int X, int Y) {
  const int hot = ButtonAt(X, Y);
  if (hot != hot_) {
    hot_ = hot;
    Invalidate();
  }
  TCustomControl::MouseMove(Shift, X, Y);
}

void TsuiMenuBar::MouseLeave() {
  hot_ = -1;
  Invalidate();
  TCustomControl::MouseLeave();
}

void TsuiMenuBar::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomControl::MouseDown(Button, Shift, X, Y);
  if (Button != TMouseButton::mbLeft) return;
  const int i = ButtonAt(X, Y);
  if (i < 0 || !buttons_[i].Enabled) return;
  hot_ = down_ = i;
  Invalidate();
  // The drop-down runs until an item is picked or the menu dismissed; the
  // picked item's click may change or free the menu, so nothing of the
  // button is used afterwards.
  const TPoint p = ClientToScreen(Point(buttons_[i].Rect.Left, buttons_[i].Rect.Bottom));
  TMenu* menu = menu_;
  TMenuItem* item = buttons_[i].Item;
  down_ = -1;
  PopupMenuItem(menu, item, p.X, p.Y);
  Invalidate();
}

}  // namespace controls
