// Image-sequence jobs: every frame of the range is captured in a loop of the window's own and
// written as one numbered image file through the encoding library.
#include "app/interact_form.h"
#include "platform/classlib/application.h"
#include "platform/classlib/file_utils.h"
#include "platform/classlib/string_utils.h"

using namespace classlib;

namespace lumicast {

namespace {

struct TImageKind {
  const char* Extension;
  int32_t Format;
};

// By the job's image type: PNG, TGA, GIF, BMP, JPEG.
constexpr TImageKind kImageKinds[kImageTypeCount] = {{".png", kMclImagePng},
                                                     {".tga", kMclImageTga},
                                                     {".gif", kMclImageGif},
                                                     {".bmp", kMclImageBmp},
                                                     {".jpg", kMclImageJpeg}};

}  // namespace

bool TInteractFrm::ConvertToImages(TCovSettings* Job) {
  CurJob = Job;
  if (Job->swfPlayFilename.empty() || !FileExists(Job->swfPlayFilename)) return false;
  std::string base = IncludeTrailingPathDelimiter(Job->destFilepath);
  const std::string folder = base;
  base += ChangeFileExt(ExtractFileName(Job->swfFilename), "");
  const int64_t start = Job->destStartFrame;
  const int64_t count = static_cast<int64_t>(Job->destEndFrame) - start + 1;
  const int width = static_cast<int>(IntToStr(count < 0 ? 0 : count).size());
  const std::string name = "\"" + ExtractFileName(Job->swfFilename) + "\"";
  const std::string converting = "Status:> Converting " + name + " to Image Sequence. | " + base;
  if (!OutputFolderReady(*Job, folder, converting)) return false;

  const TFrameSizes sizes = GetFrameSizes(*Job);
  SkipCurrent = false;
  mniCancel->SetVisible(true);
  prbCurrent->SetMin(0);
  prbCurrent->SetMax(static_cast<int>(count < 0 ? 0 : count));
  prbCurrent->SetPosition(0);
  panInteract->SetBounds(0, 0, sizes.StageW, sizes.StageH);
  if (panInteract->CanFocus()) panInteract->SetFocus();
  if (Flash->CanFocus()) Flash->SetFocus();
  Log(converting);

  const bool alpha = DestColorDepthOf(*Job) > 0 && DestAlphaModeOf(*Job) > 0;
  const int alphaMode = alpha ? DestAlphaModeOf(*Job) : -1;
  const int type = DestImageTypeOf(*Job);
  const TImageKind kind = kImageKinds[type];
  int32_t quality = Job->destImageJPEGQuality;
  if (quality < 1) quality = 1;
  if (quality > 100) quality = 100;
  int32_t writeError = kMclOk;

  bool looped = false;

  // However the job ends: the player stops, a job whose loop ran logs its line, everything is
  // freed and the played movie goes when it is one of our temporary files.
  struct JobEnd {
    TInteractFrm* f;
    TCovSettings* job;
    const std::string& name;
    const int32_t& writeError;
    const bool& looped;
    ~JobEnd() {
      f->StopJobPlayback();
      if (looped) {
        f->CleanupStep([this] {
          if (writeError == kMclOk) {
            f->Log("Status:> Finish converting " + name + " to Image Sequence.");
          } else {
            std::string line = ResultStatusLine(writeError, *job);
            f->Log(line.empty() ? ResultStatusLine(kMclWriteError, *job) : line);
          }
        });
      }
      f->FreeJobObjects();
      f->CleanupStep([this] { DeleteJobTempFile(job->swfPlayFilename, *job); });
    }
  } end{this, Job, name, writeError, looped};

  objects_ = TJobObjects::Create(sizes, alpha, Job->destIsCrop, alpha, false);
  TJobObjects& o = *objects_;

  LoadJobMovie(*Job, false);
  // No file is written for a movie the player could not load or a range with no frame in it.
  if (!CheckJobRange(static_cast<int32_t>(start), Job->destEndFrame)) return false;
  const int64_t last = LastFrame;
  StartPlayback(*Job);
  const int mode = DestSequenceModeOf(*Job);

  looped = true;
  int64_t n = start;
  while (n <= last && Converting && !SkipCurrent) {
    if (mode != 2) {
      if (!FrameReady) {
        WaitForFrame();
        continue;
      }
      CaptureFrame(o.FrameBmp.get(), o.AlphaBmp.get(), o.StageBmp.get(), alphaMode, -1,
                   Job->destCropX, Job->destCropY);
      Application->ProcessMessages();
    } else {
      CaptureFrame(o.FrameBmp.get(), o.AlphaBmp.get(), o.StageBmp.get(), alphaMode,
                   static_cast<int>(n), Job->destCropX, Job->destCropY);
    }
    MclDIBToImg(o.FrameImg.Get(), o.FrameBmp.get());
    if (alpha) {
      MclDIBToImg(o.AlphaImg.Get(), o.AlphaBmp.get());
      MclImgAddAlpha(o.FrameImg.Get(), o.AlphaImg.Get());
    }
    const std::string file = base + "-" + ZeroPadNumber(n, width) + kind.Extension;
    int32_t rc;
    if (alpha && (kind.Format == kMclImagePng || kind.Format == kMclImageTga)) {
      MclVideoSetFileName(o.Job.Get(), file.c_str());
      MclVideoSetFormat(o.Job.Get(), kMclNone, kMclNone, 32);
      rc = MclWriteImage(o.Job.Get(), o.FrameImg.Get());
    } else {
      rc = MclSimpleWriteImage(
          o.FrameImg.Get(), file.c_str(), kind.Format,
          kind.Format == kMclImageJpeg ? static_cast<double>(quality) : kMclNoQuality);
    }
    if (rc != kMclOk) {
      // An image that cannot be written ends the job with the library's reason.
      writeError = rc;
      break;
    }
    ShowFrameProgress(static_cast<int>(n - start + 1), static_cast<int>(last - start + 1));
    FrameReady = false;
    Application->ProcessMessages();
    ++n;
  }
  return writeError == kMclOk;
}

}  // namespace lumicast
