// The view's input side: hit testing, mouse selection and check boxes, keys,
// the wheel, hot tracking, line hints and the incremental search.
#include <algorithm>
#include <cmath>

#include "platform/classlib/application.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/mouse_settings.h"
#include "platform/classlib/string_utils.h"
#include "platform/classlib/text_compare.h"
#include "platform/classlib/timer.h"
#include "treectl/line_hint_window.h"
#include "treectl/tree_view.h"

namespace lumicast {

using namespace classlib;

namespace {

// The hint pause used when the application has none.
constexpr int kDefaultHintPause = 1000;
// The search text is dropped this long after the last key.
constexpr int kSearchTimeout = 500;
// A second click on a caption starts its edit after this pause.
constexpr uint32_t kEditDelay = 500;

}  // namespace

// ---- hit test -------------------------------------------------------------------------

TElTreeItem* TElTreeView::LocateItemPart(int X, int Y, int& Column, TSTItemPart& Part) const {
  TCustomElTree* t = tree_;
  Column = t->MainTreeColumn();
  Part = rpBlank;
  TElTreeItem* item = RowAtY(Y);
  if (item == nullptr) return nullptr;
  const int x = X + t->LeftPosition();
  if (t->ShowColumns()) {
    TElHeaderSections* sections = t->Header()->Sections();
    for (int k = 0; k < sections->Count(); ++k) {
      TElHeaderSection* s = sections->Item(k);
      if (s == nullptr || !s->EffectivelyVisible()) continue;
      if (s->LeftEdge() <= x && x < s->RightEdge()) {
        if (k != t->MainTreeColumn()) {
          Column = k;
          Part = rpColumn;
          return item;
        }
        break;
      }
    }
  }
  const int indent = t->ItemIndent();
  const int s = indent / 3;
  const bool mirrored = t->RightAlignedTree();
  if (!mirrored) {
    int d = item->CaptionLeft - s;
    if (d <= x && x <= item->CaptionRight) {
      Part = rpCaption;
      return item;
    }
    TImageList* images = t->Images();
    TImageList* images2 = t->Images2();
    if (item->ImageDrawn && images != nullptr) {
      if (d - images->Width() <= x && x < d) {
        Part = rpImage;
        return item;
      }
      d -= images->Width();
    }
    if (item->Image2Drawn) {
      int g = item->ImageDrawn ? s : 0;
      if (item->ImageDrawn) d -= s;
      TImageList* list = images2 != nullptr ? images2 : images;
      if (list != nullptr) {
        if (d - list->Width() <= x && x < d + g) {
          Part = images2 != nullptr ? rpImage2 : rpImage;
          return item;
        }
        d -= list->Width();
      }
    }
    if (t->ShowCheckboxes() && item->ShowCheckBox()) {
      d += 2;
      if (!t->CustomCheckboxes()) {
        if (d - indent + 2 <= x && x < d) {
          Part = rpCheckBox;
          return item;
        }
        d -= indent - 4;
      } else {
        int w = item->CheckBoxType() == ectRadioButton ? t->RadioButtonGlyph()->Width() / 4
                                                       : t->CheckBoxGlyph()->Width() / 6;
        if (d - w <= x && x < d) {
          Part = rpCheckBox;
          return item;
        }
        d -= w;
      }
    }
    if (!t->ShowButtons() || (!item->HasVisibleChildren() && !item->ForceButtons())) return item;
    if (d - indent <= x && x < d) Part = item->SuppressButtons() ? rpBlank : rpExpandSign;
    return item;
  }
  // Mirrored: the same zones, rightward from the caption's right end.
  int d = item->CaptionRight + s;
  if (item->CaptionLeft <= x && x <= d) {
    Part = rpCaption;
    return item;
  }
  TImageList* images = t->Images();
  TImageList* images2 = t->Images2();
  if (item->ImageDrawn && images != nullptr) {
    if (d < x && x <= d + images->Width()) {
      Part = rpImage;
      return item;
    }
    d += images->Width();
  }
  if (item->Image2Drawn) {
    if (item->ImageDrawn) d += s;
    TImageList* list = images2 != nullptr ? images2 : images;
    if (list != nullptr) {
      if (d < x && x <= d + list->Width()) {
        Part = images2 != nullptr ? rpImage2 : rpImage;
        return item;
      }
      d += list->Width();
    }
  }
  if (t->ShowCheckboxes() && item->ShowCheckBox()) {
    d -= 2;
    int w = t->CustomCheckboxes()
                ? (item->CheckBoxType() == ectRadioButton ? t->RadioButtonGlyph()->Width() / 4
                                                          : t->CheckBoxGlyph()->Width() / 6)
                : indent - 2;
    if (d < x && x <= d + w) {
      Part = rpCheckBox;
      return item;
    }
    d += t->CustomCheckboxes() ? w : indent - 4;
  }
  if (!t->ShowButtons() || (!item->HasVisibleChildren() && !item->ForceButtons())) return item;
  if (d < x && x <= d + indent) Part = item->SuppressButtons() ? rpBlank : rpExpandSign;
  return item;
}

// ---- selection helpers ---------------------------------------------------------------

void TElTreeView::FireSelectionChanged() {
  if (tree_->SelectionChangedFlag()) {
    tree_->ClearSelectionChanged();
    tree_->DoAfterSelectionChange();
  }
}

void TElTreeView::ToggleSelection(TElTreeItem* Item) {
  if (Item == nullptr || !Item->Selectable) return;
  if (tree_->MultiSelect()) {
    bool value = !Item->Selected();
    Item->SetStateBit(stiSelected, value);
    TElList* list = tree_->SelectedItems();
    if (value) {
      list->Add(Item);
    } else {
      int index = list->IndexOf(Item);
      if (index >= 0) list->Delete(index);
      if (anchor_ == Item) anchor_ = nullptr;
    }
    tree_->SetSelectionChanged();
    InvalidateItemRow(Item);
    tree_->DoItemSelectedChange(Item);
  } else {
    TElTreeItem* previous = anchor_;
    if (previous != nullptr && previous != Item) {
      previous->SetStateBit(stiSelected, false);
      anchor_ = nullptr;
      InvalidateItemRow(previous);
      tree_->DoItemSelectedChange(previous);
    }
    Item->SetStateBit(stiSelected, true);
    anchor_ = Item;
    tree_->SetSelectionChanged();
    InvalidateItemRow(Item);
    tree_->DoItemSelectedChange(Item);
  }
}

// The selection rule of a click (and of a right click without the Ctrl toggle).
void TElTreeView::ClickSelect(TElTreeItem* Item, TSTItemPart Part, TShiftState Shift,
                              bool RightButton) {
  TCustomElTree* t = tree_;
  const bool multi = t->MultiSelect();
  const bool ctrl = !RightButton && (Shift & ssCtrl) != 0;
  const bool shift = (Shift & ssShift) != 0;
  if (Item == nullptr || (Part == rpBlank && !t->FullRowSelect())) {
    if (!t->AlwaysKeepFocus()) t->DoSetFocused(nullptr, false, false);
    return;
  }
  int n = multi ? t->SelectedCount() : (anchor_ != nullptr ? 1 : 0);
  if (!multi || !Item->Selected() || ctrl) {
    if (!multi) {
      if (Item == focused_) {
        if (!Item->Selected()) ToggleSelection(Item);
      } else if (Item->Selectable) {
        t->DoSetFocused(Item, false, true);
      }
      return;
    }
    if (t->SelectionMode() == smUsual && !ctrl) {
      TElTreeItem* anchor = anchor_;
      t->DeselectAll();
      if (shift && anchor != nullptr) {
        // The range runs from the anchor to the clicked item, both included.
        anchor_ = anchor;
        t->SelectRange(Item, anchor, false, false);
        if (!anchor->Selected()) anchor->SetSelected(true);
      }
    }
    if (Item == focused_ && !shift) {
      if (!(Item->Selected() && t->AlwaysKeepSelection() && n <= 1)) ToggleSelection(Item);
    } else if (Item->Selectable) {
      if (Item != focused_) t->DoSetFocused(Item, false, true);
      if (ctrl || !Item->Selected()) ToggleSelection(Item);
    }
    if (Item->Selectable && !ctrl && !shift) anchor_ = Item;
    return;
  }
  // A selected item in a multi-selection: the rest waits for the button up.
  deferred_ = true;
  deferred_item_ = Item;
  deferred_shift_ = Shift;
  t->DoSetFocused(Item, false, true);
}

void TElTreeView::FinishDeferredSelection() {
  if (!deferred_) return;
  deferred_ = false;
  TElTreeItem* item = deferred_item_;
  deferred_item_ = nullptr;
  if (item == nullptr) return;
  TCustomElTree* t = tree_;
  const bool ctrl = (deferred_shift_ & ssCtrl) != 0;
  const bool shift = (deferred_shift_ & ssShift) != 0;
  t->WithUpdate([&] {
    bool was_selected = item->Selected();
    if (t->SelectionMode() == smUsual && t->MultiSelect()) {
      if (!ctrl && !shift) {
        t->DeselectAll();
      } else if (shift) {
        TElTreeItem* anchor = anchor_;
        t->DeselectAll();
        if (anchor != nullptr) {
          anchor->SetSelected(true);
          anchor_ = anchor;
          t->SelectRange(item, anchor, false, false);
        }
      }
    }
    if (item != focused_) {
      t->DoSetFocused(item, false, true);
    } else if ((!item->Selected() || !was_selected || t->AlwaysKeepSelection()) &&
               t->SelectionMode() == smUsual) {
      if (!item->Selected()) ToggleSelection(item);
    }
    if (item->Selectable && (!ctrl && !shift)) anchor_ = item;
  });
  FireSelectionChanged();
}

void TElTreeView::CheckBoxClicked(TElTreeItem* Item) {
  switch (Item->CheckBoxType()) {
    case ect3SCheckBox:
      switch (Item->CheckBoxState()) {
        case cbUnchecked: Item->SetCheckBoxState(cbGrayed); break;
        case cbGrayed: Item->SetCheckBoxState(cbChecked); break;
        case cbChecked: Item->SetCheckBoxState(cbUnchecked); break;
      }
      break;
    case ectRadioButton: Item->SetChecked(true); break;
    case ectCheckBox: Item->SetChecked(!Item->Checked()); break;
  }
  InvalidateItemRow(Item);
  tree_->DoItemChecked(Item);
  tree_->DoItemChange(Item, icmCheckState);
}

// ---- mouse --------------------------------------------------------------------------

void TElTreeView::WMLButtonDown(TMessage& Message) {
  HideLineHint();
  dbl_click_ = false;
  if (CanFocus() && !Focused()) SetFocus();
  TCustomControl::WMLButtonDown(Message);
  down_point_ = TPoint{Message.XPos(), Message.YPos()};
  left_down_ = true;
  // A second click on the caption of the item clicked last edits it after a pause.
  int column = 0;
  TSTItemPart part = rpBlank;
  TElTreeItem* item = LocateItemPart(down_point_.X, down_point_.Y, column, part);
  TCustomElTree* t = tree_;
  if (part == rpCaption && item != nullptr && item->Enabled() && item == click_edit_item_ &&
      item->AllowEdit && t->DoInplaceEdit() && click_edit_armed_) {
    TElHeaderSection* main = t->MainSection();
    if (!t->ShowColumns() || (main != nullptr && main->Editable())) {
      if (!edit_timer_) {
        edit_timer_ = std::make_unique<TTimer>();
        edit_timer_->OnTimer = [this](TObject*) {
          edit_timer_->SetEnabled(false);
          TElTreeItem* target = pending_edit_item_;
          pending_edit_item_ = nullptr;
          if (target != nullptr) BeginCellEdit(target, pending_edit_column_);
        };
      }
      pending_edit_item_ = item;
      pending_edit_column_ = t->ShowColumns() ? t->MainTreeColumn() : -1;
      edit_timer_->SetEnabled(false);
      edit_timer_->SetInterval(kEditDelay);
      edit_timer_->SetEnabled(true);
    }
  }
  click_edit_armed_ = false;
}

void TElTreeView::WMLButtonUp(TMessage& Message) {
  if (edit_timer_) edit_timer_->SetEnabled(false);
  HideLineHint();
  left_down_ = false;
  TPoint p{Message.XPos(), Message.YPos()};
  int column = 0;
  TSTItemPart part = rpBlank;
  TElTreeItem* item = LocateItemPart(p.X, p.Y, column, part);
  if (item == nullptr || item->Enabled()) {
    if (p.X == down_point_.X && p.Y == down_point_.Y && part != rpBlank && part != rpExpandSign &&
        !dbl_click_) {
      click_edit_armed_ = item != nullptr;
      click_edit_point_ = p;
      click_edit_item_ = item;
    }
  }
  dbl_click_ = false;
  TCustomControl::WMLButtonUp(Message);
}

void TElTreeView::WMLButtonDblClk(TMessage& Message) {
  TPoint p{Message.XPos(), Message.YPos()};
  int column = 0;
  TSTItemPart part = rpBlank;
  TElTreeItem* item = LocateItemPart(p.X, p.Y, column, part);
  if (item == nullptr || item->Enabled()) {
    if (item != nullptr && tree_->ExpandOnDblClick() &&
        (part == rpCaption || (tree_->FullRowSelect() && part != rpCheckBox))) {
      if (item->Expanded()) {
        item->Collapse(false);
      } else if (item->HasChildren()) {
        item->Expand(false);
        EnsureChildrenShown(item);
      }
    }
  }
  if (part == rpColumn && item != nullptr && item->Enabled() && tree_->DoInplaceEdit()) {
    TElHeaderSection* section = tree_->Header()->Sections()->Item(column);
    if (section != nullptr && section->Editable()) BeginCellEdit(item, column);
  } else if (part == rpCaption && item != nullptr && item->Enabled() && tree_->DoInplaceEdit() &&
             item->AllowEdit) {
    TElHeaderSection* main = tree_->MainSection();
    if (main != nullptr && main->Editable()) BeginCellEdit(item, tree_->MainTreeColumn());
  }
  click_edit_armed_ = false;
  click_edit_item_ = nullptr;
  dbl_click_ = true;
  if (part != rpExpandSign) {
    if (tree_->OnDblClick) tree_->OnDblClick(tree_);
  }
  Message.Result = 0;
}

void TElTreeView::WMRButtonDown(TMessage& Message) {
  HideLineHint();
  TCustomControl::WMRButtonDown(Message);
  if (CanFocus()) {
    if (editing_) FinishCellEdit(false);
    if (!Focused()) SetFocus();
  }
}

void TElTreeView::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Shift & ssDouble) return;
  TCustomElTree* t = tree_;
  t->ClearSelectionChanged();
  int column = 0;
  TSTItemPart part = rpBlank;
  TElTreeItem* item = LocateItemPart(X, Y, column, part);
  if (item != nullptr && !item->Enabled()) {
    if (t->OnMouseDown) t->OnMouseDown(t, Button, Shift, X + Left(), Y + Top());
    return;
  }
  if (Button == TMouseButton::mbRight && part == rpExpandSign) part = rpCaption;
  if (Button == TMouseButton::mbLeft && part == rpExpandSign && item != nullptr) {
    if (item->Expanded()) {
      item->Collapse(false);
    } else {
      item->Expand(false);
      EnsureChildrenShown(item);
    }
  } else if (part == rpColumn && item != nullptr &&
             !t->Header()->Sections()->Item(column)->ClickSelect()) {
    // A column that does not select on click.
  } else if (Button == TMouseButton::mbLeft) {
    t->WithUpdate([&] { ClickSelect(item, part, Shift, false); });
    FireSelectionChanged();
  } else if (Button == TMouseButton::mbRight && t->RightClickSelect()) {
    t->WithUpdate([&] {
      if (t->MultiSelect() && item != nullptr && item->Selected()) {
        t->DoSetFocused(item, false, true);
      } else if (!t->MultiSelect() || t->SelectedCount() < 2 || t->SelectionMode() == smSimple) {
        ClickSelect(item, part, Shift, true);
      }
    });
    FireSelectionChanged();
  }
  if (t->OnMouseDown) t->OnMouseDown(t, Button, Shift, X + Left(), Y + Top());
}

