#include "treectl/el_list.h"

#include <algorithm>

namespace lumicast {

using classlib::TObject;
using classlib::TPersistent;

// ---------------------------------------------------------------------------
// TElList

TElList::~TElList() {
  // Virtual dispatch has already fallen back to this class; Clear still fires
  // OnDelete and frees owned objects.
  TElList::Clear();
}

void TElList::Error(int Value) {
  throw EElListError("List index [" + std::to_string(Value) + "] out of bounds...");
}

void TElList::CheckIndex(int Index) const {
  if (Index < 0 || Index >= count_) Error(Index);
}

void TElList::Reallocate(int NewCapacity) {
  slots_.resize(static_cast<size_t>(NewCapacity), nullptr);
  if (slots_.capacity() > slots_.size()) slots_.shrink_to_fit();
}

void TElList::SetCapacity(int NewCapacity) {
  if (NewCapacity < count_ || NewCapacity > kElMaxListSize) Error(NewCapacity);
  if (NewCapacity != Capacity()) Reallocate(NewCapacity);
}

void TElList::SetCount(int NewCount) {
  if (NewCount < 0 || NewCount > kElMaxListSize) Error(NewCount);
  if (NewCount > Capacity()) Reallocate(NewCount);
  // Slots that come into use start empty, whatever they held before.
  for (int i = count_; i < NewCount; ++i) slots_[static_cast<size_t>(i)] = nullptr;
  count_ = NewCount;
}

void TElList::Grow() {
  if (Capacity() + kElListStep > kElMaxListSize) Error(Capacity() + kElListStep);
  Reallocate(Capacity() + kElListStep);
}

void TElList::Shrink() {
  if (count_ < Capacity() - kElListStep) Reallocate(Capacity() - kElListStep);
}

void TElList::Notify(void* Item) {
  if (OnDelete) OnDelete(this, Item);
}

int TElList::Add(void* Item) {
  if (count_ == Capacity()) Grow();
  slots_[static_cast<size_t>(count_)] = Item;
  return count_++;
}

void TElList::Insert(int Index, void* Item) {
  if (Index < 0 || Index > count_) Error(Index);
  if (count_ == Capacity()) Grow();
  auto first = slots_.begin() + Index;
  std::move_backward(first, slots_.begin() + count_, slots_.begin() + count_ + 1);
  *first = Item;
  ++count_;
}

void* TElList::Get(int Index) const {
  CheckIndex(Index);
  return slots_[static_cast<size_t>(Index)];
}

void TElList::Put(int Index, void* Item) {
  CheckIndex(Index);
  void* old = slots_[static_cast<size_t>(Index)];
  if (old != nullptr && OnDelete) Notify(old);
  slots_[static_cast<size_t>(Index)] = Item;
}

int TElList::IndexOf(const void* Item) const {
  void* const* p = slots_.data();
  for (int i = 0; i < count_; ++i)
    if (p[i] == Item) return i;
  return -1;
}

int TElList::IndexOfStartingAt(int Start, const void* Item) const {
  CheckIndex(Start);
  void* const* p = slots_.data();
  for (int i = Start; i < count_; ++i)
    if (p[i] == Item) return i;
  return -1;
}

void TElList::Delete(int Index) {
  CheckIndex(Index);
  void* item = slots_[static_cast<size_t>(Index)];
  Notify(item);
  std::move(slots_.begin() + Index + 1, slots_.begin() + count_, slots_.begin() + Index);
  --count_;
  if (FreeObjects) delete static_cast<TObject*>(item);
  Shrink();
}

void TElList::DeleteRange(int From, int To) {
  CheckIndex(From);
  if (To < From || To >= count_) Error(To);
  for (int i = From; i <= To; ++i) Notify(slots_[static_cast<size_t>(i)]);
  std::move(slots_.begin() + To + 1, slots_.begin() + count_, slots_.begin() + From);
  count_ -= To - From + 1;
  Shrink();
}

int TElList::Remove(void* Item) {
  int index = IndexOf(Item);
  if (index < 0) return -1;
  Notify(Item);
  std::move(slots_.begin() + index + 1, slots_.begin() + count_, slots_.begin() + index);
  --count_;
  Shrink();
  return index;
}

void* TElList::DetachAt(int Index) {
  CheckIndex(Index);
  void* item = slots_[static_cast<size_t>(Index)];
  std::move(slots_.begin() + Index + 1, slots_.begin() + count_, slots_.begin() + Index);
  --count_;
  return item;
}

void TElList::Move(int CurIndex, int NewIndex) {
  // Both ends are checked: an unchecked source index would read outside the list.
  CheckIndex(CurIndex);
  CheckIndex(NewIndex);
  if (CurIndex == NewIndex) return;
  auto b = slots_.begin();
  if (CurIndex < NewIndex)
    std::rotate(b + CurIndex, b + CurIndex + 1, b + NewIndex + 1);
  else
    std::rotate(b + NewIndex, b + CurIndex, b + CurIndex + 1);
}

void TElList::MoveRange(int From, int To, int Dest) {
  CheckIndex(From);
  if (To < From || To >= count_) Error(To);
  if (Dest < 0 || Dest >= count_ || (Dest >= From && Dest <= To)) Error(Dest);
  auto b = slots_.begin();
  if (Dest < From)
    std::rotate(b + Dest, b + From, b + To + 1);
  else
    std::rotate(b + From, b + To + 1, b + Dest);
}

void TElList::Clear() {
  for (int i = 0; i < count_; ++i) Notify(slots_[static_cast<size_t>(i)]);
  if (FreeObjects) {
    for (int i = 0; i < count_; ++i) {
      TObject* object = static_cast<TObject*>(slots_[static_cast<size_t>(i)]);
      slots_[static_cast<size_t>(i)] = nullptr;
      delete object;
    }
  }
  count_ = 0;
  std::vector<void*>().swap(slots_);
}

void TElList::Assign(TPersistent* Source) {
  if (auto* source = dynamic_cast<TElList*>(Source)) {
    if (source == this) return;
    Clear();
    Reallocate(source->Capacity());
    std::copy(source->slots_.begin(), source->slots_.begin() + source->count_, slots_.begin());
    count_ = source->count_;
    return;
  }
  TPersistent::Assign(Source);
}

// ---------------------------------------------------------------------------
// TElStack

void TElStack::SetCapacity(int NewCapacity) {
  if (NewCapacity < count_ || NewCapacity > kElMaxListSize)
    throw EElStackError("Invalid ElStack capacity.");
  slots_.resize(static_cast<size_t>(NewCapacity), nullptr);
  if (slots_.capacity() > slots_.size()) slots_.shrink_to_fit();
}

void TElStack::Push(void* Item) {
  if (count_ == Capacity()) {
    int capacity = Capacity();
    int delta = capacity > 64 ? capacity / 4 : capacity > 8 ? 16 : 4;
    SetCapacity(capacity + delta);
  }
  slots_[static_cast<size_t>(count_++)] = Item;
}

void* TElStack::Pop() {
  if (count_ == 0) throw EElStackError("ElStack is empty.");
  void* item = slots_[static_cast<size_t>(--count_)];
  if (count_ < Capacity() / 2) SetCapacity(Capacity() / 2);
  return item;
}

}  // namespace lumicast
