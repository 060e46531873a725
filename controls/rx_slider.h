// TRxSlider: a track bar drawn from bitmaps. A ruler image is stretched to the
// control's length (its ends kept, its middle repeated) and a thumb image is
// dragged, paged with a repeating timer, or moved with the keyboard between
// MinValue and MaxValue. Images the user does not supply come from the
// program's "W95_*" bitmaps.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "controls/bmp_slider.h"
#include "platform/classlib/application.h"
#include "platform/classlib/control.h"

namespace classlib {
class TBitmap;
class TStream;
}  // namespace classlib

namespace controls {

// Options beyond those the bitmap sliders share: draw the ruler or the thumb
// without leaving out their transparent colour.
enum : uint8_t { soRulerOpaque = 8, soThumbOpaque = 16 };

enum class TSliderBevelStyle { bvNone, bvLowered, bvRaised };

// The hand cursor shown over the thumb.
inline constexpr classlib::TCursor kHandCursor = 14000;

class TRxSlider : public classlib::TCustomControl {
 public:
  explicit TRxSlider(classlib::TComponent* AOwner);
  ~TRxSlider() override;
  std::string ClassName() const override { return "TRxSlider"; }

  int Value() const { return value_; }
  void SetValue(int Value);
  int MinValue() const { return min_; }
  void SetMinValue(int Value);
  int MaxValue() const { return max_; }
  void SetMaxValue(int Value);
  // Raises "Value must be between 1 and <range>" outside 1..range (not while
  // loading).
  int Increment() const { return increment_; }
  void SetIncrement(int Value);
  int EdgeSize() const { return edge_size_; }
  void SetEdgeSize(int Value);
  int NumThumbStates() const { return num_thumb_states_; }
  void SetNumThumbStates(int Value);
  TSliderOrientation Orientation() const { return orientation_; }
  void SetOrientation(TSliderOrientation Value);
  TSliderBevelStyle BevelStyle() const { return bevel_style_; }
  void SetBevelStyle(TSliderBevelStyle Value);
  uint8_t Options() const { return options_; }
  void SetOptions(uint8_t Value);

  // 0 horizontal thumb, 1 horizontal ruler, 2 vertical thumb, 3 vertical
  // ruler. Setting copies the bitmap and marks it user-supplied; null puts
  // the built-in picture back.
  classlib::TBitmap* Image(int Index) const;
  void SetImage(int Index, classlib::TBitmap* Value);
  // Which images are user-supplied (bit i for image i), as stored with forms.
  uint8_t UserImages() const { return user_images_; }
  void ReadUserImages(classlib::TStream* Stream);
  void WriteUserImages(classlib::TStream* Stream);

  // Layout, exposed for tests and for callers placing marks.
  classlib::TRect ThumbRect() const;
  classlib::TRect RulerRect() const;
  bool Dragging() const { return dragging_; }
  bool TimerRunning() const { return timer_running_; }

  classlib::TNotifyEvent OnChange;
  classlib::TNotifyEvent OnChanged;
  classlib::TNotifyEvent OnDrawPoints;

 protected:
  void Paint() override;
  void Loaded() override;
  void Resize() override;
  void MouseDown(classlib::TMouseButton Button, classlib::TShiftState Shift, int X, int Y) override;
  void MouseMove(classlib::TShiftState Shift, int X, int Y) override;
  void MouseUp(classlib::TMouseButton Button, classlib::TShiftState Shift, int X, int Y) override;
  void KeyDown(uint16_t& Key, classlib::TShiftState Shift) override;
  void WndProc(classlib::TMessage& Message) override;

 private:
  bool Horizontal() const { return orientation_ == soHorizontal; }
  classlib::TBitmap* ThumbImage() const { return images_[Horizontal() ? 0 : 2].get(); }
  classlib::TBitmap* RulerImage() const { return images_[Horizontal() ? 1 : 3].get(); }
  void LoadBuiltIn(int Index);
  void SetRange(int Min, int Max);
  void Layout();
  void BuildRuler();
  classlib::TRect Inner() const;  // client area less the bevel
  int Inset() const { return bevel_style_ == TSliderBevelStyle::bvNone ? 0 : 1; }
  int ThumbLength() const;
  int Travel() const;
  int PositionOf(int V) const;
  int ValueOf(int P) const;
  void MoveThumbTo(int P);
  void Step(int Kind);
  void DrawTicks(classlib::TCanvas* C);
  bool BeyondThumb(const classlib::TPoint& P) const;

  std::array<std::unique_ptr<classlib::TBitmap>, 4> images_;
  std::unique_ptr<classlib::TBitmap> ruler_;
  uint8_t user_images_ = 0;
  int value_ = 0;
  int min_ = 0;
  int max_ = 100;
  int increment_ = 10;
  int edge_size_ = 2;
  int num_thumb_states_ = 2;
  TSliderOrientation orientation_ = soHorizontal;
  TSliderBevelStyle bevel_style_ = TSliderBevelStyle::bvNone;
  uint8_t options_ = soShowFocus | soShowPoints | soSmooth;
  classlib::TPoint ruler_origin_{0, 0};
  classlib::TRect thumb_{0, 0, 0, 0};
  classlib::TRect ticks_{0, 0, 0, 0};
  bool dragging_ = false;
  bool pressed_ = false;
  int drag_offset_ = 0;
  bool timer_running_ = false;
  classlib::TPoint last_point_{0, 0};
  int direction_ = 0;
  classlib::TCursor own_cursor_ = 0;
};

}  // namespace controls
