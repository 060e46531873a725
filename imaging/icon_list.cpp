#include "imaging/icon_list.h"

#include <algorithm>

#include "platform/classlib/exceptions.h"
#include "platform/classlib/graphic.h"
#include "platform/classlib/little_endian.h"
#include "platform/classlib/picture.h"

namespace lumicast {

using classlib::TIcon;

TIconList::TIconList() = default;

TIconList::~TIconList() {
  // The icons must not report to a list that is going away.
  for (auto& icon : items_)
    if (icon) icon->OnChange = nullptr;
}

void TIconList::CheckIndex(int Index) const {
  if (Index < 0 || Index >= Count())
    throw classlib::EListError("List index out of bounds (" + std::to_string(Index) + ")");
}

void TIconList::Changed() {
  if (update_count_ == 0 && OnChange) OnChange(this);
}

void TIconList::BeginUpdate() {
  if (update_count_++ == 0 && OnChanging) OnChanging(this);
}

void TIconList::EndUpdate() {
  if (update_count_ == 0) return;
  if (--update_count_ == 0 && OnChange) OnChange(this);
}

void TIconList::Adopt(TIcon* Icon) {
  if (Icon) Icon->OnChange = [this](classlib::TObject*) { Changed(); };
}

std::unique_ptr<TIcon> TIconList::Copy(TIcon* Icon) {
  if (!Icon) return nullptr;
  auto copy = std::make_unique<TIcon>();
  copy->Assign(Icon);
  Adopt(copy.get());
  return copy;
}

int TIconList::Add(TIcon* Icon) {
  Insert(Count(), Icon);
  return Count() - 1;
}

int TIconList::AddResource(uintptr_t Instance, const std::string& ResName) {
  InsertResource(Count(), Instance, ResName);
  return Count() - 1;
}

void TIconList::Insert(int Index, TIcon* Icon) {
  if (Index < 0 || Index > Count())
    throw classlib::EListError("List index out of bounds (" + std::to_string(Index) + ")");
  items_.insert(items_.begin() + Index, Copy(Icon));
  Changed();
}

void TIconList::InsertResource(int Index, uintptr_t Instance, const std::string& ResName) {
  if (Index < 0 || Index > Count())
    throw classlib::EListError("List index out of bounds (" + std::to_string(Index) + ")");
  auto icon = std::make_unique<TIcon>();
  icon->LoadFromResourceName(Instance, ResName);
  Adopt(icon.get());
  items_.insert(items_.begin() + Index, std::move(icon));
  Changed();
}

void TIconList::Put(int Index, TIcon* Icon) {
  if (Index < 0 || Index > Count())
    throw classlib::EListError("List index out of bounds (" + std::to_string(Index) + ")");
  BeginUpdate();
  try {
    if (Index == Count()) items_.emplace_back();
    if (!items_[Index]) {
      items_[Index] = std::make_unique<TIcon>();
      Adopt(items_[Index].get());
    }
    items_[Index]->Assign(Icon);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

TIcon* TIconList::Get(int Index) const {
  CheckIndex(Index);
  return items_[Index].get();
}

void TIconList::Delete(int Index) {
  CheckIndex(Index);
  items_.erase(items_.begin() + Index);
  Changed();
}

void TIconList::Clear() {
  BeginUpdate();
  for (int i = Count() - 1; i >= 0; --i) Delete(i);
  EndUpdate();
}

void TIconList::Exchange(int Index1, int Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  std::swap(items_[Index1], items_[Index2]);
  Changed();
}

void TIconList::Move(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex) return;
  CheckIndex(CurIndex);
  CheckIndex(NewIndex);
  auto icon = std::move(items_[CurIndex]);
  items_.erase(items_.begin() + CurIndex);
  items_.insert(items_.begin() + NewIndex, std::move(icon));
  Changed();
}

int TIconList::IndexOf(const TIcon* Icon) const {
  for (int i = 0; i < Count(); ++i)
    if (items_[i].get() == Icon) return i;
  return -1;
}

void TIconList::Assign(classlib::TPersistent* Source) {
  if (Source == this) return;
  if (!Source) {
    Clear();
    return;
  }
  std::vector<std::unique_ptr<TIcon>> copies;
  if (auto* list = dynamic_cast<TIconList*>(Source)) {
    for (const auto& icon : list->items_) copies.push_back(Copy(icon.get()));
  } else if (auto* icon = dynamic_cast<TIcon*>(Source)) {
    copies.push_back(Copy(icon));
  } else {
    TPersistent::Assign(Source);
    return;
  }
  BeginUpdate();
  items_ = std::move(copies);
  Changed();
  EndUpdate();
}

std::vector<uint8_t> TIconList::IconBytes(TIcon* Icon) {
  if (!Icon || Icon->Empty()) return {};
  classlib::TMemoryStream ms;
  Icon->SaveToStream(&ms);
  return ms.Bytes();
}

void TIconList::ReadData(classlib::TStream* Stream) {
  const auto left = [Stream] { return Stream->Size() - Stream->Position(); };
  uint8_t word[4];
  Stream->ReadBuffer(word, 4);
  const uint32_t count = classlib::GetLE32(word);
  // Every entry needs at least its size field: a count beyond that is forged.
  if (static_cast<int64_t>(count) * 4 > left()) throw classlib::EReadError("Stream read error");
  std::vector<std::unique_ptr<TIcon>> read;
  read.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    Stream->ReadBuffer(word, 4);
    const uint32_t size = classlib::GetLE32(word);
    if (static_cast<int64_t>(size) > left()) throw classlib::EReadError("Stream read error");
    if (size == 0) {
      read.emplace_back();
      continue;
    }
    classlib::TMemoryStream bytes;
    bytes.SetSize(size);
    Stream->ReadBuffer(bytes.Memory(), size);
    bytes.SetPosition(0);
    auto icon = std::make_unique<TIcon>();
    icon->LoadFromStream(&bytes);
    Adopt(icon.get());
    read.push_back(std::move(icon));
  }
  BeginUpdate();
  items_ = std::move(read);
  Changed();
  EndUpdate();
}

void TIconList::WriteData(classlib::TStream* Stream) const {
  std::vector<uint8_t> out;
  classlib::AppendLE32(out, static_cast<uint32_t>(items_.size()));
  for (const auto& icon : items_) {
    const std::vector<uint8_t> bytes = IconBytes(icon.get());
    classlib::AppendLE32(out, static_cast<uint32_t>(bytes.size()));
    out.insert(out.end(), bytes.begin(), bytes.end());
  }
  Stream->WriteBuffer(out.data(), static_cast<int64_t>(out.size()));
}

bool TIconList::ShouldStore(const TIconList* Inherited) const {
  if (!Inherited) return Count() > 0;
  if (Inherited->Count() != Count()) return true;
  for (int i = 0; i < Count(); ++i)
    if (IconBytes(items_[i].get()) != IconBytes(Inherited->items_[i].get())) return true;
  return false;
}

void RegisterIconClipboardFormat() {
  classlib::TPicture::RegisterClipboardFormat(classlib::CF_ICON(),
                                              classlib::GraphicClassOf<TIcon>());
}

}  // namespace lumicast
