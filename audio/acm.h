// The compressed-audio manager: drivers, their format tags and formats, and
// the codec device that converts compressed sound to PCM on its own thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/devices.h"

namespace lumicast {

class unaMsAcm;

class unaMsAcmFormatTag : public unaObject {
 public:
  sound::ACMFORMATTAGDETAILS details;
};

class unaMsAcmFormat : public unaObject {
 public:
  sound::ACMFORMATDETAILS details;
  WAVEFORMATEX format;
};

class unaMsAcmDriver : public unaObject {
 public:
  unaMsAcmDriver(unaMsAcm* acm, sound::HACMDRIVERID id, uint32_t support);
  ~unaMsAcmDriver() override;
  uint32_t open();
  void close();
  const sound::ACMDRIVERDETAILS& details();
  uint32_t readFormats(uint32_t flags = 0, bool force = false, bool tagsOnly = false,
                       const WAVEFORMATEX* tmpl = nullptr);
  uint32_t suggest(const WAVEFORMATEX& src, WAVEFORMATEX& dst, uint32_t flags);
  int formatTagCount() const { return formatTags.count(); }
  unaMsAcmFormatTag* formatTag(int i) const {
    return static_cast<unaMsAcmFormatTag*>(formatTags.get(i));
  }
  int formatCount() const { return formats.count(); }
  unaMsAcmFormat* format(int i) const { return static_cast<unaMsAcmFormat*>(formats.get(i)); }
  bool listsTag(uint16_t tag) const;
  // How many times the platform was asked to enumerate formats (for tests).
  int enumerations = 0;

  unaMsAcm* acm;
  sound::HACMDRIVERID id;
  uint32_t support;
  sound::HACMDRIVER handle = nullptr;
  uint32_t maxFormatSize = 0;
  bool enumerated = false;

 private:
  sound::ACMDRIVERDETAILS details_;
  bool detailsValid_ = false;
  uint32_t lastFlags_ = 0;
  bool lastTagsOnly_ = false;
  unaObjectList formatTags{true};
  unaObjectList formats{true};
};

class unaMsAcm : public unaObject {
 public:
  unaMsAcm();
  void readDrivers(uint32_t flags = 0);
  int driverCount() const { return drivers.count(); }
  unaMsAcmDriver* getDriver(int index) const {
    return static_cast<unaMsAcmDriver*>(drivers.get(index));
  }
  unaMsAcmDriver* findDriverByIds(uint16_t mid, uint16_t pid);
  unaMsAcmDriver* findDriverForTag(uint16_t tag);
  uint32_t version;

 private:
  unaObjectList drivers{true};
};

// The library-wide manager, created (and its drivers read) on first use.
unaMsAcm* sharedAcm();
// Replaces (and frees) the shared manager.
void setSharedAcm(unaMsAcm* acm);

class unaMsAcmCodecHeader : public unaMsAcmDeviceHeader {
 public:
  unaMsAcmCodecHeader(unaMsAcmStreamDevice* device, uint32_t srcSize, uint32_t dstSize);
  bool isFlagSet(uint32_t mask) const override { return (header.fdwStatus & mask) == mask; }
  void setFlag(uint32_t mask, bool on) override;
  uint32_t prepare() override;
  uint32_t unprepare() override;
  bool isDone() const override { return isFlagSet(sound::ACMSTREAMHEADER_STATUSF_DONE); }
  bool isInQueue() const override { return isFlagSet(sound::ACMSTREAMHEADER_STATUSF_INQUEUE); }
  sound::ACMSTREAMHEADER header;
  std::vector<uint8_t> src, dst;
};

// Converts what is written into it and delivers the result. Conversion runs
// in whole source chunks; after endOfInput() the last, shorter run is
// converted too.
class unaMsAcmCodec : public unaMsAcmStreamDevice {
 public:
  unaMsAcmCodec(unaMsAcmDriver* driver, uint32_t overNum = 0, bool realTime = false);
  ~unaMsAcmCodec() override;
  bool setSourceWithPcmTarget(const WAVEFORMATEX& format);
  // No more input will come: convert what is left.
  void endOfInput() { endOfInput_ = true; }
  // True once the input has been converted after endOfInput (or conversion failed).
  bool drained() const { return drained_.load(); }
  uint32_t dstChunkSize() const { return dstChunkSize_; }
  unaMsAcmDriver* driver;
  bool async = false;

 protected:
  uint32_t performOpen(uint32_t flags) override;
  uint32_t performClose(uint32_t timeout) override;
  int execute() override;

 private:
  uint32_t dstChunkSize_ = 0;
  std::atomic<bool> endOfInput_{false};
  std::atomic<bool> drained_{false};
};

}  // namespace lumicast
