// Skinned grids: cells filled by state, style colours, fixed texts in their
// own colour and the flat border.
#include <gtest/gtest.h>

#include "controls/sui_grid.h"
#include "platform/classlib/form.h"
#include "tests/controls/sui_test_util.h"

using namespace classlib;
using namespace controls;

namespace {

TEST(SuiGrid, FocusWinsOverSelection) {
  EXPECT_EQ(GridCellFill(gdSelected | gdFocused, clGreen, clYellow, clWhite), clGreen);
  EXPECT_EQ(GridCellFill(gdSelected, clGreen, clYellow, clWhite), clYellow);
  EXPECT_EQ(GridCellFill(0, clGreen, clYellow, clWhite), clWhite);
}

TEST(SuiGrid, PaintedCellsBorderAndStyles) {
  TForm form(nullptr);
  TsuiStringGrid grid(&form);
  grid.SetParent(&form);
  grid.SetBounds(0, 0, 200, 80);
  grid.SetColCount(3);
  grid.SetRowCount(3);
  grid.SetUIStyle(TsuiUIStyle::Custom);
  grid.SetColor(clWhite);
  grid.SetBorderColor(clRed);
  grid.SetFixedFontColor(clBlue);
  grid.SetCells(1, 0, "Head");
  grid.SetSelection({1, 1, 2, 1});
  EXPECT_EQ(grid.FocusedColor(), static_cast<TColor>(0x00008000));
  EXPECT_EQ(grid.SelectedColor(), static_cast<TColor>(0x0000FFFF));
  EXPECT_FALSE(grid.Ctl3D());

  auto shot = suitest::Shot(&grid);
  const TRect sel = grid.CellRect(2, 1), plain = grid.CellRect(2, 2), head = grid.CellRect(1, 0);
  EXPECT_EQ(shot->PixelColor(sel.Left + 3, sel.Top + 3), grid.SelectedColor());
  EXPECT_EQ(shot->PixelColor(plain.Left + 3, plain.Top + 3), clWhite);
  EXPECT_EQ(shot->PixelColor(0, 40), clRed);    // outer border
  EXPECT_EQ(shot->PixelColor(1, 40), clWhite);  // inner ring in the grid's colour
  int blue = 0;
  for (int y = head.Top; y < head.Bottom; ++y)
    for (int x = head.Left; x < head.Right; ++x) {
      TColor c = shot->PixelColor(x, y);
      blue += GetBValue(c) > GetRValue(c) + 60;
    }
  EXPECT_GT(blue, 5);  // the header text in the fixed font colour

  for (auto style : suitest::kStyles) {
    grid.SetUIStyle(style);
    EXPECT_EQ(grid.BorderColor(), GetThemeColor(style, 8));
    EXPECT_EQ(grid.FixedColor(), GetThemeColor(style, 12));
    EXPECT_EQ(grid.Color(), GetThemeColor(style, 9));
    EXPECT_EQ(grid.FixedFontColor(), GetThemeColor(style, 13));
    EXPECT_EQ(grid.FontColor(), GetThemeColor(style, 16));
  }
  TsuiDrawGrid draw(&form);
  draw.SetUIStyle(TsuiUIStyle::MacOS);
  EXPECT_EQ(draw.BorderColor(), GetThemeColor(TsuiUIStyle::MacOS, 8));
}

}  // namespace