void TElTreeView::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomElTree* t = tree_;
  int column = 0;
  TSTItemPart part = rpBlank;
  TElTreeItem* item = LocateItemPart(X, Y, column, part);
  if (item != nullptr && item->Enabled()) {
    if (Button == TMouseButton::mbLeft && part == rpCheckBox && item->CheckBoxEnabled())
      CheckBoxClicked(item);
    FinishDeferredSelection();
  } else {
    deferred_ = false;
    deferred_item_ = nullptr;
  }
  if (t->OnMouseUp) t->OnMouseUp(t, Button, Shift, X + Left(), Y + Top());
}

void TElTreeView::SetHotItem(TElTreeItem* Item) {
  if (Item == hot_item_) return;
  TElTreeItem* old = hot_item_;
  hot_item_ = Item;
  InvalidateItemRow(old);
  InvalidateItemRow(Item);
  if (tree_->OnHotTrack && !tree_->IsDestroying()) tree_->OnHotTrack(tree_, old, Item);
}

void TElTreeView::MouseMove(TShiftState Shift, int X, int Y) {
  TCustomElTree* t = tree_;
  // A press that moves 5 pixels drags the selected rows.
  if (left_down_ && t->DragAllowed() && !Dragging()) {
    bool something = t->MultiSelect() ? t->SelectedCount() > 0 : anchor_ != nullptr;
    int dx = X - down_point_.X, dy = Y - down_point_.Y;
    if (something && dx * dx + dy * dy >= 25) {
      if (edit_timer_) edit_timer_->SetEnabled(false);
      deferred_ = false;
      deferred_item_ = nullptr;
      dbl_click_ = true;
      left_down_ = false;
      StartRowDrag();
      return;
    }
  }
  // Item hints: the item under the pointer supplies its own hint.
  TElTreeItem* under = RowAtY(Y);
  SetHint(t->Hint());
  if (under != nullptr && !under->Hint.empty()) {
    SetHint(under->Hint);
    last_hinted_ = under;
  }
  // Line hints.
  if (t->LineHintMode() != shmNone && (X != last_move_.X || Y != last_move_.Y)) {
    if (under != hint_item_) {
      HideLineHint();
      hint_point_ = TPoint{X, Y};
      int pause = Application->HintPause();
      if (pause <= 0) pause = kDefaultHintPause;
      if (!hint_timer_) {
        hint_timer_ = std::make_unique<TTimer>();
        hint_timer_->OnTimer = [this](TObject*) { LineHintTick(); };
      }
      hint_timer_->SetEnabled(false);
      hint_timer_->SetInterval(static_cast<uint32_t>(pause));
      hint_timer_->SetEnabled(true);
    }
  }
  last_move_ = TPoint{X, Y};
  if (t->Tracking() && Focused()) SetHotItem(under);
  if (t->OnMouseMove) t->OnMouseMove(t, Shift, X + Left(), Y + Top());
}

