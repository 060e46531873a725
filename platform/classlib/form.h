// TForm: a top-level window. Shows modelessly or modally (ShowModal runs a
// nested message loop until ModalResult is set or the form closes), asks
// OnCloseQuery before closing, and tells OnClose what to do with itself.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/classlib/control.h"

namespace classlib {

class TMainMenu;

using TModalResult = int;
enum : int {
  mrNone = 0,
  mrOk = 1,
  mrCancel = 2,
  mrAbort = 3,
  mrRetry = 4,
  mrIgnore = 5,
  mrYes = 6,
  mrNo = 7,
  mrAll = 8,
  mrNoToAll = 9,
  mrYesToAll = 10,
};

enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using enum TFormBorderStyle;

enum TBorderIcon : uint8_t { biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8 };
using TBorderIcons = uint8_t;

enum class TPosition {
  poDesigned,
  poDefault,
  poDefaultPosOnly,
  poDefaultSizeOnly,
  poScreenCenter,
  poDesktopCenter,
  poMainFormCenter,
  poOwnerFormCenter,
};
using enum TPosition;

enum class TWindowState { wsNormal, wsMinimized, wsMaximized };
using enum TWindowState;

enum class TCloseAction { caNone, caHide, caFree, caMinimize };
using enum TCloseAction;

enum class TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
using enum TFormStyle;

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

class TForm : public TWinControl {
 public:
  explicit TForm(TComponent* AOwner);
  ~TForm() override;
  std::string ClassName() const override { return "TForm"; }

  // Runs OnCreate (TApplication::CreateForm calls it after construction).
  virtual void AfterConstruction();
  // Runs OnDestroy once, before the form's parts are destroyed.
  virtual void BeforeDestruction();

  TFormBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TFormBorderStyle Value);
  TBorderIcons BorderIcons() const { return border_icons_; }
  void SetBorderIcons(TBorderIcons Value);
  TPosition Position() const { return position_; }
  void SetPosition(TPosition Value) { position_ = Value; }
  TWindowState WindowState() const { return window_state_; }
  void SetWindowState(TWindowState Value);
  TFormStyle FormStyle() const { return form_style_; }
  void SetFormStyle(TFormStyle Value);
  bool KeyPreview() const { return key_preview_; }
  void SetKeyPreview(bool Value) { key_preview_ = Value; }
  TMainMenu* Menu() const { return menu_; }
  void SetMenu(TMainMenu* Value);
  bool Active() const;

  TModalResult ModalResult() const { return modal_result_; }
  void SetModalResult(TModalResult Value);
  bool Modal() const { return modal_; }

  void Show();
  void Hide();
  // Shows the form modally and lets messages run until ModalResult becomes
  // non-zero (and closing is allowed) or the form is closed; returns ModalResult.
  TModalResult ShowModal();
  // Asks OnCloseQuery, then runs OnClose and hides (or frees) the form. A
  // modal form only sets ModalResult to mrCancel. Closing the main form
  // ends the application.
  void Close();
  // True when OnCloseQuery (when assigned) allows closing.
  virtual bool CloseQuery();
  // Destroys the form once the current message has been handled.
  void Release();
  // Places the form over Opener: left := opener left + (opener width - width) div 2, top likewise.
  void CenterOn(const TControl* Opener);
  void BringToFront();

  TRect ClientRect() const override;
  TPoint ClientOrigin() const override;
  bool Showing() const override;

  TNotifyEvent OnCreate;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;

  // The native side reports activation and the menu bar's height here.
  void Activated(bool Active);
  void MenuChanged();

 protected:
  virtual void DoCreate();
  virtual void DoDestroy();
  virtual void DoShow();
  virtual void DoHide();
  virtual void DoClose(TCloseAction& Action);
  void VisibleChanged() override;
  void CreateWnd() override;
  void WidgetCreated() override;
  void BoundsChanged(bool Moved, bool Resized) override;
  void StoreText(const std::string& Value) override;
  void WMClose(TMessage& Message) override;
  void CMDialogKey(TMessage& Message) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  void ApplyWindowFlags();
  bool FixedSize() const;
  void PlaceOnShow();
  int MenuHeight() const;
  void LayoutFrame();

  TFormBorderStyle border_style_ = bsSizeable;
  TBorderIcons border_icons_ = biSystemMenu | biMinimize | biMaximize;
  TPosition position_ = poDesigned;
  TWindowState window_state_ = wsNormal;
  TFormStyle form_style_ = fsNormal;
  bool key_preview_ = false;
  TMainMenu* menu_ = nullptr;
  TModalResult modal_result_ = mrNone;
  bool modal_ = false;
  bool created_ = false;
  bool destroyed_ = false;
  bool placed_ = false;
  bool closing_ = false;
};

}  // namespace classlib
