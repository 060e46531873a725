#include "treectl/scroll_bar.h"

#include <algorithm>
#include <cstdint>

#include "platform/classlib/application.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/system_metrics.h"
#include "treectl/line_hint_window.h"
#include "treectl/tree_utils.h"

namespace lumicast {

using namespace classlib;

namespace {

// Number * Numerator / Denominator over 128 bits, rounded half away from zero
// like the class library's MulDiv; ranges near the 32-bit limits stay exact.
// A zero denominator counts as an offset of 0.
int64_t MulDiv64(int64_t Number, int64_t Numerator, int64_t Denominator) {
  if (Denominator == 0) return 0;
  __int128 p = static_cast<__int128>(Number) * Numerator;
  __int128 d = Denominator;
  bool negative = (p < 0) != (d < 0);
  if (p < 0) p = -p;
  if (d < 0) d = -d;
  __int128 q = (p + d / 2) / d;
  return static_cast<int64_t>(negative ? -q : q);
}

int ClampToInt(int64_t V) { return static_cast<int>(std::clamp<int64_t>(V, INT32_MIN, INT32_MAX)); }

// A colour with its HLS luminance moved by a quarter (up or down).
TColor ShiftLuminance(TColor Color, bool Lighter) {
  uint32_t hls = RGBToHLS(ColorToRGB(Color));
  int l = LuminanceOf(hls);
  l = Lighter ? std::min(255, l + l / 4) : l - l / 4;
  return HLSToRGB(PackHLS(HueOf(hls), std::min(l, kHlsMax), SaturationOf(hls)));
}

}  // namespace

// ============================================================== construction

TCustomElScrollBar::TCustomElScrollBar(TComponent* AOwner)
    : TCustomControl(AOwner), button_size_(GetSystemMetrics(SM_CXHSCROLL)) {
  // The bar takes and gives back the mouse capture itself.
  control_style_ = (control_style_ & ~static_cast<TControlStyle>(csCaptureMouse | csDoubleClicks)) |
                   csSelfPaint | csOpaque;
  SetColor(clBtnFace);
  SetBounds(0, 0, 121, GetSystemMetrics(SM_CYHSCROLL));
  RebuildPattern();
  UpdateScrollingRegion();
}

TCustomElScrollBar::~TCustomElScrollBar() {
  if (MouseCapture()) SetMouseCapture(false);
}

// ============================================================== geometry

int TCustomElScrollBar::Length() const {
  return kind_ == sbHorizontal ? ClientWidth() : ClientHeight();
}

int TCustomElScrollBar::Thickness() const { return kind_ == sbHorizontal ? Height() : Width(); }

void TCustomElScrollBar::SetThickness(int Value) {
  if (Value <= 0) Value = GetSystemMetrics(kind_ == sbHorizontal ? SM_CYHSCROLL : SM_CXVSCROLL);
  if (kind_ == sbHorizontal)
    SetHeight(Value);
  else
    SetWidth(Value);
}

int TCustomElScrollBar::NearButtons() const {
  return !show_left_arrows_ ? 0 : secondary_buttons_ ? 2 : 1;
}
int TCustomElScrollBar::FarButtons() const {
  return !show_right_arrows_ ? 0 : secondary_buttons_ ? 2 : 1;
}

int TCustomElScrollBar::EffectiveButtonSize() const {
  int size = use_system_metrics_
                 ? GetSystemMetrics(kind_ == sbHorizontal ? SM_CXHSCROLL : SM_CYVSCROLL)
                 : button_size_;
  int buttons = NearButtons() + FarButtons();
  if (buttons > 0 && static_cast<int64_t>(size) * buttons > Length()) size = Length() / buttons;
  return size;
}

// Computes the thumb's length and pixel start from the range.
void TCustomElScrollBar::UpdateScrollingRegion() {
  const int len = Length();
  const int bs = EffectiveButtonSize();
  const int near_px = NearButtons() * bs;
  const int buttons_px = (NearButtons() + FarButtons()) * bs;
  const int64_t track = std::max<int64_t>(0, static_cast<int64_t>(len) - buttons_px);
  const int64_t range = static_cast<int64_t>(max_) - min_;
  const int sys_thumb = GetSystemMetrics(kind_ == sbHorizontal ? SM_CXHTHUMB : SM_CYVTHUMB);
  int64_t thumb;
  if (thumb_mode_ == etmAuto) {
    if (page_ == 0 && max_ > min_)
      thumb = sys_thumb;
    else if (page_ > 0 && max_ > min_ && range >= page_)
      thumb = MulDiv64(std::min<int64_t>(page_, range + 1), track, range + 1);
    else
      thumb = track;
    if (thumb < min_thumb_size_) thumb = min_thumb_size_;
    if (track < min_thumb_size_) thumb = 0;
  } else {
    thumb = use_system_metrics_ ? sys_thumb : thumb_size_;
  }
  thumb_length_ = static_cast<int>(thumb);
  if (thumb + buttons_px > len || max_ < min_) {
    thumb_start_ = near_px;
  } else {
    // Steps from Min, at most the last position a full page can start at
    // (counted from Min, so that a range not starting at 0 keeps the thumb
    // inside the track).
    int64_t steps = std::min<int64_t>(range - page_ + 1, static_cast<int64_t>(position_) - min_);
    int64_t divisor = range - std::min<int64_t>(page_, range + 1) + 1;
    int64_t offset = std::clamp<int64_t>(MulDiv64(track - thumb, steps, divisor), 0,
                                         std::max<int64_t>(0, track - thumb));
    thumb_start_ = near_px + static_cast<int>(offset);
  }
}

int TCustomElScrollBar::PositionFromThumb(int ThumbStart) const {
  const int bs = EffectiveButtonSize();
  const int64_t near_px = static_cast<int64_t>(NearButtons()) * bs;
  const int64_t track = std::max<int64_t>(
      0, static_cast<int64_t>(Length()) - static_cast<int64_t>(NearButtons() + FarButtons()) * bs);
  const int64_t range = static_cast<int64_t>(max_) - min_;
  const int64_t positions = (range + 1) - std::min<int64_t>(page_, range + 1);
  // A thumb that fills the track has no room to move: it stands for Min.
  // Without a page the far end would stand for Max + 1: held at Max.
  int64_t p = min_ + MulDiv64(ThumbStart - near_px, positions, track - thumb_length_);
  return ClampToInt(std::clamp<int64_t>(p, min_, max_));
}

int TCustomElScrollBar::Along(int X, int Y) const { return kind_ == sbHorizontal ? X : Y; }

TElScrollBarPart TCustomElScrollBar::HitTest(int X, int Y) const {
  int across = kind_ == sbHorizontal ? Y : X;
  int thick = kind_ == sbHorizontal ? ClientHeight() : ClientWidth();
  int p = Along(X, Y);
  int len = Length();
  if (across < 0 || across >= thick || p < 0 || p >= len) return sbpNowhere;
  int bs = EffectiveButtonSize();
  if (show_left_arrows_ && p < bs) return sbpLeftArrow;
  if (show_right_arrows_ && p >= len - bs) return sbpRightArrow;
  if (secondary_buttons_) {
    if (show_left_arrows_ && p < 2 * bs) return sbpLeftSndArrow;
    if (show_right_arrows_ && p >= len - 2 * bs) return sbpRightSndArrow;
  }
  if (p < thumb_start_) return sbpLeftTop;
  if (p < thumb_start_ + thumb_length_) return sbpThumb;
  return sbpRightBottom;
}

TRect TCustomElScrollBar::PartRect(TElScrollBarPart Part) const {
  int len = Length();
  int bs = EffectiveButtonSize();
  int near_end = NearButtons() * bs;
  int far_start = len - FarButtons() * bs;
  int a = 0, b = 0;
  switch (Part) {
    case sbpLeftArrow:
      a = 0;
      b = show_left_arrows_ ? bs : 0;
      break;
    case sbpLeftSndArrow:
      a = bs;
      b = secondary_buttons_ && show_left_arrows_ ? 2 * bs : bs;
      break;
    case sbpRightArrow:
      a = show_right_arrows_ ? len - bs : len;
      b = len;
      break;
    case sbpRightSndArrow:
      a = secondary_buttons_ && show_right_arrows_ ? len - 2 * bs : len - bs;
      b = len - bs;
      break;
    case sbpLeftTop:
      a = near_end;
      b = std::max(near_end, thumb_start_);
      break;
    case sbpThumb:
      a = thumb_start_;
      b = thumb_start_ + thumb_length_;
      break;
    case sbpRightBottom:
      a = std::min(far_start, thumb_start_ + thumb_length_);
      b = far_start;
      break;
    default: break;
  }
  if (kind_ == sbHorizontal) return Rect(a, 0, b, ClientHeight());
  return Rect(0, a, ClientWidth(), b);
}

// ============================================================== range setters

void TCustomElScrollBar::ClampAll() {
  if (max_ < min_) max_ = min_;
  int64_t range = static_cast<int64_t>(max_) - min_;
  if (page_ > range + 1) page_ = ClampToInt(range + 1);
  position_ = std::clamp(position_, min_, max_);
}

void TCustomElScrollBar::SetScrollPosition(int Value, bool Redraw) {
  if (!IsLoading()) Value = std::clamp(Value, min_, std::max(min_, max_));
  if (Value == position_) return;
  position_ = Value;
  UpdateScrollingRegion();
  if (Redraw) Invalidate();
  int pos = position_;
  bool change = true;
  DoScroll(escPosition, pos, change);
}

void TCustomElScrollBar::SetScrollMax(int Value, bool Redraw) {
  if (Value == max_) return;
  max_ = Value < min_ ? min_ : Value;
  ClampAll();
  UpdateScrollingRegion();
  if (Redraw) Invalidate();
}

void TCustomElScrollBar::SetScrollMin(int Value, bool Redraw) {
  if (Value == min_) return;
  min_ = Value;
  if (min_ > max_) max_ = min_;
  ClampAll();
  UpdateScrollingRegion();
  if (Redraw) Invalidate();
}

void TCustomElScrollBar::SetScrollPage(int Value, bool Redraw) {
  if (Value < 0 || Value == page_) return;
  page_ = Value;
  ClampAll();
  UpdateScrollingRegion();
  if (Redraw) Invalidate();
}

void TCustomElScrollBar::Loaded() {
  TCustomControl::Loaded();
  if (use_system_metrics_) {
    button_size_ = GetSystemMetrics(kind_ == sbHorizontal ? SM_CXHSCROLL : SM_CYVSCROLL);
    SetThickness(0);
  }
  ClampAll();
  UpdateScrollingRegion();
}

int TCustomElScrollBar::SetScrollInfo(const SCROLLINFO& Info, bool Redraw) {
  if (Info.cbSize < sizeof(SCROLLINFO)) return 0;
  const bool has_pos = (Info.fMask & SIF_POS) != 0;
  const bool has_page = (Info.fMask & SIF_PAGE) != 0;
  const int page = static_cast<int>(std::min<uint32_t>(Info.nPage, INT32_MAX));
  if ((Info.fMask & SIF_RANGE) != 0 && Info.nMax >= Info.nMin) {
    if (has_pos) {
      // A position outside the new range goes to the nearer end of it.
      position_ = std::clamp(Info.nPos, Info.nMin, Info.nMax);
      min_ = Info.nMin;
      max_ = Info.nMax;
      if (has_page) page_ = page;
    } else if (position_ >= Info.nMin && position_ <= Info.nMax) {
      min_ = Info.nMin;
      max_ = Info.nMax;
      if (has_page) page_ = page;
    }
  } else if (has_pos) {
    if (Info.nPos >= min_ && Info.nPos <= max_) {
      position_ = Info.nPos;
      if (has_page) page_ = page;
    }
  } else if (has_page) {
    page_ = page;
  }
  ClampAll();
  UpdateScrollingRegion();
  if (Redraw) Invalidate();
  return position_;
}

bool TCustomElScrollBar::GetScrollInfo(SCROLLINFO& Info) {
  if (Info.cbSize < sizeof(SCROLLINFO)) return false;
  if (Info.fMask & SIF_PAGE) Info.nPage = static_cast<uint32_t>(page_);
  if (Info.fMask & SIF_POS) Info.nPos = position_;
  if (Info.fMask & SIF_TRACKPOS) Info.nTrackPos = PositionFromThumb(thumb_start_);
  if (Info.fMask & SIF_RANGE) {
    Info.nMin = min_;
    Info.nMax = max_;
  }
  return true;
}

// ============================================================== look setters

void TCustomElScrollBar::SetKind(TScrollBarKind Value) {
  if (Value == kind_) return;
  int w = Width(), h = Height();
  kind_ = Value;
  SetBounds(Left(), Top(), h, w);
  if (use_system_metrics_) SetUseSystemMetrics(true);
  UpdateScrollingRegion();
  Invalidate();
}

#define EL_BAR_SETTER(Name, field)                            \
  void TCustomElScrollBar::Set##Name(decltype(field) Value) { \
    if (field == Value) return;                               \
    field = Value;                                            \
    UpdateScrollingRegion();                                  \
    Invalidate();                                             \
  }
