// Multimedia timers: each event runs on a thread of its own that waits on
// absolute monotonic deadlines, so a periodic timer does not drift.
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/sound/mmsystem.h"

namespace sound {

namespace {

struct TimerEvent {
  uint32_t id = 0;
  uint32_t delay = 0;
  bool periodic = false;
  LPTIMECALLBACK callback = nullptr;
  uintptr_t user = 0;
  std::mutex mutex;
  std::condition_variable cv;
  bool stop = false;
  std::thread thread;

  void Run() {
    using clock = std::chrono::steady_clock;
    auto next = clock::now();
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
      next += std::chrono::milliseconds(delay);
      if (cv.wait_until(lock, next, [this] { return stop; })) return;
      lock.unlock();
      callback(id, 0, user, 0, 0);
      lock.lock();
      if (!periodic || stop) return;
    }
  }
};

std::mutex g_timers_mutex;
std::map<uint32_t, std::shared_ptr<TimerEvent>>& Timers() {
  static auto* m = new std::map<uint32_t, std::shared_ptr<TimerEvent>>;
  return *m;
}
uint32_t g_next_timer = 1;

}  // namespace

MMRESULT timeGetDevCaps(TIMECAPS* Caps, uint32_t) {
  if (!Caps) return MMSYSERR_INVALPARAM;
  Caps->wPeriodMin = 1;
  Caps->wPeriodMax = 1000000;
  return MMSYSERR_NOERROR;
}

MMRESULT timeBeginPeriod(uint32_t Period) {
  return Period >= 1 ? MMSYSERR_NOERROR : TIMERR_NOCANDO;
}
MMRESULT timeEndPeriod(uint32_t Period) { return Period >= 1 ? MMSYSERR_NOERROR : TIMERR_NOCANDO; }

uint32_t timeSetEvent(uint32_t Delay, uint32_t, LPTIMECALLBACK Callback, uintptr_t User,
                      uint32_t Flags) {
  if (!Callback || Delay == 0 || Delay > 1000000) return 0;
  auto ev = std::make_shared<TimerEvent>();
  ev->delay = Delay;
  ev->periodic = (Flags & TIME_PERIODIC) != 0;
  ev->callback = Callback;
  ev->user = User;
  TimerEvent* raw = ev.get();
  std::lock_guard<std::mutex> lock(g_timers_mutex);
  raw->id = g_next_timer++;
  if (g_next_timer == 0) g_next_timer = 1;
  Timers()[raw->id] = ev;
  raw->thread = std::thread([ev] { ev->Run(); });  // the thread keeps its record alive
  return raw->id;
}

MMRESULT timeKillEvent(uint32_t TimerId) {
  std::shared_ptr<TimerEvent> ev;
  {
    std::lock_guard<std::mutex> lock(g_timers_mutex);
    auto it = Timers().find(TimerId);
    if (it == Timers().end()) return MMSYSERR_INVALPARAM;
    ev = std::move(it->second);
    Timers().erase(it);
  }
  {
    std::lock_guard<std::mutex> lock(ev->mutex);
    ev->stop = true;
  }
  ev->cv.notify_all();
  if (ev->thread.get_id() == std::this_thread::get_id()) {
    ev->thread.detach();  // killed from its own callback: the thread ends by itself
  } else {
    ev->thread.join();
  }
  return MMSYSERR_NOERROR;
}

uint32_t timeGetTime() {
  return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count());
}

}  // namespace sound
