// A thin check list box: a list box whose items each carry a check box
// (unchecked, checked or, with AllowGrayed, grayed) that the user toggles
// with a click on the box or the Space key.
#pragma once

#include <string>

#include "platform/classlib/list_box.h"
#include "platform/classlib/std_controls.h"

namespace classlib {

class TCheckListBox : public TListBox {
 public:
  explicit TCheckListBox(TComponent* AOwner);
  std::string ClassName() const override { return "TCheckListBox"; }

  // Out-of-range indexes raise EStringListError, as the items do.
  bool Checked(int Index) const { return State(Index) == cbChecked; }
  void SetChecked(int Index, bool Value) { SetState(Index, Value ? cbChecked : cbUnchecked); }
  TCheckBoxState State(int Index) const;
  void SetState(int Index, TCheckBoxState Value);
  // With AllowGrayed a user toggle runs unchecked, checked, grayed.
  bool AllowGrayed() const { return allow_grayed_; }
  void SetAllowGrayed(bool Value);
  // Raised after the user (not code) changed an item's check box.
  TNotifyEvent OnClickCheck;

  void ItemInserted(int Index) override;

 private:
  bool allow_grayed_ = false;
  bool setting_ = false;
};

}  // namespace classlib