EL_BAR_SETTER(Flat, flat_)
EL_BAR_SETTER(ActiveFlat, active_flat_)
EL_BAR_SETTER(AltDisablingArrows, alt_disabling_arrows_)
EL_BAR_SETTER(ArrowColor, arrow_color_)
EL_BAR_SETTER(ArrowHotTrackColor, arrow_hot_track_color_)
EL_BAR_SETTER(SystemBkColor, system_bk_color_)
EL_BAR_SETTER(DrawArrowFrames, draw_arrow_frames_)
EL_BAR_SETTER(DrawBars, draw_bars_)
EL_BAR_SETTER(BarOffset, bar_offset_)
EL_BAR_SETTER(BarColor, bar_color_)
EL_BAR_SETTER(NoDisableButtons, no_disable_buttons_)
EL_BAR_SETTER(NoSunkenThumb, no_sunken_thumb_)
EL_BAR_SETTER(SecondaryButtons, secondary_buttons_)
EL_BAR_SETTER(SecondBtnKind, second_btn_kind_)
EL_BAR_SETTER(ShowLeftArrows, show_left_arrows_)
EL_BAR_SETTER(ShowRightArrows, show_right_arrows_)
EL_BAR_SETTER(ThinFrames, thin_frames_)
EL_BAR_SETTER(OwnerDraw, owner_draw_)
EL_BAR_SETTER(ButtonSize, button_size_)
#undef EL_BAR_SETTER

