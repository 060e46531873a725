#include "controls/rx_slider.h"

#include <algorithm>
#include <vector>

#include "platform/classlib/bitmap.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/drawing_helpers.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/math_utils.h"
#include "platform/classlib/resources.h"
#include "platform/classlib/stream.h"
#include "platform/classlib/string_utils.h"

using namespace classlib;

namespace controls {

namespace {
constexpr uint32_t kStepTimer = 1;
constexpr uint32_t kStepInterval = 400;
constexpr int kMargin = 6;
const char* const kBuiltInNames[4] = {"W95_HTB", "W95_HRL", "W95_VTB", "W95_VRL"};
}  // namespace

TRxSlider::TRxSlider(TComponent* AOwner)
    : TCustomControl(AOwner), ruler_(std::make_unique<TBitmap>()) {
  SetControlStyle(ControlStyle() | csCaptureMouse | csClickEvents | csOpaque);
  ruler_->SetPixelFormat(pf24bit);
  for (int i = 0; i < 4; ++i) LoadBuiltIn(i);
  SetTabStop(true);
  SetBounds(Left(), Top(), 150, 40);
  Layout();
}

TRxSlider::~TRxSlider() = default;

void TRxSlider::LoadBuiltIn(int Index) {
  images_[Index] = std::make_unique<TBitmap>();
  TResourceData data;
  if (!FindResource(kBuiltInNames[Index], data)) return;
  try {
    images_[Index]->LoadFromResourceName(kBuiltInNames[Index]);
  } catch (const Exception&) {
    images_[Index] = std::make_unique<TBitmap>();  // a broken picture draws as none
  }
}

TBitmap* TRxSlider::Image(int Index) const { return images_[std::clamp(Index, 0, 3)].get(); }

void TRxSlider::SetImage(int Index, TBitmap* Value) {
  if (Index < 0 || Index > 3) return;
  if (Value == nullptr) {
    LoadBuiltIn(Index);
    user_images_ &= static_cast<uint8_t>(~(1u << Index));
  } else {
    images_[Index] = std::make_unique<TBitmap>();
    images_[Index]->Assign(Value);
    user_images_ |= static_cast<uint8_t>(1u << Index);
  }
  if (!IsLoading()) {
    if (Value != nullptr)
      options_ &= static_cast<uint8_t>(~(Index % 2 == 1 ? soRulerOpaque : soThumbOpaque));
    Layout();
  }
}

void TRxSlider::ReadUserImages(TStream* Stream) { user_images_ = Stream->ReadValue<uint8_t>(); }
void TRxSlider::WriteUserImages(TStream* Stream) { Stream->WriteValue<uint8_t>(user_images_); }

void TRxSlider::Loaded() {
  TCustomControl::Loaded();
  for (int i = 0; i < 4; ++i)
    if (user_images_ & (1u << i)) {
      TBitmap copy;
      copy.Assign(images_[i].get());
      SetImage(i, &copy);
    }
  Layout();
}

void TRxSlider::Resize() {
  TCustomControl::Resize();
  Layout();
}

// ---------------------------------------------------------------- properties

void TRxSlider::SetValue(int Value) {
  const int v = std::clamp(Value, min_, std::max(min_, max_));
  const bool changed = v != value_;
  value_ = v;
  MoveThumbTo(PositionOf(v));
  if (changed && OnChange) OnChange(this);
}

void TRxSlider::SetMinValue(int Value) {
  if (Value != min_) SetRange(Value, max_);
}

void TRxSlider::SetMaxValue(int Value) {
  if (Value != max_) SetRange(min_, Value);
}

void TRxSlider::SetRange(int Min, int Max) {
  if (Min >= Max && !IsLoading()) return;
  min_ = Min;
  max_ = Max;
  if (!IsLoading() && increment_ > max_ - min_) increment_ = max_ - min_;
  if (options_ & soShowPoints) Invalidate();
  SetValue(value_);
}

void TRxSlider::SetIncrement(int Value) {
  if (!IsLoading() && (Value <= 0 || Value > max_ - min_))
    throw Exception(Format("Value must be between %d and %d", {1, max_ - min_}));
  if (Value > 0 && Value != increment_) {
    increment_ = Value;
    SetValue(value_);
    Invalidate();
  }
}

void TRxSlider::SetEdgeSize(int Value) {
  TBitmap* r = RulerImage();
  const int len = Horizontal() ? r->Width() : r->Height();
  if (Value >= 0 && 2 * Value < len && Value != edge_size_) {
    edge_size_ = Value;
    Layout();
  }
}

void TRxSlider::SetNumThumbStates(int Value) {
  Value = Value == 1 ? 1 : 2;
  if (Value == num_thumb_states_) return;
  num_thumb_states_ = Value;
  Layout();
}

void TRxSlider::SetOrientation(TSliderOrientation Value) {
  if (Value == orientation_) return;
  orientation_ = Value;
  Layout();
}

void TRxSlider::SetBevelStyle(TSliderBevelStyle Value) {
  if (Value == bevel_style_) return;
  bevel_style_ = Value;
  Layout();
}

void TRxSlider::SetOptions(uint8_t Value) {
  if (Value == options_) return;
  options_ = Value;
  Invalidate();
}

// ---------------------------------------------------------------- layout

TRect TRxSlider::Inner() const {
  TRect r = Rect(0, 0, ClientWidth(), ClientHeight());
  const int b = Inset();
  return Rect(r.Left + b, r.Top + b, r.Right - b, r.Bottom - b);
}

int TRxSlider::ThumbLength() const { return Horizontal() ? thumb_.Width() : thumb_.Height(); }

int TRxSlider::Travel() const {
  return (Horizontal() ? ruler_->Width() : ruler_->Height()) - ThumbLength();
}

TRect TRxSlider::ThumbRect() const { return thumb_; }

TRect TRxSlider::RulerRect() const {
  return Rect(ruler_origin_.X, ruler_origin_.Y, ruler_origin_.X + ruler_->Width(),
              ruler_origin_.Y + ruler_->Height());
}

void TRxSlider::BuildRuler() {
  TBitmap* src = RulerImage();
  const TRect r = Inner();
  const int sl = Horizontal() ? src->Width() : src->Height();
  const int across = Horizontal() ? src->Height() : src->Width();
  const int len = std::max((Horizontal() ? r.Width() : r.Height()) - 2 * kMargin, 0);
  if (sl <= 0 || across <= 0 || len <= 0) {
    ruler_->SetSize(Horizontal() ? len : across, Horizontal() ? across : len);
    return;
  }
  if (Horizontal())
    ruler_->SetSize(len, across);
  else
    ruler_->SetSize(across, len);
  // The source line each target line copies: the leading edge and middle
  // repeated, then the final remainder and the trailing edge.
  const int e = edge_size_, m = sl - 2 * e;
  std::vector<int> from(len);
  if (m <= 0) {
    for (int x = 0; x < len; ++x) from[x] = std::min(x, sl - 1);
  } else {
    const int body = std::max(len - 2 * e, 0);
    const int full_end = e + (body / m) * m;
    const int tail = len - full_end;  // remainder + edge
    for (int x = 0; x < len; ++x) {
      if (x < full_end)
        from[x] = x < e ? x : e + (x - e) % m;
      else
        from[x] = std::max(sl - tail + (x - full_end), 0);
    }
  }
  TCanvas* dst = ruler_->Canvas();
  for (int x = 0; x < len;) {
    int run = 1;  // copy runs of consecutive source lines at once
    while (x + run < len && from[x + run] == from[x] + run) ++run;
    if (Horizontal())
      dst->CopyRect(Rect(x, 0, x + run, across), src->Canvas(),
                    Rect(from[x], 0, from[x] + run, across));
    else
      dst->CopyRect(Rect(0, x, across, x + run), src->Canvas(),
                    Rect(0, from[x], across, from[x] + run));
    x += run;
  }
}

void TRxSlider::Layout() {
  BuildRuler();
  const TRect r = Inner();
  TBitmap* t = ThumbImage();
  const int tw = t->Empty() ? 0 : t->Width() / num_thumb_states_;
  const int th = t->Empty() ? 0 : t->Height();
  const int rw = ruler_->Width(), rh = ruler_->Height();
  if (Horizontal()) {
    int ty = r.Top + kMargin, ry = r.Top + kMargin;
    if (rh < th)
      ry += (th - rh) / 2;
    else
      ty += (rh - th) / 2;
    ruler_origin_ = Point(r.Left + kMargin, ry);
    thumb_ = Rect(r.Left + kMargin, ty, r.Left + kMargin + tw, ty + th);
    ticks_ = Rect(ruler_origin_.X, std::max(th, rh) + r.Top + 7, ruler_origin_.X + rw,
                  r.Bottom - r.Top - 1);
  } else {
    int tx = r.Left + kMargin, rx = r.Left + kMargin;
    if (rw < tw)
      rx += (tw - rw) / 2;
    else
      tx += (rw - tw) / 2;
    ruler_origin_ = Point(rx, r.Top + kMargin);
    thumb_ = Rect(tx, r.Top + kMargin, tx + tw, r.Top + kMargin + th);
    ticks_ = Rect(std::max(tw, rw) + r.Left + 7, ruler_origin_.Y, r.Right - r.Left - 1,
                  ruler_origin_.Y + rh);
  }
  SetValue(value_);
  Invalidate();
}

// ---------------------------------------------------------------- value and position

int TRxSlider::PositionOf(int V) const {
  const TRect r = Inner();
  const int t = Travel();
  // With no travel or no range (possible while loading) the thumb rests at
  // the start rather than dividing by zero.
  const int64_t d = (t <= 0 || max_ <= min_)
                        ? 0
                        : Round(static_cast<long double>(t) * (V - min_) / (max_ - min_));
  if (Horizontal()) return std::max(static_cast<int>(r.Left + kMargin + d), r.Left + kMargin);
  return std::max(static_cast<int>(r.Bottom - kMargin - d - thumb_.Height()), r.Top + kMargin);
}

int TRxSlider::ValueOf(int P) const {
  const int t = Travel();
  if (t <= 0 || max_ <= min_) return min_;
  if (!Horizontal()) P = ClientHeight() - P - thumb_.Height();
  const long double x = static_cast<long double>(P - Inset() - kMargin) * (max_ - min_) / t;
  int64_t offset = Round(x);
  if (!(options_ & soSmooth) && increment_ > 0)
    offset = increment_ * Round(static_cast<long double>(offset) / increment_);
  return static_cast<int>(std::min<int64_t>(std::max<int64_t>(offset, 0) + min_, max_));
}

void TRxSlider::MoveThumbTo(int P) {
  const int start = Inset() + kMargin;
  const int t = std::max(Travel(), 0);
  P = std::clamp(P, start, start + t);
  const int v = ValueOf(P);
  P = PositionOf(v);
  const TRect old = thumb_;
  if (Horizontal())
    thumb_ = Rect(P, thumb_.Top, P + thumb_.Width(), thumb_.Bottom);
  else
    thumb_ = Rect(thumb_.Left, P, thumb_.Right, P + thumb_.Height());
  if (old.Left != thumb_.Left || old.Top != thumb_.Top) Invalidate();
  if (dragging_ && v != value_) {
    value_ = v;
    if (OnChange) OnChange(this);
  }
}

void TRxSlider::Step(int Kind) {
  int64_t v = value_;
  switch (Kind) {
    case 1: v = min_; break;
    case 2: v = max_; break;
    case 3:
      v = increment_ * Round(static_cast<long double>(value_) / increment_) + increment_;
      break;
    case 4:
      v = increment_ * Round(static_cast<long double>(value_) / increment_) - increment_;
      break;
    default: return;
  }
  if (v >= max_) v = max_;
  if (v < min_) v = min_;
  if (v != value_) SetValue(static_cast<int>(v));
}

// ---------------------------------------------------------------- keys and mouse

void TRxSlider::WndProc(TMessage& Message) {
  if (Message.Msg == WM_GETDLGCODE) {
    Message.Result = DLGC_WANTARROWS;
    return;
  }
  if (Message.Msg == WM_TIMER && Message.WParam == kStepTimer) {
    if (timer_running_ && BeyondThumb(last_point_) == (direction_ == 3)) Step(direction_);
    return;
  }
  TCustomControl::WndProc(Message);
}

void TRxSlider::KeyDown(uint16_t& Key, TShiftState Shift) {
  int kind = 0;
  if ((Shift & (ssShift | ssCtrl | ssAlt)) == 0) {
    if (Key == VK_HOME)
      kind = 1;
    else if (Key == VK_END)
      kind = 2;
    else if (Horizontal() && Key == VK_LEFT)
      kind = 4;
    else if (Horizontal() && Key == VK_RIGHT)
      kind = 3;
    else if (!Horizontal() && Key == VK_UP)
      kind = 3;
    else if (!Horizontal() && Key == VK_DOWN)
      kind = 4;
  }
  if (kind == 0) {
    TCustomControl::KeyDown(Key, Shift);
    return;
  }
  Key = 0;
  Step(kind);
  if (OnChanged) OnChanged(this);
}

// Whether P lies beyond the thumb toward the maximum.
bool TRxSlider::BeyondThumb(const TPoint& P) const {
  return Horizontal() ? P.X >= thumb_.Right : P.Y < thumb_.Top;
}

void TRxSlider::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == TMouseButton::mbLeft && (Shift & ssDouble) == 0) {
    if (CanFocus()) SetFocus();
    const TPoint p = Point(X, Y);
    if (PtInRect(thumb_, p)) {
      dragging_ = true;
      pressed_ = true;
      drag_offset_ = Horizontal() ? X - thumb_.Left : Y - thumb_.Top;
      Invalidate();
    } else {
      TRect track = RulerRect();
      if (Horizontal()) {
        track.Top -= 3;
        track.Bottom += 3;
      } else {
        track.Left -= 3;
        track.Right += 3;
      }
      if (PtInRect(track, p)) {
        SetCaptureControl(this);
        last_point_ = p;
        direction_ = BeyondThumb(p) ? 3 : 4;
        Step(direction_);
        SetTimer(kStepTimer, kStepInterval);
        timer_running_ = true;
      }
    }
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TRxSlider::MouseMove(TShiftState Shift, int X, int Y) {
  last_point_ = Point(X, Y);
  if (dragging_) MoveThumbTo((Horizontal() ? X : Y) - drag_offset_);
  // The hand over the thumb; the control's own cursor elsewhere.
  const bool over = PtInRect(thumb_, last_point_);
  if (over && Cursor() != kHandCursor) {
    own_cursor_ = Cursor();
    SetCursor(kHandCursor);
  } else if (!over && Cursor() == kHandCursor) {
    SetCursor(own_cursor_);
  }
  TCustomControl::MouseMove(Shift, X, Y);
}

void TRxSlider::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (timer_running_) {
    KillTimer(kStepTimer);
    timer_running_ = false;
    if (GetCaptureControl() == this) SetCaptureControl(nullptr);
    if (OnChanged) OnChanged(this);
  }
  if (dragging_) {
    dragging_ = false;
    pressed_ = false;
    Invalidate();
    if (OnChanged) OnChanged(this);
  }
  TCustomControl::MouseUp(Button, Shift, X, Y);
}

