#include "controls/bmp_slider.h"

#include <algorithm>
#include <cmath>

#include "platform/classlib/drawing_helpers.h"
#include "platform/classlib/math_utils.h"
#include "platform/classlib/window_region.h"

using namespace classlib;

namespace controls {

namespace {
constexpr int kMargin = 6;
constexpr uint32_t kRepeatTimer = 1;
constexpr uint32_t kRepeatInterval = 400;
}  // namespace

// ---------------------------------------------------------------- thumb

TSliderThumb::TSliderThumb(TepBMPSlider* Slider)
    : TCustomControl(Slider), slider_(Slider), image_(std::make_unique<TBitmap>()) {
  SetControlStyle(ControlStyle() | csCaptureMouse | csOpaque);
}

int TSliderThumb::ThumbWidth() const { return image_->Empty() ? 0 : image_->Width() / states_; }
int TSliderThumb::ThumbHeight() const { return image_->Empty() ? 0 : image_->Height(); }

void TSliderThumb::SetImage(TBitmap* Value) {
  if (Value == nullptr)
    image_ = std::make_unique<TBitmap>();
  else
    image_->Assign(Value);
  SetBounds(Left(), Top(), ThumbWidth(), ThumbHeight());
  Reshape();
}

void TSliderThumb::SetPressed(bool Value) {
  if (pressed_ == Value) return;
  pressed_ = Value;
  Invalidate();
}

void TSliderThumb::SetStates(int Value) {
  Value = Value == 1 ? 1 : 2;
  if (states_ == Value) return;
  states_ = Value;
  SetBounds(Left(), Top(), ThumbWidth(), ThumbHeight());
  Reshape();
}

void TSliderThumb::SetTransparent(bool Value) {
  if (transparent_ == Value) return;
  transparent_ = Value;
  Reshape();
}

void TSliderThumb::Reshape() {
  if (!transparent_ || image_->Empty()) {
    SetWindowRgn(this, nullptr, true);
    return;
  }
  // The normal state's picture (the left half of a two-state image).
  TBitmap normal;
  normal.SetPixelFormat(pf24bit);
  normal.SetSize(ThumbWidth(), ThumbHeight());
  normal.Canvas()->CopyRect(Rect(0, 0, normal.Width(), normal.Height()), image_->Canvas(),
                            Rect(0, 0, normal.Width(), normal.Height()));
  std::vector<uint8_t> data;
  BitmapRegionData(&normal, data);
  TRegion region = RegionFromData(data);
  SetWindowRgn(this, &region, true);
}

void TSliderThumb::Paint() {
  // What lies under the thumb first: where no window region cuts the key
  // pixels away (Wayland masks input only), they still look right.
  TBitmap under;
  slider_->RenderPicture(&under);
  Canvas()->SetCopyMode(cmSrcCopy);
  Canvas()->CopyRect(Rect(0, 0, Width(), Height()), under.Canvas(),
                     Rect(Left(), Top(), Left() + Width(), Top() + Height()));
  DrawBitmapFrame(Canvas(), 0, 0, states_, pressed_ && states_ == 2 ? 2 : 1, image_.get());
}

void TSliderThumb::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomControl::MouseDown(Button, Shift, X, Y);
  slider_->ThumbMouseDown(Button, Shift, X, Y);
}

void TSliderThumb::MouseMove(TShiftState Shift, int X, int Y) {
  TCustomControl::MouseMove(Shift, X, Y);
  slider_->ThumbMouseMove(Shift, X, Y);
}

void TSliderThumb::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomControl::MouseUp(Button, Shift, X, Y);
  slider_->ThumbMouseUp(Button, Shift, X, Y);
}

// ---------------------------------------------------------------- slider

