// TCustomElScrollBar / TElScrollBar: an owner-painted scroll bar (flat or
// framed arrows, optional secondary buttons, a thumb sized by the page, a
// dithered track, hot tracking, auto-repeat while a part is held, a hint that
// follows the thumb) that also answers the standard scroll-info messages.
// TElScrollBarStyles forwards a set of the bar's properties (the tree
// publishes one per bar).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/classlib/bitmap.h"
#include "platform/classlib/control.h"
#include "platform/classlib/scroll_info.h"

namespace lumicast {

class TElHintWindow;

enum TScrollBarKind { sbHorizontal, sbVertical };
enum TElScrollThumbMode { etmFixed, etmAuto };
enum TElSecButtonsKind { sbkOpposite, sbkPage, sbkCustom };

// Hit-test results; also the Part of OnDrawPart.
enum TElScrollBarPart {
  sbpNowhere = 0,
  sbpLeftArrow = 1,      // first arrow (left or up)
  sbpRightSndArrow = 2,  // secondary button at the far end
  sbpRightArrow = 3,     // last arrow (right or down)
  sbpLeftSndArrow = 4,   // secondary button at the near end
  sbpThumb = 5,
  sbpLeftTop = 6,      // page area before the thumb
  sbpRightBottom = 7,  // page area after the thumb
};

// Scroll codes of OnScroll.
enum TElScrollCode {
  escLineUp = 0,
  escLineDown = 1,
  escPageUp = 2,
  escPageDown = 3,
  escPosition = 4,
  escTrack = 5,
  escTop = 6,
  escBottom = 7,
  escEndScroll = 8,
  escSndLineUp = 9,
  escSndLineDown = 10,
};

using TElScrollEvent = std::function<void(classlib::TObject* Sender, TElScrollCode ScrollCode,
                                          int& ScrollPos, bool& DoChange)>;
using TElScrollHintNeededEvent =
    std::function<void(classlib::TObject* Sender, int TrackPosition, std::string& Hint)>;
using TElScrollDrawPartEvent = std::function<void(
    classlib::TObject* Sender, classlib::TCanvas* Canvas, const classlib::TRect& R,
    TElScrollBarPart Part, bool Enabled, bool Focused, bool Pressed, bool& DefaultDraw)>;

// The window timer of the auto-repeat.
inline constexpr uint32_t kScrollRepeatTimer = 1;

class TCustomElScrollBar : public classlib::TCustomControl {
 public:
  explicit TCustomElScrollBar(classlib::TComponent* AOwner);
  ~TCustomElScrollBar() override;
  std::string ClassName() const override { return "TCustomElScrollBar"; }

  // ---- range ----
  int Position() const { return position_; }
  void SetPosition(int Value) { SetScrollPosition(Value, true); }
  int Max() const { return max_; }
  void SetMax(int Value) { SetScrollMax(Value, true); }
  int Min() const { return min_; }
  void SetMin(int Value) { SetScrollMin(Value, true); }
  int Page() const { return page_; }
  void SetPage(int Value) { SetScrollPage(Value, true); }
  // The setters with a redraw flag.
  void SetScrollPosition(int Value, bool Redraw);
  void SetScrollMax(int Value, bool Redraw);
  void SetScrollMin(int Value, bool Redraw);
  void SetScrollPage(int Value, bool Redraw);

  // The scroll-info messages as methods: SetScrollInfo answers Position (0
  // for a record smaller than 28 bytes); GetScrollInfo answers false for one.
  int SetScrollInfo(const classlib::SCROLLINFO& Info, bool Redraw);
  bool GetScrollInfo(classlib::SCROLLINFO& Info);

