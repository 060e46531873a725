// Sorting of tree items: typed keys built once per sort from the sort column's
// text, a stable merge sort of each item's children, and the flat list rewritten
// over the sorted block.
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <vector>

#include "platform/classlib/date_time.h"
#include "platform/classlib/text_compare.h"
#include "treectl/tree.h"
#include "treectl/tree_view.h"

namespace lumicast {

using namespace classlib;

namespace {

std::string Trimmed(const std::string& Text) {
  size_t a = Text.find_first_not_of(' ');
  if (a == std::string::npos) return {};
  size_t b = Text.find_last_not_of(' ');
  return Text.substr(a, b - a + 1);
}

bool ParseInteger(const std::string& Text, int64_t& Value) {
  std::string t = Trimmed(Text);
  if (t.empty()) return false;
  const char* first = t.data();
  const char* last = t.data() + t.size();
  if (*first == '+') ++first;
  auto [ptr, ec] = std::from_chars(first, last, Value);
  return ec == std::errc() && ptr == last;
}

bool ParseFloating(const std::string& Text, double& Value) {
  std::string t = Trimmed(Text);
  if (t.empty()) return false;
  for (char& c : t)
    if (c == ',') c = '.';
  char* end = nullptr;
  errno = 0;
  Value = std::strtod(t.c_str(), &end);
  return end == t.c_str() + t.size() && errno == 0;
}

// A stable bottom-up merge sort. It reads only inside the range and the
// buffer, and ends after log2(n) passes whatever Less answers, so a compare
// that is no consistent order still leaves the same items in some order.
template <typename Less>
void MergeSort(std::vector<TElTreeItem*>& Items, Less less) {
  const size_t n = Items.size();
  std::vector<TElTreeItem*> buffer(n);
  for (size_t width = 1; width < n; width *= 2) {
    for (size_t lo = 0; lo < n; lo += 2 * width) {
      size_t mid = std::min(lo + width, n);
      size_t hi = std::min(lo + 2 * width, n);
      size_t i = lo, j = mid, k = lo;
      while (i < mid && j < hi) buffer[k++] = less(Items[j], Items[i]) ? Items[j++] : Items[i++];
      while (i < mid) buffer[k++] = Items[i++];
      while (j < hi) buffer[k++] = Items[j++];
    }
    Items.swap(buffer);
  }
}

}  // namespace

TSortTypes TCustomElTree::SortTypeOfField(TFieldTypes Type) {
  switch (Type) {
    case sftText: return stText;
    case sftNumber: return stNumber;
    case sftFloating: return stFloating;
    case sftDateTime: return stDateTime;
    case sftDate: return stDate;
    case sftTime: return stTime;
    case sftBool: return stBoolean;
    case sftCurrency: return stCurrency;
    default: return stCustom;
  }
}

void TCustomElTree::DoCompareItems(TElTreeItem* Item1, TElTreeItem* Item2, int& Res) {
  Res = 0;
  if (OnCompareItems) OnCompareItems(this, Item1, Item2, Res);
}

int TCustomElTree::CompareItems(TElTreeItem* Item1, TElTreeItem* Item2, int Section,
                                TSortTypes SortType, int SectionSortMode) {
  int res = 0;
  bool descending =
      SectionSortMode == hsmDescend || (SectionSortMode == hsmNone && SortDir_ == sdDescend);
  if (Section == -1) {
    DoCompareItems(Item1, Item2, res);
    return SortDir_ == sdDescend ? -res : res;
  }
  if (SortType == stCustom)
    DoCompareItems(Item1, Item2, res);
  else
    res = CompareKeys(Item1, Item2, SortType);
  return descending ? -res : res;
}

void TCustomElTree::BuildSortKey(TElTreeItem* Item, int Section, TSortTypes Type) {
  TElSortKey& key = Item->SortKey;
  key.Kind = -1;
  key.Value = std::monostate{};
  std::string text;
  if (Section == main_tree_column_) {
    text = Item->Text();
  } else {
    int k = Section > main_tree_column_ ? Section - 1 : Section;
    if (k >= 0 && k < Item->ColumnText()->Count()) text = Item->ColumnText()->Strings(k);
  }
  switch (Type) {
    case stNumber: {
      int64_t v = 0;
      if (ParseInteger(text, v)) {
        key.Kind = stNumber;
        key.Value = v;
      }
      break;
    }
    case stFloating: {
      double v = 0;
      if (ParseFloating(text, v)) {
        key.Kind = stFloating;
        key.Value = v;
      }
      break;
    }
    case stDateTime:
    case stDate:
    case stTime: {
      TDateTime v = 0;
      bool ok = Type == stDate   ? TryStrToDate(Trimmed(text), v)
                : Type == stTime ? TryStrToTime(Trimmed(text), v)
                                 : TryStrToDateTime(Trimmed(text), v);
      if (ok) {
        key.Kind = Type;
        key.Value = v;
      }
      break;
    }
    case stBoolean:
      key.Kind = stBoolean;
      key.Value = static_cast<int64_t>(text.size());
      break;
    case stCurrency:
      try {
        key.Value = ParseCurrency(text);
        key.Kind = stCurrency;
      } catch (const Exception&) {
      }
      break;
    default:
      key.Kind = stText;
      key.Value = text;
      break;
  }
}

int TCustomElTree::CompareKeys(TElTreeItem* A, TElTreeItem* B, TSortTypes Type) const {
  const TElSortKey& a = A->SortKey;
  const TElSortKey& b = B->SortKey;
  if (a.Kind == -1 || b.Kind == -1) return (a.Kind == -1 ? 0 : 1) - (b.Kind == -1 ? 0 : 1);
  if (a.Kind != b.Kind) return 0;
  auto sign = [](auto x, auto y) { return x < y ? -1 : (y < x ? 1 : 0); };
  switch (Type) {
    case stNumber:
    case stCurrency: return sign(std::get<int64_t>(a.Value), std::get<int64_t>(b.Value));
    case stBoolean: return sign(std::get<int64_t>(a.Value) != 0, std::get<int64_t>(b.Value) != 0);
    case stFloating:
    case stDateTime: return sign(std::get<double>(a.Value), std::get<double>(b.Value));
    case stDate: return sign(DateOf(std::get<double>(a.Value)), DateOf(std::get<double>(b.Value)));
    case stTime: return sign(TimeOf(std::get<double>(a.Value)), TimeOf(std::get<double>(b.Value)));
    default: return AnsiCompareText(std::get<std::string>(a.Value), std::get<std::string>(b.Value));
  }
}

void TCustomElTree::SortChildren(TElTreeItem* Item, bool Recursive) {
  if (Item == nullptr) return;
  ++sorting_;
  try {
    if (Item->HasChildren() && (Recursive || Item->DirectChildCount() >= 2)) {
      int section = -1;
      TSortTypes type = SortType_;
      int mode = hsmNone;
      TElHeaderSection* s = nullptr;
      if (sort_section_ == main_tree_column_ || sort_section_ == -1) {
        if (show_columns_) s = header_->Sections()->Item(main_tree_column_);
      } else {
        // A sort section that names no header section sorts as -1 does.
        s = header_->Sections()->Item(sort_section_);
      }
      if (s != nullptr) {
        section = s->ColumnIndex();
        mode = s->SortMode();
        type = SortTypeOfField(s->FieldType());
      }
      WithUpdate([&] {
        SortItemChildren(Item, Recursive, section, type, mode);
        InvalidateLayout(lfRows | lfVisibleCount);
      });
    }
  } catch (...) {
    --sorting_;
    throw;
  }
  --sorting_;
}

void TCustomElTree::SortItemChildren(TElTreeItem* Item, bool Recursive, int Section,
                                     TSortTypes Type, int SectionSortMode) {
  const int count = Item->DirectChildCount();
  if (count == 0) return;
  std::vector<TElTreeItem*> order;
  order.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) order.push_back(Item->Children(i));
  const bool keys = Section >= 0 && Type != stCustom && !Item->SortingChildren;
  struct KeyRelease {
    std::vector<TElTreeItem*>* items;
    bool active;
    ~KeyRelease() {
      if (!active) return;
      for (TElTreeItem* item : *items) {
        item->SortKey.Kind = -1;
        item->SortKey.Value = std::monostate{};
      }
    }
  } release{&order, keys};
  if (keys)
    for (TElTreeItem* child : order) BuildSortKey(child, Section, Type);
  if (count >= 2) {
    MergeSort(order, [&](TElTreeItem* a, TElTreeItem* b) {
      return CompareItems(a, b, Section, Type, SectionSortMode) < 0;
    });
  }
  if (Recursive) {
    for (TElTreeItem* child : order)
      if (child->HasChildren()) SortItemChildren(child, true, Section, Type, SectionSortMode);
  }
  Item->ReorderChildren(order);
}

void TCustomElTree::SortAll() {
  WithUpdate([&] {
    DoSortBegin();
    SortChildren(items_->Root(), true);
    DoSortEnd();
  });
}

}  // namespace lumicast
