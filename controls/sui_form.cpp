#include "controls/sui_form.h"

#include <algorithm>

#include "controls/sui_menu.h"
#include "controls/sui_menu_bar.h"

#include "platform/classlib/application.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/messages.h"
#include "platform/classlib/region.h"
#include "platform/classlib/system_move.h"
#include "platform/classlib/window_region.h"

using namespace classlib;

namespace controls {

TsuiForm::TsuiForm(TComponent* AOwner) : TPanel(AOwner) {
  form_ = dynamic_cast<TForm*>(AOwner);
  if (form_ == nullptr) throw Exception("A TsuiForm must be owned by a form");
  for (int i = 0; i < form_->ControlCount(); ++i)
    if (dynamic_cast<TsuiForm*>(form_->Controls(i)) != nullptr)
      throw Exception("Sorry, You can create only one TsuiForm component in one form!");
  SetBevelInner(bvNone);
  SetBevelOuter(bvNone);
  SetBorderStyle(bsNone);
  SetCaption("");
  SetParent(form_);
  was_sizeable_ = form_->BorderStyle() == bsSizeable;
  form_->SetBorderStyle(bsNone);
  // The frame follows every change of the form's size.
  previous_on_resize_ = form_->OnResize;
  form_->OnResize = [this](TObject* Sender) {
    Relayout();
    if (previous_on_resize_) previous_on_resize_(Sender);
  };
  // Presses on the border strips may start a resize.
  previous_on_mouse_down_ = form_->OnMouseDown;
  previous_on_mouse_move_ = form_->OnMouseMove;
  previous_on_mouse_up_ = form_->OnMouseUp;
  form_->OnMouseDown = [this](TObject* Sender, TMouseButton Button, TShiftState Shift, int X,
                              int Y) {
    if (Button == TMouseButton::mbLeft && BandMouseDown(X, Y)) return;
    if (previous_on_mouse_down_) previous_on_mouse_down_(Sender, Button, Shift, X, Y);
  };
  form_->OnMouseMove = [this](TObject* Sender, TShiftState Shift, int X, int Y) {
    if (BandMouseMove(X, Y)) return;
    if (previous_on_mouse_move_) previous_on_mouse_move_(Sender, Shift, X, Y);
  };
  form_->OnMouseUp = [this](TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (BandMouseUp()) return;
    if (previous_on_mouse_up_) previous_on_mouse_up_(Sender, Button, Shift, X, Y);
  };
  // Key-downs anywhere on the form reach the menu's shortcuts first.
  previous_on_key_down_ = form_->OnKeyDown;
  previous_key_preview_ = form_->KeyPreview();
  form_->SetKeyPreview(true);
  form_->OnKeyDown = [this](TObject* Sender, uint16_t& Key, TShiftState Shift) {
    if (menu_ != nullptr && Key != 0 && menu_->IsShortCut(ShortCut(Key, Shift))) {
      Key = 0;
      return;
    }
    if (previous_on_key_down_) previous_on_key_down_(Sender, Key, Shift);
  };
  title_bar_ = new TsuiTitleBar(this);
  title_bar_->SetParent(this);
  title_bar_->SetTitleCaption(form_->Caption());
  title_bar_->OnStartMove = [this] { StartMove(); };
  title_bar_->OnToggleMaximized = [this] { ToggleMaximized(); };
  SetUIStyle(TsuiUIStyle::DeepBlue);
}

void TsuiForm::SetFormCaption(const std::string& Value) {
  title_bar_->SetTitleCaption(Value);
  form_->SetCaption(Value);
}

TsuiForm::~TsuiForm() {
  if (form_ != nullptr) {
    form_->OnResize = previous_on_resize_;
    form_->OnMouseDown = previous_on_mouse_down_;
    form_->OnMouseMove = previous_on_mouse_move_;
    form_->OnMouseUp = previous_on_mouse_up_;
    form_->OnKeyDown = previous_on_key_down_;
    form_->SetKeyPreview(previous_key_preview_);
  }
  if (menu_ != nullptr) menu_->RemoveFreeNotification(this);
}

void TsuiForm::SetUIStyle(TsuiUIStyle Value) {
  ui_style_ = Value;
  if (Value != TsuiUIStyle::Custom) {
    border_color_ = GetThemeColor(Value, 2);
    border_width_ = GetThemeInt(Value, 4);
    SetColor(GetThemeColor(Value, 3));
    radius_ = GetThemeInt(Value, 7);
    title_bar_->SetUIStyle(Value);
    SetMenuBarColor(Color());
    if (menu_ != nullptr && menu_->UIStyle() != TsuiUIStyle::Custom) menu_->SetUIStyle(Value);
  }
  // The form shows through as the border round the panel.
  form_->SetColor(border_color_);
  // The area inside the border keeps its size; the form grows or shrinks
  // with the border.
  const int w = form_->Width() - 2 * old_border_width_;
  const int h = form_->Height() - old_border_width_ - old_border_width_ / 2;
  old_border_width_ = border_width_;
  if (w > 0 && h > 0) {
    SetWidth(w);
    SetHeight(h);
  }
  Relayout();
  Invalidate();
}

void TsuiForm::SetBorderColor(TColor Value) {
  border_color_ = Value;
  form_->SetColor(Value);
}

void TsuiForm::SetFrameBorderWidth(int Value) {
  border_width_ = old_border_width_ = std::max(0, Value);
  Relayout();
}

void TsuiForm::SetTitleBarVisible(bool Value) {
  title_bar_visible_ = Value;
  title_bar_->SetVisible(Value);
  Relayout();
}

void TsuiForm::SetWidth(int Value) { form_->SetWidth(Value + 2 * border_width_); }

void TsuiForm::SetHeight(int Value) { form_->SetHeight(Value + border_width_ + border_width_ / 2); }

void TsuiForm::Relayout() {
  const int top = title_bar_visible_ ? 0 : border_width_;
  SetBounds(border_width_, top, std::max(0, form_->ClientWidth() - 2 * border_width_),
            std::max(0, form_->ClientHeight() - border_width_ - top));
  ApplyRegion();
}

void TsuiForm::ApplyRegion() {
  const int W = form_->ClientWidth(), H = form_->ClientHeight(), r = radius_;
  if (W <= 0 || H <= 0) return;
  if (r <= 0) {
    TRegion plain = CreateRectRgn(0, 0, W, H);
    SetWindowRgn(form_, &plain, true);
    return;
  }
  // Only the top corners are rounded: squares fill the bottom ones back in.
  TRegion rgn = CreateRoundRectRgn(0, 0, W + 1, H + 1, r, r);
  CombineRgn(rgn, rgn, CreateRectRgn(0, H - 2 * r, 2 * r, H), RGN_OR);
  CombineRgn(rgn, rgn, CreateRectRgn(W - 2 * r, H - 2 * r, W, H), RGN_OR);
  SetWindowRgn(form_, &rgn, true);
}

int TsuiForm::HitTest(int X, int Y) const {
  if (!was_sizeable_ || maximized_) return HTCLIENT;
  const int W = form_->Width(), H = form_->Height(), b = kResizeBand;
  const bool left = X < b, right = X >= W - b, top = Y < b, bottom = Y >= H - b;
  if (top && left) return HTTOPLEFT;
  if (top && right) return HTTOPRIGHT;
  if (bottom && left) return HTBOTTOMLEFT;
  if (bottom && right) return HTBOTTOMRIGHT;
  if (left) return HTLEFT;
  if (right) return HTRIGHT;
  if (top) return HTTOP;
  if (bottom) return HTBOTTOM;
  return HTCLIENT;
}

void TsuiForm::ResizeFrom(int Zone, int DX, int DY) {
  TRect r = form_->BoundsRect();
  const bool left = Zone == HTLEFT || Zone == HTTOPLEFT || Zone == HTBOTTOMLEFT;
  const bool right = Zone == HTRIGHT || Zone == HTTOPRIGHT || Zone == HTBOTTOMRIGHT;
  const bool top = Zone == HTTOP || Zone == HTTOPLEFT || Zone == HTTOPRIGHT;
  const bool bottom = Zone == HTBOTTOM || Zone == HTBOTTOMLEFT || Zone == HTBOTTOMRIGHT;
  // The form never gets smaller than its title bar and border need.
  constexpr int kMinWidth = 125, kMinHeight = 50;
  if (left) r.Left = std::min(r.Left + DX, r.Right - kMinWidth);
  if (right) r.Right = std::max(r.Right + DX, r.Left + kMinWidth);
  if (top) r.Top = std::min(r.Top + DY, r.Bottom - kMinHeight);
  if (bottom) r.Bottom = std::max(r.Bottom + DY, r.Top + kMinHeight);
  if (left || right || top || bottom) form_->SetBoundsRect(r);
}

void TsuiForm::SetMenu(TsuiMainMenu* Value) {
  if (Value == menu_) return;
  if (menu_ != nullptr) menu_->RemoveFreeNotification(this);
  menu_ = Value;
  if (menu_ == nullptr) {
    delete menu_bar_;
    menu_bar_ = nullptr;
    return;
  }
  menu_->FreeNotification(this);
  if (menu_bar_ == nullptr) {
    menu_bar_ = new TsuiMenuBar(this);
    // Below the title bar.
    menu_bar_->SetTop(title_bar_->Top() + title_bar_->Height());
    menu_bar_->SetParent(this);
    menu_bar_->SetColor(menu_bar_color_);
    menu_bar_->SetButtonHeight(menu_bar_height_);
  }
  RebuildMenuBar();
}

void TsuiForm::SetMenuBarColor(TColor Value) {
  menu_bar_color_ = Value;
  if (menu_bar_ != nullptr) menu_bar_->SetColor(Value);
}

void TsuiForm::SetMenuBarHeight(int Value) {
  menu_bar_height_ = std::max(0, Value);
  if (menu_bar_ != nullptr) menu_bar_->SetButtonHeight(menu_bar_height_);
}

void TsuiForm::SetFrameMenu(TComponent* Menu) { SetMenu(dynamic_cast<TsuiMainMenu*>(Menu)); }

void TsuiForm::RebuildMenuBar() {
  if (menu_bar_ != nullptr) menu_bar_->SetMenu(menu_);
}

void TsuiForm::RefreshMenuBar() {
  if (menu_bar_ != nullptr) menu_bar_->Refresh();
}

void TsuiForm::RefreshMenuBarFont() { RefreshMenuBar(); }

void TsuiForm::Notification(TComponent* AComponent, TOperation Operation) {
  TPanel::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == menu_) {
    menu_ = nullptr;
    delete menu_bar_;
    menu_bar_ = nullptr;
  }
}

