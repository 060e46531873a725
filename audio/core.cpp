#include "audio/core.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "audio/utils.h"

namespace lumicast {

// ---------------------------------------------------------------- unaEvent

unaEvent::unaEvent(const std::string& name, bool initialState) : name_(name) {
  if (initialState) event_.Set();
}

void unaEvent::setState(bool signalled) {
  if (signalled)
    event_.Set();
  else
    event_.Reset();
}

bool unaEvent::waitFor(uint32_t timeout) { return event_.Wait(timeout); }

// ---------------------------------------------------------------- gates

bool unaAbstractGate::enter(uint32_t) {
  isHeld_ = true;
  return true;
}

void unaAbstractGate::leave() { isHeld_ = false; }

unaInProcessGate::~unaInProcessGate() = default;

bool unaInProcessGate::enter(uint32_t timeout) {
  const std::thread::id me = std::this_thread::get_id();
  std::unique_lock<std::mutex> lock(mutex_);
  if (owner_ == me) {
    ++count_;
    return true;
  }
  auto free = [this] { return count_ == 0; };
  if (timeout == kInfinite)
    cv_.wait(lock, free);
  else if (!cv_.wait_for(lock, std::chrono::milliseconds(timeout), free))
    return false;
  owner_ = me;
  count_ = 1;
  isHeld_ = true;
  return true;
}

void unaInProcessGate::leave() {
  std::unique_lock<std::mutex> lock(mutex_);
  if (owner_ != std::this_thread::get_id() || count_ == 0) return;
  if (--count_ > 0) return;
  owner_ = std::thread::id();
  isHeld_ = false;
  lock.unlock();
  cv_.notify_one();
}

std::thread::id unaInProcessGate::owner() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return owner_;
}

uint32_t unaInProcessGate::recursionCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return count_;
}

// ---------------------------------------------------------------- lists

namespace {
struct ListLock {
  unaList& list;
  bool held;
  explicit ListLock(unaList& l) : list(l), held(l.lock()) {}
  ~ListLock() {
    if (held) list.unlock();
  }
};
}  // namespace

unaList::~unaList() = default;

bool unaList::lock(uint32_t timeout) { return lockingDisabled ? true : gate_.enter(timeout); }

void unaList::unlock() {
  if (!lockingDisabled) gate_.leave();
}

void unaList::setCapacity(int n) {
  const int rounded = (std::max(n, 0) + 255) / 256 * 256;
  if (rounded == capacity_) return;
  capacity_ = rounded;
  items_.reserve(static_cast<size_t>(rounded));
  if (items_.size() > static_cast<size_t>(rounded)) items_.resize(static_cast<size_t>(rounded));
  items_.shrink_to_fit();
  items_.reserve(static_cast<size_t>(rounded));
}

void unaList::disposeItem(int index, int mode) {
  if (releaseHandler) releaseHandler(index, mode);
}

void unaList::notifyRemoving(int index) {
  if (removingHandler) removingHandler(index);
}

int unaList::add(void* item) {
  ListLock l(*this);
  setCapacity(static_cast<int>(items_.size()) + 1);
  items_.push_back(item);
  return static_cast<int>(items_.size()) - 1;
}

void unaList::insert(int index, void* item) {
  ListLock l(*this);
  index = std::clamp(index, 0, static_cast<int>(items_.size()));
  setCapacity(static_cast<int>(items_.size()) + 1);
  items_.insert(items_.begin() + index, item);
}

void* unaList::get(int index) const {
  ListLock l(const_cast<unaList&>(*this));
  return index >= 0 && index < static_cast<int>(items_.size()) ? items_[static_cast<size_t>(index)]
                                                               : nullptr;
}

int unaList::indexOf(const void* item) const {
  ListLock l(const_cast<unaList&>(*this));
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i] == item) return static_cast<int>(i);
  return -1;
}

