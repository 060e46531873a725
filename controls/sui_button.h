// The skinned buttons: owner-painted controls that draw one bitmap per mouse
// state (normal, mouse on, pressed, disabled). TsuiButton is a push button
// skinned by the UI style, with an optional glyph; TsuiImageButton draws four
// pictures of its own; TsuiCheckBox and TsuiRadioButton show a state image
// beside their caption.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "controls/sui_themes.h"
#include "platform/classlib/bitmap.h"
#include "platform/classlib/control.h"
#include "platform/classlib/picture.h"
#include "platform/classlib/timer.h"

namespace controls {

class TsuiCustomButton : public classlib::TCustomControl, public IsuiStyled {
 public:
  explicit TsuiCustomButton(classlib::TComponent* AOwner);
  ~TsuiCustomButton() override;
  std::string ClassName() const override { return "TsuiCustomButton"; }

  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool Value);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool Value) { cancel_ = Value; }
  bool Default() const { return default_; }
  void SetDefault(bool Value) { default_ = Value; }
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool Value);
  int ModalResult() const { return modal_result_; }
  void SetModalResult(int Value) { modal_result_ = Value; }
  TsuiUIStyle UIStyle() const { return ui_style_; }
  void SetUIStyle(TsuiUIStyle Value);
  int MouseContinuouslyDownInterval() const { return repeat_interval_; }
  void SetMouseContinuouslyDownInterval(int Value) { repeat_interval_ = Value; }
  // The three state images' bitmap resource names (empty under a style).
  virtual std::string PicNormalResName() const { return res_names_[0]; }
  virtual std::string PicMouseOnResName() const { return res_names_[1]; }
  virtual std::string PicMouseDownResName() const { return res_names_[2]; }
  virtual void SetPicNormalResName(const std::string& Value);
  virtual void SetPicMouseOnResName(const std::string& Value);
  virtual void SetPicMouseDownResName(const std::string& Value);
  // The module the images come from; 0 is the program's own, the only one
  // with resources.
  uintptr_t ResHandle() const { return res_handle_; }
  void SetResHandle(uintptr_t Value);

  bool MouseOn() const { return mouse_on_; }
  bool Pressed() const { return pressed_; }
  bool MaskedDraw() const { return masked_; }
  // The repeat timer while the left button is held (null otherwise).
  classlib::TTimer* RepeatTimer() const { return repeat_.get(); }

  classlib::TNotifyEvent OnMouseEnter;
  classlib::TNotifyEvent OnMouseExit;
  classlib::TNotifyEvent OnMouseContinuouslyDown;

  void Click() override;

  // IsuiStyled
  uint8_t SuiStyleRows() const override { return srStyleUnlessCustom; }
  TsuiUIStyle SuiUIStyle() const override { return ui_style_; }
  void SuiSetUIStyle(TsuiUIStyle Value) override { SetUIStyle(Value); }

 protected:
  // Hooks of the family, in the order the painting and events use them.
  virtual void AutoSizeToImage();
  virtual void CaptionChanged();
  virtual void FontChangedHook();
  virtual void UpdateMaskedDraw();
  virtual void EnabledChangedHook();
  virtual void StyleChanged();
  virtual void DrawBackgroundImage(classlib::TCanvas* ACanvas, classlib::TBitmap* Image);
  virtual void DrawCaption(classlib::TCanvas* ACanvas, const std::string& Text);
  virtual void DrawFocusIndicator(classlib::TCanvas* ACanvas);
  virtual bool LoadNormalImage(classlib::TBitmap* Image);
  virtual bool LoadMouseOnImage(classlib::TBitmap* Image);
  virtual bool LoadMouseDownImage(classlib::TBitmap* Image);
  virtual bool LoadDisabledImage(classlib::TBitmap* Image);
  virtual void SetStyleResNames(TsuiUIStyle Style);
  // Whether DrawCaption has something to draw when the caption is blank.
  virtual bool DrawsWithoutCaption() { return false; }

  // Loads the named bitmap resource of the module; false (Image untouched)
  // for an empty or unknown name or another module.
  bool LoadResBitmap(classlib::TBitmap* Image, const std::string& Name) const;

  void Paint() override;
  void MouseDown(classlib::TMouseButton Button, classlib::TShiftState Shift, int X, int Y) override;
  void MouseUp(classlib::TMouseButton Button, classlib::TShiftState Shift, int X, int Y) override;
  void MouseMove(classlib::TShiftState Shift, int X, int Y) override;
  void MouseEnter() override;
  void MouseLeave() override;
  void KeyDown(uint16_t& Key, classlib::TShiftState Shift) override;
  void KeyUp(uint16_t& Key, classlib::TShiftState Shift) override;
  void CMDialogKey(classlib::TMessage& Message) override;
  void Dispatch(classlib::TMessage& Message) override;
  void CMTextChanged(classlib::TMessage& Message) override;
  void CMFontChanged(classlib::TMessage& Message) override;
  void CMEnabledChanged(classlib::TMessage& Message) override;
  void WMEraseBkgnd(classlib::TMessage& Message) override;
  void DoEnter() override;
  void DoExit() override;

  void StopRepeat();

  std::string res_names_[3];
  bool masked_ = false;
  TsuiUIStyle ui_style_ = TsuiUIStyle::Custom;

 private:
  bool auto_size_ = false;
  bool cancel_ = false;
  bool default_ = false;
  bool transparent_ = false;
  int modal_result_ = 0;
  int repeat_interval_ = 100;
  uintptr_t res_handle_ = 0;
  bool mouse_on_ = false;
  bool pressed_ = false;
  std::unique_ptr<classlib::TTimer> repeat_;
};

