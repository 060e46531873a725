#include "controls/sui_group_box.h"

#include <cstdlib>

using namespace classlib;

namespace controls {

// ---------------------------------------------------------------- group box

TsuiCustomGroupBox::TsuiCustomGroupBox(TComponent* AOwner) : TsuiCustomPanel(AOwner) {
  paint_caption_ = false;
  SetCaption(" ");
  SetBounds(Left(), Top(), 185, 105);
  TsuiUIStyle style = FindFormUIStyle(dynamic_cast<TWinControl*>(AOwner));
  border_color_ = GetThemeColor(style, 8);
  Font()->SetColor(GetThemeColor(style, 10));
  SetTransparent(true);
}

int TsuiCustomGroupBox::CaptionHeight() const {
  return std::abs(const_cast<TsuiCustomGroupBox*>(this)->Font()->Height());
}

void TsuiCustomGroupBox::SetBorderColor(TColor Value) {
  border_color_ = Value;
  Invalidate();
}

void TsuiCustomGroupBox::SetEnabled(bool Value) {
  TsuiCustomPanel::SetEnabled(Value);
  for (int i = 0; i < ControlCount(); ++i) Controls(i)->SetEnabled(Value);
  Invalidate();
}

void TsuiCustomGroupBox::AdjustClientRect(TRect& Rect) const {
  Rect = classlib::Rect(Rect.Left + 3, Rect.Top + CaptionHeight(), Rect.Right - 2, Rect.Bottom - 2);
}

void TsuiCustomGroupBox::FontChanged() {
  TsuiCustomPanel::FontChanged();
  Invalidate();
}

void TsuiCustomGroupBox::Paint() {
  TsuiCustomPanel::Paint();
  TCanvas* c = Canvas();
  const TRect r = ClientRect();
  c->Font()->Assign(Font());
  const std::string caption = Caption();
  const int y = CaptionHeight() / 2 + 1;
  // The frame starts left of the caption, runs round the box and comes back
  // to just after the caption.
  const int end = caption.empty() ? r.Left : r.Left + c->TextWidth(caption) + 6;
  c->Pen()->SetStyle(psSolid);
  c->Pen()->SetColor(border_color_);
  c->MoveTo(r.Left + 2, y);
  c->LineTo(r.Left, y);
  c->LineTo(r.Left, r.Bottom - 1);
  c->LineTo(r.Right - 1, r.Bottom - 1);
  c->LineTo(r.Right - 1, y);
  c->LineTo(end, y);
  if (caption.empty()) return;
  c->Brush()->SetStyle(bsClear);
  if (!Enabled()) c->Font()->SetColor(static_cast<TColor>(0x00808080));
  c->TextOut(5, 0, caption);
}

// ---------------------------------------------------------------- check group

TsuiCheckGroup::TsuiCheckGroup(TComponent* AOwner) : TsuiCustomGroupBox(AOwner) {
  SetCaption("suiCheckGroup");
  TsuiCustomPanel::SetTransparent(false);
  SetParentColor(true);
  items_.OnChange = [this](TObject*) { ItemsChanged(); };
  SetUIStyle(FindFormUIStyle(dynamic_cast<TWinControl*>(AOwner)));
}

TsuiCheckGroup::~TsuiCheckGroup() { items_.OnChange = nullptr; }

void TsuiCheckGroup::SetUIStyle(TsuiUIStyle Value) {
  ui_style_ = Value;
  SetBorderColor(GetThemeColor(Value, 8));
  Font()->SetColor(GetThemeColor(Value, 10));
  if (!ParentColor()) SetColor(GetThemeColor(Value, 9));
  for (TsuiCheckBox* b : buttons_) {
    b->SetUIStyle(Value);
    b->SetColor(Color());
  }
  Invalidate();
}

void TsuiCheckGroup::SetTransparent(bool Value) {
  TsuiCustomPanel::SetTransparent(Value);
  for (TsuiCheckBox* b : buttons_) b->SetTransparent(Value);
}

void TsuiCheckGroup::ItemsChanged() {
  const size_t want = static_cast<size_t>(items_.Count());
  bool added = false;
  while (buttons_.size() < want) {
    auto* b = new TsuiCheckBox(this);
    b->SetParent(this);
    b->SetAutoSize(true);
    b->SetUIStyle(ui_style_);
    b->SetTransparent(Transparent());
    b->SetParentColor(true);
    b->OnClick = [this](TObject*) {
      if (OnClick) OnClick(this);
    };
    buttons_.push_back(b);
    added = true;
  }
  while (buttons_.size() > want) {
    delete buttons_.back();
    buttons_.pop_back();
  }
  for (size_t i = 0; i < want; ++i) buttons_[i]->SetCaption(items_.Strings(static_cast<int>(i)));
  if (added) {
    // Refreshes the new buttons' backgrounds.
    SetTransparent(!Transparent());
    SetTransparent(!Transparent());
  }
  ArrangeButtons();
}

void TsuiCheckGroup::ArrangeButtons() {
  const int count = ButtonCount();
  if (count == 0) return;
  TRect client = Rect(0, 0, Width(), Height());
  AdjustClientRect(client);
  const int top = client.Top + top_margin_;
  const int columnWidth = (Width() - 10) / columns_;
  const int rows = (count + columns_ - 1) / columns_;
  const int rowHeight = (client.Bottom - top) / rows;
  const int firstY = top + ((client.Bottom - top) % rows) / 2;
  for (int i = 0; i < count; ++i) {
    buttons_[static_cast<size_t>(i)]->SetLeft((i / rows) * columnWidth + 8);
    buttons_[static_cast<size_t>(i)]->SetTop((i % rows) * rowHeight + firstY);
  }
}

void TsuiCheckGroup::SetColumns(int Value) {
  if (Value < 1 || Value == columns_) return;
  columns_ = Value;
  ArrangeButtons();
}

void TsuiCheckGroup::SetTopMargin(int Value) {
  if (Value < 0 || Value == top_margin_) return;
  top_margin_ = Value;
  ArrangeButtons();
}

void TsuiCheckGroup::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  TsuiCustomGroupBox::SetBounds(ALeft, ATop, AWidth, AHeight);
  ArrangeButtons();
}

}  // namespace controls
