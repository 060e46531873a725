#include "treectl/tree.h"

#include <algorithm>
#include <cstdlib>

#include "platform/classlib/canvas.h"
#include "platform/classlib/stream.h"
#include "platform/classlib/system_metrics.h"
#include "platform/classlib/timer.h"
#include "treectl/tree_view.h"

namespace lumicast {

using namespace classlib;

namespace {

TElTreeItem* At(const TElList& List, int Index) {
  return static_cast<TElTreeItem*>(List.UncheckedGet(Index));
}

// A counter raised for the duration of a scope, lowered also when an
// exception passes.
struct CounterScope {
  explicit CounterScope(int& C) : c(C) { ++c; }
  ~CounterScope() { --c; }
  int& c;
};

}  // namespace

TCustomElTree::TCustomElTree(TComponent* AOwner) : TCustomControl(AOwner) {
  SetBounds(Left(), Top(), 200, 100);
  items_ = std::make_unique<TElTreeItems>(this);
  selected_ = std::make_unique<TElList>();

  header_ = new TElHeader(this);
  header_->SetParent(this);
  header_->SetAlign(alNone);  // the tree places it inside its frame
  header_->SetVisible(false);
  header_->OnSectionClick = [this](TObject*, TElHeaderSection* S) { HeaderSectionClick(S); };
  header_->OnSectionResize = [this](TObject*, TElHeaderSection* S) { HeaderSectionResize(S); };
  header_->OnSectionMove = [this](TObject*, TElHeaderSection* S, int OldPos, int NewPos) {
    HeaderSectionMove(S, OldPos, NewPos);
  };
  header_->OnSectionChange = [this](TObject*, TElHeaderSection* S, TSectionChangeMode) {
    HeaderSectionChange(S);
  };
  header_->OnSectionShowHide = [this](TObject*, TElHeaderSection* S) { HeaderSectionChange(S); };
  header_->OnSectionExpand = [this](TObject*, TElHeaderSection* S) {
    if (OnHeaderSectionExpand) OnHeaderSectionExpand(this, S);
    HeaderSectionChange(S);
  };
  header_->OnSectionCollapse = [this](TObject*, TElHeaderSection* S) {
    if (OnHeaderSectionCollapse) OnHeaderSectionCollapse(this, S);
    HeaderSectionChange(S);
  };
  header_->OnHeaderLookup = [this](TObject*, TElHeaderSection* S, std::string& Text) {
    if (OnHeaderLookup) OnHeaderLookup(this, S, Text);
    HeaderLookup(S, Text);
  };
  header_->OnHeaderLookupDone = [this](TObject*, TElHeaderSection* S, const std::string& Text,
                                       bool Accepted) {
    if (OnHeaderLookupDone) OnHeaderLookupDone(this, S, Text, Accepted);
  };
  header_->OnSectionAutoSize = [this](TObject*, TElHeaderSection* S) {
    if (S == nullptr) return;
    if (AutoResizeColumns_)
      AutoSizeColumn(S->ColumnIndex());
    else if (OnHeaderSectionAutoSize)
      OnHeaderSectionAutoSize(this, S->ColumnIndex());
  };
  header_->OnFilterCall = [this](TObject*, TElHeaderSection* S) {
    if (OnHeaderSectionFilterCall && S != nullptr)
      OnHeaderSectionFilterCall(this, S->ColumnIndex());
  };
  // The header is the sender of its own drawing event.
  header_->OnSectionDraw = [this](TObject* Sender, TCanvas* Canvas, TElHeaderSection* S,
                                  const TRect& R, bool Pressed) {
    if (OnHeaderColumnDraw) OnHeaderColumnDraw(Sender, Canvas, S, R, Pressed);
  };
  header_->OnMeasureSection = [this](TObject*, TElHeaderSection* S, TPoint& Size) {
    if (OnHeaderSectionMeasure) OnHeaderSectionMeasure(this, S, Size);
  };

  view_ = new TElTreeView(this);

  hscroll_ = new TElScrollBar(this);
  hscroll_->OwnedByTree = true;
  hscroll_->SetKind(sbHorizontal);
  hscroll_->SetParent(this);
  hscroll_->SetVisible(false);
  vscroll_ = new TElScrollBar(this);
  vscroll_->OwnedByTree = true;
  vscroll_->SetKind(sbVertical);
  vscroll_->SetParent(this);
  vscroll_->SetVisible(false);
  vscroll_->SetShowTrackHint(true);
  hscroll_->SetThickness(GetSystemMetrics(SM_CYHSCROLL));
  vscroll_->SetThickness(GetSystemMetrics(SM_CXVSCROLL));
  hscroll_->OnScroll = [this](TObject*, TElScrollCode Code, int& Pos, bool& DoChange) {
    BarScroll(hscroll_, Code, Pos, DoChange);
  };
  vscroll_->OnScroll = [this](TObject*, TElScrollCode Code, int& Pos, bool& DoChange) {
    BarScroll(vscroll_, Code, Pos, DoChange);
  };
  vscroll_->OnScrollHintNeeded = [this](TObject*, int TrackPosition, std::string& Hint) {
    VertHintNeeded(TrackPosition, Hint);
  };
  hscroll_->OnScrollHintNeeded = [this](TObject*, int TrackPosition, std::string& Hint) {
    if (OnHorzScrollHintNeeded) OnHorzScrollHintNeeded(this, TrackPosition, Hint);
  };
  hscroll_->OnDrawPart = [this](TObject*, TCanvas* C, const TRect& R, TElScrollBarPart Part,
                                bool Enabled, bool Focused, bool Pressed, bool& DefaultDraw) {
    if (OnHorzScrollDrawPart)
      OnHorzScrollDrawPart(this, C, R, Part, Enabled, Focused, Pressed, DefaultDraw);
  };
  vscroll_->OnDrawPart = [this](TObject*, TCanvas* C, const TRect& R, TElScrollBarPart Part,
                                bool Enabled, bool Focused, bool Pressed, bool& DefaultDraw) {
    if (OnVertScrollDrawPart)
      OnVertScrollDrawPart(this, C, R, Part, Enabled, Focused, Pressed, DefaultDraw);
  };
  hstyles_ = std::make_unique<TElScrollBarStyles>(hscroll_);
  vstyles_ = std::make_unique<TElScrollBarStyles>(vscroll_);
  auto restyled = [this](TObject*) {
    if (!in_layout_) {
      LayoutChildren();
      UpdateScrollBars();
    }
  };
  hstyles_->OnChange = restyled;
  vstyles_->OnChange = restyled;

  plus_bmp_ = std::make_unique<TBitmap>();
  minus_bmp_ = std::make_unique<TBitmap>();
  plus_bmp_->LoadFromResourceName("PlusBmp");
  minus_bmp_->LoadFromResourceName("MinusBmp");
  plus_picture_ = std::make_unique<TBitmap>();
  minus_picture_ = std::make_unique<TBitmap>();
  check_box_glyph_ = std::make_unique<TBitmap>();
  radio_button_glyph_ = std::make_unique<TBitmap>();

  change_timer_ = std::make_unique<TTimer>();
  change_timer_->SetEnabled(false);
  change_timer_->OnTimer = [this](TObject*) { ChangeTimerTick(); };
  image_link_.OnChange = [this](TObject*) {
    if (auto_line_height_) UpdateLineHeight();
    PropertyChanged(peWidest);
  };

  line_height_ = MeasureLineHeight();
  LayoutChildren();
}

TCustomElTree::~TCustomElTree() {
  destroying_ = true;
  change_timer_->SetEnabled(false);
  if (images_ != nullptr) images_->UnRegisterChanges(&image_link_);
  if (images2_ != nullptr) images2_->UnRegisterChanges(&image_link_);
  plus_picture_.reset();
  minus_picture_.reset();
  check_box_glyph_.reset();
  radio_button_glyph_.reset();
  items_.reset();
  delete view_;
  view_ = nullptr;
  hstyles_.reset();
  vstyles_.reset();
  delete hscroll_;
  hscroll_ = nullptr;
  delete vscroll_;
  vscroll_ = nullptr;
  delete header_;
  header_ = nullptr;
}

// ---- deferred update -------------------------------------------------------------

void TCustomElTree::SetIsUpdating(bool Value) {
  if (layout_guard_) return;
  if (Value) {
    if (header_) header_->HoldUpdates();
    ++update_count_;
    return;
  }
  if (update_count_ > 0) --update_count_;
  if (header_) header_->ReleaseUpdates();
  if (update_count_ > 0 || destroying_ || view_ == nullptr || loading_items_ > 0) return;

  layout_guard_ = true;
  try {
    ++layout_count_;
    if (auto_line_height_) {
      int h = MeasureLineHeight();
      if (h != line_height_) {
        line_height_ = h;
        view_->RowsChanged = true;
        view_->AreaChanged = true;
        dirty_ = true;
      }
    }
    if (view_->widest_row_ < 0 && !show_columns_) view_->MeasureWidestRow();
    if (resort_pending_) {
      resort_pending_ = false;
      DoSortBegin();
      SortChildren(items_->Root(), true);
      DoSortEnd();
    }
    if (dirty_) {
      if (count_stale_) VisibleRowCount();
      UpdateScrollBars();
      if (view_->RowsChanged) view_->ApplyTopIndex();
      if (show_columns_) MeasureAllColumns();
      UpdateScrollBars();
      view_->InvalidateChanged();
      dirty_ = false;
    }
  } catch (...) {
    layout_guard_ = false;
    measuring_columns_ = false;
    throw;
  }
  layout_guard_ = false;
}

void TCustomElTree::InvalidateLayout(unsigned Flags) {
  if (view_ == nullptr) return;
  if (Flags & (lfRows | lfAll)) view_->RowsChanged = true;
  if (Flags & (lfVisibleCount | lfAll)) count_stale_ = true;
  if (Flags & (lfWidestRow | lfAll)) view_->widest_row_ = -1;
  if (Flags & lfAll) view_->AreaChanged = true;
  view_->RowsDirty = true;
  dirty_ = true;
  if (!IsUpdating() && !layout_guard_) WithUpdate([] {});
}

void TCustomElTree::PropertyChanged(TPropertyEffect Effect) {
  if (view_ == nullptr) return;
  WithUpdate([&] {
    switch (Effect) {
      case peRepaint:
        view_->AreaChanged = true;
        dirty_ = true;
        break;
      case peLineHeight:
        UpdateLineHeight();
        InvalidateLayout(lfAll);
        break;
      case peWidest:
      case peRows: InvalidateLayout(lfAll); break;
      case peLayout:
        LayoutChildren();
        InvalidateLayout(lfAll);
        break;
    }
  });
}

void TCustomElTree::UpdateLineHeight() {
  if (!auto_line_height_) return;
  int h = MeasureLineHeight();
  if (h == line_height_) return;
  line_height_ = h;
  InvalidateLayout(lfAll);
}

int TCustomElTree::MeasureLineHeight() {
  int a = 0;
  if (ShowImages_) {
    if (images_ != nullptr) a = std::max(a, images_->Height());
    if (images2_ != nullptr) a = std::max(a, images2_->Height());
  }
  a = std::max(a, item_indent_);
  int fh = Font()->Height();
  int b = fh < 0 ? -fh + 4 : fh + 2;
  int h = std::max(a, b);
  if (ShowCheckboxes_) {
    if (CustomCheckboxes_)
      h = std::max({h, check_box_glyph_->Height(), radio_button_glyph_->Height()});
    else
      h = std::max(h, item_indent_ - 2);
  }
  if (bar_style_)
    h += 2;
  else if (HorizontalLines_)
    h += 1;
  return h;
}

void TCustomElTree::SetLineHeight(int Value) {
  auto_line_height_ = false;
  if (Value < 1 || Value == line_height_) return;
  line_height_ = Value;
  InvalidateLayout(lfAll);
}

void TCustomElTree::SetAutoLineHeight(bool Value) {
  if (Value == auto_line_height_) return;
  auto_line_height_ = Value;
  if (Value) UpdateLineHeight();
}

// ---- the visible sequence ------------------------------------------------------------

bool TCustomElTree::CountsAsVisible(const TElTreeItem* Item) const {
  return !(FilteredVisibility_ && Item->Hidden());
}

int TCustomElTree::NextVisiblePosition(int FlatIndex) const {
  TElTreeItem* item = At(flat_list_, FlatIndex);
  bool skip = !CountsAsVisible(item) || (item->HasChildren() && !item->Expanded());
  if (!skip || !item->HasChildren()) return FlatIndex + 1;
  TElTreeItem* last = item->LastDescendant();
  int end = flat_list_.IndexOfStartingAt(FlatIndex + 1, last);
  return end < 0 ? flat_list_.Count() : end + 1;
}

int TCustomElTree::VisibleRowCount() {
  if (count_stale_ || visible_positions_.size() > static_cast<size_t>(flat_list_.Count()) ||
      (!visible_positions_.empty() && visible_positions_.back() >= flat_list_.Count())) {
    visible_positions_.clear();
    for (int i = 0; i < flat_list_.Count(); i = NextVisiblePosition(i))
      if (CountsAsVisible(At(flat_list_, i))) visible_positions_.push_back(i);
    visible_count_ = static_cast<int>(visible_positions_.size());
    count_stale_ = false;
  }
  return visible_count_;
}

TElTreeItem* TCustomElTree::VisibleItemAt(int Index) const {
  const_cast<TCustomElTree*>(this)->VisibleRowCount();
  if (Index < 0 || Index >= static_cast<int>(visible_positions_.size())) return nullptr;
  return At(flat_list_, visible_positions_[static_cast<size_t>(Index)]);
}

int TCustomElTree::VisibleIndexOf(const TElTreeItem* Item) const {
  if (Item == nullptr) return -1;
  const_cast<TCustomElTree*>(this)->VisibleRowCount();
  int flat = flat_list_.IndexOf(Item);
  if (flat < 0) return -1;
  auto it = std::lower_bound(visible_positions_.begin(), visible_positions_.end(), flat);
  if (it == visible_positions_.end() || *it != flat) return -1;
  return static_cast<int>(it - visible_positions_.begin());
}

// ---- focus and selection ---------------------------------------------------------------

TElTreeItem* TCustomElTree::ItemWithFocus() const { return view_ ? view_->focused_ : nullptr; }
TElTreeItem* TCustomElTree::Selected() const { return view_ ? view_->anchor_ : nullptr; }

void TCustomElTree::SetSelected(TElTreeItem* Item) {
  if (view_ == nullptr) return;
  if (multi_select_)
    view_->anchor_ = Item;
  else
    DoSetFocused(Item, false, false);
}

int TCustomElTree::SelectedCount() const {
  if (multi_select_) return selected_ ? selected_->Count() : 0;
  return ItemWithFocus() != nullptr ? 1 : 0;
}

void TCustomElTree::DoSetFocused(TElTreeItem* Item, bool Forced, bool Delayed) {
  if (view_ == nullptr) return;
  if (Item != nullptr && !Item->Selectable) return;
  TElTreeItem* old = view_->focused_;
  if (Item == old) return;
  if (!IsDeleting() && OnChanging) {
    bool allow = true;
    OnChanging(this, Item, allow);
    if (!allow && !Forced) return;
  }
  WithUpdate([&] {
    if (old != nullptr) {
      old->SetStateBit(stiFocused, false);
      InvalidateRow(old);
      if (AutoExpand_ && Item != nullptr) {
        for (TElTreeItem* p = old; p != nullptr && !p->IsRoot(); p = p->Parent()) {
          if (Item->LiesWithin(p)) break;
          if (p->Expanded()) p->Collapse(false);
        }
      }
    }
    view_->focused_ = Item;
    // A single-select tree selects what has the focus: the old anchor is
    // deselected (its own event), the new one selected.
    if (!multi_select_ && view_->anchor_ != Item) {
      TElTreeItem* previous = view_->anchor_;
      view_->anchor_ = nullptr;
      if (previous != nullptr) {
        previous->SetStateBit(stiSelected, false);
        InvalidateRow(previous);
        selection_changed_ = true;
        DoItemSelectedChange(previous);
      }
      if (Item != nullptr && view_->focused_ == Item) {
        view_->anchor_ = Item;
        Item->SetStateBit(stiSelected, true);
        selection_changed_ = true;
        DoItemSelectedChange(Item);
      }
    }
    if (Item != nullptr) {
      Item->SetStateBit(stiFocused, true);
      InvalidateRow(Item);
      if (AutoExpand_) Item->Expand(false);
      int rows = view_->rows_.Count();
      if (rows > 0 && view_->Row(rows - 1) == Item && rows * line_height_ > view_->ClientHeight())
        SetTopIndex(top_index_ + 1);
    }
    if (change_delay_ != 0 && Delayed) {
      delayed_item_ = Item;
      change_timer_->SetEnabled(false);
      change_timer_->SetInterval(static_cast<uint32_t>(change_delay_));
      change_timer_->SetEnabled(true);
    } else {
      DoItemFocused();
    }
    dirty_ = true;
  });
}

void TCustomElTree::ChangeTimerTick() {
  change_timer_->SetEnabled(false);
  TElTreeItem* item = delayed_item_;
  delayed_item_ = nullptr;
  if (item == ItemWithFocus()) DoItemFocused();
}

void TCustomElTree::DoItemFocused() {
  if (destroying_ || IsDeleting()) return;
  if (OnItemFocused) OnItemFocused(this);
}

void TCustomElTree::SetMultiSelect(bool Value) {
  if (Value == multi_select_) return;
  WithUpdate([&] {
    if (Value) {
      multi_select_ = true;
      selected_ = std::make_unique<TElList>();
      if (TElTreeItem* anchor = Selected()) {
        anchor->SetStateBit(stiSelected, true);
        selected_->Add(anchor);
      }
    } else {
      DeselectAllWithHidden(true);
      multi_select_ = false;
      selected_.reset();
      if (TElTreeItem* f = ItemWithFocus()) {
        f->SetStateBit(stiFocused, true);
        f->SetStateBit(stiSelected, true);
        view_->anchor_ = f;
      }
    }
    InvalidateLayout(lfAll);
  });
}

void TCustomElTree::DeselectAllWithHidden(bool IncludeHidden) {
  if (!multi_select_ || !selected_) return;
  WithUpdate([&] {
    for (int i = selected_->Count() - 1; i >= 0; --i) {
      if (i >= selected_->Count()) continue;
      TElTreeItem* item = static_cast<TElTreeItem*>(selected_->Get(i));
      if (!IncludeHidden && FilteredVisibility_ && item->Hidden()) continue;
      item->SetStateBit(stiSelected, false);
      selected_->Delete(i);
      if (view_->anchor_ == item) view_->anchor_ = nullptr;
      InvalidateRow(item);
      selection_changed_ = true;
      DoItemSelectedChange(item);
    }
    if (IncludeHidden) selected_->Clear();
  });
}

void TCustomElTree::SelectionWalk(bool Invert, bool WithHiddenRule, bool IncludeHidden) {
  if (!multi_select_) return;
  WithUpdate([&] {
    int i = 0;
    while (i < flat_list_.Count()) {
      TElTreeItem* item = At(flat_list_, i);
      bool hidden =
          item->Hidden() && (WithHiddenRule ? !IncludeHidden && FilteredVisibility_ : true);
      bool skip_sub =
          !(WithHiddenRule && IncludeHidden) &&
          (hidden || (FilteredVisibility_ && item->HasChildren() && !item->Expanded()) ||
           (WithHiddenRule && item->HasChildren() && !item->Expanded()));
      if (!hidden && (Invert || !item->Selected())) item->SetSelected(!item->Selected());
      if (skip_sub && item->HasChildren()) {
        int end = flat_list_.IndexOfStartingAt(i + 1, item->LastDescendant());
        i = end < 0 ? flat_list_.Count() : end + 1;
      } else {
        ++i;
      }
    }
  });
}

void TCustomElTree::SelectRange(TElTreeItem* From, TElTreeItem* To, bool IncludeDisabled,
                                bool IncludeHidden) {
  if (!multi_select_) return;
  if (From == To && From != nullptr) return;
  int a = From ? From->FlatIndex() : 0;
  int b = To ? To->FlatIndex() : 0;
  if (a < 0 || b < 0) return;
  if (a > b) std::swap(a, b);
  WithUpdate([&] {
    int i = a;
    while (i <= b && i < flat_list_.Count()) {
      TElTreeItem* item = At(flat_list_, i);
      if (!IncludeHidden && FilteredVisibility_ && item->Hidden()) {
        int end = flat_list_.IndexOfStartingAt(i + 1, item->LastDescendant());
        i = (item->HasChildren() && end >= 0) ? end + 1 : i + 1;
        continue;
      }
      if ((IncludeDisabled || item->Enabled()) && !item->Selected()) item->SetSelected(true);
      ++i;
    }
  });
}

void TCustomElTree::EnsureVisible(TElTreeItem* Item) { ShowItem(Item, false); }
void TCustomElTree::EnsureVisibleAsLastRow(TElTreeItem* Item) { ShowItem(Item, true); }

void TCustomElTree::ShowItem(TElTreeItem* Item, bool AsLastRow) {
  if (Item == nullptr || view_ == nullptr) return;
  if (ItemInView(Item)) return;
  WithUpdate([&] {
    for (TElTreeItem* p = Item->Parent(); p != nullptr && !p->IsRoot(); p = p->Parent())
      if (!p->Expanded()) p->Expand(false);
    count_stale_ = true;
    int index = VisibleIndexOf(Item);
    if (index < 0) return;
    int rows = 0, rest = 0;
    view_->FullRows(rows, rest);
    SetTopIndex(AsLastRow ? std::max(0, index - std::max(rows, 1) + 1) : index);
  });
}

void TCustomElTree::ScrollToItem(TElTreeItem* Item) {
  if (Item == nullptr) throw EElTreeError("ElTree item not specified");
  int index = VisibleIndexOf(Item);
  if (index >= 0) SetTopIndex(index);
}

bool TCustomElTree::ItemInView(TElTreeItem* Item) const {
  return view_ != nullptr && Item != nullptr && view_->rows_.IndexOf(Item) >= 0;
}

TElTreeItem* TCustomElTree::TopItem() const {
  return view_ != nullptr && view_->rows_.Count() > 0 ? view_->Row(0) : nullptr;
}

void TCustomElTree::SetTopIndex(int Value) {
  if (view_) view_->SetTopIndex(Value);
}

void TCustomElTree::SetLeftPosition(int Value) {
  if (view_) view_->SetLeftPosition(Value);
}

bool TCustomElTree::TreeFocused() const {
  return Focused() || (view_ != nullptr && view_->Focused());
}

void TCustomElTree::SetFocus() {
  if (view_ != nullptr && view_->CanFocus()) view_->SetFocus();
}

void TCustomElTree::CollapseEverything() {
  WithUpdate([&] {
    TElTreeItem* root = items_->Root();
    for (int i = 0; i < root->DirectChildCount(); ++i) root->Children(i)->Collapse(true);
  });
}

void TCustomElTree::WriteOutlineText(TStream* Stream) {
  for (int i = 0; i < flat_list_.Count(); ++i) {
    TElTreeItem* item = At(flat_list_, i);
    int level = item->Level();
    std::string line(static_cast<size_t>(std::max(0, level - 1)), ' ');
    line += item->Text();
    line += "\r\n";
    Stream->WriteBuffer(line.data(), static_cast<int64_t>(line.size()));
  }
}

// ---- events -------------------------------------------------------------------------

void TCustomElTree::GetFontLook(int& Size, uint8_t& Styles, std::string& Name) const {
  Size = Font()->Size();
  Styles = static_cast<uint8_t>(Font()->Style());
  Name = Font()->Name();
}

int TCustomElTree::SectionCount() const { return header_ ? header_->Sections()->Count() : 0; }

void TCustomElTree::DoItemChange(TElTreeItem* Item, TItemChangeMode Mode) {
  if (OnItemChange) OnItemChange(this, Item, Mode);
}
void TCustomElTree::DoItemExpanding(TElTreeItem* Item, bool& CanProcess) {
  if (OnItemExpanding) OnItemExpanding(this, Item, CanProcess);
}
void TCustomElTree::DoItemCollapsing(TElTreeItem* Item, bool& CanProcess) {
  if (OnItemCollapsing) OnItemCollapsing(this, Item, CanProcess);
}
void TCustomElTree::DoItemExpand(TElTreeItem* Item) {
  if (OnItemExpand) OnItemExpand(this, Item);
}
void TCustomElTree::DoItemCollapse(TElTreeItem* Item) {
  if (OnItemCollapse) OnItemCollapse(this, Item);
}
void TCustomElTree::DoItemDeletion(TElTreeItem* Item) {
  if (OnItemDeletion) OnItemDeletion(this, Item);
}
void TCustomElTree::DoItemSelectedChange(TElTreeItem* Item) {
  if (destroying_) return;
  if (OnItemSelectedChange) OnItemSelectedChange(this, Item);
}
void TCustomElTree::DoSortBegin() {
  if (OnSortBegin) OnSortBegin(this);
}
void TCustomElTree::DoSortEnd() {
  if (OnSortEnd) OnSortEnd(this);
}
void TCustomElTree::DoItemChecked(TElTreeItem* Item) {
  if (OnItemChecked) OnItemChecked(this, Item);
}
void TCustomElTree::DoAfterSelectionChange() {
  if (OnAfterSelectionChange) OnAfterSelectionChange(this);
}
void TCustomElTree::DoHeaderColumnClick(int SectionIndex) {
  if (OnHeaderColumnClick) OnHeaderColumnClick(this, SectionIndex);
}
void TCustomElTree::DoShowLineHint(TElTreeItem* Item, std::string& Text, TWinControl* HintWindow,
                                   const TPoint& MousePos, bool& DoShowHint) {
  if (OnShowLineHint) OnShowLineHint(this, Item, Text, HintWindow, MousePos, DoShowHint);
}

int TCustomElTree::DoGetPicture(TElTreeItem* Item) {
  int index = Item->ImageIndex();
  if (index == -1 && OnItemPicDraw) OnItemPicDraw(this, Item, index);
  return index;
}

int TCustomElTree::DoGetPicture2(TElTreeItem* Item) {
  int index = Item->ImageIndex2();
  if (index == -1 && OnItemPicDraw2) OnItemPicDraw2(this, Item, index);
  return index;
}

// ---- the view ---------------------------------------------------------------------

TFontStyles TCustomElTree::ItemFontStyle(const TElTreeItem* Item, TFontStyles TreeStyle) {
  if (Item->ParentStyle()) return TreeStyle;
  TFontStyles style = 0;
  if (Item->Bold()) style |= fsBold;
  if (Item->Italic()) style |= fsItalic;
  if (Item->Underlined()) style |= fsUnderline;
  if (Item->StrikeOut()) style |= fsStrikeOut;
  return style;
}

void TCustomElTree::MeasureWidestRow() {
  if (view_) view_->MeasureWidestRow();
}

void TCustomElTree::MeasureMainColumn() {
  if (show_columns_) AutoSizeColumn(main_tree_column_);
}

void TCustomElTree::MeasureAllColumns() {
  if (measuring_columns_ || !show_columns_) return;
  measuring_columns_ = true;
  try {
    for (int i = 0; i < header_->Sections()->Count(); ++i) AutoSizeColumn(i);
  } catch (...) {
    measuring_columns_ = false;
    throw;
  }
  measuring_columns_ = false;
}

void TCustomElTree::AutoSizeColumn(int SectionIndex) {
  if (IsUpdating() && !layout_guard_) return;
  TElHeaderSection* section = header_->Sections()->Item(SectionIndex);
  if (section == nullptr || !section->AutoSize()) return;
  int text_width = 0;
  int width = header_->PreferredSectionWidth(section, text_width);
  for (int i = 0; i < flat_list_.Count(); i = NextVisiblePosition(i)) {
    TElTreeItem* item = At(flat_list_, i);
    if (!CountsAsVisible(item)) continue;
    try {
      width = std::max(width, MeasureCell(item, SectionIndex).X);
    } catch (const Exception&) {
    }
  }
  if (width != section->Width()) section->SetWidth(width);
}

TPoint TCustomElTree::MeasureCell(TElTreeItem* Item, int ColumnNum) {
  TCanvas* c = view_->Canvas();
  c->SetFont(Font());
  if (ColumnNum == main_tree_column_ || !show_columns_) {
    int w = ((ShowRoot_ && ShowLines_) || (ShowButtons_ && ShowRootButtons_)) ? item_indent_
                                                                              : item_indent_ / 5;
    w += std::max(0, Item->Level()) * item_indent_;
    if (ShowCheckboxes_ && Item->ShowCheckBox())
      w += CustomCheckboxes_ ? 2 + radio_button_glyph_->Width() / 6 : item_indent_ + 4;
    bool image2 = false;
    if (ShowImages_ && images2_ != nullptr) {
      int index = DoGetPicture2(Item);
      if ((index >= 0 && index < images2_->Count()) || ShowEmptyImages2_) {
        w += images2_->Width();
        image2 = true;
      }
    }
    if (ShowImages_ && images_ != nullptr) {
      int index = DoGetPicture(Item);
      if ((index >= 0 && index < images_->Count()) || ShowEmptyImages_) {
        if (image2) w += item_indent_ / 3;
        w += images_->Width();
      }
    }
    c->Font()->SetStyle(ItemFontStyle(Item, Font()->Style()));
    w += c->TextWidth(Item->Text()) + item_indent_ / 5 * 3;
    w += VerticalLines_ ? 4 : 2;
    return TPoint{w, line_height_};
  }
  TElHeaderSection* section = header_->Sections()->Item(ColumnNum);
  int k = ColumnNum > main_tree_column_ ? ColumnNum - 1 : ColumnNum;
  std::string text;
  if (section != nullptr && section->Password())
    text = "******";
  else if (k >= 0 && k < Item->ColumnText()->Count())
    text = Item->ColumnText()->Strings(k);
  int w = c->TextWidth(text) + item_indent_ / 5 * 3 + (VerticalLines_ ? 4 : 2);
  return TPoint{w, line_height_};
}

void TCustomElTree::RefreshView() {
  if (view_ && !IsUpdating()) view_->Invalidate();
}

void TCustomElTree::InvalidateRow(TElTreeItem* Item) {
  if (view_ == nullptr || Item == nullptr) return;
  if (view_->rows_.IndexOf(Item) >= 0) view_->Invalidate();
}

void TCustomElTree::InvalidateCell(TElTreeItem* Item, int, int) { InvalidateRow(Item); }
void TCustomElTree::InvalidateMainCell(TElTreeItem* Item) { InvalidateRow(Item); }
void TCustomElTree::InvalidateLines(TElTreeItem*) {
  if (view_) view_->Invalidate();
}

void TCustomElTree::RemoveFromRows(TElTreeItem* Item) {
  if (view_ == nullptr) return;
  int index = view_->rows_.IndexOf(Item);
  if (index >= 0) view_->rows_.Delete(index);
  view_->RowsChanged = true;
  dirty_ = true;
}

void TCustomElTree::ForgetItem(TElTreeItem* Item) {
  if (delayed_item_ == Item) {
    delayed_item_ = nullptr;
    change_timer_->SetEnabled(false);
  }
  if (selected_) {
    int index = selected_->IndexOf(Item);
    if (index >= 0) selected_->Delete(index);
  }
  if (view_) view_->ForgetItem(Item);
}

TRect TCustomElTree::GetItemRect(TElTreeItem* Item) const {
  if (view_ == nullptr) return TRect{};
  int index = view_->rows_.IndexOf(Item);
  if (index < 0) return TRect{};
  TRect r = view_->RowRect(index);
  OffsetRect(r, view_->Left(), view_->Top());
  return r;
}

// ---- properties with rules of their own ----------------------------------------------

int TCustomElTree::HeaderHeight() const {
  return header_height_ > 0 ? header_height_ : header_->Height();
}

void TCustomElTree::SetHeaderHeight(int Value) {
  if (Value < 0 || Value == header_height_) return;
  header_height_ = Value;
  header_->SetHeight(Value);
  LayoutChildren();
  PropertyChanged(peRows);
}

TElHeaderSections* TCustomElTree::HeaderSections() const { return header_->Sections(); }

void TCustomElTree::SetShowColumns(bool Value) {
  if (Value == show_columns_) return;
  if (Value && header_->Sections()->Count() == 0) return;
  show_columns_ = Value;
  WithUpdate([&] {
    if (!Value) view_->widest_row_ = -1;
    LayoutChildren();
    InvalidateLayout(lfAll);
  });
}

void TCustomElTree::SetSelectColumn(int Value) {
  if (Value < -1 || Value >= header_->Sections()->Count() || Value == select_column_) return;
  select_column_ = Value;
  PropertyChanged(peRepaint);
}

void TCustomElTree::SetBarStyle(bool Value) {
  if (Value == bar_style_) return;
  bar_style_ = Value;
  WithUpdate([&] {
    if (Value) {
      SetBkColor(clBtnFace);
      SetTextColor(clBtnText);
      SetLinesColor(clBtnShadow);
    }
    UpdateLineHeight();
    InvalidateLayout(lfAll);
  });
}

void TCustomElTree::SetItemIndent(int Value) {
  if (Value == item_indent_ || Value < 0) return;
  item_indent_ = Value;
  PropertyChanged(peLineHeight);
}

void TCustomElTree::SetMainTreeColumn(int Value) {
  if (Value == main_tree_column_ || Value < 0) return;
  main_tree_column_ = Value;
  PropertyChanged(peWidest);
}

void TCustomElTree::ReplaceImageList(TImageList*& Slot, TImageList* Value) {
  if (Value == Slot) return;
  if (Slot != nullptr) {
    Slot->UnRegisterChanges(&image_link_);
    Slot->RemoveFreeNotification(this);
  }
  Slot = Value;
  if (Slot != nullptr) {
    Slot->RegisterChanges(&image_link_);
    Slot->FreeNotification(this);
  }
  PropertyChanged(peLineHeight);
}

void TCustomElTree::SetImages(TImageList* Value) { ReplaceImageList(images_, Value); }
void TCustomElTree::SetImages2(TImageList* Value) { ReplaceImageList(images2_, Value); }

void TCustomElTree::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation != TOperation::opRemove) return;
  if (AComponent == images_) {
    images_ = nullptr;
    if (!destroying_) PropertyChanged(peLineHeight);
  }
  if (AComponent == images2_) {
    images2_ = nullptr;
    if (!destroying_) PropertyChanged(peLineHeight);
  }
}

