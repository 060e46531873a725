#include "platform/flash/player/script/lib/array_sort.h"

#include <cmath>
#include <utility>

#include "platform/flash/player/script/lib/number_text.h"
#include "platform/flash/player/script/lib/string_ops.h"

namespace flash::scriptlib {

namespace {

// A key with its comparison text worked out once.
struct Prepared {
  bool isNumber = false;
  double number = 0;
  std::string text;       // compared by byte: UTF-8 byte order is code point order
  std::u32string folded;  // for CASEINSENSITIVE
};

Prepared Prepare(const SortKey& key, int flags, int swfVersion) {
  Prepared p;
  p.isNumber = key.type == SortKey::Type::Number;
  p.number = key.number;
  p.text = SortKeyText(key, swfVersion);
  if (flags & kSortCaseInsensitive) p.folded = FoldCase(p.text);
  return p;
}

int Sign(int v) { return (v > 0) - (v < 0); }

int ComparePrepared(const Prepared& a, const Prepared& b, int flags) {
  if ((flags & kSortNumeric) && a.isNumber && b.isNumber) {
    bool an = std::isnan(a.number), bn = std::isnan(b.number);
    if (an || bn) return an - bn;
    return (a.number > b.number) - (a.number < b.number);
  }
  if (flags & kSortCaseInsensitive) return Sign(a.folded.compare(b.folded));
  return Sign(a.text.compare(b.text));
}

// Sorts `order` with `compare` (a three-way comparison of element indices). Sets `sawEqual` when
// two different elements compare equal.
class Sorter {
 public:
  Sorter(std::vector<size_t>& order, const std::function<int(size_t, size_t)>& compare)
      : order_(order), compare_(compare) {}

  bool sawEqual = false;

  void Sort() {
    if (order_.size() > 1) QuickSort(0, static_cast<ptrdiff_t>(order_.size()) - 1);
  }

 private:
  int Compare(size_t a, size_t b) {
    int c = compare_(a, b);
    if (c == 0 && a != b) sawEqual = true;
    return c;
  }

  void QuickSort(ptrdiff_t lo, ptrdiff_t hi) {
    while (lo < hi) {
      size_t pivot = order_[(lo + hi) / 2];
      ptrdiff_t i = lo, j = hi;
      while (i <= j) {
        int ci = 1, cj = -1;
        while (i <= hi && (ci = Compare(order_[i], pivot)) < 0) ++i;
        while (j >= lo && (cj = Compare(order_[j], pivot)) > 0) --j;
        if (i > j) break;
        // Two elements both equal to the pivot keep their places.
        if (ci != 0 || cj != 0) std::swap(order_[i], order_[j]);
        ++i;
        --j;
      }
      if (j >= hi || i <= lo) {
        // Only a comparator that contradicts itself gets here; finish this range safely.
        InsertionSort(lo, hi);
        return;
      }
      // Recurse into the smaller side, loop on the larger: the stack stays logarithmic.
      if (j - lo < hi - i) {
        QuickSort(lo, j);
        lo = i;
      } else {
        QuickSort(i, hi);
        hi = j;
      }
    }
  }

  void InsertionSort(ptrdiff_t lo, ptrdiff_t hi) {
    for (ptrdiff_t k = lo + 1; k <= hi; ++k) {
      size_t x = order_[k];
      ptrdiff_t m = k;
      while (m > lo && Compare(order_[m - 1], x) > 0) {
        order_[m] = order_[m - 1];
        --m;
      }
      order_[m] = x;
    }
  }

  std::vector<size_t>& order_;
  const std::function<int(size_t, size_t)>& compare_;
};

std::optional<std::vector<size_t>> Run(size_t count,
                                       const std::function<int(size_t, size_t)>& compare,
                                       bool unique) {
  std::vector<size_t> order(count);
  for (size_t i = 0; i < count; ++i) order[i] = i;
  Sorter sorter(order, compare);
  sorter.Sort();
  if (unique && sorter.sawEqual) return std::nullopt;
  return order;
}

}  // namespace

std::string SortKeyText(const SortKey& key, int swfVersion) {
  switch (key.type) {
    case SortKey::Type::Undefined: return swfVersion >= 7 ? "undefined" : "";
    case SortKey::Type::Null: return "null";
    case SortKey::Type::Bool: return key.number != 0 ? "true" : "false";
    case SortKey::Type::Number: return NumberToString(key.number);
    case SortKey::Type::String:
    case SortKey::Type::Other: return key.text;
  }
  return {};
}

int CompareSortKeys(const SortKey& a, const SortKey& b, int flags, int swfVersion) {
  return ComparePrepared(Prepare(a, flags, swfVersion), Prepare(b, flags, swfVersion), flags);
}

std::optional<std::vector<size_t>> SortOrder(const std::vector<SortKey>& keys, int flags,
                                             int swfVersion) {
  std::vector<Prepared> prepared;
  prepared.reserve(keys.size());
  for (const SortKey& k : keys) prepared.push_back(Prepare(k, flags, swfVersion));
  const int direction = (flags & kSortDescending) ? -1 : 1;
  std::function<int(size_t, size_t)> compare = [&](size_t a, size_t b) {
    return direction * ComparePrepared(prepared[a], prepared[b], flags);
  };
  return Run(keys.size(), compare, flags & kSortUniqueSort);
}

std::optional<std::vector<size_t>> SortOrderWith(size_t count, const SortComparator& compare,
                                                 int flags) {
  const int direction = (flags & kSortDescending) ? -1 : 1;
  std::function<int(size_t, size_t)> three = [&](size_t a, size_t b) {
    double r = compare(a, b);
    return direction * ((r > 0) - (r < 0));  // NaN compares as equal
  };
  return Run(count, three, flags & kSortUniqueSort);
}

std::optional<std::vector<size_t>> SortOnOrder(const std::vector<std::vector<SortKey>>& keys,
                                               const std::vector<int>& fieldFlags, int swfVersion) {
  const size_t fields = fieldFlags.size();
  std::vector<std::vector<Prepared>> prepared(keys.size());
  for (size_t e = 0; e < keys.size(); ++e) {
    prepared[e].reserve(fields);
    for (size_t f = 0; f < fields; ++f) {
      SortKey missing;
      const SortKey& k = f < keys[e].size() ? keys[e][f] : missing;
      prepared[e].push_back(Prepare(k, fieldFlags[f], swfVersion));
    }
  }
  std::function<int(size_t, size_t)> compare = [&](size_t a, size_t b) {
    for (size_t f = 0; f < fields; ++f) {
      int c = ComparePrepared(prepared[a][f], prepared[b][f], fieldFlags[f]);
      if (c != 0) return (fieldFlags[f] & kSortDescending) ? -c : c;
    }
    return 0;
  };
  bool unique = fields > 0 && (fieldFlags[0] & kSortUniqueSort);
  return Run(keys.size(), compare, unique);
}

}  // namespace flash::scriptlib