void TCustomElScrollBar::SetBlendBackground(bool Value) {
  if (Value == blend_background_) return;
  blend_background_ = Value;
  RebuildPattern();
  Invalidate();
}

void TCustomElScrollBar::SetDrawFrames(bool Value) {
  if (Value == draw_frames_) return;
  draw_frames_ = Value;
  if (!Value) draw_arrow_frames_ = false;
  Invalidate();
}

void TCustomElScrollBar::SetMinThumbSize(int Value) {
  if (Value <= 0 || Value == min_thumb_size_) return;
  min_thumb_size_ = Value;
  UpdateScrollingRegion();
  Invalidate();
}

void TCustomElScrollBar::SetThumbSize(int Value) {
  if (Value <= 0 || Value == thumb_size_) return;
  thumb_size_ = Value;
  UpdateScrollingRegion();
  Invalidate();
}

void TCustomElScrollBar::SetThumbMode(TElScrollThumbMode Value) {
  if (Value == thumb_mode_) return;
  thumb_mode_ = Value;
  if (Value == etmFixed && use_system_metrics_)
    thumb_size_ = GetSystemMetrics(kind_ == sbHorizontal ? SM_CXHTHUMB : SM_CYVTHUMB);
  UpdateScrollingRegion();
  Invalidate();
}