void TCustomElTree::SetFlat(bool Value) {
  if (Value == flat_) return;
  flat_ = Value;
  // Without custom bars the bars keep the framed system look.
  hscroll_->SetFlat(Value && use_custom_scroll_bars_);
  vscroll_->SetFlat(Value && use_custom_scroll_bars_);
  Invalidate();
}

void TCustomElTree::SetUseCustomScrollBars(bool Value) {
  if (Value == use_custom_scroll_bars_) return;
  use_custom_scroll_bars_ = Value;
  // The system look is the same bar drawn framed.
  if (!Value) {
    hscroll_->SetFlat(false);
    vscroll_->SetFlat(false);
  }
  PropertyChanged(peLayout);
}

void TCustomElTree::SetStickyHeaderSections(bool Value) {
  header_->SetStickySections(Value);
  PropertyChanged(peLayout);
}

void TCustomElTree::ApplyDragTypeAndFont() { FontChanged(); }

void TCustomElTree::Assign(TPersistent* Source) {
  auto* other = dynamic_cast<TCustomElTree*>(Source);
  if (other == nullptr) {
    TCustomControl::Assign(Source);
    return;
  }
  if (other == this) return;
  WithUpdate([&] {
    items_->Assign(other->Items());
    ShowLines_ = other->ShowLines_;
    ShowButtons_ = other->ShowButtons_;
    ShowRoot_ = other->ShowRoot_;
    ShowRootButtons_ = other->ShowRootButtons_;
    ShowImages_ = other->ShowImages_;
    ShowCheckboxes_ = other->ShowCheckboxes_;
    CustomCheckboxes_ = other->CustomCheckboxes_;
    CustomPlusMinus_ = other->CustomPlusMinus_;
    LinesColor_ = other->LinesColor_;
    LinesStyle_ = other->LinesStyle_;
    BkColor_ = other->BkColor_;
    TextColor_ = other->TextColor_;
    DivLinesColor_ = other->DivLinesColor_;
    HorizontalLines_ = other->HorizontalLines_;
    VerticalLines_ = other->VerticalLines_;
    OwnerDrawByColumn_ = other->OwnerDrawByColumn_;
    OwnerDrawMask_ = other->OwnerDrawMask_;
    DragTrgDrawMode_ = other->DragTrgDrawMode_;
    RowSelect_ = other->RowSelect_;
    FullRowSelect_ = other->FullRowSelect_;
    Tracking_ = other->Tracking_;
    plus_picture_->Assign(other->plus_picture_.get());
    minus_picture_->Assign(other->minus_picture_.get());
    check_box_glyph_->Assign(other->check_box_glyph_.get());
    radio_button_glyph_->Assign(other->radio_button_glyph_.get());
    header_->SetTracking(other->header_->Tracking());
    item_indent_ = other->item_indent_;
    auto_line_height_ = other->auto_line_height_;
    line_height_ = other->line_height_;
    top_index_ = other->top_index_;
    InvalidateLayout(lfAll);
  });
}