  // ---- look ----
  TScrollBarKind Kind() const { return kind_; }
  void SetKind(TScrollBarKind Value);
  bool Flat() const { return flat_; }
  void SetFlat(bool Value);
  bool ActiveFlat() const { return active_flat_; }
  void SetActiveFlat(bool Value);
  bool AltDisablingArrows() const { return alt_disabling_arrows_; }
  void SetAltDisablingArrows(bool Value);
  classlib::TColor ArrowColor() const { return arrow_color_; }
  void SetArrowColor(classlib::TColor Value);
  classlib::TColor ArrowHotTrackColor() const { return arrow_hot_track_color_; }
  void SetArrowHotTrackColor(classlib::TColor Value);
  bool BlendBackground() const { return blend_background_; }
  void SetBlendBackground(bool Value);
  bool SystemBkColor() const { return system_bk_color_; }
  void SetSystemBkColor(bool Value);
  int ButtonSize() const { return button_size_; }
  void SetButtonSize(int Value);
  bool ChangeColorsOnScroll() const { return change_colors_on_scroll_; }
  void SetChangeColorsOnScroll(bool Value) { change_colors_on_scroll_ = Value; }
  bool DrawFrames() const { return draw_frames_; }
  void SetDrawFrames(bool Value);  // off also turns DrawArrowFrames off
  bool DrawArrowFrames() const { return draw_arrow_frames_; }
  void SetDrawArrowFrames(bool Value);
  bool DrawBars() const { return draw_bars_; }
  void SetDrawBars(bool Value);
  int BarOffset() const { return bar_offset_; }
  void SetBarOffset(int Value);
  classlib::TColor BarColor() const { return bar_color_; }
  void SetBarColor(classlib::TColor Value);
  int MinThumbSize() const { return min_thumb_size_; }
  void SetMinThumbSize(int Value);  // values of 0 or less are ignored
  bool NoDisableButtons() const { return no_disable_buttons_; }
  void SetNoDisableButtons(bool Value);
  bool NoSunkenThumb() const { return no_sunken_thumb_; }
  void SetNoSunkenThumb(bool Value);
  bool SecondaryButtons() const { return secondary_buttons_; }
  void SetSecondaryButtons(bool Value);
  TElSecButtonsKind SecondBtnKind() const { return second_btn_kind_; }
  void SetSecondBtnKind(TElSecButtonsKind Value);
  bool ShowLeftArrows() const { return show_left_arrows_; }
  void SetShowLeftArrows(bool Value);
  bool ShowRightArrows() const { return show_right_arrows_; }
  void SetShowRightArrows(bool Value);
  bool ShowTrackHint() const { return show_track_hint_; }
  void SetShowTrackHint(bool Value) { show_track_hint_ = Value; }
  bool ThinFrames() const { return thin_frames_; }
  void SetThinFrames(bool Value);
  TElScrollThumbMode ThumbMode() const { return thumb_mode_; }
  void SetThumbMode(TElScrollThumbMode Value);
  int ThumbSize() const { return thumb_size_; }
  void SetThumbSize(int Value);  // values of 0 or less are ignored
  bool UseSystemMetrics() const { return use_system_metrics_; }
  void SetUseSystemMetrics(bool Value);
  bool OwnerDraw() const { return owner_draw_; }
  void SetOwnerDraw(bool Value);
  classlib::TColor HintColor() const { return hint_color_; }
  void SetHintColor(classlib::TColor Value) { hint_color_ = Value; }
  classlib::TColor HintTextColor() const { return hint_text_color_; }
  void SetHintTextColor(classlib::TColor Value) { hint_text_color_ = Value; }
  // The bar's thickness: width of a vertical bar, height of a horizontal one.
  int Thickness() const;
  void SetThickness(int Value);

  // Set by the tree for its own bars: such a bar sends no scroll messages to
  // its parent.
  bool OwnedByTree = false;

  // ---- geometry (public for the owner's layout and for inspection) ----
  int ThumbStart() const { return thumb_start_; }
  int ThumbLength() const { return thumb_length_; }
  int EffectiveButtonSize() const;
  // The position the thumb's pixel start stands for.
  int PositionFromThumb(int ThumbStart) const;
  TElScrollBarPart HitTest(int X, int Y) const;
  TElScrollBarPart PressedPart() const { return pressed_part_; }
  bool Dragging() const { return dragging_; }
  // The position shown while the thumb is dragged.
  int TrackPosition() const { return track_position_; }
  TElHintWindow* TrackHintWindow() const { return hint_window_.get(); }

  // Where a hint of Size goes for the anchor point (screen coordinates): its
  // lower right corner one pixel above and left of Anchor, then moved back
  // inside Desktop.
  static classlib::TRect PlaceTrackHint(const classlib::TRect& HintRect,
                                        const classlib::TPoint& Anchor,
                                        const classlib::TRect& Desktop);

  // ---- events ----
  classlib::TNotifyEvent OnChange;
  TElScrollEvent OnScroll;
  TElScrollHintNeededEvent OnScrollHintNeeded;
  TElScrollDrawPartEvent OnDrawPart;

 protected:
  void Loaded() override;
  virtual void DoChange();
  virtual void DoScroll(TElScrollCode ScrollCode, int& ScrollPos, bool& DoChange);
  virtual void DoHintNeeded(int TrackPosition, std::string& Hint);

  void WndProc(classlib::TMessage& Message) override;
  void Paint() override;
  void KeyDown(uint16_t& Key, classlib::TShiftState Shift) override;
  void Resize() override;
  uint32_t DialogCode() const override { return classlib::DLGC_WANTARROWS; }