void TElTreeView::MouseLeave() {
  SetHotItem(nullptr);
  last_hinted_ = nullptr;
  HideLineHint();
  TCustomControl::MouseLeave();
}

// ---- line hints ---------------------------------------------------------------------

void TElTreeView::LineHintTick() {
  if (hint_item_ != nullptr) {
    HideLineHint();
    return;
  }
  if (hint_timer_) hint_timer_->SetEnabled(false);
  TElTreeItem* item = RowAtY(hint_point_.Y);
  if (item == nullptr) return;
  TCustomElTree* t = tree_;
  bool show = t->LineHintMode() == shmAll || !item->Hint.empty();
  if (!show && t->LineHintMode() == shmLong) {
    Canvas()->SetFont(t->Font());
    int span = item->CaptionRight - item->CaptionLeft;
    int text_w = Canvas()->TextWidth(item->Text());
    int lp = t->LeftPosition();
    int right_limit = ClientWidth();
    if (TElHeaderSection* main = t->MainSection())
      right_limit = std::min(right_limit, main->RightEdge() - lp);
    show = span < text_w + 4 || item->CaptionRight - lp > right_limit || item->CaptionLeft - lp < 0;
  }
  if (show) ShowLineHintFor(item);
}

void TElTreeView::ShowLineHintFor(TElTreeItem* Item) {
  TCustomElTree* t = tree_;
  if (!hint_window_) hint_window_ = std::make_unique<TElHintWindow>(nullptr);
  TElHintWindow* w = hint_window_.get();
  std::string text = !Item->Hint.empty() ? Item->Hint : Item->Text();
  if (t->UseSystemHintColors()) {
    w->SetColor(clInfoBk);
    w->Font()->SetColor(clInfoText);
  } else {
    w->SetColor(t->LineHintColor());
    w->Font()->SetName(Font()->Name());
    w->Font()->SetSize(Font()->Size());
    w->Font()->SetColor(t->TextColor());
  }
  TRect r = w->MeasureHint(10000, text);
  int row = rows_.IndexOf(Item);
  int o = (t->ShowColumns() && t->MainSection() != nullptr) ? t->LeftPosition() : 0;
  int x = std::max(0, Item->CaptionLeft - t->LeftPosition() + o);
  int y = row >= 0 ? RowRect(row).Top : 0;
  TPoint pos = hint_point_;
  if (t->ShowColumns()) pos.Y += t->HeaderHeight();
  bool show = true;
  std::string before = text;
  t->DoShowLineHint(Item, text, w, pos, show);
  if (text != before) r = w->MeasureHint(10000, text);
  if (!show) return;
  TPoint origin = ClientToScreen(TPoint{x, y});
  TRect place{origin.X, origin.Y, origin.X + r.Width(), origin.Y + r.Height() - 1};
  hint_item_ = Item;
  w->ActivateHint(place, text);
  if (t->HideHintOnTimer()) {
    int timeout = t->LineHintTimeout() > 0 ? t->LineHintTimeout() : kDefaultHintPause;
    hint_timer_->SetInterval(static_cast<uint32_t>(timeout));
    hint_timer_->SetEnabled(true);
  }
}

