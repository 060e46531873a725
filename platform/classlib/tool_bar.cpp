#include "platform/classlib/tool_bar.h"

#include <algorithm>

#include "platform/classlib/canvas.h"
#include "platform/classlib/drawing_helpers.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/image_list.h"

namespace classlib {

namespace {

constexpr int kSeparatorWidth = 8;

}  // namespace

// ================================================================ TToolButton

TToolButton::TToolButton(TComponent* AOwner) : TGraphicControl(AOwner) {
  // The click comes from MouseUp, over the button only.
  control_style_ &= ~static_cast<TControlStyle>(csClickEvents);
  SetBounds(0, 0, 23, 22);
}

TToolButton::~TToolButton() {
  if (bar_ != nullptr) bar_->ButtonFreed(this);
}

void TToolButton::SetStyle(TToolButtonStyle Value) {
  style_ = Value;
  if (bar_ != nullptr) bar_->LayoutButtons();
  Invalidate();
}

void TToolButton::SetDown(bool Value) {
  if (down_ == Value) return;
  down_ = Value;
  // A grouped button going down raises the others of its run of grouped
  // check buttons.
  if (down_ && grouped_ && bar_ != nullptr) {
    const auto& all = bar_->buttons_;
    const auto self = std::find(all.begin(), all.end(), this);
    auto inRun = [](const TToolButton* b) { return b->grouped_ && b->style_ == tbsCheck; };
    for (auto it = self; it != all.begin() && inRun(*(it - 1));) {
      --it;
      (*it)->down_ = false;
      (*it)->Invalidate();
    }
    for (auto it = self + 1; it != all.end() && inRun(*it); ++it) {
      (*it)->down_ = false;
      (*it)->Invalidate();
    }
  }
  Invalidate();
}

void TToolButton::SetImageIndex(int Value) {
  image_index_ = Value;
  Invalidate();
}

void TToolButton::Click() {
  if (style_ == tbsCheck) SetDown(grouped_ ? true : !down_);
  TGraphicControl::Click();
}

void TToolButton::Paint() {
  if (bar_ != nullptr) bar_->DrawButton(this, Canvas());
}

void TToolButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TGraphicControl::MouseDown(Button, Shift, X, Y);
  if (Button == TMouseButton::mbLeft && Enabled() && style_ != tbsSeparator) {
    dragging_ = pressed_ = true;
    Invalidate();
  }
}

void TToolButton::MouseMove(TShiftState Shift, int X, int Y) {
  TGraphicControl::MouseMove(Shift, X, Y);
  if (!dragging_) return;
  const bool inside = PtInRect(ClientRect(), Point(X, Y));
  if (inside != pressed_) {
    pressed_ = inside;
    Invalidate();
  }
}

void TToolButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  bool click = false;
  if (dragging_ && Button == TMouseButton::mbLeft) {
    dragging_ = pressed_ = false;
    click = PtInRect(ClientRect(), Point(X, Y));
    Invalidate();
  }
  TGraphicControl::MouseUp(Button, Shift, X, Y);
  if (click) Click();
}

void TToolButton::CMMouseEnter(TMessage& Message) {
  hot_ = true;
  Invalidate();
  TGraphicControl::CMMouseEnter(Message);
}

void TToolButton::CMMouseLeave(TMessage& Message) {
  hot_ = false;
  Invalidate();
  TGraphicControl::CMMouseLeave(Message);
}

void TToolButton::CMTextChanged(TMessage& Message) {
  TGraphicControl::CMTextChanged(Message);
  if (bar_ != nullptr) bar_->LayoutButtons();
  Invalidate();
}

// ================================================================ TToolBar

TToolBar::TToolBar(TComponent* AOwner) : TCustomControl(AOwner) {
  control_style_ |= csAcceptsControls;
  SetAlign(alTop);
  SetBounds(0, 0, 150, 29);
}

TToolBar::~TToolBar() {
  for (TToolButton* b : buttons_) b->bar_ = nullptr;
  buttons_.clear();
}

TToolButton* TToolBar::AddButton(const std::string& Caption, int ImageIndex,
                                 TToolButtonStyle Style) {
  auto* b = new TToolButton(this);
  b->bar_ = this;
  b->style_ = Style;
  b->image_index_ = ImageIndex;
  b->SetCaption(Caption);
  b->SetParent(this);
  buttons_.push_back(b);
  LayoutButtons();
  return b;
}

TToolButton* TToolBar::Buttons(int Index) const {
  if (Index < 0 || Index >= ButtonCount())
    throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return buttons_[static_cast<size_t>(Index)];
}

void TToolBar::ButtonFreed(TToolButton* Button) {
  buttons_.erase(std::remove(buttons_.begin(), buttons_.end(), Button), buttons_.end());
  LayoutButtons();
}

void TToolBar::SetFlat(bool Value) {
  flat_ = Value;
  Invalidate();
}

void TToolBar::SetShowCaptions(bool Value) {
  show_captions_ = Value;
  LayoutButtons();
}

void TToolBar::SetEdges(bool Value) {
  edges_ = Value;
  LayoutButtons();
}

void TToolBar::SetButtonWidth(int Value) {
  button_width_ = std::max(Value, 0);
  LayoutButtons();
}

