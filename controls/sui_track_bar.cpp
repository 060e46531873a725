#include "controls/sui_track_bar.h"

#include <algorithm>

#include "controls/sui_public.h"
#include "controls/sui_skin_bitmap.h"
#include "platform/classlib/bitmap.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/mouse.h"

namespace controls {

using namespace classlib;

namespace {

bool LoadStyleBitmap(TBitmap* Bitmap, TsuiUIStyle Style, int Number) {
  return LoadSkinBitmap(Bitmap, GetThemeResName(Style, Number));
}

void LoadStylePicture(TPicture* Picture, TsuiUIStyle Style, int Number) {
  TBitmap b;
  if (LoadStyleBitmap(&b, Style, Number))
    Picture->SetGraphic(&b);
  else
    Picture->SetGraphic(nullptr);
}

}  // namespace

// The thumb: an image panel whose mouse-down the track handles.
class TsuiTrackThumb : public TsuiImagePanel {
 public:
  TsuiTrackThumb(TComponent* AOwner, TsuiTrackBar* Track) : TsuiImagePanel(AOwner), track_(Track) {}

 protected:
  void MouseDown(TMouseButton Button, TShiftState, int X, int Y) override {
    if (Button == TMouseButton::mbLeft) track_->ThumbMouseDown(X, Y);
  }
  void MouseMove(TShiftState Shift, int X, int Y) override {
    track_->MouseMove(Shift, X + Left(), Y + Top());
  }
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override {
    track_->MouseUp(Button, Shift, X + Left(), Y + Top());
  }