// ---- layout --------------------------------------------------------------------------

int TCustomElTree::BorderWidth() const {
  if (BorderStyle_ == bsNone) return 0;
  return Ctl3D_ ? 2 : 1;
}

TElHeaderSection* TCustomElTree::MainSection() const {
  if (!show_columns_) return nullptr;
  return header_->Sections()->Item(main_tree_column_);
}

void TCustomElTree::LayoutChildren() {
  if (view_ == nullptr || in_layout_) return;
  in_layout_ = true;
  try {
    TRect r = ClientRect();
    int b = BorderWidth();
    InflateRect(r, -b, -b);
    int header_h = show_columns_ ? HeaderHeight() : 0;
    int vbar_w = vbar_shown_ ? vscroll_->Thickness() : 0;
    int hbar_h = hbar_shown_ ? hscroll_->Thickness() : 0;
    bool vbar_right = RightAlignedText_ == ScrollbarOpposite_;
    int content_left = r.Left + (vbar_right ? 0 : vbar_w);
    int content_right = r.Right - (vbar_right ? vbar_w : 0);
    if (show_columns_) {
      int w = std::max(0, content_right - content_left) + (header_->StickySections() ? 1 : 0);
      header_->SetBounds(content_left, r.Top, w, header_h);
      header_->SetVisible(true);
    } else {
      header_->SetVisible(false);
    }
    if (hbar_shown_) {
      hscroll_->SetBounds(content_left, r.Bottom - hbar_h,
                          std::max(0, content_right - content_left), hbar_h);
      hscroll_->SetVisible(true);
    } else {
      hscroll_->SetVisible(false);
    }
    if (vbar_shown_) {
      int bottom = hbar_shown_ ? r.Bottom - hbar_h - 1 : r.Bottom;
      int x = vbar_right ? r.Right - vbar_w : r.Left;
      vscroll_->SetBounds(x, r.Top, vbar_w, std::max(0, bottom - r.Top));
      vscroll_->SetVisible(true);
    } else {
      vscroll_->SetVisible(false);
    }
    view_->SetBounds(content_left, r.Top + header_h, std::max(0, content_right - content_left),
                     std::max(0, r.Bottom - hbar_h - r.Top - header_h));
    view_->SetVisible(true);
  } catch (...) {
    in_layout_ = false;
    throw;
  }
  in_layout_ = false;
  Invalidate();
}

