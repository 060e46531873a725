#include "platform/classlib/dialogs.h"

#include <filesystem>

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include "platform/classlib/application.h"
#include "platform/classlib/control_qt.h"
#include "platform/classlib/file_utils.h"
#include "platform/classlib/form.h"

namespace classlib {

namespace {

const char* ButtonText(int Result) {
  switch (Result) {
    case mrOk: return "OK";
    case mrCancel: return "Cancel";
    case mrAbort: return "&Abort";
    case mrRetry: return "&Retry";
    case mrIgnore: return "&Ignore";
    case mrYes: return "&Yes";
    case mrNo: return "&No";
    case mrAll: return "&All";
    case mrNoToAll: return "N&o to All";
    case mrYesToAll: return "Yes to &All";
    default: return "?";
  }
}

QWidget* ActiveWindowWidget() { return QApplication::activeWindow(); }

// The service that shows the toolkit's dialogs.
class TNativeDialogService : public IDialogService {
 public:
  int ShowMessageBox(const TMessageBoxRequest& Request) override {
    QMessageBox box(ActiveWindowWidget());
    box.setWindowTitle(QStr(Request.Caption));
    box.setText(QStr(Request.Text));
    switch (Request.Type) {
      case mtWarning: box.setIcon(QMessageBox::Warning); break;
      case mtError: box.setIcon(QMessageBox::Critical); break;
      case mtInformation: box.setIcon(QMessageBox::Information); break;
      case mtConfirmation: box.setIcon(QMessageBox::Question); break;
      default: box.setIcon(QMessageBox::NoIcon); break;
    }
    std::vector<std::pair<QAbstractButton*, int>> buttons;
    for (int r : Request.Buttons) {
      QMessageBox::ButtonRole role = (r == mrCancel || r == mrNo || r == mrAbort)
                                         ? QMessageBox::RejectRole
                                         : QMessageBox::AcceptRole;
      QPushButton* b = box.addButton(QString::fromUtf8(ButtonText(r)), role);
      buttons.emplace_back(b, r);
      if (r == Request.DefaultButton) box.setDefaultButton(b);
    }
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    for (auto& [b, r] : buttons)
      if (b == clicked) return r;
    return mrCancel;
  }

  bool OpenFiles(const TFileDialogRequest& Request, std::vector<std::string>& Files,
                 int& FilterIndex) override {
    QFileDialog dlg(ActiveWindowWidget(), QStr(Request.Title), QStr(Request.InitialDir),
                    QtFilterFor(Request.Filter));
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    // The filter texts are shown as given (the patterns added for the toolkit stay hidden).
    dlg.setOption(QFileDialog::HideNameFilterDetails);
    dlg.setFileMode(Request.MultiSelect
                        ? QFileDialog::ExistingFiles
                        : (Request.MustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile));
    SelectFilter(dlg, Request.FilterIndex);
    if (!Request.FileName.empty()) dlg.selectFile(QStr(Request.FileName));
    if (dlg.exec() != QDialog::Accepted) return false;
    Files.clear();
    for (const QString& f : dlg.selectedFiles()) Files.push_back(StdStr(f));
    FilterIndex = SelectedFilter(dlg);
    return !Files.empty();
  }

  bool SaveFile(const TFileDialogRequest& Request, std::string& FileName,
                int& FilterIndex) override {
    QFileDialog dlg(ActiveWindowWidget(), QStr(Request.Title), QStr(Request.InitialDir),
                    QtFilterFor(Request.Filter));
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    // The filter texts are shown as given (the patterns added for the toolkit stay hidden).
    dlg.setOption(QFileDialog::HideNameFilterDetails);
    dlg.setFileMode(QFileDialog::AnyFile);
    if (!Request.DefaultExt.empty()) dlg.setDefaultSuffix(QStr(Request.DefaultExt));
    if (!Request.OverwritePrompt) dlg.setOption(QFileDialog::DontConfirmOverwrite);
    SelectFilter(dlg, Request.FilterIndex);
    if (!Request.FileName.empty()) dlg.selectFile(QStr(Request.FileName));
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return false;
    FileName = StdStr(dlg.selectedFiles().first());
    FilterIndex = SelectedFilter(dlg);
    return true;
  }