 private:
  TsuiTrackBar* track_;
};

// ---------------------------------------------------------------------------
// TsuiTrackBar

TsuiTrackBar::TsuiTrackBar(TComponent* AOwner) : TPanel(AOwner) {
  SetControlStyle(ControlStyle() & ~csAcceptsControls);
  SetBevelOuter(bvNone);
  thumb_ = new TsuiTrackThumb(this, this);
  thumb_->SetParent(this);
  thumb_->SetAutoSize(true);
  thumb_->SetTransparent(true);
  thumb_->Picture()->OnChange = [this](TObject*) {
    if (TGraphic* g = thumb_->Picture()->Graphic(); g && !g->Empty())
      thumb_->SetBounds(thumb_->Left(), thumb_->Top(), g->Width(), g->Height());
    thumb_->Invalidate();
    if (!rebuilding_) Rebuild();
  };
  bar_image_.OnChange = [this](TObject*) {
    if (!rebuilding_) Rebuild();
  };
  SetBounds(Left(), Top(), 150, 30);
  Rebuild();
}

TsuiTrackBar::~TsuiTrackBar() = default;

int TsuiTrackBar::ThumbLength() const {
  return orientation_ == suiHorizontal ? thumb_->Width() : thumb_->Height();
}

TPoint TsuiTrackBar::ThumbPos() const {
  const int tl = ThumbLength();
  const int across = orientation_ == suiHorizontal ? std::max(Height() - thumb_->Height(), 0) / 2
                                                   : std::max(Width() - thumb_->Width(), 0) / 2;
  int along = 0;
  if (max_ != min_)
    along =
        static_cast<int>(static_cast<int64_t>(position_ - min_) * (Length() - tl) / (max_ - min_));
  return orientation_ == suiHorizontal ? TPoint{along, across} : TPoint{across, along};
}

int TsuiTrackBar::ValueAt(int AlongPos) const {
  const int span = Length() - ThumbLength();
  if (span <= 0) return min_;
  return min_ + static_cast<int>(static_cast<int64_t>(AlongPos - ThumbLength() / 2) *
                                 (max_ - min_) / span);
}

void TsuiTrackBar::PlaceThumb() {
  const TPoint p = ThumbPos();
  thumb_->SetBounds(p.X, p.Y, thumb_->Width(), thumb_->Height());
}

void TsuiTrackBar::UpdatePosition() {
  if (position_ == last_reported_) return;
  PlaceThumb();
  Invalidate();
  if (OnChange) OnChange(this);
  last_reported_ = position_;
}

void TsuiTrackBar::SetPosition(int Value) {
  position_ = std::clamp(Value, std::min(min_, max_), std::max(min_, max_));
  UpdatePosition();
}

void TsuiTrackBar::SetMin(int Value) {
  if (Value == min_) return;
  min_ = Value;
  PlaceThumb();
  UpdatePosition();
}

void TsuiTrackBar::SetMax(int Value) {
  if (Value == max_) return;
  max_ = Value;
  PlaceThumb();
  UpdatePosition();
}

void TsuiTrackBar::SetPageSize(int Value) {
  if (Value < 0 || Value > 100) return;
  page_size_ = Value;
}

void TsuiTrackBar::SetOrientation(TsuiProgressBarOrientation Value) {
  if (orientation_ == Value) return;
  orientation_ = Value;
  Rebuild();
}

void TsuiTrackBar::SetUIStyle(TsuiUIStyle Value) {
  if (ui_style_ == Value) return;
  ui_style_ = Value;
  if (Value != TsuiUIStyle::Custom) SetColor(GetThemeColor(Value, 79));
  Rebuild();
}

void TsuiTrackBar::Rebuild() {
  if (rebuilding_ || !thumb_) return;
  rebuilding_ = true;
  try {
    const bool horizontal = orientation_ == suiHorizontal;
    if (ui_style_ != TsuiUIStyle::Custom) {
      LoadStylePicture(&bar_image_, ui_style_, horizontal ? 75 : 77);
      LoadStylePicture(thumb_->Picture(), ui_style_, horizontal ? 76 : 78);
      if (TGraphic* g = thumb_->Picture()->Graphic())
        thumb_->SetBounds(thumb_->Left(), thumb_->Top(), g->Width(), g->Height());
    }
    bar_.SetSize(0, 0);
    auto* image = dynamic_cast<TBitmap*>(bar_image_.Graphic());
    if (image && !image->Empty()) {
      if (ui_style_ != TsuiUIStyle::Custom) {
        const int length = std::max(Length(), 1);
        bar_.SetPixelFormat(pf24bit);
        bar_.SetSize(length, image->Height());
        DrawThreePartBitmap(image, bar_.Canvas(), TRect{0, 0, length, image->Height()}, false);
      } else {
        bar_.Assign(image);
      }
      if (!horizontal) RotateBitmapLeft(&bar_);
    }
    Fit();
    PlaceThumb();
  } catch (...) {
    rebuilding_ = false;
    throw;
  }
  rebuilding_ = false;
  Invalidate();
}

void TsuiTrackBar::Fit() {
  TGraphic* g = bar_image_.Graphic();
  const int bar = g && !g->Empty() ? g->Height() : 0;
  if (orientation_ == suiHorizontal) {
    const int h = std::max(bar, thumb_->Height());
    if (h > 0 && h != Height()) SetBounds(Left(), Top(), Width(), h);
  } else {
    const int w = std::max(bar, thumb_->Width());
    if (w > 0 && w != Width()) SetBounds(Left(), Top(), w, Height());
  }
}

void TsuiTrackBar::Resize() {
  TPanel::Resize();
  if (!rebuilding_) Rebuild();
}

void TsuiTrackBar::Paint() {
  TCanvas* c = Canvas();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(Color());
  c->FillRect(ClientRect());
  if (bar_.Empty()) return;
  if (orientation_ == suiHorizontal)
    c->Draw(0, (Height() - bar_.Height()) / 2, &bar_);
  else
    c->Draw((Width() - bar_.Width()) / 2, 0, &bar_);
}

void TsuiTrackBar::StepToward(int AlongPos) {
  const int thumb_start = orientation_ == suiHorizontal ? thumb_->Left() : thumb_->Top();
  if (AlongPos >= thumb_start + ThumbLength())
    SetPosition(std::min(position_ + page_size_, ValueAt(AlongPos)));
  else if (AlongPos < thumb_start)
    SetPosition(std::max(position_ - page_size_, ValueAt(AlongPos)));
}

void TsuiTrackBar::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == TMouseButton::mbLeft) {
    StepToward(Along(X, Y));
    if (!repeat_) {
      repeat_ = std::make_unique<TTimer>(nullptr);
      repeat_->SetInterval(500);
      repeat_->SetOnTimer([this](TObject*) {
        const TPoint p = ScreenToClient(Mouse()->CursorPos());
        StepToward(Along(p.X, p.Y));
      });
      repeat_->SetEnabled(true);
    }
  }
  TPanel::MouseDown(Button, Shift, X, Y);
}

