#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/sound/mmsystem.h"

namespace sound {

struct Event::Impl {
  std::mutex mutex;
  std::condition_variable cv;
  bool signalled = false;
};

Event::Event() : impl_(new Impl) {}
Event::~Event() { delete impl_; }

void Event::Set() {
  {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->signalled = true;
  }
  impl_->cv.notify_one();
}

void Event::Reset() {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->signalled = false;
}

bool Event::Wait(uint32_t TimeoutMs) {
  std::unique_lock<std::mutex> lock(impl_->mutex);
  auto ready = [this] { return impl_->signalled; };
  if (TimeoutMs == 0xFFFFFFFFu)
    impl_->cv.wait(lock, ready);
  else if (!impl_->cv.wait_for(lock, std::chrono::milliseconds(TimeoutMs), ready))
    return false;
  impl_->signalled = false;  // auto-reset: one wait consumes the signal
  return true;
}

}  // namespace sound
