// The main window: the skinned, borderless window that owns the job list, shows the selected
// job's summary and previews its movie, and starts the conversion window. Also the program's
// start-up routine and the size text of the summary.
//
// The job list is read from and written to the job-list file by LoadTasks and SaveTasks
// (job_list_file.cpp).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/add_form.h"
#include "app/job_record.h"
#include "app/shockwave_flash_ex.h"
#include "platform/classlib/dialogs.h"
#include "platform/classlib/form.h"
#include "platform/classlib/menus.h"
#include "platform/classlib/splitter.h"
#include "platform/classlib/std_controls.h"

namespace controls {
class TAALabel;
class TepMorphButton;
class TepBMPSlider;
class TsuiPopupMenu;
}  // namespace controls

namespace lumicast {

class TDIBFormShaper;
class TElTree;
class TElTreeItem;
class TInteractFrm;
class TRecordFrm;
class TSeekFrm;
class TSettingsFrm;

// "<n>Bytes" below 1 KB, else "<n.nn>KB" below 1 MB, else "<n.nn>MB", with thousands
// separators (1536 bytes give "1.50KB"). The size is the file's 64-bit length. Raises
// EFOpenError when the file cannot be opened or is not a regular file.
std::string FormatFileSize(const std::string& Path);

// Makes the preview player; tests replace it to see a failing player.
using TPreviewPlayerFactory = std::function<TShockwaveFlashEx*(classlib::TWinControl* Panel)>;

class TMainFrm : public classlib::TForm, public TAddFrmHost {
 public:
  // JobListFile: the job-list file; empty means the INI file beside the program.
  explicit TMainFrm(classlib::TComponent* AOwner, const std::string& JobListFile = "");
  ~TMainFrm() override;
  std::string ClassName() const override { return "TMainFrm"; }

  // ---- components --------------------------------------------------------------------------
  classlib::TImage* imagBack = nullptr;
  TDIBFormShaper* sknShaper = nullptr;
  controls::TepMorphButton* btnMinimize = nullptr;
  controls::TepMorphButton* btnClose = nullptr;
  controls::TepMorphButton* btnConvert = nullptr;
  controls::TAALabel* btnAdd = nullptr;
  controls::TAALabel* btnRemove = nullptr;
  controls::TAALabel* btnClear = nullptr;
  controls::TAALabel* btnSettings = nullptr;
  controls::TAALabel* btnHelp = nullptr;
  controls::TAALabel* btnPlay = nullptr;
  controls::TAALabel* btnPause = nullptr;
  controls::TAALabel* btnStop = nullptr;
  controls::TAALabel* btnBack = nullptr;
  controls::TAALabel* btnForward = nullptr;
  controls::TAALabel* btnSeek = nullptr;
  controls::TAALabel* labCurrent = nullptr;
  controls::TAALabel* AALabel1 = nullptr;
  controls::TAALabel* AALabel2 = nullptr;
  classlib::TLabel* labSrcSize = nullptr;
  classlib::TLabel* labSrcType = nullptr;
  classlib::TLabel* labSrcVersion = nullptr;
  classlib::TLabel* labSrcFrameRate = nullptr;
  classlib::TLabel* labSrcWidthxHeight = nullptr;
  classlib::TLabel* labSrcTotalFrames = nullptr;
  classlib::TLabel* labExportType = nullptr;
  classlib::TLabel* labCodec = nullptr;
  classlib::TLabel* labExportSequence = nullptr;
  classlib::TLabel* labColorDepth = nullptr;
  classlib::TLabel* labStartEndFrame = nullptr;
  classlib::TLabel* labWidthxHeight = nullptr;
  classlib::TLabel* labAudioFormat = nullptr;
  classlib::TLabel* labCurrentFrame = nullptr;
  controls::TepBMPSlider* trkSeek = nullptr;
  classlib::TPanel* Panel1 = nullptr;
  TElTree* lstFile = nullptr;
  classlib::TSplitter* Splitter1 = nullptr;
  classlib::TPanel* panPreview = nullptr;
  classlib::TOpenDialog* dlgOpen = nullptr;
  controls::TsuiPopupMenu* menPopup = nullptr;
  classlib::TMenuItem* menAdd = nullptr;
  classlib::TMenuItem* menRemove = nullptr;
  classlib::TMenuItem* menClear = nullptr;
  classlib::TMenuItem* menSettings = nullptr;
  classlib::TMenuItem* menCheckAll = nullptr;
  classlib::TMenuItem* menUncheckAll = nullptr;

  // ---- fields ------------------------------------------------------------------------------
  bool Modified = false;  // the job list differs from the file
  bool Seeking = false;   // the user holds the seek slider
  TShockwaveFlashEx* PreviewPlayer = nullptr;
  // Program-wide settings kept in the job-list file.
  bool IsShowTips = true;
  bool IsSetAudioSource = false;
  // The job-list file.
  std::string JobListFile;
  // True while LoadTasks runs: closing and the list commands are refused meanwhile.
  bool Loading = false;
  // The next save first keeps the file it replaces as JobListFile + ".bak": set when a load
  // left jobs out of the list, so a save would otherwise lose them.
  bool BackupOnSave = false;
  // The other program windows (not owned; null when absent).
  TInteractFrm* InteractForm = nullptr;
  TRecordFrm* RecordForm = nullptr;
  // The adding window and the go-to-frame dialog; made by the main window (and owned by it) when
  // the start-up did not make them.
  TAddFrm* AddForm = nullptr;
  TSeekFrm* SeekForm = nullptr;
  // The export settings dialog; made (and owned) by the main window when first needed.
  TSettingsFrm* SettingsForm = nullptr;

