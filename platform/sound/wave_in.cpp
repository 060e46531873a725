// Wave-in devices: device 0 records the playback mix ("Stereo Mix"); the
// devices after it record ALSA capture devices. WAVE_MAPPER records the source
// selected on mixer 0. A device fills the oldest queued buffer, marks it done
// and signals its owner; data that finds no buffer queued is lost and counted.
#include <alsa/asoundlib.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

#include "platform/sound/device_notify.h"
#include "platform/sound/mmsystem.h"
#include "platform/sound/pcm_convert.h"
#include "platform/sound/playback_mix.h"
#include "platform/sound/sound_internal.h"
#include "platform/sound/sound_testing.h"

namespace sound {

namespace {

struct FaultState {
  std::mutex mutex;
  testing::WaveInFaults faults;
  int adds = 0;
};
FaultState& Faults() {
  static FaultState* f = new FaultState;
  return *f;
}

}  // namespace

struct WaveInDevice {
  virtual ~WaveInDevice() = default;

  WAVEFORMATEX format;
  internal::DeviceNotify notify;
  std::mutex mutex;
  std::deque<WAVEHDR*> queue;
  WAVEHDR* held = nullptr;  // a finished buffer kept back to swap completion order
  bool reorder = false;
  std::atomic<bool> started{false};
  uint64_t lost = 0;

  virtual MMRESULT StartCapture() = 0;
  virtual void StopCapture() = 0;
  // Bytes the converter still holds, delivered when recording stops.
  virtual void Drain(std::vector<uint8_t>&) {}

  void Finish(WAVEHDR* h) {
    h->dwFlags = (h->dwFlags | WHDR_DONE) & ~WHDR_INQUEUE;
    notify.Send(MM_WIM_DATA, reinterpret_cast<uintptr_t>(this), reinterpret_cast<intptr_t>(h));
  }
  // A buffer is full: it is returned (or, when completion is reordered, held
  // back until the next one has been returned).
  void Complete(WAVEHDR* h) {
    if (!reorder) {
      Finish(h);
      return;
    }
    if (!held) {
      held = h;
      return;
    }
    WAVEHDR* first = held;
    held = nullptr;
    Finish(h);
    Finish(first);
  }
  void ReleaseHeld() {
    if (held) {
      WAVEHDR* h = held;
      held = nullptr;
      Finish(h);
    }
  }
  // Called with mutex held.
  void Deliver(const uint8_t* data, size_t n) {
    while (n > 0) {
      if (queue.empty()) {
        lost += n;
        return;
      }
      WAVEHDR* h = queue.front();
      const size_t room = h->dwBufferLength - h->dwBytesRecorded;
      const size_t take = std::min(room, n);
      std::memcpy(h->lpData + h->dwBytesRecorded, data, take);
      h->dwBytesRecorded += static_cast<uint32_t>(take);
      data += take;
      n -= take;
      if (h->dwBytesRecorded >= h->dwBufferLength) {
        queue.pop_front();
        Complete(h);
      }
    }
  }
};

namespace {

// Records the playback mix converted to the device's format.
struct StereoMixIn : WaveInDevice, MixCapture {
  std::unique_ptr<internal::PcmConverter> converter;
  std::vector<int16_t> scaled;
  std::vector<uint8_t> out;
  bool attached = false;

  bool Init() {
    converter = std::make_unique<internal::PcmConverter>(
        kMixRate, kMixChannels, 16, format.nSamplesPerSec, format.nChannels, format.wBitsPerSample);
    return converter->ok();
  }
  MMRESULT StartCapture() override {
    if (!attached) {
      MixAttachCapture(this);
      attached = true;
    }
    return MMSYSERR_NOERROR;
  }
  void StopCapture() override {
    if (attached) {
      MixDetachCapture(this);
      attached = false;
    }
  }
  void Drain(std::vector<uint8_t>& o) override { converter->Flush(o); }
  void OnMix(const int16_t* frames, int count) override {
    if (!started.load()) return;
    uint32_t left = 0, right = 0;
    bool mute = false;
    internal::StereoMixGain(left, right, mute);
    scaled.resize(static_cast<size_t>(count) * 2);
    for (int i = 0; i < count; ++i) {
      scaled[2 * i] =
          mute ? 0 : static_cast<int16_t>(static_cast<int64_t>(frames[2 * i]) * left / 65535);
      scaled[2 * i + 1] =
          mute ? 0 : static_cast<int16_t>(static_cast<int64_t>(frames[2 * i + 1]) * right / 65535);
    }
    out.clear();
    std::lock_guard<std::mutex> lock(mutex);
    converter->Convert(reinterpret_cast<const uint8_t*>(scaled.data()), count, out);
    Deliver(out.data(), out.size());
  }
  ~StereoMixIn() override { StopCapture(); }
};

// Records an ALSA capture device on a thread of its own.
struct AlsaIn : WaveInDevice {
  snd_pcm_t* pcm = nullptr;
  std::thread thread;
  std::atomic<bool> stop{false};