void TElTreeView::HideLineHint() {
  hint_item_ = nullptr;
  if (hint_timer_) hint_timer_->SetEnabled(false);
  if (hint_window_) hint_window_->ReleaseHandle();
}

// ---- keys ---------------------------------------------------------------------------

uint32_t TElTreeView::DialogCode() const { return DLGC_WANTARROWS | DLGC_WANTCHARS; }

void TElTreeView::WMKeyDown(TMessage& Message) {
  // Any key hides a line hint.
  if (hint_item_ != nullptr && tree_->HideHintOnMove()) HideLineHint();
  TCustomControl::WMKeyDown(Message);
}

namespace {

TElTreeItem* NextMovable(TCustomElTree* Tree, int From, int Step) {
  for (int i = From + Step;; i += Step) {
    TElTreeItem* item = Tree->VisibleItemAt(i);
    if (item == nullptr) return nullptr;
    if (item->Enabled() && item->Selectable) return item;
  }
}

}  // namespace

// ScrollRule: 0 keep, 1 put at the top, 2 put at the bottom, 3 page up, 4 page
// down, 5 last rows, 6 scroll into view.
void TElTreeView::MoveFocusTo(TElTreeItem* Target, TShiftState Shift, int ScrollRule) {
  if (Target == nullptr) return;
  TCustomElTree* t = tree_;
  const bool multi = t->MultiSelect();
  const bool shift = (Shift & ssShift) != 0;
  const bool ctrl = (Shift & ssCtrl) != 0 && !shift;
  TElTreeItem* anchor = anchor_;
  if (multi) {
    if (shift && anchor != nullptr) {
      t->DeselectAll();
      if (!anchor->Selected()) anchor->SetSelected(true);
      anchor_ = anchor;
      t->SelectRange(anchor, Target, false, false);
    } else if (t->SelectionMode() == smUsual && !ctrl) {
      t->DeselectAll();
    }
  }
  if (Target == focused_) {
    if (multi && !Target->Selected()) ToggleSelection(Target);
  } else {
    t->DoSetFocused(Target, false, true);
  }
  if (multi && (ctrl || t->SelectionMode() == smSimple) && !Target->Selected() && !shift)
    ToggleSelection(Target);
  if (!multi || (!ctrl && !shift)) {
    anchor_ = Target;
    if (multi && t->SelectionMode() == smUsual && !Target->Selected()) ToggleSelection(Target);
  }
  if (rows_.IndexOf(Target) >= 0 &&
      !(ScrollRule == 2 && rows_.IndexOf(Target) == rows_.Count() - 1 &&
        RowsHeight() > ClientHeight())) {
    return;
  }
  int index = t->VisibleIndexOf(Target);
  int cap = RowCapacity();
  switch (ScrollRule) {
    case 1: SetTopIndex(index); break;
    case 2: SetTopIndex(index - cap + 2); break;
    case 3: SetTopIndex(t->TopIndex() - cap + 1); break;
    case 4: SetTopIndex(t->TopIndex() + cap - 1); break;
    case 5: SetTopIndex(t->VisibleRowCount()); break;
    default:
      if (index < t->TopIndex())
        SetTopIndex(index);
      else
        SetTopIndex(index - cap + 2);
      break;
  }
}

