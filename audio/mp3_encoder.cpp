#include "audio/mp3_encoder.h"

#include <dlfcn.h>

#include <cerrno>
#include <chrono>
#include <mutex>
#include <thread>

#include "audio/utils.h"

namespace lumicast {

// ---------------------------------------------------------------- binding

struct unaEncoderBinding {
  using InitFn = uint32_t (*)(const void*, uint32_t*, uint32_t*, uint32_t*);
  using EncodeFn = uint32_t (*)(uint32_t, uint32_t, const int16_t*, uint8_t*, uint32_t*);
  using DeinitFn = uint32_t (*)(uint32_t, uint8_t*, uint32_t*);
  using CloseFn = uint32_t (*)(uint32_t);
  using VersionFn = void (*)(void*);
  using VbrFn = uint32_t (*)(const char*);

  unaEncoderBinding(const char* name, bool ext) : defaultName(name), extended(ext) {}
  const char* defaultName;
  bool extended;
  std::mutex mutex;
  void* handle = nullptr;
  bool loading = false;
  int refCount = 0;
  std::string fileName;
  InitFn init = nullptr;
  EncodeFn encode = nullptr;
  DeinitFn deinit = nullptr;
  CloseFn close = nullptr;
  VersionFn version = nullptr;
  VbrFn writeVbr = nullptr;

  uint32_t load(const std::string& name) {
    std::lock_guard<std::mutex> lock(mutex);
    if (handle || loading) {
      if (refCount > 0) ++refCount;
      return 0;
    }
    loading = true;
    std::string file = trim(name);
    if (file.empty()) file = defaultName;
    void* h = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    loading = false;
    if (!h) return errno ? static_cast<uint32_t>(errno) : 126u;
    handle = h;
    fileName = file;
    refCount = 1;
    init = reinterpret_cast<InitFn>(::dlsym(h, "beInitStream"));
    encode = reinterpret_cast<EncodeFn>(::dlsym(h, "beEncodeChunk"));
    deinit = reinterpret_cast<DeinitFn>(::dlsym(h, "beDeinitStream"));
    close = reinterpret_cast<CloseFn>(::dlsym(h, "beCloseStream"));
    version = reinterpret_cast<VersionFn>(::dlsym(h, "beVersion"));
    if (extended) writeVbr = reinterpret_cast<VbrFn>(::dlsym(h, "beWriteVBRHeader"));
    return 0;
  }

  uint32_t unload() {
    std::lock_guard<std::mutex> lock(mutex);
    if (!handle) return 0;
    if (refCount > 0) --refCount;
    if (refCount > 0) return 0;
    init = nullptr;
    encode = nullptr;
    deinit = nullptr;
    close = nullptr;
    version = nullptr;
    writeVbr = nullptr;
    if (::dlclose(handle) != 0) return 126;
    handle = nullptr;
    return 0;
  }

