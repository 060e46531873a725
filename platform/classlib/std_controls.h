// The standard controls: panel, label, group box, buttons (push, bitmap,
// speed), edit, spin edit, memo, check box, radio button, combo box, progress
// bar, track bar, scroll box and image. Panel, label, group box, speed button
// and image are drawn by the layer; the others wrap native widgets.
#pragma once

#include <climits>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/classlib/control.h"
#include "platform/classlib/custom_edit.h"
#include "platform/classlib/bitmap.h"
#include "platform/classlib/drawing_helpers.h"
#include "platform/classlib/form.h"
#include "platform/classlib/picture.h"
#include "platform/classlib/string_list.h"

namespace classlib {

class TBitmap;
class TPicture;

enum class TTextLayout { tlTop, tlCenter, tlBottom };
using enum TTextLayout;
enum class TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
using enum TBevelCut;
enum class TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
using enum TScrollStyle;

// ---------------------------------------------------------------- TPanel

class TPanel : public TCustomControl {
 public:
  explicit TPanel(TComponent* AOwner);
  std::string ClassName() const override { return "TPanel"; }
  TBevelCut BevelInner() const { return bevel_inner_; }
  void SetBevelInner(TBevelCut Value);
  TBevelCut BevelOuter() const { return bevel_outer_; }
  void SetBevelOuter(TBevelCut Value);
  int BevelWidth() const { return bevel_width_; }
  void SetBevelWidth(int Value);
  int BorderWidth() const { return border_width_; }
  void SetBorderWidth(int Value);
  TBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TBorderStyle Value);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment Value);

 protected:
  void Paint() override;
  void AdjustClientRect(TRect& Rect) const override;

 private:
  void BordersChanged();
  TBevelCut bevel_inner_ = bvNone;
  TBevelCut bevel_outer_ = bvRaised;
  int bevel_width_ = 1;
  int border_width_ = 0;
  TBorderStyle border_style_ = bsNone;
  TAlignment alignment_ = taCenter;
};

// ---------------------------------------------------------------- TGroupBox

class TGroupBox : public TCustomControl {
 public:
  explicit TGroupBox(TComponent* AOwner);
  std::string ClassName() const override { return "TGroupBox"; }

 protected:
  void Paint() override;
  void AdjustClientRect(TRect& Rect) const override;
};

// ---------------------------------------------------------------- TLabel

class TLabel : public TGraphicControl {
 public:
  explicit TLabel(TComponent* AOwner);
  std::string ClassName() const override { return "TLabel"; }
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool Value);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment Value);
  TTextLayout Layout() const { return layout_; }
  void SetLayout(TTextLayout Value);
  // A transparent label draws only its text over what lies beneath.
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool Value);
  bool WordWrap() const { return word_wrap_; }
  void SetWordWrap(bool Value);
  // "&" marks the next character as the accelerator (underlined) when true.
  bool ShowAccelChar() const { return show_accel_char_; }
  void SetShowAccelChar(bool Value);
  // Sizes the label to its text (width kept when word-wrapping).
  void AdjustBounds();

 protected:
  void Paint() override;
  void CMTextChanged(TMessage& Message) override;
  void FontChanged() override;
  unsigned TextFlags() const;

 private:
  bool auto_size_ = true;
  TAlignment alignment_ = taLeftJustify;
  TTextLayout layout_ = tlTop;
  bool transparent_ = false;
  bool word_wrap_ = false;
  bool show_accel_char_ = true;
};

// ---------------------------------------------------------------- TButton

class TButton : public TWinControl {
 public:
  explicit TButton(TComponent* AOwner);
  std::string ClassName() const override { return "TButton"; }
  // Clicking sets the parent form's ModalResult to this (when not mrNone).
  TModalResult ModalResult() const { return modal_result_; }
  void SetModalResult(TModalResult Value) { modal_result_ = Value; }
  // Enter clicks the default button, Escape the cancel button.
  bool Default() const { return default_; }
  void SetDefault(bool Value);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool Value) { cancel_ = Value; }
  void Click() override;

 protected:
  void CreateWnd() override;
  void StoreText(const std::string& Value) override;
  void CMDialogKey(TMessage& Message) override;

 private:
  TModalResult modal_result_ = mrNone;
  bool default_ = false;
  bool cancel_ = false;
};