void TCustomElScrollBar::SetUseSystemMetrics(bool Value) {
  use_system_metrics_ = Value;
  if (Value) {
    button_size_ = GetSystemMetrics(kind_ == sbHorizontal ? SM_CXHSCROLL : SM_CYVSCROLL);
    SetThickness(0);
  }
  UpdateScrollingRegion();
  Invalidate();
}

void TCustomElScrollBar::Resize() {
  UpdateScrollingRegion();
  TCustomControl::Resize();
}

// The 8 x 8 checkerboard of the page areas: Color and a lighter tone of it.
void TCustomElScrollBar::RebuildPattern() {
  if (!pattern_) pattern_ = std::make_unique<TBitmap>();
  pattern_->SetSize(8, 8);
  TColor light = ColorToRGB(Color()) == ColorToRGB(clBtnFace) ? ColorToRGB(clBtnHighlight)
                                                              : ShiftLuminance(Color(), true);
  TColor base = ColorToRGB(Color());
  TCanvas* c = pattern_->Canvas();
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) c->SetPixels(x, y, ((x + y) & 1) == 0 ? base : light);
}

// ============================================================== notifications

void TCustomElScrollBar::DoChange() {
  if (OnChange) OnChange(this);
}

void TCustomElScrollBar::DoScroll(TElScrollCode ScrollCode, int& ScrollPos, bool& DoChange) {
  DoChange = true;
  if (OnScroll) OnScroll(this, ScrollCode, ScrollPos, DoChange);
}

void TCustomElScrollBar::DoHintNeeded(int TrackPosition, std::string& Hint) {
  if (OnScrollHintNeeded) OnScrollHintNeeded(this, TrackPosition, Hint);
}

// ============================================================== stepping

bool TCustomElScrollBar::CanScrollUp() const {
  return position_ > min_ && static_cast<int64_t>(max_) - min_ >= page_;
}

bool TCustomElScrollBar::CanScrollDown() const {
  int64_t limit = alt_disabling_arrows_ ? static_cast<int64_t>(max_) - page_ + 1 : max_;
  return position_ < limit && static_cast<int64_t>(max_) - min_ >= page_;
}

bool TCustomElScrollBar::PartCanAct(TElScrollBarPart Part) const {
  if (!Enabled()) return false;
  switch (Part) {
    case sbpLeftArrow:
    case sbpLeftTop: return CanScrollUp();
    case sbpRightArrow:
    case sbpRightBottom: return CanScrollDown();
    case sbpRightSndArrow:
      return second_btn_kind_ == sbkCustom     ? true
             : second_btn_kind_ == sbkOpposite ? CanScrollUp()
                                               : CanScrollDown();
    case sbpLeftSndArrow:
      return second_btn_kind_ == sbkCustom     ? true
             : second_btn_kind_ == sbkOpposite ? CanScrollDown()
                                               : CanScrollUp();
    case sbpThumb: return page_ < static_cast<int64_t>(max_) - min_ + 1 && max_ != min_;
    default: return false;
  }
}