int unaList::count() const {
  ListLock l(const_cast<unaList&>(*this));
  return static_cast<int>(items_.size());
}

void unaList::removeAt(int index, int mode) {
  notifyRemoving(index);
  disposeItem(index, mode);
  items_.erase(items_.begin() + index);
  setCapacity(static_cast<int>(items_.size()));
}

bool unaList::removeByIndex(int index, int mode) {
  ListLock l(*this);
  if (index < 0 || index >= static_cast<int>(items_.size())) return false;
  removeAt(index, mode);
  return true;
}

bool unaList::removeItem(const void* item, int mode) {
  ListLock l(*this);
  const int index = indexOf(item);
  if (index < 0) return false;
  removeAt(index, mode);
  return true;
}

void unaList::setItem(int index, void* item, int mode) {
  ListLock l(*this);
  if (index < 0 || index >= static_cast<int>(items_.size())) return;
  if (items_[static_cast<size_t>(index)] != item) disposeItem(index, mode);
  items_[static_cast<size_t>(index)] = item;
}

void unaList::clear(int mode) {
  ListLock l(*this);
  for (int i = static_cast<int>(items_.size()) - 1; i >= 0; --i) {
    notifyRemoving(i);
    disposeItem(i, mode);
    items_.pop_back();
  }
  setCapacity(0);
}

int unaList::addToFreeSlot(void* item) {
  ListLock l(*this);
  for (size_t i = 0; i < items_.size(); ++i)
    if (!items_[i]) {
      items_[i] = item;
      return static_cast<int>(i);
    }
  return add(item);
}

unaObjectList::~unaObjectList() { clear(unaFreeIfOwned); }

void unaObjectList::disposeItem(int index, int mode) {
  unaList::disposeItem(index, mode);
  unaObject* o = static_cast<unaObject*>(items_[static_cast<size_t>(index)]);
  if (mode == unaFree || (mode == unaFreeIfOwned && ownsItems)) delete o;
  if (mode != unaKeep) items_[static_cast<size_t>(index)] = nullptr;
}

// ---------------------------------------------------------------- threads

namespace {
struct Registry {
  unaList threads;
  unaInProcessGate gate;
};
Registry& Threads() {
  static Registry* r = new Registry;
  return *r;
}
}  // namespace

unaThread::unaThread(bool startAtCreation, bool freeWhenDone, int priority)
    : priority_(priority), startAtCreation_(startAtCreation), freeWhenDone_(freeWhenDone) {
  registryIndex_ = Threads().threads.addToFreeSlot(this);
}

void unaThread::afterConstruction() {
  if (startAtCreation_) start(10000);
}

unaThread::~unaThread() {
  // Deleted by its owner while the body may still run: take back the right
  // to free itself, so the body's end only marks it finished.
  if (std::this_thread::get_id() != threadId_.load()) {
    selfFree_.fetch_and(~freeAllowed);
    selfFree_.fetch_or(freeRevoked);
  }
  stop(kInfinite);
  joinFinished();
  Threads().threads.setItem(registryIndex_, nullptr, unaKeep);
}

int unaThread::runningCount() {
  Registry& r = Threads();
  r.threads.lock();
  int n = 0;
  for (int i = 0; i < r.threads.count(); ++i) {
    auto* t = static_cast<unaThread*>(r.threads.get(i));
    if (t && t->getState() != stateStopped) ++n;
  }
  r.threads.unlock();
  return n;
}

int unaThread::execute() { return executeHandler ? executeHandler(this) : 0; }

