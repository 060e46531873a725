// Stream devices: worker threads that move fixed-size chunks of sound between
// the platform and memory, deliver them in order to their consumers and
// meter their levels; the wave-in recording device.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "audio/core.h"
#include "audio/utils.h"

namespace lumicast {

class unaMsAcmStreamDevice;

// A buffer handed to the platform; numbered when queued so that buffers are
// delivered strictly in the order they were queued.
class unaMsAcmDeviceHeader : public unaObject {
 public:
  explicit unaMsAcmDeviceHeader(unaMsAcmStreamDevice* device) : device(device) {}
  virtual bool isFlagSet(uint32_t mask) const = 0;
  virtual void setFlag(uint32_t mask, bool on) = 0;
  virtual uint32_t prepare() = 0;
  virtual uint32_t unprepare() = 0;
  virtual void rearm();
  virtual bool isDone() const = 0;
  virtual bool isInQueue() const = 0;

  unaMsAcmStreamDevice* device;
  uint32_t sequence = 0;
  bool takesSequenceNumber = true;
  std::atomic<bool> delivered{false};
};

class unaWaveHeader : public unaMsAcmDeviceHeader {
 public:
  unaWaveHeader(unaMsAcmStreamDevice* device, uint32_t size);
  bool isFlagSet(uint32_t mask) const override { return (header.dwFlags.load() & mask) == mask; }
  void setFlag(uint32_t mask, bool on) override;
  uint32_t prepare() override;
  uint32_t unprepare() override;
  void rearm() override;
  bool isDone() const override;
  bool isInQueue() const override;
  sound::WAVEHDR header;
  std::vector<char> buffer;
};

using TunaDataEvent = std::function<void(unaObject* sender, const void* data, size_t len)>;

class unaMsAcmStreamDevice : public unaThread {
 public:
  unaMsAcmStreamDevice(bool createInStream, bool calcVolume, uint32_t inOverflowChunks,
                       uint32_t outOverflowChunks, bool createOutStream);
  ~unaMsAcmStreamDevice() override;

  virtual void setRealTime(bool value) { realTime = value; }
  bool setFormat(bool isSrc, const std::string& formatText);
  virtual bool setFormatRec(bool isSrc, const WAVEFORMATEX& format);
  virtual uint32_t open(bool query = false, uint32_t timeout = 10000, uint32_t flags = 0);
  virtual uint32_t close(uint32_t timeout = 10000);
  virtual bool ownFormatIsSource() const { return true; }
  virtual std::string getErrorText(uint32_t code) const { return mmErrorText(code); }

  size_t write(const void* data, size_t len);
  size_t readOut(void* data, size_t len);
  bool replaceStream(bool isInput, unaAbstractStream* stream, bool owns);
  int64_t pendingBytes(bool isInput);
  bool isOpen() const { return handle.load() != 0; }

  void addConsumer(unaMsAcmStreamDevice* consumer);
  void removeConsumer(unaMsAcmStreamDevice* consumer);
  void setCalcVolume(bool value) { calcVolume = value; }
  uint32_t level(int channel) const;
  const WAVEFORMATEX* srcFormat() const { return srcFormat_.get(); }
  const WAVEFORMATEX* dstFormat() const { return dstFormat_.get(); }
  const WAVEFORMATEX* ownFormat() const {
    return ownFormatIsSource() ? srcFormat_.get() : dstFormat_.get();
  }

  std::atomic<uintptr_t> handle{0};
  std::atomic<int64_t> inByteCount{0}, outByteCount{0}, skippedByteCount{0};
  bool realTime = false;
  uint32_t chunkSize = 0;
  uint32_t chunkRate = 0;
  std::atomic<int> headersQueued{0};
  std::string srcFormatText, dstFormatText;
  uint32_t inOverflowChunks, outOverflowChunks;
  uint64_t inOverflowBytes = 0, outOverflowBytes = 0;
  std::atomic<int64_t> inDroppedBytes{0}, outDroppedBytes{0};
  bool calcVolume;
  bool savedCalcVolume = false;
  TunaDataEvent onDataAvailable;
  unaEvent deviceEvent, dataEvent;