  bool SelectFolder(const std::string& Caption, std::string& Folder) override {
    QString dir =
        QFileDialog::getExistingDirectory(ActiveWindowWidget(), QStr(Caption), QStr(Folder));
    if (dir.isEmpty()) return false;
    Folder = StdStr(dir);
    return true;
  }

  bool ChooseColor(TColor& Color, std::vector<std::string>& CustomColors) override {
    // Custom colours "ColorA".."ColorP" hold BBGGRR hexadecimal values.
    for (const std::string& line : CustomColors) {
      if (line.size() < 7 || line.compare(0, 5, "Color") != 0 || line[6] != '=') continue;
      int index = line[5] - 'A';
      if (index < 0 || index >= QColorDialog::customCount()) continue;
      bool ok = false;
      unsigned v = QStr(line.substr(7)).toUInt(&ok, 16);
      if (ok) QColorDialog::setCustomColor(index, QColorFor(static_cast<TColor>(v & 0xFFFFFF)));
    }
    QColor c = QColorDialog::getColor(QColorFor(Color), ActiveWindowWidget());
    if (!c.isValid()) return false;
    Color = RGB(c.red(), c.green(), c.blue());
    CustomColors.clear();
    for (int i = 0; i < QColorDialog::customCount() && i < 16; ++i) {
      QColor cc = QColorDialog::customColor(i);
      char buf[32];
      std::snprintf(buf, sizeof buf, "Color%c=%06X", 'A' + i,
                    static_cast<unsigned>(RGB(cc.red(), cc.green(), cc.blue())));
      CustomColors.emplace_back(buf);
    }
    return true;
  }

