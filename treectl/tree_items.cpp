#include "treectl/tree_items.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace lumicast {

using classlib::TColor;
using classlib::TObject;
using classlib::TPersistent;
using classlib::TStringList;
using classlib::TStrings;

namespace {

const char kIndexOutOfBounds[] = "ElTree item index out of bounds.";
const char kMoveIntoSubitem[] = "Can't move Item to one of its subitems.";
const char kItemNotSpecified[] = "ElTree item not specified";

// Runs Body inside the tree's update pair; the pair is closed also when an
// exception passes (a failure while closing is then dropped so that the
// original exception reaches the caller).
template <typename F>
void Updating(TElTreeHost* Tree, F&& Body) {
  Tree->BeginUpdate();
  try {
    Body();
  } catch (...) {
    try {
      Tree->EndUpdate();
    } catch (...) {
    }
    throw;
  }
  Tree->EndUpdate();
}

// The deletion counter, lowered also when an exception passes.
template <typename F>
void Deleting(TElTreeHost* Tree, F&& Body) {
  Tree->BeginDeletion();
  try {
    Body();
  } catch (...) {
    Tree->EndDeletion();
    throw;
  }
  Tree->EndDeletion();
}

// Items leave their lists from the end (children are deleted last first), so
// searching backward finds them at once.
int IndexFromEnd(const TElList& List, const void* Item) {
  void* const* p = List.List();
  for (int i = List.Count() - 1; i >= 0; --i)
    if (p[i] == Item) return i;
  return -1;
}

TElTreeItem* At(const TElList& List, int Index) {
  return static_cast<TElTreeItem*>(List.UncheckedGet(Index));
}

// Flat position just after Item (0 for the root).
int PositionAfter(const TElList& Flat, const TElTreeItem* Item) {
  if (Item->IsRoot()) return 0;
  if (Flat.Count() > 0 && Flat.Last() == Item) return Flat.Count();
  int index = Flat.IndexOf(Item);
  return index + 1;
}

// Flat position of the last entry of Item's block, searching from its start.
int BlockEnd(const TElList& Flat, const TElTreeItem* Item, int Start) {
  const TElTreeItem* last = Item->LastDescendant();
  if (last == Item) return Start;
  int end = Flat.IndexOfStartingAt(Start, last);
  return end < 0 ? Start : end;
}

// True when Ancestor is Item or one of its ancestors, the root included.
bool IsSelfOrAncestor(const TElTreeItem* Ancestor, const TElTreeItem* Item) {
  return Ancestor == Item || Ancestor->IsRoot() || Item->LiesWithin(Ancestor);
}

// Bit of the drawing-order state word for each state-set index.
uint32_t StateWordBit(int Index) {
  switch (Index) {
    case stiFocused: return 1u << 0;
    case stiSelected: return 1u << 1;
    case stiCut: return 1u << 2;
    case stiExpanded: return 1u << 3;
    case stiBold: return 1u << 4;
    case stiItalic: return 1u << 5;
    case stiUnderlined: return 1u << 6;
    case stiStrikeOut: return 1u << 7;
    default: return 0;
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// TElCellStyle

TElCellStyle::TElCellStyle(TElTreeItem* Owner) : owner_(Owner) {}

TElCellStyle::~TElCellStyle() = default;

void TElCellStyle::Assign(const TElCellStyle* Source) {
  if (Source == nullptr || Source == this) return;
  CellFillColor = Source->CellFillColor;
  TextFillColor = Source->TextFillColor;
  TextColor = Source->TextColor;
  TextDrawFlags = Source->TextDrawFlags;
  Picture = Source->Picture;
  CellType = Source->CellType;
  Style = Source->Style;
  UseOwnerLook = Source->UseOwnerLook;
  FontSize = Source->FontSize;
  FontStyles = Source->FontStyles;
  FontName = Source->FontName;
  TextBkTransparent = Source->TextBkTransparent;
}

void TElCellStyle::SetControl(TElCellControl* Value) {
  if (Value == control_.get()) return;
  control_.reset(Value);
  if (Value != nullptr) Value->owner_ = this;
  if (owner_ != nullptr) owner_->RedrawRow();
}

// ---------------------------------------------------------------------------
// TElTreeItem: construction

TElTreeItem::TElTreeItem(TElTreeHost* Tree)
    : tree_(Tree),
      main_style_(std::make_unique<TElCellStyle>(this)),
      column_text_(std::make_unique<TStringList>()) {
  main_style_->UseOwnerLook = true;
  column_text_->OnChange = [this](TObject*) { ColumnTextChanged(); };
}

TElTreeItem::~TElTreeItem() {
  if (Selected() && tree_ != nullptr && tree_->MultiSelect()) {
    if (TElList* selected = tree_->SelectedItems()) {
      int index = IndexFromEnd(*selected, this);
      if (index >= 0) selected->DetachAt(index);
    }
  }
  column_text_->OnChange = nullptr;
}

TElTreeItem* TElTreeItem::Root() const { return root_; }

// ---------------------------------------------------------------------------
// Structure

TElTreeItem* TElTreeItem::Parent() const {
  if (parent_ == nullptr || parent_->IsRoot()) return nullptr;
  return parent_;
}

int TElTreeItem::Level() const {
  int level = -1;
  for (const TElTreeItem* p = parent_; p != nullptr; p = p->parent_) ++level;
  return level;
}

int TElTreeItem::Index() const {
  if (parent_ == nullptr || !parent_->children_) return -1;
  return parent_->children_->IndexOf(this);
}

int TElTreeItem::FlatIndex() const {
  if (IsRoot()) return -1;
  return tree_->FlatList().IndexOf(this);
}

int TElTreeItem::VisibleIndex() const {
  return collection_ ? collection_->VisibleIndexOf(this) : -1;
}

TElTreeItem* TElTreeItem::Children(int Index) const {
  if (!children_) return nullptr;
  return static_cast<TElTreeItem*>(children_->Get(Index));
}

TElTreeItem* TElTreeItem::FirstChild() const {
  return children_ && children_->Count() > 0 ? At(*children_, 0) : nullptr;
}

TElTreeItem* TElTreeItem::LastChild() const {
  return children_ && children_->Count() > 0 ? static_cast<TElTreeItem*>(children_->Last())
                                             : nullptr;
}

TElTreeItem* TElTreeItem::FirstVisibleChild() const {
  if (!children_) return nullptr;
  if (!tree_->FilteredVisibility()) return FirstChild();
  for (int i = 0; i < children_->Count(); ++i)
    if (!At(*children_, i)->hidden_) return At(*children_, i);
  return nullptr;
}

TElTreeItem* TElTreeItem::ChildAfter(TElTreeItem* Child) const {
  if (!children_) return nullptr;
  int index = children_->IndexOf(Child);
  if (index < 0 || index + 1 >= children_->Count()) return nullptr;
  return At(*children_, index + 1);
}

TElTreeItem* TElTreeItem::ChildBefore(TElTreeItem* Child) const {
  if (!children_) return nullptr;
  int index = children_->IndexOf(Child);
  if (index <= 0) return nullptr;
  return At(*children_, index - 1);
}

TElTreeItem* TElTreeItem::NextSibling() const {
  return parent_ ? parent_->ChildAfter(const_cast<TElTreeItem*>(this)) : nullptr;
}

TElTreeItem* TElTreeItem::LastDescendant() const {
  const TElTreeItem* item = this;
  while (item->children_ && item->children_->Count() > 0)
    item = static_cast<TElTreeItem*>(item->children_->Last());
  return const_cast<TElTreeItem*>(item);
}

TElTreeItem* TElTreeItem::TopAncestor() const {
  if (IsRoot()) return nullptr;
  const TElTreeItem* item = this;
  while (!item->parent_->IsRoot()) item = item->parent_;
  return const_cast<TElTreeItem*>(item);
}

TElTreeItem* TElTreeItem::PrevItem() const {
  int index = FlatIndex();
  return index > 0 ? At(tree_->FlatList(), index - 1) : nullptr;
}

TElTreeItem* TElTreeItem::NextItem() const {
  int index = FlatIndex();
  const TElList& flat = tree_->FlatList();
  return index >= 0 && index + 1 < flat.Count() ? At(flat, index + 1) : nullptr;
}

bool TElTreeItem::LiesWithin(const TElTreeItem* Item) const {
  if (Item == nullptr) return false;
  for (const TElTreeItem* p = this; p != nullptr && !p->IsRoot(); p = p->parent_)
    if (p == Item) return true;
  return false;
}

bool TElTreeItem::HasVisibleChildren() const {
  if (!children_ || children_->Count() == 0) return false;
  return FirstVisibleChild() != nullptr;
}

int TElTreeItem::SubtreeHeight() const {
  if (!Expanded() || !children_) return 0;
  bool filtered = tree_->FilteredVisibility();
  int height = 0;
  for (int i = 0; i < children_->Count(); ++i) {
    TElTreeItem* child = At(*children_, i);
    if (filtered && child->hidden_) continue;
    height += tree_->LineHeight() + child->SubtreeHeight();
  }
  return height;
}

// Children list bookkeeping: the list exists only while there are children.
void TElTreeItem::LinkChild(TElTreeItem* Child, int Index) {
  if (!children_) children_ = std::make_unique<TElList>();
  children_->Insert(Index, Child);
  Child->parent_ = this;
}

void TElTreeItem::UnlinkChild(TElTreeItem* Child) {
  if (!children_) return;
  int index = IndexFromEnd(*children_, Child);
  if (index >= 0) children_->Delete(index);
  if (children_->Count() == 0) children_.reset();
}

// ---------------------------------------------------------------------------
// Repainting

void TElTreeItem::RedrawRow() {
  if (tree_->IsDestroying()) return;
  tree_->InvalidateRow(this);
}

void TElTreeItem::RedrawCell(int Left, int Right) {
  if (tree_->IsDestroying()) return;
  tree_->InvalidateCell(this, Left, Right);
}

void TElTreeItem::RedrawItem() {
  if (!(hidden_ && tree_->FilteredVisibility())) RedrawRow();
  if (tree_->IsUpdating())
    tree_->SetDirty();
  else
    tree_->RefreshView();
}

void TElTreeItem::RedrawCheckBox() {
  if (!show_check_box_ || !tree_->ShowCheckboxes()) return;
  if (tree_->ShowColumns())
    tree_->InvalidateMainCell(this);
  else
    RedrawRow();
  if (tree_->IsUpdating())
    tree_->SetDirty();
  else
    tree_->RefreshView();
}

void TElTreeItem::RemeasureWidestRow() {
  if (tree_->IsUpdating())
    tree_->InvalidateLayout(lfWidestRow);
  else
    tree_->MeasureWidestRow();
}

void TElTreeItem::Changed(TItemChangeMode Mode) {
  if (!IsRoot()) tree_->DoItemChange(this, Mode);
}

void TElTreeItem::ResortSiblings(TElTreeItem* Parent, bool MainColumnOnly, bool WasUpdating) {
  if (Parent == nullptr) return;
  TSortModes mode = tree_->SortMode();
  if (mode != smAdd && mode != smAddClick) return;
  if (tree_->IsSorting()) return;
  int section = tree_->SortSection();
  if (MainColumnOnly) {
    if (section != -1 && section != tree_->MainTreeColumn()) return;
  } else if (section < -1 || section >= tree_->SectionCount()) {
    return;
  }
  if (WasUpdating) {
    tree_->SetResortPending();
    return;
  }
  tree_->DoSortBegin();
  tree_->SortChildren(Parent, false);
  tree_->DoSortEnd();
}

// ---------------------------------------------------------------------------
// Texts

void TElTreeItem::SetText(const std::string& Value) {
  text_ = Value;
  Changed(icmText);
  if (!tree_->ShowColumns() && FullyExpanded()) RemeasureWidestRow();
  ResortSiblings(parent_, true, tree_->IsUpdating());
  if (tree_->ShowColumns() && !tree_->IsUpdating()) tree_->MeasureMainColumn();
  RedrawItem();
}

void TElTreeItem::SetColumnText(TStrings* Value) { column_text_->Assign(Value); }

void TElTreeItem::ColumnTextChanged() {
  ResortSiblings(parent_, false, tree_->IsUpdating());
  if (tree_->ShowColumns() && !tree_->IsUpdating()) tree_->MeasureAllColumns();
  RedrawItem();
}

// ---------------------------------------------------------------------------
// State flags

void TElTreeItem::SetStateBit(int Index, bool Value) {
  uint16_t set_bit = static_cast<uint16_t>(1u << Index);
  if (Value) {
    state_set_ |= set_bit;
    state_word_ |= StateWordBit(Index);
  } else {
    state_set_ &= static_cast<uint16_t>(~set_bit);
    state_word_ &= ~StateWordBit(Index);
  }
}

void TElTreeItem::SetStateProperty(int Index, bool Value) {
  if (GetState(Index) == Value) return;
  SetStateBit(Index, Value);
  if ((Index == stiBold || Index == stiItalic) && !tree_->ShowColumns() && FullyExpanded())
    RemeasureWidestRow();
  Changed(icmState);
  RedrawItem();
}

void TElTreeItem::SetFocused(bool Value) {
  if (Value)
    tree_->SetItemWithFocus(this, false);
  else if (tree_->ItemWithFocus() == this)
    tree_->SetItemWithFocus(nullptr, false);
}

void TElTreeItem::SetSelected(bool Value) {
  if (tree_->MultiSelect() && Value != Selected() && !IsRoot()) {
    tree_->SetSelectionChanged();
    SetStateBit(stiSelected, Value);
    if (TElList* selected = tree_->SelectedItems()) {
      if (Value) {
        selected->Add(this);
      } else {
        int index = IndexFromEnd(*selected, this);
        if (index >= 0) selected->Delete(index);
      }
    }
    if (!Value && tree_->Selected() == this) tree_->SetSelected(nullptr);
    tree_->DoItemSelectedChange(this);
  }
  RedrawItem();
}

void TElTreeItem::SetExpanded(bool Value) {
  if (Value == Expanded()) return;
  Updating(tree_, [&] {
    if (Value)
      Expand(false);
    else
      Collapse(false);
  });
}

bool TElTreeItem::FullyExpanded() const {
  if (parent_ == nullptr || parent_->IsRoot()) return true;
  return parent_->Expanded() && parent_->FullyExpanded();
}

void TElTreeItem::SetFullyExpanded(bool Value) {
  if (!Value) return;
  Updating(tree_, [&] {
    for (TElTreeItem* p = Parent(); p != nullptr; p = p->Parent()) p->SetExpanded(true);
  });
}

bool TElTreeItem::FullyVisible() const {
  if (IsRoot()) return true;
  if (hidden_) return false;
  return parent_->IsRoot() || parent_->FullyVisible();
}

void TElTreeItem::SetFullyVisible(bool Value) {
  if (!Value) return;
  for (TElTreeItem* p = this; p != nullptr; p = p->Parent()) p->SetHidden(false);
}

// ---------------------------------------------------------------------------
// Check boxes

void TElTreeItem::SetCheckBoxState(TCheckBoxState Value) {
  if (Value == check_box_state_) return;
  check_box_state_ = Value;
  RedrawCheckBox();
}

void TElTreeItem::SetChecked(bool Value) {
  TCheckBoxState wanted = Value ? cbChecked : cbUnchecked;
  if (check_box_state_ == wanted) return;
  SetCheckBoxState(wanted);
  if (Value && check_box_type_ == ectRadioButton && parent_ != nullptr && parent_->children_) {
    TElList& siblings = *parent_->children_;
    for (int i = 0; i < siblings.Count(); ++i) {
      TElTreeItem* sibling = At(siblings, i);
      if (sibling != this && sibling->check_box_type_ == ectRadioButton) sibling->SetChecked(false);
    }
  }
}

void TElTreeItem::SetCheckBoxType(TElCheckBoxType Value) {
  if (Value == check_box_type_) return;
  check_box_type_ = Value;
  RedrawCheckBox();
}

void TElTreeItem::SetCheckBoxEnabled(bool Value) {
  if (Value == check_box_enabled_) return;
  check_box_enabled_ = Value;
  RedrawCheckBox();
}

void TElTreeItem::SetShowCheckBox(bool Value) {
  if (Value == show_check_box_) return;
  show_check_box_ = Value;
  RedrawItem();
}

// ---------------------------------------------------------------------------
// Appearance

namespace {
template <typename T>
bool Store(T& Field, const T& Value) {
  if (Field == Value) return false;
  Field = Value;
  return true;
}
}  // namespace

void TElTreeItem::SetParentStyle(bool Value) {
  if (Store(parent_style_, Value)) RedrawItem();
}
void TElTreeItem::SetParentColors(bool Value) {
  if (Store(parent_colors_, Value)) RedrawItem();
}
void TElTreeItem::SetUseBkColor(bool Value) {
  if (Store(use_bk_color_, Value)) RedrawItem();
}
void TElTreeItem::SetColor(TColor Value) {
  if (Store(color_, Value)) RedrawItem();
}
void TElTreeItem::SetBkColor(TColor Value) {
  if (Store(bk_color_, Value)) RedrawItem();
}
void TElTreeItem::SetForceButtons(bool Value) {
  if (Store(force_buttons_, Value)) RedrawItem();
}
void TElTreeItem::SetSuppressButtons(bool Value) {
  if (Store(suppress_buttons_, Value)) RedrawItem();
}
void TElTreeItem::SetEnabled(bool Value) {
  if (Store(enabled_, Value)) RedrawItem();
}

void TElTreeItem::SetRowBkColor(TColor Value) {
  if (!Store(row_bk_color_, Value)) return;
  if (!parent_colors_ && use_bk_color_) RedrawItem();
}

void TElTreeItem::SetImageIndex(int Value) {
  if (!Store(image_index_, Value) || !tree_->ShowImages()) return;
  if (!tree_->ShowEmptyImages() && tree_->ShowColumns()) tree_->MeasureMainColumn();
  RedrawItem();
}

void TElTreeItem::SetStateImageIndex(int Value) {
  if (!Store(state_image_index_, Value) || !tree_->ShowImages()) return;
  if (!tree_->ShowEmptyImages() && tree_->ShowColumns()) tree_->MeasureMainColumn();
  RedrawItem();
}

void TElTreeItem::SetImageIndex2(int Value) {
  if (!Store(image_index2_, Value)) return;
  if (!tree_->ShowEmptyImages2() && tree_->ShowColumns()) tree_->MeasureMainColumn();
  RedrawItem();
}

void TElTreeItem::SetStateImageIndex2(int Value) {
  if (!Store(state_image_index2_, Value)) return;
  if (!tree_->ShowEmptyImages2() && tree_->ShowColumns()) tree_->MeasureMainColumn();
  RedrawItem();
}

void TElTreeItem::SetSuppressLines(bool Value) {
  if (!Store(suppress_lines_, Value)) return;
  tree_->InvalidateLines(Parent());
  if (tree_->ShowColumns()) tree_->MeasureMainColumn();
}

void TElTreeItem::SetHidden(bool Value) {
  if (Value == hidden_) return;
  Updating(tree_, [&] {
    hidden_ = Value;
    tree_->ChangeHiddenCount(Value ? 1 : -1);
    if (tree_->FilteredVisibility()) tree_->InvalidateLayout(lfAll);
    if (tree_->ShowColumns()) tree_->MeasureMainColumn();
  });
  RedrawItem();
}

// ---------------------------------------------------------------------------
// Cell styles

void TElTreeItem::SetUseStyles(bool Value) {
  if (Value == use_styles_) return;
  use_styles_ = Value;
  if (Value) {
    EnsureStyles();
  } else {
    styles_.reset();
  }
  RedrawItem();
}

void TElTreeItem::EnsureStyles() {
  if (styles_) return;
  styles_ = std::make_unique<TElList>();
  // The list owns its styles: every style that leaves it is freed.
  styles_->OnDelete = [](TElList*, void* Style) { delete static_cast<TElCellStyle*>(Style); };
}

TElCellStyle* TElTreeItem::AddStyle() {
  EnsureStyles();
  auto style = std::make_unique<TElCellStyle>(this);
  style->UseOwnerLook = true;
  tree_->GetFontLook(style->FontSize, style->FontStyles, style->FontName);
  style->Assign(main_style_.get());
  styles_->Add(style.get());
  return style.release();
}

void TElTreeItem::RemoveStyle(TElCellStyle* Style) {
  if (!styles_ || Style == nullptr) return;
  styles_->Remove(Style);  // the delete notification frees it
  if (styles_->Count() == 0) styles_.reset();
}

TElCellStyle* TElTreeItem::Styles(int Index) const {
  if (!styles_) return nullptr;
  return static_cast<TElCellStyle*>(styles_->Get(Index));
}

// ---------------------------------------------------------------------------
// Expanding and collapsing

void TElTreeItem::Expand(bool Recursive) {
  if (!IsRoot()) {
    bool can_process = true;
    tree_->DoItemExpanding(this, can_process);
    if (!can_process) return;
  }
  Updating(tree_, [&] {
    tree_->InvalidateLayout(lfRows | lfVisibleCount);
    SetStateBit(stiExpanded, true);
    if (!IsRoot()) tree_->DoItemExpand(this);
    if (Recursive)
      for (int i = 0; children_ && i < children_->Count(); ++i) At(*children_, i)->Expand(true);
    if (!tree_->ShowColumns() && FullyExpanded()) tree_->InvalidateLayout(lfWidestRow);
    tree_->SetDirty();
  });
}

void TElTreeItem::Collapse(bool Recursive) {
  if (!IsRoot()) {
    bool can_process = true;
    tree_->DoItemCollapsing(this, can_process);
    if (!can_process) return;
  }
  Updating(tree_, [&] {
    tree_->InvalidateLayout(lfRows | lfVisibleCount);
    SetStateBit(stiExpanded, false);
    if (!IsRoot()) tree_->DoItemCollapse(this);
    TElTreeItem* focused = tree_->ItemWithFocus();
    if (focused != nullptr && focused != this && focused->LiesWithin(this) &&
        tree_->MoveFocusOnCollapse()) {
      int selected_before = tree_->SelectedCount();
      tree_->SetItemWithFocus(this, false);
      if (selected_before == 1) focused->SetSelected(false);
    }
    if (Recursive)
      for (int i = 0; children_ && i < children_->Count(); ++i) At(*children_, i)->Collapse(true);
    if (tree_->DeselectChildrenOnCollapse() && HasChildren()) {
      const TElList& flat = tree_->FlatList();
      int start = FlatIndex() + 1;
      int end = IsRoot() ? flat.Count() - 1 : BlockEnd(flat, this, start - 1);
      for (int i = start; i <= end && i < flat.Count(); ++i) At(flat, i)->SetSelected(false);
    }
    if (!tree_->ShowColumns() && FullyExpanded()) tree_->InvalidateLayout(lfWidestRow);
    tree_->SetDirty();
  });
}

void TElTreeItem::Sort(bool Recursive) { tree_->SortChildren(this, Recursive); }

void TElTreeItem::ReorderChildren(const std::vector<TElTreeItem*>& Order) {
  const int count = DirectChildCount();
  if (static_cast<int>(Order.size()) != count) throw EElTreeError(kIndexOutOfBounds);
  if (count == 0) return;
  // Every entry must be one of the present children, none twice: the flat
  // list is rewritten from the children lists and would otherwise lose items.
  std::vector<const void*> present(children_->List(), children_->List() + count);
  std::vector<const void*> wanted(Order.begin(), Order.end());
  std::sort(present.begin(), present.end());
  std::sort(wanted.begin(), wanted.end());
  if (present != wanted) throw EElTreeError(kIndexOutOfBounds);

  TElList& flat = tree_->FlatList();
  const int start = IsRoot() ? 0 : FlatIndex() + 1;
  const int end = IsRoot() ? flat.Count() - 1 : BlockEnd(flat, this, start - 1);
  for (int i = 0; i < count; ++i) children_->Put(i, Order[static_cast<size_t>(i)]);

  // Pre-order over the children lists, written back over the same block.
  int position = start;
  std::vector<TElTreeItem*> stack(Order.rbegin(), Order.rend());
  while (!stack.empty()) {
    TElTreeItem* item = stack.back();
    stack.pop_back();
    if (position > end) break;  // cannot happen while the invariants hold
    flat.Put(position++, item);
    for (int i = item->DirectChildCount() - 1; i >= 0; --i)
      stack.push_back(At(*item->children_, i));
  }
  tree_->InvalidateLayout(lfRows | lfVisibleCount);
  tree_->SetDirty();
}

// ---------------------------------------------------------------------------
// Moving

void TElTreeItem::MoveToChildAt(TElTreeItem* NewParent, int Index) {
  if (NewParent == this || IsRoot()) return;
  TElTreeItem* new_parent = NewParent ? NewParent : Root();
  if (new_parent->LiesWithin(this)) throw EElTreeError(kMoveIntoSubitem);

  TElTreeItem* old_parent = parent_;
  int old_index = this->Index();
  int remaining = old_parent->DirectChildCount() - 1;
  bool same_parent = new_parent == old_parent;
  bool append_again = same_parent && old_index < Index && Index >= remaining;
  // Checked before anything changes, so a bad index leaves the tree and its
  // update counter as they were.
  if (Index < 0 || (!same_parent && Index > new_parent->DirectChildCount()))
    throw EElTreeError(kIndexOutOfBounds);

  bool was_updating = tree_->IsUpdating();
  Updating(tree_, [&] {
    TElList& flat = tree_->FlatList();
    int block_start = FlatIndex();
    int block_end = BlockEnd(flat, this, block_start);
    old_parent->UnlinkChild(this);
    tree_->RemoveFromRows(this);

    TElTreeItem* after;  // the block goes just after this item's block end
    if (append_again) {
      after = old_parent->LastDescendant();
      old_parent->LinkChild(this, old_parent->DirectChildCount());
    } else {
      new_parent->LinkChild(this, Index);
      after = Index == 0 ? new_parent : new_parent->Children(Index - 1)->LastDescendant();
    }
    int dest = after->IsRoot() ? 0 : flat.IndexOf(after) + 1;
    if (dest != block_start) {
      if (dest == flat.Count()) {
        flat.SetCount(flat.Count() + 1);
        flat.MoveRange(block_start, block_end, dest);
        flat.SetCount(flat.Count() - 1);
      } else {
        flat.MoveRange(block_start, block_end, dest);
      }
    }
    parent_ = append_again ? old_parent : new_parent;
    ResortSiblings(parent_, true, was_updating);
    tree_->InvalidateLayout(lfRows | lfVisibleCount);
    tree_->SetDirty();
  });
}

void TElTreeItem::MoveTo(TElTreeItem* Item, int Mode) {
  TElTreeItem* root = Root();
  switch (Mode) {
    case 0: {
      if (Item == nullptr) throw EElTreeError(kItemNotSpecified);
      TElTreeItem* parent = Item->parent_ ? Item->parent_ : root;
      MoveToChildAt(parent, parent->DirectChildCount());
      break;
    }
    case 1: MoveToChildAt(Item ? Item->parent_ : root, 0); break;
    case 2: {
      TElTreeItem* parent = Item ? Item : root;
      MoveToChildAt(parent, parent->DirectChildCount());
      break;
    }
    case 3: MoveToChildAt(Item ? Item : root, 0); break;
    case 4: {
      if (Item == nullptr) {
        MoveToChildAt(root, 0);
        break;
      }
      TElTreeItem* parent = Item->parent_ ? Item->parent_ : root;
      int index = Item->Index();
      // Among the same siblings, taking this item out first shifts Item one
      // place up; the item must still end up directly before Item.
      if (parent == parent_ && this->Index() < index) --index;
      MoveToChildAt(parent, index);
      break;
    }
    default: break;
  }
}

// ---------------------------------------------------------------------------
// Deleting

void TElTreeItem::Delete() {
  if (collection_ != nullptr) collection_->DeleteItem(this);
}

void TElTreeItem::DeleteChildrenCore() {
  if (!children_) return;
  Deleting(tree_, [&] {
    // Later siblings go first, and each child takes its subtree with it.
    int count = children_->Count();
    for (int i = 0; i < count && children_ && children_->Count() > 0; ++i)
      DeleteChild(static_cast<TElTreeItem*>(children_->Last()));
  });
}

void TElTreeItem::DeleteChildren() {
  Updating(tree_, [&] { DeleteChildrenCore(); });
}

void TElTreeItem::DeleteChild(TElTreeItem* Child) {
  TElTreeHost* tree = tree_;
  Updating(tree, [&] {
    Child->DeleteChildrenCore();
    if (Child->hidden_) {
      tree->ChangeHiddenCount(-1);
      Child->hidden_ = false;
    }
    bool top_level = IsRoot();
    if (tree->Selected() == Child) {
      TElTreeItem* next_anchor = this;
      if (top_level) {
        next_anchor = ChildBefore(Child);
        if (next_anchor == nullptr) next_anchor = ChildAfter(Child);
      }
      tree->SetSelected(next_anchor);
    }
    Child->SetSelected(false);
    if (tree->ItemWithFocus() == Child) {
      if (top_level) {
        tree->SetItemWithFocus(ChildBefore(Child), true);
        TElTreeItem* now = tree->ItemWithFocus();
        if (now == nullptr || now == Child) tree->SetItemWithFocus(ChildAfter(Child), true);
      } else {
        tree->SetItemWithFocus(this, true);
      }
      // A neighbour that cannot take the focus must not leave it on a freed item.
      if (tree->ItemWithFocus() == Child) tree->SetItemWithFocus(nullptr, true);
    }
    tree->ForgetItem(Child);
    tree->RemoveFromRows(Child);
    tree->DoItemDeletion(Child);
    // The deletion handler may have pointed the tree at the item again.
    tree->ForgetItem(Child);
    UnlinkChild(Child);
    TElList& flat = tree->FlatList();
    int index = IndexFromEnd(flat, Child);
    if (index >= 0) flat.Delete(index);
    delete Child;
    tree->SetDirty();
    tree->InvalidateLayout(lfVisibleCount);
  });
}

// ---------------------------------------------------------------------------
// Assign

void TElTreeItem::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TElTreeItem*>(Source);
  if (source == nullptr) {
    TPersistent::Assign(Source);
    return;
  }
  if (source == this) return;
  // Copying an item into its own subtree (or from it) would delete the source
  // or copy without end.
  if (source->tree_ == tree_ && (IsSelfOrAncestor(this, source) || IsSelfOrAncestor(source, this)))
    throw classlib::EConvertError("Cannot assign a TElTreeItem to a TElTreeItem");

  Updating(tree_, [&] {
    SetText(source->text_);
    column_text_->Assign(source->column_text_.get());
    Data = source->Data;
    color_ = source->color_;
    bk_color_ = source->bk_color_;
    row_bk_color_ = source->row_bk_color_;
    uint16_t own_focus_bits = state_set_ & ((1u << stiFocused) | (1u << stiSelected));
    for (int bit = 1; bit <= 8; ++bit) {
      if (bit == stiFocused || bit == stiSelected) continue;
      SetStateBit(bit, (source->state_set_ & (1u << bit)) != 0);
    }
    SetStateBit(stiFocused, (own_focus_bits & (1u << stiFocused)) != 0);
    SetStateBit(stiSelected, (own_focus_bits & (1u << stiSelected)) != 0);
    parent_style_ = source->parent_style_;
    parent_colors_ = source->parent_colors_;
    image_index_ = source->image_index_;
    state_image_index_ = source->state_image_index_;
    image_index2_ = source->image_index2_;
    state_image_index2_ = source->state_image_index2_;
    check_box_state_ = source->check_box_state_;
    check_box_type_ = source->check_box_type_;
    check_box_enabled_ = source->check_box_enabled_;
    show_check_box_ = source->show_check_box_;
    enabled_ = source->enabled_;
    SetHidden(source->hidden_);
    force_buttons_ = source->force_buttons_;
    UserObject = source->UserObject;
    use_bk_color_ = source->use_bk_color_;
    UserInterface = source->UserInterface;
    UserValue = source->UserValue;
    main_style_->Assign(source->main_style_.get());

    styles_.reset();
    for (int i = 0; i < source->StylesCount(); ++i) AddStyle()->Assign(source->Styles(i));
    use_styles_ = source->use_styles_;
    if (use_styles_) EnsureStyles();

    DeleteChildrenCore();
    TElList& flat = tree_->FlatList();
    TElTreeItem* previous = nullptr;
    for (int i = 0; i < source->DirectChildCount(); ++i) {
      TElTreeItem* source_child = source->Children(i);
      std::unique_ptr<TElTreeItem> made(collection_->CreateItem(tree_));
      made->collection_ = collection_;
      made->root_ = root_;
      int position = PositionAfter(flat, previous ? previous->LastDescendant() : this);
      flat.Insert(position, made.get());
      TElTreeItem* child = made.release();
      LinkChild(child, DirectChildCount());
      child->Assign(source_child);
      previous = child;
    }
    tree_->InvalidateLayout(lfAll);
    tree_->SetDirty();
  });
}

// ---------------------------------------------------------------------------
// TElTreeItems

TElTreeItems::TElTreeItems(TElTreeHost* Tree) : tree_(Tree) {
  root_ = std::make_unique<TElTreeItem>(Tree);
  root_->collection_ = this;
  root_->root_ = root_.get();
  root_->SetStateBit(stiExpanded, true);
}

TElTreeItems::~TElTreeItems() {
  try {
    Updating(tree_, [&] { root_->DeleteChildrenCore(); });
  } catch (...) {
  }
  // Whatever a failing handler left behind is freed without further events.
  TElList& flat = tree_->FlatList();
  std::vector<TElTreeItem*> rest;
  for (int i = 0; i < flat.Count(); ++i) rest.push_back(At(flat, i));
  flat.SetCount(0);
  for (TElTreeItem* item : rest) {
    item->children_.reset();
    delete item;
  }
  root_->children_.reset();
}

TElTreeItem* TElTreeItems::CreateItem(TElTreeHost* Tree) {
  if (ItemClass) return ItemClass(Tree);
  return new TElTreeItem(Tree);
}

void TElTreeItems::BeginUpdate() { tree_->BeginUpdate(); }
void TElTreeItems::EndUpdate() { tree_->EndUpdate(); }

TElTreeItem* TElTreeItems::NewItem(TElTreeItem* Parent, int Index, bool Append) {
  TElTreeItem* parent = Parent ? Parent : root_.get();
  int count = parent->DirectChildCount();
  if (Append) Index = count;
  // Checked before the item is made and before the update pair opens, so a
  // bad index leaks nothing and leaves the update counter as it was.
  if (Index < 0 || Index > count) throw EElTreeError(kIndexOutOfBounds);

  TElTreeItem* result = nullptr;
  Updating(tree_, [&] {
    std::unique_ptr<TElTreeItem> made(CreateItem(tree_));
    made->collection_ = this;
    made->root_ = root_.get();
    TElList& flat = tree_->FlatList();
    int position;
    if (Index < count)
      position = flat.IndexOf(parent->Children(Index));
    else
      position = PositionAfter(flat, parent->LastDescendant());
    flat.Insert(position, made.get());
    result = made.release();
    parent->LinkChild(result, Index);
    tree_->SetDirty();
    if (parent->Expanded() && parent->FullyExpanded())
      tree_->InvalidateLayout(lfRows | lfVisibleCount);
    tree_->InvalidateLayout(lfVisibleCount);
  });
  return result;
}

TElTreeItem* TElTreeItems::AddItem(TElTreeItem* Parent) { return NewItem(Parent, 0, true); }

TElTreeItem* TElTreeItems::InsertItem(int Index, TElTreeItem* Parent) {
  return NewItem(Parent, Index, false);
}

TElTreeItem* TElTreeItems::Named(TElTreeItem* Item, const std::string& Text, void* Data,
                                 bool WithData) {
  Item->SetText(Text);
  if (WithData) Item->Data = Data;
  return Item;
}

namespace {
TElTreeItem* ParentOf(TElTreeItem* Item) { return Item ? Item->Parent() : nullptr; }
}  // namespace

TElTreeItem* TElTreeItems::AddLastSibling(TElTreeItem* Item, const std::string& Text) {
  return Named(AddItem(ParentOf(Item)), Text, nullptr, false);
}
TElTreeItem* TElTreeItems::AddLastChild(TElTreeItem* Item, const std::string& Text) {
  return Named(AddItem(Item), Text, nullptr, false);
}
TElTreeItem* TElTreeItems::AddFirstChild(TElTreeItem* Item, const std::string& Text) {
  return Named(InsertItem(0, Item), Text, nullptr, false);
}
TElTreeItem* TElTreeItems::AddLastChildWithData(TElTreeItem* Item, const std::string& Text,
                                                void* Data) {
  return Named(AddItem(Item), Text, Data, true);
}
TElTreeItem* TElTreeItems::AddFirstChildWithData(TElTreeItem* Item, const std::string& Text,
                                                 void* Data) {
  return Named(InsertItem(0, Item), Text, Data, true);
}
TElTreeItem* TElTreeItems::AddFirstSibling(TElTreeItem* Item, const std::string& Text) {
  return Named(InsertItem(0, ParentOf(Item)), Text, nullptr, false);
}
TElTreeItem* TElTreeItems::AddLastSiblingWithData(TElTreeItem* Item, const std::string& Text,
                                                  void* Data) {
  return Named(AddItem(ParentOf(Item)), Text, Data, true);
}
TElTreeItem* TElTreeItems::AddFirstSiblingWithData(TElTreeItem* Item, const std::string& Text,
                                                   void* Data) {
  return Named(InsertItem(0, ParentOf(Item)), Text, Data, true);
}
TElTreeItem* TElTreeItems::InsertBefore(TElTreeItem* Item, const std::string& Text) {
  return Named(InsertItem(Item ? Item->Index() : 0, ParentOf(Item)), Text, nullptr, false);
}
TElTreeItem* TElTreeItems::InsertBeforeWithData(TElTreeItem* Item, const std::string& Text,
                                                void* Data) {
  return Named(InsertItem(Item ? Item->Index() : 0, ParentOf(Item)), Text, Data, true);
}
TElTreeItem* TElTreeItems::InsertAfter(TElTreeItem* Item, const std::string& Text) {
  return Named(InsertItem(Item ? Item->Index() + 1 : 0, ParentOf(Item)), Text, nullptr, false);
}
TElTreeItem* TElTreeItems::InsertAfterWithData(TElTreeItem* Item, const std::string& Text,
                                               void* Data) {
  return Named(InsertItem(Item ? Item->Index() + 1 : 0, ParentOf(Item)), Text, Data, true);
}

void TElTreeItems::DeleteItem(TElTreeItem* Item) {
  if (Item == nullptr || Item == root_.get() || Item->collection_ != this) return;
  TElTreeItem* parent = Item->parent_;
  Updating(tree_, [&] {
    parent->DeleteChild(Item);
    if (parent->Expanded() && parent->FullyExpanded())
      tree_->InvalidateLayout(lfRows | lfVisibleCount);
  });
}

void TElTreeItems::Clear() {
  bool had_items = Count() > 0;
  Updating(tree_, [&] {
    root_->DeleteChildrenCore();
    tree_->InvalidateLayout(lfWidestRow);
    if (had_items) tree_->InvalidateLayout(lfRows | lfVisibleCount);
  });
}

int TElTreeItems::Count() const { return tree_->FlatList().Count(); }

TElTreeItem* TElTreeItems::Item(int Index) const {
  const TElList& flat = tree_->FlatList();
  if (Index < 0 || Index >= flat.Count()) return nullptr;
  return At(flat, Index);
}

int TElTreeItems::IndexOf(const TElTreeItem* Item) const {
  if (Item == nullptr) return -1;
  return tree_->FlatList().IndexOf(Item);
}

std::vector<bool> TElTreeItems::VisibleMap() const {
  const TElList& flat = tree_->FlatList();
  int count = flat.Count();
  std::vector<bool> visible(static_cast<size_t>(count), false);
  bool filtered = tree_->FilteredVisibility();
  int i = 0;
  while (i < count) {
    TElTreeItem* item = At(flat, i);
    bool skip_self = filtered && item->hidden_;
    if (!skip_self) visible[static_cast<size_t>(i)] = true;
    if (skip_self || (item->HasChildren() && !item->Expanded())) {
      // Skip the subtree: it ends at the item's last descendant.
      TElTreeItem* last = item->LastDescendant();
      while (i < count && At(flat, i) != last) ++i;
    }
    ++i;
  }
  return visible;
}

int TElTreeItems::VisibleCount() const {
  int n = 0;
  for (bool v : VisibleMap()) n += v ? 1 : 0;
  return n;
}

TElTreeItem* TElTreeItems::VisibleItem(int Index) const {
  if (Index < 0) return nullptr;
  std::vector<bool> visible = VisibleMap();
  int n = 0;
  for (size_t i = 0; i < visible.size(); ++i)
    if (visible[i] && n++ == Index) return At(tree_->FlatList(), static_cast<int>(i));
  return nullptr;
}

int TElTreeItems::VisibleIndexOf(const TElTreeItem* Item) const {
  int index = IndexOf(Item);
  if (index < 0) return -1;
  std::vector<bool> visible = VisibleMap();
  if (!visible[static_cast<size_t>(index)]) return -1;
  int n = 0;
  for (int i = 0; i < index; ++i) n += visible[static_cast<size_t>(i)] ? 1 : 0;
  return n;
}

void TElTreeItems::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TElTreeItems*>(Source);
  if (source == nullptr) {
    TPersistent::Assign(Source);
    return;
  }
  if (source == this) return;
  Updating(tree_, [&] { root_->Assign(source->root_.get()); });
}

// Walks. The walk re-reads the list length on every step, so a procedure
// that changes the tree ends the walk early rather than reading past the list.

void TElTreeItems::ForEach(bool VisibleOnly, const TElIterateProc& Proc, void* Data) {
  ForEachFrom(VisibleOnly, Proc, nullptr, Data);
}

void TElTreeItems::ForEachFrom(bool VisibleOnly, const TElIterateProc& Proc, TElTreeItem* StartItem,
                               void* Data) {
  const TElList& flat = tree_->FlatList();
  int start = 0;
  if (StartItem != nullptr) {
    start = IndexOf(StartItem);
    if (start < 0) return;
  }
  std::vector<bool> visible;
  int index = start;
  if (VisibleOnly) {
    visible = VisibleMap();
    index = 0;
    for (int i = 0; i < start; ++i) index += visible[static_cast<size_t>(i)] ? 1 : 0;
  }
  bool go_on = true;
  for (int i = start; go_on && i < flat.Count(); ++i) {
    if (VisibleOnly &&
        (static_cast<size_t>(i) >= visible.size() || !visible[static_cast<size_t>(i)]))
      continue;
    Proc(At(flat, i), index++, go_on, tree_, Data);
  }
}

void TElTreeItems::ForEachBackward(bool VisibleOnly, const TElIterateProc& Proc, void* Data) {
  ForEachBackwardFrom(VisibleOnly, Proc, nullptr, Data);
}

void TElTreeItems::ForEachBackwardFrom(bool VisibleOnly, const TElIterateProc& Proc,
                                       TElTreeItem* StartItem, void* Data) {
  const TElList& flat = tree_->FlatList();
  int start = flat.Count() - 1;
  if (StartItem != nullptr) {
    int at = IndexOf(StartItem);
    if (at < 0) return;
    start = at - 1;
  }
  std::vector<bool> visible;
  int index = start;
  if (VisibleOnly) {
    visible = VisibleMap();
    index = -1;
    for (int i = 0; i <= start; ++i) index += visible[static_cast<size_t>(i)] ? 1 : 0;
  }
  bool go_on = true;
  for (int i = start; go_on && i >= 0; --i) {
    if (i >= flat.Count()) continue;
    if (VisibleOnly &&
        (static_cast<size_t>(i) >= visible.size() || !visible[static_cast<size_t>(i)]))
      continue;
    Proc(At(flat, i), index--, go_on, tree_, Data);
  }
}

TElTreeItem* TElTreeItems::FindItem(TElTreeItem* StartItem, bool IncludeStart, bool DescendantsOnly,
                                    bool VisibleOnly, const TElLookupPredicate& Predicate,
                                    void* Data) {
  const TElList& flat = tree_->FlatList();
  int start = 0;
  int end = flat.Count() - 1;
  if (StartItem != nullptr) {
    start = IndexOf(StartItem);
    if (start < 0) return nullptr;
    if (DescendantsOnly) end = BlockEnd(flat, StartItem, start);
  }
  std::vector<bool> visible;
  if (VisibleOnly) visible = VisibleMap();
  for (int i = start; i <= end && i < flat.Count(); ++i) {
    TElTreeItem* item = At(flat, i);
    if (item == StartItem && !IncludeStart) continue;
    if (VisibleOnly &&
        (static_cast<size_t>(i) >= visible.size() || !visible[static_cast<size_t>(i)]))
      continue;
    if (Predicate(item, Data)) return item;
  }
  return nullptr;
}

}  // namespace lumicast
