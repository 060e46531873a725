#include "platform/classlib/grids.h"

#include <algorithm>

#include "platform/classlib/canvas.h"

namespace classlib {

TCustomDrawGrid::TCustomDrawGrid(TComponent* AOwner) : TCustomControl(AOwner) {
  SetColor(clWindow);
  SetTabStop(true);
  SetBounds(Left(), Top(), 320, 120);
}

void TCustomDrawGrid::SetColCount(int Value) {
  col_count_ = std::max(Value, fixed_cols_ + 1);
  ClampFocus();
}

void TCustomDrawGrid::SetRowCount(int Value) {
  row_count_ = std::max(Value, fixed_rows_ + 1);
  ClampFocus();
}

void TCustomDrawGrid::SetFixedCols(int Value) {
  fixed_cols_ = std::clamp(Value, 0, col_count_ - 1);
  ClampFocus();
}

void TCustomDrawGrid::SetFixedRows(int Value) {
  fixed_rows_ = std::clamp(Value, 0, row_count_ - 1);
  ClampFocus();
}

void TCustomDrawGrid::SetDefaultColWidth(int Value) {
  col_width_ = std::max(Value, 1);
  Invalidate();
}

void TCustomDrawGrid::SetDefaultRowHeight(int Value) {
  row_height_ = std::max(Value, 1);
  Invalidate();
}

void TCustomDrawGrid::SetFixedColor(TColor Value) {
  fixed_color_ = Value;
  Invalidate();
}

void TCustomDrawGrid::ClampFocus() {
  col_ = std::clamp(col_, fixed_cols_, col_count_ - 1);
  row_ = std::clamp(row_, fixed_rows_, row_count_ - 1);
  selection_ = {col_, row_, col_, row_};
  Invalidate();
}

void TCustomDrawGrid::FocusCell(int ACol, int ARow) {
  col_ = ACol;
  row_ = ARow;
  ClampFocus();
}

void TCustomDrawGrid::SetSelection(const TGridRect& Value) {
  auto cc = [&](int c) { return std::clamp(c, fixed_cols_, col_count_ - 1); };
  auto cr = [&](int r) { return std::clamp(r, fixed_rows_, row_count_ - 1); };
  selection_ = {cc(std::min(Value.Left, Value.Right)), cr(std::min(Value.Top, Value.Bottom)),
                cc(std::max(Value.Left, Value.Right)), cr(std::max(Value.Top, Value.Bottom))};
  Invalidate();
}

TRect TCustomDrawGrid::CellRect(int ACol, int ARow) const {
  if (ACol < 0 || ARow < 0 || ACol >= col_count_ || ARow >= row_count_) return TRect{};
  const int step = GridLineWidth();
  const int x = ACol * (col_width_ + step), y = ARow * (row_height_ + step);
  return Rect(x, y, x + col_width_, y + row_height_);
}

bool TCustomDrawGrid::MouseToCell(int X, int Y, int& ACol, int& ARow) const {
  if (X < 0 || Y < 0) return false;
  const int step = GridLineWidth();
  ACol = X / (col_width_ + step);
  ARow = Y / (row_height_ + step);
  return ACol < col_count_ && ARow < row_count_;
}

TGridDrawState TCustomDrawGrid::CellState(int ACol, int ARow) const {
  if (ACol < fixed_cols_ || ARow < fixed_rows_) return gdFixed;
  TGridDrawState s = 0;
  if (ACol >= selection_.Left && ACol <= selection_.Right && ARow >= selection_.Top &&
      ARow <= selection_.Bottom)
    s |= gdSelected;
  if (ACol == col_ && ARow == row_ && Focused()) s |= gdFocused;
  return s;
}

void TCustomDrawGrid::Paint() {
  TCanvas* c = Canvas();
  const TRect client = ClientRect();
  c->Font()->Assign(Font());
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(Color());
  c->FillRect(client);
  for (int r = 0; r < row_count_; ++r) {
    for (int k = 0; k < col_count_; ++k) {
      TRect cell = CellRect(k, r);
      if (cell.Left >= client.Right || cell.Top >= client.Bottom) continue;
      const TGridDrawState state = CellState(k, r);
      // Grid lines to the right of and below every cell.
      c->Brush()->SetColor(clBtnShadow);
      c->FillRect(Rect(cell.Right, cell.Top, cell.Right + 1, cell.Bottom + 1));
      c->FillRect(Rect(cell.Left, cell.Bottom, cell.Right + 1, cell.Bottom + 1));
      if (default_drawing_) {
        c->Brush()->SetStyle(bsSolid);
        c->Brush()->SetColor((state & gdFixed)      ? fixed_color_
                             : (state & gdSelected) ? clHighlight
                                                    : Color());
        c->FillRect(cell);
      }
      DrawCell(k, r, cell, state);
    }
  }
}

void TCustomDrawGrid::DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) {
  if (OnDrawCell) OnDrawCell(this, ACol, ARow, ARect, AState);
}

void TCustomDrawGrid::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  int c = 0, r = 0;
  if (Button == TMouseButton::mbLeft && MouseToCell(X, Y, c, r) && c >= fixed_cols_ &&
      r >= fixed_rows_) {
    if (CanFocus()) SetFocus();
    FocusCell(c, r);
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

std::string TStringGrid::Cells(int ACol, int ARow) const {
  auto it = cells_.find({ACol, ARow});
  return it == cells_.end() ? std::string() : it->second;
}

void TStringGrid::SetCells(int ACol, int ARow, const std::string& Value) {
  if (ACol < 0 || ARow < 0) return;
  if (Value.empty())
    cells_.erase({ACol, ARow});
  else
    cells_[{ACol, ARow}] = Value;
  Invalidate();
}

void TStringGrid::DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) {
  TDrawGrid::DrawCell(ACol, ARow, ARect, AState);
  if (!DefaultDrawing()) return;
  const std::string text = Cells(ACol, ARow);
  if (text.empty()) return;
  TCanvas* c = Canvas();
  c->Brush()->SetStyle(bsClear);
  c->TextRect(ARect, ARect.Left + 2, ARect.Top + 2, text);
}

}  // namespace classlib
