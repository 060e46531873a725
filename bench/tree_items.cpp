// Timing of the tree's item collection on large trees: adding 100,000
// top-level items, 10,000 children under random items, IndexOf of the last
// item, and deleting everything. Run by hand; prints one line per step.
#include <chrono>
#include <cstdio>
#include <random>

#include "tests/treectl/fake_tree.h"
#include "treectl/tree_items.h"

using namespace lumicast;

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

}  // namespace

int main() {
  lumitest::FakeTree tree;
  TElTreeItems& items = *tree.items;

  auto start = Clock::now();
  for (int i = 0; i < 100000; ++i) items.AddItem(nullptr)->SetText("item");
  std::printf("add 100000 top-level items:        %8.3f s  (target 0.5 s)\n", Seconds(start));

  std::mt19937 rng(42);
  start = Clock::now();
  for (int i = 0; i < 10000; ++i) {
    int n = items.Count();
    TElTreeItem* parent = items.Item(std::uniform_int_distribution<int>(0, n - 1)(rng));
    items.AddItem(parent)->SetText("child");
  }
  std::printf("add 10000 children at random:      %8.3f s  (target 1 s)\n", Seconds(start));

  TElTreeItem* last = items.Item(items.Count() - 1);
  start = Clock::now();
  volatile int index = 0;
  const int repeats = 100;
  for (int i = 0; i < repeats; ++i) index = items.IndexOf(last);
  std::printf("IndexOf(last item) of %d:         %8.3f ms (target 1 ms)\n", items.Count(),
              Seconds(start) * 1000.0 / repeats);

  start = Clock::now();
  items.Clear();
  std::printf("delete everything:                 %8.3f s  (target 0.5 s)\n", Seconds(start));
  return index == items.Count() ? 1 : 0;
}
