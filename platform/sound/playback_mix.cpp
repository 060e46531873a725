#include "platform/sound/playback_mix.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/sound/sound_internal.h"

namespace sound {

namespace {

struct Producer {
  int id;
  MixPullFn pull;
  bool dead;
};

// The mix's shared state. mixMutex is held for a whole period, so that removing
// a producer or a capture waits for a pull or a delivery in progress; it is
// recursive because a producer may unregister itself from inside its pull.
struct MixState {
  std::recursive_mutex mixMutex;
  std::vector<Producer> producers;
  std::vector<MixCapture*> captures;
  int nextId = 1;

  std::mutex lifeMutex;  // starts and stops the thread
  std::thread thread;
  std::atomic<bool> stop{false};
  std::atomic<bool> running{false};
  std::atomic<bool> manual{false};

  std::vector<int16_t> sum = std::vector<int16_t>(kMixPeriodFrames * kMixChannels);
  std::vector<int16_t> one = std::vector<int16_t>(kMixPeriodFrames * kMixChannels);
  std::vector<int32_t> acc = std::vector<int32_t>(kMixPeriodFrames * kMixChannels);

  // Sound output.
  snd_pcm_t* pcm = nullptr;
  bool outputTried = false;
  std::string outputName;
  std::atomic<uint64_t> outputFrames{0};
};

MixState& State() {
  static MixState* s = new MixState;  // lives for the whole process
  return *s;
}

// Set while this thread pulls producers or feeds captures: a producer that
// leaves from inside its pull must not start or stop the thread there (the
// mix's lock is held); the mix thread looks again after the period.
thread_local bool t_inPeriod = false;

std::mutex g_hookMutex;
std::function<void()> g_afterPeriod;

void SilentAlsaErrors(const char*, int, const char*, int, const char*, ...) {}

void CloseOutput(MixState& s) {
  if (s.pcm) {
    snd_pcm_drop(s.pcm);
    snd_pcm_close(s.pcm);
    s.pcm = nullptr;
  }
  s.outputTried = false;
}

bool OutputWanted(const MixState& s) { return !s.outputName.empty() || AlsaEnabled(); }

void OpenOutput(MixState& s) {
  s.outputTried = true;
  if (!OutputWanted(s)) return;
  internal::QuietAlsa();
  const std::string name = s.outputName.empty() ? "default" : s.outputName;
  snd_pcm_t* pcm = nullptr;
  if (snd_pcm_open(&pcm, name.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) return;
  if (snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, kMixChannels,
                         kMixRate, 1, 200000) < 0) {
    snd_pcm_close(pcm);
    return;
  }
  s.pcm = pcm;
}

// Writes one period, keeping the device between 40 and 200 ms ahead: below
// that the period is written twice, above it the period is dropped.
void WriteOutput(MixState& s, const int16_t* frames) {
  if (!s.outputTried) OpenOutput(s);
  if (!s.pcm) return;
  snd_pcm_sframes_t delay = 0;
  if (snd_pcm_delay(s.pcm, &delay) < 0) {
    snd_pcm_prepare(s.pcm);
    delay = 0;
  }
  int copies = 1;
  if (delay < kMixRate * 40 / 1000)
    copies = 2;
  else if (delay > kMixRate * 200 / 1000)
    copies = 0;
  for (int c = 0; c < copies; ++c) {
    snd_pcm_sframes_t n = snd_pcm_writei(s.pcm, frames, kMixPeriodFrames);
    if (n == -EPIPE || n == -ESTRPIPE) {
      snd_pcm_prepare(s.pcm);
      n = snd_pcm_writei(s.pcm, frames, kMixPeriodFrames);
    }
    if (n < 0) break;
    s.outputFrames += static_cast<uint64_t>(n);
  }
}

void RunPeriod(MixState& s) {
  std::lock_guard<std::recursive_mutex> lock(s.mixMutex);
  t_inPeriod = true;
  struct Leave {
    ~Leave() { t_inPeriod = false; }
  } leave;
  std::vector<int32_t>& acc = s.acc;
  std::fill(acc.begin(), acc.end(), 0);
  for (size_t i = 0; i < s.producers.size(); ++i) {
    if (s.producers[i].dead) continue;
    std::fill(s.one.begin(), s.one.end(), 0);
    MixPullFn pull = s.producers[i].pull;  // the producer may unregister inside
    pull(s.one.data(), kMixPeriodFrames);
    for (size_t k = 0; k < acc.size(); ++k) acc[k] += s.one[k];
  }
  s.producers.erase(std::remove_if(s.producers.begin(), s.producers.end(),
                                   [](const Producer& p) { return p.dead; }),
                    s.producers.end());
  for (size_t k = 0; k < acc.size(); ++k)
    s.sum[k] = static_cast<int16_t>(std::clamp(acc[k], -32768, 32767));
  WriteOutput(s, s.sum.data());
  for (size_t i = 0; i < s.captures.size(); ++i) {
    if (s.captures[i]) s.captures[i]->OnMix(s.sum.data(), kMixPeriodFrames);
  }
  s.captures.erase(std::remove(s.captures.begin(), s.captures.end(), nullptr), s.captures.end());
}

void AddNs(timespec& t, long ns) {
  t.tv_nsec += ns;
  while (t.tv_nsec >= 1000000000L) {
    t.tv_nsec -= 1000000000L;
    ++t.tv_sec;
  }
}

int64_t NsBetween(const timespec& a, const timespec& b) {
  return (static_cast<int64_t>(b.tv_sec) - a.tv_sec) * 1000000000LL + (b.tv_nsec - a.tv_nsec);
}

bool Attached(MixState& s);
void UpdateThread(MixState& s);
void EndIfIdle(MixState& s);

void MixThread(MixState* s) {
  timespec deadline;
  clock_gettime(CLOCK_MONOTONIC, &deadline);
  while (!s->stop.load()) {
    AddNs(deadline, 10000000L);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
    }
    if (s->stop.load()) break;
    RunPeriod(*s);
    {
      std::function<void()> hook;
      {
        std::lock_guard<std::mutex> lock(g_hookMutex);
        hook = g_afterPeriod;
      }
      if (hook) hook();
    }
    // Everything may have left during the period: then the thread ends.
    if (!Attached(*s)) EndIfIdle(*s);
    // After a long stall (the process was stopped), start counting afresh
    // instead of pulling a burst of periods.
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    if (NsBetween(deadline, now) > 500000000LL) deadline = now;
  }
  std::lock_guard<std::recursive_mutex> lock(s->mixMutex);
  CloseOutput(*s);
}

bool Attached(MixState& s) {
  std::lock_guard<std::recursive_mutex> lock(s.mixMutex);
  for (const Producer& p : s.producers)
    if (!p.dead) return true;
  for (MixCapture* c : s.captures)
    if (c) return true;
  return false;
}

// Starts or stops the mix thread to match what is attached.
void UpdateThread(MixState& s) {
  std::lock_guard<std::mutex> life(s.lifeMutex);
  const bool want = !s.manual.load() && Attached(s);
  if (want && s.running.load()) return;
  if (!want && !s.running.load()) return;
  if (want) {
    if (s.thread.joinable()) s.thread.join();
    s.stop = false;
    s.running = true;
    s.thread = std::thread(MixThread, &s);
    return;
  }
  s.stop = true;
  if (std::this_thread::get_id() == s.thread.get_id()) {
    // Stopping from inside a pull: the thread ends by itself and is joined
    // by the next start.
    s.running = false;
    return;
  }
  if (s.thread.joinable()) s.thread.join();
  s.running = false;
}

// The mix thread ends itself when nothing is attached. It never waits for
// lifeMutex: whoever holds it may be joining this very thread (the last
// producer or capture leaving), and that holder sets `stop` anyway; a holder
// that starts the thread for a newcomer leaves it running.
void EndIfIdle(MixState& s) {
  std::unique_lock<std::mutex> life(s.lifeMutex, std::try_to_lock);
  if (!life.owns_lock() || Attached(s)) return;
  s.stop = true;
  s.running = false;  // joined by the next start
}

}  // namespace

