// The renderer's speed paths must not change a pixel: the rasteriser's row sort must order cells
// exactly by x for every row shape (short and long rows, runs in either direction, repeated and
// negative x), and rows crossed many times must still fill exactly their pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "platform/flash/format/shape.h"
#include "platform/flash/renderer/cell_sort.h"
#include "platform/flash/renderer/renderer.h"

namespace {

using namespace flash;

// Sorts cells built from `xs` and checks the result is the same set of cells in x order.
void ExpectSortedPermutation(const std::vector<int>& xs) {
  struct Cell {
    int x, id;
  };
  std::vector<Cell> cells(xs.size());
  std::vector<Cell*> ptrs;
  for (size_t i = 0; i < xs.size(); ++i) {
    cells[i] = {xs[i], static_cast<int>(i)};
    ptrs.push_back(&cells[i]);
  }
  SortCellsByX(ptrs.data(), static_cast<unsigned>(ptrs.size()));
  std::vector<int> seen;
  for (size_t i = 0; i < ptrs.size(); ++i) {
    if (i > 0) {
      ASSERT_LE(ptrs[i - 1]->x, ptrs[i]->x) << "at " << i << " of " << ptrs.size();
    }
    seen.push_back(ptrs[i]->id);
  }
  std::sort(seen.begin(), seen.end());
  for (size_t i = 0; i < seen.size(); ++i) ASSERT_EQ(seen[i], static_cast<int>(i)) << "cell lost or doubled";
}

TEST(RenderCellOrder, RowsOfEveryShapeAndLengthComeOutInXOrder) {
  ExpectSortedPermutation({});
  ExpectSortedPermutation({5});
  ExpectSortedPermutation({7, 3});
  ExpectSortedPermutation({-1, -2147483647 - 1, 2147483647, 0, -5});  // signed order at the extremes
  std::mt19937 rng(7);
  for (unsigned n : {2u, 3u, 8u, 9u, 31u, 32u, 33u, 64u, 200u, 5000u}) {
    std::vector<int> ascending(n), descending(n), runs(n), repeats(n), random(n);
    for (unsigned i = 0; i < n; ++i) {
      ascending[i] = static_cast<int>(i) - 10;
      descending[i] = 100 - static_cast<int>(i);
      // An outline's row: the right edge running left, then the left edge running right.
      runs[i] = i < n / 2 ? 1000 - static_cast<int>(i) : static_cast<int>(i);
      repeats[i] = static_cast<int>(rng() % 4);
      random[i] = static_cast<int>(rng() % 2001) - 1000;
    }
    for (const auto& xs : {ascending, descending, runs, repeats, random}) ExpectSortedPermutation(xs);
  }
}

constexpr int kW = 120, kH = 20;

std::vector<uint8_t> Draw(const ShapeDef& s, Quality q) {
  std::vector<uint8_t> px(static_cast<size_t>(kW) * kH * 4);
  Renderer r({px.data(), kW, kH, kW * 4}, q, nullptr);
  r.Clear({255, 255, 255, 255});
  Matrix m;
  m.a = m.d = 1.0 / 20;
  r.DrawShape(s, m, {});
  return px;
}

// A comb of `teeth` one-pixel-wide teeth on whole pixels, with one or two fill styles
// alternating (two styles go through the compound rasteriser).
ShapeDef Comb(int teeth, bool two_styles) {
  ShapeDef s;
  ShapeGroup& g = s.groups.emplace_back();
  FillStyle red, blue;
  red.color = {255, 0, 0, 255};
  blue.color = {0, 0, 255, 255};
  g.fill_styles = {red, blue};
  for (int i = 0; i < teeth; ++i) {
    ShapePath p;
    p.fill1 = two_styles && i % 2 ? 2 : 1;
    int32_t x0 = (2 * i + 1) * 20, x1 = x0 + 20, y0 = 20, y1 = 19 * 20;
    p.start_x = x0;
    p.start_y = y0;
    for (auto [x, y] : {std::pair{x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}}) {
      ShapeEdge e;
      e.x = x;
      e.y = y;
      p.edges.push_back(e);
    }
    s.groups[0].paths.push_back(p);
  }
  return s;
}

TEST(RenderCellOrder, RowsCrossedManyTimesFillExactlyTheirPixels) {
  for (bool two : {false, true}) {
    for (Quality q : {Quality::High, Quality::Low}) {
      std::vector<uint8_t> px = Draw(Comb(50, two), q);
      for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
          const uint8_t* p = &px[(static_cast<size_t>(y) * kW + x) * 4];
          int tooth = (x - 1) / 2;
          bool inside = y >= 1 && y < 19 && x >= 1 && x % 2 == 1 && tooth < 50;
          bool blue = two && tooth % 2 == 1;
          uint8_t want_b = inside ? (blue ? 255 : 0) : 255, want_r = inside ? (blue ? 0 : 255) : 255;
          ASSERT_EQ(p[0], want_b) << "x " << x << " y " << y << " two styles " << two;
          ASSERT_EQ(p[2], want_r) << "x " << x << " y " << y << " two styles " << two;
          ASSERT_EQ(p[3], 255);
        }
      }
    }
  }
}

}  // namespace
