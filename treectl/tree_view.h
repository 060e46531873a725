// TElTreeView: the client surface of the tree. It keeps the rows on screen,
// paints them (cells, caption, check box, images, lines, expand signs, grid
// lines, focus and drop indicators) and turns mouse and keyboard input back
// into operations on the items: hit testing, selection, check boxes, keys,
// the wheel, hot tracking, line hints and the incremental search.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/classlib/control.h"
#include "treectl/el_list.h"
#include "treectl/tree.h"

namespace classlib {
class TTimer;
class TPopupMenu;
class TImageList;
}  // namespace classlib

namespace lumicast {

class TElHintWindow;

class TElTreeView : public classlib::TCustomControl {
 public:
  explicit TElTreeView(TCustomElTree* Tree);
  ~TElTreeView() override;
  std::string ClassName() const override { return "TElTreeView"; }

  TCustomElTree* Tree() const { return tree_; }

  // ---- geometry ----
  virtual int RowCapacity() const;
  virtual void FullRows(int& Rows, int& Remainder) const;
  virtual classlib::TRect RowRect(int Index) const;
  virtual TElTreeItem* RowAtY(int Y) const;
  virtual TElTreeItem* LocateItemPart(int X, int Y, int& Column, TSTItemPart& Part) const;
  // The rows shown, top first.
  const TElList& Rows() const { return rows_; }
  TElTreeItem* Row(int Index) const { return static_cast<TElTreeItem*>(rows_.Get(Index)); }
  int RowsHeight() const { return rows_.Count() * tree_->LineHeight(); }
  int LastRowIndex() const { return last_row_index_; }
  int WidestRow() const { return widest_row_; }
  // Number of rows shown from a top index (the vertical bar's page).
  int PageFrom(int Top);

  void SetTopIndex(int Value);
  void FillRows(int Top);
  void SetLeftPosition(int Value);
  void MeasureWidestRow();
  void InvalidateChanged();
  void EnsureChildrenShown(TElTreeItem* Item);
  // The largest top index for the current visible count.
  int MaxTopIndex();

  // ---- state shared with the tree ----
  TElTreeItem* ItemWithFocus() const { return focused_; }
  TElTreeItem* SelectionAnchor() const { return anchor_; }
  TElTreeItem* HotItem() const { return hot_item_; }
  TElTreeItem* DropTarget() const { return drop_target_; }
  TElTreeItem* LineHintItem() const { return hint_item_; }
  TElHintWindow* LineHintWindow() const { return hint_window_.get(); }
  classlib::TTimer* LineHintTimer() const { return hint_timer_.get(); }
  classlib::TTimer* SearchTimer() const { return search_timer_.get(); }
  const std::string& SearchText() const { return search_text_; }
  // Selects or toggles Item as a click does (selection events included).
  void ToggleSelection(TElTreeItem* Item);
  // Drops every reference to Item (it is being destroyed).
  void ForgetItem(TElTreeItem* Item);
  void HideLineHint();
  bool IsPainting() const { return painting_; }
  // Flags for the deferred re-layout.
  bool RowsChanged = false;
  bool AreaChanged = false;
  bool RowsDirty = false;

  // ---- in-place editing ----
  // Opens the editor of Item's cell in Column (-1: the main column).
  virtual void BeginCellEdit(TElTreeItem* Item, int Column);
  // Closes the editor, applying its value unless Cancel.
  virtual bool FinishCellEdit(bool Cancel);
  bool Editing() const { return editing_; }
  classlib::TWinControl* Editor() const { return editor_; }
  TElTreeItem* EditItem() const { return edit_item_; }
  int EditColumn() const { return edit_column_; }
  TFieldTypes EditFieldType() const { return edit_field_type_; }
  classlib::TTimer* EditDelayTimer() const { return edit_timer_.get(); }

