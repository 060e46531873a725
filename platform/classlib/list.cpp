#include "platform/classlib/list.h"

#include <algorithm>

#include "platform/classlib/exceptions.h"

namespace classlib {

namespace {

[[noreturn]] void ListError(const char* what, int data) {
  throw EListError(std::string(what) + " (" + std::to_string(data) + ")");
}

}  // namespace

void TList::CheckIndex(int Index) const {
  if (Index < 0 || Index >= Count()) ListError("List index out of bounds", Index);
}

void TList::Grow() {
  if (Count() < capacity_) return;
  // Grow like the classic list: by 4, 8 or a quarter of the capacity.
  int delta = capacity_ > 64 ? capacity_ / 4 : (capacity_ > 8 ? 16 : 4);
  SetCapacity(capacity_ + delta);
}

int TList::Add(void* Item) {
  Grow();
  items_.push_back(Item);
  return Count() - 1;
}

void TList::Insert(int Index, void* Item) {
  if (Index < 0 || Index > Count()) ListError("List index out of bounds", Index);
  Grow();
  items_.insert(items_.begin() + Index, Item);
}

void TList::Delete(int Index) {
  CheckIndex(Index);
  items_.erase(items_.begin() + Index);
}

int TList::Remove(void* Item) {
  int i = IndexOf(Item);
  if (i >= 0) Delete(i);
  return i;
}

void* TList::Extract(void* Item) {
  int i = IndexOf(Item);
  if (i < 0) return nullptr;
  Delete(i);
  return Item;
}

int TList::IndexOf(void* Item) const {
  auto it = std::find(items_.begin(), items_.end(), Item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TList::Exchange(int Index1, int Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  std::swap(items_[static_cast<size_t>(Index1)], items_[static_cast<size_t>(Index2)]);
}

void TList::Move(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex) return;
  CheckIndex(NewIndex);
  void* item = Items(CurIndex);
  items_.erase(items_.begin() + CurIndex);
  items_.insert(items_.begin() + NewIndex, item);
}

void TList::Sort(const TListSortCompare& Compare) {
  if (!Compare || items_.size() < 2) return;
  std::stable_sort(items_.begin(), items_.end(),
                   [&](void* a, void* b) { return Compare(a, b) < 0; });
}

void TList::Clear() {
  items_.clear();
  SetCapacity(0);
}

void TList::Pack() {
  items_.erase(std::remove(items_.begin(), items_.end(), nullptr), items_.end());
}

void* TList::First() const { return Items(0); }

void* TList::Last() const { return Items(Count() - 1); }

void TList::SetCount(int NewCount) {
  if (NewCount < 0) ListError("List count out of bounds", NewCount);
  if (NewCount > capacity_) SetCapacity(NewCount);
  items_.resize(static_cast<size_t>(NewCount), nullptr);
}

void TList::SetCapacity(int NewCapacity) {
  if (NewCapacity < Count()) ListError("List capacity out of bounds", NewCapacity);
  capacity_ = NewCapacity;
  if (static_cast<size_t>(NewCapacity) > items_.capacity())
    items_.reserve(static_cast<size_t>(NewCapacity));
}

void* TList::Items(int Index) const {
  CheckIndex(Index);
  return items_[static_cast<size_t>(Index)];
}

void TList::SetItems(int Index, void* Item) {
  CheckIndex(Index);
  items_[static_cast<size_t>(Index)] = Item;
}

}  // namespace classlib
