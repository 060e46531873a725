#include "audio/pipes.h"

#include <algorithm>

namespace lumicast {

// ---------------------------------------------------------------- pipe

unavclInOutPipe::unavclInOutPipe(classlib::TComponent* owner) : classlib::TComponent(owner) {}

unavclInOutPipe::~unavclInOutPipe() {
  // Providers stop writing here, and this pipe leaves its consumer.
  const std::vector<unavclInOutPipe*> providers = providers_;
  for (unavclInOutPipe* p : providers) p->setConsumer(nullptr);
  setConsumer(nullptr);
}

bool unavclInOutPipe::loadingOrDesigning() const {
  return (ComponentState() & (classlib::csLoading | classlib::csDesigning)) != 0;
}

bool unavclInOutPipe::active() { return loadingOrDesigning() ? storedActive_ : isActive(); }

void unavclInOutPipe::setActive(bool value) {
  if (!lockDevice(500)) return;
  if (value != active()) {
    // The consumer opens before this pipe, so that it takes the first data, and closes after
    // it, so that it takes the last (a recorder hands over its part-filled buffer as it closes).
    const bool chained = !loadingOrDesigning() && autoActivate && consumer_;
    if (chained && value) {
      if (isFormatProvider) {
        unavclPipeFormat f;
        const size_t size = getFormat(f);
        consumer_->takeProviderFormat(f, size, this, true);
      }
      consumer_->setActive(true);
    }
    if (value) {
      if (loadingOrDesigning()) {
        storedActive_ = true;
      } else {
        inByteCount = 0;
        outByteCount = 0;
        performOpen();
      }
    } else {
      storedActive_ = false;
      if (!loadingOrDesigning()) performClose();
    }
    if (chained && !value) consumer_->setActive(false);
  }
  unlockDevice();
}

bool unavclInOutPipe::open() {
  setActive(true);
  return active();
}

void unavclInOutPipe::close() { setActive(false); }

void unavclInOutPipe::setConsumer(unavclInOutPipe* pipe) {
  if (pipe == consumer_ || pipe == this) return;
  unaGateLock lock(pipeGate_, kInfinite);
  if (consumer_) {
    consumer_->providers_.erase(
        std::remove(consumer_->providers_.begin(), consumer_->providers_.end(), this),
        consumer_->providers_.end());
    consumer_->detachProvider(this);
    consumer_->RemoveFreeNotification(this);
    RemoveFreeNotification(consumer_);
  }
  consumer_ = pipe;
  if (pipe) {
    pipe->providers_.push_back(this);
    pipe->attachProvider(this);
    pipe->FreeNotification(this);
    FreeNotification(pipe);
  }
}

void unavclInOutPipe::Notification(classlib::TComponent* component,
                                   classlib::TOperation operation) {
  classlib::TComponent::Notification(component, operation);
  if (operation != classlib::TOperation::opRemove) return;
  if (component == consumer_) {
    unaGateLock lock(pipeGate_, kInfinite);
    consumer_ = nullptr;
  }
  providers_.erase(std::remove(providers_.begin(), providers_.end(), component), providers_.end());
}

void unavclInOutPipe::Loaded() {
  classlib::TComponent::Loaded();
  if (storedActive_) {
    storedActive_ = false;
    setActive(true);
  }
}

size_t unavclInOutPipe::write(const void*, size_t) { return 0; }
size_t unavclInOutPipe::read(void*, size_t) { return 0; }
int64_t unavclInOutPipe::pendingBytes(bool) { return 0; }
void unavclInOutPipe::attachProvider(unavclInOutPipe*) {}
void unavclInOutPipe::detachProvider(unavclInOutPipe*) {}

size_t unavclInOutPipe::writeIn(const void* data, size_t len) {
  const size_t taken = write(data, len);
  if (!dumpInput.empty()) saveBytesToFile(dumpInput, data, len, 2, 0);
  inByteCount += static_cast<int64_t>(taken);
  return taken;
}

void unavclInOutPipe::handleDeviceData(const void* data, size_t len, unavclInOutPipe*) {
  if (!data || len == 0) return;
  {
    unaGateLock lock(pipeGate_, kInfinite);
    if (consumer_ && consumer_->active()) consumer_->writeIn(data, len);
  }
  if (!dumpOutput.empty()) saveBytesToFile(dumpOutput, data, len, 2, 0);
  if (onDataAvailable) onDataAvailable(this, data, len);
  outByteCount += static_cast<int64_t>(len);
}

size_t unavclInOutPipe::getFormat(unavclPipeFormat& format) {
  format = unavclPipeFormat{};
  return 0;
}

void unavclInOutPipe::takeProviderFormat(const unavclPipeFormat& format, size_t size,
                                         unavclInOutPipe* provider, bool restoreActive) {
  if (isFormatProvider && consumer_)
    consumer_->takeProviderFormat(format, size, provider, restoreActive);
}

// ---------------------------------------------------------------- wave pipe

unavclInOutWavePipe::unavclInOutWavePipe(classlib::TComponent* owner)
    : unavclInOutPipe(owner), pcm_(pcmFormat(44100, 16, 2)), acm_(sharedAcm()) {
  driver_ = acm_->findDriverForTag(static_cast<uint16_t>(formatTag_));
}

unavclInOutWavePipe::~unavclInOutWavePipe() = default;

void unavclInOutWavePipe::setDeviceId(int value) {
  if (value == deviceId_) return;
  deviceId_ = value;
  recreateDevice();
}

void unavclInOutWavePipe::setFormatTag(uint32_t value) {
  if (value == formatTag_) return;
  formatTag_ = value;
  driver_ = acm_->findDriverForTag(static_cast<uint16_t>(value));
  driverChanged();
}

void unavclInOutWavePipe::setOverNum(uint32_t value) {
  overNum_ = value;
  if (device_) {
    device_->inOverflowChunks = value;
    device_->outOverflowChunks = value;
  }
}

void unavclInOutWavePipe::setRealTime(bool value) {
  realTime_ = value;
  if (device_) device_->setRealTime(value);
}

void unavclInOutWavePipe::setInputIsPcm(bool value) {
  if (value == inputIsPcm_) return;
  inputIsPcm_ = value;
  recreateDevice();
}

void unavclInOutWavePipe::setCalcVolume(bool value) {
  calcVolume_ = value;
  if (device_) device_->setCalcVolume(value);
}

uint32_t unavclInOutWavePipe::getPcmFormat(int index) const {
  switch (index) {
    case 0: return pcm_.nSamplesPerSec;
    case 1: return pcm_.wBitsPerSample;
    default: return pcm_.nChannels;
  }
}

void unavclInOutWavePipe::setPcmFormat(int index, uint32_t value) {
  switch (index) {
    case 0: pcm_.nSamplesPerSec = value; break;
    case 1: pcm_.wBitsPerSample = static_cast<uint16_t>(value); break;
    default: pcm_.nChannels = static_cast<uint16_t>(value); break;
  }
  pcm_.nBlockAlign = static_cast<uint16_t>(pcm_.nChannels * pcm_.wBitsPerSample / 8);
  pcm_.nAvgBytesPerSec = pcm_.nBlockAlign * pcm_.nSamplesPerSec;
  pushFormatToDevice(pcm_, inputIsPcm_);
}

size_t unavclInOutWavePipe::write(const void* data, size_t len) {
  return device_ ? device_->write(data, len) : 0;
}
size_t unavclInOutWavePipe::read(void* data, size_t len) {
  return device_ ? device_->readOut(data, len) : 0;
}
int64_t unavclInOutWavePipe::pendingBytes(bool isInput) {
  return device_ ? device_->pendingBytes(isInput) : 0;
}

bool unavclInOutWavePipe::performOpen() { return device_ && device_->open(false, 10000, 0) == 0; }
void unavclInOutWavePipe::performClose() {
  if (device_) device_->close(10000);
}
bool unavclInOutWavePipe::isActive() { return device_ && device_->isOpen(); }

void unavclInOutWavePipe::attachProvider(unavclInOutPipe* pipe) {
  // The provider's blocks reach this pipe through delivery only.
  if (auto* wave = dynamic_cast<unavclInOutWavePipe*>(pipe); wave && wave->device_)
    wave->device_->replaceStream(false, nullptr, false);
}

void unavclInOutWavePipe::detachProvider(unavclInOutPipe* pipe) {
  if (auto* wave = dynamic_cast<unavclInOutWavePipe*>(pipe); wave && wave->device_)
    wave->device_->replaceStream(false, new unaMemoryStream, true);
}

size_t unavclInOutWavePipe::getFormat(unavclPipeFormat& format) {
  format = unavclPipeFormat{};
  format.formatTag = formatTag_;
  format.samplesPerSec = pcm_.nSamplesPerSec;
  format.bitsPerSample = pcm_.wBitsPerSample;
  format.numChannels = pcm_.nChannels;
  return sizeof(unavclPipeFormat);
}

void unavclInOutWavePipe::takeProviderFormat(const unavclPipeFormat& format, size_t size,
                                             unavclInOutPipe* provider, bool restoreActive) {
  if (isFormatProvider && consumer_) {
    consumer_->takeProviderFormat(format, size, provider, restoreActive);
    return;
  }
  const bool wasActive = active();
  close();
  if (!formatTagImmunable) setFormatTag(format.formatTag);
  pcm_ = pcmFormat(format.samplesPerSec, static_cast<uint16_t>(format.bitsPerSample),
                   static_cast<uint16_t>(format.numChannels));
  pushFormatToDevice(pcm_, inputIsPcm_);
  if (wasActive && restoreActive) open();
}

void unavclInOutWavePipe::recreateDevice() {
  if (device_) {
    device_->close(10000);
    device_.reset();
  }
  device_ = createDevice();
  if (!device_) return;
  device_->onDataAvailable = [this](unaObject*, const void* data, size_t len) {
    handleDeviceData(data, len, this);
  };
  device_->setCalcVolume(calcVolume_);
  pushFormatToDevice(pcm_, inputIsPcm_);
  if (consumer_) device_->replaceStream(false, nullptr, false);
  for (unavclInOutPipe* p : providers_) attachProvider(p);
}

void unavclInOutWavePipe::Loaded() {
  recreateDevice();
  unavclInOutPipe::Loaded();
}

// ---------------------------------------------------------------- recorder

TunavclWaveInDevice::TunavclWaveInDevice(classlib::TComponent* owner) : unavclInOutWavePipe(owner) {
  recreateDevice();
}

TunavclWaveInDevice::~TunavclWaveInDevice() {
  close();
  device_.reset();
}

std::unique_ptr<unaMsAcmStreamDevice> TunavclWaveInDevice::createDevice() {
  auto dev = std::make_unique<unaWaveInDevice>(static_cast<uint32_t>(deviceId_), overNum_, direct_,
                                               mapped_);
  dev->setCalcVolume(calcVolume_);
  dev->setMinVolumeLevel(minVolumeLevel_);
  dev->minActiveTime = minActiveTime_;
  return dev;
}

bool TunavclWaveInDevice::pushFormatToDevice(const WAVEFORMATEX& pcm, bool) {
  auto* dev = inputDevice();
  return dev && dev->setPcmFormat(pcm.nSamplesPerSec, pcm.wBitsPerSample, pcm.nChannels);
}

uint32_t TunavclWaveInDevice::minVolumeLevel() const {
  return inputDevice() ? inputDevice()->minVolumeLevel() : minVolumeLevel_;
}

void TunavclWaveInDevice::setMinVolumeLevel(uint32_t value) {
  minVolumeLevel_ = value;
  if (inputDevice()) inputDevice()->setMinVolumeLevel(value);
}

uint32_t TunavclWaveInDevice::minActiveTime() const {
  return inputDevice() ? inputDevice()->minActiveTime : minActiveTime_;
}

void TunavclWaveInDevice::setMinActiveTime(uint32_t value) {
  minActiveTime_ = value;
  if (inputDevice()) inputDevice()->minActiveTime = value;
}

// ---------------------------------------------------------------- WAVE file component

TunavclWaveRiff::TunavclWaveRiff(classlib::TComponent* owner) : unavclInOutWavePipe(owner) {
  recreateDevice();
}

TunavclWaveRiff::~TunavclWaveRiff() {
  close();
  device_.reset();
}

std::unique_ptr<unaMsAcmStreamDevice> TunavclWaveRiff::createDevice() {
  if (isInput_) return std::make_unique<unaRiffStream>(fileName_, acm_, loop_, realTime_);
  return std::make_unique<unaRiffStream>(fileName_, acm_, static_cast<uint16_t>(formatTag_), pcm_);
}

bool TunavclWaveRiff::pushFormatToDevice(const WAVEFORMATEX& pcm, bool) {
  unaRiffStream* r = riff();
  if (!r || r->isWriter() == false) return false;
  const WAVEFORMATEX* cur = r->srcFormat();
  if (cur && sameFormat(*cur, pcm)) return true;
  // A writer takes its format at construction: a new one replaces it.
  recreateDevice();
  return true;
}

void TunavclWaveRiff::setIsInput(bool value) {
  if (value == isInput_) return;
  isInput_ = value;
  recreateDevice();
}

void TunavclWaveRiff::setFileName(const std::string& name) {
  if (name == fileName_) return;
  fileName_ = name;
  if (!device_) return;
  if (isInput_) {
    riff()->openFile(name);
  } else {
    close();
    recreateDevice();
  }
}

size_t TunavclWaveRiff::getFormat(unavclPipeFormat& format) {
  unaRiffStream* r = riff();
  if (!isInput_ || !r) return unavclInOutWavePipe::getFormat(format);
  format = unavclPipeFormat{};
  const WAVEFORMATEX* f = r->status == unaRiffStream::statusReaderReady ? r->dstFormat() : nullptr;
  format.formatTag = 1;
  format.samplesPerSec = f ? f->nSamplesPerSec : 44100;
  format.bitsPerSample = f ? f->wBitsPerSample : 16;
  format.numChannels = f ? f->nChannels : 2;
  return sizeof(unavclPipeFormat);
}

}  // namespace lumicast
