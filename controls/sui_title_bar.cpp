#include "controls/sui_title_bar.h"

#include <algorithm>

#include "controls/sui_form.h"
#include "controls/sui_public.h"
#include "controls/sui_skin_bitmap.h"
#include "platform/classlib/application.h"
#include "platform/classlib/dialogs.h"
#include "platform/classlib/form.h"
#include "platform/classlib/icon.h"
#include "platform/classlib/menus.h"
#include "platform/classlib/messages.h"
#include "platform/classlib/system_move.h"

using namespace classlib;

namespace controls {

namespace {

void Refuse(const std::string& Text) { MessageBox(Text, Application->Title(), MB_OK); }

// The first Count characters of a UTF-8 text.
std::string FirstChars(const std::string& Text, int Count) {
  size_t i = 0;
  for (int n = 0; i < Text.size() && n < Count; ++n) {
    ++i;
    while (i < Text.size() && (static_cast<unsigned char>(Text[i]) & 0xC0) == 0x80) ++i;
  }
  return Text.substr(0, i);
}

}  // namespace

// ---------------------------------------------------------------- sections

void TsuiTitleBarSection::SetWidth(int Value) {
  width_ = std::max(0, Value);
  bar_->Changed();
}

void TsuiTitleBarSection::SetAlign(TsuiTitleBarAlign Value) {
  if (Value == TsuiTitleBarAlign::suiClient && align_ != TsuiTitleBarAlign::suiClient &&
      !bar_->AllowClientSection(this))
    return;
  align_ = Value;
  bar_->Changed();
}

void TsuiTitleBarSection::SetPicture(TBitmap* Value) {
  if (Value != nullptr)
    picture_.Assign(Value);
  else
    picture_.SetSize(0, 0);
  if (auto_size_ && !picture_.Empty()) width_ = picture_.Width();
  bar_->Changed();
}

void TsuiTitleBarSection::SetStretch(bool Value) {
  stretch_ = Value;
  bar_->Changed();
}

void TsuiTitleBarSection::SetAutoSize(bool Value) {
  auto_size_ = Value;
  if (auto_size_ && !picture_.Empty()) width_ = picture_.Width();
  bar_->Changed();
}

// ---------------------------------------------------------------- buttons

void TsuiTitleBarButton::SetButtonType(TsuiTitleBarBtnType Value) {
  if (Value == suiControlBox && type_ != suiControlBox && !bar_->AllowControlBox(this)) return;
  type_ = Value;
  SetUIStyle(ui_style_);
}

void TsuiTitleBarButton::SetTransparent(bool Value) {
  transparent_ = Value;
  bar_->Changed();
}

void TsuiTitleBarButton::SetTop(int Value) {
  top_ = Value;
  bar_->Changed();
}

void TsuiTitleBarButton::SetUIStyle(TsuiUIStyle Value) {
  ui_style_ = Value;
  if (Value != TsuiUIStyle::Custom && type_ != suiCustom) {
    transparent_ = GetThemeBool(Value, 66);
    int first = 0;
    switch (type_) {
      case suiMax: first = bar_->FormMaximized() ? 63 : 51; break;
      case suiMin: first = 54; break;
      case suiClose: first = 48; break;
      case suiHelp: first = 57; break;
      case suiControlBox: first = 60; break;
      case suiCustom: break;
    }
    TBitmap* pics[3] = {&pic_normal_, &pic_mouse_on_, &pic_mouse_down_};
    for (int i = 0; i < 3; ++i) {
      // A picture that is missing leaves the button without it.
      if (!LoadSkinBitmap(pics[i], GetThemeResName(Value, first + i))) pics[i]->SetSize(0, 0);
      pics[i]->SetTransparent(transparent_);
    }
    top_ = GetThemeInt(Value, 69);
  }
  bar_->Changed();
}

// ---------------------------------------------------------------- the bar

TsuiTitleBar::TsuiTitleBar(TComponent* AOwner) : TPanel(AOwner) {
  SetBevelInner(bvNone);
  SetBevelOuter(bvNone);
  SetCaption("");
  SetAlign(alTop);
  Font()->SetName("Tahoma");
  Font()->SetColor(clWhite);
  Font()->SetStyle(fsBold);
  for (auto type : {suiControlBox, suiClose, suiMax, suiMin}) {
    auto* b = AddButton();
    b->SetButtonType(type);
  }
  SetUIStyle(FindFormUIStyle(dynamic_cast<TWinControl*>(AOwner)));
}

TsuiTitleBar::~TsuiTitleBar() = default;

TsuiTitleBarSection* TsuiTitleBar::AddSection() {
  sections_.push_back(std::make_unique<TsuiTitleBarSection>(this));
  Changed();
  return sections_.back().get();
}

void TsuiTitleBar::ClearSections() {
  sections_.clear();
  Changed();
}

TsuiTitleBarButton* TsuiTitleBar::AddButton() {
  buttons_.push_back(std::make_unique<TsuiTitleBarButton>(this));
  Changed();
  return buttons_.back().get();
}

void TsuiTitleBar::DeleteButton(int Index) {
  if (Index < 0 || Index >= ButtonCount()) return;
  buttons_.erase(buttons_.begin() + Index);
  hovered_ = -1;
  Changed();
}

bool TsuiTitleBar::AllowClientSection(const TsuiTitleBarSection* Except) {
  for (auto& s : sections_)
    if (s.get() != Except && s->Align() == TsuiTitleBarAlign::suiClient) {
      Refuse("Sorry, only one section's Align property can be \"suiClient\"");
      return false;
    }
  return true;
}

bool TsuiTitleBar::AllowControlBox(const TsuiTitleBarButton* Except) {
  for (auto& b : buttons_)
    if (b.get() != Except && b->ButtonType() == suiControlBox) {
      Refuse("Sorry, only one button's ButtonType property can be \"suiControlBox\"");
      return false;
    }
  return true;
}

void TsuiTitleBar::Changed() {
  ApplyAutoSize();
  Invalidate();
}

void TsuiTitleBar::SetUIStyle(TsuiUIStyle Value) {
  ui_style_ = Value;
  sections_.clear();
  if (Value != TsuiUIStyle::Custom) {
    TBitmap picture;
    const auto add = [&](TsuiTitleBarAlign align, int entry) {
      auto* s = AddSection();
      if (align == TsuiTitleBarAlign::suiClient)
        s->SetAlign(TsuiTitleBarAlign::suiClient);
      else
        s->SetAutoSize(true);
      if (align == TsuiTitleBarAlign::suiRight) s->SetAlign(TsuiTitleBarAlign::suiRight);
      if (LoadSkinBitmap(&picture, GetThemeResName(Value, entry))) s->SetPicture(&picture);
    };
    add(TsuiTitleBarAlign::suiLeft, 45);
    add(TsuiTitleBarAlign::suiRight, 47);
    add(TsuiTitleBarAlign::suiClient, 46);
    left_offset_ = GetThemeInt(Value, 67);
    right_offset_ = GetThemeInt(Value, 68);
    radius_ = GetThemeInt(Value, 7);
  }
  for (auto& b : buttons_) b->SetUIStyle(Value);
  auto_size_ = true;
  Changed();
}

void TsuiTitleBar::SetAutoSize(bool Value) {
  auto_size_ = Value;
  Changed();
}

void TsuiTitleBar::ApplyAutoSize() {
  if (!auto_size_) return;
  if (sections_.empty()) {
    auto_size_ = false;
    return;
  }
  const int h = sections_.front()->Picture()->Height();
  if (h > 0 && h != Height()) SetHeight(h);
}

void TsuiTitleBar::SetButtonInterval(int Value) {
  button_interval_ = Value;
  Changed();
}

void TsuiTitleBar::SetTitleCaption(const std::string& Value) {
  caption_ = Value;
  Invalidate();
}

void TsuiTitleBar::SetFormActive(bool Value) {
  form_active_ = Value;
  Invalidate();
}

void TsuiTitleBar::SetLeftBtnXOffset(int Value) {
  left_offset_ = Value;
  Invalidate();
}

void TsuiTitleBar::SetRightBtnXOffset(int Value) {
  right_offset_ = Value;
  Invalidate();
}

void TsuiTitleBar::SetDrawAppIcon(bool Value) {
  draw_app_icon_ = Value;
  Invalidate();
}

TForm* TsuiTitleBar::ParentForm() const {
  for (TWinControl* p = Parent(); p != nullptr; p = p->Parent())
    if (auto* f = dynamic_cast<TForm*>(p)) return f;
  return nullptr;
}

bool TsuiTitleBar::FormMaximized() const {
  if (auto* frame = dynamic_cast<TsuiForm*>(Parent())) return frame->Maximized();
  TForm* f = ParentForm();
  return f != nullptr && f->WindowState() == wsMaximized;
}

TsuiTitleBar::Layout TsuiTitleBar::Compute() {
  Layout l;
  l.buttons.assign(buttons_.size(), TRect());
  int x = Width() + right_offset_ + 1;
  int leftmost = x;
  for (size_t i = 0; i < buttons_.size(); ++i) {
    auto* b = buttons_[i].get();
    if (b->ButtonType() == suiControlBox) continue;
    x -= b->PicNormal()->Width() + button_interval_ + 1;
    l.buttons[i] = Bounds(x, b->Top(), b->PicNormal()->Width(), b->PicNormal()->Height());
    leftmost = x;
  }
  x = left_offset_;
  for (size_t i = 0; i < buttons_.size(); ++i) {
    auto* b = buttons_[i].get();
    if (b->ButtonType() != suiControlBox) continue;
    if (draw_app_icon_) {
      l.buttons[i] = Bounds(x + 3, b->Top(), 16, 16);
      x += 21;
    } else {
      l.buttons[i] = Bounds(x, b->Top(), b->PicNormal()->Width(), b->PicNormal()->Height());
      x += b->PicNormal()->Width() + 5;
    }
    break;
  }
  if (x == 0) x = 6;
  l.caption_left = x;
  l.caption_right = leftmost;
  return l;
}

std::vector<TRect> TsuiTitleBar::ButtonRects() { return Compute().buttons; }

int TsuiTitleBar::CaptionLeft() { return Compute().caption_left; }

std::string TsuiTitleBar::CaptionShown() {
  const Layout l = Compute();
  TCanvas* c = Canvas();
  c->Font()->Assign(Font());
  if (c->TextWidth(caption_) > l.caption_right - l.caption_left)
    return FirstChars(caption_, 2) + "...";
  return caption_;
}

int TsuiTitleBar::ButtonAt(int X, int Y) {
  const Layout l = Compute();
  for (size_t i = 0; i < l.buttons.size(); ++i) {
    const TRect& r = l.buttons[i];
    if (r.Width() > 0 && r.Height() > 0 && X >= r.Left && X <= r.Right && Y >= r.Top &&
        Y <= r.Bottom)
      return static_cast<int>(i);
  }
  return -1;
}

void TsuiTitleBar::Paint() {
  const int W = Width(), H = Height();
  if (W <= 0 || H <= 0) return;
  TBitmap off;
  off.SetPixelFormat(pf24bit);
  off.SetSize(W, H);
  TCanvas* c = off.Canvas();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(Color());
  c->FillRect(Rect(0, 0, W, H));
  // Sections: left ones from the left end, right ones from the right end,
  // the client one stretched between them.
  const auto draw = [&](TsuiTitleBarSection* s, int x, int w) {
    TBitmap* p = s->Picture();
    if (p->Empty() || w <= 0) return;
    if (s->Stretch())
      c->StretchDraw(Rect(x, 0, x + w, H), p);
    else
      c->Draw(x, 0, p);
  };
  int left = 0, right = W;
  TsuiTitleBarSection* client = nullptr;
  for (auto& s : sections_)
    if (s->Align() == TsuiTitleBarAlign::suiLeft) {
      draw(s.get(), left, s->Width());
      left += s->Width();
    }
  for (auto& s : sections_)
    if (s->Align() == TsuiTitleBarAlign::suiRight) {
      if (right - s->Width() < left) continue;  // no room left for it
      right -= s->Width();
      draw(s.get(), right, s->Width());
    }
  for (auto& s : sections_)
    if (s->Align() == TsuiTitleBarAlign::suiClient) client = s.get();
  if (client != nullptr) draw(client, left, right - left);

  // Buttons: the one under the mouse shows its mouse-on or mouse-down picture.
  const Layout l = Compute();
  hovered_ = -1;
  for (size_t i = 0; i < buttons_.size(); ++i) {
    auto* b = buttons_[i].get();
    const TRect& r = l.buttons[i];
    if (b->ButtonType() == suiControlBox && draw_app_icon_) {
      try {
        TIcon icon;
        icon.LoadFromResourceName(0, "MAINICON");
        c->StretchDraw(r, &icon);
      } catch (const Exception&) {
        // no application icon: nothing drawn
      }
      continue;
    }
    TBitmap* pic = b->PicNormal();
    if (r.Width() > 0 && PointInRectInclusive(mouse_, r)) {
      hovered_ = static_cast<int>(i);
      pic = pressed_ ? b->PicMouseDown() : b->PicMouseOn();
    }
    if (!pic->Empty()) c->Draw(r.Left, r.Top, pic);
  }

  // Caption.
  c->Font()->Assign(Font());
  TColor colour = Font()->Color();
  if (!form_active_)
    colour = clInactiveCaption;
  else if (ui_style_ == TsuiUIStyle::MacOS)
    colour = clBlack;
  c->Font()->SetColor(colour);
  c->Brush()->SetStyle(bsClear);
  const std::string shown = CaptionShown();
  const int y = ui_style_ == TsuiUIStyle::DeepBlue ? 4 : (H - c->TextHeight(shown)) / 2;
  c->TextOut(l.caption_left, y, shown);
  Canvas()->Draw(0, 0, &off);
}

TPoint TsuiTitleBar::FramePoint(int X, int Y) const {
  const TControl* frame = Parent();
  return Point(frame->Left() + Left() + X, frame->Top() + Top() + Y);
}

void TsuiTitleBar::MouseMove(TShiftState Shift, int X, int Y) {
  if (auto* frame = dynamic_cast<TsuiForm*>(Parent())) {
    const TPoint p = FramePoint(X, Y);
    if (frame->BandMouseMove(p.X, p.Y)) return;
  }
  mouse_ = Point(X, Y);
  hovered_ = ButtonAt(X, Y);
  Invalidate();
  TPanel::MouseMove(Shift, X, Y);
}

void TsuiTitleBar::MouseLeave() {
  mouse_ = Point(-1, -1);
  hovered_ = -1;
  pressed_ = false;
  Invalidate();
  TPanel::MouseLeave();
}

void TsuiTitleBar::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TPanel::MouseDown(Button, Shift, X, Y);
  if (Button != TMouseButton::mbLeft) return;
  // The top edge of a skinned form's window resizes it.
  if (auto* frame = dynamic_cast<TsuiForm*>(Parent())) {
    const TPoint p = FramePoint(X, Y);
    if (frame->BandMouseDown(p.X, p.Y)) return;
  }
  mouse_ = Point(X, Y);
  hovered_ = ButtonAt(X, Y);
  pressed_ = true;
  Invalidate();
  if (hovered_ < 0 && !FormMaximized()) {
    pressed_ = false;
    if (OnStartMove) {
      OnStartMove();
    } else if (TForm* f = ParentForm()) {
      ReleaseCapture();
      TMessage m{};
      m.Msg = WM_SYSCOMMAND;
      m.WParam = SC_DRAGMOVE;
      HandleSystemCommand(f, m);
    }
  }
}

