// TList: an ordered list of untyped pointers. It never owns what it points to.
#pragma once

#include <functional>
#include <vector>

#include "platform/classlib/object.h"

namespace classlib {

// <0 when Item1 sorts before Item2, 0 when equal, >0 after.
using TListSortCompare = std::function<int(void* Item1, void* Item2)>;

class TList : public TObject {
 public:
  TList() = default;
  ~TList() override = default;
  std::string ClassName() const override { return "TList"; }

  int Add(void* Item);                 // returns the new index
  void Insert(int Index, void* Item);  // 0 <= Index <= Count
  void Delete(int Index);
  int Remove(void* Item);     // first occurrence; its old index or -1
  void* Extract(void* Item);  // removes the first occurrence, returns Item or nullptr
  int IndexOf(void* Item) const;
  void Exchange(int Index1, int Index2);
  void Move(int CurIndex, int NewIndex);
  // Stable sort; a comparison that is not a consistent order cannot make it
  // read outside the list.
  void Sort(const TListSortCompare& Compare);
  void Clear();
  void Pack();          // removes nullptr entries
  void* First() const;  // EListError on an empty list
  void* Last() const;

  int Count() const { return static_cast<int>(items_.size()); }
  // Growing fills with nullptr. EListError "List count out of bounds (%d)".
  void SetCount(int NewCount);
  int Capacity() const { return capacity_; }
  // EListError "List capacity out of bounds (%d)" below Count.
  void SetCapacity(int NewCapacity);

  // EListError "List index out of bounds (%d)" outside 0..Count-1.
  void* Items(int Index) const;
  void SetItems(int Index, void* Item);
  void* operator[](int Index) const { return Items(Index); }

  // Raw access for fast loops.
  void* const* List() const { return items_.data(); }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  void CheckIndex(int Index) const;
  void Grow();

  std::vector<void*> items_;
  int capacity_ = 0;
};

}  // namespace classlib
