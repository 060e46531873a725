#include "platform/classlib/string_list.h"

#include <algorithm>

#include "platform/classlib/atomic_file.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/stream.h"
#include "platform/classlib/string_utils.h"

namespace classlib {

namespace {

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

const char kIndexError[] = "List index out of bounds (%d)";
const char kSortedError[] = "Operation not allowed on sorted list";
const char kDuplicateError[] = "String list does not allow duplicates";

}  // namespace

// ---- TStrings -------------------------------------------------------------

void TStrings::Error(const std::string& Msg, int Data) {
  std::string m = Msg;
  size_t p = m.find("%d");
  if (p != std::string::npos) m.replace(p, 2, std::to_string(Data));
  throw EStringListError(m);
}

void TStrings::Put(int Index, const std::string& S) {
  TObject* obj = GetObject(Index);
  BeginUpdate();
  try {
    Delete(Index);
    InsertObject(Index, S, obj);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

TObject* TStrings::GetObject(int) const { return nullptr; }

void TStrings::PutObject(int, TObject*) {}

void TStrings::InsertObject(int Index, const std::string& S, TObject* AObject) {
  Insert(Index, S);
  PutObject(Index, AObject);
}

int TStrings::Add(const std::string& S) {
  int i = Count();
  Insert(i, S);
  return i;
}

int TStrings::AddObject(const std::string& S, TObject* AObject) {
  int i = Add(S);
  PutObject(i, AObject);
  return i;
}

void TStrings::AddStrings(TStrings* Strings) {
  if (Strings == nullptr) return;
  BeginUpdate();
  try {
    // Read the count once per pass so that adding a list to itself ends.
    const int n = Strings->Count();
    for (int i = 0; i < n; ++i) AddObject(Strings->Get(i), Strings->GetObject(i));
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TStrings*>(Source)) {
    if (src == this) return;
    BeginUpdate();
    try {
      Clear();
      delimiter_ = src->delimiter_;
      quote_char_ = src->quote_char_;
      name_value_separator_ = src->name_value_separator_;
      AddStrings(src);
    } catch (...) {
      EndUpdate();
      throw;
    }
    EndUpdate();
    return;
  }
  TPersistent::Assign(Source);
}

void TStrings::AssignTo(TPersistent* Dest) {
  if (auto* dst = dynamic_cast<TStrings*>(Dest)) {
    dst->Assign(this);
    return;
  }
  TPersistent::AssignTo(Dest);
}

void TStrings::Exchange(int Index1, int Index2) {
  BeginUpdate();
  try {
    std::string s1 = Get(Index1), s2 = Get(Index2);
    TObject* o1 = GetObject(Index1);
    TObject* o2 = GetObject(Index2);
    Put(Index1, s2);
    PutObject(Index1, o2);
    Put(Index2, s1);
    PutObject(Index2, o1);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::Move(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex) return;
  if (NewIndex < 0 || NewIndex >= Count()) Error(kIndexError, NewIndex);
  BeginUpdate();
  try {
    std::string s = Get(CurIndex);
    TObject* obj = GetObject(CurIndex);
    Delete(CurIndex);
    InsertObject(NewIndex, s, obj);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

bool TStrings::Equals(TStrings* Strings) const {
  if (Strings == nullptr || Strings->Count() != Count()) return false;
  for (int i = 0; i < Count(); ++i)
    if (Get(i) != Strings->Get(i)) return false;
  return true;
}

int TStrings::CompareStrings(const std::string& S1, const std::string& S2) const {
  return CompareText(S1, S2);
}

int TStrings::IndexOf(const std::string& S) const {
  for (int i = 0; i < Count(); ++i)
    if (CompareStrings(Get(i), S) == 0) return i;
  return -1;
}

int TStrings::IndexOfName(const std::string& Name) const {
  for (int i = 0; i < Count(); ++i) {
    std::string s = Get(i);
    size_t p = s.find(name_value_separator_);
    if (p != std::string::npos && CompareStrings(s.substr(0, p), Name) == 0) return i;
  }
  return -1;
}

int TStrings::IndexOfObject(TObject* AObject) const {
  for (int i = 0; i < Count(); ++i)
    if (GetObject(i) == AObject) return i;
  return -1;
}

std::string TStrings::Names(int Index) const {
  std::string s = Get(Index);
  size_t p = s.find(name_value_separator_);
  return p == std::string::npos ? std::string() : s.substr(0, p);
}

std::string TStrings::ValueFromIndex(int Index) const {
  std::string s = Get(Index);
  size_t p = s.find(name_value_separator_);
  return p == std::string::npos ? std::string() : s.substr(p + 1);
}

std::string TStrings::Values(const std::string& Name) const {
  int i = IndexOfName(Name);
  return i < 0 ? std::string() : ValueFromIndex(i);
}

void TStrings::SetValues(const std::string& Name, const std::string& Value) {
  int i = IndexOfName(Name);
  if (!Value.empty()) {
    std::string line = Name + name_value_separator_ + Value;
    if (i < 0)
      Add(line);
    else
      Put(i, line);
  } else if (i >= 0) {
    Delete(i);
  }
}

std::string TStrings::DelimitedText() const {
  const int n = Count();
  if (n == 1 && Get(0).empty()) return std::string(2, quote_char_);
  std::string out;
  for (int i = 0; i < n; ++i) {
    std::string s = Get(i);
    bool quote = std::any_of(s.begin(), s.end(), [&](char c) {
      return IsBlankOrControl(c) || c == quote_char_ || c == delimiter_;
    });
    if (i > 0) out += delimiter_;
    out += quote ? AnsiQuotedStr(s, quote_char_) : s;
  }
  return out;
}

void TStrings::SetDelimitedText(const std::string& Value) {
  BeginUpdate();
  try {
    Clear();
    const size_t n = Value.size();
    size_t p = 0;
    auto skipBlanks = [&] {
      while (p < n && IsBlankOrControl(Value[p])) ++p;
    };
    skipBlanks();
    while (p < n) {
      std::string s;
      if (Value[p] == quote_char_) {
        s = AnsiExtractQuotedStr(Value, p, quote_char_);
      } else {
        size_t start = p;
        while (p < n && !IsBlankOrControl(Value[p]) && Value[p] != delimiter_) ++p;
        s = Value.substr(start, p - start);
      }
      Add(s);
      skipBlanks();
      if (p < n && Value[p] == delimiter_) {
        // A delimiter at the very end stands for one more, empty, element.
        if (p + 1 == n) Add("");
        ++p;
        skipBlanks();
      }
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

std::string TStrings::CommaText() const {
  // Uses its own delimiter and quote without touching this list's settings.
  std::string out;
  const int n = Count();
  if (n == 1 && Get(0).empty()) return "\"\"";
  for (int i = 0; i < n; ++i) {
    std::string s = Get(i);
    bool quote = std::any_of(s.begin(), s.end(),
                             [](char c) { return IsBlankOrControl(c) || c == '"' || c == ','; });
    if (i > 0) out += ',';
    out += quote ? AnsiQuotedStr(s, '"') : s;
  }
  return out;
}

void TStrings::SetCommaText(const std::string& Value) {
  char d = delimiter_, q = quote_char_;
  delimiter_ = ',';
  quote_char_ = '"';
  try {
    SetDelimitedText(Value);
  } catch (...) {
    delimiter_ = d;
    quote_char_ = q;
    throw;
  }
  delimiter_ = d;
  quote_char_ = q;
}

std::string TStrings::Text() const {
  std::string out;
  for (int i = 0; i < Count(); ++i) {
    out += Get(i);
    out += sLineBreak;
  }
  return out;
}

void TStrings::SetText(const std::string& Value) {
  BeginUpdate();
  try {
    Clear();
    const size_t n = Value.size();
    size_t p = 0;
    while (p < n) {
      size_t start = p;
      while (p < n && Value[p] != '\r' && Value[p] != '\n') ++p;
      Add(Value.substr(start, p - start));
      if (p < n && Value[p] == '\r') ++p;
      if (p < n && Value[p] == '\n') ++p;
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::LoadFromFile(const std::string& FileName) {
  TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&f);
}

void TStrings::SaveToFile(const std::string& FileName) const {
  TAtomicFileStream f(FileName);
  SaveToStream(&f);
  f.Commit();
}

void TStrings::LoadFromStream(TStream* Stream) {
  int64_t size = Stream->Size() - Stream->Position();
  std::string buf;
  if (size > 0) {
    buf.resize(static_cast<size_t>(size));
    Stream->ReadBuffer(buf.data(), size);
  }
  SetText(buf);
}

void TStrings::SaveToStream(TStream* Stream) const {
  std::string t = Text();
  Stream->WriteBuffer(t.data(), static_cast<int64_t>(t.size()));
}

void TStrings::BeginUpdate() {
  if (update_count_ == 0) SetUpdateState(true);
  ++update_count_;
}

void TStrings::EndUpdate() {
  if (update_count_ <= 0) return;
  --update_count_;
  if (update_count_ == 0) SetUpdateState(false);
}

void TStrings::SetUpdateState(bool) {}

// ---- TStringList ----------------------------------------------------------

TStringList::~TStringList() {
  // Nobody is told about the items going away with the list.
  OnChange = nullptr;
  OnChanging = nullptr;
}

void TStringList::CheckIndex(int Index) const {
  if (Index < 0 || Index >= Count()) Error(kIndexError, Index);
}

void TStringList::Changing() {
  if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TStringList::Changed() {
  if (UpdateCount() == 0 && OnChange) OnChange(this);
}

void TStringList::SetUpdateState(bool Updating) {
  if (Updating)
    Changing();
  else
    Changed();
}

int TStringList::CompareStrings(const std::string& S1, const std::string& S2) const {
  return case_sensitive_ ? CompareStr(S1, S2) : CompareText(S1, S2);
}

std::string TStringList::Get(int Index) const {
  CheckIndex(Index);
  return items_[static_cast<size_t>(Index)].s;
}

void TStringList::Put(int Index, const std::string& S) {
  if (sorted_) Error(kSortedError, 0);
  CheckIndex(Index);
  Changing();
  items_[static_cast<size_t>(Index)].s = S;
  Changed();
}

TObject* TStringList::GetObject(int Index) const {
  CheckIndex(Index);
  return items_[static_cast<size_t>(Index)].obj;
}

void TStringList::PutObject(int Index, TObject* AObject) {
  CheckIndex(Index);
  Changing();
  items_[static_cast<size_t>(Index)].obj = AObject;
  Changed();
}

void TStringList::Insert(int Index, const std::string& S) { InsertObject(Index, S, nullptr); }

void TStringList::InsertObject(int Index, const std::string& S, TObject* AObject) {
  if (sorted_) Error(kSortedError, 0);
  if (Index < 0 || Index > Count()) Error(kIndexError, Index);
  InsertItem(Index, S, AObject);
}

void TStringList::InsertItem(int Index, const std::string& S, TObject* AObject) {
  Changing();
  items_.insert(items_.begin() + Index, Item{S, AObject});
  Changed();
}

void TStringList::Delete(int Index) {
  CheckIndex(Index);
  Changing();
  items_.erase(items_.begin() + Index);
  Changed();
}

void TStringList::Clear() {
  if (items_.empty()) return;
  Changing();
  items_.clear();
  Changed();
}

int TStringList::Add(const std::string& S) { return AddObject(S, nullptr); }

int TStringList::AddObject(const std::string& S, TObject* AObject) {
  int index;
  if (!sorted_) {
    index = Count();
  } else if (Find(S, index)) {
    switch (duplicates_) {
      case TDuplicates::dupIgnore: return index;
      case TDuplicates::dupError: Error(kDuplicateError, 0);
      case TDuplicates::dupAccept: break;
    }
  }
  InsertItem(index, S, AObject);
  return index;
}

void TStringList::Exchange(int Index1, int Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  Changing();
  std::swap(items_[static_cast<size_t>(Index1)], items_[static_cast<size_t>(Index2)]);
  Changed();
}

void TStringList::Move(int CurIndex, int NewIndex) {
  if (sorted_ && CurIndex != NewIndex) Error(kSortedError, 0);
  TStrings::Move(CurIndex, NewIndex);
}

int TStringList::IndexOf(const std::string& S) const {
  if (!sorted_) return TStrings::IndexOf(S);
  int index;
  return Find(S, index) ? index : -1;
}

bool TStringList::Find(const std::string& S, int& Index) const {
  bool found = false;
  int lo = 0, hi = Count() - 1;
  while (lo <= hi) {
    int mid = lo + (hi - lo) / 2;
    int c = CompareStrings(items_[static_cast<size_t>(mid)].s, S);
    if (c < 0) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
      if (c == 0) {
        found = true;
        if (duplicates_ != TDuplicates::dupAccept) lo = mid;
      }
    }
  }
  Index = lo;
  return found;
}

void TStringList::Sort() {
  CustomSort([](TStringList* list, int a, int b) {
    return list->CompareStrings(list->items_[static_cast<size_t>(a)].s,
                                list->items_[static_cast<size_t>(b)].s);
  });
}

void TStringList::CustomSort(const TStringListSortCompare& Compare) {
  if (!Compare || items_.size() < 2) return;
  Changing();
  // Sort positions, comparing by the items' current indexes as the callback
  // expects, then rearrange once.
  std::vector<int> order(items_.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
  std::stable_sort(order.begin(), order.end(),
                   [&](int a, int b) { return Compare(this, a, b) < 0; });
  std::vector<Item> sorted;
  sorted.reserve(items_.size());
  for (int i : order) sorted.push_back(std::move(items_[static_cast<size_t>(i)]));
  items_ = std::move(sorted);
  Changed();
}

void TStringList::SetSorted(bool Value) {
  if (sorted_ == Value) return;
  if (Value) Sort();
  sorted_ = Value;
}

void TStringList::SetCaseSensitive(bool Value) {
  if (case_sensitive_ == Value) return;
  case_sensitive_ = Value;
  if (sorted_) Sort();
}

}  // namespace classlib
