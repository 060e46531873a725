#include "app/record_form.h"

#include <cmath>

#include "app/movie_file.h"
#include "audio/mixer.h"
#include "audio/utils.h"
#include "platform/classlib/application.h"
#include "platform/classlib/dialogs.h"
#include "platform/classlib/file_utils.h"
#include "platform/classlib/string_utils.h"

using namespace classlib;

namespace lumicast {

namespace {

constexpr uint32_t kWaveInComponentType = 7;
constexpr uint32_t kMultiplexerControl = 0x70010001;
constexpr uint16_t kRecordingVolume = 19660;  // 30 % of 65535

int32_t Mp3ChannelMode(int32_t Channel) {
  switch (Channel) {
    case 0: return 3;
    case 1: return 0;
    case 2: return 1;
    case 3: return 2;
    default: return 0;
  }
}

int32_t Mp3BitRate(int32_t Index) {
  static const int32_t rates[] = {96, 112, 128, 160, 192, 224, 256, 320};
  return Index >= 0 && Index < 8 ? rates[Index] : 128;
}

uint32_t WaveRate(int32_t Index) {
  switch (Index) {
    case 1: return 22050;
    case 2: return 11025;
    default: return 44100;
  }
}

}  // namespace

int32_t MeasuredFrameRate(int32_t NominalRate, int32_t Frames, int64_t Tenths) {
  if (Tenths < 1 || NominalRate >= Frames) return NominalRate;
  const auto rate = static_cast<int32_t>(
      std::lround(static_cast<double>(Frames) / (static_cast<double>(Tenths) / 10.0)));
  return rate < 1 ? 1 : rate;
}

TRecordFrm::TRecordFrm(TComponent* AOwner, const std::string& ProgramFolder) : TForm(AOwner) {
  const std::string folder =
      ProgramFolder.empty() ? ExtractFilePath(Application->ExeName()) : ProgramFolder;
  FpsMovie = folder + "fps1";
  PluginFile = folder + "mp3enc.so";
  CreateComponents();
}

TRecordFrm::~TRecordFrm() { BeforeDestruction(); }

void TRecordFrm::CreateComponents() {
  SetCaption("Recording...");
  SetBorderStyle(bsSingle);
  SetBorderIcons(biSystemMenu);
  Font()->SetName("Arial");
  SetClientSize(521, 289);

  mnuMain = new TMainMenu(this);
  mniPause = new TMenuItem(this);
  mniPause->SetCaption("&Pause");
  mniPause->OnClick = [this](TObject* s) { mniPauseClick(s); };
  mnuMain->Items()->Add(mniPause);
  mniCancel = new TMenuItem(this);
  mniCancel->SetCaption("Cancel current recording");
  mniCancel->OnClick = [this](TObject* s) { mniCancelClick(s); };
  mnuMain->Items()->Add(mniCancel);
  SetMenu(mnuMain);

  grpProgress = new TGroupBox(this);
  grpProgress->SetParent(this);
  grpProgress->SetCaption(" Recording progress");
  grpProgress->SetBounds(0, 243, 521, 46);
  grpProgress->SetAlign(alBottom);
  labCurrentCaption = new TLabel(this);
  labCurrentCaption->SetParent(grpProgress);
  labCurrentCaption->SetCaption("Current:");
  labCurrentCaption->SetBounds(8, 20, 50, 16);
  prbRecord = new TProgressBar(this);
  prbRecord->SetParent(grpProgress);
  prbRecord->SetBounds(64, 20, 250, 16);
  labRecord = new TLabel(this);
  labRecord->SetParent(grpProgress);
  labRecord->SetBounds(322, 20, 195, 16);

  scbRecord = new TScrollBox(this);
  scbRecord->SetParent(this);
  scbRecord->SetAlign(alClient);
  scbRecord->SetColor(clWhite);
  panRecord = new TPanel(this);
  panRecord->SetParent(scbRecord);
  panRecord->SetBevelOuter(TBevelCut::bvNone);
  panRecord->SetBounds(0, 0, 352, 240);

  waveRiff = new TunavclWaveRiff(this);
  waveRiff->setIsInput(false);
  waveIn = new TunavclWaveInDevice(this);
  waveIn->setConsumer(waveRiff);
  waveIn->setMinActiveTime(0);
  waveIn->onDataAvailable = [this](unavclInOutPipe* s, const void* d, size_t n) {
    waveInDataAvailable(s, d, n);
  };
  timRecord = new TTimer(this);
  timRecord->SetEnabled(false);
  timRecord->SetInterval(100);
  timRecord->SetOnTimer([this](TObject* s) { timRecordTimer(s); });
  Recorder = new TAudio(this);

  OnCreate = [this](TObject* s) { FormCreate(s); };
  OnShow = [this](TObject* s) { FormShow(s); };
  OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };
  OnDestroy = [this](TObject* s) { FormDestroy(s); };
}

