// TCustomElHeader / TElHeader: the column header of the tree. It shows the
// sections side by side and lets the user resize them by dragging an edge
// (an inverted guide line runs down over the window below), reorder them by
// dragging, click them, expand and collapse parent sections, open a drop-down
// lookup box and call a filter.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/classlib/bitmap.h"
#include "platform/classlib/control.h"
#include "platform/classlib/image_list.h"
#include "treectl/header_sections.h"

namespace classlib {
class TComboBox;
class TGuideLine;
class TPopupMenu;
}  // namespace classlib

namespace lumicast {

// States of OnSectionResizing.
enum TElHResizingStates { trsBegin = 0, trsMove = 1, trsEnd = 2 };

using TElSectionEvent = std::function<void(classlib::TObject* Sender, TElHeaderSection* Section)>;
using TElSectionDrawEvent =
    std::function<void(classlib::TObject* Sender, classlib::TCanvas* Canvas,
                       TElHeaderSection* Section, const classlib::TRect& R, bool Pressed)>;
using TElSectionResizingEvent = std::function<void(
    classlib::TObject* Sender, TElHeaderSection* Section, TElHResizingStates State, int Width)>;
using TElSectionMoveEvent = std::function<void(classlib::TObject* Sender, TElHeaderSection* Section,
                                               int OldPos, int NewPos)>;
using TElSectionChangeEvent = std::function<void(
    classlib::TObject* Sender, TElHeaderSection* Section, TSectionChangeMode Change)>;
using TElPictureNeededEvent =
    std::function<void(classlib::TObject* Sender, TElHeaderSection* Section, int& ImageIndex)>;
using TElHeaderLookupEvent =
    std::function<void(classlib::TObject* Sender, TElHeaderSection* Section, std::string& Text)>;
using TElHeaderLookupDoneEvent = std::function<void(
    classlib::TObject* Sender, TElHeaderSection* Section, const std::string& Text, bool Accepted)>;
using TElMeasureSectionEvent = std::function<void(
    classlib::TObject* Sender, TElHeaderSection* Section, classlib::TPoint& Size)>;

// Sections this narrow or narrower have no resize zone and no sign zones.
inline constexpr int kMinZoneSectionWidth = 14;
// The pointer must move this far (Euclidean) before a pressed section drags.
inline constexpr int kDragThreshold = 5;

class TCustomElHeader : public classlib::TCustomControl {
 public:
  explicit TCustomElHeader(classlib::TComponent* AOwner);
  ~TCustomElHeader() override;
  std::string ClassName() const override { return "TCustomElHeader"; }

  // ---- properties ----
  TElHeaderSections* Sections() const { return sections_.get(); }
  void SetSections(TElHeaderSections* Value);  // copies
  classlib::TColor ActiveFilterColor() const { return active_filter_color_; }
  void SetActiveFilterColor(classlib::TColor Value);
  classlib::TColor FilterColor() const { return filter_color_; }
  void SetFilterColor(classlib::TColor Value);
  bool Flat() const { return flat_; }
  void SetFlat(bool Value);
  int SectionsWidth() const;
  bool Tracking() const { return tracking_; }
  void SetTracking(bool Value) { tracking_ = Value; }
  bool AllowDrag() const { return allow_drag_; }
  void SetAllowDrag(bool Value) { allow_drag_ = Value; }
  bool MoveOnDrag() const { return move_on_drag_; }
  void SetMoveOnDrag(bool Value) { move_on_drag_ = Value; }
  classlib::TImageList* Images() const { return images_; }
  void SetImages(classlib::TImageList* Value);
  bool InvertSortArrows() const { return invert_sort_arrows_; }
  void SetInvertSortArrows(bool Value);
  bool LockHeight() const { return lock_height_; }
  void SetLockHeight(bool Value);
  bool ResizeOnDrag() const { return resize_on_drag_; }
  void SetResizeOnDrag(bool Value) { resize_on_drag_ = Value; }
  // Mirrors the captions' alignment and reads them right to left.
  bool RightAlignedText() const { return right_aligned_text_; }
  void SetRightAlignedText(bool Value);
  // Reverses the display order of the sections.
  bool RightAlignedOrder() const { return right_aligned_order_; }
  void SetRightAlignedOrder(bool Value);
  // Keeps the sections exactly as wide as the header.
  bool StickySections() const { return sticky_sections_; }
  void SetStickySections(bool Value);

