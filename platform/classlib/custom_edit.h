// The single-line edit every edit box derives from. Whatever way text comes
// in (typing, input method, clipboard keys, the context menu, a middle-click
// paste, a drop, undo) it arrives as a message (WM_CHAR, WM_KEYDOWN,
// WM_PASTE, WM_CUT, WM_COPY, WM_CLEAR, WM_UNDO) and changes the text only in
// the default handler, so a subclass filters input by handling the message
// without passing it on. Positions and lengths count characters (code
// points), not bytes.
#pragma once

#include <memory>
#include <string>

#include "platform/classlib/control.h"
#include "platform/classlib/form.h"

namespace classlib {

class TPopupMenu;

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
using enum TAlignment;
using TBorderStyle = TFormBorderStyle;  // bsNone or bsSingle for controls

// WParam of a WM_PASTE sent by a middle-button click: the text comes from the
// window system's selection instead of the clipboard.
inline constexpr uintptr_t kPasteSelection = 1;

class TCustomEdit : public TWinControl {
 public:
  explicit TCustomEdit(TComponent* AOwner);
  ~TCustomEdit() override;
  std::string ClassName() const override { return "TCustomEdit"; }

  // A read-only edit ignores every input message but copying.
  virtual bool ReadOnly() const { return read_only_; }
  virtual void SetReadOnly(bool Value);
  // Characters at most; 0: no limit.
  int MaxLength() const { return max_length_; }
  void SetMaxLength(int Value);
  char32_t PasswordChar() const { return password_char_; }
  void SetPasswordChar(char32_t Value);
  TAlignment Alignment() const { return alignment_; }
  virtual void SetAlignment(TAlignment Value);
  // Entering the control by the keyboard selects the whole text.
  bool AutoSelect() const { return auto_select_; }
  void SetAutoSelect(bool Value) { auto_select_ = Value; }
  // Width of the caret in pixels (1 by default).
  int CaretWidth() const { return caret_width_; }
  void SetCaretWidth(int Value);
  // bsSingle draws a sunken border (Ctl3D) or a flat one; bsNone none.
  TBorderStyle BorderStyle() const { return border_style_; }
  virtual void SetBorderStyle(TBorderStyle Value);
  bool Ctl3D() const { return ctl3d_; }
  virtual void SetCtl3D(bool Value);
  // Width of the border on each side (2 sunken, 1 flat, 0 none); the client
  // area of an edit lies inside it.
  int BorderSize() const;
  // The rectangle the text is laid out in, in coordinates of the area inside
  // the border; an empty rectangle means that whole area.
  TRect EditRect() const { return edit_rect_; }
  void SetEditRect(const TRect& Value);

  int SelStart() const;
  void SetSelStart(int Value);
  int SelLength() const;
  void SetSelLength(int Value);
  // Setting replaces the selection (or inserts at the caret) directly, as the
  // program's own change; the caret ends behind the new text.
  std::string SelText() const;
  void SetSelText(const std::string& Value);
  void SelectAll();
  void ClearSelection() { Perform(WM_CLEAR, 0, 0); }
  void CopyToClipboard() { Perform(WM_COPY, 0, 0); }
  void CutToClipboard() { Perform(WM_CUT, 0, 0); }
  void PasteFromClipboard() { Perform(WM_PASTE, 0, 0); }
  void Undo() { Perform(WM_UNDO, 0, 0); }
  bool CanUndo() const;
  // The text without converting: characters as code points.
  std::u32string Text32() const;

  // Raised whenever the text changes (typed or set).
  TNotifyEvent OnChange;

 protected:
  void CreateWnd() override;
  void WidgetCreated() override;
  std::string GetText() const override;
  void StoreText(const std::string& Value) override;
  void DefaultHandler(TMessage& Message) override;
  void DoEnter() override;
  void BoundsChanged(bool Moved, bool Resized) override;
  void ColorChanged() override;
  void FontChanged() override;
  virtual void Change();
  // Inserts Text at the caret in place of the selection, respecting
  // MaxLength; line breaks end the text.
  void InsertText(const std::u32string& Text);
  // The text a WM_PASTE message stands for (the clipboard's, or the
  // selection's for a middle-button paste).
  std::string PasteText(const TMessage& Message) const;
  // The menu the right button shows when no PopupMenu is assigned.
  virtual void ShowEditMenu(int X, int Y);

 private:
  class InputFilter;
  void ApplyMargins();
  void ApplyCaretWidth();
  void ApplyAlignment();
  void ApplyColors();
  bool read_only_ = false;
  int max_length_ = 0;
  char32_t password_char_ = 0;
  TAlignment alignment_ = taLeftJustify;
  bool auto_select_ = true;
  int caret_width_ = 1;
  TRect edit_rect_{};
  TBorderStyle border_style_ = bsSingle;
  bool ctl3d_ = true;
  TPopupMenu* edit_menu_ = nullptr;
};

}  // namespace classlib