TepBMPSlider::TepBMPSlider(TComponent* AOwner)
    : TEffectCControl(AOwner), ruler_(std::make_unique<TBitmap>()) {
  SetControlStyle(ControlStyle() | csCaptureMouse | csClickEvents | csOpaque);
  for (auto& image : images_) image = std::make_unique<TBitmap>();
  ruler_->SetPixelFormat(pf24bit);
  SetBounds(Left(), Top(), 140, 40);
  SetTabStop(true);
  thumb_ = new TSliderThumb(this);
  thumb_->SetParent(this);
  creating_ = false;
  Layout();
}

TepBMPSlider::~TepBMPSlider() = default;

TBitmap* TepBMPSlider::Image(int Index) const { return images_[std::clamp(Index, 0, 3)].get(); }

void TepBMPSlider::SetImage(int Index, TBitmap* Value) {
  if (Index < 0 || Index > 3) return;
  if (Value == nullptr || Value->Empty()) {
    images_[Index] = std::make_unique<TBitmap>();
    user_images_ &= static_cast<uint8_t>(~(1u << Index));
  } else {
    images_[Index]->Assign(Value);
    user_images_ |= static_cast<uint8_t>(1u << Index);
  }
  if (images_[Index].get() == CurrentThumbImage()) thumb_->SetImage(images_[Index].get());
  if (!creating_) Layout();
}

void TepBMPSlider::ReadUserImages(TStream* Stream) { user_images_ = Stream->ReadValue<uint8_t>(); }
void TepBMPSlider::WriteUserImages(TStream* Stream) { Stream->WriteValue<uint8_t>(user_images_); }

void TepBMPSlider::Loaded() {
  TEffectCControl::Loaded();
  for (int i = 0; i < 4; ++i)
    if (user_images_ & (1u << i)) {
      TBitmap copy;
      copy.Assign(images_[i].get());
      SetImage(i, &copy);
    }
}

void TepBMPSlider::SetPointsColor(TColor Value) {
  points_color_ = Value;
  Invalidate();
}

void TepBMPSlider::SetEdgeSize(int Value) {
  TBitmap* r = CurrentRulerImage();
  int len = orientation_ == soHorizontal ? r->Width() : r->Height();
  if (2 * Value < len && Value != edge_size_ && Value >= 0) {
    edge_size_ = Value;
    Layout();
  }
}

void TepBMPSlider::SetNumThumbStates(int Value) {
  thumb_->SetStates(Value);
  Layout();
}

void TepBMPSlider::SetOrientation(TSliderOrientation Value) {
  if (orientation_ == Value) return;
  orientation_ = Value;
  thumb_->SetImage(CurrentThumbImage());
  Layout();
}

void TepBMPSlider::SetOptions(TSliderOptions Value) {
  options_ = Value;
  Invalidate();
}

void TepBMPSlider::SetIncrement(int Value) {
  if (Value <= 0 || Value == increment_) return;
  increment_ = Value;
  SetValue(value_);
  Invalidate();
}

void TepBMPSlider::SetMinValue(int Value) {
  if (Value == min_ || static_cast<int64_t>(Value) > static_cast<int64_t>(max_) - increment_)
    return;
  min_ = Value;
  if (options_ & soShowPoints) Invalidate();
}

void TepBMPSlider::SetMaxValue(int Value) {
  if (Value == max_ || static_cast<int64_t>(Value) < static_cast<int64_t>(min_) + increment_)
    return;
  max_ = Value;
  if (options_ & soShowPoints) Invalidate();
}

int TepBMPSlider::ThumbLength() const {
  return orientation_ == soHorizontal ? thumb_->ThumbWidth() : thumb_->ThumbHeight();
}

int TepBMPSlider::RulerLength() const {
  return orientation_ == soHorizontal ? ruler_->Width() : ruler_->Height();
}

int TepBMPSlider::TrackLength() const { return RulerLength() - ThumbLength(); }

int TepBMPSlider::ValueToPosition(int V) const {
  const int L = TrackLength();
  double x = 0;
  // Without a track or a range every value sits at the start.
  if (L > 0 && max_ != min_)
    x = static_cast<double>(L) * (static_cast<double>(V) - min_) /
        (static_cast<double>(max_) - min_);
  int r = static_cast<int>(std::clamp<int64_t>(Round(x), -1000000, 1000000));
  if (orientation_ == soHorizontal) return r + kMargin;
  return ClientHeight() - r - thumb_->ThumbHeight() - kMargin;
}