 private:
  int Length() const;
  int NearButtons() const;
  int FarButtons() const;
  void UpdateScrollingRegion();
  bool CanScrollUp() const;
  bool CanScrollDown() const;
  bool PartCanAct(TElScrollBarPart Part) const;
  // The scroll code and target position of one step of Part.
  void StepOf(TElScrollBarPart Part, TElScrollCode& Code, int& NewPos) const;
  // DoScroll, then Position and DoChange when the handler allows.
  void Scroll(TElScrollCode Code, int NewPos);
  void RepeatStep();
  int Along(int X, int Y) const;
  classlib::TRect PartRect(TElScrollBarPart Part) const;
  void StartTimer(uint32_t Interval);
  void StopTimer();
  void ReleaseHeldPart(bool GiveCaptureBack);
  void ShowTrackHintNow();
  void RebuildPattern();
  void ClampAll();

  void MouseDownAt(int X, int Y);
  void MouseMoveAt(int X, int Y);

  void PaintButton(classlib::TCanvas* C, TElScrollBarPart Part, const classlib::TRect& R);
  void PaintPageArea(classlib::TCanvas* C, TElScrollBarPart Part, const classlib::TRect& R);
  void PaintThumb(classlib::TCanvas* C, const classlib::TRect& R);
  bool FrameRaised(TElScrollBarPart Part) const;

  TScrollBarKind kind_ = sbHorizontal;
  int position_ = 0;
  int max_ = 100;
  int min_ = 0;
  int page_ = 1;
  bool flat_ = true;
  bool active_flat_ = false;
  bool alt_disabling_arrows_ = false;
  classlib::TColor arrow_color_ = classlib::clBtnText;
  classlib::TColor arrow_hot_track_color_ = classlib::clHighlight;
  bool blend_background_ = true;
  bool system_bk_color_ = true;
  int button_size_;
  bool change_colors_on_scroll_ = true;
  bool draw_frames_ = true;
  bool draw_arrow_frames_ = true;
  bool draw_bars_ = true;
  int bar_offset_ = 2;
  classlib::TColor bar_color_ = classlib::clBtnShadow;
  int min_thumb_size_ = 4;
  bool no_disable_buttons_ = false;
  bool no_sunken_thumb_ = false;
  bool secondary_buttons_ = false;
  TElSecButtonsKind second_btn_kind_ = sbkOpposite;
  bool show_left_arrows_ = true;
  bool show_right_arrows_ = true;
  bool show_track_hint_ = false;
  bool thin_frames_ = false;
  TElScrollThumbMode thumb_mode_ = etmAuto;
  int thumb_size_ = 0;
  bool use_system_metrics_ = true;
  bool owner_draw_ = false;
  classlib::TColor hint_color_ = classlib::clInfoBk;
  classlib::TColor hint_text_color_ = classlib::clInfoText;

  // State.
  TElScrollBarPart pressed_part_ = sbpNowhere;
  TElScrollBarPart mouse_part_ = sbpNowhere;  // the part under the mouse
  bool mouse_in_ = false;
  bool dragging_ = false;
  bool timer_running_ = false;
  int thumb_start_ = 0;
  int thumb_length_ = 0;
  int drag_start_ = 0;
  int thumb_grab_offset_ = 0;
  int drag_start_position_ = 0;
  int drag_start_thumb_ = 0;
  int track_position_ = 0;
  classlib::TPoint mouse_pos_;
  classlib::TControl* saved_capture_ = nullptr;
  std::unique_ptr<TElHintWindow> hint_window_;
  std::unique_ptr<classlib::TBitmap> pattern_;
};

class TElScrollBar : public TCustomElScrollBar {
 public:
  using TCustomElScrollBar::TCustomElScrollBar;
  std::string ClassName() const override { return "TElScrollBar"; }
};

class TElScrollBarStyles : public classlib::TPersistent {
 public:
  // A nil bar raises "No scrollbar specified when attempting to create
  // TElScrollBarStyles instance".
  explicit TElScrollBarStyles(TCustomElScrollBar* Bar);
  std::string ClassName() const override { return "TElScrollBarStyles"; }
  void Assign(classlib::TPersistent* Source) override;
  TCustomElScrollBar* Bar() const { return bar_; }

