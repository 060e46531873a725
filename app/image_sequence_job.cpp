// Image-sequence jobs: every frame of the range is captured in a loop of the window's own and
// written as one numbered image file through the encoding library.
#include "app/interact_form.h"
#include "platform/classlib/application.h"
#include "platform/classlib/file_utils.h"
#include "platform/classlib/string_utils.h"

namespace lumicast {

namespace {

struct TImageKind {
  const char* Extension;
  int32_t Format;
};

// By the job's image type: PNG, TGA, GIF, BMP, JPEG.
constexpr TImageKind kImageKinds[kImageTypeCount] = {
    {".png", kMclImagePng}, {".tga", kMclImageTga}, {".gif", kMclImageGif}, {".bmp", kMclImageBmp},
    {".jpg", kMclImageJpeg}};

}  // namespace

bool TInteractFrm::ConvertToImages(TCovSettings* Job) {
  CurJob = Job;
  if (Job->swfPlayFilename.empty() || !FileExists(Job->swfPlayFilename)) return false;
  if (Job->destFilepath.empty()) return false;
  std::string base = IncludeTrailingPathDelimiter(Job->destFilepath);
  if (!DirectoryExists(base) && !ForceDirectories(base)) return false;
  base += ChangeFileExt(ExtractFileName(Job->swfFilename), "");
  const int64_t start = Job->destStartFrame;
  const int64_t last = Job->destEndFrame;
  const int64_t count = last - start + 1;
  const int width = static_cast<int>(IntToStr(count < 0 ? 0 : count).size());
  const std::string name = "\"" + ExtractFileName(Job->swfFilename) + "\"";

  const TFrameSizes sizes = GetFrameSizes(*Job);
  SkipCurrent = false;
  mniCancel->SetVisible(true);
  prbCurrent->SetMin(0);
  prbCurrent->SetMax(static_cast<int>(count < 0 ? 0 : count));
  prbCurrent->SetPosition(0);
  panInteract->SetBounds(0, 0, sizes.StageW, sizes.StageH);
  if (panInteract->CanFocus()) panInteract->SetFocus();
  if (Flash->CanFocus()) Flash->SetFocus();
  Log("Status:> Converting " + name + " to Image Sequence. | " + base);

  const bool alpha = DestColorDepthOf(*Job) > 0 && DestAlphaModeOf(*Job) > 0;
  const int alphaMode = alpha ? DestAlphaModeOf(*Job) : -1;
  const int type = DestImageTypeOf(*Job);
  const TImageKind kind = kImageKinds[type];
  int32_t quality = Job->destImageJPEGQuality;
  if (quality < 1) quality = 1;
  if (quality > 100) quality = 100;
  int32_t writeError = kMclOk;

  // After the loop, however it ended: the player stops, the job's line is logged, everything is
  // freed and the played movie goes when it is one of our temporary files.
  struct JobEnd {
    TInteractFrm* f;
    TCovSettings* job;
    const std::string& name;
    const int32_t& writeError;
    ~JobEnd() {
      f->StopJobPlayback();
      try {
        if (writeError == kMclOk) {
          f->Log("Status:> Finish converting " + name + " to Image Sequence.");
        } else {
          std::string line = ResultStatusLine(writeError, *job);
          f->Log(line.empty() ? ResultStatusLine(kMclWriteError, *job) : line);
        }
      } catch (...) {
      }
      f->FreeJobObjects();
      DeleteJobTempFile(job->swfPlayFilename, *job);
    }
  } end{this, Job, name, writeError};

  CreateJobBitmaps(sizes, alpha, Job->destIsCrop);
  if (alpha) hJob = MclCreate();

  LoadJobMovie(*Job, false);
  StartPlayback(*Job);
  const int mode = DestSequenceModeOf(*Job);

  int64_t n = start;
  while (n <= last && Converting && !SkipCurrent) {
    if (mode != 2) {
      if (!FrameReady) {
        WaitForFrame();
        continue;
      }
      CaptureFrame(FrameBmp, AlphaBmp, StageBmp, alphaMode, -1, Job->destCropX, Job->destCropY);
      Application->ProcessMessages();
    } else {
      CaptureFrame(FrameBmp, AlphaBmp, StageBmp, alphaMode, static_cast<int>(n), Job->destCropX, Job->destCropY);
    }
    MclDIBToImg(hFrameImg, FrameBmp);
    if (alpha) {
      MclDIBToImg(hAlphaImg, AlphaBmp);
      MclImgAddAlpha(hFrameImg, hAlphaImg);
    }
    const std::string file = base + "-" + ZeroPadNumber(n, width) + kind.Extension;
    int32_t rc;
    if (alpha && (kind.Format == kMclImagePng || kind.Format == kMclImageTga)) {
      MclVideoSetFileName(hJob, file.c_str());
      MclVideoSetFormat(hJob, kMclNone, kMclNone, 32);
      rc = MclWriteImage(hJob, hFrameImg);
    } else {
      rc = MclSimpleWriteImage(hFrameImg, file.c_str(), kind.Format,
                               kind.Format == kMclImageJpeg ? static_cast<double>(quality) : kMclNoQuality);
    }
    if (rc != kMclOk) {
      // An image that cannot be written ends the job with the library's reason.
      writeError = rc;
      break;
    }
    ShowFrameProgress(static_cast<int>(n - start + 1), static_cast<int>(count));
    FrameReady = false;
    Application->ProcessMessages();
    ++n;
  }
  return writeError == kMclOk;
}

}  // namespace lumicast