void TCustomElTree::UpdateScrollBars() {
  if (view_ == nullptr || in_layout_) return;
  for (int pass = 0; pass < 4; ++pass) {
    bool was_h = hbar_shown_, was_v = vbar_shown_;
    int view_w = view_->Width();
    int range = show_columns_ ? header_->SectionsWidth() : view_->WidestRow();
    if (range < 0) range = 0;
    bool forced_h = ForcedScrollBars_ == ssHorizontal || ForcedScrollBars_ == ssBoth;
    bool need_h = range > view_w + 1 && !HideHorzScrollBar_;
    hbar_shown_ = need_h || (forced_h && !HideHorzScrollBar_);
    if (!need_h) {
      left_position_ = 0;
      header_->SetScrollOffset(0);
    }
    left_position_ = std::clamp(left_position_, 0, std::max(0, range - view_w));
    hscroll_->SetScrollMin(0, false);
    hscroll_->SetScrollMax(range, false);
    hscroll_->SetScrollPage(view_w + 1, false);
    hscroll_->SetScrollPosition(left_position_, true);
    hscroll_->SetEnabled(need_h);

    int count = VisibleRowCount();
    int page = view_->PageFrom(top_index_);
    bool fits = count * line_height_ <= view_->Height();
    bool forced_v = ForcedScrollBars_ == ssVertical || ForcedScrollBars_ == ssBoth;
    bool need_v = !(top_index_ == 0 && fits) && !HideVertScrollBar_;
    vbar_shown_ = need_v || (forced_v && !HideVertScrollBar_);
    vscroll_->SetScrollMin(0, false);
    vscroll_->SetScrollMax(std::max(0, count - 1), false);
    vscroll_->SetScrollPage(std::max(1, page), false);
    vscroll_->SetScrollPosition(top_index_, true);
    vscroll_->SetEnabled(need_v);
    if (was_h == hbar_shown_ && was_v == vbar_shown_) break;
    LayoutChildren();
    if (view_->RowsChanged || true) view_->ApplyTopIndex();
  }
  Invalidate();
}

