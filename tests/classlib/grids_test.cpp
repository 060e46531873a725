// Draw and string grids: cell geometry, the focused cell and the selection
// kept among the non-fixed cells, owner drawing and cell texts.
#include <gtest/gtest.h>

#include "platform/classlib/bitmap.h"
#include "platform/classlib/form.h"
#include "platform/classlib/grids.h"

using namespace classlib;

namespace {

TEST(Grids, CellsFocusAndSelection) {
  TForm form(nullptr);
  TDrawGrid grid(&form);
  grid.SetParent(&form);
  grid.SetDefaultColWidth(30);
  grid.SetDefaultRowHeight(10);
  EXPECT_EQ(grid.CellRect(2, 1), Rect(62, 11, 92, 21));  // one-pixel lines between cells
  EXPECT_EQ(grid.CellRect(9, 0), TRect{});
  int c = -1, r = -1;
  EXPECT_TRUE(grid.MouseToCell(62, 20, c, r));
  EXPECT_EQ(c, 2);
  EXPECT_EQ(r, 1);
  EXPECT_FALSE(grid.MouseToCell(5000, 5, c, r));
  EXPECT_FALSE(grid.MouseToCell(-1, 5, c, r));

  // Focus and selection never land on fixed cells or outside the grid.
  grid.FocusCell(0, 0);
  EXPECT_EQ(grid.Col(), 1);
  EXPECT_EQ(grid.Row(), 1);
  grid.SetSelection({4, 9, 2, -3});
  TGridRect s = grid.Selection();
  EXPECT_EQ(s.Left, 2);
  EXPECT_EQ(s.Right, 4);
  EXPECT_EQ(s.Top, 1);
  EXPECT_EQ(s.Bottom, 4);
  EXPECT_EQ(grid.CellState(3, 2), gdSelected);
  EXPECT_EQ(grid.CellState(0, 2), gdFixed);
  EXPECT_EQ(grid.CellState(1, 1), 0);

  // Shrinking the grid pulls the focus in; fixed counts leave a cell free.
  grid.FocusCell(4, 4);
  grid.SetColCount(3);
  EXPECT_EQ(grid.Col(), 2);
  grid.SetFixedCols(10);
  EXPECT_EQ(grid.FixedCols(), 2);
  grid.SetRowCount(0);
  EXPECT_EQ(grid.RowCount(), 2);
}

TEST(Grids, OwnerDrawingAndTexts) {
  TForm form(nullptr);
  TStringGrid grid(&form);
  grid.SetParent(&form);
  grid.SetBounds(0, 0, 200, 80);
  grid.SetColCount(3);
  grid.SetRowCount(3);
  grid.SetCells(1, 1, "hello");
  grid.SetCells(-1, 0, "ignored");
  EXPECT_EQ(grid.Cells(1, 1), "hello");
  EXPECT_EQ(grid.Cells(-1, 0), "");
  grid.SetCells(1, 1, "");
  EXPECT_EQ(grid.Cells(1, 1), "");
  grid.SetCells(2, 2, "text");

  int drawn = 0;
  grid.OnDrawCell = [&](TObject*, int, int, const TRect&, TGridDrawState) { ++drawn; };
  TBitmap plain;
  plain.SetSize(200, 80);
  grid.PaintTo(plain.Canvas(), 0, 0);
  EXPECT_EQ(drawn, 9);
  const TRect cell = grid.CellRect(2, 2);
  int dark = 0;
  for (int y = cell.Top; y < cell.Bottom; ++y)
    for (int x = cell.Left; x < cell.Right; ++x) dark += GetRValue(plain.PixelColor(x, y)) < 128;
  EXPECT_GT(dark, 5);  // the text is there
}

}  // namespace
