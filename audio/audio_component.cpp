#include "audio/audio_component.h"

#include <cstring>

#include "platform/classlib/application.h"

namespace lumicast {

using namespace sound;

namespace {
std::string DeviceError(uint32_t code, const std::string& message) {
  char text[256] = {};
  waveInGetErrorText(code, text, sizeof text);
  return std::string(text) + " " + message;
}
}  // namespace

// ---------------------------------------------------------------- settings and rings

TAudioSettings::~TAudioSettings() = default;

void TAudioSettings::setBitsPerSample(TBitsPerSample value) {
  if (value == bits_) return;
  bits_ = value;
  allocateRing();
}

void TAudioSettings::setChannels(TChannels value) {
  if (value == channels_) return;
  channels_ = value;
  allocateRing();
}

void TAudioSettings::setSampleRate(uint16_t value) {
  if (value == rate_) return;
  rate_ = value;
  allocateRing();
}

void TAudioSettings::freeRing() {
  for (auto& e : ring) {
    e.buffer.clear();
    e.half.clear();
    e.header.lpData = nullptr;
    e.header.dwBufferLength = 0;
  }
  head = tail = pending = 0;
}

bool TAudioSettings::allocateRing() {
  const uint16_t bits = bits_ == TBitsPerSample::_16 ? 16 : 8;
  const uint16_t channels = channels_ == TChannels::Stereo ? 2 : 1;
  pcm = pcmFormat(rate_, bits, channels);
  pcm.nBlockAlign = static_cast<uint16_t>(bits == 16 ? channels * 2 : channels);
  pcm.nAvgBytesPerSec = static_cast<uint32_t>(rate_) * pcm.nBlockAlign;
  bufferSize = static_cast<uint32_t>(owner_->NoSamples()) * pcm.nBlockAlign;
  try {
    for (auto& e : ring) {
      e.buffer.assign(bufferSize, 0);
      e.half.assign(bufferSize / 2, 0);
      e.header.lpData = e.buffer.data();
      e.header.dwBufferLength = bufferSize;
      e.header.dwFlags = 0;
    }
  } catch (const std::bad_alloc&) {
    owner_->errorText = "Not enough memory to allocate Wave Buffer";
    freeRing();
    return false;
  }
  head = tail = pending = 0;
  return true;
}

uint16_t TRecorder::NoSamples() const { return owner_->NoSamples(); }

void TRecorder::SetSplitChannels(bool value) { split_ = value && channels_ == TChannels::Stereo; }

void TRecorder::handleData(WAVEHDR* header) {
  if (!active) return;
  Entry& e = ring[head];
  WAVEHDR* h = header ? header : &e.header;
  const size_t len = h->dwBytesRecorded;
  if (!skip) {
    if (!Triggered && len != 0) {
      if (pcm.wBitsPerSample == 16) {
        const auto* s = reinterpret_cast<const int16_t*>(h->lpData);
        for (size_t i = 0; i < len / 2 && !Triggered; ++i)
          if (s[i] >= static_cast<int>(TrigLevel)) Triggered = true;
      } else {
        const auto* s = reinterpret_cast<const uint8_t*>(h->lpData);
        for (size_t i = 0; i < len && !Triggered; ++i)
          if (s[i] >= TrigLevel) Triggered = true;
      }
    }
    if (Triggered) {
      if (writingToFile && recordingStream) recordingStream->write(h->lpData, len);
      if (owner_->OnRecord) {
        if (split_ && pcm.nChannels == 2) {
          // Left samples into the buffer's first half, right into the half buffer.
          const size_t sample = pcm.wBitsPerSample / 8;
          const size_t frames = len / (2 * sample);
          std::vector<char> left(frames * sample);
          e.half.resize(std::max(e.half.size(), frames * sample));
          for (size_t i = 0; i < frames; ++i) {
            std::memcpy(left.data() + i * sample, h->lpData + 2 * i * sample, sample);
            std::memcpy(e.half.data() + i * sample, h->lpData + (2 * i + 1) * sample, sample);
          }
          owner_->OnRecord(owner_, left.data(), len / 2, e.half.data());
        } else {
          owner_->OnRecord(owner_, h->lpData, len, nullptr);
        }
      }
    }
  }
  if (len != 0 && device) {
    const uint32_t r = waveInAddBuffer(device, h, sizeof(WAVEHDR));
    if (r != 0) owner_->errorText = DeviceError(r, "Error adding input buffer");
  }
  head = (head + 1) % 4;
}

bool TRecorder::Stop() {
  if (!active && !device) {
    owner_->errorText = "Recorder already closed";
    return false;
  }
  bool ok = true;
  if (device) {
    if (uint32_t r = waveInReset(device)) {
      owner_->errorText = DeviceError(r, "Error in waveInReset");
      ok = false;
    }
    for (auto& e : ring)
      if (e.header.dwFlags & WHDR_PREPARED)
        if (uint32_t r = waveInUnprepareHeader(device, &e.header, sizeof(WAVEHDR))) {
          owner_->errorText = DeviceError(r, "Error in waveInUnprepareHeader");
          ok = false;
        }
    if (uint32_t r = waveInClose(device)) {
      owner_->errorText = DeviceError(r, "Error closing input device");
      ok = false;
    }
  }
  if (recordingStream && recordingStream->isOpen()) {
    const int64_t size = recordingStream->getSize();
    const uint32_t riff = static_cast<uint32_t>(std::max<int64_t>(size - 8, 0));
    const uint32_t data = static_cast<uint32_t>(std::max<int64_t>(size - 44, 0));
    recordingStream->seek(4, true);
    recordingStream->write(&riff, 4);
    recordingStream->seek(40, true);
    recordingStream->write(&data, 4);
  }
  if (device && ok) classlib::Application->WaitUntil([this] { return !active; });
  device = nullptr;
  active = false;
  return ok;
}

bool TPlayer::refill() {
  if (!playbackStream || !device) return false;
  Entry& e = ring[tail];
  size_t n = playbackStream->read(e.buffer.data(), bufferSize, true);
  while (n < bufferSize && repeatCount > 0) {
    --repeatCount;
    playbackStream->seek(0, true);
    const size_t more = playbackStream->read(e.buffer.data() + n, bufferSize - n, true);
    if (more == 0) break;
    n += more;
  }
  if (n == 0) {
    playbackStream.reset();  // a stream at its end is freed
    return false;
  }
  readPosition += static_cast<int64_t>(n);
  e.header.dwBufferLength = static_cast<uint32_t>(n);
  waveOutPrepareHeader(device, &e.header, sizeof(WAVEHDR));
  if (waveOutWrite(device, &e.header, sizeof(WAVEHDR)) != 0) return false;
  tail = (tail + 1) % 4;
  ++pending;
  return true;
}

void TPlayer::closeDevice() {
  if (!device) return;
  for (auto& e : ring)
    if (e.header.dwFlags & WHDR_PREPARED)
      if (uint32_t r = waveOutUnprepareHeader(device, &e.header, sizeof(WAVEHDR)))
        owner_->errorText = DeviceError(r, "Error unpreparing header for playing: ");
  if (uint32_t r = waveOutClose(device))
    owner_->errorText = DeviceError(r, "Error closing output device: ");
  device = nullptr;
  bits_ = savedBits;
  channels_ = savedChannels;
  rate_ = savedRate;
  if (owner_->OnPlayed) owner_->OnPlayed(owner_);
}

void TPlayer::handlePlayed() {
  if (!active) return;
  if (pending > 0) {
    if (owner_->OnBufferPlayed) owner_->OnBufferPlayed(owner_);
    --pending;
    head = (head + 1) % 4;
    refill();
    return;
  }
  if (!finished) {
    finished = true;
    closeDevice();
  }
}

bool TPlayer::Stop() {
  if (!active && !device) {
    owner_->errorText = "Player already closed";
    return false;
  }
  playbackStream.reset();
  head = tail = pending = 0;
  if (!finished && device) {
    if (uint32_t r = waveOutReset(device))
      owner_->errorText = DeviceError(r, "Error in waveOutReset");
    closeDevice();
  }
  active = false;
  return true;
}

// ---------------------------------------------------------------- component

TAudio::TAudio(classlib::TComponent* owner) : classlib::TComponent(owner) {
  window_ = std::make_unique<unaMessageWindow>(nullptr);
  window_->handler = [this](classlib::TMessage& m) { return handleMessage(m); };
  mixer_.read(static_cast<uint32_t>(mixerDeviceId_));
  if (waveInGetNumDevs() > 0 && recorder_.allocateRing() && waveOutGetNumDevs() > 0)
    player_.allocateRing();
}

TAudio::~TAudio() {
  if (player_.active || player_.device) player_.Stop();
  if (recorder_.active || recorder_.device) recorder_.Stop();
  mixer_.closeMixer();
}

void TAudio::SetAudioDeviceID(int value) {
  audioDeviceId_ = value >= 10 ? -1 : value;
  recorder_.allocateRing();
  player_.allocateRing();
}

void TAudio::SetMixerDeviceID(int value) {
  mixerDeviceId_ = value;
  mixer_.read(static_cast<uint32_t>(value));
}

void TAudio::SetChannels(TAudioSettings* target, TChannels value) {
  if (SeparateCtrls && target) {
    target->setChannels(value);
  } else {
    recorder_.setChannels(value);
    player_.setChannels(value);
  }
  recorder_.SetSplitChannels(recorder_.SplitChannels());
}

void TAudio::SetBitsPerSample(TAudioSettings* target, TBitsPerSample value) {
  if (SeparateCtrls && target) {
    target->setBitsPerSample(value);
  } else {
    recorder_.setBitsPerSample(value);
    player_.setBitsPerSample(value);
  }
}

void TAudio::SetSampleRate(TAudioSettings* target, uint16_t value) {
  if (SeparateCtrls && target) {
    target->setSampleRate(value);
  } else {
    recorder_.setSampleRate(value);
    player_.setSampleRate(value);
  }
}

void TAudio::SetNoSamples(uint16_t value) {
  if (value == noSamples_) return;
  noSamples_ = value;
  recorder_.allocateRing();
  player_.allocateRing();
}

bool TAudio::handleMessage(classlib::TMessage& m) {
  switch (m.Msg) {
    case MM_WOM_OPEN:
      player_.active = true;
      player_.finished = false;
      player_.device = reinterpret_cast<HWAVEOUT>(m.WParam);
      return true;
    case MM_WOM_CLOSE: player_.active = false; return true;
    case MM_WOM_DONE: player_.handlePlayed(); return true;
    case MM_WIM_OPEN:
      recorder_.active = true;
      recorder_.device = reinterpret_cast<HWAVEIN>(m.WParam);
      return true;
    case MM_WIM_CLOSE: recorder_.active = false; return true;
    case MM_WIM_DATA: recorder_.handleData(reinterpret_cast<WAVEHDR*>(m.LParam)); return true;
    default: return false;
  }
}

}  // namespace lumicast
