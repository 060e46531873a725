// Data-pipe components: a producer hands each block to its consumer and to its
// onDataAvailable event. The wave-in recorder and the WAVE file component.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "audio/core.h"
#include "audio/devices.h"
#include "audio/riff.h"
#include "platform/classlib/component.h"

namespace lumicast {

class unavclInOutPipe;
using TunavclDataAvailableEvent =
    std::function<void(unavclInOutPipe* sender, const void* data, size_t len)>;

// The format a provider hands to its consumer: tag, rate, bits, channels (28 bytes with padding).
struct unavclPipeFormat {
  uint32_t formatTag = 0;
  uint32_t samplesPerSec = 0;
  uint32_t bitsPerSample = 0;
  uint32_t numChannels = 0;
  uint32_t reserved[3] = {0, 0, 0};
};

class unavclInOutPipe : public classlib::TComponent {
 public:
  explicit unavclInOutPipe(classlib::TComponent* owner = nullptr);
  ~unavclInOutPipe() override;
  std::string ClassName() const override { return "unavclInOutPipe"; }

  // Published properties.
  bool active();
  void setActive(bool value);
  unavclInOutPipe* consumer() const { return consumer_; }
  void setConsumer(unavclInOutPipe* pipe);
  std::string dumpInput, dumpOutput;
  bool isFormatProvider = false;
  bool autoActivate = true;
  TunavclDataAvailableEvent onDataAvailable;

  bool open();
  void close();
  std::atomic<int64_t> inByteCount{0}, outByteCount{0};
  const std::vector<unavclInOutPipe*>& providers() const { return providers_; }

  virtual size_t write(const void* data, size_t len);
  virtual size_t read(void* data, size_t len);
  virtual int64_t pendingBytes(bool isInput);
  // Writes a block into this pipe (as its provider's consumer).
  size_t writeIn(const void* data, size_t len);
  virtual void handleDeviceData(const void* data, size_t len, unavclInOutPipe* provider);
  virtual size_t getFormat(unavclPipeFormat& format);
  virtual void takeProviderFormat(const unavclPipeFormat& format, size_t size,
                                  unavclInOutPipe* provider, bool restoreActive);

 protected:
  virtual bool performOpen() { return false; }
  virtual void performClose() {}
  virtual bool isActive() { return false; }
  virtual bool lockDevice(uint32_t timeout) { return deviceGate_.enter(timeout); }
  virtual void unlockDevice() { deviceGate_.leave(); }
  virtual void attachProvider(unavclInOutPipe* pipe);
  virtual void detachProvider(unavclInOutPipe* pipe);
  void Notification(classlib::TComponent* component, classlib::TOperation operation) override;
  void Loaded() override;
  bool loadingOrDesigning() const;

  bool storedActive_ = false;
  unavclInOutPipe* consumer_ = nullptr;
  std::vector<unavclInOutPipe*> providers_;
  unaInProcessGate pipeGate_;    // consumer changes against deliveries
  unaInProcessGate deviceGate_;  // opening and closing the device
};

class unavclInOutWavePipe : public unavclInOutPipe {
 public:
  explicit unavclInOutWavePipe(classlib::TComponent* owner = nullptr);
  ~unavclInOutWavePipe() override;
  std::string ClassName() const override { return "unavclInOutWavePipe"; }

