#include "audio/files.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>

#include "audio/utils.h"

namespace lumicast {

// ---------------------------------------------------------------- file stream

unaFileStream::unaFileStream(const std::string& fileName, bool loop_, uint32_t shareMode,
                             uint32_t access) {
  loop = loop_;
  if (!fileName.empty()) open(fileName, access, loop_, shareMode);
}

unaFileStream::~unaFileStream() { close(); }

bool unaFileStream::open(const std::string& fileName, uint32_t access, bool loop_, uint32_t) {
  unaGateLock lock(gate_, kInfinite);
  close();
  fileName_ = fileName;
  loop = loop_;
  int mode = O_RDONLY;
  if ((access & GENERIC_WRITE) && (access & GENERIC_READ))
    mode = O_RDWR;
  else if (access & GENERIC_WRITE)
    mode = O_WRONLY;
  fd_ = ::open(fileName.c_str(), mode | O_CREAT | O_CLOEXEC, 0666);
  if (fd_ >= 0) {
    ::lseek(fd_, 0, SEEK_SET);
    size_ = fileSizeOfHandle(fd_);
  }
  readCount_ = 0;
  isOpen_ = fd_ >= 0;
  return isOpen_;
}

void unaFileStream::close() {
  unaGateLock lock(gate_, kInfinite);
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  isOpen_ = false;
}

void unaFileStream::clear() {
  unaGateLock lock(gate_, kInfinite);
  if (fd_ < 0) return;
  ::lseek(fd_, 0, SEEK_SET);
  if (::ftruncate(fd_, 0) == 0) size_ = 0;
}

size_t unaFileStream::write(const void* data, size_t len) {
  unaGateLock lock(gate_, kInfinite);
  if (fd_ < 0 || !data) return 0;
  size_t done = 0;
  while (done < len) {
    const ssize_t n = ::write(fd_, static_cast<const char*>(data) + done, len - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  size_ = fileSizeOfHandle(fd_);
  return done == len ? len : 0;
}

size_t unaFileStream::read(void* data, size_t len, bool remove) {
  unaGateLock lock(gate_, kInfinite);
  if (fd_ < 0 || !data || len == 0) return 0;
  const off_t start = ::lseek(fd_, 0, SEEK_CUR);
  size_t got = 0;
  auto pass = [&]() {
    size_t passGot = 0;
    while (got < len) {
      const ssize_t n = ::read(fd_, static_cast<char*>(data) + got, len - got);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      got += static_cast<size_t>(n);
      passGot += static_cast<size_t>(n);
    }
    return passGot;
  };
  pass();
  if (loop) {
    while (got < len) {
      ::lseek(fd_, 0, SEEK_SET);
      if (pass() == 0) break;  // an empty file never fills the buffer
    }
  }
  if (!remove) {
    // Without remove, the position returns to where it was.
    ::lseek(fd_, start, SEEK_SET);
  } else {
    readCount_ += static_cast<int64_t>(got);
  }
  return got;
}

bool unaFileStream::seek(int64_t position, bool fromStart) {
  unaGateLock lock(gate_, kInfinite);
  if (fd_ < 0) return false;
  return ::lseek(fd_, position, fromStart ? SEEK_SET : SEEK_END) >= 0;
}

bool unaFileStream::seekBy(int64_t delta) {
  unaGateLock lock(gate_, kInfinite);
  if (fd_ < 0) return false;
  const off_t pos = ::lseek(fd_, 0, SEEK_CUR);
  if (delta < 0 && -delta > pos) return ::lseek(fd_, 0, SEEK_SET) >= 0;
  return ::lseek(fd_, delta, SEEK_CUR) >= 0;
}

int64_t unaFileStream::getPosition() {
  unaGateLock lock(gate_, kInfinite);
  return fd_ >= 0 ? ::lseek(fd_, 0, SEEK_CUR) : 0;
}

int64_t unaFileStream::getSize() {
  unaGateLock lock(gate_, kInfinite);
  if (fd_ >= 0) size_ = fileSizeOfHandle(fd_);
  return size_;
}

int64_t unaFileStream::bytesAvailable() {
  const int64_t size = getSize();
  return loop ? size : size - getPosition();
}

// ---------------------------------------------------------------- mapped memory

namespace {
// Named anonymous mappings shared inside the process.
struct NamedMapping {
  void* view;
  size_t size;
  int users;
};
std::mutex g_map_mutex;
std::map<std::string, NamedMapping>& Named() {
  static auto* m = new std::map<std::string, NamedMapping>;
  return *m;
}
int Protection(uint32_t flags) {
  if (flags & PAGE_READWRITE) return PROT_READ | PROT_WRITE;
  if (flags & PAGE_WRITECOPY) return PROT_READ | PROT_WRITE;
  return PROT_READ;
}
}  // namespace

unaMappedMemory::unaMappedMemory(const std::string& name, bool canCreate, bool openOnCreate,
                                 uint32_t flags, size_t size)
    : name_(name), canCreate_(canCreate), flags_(flags), size_(size) {
  if (openOnCreate) open(flags);
}

unaMappedMemory::~unaMappedMemory() { unaMappedMemory::close(); }

bool unaMappedMemory::mapView(int fd, size_t size, uint32_t flags) {
  if (size == 0) return false;
  const int share = (flags & PAGE_WRITECOPY) && fd >= 0 ? MAP_PRIVATE : MAP_SHARED;
  void* p = ::mmap(nullptr, size, Protection(flags), share | (fd < 0 ? MAP_ANONYMOUS : 0), fd, 0);
  if (p == MAP_FAILED) return false;
  view_ = p;
  size_ = size;
  return true;
}

bool unaMappedMemory::open(uint32_t flags) {
  if (view_) return true;
  flags_ = flags;
  std::lock_guard<std::mutex> lock(g_map_mutex);
  auto it = name_.empty() ? Named().end() : Named().find(name_);
  if (it != Named().end()) {
    view_ = it->second.view;
    size_ = it->second.size;
    ++it->second.users;
    shared_ = true;
  } else if (canCreate_ && mapView(-1, size_, flags)) {
    if (!name_.empty()) {
      Named()[name_] = {view_, size_, 1};
      shared_ = true;
    }
  }
  logEmergency("MAPACCESS=\"" + std::to_string(flags) + "\" MAPNAME=\"" + name_ +
               "\" MAPCANCREATE=\"" + boolToText(canCreate_) + "\" MAPHANDLE=\"" +
               std::to_string(reinterpret_cast<uintptr_t>(view_)) + "\"");
  return view_ != nullptr;
}

void unaMappedMemory::close() {
  if (!view_) return;
  std::lock_guard<std::mutex> lock(g_map_mutex);
  if (shared_) {
    auto it = Named().find(name_);
    if (it != Named().end() && --it->second.users == 0) {
      ::munmap(it->second.view, it->second.size);
      Named().erase(it);
    }
  } else {
    ::munmap(view_, size_);
  }
  view_ = nullptr;
  shared_ = false;
}

unaMappedFile::unaMappedFile(const std::string& fileName, bool openOnCreate, uint32_t flags)
    : unaMappedMemory("file@" + std::to_string(reinterpret_cast<uintptr_t>(this)), true, false,
                      flags, 0),
      fileName_(fileName) {
  if (openOnCreate) open(flags);
}

unaMappedFile::~unaMappedFile() { unaMappedFile::close(); }

bool unaMappedFile::open(uint32_t flags) {
  if (fileName_.empty()) return unaMappedMemory::open(flags);
  if (view_) return true;
  flags_ = flags;
  const bool writable = (flags & (PAGE_READWRITE | PAGE_WRITECOPY)) != 0;
  fileSize_ = lumicast::fileSize(fileName_);
  if (!writable) {
    if (!isExistingFile(fileName_) || fileSize_ < 32) return false;
    fd_ = ::open(fileName_.c_str(), O_RDONLY | O_CLOEXEC);
  } else {
    fd_ = ::open(fileName_.c_str(),
                 ((flags & PAGE_READWRITE) ? O_RDWR : O_RDONLY) | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ >= 0 && fileSize_ < 32 && (flags & PAGE_READWRITE)) {
      if (::ftruncate(fd_, 32) == 0) fileSize_ = 32;
    }
  }
  if (fd_ < 0) return false;
  if (fileSize_ < 32 || !mapView(fd_, static_cast<size_t>(fileSize_), flags)) {
    ::close(fd_);
    fd_ = -1;
    return false;
  }
  return true;
}

void unaMappedFile::close() {
  if (view_) {
    ::munmap(view_, size_);
    view_ = nullptr;
  }
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

// ---------------------------------------------------------------- timers

void unaAbstractTimer::timer() {
  if (onTimer) onTimer(this);
}

void unaAbstractTimer::start() {
  unaGateLock lock(gate_, kInfinite);
  if (!isRunning_) isRunning_ = performStart();
}

void unaAbstractTimer::stop() {
  unaGateLock lock(gate_, kInfinite);
  if (isRunning_) performStop();
  isRunning_ = false;
}

void unaAbstractTimer::setInterval(uint32_t ms) {
  if (ms == interval_) return;
  const bool wasRunning = isRunning_;
  if (wasRunning) stop();
  applyInterval(ms);
  interval_ = ms;
  if (wasRunning) start();
}

namespace {
void MMTimerTick(uint32_t, uint32_t, uintptr_t user, uintptr_t, uintptr_t) {
  reinterpret_cast<unaMMTimer*>(user)->timer();
}
}  // namespace

unaMMTimer::unaMMTimer(uint32_t interval, uint32_t minResolution)
    : unaAbstractTimer(interval), minResolution_(minResolution) {
  sound::timeGetDevCaps(&caps_, sizeof caps_);
  afterConstruction();
}

unaMMTimer::~unaMMTimer() {
  stop();
  if (period_) sound::timeEndPeriod(period_);
}

void unaMMTimer::afterConstruction() {
  uint32_t ms = interval_;
  applyInterval(ms);
}

void unaMMTimer::applyInterval(uint32_t& ms) {
  uint32_t want = minResolution_ ? minResolution_ : ms / 10;
  want = std::max(want, caps_.wPeriodMin);
  if (want == period_) return;
  if (period_) sound::timeEndPeriod(period_);
  period_ = sound::timeBeginPeriod(want) == 0 ? want : 0;
}

bool unaMMTimer::performStart() {
  timerId_ = sound::timeSetEvent(interval_, 1, MMTimerTick, reinterpret_cast<uintptr_t>(this),
                                 sound::TIME_PERIODIC);
  return timerId_ != 0;
}

void unaMMTimer::performStop() {
  if (timerId_) sound::timeKillEvent(timerId_);
  timerId_ = 0;
}

}  // namespace lumicast
