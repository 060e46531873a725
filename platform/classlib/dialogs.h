// Common dialogs and message boxes, all through one replaceable dialog
// service: the real one shows the toolkit's dialogs; tests install a
// scripted one that answers from a queue and records what was asked.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/colors.h"
#include "platform/classlib/component.h"

namespace classlib {

// MessageBox flags: buttons, icons, default button.
enum : uint32_t {
  MB_OK = 0x00000000,
  MB_OKCANCEL = 0x00000001,
  MB_ABORTRETRYIGNORE = 0x00000002,
  MB_YESNOCANCEL = 0x00000003,
  MB_YESNO = 0x00000004,
  MB_RETRYCANCEL = 0x00000005,
  MB_TYPEMASK = 0x0000000F,
  MB_ICONHAND = 0x00000010,
  MB_ICONSTOP = 0x00000010,
  MB_ICONERROR = 0x00000010,
  MB_ICONQUESTION = 0x00000020,
  MB_ICONEXCLAMATION = 0x00000030,
  MB_ICONWARNING = 0x00000030,
  MB_ICONASTERISK = 0x00000040,
  MB_ICONINFORMATION = 0x00000040,
  MB_ICONMASK = 0x000000F0,
  MB_DEFBUTTON1 = 0x00000000,
  MB_DEFBUTTON2 = 0x00000100,
  MB_DEFBUTTON3 = 0x00000200,
  MB_DEFMASK = 0x00000F00,
  MB_APPLMODAL = 0x00000000,
  MB_SYSTEMMODAL = 0x00001000,
  MB_TASKMODAL = 0x00002000,
};

// MessageBox answers (equal to the modal results of the same buttons).
enum : int { IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7 };

enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
using enum TMsgDlgType;

// Buttons of MessageDlg (a set of these flags).
enum TMsgDlgBtn : uint32_t {
  mbYes = 1u << 0,
  mbNo = 1u << 1,
  mbOK = 1u << 2,
  mbCancel = 1u << 3,
  mbAbort = 1u << 4,
  mbRetry = 1u << 5,
  mbIgnore = 1u << 6,
  mbAll = 1u << 7,
  mbNoToAll = 1u << 8,
  mbYesToAll = 1u << 9,
  mbHelp = 1u << 10,
};
using TMsgDlgButtons = uint32_t;
constexpr TMsgDlgButtons mbYesNoCancel = mbYes | mbNo | mbCancel;
constexpr TMsgDlgButtons mbOKCancel = mbOK | mbCancel;
constexpr TMsgDlgButtons mbAbortRetryIgnore = mbAbort | mbRetry | mbIgnore;

// What a message box shows; Buttons are modal results (mrOk...) in the order shown.
struct TMessageBoxRequest {
  std::string Text;
  std::string Caption;
  TMsgDlgType Type = mtInformation;
  std::vector<int> Buttons;
  int DefaultButton = 0;  // a value of Buttons
};

// What a file dialog asks for. Filter is "Text|*.a;*.b|Text2|*.c"; FilterIndex counts from 1.
struct TFileDialogRequest {
  std::string Title;
  std::string Filter;
  int FilterIndex = 1;
  std::string InitialDir;
  std::string FileName;
  std::string DefaultExt;  // without the dot; added to a typed name that has no extension
  bool MultiSelect = false;
  bool MustExist = false;
  bool OverwritePrompt = false;
};

class IDialogService {
 public:
  virtual ~IDialogService() = default;
  // Returns the modal result of the button chosen (mrCancel when dismissed).
  virtual int ShowMessageBox(const TMessageBoxRequest& Request) = 0;
  // True with the chosen files (one unless MultiSelect); false when cancelled.
  virtual bool OpenFiles(const TFileDialogRequest& Request, std::vector<std::string>& Files,
                         int& FilterIndex) = 0;
  virtual bool SaveFile(const TFileDialogRequest& Request, std::string& FileName,
                        int& FilterIndex) = 0;
  // Folder chosen (Folder holds the starting folder on entry); false when cancelled.
  virtual bool SelectFolder(const std::string& Caption, std::string& Folder) = 0;
  // Colour chosen (Color holds the starting colour); CustomColors are
  // "ColorA=BBGGRR" lines, read and updated.
  virtual bool ChooseColor(TColor& Color, std::vector<std::string>& CustomColors) = 0;
};

// The service in use (the native one unless replaced).
IDialogService* DialogService();
// Installs Service (not owned; nullptr restores the native one); returns the previous one.
IDialogService* SetDialogService(IDialogService* Service);

// A service for tests: every call is recorded; answers are taken from the
// queues (when a queue is empty: message boxes answer their first button,
// other dialogs are cancelled).
class TScriptedDialogService : public IDialogService {
 public:
  struct Call {
    std::string Kind;  // "message", "open", "save", "folder", "color"
    TMessageBoxRequest Message;
    TFileDialogRequest File;
    std::string Caption;
    TColor Color = clBlack;                 // colour dialogs: the colour offered
    std::vector<std::string> CustomColors;  // and the custom colours handed in
  };
  std::vector<Call> Calls;
  std::deque<int> MessageAnswers;
  // Each answer: the files chosen; an empty list cancels.
  std::deque<std::vector<std::string>> FileAnswers;
  // Each answer: the folder chosen; an empty string cancels.
  std::deque<std::string> FolderAnswers;
  // Each answer: the colour chosen; clNone cancels.
  std::deque<TColor> ColorAnswers;

