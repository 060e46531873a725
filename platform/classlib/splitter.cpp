#include "platform/classlib/splitter.h"

#include <algorithm>

#include "platform/classlib/application.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/colors.h"

namespace classlib {

TSplitter::TSplitter(TComponent* AOwner) : TGraphicControl(AOwner) {
  SetAlign(alLeft);
  SetBounds(0, 0, 3, 100);
  SetCursor(crHSplit);
}

bool TSplitter::Vertical() const { return Align() == alTop || Align() == alBottom; }

TControl* TSplitter::ResizedControl() const {
  TWinControl* parent = Parent();
  if (parent == nullptr || Align() == alNone || Align() == alClient) return nullptr;
  for (int i = 0; i < parent->ControlCount(); ++i) {
    TControl* c = parent->Controls(i);
    if (c == this || !c->Visible() || c->Align() != Align()) continue;
    bool touches = false;
    switch (Align()) {
      case alTop: touches = c->Top() + c->Height() == Top(); break;
      case alBottom: touches = c->Top() == Top() + Height(); break;
      case alLeft: touches = c->Left() + c->Width() == Left(); break;
      case alRight: touches = c->Left() == Left() + Width(); break;
      default: break;
    }
    if (touches) return c;
  }
  return nullptr;
}

int TSplitter::MaxSize(const TControl* Target) const {
  TWinControl* parent = Parent();
  int room = Vertical() ? parent->ClientHeight() : parent->ClientWidth();
  // Every other control aligned along the same axis keeps its size.
  for (int i = 0; i < parent->ControlCount(); ++i) {
    TControl* c = parent->Controls(i);
    if (c == Target || !c->Visible()) continue;
    const bool same_axis = Vertical() ? (c->Align() == alTop || c->Align() == alBottom)
                                      : (c->Align() == alLeft || c->Align() == alRight);
    if (same_axis) room -= Vertical() ? c->Height() : c->Width();
  }
  return room - min_size_;
}

void TSplitter::Paint() {
  TCanvas* c = Canvas();
  c->Brush()->SetColor(clBtnFace);
  c->FillRect(Rect(0, 0, Width(), Height()));
}

void TSplitter::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TGraphicControl::MouseDown(Button, Shift, X, Y);
  if (Button != TMouseButton::mbLeft) return;
  target_ = ResizedControl();
  if (target_ == nullptr) return;
  dragging_ = true;
  down_pos_ = Vertical() ? Top() + Y : Left() + X;
  start_size_ = Vertical() ? target_->Height() : target_->Width();
}

void TSplitter::MouseMove(TShiftState Shift, int X, int Y) {
  TGraphicControl::MouseMove(Shift, X, Y);
  if (!dragging_ || target_ == nullptr) return;
  // In the parent's coordinates, which the splitter's own moves do not change.
  const int pos = Vertical() ? Top() + Y : Left() + X;
  int delta = pos - down_pos_;
  if (Align() == alBottom || Align() == alRight) delta = -delta;
  const int limit = MaxSize(target_);
  int size = std::min(start_size_ + delta, limit);
  size = std::max(size, min_size_);
  if (Vertical()) {
    if (size == target_->Height()) return;
    if (Align() == alTop)
      target_->SetHeight(size);
    else
      target_->SetBounds(target_->Left(), target_->Top() + target_->Height() - size,
                         target_->Width(), size);
  } else {
    if (size == target_->Width()) return;
    if (Align() == alLeft)
      target_->SetWidth(size);
    else
      target_->SetBounds(target_->Left() + target_->Width() - size, target_->Top(), size,
                         target_->Height());
  }
}

void TSplitter::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TGraphicControl::MouseUp(Button, Shift, X, Y);
  if (!dragging_) return;
  dragging_ = false;
  target_ = nullptr;
  if (OnMoved) OnMoved(this);
}

}  // namespace classlib