void TCustomElScrollBar::StepOf(TElScrollBarPart Part, TElScrollCode& Code, int& NewPos) const {
  auto clamp = [this](int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, min_, max_)); };
  const int64_t pos = position_;
  switch (Part) {
    case sbpLeftArrow:
      Code = escLineUp;
      NewPos = clamp(pos - 1);
      return;
    case sbpRightArrow:
      Code = escLineDown;
      NewPos = clamp(pos + 1);
      return;
    case sbpLeftTop:
      Code = escPageUp;
      NewPos = clamp(pos - page_);
      return;
    case sbpRightBottom:
      Code = escPageDown;
      NewPos = clamp(pos + page_);
      return;
    case sbpRightSndArrow:
      if (second_btn_kind_ == sbkOpposite) {
        Code = escLineUp;
        NewPos = clamp(pos - 1);
      } else if (second_btn_kind_ == sbkPage) {
        Code = escPageDown;
        NewPos = clamp(pos + page_);
      } else {
        Code = escSndLineUp;
        NewPos = position_;
      }
      return;
    case sbpLeftSndArrow:
      if (second_btn_kind_ == sbkOpposite) {
        Code = escLineDown;
        NewPos = clamp(pos + 1);
      } else if (second_btn_kind_ == sbkPage) {
        Code = escPageUp;
        NewPos = clamp(pos - page_);
      } else {
        Code = escSndLineDown;
        NewPos = position_;
      }
      return;
    default:
      Code = escEndScroll;
      NewPos = position_;
      return;
  }
}

void TCustomElScrollBar::Scroll(TElScrollCode Code, int NewPos) {
  bool change = true;
  DoScroll(Code, NewPos, change);
  if (change) {
    SetPosition(NewPos);
    DoChange();
  }
}

void TCustomElScrollBar::RepeatStep() {
  TElScrollCode code;
  int pos;
  StepOf(pressed_part_, code, pos);
  // A page area repeats only while the pointer is still over it.
  if ((pressed_part_ == sbpLeftTop || pressed_part_ == sbpRightBottom) &&
      HitTest(mouse_pos_.X, mouse_pos_.Y) != pressed_part_)
    pos = position_;
  Scroll(code, pos);
}

void TCustomElScrollBar::StartTimer(uint32_t Interval) {
  SetTimer(kScrollRepeatTimer, Interval);
  timer_running_ = true;
}

void TCustomElScrollBar::StopTimer() {
  if (timer_running_) KillTimer(kScrollRepeatTimer);
  timer_running_ = false;
}

// ============================================================== mouse

void TCustomElScrollBar::MouseDownAt(int X, int Y) {
  mouse_pos_ = Point(X, Y);
  TElScrollBarPart part = HitTest(X, Y);
  pressed_part_ = part;
  mouse_part_ = part;
  if (part == sbpNowhere) return;
  bool can = PartCanAct(part);
  if (part == sbpThumb && can) {
    dragging_ = true;
    drag_start_ = Along(X, Y);
    drag_start_position_ = position_;
    drag_start_thumb_ = thumb_start_;
    track_position_ = position_;
    thumb_grab_offset_ = Along(X, Y) - thumb_start_;
    if (show_track_hint_) ShowTrackHintNow();
  }
  if (can || (no_disable_buttons_ && part != sbpThumb)) {
    TControl* previous = GetCaptureControl();
    if (previous != this) saved_capture_ = previous;
    SetMouseCapture(true);
    if (part != sbpThumb) {
      TElScrollCode code;
      int pos;
      StepOf(part, code, pos);
      Scroll(code, pos);
      StartTimer(static_cast<uint32_t>(KeyRepeatTiming(krDelay)));
    }
  } else {
    pressed_part_ = sbpNowhere;
  }
  Invalidate();
}

void TCustomElScrollBar::MouseMoveAt(int X, int Y) {
  mouse_pos_ = Point(X, Y);
  if (pressed_part_ == sbpThumb && dragging_) {
    const int len = Length();
    const int p = Along(X, Y);
    const int old_start = thumb_start_;
    if (p < -len / 2 || p > len + len / 2) {
      // Far away from the bar: back to where the drag started.
      thumb_start_ = drag_start_thumb_;
      track_position_ = drag_start_position_;
    } else {
      const int bs = EffectiveButtonSize();
      const int lo = NearButtons() * bs;
      const int hi = std::max(lo, len - FarButtons() * bs - thumb_length_);
      thumb_start_ = std::clamp(p - thumb_grab_offset_, lo, hi);
      track_position_ = PositionFromThumb(thumb_start_);
    }
    if (!OwnedByTree && Parent() != nullptr) {
      uintptr_t wparam =
          SB_THUMBTRACK | (static_cast<uintptr_t>(static_cast<uint16_t>(track_position_)) << 16);
      Parent()->Perform(kind_ == sbHorizontal ? WM_HSCROLL : WM_VSCROLL, wparam,
                        reinterpret_cast<intptr_t>(this));
    }
    int pos = track_position_;
    bool change = true;
    DoScroll(escTrack, pos, change);
    if (thumb_start_ != old_start) Invalidate();
    if (show_track_hint_) ShowTrackHintNow();
    return;
  }
  TElScrollBarPart part = HitTest(X, Y);
  if (pressed_part_ != sbpNowhere) {
    // The repeat pauses while the pointer is off the held part.
    if (part != pressed_part_ && pressed_part_ != sbpLeftTop && pressed_part_ != sbpRightBottom) {
      StopTimer();
    } else if (!timer_running_) {
      StartTimer(static_cast<uint32_t>(KeyRepeatTiming(krSpeed)));
    }
    if (part != mouse_part_) {
      mouse_part_ = part;
      Invalidate();
    }
    return;
  }
  if (part != mouse_part_) {
    mouse_part_ = part;
    Invalidate();
  }
}

