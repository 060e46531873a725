// The go-to-frame dialog (" Seek"): moves the main window's preview player to a typed frame
// number. Go (or Enter in the number) jumps and selects the number for the next entry; the
// dialog stays open until Esc or its close box.
#pragma once

#include <cstdint>
#include <string>

#include "app/shockwave_flash.h"
#include "platform/classlib/form.h"
#include "platform/classlib/std_controls.h"

namespace lumicast {

class TSeekFrm : public classlib::TForm {
 public:
  // MainForm is the window it centres on, Player the preview it moves. Either may be nil.
  TSeekFrm(classlib::TComponent* AOwner, classlib::TForm* MainForm, TShockwaveFlash* Player);
  ~TSeekFrm() override;
  std::string ClassName() const override { return "TSeekFrm"; }

  classlib::TLabel* Label1 = nullptr;
  classlib::TSpinEdit* edtFrameNumber = nullptr;
  classlib::TSpeedButton* btnAudioImport = nullptr;  // "&Go!"

  // The preview player moved by Go; the main window may replace it.
  TShockwaveFlash* PreviewPlayer = nullptr;

  void FormShow(classlib::TObject* Sender);
  void btnAudioImportClick(classlib::TObject* Sender);
  void edtFrameNumberKeyDown(classlib::TObject* Sender, uint16_t& Key, classlib::TShiftState Shift);

 private:
  void CreateComponents();
  classlib::TForm* main_form_;
};

}  // namespace lumicast