namespace internal {
void QuietAlsa() {
  static std::once_flag once;
  std::call_once(once, [] { snd_lib_error_set_handler(SilentAlsaErrors); });
}
}  // namespace internal

bool AlsaEnabled() {
  static const bool enabled = [] {
    const char* v = std::getenv("LUMICAST_SOUND");
    return !(v && std::strcmp(v, "none") == 0);
  }();
  return enabled;
}

int MixAddProducer(MixPullFn Pull) {
  MixState& s = State();
  int id;
  {
    std::lock_guard<std::recursive_mutex> lock(s.mixMutex);
    id = s.nextId++;
    s.producers.push_back(Producer{id, std::move(Pull), false});
  }
  if (!t_inPeriod) UpdateThread(s);
  return id;
}

void MixRemoveProducer(int Id) {
  MixState& s = State();
  {
    std::lock_guard<std::recursive_mutex> lock(s.mixMutex);
    for (Producer& p : s.producers)
      if (p.id == Id) p.dead = true;
    if (!t_inPeriod)
      s.producers.erase(std::remove_if(s.producers.begin(), s.producers.end(),
                                       [](const Producer& p) { return p.dead; }),
                        s.producers.end());
  }
  if (!t_inPeriod) UpdateThread(s);
}

void MixAttachCapture(MixCapture* Capture) {
  MixState& s = State();
  {
    std::lock_guard<std::recursive_mutex> lock(s.mixMutex);
    if (std::find(s.captures.begin(), s.captures.end(), Capture) == s.captures.end())
      s.captures.push_back(Capture);
  }
  if (!t_inPeriod) UpdateThread(s);
}

void MixDetachCapture(MixCapture* Capture) {
  MixState& s = State();
  {
    std::lock_guard<std::recursive_mutex> lock(s.mixMutex);
    for (MixCapture*& c : s.captures)
      if (c == Capture) c = nullptr;
    if (!t_inPeriod)
      s.captures.erase(std::remove(s.captures.begin(), s.captures.end(), nullptr),
                       s.captures.end());
  }
  if (!t_inPeriod) UpdateThread(s);
}

bool MixThreadRunning() { return State().running.load(); }

namespace testing {

void SetManualMixClock(bool On) {
  MixState& s = State();
  s.manual = On;
  UpdateThread(s);
}

void AdvanceMixClock(int Periods) {
  MixState& s = State();
  for (int i = 0; i < Periods; ++i) RunPeriod(s);
}

void SetOutputDevice(const std::string& Name) {
  MixState& s = State();
  std::lock_guard<std::recursive_mutex> lock(s.mixMutex);
  CloseOutput(s);
  s.outputName = Name;
}

void SetAfterMixPeriodHook(std::function<void()> Hook) {
  std::lock_guard<std::mutex> lock(g_hookMutex);
  g_afterPeriod = std::move(Hook);
}

uint64_t OutputFramesWritten() { return State().outputFrames.load(); }

}  // namespace testing

}  // namespace sound
