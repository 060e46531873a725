// TepBMPSlider: a slider drawn from bitmaps, a ruler image stretched to the
// control's length and a thumb image in a small child window (TSliderThumb)
// that can take the thumb's outline.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "controls/effect_controls.h"
#include "platform/classlib/stream.h"

namespace controls {

class TepBMPSlider;

class TSliderThumb : public classlib::TCustomControl {
 public:
  explicit TSliderThumb(TepBMPSlider* Slider);
  std::string ClassName() const override { return "TSliderThumb"; }
  classlib::TBitmap* Image() const { return image_.get(); }
  void SetImage(classlib::TBitmap* Value);  // nullptr clears
  bool Pressed() const { return pressed_; }
  void SetPressed(bool Value);
  int States() const { return states_; }
  void SetStates(int Value);  // 1 or 2
  bool IsTransparent() const { return transparent_; }
  void SetTransparent(bool Value);
  // Size of one state of the image.
  int ThumbWidth() const;
  int ThumbHeight() const;

 protected:
  void Paint() override;
  void MouseDown(classlib::TMouseButton Button, classlib::TShiftState Shift, int X, int Y) override;
  void MouseMove(classlib::TShiftState Shift, int X, int Y) override;
  void MouseUp(classlib::TMouseButton Button, classlib::TShiftState Shift, int X, int Y) override;

 private:
  void Reshape();
  TepBMPSlider* slider_;
  std::unique_ptr<classlib::TBitmap> image_;
  bool pressed_ = false;
  int states_ = 2;
  bool transparent_ = false;
};

enum class TSliderOrientation { soHorizontal, soVertical };
using enum TSliderOrientation;
enum TSliderOption : uint8_t { soShowFocus = 1, soShowPoints = 2, soSmooth = 4 };
using TSliderOptions = uint8_t;

class TepBMPSlider : public TEffectCControl {
 public:
  explicit TepBMPSlider(classlib::TComponent* AOwner);
  ~TepBMPSlider() override;
  std::string ClassName() const override { return "TepBMPSlider"; }

  bool UseFocusFrame = false;
  classlib::TColor FocusInnerColor = classlib::clBtnHighlight;
  classlib::TColor FocusOuterColor = classlib::clBtnShadow;
  classlib::TColor PointsColor() const { return points_color_; }
  void SetPointsColor(classlib::TColor Value);
  bool ThumbTransparent() const { return thumb_->IsTransparent(); }
  void SetThumbTransparent(bool Value) { thumb_->SetTransparent(Value); }

  // Images by index: 0 horizontal thumb, 1 horizontal ruler, 2 vertical thumb, 3 vertical ruler.
  classlib::TBitmap* Image(int Index) const;
  void SetImage(int Index, classlib::TBitmap* Value);
  classlib::TBitmap* ImageHThumb() const { return Image(0); }
  classlib::TBitmap* ImageHRuler() const { return Image(1); }
  classlib::TBitmap* ImageVThumb() const { return Image(2); }
  classlib::TBitmap* ImageVRuler() const { return Image(3); }
  void SetImageHThumb(classlib::TBitmap* V) { SetImage(0, V); }
  void SetImageHRuler(classlib::TBitmap* V) { SetImage(1, V); }
  void SetImageVThumb(classlib::TBitmap* V) { SetImage(2, V); }
  void SetImageVRuler(classlib::TBitmap* V) { SetImage(3, V); }
  // The "UserImages" property: bit i set when image i was set by the user.
  uint8_t UserImages() const { return user_images_; }
  void ReadUserImages(classlib::TStream* Stream);
  void WriteUserImages(classlib::TStream* Stream);

  int EdgeSize() const { return edge_size_; }
  void SetEdgeSize(int Value);
  int NumThumbStates() const { return thumb_->States(); }
  void SetNumThumbStates(int Value);
  TSliderOrientation Orientation() const { return orientation_; }
  void SetOrientation(TSliderOrientation Value);
  TSliderOptions Options() const { return options_; }
  void SetOptions(TSliderOptions Value);
  int Increment() const { return increment_; }
  void SetIncrement(int Value);
  int MinValue() const { return min_; }
  void SetMinValue(int Value);
  int MaxValue() const { return max_; }
  void SetMaxValue(int Value);
  int Value() const { return value_; }
  void SetValue(int Value);

