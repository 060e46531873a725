// The skinned title bar: a strip drawn from style pictures (left, client and
// right sections), the window buttons placed from the right and the control
// box on the left, the caption between them; it moves its form when dragged
// and runs each button's action when clicked.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/sui_themes.h"
#include "platform/classlib/bitmap.h"
#include "platform/classlib/std_controls.h"

namespace classlib {
class TForm;
class TPopupMenu;
}  // namespace classlib

namespace controls {

enum class TsuiTitleBarAlign { suiLeft, suiRight, suiClient };
enum class TsuiTitleBarBtnType { suiMax, suiMin, suiClose, suiHelp, suiControlBox, suiCustom };
using enum TsuiTitleBarBtnType;

class TsuiTitleBar;

class TsuiTitleBarSection {
 public:
  explicit TsuiTitleBarSection(TsuiTitleBar* Bar) : bar_(Bar) {}
  int Width() const { return width_; }
  void SetWidth(int Value);
  TsuiTitleBarAlign Align() const { return align_; }
  // A second client section is refused with a message box.
  void SetAlign(TsuiTitleBarAlign Value);
  classlib::TBitmap* Picture() { return &picture_; }
  // Takes the picture (and its width when AutoSize is on).
  void SetPicture(classlib::TBitmap* Value);
  // The client section is always stretched.
  bool Stretch() const { return stretch_ || align_ == TsuiTitleBarAlign::suiClient; }
  void SetStretch(bool Value);
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool Value);

 private:
  TsuiTitleBar* bar_;
  int width_ = 10;
  TsuiTitleBarAlign align_ = TsuiTitleBarAlign::suiLeft;
  classlib::TBitmap picture_;
  bool stretch_ = false;
  bool auto_size_ = false;
};

class TsuiTitleBarButton {
 public:
  explicit TsuiTitleBarButton(TsuiTitleBar* Bar) : bar_(Bar) {}
  TsuiTitleBarBtnType ButtonType() const { return type_; }
  // A second control box is refused with a message box.
  void SetButtonType(TsuiTitleBarBtnType Value);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool Value);
  int Top() const { return top_; }
  void SetTop(int Value);
  TsuiUIStyle UIStyle() const { return ui_style_; }
  // Takes the style's pictures for the button's kind (a custom button keeps
  // its own); a maximise button shows the restore pictures while its form is
  // maximised.
  void SetUIStyle(TsuiUIStyle Value);
  classlib::TPopupMenu* ControlBoxMenu() const { return control_box_menu_; }
  void SetControlBoxMenu(classlib::TPopupMenu* Value) { control_box_menu_ = Value; }
  classlib::TBitmap* PicNormal() { return &pic_normal_; }
  classlib::TBitmap* PicMouseOn() { return &pic_mouse_on_; }
  classlib::TBitmap* PicMouseDown() { return &pic_mouse_down_; }

 private:
  TsuiTitleBar* bar_;
  TsuiTitleBarBtnType type_ = suiCustom;
  bool transparent_ = false;
  int top_ = 2;
  TsuiUIStyle ui_style_ = TsuiUIStyle::DeepBlue;
  classlib::TPopupMenu* control_box_menu_ = nullptr;
  classlib::TBitmap pic_normal_, pic_mouse_on_, pic_mouse_down_;
};

using TsuiTitleBarButtonClickEvent =
    std::function<void(classlib::TObject* Sender, int ButtonIndex)>;

class TsuiTitleBar : public classlib::TPanel, public IsuiStyled {
 public:
  explicit TsuiTitleBar(classlib::TComponent* AOwner);
  ~TsuiTitleBar() override;
  std::string ClassName() const override { return "TsuiTitleBar"; }

  int SectionCount() const { return static_cast<int>(sections_.size()); }
  TsuiTitleBarSection* Sections(int Index) const { return sections_.at(Index).get(); }
  TsuiTitleBarSection* AddSection();
  void ClearSections();
  int ButtonCount() const { return static_cast<int>(buttons_.size()); }
  TsuiTitleBarButton* Buttons(int Index) const { return buttons_.at(Index).get(); }
  TsuiTitleBarButton* AddButton();
  void DeleteButton(int Index);