// ---------------------------------------------------------------- TBitBtn

class TBitBtn : public TButton {
 public:
  explicit TBitBtn(TComponent* AOwner);
  ~TBitBtn() override;
  std::string ClassName() const override { return "TBitBtn"; }
  // The glyph; its bottom-left pixel's colour is transparent. With
  // NumGlyphs > 1 the bitmap holds that many images side by side and the
  // first (normal state) is shown.
  TBitmap* Glyph() const { return glyph_.get(); }
  void SetGlyph(TBitmap* Value);  // copies
  int NumGlyphs() const { return num_glyphs_; }
  void SetNumGlyphs(int Value);

 private:
  void GlyphChanged();
  std::unique_ptr<TBitmap> glyph_;
  int num_glyphs_ = 1;
};

// ---------------------------------------------------------------- TSpeedButton

enum class TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
using enum TButtonLayout;

class TSpeedButton : public TGraphicControl {
 public:
  explicit TSpeedButton(TComponent* AOwner);
  ~TSpeedButton() override;
  std::string ClassName() const override { return "TSpeedButton"; }
  // Buttons of one parent with the same non-zero GroupIndex work as a group:
  // pressing one puts it down and the others up.
  int GroupIndex() const { return group_index_; }
  void SetGroupIndex(int Value);
  bool Down() const { return down_; }
  void SetDown(bool Value);
  // In a group: a click on the down button raises it again.
  bool AllowAllUp() const { return allow_all_up_; }
  void SetAllowAllUp(bool Value);
  bool Flat() const { return flat_; }
  void SetFlat(bool Value);
  TBitmap* Glyph() const { return glyph_.get(); }
  void SetGlyph(TBitmap* Value);  // copies
  // Images side by side in the glyph: up, disabled, down, held down.
  int NumGlyphs() const { return num_glyphs_; }
  void SetNumGlyphs(int Value);
  TButtonLayout Layout() const { return layout_; }
  void SetLayout(TButtonLayout Value);
  int Margin() const { return margin_; }
  void SetMargin(int Value);
  int Spacing() const { return spacing_; }
  void SetSpacing(int Value);
  bool MouseInControl() const { return mouse_in_; }
  void Click() override;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void CMMouseEnter(TMessage& Message) override;
  void CMMouseLeave(TMessage& Message) override;

 private:
  void UpdateExclusive();
  int group_index_ = 0;
  bool down_ = false;
  bool allow_all_up_ = false;
  bool flat_ = false;
  bool pressed_ = false;   // left button held on the button
  bool dragging_ = false;  // button held, pointer may have left
  bool mouse_in_ = false;
  std::unique_ptr<TBitmap> glyph_;
  int num_glyphs_ = 1;
  TButtonLayout layout_ = blGlyphLeft;
  int margin_ = -1;
  int spacing_ = 4;
};

// ---------------------------------------------------------------- TEdit

class TEdit : public TCustomEdit {
 public:
  explicit TEdit(TComponent* AOwner);
  std::string ClassName() const override { return "TEdit"; }
};

// ---------------------------------------------------------------- TSpinEdit

class TSpinEdit : public TWinControl {
 public:
  explicit TSpinEdit(TComponent* AOwner);
  std::string ClassName() const override { return "TSpinEdit"; }
  // With MinValue = MaxValue (both 0 by default) the value is unlimited.
  int MinValue() const { return min_value_; }
  void SetMinValue(int Value);
  int MaxValue() const { return max_value_; }
  void SetMaxValue(int Value);
  int Increment() const { return increment_; }
  void SetIncrement(int Value);
  // The text as a number; text that is not a number reads as MinValue.
  // Limited values are clamped into MinValue..MaxValue.
  int Value() const;
  void SetValue(int Value);
  bool ReadOnly() const;
  void SetReadOnly(bool Value);
  // Selects the whole number; SelText is the selected part of it.
  void SelectAll();
  std::string SelText() const;
  TNotifyEvent OnChange;

 protected:
  void CreateWnd() override;
  std::string GetText() const override;
  void StoreText(const std::string& Value) override;

 private:
  int CheckValue(int NewValue) const;
  void ApplyRange();
  int min_value_ = 0;
  int max_value_ = 0;
  int increment_ = 1;
};

