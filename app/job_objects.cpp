#include "app/job_objects.h"

namespace lumicast {

namespace {

std::unique_ptr<classlib::TBitmap> NewBitmap(classlib::TPixelFormat Format, int Width, int Height) {
  auto bitmap = std::make_unique<classlib::TBitmap>();
  bitmap->SetPixelFormat(Format);
  bitmap->SetSize(Width, Height);
  return bitmap;
}

}  // namespace

std::unique_ptr<TJobObjects> TJobObjects::Create(const TFrameSizes& Sizes, bool Alpha, bool Crop,
                                                 bool WithJob, bool WithNames) {
  // Whatever was made before a failure goes with the half-made set.
  auto objects = std::make_unique<TJobObjects>();
  if (Alpha) {
    objects->AlphaBmp = NewBitmap(classlib::pf8bit, Sizes.FrameW, Sizes.FrameH);
    objects->AlphaImg = TMclHandle(MclImgCreate(), MclImgFree);
  }
  if (Crop) objects->StageBmp = NewBitmap(classlib::pf24bit, Sizes.StageW, Sizes.StageH);
  objects->FrameBmp = NewBitmap(classlib::pf24bit, Sizes.FrameW, Sizes.FrameH);
  objects->FrameImg = TMclHandle(MclImgCreate(), MclImgFree);
  if (WithJob) objects->Job = TMclHandle(MclCreate(), MclFree);
  if (WithNames) objects->Names = TMclHandle(MclListCreate(), MclListFree);
  return objects;
}

}  // namespace lumicast