  classlib::TNotifyEvent OnChange;
  classlib::TNotifyEvent OnDrawPoints;
  classlib::TMouseEvent OnThumbMouseDown;
  classlib::TMouseMoveEvent OnThumbMouseMove;
  classlib::TMouseEvent OnThumbMouseUp;

  int PositionToValue(int Pos) const;
  int ValueToPosition(int Value) const;
  void MoveThumbTo(int Pos);
  // 1 to the minimum, 2 to the maximum, 3 one increment up, 4 one down.
  void Step(int Kind);

  TSliderThumb* Thumb() const { return thumb_; }
  classlib::TBitmap* Ruler() const { return ruler_.get(); }
  classlib::TPoint RulerOrigin() const { return ruler_origin_; }
  classlib::TRect ScaleArea() const { return scale_area_; }
  // Track length: ruler length less thumb length.
  int TrackLength() const;
  bool Dragging() const { return dragging_; }
  bool Tracking() const { return tracking_; }
  bool TimerRunning() const { return timer_running_; }

  // The slider's own picture (background, ruler, marks) as it paints it; the
  // thumb window shows its part of it around the thumb's outline.
  void RenderPicture(classlib::TBitmap* Target);

  // Called by the thumb window.
  void ThumbMouseDown(classlib::TMouseButton Button, classlib::TShiftState Shift, int X, int Y);
  void ThumbMouseMove(classlib::TShiftState Shift, int X, int Y);
  void ThumbMouseUp(classlib::TMouseButton Button, classlib::TShiftState Shift, int X, int Y);

 protected:
  void paintContent(classlib::TBitmap* Target) override;
  void MouseDown(classlib::TMouseButton Button, classlib::TShiftState Shift, int X, int Y) override;
  void MouseMove(classlib::TShiftState Shift, int X, int Y) override;
  void MouseUp(classlib::TMouseButton Button, classlib::TShiftState Shift, int X, int Y) override;
  void KeyDown(uint16_t& Key, classlib::TShiftState Shift) override;
  uint32_t DialogCode() const override { return classlib::DLGC_WANTARROWS; }
  void WMTimer(classlib::TMessage& Message) override;
  void WMSetFocus(classlib::TMessage& Message) override;
  void WMKillFocus(classlib::TMessage& Message) override;
  void Resize() override;
  void Loaded() override;

 private:
  void Layout();
  void RepeatStep();
  int ZoneAt(const classlib::TPoint& P) const;
  int ThumbLength() const;
  int RulerLength() const;
  classlib::TBitmap* CurrentRulerImage() const {
    return Image(orientation_ == soHorizontal ? 1 : 3);
  }
  classlib::TBitmap* CurrentThumbImage() const {
    return Image(orientation_ == soHorizontal ? 0 : 2);
  }
  void DrawDefaultPoints(classlib::TCanvas* Canvas);

  classlib::TColor points_color_ = classlib::clBlack;
  std::unique_ptr<classlib::TBitmap> images_[4];
  uint8_t user_images_ = 0;
  int edge_size_ = 2;
  TSliderOrientation orientation_ = soHorizontal;
  TSliderOptions options_ = soShowFocus | soShowPoints | soSmooth;
  int increment_ = 10;
  int min_ = 0, max_ = 100, value_ = 0;
  std::unique_ptr<classlib::TBitmap> ruler_;
  classlib::TPoint ruler_origin_{6, 6};
  classlib::TRect scale_area_{};
  TSliderThumb* thumb_ = nullptr;
  bool focused_ = false;
  bool dragging_ = false;
  int grab_ = 0;
  bool tracking_ = false;
  bool timer_running_ = false;
  classlib::TPoint last_point_{};
  int press_zone_ = 0;
  bool creating_ = true;
};

}  // namespace controls