  int deviceId() const { return deviceId_; }
  void setDeviceId(int value);
  uint32_t formatTag() const { return formatTag_; }
  void setFormatTag(uint32_t value);
  bool formatTagImmunable = false;
  bool mapped() const { return mapped_; }
  virtual void setMapped(bool value) { mapped_ = value; }
  bool direct() const { return direct_; }
  virtual void setDirect(bool value) { direct_ = value; }
  uint32_t overNum() const { return overNum_; }
  virtual void setOverNum(uint32_t value);
  bool realTime() const { return realTime_; }
  virtual void setRealTime(bool value);
  bool loop() const { return loop_; }
  virtual void setLoop(bool value) { loop_ = value; }
  bool inputIsPcm() const { return inputIsPcm_; }
  virtual void setInputIsPcm(bool value);
  bool calcVolume() const { return calcVolume_; }
  virtual void setCalcVolume(bool value);
  // Index 0 rate, 1 bits, 2 channels.
  uint32_t getPcmFormat(int index) const;
  void setPcmFormat(int index, uint32_t value);
  uint32_t pcm_SamplesPerSec() const { return getPcmFormat(0); }
  uint32_t pcm_BitsPerSample() const { return getPcmFormat(1); }
  uint32_t pcm_NumChannels() const { return getPcmFormat(2); }
  const WAVEFORMATEX& pcm() const { return pcm_; }
  unaMsAcmStreamDevice* device() const { return device_.get(); }
  unaMsAcmDriver* driver() const { return driver_; }

  size_t write(const void* data, size_t len) override;
  size_t read(void* data, size_t len) override;
  int64_t pendingBytes(bool isInput) override;
  size_t getFormat(unavclPipeFormat& format) override;
  void takeProviderFormat(const unavclPipeFormat& format, size_t size, unavclInOutPipe* provider,
                          bool restoreActive) override;

 protected:
  virtual std::unique_ptr<unaMsAcmStreamDevice> createDevice() = 0;
  virtual bool pushFormatToDevice(const WAVEFORMATEX& pcm, bool inputIsPcm) = 0;
  virtual void driverChanged() {}
  virtual void recreateDevice();
  bool performOpen() override;
  void performClose() override;
  bool isActive() override;
  void attachProvider(unavclInOutPipe* pipe) override;
  void detachProvider(unavclInOutPipe* pipe) override;
  void Loaded() override;

  int deviceId_ = -1;
  uint32_t formatTag_ = 1;
  bool mapped_ = false, direct_ = false;
  uint32_t overNum_ = 5;
  bool realTime_ = false, loop_ = false, inputIsPcm_ = true, calcVolume_ = false;
  WAVEFORMATEX pcm_;
  unaMsAcm* acm_;
  unaMsAcmDriver* driver_ = nullptr;
  std::unique_ptr<unaMsAcmStreamDevice> device_;
};

class TunavclWaveInDevice : public unavclInOutWavePipe {
 public:
  explicit TunavclWaveInDevice(classlib::TComponent* owner = nullptr);
  ~TunavclWaveInDevice() override;
  std::string ClassName() const override { return "TunavclWaveInDevice"; }
  uint32_t minVolumeLevel() const;
  void setMinVolumeLevel(uint32_t value);
  uint32_t minActiveTime() const;
  void setMinActiveTime(uint32_t value);
  unaWaveInDevice* inputDevice() const { return static_cast<unaWaveInDevice*>(device_.get()); }

 protected:
  std::unique_ptr<unaMsAcmStreamDevice> createDevice() override;
  bool pushFormatToDevice(const WAVEFORMATEX& pcm, bool inputIsPcm) override;

 private:
  uint32_t minVolumeLevel_ = 0;
  uint32_t minActiveTime_ = 100;
};

class TunavclWaveRiff : public unavclInOutWavePipe {
 public:
  explicit TunavclWaveRiff(classlib::TComponent* owner = nullptr);
  ~TunavclWaveRiff() override;
  std::string ClassName() const override { return "TunavclWaveRiff"; }
  bool isInput() const { return isInput_; }
  void setIsInput(bool value);
  const std::string& fileName() const { return fileName_; }
  void setFileName(const std::string& name);
  unaRiffStream* riff() const { return static_cast<unaRiffStream*>(device_.get()); }
  size_t getFormat(unavclPipeFormat& format) override;

 protected:
  std::unique_ptr<unaMsAcmStreamDevice> createDevice() override;
  bool pushFormatToDevice(const WAVEFORMATEX& pcm, bool inputIsPcm) override;

 private:
  bool isInput_ = true;
  std::string fileName_;
};

}  // namespace lumicast
