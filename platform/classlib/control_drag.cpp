#include "platform/classlib/control_drag.h"

#include "platform/classlib/canvas.h"
#include "platform/classlib/hint_window.h"
#include "platform/classlib/image_list.h"

namespace classlib {

namespace {

// The picture under the pointer: the drag images' first image.
class TDragImageWindow : public THintWindow {
 public:
  TDragImageWindow() : THintWindow(nullptr) {}
  TImageList* images = nullptr;

 protected:
  void Paint() override {
    if (images != nullptr && images->Count() > 0) images->Draw(Canvas(), 0, 0, 0);
  }
};

struct DragState {
  TControl* source = nullptr;
  std::unique_ptr<TDragObject> object;
  std::function<void(TControl*, int, int, bool)> finished;
  TControl* target = nullptr;
  bool accepted = false;
  TPoint last{0, 0};
  std::unique_ptr<TDragImageWindow> image;
  bool image_shown = false;
};

DragState* g_drag = nullptr;

TPoint TargetPoint(TControl* Source, TControl* Target, const TPoint& SourcePoint) {
  return Target->ScreenToClient(Source->ClientToScreen(SourcePoint));
}

void Send(TControl* Target, TDragMessage Msg, TDragRec& Rec) {
  Target->Perform(CM_DRAG, static_cast<uintptr_t>(Msg), reinterpret_cast<intptr_t>(&Rec));
}

void PlaceImage() {
  DragState& d = *g_drag;
  TImageList* images = d.object->GetDragImages();
  if (images == nullptr || images->Count() == 0 || !d.image_shown) {
    if (d.image) d.image->ReleaseHandle();
    return;
  }
  if (!d.image) d.image = std::make_unique<TDragImageWindow>();
  d.image->images = images;
  TPoint screen = d.source->ClientToScreen(d.last);
  TPoint hot = d.object->HotSpot();
  d.image->ActivateHint(
      Bounds(screen.X - hot.X, screen.Y - hot.Y, images->Width(), images->Height()), "");
}

}  // namespace

TCursor TDragObject::GetDragCursor(bool Accepted, int, int) {
  return Accepted ? DragCursor : crNoDrop;
}

bool Dragging() { return g_drag != nullptr; }
TDragObject* CurrentDragObject() { return g_drag ? g_drag->object.get() : nullptr; }
TControl* CurrentDragTarget() { return g_drag ? g_drag->target : nullptr; }

TControl* FindDragTarget(TControl* Source, const TPoint& SourcePoint) {
  TControl* top = Source;
  while (top->Parent() != nullptr) top = top->Parent();
  TPoint screen = Source->ClientToScreen(SourcePoint);
  TControl* found = nullptr;
  TControl* at = top;
  while (at != nullptr) {
    TPoint p = at->ScreenToClient(screen);
    if (p.X < 0 || p.Y < 0 || p.X >= at->ClientWidth() || p.Y >= at->ClientHeight()) break;
    found = at;
    auto* container = dynamic_cast<TWinControl*>(at);
    at = container ? container->ControlAtPos(p, false, true) : nullptr;
  }
  return found;
}

void BeginDrag(TControl* Source, std::unique_ptr<TDragObject> DragObject,
               std::function<void(TControl*, int, int, bool)> Finished) {
  if (g_drag != nullptr) EndDrag(false);
  g_drag = new DragState;
  g_drag->source = Source;
  g_drag->object = std::move(DragObject);
  g_drag->finished = std::move(Finished);
  g_drag->image_shown = true;
  Source->SetMouseCapture(true);
}

void DragTo(const TPoint& SourcePoint) {
  if (g_drag == nullptr) return;
  DragState& d = *g_drag;
  d.last = SourcePoint;
  TControl* target = FindDragTarget(d.source, SourcePoint);
  if (target != d.target) {
    if (d.target != nullptr) {
      TDragRec leave{TargetPoint(d.source, d.target, SourcePoint), d.object.get(), false};
      Send(d.target, dmDragLeave, leave);
    }
    d.target = target;
    d.accepted = false;
    if (target != nullptr) {
      TDragRec enter{TargetPoint(d.source, target, SourcePoint), d.object.get(), false};
      Send(target, dmDragEnter, enter);
    }
  }
  if (g_drag == nullptr) return;  // a handler ended the drag
  if (d.target != nullptr) {
    TDragRec move{TargetPoint(d.source, d.target, SourcePoint), d.object.get(), false};
    Send(d.target, dmDragMove, move);
    if (g_drag == nullptr) return;
    d.accepted = move.Accept;
  }
  Screen->SetCursor(d.object->GetDragCursor(d.accepted, SourcePoint.X, SourcePoint.Y));
  PlaceImage();
}

void EndDrag(bool Drop) {
  if (g_drag == nullptr) return;
  std::unique_ptr<DragState> d(g_drag);
  g_drag = nullptr;
  if (d->image) d->image->ReleaseHandle();
  Screen->SetCursor(crDefault);
  if (d->source->MouseCapture()) d->source->SetMouseCapture(false);
  bool dropped = Drop && d->target != nullptr && d->accepted;
  TPoint at{0, 0};
  if (d->target != nullptr) {
    at = TargetPoint(d->source, d->target, d->last);
    TDragRec rec{at, d->object.get(), d->accepted};
    Send(d->target, dropped ? dmDragDrop : dmDragCancel, rec);
  }
  if (d->finished) d->finished(dropped ? d->target : nullptr, at.X, at.Y, dropped);
}

void ShowDragImage(bool Show) {
  if (g_drag == nullptr) return;
  g_drag->image_shown = Show;
  PlaceImage();
}

bool DragImageShown() { return g_drag != nullptr && g_drag->image_shown; }

bool DragFilter(TControl* Control, TMessage& Message) {
  if (g_drag == nullptr || Control != g_drag->source) return false;
  switch (Message.Msg) {
    case WM_MOUSEMOVE: DragTo(TPoint{Message.XPos(), Message.YPos()}); return true;
    case WM_LBUTTONUP:
      DragTo(TPoint{Message.XPos(), Message.YPos()});
      EndDrag(true);
      return true;
    case WM_KEYDOWN:
      if (Message.CharCode() == VK_ESCAPE) {
        EndDrag(false);
        return true;
      }
      return false;
    case WM_CANCELMODE: EndDrag(false); return false;
    default: return false;
  }
}

}  // namespace classlib