  bool ActiveFlat() const { return bar_->ActiveFlat(); }
  void SetActiveFlat(bool V) { bar_->SetActiveFlat(V); }
  bool BlendBackground() const { return bar_->BlendBackground(); }
  void SetBlendBackground(bool V) { bar_->SetBlendBackground(V); }
  classlib::TColor Color() const { return bar_->Color(); }
  void SetColor(classlib::TColor V) { bar_->SetColor(V); }
  bool Flat() const { return bar_->Flat(); }
  void SetFlat(bool V) { bar_->SetFlat(V); }
  int MinThumbSize() const { return bar_->MinThumbSize(); }
  void SetMinThumbSize(int V) { bar_->SetMinThumbSize(V); }
  bool NoDisableButtons() const { return bar_->NoDisableButtons(); }
  void SetNoDisableButtons(bool V) { bar_->SetNoDisableButtons(V); }
  bool NoSunkenThumb() const { return bar_->NoSunkenThumb(); }
  void SetNoSunkenThumb(bool V) { bar_->SetNoSunkenThumb(V); }
  bool OwnerDraw() const { return bar_->OwnerDraw(); }
  void SetOwnerDraw(bool V) { bar_->SetOwnerDraw(V); }
  bool SecondaryButtons() const { return bar_->SecondaryButtons(); }
  void SetSecondaryButtons(bool V) { bar_->SetSecondaryButtons(V); }
  TElSecButtonsKind SecondBtnKind() const { return bar_->SecondBtnKind(); }
  void SetSecondBtnKind(TElSecButtonsKind V) { bar_->SetSecondBtnKind(V); }
  bool ShowLeftArrows() const { return bar_->ShowLeftArrows(); }
  void SetShowLeftArrows(bool V) { bar_->SetShowLeftArrows(V); }
  bool ShowRightArrows() const { return bar_->ShowRightArrows(); }
  void SetShowRightArrows(bool V) { bar_->SetShowRightArrows(V); }
  bool ShowTrackHint() const { return bar_->ShowTrackHint(); }
  void SetShowTrackHint(bool V) { bar_->SetShowTrackHint(V); }
  TElScrollThumbMode ThumbMode() const { return bar_->ThumbMode(); }
  void SetThumbMode(TElScrollThumbMode V) { bar_->SetThumbMode(V); }
  int ThumbSize() const { return bar_->ThumbSize(); }
  void SetThumbSize(int V) { bar_->SetThumbSize(V); }
  // The bar's thickness; 0 means the system scroll-bar thickness. Fires OnChange.
  int Width() const { return bar_->Thickness(); }
  void SetWidth(int V);
  int ButtonSize() const { return bar_->ButtonSize(); }
  void SetButtonSize(int V) { bar_->SetButtonSize(V); }
  bool UseSystemMetrics() const { return bar_->UseSystemMetrics(); }
  void SetUseSystemMetrics(bool V);  // a real change fires OnChange
  classlib::TColor ArrowColor() const { return bar_->ArrowColor(); }
  void SetArrowColor(classlib::TColor V) { bar_->SetArrowColor(V); }
  classlib::TColor ArrowHotTrackColor() const { return bar_->ArrowHotTrackColor(); }
  void SetArrowHotTrackColor(classlib::TColor V) { bar_->SetArrowHotTrackColor(V); }
  bool DrawFrames() const { return bar_->DrawFrames(); }
  void SetDrawFrames(bool V) { bar_->SetDrawFrames(V); }
  bool DrawArrowFrames() const { return bar_->DrawArrowFrames(); }
  void SetDrawArrowFrames(bool V) { bar_->SetDrawArrowFrames(V); }
  bool DrawBars() const { return bar_->DrawBars(); }
  void SetDrawBars(bool V) { bar_->SetDrawBars(V); }
  int BarOffset() const { return bar_->BarOffset(); }
  void SetBarOffset(int V) { bar_->SetBarOffset(V); }
  classlib::TColor BarColor() const { return bar_->BarColor(); }
  void SetBarColor(classlib::TColor V) { bar_->SetBarColor(V); }
  bool ThinFrames() const { return bar_->ThinFrames(); }
  void SetThinFrames(bool V) { bar_->SetThinFrames(V); }
  classlib::TColor HintColor() const { return bar_->HintColor(); }
  void SetHintColor(classlib::TColor V) { bar_->SetHintColor(V); }
  classlib::TColor HintTextColor() const { return bar_->HintTextColor(); }
  void SetHintTextColor(classlib::TColor V) { bar_->SetHintTextColor(V); }
  bool SystemBkColor() const { return bar_->SystemBkColor(); }
  void SetSystemBkColor(bool V) { bar_->SetSystemBkColor(V); }

  classlib::TNotifyEvent OnChange;

 private:
  TCustomElScrollBar* bar_;
};

}  // namespace lumicast
