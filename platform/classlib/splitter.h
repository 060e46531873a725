// TSplitter: a bar between two aligned controls that the user drags to share the space
// between them. The splitter resizes the control aligned the same way on its near side (for
// a splitter aligned to the top, the top-aligned control just above it); neither that control
// nor the space left beyond the splitter becomes smaller than MinSize.
#pragma once

#include <string>

#include "platform/classlib/control.h"

namespace classlib {

class TSplitter : public TGraphicControl {
 public:
  explicit TSplitter(TComponent* AOwner);
  std::string ClassName() const override { return "TSplitter"; }

  int MinSize() const { return min_size_; }
  void SetMinSize(int Value) { min_size_ = Value < 1 ? 1 : Value; }

  // The control the splitter resizes now (null when none touches it).
  TControl* ResizedControl() const;

  // Raised after a drag changed the size.
  TNotifyEvent OnMoved;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

 private:
  bool Vertical() const;  // aligned to the top or the bottom: moves up and down
  // The size the resized control may take at most: what its parent leaves it beside the other
  // controls aligned the same way, less MinSize for the space beyond the splitter.
  int MaxSize(const TControl* Target) const;
  int min_size_ = 30;
  TControl* target_ = nullptr;
  int down_pos_ = 0;    // pointer position in the parent at the press
  int start_size_ = 0;  // the target's size at the press
  bool dragging_ = false;
};

}  // namespace classlib
