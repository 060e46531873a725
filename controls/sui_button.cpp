#include "controls/sui_button.h"

#include <algorithm>
#include <cstdlib>

#include "controls/sui_public.h"
#include "controls/sui_skin_bitmap.h"
#include "imaging/bitmap_utils.h"
#include "platform/classlib/access_keys.h"
#include "platform/classlib/application.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/drawing_helpers.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/form.h"
#include "platform/classlib/messages.h"
#include "platform/classlib/string_utils.h"

namespace controls {

using namespace classlib;

namespace {

constexpr TColor kDisabledText = static_cast<TColor>(0x00808080);
constexpr TColor kFocusLine = static_cast<TColor>(0x00FF0000);

bool Blank(const std::string& Text) {
  return std::all_of(Text.begin(), Text.end(),
                     [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

TsuiUIStyle OwnerStyle(TComponent* AOwner) {
  return FindFormUIStyle(dynamic_cast<TWinControl*>(AOwner));
}

// Draws Image at (X, Y), leaving out the colour of its top-left pixel when
// Masked, greyed when Grayed.
void DrawStateImage(TCanvas* ACanvas, TBitmap* Image, int X, int Y, bool Masked, bool Grayed) {
  if (!Image || Image->Empty()) return;
  std::unique_ptr<TBitmap> grey;
  TBitmap* source = Image;
  if (Grayed) {
    grey.reset(lumicast::MakeGrayedBitmap(Image, Image->PixelColor(0, 0)));
    if (grey) source = grey.get();
  }
  if (Masked) {
    TBitmap keyed;
    keyed.Assign(source);
    keyed.SetTransparentColor(source->PixelColor(0, 0));
    keyed.SetTransparent(true);
    ACanvas->Draw(X, Y, &keyed);
  } else {
    ACanvas->Draw(X, Y, source);
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// TsuiCustomButton

TsuiCustomButton::TsuiCustomButton(TComponent* AOwner) : TCustomControl(AOwner) {
  SetControlStyle(ControlStyle() & ~(csAcceptsControls | csDoubleClicks));
  SetTabStop(false);
}

TsuiCustomButton::~TsuiCustomButton() = default;

void TsuiCustomButton::SetAutoSize(bool Value) {
  if (auto_size_ == Value) return;
  auto_size_ = Value;
  if (auto_size_) AutoSizeToImage();
  Invalidate();
}

void TsuiCustomButton::SetTransparent(bool Value) {
  transparent_ = Value;
  UpdateMaskedDraw();
  Invalidate();
}

void TsuiCustomButton::SetUIStyle(TsuiUIStyle Value) {
  ui_style_ = Value;
  StyleChanged();
  Invalidate();
}

void TsuiCustomButton::SetPicNormalResName(const std::string& Value) {
  res_names_[0] = Value;
  if (auto_size_) AutoSizeToImage();
  Invalidate();
}

void TsuiCustomButton::SetPicMouseOnResName(const std::string& Value) {
  res_names_[1] = Value;
  Invalidate();
}

void TsuiCustomButton::SetPicMouseDownResName(const std::string& Value) {
  res_names_[2] = Value;
  Invalidate();
}

void TsuiCustomButton::SetResHandle(uintptr_t Value) {
  res_handle_ = Value;
  Invalidate();
}

bool TsuiCustomButton::LoadResBitmap(TBitmap* Image, const std::string& Name) const {
  return res_handle_ == 0 && LoadSkinBitmap(Image, Name);
}

void TsuiCustomButton::AutoSizeToImage() {
  TBitmap image;
  if (!LoadNormalImage(&image) || image.Empty()) return;
  SetBounds(Left(), Top(), image.Width(), image.Height());
}

void TsuiCustomButton::CaptionChanged() {
  if (auto_size_) AutoSizeToImage();
  Invalidate();
}

void TsuiCustomButton::FontChangedHook() {
  if (auto_size_) AutoSizeToImage();
  Invalidate();
}

void TsuiCustomButton::UpdateMaskedDraw() { masked_ = transparent_; }
void TsuiCustomButton::EnabledChangedHook() { Invalidate(); }
void TsuiCustomButton::StyleChanged() { SetStyleResNames(ui_style_); }
void TsuiCustomButton::SetStyleResNames(TsuiUIStyle) {}

bool TsuiCustomButton::LoadNormalImage(TBitmap* Image) {
  return LoadResBitmap(Image, res_names_[0]);
}
bool TsuiCustomButton::LoadMouseOnImage(TBitmap* Image) {
  return LoadResBitmap(Image, res_names_[1]);
}
bool TsuiCustomButton::LoadMouseDownImage(TBitmap* Image) {
  return LoadResBitmap(Image, res_names_[2]);
}
bool TsuiCustomButton::LoadDisabledImage(TBitmap* Image) { return LoadNormalImage(Image); }

void TsuiCustomButton::DrawBackgroundImage(TCanvas* ACanvas, TBitmap* Image) {
  DrawStateImage(ACanvas, Image, 0, 0, masked_, !Enabled());
}

void TsuiCustomButton::DrawCaption(TCanvas* ACanvas, const std::string& Text) {
  TRect r = ClientRect();
  if (pressed_) r = TRect{r.Left + 1, r.Top + 1, r.Right + 1, r.Bottom + 1};
  ACanvas->Brush()->SetStyle(bsClear);
  ACanvas->Font()->Assign(Font());
  const unsigned flags = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
  if (!Enabled()) {
    TRect shadow{r.Left + 1, r.Top + 1, r.Right + 1, r.Bottom + 1};
    ACanvas->Font()->SetColor(clWhite);
    ACanvas->DrawText(Text, shadow, flags);
    ACanvas->Font()->SetColor(kDisabledText);
  }
  ACanvas->DrawText(Text, r, flags);
}

void TsuiCustomButton::DrawFocusIndicator(TCanvas* ACanvas) {
  ACanvas->Brush()->SetStyle(bsSolid);
  DrawFocusRect(ACanvas, TRect{2, 2, ClientWidth() - 2, ClientHeight() - 2});
}

void TsuiCustomButton::Paint() {
  // The state image; one that fails to load draws nothing.
  TBitmap image;
  bool loaded;
  if (!Enabled())
    loaded = LoadDisabledImage(&image);
  else if (pressed_)
    loaded = LoadMouseDownImage(&image);
  else if (mouse_on_)
    loaded = LoadMouseOnImage(&image);
  else
    loaded = LoadNormalImage(&image);
  if (!loaded) image.SetSize(0, 0);

  TCanvas* c = Canvas();
  if (transparent_) {
    PaintParentBackground(c, this);
  } else {
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Color());
    c->FillRect(ClientRect());
  }
  if (!image.Empty()) DrawBackgroundImage(c, &image);
  if (Focused() && TabStop()) DrawFocusIndicator(c);
  if (!Blank(Caption()) || DrawsWithoutCaption()) DrawCaption(c, Caption());
}

void TsuiCustomButton::StopRepeat() { repeat_.reset(); }

void TsuiCustomButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == TMouseButton::mbLeft) {
    pressed_ = true;
    if (!repeat_) {
      repeat_ = std::make_unique<TTimer>(nullptr);
      repeat_->SetInterval(static_cast<uint32_t>(std::max(repeat_interval_, 0)));
      repeat_->SetOnTimer([this](TObject*) {
        if (OnMouseContinuouslyDown) OnMouseContinuouslyDown(this);
      });
      repeat_->SetEnabled(true);
    }
    Invalidate();
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TsuiCustomButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == TMouseButton::mbLeft) {
    StopRepeat();
    pressed_ = false;
    Invalidate();
  }
  TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TsuiCustomButton::MouseMove(TShiftState Shift, int X, int Y) {
  if (X < 0 || Y < 0 || X > Width() || Y > Height()) {
    mouse_on_ = false;
    pressed_ = false;
    Invalidate();
  }
  TCustomControl::MouseMove(Shift, X, Y);
}

void TsuiCustomButton::MouseEnter() {
  mouse_on_ = true;
  Invalidate();
  if (OnMouseEnter) OnMouseEnter(this);
  TCustomControl::MouseEnter();
}

void TsuiCustomButton::MouseLeave() {
  mouse_on_ = false;
  pressed_ = false;
  StopRepeat();
  Invalidate();
  if (OnMouseExit) OnMouseExit(this);
  TCustomControl::MouseLeave();
}

void TsuiCustomButton::KeyDown(uint16_t& Key, TShiftState Shift) {
  if ((Key == VK_SPACE || Key == VK_RETURN) && Focused() && Enabled()) {
    pressed_ = true;
    Invalidate();
  }
  TCustomControl::KeyDown(Key, Shift);
}

void TsuiCustomButton::KeyUp(uint16_t& Key, TShiftState Shift) {
  if ((Key == VK_SPACE || Key == VK_RETURN) && Focused() && pressed_ && Enabled()) {
    pressed_ = false;
    Invalidate();
    Click();
  }
  TCustomControl::KeyUp(Key, Shift);
}

void TsuiCustomButton::CMDialogKey(TMessage& Message) {
  const auto key = static_cast<uint16_t>(Message.WParam);
  const bool no_shift = (KeyboardShiftState() & (ssShift | ssAlt | ssCtrl)) == 0;
  if (((key == VK_RETURN && default_) || (key == VK_ESCAPE && cancel_)) && no_shift && CanFocus()) {
    Click();
    Message.Result = 1;
    return;
  }
  TCustomControl::CMDialogKey(Message);
}

void TsuiCustomButton::Dispatch(TMessage& Message) {
  // The caption's access key: focus and click (a check box toggles once).
  if (Message.Msg == CM_DIALOGCHAR) {
    if (Enabled() && IsAccel(static_cast<uint32_t>(Message.WParam), Caption())) {
      if (CanFocus()) SetFocus();
      Click();
      Message.Result = 1;
    }
    return;
  }
  TCustomControl::Dispatch(Message);
}

void TsuiCustomButton::Click() {
  if (TForm* form = ParentForm()) form->SetModalResult(modal_result_);
  TCustomControl::Click();
}

void TsuiCustomButton::CMTextChanged(TMessage& Message) {
  TCustomControl::CMTextChanged(Message);
  CaptionChanged();
}

void TsuiCustomButton::CMFontChanged(TMessage& Message) {
  TCustomControl::CMFontChanged(Message);
  FontChangedHook();
}

void TsuiCustomButton::CMEnabledChanged(TMessage& Message) {
  TCustomControl::CMEnabledChanged(Message);
  if (!Enabled()) {
    StopRepeat();
    pressed_ = false;
  }
  EnabledChangedHook();
  Invalidate();
}

void TsuiCustomButton::WMEraseBkgnd(TMessage& Message) { Message.Result = 1; }

void TsuiCustomButton::DoEnter() {
  Invalidate();
  TCustomControl::DoEnter();
}

void TsuiCustomButton::DoExit() {
  Invalidate();
  TCustomControl::DoExit();
}

// ---------------------------------------------------------------------------
// TsuiButton

TsuiButton::TsuiButton(TComponent* AOwner) : TsuiCustomButton(AOwner) {
  SetBounds(Left(), Top(), 80, 27);
  SetTabStop(true);
  SetUIStyle(OwnerStyle(AOwner));
}

std::string TsuiButton::PicNormalResName() const {
  return ui_style_ == TsuiUIStyle::Custom ? res_names_[0] : "";
}
std::string TsuiButton::PicMouseOnResName() const {
  return ui_style_ == TsuiUIStyle::Custom ? res_names_[1] : "";
}
std::string TsuiButton::PicMouseDownResName() const {
  return ui_style_ == TsuiUIStyle::Custom ? res_names_[2] : "";
}

void TsuiButton::SetPicNormalResName(const std::string& Value) {
  if (ui_style_ != TsuiUIStyle::Custom) SetUIStyle(TsuiUIStyle::Custom);
  TsuiCustomButton::SetPicNormalResName(Value);
}
void TsuiButton::SetPicMouseOnResName(const std::string& Value) {
  if (ui_style_ != TsuiUIStyle::Custom) SetUIStyle(TsuiUIStyle::Custom);
  TsuiCustomButton::SetPicMouseOnResName(Value);
}
void TsuiButton::SetPicMouseDownResName(const std::string& Value) {
  if (ui_style_ != TsuiUIStyle::Custom) SetUIStyle(TsuiUIStyle::Custom);
  TsuiCustomButton::SetPicMouseDownResName(Value);
}

void TsuiButton::SetStyleResNames(TsuiUIStyle Style) {
  if (Style == TsuiUIStyle::Custom) return;
  for (int i = 0; i < 3; ++i) res_names_[i] = GetThemeResName(Style, 24 + i);
}

void TsuiButton::StyleChanged() {
  TsuiCustomButton::StyleChanged();
  if (ui_style_ == TsuiUIStyle::MacOS) SetBounds(Left(), Top(), Width(), 23);
  SetTransparent(ui_style_ == TsuiUIStyle::BlueGlass);
}

void TsuiButton::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  if (ui_style_ == TsuiUIStyle::MacOS) AHeight = 23;
  TsuiCustomButton::SetBounds(ALeft, ATop, AWidth, AHeight);
}

void TsuiButton::SetGlyph(TBitmap* Value) {
  glyph_.Assign(Value);
  Invalidate();
}

void TsuiButton::SetActionGlyph(TBitmap* Value) {
  action_glyph_.Assign(Value);
  Invalidate();
}

void TsuiButton::SetLayout(TButtonLayout Value) {
  layout_ = Value;
  Invalidate();
}

void TsuiButton::SetSpacing(int Value) {
  spacing_ = Value;
  Invalidate();
}

TBitmap* TsuiButton::ShownGlyph() {
  if (!glyph_.Empty()) return &glyph_;
  if (!action_glyph_.Empty()) return &action_glyph_;
  return nullptr;
}

int TsuiButton::GlyphWidth() {
  TBitmap* g = ShownGlyph();
  if (!g) return 0;
  return g->Width() == 2 * g->Height() ? g->Width() / 2 : g->Width();
}

void TsuiButton::GlyphLayout(int TextWidth, int TextHeight, TPoint& GlyphPos,
                             TPoint& TextPos) const {
  auto* self = const_cast<TsuiButton*>(this);
  TBitmap* g = self->ShownGlyph();
  const int gw = self->GlyphWidth(), gh = g ? g->Height() : 0;
  const int w = Width(), h = Height(), tw = TextWidth, th = TextHeight, s = spacing_;
  switch (layout_) {
    case blGlyphLeft:
      GlyphPos = {(w - gw - tw - s) / 2, (h - gh) / 2};
      TextPos = {GlyphPos.X + gw + s, (h - th) / 2};
      break;
    case blGlyphRight:
      GlyphPos = {(w + tw + s - gw) / 2, (h - gh) / 2};
      TextPos = {GlyphPos.X - tw - s, (h - th) / 2};
      break;
    case blGlyphTop:
      GlyphPos = {(w - gw) / 2, (h - th - gh - s) / 2};
      TextPos = {(w - tw) / 2, GlyphPos.Y + gh + s};
      break;
    case blGlyphBottom:
      GlyphPos = {(w - gw) / 2, (h + th + s - gh) / 2};
      TextPos = {(w - tw) / 2, GlyphPos.Y - th - s};
      break;
  }
}

void TsuiButton::DrawBackgroundImage(TCanvas* ACanvas, TBitmap* Image) {
  if (ui_style_ == TsuiUIStyle::Custom) {
    TsuiCustomButton::DrawBackgroundImage(ACanvas, Image);
    return;
  }
  // The frame's key-coloured corners always let the background show: the
  // background is either the parent or the button's own colour.
  DrawNinePartBitmap(Image, ACanvas, ClientRect(), true);
}

void TsuiButton::DrawCaption(TCanvas* ACanvas, const std::string& Text) {
  TBitmap* g = ShownGlyph();
  if (!g) {
    TsuiCustomButton::DrawCaption(ACanvas, Text);
    return;
  }
  ACanvas->Font()->Assign(Font());
  const TSize extent = ACanvas->TextExtent(Text);
  TPoint gp, tp;
  GlyphLayout(extent.cx, extent.cy, gp, tp);
  const int shift = Pressed() ? 1 : 0;
  gp = {gp.X + shift, gp.Y + shift};
  tp = {tp.X + shift, tp.Y + shift};
  const int gw = GlyphWidth();
  const bool two = g->Width() == 2 * g->Height();
  TBitmap part;
  part.SetPixelFormat(pf24bit);
  part.SetSize(gw, g->Height());
  const int cell = two && !Enabled() ? 1 : 0;
  part.Canvas()->CopyRect(TRect{0, 0, gw, g->Height()}, g->Canvas(),
                          TRect{cell * gw, 0, cell * gw + gw, g->Height()});
  DrawStateImage(ACanvas, &part, gp.X, gp.Y, true, !Enabled() && !two);
  ACanvas->Brush()->SetStyle(bsClear);
  const unsigned flags = DT_SINGLELINE;
  if (!Enabled()) {
    TRect shadow{tp.X + 1, tp.Y + 1, Width() + 1, Height() + 1};
    ACanvas->Font()->SetColor(clWhite);
    ACanvas->DrawText(Text, shadow, flags);
    ACanvas->Font()->SetColor(static_cast<TColor>(0x00808080));
  }
  TRect r{tp.X, tp.Y, Width(), Height()};
  ACanvas->DrawText(Text, r, flags);
}

void TsuiButton::DrawFocusIndicator(TCanvas* ACanvas) {
  if (ui_style_ == TsuiUIStyle::MacOS || ui_style_ == TsuiUIStyle::BlueGlass) {
    ACanvas->Pen()->SetColor(kFocusLine);
    ACanvas->Pen()->SetStyle(psSolid);
    ACanvas->Pen()->SetWidth(1);
    ACanvas->MoveTo(10, Height() - 5);
    ACanvas->LineTo(Width() - 10, Height() - 5);
    return;
  }
  TsuiCustomButton::DrawFocusIndicator(ACanvas);
}

// ---------------------------------------------------------------------------
// TsuiImageButton

TsuiImageButton::TsuiImageButton(TComponent* AOwner) : TsuiCustomButton(AOwner) {
  for (auto& p : pics_)
    p.OnChange = [this](TObject*) {
      if (AutoSize()) AutoSizeToImage();
      Invalidate();
    };
}

void TsuiImageButton::SetStretch(bool Value) {
  stretch_ = Value;
  Invalidate();
}

void TsuiImageButton::AutoSizeToImage() {
  TGraphic* g = pics_[0].Graphic();
  if (!Parent() || !g || g->Empty()) return;
  SetBounds(Left(), Top(), g->Width(), g->Height());
}

void TsuiImageButton::Paint() {
  TCanvas* c = Canvas();
  if (Transparent()) {
    PaintParentBackground(c, this);
  } else {
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Color());
    c->FillRect(ClientRect());
  }
  int state = !Enabled() ? 3 : Pressed() ? 2 : MouseOn() ? 1 : 0;
  TGraphic* g = pics_[state].Graphic();
  if (!g || g->Empty()) g = pics_[0].Graphic();
  if (g && !g->Empty()) {
    TBitmap image;
    image.SetPixelFormat(pf24bit);
    image.SetSize(g->Width(), g->Height());
    image.Canvas()->Draw(0, 0, g);
    image.SetTransparentColor(image.PixelColor(0, 0));
    image.SetTransparent(true);
    if (stretch_)
      c->StretchDraw(ClientRect(), &image);
    else
      c->Draw(0, 0, &image);
  }
  if (Focused() && TabStop()) DrawFocusIndicator(c);
  if (!Blank(Caption())) DrawCaption(c, Caption());
}

// ---------------------------------------------------------------------------
// TsuiCustomButtonEx

TsuiCustomButtonEx::TsuiCustomButtonEx(TComponent* AOwner) : TsuiCustomButton(AOwner) {
  SetParentColor(true);
  SetTabStop(true);
  SetBounds(Left(), Top(), 93, Height());
  SetUIStyle(OwnerStyle(AOwner));
}

void TsuiCustomButtonEx::SetChecked(bool Value) {
  if (checked_ == Value) return;
  checked_ = Value;
  SetStyleResNames(ui_style_);
  AfterCheckedChange();
  Invalidate();
}

void TsuiCustomButtonEx::AfterCheckedChange() {}

// The style's unchecked image gives the size; under Custom the normal image
// does, so that the caption never runs under an image that is drawn.
TSize TsuiCustomButtonEx::ImageSize() const {
  TBitmap b;
  const std::string name =
      ui_style_ == TsuiUIStyle::Custom ? res_names_[0] : GetThemeResName(ui_style_, 30);
  return LoadResBitmap(&b, name) ? TSize{b.Width(), b.Height()} : TSize{0, 0};
}

int TsuiCustomButtonEx::ImageWidth() const { return ImageSize().cx; }
int TsuiCustomButtonEx::ImageHeight() const { return ImageSize().cy; }

void TsuiCustomButtonEx::SetStyleResNames(TsuiUIStyle Style) {
  if (Style == TsuiUIStyle::Custom) return;
  int e[8];
  if (!StateEntries(e)) return;
  const int k = checked_ ? 0 : 1;
  const bool enabled = Enabled();
  res_names_[0] = GetThemeResName(Style, enabled ? e[k] : e[6 + k]);
  res_names_[1] = GetThemeResName(Style, e[2 + k]);
  res_names_[2] = GetThemeResName(Style, e[4 + k]);
}

void TsuiCustomButtonEx::StyleChanged() {
  TsuiCustomButton::StyleChanged();
  if (ui_style_ != TsuiUIStyle::Custom)
    SetTransparent(ui_style_ == TsuiUIStyle::MacOS || ui_style_ == TsuiUIStyle::Protein);
  if (AutoSize()) AutoSizeToImage();
}

void TsuiCustomButtonEx::EnabledChangedHook() {
  SetStyleResNames(ui_style_);
  Invalidate();
}

void TsuiCustomButtonEx::AutoSizeToImage() {
  const int fh = std::abs(Font()->Height()) + 2;
  const int ih = ImageHeight(), iw = ImageWidth();
  const int tw = Canvas()->TextWidth(Caption());
  const int cw = iw + tw + 8, ch = std::max(fh, ih) + 4;
  SetBounds(Left(), Top(), cw + (Width() - ClientWidth()), ch + (Height() - ClientHeight()));
}

void TsuiCustomButtonEx::Resize() {
  TsuiCustomButton::Resize();
  if (AutoSize()) {
    const int fh = std::abs(Font()->Height()) + 2;
    const int want_h = std::max(fh, ImageHeight()) + 4;
    const int want_w = ImageWidth() + Canvas()->TextWidth(Caption()) + 8;
    if (ClientWidth() != want_w || ClientHeight() != want_h) AutoSizeToImage();
  }
}

TRect TsuiCustomButtonEx::CaptionRect() {
  const int fh = std::abs(Font()->Height()) + 2;
  return TRect{ImageWidth() + 4, (ClientHeight() - fh) / 2, ClientWidth(), ClientHeight()};
}

void TsuiCustomButtonEx::DrawBackgroundImage(TCanvas* ACanvas, TBitmap* Image) {
  DrawStateImage(ACanvas, Image, 1, (ClientHeight() - Image->Height()) / 2, masked_, false);
}

void TsuiCustomButtonEx::DrawCaption(TCanvas* ACanvas, const std::string& Text) {
  TRect r = CaptionRect();
  ACanvas->Font()->Assign(Font());
  if (!Enabled()) ACanvas->Font()->SetColor(kDisabledText);
  ACanvas->Brush()->SetStyle(bsClear);
  ACanvas->DrawText(Text, r, DT_SINGLELINE);
}

void TsuiCustomButtonEx::DrawFocusIndicator(TCanvas* ACanvas) {
  TRect r = CaptionRect();
  r.Left -= 1;
  ACanvas->Brush()->SetStyle(bsSolid);
  DrawFocusRect(ACanvas, r);
}

// A mouse click and a released Space or Enter (which the base turns into one
// click) both toggle once.
void TsuiCustomButtonEx::Click() {
  if (CanFocus() && !Focused()) SetFocus();
  Toggle();
  TsuiCustomButton::Click();
}

// ---------------------------------------------------------------------------
// TsuiCheckBox, TsuiRadioButton

TsuiCheckBox::TsuiCheckBox(TComponent* AOwner) : TsuiCustomButtonEx(AOwner) {
  SetCaption("suiCheckBox");
  SetBounds(Left(), Top(), Width(), 17);
  masked_ = false;
  SetStyleResNames(ui_style_);
}

void TsuiCheckBox::Toggle() {
  SetChecked(!checked_);
  AfterToggle();
}

bool TsuiCheckBox::StateEntries(int (&Entries)[8]) const {
  const int e[8] = {29, 30, 31, 32, 33, 34, 27, 28};
  std::copy(e, e + 8, Entries);
  return true;
}

TsuiRadioButton::TsuiRadioButton(TComponent* AOwner) : TsuiCustomButtonEx(AOwner) {
  SetCaption("suiRadioButton");
  SetBounds(Left(), Top(), Width(), 17);
  masked_ = true;
  SetStyleResNames(ui_style_);
}

void TsuiRadioButton::Toggle() { SetChecked(true); }

bool TsuiRadioButton::StateEntries(int (&Entries)[8]) const {
  const int e[8] = {37, 38, 39, 40, 41, 42, 35, 36};
  std::copy(e, e + 8, Entries);
  return true;
}

void TsuiRadioButton::AfterCheckedChange() {
  if (!checked_ || !Parent()) return;
  TWinControl* parent = Parent();
  for (int i = 0; i < parent->ControlCount(); ++i) {
    auto* other = dynamic_cast<TsuiRadioButton*>(parent->Controls(i));
    if (other && other != this && other->group_index_ == group_index_) other->SetChecked(false);
  }
}

}  // namespace controls