 private:
  static void SelectFilter(QFileDialog& Dlg, int Index) {
    QStringList filters = Dlg.nameFilters();
    if (Index >= 1 && Index <= filters.size()) Dlg.selectNameFilter(filters[Index - 1]);
  }
  static int SelectedFilter(QFileDialog& Dlg) {
    int i = static_cast<int>(Dlg.nameFilters().indexOf(Dlg.selectedNameFilter()));
    return i < 0 ? 1 : i + 1;
  }
};

TNativeDialogService& NativeService() {
  static TNativeDialogService service;
  return service;
}

IDialogService* g_service = nullptr;

}  // namespace

IDialogService* DialogService() { return g_service != nullptr ? g_service : &NativeService(); }

IDialogService* SetDialogService(IDialogService* Service) {
  IDialogService* previous = g_service;
  g_service = Service;
  return previous;
}

// ------------------------------------------------------------ scripted

int TScriptedDialogService::ShowMessageBox(const TMessageBoxRequest& Request) {
  Call c;
  c.Kind = "message";
  c.Message = Request;
  Calls.push_back(c);
  if (!MessageAnswers.empty()) {
    int a = MessageAnswers.front();
    MessageAnswers.pop_front();
    return a;
  }
  return Request.Buttons.empty() ? mrOk : Request.Buttons.front();
}

bool TScriptedDialogService::OpenFiles(const TFileDialogRequest& Request,
                                       std::vector<std::string>& Files, int& FilterIndex) {
  Call c;
  c.Kind = "open";
  c.File = Request;
  Calls.push_back(c);
  if (FileAnswers.empty()) return false;
  std::vector<std::string> answer = FileAnswers.front();
  FileAnswers.pop_front();
  if (answer.empty()) return false;
  if (!Request.MultiSelect) answer.resize(1);
  Files = answer;
  FilterIndex = Request.FilterIndex;
  return true;
}

bool TScriptedDialogService::SaveFile(const TFileDialogRequest& Request, std::string& FileName,
                                      int& FilterIndex) {
  Call c;
  c.Kind = "save";
  c.File = Request;
  Calls.push_back(c);
  if (FileAnswers.empty() || FileAnswers.front().empty()) {
    if (!FileAnswers.empty()) FileAnswers.pop_front();
    return false;
  }
  FileName = FileAnswers.front().front();
  FileAnswers.pop_front();
  // A typed name without an extension gets the default one, as the native dialog does.
  if (!Request.DefaultExt.empty() && ExtractFileExt(FileName).empty())
    FileName += "." + Request.DefaultExt;
  FilterIndex = Request.FilterIndex;
  return true;
}

bool TScriptedDialogService::SelectFolder(const std::string& Caption, std::string& Folder) {
  Call c;
  c.Kind = "folder";
  c.Caption = Caption;
  Calls.push_back(c);
  if (FolderAnswers.empty()) return false;
  std::string answer = FolderAnswers.front();
  FolderAnswers.pop_front();
  if (answer.empty()) return false;
  Folder = answer;
  return true;
}

bool TScriptedDialogService::ChooseColor(TColor& Color, std::vector<std::string>& CustomColors) {
  Call c;
  c.Kind = "color";
  c.Color = Color;
  c.CustomColors = CustomColors;
  Calls.push_back(c);
  if (ColorAnswers.empty()) return false;
  TColor answer = ColorAnswers.front();
  ColorAnswers.pop_front();
  if (answer == clNone) return false;
  Color = answer;
  return true;
}

std::vector<std::string> TScriptedDialogService::Messages() const {
  std::vector<std::string> out;
  for (const Call& c : Calls)
    if (c.Kind == "message") out.push_back(c.Message.Text);
  return out;
}

// ------------------------------------------------------------ functions

int MessageBox(const std::string& Text, const std::string& Caption, uint32_t Flags) {
  TMessageBoxRequest r;
  r.Text = Text;
  r.Caption = Caption;
  switch (Flags & MB_TYPEMASK) {
    case MB_OKCANCEL: r.Buttons = {mrOk, mrCancel}; break;
    case MB_ABORTRETRYIGNORE: r.Buttons = {mrAbort, mrRetry, mrIgnore}; break;
    case MB_YESNOCANCEL: r.Buttons = {mrYes, mrNo, mrCancel}; break;
    case MB_YESNO: r.Buttons = {mrYes, mrNo}; break;
    case MB_RETRYCANCEL: r.Buttons = {mrRetry, mrCancel}; break;
    default: r.Buttons = {mrOk}; break;
  }
  switch (Flags & MB_ICONMASK) {
    case MB_ICONSTOP: r.Type = mtError; break;
    case MB_ICONQUESTION: r.Type = mtConfirmation; break;
    case MB_ICONWARNING: r.Type = mtWarning; break;
    case MB_ICONINFORMATION: r.Type = mtInformation; break;
    default: r.Type = mtCustom; break;
  }
  size_t def = (Flags & MB_DEFMASK) >> 8;
  r.DefaultButton = r.Buttons[def < r.Buttons.size() ? def : 0];
  int result = DialogService()->ShowMessageBox(r);
  // Only the buttons shown can be the answer; dismissing means Cancel (or
  // the single button of an OK box).
  for (int b : r.Buttons)
    if (b == result) return result;
  if (r.Buttons.size() == 1) return r.Buttons.front();
  for (int b : r.Buttons)
    if (b == mrCancel) return mrCancel;
  return r.Buttons.back();
}

int MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int) {
  static const std::pair<TMsgDlgBtn, int> kOrder[] = {
      {mbYes, mrYes},          {mbNo, mrNo},       {mbOK, mrOk},
      {mbCancel, mrCancel},    {mbAbort, mrAbort}, {mbRetry, mrRetry},
      {mbIgnore, mrIgnore},    {mbAll, mrAll},     {mbNoToAll, mrNoToAll},
      {mbYesToAll, mrYesToAll}};
  TMessageBoxRequest r;
  r.Text = Msg;
  switch (DlgType) {
    case mtWarning: r.Caption = "Warning"; break;
    case mtError: r.Caption = "Error"; break;
    case mtInformation: r.Caption = "Information"; break;
    case mtConfirmation: r.Caption = "Confirm"; break;
    default: r.Caption = Application->Title(); break;
  }
  r.Type = DlgType;
  for (auto& [flag, result] : kOrder)
    if (Buttons & flag) r.Buttons.push_back(result);
  if (r.Buttons.empty()) r.Buttons.push_back(mrOk);
  r.DefaultButton = r.Buttons.front();
  return DialogService()->ShowMessageBox(r);
}

