#include "platform/classlib/thread.h"

#include <chrono>
#include <deque>

#include <QCoreApplication>
#include <QMetaObject>

#include "platform/classlib/exceptions.h"

namespace classlib {

// Lets threads waiting in Synchronize look at their thread's terminated flag again.
void WakeSynchronizeWaiters();

TThread::TThread() = default;

TThread::~TThread() {
  if (thread_.joinable()) {
    if (std::this_thread::get_id() == thread_.get_id()) {
      // Deleted by its own Execute (FreeOnTerminate): nothing to wait for.
      thread_.detach();
    } else {
      terminated_.store(true);
      thread_.join();
    }
  }
}

void TThread::Start() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (started_.load()) throw EThread("Thread already started");
  started_.store(true);
  thread_ = std::thread(&TThread::Run, this);
}

void TThread::Run() {
  try {
    Execute();
  } catch (...) {
    std::lock_guard<std::mutex> lock(mutex_);
    fatal_exception_ = std::current_exception();
  }
  const bool selfDelete = free_on_terminate_.load();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    finished_.store(true);
    done_.notify_all();
  }
  if (selfDelete) {
    // The destructor sees that it runs on this thread and detaches.
    delete this;
  }
}

void TThread::Terminate() {
  terminated_.store(true);
  WakeSynchronizeWaiters();
}

int TThread::WaitFor() {
  if (!started_.load()) return return_value_.load();
  if (std::this_thread::get_id() == ThreadID())
    throw EThread("Cannot call WaitFor on the current thread");
  {
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [this] { return finished_.load(); });
  }
  if (thread_.joinable()) thread_.join();
  return return_value_.load();
}

void TThread::TerminateAndWait() {
  Terminate();
  WaitFor();
}

std::exception_ptr TThread::FatalException() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return fatal_exception_;
}

std::thread::id TThread::ThreadID() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return thread_.get_id();
}

void TEvent::SetEvent() {
  std::lock_guard<std::mutex> lock(mutex_);
  signaled_ = true;
  if (manual_reset_)
    cond_.notify_all();
  else
    cond_.notify_one();
}

void TEvent::ResetEvent() {
  std::lock_guard<std::mutex> lock(mutex_);
  signaled_ = false;
}

TWaitResult TEvent::WaitFor(uint32_t Timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  auto ready = [this] { return signaled_; };
  if (Timeout == INFINITE) {
    cond_.wait(lock, ready);
  } else if (!cond_.wait_for(lock, std::chrono::milliseconds(Timeout), ready)) {
    return TWaitResult::wrTimeout;
  }
  if (!manual_reset_) signaled_ = false;
  return TWaitResult::wrSignaled;
}

void Sleep(uint32_t Milliseconds) {
  if (Milliseconds == 0)
    std::this_thread::yield();
  else
    std::this_thread::sleep_for(std::chrono::milliseconds(Milliseconds));
}

uint32_t GetTickCount() {
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now().time_since_epoch())
                .count();
  return static_cast<uint32_t>(ms);
}

// ---- synchronised calls
// --------------------------------------------------------------------------

namespace {

struct TSyncCall {
  const std::function<void()>* method = nullptr;
  bool running = false;
  bool done = false;
  std::exception_ptr error;
};

std::mutex& SyncMutex() {
  static std::mutex m;
  return m;
}
std::condition_variable& SyncDone() {
  static std::condition_variable c;
  return c;
}
std::deque<TSyncCall*>& SyncQueue() {
  static std::deque<TSyncCall*> q;
  return q;
}
// Static initialisation runs on the thread that starts the program.
const std::thread::id kMainThread = std::this_thread::get_id();

}  // namespace

void WakeSynchronizeWaiters() {
  { std::lock_guard<std::mutex> lock(SyncMutex()); }
  SyncDone().notify_all();
}

bool TThread::IsMainThread() { return std::this_thread::get_id() == kMainThread; }

void TThread::Synchronize(TThread* Thread, const std::function<void()>& Method) {
  if (IsMainThread()) {
    Method();
    return;
  }
  TSyncCall call;
  call.method = &Method;
  {
    std::lock_guard<std::mutex> lock(SyncMutex());
    if (Thread != nullptr && Thread->Terminated()) return;
    SyncQueue().push_back(&call);
  }
  if (QCoreApplication* app = QCoreApplication::instance())
    QMetaObject::invokeMethod(
        app, [] { TThread::CheckSynchronize(); }, Qt::QueuedConnection);
  std::unique_lock<std::mutex> lock(SyncMutex());
  SyncDone().wait(lock, [&] {
    return call.done || (!call.running && Thread != nullptr && Thread->Terminated());
  });
  if (!call.done) {
    auto& q = SyncQueue();
    for (auto it = q.begin(); it != q.end(); ++it)
      if (*it == &call) {
        q.erase(it);
        break;
      }
    return;
  }
  if (call.error) std::rethrow_exception(call.error);
}

bool TThread::CheckSynchronize() {
  if (!IsMainThread()) return false;
  bool ran = false;
  for (;;) {
    TSyncCall* call = nullptr;
    {
      std::lock_guard<std::mutex> lock(SyncMutex());
      if (SyncQueue().empty()) break;
      call = SyncQueue().front();
      SyncQueue().pop_front();
      call->running = true;
    }
    std::exception_ptr error;
    try {
      (*call->method)();
    } catch (...) {
      error = std::current_exception();
    }
    {
      std::lock_guard<std::mutex> lock(SyncMutex());
      call->error = error;
      call->running = false;
      call->done = true;
    }
    SyncDone().notify_all();
    ran = true;
  }
  return ran;
}

}  // namespace classlib
