// Wave-out device 0: a producer of the playback mix. Written buffers are
// converted to the mix's format at once and played out period by period; a
// buffer is returned done when its last frame has been pulled by the mix.
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <set>

#include "platform/sound/device_notify.h"
#include "platform/sound/mmsystem.h"
#include "platform/sound/pcm_convert.h"
#include "platform/sound/playback_mix.h"

namespace sound {

struct WaveOutDevice {
  WAVEFORMATEX format;
  internal::DeviceNotify notify;
  std::unique_ptr<internal::PcmConverter> converter;
  std::mutex mutex;
  struct Pending {
    WAVEHDR* header;
    size_t frames;  // frames of this buffer not yet played
  };
  std::deque<Pending> pending;
  std::deque<int16_t> samples;  // converted, not yet played (stereo interleaved)
  int producer = 0;

  void Pull(int16_t* out, int frames) {
    std::unique_lock<std::mutex> lock(mutex, std::try_to_lock);
    if (!lock.owns_lock()) return;  // never block the mix: this period stays silent
    int done = 0;
    while (done < frames && !pending.empty()) {
      Pending& p = pending.front();
      const size_t take = std::min<size_t>(p.frames, static_cast<size_t>(frames - done));
      for (size_t i = 0; i < take * 2 && !samples.empty(); ++i) {
        out[done * 2 + i] = samples.front();
        samples.pop_front();
      }
      done += static_cast<int>(take);
      p.frames -= take;
      if (p.frames == 0) {
        WAVEHDR* h = p.header;
        pending.pop_front();
        h->dwFlags = (h->dwFlags | WHDR_DONE) & ~WHDR_INQUEUE;
        notify.Send(MM_WOM_DONE, reinterpret_cast<uintptr_t>(this), reinterpret_cast<intptr_t>(h));
      }
    }
  }
};

namespace {

std::mutex g_out_mutex;
std::set<WaveOutDevice*>& OutHandles() {
  static std::set<WaveOutDevice*>* s = new std::set<WaveOutDevice*>;
  return *s;
}
bool ValidOut(HWAVEOUT h) {
  std::lock_guard<std::mutex> lock(g_out_mutex);
  return h && OutHandles().count(h) != 0;
}

}  // namespace

uint32_t waveOutGetNumDevs() { return 1; }

MMRESULT waveOutGetDevCaps(uint32_t DeviceId, WAVEOUTCAPS* Caps) {
  if (!Caps) return MMSYSERR_INVALPARAM;
  if (DeviceId != 0 && DeviceId != WAVE_MAPPER) return MMSYSERR_BADDEVICEID;
  *Caps = WAVEOUTCAPS{};
  Caps->wMid = 1;
  Caps->wPid = 100;
  std::strcpy(Caps->szPname, "Playback mix");
  Caps->dwFormats = 0x000FFFFF;
  Caps->wChannels = 2;
  return MMSYSERR_NOERROR;
}

MMRESULT waveOutOpen(HWAVEOUT* Handle, uint32_t DeviceId, const WAVEFORMATEX* Format,
                     uintptr_t Callback, uintptr_t, uint32_t Flags) {
  if (!Format) return MMSYSERR_INVALPARAM;
  if (DeviceId != 0 && DeviceId != WAVE_MAPPER) return MMSYSERR_BADDEVICEID;
  if (!internal::IsPlayablePcm(*Format)) return WAVERR_BADFORMAT;
  if (Flags & WAVE_FORMAT_QUERY) return MMSYSERR_NOERROR;
  if (!Handle) return MMSYSERR_INVALPARAM;
  auto dev = std::make_unique<WaveOutDevice>();
  dev->format = *Format;
  dev->notify = internal::MakeNotify(Callback, Flags);
  dev->converter =
      std::make_unique<internal::PcmConverter>(Format->nSamplesPerSec, Format->nChannels,
                                               Format->wBitsPerSample, kMixRate, kMixChannels, 16);
  if (!dev->converter->ok()) return WAVERR_BADFORMAT;
  WaveOutDevice* raw = dev.release();
  {
    std::lock_guard<std::mutex> lock(g_out_mutex);
    OutHandles().insert(raw);
  }
  raw->producer = MixAddProducer([raw](int16_t* out, int frames) { raw->Pull(out, frames); });
  *Handle = raw;
  raw->notify.Send(MM_WOM_OPEN, reinterpret_cast<uintptr_t>(raw), 0);
  return MMSYSERR_NOERROR;
}

MMRESULT waveOutClose(HWAVEOUT Handle) {
  if (!ValidOut(Handle)) return MMSYSERR_INVALHANDLE;
  {
    std::lock_guard<std::mutex> lock(Handle->mutex);
    if (!Handle->pending.empty()) return WAVERR_STILLPLAYING;
  }
  MixRemoveProducer(Handle->producer);
  {
    std::lock_guard<std::mutex> lock(g_out_mutex);
    OutHandles().erase(Handle);
  }
  const internal::DeviceNotify notify = Handle->notify;
  delete Handle;
  notify.Send(MM_WOM_CLOSE, reinterpret_cast<uintptr_t>(Handle), 0);
  return MMSYSERR_NOERROR;
}

MMRESULT waveOutPrepareHeader(HWAVEOUT Handle, WAVEHDR* Header, uint32_t) {
  if (!ValidOut(Handle)) return MMSYSERR_INVALHANDLE;
  if (!Header || !Header->lpData) return MMSYSERR_INVALPARAM;
  Header->dwFlags |= WHDR_PREPARED;
  return MMSYSERR_NOERROR;
}

MMRESULT waveOutUnprepareHeader(HWAVEOUT Handle, WAVEHDR* Header, uint32_t) {
  if (!ValidOut(Handle)) return MMSYSERR_INVALHANDLE;
  if (!Header) return MMSYSERR_INVALPARAM;
  std::lock_guard<std::mutex> lock(Handle->mutex);
  if (Header->dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
  Header->dwFlags &= ~WHDR_PREPARED;
  return MMSYSERR_NOERROR;
}

MMRESULT waveOutWrite(HWAVEOUT Handle, WAVEHDR* Header, uint32_t) {
  if (!ValidOut(Handle)) return MMSYSERR_INVALHANDLE;
  if (!Header || !Header->lpData) return MMSYSERR_INVALPARAM;
  if (!(Header->dwFlags & WHDR_PREPARED)) return WAVERR_UNPREPARED;
  std::lock_guard<std::mutex> lock(Handle->mutex);
  if (Header->dwFlags & WHDR_INQUEUE) return MMSYSERR_INVALPARAM;
  const uint32_t frames = Header->dwBufferLength / Handle->format.nBlockAlign;
  std::vector<uint8_t> out;
  Handle->converter->Convert(reinterpret_cast<const uint8_t*>(Header->lpData),
                             static_cast<int>(frames), out);
  const size_t outFrames = out.size() / 4;
  const int16_t* s = reinterpret_cast<const int16_t*>(out.data());
  Handle->samples.insert(Handle->samples.end(), s, s + outFrames * 2);
  Header->dwFlags = (Header->dwFlags | WHDR_INQUEUE) & ~WHDR_DONE;
  Handle->pending.push_back({Header, outFrames});
  if (outFrames == 0) {
    // Too short to produce a frame: done at once.
    Handle->pending.pop_back();
    Header->dwFlags = (Header->dwFlags | WHDR_DONE) & ~WHDR_INQUEUE;
    Handle->notify.Send(MM_WOM_DONE, reinterpret_cast<uintptr_t>(Handle),
                        reinterpret_cast<intptr_t>(Header));
  }
  return MMSYSERR_NOERROR;
}

MMRESULT waveOutReset(HWAVEOUT Handle) {
  if (!ValidOut(Handle)) return MMSYSERR_INVALHANDLE;
  std::lock_guard<std::mutex> lock(Handle->mutex);
  Handle->samples.clear();
  while (!Handle->pending.empty()) {
    WAVEHDR* h = Handle->pending.front().header;
    Handle->pending.pop_front();
    h->dwFlags = (h->dwFlags | WHDR_DONE) & ~WHDR_INQUEUE;
    Handle->notify.Send(MM_WOM_DONE, reinterpret_cast<uintptr_t>(Handle),
                        reinterpret_cast<intptr_t>(h));
  }
  return MMSYSERR_NOERROR;
}

}  // namespace sound
