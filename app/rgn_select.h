// TRgnSelect: a picture with one selection rectangle over it that the user moves and resizes
// with the mouse (a dotted frame with eight square handles). The visual selection window uses it
// to pick the crop rectangle on a rendered frame.
//
// The geometry (handle places, hit order, the rectangle a drag gives, normalisation) is kept in
// pure functions so that it can be checked apart from the control. While a drag runs, the drag
// rectangle is part of the control's state and Paint draws it in XOR over the selection; the
// pointer positions a drag uses are clamped to the client area. Losing the mouse capture in
// the middle of a drag cancels it.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "platform/classlib/application.h"
#include "platform/classlib/bitmap.h"
#include "platform/classlib/control.h"
#include "platform/classlib/geometry.h"
#include "platform/classlib/picture.h"

namespace lumicast {

// ---- geometry of a selection ------------------------------------------------------------------

constexpr int kRgnHandleSize = 5;
// Where a point lies: a handle 0..7 (top-left, top-middle, top-right, middle-left,
// middle-right, bottom-left, bottom-middle, bottom-right), the move area, or nowhere.
constexpr int kRgnZoneNone = -1;
constexpr int kRgnZoneMove = 8;

// The eight 5 x 5 handle rectangles (right and bottom exclusive) of a selection.
std::array<classlib::TRect, 8> RgnHandleRects(const classlib::TRect& Selection);
// The zone under P: the move area (the selection minus its handles) first, then the handles
// in index order (with small selections they overlap and the lower index wins).
int RgnHitTest(const classlib::TRect& Selection, const classlib::TPoint& P);
// The rectangle a drag in Zone gives when the pointer went from Press to Now, from the
// selection as it was at the press. Not normalised.
classlib::TRect RgnDragRect(const classlib::TRect& AtPress, int Zone, const classlib::TPoint& Press,
                            const classlib::TPoint& Now);
// R with left/right and top/bottom swapped where they are reversed.
classlib::TRect RgnNormalize(const classlib::TRect& R);
// The cursor shown over a zone.
classlib::TCursor RgnZoneCursor(int Zone);

// ---- the control ------------------------------------------------------------------------------

using TCustomEditingEvent =
    std::function<void(classlib::TObject* Sender, int l, int t, int w, int h)>;
using TCustomEditedEvent =
    std::function<void(classlib::TObject* Sender, int l, int t, int w, int h)>;

class TRgnSelect : public classlib::TGraphicControl {
 public:
  explicit TRgnSelect(classlib::TComponent* AOwner);
  ~TRgnSelect() override;
  std::string ClassName() const override { return "TRgnSelect"; }

  classlib::TPicture* BgPicture() const { return bg_picture_.get(); }
  void SetBgPicture(classlib::TPicture* Value);  // copies; nil clears
  int SelectionX() const { return selection_x_; }
  void SetSelectionX(int Value);
  int SelectionY() const { return selection_y_; }
  void SetSelectionY(int Value);
  int SelectionW() const { return selection_w_; }
  void SetSelectionW(int Value);
  int SelectionH() const { return selection_h_; }
  void SetSelectionH(int Value);
  bool EditMode() const { return edit_mode_; }
  void SetEditMode(bool Value) { edit_mode_ = Value; }

  // The selection rectangle (left, top, right, bottom).
  const classlib::TRect& Selection() const { return selection_; }
  // True between a press on the selection and its release (or a lost capture).
  bool Dragging() const { return drag_ != kRgnZoneNone; }
  // The rectangle of the running drag (not normalised).
  const classlib::TRect& DragRect() const { return drag_rect_; }

  // The control's own mouse events (they carry only the sender).
  classlib::TNotifyEvent OnMouseDown;
  classlib::TNotifyEvent OnMouseMove;
  classlib::TNotifyEvent OnMouseUp;
  classlib::TNotifyEvent OnMouseEnter;
  classlib::TNotifyEvent OnMouseLeave;
  TCustomEditingEvent OnEditing;
  TCustomEditedEvent OnEdited;

 protected:
  void Paint() override;
  void WMLButtonDown(classlib::TMessage& Message) override;
  void WMMouseMove(classlib::TMessage& Message) override;
  void WMLButtonUp(classlib::TMessage& Message) override;
  void WMCancelMode(classlib::TMessage& Message) override;
  void CMMouseEnter(classlib::TMessage& Message) override;
  void CMMouseLeave(classlib::TMessage& Message) override;
  void Dispatch(classlib::TMessage& Message) override;

 private:
  void SelectionChanged();
  void PaintDragRect();
  // P moved into the client area (the confined pointer of a drag).
  classlib::TPoint Clamped(const classlib::TPoint& P) const;
  void EndDrag();
  void CancelDrag();

  std::unique_ptr<classlib::TPicture> bg_picture_;
  std::unique_ptr<classlib::TBitmap> buffer_;
  int selection_x_ = 0, selection_y_ = 0, selection_w_ = 0, selection_h_ = 0;
  bool edit_mode_ = false;
  classlib::TRect selection_{0, 0, 0, 0};
  int drag_ = kRgnZoneNone;  // the zone being dragged
  classlib::TPoint press_{0, 0};
  classlib::TRect at_press_{0, 0, 0, 0};
  classlib::TRect drag_rect_{0, 0, 0, 0};
  classlib::TPoint release_{0, 0};
  bool ending_drag_ = false;
  bool buffer_valid_ = false;  // the buffer holds the picture and selection as they are
};

}  // namespace lumicast