// Ends a held part: the final notification, then the thumb and the look.
void TCustomElScrollBar::ReleaseHeldPart(bool GiveCaptureBack) {
  StopTimer();
  if (GiveCaptureBack && MouseCapture()) {
    TControl* previous = saved_capture_;
    saved_capture_ = nullptr;
    SetMouseCapture(false);
    if (previous != nullptr) previous->SetMouseCapture(true);
  }
  saved_capture_ = nullptr;
  TElScrollBarPart part = pressed_part_;
  pressed_part_ = sbpNowhere;
  if (part == sbpThumb && dragging_) {
    dragging_ = false;
    if (hint_window_) {
      hint_window_->ReleaseHandle();
      hint_window_.reset();
    }
    Scroll(escPosition, track_position_);
  } else if (part != sbpNowhere) {
    Scroll(escEndScroll, position_);
  }
  dragging_ = false;
  UpdateScrollingRegion();
  Invalidate();
}

void TCustomElScrollBar::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (CanFocus() && TabStop()) SetFocus();
      MouseDownAt(Message.XPos(), Message.YPos());
      break;
    case WM_MOUSEMOVE: MouseMoveAt(Message.XPos(), Message.YPos()); break;
    case WM_LBUTTONUP:
      if (pressed_part_ != sbpNowhere || dragging_) ReleaseHeldPart(true);
      break;
    case WM_CAPTURECHANGED:
      if (pressed_part_ != sbpNowhere || dragging_) ReleaseHeldPart(false);
      return;
    case WM_TIMER:
      if (Message.TimerID() == kScrollRepeatTimer) {
        if (pressed_part_ == sbpNowhere || pressed_part_ == sbpThumb) {
          StopTimer();
        } else {
          StartTimer(static_cast<uint32_t>(KeyRepeatTiming(krSpeed)));
          RepeatStep();
        }
        return;
      }
      break;
    case SBM_SETSCROLLINFO: {
      auto* info = reinterpret_cast<const SCROLLINFO*>(Message.LParam);
      Message.Result = info != nullptr ? SetScrollInfo(*info, Message.WParam != 0) : 0;
      return;
    }
    case SBM_GETSCROLLINFO: {
      auto* info = reinterpret_cast<SCROLLINFO*>(Message.LParam);
      Message.Result = info != nullptr && GetScrollInfo(*info) ? 1 : 0;
      return;
    }
    case CM_MOUSEENTER:
      mouse_in_ = true;
      if (flat_ && !active_flat_) Invalidate();
      break;
    case CM_MOUSELEAVE:
      mouse_in_ = false;
      if (pressed_part_ == sbpNowhere) mouse_part_ = sbpNowhere;
      if (flat_ && !active_flat_) Invalidate();
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: Invalidate(); break;
    case WM_SYSCOLORCHANGE:
    case CM_SYSCOLORCHANGE:
    case CM_COLORCHANGED:
      RebuildPattern();
      Invalidate();
      break;
    default: break;
  }
  TCustomControl::WndProc(Message);
}

void TCustomElScrollBar::KeyDown(uint16_t& Key, TShiftState Shift) {
  if ((Shift & (ssShift | ssCtrl | ssAlt)) == 0) {
    TElScrollCode code;
    int64_t pos = position_;
    bool known = true;
    switch (Key) {
      case VK_PRIOR:
        code = escPageUp;
        pos -= page_;
        break;
      case VK_NEXT:
        code = escPageDown;
        pos += page_;
        break;
      case VK_END:
        code = escBottom;
        pos = max_;
        break;
      case VK_HOME:
        code = escTop;
        pos = min_;
        break;
      case VK_LEFT:
      case VK_UP:
        code = escLineUp;
        pos -= 1;
        break;
      case VK_RIGHT:
      case VK_DOWN:
        code = escLineDown;
        pos += 1;
        break;
      default:
        known = false;
        code = escEndScroll;
        break;
    }
    if (known) {
      Scroll(code, static_cast<int>(std::clamp<int64_t>(pos, min_, max_)));
      Key = 0;
      return;
    }
  }
  TCustomControl::KeyDown(Key, Shift);
}