  MMRESULT Init(const std::string& name) {
    internal::QuietAlsa();
    if (snd_pcm_open(&pcm, name.c_str(), SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK) < 0)
      return MMSYSERR_ALLOCATED;
    const snd_pcm_format_t fmt =
        format.wBitsPerSample == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE;
    if (snd_pcm_set_params(pcm, fmt, SND_PCM_ACCESS_RW_INTERLEAVED, format.nChannels,
                           format.nSamplesPerSec, 1, 200000) < 0) {
      snd_pcm_close(pcm);
      pcm = nullptr;
      return WAVERR_BADFORMAT;
    }
    return MMSYSERR_NOERROR;
  }
  void Run() {
    const size_t frameBytes = format.nBlockAlign;
    const snd_pcm_uframes_t period = std::max<uint32_t>(format.nSamplesPerSec / 100, 1);
    std::vector<uint8_t> buf(period * frameBytes);
    snd_pcm_start(pcm);
    while (!stop.load()) {
      if (snd_pcm_wait(pcm, 50) < 0) snd_pcm_prepare(pcm);
      const snd_pcm_sframes_t n = snd_pcm_readi(pcm, buf.data(), period);
      if (n == -EAGAIN) continue;
      if (n < 0) {
        snd_pcm_prepare(pcm);
        snd_pcm_start(pcm);
        continue;
      }
      std::lock_guard<std::mutex> lock(mutex);
      if (started.load()) Deliver(buf.data(), static_cast<size_t>(n) * frameBytes);
    }
    snd_pcm_drop(pcm);
    snd_pcm_prepare(pcm);
  }
  MMRESULT StartCapture() override {
    if (thread.joinable()) return MMSYSERR_NOERROR;
    stop = false;
    thread = std::thread([this] { Run(); });
    return MMSYSERR_NOERROR;
  }
  void StopCapture() override {
    stop = true;
    if (thread.joinable()) thread.join();
  }
  ~AlsaIn() override {
    StopCapture();
    if (pcm) snd_pcm_close(pcm);
  }
};

std::mutex g_handles_mutex;
std::set<WaveInDevice*>& Handles() {
  static std::set<WaveInDevice*>* s = new std::set<WaveInDevice*>;
  return *s;
}

bool Valid(HWAVEIN h) {
  std::lock_guard<std::mutex> lock(g_handles_mutex);
  return h && Handles().count(h) != 0;
}

const char* ErrorText(MMRESULT code) {
  switch (code) {
    case 0: return "The specified command was carried out.";
    case 1: return "unspecified error";
    case 2: return "device ID out of range";
    case 3: return "driver failed enable";
    case 4: return "device already allocated";
    case 5: return "device handle is invalid";
    case 6: return "no device driver present";
    case 7: return "memory allocation error";
    case 8: return "function isn't supported";
    case 9: return "error value out of range";
    case 10: return "invalid flag passed";
    case 11: return "invalid parameter passed";
    case 12: return "handle being used simultaneously on another thread (eg callback)";
    case 13: return "specified alias not found";
    case 14: return "bad registry database";
    case 15: return "registry key not found";
    case 16: return "registry read error";
    case 17: return "registry write error";
    case 18: return "registry delete error";
    case 19: return "registry value not found";
    case 20: return "driver does not call DriverCallback";
    case 32: return "unsupported wave format";
    case 33: return "still something playing";
    case 34: return "header not prepared";
    default: return nullptr;
  }
}

void CopyName(char* dst, size_t size, const std::string& src) {
  const size_t n = std::min(size - 1, src.size());
  std::memcpy(dst, src.data(), n);
  dst[n] = 0;
}

}  // namespace

uint32_t waveInGetNumDevs() {
  return 1 + static_cast<uint32_t>(internal::AlsaCaptureDevices().size());
}

MMRESULT waveInGetDevCaps(uint32_t DeviceId, WAVEINCAPS* Caps) {
  if (!Caps) return MMSYSERR_INVALPARAM;
  if (DeviceId == WAVE_MAPPER) DeviceId = internal::SelectedRecordingSource();
  if (DeviceId >= waveInGetNumDevs()) return MMSYSERR_BADDEVICEID;
  *Caps = WAVEINCAPS{};
  Caps->wMid = 1;
  Caps->wPid = static_cast<uint16_t>(DeviceId + 1);
  Caps->vDriverVersion = 0x0100;
  CopyName(Caps->szPname, sizeof Caps->szPname,
           DeviceId == 0 ? "Stereo Mix" : internal::AlsaCaptureDevices()[DeviceId - 1].displayName);
  Caps->dwFormats = 0x000FFFFF;
  Caps->wChannels = 2;
  return MMSYSERR_NOERROR;
}

MMRESULT waveInOpen(HWAVEIN* Handle, uint32_t DeviceId, const WAVEFORMATEX* Format,
                    uintptr_t Callback, uintptr_t Instance, uint32_t Flags) {
  (void)Instance;
  if (!Format) return MMSYSERR_INVALPARAM;
  const bool query = (Flags & WAVE_FORMAT_QUERY) != 0;
  if (!query && !Handle) return MMSYSERR_INVALPARAM;
  if (DeviceId == WAVE_MAPPER) DeviceId = internal::SelectedRecordingSource();
  if (DeviceId >= waveInGetNumDevs()) return MMSYSERR_BADDEVICEID;
  if (!internal::IsPlayablePcm(*Format)) return WAVERR_BADFORMAT;
  testing::WaveInFaults faults;
  {
    std::lock_guard<std::mutex> lock(Faults().mutex);
    faults = Faults().faults;
  }
  if (faults.failOpen) return MMSYSERR_ALLOCATED;
  if (query) return MMSYSERR_NOERROR;

  std::unique_ptr<WaveInDevice> dev;
  if (DeviceId == 0) {
    auto mix = std::make_unique<StereoMixIn>();
    mix->format = *Format;
    if (!mix->Init()) return WAVERR_BADFORMAT;
    dev = std::move(mix);
  } else {
    auto alsa = std::make_unique<AlsaIn>();
    alsa->format = *Format;
    const MMRESULT r = alsa->Init(internal::AlsaCaptureDevices()[DeviceId - 1].alsaName);
    if (r != MMSYSERR_NOERROR) return r;
    dev = std::move(alsa);
  }
  dev->notify = internal::MakeNotify(Callback, Flags);
  dev->reorder = faults.reorderCompletion;
  WaveInDevice* raw = dev.release();
  {
    std::lock_guard<std::mutex> lock(g_handles_mutex);
    Handles().insert(raw);
  }
  *Handle = raw;
  if (!faults.silentOpen) raw->notify.Send(MM_WIM_OPEN, reinterpret_cast<uintptr_t>(raw), 0);
  return MMSYSERR_NOERROR;
}

MMRESULT waveInClose(HWAVEIN Handle) {
  if (!Valid(Handle)) return MMSYSERR_INVALHANDLE;
  {
    std::lock_guard<std::mutex> lock(Handle->mutex);
    if (!Handle->queue.empty() || Handle->held) return WAVERR_STILLPLAYING;
  }
  Handle->started = false;
  Handle->StopCapture();
  {
    std::lock_guard<std::mutex> lock(g_handles_mutex);
    Handles().erase(Handle);
  }
  const internal::DeviceNotify notify = Handle->notify;
  delete Handle;
  notify.Send(MM_WIM_CLOSE, reinterpret_cast<uintptr_t>(Handle), 0);
  return MMSYSERR_NOERROR;
}

MMRESULT waveInPrepareHeader(HWAVEIN Handle, WAVEHDR* Header, uint32_t) {
  if (!Valid(Handle)) return MMSYSERR_INVALHANDLE;
  if (!Header || !Header->lpData) return MMSYSERR_INVALPARAM;
  std::lock_guard<std::mutex> lock(Handle->mutex);
  Header->dwFlags |= WHDR_PREPARED;
  return MMSYSERR_NOERROR;
}

MMRESULT waveInUnprepareHeader(HWAVEIN Handle, WAVEHDR* Header, uint32_t) {
  if (!Valid(Handle)) return MMSYSERR_INVALHANDLE;
  if (!Header) return MMSYSERR_INVALPARAM;
  std::lock_guard<std::mutex> lock(Handle->mutex);
  if (Header->dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
  Header->dwFlags &= ~WHDR_PREPARED;
  return MMSYSERR_NOERROR;
}

MMRESULT waveInAddBuffer(HWAVEIN Handle, WAVEHDR* Header, uint32_t) {
  if (!Valid(Handle)) return MMSYSERR_INVALHANDLE;
  if (!Header || !Header->lpData || Header->dwBufferLength == 0) return MMSYSERR_INVALPARAM;
  if (!(Header->dwFlags & WHDR_PREPARED)) return WAVERR_UNPREPARED;
  {
    std::lock_guard<std::mutex> lock(Faults().mutex);
    ++Faults().adds;
    if (Faults().faults.failAddBufferAt > 0 && Faults().adds == Faults().faults.failAddBufferAt)
      return MMSYSERR_NOMEM;
  }
  std::lock_guard<std::mutex> lock(Handle->mutex);
  if (Header->dwFlags & WHDR_INQUEUE) return MMSYSERR_INVALPARAM;
  Header->dwFlags = (Header->dwFlags | WHDR_INQUEUE) & ~WHDR_DONE;
  Header->dwBytesRecorded = 0;
  Handle->queue.push_back(Header);
  return MMSYSERR_NOERROR;
}

MMRESULT waveInStart(HWAVEIN Handle) {
  if (!Valid(Handle)) return MMSYSERR_INVALHANDLE;
  Handle->started = true;
  return Handle->StartCapture();
}

MMRESULT waveInStop(HWAVEIN Handle) {
  if (!Valid(Handle)) return MMSYSERR_INVALHANDLE;
  Handle->started = false;
  Handle->StopCapture();
  std::lock_guard<std::mutex> lock(Handle->mutex);
  std::vector<uint8_t> rest;
  Handle->Drain(rest);
  Handle->Deliver(rest.data(), rest.size());
  // The buffer being filled comes back with what it holds.
  if (!Handle->queue.empty() && Handle->queue.front()->dwBytesRecorded > 0) {
    WAVEHDR* h = Handle->queue.front();
    Handle->queue.pop_front();
    Handle->Complete(h);
  }
  Handle->ReleaseHeld();
  return MMSYSERR_NOERROR;
}

MMRESULT waveInReset(HWAVEIN Handle) {
  if (!Valid(Handle)) return MMSYSERR_INVALHANDLE;
  Handle->started = false;
  Handle->StopCapture();
  std::lock_guard<std::mutex> lock(Handle->mutex);
  Handle->ReleaseHeld();
  while (!Handle->queue.empty()) {
    WAVEHDR* h = Handle->queue.front();
    Handle->queue.pop_front();
    Handle->Finish(h);
  }
  return MMSYSERR_NOERROR;
}

MMRESULT waveInGetErrorText(MMRESULT Code, char* Text, uint32_t Size) {
  if (!Text || Size == 0) return MMSYSERR_INVALPARAM;
  const char* t = ErrorText(Code);
  if (!t) {
    Text[0] = 0;
    return MMSYSERR_BADERRNUM;
  }
  CopyName(Text, Size, t);
  return MMSYSERR_NOERROR;
}

namespace testing {

void SetWaveInFaults(const WaveInFaults& F) {
  std::lock_guard<std::mutex> lock(Faults().mutex);
  Faults().faults = F;
  Faults().adds = 0;
}

uint64_t WaveInLostBytes(HWAVEIN Handle) {
  if (!Valid(Handle)) return 0;
  std::lock_guard<std::mutex> lock(Handle->mutex);
  return Handle->lost;
}

}  // namespace testing

namespace internal {

const std::vector<CaptureDevice>& AlsaCaptureDevices() {
  static const std::vector<CaptureDevice> devices = [] {
    std::vector<CaptureDevice> list;
    if (!AlsaEnabled()) return list;
    QuietAlsa();
    snd_pcm_t* pcm = nullptr;
    if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK) == 0) {
      snd_pcm_close(pcm);
      list.push_back({"default", "Default capture device"});
    }
    int card = -1;
    while (snd_card_next(&card) == 0 && card >= 0) {
      char* name = nullptr;
      std::string display = "Card " + std::to_string(card);
      if (snd_card_get_name(card, &name) == 0 && name) {
        display = name;
        free(name);
      }
      if (display.size() > 31) display.resize(31);
      list.push_back({"plughw:" + std::to_string(card), display});
    }
    return list;
  }();
  return devices;
}

}  // namespace internal

}  // namespace sound
