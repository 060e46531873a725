#include "platform/classlib/status_bar.h"

#include <algorithm>

#include "platform/classlib/drawing_helpers.h"

namespace classlib {

namespace {
constexpr int kPanelGap = 2;  // between panels
}

void TStatusPanel::SetText(const std::string& Value) {
  if (Value == text_) return;
  text_ = Value;
  owner_->Invalidate();
}

void TStatusPanel::SetWidth(int Value) {
  Value = std::max(0, Value);
  if (Value == width_) return;
  width_ = Value;
  owner_->Invalidate();
}

TStatusPanel* TStatusPanels::Add() {
  items_.push_back(std::make_unique<TStatusPanel>(owner_));
  owner_->Invalidate();
  return items_.back().get();
}

TStatusPanel* TStatusPanels::Items(int Index) const {
  if (Index < 0 || Index >= Count()) return nullptr;
  return items_[static_cast<size_t>(Index)].get();
}

void TStatusPanels::Clear() {
  items_.clear();
  owner_->Invalidate();
}

TStatusBar::TStatusBar(TComponent* AOwner)
    : TCustomControl(AOwner), panels_(std::make_unique<TStatusPanels>(this)) {
  control_style_ = (control_style_ | csOpaque) & ~csSetCaption;
  SetColor(clBtnFace);
  SetBounds(0, 0, 200, 19);
  SetAlign(alBottom);
}

TStatusBar::~TStatusBar() = default;

TRect TStatusBar::PanelRect(int Index) const {
  if (Index < 0 || Index >= panels_->Count()) return Rect(0, 0, 0, 0);
  int x = 0;
  for (int i = 0; i < Index; ++i) x += panels_->Items(i)->Width() + kPanelGap;
  const int right = Index == panels_->Count() - 1 ? Width() : x + panels_->Items(Index)->Width();
  return Rect(std::min(x, Width()), 2, std::min(right, Width()), Height());
}

void TStatusBar::Paint() {
  TCanvas* c = Canvas();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(Color());
  c->FillRect(ClientRect());
  c->Font()->Assign(Font());
  for (int i = 0; i < panels_->Count(); ++i) {
    TRect r = PanelRect(i);
    if (r.Right <= r.Left) continue;
    TRect edge = r;
    Frame3D(c, edge, clBtnShadow, clBtnHighlight, 1);
    TRect text = Rect(r.Left + 3, r.Top + 1, r.Right - 3, r.Bottom - 1);
    c->Brush()->SetStyle(bsClear);
    c->Font()->SetColor(clBtnText);
    c->DrawText(panels_->Items(i)->Text(), text,
                DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  }
}

}  // namespace classlib
