// AVI and MPEG jobs: the encoding library pulls the captured frames through the video source
// callback and the sound file (or leading silence) through the audio source callback.
#include <cmath>

#include "app/interact_form.h"
#include "platform/classlib/application.h"
#include "platform/classlib/file_utils.h"
#include "platform/classlib/math_utils.h"
#include "platform/classlib/string_utils.h"

using namespace classlib;

namespace lumicast {

namespace {

constexpr int32_t kSoundNameBufferSize = 4096 > kMclNameBufferSize ? 4096 : kMclNameBufferSize;

// Offsets from a job file are bounded before they drive a frame or sample count.
constexpr long double kMaxSyncOffset = 3600.0L;

long double SyncOffsetOf(const TCovSettings& Job) {
  const long double v = Job.adoSyncOffset;
  if (!std::isfinite(static_cast<double>(v)) || v <= 0) return 0;
  return v > kMaxSyncOffset ? kMaxSyncOffset : v;
}

// Pictures start with copies of the start frame: the sound is moved forward.
bool LeadInApplies(const TCovSettings& Job) {
  return Job.adoIsSyncManually && AdoSyncTypeOf(Job) == 0 && SyncOffsetOf(Job) > 0 &&
         AdoSourceOf(Job) > 0;
}

// The sound starts with silence: it is moved backward.
bool LeadingSilenceApplies(const TCovSettings& Job) {
  return Job.adoIsSyncManually && AdoSyncTypeOf(Job) == 1 && SyncOffsetOf(Job) > 0;
}

bool HasAlpha(const TCovSettings& Job) {
  return DestColorDepthOf(Job) > 0 && DestAlphaModeOf(Job) > 0;
}

// Frame rate of a custom MPEG job by its index.
double MpegFrameRate(int32_t Index) {
  switch (Index) {
    case 0: return 24000.0 / 1001.0;
    case 1: return 24;
    case 2: return 25;
    case 3: return 30000.0 / 1001.0;
    case 4: return 30;
    case 5: return 50;
    case 6: return 60000.0 / 1001.0;
    case 7: return 60;
    default: return 30000.0 / 1001.0;
  }
}

}  // namespace

bool TInteractFrm::ConvertToVideo(TCovSettings* Job) {
  CurJob = Job;
  if (Job->swfPlayFilename.empty() || !FileExists(Job->swfPlayFilename)) return false;
  const std::string output = IncludeTrailingPathDelimiter(Job->destFilepath) + Job->destFilename;
  const bool mpeg = DestTypeOf(*Job) == dtMPEG;
  const std::string converting = "Status:> Converting \"" + ExtractFileName(Job->swfFilename) +
                                 "\"" + (mpeg ? " to MPEG. | " : " to AVI. | ") + output;
  if (!OutputFolderReady(*Job, Job->destFilepath, converting)) return false;

  const TFrameSizes sizes = GetFrameSizes(*Job);
  SkipCurrent = false;
  mniCancel->SetVisible(true);
  prbCurrent->SetPosition(0);
  if (Job->destRunEndFrame == 0) Job->destRunEndFrame = Job->destEndFrame;
  panInteract->SetBounds(0, 0, sizes.StageW, sizes.StageH);
  if (panInteract->CanFocus()) panInteract->SetFocus();
  if (Flash->CanFocus()) Flash->SetFocus();

  Log(converting);

  // Clean-up runs however the job ends; an exception then goes on to the batch.
  struct JobEnd {
    TInteractFrm* f;
    TCovSettings* job;
    ~JobEnd() {
      f->StopJobPlayback();
      f->FreeJobObjects();
      f->CleanupStep([this] { DeleteJobTempFile(job->adoWorkFilename, *job); });
    }
  } end{this, Job};

  const bool alpha = HasAlpha(*Job);
  objects_ = TJobObjects::Create(sizes, alpha, Job->destIsCrop, true, true);
  const MclHandle hJob = objects_->Job.Get();
  const MclHandle hNames = objects_->Names.Get();
  const int32_t bits = alpha ? 32 : 24;

  LoadJobMovie(*Job, true);
  // No output is made for a movie the player could not load or a range with no frame in it.
  if (!CheckJobRange(Job->destStartFrame, Job->destRunEndFrame)) return false;
  SoundIndex = 0;
  CurFrame = Job->destStartFrame;

  MclAssignVideoSource(hJob, &TInteractFrm::VideoSourceCallback, this);
  MclAssignVideoFunc(hJob, nullptr, nullptr);
  MclAssignAudioSource(hJob, &TInteractFrm::AudioSourceCallback, this);
  MclAssignAudioFunc(hJob, nullptr, nullptr);
  MclAssignProgress(hJob, nullptr, nullptr);
  MclAssignError(hJob, &TInteractFrm::ConvertErrorCallback, this);
  MclAudioSetTruncateToVideo(hJob, -1);
  MclVideoSetKeepDuration(hJob, -1);
  // Only an imported sound takes the user's file; a recording that failed or never ran leaves
  // the job without sound rather than with an old import.
  if (Job->adoWorkFilename.empty() && AdoSourceOf(*Job) == asImport)
    Job->adoWorkFilename = Job->adoFilename;
  MclListAdd(hNames, Job->adoWorkFilename.c_str(), 16, 0, 0);
  MclVideoSetFileName(hJob, output.c_str());
  MclAudioSetFileName(hJob, output.c_str());

  if (!mpeg) {
    MclVideoSetFileFormat(hJob, kMclFormatAvi);
    MclVideoSetCodec(hJob, Job->destAVICodecID);
    MclVideoSetFormat(hJob, sizes.FrameW, sizes.FrameH, bits);
    MclVideoSetFrameRate(hJob, SafeFrameRate(Job->destAVIFrameRate));
    MclVideoSetBitRate(hJob, Job->destAVIBitrate, Job->destAVIMinBitrate, Job->destAVIMaxBitrate);
    MclVideoSetQuality(hJob, Job->destAVIQuality);
    MclVideoSetKeyFrameRate(hJob, Job->destAVIKeyFramerate);
    MclAudioSetFileFormat(hJob, kMclAudioFormatWave);
    MclAudioSetFormat(hJob, 44100, 2, 16);
    MclAudioSetCodec(hJob, kMclAudioCodecPcm);
    MclAudioSetBitRate(hJob, 224);
  } else {
    static const int32_t kPresets[6][2] = {{kMclPresetVcd, kMclNtsc},  {kMclPresetVcd, kMclPal},
                                           {kMclPresetDvd, kMclNtsc},  {kMclPresetDvd, kMclPal},
                                           {kMclPresetSvcd, kMclNtsc}, {kMclPresetSvcd, kMclPal}};
    const int preset = DestMpegCodecOf(*Job);
    if (preset < 6) {
      MclSetFormatPreset(hJob, kPresets[preset][0], kPresets[preset][1]);
      MclVideoSetAspectRatio(hJob, DestMpegAspectRatioOf(*Job));
    } else {
      MclVideoSetFileFormat(hJob, kMclFormatMpeg);
      MclVideoSetCodec(hJob, static_cast<uint32_t>(Job->destMPEGCodecID));
      MclVideoSetFormat(hJob, sizes.FrameW, sizes.FrameH, bits);
      MclVideoSetBitRate(hJob, Job->destMPEGBitrate, Job->destMPEGMinBitrate,
                         Job->destMPEGMaxBitrate);
      MclVideoSetFrameRate(hJob, MpegFrameRate(Job->destMPEGFrameRate));
      MclVideoSetAspectRatio(hJob, DestMpegAspectRatioOf(*Job));
      MclAudioSetFormat(hJob, 44100, 2, 16);
    }
  }

  LeadInDone = false;
  if (LeadInApplies(*Job)) {
    LeadInCount = 1;
    LeadInLimit =
        static_cast<int32_t>(Round(SafeFrameRate(Job->swfFrameRate) * SyncOffsetOf(*Job)));
  } else {
    StartPlayback(*Job);
  }

  const int32_t result = MclConvert(hJob);
  const std::string line = ResultStatusLine(result, *Job);
  if (!line.empty()) Log(line);
  return result == kMclOk;
}

void TInteractFrm::VideoSourceCallback(MclHandle Source, void* User) {
  auto* f = static_cast<TInteractFrm*>(User);
  TCovSettings& job = *f->CurJob;
  const int mode = DestSequenceModeOf(job);
  const bool alpha = HasAlpha(job);
  const int alphaMode = alpha ? DestAlphaModeOf(job) : -1;

  TJobObjects& o = *f->objects_;
  // Where the player alone makes up the stage, the frame is captured straight into the image the
  // library encodes (no bitmap in between); otherwise into the bitmaps, copied over on delivery.
  // A capture that fails leaves whichever holds the newest frame as it was, to be delivered again.
  auto capture = [&](int FrameNumber) {
    const TDirectCapture direct = f->CaptureFrameInto(
        o.FrameBmp->Width(), o.FrameBmp->Height(), o.StageBmp.get(), alphaMode, FrameNumber,
        job.destCropX, job.destCropY, [&](int Width, int Height) {
          return MclImgWritePixels(o.FrameImg.Get(), Width, Height, alpha ? -1 : 0);
        });
    if (direct == TDirectCapture::Captured) {
      o.FrameInImage = true;
    } else if (direct == TDirectCapture::Unavailable &&
               f->CaptureFrame(o.FrameBmp.get(), o.AlphaBmp.get(), o.StageBmp.get(), alphaMode,
                               FrameNumber, job.destCropX, job.destCropY)) {
      o.FrameInImage = false;
    }
  };
  auto deliver = [&] {
    if (!o.FrameInImage) {
      MclDIBToImg(o.FrameImg.Get(), o.FrameBmp.get());
      if (alpha) {
        MclDIBToImg(o.AlphaImg.Get(), o.AlphaBmp.get());
        MclImgAddAlpha(o.FrameImg.Get(), o.AlphaImg.Get());
      }
    }
    MclSourceSetImage(Source, o.FrameImg.Get());
    const bool measured = AdoSourceOf(job) > 0 && job.adoIsSyncAutomatically;
    MclSourceSetFrameRate(Source, SafeFrameRate(measured ? job.swfRunFrameRate : job.swfFrameRate));
  };

  if (f->LastFrame >= f->CurFrame && f->Converting && !f->SkipCurrent) {
    if (LeadInApplies(job) && !f->LeadInDone) {
      // Copies of the start frame; the movie does not move until they are all delivered.
      capture(f->CurFrame);
      deliver();
      ++f->LeadInCount;
      f->ShowFrameProgress(f->LeadInCount, f->LeadInLimit);
      if (f->LeadInCount > f->LeadInLimit) {
        f->StartPlayback(job);
        f->LeadInDone = true;
      }
    } else {
      if (mode != 2) {
        // A wait ended by Stop or Cancel delivers the previous picture once more.
        if (f->WaitForFrame()) capture(-1);
      } else {
        capture(f->CurFrame);
      }
      deliver();
      f->FrameDelivered(job.destStartFrame);
    }
  } else {
    MclSourceFinished(Source);
  }
  Application->ProcessMessages();
}

void TInteractFrm::AudioSourceCallback(MclHandle Source, void* User) {
  auto* f = static_cast<TInteractFrm*>(User);
  TCovSettings& job = *f->CurJob;
  if (AdoSourceOf(job) == asNone) {
    MclSourceFinished(Source);
    return;
  }
  if (LeadingSilenceApplies(job) && !f->LeadInDone) {
    const int32_t hundredths = static_cast<int32_t>(Round(SyncOffsetOf(job) * 100));
    MclSourceSetSamples(Source, nullptr, hundredths, 100, 1, 8);
    f->LeadInDone = true;
    return;
  }
  // Room for any path the system allows: a name that did not fit would read as no name at all
  // and the job would lose its sound without a word.
  char name[kSoundNameBufferSize];
  if (MclListGetName(f->objects_->Names.Get(), f->SoundIndex, name, kSoundNameBufferSize) > 0) {
    if (f->Converting)
      MclSourceSetFile(Source, name);
    else
      MclSourceFinished(Source);
    ++f->SoundIndex;
  } else {
    MclSourceFinished(Source);
  }
}

}  // namespace lumicast
