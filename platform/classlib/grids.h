// Grids painted by the class library: a draw grid (cells drawn by the owner
// or by default) and a string grid that keeps a text per cell. Fixed rows and
// columns are drawn as headers; the focused cell and the selected range are
// tracked for painting and keys.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <utility>

#include "platform/classlib/control.h"

namespace classlib {

using TGridDrawState = uint8_t;
inline constexpr TGridDrawState gdSelected = 1;
inline constexpr TGridDrawState gdFocused = 2;
inline constexpr TGridDrawState gdFixed = 4;

struct TGridRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;  // inclusive cell range
};

using TDrawCellEvent = std::function<void(TObject* Sender, int ACol, int ARow, const TRect& Rect,
                                          TGridDrawState State)>;

class TCustomDrawGrid : public TCustomControl {
 public:
  explicit TCustomDrawGrid(TComponent* AOwner);
  std::string ClassName() const override { return "TCustomDrawGrid"; }

  int ColCount() const { return col_count_; }
  void SetColCount(int Value);
  int RowCount() const { return row_count_; }
  void SetRowCount(int Value);
  int FixedCols() const { return fixed_cols_; }
  void SetFixedCols(int Value);
  int FixedRows() const { return fixed_rows_; }
  void SetFixedRows(int Value);
  int DefaultColWidth() const { return col_width_; }
  void SetDefaultColWidth(int Value);
  int DefaultRowHeight() const { return row_height_; }
  void SetDefaultRowHeight(int Value);
  TColor FixedColor() const { return fixed_color_; }
  void SetFixedColor(TColor Value);
  bool DefaultDrawing() const { return default_drawing_; }
  void SetDefaultDrawing(bool Value) { default_drawing_ = Value; }
  int GridLineWidth() const { return 1; }

  // The focused cell; moving it collapses the selection onto it.
  int Col() const { return col_; }
  int Row() const { return row_; }
  void FocusCell(int ACol, int ARow);
  TGridRect Selection() const { return selection_; }
  // Cells ACol..ARow must be non-fixed; out-of-range values are pulled in.
  void SetSelection(const TGridRect& Value);

  // Where the cell lies in client coordinates (empty when outside the grid).
  TRect CellRect(int ACol, int ARow) const;
  // The cell under a client point; false when there is none.
  bool MouseToCell(int X, int Y, int& ACol, int& ARow) const;
  TGridDrawState CellState(int ACol, int ARow) const;

  TDrawCellEvent OnDrawCell;

 protected:
  void Paint() override;
  // Draws one cell; the default fills it and runs OnDrawCell.
  virtual void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState);
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;

 private:
  void ClampFocus();
  int col_count_ = 5, row_count_ = 5, fixed_cols_ = 1, fixed_rows_ = 1;
  int col_width_ = 64, row_height_ = 24;
  TColor fixed_color_ = clBtnFace;
  bool default_drawing_ = true;
  int col_ = 1, row_ = 1;
  TGridRect selection_{1, 1, 1, 1};
};

class TDrawGrid : public TCustomDrawGrid {
 public:
  explicit TDrawGrid(TComponent* AOwner) : TCustomDrawGrid(AOwner) {}
  std::string ClassName() const override { return "TDrawGrid"; }
};

class TStringGrid : public TDrawGrid {
 public:
  explicit TStringGrid(TComponent* AOwner) : TDrawGrid(AOwner) {}
  std::string ClassName() const override { return "TStringGrid"; }
  std::string Cells(int ACol, int ARow) const;
  void SetCells(int ACol, int ARow, const std::string& Value);

 protected:
  // Runs the owner's drawing, then writes the cell's text when drawing by default.
  void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) override;

 private:
  std::map<std::pair<int, int>, std::string> cells_;
};

}  // namespace classlib
