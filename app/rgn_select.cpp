#include "app/rgn_select.h"

#include <algorithm>
#include <utility>

#include "platform/classlib/canvas.h"
#include "platform/classlib/messages.h"

namespace lumicast {

using namespace classlib;

// ---- geometry ---------------------------------------------------------------------------------

std::array<TRect, 8> RgnHandleRects(const TRect& S) {
  const int w = S.Right - S.Left, h = S.Bottom - S.Top;  // "/" truncates toward zero
  const TPoint corners[8] = {
      {S.Left, S.Top},
      {S.Left + w / 2 - 2, S.Top},
      {S.Right - 4, S.Top},
      {S.Left, S.Top + h / 2 - 2},
      {S.Right - 4, S.Top + h / 2 - 2},
      {S.Left, S.Top + h - 4},
      {S.Left + w / 2 - 2, S.Top + h - 4},
      {S.Right - 4, S.Top + h - 4},
  };
  std::array<TRect, 8> out;
  for (int i = 0; i < 8; ++i)
    out[static_cast<size_t>(i)] =
        Bounds(corners[i].X, corners[i].Y, kRgnHandleSize, kRgnHandleSize);
  return out;
}

int RgnHitTest(const TRect& Selection, const TPoint& P) {
  const auto handles = RgnHandleRects(Selection);
  int handle = kRgnZoneNone;
  for (int i = 0; i < 8 && handle == kRgnZoneNone; ++i)
    if (PtInRect(handles[static_cast<size_t>(i)], P)) handle = i;
  // The move area is the selection without its handles.
  if (handle == kRgnZoneNone && PtInRect(RgnNormalize(Selection), P)) return kRgnZoneMove;
  return handle;
}

TRect RgnDragRect(const TRect& R, int Zone, const TPoint& Press, const TPoint& Now) {
  const int dx = Now.X - Press.X, dy = Now.Y - Press.Y;
  switch (Zone) {
    case kRgnZoneMove: return Rect(R.Left + dx, R.Top + dy, R.Right + dx, R.Bottom + dy);
    case 0: return Rect(Now.X, Now.Y, R.Right, R.Bottom);  // the corner is the pointer itself
    case 1: return Rect(R.Left, R.Top + dy, R.Right, R.Bottom);
    case 2: return Rect(R.Left, R.Top + dy, R.Right + dx, R.Bottom);
    case 3: return Rect(R.Left + dx, R.Top, R.Right, R.Bottom);
    case 4: return Rect(R.Left, R.Top, R.Right + dx, R.Bottom);
    case 5: return Rect(R.Left + dx, R.Top, R.Right, R.Bottom + dy);
    case 6: return Rect(R.Left, R.Top, R.Right, R.Bottom + dy);
    case 7: return Rect(R.Left, R.Top, R.Right + dx, R.Bottom + dy);
    default: return R;
  }
}

TRect RgnNormalize(const TRect& R) {
  TRect n = R;
  if (n.Right < n.Left) std::swap(n.Left, n.Right);
  if (n.Bottom < n.Top) std::swap(n.Top, n.Bottom);
  return n;
}

TCursor RgnZoneCursor(int Zone) {
  switch (Zone) {
    case kRgnZoneMove: return crDrag;
    case 0:
    case 7: return crSizeNWSE;
    case 1:
    case 6: return crSizeNS;
    case 2:
    case 5: return crSizeNESW;
    case 3:
    case 4: return crSizeWE;
    default: return crDefault;
  }
}

// ---- the control ------------------------------------------------------------------------------

TRgnSelect::TRgnSelect(TComponent* AOwner)
    : TGraphicControl(AOwner),
      bg_picture_(std::make_unique<TPicture>()),
      buffer_(std::make_unique<TBitmap>()) {
  control_style_ |= csOpaque;
  // The paint surface is 32-bit: a buffer of the same format is copied to it directly.
  buffer_->SetPixelFormat(pf32bit);
  bg_picture_->OnChange = [this](TObject*) { buffer_valid_ = false; };
  SetBounds(Left(), Top(), 100, 100);
}

TRgnSelect::~TRgnSelect() {
  if (MouseCapture()) {
    ending_drag_ = true;
    SetMouseCapture(false);
  }
}

void TRgnSelect::SetBgPicture(TPicture* Value) {
  if (Value != nullptr)
    bg_picture_->Assign(Value);
  else
    bg_picture_->SetGraphic(nullptr);
  Invalidate();
}

void TRgnSelect::SetSelectionX(int Value) {
  selection_x_ = Value;
  SelectionChanged();
}
void TRgnSelect::SetSelectionY(int Value) {
  selection_y_ = Value;
  SelectionChanged();
}
void TRgnSelect::SetSelectionW(int Value) {
  selection_w_ = Value;
  SelectionChanged();
}
void TRgnSelect::SetSelectionH(int Value) {
  selection_h_ = Value;
  SelectionChanged();
}

void TRgnSelect::SelectionChanged() {
  selection_ = Bounds(selection_x_, selection_y_, selection_w_, selection_h_);
  buffer_valid_ = false;
  Invalidate();
}

TPoint TRgnSelect::Clamped(const TPoint& P) const {
  return Point(std::max(0, std::min(P.X, ClientWidth() - 1)),
               std::max(0, std::min(P.Y, ClientHeight() - 1)));
}

void TRgnSelect::Paint() {
  if (!edit_mode_) return;
  const int w = std::max(0, ClientWidth()), h = std::max(0, ClientHeight());
  // During a drag only the drag rectangle changes: the picture with the selection drawn by the
  // paint before is used again.
  if (Dragging() && buffer_valid_ && buffer_->Width() == w && buffer_->Height() == h) {
    Canvas()->Draw(0, 0, buffer_.get());
    PaintDragRect();
    return;
  }
  buffer_->SetSize(w, h);
  TCanvas* b = buffer_->Canvas();
  b->Pen()->SetMode(pmCopy);
  b->Brush()->SetStyle(bsSolid);
  b->Brush()->SetColor(Color());
  b->FillRect(Rect(0, 0, w, h));
  TGraphic* picture = bg_picture_->Graphic();
  if (picture != nullptr && !picture->Empty()) {
    b->Draw(0, 0, picture);
    b->Pen()->SetColor(clWhite);
    b->Pen()->SetStyle(psDot);
    b->Pen()->SetWidth(1);
    b->Pen()->SetMode(pmXor);
    b->Brush()->SetStyle(bsClear);
    b->Rectangle(selection_);
    b->Pen()->SetColor(clBlack);
    b->Pen()->SetStyle(psSolid);
    b->Pen()->SetMode(pmCopy);
    b->Brush()->SetStyle(bsSolid);
    b->Brush()->SetColor(clWhite);
    for (const TRect& r : RgnHandleRects(selection_)) b->Rectangle(r);
  }
  if ((ComponentState() & csDesigning) != 0) {
    b->Pen()->SetColor(clBlack);
    b->Pen()->SetStyle(psDash);
    b->Pen()->SetMode(pmCopy);
    b->Brush()->SetStyle(bsClear);
    b->Rectangle(0, 0, w, h);
  }
  buffer_valid_ = true;
  Canvas()->Draw(0, 0, buffer_.get());
  PaintDragRect();
}

void TRgnSelect::PaintDragRect() {
  // What drawing each new drag rectangle in XOR over the erased old one leaves.
  TCanvas* c = Canvas();
  if (Dragging() && drag_rect_ != selection_) {
    c->Pen()->SetColor(clWhite);
    c->Pen()->SetStyle(psSolid);
    c->Pen()->SetWidth(2);
    c->Pen()->SetMode(pmXor);
    c->Brush()->SetStyle(bsClear);
    c->Rectangle(drag_rect_);
    c->Pen()->SetMode(pmCopy);
    c->Pen()->SetWidth(1);
  }
}

void TRgnSelect::WMLButtonDown(TMessage& Message) {
  const TPoint p = Point(Message.XPos(), Message.YPos());
  const int zone = edit_mode_ ? RgnHitTest(selection_, p) : kRgnZoneNone;
  if (zone == kRgnZoneNone) {
    TGraphicControl::WMLButtonDown(Message);
    if (OnMouseDown) OnMouseDown(this);
    return;
  }
  drag_ = zone;
  press_ = Clamped(p);
  at_press_ = selection_;
  drag_rect_ = selection_;
  // The pointer is not confined on every desktop: the capture keeps the moves coming when it
  // leaves the control, and every position is clamped to the client area.
  SetMouseCapture(true);
}

void TRgnSelect::WMMouseMove(TMessage& Message) {
  const TPoint p = Point(Message.XPos(), Message.YPos());
  if (!edit_mode_) {
    TGraphicControl::WMMouseMove(Message);
    if (OnMouseMove) OnMouseMove(this);
    return;
  }
  if (Dragging()) {
    const TRect r = RgnDragRect(at_press_, drag_, press_, Clamped(p));
    if (r != drag_rect_) {
      drag_rect_ = r;
      Invalidate();
    }
    if (OnEditing) OnEditing(this, r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
    return;
  }
  const int zone = RgnHitTest(selection_, p);
  SetCursor(RgnZoneCursor(zone));
  if (zone == kRgnZoneNone) {
    TGraphicControl::WMMouseMove(Message);
    if (OnMouseMove) OnMouseMove(this);
  }
  if (OnEditing) OnEditing(this, p.X, p.Y, -1, -1);
}

void TRgnSelect::WMLButtonUp(TMessage& Message) {
  if (edit_mode_) SetCursor(crDefault);
  if (!edit_mode_ || !Dragging()) {
    TGraphicControl::WMLButtonUp(Message);
    if (OnMouseUp) OnMouseUp(this);
    return;
  }
  release_ = Clamped(Point(Message.XPos(), Message.YPos()));
  TRect n = drag_ == kRgnZoneMove ? RgnDragRect(selection_, kRgnZoneMove, press_, release_)
                                  : RgnNormalize(RgnDragRect(at_press_, drag_, press_, release_));
  EndDrag();
  selection_x_ = n.Left;
  selection_y_ = n.Top;
  selection_w_ = n.Right - n.Left;
  selection_h_ = n.Bottom - n.Top;
  SelectionChanged();
  if (OnEdited) OnEdited(this, n.Left, n.Top, n.Right - n.Left, n.Bottom - n.Top);
}

void TRgnSelect::EndDrag() {
  drag_ = kRgnZoneNone;
  if (MouseCapture()) {
    ending_drag_ = true;
    SetMouseCapture(false);
    ending_drag_ = false;
  }
}

void TRgnSelect::CancelDrag() {
  if (!Dragging()) return;
  drag_ = kRgnZoneNone;
  SetCursor(crDefault);
  Invalidate();
}

void TRgnSelect::WMCancelMode(TMessage& Message) {
  CancelDrag();
  TGraphicControl::WMCancelMode(Message);
}

void TRgnSelect::Dispatch(TMessage& Message) {
  // Another window took the mouse (or ours was deactivated): a drag cannot end with a release
  // any more, so it ends here, leaving the selection as it was.
  if (Message.Msg == WM_CAPTURECHANGED && !ending_drag_) CancelDrag();
  TGraphicControl::Dispatch(Message);
}

void TRgnSelect::CMMouseEnter(TMessage& Message) {
  TGraphicControl::CMMouseEnter(Message);
  if (OnMouseEnter) OnMouseEnter(this);
}

void TRgnSelect::CMMouseLeave(TMessage& Message) {
  TGraphicControl::CMMouseLeave(Message);
  if (OnMouseLeave) OnMouseLeave(this);
}

}  // namespace lumicast
