#include "controls/combo_edit.h"

#include <algorithm>

#include "platform/classlib/canvas.h"
#include "platform/classlib/drawing_helpers.h"
#include "platform/classlib/form.h"
#include "platform/classlib/system_metrics.h"

namespace controls {

using namespace classlib;

namespace {

constexpr int kDefaultButtonWidth = 21;

// The windowed holder of the button: the button is windowless, so it needs a
// window of its own to sit above the edit's text.
class TButtonHolder : public TCustomControl {
 public:
  explicit TButtonHolder(TComponent* AOwner) : TCustomControl(AOwner) {
    SetControlStyle(ControlStyle() | csOpaque);
  }
  std::string ClassName() const override { return "TButtonHolder"; }

 protected:
  void Paint() override {
    Canvas()->Brush()->SetColor(clBtnFace);
    Canvas()->FillRect(Rect(0, 0, Width(), Height()));
  }
};

// Height of a font's characters in pixels, measured.
int FontHeight(const TFont* Font) {
  TBitmap b;
  b.SetSize(1, 1);
  if (Font != nullptr) b.Canvas()->Font()->Assign(const_cast<TFont*>(Font));
  return b.Canvas()->TextHeight("Wg");
}

// The combo-box arrow drawn onto a glyph of the scroll-bar width.
void MakeDropDownGlyph(TBitmap* Glyph) {
  int w = GetSystemMetrics(SM_CXVSCROLL) - 6;
  Glyph->SetPixelFormat(pf24bit);
  Glyph->SetSize(w, 4);
  TCanvas* c = Glyph->Canvas();
  c->Brush()->SetColor(clFuchsia);
  c->FillRect(Rect(0, 0, w, 4));
  // A downward triangle 7, 5, 3, 1 pixels wide, centred.
  int x0 = (w - 7) / 2;
  for (int row = 0; row < 4; ++row)
    for (int x = x0 + row; x < x0 + 7 - row; ++x) c->SetPixels(x, row, clBlack);
  Glyph->SetTransparentColor(clFuchsia);
}

}  // namespace

void MakeEllipsisGlyph(TBitmap* Glyph, int ButtonWidth) {
  const int w = std::max(1, ButtonWidth - 6);
  Glyph->SetMonochrome(true);
  Glyph->SetSize(w, 4);
  TCanvas* c = Glyph->Canvas();
  c->Brush()->SetColor(clWhite);
  c->FillRect(Rect(0, 0, w, 4));
  const int gap = std::clamp((w - 6) / 2, 1, 3);
  const int x0 = (w - 6 - 2 * gap) / 2;
  c->Brush()->SetColor(clBlack);
  // Dots that would lie outside a narrow glyph are clipped to it.
  for (int x : {x0, x0 + 2 + gap, x0 + 4 + 2 * gap}) {
    TRect dot = Rect(std::max(0, x), 1, std::min(w, x + 2), 3);
    if (dot.Right > dot.Left) c->FillRect(dot);
  }
}

// ---------------------------------------------------------------- TEditButton

TEditButton::TEditButton(TComponent* AOwner) : TRxSpeedButton(AOwner) {
  SetControlStyle(ControlStyle() | csReplicatable);
  SetParentShowHint(true);
}

void TEditButton::Paint() {
  TRxSpeedButton::Paint();
  if (State() == rbsDown || State() == rbsExclusive) return;
  TCanvas* c = Canvas();
  c->Pen()->SetColor(clBtnFace);
  c->MoveTo(0, 0);
  c->LineTo(0, Height());
  c->Pen()->SetColor(clBtnHighlight);
  c->MoveTo(1, 1);
  c->LineTo(1, Height() - 1);
}

// ---------------------------------------------------------------- TCustomComboEdit

TCustomComboEdit::TCustomComboEdit(TComponent* AOwner) : TCustomEdit(AOwner) {
  SetHeight(21);
  holder_ = new TButtonHolder(this);
  holder_->SetBounds(0, 0, kDefaultButtonWidth, 17);
  holder_->SetParent(this);
  button_ = new TEditButton(this);
  button_->SetParent(holder_);
  button_->SetAlign(alClient);
  button_->OnClick = [this](TObject*) { ButtonClick(); };
  UpdateControls();
}

TCustomComboEdit::~TCustomComboEdit() = default;

int TCustomComboEdit::ButtonWidth() const { return holder_->Visible() ? button_->Width() : 0; }

void TCustomComboEdit::SetButtonWidth(int Value) {
  if (Value == ButtonWidth() && !(Value <= 1 && holder_->Visible())) return;
  if (fixed_width_) return;
  if (Value <= 1) {
    holder_->SetVisible(false);
  } else if (ComponentState() & csLoading) {
    holder_->SetWidth(Value);
    holder_->SetVisible(true);
  } else {
    if (Value >= Width() - 2 * BorderSize()) return;
    holder_->SetWidth(Value);
    holder_->SetVisible(true);
  }
  UpdateControls();
  RecreateGlyph();
}

void TCustomComboEdit::SetGlyphKind(TGlyphKind Value) {
  if (glyph_kind_ == Value) return;
  glyph_kind_ = Value;
  fixed_width_ = false;
  if (Value == gkCustom && !(ComponentState() & csLoading)) button_->SetGlyph(nullptr);
  if (Value == gkDropDown) {
    SetButtonWidth(GetSystemMetrics(SM_CXVSCROLL));
    fixed_width_ = true;
  }
  RecreateGlyph();
}

TBitmap* TCustomComboEdit::Glyph() const { return button_->Glyph(); }

void TCustomComboEdit::SetGlyph(TBitmap* Value) {
  glyph_kind_ = gkCustom;
  fixed_width_ = false;
  button_->SetGlyph(Value);
}

int TCustomComboEdit::NumGlyphs() const { return button_->NumGlyphs(); }

void TCustomComboEdit::SetNumGlyphs(int Value) {
  if (glyph_kind_ == gkDropDown || glyph_kind_ == gkEllipsis) Value = 1;
  else if (glyph_kind_ == gkDefault) Value = 1;  // this class has no default glyph
  button_->SetNumGlyphs(Value);
}

std::string TCustomComboEdit::ButtonHint() const { return button_->Hint(); }

void TCustomComboEdit::SetButtonHint(const std::string& Value) { button_->SetHint(Value); }

void TCustomComboEdit::RecreateGlyph() {
  switch (glyph_kind_) {
    case gkEllipsis: {
      TBitmap g;
      MakeEllipsisGlyph(&g, std::max(0, ButtonWidth()));
      button_->SetGlyph(&g);
      button_->SetNumGlyphs(1);
      break;
    }
    case gkDropDown: {
      TBitmap g;
      MakeDropDownGlyph(&g);
      button_->SetGlyph(&g);
      button_->SetNumGlyphs(1);
      break;
    }
    case gkDefault:
      // No default glyph: the button keeps at least its width.
      button_->SetGlyph(nullptr);
      break;
    case gkCustom: break;
  }
}

void TCustomComboEdit::SetDirectInput(bool Value) {
  direct_input_ = Value;
  UpdateEditReadOnly();
}

void TCustomComboEdit::SetReadOnly(bool Value) {
  combo_read_only_ = Value;
  UpdateEditReadOnly();
}

void TCustomComboEdit::UpdateEditReadOnly() {
  TCustomEdit::SetReadOnly(combo_read_only_ || !direct_input_);
}

void TCustomComboEdit::SetBorderStyle(TBorderStyle Value) {
  TCustomEdit::SetBorderStyle(Value);
  UpdateControls();
}

void TCustomComboEdit::SetCtl3D(bool Value) {
  TCustomEdit::SetCtl3D(Value);
  UpdateControls();
}

void TCustomComboEdit::ButtonClick() {
  if (combo_read_only_) return;
  if (OnButtonClick) OnButtonClick(this);
}

void TCustomComboEdit::WndProc(TMessage& Message) {
  // Without direct input nothing the user does reaches the text.
  if (!direct_input_) {
    switch (Message.Msg) {
      case WM_CHAR:
      case WM_PASTE:
      case WM_CUT:
      case WM_CLEAR:
      case WM_UNDO: return;
      default: break;
    }
  }
  TCustomEdit::WndProc(Message);
}

void TCustomComboEdit::KeyDown(uint16_t& Key, TShiftState Shift) {
  TCustomEdit::KeyDown(Key, Shift);
  if (Key != 0 && ButtonWidth() > 0 && ShortCut(Key, Shift) == ClickKey) {
    ButtonClick();
    Key = 0;
  }
  if (Key == VK_DELETE && !direct_input_) Key = 0;
}

void TCustomComboEdit::DoEnter() {
  bool auto_select = AutoSelect();
  if (!direct_input_) SetAutoSelect(false);
  TCustomEdit::DoEnter();
  SetAutoSelect(auto_select);
  UpdateCaret();
}

void TCustomComboEdit::UpdateCaret() {
  SetCaretWidth((Font()->Style() & fsBold) != 0 ? 2 : 1);
}

void TCustomComboEdit::FontChanged() {
  TCustomEdit::FontChanged();
  UpdateCaret();
}

void TCustomComboEdit::BoundsChanged(bool Moved, bool Resized) {
  TCustomEdit::BoundsChanged(Moved, Resized);
  if (!Resized) return;
  // Never lower than a line of text and the borders.
  int min_height = std::min(FontHeight(nullptr), FontHeight(Font())) +
                   4 * GetSystemMetrics(SM_CYBORDER) + 1;
  if (Height() < min_height) {
    SetHeight(min_height);
    return;
  }
  UpdateControls();
}

void TCustomComboEdit::CMEnabledChanged(TMessage& Message) {
  TCustomEdit::CMEnabledChanged(Message);
  button_->SetEnabled(Enabled());
}

void TCustomComboEdit::Loaded() {
  TCustomEdit::Loaded();
  UpdateControls();
  RecreateGlyph();
}

void TCustomComboEdit::UpdateControls() {
  if (holder_ == nullptr) return;
  // The edit's client area lies inside its border; positions below are in
  // that area and moved by the border onto the window.
  const int b = BorderSize();
  const int w = Width(), h = Height();
  const int bw = holder_->Width();
  if (BorderStyle() == bsSingle && Ctl3D())
    holder_->SetBounds(b + w - bw - 4, b, bw, h - 4);
  else if (BorderStyle() == bsSingle)
    holder_->SetBounds(b + w - bw - 2, b + 2, bw, h - 4);
  else
    holder_->SetBounds(w - bw, 0, bw, h);
  const int client_w = w - 2 * b, client_h = h - 2 * b;
  const int holder_w = holder_->Visible() ? bw : 0;
  SetEditRect(Rect(0, 0, client_w - holder_w - 2, client_h + 1));
}

TComboEdit::TComboEdit(TComponent* AOwner) : TCustomComboEdit(AOwner) {}

}  // namespace controls