  static TPreviewPlayerFactory PreviewPlayerFactory;  // empty: the real player

  // ---- the job list ------------------------------------------------------------------------
  void SaveTasks();
  void LoadTasks();
  // Adds a job to the end of the list (the record is owned by the item from now on).
  TElTreeItem* AddJobItem(TCovSettings* Job, bool Checked);
  TCovSettings* JobOf(TElTreeItem* Item) const;
  int JobCount() const;

  // What the adding window asks of the main window: show a job it added, and note the change.
  void ShowAddedJob(TCovSettings* Job) override;
  void JobListModified() override;

  void ShowSettings(TCovSettings* Job);
  void UpdateFrameCounter(classlib::TObject* Sender);
  void SetLabelState(controls::TAALabel* Label, int State);

  // ---- event handlers ----------------------------------------------------------------------
  void FormCreate(classlib::TObject* Sender);
  void FormCloseQuery(classlib::TObject* Sender, bool& CanClose);
  void FormClose(classlib::TObject* Sender, classlib::TCloseAction& Action);
  void FormDestroy(classlib::TObject* Sender);
  void imagBackMouseDown(classlib::TObject* Sender, classlib::TMouseButton Button,
                         classlib::TShiftState Shift, int X, int Y);
  void btnMinimizeClick(classlib::TObject* Sender);
  void btnCloseClick(classlib::TObject* Sender);
  void btnAddClick(classlib::TObject* Sender);
  void btnRemoveClick(classlib::TObject* Sender);
  void btnClearClick(classlib::TObject* Sender);
  void btnSettingsClick(classlib::TObject* Sender);
  void btnHelpClick(classlib::TObject* Sender);
  void btnPlayClick(classlib::TObject* Sender);
  void btnPauseClick(classlib::TObject* Sender);
  void btnStopClick(classlib::TObject* Sender);
  void btnBackClick(classlib::TObject* Sender);
  void btnForwardClick(classlib::TObject* Sender);
  void btnSeekClick(classlib::TObject* Sender);
  void btnConvertClick(classlib::TObject* Sender);
  void btnAddMouseEnter(classlib::TObject* Sender);
  void btnAddMouseLeave(classlib::TObject* Sender);
  void btnAddMouseDown(classlib::TObject* Sender, classlib::TMouseButton Button,
                       classlib::TShiftState Shift, int X, int Y);
  void btnAddMouseUp(classlib::TObject* Sender, classlib::TMouseButton Button,
                     classlib::TShiftState Shift, int X, int Y);
  void trkSeekMouseDown(classlib::TObject* Sender, classlib::TMouseButton Button,
                        classlib::TShiftState Shift, int X, int Y);
  void trkSeekMouseUp(classlib::TObject* Sender, classlib::TMouseButton Button,
                      classlib::TShiftState Shift, int X, int Y);
  void trkSeekThumbMouseDown(classlib::TObject* Sender, classlib::TMouseButton Button,
                             classlib::TShiftState Shift, int X, int Y);
  void trkSeekThumbMouseUp(classlib::TObject* Sender, classlib::TMouseButton Button,
                           classlib::TShiftState Shift, int X, int Y);
  void trkSeekThumbMouseMove(classlib::TObject* Sender, classlib::TShiftState Shift, int X, int Y);
  void lstFileItemChecked(classlib::TObject* Sender, TElTreeItem* Item);
  void lstFileItemDeletion(classlib::TObject* Sender, TElTreeItem* Item);
  void lstFileItemSelectedChange(classlib::TObject* Sender, TElTreeItem* Item);
  void lstFileDblClick(classlib::TObject* Sender);
  void panPreviewResize(classlib::TObject* Sender);
  void menCheckAllClick(classlib::TObject* Sender);
  void menUncheckAllClick(classlib::TObject* Sender);

 protected:
  // The adding window for the chosen files (modal), and the go-to-frame dialog.
  virtual void ShowAddWindow(const std::vector<std::string>& Files);
  virtual void ShowSeekDialog();
  // The export settings dialog for the item's job; returns its modal result (1 OK, 8 applied
  // to all checked jobs, anything else: nothing changed).
  virtual int ShowSettingsDialog(TElTreeItem* Item, TCovSettings* Job);
  // Makes the playback mix the recording source; failures are ignored.
  virtual void SelectRecordingSource();
  void WMClose(classlib::TMessage& Message) override;

 private:
  void CreateComponents();
  controls::TAALabel* MakeTextButton(const std::string& Caption, int Left, int Top,
                                     classlib::TNotifyEvent OnClick);
  classlib::TLabel* MakeSummaryLabel(int Top);
  controls::TAALabel* MakeHeading(const std::string& Caption, int Top);
  // Sets a summary label's text, ending it in "..." when it is wider than its box.
  void SetSummaryText(classlib::TLabel* Label, const std::string& Text);
  void ResetPreview();
  // The list commands and closing are refused while the job list loads.
  bool ListBusy() const { return Loading; }
  void SetAllChecked(bool Checked);
};

// The program's start-up: sets the title, creates the program's windows with the main window
// first, shows and paints it, then loads the job list from JobListFile (empty: the INI file
// beside the program). Returns the main window; the caller runs the message loop.
TMainFrm* StartProgram(const std::string& JobListFile = "");

}  // namespace lumicast