void TElTreeView::KeyDown(uint16_t& Key, TShiftState Shift) {
  TCustomControl::KeyDown(Key, Shift);
  if (Key == 0) return;
  TCustomElTree* t = tree_;
  TElTreeItem* f = focused_;
  auto body = [&] {
    const int cap = RowCapacity();
    switch (Key) {
      case VK_BACK:
        if (f != nullptr && f->Parent() != nullptr && !f->Parent()->IsRoot() &&
            f->Parent()->Enabled()) {
          t->DoSetFocused(f->Parent(), false, true);
          t->EnsureVisible(f->Parent());
        }
        break;
      case VK_SPACE:
        if (t->MultiSelect() && f != nullptr && f->Enabled()) {
          if (t->SelectionMode() == smUsual && !(Shift & (ssCtrl | ssShift))) {
            t->DeselectAll();
            anchor_ = f;
          } else if (t->SelectionMode() == smSimple) {
            anchor_ = f;
          }
          ToggleSelection(f);
        }
        break;
      case VK_LEFT:
      case VK_RIGHT: {
        bool collapse_key = (Key == VK_LEFT) != t->RightAlignedTree();
        if (f == nullptr) break;
        if (collapse_key) {
          if (f->Expanded() && f->Enabled() && f->HasChildren()) {
            f->Collapse(false);
          } else if (f->Parent() != nullptr && !f->Parent()->IsRoot()) {
            MoveFocusTo(f->Parent(), Shift, 1);
          }
        } else {
          if (!f->Expanded() && f->Enabled() && (f->HasVisibleChildren() || f->ForceButtons())) {
            f->Expand(false);
            EnsureChildrenShown(f);
          } else if (TElTreeItem* child = f->FirstVisibleChild()) {
            MoveFocusTo(child, Shift, 6);
          }
        }
        break;
      }
      case VK_UP:
      case VK_DOWN:
      case VK_PRIOR:
      case VK_NEXT: {
        int count = t->VisibleRowCount();
        if (count == 0) break;
        if (f == nullptr) {
          MoveFocusTo(NextMovable(t, -1, 1), Shift, 1);
          break;
        }
        int index = t->VisibleIndexOf(f);
        if (Key == VK_UP) {
          MoveFocusTo(NextMovable(t, index, -1), Shift, 1);
        } else if (Key == VK_DOWN) {
          MoveFocusTo(NextMovable(t, index, 1), Shift, 2);
        } else {
          int step = Key == VK_PRIOR ? -1 : 1;
          TElTreeItem* target = nullptr;
          int moved = 0;
          for (int i = index + step; moved < std::max(1, cap - 1); i += step) {
            TElTreeItem* item = t->VisibleItemAt(i);
            if (item == nullptr) break;
            if (item->Enabled() && item->Selectable) {
              target = item;
              ++moved;
            }
          }
          if (target != nullptr) MoveFocusTo(target, Shift, step < 0 ? 3 : 4);
        }
        break;
      }
      case VK_HOME:
        if (f != nullptr) {
          MoveFocusTo(NextMovable(t, -1, 1), Shift, 1);
          SetTopIndex(0);
        }
        break;
      case VK_END:
        if (f != nullptr) {
          TElTreeItem* target = nullptr;
          for (int i = t->VisibleRowCount() - 1; i >= 0 && target == nullptr; --i) {
            TElTreeItem* item = t->VisibleItemAt(i);
            if (item != nullptr && item->Enabled()) target = item;
          }
          MoveFocusTo(target, Shift, 5);
          SetTopIndex(t->VisibleRowCount());
        }
        break;
      case VK_MULTIPLY:
      case '8':
        if ((Key == '8') != ((Shift & ssShift) != 0)) break;
        if (f != nullptr && f->Enabled() &&
            (f->HasVisibleChildren() || f->ForceButtons() || f->HasChildren())) {
          f->Expand(true);
          EnsureChildrenShown(f);
        }
        break;
      case VK_ADD:
        if (f != nullptr && f->Enabled() && !f->Expanded() &&
            (f->HasChildren() || f->ForceButtons())) {
          f->Expand(false);
          EnsureChildrenShown(f);
        }
        break;
      case VK_SUBTRACT:
        if (f != nullptr && f->Enabled() && f->Expanded()) f->Collapse(false);
        break;
      case VK_DIVIDE:
        if (f != nullptr && f->Enabled()) f->Collapse(true);
        break;
      default: break;
    }
  };
  if (t->MultiSelect())
    t->WithUpdate(body);
  else
    body();
  FireSelectionChanged();
}