// ---------------------------------------------------------------- TMemo

class TMemo : public TWinControl {
 public:
  explicit TMemo(TComponent* AOwner);
  ~TMemo() override;
  std::string ClassName() const override { return "TMemo"; }
  // The lines of the memo; adding a line shows it (scrolls to the end).
  TStrings* Lines() const { return lines_.get(); }
  bool ReadOnly() const;
  void SetReadOnly(bool Value);
  TScrollStyle ScrollBars() const { return scroll_bars_; }
  void SetScrollBars(TScrollStyle Value);
  bool WordWrap() const { return word_wrap_; }
  void SetWordWrap(bool Value);
  void Clear();
  TNotifyEvent OnChange;

 protected:
  void CreateWnd() override;
  std::string GetText() const override;
  void StoreText(const std::string& Value) override;
  uint32_t DialogCode() const override {
    return DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTCHARS;
  }

 private:
  void ApplyWrap();
  std::unique_ptr<TStrings> lines_;
  TScrollStyle scroll_bars_ = ssNone;
  bool word_wrap_ = true;
};

// ---------------------------------------------------------------- TCheckBox / TRadioButton

enum class TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
using enum TCheckBoxState;

class TCheckBox : public TWinControl {
 public:
  explicit TCheckBox(TComponent* AOwner);
  std::string ClassName() const override { return "TCheckBox"; }
  bool Checked() const { return State() == cbChecked; }
  void SetChecked(bool Value) { SetState(Value ? cbChecked : cbUnchecked); }
  // Every change of state (by the user or by code) raises OnClick.
  TCheckBoxState State() const;
  void SetState(TCheckBoxState Value);
  bool AllowGrayed() const { return allow_grayed_; }
  void SetAllowGrayed(bool Value);

 protected:
  void CreateWnd() override;
  void StoreText(const std::string& Value) override;

 private:
  bool allow_grayed_ = false;
};

class TRadioButton : public TWinControl {
 public:
  explicit TRadioButton(TComponent* AOwner);
  std::string ClassName() const override { return "TRadioButton"; }
  // Checking one radio button unchecks the others of the same parent. OnClick
  // is raised when the button becomes checked.
  bool Checked() const;
  void SetChecked(bool Value);

 protected:
  void CreateWnd() override;
  void StoreText(const std::string& Value) override;
};

// ---------------------------------------------------------------- TComboBox

enum class TComboBoxStyle {
  csDropDown,
  csSimple,
  csDropDownList,
  csOwnerDrawFixed,
  csOwnerDrawVariable
};
using enum TComboBoxStyle;

class TComboBox : public TWinControl {
 public:
  explicit TComboBox(TComponent* AOwner);
  ~TComboBox() override;
  std::string ClassName() const override { return "TComboBox"; }
  TStrings* Items() const { return items_.get(); }
  // -1 when nothing is selected.
  int ItemIndex() const;
  void SetItemIndex(int Value);
  TComboBoxStyle Style() const { return style_; }
  void SetStyle(TComboBoxStyle Value);
  int DropDownCount() const { return drop_down_count_; }
  void SetDropDownCount(int Value);
  // Raised when the user picks an item or edits the text (not when code sets ItemIndex).
  TNotifyEvent OnChange;
  // Raised when the drop-down list closes.
  TNotifyEvent OnCloseUp;
  // The drop-down list closed (the native box calls this; tests may too).
  void DoCloseUp() { CloseUp(); }
  // Owner-drawn styles (csOwnerDrawFixed, csOwnerDrawVariable): item Index,
  // in the list or in the closed box, is painted by DrawItem into Rect.
  bool OwnerDrawn() const { return style_ == csOwnerDrawFixed || style_ == csOwnerDrawVariable; }
  // Fixed height of an owner-drawn item (0: the box's own).
  int ItemHeight() const { return item_height_; }
  void SetItemHeight(int Value);
  // Paints item Index into Rect of Canvas (the item's own state): the box's
  // colour or the selection, then the text. Subclasses paint their own.
  virtual void DrawItem(TCanvas* Canvas, int Index, const TRect& Rect, bool ItemSelected);
  // Called after the native box painted itself (Canvas covers the box, drawn
  // over its pixels; Button is the drop-down button's rectangle).
  virtual void PaintOver(TCanvas* Canvas, const TRect& Button) {
    (void)Canvas;
    (void)Button;
  }