void TCustomElTree::Resize() {
  TCustomControl::Resize();
  LayoutChildren();
  if (view_ != nullptr && !IsUpdating()) WithUpdate([&] { InvalidateLayout(lfRows); });
}

void TCustomElTree::FontChanged() {
  TCustomControl::FontChanged();
  if (view_ == nullptr) return;
  view_->SetFont(Font());
  header_->SetFont(Font());
  UpdateLineHeight();
  InvalidateLayout(lfAll);
}

void TCustomElTree::Paint() {
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  c->Brush()->SetColor(clBtnFace);
  c->FillRect(r);
  TElFlatBorderType type = fbtSunken;
  if (flat_) type = TreeFocused() ? ActiveBorderType_ : InactiveBorderType_;
  if (type == fbtRaised) type = fbtRaisedOuter;
  if (BorderStyle_ == bsSingle) {
    if (Ctl3D_)
      PaintFlatBorder(c, r, BkColor_, type, Enabled(), TreeFocused());
    else {
      c->Brush()->SetColor(clWindowFrame);
      c->FrameRect(r);
    }
  }
}

void TCustomElTree::DoEnter() {
  TCustomControl::DoEnter();
  Invalidate();
}

void TCustomElTree::DoExit() {
  TCustomControl::DoExit();
  Invalidate();
}

