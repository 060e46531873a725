// Growable arrays of untyped references used throughout the tree controls:
// TElList (flat item list, children, cell styles, selected items, visible rows)
// and TElStack (the walks that start from a given item).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/classlib/exceptions.h"
#include "platform/classlib/object.h"

namespace lumicast {

class EElListError : public classlib::Exception {
 public:
  using classlib::Exception::Exception;
};

class EElStackError : public classlib::Exception {
 public:
  using classlib::Exception::Exception;
};

class TElList;

// Called for every entry that leaves the list (Delete, DeleteRange, Remove,
// Clear, and the old entry replaced by Put).
using TElListDeleteEvent = std::function<void(TElList* Sender, void* Item)>;

// The list grows and shrinks in steps of this many slots.
inline constexpr int kElListStep = 256;
// Largest capacity or count either container accepts.
inline constexpr int kElMaxListSize = 0x7FFFFFF;

class TElList : public classlib::TPersistent {
 public:
  TElList() = default;
  ~TElList() override;
  std::string ClassName() const override { return "TElList"; }

  int Count() const { return count_; }
  int Capacity() const { return static_cast<int>(slots_.size()); }
  void SetCapacity(int NewCapacity);
  void SetCount(int NewCount);

  // When set, Delete and Clear free the entries; every entry must then be a
  // classlib::TObject (stored as that pointer).
  bool FreeObjects = false;
  TElListDeleteEvent OnDelete;

  int Add(void* Item);
  void Insert(int Index, void* Item);
  virtual void* Get(int Index) const;
  void* Items(int Index) const { return Get(Index); }
  void* UncheckedGet(int Index) const { return slots_[static_cast<size_t>(Index)]; }
  void* Last() const { return slots_[static_cast<size_t>(count_ - 1)]; }
  virtual void Put(int Index, void* Item);
  int IndexOf(const void* Item) const;
  int IndexOfStartingAt(int Start, const void* Item) const;
  virtual void Delete(int Index);
  virtual void DeleteRange(int From, int To);
  int Remove(void* Item);
  void* DetachAt(int Index);
  void Move(int CurIndex, int NewIndex);
  void MoveRange(int From, int To, int Dest);
  virtual void Clear();
  void Assign(classlib::TPersistent* Source) override;

  // Direct access for tight loops of the tree (entries 0..Count-1).
  void* const* List() const { return slots_.data(); }

 protected:
  virtual void Grow();
  // Fires OnDelete for an entry leaving the list.
  virtual void Notify(void* Item);

 private:
  [[noreturn]] static void Error(int Value);
  void CheckIndex(int Index) const;
  void Shrink();
  void Reallocate(int NewCapacity);

  std::vector<void*> slots_;  // size() is the capacity
  int count_ = 0;
};

class TElStack : public classlib::TObject {
 public:
  std::string ClassName() const override { return "TElStack"; }

  int Count() const { return count_; }
  int Capacity() const { return static_cast<int>(slots_.size()); }
  void SetCapacity(int NewCapacity);
  void Push(void* Item);
  void* Pop();

 private:
  std::vector<void*> slots_;
  int count_ = 0;
};

}  // namespace lumicast
