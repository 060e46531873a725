// The control drag inside the program: a source control starts a drag, the
// pointer's moves find the control under it and ask it (CM_DRAG) whether it
// takes the drop, a drag image follows the pointer, the button's release drops
// and Escape cancels.
#pragma once

#include <functional>
#include <memory>

#include "platform/classlib/application.h"
#include "platform/classlib/control.h"
#include "platform/classlib/geometry.h"

namespace classlib {

class TImageList;

// CM_DRAG: WParam is a TDragMessage, LParam points to a TDragRec.
inline constexpr uint32_t CM_DRAG = CM_BASE + 41;
enum TDragMessage { dmDragEnter, dmDragLeave, dmDragMove, dmDragDrop, dmDragCancel };
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };

class TDragObject : public TObject {
 public:
  explicit TDragObject(TControl* Control) : control_(Control) {}
  std::string ClassName() const override { return "TDragObject"; }
  TControl* Control() const { return control_; }
  // The pointer's cursor while over a target that accepts or refuses.
  virtual TCursor GetDragCursor(bool Accepted, int X, int Y);
  // The images shown under the pointer (nullptr: none) and the hot spot.
  virtual TImageList* GetDragImages() { return images_; }
  void SetDragImages(TImageList* Images, const TPoint& HotSpot) {
    images_ = Images;
    hot_spot_ = HotSpot;
  }
  TPoint HotSpot() const { return hot_spot_; }
  TCursor DragCursor = crDrag;

 private:
  TControl* control_;
  TImageList* images_ = nullptr;
  TPoint hot_spot_{0, 0};
};

struct TDragRec {
  TPoint Pos;  // in the target's client coordinates
  TDragObject* Source = nullptr;
  bool Accept = false;  // the target's answer to dmDragEnter / dmDragMove
};

using TStartDragEvent = std::function<void(TObject* Sender, TDragObject*& DragObject)>;
using TDragOverEvent = std::function<void(TObject* Sender, TObject* Source, int X, int Y,
                                          TDragState State, bool& Accept)>;
using TDragDropEvent = std::function<void(TObject* Sender, TObject* Source, int X, int Y)>;
using TEndDragEvent = std::function<void(TObject* Sender, TObject* Target, int X, int Y)>;

// Starts a drag from Source with DragObject (owned by the drag from now on).
// Finished (dropped or cancelled) tells the source the target and the point.
void BeginDrag(TControl* Source, std::unique_ptr<TDragObject> DragObject,
               std::function<void(TControl* Target, int X, int Y, bool Dropped)> Finished);
bool Dragging();
TDragObject* CurrentDragObject();
TControl* CurrentDragTarget();
// Moves the drag to a point of Source's client area / ends it.
void DragTo(const TPoint& SourcePoint);
void EndDrag(bool Drop);
// Hides or shows the image under the pointer (while a target repaints).
void ShowDragImage(bool Show);
bool DragImageShown();
// The control that a drag over Source's client point is asked about.
TControl* FindDragTarget(TControl* Source, const TPoint& SourcePoint);
// Called by every control's message path: while a drag runs, the source's
// mouse moves, button release and Escape drive it. True when consumed.
bool DragFilter(TControl* Control, TMessage& Message);

}  // namespace classlib
