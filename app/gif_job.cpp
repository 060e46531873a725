// Animated GIF jobs: the encoding library runs without output files only to pace the capture
// through the GIF frame source; frames are sampled at the job's GIF rate into a TGIFImage, which
// codes each one as it is appended; the GIF output window then saves it and, when asked,
// optimises the saved file.
#include <memory>

#include "app/gif_form.h"
#include "app/interact_form.h"
#include "imaging/gif_image.h"
#include "imaging/gif_image_ex.h"
#include "platform/classlib/application.h"
#include "platform/classlib/file_utils.h"
#include "platform/classlib/math_utils.h"
#include "platform/classlib/string_utils.h"

using namespace classlib;

namespace lumicast {

namespace {

constexpr uint32_t kDibFourCC = 0x20424944;  // "DIB "
constexpr int32_t kMaxGifRepeatCount = 30000;

}  // namespace

int TInteractFrm::ShowGifWindow(TGIFImage* Image, TGIFImageEx* Optimizer,
                                const std::string& OutputPath) {
  auto window = std::make_unique<TGIFFrm>(this, this);
  window->GifImage = Image;
  window->Optimizer = Optimizer;
  window->OutputPath = OutputPath;
  return window->ShowModal();
}

bool TInteractFrm::ConvertToGif(TCovSettings* Job) {
  CurJob = Job;
  if (Job->swfPlayFilename.empty() || !FileExists(Job->swfPlayFilename)) return false;
  const std::string output = IncludeTrailingPathDelimiter(Job->destFilepath) + Job->destFilename;
  const std::string name = "\"" + ExtractFileName(Job->swfFilename) + "\"";
  const std::string converting = "Status:> Converting " + name + " to GIF Animation. | " + output;
  if (!OutputFolderReady(*Job, Job->destFilepath, converting)) return false;

  const TFrameSizes sizes = GetFrameSizes(*Job);
  SkipCurrent = false;
  mniCancel->SetVisible(true);
  prbCurrent->SetMin(0);
  prbCurrent->SetMax(Job->destEndFrame - Job->destStartFrame + 1);
  prbCurrent->SetPosition(0);
  panInteract->SetBounds(0, 0, sizes.StageW, sizes.StageH);
  if (panInteract->CanFocus()) panInteract->SetFocus();
  if (Flash->CanFocus()) Flash->SetFocus();
  Log(converting);

  std::unique_ptr<TGIFImage> gif;
  std::unique_ptr<TGIFImageEx> optimizer;
  struct JobEnd {
    TInteractFrm* f;
    TCovSettings* job;
    ~JobEnd() {
      f->StopJobPlayback();
      f->GifImage = nullptr;
      f->FreeJobObjects();
      f->CleanupStep([this] { DeleteJobTempFile(job->swfPlayFilename, *job); });
    }
  } end{this, Job};

  objects_ = TJobObjects::Create(sizes, false, Job->destIsCrop, true, false);
  // 8-bit frames take the default palette of a new 8-bit bitmap.
  const TPixelFormat format = DestColorDepthOf(*Job) == 1 ? pf24bit : pf8bit;
  objects_->FrameBmp->SetPixelFormat(format);
  if (objects_->StageBmp) objects_->StageBmp->SetPixelFormat(format);
  gif = std::make_unique<TGIFImage>();
  // Each sampled frame is reduced and coded as it is taken: the job holds coded data only.
  gif->SetEncodeOnAppend(true);
  optimizer = std::make_unique<TGIFImageEx>();
  GifImage = gif.get();
  const MclHandle hJob = objects_->Job.Get();

  LoadJobMovie(*Job, true);
  if (!CheckJobRange(Job->destStartFrame, Job->destEndFrame)) return false;
  const int32_t gifRate = SafeFrameRate(Job->destGIFFrameRate);
  CurFrame = Job->destStartFrame;
  NextGifSample = Job->destStartFrame;
  GifSampleStep = static_cast<double>(SafeFrameRate(Job->swfFrameRate)) / gifRate;

  MclAssignVideoSource(hJob, &TInteractFrm::GifFrameSourceCallback, this);
  MclAssignVideoFunc(hJob, nullptr, nullptr);
  MclAssignProgress(hJob, nullptr, nullptr);
  MclAssignError(hJob, &TInteractFrm::ConvertErrorCallback, this);
  MclVideoSetKeepDuration(hJob, -1);
  MclVideoSetFileName(hJob, "");
  MclAudioSetFileName(hJob, "");
  MclVideoSetFileFormat(hJob, kMclFormatAvi);
  MclVideoSetFormat(hJob, sizes.FrameW, sizes.FrameH, 24);
  MclVideoSetCodec(hJob, kDibFourCC);
  MclVideoSetQuality(hJob, 100.0);
  MclVideoSetFrameRate(hJob, gifRate);
  StartPlayback(*Job);

  const int32_t result = MclConvert(hJob);
  if (result != kMclOk && result != kMclAborted) {
    const std::string line = ResultStatusLine(result, *Job);
    if (!line.empty()) Log(line);
    return false;
  }
  // What was gathered is written, also after an abort.
  StopJobPlayback();
  gif->SetLoopEnabled(Job->destGIFIsLooping);
  const int32_t repeats = Job->destGIFRepeatCount < 0                    ? 0
                          : Job->destGIFRepeatCount > kMaxGifRepeatCount ? kMaxGifRepeatCount
                                                                         : Job->destGIFRepeatCount;
  gif->SetLoopCount(static_cast<uint16_t>(Job->destGIFIsLooping ? repeats : 1));
  gif->SetScreenColor(Job->destGIFIsBackground ? Job->destGIFBackgroundColor : TColor(0x00FFFFFF));
  int windowResult = 0;
  const TCursor cursor = Screen->Cursor();
  Screen->SetCursor(crHourGlass);
  try {
    windowResult = ShowGifWindow(gif.get(), optimizer.get(), output);
  } catch (...) {
    Screen->SetCursor(cursor);
    throw;
  }
  Screen->SetCursor(cursor);
  if (windowResult == 2) {
    Log(ResultStatusLine(kMclWriteError, *Job));
  } else if (result == kMclOk) {
    Log("Status:> Finish converting " + name + " to GIF Animation.");
  } else {
    Log("Status:> Converting was aborted!");
  }
  return windowResult == 1;
}

void TInteractFrm::GifFrameSourceCallback(MclHandle Source, void* User) {
  auto* f = static_cast<TInteractFrm*>(User);
  TCovSettings& job = *f->CurJob;
  TJobObjects& o = *f->objects_;
  if (f->LastFrame >= f->CurFrame && f->Converting && !f->SkipCurrent) {
    if (DestSequenceModeOf(job) != 2) {
      if (f->WaitForFrame())
        f->CaptureFrame(o.FrameBmp.get(), nullptr, o.StageBmp.get(), -1, -1, job.destCropX,
                        job.destCropY);
    } else {
      f->CaptureFrame(o.FrameBmp.get(), nullptr, o.StageBmp.get(), -1, f->CurFrame, job.destCropX,
                      job.destCropY);
    }
    if (f->CurFrame >= f->NextGifSample && f->GifImage != nullptr) {
      const int i = f->GifImage->AppendFrame(o.FrameBmp.get());
      TGIFFrame* frame = f->GifImage->FrameAt(i);
      frame->SetDisplayTime(
          static_cast<uint16_t>(Round(1000.0L / SafeFrameRate(job.destGIFFrameRate))));
      frame->SetKeyColor(job.destGIFIsTransparent ? job.destGIFTransparentColor : clNone);
      f->NextGifSample += f->GifSampleStep;
    }
    MclDIBToImg(o.FrameImg.Get(), o.FrameBmp.get());
    MclSourceSetImage(Source, o.FrameImg.Get());
    MclSourceSetFrameRate(Source, SafeFrameRate(job.swfFrameRate));
    f->FrameDelivered(job.destStartFrame);
  } else {
    MclSourceFinished(Source);
  }
  Application->ProcessMessages();
}

}  // namespace lumicast
