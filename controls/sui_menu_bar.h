// The menu bar of the skinned form frame: a flat bar without edges showing
// one captioned button per top-level item of a main menu; a click drops the
// item's submenu down below its button.
#pragma once

#include <string>
#include <vector>

#include "platform/classlib/std_controls.h"

namespace classlib {
class TMenu;
class TMenuItem;
}  // namespace classlib

namespace controls {

class TsuiMenuBar : public classlib::TCustomControl {
 public:
  explicit TsuiMenuBar(classlib::TComponent* AOwner);
  std::string ClassName() const override { return "TsuiMenuBar"; }

  // One button per visible top-level item of Menu (null: none).
  void SetMenu(classlib::TMenu* Menu);
  classlib::TMenu* Menu() const { return menu_; }
  // Takes the items' captions and enabled states again.
  void Refresh();
  int ButtonHeight() const { return button_height_; }
  void SetButtonHeight(int Value);

  struct Button {
    classlib::TMenuItem* Item = nullptr;
    std::string Caption;  // without the access-key marks
    bool Enabled = true;
    classlib::TRect Rect;
  };
  const std::vector<Button>& Buttons() const { return buttons_; }
  // The button under (X, Y), -1 for none.
  int ButtonAt(int X, int Y) const;
  int HotButton() const { return hot_; }

 protected:
  void Paint() override;
  void MouseMove(classlib::TShiftState Shift, int X, int Y) override;
  void MouseLeave() override;
  void MouseDown(classlib::TMouseButton Button, classlib::TShiftState Shift, int X, int Y) override;

 private:
  void Layout();
  classlib::TMenu* menu_ = nullptr;
  std::vector<Button> buttons_;
  int button_height_ = 22;
  int hot_ = -1;
  int down_ = -1;
};

}  // namespace controls
