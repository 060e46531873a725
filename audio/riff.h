// Software devices without sound hardware: the WAVE file writer and reader
// (unaRiffStream), and the RIFF chunk tree the reader parses a file with.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/acm.h"
#include "audio/devices.h"
#include "audio/files.h"

namespace lumicast {

class unaRIFFChunk : public unaObject {
 public:
  // Lists a container's children (bounded nesting and count).
  unaRIFFChunk(const uint8_t* file, uint64_t offset, uint64_t maxSize, unaRIFFChunk* parent,
               int depth);
  std::string id() const;
  uint32_t size() const;
  // Bytes of data the file really holds for this chunk.
  uint64_t dataAvailable() const;
  const uint8_t* data() const { return header_ + 8; }
  bool isContainer() const { return isContainer_; }
  int childCount() const { return children_.count(); }
  unaRIFFChunk* child(int i) const { return static_cast<unaRIFFChunk*>(children_.get(i)); }
  uint64_t offset;
  uint64_t maxSize;
  unaRIFFChunk* parent;

 private:
  const uint8_t* header_;
  bool isContainer_;
  unaObjectList children_{true};
};

class unaRIFile : public unaObject {
 public:
  explicit unaRIFile(const std::string& fileName);
  unaRIFFChunk* root() const { return root_.get(); }

 private:
  std::unique_ptr<unaMappedFile> file_;
  std::unique_ptr<unaRIFFChunk> root_;
};

class unaWaveSoftwareDevice : public unaWaveDevice {
 public:
  unaWaveSoftwareDevice(bool realTime, bool createInStream, bool createOutStream, uint32_t overNum);
  ~unaWaveSoftwareDevice() override;
  bool ownFormatIsSource() const override { return true; }
  void setRealTime(bool value) override;
  bool setFormatRec(bool isSrc, const WAVEFORMATEX& format) override;

 protected:
  uint32_t performOpen(uint32_t flags) override;
  uint32_t performClose(uint32_t timeout) override;
  // With real-time pacing, true (and one tick consumed) only when a tick is pending.
  bool takeTick();
  std::unique_ptr<unaMMTimer> pacer;
  std::atomic<int> ticks{0};
};

class unaRiffStream : public unaWaveSoftwareDevice {
 public:
  enum : int {
    statusReaderReady = 0,
    statusWriterReady = 1,
    statusWriterNoFile = 2,
    statusNotRiff = -1,
    statusNoFormat = 254,
    statusNoAcm = 253,
    statusNoDriver = 252,
    statusCodecRefused = 251,
  };
  // Writer.
  unaRiffStream(const std::string& fileName, unaMsAcm* acm, uint16_t formatTag,
                const WAVEFORMATEX& pcmFormat);
  // Reader.
  unaRiffStream(const std::string& fileName, unaMsAcm* acm, bool loop, bool realTime);
  ~unaRiffStream() override;
  int openFile(const std::string& fileName);
  bool isWriter() const { return writer_; }
  const WAVEFORMATEX* codecOutputFormat() const;

  std::string fileName;
  int status = statusNotRiff;
  uint64_t dataSize = 0;
  uint64_t dataPosition = 0;
  uint64_t playedBase = 0;
  std::atomic<bool> endReached{false}, endReachedForDelivery{false};
  uint64_t bytesWritten = 0;
  uint64_t dataSizePosition = 0;
  uint32_t factSamples = 0;
  bool loop = false;

 protected:
  uint32_t afterOpen() override;
  void afterClose(uint32_t result) override;
  bool processHeader(unaMsAcmDeviceHeader* header) override;

 private:
  bool writerStep();
  bool readerStep();
  // Fills ioBuffer with one chunk; returns the bytes that came from the file.
  size_t fillChunk();
  unaRIFFChunk* scan(unaRIFFChunk* chunk, bool takeFormat, bool findNextData, bool sumAllData,
                     int depth);
  bool played(const unaRIFFChunk* c) const;
  void resetRead();

  bool writer_;
  unaMsAcm* acm_;
  uint16_t formatTag_ = 1;
  WAVEFORMATEX pcmFormat_;
  std::vector<uint8_t> ioBuffer_, decodeBuffer_;
  std::unique_ptr<unaRIFile> riff_;
  std::unique_ptr<unaMsAcmCodec> codec_;
  std::unique_ptr<unaFileStream> file_;
  unaRIFFChunk* currentChunk_ = nullptr;
  uint64_t readOffset_ = 0;
  std::vector<const unaRIFFChunk*> playedChunks_;
  bool sawFormat_ = false;
};

}  // namespace lumicast
