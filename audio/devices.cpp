#include "audio/devices.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace lumicast {

using namespace sound;

// ---------------------------------------------------------------- headers

void unaMsAcmDeviceHeader::rearm() {
  if (takesSequenceNumber) sequence = device->drawSequence();
  takesSequenceNumber = true;
  delivered = false;
}

unaWaveHeader::unaWaveHeader(unaMsAcmStreamDevice* device, uint32_t size)
    : unaMsAcmDeviceHeader(device), buffer(size) {
  header.lpData = buffer.data();
  header.dwBufferLength = size;
  header.dwUser = reinterpret_cast<uintptr_t>(this);
}

void unaWaveHeader::setFlag(uint32_t mask, bool on) {
  if (on)
    header.dwFlags |= mask;
  else
    header.dwFlags &= ~mask;
}

uint32_t unaWaveHeader::prepare() {
  return device ? 0u : static_cast<uint32_t>(MMSYSERR_INVALPARAM);
}
uint32_t unaWaveHeader::unprepare() { return 0; }

void unaWaveHeader::rearm() {
  unaMsAcmDeviceHeader::rearm();
  header.dwBytesRecorded = 0;
}

bool unaWaveHeader::isDone() const {
  const uint32_t f = header.dwFlags.load();
  return (f & WHDR_DONE) && (f & WHDR_PREPARED) && !(f & WHDR_INQUEUE);
}

bool unaWaveHeader::isInQueue() const {
  const uint32_t f = header.dwFlags.load();
  return (f & WHDR_PREPARED) && (f & WHDR_INQUEUE);
}

// ---------------------------------------------------------------- stream device

unaMsAcmStreamDevice::unaMsAcmStreamDevice(bool createInStream, bool calcVolume_,
                                           uint32_t inOverflowChunks_, uint32_t outOverflowChunks_,
                                           bool createOutStream)
    : unaThread(false, false, 0),
      inOverflowChunks(inOverflowChunks_),
      outOverflowChunks(outOverflowChunks_),
      calcVolume(calcVolume_) {
  if (createInStream) {
    inStream_ = new unaMemoryStream;
    ownsInStream_ = true;
  }
  if (createOutStream) {
    outStream_ = new unaMemoryStream;
    ownsOutStream_ = true;
  }
}

unaMsAcmStreamDevice::~unaMsAcmStreamDevice() {
  close(10000);
  stop(kInfinite);
  std::vector<unaMsAcmStreamDevice*> consumers, providers;
  {
    std::lock_guard<std::mutex> lock(linkMutex_);
    consumers.swap(consumers_);
    providers.swap(providers_);
  }
  for (auto* c : consumers) {
    std::lock_guard<std::mutex> lock(c->linkMutex_);
    c->providers_.erase(std::remove(c->providers_.begin(), c->providers_.end(), this),
                        c->providers_.end());
  }
  for (auto* p : providers) p->removeConsumer(this);
  headers.clear(unaFree);
  if (ownsInStream_) delete inStream_;
  if (ownsOutStream_) delete outStream_;
}

bool unaMsAcmStreamDevice::setFormat(bool isSrc, const std::string& formatText) {
  WAVEFORMATEX f;
  if (!textToFormat(formatText, f)) return false;
  return setFormatRec(isSrc, f);
}

bool unaMsAcmStreamDevice::setFormatRec(bool isSrc, const WAVEFORMATEX& format) {
  auto copy = std::make_unique<WAVEFORMATEX>(format);
  if (isSrc) {
    srcFormat_ = std::move(copy);
    srcFormatText = formatDescription(format);
  } else {
    dstFormat_ = std::move(copy);
    dstFormatText = formatDescription(format);
  }
  if (isSrc != ownFormatIsSource()) return true;
  unaGateLock lock(gate_, 10000);
  if (!lock) return false;
  // Bytes per second, then a chunk rate that divides it and a second evenly.
  const WAVEFORMATEX& f = format;
  const uint64_t product = static_cast<uint64_t>(std::max<uint32_t>(f.nSamplesPerSec, 1000)) *
                           std::max<uint16_t>(f.nChannels, 1) *
                           std::max<uint16_t>(f.wBitsPerSample, 1) / 8;
  uint64_t b = product;
  if (f.wFormatTag != 1 && f.nAvgBytesPerSec != 0) b = f.nAvgBytesPerSec;
  uint32_t n = 10;
  if (f.wFormatTag == 1 && b % 10 != 0) {
    n = 5;
    if (gcd(static_cast<int64_t>(b), 5) == 1) b = (b + 4) / 5 * 5;
    while (n < 25 && !(b % n == 0 && 1000 % n == 0)) ++n;
  }
  const uint64_t a = f.nBlockAlign ? f.nBlockAlign : 512;
  const uint64_t per = b / n;
  chunkSize = static_cast<uint32_t>(std::min<uint64_t>(a * ((per + a - 1) / a), 0x7FFFFFFF));
  chunkRate = n;
  inOverflowBytes = static_cast<uint64_t>(inOverflowChunks) * chunkSize;
  outOverflowBytes = static_cast<uint64_t>(outOverflowChunks) * chunkSize;
  std::lock_guard<std::mutex> l(levelMutex_);
  levels_.assign(f.nChannels, 0);
  prevLevels_.assign(f.nChannels, 0);
  return true;
}

