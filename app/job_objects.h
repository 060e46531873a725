// The objects one conversion job works with: the frame, alpha and stage bitmaps and the encoding
// library's handles (job, sound name list, frame and alpha images). They are made together when
// a job starts and go together when it ends, however it ends (finish, error, Stop, Cancel, an
// exception, the program quitting), so nothing of one job outlives it or reaches the next.
#pragma once

#include <memory>
#include <utility>

#include "app/frame_capture.h"
#include "platform/classlib/bitmap.h"
#include "platform/encoder/mcl.h"

namespace lumicast {

// An encoding-library handle that its owner frees with the library's free function for its kind
// (MclFree, MclImgFree, MclListFree) when it goes. Handle 0 names nothing and is never freed.
class TMclHandle {
 public:
  using TFreeFunc = int32_t (*)(MclHandle);
  TMclHandle() = default;
  TMclHandle(MclHandle Handle, TFreeFunc Free) noexcept : handle_(Handle), free_(Free) {}
  TMclHandle(TMclHandle&& Other) noexcept
      : handle_(std::exchange(Other.handle_, 0)), free_(std::exchange(Other.free_, nullptr)) {}
  TMclHandle& operator=(TMclHandle&& Other) noexcept {
    if (this != &Other) {
      Reset();
      handle_ = std::exchange(Other.handle_, 0);
      free_ = std::exchange(Other.free_, nullptr);
    }
    return *this;
  }
  TMclHandle(const TMclHandle&) = delete;
  TMclHandle& operator=(const TMclHandle&) = delete;
  ~TMclHandle() { Reset(); }

  MclHandle Get() const { return handle_; }
  explicit operator bool() const { return handle_ != 0; }
  // Frees the handle now; the library answers a stale handle with a code, never a throw.
  void Reset() noexcept {
    if (handle_ != 0 && free_ != nullptr) free_(handle_);
    handle_ = 0;
  }

 private:
  MclHandle handle_ = 0;
  TFreeFunc free_ = nullptr;
};

struct TJobObjects {
  // Makes the job's objects in the order the library and the capture need them: with Alpha the
  // 8-bit alpha bitmap and its image, with Crop the whole-stage bitmap, then the 24-bit frame
  // bitmap and its image, with WithJob a library job and with WithNames a sound name list.
  static std::unique_ptr<TJobObjects> Create(const TFrameSizes& Sizes, bool Alpha, bool Crop,
                                             bool WithJob, bool WithNames);

  // Members go in the reverse of this order: the name list, the job, the frame image and
  // bitmap, the alpha image and bitmap, the stage bitmap last.
  std::unique_ptr<classlib::TBitmap> StageBmp;
  std::unique_ptr<classlib::TBitmap> AlphaBmp;
  TMclHandle AlphaImg;
  std::unique_ptr<classlib::TBitmap> FrameBmp;
  TMclHandle FrameImg;
  TMclHandle Job;
  TMclHandle Names;
  // The frame image holds the newest capture, made straight into it: the frame bitmap is behind.
  bool FrameInImage = false;
};

}  // namespace lumicast
