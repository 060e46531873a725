// TPageControl and TTabSheet: a row of tabs over a framed area that shows one
// page at a time. Pages are the control's child sheets in creation order; a
// sheet whose tab is hidden keeps its place and its controls but shows no tab.
#pragma once

#include <string>
#include <vector>

#include "platform/classlib/control.h"

namespace classlib {

class TPageControl;

class TTabSheet : public TCustomControl {
 public:
  explicit TTabSheet(TComponent* AOwner);
  ~TTabSheet() override;
  std::string ClassName() const override { return "TTabSheet"; }

  TPageControl* PageControl() const { return page_control_; }
  // Moves the sheet into Value (nullptr takes it out of its page control).
  void SetPageControl(TPageControl* Value);
  // Position among the page control's pages (-1 outside one).
  int PageIndex() const;
  bool TabVisible() const { return tab_visible_; }
  void SetTabVisible(bool Value);

 protected:
  void CMTextChanged(TMessage& Message) override;

 private:
  friend class TPageControl;
  TPageControl* page_control_ = nullptr;
  bool tab_visible_ = true;
};

class TPageControl : public TCustomControl {
 public:
  explicit TPageControl(TComponent* AOwner);
  ~TPageControl() override;
  std::string ClassName() const override { return "TPageControl"; }

  int PageCount() const { return static_cast<int>(pages_.size()); }
  TTabSheet* Pages(int Index) const;
  // The page shown (nullptr when none). Activating a page whose tab is hidden
  // is refused: the page stays as it was.
  TTabSheet* ActivePage() const { return active_; }
  void SetActivePage(TTabSheet* Page);
  int ActivePageIndex() const { return active_ != nullptr ? active_->PageIndex() : -1; }
  void SetActivePageIndex(int Index) { SetActivePage(Pages(Index)); }

  // The tab of Page in client coordinates; empty when its tab is hidden.
  TRect TabRect(int Index);
  // Where the pages lie, in client coordinates.
  TRect DisplayRect();
  // The page whose tab holds the client point, or nullptr.
  TTabSheet* PageAt(int X, int Y);

  // The user chose another page by its tab.
  TNotifyEvent OnChange;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void BoundsChanged(bool Moved, bool Resized) override;
  void FontChanged() override;

 private:
  friend class TTabSheet;
  void InsertPage(TTabSheet* Page);
  void RemovePage(TTabSheet* Page);
  // A tab was hidden or shown, or a caption changed.
  void TabsChanged(TTabSheet* Page);
  void LayoutPages();
  int TabHeight();
  std::vector<TTabSheet*> pages_;
  TTabSheet* active_ = nullptr;
};

}  // namespace classlib