uint32_t unaMsAcmStreamDevice::open(bool query, uint32_t timeout, uint32_t flags) {
  unaGateLock lock(openCloseGate, 10000);
  if (!lock) return MMSYSERR_HANDLEBUSY;
  if (handle.load()) return 0;
  deviceEvent.setState(false);
  uint32_t r = performOpen(flags | (query ? WAVE_FORMAT_QUERY : 0));
  if (r != 0) {
    handle = 0;
    return r;
  }
  if (query) return 0;
  if (!deviceEvent.waitFor(timeout)) {
    performClose(timeout);
    handle = 0;
    return MMSYSERR_HANDLEBUSY;
  }
  headers.clear(unaFree);
  r = afterOpen();
  if (r == 0) {
    if (!start(10000)) r = MMSYSERR_ERROR;
  }
  if (r != 0) {
    // Nothing stays half open.
    stop(timeout);
    performClose(timeout);
    headers.clear(unaFree);
    handle = 0;
  }
  return r;
}

uint32_t unaMsAcmStreamDevice::close(uint32_t timeout) {
  unaGateLock lock(openCloseGate, 10000);
  if (!lock) return MMSYSERR_HANDLEBUSY;
  if (!handle.load()) return 0;
  stop(timeout);
  // Every buffer comes back before the platform device closes.
  const auto limit = std::chrono::steady_clock::now() +
                     std::chrono::milliseconds(timeout == kInfinite ? 60000 : timeout);
  while (headers.count() > 0) {
    bool removed = false;
    for (int i = 0; i < headers.count(); ++i) {
      auto* h = static_cast<unaMsAcmDeviceHeader*>(headers.get(i));
      if (h->isDone() || h->delivered.load() || !h->isInQueue()) {
        unprepareHeader(h);
        headers.removeByIndex(i, unaFree);
        removed = true;
        break;
      }
    }
    if (!removed) {
      if (std::chrono::steady_clock::now() > limit) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  }
  deviceEvent.setState(false);
  uint32_t r = performClose(timeout);
  if (r == 0) {
    if (deviceEvent.waitFor(timeout)) {
      handle = 0;
    } else {
      r = MMSYSERR_HANDLEBUSY;
    }
  }
  afterClose(r);
  return r;
}

void unaMsAcmStreamDevice::resetState() {
  sequenceCounter_ = 0;
  {
    std::lock_guard<std::mutex> lock(sequenceMutex_);
    lastDelivered_ = 0;
    skipped_.clear();
  }
  std::lock_guard<std::recursive_mutex> lock(streamLock_);
  if (inStream_) inStream_->clear();
  if (outStream_) outStream_->clear();
}

uint32_t unaMsAcmStreamDevice::performOpen(uint32_t) {
  resetState();
  deviceEvent.setState(true);
  return 0;
}

uint32_t unaMsAcmStreamDevice::performClose(uint32_t) {
  deviceEvent.setState(true);
  return 0;
}

void unaMsAcmStreamDevice::afterClose(uint32_t) {
  std::lock_guard<std::mutex> l(levelMutex_);
  std::fill(levels_.begin(), levels_.end(), 0);
  std::fill(prevLevels_.begin(), prevLevels_.end(), 0);
}

uint32_t unaMsAcmStreamDevice::level(int channel) const {
  std::lock_guard<std::mutex> l(levelMutex_);
  return channel >= 0 && channel < static_cast<int>(levels_.size())
             ? levels_[static_cast<size_t>(channel)]
             : 0;
}

bool unaMsAcmStreamDevice::inspectBlock(const void* data, size_t len) {
  const WAVEFORMATEX* f = ownFormat();
  if (calcVolume && f && f->wFormatTag == 1 && f->nChannels > 0 && f->nBlockAlign > 0) {
    const size_t count = len / f->nBlockAlign;
    std::lock_guard<std::mutex> l(levelMutex_);
    levels_.resize(f->nChannels);
    prevLevels_.resize(f->nChannels);
    for (unsigned ch = 0; ch < f->nChannels; ++ch) {
      prevLevels_[ch] = levels_[ch];
      levels_[ch] = sampleLevel(data, count, f->wBitsPerSample, false, ch, f->nChannels);
    }
  }
  return true;
}

void unaMsAcmStreamDevice::deliver(const void* data, size_t len) {
  if (len == 0 || !data) return;
  if (!inspectBlock(data, len)) {
    skippedByteCount += static_cast<int64_t>(len);
    return;
  }
  outByteCount += static_cast<int64_t>(len);
  if (onDataAvailable) onDataAvailable(this, data, len);
  std::vector<unaMsAcmStreamDevice*> consumers;
  {
    std::lock_guard<std::mutex> lock(linkMutex_);
    consumers = consumers_;
  }
  for (auto* c : consumers) c->write(data, len);
  {
    std::lock_guard<std::recursive_mutex> lock(streamLock_);
    if (outStream_) {
      if (outOverflowChunks > 0 && static_cast<uint64_t>(outStream_->getSize()) > outOverflowBytes)
        outDroppedBytes += static_cast<int64_t>(len);
      else
        outStream_->write(data, len);
    }
  }
  dataEvent.setState(true);
}

size_t unaMsAcmStreamDevice::write(const void* data, size_t len) {
  std::lock_guard<std::recursive_mutex> lock(streamLock_);
  if (!inStream_ || !data || len == 0) return 0;
  if (len > 4) {
    uint32_t first;
    std::memcpy(&first, data, 4);
    if (first == 0x33333333u)
      logInfo(std::string("unaMsAcmStreamDevice.write() - got **hack** packet (") +
              std::to_string(len) + " bytes)");
  }
  if (inOverflowChunks > 0 && static_cast<uint64_t>(inStream_->getSize()) > inOverflowBytes) {
    inDroppedBytes += static_cast<int64_t>(len);
    return 0;
  }
  return inStream_->write(data, len);
}

size_t unaMsAcmStreamDevice::readOut(void* data, size_t len) {
  std::lock_guard<std::recursive_mutex> lock(streamLock_);
  if (!outStream_ || !data) return 0;
  if (len == 0) {
    auto* mem = dynamic_cast<unaMemoryStream*>(outStream_);
    if (!mem) return 0;
    len = mem->oldestChunkBytes();
  }
  return outStream_->read(data, len, true);
}

bool unaMsAcmStreamDevice::replaceStream(bool isInput, unaAbstractStream* stream, bool owns) {
  std::lock_guard<std::recursive_mutex> lock(streamLock_);
  unaAbstractStream*& slot = isInput ? inStream_ : outStream_;
  bool& slotOwns = isInput ? ownsInStream_ : ownsOutStream_;
  if (slot != stream && slotOwns) delete slot;
  slot = stream;
  slotOwns = owns && stream != nullptr;
  return true;
}

int64_t unaMsAcmStreamDevice::pendingBytes(bool isInput) {
  std::lock_guard<std::recursive_mutex> lock(streamLock_);
  unaAbstractStream* s = isInput ? inStream_ : outStream_;
  return s ? s->getSize() : 0;
}

unaAbstractStream* unaMsAcmStreamDevice::inStream() { return inStream_; }

void unaMsAcmStreamDevice::addConsumer(unaMsAcmStreamDevice* consumer) {
  if (!consumer || consumer == this) return;
  {
    std::lock_guard<std::mutex> lock(linkMutex_);
    if (std::find(consumers_.begin(), consumers_.end(), consumer) != consumers_.end()) return;
    consumers_.push_back(consumer);
  }
  std::lock_guard<std::mutex> lock(consumer->linkMutex_);
  consumer->providers_.push_back(this);
}

void unaMsAcmStreamDevice::removeConsumer(unaMsAcmStreamDevice* consumer) {
  {
    std::lock_guard<std::mutex> lock(linkMutex_);
    consumers_.erase(std::remove(consumers_.begin(), consumers_.end(), consumer), consumers_.end());
  }
  std::lock_guard<std::mutex> lock(consumer->linkMutex_);
  consumer->providers_.erase(
      std::remove(consumer->providers_.begin(), consumer->providers_.end(), this),
      consumer->providers_.end());
}

void unaMsAcmStreamDevice::skipSequence(uint32_t sequence) {
  std::lock_guard<std::mutex> lock(sequenceMutex_);
  skipped_.insert(sequence);
}

unaMsAcmDeviceHeader* unaMsAcmStreamDevice::nextReadyHeader() {
  uint32_t want;
  {
    std::lock_guard<std::mutex> lock(sequenceMutex_);
    while (skipped_.count(lastDelivered_ + 1)) {
      skipped_.erase(lastDelivered_ + 1);
      ++lastDelivered_;
    }
    want = lastDelivered_ + 1;
  }
  for (int i = 0; i < headers.count(); ++i) {
    auto* h = static_cast<unaMsAcmDeviceHeader*>(headers.get(i));
    if (h && !h->delivered.load() && h->isDone() && h->sequence == want) {
      std::lock_guard<std::mutex> lock(sequenceMutex_);
      lastDelivered_ = want;
      return h;
    }
  }
  return nullptr;
}

int unaMsAcmStreamDevice::headersInProgress() { return headersQueued.load(); }

// ---------------------------------------------------------------- wave device

unaWaveDevice::unaWaveDevice(uint32_t deviceId_, bool mapped_, bool direct_, bool createInStream,
                             bool calcVolume_, uint32_t inOverflowChunks_,
                             uint32_t outOverflowChunks_, bool createOutStream)
    : unaMsAcmStreamDevice(createInStream, calcVolume_, inOverflowChunks_, outOverflowChunks_,
                           createOutStream),
      deviceId(deviceId_),
      mapped(mapped_),
      direct(direct_) {}

bool unaWaveDevice::setPcmFormat(uint32_t rate, uint16_t bits, uint16_t channels) {
  return setFormat(ownFormatIsSource(), formatToText(pcmFormat(rate, bits, channels)));
}

uint32_t unaWaveDevice::waveFlags(uint32_t flags, bool query) const {
  if ((flags & ~WAVE_FORMAT_QUERY) == 0) {
    flags = CALLBACK_EVENT | (query ? WAVE_FORMAT_QUERY : 0);
    if (mapped) flags |= WAVE_MAPPED;
    if (direct) flags |= WAVE_FORMAT_DIRECT;
  }
  return flags;
}

int unaWaveDevice::execute() {
  bool again = true;
  while (!stopRequested()) {
    if (again || deviceEvent.waitFor(10)) {
      do {
        unaMsAcmDeviceHeader* h = nextReadyHeader();
        if (h) h->delivered = true;
        again = processHeader(h);
      } while (again && !stopRequested());
    } else if (headersInProgress() < 3) {
      again = processHeader(nullptr);
    }
  }
  return 0;
}

// ---------------------------------------------------------------- wave-in

unaWaveInDevice::unaWaveInDevice(uint32_t deviceId_, uint32_t overNum, bool direct_, bool mapped_)
    : unaWaveDevice(deviceId_, mapped_, direct_, false, false, overNum, overNum, true) {
  waveInGetDevCaps(deviceId_, &caps);
}

unaWaveInDevice::~unaWaveInDevice() {
  close(10000);
  stop(kInfinite);
}

std::string unaWaveInDevice::getErrorText(uint32_t code) const {
  char text[256];
  if (waveInGetErrorText(code, text, sizeof text) == 0)
    return std::to_string(code) + " (" + text + ")";
  return mmErrorText(code);
}

void unaWaveInDevice::setMinVolumeLevel(uint32_t value) {
  if (value == minVolumeLevel_) return;
  if (value != 0 && minVolumeLevel_ == 0) {
    savedCalcVolume = calcVolume;
    calcVolume = true;
  } else if (value == 0) {
    calcVolume = savedCalcVolume;
  }
  minVolumeLevel_ = value;
}

uint32_t unaWaveInDevice::performOpen(uint32_t flags) {
  resetState();
  if (!dstFormat_) return WAVERR_BADFORMAT;
  HWAVEIN h = nullptr;
  const uint32_t r = waveInOpen(
      &h, deviceId, dstFormat_.get(), reinterpret_cast<uintptr_t>(deviceEvent.handle()),
      reinterpret_cast<uintptr_t>(this), waveFlags(flags, (flags & WAVE_FORMAT_QUERY) != 0));
  if (r == 0 && h) handle = reinterpret_cast<uintptr_t>(h);
  return r;
}

uint32_t unaWaveInDevice::performClose(uint32_t) {
  const uint32_t r = waveInClose(reinterpret_cast<HWAVEIN>(handle.load()));
  deviceEvent.setState(true);
  return r;
}

uint32_t unaWaveInDevice::afterOpen() {
  inByteCount = 0;
  outByteCount = 0;
  skippedByteCount = 0;
  isSilent_ = false;
  headersQueued = 0;
  queueBuffer(nullptr);
  return waveInStart(reinterpret_cast<HWAVEIN>(handle.load()));
}

uint32_t unaWaveInDevice::prepareHeader(unaMsAcmDeviceHeader* header) {
  auto* h = static_cast<unaWaveHeader*>(header);
  return waveInPrepareHeader(reinterpret_cast<HWAVEIN>(handle.load()), &h->header, sizeof(WAVEHDR));
}

uint32_t unaWaveInDevice::unprepareHeader(unaMsAcmDeviceHeader* header) {
  auto* h = static_cast<unaWaveHeader*>(header);
  return waveInUnprepareHeader(reinterpret_cast<HWAVEIN>(handle.load()), &h->header,
                               sizeof(WAVEHDR));
}

void unaWaveInDevice::queueBuffer(unaWaveHeader* header) {
  while (!stopRequested() && headersQueued.load() < 20) {
    if (!header) {
      if (chunkSize == 0) return;
      header = new unaWaveHeader(this, chunkSize);
      addHeader(header);
      if (prepareHeader(header) != 0) return;
    }
    header->rearm();
    if (waveInAddBuffer(reinterpret_cast<HWAVEIN>(handle.load()), &header->header,
                        sizeof(WAVEHDR)) != 0) {
      // The number drawn is never delivered: later buffers must not wait for it.
      skipSequence(header->sequence);
      return;
    }
    ++headersQueued;
    header = nullptr;
  }
}

bool unaWaveInDevice::processHeader(unaMsAcmDeviceHeader* header) {
  if (!header) {
    queueBuffer(nullptr);
    return false;
  }
  auto* h = static_cast<unaWaveHeader*>(header);
  deliver(h->header.lpData, h->header.dwBytesRecorded);
  --headersQueued;
  queueBuffer(h);
  return true;
}

bool unaWaveInDevice::inspectBlock(const void* data, size_t len) {
  unaMsAcmStreamDevice::inspectBlock(data, len);
  if (!calcVolume || minVolumeLevel_ == 0) {
    silenceStart_ = 0;
    isSilent_ = false;
    return true;
  }
  const uint64_t now = counterNow() / 1000;
  if (silenceStart_ != 0 && now - silenceStart_ <= minActiveTime) return true;
  bool quiet = true;
  const WAVEFORMATEX* f = ownFormat();
  for (unsigned ch = 0; f && ch < f->nChannels; ++ch)
    if (level(static_cast<int>(ch)) >= minVolumeLevel_) quiet = false;
  if (isSilent_ && !quiet) {
    isSilent_ = false;
    silenceStart_ = 0;
  }
  if (quiet && !isSilent_) {
    if (silenceStart_ == 0) {
      silenceStart_ = now == 0 ? 1 : now;
    } else {
      isSilent_ = true;
      silenceStart_ = 0;
    }
  }
  return !isSilent_;
}

bool unaWaveInDevice::pauseCapture() {
  if (!isOpen()) return false;
  return waveInStop(reinterpret_cast<HWAVEIN>(handle.load())) == 0;
}

bool unaWaveInDevice::resumeCapture() {
  if (!isOpen()) return false;
  return waveInStart(reinterpret_cast<HWAVEIN>(handle.load())) == 0;
}

void unaWaveInDevice::threadEntry() { setPriority(2); }

void unaWaveInDevice::threadExit() {
  const HWAVEIN h = reinterpret_cast<HWAVEIN>(handle.load());
  // The part-filled buffer comes back with what it holds, the empty ones after it.
  waveInStop(h);
  waveInReset(h);
  // What came back after the loop's last pass still reaches the consumers, in order: the sound
  // recorded since the last whole buffer is the end of the recording.
  while (unaMsAcmDeviceHeader* header = nextReadyHeader()) {
    header->delivered = true;
    auto* w = static_cast<unaWaveHeader*>(header);
    deliver(w->header.lpData, w->header.dwBytesRecorded);
    --headersQueued;
  }
}

}  // namespace lumicast
