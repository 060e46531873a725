// The GIF output window ("Please waiting..."): a small modal wait window in which an animated
// GIF job's gathered frames are encoded and saved, and, when "Optimize Animated GIF" is
// checked, loaded again, optimised and saved over the same file. A busy picture turns while it
// works; Esc and close requests are refused until it has finished.
#pragma once

#include <cstdint>
#include <string>

#include "imaging/gif_image.h"
#include "imaging/gif_image_ex.h"
#include "platform/classlib/form.h"
#include "platform/classlib/std_controls.h"
#include "platform/classlib/timer.h"

namespace lumicast {

class TInteractFrm;

class TGIFFrm : public classlib::TForm {
 public:
  // Conversion is the window it centres on and whose "Optimize Animated GIF" item it reads.
  TGIFFrm(classlib::TComponent* AOwner, TInteractFrm* Conversion);
  ~TGIFFrm() override;
  std::string ClassName() const override { return "TGIFFrm"; }

  classlib::TImage* imgBusy = nullptr;
  classlib::TLabel* labMsg = nullptr;
  classlib::TTimer* Timer = nullptr;

  // Set by the GIF job before the window is shown; the window never frees them.
  TGIFImage* GifImage = nullptr;
  TGIFImageEx* Optimizer = nullptr;
  std::string OutputPath;

  // True from showing until the work has ended.
  bool Working() const { return working_; }

  void FormShow(classlib::TObject* Sender);
  void FormCloseQuery(classlib::TObject* Sender, bool& CanClose);
  void FormKeyDown(classlib::TObject* Sender, uint16_t& Key, classlib::TShiftState Shift);
  void TimerTimer(classlib::TObject* Sender);

 protected:
  // Progress of encoding, saving, loading and optimising: lets pending messages run so the
  // window keeps painting.
  virtual void PictureProgress(classlib::TObject* Sender, classlib::TProgressStage Stage,
                               uint8_t PercentDone, const std::string& Msg);

 private:
  void CreateComponents();
  TInteractFrm* conversion_;
  bool working_ = false;
};

}  // namespace lumicast