void TsuiTrackBar::ThumbMouseDown(int X, int Y) {
  grab_offset_ = Along(X, Y);
  dragging_ = true;
  SetCaptureControl(thumb_);
}

void TsuiTrackBar::MouseMove(TShiftState Shift, int X, int Y) {
  if (dragging_) {
    const int along = Along(X, Y);
    const int span = std::max(Length() - ThumbLength(), 0);
    const int start = std::clamp(along - grab_offset_, 0, span);
    if (orientation_ == suiHorizontal)
      thumb_->SetBounds(start, thumb_->Top(), thumb_->Width(), thumb_->Height());
    else
      thumb_->SetBounds(thumb_->Left(), start, thumb_->Width(), thumb_->Height());
    if (position_ != last_reported_) {
      if (OnChange) OnChange(this);
      last_reported_ = position_;
    }
    position_ = std::clamp(ValueAt(along), std::min(min_, max_), std::max(min_, max_));
  } else if (X < 0 || Y < 0 || X > Width() || Y > Height()) {
    repeat_.reset();
  }
  TPanel::MouseMove(Shift, X, Y);
}

void TsuiTrackBar::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == TMouseButton::mbLeft) {
    repeat_.reset();
    if (dragging_) {
      dragging_ = false;
      if (GetCaptureControl() == thumb_) SetCaptureControl(nullptr);
    }
  }
  TPanel::MouseUp(Button, Shift, X, Y);
}

// ---------------------------------------------------------------------------
// TsuiScrollBar

TsuiScrollBar::TsuiScrollBar(TComponent* AOwner) : TPanel(AOwner) {
  SetBevelOuter(bvNone);
  SetBounds(Left(), Top(), 17, 185);
  track_ = new TsuiScrollTrackBar(this);
  track_->SetParent(this);
  track_->SetOrientation(orientation_);
  start_ = new TsuiImageButton(this);
  start_->SetParent(this);
  end_ = new TsuiImageButton(this);
  end_->SetParent(this);
  for (TsuiImageButton* b : {start_, end_}) {
    b->SetAutoSize(true);
    b->SetBounds(0, 0, 17, 17);
  }
  start_->OnMouseContinuouslyDown = [this](TObject*) { SetPosition(Position() - small_change_); };
  end_->OnMouseContinuouslyDown = [this](TObject*) { SetPosition(Position() + small_change_); };
  Layout();
}

void TsuiScrollBar::Layout() {
  if (laying_out_ || !track_ || !start_ || !end_) return;
  laying_out_ = true;
  if (orientation_ == suiVertical) {
    const int w = start_->Width();
    if (w > 0 && w != Width()) SetBounds(Left(), Top(), w, Height());
    start_->SetBounds(0, 0, start_->Width(), start_->Height());
    const int track_h = std::max(Height() - start_->Height() - end_->Height() - 1, 0);
    track_->SetBounds(0, start_->Height(), Width(), track_h);
    end_->SetBounds(0, Height() - end_->Height(), end_->Width(), end_->Height());
  } else {
    const int h = start_->Height();
    if (h > 0 && h != Height()) SetBounds(Left(), Top(), Width(), h);
    start_->SetBounds(0, 0, start_->Width(), start_->Height());
    const int track_w = std::max(Width() - start_->Width() - end_->Width(), 0);
    track_->SetBounds(start_->Width(), 0, track_w, Height());
    end_->SetBounds(Width() - end_->Width(), 0, end_->Width(), end_->Height());
  }
  laying_out_ = false;
  BuildThumb();
}

void TsuiScrollBar::Resize() {
  TPanel::Resize();
  if (track_ && start_ && end_) Layout();
}

void TsuiScrollBar::ColorChanged() {
  TPanel::ColorChanged();
  if (track_) track_->SetColor(Color());
}

