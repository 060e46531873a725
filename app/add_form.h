// The adding window ("Adding files..."): turns the movies chosen in the main window's open
// dialog into jobs of the job list, one by one, with a message log, a progress bar and a
// Cancel button. The work starts from a one-shot timer so that the window is on screen first,
// and lets pending messages run before each file so that Cancel (or closing the window) takes
// effect between files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/job_record.h"
#include "platform/classlib/form.h"
#include "platform/classlib/std_controls.h"
#include "platform/classlib/timer.h"
#include "treectl/tree.h"

namespace lumicast {

// What the adding window needs of the window that owns the job list.
class TAddFrmHost {
 public:
  virtual ~TAddFrmHost() = default;
  // Shows a job just added in the summary and the preview (a projector's movie is extracted
  // here). May raise; the job is then taken out of the list again.
  virtual void ShowAddedJob(TCovSettings* Job) = 0;
  // The job list now differs from its file.
  virtual void JobListModified() = 0;
};

class TAddFrm : public classlib::TForm {
 public:
  // MainForm is the window it centres on; Host shows the added jobs. Either may be nil.
  TAddFrm(classlib::TComponent* AOwner, classlib::TForm* MainForm, TAddFrmHost* Host);
  ~TAddFrm() override;
  std::string ClassName() const override { return "TAddFrm"; }

  classlib::TLabel* Label1 = nullptr;
  classlib::TMemo* memMsg = nullptr;
  classlib::TProgressBar* prgAdd = nullptr;
  classlib::TLabel* labProgress = nullptr;
  classlib::TBitBtn* btnAction = nullptr;
  classlib::TBitBtn* btnCancel = nullptr;  // hidden: holds the Cancel glyph
  classlib::TBitBtn* btnOK = nullptr;      // hidden: holds the OK glyph
  classlib::TTimer* Timer = nullptr;

  // Set by the main window before the window is shown: the movies to add and the job list.
  std::vector<std::string> Files;
  TElTree* lstFile = nullptr;
  TAddFrmHost* Host = nullptr;

  // Set by Cancel (or by closing the window while adding): the run stops before the next file.
  bool Cancelled = false;
  // True while the files are being added.
  bool Adding() const { return adding_; }
  // Files of the last run that were refused or failed.
  int ErrorCount() const { return errors_; }

  void FormShow(classlib::TObject* Sender);
  void FormCloseQuery(classlib::TObject* Sender, bool& CanClose);
  void FormClose(classlib::TObject* Sender, classlib::TCloseAction& Action);
  void FormKeyDown(classlib::TObject* Sender, uint16_t& Key, classlib::TShiftState Shift);
  void TimerTimer(classlib::TObject* Sender);
  void btnActionClick(classlib::TObject* Sender);

 private:
  void CreateComponents();
  void Log(const std::string& Line);
  // Adds one movie as a job; false (logged) when it was refused or failed.
  bool AddFile(const std::string& Path);
  classlib::TForm* main_form_;
  bool adding_ = false;
  int errors_ = 0;
};

// A name the job list cannot keep (its lines would split it): carriage return or line feed.
bool IsStorableJobPath(const std::string& Path);

}  // namespace lumicast
