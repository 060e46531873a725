// TApplication, the process's one application object (`Application`), and
// TScreen (`Screen`): the message loop, letting pending messages run, the
// blocking wait for a condition, the exception handler that keeps the loop
// going, the screen cursor and the screen metrics.
#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/component.h"
#include "platform/classlib/geometry.h"
#include "platform/classlib/messages.h"
#include "platform/classlib/object.h"

namespace classlib {

class TForm;

using TExceptionEvent = std::function<void(TObject* Sender, const std::exception& E)>;

class TApplication : public TComponent {
 public:
  TApplication();
  ~TApplication() override;
  std::string ClassName() const override { return "TApplication"; }

  // Creates the toolkit's application object when none exists yet.
  void Initialize();

  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& Value);
  const std::string& HelpFile() const { return help_file_; }
  void SetHelpFile(const std::string& Value) { help_file_ = Value; }
  // Full path of the running program.
  std::string ExeName() const;

  // Creates a form owned by the application and runs its OnCreate. The first
  // form created this way becomes the main form.
  template <typename T, typename... Args>
  T* CreateForm(Args&&... args) {
    T* form = new T(this, std::forward<Args>(args)...);
    FormCreated(form);
    return form;
  }
  TForm* MainForm() const { return main_form_; }

  // Shows the main form and runs the message loop until the main form
  // closes or Terminate is called.
  void Run();
  // Handles the events already pending and returns at once; never sleeps.
  void ProcessMessages();
  // True on the thread that runs the user interface (the one that made the application).
  static bool InUiThread();
  // Lets messages run, blocking between them, until Condition holds (true)
  // or the application is terminated (false). Another thread that changes
  // what Condition reads calls Wake() so the wait looks again.
  bool WaitUntil(const std::function<bool()>& Condition);
  // Thread-safe: wakes a WaitUntil so it tests its condition again.
  void Wake();
  // Blocks until at least one event arrives and handles what is pending.
  void HandleMessage();

  void Terminate();
  bool Terminated() const { return terminated_; }
  void Minimize();
  void Restore();

  // Hands the exception being handled (call inside a catch block) to
  // OnException when assigned, else shows its message through the dialog
  // service. EAbort is silent.
  void HandleException(TObject* Sender);
  void ShowException(const std::exception& E);
  TExceptionEvent OnException;

  // Hint settings (the hint window itself belongs to the controls).
  uint32_t HintColor() const { return hint_color_; }
  void SetHintColor(uint32_t Value) { hint_color_ = Value; }
  int HintPause() const { return hint_pause_; }
  void SetHintPause(int Value) { hint_pause_ = Value; }
  int HintHidePause() const { return hint_hide_pause_; }
  void SetHintHidePause(int Value) { hint_hide_pause_ = Value; }
  bool ShowHint() const { return show_hint_; }
  void SetShowHint(bool Value) { show_hint_ = Value; }
  // Shows the hint of the control under the screen point CursorPos (asked
  // through CM_HINTSHOW), or hides the hint when there is none.
  void ActivateHint(const TPoint& CursorPos);
  void CancelHint();

  // Hooks see the messages sent to the main window's hooks (settings
  // changes among them) whether or not a main form exists; a hook that
  // returns true ends the message there. HookMainWindow returns the id that
  // UnhookMainWindow takes.
  using TWindowHook = std::function<bool(TMessage& Message)>;
  int HookMainWindow(TWindowHook Hook);
  void UnhookMainWindow(int Id);
  // Passes Message to the hooks in the order they were added.
  void NotifyMainWindowHooks(TMessage& Message);

  // Called by TForm when the main form goes away.
  void MainFormDestroyed(TForm* Form);
  // Runs OnDestroy of every form it owns, then destroys them (main form last).
  void DestroyForms();

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  void FormCreated(TForm* Form);

  std::string title_;
  std::string help_file_;
  TForm* main_form_ = nullptr;
  bool terminated_ = false;
  bool running_ = false;
  uint32_t hint_color_ = 0x80000018;  // clInfoBk
  int hint_pause_ = 500;
  int hint_hide_pause_ = 2500;
  bool show_hint_ = true;
  std::vector<std::pair<int, TWindowHook>> main_window_hooks_;
  int next_hook_id_ = 1;
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Runs Call; any exception it throws goes to the application's exception
// handler instead of propagating (used at every dispatch from the event loop).
void SafeCall(TObject* Sender, const std::function<void()>& Call);

// Cursor identifiers.
using TCursor = int;
enum : int {
  crDefault = 0,
  crNone = -1,
  crArrow = -2,
  crCross = -3,
  crIBeam = -4,
  crSizeNESW = -6,
  crSizeNS = -7,
  crSizeNWSE = -8,
  crSizeWE = -9,
  crUpArrow = -10,
  crHourGlass = -11,
  crDrag = -12,
  crNoDrop = -13,
  crHSplit = -14,
  crVSplit = -15,
  crMultiDrag = -16,
  crSQLWait = -17,
  crNo = -18,
  crAppStart = -19,
  crHelp = -20,
  crHandPoint = -21,
  crSizeAll = -22,
};

struct TScreenRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
};

class TScreen : public TComponent {
 public:
  TScreen();
  ~TScreen() override;
  std::string ClassName() const override { return "TScreen"; }

  // The application-wide cursor: anything but crDefault overrides every
  // control's own cursor until it is set back to crDefault.
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor Value);

  // Registry of custom cursors by identifier: an image given as 32-bit
  // ARGB pixels, row by row from the top, with its hot spot.
  void SetCustomCursor(TCursor Id, int Width, int Height, const std::vector<uint32_t>& Argb,
                       int HotX, int HotY);
  bool HasCursor(TCursor Id) const;

  int Width() const;
  int Height() const;
  TScreenRect WorkAreaRect() const;
  TScreenRect DesktopRect() const;
  int PixelsPerInch() const { return 96; }
  // Families of the fonts installed.
  std::vector<std::string> Fonts() const;

  // The form that has the keyboard focus (nullptr when none of ours).
  TForm* ActiveForm() const;

 private:
  friend class TCursorRegistry;
  TCursor cursor_ = crDefault;
};

// Shows Cursor (the hourglass by default) on the screen for the guard's
// lifetime and then restores the cursor that was set before.
class TCursorGuard {
 public:
  explicit TCursorGuard(TCursor Cursor = crHourGlass);
  ~TCursorGuard();
  TCursorGuard(const TCursorGuard&) = delete;
  TCursorGuard& operator=(const TCursorGuard&) = delete;

 private:
  TCursor saved_;
};

extern TApplication* const Application;
extern TScreen* const Screen;

// Shift, Alt and Ctrl as the keyboard holds them now (not as the last input
// event reported them).
TShiftState KeyboardShiftState();

}  // namespace classlib