  // 0x10000001 without a library, 0x10000002 without the entry point.
  template <typename Fn>
  uint32_t check(Fn fn) {
    if (!handle) return kEncoderNotLoaded;
    if (!fn) return kEncoderNoEntryPoint;
    return 0;
  }
};

namespace {
unaEncoderBinding g_basic{"BladeEnc.so", false};
unaEncoderBinding g_extended{"lame_enc.so", true};
}  // namespace

bool encoderBindingLoaded(bool extended) {
  return (extended ? g_extended : g_basic).handle != nullptr;
}
std::string encoderBindingFileName(bool extended) {
  return (extended ? g_extended : g_basic).fileName;
}

// ---------------------------------------------------------------- lazy-write thread

unaLazyWriteThread::unaLazyWriteThread(unaAbstractEncoder* encoder_, int priority)
    : unaThread(false, false, priority), encoder(encoder_) {}

unaLazyWriteThread::~unaLazyWriteThread() { stop(kInfinite); }

void unaLazyWriteThread::setFlushing() {
  unaGateLock lock(gate_, kInfinite);
  flushing = true;
}

int unaLazyWriteThread::execute() {
  uint32_t n = encoder->chunkBytes;
  buffer_.assign(std::max<uint32_t>(n, 2), 0);
  while (!stopRequested()) {
    if (!wake.waitFor(100)) continue;
    if (!acquireGate(100)) {
      wake.setState(true);
      continue;
    }
    bool finished = false;
    const uint64_t q = static_cast<uint64_t>(queue.getSize());
    const bool flush = flushing.load();
    if (q >= n || flush) {
      if (flush) n = static_cast<uint32_t>(std::min<uint64_t>(q, n));
      if (n > 1) {
        const size_t got = queue.read(buffer_.data(), n, true);
        if (got > 1 && encoder->encodeBlock(buffer_.data(), static_cast<uint32_t>(got)) == 0)
          encoder->deliverOutput();
      }
      const uint64_t left = static_cast<uint64_t>(queue.getSize());
      // Another round only for a whole chunk, or for anything while flushing.
      if (left >= encoder->chunkBytes || (flush && left >= 2)) wake.setState(true);
      if (flush) {
        if (left < 2)
          finished = true;
        else
          n = encoder->chunkBytes;
      }
    }
    releaseGate();
    if (finished) break;
  }
  return 0;
}

// ---------------------------------------------------------------- encoder

unaAbstractEncoder::unaAbstractEncoder(int priority_) : priority(priority_) {}

unaAbstractEncoder::~unaAbstractEncoder() { thread_.reset(); }

void unaAbstractEncoder::createThread() {
  thread_ = std::make_unique<unaLazyWriteThread>(this, priority);
}

uint32_t unaAbstractEncoder::applyConfiguration(const mp3EncoderConfig& config) {
  close();
  const uint32_t r = initStream(config);
  if (r == 0 && outBuffer.size() < outBufferSize) outBuffer.resize(outBufferSize);
  isConfigured = r == 0;
  errorCode = r;
  return r;
}

uint32_t unaAbstractEncoder::open() {
  if (!isConfigured) return kEncoderNotConfigured;
  if (isOpen) return 0;
  inStream.clear();
  outStream.clear();
  thread_->queue.clear();
  thread_->flushing = false;  // before the thread runs: a close may set it at once
  encodedTotal = 0;
  if (!thread_->start(10000)) {
    // Without its thread nothing would ever be encoded or flushed.
    errorCode = 1;
    return 1;
  }
  const uint32_t r = afterOpen();
  if (r != 0) {
    thread_->stop(10000);
    return r;
  }
  isOpen = true;
  return 0;
}

void unaAbstractEncoder::queueForEncoding(const void* data, size_t size) {
  if (!data || size == 0) return;
  thread_->queue.write(data, size);
  thread_->wake.setState(true);
}

uint32_t unaAbstractEncoder::close() {
  if (isOpen) {
    if (std::this_thread::get_id() == thread_->threadId()) return errorCode;
    thread_->setFlushing();
    while (thread_->queue.getSize() >= 2 && thread_->getState() != unaThread::stateStopped) {
      thread_->wake.setState(true);
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // The thread has ended before the stream is finished: no chunk is being
    // encoded while the plug-in ends the stream.
    thread_->stop(kInfinite);
  }
  uint32_t r = 0;
  if (isConfigured) {
    r = finishStream();
    if (r == 0) deliverOutput();
  }
  isOpen = false;
  isConfigured = false;
  errorCode = r;
  return r;
}

void unaAbstractEncoder::deliverOutput() {
  if (outByteCount == 0) return;
  encodedTotal += outByteCount;
  bool store = true;
  if (onDataAvailable) {
    store = false;
    onDataAvailable(this, outBuffer.data(), outByteCount, store);
  }
  if (store) outStream.write(outBuffer.data(), outByteCount);
  outByteCount = 0;
}

// ---------------------------------------------------------------- plug-in encoders

unaBladeMp3Enc::unaBladeMp3Enc(const std::string& fileName_, int priority_)
    : unaAbstractEncoder(priority_), fileName(fileName_), binding_(g_basic) {
  construct();
}

unaBladeMp3Enc::unaBladeMp3Enc(const std::string& fileName_, int priority_, bool extended)
    : unaAbstractEncoder(priority_),
      fileName(fileName_),
      binding_(extended ? g_extended : g_basic) {
  construct();
}

void unaBladeMp3Enc::construct() {
  createThread();
  const uint32_t r = loadLibrary();
  loaded_ = r == 0;
  if (!loaded_) {
    errorCode = kEncoderNotLoaded;
    return;
  }
  readVersion();
}

unaBladeMp3Enc::~unaBladeMp3Enc() {
  close();
  thread_.reset();
  unloadLibrary();
}

uint32_t unaBladeMp3Enc::loadLibrary() { return binding_.load(fileName); }

uint32_t unaBladeMp3Enc::unloadLibrary() {
  if (!loaded_) return 0;
  loaded_ = false;
  return binding_.unload();
}

bool unaBladeMp3Enc::readVersion() {
  if (binding_.check(binding_.version) != 0) return false;
  binding_.version(version);
  return true;
}

uint32_t unaBladeMp3Enc::initStream(const mp3EncoderConfig& config) {
  if (uint32_t r = binding_.check(binding_.init)) return r;
  uint32_t samples = 0, size = 0, id = 0;
  const uint32_t r = binding_.init(config.bytes, &samples, &size, &id);
  if (r == 0) {
    stream = id;
    chunkBytes = samples * 2;
    outBufferSize = size;
  }
  return r;
}

uint32_t unaBladeMp3Enc::encodeBlock(const void* data, uint32_t bytes) {
  if (uint32_t r = binding_.check(binding_.encode)) return r;
  uint32_t out = 0;
  const uint32_t r = binding_.encode(static_cast<uint32_t>(stream), bytes / 2,
                                     static_cast<const int16_t*>(data), outBuffer.data(), &out);
  outByteCount = r == 0 ? std::min<uint32_t>(out, static_cast<uint32_t>(outBuffer.size())) : 0;
  return r;
}

uint32_t unaBladeMp3Enc::finishStream() {
  if (uint32_t r = binding_.check(binding_.deinit)) return r;
  uint32_t out = 0;
  uint32_t r = binding_.deinit(static_cast<uint32_t>(stream), outBuffer.data(), &out);
  if (r == 0) {
    outByteCount = std::min<uint32_t>(out, static_cast<uint32_t>(outBuffer.size()));
    if (binding_.close) binding_.close(static_cast<uint32_t>(stream));
  }
  stream = -1;
  return r;
}

unaLameMp3Enc::unaLameMp3Enc(const std::string& fileName_, int priority_)
    : unaBladeMp3Enc(fileName_, priority_, true) {}

unaLameMp3Enc::~unaLameMp3Enc() = default;

}  // namespace lumicast