void TElTreeView::KeyPress(char32_t& Key) {
  if (tree_->IncrementalSearch()) SearchKey(Key);
  TCustomControl::KeyPress(Key);
}

void TElTreeView::SearchKey(char32_t Key) {
  TCustomElTree* t = tree_;
  if (Key == 27) {
    search_text_.clear();
    t->DeselectAll();
    return;
  }
  if (Key == 8) {
    if (!search_text_.empty()) {
      // Remove the last whole character, not its last byte.
      size_t cut = search_text_.size() - 1;
      while (cut > 0 && (static_cast<unsigned char>(search_text_[cut]) & 0xC0) == 0x80) --cut;
      search_text_.erase(cut);
    }
  } else if (Key <= 32) {
    return;
  } else {
    search_text_ += Utf8FromCodePoint(Key);
  }
  if (!search_text_.empty()) {
    const TElList& flat = t->FlatList();
    for (int i = 0; i < flat.Count(); ++i) {
      TElTreeItem* item = static_cast<TElTreeItem*>(flat.UncheckedGet(i));
      if (TextStartsWithIgnoreCase(item->Text(), search_text_)) {
        t->EnsureVisible(item);
        t->DoSetFocused(item, false, true);
        if (t->MultiSelect() && item->Selected()) item->SetSelected(false);
        break;
      }
    }
  }
  // Restart the time-out: a key within it keeps the text one more period.
  if (search_timer_ && search_timer_->Enabled()) {
    key_pressed_ = true;
  } else {
    if (!search_timer_) {
      search_timer_ = std::make_unique<TTimer>();
      search_timer_->OnTimer = [this](TObject*) {
        if (key_pressed_) {
          key_pressed_ = false;
          return;
        }
        search_timer_->SetEnabled(false);
        search_text_.clear();
      };
    }
    key_pressed_ = false;
    search_timer_->SetInterval(kSearchTimeout);
    search_timer_->SetEnabled(true);
  }
}

// ---- wheel --------------------------------------------------------------------------

void TElTreeView::WMMouseWheel(TMessage& Message) {
  int lines = std::clamp(WheelScrollLines(), 1, 120);
  int share = 120 / lines;
  // What is left of a turn the other way does not count against this one.
  if ((wheel_rest_ < 0) != (Message.WheelDelta() < 0)) wheel_rest_ = 0;
  wheel_rest_ += Message.WheelDelta();
  int rows = wheel_rest_ / share;
  wheel_rest_ -= rows * share;
  if (rows != 0) SetTopIndex(tree_->TopIndex() - rows);
  Message.Result = 1;
}

void TElTreeView::DoEnter() {
  TCustomControl::DoEnter();
  tree_->Invalidate();
  if (tree_->HideSelection()) Invalidate();
}

void TElTreeView::DoExit() {
  TCustomControl::DoExit();
  left_down_ = false;
  last_hinted_ = nullptr;
  HideLineHint();
  tree_->Invalidate();
  if (tree_->HideSelection()) Invalidate();
}

}  // namespace lumicast
