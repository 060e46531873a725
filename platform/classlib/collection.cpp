#include "platform/classlib/collection.h"

#include <algorithm>

#include "platform/classlib/exceptions.h"
#include "platform/classlib/string_utils.h"

namespace classlib {

TCollectionItem::TCollectionItem(TCollection* Collection) : collection_(Collection) {}

TCollectionItem::~TCollectionItem() {
  if (collection_ != nullptr) collection_->RemoveItem(this);
}

int TCollectionItem::Index() const {
  if (collection_ == nullptr) return -1;
  const auto& items = collection_->items_;
  auto it = std::find(items.begin(), items.end(), this);
  return it == items.end() ? -1 : static_cast<int>(it - items.begin());
}

void TCollectionItem::SetIndex(int Value) {
  if (collection_ != nullptr && Value != Index()) collection_->MoveItem(this, Value);
}

std::string TCollectionItem::DisplayName() const { return ClassName(); }

void TCollectionItem::Changed(bool AllItems) {
  if (collection_ != nullptr) collection_->Changed(AllItems ? nullptr : this);
}

TCollection::TCollection(TItemFactory Factory) : factory_(std::move(Factory)) {}

TCollection::~TCollection() {
  destroying_ = true;
  ++update_count_;
  Clear();
}

TCollectionItem* TCollection::Add() { return Insert(Count()); }

TCollectionItem* TCollection::Insert(int Index) {
  if (Index < 0 || Index > Count())
    throw EListError(Format("List index out of bounds (%d)", {Index}));
  TCollectionItem* item = factory_ ? factory_(this) : new TCollectionItem(this);
  item->collection_ = this;
  InsertItem(item, Index);
  return item;
}

void TCollection::InsertItem(TCollectionItem* Item, int Index) {
  Item->id_ = next_id_++;
  items_.insert(items_.begin() + Index, Item);
  Notify(Item, TCollectionNotification::cnAdded);
  Changed(nullptr);
}

void TCollection::RemoveItem(TCollectionItem* Item) {
  auto it = std::find(items_.begin(), items_.end(), Item);
  if (it == items_.end()) return;
  items_.erase(it);
  Item->collection_ = nullptr;
  if (!destroying_) Changed(nullptr);
}

void TCollection::Delete(int Index) {
  TCollectionItem* item = Items(Index);
  Notify(item, TCollectionNotification::cnDeleting);
  delete item;  // removes itself
}

void TCollection::Clear() {
  if (items_.empty()) return;
  BeginUpdate();
  while (!items_.empty()) Delete(Count() - 1);
  EndUpdate();
}

TCollectionItem* TCollection::Items(int Index) const {
  if (Index < 0 || Index >= Count())
    throw EListError(Format("List index out of bounds (%d)", {Index}));
  return items_[static_cast<size_t>(Index)];
}

TCollectionItem* TCollection::FindItemID(int ID) const {
  for (auto* item : items_)
    if (item->id_ == ID) return item;
  return nullptr;
}

void TCollection::BeginUpdate() { ++update_count_; }

void TCollection::EndUpdate() {
  if (update_count_ > 0 && --update_count_ == 0) Changed(nullptr);
}

void TCollection::Update(TCollectionItem*) {}
void TCollection::Notify(TCollectionItem*, TCollectionNotification) {}
void TCollection::ItemMoved(int, int) {}

void TCollection::Changed(TCollectionItem* Item) {
  if (update_count_ == 0) Update(Item);
}

void TCollection::MoveItem(TCollectionItem* Item, int NewIndex) {
  int old = Item->Index();
  if (old < 0) return;
  NewIndex = std::clamp(NewIndex, 0, Count() - 1);
  if (NewIndex == old) return;
  items_.erase(items_.begin() + old);
  items_.insert(items_.begin() + NewIndex, Item);
  ItemMoved(old, NewIndex);
  Changed(nullptr);
}

}  // namespace classlib
