// Skinned menus: TsuiPopupMenu and TsuiMainMenu draw every item themselves in
// the colours, heights and side-bar width of a UI style. A main menu on a
// form with a skinned frame hands its top-level items to the frame's menu bar.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "controls/sui_themes.h"
#include "platform/classlib/geometry.h"
#include "platform/classlib/menus.h"

namespace classlib {
class TCanvas;
class TImageList;
}  // namespace classlib

namespace controls {

// The look shared by both skinned menus, and their measure and draw handlers.
class TsuiMenuLook {
 public:
  virtual ~TsuiMenuLook() = default;

  TsuiUIStyle UIStyle() const { return ui_style_; }
  void SetUIStyle(TsuiUIStyle Value);
  int MenuItemHeight() const { return menu_item_height_; }
  void SetMenuItemHeight(int Value);  // ignored under MacOS
  int SeparatorHeight() const { return separator_height_; }
  void SetSeparatorHeight(int Value);  // ignored under MacOS
  int BarWidth() const { return bar_width_; }
  void SetBarWidth(int Value) { bar_width_ = Value; }
  classlib::TColor BarColor() const { return bar_color_; }
  void SetBarColor(classlib::TColor Value) { bar_color_ = Value; }
  classlib::TColor Color() const { return color_; }
  void SetColor(classlib::TColor Value) { color_ = Value; }
  classlib::TColor SeparatorColor() const { return separator_color_; }
  void SetSeparatorColor(classlib::TColor Value) { separator_color_ = Value; }
  classlib::TColor SelectedBorderColor() const { return selected_border_color_; }
  void SetSelectedBorderColor(classlib::TColor Value) { selected_border_color_ = Value; }
  classlib::TColor SelectedColor() const { return selected_color_; }
  void SetSelectedColor(classlib::TColor Value) { selected_color_ = Value; }
  classlib::TColor SelectedFontColor() const { return selected_font_color_; }
  void SetSelectedFontColor(classlib::TColor Value) { selected_font_color_ = Value; }
  classlib::TColor FontColor() const { return font_color_; }
  void SetFontColor(classlib::TColor Value) { font_color_ = Value; }
  classlib::TColor BorderColor() const { return border_color_; }
  void SetBorderColor(classlib::TColor Value) { border_color_ = Value; }
  bool FlatMenu() const { return flat_menu_; }
  void SetFlatMenu(bool Value) { flat_menu_ = Value; }
  const std::string& FontName() const { return font_name_; }
  void SetFontName(const std::string& Value) { font_name_ = Value; }
  int FontSize() const { return font_size_; }
  void SetFontSize(int Value) { font_size_ = Value; }
  uint8_t FontCharset() const { return font_charset_; }
  void SetFontCharset(uint8_t Value) { font_charset_ = Value; }
  bool UseSystemFont() const { return use_system_font_; }
  virtual void SetUseSystemFont(bool Value) { use_system_font_ = Value; }

  // Points the measure and draw events of Item and all its sub-items, depth
  // first, at this menu's handlers.
  void HookMenuItemDrawing(classlib::TMenuItem* Item);
  void MeasureItem(classlib::TMenuItem* Item, classlib::TCanvas* ACanvas, int& Height, int& Width);
  void DrawItem(classlib::TMenuItem* Item, classlib::TCanvas* ACanvas, const classlib::TRect& ARect,
                bool Selected);
  // The flat border of a menu window (Window in the window's coordinates):
  // BorderColor outside, white inside, and the style's edge colour along
  // the bottom, right and top edges.
  void DrawFlatBorder(classlib::TCanvas* ACanvas, const classlib::TRect& Window) const;

 protected:
  // The menu the look belongs to (its images, its default item).
  virtual classlib::TMenu* LookMenu() = 0;
  // The list holding the tick of checked items (image 0).
  virtual classlib::TImageList* TickImages() = 0;

 private:
  TsuiUIStyle ui_style_ = TsuiUIStyle::Custom;
  int menu_item_height_ = 21;
  int separator_height_ = 21;
  int bar_width_ = 0;
  classlib::TColor bar_color_ = classlib::clBtnFace;
  classlib::TColor color_ = classlib::clWhite;
  classlib::TColor separator_color_ = 0x00808080;
  classlib::TColor selected_border_color_ = classlib::clHighlight;
  classlib::TColor selected_color_ = classlib::clHighlight;
  classlib::TColor selected_font_color_ = classlib::clWhite;
  classlib::TColor font_color_ = classlib::clWhite;
  classlib::TColor border_color_ = classlib::clBlack;
  bool flat_menu_ = false;
  std::string font_name_ = "MS Sans Serif";
  int font_size_ = 8;
  uint8_t font_charset_ = 1;
  bool use_system_font_ = true;
};

// Loads "MENU_CHECKED" into a new list as a masked image with white
// transparent; an empty list when the resource is missing.
std::unique_ptr<classlib::TImageList> MakeMenuTickImages();

class TsuiPopupMenu : public classlib::TPopupMenu, public TsuiMenuLook {
 public:
  explicit TsuiPopupMenu(classlib::TComponent* AOwner);
  std::string ClassName() const override { return "TsuiPopupMenu"; }
  // Owner drawing stays on.
  void SetOwnerDraw(bool) override {}
  bool DrawsFrame() const override { return FlatMenu(); }
  void DrawFrame(classlib::TCanvas* Canvas, const classlib::TRect& Window) override {
    DrawFlatBorder(Canvas, Window);
  }

 protected:
  void Loaded() override;
  classlib::TMenu* LookMenu() override { return this; }
  classlib::TImageList* TickImages() override;
};

class TsuiMainMenu : public classlib::TMainMenu, public TsuiMenuLook {
 public:
  explicit TsuiMainMenu(classlib::TComponent* AOwner);
  ~TsuiMainMenu() override;
  std::string ClassName() const override { return "TsuiMainMenu"; }
  void SetOwnerDraw(bool) override {}
  // Null while the menu uses its private tick list; null puts it back.
  classlib::TImageList* Images() const;
  void SetImages(classlib::TImageList* Value) override;
  void SetUseSystemFont(bool Value) override;
  void MenuChanged(classlib::TMenuItem* Item) override;
  bool DrawsFrame() const override { return FlatMenu(); }
  void DrawFrame(classlib::TCanvas* Canvas, const classlib::TRect& Window) override {
    DrawFlatBorder(Canvas, Window);
  }

 protected:
  void Loaded() override;
  classlib::TMenu* LookMenu() override { return this; }
  classlib::TImageList* TickImages() override { return ticks_.get(); }

 private:
  IsuiFormFrame* Frame() const;
  std::unique_ptr<classlib::TImageList> ticks_;
  classlib::TWinControl* form_owner_ = nullptr;
};

}  // namespace controls