 protected:
  // Resets the numbering and the streams; the base also signals deviceEvent
  // (a device without platform part is open at once).
  void resetState();
  virtual uint32_t performOpen(uint32_t flags);
  virtual uint32_t performClose(uint32_t timeout);
  virtual bool inspectBlock(const void* data, size_t len);
  virtual uint32_t prepareHeader(unaMsAcmDeviceHeader*) { return 0; }
  virtual uint32_t unprepareHeader(unaMsAcmDeviceHeader*) { return 0; }
  virtual uint32_t afterOpen() { return 0; }
  virtual void afterClose(uint32_t result);
  // Hands a block on: level check, event, consumers, output stream.
  void deliver(const void* data, size_t len);
  // The finished header next in queue order, or null.
  unaMsAcmDeviceHeader* nextReadyHeader();
  uint32_t drawSequence() { return ++sequenceCounter_; }
  // A header numbered but never queued: later headers need not wait for it.
  void skipSequence(uint32_t sequence);
  int headersInProgress();
  unaAbstractStream* inStream();

  std::unique_ptr<WAVEFORMATEX> srcFormat_, dstFormat_;
  unaObjectList headers{true};
  unaInProcessGate openCloseGate;
  std::vector<uint32_t> levels_, prevLevels_;
  mutable std::mutex levelMutex_;

 private:
  friend class unaMsAcmDeviceHeader;
  std::atomic<uint32_t> sequenceCounter_{0};
  uint32_t lastDelivered_ = 0;
  std::set<uint32_t> skipped_;
  std::mutex sequenceMutex_;
  // The streams may be replaced while the device thread delivers; this lock
  // keeps a stream alive while it is used.
  std::recursive_mutex streamLock_;
  unaAbstractStream* inStream_ = nullptr;
  unaAbstractStream* outStream_ = nullptr;
  bool ownsInStream_ = false, ownsOutStream_ = false;
  std::mutex linkMutex_;
  std::vector<unaMsAcmStreamDevice*> consumers_, providers_;
};

class unaWaveDevice : public unaMsAcmStreamDevice {
 public:
  unaWaveDevice(uint32_t deviceId, bool mapped, bool direct, bool createInStream, bool calcVolume,
                uint32_t inOverflowChunks, uint32_t outOverflowChunks, bool createOutStream);
  bool setPcmFormat(uint32_t rate, uint16_t bits, uint16_t channels);
  uint32_t deviceId;
  bool mapped, direct;

 protected:
  int execute() override;
  virtual void addHeader(unaMsAcmDeviceHeader* header) { headers.add(header); }
  // Handles a finished header (or, with null, does the device's idle work);
  // true asks for another call at once.
  virtual bool processHeader(unaMsAcmDeviceHeader* header) = 0;
  uint32_t waveFlags(uint32_t flags, bool query) const;
};

class unaWaveInDevice : public unaWaveDevice {
 public:
  unaWaveInDevice(uint32_t deviceId = sound::WAVE_MAPPER, uint32_t overNum = 5, bool direct = false,
                  bool mapped = false);
  ~unaWaveInDevice() override;
  bool ownFormatIsSource() const override { return false; }
  std::string getErrorText(uint32_t code) const override;
  void setMinVolumeLevel(uint32_t value);
  uint32_t minVolumeLevel() const { return minVolumeLevel_; }
  uint32_t minActiveTime = 100;
  bool isSilent() const { return isSilent_; }
  // Stops capturing without closing (the part-filled buffer is delivered with what it holds)
  // and starts again; nothing heard in between is recorded.
  bool pauseCapture();
  bool resumeCapture();
  sound::WAVEINCAPS caps;

 protected:
  uint32_t performOpen(uint32_t flags) override;
  uint32_t performClose(uint32_t timeout) override;
  uint32_t afterOpen() override;
  bool inspectBlock(const void* data, size_t len) override;
  uint32_t prepareHeader(unaMsAcmDeviceHeader* header) override;
  uint32_t unprepareHeader(unaMsAcmDeviceHeader* header) override;
  bool processHeader(unaMsAcmDeviceHeader* header) override;
  void threadEntry() override;
  void threadExit() override;
  void queueBuffer(unaWaveHeader* header);

 private:
  uint32_t minVolumeLevel_ = 0;
  uint64_t silenceStart_ = 0;
  bool isSilent_ = false;
};

}  // namespace lumicast
