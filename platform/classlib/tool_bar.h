// A tool bar painted by our own code: a row of tool buttons (push, check and
// separator) showing an image from the bar's image list and, with
// ShowCaptions, a caption under it. Each button may be drawn by the bar's
// OnCustomDrawButton handler, which clears DefaultDraw to keep the bar's own
// drawing away.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/classlib/control.h"

namespace classlib {

class TImageList;
class TToolBar;

enum class TToolButtonStyle { tbsButton, tbsCheck, tbsSeparator };
using enum TToolButtonStyle;

// The state a button is drawn in.
using TCustomDrawState = uint8_t;
inline constexpr TCustomDrawState cdsSelected = 1;  // the left button is held on it
inline constexpr TCustomDrawState cdsDisabled = 2;
inline constexpr TCustomDrawState cdsChecked = 4;  // a check button that is down
inline constexpr TCustomDrawState cdsHot = 8;      // the pointer is over it

class TToolButton : public TGraphicControl {
 public:
  explicit TToolButton(TComponent* AOwner);
  ~TToolButton() override;
  std::string ClassName() const override { return "TToolButton"; }

  TToolButtonStyle Style() const { return style_; }
  void SetStyle(TToolButtonStyle Value);
  // A check button that is down (checked).
  bool Down() const { return down_; }
  void SetDown(bool Value);
  // Grouped check buttons next to each other act as radio buttons.
  bool Grouped() const { return grouped_; }
  void SetGrouped(bool Value) { grouped_ = Value; }
  int ImageIndex() const { return image_index_; }
  void SetImageIndex(int Value);
  bool Hot() const { return hot_; }
  bool Pressed() const { return pressed_; }
  TToolBar* Bar() const { return bar_; }
  void Click() override;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void CMMouseEnter(TMessage& Message) override;
  void CMMouseLeave(TMessage& Message) override;
  void CMTextChanged(TMessage& Message) override;

 private:
  friend class TToolBar;
  TToolBar* bar_ = nullptr;
  TToolButtonStyle style_ = tbsButton;
  bool down_ = false;
  bool grouped_ = false;
  int image_index_ = -1;
  bool hot_ = false;
  bool pressed_ = false;   // the left button is held and the pointer is on it
  bool dragging_ = false;  // the left button is held, the pointer may have left
};

using TCustomDrawButtonEvent = std::function<void(TToolBar* Sender, TToolButton* Button,
                                                  TCustomDrawState State, bool& DefaultDraw)>;

class TToolBar : public TCustomControl {
 public:
  explicit TToolBar(TComponent* AOwner);
  ~TToolBar() override;
  std::string ClassName() const override { return "TToolBar"; }

  // A new button at the end of the bar (owned by the bar's owner).
  TToolButton* AddButton(const std::string& Caption, int ImageIndex = -1,
                         TToolButtonStyle Style = tbsButton);
  int ButtonCount() const { return static_cast<int>(buttons_.size()); }
  TToolButton* Buttons(int Index) const;  // EListError out of range

  bool Flat() const { return flat_; }
  void SetFlat(bool Value);
  bool ShowCaptions() const { return show_captions_; }
  void SetShowCaptions(bool Value);
  // Raised and sunken edges around the bar.
  bool Edges() const { return edges_; }
  void SetEdges(bool Value);
  int ButtonWidth() const { return button_width_; }
  void SetButtonWidth(int Value);
  int ButtonHeight() const { return button_height_; }
  void SetButtonHeight(int Value);
  TImageList* Images() const { return images_; }
  void SetImages(TImageList* Value);
  // Images of the button under the pointer (the plain images without).
  TImageList* HotImages() const { return hot_images_; }
  void SetHotImages(TImageList* Value);

  // Places the buttons left to right: a button is ButtonWidth wide, wider
  // when its caption needs it; separators are 8 wide.
  void LayoutButtons();
  // Draws Button (its own client coordinates on Canvas): the handler first,
  // then the bar's own drawing unless the handler cleared DefaultDraw.
  void DrawButton(TToolButton* Button, TCanvas* Canvas);
  TCustomDrawState ButtonState(const TToolButton* Button) const;

  TCustomDrawButtonEvent OnCustomDrawButton;

  void Notification(TComponent* AComponent, TOperation Operation) override;

 protected:
  void Paint() override;
  // Fills the bar's background (Color by default).
  virtual void PaintBackground(TCanvas* Canvas);
  void Resize() override;

 private:
  friend class TToolButton;
  void ButtonFreed(TToolButton* Button);
  std::vector<TToolButton*> buttons_;
  bool flat_ = false;
  bool show_captions_ = false;
  bool edges_ = true;
  int button_width_ = 23;
  int button_height_ = 22;
  TImageList* images_ = nullptr;
  TImageList* hot_images_ = nullptr;
};

}  // namespace classlib