bool TsuiForm::BandMouseDown(int X, int Y) {
  const int zone = HitTest(X, Y);
  if (zone == HTCLIENT) return false;
  ReleaseCapture();
  if (StartSystemResize(form_, zone)) return true;
  hand_zone_ = zone;
  hand_last_ = form_->ClientToScreen(Point(X, Y));
  form_->SetMouseCapture(true);
  return true;
}

bool TsuiForm::BandMouseMove(int X, int Y) {
  if (hand_zone_ == 0) return false;
  const TPoint p = form_->ClientToScreen(Point(X, Y));
  const TPoint last = hand_last_;
  hand_last_ = p;
  ResizeFrom(hand_zone_, p.X - last.X, p.Y - last.Y);
  return true;
}

bool TsuiForm::BandMouseUp() {
  if (hand_zone_ == 0) return false;
  hand_zone_ = 0;
  form_->SetMouseCapture(false);
  return true;
}

void TsuiForm::StartMove() {
  if (maximized_) return;
  ReleaseCapture();
  TMessage m{};
  m.Msg = WM_SYSCOMMAND;
  m.WParam = SC_DRAGMOVE;
  HandleSystemCommand(form_, m);
}

void TsuiForm::ToggleMaximized() {
  if (!maximized_) {
    restore_bounds_ = form_->BoundsRect();
    const TScreenRect wa = Screen->WorkAreaRect();
    maximized_ = true;
    form_->SetBounds(wa.Left, wa.Top, wa.Right - wa.Left, wa.Bottom - wa.Top);
  } else {
    maximized_ = false;
    form_->SetBoundsRect(restore_bounds_);
  }
  Relayout();
}

}  // namespace controls
