#include "treectl/tree_view.h"

#include <algorithm>

#include "platform/classlib/canvas.h"
#include "platform/classlib/drawing_helpers.h"
#include "platform/classlib/image_list.h"
#include "platform/classlib/menus.h"
#include "platform/classlib/timer.h"
#include "treectl/line_hint_window.h"

namespace lumicast {

using namespace classlib;

namespace {

TElTreeItem* FlatAt(const TElList& List, int Index) {
  return static_cast<TElTreeItem*>(List.UncheckedGet(Index));
}

constexpr unsigned kCellTextFlags = DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS | DT_VCENTER;

}  // namespace

TElTreeView::TElTreeView(TCustomElTree* Tree) : TCustomControl(Tree), tree_(Tree) {
  SetParent(Tree);
  SetTabStop(true);
  SetFont(Tree->Font());
  SetControlStyle(ControlStyle() | csOpaque);
}

TElTreeView::~TElTreeView() {
  // A drag from this view ends with it (as cancelled).
  if (Dragging() && CurrentDragObject() != nullptr && CurrentDragObject()->Control() == this)
    EndDrag(false);
  if (edit_timer_) edit_timer_->SetEnabled(false);
  try {
    if (editing_) FinishCellEdit(true);
  } catch (...) {
  }
  DropEditor();
  HideLineHint();
  hint_timer_.reset();
  hint_window_.reset();
  search_timer_.reset();
}

// ---- geometry ---------------------------------------------------------------------

int TElTreeView::RowCapacity() const {
  int rows = 0, rest = 0;
  FullRows(rows, rest);
  return rows + (rest > 0 ? 1 : 0);
}

void TElTreeView::FullRows(int& Rows, int& Remainder) const {
  int lh = std::max(1, tree_->LineHeight());
  int h = std::max(0, ClientHeight());
  Rows = h / lh;
  Remainder = h % lh;
}

TRect TElTreeView::RowRect(int Index) const {
  if (Index < 0 || Index >= rows_.Count() || tree_->IsDestroying()) return TRect{};
  int lh = tree_->LineHeight();
  return TRect{0, Index * lh, ClientWidth(), Index * lh + lh - 1};
}

TElTreeItem* TElTreeView::RowAtY(int Y) const {
  if (Y < 0) return nullptr;
  int index = Y / std::max(1, tree_->LineHeight());
  return index < rows_.Count() ? Row(index) : nullptr;
}

int TElTreeView::PageFrom(int Top) {
  int count = tree_->VisibleRowCount();
  return std::max(0, std::min(RowCapacity(), count - Top));
}

int TElTreeView::MaxTopIndex() {
  int m = tree_->VisibleRowCount() - RowCapacity() + 1;
  return std::max(0, m);
}

void TElTreeView::FillRows(int Top) {
  rows_.Clear();
  int lh = std::max(1, tree_->LineHeight());
  int height = 0;
  int view_h = ClientHeight();
  int count = tree_->VisibleRowCount();
  for (int index = std::max(0, Top); index < count; ++index) {
    rows_.Add(tree_->VisibleItemAt(index));
    height += lh;
    // A row that would start below the view is not a row on screen.
    if (height >= view_h) break;
  }
}

void TElTreeView::ApplyTopIndex() {
  int count = tree_->VisibleRowCount();
  int top = tree_->top_index_;
  if (count != 0 && (top < 0 || top >= count)) top = 0;
  top = std::clamp(top, 0, MaxTopIndex());
  tree_->top_index_ = top;
  if (top != 0 || count != 0) {
    FillRows(top);
    last_row_index_ = top + rows_.Count() - 1;
  } else {
    rows_.Clear();
    last_row_index_ = 0;
  }
  RowsChanged = false;
}

void TElTreeView::SetTopIndex(int Value) {
  tree_->WithUpdate([&] {
    SetHotItem(nullptr);
    int value = std::clamp(Value, 0, MaxTopIndex());
    if (value != tree_->top_index_) {
      tree_->top_index_ = value;
      RowsChanged = true;
      AreaChanged = true;
      tree_->SetDirty();
      ApplyTopIndex();
    }
    tree_->VertScrollBar()->SetScrollPosition(tree_->top_index_, true);
  });
}

void TElTreeView::SetLeftPosition(int Value) {
  tree_->WithUpdate([&] {
    // With columns the content is as wide as the sections; without, as the widest row.
    int bound = tree_->ShowColumns() ? tree_->Header()->SectionsWidth() : widest_row_;
    int value = std::min(Value, bound - ClientWidth());
    value = std::max(value, 0);
    if (value != tree_->left_position_) {
      tree_->left_position_ = value;
      tree_->Header()->SetScrollOffset(value);
      AreaChanged = true;
      tree_->SetDirty();
    }
    if (tree_->HorzScrollBar()->Position() != tree_->left_position_)
      tree_->HorzScrollBar()->SetScrollPosition(tree_->left_position_, true);
  });
}

void TElTreeView::InvalidateChanged() {
  if (tree_->IsUpdating()) {
    tree_->SetDirty();
    return;
  }
  if (RowsDirty || AreaChanged) Invalidate();
  RowsDirty = false;
  AreaChanged = false;
}

void TElTreeView::Resize() {
  TCustomControl::Resize();
  tree_->WithUpdate([&] {
    RowsChanged = true;
    AreaChanged = true;
    tree_->SetDirty();
    ApplyTopIndex();
  });
}

void TElTreeView::EnsureChildrenShown(TElTreeItem* Item) {
  if (Item == nullptr || !Item->FullyExpanded() || !Item->FullyVisible()) return;
  int row = rows_.IndexOf(Item);
  if (row <= 0) return;
  int lh = tree_->LineHeight();
  int h = Item->SubtreeHeight();
  int b = RowRect(row).Bottom;
  int steps = 0;
  while (b + h >= ClientHeight() && steps < row) {
    b -= lh;
    ++steps;
  }
  if (steps > 0) {
    tree_->count_stale_ = true;
    SetTopIndex(tree_->top_index_ + steps);
  }
}

int TElTreeView::RowExtent(TElTreeItem* Item) {
  int indent = tree_->ItemIndent();
  int w;
  bool text_cell = !Item->UseStyles() || Item->MainStyle()->CellType == sftText;
  if ((!tree_->ShowColumns() || tree_->OwnerDrawByColumn()) &&
      Item->Text() != tree_->OwnerDrawMask() && text_cell) {
    w = Canvas()->TextWidth(Item->Text()) + indent / 3 + 3;
  } else {
    TPoint size{0, 0};
    if (tree_->OnHeaderSectionMeasure) tree_->OnHeaderSectionMeasure(tree_, nullptr, size);
    w = indent / 3 + Item->CaptionLeft + size.X + 3;
  }
  w += ((tree_->ShowRoot() && tree_->ShowLines()) || tree_->ShowButtons()) ? indent : indent / 5;
  if (tree_->ShowCheckboxes() && Item->ShowCheckBox()) w += indent;
  w += std::max(0, Item->Level()) * indent;
  if (tree_->ShowImages()) {
    if (tree_->Images()) w += tree_->Images()->Width();
    w += indent / 3;
    if (tree_->Images2())
      w += tree_->Images2()->Width();
    else if (tree_->Images())
      w += tree_->Images()->Width();
  }
  return w;
}

void TElTreeView::MeasureWidestRow() {
  Canvas()->SetFont(tree_->Font());
  const TElList& flat = tree_->FlatList();
  int widest = 0;
  for (int i = 0; i < flat.Count(); i = tree_->NextVisiblePosition(i)) {
    TElTreeItem* item = FlatAt(flat, i);
    if (!tree_->CountsAsVisible(item)) continue;
    widest = std::max(widest, RowExtent(item));
  }
  widest_row_ = widest;
}

// ---- painting -----------------------------------------------------------------------

void TElTreeView::Paint() {
  painting_ = true;
  try {
    TCanvas* c = Canvas();
    c->Brush()->SetColor(tree_->BkColor());
    c->Brush()->SetStyle(bsSolid);
    c->FillRect(ClientRect());
    PaintRows(c);
  } catch (...) {
    painting_ = false;
    throw;
  }
  painting_ = false;
}

void TElTreeView::PaintRows(TCanvas* Canvas) {
  TCustomElTree* t = tree_;
  const int lp = t->LeftPosition();
  if (t->ShowColumns()) {
    if (t->Header()->ScrollOffset() != lp) t->Header()->SetScrollOffset(lp);
    if (t->main_tree_column_ >= t->Header()->Sections()->Count()) t->main_tree_column_ = 0;
  }
  const TRect clip = Canvas->ClipRect();
  for (int i = 0; i < rows_.Count(); ++i) {
    TElTreeItem* item = Row(i);
    TRect r = RowRect(i);
    if (t->HorizontalLines() && !t->BarStyle()) r.Bottom -= 1;
    if (r.Bottom + 1 <= clip.Top || r.Top >= clip.Bottom) continue;
    if (t->OnItemPreDraw) t->OnItemPreDraw(t, item);
    Canvas->SetFont(t->Font());
    Canvas->Font()->SetColor(t->TextColor());
    Canvas->Pen()->SetColor(t->TextColor());
    t->PaintingFillColor = t->BkColor();
    t->PaintingTextColor = t->TextColor();
    if (t->BarStyle()) {
      TRect inner = r;
      InflateRect(inner, -1, -1);
      PaintRow(Canvas, item, inner);
      TRect frame{r.Left - lp, r.Top, r.Right, r.Bottom + 1};
      DrawEdge(Canvas, frame, item->Selected() ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
    } else {
      PaintRow(Canvas, item, r);
    }
  }
  if (t->BarStyle() && !t->BarStyleVerticalLines()) return;
  if (rows_.Count() == 0) return;
  Canvas->Pen()->SetColor(t->DivLinesColor());
  Canvas->Pen()->SetStyle(psSolid);
  const int lh = t->LineHeight();
  const int sections_width = t->Header()->SectionsWidth();
  if (t->HorizontalLines() && !t->BarStyle()) {
    int right = t->ShowColumns() ? sections_width - lp : ClientWidth();
    for (int i = 0; i < rows_.Count(); ++i) {
      int y = lh - 1 + i * lh;
      if (y >= ClientHeight()) break;
      if (!Row(i)->DividerBelow) continue;
      if (y < clip.Top || y >= clip.Bottom) continue;
      Canvas->MoveTo(0, y);
      Canvas->LineTo(right, y);
    }
  }
  if (t->VerticalLines() && t->ShowColumns() && t->Header()->Sections()->Count() > 0) {
    int lower = ClientHeight();
    if (!t->VerticalLinesLong()) {
      int last = rows_.Count() - 1;
      lower = last < 0 ? 999999 : RowRect(last).Bottom + 1;
    }
    TElHeaderSections* sections = t->Header()->Sections();
    for (int k = 0; k < sections->Count(); ++k) {
      TElHeaderSection* s = sections->Item(k);
      if (s == nullptr || !s->EffectivelyVisible() || s->Width() <= 0) continue;
      int x = s->RightEdge() - lp - 1;
      Canvas->MoveTo(x, 0);
      Canvas->LineTo(x, std::min(lower, ClientHeight()));
    }
  }
}

bool TElTreeView::SelectionColorsApply() const { return Focused() || !tree_->HideSelection(); }

void TElTreeView::ApplySelectionColors(TCanvas* Canvas) {
  TCustomElTree* t = tree_;
  if (SelectionColorsApply()) {
    Canvas->Brush()->SetColor(t->FocusedSelectColor());
    Canvas->Font()->SetColor(t->FocusedSelectTextColor());
    t->PaintingFillColor = t->FocusedSelectColor();
    t->PaintingTextColor = t->FocusedSelectTextColor();
  } else {
    Canvas->Brush()->SetColor(t->HideSelectColor());
    Canvas->Font()->SetColor(t->HideSelectTextColor());
    t->PaintingFillColor = t->HideSelectColor();
    t->PaintingTextColor = t->HideSelectTextColor();
  }
}

bool TElTreeView::IsOwnerDrawn(TElTreeItem* Item, TElHeaderSection* Section,
                               const std::string& Text) const {
  if (tree_->OwnerDrawByColumn()) {
    if (Section != nullptr && Section->Style() == ElhsOwnerDraw) return true;
  } else if (Text == tree_->OwnerDrawMask()) {
    return true;
  }
  return Item->UseStyles() && Item->MainStyle()->Style == 1;
}

void TElTreeView::PaintRow(TCanvas* Canvas, TElTreeItem* Item, const TRect& RowR) {
  TCustomElTree* t = tree_;
  const int lp = t->LeftPosition();
  const int vl = (t->VerticalLines() && !t->BarStyle()) ? 1 : 0;
  const bool selected = Item->Selected() && !t->BarStyle();
  Canvas->Brush()->SetColor(t->PaintingFillColor);
  if (!Item->ParentColors() && Item->UseBkColor()) {
    Canvas->Brush()->SetColor(Item->RowBkColor());
    t->PaintingFillColor = Item->RowBkColor();
  }
  if (selected && t->RowSelect()) ApplySelectionColors(Canvas);
  const bool drop = Item == drop_target_ && t->RowSelect();
  if (drop) {
    if (t->DragTrgDrawMode() == ColorRect) {
      t->PaintingFillColor = drop_accepted_ ? t->DragRectAcceptColor() : t->DragRectDenyColor();
      t->PaintingTextColor = clBtnText;
    } else if (t->DragTrgDrawMode() == SelColorRect) {
      t->PaintingFillColor = clHighlight;
      t->PaintingTextColor = clHighlightText;
    }
  }
  const TColor row_fill = t->PaintingFillColor;
  const TColor row_text = t->PaintingTextColor;

  if (t->ShowColumns()) {
    TElHeaderSections* sections = t->Header()->Sections();
    for (int k = 0; k < sections->Count(); ++k) {
      TElHeaderSection* s = sections->Item(k);
      if (s == nullptr || !s->EffectivelyVisible()) continue;
      t->PaintingFillColor = row_fill;
      t->PaintingTextColor = row_text;
      if (k == t->MainTreeColumn()) {
        PaintMainCell(Canvas, Item, RowR);
        continue;
      }
      TRect cell{s->LeftEdge() - lp, RowR.Top, s->RightEdge() - lp - vl, RowR.Bottom + 1};
      if (cell.Right <= cell.Left) continue;
      bool sel_cell = selected && (k == t->SelectColumn() || t->RowSelect());
      TColor fill = t->PaintingFillColor;
      TColor text_color = t->PaintingTextColor;
      if (sel_cell) {
        bool focused_look = Focused() || !t->HideSelection();
        fill = focused_look ? t->FocusedSelectColor() : t->HideSelectColor();
        text_color = focused_look ? t->FocusedSelectTextColor() : t->HideSelectTextColor();
      }
      if (Item == drop_target_ && (t->RowSelect() || k == t->SelectColumn())) {
        if (t->DragTrgDrawMode() == ColorRect) {
          fill = drop_accepted_ ? t->DragRectAcceptColor() : t->DragRectDenyColor();
          text_color = clBtnText;
        } else if (t->DragTrgDrawMode() == SelColorRect) {
          fill = clHighlight;
          text_color = clHighlightText;
        }
      }
      Canvas->Brush()->SetStyle(bsSolid);
      Canvas->Brush()->SetColor(fill);
      Canvas->FillRect(cell);
      int kk = k > t->MainTreeColumn() ? k - 1 : k;
      std::string text;
      if (s->Password())
        text = "******";
      else if (kk >= 0 && kk < Item->ColumnText()->Count())
        text = Item->ColumnText()->Strings(kk);
      if (IsOwnerDrawn(Item, s, text)) {
        TRect inner = cell;
        InflateRect(inner, -1, -1);
        if (t->OnItemDraw) t->OnItemDraw(t, Item, Canvas, inner, k);
        continue;
      }
      Canvas->Font()->SetColor(text_color);
      PaintCellText(Canvas, Item, s, cell, text, sel_cell);
    }
  } else {
    PaintMainCell(Canvas, Item, RowR);
  }
  t->PaintingFillColor = row_fill;
  t->PaintingTextColor = row_text;

  if (Item->CrossLine) {
    int y = (RowR.Top + RowR.Bottom) / 2 + 1;
    Canvas->Pen()->SetStyle(psSolid);
    Canvas->Pen()->SetColor(Item->Selected() ? clHighlightText : Item->CrossLineColor);
    Canvas->MoveTo(Item->CaptionLeft - lp - 2, y);
    Canvas->LineTo(RowR.Right, y);
  }

  // Focus and selection frame.
  TRect f;
  if (!t->RowSelect()) {
    TElHeaderSection* sc = t->SelectColumn() != -1 && t->ShowColumns()
                               ? t->Header()->Sections()->Item(t->SelectColumn())
                               : nullptr;
    if (sc != nullptr)
      f = TRect{sc->LeftEdge() - lp, RowR.Top, sc->RightEdge() - lp - vl, RowR.Bottom + 1};
    else
      f = TRect{Item->CaptionLeft + 1 - lp, RowR.Top, Item->CaptionRight - 1 - lp, RowR.Bottom + 1};
  } else if (t->ShowColumns()) {
    f = TRect{RowR.Left - lp, RowR.Top,
              t->Header()->SectionsWidth() - lp - vl - (t->BarStyle() ? 1 : 0), RowR.Bottom + 1};
  } else {
    f = TRect{RowR.Left - lp, RowR.Top, RowR.Right + 1, RowR.Bottom + 1};
  }
  bool draw_focus = Focused() || !t->HideFocusRect();
  if (t->OnItemPostDraw) t->OnItemPostDraw(t, Canvas, Item, f, draw_focus);
  if (Item->Focused() && draw_focus && t->DrawFocusRect()) {
    Canvas->Brush()->SetColor(t->BkColor());
    Canvas->Pen()->SetColor(t->TextColor());
    Canvas->Font()->SetColor(t->TextColor());
    classlib::DrawFocusRect(Canvas, f);
  }

  if (Item == drop_target_) {
    int right = t->ShowColumns() ? ClientWidth() - (t->BarStyle() ? 1 : 0) : RowR.Right + 1;
    TRect d{RowR.Left - lp, RowR.Top, right, RowR.Bottom + 1};
    TColor color = drop_accepted_ ? t->DragRectAcceptColor() : t->DragRectDenyColor();
    TDragTargetDraw mode = t->DragTrgDrawMode();
    if (mode == dtdUpSelColorLine || mode == dtdDownSelColorLine) color = clHighlight;
    Canvas->Pen()->SetStyle(psSolid);
    Canvas->Pen()->SetColor(color);
    if (mode == ColorFrame) {
      Canvas->Brush()->SetColor(color);
      Canvas->FrameRect(d);
    } else if (mode == dtdUpColorLine || mode == dtdUpSelColorLine || mode == dtdDownColorLine ||
               mode == dtdDownSelColorLine) {
      bool up = mode == dtdUpColorLine || mode == dtdUpSelColorLine;
      int y = up ? d.Top : d.Bottom - 1;
      int dir = up ? 1 : -1;
      Canvas->MoveTo(d.Left, y);
      Canvas->LineTo(d.Right, y);
      for (int x : {d.Left, d.Left + 1, d.Right - 2, d.Right - 1}) {
        Canvas->MoveTo(x, y);
        Canvas->LineTo(x, y + 3 * dir);
      }
    }
  }
}

void TElTreeView::PaintCellText(TCanvas* Canvas, TElTreeItem* Item, TElHeaderSection* Section,
                                const TRect& Cell, const std::string& Text, bool) {
  TCustomElTree* t = tree_;
  const int indent = t->ItemIndent();
  TFontStyles style = t->Font()->Style();
  if (t->Tracking() && t->UnderlineTracked() && t->RowHotTrack() && Item == hot_item_)
    style |= fsUnderline;
  Canvas->Font()->SetStyle(style);
  int w = Canvas->TextWidth(Text) + 2;
  TElSAlignment align = Section->Alignment();
  if (t->RightAlignedText()) {
    if (align == hsaLeft)
      align = hsaRight;
    else if (align == hsaRight)
      align = hsaLeft;
  }
  TRect box = Cell;
  unsigned flags = kCellTextFlags;
  if (align == hsaLeft) {
    box.Left = Cell.Left + indent / 5;
    box.Right = std::min(Cell.Left + indent / 3 + w, Cell.Right);
  } else if (align == hsaCenter) {
    int bw = std::min(Cell.Width(), w + 3);
    box.Left = Cell.Left + (Cell.Width() - bw) / 2;
    box.Right = box.Left + bw;
    flags |= DT_CENTER;
  } else {
    box.Left = std::max(Cell.Right - indent / 3 - w, Cell.Left);
    box.Right = Cell.Right - indent / 5;
    flags |= DT_RIGHT;
  }
  if (t->RightAlignedText()) flags |= DT_RTLREADING;
  if (box.Right <= box.Left) return;
  Canvas->FillRect(box);
  Canvas->Brush()->SetStyle(bsClear);
  Canvas->DrawText(Text, box, flags);
  Canvas->Brush()->SetStyle(bsSolid);
}

void TElTreeView::DrawLine(TCanvas* Canvas, int X1, int Y1, int X2, int Y2) {
  TColor color = tree_->LinesColor();
  if (tree_->LinesStyle() != psDot) {
    Canvas->Pen()->SetStyle(tree_->LinesStyle());
    Canvas->Pen()->SetColor(color);
    Canvas->MoveTo(X1, Y1);
    Canvas->LineTo(X2, Y2);
    return;
  }
  // Dots on every second pixel, aligned so that they line up across rows.
  if (X1 == X2) {
    int y = Y1 + (((X1 ^ Y1) & 1) ? 1 : 0);
    for (; y < Y2; y += 2) Canvas->SetPixels(X1, y, color);
  } else {
    int x = X1 + (((X1 ^ Y1) & 1) ? 1 : 0);
    for (; x < X2; x += 2) Canvas->SetPixels(x, Y1, color);
  }
}

namespace {

// A following sibling that the visible sequence shows.
bool HasVisibleNextSibling(const TCustomElTree* Tree, const TElTreeItem* Item) {
  for (TElTreeItem* s = Item->NextSibling(); s != nullptr; s = s->NextSibling())
    if (Tree->CountsAsVisible(s)) return true;
  return false;
}

bool HasPrevVisibleSibling(const TCustomElTree* Tree, TElTreeItem* Item) {
  TElTreeItem* parent = Item->Parent();
  TElTreeItem* holder = parent != nullptr ? parent : Item->Owner()->Root();
  for (TElTreeItem* s = holder->ChildBefore(Item); s != nullptr; s = holder->ChildBefore(s))
    if (Tree->CountsAsVisible(s)) return true;
  return false;
}

bool FollowingUnsuppressed(const TElTreeItem* Item) {
  for (TElTreeItem* s = Item->NextSibling(); s != nullptr; s = s->NextSibling())
    if (!s->SuppressLines()) return true;
  return false;
}

}  // namespace

void TElTreeView::PaintTreeLines(TCanvas* Canvas, TElTreeItem* Item, const TRect& C, int& Edge) {
  TCustomElTree* t = tree_;
  const int indent = t->ItemIndent();
  const int top = C.Top;
  const int bottom = C.Bottom + 1;
  const int mid = (C.Top + C.Bottom) / 2;
  const int level = std::max(0, Item->Level());
  // Root column.
  if (level > 0 && t->ShowRoot() && HasVisibleNextSibling(t, Item->TopAncestor())) {
    int x = Edge - indent + indent / 2;
    DrawLine(Canvas, x, top, x, bottom);
  }
  // Ancestor columns, from the highest below the top level down.
  std::vector<TElTreeItem*> chain;
  for (TElTreeItem* p = Item->Parent(); p != nullptr && p->Level() > 0; p = p->Parent())
    chain.push_back(p);
  std::reverse(chain.begin(), chain.end());
  for (TElTreeItem* a : chain) {
    if (HasVisibleNextSibling(t, a) && FollowingUnsuppressed(a)) {
      int x = Edge + indent / 2;
      DrawLine(Canvas, x, top, x, bottom);
    }
    Edge += indent;
  }
  if (level > static_cast<int>(chain.size()))
    Edge += indent * (level - static_cast<int>(chain.size()));
  // The item's own column.
  int col = Edge - indent;
  int x = col + indent / 2;
  if (level == 0) {
    if (!t->ShowRoot()) return;
    if (!Item->SuppressLines()) DrawLine(Canvas, x, mid, col + indent, mid);
    if (HasPrevVisibleSibling(t, Item)) DrawLine(Canvas, x, top, x, mid);
    if (HasVisibleNextSibling(t, Item) && !Item->SuppressLines())
      DrawLine(Canvas, x, mid, x, bottom);
    return;
  }
  if (!Item->SuppressLines() || FollowingUnsuppressed(Item)) DrawLine(Canvas, x, top, x, mid);
  if (!Item->SuppressLines()) DrawLine(Canvas, x, mid, col + indent, mid);
  if (HasVisibleNextSibling(t, Item) && FollowingUnsuppressed(Item))
    DrawLine(Canvas, x, mid, x, bottom);
}

void TElTreeView::PaintExpandSign(TCanvas* Canvas, TElTreeItem* Item, const TRect& C, int Edge) {
  TCustomElTree* t = tree_;
  TBitmap* glyph;
  if (t->CustomPlusMinus())
    glyph = Item->Expanded() ? t->MinusPicture() : t->PlusPicture();
  else
    glyph = Item->Expanded() ? t->MinusBitmap() : t->PlusBitmap();
  if (glyph == nullptr || glyph->Empty()) return;
  const int indent = t->ItemIndent();
  int row_h = t->LineHeight();
  int x = Edge + (indent - glyph->Width()) / 2;
  int y = C.Top + (row_h - glyph->Height()) / 2;
  int w = std::min(glyph->Width(), std::min(Edge + indent, C.Right) - x);
  if (w <= 0) return;
  if (t->PlusMinusTransparent()) {
    TColor key = glyph->Canvas()->Pixels(0, glyph->Height() - 1);
    for (int yy = 0; yy < glyph->Height(); ++yy)
      for (int xx = 0; xx < w; ++xx) {
        TColor p = glyph->Canvas()->Pixels(xx, yy);
        if (p != key) Canvas->SetPixels(x + xx, y + yy, p);
      }
  } else {
    BitBlt(Canvas, x, y, w, glyph->Height(), glyph->Canvas(), 0, 0, SRCCOPY);
  }
}

void TElTreeView::PaintCheckBox(TCanvas* Canvas, TElTreeItem* Item, const TRect& C, int& Edge) {
  if (!Item->ShowCheckBox()) return;
  TCustomElTree* t = tree_;
  const int indent = t->ItemIndent();
  const int row_h = t->LineHeight();
  Edge += 2;
  if (t->CustomCheckboxes()) {
    TBitmap* strip =
        Item->CheckBoxType() == ectRadioButton ? t->RadioButtonGlyph() : t->CheckBoxGlyph();
    if (strip == nullptr || strip->Empty()) return;
    bool radio = Item->CheckBoxType() == ectRadioButton;
    int cells = radio ? 4 : 6;
    int cw = strip->Width() / cells;
    int cell;
    bool disabled = !Item->CheckBoxEnabled();
    if (Item->CheckBoxType() == ect3SCheckBox)
      cell = Item->CheckBoxState() * 2 + (disabled ? 1 : 0);
    else
      cell = (Item->Checked() ? 2 : 0) + (disabled ? 1 : 0);
    int y = C.Top + (row_h - strip->Height()) / 2;
    int w = std::min(cw, C.Right - Edge);
    if (w > 0) {
      TColor key = strip->Canvas()->Pixels(0, strip->Height() - 1);
      for (int yy = 0; yy < strip->Height(); ++yy)
        for (int xx = 0; xx < w; ++xx) {
          TColor p = strip->Canvas()->Pixels(cell * cw + xx, yy);
          if (p != key) Canvas->SetPixels(Edge + xx, y + yy, p);
        }
    }
    Edge += cw;
    return;
  }
  int side = indent - 4;
  int y = C.Top + (row_h - side) / 2;
  if (Edge < C.Right) {
    unsigned state = 0;
    switch (Item->CheckBoxType()) {
      case ectCheckBox: state = DFCS_BUTTONCHECK | (Item->Checked() ? DFCS_CHECKED : 0u); break;
      case ect3SCheckBox:
        state = DFCS_BUTTON3STATE;
        if (Item->CheckBoxState() == cbChecked) state |= DFCS_CHECKED;
        if (Item->CheckBoxState() == cbGrayed) state |= DFCS_CHECKED | DFCS_INACTIVE;
        break;
      case ectRadioButton: state = DFCS_BUTTONRADIO | (Item->Checked() ? DFCS_CHECKED : 0u); break;
    }
    if (!Item->CheckBoxEnabled()) state |= DFCS_INACTIVE;
    TRect box{Edge, y, Edge + side, y + side};
    const bool had_clip = Canvas->HasClipRegion();
    const TRegion saved = Canvas->ClipRegion();
    Canvas->IntersectClipRect(TRect{C.Left, C.Top, C.Right, C.Bottom + 1});
    DrawFrameControl(Canvas, box, DFC_BUTTON, state);
    Canvas->SetClipRegion(had_clip ? &saved : nullptr);
  }
  Edge += indent - 2;
}

void TElTreeView::PaintItemImages(TCanvas* Canvas, TElTreeItem* Item, const TRect& C, int& Edge) {
  TCustomElTree* t = tree_;
  const int row_h = t->LineHeight();
  bool state = Item->Focused() || Item->Selected() || Item->Cut() ||
               (Item->Expanded() && Item->HasVisibleChildren());
  TImageList* first = t->Images2() != nullptr ? t->Images2() : t->Images();
  if (first != nullptr && t->Images2() != nullptr) {
    int index = state ? Item->StateImageIndex2() : Item->ImageIndex2();
    if (index == -1) index = t->DoGetPicture2(Item);
    if (index >= 0 && index < first->Count()) {
      int y = C.Top + (row_h - first->Height()) / 2;
      if (Edge < C.Right) first->Draw(Canvas, Edge, y, index, Item->Enabled());
      Edge += first->Width();
      Item->Image2Drawn = true;
    } else if (t->ShowEmptyImages2()) {
      Edge += first->Width();
      Item->Image2Drawn = true;
    }
  }
  if (t->Images() != nullptr) {
    TImageList* list = t->Images();
    int index = state ? Item->StateImageIndex() : Item->ImageIndex();
    if (index == -1) index = t->DoGetPicture(Item);
    bool valid = index >= 0 && index < list->Count();
    if (valid || t->ShowEmptyImages()) {
      if (Item->Image2Drawn) Edge += t->ItemIndent() / 3;
      if (valid && Edge < C.Right)
        list->Draw(Canvas, Edge, C.Top + (row_h - list->Height()) / 2, index, Item->Enabled());
      Edge += list->Width();
      Item->ImageDrawn = true;
    }
  }
}

void TElTreeView::PaintMainCell(TCanvas* Canvas, TElTreeItem* Item, const TRect& RowR) {
  TCustomElTree* t = tree_;
  const int lp = t->LeftPosition();
  const int indent = t->ItemIndent();
  const int vl = (t->VerticalLines() && !t->BarStyle()) ? 1 : 0;
  TRect c = RowR;
  TElHeaderSection* main = t->MainSection();
  if (main != nullptr) {
    c.Left = main->LeftEdge() - lp;
    c.Right = main->RightEdge() - lp - vl;
  } else {
    c.Left = RowR.Left - lp;
    c.Right = RowR.Right - vl;
  }
  const bool selected = Item->Selected() && !t->BarStyle();
  const bool main_selects =
      selected &&
      ((t->ShowColumns() && t->SelectColumn() == t->MainTreeColumn()) || t->RowSelect());
  bool colored = false;
  if (Item->UseStyles() && !Item->MainStyle()->UseOwnerLook) {
    t->PaintingFillColor = Item->MainStyle()->CellFillColor;
    t->PaintingTextColor = Item->MainStyle()->TextColor;
    colored = true;
  }
  if (main_selects) {
    ApplySelectionColors(Canvas);
    colored = true;
  }
  if (Item == drop_target_) {
    if (t->DragTrgDrawMode() == ColorRect) {
      t->PaintingFillColor = drop_accepted_ ? t->DragRectAcceptColor() : t->DragRectDenyColor();
      colored = true;
    } else if (t->DragTrgDrawMode() == SelColorRect) {
      t->PaintingFillColor = clHighlight;
      colored = true;
    }
  }
  if (colored || !Item->ParentColors()) {
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(t->PaintingFillColor);
    Canvas->FillRect(TRect{c.Left, c.Top, c.Right, c.Bottom + 1});
  }

  int edge = c.Left;
  edge += ((t->ShowRoot() && t->ShowLines()) || (t->ShowButtons() && t->ShowRootButtons()))
              ? indent
              : indent / 5;
  if (t->ShowLines() && !Item->SuppressLines())
    PaintTreeLines(Canvas, Item, c, edge);
  else
    edge += (Item->Level() - 1) * indent;
  TElTreeItem* top = Item->TopAncestor();
  if (top != nullptr && top->SuppressButtons()) edge -= indent;
  bool has_children = Item->HasVisibleChildren() || Item->ForceButtons();
  if (t->ShowButtons() && has_children && !Item->SuppressButtons() &&
      (t->ShowRootButtons() || Item->Level() > 0))
    PaintExpandSign(Canvas, Item, c, edge);
  edge += indent;
  if (t->ShowCheckboxes()) PaintCheckBox(Canvas, Item, c, edge);
  Item->ImageDrawn = false;
  Item->Image2Drawn = false;
  if (t->ShowImages()) PaintItemImages(Canvas, Item, c, edge);

  if (IsOwnerDrawn(Item, main, Item->Text())) {
    edge += indent / 3;
    TRect rest{edge, c.Top, c.Right, c.Bottom + 1};
    if (t->OnItemDraw) t->OnItemDraw(t, Item, Canvas, rest, t->MainTreeColumn());
    Item->CaptionLeft = rest.Left + lp;
    Item->CaptionRight = rest.Right + lp;
    return;
  }
  edge += indent / 3;

  // Caption.
  TFontStyles style = TCustomElTree::ItemFontStyle(Item, t->Font()->Style());
  if (t->Tracking() && t->UnderlineTracked() && Item == hot_item_) style |= fsUnderline;
  Canvas->Font()->SetStyle(style);
  TColor text_color = t->PaintingTextColor;
  TColor fill = t->PaintingFillColor;
  bool fill_caption = colored;
  if (!Item->ParentColors()) {
    text_color = Item->Color();
    if (Item->UseBkColor()) {
      fill = Item->BkColor();
      fill_caption = true;
    }
  }
  bool caption_selected = selected && (t->SelectColumn() == -1 || !t->ShowColumns() ||
                                       t->SelectColumn() == t->MainTreeColumn() || t->RowSelect());
  if (Item == hot_item_ && t->Tracking()) text_color = t->TrackColor();
  if (caption_selected) {
    bool focused_look = SelectionColorsApply();
    fill = focused_look ? t->FocusedSelectColor() : t->HideSelectColor();
    text_color = focused_look ? t->FocusedSelectTextColor() : t->HideSelectTextColor();
    fill_caption = true;
  }
  if (Item == drop_target_ &&
      (t->DragTrgDrawMode() == ColorRect || t->DragTrgDrawMode() == SelColorRect)) {
    text_color = t->DragTrgDrawMode() == ColorRect ? clBtnText : clHighlightText;
    fill_caption = true;
  }
  int text_w = Canvas->TextWidth(Item->Text());
  TRect box{edge - 1, c.Top, std::min(edge + text_w + 3, c.Right), c.Bottom + 1};
  if (t->RightAlignedTree())
    box = TRect{std::max(c.Left, c.Right - (edge - c.Left) - text_w - 3), c.Top,
                c.Right - (edge - c.Left) + 1, c.Bottom + 1};
  if (box.Right > box.Left) {
    if (fill_caption) {
      Canvas->Brush()->SetStyle(bsSolid);
      Canvas->Brush()->SetColor(fill);
      Canvas->FillRect(box);
    }
    Canvas->Font()->SetColor(text_color);
    TRect text_box{t->RightAlignedTree() ? box.Left : edge, box.Top, box.Right, box.Bottom};
    unsigned flags = kCellTextFlags | (t->RightAlignedText() ? DT_RTLREADING : 0u);
    Canvas->Brush()->SetStyle(bsClear);
    Canvas->DrawText(Item->Text(), text_box, flags);
    Canvas->Brush()->SetStyle(bsSolid);
    Item->CaptionLeft = box.Left + lp - 1;
    Item->CaptionRight = box.Right + lp + 1;
  } else {
    Item->CaptionLeft = box.Left + lp - 1;
    Item->CaptionRight = box.Left + lp - 1;
  }
}

void TElTreeView::InvalidateItemRow(TElTreeItem* Item) {
  if (Item != nullptr && rows_.IndexOf(Item) >= 0) Invalidate();
}

void TElTreeView::ForgetItem(TElTreeItem* Item) {
  if (hot_item_ == Item) hot_item_ = nullptr;
  if (drop_target_ == Item) drop_target_ = nullptr;
  if (pending_edit_item_ == Item) {
    pending_edit_item_ = nullptr;
    if (edit_timer_) edit_timer_->SetEnabled(false);
  }
  if (edit_item_ == Item) {
    // The item goes: its editor closes without applying anything.
    editing_ = false;
    edit_item_ = nullptr;
    if (editor_ != nullptr) editor_->SetVisible(false);
  }
  if (focused_ == Item) focused_ = nullptr;
  if (anchor_ == Item) anchor_ = nullptr;
  if (deferred_item_ == Item) {
    deferred_item_ = nullptr;
    deferred_ = false;
  }
  if (click_edit_item_ == Item) {
    click_edit_item_ = nullptr;
    click_edit_armed_ = false;
  }
  if (hint_item_ == Item) HideLineHint();
  if (last_hinted_ == Item) last_hinted_ = nullptr;
  int row = rows_.IndexOf(Item);
  if (row >= 0) {
    rows_.Delete(row);
    RowsChanged = true;
    tree_->SetDirty();
  }
}

}  // namespace lumicast
