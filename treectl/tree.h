// TCustomElTree / TElTree: the multi-column tree and list control. The tree is
// a container that places four children (the column header, the view that
// paints the rows and takes input, and two custom scroll bars), owns the item
// collection with its flat list and the selected-items list, and postpones
// every re-layout to the moment the outermost update pair closes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/bitmap.h"
#include "platform/classlib/control.h"
#include "platform/classlib/control_drag.h"
#include "platform/classlib/image_list.h"
#include "treectl/el_list.h"
#include "treectl/header_control.h"
#include "treectl/scroll_bar.h"
#include "treectl/tree_host.h"
#include "treectl/tree_items.h"
#include "treectl/tree_utils.h"

namespace classlib {
class TTimer;
class TStream;
class TComboBox;
}  // namespace classlib

namespace lumicast {

class TElTreeView;

enum TSortDirs { sdAscend, sdDescend };
enum TSortTypes {
  stCustom,
  stText,
  stNumber,
  stFloating,
  stDateTime,
  stDate,
  stTime,
  stBoolean,
  stCurrency
};
enum TSTSelModes { smSimple, smUsual };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum TLineHintType { shmNone, shmLong, shmAll };
enum TDragTargetDraw {
  ColorFrame,
  ColorRect,
  SelColorRect,
  dtdNone,
  dtdUpColorLine,
  dtdDownColorLine,
  dtdUpSelColorLine,
  dtdDownSelColorLine
};
enum TElDragType { dtOLE, dtQuillon, dtBoth };
enum TDragImgMode { dimNever, dimOne, dimAll };
enum TElBorderStyle { bsNone, bsSingle };

// Parts of a row returned by the hit test.
enum TSTItemPart { rpExpandSign, rpCaption, rpColumn, rpBlank, rpImage, rpImage2, rpCheckBox };

using TElTreeItemEvent = std::function<void(classlib::TObject* Sender, TElTreeItem* Item)>;
using TElTreeChangingEvent =
    std::function<void(classlib::TObject* Sender, TElTreeItem* Item, bool& AllowChange)>;
using TElItemChangeEvent = std::function<void(classlib::TObject* Sender, TElTreeItem* Item,
                                              TItemChangeMode ItemChangeMode)>;
using TElItemExpandingEvent =
    std::function<void(classlib::TObject* Sender, TElTreeItem* Item, bool& CanProcess)>;
using TElCompareItemsEvent = std::function<void(classlib::TObject* Sender, TElTreeItem* Item1,
                                                TElTreeItem* Item2, int& Res)>;
using TElItemStreamEvent =
    std::function<void(classlib::TObject* Sender, classlib::TStream* Stream, TElTreeItem* Item)>;
using TElCellStyleStreamEvent =
    std::function<void(classlib::TObject* Sender, classlib::TStream* Stream, TElCellStyle* Style)>;
using TElItemDrawEvent =
    std::function<void(classlib::TObject* Sender, TElTreeItem* Item, classlib::TCanvas* Surface,
                       const classlib::TRect& R, int SectionIndex)>;
using TElItemPostDrawEvent =
    std::function<void(classlib::TObject* Sender, classlib::TCanvas* Canvas, TElTreeItem* Item,
                       const classlib::TRect& ItemRect, bool& DrawFocusRect)>;
using TElItemPicDrawEvent =
    std::function<void(classlib::TObject* Sender, TElTreeItem* Item, int& ImageIndex)>;
using TElShowLineHintEvent = std::function<void(
    classlib::TObject* Sender, TElTreeItem* Item, std::string& Text,
    classlib::TWinControl* HintWindow, const classlib::TPoint& MousePos, bool& DoShowHint)>;
using TElHotTrackEvent =
    std::function<void(classlib::TObject* Sender, TElTreeItem* OldItem, TElTreeItem* NewItem)>;
using TElDragTargetChangeEvent = std::function<void(classlib::TObject* Sender, TElTreeItem* Item,
                                                    const classlib::TRect& ItemRect, int X, int Y)>;
using TElColumnEvent = std::function<void(classlib::TObject* Sender, int SectionIndex)>;
using TElTryEditEvent =
    std::function<void(classlib::TObject* Sender, TElTreeItem* Item, TElHeaderSection* Section,
                       TFieldTypes& CellType, bool& CanEdit)>;
using TElEditRequestEvent =
    std::function<void(classlib::TObject* Sender, TElTreeItem* Item, TElHeaderSection* Section)>;
using TElComboEditShowEvent =
    std::function<void(classlib::TObject* Sender, TElTreeItem* Item, TElHeaderSection* Section,
                       classlib::TComboBox* Combobox)>;
using TElValidateComboEvent =
    std::function<void(classlib::TObject* Sender, TElTreeItem* Item, TElHeaderSection* Section,
                       bool& Accept, classlib::TComboBox* Combobox)>;
using TElValidateInplaceEditEvent =
    std::function<void(classlib::TObject* Sender, TElTreeItem* Item, TElHeaderSection* Section,
                       std::string& Text, bool& Accept)>;
using TElTuneUpInplaceEditEvent = std::function<void(
    classlib::TObject* Sender, TElTreeItem* Item, int SectionIndex, classlib::TWinControl* Editor)>;
using TElTreeScrollEvent =
    std::function<void(classlib::TObject* Sender, TScrollBarKind ScrollBarKind, int ScrollCode)>;

// Properties that only need a repaint, a re-layout of the rows, or a new line
// height when they change.
#define LUMICAST_TREE_PROPERTY(Type, Name, Initial, Effect) \
 public:                                                    \
  Type Name() const { return Name##_; }                     \
  void Set##Name(Type Value) {                              \
    if (Name##_ == Value) return;                           \
    Name##_ = Value;                                        \
    PropertyChanged(Effect);                                \
  }                                                         \
                                                            \
 private:                                                   \
  Type Name##_ = Initial;

class TCustomElTree : public classlib::TCustomControl, public TElTreeHost {
 public:
  enum TPropertyEffect { peRepaint, peRows, peLineHeight, peWidest, peLayout };

  explicit TCustomElTree(classlib::TComponent* AOwner);
  ~TCustomElTree() override;
  std::string ClassName() const override { return "TCustomElTree"; }

  // ---- owned parts ----
  TElTreeItems* Items() const { return items_.get(); }
  TElTreeView* View() const { return view_; }
  TElHeader* Header() const { return header_; }
  TElScrollBar* HorzScrollBar() const { return hscroll_; }
  TElScrollBar* VertScrollBar() const { return vscroll_; }
  TElScrollBarStyles* HorzScrollBarStyles() const { return hstyles_.get(); }
  TElScrollBarStyles* VertScrollBarStyles() const { return vstyles_.get(); }
  classlib::TTimer* ChangeTimer() const { return change_timer_.get(); }

  // ---- deferred update ----
  void SetIsUpdating(bool Value);
  void BeginUpdate() override { SetIsUpdating(true); }
  void EndUpdate() override { SetIsUpdating(false); }
  bool IsUpdating() const override { return update_count_ > 0; }
  bool IsDestroying() const override { return destroying_; }
  // How many times the deferred re-layout has run (for inspection).
  int LayoutCount() const { return layout_count_; }

  // ---- focus and selection ----
  TElTreeItem* ItemWithFocus() const override;
  void SetItemWithFocus(TElTreeItem* Item, bool Forced) override {
    DoSetFocused(Item, Forced, false);
  }
  // The focus change with its options: Delayed starts the ChangeDelay timer
  // for OnItemFocused (user moves).
  void DoSetFocused(TElTreeItem* Item, bool Forced, bool Delayed);
  TElTreeItem* Selected() const override;
  void SetSelected(TElTreeItem* Item) override;
  int SelectedCount() const override;
  TElList* SelectedItems() override { return selected_.get(); }
  void SelectAll() { SelectionWalk(false, false, false); }
  void SelectAllWithHidden(bool IncludeHidden) { SelectionWalk(false, true, IncludeHidden); }
  void InvertSelection() { SelectionWalk(true, false, false); }
  void InvertSelectionWithHidden(bool IncludeHidden) { SelectionWalk(true, true, IncludeHidden); }
  void DeselectAll() { DeselectAllWithHidden(false); }
  void DeselectAllWithHidden(bool IncludeHidden);
  void SelectRange(TElTreeItem* From, TElTreeItem* To, bool IncludeDisabled, bool IncludeHidden);
  void EnsureVisible(TElTreeItem* Item);
  void EnsureVisibleAsLastRow(TElTreeItem* Item);
  void ScrollToItem(TElTreeItem* Item);
  bool ItemInView(TElTreeItem* Item) const;
  TElTreeItem* TopItem() const;
  int TopIndex() const { return top_index_; }
  void SetTopIndex(int Value);
  int LeftPosition() const { return left_position_; }
  void SetLeftPosition(int Value);
  int VisibleRowCount();  // the cached count of visible items (recounted when stale)
  // The visible sequence: an item counts unless it is Hidden under
  // FilteredVisibility; a collapsed or hidden item's subtree is skipped.
  int NextVisiblePosition(int FlatIndex) const;
  bool CountsAsVisible(const TElTreeItem* Item) const;
  TElTreeItem* VisibleItemAt(int Index) const;
  int VisibleIndexOf(const TElTreeItem* Item) const;
  // Runs Body inside an update pair that is closed also when an exception
  // passes (a failure while closing is then dropped for the first one).
  template <typename F>
  void WithUpdate(F&& Body) {
    BeginUpdate();
    try {
      Body();
    } catch (...) {
      try {
        EndUpdate();
      } catch (...) {
      }
      throw;
    }
    EndUpdate();
  }
  bool TreeFocused() const;
  void SetFocus() override;
  void CollapseEverything();
  void WriteOutlineText(classlib::TStream* Stream);

  // Copies the items and the look of Source (another tree), then lays out again.
  void Assign(classlib::TPersistent* Source) override;

  // ---- sorting ----
  virtual int CompareItems(TElTreeItem* Item1, TElTreeItem* Item2, int Section, TSortTypes SortType,
                           int SectionSortMode);
  virtual void DoCompareItems(TElTreeItem* Item1, TElTreeItem* Item2, int& Res);
  void SortChildren(TElTreeItem* Item, bool Recursive) override;
  // Sorts the whole tree recursively between OnSortBegin and OnSortEnd.
  void SortAll();
  static TSortTypes SortTypeOfField(TFieldTypes Type);

  // ---- item stream ----
  // Writes every item as one record tree (version -10), the focus left out.
  void SaveToStream(classlib::TStream* Stream);
  // Replaces the items with those of Stream (versions -10 to 0). Malformed
  // data raises EReadError and leaves the tree empty.
  void LoadFromStream(classlib::TStream* Stream);
  bool IsLoadingItems() const { return loading_items_ > 0; }

  // ---- published properties ----
  int LineHeight() const override { return line_height_; }
  void SetLineHeight(int Value);  // also turns AutoLineHeight off
  bool AutoLineHeight() const { return auto_line_height_; }
  void SetAutoLineHeight(bool Value);
  int HeaderHeight() const;
  void SetHeaderHeight(int Value);
  bool ShowColumns() const override { return show_columns_; }
  void SetShowColumns(bool Value);
  bool MultiSelect() const override { return multi_select_; }
  void SetMultiSelect(bool Value);
  int SelectColumn() const { return select_column_; }
  void SetSelectColumn(int Value);
  bool BarStyle() const { return bar_style_; }
  void SetBarStyle(bool Value);
  TElHeaderSections* HeaderSections() const;
  int ItemIndent() const { return item_indent_; }
  void SetItemIndent(int Value);
  int MainTreeColumn() const override { return main_tree_column_; }
  void SetMainTreeColumn(int Value);
  classlib::TImageList* Images() const { return images_; }
  void SetImages(classlib::TImageList* Value);
  classlib::TImageList* Images2() const { return images2_; }
  void SetImages2(classlib::TImageList* Value);
  // Width of the frame round the children.
  int BorderWidth() const;
  TSortModes SortMode() const override { return sort_mode_; }
  void SetSortMode(TSortModes Value) { sort_mode_ = Value; }
  int SortSection() const override { return sort_section_; }
  void SetSortSection(int Value) { sort_section_ = Value; }
  classlib::TBitmap* PlusPicture() const { return plus_picture_.get(); }
  classlib::TBitmap* MinusPicture() const { return minus_picture_.get(); }
  classlib::TBitmap* CheckBoxGlyph() const { return check_box_glyph_.get(); }
  classlib::TBitmap* RadioButtonGlyph() const { return radio_button_glyph_.get(); }
  classlib::TBitmap* PlusBitmap() const { return plus_bmp_.get(); }
  classlib::TBitmap* MinusBitmap() const { return minus_bmp_.get(); }
  int ChangeDelay() const { return change_delay_; }
  void SetChangeDelay(int Value) { change_delay_ = Value; }
  bool UseCustomScrollBars() const { return use_custom_scroll_bars_; }
  void SetUseCustomScrollBars(bool Value);
  bool Flat() const { return flat_; }
  void SetFlat(bool Value);
  bool HorzBarShown() const { return hbar_shown_; }
  bool VertBarShown() const { return vbar_shown_; }
  bool StickyHeaderSections() const { return header_->StickySections(); }
  void SetStickyHeaderSections(bool Value);
  bool HeaderHotTrack() const { return header_->Tracking(); }
  void SetHeaderHotTrack(bool Value) { header_->SetTracking(Value); }
  bool DraggableSections() const { return header_->AllowDrag(); }
  void SetDraggableSections(bool Value) { header_->SetAllowDrag(Value); }

  LUMICAST_TREE_PROPERTY(TElFlatBorderType, ActiveBorderType, fbtSunken, peRepaint)
  LUMICAST_TREE_PROPERTY(TElFlatBorderType, InactiveBorderType, fbtSunkenOuter, peRepaint)
  LUMICAST_TREE_PROPERTY(bool, AlwaysKeepFocus, false, peRepaint)
  LUMICAST_TREE_PROPERTY(bool, AlwaysKeepSelection, true, peRepaint)
  LUMICAST_TREE_PROPERTY(bool, AutoExpand, false, peRepaint)
  LUMICAST_TREE_PROPERTY(bool, AutoLookup, false, peRepaint)
  LUMICAST_TREE_PROPERTY(bool, AutoResizeColumns, true, peRepaint)
  LUMICAST_TREE_PROPERTY(bool, BarStyleVerticalLines, false, peRepaint)
  LUMICAST_TREE_PROPERTY(classlib::TColor, BkColor, classlib::clWindow, peRepaint)
  LUMICAST_TREE_PROPERTY(classlib::TColor, TextColor, classlib::clWindowText, peRepaint)
  LUMICAST_TREE_PROPERTY(int, DragExpandDelay, 500, peRepaint)
  LUMICAST_TREE_PROPERTY(bool, ChangeStateImage, false, peRepaint)
  LUMICAST_TREE_PROPERTY(bool, CustomCheckboxes, false, peLineHeight)
  LUMICAST_TREE_PROPERTY(bool, CustomPlusMinus, false, peRepaint)
  LUMICAST_TREE_PROPERTY(bool, DeselectChildrenOnCollapse, false, peRepaint)
  LUMICAST_TREE_PROPERTY(classlib::TColor, DivLinesColor, classlib::clBtnFace, peRepaint)
  LUMICAST_TREE_PROPERTY(classlib::TColor, LinesColor, classlib::clBtnFace, peRepaint)
  LUMICAST_TREE_PROPERTY(bool, DoInplaceEdit, true, peRepaint)
  LUMICAST_TREE_PROPERTY(bool, DragAllowed, false, peRepaint)
  LUMICAST_TREE_PROPERTY(bool, ExpandOnDragOver, false, peRepaint)
  LUMICAST_TREE_PROPERTY(TDragTargetDraw, DragTrgDrawMode, SelColorRect, peRepaint)
  LUMICAST_TREE_PROPERTY(TElDragType, DragType, dtQuillon, peRepaint)
  LUMICAST_TREE_PROPERTY(TDragImgMode, DragImageMode, dimNever, peRepaint)
  LUMICAST_TREE_PROPERTY(classlib::TColor, DragRectAcceptColor, 0x8000, peRepaint)
  LUMICAST_TREE_PROPERTY(classlib::TColor, DragRectDenyColor, 255, peRepaint)
  LUMICAST_TREE_PROPERTY(bool, DrawFocusRect, true, peRepaint)
  LUMICAST_TREE_PROPERTY(bool, HideFocusRect, false, peRepaint)
  LUMICAST_TREE_PROPERTY(bool, ExpandOnDblClick, true, peRepaint)
  LUMICAST_TREE_PROPERTY(bool, FilteredVisibility, false, peWidest)
  LUMICAST_TREE_PROPERTY(bool, FlatFocusedScrollbars, true, peRepaint)
  LUMICAST_TREE_PROPERTY(classlib::TColor, FocusedSelectColor, classlib::clHighlight, peRepaint)
  LUMICAST_TREE_PROPERTY(classlib::TColor, FocusedSelectTextColor, classlib::clHighlightText,
                         peRepaint)
  LUMICAST_TREE_PROPERTY(classlib::TColor, HideSelectColor, classlib::clBtnFace, peRepaint)
  LUMICAST_TREE_PROPERTY(classlib::TColor, HideSelectTextColor, classlib::clBtnShadow, peRepaint)
  LUMICAST_TREE_PROPERTY(bool, FullRowSelect, true, peRepaint)
  LUMICAST_TREE_PROPERTY(bool, RowSelect, true, peRepaint)
  LUMICAST_TREE_PROPERTY(bool, HideHintOnTimer, false, peRepaint)
  LUMICAST_TREE_PROPERTY(bool, HideHintOnMove, true, peRepaint)
  LUMICAST_TREE_PROPERTY(bool, HideSelection, false, peRepaint)
  LUMICAST_TREE_PROPERTY(bool, HorizontalLines, false, peLineHeight)
  LUMICAST_TREE_PROPERTY(bool, VerticalLines, false, peRepaint)
  LUMICAST_TREE_PROPERTY(bool, VerticalLinesLong, true, peRepaint)
  LUMICAST_TREE_PROPERTY(bool, IncrementalSearch, false, peRepaint)
  LUMICAST_TREE_PROPERTY(classlib::TPenStyle, LinesStyle, classlib::psDot, peRepaint)
  LUMICAST_TREE_PROPERTY(classlib::TColor, LineHintColor, classlib::clWindow, peRepaint)
  LUMICAST_TREE_PROPERTY(TLineHintType, LineHintMode, shmLong, peRepaint)
  LUMICAST_TREE_PROPERTY(int, LineHintTimeout, 3000, peRepaint)
  LUMICAST_TREE_PROPERTY(bool, MoveFocusOnCollapse, false, peRepaint)
  LUMICAST_TREE_PROPERTY(bool, OwnerDrawByColumn, true, peRepaint)
  LUMICAST_TREE_PROPERTY(std::string, OwnerDrawMask, "~~@~~", peRepaint)
  LUMICAST_TREE_PROPERTY(char, PathSeparator, '\\', peRepaint)
  LUMICAST_TREE_PROPERTY(bool, PlusMinusTransparent, false, peRepaint)
  LUMICAST_TREE_PROPERTY(bool, RightAlignedText, false, peRepaint)
  LUMICAST_TREE_PROPERTY(bool, RightAlignedTree, false, peRepaint)
  LUMICAST_TREE_PROPERTY(bool, RightClickSelect, true, peRepaint)
  LUMICAST_TREE_PROPERTY(bool, RowHotTrack, false, peRepaint)
  LUMICAST_TREE_PROPERTY(bool, Tracking, true, peRepaint)
  LUMICAST_TREE_PROPERTY(bool, UnderlineTracked, true, peRepaint)
  LUMICAST_TREE_PROPERTY(classlib::TColor, TrackColor, classlib::clHighlight, peRepaint)
  LUMICAST_TREE_PROPERTY(bool, ScrollTracking, false, peRepaint)
  LUMICAST_TREE_PROPERTY(TSTSelModes, SelectionMode, smUsual, peRepaint)
  LUMICAST_TREE_PROPERTY(bool, ShowButtons, true, peWidest)
  LUMICAST_TREE_PROPERTY(bool, ShowLines, true, peWidest)
  LUMICAST_TREE_PROPERTY(bool, ShowImages, true, peLineHeight)
  LUMICAST_TREE_PROPERTY(bool, ShowCheckboxes, false, peLineHeight)
  LUMICAST_TREE_PROPERTY(bool, ShowEmptyImages, false, peWidest)
  LUMICAST_TREE_PROPERTY(bool, ShowEmptyImages2, false, peWidest)
  LUMICAST_TREE_PROPERTY(bool, ShowRoot, false, peWidest)
  LUMICAST_TREE_PROPERTY(bool, ShowRootButtons, true, peWidest)
  LUMICAST_TREE_PROPERTY(TSortDirs, SortDir, sdAscend, peRepaint)
  LUMICAST_TREE_PROPERTY(TSortTypes, SortType, stCustom, peRepaint)
  LUMICAST_TREE_PROPERTY(bool, UseSystemHintColors, false, peRepaint)
  LUMICAST_TREE_PROPERTY(TElBorderStyle, BorderStyle, bsSingle, peLayout)
  LUMICAST_TREE_PROPERTY(bool, Ctl3D, true, peLayout)
  LUMICAST_TREE_PROPERTY(TScrollStyle, ForcedScrollBars, ssNone, peLayout)
  LUMICAST_TREE_PROPERTY(bool, HideHorzScrollBar, false, peLayout)
  LUMICAST_TREE_PROPERTY(bool, HideVertScrollBar, false, peLayout)
  LUMICAST_TREE_PROPERTY(bool, ScrollbarOpposite, false, peLayout)

 public:
  // Working colours of the row being painted.
  classlib::TColor PaintingFillColor = classlib::clWindow;
  classlib::TColor PaintingTextColor = classlib::clWindowText;

  // ---- events ----
  TElTreeChangingEvent OnChanging;
  classlib::TNotifyEvent OnItemFocused;
  TElItemChangeEvent OnItemChange;
  TElItemExpandingEvent OnItemExpanding;
  TElItemExpandingEvent OnItemCollapsing;
  TElTreeItemEvent OnItemExpand;
  TElTreeItemEvent OnItemCollapse;
  TElTreeItemEvent OnItemDeletion;
  TElTreeItemEvent OnItemChecked;
  TElTreeItemEvent OnItemSelectedChange;
  classlib::TNotifyEvent OnAfterSelectionChange;
  TElCompareItemsEvent OnCompareItems;
  classlib::TNotifyEvent OnSortBegin;
  classlib::TNotifyEvent OnSortEnd;
  TElItemStreamEvent OnItemSave;
  TElItemStreamEvent OnItemLoad;
  TElCellStyleStreamEvent OnCellStyleSave;
  TElCellStyleStreamEvent OnCellStyleLoad;
  TElItemDrawEvent OnItemDraw;
  TElTreeItemEvent OnItemPreDraw;
  TElItemPostDrawEvent OnItemPostDraw;
  TElItemPicDrawEvent OnItemPicDraw;
  TElItemPicDrawEvent OnItemPicDraw2;
  TElShowLineHintEvent OnShowLineHint;
  TElHotTrackEvent OnHotTrack;
  TElColumnEvent OnHeaderColumnClick;
  TElColumnEvent OnHeaderColumnResize;
  TElColumnEvent OnHeaderSectionFilterCall;
  TElColumnEvent OnHeaderSectionAutoSize;
  TElSectionDrawEvent OnHeaderColumnDraw;
  TElHeaderLookupEvent OnHeaderLookup;
  TElHeaderLookupDoneEvent OnHeaderLookupDone;
  classlib::TNotifyEvent OnHeaderResize;
  TElSectionEvent OnHeaderSectionExpand;
  TElSectionEvent OnHeaderSectionCollapse;
  TElScrollDrawPartEvent OnHorzScrollDrawPart;
  TElScrollDrawPartEvent OnVertScrollDrawPart;
  TElSectionMoveEvent OnHeaderColumnMove;
  TElMeasureSectionEvent OnHeaderSectionMeasure;
  TElTreeScrollEvent OnScroll;
  TElTryEditEvent OnTryEdit;
  TElEditRequestEvent OnEditRequest;
  TElComboEditShowEvent OnComboEditShow;
  TElValidateComboEvent OnValidateCombo;
  TElValidateInplaceEditEvent OnValidateInplaceEdit;
  TElTuneUpInplaceEditEvent OnTuneUpInplaceEdit;
  classlib::TKeyEvent OnEditKeyDown;
  TElDragTargetChangeEvent OnDragTargetChange;
  classlib::TStartDragEvent OnStartDrag;
  classlib::TDragOverEvent OnDragOver;
  classlib::TDragDropEvent OnDragDrop;
  classlib::TEndDragEvent OnEndDrag;
  classlib::TCursor DragCursor = classlib::crDrag;
  TElScrollHintNeededEvent OnVertScrollHintNeeded;
  TElScrollHintNeededEvent OnHorzScrollHintNeeded;
  classlib::TNotifyEvent OnClick;
  classlib::TNotifyEvent OnDblClick;
  classlib::TMouseEvent OnMouseDown;
  classlib::TMouseEvent OnMouseUp;
  classlib::TMouseMoveEvent OnMouseMove;

  // ---- TElTreeHost ----
  TElList& FlatList() override { return flat_list_; }
  void SetDirty() override { dirty_ = true; }
  void SetSelectionChanged() override { selection_changed_ = true; }
  bool SelectionChangedFlag() const { return selection_changed_; }
  void ClearSelectionChanged() { selection_changed_ = false; }
  void ChangeHiddenCount(int Delta) override { hidden_count_ += Delta; }
  void BeginDeletion() override { ++deletion_count_; }
  void EndDeletion() override { --deletion_count_; }
  bool IsDeleting() const { return deletion_count_ > 0; }
  void GetFontLook(int& Size, uint8_t& Styles, std::string& Name) const override;
  int SectionCount() const override;
  bool IsSorting() const override { return sorting_ > 0; }
  void SetResortPending() override { resort_pending_ = true; }
  void DoItemChange(TElTreeItem* Item, TItemChangeMode Mode) override;
  void DoItemExpanding(TElTreeItem* Item, bool& CanProcess) override;
  void DoItemCollapsing(TElTreeItem* Item, bool& CanProcess) override;
  void DoItemExpand(TElTreeItem* Item) override;
  void DoItemCollapse(TElTreeItem* Item) override;
  void DoItemDeletion(TElTreeItem* Item) override;
  void DoItemSelectedChange(TElTreeItem* Item) override;
  void DoSortBegin() override;
  void DoSortEnd() override;
  virtual void DoItemChecked(TElTreeItem* Item);
  virtual void DoItemFocused();
  virtual void DoAfterSelectionChange();
  void InvalidateLayout(unsigned Flags) override;
  void MeasureWidestRow() override;
  void MeasureMainColumn() override;
  void MeasureAllColumns() override;
  void RefreshView() override;
  void InvalidateRow(TElTreeItem* Item) override;
  void InvalidateCell(TElTreeItem* Item, int Left, int Right) override;
  void InvalidateMainCell(TElTreeItem* Item) override;
  void InvalidateLines(TElTreeItem* From) override;
  void RemoveFromRows(TElTreeItem* Item) override;
  void ForgetItem(TElTreeItem* Item) override;

  // Item rectangle in the tree's client coordinates (empty when not on screen).
  classlib::TRect GetItemRect(TElTreeItem* Item) const;
  // The picture providers: -1 asks OnItemPicDraw / OnItemPicDraw2.
  virtual int DoGetPicture(TElTreeItem* Item);
  virtual int DoGetPicture2(TElTreeItem* Item);
  // Width and height the item's content needs in a column.
  virtual classlib::TPoint MeasureCell(TElTreeItem* Item, int ColumnNum);
  virtual int MeasureLineHeight();
  // Lays out the header, the view and the bars inside the frame.
  void LayoutChildren();
  // Recomputes the bars' ranges and visibility.
  void UpdateScrollBars();
  // The font style of Item's caption: its own flags unless ParentStyle.
  static classlib::TFontStyles ItemFontStyle(const TElTreeItem* Item,
                                             classlib::TFontStyles TreeStyle);
  // The section of the main column when columns show (nullptr otherwise).
  TElHeaderSection* MainSection() const;
  void ApplyDragTypeAndFont();

 protected:
  void Paint() override;
  void Resize() override;
  void FontChanged() override;
  void Notification(classlib::TComponent* AComponent, classlib::TOperation Operation) override;
  void DoEnter() override;
  void DoExit() override;
  virtual void DoHeaderColumnClick(int SectionIndex);
  virtual void DoShowLineHint(TElTreeItem* Item, std::string& Text,
                              classlib::TWinControl* HintWindow, const classlib::TPoint& MousePos,
                              bool& DoShowHint);

 private:
  friend class TElTreeView;
  void PropertyChanged(TPropertyEffect Effect);
  void UpdateLineHeight();
  // Expands Item's ancestors and scrolls it to the top row (or the last).
  void ShowItem(TElTreeItem* Item, bool AsLastRow);
  // Selects (or with Invert toggles) the items the walk reaches.
  void SelectionWalk(bool Invert, bool WithHiddenRule, bool IncludeHidden);
  void ReplaceImageList(classlib::TImageList*& Slot, classlib::TImageList* Value);
  void ChangeTimerTick();
  void AutoSizeColumn(int SectionIndex);
  void HeaderSectionClick(TElHeaderSection* Section);
  void HeaderSectionResize(TElHeaderSection* Section);
  void HeaderSectionMove(TElHeaderSection* Section, int OldPos, int NewPos);
  void HeaderSectionChange(TElHeaderSection* Section);
  void HeaderLookup(TElHeaderSection* Section, std::string& Text);
  void BarScroll(TCustomElScrollBar* Bar, TElScrollCode Code, int& Pos, bool& DoChange);
  void VertHintNeeded(int TrackPosition, std::string& Hint);
  // Sorting core.
  void SortItemChildren(TElTreeItem* Item, bool Recursive, int Section, TSortTypes Type,
                        int SectionSortMode);
  void BuildSortKey(TElTreeItem* Item, int Section, TSortTypes Type);
  int CompareKeys(TElTreeItem* A, TElTreeItem* B, TSortTypes Type) const;

  std::unique_ptr<TElTreeItems> items_;
  TElList flat_list_;
  std::unique_ptr<TElList> selected_;
  TElTreeView* view_ = nullptr;
  TElHeader* header_ = nullptr;
  TElScrollBar* hscroll_ = nullptr;
  TElScrollBar* vscroll_ = nullptr;
  std::unique_ptr<TElScrollBarStyles> hstyles_, vstyles_;
  std::unique_ptr<classlib::TBitmap> plus_bmp_, minus_bmp_;
  std::unique_ptr<classlib::TBitmap> plus_picture_, minus_picture_, check_box_glyph_,
      radio_button_glyph_;
  std::unique_ptr<classlib::TTimer> change_timer_;
  classlib::TChangeLink image_link_;

  int update_count_ = 0;
  bool layout_guard_ = false;
  bool dirty_ = false;
  bool resort_pending_ = false;
  int sorting_ = 0;
  int deletion_count_ = 0;
  int hidden_count_ = 0;
  int visible_count_ = 0;
  bool count_stale_ = true;
  // Flat position of each visible item, rebuilt with the count.
  std::vector<int> visible_positions_;
  int top_index_ = 0;
  int left_position_ = 0;
  bool hbar_shown_ = false;
  bool vbar_shown_ = false;
  bool selection_changed_ = false;
  bool measuring_columns_ = false;
  bool destroying_ = false;
  bool in_layout_ = false;
  int loading_items_ = 0;
  int layout_count_ = 0;
  TElTreeItem* delayed_item_ = nullptr;

  int line_height_ = 17;
  bool auto_line_height_ = true;
  int header_height_ = 0;
  bool show_columns_ = false;
  bool multi_select_ = true;
  int select_column_ = -1;
  bool bar_style_ = false;
  int item_indent_ = 17;
  int main_tree_column_ = 0;
  classlib::TImageList* images_ = nullptr;
  classlib::TImageList* images2_ = nullptr;
  TSortModes sort_mode_ = smNone;
  int sort_section_ = 0;
  int change_delay_ = 500;
  bool use_custom_scroll_bars_ = true;
  bool flat_ = false;
};

#undef LUMICAST_TREE_PROPERTY

class TElTree : public TCustomElTree {
 public:
  using TCustomElTree::TCustomElTree;
  std::string ClassName() const override { return "TElTree"; }
};

}  // namespace lumicast