void TsuiTitleBar::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  const bool was_pressed = pressed_;
  pressed_ = false;
  TPanel::MouseUp(Button, Shift, X, Y);
  if (auto* frame = dynamic_cast<TsuiForm*>(Parent()); frame != nullptr && frame->BandMouseUp())
    return;
  if (Button != TMouseButton::mbLeft) return;
  hovered_ = ButtonAt(X, Y);
  Invalidate();
  if (was_pressed && hovered_ >= 0) PerformAction(hovered_);
}

void TsuiTitleBar::DblClick() {
  TPanel::DblClick();
  if (ButtonAt(mouse_.X, mouse_.Y) >= 0) return;
  for (int i = 0; i < ButtonCount(); ++i)
    if (buttons_[i]->ButtonType() == suiMax) {
      PerformAction(i);
      return;
    }
}

void TsuiTitleBar::PerformAction(int Index) {
  if (Index < 0 || Index >= ButtonCount()) return;
  TsuiTitleBarButton* b = buttons_[Index].get();
  TForm* form = ParentForm();
  switch (b->ButtonType()) {
    case suiMax:
      if (OnToggleMaximized)
        OnToggleMaximized();
      else if (form != nullptr)
        form->SetWindowState(form->WindowState() == wsMaximized ? wsNormal : wsMaximized);
      // WinXP shows the restore pictures while maximised.
      for (auto& other : buttons_)
        if (other->ButtonType() == suiMax) other->SetUIStyle(other->UIStyle());
      break;
    case suiMin:
      if (form != nullptr) form->SetWindowState(wsMinimized);
      break;
    case suiClose:
      if (form != nullptr) form->Close();
      break;
    case suiControlBox:
      if (b->ControlBoxMenu() != nullptr) {
        const TPoint p = ClientToScreen(Point(0, Height()));
        b->ControlBoxMenu()->Popup(p.X, p.Y);
      }
      break;
    case suiHelp:
      if (OnHelpBtnClick) OnHelpBtnClick(this, Index);
      break;
    case suiCustom:
      if (OnCustomBtnsClick) OnCustomBtnsClick(this, Index);
      break;
  }
}

}  // namespace controls
