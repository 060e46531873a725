// Orders the rasteriser's cells of one pixel row by x.
//
// The rasteriser keeps a row's cells as an array of pointers into its cell blocks. Rows are short
// (a shape's outline crosses most rows two to six times) and their cells usually arrive as one
// ascending and one descending run, the worst case of a plain insertion sort, where every
// comparison also loads a cell through its pointer. Here each cell's x is loaded once, packed with
// its position into one integer key, and the keys are ranked or sorted.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace flash {

// Sorts `num` pointers to cells (anything with an int `x`) by x.
template <class Cell>
void SortCellsByX(Cell** cells, unsigned num) {
  if (num < 2) return;
  // Key: x in the high half, the position in the low half; all keys differ, and signed order of
  // keys is the order by x.
  auto key = [cells](unsigned i) {
    return static_cast<int64_t>(static_cast<uint64_t>(static_cast<int64_t>(cells[i]->x) << 32) | i);
  };
  constexpr unsigned kRank = 16, kShort = 32;
  if (num <= kRank) {
    // Most rows: each cell's place is the number of smaller keys. Comparisons without branches
    // cost less here than the mispredicted branches of any comparison sort.
    int64_t keys[kRank];
    Cell* copy[kRank];
    for (unsigned i = 0; i < num; ++i) {
      keys[i] = key(i);
      copy[i] = cells[i];
    }
    for (unsigned i = 0; i < num; ++i) {
      unsigned rank = 0;
      for (unsigned j = 0; j < num; ++j) rank += keys[j] < keys[i];
      cells[rank] = copy[i];
    }
    return;
  }
  int64_t local_keys[kShort];
  Cell* local_cells[kShort];
  int64_t* keys = local_keys;
  Cell** copy = local_cells;
  if (num > kShort) {
    // Long rows (near-horizontal edges) reuse buffers rather than allocate each time.
    thread_local std::vector<int64_t> long_keys;
    thread_local std::vector<Cell*> long_cells;
    if (long_keys.size() < num) {
      long_keys.resize(num);
      long_cells.resize(num);
    }
    keys = long_keys.data();
    copy = long_cells.data();
  }
  for (unsigned i = 0; i < num; ++i) keys[i] = key(i);
  if (num <= kShort) {
    for (unsigned i = 1; i < num; ++i) {
      int64_t k = keys[i];
      unsigned j = i;
      for (; j > 0 && keys[j - 1] > k; --j) keys[j] = keys[j - 1];
      keys[j] = k;
    }
  } else {
    std::sort(keys, keys + num);
  }
  std::copy(cells, cells + num, copy);
  for (unsigned i = 0; i < num; ++i) cells[i] = copy[static_cast<uint32_t>(keys[i])];
}

}  // namespace flash