void TRecordFrm::FormCreate(TObject*) {
  if (Flash != nullptr) return;
  Flash = new TShockwaveFlashEx(this);
  Flash->SetParent(panRecord);
  Flash->SetAlign(alClient);
  Flash->SetVisible(true);
  Flash->SetMovie(" ");
  Flash->PreviewMsg = true;
  Flash->OnFSCommand = [this](TObject* s, const std::string& c, const std::string& a) {
    FlashFSCommand(s, c, a);
  };
  panRecord->SetBounds(0, 0, 352, 240);
  if (FileExists(PluginFile)) {
    try {
      Encoder = std::make_unique<unaLameMp3Enc>(PluginFile, 0);
      Encoder->onDataAvailable = [this](unaAbstractEncoder* s, const void* d, size_t n,
                                        bool& store) { Mp3EncoderDataCallback(s, d, n, store); };
      if (Encoder->errorCode != 0) {
        Encoder.reset();
        ShowMessage("initialize 'mp3enc.so' failed!");
      }
    } catch (...) {
      Encoder.reset();
      ShowMessage("initialize 'mp3enc.so' failed!");
    }
  } else {
    ShowMessage("File 'mp3enc.so' lost!");
  }
}

void TRecordFrm::FormDestroy(TObject*) {
  try {
    StopAndCloseDevices();
  } catch (...) {
  }
  try {
    delete Flash;
  } catch (...) {
  }
  Flash = nullptr;
  try {
    Encoder.reset();
  } catch (...) {
  }
}

void TRecordFrm::FormShow(TObject*) {
  if (Opener != nullptr && Opener != this) CenterOn(Opener);
  mniPause->SetCaption("&Pause");
  StartRecording();
}

int64_t TRecordFrm::RunningTenths() const {
  Clock::duration running = Clock::now() - started_ - paused_total_;
  if (!Recording && paused_at_ != Clock::time_point{}) running -= Clock::now() - paused_at_;
  return std::chrono::duration_cast<std::chrono::milliseconds>(running).count() / 100;
}

void TRecordFrm::StartRecording() {
  if (Job == nullptr || Flash == nullptr) return;
  TCovSettings& job = *Job;
  LeadIn = 0;
  if (job.adoIsSyncManually && job.adoSyncType == 0 && job.adoSyncOffset > 0)
    LeadIn = static_cast<int32_t>(
        std::lround(static_cast<double>(job.swfFrameRate * job.adoSyncOffset)));
  prbRecord->SetMin(0);
  prbRecord->SetMax(job.destEndFrame + LeadIn - job.destStartFrame);
  prbRecord->SetPosition(0);

  panRecord->SetBounds(0, 0, job.swfW, job.swfH);
  if (Flash->CanFocus()) Flash->SetFocus();
  Flash->SetMovie(" ");
  Flash->SetMovie(job.swfPlayFilename);
  Flash->LoadMovie(88, FpsMovie);
  if (job.destStartFrame > 1) Flash->GotoFrame(job.destStartFrame);
  Flash->Play();
  Tenths = 0;
  Frames = 0;
  MeasuredRate = job.swfFrameRate;
  Closing = false;
  Recording = false;
  devices_open_ = false;
  EncoderInUse = nullptr;
  started_ = Clock::now();
  paused_total_ = Clock::duration::zero();
  paused_at_ = Clock::time_point{};

  try {
    const std::string name = CreateTempFileName(job.adoFileType == 0 ? ".wav" : ".mp3");
    const uint32_t rate = WaveRate(job.adoWavFreq);
    if (job.adoFileType == 0) {
      for (unavclInOutWavePipe* pipe : {static_cast<unavclInOutWavePipe*>(waveIn),
                                        static_cast<unavclInOutWavePipe*>(waveRiff)}) {
        pipe->setPcmFormat(1, job.adoWavBits == 0 ? 8 : 16);
        pipe->setPcmFormat(0, rate);
        pipe->setPcmFormat(2, job.adoWavChannel == 0 ? 1 : 2);
      }
      waveRiff->setIsInput(false);
      waveRiff->setFileName(name);
      waveIn->setConsumer(waveRiff);
      waveIn->open();
      devices_open_ = true;
    } else if (Encoder) {
      // The encoder takes 16-bit samples only: 8-bit input would come out as noise.
      waveIn->setPcmFormat(1, 16);
      waveIn->setPcmFormat(0, rate);
      waveIn->setPcmFormat(2, job.adoMp3Channel == 0 ? 1 : 2);
      mp3EncoderConfig config;
      config.set32(0, 256);
      config.set32(4, 1);
      config.set32(8, 331);
      config.set32(12, static_cast<int32_t>(rate));
      config.set32(20, Mp3ChannelMode(job.adoMp3Channel));
      config.set32(24, Mp3BitRate(job.adoMp3BitRate));
      config.set32(28, Mp3BitRate(job.adoMp3BitRate));
      config.set32(32, -1);  // preset
      config.set32(72, 9);   // quality
      config.set32(80, -1);
      config.set32(84, -1);
      if (Encoder->applyConfiguration(config) != 0) {
        ShowMessage("Recording config fails, error code: " + intToText(Encoder->errorCode, 16));
        return;
      }
      if (Encoder->open() != 0) {
        ShowMessage("Recocrding open fails, error code: " + intToText(Encoder->errorCode, 16));
        return;
      }
      EncoderInUse = Encoder.get();
      waveRiff->setIsInput(true);
      waveIn->setConsumer(nullptr);  // blocks only reach the data event
      waveIn->open();
      devices_open_ = true;
    }
    job.adoWorkFilename = name;
    Recording = true;
    timRecord->SetEnabled(true);
  } catch (...) {
    timRecord->SetEnabled(false);
    ShowMessage("Unexpected error!");
  }
}