// ---- header and bar notifications --------------------------------------------------

void TCustomElTree::HeaderSectionClick(TElHeaderSection* Section) {
  if (Section == nullptr) return;
  if (sort_mode_ == smClick || sort_mode_ == smAddClick) {
    sort_section_ = Section->ColumnIndex();
    if (Section->SortMode() == hsmNone)
      Section->SetSortMode(SortDir_ == sdAscend ? hsmDescend : hsmAscend);
    Section->SetSortMode(Section->SortMode() == hsmAscend ? hsmDescend : hsmAscend);
    SortType_ = SortTypeOfField(Section->FieldType());
    SortAll();
  }
  DoHeaderColumnClick(Section->ColumnIndex());
}

void TCustomElTree::HeaderSectionResize(TElHeaderSection* Section) {
  WithUpdate([&] { InvalidateLayout(lfAll); });
  if (OnHeaderResize) OnHeaderResize(this);
  if (OnHeaderColumnResize && Section) OnHeaderColumnResize(this, Section->ColumnIndex());
}

void TCustomElTree::HeaderSectionMove(TElHeaderSection* Section, int OldPos, int NewPos) {
  WithUpdate([&] { InvalidateLayout(lfAll); });
  if (OnHeaderColumnMove) OnHeaderColumnMove(this, Section, OldPos, NewPos);
}

