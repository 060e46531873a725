// The skinned edit: an edit whose own border gives way to a flat two-colour
// frame in the form's border colour.
#pragma once

#include <string>

#include "controls/sui_themes.h"
#include "platform/classlib/std_controls.h"

namespace controls {

class TsuiEdit : public classlib::TEdit, public IsuiStyled {
 public:
  explicit TsuiEdit(classlib::TComponent* AOwner);
  std::string ClassName() const override { return "TsuiEdit"; }
  classlib::TColor BorderColor() const { return border_color_; }
  void SetBorderColor(classlib::TColor Value);

  uint8_t SuiStyleRows() const override { return srBorderColor; }
  void SuiSetBorderColor(classlib::TColor Value) override { SetBorderColor(Value); }

 private:
  classlib::TColor border_color_ = classlib::clBlack;
};

}  // namespace controls
