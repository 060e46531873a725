// Hint windows: THintWindow, a frameless top-level tool-tip window that never
// takes the focus, and the application's hint of the control under the
// pointer. Before a control's hint shows, the control receives CM_HINTSHOW
// with a THintInfo it may change; a nonzero Result refuses the hint.
#pragma once

#include <string>

#include "platform/classlib/control.h"

namespace classlib {

// What CM_HINTSHOW carries (LParam points at it).
struct THintInfo {
  TControl* HintControl = nullptr;
  TPoint HintPos;        // screen position of the window's top-left corner
  int HintMaxWidth = 0;  // the text wraps at this width
  TColor HintColor = clInfoBk;
  TPoint CursorPos;  // the pointer, in HintControl's client coordinates
  std::string HintStr;
};

class THintWindow : public TCustomControl {
 public:
  explicit THintWindow(TComponent* AOwner);
  ~THintWindow() override;
  std::string ClassName() const override { return "THintWindow"; }

  // Shows Hint in the screen rectangle Rect (without taking the focus). The
  // background colour is the window's Color at this moment: a colour set
  // while the hint shows is used from the next hint on.
  virtual void ActivateHint(const TRect& Rect, const std::string& Hint);
  // The rectangle (at 0, 0) the text needs when it wraps at MaxWidth: the
  // text's box, 6 pixels wider and 2 higher.
  virtual TRect CalcHintRect(int MaxWidth, const std::string& Hint);
  // Hides the window and drops its native window.
  void ReleaseHandle();
  // True while the window is on screen.
  bool Active() const { return active_; }
  // The colour the open hint is painted in.
  TColor ShownColor() const { return shown_color_; }

 protected:
  void CreateWnd() override;
  void Paint() override;

 private:
  bool active_ = false;
  TColor shown_color_ = clInfoBk;
};

// Shows the hint of Control for the pointer at CursorPos (Control's client
// coordinates) after asking Control through CM_HINTSHOW. False when there is
// no hint to show (hints off, empty text, or refused).
bool ShowControlHint(TControl* Control, const TPoint& CursorPos);
// The application's hint window (nullptr before the first hint).
THintWindow* ApplicationHintWindow();

}  // namespace classlib