void TsuiScrollBar::SetOrientation(TsuiProgressBarOrientation Value) {
  if (orientation_ == Value) return;
  orientation_ = Value;
  track_->SetOrientation(Value);
  if (ui_style_ != TsuiUIStyle::Custom) {
    const TsuiUIStyle s = ui_style_;
    ui_style_ = TsuiUIStyle::Custom;
    SetUIStyle(s);  // the caps turn with the bar
  }
  Layout();
}

void TsuiScrollBar::SetLineButton(int Value) {
  if (Value == line_button_) return;
  line_button_ = Value;
  BuildThumb();
}

void TsuiScrollBar::SetPageSize(int Value) {
  track_->SetPageSize(Value);
  BuildThumb();
}

int TsuiScrollBar::ThumbLength() const {
  if (line_button_ > 0) return std::max(line_button_, 18);
  int page = track_->PageSize();
  if (page < 10 || page > 100) page = 10;
  const int length = orientation_ == suiVertical ? track_->Height() : track_->Width();
  return length * page / 100;
}

bool TsuiScrollBar::ThumbVisible() const { return track_->Thumb()->Visible(); }
void TsuiScrollBar::SetThumbVisible(bool Value) { track_->Thumb()->SetVisible(Value); }

void TsuiScrollBar::SetUIStyle(TsuiUIStyle Value) {
  if (ui_style_ == Value) return;
  ui_style_ = Value;
  if (Value == TsuiUIStyle::Custom) return;
  SetColor(GetThemeColor(Value, 84));
  track_->SetColor(Color());
  track_->BarImage()->SetGraphic(nullptr);
  track_->SliderImage()->SetGraphic(nullptr);
  TBitmap strip;
  if (LoadStyleBitmap(&strip, Value, 91)) {
    RotateBitmapLeft(&strip);
    const int cell = strip.Width() / 3;
    for (int i = 0; i < 3; ++i) {
      caps_[i].SetPixelFormat(pf24bit);
      caps_[i].SetSize(cell, strip.Height());
      caps_[i].Canvas()->CopyRect(TRect{0, 0, cell, strip.Height()}, strip.Canvas(),
                                  TRect{i * cell, 0, (i + 1) * cell, strip.Height()});
      if (orientation_ == suiVertical) RotateBitmapRight(&caps_[i]);
    }
  } else {
    for (auto& cap : caps_) cap.SetSize(0, 0);
  }
  const int pics[2][3] = {{85, 86, 87}, {88, 89, 90}};
  TsuiImageButton* buttons[2] = {start_, end_};
  for (int b = 0; b < 2; ++b) {
    LoadStylePicture(buttons[b]->PicNormal(), Value, pics[b][0]);
    LoadStylePicture(buttons[b]->PicMouseOn(), Value, pics[b][1]);
    LoadStylePicture(buttons[b]->PicMouseDown(), Value, pics[b][2]);
  }
  Layout();
}

void TsuiScrollBar::BuildThumb() {
  if (caps_[0].Empty() || caps_[1].Empty() || caps_[2].Empty()) return;
  const bool vertical = orientation_ == suiVertical;
  const int thickness = vertical ? caps_[0].Width() : caps_[0].Height();
  const int length = std::max(ThumbLength(), 1);
  const int start = vertical ? caps_[0].Height() : caps_[0].Width();
  const int end = vertical ? caps_[2].Height() : caps_[2].Width();
  TBitmap thumb;
  thumb.SetPixelFormat(pf24bit);
  if (vertical) {
    thumb.SetSize(thickness, length);
    TCanvas* c = thumb.Canvas();
    c->StretchDraw(TRect{0, start, thickness, std::max(length - end, start)}, &caps_[1]);
    c->Draw(0, 0, &caps_[0]);
    c->Draw(0, length - end, &caps_[2]);
  } else {
    thumb.SetSize(length, thickness);
    TCanvas* c = thumb.Canvas();
    c->StretchDraw(TRect{start, 0, std::max(length - end, start), thickness}, &caps_[1]);
    c->Draw(0, 0, &caps_[0]);
    c->Draw(length - end, 0, &caps_[2]);
  }
  track_->SliderImage()->SetGraphic(&thumb);
}

}  // namespace controls