// ============================================================== track hint

TRect TCustomElScrollBar::PlaceTrackHint(const TRect& HintRect, const TPoint& Anchor,
                                         const TRect& Desktop) {
  TRect r = HintRect;
  OffsetRect(r, Anchor.X - 1 - r.Right, Anchor.Y - 1 - r.Bottom);
  if (r.Left < Desktop.Left) OffsetRect(r, Desktop.Left - r.Left, 0);
  if (r.Top < Desktop.Top) OffsetRect(r, 0, Desktop.Top - r.Top);
  if (r.Right > Desktop.Right) OffsetRect(r, Desktop.Right - r.Right, 0);
  if (r.Bottom > Desktop.Bottom) OffsetRect(r, 0, Desktop.Bottom - r.Bottom);
  return r;
}

void TCustomElScrollBar::ShowTrackHintNow() {
  std::string text = std::to_string(track_position_);
  DoHintNeeded(track_position_, text);
  if (!hint_window_) hint_window_ = std::make_unique<TElHintWindow>(nullptr);
  hint_window_->Font()->Assign(Font());
  hint_window_->Font()->SetColor(hint_text_color_);
  hint_window_->SetColor(static_cast<TColor>(Application->HintColor()));
  TRect r = hint_window_->MeasureHint(10000, text);
  TPoint anchor = kind_ == sbVertical ? Point(-2, thumb_start_ - 2) : Point(thumb_start_ - 2, -5);
  anchor = ClientToScreen(anchor);
  TScreenRect d = Screen->DesktopRect();
  hint_window_->ActivateHint(PlaceTrackHint(r, anchor, Rect(d.Left, d.Top, d.Right, d.Bottom)),
                             text);
}

// ============================================================== painting

bool TCustomElScrollBar::FrameRaised(TElScrollBarPart Part) const {
  if (!flat_) return true;
  return mouse_part_ == Part && pressed_part_ == sbpNowhere && mouse_in_ && !active_flat_ &&
         PartCanAct(Part);
}

void TCustomElScrollBar::PaintButton(TCanvas* C, TElScrollBarPart Part, const TRect& R) {
  if (IsRectEmpty(R)) return;
  const bool enabled = PartCanAct(Part);
  const bool pressed = pressed_part_ == Part && mouse_part_ == Part;
  if (owner_draw_ && OnDrawPart) {
    bool default_draw = true;
    OnDrawPart(this, C, R, Part, enabled, Focused(), pressed, default_draw);
    if (!default_draw) return;
  }
  if (draw_arrow_frames_) {
    C->Brush()->SetColor(Color());
    C->Brush()->SetStyle(bsSolid);
    C->FillRect(R);
    PaintButtonFrame(C, R, FrameRaised(Part), thin_frames_, Color(), pressed);
  } else {
    PaintPageArea(C, sbpNowhere, R);
  }
  const bool vertical = kind_ == sbVertical;
  const bool toward_near = Part == sbpLeftArrow ||
                           (Part == sbpRightSndArrow && second_btn_kind_ != sbkPage) ||
                           (Part == sbpLeftSndArrow && second_btn_kind_ == sbkPage);
  TElArrowDirection dir =
      vertical ? (toward_near ? eadUp : eadDown) : (toward_near ? eadLeft : eadRight);
  TColor color = mouse_part_ == Part && mouse_in_ ? arrow_hot_track_color_ : arrow_color_;
  bool page_pair =
      second_btn_kind_ == sbkPage && (Part == sbpLeftSndArrow || Part == sbpRightSndArrow);
  if (page_pair) {
    // Two arrows 3 pixels apart.
    TRect a = R, b = R;
    if (vertical) {
      OffsetRect(a, 0, -2);
      OffsetRect(b, 0, 2);
    } else {
      OffsetRect(a, -2, 0);
      OffsetRect(b, 2, 0);
    }
    DrawArrow(C, dir, a, enabled, color);
    DrawArrow(C, dir, b, enabled, color);
  } else {
    DrawArrow(C, dir, R, enabled || no_disable_buttons_, color);
  }
}

