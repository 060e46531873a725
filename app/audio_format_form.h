// The audio format dialog: the WAVE and MP3 recording formats of a job. OK stores the five
// choices in the job at once.
#pragma once

#include <string>

#include "app/job_record.h"
#include "platform/classlib/form.h"
#include "platform/classlib/std_controls.h"

namespace lumicast {

class TAudioFormatFrm : public classlib::TForm {
 public:
  explicit TAudioFormatFrm(classlib::TComponent* AOwner);
  ~TAudioFormatFrm() override;
  std::string ClassName() const override { return "TAudioFormatFrm"; }

  classlib::TGroupBox* grpWave = nullptr;
  classlib::TComboBox* cbxWavChannel = nullptr;
  classlib::TComboBox* cbxWavBits = nullptr;
  classlib::TComboBox* cbxWavFreq = nullptr;
  classlib::TGroupBox* grpMP3 = nullptr;
  classlib::TComboBox* cbxMP3Channel = nullptr;
  classlib::TComboBox* cbxMP3BitRate = nullptr;
  classlib::TButton* btnOK = nullptr;
  classlib::TButton* btnCancel = nullptr;

  // The job edited and the window the dialog is centred over (set before showing).
  TCovSettings* Job = nullptr;
  classlib::TControl* Opener = nullptr;

  void FormShow(classlib::TObject* Sender);
  void btnOKClick(classlib::TObject* Sender);
  void btnCancelClick(classlib::TObject* Sender);

 private:
  void CreateComponents();
};

}  // namespace lumicast