void TRecordFrm::StopAndCloseDevices() {
  // Closing a device lets pending messages run; a close asked for from inside them must not
  // close the devices a second time.
  if (closing_devices_ || !devices_open_) return;
  closing_devices_ = true;
  struct Reset {
    bool& b;
    ~Reset() { b = false; }
  } reset{closing_devices_};
  devices_open_ = false;
  if (Job != nullptr && Job->adoFileType == 0) {
    // The recorder first: its reset hands the part-filled block to the file, which then drains.
    waveIn->close();
    waveRiff->close();
    waveRiff->setFileName("");
  } else {
    waveIn->close();
    if (unaLameMp3Enc* enc = EncoderInUse.load()) enc->close();  // its tail is still written
    EncoderInUse = nullptr;
  }
}

void TRecordFrm::timRecordTimer(TObject*) {
  // Counted from the clock, not from timer messages, which arrive late when the thread is busy.
  Tenths = RunningTenths();
  if (Job != nullptr && Job->destSequenceMode > 0 && Flash != nullptr && !Flash->IsPlaying()) {
    try {
      Flash->Play();
    } catch (...) {
    }
  }
}

void TRecordFrm::FlashFSCommand(TObject*, const std::string& Command, const std::string&) {
  if (Command != "enterFrame" || Closing || Job == nullptr) return;
  ++Frames;
  prbRecord->SetPosition(Frames);
  std::string size;
  if (Job->adoFileType == 0)
    size = IntToStr(waveRiff->inByteCount.load() / 1024) + "KB";
  else if (Encoder)
    size = IntToStr(Encoder->encodedTotal.load() >> 10) + "KB";
  labRecord->SetCaption(IntToStr(prbRecord->Position()) + "/" + IntToStr(prbRecord->Max()) +
                        " Frames Done -- " + IntToStr(Tenths / 10) + "s / " + size);
  if (Closing || Frames >= Job->destEndFrame + LeadIn - Job->destStartFrame) Close();
}

void TRecordFrm::FormClose(TObject*, TCloseAction&) {
  if (Job != nullptr) {
    if (Recording) Tenths = RunningTenths();
    MeasuredRate = MeasuredFrameRate(Job->swfFrameRate, Frames, Tenths);
    Job->swfRunFrameRate = MeasuredRate;
    Job->destRunEndFrame = Job->destStartFrame + Frames - LeadIn;
  }
  timRecord->SetEnabled(false);
  try {
    if (Flash != nullptr) {
      Flash->StopPlay();
      Flash->SetMovie(" ");
    }
    // The devices close before Closing is set, so that the encoder's flushed tail is written.
    StopAndCloseDevices();
  } catch (...) {
  }
  Closing = true;
  Recording = false;
}

