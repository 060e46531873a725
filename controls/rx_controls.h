// TRxSpeedButton: a windowless button with a multi-state glyph (state images
// kept in a process-wide cache shared by glyphs of one size), optional
// caption, flat look, grouping, auto-repeat and a drop-down menu; TRxLabel:
// a label whose text carries a shadow; and the controls' two cursors.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/classlib/bitmap.h"
#include "platform/classlib/control.h"
#include "platform/classlib/menus.h"
#include "platform/classlib/std_controls.h"
#include "platform/classlib/timer.h"

namespace controls {

// The screen cursors the controls use: the hand and the drag cursor.
constexpr int crRxHand = 14000;
constexpr int crRxDrag = 14001;
// Installs the two cursors from the resources "RX_HANDCUR" and "RX_DRAGCUR".
// Called once at start, after the artwork is registered.
void InitControlCursors();

enum TRxButtonState : uint8_t { rbsUp, rbsDisabled, rbsDown, rbsExclusive, rbsInactive };
enum TButtonStyle : uint8_t { bsAutoDetect, bsWin31, bsNew };
enum TDropDownMenuPos : uint8_t { dmpBottom, dmpRight };

// Number of glyph lists the cache holds now (one per glyph size in use).
int GlyphCacheListCount();

// A button's glyph: the source bitmap and its built state images (kept in the cache).
class TRxButtonGlyph {
 public:
  TRxButtonGlyph();
  ~TRxButtonGlyph();
  TRxButtonGlyph(const TRxButtonGlyph&) = delete;
  TRxButtonGlyph& operator=(const TRxButtonGlyph&) = delete;

  classlib::TBitmap* Glyph() const { return glyph_.get(); }
  // Copies the bitmap and drops the built images; a width that is an exact
  // multiple (below 6) of the height sets the glyph count.
  void SetGlyph(classlib::TBitmap* Value);
  int NumGlyphs() const { return num_glyphs_; }
  void SetNumGlyphs(int Value);  // 1..5
  classlib::TColor TransparentColor() const { return transparent_color_; }
  // The image of a state (built on first use); nullptr without a glyph.
  classlib::TBitmap* StateImage(TRxButtonState State);
  int Width() const { return glyph_->Empty() ? 0 : glyph_->Width() / num_glyphs_; }
  int Height() const { return glyph_->Empty() ? 0 : glyph_->Height(); }

 private:
  void Invalidate();
  std::unique_ptr<classlib::TBitmap> glyph_;
  int num_glyphs_ = 1;
  classlib::TColor transparent_color_ = 0xFF00FF;
  std::array<int, 5> index_{-1, -1, -1, -1, -1};
  int list_w_ = 0, list_h_ = 0;  // the cache list the indexes refer to
};

class TRxSpeedButton : public classlib::TGraphicControl {
 public:
  explicit TRxSpeedButton(classlib::TComponent* AOwner);
  ~TRxSpeedButton() override;
  std::string ClassName() const override { return "TRxSpeedButton"; }

  classlib::TBitmap* Glyph() const { return glyph_.Glyph(); }
  void SetGlyph(classlib::TBitmap* Value);
  int NumGlyphs() const { return glyph_.NumGlyphs(); }
  void SetNumGlyphs(int Value);
  TRxButtonGlyph* ButtonGlyph() { return &glyph_; }

  bool AllowAllUp() const { return allow_all_up_; }
  void SetAllowAllUp(bool Value);
  bool AllowTimer() const { return allow_timer_; }
  void SetAllowTimer(bool Value);
  int GroupIndex() const { return group_index_; }
  void SetGroupIndex(int Value);
  bool Down() const { return down_; }
  void SetDown(bool Value);
  classlib::TPopupMenu* DropDownMenu() const { return menu_; }
  void SetDropDownMenu(classlib::TPopupMenu* Value);
  TDropDownMenuPos MenuPosition = dmpBottom;
  bool Flat() const { return flat_; }
  void SetFlat(bool Value);
  bool GrayedInactive() const { return grayed_inactive_; }
  void SetGrayedInactive(bool Value);
  uint32_t InitPause = 500;
  uint32_t RepeatInterval = 100;
  classlib::TButtonLayout Layout() const { return layout_; }
  void SetLayout(classlib::TButtonLayout Value);
  int Margin() const { return margin_; }
  void SetMargin(int Value);
  int Spacing() const { return spacing_; }
  void SetSpacing(int Value);
  bool MarkDropDown() const { return mark_drop_down_; }
  void SetMarkDropDown(bool Value);
  int ModalResult = 0;
  TButtonStyle Style() const { return style_; }
  void SetStyle(TButtonStyle Value);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool Value);
  bool WordWrap() const { return word_wrap_; }
  void SetWordWrap(bool Value);
  // Placement of the caption's lines within the caption's room.
  classlib::TAlignment Alignment() const { return alignment_; }
  void SetAlignment(classlib::TAlignment Value);

