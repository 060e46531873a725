// A thin list box: a column of text items (each may carry an object), one
// selected at a time, with a vertical scroll bar shown when the items do not
// fit. Subclasses hear of every change of the items through ItemsChanged.
#pragma once

#include <memory>
#include <string>

#include "platform/classlib/control.h"
#include "platform/classlib/string_list.h"

namespace classlib {

class TListBox : public TWinControl {
 public:
  explicit TListBox(TComponent* AOwner);
  ~TListBox() override;
  std::string ClassName() const override { return "TListBox"; }
  TStrings* Items() const { return items_.get(); }
  // -1: none selected.
  int ItemIndex() const;
  void SetItemIndex(int Value);
  // Height of one item in pixels.
  int ItemHeight() const;
  void Clear() { items_->Clear(); }
  TNotifyEvent OnClick;

  // Called after an item was added, inserted, deleted or changed, or the
  // items cleared (the list's native notifications).
  virtual void ItemsChanged() {}
  // Called for each new item, before ItemsChanged.
  virtual void ItemInserted(int Index) { (void)Index; }

 protected:
  void CreateWnd() override;
  // The items are laid out again at once for the new size.
  void BoundsChanged(bool Moved, bool Resized) override;
  uint32_t DialogCode() const override { return DLGC_WANTARROWS; }

 private:
  std::unique_ptr<TStrings> items_;
};

}  // namespace classlib
