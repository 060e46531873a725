// Times the rasteriser's row sort on rows shaped like those of the shapes benchmark: mostly two
// to eight cells, arriving as a descending and an ascending run, now and then a long row. Run by
// hand: bench_render_cell_sort [rounds]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "platform/flash/renderer/cell_sort.h"

namespace {

struct Cell {
  int x, y, cover, area;
};

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
  std::mt19937 rng(3);
  // Row lengths in about the proportions one frame of the shapes benchmark has.
  const std::vector<std::pair<unsigned, int>> lengths = {{2, 88}, {3, 108}, {4, 87}, {5, 35},
                                                         {6, 30}, {7, 17},  {8, 14}, {10, 12},
                                                         {14, 8}, {20, 4},  {30, 2}, {60, 1}};
  std::vector<unsigned> rows;
  for (auto [n, weight] : lengths)
    for (int i = 0; i < weight * 100; ++i) rows.push_back(n);
  std::shuffle(rows.begin(), rows.end(), rng);
  std::vector<Cell> cells;
  std::vector<unsigned> starts;
  for (unsigned n : rows) {
    starts.push_back(static_cast<unsigned>(cells.size()));
    int right = 300 + static_cast<int>(rng() % 200), left = static_cast<int>(rng() % 200);
    unsigned split = n / 2 + rng() % 2;
    for (unsigned i = 0; i < n; ++i)
      cells.push_back(
          {i < split ? right - static_cast<int>(i) : left + static_cast<int>(i), 0, 1, 1});
  }
  std::vector<Cell*> pointers(cells.size()), work;
  for (size_t i = 0; i < cells.size(); ++i) pointers[i] = &cells[i];
  double best = 1e9;
  long check = 0;
  for (int r = 0; r < rounds; ++r) {
    work = pointers;
    auto start = std::chrono::steady_clock::now();
    for (size_t i = 0; i < rows.size(); ++i) flash::SortCellsByX(work.data() + starts[i], rows[i]);
    double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    best = std::min(best, ms);
    check += work[0]->x;
  }
  std::printf("%zu rows (%zu cells): best %.3f ms, %.1f ns a row (check %ld)\n", rows.size(),
              cells.size(), best, best * 1e6 / static_cast<double>(rows.size()), check);
  return 0;
}
