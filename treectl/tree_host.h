// The narrow interface through which tree items and their collection reach the
// tree control that owns them. The tree control implements it; the items never
// see the control's windows, header or view directly.
#pragma once

#include <cstdint>
#include <string>

namespace lumicast {

class TElList;
class TElTreeItem;

enum TSortModes { smNone, smAdd, smClick, smAddClick };

// What an item change was about (the ItemChangeMode argument of OnItemChange):
// its text, a state flag, or its check box toggled by the user.
enum TItemChangeMode { icmText = 0, icmState = 1, icmCheckState = 2 };

// Parts of the view's layout that a change makes stale; they are recomputed
// when the outermost update pair closes.
enum TElLayoutFlags : unsigned {
  lfRows = 1u << 0,          // the list of rows shown must be rebuilt
  lfVisibleCount = 1u << 1,  // the count of visible items must be recounted
  lfWidestRow = 1u << 2,     // the widest row (no columns) must be measured again
  lfAll = 1u << 3,           // everything: rows, count, widest row, columns, area
};

class TElTreeHost {
 public:
  virtual ~TElTreeHost() = default;

  // ---- the tree's own lists and state ----
  // Every item except the invisible root, in pre-order.
  virtual TElList& FlatList() = 0;
  // The selected items of a multi-select tree; nullptr otherwise.
  virtual TElList* SelectedItems() = 0;
  // Deferred update: nested; the view re-lays out once, when the outermost closes.
  virtual void BeginUpdate() = 0;
  virtual void EndUpdate() = 0;
  virtual bool IsUpdating() const = 0;
  virtual bool IsDestroying() const = 0;
  // Something needs re-layout when the update pair closes.
  virtual void SetDirty() = 0;
  virtual void SetSelectionChanged() = 0;
  virtual void ChangeHiddenCount(int Delta) = 0;
  // The deletion counter: while raised the tree fires neither OnChanging nor
  // OnItemFocused.
  virtual void BeginDeletion() = 0;
  virtual void EndDeletion() = 0;

  // ---- properties the items consult ----
  virtual bool ShowColumns() const = 0;
  virtual bool ShowCheckboxes() const = 0;
  virtual bool ShowImages() const = 0;
  virtual bool ShowEmptyImages() const = 0;
  virtual bool ShowEmptyImages2() const = 0;
  virtual bool FilteredVisibility() const = 0;
  virtual bool MultiSelect() const = 0;
  virtual bool MoveFocusOnCollapse() const = 0;
  virtual bool DeselectChildrenOnCollapse() const = 0;
  virtual int LineHeight() const = 0;
  // Size, style set and name of the tree's font (new cell styles start with them).
  virtual void GetFontLook(int& Size, uint8_t& Styles, std::string& Name) const = 0;

  // ---- focus and selection ----
  virtual TElTreeItem* ItemWithFocus() const = 0;
  // Moves the focus (OnChanging may veto unless Forced). Does nothing when
  // Item is not selectable; nil is always accepted.
  virtual void SetItemWithFocus(TElTreeItem* Item, bool Forced) = 0;
  // The selection anchor; writing it in a single-select tree moves the focus.
  virtual TElTreeItem* Selected() const = 0;
  virtual void SetSelected(TElTreeItem* Item) = 0;
  virtual int SelectedCount() const = 0;

  // ---- sorting ----
  virtual TSortModes SortMode() const = 0;
  virtual int SortSection() const = 0;
  virtual int MainTreeColumn() const = 0;
  virtual int SectionCount() const = 0;  // header sections
  virtual bool IsSorting() const = 0;    // a sort is running
  virtual void SetResortPending() = 0;   // sort everything when the update pair closes
  // Sorts Item's children (Recursive: and their subtrees) and rewrites the
  // flat list over the item's block.
  virtual void SortChildren(TElTreeItem* Item, bool Recursive) = 0;

  // ---- events (each fires the tree's handler when one is assigned) ----
  virtual void DoItemChange(TElTreeItem* Item, TItemChangeMode Mode) = 0;
  virtual void DoItemExpanding(TElTreeItem* Item, bool& CanProcess) = 0;
  virtual void DoItemCollapsing(TElTreeItem* Item, bool& CanProcess) = 0;
  virtual void DoItemExpand(TElTreeItem* Item) = 0;
  virtual void DoItemCollapse(TElTreeItem* Item) = 0;
  virtual void DoItemDeletion(TElTreeItem* Item) = 0;
  virtual void DoItemSelectedChange(TElTreeItem* Item) = 0;
  virtual void DoSortBegin() = 0;
  virtual void DoSortEnd() = 0;

  // ---- the view ----
  virtual void InvalidateLayout(unsigned Flags) = 0;  // TElLayoutFlags
  virtual void MeasureWidestRow() = 0;                // measure the widest row now
  virtual void MeasureMainColumn() = 0;               // auto-size the main column now
  virtual void MeasureAllColumns() = 0;
  virtual void RefreshView() = 0;  // repaint what is invalid now
  // Invalidate the row of Item (when it has one on screen), a part of it
  // between two header coordinates, or its main column's cell.
  virtual void InvalidateRow(TElTreeItem* Item) = 0;
  virtual void InvalidateCell(TElTreeItem* Item, int Left, int Right) = 0;
  virtual void InvalidateMainCell(TElTreeItem* Item) = 0;
  // Invalidate the line area of every visible row from Item on (nil: all).
  virtual void InvalidateLines(TElTreeItem* From) = 0;
  // Item leaves the rows shown.
  virtual void RemoveFromRows(TElTreeItem* Item) = 0;
  // Item is about to be destroyed: the tree and its view drop every reference
  // they still hold to it (hot item, drop target, edited or pending-edit item,
  // delayed-focus item, and the focus or anchor when still on it) without
  // firing events, ending an in-place edit of it.
  virtual void ForgetItem(TElTreeItem* Item) = 0;
};

}  // namespace lumicast
