// The recording window: plays a video job's movie in real time in its own player and records
// the sound it plays (the "Stereo Mix" capture source, or a card's input) to a temporary WAVE
// or MP3 file, counting the frames played and measuring the playback rate reached, so that the
// conversion can put pictures and sound in step. It also selects the recording source on the
// mixer.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "app/job_record.h"
#include "app/shockwave_flash_ex.h"
#include "audio/audio_component.h"
#include "audio/mp3_encoder.h"
#include "audio/pipes.h"
#include "platform/classlib/form.h"
#include "platform/classlib/menus.h"
#include "platform/classlib/std_controls.h"
#include "platform/classlib/timer.h"

namespace lumicast {

// The measured playback rate: frames over running seconds, rounded, at least 1; the nominal
// rate when fewer than a tenth of a second ran or when the frames do not exceed it.
int32_t MeasuredFrameRate(int32_t NominalRate, int32_t Frames, int64_t Tenths);

class TRecordFrm : public classlib::TForm {
 public:
  // ProgramFolder holds the frame-signal movie "fps1" and the plug-in "mp3enc.so" (the
  // program's folder unless given).
  explicit TRecordFrm(classlib::TComponent* AOwner, const std::string& ProgramFolder = "");
  ~TRecordFrm() override;
  std::string ClassName() const override { return "TRecordFrm"; }

  // ---- components --------------------------------------------------------------------------
  classlib::TScrollBox* scbRecord = nullptr;
  classlib::TPanel* panRecord = nullptr;
  classlib::TGroupBox* grpProgress = nullptr;
  classlib::TLabel* labCurrentCaption = nullptr;
  classlib::TProgressBar* prbRecord = nullptr;
  classlib::TLabel* labRecord = nullptr;
  TunavclWaveInDevice* waveIn = nullptr;
  TunavclWaveRiff* waveRiff = nullptr;
  classlib::TTimer* timRecord = nullptr;
  TAudio* Recorder = nullptr;
  classlib::TMainMenu* mnuMain = nullptr;
  classlib::TMenuItem* mniPause = nullptr;
  classlib::TMenuItem* mniCancel = nullptr;

  // ---- fields ------------------------------------------------------------------------------
  TShockwaveFlashEx* Flash = nullptr;
  std::string FpsMovie;
  std::string PluginFile;
  std::unique_ptr<unaLameMp3Enc> Encoder;  // none when the plug-in is missing or failed
  std::atomic<unaLameMp3Enc*> EncoderInUse{nullptr};
  classlib::TForm* Opener = nullptr;  // the conversion window the window is centred on

  // ---- run state ---------------------------------------------------------------------------
  TCovSettings* Job = nullptr;
  bool Recording = false;
  std::atomic<bool> Closing{false};
  int64_t Tenths = 0;
  int32_t Frames = 0;
  int32_t MeasuredRate = 0;
  int32_t LeadIn = 0;

  void SetJob(TCovSettings* AJob) { Job = AJob; }
  // Selects the source line of the given component type or name on every recording
  // destination and sets its level to 30 %. True when a source was selected.
  bool SetRecordingSource(uint32_t ComponentType, const std::string& LineName);

  // Event handlers.
  void FormCreate(classlib::TObject* Sender);
  void FormShow(classlib::TObject* Sender);
  void FormClose(classlib::TObject* Sender, classlib::TCloseAction& Action);
  void FormDestroy(classlib::TObject* Sender);
  void timRecordTimer(classlib::TObject* Sender);
  void FlashFSCommand(classlib::TObject* Sender, const std::string& Command,
                      const std::string& Args);
  void mniPauseClick(classlib::TObject* Sender);
  void mniCancelClick(classlib::TObject* Sender);
  void waveInDataAvailable(unavclInOutPipe* Sender, const void* Data, size_t Len);
  void Mp3EncoderDataCallback(unaAbstractEncoder* Sender, const void* Data, size_t Size,
                              bool& StoreInStream);

 private:
  void CreateComponents();
  void StartRecording();
  // Stops the player and closes the devices, once per recording however often it is asked.
  void StopAndCloseDevices();
  // Running time (paused time left out) in tenths of a second.
  int64_t RunningTenths() const;

  bool devices_open_ = false;
  bool closing_devices_ = false;
  using Clock = std::chrono::steady_clock;
  Clock::time_point started_{};
  Clock::duration paused_total_{};
  Clock::time_point paused_at_{};
};

}  // namespace lumicast