 protected:
  void CreateWnd() override;
  // The user picked an item or edited the text: fires OnChange.
  virtual void Change();
  // The drop-down list closed: fires OnCloseUp.
  virtual void CloseUp();
  std::string GetText() const override;
  void StoreText(const std::string& Value) override;

 private:
  std::unique_ptr<TStrings> items_;
  TComboBoxStyle style_ = csDropDown;
  int drop_down_count_ = 8;
  int item_height_ = 0;
};

// ---------------------------------------------------------------- TProgressBar / TTrackBar

class TProgressBar : public TWinControl {
 public:
  explicit TProgressBar(TComponent* AOwner);
  std::string ClassName() const override { return "TProgressBar"; }
  int Min() const { return min_; }
  void SetMin(int Value);
  int Max() const { return max_; }
  void SetMax(int Value);
  // Kept within Min..Max.
  int Position() const { return position_; }
  void SetPosition(int Value);
  int Step() const { return step_; }
  void SetStep(int Value) { step_ = Value; }
  void StepIt() { SetPosition(position_ + step_); }
  void StepBy(int Delta) { SetPosition(position_ + Delta); }

 protected:
  void CreateWnd() override;

 private:
  void Apply();
  int min_ = 0;
  int max_ = 100;
  int position_ = 0;
  int step_ = 10;
};

enum class TTrackBarOrientation { trHorizontal, trVertical };
using enum TTrackBarOrientation;

class TTrackBar : public TWinControl {
 public:
  explicit TTrackBar(TComponent* AOwner);
  std::string ClassName() const override { return "TTrackBar"; }
  int Min() const { return min_; }
  void SetMin(int Value);
  int Max() const { return max_; }
  void SetMax(int Value);
  int Position() const;
  void SetPosition(int Value);
  TTrackBarOrientation Orientation() const { return orientation_; }
  void SetOrientation(TTrackBarOrientation Value);
  int Frequency() const { return frequency_; }
  void SetFrequency(int Value);
  TNotifyEvent OnChange;

 protected:
  void CreateWnd() override;

 private:
  int min_ = 0;
  int max_ = 10;
  int frequency_ = 1;
  TTrackBarOrientation orientation_ = trHorizontal;
};

// ---------------------------------------------------------------- TScrollBox

class TScrollBox : public TWinControl {
 public:
  explicit TScrollBox(TComponent* AOwner);
  std::string ClassName() const override { return "TScrollBox"; }
  TBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TBorderStyle Value);
  // The visible part of the scrolled area.
  TRect ClientRect() const override;
  // Scrolls so that the scrolled area's point (X, Y) is at the top-left.
  void ScrollTo(int X, int Y);
  TPoint ScrollPos() const;

 protected:
  void CreateWnd() override;
  void WidgetCreated() override;
  void AlignControls(TControl* AControl, TRect& Rect) override;
  void BoundsChanged(bool Moved, bool Resized) override;

 private:
  void UpdateRange();
  TBorderStyle border_style_ = bsSingle;
};

// ---------------------------------------------------------------- TImage

class TImage : public TGraphicControl {
 public:
  explicit TImage(TComponent* AOwner);
  ~TImage() override;
  std::string ClassName() const override { return "TImage"; }
  TPicture* Picture() const { return picture_.get(); }
  void SetPicture(TPicture* Value);  // copies
  // The picture's bitmap canvas (the picture becomes a bitmap of the control's size when empty).
  TCanvas* Canvas();
  bool Stretch() const { return stretch_; }
  void SetStretch(bool Value);
  bool Center() const { return center_; }
  void SetCenter(bool Value);
  bool Proportional() const { return proportional_; }
  void SetProportional(bool Value);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool Value);
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool Value);
  // Where the picture is drawn, in client coordinates.
  TRect DestRect() const;

 protected:
  void Paint() override;

 private:
  void PictureChanged();
  std::unique_ptr<TPicture> picture_;
  bool stretch_ = false;
  bool center_ = false;
  bool proportional_ = false;
  bool transparent_ = false;
  bool auto_size_ = false;
};

}  // namespace classlib
