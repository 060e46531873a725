// A tree stand-in for the item tests and the item benchmark: it keeps the
// flat list, counters, focus and anchor the way the tree control does, and
// records what the items ask of it.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "treectl/el_list.h"
#include "treectl/tree_host.h"
#include "treectl/tree_items.h"

namespace lumitest {

class FakeTree : public lumicast::TElTreeHost {
 public:
  using TElTreeItem = lumicast::TElTreeItem;

  FakeTree() : items(std::make_unique<lumicast::TElTreeItems>(this)) {}
  ~FakeTree() override {
    destroying = true;
    items.reset();
  }

  void SetMultiSelect(bool Value) {
    multi = Value;
    if (Value && !selected) selected = std::make_unique<lumicast::TElList>();
    if (!Value) selected.reset();
  }

  // State the items change.
  lumicast::TElList flat;
  std::unique_ptr<lumicast::TElList> selected;
  int update_count = 0;
  int deletion_count = 0;
  int hidden_count = 0;
  int sorting = 0;
  bool dirty = false;
  bool resort_pending = false;
  bool destroying = false;
  unsigned layout_flags = 0;
  TElTreeItem* focus = nullptr;
  TElTreeItem* anchor = nullptr;

  // Properties the items read.
  bool multi = false;
  bool show_columns = false;
  bool show_checkboxes = true;
  bool filtered = false;
  bool move_focus_on_collapse = false;
  bool deselect_children_on_collapse = false;
  lumicast::TSortModes sort_mode = lumicast::smNone;
  int sort_section = 0;
  int main_column = 0;
  int sections = 0;

  // Handlers and the record of what happened.
  std::function<void(TElTreeItem*, bool&)> on_changing;
  std::function<void(TElTreeItem*)> on_deletion;
  std::function<void(TElTreeItem*)> on_expand;
  std::function<void(TElTreeItem*, bool&)> on_collapsing;
  std::vector<std::string> log;

  std::unique_ptr<lumicast::TElTreeItems> items;

  static std::string Name(TElTreeItem* Item) {
    if (Item == nullptr) return "nil";
    return Item->IsRoot() ? std::string("root") : Item->Text();
  }

  lumicast::TElList& FlatList() override { return flat; }
  lumicast::TElList* SelectedItems() override { return selected.get(); }
  void BeginUpdate() override { ++update_count; }
  void EndUpdate() override { --update_count; }
  bool IsUpdating() const override { return update_count > 0; }
  bool IsDestroying() const override { return destroying; }
  void SetDirty() override { dirty = true; }
  void SetSelectionChanged() override {}
  void ChangeHiddenCount(int Delta) override { hidden_count += Delta; }
  void BeginDeletion() override { ++deletion_count; }
  void EndDeletion() override { --deletion_count; }

  bool ShowColumns() const override { return show_columns; }
  bool ShowCheckboxes() const override { return show_checkboxes; }
  bool ShowImages() const override { return true; }
  bool ShowEmptyImages() const override { return false; }
  bool ShowEmptyImages2() const override { return false; }
  bool FilteredVisibility() const override { return filtered; }
  bool MultiSelect() const override { return multi; }
  bool MoveFocusOnCollapse() const override { return move_focus_on_collapse; }
  bool DeselectChildrenOnCollapse() const override { return deselect_children_on_collapse; }
  int LineHeight() const override { return 18; }
  void GetFontLook(int& Size, uint8_t& Styles, std::string& FontName) const override {
    Size = 8;
    Styles = 0;
    FontName = "Arial";
  }

  TElTreeItem* ItemWithFocus() const override { return focus; }
  void SetItemWithFocus(TElTreeItem* Item, bool Forced) override {
    if (Item != nullptr && !Item->Selectable) return;
    if (Item == focus) return;
    bool allow = true;
    if (deletion_count == 0 && on_changing) on_changing(Item, allow);
    if (!allow && !Forced) return;
    if (focus) focus->SetStateBit(lumicast::stiFocused, false);
    focus = Item;
    if (Item) Item->SetStateBit(lumicast::stiFocused, true);
    if (!multi) anchor = Item;
    log.push_back("focus " + Name(Item));
  }
  TElTreeItem* Selected() const override { return anchor; }
  void SetSelected(TElTreeItem* Item) override {
    if (multi)
      anchor = Item;
    else
      SetItemWithFocus(Item, false);
  }
  int SelectedCount() const override {
    if (multi) return selected ? selected->Count() : 0;
    return focus ? 1 : 0;
  }

  lumicast::TSortModes SortMode() const override { return sort_mode; }
  int SortSection() const override { return sort_section; }
  int MainTreeColumn() const override { return main_column; }
  int SectionCount() const override { return sections; }
  bool IsSorting() const override { return sorting > 0; }
  void SetResortPending() override { resort_pending = true; }
  void SortChildren(TElTreeItem* Item, bool Recursive) override {
    log.push_back(std::string(Recursive ? "sort* " : "sort ") + Name(Item));
  }

  void DoItemChange(TElTreeItem* Item, lumicast::TItemChangeMode Mode) override {
    log.push_back((Mode == lumicast::icmText ? "text " : "state ") + Name(Item));
  }
  void DoItemExpanding(TElTreeItem* Item, bool&) override {
    log.push_back("expanding " + Name(Item));
  }
  void DoItemCollapsing(TElTreeItem* Item, bool& CanProcess) override {
    log.push_back("collapsing " + Name(Item));
    if (on_collapsing) on_collapsing(Item, CanProcess);
  }
  void DoItemExpand(TElTreeItem* Item) override {
    log.push_back("expand " + Name(Item));
    if (on_expand) on_expand(Item);
  }
  void DoItemCollapse(TElTreeItem* Item) override { log.push_back("collapse " + Name(Item)); }
  void DoItemDeletion(TElTreeItem* Item) override {
    log.push_back("delete " + Name(Item));
    if (on_deletion) on_deletion(Item);
  }
  void DoItemSelectedChange(TElTreeItem* Item) override { log.push_back("selected " + Name(Item)); }
  void DoSortBegin() override { log.push_back("sort begin"); }
  void DoSortEnd() override { log.push_back("sort end"); }

  void InvalidateLayout(unsigned Flags) override { layout_flags |= Flags; }
  void MeasureWidestRow() override {}
  void MeasureMainColumn() override {}
  void MeasureAllColumns() override {}
  void RefreshView() override {}
  void InvalidateRow(TElTreeItem*) override {}
  void InvalidateCell(TElTreeItem*, int, int) override {}
  void InvalidateMainCell(TElTreeItem*) override {}
  void InvalidateLines(TElTreeItem*) override {}
  void RemoveFromRows(TElTreeItem*) override {}
  void ForgetItem(TElTreeItem* Item) override {
    if (focus == Item) focus = nullptr;
    if (anchor == Item) anchor = nullptr;
  }

  // Only the events, in order (focus moves and sorts left out).
  std::vector<std::string> Events(const std::string& Prefix) const {
    std::vector<std::string> out;
    for (const auto& entry : log)
      if (entry.rfind(Prefix, 0) == 0) out.push_back(entry);
    return out;
  }
};

}  // namespace lumitest
