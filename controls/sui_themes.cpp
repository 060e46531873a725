#include "controls/sui_themes.h"

#include "platform/classlib/control.h"

namespace controls {

using classlib::TColor;

IsuiFormFrame* FindFormFrame(classlib::TWinControl* Container) {
  if (Container == nullptr) return nullptr;
  for (int i = 0; i < Container->ControlCount(); ++i)
    if (auto* frame = dynamic_cast<IsuiFormFrame*>(Container->Controls(i))) return frame;
  return nullptr;
}

TsuiUIStyle FindFormUIStyle(classlib::TWinControl* Container) {
  IsuiFormFrame* frame = FindFormFrame(Container);
  return frame != nullptr ? frame->FrameUIStyle() : TsuiUIStyle::DeepBlue;
}

TColor FindFormBorderColor(classlib::TWinControl* Container) {
  IsuiFormFrame* frame = FindFormFrame(Container);
  return frame != nullptr ? GetThemeColor(frame->FrameUIStyle(), 8) : 0;
}

TColor FindFormColor(classlib::TWinControl* Container) {
  IsuiFormFrame* frame = FindFormFrame(Container);
  return frame != nullptr ? frame->FrameColor() : classlib::clBtnFace;
}

void ApplyUIStyleToChildren(classlib::TWinControl* Container, TsuiUIStyle Style) {
  if (Container == nullptr) return;
  for (int i = 0; i < Container->ControlCount(); ++i) {
    auto* child = dynamic_cast<IsuiStyled*>(Container->Controls(i));
    if (child == nullptr) continue;
    uint8_t rows = child->SuiStyleRows();
    if ((rows & srStyleUnlessCustom) != 0 && child->SuiUIStyle() != TsuiUIStyle::Custom)
      child->SuiSetUIStyle(Style);
    if ((rows & srBorderColor) != 0) child->SuiSetBorderColor(GetThemeColor(Style, 8));
    if ((rows & srGroupBox) != 0) {
      child->SuiSetBorderColor(GetThemeColor(Style, 8));
      child->SuiSetFontColor(GetThemeColor(Style, 10));
      child->SuiSetColor(GetThemeColor(Style, 9));
    }
    if ((rows & srSideChannel) != 0) {
      child->SuiSetColor(GetThemeColor(Style, 9));
      child->SuiSetSideBarColor(GetThemeColor(Style, 9));
    }
    if ((rows & srStyle) != 0) child->SuiSetUIStyle(Style);
  }
}

void ApplyUIStyleToContainers(classlib::TWinControl* Form, TsuiUIStyle Style) {
  if (Form == nullptr) return;
  for (int i = 0; i < Form->ControlCount(); ++i) {
    auto* child = dynamic_cast<IsuiStyled*>(Form->Controls(i));
    if (child == nullptr || (child->SuiStyleRows() & srContainer) == 0) continue;
    if (auto* container = dynamic_cast<classlib::TWinControl*>(Form->Controls(i)))
      ApplyUIStyleToChildren(container, Style);
  }
}

}  // namespace controls