// ---------------------------------------------------------------- painting

void TRxSlider::DrawTicks(TCanvas* C) {
  const int t = Travel();
  if (t <= 0 || max_ <= min_ || increment_ <= 0) return;
  int e = 1;
  int64_t n = 0, spacing = 0;
  for (;;) {
    n = Round(static_cast<long double>(max_ - min_) / (static_cast<long double>(increment_) * e)) +
        1;
    spacing = n > 1 ? t / (n - 1) : t;
    if (spacing >= 4 || spacing >= t) break;
    ++e;
  }
  C->Pen()->SetColor(clWindowText);
  C->Pen()->SetStyle(psSolid);
  C->Pen()->SetWidth(1);
  const int half = (Horizontal() ? thumb_.Width() : thumb_.Height()) / 2;
  auto tick = [&](int v, int len) {
    const int p = PositionOf(v) + half;
    if (Horizontal()) {
      C->MoveTo(p, ticks_.Top);
      C->LineTo(p, ticks_.Top + len);
    } else {
      C->MoveTo(ticks_.Left, p);
      C->LineTo(ticks_.Left + len, p);
    }
  };
  const int64_t stride = static_cast<int64_t>(increment_) * e;
  for (int64_t v = min_; v < max_; v += stride) tick(static_cast<int>(v), v == min_ ? 5 : 3);
  tick(max_, 5);
}

