// TCollection: an ordered, owned list of items of one class, where every item
// knows its index and changes of an item are reported to the collection.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/object.h"

namespace classlib {

class TCollection;

class TCollectionItem : public TPersistent {
 public:
  explicit TCollectionItem(TCollection* Collection);
  ~TCollectionItem() override;
  std::string ClassName() const override { return "TCollectionItem"; }

  TCollection* Collection() const { return collection_; }
  int ID() const { return id_; }
  int Index() const;
  // Moves the item to another position of its collection.
  virtual void SetIndex(int Value);
  virtual std::string DisplayName() const;

 protected:
  // Tells the collection this item changed (AllItems: every item is affected).
  void Changed(bool AllItems);

 private:
  friend class TCollection;
  TCollection* collection_ = nullptr;
  int id_ = 0;
};

// What happened to an item.
enum class TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

class TCollection : public TPersistent {
 public:
  using TItemFactory = std::function<TCollectionItem*(TCollection*)>;
  // Items are made by Factory (nullptr: plain TCollectionItem).
  explicit TCollection(TItemFactory Factory = nullptr);
  ~TCollection() override;
  std::string ClassName() const override { return "TCollection"; }

  TCollectionItem* Add();
  TCollectionItem* Insert(int Index);
  void Delete(int Index);  // EListError out of range
  void Clear();
  int Count() const { return static_cast<int>(items_.size()); }
  TCollectionItem* Items(int Index) const;  // EListError out of range
  TCollectionItem* FindItemID(int ID) const;
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return update_count_; }

 protected:
  // An item (nullptr: all items) changed; called outside updates.
  virtual void Update(TCollectionItem* Item);
  virtual void Notify(TCollectionItem* Item, TCollectionNotification Action);
  // An item moved from OldIndex to NewIndex.
  virtual void ItemMoved(int OldIndex, int NewIndex);

 private:
  friend class TCollectionItem;
  void Changed(TCollectionItem* Item);
  void MoveItem(TCollectionItem* Item, int NewIndex);
  void InsertItem(TCollectionItem* Item, int Index);
  void RemoveItem(TCollectionItem* Item);

  TItemFactory factory_;
  std::vector<TCollectionItem*> items_;
  int next_id_ = 0;
  int update_count_ = 0;
  bool destroying_ = false;
};

}  // namespace classlib