  // ---- dragging rows ----
  virtual void DragOverRow(classlib::TDragObject* Source, int X, bool Accepted, int Y);
  virtual bool DragAutoScroll(classlib::TDragObject* Source, int Y);
  bool DraggingOver() const { return dragging_over_; }
  bool DropAccepted() const { return drop_accepted_; }
  classlib::TImageList* DragImages() const { return drag_images_.get(); }
  classlib::TTimer* DragScrollTimer() const { return drag_scroll_timer_.get(); }
  classlib::TTimer* DragExpandTimer() const { return drag_expand_timer_.get(); }
  // Starts dragging the selected rows (as a drag from the press point does).
  void StartRowDrag();

  // ---- painting (public for the tree and for tests that paint on a canvas) ----
  void PaintRows(classlib::TCanvas* Canvas);

 protected:
  void Paint() override;
  void Resize() override;
  void WMLButtonDown(classlib::TMessage& Message) override;
  void WMLButtonUp(classlib::TMessage& Message) override;
  void WMLButtonDblClk(classlib::TMessage& Message) override;
  void WMRButtonDown(classlib::TMessage& Message) override;
  void WMMouseWheel(classlib::TMessage& Message) override;
  void WMKeyDown(classlib::TMessage& Message) override;
  void MouseDown(classlib::TMouseButton Button, classlib::TShiftState Shift, int X, int Y) override;
  void MouseUp(classlib::TMouseButton Button, classlib::TShiftState Shift, int X, int Y) override;
  void MouseMove(classlib::TShiftState Shift, int X, int Y) override;
  void MouseLeave() override;
  void KeyDown(uint16_t& Key, classlib::TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  void DoEnter() override;
  void DoExit() override;
  uint32_t DialogCode() const override;

  // Editors by field type: each makes its editor over R showing Text and
  // answers whether it made one.
  virtual bool CreateCellEditor(TElTreeItem* Item, TElHeaderSection* Section,
                                TFieldTypes FieldType);
  virtual bool MakeTextEditor(TElTreeItem* Item, TElHeaderSection* Section,
                              const classlib::TRect& R, const std::string& Text);
  virtual bool MakeDateTimeEditor(TElTreeItem* Item, TElHeaderSection* Section,
                                  const classlib::TRect& R, const std::string& Text, bool TimeOnly);
  virtual bool MakeBoolEditor(TElTreeItem* Item, TElHeaderSection* Section,
                              const classlib::TRect& R, const std::string& Text);
  virtual bool MakeEnumEditor(TElTreeItem* Item, TElHeaderSection* Section,
                              const classlib::TRect& R, const std::string& Text);
  virtual bool RequestEdit(TElTreeItem* Item, TElHeaderSection* Section);
  // Results by field type.
  virtual void ApplyCellEdit(bool Cancel);
  virtual void ApplyTextResult(bool Cancel, const std::string& Value);
  virtual void ApplyEnumResult(bool Cancel);

 private:
  friend class TCustomElTree;
  void ApplyTopIndex();
  void WndProc(classlib::TMessage& Message) override;
  void DragMessage(classlib::TDragMessage Msg, classlib::TDragRec& Rec);
  void BuildDragImage();
  void DragScrollTick();
  void DragExpandTick();
  void RowDragEnded(classlib::TControl* Target, int X, int Y);
  void SetDropTarget(TElTreeItem* Item);
  void DropEditor();
  void EditorKeyDown(uint16_t& Key, classlib::TShiftState Shift);
  TElHeaderSection* EditSection() const;
  int RowExtent(TElTreeItem* Item);
  void PaintRow(classlib::TCanvas* Canvas, TElTreeItem* Item, const classlib::TRect& RowR);
  void PaintMainCell(classlib::TCanvas* Canvas, TElTreeItem* Item, const classlib::TRect& RowR);
  void PaintCellText(classlib::TCanvas* Canvas, TElTreeItem* Item, TElHeaderSection* Section,
                     const classlib::TRect& Cell, const std::string& Text, bool Selected);
  void PaintTreeLines(classlib::TCanvas* Canvas, TElTreeItem* Item, const classlib::TRect& C,
                      int& Edge);
  void PaintExpandSign(classlib::TCanvas* Canvas, TElTreeItem* Item, const classlib::TRect& C,
                       int Edge);
  void PaintCheckBox(classlib::TCanvas* Canvas, TElTreeItem* Item, const classlib::TRect& C,
                     int& Edge);
  void PaintItemImages(classlib::TCanvas* Canvas, TElTreeItem* Item, const classlib::TRect& C,
                       int& Edge);
  void DrawLine(classlib::TCanvas* Canvas, int X1, int Y1, int X2, int Y2);
  bool SelectionColorsApply() const;
  void ApplySelectionColors(classlib::TCanvas* Canvas);
  bool IsOwnerDrawn(TElTreeItem* Item, TElHeaderSection* Section, const std::string& Text) const;
  void InvalidateItemRow(TElTreeItem* Item);

  // input
  void ClickSelect(TElTreeItem* Item, TSTItemPart Part, classlib::TShiftState Shift,
                   bool RightButton);
  void FinishDeferredSelection();
  void MoveFocusTo(TElTreeItem* Target, classlib::TShiftState Shift, int ScrollRule);
  void FireSelectionChanged();
  void CheckBoxClicked(TElTreeItem* Item);
  void LineHintTick();
  void ShowLineHintFor(TElTreeItem* Item);
  void SearchKey(char32_t Key);
  void SetHotItem(TElTreeItem* Item);

  TCustomElTree* tree_;
  TElList rows_;
  bool painting_ = false;
  int widest_row_ = -1;
  int last_row_index_ = 0;
  TElTreeItem* focused_ = nullptr;
  TElTreeItem* anchor_ = nullptr;
  TElTreeItem* hot_item_ = nullptr;
  TElTreeItem* edit_item_ = nullptr;
  TElTreeItem* drop_target_ = nullptr;
  bool drop_accepted_ = false;
  bool dragging_over_ = false;
  std::unique_ptr<classlib::TTimer> drag_scroll_timer_;
  std::unique_ptr<classlib::TTimer> drag_expand_timer_;
  std::unique_ptr<classlib::TImageList> drag_images_;
  int drag_image_top_ = 0;
  classlib::TPoint last_drag_point_{0, 0};

  // editing
  classlib::TWinControl* editor_ = nullptr;
  std::unique_ptr<classlib::TPopupMenu> editor_menu_;
  bool editing_ = false;
  TFieldTypes edit_field_type_ = sftText;
  int edit_column_ = -1;
  bool saved_hide_selection_ = false;
  std::unique_ptr<classlib::TTimer> edit_timer_;
  TElTreeItem* pending_edit_item_ = nullptr;
  int pending_edit_column_ = -1;

  // mouse
  classlib::TPoint down_point_;
  bool left_down_ = false;
  bool dbl_click_ = false;
  bool click_edit_armed_ = false;
  classlib::TPoint click_edit_point_;
  TElTreeItem* click_edit_item_ = nullptr;
  bool deferred_ = false;
  TElTreeItem* deferred_item_ = nullptr;
  classlib::TShiftState deferred_shift_ = 0;
  int wheel_rest_ = 0;

  // hints
  std::unique_ptr<classlib::TTimer> hint_timer_;
  std::unique_ptr<TElHintWindow> hint_window_;
  classlib::TPoint hint_point_;
  TElTreeItem* hint_item_ = nullptr;
  TElTreeItem* last_hinted_ = nullptr;
  classlib::TPoint last_move_{-1, -1};

  // incremental search
  std::string search_text_;
  std::unique_ptr<classlib::TTimer> search_timer_;
  bool key_pressed_ = false;
};

}  // namespace lumicast
