#include "platform/sound/sound_output.h"

#include <alsa/asoundlib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace sound {

namespace {

uint32_t Get32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24);
}
uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

bool Fail(std::string* Error, const char* Text) {
  if (Error != nullptr) *Error = Text;
  return false;
}

// Frames handed to the device and the hook at a time.
constexpr size_t kFramesPerBuffer = 1024;

// One sound being played: its own stop request and end mark.
struct Sound {
  std::atomic<bool> stop{false};
  std::atomic<bool> done{false};
  std::mutex m;
  std::condition_variable ended;
};

struct Player {
  std::mutex lock;  // guards hook and device_enabled
  TSoundOutputHook hook;
  bool device_enabled = true;
  std::mutex play_lock;  // guards worker and current: one start or stop at a time
  std::thread worker;
  std::shared_ptr<Sound> current;
  // A sound still playing at exit is stopped rather than left to a thread
  // that outlives the program's data.
  ~Player() {
    if (current) current->stop = true;
    if (worker.joinable()) worker.join();
  }
};

Player& P() {
  static Player player;
  return player;
}

void Deliver(const TWaveFormat& Format, const uint8_t* Frames, size_t Bytes) {
  TSoundOutputHook hook;
  {
    std::lock_guard<std::mutex> g(P().lock);
    hook = P().hook;
  }
  if (hook) hook(Format, Frames, Bytes);
}

// The sound system reports a missing card on stderr; here that only means silence.
void QuietErrors(const char*, int, const char*, int, const char*, ...) {}

snd_pcm_t* OpenDevice(const TWaveFormat& F) {
  static const bool quiet = [] {
    snd_lib_error_set_handler(QuietErrors);
    return true;
  }();
  (void)quiet;
  snd_pcm_format_t format;
  if (F.IsFloat)
    format = SND_PCM_FORMAT_FLOAT_LE;
  else if (F.BitsPerSample == 8)
    format = SND_PCM_FORMAT_U8;
  else if (F.BitsPerSample == 16)
    format = SND_PCM_FORMAT_S16_LE;
  else if (F.BitsPerSample == 24)
    format = SND_PCM_FORMAT_S24_3LE;
  else
    format = SND_PCM_FORMAT_S32_LE;
  snd_pcm_t* pcm = nullptr;
  // Opened without waiting, so a busy device means silence rather than a
  // worker stuck before its first buffer; writing then waits as usual.
  if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) return nullptr;
  snd_pcm_nonblock(pcm, 0);
  if (snd_pcm_set_params(pcm, format, SND_PCM_ACCESS_RW_INTERLEAVED,
                         static_cast<unsigned>(F.Channels), static_cast<unsigned>(F.SamplesPerSec),
                         1, 100000) < 0) {
    snd_pcm_close(pcm);
    return nullptr;
  }
  return pcm;
}

// Plays the samples (once, or until stopped when looping).
void Run(std::shared_ptr<Sound> S, std::shared_ptr<std::vector<uint8_t>> Image, TWaveData Wave,
         bool Loop, bool UseDevice) {
  Sound& p = *S;
  const TWaveFormat& f = Wave.Format;
  snd_pcm_t* pcm = UseDevice ? OpenDevice(f) : nullptr;
  const size_t block = static_cast<size_t>(f.BlockAlign());
  const size_t chunk = kFramesPerBuffer * block;
  auto clock = std::chrono::steady_clock::now();
  do {
    for (size_t off = 0; off < Wave.Size && !p.stop; off += chunk) {
      size_t n = std::min(chunk, Wave.Size - off);
      const uint8_t* frames = Wave.Samples + off;
      Deliver(f, frames, n);
      if (pcm != nullptr) {
        snd_pcm_sframes_t left = static_cast<snd_pcm_sframes_t>(n / block);
        const uint8_t* at = frames;
        while (left > 0 && !p.stop) {
          snd_pcm_sframes_t w = snd_pcm_writei(pcm, at, static_cast<snd_pcm_uframes_t>(left));
          if (w < 0) w = snd_pcm_recover(pcm, static_cast<int>(w), 1);
          if (w < 0) {
            // The device went away: go on silently.
            snd_pcm_close(pcm);
            pcm = nullptr;
            clock = std::chrono::steady_clock::now();
            break;
          }
          left -= w;
          at += static_cast<size_t>(w) * block;
        }
      } else {
        // No device: keep to the sound's own pace.
        clock +=
            std::chrono::microseconds(static_cast<int64_t>(n / block) * 1000000 / f.SamplesPerSec);
        while (!p.stop && std::chrono::steady_clock::now() < clock)
          std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
              clock - std::chrono::steady_clock::now(), std::chrono::milliseconds(5)));
      }
    }
  } while (Loop && !p.stop);
  if (pcm != nullptr) {
    if (p.stop)
      snd_pcm_drop(pcm);
    else
      snd_pcm_drain(pcm);
    snd_pcm_close(pcm);
  }
  (void)Image;
  {
    std::lock_guard<std::mutex> g(p.m);
    p.done = true;
  }
  p.ended.notify_all();
}

void StopLocked() {
  Player& p = P();
  if (p.current) p.current->stop = true;
  if (p.worker.joinable()) p.worker.join();
  p.current.reset();
}

}  // namespace

