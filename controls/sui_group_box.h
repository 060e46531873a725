// The skinned group box (a frame line broken by its caption over an image
// panel) and the check group (a group box laying out one check box per item
// in columns).
#pragma once

#include <string>
#include <vector>

#include "controls/sui_button.h"
#include "controls/sui_image_panel.h"
#include "platform/classlib/string_list.h"

namespace controls {

class TsuiCustomGroupBox : public TsuiCustomPanel {
 public:
  explicit TsuiCustomGroupBox(classlib::TComponent* AOwner);
  std::string ClassName() const override { return "TsuiCustomGroupBox"; }

  classlib::TColor BorderColor() const { return border_color_; }
  void SetBorderColor(classlib::TColor Value);
  void SetEnabled(bool Value) override;
  void AdjustClientRect(classlib::TRect& Rect) const override;

  uint8_t SuiStyleRows() const override { return srGroupBox | srContainer; }
  void SuiSetBorderColor(classlib::TColor Value) override { SetBorderColor(Value); }
  void SuiSetFontColor(classlib::TColor Value) override { Font()->SetColor(Value); }
  void SuiSetColor(classlib::TColor Value) override { SetColor(Value); }

 protected:
  void Paint() override;
  void FontChanged() override;
  // The caption's height: where the frame line and the children start.
  int CaptionHeight() const;

 private:
  classlib::TColor border_color_ = classlib::clBlack;
};

class TsuiGroupBox : public TsuiCustomGroupBox {
 public:
  explicit TsuiGroupBox(classlib::TComponent* AOwner) : TsuiCustomGroupBox(AOwner) {}
  std::string ClassName() const override { return "TsuiGroupBox"; }
};

class TsuiCheckGroup : public TsuiCustomGroupBox {
 public:
  explicit TsuiCheckGroup(classlib::TComponent* AOwner);
  ~TsuiCheckGroup() override;
  std::string ClassName() const override { return "TsuiCheckGroup"; }

  TsuiUIStyle UIStyle() const { return ui_style_; }
  void SetUIStyle(TsuiUIStyle Value);
  classlib::TStrings* Items() { return &items_; }
  int Columns() const { return columns_; }
  void SetColumns(int Value);
  int TopMargin() const { return top_margin_; }
  void SetTopMargin(int Value);
  void SetTransparent(bool Value);
  int ButtonCount() const { return static_cast<int>(buttons_.size()); }
  TsuiCheckBox* Buttons(int Index) const { return buttons_.at(static_cast<size_t>(Index)); }
  classlib::TNotifyEvent OnClick;

  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;

  uint8_t SuiStyleRows() const override { return srStyleUnlessCustom | srContainer; }
  TsuiUIStyle SuiUIStyle() const override { return ui_style_; }
  void SuiSetUIStyle(TsuiUIStyle Value) override { SetUIStyle(Value); }

 private:
  void ItemsChanged();
  void ArrangeButtons();
  TsuiUIStyle ui_style_ = TsuiUIStyle::Custom;
  classlib::TStringList items_;
  int columns_ = 1;
  int top_margin_ = 8;
  std::vector<TsuiCheckBox*> buttons_;
};

}  // namespace controls