void TRecordFrm::mniPauseClick(TObject*) {
  if (Job == nullptr || Flash == nullptr) return;
  try {
    if (Recording) {
      timRecord->SetEnabled(false);
      Flash->StopPlay();
      Flash->SkipTimer = true;
      // The device stops capturing at this moment and hands over the part-filled buffer; the
      // file or encoder stays attached, so no sound from before the pause is dropped.
      if (unaWaveInDevice* dev = waveIn->inputDevice()) dev->pauseCapture();
      mniPause->SetCaption("&Resume");
      Recording = false;
      paused_at_ = Clock::now();
    } else {
      if (unaWaveInDevice* dev = waveIn->inputDevice()) dev->resumeCapture();
      mniPause->SetCaption("&Pause");
      if (paused_at_ != Clock::time_point{}) paused_total_ += Clock::now() - paused_at_;
      paused_at_ = Clock::time_point{};
      Recording = true;
      Flash->Play();
      Flash->SkipTimer = false;
      timRecord->SetEnabled(true);
    }
  } catch (...) {
  }
}

void TRecordFrm::mniCancelClick(TObject*) { Close(); }

void TRecordFrm::waveInDataAvailable(unavclInOutPipe*, const void* Data, size_t Len) {
  unaLameMp3Enc* enc = EncoderInUse.load();
  if (enc != nullptr && Job != nullptr && Job->adoFileType == 1 && !Closing)
    enc->queueForEncoding(Data, Len);
}

void TRecordFrm::Mp3EncoderDataCallback(unaAbstractEncoder*, const void* Data, size_t Size, bool&) {
  if (EncoderInUse.load() != nullptr && Job != nullptr && Job->adoFileType == 1 && !Closing)
    saveBytesToFile(Job->adoWorkFilename, Data, Size, 2);
}

bool TRecordFrm::SetRecordingSource(uint32_t ComponentType, const std::string& LineName) {
  tMsMixerSystem mixers(nullptr);
  mixers.enumerate();
  if (mixers.mixerCount() < 1) {
    ShowMessage("No Recorder Device!");
    return false;
  }
  bool selected = false;
  int control_index = 0;
  for (int m = 0; m < mixers.mixerCount(); ++m) {
    tMsMixer* mixer = mixers.getMixer(m);
    mixer->readDestinations();
    for (int d = 0; d < mixer->destinationCount(); ++d) {
      tMsMixerLine* dest = mixer->getDestination(d);
      if (dest->caps().dwComponentType != kWaveInComponentType) continue;
      dest->readConnections();
      if (dest->connectionCount() < 1) continue;
      dest->readControls();
      for (int c = 0; c < dest->controlCount(); ++c) {
        if (dest->getControl(c)->caps().dwControlType == kMultiplexerControl) {
          control_index = c;
          break;
        }
      }
      tMsMixerControl* mux =
          control_index < dest->controlCount() ? dest->getControl(control_index) : nullptr;
      for (int s = 0; s < dest->connectionCount(); ++s) {
        tMsMixerLine* src = dest->getConnection(s);
        const std::string name(src->caps().szName);
        const bool chosen = src->caps().dwComponentType == ComponentType || name == LineName;
        if (mux != nullptr) mux->setSelected(0, s, chosen);
        if (!chosen) continue;
        selected = true;
        TMixerSettings& settings = Recorder->MixerSettings();
        const std::string dest_name(dest->caps().szName);
        const auto dests = settings.GetDestinationNames();
        for (size_t di = 0; di < dests.size(); ++di) {
          if (dests[di] != dest_name) continue;
          const auto lines = settings.GetLineNames(static_cast<int>(di));
          for (size_t li = 0; li < lines.size(); ++li) {
            if (lines[li] != name) continue;
            uint8_t flags = 0;
            bool mute = false;
            uint16_t left = 0, right = 0;
            settings.GetVolume(static_cast<int>(di), static_cast<int>(li), flags, mute, left,
                               right);
            settings.SetVolume(static_cast<int>(di), static_cast<int>(li), mute, kRecordingVolume,
                               kRecordingVolume);
          }
        }
      }
      if (mux != nullptr) mux->apply();
    }
  }
  return selected;
}

}  // namespace lumicast
