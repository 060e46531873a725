// File streams, memory-mapped files and multimedia timers.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "audio/core.h"

namespace lumicast {

// Access rights and protection flags, as the callers pass them.
constexpr uint32_t GENERIC_READ = 0x80000000u;
constexpr uint32_t GENERIC_WRITE = 0x40000000u;
constexpr uint32_t FILE_SHARE_READ = 1;
constexpr uint32_t FILE_SHARE_WRITE = 2;
constexpr uint32_t PAGE_READONLY = 2;
constexpr uint32_t PAGE_READWRITE = 4;
constexpr uint32_t PAGE_WRITECOPY = 8;

class unaFileStream : public unaAbstractStream {
 public:
  explicit unaFileStream(const std::string& fileName = "", bool loop = false,
                         uint32_t shareMode = FILE_SHARE_READ | FILE_SHARE_WRITE,
                         uint32_t access = GENERIC_READ | GENERIC_WRITE);
  ~unaFileStream() override;
  bool open(const std::string& fileName, uint32_t access = GENERIC_READ | GENERIC_WRITE,
            bool loop = false, uint32_t shareMode = FILE_SHARE_READ | FILE_SHARE_WRITE);
  void close() override;
  void clear() override;
  size_t write(const void* data, size_t len) override;
  // With loop, reading wraps to the start until len bytes came or a pass
  // over the file reads nothing (an empty file).
  size_t read(void* data, size_t len, bool remove = true) override;
  bool seek(int64_t position, bool fromStart = true) override;
  bool seekBy(int64_t delta) override;
  int64_t getPosition() override;
  int64_t getSize() override;
  int64_t bytesAvailable() override;
  const std::string& fileName() const { return fileName_; }
  bool loop = false;

 private:
  std::string fileName_;
  int fd_ = -1;
  int64_t readCount_ = 0;
};

class unaMappedMemory : public unaObject {
 public:
  unaMappedMemory(const std::string& name, bool canCreate, bool openOnCreate, uint32_t flags,
                  size_t size);
  ~unaMappedMemory() override;
  virtual bool open(uint32_t flags);
  virtual void close();
  void* view() const { return view_; }
  size_t mappingSize() const { return size_; }
  const std::string& mappingName() const { return name_; }

 protected:
  // Maps Size bytes of the file descriptor (-1: anonymous memory).
  bool mapView(int fd, size_t size, uint32_t flags);
  std::string name_;
  bool canCreate_;
  uint32_t flags_;
  size_t size_;
  void* view_ = nullptr;
  bool shared_ = false;  // the view belongs to the named-mapping registry
};

// A file mapped whole. A read-only mapping never changes the file: a missing
// file or one shorter than 32 bytes is not mapped. A writable mapping grows a
// shorter file to 32 bytes first.
class unaMappedFile : public unaMappedMemory {
 public:
  unaMappedFile(const std::string& fileName, bool openOnCreate = true,
                uint32_t flags = PAGE_READONLY);
  ~unaMappedFile() override;
  bool open(uint32_t flags) override;
  void close() override;
  int64_t fileSize() const { return fileSize_; }

 private:
  std::string fileName_;
  int64_t fileSize_ = 0;
  int fd_ = -1;
};

class unaAbstractTimer : public unaObject {
 public:
  explicit unaAbstractTimer(uint32_t interval) : interval_(interval) {}
  void start();
  void stop();
  void setInterval(uint32_t ms);
  uint32_t interval() const { return interval_; }
  bool isRunning() const { return isRunning_; }
  std::function<void(unaAbstractTimer* sender)> onTimer;
  virtual void timer();

 protected:
  virtual void applyInterval(uint32_t& ms) { (void)ms; }
  virtual bool performStart() = 0;
  virtual void performStop() = 0;
  uint32_t interval_;
  bool isRunning_ = false;
  unaInProcessGate gate_;
};

class unaMMTimer : public unaAbstractTimer {
 public:
  explicit unaMMTimer(uint32_t interval, uint32_t minResolution = 0);
  ~unaMMTimer() override;
  void afterConstruction();
  uint32_t requestedPeriod() const { return period_; }

 protected:
  void applyInterval(uint32_t& ms) override;
  bool performStart() override;
  void performStop() override;

 private:
  sound::TIMECAPS caps_;
  uint32_t minResolution_;
  uint32_t period_ = 0;
  uint32_t timerId_ = 0;
};

}  // namespace lumicast