void TCustomElTree::HeaderSectionChange(TElHeaderSection*) {
  if (show_columns_) WithUpdate([&] { InvalidateLayout(lfAll); });
}

void TCustomElTree::HeaderLookup(TElHeaderSection* Section, std::string& Text) {
  if (!AutoLookup_ || Section == nullptr || Text.empty()) return;
  int column = Section->ColumnIndex();
  int start = 0;
  if (TElTreeItem* f = ItemWithFocus()) start = std::max(0, f->FlatIndex());
  for (int i = 0; i < flat_list_.Count(); i = NextVisiblePosition(i)) {
    if (i < start) continue;
    TElTreeItem* item = At(flat_list_, i);
    if (!CountsAsVisible(item)) continue;
    std::string text;
    if (column == main_tree_column_) {
      text = item->Text();
    } else {
      int k = column > main_tree_column_ ? column - 1 : column;
      if (k < item->ColumnText()->Count()) text = item->ColumnText()->Strings(k);
    }
    if (text.size() >= Text.size() && TextEqualsIgnoreCase(text.substr(0, Text.size()), Text)) {
      EnsureVisible(item);
      DoSetFocused(item, false, false);
      return;
    }
  }
}

void TCustomElTree::VertHintNeeded(int TrackPosition, std::string& Hint) {
  if (OnVertScrollHintNeeded) OnVertScrollHintNeeded(this, TrackPosition, Hint);
  if (!Hint.empty() || sort_section_ == -1) return;
  TElTreeItem* item = VisibleItemAt(TrackPosition);
  if (item == nullptr) return;
  if (sort_section_ == main_tree_column_ || !show_columns_) {
    Hint = item->Text();
  } else {
    int k = sort_section_ > main_tree_column_ ? sort_section_ - 1 : sort_section_;
    if (k >= 0 && k < item->ColumnText()->Count()) Hint = item->ColumnText()->Strings(k);
  }
}

