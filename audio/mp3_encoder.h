// MP3 encoding through an external plug-in library loaded by file name: the
// binding, the encoders and the lazy-write thread that encodes queued PCM.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "audio/core.h"

namespace lumicast {

// Result codes of the binding (the plug-in's own codes pass through).
constexpr uint32_t kEncoderNotLoaded = 0x10000001;
constexpr uint32_t kEncoderNoEntryPoint = 0x10000002;
constexpr uint32_t kEncoderNotConfigured = 0x10000004;

// The 331-byte configuration record handed to the plug-in.
struct mp3EncoderConfig {
  uint8_t bytes[331] = {};
  void set32(size_t offset, int32_t value) {
    for (int i = 0; i < 4; ++i)
      bytes[offset + i] = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
  }
};

class unaAbstractEncoder;
using TunaEncoderDataEvent = std::function<void(unaAbstractEncoder* sender, const void* data,
                                                size_t size, bool& storeInStream)>;

class unaLazyWriteThread : public unaThread {
 public:
  unaLazyWriteThread(unaAbstractEncoder* encoder, int priority);
  ~unaLazyWriteThread() override;
  unaAbstractEncoder* encoder;
  unaEvent wake;
  unaMemoryStream queue;
  std::atomic<bool> flushing{false};
  void setFlushing();

 protected:
  int execute() override;

 private:
  std::vector<uint8_t> buffer_;
};

class unaAbstractEncoder : public unaObject {
 public:
  explicit unaAbstractEncoder(int priority = 0);
  ~unaAbstractEncoder() override;
  uint32_t applyConfiguration(const mp3EncoderConfig& config);
  uint32_t open();
  void queueForEncoding(const void* data, size_t size);
  uint32_t close();

  int priority;
  unaMemoryStream outStream;
  unaMemoryStream inStream;
  std::atomic<uint32_t> errorCode{0};
  std::atomic<bool> isConfigured{false}, isOpen{false};
  TunaEncoderDataEvent onDataAvailable;
  std::vector<uint8_t> outBuffer;
  uint32_t outByteCount = 0;
  uint32_t chunkBytes = 0;
  uint32_t outBufferSize = 0;
  std::atomic<int64_t> encodedTotal{0};
  unaLazyWriteThread* lazyThread() { return thread_.get(); }

 protected:
  friend class unaLazyWriteThread;
  virtual uint32_t initStream(const mp3EncoderConfig& config) = 0;
  virtual uint32_t afterOpen() { return 0; }
  virtual uint32_t finishStream() = 0;
  virtual uint32_t encodeBlock(const void* data, uint32_t bytes) = 0;
  virtual uint32_t loadLibrary() = 0;
  virtual uint32_t unloadLibrary() = 0;
  virtual bool readVersion() = 0;
  void deliverOutput();
  // Builds the thread; derived constructors call it once they are complete.
  void createThread();
  std::unique_ptr<unaLazyWriteThread> thread_;
};

// The plug-in binding shared by every encoder of one kind.
struct unaEncoderBinding;

class unaBladeMp3Enc : public unaAbstractEncoder {
 public:
  unaBladeMp3Enc(const std::string& fileName = "", int priority = 0);
  ~unaBladeMp3Enc() override;
  std::string fileName;
  uint8_t version[265] = {};
  int64_t stream = -1;

 protected:
  // For the extended binding: builds without loading.
  unaBladeMp3Enc(const std::string& fileName, int priority, bool extended);
  uint32_t initStream(const mp3EncoderConfig& config) override;
  uint32_t finishStream() override;
  uint32_t encodeBlock(const void* data, uint32_t bytes) override;
  uint32_t loadLibrary() override;
  uint32_t unloadLibrary() override;
  bool readVersion() override;
  void construct();
  unaEncoderBinding& binding_;
  bool loaded_ = false;
};

class unaLameMp3Enc : public unaBladeMp3Enc {
 public:
  unaLameMp3Enc(const std::string& fileName = "", int priority = 0);
  ~unaLameMp3Enc() override;
};

// The binding's state, for tests: whether a library is loaded, and its name.
bool encoderBindingLoaded(bool extended);
std::string encoderBindingFileName(bool extended);

}  // namespace lumicast