int TepBMPSlider::PositionToValue(int Pos) const {
  const int L = TrackLength();
  if (L <= 0) return min_;
  if (orientation_ == soVertical) Pos = ClientHeight() - Pos - thumb_->ThumbHeight();
  double x = (static_cast<double>(Pos) - kMargin) * (static_cast<double>(max_) - min_) / L;
  int64_t r = Round(x);
  int64_t v =
      (options_ & soSmooth) ? r + min_ : static_cast<int64_t>(increment_) * (r / increment_) + min_;
  return static_cast<int>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

void TepBMPSlider::MoveThumbTo(int Pos) {
  const int L = std::max(0, TrackLength());
  if (orientation_ == soVertical) {
    // The track runs upward: positions are thumb tops between the margins.
    const int top = kMargin, bottom = ClientHeight() - kMargin - thumb_->ThumbHeight();
    Pos = std::clamp(Pos, std::min(top, bottom), std::max(top, bottom));
  } else {
    if (Pos <= kMargin - 1) Pos = kMargin;
    if (Pos > L + kMargin) Pos = L + kMargin;
  }
  if (!(options_ & soSmooth)) Pos = ValueToPosition(PositionToValue(Pos));
  if (orientation_ == soHorizontal)
    thumb_->SetLeft(Pos);
  else
    thumb_->SetTop(Pos);
  if (dragging_) {
    int v = PositionToValue(Pos);
    if (v != value_) {
      value_ = v;
      if (OnChange) OnChange(this);
    }
  }
}

void TepBMPSlider::SetValue(int V) {
  V = std::clamp(V, std::min(min_, max_), std::max(min_, max_));
  const bool changed = V != value_;
  value_ = V;
  MoveThumbTo(ValueToPosition(V));
  if (changed && OnChange) OnChange(this);
}

void TepBMPSlider::Step(int Kind) {
  switch (Kind) {
    case 1: SetValue(min_); break;
    case 2: SetValue(max_); break;
    case 3:
      SetValue(static_cast<int>(std::clamp<int64_t>(int64_t(increment_) * (value_ / increment_ + 1),
                                                    INT32_MIN, INT32_MAX)));
      break;
    case 4:
      SetValue(static_cast<int>(std::clamp<int64_t>(int64_t(increment_) * (value_ / increment_ - 1),
                                                    INT32_MIN, INT32_MAX)));
      break;
    default: break;
  }
}

void TepBMPSlider::Layout() {
  if (creating_ || IsLoading()) return;
  TBitmap* src = CurrentRulerImage();
  const bool horz = orientation_ == soHorizontal;
  const int length = std::max(0, (horz ? Width() : Height()) - 2 * kMargin);
  const int thick = horz ? src->Height() : src->Width();
  ruler_->SetPixelFormat(pf24bit);
  if (src->Empty() || length == 0) {
    ruler_->SetSize(0, 0);
  } else {
    ruler_->SetSize(horz ? length : thick, horz ? thick : length);
    const int W = horz ? src->Width() : src->Height();
    const int E = std::min(edge_size_, W / 2);
    const int M = std::max(1, W - 2 * E);
    // Copies source pixels [from, from + n) along the length to dest offset at.
    auto piece = [&](int at, int from, int n) {
      if (n <= 0) return;
      TRect d = horz ? Rect(at, 0, at + n, thick) : Rect(0, at, thick, at + n);
      TRect s = horz ? Rect(from, 0, from + n, thick) : Rect(0, from, thick, from + n);
      ruler_->Canvas()->CopyRect(d, src->Canvas(), s);
    };
    piece(0, 0, std::min(W - E, length));
    int pos = W - E;
    while (pos < length) {
      int rest = length - pos;
      if (rest > M + E) {
        piece(pos, E, M);
        pos += M;
      } else {
        piece(pos, W - rest, rest);
        pos = length;
      }
    }
  }
  const int tl = horz ? thumb_->ThumbHeight() : thumb_->ThumbWidth();
  const int rl = horz ? ruler_->Height() : ruler_->Width();
  int thumb_across;
  if (rl < tl) {
    thumb_across = kMargin;
    ruler_origin_ =
        horz ? Point(kMargin, kMargin + (tl - rl) / 2) : Point(kMargin + (tl - rl) / 2, kMargin);
  } else {
    ruler_origin_ = Point(kMargin, kMargin);
    thumb_across = kMargin + (rl - tl) / 2;
  }
  const int thicker = std::max(tl, rl);
  if (horz) {
    thumb_->SetTop(thumb_across);
    scale_area_ = Rect(ruler_origin_.X, kMargin + thicker + 7, ruler_origin_.X + ruler_->Width(),
                       Height() - 1);
  } else {
    thumb_->SetLeft(thumb_across);
    scale_area_ = Rect(kMargin + thicker + 7, ruler_origin_.Y, Width() - 1,
                       ruler_origin_.Y + ruler_->Height());
  }
  MoveThumbTo(ValueToPosition(value_));
  Invalidate();
}

void TepBMPSlider::Resize() {
  TEffectCControl::Resize();
  Layout();
}

int TepBMPSlider::ZoneAt(const TPoint& P) const {
  if (orientation_ == soHorizontal) {
    if (P.X < thumb_->Left()) return 4;
    if (P.X >= thumb_->Left() + thumb_->Width()) return 3;
  } else {
    if (P.Y < thumb_->Top()) return 3;
    if (P.Y >= thumb_->Top() + thumb_->Height()) return 4;
  }
  return 0;
}

void TepBMPSlider::RepeatStep() {
  if (!tracking_) return;
  if (ZoneAt(last_point_) == press_zone_ && press_zone_ != 0) {
    Step(press_zone_);
    if (!timer_running_) {
      SetTimer(kRepeatTimer, kRepeatInterval);
      timer_running_ = true;
    }
  }
}

void TepBMPSlider::WMTimer(TMessage& Message) {
  if (Message.WParam == kRepeatTimer) {
    RepeatStep();
    return;
  }
  TEffectCControl::WMTimer(Message);
}

void TepBMPSlider::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == TMouseButton::mbLeft && !(Shift & ssDouble)) {
    if (CanFocus()) SetFocus();
    SetMouseCapture(true);
    tracking_ = true;
    last_point_ = Point(X, Y);
    press_zone_ = ZoneAt(last_point_);
    RepeatStep();
  }
  TEffectCControl::MouseDown(Button, Shift, X, Y);
}

