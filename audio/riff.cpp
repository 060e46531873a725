#include "audio/riff.h"

#include <algorithm>
#include <cstring>

namespace lumicast {

namespace {

constexpr int kMaxDepth = 16;        // nesting of "LIST" chunks kept
constexpr int kMaxChildren = 65536;  // children listed per container
constexpr uint64_t kMaxBytesPerSecond = 16u * 1024 * 1024;

uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// A format the reader can work with: channels, rate and sample size in
// range, and at most 16 MB per second.
bool UsableFormat(const WAVEFORMATEX& f) {
  if (f.nChannels == 0 || f.nChannels > 64 || f.nSamplesPerSec == 0 || f.nSamplesPerSec > 1000000)
    return false;
  if (f.wFormatTag == 1) {
    if (f.wBitsPerSample == 0 || f.wBitsPerSample > 32 || f.nBlockAlign == 0) return false;
    const uint64_t perSecond =
        static_cast<uint64_t>(f.nSamplesPerSec) * f.nChannels * f.wBitsPerSample / 8;
    return perSecond <= kMaxBytesPerSecond && f.nBlockAlign <= f.nChannels * 4;
  }
  return f.nBlockAlign > 0 && f.nAvgBytesPerSec <= kMaxBytesPerSecond;
}

}  // namespace

// ---------------------------------------------------------------- chunk tree

unaRIFFChunk::unaRIFFChunk(const uint8_t* file, uint64_t offset_, uint64_t maxSize_,
                           unaRIFFChunk* parent_, int depth)
    : offset(offset_), maxSize(maxSize_), parent(parent_), header_(file + offset_) {
  const std::string name = id();
  isContainer_ = (name == "RIFF" || name == "LIST") && maxSize >= 12;
  if (!isContainer_ || depth >= kMaxDepth) return;
  const uint64_t limit = std::min<uint64_t>(maxSize, static_cast<uint64_t>(size()) + 8);
  uint64_t start = 12;
  int count = 0;
  while (start + 8 <= limit && count < kMaxChildren) {
    auto* c = new unaRIFFChunk(file, offset + start, limit - start, this, depth + 1);
    children_.add(c);
    ++count;
    uint64_t step = std::min<uint64_t>(c->maxSize, static_cast<uint64_t>(c->size()) + 8);
    step = (step + 1) & ~static_cast<uint64_t>(1);
    start += step;
  }
}

std::string unaRIFFChunk::id() const {
  return std::string(reinterpret_cast<const char*>(header_), 4);
}
uint32_t unaRIFFChunk::size() const { return Le32(header_ + 4); }
uint64_t unaRIFFChunk::dataAvailable() const { return std::min<uint64_t>(size(), maxSize - 8); }

unaRIFile::unaRIFile(const std::string& fileName) {
  file_ = std::make_unique<unaMappedFile>(fileName, true, PAGE_READONLY);
  if (!file_->view() || file_->mappingSize() < 12) return;
  root_ = std::make_unique<unaRIFFChunk>(static_cast<const uint8_t*>(file_->view()), 0,
                                         file_->mappingSize(), nullptr, 0);
}

// ---------------------------------------------------------------- software device

unaWaveSoftwareDevice::unaWaveSoftwareDevice(bool realTime_, bool createInStream,
                                             bool createOutStream, uint32_t overNum)
    : unaWaveDevice(sound::WAVE_MAPPER, false, false, createInStream, false, overNum, overNum,
                    createOutStream) {
  setRealTime(realTime_);
}

unaWaveSoftwareDevice::~unaWaveSoftwareDevice() {
  close(10000);
  stop(kInfinite);
}

void unaWaveSoftwareDevice::setRealTime(bool value) {
  realTime = value;
  if (value && !pacer) {
    pacer = std::make_unique<unaMMTimer>(1000);
    pacer->onTimer = [this](unaAbstractTimer*) {
      ++ticks;
      deviceEvent.setState(true);
    };
  } else if (!value) {
    pacer.reset();
  }
}

bool unaWaveSoftwareDevice::setFormatRec(bool isSrc, const WAVEFORMATEX& format) {
  const bool ok = unaWaveDevice::setFormatRec(isSrc, format);
  if (pacer && isSrc && chunkRate > 0) pacer->setInterval(1000 / chunkRate);
  return ok;
}

uint32_t unaWaveSoftwareDevice::performOpen(uint32_t) {
  resetState();
  handle = 1;
  ticks = 0;
  if (pacer) pacer->start();
  deviceEvent.setState(true);
  return 0;
}

uint32_t unaWaveSoftwareDevice::performClose(uint32_t) {
  if (pacer) pacer->stop();
  deviceEvent.setState(true);
  return 0;
}

bool unaWaveSoftwareDevice::takeTick() {
  if (!realTime) return true;
  int t = ticks.load();
  while (t > 0)
    if (ticks.compare_exchange_weak(t, t - 1)) return true;
  return false;
}

// ---------------------------------------------------------------- WAVE writer and reader

unaRiffStream::unaRiffStream(const std::string& fileName_, unaMsAcm* acm, uint16_t formatTag,
                             const WAVEFORMATEX& pcm)
    : unaWaveSoftwareDevice(false, true, false, 0),
      fileName(fileName_),
      writer_(true),
      acm_(acm),
      formatTag_(formatTag),
      pcmFormat_(pcm) {
  status = statusWriterNoFile;
  if (!trim(fileName).empty()) {
    file_ = std::make_unique<unaFileStream>(fileName, false, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                            GENERIC_READ | GENERIC_WRITE);
    if (file_->isOpen()) status = statusWriterReady;
  }
  const WAVEFORMATEX f = pcmFormat(pcm.nSamplesPerSec, pcm.wBitsPerSample, pcm.nChannels);
  setFormatRec(true, f);
  setFormatRec(false, f);
  ioBuffer_.resize(std::max<uint32_t>(f.nAvgBytesPerSec, 1));
}

unaRiffStream::unaRiffStream(const std::string& fileName_, unaMsAcm* acm, bool loop_,
                             bool realTime_)
    : unaWaveSoftwareDevice(realTime_, false, true, 0), writer_(false), acm_(acm) {
  loop = loop_;
  openFile(fileName_);
}

unaRiffStream::~unaRiffStream() {
  close(10000);
  stop(kInfinite);
  codec_.reset();
}

const WAVEFORMATEX* unaRiffStream::codecOutputFormat() const {
  return codec_ ? codec_->dstFormat() : nullptr;
}

int unaRiffStream::openFile(const std::string& name) {
  close(10000);
  riff_.reset();
  codec_.reset();
  dataSize = 0;
  factSamples = 0;
  resetRead();
  fileName = name;
  srcFormat_.reset();
  dstFormat_.reset();
  sawFormat_ = false;
  riff_ = std::make_unique<unaRIFile>(name);
  if (!riff_->root() || riff_->root()->id() != "RIFF") {
    status = statusNotRiff;
    return status;
  }
  scan(riff_->root(), true, false, true, 0);
  if (!sawFormat_) {
    status = statusNoFormat;
    return status;
  }
  const WAVEFORMATEX src = *srcFormat_;
  if (src.wFormatTag == 1) {
    setFormatRec(false, src);
    ioBuffer_.resize(std::max<uint32_t>(chunkSize, 1));
    status = statusReaderReady;
    return status;
  }
  if (!acm_) {
    status = statusNoAcm;
    return status;
  }
  unaMsAcmDriver* driver = acm_->findDriverForTag(src.wFormatTag);
  if (!driver) {
    status = statusNoDriver;
    return status;
  }
  codec_ = std::make_unique<unaMsAcmCodec>(driver, 0, false);
  if (!codec_->setSourceWithPcmTarget(src) || !codec_->dstFormat()) {
    codec_.reset();
    status = statusCodecRefused;
    return status;
  }
  setFormatRec(false, *codec_->dstFormat());
  ioBuffer_.resize(std::max<uint32_t>(chunkSize, 1));
  status = statusReaderReady;
  return status;
}

unaRIFFChunk* unaRiffStream::scan(unaRIFFChunk* chunk, bool takeFormat, bool findNextData,
                                  bool sumAllData, int depth) {
  if (!chunk) return nullptr;
  if (chunk->isContainer()) {
    unaRIFFChunk* found = nullptr;
    for (int i = 0; i < chunk->childCount(); ++i) {
      unaRIFFChunk* r = scan(chunk->child(i), takeFormat, findNextData, sumAllData, depth + 1);
      if (r && !found) found = r;
      if (r && !sumAllData) return r;
    }
    return found;
  }
  const std::string id = chunk->id();
  if (id == "fmt ") {
    if (!takeFormat || sawFormat_ || chunk->dataAvailable() < 16) return nullptr;
    WAVEFORMATEX f;
    if (!sound::FormatFromBytes(chunk->data(), static_cast<size_t>(chunk->dataAvailable()), f) ||
        !UsableFormat(f))
      return nullptr;
    setFormatRec(true, f);
    sawFormat_ = true;
    return chunk;
  }
  if (id == "data") {
    if (sumAllData) dataSize += chunk->dataAvailable();
    if (findNextData && !played(chunk)) {
      currentChunk_ = chunk;
      return chunk;
    }
    return nullptr;
  }
  if (id == "fact" && chunk->dataAvailable() > 3) factSamples = Le32(chunk->data());
  return nullptr;
}

bool unaRiffStream::played(const unaRIFFChunk* c) const {
  return std::find(playedChunks_.begin(), playedChunks_.end(), c) != playedChunks_.end();
}

void unaRiffStream::resetRead() {
  currentChunk_ = nullptr;
  readOffset_ = 0;
  playedChunks_.clear();
  playedBase = 0;
  dataPosition = 0;
  endReached = false;
  endReachedForDelivery = false;
}

uint32_t unaRiffStream::afterOpen() {
  if (writer_) {
    bytesWritten = 0;
    if (status != statusWriterReady) return 0;
    if (!file_->open(fileName, GENERIC_READ | GENERIC_WRITE, false)) return 0;
    file_->clear();
    const std::vector<uint8_t> fmt = sound::FormatToBytes(*dstFormat_);
    std::vector<uint8_t> header(12 + 8 + fmt.size() + 8);
    std::memcpy(header.data(), "RIFF", 4);
    Put32(header.data() + 4, 0);
    std::memcpy(header.data() + 8, "WAVE", 4);
    std::memcpy(header.data() + 12, "fmt ", 4);
    Put32(header.data() + 16, static_cast<uint32_t>(fmt.size()));
    std::memcpy(header.data() + 20, fmt.data(), fmt.size());
    std::memcpy(header.data() + 20 + fmt.size(), "data", 4);
    Put32(header.data() + 24 + fmt.size(), 0);
    file_->write(header.data(), header.size());
    dataSizePosition = static_cast<uint64_t>(file_->getPosition()) - 4;
    return 0;
  }
  resetRead();
  if (status != statusReaderReady) return 0;
  if (codec_) {
    const uint32_t r = codec_->open();
    if (r != 0) return r;
  }
  return 0;
}

void unaRiffStream::afterClose(uint32_t result) {
  if (writer_) {
    // What is still queued reaches the file before the sizes are written.
    while (writerStep()) {
    }
    if (status == statusWriterReady && file_->isOpen()) {
      uint8_t riff[12];
      std::memcpy(riff, "RIFF", 4);
      const int64_t size = file_->getSize();
      Put32(riff + 4, static_cast<uint32_t>(std::clamp<int64_t>(size - 8, 0, 0xFFFFFFFFLL)));
      std::memcpy(riff + 8, "WAVE", 4);
      file_->seek(0, true);
      file_->write(riff, 12);
      uint8_t data[4];
      Put32(data, static_cast<uint32_t>(std::min<uint64_t>(bytesWritten, 0xFFFFFFFFu)));
      file_->seek(static_cast<int64_t>(dataSizePosition), true);
      file_->write(data, 4);
      file_->close();
    }
  } else if (codec_) {
    codec_->close(10000);
  }
  unaWaveSoftwareDevice::afterClose(result);
}

bool unaRiffStream::processHeader(unaMsAcmDeviceHeader*) {
  return writer_ ? writerStep() : readerStep();
}

bool unaRiffStream::writerStep() {
  unaAbstractStream* in = inStream();
  if (!in || ioBuffer_.empty()) return false;
  const size_t n = in->read(ioBuffer_.data(), ioBuffer_.size(), true);
  if (n == 0) return false;
  inByteCount += static_cast<int64_t>(n);
  if (!inspectBlock(ioBuffer_.data(), n)) {
    skippedByteCount += static_cast<int64_t>(n);
    return true;
  }
  if (status == statusWriterReady) {
    file_->seek(0, false);
    file_->write(ioBuffer_.data(), n);
  }
  bytesWritten += n;
  return true;
}

size_t unaRiffStream::fillChunk() {
  const size_t n = ioBuffer_.size();
  size_t filled = 0, real = 0;
  bool restarted = false;
  while (filled < n) {
    if (!currentChunk_) {
      readOffset_ = 0;
      if (!scan(riff_->root(), false, true, false, 0)) currentChunk_ = nullptr;
      if (!currentChunk_) {
        if (loop && dataSize > 0 && !restarted) {
          playedChunks_.clear();
          playedBase = 0;
          restarted = true;
          continue;
        }
        const WAVEFORMATEX* f = srcFormat_.get();
        std::memset(ioBuffer_.data() + filled,
                    f && f->wFormatTag == 1 && f->wBitsPerSample == 8 ? 128 : 0, n - filled);
        filled = n;
        endReached = true;
        break;
      }
    }
    const uint64_t avail = currentChunk_->dataAvailable() - readOffset_;
    if (avail == 0) {
      playedChunks_.push_back(currentChunk_);
      playedBase += currentChunk_->size();
      currentChunk_ = nullptr;
      continue;
    }
    const size_t take = static_cast<size_t>(std::min<uint64_t>(avail, n - filled));
    std::memcpy(ioBuffer_.data() + filled, currentChunk_->data() + readOffset_, take);
    readOffset_ += take;
    filled += take;
    real += take;
    restarted = false;
  }
  dataPosition = playedBase + readOffset_;
  return real;
}

bool unaRiffStream::readerStep() {
  if (status != statusReaderReady || endReachedForDelivery.load()) return false;
  if (!takeTick()) return false;
  if (!codec_) {
    fillChunk();
    deliver(ioBuffer_.data(), ioBuffer_.size());
    endReachedForDelivery = endReached.load();
    return !realTime;
  }
  bool progress = false;
  if (!endReached.load() && codec_->pendingBytes(true) <= static_cast<int64_t>(ioBuffer_.size())) {
    const size_t real = fillChunk();
    if (real > 0) codec_->write(ioBuffer_.data(), real);
    if (endReached.load()) codec_->endOfInput();
    progress = true;
  }
  const uint32_t block = codec_->dstChunkSize();
  if (block > 0) {
    decodeBuffer_.resize(block);
    while (codec_->pendingBytes(false) >= static_cast<int64_t>(block)) {
      const size_t n = codec_->readOut(decodeBuffer_.data(), block);
      deliver(decodeBuffer_.data(), n);
      progress = true;
    }
  }
  if (endReached.load() && codec_->drained()) {
    // The last, shorter block of decoded sound.
    decodeBuffer_.resize(std::max<size_t>(decodeBuffer_.size(), 1));
    for (;;) {
      const size_t n = codec_->readOut(decodeBuffer_.data(), decodeBuffer_.size());
      if (n == 0) break;
      deliver(decodeBuffer_.data(), n);
    }
    endReachedForDelivery = true;
  }
  return progress && !realTime;
}

}  // namespace lumicast
