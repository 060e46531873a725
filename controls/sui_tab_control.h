// The skinned tab control and page control: a strip of tabs drawn from the
// style's tab bitmaps over a bordered body. The page control holds one tab
// sheet per tab and streams the order of its pages by name.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "controls/sui_themes.h"
#include "platform/classlib/std_controls.h"
#include "platform/classlib/stream.h"
#include "platform/classlib/string_list.h"

namespace controls {

class TsuiTab;
class TsuiTabSheet;

// The strip keeps the widths of at most this many tabs for hit-testing.
inline constexpr int kMaxTabs = 64;

class TsuiTabControlTopPanel : public classlib::TCustomControl {
 public:
  TsuiTabControlTopPanel(classlib::TComponent* AOwner, TsuiTab* Tab);
  std::string ClassName() const override { return "TsuiTabControlTopPanel"; }

  classlib::TStringList* Tabs() { return &tabs_; }
  int TabIndex() const { return tab_index_; }
  void SetTabIndex(int Value);
  int LeftMargin() const { return left_margin_; }
  void SetLeftMargin(int Value);
  void SetUIStyle(TsuiUIStyle Value);
  bool TabVisible(int Index) const;
  void SetTabVisible(int Index, bool Value);
  // The width a tab is drawn with (0 when hidden).
  int TabWidth(int Index);
  // The tab under a point of the strip, -1 for none.
  int TabAt(int X, int Y) const;
  int ActiveHeight() const { return active_height_; }

 protected:
  void Paint() override;
  void MouseDown(classlib::TMouseButton Button, classlib::TShiftState Shift, int X, int Y) override;
  void WMEraseBkgnd(classlib::TMessage& Message) override { Message.Result = 1; }

 private:
  TsuiTab* tab_;
  classlib::TStringList tabs_;
  int tab_index_ = 0;
  int left_margin_ = 10;
  TsuiUIStyle ui_style_ = TsuiUIStyle::Custom;
  std::string active_name_, inactive_name_, line_name_;
  int widths_[kMaxTabs];
  bool visible_[kMaxTabs];
  int active_height_ = 0;
};

class TsuiPageControlTopPanel : public TsuiTabControlTopPanel {
 public:
  using TsuiTabControlTopPanel::TsuiTabControlTopPanel;
  std::string ClassName() const override { return "TsuiPageControlTopPanel"; }
};

using TTabActiveEvent = std::function<void(classlib::TObject* Sender, int TabIndex)>;

class TsuiTab : public classlib::TPanel, public IsuiStyled {
 public:
  std::string ClassName() const override { return "TsuiTab"; }

  TsuiUIStyle UIStyle() const { return ui_style_; }
  void SetUIStyle(TsuiUIStyle Value);
  int LeftMargin() const { return strip_->LeftMargin(); }
  void SetLeftMargin(int Value) { strip_->SetLeftMargin(Value); }
  classlib::TColor BorderColor() const { return border_color_; }
  virtual void SetBorderColor(classlib::TColor Value);
  TsuiTabControlTopPanel* Strip() const { return strip_; }
  TTabActiveEvent OnTabActive;

  uint8_t SuiStyleRows() const override { return srContainer; }
  TsuiUIStyle SuiUIStyle() const override { return ui_style_; }
  void SuiSetUIStyle(TsuiUIStyle Value) override { SetUIStyle(Value); }

 protected:
  TsuiTab(classlib::TComponent* AOwner, bool Pages);
  friend class TsuiTabControlTopPanel;
  // The strip's tab index changed (by a click when Clicked).
  virtual void TabActivated(int Index, bool Clicked) = 0;
  void Paint() override;
  void CMCursorChanged(classlib::TMessage& Message) override;

  TsuiTabControlTopPanel* strip_;
  TsuiUIStyle ui_style_ = TsuiUIStyle::Custom;
  classlib::TColor border_color_ = classlib::clBlack;
};

class TsuiTabControl : public TsuiTab {
 public:
  explicit TsuiTabControl(classlib::TComponent* AOwner) : TsuiTab(AOwner, false) {}
  std::string ClassName() const override { return "TsuiTabControl"; }
  classlib::TStringList* Tabs() { return strip_->Tabs(); }
  int TabIndex() const { return strip_->TabIndex(); }
  void SetTabIndex(int Value) { strip_->SetTabIndex(Value); }

 protected:
  void TabActivated(int Index, bool Clicked) override;
};

class TsuiPageControl : public TsuiTab {
 public:
  explicit TsuiPageControl(classlib::TComponent* AOwner) : TsuiTab(AOwner, true) {}
  ~TsuiPageControl() override;
  std::string ClassName() const override { return "TsuiPageControl"; }

  int PageCount() const { return static_cast<int>(pages_.size()); }
  TsuiTabSheet* Pages(int Index) const;
  TsuiTabSheet* ActivePage() const { return active_; }
  void SetActivePage(TsuiTabSheet* Page);
  void SetBorderColor(classlib::TColor Value) override;

  // The "Pages" property: the names of the pages in page order.
  void WritePages(classlib::TStream* Stream) const;
  void ReadPages(classlib::TStream* Stream);

 protected:
  void TabActivated(int Index, bool Clicked) override;
  void ColorChanged() override;
  void Loaded() override;

 private:
  friend class TsuiTabSheet;
  void AddPage(TsuiTabSheet* Page);
  void RemovePage(TsuiTabSheet* Page);
  void MovePage(TsuiTabSheet* Page, int NewIndex);
  void Renumber();
  void RebuildTabs();
  void TabVisibilityChanged(TsuiTabSheet* Page);

  std::vector<TsuiTabSheet*> pages_;
  TsuiTabSheet* active_ = nullptr;
  std::vector<std::string> loaded_order_;
};

class TsuiTabSheet : public classlib::TPanel {
 public:
  explicit TsuiTabSheet(classlib::TComponent* AOwner);
  ~TsuiTabSheet() override;
  std::string ClassName() const override { return "TsuiTabSheet"; }

  TsuiPageControl* PageControl() const { return page_control_; }
  int PageIndex() const { return page_index_; }
  void SetPageIndex(int Value);
  bool TabVisible() const { return tab_visible_; }
  void SetTabVisible(bool Value);
  classlib::TColor BorderColor() const { return border_color_; }
  void SetBorderColor(classlib::TColor Value);
  classlib::TNotifyEvent OnShow;

  void SetParent(classlib::TWinControl* AParent) override;

  // The "PageControl" property: the name of the page control.
  void WritePageControl(classlib::TStream* Stream) const;
  void ReadPageControl(classlib::TStream* Stream);

 protected:
  void Paint() override;
  void CMTextChanged(classlib::TMessage& Message) override;

 private:
  friend class TsuiPageControl;
  TsuiPageControl* page_control_ = nullptr;
  int page_index_ = -1;
  bool tab_visible_ = true;
  classlib::TColor border_color_ = classlib::clBlack;
};

}  // namespace controls