void TepBMPSlider::MouseMove(TShiftState Shift, int X, int Y) {
  if (tracking_) last_point_ = Point(X, Y);
  TEffectCControl::MouseMove(Shift, X, Y);
}

void TepBMPSlider::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (tracking_) {
    tracking_ = false;
    if (timer_running_) KillTimer(kRepeatTimer);
    timer_running_ = false;
    SetMouseCapture(false);
  }
  TEffectCControl::MouseUp(Button, Shift, X, Y);
}

void TepBMPSlider::KeyDown(uint16_t& Key, TShiftState Shift) {
  if ((Shift & (ssShift | ssCtrl | ssAlt)) == 0) {
    int kind = 0;
    if (Key == VK_HOME)
      kind = 1;
    else if (Key == VK_END)
      kind = 2;
    else if (orientation_ == soHorizontal && Key == VK_LEFT)
      kind = 4;
    else if (orientation_ == soHorizontal && Key == VK_RIGHT)
      kind = 3;
    else if (orientation_ == soVertical && Key == VK_UP)
      kind = 3;
    else if (orientation_ == soVertical && Key == VK_DOWN)
      kind = 4;
    if (kind != 0) {
      Step(kind);
      Key = 0;
      return;
    }
  }
  TEffectCControl::KeyDown(Key, Shift);
}

