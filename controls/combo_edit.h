// An edit box with a small button at its right edge that fires
// OnButtonClick: the holder window and its button sit inside the edit, beside
// the text, which stops short of them.
#pragma once

#include <string>

#include "controls/rx_controls.h"
#include "platform/classlib/custom_edit.h"

namespace controls {

enum class TGlyphKind : uint8_t { gkCustom, gkDefault, gkDropDown, gkEllipsis };
using enum TGlyphKind;

// The button inside the edit: a speed button with a separator line at its
// left edge.
class TEditButton : public TRxSpeedButton {
 public:
  explicit TEditButton(classlib::TComponent* AOwner);
  std::string ClassName() const override { return "TEditButton"; }

 protected:
  void Paint() override;
};

class TCustomComboEdit : public classlib::TCustomEdit {
 public:
  explicit TCustomComboEdit(classlib::TComponent* AOwner);
  ~TCustomComboEdit() override;
  std::string ClassName() const override { return "TCustomComboEdit"; }

  // 1 or less hides the button; a width not below the client width is refused.
  int ButtonWidth() const;
  void SetButtonWidth(int Value);
  TGlyphKind GlyphKind() const { return glyph_kind_; }
  void SetGlyphKind(TGlyphKind Value);
  classlib::TBitmap* Glyph() const;
  void SetGlyph(classlib::TBitmap* Value);  // copies; switches to gkCustom
  int NumGlyphs() const;
  void SetNumGlyphs(int Value);
  std::string ButtonHint() const;
  void SetButtonHint(const std::string& Value);
  // Off: the user cannot type, cut or paste; the program still sets Text.
  bool DirectInput() const { return direct_input_; }
  void SetDirectInput(bool Value);
  // Blocks the button click too (the edit is read-only also without DirectInput).
  bool ReadOnly() const override { return combo_read_only_; }
  void SetReadOnly(bool Value) override;
  // The key that clicks the button (Alt+Down by default).
  classlib::TShortCut ClickKey = 32808;  // Alt+Down
  // Kept for the windows that set it; input is not masked.
  std::string EditMask;
  void SetBorderStyle(classlib::TBorderStyle Value) override;
  void SetCtl3D(bool Value) override;

  TEditButton* Button() const { return button_; }
  classlib::TWinControl* ButtonHolder() const { return holder_; }
  // Clicks the button as the user would: OnButtonClick unless ReadOnly.
  virtual void ButtonClick();
  classlib::TNotifyEvent OnButtonClick;

  // Hooks for a drop-down popup of descendant classes; this class has none.
  virtual void PopupDropDown() {}
  virtual void PopupCloseUp(bool /*Accept*/) {}
  virtual bool PopupVisible() const { return false; }

 protected:
  void WndProc(classlib::TMessage& Message) override;
  void KeyDown(uint16_t& Key, classlib::TShiftState Shift) override;
  void DoEnter() override;
  void BoundsChanged(bool Moved, bool Resized) override;
  void CMEnabledChanged(classlib::TMessage& Message) override;
  void FontChanged() override;
  void Loaded() override;
  // The glyph of the kinds this class draws itself.
  void RecreateGlyph();
  // Places holder and button and limits the text beside them.
  void UpdateControls();

 private:
  void UpdateEditReadOnly();
  void UpdateCaret();
  classlib::TWinControl* holder_ = nullptr;
  TEditButton* button_ = nullptr;
  TGlyphKind glyph_kind_ = gkCustom;
  bool direct_input_ = true;
  bool combo_read_only_ = false;
  bool fixed_width_ = false;
};

class TComboEdit : public TCustomComboEdit {
 public:
  explicit TComboEdit(classlib::TComponent* AOwner);
  std::string ClassName() const override { return "TComboEdit"; }
};

// The "..." glyph of an ellipsis button ButtonWidth wide: a monochrome
// bitmap max(1, ButtonWidth - 6) x 4 with three 2 x 2 black dots.
void MakeEllipsisGlyph(classlib::TBitmap* Glyph, int ButtonWidth);

}  // namespace controls