enum TButtonLayout : uint8_t { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

class TsuiButton : public TsuiCustomButton {
 public:
  explicit TsuiButton(classlib::TComponent* AOwner);
  std::string ClassName() const override { return "TsuiButton"; }

  classlib::TBitmap* Glyph() { return &glyph_; }
  void SetGlyph(classlib::TBitmap* Value);
  TButtonLayout Layout() const { return layout_; }
  void SetLayout(TButtonLayout Value);
  int Spacing() const { return spacing_; }
  void SetSpacing(int Value);
  // A glyph from an action's image list, used while Glyph is empty.
  void SetActionGlyph(classlib::TBitmap* Value);

  std::string PicNormalResName() const override;
  std::string PicMouseOnResName() const override;
  std::string PicMouseDownResName() const override;
  void SetPicNormalResName(const std::string& Value) override;
  void SetPicMouseOnResName(const std::string& Value) override;
  void SetPicMouseDownResName(const std::string& Value) override;

  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;

  // Where the glyph and the caption go (before the pressed offset).
  void GlyphLayout(int TextWidth, int TextHeight, classlib::TPoint& GlyphPos,
                   classlib::TPoint& TextPos) const;

 protected:
  void StyleChanged() override;
  void SetStyleResNames(TsuiUIStyle Style) override;
  void DrawBackgroundImage(classlib::TCanvas* ACanvas, classlib::TBitmap* Image) override;
  void DrawCaption(classlib::TCanvas* ACanvas, const std::string& Text) override;
  void DrawFocusIndicator(classlib::TCanvas* ACanvas) override;
  bool DrawsWithoutCaption() override { return ShownGlyph() != nullptr; }

 private:
  classlib::TBitmap* ShownGlyph();
  int GlyphWidth();
  classlib::TBitmap glyph_;
  classlib::TBitmap action_glyph_;
  TButtonLayout layout_ = blGlyphLeft;
  int spacing_ = 4;
};

class TsuiImageButton : public TsuiCustomButton {
 public:
  explicit TsuiImageButton(classlib::TComponent* AOwner);
  std::string ClassName() const override { return "TsuiImageButton"; }

  classlib::TPicture* PicNormal() { return &pics_[0]; }
  classlib::TPicture* PicMouseOn() { return &pics_[1]; }
  classlib::TPicture* PicMouseDown() { return &pics_[2]; }
  classlib::TPicture* PicDisabled() { return &pics_[3]; }
  bool Stretch() const { return stretch_; }
  void SetStretch(bool Value);

 protected:
  void AutoSizeToImage() override;
  void Paint() override;

 private:
  classlib::TPicture pics_[4];
  bool stretch_ = false;
};

// A caption beside a two-state image.
class TsuiCustomButtonEx : public TsuiCustomButton {
 public:
  explicit TsuiCustomButtonEx(classlib::TComponent* AOwner);
  std::string ClassName() const override { return "TsuiCustomButtonEx"; }

  bool Checked() const { return checked_; }
  void SetChecked(bool Value);
  void Click() override;

 protected:
  virtual void Toggle() = 0;
  virtual void AfterCheckedChange();
  virtual int ImageWidth() const;
  virtual int ImageHeight() const;
  classlib::TSize ImageSize() const;
  // The style's entries for the normal, mouse-on, mouse-down and disabled
  // images, checked first; false when the class has none.
  virtual bool StateEntries(int (&)[8]) const { return false; }

  void AutoSizeToImage() override;
  void StyleChanged() override;
  void SetStyleResNames(TsuiUIStyle Style) override;
  void EnabledChangedHook() override;
  void DrawBackgroundImage(classlib::TCanvas* ACanvas, classlib::TBitmap* Image) override;
  void DrawCaption(classlib::TCanvas* ACanvas, const std::string& Text) override;
  void DrawFocusIndicator(classlib::TCanvas* ACanvas) override;
  void Resize() override;
  classlib::TRect CaptionRect();

  bool checked_ = false;
};

class TsuiCheckBox : public TsuiCustomButtonEx {
 public:
  explicit TsuiCheckBox(classlib::TComponent* AOwner);
  std::string ClassName() const override { return "TsuiCheckBox"; }

 protected:
  void Toggle() override;
  virtual void AfterToggle() {}
  void UpdateMaskedDraw() override { masked_ = false; }
  bool StateEntries(int (&Entries)[8]) const override;
};

class TsuiRadioButton : public TsuiCustomButtonEx {
 public:
  explicit TsuiRadioButton(classlib::TComponent* AOwner);
  std::string ClassName() const override { return "TsuiRadioButton"; }
  int GroupIndex() const { return group_index_; }
  void SetGroupIndex(int Value) { group_index_ = Value; }

 protected:
  void Toggle() override;
  void AfterCheckedChange() override;
  void UpdateMaskedDraw() override { masked_ = true; }
  bool StateEntries(int (&Entries)[8]) const override;

 private:
  int group_index_ = 0;
};

}  // namespace controls