void TepBMPSlider::WMSetFocus(TMessage& Message) {
  focused_ = true;
  if (options_ & soShowFocus) {
    Invalidate();
    thumb_->Invalidate();
  }
  TEffectCControl::WMSetFocus(Message);
}

void TepBMPSlider::WMKillFocus(TMessage& Message) {
  focused_ = false;
  if (options_ & soShowFocus) {
    Invalidate();
    thumb_->Invalidate();
  }
  TEffectCControl::WMKillFocus(Message);
}

void TepBMPSlider::ThumbMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == TMouseButton::mbLeft) {
    if (CanFocus()) SetFocus();
    grab_ = orientation_ == soHorizontal ? X : Y;
    dragging_ = true;
    thumb_->SetPressed(true);
  }
  if (OnThumbMouseDown) OnThumbMouseDown(this, Button, Shift, X, Y);
}

void TepBMPSlider::ThumbMouseMove(TShiftState Shift, int X, int Y) {
  if (dragging_ && (Shift & ssLeft)) {
    int p = orientation_ == soHorizontal ? thumb_->Left() + X : thumb_->Top() + Y;
    MoveThumbTo(p - grab_);
  }
  if (OnThumbMouseMove) OnThumbMouseMove(this, Shift, X, Y);
}

void TepBMPSlider::ThumbMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == TMouseButton::mbLeft) {
    dragging_ = false;
    thumb_->SetPressed(false);
  }
  if (OnThumbMouseUp) OnThumbMouseUp(this, Button, Shift, X, Y);
}

void TepBMPSlider::RenderPicture(TBitmap* Target) {
  PaintEffectBackground(this, Transparent(), Target);
  paintContent(Target);
}

void TepBMPSlider::DrawDefaultPoints(TCanvas* Canvas) {
  const int L = TrackLength();
  const int64_t range = static_cast<int64_t>(max_) - min_;
  if (L <= 0 || range <= 0 || increment_ <= 0) return;
  int64_t f = increment_;
  for (int64_t e = 1; e < 1000000; ++e) {
    f = static_cast<int64_t>(increment_) * e;
    int64_t n = range / f;
    if (n < 1 || (L - n - 1) / n >= 3) break;
  }
  Canvas->Pen()->SetColor(points_color_);
  const bool horz = orientation_ == soHorizontal;
  const int half = (horz ? thumb_->ThumbWidth() : thumb_->ThumbHeight()) / 2;
  const int mid = horz ? (scale_area_.Top + scale_area_.Bottom) / 2
                       : (scale_area_.Left + scale_area_.Right) / 2;
  for (int64_t v = min_; v <= max_; v += f) {
    const int len = (v == min_ || v + f > max_) ? 4 : 3;
    const int at = ValueToPosition(static_cast<int>(v)) + half;
    if (horz) {
      Canvas->MoveTo(at, mid - len / 2);
      Canvas->LineTo(at, mid - len / 2 + len);
    } else {
      Canvas->MoveTo(mid - len / 2, at);
      Canvas->LineTo(mid - len / 2 + len, at);
    }
  }
}

void TepBMPSlider::paintContent(TBitmap* Target) {
  TCanvas* c = Target->Canvas();
  if (!ruler_->Empty())
    DrawKeyedBitmap(c, ruler_origin_.X, ruler_origin_.Y, clDefault, ruler_.get());
  if ((options_ & soShowFocus) && focused_) {
    TRect r = Rect(0, 0, Width(), Height());
    if (UseFocusFrame)
      DrawTwoColourFrame(c, r, FocusInnerColor, FocusOuterColor, 1);
    else
      DrawFocusRect(c, r);
  }
  if (options_ & soShowPoints) {
    if (OnDrawPoints)
      OnDrawPoints(this);
    else
      DrawDefaultPoints(c);
  }
}

}  // namespace controls
