// Dragging rows: the drag image of the selected rows, the drop target under
// the pointer with its feedback, scrolling at the view's edges and expanding a
// target held under the pointer.
#include <algorithm>

#include "platform/classlib/bitmap.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/image_list.h"
#include "platform/classlib/timer.h"
#include "treectl/tree_view.h"

namespace lumicast {

using namespace classlib;

namespace {

// The first scroll waits this long in an edge zone, the next ones this long.
constexpr uint32_t kDragScrollFirst = 300;
constexpr uint32_t kDragScrollNext = 100;

// The tree's drag object: the tree's drag cursor over a tree that accepts.
class TElTreeDragObject : public TDragObject {
 public:
  TElTreeDragObject(TControl* Control, TCustomElTree* Tree) : TDragObject(Control), tree_(Tree) {}
  std::string ClassName() const override { return "TElTreeDragObject"; }
  TCursor GetDragCursor(bool Accepted, int X, int Y) override {
    if (Accepted && dynamic_cast<TElTreeView*>(CurrentDragTarget()) != nullptr)
      return tree_->DragCursor;
    return TDragObject::GetDragCursor(Accepted, X, Y);
  }

 private:
  TCustomElTree* tree_;
};

}  // namespace

void TElTreeView::StartRowDrag() {
  TCustomElTree* t = tree_;
  if (t->DragType() == dtOLE) return;  // no counterpart outside the program
  SetDropTarget(nullptr);
  drag_images_.reset();
  bool something = t->MultiSelect() ? t->SelectedCount() > 0 : anchor_ != nullptr;
  if (something) BuildDragImage();
  auto object = std::make_unique<TElTreeDragObject>(this, t);
  object->DragCursor = t->DragCursor;
  if (drag_images_) {
    int main_left = t->MainSection() != nullptr ? t->MainSection()->LeftEdge() : 0;
    object->SetDragImages(drag_images_.get(), TPoint{down_point_.X + t->LeftPosition() - main_left,
                                                     down_point_.Y - drag_image_top_});
  }
  TDragObject* given = object.get();
  if (t->OnStartDrag) t->OnStartDrag(t, given);
  std::unique_ptr<TDragObject> used;
  if (given != object.get() && given != nullptr)
    used.reset(given);  // the handler's own object goes with the drag
  else
    used = std::move(object);
  BeginDrag(this, std::move(used),
            [this](TControl* Target, int X, int Y, bool) { RowDragEnded(Target, X, Y); });
}

void TElTreeView::RowDragEnded(TControl* Target, int X, int Y) {
  if (tree_->OnEndDrag) tree_->OnEndDrag(tree_, Target, X, Y);
  drag_images_.reset();
  SetDropTarget(nullptr);
}

void TElTreeView::BuildDragImage() {
  TCustomElTree* t = tree_;
  if (t->DragImageMode() == dimNever) return;
  int first = -1, last = -1, selected_rows = 0;
  for (int i = 0; i < rows_.Count(); ++i) {
    if (!Row(i)->Selected()) continue;
    if (first < 0) first = i;
    last = i;
    ++selected_rows;
  }
  if (selected_rows == 0) return;
  if (t->DragImageMode() == dimOne && selected_rows != 1) return;
  const int lh = t->LineHeight();
  const int indent = t->ItemIndent();
  TElHeaderSection* main = t->MainSection();
  int width =
      main != nullptr ? main->Width() : std::max(widest_row_, t->LeftPosition() + ClientWidth());
  int height = (last - first + 1) * lh;
  if (width <= 0 || height <= 0) return;
  auto bmp = std::make_unique<TBitmap>();
  bmp->SetPixelFormat(pf32bit);
  bmp->SetSize(width, height);
  TCanvas* c = bmp->Canvas();
  c->Brush()->SetColor(t->BkColor());
  c->FillRect(TRect{0, 0, width, height});
  drag_image_top_ = first * lh;
  for (int i = first; i <= last; ++i) {
    TElTreeItem* item = Row(i);
    if (!item->Selected()) continue;
    int y = (i - first) * lh;
    int x = ((t->ShowRoot() && t->ShowLines()) || (t->ShowButtons() && t->ShowRootButtons()))
                ? indent
                : 0;
    x += std::max(0, item->Level()) * indent;
    if (TImageList* images = t->Images()) {
      bool state = item->Focused() || item->Selected() || item->Cut() || item->Expanded();
      int index = state ? item->StateImageIndex() : item->ImageIndex();
      if (index == -1) index = t->DoGetPicture(item);
      if (index >= 0 && index < images->Count())
        images->Draw(c, x, y + (lh - images->Height()) / 2, index);
      x += images->Width();
    }
    x += indent / 3;
    TRect r{x, y, width, y + lh};
    if (t->OnItemDraw && item->Text() == t->OwnerDrawMask() && !t->OwnerDrawByColumn()) {
      t->OnItemDraw(t, item, c, r, t->MainTreeColumn());
      continue;
    }
    c->SetFont(t->Font());
    c->Font()->SetColor(t->TextColor());
    c->Font()->SetStyle(TCustomElTree::ItemFontStyle(item, t->Font()->Style()));
    c->Brush()->SetStyle(bsClear);
    c->DrawText(item->Text(), r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    c->Brush()->SetStyle(bsSolid);
  }
  drag_images_ = std::make_unique<TImageList>(nullptr);
  drag_images_->SetSize(width, height);
  drag_images_->AddMasked(bmp.get(), t->BkColor());
}

void TElTreeView::WndProc(TMessage& Message) {
  if (Message.Msg == CM_DRAG) {
    DragMessage(static_cast<TDragMessage>(Message.WParam),
                *reinterpret_cast<TDragRec*>(Message.LParam));
    return;
  }
  TCustomControl::WndProc(Message);
}

void TElTreeView::DragMessage(TDragMessage Msg, TDragRec& Rec) {
  TCustomElTree* t = tree_;
  switch (Msg) {
    case dmDragEnter:
    case dmDragMove: {
      if (Msg == dmDragEnter) dragging_over_ = true;
      bool accept = false;
      if (t->OnDragOver) {
        accept = true;
        TObject* source = Rec.Source != nullptr ? Rec.Source->Control() : nullptr;
        if (source == this) source = t;
        t->OnDragOver(t, source, Rec.Pos.X + Left(), Rec.Pos.Y + Top(),
                      Msg == dmDragEnter ? dsDragEnter : dsDragMove, accept);
      }
      Rec.Accept = accept;
      DragOverRow(Rec.Source, Rec.Pos.X, accept, Rec.Pos.Y);
      break;
    }
    case dmDragLeave:
      dragging_over_ = false;
      if (drag_expand_timer_) drag_expand_timer_->SetEnabled(false);
      if (t->DragAllowed()) {
        drag_scroll_timer_.reset();
        bool shown = DragImageShown();
        ShowDragImage(false);
        SetDropTarget(nullptr);
        ShowDragImage(shown);
      }
      break;
    case dmDragDrop:
    case dmDragCancel:
      dragging_over_ = false;
      drag_expand_timer_.reset();
      if (Msg == dmDragDrop && t->OnDragDrop) {
        TObject* source = Rec.Source != nullptr ? Rec.Source->Control() : nullptr;
        if (source == this) source = t;
        t->OnDragDrop(t, source, Rec.Pos.X + Left(), Rec.Pos.Y + Top());
      }
      if (t->DragAllowed()) {
        drag_scroll_timer_.reset();
        SetDropTarget(nullptr);
      }
      break;
  }
}

void TElTreeView::SetDropTarget(TElTreeItem* Item) {
  if (Item == drop_target_) return;
  InvalidateItemRow(drop_target_);
  drop_target_ = Item;
  InvalidateItemRow(Item);
}

void TElTreeView::DragOverRow(TDragObject*, int X, bool Accepted, int Y) {
  TCustomElTree* t = tree_;
  HideLineHint();
  const int half = t->LineHeight() / 2;
  if (rows_.Count() > 0 && ((t->TopIndex() > 0 && Y <= half) || Y >= ClientHeight() - half)) {
    if (!drag_scroll_timer_) {
      drag_scroll_timer_ = std::make_unique<TTimer>();
      drag_scroll_timer_->OnTimer = [this](TObject*) { DragScrollTick(); };
      drag_scroll_timer_->SetInterval(kDragScrollFirst);
      drag_scroll_timer_->SetEnabled(true);
    } else if (!drag_scroll_timer_->Enabled()) {
      drag_scroll_timer_->SetInterval(kDragScrollFirst);
      drag_scroll_timer_->SetEnabled(true);
    }
  }
  drop_accepted_ = Accepted;
  last_drag_point_ = TPoint{X, Y};
  TElTreeItem* target = RowAtY(Y);
  if (target != nullptr && !target->Enabled()) target = nullptr;
  if (target == drop_target_) {
    InvalidateItemRow(target);  // the accept colour may have changed
    return;
  }
  bool shown = DragImageShown();
  ShowDragImage(false);
  try {
    SetDropTarget(target);
    if (t->OnDragTargetChange) {
      int row = target != nullptr ? rows_.IndexOf(target) : -1;
      TRect r = row >= 0 ? RowRect(row) : TRect{};
      t->OnDragTargetChange(t, target, r, X, Y + Top());
    }
    if (target != nullptr && t->ExpandOnDragOver()) {
      if (t->DragExpandDelay() > 0) {
        if (!drag_expand_timer_) {
          drag_expand_timer_ = std::make_unique<TTimer>();
          drag_expand_timer_->OnTimer = [this](TObject*) { DragExpandTick(); };
        }
        drag_expand_timer_->SetEnabled(false);
        drag_expand_timer_->SetInterval(static_cast<uint32_t>(t->DragExpandDelay()));
        drag_expand_timer_->SetEnabled(true);
      } else if (!target->Expanded() && target->HasChildren()) {
        target->Expand(false);
      }
    }
  } catch (...) {
    ShowDragImage(shown);
    throw;
  }
  ShowDragImage(shown);
}

void TElTreeView::DragScrollTick() {
  TTimer* timer = drag_scroll_timer_.get();
  timer->SetEnabled(false);
  timer->SetInterval(kDragScrollNext);
  if (rows_.Count() == 0) return;
  const TPoint p = last_drag_point_;
  const int half = tree_->LineHeight() / 2;
  int step = 0;
  if (p.Y <= half && tree_->TopIndex() > 0)
    step = -1;
  else if (p.Y >= ClientHeight() - half)
    step = 1;
  if (step == 0) return;
  bool shown = DragImageShown();
  ShowDragImage(false);
  SetTopIndex(tree_->TopIndex() + step);
  ShowDragImage(shown);
  timer->SetEnabled(true);
}

bool TElTreeView::DragAutoScroll(TDragObject*, int Y) {
  const int h = tree_->LineHeight() / 2;
  int step = 0;
  if (Y < h && tree_->TopIndex() > 0)
    step = -1;
  else if (Y > ClientHeight() - h)
    step = 1;
  if (step == 0) return false;
  ShowDragImage(false);
  SetTopIndex(tree_->TopIndex() + step);
  ShowDragImage(true);
  return true;
}

void TElTreeView::DragExpandTick() {
  drag_expand_timer_->SetEnabled(false);
  TElTreeItem* target = drop_target_;
  if (target == nullptr || target->Expanded() || !target->HasVisibleChildren()) return;
  bool shown = DragImageShown();
  ShowDragImage(false);
  target->Expand(false);
  ShowDragImage(shown);
}

}  // namespace lumicast
