// Menus: TMenuItem (caption with "&" accelerators, "-" for a separator,
// checked and radio items, item glyph, shortcut, owner drawing, sub-items),
// TMainMenu (a form's menu bar) and TPopupMenu (shown at a screen point, or
// automatically on a right click over a control that names it).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/component.h"
#include "platform/classlib/geometry.h"
#include "platform/classlib/messages.h"

namespace classlib {

class TBitmap;
class TCanvas;
class TMenu;
class TForm;
class TFont;
class TImageList;

using TMenuDrawItemEvent =
    std::function<void(TObject* Sender, TCanvas* ACanvas, const TRect& ARect, bool Selected)>;
using TMenuMeasureItemEvent =
    std::function<void(TObject* Sender, TCanvas* ACanvas, int& Width, int& Height)>;

class TMenuItem : public TComponent {
 public:
  explicit TMenuItem(TComponent* AOwner);
  ~TMenuItem() override;
  std::string ClassName() const override { return "TMenuItem"; }

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& Value);
  // A separator line ("-").
  bool IsLine() const { return caption_ == "-"; }
  bool Checked() const { return checked_; }
  // Checking a radio item unchecks the other radio items of its group
  // (same parent, same GroupIndex).
  void SetChecked(bool Value);
  bool RadioItem() const { return radio_item_; }
  void SetRadioItem(bool Value);
  uint8_t GroupIndex() const { return group_index_; }
  void SetGroupIndex(uint8_t Value);
  bool AutoCheck() const { return auto_check_; }
  void SetAutoCheck(bool Value) { auto_check_ = Value; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool Value);
  bool Visible() const { return visible_; }
  void SetVisible(bool Value);
  bool Default() const { return default_; }
  void SetDefault(bool Value);
  TShortCut ShortCut() const { return short_cut_; }
  void SetShortCut(TShortCut Value);
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& Value) { hint_ = Value; }
  // The item's glyph (created on first use; an empty bitmap shows none).
  TBitmap* Bitmap();
  void SetBitmap(TBitmap* Value);  // copies
  bool HasBitmap() const;
  // Index of the item's image in its menu's Images (-1: none).
  int ImageIndex() const { return image_index_; }
  void SetImageIndex(int Value);

  // Sub-items.
  int Count() const { return static_cast<int>(items_.size()); }
  TMenuItem* Items(int Index) const;  // EListError when out of range
  TMenuItem* operator[](int Index) const { return Items(Index); }
  void Add(TMenuItem* Item);
  void Insert(int Index, TMenuItem* Item);
  // Takes the item out without destroying it.
  void Delete(int Index);
  void Remove(TMenuItem* Item);
  // Destroys every sub-item.
  void Clear();
  int IndexOf(const TMenuItem* Item) const;
  TMenuItem* Find(const std::string& ACaption) const;  // ignores "&"
  TMenuItem* Parent() const { return parent_; }
  int MenuIndex() const { return parent_ != nullptr ? parent_->IndexOf(this) : -1; }
  TMenu* GetParentMenu() const;

  // Checks an auto-check item, then raises OnClick.
  virtual void Click();

  TNotifyEvent OnClick;
  TMenuDrawItemEvent OnDrawItem;
  TMenuMeasureItemEvent OnMeasureItem;

  // Owner drawing, used by the native menu (and callable directly).
  void DrawItem(TCanvas* ACanvas, const TRect& ARect, bool Selected);
  void MeasureItem(TCanvas* ACanvas, int& Width, int& Height);

 protected:
  void Changed();

 private:
  friend class TMenu;
  void TurnSiblingsOff();

  std::string caption_;
  bool checked_ = false;
  bool radio_item_ = false;
  uint8_t group_index_ = 0;
  bool auto_check_ = false;
  bool enabled_ = true;
  bool visible_ = true;
  bool default_ = false;
  TShortCut short_cut_ = 0;
  std::string hint_;
  std::unique_ptr<TBitmap> bitmap_;
  std::vector<TMenuItem*> items_;
  int image_index_ = -1;
  TMenuItem* parent_ = nullptr;
  TMenu* menu_ = nullptr;  // set on the root item only
};