void TRxSlider::Paint() {
  TCanvas* c = Canvas();
  const TRect all = Rect(0, 0, ClientWidth(), ClientHeight());
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(Color());
  c->FillRect(all);
  if (bevel_style_ != TSliderBevelStyle::bvNone) {
    TRect b = all;
    const bool lowered = bevel_style_ == TSliderBevelStyle::bvLowered;
    Frame3D(c, b, lowered ? clBtnShadow : clBtnHighlight, lowered ? clBtnHighlight : clBtnShadow,
            1);
  }
  if (!ruler_->Empty()) {
    if (options_ & soRulerOpaque)
      c->Draw(ruler_origin_.X, ruler_origin_.Y, ruler_.get());
    else
      TransparentBlt(c, ruler_origin_.X, ruler_origin_.Y, ruler_->Width(), ruler_->Height(),
                     ruler_.get(), 0, 0, ruler_->Width(), ruler_->Height(),
                     RulerImage()->TransparentColor());
  }
  if ((options_ & soShowFocus) && Focused()) {
    TRect f = Inner();
    DrawFocusRect(c, Rect(f.Left + 2, f.Top + 2, f.Right - 2, f.Bottom - 2));
  }
  if (options_ & soShowPoints) {
    if (OnDrawPoints)
      OnDrawPoints(this);
    else
      DrawTicks(c);
  }
  TBitmap* t = ThumbImage();
  if (!t->Empty() && thumb_.Width() > 0) {
    const bool second = num_thumb_states_ == 2 && (dragging_ || pressed_ || !Enabled());
    const int sx = second ? thumb_.Width() : 0;
    if (options_ & soThumbOpaque)
      BitBlt(c, thumb_.Left, thumb_.Top, thumb_.Width(), thumb_.Height(), t->Canvas(), sx, 0,
             SRCCOPY);
    else
      TransparentBlt(c, thumb_.Left, thumb_.Top, thumb_.Width(), thumb_.Height(), t, sx, 0,
                     thumb_.Width(), thumb_.Height(), t->TransparentColor());
  }
}

}  // namespace controls
