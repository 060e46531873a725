// The skinned track bar (a bar bitmap and a thumb of the UI style) and the
// skinned scroll bar built from two repeat buttons and such a track, whose
// thumb length shows the page size.
#pragma once

#include <memory>
#include <string>

#include "controls/sui_button.h"
#include "controls/sui_image_panel.h"
#include "platform/classlib/timer.h"

namespace controls {

class TsuiTrackBar : public classlib::TPanel, public IsuiStyled {
 public:
  explicit TsuiTrackBar(classlib::TComponent* AOwner);
  ~TsuiTrackBar() override;
  std::string ClassName() const override { return "TsuiTrackBar"; }

  TsuiUIStyle UIStyle() const { return ui_style_; }
  void SetUIStyle(TsuiUIStyle Value);
  classlib::TPicture* BarImage() { return &bar_image_; }
  classlib::TPicture* SliderImage() { return thumb_->Picture(); }
  int Min() const { return min_; }
  void SetMin(int Value);
  int Max() const { return max_; }
  void SetMax(int Value);
  int Position() const { return position_; }
  void SetPosition(int Value);
  int PageSize() const { return page_size_; }
  // Only 0..100; other values are ignored.
  void SetPageSize(int Value);
  TsuiProgressBarOrientation Orientation() const { return orientation_; }
  void SetOrientation(TsuiProgressBarOrientation Value);
  classlib::TNotifyEvent OnChange;

  // Geometry along the track (x for horizontal bars, y for vertical ones).
  classlib::TPoint ThumbPos() const;
  int ValueAt(int Along) const;
  TsuiImagePanel* Thumb() const { return thumb_; }
  classlib::TTimer* RepeatTimer() const { return repeat_.get(); }
  bool Dragging() const { return dragging_; }
  // Rebuilds the thumb and bar bitmaps, fits the size and repaints.
  void Rebuild();

  uint8_t SuiStyleRows() const override { return srStyle; }
  TsuiUIStyle SuiUIStyle() const override { return ui_style_; }
  void SuiSetUIStyle(TsuiUIStyle Value) override { SetUIStyle(Value); }
  void SuiSetColor(classlib::TColor Value) override { SetColor(Value); }

 protected:
  void Paint() override;
  void WMEraseBkgnd(classlib::TMessage& Message) override { Message.Result = 1; }
  void MouseDown(classlib::TMouseButton Button, classlib::TShiftState Shift, int X, int Y) override;
  void MouseMove(classlib::TShiftState Shift, int X, int Y) override;
  void MouseUp(classlib::TMouseButton Button, classlib::TShiftState Shift, int X, int Y) override;
  void Resize() override;

 private:
  friend class TsuiTrackThumb;
  void ThumbMouseDown(int X, int Y);
  void StepToward(int Along);
  void UpdatePosition();
  void PlaceThumb();
  void Fit();
  int Along(int X, int Y) const { return orientation_ == suiHorizontal ? X : Y; }
  int Length() const { return orientation_ == suiHorizontal ? Width() : Height(); }
  int ThumbLength() const;

  TsuiUIStyle ui_style_ = TsuiUIStyle::Custom;
  classlib::TPicture bar_image_;
  classlib::TBitmap bar_;
  TsuiImagePanel* thumb_ = nullptr;
  int min_ = 0;
  int max_ = 100;
  int position_ = 0;
  int page_size_ = 10;
  int last_reported_ = 0;
  TsuiProgressBarOrientation orientation_ = suiHorizontal;
  bool dragging_ = false;
  int grab_offset_ = 0;
  std::unique_ptr<classlib::TTimer> repeat_;
  bool rebuilding_ = false;
};

// The track of the skinned scroll bar.
class TsuiScrollTrackBar : public TsuiTrackBar {
 public:
  using TsuiTrackBar::TsuiTrackBar;
  std::string ClassName() const override { return "TsuiScrollTrackBar"; }
};

class TsuiScrollBar : public classlib::TPanel, public IsuiStyled {
 public:
  explicit TsuiScrollBar(classlib::TComponent* AOwner);
  std::string ClassName() const override { return "TsuiScrollBar"; }

  int LineButton() const { return line_button_; }
  void SetLineButton(int Value);
  TsuiProgressBarOrientation Orientation() const { return orientation_; }
  void SetOrientation(TsuiProgressBarOrientation Value);
  TsuiUIStyle UIStyle() const { return ui_style_; }
  void SetUIStyle(TsuiUIStyle Value);
  int Min() const { return track_->Min(); }
  void SetMin(int Value) { track_->SetMin(Value); }
  int Max() const { return track_->Max(); }
  void SetMax(int Value) { track_->SetMax(Value); }
  int Position() const { return track_->Position(); }
  void SetPosition(int Value) { track_->SetPosition(Value); }
  int PageSize() const { return track_->PageSize(); }
  void SetPageSize(int Value);
  uint16_t SmallChange() const { return small_change_; }
  void SetSmallChange(uint16_t Value) { small_change_ = Value; }
  uint16_t LargeChange() const { return static_cast<uint16_t>(track_->PageSize()); }
  void SetLargeChange(uint16_t Value) { SetPageSize(Value); }
  void SetOnChange(classlib::TNotifyEvent Handler) { track_->OnChange = std::move(Handler); }
  bool ThumbVisible() const;
  void SetThumbVisible(bool Value);

  TsuiScrollTrackBar* Track() const { return track_; }
  TsuiImageButton* StartButton() const { return start_; }
  TsuiImageButton* EndButton() const { return end_; }
  // Lays out the buttons and the track, then rebuilds the thumb.
  void Layout();
  // The thumb's length along the track.
  int ThumbLength() const;

  uint8_t SuiStyleRows() const override { return srStyle; }
  TsuiUIStyle SuiUIStyle() const override { return ui_style_; }
  void SuiSetUIStyle(TsuiUIStyle Value) override { SetUIStyle(Value); }
  void SuiSetColor(classlib::TColor Value) override { SetColor(Value); }

 protected:
  void Resize() override;
  void ColorChanged() override;

 private:
  void BuildThumb();
  TsuiScrollTrackBar* track_ = nullptr;
  TsuiImageButton* start_ = nullptr;
  TsuiImageButton* end_ = nullptr;
  classlib::TBitmap caps_[3];  // start cap, middle, end cap
  int line_button_ = 0;
  TsuiProgressBarOrientation orientation_ = suiVertical;
  TsuiUIStyle ui_style_ = TsuiUIStyle::Custom;
  uint16_t small_change_ = 1;
  bool laying_out_ = false;
};

}  // namespace controls