void ShowMessage(const std::string& Msg) {
  TMessageBoxRequest r;
  r.Text = Msg;
  r.Caption = Application->Title();
  r.Type = mtCustom;
  r.Buttons = {mrOk};
  r.DefaultButton = mrOk;
  DialogService()->ShowMessageBox(r);
}

bool SelectDirectory(const std::string& Caption, const std::string&, std::string& Directory) {
  std::string folder = Directory;
  if (!DialogService()->SelectFolder(Caption, folder)) return false;
  Directory = folder;
  return true;
}

bool SelectDirectory(std::string& Directory, TSelectDirOpts Options, const std::string& Caption) {
  std::string folder = Directory;
  if (!DialogService()->SelectFolder(Caption, folder)) return false;
  std::error_code ec;
  if (!std::filesystem::is_directory(folder, ec)) {
    if (std::filesystem::exists(folder, ec)) {
      MessageDlg("\"" + folder + "\" is not a folder.", mtError, mbOK);
      return false;
    }
    if (!(Options & sdAllowCreate)) {
      MessageDlg("The folder \"" + folder + "\" does not exist.", mtError, mbOK);
      return false;
    }
    if ((Options & sdPrompt) &&
        MessageDlg("The folder \"" + folder + "\" does not exist. Do you want to create it?",
                   mtConfirmation, mbYes | mbNo) != mrYes)
      return false;
    if (Options & sdPerformCreate) {
      std::filesystem::create_directories(folder, ec);
      if (ec || !std::filesystem::is_directory(folder, ec)) {
        MessageDlg("The folder \"" + folder + "\" could not be created.", mtError, mbOK);
        return false;
      }
    }
  }
  Directory = folder;
  return true;
}

TFileDialogRequest TOpenDialog::Request() const {
  TFileDialogRequest r;
  r.Title = Title;
  r.Filter = Filter;
  r.FilterIndex = FilterIndex;
  r.InitialDir = InitialDir;
  r.FileName = FileName;
  r.DefaultExt = DefaultExt;
  r.MultiSelect = (Options & ofAllowMultiSelect) != 0;
  r.MustExist = (Options & ofFileMustExist) != 0;
  r.OverwritePrompt = (Options & ofOverwritePrompt) != 0;
  return r;
}

bool TOpenDialog::Execute() {
  std::vector<std::string> files;
  int index = FilterIndex;
  if (!DialogService()->OpenFiles(Request(), files, index)) return false;
  Files = files;
  FileName = files.front();
  FilterIndex = index;
  return true;
}

bool TSaveDialog::Execute() {
  std::string name;
  int index = FilterIndex;
  if (!DialogService()->SaveFile(Request(), name, index)) return false;
  FileName = name;
  Files = {name};
  FilterIndex = index;
  return true;
}

bool TColorDialog::Execute() {
  TColor c = Color;
  std::vector<std::string> custom = CustomColors;
  if (!DialogService()->ChooseColor(c, custom)) return false;
  Color = c;
  CustomColors = custom;
  return true;
}

}  // namespace classlib