  // ---- operations used by the tree and the sections ----
  int ScrollOffset() const { return scroll_offset_; }
  void SetScrollOffset(int Value);
  // The section under header x (nullptr when none).
  TElHeaderSection* SectionAt(int X) const;
  // The rectangle of the section at display position Index (scroll offset not applied).
  classlib::TRect SectionBounds(int Index) const;
  int PreferredSectionWidth(TElHeaderSection* Section, int& TextWidth);
  void HoldUpdates() { ++hold_count_; }
  void ReleaseUpdates();
  // Invalidates from the section at display position Index to the right end;
  // EElError "Index out of bounds" outside the collection.
  void InvalidateFrom(int Index);
  void AdjustHeaderHeight();
  // Sticky sections: fit the sections to the client width (Changing is not
  // shrunk or grown) and store each resizable section's share of it.
  void FitSticky(TElHeaderSection* Changing);
  void StoreRatios();
  bool LoadingHeader() const;
  bool StickyResizing() const { return sticky_resizing_; }
  void BeginHeaderLoading() { ++loading_count_; }
  void EndHeaderLoading();

  // ---- state, readable for the tree and for inspection ----
  bool Pressed() const { return pressed_; }
  bool Resizing() const { return resizing_; }
  TElHeaderSection* PressSection() const { return press_section_; }
  TElHeaderSection* TrackedSection() const { return tracked_section_; }
  TElHeaderSection* MovingSection() const { return moving_section_; }
  TElHeaderSection* SizingSection() const { return sizing_section_; }
  bool LookupActive() const { return lookup_active_; }
  classlib::TComboBox* LookupBox() const { return lookup_box_; }
  classlib::TGuideLine* ResizeLine() const { return resize_line_; }
  int ResizeLineX() const { return line_x_; }

  // Paints one section into R of Canvas.
  virtual void PaintSection(classlib::TCanvas* Canvas, TElHeaderSection* Section,
                            const classlib::TRect& R, bool Pressed);

  // The tree's drag messages over the header: the drop section is cleared
  // (and, on cancel, the dragged section too).
  void DragLeft();
  void DragDropped();
  void DragCancelled();

  // Called after the header has been set up (menus found by PopupMenuName,
  // sticky sections and right-aligned order applied again).
  void Loaded() override;

  // ---- events ----
  TElSectionEvent OnSectionClick;
  TElSectionEvent OnSectionResize;
  TElSectionDrawEvent OnSectionDraw;
  TElSectionResizingEvent OnSectionResizing;
  TElSectionEvent OnSectionDelete;
  TElSectionMoveEvent OnSectionMove;
  TElSectionEvent OnSectionShowHide;
  TElPictureNeededEvent OnPictureNeeded;
  TElSectionChangeEvent OnSectionChange;
  TElSectionEvent OnSectionCreate;
  TElSectionEvent OnSectionExpand;
  TElSectionEvent OnSectionCollapse;
  TElHeaderLookupEvent OnHeaderLookup;
  TElHeaderLookupDoneEvent OnHeaderLookupDone;
  TElSectionEvent OnSectionAutoSize;
  TElSectionEvent OnFilterCall;
  TElMeasureSectionEvent OnMeasureSection;

  // ---- firing operations (each calls its event when assigned) ----
  virtual void CreateSections();
  virtual bool InResizeZone(int X, TElHeaderSection*& Section) const;
  virtual int FireGetPicture(TElHeaderSection* Section);
  virtual void FireShowHide(TElHeaderSection* Section);
  virtual void FireSectionDelete(TElHeaderSection* Section);
  virtual void FireSectionMove(TElHeaderSection* Section, int OldPos, int NewPos);
  virtual void FireSectionResizing(TElHeaderSection* Section, TElHResizingStates State, int Width);
  virtual void FireSectionResize(TElHeaderSection* Section);
  virtual void FireSectionClick(TElHeaderSection* Section);
  virtual void FireSectionDraw(classlib::TCanvas* Canvas, TElHeaderSection* Section,
                               const classlib::TRect& R, bool Pressed);
  virtual void FireSectionChange(TElHeaderSection* Section, TSectionChangeMode Change);
  virtual void FireSectionExpand(TElHeaderSection* Section);
  virtual void FireSectionCollapse(TElHeaderSection* Section);
  virtual void FireSectionCreate(TElHeaderSection* Section);
  virtual void FireSectionLookup(TElHeaderSection* Section, std::string& Text);
  virtual void FireSectionLookupDone(TElHeaderSection* Section, const std::string& Text,
                                     bool Accepted);
  virtual void FireSectionAutoSize(TElHeaderSection* Section);
  virtual void FireFilterCall(TElHeaderSection* Section);
  virtual void FireSectionMeasure(TElHeaderSection* Section, classlib::TPoint& Size);