class TMenu : public TComponent {
 public:
  explicit TMenu(TComponent* AOwner);
  ~TMenu() override;
  std::string ClassName() const override { return "TMenu"; }
  TMenuItem* Items() const { return items_; }
  // Items are drawn by their OnDrawItem and measured by OnMeasureItem.
  bool OwnerDraw() const { return owner_draw_; }
  virtual void SetOwnerDraw(bool Value);
  // Images the items name by ImageIndex (not owned; null: none).
  TImageList* Images() const { return images_; }
  virtual void SetImages(TImageList* Value);
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // Finds the item (at any depth) whose shortcut is ShortCut; nullptr if none.
  TMenuItem* FindItemByShortCut(TShortCut ShortCut) const;
  // Runs the click of the enabled item with this shortcut; true when one ran.
  bool IsShortCut(TShortCut ShortCut);

  // Called whenever an item changes.
  virtual void MenuChanged(TMenuItem* Item);

  // A menu that draws its own frame (DrawsFrame true when its windows are
  // built) gets DrawFrame after the items of each of its windows are painted;
  // Window is the window's rectangle in its own coordinates, and only the
  // pixels drawn replace the window's.
  virtual bool DrawsFrame() const { return false; }
  virtual void DrawFrame(TCanvas* /*Canvas*/, const TRect& /*Window*/) {}

 private:
  TMenuItem* items_;
  bool owner_draw_ = false;
  TImageList* images_ = nullptr;
};

class TMainMenu : public TMenu {
 public:
  explicit TMainMenu(TComponent* AOwner) : TMenu(AOwner) {}
  std::string ClassName() const override { return "TMainMenu"; }
  void MenuChanged(TMenuItem* Item) override;

 private:
  friend class TForm;
  TForm* form_ = nullptr;  // the form showing this menu
};

enum class TPopupAlignment { paLeft, paRight, paCenter };

class TPopupMenu : public TMenu {
 public:
  explicit TPopupMenu(TComponent* AOwner) : TMenu(AOwner) {}
  std::string ClassName() const override { return "TPopupMenu"; }
  bool AutoPopup() const { return auto_popup_; }
  void SetAutoPopup(bool Value) { auto_popup_ = Value; }
  TComponent* PopupComponent() const { return popup_component_; }
  void SetPopupComponent(TComponent* Value) { popup_component_ = Value; }
  TPopupAlignment Alignment() const { return alignment_; }
  void SetAlignment(TPopupAlignment Value) { alignment_ = Value; }
  // Raises OnPopup, then shows the menu at screen point (X, Y) until the
  // user picks an item (whose click runs) or dismisses it.
  virtual void Popup(int X, int Y);
  TNotifyEvent OnPopup;

  // Test hook: when set, Popup calls it instead of showing the native menu
  // and clicks the item it returns (nullptr: dismissed).
  static std::function<TMenuItem*(TPopupMenu* Menu, int X, int Y)> PopupHook;

 private:
  bool auto_popup_ = true;
  TComponent* popup_component_ = nullptr;
  TPopupAlignment alignment_ = TPopupAlignment::paLeft;
};

// Shows the items under Item of Owner (a drop-down of a menu bar button) at
// screen point (X, Y) until the user picks one (whose click runs) or
// dismisses it; an item without children is clicked at once.
void PopupMenuItem(TMenu* Owner, TMenuItem* Item, int X, int Y);
// Test hook: when set, PopupMenuItem calls it instead of showing the native
// menu and clicks the item it returns (nullptr: dismissed).
extern std::function<TMenuItem*(TMenuItem* Item, int X, int Y)> MenuItemPopupHook;

// The window system's menu font (Liberation Sans, 11 pixels high, menu-text
// colour), which owner-drawn items are measured with.
void AssignMenuFont(TFont* Font);

// "&File" -> "File"; "&&" stays one "&".
std::string StripHotkey(const std::string& Caption);
// The text of a shortcut ("Ctrl+S", "F5"); "" for none.
std::string ShortCutToText(TShortCut ShortCut);

}  // namespace classlib
