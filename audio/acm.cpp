#include "audio/acm.h"

#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

namespace lumicast {

using namespace sound;

// ---------------------------------------------------------------- drivers

unaMsAcmDriver::unaMsAcmDriver(unaMsAcm* acm_, HACMDRIVERID id_, uint32_t support_)
    : acm(acm_), id(id_), support(support_) {
  if (acmMetrics(reinterpret_cast<uintptr_t>(id_), ACM_METRIC_MAX_SIZE_FORMAT, &maxFormatSize) != 0)
    maxFormatSize = 0;
}

unaMsAcmDriver::~unaMsAcmDriver() { close(); }

uint32_t unaMsAcmDriver::open() {
  if (handle) return 0;
  const uint32_t r = acmDriverOpen(&handle, id, 0);
  if (r != 0) {
    handle = nullptr;
    enumerated = false;
  }
  return r;
}

void unaMsAcmDriver::close() {
  if (handle) acmDriverClose(handle, 0);
  handle = nullptr;
}

const ACMDRIVERDETAILS& unaMsAcmDriver::details() {
  if (!detailsValid_) detailsValid_ = acmDriverDetails(id, &details_, 0) == 0;
  return details_;
}

bool unaMsAcmDriver::listsTag(uint16_t tag) const {
  for (int i = 0; i < formatTags.count(); ++i)
    if (formatTag(i)->details.dwFormatTag == tag) return true;
  return false;
}

namespace {
bool AddTag(HACMDRIVERID, ACMFORMATTAGDETAILS* d, uintptr_t instance, uint32_t) {
  auto* list = reinterpret_cast<std::vector<ACMFORMATTAGDETAILS>*>(instance);
  list->push_back(*d);
  return true;
}
bool AddFormat(HACMDRIVERID, ACMFORMATDETAILS* d, uintptr_t instance, uint32_t) {
  auto* list = reinterpret_cast<std::vector<ACMFORMATDETAILS>*>(instance);
  list->push_back(*d);
  return true;
}
}  // namespace

uint32_t unaMsAcmDriver::readFormats(uint32_t flags, bool force, bool tagsOnly,
                                     const WAVEFORMATEX* tmpl) {
  if (enumerated && !force && flags == lastFlags_ && tagsOnly == lastTagsOnly_) return 0;
  const uint32_t r = open();
  if (r != 0) return r;
  ++enumerations;
  formats.clear();
  formatTags.clear();
  lastFlags_ = flags;
  lastTagsOnly_ = tagsOnly;
  std::vector<ACMFORMATTAGDETAILS> tags;
  ACMFORMATTAGDETAILS td;
  acmFormatTagEnum(handle, &td, AddTag, reinterpret_cast<uintptr_t>(&tags), 0);
  for (const auto& t : tags) {
    auto* tag = new unaMsAcmFormatTag;
    tag->details = t;
    formatTags.add(tag);
    if (tagsOnly) continue;
    std::vector<ACMFORMATDETAILS> list;
    ACMFORMATDETAILS fd;
    fd.pwfx.wFormatTag = static_cast<uint16_t>(t.dwFormatTag);
    if (tmpl) {
      fd.pwfx.nChannels = tmpl->nChannels;
      fd.pwfx.nSamplesPerSec = tmpl->nSamplesPerSec;
      fd.pwfx.wBitsPerSample = tmpl->wBitsPerSample;
    }
    if (maxFormatSize > 18) fd.pwfx.extra.assign(maxFormatSize - 18, 0);
    fd.pwfx.cbSize = static_cast<uint16_t>(fd.pwfx.extra.size());
    acmFormatEnum(handle, &fd, AddFormat, reinterpret_cast<uintptr_t>(&list),
                  flags | ACM_FORMATENUMF_WFORMATTAG);
    for (const auto& d : list) {
      auto* f = new unaMsAcmFormat;
      f->details = d;
      f->format = d.pwfx;
      formats.add(f);
    }
  }
  enumerated = true;
  return 0;
}

uint32_t unaMsAcmDriver::suggest(const WAVEFORMATEX& src, WAVEFORMATEX& dst, uint32_t flags) {
  const uint32_t r = open();
  if (r != 0) return r;
  const uint32_t size = dst.wFormatTag == 1 ? 16 : 18 + static_cast<uint32_t>(dst.extra.size());
  return acmFormatSuggest(handle, &src, &dst, size, flags);
}

unaMsAcm::unaMsAcm() : version(acmGetVersion()) {}

void unaMsAcm::readDrivers(uint32_t flags) {
  drivers.clear();
  struct Ctx {
    unaMsAcm* acm;
    unaObjectList* list;
  } ctx{this, &drivers};
  acmDriverEnum(
      [](HACMDRIVERID id, uintptr_t instance, uint32_t support) {
        auto* c = reinterpret_cast<Ctx*>(instance);
        c->list->add(new unaMsAcmDriver(c->acm, id, support));
        return true;
      },
      reinterpret_cast<uintptr_t>(&ctx), flags);
}

unaMsAcmDriver* unaMsAcm::findDriverByIds(uint16_t mid, uint16_t pid) {
  for (int i = 0; i < drivers.count(); ++i) {
    unaMsAcmDriver* d = getDriver(i);
    if (d->details().wMid == mid && d->details().wPid == pid) return d;
  }
  return nullptr;
}

unaMsAcmDriver* unaMsAcm::findDriverForTag(uint16_t tag) {
  if (tag == 1) return findDriverByIds(1, 38);
  for (int i = 0; i < drivers.count(); ++i) {
    unaMsAcmDriver* d = getDriver(i);
    if (d->readFormats(0, false, true) == 0 && d->listsTag(tag)) return d;
  }
  return nullptr;
}

namespace {
std::mutex g_acm_mutex;
unaMsAcm* g_shared = nullptr;
}  // namespace

unaMsAcm* sharedAcm() {
  std::lock_guard<std::mutex> lock(g_acm_mutex);
  if (!g_shared) {
    g_shared = new unaMsAcm;
    g_shared->readDrivers(0);
  }
  return g_shared;
}

void setSharedAcm(unaMsAcm* acm) {
  std::lock_guard<std::mutex> lock(g_acm_mutex);
  if (g_shared != acm) delete g_shared;
  g_shared = acm;
}

// ---------------------------------------------------------------- codec

unaMsAcmCodecHeader::unaMsAcmCodecHeader(unaMsAcmStreamDevice* device, uint32_t srcSize,
                                         uint32_t dstSize)
    : unaMsAcmDeviceHeader(device), src(srcSize), dst(dstSize) {
  header.cbStruct = sizeof header;
  header.pbSrc = src.data();
  header.cbSrcLength = srcSize;
  header.pbDst = dst.data();
  header.cbDstLength = dstSize;
}

void unaMsAcmCodecHeader::setFlag(uint32_t mask, bool on) {
  if (on)
    header.fdwStatus |= mask;
  else
    header.fdwStatus &= ~mask;
}

uint32_t unaMsAcmCodecHeader::prepare() {
  return acmStreamPrepareHeader(reinterpret_cast<HACMSTREAM>(device->handle.load()), &header, 0);
}

uint32_t unaMsAcmCodecHeader::unprepare() {
  return acmStreamUnprepareHeader(reinterpret_cast<HACMSTREAM>(device->handle.load()), &header, 0);
}

unaMsAcmCodec::unaMsAcmCodec(unaMsAcmDriver* driver_, uint32_t overNum, bool realTime_)
    : unaMsAcmStreamDevice(true, false, overNum, overNum, true), driver(driver_) {
  realTime = realTime_;
}

unaMsAcmCodec::~unaMsAcmCodec() {
  close(10000);
  stop(kInfinite);
}

bool unaMsAcmCodec::setSourceWithPcmTarget(const WAVEFORMATEX& format) {
  if (!driver) return false;
  setFormatRec(true, format);
  WAVEFORMATEX dst;
  dst.wFormatTag = 1;
  if (driver->suggest(format, dst, ACM_FORMATSUGGESTF_WFORMATTAG) != 0) return false;
  return setFormatRec(false, dst);
}

uint32_t unaMsAcmCodec::performOpen(uint32_t flags) {
  if (!driver) return MMSYSERR_NODRIVER;
  resetState();
  endOfInput_ = false;
  drained_ = false;
  if (!srcFormat_ || !dstFormat_) return MMSYSERR_INVALPARAM;
  const uint32_t r0 = driver->open();
  if (r0 != 0) return r0;
  if ((flags & ~ACM_STREAMOPENF_QUERY) == 0) flags |= realTime ? 0 : ACM_STREAMOPENF_NONREALTIME;
  HACMSTREAM s = nullptr;
  const uint32_t r =
      acmStreamOpen(&s, driver->handle, srcFormat_.get(), dstFormat_.get(), nullptr, 0, 0, flags);
  if (r != 0) return r;
  if (flags & ACM_STREAMOPENF_QUERY) return 0;
  handle = reinterpret_cast<uintptr_t>(s);
  deviceEvent.setState(true);
  return 0;
}

uint32_t unaMsAcmCodec::performClose(uint32_t) {
  const uint32_t r = acmStreamClose(reinterpret_cast<HACMSTREAM>(handle.load()), 0);
  deviceEvent.setState(true);
  return r;
}

int unaMsAcmCodec::execute() {
  const HACMSTREAM s = reinterpret_cast<HACMSTREAM>(handle.load());
  uint32_t chunk = chunkSize ? chunkSize : 4096;
  uint32_t dstSize = 0;
  if (acmStreamSize(s, chunk, &dstSize, ACM_STREAMSIZEF_SOURCE) != 0) dstSize = 16 * chunk;
  uint32_t back = 0;
  if (acmStreamSize(s, dstSize, &back, ACM_STREAMSIZEF_DESTINATION) == 0 && back > 0) chunk = back;
  dstChunkSize_ = dstSize;
  inOverflowBytes = static_cast<uint64_t>(inOverflowChunks) * chunk;
  outOverflowBytes = static_cast<uint64_t>(outOverflowChunks) * dstSize;

  auto* h = new unaMsAcmCodecHeader(this, chunk, dstSize);
  headers.add(h);
  h->prepare();
  std::vector<uint8_t> carry;
  bool first = true;
  while (!stopRequested()) {
    const uint64_t avail = static_cast<uint64_t>(pendingBytes(true)) + carry.size();
    const bool last = endOfInput_.load();
    if (avail == 0 || (avail < chunk && !last)) {
      if (last) drained_ = true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      continue;
    }
    if (drained_.load()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      continue;
    }
    // Fill the header with the bytes carried over and fresh input.
    size_t n = std::min<size_t>(carry.size(), chunk);
    std::memcpy(h->src.data(), carry.data(), n);
    carry.erase(carry.begin(), carry.begin() + static_cast<long>(n));
    if (n < chunk) {
      unaAbstractStream* in = inStream();
      if (in) n += in->read(h->src.data() + n, chunk - n, true);
    }
    h->header.cbSrcLength = static_cast<uint32_t>(n);
    h->header.cbDstLength = dstSize;
    inByteCount += static_cast<int64_t>(n);
    const uint32_t flags = first ? ACM_STREAMCONVERTF_START | ACM_STREAMCONVERTF_BLOCKALIGN
                                 : ACM_STREAMCONVERTF_BLOCKALIGN;
    first = false;
    if (acmStreamConvert(s, &h->header, flags) != 0) {
      // Data that cannot be converted ends the conversion for good.
      drained_ = true;
      return 0;
    }
    deliver(h->dst.data(), h->header.cbDstLengthUsed);
    const uint32_t used = std::min(h->header.cbSrcLengthUsed, static_cast<uint32_t>(n));
    carry.insert(carry.begin(), h->src.begin() + used, h->src.begin() + static_cast<long>(n));
    if (last && used == 0) {
      // Only a partial block is left: what the converter still holds comes out, then the end.
      for (;;) {
        h->header.cbSrcLength = 0;
        if (acmStreamConvert(s, &h->header, ACM_STREAMCONVERTF_END) != 0 ||
            h->header.cbDstLengthUsed == 0)
          break;
        deliver(h->dst.data(), h->header.cbDstLengthUsed);
      }
      drained_ = true;
    }
  }
  return 0;
}

}  // namespace lumicast