void unaThread::joinFinished() {
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void unaThread::applyPriority() {
  // "Highest" asks for a real-time class, which needs rights; best effort.
  if (priority_.load() >= 2) {
    sched_param p{};
    p.sched_priority = sched_get_priority_min(SCHED_RR);
    pthread_setschedparam(pthread_self(), SCHED_RR, &p);
  }
}

void unaThread::setPriority(int p) {
  priority_ = p;
  if (std::this_thread::get_id() == threadId_.load()) applyPriority();
}

bool unaThread::launch(uint32_t timeout, bool suspended) {
  unaGateLock lock(gate_, timeout);
  if (!lock || state_.load() != stateStopped || !mayStart()) return false;
  joinFinished();
  selfFree_ = 0;
  state_ = suspended ? stateSuspended : stateStarting;
  started_.setState(false);
  stopped_.setState(false);
  stopRequested_ = false;
  go_.setState(false);
  thread_ = std::thread([this, suspended] { procedure(suspended); });
  threadId_ = thread_.get_id();
  if (suspended) return true;
  go_.setState(true);
  if (!started_.waitFor(timeout)) {
    // The thread did not report in time: it is asked to stop and ends by itself.
    stopRequested_ = true;
    state_ = stateStopped;
    return false;
  }
  return true;
}

bool unaThread::start(uint32_t timeout) {
  // A body that ends at once may already be stopped again when this returns:
  // the answer is whether the thread was let go, not whether it still runs.
  const int s = state_.load();
  if (s == stateSuspended) {
    stopRequested_ = false;
    resume();
    if (freeWhenDone_) handOver();
    return true;
  }
  if (s == stateStopped) {
    const bool launched = launch(timeout, false);
    if (launched && freeWhenDone_) handOver();
    return launched;
  }
  return true;  // already starting or running
}

bool unaThread::startSuspended(uint32_t timeout) {
  if (state_.load() == stateStopped) launch(timeout, true);
  return state_.load() == stateSuspended;
}

void unaThread::resume() {
  state_ = stateRunning;
  go_.setState(true);
}

void unaThread::handOver() {
  // The last touch of the object by its caller. When the body has already
  // ended, freeing falls to us; the join makes sure the thread is out of it.
  // Nothing to do while the owner is deleting it.
  if (selfFree_.load() & freeRevoked) return;
  if (selfFree_.fetch_or(freeAllowed) & freeFinished) {
    joinFinished();
    delete this;
  }
}

void unaThread::procedure(bool suspended) {
  // A suspended thread runs nothing, not even its entry, until resumed.
  go_.waitFor(suspended ? kInfinite : 500);
  applyPriority();
  threadEntry();
  state_ = stateRunning;
  started_.setState(true);
  try {
    execute();
  } catch (...) {
    // An exception never leaves the thread: it ends execute with result -1.
  }
  state_ = stateStopped;
  threadExit();
  if (freeWhenDone_ && (selfFree_.fetch_or(freeFinished) & freeAllowed)) {
    // The caller has let go of the object: it frees itself. The platform
    // thread cannot join itself, so it is let go first.
    thread_.detach();
    delete this;
    return;
  }
  stopped_.setState(true);
}

bool unaThread::stop(uint32_t timeout, bool force) {
  const bool fromInside = std::this_thread::get_id() == threadId_.load();
  if (state_.load() == stateSuspended && !fromInside) {
    // Let it run only to see the stop request.
    stopRequested_ = true;
    resume();
    if (freeWhenDone_) {
      handOver();
      return false;
    }
  }
  const int s = state_.load();
  if ((s == stateRunning || s == stateStarting) && (force || mayStop())) {
    stopRequested_ = true;
    if (fromInside) return false;  // only a request from inside
    // A thread that frees itself cannot be waited for: the wait would touch
    // the freed object. Unless its owner took it back, the request is all.
    if (freeWhenDone_ && (selfFree_.load() & freeAllowed)) return false;
    pumpMessages();
    unaGateLock lock(gate_, timeout);
    if (lock && timeout != 0 && stopped_.waitFor(timeout)) {
      state_ = stateStopped;
      joinFinished();
    }
  } else if (s == stateStopped) {
    joinFinished();
  }
  return state_.load() == stateStopped;
}

// ---------------------------------------------------------------- streams

bool unaAbstractStream::seek(int64_t, bool) { return false; }
bool unaAbstractStream::seekBy(int64_t) { return false; }

void unaStreamChunk::setData(const void* data, size_t len) {
  if (!data) {
    used = 0;
    readOffset = 0;
    return;
  }
  if (len > buffer.size()) buffer.resize(len);
  std::memcpy(buffer.data(), data, len);
  used = len;
  readOffset = 0;
}

unaMemoryStream::unaMemoryStream() {
  chunks_.lockingDisabled = true;
  pool_.lockingDisabled = true;
  isOpen_ = true;
}

unaMemoryStream::~unaMemoryStream() {
  clear();
  pool_.clear(unaFree);
}

size_t unaMemoryStream::write(const void* data, size_t len) {
  if (!data || len == 0) return len;
  unaGateLock lock(gate_, kInfinite);
  unaStreamChunk* chunk = nullptr;
  const int pooled = pool_.count();
  if (pooled > 0) {
    int pick = pooled - 1;
    for (int i = 0; i < pooled; ++i)
      if (static_cast<unaStreamChunk*>(pool_.get(i))->buffer.size() >= len) {
        pick = i;
        break;
      }
    chunk = static_cast<unaStreamChunk*>(pool_.get(pick));
    pool_.removeByIndex(pick, unaKeep);
  } else {
    chunk = new unaStreamChunk;
  }
  chunk->setData(data, len);
  chunks_.add(chunk);
  size_ += static_cast<int64_t>(len);
  return len;
}

size_t unaMemoryStream::read(void* data, size_t len, bool remove) {
  if (len == 0 || !data) return 0;
  unaGateLock lock(gate_, kInfinite);
  if (size_.load() == 0) return 0;
  size_t want = std::min<size_t>(static_cast<size_t>(size_.load()), len);
  size_t copied = 0;
  int i = 0;
  while (want > 0 && i < chunks_.count()) {
    auto* chunk = static_cast<unaStreamChunk*>(chunks_.get(i));
    const size_t n = std::min(chunk->available(), want);
    std::memcpy(static_cast<uint8_t*>(data) + copied, chunk->buffer.data() + chunk->readOffset, n);
    copied += n;
    want -= n;
    if (!remove) {
      ++i;
      continue;
    }
    chunk->readOffset += n;
    if (chunk->available() > 0) {
      ++i;
      continue;
    }
    // A spent chunk goes to the pool, or replaces a smaller pooled chunk.
    chunks_.removeByIndex(i, unaKeep);
    if (pool_.count() < poolLimit) {
      pool_.add(chunk);
    } else {
      int smaller = -1;
      for (int k = 0; k < pool_.count(); ++k)
        if (static_cast<unaStreamChunk*>(pool_.get(k))->buffer.size() < chunk->buffer.size()) {
          smaller = k;
          break;
        }
      if (smaller >= 0)
        pool_.setItem(smaller, chunk, unaFree);
      else
        delete chunk;
    }
  }
  if (remove) size_ -= static_cast<int64_t>(copied);
  return copied;
}

void unaMemoryStream::clear() {
  unaGateLock lock(gate_, kInfinite);
  while (chunks_.count() > 0) {
    void* c = chunks_.get(0);
    chunks_.removeByIndex(0, unaKeep);
    pool_.add(c);
  }
  size_ = 0;
}

size_t unaMemoryStream::oldestChunkBytes() {
  unaGateLock lock(gate_, kInfinite);
  auto* chunk = static_cast<unaStreamChunk*>(chunks_.get(0));
  return chunk ? chunk->available() : 0;
}

int unaMemoryStream::poolCount() {
  unaGateLock lock(gate_, kInfinite);
  return pool_.count();
}

int unaMemoryStream::chunkCount() {
  unaGateLock lock(gate_, kInfinite);
  return chunks_.count();
}

}  // namespace lumicast