void TCustomElScrollBar::PaintPageArea(TCanvas* C, TElScrollBarPart Part, const TRect& R) {
  if (IsRectEmpty(R)) return;
  if (Part != sbpNowhere && owner_draw_ && OnDrawPart) {
    bool default_draw = true;
    OnDrawPart(this, C, R, Part, PartCanAct(Part), Focused(),
               pressed_part_ == Part && mouse_part_ == Part, default_draw);
    if (!default_draw) return;
  }
  C->Brush()->SetStyle(bsSolid);
  if (Part != sbpNowhere && pressed_part_ == Part && mouse_part_ == Part &&
      change_colors_on_scroll_) {
    C->Brush()->SetColor(ColorToRGB(Color()) == ColorToRGB(clBtnFace)
                             ? ColorToRGB(clBtnShadow)
                             : ShiftLuminance(Color(), false));
    C->FillRect(R);
    return;
  }
  bool dither = (blend_background_ && !system_bk_color_) ||
                (system_bk_color_ && ColorToRGB(clScrollBar) == ColorToRGB(clBtnFace));
  if (dither) {
    C->Brush()->SetBitmap(pattern_.get());
    C->FillRect(R);
    C->Brush()->SetBitmap(nullptr);
  } else {
    C->Brush()->SetColor(system_bk_color_ ? clScrollBar : Color());
    C->FillRect(R);
  }
}

void TCustomElScrollBar::PaintThumb(TCanvas* C, const TRect& R) {
  if (IsRectEmpty(R)) return;
  const bool sunken = dragging_ && !no_sunken_thumb_;
  if (owner_draw_ && OnDrawPart) {
    bool default_draw = true;
    OnDrawPart(this, C, R, sbpThumb, PartCanAct(sbpThumb), Focused(), dragging_, default_draw);
    if (!default_draw) return;
  }
  C->Brush()->SetColor(Color());
  C->Brush()->SetStyle(bsSolid);
  C->FillRect(R);
  if (draw_frames_)
    PaintButtonFrame(C, R, FrameRaised(sbpThumb) || dragging_, thin_frames_, Color(), sunken);
  const bool vertical = kind_ == sbVertical;
  const int len = vertical ? R.Height() : R.Width();
  const int thick = vertical ? R.Width() : R.Height();
  const int inset = bar_offset_ + (draw_frames_ ? 1 : 0);
  if (!draw_bars_ || len <= 14 || thick < 2 * inset + 3) return;
  const int shift = sunken ? 1 : 0;
  const int mid = (vertical ? R.Top : R.Left) + len / 2 + shift;
  C->Pen()->SetColor(bar_color_);
  C->Pen()->SetStyle(psSolid);
  C->Pen()->SetMode(pmCopy);
  C->Pen()->SetWidth(1);
  for (int d : {-3, -1, 1, 3}) {
    if (vertical) {
      C->MoveTo(R.Left + inset + shift, mid + d);
      C->LineTo(R.Right - inset + shift, mid + d);
    } else {
      C->MoveTo(mid + d, R.Top + inset + shift);
      C->LineTo(mid + d, R.Bottom - inset + shift);
    }
  }
}

void TCustomElScrollBar::Paint() {
  TCanvas* c = Canvas();
  if (show_left_arrows_) PaintButton(c, sbpLeftArrow, PartRect(sbpLeftArrow));
  if (show_right_arrows_) PaintButton(c, sbpRightArrow, PartRect(sbpRightArrow));
  if (secondary_buttons_) {
    if (show_left_arrows_) PaintButton(c, sbpLeftSndArrow, PartRect(sbpLeftSndArrow));
    if (show_right_arrows_) PaintButton(c, sbpRightSndArrow, PartRect(sbpRightSndArrow));
  }
  PaintPageArea(c, sbpLeftTop, PartRect(sbpLeftTop));
  if (thumb_length_ > 0) PaintThumb(c, PartRect(sbpThumb));
  PaintPageArea(c, sbpRightBottom, PartRect(sbpRightBottom));
}

// ============================================================== styles

TElScrollBarStyles::TElScrollBarStyles(TCustomElScrollBar* Bar) : bar_(Bar) {
  if (Bar == nullptr)
    throw Exception("No scrollbar specified when attempting to create TElScrollBarStyles instance");
}

void TElScrollBarStyles::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TElScrollBarStyles*>(Source);
  if (s == nullptr) {
    TPersistent::Assign(Source);
    return;
  }
  SetActiveFlat(s->ActiveFlat());
  SetBlendBackground(s->BlendBackground());
  SetColor(s->Color());
  SetFlat(s->Flat());
  SetMinThumbSize(s->MinThumbSize());
  SetOwnerDraw(s->OwnerDraw());
  SetSecondaryButtons(s->SecondaryButtons());
  SetSecondBtnKind(s->SecondBtnKind());
  SetShowTrackHint(s->ShowTrackHint());
  SetThumbMode(s->ThumbMode());
  SetThumbSize(s->ThumbSize());
}

void TElScrollBarStyles::SetWidth(int V) {
  bar_->SetThickness(V);
  if (OnChange) OnChange(this);
}

void TElScrollBarStyles::SetUseSystemMetrics(bool V) {
  if (V == bar_->UseSystemMetrics()) return;
  bar_->SetUseSystemMetrics(V);
  if (OnChange) OnChange(this);
}

}  // namespace lumicast