void TToolBar::SetButtonHeight(int Value) {
  button_height_ = std::max(Value, 0);
  LayoutButtons();
}

void TToolBar::SetImages(TImageList* Value) {
  if (images_ != nullptr) images_->RemoveFreeNotification(this);
  images_ = Value;
  if (images_ != nullptr) images_->FreeNotification(this);
  LayoutButtons();
}

void TToolBar::SetHotImages(TImageList* Value) {
  if (hot_images_ != nullptr) hot_images_->RemoveFreeNotification(this);
  hot_images_ = Value;
  if (hot_images_ != nullptr) hot_images_->FreeNotification(this);
  Invalidate();
}

void TToolBar::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation != TOperation::opRemove) return;
  if (AComponent == images_) images_ = nullptr;
  if (AComponent == hot_images_) hot_images_ = nullptr;
}

void TToolBar::LayoutButtons() {
  const int edge = edges_ ? 2 : 0;
  int height = button_height_;
  if (show_captions_) {
    // Room for the caption under the image.
    const int text_h = Canvas()->TextHeight("Ag");
    height = std::max(height, (images_ != nullptr ? images_->Height() : 0) + text_h + 8);
  }
  int x = edge;
  for (TToolButton* b : buttons_) {
    int w = b->style_ == tbsSeparator ? kSeparatorWidth : button_width_;
    if (show_captions_ && b->style_ != tbsSeparator)
      w = std::max(w, Canvas()->TextWidth(b->Caption()) + 8);
    b->SetBounds(x, edge, w, height);
    x += w;
  }
  Invalidate();
}

void TToolBar::Resize() {
  TCustomControl::Resize();
  Invalidate();
}

TCustomDrawState TToolBar::ButtonState(const TToolButton* Button) const {
  TCustomDrawState s = 0;
  if (Button->pressed_) s |= cdsSelected;
  if (!Button->Enabled()) s |= cdsDisabled;
  if (Button->style_ == tbsCheck && Button->down_) s |= cdsChecked;
  if (Button->hot_ && Button->Enabled()) s |= cdsHot;
  return s;
}

void TToolBar::PaintBackground(TCanvas* Canvas) {
  Canvas->Brush()->SetStyle(bsSolid);
  Canvas->Brush()->SetColor(Color());
  Canvas->FillRect(ClientRect());
}

void TToolBar::Paint() {
  PaintBackground(Canvas());
  if (edges_) {
    TRect r = ClientRect();
    Frame3D(Canvas(), r, clBtnHighlight, clBtnShadow, 1);
  }
}

void TToolBar::DrawButton(TToolButton* Button, TCanvas* Canvas) {
  const TCustomDrawState state = ButtonState(Button);
  bool default_draw = true;
  if (OnCustomDrawButton) OnCustomDrawButton(this, Button, state, default_draw);
  if (!default_draw) return;
  TRect r = Button->ClientRect();
  if (Button->Style() == tbsSeparator) {
    if (flat_) {
      const int x = r.Width() / 2 - 1;
      Canvas->Pen()->SetColor(clBtnShadow);
      Canvas->MoveTo(x, 2);
      Canvas->LineTo(x, r.Height() - 2);
      Canvas->Pen()->SetColor(clBtnHighlight);
      Canvas->MoveTo(x + 1, 2);
      Canvas->LineTo(x + 1, r.Height() - 2);
    }
    return;
  }
  const bool sunken = (state & cdsSelected) || (state & cdsChecked);
  // A flat bar shows an edge only under the pointer or when down.
  if (sunken || !flat_ || (state & cdsHot)) {
    if (state & cdsChecked && !(state & cdsSelected)) {
      Canvas->Brush()->SetStyle(bsSolid);
      Canvas->Brush()->SetColor(cl3DLight);
      Canvas->FillRect(r);
    }
    TRect e = r;
    Frame3D(Canvas, e, sunken ? clBtnShadow : clBtnHighlight, sunken ? clBtnHighlight : clBtnShadow,
            1);
  }
  const int shift = sunken ? 1 : 0;
  TImageList* list = (state & cdsHot) && hot_images_ != nullptr ? hot_images_ : images_;
  int image_h = 0;
  const int text_h = show_captions_ ? Canvas->TextHeight("Ag") : 0;
  if (list != nullptr && Button->ImageIndex() >= 0 && Button->ImageIndex() < list->Count()) {
    image_h = list->Height();
    const int x = (r.Width() - list->Width()) / 2 + shift;
    const int y = (r.Height() - image_h - (show_captions_ ? text_h + 2 : 0)) / 2 + shift;
    list->Draw(Canvas, x, y, Button->ImageIndex(), !(state & cdsDisabled));
  }
  if (show_captions_) {
    const std::string text = Button->Caption();
    Canvas->Brush()->SetStyle(bsClear);
    Canvas->Font()->Assign(Font());
    if (state & cdsDisabled) Canvas->Font()->SetColor(clGrayText);
    const int x = (r.Width() - Canvas->TextWidth(text)) / 2 + shift;
    const int y = image_h > 0 ? (r.Height() + image_h - text_h + 2) / 2 + shift
                              : (r.Height() - text_h) / 2 + shift;
    Canvas->TextOut(x, y, text);
  }
}

}  // namespace classlib
