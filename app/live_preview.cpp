#include "app/live_preview.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace lumicast {

std::atomic<int> TLivePreview::live_count_{0};

namespace {

// How much lower than the capture the preview's worker runs.
constexpr int kNiceIncrement = 10;

}  // namespace

void CopyOpaque(const uint8_t* Src, uint8_t* Dst, size_t Count) {
  // Whole pixels at a time: the fourth byte is the top byte of a little-endian word.
  uint32_t opaque = 0;
  const uint8_t alpha_bytes[4] = {0, 0, 0, 255};
  std::memcpy(&opaque, alpha_bytes, 4);
  for (size_t i = 0; i < Count; ++i) {
    uint32_t v;
    std::memcpy(&v, Src + i * 4, 4);
    v |= opaque;
    std::memcpy(Dst + i * 4, &v, 4);
  }
}

TLivePreview::TLivePreview() {
  ++live_count_;
  worker_ = std::thread([this] { Run(); });
}

TLivePreview::~TLivePreview() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  worker_.join();
  --live_count_;
}

uint8_t* TLivePreview::PictureBuffer(int Width, int Height) {
  TPicture& p = rendered_.WriteSlot();
  if (Width < 0) Width = 0;
  if (Height < 0) Height = 0;
  // Sized once per picture size: the slots are kept from picture to picture.
  p.pixels.resize(size_t(Width) * size_t(Height) * 4);
  p.width = Width;
  p.height = Height;
  return p.pixels.data();
}

void TLivePreview::Publish() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    rendered_.Publish();
  }
  wake_.notify_one();
}

const TLivePreview::TPicture& TLivePreview::ShownPicture() {
  bool taken;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    taken = ready_.Take();
  }
  // The worker waits while a ready picture has not been shown: it may make the next one now.
  if (taken) wake_.notify_one();
  return ready_.ReadSlot();
}

// The worker makes a picture for the screen only once the last one it made has been taken, so it
// works at most as often as the screen is painted, always on the newest rendered picture.
void TLivePreview::Run() {
  // The copy for the screen yields to the capture (the renderer's threads) and the encoder when
  // the cores are busy: a picture shown a little later costs nothing, a frame captured later
  // holds up the run. Linux gives each thread its own nice value.
  const auto self = static_cast<id_t>(syscall(SYS_gettid));
  errno = 0;
  const int nice = getpriority(PRIO_PROCESS, self);
  if (errno == 0) setpriority(PRIO_PROCESS, self, std::min(nice + kNiceIncrement, 19));
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [this] { return stop_ || (rendered_.Fresh() && !ready_.Fresh()); });
      if (stop_) return;
      rendered_.Take();
    }
    const TPicture& from = rendered_.ReadSlot();
    TPicture& to = ready_.WriteSlot();
    to.pixels.resize(from.pixels.size());
    to.width = from.width;
    to.height = from.height;
    CopyOpaque(from.pixels.data(), to.pixels.data(), from.pixels.size() / 4);
    std::lock_guard<std::mutex> lock(mutex_);
    ready_.Publish();
  }
}

}  // namespace lumicast