void TCustomElTree::BarScroll(TCustomElScrollBar* Bar, TElScrollCode Code, int& Pos,
                              bool& DoChange) {
  // An open editor is committed before its row moves away.
  if (view_->Editing()) view_->FinishCellEdit(false);
  TElScrollCode code = Code;
  if (code == escSndLineUp || code == escSndLineDown) {
    switch (Bar->SecondBtnKind()) {
      case sbkOpposite: code = Code == escSndLineUp ? escLineDown : escLineUp; break;
      case sbkPage: code = Code == escSndLineUp ? escPageUp : escPageDown; break;
      default: DoChange = false; return;
    }
  }
  if (Bar == hscroll_) {
    int lp = left_position_;
    switch (code) {
      case escLineUp: lp -= 4; break;
      case escLineDown: lp += 4; break;
      case escPageUp: lp -= view_->Width() / 2; break;
      case escPageDown: lp += view_->Width() / 2; break;
      case escPosition: lp = Pos; break;
      case escTrack:
        if (ScrollTracking_) lp = Pos;
        break;
      case escTop: lp = 0; break;
      case escBottom: lp = show_columns_ ? header_->SectionsWidth() : view_->WidestRow(); break;
      default: break;
    }
    SetLeftPosition(lp);
    Pos = left_position_;
    if (OnScroll) OnScroll(this, sbHorizontal, Code);
  } else {
    int top = top_index_;
    int cap = view_->RowCapacity();
    switch (code) {
      case escLineUp: top -= 1; break;
      case escLineDown: top += 1; break;
      case escPageUp: top = std::max(0, top - cap + 1); break;
      case escPageDown: {
        int next = top + cap - 1;
        if (next == top && VisibleRowCount() > 1) ++next;
        top = next;
        break;
      }
      case escPosition: top = Pos; break;
      case escTrack:
        if (ScrollTracking_) top = Pos;
        break;
      case escTop: top = 0; break;
      case escBottom: top = VisibleRowCount(); break;
      default: break;
    }
    SetTopIndex(top);
    Pos = top_index_;
    if (OnScroll) OnScroll(this, sbVertical, Code);
  }
  (void)DoChange;
}

}  // namespace lumicast