  int ShowMessageBox(const TMessageBoxRequest& Request) override;
  bool OpenFiles(const TFileDialogRequest& Request, std::vector<std::string>& Files,
                 int& FilterIndex) override;
  bool SaveFile(const TFileDialogRequest& Request, std::string& FileName,
                int& FilterIndex) override;
  bool SelectFolder(const std::string& Caption, std::string& Folder) override;
  bool ChooseColor(TColor& Color, std::vector<std::string>& CustomColors) override;
  // Texts of the message boxes shown so far.
  std::vector<std::string> Messages() const;
};

// Installs a service for the lifetime of the guard.
class TDialogServiceGuard {
 public:
  explicit TDialogServiceGuard(IDialogService* Service) : previous_(SetDialogService(Service)) {}
  ~TDialogServiceGuard() { SetDialogService(previous_); }
  TDialogServiceGuard(const TDialogServiceGuard&) = delete;
  TDialogServiceGuard& operator=(const TDialogServiceGuard&) = delete;

 private:
  IDialogService* previous_;
};

// Message box with MB_... flags; returns IDOK, IDYES...
int MessageBox(const std::string& Text, const std::string& Caption, uint32_t Flags);
// Message box with a type and a set of buttons; returns the modal result.
int MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons,
               int HelpCtx = 0);
// Information box with an OK button, captioned with the application title.
void ShowMessage(const std::string& Msg);
// Folder selection; true with Directory set to the choice.
bool SelectDirectory(const std::string& Caption, const std::string& Root, std::string& Directory);

// Options of the folder selection that may name a folder not there yet.
enum TSelectDirOpt : uint32_t {
  sdAllowCreate = 1u << 0,    // a folder that does not exist may be chosen
  sdPerformCreate = 1u << 1,  // ... and is created (with its missing parents)
  sdPrompt = 1u << 2,         // ... after the user agreed to a Yes/No question
};
using TSelectDirOpts = uint32_t;

// Folder selection starting at Directory. A chosen folder that does not exist is refused
// unless sdAllowCreate is set; with sdPrompt the user is asked first (No chooses nothing);
// with sdPerformCreate it is created, and a failure to create it is reported and chooses
// nothing. True with Directory set to the choice.
bool SelectDirectory(std::string& Directory, TSelectDirOpts Options,
                     const std::string& Caption = "Select Directory");

// Open-dialog options.
enum TOpenOption : uint32_t {
  ofReadOnly = 1u << 0,
  ofOverwritePrompt = 1u << 1,
  ofHideReadOnly = 1u << 2,
  ofNoChangeDir = 1u << 3,
  ofAllowMultiSelect = 1u << 9,
  ofPathMustExist = 1u << 11,
  ofFileMustExist = 1u << 12,
  ofCreatePrompt = 1u << 13,
  ofEnableSizing = 1u << 20,
};
using TOpenOptions = uint32_t;

class TOpenDialog : public TComponent {
 public:
  explicit TOpenDialog(TComponent* AOwner) : TComponent(AOwner) {}
  std::string ClassName() const override { return "TOpenDialog"; }
  // Shows the dialog; true when the user chose (FileName and Files are set).
  virtual bool Execute();

  std::string Title;
  std::string Filter;
  int FilterIndex = 1;
  std::string InitialDir;
  std::string FileName;
  std::string DefaultExt;
  TOpenOptions Options = ofHideReadOnly | ofEnableSizing;
  std::vector<std::string> Files;

 protected:
  TFileDialogRequest Request() const;
};

class TSaveDialog : public TOpenDialog {
 public:
  explicit TSaveDialog(TComponent* AOwner) : TOpenDialog(AOwner) {}
  std::string ClassName() const override { return "TSaveDialog"; }
  bool Execute() override;
};

class TColorDialog : public TComponent {
 public:
  explicit TColorDialog(TComponent* AOwner) : TComponent(AOwner) {}
  std::string ClassName() const override { return "TColorDialog"; }
  bool Execute();
  TColor Color = clBlack;
  std::vector<std::string> CustomColors;
};

}  // namespace classlib
