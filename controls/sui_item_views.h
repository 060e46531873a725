// Skinned item views: the check list box, list view and tree view of the class
// library with a flat two-colour frame in the form's border colour in place of
// their own border.
#pragma once

#include <string>

#include "controls/sui_themes.h"
#include "platform/classlib/check_list_box.h"
#include "platform/classlib/item_views.h"

namespace controls {

// A native control whose own border gives way to the flat frame: BorderColor
// outside, the control's colour inside.
template <class Base>
class TsuiFramed : public Base, public IsuiStyled {
 public:
  explicit TsuiFramed(classlib::TComponent* AOwner);
  classlib::TColor BorderColor() const { return border_color_; }
  void SetBorderColor(classlib::TColor Value);

  uint8_t SuiStyleRows() const override { return srBorderColor; }
  void SuiSetBorderColor(classlib::TColor Value) override { SetBorderColor(Value); }

 private:
  classlib::TColor border_color_ = classlib::clBlack;
};

class TsuiListView : public TsuiFramed<classlib::TListView> {
 public:
  explicit TsuiListView(classlib::TComponent* AOwner) : TsuiFramed(AOwner) {}
  std::string ClassName() const override { return "TsuiListView"; }
};

class TsuiTreeView : public TsuiFramed<classlib::TTreeView> {
 public:
  explicit TsuiTreeView(classlib::TComponent* AOwner) : TsuiFramed(AOwner) {}
  std::string ClassName() const override { return "TsuiTreeView"; }
};

// The check list box keeps a one-pixel single border whatever is asked:
// BorderStyle reads single, BorderWidth reads 1, and writes change neither.
class TsuiCheckListBox : public TsuiFramed<classlib::TCheckListBox> {
 public:
  explicit TsuiCheckListBox(classlib::TComponent* AOwner) : TsuiFramed(AOwner) {}
  std::string ClassName() const override { return "TsuiCheckListBox"; }
  classlib::TBorderStyle BorderStyle() const { return classlib::bsSingle; }
  void SetBorderStyle(classlib::TBorderStyle) {}
  int BorderWidth() const { return 1; }
  void SetBorderWidth(int) {}
};

extern template class TsuiFramed<classlib::TListView>;
extern template class TsuiFramed<classlib::TTreeView>;
extern template class TsuiFramed<classlib::TCheckListBox>;

}  // namespace controls
