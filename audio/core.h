// The audio library's primitives: events, the re-entrant in-process gate,
// locked pointer lists, worker threads with their registry, and the chunked,
// pooled memory stream.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/sound/mmsystem.h"

namespace lumicast {

constexpr uint32_t kInfinite = 0xFFFFFFFFu;

// Base of the library's objects that lists may own.
class unaObject {
 public:
  virtual ~unaObject() = default;
};

// An auto-reset event (unnamed unless a name is given).
class unaEvent : public unaObject {
 public:
  explicit unaEvent(const std::string& name = "", bool initialState = false);
  void setState(bool signalled = true);
  bool waitFor(uint32_t timeout);
  sound::Event* handle() { return &event_; }
  const std::string& name() const { return name_; }

 private:
  sound::Event event_;
  std::string name_;
};

class unaAbstractGate : public unaObject {
 public:
  virtual bool enter(uint32_t timeout = kInfinite);
  virtual void leave();
  bool isHeld() const { return isHeld_.load(); }

 protected:
  std::atomic<bool> isHeld_{false};
};

// A recursive gate with a time-out: the owner may enter again and must leave
// as often as it entered before another thread gets in.
class unaInProcessGate : public unaAbstractGate {
 public:
  ~unaInProcessGate() override;
  bool enter(uint32_t timeout = kInfinite) override;
  void leave() override;
  std::thread::id owner() const;
  uint32_t recursionCount() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::thread::id owner_;
  uint32_t count_ = 0;
};

// Runs leave() at the end of a scope for a gate entered successfully.
class unaGateLock {
 public:
  unaGateLock(unaInProcessGate& gate, uint32_t timeout) : gate_(gate), held_(gate.enter(timeout)) {}
  ~unaGateLock() {
    if (held_) gate_.leave();
  }
  explicit operator bool() const { return held_; }

 private:
  unaInProcessGate& gate_;
  bool held_;
};

// Release modes of the object list.
enum : int { unaKeep = 0, unaFree = 1, unaFreeIfOwned = 2 };

// A locked list of pointers that grows and shrinks in steps of 256 slots.
class unaList : public unaObject {
 public:
  std::function<void(int index, int mode)> releaseHandler;
  std::function<void(int index)> removingHandler;
  bool lockingDisabled = false;

  ~unaList() override;
  bool lock(uint32_t timeout = kInfinite);
  void unlock();
  int add(void* item);
  void insert(int index, void* item);
  void* get(int index) const;
  int indexOf(const void* item) const;
  bool removeByIndex(int index, int mode = unaFreeIfOwned);
  bool removeItem(const void* item, int mode = unaFreeIfOwned);
  void setItem(int index, void* item, int mode = unaFreeIfOwned);
  void clear(int mode = unaFreeIfOwned);
  void setCount(int n) { setCapacity(n); }
  int addToFreeSlot(void* item);
  int count() const;
  int capacity() const { return capacity_; }

 protected:
  virtual void setCapacity(int n);
  virtual void disposeItem(int index, int mode);
  virtual void notifyRemoving(int index);
  std::vector<void*> items_;

 private:
  void removeAt(int index, int mode);
  mutable unaInProcessGate gate_;
  int capacity_ = 0;
};

// A list of unaObject pointers that may own (free) its items.
class unaObjectList : public unaList {
 public:
  explicit unaObjectList(bool ownsItems = true) : ownsItems(ownsItems) {}
  ~unaObjectList() override;
  bool ownsItems;
  unaObject* object(int index) const { return static_cast<unaObject*>(get(index)); }

 protected:
  void disposeItem(int index, int mode) override;
};

// A worker thread. A derived class whose execute uses its own members must
// stop the thread in its own destructor (the base destructor stops it too,
// but by then the derived part is gone).
//
// A thread made with freeWhenDone owns itself once started: the object is
// deleted when its body returns, so after start (or the resume that lets it
// run) the caller must not touch it again. Deleting it earlier is allowed and
// stops it; stop from another thread then only asks it to end.
class unaThread : public unaObject {
 public:
  using TExecuteHandler = std::function<int(unaThread* sender)>;
  enum : int { stateStopped = 0, stateSuspended = 1, stateRunning = 2, stateStarting = 3 };