  TsuiUIStyle UIStyle() const { return ui_style_; }
  void SetUIStyle(TsuiUIStyle Value);
  // Height follows the first section's picture (false without sections).
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool Value);
  int ButtonInterval() const { return button_interval_; }
  void SetButtonInterval(int Value);
  const std::string& TitleCaption() const { return caption_; }
  void SetTitleCaption(const std::string& Value);
  bool FormActive() const { return form_active_; }
  void SetFormActive(bool Value);
  int LeftBtnXOffset() const { return left_offset_; }
  void SetLeftBtnXOffset(int Value);
  int RightBtnXOffset() const { return right_offset_; }
  void SetRightBtnXOffset(int Value);
  bool DrawAppIcon() const { return draw_app_icon_; }
  void SetDrawAppIcon(bool Value);
  // Radius of the rounded top corners of the window the bar sits on.
  int RegionRadius() const { return radius_; }

  // The form the bar belongs to (its nearest form ancestor).
  classlib::TForm* ParentForm() const;
  bool FormMaximized() const;

  // Where each button is drawn (left-top corner, picture size), in the order
  // of Buttons; a button that is not placed has an empty rectangle.
  std::vector<classlib::TRect> ButtonRects();
  // The left end of the caption and the caption as it is drawn.
  int CaptionLeft();
  std::string CaptionShown();
  // The button under (X, Y), -1 for none.
  int ButtonAt(int X, int Y);
  // Runs a button's action: maximise / restore, minimise, close, the control
  // box menu; custom and help buttons only fire their events.
  void PerformAction(int Index);

  TsuiTitleBarButtonClickEvent OnCustomBtnsClick;
  TsuiTitleBarButtonClickEvent OnHelpBtnClick;
  // Asked to start the window move instead of the system (the frame sets it).
  std::function<void()> OnStartMove;
  // Asked to maximise or restore instead of the form's window state.
  std::function<void()> OnToggleMaximized;

  uint8_t SuiStyleRows() const override { return 0; }
  TsuiUIStyle SuiUIStyle() const override { return ui_style_; }
  void SuiSetUIStyle(TsuiUIStyle Value) override { SetUIStyle(Value); }

  // Refuses a second client section / control box (message box, false).
  bool AllowClientSection(const TsuiTitleBarSection* Except);
  bool AllowControlBox(const TsuiTitleBarButton* Except);
  void Changed();

 protected:
  void Paint() override;
  void MouseDown(classlib::TMouseButton Button, classlib::TShiftState Shift, int X, int Y) override;
  void MouseMove(classlib::TShiftState Shift, int X, int Y) override;
  void MouseUp(classlib::TMouseButton Button, classlib::TShiftState Shift, int X, int Y) override;
  void MouseLeave() override;
  void DblClick() override;

 private:
  struct Layout {
    std::vector<classlib::TRect> buttons;
    int caption_left = 0;
    int caption_right = 0;
  };
  Layout Compute();
  // (X, Y) of the bar in coordinates of the form the frame parent skins.
  classlib::TPoint FramePoint(int X, int Y) const;
  void ApplyAutoSize();
  std::vector<std::unique_ptr<TsuiTitleBarSection>> sections_;
  std::vector<std::unique_ptr<TsuiTitleBarButton>> buttons_;
  TsuiUIStyle ui_style_ = TsuiUIStyle::DeepBlue;
  bool auto_size_ = false;
  int button_interval_ = 0;
  std::string caption_;
  bool form_active_ = true;
  int left_offset_ = 0;
  int right_offset_ = 0;
  bool draw_app_icon_ = false;
  int radius_ = 0;
  int hovered_ = -1;
  bool pressed_ = false;
  classlib::TPoint mouse_{-1, -1};
};

}  // namespace controls
