// TElHintWindow: the pop-up in which the tree shows a row's full caption or
// hint, and the scroll bar its track hint. It is the class library's hint
// window with a font of its own, so it can follow the tree's font and
// colours instead of the application's hint look.
#pragma once

#include <memory>
#include <string>

#include "platform/classlib/hint_window.h"

namespace lumicast {

class TElHintWindow : public classlib::THintWindow {
 public:
  explicit TElHintWindow(classlib::TComponent* AOwner);
  ~TElHintWindow() override;
  std::string ClassName() const override { return "TElHintWindow"; }

  classlib::TFont* Font() const { return font_.get(); }
  // Copies Value's attributes.
  void SetFont(classlib::TFont* Value);

  // The box Text needs when it wraps at MaxWidth, measured in Font.
  classlib::TRect MeasureHint(int MaxWidth, const std::string& Text);

 protected:
  void Paint() override;

 private:
  std::unique_ptr<classlib::TFont> font_;
};

}  // namespace lumicast