  // Closes an open lookup box (as Escape does).
  void CloseLookup(bool Accepted);

 protected:
  void Paint() override;
  void WndProc(classlib::TMessage& Message) override;
  void Notification(classlib::TComponent* AComponent, classlib::TOperation Operation) override;
  void Resize() override;
  void FontChanged() override;

 private:
  friend class TElHeaderSection;
  friend class TElHeaderSections;

  void LeftDown(int X, int Y);
  void LeftUp(int X, int Y);
  void MoveTo(int X, int Y);
  void RightDown(int X, int Y);
  void DoubleClickAt(int X, int Y);
  void FocusLost();
  void MouseLeft();
  void MouseEntered();
  void StartResize(TElHeaderSection* Section, int X);
  void EndResize(int X, bool Apply);
  // Undoes an open resize or drag (capture, guide line, cursor) when an event
  // handler fails half-way.
  void AbandonMouseAction();
  void StartDrag(TElHeaderSection* Section);
  void EndDrag(int X);
  void OpenLookup(TElHeaderSection* Section);
  void LookupTextChanged();
  void LookupKey(uint16_t& Key);
  void RepaintSection(TElHeaderSection* Section);
  void RepaintRect(const classlib::TRect& R);
  void DrawDragImage(classlib::TCanvas* Canvas);
  int ClientHeightRule() const;
  void ApplyRightAlignedOrder();
  void LoadGlyphs();
  // Drops every reference to Section (nullptr: to any section).
  void ForgetSection(TElHeaderSection* Section);

  std::unique_ptr<TElHeaderSections> sections_;
  int scroll_offset_ = 0;
  classlib::TColor active_filter_color_ = classlib::clBlack;
  classlib::TColor filter_color_ = classlib::clBtnText;
  bool flat_ = false;
  bool tracking_ = true;
  bool allow_drag_ = true;
  bool move_on_drag_ = false;
  classlib::TImageList* images_ = nullptr;
  classlib::TChangeLink image_link_;
  bool invert_sort_arrows_ = false;
  bool lock_height_ = false;
  bool resize_on_drag_ = false;
  bool right_aligned_text_ = false;
  bool right_aligned_order_ = false;
  bool sticky_sections_ = false;

  // Glyphs: ascending and descending sort arrows, the lookup glyph (drawn),
  // and the left and right glyphs (loaded, never drawn).
  classlib::TBitmap asc_glyph_, desc_glyph_, point_glyph_, left_glyph_, right_glyph_;

  // Dragging a section.
  std::unique_ptr<classlib::TBitmap> drag_image_;
  classlib::TRect drag_rect_;
  classlib::TPoint last_drag_point_;

  classlib::TComboBox* lookup_box_ = nullptr;
  classlib::TPoint press_point_;
  classlib::TPoint last_mouse_;
  bool pressed_ = false;
  bool left_held_ = false;  // the left button went down here and is not yet up
  TElHeaderSection* press_section_ = nullptr;
  TElHeaderSection* tip_section_ = nullptr;
  TElHeaderSection* lookup_target_ = nullptr;
  TElHeaderSection* tracked_section_ = nullptr;
  bool resizing_ = false;
  TElHeaderSection* sizing_section_ = nullptr;
  TElHeaderSection* moving_section_ = nullptr;
  TElHeaderSection* target_section_ = nullptr;
  classlib::TGuideLine* resize_line_ = nullptr;
  int line_x_ = 0;
  int grab_offset_ = 0;
  bool lookup_active_ = false;
  bool lookup_echo_ = false;
  classlib::TWinControl* focus_before_lookup_ = nullptr;
  classlib::TCursor saved_cursor_ = classlib::crDefault;
  int loading_count_ = 0;
  bool sticky_resizing_ = false;
  int last_client_width_ = 0;
  int hold_count_ = 0;
  bool hold_dirty_ = false;
};

class TElHeader : public TCustomElHeader {
 public:
  using TCustomElHeader::TCustomElHeader;
  std::string ClassName() const override { return "TElHeader"; }
};

}  // namespace lumicast