bool ParseWaveImage(const void* Image, size_t Size, TWaveData& Out, std::string* Error) {
  const uint8_t* b = static_cast<const uint8_t*>(Image);
  if (b == nullptr || Size < 12) return Fail(Error, "The wave image is too short");
  if (std::memcmp(b, "RIFF", 4) != 0 || std::memcmp(b + 8, "WAVE", 4) != 0)
    return Fail(Error, "Not a RIFF/WAVE image");
  // The RIFF size may promise less than the image holds, never more.
  uint64_t riff_end = 8 + static_cast<uint64_t>(Get32(b + 4));
  if (riff_end > Size) return Fail(Error, "The wave image is truncated");
  bool have_fmt = false;
  TWaveFormat fmt;
  const uint8_t* data = nullptr;
  size_t data_size = 0;
  uint64_t pos = 12;
  while (pos + 8 <= riff_end) {
    const uint8_t* c = b + pos;
    uint64_t len = Get32(c + 4);
    if (pos + 8 + len > riff_end) return Fail(Error, "A chunk of the wave image is truncated");
    if (std::memcmp(c, "fmt ", 4) == 0) {
      if (have_fmt) return Fail(Error, "The wave image has two format chunks");
      if (len < 16) return Fail(Error, "The wave format chunk is too short");
      uint16_t tag = Get16(c + 8);
      fmt.Channels = Get16(c + 10);
      fmt.SamplesPerSec = static_cast<int>(Get32(c + 12));
      uint16_t align = Get16(c + 20);
      fmt.BitsPerSample = Get16(c + 22);
      if (tag == 0xFFFE) {
        if (len < 40) return Fail(Error, "The wave format chunk is too short");
        tag = Get16(c + 8 + 24);  // the sub-format's first two bytes
      }
      if (tag == 1)
        fmt.IsFloat = false;
      else if (tag == 3)
        fmt.IsFloat = true;
      else
        return Fail(Error, "The wave image is compressed (only PCM and float are played)");
      if (fmt.Channels < 1 || fmt.Channels > 8) return Fail(Error, "Unsupported channel count");
      if (fmt.SamplesPerSec < 1000 || fmt.SamplesPerSec > 384000)
        return Fail(Error, "Unsupported sample rate");
      bool bits_ok = fmt.IsFloat ? fmt.BitsPerSample == 32
                                 : (fmt.BitsPerSample == 8 || fmt.BitsPerSample == 16 ||
                                    fmt.BitsPerSample == 24 || fmt.BitsPerSample == 32);
      if (!bits_ok) return Fail(Error, "Unsupported sample size");
      if (align != fmt.BlockAlign()) return Fail(Error, "Inconsistent block alignment");
      have_fmt = true;
    } else if (std::memcmp(c, "data", 4) == 0) {
      if (data != nullptr) return Fail(Error, "The wave image has two data chunks");
      data = c + 8;
      data_size = static_cast<size_t>(len);
    }
    pos += 8 + len + (len & 1);
  }
  if (!have_fmt) return Fail(Error, "The wave image has no format chunk");
  if (data == nullptr) return Fail(Error, "The wave image has no data chunk");
  data_size -= data_size % static_cast<size_t>(fmt.BlockAlign());
  if (data_size == 0) return Fail(Error, "The wave image holds no samples");
  Out.Format = fmt;
  Out.Samples = data;
  Out.Size = data_size;
  return true;
}

bool PlaySoundMemory(const void* Image, size_t Size, uint32_t Flags) {
  Player& p = P();
  std::lock_guard<std::mutex> g(p.play_lock);
  if (Image == nullptr) {
    StopLocked();
    return true;
  }
  if ((Flags & SND_NOSTOP) && p.current && !p.current->done) return false;
  auto copy = std::make_shared<std::vector<uint8_t>>(static_cast<const uint8_t*>(Image),
                                                     static_cast<const uint8_t*>(Image) + Size);
  TWaveData wave;
  if (!ParseWaveImage(copy->data(), copy->size(), wave)) {
    StopLocked();
    return false;
  }
  StopLocked();
  const bool loop = (Flags & SND_LOOP) != 0;
  bool use_device;
  {
    std::lock_guard<std::mutex> h(p.lock);
    use_device = p.device_enabled;
  }
  auto s = std::make_shared<Sound>();
  p.current = s;
  p.worker = std::thread(Run, s, copy, wave, loop, use_device);
  // A looping sound never ends by itself: it always plays asynchronously.
  if (!(Flags & SND_ASYNC) && !loop) {
    // Wait without holding the lock, so a stop or a new sound from another
    // thread still reaches this one.
    p.play_lock.unlock();
    {
      std::unique_lock<std::mutex> w(s->m);
      s->ended.wait(w, [&] { return s->done.load(); });
    }
    p.play_lock.lock();
    if (p.current == s) StopLocked();
  }
  return true;
}

void StopSound() {
  std::lock_guard<std::mutex> g(P().play_lock);
  StopLocked();
}

bool SoundPlaying() {
  std::lock_guard<std::mutex> g(P().play_lock);
  return P().current && !P().current->done;
}

TSoundOutputHook SetSoundOutputHook(TSoundOutputHook Hook) {
  std::lock_guard<std::mutex> g(P().lock);
  TSoundOutputHook old = std::move(P().hook);
  P().hook = std::move(Hook);
  return old;
}

void SetSoundDeviceEnabled(bool Enabled) {
  std::lock_guard<std::mutex> g(P().lock);
  P().device_enabled = Enabled;
}

}  // namespace sound