  explicit unaThread(bool startAtCreation = false, bool freeWhenDone = false, int priority = 0);
  ~unaThread() override;
  void afterConstruction();

  bool start(uint32_t timeout = 10000);
  // Creates the platform thread without running it: the state is suspended
  // until start resumes it (or stop resumes it only to end it).
  bool startSuspended(uint32_t timeout = 10000);
  bool stop(uint32_t timeout = kInfinite, bool force = false);
  void setPriority(int p);
  int priority() const { return priority_.load(); }
  bool acquireGate(uint32_t timeout) { return gate_.enter(timeout); }
  void releaseGate() { gate_.leave(); }
  int getState() const { return state_.load(); }
  bool stopRequested() const { return stopRequested_.load(); }
  int registryIndex() const { return registryIndex_; }
  std::thread::id threadId() const { return threadId_.load(); }
  // Threads of the process known to the registry that are not stopped.
  static int runningCount();

  TExecuteHandler executeHandler;

 protected:
  virtual int execute();
  virtual bool mayStart() { return true; }
  virtual bool mayStop() { return true; }
  virtual void threadEntry() {}
  virtual void threadExit() {}
  unaInProcessGate gate_;
  std::atomic<bool> stopRequested_{false};

 private:
  void procedure(bool suspended);
  bool launch(uint32_t timeout, bool suspended);
  void resume();
  void handOver();
  void joinFinished();
  void applyPriority();

  // Self-free handshake: whichever of "the body has ended" and "the caller
  // is done with the object" comes second frees it.
  enum : int { freeAllowed = 1, freeFinished = 2, freeRevoked = 4 };
  std::atomic<int> selfFree_{0};

  std::atomic<int> state_{stateStopped};
  std::atomic<int> priority_;
  bool startAtCreation_;
  bool freeWhenDone_;
  int registryIndex_ = -1;
  unaEvent started_, stopped_, go_;
  std::thread thread_;
  std::atomic<std::thread::id> threadId_{};
};

class unaAbstractStream : public unaObject {
 public:
  virtual bool seek(int64_t position, bool fromStart = true);
  virtual bool seekBy(int64_t delta);
  virtual int64_t getPosition() { return 0; }
  virtual void close() {}
  virtual void clear() {}
  virtual size_t write(const void* data, size_t len) = 0;
  virtual size_t read(void* data, size_t len, bool remove = true) = 0;
  virtual int64_t getSize() { return size_; }
  virtual int64_t bytesAvailable() { return getSize(); }
  bool isOpen() const { return isOpen_; }

 protected:
  std::atomic<int64_t> size_{0};
  unaInProcessGate gate_;
  bool isOpen_ = false;
};

class unaStreamChunk : public unaObject {
 public:
  void setData(const void* data, size_t len);
  size_t available() const { return used - readOffset; }
  std::vector<uint8_t> buffer;  // its size is the capacity
  size_t used = 0;
  size_t readOffset = 0;
};

// Bytes in chunks, one per write, in write order; spent chunks are kept in a
// pool (up to poolLimit) for reuse.
class unaMemoryStream : public unaAbstractStream {
 public:
  unaMemoryStream();
  ~unaMemoryStream() override;
  size_t write(const void* data, size_t len) override;
  size_t read(void* data, size_t len, bool remove = true) override;
  void clear() override;
  int64_t getSize() override { return size_.load(); }
  int64_t bytesAvailable() override { return size_.load(); }
  size_t oldestChunkBytes();
  int poolCount();
  int chunkCount();
  const int poolLimit = 50;

 private:
  unaObjectList chunks_{false};
  unaObjectList pool_{true};
};

}  // namespace lumicast