  TRxButtonState State() const { return state_; }
  bool MouseInControl() const { return mouse_inside_; }
  classlib::TTimer* RepeatTimer() const { return repeat_timer_; }

  void Click() override;

 protected:
  void Paint() override;
  void MouseDown(classlib::TMouseButton Button, classlib::TShiftState Shift, int X, int Y) override;
  void MouseMove(classlib::TShiftState Shift, int X, int Y) override;
  void MouseUp(classlib::TMouseButton Button, classlib::TShiftState Shift, int X, int Y) override;
  void MouseEnter() override;
  void MouseLeave() override;
  void Notification(classlib::TComponent* AComponent, classlib::TOperation Operation) override;

 private:
  void RepeatTick(classlib::TObject* Sender);
  void UpdateExclusive();
  void PopupMenu();

  TRxButtonGlyph glyph_;
  bool allow_all_up_ = false;
  bool allow_timer_ = false;
  int group_index_ = 0;
  bool down_ = false;
  classlib::TPopupMenu* menu_ = nullptr;
  bool flat_ = false;
  bool grayed_inactive_ = true;
  classlib::TButtonLayout layout_ = classlib::blGlyphTop;
  int margin_ = -1;
  int spacing_ = 1;
  bool mark_drop_down_ = true;
  TButtonStyle style_ = bsAutoDetect;
  bool transparent_ = false;
  bool word_wrap_ = false;
  classlib::TAlignment alignment_ = classlib::taCenter;
  TRxButtonState state_ = rbsUp;
  bool dragging_ = false;
  bool mouse_inside_ = false;
  bool menu_tracking_ = false;
  classlib::TTimer* repeat_timer_ = nullptr;
};

enum TShadowPosition : uint8_t { spLeftTop, spLeftBottom, spRightBottom, spRightTop };

class TRxLabel : public classlib::TGraphicControl {
 public:
  explicit TRxLabel(classlib::TComponent* AOwner);
  std::string ClassName() const override { return "TRxLabel"; }

  classlib::TColor ShadowColor() const { return shadow_color_; }
  void SetShadowColor(classlib::TColor Value);
  int ShadowSize() const { return shadow_size_; }
  void SetShadowSize(int Value);
  TShadowPosition ShadowPos() const { return shadow_pos_; }
  void SetShadowPos(TShadowPosition Value);
  bool ShowAccelChar = true;
  bool ShowFocus = false;
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool Value);
  bool WordWrap() const { return word_wrap_; }
  void SetWordWrap(bool Value);
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool Value);
  unsigned Alignment = 0;  // DT_LEFT, DT_CENTER or DT_RIGHT
  unsigned Layout = 0;     // DT_TOP, DT_VCENTER or DT_BOTTOM
  classlib::TWinControl* FocusControl = nullptr;

  // Re-measures and, with AutoSize, fits the label to its text.
  void AdjustBounds();

 protected:
  void Paint() override;
  void CMTextChanged(classlib::TMessage& Message) override;
  void FontChanged() override;

 private:
  // The shadow's offset for the current position and size.
  classlib::TPoint ShadowOffset(int& Size, TShadowPosition& Pos) const;
  unsigned TextFormat() const;
  // Draws (or with DT_CALCRECT measures) text and shadow into R.
  void DoDrawText(classlib::TCanvas* Canvas, classlib::TRect& R, unsigned Flags);

  classlib::TColor shadow_color_ = classlib::clBtnHighlight;
  int shadow_size_ = 1;
  TShadowPosition shadow_pos_ = spLeftTop;
  bool transparent_ = false;
  bool word_wrap_ = false;
  bool auto_size_ = true;
};

}  // namespace controls
